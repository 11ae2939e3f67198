// The File menu through the real binary: the recent files and their sub-menu, Save, Close, and
// the entry states that follow the current image.
#include "app/paint_binary.h"

#include <X11/extensions/XTest.h>
#include <sstream>

namespace {

std::string ReadAll(const std::string &path) {
    std::ifstream f(path, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

class FileMenu : public PaintBinary {
  protected:
    // Starts with `rc` added to the configuration; the quit question stays off.
    void StartWith(const std::vector<std::string> &files, const std::string &rc) {
        run.rc = "AskProgramExit=0\nAskFileOpenWin=0\n" + rc;
        run.env = {"DRAVIK_TRACE=1"};
        ASSERT_TRUE(run.Start(DRAVIK_BIN, server->name, files));
    }

    void CtrlKeyInView(const OpenLine &o, const char *key) {
        int rx = 0, ry = 0;
        Window child;
        XTranslateCoordinates(display, o.view, DefaultRootWindow(display), 5, 5, &rx, &ry, &child);
        XtMove(display, rx, ry);
        XtKey(display, key, true);
    }

    std::string QuitAndReadRc() {
        XtKey(display, "q", true);
        EXPECT_TRUE(run.Wait()) << run.Stderr();
        EXPECT_EQ(run.status, 0) << run.Stderr();
        return ReadAll(run.home + "/.dravikrc");
    }

    Window Find(const std::string &name) { return FindWindowByName(display, name.c_str()); }

    void ClickWindow(Window w) {
        XWindowAttributes a;
        XGetWindowAttributes(display, w, &a);
        int rx = 0, ry = 0;
        Window child;
        XTranslateCoordinates(display, w, DefaultRootWindow(display), a.width / 2, a.height / 2,
                              &rx, &ry, &child);
        XtMove(display, rx, ry);
        XTestFakeButtonEvent(display, 1, True, CurrentTime);
        XTestFakeButtonEvent(display, 1, False, 40);
        XSync(display, False);
    }
};

} // namespace

TEST_F(FileMenu, RecentFilesTakeNewFilesFirstKeepListedOnesAndHoldTen) {
    std::string a = Jpeg("a.jpg", 64, 48);
    std::string b = dir + "/b.dcm";
    WriteDicom(b, 1, 32, 16);
    std::string rc;
    for (int i = 0; i < 9; i++)
        rc += "LastFile" + std::to_string(i) + "=" + dir + "/old" + std::to_string(i) + ".jpg\n";
    // a named from the working directory the tests run in.
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    std::string rel;
    for (const char *p = cwd; *p; p++)
        if (*p == '/' && p[1]) rel += "../";
    rel += a.substr(1);
    StartWith({rel, b}, rc);
    OpenLine first = WaitOpen(1);
    KeyInView(first, 5, 5, "n");
    WaitOpen(2);
    // Opened again: it keeps its place.
    KeyInView(first, 5, 5, "p");
    WaitOpen(3);
    std::string saved = QuitAndReadRc();
    EXPECT_NE(saved.find("\nLastFile0=" + b + "\n"), std::string::npos) << saved;
    EXPECT_NE(saved.find("\nLastFile1=" + a + "\n"), std::string::npos) << saved;
    EXPECT_NE(saved.find("\nLastFile9=" + dir + "/old7.jpg\n"), std::string::npos) << saved;
    EXPECT_EQ(saved.find("old8.jpg"), std::string::npos) << "the oldest drops out\n" << saved;
}

TEST_F(FileMenu, OpenPreviousListsTheFilesAndOpensTheChosenOne) {
    std::string a = Jpeg("a.jpg", 64, 48, 0x2040C0);
    std::string b = Jpeg("b.jpg", 48, 32);
    StartWith({b}, "LastFile0=" + a + "\n");
    WaitOpen(1);
    Window file = 0;
    ASSERT_TRUE(WaitFor([&] { return (file = Find("File")) != 0; }));
    ClickWindow(file);
    Window cascade = 0;
    ASSERT_TRUE(WaitFor([&] { return (cascade = Find("Open Previous")) != 0; }));
    ClickWindow(cascade);
    // The sub-menu holds both files, the one opened last first.
    Window entry = 0;
    ASSERT_TRUE(WaitFor([&] { return (entry = Find(a)) != 0 && Find(b) != 0; }))
        << "a click on the cascade keeps it open";
    int ax, ay, bx, by;
    Window child;
    XTranslateCoordinates(display, Find(b), DefaultRootWindow(display), 0, 0, &bx, &by, &child);
    XTranslateCoordinates(display, entry, DefaultRootWindow(display), 0, 0, &ax, &ay, &child);
    EXPECT_LT(by, ay);
    ClickWindow(entry);
    OpenLine o = WaitOpen(2);
    EXPECT_EQ(o.path, a);
    EXPECT_EQ(o.w, 64);
    EXPECT_TRUE(WaitFor([&] { return Find("MenuP") == 0; })) << "the menus close";
}

TEST_F(FileMenu, SaveLeavesAnUnchangedPictureByteIdenticalAndStaysOffForDicom) {
    std::string a = Jpeg("a.jpg", 64, 48);
    std::string b = dir + "/b.dcm";
    WriteDicom(b, 1, 32, 16);
    std::string dicom = ReadAll(b), jpeg = ReadAll(a);
    StartWith({a, b}, "");
    OpenLine o = WaitOpen(1);
    ASSERT_TRUE(WaitErr("file menu save=1 close=1")) << run.Stderr();
    CtrlKeyInView(o, "s");
    ASSERT_TRUE(WaitErr("save rc=150")) << run.Stderr();
    EXPECT_TRUE(WaitErr("status Nothing changed, the file stays as it is")) << run.Stderr();
    EXPECT_TRUE(ReadAll(a) == jpeg);

    KeyInView(o, 5, 5, "n");
    WaitOpen(2);
    EXPECT_TRUE(WaitErr("file menu save=0 close=1")) << run.Stderr();
    CtrlKeyInView(o, "s");
    // Keys are handled in order: once p has opened a, Ctrl+S on the DICOM image has been seen.
    KeyInView(o, 5, 5, "p");
    WaitOpen(3);
    EXPECT_EQ(Count(run.Stderr(), "save rc="), 1) << run.Stderr();
    EXPECT_TRUE(ReadAll(b) == dicom);
    EXPECT_TRUE(ReadAll(a) == jpeg);
}

TEST_F(FileMenu, CloseEmptiesTheWorkAreaAndClosesAnImageWindow) {
    std::string a = Jpeg("a.jpg", 64, 48, 0xC00000);
    StartWith({a}, "");
    OpenLine o = WaitOpen(1);
    auto red = [&] {
        unsigned long p = ReadPixel(display, o.view, 5, 5);
        return (p >> 16 & 0xFF) > 0x80 && (p >> 8 & 0xFF) < 0x40;
    };
    ASSERT_TRUE(WaitFor(red));
    CtrlKeyInView(o, "c");
    ASSERT_TRUE(WaitErr("file menu save=0 close=0")) << run.Stderr();
    EXPECT_TRUE(WaitFor([&] { return !red(); }));
    // Nothing left to save.
    CtrlKeyInView(o, "s");
    KeyInView(o, 5, 5, "f");
    XtKey(display, "q", true);
    ASSERT_TRUE(run.Wait()) << run.Stderr();
    EXPECT_EQ(Count(run.Stderr(), "save rc="), 0) << run.Stderr();

    // In an image window of its own, Close closes that window.
    run.~ProgramRun();
    new (&run) ProgramRun;
    run.rc = "AskProgramExit=0\nAskFileOpenWin=2\n";
    run.env = {"DRAVIK_TRACE=1"};
    ASSERT_TRUE(run.Start(DRAVIK_BIN, server->name, {a}));
    OpenLine ext = WaitOpen(1);
    Window mainwin = Find("dravik");
    ASSERT_NE(ext.top, mainwin);
    CtrlKeyInView(ext, "c");
    EXPECT_TRUE(WaitFor([&] {
        Window root, parent, *kids = nullptr;
        unsigned int n = 0;
        bool found = false;
        if (XQueryTree(display, DefaultRootWindow(display), &root, &parent, &kids, &n))
            for (unsigned int i = 0; i < n; i++)
                found |= kids[i] == ext.top;
        if (kids) XFree(kids);
        return !found;
    })) << run.Stderr();
    EXPECT_TRUE(WaitErr("file menu save=0 close=0")) << run.Stderr();
    XtKey(display, "q", true);
    ASSERT_TRUE(run.Wait()) << run.Stderr();
    EXPECT_EQ(run.status, 0);
}
