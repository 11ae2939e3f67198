// Buttons: one window type whose `state` selects look and behaviour (dialog buttons, toolbar
// grips, toggle boxes, radio knobs, menu entries, option buttons, notebook tabs, plain text),
// and the button row of dialogs.
#pragma once

#include "toolkit/xwin.h"

// Button `state` values.
enum {
    BTN_DIALOG = 0,
    BTN_PUSH = 1,
    BTN_PUSH_WIDE = 2,
    BTN_TOGGLE = 3,
    BTN_ROUND = 4,
    BTN_GRIP = 5,
    BTN_MENU = 6,
    BTN_MENU_SUB = 7,
    BTN_OPTION = 8,
    BTN_OPTION_THIN = 9,
    BTN_OPTION_WIDE = 10,
    BTN_MENU_SEP = 11,
    BTN_TAB = 12,
    BTN_TEXT = 13,
};

enum { BtnChkSize = 12, BtnRadioSize = 14 };

// Press times: [0] of the last button press, [1] of the last symbol-button press.
extern Time lastEventTime[2];

WINDAT *BtnCreate(WINDAT *parent, int x, int y, WINTYP *typ, const WINNEIGHBOR *nb,
                  const char *label, WINFUNC action);
// Gives the dispatcher the button family's event handlers; BtnCreate calls it.
void BtnEvInit();
int BtnPaint(WINDAT *win);
int BtnPaintText(WINDAT *win);
int BtnMenuPaint(WINDAT *win);
int BtnMenuOptionPaint(WINDAT *win);
int BtnNotebookIndexPaint(WINDAT *win);
int BtnPress(WINDAT *win);
int BtnRelease(WINDAT *win, int timing);
int BtnReleaseAction(WINDAT *win);
int BtnKey(WINDAT *win);
int BtnFunc(WINDATUSR *rec, WINFUNC fn);
int BtnLabelSet(WINDAT *win, const char *text);
int BtnResize(WINDAT *win);
int ExposeBtn(WINDATUSR *rec);
int ResizeBtn(WINDATUSR *rec);

// The part of `text` that fits a button `width` pixels wide in `font`: the whole text, or the
// first n characters ending in ".." (empty when n would be 2 or less).
int BtnTextFit(XFontStruct *font, const char *text, int width, char *out, int outsize);

int BtnGetInitWidth(const char *text, int n);
int BtnGetInitWidthReal(const char *text, int n);
int BtnGetInitHeight(const char *text, int n);

WINDAT *BtnGroupCreate(WINDAT *parent, int x, int y, WINTYP *typ, const WINNEIGHBOR *nb,
                       const char *name);
int BtnGroupBtnsAdd(WINDAT *group, const char *const *labels, const int *ids, int n,
                    WINFUNC action);
int BtnGroupResize(WINDAT *group);
int BtnGroupSetBtnDef(WINDAT *group, int index);
WINDAT *BtnGroupGetBtnDef(WINDAT *group);
