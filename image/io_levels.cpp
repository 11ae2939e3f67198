// Reduced levels of a picture for smooth reduction.
#include "image/io_levels.h"

#include "base/xmem.h"

#include <algorithm>
#include <atomic>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

enum { LEVELS_MAX = 14 };

struct IMGLEVELS {
    std::thread builder;
    std::atomic<int> cancel{0};
    std::atomic<int> ready{0};
    int frame = 0;
    int bpp = 3; // 1: grey values that are their own shades
    int count = 0;
    int w[LEVELS_MAX] = {}, h[LEVELS_MAX] = {};
    const uint8_t *base = nullptr; // level 0 when it is the record's own frame
    std::vector<uint8_t> own[LEVELS_MAX];
    void (*done)(void *ctx, const std::atomic<int> *cancel) = nullptr;
    void *ctx = nullptr;

    const uint8_t *Level(int k) const { return k == 0 && base ? base : own[k].data(); }
};

// An 8-bit record whose values are their own grey shades keeps one byte a pixel.
static bool GreyIdentity(const FILEINFO *fi) {
    if (fi->bit != 8) return false;
    if (!fi->rmap || !fi->gmap || !fi->bmap) return fi->maptyp == MAPTYP_GREY;
    if (fi->maptyp < MAPTYP_8BIT) return false;
    int sh = fi->maptyp >= MAPTYP_PALETTE ? 8 : 0;
    for (int i = 0; i < 256; i++)
        if (((fi->rmap[i] >> sh) & 0xFF) != i || ((fi->gmap[i] >> sh) & 0xFF) != i ||
            ((fi->bmap[i] >> sh) & 0xFF) != i)
            return false;
    return true;
}

// Level 0 in colour for palette and mapped pictures: the record's maps applied.
static bool ExpandLevel0(IMGLEVELS *lv, const FILEINFO *fi, const uint8_t *src) {
    size_t n = static_cast<size_t>(fi->w) * fi->h;
    try {
        lv->own[0].resize(n * 3);
    } catch (const std::bad_alloc &) {
        return false;
    }
    uint8_t lut[256][3];
    int entries = fi->mapentry > 0 ? std::min(fi->mapentry, 256) : 256;
    int sh = fi->maptyp >= MAPTYP_PALETTE ? 8 : 0;
    for (int i = 0; i < 256; i++) {
        int k = std::min(i, entries - 1);
        bool maps = fi->rmap && fi->gmap && fi->bmap;
        lut[i][0] = static_cast<uint8_t>(maps ? (fi->rmap[k] >> sh) & 0xFF : i);
        lut[i][1] = static_cast<uint8_t>(maps ? (fi->gmap[k] >> sh) & 0xFF : i);
        lut[i][2] = static_cast<uint8_t>(maps ? (fi->bmap[k] >> sh) & 0xFF : i);
    }
    uint8_t *o = lv->own[0].data();
    for (size_t i = 0; i < n; i++, o += 3) {
        const uint8_t *c = lut[src[i]];
        o[0] = c[0], o[1] = c[1], o[2] = c[2];
    }
    return true;
}

// Each level the rounded mean of the (up to) four pixels of the one before it covers.
static bool BuildLevels(IMGLEVELS *lv) {
    for (int k = 1; k < LEVELS_MAX && (lv->w[k - 1] > 1 || lv->h[k - 1] > 1); k++) {
        if (lv->cancel.load()) return false;
        const int pw = lv->w[k - 1], ph = lv->h[k - 1], w = (pw + 1) / 2, h = (ph + 1) / 2;
        const int bpp = lv->bpp;
        try {
            lv->own[k].resize(static_cast<size_t>(w) * h * bpp);
        } catch (const std::bad_alloc &) {
            return false;
        }
        const uint8_t *src = lv->Level(k - 1);
        uint8_t *dst = lv->own[k].data();
        for (int y = 0; y < h; y++) {
            const uint8_t *r0 = src + static_cast<size_t>(2 * y) * pw * bpp;
            const uint8_t *r1 = 2 * y + 1 < ph ? r0 + static_cast<size_t>(pw) * bpp : r0;
            const int rows = 2 * y + 1 < ph ? 2 : 1;
            uint8_t *o = dst + static_cast<size_t>(y) * w * bpp;
            for (int x = 0; x < w; x++) {
                const int x0 = 2 * x, x1 = 2 * x + 1 < pw ? 2 * x + 1 : 2 * x;
                const int n = rows * (x1 > x0 ? 2 : 1);
                for (int c = 0; c < bpp; c++) {
                    int s = r0[x0 * bpp + c] + r1[x0 * bpp + c];
                    if (x1 > x0) s += r0[x1 * bpp + c] + r1[x1 * bpp + c];
                    if (rows == 1) s /= 2; // r1 repeated r0
                    o[x * bpp + c] = static_cast<uint8_t>((s + n / 2) / n);
                }
            }
        }
        lv->w[k] = w;
        lv->h[k] = h;
        lv->count = k + 1;
    }
    return true;
}

static IMGLEVELS *LevelsSetup(FILEINFO *fi, int frame) {
    if (!fi || !fi->fbuf || fi->w < 1 || fi->h < 1 || (fi->bit != 8 && fi->bit != 24))
        return nullptr;
    int frames = fi->frames > 0 ? fi->frames : 1;
    if (frame < 0 || frame >= frames) frame = 0;
    auto *lv = new (std::nothrow) IMGLEVELS;
    if (!lv) return nullptr;
    lv->frame = frame;
    lv->w[0] = fi->w;
    lv->h[0] = fi->h;
    lv->count = 1;
    const size_t fsize = static_cast<size_t>(fi->w) * fi->h * (fi->bit == 24 ? 3 : 1);
    const uint8_t *src = fi->fbuf + fsize * frame;
    if (fi->bit == 24) {
        lv->base = src;
    } else if (GreyIdentity(fi)) {
        lv->bpp = 1;
        lv->base = src;
    } else if (!ExpandLevel0(lv, fi, src)) {
        delete lv;
        return nullptr;
    }
    return lv;
}

void ImageLevelsDrop(FILEINFO *fi) {
    if (!fi || !fi->levels) return;
    IMGLEVELS *lv = fi->levels;
    fi->levels = nullptr;
    lv->cancel.store(1);
    if (lv->builder.joinable()) lv->builder.join();
    delete lv;
}

int ImageLevelsBuildNow(FILEINFO *fi, int frame) {
    ImageLevelsDrop(fi);
    IMGLEVELS *lv = LevelsSetup(fi, frame);
    if (!lv) return fi && fi->fbuf ? WIN_ERROR_MEMORY : WIN_ERROR_ARG;
    if (!BuildLevels(lv)) {
        delete lv;
        return WIN_ERROR_MEMORY;
    }
    lv->ready.store(1);
    fi->levels = lv;
    return FILE_SUCCES;
}

int ImageLevelsStart(FILEINFO *fi, int frame, void (*done)(void *ctx, const std::atomic<int> *),
                     void *ctx) {
    ImageLevelsDrop(fi);
    IMGLEVELS *lv = LevelsSetup(fi, frame);
    if (!lv) return fi && fi->fbuf ? WIN_ERROR_MEMORY : WIN_ERROR_ARG;
    lv->done = done;
    lv->ctx = ctx;
    fi->levels = lv;
    try {
        lv->builder = std::thread([lv] {
            if (!BuildLevels(lv)) return;
            lv->ready.store(1);
            if (lv->done && !lv->cancel.load()) lv->done(lv->ctx, &lv->cancel);
        });
    } catch (const std::system_error &) {
        // No thread to be had: build here, the caller paints the smooth picture itself.
        if (!BuildLevels(lv)) {
            ImageLevelsDrop(fi);
            return WIN_ERROR_MEMORY;
        }
        lv->ready.store(1);
    }
    return FILE_SUCCES;
}

int ImageLevelsFrame(const FILEINFO *fi) {
    return fi && fi->levels ? fi->levels->frame : -1;
}

bool ImageLevelsReady(const FILEINFO *fi, int frame) {
    return fi && fi->levels && fi->levels->frame == frame && fi->levels->ready.load();
}

namespace {
struct Tap {
    int at;     // level pixel
    int weight; // picture pixels of the span it covers
};
} // namespace

// Per output pixel of one axis: the level pixels its span covers and how much of each.
static void AxisTaps(const int *s, int n, int k, int size, std::vector<int> &first,
                     std::vector<Tap> &taps) {
    first.assign(static_cast<size_t>(n) + 1, 0);
    taps.clear();
    for (int i = 0; i < n; i++) {
        first[static_cast<size_t>(i)] = static_cast<int>(taps.size());
        int a = std::clamp(s[i], 0, size - 1), b = std::clamp(s[i + 1], a + 1, size);
        for (int j = a >> k; j <= (b - 1) >> k; j++) {
            int lo = std::max(a, j << k), hi = std::min(b, (j + 1) << k);
            taps.push_back({j, hi - lo});
        }
    }
    first[static_cast<size_t>(n)] = static_cast<int>(taps.size());
}

// One level row weighted across: output pixel i is the sum of the T taps at[i * T ...] (padded
// with weight 0), so the loop has no branch of its own; the sums stay in registers.
template <int BPP, int T>
static void BoxAcross(const uint8_t *row, const int *at, const uint32_t *wt, int ow, uint32_t *o) {
    for (int i = 0; i < ow; i++, at += T, wt += T, o += BPP) {
        uint32_t s0 = 0, s1 = 0, s2 = 0;
        for (int t = 0; t < T; t++) {
            const uint8_t *p = row + static_cast<size_t>(at[t]) * BPP;
            s0 += wt[t] * p[0];
            if (BPP == 3) {
                s1 += wt[t] * p[1];
                s2 += wt[t] * p[2];
            }
        }
        o[0] = s0;
        if (BPP == 3) o[1] = s1, o[2] = s2;
    }
}

template <int BPP>
static void BoxAcrossAny(const uint8_t *row, const int *at, const uint32_t *wt, int ow, int taps,
                         uint32_t *o) {
    switch (taps) {
    case 1:
        return BoxAcross<BPP, 1>(row, at, wt, ow, o);
    case 2:
        return BoxAcross<BPP, 2>(row, at, wt, ow, o);
    case 3:
        return BoxAcross<BPP, 3>(row, at, wt, ow, o);
    case 4:
        return BoxAcross<BPP, 4>(row, at, wt, ow, o);
    default:
        for (int i = 0; i < ow; i++, at += taps, wt += taps, o += BPP) {
            uint32_t sum[BPP] = {};
            for (int t = 0; t < taps; t++)
                for (int c = 0; c < BPP; c++)
                    sum[c] += wt[t] * row[static_cast<size_t>(at[t]) * BPP + c];
            for (int c = 0; c < BPP; c++)
                o[c] = sum[c];
        }
    }
}

// Separable: each level row is weighted across once (kept for the next output row, which
// shares a row at its edge), then the rows of a span are weighted down into `acc`.
template <int BPP, typename ACC>
static void BoxRows(const uint8_t *level, int lw, const std::vector<int> &fx,
                    const std::vector<Tap> &tx, const std::vector<int> &fy,
                    const std::vector<Tap> &ty, int ow, int oh, uint8_t *out) {
    const size_t n = static_cast<size_t>(ow) * BPP;
    int taps = 1;
    for (int i = 0; i < ow; i++)
        taps = std::max(taps, fx[static_cast<size_t>(i) + 1] - fx[static_cast<size_t>(i)]);
    std::vector<int> at(static_cast<size_t>(ow) * taps);
    std::vector<uint32_t> wt(at.size(), 0);
    std::vector<double> ax(static_cast<size_t>(ow));
    for (int i = 0; i < ow; i++) {
        int first = fx[static_cast<size_t>(i)], count = fx[static_cast<size_t>(i) + 1] - first;
        int sum = 0;
        for (int t = 0; t < taps; t++) {
            const Tap &x = tx[static_cast<size_t>(first + std::min(t, count - 1))];
            at[static_cast<size_t>(i) * taps + t] = x.at;
            if (t < count) wt[static_cast<size_t>(i) * taps + t] = static_cast<uint32_t>(x.weight);
            if (t < count) sum += x.weight;
        }
        ax[static_cast<size_t>(i)] = sum;
    }
    std::vector<uint32_t> h[2] = {std::vector<uint32_t>(n), std::vector<uint32_t>(n)};
    int hrow[2] = {-1, -1};
    std::vector<ACC> acc(n);
    std::vector<double> inv(static_cast<size_t>(ow));
    for (int j = 0; j < oh; j++) {
        std::fill(acc.begin(), acc.end(), 0);
        int ay = 0;
        for (int b = fy[static_cast<size_t>(j)]; b < fy[static_cast<size_t>(j) + 1]; b++) {
            const Tap &y = ty[static_cast<size_t>(b)];
            ay += y.weight;
            int slot = hrow[0] == y.at ? 0 : hrow[1] == y.at ? 1 : -1;
            if (slot < 0) {
                slot = hrow[0] < hrow[1] ? 0 : 1;
                hrow[slot] = y.at;
                BoxAcrossAny<BPP>(level + static_cast<size_t>(y.at) * lw * BPP, at.data(),
                                  wt.data(), ow, taps, h[slot].data());
            }
            const uint32_t *src = h[slot].data();
            const ACC w = static_cast<ACC>(y.weight);
            for (size_t q = 0; q < n; q++)
                acc[q] += w * src[q];
        }
        for (int i = 0; i < ow; i++)
            inv[static_cast<size_t>(i)] = 1.0 / (ay * ax[static_cast<size_t>(i)]);
        uint8_t *o = out + static_cast<size_t>(j) * n;
        // Rounds half up as (acc + area / 2) / area does; exact for areas far below 1e8.
        for (int i = 0; i < ow; i++)
            for (int c = 0; c < BPP; c++) {
                size_t q = static_cast<size_t>(i) * BPP + c;
                o[q] = static_cast<uint8_t>(
                    static_cast<double>(acc[q]) * inv[static_cast<size_t>(i)] + 0.5 + 1e-9);
            }
    }
}

int ImageLevelsBox(const FILEINFO *fi, const int *xs, int ow, const int *ys, int oh, uint8_t *out,
                   int *grey) {
    if (!fi || !xs || !ys || !out || ow < 1 || oh < 1) return WIN_ERROR_ARG;
    const IMGLEVELS *lv = fi->levels;
    if (!lv || !lv->ready.load()) return WIN_ERROR_NOIMAGE;
    // The level with at least one pixel per span in both directions.
    int span = lv->w[0] + lv->h[0];
    for (int i = 0; i < ow; i++)
        span = std::min(span, xs[i + 1] - xs[i]);
    for (int j = 0; j < oh; j++)
        span = std::min(span, ys[j + 1] - ys[j]);
    int k = 0;
    while (k + 1 < lv->count && (2 << k) <= span)
        k++;
    std::vector<int> fx, fy;
    std::vector<Tap> tx, ty;
    AxisTaps(xs, ow, k, lv->w[0], fx, tx);
    AxisTaps(ys, oh, k, lv->h[0], fy, ty);
    const int bpp = lv->bpp;
    // Sums of 32 bits while 255 times the largest span's area fits them.
    long long spanx = 0, spany = 0;
    for (int i = 0; i < ow; i++)
        spanx = std::max(spanx, static_cast<long long>(xs[i + 1]) - xs[i]);
    for (int j = 0; j < oh; j++)
        spany = std::max(spany, static_cast<long long>(ys[j + 1]) - ys[j]);
    const bool narrow = 255 * std::max(1LL, spanx) * std::max(1LL, spany) < (1LL << 32);
    const uint8_t *level = lv->Level(k);
    if (bpp == 1 && narrow)
        BoxRows<1, uint32_t>(level, lv->w[k], fx, tx, fy, ty, ow, oh, out);
    else if (bpp == 1)
        BoxRows<1, uint64_t>(level, lv->w[k], fx, tx, fy, ty, ow, oh, out);
    else if (narrow)
        BoxRows<3, uint32_t>(level, lv->w[k], fx, tx, fy, ty, ow, oh, out);
    else
        BoxRows<3, uint64_t>(level, lv->w[k], fx, tx, fy, ty, ow, oh, out);
    *grey = bpp == 1;
    return FILE_SUCCES;
}
