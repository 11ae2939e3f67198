#include "dicom/io_j2k.h"

#include "base/xmem.h"
#include "ljpeg/decomp.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include <openjpeg.h>

static uint32_t Be32(const uint8_t *p) {
    return uint32_t(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3];
}

// The codestream of a JP2 file: the jp2c box among the top-level boxes.
static bool J2kBoxCodestream(const uint8_t *data, size_t len, size_t *at, size_t *n) {
    size_t pos = 0;
    while (pos + 8 <= len) {
        uint64_t box = Be32(data + pos);
        size_t head = 8;
        if (box == 1) {
            if (pos + 16 > len) return false;
            box = uint64_t(Be32(data + pos + 8)) << 32 | Be32(data + pos + 12);
            head = 16;
        } else if (box == 0) {
            box = len - pos;
        }
        if (box < head || box > len - pos) box = len - pos; // a cut file keeps what is there
        if (!memcmp(data + pos + 4, "jp2c", 4)) {
            *at = pos + head;
            *n = size_t(box) - head;
            return true;
        }
        pos += size_t(box);
    }
    return false;
}

bool DicomJ2kHeader(const uint8_t *data, size_t len, DICOMJ2KHEAD *head) {
    if (!data || !head) return false;
    memset(head, 0, sizeof *head);
    static const uint8_t jp2sig[] = {0, 0, 0, 12, 'j', 'P', ' ', ' ', 13, 10, 0x87, 10};
    if (len >= sizeof jp2sig && !memcmp(data, jp2sig, sizeof jp2sig)) {
        size_t at, n;
        if (!J2kBoxCodestream(data, len, &at, &n)) return false;
        data += at;
        len = n;
        head->jp2 = true;
    }
    // SOC, then SIZ at once.
    if (len < 4 + 38 + 3 || data[0] != 0xFF || data[1] != 0x4F || data[2] != 0xFF ||
        data[3] != 0x51)
        return false;
    const uint8_t *v = data + 4;
    const size_t lsiz = size_t(v[0] << 8 | v[1]);
    const int comps = v[36] << 8 | v[37];
    if (comps < 1 || lsiz != 38 + 3 * size_t(comps) || 4 + lsiz > len) return false;
    const uint32_t xs = Be32(v + 4), ys = Be32(v + 8), xo = Be32(v + 12), yo = Be32(v + 16);
    const uint32_t xt = Be32(v + 20), yt = Be32(v + 24), xto = Be32(v + 28), yto = Be32(v + 32);
    if (xo >= xs || yo >= ys || xt == 0 || yt == 0 || xto > xo || yto > yo) return false;
    if (uint64_t(xto) + xt <= xo || uint64_t(yto) + yt <= yo) return false;
    head->w = long(xs - xo);
    head->h = long(ys - yo);
    head->comps = comps;
    head->tiles = long((uint64_t(xs - xto) + xt - 1) / xt * ((uint64_t(ys - yto) + yt - 1) / yt));
    head->prec = (v[38] & 0x7F) + 1;
    head->sign = v[38] >> 7;
    head->full = true;
    for (int c = 0; c < comps; c++)
        head->full = head->full && v[39 + 3 * c] == 1 && v[40 + 3 * c] == 1;
    return true;
}

// OpenJPEG allocates a tile-part's declared length (Psot) before it reads it, whatever the stream
// holds. A tile-part that claims more than what is left becomes the last one (Psot 0: to the
// end), in a copy. Coded data never holds FF 90 (bit stuffing keeps a byte after FF below 90),
// so every SOT is found by its bytes, even behind segments OpenJPEG skips.
static const uint8_t *J2kTilePartsFit(const uint8_t *data, size_t len, std::vector<uint8_t> *copy) {
    const uint8_t *d = data;
    for (size_t pos = 0; pos + 12 <= len; pos++) {
        if (d[pos] != 0xFF || d[pos + 1] != 0x90 || d[pos + 2] != 0 || d[pos + 3] != 10) continue;
        if (Be32(d + pos + 6) <= len - pos) continue;
        if (d == data) {
            try {
                copy->assign(data, data + len);
            } catch (const std::bad_alloc &) {
                return nullptr;
            }
            d = copy->data();
        }
        memset(copy->data() + pos + 6, 0, 4);
    }
    return d;
}

/* ---- OpenJPEG over a block of memory ---- */

enum : size_t { J2K_STREAM_WINDOW = size_t(64) << 10, J2K_TAKE_PART = 16384 };

struct J2KSRC {
    const uint8_t *data;
    size_t len, pos;
    void (*drop)(void *ctx, const uint8_t *from, const uint8_t *to);
    void *dropctx;
};

static OPJ_SIZE_T J2kRead(void *buf, OPJ_SIZE_T n, void *user) {
    J2KSRC *s = static_cast<J2KSRC *>(user);
    if (s->pos >= s->len) return OPJ_SIZE_T(-1);
    const size_t k = std::min<size_t>(n, s->len - s->pos);
    memcpy(buf, s->data + s->pos, k);
    s->pos += k;
    if (s->drop) s->drop(s->dropctx, s->data, s->data + s->pos);
    return k;
}

static OPJ_OFF_T J2kSkip(OPJ_OFF_T n, void *user) {
    J2KSRC *s = static_cast<J2KSRC *>(user);
    const OPJ_OFF_T to = std::clamp<OPJ_OFF_T>(OPJ_OFF_T(s->pos) + n, 0, OPJ_OFF_T(s->len));
    const OPJ_OFF_T done = to - OPJ_OFF_T(s->pos);
    s->pos = size_t(to);
    return done;
}

static OPJ_BOOL J2kSeek(OPJ_OFF_T n, void *user) {
    J2KSRC *s = static_cast<J2KSRC *>(user);
    if (n < 0 || n > OPJ_OFF_T(s->len)) return OPJ_FALSE;
    s->pos = size_t(n);
    return OPJ_TRUE;
}

// What the library said during one call.
struct J2KLOG {
    std::string error;
    int warnings;
};

static void J2kError(const char *msg, void *user) {
    J2KLOG *log = static_cast<J2KLOG *>(user);
    if (log->error.empty()) {
        log->error = msg;
        while (!log->error.empty() && log->error.back() == '\n')
            log->error.pop_back();
    }
}

static void J2kWarning(const char *, void *user) {
    static_cast<J2KLOG *>(user)->warnings++;
}

static void J2kQuiet(const char *, void *) {}

// The codec, stream and image of one frame, released together.
struct J2KCALL {
    opj_codec_t *codec = nullptr;
    opj_stream_t *stream = nullptr;
    opj_image_t *image = nullptr;
    J2KCALL() = default;
    J2KCALL(const J2KCALL &) = delete;
    J2KCALL &operator=(const J2KCALL &) = delete;
    ~J2KCALL() {
        if (image) opj_image_destroy(image);
        if (stream) opj_stream_destroy(stream);
        if (codec) opj_destroy_codec(codec);
    }
};

static int J2kFail(const J2KLOG &log, const char *what) {
    LjpegWarn("JPEG 2000 frame: %s", log.error.empty() ? what : log.error.c_str());
    return FILE_ERROR_DATA;
}

// The checks that must pass before OpenJPEG sizes anything from the codestream.
static bool J2kHeaderFits(const DICOMJ2KHEAD &h, const DICOMLAYOUT *lay) {
    if (h.w != lay->w || h.h != lay->h || h.comps != lay->samples) {
        LjpegWarn("JPEG 2000 frame of %ldx%ldx%d in an image of %dx%dx%d", h.w, h.h, h.comps,
                  lay->w, lay->h, lay->samples);
        return false;
    }
    if (!h.full) {
        LjpegWarn("JPEG 2000 frame with subsampled components");
        return false;
    }
    if (h.prec > 16) {
        LjpegWarn("JPEG 2000 frame with %d bits a sample", h.prec);
        return false;
    }
    if (h.tiles > DICOM_J2K_TILES) {
        LjpegWarn("JPEG 2000 frame of %ld tiles, more than %d", h.tiles, int(DICOM_J2K_TILES));
        return false;
    }
    return true;
}

int DicomJ2kFrame(const uint8_t *data, size_t len, const DICOMLAYOUT *lay, DICOMSAMPLES *s, int f,
                  uint8_t *out, int *sign, int threads,
                  void (*drop)(void *ctx, const uint8_t *from, const uint8_t *to), void *dropctx) {
    if (sign) *sign = -1;
    if (!data || !lay || !s) return WIN_ERROR_ARG;
    DICOMJ2KHEAD head;
    if (!DicomJ2kHeader(data, len, &head)) {
        LjpegWarn("JPEG 2000 frame without a size header (SIZ)");
        return FILE_ERROR_DATA;
    }
    if (!J2kHeaderFits(head, lay)) return FILE_ERROR_DATA;

    std::vector<uint8_t> fixed;
    const uint8_t *given = data;
    data = J2kTilePartsFit(data, len, &fixed);
    // A mended copy is the decoder's own: nothing of it leaves memory.
    if (data != given) drop = nullptr;
    if (!data) return WIN_ERROR_MEMORY;
    J2KCALL call;
    J2KLOG log{std::string(), 0};
    J2KSRC src{data, len, 0, drop, dropctx};
    call.codec = opj_create_decompress(head.jp2 ? OPJ_CODEC_JP2 : OPJ_CODEC_J2K);
    // The library copies what it reads into its own tile buffers: a small window is enough.
    call.stream = opj_stream_create(std::clamp<size_t>(len, 4096, J2K_STREAM_WINDOW), 1);
    if (!call.codec || !call.stream) return WIN_ERROR_MEMORY;
    opj_set_error_handler(call.codec, J2kError, &log);
    opj_set_warning_handler(call.codec, J2kWarning, &log);
    opj_set_info_handler(call.codec, J2kQuiet, nullptr);
    opj_stream_set_user_data(call.stream, &src, nullptr);
    opj_stream_set_user_data_length(call.stream, len);
    opj_stream_set_read_function(call.stream, J2kRead);
    opj_stream_set_skip_function(call.stream, J2kSkip);
    opj_stream_set_seek_function(call.stream, J2kSeek);
    opj_dparameters_t par;
    opj_set_default_decoder_parameters(&par);
    if (!opj_setup_decoder(call.codec, &par)) return J2kFail(log, "decoder set-up failed");
    // A cut codestream gives what it holds instead of nothing.
    opj_decoder_set_strict_mode(call.codec, OPJ_FALSE);
    if (threads > 1) opj_codec_set_threads(call.codec, threads);
    if (!opj_read_header(call.stream, call.codec, &call.image) || !call.image)
        return J2kFail(log, "unreadable main header");
    opj_image_t *img = call.image;
    if (img->numcomps != unsigned(lay->samples) || long(img->x1 - img->x0) != lay->w ||
        long(img->y1 - img->y0) != lay->h)
        return J2kFail(log, "main header disagrees with the size header");
    bool mct = false;
    if (opj_codestream_info_v2_t *info = opj_get_cstr_info(call.codec)) {
        mct = info->m_default_tile_info.mct != 0;
        opj_destroy_cstr_info(&info);
    }
    const bool decoded = opj_decode(call.codec, call.stream, img) != 0;
    const bool ended = decoded && opj_end_decompress(call.codec, call.stream) != 0;
    // The codec's tile and code-block memory goes before the samples are taken over.
    opj_destroy_codec(call.codec);
    call.codec = nullptr;
    opj_stream_destroy(call.stream);
    call.stream = nullptr;
    for (unsigned c = 0; c < img->numcomps; c++) {
        const opj_image_comp_t &ic = img->comps[c];
        if (!ic.data || ic.w != unsigned(lay->w) || ic.h != unsigned(lay->h) || ic.prec < 1 ||
            ic.prec > 16)
            return J2kFail(log, decoded ? "decoded components do not fit the image"
                                        : "nothing could be decoded");
    }
    const size_t pixels = size_t(lay->pixels);
    if (lay->samples == 1) {
        const opj_image_comp_t &ic = img->comps[0];
        if (sign) *sign = ic.sgnd ? 1 : 0;
        const uint32_t mask = s->bits >= 32 ? 0xFFFFFFFFu : (1u << s->bits) - 1;
        const OPJ_INT32 *d = ic.data;
        // A part at a time; the library's samples taken over leave memory, so the frame is not
        // held twice at the decoding's peak. Nothing reads them again before they are freed.
        for (size_t at = 0; at < pixels; at += J2K_TAKE_PART) {
            const size_t end = std::min(pixels, at + J2K_TAKE_PART);
            if (!s->s16.empty()) {
                uint16_t *o = s->s16.data() + size_t(f) * pixels;
                for (size_t i = at; i < end; i++)
                    o[i] = uint16_t(uint32_t(d[i]) & mask);
            } else {
                uint32_t *o = s->s32.data() + size_t(f) * pixels;
                for (size_t i = at; i < end; i++)
                    o[i] = uint32_t(d[i]) & mask;
            }
            MemPagesDrop(d + at, d + end);
        }
        s->valid[size_t(f)] = long(pixels);
    } else {
        for (int c = 0; c < 3; c++) {
            const opj_image_comp_t &ic = img->comps[c];
            const int prec = int(ic.prec);
            const int down = std::max(std::min(prec, lay->bits) - 8, 0);
            const int bias = ic.sgnd ? 1 << (prec - 1) : 0;
            const OPJ_INT32 *d = ic.data;
            for (size_t i = 0; i < pixels; i++)
                out[3 * i + size_t(c)] = uint8_t(std::clamp((d[i] + bias) >> down, 0, 255));
        }
        // Without a component transform in the codestream, YBR_FULL samples are still YCbCr.
        if ((lay->pi == DICOM_PI_YBR_FULL && !mct) || img->color_space == OPJ_CLRSPC_SYCC)
            DicomYbrToRgb(out, long(pixels));
    }
    if (!ended || log.warnings) {
        LjpegWarn("JPEG 2000 frame: %s",
                  log.error.empty() ? "codestream cut or damaged" : log.error.c_str());
        return FILE_QUIET;
    }
    return FILE_SUCCES;
}
