// Test helpers: a private Xvfb server, synthetic input through XTest, pixel read-back.
#pragma once

// GoogleTest before Xlib: X.h defines None, which gtest uses as a name.
#include <gtest/gtest.h>

#include "support/xvfb_server.h"

#include <X11/Xlib.h>
#include <functional>
#include <string>

// XTest input.
void XtMove(Display *d, int x, int y);
void XtClick(Display *d, unsigned int button);
void XtKey(Display *d, const char *keysym_name, bool ctrl = false);

// The pixel value at (x, y) of the window, read back from the server.
unsigned long ReadPixel(Display *d, Window w, int x, int y);

// An X error handler that ignores every error: the program's windows come and go while a test
// reads them.
int IgnoreXErrors(Display *, XErrorEvent *);

// The top-level window named `name`, or 0.
// The name "dravik" finds the main window, whose title is "dravik", or "... - dravik" while it
// shows a picture (image windows, titled alike, have no menu bar).
Window FindWindowByName(Display *d, const char *name);
bool IsMainTitle(Display *d, Window w, const std::string &title);

// Sends the window manager's delete request for `w`, as a window manager would.
void SendDeleteRequest(Display *d, Window w);

// Waits for the top-level box titled `title` and clicks its button `button` as a person would
// (a 40 ms press); false when no such box or button showed up within `ms`.
bool AnswerBox(Display *d, const char *title, const char *button, int ms = 10000);

// After a request to end: answers the quit question with OK when it comes, or returns as soon
// as `ended` holds (the configuration said not to ask); false when neither happened in `ms`.
bool ConfirmQuit(Display *d, const std::function<bool()> &ended, int ms = 10000);

// A test fixture whose suite shares one private Xvfb and one display connection.

class XvfbTest : public ::testing::Test {
  protected:
    static XvfbServer *server;
    static Display *display;
    static void StartServer(const std::string &screen);
    static void SetUpTestSuite() { StartServer("1280x1024x24"); }
    static void TearDownTestSuite();
    void SetUp() override {
        if (!display) GTEST_SKIP() << "Xvfb could not be started";
    }
};
