#include "widgets/xtb.h"

#include "toolkit/xcolor.h"
#include "toolkit/xtools.h"
#include "toolkit/xwinfunc.h"
#include "widgets/xbtn.h"

#include <algorithm>

WINDAT *ToolbarCreate(WINDAT *parent, int x, int y, WINTYP *typ, const WINNEIGHBOR *nb,
                      const char *name, int floating, WINFUNC grip_action) {
    if (!parent || !typ || !nb) return nullptr;
    WINTYP t = *typ;
    t.typ = WIN_TOOLBAR;
    bool own_expose = !t.func[WIN_FUNC_EXPOSE], own_resize = !t.func[WIN_FUNC_RESIZE];
    if (own_expose) t.func[WIN_FUNC_EXPOSE] = ExposeToolbar;
    if (own_resize) t.func[WIN_FUNC_RESIZE] = ResizeToolbar;
    WINDAT *tb;
    if (floating) {
        WINNEIGHBOR none{};
        tb = WinCreateExt(parent, x, y, &t, &none, "dravik", fontfs_text);
        // The floating window's own resize hook would only re-lay out the children.
        if (tb && own_resize) WinSetFuncResize(tb, ResizeToolbar);
    } else {
        tb = WinCreate(parent, x, y, &t, nb, name, fontfs_text);
    }
    if (!tb) return nullptr;
    tb->state = typ->state;
    tb->status = floating ? 1 : 0;

    WINTYP g{};
    g.fg = tb->fg;
    g.bg = tb->bg;
    g.width = 10;
    g.height = tb->height - 2;
    g.state = BTN_GRIP;
    g.language = tb->language;
    WINNEIGHBOR gnb{};
    gnb.space[WIN_SIDE_LEFT] = 1;
    gnb.space[WIN_SIDE_TOP] = 1;
    if (!BtnCreate(tb, 0, 0, &g, &gnb, "grip", grip_action)) {
        WinClose(tb);
        return nullptr;
    }
    return tb;
}

int ToolbarPaint(WINDAT *toolbar) {
    if (!toolbar) return WIN_ERROR_ARG;
    if (!toolbar->gc) return WIN_ERROR_GC;
    return WinDraw3dRect(toolbar, 0, 0, toolbar->width - 1, toolbar->height - 1, WIN_3D_RAISED, 1);
}

int ExposeToolbar(WINDATUSR *rec) {
    if (!rec || !rec->win) return WIN_ERROR_NOWINDOW;
    return ToolbarPaint(rec->win);
}

int ResizeToolbar(WINDATUSR *rec) {
    if (!rec || !rec->win) return WIN_ERROR_NOWINDOW;
    return ToolbarResize(rec->win);
}

static bool ToolbarDocked(const WINDAT *w) {
    return w && w->typ == WIN_TOOLBAR && w->status == 0;
}

int ToolbarParentResize(WINDAT *parent) {
    if (!parent) return WIN_ERROR_ARG;
    if (parent->nchild < 2) return 0;
    int y = 0, bars = 0, others = 0, others_h = 0;
    for (int i = 0; i < parent->nchild; i++) {
        WINDAT *c = parent->child[i];
        if (!c) continue;
        if (ToolbarDocked(c))
            bars += c->height;
        else if (c->typ != WIN_TOOLBAR) {
            others++;
            others_h += c->height;
        }
    }
    // Menu bars first, then the other top toolbars, then the work area, then the bottom ones.
    for (int pass = 0; pass < 2; pass++)
        for (int i = 0; i < parent->nchild; i++) {
            WINDAT *c = parent->child[i];
            if (!ToolbarDocked(c)) continue;
            if ((pass == 0 && c->state != 1) || (pass == 1 && c->state <= 1)) continue;
            WinMove(c, 0, y);
            y += c->height;
        }
    if (others > 0) {
        // A toolbar docked after the work area takes its room from it.
        int share = (parent->height - bars - others_h) / others;
        for (int i = 0; i < parent->nchild; i++) {
            WINDAT *c = parent->child[i];
            if (!c || c->typ == WIN_TOOLBAR) continue;
            // The work area spans the window, whatever width it had before.
            c->width = std::max(1, parent->width - 2 * c->border);
            c->height = std::max(1, c->height + share);
            WinMoveResizeWindow(c, 0, y, c->width, c->height);
            WinChildResize(c);
            y += c->height;
        }
    }
    int bottom = parent->height;
    for (int i = parent->nchild - 1; i >= 0; i--) {
        WINDAT *c = parent->child[i];
        if (!ToolbarDocked(c) || c->state >= 0) continue;
        bottom -= c->height;
        WinMove(c, 0, bottom);
    }
    return 0;
}

// Lets the content's buttons flow into rows as wide as the content.
static void ToolbarFlow(WINDAT *content) {
    int x = 0, y = 0, row = 0;
    for (int i = 0; i < content->nchild; i++) {
        WINDAT *b = content->child[i];
        if (!b) continue;
        int w = b->space[WIN_SIDE_LEFT] + b->width + b->space[WIN_SIDE_RIGHT];
        int h = b->space[WIN_SIDE_TOP] + b->height + b->space[WIN_SIDE_BOTTOM];
        if (x > 0 && x + w > content->width) {
            x = 0;
            y += row;
            row = 0;
        }
        WinMove(b, x + b->space[WIN_SIDE_LEFT], y + b->space[WIN_SIDE_TOP]);
        x += w;
        if (h > row) row = h;
    }
}

int ToolbarResize(WINDAT *toolbar) {
    if (!toolbar) return WIN_ERROR_ARG;
    if (!toolbar->status) {
        WINDAT *parent = toolbar->usr.parent;
        if (!parent) return WIN_ERROR_PARENT;
        toolbar->width = parent->width;
        WinResize(toolbar, toolbar->width, toolbar->height);
        WinChildResize(toolbar);
        WinPaint(toolbar);
        return 0;
    }
    if (toolbar->state != 1 && toolbar->state != 2) return -1;
    WINDAT *grip = WinChildFindTypState(toolbar, WIN_BTN, BTN_GRIP);
    if (!grip) return WIN_ERROR_CHILD;
    if (toolbar->height < 2 * grip->height) return -1;
    WINDAT *content = nullptr;
    for (int i = 0; i < toolbar->nchild && !content; i++) {
        WINDAT *c = toolbar->child[i];
        if (c && c != grip) content = c;
    }
    if (content) {
        XWindowAttributes a;
        int cx = WinGetAttrib(content, &a) == 0 ? a.x : 0;
        content->width = toolbar->width - cx - content->space[WIN_SIDE_RIGHT];
        content->height =
            toolbar->height - content->space[WIN_SIDE_TOP] - content->space[WIN_SIDE_BOTTOM] - 2;
        if (content->width < 1) content->width = 1;
        if (content->height < 1) content->height = 1;
        WinResize(content, content->width, content->height);
        ToolbarFlow(content);
    }
    WinPaint(toolbar);
    return -1;
}
