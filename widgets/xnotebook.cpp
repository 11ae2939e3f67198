#include "widgets/xnotebook.h"

#include "base/settings.h"
#include "toolkit/xbase.h"
#include "toolkit/xcolor.h"
#include "toolkit/xinit.h"
#include "toolkit/xtools.h"
#include "toolkit/xwinfunc.h"
#include "widgets/xbtn.h"
#include "widgets/xlabel.h"

#include <algorithm>

// Children of the tab row, in creation order.
enum { NBROW_LEFT = 0, NBROW_BB = 1, NBROW_RIGHT = 2 };

static int NotebookRowHeight() {
    return BtnGetInitHeight(WIN_TEXT_SAMPLE, 0);
}

static int NotebookLabelHeight(WINDAT *notebook) {
    WINDAT *label = reinterpret_cast<WINDAT *>(WinUSRStringArrayValueGet(notebook, NB_SLOT_LABEL));
    return label ? label->height : 0;
}

static WINDAT *NotebookSlot(WINDAT *notebook, int slot) {
    if (!notebook || notebook->typ != WIN_NOTEBOOK) return nullptr;
    return reinterpret_cast<WINDAT *>(WinUSRStringArrayValueGet(notebook, slot));
}

static WINDAT *NbRowChild(WINDAT *row, int which) {
    return row && which < row->nchild ? row->child[which] : nullptr;
}

static WINDAT *NbRowOf(WINDAT *tab) {
    WINDAT *bb = tab ? tab->usr.parent : nullptr;
    WINDAT *row = bb ? bb->usr.parent : nullptr;
    return row && row->typ == WIN_NOTEBOOK_BTN_GROUP ? row : nullptr;
}

static WINDAT *NbNotebookOfRow(WINDAT *row) {
    WINDAT *nb = row ? row->usr.parent : nullptr;
    return nb && nb->typ == WIN_NOTEBOOK ? nb : nullptr;
}

static int NbRowGet(WINDAT *row, int slot) {
    return WinUSRIntArrayValueGet(row, slot);
}

static void NbRowSet(WINDAT *row, int slot, int v) {
    WinUSRIntArrayValueSet(row, slot, v);
}

static void NbShow(WINDAT *w, bool on) {
    if (w && (w->unvisible == 0) != on) WinShow(w, on ? 1 : 0);
}

// ---- Tab row -------------------------------------------------------------------------------

int BtnGroupNbBtnPaint(WINDAT *row) {
    if (!row) return WIN_ERROR_ARG;
    WINDAT *bb = NbRowChild(row, NBROW_BB);
    if (!bb) return WIN_ERROR_CHILD;
    int cur = NbRowGet(row, NBROW_CUR);
    for (int i = 0; i < bb->nchild; i++)
        if (bb->child[i]) WinSetSelect(bb->child[i], i == cur, 1);
    return 0;
}

static int ExposeNbRow(WINDATUSR *rec) {
    if (!rec || !rec->win) return WIN_ERROR_NOWINDOW;
    WINDAT *row = rec->win;
    if (!row->gc) return WIN_ERROR_GC;
    Display *d = row->usr.display;
    XSetForeground(d, row->gc, lg_btn3d);
    XDrawLine(d, row->window, row->gc, 0, row->height - 1, row->width, row->height - 1);
    XSetForeground(d, row->gc, row->fg);
    return 0;
}

static int ResizeNbRow(WINDATUSR *rec) {
    if (!rec || !rec->win) return WIN_ERROR_NOWINDOW;
    return BtnGroupNbBtnSetup(rec->win);
}

WINDAT *BtnGroupNbCreate(WINDAT *notebook, int x, int y, int width, int height) {
    if (!notebook) return nullptr;
    WINTYP t{};
    t.fg = notebook->fg;
    t.bg = notebook->bg;
    t.width = std::max(1, width);
    t.height = std::max(1, height);
    t.typ = WIN_NOTEBOOK_BTN_GROUP;
    t.language = notebook->language;
    t.func[WIN_FUNC_EXPOSE] = ExposeNbRow;
    t.func[WIN_FUNC_RESIZE] = ResizeNbRow;
    WINNEIGHBOR nb{};
    WINDAT *row = WinCreate(notebook, x, y, &t, &nb, "nbrow", fontfs_btn);
    if (!row) return nullptr;
    WinSetFuncIntClose(row, WinFuncIntCloseSimple);
    if (WinUSRIntArrayCreate(row, 6) != 0) {
        WinClose(row);
        return nullptr;
    }
    // Arrows are plain push buttons: they act on a click, not on a held button.
    WINTYP at{};
    at.fg = fg_btn;
    at.bg = bg_btn;
    at.width = sp_scroll;
    at.height = sp_scroll;
    at.state = BTN_PUSH;
    at.unvisible = 1;
    at.language = row->language;
    WINDAT *left = BtnCreate(row, 0, 0, &at, &nb, "<", BtnGroupBtnScrollAction);
    WINTYP bt{};
    bt.fg = row->fg;
    bt.bg = row->bg;
    bt.width = row->width;
    bt.height = row->height;
    bt.state = BASE_FIXED;
    bt.language = row->language;
    WINDAT *bb = BaseCreate(row, 0, 0, &bt, &nb, "bb");
    WINDAT *right = BtnCreate(row, 0, 0, &at, &nb, ">", BtnGroupBtnScrollAction);
    if (!left || !bb || !right) {
        WinClose(row);
        return nullptr;
    }
    left->status = 0;
    right->status = 1;
    return row;
}

WINDAT *BtnGroupNbBtnAdd(WINDAT *row, const char *label, WINFUNC action) {
    WINDAT *bb = NbRowChild(row, NBROW_BB);
    if (!bb || !label) return nullptr;
    WINTYP t{};
    t.fg = fg_btn;
    t.bg = bg_btn;
    t.width = BtnGetInitWidthReal(*label ? label : " ", 0);
    t.height = row->height;
    t.state = BTN_TAB;
    t.unvisible = 1;
    t.language = row->language;
    WINNEIGHBOR nb{};
    nb.space[WIN_SIDE_RIGHT] = 2;
    WINDAT *tab = BtnCreate(bb, 0, 0, &t, &nb, label, action);
    if (!tab) return nullptr;
    int n = NbRowGet(row, NBROW_COUNT);
    tab->status = n;
    NbRowSet(row, NBROW_COUNT, n + 1);
    return tab;
}

static int NbTabSpan(const WINDAT *tab) {
    return tab->space[WIN_SIDE_LEFT] + tab->width + tab->space[WIN_SIDE_RIGHT];
}

int NotebookTabsWidth(WINDAT *notebook) {
    if (!notebook || notebook->typ != WIN_NOTEBOOK) return 0;
    WINDAT *row = NotebookSlot(notebook, NB_SLOT_ROW);
    WINDAT *bb = row ? NbRowChild(row, NBROW_BB) : nullptr;
    if (!bb) return 0;
    int n = std::min(NbRowGet(row, NBROW_COUNT), bb->nchild), total = 0;
    for (int i = 0; i < n; i++)
        total += NbTabSpan(bb->child[i]);
    return total;
}

int BtnGroupNbBtnSetup(WINDAT *row) {
    WINDAT *left = NbRowChild(row, NBROW_LEFT), *bb = NbRowChild(row, NBROW_BB),
           *right = NbRowChild(row, NBROW_RIGHT);
    if (!left || !bb || !right) return WIN_ERROR_CHILD;
    ToolkitLockGuard guard;
    int n = std::min(NbRowGet(row, NBROW_COUNT), bb->nchild);
    int cur = std::clamp(NbRowGet(row, NBROW_CUR), 0, std::max(0, n - 1));
    int aw = sp_scroll, w = row->width, h = row->height;
    int total = 0;
    for (int i = 0; i < n; i++)
        total += NbTabSpan(bb->child[i]);
    bool scrolling = total > w;
    int first = 0, visible = n;
    if (scrolling) {
        int room = std::max(1, w - 2 * aw), sum = 0;
        visible = 0;
        while (visible < n && sum + NbTabSpan(bb->child[visible]) <= room)
            sum += NbTabSpan(bb->child[visible++]);
        visible = std::max(1, visible);
        first = cur + visible >= n ? n - visible : cur;
        bb->width = room;
        WinMoveResizeWindow(bb, aw, 0, room, h);
    } else {
        bb->width = w;
        WinMoveResizeWindow(bb, 0, 0, w, h);
    }
    bb->height = h;
    for (int i = 0, x = 0; i < n; i++) {
        WINDAT *tab = bb->child[i];
        bool shown = i >= first && i < first + visible;
        if (shown) {
            WinMove(tab, x + tab->space[WIN_SIDE_LEFT], 0);
            x += NbTabSpan(tab);
        }
        NbShow(tab, shown);
    }
    int ay = std::max(0, (h - aw) / 2);
    WinMove(left, 0, ay);
    WinMove(right, std::max(0, w - aw), ay);
    NbShow(left, scrolling && cur != NbRowGet(row, NBROW_FIRST));
    // The arrows step the current tab: the right one stays while there is a next tab, so that
    // it reaches the last tab and comes back when the left one leaves it.
    NbShow(right, scrolling && cur < n - 1);
    NbRowSet(row, NBROW_CUR, cur);
    NbRowSet(row, NBROW_FIRSTVIS, first);
    NbRowSet(row, NBROW_VISIBLE, visible);
    BtnGroupNbBtnPaint(row);
    if (WINDAT *notebook = NbNotebookOfRow(row); notebook && n > 0)
        NotebookPageSetCur(notebook, cur);
    return 0;
}

int BtnGroupBtnScrollAction(WINDATUSR *rec) {
    if (!rec || !rec->win) return WIN_ERROR_NOWINDOW;
    WINDAT *row = rec->win->usr.parent;
    if (!row || row->typ != WIN_NOTEBOOK_BTN_GROUP) return WIN_ERROR_PARENT;
    WINDAT *bb = NbRowChild(row, NBROW_BB);
    if (!bb) return WIN_ERROR_CHILD;
    int n = NbRowGet(row, NBROW_COUNT), cur = NbRowGet(row, NBROW_CUR);
    int first = NbRowGet(row, NBROW_FIRSTVIS), visible = NbRowGet(row, NBROW_VISIBLE);
    if (rec->i == 0 && cur > NbRowGet(row, NBROW_FIRST)) cur--;
    if (rec->i == 1 && cur < n - 1) cur++;
    if (cur >= first + visible) first = std::min(cur, n - visible);
    if (cur < first) first = cur;
    NbRowSet(row, NBROW_CUR, cur);
    NbRowSet(row, NBROW_FIRSTVIS, first);
    if (cur < 0 || cur >= bb->nchild) return WIN_ERROR_CHILD;
    // The tab's own update brings up its page and caption; the row follows.
    NotebookPageUpdate(bb->child[cur]);
    return BtnGroupNbBtnSetup(row);
}

// ---- Notebook ------------------------------------------------------------------------------

int NotebookFuncIntClose(WINDATUSR *rec) {
    if (!rec || !rec->win) return WIN_ERROR_NOWINDOW;
    if (rec->win->typ != WIN_NOTEBOOK) return WIN_ERROR_TYPE;
    // The pointer slots name child windows, which close on their own.
    return WinFuncIntCloseSimple(rec);
}

int ResizeNotebook(WINDATUSR *rec) {
    if (!rec || !rec->win) return WIN_ERROR_NOWINDOW;
    return NotebookResize(rec->win);
}

WINDAT *NotebookCreate(WINDAT *parent, int x, int y, WINTYP *typ, const WINNEIGHBOR *nb,
                       const char *name, int withlabel) {
    if (!parent || !typ || !nb) return nullptr;
    WINTYP t = *typ;
    t.typ = WIN_NOTEBOOK;
    t.func[WIN_FUNC_RESIZE] = ResizeNotebook;
    WINDAT *notebook = WinCreate(parent, x, y, &t, nb, name, fontfs_text);
    if (!notebook) return nullptr;
    WinSetFuncIntClose(notebook, NotebookFuncIntClose);
    if (WinUSRIntArrayCreate(notebook, 3) != 0 || WinUSRStringArrayCreate(notebook, 3) != 0) {
        WinClose(notebook);
        return nullptr;
    }
    int w = notebook->width, h = notebook->height, rowh = NotebookRowHeight();
    WINDAT *row = BtnGroupNbCreate(notebook, 0, 0, w, rowh);
    WINDAT *label = nullptr;
    WINNEIGHBOR none{};
    int lh = 0;
    if (withlabel) {
        WINTYP lt{};
        lt.fg = fg_menu;
        lt.bg = bg_menu;
        lt.width = w;
        lt.height = lh = LabelGetInitHeight(WIN_TEXT_SAMPLE, 0);
        lt.language = notebook->language;
        label = LabelCreate(notebook, 0, std::max(0, h - lh), &lt, &none, "");
        if (label) LabelStatusSet(label, 3);
    }
    WINTYP bt{};
    bt.fg = notebook->fg;
    bt.bg = notebook->bg;
    bt.width = w;
    bt.height = std::max(1, h - rowh - lh);
    bt.state = BASE_FIXED;
    bt.language = notebook->language;
    WINDAT *base = BaseCreate(notebook, 0, rowh, &bt, &none, "nbbase");
    if (!row || !base || (withlabel && !label)) {
        WinClose(notebook);
        return nullptr;
    }
    WinUSRStringArrayValueSet(notebook, NB_SLOT_ROW, reinterpret_cast<char *>(row));
    WinUSRStringArrayValueSet(notebook, NB_SLOT_BASE, reinterpret_cast<char *>(base));
    WinUSRStringArrayValueSet(notebook, NB_SLOT_LABEL, reinterpret_cast<char *>(label));
    return notebook;
}

WINDAT *NotebookWndBaseGet(WINDAT *notebook) {
    return NotebookSlot(notebook, NB_SLOT_BASE);
}

int NotebookPageGetMax(WINDAT *notebook) {
    return NotebookSlot(notebook, NB_SLOT_ROW) ? WinUSRIntArrayValueGet(notebook, NB_PAGES) : -15;
}

int NotebookPageGetCur(WINDAT *notebook) {
    return NotebookSlot(notebook, NB_SLOT_ROW) ? WinUSRIntArrayValueGet(notebook, NB_CUR) : -15;
}

int NotebookPageCreate(WINDAT *notebook, const char *label) {
    if (!notebook || !label) return WIN_ERROR_ARG;
    if (notebook->typ != WIN_NOTEBOOK) return WIN_ERROR_TYPE;
    WINDAT *row = NotebookSlot(notebook, NB_SLOT_ROW);
    WINDAT *base = NotebookWndBaseGet(notebook);
    if (!row) return WIN_ERROR_CHILD;
    if (!base) return -1;
    ToolkitLockGuard guard;
    WINDAT *tab = BtnGroupNbBtnAdd(row, label, NotebookPageBtnAction);
    if (!tab) return WIN_ERROR_CHILD;
    WINTYP t{};
    t.fg = base->fg;
    t.bg = base->bg;
    t.width = base->width;
    t.height = base->height;
    t.state = BASE_FIXED;
    t.unvisible = 1;
    t.language = notebook->language;
    WINNEIGHBOR nb{};
    WINDAT *page = BaseCreate(base, 0, 0, &t, &nb, label);
    if (!page) {
        WinClose(tab);
        NbRowSet(row, NBROW_COUNT, NbRowGet(row, NBROW_COUNT) - 1);
        return WIN_ERROR_MEMORY;
    }
    int pages = WinUSRIntArrayValueGet(notebook, NB_PAGES) + 1;
    WinUSRIntArrayValueSet(notebook, NB_PAGES, pages);
    if (pages == 1) {
        WinUSRIntArrayValueSet(notebook, NB_CUR, -1);
        NotebookPageUpdate(tab);
    }
    return BtnGroupNbBtnSetup(row);
}

int NotebookPageSetCur(WINDAT *notebook, int page) {
    if (!notebook) return WIN_ERROR_ARG;
    if (notebook->typ != WIN_NOTEBOOK) return WIN_ERROR_TYPE;
    WINDAT *next = NotebookPageGetBase(notebook, page);
    if (!next) return WIN_ERROR_CHILD;
    int prev = WinUSRIntArrayValueGet(notebook, NB_CUR);
    if (prev != -1 && prev != page) NbShow(NotebookPageGetBase(notebook, prev), false);
    NbShow(next, true);
    WinUSRIntArrayValueSet(notebook, NB_CUR, page);
    return 0;
}

int NotebookPageUpdate(WINDAT *tab) {
    if (!tab) return WIN_ERROR_ARG;
    WINDAT *row = NbRowOf(tab);
    WINDAT *notebook = NbNotebookOfRow(row);
    WINDAT *base = NotebookWndBaseGet(notebook);
    if (!notebook || !base) return WIN_ERROR_PARENT;
    ToolkitLockGuard guard;
    int page = tab->status;
    NbRowSet(row, NBROW_CUR, page);
    BtnGroupNbBtnPaint(row);
    for (int i = 0; i < base->nchild; i++)
        if (i != page) NbShow(base->child[i], false);
    NotebookPageSetCur(notebook, page);
    if (tab->label) NotebookPageLabelUpdate(notebook, tab->label);
    return 0;
}

int NotebookPageBtnAction(WINDATUSR *rec) {
    if (!rec || !rec->win) return WIN_ERROR_NOWINDOW;
    return NotebookPageUpdate(rec->win);
}

WINDAT *NotebookPageGetBase(WINDAT *notebook, int index) {
    WINDAT *base = NotebookWndBaseGet(notebook);
    if (!base || index < 0 || index >= base->nchild) return nullptr;
    return base->child[index];
}

WINDAT *NotebookPageGetBtn(WINDAT *notebook, int index) {
    WINDAT *bb = NbRowChild(NotebookSlot(notebook, NB_SLOT_ROW), NBROW_BB);
    if (!bb || index < 0) return nullptr;
    if (index < bb->nchild) return bb->child[index];
    return WinChildFindSelect(bb);
}

int NotebookPageSetBtn(WINDAT *notebook, int index) {
    WINDAT *row = NotebookSlot(notebook, NB_SLOT_ROW);
    if (!row) return WIN_ERROR_CHILD;
    NbRowSet(row, NBROW_CUR, index);
    return 0;
}

int NotebookPageLabelUpdate(WINDAT *notebook, const char *text) {
    if (!notebook || !text) return WIN_ERROR_ARG;
    WINDAT *label = NotebookSlot(notebook, NB_SLOT_LABEL);
    if (!label) return WIN_ERROR_CHILD;
    return LabelSet(label, text);
}

int NotebookResize(WINDAT *notebook) {
    if (!notebook) return WIN_ERROR_ARG;
    if (notebook->typ != WIN_NOTEBOOK) return WIN_ERROR_TYPE;
    ToolkitLockGuard guard;
    int r[4];
    if (notebook->usr.parent && WinResizeCalc(notebook, r) == 0 && r[2] > 0 && r[3] > 0) {
        notebook->width = r[2];
        notebook->height = r[3];
        WinResize(notebook, r[2], r[3]);
    }
    int w = notebook->width, h = notebook->height, rowh = NotebookRowHeight();
    int lh = NotebookLabelHeight(notebook);
    if (WINDAT *row = NotebookSlot(notebook, NB_SLOT_ROW)) {
        row->width = w;
        WinResize(row, w, row->height);
        rowh = row->height;
        BtnGroupNbBtnSetup(row);
    }
    if (WINDAT *label = NotebookSlot(notebook, NB_SLOT_LABEL)) {
        label->width = w;
        WinMoveResizeWindow(label, 0, std::max(0, h - lh), w, lh);
        LabelPaint(label);
    }
    WINDAT *base = NotebookWndBaseGet(notebook);
    if (!base) return WIN_ERROR_CHILD;
    int bh = std::max(1, h - rowh - lh);
    base->width = w;
    base->height = bh;
    WinMoveResizeWindow(base, 0, rowh, w, bh);
    for (int i = 0; i < base->nchild; i++) {
        WINDAT *page = base->child[i];
        if (!page) continue;
        page->width = w;
        page->height = bh;
        WinResize(page, w, bh);
        WinChildResize(page);
    }
    return 0;
}
