// The directory preview: every image of a file box's directory as a thumbnail in one scrolling
// image view, with the selected file's properties above it; read on worker threads.
#pragma once

#include "toolkit/xwin.h"

// Slots of the preview's base window "fb".
enum { DPV_SLOT_USR = 1, DPV_SLOT_PROP = 2, DPV_SLOT_VIEW = 3, DPV_SLOT_STATUS = 4, DPV_SLOTS = 4 };
// Thumbnail edge, rows of the property area, and the most reader threads one fill starts.
enum { DPV_EDGE = 96, DPV_PROP_ROWS = 10, DPV_THREADS_MAX = 8 };
// Modes of DirPreviewEntryProperty.
enum { DPV_PROP_PROPERTY = 0, DPV_PROP_DESCRIPTION = 1 };

// Opens or refreshes the preview of the directory `win`'s file box lists (win: the box or a
// window inside it): 0; -17 without a file box, -16 when the preview's parts are missing, -8
// when the cells cannot be allocated, -1 when the window cannot be created.
int mf_FileDirPrev(WINDAT *win);

// The preview inside top-level window `win`: base window "fb" at geometry {x, y, w, h} with the
// property area `proph` pixels high above the thumbnail view. Null on failure.
WINDAT *DirPreviewWndCreate(WINDAT *win, const int geometry[4], int proph);
// Fills `container`: in property mode a title and `rows` - 1 property rows whose value labels
// FilePropertyUpdate fills; in description mode a label and a disabled field of `rows` lines.
// With `flag` the new children are shown. 0, -15 or -8.
int DirPreviewEntryProperty(WINDAT *container, int flag, int rows, int mode);
// Row labels of the property area: 1 .. 8 as FilePropertyGetText, 9 "Entry(s)", else null.
const char *InfoGetText(int language, int row, char *buf, int size);

int DirPreviewPaintMouse(WINDATUSR *rec);
int DirPreviewClose(WINDATUSR *rec);
int DirPreviewResize(WINDATUSR *rec);
int DirPreviewWndFuncIntClose(WINDATUSR *rec);

// The open preview of file box `box` (its top-level window), or null; and its parts.
WINDAT *DirPreviewGet(WINDAT *box);
WINDAT *DirPreviewView(WINDAT *preview);
WINDAT *DirPreviewStatus(WINDAT *preview);
WINDAT *DirPreviewProperty(WINDAT *preview);
// The file box is closing: its preview stays, owned by nobody.
void DirPreviewOwnerGone(WINDAT *preview);

// Reader threads of a fill: 0 one per core (at most DPV_THREADS_MAX), else that many.
extern int DirPreviewThreads;
int DirPreviewThreadCount(int entries);
