#include "widgets/xstatus.h"

#include "base/lg.h"
#include "base/settings.h"
#include "base/xmem.h"
#include "render/io_xpm.h"
#include "render/ximage.h"
#include "resources/symbols.h"
#include "toolkit/xbase.h"
#include "toolkit/xcolor.h"
#include "toolkit/xtools.h"
#include "toolkit/xwinfunc.h"
#include "widgets/xlabel.h"

#include <algorithm>
#include <cstring>

enum { STATUS_SLOTS = 4 };
// Slots after the four fixed panes hold the named fields' panes.
enum { STATUS_ALL_SLOTS = STATUS_SLOTS + STATUS_FIELDS };

static WINDAT *StatusSlot(WINDAT *status, int slot) {
    if (!status || WinUSRStringArrayExist(status) != 0) return nullptr;
    return reinterpret_cast<WINDAT *>(WinUSRStringArrayValueGet(status, slot));
}

int StatusGetHeight() {
    return WinGetTextHeight(fontfs_status, WIN_TEXT_SAMPLE, 0) + 4;
}

static int ExposeStatusPane(WINDATUSR *rec) {
    if (!rec || !rec->win) return WIN_ERROR_NOWINDOW;
    return StatusStatPaint(rec->win);
}

static int StatusPaneIntClose(WINDATUSR *rec) {
    if (!rec || !rec->win) return WIN_ERROR_NOWINDOW;
    auto icon = static_cast<XImage *>(rec->win->img_list);
    if (icon) WinFreeXImage(icon);
    rec->win->img_list = nullptr;
    rec->win->img_count = 0;
    return 0;
}

// Pane widths of a layout from the paned width w; 0 means the pane does not exist.
static void StatusLayout(int layout, int w, int widths[STATUS_SLOTS]) {
    int s = sp_paned, q = w / 4;
    memset(widths, 0, STATUS_SLOTS * sizeof(int));
    switch (layout) {
    case 0:
        widths[0] = w;
        break;
    case 1:
    case 4:
        widths[1] = q * 3;
        break;
    case 2:
    case 5:
        widths[1] = widths[2] = q * 3 / 2 - s;
        break;
    case 3:
    case 6:
        widths[1] = widths[2] = widths[3] = q - s;
        break;
    default:
        break;
    }
    if (layout >= 1 && layout <= 3) widths[0] = q - s;
}

static bool FieldShown(const WINDAT *pane) {
    return pane && !pane->unvisible && pane->label && *pane->label;
}

static int StatusTextWidth(const char *text) {
    return WinGetTextWidth(fontfs_status, text, static_cast<int>(strlen(text))) + 12;
}

// True when a pane changed its size (and so its neighbours may have moved).
static bool StatusPlacePanes(WINDAT *status) {
    int layout = status->usr.i;
    WINDAT *paned = WinChildFindTyp(status, WIN_BASE);
    if (!paned) return false;
    int widths[STATUS_ALL_SLOTS] = {};
    StatusLayout(layout, paned->width, widths);
    // The fields' room comes from the last message pane.
    int fields = 0;
    for (int slot = STATUS_SLOTS + 1; slot <= STATUS_ALL_SLOTS; slot++) {
        WINDAT *pane = StatusSlot(status, slot);
        if (!FieldShown(pane)) continue;
        widths[slot - 1] = pane->width;
        fields += pane->width + sp_paned;
    }
    for (int slot = STATUS_SLOTS; slot >= 2 && fields > 0; slot--)
        if (widths[slot - 1] > 0) {
            widths[slot - 1] = std::max(1, widths[slot - 1] - fields);
            break;
        }
    // An idle progress pane lends a message the room its text lacks, so that a pixel readout
    // beside the view's fields is read whole.
    WINDAT *bar = StatusSlot(status, 1);
    for (int slot = 2; slot <= STATUS_SLOTS && bar && bar->status < 1 && widths[0] > 1; slot++) {
        WINDAT *msg = StatusSlot(status, slot);
        if (!msg || widths[slot - 1] < 1 || !msg->label || !*msg->label) continue;
        int lend = std::min(StatusTextWidth(msg->label) - widths[slot - 1], widths[0] - 1);
        if (lend > 0) widths[0] -= lend, widths[slot - 1] += lend;
    }
    bool changed = false;
    int x = 0;
    for (int slot = 1; slot <= STATUS_ALL_SLOTS; slot++) {
        WINDAT *pane = StatusSlot(status, slot);
        if (!pane || (slot > STATUS_SLOTS && !FieldShown(pane))) continue;
        int w = widths[slot - 1] < 1 ? 1 : widths[slot - 1];
        changed = changed || pane->width != w || pane->height != paned->height;
        pane->width = w;
        pane->height = paned->height;
        WinMoveResizeWindow(pane, x, 0, w, pane->height);
        x += w + sp_paned;
    }
    return changed;
}

WINDAT *StatusCreate(WINDAT *parent, WINTYP *typ, const char *name, int placement, int layout) {
    if (!parent || !typ || layout < 0 || layout > 6) return nullptr;
    WINTYP t = *typ;
    t.typ = WIN_STATUS;
    int h = StatusGetHeight();
    int x = 0, y = 0;
    if (placement != STATUS_GEOMETRY) {
        t.width = parent->width;
        t.height = h;
        y = placement == STATUS_BOTTOM ? parent->height - h : 0;
    }
    if (!t.func[WIN_FUNC_EXPOSE]) t.func[WIN_FUNC_EXPOSE] = ExposeStatus;
    if (!t.func[WIN_FUNC_RESIZE]) t.func[WIN_FUNC_RESIZE] = ResizeStatus;
    WINNEIGHBOR nb{};
    WINDAT *status =
        WinCreate(parent, x, y, &t, &nb, name ? name : LgRes(6, t.language), fontfs_status);
    if (!status) return nullptr;
    status->status = placement;
    status->usr.i = layout;
    WinSetFuncIntClose(status, StatusFuncIntClose);
    if (WinUSRStringArrayCreate(status, STATUS_ALL_SLOTS) != 0) {
        WinClose(status);
        return nullptr;
    }
    WINTYP pt{};
    pt.fg = status->fg;
    pt.bg = status->bg;
    pt.width = status->width;
    pt.height = status->height;
    pt.state = BASE_FIXED;
    pt.language = status->language;
    WINDAT *paned = BaseCreate(status, 0, 0, &pt, &nb, "paned");
    if (!paned) {
        WinClose(status);
        return nullptr;
    }
    int widths[STATUS_SLOTS];
    StatusLayout(layout, paned->width, widths);
    for (int slot = 1; slot <= STATUS_SLOTS; slot++) {
        if (widths[slot - 1] == 0) continue;
        WINTYP q{};
        q.fg = status->fg;
        q.bg = status->bg;
        q.width = widths[slot - 1] < 1 ? 1 : widths[slot - 1];
        q.height = paned->height;
        q.language = status->language;
        WINDAT *pane;
        if (slot == 1) {
            q.typ = WIN_PROCENT;
            q.func[WIN_FUNC_EXPOSE] = ExposeStatusPane;
            pane = WinCreate(paned, 0, 0, &q, &nb, "procent", fontfs_status);
            if (pane) {
                WinSetFuncIntClose(pane, StatusPaneIntClose);
                pane->img_list =
                    ImageCreateFromDataSimple(const_cast<char **>(status_xpm), bg_sz_status);
                pane->img_count = pane->img_list ? 1 : 0;
            }
        } else {
            pane = LabelCreate(paned, 0, 0, &q, &nb, "");
        }
        if (!pane) {
            WinClose(status);
            return nullptr;
        }
        WinUSRStringArrayValueSet(status, slot, reinterpret_cast<char *>(pane));
    }
    StatusPlacePanes(status);
    return status;
}

int StatusStatPaint(WINDAT *pane) {
    if (!pane) return WIN_ERROR_ARG;
    if (!pane->gc) return WIN_ERROR_GC;
    if (pane->typ == WIN_LABEL) return LabelPaint(pane);
    Display *d = pane->usr.display;
    int w = pane->width, h = pane->height, p = pane->status;
    XClearWindow(d, pane->window);
    if (p < 1) return 0;
    int f = static_cast<int>(static_cast<long>(w) * p / 100);
    if (f > w) f = w;
    WinDraw3dLineV(pane, w - 2, 0, 0, h, WIN_3D_SUNKEN);
    auto icon = static_cast<XImage *>(pane->img_list);
    if (icon) {
        int y = icon->height < h ? (h - icon->height) / 2 : 0;
        int ih = icon->height < h ? icon->height : h;
        for (int x = 0; x < f; x++)
            XPutImage(d, pane->window, pane->gc, icon, 0, 0, x, y, 1, static_cast<unsigned>(ih));
    } else {
        XSetForeground(d, pane->gc, rg_btn3d);
        XFillRectangle(d, pane->window, pane->gc, 1, 1, static_cast<unsigned>(f),
                       static_cast<unsigned>(h > 1 ? h - 1 : 1));
        XSetForeground(d, pane->gc, pane->fg);
    }
    return 0;
}

int StatusTextPaint(WINDAT *pane) {
    if (!pane) return WIN_ERROR_ARG;
    return LabelPaint(pane);
}

int StatusPaint(WINDAT *status) {
    if (!status) return WIN_ERROR_ARG;
    for (int slot = 1; slot <= STATUS_ALL_SLOTS; slot++) {
        WINDAT *pane = StatusSlot(status, slot);
        if (pane && (slot <= STATUS_SLOTS || FieldShown(pane))) StatusStatPaint(pane);
    }
    return 0;
}

int StatusSetProc(WINDAT *status, int percent) {
    if (!status) return WIN_ERROR_ARG;
    WINDAT *pane = StatusSlot(status, 1);
    if (!pane) return WIN_ERROR_CHILD;
    bool busy = pane->status >= 1, now = percent >= 1;
    pane->status = percent;
    // A progress that starts takes back what the idle pane lent a message.
    if (busy != now && StatusPlacePanes(status)) StatusPaint(status);
    StatusStatPaint(pane);
    WinFlush(status->usr.display);
    return 0;
}

int StatusSetMsg(WINDAT *status, const char *text, int field) {
    if (!status) return WIN_ERROR_ARG;
    if (field < 1 || field > 3) return 0;
    WINDAT *pane = StatusSlot(status, field + 1);
    if (!pane) return WIN_ERROR_CHILD;
    WinSetLabel(pane, text ? text : "", 0);
    if (StatusPlacePanes(status))
        StatusPaint(status);
    else
        LabelPaint(pane);
    return 0;
}

const char *StatusGetMsg(WINDAT *status, int field) {
    WINDAT *pane = status && field >= 1 && field <= 3 ? StatusSlot(status, field + 1) : nullptr;
    return pane && pane->label ? pane->label : "";
}

static WINDAT *FieldSlot(WINDAT *status, int id) {
    return id >= 0 && id < STATUS_FIELDS ? StatusSlot(status, STATUS_SLOTS + 1 + id) : nullptr;
}

int StatusFieldSet(WINDAT *status, int id, const char *text) {
    if (!status || status->typ != WIN_STATUS || id < 0 || id >= STATUS_FIELDS) return -15;
    if (!text) text = "";
    WINDAT *pane = FieldSlot(status, id);
    if (pane && pane->label && !strcmp(pane->label, text) && FieldShown(pane) == (*text != 0))
        return 0;
    if (!*text) {
        if (!FieldShown(pane)) return 0;
        WinSetLabel(pane, "", 0);
        WinShow(pane, 0);
        StatusPlacePanes(status);
        return 0;
    }
    WINDAT *paned = WinChildFindTyp(status, WIN_BASE);
    if (!paned) return -16;
    if (!pane) {
        WINTYP q{};
        q.fg = status->fg;
        q.bg = status->bg;
        q.width = 1;
        q.height = paned->height;
        q.language = status->language;
        WINNEIGHBOR nb{};
        pane = LabelCreate(paned, 0, 0, &q, &nb, "");
        if (!pane) return -8;
        LabelStatusSet(pane, 1);
        WinUSRStringArrayValueSet(status, STATUS_SLOTS + 1 + id, reinterpret_cast<char *>(pane));
    }
    // A field only grows, so that a changing number does not shift its neighbours.
    int want = StatusTextWidth(text);
    bool moved = !FieldShown(pane) || want > pane->width;
    pane->width = std::max(pane->width, want);
    WinSetLabel(pane, text, 0);
    if (moved) {
        StatusPlacePanes(status);
        WinShow(pane, 1);
        StatusPaint(status);
    } else {
        LabelPaint(pane);
    }
    return 0;
}

const char *StatusFieldGet(WINDAT *status, int id) {
    WINDAT *pane = StatusFieldPane(status, id);
    return pane ? pane->label : "";
}

WINDAT *StatusFieldPane(WINDAT *status, int id) {
    if (!status || status->typ != WIN_STATUS) return nullptr;
    WINDAT *pane = FieldSlot(status, id);
    return FieldShown(pane) ? pane : nullptr;
}

int StatusResize(WINDAT *status) {
    if (!status) return WIN_ERROR_ARG;
    if (!status->window) return WIN_ERROR_NOWINDOW;
    if (status->typ != WIN_STATUS) return WIN_ERROR_TYPE;
    WINDAT *parent = status->usr.parent;
    if (!parent) return -1;
    int w = parent->width - 2 * status->border - status->space[WIN_SIDE_LEFT] -
            status->space[WIN_SIDE_RIGHT];
    if (w < 1) w = 1;
    status->width = w;
    if (status->status == STATUS_BOTTOM)
        WinMoveResizeWindow(status, 0, parent->height - status->height, w, status->height);
    else
        WinResize(status, w, status->height);
    WINDAT *paned = WinChildFindTyp(status, WIN_BASE);
    if (paned) {
        paned->width = w;
        WinResize(paned, w, paned->height);
    }
    StatusPlacePanes(status);
    return 0;
}

int ExposeStatus(WINDATUSR *rec) {
    if (!rec || !rec->win) return WIN_ERROR_NOWINDOW;
    return StatusPaint(rec->win);
}

int ResizeStatus(WINDATUSR *rec) {
    if (!rec || !rec->win) return WIN_ERROR_NOWINDOW;
    return StatusResize(rec->win);
}

int StatusFuncIntClose(WINDATUSR *rec) {
    if (!rec || !rec->win) return WIN_ERROR_NOWINDOW;
    return WinUSRStringArrayRemove(rec->win);
}
