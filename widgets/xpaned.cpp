#include "widgets/xpaned.h"

#include "base/settings.h"
#include "toolkit/xbase.h"
#include "toolkit/xcolor.h"
#include "toolkit/xevent.h"
#include "toolkit/xinit.h"
#include "toolkit/xwinfunc.h"

#include <X11/cursorfont.h>
#include <algorithm>

static bool SideBySide(const WINDAT *paned) {
    return paned && paned->typ == WIN_PANED_HORIZ;
}

static WINDAT *SashPane(WINDAT *sash, int slot) {
    return reinterpret_cast<WINDAT *>(WinUSRStringArrayValueGet(sash, slot));
}

// A sash moves by the way the pointer went between press and release, wherever on the sash or
// its grip the drag began.
static int pressRootX = 0, pressRootY = 0;

static int PanedSashPress(WINDAT *w) {
    pressRootX = w->usr.evmouse.xbutton.x_root;
    pressRootY = w->usr.evmouse.xbutton.y_root;
    return 0;
}

static int PanedSashRelease(WINDAT *w) {
    const XButtonEvent &b = w->usr.evmouse.xbutton;
    WINDAT *grip = w->typ == WIN_PANEDXM ? w : WinChildFindTyp(w, WIN_PANEDXM);
    return PanedResizeBtn(grip, b.x_root - pressRootX, b.y_root - pressRootY);
}

static void PanedEvInit() {
    static const WINEVHANDLER h = {PanedSashPress, PanedSashRelease, nullptr,
                                   nullptr,        nullptr,          nullptr};
    WinEvHandlerSet(WIN_PANEDXM, &h);
    WinEvHandlerSet(WIN_PANEDX, &h);
}

WINDAT *PanedCreate(WINDAT *parent, int x, int y, WINTYP *typ, const WINNEIGHBOR *nb,
                    const char *name) {
    if (!parent || !typ || !nb) return nullptr;
    if (typ->typ != WIN_PANED_VERT && typ->typ != WIN_PANED_HORIZ) return nullptr;
    WINTYP t = *typ;
    if (!t.func[WIN_FUNC_RESIZE]) t.func[WIN_FUNC_RESIZE] = ResizePaned;
    return WinCreate(parent, x, y, &t, nb, name, fontfs_text);
}

WINDAT *PanedBtnCreate(WINDAT *sash) {
    if (!sash) return nullptr;
    PanedEvInit();
    bool h = sash->state == 0;
    WINTYP t{};
    t.fg = fg_form;
    t.bg = bg_btn;
    t.width = h ? sp_paned - 4 : sp_paned_b * 3;
    t.height = h ? sp_paned_b * 3 : sp_paned - 4;
    t.typ = WIN_PANEDXM;
    t.language = sash->language;
    WINNEIGHBOR nb{};
    WINDAT *grip = WinCreate(sash, (sash->width - t.width) / 2, (sash->height - t.height) / 2, &t,
                             &nb, "pxb", fontfs_text);
    if (!grip) return nullptr;
    WinSelectInput(grip->usr.display, grip->window,
                   ButtonPressMask | ButtonReleaseMask | ExposureMask);
    // Shapes 108 and 116: double arrows across the sash.
    grip->cursor = CursorCreate(grip->usr.display, h ? XC_sb_h_double_arrow : XC_sb_v_double_arrow);
    CursorSet(grip, grip->cursor);
    return grip;
}

// The last pane of a paned window (its children alternate pane, sash, pane ...).
static WINDAT *LastPane(WINDAT *paned) {
    for (int i = paned->nchild - 1; i >= 0; i--)
        if (paned->child[i] && paned->child[i]->typ != WIN_PANEDX) return paned->child[i];
    return nullptr;
}

static bool Geometry(WINDAT *w, int *x, int *y) {
    XWindowAttributes a;
    if (!w || WinGetAttrib(w, &a) != 0) return false;
    *x = a.x, *y = a.y;
    return true;
}

WINDAT *PanedCreateChild(WINDAT *paned, int x, int y, WINTYP *typ, const WINNEIGHBOR *nb,
                         const char *name, int kind) {
    if (!paned || !typ || !nb) return nullptr;
    bool h = SideBySide(paned);
    WINDAT *prev = LastPane(paned);
    WINDAT *sash = nullptr;
    WINNEIGHBOR none{};
    if (prev) {
        int px = 0, py = 0;
        Geometry(prev, &px, &py);
        WINTYP st{};
        st.fg = fg_form;
        st.bg = bg_form;
        st.typ = WIN_PANEDX;
        st.state = h ? 0 : 1;
        st.width = h ? sp_paned : paned->width;
        st.height = h ? paned->height : sp_paned;
        st.language = paned->language;
        int sx = h ? px + prev->width + 2 * prev->border + prev->space[WIN_SIDE_RIGHT] : 0;
        int sy = h ? 0 : py + prev->height + 2 * prev->border + prev->space[WIN_SIDE_BOTTOM];
        sash = WinCreate(paned, sx, sy, &st, &none, h ? "px" : "py", fontfs_text);
        if (!sash) return nullptr;
        WinSelectInput(sash->usr.display, sash->window,
                       ButtonPressMask | ButtonReleaseMask | ExposureMask);
        sash->cursor =
            CursorCreate(sash->usr.display, h ? XC_sb_h_double_arrow : XC_sb_v_double_arrow);
        CursorSet(sash, sash->cursor);
        if (WinUSRStringArrayCreate(sash, 2) != 0 || !PanedBtnCreate(sash)) {
            WinClose(sash);
            return nullptr;
        }
        WinSetFuncIntClose(sash, WinFuncIntCloseSimple);
        WinUSRStringArrayValueSet(sash, 1, reinterpret_cast<char *>(prev));
        if (h)
            x += sx + sp_paned;
        else
            y += sy + sp_paned;
    }
    WINTYP t = *typ;
    if (kind > 0) t.typ = kind;
    int margins = nb->space[WIN_SIDE_LEFT] + nb->space[WIN_SIDE_RIGHT] + 2 * t.border;
    // The new pane is narrowed until it fits beside the sash.
    if (h)
        while (t.width > nb->space[WIN_SIDE_LEFT] && x + t.width + margins > paned->width)
            t.width--;
    WINDAT *pane = t.typ == WIN_BASE ? BaseCreate(paned, x, y, &t, nb, name)
                                     : WinCreate(paned, x, y, &t, nb, name, fontfs_text);
    if (!pane) {
        if (sash) WinClose(sash);
        return nullptr;
    }
    if (sash) WinUSRStringArrayValueSet(sash, 2, reinterpret_cast<char *>(pane));
    return pane;
}

int PanedResizeBtn(WINDAT *grip, int dx, int dy) {
    if (!grip) return WIN_ERROR_ARG;
    WINDAT *sash = grip->usr.parent;
    if (!sash || sash->typ != WIN_PANEDX) return WIN_ERROR_PARENT;
    WINDAT *paned = sash->usr.parent;
    WINDAT *prev = SashPane(sash, 1), *next = SashPane(sash, 2);
    if (!paned || !prev || !next) return WIN_ERROR_CHILD;
    ToolkitLockGuard guard;
    bool h = SideBySide(paned);
    int d = h ? dx : dy;
    int *ps = h ? &prev->width : &prev->height;
    int *ns = h ? &next->width : &next->height;
    int pm = h ? prev->space[WIN_SIDE_LEFT] + prev->space[WIN_SIDE_RIGHT]
               : prev->space[WIN_SIDE_TOP] + prev->space[WIN_SIDE_BOTTOM];
    int nm = h ? next->space[WIN_SIDE_LEFT] + next->space[WIN_SIDE_RIGHT]
               : next->space[WIN_SIDE_TOP] + next->space[WIN_SIDE_BOTTOM];
    // No pane becomes thinner than a sash.
    if (d < 0) d = std::max(d, -(*ps - sp_paned - pm));
    if (d > 0) d = std::min(d, *ns - sp_paned - nm);
    if (d == 0) return 0;
    int px = 0, py = 0, nx = 0, ny = 0;
    Geometry(prev, &px, &py);
    Geometry(next, &nx, &ny);
    *ps += d;
    *ns -= d;
    WinResize(prev, prev->width, prev->height);
    if (h) {
        WinMove(sash, px + prev->width + 2 * prev->border + prev->space[WIN_SIDE_RIGHT], 0);
        WinMoveResizeWindow(next, nx + d, ny, next->width, next->height);
    } else {
        WinMove(sash, 0, py + prev->height + 2 * prev->border + prev->space[WIN_SIDE_BOTTOM]);
        WinMoveResizeWindow(next, nx, ny + d, next->width, next->height);
    }
    WinChildResize(prev);
    WinChildResize(next);
    return 0;
}

int PanedResize(WINDAT *paned) {
    if (!paned) return WIN_ERROR_ARG;
    int g[4];
    if (WinResizeCalc(paned, g) == 0 && g[2] > 0 && g[3] > 0) {
        paned->width = g[2], paned->height = g[3];
        WinMoveResizeWindow(paned, g[0], g[1], g[2], g[3]);
    }
    bool h = SideBySide(paned);
    auto len = [h](const WINDAT *c) { return h ? c->width : c->height; };
    auto margins = [h](const WINDAT *c) {
        return (h ? c->space[WIN_SIDE_LEFT] + c->space[WIN_SIDE_RIGHT]
                  : c->space[WIN_SIDE_TOP] + c->space[WIN_SIDE_BOTTOM]) +
               2 * c->border;
    };
    // Along the axis the panes keep their share of the room the sashes leave, the last taking
    // the rounding; across the axis every child fills the window.
    WINDAT *last = LastPane(paned);
    int fixed = 0, flex = 0;
    for (int i = 0; i < paned->nchild; i++)
        if (WINDAT *c = paned->child[i]) {
            fixed += margins(c) + (c->typ == WIN_PANEDX ? len(c) : 0);
            if (c->typ != WIN_PANEDX) flex += len(c);
        }
    int room = std::max(0, (h ? paned->width : paned->height) - fixed);
    int pos = 0, given = 0;
    for (int i = 0; i < paned->nchild; i++) {
        WINDAT *c = paned->child[i];
        if (!c) continue;
        int along = len(c);
        if (c->typ != WIN_PANEDX && flex > 0) {
            along = c == last ? room - given
                              : static_cast<int>(static_cast<long long>(along) * room / flex);
            along = std::max(1, along);
            given += along;
        }
        int w = h ? along : paned->width - margins(c);
        int ht =
            h ? paned->height - c->space[WIN_SIDE_TOP] - c->space[WIN_SIDE_BOTTOM] - 2 * c->border
              : along;
        pos += h ? c->space[WIN_SIDE_LEFT] : c->space[WIN_SIDE_TOP];
        int x = h ? pos : c->space[WIN_SIDE_LEFT], y = h ? c->space[WIN_SIDE_TOP] : pos;
        pos += along + 2 * c->border + (h ? c->space[WIN_SIDE_RIGHT] : c->space[WIN_SIDE_BOTTOM]);
        if (w < 1 || ht < 1) continue;
        c->width = w, c->height = ht;
        WinMoveResizeWindow(c, x, y, w, ht);
        if (c->typ == WIN_PANEDX) {
            for (int k = 0; k < c->nchild; k++)
                if (WINDAT *grip = c->child[k])
                    WinMove(grip, (w - grip->width) / 2, (ht - grip->height) / 2);
        } else {
            WinChildResize(c);
        }
    }
    return 0;
}

int ResizePaned(WINDATUSR *rec) {
    if (!rec || !rec->win) return WIN_ERROR_NOWINDOW;
    return PanedResize(rec->win);
}

int PanedChildFill(WINDATUSR *rec) {
    if (!rec || !rec->win || rec->win->nchild < 1 || !rec->win->child[0]) return 0;
    WINDAT *pane = rec->win, *c = pane->child[0];
    int w = pane->width - 2 * c->border, h = pane->height - 2 * c->border;
    if (w < 1 || h < 1) return 0;
    c->width = w, c->height = h;
    WinResize(c, w, h);
    return WinFuncResize(c);
}
