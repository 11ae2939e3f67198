// Event dispatch.
#pragma once

#include "toolkit/xwin.h"

// The sash on which the last select-button press happened; only it is dragged on release.
extern Window WinEvButtonPress;

// What a widget family does with the events of its window type; installed when the family
// creates its first window. Any slot may be null.
struct WINEVHANDLER {
    int (*press)(WINDAT *win);   // select-button press
    int (*release)(WINDAT *win); // select-button release; its result is the dispatch's
    int (*keypress)(WINDAT *win);
    int (*keyrelease)(WINDAT *win);
    int (*enter)(WINDAT *win);
    int (*leave)(WINDAT *win);
    // Pointer motion with a button held, and the release of the menu button.
    int (*motion)(WINDAT *win) = nullptr;
    int (*rrelease)(WINDAT *win) = nullptr;
    // When non-zero, a press repeats every `repeat` ms while Button1 stays held.
    int repeat = 0;
};
int WinEvHandlerSet(int typ, const WINEVHANDLER *h);

// The menu system's share of every event, installed by the menus: closing an open menu on a
// click or Escape (0 when one closed) and the menu bar's keys (0 when it took the key).
extern int (*WinEvMenuClose)(WINDAT *win);
extern int (*WinEvMenuKey)(Display *display, const XEvent *ev);

// Answers a liveness probe: a ClientMessage "_DRAVIK_PING" whose first word is a sequence
// number. The application installs it where it traces; the soak test waits for the answers.
extern void (*WinEvPingHook)(long seq);

// A key counts with the modifiers that were down when it was pressed: typists, on-screen
// keyboards and xdotool release Shift or Ctrl before the key, and keys act on their release.
// Gives a KeyRelease the state of its key's press (remembered by keycode); a release without a
// seen press keeps its own. Notes presses; the same release may be passed again.
void WinEventKeyState(XEvent *ev);

// Dispatches one event (the key state above applied first).
int WinEvent(Display *display, XEvent ev);
int WinEventQueued(Display *display);
