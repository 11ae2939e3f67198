#include "widgets/xbtn.h"

#include "base/xmem.h"
#include "toolkit/xcolor.h"
#include "toolkit/xevent.h"
#include "toolkit/xinit.h"
#include "toolkit/xtools.h"
#include "toolkit/xwinfunc.h"
#include "widgets/xmenu.h"

#include <X11/cursorfont.h>
#include <X11/keysym.h>
#include <algorithm>
#include <cstdio>
#include <cstring>

Time lastEventTime[2] = {0, 0};

static Cursor cursorCross = 0;
static Cursor cursorLeftPtr = 0;

static const long BTN_INPUT = KeyPressMask | KeyReleaseMask | ButtonPressMask | ButtonReleaseMask |
                              EnterWindowMask | LeaveWindowMask | ExposureMask;

static bool BtnUsable(const WINDAT *win) {
    return win && win->window && win->gc && win->usr.display;
}

// Plain buttons, and menu titles and entries (kinds 6 and 7), which show a held key too.
static bool BtnShowsKeyPress(const WINDAT *win) {
    int s = win->state;
    return s == 0 || s == 1 || s == 2 || s == 9 || s == 10;
}

static bool BtnIsMenuEntry(const WINDAT *win) {
    return (win->state == 6 || win->state == 7) && win->usr.parent;
}

static int BtnEvRelease(WINDAT *win) {
    return BtnRelease(win, 1);
}

static int BtnEvKeyPress(WINDAT *win) {
    if (BtnShowsKeyPress(win)) WinSetSelect(win, 1, 1);
    return 0;
}

static int BtnEvKeyRelease(WINDAT *win) {
    if (BtnShowsKeyPress(win)) WinSetSelect(win, 0, 1);
    return win->usr.parent ? BtnKey(win) : 0;
}

static int BtnEvEnter(WINDAT *win) {
    return BtnIsMenuEntry(win) ? MenuEntryEnter(win) : 0;
}

static int BtnEvLeave(WINDAT *win) {
    return BtnIsMenuEntry(win) ? MenuEntryLeave(win) : 0;
}

void BtnEvInit() {
    static const WINEVHANDLER h = {BtnPress,        BtnEvRelease, BtnEvKeyPress,
                                   BtnEvKeyRelease, BtnEvEnter,   BtnEvLeave};
    WinEvHandlerSet(WIN_BTN, &h);
}

WINDAT *BtnCreate(WINDAT *parent, int x, int y, WINTYP *typ, const WINNEIGHBOR *nb,
                  const char *label, WINFUNC action) {
    if (!parent || !typ || !nb) return nullptr;
    BtnEvInit();
    WINTYP t = *typ;
    t.typ = WIN_BTN;
    if (t.state == BTN_DIALOG) {
        t.width += 10;
        t.height += 10;
    } else if (t.state == BTN_OPTION || t.state == BTN_OPTION_THIN) {
        t.width += 28;
    }
    if (!t.func[WIN_FUNC_EXPOSE]) t.func[WIN_FUNC_EXPOSE] = ExposeBtn;
    if (!t.func[WIN_FUNC_RESIZE]) t.func[WIN_FUNC_RESIZE] = ResizeBtn;
    t.func[WIN_FUNC_MOUSE] = action;
    WINDAT *win = WinCreate(parent, x, y, &t, nb, label, fontfs_btn);
    if (!win) return nullptr;
    WinSelectInput(win->usr.display, win->window, BTN_INPUT);
    return win;
}

int ExposeBtn(WINDATUSR *rec) {
    if (!rec || !rec->win) return WIN_ERROR_NOWINDOW;
    return BtnPaint(rec->win);
}

int ResizeBtn(WINDATUSR *rec) {
    if (!rec || !rec->win) return WIN_ERROR_NOWINDOW;
    return BtnResize(rec->win);
}

int BtnTextFit(XFontStruct *font, const char *text, int width, char *out, int outsize) {
    if (!text || !out || outsize < 1) return WIN_ERROR_ARG;
    out[0] = '\0';
    int len = static_cast<int>(strlen(text));
    int tw = WinGetTextWidth(font, text, len);
    if (tw + 2 <= width) {
        snprintf(out, static_cast<size_t>(outsize), "%s", text);
        return len;
    }
    int n = static_cast<int>(static_cast<long>(len) * width / (tw + 2)) - 2;
    if (n > 256) n = 255;
    if (n <= 2) return 0;
    if (n > outsize - 1) n = outsize - 1;
    memcpy(out, text, static_cast<size_t>(n));
    out[n - 2] = '.';
    out[n - 1] = '.';
    out[n] = '\0';
    return n;
}

static void BtnOuterRect(WINDAT *win) {
    Display *d = win->usr.display;
    XSetForeground(d, win->gc, win->activ ? p_black : win->bg);
    XDrawRectangle(d, win->window, win->gc, 0, 0, static_cast<unsigned>(win->width - 1),
                   static_cast<unsigned>(win->height - 1));
    XSetForeground(d, win->gc, win->fg);
}

int BtnPaintText(WINDAT *win) {
    if (!BtnUsable(win)) return WIN_ERROR_GC;
    if (!win->label) return -3;
    char text[260];
    int n = BtnTextFit(fontfs_btn, win->label, win->width, text, sizeof text);
    if (n <= 0) return 0;
    Display *d = win->usr.display;
    XSetForeground(d, win->gc, win->disable ? fg_disable : fg_btn);
    XSetBackground(d, win->gc, win->bg);
    int x = (win->width - WinGetTextWidth(fontfs_btn, text, n)) / 2 + 2;
    // Beside a check box or radio button a short text starts where a long one does, not centred
    // in the width every button has at least.
    if (win->state == BTN_TEXT) x = std::min(x, 16);
    int y = win->height - win->height / 2 + 5;
    WinDrawString(win, x, y, text, n);
    XSetForeground(d, win->gc, win->fg);
    return 0;
}

// The entry look of menu titles and entries: the part after ";" (the accelerator) is
// right-aligned.
int BtnMenuPaint(WINDAT *win) {
    if (!BtnUsable(win)) return WIN_ERROR_GC;
    Display *d = win->usr.display;
    XSetForeground(d, win->gc, win->select ? bg_menuSel : win->bg);
    XFillRectangle(d, win->window, win->gc, 0, 0, static_cast<unsigned>(win->width),
                   static_cast<unsigned>(win->height));
    if (win->state == BTN_MENU_SEP) {
        WinDraw3dLineH(win, 2, win->height / 2, win->width - 4, 0, WIN_3D_SUNKEN);
        return 0;
    }
    if (win->label) {
        XSetForeground(d, win->gc, win->disable ? fg_disable : win->fg);
        XSetBackground(d, win->gc, win->select ? bg_menuSel : win->bg);
        int y = win->height - win->height / 2 + 4;
        const char *semi = strchr(win->label, ';');
        int n = semi ? static_cast<int>(semi - win->label) : static_cast<int>(strlen(win->label));
        if (n > 0) WinDrawString(win, 4, y, win->label, n);
        if (semi && semi[1]) {
            int aw = WinGetTextWidth(fontfs_btn, semi + 1, 0);
            WinDrawString(win, win->width - 4 - aw, y, semi + 1,
                          static_cast<int>(strlen(semi + 1)));
        }
    }
    if (win->state == BTN_MENU_SUB)
        WinDraw3dTriangle(win, WIN_ARROW_RIGHT, win->select ? WIN_3D_SUNKEN : WIN_3D_RAISED, 1);
    XSetForeground(d, win->gc, win->fg);
    return 0;
}

int BtnMenuOptionPaint(WINDAT *win) {
    if (!BtnUsable(win)) return WIN_ERROR_GC;
    Display *d = win->usr.display;
    XClearWindow(d, win->window);
    int thick = win->state == BTN_OPTION ? 2 : 1;
    WinDraw3dRect(win, 1, 1, win->width - 3, win->height - 3, WIN_3D_RAISED, thick);
    if (win->label) {
        char text[260];
        int n = BtnTextFit(fontfs_btn, win->label, win->width - 28, text, sizeof text);
        if (n > 0) {
            XSetForeground(d, win->gc, win->disable ? fg_disable : fg_btn);
            XSetBackground(d, win->gc, win->bg);
            int x = (win->width - 28 - WinGetTextWidth(fontfs_btn, text, n)) / 2 + 2;
            WinDrawString(win, x, win->height - win->height / 2 + 5, text, n);
        }
    }
    WinDraw3dTriangle(win, WIN_ARROW_DOWN, win->select ? WIN_3D_SUNKEN : WIN_3D_RAISED, 1);
    BtnOuterRect(win);
    return 0;
}

int BtnNotebookIndexPaint(WINDAT *win) {
    if (!BtnUsable(win)) return WIN_ERROR_GC;
    Display *d = win->usr.display;
    Window w = win->window;
    GC gc = win->gc;
    int wd = win->width, ht = win->height;
    XSetForeground(d, gc, win->select ? bg_menuSel : win->bg);
    XFillRectangle(d, w, gc, 0, 0, static_cast<unsigned>(wd), static_cast<unsigned>(ht));
    int top = win->select ? 1 : 2;
    XSetForeground(d, gc, lg_btn3d);
    for (int i = 0; i < (win->select ? 2 : 1); i++) {
        XDrawLine(d, w, gc, i, top + i, i, ht - 1);
        XDrawLine(d, w, gc, i, top + i, wd - 1 - i, top + i);
    }
    XSetForeground(d, gc, rg_btn3d);
    for (int i = 0; i < (win->select ? 2 : 1); i++)
        XDrawLine(d, w, gc, wd - 1 - i, top + i, wd - 1 - i, ht - 1);
    if (win->select) {
        XSetForeground(d, gc, win->bg);
        XDrawLine(d, w, gc, 2, ht - 1, wd - 3, ht - 1);
    } else {
        XSetForeground(d, gc, lg_btn3d);
        XDrawLine(d, w, gc, 0, ht - 1, wd - 1, ht - 1);
    }
    XSetForeground(d, gc, win->fg);
    return BtnPaintText(win);
}

static void BtnPaintGrip(WINDAT *win) {
    WinDrawFrame(win);
    for (int x = 3, col = 0; x + 2 < win->width - 2; x += 4, col++)
        for (int y = (col % 2) ? 5 : 2; y + 2 < win->height - 2; y += 6)
            WinDraw3dRect(win, x, y, 1, 1, WIN_3D_RAISED, 1);
}

static void BtnPaintRound(WINDAT *win) {
    Display *d = win->usr.display;
    unsigned long light = win->select ? rg_btn3d : lg_btn3d;
    unsigned long dark = win->select ? lg_btn3d : rg_btn3d;
    for (int inset = 2; inset <= 3; inset++) {
        int size = win->width - 2 * inset - 1;
        if (size < 1) break;
        XSetForeground(d, win->gc, light);
        WinDrawArc(win, inset, inset, size, size, 45 * 64, 180 * 64);
        XSetForeground(d, win->gc, dark);
        WinDrawArc(win, inset, inset, size, size, -135 * 64, 180 * 64);
    }
    if (win->select) {
        XSetForeground(d, win->gc, win->disable ? fg_disable : fg_btn);
        int c = win->width / 2;
        WinDrawArcFill(win, c - 2, c - 2, 4, 4, 0, 360 * 64);
    }
    XSetForeground(d, win->gc, win->fg);
}

int BtnPaint(WINDAT *win) {
    if (!win) return WIN_ERROR_ARG;
    if (!win->gc) return WIN_ERROR_GC;
    if (win->width < 2) return WIN_ERROR_ARG;
    if (!win->window) return WIN_ERROR_NOWINDOW;
    Display *d = win->usr.display;
    int w = win->width, h = win->height;
    int style = win->select ? WIN_3D_SUNKEN : WIN_3D_RAISED;
    switch (win->state) {
    case BTN_DIALOG:
        XClearWindow(d, win->window);
        BtnPaintText(win);
        WinDraw3dRect(win, 7, 7, w - 14, h - 14, style, 2);
        if (win->def) WinDraw3dRect(win, 2, 2, w - 5, h - 5, WIN_3D_SUNKEN, 1);
        BtnOuterRect(win);
        break;
    case BTN_PUSH:
    case BTN_PUSH_WIDE:
        XClearWindow(d, win->window);
        BtnPaintText(win);
        WinDraw3dRect(win, 1, 1, w - 3, h - 3, style, 1);
        BtnOuterRect(win);
        break;
    case BTN_TOGGLE:
        XClearWindow(d, win->window);
        WinDraw3dRect(win, 1, 1, w - 3, h - 3, style, 2);
        BtnOuterRect(win);
        break;
    case BTN_ROUND:
        XClearWindow(d, win->window);
        BtnPaintRound(win);
        BtnOuterRect(win);
        break;
    case BTN_GRIP:
        XClearWindow(d, win->window);
        BtnPaintGrip(win);
        break;
    case BTN_MENU:
    case BTN_MENU_SUB:
    case BTN_MENU_SEP:
        BtnMenuPaint(win);
        break;
    case BTN_OPTION:
    case BTN_OPTION_THIN:
    case BTN_OPTION_WIDE:
        BtnMenuOptionPaint(win);
        break;
    case BTN_TAB:
        BtnNotebookIndexPaint(win);
        break;
    case BTN_TEXT:
        XClearWindow(d, win->window);
        BtnPaintText(win);
        break;
    default:
        break;
    }
    return 0;
}

int BtnPress(WINDAT *win) {
    if (!win) return WIN_ERROR_ARG;
    if (win->disable) {
        MsgBeep(win, 0);
        return -1;
    }
    lastEventTime[0] = win->usr.evmouse.xbutton.time;
    switch (win->state) {
    case BTN_DIALOG:
    case BTN_PUSH:
    case BTN_PUSH_WIDE:
    case BTN_OPTION_THIN:
    case BTN_OPTION_WIDE:
        WinSetSelect(win, 1, 1);
        break;
    case BTN_GRIP:
        if (!cursorCross) cursorCross = CursorCreate(win->usr.display, XC_crosshair);
        CursorSet(win, cursorCross);
        WinSetSelect(win, 1, 1);
        break;
    case BTN_MENU:
        if (!win->select) WinSetSelect(win, 1, 1);
        break;
    default:
        break;
    }
    return 0;
}

static WINDAT *BtnRadioGroupOf(WINDAT *knob) {
    WINDAT *radio = knob->usr.parent;
    if (!radio || radio->typ != WIN_BTN_RADIO) return nullptr;
    WINDAT *group = radio->usr.parent;
    if (!group || group->typ != WIN_GRP_RADIO) return nullptr;
    return group;
}

// A knob and the text part of a radio button share its selection.
static void BtnRadioSelect(WINDAT *radio, int flag) {
    for (int i = 0; i < radio->nchild; i++) {
        WINDAT *c = radio->child[i];
        if (c && c->typ == WIN_BTN) WinSetSelect(c, flag, 1);
    }
}

int BtnRelease(WINDAT *win, int timing) {
    if (!win) return WIN_ERROR_ARG;
    if (win->disable) {
        MsgBeep(win, 0);
        return -1;
    }
    WINDAT *parent = win->usr.parent;
    if (win->state == BTN_DIALOG) {
        if (parent && parent->typ == WIN_BTN_GROUP)
            BtnGroupSetBtnDef(parent, WinChildFindNr(parent, win));
        WinSetDef(win, 1);
        WinSetActiv(win, 1);
    }
    switch (win->state) {
    case BTN_DIALOG:
    case BTN_PUSH:
    case BTN_PUSH_WIDE:
        WinSetSelect(win, 0, 1);
        break;
    case BTN_TOGGLE:
        WinSetSelect(win, !win->select, 1);
        break;
    case BTN_ROUND: {
        WINDAT *group = BtnRadioGroupOf(win);
        if (group) {
            for (int i = 0; i < group->nchild; i++) {
                WINDAT *r = group->child[i];
                if (r && r->typ == WIN_BTN_RADIO) BtnRadioSelect(r, 0);
            }
            BtnRadioSelect(win->usr.parent, 1);
        }
        break;
    }
    case BTN_GRIP:
        if (!cursorLeftPtr) cursorLeftPtr = CursorCreate(win->usr.display, XC_left_ptr);
        CursorSet(win, cursorLeftPtr);
        WinSetSelect(win, 0, 1);
        break;
    case BTN_MENU:
        if (!win->select) return -1;
        WinSetSelect(win, 0, 1);
        break;
    case BTN_MENU_SEP:
        return 0;
    case BTN_TAB:
        if (parent)
            for (int i = 0; i < parent->nchild; i++) {
                WINDAT *c = parent->child[i];
                if (c && c != win && c->typ == WIN_BTN) WinSetSelect(c, 0, 1);
            }
        WinSetSelect(win, 1, 1);
        break;
    default:
        break;
    }
    if (timing && (win->state <= BTN_ROUND || win->state == BTN_MENU)) {
        // A slow press-and-release is not a click.
        if (!WinIsClick(lastEventTime[0], win->usr.evmouse.xbutton.time)) return -11;
    }
    return BtnReleaseAction(win);
}

int BtnFunc(WINDATUSR *rec, WINFUNC fn) {
    if (!rec) return WIN_ERROR_ARG;
    if (!fn) return -4;
    if (verbose) PrintWINDATUSR("BtnFunc", rec);
    return fn(rec);
}

int BtnReleaseAction(WINDAT *win) {
    if (!win) return WIN_ERROR_ARG;
    if (!win->usr.parent) return -1;
    WinFlush(win->usr.parent->usr.display);
    WINDATUSR rec = win->usr;
    rec.display = win->usr.parent->usr.display;
    rec.win = win;
    rec.i = win->status;
    WINFUNC fn = win->func[WIN_FUNC_MOUSE];
    if (!fn) return 0;
    return BtnFunc(&rec, fn);
}

int BtnKey(WINDAT *win) {
    if (!win) return WIN_ERROR_ARG;
    if (win->disable) {
        MsgBeep(win, 0);
        return -1;
    }
    WINDAT *parent = win->usr.parent;
    if (win->typ != WIN_BTN || !parent) return WIN_ERROR_PARENT;
    XKeyEvent key = win->usr.evkey.xkey;
    KeySym sym = XLookupKeysym(&key, 0);
    bool in_menu = parent->typ == WIN_MENUM || parent->typ == WIN_MENUP;
    if (sym == XK_Return) {
        if (!in_menu) BtnReleaseAction(win);
    } else if (sym == XK_Escape) {
        if (parent->typ == WIN_MENUM)
            MenuMainClose(parent);
        else if (parent->typ == WIN_MENUP)
            MenuOptionClose(parent);
        else
            BtnReleaseAction(win);
    }
    return 0;
}

int BtnLabelSet(WINDAT *win, const char *text) {
    if (!win || !text) return WIN_ERROR_ARG;
    WinSetLabel(win, text, 0);
    if (win->window) XClearWindow(win->usr.display, win->window);
    return WinPaint(win);
}

int BtnResize(WINDAT *win) {
    if (!win) return WIN_ERROR_ARG;
    if (win->state != BTN_PUSH_WIDE && win->state != BTN_OPTION_WIDE) return 0;
    WINDAT *parent = win->usr.parent;
    if (!parent) return WIN_ERROR_PARENT;
    int w = parent->width - win->space[WIN_SIDE_LEFT] - win->space[WIN_SIDE_RIGHT];
    if (w < 1) w = 1;
    win->width = w;
    WinResize(win, w, win->height);
    return 0;
}

int BtnGetInitWidth(const char *text, int n) {
    if (!text) return WIN_ERROR_ARG;
    if (!*text) return 1;
    int w = WinGetTextWidth(fontfs_btn, text, n);
    return (w > 100 ? w : 100) + 28;
}

int BtnGetInitWidthReal(const char *text, int n) {
    if (!text) return WIN_ERROR_ARG;
    if (!*text) return 1;
    return WinGetTextWidth(fontfs_btn, text, n) + 28;
}

int BtnGetInitHeight(const char *text, int n) {
    if (!text) return WIN_ERROR_ARG;
    if (!*text) return 1;
    int h = 2 * WinGetTextHeight(fontfs_btn, text, n) + 2;
    return h < 1 ? 1 : h;
}

// ---- Button row ----------------------------------------------------------------------------

static int BtnGroupPaint(WINDAT *win) {
    if (!BtnUsable(win)) return WIN_ERROR_GC;
    Display *d = win->usr.display;
    XSetForeground(d, win->gc, rg_btn3d);
    XDrawLine(d, win->window, win->gc, 2, 1, 2 + win->width, 1);
    XSetForeground(d, win->gc, lg_btn3d);
    XDrawLine(d, win->window, win->gc, 2, 2, 2 + win->width, 2);
    XSetForeground(d, win->gc, win->fg);
    return 0;
}

static int ExposeBtnGroup(WINDATUSR *rec) {
    if (!rec || !rec->win) return WIN_ERROR_NOWINDOW;
    return BtnGroupPaint(rec->win);
}

static int ResizeBtnGroup(WINDATUSR *rec) {
    if (!rec || !rec->win) return WIN_ERROR_NOWINDOW;
    return BtnGroupResize(rec->win);
}

WINDAT *BtnGroupCreate(WINDAT *parent, int x, int y, WINTYP *typ, const WINNEIGHBOR *nb,
                       const char *name) {
    if (!parent || !typ || !nb) return nullptr;
    WINTYP t = *typ;
    t.typ = WIN_BTN_GROUP;
    if (!t.func[WIN_FUNC_EXPOSE]) t.func[WIN_FUNC_EXPOSE] = ExposeBtnGroup;
    if (!t.func[WIN_FUNC_RESIZE]) t.func[WIN_FUNC_RESIZE] = ResizeBtnGroup;
    WINDAT *win = WinCreate(parent, x, y, &t, nb, name, fontfs_btn);
    if (!win) return nullptr;
    WinSelectInput(win->usr.display, win->window, KeyPressMask | KeyReleaseMask | ExposureMask);
    return win;
}

int BtnGroupBtnsAdd(WINDAT *group, const char *const *labels, const int *ids, int n,
                    WINFUNC action) {
    if (!group || !labels || !ids || n < 1) return WIN_ERROR_ARG;
    int total = 0;
    for (int i = 0; i < n; i++)
        total += BtnGetInitWidth(labels[i] ? labels[i] : "", 0) + 10;
    WINDAT *prev = nullptr;
    for (int i = 0; i < n; i++) {
        const char *label = labels[i] ? labels[i] : "";
        WINTYP t{};
        t.fg = fg_btn;
        t.bg = bg_btn;
        t.width = BtnGetInitWidth(label, 0);
        t.height = BtnGetInitHeight(WIN_TEXT_SAMPLE, 0);
        t.state = BTN_DIALOG;
        t.language = group->language;
        WINNEIGHBOR nb{};
        nb.space[WIN_SIDE_TOP] = group->height / 2 - (t.height + 10) / 2;
        nb.space[WIN_SIDE_LEFT] = prev ? 10 : (group->width - total) / 2;
        nb.neighbor[WIN_SIDE_LEFT] = prev;
        WINDAT *b = BtnCreate(group, 0, 0, &t, &nb, label, action);
        if (!b) return -1;
        b->status = ids[i];
        prev = b;
    }
    return BtnGroupResize(group);
}

int BtnGroupResize(WINDAT *group) {
    if (!group) return WIN_ERROR_ARG;
    if (!group->usr.parent) return WIN_ERROR_PARENT;
    int n = 0, sum = 0;
    for (int i = 0; i < group->nchild; i++)
        if (group->child[i] && group->child[i]->typ == WIN_BTN) {
            n++;
            sum += group->child[i]->width;
        }
    if (n == 0) return 0;
    int slot = group->width / n, x = 0, k = 0;
    for (int i = 0; i < group->nchild; i++) {
        WINDAT *b = group->child[i];
        if (!b || b->typ != WIN_BTN) continue;
        int y = b->space[WIN_SIDE_TOP];
        if (sum <= group->width) {
            WinMove(b, slot / 2 + k * slot - b->width / 2, y);
        } else {
            WinMove(b, x, y);
            x += b->width + 1;
        }
        k++;
    }
    return 0;
}

int BtnGroupSetBtnDef(WINDAT *group, int index) {
    if (!group) return WIN_ERROR_ARG;
    int n = 0;
    for (int i = 0; i < group->nchild; i++) {
        WINDAT *b = group->child[i];
        if (!b || b->typ != WIN_BTN) continue;
        WinSetActiv(b, 0);
        WinSetDef(b, 0);
        WinPaint(b);
        n++;
    }
    if (n == 0) return WIN_ERROR_CHILD;
    group->select = index == -1 ? group->select + 1 : index;
    if (group->select >= n || group->select < 0) group->select = 0;
    for (int i = 0, k = 0; i < group->nchild; i++) {
        WINDAT *b = group->child[i];
        if (!b || b->typ != WIN_BTN) continue;
        if (k++ == group->select) {
            WinSetDef(b, 1);
            WinPaint(b);
        }
    }
    return 0;
}

WINDAT *BtnGroupGetBtnDef(WINDAT *group) {
    if (!group) return nullptr;
    for (int i = 0; i < group->nchild; i++) {
        WINDAT *b = group->child[i];
        if (b && b->typ == WIN_BTN && b->def) return b;
    }
    return nullptr;
}
