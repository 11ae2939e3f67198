// The dialog box: a top-level window with the icon of its kind, a message (or an empty area for
// progress displays) and a row of buttons; every message, question and progress display uses it.
#pragma once

#include "toolkit/xwin.h"

// Box kinds (the box window's `state`).
enum {
    BOX_WARNING = 1,
    BOX_ERROR = 2,
    BOX_QUESTION = 3,
    BOX_QUESTION_IGNORE = 4,
    BOX_QUESTION_REVIEW = 5,
    BOX_INFO = 6,
    BOX_STATUS = 7,
};

// Installs the box as MsgBox's presentation and the box's key handling; MsgBox writes to stderr
// only until then.
void BoxInit();
WINDAT *BoxCreate(int language, Display *display, const char *text, int kind, WINFUNC callback);
int BoxBtnCreate(WINDAT *box, int x, int y, int kind, WINFUNC callback, WINDAT *neighbor);
int BoxKey(WINDAT *box);
int BoxKeyTabSet(WINDAT *box);
int BoxResize(WINDAT *box);
int ResizeBox(WINDATUSR *rec);
