#include "toolkit/xbase.h"

#include "toolkit/xcolor.h"
#include "toolkit/xinit.h"
#include "toolkit/xwinfunc.h"

WINDAT *BaseCreate(WINDAT *parent, int x, int y, WINTYP *typ, const WINNEIGHBOR *nb,
                   const char *name) {
    if (!typ) return nullptr;
    typ->typ = WIN_BASE;
    WINDAT *win = WinCreate(parent, x, y, typ, nb, name, fontfs_text);
    if (!win) return nullptr;
    if (!typ->func[WIN_FUNC_RESIZE]) WinSetFuncResize(win, ResizeBase);
    return win;
}

// The neighbour's position as the server has it: the record may lag behind a move.
static bool NeighborPos(const WINDAT *nb, int *x, int *y) {
    XWindowAttributes a;
    if (!nb || !nb->window || !XGetWindowAttributes(nb->usr.display, nb->window, &a)) return false;
    *x = a.x;
    *y = a.y;
    return true;
}

int BaseResize(WINDAT *win) {
    if (!win) return -15;
    if (win->state == BASE_FIXED) return 0;
    ToolkitLockGuard guard;
    const int state = win->state;
    const bool chain_h = state == BASE_CHAINED || state == BASE_CHAINED_H;
    const bool chain_v = state == BASE_CHAINED || state == BASE_CHAINED_V;
    const WINDAT *left = win->neighbor[WIN_SIDE_LEFT];
    const WINDAT *top = win->neighbor[WIN_SIDE_TOP];
    const WINDAT *right = win->neighbor[WIN_SIDE_RIGHT];
    const WINDAT *bottom = win->neighbor[WIN_SIDE_BOTTOM];
    int nx = 0, ny = 0;

    int x = 0;
    if (NeighborPos(left, &nx, &ny)) {
        x = nx;
        if (chain_h) x += left->width + left->space[WIN_SIDE_RIGHT];
    }
    x += win->space[WIN_SIDE_LEFT];
    int y = 0;
    if (NeighborPos(top, &nx, &ny)) {
        y = ny;
        if (chain_v) y += top->height + top->space[WIN_SIDE_BOTTOM];
    }
    y += win->space[WIN_SIDE_TOP];
    XMoveWindow(win->usr.display, win->window, x, y);

    const WINDAT *parent = win->usr.parent;
    int right_limit = parent ? parent->width : win->width;
    if (NeighborPos(right, &nx, &ny)) {
        right_limit = nx;
        if (chain_h) right_limit -= right->space[WIN_SIDE_LEFT] + 2 * right->border;
    }
    int bottom_limit = parent ? parent->height : win->height;
    if (NeighborPos(bottom, &nx, &ny)) {
        bottom_limit = ny;
        if (chain_v) bottom_limit -= bottom->space[WIN_SIDE_TOP] + 2 * bottom->border;
    }
    int w = right_limit - x - win->space[WIN_SIDE_RIGHT] - 2 * win->border;
    int h = bottom_limit - y - win->space[WIN_SIDE_BOTTOM] - 2 * win->border;
    // A squeezed window keeps its last size rather than asking the server for an empty one.
    if (w > 0 && h > 0) {
        win->width = w;
        win->height = h;
        if (!XResizeWindow(win->usr.display, win->window, static_cast<unsigned>(w),
                           static_cast<unsigned>(h)))
            return -1;
    }
    return WinChildResize(win);
}

int BasePaint(WINDAT *win) {
    if (!win) return -15;
    return win->gc ? 0 : -10;
}

int ResizeBase(WINDATUSR *rec) {
    if (!rec || !rec->win) return -20;
    return BaseResize(rec->win);
}

int ExposeBase(WINDATUSR *rec) {
    if (!rec || !rec->win) return -20;
    return BasePaint(rec->win);
}
