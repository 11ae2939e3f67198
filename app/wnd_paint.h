// Image windows: the work area's image view, separate image windows, the image view's callbacks,
// the context menus and the DICOM panel; and the files given on the command line.
#pragma once

#include "toolkit/xwin.h"

#include <string>
#include <vector>

// Tests and benchmarks read what happened from "dravik: trace: ..." lines on stderr when
// DRAVIK_TRACE is set.
void DravikTrace(const char *fmt, ...) __attribute__((format(printf, 1, 2)));

WINDAT *WorkCreate(WINDAT *mainwindow);
int WorkPaint(WINDATUSR *rec);
int WorkKey(WINDATUSR *rec);

int SymbolFileOpen(const char *path);
// Opens what the file box chose: an album in its own window (as on the command line), any
// other file in the view.
int WinPaintFileboxOpen(const char *path);
// The work area file list's Return (enter a directory, open a file) and property functions.
int FileBoxFuncListEntryReturn(WINDATUSR *rec);
int FileBoxFuncListEntryProperty(WINDATUSR *rec);
WINDAT *SymbolFileCreate(WINDAT *parent, int x, int y, WINTYP *typ, const WINNEIGHBOR *nb,
                         const char *name);
int SymbolActionFileOpen(WINDATUSR *rec);

WINDAT *WinPaintCreate(Display *display, int x, int y, int w, int h, const char *name);
// The outer size of an image window for a w x h image on a dw x dh display.
void WinPaintCalcSize(int w, int h, int dw, int dh, int *ww, int *wh);
int WinPaintUpdate(Display *display, Window window);

int WinPaintFuncMouse(WINDATUSR *rec);
int WinPaintFuncExpose(WINDATUSR *rec);
int WinPaintFuncResize(WINDATUSR *rec);
int WinPaintFuncClose(WINDATUSR *rec);
int WinPaintFuncStatus(WINDATUSR *rec);
int WinPaintStatusPosRGBSet(WINDAT *view);
// After a view painted its picture: its zoom and frame fields follow.
void WinPaintShown(WINDAT *view);
// The zoom a w x h picture opening in `view` is fitted at (fit mode, or FitLargeImages with a
// picture larger than the view), 0 when it opens unfitted; and the trace of a fitted first
// paint from a scaled decode. The file box's open hooks.
int WinPaintOpenFitZoom(WINDAT *view, int w, int h);
void WinPaintFirstFit(WINDAT *view, int denom, int x, int y, int w, int h);

WINDAT *PaintMenuMouseRCreate(WINDAT *view);
int WinPaintFuncMouseBtnR0(WINDATUSR *rec);
int WinPaintFuncMouseBtnR12(WINDATUSR *rec);

WINDAT *TbFileDicomCreate(WINDAT *parent, int x, int y, WINTYP *typ, const WINNEIGHBOR *nb,
                          const char *name);
int TbFileDicomUpdate(WINDAT *view);
// Reads the shown DICOM pictures again when the Hounsfield setting differs from the one they
// were read with (the options dialog has closed); the number read.
int WinPaintDicomReread();

int MF_ViewZoom(WINDAT *view, int id);
// View > Rotate left (403), Rotate right (404), Flip horizontal (405), Flip vertical (406): the
// shown picture turned, every frame; zoom or fit mode stays.
int MF_ViewTurn(WINDAT *view, int id);

// The files named on the command line, which n and p step through.
extern std::vector<std::string> WinPaintFiles;
extern int WinPaintFileIndex;
// Opens the command-line file at `index`, trying the following ones (in `step` direction) when
// one cannot be read; 0 when one was shown.
int WinPaintFilesOpen(int index, int step);
// Points the work area's file box at directory `path` and opens its directory preview.
int WinPaintDirPreview(const char *path);
// The viewer's own keys in an image view: n next, p previous, f fit; 1 when taken.
int WinPaintKeyNav(WINDAT *view, KeySym sym);
// space and BackSpace in a single-picture view (frames then files while the whole picture
// shows, else as n and p), q in image and thumbnail views (File > Exit). 1 when taken.
int WinPaintKeyField(WINDAT *view, KeySym sym);
// F11 toggles fullscreen of the window holding `win`; Escape leaves it unless a menu was open
// when the key came. 1 when taken.
int WinPaintKeyWindow(WINDAT *win, KeySym sym, bool menu_was_open);
bool WinPaintMenuOpen();
// '+' and '-' zoom by a factor of 1.25 about the view's centre, '0' shows 100 %; zoom stays
// within 1 and 1000 %. 1 when the key was one of them.
int WinPaintKeyZoom(WINDAT *view, KeySym sym);
// '<', '>', '|', '_' (the typed keysym): View > Rotate left, right, Flip horizontal, vertical.
int WinPaintKeyTurn(WINDAT *view, KeySym sym);
// The "fields MSG | F1 | F2" trace line of a view's status line, after any field changed.
void WinPaintTraceFields(WINDAT *view);
// The wheel (buttons 4 to 7) over a single-picture view: scrolls a picture larger than the view
// (Shift or buttons 6 and 7 across), steps frames and then files when the whole picture shows,
// and with Ctrl zooms by 1.25 a notch keeping the picture point under the pointer. 1 when taken.
int WinPaintWheel(WINDAT *view, const XButtonEvent *ev);
// The middle button drags the picture (while neither MouseLeft nor MouseRight names it): the
// press, the motion and the release. 1 when taken.
int WinPaintDrag(WINDAT *view, const XEvent *ev);
// The largest whole percent (at least 1) at which a w x h image fits a vw x vh view.
int WinPaintFitZoom(int w, int h, int vw, int vh);
// The image file after (step 1) or before (step -1) `path` in its directory, by name; "" if none.
std::string WinPaintDirStep(const std::string &path, int step);
