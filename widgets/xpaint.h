// The image view: one zoomed, scrolled image or a page of thumbnails with names, rendered into a
// window-sized display image on every expose; the navigator popup and the film player.
#pragma once

#include "render/ximage.h"
#include "toolkit/xwin.h"

// View modes (the window's `state`).
enum { PAINT_SINGLE = 0, PAINT_THUMBS = 1, PAINT_ALBUM = 2 };
// Integer slots of a view.
enum {
    PAINT_POSX = 1,
    PAINT_POSY = 2,
    PAINT_THUMBH = 3,
    PAINT_WMAX = 4,
    PAINT_HMAX = 5,
    PAINT_FIRST = 6,
    PAINT_LAST = 7,
    PAINT_SELECT = 8,
    PAINT_DEPEND = 9,
    PAINT_INTS = 10,
};
// Tool codes of the scroll window's tool buttons, and their button statuses.
enum {
    PAINT_TOOL_NAVIGATOR = 3,
    PAINT_TOOL_PLAY = 4,
    PAINT_TOOL_STOP = 5,
    PAINT_TOOL_FORWARD = 6,
    PAINT_TOOL_BACKWARD = 7
};
enum {
    PAINT_BTN_NAVIGATOR = 0,
    PAINT_BTN_BACKWARD = 1,
    PAINT_BTN_PLAY = 2,
    PAINT_BTN_FORWARD = 3,
    PAINT_BTN_STOP = 4
};
// Zoom commands.
enum { PAINT_ZOOM_100 = 1, PAINT_ZOOM_OUT = 2, PAINT_ZOOM_IN = 3, PAINT_ZOOM_KEEP = 0 };
enum { PAINT_THUMB_GAP = 25, PAINT_NAV_MS = 200, PAINT_FRAME_MS = 100 };

// Input the view selects (0x20a03f).
extern const long PAINT_INPUT;

WINDAT *PaintCreate(WINDAT *parent, int x, int y, WINTYP *typ, const WINNEIGHBOR *nb,
                    const char *name);
void PaintEvInit();
int PaintImgSetup(WINDAT *view, int count);
int PaintImgPaintMemCreate(WINDAT *view, int count);
int PaintImgRemove(WINDAT *view, int index);
int PaintImgExist(WINDAT *view);
PAINTIMG *PaintImgGet(WINDAT *view, int index);
const char *PaintGetFileName(WINDAT *view);

int PaintXImageGetPosX(WINDAT *view);
int PaintXImageSetPosX(WINDAT *view, int v);
int PaintXImageGetPosY(WINDAT *view);
int PaintXImageSetPosY(WINDAT *view, int v);
// Where a single view's display image starts in the window (axis 0: x, 1: y): a picture
// smaller than the view is centred, so pointer positions are taken relative to this.
int PaintXImageOffset(WINDAT *view, int axis);
// Called after a single view painted its picture; the application keeps the view's status
// fields up to date through it.
extern void (*PaintShownHook)(WINDAT *view);
int PaintImgWHGet(WINDAT *view);
int PaintImgWHSet(WINDAT *view, int v);
int PaintImgWGetMax(WINDAT *view);
int PaintImgWSetMax(WINDAT *view, int v);
int PaintImgHGetMax(WINDAT *view);
int PaintImgHSetMax(WINDAT *view, int v);
int PaintImgCurFirstGet(WINDAT *view);
int PaintImgCurFirstSet(WINDAT *view, int v);
int PaintImgCurSelectGet(WINDAT *view);
int PaintImgCurSelectSet(WINDAT *view, int v);
int PaintDependGetRedraw(WINDAT *view);
int PaintDependSetRedraw(WINDAT *view, int v);
int PaintWndPropFileSet(WINDAT *view, WINDAT *prop);
WINDAT *PaintWndPropFileGet(WINDAT *view);
int PaintWndStatusSet(WINDAT *view, WINDAT *status);
WINDAT *PaintWndStatusGet(WINDAT *view);

// Column (or row) table of a render: src[i] for display index i.
int PaintCalcTable(int size, int zsize, int scroll, int n, int *out);
int PaintCalcImageSize(WINDAT *view);
int PaintCalcImageScrollSize(WINDAT *view, int axis);
int PaintCalcImageScrollValue(WINDAT *view, int value);
int PaintViewZoom(WINDAT *view, int command);
int PaintXImageResize(WINDAT *view);
// Puts the current image into the view: the display image is made if missing, zoom 100.
int PaintImgShow(WINDAT *view);

int PaintImgSetupMaxWH(WINDAT *view, int thumbheight);
int PaintImgPaintMaxGet(WINDAT *view);
int PaintImgGetSelectFromMouse(WINDAT *view);
int PaintImgHGetStd(WINDAT *view);
int PaintImgHGet(WINDAT *view, int i);
int PaintImgWGet(WINDAT *view, int i);
int PaintImgPaint(WINDAT *view);
int PaintImgPaintText(WINDAT *view, int first, int last);
int PaintSelectDraw(WINDAT *view);
int PaintSelectSet(WINDAT *view, int x, int y, int w, int h, int style, int on);

int PaintFileRename(WINDATUSR *rec);
int PaintFileRemove(WINDAT *view);
int PaintKey(WINDAT *view);
int PaintPress(WINDAT *view);
int PaintRelease(WINDAT *view);
int PaintFunc(WINDATUSR *rec, WINFUNC fn);
int PaintImgTools(WINDATUSR *rec);
int PaintImgPlay(WINDAT *view);
int PaintFrameTime(const FILEINFO *fi);
// Told each frame Play shows, with the frame count and the frame time in use ('[' and ']'
// typed while it plays halve and double the rate); the application shows it.
extern int (*PaintPlayFrameHook)(WINDAT *view, int frame, int frames, int ms);
enum { PAINT_FRAME_MS_MAX = 10000 };
WINDAT *PaintImgMultiFrameWndCreate(WINDAT *parent, WINDAT *filebox);
// Largest frame number the save dialog's frame fields take.
enum { PAINT_FRAME_FIELD_MAX = 99999 };
// Registers the frame fields with the file box, installed by the file box.
extern int (*PaintFrameFieldsHook)(WINDAT *filebox, WINDAT *first, WINDAT *last);
// Refreshes every file box after a rename or removal; installed by the file box.
extern int (*PaintFileboxUpdateHook)();
int PaintPrintFI(const FILEINFO *fi);

WINDAT *PaintImgNavigatorCreate(WINDAT *view);
int PaintImgNavigatorPaintUpdate(WINDAT *view, WINDAT *popup);
int mf_ViewNavigatorPaintSelectCalc(WINDAT *view, WINDAT *picture);
int PaintImgNavigatorFunc(WINDATUSR *rec);
int PaintImgNavigatorPaintFuncMouse(WINDATUSR *rec);
int PaintImgToolsCloseFunc(WINDAT *popup, XEvent *ev);

int ExposePaint(WINDATUSR *rec);
int ResizePaint(WINDATUSR *rec);
int PaintFuncIntClose(WINDATUSR *rec);
