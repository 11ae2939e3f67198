// Label tables: rows of five language columns (0 German, 1 English, 2-4 placeholders), flat,
// text = table[row * LG_COLUMNS + language]. German bytes are Latin-1.
#pragma once

#include "widgets/xmenu.h"

enum { LG_COLUMNS = 5 };
enum { LG_GERMAN = 0, LG_ENGLISH = 1 };
enum { M_MAIN_MENU_SLOTS = 20 };

extern const char *const mainLanguage[LG_COLUMNS];

extern const char *const szresL[];
extern const char *const szactL[];
extern const char *const szerrL[];
extern const char *const szwarnL[];
extern const char *const szboxtitelL[];

extern const char *const sznbalbumL[];
extern const char *const szoptionprogL[];
extern const char *const szoptionprogaskL[];
extern const char *const szoptionproginfoL[];
extern const char *const szoptionprogwindowL[];
extern const char *const szoptionproglangL[];
extern const char *const szoptionprogmouseL[];

// Menu templates and their label tables (row i labels entry i).
extern const MENUITEM mainmenu[7];
extern const MENUITEM mainfile[8];
extern const MENUITEM mainedit[3];
extern const MENUITEM mainview[3];
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

extern const char *const mainmenuL[];
extern const char *const mainfileL[];
extern const char *const maineditL[];
extern const char *const mainviewL[];
extern const char *const mainalbumL[];
extern const char *const mainoptionL[];
extern const char *const mainwindowL[];
extern const char *const mainhelpL[];
extern const char *const menupaintbtn3L[];
extern const char *const paintfileL[];
extern const char *const menusortfileL[];
extern const char *const menufileboxbtn3L[];

// Filter n: element 2n is the type name, 2n + 1 its extension.
extern const char *const file_ext[12];
extern const char *const album_ext[4];

// Live entry arrays of the main menus, filled for the active language before each build.
extern MENUITEM mainMenu[7];
extern MENUITEM mainFile[8];
extern MENUITEM mainEdit[3];
extern MENUITEM mainView[3];
extern MENUITEM mainAlbum[1];
extern MENUITEM mainOption[1];
extern MENUITEM mainWindow[2];
extern MENUITEM mainHelp[2];
extern MENUITEM menuPaintBtn3[3];

// Built menu sets: 0 the bar, 1 File .. 7 Help.
extern MENUHANDLE M_MAIN_MENU[M_MAIN_MENU_SLOTS];

// Run-time label arrays: the active language's column of their source tables.
extern const char **szNB_ALBUM;
extern const char **szOPTIONPROG;
extern const char **szOPTIONPROGASK;
extern const char **szOPTIONPROGINFO;
extern const char **szOPTIONPROGWINDOW;
extern const char **szOPTIONPROGLANG;
extern const char **szOPTIONPROGMOUSE;

int LanguageLabelMemInit();
int LanguageLabelInit(int language);
int LanguageLabelMemDestroy();
// Builds the main menus (bar, File .. Help) and the image view's context menu for `language`.
int LanguageMenuProgInit(Display *display, int language);
