// Event dispatch: routes each X event to the registered windows it concerns.
#include "toolkit/xevent.h"

#include "base/allg.h"
#include "toolkit/xinit.h"
#include "toolkit/xselect.h"
#include "toolkit/xtext.h"
#include "toolkit/xtools.h"
#include "toolkit/xwinfunc.h"

#include <X11/keysym.h>
#include <cstring>

Window WinEvButtonPress = 0;

static WINEVHANDLER WinEvHandlers[WIN_TYP_NAMES];

int (*WinEvMenuClose)(WINDAT *win) = nullptr;
int (*WinEvMenuKey)(Display *display, const XEvent *ev) = nullptr;

int WinEvHandlerSet(int typ, const WINEVHANDLER *h) {
    if (typ < 0 || typ >= WIN_TYP_NAMES || !h) return WIN_ERROR_ARG;
    WinEvHandlers[typ] = *h;
    return 0;
}

static const WINEVHANDLER *WinEvHandlerOf(const WINDAT *win) {
    return win->typ >= 0 && win->typ < WIN_TYP_NAMES ? &WinEvHandlers[win->typ] : nullptr;
}

// The window an event concerns, as the dispatcher matches it.
static Window WinEventWindow(const XEvent &ev) {
    switch (ev.type) {
    case ConfigureNotify:
        return ev.xconfigure.event;
    case GravityNotify:
        return ev.xgravity.event;
    case CreateNotify:
        return ev.xcreatewindow.parent;
    default:
        return ev.xany.window;
    }
}

// Registry walks re-read the entry count on every step and skip empty entries, so a handler may
// close windows while the walk runs.
template <typename F> static void WinEachMatch(Window w, F fn) {
    for (int i = 0; WINDATp && i < WINDATpi; i++) {
        WINDAT *win = WINDATp[i];
        if (win && win->window == w) fn(win);
    }
}

// Closes an open menu; 0 when one was closed.
static int WinMenuCloseFromMouse(WINDAT *win) {
    return WinEvMenuClose ? WinEvMenuClose(win) : -1;
}

// Held buttons repeat their press; the repeat follows Button1 whatever the select button is.
// The first press always acts: a click whose release came with it is still a click.
static void WinEvRepeat(WINDAT *win, const WINEVHANDLER *h) {
    Window xw = win->window;
    Display *d = win->usr.display;
    for (;;) {
        h->press(win);
        XFlush(d);
        // Other threads may draw meanwhile; the press or they may have closed the window.
        int depth = ToolkitLockRelease();
        SetTimer(h->repeat);
        ToolkitLockRestore(depth);
        if (WinFind(xw) != win) break;
        Window root, child;
        int rx, ry, wx, wy;
        unsigned int mask = 0;
        if (!XQueryPointer(d, xw, &root, &child, &rx, &ry, &wx, &wy, &mask)) break;
        if (!(mask & Button1Mask)) break; // 0x100
    }
}

static int CheckEvButtonPress(const XEvent &ev) {
    if (WINDAT *clicked = WinFind(ev.xbutton.window)) WinFocusRepair(clicked);
    WinEachMatch(ev.xbutton.window, [&](WINDAT *win) {
        win->usr.evmouse = ev;
        if (static_cast<int>(ev.xbutton.button) == win->mouseleft) {
            if (win->typ == WIN_PANEDXM) {
                WinEvButtonPress = win->window;
                WinSetSelect(win, 1, 1);
                if (const WINEVHANDLER *h = WinEvHandlerOf(win); h && h->press) h->press(win);
            } else if (const WINEVHANDLER *h = WinEvHandlerOf(win); h && h->press) {
                if (h->repeat > 0)
                    WinEvRepeat(win, h);
                else
                    h->press(win);
            }
        }
        if (static_cast<int>(ev.xbutton.button) == win->mouseright) WinMenuCloseFromMouse(win);
    });
    return 0;
}

static int CheckEvButtonRelease(const XEvent &ev) {
    int result = -1;
    for (int i = 0; WINDATp && i < WINDATpi; i++) {
        WINDAT *win = WINDATp[i];
        if (!win || win->window != ev.xbutton.window) continue;
        win->usr.evmouse = ev;
        int button = static_cast<int>(ev.xbutton.button);
        if (button == win->mouseleft) {
            // A click while a menu is open only closes the menu.
            if (win->typ != WIN_EDIT_TXT && WinMenuCloseFromMouse(win) == 0) return 0;
            // A handler may close windows, this one included: nothing of it is used after.
            if (win->typ == WIN_PANEDXM) {
                if (WinEvButtonPress == win->window) {
                    WinSetSelect(win, 0, 1);
                    WinEvButtonPress = 0;
                    const WINEVHANDLER *h = WinEvHandlerOf(win);
                    if (h && h->release) result = h->release(win);
                }
            } else if (const WINEVHANDLER *h = WinEvHandlerOf(win); h && h->release) {
                result = h->release(win);
            }
        } else if (button == win->mouseright) {
            if (const WINEVHANDLER *h = WinEvHandlerOf(win); h && h->rrelease)
                result = h->rrelease(win);
        }
    }
    return result;
}

static int CheckEvMotionNotify(const XEvent &ev) {
    WinEachMatch(ev.xmotion.window, [&](WINDAT *win) {
        const WINEVHANDLER *h = WinEvHandlerOf(win);
        if (!h || !h->motion) return;
        win->usr.evmouse = ev;
        h->motion(win);
    });
    return 0;
}

static KeySym WinEventKeysym(const XEvent &ev) {
    XKeyEvent key = ev.xkey;
    return XLookupKeysym(&key, 0);
}

// Keys inside a dialog box belong to the box, whichever of its buttons, labels or areas the
// pointer is over: Return performs the default button and Escape closes, never the button under
// the pointer. Widgets with keys of their own (lists, edit fields, image views) keep them.
static WINDAT *WinEvKeyOwner(WINDAT *win) {
    const WINEVHANDLER *h = WinEvHandlerOf(win);
    if (win->typ != WIN_BTN && h && (h->keypress || h->keyrelease)) return win;
    for (WINDAT *w = win; w; w = w->usr.parent)
        if (w->typ == WIN_DLGMSG) return w;
    return win;
}

// Events are dispatched on one thread at a time, under the toolkit lock.
static bool escape_closed_menu = false;

static int CheckEvKeyPress(const XEvent &ev) {
    KeySym sym = WinEventKeysym(ev);
    WINDAT *win = WinFind(ev.xkey.window);
    if (!win) return 0;
    // Escape closes an open menu even over its own opener, which a click would not close.
    if (sym == XK_Escape && win->typ != WIN_EDIT_TXT) {
        // An Escape that closed a menu is spent: its release must not close a box as well.
        escape_closed_menu = WinMenuCloseFromMouse(nullptr) == 0;
        // The key may have been pressed over an entry of the menu just closed.
        if (!(win = WinFind(ev.xkey.window))) return 0;
    }
    win = WinEvKeyOwner(win);
    win->usr.evkey = ev;
    const WINEVHANDLER *h = WinEvHandlerOf(win);
    if (h && h->keypress) h->keypress(win);
    return 0;
}

static int CheckEvKeyRelease(const XEvent &ev) {
    KeySym sym = WinEventKeysym(ev);
    // The menu bar sees key releases first.
    if (WinEvMenuKey && WinEvMenuKey(ev.xany.display, &ev) == 0) return 0;
    WINDAT *win = WinFind(ev.xkey.window);
    if (!win) return 0;
    WINDAT *owner = WinEvKeyOwner(win);
    if (sym == XK_Escape && win->typ != WIN_EDIT_TXT) {
        if (escape_closed_menu) {
            escape_closed_menu = false;
            return 0;
        }
        // A box's Escape closes the box once no menu took it.
        int closed = WinMenuCloseFromMouse(nullptr);
        if (closed == 0 || !WinFind(ev.xkey.window) || owner->typ != WIN_DLGMSG) return closed;
    }
    owner->usr.evkey = ev;
    const WINEVHANDLER *h = WinEvHandlerOf(owner);
    if (h && h->keyrelease) h->keyrelease(owner);
    return 0;
}

static int CheckEvEnterNotify(const XEvent &ev) {
    WinEachMatch(ev.xcrossing.window, [&](WINDAT *win) {
        const WINEVHANDLER *h = WinEvHandlerOf(win);
        if (h && h->enter) h->enter(win);
    });
    return 0;
}

static int CheckEvLeaveNotify(const XEvent &ev) {
    WinEachMatch(ev.xcrossing.window, [&](WINDAT *win) {
        const WINEVHANDLER *h = WinEvHandlerOf(win);
        if (h && h->leave) h->leave(win);
    });
    return 0;
}

static int CheckEvExpose(const XEvent &ev) {
    WinEachMatch(ev.xexpose.window, [](WINDAT *win) { WinPaint(win); });
    return 0;
}

static int CheckEvResizeRequest(const XEvent &ev) {
    Window w = WinEventWindow(ev);
    Window root;
    int x, y;
    unsigned int width, height, border, depth;
    Display *d = ev.xany.display;
    // A queued event may name a window closed since: no geometry request for it.
    WINDAT *win = WinFind(w);
    if (!win) return -1;
    if (!XGetGeometry(d, w, &root, &x, &y, &width, &height, &border, &depth)) return -1;
    if (win->width == static_cast<int>(width) && win->height == static_cast<int>(height)) return 0;
    win->width = static_cast<int>(width);
    win->height = static_cast<int>(height);
    if (WinFuncResize(win) == -1) {
        WinResize(win, win->width, win->height);
        WinChildResize(win);
    }
    return 0;
}

static int CheckEvConfigureNotify(const XEvent &) {
    WinMenuCloseFromMouse(nullptr);
    return 0;
}

void (*WinEvPingHook)(long seq) = nullptr;

static int CheckEvClientMessage(const XEvent &ev) {
    if (WinEvPingHook &&
        ev.xclient.message_type == XInternAtom(ev.xany.display, "_DRAVIK_PING", False)) {
        WinEvPingHook(ev.xclient.data.l[0]);
        return 1;
    }
    Atom protocols = XInternAtom(ev.xany.display, "WM_PROTOCOLS", False);
    WINDAT *main = WinFindTyp(WIN_MAIN);
    if (!main) return WIN_ERROR_NOWINDOW;
    if (ev.xclient.message_type != protocols) return 0;
    if (static_cast<Atom>(ev.xclient.data.l[0]) != main->wm_delete) return 0;
    if (ev.xclient.window == main->window) {
        WinFuncClose(main);
        return 1;
    }
    WINDAT *win = WinFind(ev.xclient.window);
    if (!win) return 0;
    // Other top-level windows with a Close callback (the album window, the directory preview)
    // close the same way: the window manager's close is the only one they have.
    if ((win->typ == WIN_TOOLBAR && win->state != 5) || win->typ == WIN_DLGMSG ||
        win->typ == WIN_EXT_PAINT || (!win->usr.parent && win->func[WIN_FUNC_CLOSE]))
        WinClose(win);
    return 0;
}

namespace {
// The press of each keycode, until a release has used it.
struct KEYPRESSNOTE {
    bool pressed = false;
    unsigned int state = 0;
    // The release that used it, so that a second look at that release finds the same state.
    unsigned long used_serial = 0;
    Time used_time = 0;
    bool used = false;
};
KEYPRESSNOTE key_press_note[256];
} // namespace

void WinEventKeyState(XEvent *ev) {
    if (!ev || (ev->type != KeyPress && ev->type != KeyRelease)) return;
    ToolkitLockGuard guard;
    KEYPRESSNOTE &n = key_press_note[ev->xkey.keycode & 0xFF];
    if (ev->type == KeyPress) {
        n = KEYPRESSNOTE{};
        n.pressed = true;
        n.state = ev->xkey.state;
        return;
    }
    if (!n.pressed) return;
    bool same = n.used && n.used_serial == ev->xany.serial && n.used_time == ev->xkey.time;
    if (n.used && !same) return;
    n.used = true;
    n.used_serial = ev->xany.serial;
    n.used_time = ev->xkey.time;
    // Pointer buttons come from the release; the modifiers from the press.
    const unsigned int mods =
        ShiftMask | LockMask | ControlMask | Mod1Mask | Mod2Mask | Mod3Mask | Mod4Mask | Mod5Mask;
    ev->xkey.state = (ev->xkey.state & ~mods) | (n.state & mods);
}

int WinEvent(Display *display, XEvent ev) {
    (void)display;
    ToolkitLockGuard guard;
    // A dead key is the input method's until its letter comes.
    if (TextFilterEvent(&ev)) return 0;
    WinEventKeyState(&ev);
    switch (ev.type) {
    case KeyPress:
        CheckEvKeyPress(ev);
        break;
    case KeyRelease:
        CheckEvKeyRelease(ev);
        break;
    case ButtonPress:
        CheckEvButtonPress(ev);
        break;
    case ButtonRelease:
        CheckEvButtonRelease(ev);
        break;
    case MotionNotify:
        CheckEvMotionNotify(ev);
        break;
    case EnterNotify:
        CheckEvEnterNotify(ev);
        break;
    case LeaveNotify:
        CheckEvLeaveNotify(ev);
        break;
    case FocusIn:
        break;
    case Expose:
        CheckEvExpose(ev);
        break;
    case CreateNotify:
    case GravityNotify:
    case ResizeRequest:
        CheckEvResizeRequest(ev);
        break;
    case ConfigureNotify:
        CheckEvConfigureNotify(ev);
        CheckEvResizeRequest(ev);
        break;
    case ClientMessage:
        CheckEvClientMessage(ev);
        break;
    case MappingNotify:
        XRefreshKeyboardMapping(&ev.xmapping);
        break;
    case SelectionRequest:
    case SelectionClear:
        SelEvent(&ev);
        break;
    default:
        break;
    }
    return 0;
}

int WinEventQueued(Display *display) {
    if (!display) return WIN_ERROR_ARG;
    ToolkitLockGuard guard;
    if (XEventsQueued(display, QueuedAfterReading) > 0) {
        XEvent ev;
        XNextEvent(display, &ev);
        WinEvent(display, ev);
    }
    return 0;
}
