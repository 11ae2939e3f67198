// The album window: the notebook pages, the view of the thumbnails, adding files, directories
// and trees to the album file, removing entries and the save question on closing.
#include "app/mf_album.h"

#include "app/main.h"
#include "app/wnd_paint.h"
#include "base/language.h"
#include "base/lg.h"
#include "base/settings.h"
#include "base/xerror.h"
#include "base/xmem.h"
#include "render/ximage.h"
#include "toolkit/xbase.h"
#include "toolkit/xcolor.h"
#include "toolkit/xinit.h"
#include "toolkit/xtools.h"
#include "toolkit/xwinfunc.h"
#include "widgets/xbtn.h"
#include "widgets/xedit.h"
#include "widgets/xfilebox.h"
#include "widgets/xlabel.h"
#include "widgets/xlist.h"
#include "widgets/xmenu.h"
#include "widgets/xnotebook.h"
#include "widgets/xpaint.h"
#include "widgets/xpaned.h"
#include "widgets/xscroll.h"
#include "widgets/xstatus.h"
#include "widgets/xsymbol.h"

#include "base/allg.h"

#include <algorithm>
#include <climits>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <new>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <vector>

enum { ALBUM_W = 640, ALBUM_H = 720, ALBUM_NB_H = 370, ALBUM_ROW = 22 };

ALBUMWND *AlbumWnd(ALBUMDAT *album) {
    return reinterpret_cast<ALBUMWND *>(album);
}

// ---- opening

int MF_AlbumOpen(Display *display) {
    return FileboxOpenAlbum(nullptr, display, AlbumOpenBtnReturn) ? 0 : -26;
}

std::string AlbumOpenPath(const char *dir, const char *name) {
    std::string n = name ? name : "";
    size_t len = n.size();
    if (len >= 4 && n.compare(len - 4, 4, ".alb") != 0) n += ".alb";
    if (!n.empty() && n[0] == '/') return n;
    std::string d = dir ? dir : ".";
    return d == "/" ? "/" + n : d + "/" + n;
}

static WINDAT *TopOf(WINDAT *win) {
    while (win && win->usr.parent)
        win = win->usr.parent;
    return win;
}

int AlbumOpenBtnReturn(WINDATUSR *rec) {
    if (!rec) return WIN_ERROR_ARG;
    WINDAT *dlg = rec->win ? TopOf(rec->win) : nullptr;
    if (rec->i != 1) return dlg ? WinClose(dlg) : 0;
    // From the album file box: its directory and the typed or selected name; otherwise the
    // name in rec->str, relative to the working directory.
    std::string dir, name;
    if (WINDAT *box = dlg ? FileboxFind(dlg) : nullptr) {
        const char *cur = FileboxGetCurPath(box);
        const char *typed = FileboxGetEditFile(box);
        const char *sel = FileboxGetSelectFile(box);
        dir = cur ? cur : "";
        name = typed && *typed ? typed : sel && strcmp(sel, "..") ? sel : "";
    } else {
        char cwd[RC_PATH_SIZE];
        if (!getcwd(cwd, sizeof cwd)) return -151;
        dir = cwd;
        name = rec->str ? rec->str : "";
    }
    if (name.empty()) return WIN_ERROR_ARG;
    snprintf(LastPathAlbum, sizeof LastPathAlbum, "%s", dir.c_str());
    std::string path = AlbumOpenPath(dir.c_str(), name.c_str());
    if (dlg) WinClose(dlg);
    return AlbumOpenAction(main_display, path.c_str());
}

static WINDAT *Label(WINDAT *parent, int x, int y, int w, const char *text) {
    WINTYP t = MainWinTyp(w, std::max(LabelGetInitHeight(text, 0), ALBUM_ROW - 2), parent->language,
                          fg_label, parent->bg);
    WINNEIGHBOR nb{};
    return LabelCreate(parent, x, y, &t, &nb, text);
}

static WINDAT *Field(WINDAT *parent, int x, int y, int w, int lines, const char *text) {
    WINTYP t = MainWinTyp(w, EditGetInitHeight(text, 0, lines), parent->language, fg_edit, bg_edit);
    t.state = lines > 1 ? EDIT_MULTI : EDIT_SINGLE;
    WINNEIGHBOR nb{};
    WINDAT *f = EditCreate(parent, x, y, &t, &nb, "edit");
    if (!f) return nullptr;
    EditTextSetCharMax(f, 300);
    EditTextNew(f, text, 0);
    WinSetDisable(f, 1, 0);
    return f;
}

static WINDAT *Button(WINDAT *parent, int x, int y, const char *text, WINFUNC fn) {
    WINTYP t = MainWinTyp(BtnGetInitWidth(text, 0), BtnGetInitHeight(text, 0), parent->language,
                          fg_btn, bg_btn);
    t.state = BTN_PUSH;
    WINNEIGHBOR nb{};
    return BtnCreate(parent, x, y, &t, &nb, text, fn);
}

static WINDAT *Progress(WINDAT *parent, int x, int y, int w) {
    WINTYP t = MainWinTyp(w, StatusGetHeight(), parent->language, fg_status, bg_status);
    // Framed, so the lines can be found while they are empty.
    t.border = 1;
    WINDAT *s = StatusCreate(parent, &t, "progress", STATUS_GEOMETRY, 1);
    if (s) WinMove(s, x, y);
    return s;
}

std::string AlbumEntriesText(const ALBUMDAT *a) {
    char text[120];
    snprintf(text, sizeof text, "%i  ( + %i  - %i )  =  %i", a->entries, a->added, a->removed,
             a->entries + a->added - a->removed);
    return text;
}

// Page 0: the album file's property rows 2 .. 8 of the file box (access, modification, i-node
// change, size, permission, user and group) and the entries row.
static void PageProperty(ALBUMWND *w, WINDAT *page) {
    Label(page, 10, 6, page->width - 20, w->a.path);
    for (int i = 0; i < 8; i++)
        w->proplabel[i] = Label(page, 10, 30 + i * ALBUM_ROW, page->width - 20, " ");
}

static void AlbumPageUpdateProp(ALBUMWND *w) {
    int lang = w->a.language;
    for (int i = 0; i < 8; i++) {
        if (!w->proplabel[i]) continue;
        char word[100], value[300] = "";
        if (i < 7) {
            FilePropertyGetText(lang, i + 2, word, sizeof word);
            FilePropertyValue(w->a.path, i + 2, lang, value, sizeof value);
        } else {
            snprintf(word, sizeof word, "%s", LgRes(45, lang));
            snprintf(value, sizeof value, "%s", AlbumEntriesText(&w->a).c_str());
        }
        char line[420];
        snprintf(line, sizeof line, "%s:  %s", word, value);
        LabelSet(w->proplabel[i], line);
    }
}

static void PageDetails(WINDAT *page, int lang) {
    char word[80];
    snprintf(word, sizeof word, "%s:", LgRes(46, lang));
    Label(page, 10, 6, page->width - 20, word);
    Field(page, 10, 30, page->width - 20, 3, LgRes(46, lang));
}

// The add controls in the file box's right side, below its type selector: the label, the
// three add buttons in a row, the two progress lines and Cancel.
static int AddAreaLayout(WINDATUSR *rec) {
    ALBUMDAT *a = rec && rec->win ? AlbumWndDataGet(rec->win) : nullptr;
    if (!a) return 0;
    ALBUMWND *w = AlbumWnd(a);
    WINDAT *area = rec->win;
    int x = 0, y = 0, width = std::max(40, area->width - 8);
    if (WINDAT *l = w->addctl[0]) {
        WinMove(l, 0, 0);
        y = l->height + 6;
    }
    int bh = 0;
    for (int i = 1; i < 4; i++)
        if (WINDAT *b = w->addctl[i]) {
            int bw = b->width + 2 * b->border;
            // A narrow area takes the buttons in two rows.
            if (x > 0 && x + bw > width) x = 0, y += bh + 6;
            WinMove(b, x, y);
            x += bw + 6;
            bh = std::max(bh, b->height + 2 * b->border);
        }
    y += bh + 12;
    for (WINDAT *p : {w->progress1, w->progress2})
        if (p) {
            p->width = width - 2 * p->border;
            WinMoveResizeWindow(p, 0, y, p->width, p->height);
            WinFuncResize(p);
            y += p->height + 2 * p->border + 6;
        }
    if (WINDAT *c = w->cancelbtn) WinMove(c, 0, y + 4);
    return 0;
}

// Page 2: a file box of the add kind in the last open directory, every file listed.
static void PageAdd(ALBUMWND *w, WINDAT *page) {
    int lang = w->a.language;
    WINTYP t = MainWinTyp(page->width - 12, page->height - 12, lang, fg_form, bg_form);
    WINNEIGHBOR nb{};
    nb.space[WIN_SIDE_LEFT] = nb.space[WIN_SIDE_TOP] = 6;
    nb.space[WIN_SIDE_RIGHT] = nb.space[WIN_SIDE_BOTTOM] = 6;
    FILEBOXOPT fo{1, FBX_ALBUM_ADD, w->adddir.c_str(), "*.*", 5};
    w->addbox = FileboxCreate(page, 0, 0, &t, &nb, &fo);
    WINDAT *area = w->addbox ? FileboxWndFTypOptGet(w->addbox) : nullptr;
    if (!area) return;
    w->addctl[0] = Label(area, 0, 0, area->width, LgAct(16, lang));
    const int rows[3] = {51, 1, 52};
    const WINFUNC fns[3] = {AlbumPageEntryAddFuncAdd, AlbumPageEntryAddFuncAddDir,
                            AlbumPageEntryAddFuncAddDirSub};
    for (int i = 0; i < 3; i++)
        w->addctl[i + 1] = Button(area, 0, 0, LgRes(rows[i], lang), fns[i]);
    w->progress1 = Progress(area, 0, 0, area->width);
    w->progress2 = Progress(area, 0, 0, area->width);
    w->cancelbtn = Button(area, 0, 0, LgRes(17, lang), AlbumPageEntryAddFuncAddCancel);
    if (w->cancelbtn) WinSetDisable(w->cancelbtn, 1, 0);
    WinSetFuncResize(area, AddAreaLayout);
    AddAreaLayout(&area->usr);
}

// A label of width `lw` at `left` and a single-line field right of it that keeps filling the
// rest of the row when the window is resized (the field follows its left neighbour).
static WINDAT *LabeledField(WINDAT *page, int left, int y, int lw, const char *word, int kind) {
    WINTYP lt = MainWinTyp(lw, ALBUM_ROW - 2, page->language, fg_label, page->bg);
    WINNEIGHBOR nb{};
    nb.space[WIN_SIDE_LEFT] = left;
    WINDAT *label = LabelCreate(page, 0, y + 2, &lt, &nb, word);
    if (!label) return nullptr;
    WINTYP ft = MainWinTyp(std::max(20, page->width - left - lw - 16),
                           EditGetInitHeight(word, 0, 1), page->language, fg_edit, bg_edit);
    ft.state = kind;
    WINNEIGHBOR fnb{};
    fnb.neighbor[WIN_SIDE_LEFT] = label;
    fnb.space[WIN_SIDE_LEFT] = 6;
    fnb.space[WIN_SIDE_RIGHT] = 10;
    WINDAT *f = EditCreate(page, 0, y, &ft, &fnb, "edit");
    if (!f) return nullptr;
    EditTextSetCharMax(f, 300);
    WinSetDisable(f, 1, 0);
    return f;
}

// Page 3: the selected entry as stored; the fields show it and never change it. Left the
// entry's rows, right its user, password and group.
static void PageEntryEdit(ALBUMWND *w, WINDAT *page) {
    int lang = w->a.language;
    int W = page->width;
    WINDAT *sym = SymbolFileCreate(page, 10, 6);
    int x0 = sym ? 10 + sym->width + 10 : 10;
    for (int i = 0; i < 3; i++)
        w->editlabel[i] = Label(page, x0, 4 + i * (ALBUM_ROW - 4), W - x0 - 10, " ");
    int y = 4 + 3 * (ALBUM_ROW - 4) + 8;
    char word[100];
    snprintf(word, sizeof word, "%s:", LgRes(46, lang));
    w->editfield[0] = LabeledField(page, 10, y, LabelGetInitWidth(word, 0) + 4, word, EDIT_SINGLE);
    y += (w->editfield[0] ? w->editfield[0]->height : ALBUM_ROW) + 8;
    int col = W / 2 + 20;
    for (int i = 3; i < 9; i++)
        w->editlabel[i] = Label(page, 10, y + (i - 3) * (ALBUM_ROW - 2), col - 20, " ");
    const int words[3] = {29, 53, 30};
    int lw = 0;
    for (int r : words)
        lw = std::max(lw, LabelGetInitWidth(LgRes(r, lang), 0) + 4);
    for (int i = 0; i < 3; i++) {
        w->editfield[i + 1] = LabeledField(page, col, y, lw, LgRes(words[i], lang),
                                           i == 1 ? EDIT_PASSWORD : EDIT_SINGLE);
        y += (w->editfield[i + 1] ? w->editfield[i + 1]->height : ALBUM_ROW) + 6;
    }
}

static void PageEntryRemove(ALBUMWND *w, WINDAT *page) {
    int lang = w->a.language;
    WINDAT *sym = SymbolFileCreate(page, 10, 6);
    int x0 = sym ? 10 + sym->width + 10 : 10;
    w->removelabel[0] = Label(page, x0, 4, page->width - x0 - 10, " ");
    w->removelabel[1] = Label(page, x0, 4 + ALBUM_ROW - 4, page->width - x0 - 10, " ");
    Button(page, 10, 14 + 2 * ALBUM_ROW, LgAct(5, lang), AlbumPageFuncEntryRemove);
}

// Page 5: the album's set-up, a labelled row each: the entry block size, the definition word
// and the thumbnail edge (shown, not edited: they are the file's own).
static void PageSetup(ALBUMWND *w, WINDAT *page) {
    int lang = w->a.language;
    int lw = 0;
    for (int r = 70; r < 73; r++)
        lw = std::max(lw, LabelGetInitWidth(LgRes(r, lang), 0) + 4);
    int y = 10;
    for (int i = 0; i < 3; i++) {
        w->setupfield[i] = LabeledField(page, 10, y, lw, LgRes(70 + i, lang), EDIT_SINGLE);
        y += (w->setupfield[i] ? w->setupfield[i]->height : ALBUM_ROW) + 8;
    }
}

static std::string FieldText(const ALBUMDAT *a, int index, int field) {
    char buf[300] = "";
    IoAlbumEntryField(a, index, field, buf, sizeof buf);
    return buf;
}

int AlbumPageEntryShow(ALBUMDAT *album, int index) {
    ALBUMWND *w = AlbumWnd(album);
    if (!w || index < 0 || index >= album->entries) return WIN_ERROR_ARG;
    int lang = album->language;
    std::string name = FieldText(album, index, ALBUM_F_NAME);
    const char *base = strrchr(name.c_str(), '/');
    base = base ? base + 1 : name.c_str();
    struct stat st;
    // One status query of the source file serves "available" and "Permission".
    bool avail = stat(name.c_str(), &st) == 0;
    char perm[40] = "?";
    if (avail) FilePermissionText(st.st_mode, perm, sizeof perm);
    std::string lines[9] = {
        std::string(LgRes(45, lang)) + ":  " + std::to_string(index + 1),
        base,
        name,
        std::string(LgRes(0, lang)) + ":  " + FieldText(album, index, ALBUM_F_WIDTH) + "x" +
            FieldText(album, index, ALBUM_F_HEIGHT) + "  " + FieldText(album, index, ALBUM_F_BITS) +
            " Bit",
        std::string(LgRes(31, lang)) + ":  " + FieldText(album, index, ALBUM_F_SIZE),
        std::string(LgRes(43, lang)) + ":  " + FieldText(album, index, ALBUM_F_ATIME),
        std::string(LgRes(44, lang)) + ":  " + FieldText(album, index, ALBUM_F_MTIME),
        std::string(LgRes(54, lang)) + ":  " + (avail ? "OK" : LgErr(41, lang)),
        std::string(LgRes(32, lang)) + ":  " + perm,
    };
    for (int i = 0; i < 9; i++)
        if (w->editlabel[i]) LabelSet(w->editlabel[i], lines[i].c_str());
    const int fields[4] = {ALBUM_F_DESCRIPTION, ALBUM_F_USER, ALBUM_F_PASSWORD, ALBUM_F_GROUP};
    for (int i = 0; i < 4; i++)
        if (WINDAT *f = w->editfield[i]) {
            std::string v = FieldText(album, index, fields[i]);
            EditTextNew(f, v.c_str(), static_cast<int>(v.size()));
        }
    if (w->removelabel[0]) LabelSet(w->removelabel[0], base);
    if (w->removelabel[1]) LabelSet(w->removelabel[1], name.c_str());
    return 0;
}

// ---- the window

static int AlbumIntClose(WINDATUSR *rec) {
    if (!rec || !rec->win) return WIN_ERROR_ARG;
    auto *a = reinterpret_cast<ALBUMDAT *>(WinUSRStringArrayValueGet(rec->win, 1));
    WinUSRStringArrayRemove(rec->win);
    if (a) {
        IoAlbumFree(a);
        delete AlbumWnd(a);
    }
    return 0;
}

ALBUMDAT *AlbumWndDataGet(WINDAT *win) {
    for (WINDAT *w = win; w; w = w->usr.parent)
        if (w->intclose == AlbumIntClose)
            return reinterpret_cast<ALBUMDAT *>(WinUSRStringArrayValueGet(w, 1));
    return nullptr;
}

int ResizeAlbum(WINDATUSR *rec) {
    if (!rec || !rec->win) return WIN_ERROR_NOWINDOW;
    WINDAT *win = rec->win;
    XWindowAttributes a;
    if (WinGetAttrib(win, &a) == 0) win->width = a.width, win->height = a.height;
    WINDAT *paned = WinChildFindTyp(win, WIN_PANED_VERT);
    if (!paned) return 0;
    paned->width = win->width, paned->height = win->height;
    WinResize(paned, paned->width, paned->height);
    return PanedResize(paned);
}

static WINDAT *AlbumIconWndCreate(ALBUMWND *w, WINDAT *win) {
    int lang = win->language;
    WINTYP pt = MainWinTyp(win->width, win->height, lang, fg_form, bg_form);
    pt.typ = WIN_PANED_VERT;
    WINNEIGHBOR nb{};
    WINDAT *paned = PanedCreate(win, 0, 0, &pt, &nb, "paned");
    if (!paned) return nullptr;
    WINTYP ct = MainWinTyp(win->width, ALBUM_NB_H, lang, fg_form, bg_form);
    ct.state = BASE_FIXED;
    WINDAT *upper = PanedCreateChild(paned, 0, 0, &ct, &nb, "nbp", WIN_BASE);
    ct.height = win->height - ALBUM_NB_H - sp_paned;
    WINDAT *lower = upper ? PanedCreateChild(paned, 0, 0, &ct, &nb, "vwp", WIN_BASE) : nullptr;
    if (!lower) return nullptr;
    WinSetFuncResize(upper, PanedChildFill);
    WinSetFuncResize(lower, PanedChildFill);
    WINTYP nt = MainWinTyp(upper->width, upper->height, lang, fg_form, bg_form);
    w->notebook = NotebookCreate(upper, 0, 0, &nt, &nb, "nb", 0);
    if (!w->notebook) return nullptr;
    for (int i = 0; i < 6; i++)
        NotebookPageCreate(w->notebook, szNB_ALBUM ? szNB_ALBUM[i] : sznbalbumL[i * LG_COLUMNS]);
    WINTYP st = MainWinTyp(lower->width, lower->height, lang, fg_scroll, bg_scroll);
    WINDAT *scroll = ScrollWndCreate(lower, 0, 0, &st, &nb, "scw", nullptr, WIN_PAINT, 1, 1, 1);
    WINDAT *view = scroll ? ScrollGetScrollWnd(scroll) : nullptr;
    if (!view) return nullptr;
    view->state = PAINT_ALBUM;
    w->a.view = view;
    w->status = ScrollGetStatus(scroll);
    w->container = paned;
    WinSetFuncExpose(view, WinPaintFuncExpose);
    WinSetFuncResize(view, WinPaintFuncResize);
    return paned;
}

int AlbumOpenStartUp(ALBUMDAT *album) {
    if (!album) return WIN_ERROR_ARG;
    int rc = IoAlbumLoad(album, AlbumTbSizeWH > 0 ? AlbumTbSizeWH : ALBUM_EDGE_DEFAULT);
    if (rc == FILE_ERROR_DATA || rc == FILE_ERROR_FORMAT)
        MsgErrFile(album->language, album->path, FILE_ERROR_DATA, 0, nullptr);
    else if (rc != FILE_SUCCES)
        MsgErrFile(album->language, album->path, rc, album->file.error, nullptr);
    return rc;
}

static int AlbumViewFill(ALBUMDAT *album) {
    WINDAT *view = album->view;
    if (!view || !album->file.data) return FILE_ERROR_DATA;
    int rc = IoAlbumEntryPaintInit(album);
    if (rc != FILE_SUCCES || view->img_count < 1) return rc;
    for (int i = 0; i < view->img_count; i++) {
        PAINTIMG *e = PaintImgGet(view, i);
        if (e && e->fi.fbuf && !e->fi.ximage) WinCreateXImageSimple(view, &e->fi);
    }
    PaintImgCurFirstSet(view, 0);
    PaintImgCurSelectSet(view, 0);
    if (PaintImgSetupMaxWH(view, album->edge) < 1) return FILE_ERROR_DATA;
    ScrollWndUpdateMaxFromChild(view, view->width, PaintImgHGetMax(view));
    WinClearWindow(view);
    WinPaint(view);
    return FILE_SUCCES;
}

int AlbumPageUpdate(ALBUMDAT *album, int page) {
    if (!album || page != 0) return 0;
    AlbumPageUpdateProp(AlbumWnd(album));
    DravikTrace("album entries %s", AlbumEntriesText(album).c_str());
    return 0;
}

static void SetupText(ALBUMWND *w) {
    const int values[3] = {w->a.blocksize, w->a.def[0], w->a.edge};
    for (int i = 0; i < 3; i++)
        if (w->setupfield[i]) {
            std::string text = std::to_string(values[i]);
            EditTextNew(w->setupfield[i], text.c_str(), static_cast<int>(text.size()));
        }
}

// The window already showing the album at `path` (the same file, by device and inode).
static WINDAT *AlbumWindowOf(const char *path) {
    struct stat want, have;
    if (stat(path, &want) != 0) return nullptr;
    for (int i = 0; i < WINDATpi; i++) {
        WINDAT *w = WINDATp[i];
        if (!w || w->intclose != AlbumIntClose) continue;
        auto *a = reinterpret_cast<ALBUMDAT *>(WinUSRStringArrayValueGet(w, 1));
        if (a && stat(a->path, &have) == 0 && have.st_dev == want.st_dev &&
            have.st_ino == want.st_ino)
            return w;
    }
    return nullptr;
}

int AlbumOpenAction(Display *display, const char *path) {
    if (!display || !path) return WIN_ERROR_ARG;
    // One window an album: two would each edit their own load of the same file.
    if (WINDAT *open = AlbumWindowOf(path)) {
        XMapRaised(display, open->window);
        XFlush(display);
        DravikTrace("album raised %s", path);
        return 250;
    }
    const char *slash = strrchr(path, '/');
    const char *title = slash ? slash + 1 : path;
    WINTYP t = MainWinTyp(ALBUM_W, ALBUM_H, opt_rt[2], fg_form, bg_form);
    t.typ = WIN_BASE;
    t.unvisible = 1;
    WINNEIGHBOR nb{};
    WINDAT *win = WinCreateFromRootExt(nullptr, 0, 0, &t, &nb, title, fontfs_text);
    if (!win) return WIN_ERROR_CREATE;
    WinSetWinTitle(win, title);
    WinSetFuncClose(win, AlbumClose);
    WinSetFuncResize(win, ResizeAlbum);
    auto *w = new (std::nothrow) ALBUMWND();
    if (!w || WinUSRStringArrayCreate(win, 5) != 0) {
        delete w;
        WinClose(win);
        return WIN_ERROR_MEMORY;
    }
    w->window = win;
    w->a.language = win->language;
    snprintf(w->a.path, sizeof w->a.path, "%s", path);
    WinUSRStringArrayValueSet(win, 1, reinterpret_cast<char *>(&w->a));
    WinSetFuncIntClose(win, AlbumIntClose);
    if (gethostname(w->a.host, sizeof w->a.host - 1) != 0) {
        MsgErrNet(win->language, "hostname", -201, errno, nullptr);
        WinShow(win, 1);
        return 250;
    }
    char cwd[RC_PATH_SIZE] = ".";
    w->adddir = LastPathFileOpen[0] ? LastPathFileOpen : getcwd(cwd, sizeof cwd) ? cwd : ".";
    if (!AlbumIconWndCreate(w, win)) {
        WinClose(win);
        return WIN_ERROR_CREATE;
    }
    WinUSRStringArrayValueSet(win, 2, reinterpret_cast<char *>(w->notebook));
    WinUSRStringArrayValueSet(win, 3, reinterpret_cast<char *>(w->a.view));
    WinUSRStringArrayValueSet(win, 4, reinterpret_cast<char *>(w->status));
    CursorSet(win, cursorWatch);
    PageProperty(w, NotebookPageGetBase(w->notebook, 0));
    PageDetails(NotebookPageGetBase(w->notebook, 1), w->a.language);
    PageEntryEdit(w, NotebookPageGetBase(w->notebook, 3));
    PageEntryRemove(w, NotebookPageGetBase(w->notebook, 4));
    PageAdd(w, NotebookPageGetBase(w->notebook, 2));
    PageSetup(w, NotebookPageGetBase(w->notebook, 5));
    NotebookPageSetCur(w->notebook, 0);

    char text[RC_PATH_SIZE + 40];
    snprintf(text, sizeof text, "%s %s", LgAct(8, w->a.language), path);
    StatusSetMsg(w->status, text, 1);
    WinShow(win, 1);
    ResizeAlbum(&win->usr);
    if (AlbumOpenStartUp(&w->a) == FILE_SUCCES) AlbumViewFill(&w->a);
    AlbumPageUpdate(&w->a, 0);
    CursorSet(win, cursorArrow);
    WinSetFuncMouse(w->a.view, AlbumPaintMouseFunc);
    if (w->a.entries > 0) AlbumPageEntryShow(&w->a, 0);
    SetupText(w);
    StatusSetMsg(w->status, "", 1);
    DravikTrace("album open %s entries=%d", path, w->a.entries);
    return 250;
}

// ---- selecting and removing

static bool Registered(const WINDAT *win) {
    for (int i = 0; i < WINDATpi; i++)
        if (WINDATp[i] == win) return true;
    return false;
}

int AlbumPaintMouseFunc(WINDATUSR *rec) {
    if (!rec || !rec->win) return WIN_ERROR_NOWINDOW;
    WINDAT *view = rec->win;
    ALBUMDAT *a = AlbumWndDataGet(view);
    const XEvent &ev = view->usr.evmouse;
    if (!a || ev.type != ButtonRelease) return 0;
    int sel = PaintImgGetSelectFromMouse(view);
    if (sel < 0) return 0;
    PaintImgCurSelectSet(view, sel);
    PaintImgPaintText(view, PaintImgCurFirstGet(view), view->img_count - 1);
    int button = static_cast<int>(ev.xbutton.button);
    if (button == view->mouseright)
        return MenuPulldownCreate(view, ev.xbutton.x, ev.xbutton.y, M_OPTION_MENU[5], nullptr) ? 0
                                                                                               : -1;
    return AlbumPageEntryShow(a, sel);
}

int AlbumPageFuncEntryRemove(WINDATUSR *rec) {
    ALBUMDAT *a = rec ? AlbumWndDataGet(rec->win) : nullptr;
    if (!a || !a->view) return WIN_ERROR_ARG;
    int sel = PaintImgCurSelectGet(a->view);
    PAINTIMG *e = PaintImgGet(a->view, sel);
    if (!e || !e->fi.fname) return WIN_ERROR_ARG;
    if (PaintFileRemove(a->view) != 0) return -1;
    a->modified = 1;
    a->removed++;
    AlbumPageUpdate(a, 0);
    return 0;
}

// The text the asking code left in the question box (the button's own record has none).
static const char *BoxStr(const WINDATUSR *rec) {
    for (WINDAT *w = rec->parent; w; w = w->usr.parent)
        if (w->typ == WIN_DLGMSG) return w->usr.str;
    return rec->str;
}

int AlbumFileRemove(WINDATUSR *rec) {
    if (!rec) return WIN_ERROR_ARG;
    void *p = nullptr;
    int at = 0;
    // "VIEW PATH": the view by address, checked against the registry before use.
    const char *str = BoxStr(rec);
    if (rec->i == 1 && str && sscanf(str, "%p %n", &p, &at) >= 1 && at > 0) {
        const char *path = str + at;
        auto *target = static_cast<WINDAT *>(p);
        if (!Registered(target)) target = nullptr;
        if (remove(path) != 0) {
            MsgErrFile(opt_rt[2], path, -110, errno, nullptr);
        } else if (ALBUMDAT *a = AlbumWndDataGet(target)) {
            a->modified = 2;
            if (target && target->typ == WIN_PAINT) PaintFileRemove(target);
        }
    }
    return MsgBoxClose(rec);
}

// ---- closing

static void AlbumWindowClose(ALBUMWND *w) {
    WINDAT *win = w->window;
    // WinClose asks the close callback again.
    WinSetFuncClose(win, nullptr);
    WinClose(win);
}

int AlbumClose(WINDATUSR *rec) {
    if (!rec || !rec->win) return WIN_ERROR_NOWINDOW;
    ALBUMDAT *a = AlbumWndDataGet(rec->win);
    if (!a) return 0;
    ALBUMWND *w = AlbumWnd(a);
    // An add runs on this record: it stops first, the window stays.
    if (w->busy) {
        w->cancel = 1;
        return 1;
    }
    char text[RC_PATH_SIZE + 200];
    snprintf(text, sizeof text, "%s\n\n%s", a->path, LgWarn(1, a->language));
    if (a->modified == 2) {
        a->modified = 0;
        MsgErrFile(a->language, text, -110, 0, nullptr);
        return 1;
    }
    if (a->modified == 1) {
        WINDAT *box = MsgBox(a->language, 4, text, AlbumSave);
        char id[40];
        snprintf(id, sizeof id, "%p", static_cast<void *>(w->window));
        if (box) {
            WinUSRStringSet(box, id);
            // The box itself frees no user text.
            if (!box->intclose) WinSetFuncIntClose(box, WinFuncIntCloseSimple);
        }
        return 1;
    }
    AlbumWindowClose(w);
    return 1;
}

int AlbumSave(WINDATUSR *rec) {
    if (!rec) return WIN_ERROR_ARG;
    void *p = nullptr;
    const char *str = BoxStr(rec);
    if (str) sscanf(str, "%p", &p);
    auto *win = static_cast<WINDAT *>(p);
    // The box names its window by address: it may have closed meanwhile.
    ALBUMDAT *a = win && Registered(win) ? AlbumWndDataGet(win) : nullptr;
    int answer = rec->i;
    if (!a || answer == 2) return MsgBoxClose(rec);
    ALBUMWND *w = AlbumWnd(a);
    if (answer == 1) {
        int rc = IoAlbumEntrySave(a);
        if (rc != FILE_SUCCES) {
            // The loaded copy stays, so the user can try again; the file is as it was.
            w->savefailed = 1;
            MsgBoxClose(rec);
            MsgErrFile(a->language, a->path, rc, a->file.error, nullptr);
            StatusSetMsg(w->status, LgErr(6, a->language), 1);
            DravikTrace("album save failed %d", rc);
            return rc;
        }
    }
    a->modified = 0;
    AlbumWindowClose(w);
    return MsgBoxClose(rec);
}

// ---- adding

static int AlbumSelectedFile(ALBUMWND *w, std::string *path) {
    char full[4096];
    if (!w->addbox || FileboxGetFullPath(w->addbox, 0, full, sizeof full) != 0) return -3;
    *path = full;
    return 0;
}

// The add page's directory, fixed for the add that starts now.
static void AddDirTake(ALBUMWND *w) {
    const char *cur = w->addbox ? FileboxGetCurPath(w->addbox) : nullptr;
    if (cur && *cur) w->adddir = cur;
}

// Entries appended since the album was loaded join the thumbnails at once. The file's bytes past
// those already shown are read (from the very file that was loaded, within the size the file
// has) and indexed as an album of their own behind the loaded header; their thumbnails become
// new cells after the loaded ones, which keep their places (saving drops cells by index and
// keeps appended entries).
static void AlbumViewAppendNew(ALBUMWND *w) {
    ALBUMDAT *a = &w->a;
    WINDAT *view = a->view;
    if (!view || !a->file.data || a->file.datalen < ALBUM_HEADER_SIZE) return;
    int fd = FileOpenInput(a->path);
    if (fd < 0) return;
    struct stat st;
    long from = a->file.datalen + w->tailshown;
    if (fstat(fd, &st) != 0 || static_cast<unsigned long>(st.st_dev) != a->loaded_dev ||
        static_cast<unsigned long>(st.st_ino) != a->loaded_ino || st.st_size <= from ||
        st.st_size - from > LONG_MAX / 4) {
        close(fd);
        return;
    }
    long tail = static_cast<long>(st.st_size) - from;
    ALBUMDAT part{};
    snprintf(part.path, sizeof part.path, "%s", a->path);
    IoRequestInit(&part.file, part.path);
    auto *buf = static_cast<uint8_t *>(MemCreate(ALBUM_HEADER_SIZE + tail, part.path));
    if (!buf) {
        close(fd);
        return;
    }
    memcpy(buf, a->file.data, ALBUM_HEADER_SIZE);
    long got = 0;
    while (got < tail) {
        ssize_t n =
            pread(fd, buf + ALBUM_HEADER_SIZE + got, static_cast<size_t>(tail - got), from + got);
        if (n <= 0) break;
        got += n;
    }
    close(fd);
    part.file.data = buf;
    part.file.datalen = ALBUM_HEADER_SIZE + got;
    memcpy(part.def, a->def, sizeof part.def);
    part.blocksize = a->blocksize;
    part.edge = a->edge;
    int n = IoAlbumEntryGetEntrys(&part.file);
    part.pos =
        n > 0
            ? static_cast<long *>(MemCreate((n + 1L) * static_cast<long>(sizeof(long)), part.path))
            : nullptr;
    if (part.pos) {
        part.entries = n;
        part.entries = IoAlbumEntrySetupPos(&part);
    }
    int old = view->img_count, add = part.pos ? part.entries : 0;
    auto *list =
        add > 0 ? static_cast<PAINTIMG *>(MemCreate(
                      static_cast<long>(old + add) * static_cast<long>(sizeof(PAINTIMG)), "ip"))
                : nullptr;
    if (list) {
        memset(list, 0, static_cast<size_t>(old + add) * sizeof(PAINTIMG));
        if (old > 0 && view->img_list) {
            memcpy(list, view->img_list, static_cast<size_t>(old) * sizeof(PAINTIMG));
            MemFree(view->img_list, "ip");
        }
        for (int i = 0; i < add; i++) {
            PAINTIMG *e = &list[old + i];
            IoAlbumEntryImage(&part, i, &e->fi);
            if (e->fi.fbuf && !e->fi.ximage) WinCreateXImageSimple(view, &e->fi);
        }
        view->img_list = list;
        view->img_size = sizeof(PAINTIMG);
        view->img_count = old + add;
        w->tailshown += got;
        PaintImgSetupMaxWH(view, a->edge);
        ScrollWndUpdateMaxFromChild(view, view->width, PaintImgHGetMax(view));
        WinClearWindow(view);
        WinPaint(view);
        DravikTrace("album cells %d", view->img_count);
    }
    IoAlbumFree(&part);
}

static void AddDone(ALBUMWND *w) {
    ToolkitLockGuard guard;
    AlbumViewAppendNew(w);
    StatusSetMsg(w->progress1, "", 1);
    StatusSetProc(w->progress1, 0);
    StatusSetMsg(w->progress2, "", 1);
    StatusSetProc(w->progress2, 0);
    if (w->cancelbtn) WinSetDisable(w->cancelbtn, 1, 1);
    AlbumPageUpdate(&w->a, 0);
    w->busy = 0;
}

int AlbumPageEntryAddFuncAdd(WINDATUSR *rec) {
    ALBUMDAT *a = rec ? AlbumWndDataGet(rec->win) : nullptr;
    if (!a) return WIN_ERROR_ARG;
    ALBUMWND *w = AlbumWnd(a);
    if (w->busy) return 0;
    std::string path;
    if (AlbumSelectedFile(w, &path) != 0) return 0;
    struct stat st;
    if (stat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return 0;
    w->busy = 1;
    snprintf(a->srcpath, sizeof a->srcpath, "%s", path.c_str());
    int depth = ToolkitLockRelease();
    int rc = AlbumAppendOne(w, path.c_str());
    ToolkitLockRestore(depth);
    if (rc == FILE_SUCCES) a->added++;
    AddDone(w);
    return rc == FILE_SUCCES ? 0 : FILE_ERROR_WRITE;
}

int AlbumPageEntryAddFuncAddCancel(WINDATUSR *rec) {
    ALBUMDAT *a = rec ? AlbumWndDataGet(rec->win) : nullptr;
    if (!a) return WIN_ERROR_ARG;
    AlbumWnd(a)->cancel = 1;
    DravikTrace("album cancel");
    return 0;
}

static void AddStart(ALBUMWND *w) {
    w->busy = 1;
    w->cancel = 0;
    StatusSetMsg(w->progress2, "", 1);
    StatusSetProc(w->progress2, 0);
    if (w->cancelbtn) WinSetDisable(w->cancelbtn, 0, 1);
}

int AlbumPageEntryAddFuncAddDir(WINDATUSR *rec) {
    ALBUMDAT *a = rec ? AlbumWndDataGet(rec->win) : nullptr;
    if (!a) return WIN_ERROR_ARG;
    ALBUMWND *w = AlbumWnd(a);
    if (w->busy) return 0;
    AddStart(w);
    ALBUMPUMP pump;
    AlbumPumpStart(&pump, rec->win->usr.display, a->language);
    AddDirTake(w);
    std::vector<std::string> names;
    if (WINDAT *list = w->addbox ? FileboxWndFListGet(w->addbox) : nullptr)
        for (int i = 0; i < ListEntryGetEntryMax(list); i++)
            if (const char *n = ListEntryGetNr(list, i)) names.emplace_back(n);
    int n = static_cast<int>(names.size()), added = 0;
    std::string prefix = w->adddir == "/" ? "/" : w->adddir + "/";
    for (int i = 0; i < n && !w->cancel && !killProgram; i++) {
        std::string path = names[i][0] == '/' ? names[i] : prefix + names[i];
        struct stat st;
        if (stat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) continue;
        AlbumProgress2(w, i, n, added);
        snprintf(a->srcpath, sizeof a->srcpath, "%s", path.c_str());
        int depth = ToolkitLockRelease();
        if (AlbumAppendOne(w, path.c_str()) == FILE_SUCCES) added++;
        ToolkitLockRestore(depth);
    }
    a->added += added;
    AlbumPumpStop(&pump, a->language);
    AddDone(w);
    WinPaint(a->view);
    return 100;
}

int AlbumPageEntryAddFuncAddDirSub(WINDATUSR *rec) {
    ALBUMDAT *a = rec ? AlbumWndDataGet(rec->win) : nullptr;
    if (!a) return WIN_ERROR_ARG;
    ALBUMWND *w = AlbumWnd(a);
    if (w->busy) return 0;
    int lang = a->language;
    AddStart(w);
    AddDirTake(w);
    char text[RC_PATH_SIZE + 40];
    snprintf(text, sizeof text, "%s %s ...", LgAct(8, lang), w->adddir.c_str());
    StatusSetMsg(w->progress1, text, 1);
    w->CurLevel = 0, w->MaxLevel = 0, w->CurAddMax = 0, w->CurAddNr = 0, w->CurAddAdd = 0;
    ALBUMPUMP pump;
    AlbumPumpStart(&pump, rec->win->usr.display, lang);
    // The count runs with the pump as well: a large tree keeps the window alive and Cancel
    // reachable.
    int depth = ToolkitLockRelease();
    dodir(0, w);
    ToolkitLockRestore(depth);
    DravikTrace("album count %d", w->CurAddMax.load());
    if (w->cancel) {
        AlbumPumpStop(&pump, lang);
        w->cancel = 0;
        AddDone(w);
        return 0;
    }
    w->CurLevel = 0, w->MaxLevel = 0, w->CurAddNr = 0, w->CurAddAdd = 0;
    std::thread scan;
    try {
        scan = std::thread(TreadDoDir, w);
    } catch (const std::system_error &e) {
        MsgErrThr(lang, LgRes(68, lang), -301, e.code().value());
        AlbumPumpStop(&pump, lang);
        AddDone(w);
        return -301;
    }
    depth = ToolkitLockRelease();
    scan.join();
    ToolkitLockRestore(depth);
    AlbumPumpStop(&pump, lang);
    a->added += w->CurAddAdd;
    DravikTrace("album tree added=%d handled=%d", w->CurAddAdd.load(), w->CurAddNr.load());
    AddDone(w);
    WinPaint(a->view);
    return 100;
}

int AlbumAddSourceSet(ALBUMDAT *album, const char *dir, const char *file) {
    ALBUMWND *w = AlbumWnd(album);
    if (!w || !dir || !w->addbox) return WIN_ERROR_ARG;
    int rc = FileboxDirEnter(w->addbox, dir);
    if (rc < 0) return rc;
    WINDAT *list = FileboxWndFListGet(w->addbox);
    if (!file || !list) return 0;
    for (int i = 0; i < ListEntryGetEntryMax(list); i++) {
        const char *e = ListEntryGetNr(list, i);
        if (e && strcmp(e, file) == 0) return ListEntrySetSelectNr(list, i) < 0 ? -3 : 0;
    }
    return -3;
}
