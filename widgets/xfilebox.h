// The file box's load operation: a file read into an image view on a worker thread.
#pragma once

#include "toolkit/xwin.h"

// Reads `path` into the view's current cell: 100 on success; -102 for a missing, unreadable or
// unrecognised file, -24 when the read gives no image, -301/-302 when the worker fails. On
// failure the view keeps what it showed and the reason is reported.
int mf_FileOpen(const char *path, WINDAT *view);

// Test seam: called from the worker after the read (progress has been reported), before the
// result is handed back.
extern void (*FileOpenReadHook)(const char *path, int ok);
