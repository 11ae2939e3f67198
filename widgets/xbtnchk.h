// Check buttons: a toggle box and its text; clicking either toggles the box.
#pragma once

#include "toolkit/xwin.h"

WINDAT *BtnChkCreate(WINDAT *parent, int x, int y, WINTYP *typ, const WINNEIGHBOR *nb,
                     const char *label, WINFUNC action);
int BtnChkGetSelect(WINDAT *chk);
int BtnChkSetSelect(WINDAT *chk, int flag);
int BtnChkGetInitWidth(const char *text, int n);
int BtnChkGetInitHeight(const char *text, int n);
int BtnChkBtnRPress(WINDATUSR *rec);
int BtnChkFuncIntClose(WINDATUSR *rec);
