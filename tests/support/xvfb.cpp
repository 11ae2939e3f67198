#include "support/xvfb.h"

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
        bool hit = !strcmp(wname, name);
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

static int IgnoreXError(Display *, XErrorEvent *) {
    return 0;
}

Window FindWindowByName(Display *d, const char *name) {
    // Windows of the program under test come and go during the walk; a vanished one is no
    // reason to end the test process.
    XSync(d, False);
    auto old = XSetErrorHandler(IgnoreXError);
    Window w = FindIn(d, DefaultRootWindow(d), name);
    XSync(d, False);
    XSetErrorHandler(old);
    return w;
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
    Window btn = 0;
    bool shown = WaitFor(
        [&] {
            auto old = XSetErrorHandler(IgnoreXError);
            Window box = FindIn(d, DefaultRootWindow(d), title);
            btn = box ? FindIn(d, box, button) : 0;
            XWindowAttributes a{};
            bool ok = btn && XGetWindowAttributes(d, btn, &a) && a.map_state == IsViewable;
            XSync(d, False);
            XSetErrorHandler(old);
            return ok;
        },
        ms);
    if (!shown) return false;
    XWindowAttributes a{};
    Window child;
    int x = 0, y = 0;
    auto old = XSetErrorHandler(IgnoreXError);
    XGetWindowAttributes(d, btn, &a);
    XTranslateCoordinates(d, btn, DefaultRootWindow(d), a.width / 2, a.height / 2, &x, &y, &child);
    XSync(d, False);
    XSetErrorHandler(old);
    XtMove(d, x, y);
    XTestFakeButtonEvent(d, 1, True, CurrentTime);
    XTestFakeButtonEvent(d, 1, False, 40);
    XSync(d, False);
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
