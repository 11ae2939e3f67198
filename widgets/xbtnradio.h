// Radio buttons: a round knob and its text; inside a framed group one of them is selected.
#pragma once

#include "toolkit/xwin.h"

WINDAT *GroupCreate(WINDAT *parent, int x, int y, WINTYP *typ, const WINNEIGHBOR *nb,
                    const char *title);
int GroupPaint(WINDAT *group);
WINDAT *BtnRadioGroupCreateSimple(WINDAT *parent, int x, int y, const char *const *labels, int n,
                                  const char *title, WINFUNC action);
WINDAT *BtnRadioCreate(WINDAT *group, int x, int y, WINTYP *typ, const WINNEIGHBOR *nb,
                       const char *label, WINFUNC action);
int BtnRadioSetSelect(WINDAT *radio, int flag);
int BtnRadioSetStatus(WINDAT *radio, int value);
int BtnRadioGetInitWidth(const char *text, int n);
int BtnRadioGetInitHeight(const char *text, int n);
int BtnRadioBtnLPress(WINDATUSR *rec);
int BtnRadioFuncIntClose(WINDATUSR *rec);
