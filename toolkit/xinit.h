// Toolkit set-up and tear-down: the registry table, shared cursors, option propagation, and the
// toolkit lock.
#pragma once

#include "toolkit/xwin.h"

// The toolkit lock. One recursive lock serialises every use of Xlib and of the window registry
// and records: the event loop holds it around each dispatch, and any other thread (event pump,
// file or album worker) holds it while it draws, touches windows or walks the registry. A thread
// that waits for another thread which may need the lock (a join) releases it fully around the
// wait (ToolkitLockRelease / ToolkitLockRestore).
void ToolkitLock();
void ToolkitUnlock();
// Takes the lock only when it is free or already this thread's: a worker that must give up when
// told to (while the holder waits for it) polls this instead of waiting.
bool ToolkitTryLock();
int ToolkitLockRelease();
void ToolkitLockRestore(int depth);

struct ToolkitLockGuard {
    ToolkitLockGuard() { ToolkitLock(); }
    ~ToolkitLockGuard() { ToolkitUnlock(); }
    ToolkitLockGuard(const ToolkitLockGuard &) = delete;
    ToolkitLockGuard &operator=(const ToolkitLockGuard &) = delete;
};

// The one display connection and what start-up read of its default screen.
extern Display *main_display;
extern int main_screen_number;
extern Window main_root;
extern Colormap main_colormap;
extern int main_depth;
extern Visual *main_visual;
extern XVisualInfo *main_visual_info;

extern Cursor cursorWatch;
extern Cursor cursorTopLeftArrow;
extern Cursor cursorArrow;

int WinMemInit();
int CreateMemWinTable(WINDAT **existing, int n);
int WinMemRemove();
int CursorInit(Display *display);
int LibOptionRTUpdate(const int *opt_rt);
