// dravik-tool info and convert: the viewer's read dispatch and JPEG writer from the shell.
#include "tools/tool_image.h"

#include "app/xmem.h"
#include "image/io_files.h"
#include "image/io_jpg.h"
#include "image/ximage.h"
#include "tools/dravik_tool.h"
#include "toolkit/xwin.h"

#include <cerrno>
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
        if (fi->dicom) MemFree(fi->dicom, tag);
        fi->dicom = nullptr;
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
    WINDAT view;
    memset(&view, 0, sizeof view);
    PAINTIMG entry;
    memset(&entry, 0, sizeof entry);
    entry.fi = *fi;
    view.typ = WIN_PAINT;
    view.img_list = &entry;
    view.img_count = 1;
    SAVEINFO save;
    memset(&save, 0, sizeof save);
    save.w = fi->w;
    save.h = fi->h;
    save.bit = fi->bit;
    save.quality = 100;
    save.ftyp = FTYP_JPEG;
    save.first_frame = first;
    save.last_frame = last;
    save.fbuf = fi->fbuf;
    save.maptyp = fi->maptyp;
    save.rmap = fi->rmap;
    save.gmap = fi->gmap;
    save.bmap = fi->bmap;
    save.mapentry = fi->mapentry;
    save.view = fi->frames > 1 ? &view : nullptr;
    FILEREQ req;
    memset(&req, 0, sizeof req);
    req.path = out;
    int rc = IoSaveFile(&req, &save);
    if (rc != FILE_SUCCES) return ToolFail("cannot write %s (%i)", out, rc);
    return 0;
}

} // namespace

int ToolImageInfo(int argc, char **argv) {
    if (argc != 1) return ToolFail("usage: info FILE");
    FILEREQ req;
    memset(&req, 0, sizeof req);
    req.path = argv[0];
    FILEINFO fi;
    RecordGuard guard{&fi, argv[0]};
    if (!IoFindOrReadFileTyp(&req, &fi, IO_READ_PROBE) || fi.ftyp == FTYP_NONE)
        return ToolFail("%s: not a readable image", argv[0]);
    printf("type=%s\nwidth=%i\nheight=%i\nbits=%i\nframes=%i\nmaptyp=%i\n", IoFileTypName(fi.ftyp),
           fi.w, fi.h, fi.bit, fi.frames > 0 ? fi.frames : 1, fi.maptyp);
    return 0;
}

int ToolImageConvert(int argc, char **argv) {
    const char *in = nullptr, *out = nullptr;
    int frame = 0;
    bool all = false;
    for (int i = 0; i < argc; i++) {
        if (!strcmp(argv[i], "--frame") && i + 1 < argc) {
            char *end = nullptr;
            long v = strtol(argv[++i], &end, 10);
            if (!end || *end || v < 0 || v > 1000000) return ToolFail("bad frame '%s'", argv[i]);
            frame = static_cast<int>(v);
        } else if (!strcmp(argv[i], "--all-frames")) {
            all = true;
        } else if (argv[i][0] == '-' && argv[i][1]) {
            return ToolFail("convert: option %s is not supported for this image type", argv[i]);
        } else if (!in) {
            in = argv[i];
        } else if (!out) {
            out = argv[i];
        } else {
            return ToolFail("usage: convert IN OUT [--frame N | --all-frames]");
        }
    }
    if (!in || !out) return ToolFail("usage: convert IN OUT [--frame N | --all-frames]");
    bool jpg = EndsWith(out, ".jpg") || EndsWith(out, ".jpeg");
    if (!jpg && !EndsWith(out, ".pgm") && !EndsWith(out, ".ppm"))
        return ToolFail("%s: unknown output type (use .pgm, .ppm or .jpg)", out);
    FILEREQ req;
    memset(&req, 0, sizeof req);
    req.path = in;
    FILEINFO fi;
    RecordGuard guard{&fi, in};
    if (!IoFindOrReadFileTyp(&req, &fi, IO_READ_FULL) || !fi.fbuf)
        return ToolFail("%s: cannot read", in);
    int frames = fi.frames > 0 ? fi.frames : 1;
    if (frame >= frames) return ToolFail("%s has %i frame(s)", in, frames);
    int first = all ? 0 : frame, last = all ? frames - 1 : frame;
    return jpg ? WriteJpeg(&fi, out, first, last) : WritePnm(&fi, out, first, last);
}
