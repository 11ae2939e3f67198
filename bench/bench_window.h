// What the window benchmarks share: their own Xvfb, the toolkit set up as the program sets it
// up, and a probe that asks a window for a redraw every 10 ms and records the longest time
// between two answered redraws.
#pragma once

#include "app/main.h"
#include "app/startup.h"
#include "base/language.h"
#include "toolkit/xcolor.h"
#include "toolkit/xinit.h"
#include "toolkit/xwinfunc.h"
#include "widgets/xbox.h"

#include "support/xvfb_server.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <unistd.h>

using BenchClock = std::chrono::steady_clock;

inline double BenchMs(BenchClock::time_point a, BenchClock::time_point b) {
    return std::chrono::duration<double, std::milli>(b - a).count();
}

// The toolkit on `d` as the program sets it up: tables, colours, fonts and menus.
inline bool BenchToolkitUp(Display *d) {
    if (MainToolkitSetup(d, LG_ENGLISH) == 0) return true;
    fprintf(stderr, "toolkit tables not made\n");
    return false;
}

// A main window of w x h at the top left of the screen; null if it cannot be made.
inline WINDAT *BenchMainWindow(Display *d, int w, int h) {
    static WINDAT root_rec;
    root_rec = WINDAT{};
    root_rec.window = DefaultRootWindow(d);
    root_rec.usr.display = d;
    WINTYP t{};
    t.fg = fg_form, t.bg = bg_form;
    t.width = w, t.height = h;
    t.typ = WIN_MAIN, t.language = 1;
    t.mouseleft = 1, t.mouseright = 3;
    WINNEIGHBOR nb{};
    WINDAT *main = WinCreate(&root_rec, 0, 0, &t, &nb, "dravik", fontfs_text);
    if (!main) return nullptr;
    WinRemoveInParent(main);
    main->usr.parent = nullptr;
    return main;
}

// A server of its own (none is shared with a desktop), then the toolkit on it with the boxes
// and cursors: null if either fails.
inline Display *BenchWindowDisplay(XvfbServer *server) {
    if (!server->Start("1280x1024x24")) {
        fprintf(stderr, "Xvfb did not start (Debian package xvfb)\n");
        return nullptr;
    }
    XInitThreads();
    Display *display = XOpenDisplay(server->name.c_str());
    if (!display || !BenchToolkitUp(display)) return nullptr;
    BoxInit();
    CursorInit(display);
    return display;
}

// The expose callback of the watched window is wrapped to time the answers; Measure brackets
// the work whose gaps count.
struct BenchExposeProbe {
    static inline std::mutex m;
    static inline BenchClock::time_point last;
    static inline double longest = 0;
    static inline std::atomic<int> measuring{0};
    static inline WINFUNC inner = nullptr;

    std::atomic<int> stop{0};
    std::thread thread;

    static int OnExpose(WINDATUSR *rec) {
        auto now = BenchClock::now();
        if (measuring) {
            std::lock_guard<std::mutex> g(m);
            longest = std::max(longest, BenchMs(last, now));
            last = now;
        }
        return inner ? inner(rec) : 0;
    }
    // Call with the toolkit lock held.
    void Start(const char *display_name, WINDAT *win) {
        inner = win->func[WIN_FUNC_EXPOSE];
        WinSetFuncExpose(win, OnExpose);
        Window target = win->window;
        std::string name = display_name;
        thread = std::thread([this, name, target] {
            Display *d = XOpenDisplay(name.c_str());
            if (!d) return;
            while (!stop) {
                XEvent ev{};
                ev.xexpose.type = Expose;
                ev.xexpose.window = target;
                ev.xexpose.width = ev.xexpose.height = 10;
                XSendEvent(d, target, False, ExposureMask, &ev);
                XFlush(d);
                usleep(10000);
            }
            XCloseDisplay(d);
        });
    }
    void Begin() {
        {
            std::lock_guard<std::mutex> g(m);
            last = BenchClock::now();
            longest = 0;
        }
        measuring = 1;
    }
    double End() {
        measuring = 0;
        std::lock_guard<std::mutex> g(m);
        return longest;
    }
    void Stop() {
        stop = 1;
        if (thread.joinable()) thread.join();
    }
};

inline void BenchLoadLine() {
    double load[3] = {0, 0, 0};
    getloadavg(load, 3);
    printf("load average %.2f %.2f %.2f on %ld cores\n", load[0], load[1], load[2],
           sysconf(_SC_NPROCESSORS_ONLN));
}
