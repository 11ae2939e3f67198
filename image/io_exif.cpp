// Exif orientation.
#include "image/io_exif.h"

#include "image/io_levels.h"

#include "base/xmem.h"

#include <cstring>

// Each orientation as the matrix that takes a stored point to its displayed place, in
// coordinates centred on the picture with y pointing down: {a, b, c, d} maps (x, y) to
// (a x + b y, c x + d y).
static const int orient_matrix[9][4] = {
    {1, 0, 0, 1},   // (unused)
    {1, 0, 0, 1},   // 1 as stored
    {-1, 0, 0, 1},  // 2 mirrored left to right
    {-1, 0, 0, -1}, // 3 turned 180 degrees
    {1, 0, 0, -1},  // 4 mirrored top to bottom
    {0, 1, 1, 0},   // 5 transposed
    {0, -1, 1, 0},  // 6 turned clockwise
    {0, -1, -1, 0}, // 7 transverse
    {0, 1, -1, 0},  // 8 turned counter-clockwise
};

static int OrientValid(int v) {
    return v >= 1 && v <= 8 ? v : EXIF_ORIENT_NORMAL;
}

int ExifOrientationCompose(int first, int then) {
    const int *f = orient_matrix[OrientValid(first)], *t = orient_matrix[OrientValid(then)];
    int m[4] = {t[0] * f[0] + t[1] * f[2], t[0] * f[1] + t[1] * f[3], t[2] * f[0] + t[3] * f[2],
                t[2] * f[1] + t[3] * f[3]};
    for (int v = 1; v <= 8; v++)
        if (!memcmp(m, orient_matrix[v], sizeof m)) return v;
    return EXIF_ORIENT_NORMAL;
}

// ---- reading

static unsigned Get16(const uint8_t *p, bool big) {
    return big ? static_cast<unsigned>(p[0] << 8 | p[1]) : static_cast<unsigned>(p[1] << 8 | p[0]);
}

static uint32_t Get32(const uint8_t *p, bool big) {
    return big ? static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 |
                     static_cast<uint32_t>(p[2]) << 8 | p[3]
               : static_cast<uint32_t>(p[3]) << 24 | static_cast<uint32_t>(p[2]) << 16 |
                     static_cast<uint32_t>(p[1]) << 8 | p[0];
}

// The offset within `payload` of the orientation entry's value (two bytes), or 0.
static size_t OrientEntry(const uint8_t *payload, size_t len, bool *big) {
    if (!payload || len < 6 + 8 || memcmp(payload, "Exif\0\0", 6) != 0) return 0;
    const uint8_t *tiff = payload + 6;
    size_t tlen = len - 6;
    if (!memcmp(tiff, "II*\0", 4))
        *big = false;
    else if (!memcmp(tiff, "MM\0*", 4))
        *big = true;
    else
        return 0;
    uint32_t ifd = Get32(tiff + 4, *big);
    if (ifd < 8 || ifd > tlen - 2) return 0;
    unsigned count = Get16(tiff + ifd, *big);
    for (unsigned i = 0; i < count; i++) {
        size_t e = ifd + 2 + static_cast<size_t>(i) * 12;
        if (e + 12 > tlen) return 0;
        if (Get16(tiff + e, *big) != 0x0112) continue;
        // SHORT, one value, held in the entry itself.
        if (Get16(tiff + e + 2, *big) != 3 || Get32(tiff + e + 4, *big) != 1) return 0;
        return 6 + e + 8;
    }
    return 0;
}

int ExifOrientationFromApp1(const uint8_t *payload, size_t len) {
    bool big = false;
    size_t at = OrientEntry(payload, len, &big);
    if (!at) return EXIF_ORIENT_NORMAL;
    unsigned v = Get16(payload + at, big);
    return v >= 1 && v <= 8 ? static_cast<int>(v) : EXIF_ORIENT_NORMAL;
}

bool ExifOrientationSet(uint8_t *payload, size_t len, int value) {
    bool big = false;
    size_t at = OrientEntry(payload, len, &big);
    if (!at || value < 1 || value > 8) return false;
    payload[at] = static_cast<uint8_t>(big ? 0 : value);
    payload[at + 1] = static_cast<uint8_t>(big ? value : 0);
    return true;
}

int ExifOrientationFromJpeg(const uint8_t *data, size_t len) {
    if (!data || len < 4 || data[0] != 0xFF || data[1] != 0xD8) return EXIF_ORIENT_NORMAL;
    size_t p = 2;
    while (p + 4 <= len) {
        if (data[p] != 0xFF) return EXIF_ORIENT_NORMAL;
        uint8_t code = data[p + 1];
        if (code == 0xFF) { // fill byte
            p++;
            continue;
        }
        if (code == 0xDA || code == 0xD9) break; // the scan or the end: no more headers
        size_t seg = static_cast<size_t>(data[p + 2] << 8 | data[p + 3]);
        if (seg < 2 || p + 2 + seg > len) break;
        if (code == 0xE1 && seg - 2 >= 6 && !memcmp(data + p + 4, "Exif\0\0", 6))
            return ExifOrientationFromApp1(data + p + 4, seg - 2);
        p += 2 + seg;
    }
    return EXIF_ORIENT_NORMAL;
}

// ---- turning

void ImageOrientPoint(int value, long w, long h, long X, long Y, long *sx, long *sy) {
    const int *m = orient_matrix[OrientValid(value)];
    const bool swap = m[0] == 0;
    const long dw = swap ? h : w, dh = swap ? w : h;
    // A displayed point comes from the stored point the inverse (transposed) matrix gives.
    long cx = 2 * X + 1 - dw, cy = 2 * Y + 1 - dh;
    *sx = (m[0] * cx + m[2] * cy + w - 1) / 2;
    *sy = (m[1] * cx + m[3] * cy + h - 1) / 2;
}

int ImageOrient(FILEINFO *fi, int value) {
    value = OrientValid(value);
    if (!fi || !fi->fbuf || value == EXIF_ORIENT_NORMAL || fi->w <= 0 || fi->h <= 0)
        return FILE_SUCCES;
    ImageLevelsDrop(fi);
    const int *m = orient_matrix[value];
    const long w = fi->w, h = fi->h;
    const bool swap = m[0] == 0;
    const long dw = swap ? h : w, dh = swap ? w : h;
    const int bpp = fi->bit == 24 ? 3 : 1;
    const int frames = fi->frames > 0 ? fi->frames : 1;
    const size_t frame = static_cast<size_t>(w) * static_cast<size_t>(h) * bpp;
    auto *out = static_cast<uint8_t *>(MemCreate(frame * frames, "image orient"));
    if (!out) return WIN_ERROR_MEMORY;
    // In whole pixels: stored = origin + X * stepx + Y * stepy.
    auto stored = [&](long X, long Y, long *sx, long *sy) {
        ImageOrientPoint(value, w, h, X, Y, sx, sy);
    };
    long x0, y0, x1, y1, x2, y2;
    stored(0, 0, &x0, &y0);
    stored(1, 0, &x1, &y1);
    stored(0, 1, &x2, &y2);
    const long origin = y0 * w + x0, stepx = (y1 - y0) * w + (x1 - x0),
               stepy = (y2 - y0) * w + (x2 - x0);
    for (int f = 0; f < frames; f++) {
        const uint8_t *src = fi->fbuf + frame * f;
        uint8_t *dst = out + frame * f;
        for (long Y = 0; Y < dh; Y++) {
            long s = origin + Y * stepy;
            uint8_t *row = dst + static_cast<size_t>(Y) * dw * bpp;
            if (bpp == 1) {
                for (long X = 0; X < dw; X++, s += stepx)
                    row[X] = src[s];
            } else {
                for (long X = 0; X < dw; X++, s += stepx)
                    memcpy(row + X * 3, src + s * 3, 3);
            }
        }
    }
    MemFree(fi->fbuf, "image orient");
    fi->fbuf = out;
    fi->w = static_cast<int>(dw);
    fi->h = static_cast<int>(dh);
    return FILE_SUCCES;
}

int ImageTurn(FILEINFO *fi, int value) {
    if (!fi || !fi->fbuf) return WIN_ERROR_ARG;
    value = OrientValid(value);
    int rc = ImageOrient(fi, value);
    if (rc != FILE_SUCCES) return rc;
    fi->turn = ExifOrientationCompose(fi->turn, value);
    fi->changed = 1;
    ImageMarkersUpright(fi);
    return FILE_SUCCES;
}

void ImageMarkersUpright(FILEINFO *fi) {
    for (long p = 0; fi && fi->markers && p + 3 <= fi->markerlen;) {
        long n = (fi->markers[p + 1] << 8) | fi->markers[p + 2];
        if (p + 3 + n > fi->markerlen) break;
        if (fi->markers[p] == 0xE1)
            ExifOrientationSet(fi->markers + p + 3, static_cast<size_t>(n), EXIF_ORIENT_NORMAL);
        p += 3 + n;
    }
}
