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
