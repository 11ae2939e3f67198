// The window tree and the registry: children, lookup, closing and layout helpers.
#include "toolkit/xwin.h"

#include "base/xmem.h"
#include "toolkit/xinit.h"
#include "toolkit/xtools.h"
#include "toolkit/xwinfunc.h"

#include <cstdio>
#include <cstring>
#include <vector>

int WinChildAdd(WINDAT *parent, WINDAT *child) {
    if (!parent) {
        fprintf(stderr, "ChildAdd: %i add to %i ?\n", child ? static_cast<int>(child->window) : 0,
                0);
        return WIN_ERROR_PARENT;
    }
    if (!child) return WIN_ERROR_ARG;
    if (parent->nchild + 1 >= WIN_CHILD_MAX) {
        fprintf(stderr, "add child: %s (%s) add to %s (%s)\n", WinTypName(child->typ),
                child->label ? child->label : "", WinTypName(parent->typ),
                parent->label ? parent->label : "");
        fprintf(stderr, "add child: %i, max: %i child's per win !\n", parent->nchild + 1,
                WIN_CHILD_MAX);
        return WIN_ERROR_CHILD;
    }
    parent->child[parent->nchild++] = child;
    return 0;
}

int WinRemoveInParent(WINDAT *win) {
    if (!win) return WIN_ERROR_ARG;
    WINDAT *parent = win->usr.parent;
    if (!parent) return WIN_ERROR_PARENT;
    int nr = WinChildFindNr(parent, win);
    if (nr < 0) return WIN_ERROR_CHILD;
    for (int i = nr; i < parent->nchild - 1; i++)
        parent->child[i] = parent->child[i + 1];
    parent->child[--parent->nchild] = nullptr;
    return 0;
}

void WinRecordFree(WINDAT *win) {
    Display *d = win->usr.display;
    if (win->gc && d) XFreeGC(d, win->gc);
    if (win->cursor && d) XFreeCursor(d, win->cursor);
    if (win->label) MemFree(win->label, "label");
    MemFree(win, "win");
}

int WinRemoveStruct(WINDAT *win) {
    if (!win || !WINDATp) return -1;
    ToolkitLockGuard guard;
    for (int i = WINDATpi - 1; i >= 1; i--) {
        if (WINDATp[i] != win) continue;
        WinFuncIntClose(win);
        WinRecordFree(win);
        for (int j = i; j < WINDATpi - 1; j++)
            WINDATp[j] = WINDATp[j + 1];
        WINDATp[--WINDATpi] = nullptr;
        return 0;
    }
    return -1;
}

WINDAT *WinFind(Window w) {
    if (!WINDATp) return nullptr;
    for (int i = 0; i < WINDATpi; i++)
        if (WINDATp[i] && WINDATp[i]->window == w) return WINDATp[i];
    return nullptr;
}

WINDAT *WinFindTyp(int typ) {
    if (!WINDATp) return nullptr;
    for (int i = 0; i < WINDATpi; i++)
        if (WINDATp[i] && WINDATp[i]->typ == typ) return WINDATp[i];
    return nullptr;
}

int WinChildFindNr(WINDAT *win, WINDAT *child) {
    if (!win || !child) return -1;
    for (int i = 0; i < win->nchild; i++)
        if (win->child[i] == child) return i;
    return -1;
}

WINDAT *WinChildFindTyp(WINDAT *win, int typ) {
    if (!win) return nullptr;
    for (int i = 0; i < win->nchild; i++)
        if (win->child[i] && win->child[i]->typ == typ) return win->child[i];
    return nullptr;
}

WINDAT *WinChildFindTypState(WINDAT *win, int typ, int state) {
    if (!win) return nullptr;
    for (int i = 0; i < win->nchild; i++) {
        WINDAT *c = win->child[i];
        if (c && c->typ == typ && c->state == state) return c;
    }
    return nullptr;
}

WINDAT *WinChildFindSelect(WINDAT *win) {
    if (!win) return nullptr;
    for (int i = 0; i < win->nchild; i++)
        if (win->child[i] && win->child[i]->select == 1) return win->child[i];
    return nullptr;
}

enum { WIN_TREE_DEPTH_MAX = 255 };

// Depth-first over the descendants, each child before its own children. The stack is local, so
// the search may run on any thread and inside a callback of another search.
static WINDAT *WinTreeSearch(WINDAT *win, int typ, int state, bool match_state) {
    if (!win) return nullptr;
    struct Frame {
        WINDAT *w;
        int next;
    };
    std::vector<Frame> stack;
    stack.push_back({win, 0});
    while (!stack.empty()) {
        Frame &f = stack.back();
        if (f.next >= f.w->nchild) {
            stack.pop_back();
            continue;
        }
        WINDAT *c = f.w->child[f.next++];
        if (!c) continue;
        if (c->typ == typ && (!match_state || c->state == state)) return c;
        if (c->nchild > 0) {
            if (static_cast<int>(stack.size()) >= WIN_TREE_DEPTH_MAX) return nullptr;
            stack.push_back({c, 0});
        }
    }
    return nullptr;
}

WINDAT *WinChildFindTypTree(WINDAT *win, int typ) {
    return WinTreeSearch(win, typ, 0, false);
}

WINDAT *WinChildFindTypStateTree(WINDAT *win, int typ, int state) {
    return WinTreeSearch(win, typ, state, true);
}

int WinCloseSimple(Display *display, Window w) {
    if (!display || !w) return -1;
    XUnmapWindow(display, w);
    XDestroyWindow(display, w);
    XFlush(display);
    return 0;
}

static int ebene = 0; // nesting of the subtree close, for diagnostics

// Closes the subtree below `win`, depth-first. A Close callback that vetoes stops everything:
// the windows closed so far are gone, the rest stay (the child table is compacted).
static int WinCloseChildren(WINDAT *win) {
    ebene++;
    int result = 0;
    int kept = 0;
    for (int i = 0; i < win->nchild; i++) {
        WINDAT *c = win->child[i];
        if (!c) continue;
        if (result == 0 && c->func[WIN_FUNC_CLOSE]) result = WinFuncClose(c);
        if (result == 0 && c->nchild > 0) result = WinCloseChildren(c);
        if (result != 0) {
            win->child[kept++] = c;
            continue;
        }
        Display *d = c->usr.display;
        Window xw = c->window;
        if (WinRemoveStruct(c) != 0) {
            // Not in the registry (refused when it was full): free it here.
            WinFuncIntClose(c);
            WinRecordFree(c);
        }
        WinCloseSimple(d, xw);
    }
    for (int i = kept; i < win->nchild; i++)
        win->child[i] = nullptr;
    win->nchild = kept;
    if (verbose) fprintf(stderr, "close level %i: %i left\n", ebene, kept);
    ebene--;
    return result;
}

int WinClose(WINDAT *win) {
    if (!win) return WIN_ERROR_NOWINDOW;
    ToolkitLockGuard guard;
    if (win->func[WIN_FUNC_CLOSE]) {
        int r = WinFuncClose(win);
        if (r != 0) return r;
    }
    // A closing top-level hands the keyboard on before its windows go.
    if (!win->usr.parent && win->typ != WIN_MAIN) WinFocusGiveBack(win);
    if (win->nchild > 0) {
        int r = WinCloseChildren(win);
        if (r != 0) return r;
    }
    if (win->usr.parent) {
        int r = WinRemoveInParent(win);
        // A window its full parent refused was never in the child table; it still closes.
        if (r != 0 && r != -16) return r;
    }
    Display *d = win->usr.display;
    Window xw = win->window;
    if (WinRemoveStruct(win) == 0) {
        WinCloseSimple(d, xw);
    } else if (WINDATp && WINDATp[0] == win) {
        // The main window keeps its record until the registry is released.
        WinCloseSimple(d, xw);
        win->window = 0;
    }
    return 0;
}

int WinCloseParent(WINDATUSR *rec) {
    if (!rec) return WIN_ERROR_ARG;
    if (!rec->win) return WIN_ERROR_NOWINDOW;
    if (!rec->win->usr.parent) return WIN_ERROR_PARENT;
    return WinClose(rec->win->usr.parent);
}

// ---- Layout helpers ----------------------------------------------------------------------------

int WinResizeCalc(WINDAT *win, int out[4]) {
    if (!win || !out) return WIN_ERROR_ARG;
    WINDAT *parent = win->usr.parent;
    if (!parent) return WIN_ERROR_PARENT;
    XWindowAttributes a;
    int left = win->space[WIN_SIDE_LEFT];
    int top = win->space[WIN_SIDE_TOP];
    int right = parent->width;
    int bottom = parent->height;
    WINDAT *n;
    if ((n = win->neighbor[WIN_SIDE_LEFT]) && WinGetAttrib(n, &a) == 0)
        left += a.x + n->width + n->space[WIN_SIDE_RIGHT];
    if ((n = win->neighbor[WIN_SIDE_TOP]) && WinGetAttrib(n, &a) == 0)
        top += a.y + n->height + n->space[WIN_SIDE_BOTTOM];
    if ((n = win->neighbor[WIN_SIDE_RIGHT]) && WinGetAttrib(n, &a) == 0)
        right = a.x - n->space[WIN_SIDE_LEFT] - 2 * n->border;
    if ((n = win->neighbor[WIN_SIDE_BOTTOM]) && WinGetAttrib(n, &a) == 0)
        bottom = a.y - n->space[WIN_SIDE_TOP] - 2 * n->border;
    out[0] = left;
    out[1] = top;
    out[2] =
        right - left - win->space[WIN_SIDE_LEFT] - win->space[WIN_SIDE_RIGHT] - 2 * win->border;
    out[3] =
        bottom - top - win->space[WIN_SIDE_TOP] - win->space[WIN_SIDE_BOTTOM] - 2 * win->border;
    return 0;
}

int WinChildResize(WINDAT *win) {
    if (!win) return WIN_ERROR_ARG;
    if (win->typ == 0) return WIN_ERROR_TYPE;
    if (verbose)
        fprintf(stderr, "Resize parent %s:  -> %i x %i\n", WinTypName(win->typ), win->width,
                win->height);
    int result = -1;
    for (int i = 0; i < win->nchild; i++) {
        WINDAT *c = win->child[i];
        if (!c) continue;
        if (verbose)
            fprintf(stderr, "resize child %i/%i %s:\n", i, win->nchild, WinTypName(c->typ));
        switch (c->typ) {
        case WIN_BTN:
        case WIN_LIST:
        case WIN_LABEL:
        case WIN_TOOLBAR:
        case WIN_BTN_GROUP:
        case WIN_PAINT:
        case WIN_SCROLLM:
        case WIN_SCROLLX:
        case WIN_SCROLLY:
        case WIN_PANED_VERT:
        case WIN_BASE:
        case WIN_TREE:
        case WIN_NOTEBOOK:
        case WIN_NOTEBOOK_BTN_GROUP:
        case WIN_PANED_HORIZ:
        case WIN_EDIT_TXT:
        case WIN_MENUM:
        // The file box and its extension re-lay out through their own resize routines.
        case WIN_FILEBOX:
        case WIN_FILEBOXEXT:
            result = WinFuncResize(c);
            break;
        default:
            break;
        }
    }
    return result;
}

static int WinChildGetPos(WINDAT *parent, WINDAT *child, int before, int size_is_height) {
    if (!parent) return 0;
    int sum = 0;
    int after = before == WIN_SIDE_LEFT ? WIN_SIDE_RIGHT : WIN_SIDE_BOTTOM;
    for (int i = 0; i < parent->nchild; i++) {
        WINDAT *c = parent->child[i];
        if (!c) continue;
        if (c == child) return sum + c->space[before];
        if (c->typ == WIN_PANEDXM) continue;
        sum += c->space[before] + (size_is_height ? c->height : c->width) + c->space[after];
    }
    return sum;
}

int WinChildGetPosX(WINDAT *parent, WINDAT *child) {
    return WinChildGetPos(parent, child, WIN_SIDE_LEFT, 0);
}

int WinChildGetPosY(WINDAT *parent, WINDAT *child) {
    return WinChildGetPos(parent, child, WIN_SIDE_TOP, 1);
}

int WinChildParentGrpSet(WINDAT *win, WINDAT *group) {
    if (!win) return WIN_ERROR_ARG;
    for (int i = 0; i < win->nchild; i++)
        if (win->child[i]) win->child[i]->usr.parentgrp = group;
    return 0;
}

static void WinOptRtApply(WINDAT *win, int left, int right, int language) {
    win->language = language;
    if (left == right) {
        left = 1;
        right = 3;
    }
    if (left < 1 || left > 3) left = 1;
    if (right < 1 || right > 3) right = 3;
    win->mouseleft = left;
    win->mouseright = right;
}

int WinOptRtUpdate(WINDAT *win, const int *opt) {
    if (!win || !opt) return WIN_ERROR_ARG;
    WinOptRtApply(win, opt[0], opt[1], opt[2]);
    return 0;
}

int WinOptRtUpdateFromParent(WINDAT *win, WINDAT *parent) {
    if (!win || !parent) return WIN_ERROR_ARG;
    WinOptRtApply(win, parent->mouseleft, parent->mouseright, parent->language);
    return 0;
}

int WinStructCopy(WINDAT *dst, const WINDAT *src) {
    if (!dst || !src) return WIN_ERROR_ARG;
    memcpy(dst, src, sizeof *dst);
    dst->usr.win = src->usr.win;
    if (src->typ == WIN_PAINT && src->img_list && src->img_count > 0 && src->img_size > 0) {
        // The copy gets its own image list so that the two never share the array.
        long bytes = 0;
        if (__builtin_mul_overflow(static_cast<long>(src->img_count), src->img_size, &bytes))
            return WIN_ERROR_MEMORY;
        auto list = MemCreate(bytes, "ip");
        if (!list) return WIN_ERROR_MEMORY;
        memcpy(list, src->img_list, static_cast<size_t>(bytes));
        dst->img_list = list;
    }
    return 0;
}
