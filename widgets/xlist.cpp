#include "widgets/xlist.h"

#include "base/lg.h"
#include "base/settings.h"
#include "base/xerror.h"
#include "base/xmem.h"
#include "render/io_xpm.h"
#include "render/ximage.h"
#include "resources/symbols.h"
#include "toolkit/xcolor.h"
#include "toolkit/xevent.h"
#include "toolkit/xinit.h"
#include "toolkit/xtools.h"
#include "toolkit/xwinfunc.h"
#include "widgets/xmenu.h"
#include "widgets/xpaint.h"
#include "widgets/xscroll.h"

#include <X11/keysym.h>
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

static const long LIST_INPUT =
    KeyPressMask | KeyReleaseMask | ButtonPressMask | ButtonReleaseMask | ExposureMask;

static bool IsList(const WINDAT *l) {
    return l && l->typ == WIN_LIST;
}

static int *Ints(WINDAT *l) {
    return l && l->usr.im && l->usr.im[0] > LIST_SORT ? l->usr.im : nullptr;
}

static int Get(WINDAT *l, int slot) {
    int *im = Ints(l);
    return im ? im[slot] : 0;
}

static void Set(WINDAT *l, int slot, int v) {
    if (int *im = Ints(l)) im[slot] = v;
}

static int CharWidth() {
    return WinGetTextWidth(fontfs_list, WIN_TEXT_SAMPLE, 1);
}

int ListEntryGetSizeY(WINDAT *) {
    return std::max(0, WinGetTextHeight(fontfs_list, WIN_TEXT_SAMPLE, 0)) + 4;
}

int ListEntryGetRows(WINDAT *l) {
    if (!l) return 0;
    return l->height / ListEntryGetSizeY(l);
}

static XImage *FolderIcon(WINDAT *l) {
    if (!l || !l->img_list || l->img_count < 1) return nullptr;
    return static_cast<PAINTIMG *>(l->img_list)->fi.ximage;
}

static int TextX(WINDAT *l) {
    XImage *icon = FolderIcon(l);
    return icon ? 2 + icon->width : 14;
}

// ---- entries

static void EntriesFree(WINDAT *l) {
    char **strm = l->usr.strm;
    if (!strm) return;
    int n = strm[0] ? atoi(strm[0]) : 0;
    for (int i = 1; i < n; i++)
        if (strm[i]) MemFree(strm[i], "list");
    WinUSRStringArrayRemove(l);
}

static void ResetView(WINDAT *l) {
    for (int s : {LIST_COUNT, LIST_SELECT, LIST_XMAX_PIX, LIST_XMAX_CHR, LIST_POSX, LIST_FIRST})
        Set(l, s, 0);
}

// A pointer array of n entry slots (all empty) with its length text.
static char **EntriesCreate(int n) {
    auto a = static_cast<char **>(MemCreate(static_cast<long>(n + 1) * sizeof(char *), "strm"));
    if (!a) return nullptr;
    memset(a, 0, static_cast<size_t>(n + 1) * sizeof(char *));
    char len[16];
    snprintf(len, sizeof len, "%i", n + 1);
    a[0] = static_cast<char *>(MemCreate(static_cast<long>(strlen(len) + 1), "strm"));
    if (!a[0]) {
        MemFree(a, "strm");
        return nullptr;
    }
    strcpy(a[0], len);
    return a;
}

static char *EntryCopy(const char *text) {
    size_t n = strlen(text);
    auto p = static_cast<char *>(MemCreate(static_cast<long>(n + 1), "list"));
    if (p) memcpy(p, text, n + 1);
    return p;
}

int ListEntryClear(WINDAT *l) {
    if (!l) return -15;
    if (!IsList(l)) return -22;
    if (!Ints(l)) return -8;
    EntriesFree(l);
    ResetView(l);
    return 0;
}

int ListEntrySetupWidth(WINDAT *l) {
    if (!l) return WIN_ERROR_ARG;
    if (!Ints(l)) return WIN_ERROR_MEMORY;
    int n = Get(l, LIST_COUNT), widest = 0;
    for (int i = 1; i <= n && l->usr.strm; i++)
        if (const char *e = l->usr.strm[i]) widest = std::max(widest, static_cast<int>(strlen(e)));
    Set(l, LIST_XMAX_CHR, widest);
    Set(l, LIST_XMAX_PIX, widest * CharWidth());
    return 0;
}

int ListEntryAdd(WINDAT *l, const char *text, int) {
    if (!l || !text || !*text) return WIN_ERROR_ARG;
    if (!IsList(l)) return WIN_ERROR_TYPE;
    if (!Ints(l)) return WIN_ERROR_MEMORY;
    int n = Get(l, LIST_COUNT);
    if (n < 1 || !l->usr.strm) {
        EntriesFree(l);
        ResetView(l);
        n = 0;
        l->usr.strm = EntriesCreate(1);
        if (!l->usr.strm) return WIN_ERROR_MEMORY;
    } else {
        auto a = static_cast<char **>(
            MemRealloc(l->usr.strm, static_cast<long>(n + 2) * sizeof(char *), "strm"));
        if (!a) return WIN_ERROR_MEMORY;
        a[n + 1] = nullptr;
        l->usr.strm = a;
        char len[16];
        snprintf(len, sizeof len, "%i", n + 2);
        char *lt =
            static_cast<char *>(MemRealloc(a[0], static_cast<long>(strlen(len) + 1), "strm"));
        if (!lt) return WIN_ERROR_MEMORY;
        strcpy(lt, len);
        a[0] = lt;
    }
    l->usr.strm[n + 1] = EntryCopy(text);
    if (!l->usr.strm[n + 1]) return WIN_ERROR_MEMORY;
    Set(l, LIST_COUNT, n + 1);
    // Only the new entry can widen the list: a scan of all per entry made long lists quadratic.
    int widest = n ? std::max(Get(l, LIST_XMAX_CHR), static_cast<int>(strlen(text)))
                   : static_cast<int>(strlen(text));
    Set(l, LIST_XMAX_CHR, widest);
    Set(l, LIST_XMAX_PIX, widest * CharWidth());
    ScrollWndUpdateMaxFromChild(l, Get(l, LIST_XMAX_PIX), n + 1);
    return 0;
}

// ---- creation and release

void ListEvInit() {
    static const WINEVHANDLER h = {ListPress, ListRelease, nullptr, ListKey,
                                   nullptr,   nullptr,     nullptr, ListRelease};
    WinEvHandlerSet(WIN_LIST, &h);
}

WINDAT *ListCreate(WINDAT *parent, int x, int y, WINTYP *typ, const WINNEIGHBOR *nb,
                   const char *name) {
    if (!parent || !typ || !nb) return nullptr;
    ListEvInit();
    typ->typ = WIN_LIST;
    WINTYP t = *typ;
    if (!t.func[WIN_FUNC_EXPOSE]) t.func[WIN_FUNC_EXPOSE] = ExposeList;
    if (!t.func[WIN_FUNC_RESIZE]) t.func[WIN_FUNC_RESIZE] = ResizeList;
    WINDAT *l = WinCreate(parent, x, y, &t, nb, name, fontfs_list);
    if (!l) return nullptr;
    WinSetFuncIntClose(l, ListFuncIntClose);
    if (l->window) WinSelectInput(l->usr.display, l->window, LIST_INPUT);
    if (WinUSRIntArrayCreate(l, LIST_INTS) != 0) {
        WinClose(l);
        return nullptr;
    }
    Set(l, LIST_RESERVED, 2);
    Set(l, LIST_SORT, LastFileSort);
    Set(l, LIST_SELECT_TYP, 1);
    ListCreateIcons(l);
    return l;
}

XImage *XImageCreateList() {
    return ImageCreateFromDataSimple(const_cast<char **>(dir_closed_gray), bg_sz_list);
}

Pixmap PixmapCreateList(WINDAT *l) {
    if (!l || !l->window || !l->gc) return 0;
    XImage *im = XImageCreateList();
    if (!im) return 0;
    Display *d = l->usr.display;
    Pixmap p = XCreatePixmap(d, l->window, 16, 16, static_cast<unsigned>(main_depth));
    XSetForeground(d, l->gc, bg_list);
    XFillRectangle(d, p, l->gc, 0, 0, 16, 16);
    XPutImage(d, p, l->gc, im, 0, 0, 0, 0, 16, 16);
    XSetForeground(d, l->gc, fg_list);
    WinFreeXImage(im);
    return p;
}

int ListCreateIcons(WINDAT *l) {
    if (!l) return WIN_ERROR_ARG;
    if (PaintImgPaintMemCreate(l, 1) != 0) return WIN_ERROR_MEMORY;
    auto *e = static_cast<PAINTIMG *>(l->img_list);
    e->fi.ximage = l->window ? XImageCreateList() : nullptr;
    return e->fi.ximage ? 0 : -24;
}

int ListFuncIntClose(WINDATUSR *rec) {
    if (!rec || !rec->win) return WIN_ERROR_NOWINDOW;
    WINDAT *l = rec->win;
    EntriesFree(l);
    if (l->img_list) {
        auto *e = static_cast<PAINTIMG *>(l->img_list);
        if (e->fi.ximage) WinFreeXImage(e->fi.ximage);
        MemFree(l->img_list, "ip");
        l->img_list = nullptr;
        l->img_count = 0;
    }
    // A directory list keeps its directory as its user text.
    if (l->usr.str) WinUSRStringRemove(l);
    return WinUSRIntArrayRemove(l);
}

// ---- painting

static std::string EntryPath(WINDAT *l, const char *entry) {
    if (!l->label || l->label[0] != '/') return entry;
    std::string p = l->label;
    if (p.back() != '/') p += '/';
    return p + entry;
}

int ListPaint(WINDAT *l) {
    if (!l) return WIN_ERROR_ARG;
    if (!l->gc) return WIN_ERROR_GC;
    if (!l->usr.strm) {
        if (l->window) XClearWindow(l->usr.display, l->window);
        return WIN_ERROR_MEMORY;
    }
    if (l->width <= 0) return -1;
    if (WinClearWindow(l) != 0) return -1;
    int count = Get(l, LIST_COUNT);
    if (!Ints(l) || count < 1 || Get(l, LIST_XMAX_PIX) < 1) return WIN_ERROR_MEMORY;
    Display *d = l->usr.display;
    XSetFillStyle(d, l->gc, FillSolid);
    int eh = ListEntryGetSizeY(l), rows = l->height / eh;
    int tx = TextX(l), sel = Get(l, LIST_SELECT), posx = Get(l, LIST_POSX);
    int xpix = Get(l, LIST_XMAX_PIX), xchr = Get(l, LIST_XMAX_CHR);
    XImage *icon = FolderIcon(l);
    bool dirlist = l->state == LIST_DIRECTORY;
    int row = 0;
    for (int i = Get(l, LIST_FIRST); i < count && row < rows; i++) {
        const char *e = l->usr.strm[i + 1];
        if (!e) continue;
        int y0 = row * eh;
        if (dirlist) {
            struct stat st;
            bool known = stat(EntryPath(l, e).c_str(), &st) == 0;
            if (known && (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode) || S_ISFIFO(st.st_mode)))
                continue;
            if (known && S_ISDIR(st.st_mode)) {
                if (icon)
                    XPutImage(d, l->window, l->gc, icon, 0, 0, 0, y0 + (eh - icon->height) / 2,
                              static_cast<unsigned>(icon->width),
                              static_cast<unsigned>(icon->height));
                else
                    WinDraw3dRect(l, 1, y0 + 2, 10, eh - 5, WIN_3D_RAISED, 1);
            }
        }
        if (i == sel) {
            XSetForeground(d, l->gc, bg_sel);
            XFillRectangle(d, l->window, l->gc, tx, y0,
                           static_cast<unsigned>(std::max(1, l->width - tx)),
                           static_cast<unsigned>(eh));
            XSetForeground(d, l->gc, fg_sel);
            XSetBackground(d, l->gc, bg_sel);
        } else {
            XSetForeground(d, l->gc, l->fg);
            XSetBackground(d, l->gc, l->bg);
        }
        int len = static_cast<int>(strlen(e)), skip = 0;
        if (xpix > l->width && posx != 0 && xpix > 0)
            skip = static_cast<int>(static_cast<long>(posx) * xchr / xpix);
        if (skip < len) WinDrawString(l, tx, y0 + eh - 4, e + skip, len - skip);
        row++;
    }
    XSetForeground(d, l->gc, l->fg);
    XSetBackground(d, l->gc, l->bg);
    return 0;
}

int ExposeList(WINDATUSR *rec) {
    if (!rec || !rec->win) return WIN_ERROR_NOWINDOW;
    return ListPaint(rec->win);
}

int ResizeList(WINDATUSR *rec) {
    if (!rec || !rec->win) return WIN_ERROR_NOWINDOW;
    ListPaint(rec->win);
    return ScrollWndUpdateFromChild(rec->win);
}

// ---- mouse

int ListPress(WINDAT *l) {
    if (!l) return WIN_ERROR_ARG;
    if (l->disable) {
        MsgBeep(l, 0);
        return -1;
    }
    return 0;
}

int ListRelease(WINDAT *l) {
    if (!l) return WIN_ERROR_ARG;
    if (l->disable) {
        MsgBeep(l, 0);
        return -1;
    }
    const XButtonEvent &ev = l->usr.evmouse.xbutton;
    // Server times are 32-bit and wrap; a first release has nothing to pair with.
    unsigned long t = ev.time & 0xFFFFFFFFul, last = static_cast<unsigned long>(l->lasttime);
    unsigned long gap = (t - last) & 0xFFFFFFFFul;
    if (l->lasttime == 0 || (gap != 0 && gap < 0x80000000ul)) {
        if (l->lasttime != 0 && gap < LIST_DBLCLICK_MS) l->dblclick = 1;
        l->lasttime = static_cast<long>(t);
        int count = Get(l, LIST_COUNT);
        if (count > 0) {
            int n = Get(l, LIST_FIRST) + std::max(0, ev.y) / ListEntryGetSizeY(l);
            Set(l, LIST_SELECT, std::min(n, count - 1));
        }
        ListPaint(l);
    }
    return WinFuncMouse(l);
}

// ---- keys

int ListEntrySetSelectText(WINDAT *l, const char *text) {
    if (!l || !text || !*text) return WIN_ERROR_ARG;
    int count = Get(l, LIST_COUNT);
    if (!Ints(l) || !l->usr.strm) return WIN_ERROR_MEMORY;
    int c = tolower(static_cast<unsigned char>(text[0]));
    for (int i = 0; i < count; i++) {
        const char *e = l->usr.strm[i + 1];
        if (!e || tolower(static_cast<unsigned char>(e[0])) != c) continue;
        int rows = ListEntryGetRows(l), first = Get(l, LIST_FIRST);
        if (count > rows && (i < first || i >= first + rows))
            Set(l, LIST_FIRST, std::max(0, std::min(i, count - rows)));
        Set(l, LIST_SELECT, i);
        return 0;
    }
    return WIN_ERROR_ARG;
}

// The key's action; 1 when it changed nothing (no repaint, no callback).
static int ListKeyAction(WINDAT *l, KeySym sym, const char *text, int *result) {
    int count = Get(l, LIST_COUNT), sel = Get(l, LIST_SELECT), first = Get(l, LIST_FIRST);
    int rows = std::max(1, ListEntryGetRows(l));
    int xpix = Get(l, LIST_XMAX_PIX), posx = Get(l, LIST_POSX);
    switch (sym) {
    case XK_Up:
        if (sel <= 0) return 1;
        Set(l, LIST_SELECT, --sel);
        if (sel < first) Set(l, LIST_FIRST, sel);
        return 0;
    case XK_Down:
        if (sel >= count - 1) return 1;
        Set(l, LIST_SELECT, ++sel);
        if (sel >= first + rows) Set(l, LIST_FIRST, first + 1);
        return 0;
    case XK_Page_Up: {
        if (sel <= 0) return 1;
        int n = sel - rows;
        if (n >= 0) {
            Set(l, LIST_FIRST, std::max(0, first - rows));
        } else {
            n = 0;
            Set(l, LIST_FIRST, 0);
        }
        Set(l, LIST_SELECT, n);
        return 0;
    }
    case XK_Page_Down: {
        if (sel >= count - 1) return 1;
        if (count < rows) {
            Set(l, LIST_SELECT, count - 1);
        } else if (sel + rows < count) {
            int n = sel + rows;
            if (n + rows >= count) n = count - rows;
            // The selection keeps its row; one scrolled out of the view lands on its edge.
            Set(l, LIST_FIRST, n - std::clamp(sel - first, 0, rows - 1));
            Set(l, LIST_SELECT, n);
        } else {
            Set(l, LIST_SELECT, count - 1);
            Set(l, LIST_FIRST, count - rows);
        }
        return 0;
    }
    case XK_Home:
    case 0xFFD8:
        if (sel <= 0 && first == 0) return 1;
        Set(l, LIST_FIRST, 0);
        Set(l, LIST_SELECT, 0);
        return 0;
    case XK_End:
    case 0xFFDE:
        if (sel >= count - 1) return 1;
        if (count - rows > 0) Set(l, LIST_FIRST, count - rows);
        Set(l, LIST_SELECT, count - 1);
        return 0;
    case XK_Left:
        if (xpix <= l->width || posx == 0) return 1;
        Set(l, LIST_POSX, std::max(0, posx - l->width / 2));
        return 0;
    case XK_Right:
        if (xpix <= l->width || posx + l->width / 2 > xpix) return 1;
        Set(l, LIST_POSX, posx + l->width / 2);
        return 0;
    case XK_Return:
    case XK_KP_Enter:
        *result = WinFuncReturn(l);
        return 0;
    case XK_space:
        *result = WinFuncSelect(l);
        return 0;
    case XK_Insert:
        *result = WinFuncAdd(l);
        return 0;
    case XK_Delete:
        *result = WinFuncRemove(l);
        return 0;
    case XK_Shift_L:
        return 1;
    default:
        if (!text[0]) return 1;
        return ListEntrySetSelectText(l, text) == 0 ? 0 : 1;
    }
}

int ListKey(WINDAT *l) {
    if (!l) return WIN_ERROR_ARG;
    if (l->disable) {
        MsgBeep(l, 0);
        return -1;
    }
    XKeyEvent key = l->usr.evkey.xkey;
    char text[21] = {0};
    KeySym sym = 0;
    XLookupString(&key, text, 20, &sym, nullptr);
    if (Get(l, LIST_COUNT) < 1 || Get(l, LIST_SELECT) < 0 || Get(l, LIST_FIRST) < 0)
        return WIN_ERROR_MEMORY;
    Window xw = l->window;
    int result = 0;
    if (ListKeyAction(l, sym, text, &result)) return 0;
    // The callbacks may have closed the list.
    if (WinFind(xw) != l) return result;
    ListPaint(l);
    ScrollWndUpdateFromChild(l);
    WinFuncKeyb(l);
    return result;
}

// ---- directory listing

namespace {

struct LISTFILE {
    std::string name;
    long long size;
    long long date; // local date and time as YYYYMMDDhhmmss
};

// Dates compare as year, month, day, then time of day, as their texts do.
long long DateKey(time_t t) {
    struct tm tm;
    if (!localtime_r(&t, &tm)) return 0;
    return ((((tm.tm_year + 1900LL) * 100 + tm.tm_mon + 1) * 100 + tm.tm_mday) * 100 + tm.tm_hour) *
               10000 +
           tm.tm_min * 100 + tm.tm_sec;
}

const char *Extension(const std::string &name) {
    size_t dot = name.rfind('.');
    return dot == std::string::npos ? name.c_str() : name.c_str() + dot + 1;
}

bool NameLess(const LISTFILE &a, const LISTFILE &b) {
    return strcmp(a.name.c_str(), b.name.c_str()) < 0;
}

// Sorts the files. Size and date keep directory order among equals, as neighbour swaps
// would; each file's status was read once, while listing.
void SortFiles(std::vector<LISTFILE> &files, int mode) {
    switch (mode) {
    case LIST_SORT_NAME:
        std::sort(files.begin(), files.end(), NameLess);
        break;
    case LIST_SORT_TYPE:
        std::sort(files.begin(), files.end(), NameLess);
        std::stable_sort(files.begin(), files.end(), [](const LISTFILE &a, const LISTFILE &b) {
            return strcmp(Extension(a.name), Extension(b.name)) < 0;
        });
        break;
    case LIST_SORT_SIZE:
        std::stable_sort(files.begin(), files.end(),
                         [](const LISTFILE &a, const LISTFILE &b) { return a.size < b.size; });
        break;
    case LIST_SORT_DATE:
        std::stable_sort(files.begin(), files.end(),
                         [](const LISTFILE &a, const LISTFILE &b) { return a.date < b.date; });
        break;
    default:
        break;
    }
}

bool Matches(const char *name, bool filter, const std::string &ext) {
    if (!filter) return true;
    size_t n = strlen(name);
    if (n < ext.size()) return true;
    for (size_t i = 0; i < ext.size(); i++)
        if (tolower(static_cast<unsigned char>(name[n - ext.size() + i])) != ext[i]) return false;
    return true;
}

} // namespace

int ListAddCurDir(WINDAT *l) {
    if (!l) return WIN_ERROR_ARG;
    if (!Ints(l)) return WIN_ERROR_MEMORY;
    memset(&l->usr.evmouse, 0, sizeof l->usr.evmouse);
    memset(&l->usr.evkey, 0, sizeof l->usr.evkey);
    if (!l->usr.str) WinUSRStringSet(l, "*.*");
    const char *pat = l->usr.str ? l->usr.str : "*.*";
    const char *dot = strrchr(pat, '.');
    bool filter = dot && strlen(pat) >= 3 && pat[2] != '*';
    std::string ext = filter ? dot + 1 : "";
    DIR *dir = opendir(".");
    if (!dir) return MsgErrFile(l->language, "CurDir", -151, errno, l);
    char cwd[4096];
    if (getcwd(cwd, sizeof cwd)) WinSetLabel(l, cwd, 0);
    EntriesFree(l);
    ResetView(l);
    std::vector<std::string> dirs;
    std::vector<LISTFILE> files;
    int seen = 0;
    int fd = dirfd(dir);
    while (struct dirent *de = readdir(dir)) {
        seen++;
        const char *name = de->d_name;
        struct stat st;
        if (fstatat(fd, name, &st, 0) != 0 && fstatat(fd, name, &st, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        if (S_ISDIR(st.st_mode)) {
            if (strcmp(name, ".") && strcmp(name, "..")) dirs.emplace_back(name);
        } else if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode) || S_ISFIFO(st.st_mode)) {
            continue;
        } else if (Matches(name, filter, ext)) {
            files.push_back({name, static_cast<long long>(st.st_size),
                             LIST_SORT_DATE == Get(l, LIST_SORT) ? DateKey(st.st_mtime) : 0});
        }
    }
    closedir(dir);
    if (seen == 0) return -1;
    std::sort(dirs.begin(), dirs.end(), [](const std::string &a, const std::string &b) {
        return strcmp(a.c_str(), b.c_str()) < 0;
    });
    SortFiles(files, Get(l, LIST_SORT));
    int n = 1 + static_cast<int>(dirs.size() + files.size());
    char **a = EntriesCreate(n);
    if (!a) return MsgErrWin(l->language, "list", -8), -1;
    l->usr.strm = a;
    int i = 1;
    bool ok = (a[i++] = EntryCopy("..")) != nullptr;
    for (const std::string &s : dirs)
        ok = ok && (a[i++] = EntryCopy(s.c_str())) != nullptr;
    for (const LISTFILE &f : files)
        ok = ok && (a[i++] = EntryCopy(f.name.c_str())) != nullptr;
    Set(l, LIST_COUNT, n);
    if (!ok) {
        EntriesFree(l);
        ResetView(l);
        MsgErrWin(l->language, "list", -8);
        return -1;
    }
    ListEntrySetupWidth(l);
    ScrollWndUpdateMaxFromChild(l, Get(l, LIST_XMAX_PIX), n);
    return 0;
}

// Enters `path` or the nearest parent that can be entered, else $HOME; 0 when one was.
static int ListChdir(char *path, int size) {
    if (chdir(path) == 0) return 0;
    for (int i = static_cast<int>(strlen(path)) - 1; i >= 0; i--) {
        if (path[i] != '/') continue;
        path[i == 0 ? 1 : i] = '\0';
        if (verbose) fprintf(stderr, "setze path %s\n", path);
        if (chdir(path) == 0) return 0;
    }
    const char *home = getenv("HOME");
    if (!home || chdir(home) != 0) return -1;
    snprintf(path, static_cast<size_t>(size), "%s", home);
    if (verbose) fprintf(stderr, "setze home %s\n", path);
    return 0;
}

int ListDirectoryAdd(WINDAT *l, char *path, int size) {
    if (!l || !path || size < 2) return WIN_ERROR_ARG;
    if (!IsList(l)) return WIN_ERROR_TYPE;
    // Whatever happens, the caller's working directory is restored.
    int old = open(".", O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (old < 0) return MsgErrFile(l->language, ".", -151, errno, l);
    int r;
    if (ListChdir(path, size) != 0) {
        r = MsgErrFile(l->language, path, -151, errno, l);
    } else {
        bool busy = l->window != 0;
        if (busy) CursorSet(l, cursorWatch);
        WinSetLabel(l, path, 0);
        r = ListAddCurDir(l);
        ListPaint(l);
        if (busy) CursorSet(l, l->cursor);
    }
    if (fchdir(old) != 0) r = MsgErrFile(l->language, ".", -151, errno, l);
    close(old);
    return r;
}

int ListEntrySetSort(WINDATUSR *rec) {
    if (!rec) return WIN_ERROR_ARG;
    WINDAT *l = rec->parentgrp;
    if (rec->parent && rec->parent->typ == WIN_MENUP) MenuOptionClose(rec->parent);
    if (!l) return WIN_ERROR_PARENT;
    if (!IsList(l)) return -18;
    Set(l, LIST_SORT, rec->i);
    LastFileSort = rec->i;
    if (!l->label) return ListAddCurDir(l);
    std::string dir = l->label;
    std::vector<char> buf(dir.begin(), dir.end());
    buf.resize(dir.size() + 4096, '\0');
    return ListDirectoryAdd(l, buf.data(), static_cast<int>(buf.size()));
}

// ---- accessors

static int Checked(WINDAT *l, int slot) {
    if (!l) return WIN_ERROR_ARG;
    if (!IsList(l)) return -1;
    if (!Ints(l)) return WIN_ERROR_MEMORY;
    return Get(l, slot);
}

static int CheckedSet(WINDAT *l, int slot, int v) {
    if (!l) return WIN_ERROR_ARG;
    if (!IsList(l)) return -1;
    if (!Ints(l)) return WIN_ERROR_MEMORY;
    Set(l, slot, v);
    return 0;
}

int ListEntryGetViewFirstNr(WINDAT *l) {
    return Checked(l, LIST_FIRST);
}
int ListEntryGetSelectNr(WINDAT *l) {
    return Checked(l, LIST_SELECT);
}
int ListEntrySetSelectNr(WINDAT *l, int n) {
    return CheckedSet(l, LIST_SELECT, n);
}
const char *ListEntryGetNr(WINDAT *l, int n) {
    if (!IsList(l) || !l->usr.strm || n < 0 || n >= Get(l, LIST_COUNT)) return nullptr;
    return l->usr.strm[n + 1];
}
const char *ListEntryGetSelectEntry(WINDAT *l) {
    return ListEntryGetNr(l, Get(l, LIST_SELECT));
}
int ListEntryGetPosX(WINDAT *l) {
    return Checked(l, LIST_POSX);
}
int ListEntrySetPosX(WINDAT *l, int v) {
    return CheckedSet(l, LIST_POSX, v);
}
int ListEntryGetPosY(WINDAT *l) {
    return Checked(l, LIST_FIRST);
}
int ListEntrySetPosY(WINDAT *l, int v) {
    return CheckedSet(l, LIST_FIRST, v);
}
int ListEntryGetEntryMax(WINDAT *l) {
    return Checked(l, LIST_COUNT);
}
int ListEntryGetEntrySelectMax(WINDAT *l) {
    return Checked(l, LIST_SELECT_MAX);
}
int ListEntrySetEntrySelectMax(WINDAT *l, int v) {
    return CheckedSet(l, LIST_SELECT_MAX, v);
}
int ListEntryGetEntrySelectTyp(WINDAT *l) {
    return Checked(l, LIST_SELECT_TYP);
}
int ListEntrySetEntrySelectTyp(WINDAT *l, int v) {
    return CheckedSet(l, LIST_SELECT_TYP, v);
}
int ListEntryGetStrXMax(WINDAT *l) {
    return Checked(l, LIST_XMAX_PIX);
}
