#include "toolkit/xinit.h"

#include "base/lg.h"
#include "base/xmem.h"
#include "base/xerror.h"

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

Display *main_display = nullptr;
int main_screen_number = 0;
Window main_root = 0;
Colormap main_colormap = 0;
int main_depth = 0;
Visual *main_visual = nullptr;
XVisualInfo *main_visual_info = nullptr;

WINDAT **WINDATp = nullptr;
int WINDATpi = 0;
int WINDATpimax = 0;

Cursor cursorWatch = 0;
Cursor cursorTopLeftArrow = 0;
Cursor cursorArrow = 0;

// A recursive lock that can be released fully and restored, which std::recursive_mutex cannot.
static std::mutex lock_mutex;
static std::condition_variable lock_free;
static std::thread::id lock_owner;
static int lock_depth = 0;

void ToolkitLock() {
    std::unique_lock<std::mutex> l(lock_mutex);
    auto self = std::this_thread::get_id();
    if (lock_depth > 0 && lock_owner == self) {
        lock_depth++;
        return;
    }
    lock_free.wait(l, [] { return lock_depth == 0; });
    lock_owner = self;
    lock_depth = 1;
}

void ToolkitUnlock() {
    std::unique_lock<std::mutex> l(lock_mutex);
    if (lock_depth == 0 || lock_owner != std::this_thread::get_id()) return;
    if (--lock_depth == 0) {
        lock_owner = std::thread::id();
        l.unlock();
        lock_free.notify_one();
    }
}

bool ToolkitTryLock() {
    std::unique_lock<std::mutex> l(lock_mutex);
    auto self = std::this_thread::get_id();
    if (lock_depth > 0 && lock_owner != self) return false;
    lock_owner = self;
    lock_depth++;
    return true;
}

int ToolkitLockRelease() {
    std::unique_lock<std::mutex> l(lock_mutex);
    if (lock_depth == 0 || lock_owner != std::this_thread::get_id()) return 0;
    int depth = lock_depth;
    lock_depth = 0;
    lock_owner = std::thread::id();
    l.unlock();
    lock_free.notify_one();
    return depth;
}

void ToolkitLockRestore(int depth) {
    if (depth <= 0) return;
    std::unique_lock<std::mutex> l(lock_mutex);
    lock_free.wait(l, [] { return lock_depth == 0; });
    lock_owner = std::this_thread::get_id();
    lock_depth = depth;
}

int CreateMemWinTable(WINDAT **existing, int n) {
    if (existing) return 0;
    auto table =
        static_cast<WINDAT **>(MemCreate(static_cast<long>(n) * sizeof(WINDAT *), "struct"));
    if (!table) {
        MsgErrWin(LG_DEFAULT, "wintable", -8);
        return -8;
    }
    memset(table, 0, static_cast<size_t>(n) * sizeof(WINDAT *));
    WINDATpi = 0;
    WINDATp = table;
    return 0;
}

int WinMemInit() {
    MsgShowHook = MsgBoxShow;
    WINDATpimax = WIN_REGISTRY_MAX;
    return CreateMemWinTable(WINDATp, WINDATpimax + 1);
}

int WinMemRemove() {
    ToolkitLockGuard guard;
    if (!WINDATp) return 0;
    // Top-level windows first, newest first: a dialog's Close callback still finds its fields,
    // which would otherwise go before it (children are registered after their parents).
    std::vector<WINDAT *> tops;
    for (int i = WINDATpi - 1; i >= 1; i--)
        if (WINDATp[i] && !WINDATp[i]->usr.parent) tops.push_back(WINDATp[i]);
    for (WINDAT *top : tops)
        if (std::find(WINDATp + 1, WINDATp + WINDATpi, top) != WINDATp + WINDATpi) WinClose(top);
    for (int i = WINDATpi - 1; i >= 1; i--) {
        if (i >= WINDATpi || !WINDATp[i]) continue;
        WinClose(WINDATp[i]);
    }
    // Entry 0, the main window, is never closed, and a window whose Close callback refused is
    // still here: their records go with the table, with what they own.
    for (int i = WINDATpi - 1; i >= 0; i--) {
        WINDAT *w = WINDATp[i];
        if (!w) continue;
        WINDATUSR rec = w->usr;
        if (w->intclose) w->intclose(&rec);
        WinRecordFree(w);
        WINDATp[i] = nullptr;
    }
    MemFreeArray(reinterpret_cast<void **>(WINDATp), "MemWin", 0, WINDATpimax, 1);
    WINDATp = nullptr;
    WINDATpi = 0;
    return 0;
}

int CursorInit(Display *display) {
    if (!display) return -15;
    cursorWatch = XCreateFontCursor(display, 150);
    cursorTopLeftArrow = XCreateFontCursor(display, 132);
    cursorArrow = XCreateFontCursor(display, 2);
    return 0;
}

int LibOptionRTUpdate(const int *opt_rt) {
    if (!opt_rt) return -15;
    ToolkitLockGuard guard;
    for (int i = 0; i < WINDATpi; i++) {
        WINDAT *w = WINDATp[i];
        if (!w) continue;
        w->language = opt_rt[2];
        w->mouseleft = opt_rt[0];
        w->mouseright = opt_rt[1];
    }
    return 0;
}
