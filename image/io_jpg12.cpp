#include "image/io_jpg12.h"

#include "base/xmem.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <vector>

// clang-format off
extern "C" {
#include <gdcmjpeg/12/jpeglib.h>
#include <gdcmjpeg/12/jerror.h>
}
// clang-format on

enum { JPG12_PIXELS_PER_BYTE = 1024 };

int Jpg12Precision(const uint8_t *data, size_t len) {
    if (!data || len < 4 || data[0] != 0xFF || data[1] != 0xD8) return 0;
    size_t pos = 2;
    while (pos + 4 < len) {
        if (data[pos] != 0xFF) return 0;
        const int m = data[pos + 1];
        if (m == 0xFF) {
            pos++;
            continue;
        }
        if (m >= 0xD0 && m <= 0xD9) return 0;
        if (m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC)
            return pos + 4 < len ? data[pos + 4] : 0;
        pos += 2 + size_t(data[pos + 2] << 8 | data[pos + 3]);
    }
    return 0;
}

// The marker structure the 12-bit build trusts: it indexes its components by a scan's selectors
// without the checks later libraries added, and crashed on a scan naming one component twice
// (found by the fuzzer). Frame components distinct with sampling factors 1 to 4; every scan's
// selectors distinct and known to the frame.
static bool Jpg12MarkersSane(const uint8_t *d, size_t len) {
    int ids[4], nids = -1;
    size_t pos = 2;
    while (pos + 4 <= len) {
        if (d[pos] != 0xFF) {
            pos++; // entropy-coded data up to the next marker
            continue;
        }
        const int m = d[pos + 1];
        if (m == 0xFF || m == 0x00 || (m >= 0xD0 && m <= 0xD7)) {
            pos += m == 0xFF ? 1 : 2;
            continue;
        }
        if (m == 0xD9) break;
        const size_t n = size_t(d[pos + 2] << 8 | d[pos + 3]);
        if (n < 2) { // the library skips nothing and reads on from after the length: so do we
            pos += 4;
            continue;
        }
        if (pos + 2 + n > len) break; // cut: the library stops there with a warning
        const uint8_t *v = d + pos + 4;
        if (m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC) {
            if (nids >= 0 || n < 8) return false;
            nids = v[5];
            if (nids < 1 || nids > 4 || n != 8 + 3 * size_t(nids)) return false;
            for (int i = 0; i < nids; i++) {
                ids[i] = v[6 + 3 * i];
                const int hs = v[7 + 3 * i] >> 4, vs = v[7 + 3 * i] & 15;
                if (hs < 1 || hs > 4 || vs < 1 || vs > 4) return false;
                for (int k = 0; k < i; k++)
                    if (ids[k] == ids[i]) return false;
            }
        } else if (m == 0xDA) {
            const int ns = n >= 3 ? v[0] : 0;
            if (nids < 0 || ns < 1 || ns > nids || n < 6 + 2 * size_t(ns)) return false;
            for (int i = 0; i < ns; i++) {
                const int cs = v[1 + 2 * i];
                bool known = false;
                for (int k = 0; k < nids; k++)
                    known = known || ids[k] == cs;
                for (int k = 0; k < i; k++)
                    if (v[1 + 2 * k] == cs) return false;
                if (!known) return false;
            }
        }
        pos += 2 + n;
    }
    return true;
}

/* ---- the library over memory, within the budgets ---- */

struct JPG12ERR {
    jpeg_error_mgr pub;
    jmp_buf jump;
    int warnings;
    char message[JMSG_LENGTH_MAX];
};

static void Jpg12Exit(j_common_ptr c) {
    JPG12ERR *e = reinterpret_cast<JPG12ERR *>(c->err);
    (*c->err->format_message)(c, e->message);
    longjmp(e->jump, 1);
}

static void Jpg12Message(j_common_ptr c, int level) {
    if (level < 0) reinterpret_cast<JPG12ERR *>(c->err)->warnings++;
}

static void Jpg12SrcInit(j_decompress_ptr) {}
static void Jpg12SrcTerm(j_decompress_ptr) {}

// The data ran out: an EOI marker, as libjpeg's own memory source does, and a warning.
static boolean Jpg12SrcFill(j_decompress_ptr c) {
    static const JOCTET eoi[2] = {0xFF, JPEG_EOI};
    WARNMS(c, JWRN_JPEG_EOF);
    c->src->next_input_byte = eoi;
    c->src->bytes_in_buffer = 2;
    return TRUE;
}

static void Jpg12SrcSkip(j_decompress_ptr c, long n) {
    if (n <= 0) return;
    if (size_t(n) > c->src->bytes_in_buffer) {
        Jpg12SrcFill(c);
        return;
    }
    c->src->next_input_byte += n;
    c->src->bytes_in_buffer -= size_t(n);
}

// Whether a three-component stream holds RGB; the stream's own evidence first. The same rule as
// the DICOM JPEG reader's, written again: the two libraries' records share a name but not a
// layout, so one function (or one template instance) cannot serve both.
static bool Jpg12HoldsRgb(const jpeg_decompress_struct *c, int hint) {
    if (c->saw_JFIF_marker) return false;
    if (c->saw_Adobe_marker && c->Adobe_transform <= 1) return c->Adobe_transform == 0;
    const jpeg_component_info *ci = c->comp_info;
    if (ci[0].component_id == 'R' && ci[1].component_id == 'G' && ci[2].component_id == 'B')
        return true;
    for (int i = 1; i < 3; i++)
        if (ci[i].h_samp_factor != ci[0].h_samp_factor ||
            ci[i].v_samp_factor != ci[0].v_samp_factor)
            return false;
    return hint != 0;
}

// YCbCr to RGB in place, 12 bits, in the library's fixed-point arithmetic, clamped.
static void Jpg12YccToRgb(uint16_t *p, int w) {
    auto fix = [](double v) { return static_cast<int64_t>(v * 65536.0 + 0.5); };
    static const int64_t cr_r = fix(1.402), cb_b = fix(1.772), cb_g = fix(0.34414),
                         cr_g = fix(0.71414), half = 1 << 15;
    auto clamp = [](int64_t v) { return uint16_t(v < 0 ? 0 : v > 4095 ? 4095 : v); };
    for (int x = 0; x < w; x++, p += 3) {
        const int64_t y = p[0], cb = int64_t(p[1]) - 2048, cr = int64_t(p[2]) - 2048;
        p[0] = clamp(y + ((cr_r * cr + half) >> 16));
        p[1] = clamp(y + ((-cb_g * cb + half - cr_g * cr) >> 16));
        p[2] = clamp(y + ((cb_b * cb + half) >> 16));
    }
}

// The decoding proper, apart from any C++ object, since the library leaves by longjmp.
// mode 0 reads the header only.
static int Jpg12Run(const uint8_t *data, size_t len, int mode, int *w, int *h, int *comps,
                    int rgb_hint, uint16_t *out, volatile long *rows, const char *name) {
    jpeg_decompress_struct c;
    JPG12ERR err;
    jpeg_source_mgr src;
    c.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = Jpg12Exit;
    err.pub.emit_message = Jpg12Message;
    err.warnings = 0;
    err.message[0] = 0;
    *rows = 0;
    JSAMPARRAY line = nullptr;
    if (setjmp(err.jump)) {
        if (mode && name) fprintf(stderr, "dravik: %s: 12-bit JPEG: %s\n", name, err.message);
        jpeg_destroy_decompress(&c);
        return *rows > 0 ? FILE_QUIET : FILE_ERROR_DATA;
    }
    jpeg_create_decompress(&c);
    src.init_source = Jpg12SrcInit;
    src.fill_input_buffer = Jpg12SrcFill;
    src.skip_input_data = Jpg12SrcSkip;
    src.resync_to_restart = jpeg_resync_to_restart;
    src.term_source = Jpg12SrcTerm;
    src.next_input_byte = data;
    src.bytes_in_buffer = len;
    c.src = &src;
    jpeg_read_header(&c, TRUE);
    if (mode == 0) {
        *w = int(c.image_width);
        *h = int(c.image_height);
        *comps = c.num_components;
        jpeg_destroy_decompress(&c);
        return FILE_SUCCES;
    }
    const char *refuse = nullptr;
    if (int(c.image_width) != *w || int(c.image_height) != *h || c.num_components != *comps)
        refuse = "frame size or components disagree with the image";
    else if (c.process != JPROC_SEQUENTIAL)
        refuse = "only the sequential DCT process is read";
    else if (c.data_precision != 12)
        refuse = "not a 12-bit stream";
    else if (*comps != 1 && *comps != 3)
        refuse = "neither grey nor three components";
    // This build's memory manager fields do not match its header, so no limit can be set in it:
    // a multi-scan stream's coefficients (2 bytes a sample) must fit the decoder budget instead.
    else if (2.0 * c.image_width * c.image_height * c.num_components > double(IO_BUDGET_DECODER))
        refuse = "coefficients exceed the decoder budget";
    if (refuse) {
        if (name)
            fprintf(stderr, "dravik: %s: 12-bit JPEG of %ux%ux%d: %s\n", name, c.image_width,
                    c.image_height, c.num_components, refuse);
        jpeg_destroy_decompress(&c);
        return FILE_ERROR_DATA;
    }
    bool ycc = false;
    if (*comps == 1) {
        c.out_color_space = JCS_GRAYSCALE;
    } else {
        // The library's YCbCr conversion indexes its range table with damaged samples unchecked
        // and reads outside it: the samples come raw and are converted here, with its arithmetic.
        ycc = !Jpg12HoldsRgb(&c, rgb_hint);
        c.jpeg_color_space = ycc ? JCS_YCbCr : JCS_RGB;
        c.out_color_space = c.jpeg_color_space;
    }
    jpeg_start_decompress(&c);
    const int n = int(c.output_width) * c.output_components;
    line =
        (*c.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&c), JPOOL_IMAGE, JDIMENSION(n), 1);
    while (c.output_scanline < c.output_height) {
        uint16_t *o = out + size_t(c.output_scanline) * size_t(n);
        if (jpeg_read_scanlines(&c, line, 1) != 1) break;
        for (int i = 0; i < n; i++)
            o[i] = uint16_t(line[0][i] & 0xFFF);
        if (ycc) Jpg12YccToRgb(o, int(c.output_width));
        *rows = *rows + 1;
    }
    jpeg_finish_decompress(&c);
    jpeg_destroy_decompress(&c);
    return err.warnings || *rows < *h ? FILE_QUIET : FILE_SUCCES;
}

int Jpg12Header(const uint8_t *data, size_t len, int *w, int *h, int *comps) {
    if (!data || !w || !h || !comps) return WIN_ERROR_ARG;
    volatile long rows = 0;
    return Jpg12Run(data, len, 0, w, h, comps, 0, nullptr, &rows, nullptr);
}

int Jpg12Decode(const uint8_t *data, size_t len, int w, int h, int comps, int rgb_hint,
                uint16_t *out, long *rows, const char *name) {
    if (!data || !out || !rows) return WIN_ERROR_ARG;
    *rows = 0;
    if (!Jpg12MarkersSane(data, len)) {
        if (name) fprintf(stderr, "dravik: %s: 12-bit JPEG with a malformed frame or scan\n", name);
        return FILE_ERROR_DATA;
    }
    volatile long done = 0;
    int rc = Jpg12Run(data, len, 1, &w, &h, &comps, rgb_hint, out, &done, name);
    *rows = done;
    return rc;
}

/* ---- plain files ---- */

int IoReadJpeg12(FILEREQ *req, FILEINFO *fi, int mode) {
    if (!req || !fi || !req->path) return WIN_ERROR_ARG;
    const char *name = req->path;
    int fd = FileOpenInput(name);
    if (fd < 0) return FILE_ERROR_OPEN;
    FILE *fp = fdopen(fd, "rb");
    if (!fp) return FILE_ERROR_OPEN;
    struct stat st;
    std::vector<uint8_t> bytes;
    bool ok = fstat(fd, &st) == 0 && st.st_size > 0 && st.st_size <= IO_BUDGET_IMAGE;
    try {
        if (ok) bytes.resize(size_t(st.st_size));
    } catch (const std::bad_alloc &) {
        ok = false;
    }
    ok = ok && fread(bytes.data(), 1, bytes.size(), fp) == bytes.size();
    fclose(fp);
    if (!ok) return FILE_ERROR_READ;
    int w, h, comps;
    if (Jpg12Header(bytes.data(), bytes.size(), &w, &h, &comps) != FILE_SUCCES)
        return FILE_ERROR_DATA;
    req->recognised = 1;
    const int outc = comps == 1 ? 1 : 3;
    const long pixels = FileBufferSize(w, h, 1, 1);
    const long size = FileBufferSize(w, h, outc, 1);
    if (pixels < 0 || size < 0 || pixels / JPG12_PIXELS_PER_BYTE > long(bytes.size())) {
        fprintf(stderr, "dravik: %s: %ix%i pixels cannot come from %zu bytes\n", name, w, h,
                bytes.size());
        return FILE_ERROR_DATA;
    }
    if (size * 3 > IO_BUDGET_IMAGE) {
        fprintf(stderr, "dravik: %s: %ix%i x %i samples exceed the %ld MiB image budget\n", name, w,
                h, outc, IO_BUDGET_IMAGE >> 20);
        return FILE_ERROR_DATA;
    }
    fi->w = w;
    fi->h = h;
    fi->bit = 8 * outc;
    fi->ftyp = FTYP_JPEG;
    fi->frames = 1;
    if (mode == IO_READ_PROBE) {
        fi->maptyp = outc == 1 ? MAPTYP_GREY : MAPTYP_RGB;
        return FILE_SUCCES;
    }
    std::vector<uint16_t> samples;
    try {
        samples.assign(size_t(size), 0);
    } catch (const std::bad_alloc &) {
        return WIN_ERROR_MEMORY;
    }
    long rows = 0;
    int rc = Jpg12Decode(bytes.data(), bytes.size(), w, h, comps, 0, samples.data(), &rows, name);
    if (rc < 0) return rc;
    uint8_t *buf = static_cast<uint8_t *>(MemCreate(size, name));
    if (!buf) return WIN_ERROR_MEMORY;
    const size_t n = size_t(std::min<long>(rows, h)) * size_t(w) * size_t(outc);
    if (outc == 3) {
        for (size_t i = 0; i < size_t(size); i++)
            buf[i] = uint8_t(samples[i] >> 4);
    } else {
        // The decoded range onto 0..255, as DICOM grey images are shown without a window.
        uint16_t lo = 4095, hi = 0;
        for (size_t i = 0; i < n; i++) {
            lo = std::min(lo, samples[i]);
            hi = std::max(hi, samples[i]);
        }
        const long span = hi > lo ? long(hi - lo) : 1;
        for (size_t i = 0; i < size_t(size); i++)
            buf[i] =
                i < n ? uint8_t(std::clamp((long(samples[i]) - lo) * 255 / span, 0L, 255L)) : 0;
        fi->mapentry = 255;
        if (FileColormapCreate(fi) != FILE_SUCCES) {
            MemFree(buf, name);
            return WIN_ERROR_MEMORY;
        }
        for (int i = 0; i < 256; i++)
            fi->rmap[i] = fi->gmap[i] = fi->bmap[i] = uint16_t(i);
    }
    fi->maptyp = outc == 1 ? MAPTYP_GREY : MAPTYP_RGB;
    fi->fbuf = buf;
    if (rc == FILE_QUIET)
        fprintf(stderr, "dravik: %s: 12-bit JPEG damaged or cut after %ld of %i rows\n", name, rows,
                h);
    return FILE_SUCCES;
}
