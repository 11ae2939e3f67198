// The edit field: one text with a cursor and a selection, edited from the keyboard within a small
// character set, positioned and selected with the mouse, optionally bound to an owner's integer or
// text; and the fly edit, a borderless pop-up with one field for renaming in place.
#pragma once

#include "toolkit/xwin.h"

// Kinds (`state`).
enum { EDIT_MULTI = 0, EDIT_MULTI1 = 1, EDIT_SINGLE = 2, EDIT_NUMBER = 3, EDIT_PASSWORD = 4 };
// Slots of the field's int array.
enum {
    EDIT_CURSOR = 1,
    EDIT_FIRST = 2,
    EDIT_VEND = 3,
    EDIT_PRESSX = 4,
    EDIT_SELX = 5,
    EDIT_LEN = 6,
    EDIT_CHARMAX = 7,
    EDIT_SELSTART = 8,
    EDIT_SELEND = 9,
    EDIT_ANCHOR = 10,
    EDIT_MIN = 11,
    EDIT_MAX = 12,
    EDIT_BOUND = 13,
    EDIT_FNAME = 14, // 1: the field holds a file name, which takes no '/'
    EDIT_INTS = 14,
};
// A press and release closer than this make a click; two clicks closer than the second a double
// click. The drag pauses this long after each scroll step.
enum { EDIT_CLICK_MS = 251, EDIT_DBLCLICK_MS = 500, EDIT_DRAG_MS = 130, EDIT_FLY_SPACE = 2 };

WINDAT *EditCreate(WINDAT *parent, int x, int y, WINTYP *typ, const WINNEIGHBOR *nb,
                   const char *name);
void EditEvInit();
int EditTextNew(WINDAT *field, const char *text, int cursor);
const char *EditTextGet(WINDAT *field);
int EditTextGetCursorPos(WINDAT *field);
int EditTextSetSelectEnd(WINDAT *field, int x);
int EditTextSetCharMax(WINDAT *field, int n);
// Marks a field as holding a file name: every printable character may be typed but '/'.
int EditFileNameSet(WINDAT *field, int on);
// Whether the UTF-8 text may be typed into the field: printable characters only, digits and '-'
// in number fields, no '/' in file names, a line end only in multi-line fields.
bool EditTypable(WINDAT *field, const char *text);
// The owner's integer receives atoi of the text after every change.
int EditValueIntSet(WINDAT *field, int *value);
// The owner's buffer of `size` bytes receives the text after every change (cut to fit).
int EditValueStringSet(WINDAT *field, char *buffer, int size);
// -15 leaves a limit unchanged.
int EditValueMinMaxSet(WINDAT *field, int min, int max);
int EditValueMinGet(WINDAT *field);
int EditValueMaxGet(WINDAT *field);
int EditDefaultSet(WINDAT *field);
int EditTextPaint(WINDAT *field);
int EditFnameCursorPaint(WINDAT *field);
int EditResize(WINDAT *field);
int EditStatus(WINDAT *field, int value);

int EditTextPress(WINDAT *field);
int EditTextRelease(WINDAT *field);
int EditTextKey(WINDAT *field);
int EditFnamePaintSelectChkStart(WINDAT *field, int x);
// 0 when the selection changed (the caller repaints).
int EditFnamePaintSelectChk(WINDAT *field, int x);

// Without `text` the field's own text is used.
int EditTextCut(WINDAT *field, int from, int to, const char *text);
int EditTextPaste(WINDAT *field, int position, const char *text, const char *insertion);

int EditGetInitWidth(const char *text, int n);
int EditGetInitHeight(const char *text, int n, int lines);

// A fly edit over (x, y) of `win`, `width` wide (0: as the text needs), holding `text`.
WINDAT *EditFlyCreate(int x, int y, int width, WINDAT *win, const char *text);
WINDAT *EditFlyGetField(WINDAT *fly);
int EditFlyUpdateSize(WINDAT *fly, WINDAT *field);
int EditFlyClose(WINDAT *fly);
int EditFlyCloseFromKey(WINDAT *fly);

int WinDrawStringLinesCursorCalc(WINDAT *field, XFontStruct *font, KeySym keysym);

int ExposeEdit(WINDATUSR *rec);
int ResizeEdit(WINDATUSR *rec);
int EditFuncIntClose(WINDATUSR *rec);
