// Symbol buttons: a button with a built-in picture that lights up under the pointer and shows
// a hint window; the symbol group that holds them in a toolbar.
#pragma once

#include "toolkit/xwin.h"

enum { BTN_SYM_SIZE = 36 };

WINDAT *SymbolGroupCreate(WINDAT *parent, int x, int y, WINTYP *typ, const WINNEIGHBOR *nb,
                          const char *name);
WINDAT *SymbolBtnAdd(WINDAT *group, WINTYP *typ, const char *label, int symbol, WINFUNC action);
WINDAT *SymbolBtnAddStd(WINDAT *group, const char *label, int symbol, WINFUNC action);
WINDAT *BtnSymCreate(WINDAT *parent, int x, int y, WINTYP *typ, const WINNEIGHBOR *nb,
                     const char *label, WINFUNC action, int symbol);
int BtnSymPixmapCreate(WINDAT *win, int symbol, const char *none_colour);
int BtnSymPaint(WINDAT *win);
// Gives the dispatcher the symbol buttons' event handlers; BtnSymCreate calls it.
void BtnSymEvInit();
int BtnSymPress(WINDAT *win);
int BtnSymRelease(WINDAT *win);
WINDAT *BtnSymHintCreate(WINDAT *btn);
int BtnSymHintClose(WINDAT *btn);
int ExposeBtnSym(WINDATUSR *rec);
int BtnSymFuncIntClose(WINDATUSR *rec);
