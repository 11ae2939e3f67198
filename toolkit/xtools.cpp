#include "toolkit/xtools.h"

#include "base/xmem.h"
#include "toolkit/xcolor.h"
#include "toolkit/xinit.h"
#include "toolkit/xtext.h"

#include <cstdio>
#include <algorithm>
#include <cstring>

// Every call draws with the window's own GC; a window without one cannot be drawn into.
static bool Drawable_(const WINDAT *win) {
    return win && win->gc && win->usr.display;
}

int WinDrawLine(WINDAT *win, int x1, int y1, int x2, int y2) {
    if (!Drawable_(win)) return -15;
    XDrawLine(win->usr.display, win->window, win->gc, x1, y1, x2, y2);
    return 0;
}

int WinDrawRect(WINDAT *win, int x, int y, int w, int h) {
    if (!Drawable_(win)) return -15;
    if (w < 0 || h < 0) return -2;
    XDrawRectangle(win->usr.display, win->window, win->gc, x, y, static_cast<unsigned>(w),
                   static_cast<unsigned>(h));
    return 0;
}

int WinDrawRectFill(WINDAT *win, int x, int y, int w, int h) {
    if (!Drawable_(win)) return -15;
    if (w < 0 || h < 0) return -2;
    XFillRectangle(win->usr.display, win->window, win->gc, x, y, static_cast<unsigned>(w),
                   static_cast<unsigned>(h));
    return 0;
}

int WinDrawFillPolygon(WINDAT *win, XPoint *points, int count, int shape, int mode) {
    if (!Drawable_(win) || !points || count < 1) return -15;
    XFillPolygon(win->usr.display, win->window, win->gc, points, count, shape, mode);
    return 0;
}

int WinDrawArc(WINDAT *win, int x, int y, int w, int h, int angle1, int angle2) {
    if (!Drawable_(win)) return -15;
    if (w < 0 || h < 0) return -2;
    XDrawArc(win->usr.display, win->window, win->gc, x, y, static_cast<unsigned>(w),
             static_cast<unsigned>(h), angle1, angle2);
    return 0;
}

int WinDrawArcFill(WINDAT *win, int x, int y, int w, int h, int angle1, int angle2) {
    if (!Drawable_(win)) return -15;
    if (w < 0 || h < 0) return -2;
    XFillArc(win->usr.display, win->window, win->gc, x, y, static_cast<unsigned>(w),
             static_cast<unsigned>(h), angle1, angle2);
    return 0;
}

int WinDrawSetFillStyle(WINDAT *win, int style) {
    if (!Drawable_(win)) return -15;
    XSetFillStyle(win->usr.display, win->gc, style);
    return 0;
}

int WinSetBgFillPixmap(WINDAT *win, Pixmap stipple, int x, int y, int w, int h) {
    if (!Drawable_(win) || !stipple) return -15;
    XSetStipple(win->usr.display, win->gc, stipple);
    XSetFillStyle(win->usr.display, win->gc, FillStippled);
    return WinDrawRectFill(win, x, y, w, h);
}

static int TextLength(const char *text, int n) {
    return n > 0 ? n : static_cast<int>(strlen(text));
}

int WinDrawString(WINDAT *win, int x, int y, const char *text, int n) {
    if (!Drawable_(win) || !text) return -15;
    if (win->disable == 1) XSetForeground(win->usr.display, win->gc, fg_disable);
    TextDraw(win->usr.display, win->window, win->gc, x, y, text, TextLength(text, n), false);
    return 0;
}

int WinDrawImageString(WINDAT *win, int x, int y, const char *text, int n) {
    if (!Drawable_(win) || !text) return -15;
    if (win->disable == 1) XSetForeground(win->usr.display, win->gc, fg_disable);
    TextDraw(win->usr.display, win->window, win->gc, x, y, text, TextLength(text, n), true);
    return 0;
}

// The two colours of a 3-D style: first for the left and top edges, second for right and bottom.
static void EdgeColours(int style, unsigned long *first, unsigned long *second) {
    switch (style) {
    case WIN_3D_SUNKEN:
        *first = rg_btn3d;
        *second = lg_btn3d;
        break;
    case WIN_3D_FLAT:
        *first = *second = bg_menu;
        break;
    default:
        *first = lg_btn3d;
        *second = rg_btn3d;
        break;
    }
}

int WinDraw3dRect(WINDAT *win, int x, int y, int w, int h, int style, int thickness) {
    if (!Drawable_(win)) return -15;
    Display *d = win->usr.display;
    unsigned long first, second;
    EdgeColours(style, &first, &second);
    XSetForeground(d, win->gc, first);
    for (int i = 0; i < thickness; i++) {
        XDrawLine(d, win->window, win->gc, x + i, y + i, x + i, y + h - i);
        XDrawLine(d, win->window, win->gc, x + i, y + i, x + w - i, y + i);
    }
    XSetForeground(d, win->gc, second);
    for (int i = 0; i < thickness; i++) {
        XDrawLine(d, win->window, win->gc, x + w - i, y + i, x + w - i, y + h - i);
        XDrawLine(d, win->window, win->gc, x + i, y + h - i, x + w - i, y + h - i);
    }
    XSetForeground(d, win->gc, win->fg);
    return 0;
}

int WinDraw3dLineH(WINDAT *win, int x, int y, int length, int, int style) {
    if (!Drawable_(win)) return -15;
    Display *d = win->usr.display;
    unsigned long first, second;
    EdgeColours(style, &first, &second);
    XSetForeground(d, win->gc, first);
    XDrawLine(d, win->window, win->gc, x, y - 1, x + length, y - 1);
    XSetForeground(d, win->gc, second);
    XDrawLine(d, win->window, win->gc, x, y, x + length, y);
    XSetForeground(d, win->gc, win->fg);
    return 0;
}

int WinDraw3dLineV(WINDAT *win, int x, int y, int, int length, int style) {
    if (!Drawable_(win)) return -15;
    Display *d = win->usr.display;
    unsigned long first, second;
    EdgeColours(style, &first, &second);
    XSetForeground(d, win->gc, first);
    XDrawLine(d, win->window, win->gc, x, y, x, y + length);
    XSetForeground(d, win->gc, second);
    XDrawLine(d, win->window, win->gc, x + 1, y, x + 1, y + length);
    XSetForeground(d, win->gc, win->fg);
    return 0;
}

int WinDraw3dTriangle(WINDAT *win, int direction, int style, int thickness) {
    if (!Drawable_(win)) return -15;
    if (direction != WIN_ARROW_RIGHT && direction != WIN_ARROW_DOWN) return 0;
    Display *d = win->usr.display;
    Window w = win->window;
    GC gc = win->gc;
    unsigned long first, second;
    EdgeColours(style, &first, &second);
    int x0 = win->width - 16, y0 = win->height / 2 - 4;
    XSetForeground(d, gc, first);
    for (int i = 0; i < thickness; i++) {
        if (direction == WIN_ARROW_RIGHT) {
            XDrawLine(d, w, gc, x0 + i, y0 + i, x0 + i, y0 + 9 - i);
            XDrawLine(d, w, gc, x0 + i, y0 + i, x0 + 8 + i, y0 + 4 - i);
        } else {
            XDrawLine(d, w, gc, x0 + i, y0 + i, x0 + 10 - i, y0 + i);
            XDrawLine(d, w, gc, x0 + i, y0 + i, x0 + 6 + i, y0 + 7 + i);
        }
    }
    XSetForeground(d, gc, second);
    for (int i = 0; i < thickness; i++) {
        if (direction == WIN_ARROW_RIGHT)
            XDrawLine(d, w, gc, x0 + i, y0 + 9 + i, x0 + 8 + i, y0 + 4 + i);
        else
            XDrawLine(d, w, gc, x0 + 10 + i, y0 + i, x0 + 6 + i, y0 + 7 + i);
    }
    XSetForeground(d, gc, win->fg);
    return 0;
}

int WinDrawFrame(WINDAT *win) {
    if (!Drawable_(win)) return -15;
    WinDraw3dRect(win, 1, 1, win->width - 3, win->height - 3, WIN_3D_RAISED, 1);
    return WinDraw3dRect(win, 0, 0, win->width - 1, win->height - 1, WIN_3D_SUNKEN, 1);
}

int WinDrawCursor(WINDAT *win, int x, int y) {
    if (!Drawable_(win)) return -15;
    if (win->disable == 1) return -1;
    Display *d = win->usr.display;
    Window w = win->window;
    GC gc = win->gc;
    int lh = WinGetTextHeight(fontfs_text, WIN_TEXT_SAMPLE, 0);
    XSetForeground(d, gc, win->fg);
    XSetBackground(d, gc, win->bg);
    XDrawLine(d, w, gc, x, y, x + 2, y);
    XDrawLine(d, w, gc, x, y, x - 2, y);
    XDrawLine(d, w, gc, x, y + 1, x, y + lh + 1);
    XDrawLine(d, w, gc, x, y + lh + 1, x + 2, y + lh + 3);
    XDrawLine(d, w, gc, x, y + lh + 1, x - 2, y + lh + 3);
    return 0;
}

// An edit field keeps its cursor position in element 1 of its int array; -1 when there is none.
static int EditCursorPos(const WINDAT *win) {
    if (win->typ != WIN_EDIT_TXT) return -1;
    const int *im = win->usr.im;
    if (!im || im[0] < 2) return -1;
    return im[1];
}

static int CharsBearing(const char *text, int n) {
    if (n <= 0) return 0;
    return WinGetTextBearing(fontfs_text, text, n, 2);
}

int WinDrawStringLines(WINDAT *win, XFontStruct *font, int x, int y, const char *text, int n) {
    if (!Drawable_(win) || !text || n < 0) return -15;
    n = static_cast<int>(strnlen(text, static_cast<size_t>(n)));
    int lh = WinGetTextHeight(font, WIN_TEXT_SAMPLE, 0);
    int cursor = EditCursorPos(win);
    char *copy = static_cast<char *>(MemCreate(n + 1, "txt"));
    if (!copy) {
        fprintf(stderr, "%s: %s\n", "dravik", text);
        return -8;
    }
    memcpy(copy, text, static_cast<size_t>(n));
    copy[n] = '\0';
    int base = y + lh, top = y, start = 0;
    for (int i = 0; i <= n; i++) {
        if (i < n && copy[i] != '\n') continue;
        int len = i - start;
        if (len > 0) WinDrawString(win, x, base, copy + start, len);
        if (cursor >= start && cursor <= i)
            WinDrawCursor(win, x + CharsBearing(copy + start, cursor - start), top);
        if (i == n) break;
        start = i + 1;
        base += lh + lh / 4;
        top += lh + lh / 4;
    }
    MemFree(copy, "txt");
    return 0;
}

int WinDrawStringLinesGetY(WINDAT *, XFontStruct *font, int, int y, const char *text, int n) {
    if (!text || n < 0) return 0;
    int lh = WinGetTextHeight(font, WIN_TEXT_SAMPLE, 0);
    int result = y + lh;
    for (int i = 0; i < n && text[i]; i++)
        if (text[i] == '\n') result += lh + lh / 3;
    return result;
}

int WinGetTextWidth(XFontStruct *font, const char *text, int n) {
    if (!font || !text) return 0;
    return TextWidth(font, text, TextLength(text, n));
}

int WinGetTextHeight(XFontStruct *font, const char *text, int n) {
    XCharStruct o;
    if (!TextExtents(font, text, n, &o)) return 0;
    return o.ascent + o.descent;
}

int WinGetTextBearing(XFontStruct *font, const char *text, int n, int which) {
    XCharStruct o;
    if (!TextExtents(font, text, n, &o)) return 0;
    if (which == 0) return o.lbearing;
    if (which == 1) return o.rbearing;
    return o.lbearing + o.rbearing;
}

int WinSetInputFocus(WINDAT *win, int revert_to, Time time) {
    if (!win || !win->usr.display) return -15;
    XSetInputFocus(win->usr.display, win->window, revert_to, time);
    return 0;
}

namespace {
// Where each top-level that took the focus got it from.
struct FOCUSBACK {
    Window top = 0, back = 0;
};
FOCUSBACK focus_back[32];

WINDAT *TopOf(WINDAT *win) {
    while (win && win->usr.parent)
        win = win->usr.parent;
    return win;
}

bool Viewable(Display *d, Window w) {
    XWindowAttributes a;
    return w > PointerRoot && XGetWindowAttributes(d, w, &a) && a.map_state == IsViewable;
}

// The top-level of the toolkit that holds X window `w`, or 0 (another client's, the root). Only
// records are asked: a window of another client may be gone by the time it would be queried.
Window TopWindowOf(Window w) {
    WINDAT *win = w > PointerRoot ? WinFind(w) : nullptr;
    return win ? TopOf(win)->window : 0;
}
} // namespace

int WinFocusTake(WINDAT *win) {
    if (!win || !win->usr.display || !win->window) return -15;
    ToolkitLockGuard guard;
    Display *d = win->usr.display;
    if (!Viewable(d, win->window)) return -1;
    Window top = TopOf(win)->window;
    Window cur = 0;
    int revert;
    XGetInputFocus(d, &cur, &revert);
    if (TopWindowOf(cur) != top) {
        FOCUSBACK *slot = nullptr;
        for (FOCUSBACK &f : focus_back)
            if (f.top == top || (!slot && !f.top)) slot = &f;
        if (!slot) slot = &focus_back[0];
        slot->top = top;
        slot->back = cur == None ? 0 : cur;
    }
    XSetInputFocus(d, win->window, RevertToPointerRoot, CurrentTime);
    return 0;
}

int WinFocusGiveBack(WINDAT *top) {
    if (!top || !top->usr.display || !top->window) return -15;
    ToolkitLockGuard guard;
    Display *d = top->usr.display;
    Window back = 0;
    bool noted = false;
    for (FOCUSBACK &f : focus_back)
        if (f.top == top->window) {
            back = f.back;
            noted = true;
            f = FOCUSBACK{};
        }
    Window cur = 0;
    int revert;
    XGetInputFocus(d, &cur, &revert);
    // Only the holder gives the focus away; a window that lost it meanwhile leaves it be.
    bool holds = TopWindowOf(cur) == top->window || cur == None;
    if (!holds) return 0;
    // Only a window of ours is asked whether it still shows.
    if (back != PointerRoot && (back == top->window || !WinFind(back) || !Viewable(d, back))) {
        WINDAT *main = WinFindTyp(WIN_MAIN);
        back = main && main != top && Viewable(d, main->window) ? main->window
                                                                : (noted ? PointerRoot : 0);
    }
    if (!back) back = PointerRoot;
    XSetInputFocus(d, back, RevertToPointerRoot, CurrentTime);
    return 0;
}

int WinFocusRepair(WINDAT *clicked) {
    if (!clicked || !clicked->usr.display) return -15;
    Display *d = clicked->usr.display;
    Window cur = 0;
    int revert;
    XGetInputFocus(d, &cur, &revert);
    if (cur != None) return 0;
    WINDAT *top = TopOf(clicked);
    if (Viewable(d, top->window))
        XSetInputFocus(d, top->window, RevertToPointerRoot, CurrentTime);
    else
        XSetInputFocus(d, PointerRoot, RevertToPointerRoot, CurrentTime);
    return 1;
}

Pixmap PixmapCreateFromData(Display *display, Drawable drawable, const char *bits, unsigned int w,
                            unsigned int h) {
    if (!display || !bits || w == 0 || h == 0) return 0;
    return XCreateBitmapFromData(display, drawable, bits, w, h);
}

int PixmapDestroy(Display *display, Pixmap pixmap) {
    if (!pixmap) return 1;
    if (!display) return -15;
    XFreePixmap(display, pixmap);
    return 0;
}

int CalcTextRect(const char *text, short out[2]) {
    if (!text || !out) return -15;
    if (!*text) return -8;
    if (!fontfs_text) return -10;
    int w = WinGetTextWidth(fontfs_text, text, 0);
    int lh = WinGetTextHeight(fontfs_text, "QygqQAT", 0);
    int h = (lh + lh / 3) * 3;
    int longest = 0, count = 0;
    bool multi = false;
    for (const char *p = text; *p; p++) {
        if (*p == '\n') {
            h += lh + lh / 3;
            multi = true;
            longest = std::max(longest, count);
            count = 0;
        } else {
            count++;
        }
    }
    longest = std::max(longest, count);
    if (multi && longest > 0) w = WinGetTextWidth(fontfs_text, text, 1) * longest;
    out[0] = static_cast<short>(std::min(w, 32767));
    out[1] = static_cast<short>(std::min(h, 32767));
    return 0;
}
