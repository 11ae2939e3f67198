// Drawing into a window with its own GC: lines, rectangles, text, the 3-D edges of the toolkit's
// look, the text cursor, multi-line text, text measuring and bitmaps.
#pragma once

#include "toolkit/xwin.h"

// 3-D edge styles.
enum { WIN_3D_RAISED = 0, WIN_3D_SUNKEN = 1, WIN_3D_FLAT = 2 };
// Arrow-mark directions of WinDraw3dTriangle.
enum { WIN_ARROW_RIGHT = 3, WIN_ARROW_DOWN = 4 };

// Sample text for line heights: capital, ascender and descender letters.
#define WIN_TEXT_SAMPLE "QygqQAT"

int WinDrawLine(WINDAT *win, int x1, int y1, int x2, int y2);
int WinDrawRect(WINDAT *win, int x, int y, int w, int h);
int WinDrawRectFill(WINDAT *win, int x, int y, int w, int h);
int WinDrawFillPolygon(WINDAT *win, XPoint *points, int count, int shape, int mode);
int WinDrawArc(WINDAT *win, int x, int y, int w, int h, int angle1, int angle2);
int WinDrawArcFill(WINDAT *win, int x, int y, int w, int h, int angle1, int angle2);
int WinDrawSetFillStyle(WINDAT *win, int style);
int WinSetBgFillPixmap(WINDAT *win, Pixmap stipple, int x, int y, int w, int h);
int WinDrawString(WINDAT *win, int x, int y, const char *text, int n);
int WinDrawImageString(WINDAT *win, int x, int y, const char *text, int n);
int WinDraw3dRect(WINDAT *win, int x, int y, int w, int h, int style, int thickness);
int WinDraw3dLineH(WINDAT *win, int x, int y, int length, int ignored, int style);
int WinDraw3dLineV(WINDAT *win, int x, int y, int ignored, int length, int style);
int WinDraw3dTriangle(WINDAT *win, int direction, int style, int thickness);
int WinDrawFrame(WINDAT *win);
int WinDrawCursor(WINDAT *win, int x, int y);
int WinDrawStringLines(WINDAT *win, XFontStruct *font, int x, int y, const char *text, int n);
int WinDrawStringLinesGetY(WINDAT *win, XFontStruct *font, int x, int y, const char *text, int n);

// n = 0 measures the whole string.
int WinGetTextWidth(XFontStruct *font, const char *text, int n);
int WinGetTextHeight(XFontStruct *font, const char *text, int n);
int WinGetTextBearing(XFontStruct *font, const char *text, int n, int which);

int WinSetInputFocus(WINDAT *win, int revert_to, Time time);

// The keyboard focus is handed on, never dropped: a window that takes it remembers where it
// came from (the pointer root, or another top-level), with a revert mode that ends at the
// pointer root if the window goes; closing a top-level that holds the focus gives it back there
// (or to the main window). No-ops for a window that is not viewable yet (a window manager
// focuses it once mapped).
int WinFocusTake(WINDAT *win);
int WinFocusGiveBack(WINDAT *top);
// A click with the focus on None (left so by another client) takes the clicked top-level.
int WinFocusRepair(WINDAT *clicked);

// Longest press that still makes a click.
enum { WIN_CLICK_MS = 250 };

// Whether a release at `release` ends a click pressed at `press`. xdotool, and a quick finger on
// a slow server, give both events the same millisecond. Server times are 32-bit and wrap.
inline bool WinIsClick(Time press, Time release) {
    return ((release - press) & 0xFFFFFFFFul) <= WIN_CLICK_MS;
}

Pixmap PixmapCreateFromData(Display *display, Drawable drawable, const char *bits, unsigned int w,
                            unsigned int h);
int PixmapDestroy(Display *display, Pixmap pixmap);

// Width and height of a text box for `text` in the text font (lines split at newlines).
int CalcTextRect(const char *text, short out[2]);
