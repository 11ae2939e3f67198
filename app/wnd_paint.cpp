// Image windows, the image view's callbacks, the context menus, the DICOM panel, and the files
// given on the command line.
#include "app/wnd_paint.h"

#include "app/main.h"
#include "app/mf_album.h"
#include "app/menus.h"
#include "app/mf_file.h"
#include "app/wnd_dicom.h"
#include "base/language.h"
#include "base/lg.h"
#include "base/settings.h"
#include "base/xerror.h"
#include "base/xmem.h"
#include "dicom/io_dcmseries.h"
#include "dicom/io_dicom.h"
#include "image/io_exif.h"
#include "image/io_files.h"
#include "io/io_read.h"
#include "toolkit/xbase.h"
#include "toolkit/xcolor.h"
#include "toolkit/xinit.h"
#include "toolkit/xtools.h"
#include "toolkit/xwinfunc.h"
#include "widgets/xedit.h"
#include "widgets/xfiledirpreview.h"
#include "widgets/xfilebox.h"
#include "widgets/xlabel.h"
#include "widgets/xmenu.h"
#include "widgets/xpaint.h"
#include "widgets/xpaned.h"
#include "widgets/xscroll.h"
#include "widgets/xstatus.h"
#include "widgets/xbtnsym.h"
#include "widgets/xsymbol.h"

#include <X11/keysym.h>
#include <cmath>
#include <cstdarg>
#include <algorithm>
#include <map>
#include <set>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

std::vector<std::string> WinPaintFiles;
int WinPaintFileIndex = 0;

void DravikTrace(const char *fmt, ...) {
    static const int on = getenv("DRAVIK_TRACE") != nullptr;
    if (!on) return;
    va_list ap;
    va_start(ap, fmt);
    fputs("dravik: trace: ", stderr);
    vfprintf(stderr, fmt, ap);
    fputc('\n', stderr);
    va_end(ap);
    fflush(stderr);
}

static PAINTIMG *Current(WINDAT *view) {
    return PaintImgGet(view, view ? view->img_current : -1);
}

static WINDAT *ScrollOf(WINDAT *view) {
    WINDAT *s = view ? view->usr.parent : nullptr;
    return s && s->typ == WIN_SCROLLM ? s : nullptr;
}

static WINDAT *TopOf(WINDAT *win) {
    while (win && win->usr.parent)
        win = win->usr.parent;
    return win;
}

static int WinPaintExtIntClose(WINDATUSR *rec);
static void TitleUpdate(WINDAT *view);
// The title each window was given last, so that a paint sets it only when it changes.
static std::map<Window, std::string> titles_shown;

static void ViewCallbacksSet(WINDAT *view, int close) {
    WinSetFuncMouse(view, WinPaintFuncMouse);
    WinSetFuncExpose(view, WinPaintFuncExpose);
    WinSetFuncResize(view, WinPaintFuncResize);
    WinSetFuncStatus(view, WinPaintFuncStatus);
    if (close) WinSetFuncClose(view, WinPaintFuncClose);
}

// ---- the work area

int WorkPaint(WINDATUSR *rec) {
    (void)rec;
    return 0;
}

int WorkKey(WINDATUSR *rec) {
    (void)rec;
    return 0;
}

static int WorkResize(WINDATUSR *rec) {
    if (!rec || !rec->win) return WIN_ERROR_NOWINDOW;
    WINDAT *wrk = rec->win;
    WINDAT *paned = WinChildFindTyp(wrk, WIN_PANED_HORIZ);
    if (!paned) return WIN_ERROR_CHILD;
    paned->width = wrk->width, paned->height = wrk->height;
    WinResize(paned, paned->width, paned->height);
    return PanedResize(paned);
}

int FileBoxFuncListEntryReturn(WINDATUSR *rec) {
    if (!rec || !rec->win) return WIN_ERROR_ARG;
    WINDAT *box = FileboxFind(rec->win);
    char path[4096];
    if (FileboxGetFullPath(box, 0, path, sizeof path) != 0) return WIN_ERROR_ARG;
    struct stat st;
    if (stat(path, &st) != 0) return FileboxEntryGone(box, path);
    if (S_ISDIR(st.st_mode)) return FileboxDirEnter(box, path);
    DravikTrace("filebox open %s", path);
    return WinPaintFileboxOpen(path);
}

int WinPaintFileboxOpen(const char *path) {
    if (path && IsFileAlbum(path) == FILE_SUCCES) {
        DravikTrace("filebox album %s", path);
        int r = AlbumOpenAction(main_display, path);
        return r == 250 ? 0 : r; // 250: the window is open
    }
    return SymbolFileOpen(path);
}

int FileBoxFuncListEntryProperty(WINDATUSR *rec) {
    if (!rec || !rec->win) return WIN_ERROR_ARG;
    WINDAT *box = FileboxFind(rec->win);
    char path[4096];
    if (FileboxGetFullPath(box, 0, path, sizeof path) != 0) return WIN_ERROR_ARG;
    struct stat st;
    if (stat(path, &st) != 0) return FILE_ERROR_READ;
    WINDAT *view = FileboxWndFPreviewGet(box);
    PAINTIMG *e = view ? PaintImgGet(view, 0) : nullptr;
    if (!e || !e->fi.fbuf) return 0;
    // The toolbar describes the shown picture; a previewed file's header stays in the box.
    DICOMINFO info{};
    if (DicomInfoGet(&e->fi, &info) == 100) {
        char line[600];
        snprintf(line, sizeof line, " %s: %s  %s", LgRes(62, box->language), info.patient_name,
                 info.description);
        if (WINDAT *label = FileboxWndFDicomGet(box)) LabelSet(label, line);
        DravikTrace("filebox dicom patient=\"%s\" description=\"%s\"", info.patient_name,
                    info.description);
    }
    DicomDataRelease(&e->fi);
    e->fi.ftyp = 0;
    return 0;
}

WINDAT *WorkCreate(WINDAT *mainwindow) {
    if (!mainwindow) return nullptr;
    int top = 0;
    for (int i = 0; i < mainwindow->nchild; i++) {
        WINDAT *c = mainwindow->child[i];
        if (c && c->typ == WIN_TOOLBAR && c->status == 0) top += c->height + 2 * c->border;
    }
    WINTYP t{};
    t.fg = fg_form;
    t.bg = bg_form;
    t.width = mainwindow->width - 1;
    t.height = mainwindow->height - top;
    t.state = BASE_FIXED;
    t.language = mainwindow->language;
    t.mouseleft = mainwindow->mouseleft;
    t.mouseright = mainwindow->mouseright;
    t.func[WIN_FUNC_KEYB] = WorkKey;
    WINNEIGHBOR nb{};
    WINDAT *wrk = BaseCreate(mainwindow, 0, top, &t, &nb, "wrk");
    if (!wrk) return nullptr;
    WinSetFuncResize(wrk, WorkResize);

    WINTYP pt = t;
    pt.typ = WIN_PANED_HORIZ;
    pt.state = 0;
    pt.func[WIN_FUNC_KEYB] = nullptr;
    WINDAT *paned = PanedCreate(wrk, 0, 0, &pt, &nb, "paned");
    WINTYP ct = t;
    ct.state = BASE_FIXED;
    ct.func[WIN_FUNC_KEYB] = nullptr;
    ct.width = t.width / 3;
    WINDAT *left = paned ? PanedCreateChild(paned, 0, 0, &ct, &nb, "wpc", WIN_BASE) : nullptr;
    ct.width = t.width;
    WINDAT *right = left ? PanedCreateChild(paned, 0, 0, &ct, &nb, "wpc", WIN_BASE) : nullptr;
    if (!right) {
        WinClose(wrk);
        return nullptr;
    }
    // Each pane's one window (the file box, the view's scroll window) fills it.
    WinSetFuncResize(right, PanedChildFill);
    WinSetFuncResize(left, PanedChildFill);
    {
        WINTYP ft{};
        ft.fg = fg_form;
        ft.bg = bg_form;
        ft.width = std::max(1, left->width - 2);
        ft.height = std::max(1, left->height - 2);
        ft.language = t.language;
        ft.mouseleft = t.mouseleft;
        ft.mouseright = t.mouseright;
        char filter[8] = "*.*";
        FILEBOXOPT fo{0, FBX_PLAIN, LastPathFileOpen, filter, dlgmain[1]};
        WINDAT *box = FileboxCreate(left, 0, 0, &ft, &nb, &fo);
        if (WINDAT *list = FileboxWndFListGet(box)) {
            WinSetFuncReturn(list, FileBoxFuncListEntryReturn);
            WinSetFuncProperty(list, FileBoxFuncListEntryProperty);
        }
    }
    WINTYP st{};
    st.fg = fg_scroll;
    st.bg = bg_scroll;
    st.width = right->width;
    st.height = right->height;
    st.language = t.language;
    st.mouseleft = t.mouseleft;
    st.mouseright = t.mouseright;
    WINDAT *scroll = ScrollWndCreate(right, 0, 0, &st, &nb, "scw", nullptr, WIN_PAINT, 0, 1, 1);
    WINDAT *view = scroll ? ScrollGetScrollWnd(scroll) : nullptr;
    if (!view) {
        WinClose(wrk);
        return nullptr;
    }
    ViewCallbacksSet(view, 0);
    MainPropStrSet(1, view);
    MainPropStrSet(2, view);
    return wrk;
}

// ---- image windows

void WinPaintCalcSize(int w, int h, int dw, int dh, int *ww, int *wh) {
    int frameh = StatusGetHeight() + 2 + sp_scroll;
    int framew = 2 + sp_scroll;
    *wh = h + frameh > dh ? dh * 3 / 4 : h + frameh;
    *ww = (w > dw - framew ? dw * 3 / 4 : w) + framew;
}

static int WinPaintExtResize(WINDATUSR *rec) {
    if (!rec || !rec->win) return WIN_ERROR_NOWINDOW;
    WINDAT *win = rec->win;
    XWindowAttributes a;
    if (WinGetAttrib(win, &a) == 0) win->width = a.width, win->height = a.height;
    WINDAT *scroll = WinChildFindTyp(win, WIN_SCROLLM);
    if (!scroll) return 0;
    int w = win->width - 2 * scroll->border, h = win->height - 2 * scroll->border;
    if (w < 1 || h < 1) return 0;
    scroll->width = w, scroll->height = h;
    WinResize(scroll, w, h);
    return ScrollWndResize(scroll);
}

WINDAT *WinPaintCreate(Display *display, int x, int y, int w, int h, const char *name) {
    if (!display || w < 1 || h < 1) return nullptr;
    int ww = 0, wh = 0;
    WinPaintCalcSize(w, h, WinGetDisplayWidth(display), WinGetDisplayHeight(display), &ww, &wh);
    WINTYP t = MainWinTyp(ww, wh, opt_rt[2], fg_form, bg_form);
    t.typ = WIN_EXT_PAINT;
    WINNEIGHBOR nb{};
    WINDAT *win = WinCreateFromRootExt(nullptr, x, y, &t, &nb, name, fontfs_text);
    if (!win) return nullptr;
    WinSetFuncResize(win, WinPaintExtResize);
    WinSetFuncIntClose(win, WinPaintExtIntClose);
    WinSetWinTitle(win, name ? name : "");
    WINTYP st{};
    st.fg = fg_scroll;
    st.bg = bg_scroll;
    st.width = ww;
    st.height = wh;
    st.language = t.language;
    st.mouseleft = t.mouseleft;
    st.mouseright = t.mouseright;
    WINDAT *scroll = ScrollWndCreate(win, 0, 0, &st, &nb, "scw", nullptr, WIN_PAINT, 0, 1, 1);
    if (!scroll || !ScrollGetScrollWnd(scroll)) {
        WinClose(win);
        return nullptr;
    }
    WinShow(win, 1);
    return win;
}

static WINDAT *ExtView(WINDAT *win) {
    WINDAT *scroll = win ? WinChildFindTyp(win, WIN_SCROLLM) : nullptr;
    return scroll ? ScrollGetScrollWnd(scroll) : nullptr;
}

int WinPaintUpdate(Display *display, Window window) {
    (void)display;
    WINDAT *win = WinFind(window);
    if (!win) return WIN_ERROR_NOWINDOW;
    void *before = MainPropStrGet(1);
    if (win->typ == WIN_MAIN) {
        auto *view = static_cast<WINDAT *>(MainPropStrGet(2));
        if (view && PaintImgExist(view) >= 0) MainPropStrSet(1, view);
    } else if (win->typ == WIN_EXT_PAINT) {
        WINDAT *view = ExtView(win);
        if (view && PaintImgExist(view) >= 0) {
            MainPropStrSet(1, view);
            MainPropStrSet(3, win);
        }
    }
    if (MainPropStrGet(1) != before) TbFileDicomUpdate(static_cast<WINDAT *>(MainPropStrGet(1)));
    return 0;
}

// ---- opening

static void ToolsEnable(WINDAT *view) {
    PAINTIMG *e = Current(view);
    WINDAT *scroll = ScrollOf(view);
    WINDAT *tools = scroll ? ScrollGetToolbar(scroll) : nullptr;
    if (!e || !tools) return;
    for (int i = 0; i < tools->nchild; i++)
        WinSetDisable(tools->child[i], i == PAINT_BTN_NAVIGATOR ? 0 : e->fi.frames < 2, 1);
}

// Views whose user chose fit (f): the next picture they show is fitted too, until a zoom.
static std::set<Window> fit_views;
// Views fitted when their window went into or out of fullscreen: the new size fits them again.
static std::set<Window> refit_views;

static void FitNow(WINDAT *view) {
    PAINTIMG *e = Current(view);
    if (!e || e->fi.w < 1) return;
    view->zoom = WinPaintFitZoom(e->fi.w, e->fi.h, view->width, view->height);
    PaintXImageSetPosX(view, 0);
    PaintXImageSetPosY(view, 0);
    PaintViewZoom(view, PAINT_ZOOM_KEEP);
    DravikTrace("zoom %d", view->zoom);
}

int WinPaintOpenFitZoom(WINDAT *view, int w, int h) {
    if (!view || w < 1 || h < 1) return 0;
    bool large = w > view->width || h > view->height;
    if (!fit_views.count(view->window) && !(FitLargeImages && large)) return 0;
    return WinPaintFitZoom(w, h, view->width, view->height);
}

// After an open: fitted again in fit mode, or when larger than the view with FitLargeImages.
static void FitIfWanted(WINDAT *view) {
    PAINTIMG *e = Current(view);
    if (e && WinPaintOpenFitZoom(view, e->fi.w, e->fi.h) > 0) FitNow(view);
}

void WinPaintFirstFit(WINDAT *view, int denom, int x, int y, int w, int h) {
    DravikTrace("first fit view=0x%lx scale=1/%d at %d,%d size %dx%d", view ? view->window : 0,
                denom, x, y, w, h);
}

static void TraceOpen(const char *path, WINDAT *view) {
    PAINTIMG *e = Current(view);
    WINDAT *top = TopOf(view);
    WINDAT *scroll = ScrollOf(view);
    WINDAT *tools = scroll ? ScrollGetToolbar(scroll) : nullptr;
    int enabled = 0;
    for (int i = 0; tools && i < tools->nchild; i++)
        enabled += !tools->child[i]->disable;
    DravikTrace("open %s view=0x%lx top=0x%lx image=%dx%d frames=%d zoom=%d size=%dx%d tools=%d",
                path, view->window, top ? top->window : 0, e ? e->fi.w : 0, e ? e->fi.h : 0,
                e ? e->fi.frames : 0, view->zoom, view->width, view->height, enabled);
}

// The Hounsfield window the shown pictures were read with.
static int readHu[3] = {0, 0, 0};

static bool HuChanged() {
    return readHu[0] != HounsfieldUse || readHu[1] != HounsfieldMin || readHu[2] != HounsfieldMax;
}

static void HuRead() {
    readHu[0] = HounsfieldUse, readHu[1] = HounsfieldMin, readHu[2] = HounsfieldMax;
}

int WinPaintDicomReread() {
    if (!HuChanged()) return 0;
    HuRead();
    // The main window's view and the image windows' views; previews and thumbnails are left.
    std::vector<Window> views;
    for (int i = 0; i < WINDATpi; i++) {
        WINDAT *w = WINDATp[i];
        if (!w || w->typ != WIN_PAINT || w->state != PAINT_SINGLE) continue;
        WINDAT *top = TopOf(w);
        if (w != MainPropStrGet(2) && (!top || top->typ != WIN_EXT_PAINT)) continue;
        PAINTIMG *e = Current(w);
        if (e && e->fi.fbuf && e->fi.fname && e->fi.ftyp == FTYP_DICOM) views.push_back(w->window);
    }
    int n = 0;
    for (Window xw : views) {
        // A read lets events through: a view may be gone by its turn.
        WINDAT *view = WinFind(xw);
        PAINTIMG *e = view ? Current(view) : nullptr;
        if (!e || !e->fi.fname) continue;
        std::string path = e->fi.fname;
        int frame = e->fi.frame, turn = e->fi.turn;
        if (mf_FileOpen(path.c_str(), view) != 100) continue;
        if (!(e = Current(view))) continue;
        // The picture read again keeps the turn the user gave it.
        bool turned = turn > EXIF_ORIENT_NORMAL && ImageTurn(&e->fi, turn) == FILE_SUCCES;
        if (frame > 0 && frame < e->fi.frames) e->fi.frame = frame;
        if (turned || e->fi.frame > 0) PaintViewZoom(view, PAINT_ZOOM_KEEP);
        TbFileDicomUpdate(view);
        TraceOpen(path.c_str(), view);
        n++;
    }
    return n;
}

int SymbolFileOpen(const char *path) {
    if (!path) return WIN_ERROR_ARG;
    WINDAT *mainwin = WinFindTyp(WIN_MAIN);
    if (!mainwin) return WIN_ERROR_NOWINDOW;
    int w = 0, h = 0;
    if (AskFileOpenWin == 1 || AskFileOpenWin == 2) {
        FILEREQ req;
        IoRequestInit(&req, path);
        FILEINFO fi{};
        if (!IoFindOrReadFileTyp(&req, &fi, IO_READ_PROBE) || fi.w < 1 || fi.h < 1) {
            DicomDataRelease(&fi);
            IoFreeRecord(&fi, path);
            IoReportUnread(&req, path, opt_rt[2], 0);
            return req.noimage ? FILE_ERROR_NOIMAGE : FILE_ERROR_READ;
        }
        w = fi.w, h = fi.h;
        DicomDataRelease(&fi);
        IoFreeRecord(&fi, path);
    }
    WINDAT *view = nullptr;
    if (AskFileOpenWin == 1 || AskFileOpenWin == 2) {
        auto *shared = static_cast<WINDAT *>(MainPropStrGet(3));
        if (AskFileOpenWin == 1 && shared && shared->typ == WIN_EXT_PAINT) {
            view = ExtView(shared);
        } else {
            WINDAT *win = WinPaintCreate(mainwin->usr.display, 100, 0, w, h, path);
            if (!win) return WIN_ERROR_CREATE;
            view = ExtView(win);
            MainPropStrSet(3, win);
        }
        if (!view) return WIN_ERROR_CREATE;
        ViewCallbacksSet(view, 1);
        MainPropStrSet(1, view);
    } else {
        view = static_cast<WINDAT *>(MainPropStrGet(2));
        if (!view) return WIN_ERROR_NOWINDOW;
    }
    int rc = mf_FileOpen(path, view);
    if (rc != 100) return rc;
    HuRead();
    MainPropStrSet(1, view);
    TitleUpdate(view);
    MenuFileViewUpdate();
    MenuFileLastUpdate(path);
    ToolsEnable(view);
    TbFileDicomUpdate(view);
    FitIfWanted(view);
    WinPaint(view);
    XFlush(mainwin->usr.display);
    TraceOpen(path, view);
    if (const char *note = StatusGetMsg(PaintWndStatusGet(view), 1); *note)
        DravikTrace("status %s", note);
    WinDicomOpened(view);
    return 0;
}

int SymbolActionFileOpen(WINDATUSR *rec) {
    if (!rec || !rec->win || !rec->win->label) return WIN_ERROR_ARG;
    return SymbolFileOpen(rec->win->label);
}

WINDAT *SymbolFileCreate(WINDAT *parent, int x, int y, WINTYP *typ, const WINNEIGHBOR *nb,
                         const char *name) {
    WINDAT *group = SymbolGroupCreate(parent, x, y, typ, nb, name);
    if (!group) return nullptr;
    char hint[200];
    snprintf(hint, sizeof hint, "%s %s", LgRes(0, group->language), LgAct(0, group->language));
    SymbolBtnAddStd(group, hint, SYMBOL_FILE_OPEN, SymbolActionFileOpen);
    return group;
}

// ---- the image view's callbacks

int WinPaintFuncExpose(WINDATUSR *rec) {
    if (!rec || !rec->win) return WIN_ERROR_NOWINDOW;
    int r = ExposePaint(rec);
    if (PaintDependGetRedraw(rec->win) == 1) PaintDependSetRedraw(rec->win, 0);
    return r;
}

int WinPaintFuncResize(WINDATUSR *rec) {
    if (!rec || !rec->win) return WIN_ERROR_NOWINDOW;
    if (!rec->win->usr.parent || PaintImgExist(rec->win) < 0) return 0;
    int r = ResizePaint(rec);
    if (refit_views.count(rec->win->window)) FitNow(rec->win);
    return r;
}

// Slots 1 and 3 never name a closed window: the current view falls back to another image
// window's view or the work area's.
static bool Registered(const WINDAT *w) {
    for (int i = 0; w && i < WINDATpi; i++)
        if (WINDATp[i] == w) return true;
    return false;
}

static void WinPaintSlotsForget(WINDAT *win) {
    auto *cur = static_cast<WINDAT *>(MainPropStrGet(1));
    // While closing, the window's view may already be gone from the registry.
    bool viewgone = cur && (!Registered(cur) || TopOf(cur) == win);
    WINDAT *other = nullptr;
    for (int i = 0; i < WINDATpi && !other; i++) {
        WINDAT *w = WINDATp[i];
        if (w && w != win && w->typ == WIN_EXT_PAINT) other = w;
    }
    if (MainPropStrGet(3) == win) MainPropStrSet(3, AskFileOpenWin == 2 ? other : nullptr);
    if (viewgone) {
        WINDAT *next = MainPropStrGet(3) ? ExtView(static_cast<WINDAT *>(MainPropStrGet(3)))
                                         : static_cast<WINDAT *>(MainPropStrGet(2));
        MainPropStrSet(1, next);
        if (next) TbFileDicomUpdate(next);
    }
}

static int WinPaintExtIntClose(WINDATUSR *rec) {
    if (!rec || !rec->win) return WIN_ERROR_NOWINDOW;
    titles_shown.erase(rec->win->window);
    if (WINDAT *view = ExtView(rec->win)) refit_views.erase(view->window);
    WinPaintSlotsForget(rec->win);
    MenuFileViewUpdate();
    return 0;
}

int WinPaintFuncClose(WINDATUSR *rec) {
    if (!rec || !rec->win) return WIN_ERROR_NOWINDOW;
    PAINTIMG *e = Current(rec->win);
    if (e && e->fi.busy == 1) return WIN_ERROR_NOIMAGE;
    WINDAT *top = TopOf(rec->win);
    if (top && top->typ == WIN_EXT_PAINT) WinPaintSlotsForget(top);
    return 0;
}

int WinPaintFuncStatus(WINDATUSR *rec) {
    if (!rec || !rec->win) return WIN_ERROR_NOWINDOW;
    return StatusSetProc(rec->win, rec->i);
}

// The whole status line of a view, message and fields, as "fields A | B | C".
void WinPaintTraceFields(WINDAT *view) {
    WINDAT *status = PaintWndStatusGet(view);
    if (!status) return;
    std::string line = StatusGetMsg(status, 1);
    for (int id = 0; id < STATUS_FIELDS; id++)
        if (const char *f = StatusFieldGet(status, id); *f) line += std::string(" | ") + f;
    DravikTrace("fields %s", line.c_str());
}

// Views that show one picture for the user: the work area's and the image windows'.
static bool IsPictureView(WINDAT *view) {
    if (!view || view->typ != WIN_PAINT || view->state != PAINT_SINGLE) return false;
    WINDAT *top = TopOf(view);
    return view == MainPropStrGet(2) || (top && top->typ == WIN_EXT_PAINT);
}

// "NAME (W x H, ZOOM %) - dravik" while the window shows a picture, "dravik" (the main window)
// once it shows none; image windows always show one.
static void TitleUpdate(WINDAT *view) {
    WINDAT *top = TopOf(view);
    if (!top || (top->typ != WIN_MAIN && top->typ != WIN_EXT_PAINT)) return;
    PAINTIMG *e = Current(view);
    std::string title = "dravik";
    if (e && e->fi.w > 0 && e->fi.fname && PaintImgExist(view) >= 0) {
        const char *slash = strrchr(e->fi.fname, '/');
        char size[80];
        snprintf(size, sizeof size, " (%d x %d, %d %%) - dravik", e->fi.w, e->fi.h, view->zoom);
        title = std::string(slash ? slash + 1 : e->fi.fname) + size;
    } else if (top->typ != WIN_MAIN) {
        return;
    }
    std::string &was = titles_shown[top->window];
    if (was == title) return;
    was = title;
    WinSetWinTitleUtf8(top, title.c_str());
    DravikTrace("title 0x%lx %s", top->window, title.c_str());
}

// The zoom and frame fields follow what the view shows, however it came to show it.
static void ViewFieldsUpdate(WINDAT *view) {
    if (!IsPictureView(view)) return;
    TitleUpdate(view);
    WINDAT *status = PaintWndStatusGet(view);
    PAINTIMG *e = Current(view);
    if (status && (!e || e->fi.w < 1 || PaintImgExist(view) < 0)) {
        // The view was emptied (File > Close): its fields go with the picture.
        StatusFieldSet(status, STATUS_FIELD_ZOOM, "");
        StatusFieldSet(status, STATUS_FIELD_FRAME, "");
        return;
    }
    if (!status || !e || e->fi.w < 1) return;
    char zoom[32], frame[48] = "";
    snprintf(zoom, sizeof zoom, "%d %%", view->zoom);
    if (e->fi.frames > 1)
        snprintf(frame, sizeof frame, "%s %d/%d", view->language == LG_GERMAN ? "Bild" : "frame",
                 e->fi.frame + 1, e->fi.frames);
    if (!strcmp(StatusFieldGet(status, STATUS_FIELD_ZOOM), zoom) &&
        !strcmp(StatusFieldGet(status, STATUS_FIELD_FRAME), frame))
        return;
    StatusFieldSet(status, STATUS_FIELD_ZOOM, zoom);
    StatusFieldSet(status, STATUS_FIELD_FRAME, frame);
    WinPaintTraceFields(view);
}

void WinPaintShown(WINDAT *view) {
    ViewFieldsUpdate(view);
}

int WinPaintStatusPosRGBSet(WINDAT *view) {
    WINDAT *status = PaintWndStatusGet(view);
    if (!status) return WIN_ERROR_CHILD;
    PAINTIMG *e = Current(view);
    if (!e || !e->fi.fbuf || view->zoom < 1) return WIN_ERROR_NOIMAGE;
    const XButtonEvent &b = view->usr.evmouse.xbutton;
    double zoom = view->zoom;
    // Floored: a press left of a centred picture is outside it, not on its first column.
    int x = static_cast<int>(
        std::floor((b.x - PaintXImageOffset(view, 0) + PaintXImageGetPosX(view)) * 100.0 / zoom));
    int y = static_cast<int>(
        std::floor((b.y - PaintXImageOffset(view, 1) + PaintXImageGetPosY(view)) * 100.0 / zoom));
    const FILEINFO &fi = e->fi;
    if (x < 0 || y < 0 || x >= fi.w || y >= fi.h) {
        WinDicomStatusShow(view, "");
        DravikTrace("status");
        WinPaintTraceFields(view);
        return WIN_ERROR_ARG;
    }
    long i = static_cast<long>(y) * fi.w + x;
    int r = 0, g = 0, bl = 0;
    if (fi.bit == 24) {
        r = fi.fbuf[i * 3], g = fi.fbuf[i * 3 + 1], bl = fi.fbuf[i * 3 + 2];
    } else if (fi.rmap && fi.gmap && fi.bmap) {
        int k = std::min<int>(fi.fbuf[i], IoMapEntries(&fi) - 1);
        r = fi.rmap[k], g = fi.gmap[k], bl = fi.bmap[k];
    } else {
        r = g = bl = fi.fbuf[i];
    }
    char text[200];
    snprintf(text, sizeof text, "%i,%i (%i,%i,%i)%s", x, y, r, g, bl,
             WinDicomReadout(&fi, x, y).c_str());
    WinDicomStatusShow(view, text);
    DravikTrace("status %s", text);
    WinPaintTraceFields(view);
    return 0;
}

int WinPaintFuncMouse(WINDATUSR *rec) {
    if (!rec || !rec->win) return WIN_ERROR_NOWINDOW;
    WINDAT *view = rec->win;
    if (!view->usr.parent) return WIN_ERROR_PARENT;
    const XEvent &ev = view->usr.evmouse;
    unsigned button = ev.type == MotionNotify ? 0 : ev.xbutton.button;
    bool left = ev.type == MotionNotify ? (ev.xmotion.state & Button1Mask) != 0
                                        : static_cast<int>(button) == view->mouseleft;
    if (left && ev.type != ButtonRelease) {
        if (view->state == PAINT_SINGLE) return WinPaintStatusPosRGBSet(view);
        MenuCloseFromMouse(nullptr);
        return 0;
    }
    if (ev.type == ButtonRelease && static_cast<int>(button) == view->mouseright) {
        if (PaintImgExist(view) < 0) return WIN_ERROR_NOIMAGE;
        if (view->state == PAINT_SINGLE) return PaintMenuMouseRCreate(view) ? 0 : -1;
        return MenuPulldownCreate(view, ev.xbutton.x, ev.xbutton.y, M_OPTION_MENU[5], nullptr) ? 0
                                                                                               : -1;
    }
    return 0;
}

// ---- context menus

// The built menu of the last image context menu; rebuilt with each opening.
static MENUHANDLE paint_menu = nullptr;

WINDAT *PaintMenuMouseRCreate(WINDAT *view) {
    if (!view) return nullptr;
    PAINTIMG *e = Current(view);
    MENUITEM items[4];
    int lang = view->language;
    for (int i = 0; i < 4; i++) {
        items[i] = paintfile[i];
        if (lang == LG_GERMAN || lang == LG_ENGLISH)
            items[i].label = paintfileL[i * LG_COLUMNS + lang];
        if (items[i].kind == MENU_KIND_CMD) items[i].action = WinPaintFuncMouseBtnR0;
    }
    if (e && e->fi.ftyp == FTYP_DICOM) items[0].disabled = 1;
    items[2].submenu = M_MAIN_MENU[2];
    items[3].submenu = M_MAIN_MENU[3];
    if (paint_menu) MenuSubFree(paint_menu);
    paint_menu = MenuSubCreate(4, items);
    if (!paint_menu) return nullptr;
    const XButtonEvent &b = view->usr.evmouse.xbutton;
    WINDAT *menu = MenuPulldownCreate(view, b.x, b.y, paint_menu, nullptr);
    if (menu) DravikTrace("menu save=%s", items[0].disabled ? "inactive" : "active");
    return menu;
}

int WinPaintFuncMouseBtnR0(WINDATUSR *rec) {
    if (!rec || !rec->win) return WIN_ERROR_ARG;
    int id = rec->win->status;
    if (rec->parent && rec->parent->typ == WIN_MENUP) MenuOptionClose(rec->parent);
    return MenuMainAction(rec->display ? rec->display : main_display, id);
}

// The text the asking code left in the question box (the button's own record has none).
static const char *QuestionStr(const WINDATUSR *rec) {
    for (WINDAT *w = rec->parent; w; w = w->usr.parent)
        if (w->typ == WIN_DLGMSG) return w->usr.str;
    return rec->str;
}

// Takes the cell of `path` out of a thumbnail view; other cells may be selected by now.
static int ViewCellRemove(WINDAT *view, const char *path) {
    for (int i = 0; i < view->img_count; i++)
        if (PAINTIMG *e = PaintImgGet(view, i); e && e->fi.fname && !strcmp(e->fi.fname, path)) {
            PaintImgCurSelectSet(view, i);
            return PaintFileRemove(view);
        }
    return WIN_ERROR_ARG;
}

static int PathRemove(WINDAT *view, const char *path, int language) {
    struct stat st;
    if (lstat(path, &st) != 0) return MsgErrFile(language, path, FILE_ERROR_READ, errno, nullptr);
    bool dir = S_ISDIR(st.st_mode);
    if ((dir ? rmdir(path) : remove(path)) != 0)
        return MsgErrFile(language, path, dir ? FILE_ERROR_DIR_REMOVE : FILE_ERROR_REMOVE, errno,
                          nullptr);
    DravikTrace("remove %s", path);
    return view ? ViewCellRemove(view, path) : 0;
}

// "VIEW PATH" for a question box; the whole path, however long (a cut one names another file).
static std::string ViewPathId(WINDAT *view, const char *path) {
    char p[40];
    snprintf(p, sizeof p, "%p ", static_cast<void *>(view));
    return p + std::string(path);
}

static int FileRemoveAnswer(WINDATUSR *rec) {
    if (!rec) return WIN_ERROR_ARG;
    void *p = nullptr;
    int at = 0;
    // "VIEW PATH": the view by address, checked against the registry before use.
    const char *str = QuestionStr(rec);
    if (rec->i == 1 && str && sscanf(str, "%p %n", &p, &at) >= 1 && at > 0) {
        std::string path = str + at;
        auto *view = static_cast<WINDAT *>(p);
        if (!Registered(view) || view->typ != WIN_PAINT) view = nullptr;
        PathRemove(view, path.c_str(), view ? view->language : opt_rt[2]);
    }
    return MsgBoxClose(rec);
}

// The rename field over a thumbnail closes: the cell it was opened for gets the new name.
static int PaintRenameFlyClose(WINDATUSR *rec) {
    if (!rec || !rec->win) return 0;
    WINDAT *view = rec->parentgrp;
    const char *from = rec->win->usr.str;
    if (!from || !Registered(view) || view->typ != WIN_PAINT) return 0;
    for (int i = 0; i < view->img_count; i++)
        if (PAINTIMG *e = PaintImgGet(view, i); e && e->fi.fname && !strcmp(e->fi.fname, from)) {
            PaintImgCurSelectSet(view, i);
            // The field closes whatever came of it: an error has been reported.
            if (PaintFileRename(rec) == 0) DravikTrace("rename %s", e->fi.fname);
            break;
        }
    return 0;
}

static int PaintRenameFly(WINDAT *view, int sel) {
    PAINTIMG *e = PaintImgGet(view, sel);
    if (!e || !e->fi.fname) return WIN_ERROR_ARG;
    const char *slash = strrchr(e->fi.fname, '/');
    const char *name = slash ? slash + 1 : e->fi.fname;
    int th = WinGetTextHeight(fontfs_text, WIN_TEXT_SAMPLE, 0);
    int w = std::max(e->cw, EditGetInitWidth(name, 0) + 20);
    WINDAT *fly = EditFlyCreate(e->x, std::max(0, e->y + e->ch - th), w, view, name);
    if (!fly) return WIN_ERROR_MEMORY;
    fly->usr.parentgrp = view;
    WinUSRStringSet(fly, e->fi.fname);
    if (!fly->intclose) WinSetFuncIntClose(fly, WinFuncIntCloseSimple);
    WinSetFuncClose(fly, PaintRenameFlyClose);
    return 0;
}

int WinPaintFuncMouseBtnR12(WINDATUSR *rec) {
    if (!rec || !rec->win) return WIN_ERROR_ARG;
    int action = rec->win->status;
    WINDAT *view = rec->parent ? rec->parent->usr.parent : nullptr;
    if (rec->parent && rec->parent->typ == WIN_MENUP) MenuOptionClose(rec->parent);
    if (!view || view->typ != WIN_PAINT) return WIN_ERROR_TYPE;
    int sel = PaintImgGetSelectFromMouse(view);
    if (sel < 0) return -1;
    PAINTIMG *e = PaintImgGet(view, sel);
    if (!e || !e->fi.fname) return WIN_ERROR_ARG;
    if (view->state != PAINT_THUMBS && view->state != PAINT_ALBUM) return 0;
    const char *path = e->fi.fname;
    switch (action) {
    case 0: {
        std::string file = path;
        int r = SymbolFileOpen(file.c_str());
        if (auto *cur = static_cast<WINDAT *>(MainPropStrGet(1))) {
            WinPaint(cur);
            // The picture shows in front of the preview it was chosen in.
            if (r == 0) WinRaiseTop(TopOf(cur));
        }
        return r;
    }
    case 2: {
        struct stat st;
        if (stat(path, &st) != 0) return FILE_ERROR_READ;
        bool dir = S_ISDIR(st.st_mode);
        if (AlbumWndDataGet(view)) {
            // The album marks itself: its file named a picture that is gone now.
            char text[600];
            snprintf(text, sizeof text, "%s\n\n%s", path, LgWarn(2, view->language));
            WINDAT *box = MsgBox(view->language, 3, text, AlbumFileRemove);
            std::string id = ViewPathId(view, path);
            if (box) {
                WinUSRStringSet(box, id.c_str());
                if (!box->intclose) WinSetFuncIntClose(box, WinFuncIntCloseSimple);
            }
            return 0;
        }
        if (AskFileRemove) {
            char text[600];
            snprintf(text, sizeof text, "%s\n\n%s", path, LgWarn(dir ? 4 : 2, view->language));
            WINDAT *box = MsgBox(view->language, 3, text, FileRemoveAnswer);
            std::string id = ViewPathId(view, path);
            if (box) {
                WinUSRStringSet(box, id.c_str());
                if (!box->intclose) WinSetFuncIntClose(box, WinFuncIntCloseSimple);
            }
            return 0;
        }
        std::string p = path;
        return PathRemove(view, p.c_str(), view->language);
    }
    case 1:
        return PaintRenameFly(view, sel);
    default:
        return WIN_ERROR_ARG;
    }
}

// ---- the DICOM panel

WINDAT *TbFileDicomCreate(WINDAT *parent, int x, int y, WINTYP *typ, const WINNEIGHBOR *nb,
                          const char *name) {
    if (!parent || !typ || !nb) return nullptr;
    WINTYP t = *typ;
    t.state = BASE_FIXED;
    WINDAT *panel = BaseCreate(parent, x, y, &t, nb, name);
    if (!panel) return nullptr;
    if (WinUSRStringArrayCreate(panel, 6) != 0) {
        WinClose(panel);
        return nullptr;
    }
    WinSetFuncIntClose(panel, WinFuncIntCloseSimple);
    int lang = panel->language;
    int rows[2] = {2, 62};
    int ly = 10;
    for (int i = 0; i < 2; i++) {
        char word[80];
        snprintf(word, sizeof word, "%s:", LgRes(rows[i], lang));
        WINTYP lt{};
        lt.fg = fg_label;
        lt.bg = panel->bg;
        lt.language = lang;
        lt.width = LabelGetInitWidth(word, 0);
        lt.height = LabelGetInitHeight(word, 0);
        WINNEIGHBOR none{};
        WINDAT *key = LabelCreate(panel, 10, ly, &lt, &none, word);
        lt.width = std::max(1, panel->width - 10 - lt.width - 2 - 10);
        lt.state = 0;
        WINDAT *value =
            key ? LabelCreate(panel, 10 + key->width + 2, ly, &lt, &none, " ") : nullptr;
        if (!value) {
            WinClose(panel);
            return nullptr;
        }
        LabelStatusSet(value, 3);
        WinUSRStringArrayValueSet(panel, i + 1, reinterpret_cast<char *>(value));
        ly += key->height + 2;
    }
    // The third line: modality, date, descriptions, numbers, position and spacing.
    WINTYP lt{};
    lt.fg = fg_label;
    lt.bg = panel->bg;
    lt.language = lang;
    lt.width = std::max(1, panel->width - 20);
    lt.height = LabelGetInitHeight("Qy", 0);
    WINNEIGHBOR none{};
    WINDAT *line = LabelCreate(panel, 10, ly, &lt, &none, " ");
    if (!line) {
        WinClose(panel);
        return nullptr;
    }
    LabelStatusSet(line, 3);
    WinUSRStringArrayValueSet(panel, 3, reinterpret_cast<char *>(line));
    return panel;
}

static WINDAT *DicomPanelFind() {
    WINDAT *mainwin = WinFindTyp(WIN_MAIN);
    if (!mainwin) return nullptr;
    WINDAT *tb = WinChildFindTypState(mainwin, WIN_TOOLBAR, TbStateDicom);
    return tb ? WinChildFindTyp(tb, WIN_BASE) : nullptr;
}

int TbFileDicomUpdate(WINDAT *view) {
    if (!view || view->typ != WIN_PAINT) return WIN_ERROR_TYPE;
    // Only the view whose picture the main window shows speaks for the panel.
    if (view != MainPropStrGet(1)) return 0;
    WINDAT *panel = DicomPanelFind();
    if (!panel) return 0;
    DICOMINFO info{};
    PAINTIMG *e = Current(view);
    if (!e || DicomInfoGet(&e->fi, &info) != 100) {
        snprintf(info.description, sizeof info.description, " ");
        snprintf(info.patient_name, sizeof info.patient_name, " ");
    }
    const char *texts[2] = {info.description[0] ? info.description : " ",
                            info.patient_name[0] ? info.patient_name : " "};
    for (int i = 0; i < 2; i++) {
        auto *label = reinterpret_cast<WINDAT *>(WinUSRStringArrayValueGet(panel, i + 1));
        if (!label) continue;
        LabelSet(label, texts[i]);
    }
    DravikTrace("dicom description=\"%s\" patient=\"%s\"", texts[0], texts[1]);
    char third[400] = "";
    if (e) DicomSeriesLine(&e->fi, third, sizeof third);
    if (auto *label = reinterpret_cast<WINDAT *>(WinUSRStringArrayValueGet(panel, 3)))
        LabelSet(label, third[0] ? third : " ");
    DravikTrace("dicom line=\"%s\"", third);
    return 0;
}

// ---- zoom and the viewer's own keys

int MF_ViewZoom(WINDAT *view, int id) {
    if (!view) return WIN_ERROR_ARG;
    int mode = id == 400   ? PAINT_ZOOM_IN
               : id == 401 ? PAINT_ZOOM_OUT
               : id == 402 ? PAINT_ZOOM_100
                           : 0;
    int r = PaintViewZoom(view, mode);
    fit_views.erase(view->window);
    refit_views.erase(view->window);
    DravikTrace("zoom %d", view->zoom);
    return r;
}

int WinPaintFitZoom(int w, int h, int vw, int vh) {
    if (w < 1 || h < 1 || vw < 1 || vh < 1) return 1;
    long z = std::min(static_cast<long>(vw) * 100 / w, static_cast<long>(vh) * 100 / h);
    // The view computes the zoomed size in single precision: step down until that fits too.
    while (z > 1 && (static_cast<int>(static_cast<float>(z) * w / 100.0f) > vw ||
                     static_cast<int>(static_cast<float>(z) * h / 100.0f) > vh))
        z--;
    return static_cast<int>(std::max(1L, z));
}

static bool IsImageFile(const std::string &path) {
    struct stat st;
    if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    FILEREQ req;
    IoRequestInit(&req, path.c_str());
    FILEINFO fi{};
    bool ok = IoFindOrReadFileTyp(&req, &fi, IO_READ_PROBE) != nullptr && fi.w > 0;
    DicomDataRelease(&fi);
    IoFreeRecord(&fi, path.c_str());
    return ok;
}

std::string WinPaintDirStep(const std::string &path, int step) {
    size_t slash = path.rfind('/');
    std::string dir = slash == std::string::npos ? "." : path.substr(0, slash ? slash : 1);
    std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    DIR *d = opendir(dir.c_str());
    if (!d) return "";
    std::vector<std::string> names;
    while (dirent *ent = readdir(d))
        if (ent->d_name[0] != '.') names.emplace_back(ent->d_name);
    closedir(d);
    std::sort(names.begin(), names.end());
    auto it = std::lower_bound(names.begin(), names.end(), base);
    long i = it - names.begin();
    if (it != names.end() && *it == base)
        i += step;
    else if (step < 0)
        i -= 1;
    std::string prefix = dir == "/" ? "/" : dir + "/";
    for (; i >= 0 && i < static_cast<long>(names.size()); i += step)
        if (IsImageFile(prefix + names[i])) return prefix + names[i];
    return "";
}

int WinPaintDirPreview(const char *path) {
    WINDAT *mainwin = WinFindTyp(WIN_MAIN);
    WINDAT *box = mainwin ? WinChildFindTypTree(mainwin, WIN_FILEBOX) : nullptr;
    if (!box || !path) return WIN_ERROR_PARENT;
    // A relative name is the start directory's, not the box's.
    char *real = realpath(path, nullptr);
    if (!real) return MsgErrFile(opt_rt[2], path, FILE_ERROR_READ, errno, nullptr);
    std::string dir = real;
    free(real);
    // A directory that cannot be entered is not previewed: its box has said why.
    if (int entered = FileboxDirEnter(box, dir.c_str());
        entered == FILE_ERROR_OPEN || entered == FILE_ERROR_NOTFOUND)
        return entered;
    int rc = mf_FileDirPrev(box);
    WINDAT *top = DirPreviewGet(box);
    WINDAT *view = DirPreviewView(top);
    DravikTrace("dirprev %s rc=%d top=0x%lx view=0x%lx cells=%d", FileboxGetCurPath(box), rc,
                top ? top->window : 0, view ? view->window : 0, view ? view->img_count : 0);
    return rc;
}

int WinPaintFilesOpen(int index, int step) {
    int n = static_cast<int>(WinPaintFiles.size());
    for (int i = index; i >= 0 && i < n; i += step) {
        const std::string &f = WinPaintFiles[i];
        struct stat st;
        if (stat(f.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
            // Directories and albums open in windows of their own.
            WinPaintDirPreview(f.c_str());
            continue;
        }
        if ((f.size() > 4 && f.compare(f.size() - 4, 4, ".alb") == 0) ||
            IsFileAlbum(f.c_str()) == FILE_SUCCES) {
            // As Album > Open does for the name; a path without a directory is the start one's.
            char cwd[4096];
            std::string path =
                f[0] == '/' || !getcwd(cwd, sizeof cwd) ? f : std::string(cwd) + "/" + f;
            AlbumOpenAction(main_display, path.c_str());
            continue;
        }
        if (SymbolFileOpen(f.c_str()) == 0) {
            WinPaintFileIndex = i;
            return 0;
        }
    }
    return -1;
}

// Zoom to `zoom` keeping view point (vx, vy) on the same picture point.
static void ZoomAbout(WINDAT *view, int zoom, long vx, long vy) {
    zoom = std::clamp(zoom, 1, 1000);
    fit_views.erase(view->window);
    refit_views.erase(view->window);
    long px = (PaintXImageGetPosX(view) + vx - PaintXImageOffset(view, 0)) * zoom /
              std::max(1, view->zoom);
    long py = (PaintXImageGetPosY(view) + vy - PaintXImageOffset(view, 1)) * zoom /
              std::max(1, view->zoom);
    view->zoom = zoom;
    // A picture smaller than the view is centred at its new size.
    vx -= PaintXImageOffset(view, 0), vy -= PaintXImageOffset(view, 1);
    PaintXImageSetPosX(view, static_cast<int>(std::max(0L, px - vx)));
    PaintXImageSetPosY(view, static_cast<int>(std::max(0L, py - vy)));
    PaintViewZoom(view, PAINT_ZOOM_KEEP);
    DravikTrace("zoom %d", view->zoom);
}

static int ZoomStep(int zoom, bool in) {
    return in ? std::max(zoom + 1, (zoom * 5 + 2) / 4) : std::min(zoom - 1, (zoom * 4 + 2) / 5);
}

// Scrolls a single view to (sx, sy), kept inside the zoomed picture.
static void ScrollTo(WINDAT *view, long sx, long sy) {
    PAINTIMG *e = Current(view);
    if (!e || !e->fi.ximage) return;
    int dw = PaintCalcImageScrollSize(view, 0), dh = PaintCalcImageScrollSize(view, 1);
    long maxx = std::max(0, dw - e->fi.ximage->width),
         maxy = std::max(0, dh - e->fi.ximage->height);
    PaintXImageSetPosX(view, static_cast<int>(std::clamp(sx, 0L, maxx)));
    PaintXImageSetPosY(view, static_cast<int>(std::clamp(sy, 0L, maxy)));
    WinPaint(view);
    ScrollWndUpdateFromChild(view);
}

// The whole picture shows: a step goes through the frames, then to the neighbouring files.
static void StepShown(WINDAT *view, bool back) {
    PAINTIMG *e = Current(view);
    if (!e) return;
    int step = back ? -1 : 1, frame = e->fi.frame + step;
    if (e->fi.frames > 1 && frame >= 0 && frame < e->fi.frames) {
        e->fi.frame = frame;
        WinPaint(view);
        DravikTrace("frame %d/%d", frame + 1, e->fi.frames);
    } else {
        WinPaintKeyNav(view, back ? XK_p : XK_n);
    }
}

static bool WholeShown(WINDAT *view) {
    PAINTIMG *e = Current(view);
    if (!e || !e->fi.ximage) return false;
    return PaintCalcImageScrollSize(view, 0) <= e->fi.ximage->width &&
           PaintCalcImageScrollSize(view, 1) <= e->fi.ximage->height;
}

int WinPaintKeyField(WINDAT *view, KeySym sym) {
    if (!view || view->typ != WIN_PAINT) return 0;
    if (sym == XK_q) {
        // Lists keep q for their type-ahead; image and thumbnail views quit.
        MF_FileExit();
        return 1;
    }
    if (sym != XK_space && sym != XK_BackSpace) return 0;
    // Thumbnail views keep space for their select.
    if (!IsPictureView(view) || PaintImgExist(view) < 0) return 0;
    bool back = sym == XK_BackSpace;
    if (WholeShown(view))
        StepShown(view, back);
    else
        WinPaintKeyNav(view, back ? XK_p : XK_n);
    return 1;
}

static bool MenuOpen() {
    for (int i = 0; i < WINDATpi; i++)
        if (WINDATp[i] && WINDATp[i]->typ == WIN_MENUP) return true;
    return false;
}

bool WinPaintMenuOpen() {
    return MenuOpen();
}

int WinPaintKeyWindow(WINDAT *win, KeySym sym, bool menu_was_open) {
    if (!win || win->typ == WIN_EDIT_TXT) return 0;
    if (sym != XK_F11 && sym != XK_Escape) return 0;
    WINDAT *top = TopOf(win);
    if (!top || (top->typ != WIN_MAIN && top->typ != WIN_EXT_PAINT)) return 0;
    int on = WinFullscreenGet(top);
    // An open menu takes Escape first.
    if (sym == XK_Escape && (!on || menu_was_open)) return 0;
    // A fitted picture is fitted again to the window's new size.
    auto *view = top->typ == WIN_MAIN ? static_cast<WINDAT *>(MainPropStrGet(2)) : ExtView(top);
    PAINTIMG *e = view && view->state == PAINT_SINGLE ? Current(view) : nullptr;
    if (e && e->fi.w > 0 &&
        (fit_views.count(view->window) ||
         view->zoom == WinPaintFitZoom(e->fi.w, e->fi.h, view->width, view->height)))
        refit_views.insert(view->window);
    else if (view)
        refit_views.erase(view->window);
    WinFullscreenSet(top, sym == XK_F11 ? !on : 0);
    DravikTrace("fullscreen 0x%lx %d", top->window, sym == XK_F11 ? !on : 0);
    return 1;
}

int WinPaintWheel(WINDAT *view, const XButtonEvent *ev) {
    if (!view || !ev || view->typ != WIN_PAINT || view->state != PAINT_SINGLE) return 0;
    if (ev->button < 4 || ev->button > 7) return 0;
    PAINTIMG *e = Current(view);
    if (!e || e->fi.w < 1 || !e->fi.ximage) return 0;
    const bool back = ev->button == 4 || ev->button == 6;
    if ((ev->state & ControlMask) && ev->button <= 5) {
        ZoomAbout(view, ZoomStep(view->zoom, back), ev->x, ev->y);
        return 1;
    }
    int dw = PaintCalcImageScrollSize(view, 0), dh = PaintCalcImageScrollSize(view, 1);
    int ww = e->fi.ximage->width, wh = e->fi.ximage->height;
    if (dw <= ww && dh <= wh) {
        StepShown(view, back);
        return 1;
    }
    const bool across = ev->button >= 6 || (ev->state & ShiftMask);
    long sx = PaintXImageGetPosX(view), sy = PaintXImageGetPosY(view);
    // Three of the arrow keys' steps (a twentieth of the view) a notch.
    if (across)
        sx += (back ? -3L : 3L) * ww / 20;
    else
        sy += (back ? -3L : 3L) * wh / 20;
    ScrollTo(view, sx, sy);
    return 1;
}

int WinPaintDrag(WINDAT *view, const XEvent *ev) {
    static Window dragging = 0;
    static long from_x, from_y, pos_x, pos_y;
    if (!view || !ev || view->typ != WIN_PAINT || view->state != PAINT_SINGLE) return 0;
    if (view->mouseleft == 2 || view->mouseright == 2) return 0;
    if (ev->type == ButtonPress && ev->xbutton.button == 2) {
        dragging = view->window;
        from_x = ev->xbutton.x_root, from_y = ev->xbutton.y_root;
        pos_x = PaintXImageGetPosX(view), pos_y = PaintXImageGetPosY(view);
        return 1;
    }
    if (dragging != view->window) return 0;
    if (ev->type == MotionNotify && (ev->xmotion.state & Button2Mask)) {
        ScrollTo(view, pos_x - (ev->xmotion.x_root - from_x),
                 pos_y - (ev->xmotion.y_root - from_y));
        return 1;
    }
    if (ev->type == ButtonRelease && ev->xbutton.button == 2) {
        dragging = 0;
        DravikTrace("pan %d,%d", PaintXImageGetPosX(view), PaintXImageGetPosY(view));
        return 1;
    }
    return 0;
}

int WinPaintKeyZoom(WINDAT *view, KeySym sym) {
    if (!view || view->typ != WIN_PAINT || view->state != PAINT_SINGLE) return 0;
    PAINTIMG *e = Current(view);
    if (!e || e->fi.w < 1) return 0;
    int zoom;
    if (sym == XK_plus || sym == XK_KP_Add)
        zoom = ZoomStep(view->zoom, true);
    else if (sym == XK_minus || sym == XK_KP_Subtract)
        zoom = ZoomStep(view->zoom, false);
    else if (sym == XK_0 || sym == XK_KP_0)
        zoom = 100;
    else
        return 0;
    // The picture point at the view's centre stays there.
    ZoomAbout(view, zoom, view->width / 2, view->height / 2);
    return 1;
}

// ---- turning

int MF_ViewTurn(WINDAT *view, int id) {
    if (!view || view->typ != WIN_PAINT || view->state != PAINT_SINGLE) return WIN_ERROR_ARG;
    static const int value[4] = {EXIF_ORIENT_ROT270, EXIF_ORIENT_ROT90, EXIF_ORIENT_MIRROR,
                                 EXIF_ORIENT_FLIP};
    if (id < 403 || id > 406) return WIN_ERROR_ARG;
    PAINTIMG *e = Current(view);
    if (!e || !e->fi.fbuf || e->fi.w < 1) return WIN_ERROR_NOIMAGE;
    const int turn = value[id - 403];
    // The picture point at the view's centre stays at the centre, as a fraction of the picture.
    double zw = std::max(1, PaintCalcImageScrollSize(view, 0));
    double zh = std::max(1, PaintCalcImageScrollSize(view, 1));
    double fx = std::min(1.0, (PaintXImageGetPosX(view) + view->width / 2.0) / zw);
    double fy = std::min(1.0, (PaintXImageGetPosY(view) + view->height / 2.0) / zh);
    int rc = ImageTurn(&e->fi, turn);
    if (rc != FILE_SUCCES) return MsgErrFile(view->language, e->fi.fname, rc, ENOMEM, nullptr);
    double nx = turn == EXIF_ORIENT_ROT90    ? 1 - fy
                : turn == EXIF_ORIENT_ROT270 ? fy
                : turn == EXIF_ORIENT_MIRROR ? 1 - fx
                                             : fx;
    double ny = turn == EXIF_ORIENT_ROT90    ? fx
                : turn == EXIF_ORIENT_ROT270 ? 1 - fx
                : turn == EXIF_ORIENT_FLIP   ? 1 - fy
                                             : fy;
    DravikTrace("turn %d image=%dx%d", turn, e->fi.w, e->fi.h);
    if (fit_views.count(view->window)) {
        FitNow(view);
        return 0;
    }
    long nw = static_cast<long>(static_cast<float>(view->zoom) * e->fi.w / 100.0f);
    long nh = static_cast<long>(static_cast<float>(view->zoom) * e->fi.h / 100.0f);
    long px = std::clamp(static_cast<long>(nx * nw - view->width / 2.0), 0L,
                         std::max(0L, nw - view->width));
    long py = std::clamp(static_cast<long>(ny * nh - view->height / 2.0), 0L,
                         std::max(0L, nh - view->height));
    PaintXImageSetPosX(view, static_cast<int>(px));
    PaintXImageSetPosY(view, static_cast<int>(py));
    PaintViewZoom(view, PAINT_ZOOM_KEEP);
    ScrollWndUpdateFromChild(view);
    return 0;
}

int WinPaintKeyTurn(WINDAT *view, KeySym sym) {
    if (!view || view->typ != WIN_PAINT || view->state != PAINT_SINGLE) return 0;
    int id = sym == XK_less         ? 403
             : sym == XK_greater    ? 404
             : sym == XK_bar        ? 405
             : sym == XK_underscore ? 406
                                    : 0;
    if (!id) return 0;
    PAINTIMG *e = Current(view);
    if (!e || !e->fi.fbuf) return 0;
    MF_ViewTurn(view, id);
    return 1;
}

int WinPaintKeyNav(WINDAT *view, KeySym sym) {
    if (!view || view->typ != WIN_PAINT || view->state != PAINT_SINGLE) return 0;
    if (sym == XK_n || sym == XK_p) { // 0x6e, 0x70
        int step = sym == XK_n ? 1 : -1;
        if (WinDicomSeriesStep(view, step)) return 1;
        // One file named: its directory is the list.
        if (WinPaintFiles.size() > 1) {
            WinPaintFilesOpen(WinPaintFileIndex + step, step);
            return 1;
        }
        PAINTIMG *e = Current(view);
        if (!e || !e->fi.fname) return 1;
        std::string next = WinPaintDirStep(e->fi.fname, step);
        if (!next.empty()) SymbolFileOpen(next.c_str());
        return 1;
    }
    if (sym == XK_f) { // 0x66
        PAINTIMG *e = Current(view);
        if (!e || e->fi.w < 1) return 1;
        FitNow(view);
        fit_views.insert(view->window);
        return 1;
    }
    return 0;
}
