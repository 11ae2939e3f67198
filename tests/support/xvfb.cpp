#include "support/xvfb.h"

#include "support/driver.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

void XtMove(Display *d, int x, int y) {
    XTestFakeMotionEvent(d, -1, x, y, CurrentTime);
    XSync(d, False);
}

void XtClick(Display *d, unsigned int button) {
    XTestFakeButtonEvent(d, button, True, CurrentTime);
    XTestFakeButtonEvent(d, button, False, CurrentTime);
    XSync(d, False);
}

void XtKey(Display *d, const char *keysym_name, bool ctrl) {
    KeyCode code = XKeysymToKeycode(d, XStringToKeysym(keysym_name));
    KeyCode control = XKeysymToKeycode(d, XStringToKeysym("Control_L"));
    if (ctrl) XTestFakeKeyEvent(d, control, True, CurrentTime);
    XTestFakeKeyEvent(d, code, True, CurrentTime);
    XTestFakeKeyEvent(d, code, False, CurrentTime);
    if (ctrl) XTestFakeKeyEvent(d, control, False, CurrentTime);
    XSync(d, False);
}

unsigned long ReadPixel(Display *d, Window w, int x, int y) {
    XImage *img = XGetImage(d, w, x, y, 1, 1, AllPlanes, ZPixmap);
    if (!img) return ~0UL;
    unsigned long p = XGetPixel(img, 0, 0);
    XDestroyImage(img);
    return p;
}

static Window FindIn(Display *d, Window w, const char *name) {
    char *wname = nullptr;
    if (XFetchName(d, w, &wname) && wname) {
        bool hit = !strcmp(wname, name) || (!strcmp(name, "dravik") && IsMainTitle(d, w, wname));
        XFree(wname);
        if (hit) return w;
    }
    Window root, parent, *kids = nullptr;
    unsigned int n = 0;
    if (!XQueryTree(d, w, &root, &parent, &kids, &n)) return 0;
    Window found = 0;
    for (unsigned int i = 0; i < n && !found; i++)
        found = FindIn(d, kids[i], name);
    if (kids) XFree(kids);
    return found;
}

bool IsMainTitle(Display *d, Window w, const std::string &title) {
    const std::string tail = " - dravik";
    if (title == "dravik") return true;
    if (title.size() <= tail.size() || title.compare(title.size() - tail.size(), tail.size(), tail))
        return false;
    return FindIn(d, w, "MenuM") != 0;
}

int IgnoreXErrors(Display *, XErrorEvent *) {
    return 0;
}

namespace {
// Windows of the program under test come and go during a walk; a vanished one is no reason to
// end the test process.
struct QuietX {
    Display *d;
    XErrorHandler old;
    explicit QuietX(Display *display) : d(display) {
        XSync(d, False);
        old = XSetErrorHandler(IgnoreXErrors);
    }
    ~QuietX() {
        XSync(d, False);
        XSetErrorHandler(old);
    }
};
} // namespace

Window FindWindowByName(Display *d, const char *name) {
    QuietX quiet(d);
    Driver drv;
    drv.Attach(d, "");
    return drv.Find(name);
}

void SendDeleteRequest(Display *d, Window w) {
    XEvent ev;
    memset(&ev, 0, sizeof ev);
    ev.xclient.type = ClientMessage;
    ev.xclient.window = w;
    ev.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
    ev.xclient.format = 32;
    ev.xclient.data.l[0] = static_cast<long>(XInternAtom(d, "WM_DELETE_WINDOW", False));
    ev.xclient.data.l[1] = CurrentTime;
    XSendEvent(d, w, False, NoEventMask, &ev);
    XSync(d, False);
}

bool AnswerBox(Display *d, const char *title, const char *button, int ms) {
    QuietX quiet(d);
    Driver drv;
    drv.Attach(d, "");
    Window btn = 0;
    if (!WaitFor(
            [&] {
                Window box = drv.Find(title);
                btn = box ? drv.Find(button, box) : 0;
                return btn && drv.Viewable(btn);
            },
            ms))
        return false;
    drv.Click(btn, -1, -1, 40);
    return true;
}

bool ConfirmQuit(Display *d, const std::function<bool()> &ended, int ms) {
    bool done = false;
    const char *title = nullptr;
    if (!WaitFor(
            [&] {
                done = ended();
                // The question's title in English or German.
                for (const char *t : {"Question", "Frage"})
                    if (FindWindowByName(d, t)) title = t;
                return done || title;
            },
            ms))
        return false;
    return done || AnswerBox(d, title, "OK", ms);
}

XvfbServer *XvfbTest::server = nullptr;
Display *XvfbTest::display = nullptr;

void XvfbTest::StartServer(const std::string &screen) {
    server = new XvfbServer;
    if (!server->Start(screen)) return;
    display = XOpenDisplay(server->name.c_str());
    if (!display) fprintf(stderr, "cannot open %s\n", server->name.c_str());
}

void XvfbTest::TearDownTestSuite() {
    if (display) XCloseDisplay(display);
    display = nullptr;
    delete server;
    server = nullptr;
}
