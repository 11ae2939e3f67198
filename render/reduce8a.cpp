#include "render/reduce8a.h"

#include "base/xmem.h"

#include <cstring>
#include <memory>

REDUCEPAL *reduce_pal = nullptr;

enum { AXIS_RED = 1, AXIS_GREEN = 2, AXIS_BLUE = 4 };

mcut_state *gbm_create_mcut() {
    auto *mc = static_cast<mcut_state *>(MemCreate(sizeof(mcut_state), "reduce"));
    if (mc) memset(mc, 0, sizeof *mc);
    return mc;
}

void gbm_delete_mcut(mcut_state *mc) {
    if (mc) MemFree(mc, "reduce");
}

void gbm_add_to_mcut(mcut_state *mc, const uint8_t *src, const FILEINFO *fi) {
    long n = FileBufferSize(fi->w, fi->h, 1, 1);
    for (long i = 0; i < n; i++, src += 3)
        mc->freq[src[0] >> 3][src[1] >> 3][src[2] >> 3]++;
    mc->total += static_cast<uint32_t>(n);
}

// Range of one axis of a box, as pointers so the axis loops need no switch.
static uint8_t *BoxLo(MCUTBOX *b, int axis) {
    return axis == AXIS_BLUE ? &b->b0 : axis == AXIS_GREEN ? &b->g0 : &b->r0;
}
static uint8_t *BoxHi(MCUTBOX *b, int axis) {
    return axis == AXIS_BLUE ? &b->b1 : axis == AXIS_GREEN ? &b->g1 : &b->r1;
}

// Pixels of the box's plane p on one axis.
static uint32_t PlaneCount(const mcut_state *mc, const MCUTBOX *b, int axis, int p) {
    int r0 = b->r0, r1 = b->r1, g0 = b->g0, g1 = b->g1, b0 = b->b0, b1 = b->b1;
    if (axis == AXIS_RED) r0 = p, r1 = p + 1;
    if (axis == AXIS_GREEN) g0 = p, g1 = p + 1;
    if (axis == AXIS_BLUE) b0 = p, b1 = p + 1;
    uint32_t n = 0;
    for (int r = r0; r < r1; r++)
        for (int g = g0; g < g1; g++)
            for (int bl = b0; bl < b1; bl++)
                n += mc->freq[r][g][bl];
    return n;
}

void shrink(mcut_state *mc, MCUTBOX *box) {
    static const int axes[3] = {AXIS_BLUE, AXIS_GREEN, AXIS_RED};
    box->flags = 0;
    for (int axis : axes) {
        uint8_t *lo = BoxLo(box, axis), *hi = BoxHi(box, axis);
        while (*lo < *hi && PlaneCount(mc, box, axis, *lo) == 0)
            (*lo)++;
        while (*hi - *lo >= 2 && PlaneCount(mc, box, axis, *hi - 1) == 0)
            (*hi)--;
    }
    if (box->b1 - box->b0 >= 2) box->flags |= AXIS_BLUE;
    if (box->g1 - box->g0 >= 2) box->flags |= AXIS_GREEN;
    if (box->r1 - box->r0 >= 2) box->flags |= AXIS_RED;
}

static int McutAxis(const MCUTBOX *b) {
    int db = (b->flags & AXIS_BLUE) ? b->b1 - b->b0 : 0;
    int dg = (b->flags & AXIS_GREEN) ? b->g1 - b->g0 : 0;
    int dr = (b->flags & AXIS_RED) ? b->r1 - b->r0 : 0;
    if (dg >= db && dg >= dr) return AXIS_GREEN;
    return db < dr ? AXIS_RED : AXIS_BLUE;
}

// Splits box k at its median plane on the best axis; false when no axis gives two boxes.
static bool McutSplit(mcut_state *mc, int k) {
    MCUTBOX *b = &mc->cells[k];
    while (b->flags) {
        int axis = McutAxis(b);
        uint8_t *lo = BoxLo(b, axis), *hi = BoxHi(b, axis);
        uint32_t half = b->freq >> 1, acc = 0;
        int split = *lo;
        uint32_t plane = 0;
        while (split < *hi && acc < half) {
            plane = PlaneCount(mc, b, axis, split);
            acc += plane;
            split++;
        }
        if (split == *hi && plane < acc) {
            split--;
            acc -= plane;
        }
        MCUTBOX nb = *b;
        *BoxLo(&nb, axis) = static_cast<uint8_t>(split);
        nb.freq = b->freq - acc;
        if (nb.freq > 0) {
            *hi = static_cast<uint8_t>(split);
            b->freq = acc;
            mc->cells[mc->ncells] = nb;
            shrink(mc, b);
            shrink(mc, &mc->cells[mc->ncells]);
            mc->ncells++;
            return true;
        }
        b->flags = static_cast<uint8_t>(b->flags & ~axis);
    }
    return false;
}

void gbm_pal_mcut(mcut_state *mc, uint8_t *pal, int ncolors) {
    if (ncolors > MCUT_CELLS) ncolors = MCUT_CELLS;
    MCUTBOX *start = &mc->cells[0];
    *start = MCUTBOX{mc->total, 0, MCUT_SIDE, 0, MCUT_SIDE, 0, MCUT_SIDE, 0};
    shrink(mc, start);
    mc->ncells = 1;
    while (mc->ncells < ncolors) {
        int best = -1;
        for (int i = 0; i < mc->ncells; i++)
            if (mc->cells[i].flags && mc->cells[i].freq > 1 &&
                (best < 0 || mc->cells[i].freq > mc->cells[best].freq))
                best = i;
        if (best < 0) break;
        McutSplit(mc, best);
    }
    // Stable exchange sort by falling count: equal counts keep their creation order.
    int order[MCUT_CELLS];
    for (int i = 0; i < mc->ncells; i++)
        order[i] = i;
    for (int i = 0; i < mc->ncells; i++)
        for (int j = mc->ncells - 1; j > i; j--)
            if (mc->cells[order[j - 1]].freq < mc->cells[order[j]].freq)
                std::swap(order[j - 1], order[j]);
    for (int i = 0; i < MCUT_CELLS; i++)
        pal[3 * i] = pal[3 * i + 1] = pal[3 * i + 2] = 128;
    for (int i = 0; i < mc->ncells; i++) {
        const MCUTBOX *b = &mc->cells[order[i]];
        pal[3 * i] = static_cast<uint8_t>((b->r0 + b->r1) * 4);
        pal[3 * i + 1] = static_cast<uint8_t>((b->g0 + b->g1) * 4);
        pal[3 * i + 2] = static_cast<uint8_t>((b->b0 + b->b1) * 4);
        for (int r = b->r0; r < b->r1; r++)
            for (int g = b->g0; g < b->g1; g++)
                for (int bl = b->b0; bl < b->b1; bl++)
                    mc->freq[r][g][bl] = static_cast<uint32_t>(i);
    }
}

void gbm_map_mcut(const mcut_state *mc, const uint8_t *src, uint8_t *dst, int mode,
                  const FILEINFO *fi) {
    long n = FileBufferSize(fi->w, fi->h, 1, 1);
    const unsigned long *pxl = reduce_pal ? reduce_pal->pxl : nullptr;
    for (long i = 0; i < n; i++, src += 3) {
        uint32_t k = mc->freq[src[0] >> 3][src[1] >> 3][src[2] >> 3];
        dst[i] = mode == 1 || !pxl ? static_cast<uint8_t>(k) : static_cast<uint8_t>(pxl[k]);
    }
}

uint8_t *gbm_mcut(const uint8_t *src, uint8_t *pal, int ncolors, int mode, const FILEINFO *fi) {
    if (!src || !pal || !fi) return nullptr;
    long n = FileBufferSize(fi->w, fi->h, 3, 1);
    if (n < 0) return nullptr;
    if (mode == 0 && (!reduce_pal || !reduce_pal->pxl)) return nullptr;
    for (int i = 0; i < MCUT_CELLS; i++)
        pal[3 * i] = pal[3 * i + 1] = pal[3 * i + 2] = static_cast<uint8_t>(i);
    std::unique_ptr<mcut_state, void (*)(mcut_state *)> mc(gbm_create_mcut(), gbm_delete_mcut);
    if (!mc) return nullptr;
    auto *dst = static_cast<uint8_t *>(MemCreate(n / 3, "reduce"));
    if (!dst) return nullptr;
    gbm_add_to_mcut(mc.get(), src, fi);
    gbm_pal_mcut(mc.get(), pal, ncolors);
    if (reduce_pal && reduce_pal->red && reduce_pal->green && reduce_pal->blue) {
        for (int i = 0; i < MCUT_CELLS; i++) {
            reduce_pal->red[i] = pal[3 * i] * 256;
            reduce_pal->green[i] = pal[3 * i + 1] * 256;
            reduce_pal->blue[i] = pal[3 * i + 2] * 256;
        }
        _XSetup8to8(nullptr, 0, 0, 1);
    }
    gbm_map_mcut(mc.get(), src, dst, mode, fi);
    return dst;
}

int Reduce24to8(const uint8_t *src, FILEINFO *fi) {
    if (!src || !fi || fi->w < 1 || fi->h < 1) return -15;
    XImage *im = fi->ximage;
    if (!im || !im->data) return -24;
    uint8_t pal[MCUT_CELLS * 3];
    uint8_t *idx = gbm_mcut(src, pal, 255, 0, fi);
    if (!idx) return -8;
    // The display image may be cut to its view; copy the part it holds.
    int w = fi->w < im->width ? fi->w : im->width;
    int h = fi->h < im->height ? fi->h : im->height;
    for (int y = 0; y < h; y++)
        memcpy(im->data + static_cast<size_t>(y) * im->bytes_per_line,
               idx + static_cast<size_t>(y) * fi->w, static_cast<size_t>(w));
    MemFree(idx, "reduce");
    return 0;
}

uint8_t *_XSetup8to8(uint8_t *pix, int w, int h, int tableonly) {
    REDUCEPAL *rp = reduce_pal;
    if (!rp || !rp->red || !rp->green || !rp->blue || !rp->pxl || !rp->find) return nullptr;
    for (int i = 0; i < MCUT_CELLS; i++) {
        long p = rp->find(rp->red[i], rp->green[i], rp->blue[i]);
        if (p < 0) p = rp->find(0, 0, 0);
        rp->pxl[i] = p < 0 ? 0 : static_cast<unsigned long>(p);
    }
    if (tableonly == 1) return pix;
    long n = FileBufferSize(w, h, 1, 1);
    if (!pix || n < 0) return nullptr;
    for (long i = 0; i < n; i++)
        pix[i] = static_cast<uint8_t>(rp->pxl[pix[i]]);
    return pix;
}
