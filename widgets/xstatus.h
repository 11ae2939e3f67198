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

// Named fields: small panes right of the message panes, left to right by id, each as wide as
// its widest text so far; the message panes give up the room. Setting one leaves the messages
// and the other fields as they are; "" (or nullptr) takes the field away. Ids 0..STATUS_FIELDS-1
// are free for any view to give a meaning.
enum { STATUS_FIELDS = 8 };
enum { STATUS_FIELD_FRAME = 3, STATUS_FIELD_SLICE = 4, STATUS_FIELD_CW = 5, STATUS_FIELD_ZOOM = 7 };
int StatusFieldSet(WINDAT *status, int id, const char *text);
// The text of field `id`; "" when it is not shown.
const char *StatusFieldGet(WINDAT *status, int id);
// The pane of field `id` while it is shown, else nullptr.
WINDAT *StatusFieldPane(WINDAT *status, int id);
int StatusGetHeight();
int StatusPaint(WINDAT *status);
int StatusStatPaint(WINDAT *pane);
int StatusTextPaint(WINDAT *pane);
int StatusResize(WINDAT *status);
int ExposeStatus(WINDATUSR *rec);
int ResizeStatus(WINDATUSR *rec);
int StatusFuncIntClose(WINDATUSR *rec);
