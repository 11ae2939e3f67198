// The header window: every element of the shown DICOM picture's file in a scrolling list with
// type-ahead, one window per file, closed with Escape or by the window manager.
#pragma once

#include "toolkit/xbase.h"

// Opens the header window of the picture the view shows, or raises the one open for its file.
// 0, -1 when the view shows no DICOM picture, -26 when the window cannot be made.
int WinDcmHeaderOpen(WINDAT *view);
// Keys: `i` in an image view opens the header window, Escape in a header window closes it;
// 1 when taken.
int WinDcmHeaderKey(WINDAT *win, KeySym sym);
