// Window creation, state accessors, user data, X wrappers and messages.
#include "toolkit/xwin.h"

#include "base/lg.h"
#include "base/xmem.h"
#include "toolkit/xcolor.h"
#include "toolkit/xinit.h"
#include "toolkit/xtext.h"
#include "toolkit/xwinfunc.h"
#include "base/xerror.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

static const char *const szInternTypName[WIN_TYP_NAMES] = {
    "WIN_SUCCES",
    "WIN_BTN",
    "WIN_LIST",
    "WIN_LABEL",
    "WIN_TOOLBAR",
    "WIN_MENUM",
    "WIN_MENUP",
    "WIN_MENUBTN",
    "WIN_POPUP",
    "WIN_BTN_CHECK",
    "WIN_BTN_GROUP",
    "WIN_MAIN",
    "WIN_PAINT",
    "WIN_SCROLLM",
    "WIN_SCROLLSL",
    "WIN_SCROLLSLUX",
    "WIN_SCROLLSLUY",
    "WIN_SCROLLX",
    "WIN_SCROLLY",
    "WIN_SCROLLBTN_LEFT",
    "WIN_SCROLLBTN_UP",
    "WIN_SCROLLBTN_RIGHT",
    "WIN_SCROLLBTN_DOWN",
    "WIN_ABOUT",
    "WIN_STATUS",
    "WIN_PANED_VERT",
    "WIN_PANEDX",
    "WIN_PANEDXM",
    "WIN_BASE",
    "WIN_DLGMSG",
    "WIN_FILEBOX",
    "WIN_TREE",
    "WIN_DEBUG",
    "WIN_LINEALX",
    "WIN_LINEALY",
    "WIN_PROCENT",
    "WIN_SYMBOL_GROUP",
    "WIN_CHECK",
    "WIN_FILEBOXEXT",
    "WIN_BTN_SYM",
    "WIN_HINT",
    "leer",
    "leer",
    "WIN_EXT_PAINT",
    "leer",
    "leer",
    "WIN_IMAGE1",
    "WIN_IMAGE2",
    "WIN_IMAGE3",
    "WIN_IMAGE4",
    "WIN_IMAGE5",
    "WIN_IMAGE6",
    "WIN_COLOR",
    "WIN_FONT",
    "WIN_NOTEBOOK",
    "WIN_NOTEBOOK_BTN_GROUP",
    "WIN_PANED_HORIZ",
    "leer",
    "leer",
    "leer",
    "leer",
    "leer",
    "leer",
    "WIN_BTN_RADIO",
    "WIN_GRP_RADIO",
    "leer",
    "WIN_EDIT_FLY",
    "WIN_EDIT_TXT",
    "+",
};

const char *WinTypName(int typ) {
    if (typ < 0 || typ >= WIN_TYP_NAMES) return "leer";
    return szInternTypName[typ];
}

static const long WIN_CHILD_MASK = KeyPressMask | KeyReleaseMask | ButtonPressMask |
                                   ButtonReleaseMask | EnterWindowMask | LeaveWindowMask |
                                   ExposureMask; // 0x803F

static const long WIN_TOPLEVEL_MASK = 0x01FBE37F;

static char *WinStrDup(const char *text, const char *tag) {
    size_t n = strlen(text) + 1;
    auto p = static_cast<char *>(MemCreate(static_cast<long>(n), tag));
    if (p) memcpy(p, text, n);
    return p;
}

// The set-up every creation function shares; returns 0, -26 (no GC) or -1 (registry full).
static int WinSetup(WINDAT *w, Display *display, Window xw, WINDAT *parent, const WINTYP *typ,
                    const WINNEIGHBOR *nb, const char *name, XFontStruct *font) {
    GC gc = XCreateGC(display, xw, 0, nullptr);
    if (!gc) {
        MsgErrWin(typ->language, "win_gc", -26);
        return WIN_ERROR_CREATE;
    }
    TextSetTitle(display, xw, name && *name ? name : "dravik");
    if (font) XSetFont(display, gc, font->fid);

    memset(w, 0, sizeof *w);
    w->window = xw;
    w->gc = gc;
    if (name && *name) w->label = WinStrDup(name, "label");
    w->zoom = 100;
    w->fg = typ->fg;
    w->bg = typ->bg;
    w->width = typ->width;
    w->height = typ->height;
    w->border = typ->border;
    w->typ = typ->typ;
    w->state = typ->state;
    w->unvisible = typ->unvisible;
    w->mouseleft = typ->mouseleft;
    w->mouseright = typ->mouseright;
    w->language = typ->language;
    memcpy(w->func, typ->func, sizeof w->func);
    if (nb) {
        memcpy(w->space, nb->space, sizeof w->space);
        memcpy(w->neighbor, nb->neighbor, sizeof w->neighbor);
    }
    w->usr.display = display;
    w->usr.win = w;
    w->usr.parent = parent;
    w->usr.parentgrp = parent;
    XSelectInput(display, xw, WIN_CHILD_MASK);

    int result = 0;
    if (WINDATp && WINDATpi < WINDATpimax - 1) {
        WINDATp[WINDATpi++] = w;
        if (!w->unvisible) XMapWindow(display, xw);
    } else {
        result = -1;
    }
    if (w->func[WIN_FUNC_CREATE]) WinFuncCreate(w);
    return result;
}

// Undoes a creation that failed in its set-up (no GC, or a full registry), so nothing leaks.
static void WinSetupUndo(WINDAT *w, Display *display, Window xw) {
    if (w->gc) XFreeGC(display, w->gc);
    if (w->label) MemFree(w->label, "label");
    XDestroyWindow(display, xw);
    MemFree(w, "win");
}

WINDAT *WinCreate(WINDAT *parent, int x, int y, const WINTYP *typ, const WINNEIGHBOR *nb,
                  const char *name, XFontStruct *font) {
    if (!parent || !typ || !nb || !parent->window) return nullptr;
    ToolkitLockGuard guard;
    Display *display = parent->usr.display;
    auto w = static_cast<WINDAT *>(MemCreate(sizeof(WINDAT), "win"));
    if (!w) return nullptr;
    memset(w, 0, sizeof *w);

    x += nb->space[WIN_SIDE_LEFT];
    y += nb->space[WIN_SIDE_TOP];
    int right_limit = -1, bottom_limit = -1;
    XWindowAttributes a;
    for (int side = 0; side < 4; side++) {
        WINDAT *n = nb->neighbor[side];
        if (!n) continue;
        if (WinGetAttrib(n, &a) != 0) {
            MsgErrWin(typ->language, name ? name : "", -27);
            MemFree(w, "win");
            return nullptr;
        }
        if (side == WIN_SIDE_LEFT) x += a.x + n->width + n->space[WIN_SIDE_RIGHT];
        if (side == WIN_SIDE_TOP) y += a.y + n->height + n->space[WIN_SIDE_BOTTOM];
        if (side == WIN_SIDE_RIGHT) right_limit = a.x - n->space[WIN_SIDE_LEFT];
        if (side == WIN_SIDE_BOTTOM) bottom_limit = a.y - n->space[WIN_SIDE_TOP];
    }

    int width = typ->width - 2 * typ->border;
    int height = typ->height - 2 * typ->border;
    if (right_limit >= 0 && x + width > right_limit) width = right_limit - x;
    if (bottom_limit >= 0 && y + height > bottom_limit) height = bottom_limit - y;
    if (width < 1) {
        fprintf(stderr, "%s: WinCreate %s: Error w: %i (parent %s) set 1\n", "dravik",
                WinTypName(typ->typ), width, WinTypName(parent->typ));
        width = 1;
    }
    if (height < 1) {
        fprintf(stderr, "%s: WinCreate %s: Error h: %i (parent %s) set 1\n", "dravik",
                WinTypName(typ->typ), height, WinTypName(parent->typ));
        height = 1;
    }

    XSetWindowAttributes attr;
    attr.background_pixel = typ->bg;
    attr.border_pixel = typ->fg;
    attr.save_under = True;
    int screen = DefaultScreen(display);
    Window xw = XCreateWindow(
        display, parent->window, x, y, static_cast<unsigned>(width), static_cast<unsigned>(height),
        static_cast<unsigned>(typ->border), DefaultDepth(display, screen), InputOutput,
        DefaultVisual(display, screen), CWBackPixel | CWBorderPixel | CWSaveUnder, &attr);
    if (!xw) {
        MsgErrWin(typ->language, name ? name : "", -26);
        MemFree(w, "win");
        return nullptr;
    }
    if (WinSetup(w, display, xw, parent, typ, nb, name, font) != 0) {
        WinSetupUndo(w, display, xw);
        return nullptr;
    }
    WinOptRtUpdateFromParent(w, parent);
    WinChildAdd(parent, w);
    return w;
}

WINDAT *WinCreateTyp(WINDAT *parent, int x, int y, WINTYP *typ, const WINNEIGHBOR *nb,
                     const char *name, XFontStruct *font) {
    if (!typ) return nullptr;
    // Labels and base windows are made by their own widgets' creation functions, which join
    // this dispatch when those widgets exist.
    return WinCreate(parent, x, y, typ, nb, name, font);
}

WINDAT *WinCreateFromRoot(Display *display, int x, int y, const WINTYP *typ, const WINNEIGHBOR *nb,
                          const char *name, XFontStruct *font) {
    if (!display || !typ) return nullptr;
    ToolkitLockGuard guard;
    auto w = static_cast<WINDAT *>(MemCreate(sizeof(WINDAT), "win"));
    if (!w) return nullptr;
    memset(w, 0, sizeof *w);
    int screen = DefaultScreen(display);
    Window root = RootWindow(display, screen);
    XSetWindowAttributes attr;
    attr.background_pixel = typ->bg;
    attr.border_pixel = BlackPixel(display, screen);
    attr.override_redirect = True;
    attr.save_under = True;
    attr.event_mask = ExposureMask;
    int width = typ->width < 1 ? 1 : typ->width;
    int height = typ->height < 1 ? 1 : typ->height;
    Window xw = XCreateWindow(
        display, root, x, y, static_cast<unsigned>(width), static_cast<unsigned>(height),
        static_cast<unsigned>(typ->border), CopyFromParent, CopyFromParent, CopyFromParent,
        CWBackPixel | CWBorderPixel | CWOverrideRedirect | CWSaveUnder | CWEventMask, &attr);
    if (!xw) {
        MsgErrWin(typ->language, name ? name : "", -26);
        MemFree(w, "win");
        return nullptr;
    }
    if (WinSetup(w, display, xw, nullptr, typ, nb, name, font) != 0) {
        WinSetupUndo(w, display, xw);
        return nullptr;
    }
    return w;
}

void (*WinTopLevelHook)(Display *display, Window window) = nullptr;

WINDAT *WinCreateFromRootExt(WINDAT *parent, int x, int y, const WINTYP *typ, const WINNEIGHBOR *nb,
                             const char *name, XFontStruct *font) {
    if (!typ) return nullptr;
    Display *display = parent ? parent->usr.display : main_display;
    if (!display) return nullptr;
    ToolkitLockGuard guard;
    auto w = static_cast<WINDAT *>(MemCreate(sizeof(WINDAT), "win"));
    if (!w) return nullptr;
    memset(w, 0, sizeof *w);
    int screen = DefaultScreen(display);
    XSetWindowAttributes attr;
    attr.background_pixel = typ->bg;
    attr.border_pixel = typ->fg;
    int width = typ->width + 2 * typ->border;
    int height = typ->height + 2 * typ->border;
    if (width < 1) width = 1;
    if (height < 1) height = 1;
    Window xw =
        XCreateWindow(display, RootWindow(display, screen), x, y, static_cast<unsigned>(width),
                      static_cast<unsigned>(height), static_cast<unsigned>(typ->border),
                      DefaultDepth(display, screen), InputOutput, DefaultVisual(display, screen),
                      CWBackPixel | CWBorderPixel, &attr);
    if (!xw) {
        MsgErrWin(typ->language, name ? name : "", -26);
        MemFree(w, "win");
        return nullptr;
    }
    Atom wm_delete = XInternAtom(display, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(display, xw, &wm_delete, 1);
    if (WinTopLevelHook) WinTopLevelHook(display, xw);
    if (WinSetup(w, display, xw, parent, typ, nb, name, font) != 0) {
        WinSetupUndo(w, display, xw);
        return nullptr;
    }
    w->wm_delete = wm_delete;
    XSelectInput(display, xw, WIN_TOPLEVEL_MASK);
    if (parent) WinChildAdd(parent, w);
    return w;
}

static int ResizeWin(WINDATUSR *rec) {
    if (!rec || !rec->win) return WIN_ERROR_NOWINDOW;
    return WinChildResize(rec->win);
}

WINDAT *WinCreateExt(WINDAT *parent, int x, int y, const WINTYP *typ, const WINNEIGHBOR *nb,
                     const char *name, XFontStruct *font) {
    if (!typ) return nullptr;
    WINDAT *w = WinCreateFromRootExt(parent, x, y, typ, nb, name, font);
    if (!w) {
        MsgErrWin(typ->language, name ? name : "", -26);
        return nullptr;
    }
    if (typ->state == WIN_PAINT || typ->state == WIN_BASE) {
        // These windows need their inner scroll window, which comes with the scroll widget;
        // without it the window would be an empty shell, so creation fails.
        WinClose(w);
        return nullptr;
    }
    WinSetFuncResize(w, ResizeWin);
    return w;
}

WINDAT *WinCreateExtSimple(Display *display, const int *opt, const char *title) {
    if (!display) return nullptr;
    int dw = WinGetDisplayWidth(display), dh = WinGetDisplayHeight(display);
    WINTYP t;
    memset(&t, 0, sizeof t);
    t.fg = fg_form;
    t.bg = bg_form;
    t.width = (dw / 3) * 2;
    t.height = (dh / 3) * 2;
    t.border = 1;
    t.typ = 0;
    t.state = 29;
    t.language = opt ? opt[2] : LG_DEFAULT;
    WINNEIGHBOR nb;
    memset(&nb, 0, sizeof nb);
    WINDAT *w = WinCreateFromRootExt(nullptr, (dw - t.width) / 2, (dh - t.height) / 2, &t, &nb,
                                     title, fontfs_text);
    if (!w) return nullptr;
    if (opt) WinOptRtUpdate(w, opt);
    return w;
}

WINDAT *(*WinCreateDlgHook)(WINDAT *dlg, int kind, WINFUNC btnfunc) = nullptr;

WINDAT *WinCreateDlg(Display *display, const int *opt, const char *title, int kind,
                     WINFUNC btnfunc) {
    if (!display || !WinCreateDlgHook) return nullptr;
    ToolkitLockGuard guard;
    WINDAT *w = WinCreateExtSimple(display, opt, title);
    if (!w) return nullptr;
    w->typ = WIN_DLGMSG;
    w->state = kind;
    WinSetTransientForHint(w, WinFindTyp(WIN_MAIN));
    if (!WinCreateDlgHook(w, kind, btnfunc ? btnfunc : MsgBoxClose)) {
        WinClose(w);
        return nullptr;
    }
    return w;
}

// ---- State accessors -------------------------------------------------------------------------

int WinSetStatus(WINDAT *win, int status) {
    if (!win) return WIN_ERROR_ARG;
    win->status = status;
    return 0;
}
int WinGetStatus(WINDAT *win) {
    return win ? win->status : -15;
}

int WinSetUnvisible(WINDAT *win, int flag) {
    if (!win) return WIN_ERROR_ARG;
    win->unvisible = flag;
    return 0;
}
int WinGetUnvisible(WINDAT *win) {
    return win ? win->unvisible : -15;
}

int WinSetDisable(WINDAT *win, int flag, int repaint) {
    if (!win) return WIN_ERROR_ARG;
    win->disable = flag;
    if (repaint == 1) WinFuncExpose(win);
    return 0;
}
int WinGetDisable(WINDAT *win) {
    return win ? win->disable : -15;
}

int WinSetSelect(WINDAT *win, int flag, int repaint) {
    if (!win) return WIN_ERROR_ARG;
    win->select = flag;
    if (repaint == 1) WinFuncExpose(win);
    return 0;
}
int WinGetSelect(WINDAT *win) {
    return win ? win->select : -15;
}

int WinSetActiv(WINDAT *win, int flag) {
    if (!win) return WIN_ERROR_ARG;
    win->activ = flag;
    return 0;
}
int WinGetActiv(WINDAT *win) {
    return win ? win->activ : -15;
}

int WinSetDef(WINDAT *win, int flag) {
    if (!win) return WIN_ERROR_ARG;
    win->def = flag;
    return 0;
}
int WinGetDef(WINDAT *win) {
    return win ? win->def : -15;
}

int WinSetNeighbor(WINDAT *win, WINDAT *neighbor, int side) {
    if (!win) return WIN_ERROR_ARG;
    if (side < 1 || side > 4) return -1;
    win->neighbor[side - 1] = neighbor;
    return 0;
}

int WinSetNeighborSpace(WINDAT *win, int side, int pixels) {
    if (!win) return WIN_ERROR_ARG;
    if (side < 1 || side > 4) return -1;
    win->space[side - 1] = pixels;
    return 0;
}

// ---- User data --------------------------------------------------------------------------------

int WinUSRIntGet(WINDAT *win) {
    return win ? win->usr.i : -15;
}

int WinUSRIntSet(WINDAT *win, int value) {
    if (!win) return WIN_ERROR_ARG;
    win->usr.i = value;
    return 0;
}

int WinUSRIntArrayCreate(WINDAT *win, int n) {
    if (!win) return WIN_ERROR_ARG;
    if (n <= 0) return WIN_ERROR_ARG;
    auto a = static_cast<int *>(MemCreate(static_cast<long>(n + 1) * sizeof(int), "usr"));
    if (!a) return WIN_ERROR_MEMORY;
    memset(a, 0, static_cast<size_t>(n + 1) * sizeof(int));
    a[0] = n + 1;
    return WinUSRIntArraySet(win, a);
}

int *WinUSRIntArrayGet(WINDAT *win) {
    return win ? win->usr.im : nullptr;
}

int WinUSRIntArraySet(WINDAT *win, int *array) {
    if (!win) return WIN_ERROR_ARG;
    if (win->usr.im) MemFree(win->usr.im, "usr");
    win->usr.im = array;
    return 0;
}

int WinUSRIntArrayValueGet(WINDAT *win, int index) {
    if (!win) return WIN_ERROR_ARG;
    if (!win->usr.im) return WIN_ERROR_MEMORY;
    return win->usr.im[index];
}

int WinUSRIntArrayValueSet(WINDAT *win, int index, int value) {
    if (!win) return WIN_ERROR_ARG;
    if (!win->usr.im) return WIN_ERROR_MEMORY;
    win->usr.im[index] = value;
    return 0;
}

int WinUSRIntArrayRemove(WINDAT *win) {
    if (!win) return WIN_ERROR_ARG;
    if (!win->usr.im) return WIN_ERROR_MEMORY;
    MemFree(win->usr.im, "usr");
    win->usr.im = nullptr;
    return 0;
}

int WinUSRIntArrayExist(WINDAT *win) {
    return win && win->usr.im ? 0 : -8;
}

char *WinUSRStringGet(WINDAT *win) {
    return win ? win->usr.str : nullptr;
}

int WinUSRStringSet(WINDAT *win, const char *text) {
    if (!win) return WIN_ERROR_ARG;
    WinUSRStringRemove(win);
    if (!text || !*text) return WIN_ERROR_ARG;
    win->usr.str = WinStrDup(text, "str");
    return win->usr.str ? 0 : -8;
}

int WinUSRStringRemove(WINDAT *win) {
    if (!win) return WIN_ERROR_ARG;
    if (!win->usr.str) return WIN_ERROR_MEMORY;
    MemFree(win->usr.str, "str");
    win->usr.str = nullptr;
    return 0;
}

int WinUSRStringArrayCreate(WINDAT *win, int n) {
    if (!win) return WIN_ERROR_ARG;
    if (n <= 0) return WIN_ERROR_ARG;
    auto a = static_cast<char **>(MemCreate(static_cast<long>(n + 1) * sizeof(char *), "strm"));
    if (!a) return WIN_ERROR_MEMORY;
    memset(a, 0, static_cast<size_t>(n + 1) * sizeof(char *));
    char len[16];
    snprintf(len, sizeof len, "%i", n + 1);
    a[0] = WinStrDup(len, "strm");
    if (!a[0]) {
        MemFree(a, "strm");
        return WIN_ERROR_MEMORY;
    }
    return WinUSRStringArraySet(win, a);
}

char **WinUSRStringArrayGet(WINDAT *win) {
    return win ? win->usr.strm : nullptr;
}

int WinUSRStringArraySet(WINDAT *win, char **array) {
    if (!win) return WIN_ERROR_ARG;
    if (win->usr.strm) WinUSRStringArrayRemove(win);
    win->usr.strm = array;
    return 0;
}

char *WinUSRStringArrayValueGet(WINDAT *win, int index) {
    if (!win || !win->usr.strm) return nullptr;
    return win->usr.strm[index];
}

int WinUSRStringArrayValueSet(WINDAT *win, int index, char *p) {
    if (!win) return WIN_ERROR_ARG;
    if (!win->usr.strm) return WIN_ERROR_MEMORY;
    win->usr.strm[index] = p;
    return 0;
}

int WinUSRStringArrayRemove(WINDAT *win) {
    if (!win) return WIN_ERROR_ARG;
    if (!win->usr.strm) return WIN_ERROR_MEMORY;
    // The length text in slot 0 belongs to the array; the other slots belong to the widget.
    if (win->usr.strm[0]) MemFree(win->usr.strm[0], "strm");
    MemFree(win->usr.strm, "strm");
    win->usr.strm = nullptr;
    return 0;
}

int WinUSRStringArrayExist(WINDAT *win) {
    return win && win->usr.strm ? 0 : -8;
}

int WinFuncIntCloseSimple(WINDATUSR *rec) {
    if (!rec || !rec->win) return WIN_ERROR_NOWINDOW;
    WINDAT *w = rec->win;
    if (w->usr.im) WinUSRIntArrayRemove(w);
    if (w->usr.str) WinUSRStringRemove(w);
    if (w->usr.strm) WinUSRStringArrayRemove(w);
    return 0;
}

// ---- X wrappers --------------------------------------------------------------------------------

int WinShow(WINDAT *win, int on) {
    if (!win) return WIN_ERROR_ARG;
    if (!win->window) return WIN_ERROR_NOWINDOW;
    ToolkitLockGuard guard;
    if (on)
        XMapWindow(win->usr.display, win->window);
    else
        XUnmapWindow(win->usr.display, win->window);
    win->unvisible = on ? 0 : 1;
    XFlush(win->usr.display);
    return 0;
}

int WinGetAttrib(WINDAT *win, XWindowAttributes *attr) {
    if (!win || !attr) return WIN_ERROR_ARG;
    if (!win->window) return WIN_ERROR_NOWINDOW;
    ToolkitLockGuard guard;
    if (!XGetWindowAttributes(win->usr.display, win->window, attr)) {
        MsgErrWin(win->language, win->label ? win->label : "", -27);
        return -1;
    }
    return 0;
}

int WinSetFg(WINDAT *win, unsigned long pixel) {
    if (!win) return WIN_ERROR_ARG;
    if (!win->gc) return WIN_ERROR_GC;
    XSetForeground(win->usr.display, win->gc, pixel);
    return 0;
}

int WinSetBg(WINDAT *win, unsigned long pixel) {
    if (!win) return WIN_ERROR_ARG;
    if (!win->gc) return WIN_ERROR_GC;
    XSetBackground(win->usr.display, win->gc, pixel);
    return 0;
}

int WinSetBgColor(WINDAT *win, unsigned long pixel) {
    if (!win) return WIN_ERROR_ARG;
    if (!win->window) return WIN_ERROR_NOWINDOW;
    XSetWindowBackground(win->usr.display, win->window, pixel);
    win->bg = pixel;
    return 0;
}

int WinSetBgPixmap(WINDAT *win, Pixmap pixmap) {
    if (!win) return WIN_ERROR_ARG;
    if (!win->window) return WIN_ERROR_NOWINDOW;
    XSetWindowBackgroundPixmap(win->usr.display, win->window, pixmap);
    return 0;
}

int WinSetFont(Display *display, GC gc, XFontStruct *font) {
    if (!display || !gc || !font) return WIN_ERROR_ARG;
    XSetFont(display, gc, font->fid);
    return 0;
}

int WinClearWindow(WINDAT *win) {
    if (!win) return WIN_ERROR_ARG;
    if (!win->window) return WIN_ERROR_NOWINDOW;
    XClearWindow(win->usr.display, win->window);
    return 0;
}

int WinResize(WINDAT *win, int w, int h) {
    if (!win) return WIN_ERROR_ARG;
    if (!win->window) return WIN_ERROR_NOWINDOW;
    if (w < 1) w = 1;
    if (h < 1) h = 1;
    XResizeWindow(win->usr.display, win->window, static_cast<unsigned>(w),
                  static_cast<unsigned>(h));
    return 0;
}

int WinMove(WINDAT *win, int x, int y) {
    if (!win) return WIN_ERROR_ARG;
    if (!win->window) return WIN_ERROR_NOWINDOW;
    XMoveWindow(win->usr.display, win->window, x, y);
    return 0;
}

int WinMoveResizeWindow(WINDAT *win, int x, int y, int w, int h) {
    if (!win) return WIN_ERROR_ARG;
    if (!win->window) return WIN_ERROR_NOWINDOW;
    if (x < 0 || y < 0 || w < 0 || h < 0) return -2;
    XMoveResizeWindow(win->usr.display, win->window, x, y, static_cast<unsigned>(w < 1 ? 1 : w),
                      static_cast<unsigned>(h < 1 ? 1 : h));
    return 0;
}

int WinSetWinTitle(WINDAT *win, const char *title) {
    if (!win || !title) return WIN_ERROR_ARG;
    if (!win->window) return WIN_ERROR_NOWINDOW;
    TextSetTitle(win->usr.display, win->window, title);
    return 0;
}

int WinSetWinTitleUtf8(WINDAT *win, const char *title) {
    return WinSetWinTitle(win, title);
}

// Place and size of the windows this program made cover the screen itself.
static std::map<Window, XRectangle> fullscreen_bare;

static bool WmRunning(Display *d) {
    Atom check = XInternAtom(d, "_NET_SUPPORTING_WM_CHECK", False);
    Atom type;
    int format;
    unsigned long n = 0, after;
    unsigned char *data = nullptr;
    Window w = 0;
    if (XGetWindowProperty(d, DefaultRootWindow(d), check, 0, 1, False, XA_WINDOW, &type, &format,
                           &n, &after, &data) == Success &&
        data && n == 1 && format == 32)
        w = static_cast<Window>(*reinterpret_cast<unsigned long *>(data));
    if (data) XFree(data);
    if (!w) return false;
    // A window manager that died leaves its property behind: its window must still exist.
    XWindowAttributes a;
    return XGetWindowAttributes(d, w, &a) != 0;
}

int WinFullscreenGet(WINDAT *top) {
    if (!top || !top->window) return 0;
    if (fullscreen_bare.count(top->window)) return 1;
    Display *d = top->usr.display;
    Atom full = XInternAtom(d, "_NET_WM_STATE_FULLSCREEN", False);
    Atom type;
    int format;
    unsigned long n = 0, after;
    unsigned char *data = nullptr;
    int on = 0;
    if (XGetWindowProperty(d, top->window, XInternAtom(d, "_NET_WM_STATE", False), 0, 32, False,
                           XA_ATOM, &type, &format, &n, &after, &data) == Success &&
        data && format == 32)
        for (unsigned long i = 0; i < n; i++)
            if (reinterpret_cast<unsigned long *>(data)[i] == full) on = 1;
    if (data) XFree(data);
    return on;
}

int WinFullscreenSet(WINDAT *top, int on) {
    if (!top) return -15;
    if (!top->window) return -20;
    Display *d = top->usr.display;
    Window root = DefaultRootWindow(d);
    if (WmRunning(d) && !fullscreen_bare.count(top->window)) {
        XEvent ev{};
        ev.xclient.type = ClientMessage;
        ev.xclient.window = top->window;
        ev.xclient.message_type = XInternAtom(d, "_NET_WM_STATE", False);
        ev.xclient.format = 32;
        ev.xclient.data.l[0] = on ? 1 : 0; // _NET_WM_STATE_ADD, _NET_WM_STATE_REMOVE
        ev.xclient.data.l[1] = static_cast<long>(XInternAtom(d, "_NET_WM_STATE_FULLSCREEN", False));
        ev.xclient.data.l[3] = 1; // from a normal application
        XSendEvent(d, root, False, SubstructureRedirectMask | SubstructureNotifyMask, &ev);
        XFlush(d);
        return 0;
    }
    auto it = fullscreen_bare.find(top->window);
    if (on && it == fullscreen_bare.end()) {
        XWindowAttributes a;
        if (!XGetWindowAttributes(d, top->window, &a)) return -20;
        int x = 0, y = 0;
        Window child;
        XTranslateCoordinates(d, top->window, root, 0, 0, &x, &y, &child);
        fullscreen_bare[top->window] = {static_cast<short>(x), static_cast<short>(y),
                                        static_cast<unsigned short>(a.width),
                                        static_cast<unsigned short>(a.height)};
        XMoveResizeWindow(d, top->window, 0, 0, static_cast<unsigned>(WinGetDisplayWidth(d)),
                          static_cast<unsigned>(WinGetDisplayHeight(d)));
        XRaiseWindow(d, top->window);
    } else if (!on && it != fullscreen_bare.end()) {
        XRectangle r = it->second;
        fullscreen_bare.erase(it);
        XMoveResizeWindow(d, top->window, r.x, r.y, r.width, r.height);
    }
    XFlush(d);
    return 0;
}

int WinSetLabel(WINDAT *win, const char *text, int repaint) {
    if (!win) return WIN_ERROR_ARG;
    if (!text) return WIN_ERROR_ARG;
    if (win->label && !strcmp(win->label, text)) return -3;
    if (win->label) MemFree(win->label, "label");
    win->label = *text ? WinStrDup(text, "label") : nullptr;
    if (repaint == 1) WinFuncExpose(win);
    return 0;
}

int WinSetTransientForHint(WINDAT *win, WINDAT *owner) {
    if (!win || !owner) return WIN_ERROR_ARG;
    if (!win->window || !owner->window) return WIN_ERROR_NOWINDOW;
    Display *d = win->usr.display;
    XSetTransientForHint(d, win->window, owner->window);
    // A window manager keeps it above its owner and decorates it as a dialog.
    Atom dialog = XInternAtom(d, "_NET_WM_WINDOW_TYPE_DIALOG", False);
    XChangeProperty(d, win->window, XInternAtom(d, "_NET_WM_WINDOW_TYPE", False), XA_ATOM, 32,
                    PropModeReplace, reinterpret_cast<const unsigned char *>(&dialog), 1);
    return 0;
}

int WinRaiseTop(WINDAT *win) {
    if (!win) return WIN_ERROR_ARG;
    if (!win->window) return WIN_ERROR_NOWINDOW;
    Display *d = win->usr.display;
    XRaiseWindow(d, win->window);
    XEvent ev;
    memset(&ev, 0, sizeof ev);
    ev.xclient.type = ClientMessage;
    ev.xclient.window = win->window;
    ev.xclient.message_type = XInternAtom(d, "_NET_ACTIVE_WINDOW", False);
    ev.xclient.format = 32;
    ev.xclient.data.l[0] = 1; // a request from an application
    ev.xclient.data.l[1] = CurrentTime;
    XSendEvent(d, DefaultRootWindow(d), False, SubstructureRedirectMask | SubstructureNotifyMask,
               &ev);
    XFlush(d);
    return 0;
}

int WinSetMaxWidthHeight(WINDAT *win, int w, int h) {
    if (!win) return WIN_ERROR_ARG;
    if (!win->window) return WIN_ERROR_NOWINDOW;
    XSizeHints hints;
    memset(&hints, 0, sizeof hints);
    hints.flags = PMaxSize;
    hints.max_width = w;
    hints.max_height = h;
    XSetWMNormalHints(win->usr.display, win->window, &hints);
    return 0;
}

int WinSelectInput(Display *display, Window w, long mask) {
    if (!display || !w) return WIN_ERROR_ARG;
    XSelectInput(display, w, mask);
    return 0;
}

int WinCreateGC(WINDAT *win) {
    if (!win) return WIN_ERROR_ARG;
    if (!win->window) return WIN_ERROR_NOWINDOW;
    if (win->gc) return 0;
    win->gc = XCreateGC(win->usr.display, win->window, 0, nullptr);
    return win->gc ? 0 : -26;
}

int WinFreeGC(WINDAT *win) {
    if (!win) return WIN_ERROR_ARG;
    if (!win->gc) return WIN_ERROR_GC;
    XFreeGC(win->usr.display, win->gc);
    win->gc = nullptr;
    return 0;
}

int WinDisplayClose(Display *display) {
    if (!display) return WIN_ERROR_ARG;
    XCloseDisplay(display);
    return 0;
}

int WinDisplayGetDepth(Display *display) {
    if (!display) return WIN_ERROR_ARG;
    return DefaultDepth(display, DefaultScreen(display));
}

int SystemGetColorDepth(Display *display) {
    return WinDisplayGetDepth(display);
}

int WinGetDisplayWidth(Display *display) {
    return display ? DisplayWidth(display, DefaultScreen(display)) : -15;
}

int WinGetDisplayHeight(Display *display) {
    return display ? DisplayHeight(display, DefaultScreen(display)) : -15;
}

int WinFlush(Display *display) {
    if (!display) return WIN_ERROR_ARG;
    XFlush(display);
    return 0;
}

int WinNextEvent(Display *display, XEvent *ev) {
    if (!display || !ev) return WIN_ERROR_ARG;
    XNextEvent(display, ev);
    return 0;
}

int WinWindowEvent(WINDAT *win, long mask, XEvent *ev) {
    if (!win || !ev) return WIN_ERROR_ARG;
    if (!win->window) return WIN_ERROR_NOWINDOW;
    XWindowEvent(win->usr.display, win->window, mask, ev);
    return 0;
}

int WinTranslateCoordinates(WINDAT *win, int x, int y) {
    if (!win) return WIN_ERROR_ARG;
    if (!win->window) return WIN_ERROR_NOWINDOW;
    int rx, ry;
    Window child;
    Display *d = win->usr.display;
    if (!XTranslateCoordinates(d, win->window, DefaultRootWindow(d), x, y, &rx, &ry, &child))
        return -1;
    return 0;
}

int CursorSet(WINDAT *win, Cursor cursor) {
    if (!win) return WIN_ERROR_ARG;
    if (!win->window) return WIN_ERROR_NOWINDOW;
    XDefineCursor(win->usr.display, win->window, cursor);
    return 0;
}

Cursor CursorCreate(Display *display, unsigned int shape) {
    if (!display) return 0;
    return XCreateFontCursor(display, shape);
}

int CursorDestroy(Display *display, Cursor cursor) {
    if (!display || !cursor) return WIN_ERROR_ARG;
    XFreeCursor(display, cursor);
    return 0;
}

int WinPaint(WINDAT *win) {
    if (!win) return WIN_ERROR_ARG;
    return WinFuncExpose(win);
}

// ---- Messages ----------------------------------------------------------------------------------

WINDAT *(*MsgBoxHook)(int language, int kind, const char *text, WINFUNC callback) = nullptr;

WINDAT *MsgBox(int language, int kind, const char *text, WINFUNC callback) {
    const char *title = LgBoxTitel(kind, language);
    // Every message is also one line on stderr: for a user who started dravik from a terminal,
    // and for the time before the display exists.
    fprintf(stderr, "%s: %s: %s\n", "dravik", title ? title : "", MsgOneLine(text).c_str());
    if (!MsgBoxHook || !main_display || WINDATpi < 1) return nullptr;
    // A box that cannot be made says so on stderr only: shown in a box, the message would need
    // a box of its own, which fails the same way (a full registry), without end.
    static thread_local bool making = false;
    if (making) return nullptr;
    ToolkitLockGuard guard;
    // The same message again while its box is open raises that box: a key held or pressed
    // over and over would otherwise stack boxes until no window can be made. Boxes with an
    // action of their own are always new.
    struct SHOWN {
        WINDAT *box;
        Window window;
        int kind;
        std::string text;
    };
    static std::vector<SHOWN> shown;
    std::string said = text ? text : "";
    for (size_t i = shown.size(); i-- > 0;) {
        const SHOWN &b = shown[i];
        if (WinFind(b.window) != b.box) {
            shown.erase(shown.begin() + long(i));
        } else if (!callback && b.kind == kind && b.text == said) {
            XRaiseWindow(b.box->usr.display, b.window);
            XFlush(b.box->usr.display);
            return b.box;
        }
    }
    making = true;
    WINDAT *box = MsgBoxHook(language, kind, said.c_str(), callback ? callback : MsgBoxClose);
    making = false;
    if (box && !callback) shown.push_back({box, box->window, kind, said});
    return box;
}

int MsgBoxShow(int language, int kind, const char *text) {
    MsgBox(language, kind, text, nullptr);
    return 0;
}

int MsgBoxClose(WINDATUSR *rec) {
    if (!rec) return WIN_ERROR_ARG;
    if (!rec->win) return WIN_ERROR_NOWINDOW;
    if (!rec->parent) return WIN_ERROR_PARENT;
    // The pressed button sits in the box's button row: the box is the row's parent.
    for (WINDAT *w = rec->parent; w; w = w->usr.parent)
        if (w->typ == WIN_DLGMSG) return WinClose(w);
    return WinClose(rec->parent);
}

int MsgBeep(WINDAT *win, int percent) {
    if (!win) return WIN_ERROR_ARG;
    XBell(win->usr.display, percent);
    return 0;
}
