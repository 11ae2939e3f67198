// Helpers of the widget tests: a toolkit set up in this process on the private server, event
// pumping, slow clicks and reading back what a window shows.
#pragma once

#include "support/proc.h"
#include "support/driver.h"

#include "app/main.h"
#include "app/menus.h"
#include "app/rc.h"
#include "app/startup.h"
#include "base/language.h"
#include "base/settings.h"
#include "render/ximage.h"
#include "toolkit/xcolor.h"
#include "toolkit/xevent.h"
#include "toolkit/xinit.h"

#include <X11/extensions/XTest.h>
#include <chrono>
#include <cstring>
#include <set>

// A press and a release at (x, y) carrying the given server times, sent straight to window w.
inline void SendClick(Display *d, Window w, Time press, Time release, int x = 2, int y = 2,
                      unsigned button = 1) {
    XEvent ev{};
    ev.xbutton.type = ButtonPress;
    ev.xbutton.display = d;
    ev.xbutton.window = w;
    ev.xbutton.root = DefaultRootWindow(d);
    ev.xbutton.x = x;
    ev.xbutton.y = y;
    ev.xbutton.button = button;
    ev.xbutton.same_screen = True;
    ev.xbutton.time = press;
    XSendEvent(d, w, False, ButtonPressMask, &ev);
    ev.xbutton.type = ButtonRelease;
    ev.xbutton.state = Button1Mask << (button - 1);
    ev.xbutton.time = release;
    XSendEvent(d, w, False, ButtonReleaseMask, &ev);
    XSync(d, False);
}

// Press-to-release gaps and whether each makes a click: xdotool's same millisecond, a person's
// 100 ms, the longest click, a slow press, and a gap across the 32-bit wrap of server time.
struct CLICKCASE {
    Time press, release;
    bool click;
};
inline const CLICKCASE kClickCases[] = {
    {5000, 5000, true},          {6000, 6100, true},  {7000, 7250, true},
    {8000, 8251, false},         {9000, 9300, false}, {0xFFFFFFF0ul, 0x20, true},
    {0x20, 0xFFFFFFF0ul, false},
};

// The toolkit of the program, set up on the test server: colours, fonts, menus and a main
// window at 0,0; Pump dispatches events as the program's loop does.
class WidgetTest : public XvfbTest {
  protected:
    WINDAT root{};
    WINDAT *main = nullptr;
    // Set by suites that measure with the server's metrics or find ink by its exact colour.
    bool core_fonts = false;

    void SetUp() override {
        XvfbTest::SetUp();
        if (IsSkipped()) return;
        // Cursors made on the server of an earlier suite name nothing (or something else) here.
        cursorWatch = cursorTopLeftArrow = cursorArrow = 0;
        ASSERT_EQ(MainToolkitSetup(display, LG_ENGLISH), 0);
        if (core_fonts) {
            AntiAliasedFonts = 0;
            ColorStep2FontLibInit(display);
            AntiAliasedFonts = 1;
        }
        root.window = DefaultRootWindow(display);
        root.usr.display = display;
        WINTYP t{};
        t.fg = fg_form;
        t.bg = bg_form;
        t.width = 600;
        t.height = 400;
        t.typ = WIN_MAIN;
        t.language = 1;
        WINNEIGHBOR nb{};
        main = WinCreate(&root, 0, 0, &t, &nb, "dravik", fontfs_text);
        ASSERT_NE(main, nullptr);
        WinRemoveInParent(main);
        main->usr.parent = nullptr;
        WinOptRtUpdate(main, opt_rt);
        // As the program's main window has it: the window manager's close is checked against it.
        main->wm_delete = XInternAtom(display, "WM_DELETE_WINDOW", False);
        XSelectInput(display, main->window, 0x01FBE33F);
        XSync(display, False);
    }

    void TearDown() override {
        if (input) XCloseDisplay(input);
        input = nullptr;
        if (!display) return;
        WinMemRemove();
        LanguageLabelMemDestroy();
        XSync(display, False);
        while (XPending(display)) {
            XEvent ev;
            XNextEvent(display, &ev);
        }
    }

    // Dispatches events until `cond` holds or `ms` have passed.
    bool Pump(const std::function<bool()> &cond, int ms = 3000) {
        auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        for (;;) {
            XSync(display, False);
            while (XPending(display)) {
                XEvent ev;
                XNextEvent(display, &ev);
                WinEvent(display, ev);
                if (ev.type == KeyRelease) CheckEvKeyReleaseMain(ev);
            }
            if (cond()) return true;
            if (std::chrono::steady_clock::now() > end) return false;
            usleep(2000);
        }
    }

    // Input with delays goes through a connection of its own: the server holds back a client's
    // later requests behind a delayed one, and the widgets' pointer queries must pass.
    Display *input = nullptr;
    Display *Input() { return input ? input : (input = XOpenDisplay(server->name.c_str())); }

    // Press at (x, y) of window w, move through `path` (root coordinates) `step` ms apart,
    // release `release` ms later (`step` when negative); dispatches until the release is in.
    void DragAsync(Window w, int x, int y, std::initializer_list<std::pair<int, int>> path,
                   int step, int release = -1) {
        int rx, ry;
        RootPos(w, &rx, &ry);
        Display *in = Input();
        XTestFakeMotionEvent(in, DefaultScreen(in), rx + x, ry + y, CurrentTime);
        XTestFakeButtonEvent(in, 1, True, CurrentTime);
        // The press is out before Pump first looks; the delayed rest follows.
        XSync(in, False);
        for (auto p : path)
            XTestFakeMotionEvent(in, DefaultScreen(in), p.first, p.second,
                                 static_cast<unsigned long>(step));
        XTestFakeButtonEvent(in, 1, False,
                             static_cast<unsigned long>(release < 0 ? step : release));
        // Not synced: that would wait for the whole drag before the press is dispatched.
        XFlush(in);
        Pump([&] { return Released(); });
    }

    // The button is up and every event up to now has been dispatched.
    bool Released() {
        Window root, child;
        int rx, ry, wx, wy;
        unsigned int mask = 0;
        XQueryPointer(display, DefaultRootWindow(display), &root, &child, &rx, &ry, &wx, &wy,
                      &mask);
        return !(mask & Button1Mask) && XPending(display) == 0;
    }

    static WINTYP Typ(int w, int h, int state = 0) {
        WINTYP t{};
        t.fg = fg_btn;
        t.bg = bg_btn;
        t.width = w;
        t.height = h;
        t.state = state;
        t.language = 1;
        return t;
    }
};
