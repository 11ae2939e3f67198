// The seam of the application windows that tests turn; null in the program.
#pragma once

struct ALBUMWND;

// Called on the scan thread of a tree add before each matching file is taken on (a test
// cancels the add from it at a known point).
extern void (*AlbumScanHook)(ALBUMWND *w);
