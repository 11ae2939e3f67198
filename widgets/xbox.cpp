#include "widgets/xbox.h"

#include "base/lg.h"
#include "render/ximage.h"
#include "toolkit/xbase.h"
#include "toolkit/xcolor.h"
#include "toolkit/xevent.h"
#include "toolkit/xinit.h"
#include "toolkit/xtools.h"
#include "toolkit/xwinfunc.h"
#include "widgets/xbtn.h"
#include "widgets/xlabel.h"
#include "widgets/xsymbol.h"

#include <X11/keysym.h>
#include <algorithm>
#include <cstring>

enum { BOX_MARGIN = 20, BOX_ICON = 40 };

// Buttons of each kind: rows of the resource table, in order; a button's status is its place.
struct BOXBTNS {
    int n;
    int rows[4];
};
static const BOXBTNS BoxBtns[8] = {
    {0, {0}},  {1, {16}}, {1, {16}}, {2, {16, 17}}, {3, {16, 17, 18}}, {4, {16, 17, 18, 19}},
    {1, {16}}, {1, {17}},
};

static int BoxEvKey(WINDAT *win) {
    return BoxKey(win);
}

static WINDAT *BoxHook(int language, int kind, const char *text, WINFUNC callback) {
    return BoxCreate(language, main_display, text, kind, callback);
}

// The inside of a dialog made by WinCreateDlg: the button row at the bottom, the base window
// "fb" for the content above it.
static WINDAT *BoxDlgSetup(WINDAT *dlg, int kind, WINFUNC btnfunc) {
    int gh = 2 * BtnGetInitHeight(WIN_TEXT_SAMPLE, 0);
    if (BoxBtnCreate(dlg, 0, std::max(0, dlg->height - gh), kind, btnfunc, nullptr) < 1)
        return nullptr;
    WINDAT *group = WinChildFindTyp(dlg, WIN_BTN_GROUP);
    WINTYP t{};
    t.fg = dlg->fg;
    t.bg = dlg->bg;
    t.width = std::max(1, dlg->width - 20);
    t.height = std::max(1, dlg->height - gh - 10);
    t.state = BASE_CHAINED;
    t.language = dlg->language;
    WINNEIGHBOR nb{};
    nb.space[WIN_SIDE_TOP] = nb.space[WIN_SIDE_LEFT] = nb.space[WIN_SIDE_RIGHT] = 10;
    WINDAT *fb = BaseCreate(dlg, 0, 0, &t, &nb, "fb");
    if (!fb) return nullptr;
    WinSetNeighbor(fb, group, WIN_SIDE_BOTTOM + 1);
    WinSetNeighbor(group, fb, WIN_SIDE_TOP + 1);
    BoxKeyTabSet(dlg);
    WinSetFuncResize(dlg, ResizeBox);
    return dlg;
}

void BoxInit() {
    static const WINEVHANDLER h = {nullptr, nullptr, nullptr, BoxEvKey, nullptr, nullptr};
    WinEvHandlerSet(WIN_DLGMSG, &h);
    MsgBoxHook = BoxHook;
    WinCreateDlgHook = BoxDlgSetup;
}

static int BoxSampleHeight() {
    return WinGetTextHeight(fontfs_btn, WIN_TEXT_SAMPLE, 0);
}

// The group is twice as tall as a button so that the buttons sit in its middle.
static int BoxBtnGroupHeight() {
    return 2 * BtnGetInitHeight(WIN_TEXT_SAMPLE, 0);
}

int BoxBtnCreate(WINDAT *box, int x, int y, int kind, WINFUNC callback, WINDAT *neighbor) {
    if (!box || kind < 1 || kind > 7) return -1;
    WINTYP t{};
    t.fg = fg_form;
    t.bg = bg_form;
    t.width = box->width;
    t.height = BoxBtnGroupHeight();
    t.language = box->language;
    WINNEIGHBOR nb{};
    WINDAT *group = BtnGroupCreate(box, x, y, &t, &nb, "btngrp");
    if (!group) return -1;
    // Linked only now: a neighbour given at creation would place the row below it.
    WinSetNeighbor(group, neighbor, WIN_SIDE_TOP + 1);
    const BOXBTNS &b = BoxBtns[kind];
    const char *labels[4];
    int ids[4];
    for (int i = 0; i < b.n; i++) {
        labels[i] = LgRes(b.rows[i], box->language);
        ids[i] = i + 1;
    }
    if (BtnGroupBtnsAdd(group, labels, ids, b.n, callback) != 0) return -1;
    BtnGroupSetBtnDef(group, 0);
    return b.n;
}

// The widest line of the text in the label font; CalcTextRect estimates lines from one glyph.
static int BoxTextWidth(const char *text) {
    int widest = 0;
    for (const char *p = text; *p;) {
        const char *e = strchr(p, '\n');
        int n = e ? static_cast<int>(e - p) : static_cast<int>(strlen(p));
        if (n > 0) widest = std::max(widest, WinGetTextWidth(fontfs_label, p, n));
        if (!e) break;
        p = e + 1;
    }
    return widest;
}

static WINDAT *BoxIconCreate(WINDAT *box, int kind) {
    return SymbolPictureCreate(box, BOX_MARGIN, BOX_MARGIN, XImageCreateMsg(box->usr.display, kind),
                               "icon");
}

WINDAT *BoxCreate(int language, Display *display, const char *text, int kind, WINFUNC callback) {
    if (!display || !text || kind < 1 || kind > 7) return nullptr;
    ToolkitLockGuard guard;
    const BOXBTNS &b = BoxBtns[kind];
    short rect[2] = {0, 0};
    CalcTextRect(*text ? text : " ", rect);
    int textw = std::max<int>(rect[0], BoxTextWidth(text));
    int texth = std::max<int>(rect[1], BOX_ICON);
    int width = textw + 40 + 2 * 40;
    int btnw = 100;
    for (int i = 0; i < b.n; i++)
        btnw += BtnGetInitWidth(LgRes(b.rows[i], language), 0) + 10;
    width = std::max(width, btnw);
    int height = std::max(texth, BtnGetInitHeight(WIN_TEXT_SAMPLE, 0) + 30) + 2 * BoxSampleHeight();
    height = std::max(height, 2 * BOX_MARGIN + texth + BoxBtnGroupHeight());
    int dw = WinGetDisplayWidth(display), dh = WinGetDisplayHeight(display);
    width = std::min(width, dw);
    height = std::min(height, dh);

    WINTYP t{};
    t.fg = fg_form;
    t.bg = bg_form;
    t.width = width;
    t.height = height;
    t.border = 1;
    t.typ = WIN_DLGMSG;
    t.state = kind;
    t.language = language;
    t.mouseleft = 1;
    t.mouseright = 3;
    // Mapped once laid out, so that no click lands on a half-built box.
    t.unvisible = 1;
    WINNEIGHBOR nb{};
    WINDAT *box =
        WinCreateExt(nullptr, (dw - width) / 2, (dh - height) / 2, &t, &nb, "box", fontfs_text);
    if (!box) return nullptr;
    // The mouse buttons as the main window has them; the language as asked.
    if (WINDAT *main = WinFindTyp(WIN_MAIN)) {
        WinOptRtUpdateFromParent(box, main);
        WinSetTransientForHint(box, main);
    }
    box->language = language;
    WinSetWinTitle(box, LgBoxTitel(kind, language));
    WinSetStatus(box, 0);
    WinSetFuncResize(box, ResizeBox);

    int groupy = height - BoxBtnGroupHeight();
    WINDAT *icon = WinDisplayGetDepth(display) >= 8 ? BoxIconCreate(box, kind) : nullptr;
    // The body fills the room right of the icon and above the buttons.
    WINTYP bt{};
    bt.fg = fg_label;
    bt.bg = bg_form;
    bt.width = width - (icon ? 2 * BOX_MARGIN + BOX_ICON : BOX_MARGIN) - BOX_MARGIN;
    bt.height = std::max(1, groupy - BOX_MARGIN);
    bt.language = language;
    WINNEIGHBOR bnb{};
    bnb.space[WIN_SIDE_TOP] = BOX_MARGIN;
    bnb.space[WIN_SIDE_LEFT] = BOX_MARGIN;
    bnb.space[WIN_SIDE_RIGHT] = BOX_MARGIN;
    bnb.neighbor[WIN_SIDE_LEFT] = icon;
    WINDAT *body;
    if (kind == BOX_STATUS) {
        bt.state = BASE_CHAINED;
        body = BaseCreate(box, 0, 0, &bt, &bnb, "boxbase");
    } else {
        body = LabelCreate(box, 0, 0, &bt, &bnb, text);
        if (body) LabelStatusSet(body, 5);
    }
    if (!body || BoxBtnCreate(box, 0, groupy, kind, callback, body) < 1) {
        WinClose(box);
        return nullptr;
    }
    WINDAT *group = WinChildFindTyp(box, WIN_BTN_GROUP);
    WinSetNeighbor(body, group, WIN_SIDE_BOTTOM + 1);
    BoxKeyTabSet(box);
    if (kind != BOX_STATUS) WinSetMaxWidthHeight(box, width, height);
    WinShow(box, 1);
    // A field that holds the keyboard would keep Return and Escape from the box: the box takes
    // it over (with the pointer root, keys follow the pointer as before).
    Window focus = 0;
    int revert;
    XGetInputFocus(display, &focus, &revert);
    if (kind != BOX_STATUS && focus > PointerRoot) {
        XSync(display, False);
        WinFocusTake(box);
    }
    return box;
}

// The children that take the keyboard: button rows and base windows.
static bool BoxFocusable(const WINDAT *w) {
    return w && (w->typ == WIN_BTN_GROUP || w->typ == WIN_BASE);
}

int BoxKeyTabSet(WINDAT *box) {
    if (!box) return WIN_ERROR_ARG;
    for (int i = 0; i < box->nchild; i++)
        if (BoxFocusable(box->child[i])) return WinUSRIntSet(box, i);
    return WIN_ERROR_CHILD;
}

static int BoxBtnCount(WINDAT *group) {
    int n = 0;
    for (int i = 0; i < group->nchild; i++)
        if (group->child[i] && group->child[i]->typ == WIN_BTN) n++;
    return n;
}

int BoxKey(WINDAT *box) {
    if (!box) return WIN_ERROR_ARG;
    if (box->typ != WIN_DLGMSG) return WIN_ERROR_TYPE;
    XKeyEvent key = box->usr.evkey.xkey;
    KeySym sym = XLookupKeysym(&key, 0);
    WINDAT *group = WinChildFindTyp(box, WIN_BTN_GROUP);
    int focus = WinUSRIntGet(box);
    switch (sym) {
    case XK_Tab:
        for (int k = 1; k <= box->nchild; k++) {
            int i = (focus + k) % box->nchild;
            if (BoxFocusable(box->child[i])) return WinUSRIntSet(box, i);
        }
        return 0;
    case XK_Return: {
        WINDAT *def = BtnGroupGetBtnDef(group);
        // The action may close the box: nothing of it is used after.
        return def ? BtnReleaseAction(def) : -16;
    }
    case XK_Escape:
        return WinClose(box);
    case XK_Left:
    case XK_Right: {
        if (!group || focus < 0 || focus >= box->nchild || box->child[focus] != group) return 0;
        int n = BoxBtnCount(group);
        if (n < 1) return WIN_ERROR_CHILD;
        int next = sym == XK_Right ? group->select + 1 : group->select - 1;
        return BtnGroupSetBtnDef(group, (next + n) % n);
    }
    default:
        return 0;
    }
}

int BoxResize(WINDAT *box) {
    if (!box) return WIN_ERROR_ARG;
    if (box->state != 0) {
        WINDAT *group = WinChildFindTyp(box, WIN_BTN_GROUP);
        if (group) {
            group->width = box->width;
            WinMoveResizeWindow(group, 0, std::max(0, box->height - group->height), box->width,
                                group->height);
        }
    }
    WinChildResize(box);
    return 0;
}

int ResizeBox(WINDATUSR *rec) {
    if (!rec || !rec->win) return WIN_ERROR_NOWINDOW;
    return BoxResize(rec->win);
}
