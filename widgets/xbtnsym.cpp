#include "widgets/xbtnsym.h"

#include "base/settings.h"
#include "base/xmem.h"
#include "render/io_xpm.h"
#include "render/ximage.h"
#include "toolkit/xcolor.h"
#include "toolkit/xevent.h"
#include "toolkit/xtools.h"
#include "toolkit/xwinfunc.h"
#include "widgets/xbtn.h"
#include "widgets/xsymbol.h"

#include <cstdlib>
#include <cstring>

static const long BTN_SYM_INPUT =
    ButtonPressMask | ButtonReleaseMask | EnterWindowMask | LeaveWindowMask | ExposureMask;

static XImage **BtnSymImages(WINDAT *win) {
    return static_cast<XImage **>(win->img_list);
}

WINDAT *SymbolGroupCreate(WINDAT *parent, int x, int y, WINTYP *typ, const WINNEIGHBOR *nb,
                          const char *name) {
    if (!parent || !typ || !nb) return nullptr;
    WINTYP t = *typ;
    t.typ = WIN_SYMBOL_GROUP;
    return WinCreate(parent, x, y, &t, nb, name, fontfs_text);
}

WINDAT *SymbolBtnAdd(WINDAT *group, WINTYP *typ, const char *label, int symbol, WINFUNC action) {
    if (!group || !typ) return nullptr;
    WINNEIGHBOR nb{};
    nb.neighbor[WIN_SIDE_LEFT] = group->nchild > 0 ? group->child[group->nchild - 1] : nullptr;
    return BtnSymCreate(group, 0, 0, typ, &nb, label, action, symbol);
}

WINDAT *SymbolBtnAddStd(WINDAT *group, const char *label, int symbol, WINFUNC action) {
    if (!group) return nullptr;
    WINTYP t{};
    t.fg = group->fg;
    t.bg = group->bg;
    t.width = BTN_SYM_SIZE;
    t.height = BTN_SYM_SIZE;
    t.language = group->language;
    return SymbolBtnAdd(group, &t, label, symbol, action);
}

int BtnSymPixmapCreate(WINDAT *win, int symbol, const char *none_colour) {
    if (!win) return WIN_ERROR_ARG;
    XImage **images = BtnSymImages(win);
    if (!images) return WIN_ERROR_MEMORY;
    for (int i = 0; i < 2; i++) {
        char **data = SymbolXpmData(symbol, i);
        if (!data) return WIN_ERROR_NOIMAGE;
        images[i] = ImageCreateFromDataSimple(data, none_colour);
    }
    return images[0] && images[1] ? 0 : -24;
}

// A symbol button's hint flag lives in element 1 of its int array.
static void BtnSymHintFlagSet(WINDAT *win, int flag) {
    if (WinUSRIntArrayExist(win) == 0) WinUSRIntArrayValueSet(win, 1, flag);
}

static int BtnSymEvPress(WINDAT *win) {
    BtnSymHintFlagSet(win, 0);
    BtnSymHintClose(win);
    return BtnSymPress(win);
}

static int BtnSymEvEnter(WINDAT *win) {
    BtnSymHintFlagSet(win, 1);
    BtnSymHintCreate(win);
    return BtnSymPaint(win);
}

static int BtnSymEvLeave(WINDAT *win) {
    if (WinUSRIntArrayExist(win) == 0 && WinUSRIntArrayValueGet(win, 1) == 0) return 0;
    BtnSymHintFlagSet(win, 0);
    BtnSymHintClose(win);
    return BtnSymPaint(win);
}

void BtnSymEvInit() {
    static const WINEVHANDLER h = {BtnSymEvPress, BtnSymRelease, nullptr,
                                   nullptr,       BtnSymEvEnter, BtnSymEvLeave};
    WinEvHandlerSet(WIN_BTN_SYM, &h);
}

WINDAT *BtnSymCreate(WINDAT *parent, int x, int y, WINTYP *typ, const WINNEIGHBOR *nb,
                     const char *label, WINFUNC action, int symbol) {
    if (!parent || !typ || !nb) return nullptr;
    BtnSymEvInit();
    WINTYP t = *typ;
    t.typ = WIN_BTN_SYM;
    t.func[WIN_FUNC_MOUSE] = action;
    t.func[WIN_FUNC_EXPOSE] = ExposeBtnSym;
    WINDAT *win = WinCreate(parent, x, y, &t, nb, label, fontfs_btn);
    if (!win) return nullptr;
    WinSelectInput(win->usr.display, win->window, BTN_SYM_INPUT);
    WinSetFuncIntClose(win, BtnSymFuncIntClose);
    if (WinUSRIntArrayCreate(win, 2) != 0) {
        WinClose(win);
        return nullptr;
    }
    WinUSRIntArrayValueSet(win, 1, 0);
    auto images = static_cast<XImage **>(MemCreate(2 * sizeof(XImage *), "btnsym"));
    if (!images) {
        WinClose(win);
        return nullptr;
    }
    images[0] = images[1] = nullptr;
    win->img_list = images;
    win->img_count = 2;
    BtnSymPixmapCreate(win, symbol, bg_sz_menu);
    return win;
}

int BtnSymFuncIntClose(WINDATUSR *rec) {
    if (!rec || !rec->win) return WIN_ERROR_NOWINDOW;
    WINDAT *win = rec->win;
    XImage **images = BtnSymImages(win);
    if (images) {
        for (int i = 0; i < 2; i++)
            if (images[i]) WinFreeXImage(images[i]);
        MemFree(images, "btnsym");
        win->img_list = nullptr;
        win->img_count = 0;
    }
    return WinUSRIntArrayRemove(win);
}

int ExposeBtnSym(WINDATUSR *rec) {
    if (!rec || !rec->win) return WIN_ERROR_NOWINDOW;
    return BtnSymPaint(rec->win);
}

static int BtnSymHintFlag(WINDAT *win) {
    return WinUSRIntArrayExist(win) == 0 ? WinUSRIntArrayValueGet(win, 1) : 0;
}

int BtnSymPaint(WINDAT *win) {
    if (!win) return WIN_ERROR_ARG;
    if (!win->gc) return WIN_ERROR_GC;
    XImage **images = BtnSymImages(win);
    if (!images) return WIN_ERROR_MEMORY;
    Display *d = win->usr.display;
    XClearWindow(d, win->window);
    XImage *im = images[BtnSymHintFlag(win) == 1 && !win->disable ? 1 : 0];
    if (im) {
        int x = im->width < win->width ? (win->width - im->width) / 2 : 0;
        int y = im->height < win->height ? (win->height - im->height) / 2 : 0;
        if (win->select) x++, y++;
        XPutImage(d, win->window, win->gc, im, 0, 0, x, y, static_cast<unsigned>(im->width),
                  static_cast<unsigned>(im->height));
    }
    if (win->select)
        WinDraw3dRect(win, 0, 0, win->width - 1, win->height - 1, WIN_3D_SUNKEN, 1);
    else if (BtnSymHintFlag(win) == 1 && !win->disable)
        WinDraw3dRect(win, 0, 0, win->width - 1, win->height - 1, WIN_3D_RAISED, 1);
    return 0;
}

int BtnSymPress(WINDAT *win) {
    if (!win) return WIN_ERROR_ARG;
    if (win->disable) return -1;
    lastEventTime[1] = win->usr.evmouse.xbutton.time;
    WinSetSelect(win, 1, 1);
    return 0;
}

int BtnSymRelease(WINDAT *win) {
    if (!win) return WIN_ERROR_ARG;
    if (win->disable) return -1;
    WinSetSelect(win, 0, 1);
    if (!WinIsClick(lastEventTime[1], win->usr.evmouse.xbutton.time)) return 1;
    WINFUNC fn = win->func[WIN_FUNC_MOUSE];
    if (!fn) return 0;
    WINDATUSR rec = win->usr;
    rec.win = win;
    rec.i = win->status;
    return fn(&rec);
}

static int ExposeHint(WINDATUSR *rec) {
    if (!rec || !rec->win) return WIN_ERROR_NOWINDOW;
    WINDAT *win = rec->win;
    if (!win->gc || !win->label) return -3;
    Display *d = win->usr.display;
    XClearWindow(d, win->window);
    XSetForeground(d, win->gc, win->fg);
    int tw = WinGetTextWidth(fontfs_text, win->label, 0);
    int y = WinGetTextHeight(fontfs_text, WIN_TEXT_SAMPLE, 0) + 1;
    WinDrawString(win, (win->width - tw) / 2, y, win->label, static_cast<int>(strlen(win->label)));
    return 0;
}

WINDAT *BtnSymHintCreate(WINDAT *btn) {
    if (!btn || !AskHintBtnSym || !btn->label || !*btn->label || btn->disable) return nullptr;
    if (WinChildFindTyp(btn, WIN_HINT)) return nullptr;
    int w = WinGetTextWidth(fontfs_text, btn->label, 0) + 10;
    int h = WinGetTextHeight(fontfs_text, WIN_TEXT_SAMPLE, 0) + 4;
    int dx = -(abs(w + 2 - btn->width) / 2);
    int dy = 1 - (h / 2 + h - 2);
    Display *d = btn->usr.display;
    int rx = 0, ry = 0;
    Window child;
    if (!XTranslateCoordinates(d, btn->window, DefaultRootWindow(d), dx, dy, &rx, &ry, &child))
        return nullptr;
    WINTYP t{};
    t.fg = fg_hint;
    t.bg = bg_hint;
    t.width = w + 2;
    t.height = h + 2;
    t.border = 1;
    t.typ = WIN_HINT;
    t.language = btn->language;
    t.func[WIN_FUNC_EXPOSE] = ExposeHint;
    WINNEIGHBOR nb{};
    WINDAT *hint = WinCreateFromRoot(d, rx, ry, &t, &nb, btn->label, fontfs_text);
    if (!hint) return nullptr;
    WinChildAdd(btn, hint);
    hint->usr.parent = btn;
    hint->usr.parentgrp = btn;
    WinFlush(d);
    return hint;
}

int BtnSymHintClose(WINDAT *btn) {
    if (!btn) return WIN_ERROR_ARG;
    if (!AskHintBtnSym) return 0;
    WINDAT *hint = WinChildFindTyp(btn, WIN_HINT);
    if (!hint) return -1;
    return WinClose(hint);
}
