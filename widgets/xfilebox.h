// The file box's load operation: a file read into an image view on a worker thread.
#pragma once

#include "toolkit/xwin.h"

// Reads `path` into the view's current cell: 100 on success; -102 for a missing, unreadable or
// unrecognised file, -24 when the read gives no image, -301/-302 when the worker fails. On
// failure the view keeps what it showed and the reason is reported.
int mf_FileOpen(const char *path, WINDAT *view);

// Saves the view's image (all frames of a multi-frame one) under its own name with the JPEG
// quality preset: 100, -22 for anything but a plain image view, -24 without an image, else the
// writer's code (reported by it). Progress goes to the view's status bar.
int mf_FileSave(WINDAT *view);

// The status bar that the save's progress goes to while one runs, or null.
extern WINDAT *ws_save;

// Test seam: called from the worker after the read (progress has been reported), before the
// result is handed back.
extern void (*FileOpenReadHook)(const char *path, int ok);
