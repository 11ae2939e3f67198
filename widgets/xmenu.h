// Menus: the item record that static menu tables are made of. The menu widget itself (building,
// opening and closing pull-downs) comes with the menus.
#pragma once

#include "toolkit/xwin.h"

// Kinds of menu items.
enum { MENU_KIND_BAR = 0, MENU_KIND_SUB = 1, MENU_KIND_CMD = 2, MENU_KIND_SEP = 3 };

// A menu handle: element 0 points to the item count as decimal text, elements 1..n to items
// (the same shape as a window's `strm`, so a sub-menu entry keeps its handle there).
typedef char **MENUHANDLE;

struct MENUITEM {
    int kind;
    int id;                  // command id; -1 for sub-menu entries and separators
    const char *modifier;    // "Ctrl", "Shift" or "Alt"
    const char *accelerator; // one character; "~" means none
    const char *label;
    int disabled;
    MENUHANDLE submenu;
    WINFUNC action;
};

// Handles.
int MenuCount(MENUHANDLE handle);
MENUITEM *MenuItemGet(MENUHANDLE handle, int i);
MENUHANDLE MenuSubCreate(int n, const MENUITEM *table);
int MenuSubFree(MENUHANDLE handle);
int MenuBtnCreate(MENUITEM *item, int kind, int id, const char *modifier, const char *accelerator,
                  const char *label, int disabled, MENUHANDLE submenu, WINFUNC action);
int MenuSetupDisable(int id, MENUHANDLE handle, int flag);

// The menu bar, pull-downs and option menus.
WINDAT *MenuMainCreate(WINDAT *toolbar, WINTYP *typ, const WINNEIGHBOR *nb, MENUHANDLE bar);
WINDAT *MenuPulldownCreate(WINDAT *opener, int x, int y, MENUHANDLE handle, WINDAT *group);
WINDAT *MenuPopupCreate(WINDAT *opener, int x, int y, WINTYP *typ, const WINNEIGHBOR *nb,
                        const char *name, XFontStruct *font);
WINDAT *MenuOptionCreate(WINDAT *button, MENUHANDLE handle);
int MenuOptionClose(WINDAT *pulldown);
int MenuMainClose(WINDAT *bar);
int MenuMainCloseIfActiv();
int MenuMainUpdate(WINDAT *bar, WINDAT *title);
int MenuMainBtnReturn(WINDATUSR *rec);
int MenuMainResize(WINDAT *bar);
int ResizeMenuMain(WINDATUSR *rec);
int MenuCloseFromMouse(WINDAT *win);

// Keyboard.
int MenuMainKeyPress(Display *display, const XEvent *ev);
int MenuMainPulldownActivateFromKey(WINDAT *bar, MENUHANDLE handle);
int MenuMainPulldownActivateFromBtn(WINDAT *bar, const XEvent *ev);
int _BtnKeyMenuUpDown(WINDAT *pulldown, const XEvent *ev);

// Sizes and painting.
int MenuBtnGetInitHeight(const char *text);
int MenuGetMaxWidthEntry(MENUHANDLE handle, XFontStruct *font);
int ExposeMenuPopup(WINDATUSR *rec);
int MenuPopupPaint(WINDAT *win);

// Pointer crossings of a menu entry (a button of kind 6 or 7 in a bar or pull-down).
int MenuEntryEnter(WINDAT *win);
int MenuEntryLeave(WINDAT *win);
// Gives the dispatcher the menus' share of every event (closing on clicks, the bar's keys).
void MenuEvInit();

// The menu bar in the main window's subtree, or null.
WINDAT *MenuMainFind();

enum { M_MAIN_MENU_SLOTS = 20, M_OPTION_MENU_SLOTS = 50 };

// Built menu sets, filled by the application for its language: 0 the bar, 1 File .. 7 Help.
extern MENUHANDLE M_MAIN_MENU[M_MAIN_MENU_SLOTS];
// Option menus shared by several widgets: 0 file types, 1 sort order, 3 the file list's
// right-button menu, 5 the image view's context menu, 6 album types.
extern MENUHANDLE M_OPTION_MENU[M_OPTION_MENU_SLOTS];
