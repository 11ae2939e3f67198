// The directory tree: a scroll window holding a list in directory mode.
#pragma once

#include "toolkit/xwin.h"

// Switches a list to directory mode with `str` as its user string and fills it from `dir`;
// installed by the list family. Without it the tree holds an empty list.
extern int (*TreeListDirHook)(WINDAT *list, const char *dir, const char *str);

WINDAT *TreeCreate(WINDAT *parent, int x, int y, WINTYP *typ, const WINNEIGHBOR *nb,
                   const char *name, WINFUNC mouse, int kind, const char *dir, const char *str);
int TreePress(WINDAT *tree);
// The milliseconds since the press.
long TreeRelease(WINDAT *tree);
int TreeResize(WINDAT *tree);
int ResizeTree(WINDATUSR *rec);
