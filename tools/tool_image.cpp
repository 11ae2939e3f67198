// dravik-tool info and convert: the viewer's read dispatch and JPEG writer from the shell.
#include "tools/tool_image.h"

#include "base/language.h"
#include "base/settings.h"
#include "base/xmem.h"
#include "dicom/io_dcm3.h"
#include "dicom/io_dcmvoi.h"
#include "dicom/io_dicom.h"
#include "image/io_files.h"
#include "image/io_jpg.h"
#include "io/io_read.h"
#include "tools/dravik_tool.h"
#include "tools/tool_dicom.h"

#include <cerrno>
#include <malloc.h>
#include <cstdlib>
#include <cstring>
#include <strings.h>
#include <string>
#include <vector>

namespace {

// Releases everything the read left in the record when the command ends.
struct RecordGuard {
    FILEINFO *fi;
    const char *tag;
    ~RecordGuard() {
        DicomDataRelease(fi);
        IoFreeRecord(fi, tag);
    }
};

bool EndsWith(const std::string &s, const char *ext) {
    size_t n = strlen(ext);
    return s.size() >= n && strcasecmp(s.c_str() + s.size() - n, ext) == 0;
}

// One pixel of a record as R, G, B the way the viewer shows it: palettes through their maps.
void RecordRgb(const FILEINFO *fi, const uint8_t *px, uint8_t rgb[3]) {
    if (fi->bit == 24) {
        memcpy(rgb, px, 3);
        return;
    }
    uint8_t v = *px;
    if ((fi->maptyp == MAPTYP_8BIT || fi->maptyp == MAPTYP_PALETTE || fi->maptyp == MAPTYP_16BIT) &&
        fi->rmap && fi->gmap && fi->bmap && v < fi->mapentry * 2) {
        int shift = fi->maptyp == MAPTYP_8BIT ? 0 : 8;
        rgb[0] = static_cast<uint8_t>(fi->rmap[v] >> shift);
        rgb[1] = static_cast<uint8_t>(fi->gmap[v] >> shift);
        rgb[2] = static_cast<uint8_t>(fi->bmap[v] >> shift);
        return;
    }
    rgb[0] = rgb[1] = rgb[2] = v;
}

bool IsGrey(const FILEINFO *fi) {
    return fi->bit == 8 && fi->maptyp != MAPTYP_8BIT && fi->maptyp != MAPTYP_PALETTE &&
           fi->maptyp != MAPTYP_16BIT;
}

int WritePnm(const FILEINFO *fi, const char *out, int first, int last) {
    bool pgm = EndsWith(out, ".pgm");
    FILE *fp = fopen(out, "wb");
    if (!fp) return ToolFail("cannot create %s: %s", out, strerror(errno));
    size_t pixels = static_cast<size_t>(fi->w) * fi->h;
    size_t bpp = static_cast<size_t>(fi->bit / 8);
    std::vector<uint8_t> row(static_cast<size_t>(fi->w) * 3);
    for (int f = first; f <= last; f++) {
        fprintf(fp, "%s\n%i %i\n255\n", pgm ? "P5" : "P6", fi->w, fi->h);
        const uint8_t *src = fi->fbuf + static_cast<size_t>(f) * pixels * bpp;
        // Stored as written: RGB into PPM, grey into PGM.
        if ((!pgm && fi->bit == 24) || (pgm && IsGrey(fi))) {
            fwrite(src, 1, pixels * bpp, fp);
            continue;
        }
        for (int y = 0; y < fi->h; y++) {
            uint8_t *o = row.data();
            for (int x = 0; x < fi->w; x++, src += bpp) {
                uint8_t rgb[3];
                if (pgm && IsGrey(fi)) {
                    *o++ = *src;
                    continue;
                }
                RecordRgb(fi, src, rgb);
                if (pgm) {
                    *o++ = static_cast<uint8_t>((299 * rgb[0] + 587 * rgb[1] + 114 * rgb[2] + 500) /
                                                1000);
                } else {
                    memcpy(o, rgb, 3);
                    o += 3;
                }
            }
            fwrite(row.data(), 1, static_cast<size_t>(o - row.data()), fp);
        }
    }
    if (fclose(fp) != 0) return ToolFail("cannot write %s", out);
    return 0;
}

int WriteJpeg(FILEINFO *fi, const char *out, int first, int last) {
    // A multi-frame record is saved the way its view would save it: one file per frame.
    SAVEINFO save;
    IoSaveInfoFromImage(fi, &save);
    save.quality = 100;
    save.ftyp = FTYP_JPEG;
    save.first_frame = first;
    save.last_frame = last;
    FILEREQ req;
    IoRequestInit(&req, out);
    int rc = IoSaveFile(&req, &save);
    if (rc != FILE_SUCCES) return ToolFail("cannot write %s (%i)", out, rc);
    return 0;
}

// 16-bit words in big-endian byte order, four at a time in a 64-bit word: a series writes tens
// of megabytes.
void WordsBigEndian(const uint16_t *src, uint16_t *dst, size_t n) {
    if (__BYTE_ORDER__ != __ORDER_LITTLE_ENDIAN__) {
        memcpy(dst, src, n * sizeof *src);
        return;
    }
    size_t i = 0;
    for (; i + 4 <= n; i += 4) {
        uint64_t w;
        memcpy(&w, src + i, sizeof w);
        w = (w >> 8 & 0x00FF00FF00FF00FFull) | (w << 8 & 0xFF00FF00FF00FF00ull);
        memcpy(dst + i, &w, sizeof w);
    }
    for (; i < n; i++)
        dst[i] = static_cast<uint16_t>(src[i] << 8 | src[i] >> 8);
}

// A file whose reader found no picture in it says so, with what it holds; true when it did.
bool NoImage(const FILEREQ &req, const char *path) {
    char text[160];
    if (!*IoNoImageText(&req, LG_ENGLISH, text, sizeof text)) return false;
    ToolFail("%s: %s", path, text);
    return true;
}

// Stored values as PGM: 8-bit up to 8 bits stored, else 16-bit big-endian. Signed values are
// sign-extended to 16-bit two's-complement words, so that a reader taking the PGM as signed
// 16-bit gets the stored value back. One image a frame; `at` is the frame's store index.
int WriteRawPgm(const DICOMSAMPLES &s, FILE *fp, int at) {
    const size_t w = static_cast<size_t>(s.w), pixels = w * static_cast<size_t>(s.h);
    const bool wide = s.bits > 8 || s.sign;
    const unsigned max = s.sign ? 65535u : (1u << s.bits) - 1;
    fprintf(fp, "P5\n%i %i\n%u\n", s.w, s.h, max);
    const uint16_t *src = s.s16.data() + static_cast<size_t>(at) * pixels;
    // A row at a time: a frame is never held twice.
    std::vector<uint16_t> values(s.sign ? w : 0), words(wide ? w : 0);
    std::vector<uint8_t> bytes(wide ? 0 : w);
    for (size_t y = 0; y < pixels; y += w, src += w) {
        const uint16_t *row = src;
        if (s.sign) {
            for (size_t i = 0; i < w; i++)
                values[i] = static_cast<uint16_t>(DicomSampleValue(src[i], s.bits, s.sign));
            row = values.data();
        }
        if (wide) {
            WordsBigEndian(row, words.data(), w);
            fwrite(words.data(), 2, w, fp);
        } else {
            for (size_t i = 0; i < w; i++)
                bytes[i] = static_cast<uint8_t>(row[i]);
            fwrite(bytes.data(), 1, w, fp);
        }
    }
    return 0;
}

// Stored values as PFM (grey, 32-bit float, little endian, rows bottom to top): any bits stored,
// signed or not; exact while a value's magnitude stays within 2^24.
int WriteRawPfm(const DICOMSAMPLES &s, FILE *fp, int at) {
    const size_t w = static_cast<size_t>(s.w), pixels = w * static_cast<size_t>(s.h);
    std::vector<float> row(w);
    fprintf(fp, "Pf\n%i %i\n-1.0\n", s.w, s.h);
    const size_t base = static_cast<size_t>(at) * pixels;
    for (int y = s.h - 1; y >= 0; y--) {
        for (size_t x = 0; x < w; x++) {
            size_t i = base + static_cast<size_t>(y) * w + x;
            uint32_t p = s.s32.empty() ? s.s16[i] : s.s32[i];
            row[x] = s.sign ? static_cast<float>(DicomSampleValue(p, s.bits, s.sign))
                            : static_cast<float>(p);
        }
        if (__BYTE_ORDER__ != __ORDER_LITTLE_ENDIAN__)
            for (float &v : row) {
                uint32_t b;
                memcpy(&b, &v, 4);
                b = __builtin_bswap32(b);
                memcpy(&v, &b, 4);
            }
        fwrite(row.data(), sizeof(float), w, fp);
    }
    return 0;
}

// Where the frames of a raw read go, one after another as they are decoded.
struct RAWOUT {
    const char *path;
    bool pfm;
    FILE *fp;
    int rc;
};

// The read's sink: image frame f, at store index f - first. The file is made at the first frame,
// once the samples are known to fit it.
int RawFrameWrite(void *ctx, const DICOMSAMPLES *s, int f) {
    auto *o = static_cast<RAWOUT *>(ctx);
    if (!o->fp) {
        if (!o->pfm && s->bits > 16)
            return o->rc = ToolFail("%s: %i-bit samples do not fit a PGM (write a .pfm)", o->path,
                                    s->bits);
        o->fp = fopen(o->path, "wb");
        if (!o->fp) return o->rc = ToolFail("cannot create %s: %s", o->path, strerror(errno));
    }
    return o->rc =
               o->pfm ? WriteRawPfm(*s, o->fp, f - s->first) : WriteRawPgm(*s, o->fp, f - s->first);
}

// The stored values of a monochrome DICOM file, read without windowing: the asked frame alone,
// or every frame written as it is decoded, so that no more than a few frames are held.
int ConvertRaw(const char *in, const char *out, int frame, bool all) {
    const bool pfm = EndsWith(out, ".pfm");
    if (!pfm && !EndsWith(out, ".pgm")) return ToolFail("--raw writes .pgm or .pfm");
    FILEREQ req;
    IoRequestInit(&req, in);
    FILEINFO fi;
    memset(&fi, 0, sizeof fi);
    RecordGuard guard{&fi, in};
    DICOMSAMPLES s;
    RAWOUT o{out, pfm, nullptr, 0};
    if (all) {
        // Frames are decoded and let go one after another: large blocks are mapped and given
        // back when freed, not kept in the heap, so the peak stays at one frame's memory.
        mallopt(M_MMAP_THRESHOLD, 128 << 10);
        req.mapped = 1;
        s.sink = RawFrameWrite;
        s.sinkctx = &o;
    } else {
        s.only = frame;
    }
    if (IsFileDicom(&req, &fi, IO_READ_FULL) != FILE_SUCCES)
        return NoImage(req, in) ? 1 : ToolFail("%s: not a readable DICOM image", in);
    int rc = IoReadDicomRaw(&req, &fi, &s);
    if (!o.rc && rc == FILE_ERROR_FORMAT && s.s16.empty() && s.s32.empty())
        o.rc = ToolFail("%s: --raw needs a monochrome image (%i)", in, rc);
    else if (!o.rc && rc != FILE_SUCCES)
        o.rc = ToolFail("%s: cannot read (%i)", in, rc);
    else if (!o.rc && !all && frame >= s.total)
        o.rc = ToolFail("%s has %i frame(s)", in, s.total);
    else if (!o.rc && !all)
        RawFrameWrite(&o, &s, frame);
    if (o.fp && fclose(o.fp) != 0 && !o.rc) o.rc = ToolFail("cannot write %s", out);
    return o.rc;
}

} // namespace

int ToolImageInfo(int argc, char **argv) {
    if (argc != 1) return ToolFail("usage: info FILE");
    if (ToolInputCheck(argv[0])) return 1;
    FILEREQ req;
    IoRequestInit(&req, argv[0]);
    FILEINFO fi;
    RecordGuard guard{&fi, argv[0]};
    if (!IoFindOrReadFileTyp(&req, &fi, IO_READ_PROBE) || fi.ftyp == FTYP_NONE)
        return NoImage(req, argv[0]) ? 1 : ToolFail("%s: not a readable image", argv[0]);
    printf("type=%s\nwidth=%i\nheight=%i\nbits=%i\nframes=%i\nmaptyp=%i\n", IoFileTypName(fi.ftyp),
           fi.w, fi.h, fi.bit, fi.frames > 0 ? fi.frames : 1, fi.maptyp);
    if (fi.ftyp == FTYP_JPEG) printf("orientation=%i\n", fi.orientation > 0 ? fi.orientation : 1);
    if (fi.ftyp == FTYP_DICOM) return ToolDicomInfo(&fi, stdout);
    return 0;
}

int ToolImageConvert(int argc, char **argv) {
    const char *in = nullptr, *out = nullptr;
    int frame = 0;
    bool all = false, raw = false, cw = false;
    double wc = 0, ww = 0;
    for (int i = 0; i < argc; i++) {
        if (!strcmp(argv[i], "--frame") && i + 1 < argc) {
            char *end = nullptr;
            long v = strtol(argv[++i], &end, 10);
            if (!end || *end || v < 0 || v > 1000000) return ToolFail("bad frame '%s'", argv[i]);
            frame = static_cast<int>(v);
        } else if (!strcmp(argv[i], "--all-frames")) {
            all = true;
        } else if (!strcmp(argv[i], "--raw")) {
            raw = true;
        } else if (!strcmp(argv[i], "--hounsfield") && i + 1 < argc) {
            int lo, hi;
            char extra;
            if (sscanf(argv[++i], "%d:%d%c", &lo, &hi, &extra) != 2 || lo >= hi)
                return ToolFail("bad Hounsfield window '%s' (MIN:MAX, MIN < MAX)", argv[i]);
            HounsfieldUse = 1;
            HounsfieldMin = lo;
            HounsfieldMax = hi;
        } else if (!strcmp(argv[i], "--window") && i + 1 < argc) {
            const char *v = argv[++i];
            char extra;
            if (!strcmp(v, "file")) {
                DicomWindow = DICOM_WINDOW_FILE;
            } else if (!strcmp(v, "minmax")) {
                DicomWindow = DICOM_WINDOW_MINMAX;
            } else if (sscanf(v, "%lf:%lf%c", &wc, &ww, &extra) == 2 && ww >= 1) {
                cw = true;
            } else {
                return ToolFail("bad window '%s' (file, minmax or CENTER:WIDTH, WIDTH >= 1)", v);
            }
        } else if (argv[i][0] == '-' && argv[i][1]) {
            return ToolFail("convert: option %s is not supported for this image type", argv[i]);
        } else if (!in) {
            in = argv[i];
        } else if (!out) {
            out = argv[i];
        } else {
            return ToolFail("usage: convert IN OUT [--frame N | --all-frames] [--raw] "
                            "[--hounsfield MIN:MAX] [--window file|minmax|C:W]");
        }
    }
    if (!in || !out)
        return ToolFail("usage: convert IN OUT [--frame N | --all-frames] [--raw] "
                        "[--hounsfield MIN:MAX] [--window file|minmax|C:W]");
    if (ToolInputCheck(in)) return 1;
    if (raw) return ConvertRaw(in, out, frame, all);
    bool jpg = EndsWith(out, ".jpg") || EndsWith(out, ".jpeg");
    if (!jpg && !EndsWith(out, ".pgm") && !EndsWith(out, ".ppm"))
        return ToolFail("%s: unknown output type (use .pgm, .ppm or .jpg)", out);
    FILEREQ req;
    IoRequestInit(&req, in);
    FILEINFO fi;
    RecordGuard guard{&fi, in};
    if (!IoFindOrReadFileTyp(&req, &fi, IO_READ_FULL) || !fi.fbuf)
        return NoImage(req, in) ? 1 : ToolFail("%s: cannot read", in);
    if (cw) {
        if (!fi.voi) return ToolFail("%s: --window C:W needs a monochrome DICOM image", in);
        DicomVoiSetWindow(fi.voi, wc, ww);
        DicomVoiRenderAll(fi.voi, fi.fbuf, nullptr);
    }
    int frames = fi.frames > 0 ? fi.frames : 1;
    if (frame >= frames) return ToolFail("%s has %i frame(s)", in, frames);
    int first = all ? 0 : frame, last = all ? frames - 1 : frame;
    return jpg ? WriteJpeg(&fi, out, first, last) : WritePnm(&fi, out, first, last);
}
