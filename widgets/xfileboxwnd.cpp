// The file box widget: a directory list with its directory button, type filter, preview, name
// field and save options; its menus and file operations.
#include "widgets/xfilebox.h"

#include "base/allg.h"
#include "base/language.h"
#include "base/lg.h"
#include "base/settings.h"
#include "base/xerror.h"
#include "base/xmem.h"
#include "io/io_read.h"
#include "toolkit/xbase.h"
#include "toolkit/xcolor.h"
#include "toolkit/xinit.h"
#include "toolkit/xtools.h"
#include "toolkit/xwinfunc.h"
#include "widgets/xbox.h"
#include "widgets/xbtn.h"
#include "widgets/xbtnchk.h"
#include "widgets/xedit.h"
#include "widgets/xfiledirpreview.h"
#include "widgets/xlabel.h"
#include "widgets/xlist.h"
#include "widgets/xmenu.h"
#include "widgets/xpaint.h"
#include "widgets/xscroll.h"
#include "widgets/xstatus.h"
#include "widgets/xtree.h"

#include <X11/keysym.h>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

static const char *const TAG_DIR = "Directory";
enum { FBX_PATH_SIZE = 4096 };

// ---- slots

static WINDAT *Slot(WINDAT *box, int i) {
    if (!box || box->typ != WIN_FILEBOX || !box->usr.strm) return nullptr;
    return reinterpret_cast<WINDAT *>(box->usr.strm[i]);
}

static void SlotSet(WINDAT *box, int i, void *p) {
    if (box && box->usr.strm) box->usr.strm[i] = static_cast<char *>(p);
}

WINDAT *FileboxFind(WINDAT *win) {
    for (WINDAT *w = win; w; w = w->usr.parent)
        if (w->typ == WIN_FILEBOX) return w;
    return win ? WinChildFindTypTree(win, WIN_FILEBOX) : nullptr;
}

WINDAT *FileboxWndFTypGet(WINDAT *box) {
    return Slot(box, FBX_SLOT_TYPE);
}
WINDAT *FileboxWndFTypOptGet(WINDAT *box) {
    return Slot(box, FBX_SLOT_OPTIONS);
}
WINDAT *FileboxWndFNameGet(WINDAT *box) {
    return Slot(box, FBX_SLOT_NAME);
}
WINDAT *FileboxWndFListGet(WINDAT *box) {
    return Slot(box, FBX_SLOT_LIST);
}
WINDAT *FileboxWndFPreviewGet(WINDAT *box) {
    return Slot(box, FBX_SLOT_PREVIEW);
}
WINDAT *FileboxWndFDirBtnGet(WINDAT *box) {
    return Slot(box, FBX_SLOT_DIRBTN);
}
WINDAT *FileboxWndFPreviewChkGet(WINDAT *box) {
    return Slot(box, FBX_SLOT_PREVIEWCHK);
}
WINDAT *FileboxWndFInfoGet(WINDAT *box) {
    return Slot(box, FBX_SLOT_INFO);
}
WINDAT *FileboxWndFDateGet(WINDAT *box) {
    return Slot(box, FBX_SLOT_DATE);
}
WINDAT *FileboxWndFDicomGet(WINDAT *box) {
    return Slot(box, FBX_SLOT_DICOM);
}

static int FrameGet(WINDAT *box, int slot) {
    WINDAT *f = Slot(box, slot);
    const char *t = f ? EditTextGet(f) : nullptr;
    if (!t || !*t) return WIN_ERROR_ARG;
    return atoi(t);
}
static int FrameSet(WINDAT *box, int slot, int v) {
    WINDAT *f = Slot(box, slot);
    if (!f) return WIN_ERROR_ARG;
    char t[16];
    snprintf(t, sizeof t, "%i", v);
    return EditTextNew(f, t, static_cast<int>(strlen(t)));
}
int FileboxWndFFrameStartGet(WINDAT *box) {
    return FrameGet(box, FBX_SLOT_FRAME0);
}
int FileboxWndFFrameEndGet(WINDAT *box) {
    return FrameGet(box, FBX_SLOT_FRAME1);
}
int FileboxWndFFrameStartSet(WINDAT *box, int v) {
    return FrameSet(box, FBX_SLOT_FRAME0, v);
}
int FileboxWndFFrameEndSet(WINDAT *box, int v) {
    return FrameSet(box, FBX_SLOT_FRAME1, v);
}
int FileboxHasFrameFields(WINDAT *box) {
    return Slot(box, FBX_SLOT_FRAME0) && Slot(box, FBX_SLOT_FRAME1);
}

static int PaintFrameFields(WINDAT *box, WINDAT *first, WINDAT *last) {
    if (!box || box->typ != WIN_FILEBOX) return WIN_ERROR_TYPE;
    SlotSet(box, FBX_SLOT_FRAME0, first);
    SlotSet(box, FBX_SLOT_FRAME1, last);
    return 0;
}

const char *FileboxGetCurPath(WINDAT *box) {
    if (!box || box->typ != WIN_FILEBOX || !box->usr.strm) return nullptr;
    return box->usr.strm[FBX_SLOT_PATH];
}

const char *FileboxGetSelectFile(WINDAT *box) {
    return ListEntryGetSelectEntry(FileboxWndFListGet(box));
}

const char *FileboxGetEditFile(WINDAT *box) {
    WINDAT *f = FileboxWndFNameGet(box);
    return f ? EditTextGet(f) : nullptr;
}

static std::string Join(const char *dir, const char *name) {
    std::string p = dir ? dir : "";
    if (p.empty() || p.back() != '/') p += '/';
    return p + (name ? name : "");
}

int FileboxGetFullPath(WINDAT *box, int fromname, char *out, int size) {
    if (!out || size < 1) return WIN_ERROR_ARG;
    out[0] = '\0';
    const char *dir = FileboxGetCurPath(box);
    const char *name = fromname ? FileboxGetEditFile(box) : FileboxGetSelectFile(box);
    if (!dir || !*dir || !name || !*name) return WIN_ERROR_ARG;
    std::string p = name[0] == '/' ? std::string(name) : Join(dir, name);
    if (static_cast<int>(p.size()) >= size) return WIN_ERROR_ARG;
    memcpy(out, p.c_str(), p.size() + 1);
    return 0;
}

static std::string LastComponent(const char *path) {
    std::string p = path ? path : "";
    while (p.size() > 1 && p.back() == '/')
        p.pop_back();
    if (p == "/" || p.empty()) return "/";
    size_t s = p.rfind('/');
    return s == std::string::npos ? p : p.substr(s + 1);
}

static void DirButtonLabel(WINDAT *box) {
    WINDAT *btn = FileboxWndFDirBtnGet(box);
    const char *path = FileboxGetCurPath(box);
    if (!btn || !path) return;
    std::string text = AskPathShowFull ? std::string(path) : LastComponent(path);
    WinSetLabel(btn, text.c_str(), 1);
}

int FileboxSetDirCur(WINDAT *box, const char *path) {
    char *slot = const_cast<char *>(FileboxGetCurPath(box));
    if (!slot) return WIN_ERROR_MEMORY;
    char cwd[FBX_PATH_SIZE];
    if (!path) path = getcwd(cwd, sizeof cwd);
    if (!path) return WIN_ERROR_ARG;
    snprintf(slot, FBX_PATH_SIZE, "%s", path);
    return 0;
}

// ---- listing

// Lists directory p; one that cannot be listed falls back to a parent or $HOME.
static int DirList(WINDAT *box, WINDAT *list, const std::string &p) {
    std::string buf = p;
    buf.resize(p.size() + FBX_PATH_SIZE, '\0');
    int rc = ListDirectoryAdd(list, &buf[0], static_cast<int>(buf.size()));
    // The list may have fallen back to a parent or $HOME.
    FileboxSetDirCur(box, buf.c_str());
    DirButtonLabel(box);
    ScrollWndUpdateFromChild(list);
    WinPaint(list);
    return rc;
}

static std::string DirReal(WINDAT *box, const char *path) {
    std::string p = path[0] == '/' ? std::string(path) : Join(FileboxGetCurPath(box), path);
    char *real = realpath(p.c_str(), nullptr);
    if (real) {
        p = real;
        free(real);
    }
    return p;
}

int FileboxEntryGone(WINDAT *box, const char *path) {
    if (!box || !path) return WIN_ERROR_ARG;
    MsgErrFileWhy(box->language, path, FILE_ERROR_OPEN, LgErr(43, box->language));
    FileboxUpdate(box, nullptr);
    return FILE_ERROR_NOTFOUND;
}

int FileboxDirEnter(WINDAT *box, const char *path) {
    WINDAT *list = FileboxWndFListGet(box);
    if (!list || !path) return WIN_ERROR_ARG;
    std::string p = DirReal(box, path);
    // A directory the user may not list is named in a box, and the box stays where it is
    // (listing it would fall back to a parent without a word).
    DIR *d = access(p.c_str(), R_OK | X_OK) == 0 ? opendir(p.c_str()) : nullptr;
    if (!d) {
        if (errno == ENOENT) return FileboxEntryGone(box, p.c_str());
        std::string why = std::string(LgErr(44, box->language)) + ": " + strerror(errno);
        return MsgErrFileWhy(box->language, p.c_str(), FILE_ERROR_OPEN, why.c_str());
    }
    closedir(d);
    return DirList(box, list, p);
}

int FileboxUpdate(WINDAT *box, const char *path) {
    if (!box) return WIN_ERROR_ARG;
    WINDAT *list = FileboxWndFListGet(box);
    if (!list) return WIN_ERROR_ARG;
    if (!path) path = FileboxGetCurPath(box);
    char cwd[FBX_PATH_SIZE];
    if (!path || !*path) path = getcwd(cwd, sizeof cwd);
    if (!path) return WIN_ERROR_ARG;
    return DirList(box, list, DirReal(box, path));
}

int FileboxUpdateAll() {
    int n = 0;
    for (int i = 0; i < WINDATpi; i++)
        if (WINDATp[i] && WINDATp[i]->typ == WIN_FILEBOX) {
            FileboxUpdate(WINDATp[i], nullptr);
            n++;
        }
    return n;
}

static int FileboxUpdateAllHook() {
    return FileboxUpdateAll();
}

// ---- preview and labels

static void LabelText(WINDAT *label, const char *text) {
    if (label) LabelSet(label, text);
}

static int QuietMessage(void *, int, const char *, int code, int) {
    return code;
}

int FilePreviewLoad(const char *file, int edge, int maxw, int maxh, int language, int onethread,
                    FILEINFO *fi) {
    if (!fi) return WIN_ERROR_ARG;
    memset(fi, 0, sizeof *fi);
    struct stat st;
    if (!file || stat(file, &st) != 0 || S_ISDIR(st.st_mode)) return FILE_ERROR_READ;
    FILEREQ req;
    IoRequestInit(&req, file);
    req.preview = edge > 0 ? edge : 0;
    req.language = language;
    req.onethread = onethread;
    // Previews are quiet: an unreadable file shows no picture and no message.
    req.message = QuietMessage;
    if (!IoReadFile(&req, fi, IO_READ_FULL) || !fi->fbuf) {
        IoFreeRecord(fi, file);
        return FILE_ERROR_READ;
    }
    maxw = std::max(1, maxw), maxh = std::max(1, maxh);
    const char *tag = fi->fname ? fi->fname : file;
    uint8_t *scaled =
        fi->w > maxw || fi->h > maxh ? FilePreviewSetup(fi->fbuf, maxw, maxh, tag, fi) : nullptr;
    if (scaled) {
        MemFree(fi->fbuf, tag);
        fi->fbuf = scaled;
        fi->frames = 1;
    }
    return 0;
}

int FilePreviewRead(const char *file, WINDAT *view, int cell, int edge, WINDAT *label) {
    struct stat st;
    if (!file || stat(file, &st) != 0 || S_ISDIR(st.st_mode)) return FILE_ERROR_READ;
    if (!view) return WIN_ERROR_MEMORY;
    if (cell < 0 && !view->img_list && PaintImgSetup(view, 1) != 0) return WIN_ERROR_MEMORY;
    if (cell >= 0 && !view->img_list) return WIN_ERROR_MEMORY;
    FILEINFO fi;
    memset(&fi, 0, sizeof fi);
    // The preview may be decoded at a fraction of the size; the line shows the picture's own.
    int w = 0, h = 0;
    if (label && edge > 0) {
        FILEREQ req;
        IoRequestInit(&req, file);
        req.preview = edge;
        req.language = view->language;
        req.message = QuietMessage;
        if (IoFindOrReadFileTyp(&req, &fi, IO_READ_PROBE)) w = fi.w, h = fi.h;
        IoFreeRecord(&fi, file);
    }
    int maxw = cell >= 0 ? edge : std::max(1, view->width);
    int maxh = cell >= 0 ? edge : std::max(1, view->height);
    if (FilePreviewLoad(file, edge, maxw, maxh, view->language, 0, &fi) != 0)
        return FILE_ERROR_READ;
    if (label) {
        char size[32], text[128];
        MakeSizeString(size, static_cast<unsigned>(std::min<long long>(st.st_size, UINT_MAX)));
        snprintf(text, sizeof text, " %s  %ix%i  %i Bit", size, w > 0 ? w : fi.w, h > 0 ? h : fi.h,
                 fi.bit);
        LabelText(label, text);
    }
    int index = cell >= 0 ? cell : 0;
    if (cell < 0) PaintImgSetup(view, 1);
    PAINTIMG *e = PaintImgGet(view, index);
    if (!e) {
        IoFreeRecord(&fi, file);
        return WIN_ERROR_MEMORY;
    }
    IoFreeRecord(&e->fi, "preview");
    e->fi = fi;
    if (cell >= 0) return 0;
    view->img_current = 0;
    std::string name = LastComponent(file);
    WinSetLabel(view, name.c_str(), 0);
    PaintImgShow(view);
    return 0;
}

static void PreviewClear(WINDAT *box) {
    WINDAT *view = FileboxWndFPreviewGet(box);
    if (!view) return;
    PaintImgSetup(view, 1);
    WinSetLabel(view, "", 0);
    WinClearWindow(view);
}

static void InfoPlain(WINDAT *box, const char *path, const struct stat &st) {
    char size[32], text[160];
    MakeSizeString(size, static_cast<unsigned>(std::min<long long>(st.st_size, UINT_MAX)));
    snprintf(text, sizeof text, " %s", size);
    FILEREQ req;
    IoRequestInit(&req, path);
    req.message = [](void *, int, const char *, int code, int) { return code; };
    FILEINFO fi;
    memset(&fi, 0, sizeof fi);
    if (IoFindOrReadFileTyp(&req, &fi, IO_READ_PROBE) && fi.w > 0) {
        size_t n = strlen(text);
        snprintf(text + n, sizeof text - n, "  %ix%i  %i Bit", fi.w, fi.h, fi.bit);
    }
    IoFreeRecord(&fi, path);
    LabelText(FileboxWndFInfoGet(box), text);
}

static int PreviewOn(WINDAT *box) {
    WINDAT *chk = FileboxWndFPreviewChkGet(box);
    return chk && BtnChkGetSelect(chk) == 1;
}

static void ContextMenuOpen(WINDAT *list, int x, int y) {
    MENUHANDLE menu = M_OPTION_MENU[3];
    for (int i = 1; i <= MenuCount(menu); i++)
        if (MENUITEM *it = MenuItemGet(menu, i))
            if (it->kind == MENU_KIND_CMD) it->action = FileboxFuncListMouseBtnR;
    for (int i = 1; i <= MenuCount(M_OPTION_MENU[1]); i++)
        if (MENUITEM *it = MenuItemGet(M_OPTION_MENU[1], i)) it->action = ListEntrySetSort;
    MenuPulldownCreate(list, x, y, menu, list);
}

static int FileboxEntryShow(WINDAT *box, WINDAT *list, const std::string &name);

static int _FileboxViewUpdate(WINDAT *box) {
    WINDAT *list = FileboxWndFListGet(box);
    if (!list) return WIN_ERROR_ARG;
    const XEvent &ev = list->usr.evmouse;
    bool menu = ev.type == ButtonRelease &&
                static_cast<int>(ev.xbutton.button) == list->mouseright && list->mouseright > 0;
    int mx = ev.xbutton.x, my = ev.xbutton.y;
    if (menu) {
        list->dblclick = 0;
        // The menu acts on the row under the pointer: that row is highlighted and shown first.
        int count = ListEntryGetEntryMax(list), eh = ListEntryGetSizeY(list);
        if (count > 0 && eh > 0) {
            int n = ListEntryGetViewFirstNr(list) + std::max(0, my) / eh;
            ListEntrySetSelectNr(list, std::min(n, count - 1));
            ListPaint(list);
        }
    }
    const char *entry = FileboxGetSelectFile(box);
    if (!entry) return WIN_ERROR_ARG;
    int rc = FileboxEntryShow(box, list, entry);
    if (menu && WinFind(list->window) == list) ContextMenuOpen(list, mx, my);
    return rc;
}

// The selected entry in the box's lines and preview; a double click opens or enters it.
static int FileboxEntryShow(WINDAT *box, WINDAT *list, const std::string &name) {
    std::string path = Join(FileboxGetCurPath(box), name.c_str());
    struct stat st;
    int ok = stat(path.c_str(), &st) == 0;
    if (WINDAT *prop = Slot(box, FBX_SLOT_PROPERTY)) FilePropertyUpdate(prop, path.c_str());
    if (ok && S_ISDIR(st.st_mode)) {
        if (list->dblclick) {
            list->dblclick = 0;
            list->lasttime = 0;
            return FileboxDirEnter(box, path.c_str());
        }
        return 0;
    }
    if (ok && (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode) || S_ISFIFO(st.st_mode))) return 0;
    if (list->dblclick) {
        list->dblclick = 0;
        list->lasttime = 0;
        return WinFuncReturn(list);
    }
    WINDAT *info = FileboxWndFInfoGet(box);
    LabelText(FileboxWndFDicomGet(box), " ");
    if (!ok) {
        char text[128];
        snprintf(text, sizeof text, "%s: %s", LgRes(0, box->language), LgRes(21, box->language));
        LabelText(info, text);
        return FILE_ERROR_READ;
    }
    if (WINDAT *field = FileboxWndFNameGet(box))
        EditTextNew(field, name.c_str(), static_cast<int>(name.size()));
    char date[32];
    MakeTimeString(date, st.st_mtime);
    LabelText(FileboxWndFDateGet(box), date);
    int rc = -1;
    if (PreviewOn(box))
        rc = FilePreviewRead(path.c_str(), FileboxWndFPreviewGet(box), -1, FBX_PREVIEW_EDGE, info);
    if (rc != 0) {
        PreviewClear(box);
        InfoPlain(box, path.c_str(), st);
    }
    WinFuncProperty(list);
    return 0;
}

int FileboxViewUpdate(WINDAT *box) {
    WINDAT *list = FileboxWndFListGet(box);
    if (!list) return WIN_ERROR_ARG;
    Window xw = box->window;
    CursorSet(list, cursorWatch);
    int rc = _FileboxViewUpdate(box);
    // The update may have closed the box (a confirmed dialog).
    if (WinFind(xw) == box) CursorSet(list, list->cursor);
    return rc;
}

int FileboxFuncMouse(WINDATUSR *rec) {
    if (!rec || !rec->win) return WIN_ERROR_ARG;
    return FileboxViewUpdate(FileboxFind(rec->win));
}

int FileboxFuncKeyb(WINDATUSR *rec) {
    if (!rec || !rec->win) return WIN_ERROR_ARG;
    // A re-listed list has cleared its own copy of the key; the record keeps it.
    XKeyEvent key = rec->evkey.xkey;
    KeySym sym = key.display ? XLookupKeysym(&key, 0) : NoSymbol;
    if (sym == XK_Return || sym == XK_KP_Enter || sym == XK_Delete || sym == XK_Insert) return 0;
    WINDAT *box = FileboxFind(rec->win);
    if (!box) return WIN_ERROR_CHILD;
    rec->win->usr.evmouse.type = 0;
    rec->win->dblclick = 0;
    return FileboxViewUpdate(box);
}

int FileBoxFuncListSelect(WINDATUSR *rec) {
    return FileboxFuncKeyb(rec);
}

int FileBoxFuncListRemove(WINDATUSR *rec) {
    if (!rec || !rec->win) return WIN_ERROR_ARG;
    return mf_FileRemove(FileboxFind(rec->win));
}

// Return in a dialog's list: a directory is entered, a file confirms the dialog.
static int FileboxListReturn(WINDATUSR *rec) {
    if (!rec || !rec->win) return WIN_ERROR_ARG;
    WINDAT *box = FileboxFind(rec->win);
    char path[FBX_PATH_SIZE];
    if (FileboxGetFullPath(box, 0, path, sizeof path) != 0) return WIN_ERROR_ARG;
    struct stat st;
    if (stat(path, &st) != 0) return FileboxEntryGone(box, path);
    if (S_ISDIR(st.st_mode)) return FileboxDirEnter(box, path);
    auto fn = reinterpret_cast<WINFUNC>(Slot(box, FBX_SLOT_BTNFUNC));
    WINDAT *dlg = box;
    while (dlg && dlg->typ != WIN_DLGMSG)
        dlg = dlg->usr.parent;
    if (!fn || !dlg) return 0;
    if (WINDAT *field = FileboxWndFNameGet(box)) {
        const char *name = FileboxGetSelectFile(box);
        EditTextNew(field, name, static_cast<int>(strlen(name)));
    }
    WINDATUSR r = dlg->usr;
    r.win = dlg;
    r.i = 1;
    return fn(&r);
}

// ---- type filters

void FileboxNameExt(const char *name, const char *ext, char *out, int size) {
    if (!out || size < 1) return;
    std::string n = name ? name : "", e = ext ? ext : "";
    if (!e.empty() && e[0] == '.') e.erase(0, 1);
    if (e == "*" || e.empty()) {
        snprintf(out, static_cast<size_t>(size), "%s", n.c_str());
        return;
    }
    if (n.size() < 5 || n[n.size() - 4] != '.')
        n += "." + e;
    else
        n = n.substr(0, n.size() - 3) + e.substr(0, 3);
    snprintf(out, static_cast<size_t>(size), "%s", n.c_str());
}

static std::string FilterOfLabel(const char *label) {
    const char *a = label ? strchr(label, '(') : nullptr;
    const char *b = a ? strchr(a, ')') : nullptr;
    if (!a || !b) return "*.*";
    return std::string(a + 1, static_cast<size_t>(b - a - 1));
}

int FileboxGetFilterNr(WINDAT *box) {
    WINDAT *btn = FileboxWndFTypGet(box);
    return btn ? btn->status : -15;
}

static void _FileboxFuncOptionFileTyp(WINDAT *box, int n, const char *label, const char *ext) {
    WINDAT *btn = FileboxWndFTypGet(box);
    if (btn) {
        btn->status = n;
        WinSetLabel(btn, label, 1);
    }
    if (box->state == FBX_SAVEAS) FileboxFTypOptCreate(FileboxWndFTypOptGet(box), n);
    WINDAT *field = FileboxWndFNameGet(box);
    const char *name = field ? EditTextGet(field) : nullptr;
    if (name && *name) {
        char out[FBX_PATH_SIZE];
        FileboxNameExt(name, ext, out, sizeof out);
        EditTextNew(field, out, static_cast<int>(strlen(out)));
    }
    if (WINDAT *list = FileboxWndFListGet(box)) {
        std::string f = FilterOfLabel(label);
        WinUSRStringSet(list, f.c_str());
    }
    FileboxUpdate(box, nullptr);
}

int FileboxFilterChoose(WINDAT *box, int n) {
    if (!box || box->typ != WIN_FILEBOX) return WIN_ERROR_TYPE;
    if (box->state == FBX_ALBUM_OPEN) {
        if (n < 0 || n > 1) return WIN_ERROR_ARG;
        MENUITEM *it = MenuItemGet(M_OPTION_MENU[6], n + 1);
        _FileboxFuncOptionFileTyp(box, n, it ? it->label : "Album (*.alb)", album_ext[2 * n + 1]);
        return 0;
    }
    if (n < 1 || n > 5) return WIN_ERROR_ARG;
    MENUITEM *it = MenuItemGet(M_OPTION_MENU[0], n);
    _FileboxFuncOptionFileTyp(box, n, it ? it->label : file_ext[2 * n], file_ext[2 * n + 1]);
    return 0;
}

static MENUHANDLE fileTypMenu = nullptr;

int FileboxFuncOptionFileTyp(WINDATUSR *rec) {
    if (!rec || !rec->win) return WIN_ERROR_ARG;
    WINDAT *box = FileboxFind(rec->win);
    if (!box) return WIN_ERROR_CHILD;
    MENUITEM items[3];
    int n = 0;
    for (int i = 1; i <= 3; i++) {
        MENUITEM *it = MenuItemGet(M_OPTION_MENU[0], i);
        if (!it) break;
        items[n] = *it;
        items[n].disabled = strstr(it->label, "jpg") ? 0 : 1;
        items[n].action = FileboxFuncOptionFileTypAction;
        n++;
    }
    if (!n) return WIN_ERROR_MEMORY;
    MenuCloseFromMouse(nullptr);
    if (fileTypMenu) MenuSubFree(fileTypMenu);
    fileTypMenu = MenuSubCreate(n, items);
    return MenuPulldownCreate(rec->win, 0, rec->win->height, fileTypMenu, box) ? 0 : -8;
}

int FileboxFuncOptionAlbumTyp(WINDATUSR *rec) {
    if (!rec || !rec->win) return WIN_ERROR_ARG;
    WINDAT *box = FileboxFind(rec->win);
    if (!box) return WIN_ERROR_CHILD;
    MENUHANDLE menu = M_OPTION_MENU[6];
    for (int i = 1; i <= MenuCount(menu); i++)
        if (MENUITEM *it = MenuItemGet(menu, i)) it->action = FileboxFuncOptionAlbumTypAction;
    return MenuPulldownCreate(rec->win, 0, rec->win->height, menu, box) ? 0 : -8;
}

static WINDAT *MenuEntryBox(WINDATUSR *rec) {
    WINDAT *box = rec->parentgrp && rec->parentgrp->typ == WIN_FILEBOX ? rec->parentgrp : nullptr;
    if (!box && rec->parentgrp) box = FileboxFind(rec->parentgrp);
    if (rec->parent && rec->parent->typ == WIN_MENUP) MenuOptionClose(rec->parent);
    return box;
}

int FileboxFuncOptionFileTypAction(WINDATUSR *rec) {
    if (!rec || !rec->win) return WIN_ERROR_ARG;
    int n = rec->win->status;
    WINDAT *box = MenuEntryBox(rec);
    return box ? FileboxFilterChoose(box, n) : -17;
}

int FileboxFuncOptionAlbumTypAction(WINDATUSR *rec) {
    if (!rec || !rec->win) return WIN_ERROR_ARG;
    int n = rec->win->status;
    WINDAT *box = MenuEntryBox(rec);
    return box ? FileboxFilterChoose(box, n) : -17;
}

// ---- the ancestor menu

int FileboxDirTreeEntries(const char *cwd, int full, char labels[][256], char paths[][4096],
                          int max) {
    if (!cwd || cwd[0] != '/' || max < 1) return 0;
    std::string p = cwd;
    while (p.size() > 1 && p.back() == '/')
        p.pop_back();
    int n = 0;
    for (;;) {
        if (n >= max) break;
        snprintf(paths[n], 4096, "%s", p.c_str());
        std::string label = full ? p : LastComponent(p.c_str());
        snprintf(labels[n], 256, "%s", label.c_str());
        n++;
        if (p == "/") break;
        size_t s = p.rfind('/');
        p = s == 0 ? "/" : p.substr(0, s);
    }
    return n;
}

static MENUHANDLE dirTreeMenu = nullptr;
static char dirTreeLabels[FBX_DIRMENU_MAX][256];
static char dirTreePaths[FBX_DIRMENU_MAX][4096];

int FileboxFuncOptionDirTree(WINDATUSR *rec) {
    if (!rec || !rec->win) return WIN_ERROR_ARG;
    WINDAT *box = FileboxFind(rec->win);
    const char *cwd = FileboxGetCurPath(box);
    if (!cwd) return WIN_ERROR_CHILD;
    int n =
        FileboxDirTreeEntries(cwd, AskPathShowFull, dirTreeLabels, dirTreePaths, FBX_DIRMENU_MAX);
    if (n < 1) return WIN_ERROR_ARG;
    // A window holds at most WIN_CHILD_MAX - 1 children, and every entry is a child of the
    // pull-down: the farthest of 30 ancestors cannot be shown.
    n = std::min(n, WIN_CHILD_MAX - 1);
    MENUITEM items[FBX_DIRMENU_MAX];
    for (int i = 0; i < n; i++)
        items[i] = MENUITEM{MENU_KIND_CMD,    i, "Ctrl",  "~",
                            dirTreeLabels[i], 0, nullptr, FileboxFuncDirChange};
    MenuCloseFromMouse(nullptr);
    if (dirTreeMenu) MenuSubFree(dirTreeMenu);
    dirTreeMenu = MenuSubCreate(n, items);
    return MenuPulldownCreate(rec->win, 0, rec->win->height, dirTreeMenu, box) ? 0 : -8;
}

int FileboxFuncDirChange(WINDATUSR *rec) {
    if (!rec || !rec->win) return WIN_ERROR_ARG;
    int id = rec->win->status;
    WINDAT *box = MenuEntryBox(rec);
    if (!box) return WIN_ERROR_PARENT;
    if (id < 0 || id >= FBX_DIRMENU_MAX) return WIN_ERROR_ARG;
    // Every entry stands for its own directory, whatever the names along the path.
    std::string path = dirTreePaths[id];
    return FileboxDirEnter(box, path.c_str());
}

// ---- file operations

int FileRemove(const char *path) {
    if (!path) return WIN_ERROR_ARG;
    struct stat st;
    if (lstat(path, &st) != 0) return FILE_ERROR_READ;
    int r = S_ISDIR(st.st_mode) ? rmdir(path) : remove(path);
    return r == 0 ? 0 : -110;
}

static std::string removePath;
static Window removeBox = 0;

static int FileRemoveDo(WINDAT *box, const std::string &path) {
    int r = FileRemove(path.c_str());
    if (r == -110)
        return MsgErrFile(box ? box->language : LG_DEFAULT, path.c_str(), -110, errno, nullptr);
    if (r != 0) return r;
    if (box && box->typ == WIN_FILEBOX) {
        FileboxUpdate(box, nullptr);
    } else if (box && box->typ == WIN_PAINT) {
        PaintFileRemove(box);
    }
    return 0;
}

int FileRemoveFunc(WINDATUSR *rec) {
    if (!rec) return WIN_ERROR_ARG;
    int answer = rec->i;
    std::string path = removePath;
    WINDAT *box = removeBox ? WinFind(removeBox) : nullptr;
    MsgBoxClose(rec);
    removePath.clear();
    removeBox = 0;
    if (answer != 1) return 0;
    return FileRemoveDo(box, path);
}

int mf_FileRemove(WINDAT *box) {
    char path[FBX_PATH_SIZE];
    if (FileboxGetFullPath(box, 0, path, sizeof path) != 0) return WIN_ERROR_ARG;
    const char *name = FileboxGetSelectFile(box);
    if (name && !strcmp(name, "..")) return WIN_ERROR_ARG;
    struct stat st;
    if (lstat(path, &st) != 0)
        return MsgErrFile(box->language, path, FILE_ERROR_READ, errno, nullptr);
    if (!AskFileRemove) return FileRemoveDo(box, path);
    removePath = path;
    removeBox = box->window;
    char text[FBX_PATH_SIZE + 200];
    snprintf(text, sizeof text, "%s\n\n%s", path,
             LgWarn(S_ISDIR(st.st_mode) ? 4 : 2, box->language));
    return MsgBox(box->language, BOX_QUESTION, text, FileRemoveFunc) ? 0 : -8;
}

// The fly edits of rename and new directory: one open at a time.
static Window flyBox = 0;
static std::string flyFrom;

// The field leaves its box's slot however it closes: Escape closes it without its Close
// callback, and a slot left behind would be closed again with the box.
static int FlyIntClose(WINDATUSR *rec) {
    if (!rec || !rec->win) return WIN_ERROR_NOWINDOW;
    if (WINDAT *box = flyBox ? WinFind(flyBox) : nullptr;
        box && Slot(box, FBX_SLOT_RENAME) == rec->win) {
        SlotSet(box, FBX_SLOT_RENAME, nullptr);
        flyBox = 0;
    }
    return WinFuncIntCloseSimple(rec);
}

static WINDAT *FlyOver(WINDAT *box, const char *text, int width, WINFUNC close) {
    WINDAT *list = FileboxWndFListGet(box);
    if (!list) return nullptr;
    if (WINDAT *old = Slot(box, FBX_SLOT_RENAME)) WinClose(old);
    int row = ListEntryGetSelectNr(list) - ListEntryGetViewFirstNr(list);
    int y = std::max(0, row) * ListEntryGetSizeY(list);
    WINDAT *fly = EditFlyCreate(0, y, width, list, text);
    if (!fly) return nullptr;
    WinSetFuncClose(fly, close);
    WinSetFuncIntClose(fly, FlyIntClose);
    SlotSet(box, FBX_SLOT_RENAME, fly);
    flyBox = box->window;
    return fly;
}

static WINDAT *FlyDone(WINDATUSR *rec, std::string *text) {
    WINDAT *box = flyBox ? WinFind(flyBox) : nullptr;
    if (box && Slot(box, FBX_SLOT_RENAME) == rec->win) SlotSet(box, FBX_SLOT_RENAME, nullptr);
    WINDAT *field = EditFlyGetField(rec->win);
    const char *t = field ? EditTextGet(field) : nullptr;
    *text = t ? t : "";
    flyBox = 0;
    return box;
}

int FileRename(WINDATUSR *rec) {
    if (!rec || !rec->win) return WIN_ERROR_ARG;
    std::string to;
    WINDAT *box = FlyDone(rec, &to);
    if (!box || to.empty()) return WIN_ERROR_ARG;
    std::string from = flyFrom;
    if (to[0] != '/') to = Join(FileboxGetCurPath(box), to.c_str());
    // Another file of that name is never replaced. The field closes whatever came of it (a
    // refusal kept it open with no box behind it): the error has been reported.
    if (int err = FileRenameNoReplace(from.c_str(), to.c_str())) {
        if (err == EEXIST)
            MsgErrFile(box->language, to.c_str(), FILE_ERROR_EXIST, err, nullptr);
        else
            MsgErrFile(box->language, from.c_str(), -106, err, nullptr);
        return 0;
    }
    FileboxUpdate(box, nullptr);
    if (WINDAT *list = FileboxWndFListGet(box)) {
        std::string name = LastComponent(to.c_str());
        for (int i = 0; i < ListEntryGetEntryMax(list); i++)
            if (const char *e = ListEntryGetNr(list, i); e && name == e)
                ListEntrySetSelectNr(list, i);
        WinPaint(list);
    }
    return 0;
}

int mf_FileRename(WINDAT *box) {
    char path[FBX_PATH_SIZE];
    if (FileboxGetFullPath(box, 0, path, sizeof path) != 0) return WIN_ERROR_ARG;
    const char *name = FileboxGetSelectFile(box);
    if (!strcmp(name, "..")) return WIN_ERROR_ARG;
    flyFrom = path;
    int w = EditGetInitWidth(name, 0) + 20;
    return FlyOver(box, name, w, FileRename) ? 0 : -8;
}

int FileNewDir(WINDATUSR *rec) {
    if (!rec || !rec->win) return WIN_ERROR_ARG;
    std::string name;
    WINDAT *box = FlyDone(rec, &name);
    if (!box || name.empty()) return WIN_ERROR_ARG;
    std::string path = name[0] == '/' ? name : Join(FileboxGetCurPath(box), name.c_str());
    // As for a rename, the field closes after a reported failure.
    if (mkdir(path.c_str(), 0755) != 0) {
        MsgErrFile(box->language, path.c_str(), -156, errno, nullptr);
        return 0;
    }
    FileboxUpdate(box, nullptr);
    return 0;
}

int mf_FileDirNew(WINDAT *box) {
    if (!FileboxGetCurPath(box)) return WIN_ERROR_ARG;
    const char *label = LgRes(1, box->language);
    return FlyOver(box, label, EditGetInitWidth(label, 0) + 60, FileNewDir) ? 0 : -8;
}

// ---- property window

const char *FilePropertyGetText(int language, int row, char *buf, int size) {
    if (!buf || size < 1) return nullptr;
    buf[0] = '\0';
    switch (row) {
    case 1:
        snprintf(buf, static_cast<size_t>(size), "%s", LgRes(0, language));
        break;
    case 2:
        snprintf(buf, static_cast<size_t>(size), "%s", LgRes(43, language));
        break;
    case 3:
        snprintf(buf, static_cast<size_t>(size), "%s", LgRes(44, language));
        break;
    case 4:
        snprintf(buf, static_cast<size_t>(size), "%s %s", LgRes(28, language), LgRes(44, language));
        break;
    case 5:
        snprintf(buf, static_cast<size_t>(size), "%s", LgRes(31, language));
        break;
    case 6:
        snprintf(buf, static_cast<size_t>(size), "%s", LgRes(32, language));
        break;
    case 7:
        snprintf(buf, static_cast<size_t>(size), "%s-ID", LgRes(29, language));
        break;
    case 8:
        snprintf(buf, static_cast<size_t>(size), "%s-ID", LgRes(30, language));
        break;
    case 9:
        snprintf(buf, static_cast<size_t>(size), "%s", LgRes(33, language));
        break;
    default:
        return nullptr;
    }
    return buf;
}

int FilePermissionText(unsigned mode, char *buf, int size) {
    if (!buf || size < 1) return WIN_ERROR_ARG;
    static const char *const perm[8] = {"---", "--x", "-w-", "-wx", "r--", "r-x", "rw-", "rwx"};
    char t = S_ISDIR(mode)    ? 'd'
             : S_ISCHR(mode)  ? 'c'
             : S_ISBLK(mode)  ? 'b'
             : S_ISFIFO(mode) ? 'f'
             : S_ISREG(mode)  ? '-'
                              : '?';
    snprintf(buf, static_cast<size_t>(size), "%c%s%s%s (%04o)", t, perm[(mode >> 6) & 7],
             perm[(mode >> 3) & 7], perm[mode & 7], mode & 07777);
    return 0;
}

int FilePropertyValue(const char *path, int row, int language, char *buf, int size) {
    (void)language;
    if (!path || !buf || size < 1) return WIN_ERROR_ARG;
    buf[0] = '\0';
    struct stat st;
    if (lstat(path, &st) != 0) return FILE_ERROR_READ;
    size_t n = static_cast<size_t>(size);
    switch (row) {
    case 1:
        snprintf(buf, n, "%s", path);
        break;
    case 2:
        MakeTimeString(buf, st.st_atime);
        break;
    case 3:
        MakeTimeString(buf, st.st_mtime);
        break;
    case 4:
        MakeTimeString(buf, st.st_ctime);
        break;
    case 5: {
        char s[32];
        MakeSizeString(s, static_cast<unsigned>(std::min<long long>(st.st_size, UINT_MAX)));
        snprintf(buf, n, "%s", s);
        break;
    }
    case 6: {
        char mode[40];
        FilePermissionText(st.st_mode, mode, sizeof mode);
        snprintf(buf, n, "%s  Link(s): %i", mode, static_cast<int>(st.st_nlink));
        break;
    }
    case 7:
        snprintf(buf, n, "%i", static_cast<int>(st.st_uid));
        break;
    case 8:
        snprintf(buf, n, "%i", static_cast<int>(st.st_gid));
        break;
    case 9: {
        if (!S_ISREG(st.st_mode)) break;
        FILEREQ req;
        IoRequestInit(&req, path);
        req.message = [](void *, int, const char *, int code, int) { return code; };
        FILEINFO fi;
        memset(&fi, 0, sizeof fi);
        if (IoFindOrReadFileTyp(&req, &fi, IO_READ_PROBE) && fi.w > 0)
            snprintf(buf, n, "%s - %ix%i  %i Bit", IoFileTypName(fi.ftyp), fi.w, fi.h, fi.bit);
        IoFreeRecord(&fi, path);
        break;
    }
    default:
        return WIN_ERROR_ARG;
    }
    return 0;
}

int FilePropertyUpdate(WINDAT *container, const char *path) {
    if (!container || !path) return WIN_ERROR_ARG;
    struct stat st;
    if (lstat(path, &st) != 0) return FILE_ERROR_READ;
    for (int i = 0; i < container->nchild; i++) {
        WINDAT *c = container->child[i];
        if (!c || c->typ != WIN_LABEL || c->usr.i < 1 || c->usr.i > 9) continue;
        char text[FBX_PATH_SIZE];
        FilePropertyValue(path, c->usr.i, container->language, text, sizeof text);
        LabelSet(c, *text ? text : " ");
    }
    return 0;
}

static Window propBox = 0;

int FilePropertyClose(WINDATUSR *rec) {
    WINDAT *box = propBox ? WinFind(propBox) : nullptr;
    if (box && rec && Slot(box, FBX_SLOT_PROPERTY) == rec->win)
        SlotSet(box, FBX_SLOT_PROPERTY, nullptr);
    propBox = 0;
    return 0;
}

int mf_FileProperty(WINDAT *box) {
    char path[FBX_PATH_SIZE];
    if (FileboxGetFullPath(box, 0, path, sizeof path) != 0) return WIN_ERROR_ARG;
    struct stat st;
    if (lstat(path, &st) != 0)
        return MsgErrFile(box->language, path, FILE_ERROR_READ, errno, nullptr);
    if (WINDAT *old = Slot(box, FBX_SLOT_PROPERTY)) {
        FilePropertyUpdate(old, path);
        return 0;
    }
    int lang = box->language;
    int lh = LabelGetInitHeight(WIN_TEXT_SAMPLE, 0) + 4;
    int keyw = 0;
    char key[128];
    for (int r = 1; r <= 9; r++) {
        char t[140];
        snprintf(t, sizeof t, "%s:", FilePropertyGetText(lang, r, key, sizeof key));
        keyw = std::max(keyw, LabelGetInitWidth(t, 0));
    }
    WINTYP t{};
    // A box: Escape and the window manager's close end it.
    t.typ = WIN_DLGMSG;
    t.fg = fg_form, t.bg = bg_form;
    t.width = keyw + 420;
    t.height = 9 * lh + 20;
    t.language = lang;
    t.mouseleft = box->mouseleft, t.mouseright = box->mouseright;
    WINNEIGHBOR nb{};
    WINDAT *win = WinCreateFromRootExt(nullptr, 100, 100, &t, &nb, "property", fontfs_text);
    if (!win) return WIN_ERROR_CREATE;
    snprintf(key, sizeof key, "%s", LgRes(34, lang));
    WinSetWinTitle(win, key);
    for (int r = 1; r <= 9; r++) {
        char k[140];
        snprintf(k, sizeof k, "%s:", FilePropertyGetText(lang, r, key, sizeof key));
        WINTYP lt = t;
        lt.fg = fg_label, lt.bg = bg_label;
        lt.width = keyw;
        lt.height = lh - 2;
        LabelCreate(win, 10, 10 + (r - 1) * lh, &lt, &nb, k);
        lt.width = 400;
        WINDAT *v = LabelCreate(win, 14 + keyw, 10 + (r - 1) * lh, &lt, &nb, " ");
        if (v) v->usr.i = r;
    }
    WinSetFuncClose(win, FilePropertyClose);
    FilePropertyUpdate(win, path);
    SlotSet(box, FBX_SLOT_PROPERTY, win);
    propBox = box->window;
    WinShow(win, 1);
    return 0;
}

int FileboxContextAction(WINDAT *box, int id) {
    if (!box) return WIN_ERROR_ARG;
    switch (id) {
    case 0:
        return mf_FileRename(box);
    case 1:
        return mf_FileRemove(box);
    case 2:
        return mf_FileProperty(box);
    case 4:
        return mf_FileDirNew(box);
    case 5:
        return mf_FileDirPrev(box);
    default:
        return WIN_ERROR_ARG;
    }
}

int FileboxFuncListMouseBtnR(WINDATUSR *rec) {
    if (!rec || !rec->win) return WIN_ERROR_ARG;
    int id = rec->win->status;
    WINDAT *box = MenuEntryBox(rec);
    return box ? FileboxContextAction(box, id) : -17;
}

// ---- save options

int FileboxFTypOptCreate(WINDAT *area, int filter) {
    if (!area) return WIN_ERROR_ARG;
    // The frame panel stays; only the type's own options are replaced.
    for (int i = area->nchild - 1; i >= 0; i--) {
        WINDAT *c = area->child[i];
        if (c && c->usr.i == 77) WinClose(c);
    }
    WINNEIGHBOR nb{};
    WINTYP t{};
    t.fg = fg_label, t.bg = bg_label;
    t.language = area->language;
    t.height = LabelGetInitHeight(WIN_TEXT_SAMPLE, 0) + 4;
    if (filter == 1) {
        const char *text = LgRes(41, area->language);
        t.width = LabelGetInitWidth(text, 0);
        WINDAT *l = LabelCreate(area, 0, 0, &t, &nb, text);
        if (l) l->usr.i = 77;
        WINTYP et = t;
        et.fg = fg_edit, et.bg = bg_edit;
        et.state = EDIT_NUMBER;
        et.width = EditGetInitWidth("0000", 0) + 8;
        WINDAT *f = EditCreate(area, t.width + 6, 0, &et, &nb, "quality");
        if (f) {
            EditTextSetCharMax(f, 3);
            EditValueMinMaxSet(f, 0, 100);
            char q[16];
            snprintf(q, sizeof q, "%i", JpegQuality);
            EditTextNew(f, q, static_cast<int>(strlen(q)));
            f->usr.i = 77;
            WinShow(f, 1);
        }
        if (l) WinShow(l, 1);
    } else if (filter == 2 || filter == 3) {
        t.width = 10;
        WINDAT *l = LabelCreate(area, 0, 0, &t, &nb, " ");
        if (l) {
            l->usr.i = 77;
            WinShow(l, 1);
        }
    }
    return 0;
}

int FileboxGetSaveOptJpeg(WINDAT *dlg, SAVEINFO *save) {
    WINDAT *box = FileboxFind(dlg);
    WINDAT *area = FileboxWndFTypOptGet(box);
    if (!area || !save) return WIN_ERROR_ARG;
    WINDAT *f = nullptr;
    for (int i = 0; i < area->nchild && !f; i++)
        if (area->child[i] && area->child[i]->typ == WIN_EDIT_TXT && area->child[i]->usr.i == 77)
            f = area->child[i];
    const char *t = f ? EditTextGet(f) : nullptr;
    if (!t || !*t) return -112;
    char *end = nullptr;
    long q = strtol(t, &end, 10);
    if (*end || q < 0 || q > 100) return -112;
    save->quality = static_cast<int>(q);
    return 0;
}

// ---- creation and layout

static int Gap() {
    return 4;
}

// Places the children: the list side on the left (all of the box in design 0, 40 % in design
// 1), the right side beside it.
// Moves and sizes a child, keeping its record's size in step with its window.
static void Place(WINDAT *win, int x, int y, int w, int h) {
    if (!win || w < 1 || h < 1) return;
    win->width = w, win->height = h;
    WinMoveResizeWindow(win, x, y, w, h);
}

static void FileboxLayout(WINDAT *box) {
    int W = box->width, H = box->height, g = Gap();
    int design = Slot(box, FBX_SLOT_NAME) || Slot(box, FBX_SLOT_TYPE) ? 1 : 0;
    int lw = design ? W * 40 / 100 : W;
    int bh = BtnGetInitHeight(WIN_TEXT_SAMPLE, 0);
    int lh = LabelGetInitHeight(WIN_TEXT_SAMPLE, 0) + 2;
    int y = 0;
    if (WINDAT *b = Slot(box, FBX_SLOT_DIRBTN)) {
        Place(b, 0, 0, std::max(1, lw - 2 * b->border), bh);
        y += bh + 2 * b->border + g;
    }
    int below = FBX_PREVIEW_EDGE + 2 + 4 * (lh + g);
    int treeh = std::max(40, H - y - below);
    WINDAT *list = Slot(box, FBX_SLOT_LIST);
    WINDAT *tree = list;
    while (tree && tree->typ != WIN_TREE)
        tree = tree->usr.parent;
    if (tree) {
        Place(tree, 0, y, std::max(1, lw - 2 * tree->border), treeh);
        // The tree's scroll window fills it (TreeResize would take the tree back to the box's
        // full size).
        for (int i = 0; i < tree->nchild; i++)
            if (WINDAT *c = tree->child[i]) {
                Place(c, 0, 0, tree->width, tree->height);
                WinFuncResize(c);
            }
    }
    y += treeh + g;
    if (WINDAT *c = Slot(box, FBX_SLOT_PREVIEWCHK)) {
        WinMove(c, 0, y);
        y += c->height + g;
    }
    for (int s : {FBX_SLOT_DATE, FBX_SLOT_INFO, FBX_SLOT_DICOM})
        if (WINDAT *l = Slot(box, s)) {
            Place(l, 0, y, std::max(1, lw - 2 * l->border), lh);
            y += lh + g;
        }
    if (WINDAT *v = Slot(box, FBX_SLOT_PREVIEW)) {
        int ph = std::max<int>(FBX_PREVIEW_EDGE, H - y);
        Place(v, 0, y, std::max(1, std::min(lw, ph * 4 / 3)), ph);
    }
    if (!design) return;
    int x = lw + 2 * g, rw = std::max(1, W - x);
    int ry = 0;
    if (WINDAT *f = Slot(box, FBX_SLOT_NAME)) {
        Place(f, x, ry, rw - 2 * f->border, f->height);
        ry += f->height + 2 * f->border + 2 * g;
    }
    for (int i = 0; i < box->nchild; i++) {
        WINDAT *c = box->child[i];
        if (c && c->typ == WIN_LABEL && c->usr.i == 40) {
            WinMove(c, x, ry);
            ry += c->height + g;
        }
    }
    if (WINDAT *b = Slot(box, FBX_SLOT_TYPE)) {
        Place(b, x, ry, rw - 2 * b->border, bh);
        ry += bh + 2 * b->border + 2 * g;
    }
    if (WINDAT *a = Slot(box, FBX_SLOT_OPTIONS)) {
        Place(a, x, ry, rw, std::max(1, H - ry));
        // Whoever filled the area lays its contents out; a row of its own (the frame fields)
        // follows the area's width.
        WinFuncResize(a);
        for (int i = 0; i < a->nchild; i++)
            if (WINDAT *c = a->child[i]; c && c->typ == WIN_BASE) WinFuncResize(c);
    }
}

static int FileboxResize(WINDATUSR *rec) {
    if (!rec || !rec->win) return WIN_ERROR_NOWINDOW;
    WINDAT *box = rec->win;
    WINDAT *parent = box->usr.parent;
    if (parent && box->neighbor[WIN_SIDE_RIGHT] == nullptr) {
        box->width =
            std::max(1, parent->width - box->space[WIN_SIDE_LEFT] - box->space[WIN_SIDE_RIGHT]);
        box->height =
            std::max(1, parent->height - box->space[WIN_SIDE_TOP] - box->space[WIN_SIDE_BOTTOM]);
        WinResize(box, box->width, box->height);
    }
    FileboxLayout(box);
    return 0;
}

int FileboxExtResize(WINDATUSR *rec) {
    return FileboxResize(rec);
}

static int FileBoxFuncIntClose(WINDATUSR *rec) {
    if (!rec || !rec->win) return WIN_ERROR_ARG;
    WINDAT *box = rec->win;
    if (box->usr.strm) {
        if (box->usr.strm[FBX_SLOT_PATH]) MemFree(box->usr.strm[FBX_SLOT_PATH], TAG_DIR);
        box->usr.strm[FBX_SLOT_PATH] = nullptr;
        if (WINDAT *p = Slot(box, FBX_SLOT_PROPERTY)) WinClose(p);
        if (WINDAT *p = DirPreviewGet(box)) DirPreviewOwnerGone(p);
        // An open rename or new-directory field goes without acting.
        if (WINDAT *fly = Slot(box, FBX_SLOT_RENAME)) {
            WinSetFuncClose(fly, nullptr);
            WinClose(fly);
            flyBox = 0;
        }
        WinUSRStringArrayRemove(box);
    }
    return 0;
}

int FileboxPreviewSetup(WINDATUSR *rec) {
    if (!rec || !rec->win) return WIN_ERROR_ARG;
    WINDAT *box = FileboxFind(rec->win);
    if (!box) return WIN_ERROR_CHILD;
    if (!PreviewOn(box)) {
        PreviewClear(box);
        return 0;
    }
    WINDAT *list = FileboxWndFListGet(box);
    if (list) list->usr.evmouse.type = 0, list->dblclick = 0;
    return FileboxViewUpdate(box);
}

static WINDAT *LabelMake(WINDAT *box, const char *text, int slot) {
    WINTYP t{};
    t.fg = fg_label, t.bg = bg_label;
    t.width = std::max(10, LabelGetInitWidth(text, 0));
    t.height = LabelGetInitHeight(WIN_TEXT_SAMPLE, 0) + 2;
    t.language = box->language;
    WINNEIGHBOR nb{};
    WINDAT *l = LabelCreate(box, 0, 0, &t, &nb, text);
    if (slot) SlotSet(box, slot, l);
    return l;
}

WINDAT *FileboxCreate(WINDAT *parent, int x, int y, WINTYP *typ, const WINNEIGHBOR *nb,
                      const FILEBOXOPT *opt) {
    if (!parent || !typ || !nb || !opt) return nullptr;
    ToolkitLockGuard guard;
    PaintFrameFieldsHook = PaintFrameFields;
    PaintFileboxUpdateHook = FileboxUpdateAllHook;
    WINTYP t = *typ;
    t.typ = WIN_FILEBOX;
    t.state = opt->kind;
    t.language = parent->language;
    memset(t.func, 0, sizeof t.func);
    t.func[WIN_FUNC_RESIZE] = FileboxResize;
    WINDAT *box = WinCreate(parent, x, y, &t, nb, "fbx", fontfs_text);
    if (!box) return nullptr;
    WinOptRtUpdateFromParent(box, parent);
    if (WinUSRStringArrayCreate(box, FBX_SLOTS) != 0) {
        WinClose(box);
        return nullptr;
    }
    WinSetFuncIntClose(box, FileBoxFuncIntClose);
    auto *path = static_cast<char *>(MemCreate(FBX_PATH_SIZE, TAG_DIR));
    if (!path) {
        WinClose(box);
        return nullptr;
    }
    path[0] = '\0';
    SlotSet(box, FBX_SLOT_PATH, path);

    WINNEIGHBOR none{};
    // The list side.
    WINTYP bt{};
    bt.fg = fg_btn, bt.bg = bg_btn;
    bt.width = std::max(20, t.width / 2);
    bt.height = BtnGetInitHeight(WIN_TEXT_SAMPLE, 0);
    bt.state = BTN_OPTION_WIDE;
    bt.language = box->language;
    WINDAT *dirbtn = BtnCreate(box, 0, 0, &bt, &none, "/", FileboxFuncOptionDirTree);
    SlotSet(box, FBX_SLOT_DIRBTN, dirbtn);

    WINTYP lt{};
    lt.fg = fg_list, lt.bg = bg_list;
    lt.width = std::max(40, t.width / 2);
    lt.height = std::max(40, t.height / 2);
    lt.language = box->language;
    lt.mouseleft = box->mouseleft, lt.mouseright = box->mouseright;
    const char *filter = opt->filter && *opt->filter ? opt->filter : "*.*";
    WINDAT *tree = TreeCreate(box, 0, 0, &lt, &none, "tree", FileboxFuncMouse, WIN_LIST,
                              opt->dir && *opt->dir ? opt->dir : ".", filter);
    WINDAT *list = tree ? WinChildFindTypTree(tree, WIN_LIST) : nullptr;
    if (!list) {
        WinClose(box);
        return nullptr;
    }
    SlotSet(box, FBX_SLOT_LIST, list);
    WinOptRtUpdateFromParent(list, box);
    WinSetFuncMouse(list, FileboxFuncMouse);
    WinSetFuncKeyb(list, FileboxFuncKeyb);
    WinSetFuncSelect(list, FileBoxFuncListSelect);
    WinSetFuncRemove(list, FileBoxFuncListRemove);
    WinSetFuncReturn(list, FileboxListReturn);
    // The list's label is the directory it listed (it may have fallen back).
    FileboxSetDirCur(box, list->label ? list->label : nullptr);
    DirButtonLabel(box);

    if (opt->kind != FBX_ALBUM_ADD || opt->design == 1) {
        WINTYP ct{};
        ct.fg = fg_label, ct.bg = bg_form;
        const char *pv = LgRes(25, box->language);
        ct.width = BtnChkGetInitWidth(pv, 0);
        ct.height = BtnChkGetInitHeight(pv, 0);
        ct.language = box->language;
        SlotSet(box, FBX_SLOT_PREVIEWCHK,
                BtnChkCreate(box, 0, 0, &ct, &none, pv, FileboxPreviewSetup));
        LabelMake(box, " ", FBX_SLOT_DATE);
        LabelMake(box, " ", FBX_SLOT_INFO);
        LabelMake(box, " ", FBX_SLOT_DICOM);
        WINTYP pt{};
        pt.fg = fg_paint, pt.bg = bg_paint;
        pt.width = FBX_PREVIEW_EDGE * 4 / 3;
        pt.height = FBX_PREVIEW_EDGE;
        pt.language = box->language;
        WINDAT *view = PaintCreate(box, 0, 0, &pt, &none, "preview");
        SlotSet(box, FBX_SLOT_PREVIEW, view);
    }

    if (opt->design == 1) {
        if (opt->kind >= FBX_OPEN && opt->kind <= FBX_ALBUM_OPEN) {
            WINTYP et{};
            et.fg = fg_edit, et.bg = bg_edit;
            et.state = EDIT_SINGLE;
            et.width = std::max(40, t.width / 2);
            et.height = EditGetInitHeight(WIN_TEXT_SAMPLE, 0, 1);
            et.language = box->language;
            WINDAT *name = EditCreate(box, 0, 0, &et, &none, "name");
            EditFileNameSet(name, 1);
            SlotSet(box, FBX_SLOT_NAME, name);
        }
        WINDAT *fl = LabelMake(box, LgRes(40, box->language), 0);
        if (fl) fl->usr.i = 40;
        WINTYP tt = bt;
        const char *label;
        WINFUNC fn;
        int n = opt->filternr;
        if (opt->kind == FBX_ALBUM_OPEN) {
            MENUITEM *it = MenuItemGet(M_OPTION_MENU[6], 1);
            label = it ? it->label : "Album (*.alb)";
            fn = FileboxFuncOptionAlbumTyp;
            n = 0;
        } else {
            if (n < 1 || n > 5) n = 5;
            MENUITEM *it = MenuItemGet(M_OPTION_MENU[0], n);
            label = it ? it->label : file_ext[2 * n];
            fn = FileboxFuncOptionFileTyp;
        }
        WINDAT *tb = BtnCreate(box, 0, 0, &tt, &none, label, fn);
        if (tb) tb->status = n;
        SlotSet(box, FBX_SLOT_TYPE, tb);
        // Save as holds its save options here; the album add page its add controls.
        if (opt->kind == FBX_SAVEAS || opt->kind == FBX_ALBUM_ADD) {
            WINTYP at{};
            at.fg = fg_form, at.bg = bg_form;
            at.width = std::max(40, t.width / 2);
            at.height = 80;
            at.state = BASE_FIXED;
            at.language = box->language;
            WINDAT *area = BaseCreate(box, 0, 0, &at, &none, "opt");
            SlotSet(box, FBX_SLOT_OPTIONS, area);
            if (opt->kind == FBX_SAVEAS) FileboxFTypOptCreate(area, n);
        }
    }
    FileboxLayout(box);
    WinShow(box, 1);
    return box;
}

// ---- dialogs

// The main window's mouse buttons and language (the run-time options live above this layer).
static void RtOfMain(int rt[3]) {
    if (WINDAT *m = WinFindTyp(WIN_MAIN))
        rt[0] = m->mouseleft, rt[1] = m->mouseright, rt[2] = m->language;
}

static WINDAT *FileboxDialog(Display *display, const char *title, int w, int h, WINFUNC btnfunc,
                             FILEBOXOPT *opt) {
    int rt[3] = {1, 3, LG_DEFAULT};
    RtOfMain(rt);
    WINDAT *dlg = WinCreateDlg(display, rt, title, 4, btnfunc);
    if (!dlg) return nullptr;
    WinResize(dlg, w, h);
    dlg->width = w, dlg->height = h;
    WinFuncResize(dlg);
    WINDAT *fb = WinChildFindTyp(dlg, WIN_BASE);
    if (!fb) {
        WinClose(dlg);
        return nullptr;
    }
    WINTYP t{};
    t.fg = fg_form, t.bg = bg_form;
    t.width = fb->width;
    t.height = fb->height;
    WINNEIGHBOR nb{};
    WINDAT *box = FileboxCreate(fb, 0, 0, &t, &nb, opt);
    if (!box) {
        WinClose(dlg);
        return nullptr;
    }
    SlotSet(box, FBX_SLOT_BTNFUNC, reinterpret_cast<void *>(btnfunc));
    WinShow(dlg, 1);
    return dlg;
}

WINDAT *FileboxSaveAs(WINDAT *view, int *opt, WINFUNC btnfunc) {
    if (!view || !opt) return nullptr;
    Display *d = view->usr.display ? view->usr.display : main_display;
    int rt[3] = {1, 3, view->language};
    RtOfMain(rt);
    int lang = rt[2];
    char title[200];
    snprintf(title, sizeof title, "%s %s", LgRes(0, lang), LgAct(3, lang));
    int n = opt[2] >= 0 && opt[2] <= 5 ? opt[2] : 5;
    if (n == 0) n = 5;
    opt[0] = n;
    const char *ext = file_ext[2 * n + 1];
    std::string filter = std::string("*") + ext;
    FILEBOXOPT fo{1, FBX_SAVEAS, LastPathFileOpen, filter.c_str(), n};
    WINDAT *dlg = FileboxDialog(d, title, 640, 440, btnfunc, &fo);
    if (!dlg) return nullptr;
    WINDAT *box = FileboxFind(dlg);
    SlotSet(box, FBX_SLOT_OWNER, view);
    if (const char *fname = PaintGetFileName(view)) {
        char out[FBX_PATH_SIZE];
        FileboxNameExt(LastComponent(fname).c_str(), ext, out, sizeof out);
        if (WINDAT *field = FileboxWndFNameGet(box))
            EditTextNew(field, out, static_cast<int>(strlen(out)));
    }
    PAINTIMG *e = PaintImgGet(view, view->img_current);
    if (e && e->fi.frames > 1) {
        WINDAT *area = FileboxWndFTypOptGet(box);
        WINDAT *panel = area ? PaintImgMultiFrameWndCreate(area, box) : nullptr;
        if (panel) {
            WinMove(panel, 0, 40);
            WinShow(panel, 1);
            for (int s : {FBX_SLOT_FRAME0, FBX_SLOT_FRAME1})
                if (WINDAT *f = Slot(box, s)) EditValueMinMaxSet(f, 0, e->fi.frames);
            FileboxWndFFrameStartSet(box, 0);
            FileboxWndFFrameEndSet(box, e->fi.frames);
        }
    }
    return dlg;
}

WINDAT *FileboxOpenAlbum(int *opt, Display *display, WINFUNC btnfunc) {
    (void)opt;
    if (!display) display = main_display;
    int rt[3] = {1, 3, LG_DEFAULT};
    RtOfMain(rt);
    int lang = rt[2];
    char title[200];
    snprintf(title, sizeof title, "%s %s", LgRes(0, lang), LgAct(0, lang));
    FILEBOXOPT fo{1, FBX_ALBUM_OPEN, LastPathAlbum, "*.alb", 0};
    return FileboxDialog(display, title, 640, 440, btnfunc, &fo);
}

// ---- progress

void IoSaveAsJpegStatus(void *ctx, int percent) {
    if (!ctx) return;
    ToolkitLockGuard guard;
    StatusSetProc(static_cast<WINDAT *>(ctx), percent);
    XFlush(main_display);
}

WINDAT *FileboxWndFOwnerGet(WINDAT *box) {
    return Slot(box, FBX_SLOT_OWNER);
}
