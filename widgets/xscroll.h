// Scroll windows: a container with one content window, two scroll bars with arrow buttons and
// sliders, an optional status line and, for image views, five tool buttons; and free-standing
// horizontal bars.
#pragma once

#include "toolkit/xwin.h"

// Slots of a scroll bar's int array.
enum {
    SCROLL_MIN = 1,
    SCROLL_CUR = 2,
    SCROLL_MAX = 3,
    SCROLL_SLX = 4,
    SCROLL_SLY = 5,
    SCROLL_GRABX = 6,
    SCROLL_GRABY = 7,
    SCROLL_SLW = 8,
    SCROLL_SLH = 9,
    SCROLL_BAR_INTS = 11,
};
// Pointer slots of the container and of a bar.
enum {
    SCROLL_SLOT_CONTENT = 1,
    SCROLL_SLOT_X = 2,
    SCROLL_SLOT_Y = 3,
    SCROLL_SLOT_STATUS = 4,
    SCROLL_SLOT_TOOLS = 5,
    SCROLLM_SLOTS = 7,
    SCROLL_SLOT_TRACK = 2,
    SCROLL_SLOT_BTN2 = 3,
    SCROLL_BAR_SLOTS = 4
};
enum { SCROLL_TOOLS_W = 80, SCROLL_TOOL_BTN = 16, SCROLL_REPEAT_MS = 90 };

WINDAT *ScrollWndCreate(WINDAT *parent, int x, int y, WINTYP *typ, const WINNEIGHBOR *nb,
                        const char *name, WINFUNC mouse, int kind, int notools, int withstatus,
                        int statusarg);
WINDAT *ScrollMainCreate(WINDAT *parent, int x, int y, WINTYP *typ, const WINNEIGHBOR *nb,
                         const char *name);
WINDAT *ScrollBarXCreate(WINDAT *parent, WINFUNC mouse);
WINDAT *ScrollBarYCreate(WINDAT *parent, WINFUNC mouse);
WINDAT *ScrollBarUsrXCreate(WINDAT *parent, WINTYP *typ, const WINNEIGHBOR *nb, WINFUNC mouse,
                            int withbtns);
WINDAT *ScrollBtnCreate(WINDAT *parent, int x, int y, WINTYP *typ, const WINNEIGHBOR *nb,
                        const char *name, WINFUNC mouse, int btntyp);

int ScrollWndInitMax(WINDAT *scroll, int maxx, int maxy);
int ScrollWndUpdateMaxFromChild(WINDAT *content, int maxx, int maxy);
int ScrollWndUpdateFromChild(WINDAT *content);
// A wheel notch over a list or a thumbnail view in a scroll window: three rows of the list (as
// the vertical arrows step them) or of the grid, down (dir 1) or up (-1). 0 when it scrolled,
// -1 at the end, below 0 for content of another kind.
int ScrollWheel(WINDAT *content, int dir);
int ScrollWndResize(WINDAT *scroll);

WINDAT *ScrollGetScrollWnd(WINDAT *scroll);
WINDAT *ScrollGetScrollX(WINDAT *scroll);
WINDAT *ScrollGetScrollY(WINDAT *scroll);
WINDAT *ScrollGetToolbar(WINDAT *scroll);
WINDAT *ScrollGetStatus(WINDAT *scroll);
WINDAT *ScrollBarGetTrack(WINDAT *bar);

int ScrollBarGetValue(WINDAT *bar, int slot);
int ScrollBarSetValue(WINDAT *bar, int slot, int value);
int ScrollBarGetMin(WINDAT *bar);
int ScrollBarSetMin(WINDAT *bar, int v);
int ScrollBarGetCur(WINDAT *bar);
int ScrollBarSetCur(WINDAT *bar, int v);
int ScrollBarGetMax(WINDAT *bar);
int ScrollBarSetMax(WINDAT *bar, int v);
int ScrollBarSetSlx(WINDAT *bar, int v);
int ScrollBarSetSly(WINDAT *bar, int v);
int ScrollBarSetSlw(WINDAT *bar, int v);
int ScrollBarSetSlh(WINDAT *bar, int v);

int ScrollSliderUpdate(WINDAT *track, WINDAT *content);
int ScrollSliderSetPos(int value, int total, int axis, WINDAT *bar, WINDAT *track);
int ScrollSliderPress(WINDAT *track);
int ScrollSliderUndergrdPress(WINDAT *track, int px, int py, int drag);
int ScrollBtnPress(WINDAT *btn);
int ScrollBtnRelease(WINDAT *btn);

int ScrollBarPaint(WINDAT *bar);
int ScrollSliderPaint(WINDAT *track);
int ScrollBtnPaint(WINDAT *btn);
// The ten-point arrow outline of a w x h button, inset 2; dir 1 up, 2 left, 3 right, 4 down.
int CalcArrow(int w, int h, int dir, XPoint out[10]);

int ResizeScrollWnd(WINDATUSR *rec);
int ExposeScrollBtn(WINDATUSR *rec);
int ExposeScrollSlider(WINDATUSR *rec);
int ExposeScrollBar(WINDATUSR *rec);
int ScrollMainFuncIntClose(WINDATUSR *rec);
int ScrollBarFuncIntClose(WINDATUSR *rec);
int ScrollBarUsrXSliderResize(WINDATUSR *rec);
