#include "widgets/xmenu.h"

#include "base/language.h"
#include "base/xmem.h"
#include "toolkit/xcolor.h"
#include "toolkit/xevent.h"
#include "toolkit/xinit.h"
#include "toolkit/xtools.h"
#include "toolkit/xwinfunc.h"
#include "widgets/xbtn.h"

#include <X11/keysym.h>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

MENUHANDLE M_MAIN_MENU[M_MAIN_MENU_SLOTS];
MENUHANDLE M_OPTION_MENU[M_OPTION_MENU_SLOTS];

// ---- Handles -------------------------------------------------------------------------------
int MenuCount(MENUHANDLE handle) {
    if (!handle || !handle[0]) return 0;
    return atoi(handle[0]);
}

MENUITEM *MenuItemGet(MENUHANDLE handle, int i) {
    if (i < 1 || i > MenuCount(handle)) return nullptr;
    return reinterpret_cast<MENUITEM *>(handle[i]);
}

static char *MenuStrDup(const char *text) {
    if (!text) return nullptr;
    size_t n = strlen(text) + 1;
    auto p = static_cast<char *>(MemCreate(static_cast<long>(n), "menu"));
    if (p) memcpy(p, text, n);
    return p;
}

static void MenuItemFree(MENUITEM *item) {
    if (!item) return;
    if (item->label) MemFree(const_cast<char *>(item->label), "menu");
    MemFree(item, "menu");
}

MENUHANDLE MenuSubCreate(int n, const MENUITEM *table) {
    if (n < 0 || (n > 0 && !table)) return nullptr;
    auto handle =
        static_cast<MENUHANDLE>(MemCreate(static_cast<long>(n + 1) * sizeof(char *), "menu"));
    if (!handle) return nullptr;
    memset(handle, 0, static_cast<size_t>(n + 1) * sizeof(char *));
    char count[16];
    snprintf(count, sizeof count, "%d", n);
    handle[0] = MenuStrDup(count);
    if (!handle[0]) {
        MemFree(handle, "menu");
        return nullptr;
    }
    for (int i = 0; i < n; i++) {
        auto item = static_cast<MENUITEM *>(MemCreate(sizeof(MENUITEM), "menu"));
        if (!item) {
            MenuSubFree(handle);
            return nullptr;
        }
        *item = table[i];
        item->label = table[i].label ? MenuStrDup(table[i].label) : nullptr;
        handle[i + 1] = reinterpret_cast<char *>(item);
    }
    return handle;
}

int MenuSubFree(MENUHANDLE handle) {
    if (!handle) return -9;
    int n = MenuCount(handle);
    for (int i = 1; i <= n; i++)
        MenuItemFree(reinterpret_cast<MENUITEM *>(handle[i]));
    if (handle[0]) MemFree(handle[0], "menu");
    MemFree(handle, "menu");
    return 0;
}

int MenuBtnCreate(MENUITEM *item, int kind, int id, const char *modifier, const char *accelerator,
                  const char *label, int disabled, MENUHANDLE submenu, WINFUNC action) {
    if (!item) return WIN_ERROR_ARG;
    item->kind = kind;
    item->id = id;
    item->modifier = modifier;
    item->accelerator = accelerator;
    item->label = MenuStrDup(label ? label : "");
    item->disabled = disabled;
    item->submenu = submenu;
    item->action = action;
    return item->label ? 0 : -8;
}

int MenuSetupDisable(int id, MENUHANDLE handle, int flag) {
    if (!handle) return WIN_ERROR_MEMORY;
    int n = MenuCount(handle);
    for (int i = 1; i <= n; i++) {
        MENUITEM *item = MenuItemGet(handle, i);
        if (item && item->id == id) {
            item->disabled = flag;
            return 0;
        }
    }
    return -1;
}

// ---- Sizes and painting ----------------------------------------------------------------------

int MenuBtnGetInitHeight(const char *text) {
    int h = WinGetTextHeight(fontfs_btn, text, 0) + 12;
    return h < 1 ? 1 : h;
}

static bool MenuHasAccel(const MENUITEM *item) {
    if (!item->modifier || !item->accelerator || !strcmp(item->accelerator, "~")) return false;
    return !strcmp(item->modifier, "Ctrl") || !strcmp(item->modifier, "Shift") ||
           !strcmp(item->modifier, "Alt");
}

int MenuGetMaxWidthEntry(MENUHANDLE handle, XFontStruct *font) {
    int n = MenuCount(handle), label = 0, accel = 0;
    for (int i = 1; i <= n; i++) {
        const MENUITEM *item = MenuItemGet(handle, i);
        if (!item) continue;
        int w = WinGetTextWidth(font, item->label ? item->label : "", 0);
        if (w > label) label = w;
        if (MenuHasAccel(item)) {
            int a = WinGetTextWidth(font, item->modifier, 0) + WinGetTextWidth(font, "+", 0) +
                    WinGetTextWidth(font, item->accelerator, 0) + 24;
            if (a > accel) accel = a;
        }
    }
    return label + 24 + accel;
}

int MenuPopupPaint(WINDAT *win) {
    if (!win) return WIN_ERROR_ARG;
    if (!win->gc) return WIN_ERROR_GC;
    return WinDraw3dRect(win, 0, 0, win->width - 1, win->height - 1, WIN_3D_RAISED, 1);
}

int ExposeMenuPopup(WINDATUSR *rec) {
    if (!rec || !rec->win) return WIN_ERROR_NOWINDOW;
    return MenuPopupPaint(rec->win);
}

// ---- Menu bar ----------------------------------------------------------------------------------

WINDAT *MenuMainCreate(WINDAT *toolbar, WINTYP *typ, const WINNEIGHBOR *nb, MENUHANDLE bar) {
    if (!toolbar || !typ || !nb) return nullptr;
    int n = MenuCount(bar);
    if (n < 1) return nullptr;
    MenuEvInit();
    WINTYP t = *typ;
    t.typ = WIN_MENUM;
    WINDAT *menu = WinCreate(toolbar, 0, 0, &t, nb, "MenuM", fontfs_menu);
    if (!menu) return nullptr;
    WinSelectInput(menu->usr.display, menu->window, 0x800F);
    WinSetSelect(menu, 0, 0);
    // The toolbar's re-layout reaches the bar through its resize callback.
    WinSetFuncResize(menu, ResizeMenuMain);
    WINDAT *prev = nullptr;
    for (int i = 1; i <= n; i++) {
        MENUITEM *item = MenuItemGet(bar, i);
        const char *label = item && item->label ? item->label : "";
        WINTYP bt{};
        bt.fg = fg_menu;
        bt.bg = bg_menu;
        bt.width = 4 + WinGetTextWidth(fontfs_btn, label, 0) + 4;
        bt.height = MenuBtnGetInitHeight(WIN_TEXT_SAMPLE);
        bt.state = BTN_MENU;
        bt.language = toolbar->language;
        WINNEIGHBOR bnb{};
        bnb.neighbor[WIN_SIDE_LEFT] = prev;
        bnb.space[WIN_SIDE_LEFT] = 2;
        WINDAT *title = BtnCreate(menu, 0, 0, &bt, &bnb, label, MenuMainBtnReturn);
        if (!title) break;
        title->usr.parentgrp = menu;
        WinSetSelect(title, 0, 0);
        title->status = i;
        prev = title;
    }
    return menu;
}

int ResizeMenuMain(WINDATUSR *rec) {
    return rec ? MenuMainResize(rec->win) : -15;
}

int MenuMainResize(WINDAT *bar) {
    if (!bar) return WIN_ERROR_ARG;
    WINDAT *tb = bar->usr.parent;
    if (!tb) return WIN_ERROR_PARENT;
    if (tb->typ != WIN_TOOLBAR) return 0;
    int w = tb->width - bar->space[WIN_SIDE_LEFT] - bar->space[WIN_SIDE_RIGHT] - 2;
    WINDAT *left = bar->neighbor[WIN_SIDE_LEFT];
    if (left) w -= left->width + left->space[WIN_SIDE_LEFT] + left->space[WIN_SIDE_RIGHT];
    if (w < 1) w = 1;
    bar->width = w;
    return WinResize(bar, w, bar->height);
}

WINDAT *MenuMainFind() {
    WINDAT *main = WinFindTyp(WIN_MAIN);
    if (!main) return nullptr;
    return WinChildFindTypTree(main, WIN_MENUM);
}

// ---- Pull-downs --------------------------------------------------------------------------------

WINDAT *MenuPopupCreate(WINDAT *opener, int x, int y, WINTYP *typ, const WINNEIGHBOR *nb,
                        const char *name, XFontStruct *font) {
    MenuEvInit();
    if (!opener || !typ || !nb || !opener->window) return nullptr;
    Display *d = opener->usr.display;
    int rx = 0, ry = 0;
    Window child;
    if (!XTranslateCoordinates(d, opener->window, DefaultRootWindow(d), x, y, &rx, &ry, &child)) {
        fprintf(stderr, "menu translate error: %i, %i\n", x, y);
        return nullptr;
    }
    int dw = WinGetDisplayWidth(d), dh = WinGetDisplayHeight(d);
    if (ry + typ->height + 2 > dh) ry = dh - (typ->height + 2) - 1;
    if (rx + typ->width > dw) rx = dw - typ->width - 1;
    WINDAT *popup = WinCreateFromRoot(d, rx, ry + 2, typ, nb, name, font);
    if (!popup) return nullptr;
    WinChildAdd(opener, popup);
    popup->usr.parent = opener;
    popup->usr.parentgrp = opener;
    return popup;
}

static void MenuEntryText(const MENUITEM *item, char *out, size_t size) {
    const char *label = item->label ? item->label : "";
    if (MenuHasAccel(item)) {
        const char *fmt = !strcmp(item->modifier, "Ctrl") ? "%s;%s+%s" : "%s;%s + %s";
        snprintf(out, size, fmt, label, item->modifier, item->accelerator);
    } else {
        snprintf(out, size, "%s", label);
    }
}

WINDAT *MenuPulldownCreate(WINDAT *opener, int x, int y, MENUHANDLE handle, WINDAT *group) {
    if (!opener) return nullptr;
    // A second click on an opener closes its menu.
    WINDAT *open = WinChildFindTyp(opener, WIN_MENUP);
    if (open) {
        MenuOptionClose(open);
        return nullptr;
    }
    int n = MenuCount(handle);
    if (n < 1) return nullptr;
    int width = MenuGetMaxWidthEntry(handle, fontfs_menu);
    int h = BtnGetInitHeight(WIN_TEXT_SAMPLE, 0);
    WINTYP t{};
    t.fg = fg_menu;
    t.bg = bg_menu;
    t.width = width + 2;
    t.height = n * h + 3;
    t.typ = WIN_MENUP;
    t.language = opener->language;
    WINNEIGHBOR nb{};
    WINDAT *popup = MenuPopupCreate(opener, x, y, &t, &nb, "MenuP", fontfs_menu);
    if (!popup) return nullptr;
    WinOptRtUpdateFromParent(popup, opener);
    if (!cursorArrow) cursorArrow = CursorCreate(popup->usr.display, 2);
    CursorSet(popup, cursorArrow);
    if (opener->typ == WIN_BTN) CursorSet(opener, cursorArrow);
    if (!popup->func[WIN_FUNC_EXPOSE]) WinSetFuncExpose(popup, ExposeMenuPopup);

    WINDAT *prev = nullptr;
    for (int i = 1; i <= n; i++) {
        const MENUITEM *item = MenuItemGet(handle, i);
        if (!item) continue;
        char text[300];
        MenuEntryText(item, text, sizeof text);
        WINTYP bt{};
        bt.fg = fg_menu;
        bt.bg = bg_menu;
        bt.width = width;
        bt.height = i == 1 ? h + 1 : h;
        bt.state = BTN_MENU;
        bt.language = opener->language;
        WINNEIGHBOR bnb{};
        bnb.space[WIN_SIDE_LEFT] = 1;
        bnb.space[WIN_SIDE_TOP] = i == 1 ? 1 : 0;
        bnb.neighbor[WIN_SIDE_TOP] = prev;
        WINDAT *e = BtnCreate(popup, 0, 0, &bt, &bnb, text, item->action);
        if (!e) break;
        e->usr.parentgrp = group ? group : opener;
        e->status = item->id;
        if (item->kind == MENU_KIND_SUB) {
            e->state = BTN_MENU_SUB;
            e->usr.strm = item->submenu;
        } else if (item->kind == MENU_KIND_SEP) {
            e->state = BTN_MENU_SEP;
        }
        if (item->disabled) WinSetDisable(e, 1, 0);
        prev = e;
    }
    WinFlush(popup->usr.display);
    return popup;
}

WINDAT *MenuOptionCreate(WINDAT *button, MENUHANDLE handle) {
    if (!button) return nullptr;
    MenuCloseFromMouse(nullptr);
    WINDAT *bar = button->usr.parent;
    if ((button->state == BTN_MENU || button->state == BTN_OPTION) &&
        WinChildFindTyp(button, WIN_MENUP)) {
        if (button->state == BTN_MENU && bar) WinSetSelect(bar, 0, 0);
        return nullptr;
    }
    if (button->state == BTN_MENU) {
        if (bar) WinSetSelect(bar, 1, 1);
        WinSetSelect(button, 1, 1);
        if (!cursorArrow) cursorArrow = CursorCreate(button->usr.display, 2);
        CursorSet(button, cursorArrow);
    }
    return MenuPulldownCreate(button, 0, button->height, handle, nullptr);
}

static WINDAT *MenuTitleOpen(WINDAT *bar, WINDAT *title, int index) {
    if (index < 0 || index + 1 >= M_MAIN_MENU_SLOTS) return nullptr;
    WINDAT *p = MenuOptionCreate(title, M_MAIN_MENU[index + 1]);
    if (p) p->usr.parentgrp = bar;
    return p;
}

int MenuMainBtnReturn(WINDATUSR *rec) {
    if (!rec || !rec->win) return WIN_ERROR_ARG;
    WINDAT *title = rec->win;
    WINDAT *open = WinChildFindTyp(title, WIN_MENUP);
    if (open) MenuOptionClose(open);
    if (title->typ != WIN_BTN) return -1;
    WINDAT *bar = title->usr.parentgrp;
    if (!bar) return WIN_ERROR_PARENT;
    MenuTitleOpen(bar, title, title->status - 1);
    WinSetSelect(title, 1, 1);
    return 0;
}

int MenuMainUpdate(WINDAT *bar, WINDAT *title) {
    if (!bar || !title) return WIN_ERROR_ARG;
    int k = WinChildFindNr(bar, title);
    if (k < 0) return -1;
    MenuTitleOpen(bar, title, k);
    return 0;
}

int MenuOptionClose(WINDAT *pulldown) {
    if (!pulldown) return WIN_ERROR_ARG;
    if (pulldown->typ != WIN_MENUP) return WIN_ERROR_TYPE;
    WINDAT *opener = pulldown->usr.parent;
    if (!opener) return WIN_ERROR_PARENT;
    if (opener->typ != WIN_BTN) {
        WinClose(pulldown);
        return WIN_ERROR_PARENT;
    }
    if (opener->state >= BTN_MENU_SUB && opener->state <= BTN_OPTION_WIDE) {
        WinSetSelect(opener, 0, 1);
        if (!cursorTopLeftArrow) cursorTopLeftArrow = CursorCreate(opener->usr.display, 132);
        CursorSet(opener, cursorTopLeftArrow);
    }
    WinClose(pulldown);
    // Closing a cascade closes the whole chain above it.
    WINDAT *outer = opener->usr.parent;
    if (opener->state == BTN_MENU_SUB && outer && outer->typ == WIN_MENUP) {
        outer->usr.str = nullptr;
        return MenuOptionClose(outer);
    }
    return 0;
}

int MenuMainClose(WINDAT *bar) {
    if (!bar) return WIN_ERROR_ARG;
    if (bar->typ != WIN_MENUM) return WIN_ERROR_TYPE;
    WinSetSelect(bar, 0, 0);
    WINDAT *title = WinChildFindSelect(bar);
    if (!title) return -1;
    WinSetSelect(title, 0, 1);
    if (!cursorTopLeftArrow) cursorTopLeftArrow = CursorCreate(title->usr.display, 132);
    CursorSet(title, cursorTopLeftArrow);
    WINDAT *p = WinChildFindTyp(title, WIN_MENUP);
    if (p) MenuOptionClose(p);
    return 0;
}

int MenuMainCloseIfActiv() {
    WINDAT *bar = WinFindTyp(WIN_MENUM);
    if (!bar) return -1;
    return MenuMainClose(bar);
}

int MenuCloseFromMouse(WINDAT *win) {
    // A click on a menu opener, a cascade entry included, must not close its own menu.
    if (win && win->typ == WIN_BTN &&
        (win->state == BTN_MENU || win->state == BTN_MENU_SUB ||
         (win->state >= BTN_OPTION && win->state <= BTN_OPTION_WIDE)))
        return -1;
    for (int i = 0; WINDATp && i < WINDATpi; i++) {
        WINDAT *w = WINDATp[i];
        if (!w) continue;
        if (w->typ == WIN_EDIT_FLY) {
            // The fly-in edit field brings its own closing routine with it.
            return -1;
        }
        if (w->typ != WIN_MENUP || !w->usr.parent) continue;
        WINDAT *grp = w->usr.parentgrp;
        if (grp && grp->typ == WIN_MENUM) {
            MenuMainClose(grp);
        } else {
            if (win) w->usr.evmouse = win->usr.evmouse;
            MenuOptionClose(w);
        }
        return 0;
    }
    return -1;
}

// ---- Keyboard ----------------------------------------------------------------------------------

int MenuMainKeyPress(Display *display, const XEvent *ev) {
    if (!display || !ev) return WIN_ERROR_ARG;
    WINDAT *bar = MenuMainFind();
    if (!bar) return -1;
    bar->usr.evkey = *ev;
    if (ev->xkey.state & Mod1Mask) return MenuMainPulldownActivateFromKey(bar, M_MAIN_MENU[0]);
    XKeyEvent key = ev->xkey;
    KeySym sym = XLookupKeysym(&key, 0);
    if (sym == XK_Escape) return -1;
    if (sym == XK_Return || (sym >= XK_Left && sym <= XK_Down))
        return MenuMainPulldownActivateFromBtn(bar, ev);
    return -1;
}

int MenuMainPulldownActivateFromKey(WINDAT *bar, MENUHANDLE handle) {
    if (!bar) return WIN_ERROR_ARG;
    XKeyEvent key = bar->usr.evkey.xkey;
    KeySym sym = XLookupKeysym(&key, 0);
    // Xlib allocates, and never frees, the name of a Unicode keysym; mnemonics are letters.
    if (sym == NoSymbol || sym >= 0x01000000) return -1;
    const char *name = XKeysymToString(sym);
    if (!name || !*name) return -1;
    int n = MenuCount(handle);
    WINDAT *last = nullptr;
    for (int i = 1; i <= n && i - 1 < bar->nchild; i++) {
        const MENUITEM *item = MenuItemGet(handle, i);
        WINDAT *title = bar->child[i - 1];
        if (!item || !title) continue;
        char mnemonic = 0;
        if (item->accelerator && *item->accelerator && strcmp(item->accelerator, "~") != 0)
            mnemonic = item->accelerator[0];
        else if (item->label && *item->label)
            mnemonic = static_cast<char>(tolower(static_cast<unsigned char>(item->label[0])));
        if (mnemonic != name[0]) continue;
        if (i < M_MAIN_MENU_SLOTS) {
            WINDAT *p = MenuOptionCreate(title, M_MAIN_MENU[i]);
            if (p) last = p;
        }
    }
    if (!last) return -1;
    last->usr.parentgrp = bar;
    return 0;
}

int MenuMainPulldownActivateFromBtn(WINDAT *bar, const XEvent *ev) {
    if (!bar || !ev) return WIN_ERROR_ARG;
    if (bar->typ != WIN_MENUM) return WIN_ERROR_TYPE;
    if (!bar->select) return -1;
    WINDAT *title = WinChildFindSelect(bar);
    if (!title) return -1;
    int k = WinChildFindNr(bar, title);
    WINDAT *p = WinChildFindTyp(title, WIN_MENUP);
    XKeyEvent key = ev->xkey;
    KeySym sym = XLookupKeysym(&key, 0);
    if (sym == XK_Return) {
        if (!p) return WIN_ERROR_CHILD;
        WINDAT *entry = WinChildFindSelect(p);
        if (entry) {
            BtnReleaseAction(entry);
            // The action may have rebuilt the bar; close whichever bar there is now.
            WINDAT *now = MenuMainFind();
            if (now) MenuMainClose(now);
        } else {
            MenuMainClose(bar);
            WinSetSelect(title, 1, 1);
            MenuTitleOpen(bar, title, k);
        }
        return 0;
    }
    if (sym == XK_Left || sym == XK_Right) {
        int n = bar->nchild;
        if (n < 1) return -1;
        k = sym == XK_Left ? (k - 1 + n) % n : (k + 1) % n;
        MenuMainClose(bar);
        WINDAT *next = bar->child[k];
        if (!next) return -1;
        WinSetSelect(next, 1, 1);
        MenuTitleOpen(bar, next, k);
        return 0;
    }
    if (sym == XK_Up || sym == XK_Down) {
        if (!p) return WIN_ERROR_CHILD;
        return _BtnKeyMenuUpDown(p, ev);
    }
    return -1;
}

int _BtnKeyMenuUpDown(WINDAT *pulldown, const XEvent *ev) {
    if (!pulldown || !ev) return WIN_ERROR_ARG;
    int n = pulldown->nchild;
    if (n < 1) return WIN_ERROR_CHILD;
    int k = n;
    for (int i = 0; i < n; i++)
        if (pulldown->child[i] && pulldown->child[i]->select) {
            k = i;
            break;
        }
    if (k < n) WinSetSelect(pulldown->child[k], 0, 1);
    XKeyEvent key = ev->xkey;
    KeySym sym = XLookupKeysym(&key, 0);
    int next;
    if (sym == XK_Up)
        next = (k == 0 || k == n) ? n - 1 : k - 1;
    else
        next = k + 1 >= n ? 0 : k + 1;
    if (pulldown->child[next]) WinSetSelect(pulldown->child[next], 1, 1);
    return 0;
}

// ---- Events ------------------------------------------------------------------------------------

static bool MenuWinRegistered(const WINDAT *w) {
    for (int i = 0; w && WINDATp && i < WINDATpi; i++)
        if (WINDATp[i] == w) return true;
    return false;
}

int MenuEntryEnter(WINDAT *win) {
    WINDAT *parent = win ? win->usr.parent : nullptr;
    if (!parent) return WIN_ERROR_PARENT;
    // An open cascade of the pull-down closes when the pointer moves to another entry.
    auto sub = parent->typ == WIN_MENUP ? reinterpret_cast<WINDAT *>(parent->usr.str) : nullptr;
    if (sub) {
        parent->usr.str = nullptr;
        if (MenuWinRegistered(sub) && sub->typ == WIN_MENUP) {
            WINDAT *opener = sub->usr.parent;
            WinClose(sub);
            if (opener && MenuWinRegistered(opener)) WinSetSelect(opener, 0, 0);
        }
    }
    if (parent->typ == WIN_MENUM && parent->select) {
        MenuMainUpdate(parent, win);
        WinSetSelect(win, 1, 0);
    } else if (parent->typ == WIN_MENUP) {
        if (win->state == 7 && !WinChildFindTyp(win, WIN_MENUP) &&
            WinTranslateCoordinates(win, 0, 0) == 0) {
            WINDAT *p =
                MenuPulldownCreate(win, win->width - 2, 0, win->usr.strm, win->usr.parentgrp);
            if (p) parent->usr.str = reinterpret_cast<char *>(p);
        }
        WinSetSelect(win, 1, 0);
    }
    return BtnPaint(win);
}

int MenuEntryLeave(WINDAT *win) {
    if (!win || !win->usr.parent) return WIN_ERROR_PARENT;
    bool cascade_open = win->state == 7 && WinChildFindTyp(win, WIN_MENUP);
    if (win->usr.parent->typ == WIN_MENUP && !cascade_open && win->select) WinSetSelect(win, 0, 0);
    return BtnPaint(win);
}

static int MenuEvKey(Display *display, const XEvent *ev) {
    return MenuMainKeyPress(display, ev);
}

void MenuEvInit() {
    WinEvMenuClose = MenuCloseFromMouse;
    WinEvMenuKey = MenuEvKey;
}
