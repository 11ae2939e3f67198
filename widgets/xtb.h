// Toolbars: a strip with a grip that detaches it into a floating window and docks it again.
#pragma once

#include "toolkit/xwin.h"

WINDAT *ToolbarCreate(WINDAT *parent, int x, int y, WINTYP *typ, const WINNEIGHBOR *nb,
                      const char *name, int floating, WINFUNC grip_action);
int ToolbarParentResize(WINDAT *parent);
int ToolbarResize(WINDAT *toolbar);
int ToolbarPaint(WINDAT *toolbar);
int ExposeToolbar(WINDATUSR *rec);
int ResizeToolbar(WINDATUSR *rec);
