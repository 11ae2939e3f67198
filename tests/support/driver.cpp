#include "support/driver.h"

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const char kOpenboxRc[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<openbox_config xmlns="http://openbox.org/3.4/rc">
  <focus><focusNew>yes</focusNew><followMouse>no</followMouse></focus>
  <placement><policy>Smart</policy></placement>
  <desktops><number>1</number></desktops>
  <keyboard></keyboard>
  <mouse>
    <dragThreshold>3</dragThreshold>
    <context name="Titlebar">
      <mousebind button="Left" action="Drag"><action name="Move"/></mousebind>
    </context>
    <context name="Client">
      <mousebind button="Left" action="Press"><action name="Focus"/><action name="Raise"/></mousebind>
      <mousebind button="Middle" action="Press"><action name="Focus"/><action name="Raise"/></mousebind>
      <mousebind button="Right" action="Press"><action name="Focus"/><action name="Raise"/></mousebind>
    </context>
  </mouse>
</openbox_config>
)";

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

void XtMove(Display *d, int x, int y) {
    XTestFakeMotionEvent(d, -1, x, y, CurrentTime);
    XSync(d, False);
}

int IgnoreXErrors(Display *, XErrorEvent *) {
    return 0;
}

void SendDeleteRequest(Display *d, Window w) {
    XEvent ev{};
    ev.xclient.type = ClientMessage;
    ev.xclient.window = w;
    ev.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
    ev.xclient.format = 32;
    ev.xclient.data.l[0] = static_cast<long>(XInternAtom(d, "WM_DELETE_WINDOW", False));
    ev.xclient.data.l[1] = CurrentTime;
    XSendEvent(d, w, False, NoEventMask, &ev);
    XSync(d, False);
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

bool WindowManager::Start(const std::string &display) {
    char tmpl[] = "/tmp/dravik-wm-XXXXXX";
    if (!mkdtemp(tmpl)) return false;
    dir = tmpl;
    std::string rc = dir + "/rc.xml";
    std::ofstream(rc) << kOpenboxRc;
    Display *d = XOpenDisplay(display.c_str());
    if (!d) return false;
    Atom sel = XInternAtom(d, "WM_S0", False);
    // A window manager of an earlier test may still be leaving the server.
    WaitFor([&] { return XGetSelectionOwner(d, sel) == 0; }, 5000);
    pid = fork();
    if (pid == 0) {
        int devnull = open("/dev/null", O_WRONLY);
        dup2(devnull, 1);
        dup2(devnull, 2);
        // A clean start: no descriptors, signal mask or dispositions of the test process.
        for (int fd = 3; fd < 1024; fd++)
            close(fd);
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        for (int sig = 1; sig < NSIG; sig++)
            signal(sig, SIG_DFL);
        setenv("DISPLAY", display.c_str(), 1);
        setenv("HOME", dir.c_str(), 1);
        setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
        execlp("openbox", "openbox", "--sm-disable", "--config-file", rc.c_str(),
               static_cast<char *>(nullptr));
        _exit(127);
    }
    // Running once it frames a window mapped now: owning the selection comes earlier.
    bool up = pid > 0 && WaitFor([&] { return XGetSelectionOwner(d, sel) != 0; }, 10000);
    if (up) {
        // A map request that comes while it starts up may go unanswered: map again.
        Window probe = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 10, 10, 0, 0, 0);
        up = false;
        for (int tries = 0; tries < 20 && !up; tries++) {
            XUnmapWindow(d, probe);
            XMapWindow(d, probe);
            XSync(d, False);
            up = WaitFor(
                [&] {
                    Window root, parent = 0, *kids = nullptr;
                    unsigned int n = 0;
                    if (XQueryTree(d, probe, &root, &parent, &kids, &n) && kids) XFree(kids);
                    return parent && parent != root;
                },
                500);
        }
        XDestroyWindow(d, probe);
        XSync(d, False);
    }
    XCloseDisplay(d);
    if (!up) Stop();
    return up;
}

void WindowManager::Stop() {
    if (pid > 0) {
        kill(pid, SIGTERM);
        int st;
        if (!WaitFor([&] { return waitpid(pid, &st, WNOHANG) == pid; }, 3000)) {
            kill(pid, SIGKILL);
            waitpid(pid, &st, 0);
        }
    }
    pid = -1;
    if (!dir.empty()) (void)!system(("rm -rf '" + dir + "'").c_str());
    dir.clear();
}

bool Driver::Launch(const std::vector<std::string> &args, const std::string &rc,
                    const std::vector<std::string> &env) {
    XSetErrorHandler(IgnoreXErrors);
    run.rc = rc;
    run.env = env;
    run.env.push_back("DRAVIK_TRACE=1");
    return run.Start(DRAVIK_BIN, xname, args);
}

bool Driver::Quit(int ms) {
    Window m = Find("dravik");
    if (m) Move(m, 300, 300);
    Key("ctrl+q", HOLD_TOOL, true);
    if (!ConfirmQuit([&] { return run.Wait(0); }, ms)) return false;
    return run.Wait(ms) && run.status == 0;
}

void Driver::Kill() {
    if (run.pid <= 0) return;
    run.Signal(SIGKILL);
    run.Wait();
    WaitGone("dravik");
}

// _NET_WM_NAME first: it holds the UTF-8 text, WM_NAME only what its encoding can say.
std::string Driver::Name(Window w) {
    Atom type = 0;
    int format = 0;
    unsigned long n = 0, after = 0;
    unsigned char *data = nullptr;
    std::string s;
    Atom net = XInternAtom(xd, "_NET_WM_NAME", False);
    if (XGetWindowProperty(xd, w, net, 0, 4096, False, AnyPropertyType, &type, &format, &n, &after,
                           &data) == Success &&
        data && format == 8) {
        s.assign(reinterpret_cast<char *>(data), n);
        XFree(data);
        return s;
    }
    if (data) XFree(data);
    char *name = nullptr;
    if (XFetchName(xd, w, &name) && name) s = name;
    if (name) XFree(name);
    return s;
}

std::vector<Window> Driver::Kids(Window w) {
    Window root, parent, *kids = nullptr;
    unsigned int n = 0;
    std::vector<Window> v;
    if (XQueryTree(xd, w, &root, &parent, &kids, &n) && kids) v.assign(kids, kids + n);
    if (kids) XFree(kids);
    return v;
}

Window Driver::Parent(Window w) {
    Window root, parent = 0, *kids = nullptr;
    unsigned int n = 0;
    if (!XQueryTree(xd, w, &root, &parent, &kids, &n)) return 0;
    if (kids) XFree(kids);
    return parent;
}

XWindowAttributes Driver::Attr(Window w) {
    XWindowAttributes a{};
    if (w) XGetWindowAttributes(xd, w, &a);
    return a;
}

bool Driver::Exists(Window w) {
    XWindowAttributes a;
    return w && XGetWindowAttributes(xd, w, &a);
}

static void Collect(Driver &dr, Window w, const std::string &name, const std::string &skip,
                    bool first, std::vector<Window> &out);

static bool IsMainTitle(Driver &dr, Window w, const std::string &title) {
    const std::string tail = " - dravik";
    if (title == "dravik") return true;
    if (title.size() <= tail.size() || title.compare(title.size() - tail.size(), tail.size(), tail))
        return false;
    std::vector<Window> menu;
    Collect(dr, w, "MenuM", "", true, menu);
    return !menu.empty();
}

static void Collect(Driver &dr, Window w, const std::string &name, const std::string &skip,
                    bool first, std::vector<Window> &out) {
    for (Window k : dr.Kids(w)) {
        std::string n = dr.Name(k);
        if (n == name || (name == "dravik" && IsMainTitle(dr, k, n))) {
            out.push_back(k);
            if (first) return;
        }
        if (!skip.empty() && n == skip) continue;
        Collect(dr, k, name, skip, first, out);
        if (first && !out.empty()) return;
    }
}

Window Driver::Find(const std::string &name, Window under, const std::string &skip) {
    QuietX quiet(xd);
    std::vector<Window> out;
    Collect(*this, under ? under : DefaultRootWindow(xd), name, skip, true, out);
    return out.empty() ? 0 : out[0];
}

std::vector<Window> Driver::FindAll(const std::string &name, Window under) {
    QuietX quiet(xd);
    std::vector<Window> out;
    Collect(*this, under ? under : DefaultRootWindow(xd), name, "", false, out);
    return out;
}

Window Driver::Wait(const std::string &name, Window under, int ms) {
    Window found = 0;
    WaitFor(
        [&] {
            for (Window w : FindAll(name, under))
                if (Viewable(w)) return (found = w) != 0;
            return false;
        },
        ms);
    return found;
}

bool Driver::WaitGone(const std::string &name, int ms) {
    return WaitFor([&] { return Find(name) == 0; }, ms);
}

Window Driver::Main(int ms) {
    Window m = 0;
    WaitFor([&] { return (m = Wait("dravik", 0, 0)) != 0 && Find("MenuM", m) != 0; }, ms);
    return m && Find("MenuM", m) ? m : 0;
}

void Driver::RootPos(Window w, int *x, int *y) {
    Window child;
    *x = *y = 0;
    XTranslateCoordinates(xd, w, DefaultRootWindow(xd), 0, 0, x, y, &child);
}

XRectangle Driver::RootRect(Window w) {
    int x, y;
    RootPos(w, &x, &y);
    XWindowAttributes a = Attr(w);
    return XRectangle{static_cast<short>(x), static_cast<short>(y),
                      static_cast<unsigned short>(a.width), static_cast<unsigned short>(a.height)};
}

Window Driver::Focus() {
    Window f = 0;
    int revert;
    XGetInputFocus(xd, &f, &revert);
    return f;
}

void Driver::Resize(Window top, int w, int h) {
    XResizeWindow(xd, top, static_cast<unsigned>(w), static_cast<unsigned>(h));
    XSync(xd, False);
}

void Driver::Move(Window w, int x, int y) {
    XWindowAttributes a = Attr(w);
    int rx, ry;
    RootPos(w, &rx, &ry);
    XtMove(xd, rx + (x < 0 ? a.width / 2 : x), ry + (y < 0 ? a.height / 2 : y));
}

void Driver::Click(Window w, int x, int y, int hold_ms, unsigned button) {
    Move(w, x, y);
    XTestFakeButtonEvent(xd, button, True, CurrentTime);
    XTestFakeButtonEvent(xd, button, False, static_cast<unsigned long>(hold_ms));
    XSync(xd, False);
}

void Driver::ClickHere(unsigned button, int hold_ms) {
    XTestFakeButtonEvent(xd, button, True, CurrentTime);
    XTestFakeButtonEvent(xd, button, False, static_cast<unsigned long>(hold_ms));
    XSync(xd, False);
}

void Driver::Drag(Window w, int x0, int y0, int x1, int y1, unsigned button) {
    Move(w, x0, y0);
    XTestFakeButtonEvent(xd, button, True, CurrentTime);
    XSync(xd, False);
    // In steps, as a hand moves, so that motion compression still leaves the path.
    for (int i = 1; i <= 8; i++) {
        int rx, ry;
        RootPos(w, &rx, &ry);
        XTestFakeMotionEvent(xd, -1, rx + x0 + (x1 - x0) * i / 8, ry + y0 + (y1 - y0) * i / 8, 15);
    }
    XTestFakeButtonEvent(xd, button, False, 30);
    XSync(xd, False);
}

void Driver::Wheel(Window w, int x, int y, int steps) {
    Move(w, x, y);
    unsigned button = steps < 0 ? 4 : 5;
    for (int i = 0; i < abs(steps); i++) {
        XTestFakeButtonEvent(xd, button, True, CurrentTime);
        XTestFakeButtonEvent(xd, button, False, CurrentTime);
    }
    XSync(xd, False);
}

static KeyCode Code(Display *d, const std::string &name) {
    static const struct {
        const char *alias, *keysym;
    } aliases[] = {{"ctrl", "Control_L"},
                   {"shift", "Shift_L"},
                   {"alt", "Alt_L"},
                   {"super", "Super_L"},
                   {"meta", "Meta_L"}};
    std::string k = name;
    for (auto &a : aliases)
        if (k == a.alias) k = a.keysym;
    KeySym sym = XStringToKeysym(k.c_str());
    return sym == NoSymbol ? 0 : XKeysymToKeycode(d, sym);
}

void Driver::PressKey(const std::string &keysym) {
    XTestFakeKeyEvent(xd, Code(xd, keysym), True, CurrentTime);
    XSync(xd, False);
}

void Driver::ReleaseKey(const std::string &keysym, int delay_ms) {
    XTestFakeKeyEvent(xd, Code(xd, keysym), False, static_cast<unsigned long>(delay_ms));
    XSync(xd, False);
}

void Driver::Key(const std::string &combo, int hold_ms, bool nested) {
    std::vector<KeyCode> mods;
    size_t start = 0, plus;
    while ((plus = combo.find('+', start)) != std::string::npos && plus + 1 < combo.size()) {
        mods.push_back(Code(xd, combo.substr(start, plus - start)));
        start = plus + 1;
    }
    KeyCode key = Code(xd, combo.substr(start));
    for (KeyCode m : mods)
        XTestFakeKeyEvent(xd, m, True, CurrentTime);
    XTestFakeKeyEvent(xd, key, True, CurrentTime);
    if (nested) XTestFakeKeyEvent(xd, key, False, static_cast<unsigned long>(hold_ms));
    for (auto m = mods.rbegin(); m != mods.rend(); ++m)
        XTestFakeKeyEvent(xd, *m, False,
                          nested ? CurrentTime : static_cast<unsigned long>(hold_ms));
    if (!nested) XTestFakeKeyEvent(xd, key, False, CurrentTime);
    XSync(xd, False);
}

void Driver::Keys(const std::vector<std::string> &combos) {
    for (const std::string &c : combos)
        Key(c);
}

void Driver::Type(const std::string &text) {
    KeyCode shift = Code(xd, "Shift_L");
    for (unsigned char c : text) {
        // Latin-1 characters are their own keysyms.
        KeySym sym = c == '\n' ? XK_Return : c;
        KeyCode code = XKeysymToKeycode(xd, sym);
        if (!code) continue;
        bool shifted = XkbKeycodeToKeysym(xd, code, 0, 0) != sym;
        if (shifted) XTestFakeKeyEvent(xd, shift, True, CurrentTime);
        XTestFakeKeyEvent(xd, code, True, CurrentTime);
        if (shifted) XTestFakeKeyEvent(xd, shift, False, CurrentTime);
        XTestFakeKeyEvent(xd, code, False, CurrentTime);
    }
    XSync(xd, False);
}

unsigned long Driver::Pixel(Window w, int x, int y) {
    XImage *img = XGetImage(xd, w, x, y, 1, 1, AllPlanes, ZPixmap);
    if (!img) return ~0UL;
    unsigned long p = XGetPixel(img, 0, 0);
    XDestroyImage(img);
    return p;
}

std::set<unsigned long> Driver::Colours(Window w, int x, int y, int width, int height) {
    std::set<unsigned long> set;
    if (width <= 0 || height <= 0) return set;
    XImage *img = XGetImage(xd, w, x, y, static_cast<unsigned>(width),
                            static_cast<unsigned>(height), AllPlanes, ZPixmap);
    if (!img) return set;
    for (int j = 0; j < height; j++)
        for (int i = 0; i < width; i++)
            set.insert(XGetPixel(img, i, j));
    XDestroyImage(img);
    return set;
}

bool Driver::AnswerBox(const char *title, const char *button, int ms) {
    Window btn = 0;
    if (!WaitFor(
            [&] {
                Window box = Find(title);
                btn = box ? Find(button, box) : 0;
                return btn && Viewable(btn);
            },
            ms))
        return false;
    Click(btn, -1, -1, 40);
    return true;
}

bool Driver::ConfirmQuit(const std::function<bool()> &ended, int ms) {
    bool done = false;
    const char *title = nullptr;
    if (!WaitFor(
            [&] {
                done = ended();
                // The question's title in English or German.
                for (const char *t : {"Question", "Frage"})
                    if (Find(t)) title = t;
                return done || title;
            },
            ms))
        return false;
    return done || AnswerBox(title, "OK", ms);
}

int Driver::Traces(const std::string &text) const {
    std::string s = Err();
    int n = 0;
    for (size_t p = 0; (p = s.find(text, p)) != std::string::npos; p += text.size())
        n++;
    return n;
}

bool Driver::WaitTrace(const std::string &text, int count, int ms) {
    return WaitFor([&] { return Traces(text) >= count; }, ms);
}
