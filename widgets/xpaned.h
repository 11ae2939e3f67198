// Paned windows: children side by side or stacked, with a draggable sash between neighbours.
#pragma once

#include "toolkit/xwin.h"

WINDAT *PanedCreate(WINDAT *parent, int x, int y, WINTYP *typ, const WINNEIGHBOR *nb,
                    const char *name);
WINDAT *PanedCreateChild(WINDAT *paned, int x, int y, WINTYP *typ, const WINNEIGHBOR *nb,
                         const char *name, int kind);
WINDAT *PanedBtnCreate(WINDAT *sash);
int PanedResize(WINDAT *paned);
// Resize callback of a pane that holds one window: the window fills the pane and lays itself
// out through its own Resize callback.
int PanedChildFill(WINDATUSR *rec);
int PanedResizeBtn(WINDAT *grip, int dx, int dy);
int ResizePaned(WINDATUSR *rec);
