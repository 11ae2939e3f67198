// The File menu's commands on the current image, the menu states, and the recent files.
#include "app/mf_file.h"

#include "app/main.h"
#include "app/wnd_paint.h"
#include "base/lg.h"
#include "base/settings.h"
#include "base/xmem.h"
#include "image/io_files.h"
#include "widgets/xfilebox.h"
#include "widgets/xmenu.h"
#include "widgets/xpaint.h"
#include "widgets/xscroll.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

// The built recent-files sub-menu, attached to File > Open Previous.
static MENUHANDLE mainFileLast = nullptr;

static const char *const TAG = "rc";

int MF_FileSave(WINDAT *view) {
    if (!view) return WIN_ERROR_ARG;
    int rc = mf_FileSave(view);
    DravikTrace("save rc=%d", rc);
    if (rc == FILE_QUIET) DravikTrace("status %s", LgErr(42, view->language));
    return rc;
}

// The work area's file box.
static WINDAT *MainFilebox() {
    WINDAT *main = WinFindTyp(WIN_MAIN);
    if (!main) return nullptr;
    WINDAT *wrk = WinChildFindTyp(main, WIN_BASE);
    return wrk ? WinChildFindTypTree(wrk, WIN_FILEBOX) : nullptr;
}

int MF_FileOpen() {
    WINDAT *main = WinFindTyp(WIN_MAIN);
    if (!main) return WIN_ERROR_NOWINDOW;
    WINDAT *wrk = WinChildFindTyp(main, WIN_BASE);
    if (!wrk) return WIN_ERROR_CHILD;
    WINDAT *box = MainFilebox();
    if (!box) return WIN_ERROR_CHILD;
    char path[4096];
    if (FileboxGetFullPath(box, 0, path, sizeof path) != 0) return WIN_ERROR_ARG;
    // A directory is entered, as Return on it does; only files are opened.
    struct stat st;
    if (stat(path, &st) == 0 && S_ISDIR(st.st_mode)) return FileboxDirEnter(box, path);
    return WinPaintFileboxOpen(path);
}

// The save-as dialog waiting for the answer to the overwrite question.
static Window TempSaveAsWd = 0;

static int SaveAsRun(WINDAT *dlg) {
    int rc = mf_FileSaveAs(dlg, dlgmain);
    dlgmain[3] = dlgmain[4] = 1;
    DravikTrace("save as rc=%d", rc);
    MenuFileViewUpdate();
    return rc;
}

int _FileboxSaveAsBtnReturn(WINDATUSR *rec) {
    if (!rec) return WIN_ERROR_ARG;
    int answer = rec->i;
    WINDAT *dlg = TempSaveAsWd ? WinFind(TempSaveAsWd) : nullptr;
    TempSaveAsWd = 0;
    MsgBoxClose(rec);
    if (answer != 1 || !dlg) return 0;
    return SaveAsRun(dlg);
}

int FileboxSaveAsBtnReturn(WINDATUSR *rec) {
    if (!rec || !rec->win) return WIN_ERROR_ARG;
    WINDAT *dlg = rec->win;
    while (dlg->usr.parent && dlg->typ != WIN_DLGMSG)
        dlg = dlg->usr.parent;
    if (rec->i == 2) return WinClose(dlg);
    if (rec->i != 1) return 0;
    WINDAT *box = FileboxFind(dlg);
    char path[4096];
    if (FileboxGetFullPath(box, 1, path, sizeof path) != 0) return WIN_ERROR_ARG;
    int frames = FileboxHasFrameFields(box);
    if (frames) {
        dlgmain[3] = FileboxWndFFrameStartGet(box);
        dlgmain[4] = FileboxWndFFrameEndGet(box);
    } else {
        dlgmain[3] = dlgmain[4] = 1;
    }
    WinSetLabel(box, path, 0);
    struct stat st;
    if (!frames && AskFileSaveExist == 1 && stat(path, &st) == 0) {
        TempSaveAsWd = dlg->window;
        char text[4300];
        snprintf(text, sizeof text, "%s\n\n%s\n", path, LgWarn(3, dlg->language));
        return MsgBox(dlg->language, 3, text, _FileboxSaveAsBtnReturn) ? 0 : -8;
    }
    return SaveAsRun(dlg);
}

int MF_FileSaveAs(WINDAT *view) {
    if (!view) return WIN_ERROR_ARG;
    WINDAT *dlg = FileboxSaveAs(view, dlgmain, FileboxSaveAsBtnReturn);
    dlgmain[3] = dlgmain[4] = 1;
    return dlg ? 0 : -26;
}

int MF_FileClose(WINDAT *view) {
    if (!view) return WIN_ERROR_ARG;
    if (view->typ != WIN_PAINT) return WIN_ERROR_TYPE;
    WINDAT *scroll = view->usr.parent;
    WINDAT *top = scroll ? scroll->usr.parent : nullptr;
    if (top && top->typ == WIN_EXT_PAINT) {
        WinClose(top);
        MenuFileViewUpdate();
        return 0;
    }
    PaintXImageSetPosX(view, 0);
    PaintXImageSetPosY(view, 0);
    PaintImgSetup(view, 1);
    WinSetLabel(view, "", 0);
    WinClearWindow(view);
    if (scroll && scroll->typ == WIN_SCROLLM) {
        ScrollWndInitMax(scroll, 0, 0);
        if (WINDAT *tools = ScrollGetToolbar(scroll))
            for (int i = 0; i < tools->nchild; i++)
                WinSetDisable(tools->child[i], 1, 1);
    }
    TbFileDicomUpdate(view);
    MenuFileViewUpdate();
    WinPaintShown(view);
    return 0;
}

static void ViewEntriesDisable(int flag) {
    for (int id = 202; id <= 204; id++)
        MenuSetupDisable(id, M_MAIN_MENU[1], flag);
    for (int id = 400; id <= 407; id++)
        MenuSetupDisable(id, M_MAIN_MENU[3], flag);
}

int MenuFileViewUpdate() {
    auto *view = static_cast<WINDAT *>(MainPropStrGet(1));
    MenuSetupDisable(205, M_MAIN_MENU[1], 1);
    if (!view || !view->img_list) {
        ViewEntriesDisable(1);
        DravikTrace("file menu save=0 close=0");
        return view ? -8 : -1;
    }
    PAINTIMG *e = PaintImgGet(view, view->img_current);
    bool image = e && e->fi.fbuf && e->fi.w > 0;
    ViewEntriesDisable(!image);
    int dicom = image && e->fi.ftyp == FTYP_DICOM;
    MenuSetupDisable(407, M_MAIN_MENU[3], !dicom);
    if (dicom) MenuSetupDisable(202, M_MAIN_MENU[1], 1);
    DravikTrace("file menu save=%d close=%d", image && !dicom, image ? 1 : 0);
    return 0;
}

// A path as it names the file from any working directory: the file box changes directories, and
// the list outlives the session.
static std::string AbsolutePath(const char *path) {
    if (path[0] == '/') return path;
    if (char *real = realpath(path, nullptr)) {
        std::string abs = real;
        free(real);
        return abs;
    }
    char cwd[4096];
    if (!getcwd(cwd, sizeof cwd)) return path;
    return std::string(cwd) + (cwd[1] ? "/" : "") + path;
}

int MenuFileLastUpdate(const char *path) {
    if (!path || !*path) return WIN_ERROR_ARG;
    std::string abs = AbsolutePath(path);
    for (const char *slot : mainFileLastName)
        if (slot && abs == slot) return 0;
    const int N = RC_LAST_FILES;
    if (mainFileLastName[N - 1]) MemFree(mainFileLastName[N - 1], TAG);
    memmove(&mainFileLastName[1], &mainFileLastName[0], (N - 1) * sizeof mainFileLastName[0]);
    mainFileLastName[0] = static_cast<char *>(MemCreate(static_cast<long>(abs.size()) + 1, TAG));
    if (mainFileLastName[0]) memcpy(mainFileLastName[0], abs.c_str(), abs.size() + 1);
    MenuFileLastCreate();
    return 0;
}

// File's "Open Previous" entry, which carries the sub-menu.
static MENUITEM *MenuFileLastCascade() {
    MENUHANDLE file = M_MAIN_MENU[1];
    for (int i = 1; i <= MenuCount(file); i++) {
        MENUITEM *item = MenuItemGet(file, i);
        if (item && item->kind == MENU_KIND_SUB) return item;
    }
    return nullptr;
}

int MenuFileLastCreate() {
    MENUITEM items[RC_LAST_FILES];
    int n = 0;
    for (const char *slot : mainFileLastName) {
        if (!slot) continue;
        items[n] =
            MENUITEM{MENU_KIND_CMD, n + 1, "Ctrl", "~", slot, 0, nullptr, MenuFileLastMenuBtn};
        n++;
    }
    MENUITEM *cascade = MenuFileLastCascade();
    // An open pull-down may still show the old entries; they go with it.
    if (mainFileLast) MenuCloseFromMouse(nullptr);
    MENUHANDLE built = n ? MenuSubCreate(n, items) : nullptr;
    if (cascade) cascade->submenu = built;
    if (mainFileLast) MenuSubFree(mainFileLast);
    mainFileLast = built;
    if (!n) return WIN_ERROR_ARG;
    return built ? 0 : -8;
}

int MenuFileLastMenuBtn(WINDATUSR *rec) {
    if (!rec || !rec->win) return WIN_ERROR_ARG;
    // The entry's number names its slot; a label may have been cut to fit the menu.
    int id = rec->win->status, k = 0;
    std::string path;
    for (const char *slot : mainFileLastName)
        if (slot && ++k == id) path = slot;
    if (path.empty() && rec->win->label) path = rec->win->label;
    MenuMainCloseIfActiv();
    MenuCloseFromMouse(nullptr);
    if (path.empty()) return WIN_ERROR_ARG;
    return SymbolFileOpen(path.c_str());
}
