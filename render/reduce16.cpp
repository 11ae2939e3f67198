#include "render/reduce16.h"

#include "render/reduce8a.h"

int Rshift = 0, Gshift = 0, Bshift = 0;

int GetPosHighBit(unsigned long word) {
    word &= 0xFFFFFFFFul;
    if (!word) return -1;
    return 63 - __builtin_clzl(word);
}

void Setup16ShiftMasks(unsigned long red_mask, unsigned long green_mask, unsigned long blue_mask) {
    Rshift = 7 - GetPosHighBit(red_mask);
    Gshift = 7 - GetPosHighBit(green_mask);
    Bshift = 7 - GetPosHighBit(blue_mask);
}

// The three 8-bit component tables of the indices: the record's own maps when it has all
// three, else the shared palette tables.
static bool WideComponents(const FILEINFO *fi, uint8_t comp[3][256]) {
    const uint16_t *maps[3] = {fi->rmap, fi->gmap, fi->bmap};
    if (maps[0] && maps[1] && maps[2]) {
        for (int c = 0; c < 3; c++)
            for (int i = 0; i < 256; i++)
                comp[c][i] = static_cast<uint8_t>(maps[c][i]);
        return true;
    }
    if (!reduce_pal || !reduce_pal->red || !reduce_pal->green || !reduce_pal->blue) return false;
    const int *tables[3] = {reduce_pal->red, reduce_pal->green, reduce_pal->blue};
    for (int c = 0; c < 3; c++)
        for (int i = 0; i < 256; i++)
            comp[c][i] = static_cast<uint8_t>(tables[c][i] >> 8);
    return true;
}

static int WideCheck(const uint8_t *pix, const FILEINFO *fi) {
    if (!pix || !fi || fi->w < 1 || fi->h < 1) return -15;
    if (!fi->ximage || !fi->ximage->data) return -24;
    return 0;
}

static unsigned long WideShift(unsigned c, int shift, unsigned long mask) {
    return (shift >= 0 ? c >> shift : static_cast<unsigned long>(c) << -shift) & mask;
}

int Wide8to16(const uint8_t *pix, FILEINFO *fi) {
    int rc = WideCheck(pix, fi);
    if (rc) return rc;
    uint8_t comp[3][256];
    if (!WideComponents(fi, comp)) return -24;
    XImage *im = fi->ximage;
    uint16_t lut[256];
    for (int i = 0; i < 256; i++)
        lut[i] = static_cast<uint16_t>(WideShift(comp[0][i], Rshift, im->red_mask) |
                                       WideShift(comp[1][i], Gshift, im->green_mask) |
                                       WideShift(comp[2][i], Bshift, im->blue_mask));
    bool msb = im->byte_order == MSBFirst;
    int w = fi->w < im->width ? fi->w : im->width;
    int h = fi->h < im->height ? fi->h : im->height;
    for (int y = 0; y < h; y++) {
        const uint8_t *src = pix + static_cast<size_t>(y) * fi->w;
        auto *out =
            reinterpret_cast<uint8_t *>(im->data) + static_cast<size_t>(y) * im->bytes_per_line;
        for (int x = 0; x < w; x++, out += 2) {
            uint16_t p = lut[src[x]];
            out[msb ? 1 : 0] = static_cast<uint8_t>(p);
            out[msb ? 0 : 1] = static_cast<uint8_t>(p >> 8);
        }
    }
    return 0;
}

int Wide8to32(const uint8_t *pix, FILEINFO *fi) {
    int rc = WideCheck(pix, fi);
    if (rc) return rc;
    uint8_t comp[3][256];
    if (!WideComponents(fi, comp)) return -24;
    XImage *im = fi->ximage;
    bool msb = im->byte_order == MSBFirst;
    int step = im->bits_per_pixel == 32 ? 4 : 3;
    int w = fi->w < im->width ? fi->w : im->width;
    int h = fi->h < im->height ? fi->h : im->height;
    for (int y = 0; y < h; y++) {
        const uint8_t *src = pix + static_cast<size_t>(y) * fi->w;
        auto *out =
            reinterpret_cast<uint8_t *>(im->data) + static_cast<size_t>(y) * im->bytes_per_line;
        for (int x = 0; x < w; x++, out += step) {
            uint8_t r = comp[0][src[x]], g = comp[1][src[x]], b = comp[2][src[x]];
            out[0] = msb ? r : b;
            out[1] = g;
            out[2] = msb ? b : r;
            if (step == 4) out[3] = 0;
        }
    }
    return 0;
}
