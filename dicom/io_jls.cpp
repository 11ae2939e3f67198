#include "dicom/io_jls.h"

#include "ljpeg/decomp.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include <charls/charls.h>

enum { JLS_SOF55 = 0xF7, JLS_SOS = 0xDA, JLS_SOI = 0xD8 };

bool DicomJlsHeader(const uint8_t *data, size_t len, DICOMJLSHEAD *head) {
    if (!data || !head || len < 4 || data[0] != 0xFF || data[1] != JLS_SOI) return false;
    size_t pos = 2;
    while (pos + 4 <= len) {
        if (data[pos] != 0xFF) return false;
        const int marker = data[pos + 1];
        if (marker == 0xFF) { // fill byte
            pos++;
            continue;
        }
        const size_t n = size_t(data[pos + 2] << 8 | data[pos + 3]);
        if (n < 2 || pos + 2 + n > len) return false;
        const uint8_t *v = data + pos + 4;
        if (marker == JLS_SOF55) {
            if (n < 8) return false;
            head->bits = v[0];
            head->h = v[1] << 8 | v[2];
            head->w = v[3] << 8 | v[4];
            head->comps = v[5];
            return true;
        }
        if (marker == JLS_SOS) return false;
        pos += 2 + n;
    }
    return false;
}

// EOI, perhaps followed by a padding byte (zero, or the FF of an extended EOI before it).
static bool JlsEndsWithEoi(const uint8_t *d, size_t n) {
    while (n > 2 && d[n - 1] == 0)
        n--;
    return n >= 2 && d[n - 2] == 0xFF && d[n - 1] == 0xD9;
}

struct JLSDECODER {
    void operator()(charls_jpegls_decoder *d) const { charls_jpegls_decoder_destroy(d); }
};

static uint32_t JlsMask(int bits) {
    return bits >= 32 ? 0xFFFFFFFFu : (1u << bits) - 1;
}

// Interleaved or planar samples of `bytes` each into 8-bit R, G, B.
static void JlsToRgb(const uint8_t *src, long pixels, int bytes, bool planar, int down,
                     uint8_t *out) {
    for (long i = 0; i < pixels; i++)
        for (int c = 0; c < 3; c++) {
            const long k = planar ? c * pixels + i : 3 * i + c;
            const unsigned v = bytes == 2 ? reinterpret_cast<const uint16_t *>(src)[k] : src[k];
            out[3 * i + c] = uint8_t(std::min(v >> down, 255u));
        }
}

int DicomJlsFrame(const uint8_t *data, size_t len, const DICOMLAYOUT *lay, DICOMSAMPLES *s, int f,
                  uint8_t *out) {
    if (!data || !lay || !s) return WIN_ERROR_ARG;
    // Our own look at the frame header first: CharLS would size its work from it.
    DICOMJLSHEAD head;
    if (!DicomJlsHeader(data, len, &head)) {
        LjpegWarn("JPEG-LS frame without a frame header (SOF55)");
        return FILE_ERROR_DATA;
    }
    if (head.w != lay->w || head.h != lay->h || head.comps != lay->samples) {
        LjpegWarn("JPEG-LS frame of %dx%dx%d in an image of %dx%dx%d", head.w, head.h, head.comps,
                  lay->w, lay->h, lay->samples);
        return FILE_ERROR_DATA;
    }
    if (head.bits < 2 || head.bits > 16) {
        LjpegWarn("JPEG-LS frame with %d bits a sample", head.bits);
        return FILE_ERROR_DATA;
    }
    // A stream cut before its end marker sends CharLS on a long walk: refuse it at once.
    if (!JlsEndsWithEoi(data, len)) {
        LjpegWarn("JPEG-LS frame cut (no end marker)");
        return FILE_ERROR_DATA;
    }
    std::unique_ptr<charls_jpegls_decoder, JLSDECODER> dec(charls_jpegls_decoder_create());
    if (!dec) return WIN_ERROR_MEMORY;
    charls_jpegls_errc e = charls_jpegls_decoder_set_source_buffer(dec.get(), data, len);
    if (e == charls_jpegls_errc::success) e = charls_jpegls_decoder_read_header(dec.get());
    charls_frame_info fi{};
    if (e == charls_jpegls_errc::success) e = charls_jpegls_decoder_get_frame_info(dec.get(), &fi);
    charls_interleave_mode ilv = charls_interleave_mode::none;
    if (e == charls_jpegls_errc::success)
        e = charls_jpegls_decoder_get_interleave_mode(dec.get(), &ilv);
    if (e != charls_jpegls_errc::success) {
        LjpegWarn("JPEG-LS frame: %s", charls_get_error_message(e));
        return FILE_ERROR_DATA;
    }
    if (int(fi.width) != lay->w || int(fi.height) != lay->h || fi.component_count != lay->samples ||
        fi.bits_per_sample != head.bits) {
        LjpegWarn("JPEG-LS frame header disagrees with itself");
        return FILE_ERROR_DATA;
    }
    const int bytes = fi.bits_per_sample > 8 ? 2 : 1;
    const size_t pixels = size_t(lay->pixels);
    const size_t need = pixels * size_t(lay->samples) * size_t(bytes);
    // A 16-bit one-sample frame decodes straight into the store.
    const bool direct = lay->samples == 1 && bytes == 2 && !s->s16.empty();
    std::vector<uint8_t> tmp;
    uint8_t *dst;
    if (direct) {
        dst = reinterpret_cast<uint8_t *>(s->s16.data() + size_t(f) * pixels);
    } else {
        try {
            tmp.resize(need);
        } catch (const std::bad_alloc &) {
            return WIN_ERROR_MEMORY;
        }
        dst = tmp.data();
    }
    e = charls_jpegls_decoder_decode_to_buffer(dec.get(), dst, need, 0);
    if (e != charls_jpegls_errc::success) {
        LjpegWarn("JPEG-LS frame: %s", charls_get_error_message(e));
        if (direct) memset(dst, 0, need);
        return FILE_ERROR_DATA;
    }
    if (lay->samples == 3) {
        const int down = std::max(std::min(fi.bits_per_sample, lay->bits) - 8, 0);
        JlsToRgb(dst, long(pixels), bytes, ilv == charls_interleave_mode::none, down, out);
        if (lay->pi == DICOM_PI_YBR_FULL) DicomYbrToRgb(out, long(pixels));
        return FILE_SUCCES;
    }
    const uint32_t mask = JlsMask(s->bits);
    if (!s->s16.empty()) {
        uint16_t *o = s->s16.data() + size_t(f) * pixels;
        if (direct) {
            if (fi.bits_per_sample > s->bits)
                for (size_t i = 0; i < pixels; i++)
                    o[i] = uint16_t(o[i] & mask);
        } else {
            for (size_t i = 0; i < pixels; i++)
                o[i] = uint16_t(tmp[i] & mask);
        }
    } else {
        uint32_t *o = s->s32.data() + size_t(f) * pixels;
        for (size_t i = 0; i < pixels; i++)
            o[i] = (bytes == 2 ? reinterpret_cast<const uint16_t *>(dst)[i] : dst[i]) & mask;
    }
    s->valid[size_t(f)] = long(pixels);
    return FILE_SUCCES;
}
