// The status bar: a progress pane shaded up to a percentage and up to three message panes.
#pragma once

#include "toolkit/xwin.h"

// Placements.
enum { STATUS_BOTTOM = 0, STATUS_TOP = 1, STATUS_GEOMETRY = 2 };

WINDAT *StatusCreate(WINDAT *parent, WINTYP *typ, const char *name, int placement, int layout);
int StatusSetProc(WINDAT *status, int percent);
int StatusSetMsg(WINDAT *status, const char *text, int field);
// The text of field 1..3; "" when there is none.
const char *StatusGetMsg(WINDAT *status, int field);
int StatusGetHeight();
int StatusPaint(WINDAT *status);
int StatusStatPaint(WINDAT *pane);
int StatusTextPaint(WINDAT *pane);
int StatusResize(WINDAT *status);
int ExposeStatus(WINDATUSR *rec);
int ResizeStatus(WINDATUSR *rec);
int StatusFuncIntClose(WINDATUSR *rec);
