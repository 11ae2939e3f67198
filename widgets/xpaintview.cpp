// The image view's tools: the navigator popup, the film player, renaming and removing the
// selected file, the save dialog's frame fields and the record print-out.
#include "widgets/xpaint.h"

#include "base/allg.h"
#include "base/lg.h"
#include "base/xerror.h"
#include "base/xmem.h"
#include "dicom/io_dcm2.h"
#include "dicom/io_dicom.h"
#include "toolkit/xcolor.h"
#include "toolkit/xevent.h"
#include "toolkit/xinit.h"
#include "toolkit/xtools.h"
#include "toolkit/xwinfunc.h"
#include "widgets/xedit.h"
#include "widgets/xlabel.h"
#include "widgets/xmenu.h"
#include "widgets/xscroll.h"
#include "widgets/test_hooks.h"

#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <string>
#include <sys/stat.h>

int (*PaintPlayHook)(WINDAT *view, int frame) = nullptr;
int (*PaintFrameFieldsHook)(WINDAT *filebox, WINDAT *first, WINDAT *last) = nullptr;

static PAINTIMG *Current(WINDAT *v) {
    return PaintImgGet(v, v ? v->img_current : -1);
}

// The image view of a tool button: button -> group -> scroll window -> content.
static WINDAT *ToolView(WINDAT *btn) {
    WINDAT *group = btn ? btn->usr.parent : nullptr;
    WINDAT *scroll = group ? group->usr.parent : nullptr;
    WINDAT *v = scroll && scroll->typ == WIN_SCROLLM ? ScrollGetScrollWnd(scroll) : nullptr;
    return v && v->typ == WIN_PAINT ? v : nullptr;
}

// ---- film player

int PaintFrameTime(const FILEINFO *fi) {
    if (!fi) return PAINT_FRAME_MS;
    void **table = DicomEntryTable(fi);
    const auto *g = table ? static_cast<const DCMGROUP0018 *>(table[DCM_G0018]) : nullptr;
    int ms = g ? atoi(g->FrameTime) : 0;
    // Without a Frame Time, the Cine Rate (frames a second) sets the pace.
    int rate = g && ms < 1 ? atoi(g->CineRate) : 0;
    if (ms < 1 && rate > 0) ms = std::max(1, 1000 / rate);
    return ms < 1 ? PAINT_FRAME_MS : ms;
}

// True for the queued events that end a film: a press, a window manager's request, a window
// going away.
static Bool PlayStopEvent(Display *, XEvent *ev, XPointer arg) {
    if (ev->type == ButtonPress || ev->type == ClientMessage || ev->type == DestroyNotify)
        *reinterpret_cast<int *>(arg) = ev->type;
    return False; // only looking: nothing leaves the queue
}

static int PlayStopQueued(Display *d) {
    int found = 0;
    XEvent ev;
    XCheckIfEvent(d, &ev, PlayStopEvent, reinterpret_cast<XPointer>(&found));
    return found;
}

// Waits until `end` for a reason to stop, sleeping on the connection rather than polling it.
static int PlayWait(WINDAT *v, std::chrono::steady_clock::time_point end) {
    Display *d = v->usr.display;
    for (;;) {
        if (int why = PlayStopQueued(d)) return why;
        Window root, child;
        int rx, ry, wx, wy;
        unsigned int mask = 0;
        if (XQueryPointer(d, v->window, &root, &child, &rx, &ry, &wx, &wy, &mask) &&
            (mask & Button1Mask))
            return ButtonPress;
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                        end - std::chrono::steady_clock::now())
                        .count();
        if (left <= 0) return 0;
        pollfd p{ConnectionNumber(d), POLLIN, 0};
        int depth = ToolkitLockRelease();
        int n = poll(&p, 1, static_cast<int>(left));
        ToolkitLockRestore(depth);
        if (n > 0) XEventsQueued(d, QueuedAfterReading);
    }
}

// '[' and ']' typed while a film plays: each halves or doubles the rate.
static Bool PlayRateKey(Display *, XEvent *ev, XPointer) {
    if (ev->type != KeyPress) return False;
    KeySym sym = NoSymbol;
    char buf[8];
    XLookupString(&ev->xkey, buf, sizeof buf, &sym, nullptr);
    return sym == XK_bracketleft || sym == XK_bracketright;
}

static int PlayRateKeys(Display *d, int ms) {
    XEvent ev;
    while (XCheckIfEvent(d, &ev, PlayRateKey, nullptr)) {
        KeySym sym = NoSymbol;
        char buf[8];
        XLookupString(&ev.xkey, buf, sizeof buf, &sym, nullptr);
        ms =
            sym == XK_bracketleft ? std::min(ms * 2, int(PAINT_FRAME_MS_MAX)) : std::max(ms / 2, 1);
    }
    return ms;
}

int (*PaintPlayFrameHook)(WINDAT *view, int frame, int frames, int ms) = nullptr;

int PaintImgPlay(WINDAT *v) {
    PAINTIMG *e = Current(v);
    if (!e || !e->fi.fbuf) return -24;
    int frames = e->fi.frames;
    if (frames < 2) return -1;
    int ms = PaintFrameTime(&e->fi);
    Display *d = v->usr.display;
    Window xw = v->window;
    if (e->fi.frame < frames - 1) e->fi.frame++;
    int why = 0;
    for (;;) {
        if (e->fi.frame >= frames) e->fi.frame = 0;
        // Frames start a frame time apart, however long painting takes.
        auto next = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        WinPaint(v);
        if (PaintPlayFrameHook) PaintPlayFrameHook(v, e->fi.frame, frames, ms);
        XFlush(d);
        if (PaintPlayHook && (PaintPlayHook(v, e->fi.frame) || WinFind(xw) != v)) return 0;
        why = PlayWait(v, next);
        // The view may have gone while the lock was free.
        if (WinFind(xw) != v || !(e = Current(v))) return 0;
        if (why) break;
        ms = PlayRateKeys(d, ms);
        e->fi.frame++;
    }
    XEvent ev;
    if (why == ButtonPress && XCheckTypedEvent(d, ButtonPress, &ev)) WinEvent(d, ev);
    return 0;
}

// ---- navigator

static WINDAT *NavPicture(WINDAT *popup) {
    return popup ? WinChildFindTyp(popup, WIN_PAINT) : nullptr;
}

static void NavLabelSet(WINDAT *popup, int zoom) {
    WINDAT *label = popup ? WinChildFindTyp(popup, WIN_LABEL) : nullptr;
    if (!label) return;
    char text[64];
    snprintf(text, sizeof text, "%s: %i %%", LgRes(61, label->language), zoom);
    LabelSet(label, text);
}

int mf_ViewNavigatorPaintSelectCalc(WINDAT *v, WINDAT *pic) {
    PAINTIMG *m = Current(v), *p = Current(pic);
    if (!m || !p || !m->fi.ximage || !p->fi.ximage) return -24;
    float zw = static_cast<float>(PaintCalcImageScrollSize(v, 0));
    float zh = static_cast<float>(PaintCalcImageScrollSize(v, 1));
    if (zw < 1 || zh < 1) return -15;
    float pw = static_cast<float>(p->fi.ximage->width),
          ph = static_cast<float>(p->fi.ximage->height);
    int x = static_cast<int>(PaintXImageGetPosX(v) * pw / zw);
    int y = static_cast<int>(PaintXImageGetPosY(v) * ph / zh);
    int w = static_cast<int>(pw * m->fi.ximage->width / zw);
    int h = static_cast<int>(ph * m->fi.ximage->height / zh);
    return PaintSelectSet(pic, x, y, w, h, 0, 1);
}

int PaintImgNavigatorPaintUpdate(WINDAT *v, WINDAT *popup) {
    WINDAT *pic = NavPicture(popup);
    PAINTIMG *m = Current(v);
    if (!pic || !m || !m->fi.fbuf) return -24;
    PaintImgSetup(pic, 1);
    const char *busy = LgAct(8, pic->language);
    int th = WinGetTextHeight(fontfs_text, WIN_TEXT_SAMPLE, 0);
    WinDrawString(pic, 5, th + 5, busy, static_cast<int>(strlen(busy)));
    PAINTIMG *p = PaintImgGet(pic, 0);
    FILEINFO *pf = &p->fi;
    pf->w = m->fi.w, pf->h = m->fi.h, pf->bit = m->fi.bit, pf->frames = 1;
    long fsize = static_cast<long>(m->fi.w) * m->fi.h * (m->fi.bit == 24 ? 3 : 1);
    int frame = m->fi.frame >= 0 && m->fi.frame < std::max(1, m->fi.frames) ? m->fi.frame : 0;
    pf->fbuf = FilePreviewSetup(m->fi.fbuf + frame * fsize, pic->width, pic->height, "ip", pf);
    if (!pf->fbuf) return -8;
    if (m->fi.bit == 8 && m->fi.rmap) FileColormapCopy(pf, &m->fi, 1);
    int pad = ImagePadForDepth(WinDisplayGetDepth(pic->usr.display));
    pf->ximage =
        pad ? ImageCreate(pad, ZPixmap, std::min(pf->w, pic->width), std::min(pf->h, pic->height))
            : nullptr;
    if (!pf->ximage) return -8;
    mf_ViewNavigatorPaintSelectCalc(v, pic);
    WinClearWindow(pic);
    WinPaint(pic);
    WINDAT *bar = WinChildFindTyp(popup, WIN_SCROLLX);
    if (bar) {
        ScrollBarSetValue(bar, SCROLL_CUR, v->zoom);
        ScrollSliderUpdate(ScrollBarGetTrack(bar), nullptr);
    }
    NavLabelSet(popup, v->zoom);
    return 0;
}

int PaintImgNavigatorFunc(WINDATUSR *rec) {
    if (!rec || !rec->win) return -15;
    WINDAT *popup = rec->win->usr.parent;
    WINDAT *v = popup ? popup->usr.parent : nullptr;
    if (!v || v->typ != WIN_PAINT) return -22;
    int zoom = std::max(1, ScrollBarGetCur(rec->win));
    NavLabelSet(popup, zoom);
    v->zoom = zoom;
    PaintViewZoom(v, PAINT_ZOOM_KEEP);
    return PaintImgNavigatorPaintUpdate(v, popup);
}

int PaintImgNavigatorPaintFuncMouse(WINDATUSR *rec) {
    if (!rec || !rec->win) return -15;
    WINDAT *pic = rec->win;
    WINDAT *popup = pic->usr.parent;
    WINDAT *v = popup ? popup->usr.parent : nullptr;
    if (!v || v->typ != WIN_PAINT) {
        if (pic->sel[5]) PaintSelectDraw(pic);
        pic->sel[5] = 0;
        return -22;
    }
    const XEvent &ev = pic->usr.evmouse;
    if (ev.type != ButtonPress && ev.type != MotionNotify) return 0;
    long t = static_cast<long>(ev.type == ButtonPress ? ev.xbutton.time : ev.xmotion.time);
    if (pic->lasttime && t - pic->lasttime >= 0 && t - pic->lasttime < PAINT_NAV_MS) return 0;
    pic->lasttime = t;
    PAINTIMG *m = Current(v), *p = Current(pic);
    if (!m || !p || !m->fi.ximage || !p->fi.ximage) return -24;
    int mx = std::max(0, (ev.type == ButtonPress ? ev.xbutton.x : ev.xmotion.x) -
                             PaintXImageOffset(pic, 0));
    int my = std::max(0, (ev.type == ButtonPress ? ev.xbutton.y : ev.xmotion.y) -
                             PaintXImageOffset(pic, 1));
    int zw = PaintCalcImageScrollSize(v, 0), zh = PaintCalcImageScrollSize(v, 1);
    int pw = p->fi.ximage->width, ph = p->fi.ximage->height;
    int sx = static_cast<int>(static_cast<float>(zw) * mx / pw);
    int sy = static_cast<int>(static_cast<float>(zh) * my / ph);
    sx = std::max(0, std::min(sx, zw - m->fi.ximage->width));
    sy = std::max(0, std::min(sy, zh - m->fi.ximage->height));
    PaintXImageSetPosX(v, sx);
    PaintXImageSetPosY(v, sy);
    PaintSelectSet(pic, std::max(0, pw * sx / zw), std::max(0, ph * sy / zh),
                   static_cast<int>(static_cast<float>(pw) * m->fi.ximage->width / zw),
                   static_cast<int>(static_cast<float>(ph) * m->fi.ximage->height / zh), 0, 1);
    WinPaint(pic);
    if (!PaintDependGetRedraw(v)) {
        WinPaint(v);
        ScrollWndUpdateFromChild(v);
    }
    return 0;
}

int PaintImgToolsCloseFunc(WINDAT *popup, XEvent *ev) {
    if (!popup || !ev || ev->type == 0) return 0;
    WINDAT *w = WinFind(ev->xany.window);
    if (!w) return 0;
    WINDAT *p = w->usr.parent;
    // The popup's own picture and slider (and its arrows) keep it open.
    for (int up = 0; p && up < 3; up++, p = p->usr.parent)
        if (p == popup && p->typ == WIN_MENUP) return -1;
    return 0;
}

static int NavClose(WINDATUSR *rec) {
    if (!rec || !rec->win) return 0;
    return PaintImgToolsCloseFunc(rec->win, &rec->win->usr.evmouse);
}

WINDAT *PaintImgNavigatorCreate(WINDAT *v) {
    if (!v) return nullptr;
    int th = WinGetTextHeight(fontfs_text, WIN_TEXT_SAMPLE, 0);
    WINTYP t{};
    t.fg = fg_menu;
    t.bg = bg_menu;
    t.width = 3 * WinGetTextWidth(fontfs_label, WIN_TEXT_SAMPLE, 0);
    t.height = 120;
    t.typ = WIN_MENUP;
    t.language = v->language;
    t.mouseleft = v->mouseleft;
    t.mouseright = v->mouseright;
    t.func[WIN_FUNC_CLOSE] = NavClose;
    WINNEIGHBOR nb{};
    WINDAT *popup = MenuPopupCreate(v, 0, v->height, &t, &nb, "MenuP", fontfs_text);
    if (!popup) return nullptr;
    WINTYP pt = t;
    pt.fg = fg_paint, pt.bg = bg_paint;
    pt.height = t.height - (th + 4) - 2 - 16;
    pt.func[WIN_FUNC_CLOSE] = nullptr;
    pt.func[WIN_FUNC_MOUSE] = PaintImgNavigatorPaintFuncMouse;
    WINDAT *pic = PaintCreate(popup, 0, 0, &pt, &nb, "navigator");
    WINTYP lt = t;
    lt.fg = fg_label, lt.bg = bg_label;
    lt.height = th + 4;
    lt.func[WIN_FUNC_CLOSE] = nullptr;
    WINDAT *label = pic ? LabelCreate(popup, 0, pt.height + 1, &lt, &nb, "Zoom") : nullptr;
    WINTYP st = t;
    st.fg = fg_scroll, st.bg = bg_scroll;
    st.func[WIN_FUNC_CLOSE] = nullptr;
    WINNEIGHBOR snb{};
    snb.space[WIN_SIDE_TOP] = pt.height + 2 + lt.height;
    WINDAT *bar = label ? ScrollBarUsrXCreate(popup, &st, &snb, PaintImgNavigatorFunc, 0) : nullptr;
    if (!bar) {
        popup->func[WIN_FUNC_CLOSE] = nullptr;
        WinClose(popup);
        return nullptr;
    }
    ScrollBarSetMin(bar, 1);
    ScrollBarSetMax(bar, 1000);
    ScrollBarSetValue(bar, SCROLL_CUR, 100);
    ScrollSliderUpdate(ScrollBarGetTrack(bar), nullptr);
    PaintImgNavigatorPaintUpdate(v, popup);
    return popup;
}

// ---- tool buttons

int PaintImgTools(WINDATUSR *rec) {
    if (!rec || !rec->win) return -15;
    WINDAT *v = ToolView(rec->win);
    if (!v) return -22;
    PAINTIMG *e = Current(v);
    switch (rec->i) {
    case PAINT_BTN_NAVIGATOR: {
        if (WINDAT *open = WinChildFindTyp(v, WIN_MENUP)) {
            open->func[WIN_FUNC_CLOSE] = nullptr;
            WinClose(open);
            SetTimer(90);
            return -1;
        }
        return PaintImgNavigatorCreate(v) ? 0 : -26;
    }
    case PAINT_BTN_BACKWARD:
        if (!e) return -24;
        e->fi.frame = 0;
        return WinPaint(v);
    case PAINT_BTN_PLAY:
        return PaintImgPlay(v);
    case PAINT_BTN_FORWARD:
        if (!e) return -24;
        if (e->fi.frames > 0) e->fi.frame = e->fi.frames - 1;
        return WinPaint(v);
    default:
        // Stop acts through Play's watch for a press.
        return 0;
    }
}

// ---- files

// Every file box shows the change; installed by the file box.
int (*PaintFileboxUpdateHook)() = nullptr;

int PaintFileRename(WINDATUSR *rec) {
    if (!rec || !rec->win) return -15;
    WINDAT *dlg = rec->win;
    while (dlg->usr.parent && dlg->typ != WIN_DLGMSG)
        dlg = dlg->usr.parent;
    WINDAT *v = rec->parentgrp && rec->parentgrp->typ == WIN_PAINT ? rec->parentgrp : nullptr;
    WINDAT *edit = WinChildFindTypTree(dlg, WIN_EDIT_TXT);
    PAINTIMG *e = v ? PaintImgGet(v, PaintImgCurSelectGet(v)) : nullptr;
    if (!edit || !edit->usr.str || !*edit->usr.str || !e || !e->fi.fname) return -15;
    // A bare name stays in the file's directory.
    std::string to = edit->usr.str;
    const char *slash = strrchr(e->fi.fname, '/');
    if (to.find('/') == std::string::npos && slash)
        to = std::string(e->fi.fname, static_cast<size_t>(slash - e->fi.fname + 1)) + to;
    // Another file of that name is never replaced.
    if (int err = FileRenameNoReplace(e->fi.fname, to.c_str())) {
        if (err == EEXIST) {
            MsgErrFile(v->language, to.c_str(), FILE_ERROR_EXIST, EEXIST, nullptr);
            return FILE_ERROR_EXIST;
        }
        MsgErrFile(v->language, e->fi.fname, -106, err, nullptr);
        return -106;
    }
    auto *name = static_cast<char *>(MemCreate(static_cast<long>(to.size() + 1), "label"));
    if (name) {
        memcpy(name, to.c_str(), to.size() + 1);
        MemFree(e->fi.fname, "label");
        e->fi.fname = name;
    }
    // A fly field is closing already: its close callback is what called here.
    if (dlg != v && dlg->typ != WIN_EDIT_FLY) WinClose(dlg);
    WinPaint(v);
    if (PaintFileboxUpdateHook) PaintFileboxUpdateHook();
    return 0;
}

int PaintFileRemove(WINDAT *v) {
    if (!v) return -15;
    if (v->state == PAINT_SINGLE) return -29;
    int r = PaintImgRemove(v, PaintImgCurSelectGet(v));
    if (r) return r;
    WinClearWindow(v);
    WinPaint(v);
    if (PaintFileboxUpdateHook) PaintFileboxUpdateHook();
    return 0;
}

// The frame row: "Image(s)", "from" [field], "to" [field]. When one row is narrower than that,
// the title takes a row of its own, and the fields shrink to what is left (never below two
// digits): both fields always lie inside the row.
static int PaintMultiFrameLayout(WINDATUSR *rec) {
    WINDAT *fb = rec ? rec->win : nullptr;
    if (!fb || fb->nchild < 5) return 0;
    WINDAT *parent = fb->usr.parent;
    if (parent) fb->width = std::max(1, parent->width - 2 * fb->border);
    WINDAT *title = fb->child[0], *from = fb->child[1], *first = fb->child[2];
    WINDAT *to = fb->child[3], *last = fb->child[4];
    if (!title || !from || !first || !to || !last) return 0;
    const int gap = 4;
    int th = std::max(first->height, title->height);
    int fieldw = WinGetTextWidth(fontfs_text, "01234", 5);
    int minw = WinGetTextWidth(fontfs_text, "00", 2) + 6;
    int fixed = from->width + to->width + 4 * gap;
    bool split = title->width + gap + fixed + 2 * fieldw > fb->width;
    int row = 0;
    if (split) {
        WinMove(title, 0, 0);
        row = th;
        fieldw = std::max(minw, std::min(fieldw, (fb->width - fixed) / 2));
    }
    int x = split ? 0 : title->width + gap;
    if (!split) WinMove(title, 0, 0);
    WinMove(from, x, row);
    x += from->width + gap;
    first->width = fieldw;
    WinMoveResizeWindow(first, x, row, fieldw, first->height);
    x += fieldw + gap;
    WinMove(to, x, row);
    x += to->width + gap;
    last->width = fieldw;
    WinMoveResizeWindow(last, x, row, fieldw, last->height);
    fb->height = row + th;
    WinResize(fb, fb->width, fb->height);
    return 0;
}

WINDAT *PaintImgMultiFrameWndCreate(WINDAT *parent, WINDAT *filebox) {
    if (!parent) return nullptr;
    int th = WinGetTextHeight(fontfs_label, WIN_TEXT_SAMPLE, 0) + 8;
    WINTYP t{};
    t.fg = fg_form, t.bg = bg_form;
    t.width = parent->width, t.height = th;
    t.language = parent->language;
    WINNEIGHBOR nb{};
    WINDAT *fb = WinCreate(parent, 0, 0, &t, &nb, "fb", fontfs_label);
    if (!fb) return nullptr;
    fb->typ = WIN_BASE;
    const char *texts[3] = {LgRes(2, t.language), LgRes(63, t.language), LgRes(64, t.language)};
    int fieldw = WinGetTextWidth(fontfs_text, "01234", 5);
    WINDAT *fields[2] = {nullptr, nullptr};
    for (int i = 0; i < 3; i++) {
        WINTYP lt = t;
        lt.fg = fg_label, lt.bg = bg_label;
        lt.width = LabelGetInitWidth(texts[i], 0);
        WINDAT *label = LabelCreate(fb, 0, 0, &lt, &nb, texts[i]);
        if (i > 0 && label) {
            WINTYP et = t;
            et.fg = fg_edit, et.bg = bg_edit;
            et.state = EDIT_NUMBER;
            et.width = fieldw;
            WINNEIGHBOR enb{};
            fields[i - 1] = EditCreate(fb, 0, 0, &et, &enb, "edit");
            EditValueMinMaxSet(fields[i - 1], 0, PAINT_FRAME_FIELD_MAX);
        }
    }
    WinSetFuncResize(fb, PaintMultiFrameLayout);
    PaintMultiFrameLayout(&fb->usr);
    if (fields[0] && fields[1] && PaintFrameFieldsHook)
        PaintFrameFieldsHook(filebox, fields[0], fields[1]);
    return fb;
}

int PaintPrintFI(const FILEINFO *fi) {
    if (!fi) return -15;
    auto ptr = [](const void *p) { return static_cast<int>(reinterpret_cast<intptr_t>(p)); };
    fprintf(stderr, "w: %i\n", fi->w);
    fprintf(stderr, "h: %i\n", fi->h);
    fprintf(stderr, "bit: %i\n", fi->bit);
    fprintf(stderr, "corner: %i\n", fi->corner);
    fprintf(stderr, "maptyp: %i\n", fi->maptyp);
    fprintf(stderr, "mapentry: %i\n", fi->mapentry);
    fprintf(stderr, "ftyp: %i\n", fi->ftyp);
    fprintf(stderr, "fsize: %i\n", fi->fsize);
    fprintf(stderr, "fname: %s\n", fi->fname ? fi->fname : "(null)");
    fprintf(stderr, "fbuf: %i\n", ptr(fi->fbuf));
    fprintf(stderr, "rmap: %i\n", ptr(fi->rmap));
    fprintf(stderr, "gmap: %i\n", ptr(fi->gmap));
    fprintf(stderr, "bmap: %i\n", ptr(fi->bmap));
    fprintf(stderr, "ximage: %i\n", ptr(fi->ximage));
    return 0;
}
