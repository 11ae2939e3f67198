#include "render/io_xpm.h"

#include "base/lg.h"
#include "toolkit/xinit.h"
#include "base/xmem.h"
#include "render/reduce16.h"
#include "render/reduce8a.h"
#include "render/ximage.h"
#include "base/xerror.h"

#include <cstring>

enum { XPM_COLORS_MAX = 256 };

XImage *ImageCreateFromDataSimple(char **data, const char *bgname) {
    if (!data || !bgname) return nullptr;
    XpmImage img;
    XpmInfo info;
    memset(&info, 0, sizeof info);
    if (XpmCreateXpmImageFromData(data, &img, &info) != XpmSuccess) return nullptr;
    FILEINFO fi;
    memset(&fi, 0, sizeof fi);
    XImage *im = _IoXpm(main_display, "data", bgname, &img, &info, &fi);
    XpmFreeXpmImage(&img);
    XpmFreeXpmInfo(&info);
    return im;
}

static const char *XpmColorName(const XpmColor *c, const char *prev) {
    const char *keys[] = {c->c_color, c->g_color, c->g4_color, c->m_color};
    for (const char *k : keys)
        if (k) return k;
    return prev;
}

XImage *_IoXpm(Display *display, const char *name, const char *bgname, XpmImage *img, XpmInfo *info,
               FILEINFO *fi) {
    (void)info;
    if (!display || !img || !fi) return nullptr;
    if (!name) name = "";
    if (img->ncolors > XPM_COLORS_MAX) {
        MsgErrFile(LG_DEFAULT, name, FILE_ERROR_COLORS, -1, nullptr);
        return nullptr;
    }
    long n = FileBufferSize(img->width, img->height, 1, 1);
    if (n < 0) {
        MsgErrFile(LG_DEFAULT, name, FILE_ERROR_DATA, -1, nullptr);
        return nullptr;
    }
    auto *pal = static_cast<uint8_t *>(MemCreate(3L * (img->ncolors ? img->ncolors : 1), "xpm"));
    if (!pal) return nullptr;
    Colormap cmap = DefaultColormap(display, DefaultScreen(display));
    const char *cname = "none";
    for (unsigned i = 0; i < img->ncolors; i++) {
        cname = XpmColorName(&img->colorTable[i], cname);
        const char *use = (!strcmp(cname, "None") || !strcmp(cname, "none")) ? bgname : cname;
        XColor xc;
        memset(&xc, 0, sizeof xc);
        if (use) XParseColor(display, cmap, use, &xc);
        pal[3 * i] = static_cast<uint8_t>(xc.red >> 8);
        pal[3 * i + 1] = static_cast<uint8_t>(xc.green >> 8);
        pal[3 * i + 2] = static_cast<uint8_t>(xc.blue >> 8);
    }
    auto *idx = static_cast<uint8_t *>(MemCreate(n, "xpm"));
    if (!idx) {
        MemFree(pal, "xpm");
        MsgErrFile(LG_DEFAULT, name, FILE_ERROR_DATA, -1, nullptr);
        return nullptr;
    }
    for (long i = 0; i < n; i++)
        idx[i] = static_cast<uint8_t>(img->data[i]);
    XImage *im =
        ImageCreateFromData(idx, pal, static_cast<int>(img->width), static_cast<int>(img->height),
                            static_cast<int>(img->ncolors), name, fi);
    MemFree(idx, "xpm");
    if (im) {
        im->width = static_cast<int>(img->width);
        im->height = static_cast<int>(img->height);
    }
    return im;
}

XImage *ImageCreateFromData(uint8_t *pixels, uint8_t *pal, int w, int h, int ncolors,
                            const char *name, FILEINFO *fi) {
    (void)name;
    int depth = WinDisplayGetDepth(main_display);
    if (depth < 8 || !pixels || !pal || !fi) {
        if (pal) MemFree(pal, "xpm");
        return nullptr;
    }
    fi->bit = 8;
    fi->maptyp = MAPTYP_GREY;
    fi->w = w;
    fi->h = h;
    fi->fname = nullptr;
    if (!reduce_pal || !reduce_pal->red || !reduce_pal->green || !reduce_pal->blue) {
        MemFree(pal, "xpm");
        return nullptr;
    }
    for (int i = 0; i < 256; i++) {
        bool set = i < ncolors;
        reduce_pal->red[i] = set ? pal[3 * i] * 256 : 0;
        reduce_pal->green[i] = set ? pal[3 * i + 1] * 256 : 0;
        reduce_pal->blue[i] = set ? pal[3 * i + 2] * 256 : 0;
    }
    MemFree(pal, "xpm");
    if (depth == 8) {
        XImage *im = ImageCreate(8, ZPixmap, w, h);
        if (!im) return nullptr;
        fi->ximage = im;
        for (int y = 0; y < h; y++)
            memcpy(im->data + static_cast<size_t>(y) * im->bytes_per_line,
                   pixels + static_cast<size_t>(y) * w, static_cast<size_t>(w));
        // The rows are padded to the line length, so translate each row where it now lies.
        if (!reduce_pal->pxl || !reduce_pal->find) {
            WinFreeXImage(im);
            fi->ximage = nullptr;
            return nullptr;
        }
        _XSetup8to8(nullptr, 0, 0, 1);
        for (int y = 0; y < h; y++) {
            auto *row =
                reinterpret_cast<uint8_t *>(im->data) + static_cast<size_t>(y) * im->bytes_per_line;
            for (int x = 0; x < w; x++)
                row[x] = static_cast<uint8_t>(reduce_pal->pxl[row[x]]);
        }
    } else if (depth == 15 || depth == 16) {
        if (WinCreateXImage(nullptr, fi, 16) != 0) return nullptr;
        Wide8to16(pixels, fi);
    } else if (depth == 24 || depth == 32) {
        if (WinCreateXImage(nullptr, fi, 32) != 0) return nullptr;
        Wide8to32(pixels, fi);
    }
    return fi->ximage;
}
