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
int ToolkitLockRelease();
void ToolkitLockRestore(int depth);

struct ToolkitLockGuard {
    ToolkitLockGuard() { ToolkitLock(); }
    ~ToolkitLockGuard() { ToolkitUnlock(); }
    ToolkitLockGuard(const ToolkitLockGuard &) = delete;
    ToolkitLockGuard &operator=(const ToolkitLockGuard &) = delete;
};

extern Cursor cursorWatch;
extern Cursor cursorTopLeftArrow;
extern Cursor cursorArrow;

int WinMemInit();
int CreateMemWinTable(WINDAT **existing, int n);
int WinMemRemove();
int CursorInit(Display *display);
int LibOptionRTUpdate(const int *opt_rt);

#include "widgets/xmenu.h"

enum { M_OPTION_MENU_SLOTS = 50 };

// Option menus shared by several widgets: 0 file types, 1 sort order, 3 the file list's
// right-button menu, 5 the image view's context menu, 6 album types.
extern MENUHANDLE M_OPTION_MENU[M_OPTION_MENU_SLOTS];

// Rebuilds the option menus (slots 0, 6, 1, 3) for `language`; -8 when one cannot be built.
int LanguageMenuInit(Display *display, int language);
