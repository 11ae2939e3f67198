#include "widgets/xpaint.h"

#include "base/lg.h"
#include "base/settings.h"
#include "base/xmem.h"
#include "image/io_levels.h"
#include "render/reduce16.h"
#include "render/reduce8a.h"
#include "toolkit/xcolor.h"
#include "toolkit/xevent.h"
#include "toolkit/xinit.h"
#include "toolkit/xtext.h"
#include "toolkit/xtools.h"
#include "toolkit/xwinfunc.h"
#include "widgets/xscroll.h"

#include <X11/keysym.h>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

const long PAINT_INPUT = KeyPressMask | KeyReleaseMask | ButtonPressMask | ButtonReleaseMask |
                         EnterWindowMask | LeaveWindowMask | ButtonMotionMask | ExposureMask |
                         FocusChangeMask; // 0x20a03f

static int Slot(WINDAT *v, int s) {
    return v && v->usr.im ? v->usr.im[s] : 0;
}
static int SlotSet(WINDAT *v, int s, int value) {
    if (!v) return WIN_ERROR_ARG;
    if (!v->usr.im) return WIN_ERROR_MEMORY;
    v->usr.im[s] = value;
    return 0;
}

int PaintXImageGetPosX(WINDAT *v) {
    return Slot(v, PAINT_POSX);
}
int PaintXImageSetPosX(WINDAT *v, int x) {
    return SlotSet(v, PAINT_POSX, x);
}
int PaintXImageGetPosY(WINDAT *v) {
    return Slot(v, PAINT_POSY);
}
int PaintXImageSetPosY(WINDAT *v, int y) {
    return SlotSet(v, PAINT_POSY, y);
}
int PaintImgWHGet(WINDAT *v) {
    return Slot(v, PAINT_THUMBH);
}
int PaintImgWHSet(WINDAT *v, int h) {
    return SlotSet(v, PAINT_THUMBH, h);
}
int PaintImgWGetMax(WINDAT *v) {
    return Slot(v, PAINT_WMAX);
}
int PaintImgWSetMax(WINDAT *v, int w) {
    return SlotSet(v, PAINT_WMAX, w);
}
int PaintImgHGetMax(WINDAT *v) {
    return Slot(v, PAINT_HMAX);
}
int PaintImgHSetMax(WINDAT *v, int h) {
    return SlotSet(v, PAINT_HMAX, h);
}
int PaintImgCurFirstGet(WINDAT *v) {
    return Slot(v, PAINT_FIRST);
}
int PaintImgCurFirstSet(WINDAT *v, int i) {
    return SlotSet(v, PAINT_FIRST, i);
}
int PaintImgCurSelectGet(WINDAT *v) {
    return Slot(v, PAINT_SELECT);
}
int PaintImgCurSelectSet(WINDAT *v, int i) {
    return SlotSet(v, PAINT_SELECT, i);
}
int PaintDependGetRedraw(WINDAT *v) {
    return Slot(v, PAINT_DEPEND);
}
int PaintDependSetRedraw(WINDAT *v, int f) {
    return SlotSet(v, PAINT_DEPEND, f);
}

int PaintWndPropFileSet(WINDAT *v, WINDAT *prop) {
    return v ? WinUSRStringArrayValueSet(v, 1, reinterpret_cast<char *>(prop)) : WIN_ERROR_ARG;
}
WINDAT *PaintWndPropFileGet(WINDAT *v) {
    return v ? reinterpret_cast<WINDAT *>(WinUSRStringArrayValueGet(v, 1)) : nullptr;
}
int PaintWndStatusSet(WINDAT *v, WINDAT *status) {
    return v ? WinUSRStringArrayValueSet(v, 2, reinterpret_cast<char *>(status)) : WIN_ERROR_ARG;
}
WINDAT *PaintWndStatusGet(WINDAT *v) {
    return v ? reinterpret_cast<WINDAT *>(WinUSRStringArrayValueGet(v, 2)) : nullptr;
}

PAINTIMG *PaintImgGet(WINDAT *v, int index) {
    if (!v || !v->img_list || index < 0 || index >= v->img_count) return nullptr;
    return static_cast<PAINTIMG *>(v->img_list) + index;
}

static PAINTIMG *Current(WINDAT *v) {
    return PaintImgGet(v, v ? v->img_current : -1);
}

// ---- creation and the image list

static int PaintEvRelease(WINDAT *v) {
    return PaintRelease(v);
}

void PaintEvInit() {
    static WINEVHANDLER h = {PaintPress, PaintEvRelease, nullptr, PaintKey, nullptr, nullptr};
    h.motion = PaintPress;
    h.rrelease = PaintEvRelease;
    WinEvHandlerSet(WIN_PAINT, &h);
}

WINDAT *PaintCreate(WINDAT *parent, int x, int y, WINTYP *typ, const WINNEIGHBOR *nb,
                    const char *name) {
    if (!parent || !typ || !nb) return nullptr;
    PaintEvInit();
    WINTYP t = *typ;
    t.typ = WIN_PAINT;
    if (!t.func[WIN_FUNC_EXPOSE]) t.func[WIN_FUNC_EXPOSE] = ExposePaint;
    if (!t.func[WIN_FUNC_RESIZE]) t.func[WIN_FUNC_RESIZE] = ResizePaint;
    WINDAT *v = WinCreate(parent, x, y, &t, nb, name, fontfs_text);
    if (!v) return nullptr;
    WinSetFuncIntClose(v, PaintFuncIntClose);
    WinSelectInput(v->usr.display, v->window, PAINT_INPUT);
    if (WinUSRStringArrayCreate(v, 2) != 0 || WinUSRIntArrayCreate(v, PAINT_INTS) != 0 ||
        PaintImgPaintMemCreate(v, 1) != 0) {
        WinClose(v);
        return nullptr;
    }
    return v;
}

int PaintImgPaintMemCreate(WINDAT *v, int count) {
    if (!v) return WIN_ERROR_ARG;
    if (count < 1) return WIN_ERROR_ARG;
    long size = static_cast<long>(count) * static_cast<long>(sizeof(PAINTIMG));
    auto *list = static_cast<PAINTIMG *>(MemCreate(size, "ip"));
    if (!list) return WIN_ERROR_NOIMAGE;
    memset(list, 0, static_cast<size_t>(size));
    v->img_list = list;
    v->img_size = sizeof(PAINTIMG);
    v->img_count = count;
    v->img_current = 0;
    return 0;
}

int PaintImgSetup(WINDAT *v, int count) {
    if (!v) return WIN_ERROR_ARG;
    if (v->typ != WIN_PAINT) return WIN_ERROR_TYPE;
    if (v->img_list && v->img_count > 0)
        WinFreeImage(v, 0, 1);
    else if (v->img_list)
        MemFree(v->img_list, "ip");
    v->img_list = nullptr;
    v->img_count = 0;
    WinClearWindow(v);
    memset(v->sel, 0, sizeof v->sel);
    for (int s = PAINT_POSX; s <= PAINT_SELECT; s++)
        SlotSet(v, s, 0);
    return PaintImgPaintMemCreate(v, count);
}

int PaintImgRemove(WINDAT *v, int index) {
    if (!v || !v->img_list || v->img_count < 1) return WIN_ERROR_NOIMAGE;
    if (index < 0 || index >= v->img_count) return WIN_ERROR_ARG;
    PAINTIMG *e = PaintImgGet(v, index);
    int cur = v->img_current;
    WinFreeImage(v, index, 0);
    v->img_current = cur;
    e->x = e->y = e->cw = e->ch = 0;
    return 0;
}

int PaintImgExist(WINDAT *v) {
    for (int i = 0; v && i < v->img_count; i++)
        if (PaintImgGet(v, i)->fi.ximage) return i;
    return WIN_ERROR_NOIMAGE;
}

const char *PaintGetFileName(WINDAT *v) {
    PAINTIMG *e = Current(v);
    if (!e || !e->fi.fname) return nullptr;
    const char *s = strrchr(e->fi.fname, '/');
    return s ? s + 1 : e->fi.fname;
}

int PaintFuncIntClose(WINDATUSR *rec) {
    if (!rec || !rec->win) return WIN_ERROR_NOWINDOW;
    WINDAT *v = rec->win;
    if (v->img_list && v->img_count > 0)
        WinFreeImage(v, 0, 1);
    else if (v->img_list)
        MemFree(v->img_list, "ip");
    v->img_list = nullptr;
    v->img_count = 0;
    WinUSRStringArrayRemove(v);
    return WinUSRIntArrayRemove(v);
}

// ---- rendering

int PaintCalcImageScrollSize(WINDAT *v, int axis) {
    if (axis != 0 && axis != 1) return WIN_ERROR_ARG;
    PAINTIMG *e = Current(v);
    if (!e) return WIN_ERROR_MEMORY;
    int size = axis ? e->fi.h : e->fi.w;
    return static_cast<int>(static_cast<float>(v->zoom) * static_cast<float>(size) / 100.0f);
}

int PaintCalcImageScrollValue(WINDAT *v, int value) {
    if (!v) return WIN_ERROR_ARG;
    return static_cast<int>(static_cast<float>(v->zoom) * static_cast<float>(value) / 100.0f);
}

int PaintCalcTable(int size, int zsize, int scroll, int n, int *out) {
    if (size < 1 || zsize < 1 || n < 0 || !out) return WIN_ERROR_ARG;
    for (int i = 0; i < n; i++) {
        float p = static_cast<float>(static_cast<long>(size) * (i + scroll));
        int s = static_cast<int>(p / static_cast<float>(zsize));
        // Single precision may round the last index up to the size itself.
        out[i] = s < size ? (s < 0 ? 0 : s) : size - 1;
    }
    return 0;
}

// The three 8-bit components of palette index i of an 8-bit record.
static void Comp8(const FILEINFO *fi, int i, int *r, int *g, int *b) {
    if (fi->rmap && fi->gmap && fi->bmap && fi->maptyp >= MAPTYP_8BIT) {
        int k = std::min(i, IoMapEntries(fi) - 1);
        int sh = fi->maptyp >= MAPTYP_PALETTE ? 8 : 0;
        *r = (fi->rmap[k] >> sh) & 0xFF, *g = (fi->gmap[k] >> sh) & 0xFF,
        *b = (fi->bmap[k] >> sh) & 0xFF;
        return;
    }
    *r = (Red[i] >> 8) & 0xFF, *g = (Green[i] >> 8) & 0xFF, *b = (Blue[i] >> 8) & 0xFF;
}

// Pixel table of an 8-bit record on an 8-bit display.
static void Lut8(const FILEINFO *fi, uint8_t lut[256]) {
    for (int i = 0; i < 256; i++) {
        int r, g, b;
        if (fi->rmap && fi->gmap && fi->bmap && fi->maptyp >= MAPTYP_8BIT) {
            int k = std::min(i, IoMapEntries(fi) - 1);
            bool wide = fi->maptyp >= MAPTYP_PALETTE;
            // 8-bit values widen by 257: 255 is full intensity, as the colormap's white is.
            r = wide ? fi->rmap[k] : (fi->rmap[k] & 0xFF) * 257;
            g = wide ? fi->gmap[k] : (fi->gmap[k] & 0xFF) * 257;
            b = wide ? fi->bmap[k] : (fi->bmap[k] & 0xFF) * 257;
        } else {
            r = Red[i], g = Green[i], b = Blue[i];
        }
        long p = FindRGBInColormap(r, g, b);
        lut[i] = static_cast<uint8_t>(p < 0 ? 0 : p);
    }
}

static unsigned long Pack16(int r, int g, int b, const XImage *d) {
    auto sh = [](unsigned c, int s, unsigned long m) {
        return (s >= 0 ? c >> s : static_cast<unsigned long>(c) << -s) & m;
    };
    return sh(static_cast<unsigned>(r), Rshift, d->red_mask) |
           sh(static_cast<unsigned>(g), Gshift, d->green_mask) |
           sh(static_cast<unsigned>(b), Bshift, d->blue_mask);
}

static int RenderTo8(const FILEINFO *fi, const uint8_t *src, XImage *d, const int *xt,
                     const int *yt) {
    int dw = d->width, dh = d->height;
    auto *out = reinterpret_cast<uint8_t *>(d->data);
    if (fi->bit == 24) {
        std::vector<uint8_t> tmp(static_cast<size_t>(dw) * dh * 3);
        for (int y = 0; y < dh; y++) {
            const uint8_t *row = src + static_cast<size_t>(yt[y]) * fi->w * 3;
            uint8_t *t = tmp.data() + static_cast<size_t>(y) * dw * 3;
            for (int x = 0; x < dw; x++, t += 3)
                memcpy(t, row + static_cast<size_t>(xt[x]) * 3, 3);
        }
        FILEINFO r{};
        r.w = dw, r.h = dh, r.bit = 24, r.ximage = d;
        return Reduce24to8(tmp.data(), &r) == 0 ? 0 : WIN_ERROR_MEMORY;
    }
    uint8_t lut[256];
    Lut8(fi, lut);
    for (int y = 0; y < dh; y++) {
        const uint8_t *row = src + static_cast<size_t>(yt[y]) * fi->w;
        uint8_t *o = out + static_cast<size_t>(y) * d->bytes_per_line;
        for (int x = 0; x < dw; x++)
            o[x] = lut[row[xt[x]]];
    }
    return 0;
}

static int RenderTo16(const FILEINFO *fi, const uint8_t *src, XImage *d, const int *xt,
                      const int *yt) {
    bool msb = d->byte_order == MSBFirst;
    uint16_t lut[256];
    if (fi->bit == 8)
        for (int i = 0; i < 256; i++) {
            int r, g, b;
            Comp8(fi, i, &r, &g, &b);
            lut[i] = static_cast<uint16_t>(Pack16(r, g, b, d));
        }
    for (int y = 0; y < d->height; y++) {
        auto *o = reinterpret_cast<uint8_t *>(d->data) + static_cast<size_t>(y) * d->bytes_per_line;
        for (int x = 0; x < d->width; x++, o += 2) {
            unsigned p;
            if (fi->bit == 8) {
                p = lut[src[static_cast<size_t>(yt[y]) * fi->w + xt[x]]];
            } else {
                const uint8_t *s = src + (static_cast<size_t>(yt[y]) * fi->w + xt[x]) * 3;
                // The masks place the components; the byte order only orders the two bytes.
                p = static_cast<unsigned>(Pack16(s[0], s[1], s[2], d));
            }
            o[msb ? 0 : 1] = static_cast<uint8_t>(p >> 8);
            o[msb ? 1 : 0] = static_cast<uint8_t>(p);
        }
    }
    return 0;
}

static int RenderTo32(const FILEINFO *fi, const uint8_t *src, XImage *d, const int *xt,
                      const int *yt) {
    bool msb = d->byte_order == MSBFirst;
    int step = d->bits_per_pixel == 32 ? 4 : 3;
    uint8_t lut[256][3];
    if (fi->bit == 8)
        for (int i = 0; i < 256; i++) {
            int r, g, b;
            Comp8(fi, i, &r, &g, &b);
            lut[i][0] = static_cast<uint8_t>(r), lut[i][1] = static_cast<uint8_t>(g),
            lut[i][2] = static_cast<uint8_t>(b);
        }
    std::vector<int> xoff(static_cast<size_t>(d->width));
    for (int x = 0; x < d->width; x++)
        xoff[static_cast<size_t>(x)] = fi->bit == 24 ? xt[x] * 3 : xt[x];
    for (int y = 0; y < d->height; y++) {
        auto *o = reinterpret_cast<uint8_t *>(d->data) + static_cast<size_t>(y) * d->bytes_per_line;
        const uint8_t *row = src + static_cast<size_t>(yt[y]) * fi->w * (fi->bit == 24 ? 3 : 1);
        if (!msb && step == 4 && fi->bit == 24) {
            // The common case, one word per pixel: B, G, R, 0 in memory.
            auto *o32 = reinterpret_cast<uint32_t *>(o);
            for (int x = 0; x < d->width; x++) {
                const uint8_t *s = row + xoff[static_cast<size_t>(x)];
                uint8_t px[4] = {s[2], s[1], s[0], 0};
                memcpy(&o32[x], px, 4);
            }
            continue;
        }
        for (int x = 0; x < d->width; x++, o += step) {
            const uint8_t *c;
            uint8_t rgb[3];
            if (fi->bit == 24) {
                c = row + xoff[static_cast<size_t>(x)];
            } else {
                memcpy(rgb, lut[row[xoff[static_cast<size_t>(x)]]], 3);
                c = rgb;
            }
            if (msb) {
                int k = 0;
                if (step == 4) o[k++] = 0;
                o[k++] = c[0], o[k++] = c[1], o[k] = c[2];
            } else {
                o[0] = c[2], o[1] = c[1], o[2] = c[0];
                if (step == 4) o[3] = 0;
            }
        }
    }
    return 0;
}

// Pulls a scroll offset back so that the display image stays inside the zoomed image.
static int ClampScroll(int zsize, int shown, int *scroll) {
    if (zsize < shown + *scroll) *scroll = zsize - shown;
    return *scroll < 0 ? WIN_ERROR_ARG : 0;
}

static int PaintRender(const FILEINFO *fi, const uint8_t *src, XImage *d, const int *xt,
                       const int *yt);

// Called on the levels' builder thread once they are ready: an expose brings the smooth picture.
static void PaintLevelsDone(void *ctx, const std::atomic<int> *cancel) {
    auto *v = static_cast<WINDAT *>(ctx);
    // The view's owner drops the levels (and waits for this) while holding the lock.
    while (!cancel->load()) {
        if (!ToolkitTryLock()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
            continue;
        }
        if (!cancel->load() && v->window) {
            XEvent ev{};
            ev.xexpose.type = Expose;
            ev.xexpose.display = v->usr.display;
            ev.xexpose.window = v->window;
            ev.xexpose.width = v->width;
            ev.xexpose.height = v->height;
            XSendEvent(v->usr.display, v->window, False, ExposureMask, &ev);
            XFlush(v->usr.display);
        }
        ToolkitUnlock();
        return;
    }
}

// Below 100 % each screen pixel is the mean of the picture pixels it covers, taken from the
// picture's reduced levels; until they are built (on a thread of their own) the caller paints
// point-sampled pixels (-24).
static int PaintSmooth(WINDAT *v, FILEINFO *fi, int frame, XImage *d, int sx, int sy, int zw,
                       int zh) {
    if (!ImageLevelsReady(fi, frame)) {
        // This paint stays point-sampled; the builder's expose brings the smooth one.
        if (ImageLevelsFrame(fi) != frame) ImageLevelsStart(fi, frame, PaintLevelsDone, v);
        return WIN_ERROR_NOIMAGE;
    }
    const int ow = d->width, oh = d->height;
    std::vector<int> xs(static_cast<size_t>(ow) + 1), ys(static_cast<size_t>(oh) + 1);
    for (int i = 0; i <= ow; i++)
        xs[static_cast<size_t>(i)] = static_cast<int>(
            std::min<long long>(fi->w, static_cast<long long>(i + sx) * fi->w / zw));
    for (int j = 0; j <= oh; j++)
        ys[static_cast<size_t>(j)] = static_cast<int>(
            std::min<long long>(fi->h, static_cast<long long>(j + sy) * fi->h / zh));
    std::vector<uint8_t> box(static_cast<size_t>(ow) * oh * 3);
    int grey = 0;
    if (ImageLevelsBox(fi, xs.data(), ow, ys.data(), oh, box.data(), &grey) != FILE_SUCCES)
        return WIN_ERROR_NOIMAGE;
    FILEINFO t{};
    t.w = ow;
    t.h = oh;
    t.bit = grey ? 8 : 24;
    if (grey) {
        t.maptyp = fi->maptyp, t.mapentry = fi->mapentry;
        t.rmap = fi->rmap, t.gmap = fi->gmap, t.bmap = fi->bmap;
    }
    std::vector<int> it(static_cast<size_t>(ow)), jt(static_cast<size_t>(oh));
    for (int i = 0; i < ow; i++)
        it[static_cast<size_t>(i)] = i;
    for (int j = 0; j < oh; j++)
        jt[static_cast<size_t>(j)] = j;
    return PaintRender(&t, box.data(), d, it.data(), jt.data());
}

int PaintCalcImageSize(WINDAT *v) {
    if (!v) return WIN_ERROR_ARG;
    PAINTIMG *e = Current(v);
    if (!e || !e->fi.ximage || !e->fi.fbuf) return WIN_ERROR_NOIMAGE;
    if (!v->usr.im) return WIN_ERROR_MEMORY;
    FILEINFO *fi = &e->fi;
    XImage *d = fi->ximage;
    if (fi->w < 1 || fi->h < 1 || d->width < 1 || d->height < 1) return WIN_ERROR_ARG;
    if (fi->bit != 8 && fi->bit != 24) return WIN_ERROR_ARG;
    int zw = PaintCalcImageScrollSize(v, 0), zh = PaintCalcImageScrollSize(v, 1);
    if (zw < 1 || zh < 1) return WIN_ERROR_ARG;
    int sx = PaintXImageGetPosX(v), sy = PaintXImageGetPosY(v);
    if (ClampScroll(zw, d->width, &sx) || ClampScroll(zh, d->height, &sy)) return WIN_ERROR_ARG;
    PaintXImageSetPosX(v, sx);
    PaintXImageSetPosY(v, sy);
    std::vector<int> xt(static_cast<size_t>(d->width)), yt(static_cast<size_t>(d->height));
    PaintCalcTable(fi->w, zw, sx, d->width, xt.data());
    PaintCalcTable(fi->h, zh, sy, d->height, yt.data());
    int frames = fi->frames > 0 ? fi->frames : 1;
    int frame = fi->frame >= 0 && fi->frame < frames ? fi->frame : 0;
    long fsize = static_cast<long>(fi->w) * fi->h * (fi->bit == 24 ? 3 : 1);
    const uint8_t *src = fi->fbuf + frame * fsize;
    if (v->zoom < 100) {
        int r = PaintSmooth(v, fi, frame, d, sx, sy, zw, zh);
        if (r != WIN_ERROR_NOIMAGE) return r;
    }
    return PaintRender(fi, src, d, xt.data(), yt.data());
}

static int PaintRender(const FILEINFO *fi, const uint8_t *src, XImage *d, const int *xt,
                       const int *yt) {
    switch (d->bits_per_pixel) {
    case 8:
        return RenderTo8(fi, src, d, xt, yt);
    case 16:
        return RenderTo16(fi, src, d, xt, yt);
    case 24:
    case 32:
        return RenderTo32(fi, src, d, xt, yt);
    default:
        return WIN_ERROR_ARG;
    }
}

// A display image of the zoomed size cut to the window, in the display's depth.
static XImage *PaintXImageMake(WINDAT *v, const FILEINFO *fi, int zw, int zh) {
    if (fi->bit != 8 && fi->bit != 24) return nullptr;
    int pad = ImagePadForDepth(WinDisplayGetDepth(v->usr.display));
    if (!pad) return nullptr;
    return ImageCreate(pad, ZPixmap, std::min(zw, v->width), std::min(zh, v->height));
}

// Replaces the current display image by one for the present zoom and window size.
static int PaintXImageRenew(WINDAT *v, int zw, int zh) {
    PAINTIMG *e = Current(v);
    if (!e) return WIN_ERROR_NOIMAGE;
    XImage *im = PaintXImageMake(v, &e->fi, zw, zh);
    if (!im) return WIN_ERROR_MEMORY;
    if (e->fi.ximage) WinFreeXImage(e->fi.ximage);
    e->fi.ximage = im;
    if (im->width != v->width || im->height != v->height) WinClearWindow(v);
    return 0;
}

int PaintViewZoom(WINDAT *v, int command) {
    if (!v) return WIN_ERROR_ARG;
    if (v->state != PAINT_SINGLE) return 0;
    PAINTIMG *e = Current(v);
    if (!e || e->fi.w < 1) return WIN_ERROR_NOIMAGE;
    int zoom = v->zoom;
    if (command == PAINT_ZOOM_100)
        zoom = 100;
    else if (command == PAINT_ZOOM_OUT)
        zoom = std::max(1, zoom - 100);
    else if (command == PAINT_ZOOM_IN)
        zoom += 100;
    int zw = static_cast<int>(static_cast<float>(zoom) * e->fi.w / 100.0f);
    int zh = static_cast<int>(static_cast<float>(zoom) * e->fi.h / 100.0f);
    if (zw < 1 || zh < 1) return WIN_ERROR_ARG;
    v->zoom = zoom;
    PaintXImageRenew(v, zw, zh);
    WinPaint(v);
    ScrollWndUpdateMaxFromChild(v, zw, zh);
    return 0;
}

int PaintXImageResize(WINDAT *v) {
    if (!v) return WIN_ERROR_ARG;
    PAINTIMG *e = Current(v);
    if (!e || !e->fi.fbuf) return WIN_ERROR_NOIMAGE;
    int zw = PaintCalcImageScrollSize(v, 0), zh = PaintCalcImageScrollSize(v, 1);
    if (zw < 1 || zh < 1) return WIN_ERROR_ARG;
    int r = PaintXImageRenew(v, zw, zh);
    if (r) return r;
    ScrollWndInitMax(v->usr.parent, zw, zh);
    WinClearWindow(v);
    WinPaint(v);
    ScrollWndUpdateFromChild(v);
    return 0;
}

int PaintImgShow(WINDAT *v) {
    PAINTIMG *e = Current(v);
    if (!e || !e->fi.fbuf) return WIN_ERROR_NOIMAGE;
    v->zoom = 100;
    PaintXImageSetPosX(v, 0);
    PaintXImageSetPosY(v, 0);
    int r = PaintXImageRenew(v, e->fi.w, e->fi.h);
    if (r) return r;
    WINDAT *scroll = v->usr.parent;
    if (scroll && scroll->typ == WIN_SCROLLM) {
        ScrollWndUpdateMaxFromChild(v, e->fi.w, e->fi.h);
        // A film gets its player, any picture the navigator.
        if (WINDAT *tools = ScrollGetToolbar(scroll))
            for (int i = 0; i < tools->nchild; i++)
                WinSetDisable(tools->child[i], i > 0 && e->fi.frames < 2, 1);
    }
    return WinPaint(v);
}

// ---- exposing

void (*PaintShownHook)(WINDAT *view) = nullptr;

int PaintXImageOffset(WINDAT *v, int axis) {
    if (!v || v->state != PAINT_SINGLE || (axis != 0 && axis != 1)) return 0;
    PAINTIMG *e = Current(v);
    if (!e || !e->fi.ximage) return 0;
    int zsize = PaintCalcImageScrollSize(v, axis);
    int room = axis ? v->height : v->width;
    return zsize > 0 && zsize < room ? (room - zsize) / 2 : 0;
}

static int PaintSingleExpose(WINDAT *v) {
    PAINTIMG *e = Current(v);
    if (!e || !e->fi.ximage) return WIN_ERROR_NOIMAGE;
    if (e->fi.busy == 1) return -30;
    e->fi.busy = 1;
    int r = PaintCalcImageSize(v);
    if (r == 0) {
        XImage *d = e->fi.ximage;
        XPutImage(v->usr.display, v->window, v->gc, d, 0, 0, PaintXImageOffset(v, 0),
                  PaintXImageOffset(v, 1), static_cast<unsigned>(d->width),
                  static_cast<unsigned>(d->height));
    }
    e->fi.busy = 0;
    if (r) return r;
    if (PaintShownHook) PaintShownHook(v);
    if (AskFileInfoInWinPaint && v->label && *v->label) {
        int n = static_cast<int>(strlen(v->label));
        int tw = WinGetTextWidth(fontfs_text, v->label, n);
        int th = WinGetTextHeight(fontfs_text, WIN_TEXT_SAMPLE, 0);
        XSetForeground(v->usr.display, v->gc, fg_paintTxt);
        WinDrawString(v, (v->width - tw) / 2 + 2, th + 4, v->label, n);
        XSetForeground(v->usr.display, v->gc, fg_paint);
    }
    PaintSelectDraw(v);
    return 0;
}

int ExposePaint(WINDATUSR *rec) {
    if (!rec || !rec->win) return WIN_ERROR_NOWINDOW;
    WINDAT *v = rec->win;
    if (!v->window) return WIN_ERROR_GC;
    if (!v->img_list) return WIN_ERROR_NOIMAGE;
    if (v->state == PAINT_SINGLE) return PaintSingleExpose(v);
    PAINTIMG *e = Current(v);
    if (e) e->fi.busy = 0;
    int r = PaintImgPaint(v);
    if ((e = Current(v))) e->fi.busy = 1;
    return r;
}

int ResizePaint(WINDATUSR *rec) {
    if (!rec || !rec->win) return WIN_ERROR_NOWINDOW;
    WINDAT *v = rec->win;
    PAINTIMG *e = Current(v);
    if (!e || PaintImgExist(v) < 0) return 0;
    e->fi.busy = 1;
    int r;
    if (v->state == PAINT_SINGLE) {
        e->fi.busy = 0;
        r = PaintXImageResize(v);
    } else {
        PaintImgSetupMaxWH(v, PaintImgWHGet(v));
        r = ScrollWndUpdateFromChild(v);
    }
    if ((e = Current(v))) e->fi.busy = 0;
    return r;
}

// ---- selection rectangle

int PaintSelectSet(WINDAT *v, int x, int y, int w, int h, int style, int on) {
    if (!v) return WIN_ERROR_ARG;
    v->sel[0] = x, v->sel[1] = y, v->sel[2] = w, v->sel[3] = h, v->sel[4] = style;
    v->sel[5] = on;
    return 0;
}

int PaintSelectDraw(WINDAT *v) {
    if (!v || !v->gc) return WIN_ERROR_ARG;
    if (!v->sel[5]) return 0;
    int x = v->sel[0], y = v->sel[1], w = v->sel[2], h = v->sel[3];
    if (w < 1 || h < 1) return WIN_ERROR_ARG;
    Display *d = v->usr.display;
    XSetFunction(d, v->gc, GXinvert);
    XSetPlaneMask(d, v->gc, AllPlanes);
    PAINTIMG *e = Current(v);
    XImage *im = e ? e->fi.ximage : nullptr;
    if (w >= 3 && h >= 3) {
        if (im && x + w >= im->width) w--;
        if (im && y + h >= im->height) h--;
    }
    // The rectangle is on the picture, which a larger window shows centred.
    x += PaintXImageOffset(v, 0), y += PaintXImageOffset(v, 1);
    if (w >= 3 && h >= 3) {
        if (v->sel[4] == 0)
            XDrawRectangle(d, v->window, v->gc, x, y, static_cast<unsigned>(w),
                           static_cast<unsigned>(h));
        else
            XFillRectangle(d, v->window, v->gc, x, y, static_cast<unsigned>(w),
                           static_cast<unsigned>(h));
    } else {
        XFillRectangle(d, v->window, v->gc, x, y, static_cast<unsigned>(w),
                       static_cast<unsigned>(h));
    }
    XSetFunction(d, v->gc, GXcopy);
    return 0;
}

// ---- thumbnails

static int TextHeight() {
    return WinGetTextHeight(fontfs_text, WIN_TEXT_SAMPLE, 0);
}

static const char *BaseName(const char *path) {
    if (!path) return "";
    const char *s = strrchr(path, '/');
    return s ? s + 1 : path;
}

int PaintImgHGetStd(WINDAT *v) {
    return 2 * TextHeight() + PaintImgWHGet(v);
}

int PaintImgHGet(WINDAT *v, int i) {
    PAINTIMG *e = PaintImgGet(v, i);
    if (!e || !e->fi.ximage) return TextHeight();
    return 2 * TextHeight() + e->fi.ximage->height;
}

int PaintImgWGet(WINDAT *v, int i) {
    PAINTIMG *e = PaintImgGet(v, i);
    if (!e) return 0;
    const char *name = BaseName(e->fi.fname);
    int tw = WinGetTextWidth(fontfs_text, name, static_cast<int>(strlen(name)));
    int iw = e->fi.ximage ? e->fi.ximage->width : 0;
    return std::max(tw, iw);
}

int PaintImgSetupMaxWH(WINDAT *v, int thumbheight) {
    if (!v) return WIN_ERROR_ARG;
    if (v->state == PAINT_SINGLE) return -29;
    if (v->img_count < 1) return WIN_ERROR_NOIMAGE;
    PaintImgWHSet(v, thumbheight);
    int rowh = PaintImgHGetStd(v);
    int rows = 1, x = 0;
    for (int i = 0; i < v->img_count; i++) {
        int cw = PaintImgWGet(v, i);
        if (x > 0 && x + cw > v->width) rows++, x = 0;
        x += cw + PAINT_THUMB_GAP;
    }
    int h = rowh > v->height ? v->img_count * rowh : rows * rowh;
    PaintImgWSetMax(v, v->width);
    PaintImgHSetMax(v, std::max(h, rowh));
    return PaintImgHGetMax(v);
}

int PaintImgPaintMaxGet(WINDAT *v) {
    if (!v || v->img_count < 1) return 0;
    if (v->img_count == 1) return 1;
    int rowh = PaintImgHGetStd(v);
    if (rowh < 1 || v->height < rowh) return 1;
    int n = 0, x = 0, y = 0;
    for (int i = PaintImgCurFirstGet(v); i < v->img_count; i++) {
        int cw = PaintImgWGet(v, i);
        if (x > 0 && x + cw > v->width) {
            x = 0, y += rowh;
            if (y + rowh > v->height) break;
        }
        x += cw + PAINT_THUMB_GAP;
        n++;
    }
    return std::max(n, 1);
}

int PaintImgGetSelectFromMouse(WINDAT *v) {
    if (!v || v->img_count < 1 || !v->img_list) return WIN_ERROR_ARG;
    int first = PaintImgCurFirstGet(v);
    if (v->img_count == 1) return first;
    int mx = v->usr.evmouse.xbutton.x, my = v->usr.evmouse.xbutton.y;
    for (int i = first; i < v->img_count; i++) {
        PAINTIMG *e = PaintImgGet(v, i);
        if (e->x < mx && mx < e->x + e->cw && e->y < my && my < e->y + e->ch) return i;
    }
    return -1;
}

int PaintImgPaintText(WINDAT *v, int first, int last) {
    if (!v || v->img_count < 2) return WIN_ERROR_NOTHING;
    Display *d = v->usr.display;
    int th = TextHeight();
    int sel = PaintImgCurSelectGet(v);
    // Only the cells the last paint laid out have places; the others keep old ones (or none)
    // and their names would land over the grid.
    int laid = Slot(v, PAINT_LAST);
    first = std::max(first, PaintImgCurFirstGet(v));
    last = std::min(last, laid);
    for (int i = first; i <= last && i < v->img_count; i++) {
        PAINTIMG *e = PaintImgGet(v, i);
        const char *name = BaseName(e->fi.fname);
        int n = static_cast<int>(strlen(name));
        int tw = WinGetTextWidth(fontfs_text, name, n);
        // A name wider than its cell is cut at the cell's edge.
        XRectangle cell{static_cast<short>(e->x), static_cast<short>(e->y + e->ch - th),
                        static_cast<unsigned short>(std::max(1, e->cw)),
                        static_cast<unsigned short>(th + 4)};
        XSetClipRectangles(d, v->gc, 0, 0, &cell, 1, Unsorted);
        TextClip(d, v->gc, &cell);
        XSetForeground(d, v->gc, i == sel ? bg_sel : v->bg);
        XFillRectangle(d, v->window, v->gc, e->x, e->y + e->ch - th,
                       static_cast<unsigned>(std::min(tw, std::max(1, e->cw))),
                       static_cast<unsigned>(th + 4));
        XSetForeground(d, v->gc, i == sel ? fg_sel : v->fg);
        WinDrawString(v, e->x, e->y + e->ch + 2, name, n);
        XSetClipMask(d, v->gc, None);
        TextClip(d, v->gc, nullptr);
    }
    XSetForeground(d, v->gc, v->fg);
    return 0;
}

int PaintImgPaint(WINDAT *v) {
    if (!v || !v->img_list) return WIN_ERROR_NOIMAGE;
    int th = TextHeight();
    int thumbh = PaintImgWHGet(v);
    int rowh = 2 * th + thumbh;
    int saved = v->img_current;
    int first = PaintImgCurFirstGet(v), last = first - 1;
    int x = 0, y = 0;
    for (int i = first; i < v->img_count; i++) {
        PAINTIMG *e = PaintImgGet(v, i);
        e->x = x, e->y = y, e->cw = PaintImgWGet(v, i), e->ch = thumbh + th + 2;
        if (e->fi.ximage) {
            v->img_current = i;
            XImage *im = e->fi.ximage;
            // Thumbnails are records of the display image's own size: a plain copy.
            int zoom = v->zoom;
            v->zoom = 100;
            int sx = PaintXImageGetPosX(v), sy = PaintXImageGetPosY(v);
            PaintXImageSetPosX(v, 0), PaintXImageSetPosY(v, 0);
            if (PaintCalcImageSize(v) == 0)
                XPutImage(v->usr.display, v->window, v->gc, im, 0, 0, x + (e->cw - im->width) / 2,
                          y + thumbh - im->height, static_cast<unsigned>(im->width),
                          static_cast<unsigned>(im->height));
            v->zoom = zoom;
            PaintXImageSetPosX(v, sx), PaintXImageSetPosY(v, sy);
        }
        last = i;
        x += e->cw + PAINT_THUMB_GAP;
        if (i + 1 < v->img_count && x + PaintImgWGet(v, i + 1) > v->width) {
            x = 0, y += rowh;
            if (y + rowh > v->height) break;
        }
    }
    SlotSet(v, PAINT_LAST, last);
    PaintImgPaintText(v, first, last);
    v->img_current = saved;
    return 0;
}

// ---- input

int PaintFunc(WINDATUSR *rec, WINFUNC fn) {
    if (!rec || !fn) return WIN_ERROR_ARG;
    if (verbose) WinFuncPrint("PaintFunc", rec);
    return fn(rec);
}

static int PaintMouse(WINDAT *v) {
    WINFUNC fn = v->func[WIN_FUNC_MOUSE];
    if (!fn) return WIN_ERROR_NOCALLBACK;
    WINDATUSR rec = v->usr;
    rec.win = v;
    return PaintFunc(&rec, fn);
}

int PaintPress(WINDAT *v) {
    if (!v) return WIN_ERROR_ARG;
    v->select = 1;
    return PaintMouse(v);
}

int PaintRelease(WINDAT *v) {
    if (!v) return WIN_ERROR_ARG;
    v->select = 0;
    return PaintMouse(v);
}

int PaintKey(WINDAT *v) {
    if (!v) return WIN_ERROR_ARG;
    XKeyEvent key = v->usr.evkey.xkey;
    KeySym sym = XLookupKeysym(&key, 0);
    switch (sym) {
    case XK_Return: // 0xFF0D
        return WinFuncReturn(v);
    case XK_space: // 0x20
        return WinFuncSelect(v);
    case XK_Insert: // 0xFF63
        return WinFuncAdd(v);
    case XK_Delete: // 0xFFFF
        return WinFuncRemove(v);
    default:
        break;
    }
    PAINTIMG *e = Current(v);
    if (!e || !e->fi.ximage) return WIN_ERROR_NOIMAGE;
    int dw = PaintCalcImageScrollSize(v, 0), dh = PaintCalcImageScrollSize(v, 1);
    int ww = e->fi.ximage->width, wh = e->fi.ximage->height;
    if (v->img_count == 1 && dw <= ww && dh <= wh) return 0;
    if (v->img_count != 1 && sym != XK_Shift_L) return 0;
    int sx = PaintXImageGetPosX(v), sy = PaintXImageGetPosY(v);
    int stepx = ww / 20, stepy = wh / 20;
    int maxx = std::max(0, dw - ww), maxy = std::max(0, dh - wh);
    switch (sym) {
    case XK_Left: // 0xFF51
        if (sx == 0) return 0;
        sx = std::max(0, sx - stepx);
        break;
    case XK_Right: // 0xFF53
        if (ww + sx >= dw) return 0;
        sx = std::min(maxx, sx + stepx);
        break;
    case XK_Up: // 0xFF52
        sy = std::max(0, sy - stepy);
        break;
    case XK_Down: // 0xFF54
        if (wh + sy > dh) return 0;
        sy = std::min(maxy, sy + stepy);
        break;
    case XK_Page_Up: // 0xFF55
        sy = std::max(0, sy - wh);
        break;
    case XK_Page_Down: // 0xFF56
        sy = std::min(maxy, sy + wh);
        break;
    case XK_Home: // 0xFF50
    case XK_R7:   // 0xFFD8
        if (sx == 0 && sy == 0) return 0;
        sx = sy = 0;
        break;
    case XK_End: // 0xFF57
    case XK_R13: // 0xFFDE
        sx = maxx, sy = maxy;
        break;
    case XK_Shift_L: // 0xFFE1
        break;
    default:
        return 0;
    }
    PaintXImageSetPosX(v, sx);
    PaintXImageSetPosY(v, sy);
    WinPaint(v);
    ScrollWndUpdateFromChild(v);
    return 0;
}
