#include "image/io_jpg.h"

#include "app/lg.h"
#include "app/xmem.h"
#include "image/ximage.h"
#include "toolkit/xwin.h"
#include "widgets/xerror.h"

#include <climits>
#include <cerrno>
#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <sys/mman.h>
#include <sys/stat.h>

enum { JPG_ROWS = 16, JPG_NAME_MAX = 4096 + 32 };

// The library's error manager with our jump target behind it; client_data carries JPGCLIENT.
struct JPEGERR {
    jpeg_error_mgr pub;
    jmp_buf jump;
};

struct JPGCLIENT {
    const char *path;
    int language;
    int quiet; // no message box: an album shows hundreds of thumbnails at once
};

// A decoded pixel may need at least one bit per 8x8 block of each component, so a header whose
// size no file of its length could fill is refused before anything is allocated.
enum { JPG_PIXELS_PER_BYTE = 1024 };

void my_error_output(j_common_ptr cinfo) {
    char text[JMSG_LENGTH_MAX];
    (*cinfo->err->format_message)(cinfo, text);
    const auto *client = static_cast<const JPGCLIENT *>(cinfo->client_data);
    if (client && client->quiet) {
        if (verbose) fprintf(stderr, "%s: %s\n", client->path ? client->path : "", text);
        return;
    }
    char msg[JMSG_LENGTH_MAX + 300];
    snprintf(msg, sizeof msg, "%s\n\n%s", text, client && client->path ? client->path : "");
    MsgErrWin(client ? client->language : LG_DEFAULT, msg, -25);
}

void my_error_exit(j_common_ptr cinfo) {
    (*cinfo->err->output_message)(cinfo);
    longjmp(reinterpret_cast<JPEGERR *>(cinfo->err)->jump, 1);
}

static void JpgErrorSetup(JPEGERR *err) {
    jpeg_std_error(&err->pub);
    err->pub.error_exit = my_error_exit;
    err->pub.output_message = my_error_output;
}

static int JpgLanguage(const FILEREQ *req) {
    return req->status ? req->status->language : LG_DEFAULT;
}

static void JpgProgress(const FILEREQ *req, int percent) {
    if (!req->statusfunc) return;
    WINDATUSR rec{};
    rec.win = req->status;
    rec.i = percent;
    req->statusfunc(&rec);
}

int IsFileJpeg(const char *path) {
    FILE *fp = FileStdOpen(path);
    if (!fp) return FILE_ERROR_READ;
    uint8_t b[12];
    size_t n = fread(b, 1, sizeof b, fp);
    fclose(fp);
    if (n == 0) return FILE_ERROR_READ;
    // Start of image and then any marker that may follow it: APPn (JFIF, Exif, Adobe, ...),
    // tables, a comment or a frame header.
    if (n < 4 || b[0] != 0xFF || b[1] != 0xD8 || b[2] != 0xFF) return FILE_ERROR_FORMAT;
    if (b[3] < 0xC0 || b[3] == 0xFF || (b[3] >= 0xD0 && b[3] <= 0xD9)) return FILE_ERROR_FORMAT;
    return FILE_SUCCES;
}

// Everything a read holds; released on every way out of IoReadJpeg.
struct JPGREAD {
    jpeg_decompress_struct cinfo;
    JPEGERR err;
    JPGCLIENT client;
    FILE *fp;
    const uint8_t *mem; // source bytes of a memory read instead of fp
    long memlen;
    uint8_t *buf;
    uint8_t *cmyk;
    int created;
};

// Largest DCT scale-down whose output still covers the edge in both directions.
static int JpgPreviewDenom(const jpeg_decompress_struct *c, int edge) {
    for (int denom = 8; denom > 1; denom /= 2) {
        long w = (static_cast<long>(c->image_width) + denom - 1) / denom;
        long h = (static_cast<long>(c->image_height) + denom - 1) / denom;
        if (w >= edge && h >= edge) return denom;
    }
    return 1;
}

// Adobe writes CMYK inverted (0 = full ink); other writers store it straight.
static void JpgCmykToRgb(const uint8_t *src, uint8_t *dst, int w, bool inverted) {
    for (int x = 0; x < w; x++, src += 4, dst += 3) {
        int c = src[0], m = src[1], y = src[2], k = src[3];
        if (!inverted) c = 255 - c, m = 255 - m, y = 255 - y, k = 255 - k;
        dst[0] = static_cast<uint8_t>((c * k + 127) / 255);
        dst[1] = static_cast<uint8_t>((m * k + 127) / 255);
        dst[2] = static_cast<uint8_t>((y * k + 127) / 255);
    }
}

// A photo's buffer is touched once from end to end; huge pages save most of the page faults.
static void JpgHugePages(void *buf, long size) {
    const uintptr_t huge = 2u << 20;
    if (size < 4 * static_cast<long>(huge)) return;
    uintptr_t start = (reinterpret_cast<uintptr_t>(buf) + huge - 1) & ~(huge - 1);
    uintptr_t end = (reinterpret_cast<uintptr_t>(buf) + static_cast<uintptr_t>(size)) & ~(huge - 1);
    if (end > start) madvise(reinterpret_cast<void *>(start), end - start, MADV_HUGEPAGE);
}

static bool JpgHasAllDc(const jpeg_decompress_struct *c) {
    for (int ci = 0; ci < c->num_components; ci++)
        if (c->coef_bits[ci][0] < 0) return false;
    return true;
}

static int JpgReadRun(JPGREAD *r, FILEREQ *req, FILEINFO *fi, int mode) {
    jpeg_decompress_struct *c = &r->cinfo;
    c->err = &r->err.pub;
    c->client_data = &r->client;
    if (setjmp(r->err.jump)) return -8;
    jpeg_create_decompress(c);
    r->created = 1;
    if (r->mem)
        jpeg_mem_src(c, r->mem, static_cast<unsigned long>(r->memlen));
    else
        jpeg_stdio_src(c, r->fp);
    jpeg_read_header(c, TRUE);
    jpeg_calc_output_dimensions(c);

    bool cmyk = c->jpeg_color_space == JCS_CMYK || c->jpeg_color_space == JCS_YCCK;
    if (c->jpeg_color_space == JCS_GRAYSCALE) {
        c->out_color_space = JCS_GRAYSCALE;
        fi->maptyp = MAPTYP_8BIT;
        fi->mapentry = 255;
        if (FileColormapCreate(fi) != FILE_SUCCES) return -8;
    } else {
        c->out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
    }
    c->quantize_colors = FALSE;
    if (mode != IO_READ_PROBE && req->preview > 0) {
        c->scale_num = 1;
        c->scale_denom = static_cast<unsigned>(JpgPreviewDenom(c, req->preview));
        c->dct_method = JDCT_IFAST;
        c->do_fancy_upsampling = FALSE;
        c->do_block_smoothing = FALSE;
    }
    jpeg_calc_output_dimensions(c);
    req->recognised = 1;

    int comps = cmyk ? 3 : c->out_color_components;
    int w = static_cast<int>(c->output_width), h = static_cast<int>(c->output_height);
    if (mode == IO_READ_PROBE) {
        fi->w = w;
        fi->h = h;
        fi->bit = 8 * comps;
        fi->ftyp = FTYP_JPEG;
        return FILE_SUCCES;
    }

    struct stat st;
    long flen = r->mem                           ? r->memlen
                : fstat(fileno(r->fp), &st) == 0 ? static_cast<long>(st.st_size)
                                                 : 0;
    long pixels = FileBufferSize(c->image_width, c->image_height, 1, 1);
    long size = FileBufferSize(w, h, comps, 1);
    if (size < 0 || pixels < 0 || pixels / JPG_PIXELS_PER_BYTE > flen) {
        if (!r->client.quiet)
            MsgErrFile(r->client.language, req->path, FILE_ERROR_DATA, -1, nullptr);
        return FILE_ERROR_DATA;
    }
    r->buf = static_cast<uint8_t *>(MemCreate(size, req->path));
    if (!r->buf) return -8;
    JpgHugePages(r->buf, size);
    if (cmyk) {
        r->cmyk = static_cast<uint8_t *>(MemCreate(4L * w * JPG_ROWS, req->path));
        if (!r->cmyk) return -8;
    }

    // At 1/8 scale a pixel is its block's DC value: of a progressive file only the scans up to
    // the last component's first DC scan are needed.
    bool dconly = c->progressive_mode && c->scale_denom == 8 && mode != IO_READ_PROBE;
    c->buffered_image = dconly ? TRUE : FALSE;
    jpeg_start_decompress(c);
    if (dconly) {
        for (;;) {
            int rc = jpeg_consume_input(c);
            if (rc == JPEG_REACHED_EOI || rc == JPEG_SUSPENDED) break;
            if (rc == JPEG_SCAN_COMPLETED && JpgHasAllDc(c)) break;
        }
        jpeg_start_output(c, c->input_scan_number);
    }
    size_t stride = static_cast<size_t>(w) * comps;
    JSAMPROW rows[JPG_ROWS];
    while (c->output_scanline < c->output_height) {
        JDIMENSION y = c->output_scanline;
        int want = static_cast<int>(c->output_height - y);
        if (want > JPG_ROWS) want = JPG_ROWS;
        for (int i = 0; i < want; i++)
            rows[i] = cmyk ? r->cmyk + 4 * static_cast<size_t>(w) * i
                           : r->buf + (y + static_cast<size_t>(i)) * stride;
        JDIMENSION got = jpeg_read_scanlines(c, rows, static_cast<JDIMENSION>(want));
        if (cmyk)
            for (JDIMENSION i = 0; i < got; i++)
                JpgCmykToRgb(rows[i], r->buf + (y + i) * stride, w, c->saw_Adobe_marker);
        if (got == 0) break;
        JpgProgress(req, static_cast<int>(c->output_scanline * 100L / c->output_height));
    }

    if (c->out_color_space == JCS_GRAYSCALE) {
        for (int i = 0; i < 256; i++)
            fi->rmap[i] = fi->gmap[i] = fi->bmap[i] = static_cast<uint16_t>(i);
        fi->maptyp = MAPTYP_GREY;
    }
    if (dconly) {
        jpeg_finish_output(c);
        jpeg_abort_decompress(c);
    } else {
        jpeg_finish_decompress(c);
    }
    fi->w = w;
    fi->h = h;
    fi->bit = 8 * comps;
    fi->fbuf = r->buf;
    r->buf = nullptr;
    fi->ftyp = FTYP_JPEG;
    fi->frames = 1;
    return FILE_SUCCES;
}

int IoReadJpeg(FILEREQ *req, FILEINFO *fi, int mode) {
    if (!req || !fi || !req->path) return -15;
    JPGREAD r;
    memset(&r, 0, sizeof r);
    JpgErrorSetup(&r.err);
    r.client.path = req->path;
    r.client.language = JpgLanguage(req);
    r.fp = FileStdOpen(req->path);
    if (!r.fp) return FILE_ERROR_OPEN;
    int rc = JpgReadRun(&r, req, fi, mode);
    if (r.created) jpeg_destroy_decompress(&r.cinfo);
    fclose(r.fp);
    if (r.buf) MemFree(r.buf, req->path);
    if (r.cmyk) MemFree(r.cmyk, req->path);
    return rc;
}

int IoReadJpegMem(const uint8_t *data, long len, FILEINFO *fi, int edge, const char *tag) {
    if (!data || !fi || len < 1) return -15;
    memset(fi, 0, sizeof *fi);
    if (len < 3 || data[0] != 0xFF || data[1] != 0xD8 || data[2] != 0xFF) return FILE_ERROR_FORMAT;
    FILEREQ req;
    memset(&req, 0, sizeof req);
    req.path = tag ? tag : "jpeg";
    req.preview = edge > 0 ? edge : 0;
    JPGREAD r;
    memset(&r, 0, sizeof r);
    JpgErrorSetup(&r.err);
    r.client.path = req.path;
    r.client.language = LG_DEFAULT;
    r.client.quiet = 1;
    r.mem = data;
    r.memlen = len;
    int rc = JpgReadRun(&r, &req, fi, IO_READ_FULL);
    if (r.created) jpeg_destroy_decompress(&r.cinfo);
    if (r.buf) MemFree(r.buf, req.path);
    if (r.cmyk) MemFree(r.cmyk, req.path);
    if (rc != FILE_SUCCES) IoFreeRecord(fi, req.path);
    return rc;
}

int IoJpegFrameName(const char *path, int frame, char *out, size_t size) {
    if (!path || !out) return -15;
    char probe[32], suffix[32];
    snprintf(probe, sizeof probe, ".frm%i.", frame);
    snprintf(suffix, sizeof suffix, ".frm%i", frame);
    int n;
    if (strstr(path, probe)) {
        n = snprintf(out, size, "%s", path);
    } else {
        // Only a dot of the file name itself starts the extension, not one of a directory.
        const char *dot = strrchr(path, '.');
        const char *slash = strrchr(path, '/');
        if (dot && (!slash || dot > slash))
            n = snprintf(out, size, "%.*s%s.jpg", static_cast<int>(dot - path), path, suffix);
        else
            n = snprintf(out, size, "%s%s", path, suffix);
    }
    return n < 0 || static_cast<size_t>(n) >= size ? -15 : 0;
}

// Everything one written frame holds; released on every way out.
struct JPGWRITE {
    jpeg_compress_struct cinfo;
    JPEGERR err;
    JPGCLIENT client;
    FILE *fp;
    unsigned char *mem; // the library's buffer of a memory write (malloc'ed by it)
    unsigned long memlen;
    uint8_t *rgb;
    int created;
};

static int JpgFrameFrameCount(const SAVEINFO *save) {
    const WINDAT *view = save->view;
    if (!view || !view->img_list || view->img_current < 0 || view->img_current >= view->img_count)
        return 1;
    const auto *list = static_cast<const PAINTIMG *>(view->img_list);
    int frames = list[view->img_current].fi.frames;
    return frames > 1 ? frames : 1;
}

// Frame f of a palette image as RGB: maptyp 1 keeps 8-bit values in the low byte, the
// 16-bit palettes take their high byte.
static int JpgPaletteToRgb(JPGWRITE *wr, const SAVEINFO *save, const uint8_t *idx, long n) {
    if (!save->rmap || !save->gmap || !save->bmap) return -8;
    wr->rgb = static_cast<uint8_t *>(MemCreate(n * 3, "jpeg"));
    if (!wr->rgb) return -8;
    int shift = save->maptyp == MAPTYP_8BIT ? 0 : 8;
    // An index past a short map takes its last entry instead of reading beyond it.
    int last = save->mapentry > 0 && save->mapentry < 256 ? save->mapentry - 1 : 255;
    uint8_t *out = wr->rgb;
    for (long i = 0; i < n; i++) {
        int k = idx[i] > last ? last : idx[i];
        *out++ = static_cast<uint8_t>(save->rmap[k] >> shift);
        *out++ = static_cast<uint8_t>(save->gmap[k] >> shift);
        *out++ = static_cast<uint8_t>(save->bmap[k] >> shift);
    }
    return FILE_SUCCES;
}

static int JpgWriteRun(JPGWRITE *wr, FILEREQ *req, const SAVEINFO *save, const uint8_t *frame,
                       bool grey, int f, int frames, int *last) {
    jpeg_compress_struct *c = &wr->cinfo;
    c->err = &wr->err.pub;
    c->client_data = &wr->client;
    if (setjmp(wr->err.jump)) return -8;
    jpeg_create_compress(c);
    wr->created = 1;
    if (wr->fp)
        jpeg_stdio_dest(c, wr->fp);
    else
        jpeg_mem_dest(c, &wr->mem, &wr->memlen);
    c->image_width = static_cast<JDIMENSION>(save->w);
    c->image_height = static_cast<JDIMENSION>(save->h);
    c->input_components = grey ? 1 : 3;
    c->in_color_space = grey ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(c);
    jpeg_set_quality(c, save->quality, TRUE);
    jpeg_start_compress(c, TRUE);
    char comment[64];
    int clen = snprintf(comment, sizeof comment, "create: %s", "dravik");
    jpeg_write_marker(c, JPEG_COM, reinterpret_cast<const JOCTET *>(comment),
                      static_cast<unsigned>(clen));
    size_t stride = static_cast<size_t>(save->w) * (grey ? 1 : 3);
    while (c->next_scanline < c->image_height) {
        JSAMPROW row = const_cast<uint8_t *>(frame + c->next_scanline * stride);
        jpeg_write_scanlines(c, &row, 1);
        int pct = frames == 1 ? static_cast<int>(c->next_scanline * 100L / c->image_height)
                              : f * 100 / frames;
        if (pct != *last) {
            JpgProgress(req, pct);
            *last = pct;
        }
    }
    jpeg_finish_compress(c);
    return FILE_SUCCES;
}

// Frame f of the save through the codec into the file or the memory buffer of `wr`.
static int JpgWriteData(JPGWRITE *wr, FILEREQ *req, const SAVEINFO *save, long n, int f, int frames,
                        int *last) {
    int rc = FILE_SUCCES;
    bool grey = false;
    const uint8_t *frame = nullptr;
    if (!save->fbuf) {
        rc = FILE_ERROR_DATA;
    } else if (save->bit == 24) {
        frame = save->fbuf + static_cast<size_t>(f) * n * 3;
    } else if (save->bit == 8 && (save->maptyp == MAPTYP_8BIT || save->maptyp == MAPTYP_PALETTE ||
                                  save->maptyp == MAPTYP_16BIT)) {
        rc = JpgPaletteToRgb(wr, save, save->fbuf + static_cast<size_t>(f) * n, n);
        frame = wr->rgb;
    } else if (save->bit == 8) {
        grey = true;
        frame = save->fbuf + static_cast<size_t>(f) * n;
    } else {
        rc = FILE_ERROR_DATA;
    }
    if (rc == FILE_SUCCES) rc = JpgWriteRun(wr, req, save, frame, grey, f, frames, last);
    if (wr->created) jpeg_destroy_compress(&wr->cinfo);
    if (wr->rgb) MemFree(wr->rgb, "jpeg");
    wr->rgb = nullptr;
    return rc;
}

static int JpgWriteFrame(FILEREQ *req, const SAVEINFO *save, const char *name, int f, int frames,
                         int *last) {
    int lang = JpgLanguage(req);
    long n = FileBufferSize(save->w, save->h, 1, 1);
    if (n < 0 || FileBufferSize(save->w, save->h, 3, f + 1) < 0) return FILE_ERROR_DATA;
    JPGWRITE wr;
    memset(&wr, 0, sizeof wr);
    JpgErrorSetup(&wr.err);
    wr.client.path = name;
    wr.client.language = lang;
    wr.fp = fopen(name, "w+");
    if (!wr.fp) {
        MsgErrFile(lang, name, FILE_ERROR_OPEN, errno, nullptr);
        return FILE_ERROR_CREATE;
    }
    int rc = JpgWriteData(&wr, req, save, n, f, frames, last);
    fclose(wr.fp);
    return rc;
}

int IoWriteJpegMem(SAVEINFO *save, uint8_t **out, long *len, const char *tag) {
    if (!save || !out || !len) return -15;
    *out = nullptr;
    *len = 0;
    long n = FileBufferSize(save->w, save->h, 1, 1);
    if (n < 0 || FileBufferSize(save->w, save->h, 3, 1) < 0) return FILE_ERROR_DATA;
    FILEREQ req;
    memset(&req, 0, sizeof req);
    req.path = tag ? tag : "jpeg";
    JPGWRITE wr;
    memset(&wr, 0, sizeof wr);
    JpgErrorSetup(&wr.err);
    wr.client.path = req.path;
    wr.client.language = LG_DEFAULT;
    int last = -1;
    int rc = JpgWriteData(&wr, &req, save, n, 0, 1, &last);
    // The library grows its buffer with malloc; the caller gets a tagged copy.
    if (rc == FILE_SUCCES && wr.mem && wr.memlen > 0 && wr.memlen <= INT_MAX) {
        *out = static_cast<uint8_t *>(MemCreate(static_cast<long>(wr.memlen), req.path));
        if (*out) {
            memcpy(*out, wr.mem, wr.memlen);
            *len = static_cast<long>(wr.memlen);
        } else {
            rc = -8;
        }
    } else if (rc == FILE_SUCCES) {
        rc = FILE_ERROR_DATA;
    }
    free(wr.mem);
    return rc;
}

int IoWriteJpeg(FILEREQ *req, SAVEINFO *save) {
    if (!save) return -8;
    if (!req || !req->path) return FILE_ERROR_WRITE;
    int frames = JpgFrameFrameCount(save);
    int last = -1;
    for (int f = 0; f < frames; f++) {
        if (frames > 1 && (f < save->first_frame || f > save->last_frame)) continue;
        char name[JPG_NAME_MAX];
        if (frames == 1)
            snprintf(name, sizeof name, "%s", req->path);
        else if (IoJpegFrameName(req->path, f, name, sizeof name) != 0)
            return FILE_ERROR_WRITE;
        int rc = JpgWriteFrame(req, save, name, f, frames, &last);
        if (rc != FILE_SUCCES) return rc;
    }
    return FILE_SUCCES;
}
