// Options > Program: the dialog whose five notebook pages edit the settings in place, and its
// close, which carries language and mouse buttons into every window and rebuilds the menus.
#pragma once

#include "toolkit/xwin.h"

// The open dialog's notebook, null while none is open.
extern WINDAT *wdnb;

// Check-button statuses and the settings they name.
enum {
    OPT_CHK_FILESAVEEXIST = 0,
    OPT_CHK_FILEREMOVE = 1,
    OPT_CHK_PROGRAMEXIT = 2,
    OPT_CHK_ALBUMENTRYREMOVE = 3,
    OPT_CHK_FITLARGE = 4,
    OPT_CHK_EXIFROTATE = 5,
    OPT_CHK_FILEINFO = 10,
    OPT_CHK_HINTBTNSYM = 11,
    OPT_CHK_HOUNSFIELD = 50,
};

// Builds and shows the dialog: 0, 1 when one is open already, -26 when a window fails.
int MF_OptionProgramCreate(Display *display);
int OptCloseFunc(WINDATUSR *rec);
// Hands the names being edited to their settings (those the server knows): before the
// configuration file is written with the dialog still open.
int OptNameCommit();

int OptValueSetup(WINDAT *page, int rows, int kind);
int OptValueColorSetup(WINDAT *page);
int OptBtnChkUpdate(WINDAT *chk);
int OptBtnRadioUpdate(WINDAT *group, int index);

int OptBtnChkPress(WINDATUSR *rec);
int OptAskFileOpen(WINDATUSR *rec);
int OptProgLang(WINDATUSR *rec);
int OptProgMouseNrL(WINDATUSR *rec);
int OptProgMouseNrR(WINDATUSR *rec);
// The DICOM page's choice of the window pictures open with.
int OptDicomWindow(WINDATUSR *rec);
int ListFuncMouseColor(WINDATUSR *rec);
int ListFuncMouseFont(WINDATUSR *rec);

// The variable a check-button status names, or null.
int *OptChkVariable(int status);
// Whether the X server knows a colour or a font of this name.
int OptColorNameKnown(Display *display, const char *name);
int OptFontNameKnown(Display *display, const char *name);
