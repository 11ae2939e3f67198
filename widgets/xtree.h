// The directory tree: a scroll window holding a list in directory mode.
#pragma once

#include "toolkit/xwin.h"

WINDAT *TreeCreate(WINDAT *parent, int x, int y, WINTYP *typ, const WINNEIGHBOR *nb,
                   const char *name, WINFUNC mouse, int kind, const char *dir, const char *str);
int TreePress(WINDAT *tree);
// The milliseconds since the press.
long TreeRelease(WINDAT *tree);
int TreeResize(WINDAT *tree);
int ResizeTree(WINDATUSR *rec);
