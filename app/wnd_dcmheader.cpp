#include "app/wnd_dcmheader.h"

#include "app/main.h"
#include "app/wnd_paint.h"
#include "base/language.h"
#include "dicom/io_dcmdump.h"
#include "image/io_files.h"
#include "toolkit/xcolor.h"
#include "toolkit/xwin.h"
#include "toolkit/xwinfunc.h"
#include "widgets/xlist.h"
#include "widgets/xpaint.h"
#include "widgets/xscroll.h"

#include <X11/keysym.h>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

enum { HW_W = 760, HW_H = 560 };

// An open header window and the file it lists.
struct HEADERWND {
    Window window;
    WINDAT *win;
    std::string path;
};
std::vector<HEADERWND> header_wnds;

HEADERWND *HeaderOf(const WINDAT *win) {
    // Keys reach the list or its scroll window; the top-level window is the one registered.
    for (const WINDAT *w = win; w; w = w->usr.parent)
        for (HEADERWND &h : header_wnds)
            if (h.window == w->window && WinFind(h.window) == h.win) return &h;
    return nullptr;
}

int HeaderClose(WINDATUSR *rec) {
    if (!rec || !rec->win) return -20;
    for (size_t i = 0; i < header_wnds.size(); i++)
        if (header_wnds[i].win == rec->win) header_wnds.erase(header_wnds.begin() + long(i));
    WinSetFuncClose(rec->win, nullptr);
    WinClose(rec->win);
    return 1;
}

// The rows of the file into the list; the number listed.
int HeaderFill(WINDAT *list, const char *path) {
    DCMDUMP d = {};
    int rc = DcmDumpFile(path, &d);
    char line[DCMDUMP_VALUE + 256];
    for (int i = 0; i < d.count; i++) {
        DcmDumpRowText(&d.row[i], DCMDUMP_TEXT_LIST, line, sizeof line);
        ListEntryAdd(list, line[0] ? line : " ", 0);
    }
    if (rc == -104 || rc == -8)
        ListEntryAdd(list, rc == -8 ? "# out of memory" : "# cannot be read", 0);
    int rows = d.count;
    DcmDumpRelease(&d);
    return rows;
}

// The list fills the window at any size.
int HeaderResize(WINDATUSR *rec) {
    if (!rec || !rec->win) return -1;
    WINDAT *win = rec->win;
    XWindowAttributes a;
    if (WinGetAttrib(win, &a) == 0) win->width = a.width, win->height = a.height;
    WINDAT *scroll = WinChildFindTyp(win, WIN_SCROLLM);
    return scroll ? ScrollWndResize(scroll) : 0;
}

} // namespace

int WinDcmHeaderOpen(WINDAT *view) {
    if (!view || view->typ != WIN_PAINT) return -1;
    PAINTIMG *e = PaintImgGet(view, view->img_current);
    if (!e || e->fi.ftyp != FTYP_DICOM || !e->fi.fname) return -1;
    const std::string path = e->fi.fname;
    for (HEADERWND &h : header_wnds)
        if (h.path == path && WinFind(h.window) == h.win) {
            XRaiseWindow(h.win->usr.display, h.window);
            return 0;
        }
    const int lang = opt_rt[2];
    WINTYP t = MainWinTyp(HW_W, HW_H, lang, fg_form, bg_form);
    t.typ = WIN_BASE;
    t.unvisible = 1;
    WINNEIGHBOR nb{};
    WINDAT *win = WinCreateFromRootExt(nullptr, 0, 0, &t, &nb, "dcmheader", fontfs_text);
    if (!win) return -26;
    const char *base = strrchr(path.c_str(), '/');
    std::string title = std::string(lang == LG_GERMAN ? "DICOM-Kopfdaten: " : "DICOM header: ") +
                        (base ? base + 1 : path.c_str());
    WinSetWinTitleUtf8(win, title.c_str());
    WinSetFuncClose(win, HeaderClose);
    WinSetFuncResize(win, HeaderResize);
    WINTYP lt = MainWinTyp(HW_W, HW_H, lang, fg_list, bg_list);
    WINDAT *scroll = ScrollWndCreate(win, 0, 0, &lt, &nb, "header", nullptr, WIN_LIST, 1, 0, 0);
    WINDAT *list = scroll ? ScrollGetScrollWnd(scroll) : nullptr;
    if (!list) {
        WinSetFuncClose(win, nullptr);
        WinClose(win);
        return -26;
    }
    header_wnds.push_back({win->window, win, path});
    int rows = HeaderFill(list, path.c_str());
    ListEntrySetSelectNr(list, 0);
    ScrollWndUpdateFromChild(list);
    WinShow(win, 1);
    XFlush(win->usr.display);
    DravikTrace("dicom header rows=%d", rows);
    return 0;
}

int WinDcmHeaderKey(WINDAT *win, KeySym sym) {
    if (!win) return 0;
    if (sym == XK_Escape) {
        HEADERWND *h = HeaderOf(win);
        if (!h) return 0;
        WINDATUSR rec = h->win->usr;
        rec.win = h->win;
        HeaderClose(&rec);
        DravikTrace("dicom header closed");
        return 1;
    }
    if (sym != XK_i || win->typ != WIN_PAINT || win->state != PAINT_SINGLE) return 0;
    return WinDcmHeaderOpen(win) == 0;
}
