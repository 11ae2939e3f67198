// The file box's load operation: a file read into an image view on a worker thread.
#pragma once

#include "image/io_files.h"
#include "toolkit/xwin.h"

// Reads `path` into the view's current cell: 100 on success; -102 for a missing, unreadable or
// unrecognised file, -24 when the read gives no image, -301/-302 when the worker fails. On
// failure the view keeps what it showed and the reason is reported.
int mf_FileOpen(const char *path, WINDAT *view);

// Installed by the application: the zoom (percent) a w x h picture opening in `view` will be
// fitted at, or 0 when it will not be fitted; and a report of a fitted picture painted from a
// DCT-scaled decode (1/denom) at (x, y), w x h, ahead of the full read. Both are called from
// the reading thread under the toolkit lock.
extern int (*FileOpenFitHook)(WINDAT *view, int w, int h);
extern void (*FileOpenFirstFitHook)(WINDAT *view, int denom, int x, int y, int w, int h);

// Saves the view's image (all frames of a multi-frame one) under its own name with the JPEG
// quality preset: 100, -22 for anything but a plain image view, -24 without an image, else the
// writer's code (reported by it). Progress goes to the view's status bar.
int mf_FileSave(WINDAT *view);

// ---- the file box widget (window type 30)

// Creation options: design (0 list side only, 1 list side and right side), kind, start directory,
// filter text ("*.jpg"), filter number (1 JPEG .. 5 all).
enum { FBX_PLAIN = 0, FBX_OPEN = 1, FBX_SAVEAS = 2, FBX_ALBUM_OPEN = 3, FBX_ALBUM_ADD = 4 };
struct FILEBOXOPT {
    int design;
    int kind;
    const char *dir;
    const char *filter;
    int filternr;
};
// User slots of the box (pointers kept in its string array).
enum {
    FBX_SLOT_DATE = 1,
    FBX_SLOT_INFO = 2,
    FBX_SLOT_PREVIEWCHK = 3,
    FBX_SLOT_PREVIEW = 4,
    FBX_SLOT_NAME = 5,
    FBX_SLOT_TYPE = 6,
    FBX_SLOT_OPTIONS = 7,
    FBX_SLOT_LIST = 8,
    FBX_SLOT_RENAME = 9,
    FBX_SLOT_OWNER = 10, // the image view a save-as dialog saves
    FBX_SLOT_PROPERTY = 11,
    FBX_SLOT_FRAME0 = 12,
    FBX_SLOT_FRAME1 = 13,
    FBX_SLOT_DIRBTN = 14,
    FBX_SLOT_DIRPREV = 15,
    FBX_SLOT_PATH = 16,
    FBX_SLOT_BTNFUNC = 17, // the dialog's button callback
    FBX_SLOT_DICOM = 18,   // the previewed DICOM file's patient and image line
    FBX_SLOTS = 19,
};
// The preview edge of the list side's preview.
enum { FBX_PREVIEW_EDGE = 96, FBX_DIRMENU_MAX = 30 };

WINDAT *FileboxCreate(WINDAT *parent, int x, int y, WINTYP *typ, const WINNEIGHBOR *nb,
                      const FILEBOXOPT *opt);
// Save-as dialog for `view`; opt: dlgmain's five words (third word: the filter number, copied
// into the first). Button 1 OK, 2 Cancel, 3 Ignore reach `btnfunc` with rec->i.
WINDAT *FileboxSaveAs(WINDAT *view, int *opt, WINFUNC btnfunc);
// Album open dialog (kind 3) in LastPathAlbum with "*.alb".
WINDAT *FileboxOpenAlbum(int *opt, Display *display, WINFUNC btnfunc);
// The file box inside a window (a dialog, a page), or the window itself; null if none.
WINDAT *FileboxFind(WINDAT *win);

const char *FileboxGetSelectFile(WINDAT *box);
const char *FileboxGetEditFile(WINDAT *box);
const char *FileboxGetCurPath(WINDAT *box);
// The selected entry or the name field's text joined to the current directory; "" if none.
int FileboxGetFullPath(WINDAT *box, int fromname, char *out, int size);
WINDAT *FileboxWndFTypGet(WINDAT *box);
WINDAT *FileboxWndFTypOptGet(WINDAT *box);
WINDAT *FileboxWndFNameGet(WINDAT *box);
WINDAT *FileboxWndFListGet(WINDAT *box);
WINDAT *FileboxWndFPreviewGet(WINDAT *box);
WINDAT *FileboxWndFDirBtnGet(WINDAT *box);
WINDAT *FileboxWndFPreviewChkGet(WINDAT *box);
WINDAT *FileboxWndFInfoGet(WINDAT *box);
WINDAT *FileboxWndFDateGet(WINDAT *box);
// The line under the info line that names a previewed DICOM file's patient and image.
WINDAT *FileboxWndFDicomGet(WINDAT *box);
// An entry deleted since the list was made: says so in a box and lists the directory again;
// FILE_ERROR_NOTFOUND.
int FileboxEntryGone(WINDAT *box, const char *path);
WINDAT *FileboxWndFOwnerGet(WINDAT *box);
int FileboxWndFFrameStartGet(WINDAT *box);
int FileboxWndFFrameEndGet(WINDAT *box);
int FileboxWndFFrameStartSet(WINDAT *box, int v);
int FileboxWndFFrameEndSet(WINDAT *box, int v);
// 1 when the box has frame fields (a multi-frame save).
int FileboxHasFrameFields(WINDAT *box);
// The filter number the type button shows.
int FileboxGetFilterNr(WINDAT *box);

int FileboxSetDirCur(WINDAT *box, const char *path);
int FileboxUpdate(WINDAT *box, const char *path);
int FileboxUpdateAll();
// Enters directory `path` (absolute, or relative to the box's directory) and relabels the box.
int FileboxDirEnter(WINDAT *box, const char *path);
// Selection update as a click or key does it (preview, labels, name field, double click).
int FileboxViewUpdate(WINDAT *box);

int FilePreviewRead(const char *file, WINDAT *view, int cell, int edge, WINDAT *label);
// Reads `file` decoded for edge `edge` and scaled to fit maxw x maxh into `fi`; touches no
// window, so worker threads may call it (with `onethread` when several run at once). 0, or
// FILE_ERROR_READ with `fi` left empty.
int FilePreviewLoad(const char *file, int edge, int maxw, int maxh, int language, int onethread,
                    FILEINFO *fi);
int FileboxPreviewSetup(WINDATUSR *rec);
int FilePropertyUpdate(WINDAT *container, const char *path);
const char *FilePropertyGetText(int language, int row, char *buf, int size);
// "-rwxr-x--- (0750)": the type letter (d, c, b, f for a FIFO, - for a file, ?), the three
// permission triplets and the bits.
int FilePermissionText(unsigned mode, char *buf, int size);
// The value text of property row `row` (1 .. 9) of `path`; -102 when it cannot be queried.
int FilePropertyValue(const char *path, int row, int language, char *buf, int size);

// The filter menu's extension rule: the name with extension `ext` (".jpg").
void FileboxNameExt(const char *name, const char *ext, char *out, int size);
// Type menus and the ancestor menu.
int FileboxFuncOptionFileTyp(WINDATUSR *rec);
int FileboxFuncOptionAlbumTyp(WINDATUSR *rec);
int FileboxFuncOptionFileTypAction(WINDATUSR *rec);
int FileboxFuncOptionAlbumTypAction(WINDATUSR *rec);
// Choosing filter n (1 .. 5) or, for albums, album type n (0, 1) as the menus do.
int FileboxFilterChoose(WINDAT *box, int n);
int FileboxFuncOptionDirTree(WINDATUSR *rec);
int FileboxFuncDirChange(WINDATUSR *rec);
// The ancestor menu's entries for `cwd`: labels and the directory each stands for, at most
// FBX_DIRMENU_MAX, the working directory first.
int FileboxDirTreeEntries(const char *cwd, int full, char labels[][256], char paths[][4096],
                          int max);

int FileboxFuncMouse(WINDATUSR *rec);
int FileboxFuncKeyb(WINDATUSR *rec);
int FileBoxFuncListSelect(WINDATUSR *rec);
int FileBoxFuncListRemove(WINDATUSR *rec);
int FileboxFuncListMouseBtnR(WINDATUSR *rec);
// Runs context-menu entry `id` (0 rename .. 5 directory preview) on the box's selection.
int FileboxContextAction(WINDAT *box, int id);

int FileRemove(const char *path);
int FileRemoveFunc(WINDATUSR *rec);
int mf_FileRemove(WINDAT *box);
int mf_FileRename(WINDAT *box);
int FileRename(WINDATUSR *rec);
int mf_FileDirNew(WINDAT *box);
int FileNewDir(WINDATUSR *rec);
int mf_FileProperty(WINDAT *box);
int FilePropertyClose(WINDATUSR *rec);

int FileboxFTypOptCreate(WINDAT *area, int filter);
// The quality field into save->quality: 0, or -112 when it holds no number in 0 .. 100.
int FileboxGetSaveOptJpeg(WINDAT *dlg, SAVEINFO *save);
int FileboxExtResize(WINDATUSR *rec);

// Saves the owner view's image as the dialog's chosen file: 100, or an error code.
int mf_FileSaveAs(WINDAT *dlg, int *typ);
// A save's progress into the status line the request's ctx names (none when null).
void IoSaveAsJpegStatus(void *ctx, int percent);
