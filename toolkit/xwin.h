// Window records, the window registry and the window tree.
#pragma once

#include "base/lg.h"
#include "base/xerror.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

// Window type codes (`typ`).
enum {
    WIN_BTN = 1,
    WIN_LIST = 2,
    WIN_LABEL = 3,
    WIN_TOOLBAR = 4,
    WIN_MENUM = 5,
    WIN_MENUP = 6,
    WIN_MENUBTN = 7,
    WIN_POPUP = 8,
    WIN_BTN_CHECK = 9,
    WIN_BTN_GROUP = 10,
    WIN_MAIN = 11,
    WIN_PAINT = 12,
    WIN_SCROLLM = 13,
    WIN_SCROLLSL = 14,
    WIN_SCROLLSLUX = 15,
    WIN_SCROLLSLUY = 16,
    WIN_SCROLLX = 17,
    WIN_SCROLLY = 18,
    WIN_SCROLLBTN_LEFT = 19,
    WIN_SCROLLBTN_UP = 20,
    WIN_SCROLLBTN_RIGHT = 21,
    WIN_SCROLLBTN_DOWN = 22,
    WIN_ABOUT = 23,
    WIN_STATUS = 24,
    WIN_PANED_VERT = 25,
    WIN_PANEDX = 26,
    WIN_PANEDXM = 27,
    WIN_BASE = 28,
    WIN_DLGMSG = 29,
    WIN_FILEBOX = 30,
    WIN_TREE = 31,
    WIN_DEBUG = 32,
    WIN_LINEALX = 33,
    WIN_LINEALY = 34,
    WIN_PROCENT = 35,
    WIN_SYMBOL_GROUP = 36,
    WIN_CHECK = 37,
    WIN_FILEBOXEXT = 38,
    WIN_BTN_SYM = 39,
    WIN_HINT = 40,
    WIN_EXT_PAINT = 43,
    WIN_IMAGE1 = 46,
    WIN_IMAGE6 = 51,
    WIN_COLOR = 52,
    WIN_FONT = 53,
    WIN_NOTEBOOK = 54,
    WIN_NOTEBOOK_BTN_GROUP = 55,
    WIN_PANED_HORIZ = 56,
    WIN_BTN_RADIO = 63,
    WIN_GRP_RADIO = 64,
    WIN_EDIT_FLY = 66,
    WIN_EDIT_TXT = 67,
};

enum { WIN_TYP_NAMES = 69, WIN_CHILD_MAX = 30, WIN_REGISTRY_MAX = 2000 };

struct WINDAT;

// What every callback receives: a fresh copy of the window's embedded record.
struct WINDATUSR {
    Display *display;
    WINDAT *win;
    WINDAT *parent;
    WINDAT *parentgrp;
    int i;
    int *im; // element 0 holds the array's own length (n + 1)
    char *str;
    char **strm; // element 0 points to the length as decimal text
    XEvent evmouse;
    XEvent evkey;
};

typedef int (*WINFUNC)(WINDATUSR *rec);

// Callback slots in record order; IntClose lives apart because it is not part of the type record.
enum {
    WIN_FUNC_CREATE,
    WIN_FUNC_RESIZE,
    WIN_FUNC_EXPOSE,
    WIN_FUNC_CLOSE,
    WIN_FUNC_MOUSE,
    WIN_FUNC_KEYB,
    WIN_FUNC_REMOVE,
    WIN_FUNC_ADD,
    WIN_FUNC_SELECT,
    WIN_FUNC_RETURN,
    WIN_FUNC_STATUS,
    WIN_FUNC_PROPERTY,
    WIN_FUNC_SLOTS
};

// The type record: what a caller fills to create a window (the record's fields `fg` .. callbacks).
struct WINTYP {
    unsigned long fg, bg;
    int width, height, border;
    int typ, state, unvisible;
    int mouseleft, mouseright, language;
    WINFUNC func[WIN_FUNC_SLOTS];
};

// Sides of the neighbour record.
enum { WIN_SIDE_TOP, WIN_SIDE_LEFT, WIN_SIDE_RIGHT, WIN_SIDE_BOTTOM };

struct WINNEIGHBOR {
    int space[4];        // top, left, right, bottom
    WINDAT *neighbor[4]; // top, left, right, bottom
};

struct WINDAT {
    Atom wm_delete;
    Window window;
    WINDAT *child[WIN_CHILD_MAX];
    int nchild;
    int activ;
    int def;
    GC gc;
    char *label;
    int status;
    int select;
    int disable;
    Cursor cursor;
    // The type record, in its order.
    unsigned long fg, bg;
    int width, height, border;
    int typ, state, unvisible;
    int mouseleft, mouseright, language;
    WINFUNC func[WIN_FUNC_SLOTS];
    int space[4];
    WINDAT *neighbor[4];
    WINDATUSR usr;
    int dblclick;
    long lasttime;
    // Image-view words (image views and symbol buttons only).
    int img_current;
    int img_count;
    int zoom;
    void *img_list;
    long img_size; // bytes of one element of img_list, set by whoever fills it
    int sel[6];
    WINFUNC intclose;
};

// The registry: dense entries 0 .. WINDATpi - 1; entry 0 is the main window.
extern WINDAT **WINDATp;
extern int WINDATpi;
extern int WINDATpimax;

const char *WinTypName(int typ);

// Creation.
WINDAT *WinCreate(WINDAT *parent, int x, int y, const WINTYP *typ, const WINNEIGHBOR *nb,
                  const char *name, XFontStruct *font);
WINDAT *WinCreateTyp(WINDAT *parent, int x, int y, WINTYP *typ, const WINNEIGHBOR *nb,
                     const char *name, XFontStruct *font);
WINDAT *WinCreateFromRoot(Display *display, int x, int y, const WINTYP *typ, const WINNEIGHBOR *nb,
                          const char *name, XFontStruct *font);
WINDAT *WinCreateFromRootExt(WINDAT *parent, int x, int y, const WINTYP *typ, const WINNEIGHBOR *nb,
                             const char *name, XFontStruct *font);
WINDAT *WinCreateExt(WINDAT *parent, int x, int y, const WINTYP *typ, const WINNEIGHBOR *nb,
                     const char *name, XFontStruct *font);
WINDAT *WinCreateExtSimple(Display *display, const int *opt_rt, const char *title);
// A dialog: a top-level window with the kind's button row at the bottom and a base window
// "fb" above it for the caller's content. The dialog box widget builds the inside through the
// hook; without it there is no dialog.
WINDAT *WinCreateDlg(Display *display, const int *opt_rt, const char *title, int kind,
                     WINFUNC btnfunc);
extern WINDAT *(*WinCreateDlgHook)(WINDAT *dlg, int kind, WINFUNC btnfunc);
// Called for every top-level window the toolkit creates, before it is mapped: the application
// gives it its class, icon and process properties, so the desktop matches all its windows.
extern void (*WinTopLevelHook)(Display *display, Window window);

// Tree, registry and lookup.
int WinChildAdd(WINDAT *parent, WINDAT *child);
int WinRemoveInParent(WINDAT *win);
int WinRemoveStruct(WINDAT *win);
// Frees a record with what it owns besides its user data (which its IntClose callback frees).
void WinRecordFree(WINDAT *win);
WINDAT *WinFind(Window w);
WINDAT *WinFindTyp(int typ);
int WinChildFindNr(WINDAT *win, WINDAT *child);
WINDAT *WinChildFindTyp(WINDAT *win, int typ);
WINDAT *WinChildFindTypState(WINDAT *win, int typ, int state);
WINDAT *WinChildFindSelect(WINDAT *win);
WINDAT *WinChildFindTypTree(WINDAT *win, int typ);
WINDAT *WinChildFindTypStateTree(WINDAT *win, int typ, int state);

// State accessors.
int WinSetStatus(WINDAT *win, int status);
int WinGetStatus(WINDAT *win);
int WinSetUnvisible(WINDAT *win, int flag);
int WinGetUnvisible(WINDAT *win);
int WinSetDisable(WINDAT *win, int flag, int repaint);
int WinGetDisable(WINDAT *win);
int WinSetSelect(WINDAT *win, int flag, int repaint);
int WinGetSelect(WINDAT *win);
int WinSetActiv(WINDAT *win, int flag);
int WinGetActiv(WINDAT *win);
int WinSetDef(WINDAT *win, int flag);
int WinGetDef(WINDAT *win);
int WinSetNeighbor(WINDAT *win, WINDAT *neighbor, int side);
int WinSetNeighborSpace(WINDAT *win, int side, int pixels);

// User data.
int WinUSRIntGet(WINDAT *win);
int WinUSRIntSet(WINDAT *win, int value);
int WinUSRIntArrayCreate(WINDAT *win, int n);
int *WinUSRIntArrayGet(WINDAT *win);
int WinUSRIntArraySet(WINDAT *win, int *array);
int WinUSRIntArrayValueGet(WINDAT *win, int index);
int WinUSRIntArrayValueSet(WINDAT *win, int index, int value);
int WinUSRIntArrayRemove(WINDAT *win);
int WinUSRIntArrayExist(WINDAT *win);
char *WinUSRStringGet(WINDAT *win);
int WinUSRStringSet(WINDAT *win, const char *text);
int WinUSRStringRemove(WINDAT *win);
int WinUSRStringArrayCreate(WINDAT *win, int n);
char **WinUSRStringArrayGet(WINDAT *win);
int WinUSRStringArraySet(WINDAT *win, char **array);
char *WinUSRStringArrayValueGet(WINDAT *win, int index);
int WinUSRStringArrayValueSet(WINDAT *win, int index, char *p);
int WinUSRStringArrayRemove(WINDAT *win);
int WinUSRStringArrayExist(WINDAT *win);
int WinFuncIntCloseSimple(WINDATUSR *rec);

// X wrappers.
int WinShow(WINDAT *win, int on);
int WinGetAttrib(WINDAT *win, XWindowAttributes *attr);
int WinSetFg(WINDAT *win, unsigned long pixel);
int WinSetBg(WINDAT *win, unsigned long pixel);
int WinSetBgColor(WINDAT *win, unsigned long pixel);
int WinSetBgPixmap(WINDAT *win, Pixmap pixmap);
int WinSetFont(Display *display, GC gc, XFontStruct *font);
int WinClearWindow(WINDAT *win);
int WinResize(WINDAT *win, int w, int h);
int WinMove(WINDAT *win, int x, int y);
int WinMoveResizeWindow(WINDAT *win, int x, int y, int w, int h);
int WinSetWinTitle(WINDAT *win, const char *title);
// The title as UTF-8 in _NET_WM_NAME and, as far as Latin-1 or compound text carry it, in
// WM_NAME. Bytes that are no UTF-8 (a Latin-1 file name) are taken as Latin-1.
int WinSetWinTitleUtf8(WINDAT *win, const char *title);
// Fullscreen of a top-level window: through the window manager (_NET_WM_STATE_FULLSCREEN) when
// one runs, else the window covers the screen itself and gets its place back afterwards.
int WinFullscreenSet(WINDAT *top, int on);
// 1 when the window is fullscreen (as the window manager says, or as this program made it).
int WinFullscreenGet(WINDAT *top);
int WinSetLabel(WINDAT *win, const char *text, int repaint);
int WinSetTransientForHint(WINDAT *win, WINDAT *owner);
// Brings a top-level window to the front: raised, and asked for through _NET_ACTIVE_WINDOW
// where a window manager stacks the windows.
int WinRaiseTop(WINDAT *win);
int WinSetMaxWidthHeight(WINDAT *win, int w, int h);
int WinSelectInput(Display *display, Window w, long mask);
int WinCreateGC(WINDAT *win);
int WinFreeGC(WINDAT *win);
int WinDisplayClose(Display *display);
int WinDisplayGetDepth(Display *display);
int SystemGetColorDepth(Display *display);
int WinGetDisplayWidth(Display *display);
int WinGetDisplayHeight(Display *display);
int WinFlush(Display *display);
int WinNextEvent(Display *display, XEvent *ev);
int WinWindowEvent(WINDAT *win, long mask, XEvent *ev);
int WinTranslateCoordinates(WINDAT *win, int x, int y);
int CursorSet(WINDAT *win, Cursor cursor);
Cursor CursorCreate(Display *display, unsigned int shape);
int CursorDestroy(Display *display, Cursor cursor);
int WinPaint(WINDAT *win);

// Closing.
int WinClose(WINDAT *win);
int WinCloseSimple(Display *display, Window w);
int WinCloseParent(WINDATUSR *rec);

// Messages.
// The message-box widget installs its box here; until then MsgBox writes to stderr.
extern WINDAT *(*MsgBoxHook)(int language, int kind, const char *text, WINFUNC callback);
WINDAT *MsgBox(int language, int kind, const char *text, WINFUNC callback);
// MsgBox as the formatters' message hook (MsgShowHook).
int MsgBoxShow(int language, int kind, const char *text);
int MsgBoxClose(WINDATUSR *rec);
int MsgBeep(WINDAT *win, int percent);

// Geometry helpers.
int WinResizeCalc(WINDAT *win, int out[4]);
int WinChildResize(WINDAT *win);
int WinChildGetPosX(WINDAT *parent, WINDAT *child);
int WinChildGetPosY(WINDAT *parent, WINDAT *child);
int WinChildParentGrpSet(WINDAT *win, WINDAT *group);
int WinOptRtUpdate(WINDAT *win, const int *opt_rt);
int WinOptRtUpdateFromParent(WINDAT *win, WINDAT *parent);
int WinStructCopy(WINDAT *dst, const WINDAT *src);
