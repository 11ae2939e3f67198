// The menu templates (entries with their fallback labels) and the builders that turn them into
// the menu sets of the active language.
#pragma once

#include "widgets/xmenu.h"

// Menu templates and their label tables (row i labels entry i).
extern const MENUITEM mainmenu[7];
extern const MENUITEM mainfile[9];
extern const MENUITEM mainedit[3];
extern const MENUITEM mainview[8];
extern const MENUITEM mainalbum[1];
extern const MENUITEM mainoption[1];
extern const MENUITEM mainwindow[2];
extern const MENUITEM mainhelp[2];
extern const MENUITEM menupaintbtn3[3];
extern const MENUITEM paintfile[4];
extern const MENUITEM menufiletyp[5];
extern const MENUITEM menualbumtyp[2];
extern const MENUITEM menusortfile[4];
extern const MENUITEM menufileboxbtn3[7];

// Live entry arrays of the main menus, filled for the active language before each build.
extern MENUITEM mainMenu[7];
extern MENUITEM mainFile[9];
extern MENUITEM mainEdit[3];
extern MENUITEM mainView[8];
extern MENUITEM mainAlbum[1];
extern MENUITEM mainOption[1];
extern MENUITEM mainWindow[2];
extern MENUITEM mainHelp[2];
extern MENUITEM menuPaintBtn3[3];

// Builds the main menus (bar, File .. Help) and the image view's context menu for `language`.
int LanguageMenuProgInit(Display *display, int language);
// Rebuilds the option menus (slots 0, 6, 1, 3) for `language`; -8 when one cannot be built.
int LanguageMenuInit(Display *display, int language);
