#include "dicom/io_jpeg12.h"

#include "image/io_jpg12.h"
#include "ljpeg/decomp.h"

#include <algorithm>
#include <new>
#include <string>
#include <vector>

int DicomJpeg12Frame(const uint8_t *data, size_t len, const DICOMLAYOUT *lay, DICOMSAMPLES *s,
                     int f, uint8_t *out) {
    if (!data || !lay || !s) return WIN_ERROR_ARG;
    int w, h, comps;
    if (Jpg12Header(data, len, &w, &h, &comps) != FILE_SUCCES) {
        LjpegWarn("12-bit JPEG frame without a readable header");
        return FILE_ERROR_DATA;
    }
    if (w != lay->w || h != lay->h || comps != lay->samples) {
        LjpegWarn("12-bit JPEG frame of %dx%dx%d in an image of %dx%dx%d", w, h, comps, lay->w,
                  lay->h, lay->samples);
        return FILE_ERROR_DATA;
    }
    const size_t pixels = size_t(lay->pixels);
    std::vector<uint16_t> tmp;
    uint16_t *dst;
    const bool direct = lay->samples == 1 && !s->s16.empty();
    if (direct) {
        dst = s->s16.data() + size_t(f) * pixels;
    } else {
        try {
            tmp.resize(pixels * size_t(lay->samples));
        } catch (const std::bad_alloc &) {
            return WIN_ERROR_MEMORY;
        }
        dst = tmp.data();
    }
    long rows = 0;
    int rc = Jpg12Decode(data, len, lay->w, lay->h, lay->samples, lay->pi == DICOM_PI_RGB, dst,
                         &rows, nullptr);
    if (rc < 0) LjpegWarn("12-bit JPEG frame undecodable");
    if (rc == FILE_QUIET) LjpegWarn("12-bit JPEG frame damaged or cut after %ld rows", rows);
    if (rc < 0) return rc;
    const long n = std::min<long>(rows, lay->h) * lay->w;
    if (lay->samples == 3) {
        const int down = std::max(std::min(lay->bits, 12) - 8, 0);
        for (long i = 0; i < 3 * n; i++)
            out[i] = uint8_t(std::min(dst[i] >> down, 255));
        return rc;
    }
    const uint32_t mask = s->bits >= 32 ? 0xFFFFFFFFu : (1u << s->bits) - 1;
    if (direct) {
        for (long i = 0; i < n; i++)
            dst[i] = uint16_t(dst[i] & mask);
    } else {
        uint32_t *o = s->s32.data() + size_t(f) * pixels;
        for (long i = 0; i < n; i++)
            o[i] = dst[i] & mask;
    }
    s->valid[size_t(f)] = n;
    return rc;
}
