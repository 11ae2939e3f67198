#include "dicom/io_dcm3.h"

#include "base/xmem.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <new>
#include <sys/mman.h>

static const char dcm3_tag[] = "dcm_pixel";

int DicomPhotometricClass(const char *pi) {
    if (!pi || !pi[0]) return DICOM_PI_MONO2;
    if (strstr(pi, "MONOCHROME1")) return DICOM_PI_MONO1;
    if (strstr(pi, "MONOCHROME2")) return DICOM_PI_MONO2;
    if (strstr(pi, "PALETTECOLOR") || strstr(pi, "PALETTE COLOR")) return DICOM_PI_PALETTE;
    if (strstr(pi, "YBR_FULL_422") || strstr(pi, "YBR FULL 422")) return DICOM_PI_YBR_422;
    if (strstr(pi, "YBR_FULL") || strstr(pi, "YBR FULL")) return DICOM_PI_YBR_FULL;
    // The JPEG 2000 component transforms give R, G, B back when decoded.
    if (strstr(pi, "RGB") || strstr(pi, "YBR_RCT") || strstr(pi, "YBR RCT") ||
        strstr(pi, "YBR_ICT") || strstr(pi, "YBR ICT"))
        return DICOM_PI_RGB;
    return DICOM_PI_OTHER;
}

int DicomLayoutSetup(const DICOMDESC *d, const char *path, DICOMLAYOUT *lay) {
    if (!d || !lay) return WIN_ERROR_ARG;
    memset(lay, 0, sizeof *lay);
    const char *name = path ? path : "DICOM";
    int ba = d->bitsallocated;
    // Old headers without Bits Allocated: the smallest word that holds Bits Stored.
    if (ba == 0) ba = d->bitsstored <= 8 ? 8 : d->bitsstored <= 16 ? 16 : 32;
    if (ba == 1 && (d->samples > 1 || DicomPhotometricClass(d->photometric) >= DICOM_PI_PALETTE)) {
        fprintf(stderr, "dravik: %s: 1 bit allocated is read for monochrome images only\n", name);
        return FILE_ERROR_FORMAT;
    }
    lay->packed = ba == 1;
    if (lay->packed) ba = 8; // one store word a sample: values 0 and 1
    if (ba != 8 && ba != 16 && ba != 32) {
        fprintf(stderr, "dravik: %s: %i bits allocated per sample are not supported\n", name, ba);
        return FILE_ERROR_FORMAT;
    }
    lay->bytes = ba / 8;
    lay->bits = d->bitsstored >= 1 && d->bitsstored <= ba ? d->bitsstored : ba;
    lay->shift = d->highbit - lay->bits + 1;
    if (lay->shift < 0 || lay->shift + lay->bits > ba) lay->shift = 0;
    if (lay->packed) lay->bits = 1, lay->shift = 0, lay->sign = 0;
    lay->sign = d->pixelrep == 1 && !lay->packed;
    lay->pi = DicomPhotometricClass(d->photometric);
    if (lay->pi == DICOM_PI_OTHER) {
        fprintf(stderr, "dravik: %s: photometric interpretation %s is not supported\n", name,
                d->photometric);
        return FILE_ERROR_FORMAT;
    }
    bool colour = lay->pi >= DICOM_PI_RGB;
    lay->samples = colour ? 3 : 1;
    if (colour && d->samples != 0 && d->samples != 3) {
        fprintf(stderr, "dravik: %s: %s with %i samples per pixel is not supported\n", name,
                d->photometric, d->samples);
        return FILE_ERROR_FORMAT;
    }
    lay->planar = colour && lay->pi != DICOM_PI_YBR_422 && d->planar == 1;
    lay->w = d->columns;
    lay->h = d->rows;
    lay->frames = std::max(d->frames, 1);
    if (FileBufferSize(lay->w, lay->h, lay->samples, lay->frames) < 0) return FILE_ERROR_DATA;
    lay->pixels = long(lay->w) * lay->h;
    if (lay->pi == DICOM_PI_YBR_422)
        lay->framebytes = long(lay->h) * ((lay->w + 1) / 2) * 4 * lay->bytes;
    else if (lay->packed)
        lay->framebytes = (lay->pixels + 7) / 8;
    else
        lay->framebytes = lay->pixels * lay->samples * lay->bytes;
    return FILE_SUCCES;
}

long DicomNativeBytes(const DICOMLAYOUT *lay) {
    if (!lay) return 0;
    return lay->packed ? (lay->pixels * lay->frames + 7) / 8 : lay->framebytes * lay->frames;
}

long DicomFrameBits(const uint8_t *src, long avail, const DICOMLAYOUT *lay, DICOMSAMPLES *s,
                    int f) {
    if (!src || !lay || !s || f < 0 || f >= s->frames || avail <= 0 || s->s16.empty()) return 0;
    // Frame f begins at bit f x pixels, inside a byte when pixels is no multiple of 8.
    const long first = long(f) * lay->pixels;
    const long n = std::max(0L, std::min(lay->pixels, avail * 8 - first));
    uint16_t *o = s->s16.data() + size_t(f) * size_t(lay->pixels);
    for (long i = 0; i < n; i++) {
        long bit = first + i;
        o[i] = uint16_t(src[bit >> 3] >> (bit & 7) & 1);
    }
    s->valid[size_t(f)] = n;
    return n;
}

int DicomSamplesCreate(const DICOMLAYOUT *lay, DICOMSAMPLES *s, int first, int count) {
    if (!lay || !s || first < 0 || (first > 0 && first >= lay->frames)) return WIN_ERROR_ARG;
    if (count < 0 || count > lay->frames - first) count = lay->frames - first;
    s->w = lay->w;
    s->h = lay->h;
    s->frames = count;
    s->total = lay->frames;
    s->first = first;
    s->bits = lay->bits;
    s->sign = lay->sign;
    size_t n = size_t(lay->pixels) * size_t(count);
    try {
        s->s16.clear();
        s->s32.clear();
        if (lay->bits <= 16) {
            s->s16.resize(n);
            s->s16.shrink_to_fit();
        } else {
            s->s32.resize(n);
            s->s32.shrink_to_fit();
        }
        s->valid.assign(size_t(count), 0);
    } catch (const std::bad_alloc &) {
        s->s16 = decltype(s->s16)();
        s->s32 = decltype(s->s32)();
        return WIN_ERROR_MEMORY;
    }
    return FILE_SUCCES;
}

enum : size_t { DICOM_STORE_MAPPED = size_t(256) << 10 };

void *DicomStoreAlloc(size_t bytes) {
    const size_t huge = size_t(2) << 20;
    void *p;
    if (bytes >= 2 * huge) {
        const size_t size = (bytes + huge - 1) / huge * huge;
        p = aligned_alloc(huge, size);
        if (p) MemHugePages(p, size);
    } else if (bytes >= DICOM_STORE_MAPPED) {
        // Mapped apart from the heap: untouched until decoded into, and given back when freed,
        // so a store made again for each frame does not keep the last one's pages.
        p = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (p == MAP_FAILED) p = nullptr;
    } else {
        p = malloc(bytes ? bytes : 1);
    }
    if (!p) throw std::bad_alloc();
    return p;
}

void DicomStoreFree(void *p, size_t bytes) {
    if (!p) return;
    if (bytes >= DICOM_STORE_MAPPED && bytes < (size_t(4) << 20))
        munmap(p, bytes);
    else
        free(p);
}

static uint32_t DicomWord(const uint8_t *p, int bytes) {
    switch (bytes) {
    case 1:
        return p[0];
    case 2:
        return uint32_t(p[0] | p[1] << 8);
    default:
        return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24;
    }
}

static uint32_t DicomMask(int bits) {
    return bits >= 32 ? 0xFFFFFFFFu : (1u << bits) - 1;
}

long DicomFrameSamples(const uint8_t *src, long avail, const DICOMLAYOUT *lay, DICOMSAMPLES *s,
                       int f) {
    if (!src || !lay || !s || f < 0 || f >= s->frames || avail <= 0) return 0;
    const long n = std::min(lay->pixels, avail / lay->bytes);
    const size_t base = size_t(f) * size_t(lay->pixels);
    const uint32_t mask = DicomMask(lay->bits);
    const int shift = lay->shift;
    if (!s->s16.empty()) {
        uint16_t *o = s->s16.data() + base;
        if (lay->bytes == 2) {
            for (long i = 0; i < n; i++)
                o[i] = uint16_t((uint32_t(src[2 * i] | src[2 * i + 1] << 8) >> shift) & mask);
        } else {
            for (long i = 0; i < n; i++)
                o[i] = uint16_t((DicomWord(src + i * lay->bytes, lay->bytes) >> shift) & mask);
        }
    } else if (!s->s32.empty()) {
        uint32_t *o = s->s32.data() + base;
        for (long i = 0; i < n; i++)
            o[i] = (DicomWord(src + i * lay->bytes, lay->bytes) >> shift) & mask;
    } else {
        return 0;
    }
    s->valid[size_t(f)] = n;
    return n;
}

static uint8_t DicomClamp8(int v) {
    return uint8_t(v < 0 ? 0 : v > 255 ? 255 : v);
}

void DicomYbrToRgb(uint8_t *px, long pixels) {
    if (!px) return;
    // Full-range YCbCr, 16-bit fixed point with rounding.
    for (long i = 0; i < pixels; i++, px += 3) {
        int y = px[0], cb = px[1] - 128, cr = px[2] - 128;
        px[0] = DicomClamp8(y + ((91881 * cr + 32768) >> 16));
        px[1] = DicomClamp8(y - ((22554 * cb + 46802 * cr + 32768) >> 16));
        px[2] = DicomClamp8(y + ((116130 * cb + 32768) >> 16));
    }
}

long GetImageDataRGB(const uint8_t *src, long avail, const DICOMLAYOUT *lay, uint8_t *out) {
    if (!src || !lay || !out || avail <= 0) return 0;
    const int bytes = lay->bytes;
    const uint32_t mask = DicomMask(lay->bits);
    const int down = lay->bits > 8 ? lay->bits - 8 : 0;
    auto sample = [&](long index) {
        return uint8_t(((DicomWord(src + index * bytes, bytes) >> lay->shift) & mask) >> down);
    };
    const long words = avail / bytes;
    long n;
    if (lay->pi == DICOM_PI_YBR_422) {
        // Y1 Y2 Cb Cr for each pair of pixels of a row.
        const long groups = (lay->w + 1) / 2;
        const long whole = std::min(groups * lay->h, words / 4);
        n = 0;
        for (long g = 0; g < whole; g++) {
            long y = g / groups, x = 2 * (g % groups);
            uint8_t y1 = sample(4 * g), y2 = sample(4 * g + 1);
            uint8_t cb = sample(4 * g + 2), cr = sample(4 * g + 3);
            uint8_t *o = out + 3 * (y * lay->w + x);
            o[0] = y1, o[1] = cb, o[2] = cr;
            n = y * lay->w + x + 1;
            if (x + 1 < lay->w) {
                o[3] = y2, o[4] = cb, o[5] = cr;
                n++;
            }
        }
    } else if (lay->planar) {
        n = std::max(0L, std::min(lay->pixels, words - 2 * lay->pixels));
        for (long i = 0; i < n; i++)
            for (int c = 0; c < 3; c++)
                out[3 * i + c] = sample(c * lay->pixels + i);
    } else {
        n = std::min(lay->pixels, words / 3);
        if (bytes == 1 && lay->shift == 0 && lay->bits == 8)
            memcpy(out, src, size_t(n) * 3);
        else
            for (long i = 0; i < 3 * n; i++)
                out[i] = sample(i);
    }
    if (lay->pi == DICOM_PI_YBR_FULL || lay->pi == DICOM_PI_YBR_422) DicomYbrToRgb(out, n);
    return n;
}

// Padding needs the signed value of every sample; without it the 16-bit words have a quicker loop.
static void MinMaxFrame(const DICOMSAMPLES *s, int f, const DICOMPAD *pad, int32_t *lo,
                        int32_t *hi) {
    const size_t at = size_t(f) * size_t(s->w) * size_t(s->h);
    const long n = s->valid[size_t(f)];
    const bool padded = pad && pad->on;
    if (!padded && !s->s16.empty()) {
        const uint16_t *p = s->s16.data() + at;
        // Two loops on locals, so that each vectorises.
        const int up = 16 - s->bits;
        int32_t l = *lo, h = *hi;
        if (s->sign)
            for (long i = 0; i < n; i++) {
                const int32_t v = int16_t(uint16_t(p[i] << up)) >> up;
                l = std::min(l, v);
                h = std::max(h, v);
            }
        else
            for (long i = 0; i < n; i++) {
                l = std::min(l, int32_t(p[i]));
                h = std::max(h, int32_t(p[i]));
            }
        *lo = l;
        *hi = h;
        return;
    }
    for (long i = 0; i < n; i++) {
        const uint32_t p = s->s16.empty() ? s->s32[at + size_t(i)] : s->s16[at + size_t(i)];
        const int64_t v = s->sign ? int64_t(DicomSampleValue(p, s->bits, 1)) : int64_t(p);
        if (padded && v >= pad->lo && v <= pad->hi) continue;
        // Unsigned 32-bit values beyond INT32_MAX are rare; they saturate.
        const int32_t c = int32_t(std::min<int64_t>(v, INT32_MAX));
        *lo = std::min(*lo, c);
        *hi = std::max(*hi, c);
    }
}

bool DicomFramesMinMax(const DICOMSAMPLES *s, int from, int to, const DICOMPAD *pad, int32_t *lo,
                       int32_t *hi) {
    *lo = INT32_MAX;
    *hi = INT32_MIN;
    if (!s || (s->s16.empty() && s->s32.empty())) return false;
    for (int f = std::max(from, 0); f < std::min(to, s->frames); f++)
        if (size_t(f) < s->valid.size()) MinMaxFrame(s, f, pad, lo, hi);
    return *lo <= *hi;
}

int GetMonochromeMinMax(const DICOMSAMPLES *s, int *min, int *max, const DICOMPAD *pad) {
    if (!s || !min || !max) return WIN_ERROR_ARG;
    int32_t lo, hi;
    if (!DicomFramesMinMax(s, 0, s->frames, pad, &lo, &hi)) lo = hi = 0;
    *min = lo;
    *max = hi;
    return FILE_SUCCES;
}

void DicomWindowSetup(const DICOMDESC *d, const DICOMSAMPLES *s, int pi, const FILEREQ *req,
                      DICOMWINDOW *win, const DICOMPAD *pad) {
    win->bits = s->bits;
    win->sign = s->sign;
    win->invert = pi == DICOM_PI_MONO1;
    win->slope = d->slope;
    win->intercept = d->intercept;
    int use = req ? req->hounsfield_use : 0;
    win->hmin = req ? req->hounsfield_min : 0;
    win->hmax = req ? req->hounsfield_max : 0;
    // Identity rescale means the values need no Hounsfield window; an empty window is no window.
    win->rescale = use && (d->slope != 1.0f || d->intercept != 0.0f) && win->hmin < win->hmax;
    int lo, hi;
    GetMonochromeMinMax(s, &lo, &hi, pad);
    if (hi == 0) hi = s->bits <= 8 ? 255 : s->bits <= 12 ? 4096 : 65025;
    if (hi == lo) {
        if (hi > 0)
            lo = 0;
        else
            hi = 0;
    }
    win->min = lo;
    win->max = hi;
    win->lut.clear();
    if (s->bits <= 16) {
        win->lut.resize(size_t(1) << s->bits);
        for (uint32_t p = 0; p < win->lut.size(); p++)
            win->lut[p] = DicomWindowValue(win, DicomSampleValue(p, s->bits, s->sign));
    }
}

uint8_t DicomWindowValue(const DICOMWINDOW *win, int32_t v) {
    int out;
    if (win->rescale) {
        double hu = double(v) * win->slope + win->intercept;
        double o = (hu - win->hmin) * 255.0 / double(win->hmax - win->hmin);
        out = o <= 0 ? 0 : o >= 255 ? 255 : int(o);
    } else {
        int64_t range = int64_t(win->max) - win->min;
        int64_t o = range > 0 ? (int64_t(v) - win->min) * 255 / range : 0;
        out = int(std::clamp<int64_t>(o, 0, 255));
    }
    return uint8_t(win->invert ? 255 - out : out);
}

void GetImageDataMonochrom(const DICOMWINDOW *win, const DICOMSAMPLES *s, int f, uint8_t *out) {
    const size_t pixels = size_t(s->w) * size_t(s->h);
    const long n = s->valid[size_t(f)];
    if (!s->s16.empty() && !win->lut.empty()) {
        const uint16_t *p = s->s16.data() + size_t(f) * pixels;
        const uint8_t *lut = win->lut.data();
        const uint16_t top = uint16_t(win->lut.size() - 1);
        for (long i = 0; i < n; i++)
            out[i] = lut[p[i] & top];
    } else if (!s->s32.empty()) {
        const uint32_t *p = s->s32.data() + size_t(f) * pixels;
        for (long i = 0; i < n; i++)
            out[i] = DicomWindowValue(win, DicomSampleValue(p[i], s->bits, s->sign));
    }
    memset(out + n, 0, pixels - size_t(n));
}

uint8_t *GetImageDataMonochromMultiFrame(FILEREQ *req, const DICOMDESC *d, const DICOMSAMPLES *s,
                                         int pi) {
    if (!d || !s) return nullptr;
    long size = FileBufferSize(s->w, s->h, 1, s->frames);
    if (size < 0) return nullptr;
    auto *out = static_cast<uint8_t *>(MemCreate(size, req && req->path ? req->path : dcm3_tag));
    if (!out) return nullptr;
    DICOMWINDOW win;
    DicomWindowSetup(d, s, pi, req, &win);
    const size_t pixels = size_t(s->w) * size_t(s->h);
    int last = DICOM_PROGRESS_DECODED;
    const int rest = 100 - DICOM_PROGRESS_DECODED;
    for (int f = 0; f < s->frames; f++) {
        GetImageDataMonochrom(&win, s, f, out + size_t(f) * pixels);
        DicomProgress(req, DICOM_PROGRESS_DECODED + int((f + 1L) * rest / s->frames), &last);
    }
    return out;
}

/* ---- palette colour ---- */

struct DICOMPALETTE {
    int present; // the file has this colour's descriptor
    long count;
    int first;
    int bits;
    std::vector<uint16_t> entry;
};

// One colour's descriptor and table from the file. Words the descriptor element lacks keep
// their defaults (256 entries from 0, 16 bits); a missing table reads as a grey ramp.
static void DicomPaletteLoad(const FILEINFO *fi, const uint8_t *buf, int len, int c, int sign,
                             DICOMPALETTE *p) {
    uint8_t header[8];
    p->present = 0;
    p->count = 256;
    p->first = 0;
    p->bits = 16;
    int tag = DicomTagFind(fi, len, 0x00, 0x28, 0x11, 0x01 + c, 0, nullptr, 0, header);
    if (tag) {
        int vlen;
        const uint8_t *d = buf + DicomValueSpan(buf, len, tag, &vlen);
        auto word = [&](int i) { return uint16_t(d[2 * i] | d[2 * i + 1] << 8); };
        p->present = vlen >= 2;
        if (vlen >= 2) p->count = word(0) == 0 ? 65536 : word(0);
        if (vlen >= 4) p->first = sign ? int(int16_t(word(1))) : int(word(1));
        if (vlen >= 6) p->bits = word(2);
    }
    p->entry.assign(size_t(p->count), 0);
    tag = DicomTagFind(fi, len, 0x00, 0x28, 0x12, 0x01 + c, 0, nullptr, 0, header);
    if (!tag) {
        for (long i = 0; i < p->count; i++)
            p->entry[size_t(i)] = uint16_t(std::min<long>(i, 255) * 257);
        return;
    }
    int vlen;
    const uint8_t *v = buf + DicomValueSpan(buf, len, tag, &vlen);
    // 8-bit tables come one entry per word, or packed one per byte in some older files.
    bool packed = p->bits == 8 && vlen < 2 * p->count;
    for (long i = 0; i < p->count; i++) {
        uint16_t e;
        if (packed) {
            if (i >= vlen) break;
            e = uint16_t(v[i] * 257);
        } else {
            if (2 * i + 1 >= vlen) break;
            uint16_t w = uint16_t(v[2 * i] | v[2 * i + 1] << 8);
            e = p->bits == 8 ? uint16_t((w & 0xFF) * 257) : w;
        }
        p->entry[size_t(i)] = e;
    }
}

long DicomPaletteEntries(const uint8_t *buf, int len) {
    long n = 65536;
    bool any = false;
    for (int c = 0; c < 3; c++) {
        uint8_t header[8];
        int tag = ReadByteGroup(buf, len, 0x00, 0x28, 0x11, 0x01 + c, nullptr, 0, header, 0);
        int vlen;
        const uint8_t *d = tag ? buf + DicomValueSpan(buf, len, tag, &vlen) : nullptr;
        if (!d || vlen < 2) continue;
        long count = d[0] | d[1] << 8;
        n = std::min(n, count ? count : 65536);
        any = true;
    }
    return any ? n : 256;
}

uint8_t *GetImageDataPalette(FILEREQ *req, FILEINFO *fi, const uint8_t *buf, int len,
                             const DICOMSAMPLES *s) {
    if (!fi || !buf || !s || !fi->rmap || !fi->gmap || !fi->bmap) return nullptr;
    DICOMPALETTE pal[3];
    try {
        for (int c = 0; c < 3; c++)
            DicomPaletteLoad(fi, buf, len, c, s->sign, &pal[c]);
    } catch (const std::bad_alloc &) {
        return nullptr;
    }
    // Indices start at the red table's first value and cover what every table described.
    long n = 65536;
    int first = 0, firstset = 0;
    for (const DICOMPALETTE &p : pal) {
        if (!p.present) continue;
        n = std::min(n, p.count);
        if (!firstset) first = p.first, firstset = 1;
    }
    if (!firstset) n = 256;
    uint16_t *map[3] = {fi->rmap, fi->gmap, fi->bmap};
    for (int c = 0; c < 3; c++)
        for (long i = 0; i < n; i++) {
            long k = std::clamp<long>(i + first - pal[c].first, 0, pal[c].count - 1);
            map[c][i] = pal[c].entry[size_t(k)];
        }

    const size_t pixels = size_t(s->w) * size_t(s->h);
    bool truncated = false;
    for (long v : s->valid)
        truncated = truncated || size_t(v) < pixels;
    const bool wide = n > 256 || (truncated && n == 256);
    long size = FileBufferSize(s->w, s->h, wide ? 3 : 1, s->frames);
    if (size < 0) return nullptr;
    auto *out = static_cast<uint8_t *>(MemCreate(size, req && req->path ? req->path : dcm3_tag));
    if (!out) return nullptr;
    memset(out, 0, size_t(size));
    // Pixels the file did not hold point at an added black entry.
    const long black = n;
    if (!wide && truncated) map[0][black] = map[1][black] = map[2][black] = 0;
    int last = DICOM_PROGRESS_DECODED;
    const int rest = 100 - DICOM_PROGRESS_DECODED;
    for (int f = 0; f < s->frames; f++) {
        const long valid = s->valid[size_t(f)];
        uint8_t *o = out + size_t(f) * pixels * (wide ? 3 : 1);
        for (size_t i = 0; i < pixels; i++) {
            long k = black;
            if (long(i) < valid) {
                uint32_t p = s->s16.empty() ? s->s32[size_t(f) * pixels + i]
                                            : s->s16[size_t(f) * pixels + i];
                k = std::clamp<long>(long(DicomSampleValue(p, s->bits, s->sign)) - first, 0, n - 1);
            }
            if (!wide) {
                o[i] = uint8_t(k);
            } else if (k < n) {
                for (int c = 0; c < 3; c++)
                    o[3 * i + c] = uint8_t(map[c][k] >> 8);
            }
        }
        DicomProgress(req, DICOM_PROGRESS_DECODED + int((f + 1L) * rest / s->frames), &last);
    }
    if (wide) {
        for (uint16_t **m : {&fi->rmap, &fi->gmap, &fi->bmap}) {
            MemFree(*m, dcm3_tag);
            *m = nullptr;
        }
        fi->bit = 24;
        fi->maptyp = MAPTYP_RGB;
        fi->mapentry = 0;
    } else {
        fi->bit = 8;
        fi->maptyp = MAPTYP_PALETTE;
        fi->mapentry = int(truncated ? n + 1 : n);
    }
    return out;
}

void DicomProgress(FILEREQ *req, int percent, int *last) {
    if (!req || !req->progress || !last || percent == *last) return;
    *last = percent;
    req->progress(req->ctx, percent);
}
