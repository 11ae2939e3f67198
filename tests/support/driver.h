// The real dravik binary on a private display, driven as a user drives it: windows found by
// name, pointer and keys through XTest with a person's timing or a tool's, pixels read back, and
// the DRAVIK_TRACE lines it prints waited for. A window manager (openbox) can run on the display.
#pragma once

// GoogleTest before Xlib: X.h defines None, which gtest uses as a name.
#include <gtest/gtest.h>

#include "support/proc.h"
#include "support/xvfb_server.h"

#include <X11/Xlib.h>
#include <functional>
#include <set>
#include <string>
#include <vector>

// openbox on a display, with a private configuration (focus on click, no key bindings of its
// own); stopped by the destructor.
struct WindowManager {
    int pid = -1;
    std::string dir;
    bool Start(const std::string &display);
    void Stop();
    ~WindowManager() { Stop(); }
};

// The pointer to (x, y) of the root window, through XTest.
void XtMove(Display *d, int x, int y);
// Ignores every X error: the program's windows come and go while a test reads them.
int IgnoreXErrors(Display *, XErrorEvent *);
// Sends the window manager's delete request for `w`, as a window manager would.
void SendDeleteRequest(Display *d, Window w);

// Press-to-release gaps: xdotool's same millisecond, a person's click, a slow press.
enum { HOLD_TOOL = 0, HOLD_PERSON = 100, HOLD_SLOW = 300 };

class Driver {
  public:
    Display *xd = nullptr;
    std::string xname;
    ProgramRun run;

    void Attach(Display *d, const std::string &name) { xd = d, xname = name; }
    // Starts dravik with `args`, `rc` as its $HOME/.dravikrc and DRAVIK_TRACE=1 plus `env`.
    bool Launch(const std::vector<std::string> &args, const std::string &rc = "",
                const std::vector<std::string> &env = {});
    // Ctrl+Q over the main window; answers the quit question with OK if it comes. True when the
    // program ended with status 0.
    bool Quit(int ms = 10000);
    // Ends a running program at once and waits until its windows are gone.
    void Kill();

    // Windows: names as xwininfo -tree shows them; windows that vanish are no error.
    std::string Name(Window w);
    std::vector<Window> Kids(Window w);
    Window Parent(Window w);
    XWindowAttributes Attr(Window w);
    bool Viewable(Window w) { return Attr(w).map_state == IsViewable; }
    bool Exists(Window w);
    // The first window named `name` below `under` (the root when 0), depth first, not looking
    // inside windows named `skip`. "dravik" finds the main window, also titled "... - dravik"
    // while it shows a picture (image windows, titled alike, have no menu bar).
    Window Find(const std::string &name, Window under = 0, const std::string &skip = "");
    std::vector<Window> FindAll(const std::string &name, Window under = 0);
    // Waits for a viewable window named `name`; 0 when none came within `ms`.
    Window Wait(const std::string &name, Window under = 0, int ms = 10000);
    bool WaitGone(const std::string &name, int ms = 10000);
    // The main window, once it is viewable with its menu bar.
    Window Main(int ms = 10000);
    void RootPos(Window w, int *x, int *y);
    // The window's size and its place in the root.
    XRectangle RootRect(Window w);
    Window Focus();
    // Resizes a top-level window as xdotool windowsize does (through the window manager when
    // one runs).
    void Resize(Window top, int w, int h);

    // Pointer; x < 0 or y < 0 means the middle of the window.
    void Move(Window w, int x = -1, int y = -1);
    void Click(Window w, int x = -1, int y = -1, int hold_ms = HOLD_PERSON, unsigned button = 1);
    // A press and a release `hold_ms` later where the pointer is.
    void ClickHere(unsigned button = 1, int hold_ms = HOLD_TOOL);
    void Drag(Window w, int x0, int y0, int x1, int y1, unsigned button = 1);
    // Wheel steps at (x, y): positive down (button 5), negative up (button 4).
    void Wheel(Window w, int x, int y, int steps);

    // Keys. `combo` is xdotool's form ("ctrl+o", "shift+e", "Return", "alt+f"). Like xdotool
    // key (and a rolling typist) the modifiers are released before the key, `hold_ms` after the
    // key's press; with `nested` the key is released inside its modifiers.
    void Key(const std::string &combo, int hold_ms = HOLD_TOOL, bool nested = false);
    void Keys(const std::vector<std::string> &combos);
    // Types text as xdotool type does: a shifted character's Shift goes up before its key.
    void Type(const std::string &text);
    void PressKey(const std::string &keysym);
    void ReleaseKey(const std::string &keysym, int delay_ms = 0);

    // Read back.
    unsigned long Pixel(Window w, int x, int y);
    std::set<unsigned long> Colours(Window w, int x, int y, int width, int height);

    // Waits for the top-level box titled `title` and clicks its button `button` as a person
    // would; false when no such box or button showed up within `ms`.
    bool AnswerBox(const char *title, const char *button, int ms = 10000);
    // After a request to end: answers the quit question with OK when it comes, or returns as
    // soon as `ended` holds; false when neither happened in `ms`.
    bool ConfirmQuit(const std::function<bool()> &ended, int ms = 10000);

    // Program output.
    std::string Err() const { return run.Stderr(); }
    int Traces(const std::string &text) const;
    bool WaitTrace(const std::string &text, int count = 1, int ms = 10000);
};

// A suite sharing one private Xvfb and one display connection; the fixture drives that display.
class XvfbTest : public ::testing::Test, public Driver {
  protected:
    static XvfbServer *server;
    static Display *display;
    static void StartServer(const std::string &screen);
    static void SetUpTestSuite() { StartServer("1280x1024x24"); }
    static void TearDownTestSuite();
    void SetUp() override {
        if (!display) GTEST_SKIP() << "Xvfb could not be started";
        Attach(display, server->name);
    }
};

// The suite `Base` on a private server of `depth` bits.
template <class Base, int depth> class OnDepth : public Base {
  protected:
    static void SetUpTestSuite() {
        Base::StartServer(depth == 24 ? "1280x1024x24" : "1024x768x" + std::to_string(depth));
    }
};
