// The menu templates and the menu sets built from them for the active language.
#include "app/menus.h"
#include "app/wnd_paint.h"
#include "app/mf_file.h"

#include "app/main.h"
#include "base/language.h"
#include "base/xmem.h"

// Menu templates: kind, id, modifier, accelerator, label, disabled, sub-menu, action. The label
// here is a fallback; the builders take it from the companion table of the active language.
const MENUITEM mainmenu[7] = {
    {0, 100, "Alt", "~", "File", 0, nullptr, nullptr},
    {0, 101, "Alt", "~", "Edit", 0, nullptr, nullptr},
    {0, 102, "Alt", "~", "View", 0, nullptr, nullptr},
    {0, 103, "Alt", "~", "Album", 0, nullptr, nullptr},
    {0, 104, "Alt", "~", "Options", 0, nullptr, nullptr},
    {0, 105, "Alt", "~", "Windows", 0, nullptr, nullptr},
    {0, 106, "Alt", "~", "Help", 0, nullptr, nullptr},
};
const MENUITEM mainfile[9] = {
    {2, 200, "Ctrl", "o", "Open", 0, nullptr, nullptr},
    {1, -1, "", "~", "Open Previous", 0, nullptr, nullptr},
    {2, 207, "Ctrl", "~", "Open from archive...", 0, nullptr, nullptr},
    {2, 202, "Ctrl", "s", "Save", 1, nullptr, nullptr},
    {2, 203, "Ctrl", "~", "SaveAs", 1, nullptr, nullptr},
    {2, 204, "Ctrl", "c", "Close", 1, nullptr, nullptr},
    {2, 205, "Ctrl", "p", "Print", 1, nullptr, nullptr},
    {3, -1, "Ctrl", "~", "#", 1, nullptr, nullptr},
    {2, 206, "Ctrl", "q", "Exit", 0, nullptr, nullptr},
};
const MENUITEM mainedit[3] = {
    {2, 300, "Ctrl", "~", "Undo", 1, nullptr, nullptr},
    {2, 301, "Ctrl", "~", "Cut", 1, nullptr, nullptr},
    {2, 302, "Ctrl", "~", "Paste", 1, nullptr, nullptr},
};
const MENUITEM mainview[8] = {
    {2, 400, "Ctrl", "~", "Zoom +", 1, nullptr, nullptr},
    {2, 401, "Ctrl", "~", "Zoom -", 1, nullptr, nullptr},
    {2, 402, "Ctrl", "~", "Original", 1, nullptr, nullptr},
    {2, 403, "Ctrl", "~", "Rotate left", 1, nullptr, nullptr},
    {2, 404, "Ctrl", "~", "Rotate right", 1, nullptr, nullptr},
    {2, 405, "Ctrl", "~", "Flip horizontal", 1, nullptr, nullptr},
    {2, 406, "Ctrl", "~", "Flip vertical", 1, nullptr, nullptr},
    {2, 407, "Ctrl", "~", "DICOM header", 1, nullptr, nullptr},
};
const MENUITEM mainalbum[1] = {
    {2, 500, "Ctrl", "~", "Open", 0, nullptr, nullptr},
};
const MENUITEM mainoption[1] = {
    {2, 600, "Ctrl", "~", "Program", 0, nullptr, nullptr},
};
const MENUITEM mainwindow[2] = {
    {2, 701, "Ctrl", "~", "Symbol", 1, nullptr, nullptr},
    {2, 702, "Ctrl", "~", "DICOM", 1, nullptr, nullptr},
};
const MENUITEM mainhelp[2] = {
    {2, 800, "Ctrl", "~", "Help", 0, nullptr, nullptr},
    {2, 801, "Ctrl", "~", "About", 0, nullptr, nullptr},
};
const MENUITEM menupaintbtn3[3] = {
    {2, 0, "Ctrl", "~", "File: Open", 0, nullptr, nullptr},
    {2, 1, "Ctrl", "~", "File: Rename", 0, nullptr, nullptr},
    {2, 2, "Ctrl", "~", "File: Remove", 0, nullptr, nullptr},
};
// Rows 2 and 3 open the main Edit and View menus; the image window fills those in.
const MENUITEM paintfile[4] = {
    {2, 202, "", "~", "Save", 0, nullptr, nullptr},
    {2, 203, "", "~", "SaveAs", 0, nullptr, nullptr},
    {1, -1, "", "~", "Edit", 0, nullptr, nullptr},
    {1, -1, "", "~", "View", 0, nullptr, nullptr},
};
// The filter labels are padded so that the parentheses line up; they are the same in every
// language.
const MENUITEM menufiletyp[5] = {
    {2, 1, "Ctrl", "~", "JPEG  (*.jpg)", 0, nullptr, nullptr},
    {2, 2, "Ctrl", "~", "BMP   (*.bmp)", 0, nullptr, nullptr},
    {2, 3, "Ctrl", "~", "TARGA (*.tga)", 0, nullptr, nullptr},
    {2, 4, "Ctrl", "~", "DICOM (*.*)", 0, nullptr, nullptr},
    {2, 5, "Ctrl", "~", "all   (*.*)", 0, nullptr, nullptr},
};
const MENUITEM menualbumtyp[2] = {
    {2, 0, "Ctrl", "~", "Album (*.alb)", 0, nullptr, nullptr},
    {2, 1, "Ctrl", "~", "all   (*.*)", 0, nullptr, nullptr},
};
const MENUITEM menusortfile[4] = {
    {2, 0, "Ctrl", "~", "Name", 0, nullptr, nullptr},
    {2, 1, "Ctrl", "~", "Typ", 0, nullptr, nullptr},
    {2, 2, "Ctrl", "~", "Size", 0, nullptr, nullptr},
    {2, 3, "Ctrl", "~", "Date", 0, nullptr, nullptr},
};
// Row 3 opens the sort menu, which is built just before this one.
const MENUITEM menufileboxbtn3[7] = {
    {2, 0, "Ctrl", "~", "Rename", 0, nullptr, nullptr},
    {2, 1, "Ctrl", "~", "Remove", 0, nullptr, nullptr},
    {2, 2, "Ctrl", "~", "Property", 0, nullptr, nullptr},
    {1, -1, "Ctrl", "~", "Sort", 0, nullptr, nullptr},
    {3, -1, "Ctrl", "~", "#", 0, nullptr, nullptr},
    {2, 4, "Ctrl", "~", "new Directory", 0, nullptr, nullptr},
    {2, 5, "Ctrl", "~", "Directory as Preview", 0, nullptr, nullptr},
};

// Live copies the main-menu builder fills for the active language.
MENUITEM mainMenu[7];
MENUITEM mainFile[9];
MENUITEM mainEdit[3];
MENUITEM mainView[8];
MENUITEM mainAlbum[1];
MENUITEM mainOption[1];
MENUITEM mainWindow[2];
MENUITEM mainHelp[2];
MENUITEM menuPaintBtn3[3];

// Copies a template into its live array with the labels of `language` and the given action.
static MENUHANDLE LanguageMenuBuild(MENUITEM *live, const MENUITEM *tmpl, const char *const *labels,
                                    int n, int language, WINFUNC action) {
    for (int i = 0; i < n; i++) {
        live[i] = tmpl[i];
        if (labels && (language == LG_GERMAN || language == LG_ENGLISH))
            live[i].label = labels[i * LG_COLUMNS + language];
        // A click on a cascade or a separator must not act as a command and close the menus.
        live[i].action = live[i].kind == MENU_KIND_CMD ? action : nullptr;
    }
    return MenuSubCreate(n, live);
}

int LanguageMenuProgInit(Display *display, int language) {
    if (!display) return -19;
    for (MENUHANDLE &slot : M_MAIN_MENU)
        if (slot) {
            MenuSubFree(slot);
            slot = nullptr;
        }
    struct Menu {
        MENUITEM *live;
        const MENUITEM *tmpl;
        const char *const *labels;
        int n;
        WINFUNC action;
    };
    const Menu menus[] = {
        {mainMenu, mainmenu, mainmenuL, 7, nullptr},
        {mainFile, mainfile, mainfileL, 9, MainMenuBtn},
        {mainEdit, mainedit, maineditL, 3, MainMenuBtn},
        {mainView, mainview, mainviewL, 8, MainMenuBtn},
        {mainAlbum, mainalbum, mainalbumL, 1, MainMenuBtn},
        {mainOption, mainoption, mainoptionL, 1, MainMenuBtn},
        {mainWindow, mainwindow, mainwindowL, 2, MainMenuBtn},
        {mainHelp, mainhelp, mainhelpL, 2, MainMenuBtn},
    };
    int slot = 0;
    for (const Menu &m : menus) {
        MENUHANDLE h = LanguageMenuBuild(m.live, m.tmpl, m.labels, m.n, language, m.action);
        if (!h) return WIN_ERROR_MEMORY;
        M_MAIN_MENU[slot++] = h;
    }
    MenuFileLastCreate();
    if (M_OPTION_MENU[5]) MenuSubFree(M_OPTION_MENU[5]);
    M_OPTION_MENU[5] = LanguageMenuBuild(menuPaintBtn3, menupaintbtn3, menupaintbtn3L, 3, language,
                                         WinPaintFuncMouseBtnR12);
    return M_OPTION_MENU[5] ? 0 : -8;
}

// Copies a template for `language` (labels from `labels` where given) and builds its handle.
static MENUHANDLE LanguageOptionMenu(const MENUITEM *tmpl, const char *const *labels, int n,
                                     int language, MENUHANDLE submenu) {
    MENUITEM items[16];
    if (n > 16) return nullptr;
    for (int i = 0; i < n; i++) {
        items[i] = tmpl[i];
        if (items[i].kind == MENU_KIND_SUB) items[i].submenu = submenu;
    }
    // The widgets that open these menus set their actions.
    return LanguageMenuBuild(items, items, labels, n, language, nullptr);
}

int LanguageMenuInit(Display *display, int language) {
    (void)display;
    for (MENUHANDLE &slot : M_OPTION_MENU)
        if (slot) {
            MenuSubFree(slot);
            slot = nullptr;
        }
    if (!(M_OPTION_MENU[0] = LanguageOptionMenu(menufiletyp, nullptr, 5, language, nullptr)))
        return WIN_ERROR_MEMORY;
    if (!(M_OPTION_MENU[6] = LanguageOptionMenu(menualbumtyp, nullptr, 2, language, nullptr)))
        return WIN_ERROR_MEMORY;
    if (!(M_OPTION_MENU[1] = LanguageOptionMenu(menusortfile, menusortfileL, 4, language, nullptr)))
        return WIN_ERROR_MEMORY;
    if (!(M_OPTION_MENU[3] =
              LanguageOptionMenu(menufileboxbtn3, menufileboxbtn3L, 7, language, M_OPTION_MENU[1])))
        return WIN_ERROR_MEMORY;
    return 0;
}
