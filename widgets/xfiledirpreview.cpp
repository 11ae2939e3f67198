// The directory preview: the file box's directory as thumbnails under a property area, in a
// window of its own that the box keeps in its slot 15. The thumbnails are read on worker threads;
// this thread keeps the windows painted and shows the progress meanwhile.
#include "widgets/xfiledirpreview.h"

#include "base/language.h"
#include "base/lg.h"
#include "base/settings.h"
#include "base/xerror.h"
#include "base/xmem.h"
#include "dicom/io_dicom.h"
#include "image/io_files.h"
#include "render/ximage.h"
#include "toolkit/xbase.h"
#include "toolkit/xcolor.h"
#include "toolkit/xevent.h"
#include "toolkit/xinit.h"
#include "toolkit/xtools.h"
#include "toolkit/xwinfunc.h"
#include "widgets/xedit.h"
#include "widgets/xfilebox.h"
#include "widgets/xlabel.h"
#include "widgets/xlist.h"
#include "widgets/xmenu.h"
#include "widgets/xpaint.h"
#include "widgets/xpaned.h"
#include "widgets/xscroll.h"
#include "widgets/xstatus.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <sys/stat.h>
#include <system_error>
#include <thread>
#include <vector>

int DirPreviewThreads = 0;

static const char *const TAG_USR = "usr";
enum { DPV_W = 720, DPV_H = 640, DPV_ROW = 20, DPV_PROGRESS_MS = 100 };
// The state of an external window, as WinCreateExtSimple makes them.
enum { DPV_EXTERNAL = 29 };

// Slot 1 of "fb": what the preview needs beyond its windows. The owner by window id: the box
// may close first.
struct DIRPREV {
    Window box;
    WINDAT *top;
};

// ---- finding the parts

static WINDAT *FbOf(WINDAT *win) {
    for (WINDAT *w = win; w; w = w->usr.parent)
        if (w->intclose == DirPreviewWndFuncIntClose) return w;
    return nullptr;
}

static WINDAT *FbSlot(WINDAT *fb, int slot) {
    return fb && fb->usr.strm ? reinterpret_cast<WINDAT *>(WinUSRStringArrayValueGet(fb, slot))
                              : nullptr;
}

static DIRPREV *RecOf(WINDAT *win) {
    return reinterpret_cast<DIRPREV *>(FbSlot(FbOf(win), DPV_SLOT_USR));
}

static WINDAT *FbOfTop(WINDAT *top) {
    for (int i = 0; top && i < top->nchild; i++)
        if (top->child[i] && top->child[i]->intclose == DirPreviewWndFuncIntClose)
            return top->child[i];
    return nullptr;
}

static bool Registered(const WINDAT *w) {
    for (int i = 0; w && i < WINDATpi; i++)
        if (WINDATp[i] == w) return true;
    return false;
}

WINDAT *DirPreviewGet(WINDAT *box) {
    if (!box || box->typ != WIN_FILEBOX || !box->usr.strm) return nullptr;
    auto *top = reinterpret_cast<WINDAT *>(WinUSRStringArrayValueGet(box, FBX_SLOT_DIRPREV));
    return Registered(top) && FbOfTop(top) ? top : nullptr;
}

WINDAT *DirPreviewView(WINDAT *preview) {
    return FbSlot(FbOfTop(preview), DPV_SLOT_VIEW);
}
WINDAT *DirPreviewStatus(WINDAT *preview) {
    return FbSlot(FbOfTop(preview), DPV_SLOT_STATUS);
}
WINDAT *DirPreviewProperty(WINDAT *preview) {
    return FbSlot(FbOfTop(preview), DPV_SLOT_PROP);
}

void DirPreviewOwnerGone(WINDAT *preview) {
    if (DIRPREV *r = RecOf(FbOfTop(preview))) r->box = 0;
}

// ---- the property area

const char *InfoGetText(int language, int row, char *buf, int size) {
    if (!buf || size < 1) return nullptr;
    if (row >= 1 && row <= 8) return FilePropertyGetText(language, row, buf, size);
    buf[0] = '\0';
    if (row != 9) return nullptr;
    snprintf(buf, static_cast<size_t>(size), "%s", LgRes(45, language));
    return buf;
}

static WINDAT *Label(WINDAT *parent, int x, int y, int w, const char *text) {
    WINTYP t{};
    t.fg = fg_label, t.bg = parent->bg;
    t.width = std::max(1, w);
    t.height = std::max(LabelGetInitHeight(WIN_TEXT_SAMPLE, 0), DPV_ROW - 2);
    t.language = parent->language;
    WINNEIGHBOR nb{};
    return LabelCreate(parent, x, y, &t, &nb, text);
}

int DirPreviewEntryProperty(WINDAT *container, int flag, int rows, int mode) {
    if (!container || rows < 1) return WIN_ERROR_ARG;
    int lang = container->language;
    char key[128], text[140];
    std::vector<WINDAT *> made;
    if (mode == DPV_PROP_DESCRIPTION) {
        snprintf(text, sizeof text, "%s:", LgRes(46, lang));
        made.push_back(Label(container, 10, 6, LabelGetInitWidth(text, 0), text));
        WINTYP t{};
        t.fg = fg_edit, t.bg = bg_edit;
        t.width = std::max(40, container->width - 20);
        t.height = EditGetInitHeight(WIN_TEXT_SAMPLE, 0, rows);
        t.state = rows > 1 ? EDIT_MULTI : EDIT_SINGLE;
        t.language = lang;
        WINNEIGHBOR nb{};
        WINDAT *f = EditCreate(container, 10, 6 + DPV_ROW, &t, &nb, "edit");
        if (f) {
            EditTextSetCharMax(f, 300);
            EditTextNew(f, LgRes(46, lang), 0);
            WinSetDisable(f, 1, 0);
        }
        made.push_back(f);
    } else if (mode == DPV_PROP_PROPERTY) {
        made.push_back(Label(container, 10, 4, std::max(1, container->width - 20), LgRes(0, lang)));
        int keyw = 0;
        for (int r = 1; r < rows; r++)
            if (InfoGetText(lang, r, key, sizeof key)) {
                snprintf(text, sizeof text, "%s:", key);
                keyw = std::max(keyw, LabelGetInitWidth(text, 0));
            }
        for (int r = 1; r < rows; r++) {
            if (!InfoGetText(lang, r, key, sizeof key)) break;
            snprintf(text, sizeof text, "%s:", key);
            int y = 4 + r * DPV_ROW;
            made.push_back(Label(container, 10, y, keyw, text));
            WINDAT *v =
                Label(container, 16 + keyw, y, std::max(1, container->width - keyw - 26), " ");
            // FilePropertyUpdate finds its value labels by the row number.
            if (v) v->usr.i = r;
            made.push_back(v);
        }
    } else {
        return WIN_ERROR_ARG;
    }
    for (WINDAT *w : made) {
        if (!w) return WIN_ERROR_MEMORY;
        if (flag) WinShow(w, 1);
    }
    return 0;
}

static void PropertyClear(WINDAT *prop) {
    for (int i = 0; prop && i < prop->nchild; i++)
        if (WINDAT *c = prop->child[i]; c && c->typ == WIN_LABEL && c->usr.i >= 1 && c->usr.i <= 9)
            LabelSet(c, " ");
}

// ---- the window

int DirPreviewWndFuncIntClose(WINDATUSR *rec) {
    if (!rec || !rec->win) return WIN_ERROR_ARG;
    WINDAT *fb = rec->win;
    if (fb->usr.strm) {
        if (char *p = WinUSRStringArrayValueGet(fb, DPV_SLOT_USR)) MemFree(p, TAG_USR);
        WinUSRStringArrayRemove(fb);
    }
    return 0;
}

int DirPreviewClose(WINDATUSR *rec) {
    if (!rec || !rec->win) return WIN_ERROR_ARG;
    DIRPREV *r = RecOf(FbOfTop(rec->win));
    WINDAT *box = r && r->box ? WinFind(r->box) : nullptr;
    if (box && box->typ == WIN_FILEBOX && DirPreviewGet(box) == rec->win)
        WinUSRStringArrayValueSet(box, FBX_SLOT_DIRPREV, nullptr);
    return 0;
}

static void Fill(WINDAT *parent, WINDAT *child) {
    if (!parent || !child) return;
    child->width = std::max(1, parent->width - 2 * child->border);
    child->height = std::max(1, parent->height - 2 * child->border);
    WinResize(child, child->width, child->height);
}

int DirPreviewResize(WINDATUSR *rec) {
    if (!rec || !rec->win) return WIN_ERROR_NOWINDOW;
    WINDAT *top = rec->win;
    XWindowAttributes a;
    if (WinGetAttrib(top, &a) == 0) top->width = a.width, top->height = a.height;
    WINDAT *fb = FbOfTop(top);
    if (!fb) return 0;
    Fill(top, fb);
    WINDAT *paned = WinChildFindTyp(fb, WIN_PANED_VERT);
    if (!paned) return 0;
    Fill(fb, paned);
    return PanedResize(paned);
}

WINDAT *DirPreviewWndCreate(WINDAT *win, const int geometry[4], int proph) {
    if (!win || !geometry || geometry[2] < 40 || geometry[3] < 80) return nullptr;
    int w = geometry[2], h = geometry[3], lang = win->language;
    proph = std::max<int>(DPV_ROW, std::min(proph, h - 40));
    WINTYP t{};
    t.fg = fg_form, t.bg = bg_form;
    t.width = w, t.height = h;
    t.state = BASE_FIXED;
    t.language = lang;
    t.mouseleft = win->mouseleft, t.mouseright = win->mouseright;
    WINNEIGHBOR nb{};
    WINDAT *fb = BaseCreate(win, geometry[0], geometry[1], &t, &nb, "fb");
    if (!fb) return nullptr;
    if (WinUSRStringArrayCreate(fb, DPV_SLOTS) != 0) {
        WinClose(fb);
        return nullptr;
    }
    WinSetFuncIntClose(fb, DirPreviewWndFuncIntClose);
    auto *r = static_cast<DIRPREV *>(MemCreate(sizeof(DIRPREV), TAG_USR));
    if (!r) {
        WinClose(fb);
        return nullptr;
    }
    memset(r, 0, sizeof *r);
    r->top = win;
    WinUSRStringArrayValueSet(fb, DPV_SLOT_USR, reinterpret_cast<char *>(r));

    WINTYP pt = t;
    pt.typ = WIN_PANED_VERT;
    pt.state = 0;
    WINDAT *paned = PanedCreate(fb, 0, 0, &pt, &nb, "paned");
    WINTYP ct = t;
    ct.height = proph;
    WINDAT *upper = paned ? PanedCreateChild(paned, 0, 0, &ct, &nb, "prp", WIN_BASE) : nullptr;
    ct.height = std::max(1, h - proph - sp_paned);
    WINDAT *lower = upper ? PanedCreateChild(paned, 0, 0, &ct, &nb, "vwp", WIN_BASE) : nullptr;
    if (!lower || DirPreviewEntryProperty(upper, 0, DPV_PROP_ROWS, DPV_PROP_PROPERTY) != 0) {
        WinClose(fb);
        return nullptr;
    }
    WinSetFuncResize(lower, PanedChildFill);
    WINTYP st = t;
    st.fg = fg_scroll, st.bg = bg_scroll;
    st.width = lower->width, st.height = lower->height;
    st.state = 0;
    WINDAT *scroll = ScrollWndCreate(lower, 0, 0, &st, &nb, "scw", nullptr, WIN_PAINT, 1, 1, 1);
    WINDAT *view = scroll ? ScrollGetScrollWnd(scroll) : nullptr;
    WINDAT *status = scroll ? ScrollGetStatus(scroll) : nullptr;
    if (!view || !status) {
        WinClose(fb);
        return nullptr;
    }
    view->state = PAINT_THUMBS;
    view->language = lang;
    WinSetLabel(view, "", 0);
    WinSetFuncMouse(view, DirPreviewPaintMouse);
    PaintWndStatusSet(view, status);
    PaintWndPropFileSet(view, upper);
    WinUSRStringArrayValueSet(fb, DPV_SLOT_PROP, reinterpret_cast<char *>(upper));
    WinUSRStringArrayValueSet(fb, DPV_SLOT_VIEW, reinterpret_cast<char *>(view));
    WinUSRStringArrayValueSet(fb, DPV_SLOT_STATUS, reinterpret_cast<char *>(status));
    return fb;
}

// The external window of a preview, titled `title`, laid out and shown.
static WINDAT *PreviewCreate(WINDAT *box, const char *title) {
    WINTYP t{};
    t.fg = fg_form, t.bg = bg_form;
    t.width = DPV_W, t.height = DPV_H;
    t.state = DPV_EXTERNAL;
    t.unvisible = 1;
    t.language = box->language;
    t.mouseleft = box->mouseleft, t.mouseright = box->mouseright;
    WINNEIGHBOR nb{};
    WINDAT *top = WinCreateFromRootExt(nullptr, 40, 40, &t, &nb, "dirprev", fontfs_text);
    if (!top) return nullptr;
    WinSetWinTitle(top, title);
    int geo[4] = {0, 0, DPV_W, DPV_H};
    int proph = 8 + DPV_PROP_ROWS * DPV_ROW;
    if (!DirPreviewWndCreate(top, geo, proph)) {
        WinClose(top);
        return nullptr;
    }
    RecOf(FbOfTop(top))->box = box->window;
    WinSetFuncClose(top, DirPreviewClose);
    WinSetFuncResize(top, DirPreviewResize);
    DirPreviewResize(&top->usr);
    WinShow(top, 1);
    return top;
}

// ---- reading

int DirPreviewThreadCount(int entries) {
    int n = DirPreviewThreads > 0 ? DirPreviewThreads
                                  : static_cast<int>(std::thread::hardware_concurrency());
    n = std::min<int>(std::max(n, 1), DPV_THREADS_MAX);
    return std::max(1, std::min(n, entries));
}

// One fill's shared state: the workers take entries by index and leave each result in its own
// record; the order of the cells comes from the indices, not from who finished first.
struct DIRREAD {
    std::vector<std::string> paths;
    std::vector<FILEINFO> fi;
    std::vector<char> ok;
    int language = LG_DEFAULT;
    int threads = 1;
    std::atomic<int> next{0}, done{0}, last{-1};
    std::mutex mutex;
    std::condition_variable cv;
};

static void DirReadOne(DIRREAD *job, int i) {
    const std::string &path = job->paths[static_cast<size_t>(i)];
    FILEINFO &fi = job->fi[static_cast<size_t>(i)];
    memset(&fi, 0, sizeof fi);
    struct stat st;
    // Directories and what cannot be looked at get no cell; neither do devices and pipes.
    if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return;
    // The cores are busy with files already: no reader splits one file between threads.
    if (FilePreviewLoad(path.c_str(), DPV_EDGE, DPV_EDGE, DPV_EDGE, job->language, job->threads > 1,
                        &fi) != 0)
        return;
    // A thumbnail needs no DICOM data set.
    DicomDataRelease(&fi);
    job->ok[static_cast<size_t>(i)] = 1;
}

static void DirReadWorker(DIRREAD *job) {
    int n = static_cast<int>(job->paths.size());
    for (int i = job->next++; i < n; i = job->next++) {
        DirReadOne(job, i);
        {
            std::lock_guard<std::mutex> lock(job->mutex);
            job->last = i;
            job->done++;
        }
        job->cv.notify_one();
    }
}

static const char *BaseName(const char *path) {
    const char *s = path ? strrchr(path, '/') : nullptr;
    return s ? s + 1 : path ? path : "";
}

// Expose events only: the windows stay painted, nothing can close under the fill.
static void PumpExpose(Display *d) {
    XEvent ev;
    while (XCheckMaskEvent(d, ExposureMask, &ev))
        WinEvent(d, ev);
}

// Runs the readers and waits for them; the status bar shows the latest file and the share done.
static void DirReadAll(DIRREAD *job, WINDAT *view, WINDAT *status, WINDAT *prop) {
    int n = static_cast<int>(job->paths.size());
    if (n < 1) return;
    int want = DirPreviewThreadCount(n);
    job->threads = want;
    std::vector<std::thread> threads;
    for (int t = 0; t < want; t++) {
        try {
            threads.emplace_back(DirReadWorker, job);
        } catch (const std::system_error &e) {
            if (threads.empty()) MsgErrThr(view->language, view->label, -301, e.code().value());
            break;
        }
    }
    // Without a worker this thread reads them all.
    if (threads.empty()) DirReadWorker(job);
    Display *d = view->usr.display;
    int shown = -1;
    auto next = std::chrono::steady_clock::now();
    for (;;) {
        int done = job->done;
        // A few updates a second are enough to watch; each costs a probe of the file.
        if (done != shown && (done >= n || std::chrono::steady_clock::now() >= next)) {
            shown = done;
            next = std::chrono::steady_clock::now() + std::chrono::milliseconds(DPV_PROGRESS_MS);
            int last = job->last;
            if (last >= 0) {
                const std::string &path = job->paths[static_cast<size_t>(last)];
                StatusSetMsg(status, BaseName(path.c_str()), 1);
                if (job->ok[static_cast<size_t>(last)]) FilePropertyUpdate(prop, path.c_str());
            }
            StatusSetProc(status, static_cast<int>(static_cast<long>(done) * 100 / n));
            XFlush(d);
        }
        PumpExpose(d);
        if (done >= n) break;
        int depth = ToolkitLockRelease();
        {
            std::unique_lock<std::mutex> lock(job->mutex);
            job->cv.wait_for(lock, std::chrono::milliseconds(40),
                             [&] { return job->done.load() != done; });
        }
        ToolkitLockRestore(depth);
    }
    int depth = ToolkitLockRelease();
    for (std::thread &t : threads)
        t.join();
    ToolkitLockRestore(depth);
}

int mf_FileDirPrev(WINDAT *win) {
    ToolkitLockGuard guard;
    WINDAT *box = win ? FileboxFind(win) : nullptr;
    WINDAT *list = FileboxWndFListGet(box);
    const char *dir = FileboxGetCurPath(box);
    if (!box || !list || !dir) return WIN_ERROR_PARENT;
    std::string cwd = dir;
    WINDAT *top = DirPreviewGet(box);
    if (top) {
        WinSetWinTitle(top, cwd.c_str());
    } else {
        top = PreviewCreate(box, cwd.c_str());
        if (!top) return -1;
        WinUSRStringArrayValueSet(box, FBX_SLOT_DIRPREV, reinterpret_cast<char *>(top));
    }
    WINDAT *view = DirPreviewView(top), *status = DirPreviewStatus(top);
    WINDAT *prop = DirPreviewProperty(top);
    if (!view || !status || !prop) return WIN_ERROR_CHILD;

    auto job = std::make_unique<DIRREAD>();
    int n = ListEntryGetEntryMax(list);
    std::string prefix = cwd == "/" ? "/" : cwd + "/";
    for (int i = 0; i < n; i++)
        if (const char *e = ListEntryGetNr(list, i); e && *e && strcmp(e, ".") && strcmp(e, ".."))
            job->paths.push_back(e[0] == '/' ? std::string(e) : prefix + e);
    n = static_cast<int>(job->paths.size());
    job->fi.resize(static_cast<size_t>(n));
    job->ok.assign(static_cast<size_t>(n), 0);
    job->language = view->language;

    WinClearWindow(view);
    if (PaintImgSetup(view, std::max(1, n)) != 0) return WIN_ERROR_MEMORY;
    // The cells count only once they are filled.
    view->img_count = 0;
    PropertyClear(prop);
    CursorSet(view, cursorWatch);
    CursorSet(list, cursorWatch);
    XFlush(view->usr.display);
    DirReadAll(job.get(), view, status, prop);

    int cells = 0;
    for (int i = 0; i < n; i++) {
        if (!job->ok[static_cast<size_t>(i)]) continue;
        PAINTIMG *e = static_cast<PAINTIMG *>(view->img_list) + cells++;
        e->fi = job->fi[static_cast<size_t>(i)];
        WinCreateXImageSimple(view, &e->fi);
    }
    view->img_count = cells;
    StatusSetMsg(status, "", 1);
    StatusSetProc(status, 0);
    if (PAINTIMG *first = PaintImgGet(view, 0); first && first->fi.fname)
        FilePropertyUpdate(prop, first->fi.fname);
    else
        PropertyClear(prop);
    PaintImgCurFirstSet(view, 0);
    PaintImgCurSelectSet(view, 0);
    CursorSet(view, view->cursor);
    CursorSet(list, list->cursor);
    PaintImgSetupMaxWH(view, DPV_EDGE);
    ScrollWndUpdateMaxFromChild(view, view->width, std::max(1, PaintImgHGetMax(view)));
    WinClearWindow(view);
    WinPaint(view);
    WinPaint(list);
    XFlush(view->usr.display);
    return 0;
}

// ---- selecting

int DirPreviewPaintMouse(WINDATUSR *rec) {
    if (!rec || !rec->win) return WIN_ERROR_NOWINDOW;
    WINDAT *view = rec->win;
    const XEvent &ev = view->usr.evmouse;
    if (ev.type != ButtonRelease) return 0;
    int sel = PaintImgGetSelectFromMouse(view);
    PAINTIMG *e = PaintImgGet(view, sel);
    // A removed file leaves an empty cell behind.
    if (!e || !e->fi.fname) return 0;
    PaintImgCurSelectSet(view, sel);
    PaintImgPaintText(view, PaintImgCurFirstGet(view), view->img_count - 1);
    WINDAT *fb = FbOf(view);
    if (WINDAT *status = FbSlot(fb, DPV_SLOT_STATUS))
        StatusSetMsg(status, BaseName(e->fi.fname), 1);
    if (WINDAT *prop = FbSlot(fb, DPV_SLOT_PROP)) FilePropertyUpdate(prop, e->fi.fname);
    if (static_cast<int>(ev.xbutton.button) == view->mouseright)
        return MenuPulldownCreate(view, ev.xbutton.x, ev.xbutton.y, M_OPTION_MENU[5], nullptr) ? 0
                                                                                               : -1;
    return 0;
}
