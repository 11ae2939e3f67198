#include "render/ximage.h"

#include "dicom/io_dicom.h"
#include "image/io_levels.h"

#include "base/lg.h"
#include "base/xerror.h"
#include "base/xmem.h"
#include "render/reduce16.h"
#include "render/reduce8a.h"
#include "toolkit/xcolor.h"
#include "toolkit/xinit.h"

#include <cstring>
#include <vector>

static REDUCEPAL display_pal = {Red, Green, Blue, main_colormap_def_pxl, FindRGBInColormap};

static int ImageFreeHook(XImage *image) {
    return WinFreeXImage(image);
}

void Setup16Shift() {
    if (!main_visual) return;
    Setup16ShiftMasks(main_visual->red_mask, main_visual->green_mask, main_visual->blue_mask);
}

int ImageDisplaySetup(Display *display) {
    reduce_pal = &display_pal;
    IoXImageFreeHook = ImageFreeHook;
    if (!display) return WIN_ERROR_ARG;
    int screen = DefaultScreen(display);
    int depth = DefaultDepth(display, screen);
    if (depth == 15 || depth == 16) {
        const Visual *v = DefaultVisual(display, screen);
        Setup16ShiftMasks(v->red_mask, v->green_mask, v->blue_mask);
    }
    return 0;
}

int IoRenderView(void *ctx, FILEINFO *fi) {
    return WinCreateXImageSimple(static_cast<WINDAT *>(ctx), fi);
}

int ImagePadForDepth(int depth) {
    if (depth == 8) return 8;
    if (depth == 15 || depth == 16) return 16;
    if (depth == 24 || depth == 32) return 32;
    return 0;
}

XImage *ImageCreate(int pad, int format, int width, int height) {
    if (width < 1 || height < 1) return nullptr;
    // Whoever makes display images lets the core release the ones records hold.
    IoXImageFreeHook = ImageFreeHook;
    XImage *im =
        XCreateImage(main_display, main_visual, static_cast<unsigned>(main_depth), format, 0,
                     nullptr, static_cast<unsigned>(width), static_cast<unsigned>(height), pad, 0);
    if (!im) {
        MsgErrWin(LG_DEFAULT, "ximage_create", -8);
        return nullptr;
    }
    long size = 0;
    if (__builtin_mul_overflow(static_cast<long>(im->bytes_per_line), static_cast<long>(height),
                               &size) ||
        size <= 0) {
        XDestroyImage(im);
        return nullptr;
    }
    // XDestroyImage frees the block with free(), which is what the tagged allocator uses.
    im->data = static_cast<char *>(MemCreate(size, "ximage"));
    if (!im->data) {
        XDestroyImage(im);
        return nullptr;
    }
    return im;
}

int WinCreateXImage(WINDAT *view, FILEINFO *fi, int pad) {
    if (!fi) return WIN_ERROR_NOWINDOW;
    if (fi->w < 1 || fi->h < 1) return WIN_ERROR_ARG;
    int w = fi->w, h = fi->h;
    if (view) {
        if (w > view->width) w = view->width;
        if (h > view->height) h = view->height;
    }
    XImage *im = ImageCreate(pad, ZPixmap, w, h);
    if (!im) return WIN_ERROR_MEMORY;
    fi->ximage = im;
    return 0;
}

int WinCreateXImageSimple(WINDAT *view, FILEINFO *fi) {
    if (!view || !fi) return WIN_ERROR_ARG;
    if (view->typ != WIN_PAINT) return WIN_ERROR_TYPE;
    if (fi->bit == 8 || fi->bit == 24) {
        int pad = ImagePadForDepth(WinDisplayGetDepth(view->usr.display));
        if (pad) WinCreateXImage(view, fi, pad);
    }
    return fi->ximage ? 0 : -24;
}

int WinFreeXImage(XImage *image) {
    if (image) XDestroyImage(image);
    return 0;
}

static void WinFreeRecord(FILEINFO *fi) {
    const char *tag = fi->fname ? fi->fname : "ip";
    ImageLevelsDrop(fi);
    if (fi->ximage) WinFreeXImage(fi->ximage);
    fi->ximage = nullptr;
    void **blocks[] = {reinterpret_cast<void **>(&fi->fbuf), reinterpret_cast<void **>(&fi->rmap),
                       reinterpret_cast<void **>(&fi->gmap), reinterpret_cast<void **>(&fi->bmap),
                       reinterpret_cast<void **>(&fi->markers)};
    for (void **b : blocks) {
        if (*b) MemFree(*b, tag);
        *b = nullptr;
    }
    if (fi->fname) MemFree(fi->fname, "ip");
    fi->fname = nullptr;
    fi->markerlen = 0;
    // The record owns its DICOM data too.
    DicomDataRelease(fi);
}

int WinFreeImage(WINDAT *view, int index, int all) {
    if (!view || index < 0) return WIN_ERROR_ARG;
    if (view->typ != WIN_PAINT) return WIN_ERROR_TYPE;
    if (!view->img_list) return WIN_ERROR_MEMORY;
    if (index >= view->img_count) return WIN_ERROR_ARG;
    auto *list = static_cast<PAINTIMG *>(view->img_list);
    if (all) {
        for (int i = 0; i < view->img_count; i++)
            WinFreeRecord(&list[i].fi);
        MemFree(list, "ip");
        view->img_list = nullptr;
        view->img_count = 0;
    } else {
        WinFreeRecord(&list[index].fi);
    }
    view->img_current = 0;
    return 0;
}

int IoAlbumEntryPaintInit(ALBUMDAT *album) {
    if (!album) return WIN_ERROR_ARG;
    if (!album->file.data) return FILE_ERROR_DATA;
    WINDAT *view = album->view;
    if (!view) return WIN_ERROR_CHILD;
    // A list without counted cells holds no records, only itself.
    if (view->img_list && WinFreeImage(view, 0, 1) != 0) MemFree(view->img_list, "ip");
    view->img_list = nullptr;
    view->img_count = 0;
    view->img_current = 0;
    if (album->entries < 1) return FILE_SUCCES;
    long size = static_cast<long>(album->entries) * static_cast<long>(sizeof(PAINTIMG));
    auto *list = static_cast<PAINTIMG *>(MemCreate(size, "ip"));
    if (!list) return WIN_ERROR_MEMORY;
    memset(list, 0, static_cast<size_t>(size));
    // Every entry gets its cell, decodable or not: saving drops cells by index.
    for (int i = 0; i < album->entries; i++)
        IoAlbumEntryImage(album, i, &list[i].fi);
    view->img_list = list;
    view->img_size = sizeof(PAINTIMG);
    view->img_count = album->entries;
    return FILE_SUCCES;
}

int IoAlbumEntrySave(ALBUMDAT *album) {
    if (!album) return WIN_ERROR_ARG;
    if (!album->file.data) return FILE_ERROR_DATA;
    if (!album->view) return WIN_ERROR_CHILD;
    // A removed cell has lost its name; an undecodable one keeps it.
    std::vector<uint8_t> drop(static_cast<size_t>(album->entries) + 1, 0);
    const auto *list = static_cast<const PAINTIMG *>(album->view->img_list);
    for (int i = 0; list && i < album->entries && i < album->view->img_count; i++)
        drop[i] = list[i].fi.fname ? 0 : 1;
    return IoAlbumEntrySaveDrop(album, drop.data());
}
