// The real binary under a private X server: start-up, the main window, and the ways it ends.
#include "app/paint_binary.h"

#include "app/main.h"

#include <X11/Xatom.h>

class MainBinary : public PaintBinary {
  protected:
    Window main = 0;

    void StartDravik() {
        ASSERT_TRUE(Launch({}));
        ASSERT_NE(main = Main(), 0u) << run.Stderr();
    }
};

// The main window is named, placed and sized two thirds; a delete request asks, Cancel keeps the
// program, OK ends it with both end lines.
TEST_F(MainBinary, NamedPlacedTwoThirdsAndDeleteRequestAsksCancelKeepsOkEnds) {
    StartDravik();
    XWindowAttributes a = Attr(main);
    EXPECT_EQ(a.x, 0);
    EXPECT_EQ(a.y, 0);
    EXPECT_EQ(a.width, 1280 / 3 * 2);
    EXPECT_EQ(a.height, 1024 / 3 * 2);

    XClassHint cls;
    ASSERT_TRUE(XGetClassHint(display, main, &cls));
    EXPECT_STREQ(cls.res_name, "dravik");
    EXPECT_STREQ(cls.res_class, "dravik");
    XFree(cls.res_name);
    XFree(cls.res_class);

    Atom *protocols = nullptr;
    int nprot = 0;
    ASSERT_TRUE(XGetWMProtocols(display, main, &protocols, &nprot));
    ASSERT_EQ(nprot, 1);
    EXPECT_EQ(protocols[0], XInternAtom(display, "WM_DELETE_WINDOW", False));
    XFree(protocols);

    XWMHints *hints = XGetWMHints(display, main);
    ASSERT_NE(hints, nullptr);
    EXPECT_TRUE(hints->flags & IconPixmapHint);
    EXPECT_EQ(hints->initial_state, NormalState);
    XFree(hints);

    SendDeleteRequest(display, main);
    ASSERT_TRUE(WaitFor([&] { return Find("Question") != 0; }));
    // The question is a dialog of the main window for a window manager.
    Window question = Find("Question"), owner = 0;
    EXPECT_TRUE(XGetTransientForHint(display, question, &owner));
    EXPECT_EQ(owner, main);
    Atom type = 0, *types = nullptr;
    int format;
    unsigned long n = 0, left;
    XGetWindowProperty(display, question, XInternAtom(display, "_NET_WM_WINDOW_TYPE", False), 0, 1,
                       False, XA_ATOM, &type, &format, &n, &left,
                       reinterpret_cast<unsigned char **>(&types));
    ASSERT_EQ(n, 1u);
    EXPECT_EQ(types[0], XInternAtom(display, "_NET_WM_WINDOW_TYPE_DIALOG", False));
    XFree(types);
    ASSERT_TRUE(AnswerBox("Question", "Cancel")) << run.Stderr();
    ASSERT_TRUE(WaitFor([&] { return Find("Question") == 0; }));
    EXPECT_NE(Find("dravik"), 0u);
    EXPECT_NE(run.Stderr().find("dravik: Question: You want really exit ?\n"), std::string::npos)
        << run.Stderr();

    // A second question proves the program still runs.
    SendDeleteRequest(display, main);
    ASSERT_TRUE(AnswerBox("Question", "OK")) << run.Stderr();
    ASSERT_TRUE(run.Wait()) << run.Stderr();
    EXPECT_EQ(run.status, 0);
    std::string err = run.Stderr();
    EXPECT_NE(err.find("ENDE Programm\n"), std::string::npos) << err;
    EXPECT_NE(err.rfind("ENDE\n"), err.find("ENDE Programm\n")) << err;
}

TEST(MainStart, UnopenableDisplayGivesStatus237AndTheDisplayLine) {
    ProgramRun run;
    ASSERT_TRUE(run.Start(DRAVIK_BIN, ":999"));
    ASSERT_TRUE(run.Wait());
    EXPECT_EQ(run.status, 237);
    EXPECT_EQ(run.Stderr(), "dravik: display: :999\n");
}

TEST(MainStart, ScreensBelowEightBitsAreRefused) {
    testing::internal::CaptureStderr();
    EXPECT_EQ(MainDepthCheck(4), -6);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "dravik: < 256 colors\n");
    EXPECT_EQ(MainDepthCheck(8), 0);
    EXPECT_EQ(MainDepthCheck(24), 0);
}
