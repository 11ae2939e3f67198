#include "widgets/xscroll.h"

#include "base/allg.h"
#include "base/lg.h"
#include "base/settings.h"
#include "toolkit/xbase.h"
#include "toolkit/xcolor.h"
#include "toolkit/xevent.h"
#include "toolkit/xinit.h"
#include "toolkit/xtools.h"
#include "toolkit/xwinfunc.h"
#include "widgets/xbtn.h"
#include "widgets/xbtnsym.h"
#include "widgets/xedit.h"
#include "widgets/xlist.h"
#include "widgets/xpaint.h"
#include "widgets/xstatus.h"

#include <algorithm>

static bool IsArrow(int typ) {
    return typ >= WIN_SCROLLBTN_LEFT && typ <= WIN_SCROLLBTN_DOWN;
}

static bool IsBar(const WINDAT *w) {
    return w && (w->typ == WIN_SCROLLX || w->typ == WIN_SCROLLY);
}

static WINDAT *Slot(WINDAT *w, int slot) {
    return w ? reinterpret_cast<WINDAT *>(WinUSRStringArrayValueGet(w, slot)) : nullptr;
}

static void SlotSet(WINDAT *w, int slot, WINDAT *p) {
    WinUSRStringArrayValueSet(w, slot, reinterpret_cast<char *>(p));
}

// 0 for the horizontal bar, 1 for the vertical one.
static int BarAxis(const WINDAT *bar) {
    return bar->typ == WIN_SCROLLY ? 1 : 0;
}

static int TrackLength(const WINDAT *track, int axis) {
    return axis ? track->height : track->width;
}

// The content a bar scrolls, or null for a free-standing bar.
static WINDAT *BarContent(WINDAT *bar) {
    WINDAT *c = Slot(bar, SCROLL_SLOT_CONTENT);
    return c && !IsArrow(c->typ) ? c : nullptr;
}

WINDAT *ScrollBarGetTrack(WINDAT *bar) {
    return IsBar(bar) ? Slot(bar, SCROLL_SLOT_TRACK) : nullptr;
}

int ScrollBarGetValue(WINDAT *bar, int slot) {
    return bar ? WinUSRIntArrayValueGet(bar, slot) : -15;
}
int ScrollBarSetValue(WINDAT *bar, int slot, int value) {
    return bar ? WinUSRIntArrayValueSet(bar, slot, value) : -15;
}
int ScrollBarGetMin(WINDAT *bar) {
    return ScrollBarGetValue(bar, SCROLL_MIN);
}
int ScrollBarSetMin(WINDAT *bar, int v) {
    return ScrollBarSetValue(bar, SCROLL_MIN, v);
}
int ScrollBarGetCur(WINDAT *bar) {
    return ScrollBarGetValue(bar, SCROLL_CUR);
}
int ScrollBarGetMax(WINDAT *bar) {
    return ScrollBarGetValue(bar, SCROLL_MAX);
}
int ScrollBarSetMax(WINDAT *bar, int v) {
    return ScrollBarSetValue(bar, SCROLL_MAX, v);
}
int ScrollBarSetSlx(WINDAT *bar, int v) {
    return ScrollBarSetValue(bar, SCROLL_SLX, v);
}
int ScrollBarSetSly(WINDAT *bar, int v) {
    return ScrollBarSetValue(bar, SCROLL_SLY, v);
}
int ScrollBarSetSlw(WINDAT *bar, int v) {
    return ScrollBarSetValue(bar, SCROLL_SLW, v);
}
int ScrollBarSetSlh(WINDAT *bar, int v) {
    return ScrollBarSetValue(bar, SCROLL_SLH, v);
}

static int SliderPos(WINDAT *bar, int axis) {
    return ScrollBarGetValue(bar, axis ? SCROLL_SLY : SCROLL_SLX);
}
static int SliderLen(WINDAT *bar, int axis) {
    return ScrollBarGetValue(bar, axis ? SCROLL_SLH : SCROLL_SLW);
}
static void SliderStore(WINDAT *bar, int axis, int pos, int len) {
    ScrollBarSetValue(bar, axis ? SCROLL_SLY : SCROLL_SLX, pos);
    ScrollBarSetValue(bar, axis ? SCROLL_SLH : SCROLL_SLW, len);
}

int ScrollBarSetCur(WINDAT *bar, int v) {
    if (!IsBar(bar)) return WIN_ERROR_ARG;
    int min = ScrollBarGetMin(bar), max = ScrollBarGetMax(bar);
    ScrollBarSetValue(bar, SCROLL_CUR, v);
    if (max <= min) return WIN_ERROR_ARG;
    WINDAT *track = ScrollBarGetTrack(bar);
    if (!track) return WIN_ERROR_CHILD;
    return ScrollSliderSetPos(v - min, max - min, BarAxis(bar), bar, track);
}

// Other widgets keep texts in their slots: only a scroll window's are windows.
static WINDAT *ScrollSlot(WINDAT *scroll, int slot) {
    return scroll && scroll->typ == WIN_SCROLLM ? Slot(scroll, slot) : nullptr;
}
WINDAT *ScrollGetScrollWnd(WINDAT *scroll) {
    return ScrollSlot(scroll, SCROLL_SLOT_CONTENT);
}
WINDAT *ScrollGetScrollX(WINDAT *scroll) {
    return ScrollSlot(scroll, SCROLL_SLOT_X);
}
WINDAT *ScrollGetScrollY(WINDAT *scroll) {
    return ScrollSlot(scroll, SCROLL_SLOT_Y);
}
WINDAT *ScrollGetStatus(WINDAT *scroll) {
    return ScrollSlot(scroll, SCROLL_SLOT_STATUS);
}
WINDAT *ScrollGetToolbar(WINDAT *scroll) {
    return ScrollSlot(scroll, SCROLL_SLOT_TOOLS);
}

// The scroll window a content window lives in, or null.
static WINDAT *ContentScroll(WINDAT *content) {
    WINDAT *p = content ? content->usr.parent : nullptr;
    return p && p->typ == WIN_SCROLLM ? p : nullptr;
}

// ---- event handlers

static int ScrollBtnEvPress(WINDAT *btn) {
    return ScrollBtnPress(btn);
}
static int ScrollBtnEvRelease(WINDAT *btn) {
    return ScrollBtnRelease(btn);
}

static void ScrollEvInit() {
    static WINEVHANDLER arrow = {ScrollBtnEvPress, ScrollBtnEvRelease, nullptr, nullptr, nullptr,
                                 nullptr};
    arrow.repeat = SCROLL_REPEAT_MS;
    for (int t = WIN_SCROLLBTN_LEFT; t <= WIN_SCROLLBTN_DOWN; t++)
        WinEvHandlerSet(t, &arrow);
    static const WINEVHANDLER track = {ScrollSliderPress, nullptr, nullptr,
                                       nullptr,           nullptr, nullptr};
    WinEvHandlerSet(WIN_SCROLLSLUX, &track);
    WinEvHandlerSet(WIN_SCROLLSLUY, &track);
}

// ---- creation

WINDAT *ScrollMainCreate(WINDAT *parent, int x, int y, WINTYP *typ, const WINNEIGHBOR *nb,
                         const char *name) {
    if (!parent || !typ || !nb) return nullptr;
    WINTYP t = *typ;
    t.typ = WIN_SCROLLM;
    if (!t.func[WIN_FUNC_RESIZE]) t.func[WIN_FUNC_RESIZE] = ResizeScrollWnd;
    WINDAT *c = WinCreate(parent, x, y, &t, nb, name ? name : "scm", fontfs_text);
    if (!c) return nullptr;
    WinSelectInput(c->usr.display, c->window, ExposureMask | StructureNotifyMask);
    WinSetFuncIntClose(c, ScrollMainFuncIntClose);
    if (WinUSRStringArrayCreate(c, SCROLLM_SLOTS) != 0) {
        WinClose(c);
        return nullptr;
    }
    return c;
}

WINDAT *ScrollBtnCreate(WINDAT *parent, int x, int y, WINTYP *typ, const WINNEIGHBOR *nb,
                        const char *name, WINFUNC mouse, int btntyp) {
    if (!parent || !typ || !nb || !IsArrow(btntyp)) return nullptr;
    ScrollEvInit();
    WINTYP t = *typ;
    t.typ = btntyp;
    t.func[WIN_FUNC_EXPOSE] = ExposeScrollBtn;
    t.func[WIN_FUNC_MOUSE] = mouse;
    WINDAT *b = WinCreate(parent, x, y, &t, nb, name, fontfs_btn);
    if (!b) return nullptr;
    WinSelectInput(b->usr.display, b->window, ButtonPressMask | ButtonReleaseMask | ExposureMask);
    return b;
}

static WINTYP ScrollTyp(const WINDAT *parent, int w, int h) {
    WINTYP t{};
    t.fg = fg_scroll;
    t.bg = bg_scroll;
    t.width = w < 1 ? 1 : w;
    t.height = h < 1 ? 1 : h;
    t.language = parent->language;
    return t;
}

// A bar of `length` along `axis` with optional arrow buttons and the track between them.
static WINDAT *ScrollBarCreate(WINDAT *parent, int x, int y, int length, int axis, WINFUNC mouse,
                               int withbtns, const WINTYP *own) {
    int thick = sp_scroll;
    WINTYP t = own ? *own : ScrollTyp(parent, axis ? thick : length, axis ? length : thick);
    t.typ = axis ? WIN_SCROLLY : WIN_SCROLLX;
    t.func[WIN_FUNC_EXPOSE] = ExposeScrollBar;
    WINNEIGHBOR nb{};
    WINDAT *bar = WinCreate(parent, x, y, &t, &nb, axis ? "scy" : "scx", fontfs_text);
    if (!bar) return nullptr;
    WinSelectInput(bar->usr.display, bar->window, ExposureMask);
    WinSetFuncIntClose(bar, ScrollBarFuncIntClose);
    if (WinUSRStringArrayCreate(bar, SCROLL_BAR_SLOTS) != 0 ||
        WinUSRIntArrayCreate(bar, SCROLL_BAR_INTS) != 0) {
        WinClose(bar);
        return nullptr;
    }
    int len = axis ? bar->height : bar->width;
    int bw = thick - 4;
    WINTYP bt = ScrollTyp(parent, bw, bw);
    WINDAT *b1 = nullptr, *b2 = nullptr;
    if (withbtns) {
        b1 = ScrollBtnCreate(bar, 2, 2, &bt, &nb, axis ? "scby" : "scbx", mouse,
                             axis ? WIN_SCROLLBTN_UP : WIN_SCROLLBTN_LEFT);
        b2 = ScrollBtnCreate(bar, axis ? 2 : len - bw - 2, axis ? len - bw - 2 : 2, &bt, &nb,
                             axis ? "scby2" : "scbx2", mouse,
                             axis ? WIN_SCROLLBTN_DOWN : WIN_SCROLLBTN_RIGHT);
        if (!b1 || !b2) {
            WinClose(bar);
            return nullptr;
        }
    }
    int off = withbtns ? bw + 2 : 2;
    int tlen = withbtns ? len - 2 * bw - 4 : len - 4;
    WINTYP tt = ScrollTyp(parent, axis ? thick - 4 : tlen, axis ? tlen : thick - 4);
    tt.state = BASE_FIXED;
    tt.func[WIN_FUNC_EXPOSE] = ExposeScrollSlider;
    WINDAT *track =
        BaseCreate(bar, axis ? 2 : off, axis ? off : 2, &tt, &nb, axis ? "slyb" : "slxb");
    if (!track) {
        WinClose(bar);
        return nullptr;
    }
    ScrollEvInit();
    track->typ = axis ? WIN_SCROLLSLUY : WIN_SCROLLSLUX;
    WinSelectInput(track->usr.display, track->window,
                   ButtonPressMask | ButtonReleaseMask | ExposureMask);
    SlotSet(bar, SCROLL_SLOT_CONTENT, b1);
    SlotSet(bar, SCROLL_SLOT_TRACK, track);
    SlotSet(bar, SCROLL_SLOT_BTN2, b2);
    ScrollBarSetSlw(bar, track->width);
    ScrollBarSetSlh(bar, track->height);
    return bar;
}

WINDAT *ScrollBarXCreate(WINDAT *parent, WINFUNC mouse) {
    if (!parent) return nullptr;
    int reserve = ScrollGetToolbar(parent) ? SCROLL_TOOLS_W : sp_scroll;
    WINDAT *status = ScrollGetStatus(parent);
    int sh = status ? status->height : 0;
    return ScrollBarCreate(parent, 0, parent->height - sh - sp_scroll, parent->width - reserve, 0,
                           mouse, 1, nullptr);
}

WINDAT *ScrollBarYCreate(WINDAT *parent, WINFUNC mouse) {
    if (!parent) return nullptr;
    WINDAT *status = ScrollGetStatus(parent);
    int sh = status ? status->height : 0;
    return ScrollBarCreate(parent, parent->width - sp_scroll, 0, parent->height - sh - sp_scroll, 1,
                           mouse, 1, nullptr);
}

WINDAT *ScrollBarUsrXCreate(WINDAT *parent, WINTYP *typ, const WINNEIGHBOR *nb, WINFUNC mouse,
                            int withbtns) {
    if (!parent || !typ || !nb) return nullptr;
    WINTYP t = *typ;
    t.height = sp_scroll;
    t.func[WIN_FUNC_RESIZE] = ScrollBarUsrXSliderResize;
    t.func[WIN_FUNC_MOUSE] = mouse;
    WINDAT *bar = ScrollBarCreate(parent, nb->space[WIN_SIDE_LEFT], nb->space[WIN_SIDE_TOP],
                                  t.width, 0, mouse, withbtns, &t);
    if (!bar) return nullptr;
    WinSetFuncResize(bar, ScrollBarUsrXSliderResize);
    WinSetFuncMouse(bar, mouse);
    return bar;
}

// Re-places the arrows and track of a bar whose length changed.
static int ScrollBarLayout(WINDAT *bar) {
    int axis = BarAxis(bar);
    int len = axis ? bar->height : bar->width;
    WINDAT *b1 = nullptr;
    for (int i = 0; i < bar->nchild; i++)
        if (bar->child[i] && IsArrow(bar->child[i]->typ) && bar->child[i] != Slot(bar, 3))
            b1 = bar->child[i];
    WINDAT *b2 = Slot(bar, SCROLL_SLOT_BTN2);
    WINDAT *track = ScrollBarGetTrack(bar);
    if (!track) return WIN_ERROR_CHILD;
    int bw1 = b1 ? (axis ? b1->height : b1->width) : 0;
    int bw2 = b2 ? (axis ? b2->height : b2->width) : 0;
    if (b2) {
        if (axis)
            WinMove(b2, 2, len - bw2 - 2);
        else
            WinMove(b2, len - bw2 - 2, 2);
    }
    int tlen = std::max(1, len - bw1 - bw2 - 4);
    int off = b1 ? bw1 + 2 : 2;
    // The window calls leave the record's size to us.
    if (axis)
        track->height = tlen;
    else
        track->width = tlen;
    WinMoveResizeWindow(track, axis ? 2 : off, axis ? off : 2, track->width, track->height);
    return 0;
}

int ScrollBarUsrXSliderResize(WINDATUSR *rec) {
    if (!rec || !rec->win) return WIN_ERROR_NOWINDOW;
    WINDAT *bar = rec->win;
    WINDAT *parent = bar->usr.parent;
    if (parent) {
        int w = parent->width - bar->space[WIN_SIDE_LEFT] - bar->space[WIN_SIDE_RIGHT];
        if (w > 0) WinResize(bar, w, bar->height);
    }
    ScrollBarLayout(bar);
    return ScrollSliderUpdate(ScrollBarGetTrack(bar), nullptr);
}

WINDAT *ScrollWndCreate(WINDAT *parent, int x, int y, WINTYP *typ, const WINNEIGHBOR *nb,
                        const char *name, WINFUNC mouse, int kind, int notools, int withstatus,
                        int statusarg) {
    if (!parent || !typ || !nb) return nullptr;
    if (kind != WIN_LIST && kind != WIN_PAINT && kind != WIN_BASE && kind != WIN_EDIT_TXT)
        return nullptr;
    WINTYP t = *typ;
    // The window with its margins and borders fits the parent.
    int maxw =
        parent->width - x - nb->space[WIN_SIDE_LEFT] - nb->space[WIN_SIDE_RIGHT] - 2 * t.border;
    int maxh =
        parent->height - y - nb->space[WIN_SIDE_TOP] - nb->space[WIN_SIDE_BOTTOM] - 2 * t.border;
    t.width = std::min(t.width, maxw);
    t.height = std::min(t.height, maxh);
    WINDAT *c = ScrollMainCreate(parent, x, y, &t, nb, name);
    if (!c) return nullptr;
    ToolkitLockGuard guard;
    WINNEIGHBOR none{};
    if (withstatus && kind != WIN_BASE) {
        WINTYP st = ScrollTyp(c, c->width, StatusGetHeight());
        st.fg = fg_status;
        st.bg = bg_status;
        WINDAT *status = StatusCreate(c, &st, nullptr, STATUS_BOTTOM, statusarg);
        if (!status) {
            WinClose(c);
            return nullptr;
        }
        SlotSet(c, SCROLL_SLOT_STATUS, status);
    }
    if (kind == WIN_PAINT && !notools) {
        WINDAT *status = ScrollGetStatus(c);
        int sh = status ? status->height : 0;
        WINTYP gt = ScrollTyp(c, SCROLL_TOOLS_W, sp_scroll);
        gt.fg = fg_form;
        gt.bg = bg_form;
        WINDAT *group = WinCreate(c, c->width - SCROLL_TOOLS_W, c->height - sh - sp_scroll, &gt,
                                  &none, "sbtn", fontfs_text);
        if (!group) {
            WinClose(c);
            return nullptr;
        }
        group->typ = WIN_SYMBOL_GROUP;
        SlotSet(c, SCROLL_SLOT_TOOLS, group);
        static const int rows[5] = {60, 59, 57, 58, 56};
        static const int tools[5] = {PAINT_TOOL_NAVIGATOR, PAINT_TOOL_BACKWARD, PAINT_TOOL_PLAY,
                                     PAINT_TOOL_FORWARD, PAINT_TOOL_STOP};
        for (int i = 0; i < 5; i++) {
            WINTYP bt = ScrollTyp(c, SCROLL_TOOL_BTN, SCROLL_TOOL_BTN);
            bt.fg = fg_form;
            bt.bg = bg_form;
            WINDAT *b = BtnSymCreate(group, i * SCROLL_TOOL_BTN, 0, &bt, &none,
                                     LgRes(rows[i], c->language), PaintImgTools, tools[i]);
            if (!b) {
                WinClose(c);
                return nullptr;
            }
            WinSetStatus(b, i);
            WinSetDisable(b, 1, 0);
        }
    }
    WINDAT *vbar = ScrollBarYCreate(c, mouse);
    WINDAT *hbar = vbar ? ScrollBarXCreate(c, mouse) : nullptr;
    if (!vbar || !hbar) {
        WinClose(c);
        return nullptr;
    }
    SlotSet(c, SCROLL_SLOT_X, hbar);
    SlotSet(c, SCROLL_SLOT_Y, vbar);
    WINDAT *status = ScrollGetStatus(c);
    int sh = status ? status->height : 0;
    int cw = c->width - vbar->width - 2 * t.border;
    int ch = c->height - hbar->height - sh - 2 * t.border;
    WINTYP ct = ScrollTyp(c, cw, ch);
    ct.mouseleft = t.mouseleft;
    ct.mouseright = t.mouseright;
    WINDAT *content = nullptr;
    switch (kind) {
    case WIN_PAINT:
        ct.fg = fg_paint;
        ct.bg = bg_paint;
        content = PaintCreate(c, 0, 0, &ct, &none, "scp");
        break;
    case WIN_BASE:
        ct.fg = c->fg;
        ct.bg = c->bg;
        ct.state = BASE_FIXED;
        content = BaseCreate(c, 0, 0, &ct, &none, "scb");
        break;
    case WIN_LIST:
        ct.fg = fg_list;
        ct.bg = bg_list;
        content = ListCreate(c, 0, 0, &ct, &none, "scl");
        break;
    default:
        ct.fg = fg_edit;
        ct.bg = bg_edit;
        content = EditCreate(c, 0, 0, &ct, &none, "edit");
        break;
    }
    if (!content) {
        WinClose(c);
        return nullptr;
    }
    SlotSet(c, SCROLL_SLOT_CONTENT, content);
    SlotSet(hbar, SCROLL_SLOT_CONTENT, content);
    SlotSet(vbar, SCROLL_SLOT_CONTENT, content);
    if (kind == WIN_PAINT && status) PaintWndStatusSet(content, status);
    ScrollWndResize(c);
    return c;
}

// ---- ranges and sliders

int ScrollWndInitMax(WINDAT *scroll, int maxx, int maxy) {
    if (!scroll) return WIN_ERROR_ARG;
    WINDAT *bars[2] = {ScrollGetScrollX(scroll), ScrollGetScrollY(scroll)};
    int maxv[2] = {maxx, maxy};
    for (int a = 0; a < 2; a++) {
        WINDAT *bar = bars[a];
        WINDAT *track = ScrollBarGetTrack(bar);
        if (!bar || !track) return WIN_ERROR_CHILD;
        ScrollBarSetMin(bar, 0);
        ScrollBarSetValue(bar, SCROLL_CUR, 0);
        SliderStore(bar, a, 0, TrackLength(track, a));
        ScrollBarSetMax(bar, maxv[a]);
        ScrollSliderUpdate(track, nullptr);
    }
    return 0;
}

int ScrollWndUpdateMaxFromChild(WINDAT *content, int maxx, int maxy) {
    WINDAT *scroll = ContentScroll(content);
    if (!scroll) return WIN_ERROR_PARENT;
    int r = ScrollWndInitMax(scroll, maxx, maxy);
    if (r) return r;
    return ScrollWndUpdateFromChild(content);
}

int ScrollWndUpdateFromChild(WINDAT *content) {
    WINDAT *scroll = ContentScroll(content);
    if (!scroll) return WIN_ERROR_PARENT;
    WINDAT *bars[2] = {ScrollGetScrollX(scroll), ScrollGetScrollY(scroll)};
    for (WINDAT *bar : bars) {
        WINDAT *track = ScrollBarGetTrack(bar);
        if (!track) return WIN_ERROR_CHILD;
        ScrollSliderUpdate(track, content);
    }
    return 0;
}

// The image view's rule: the shown part against the zoomed size.
static bool SliderRulePaint(WINDAT *bar, WINDAT *content, int axis, int len, int *pos, int *sl) {
    if (content->state == PAINT_SINGLE) {
        int total = PaintCalcImageScrollSize(content, axis);
        if (total < 1) return false;
        PAINTIMG *e = PaintImgGet(content, content->img_current);
        int shown = axis ? content->height : content->width;
        if (e && e->fi.ximage) shown = axis ? e->fi.ximage->height : e->fi.ximage->width;
        if (shown >= total) {
            *sl = len, *pos = 0;
            return true;
        }
        *sl = static_cast<int>(static_cast<float>(shown) * len / total);
        if (*sl < 2) *sl = 4;
        if (*sl > len) *sl = len;
        int off = axis ? PaintXImageGetPosY(content) : PaintXImageGetPosX(content);
        *pos = static_cast<int>(static_cast<long>(off) * len / total);
        return true;
    }
    (void)bar;
    if (!axis) {
        *sl = len, *pos = 0;
        return true;
    }
    int count = content->img_count;
    int perpage = PaintImgPaintMaxGet(content);
    if (count > 0 && PaintImgHGetMax(content) > content->height && perpage < count) {
        PaintImgCurSelectSet(content, 0);
        PaintImgCurFirstSet(content, 0);
        *sl = perpage * len / count;
        if (*sl < 2) *sl = 4;
    } else {
        PaintImgCurFirstSet(content, 0);
        *sl = len;
    }
    *pos = 0;
    return true;
}

// A list's rule: the rows shown against all entries, the window against the widest entry.
static bool SliderRuleList(WINDAT *list, int axis, int len, int *pos, int *sl) {
    if (axis) {
        int count = ListEntryGetEntryMax(list), eh = ListEntryGetSizeY(list);
        if (count > 0 && count * eh >= list->height) {
            *sl = (list->height / eh) * len / count;
            if (*sl < 1) *sl = 2;
            *pos = static_cast<int>(static_cast<long>(ListEntryGetPosY(list)) * len / count);
        } else {
            *sl = len, *pos = 0;
        }
        return true;
    }
    int widest = ListEntryGetStrXMax(list);
    if (widest > list->width) {
        *sl = static_cast<int>(static_cast<long>(len) * 100 / widest);
        if (*sl < 2) *sl = 4;
        *pos = static_cast<int>(static_cast<long>(ListEntryGetPosX(list)) * len / widest);
    } else {
        *sl = len, *pos = 0;
    }
    return true;
}

// Largest right (bottom) edge of a base window's children, margins included.
static int BaseExtent(WINDAT *content, int axis) {
    int ext = 0;
    for (int i = 0; i < content->nchild; i++) {
        WINDAT *ch = content->child[i];
        if (!ch) continue;
        XWindowAttributes a;
        if (WinGetAttrib(ch, &a) != 0) continue;
        int e = axis ? a.y + ch->height + 2 * ch->border + ch->space[WIN_SIDE_BOTTOM]
                     : a.x + ch->width + 2 * ch->border + ch->space[WIN_SIDE_RIGHT];
        ext = std::max(ext, e);
    }
    return ext;
}

int ScrollSliderUpdate(WINDAT *track, WINDAT *content) {
    if (!track) return WIN_ERROR_ARG;
    WINDAT *bar = track->usr.parent;
    if (!IsBar(bar)) return WIN_ERROR_CHILD;
    int axis = BarAxis(bar);
    int len = TrackLength(track, axis);
    if (!content) content = BarContent(bar);
    int pos = SliderPos(bar, axis), sl = SliderLen(bar, axis);
    bool rule = false;
    if (content && content->typ == WIN_LIST) {
        rule = SliderRuleList(content, axis, len, &pos, &sl);
    } else if (content && content->typ == WIN_PAINT) {
        rule = SliderRulePaint(bar, content, axis, len, &pos, &sl);
    } else if (content && content->typ == WIN_BASE) {
        int ext = BaseExtent(content, axis);
        int view = axis ? content->height : content->width;
        if (ext > view) {
            sl = std::max(4, view * len / ext);
            pos = ScrollBarGetCur(bar) * len / ext;
        } else {
            sl = len, pos = 0;
        }
        rule = true;
    }
    int r = 0;
    if (!rule) {
        int range = ScrollBarGetMax(bar) - ScrollBarGetMin(bar);
        if (range <= 0) {
            sl = len;
            r = -15;
        } else {
            sl = len / range;
            if (sl < 2) sl = 4;
        }
        pos = 0;
        // A free-standing bar keeps its slider where its value is.
        if (!content && range > 0 && len > sl)
            pos = static_cast<int>(static_cast<long>(ScrollBarGetCur(bar) - ScrollBarGetMin(bar)) *
                                   (len - sl) / range);
    }
    sl = std::min(sl, len);
    if (pos < 0) pos = 0;
    if (pos + sl > len) pos = len - sl;
    SliderStore(bar, axis, pos, sl);
    ScrollBarSetValue(bar, axis ? SCROLL_SLX : SCROLL_SLY, 0);
    ScrollBarSetValue(bar, axis ? SCROLL_SLW : SCROLL_SLH, axis ? track->width : track->height);
    ScrollSliderPaint(track);
    return r;
}

int ScrollSliderSetPos(int value, int total, int axis, WINDAT *bar, WINDAT *track) {
    if (!bar || !track || total <= 0) return WIN_ERROR_ARG;
    int len = TrackLength(track, axis);
    int pos = static_cast<int>(static_cast<float>(len) * value / total);
    if (pos == SliderPos(bar, axis)) return 0;
    if (pos < 0 || pos + SliderLen(bar, axis) > len) return -1;
    ScrollBarSetValue(bar, axis ? SCROLL_SLY : SCROLL_SLX, pos);
    return ScrollSliderPaint(track);
}

// ---- scrolling the content

// Moves the children of a base window by the bars' current values.
static int ScrollWndResizeWinBase(WINDAT *scroll, WINDAT *content) {
    int dx = ScrollBarGetCur(ScrollGetScrollX(scroll));
    int dy = ScrollBarGetCur(ScrollGetScrollY(scroll));
    int y = 0;
    for (int i = 0; i < content->nchild; i++) {
        WINDAT *ch = content->child[i];
        if (!ch) continue;
        y += ch->space[WIN_SIDE_TOP];
        WinMove(ch, ch->space[WIN_SIDE_LEFT] - dx, y - dy);
        y += ch->height + 2 * ch->border + ch->space[WIN_SIDE_BOTTOM];
    }
    return 0;
}

static int ImageViewOffsetSet(WINDAT *view, int axis, int off) {
    return axis ? PaintXImageSetPosY(view, off) : PaintXImageSetPosX(view, off);
}

static int ThumbStep(WINDAT *bar, WINDAT *view, int dir) {
    int count = view->img_count;
    if (count < 1) return WIN_ERROR_NOIMAGE;
    int sel = std::clamp(PaintImgCurSelectGet(view) + dir, 0, count - 1);
    PaintImgCurSelectSet(view, sel);
    int page = PaintImgPaintMaxGet(view);
    int first = PaintImgCurFirstGet(view);
    int nfirst = first;
    if (page <= 1)
        nfirst = sel;
    else if (sel < first || sel >= first + page)
        nfirst = sel < first ? sel : sel - page + 1;
    nfirst = std::clamp(nfirst, 0, std::max(0, count - page));
    PaintImgCurFirstSet(view, nfirst);
    if (nfirst != first) WinClearWindow(view);
    ScrollBarSetValue(bar, SCROLL_CUR, sel * ScrollBarGetMax(bar) / count);
    WINDAT *track = ScrollBarGetTrack(bar);
    int len = TrackLength(track, 1);
    int sl = SliderLen(bar, 1);
    int pos = count > 1 ? nfirst * len / count : 0;
    SliderStore(bar, 1, std::min(pos, len - sl), sl);
    ScrollSliderPaint(track);
    WinPaint(view);
    return 0;
}

// One arrow step of a list: a row, or the width of the sample text.
static int StepList(WINDAT *bar, WINDAT *list, int axis, int dir) {
    WINDAT *track = ScrollBarGetTrack(bar);
    if (SliderLen(bar, axis) >= TrackLength(track, axis)) return -1;
    int cur;
    if (axis) {
        int rows = ListEntryGetRows(list), count = ListEntryGetEntryMax(list);
        cur = ListEntryGetPosY(list) + dir;
        if (cur < 0 || (dir > 0 && cur + rows > count)) return -1;
        ListEntrySetPosY(list, cur);
    } else {
        int step = WinGetTextWidth(fontfs_list, WIN_TEXT_SAMPLE, 0);
        int x = ListEntryGetPosX(list), min = ScrollBarGetMin(bar);
        if (dir < 0) {
            if (x <= min) return -1;
            cur = std::max(min, x - step);
        } else {
            if (x + step + list->width > ListEntryGetStrXMax(list)) return -1;
            cur = x + step;
        }
        ListEntrySetPosX(list, cur);
    }
    ScrollBarSetValue(bar, SCROLL_CUR, cur);
    ScrollSliderUpdate(track, list);
    ListPaint(list);
    return 0;
}

// The slider of a list moved: the list follows in proportion.
static int DragList(WINDAT *bar, WINDAT *list, int axis, int npos, int len) {
    int min = ScrollBarGetMin(bar), max = ScrollBarGetMax(bar);
    if (max <= min) return WIN_ERROR_ARG;
    int cur = static_cast<int>(static_cast<long>(npos) * max / len);
    if (axis) {
        int rows = ListEntryGetRows(list), count = ListEntryGetEntryMax(list);
        cur = std::clamp(cur, 0, std::max(0, count - rows));
        ListEntrySetPosY(list, cur);
    } else {
        cur = std::clamp(cur, 0, std::max(0, ListEntryGetStrXMax(list) - list->width));
        ListEntrySetPosX(list, cur);
    }
    ScrollBarSetValue(bar, SCROLL_CUR, cur);
    ListPaint(list);
    return 0;
}

int ScrollBtnPress(WINDAT *btn) {
    if (!btn || !IsArrow(btn->typ)) return WIN_ERROR_ARG;
    WINDAT *bar = btn->usr.parent;
    if (!IsBar(bar)) return WIN_ERROR_PARENT;
    WINDAT *track = ScrollBarGetTrack(bar);
    if (!track) return WIN_ERROR_CHILD;
    lastEventTime[0] = btn->usr.evmouse.xbutton.time;
    if (!btn->select) WinSetSelect(btn, 1, 1);
    int axis = BarAxis(bar);
    int dir = btn->typ == WIN_SCROLLBTN_LEFT || btn->typ == WIN_SCROLLBTN_UP ? -1 : 1;
    int len = TrackLength(track, axis);
    WINDAT *content = BarContent(bar);
    if (content && content->typ == WIN_LIST) return StepList(bar, content, axis, dir);
    if (content && content->typ == WIN_PAINT && content->state != PAINT_SINGLE)
        return axis ? ThumbStep(bar, content, dir) : -1;
    if (SliderLen(bar, axis) >= len) return -1;
    int min = ScrollBarGetMin(bar), max = ScrollBarGetMax(bar);
    if (content && content->typ == WIN_PAINT) {
        PAINTIMG *e = PaintImgGet(content, content->img_current);
        if (!e || !e->fi.ximage) return WIN_ERROR_MEMORY;
        int shown = axis ? e->fi.ximage->height : e->fi.ximage->width;
        int total = PaintCalcImageScrollSize(content, axis);
        int off = axis ? PaintXImageGetPosY(content) : PaintXImageGetPosX(content);
        if (dir < 0 && off > min)
            off--;
        else if (dir > 0 && shown + off < total)
            off++;
        else
            return -1;
        ImageViewOffsetSet(content, axis, off);
        ScrollBarSetValue(bar, SCROLL_CUR, off);
        ScrollSliderSetPos(off, total, axis, bar, track);
        WinPaint(content);
    } else if (content && content->typ == WIN_BASE) {
        int size = axis ? content->height : content->width;
        int cur = std::clamp(ScrollBarGetCur(bar) + dir, min, std::max(min, max - size));
        ScrollBarSetValue(bar, SCROLL_CUR, cur);
        ScrollWndResizeWinBase(content->usr.parent, content);
        ScrollSliderUpdate(track, content);
    } else {
        if (max <= min) return WIN_ERROR_ARG;
        int cur = std::clamp(ScrollBarGetCur(bar) + dir, min, max);
        ScrollBarSetValue(bar, SCROLL_CUR, cur);
        ScrollSliderUpdate(track, nullptr);
        if (bar->func[WIN_FUNC_MOUSE]) WinFuncMouse(bar);
    }
    return 0;
}

// Thumbnails in the grid's first row as it is laid out from its first cell.
static int ThumbColumns(WINDAT *view) {
    int n = 0, x = 0;
    for (int i = PaintImgCurFirstGet(view); i < view->img_count; i++) {
        int cw = PaintImgWGet(view, i);
        if (x > 0 && x + cw > view->width) break;
        x += cw + PAINT_THUMB_GAP;
        n++;
    }
    return std::max(n, 1);
}

// The grid moves by `rows` rows. The selection stays: it is what the properties and the context
// menu speak of, and the arrow keys bring it back into view.
static int ThumbScrollRows(WINDAT *bar, WINDAT *view, int rows) {
    int count = view->img_count;
    if (count < 1) return -24;
    int cols = ThumbColumns(view), page = PaintImgPaintMaxGet(view);
    int first = PaintImgCurFirstGet(view);
    // The last page starts on a row of the grid whose first row starts at 0.
    int last = count > page ? (count - page + cols - 1) / cols * cols : 0;
    int nfirst = std::clamp(first + rows * cols, 0, std::max(0, last));
    if (nfirst == first) return -1;
    PaintImgCurFirstSet(view, nfirst);
    WinClearWindow(view);
    ScrollBarSetValue(bar, SCROLL_CUR, nfirst * ScrollBarGetMax(bar) / count);
    WINDAT *track = ScrollBarGetTrack(bar);
    int len = TrackLength(track, 1);
    int sl = SliderLen(bar, 1);
    SliderStore(bar, 1, std::min(nfirst * len / count, len - sl), sl);
    ScrollSliderPaint(track);
    WinPaint(view);
    return 0;
}

int ScrollWheel(WINDAT *content, int dir) {
    WINDAT *scroll = ContentScroll(content);
    WINDAT *bar = scroll ? ScrollGetScrollY(scroll) : nullptr;
    if (!bar || (dir != 1 && dir != -1)) return WIN_ERROR_ARG;
    bool list = content->typ == WIN_LIST;
    bool thumbs = content->typ == WIN_PAINT && content->state != PAINT_SINGLE;
    if (!list && !thumbs) return WIN_ERROR_TYPE;
    if (thumbs) return ThumbScrollRows(bar, content, 3 * dir);
    int r = -1;
    for (int i = 0; i < 3; i++) {
        int step = list ? StepList(bar, content, 1, dir) : ThumbStep(bar, content, dir);
        if (step != 0) break;
        r = 0;
    }
    return r;
}

int ScrollBtnRelease(WINDAT *btn) {
    if (!btn) return WIN_ERROR_ARG;
    WinSetSelect(btn, 0, 1);
    return 0;
}

int ScrollSliderUndergrdPress(WINDAT *track, int px, int py, int drag) {
    if (!track) return WIN_ERROR_ARG;
    WINDAT *bar = track->usr.parent;
    if (!IsBar(bar)) return WIN_ERROR_CHILD;
    int axis = BarAxis(bar);
    int len = TrackLength(track, axis);
    int p = axis ? py : px;
    int pos = SliderPos(bar, axis), sl = SliderLen(bar, axis);
    WINDAT *content = BarContent(bar);
    if (content && content->typ == WIN_PAINT && PaintImgExist(content) < 0)
        return WIN_ERROR_NOIMAGE;
    int min = ScrollBarGetMin(bar), max = ScrollBarGetMax(bar);
    if (!drag) {
        // A press outside the slider centres it on the pointer; on it, the grab point stays.
        int grab = p >= pos && p < pos + sl ? p - pos : sl / 2;
        ScrollBarSetValue(bar, axis ? SCROLL_GRABY : SCROLL_GRABX, grab);
    }
    int grab = ScrollBarGetValue(bar, axis ? SCROLL_GRABY : SCROLL_GRABX);
    int npos = std::clamp(p - grab, 0, std::max(0, len - sl));
    ScrollBarSetValue(bar, axis ? SCROLL_SLY : SCROLL_SLX, npos);
    ScrollSliderPaint(track);
    if (len < 1) return WIN_ERROR_ARG;
    if (content && content->typ == WIN_LIST) return DragList(bar, content, axis, npos, len);
    if (content && content->typ == WIN_PAINT) {
        if (content->state == PAINT_SINGLE) {
            int total = PaintCalcImageScrollSize(content, axis);
            PAINTIMG *e = PaintImgGet(content, content->img_current);
            int shown = e && e->fi.ximage ? (axis ? e->fi.ximage->height : e->fi.ximage->width) : 0;
            int off = static_cast<int>(static_cast<long>(npos) * total / len);
            // The slider's end is the image's end.
            if (npos + sl >= len) off = total - shown;
            off = std::clamp(off, 0, std::max(0, total - shown));
            ImageViewOffsetSet(content, axis, off);
            ScrollBarSetValue(bar, SCROLL_CUR, off);
        } else if (axis && content->img_count > 0) {
            int first = npos * content->img_count / len;
            int page = PaintImgPaintMaxGet(content);
            first = std::clamp(first, 0, std::max(0, content->img_count - page));
            if (first != PaintImgCurFirstGet(content)) WinClearWindow(content);
            PaintImgCurFirstSet(content, first);
        }
        WinPaint(content);
        return 0;
    }
    if (max <= min) return WIN_ERROR_ARG;
    if (content && content->typ == WIN_BASE) {
        ScrollBarSetValue(bar, SCROLL_CUR, static_cast<int>(static_cast<long>(npos) * max / len));
        ScrollWndResizeWinBase(content->usr.parent, content);
        return 0;
    }
    // A free-standing bar runs from its minimum at the left to its maximum at the right end.
    int span = std::max(1, len - sl);
    ScrollBarSetValue(bar, SCROLL_CUR,
                      min + static_cast<int>(static_cast<long>(npos) * (max - min) / span));
    if (bar->func[WIN_FUNC_MOUSE]) WinFuncMouse(bar);
    return 0;
}

int ScrollSliderPress(WINDAT *track) {
    if (!track) return WIN_ERROR_ARG;
    Display *d = track->usr.display;
    Window xw = track->window;
    int r = ScrollSliderUndergrdPress(track, track->usr.evmouse.xbutton.x,
                                      track->usr.evmouse.xbutton.y, 0);
    if (r != 0) return r;
    int lastx = track->usr.evmouse.xbutton.x, lasty = track->usr.evmouse.xbutton.y;
    for (;;) {
        Window root, child;
        int rx, ry, wx, wy;
        unsigned int mask = 0;
        XFlush(d);
        if (!XQueryPointer(d, xw, &root, &child, &rx, &ry, &wx, &wy, &mask)) break;
        if (!(mask & Button1Mask)) break;
        if (wx != lastx || wy != lasty) {
            ScrollSliderUndergrdPress(track, wx, wy, 1);
            lastx = wx, lasty = wy;
        }
        // Poll the pointer without holding the toolkit or a core.
        int depth = ToolkitLockRelease();
        SetTimer(10);
        ToolkitLockRestore(depth);
        if (WinFind(xw) != track) return 0;
    }
    return 0;
}

// ---- painting

int ScrollBarPaint(WINDAT *bar) {
    if (!bar) return WIN_ERROR_ARG;
    if (!bar->gc) return WIN_ERROR_GC;
    XSetForeground(bar->usr.display, bar->gc, bar->bg);
    WinDraw3dRect(bar, 0, 0, bar->width - 1, bar->height - 1, WIN_3D_FLAT, 1);
    return 0;
}

int ScrollSliderPaint(WINDAT *track) {
    if (!track) return WIN_ERROR_ARG;
    if (!track->gc) return WIN_ERROR_GC;
    WINDAT *bar = track->usr.parent;
    if (!IsBar(bar)) return WIN_ERROR_CHILD;
    int x = ScrollBarGetValue(bar, SCROLL_SLX), y = ScrollBarGetValue(bar, SCROLL_SLY);
    int w = ScrollBarGetValue(bar, SCROLL_SLW), h = ScrollBarGetValue(bar, SCROLL_SLH);
    Display *d = track->usr.display;
    XClearWindow(d, track->window);
    if (w <= 0 || h <= 0) return -1;
    XSetForeground(d, track->gc, bg_btn);
    XFillRectangle(d, track->window, track->gc, x, y, static_cast<unsigned>(w),
                   static_cast<unsigned>(h));
    WinDraw3dRect(track, x, y, w - 1, h - 1, WIN_3D_RAISED, 1);
    XSetForeground(d, track->gc, fg_scroll);
    return 0;
}

int CalcArrow(int w, int h, int dir, XPoint out[10]) {
    if (!out || w < 5 || h < 5 || dir < 1 || dir > 4) return WIN_ERROR_ARG;
    // Drawn pointing up in a square box, then turned.
    int s = std::min(w, h) - 4;
    int ox = (w - s) / 2, oy = (h - s) / 2;
    int m = s / 2, q = s / 4;
    const int up[10][2] = {{m, 0}, {s, m}, {s - q, m}, {s - q, s}, {q, s},
                           {q, m}, {0, m}, {m, 0},     {m, 0},     {m, 0}};
    for (int i = 0; i < 10; i++) {
        int u = up[i][0], v = up[i][1], x = u, y = v;
        if (dir == 4) x = u, y = s - v;
        if (dir == 2) x = v, y = u;
        if (dir == 3) x = s - v, y = u;
        out[i].x = static_cast<short>(ox + x);
        out[i].y = static_cast<short>(oy + y);
    }
    return 0;
}

int ScrollBtnPaint(WINDAT *btn) {
    if (!btn) return WIN_ERROR_ARG;
    if (!btn->gc) return WIN_ERROR_GC;
    Display *d = btn->usr.display;
    XClearWindow(d, btn->window);
    WinDraw3dRect(btn, 0, 0, btn->width - 1, btn->height - 1,
                  btn->select ? WIN_3D_SUNKEN : WIN_3D_RAISED, std::max(1, btn->border));
    static const int dirs[4] = {2, 1, 3, 4}; // left, up, right, down
    XPoint pts[10];
    if (CalcArrow(btn->width, btn->height, dirs[btn->typ - WIN_SCROLLBTN_LEFT], pts) == 0) {
        XSetForeground(d, btn->gc, fg_scroll);
        XFillPolygon(d, btn->window, btn->gc, pts, 10, Nonconvex, CoordModeOrigin);
    }
    XSetForeground(d, btn->gc, fg_scroll);
    return 0;
}

// ---- layout

int ScrollWndResize(WINDAT *scroll) {
    if (!scroll) return WIN_ERROR_ARG;
    WINDAT *parent = scroll->usr.parent;
    if (!parent) return WIN_ERROR_PARENT;
    ToolkitLockGuard guard;
    int pw = parent->width, ph = parent->height;
    int w = scroll->width, h = scroll->height;
    int mx = scroll->space[WIN_SIDE_LEFT] + scroll->space[WIN_SIDE_RIGHT] + 2 * scroll->border;
    int my = scroll->space[WIN_SIDE_TOP] + scroll->space[WIN_SIDE_BOTTOM] + 2 * scroll->border;
    switch (scroll->state) {
    case 0:
        w = pw - mx, h = ph - my;
        break;
    case 1:
        w = pw / 2 - mx, h = ph - my;
        break;
    case 2:
        w = pw - mx, h = ph / 2 - my;
        break;
    case 3:
        w = pw / 2 - mx, h = ph / 2 - my;
        break;
    case 4:
        w = pw - mx;
        break;
    case 5:
        h = ph - my;
        break;
    default:
        break;
    }
    // The bars and tool buttons need room; a squeezed window keeps its size.
    w = std::max(w, SCROLL_TOOLS_W + 2 * sp_scroll);
    h = std::max(h, 3 * sp_scroll);
    if (w != scroll->width || h != scroll->height) {
        scroll->width = w, scroll->height = h;
        WinResize(scroll, w, h);
    }
    WINDAT *status = ScrollGetStatus(scroll);
    int sh = 0;
    if (status) {
        sh = status->height + status->space[WIN_SIDE_BOTTOM];
        WinMoveResizeWindow(status, 0, h - status->height, w, status->height);
        status->width = w;
        WinFuncResize(status);
    }
    WINDAT *hbar = ScrollGetScrollX(scroll), *vbar = ScrollGetScrollY(scroll);
    WINDAT *tools = ScrollGetToolbar(scroll);
    WINDAT *content = ScrollGetScrollWnd(scroll);
    int vw = vbar ? vbar->width : 0, hh = hbar ? hbar->height : 0;
    if (tools) WinMove(tools, w - tools->width, h - sh - hh);
    if (hbar) {
        int hw = w - (tools ? tools->width : vw);
        hbar->width = hw;
        WinMoveResizeWindow(hbar, 0, h - sh - hh, hw, hh);
        ScrollBarLayout(hbar);
    }
    if (vbar) {
        vbar->height = h - sh - hh;
        WinMoveResizeWindow(vbar, w - vw, 0, vw, vbar->height);
        ScrollBarLayout(vbar);
    }
    if (content) {
        int cw = w - vw - content->space[WIN_SIDE_LEFT] - content->space[WIN_SIDE_RIGHT] -
                 2 * content->border;
        int ch = h - sh - hh - content->space[WIN_SIDE_TOP] - content->space[WIN_SIDE_BOTTOM] -
                 2 * content->border;
        cw = std::max(cw, 1), ch = std::max(ch, 1);
        bool changed = cw != content->width || ch != content->height;
        content->width = cw, content->height = ch;
        WinResize(content, cw, ch);
        if (content->typ == WIN_BASE)
            ScrollWndResizeWinBase(scroll, content);
        else if (changed)
            WinFuncResize(content);
    }
    for (WINDAT *bar : {hbar, vbar})
        if (WINDAT *track = ScrollBarGetTrack(bar)) ScrollSliderUpdate(track, content);
    return 0;
}

int ResizeScrollWnd(WINDATUSR *rec) {
    if (!rec || !rec->win) return WIN_ERROR_NOWINDOW;
    return ScrollWndResize(rec->win);
}

int ExposeScrollBtn(WINDATUSR *rec) {
    if (!rec || !rec->win) return WIN_ERROR_NOWINDOW;
    return ScrollBtnPaint(rec->win);
}

int ExposeScrollSlider(WINDATUSR *rec) {
    if (!rec || !rec->win) return WIN_ERROR_NOWINDOW;
    return ScrollSliderPaint(rec->win);
}

int ExposeScrollBar(WINDATUSR *rec) {
    if (!rec || !rec->win) return WIN_ERROR_NOWINDOW;
    return ScrollBarPaint(rec->win);
}

int ScrollMainFuncIntClose(WINDATUSR *rec) {
    if (!rec || !rec->win) return WIN_ERROR_NOWINDOW;
    return WinUSRStringArrayRemove(rec->win);
}

int ScrollBarFuncIntClose(WINDATUSR *rec) {
    if (!rec || !rec->win) return WIN_ERROR_NOWINDOW;
    WinUSRStringArrayRemove(rec->win);
    return WinUSRIntArrayRemove(rec->win);
}
