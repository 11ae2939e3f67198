// The real binary showing images: where files open, the image window's size, the status line,
// the context menu, the DICOM panel, the command line and the viewer's own keys.
#include "app/paint_binary.h"

#include "app/wnd_paint.h"

#include <X11/Xutil.h>
#include <algorithm>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

TEST_F(PaintBinary, WorkAreaShowsFilesFromTheCommandLineAndNPStepThroughThem) {
    std::string a = Jpeg("a.jpg", 120, 80);
    std::string b = dir + "/b.dcm";
    WriteDicom(b, 10, 512, 256);
    Start({a, b});
    OpenLine first = WaitOpen(1);
    Window mainwin = Find("dravik");
    EXPECT_EQ(first.path, a);
    EXPECT_EQ(first.top, mainwin);
    EXPECT_EQ(first.w, 120);
    EXPECT_EQ(first.zoom, 100);
    // A single frame: the navigator only.
    EXPECT_EQ(first.tools, 1);

    KeyInView(first, 5, 5, "n");
    OpenLine second = WaitOpen(2);
    EXPECT_EQ(second.path, b);
    EXPECT_EQ(second.view, first.view);
    EXPECT_EQ(second.frames, 10);
    EXPECT_EQ(second.tools, 5);
    // The panel's description line, as stored, each part followed by a blank.
    EXPECT_TRUE(WaitErr("dicom description=\"10x 512x256 Bit (12/16/11) MONOCHROME2 "
                        "1.2.840.10008.1.2 \" patient=\"Doe,Jane\""))
        << run.Stderr();

    // The last file stays on n; p goes back.
    KeyInView(second, 5, 5, "n");
    KeyInView(second, 5, 5, "p");
    OpenLine third = WaitOpen(3);
    EXPECT_EQ(third.path, a);
    EXPECT_EQ(OpenLines(run.Stderr()).size(), 3u);
    // Windows holding pictures and the panel are released cleanly at the end.
    SendDeleteRequest(display, mainwin);
    ASSERT_TRUE(AnswerBox("Question", "OK")) << run.Stderr();
    ASSERT_TRUE(run.Wait()) << run.Stderr();
    EXPECT_EQ(run.status, 0) << run.Stderr();
}

// A closed shared window is not reused; a large image's own window gets three quarters of the
// display.
TEST_F(PaintBinary, SharedWindowTakesBothFilesAndNewWindowsOpenAt100And0) {
    std::string a = Jpeg("a.jpg", 120, 80);
    std::string b = dir + "/b.dcm";
    WriteDicom(b, 10, 64, 32);
    std::string big = Jpeg("big.jpg", 4000, 3000);
    for (int openwin : {1, 2}) {
        SCOPED_TRACE(openwin);
        Start({a, b, big}, openwin);
        OpenLine first = WaitOpen(1);
        Window mainwin = Find("dravik");
        EXPECT_NE(first.top, mainwin);
        KeyInView(first, 5, 5, "n");
        OpenLine second = WaitOpen(2);
        if (openwin == 1) {
            EXPECT_EQ(second.top, first.top);
            EXPECT_EQ(second.view, first.view);
        } else {
            EXPECT_NE(second.top, first.top);
        }
        for (unsigned long top : {first.top, second.top}) {
            XWindowAttributes at;
            ASSERT_TRUE(XGetWindowAttributes(display, top, &at));
            EXPECT_EQ(at.x, 100);
            EXPECT_EQ(at.y, 0);
            // The desktop matches picture windows to the program by class and shows its icon.
            XClassHint cls{};
            ASSERT_TRUE(XGetClassHint(display, top, &cls));
            EXPECT_STREQ(cls.res_class, "dravik");
            XFree(cls.res_name);
            XFree(cls.res_class);
            Atom type;
            int format;
            unsigned long n = 0, left;
            unsigned char *icon = nullptr;
            XGetWindowProperty(display, top, XInternAtom(display, "_NET_WM_ICON", False), 0, 2,
                               False, AnyPropertyType, &type, &format, &n, &left, &icon);
            ASSERT_EQ(n, 2u);
            EXPECT_EQ(reinterpret_cast<unsigned long *>(icon)[0], 16u); // the first size's width
            EXPECT_GT(left, 16u * 16u);
            XFree(icon);
        }
        if (openwin == 1) {
            // A closed shared window is not reused: n in the (empty) work-area view, under
            // 600,300 of the main window, opens the next file in a new shared window.
            SendDeleteRequest(display, first.top);
            ASSERT_TRUE(WaitFor([&] { return !Exists(first.top); }));
            Move(mainwin, 600, 300);
            Key("n");
            OpenLine third = WaitOpen(3);
            EXPECT_EQ(third.path, big);
            EXPECT_NE(third.top, first.top);
            EXPECT_TRUE(run.pid > 0 && kill(run.pid, 0) == 0) << run.Stderr();
        } else {
            KeyInView(second, 5, 5, "n");
            OpenLine large = WaitOpen(3);
            XWindowAttributes at;
            ASSERT_TRUE(XGetWindowAttributes(display, large.top, &at));
            EXPECT_EQ(at.height, 1024 * 3 / 4);
            // 3/4 of the width plus the frame: two borders and the scroll bar.
            EXPECT_EQ(at.width, 1280 * 3 / 4 + 2 + 16);
        }
        Kill();
    }
}

TEST_F(PaintBinary, ContextMenuOfDicomImageHasSaveInactive) {
    std::string a = Jpeg("a.jpg", 64, 48);
    std::string b = dir + "/b.dcm";
    WriteDicom(b, 1, 64, 32);
    Start({a, b});
    OpenLine o = WaitOpen(1);
    ClickInView(o, 10, 10, 3);
    ASSERT_TRUE(WaitErr("menu save=active")) << run.Stderr();
    Key("Escape");
    // A click elsewhere closes the menu; then the DICOM file.
    ClickInView(o, 200, 200, 1);
    KeyInView(o, 5, 5, "n");
    WaitOpen(2);
    ClickInView(o, 10, 10, 3);
    EXPECT_TRUE(WaitErr("menu save=inactive")) << run.Stderr();
}

TEST_F(PaintBinary, UnreadableFilesAreReportedAndTheViewKeepsItsImage) {
    std::string bad = dir + "/bad.jpg";
    std::ofstream(bad) << "not an image at all";
    std::string a = Jpeg("a.jpg", 64, 48, 0x00FF00);
    std::string sr = std::string(DRAVIK_TEST_DATA) + "/wild/noimage-sr.dcm";
    std::ofstream(dir + "/text.jpg") << "just some words\n";
    std::ofstream(dir + "/empty.dcm");
    std::string refused = std::string(DRAVIK_TEST_DATA) + "/refuse-dcm-native-frames-negative.dcm";
    // The unreadable first files are reported and the next one shown; files that are no
    // pictures, and a DICOM file without one, say what they are, and a picture its reader
    // refuses says that.
    Start({bad, sr, dir + "/text.jpg", dir + "/empty.dcm", refused, a, bad});
    OpenLine o = WaitOpen(1);
    EXPECT_EQ(o.path, a);
    EXPECT_TRUE(WaitErr("Cannot read (not a JPEG or DICOM file) " + dir + "/text.jpg"))
        << run.Stderr();
    EXPECT_TRUE(WaitErr("Cannot read (empty file) " + dir + "/empty.dcm")) << run.Stderr();
    EXPECT_TRUE(WaitErr("Cannot read (damaged or unreadable image data) " + refused))
        << run.Stderr();
    EXPECT_NE(run.Stderr().find(bad), std::string::npos) << run.Stderr();
    EXPECT_NE(run.Stderr().find("no image in this DICOM file (Basic Text SR Storage) " + sr),
              std::string::npos)
        << run.Stderr();
    unsigned long before = Pixel(o.view, 10, 10);
    KeyInView(o, 5, 5, "n");
    ASSERT_TRUE(WaitErr(bad, 2)) << run.Stderr();
    EXPECT_EQ(Pixel(o.view, 10, 10), before);
    EXPECT_EQ(OpenLines(run.Stderr()).size(), 1u);
}

TEST_F(PaintBinary, OneFileStepsThroughItsDirectoryByContentInNameOrder) {
    std::string b = Jpeg("b.jpg", 32, 32);
    Jpeg("d.jpg", 32, 32);
    WriteDicom(dir + "/a.dcm", 1, 32, 32);
    std::ofstream(dir + "/c.jpg") << "text, not a picture";
    Start({b});
    OpenLine o = WaitOpen(1);
    KeyInView(o, 5, 5, "n");
    EXPECT_EQ(WaitOpen(2).path, dir + "/d.jpg");
    KeyInView(o, 5, 5, "p");
    EXPECT_EQ(WaitOpen(3).path, dir + "/b.jpg");
    KeyInView(o, 5, 5, "p");
    EXPECT_EQ(WaitOpen(4).path, dir + "/a.dcm");
}

TEST(PaintCommandLine, HelpPrintsUsageAndUnknownOptionsAreRefused) {
    ToolResult help = RunTool({DRAVIK_BIN, "--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("usage: dravik [FILE|ALBUM.alb|DIRECTORY]..."), std::string::npos);
    EXPECT_EQ(RunTool({DRAVIK_BIN, "--version"}).out, "dravik " DRAVIK_VERSION "\n");
    ToolResult bad = RunTool({DRAVIK_BIN, "--bogus", "a.jpg"});
    EXPECT_EQ(bad.status, 2);
    EXPECT_NE(bad.err.find("--bogus"), std::string::npos);
    EXPECT_NE(bad.err.find("usage: dravik [FILE|ALBUM.alb|DIRECTORY]..."), std::string::npos);
}

TEST_F(PaintBinary, APreviewedFileOfAnotherPatientStaysOutOfTheDicomPanel) {
    std::string a = dir + "/a.dcm", b = dir + "/b.dcm";
    WriteDicom(a, 1, 64, 32);
    std::string bytes = ReadWholeFile(a);
    bytes.replace(bytes.find("Doe^Jane"), 8, "Roe^Rick");
    std::ofstream(b, std::ios::binary) << bytes;
    run.rc = "AskFileOpenWin=0\nLastFileOpenPath=" + dir + "\n";
    run.env = {"DRAVIK_TRACE=1"};
    ASSERT_TRUE(run.Start(DRAVIK_BIN, server->name, {a}));
    WaitOpen(1);
    ASSERT_TRUE(WaitErr("\" patient=\"Doe,Jane\"")) << run.Stderr();
    Window chk = 0, list = 0;
    ASSERT_TRUE(WaitFor([&] { return (chk = Find("Preview")) && (list = Find("scl")); }));
    Click(chk, 5, 5, HOLD_TOOL);
    Click(list, 10, 5, HOLD_TOOL);
    Key("b");
    // The box shows the other patient under its preview; the panel keeps the image's.
    ASSERT_TRUE(WaitErr("filebox dicom patient=\"Roe,Rick\"")) << run.Stderr();
    EXPECT_EQ(Traces("\" patient=\"Roe,Rick\""), 0) << run.Stderr();
    // Opened, the file is the view's image and the panel follows it.
    Key("Return");
    WaitOpen(2);
    EXPECT_TRUE(WaitErr("\" patient=\"Roe,Rick\"")) << run.Stderr();
}

TEST_F(PaintBinary, ADirectoryTheUserMayNotReadIsNamedAndNotPreviewed) {
    // The program runs as an unprivileged user: root may read any directory.
    std::string noread = dir + "/noread", home = dir + "/home";
    ASSERT_EQ(chmod(dir.c_str(), 0755), 0);
    ASSERT_EQ(mkdir(noread.c_str(), 0700), 0);
    ASSERT_EQ(mkdir(home.c_str(), 0777), 0);
    ASSERT_EQ(chmod(home.c_str(), 0777), 0);
    Jpeg("a.jpg", 16, 16);
    std::ofstream(home + "/.dravikrc") << "AskProgramExit=0\nLastFileOpenPath=" + dir + "\n";
    run.env = {"DRAVIK_TRACE=1", "HOME=" + home};
    if (access("/usr/bin/setpriv", X_OK) != 0) GTEST_SKIP() << "setpriv is not installed";
    ASSERT_TRUE(run.Start(
        "/usr/bin/setpriv", server->name,
        {"--reuid=nobody", "--regid=nogroup", "--clear-groups", DRAVIK_BIN, noread + "/"}));
    ASSERT_TRUE(
        WaitErr("Cannot open (this directory may not be read: Permission denied) " + noread))
        << run.Stderr();
    ASSERT_TRUE(AnswerBox("Error", "OK")) << run.Stderr();
    EXPECT_EQ(Traces("trace: dirprev"), 0) << run.Stderr();
    // Return on it in the list says so again; the program goes on.
    Window list = Find("scl");
    ASSERT_NE(list, 0u);
    Click(list, 10, 5, HOLD_TOOL);
    Key("n");
    Key("Return");
    ASSERT_TRUE(WaitErr("may not be read", 2)) << run.Stderr();
    ASSERT_TRUE(AnswerBox("Error", "OK")) << run.Stderr();
    Key("ctrl+q", HOLD_TOOL, true);
    ASSERT_TRUE(run.Wait()) << run.Stderr();
    EXPECT_EQ(run.status, 0) << run.Stderr();
}

// Directories open their preview, albums their window.
TEST_F(PaintBinary, APictureCutShortSaysSoInItsStatusLineDirectoriesAndAlbumsOpenTheirWindows) {
    Jpeg("a.jpg", 32, 32);
    Start({dir, dir + "/x.alb", std::string(DRAVIK_TEST_DATA) + "/truncated.dcm"});
    WaitOpen(1);
    EXPECT_TRUE(WaitErr("trace: status pixel data ends after 312 of 512 bytes; the rest is black"))
        << run.Stderr();
    std::string err = run.Stderr();
    // The directory is listed before the album file exists: one cell, a.jpg.
    EXPECT_NE(err.find("dirprev " + dir + " rc=0"), std::string::npos) << err;
    EXPECT_NE(err.find("cells=1"), std::string::npos) << err;
    EXPECT_NE(err.find("album open " + dir + "/x.alb entries=0"), std::string::npos) << err;
}

TEST_F(PaintBinary, APictureOpenedFromTheDirectoryPreviewComesToTheFront) {
    Jpeg("a.jpg", 64, 48);
    Start({dir});
    ASSERT_TRUE(WaitErr("cells=1")) << run.Stderr();
    std::string err = run.Stderr();
    unsigned long top = 0, view = 0;
    size_t at = err.find("dirprev ");
    ASSERT_EQ(sscanf(err.c_str() + err.find("top=", at), "top=0x%lx view=0x%lx", &top, &view), 2);
    OpenLine cell;
    cell.view = view;
    ClickInView(cell, 40, 40, 3);
    Window entry = 0;
    ASSERT_TRUE(WaitFor([&] { return (entry = Find("File: Open")) != 0; }));
    Click(entry, 5, 5, HOLD_TOOL);
    OpenLine o = WaitOpen(1);
    EXPECT_EQ(o.path, dir + "/a.jpg");
    // Stacking order: the root's children from the bottom up.
    EXPECT_TRUE(WaitFor([&] {
        std::vector<Window> k = Kids(DefaultRootWindow(display));
        auto at = [&](Window w) { return std::find(k.begin(), k.end(), w) - k.begin(); };
        return at(o.top) > at(top) && at(top) < static_cast<long>(k.size());
    })) << run.Stderr();
}

// Ctrl+wheel zooms by 1.25 keeping the picture point under the pointer; the middle button drags
// the picture by the drag; over a whole multi-frame picture the wheel steps its frames.
TEST_F(PaintBinary, CtrlWheelZoomsAboutThePointerMiddleDragPansWheelStepsFrames) {
    std::string a = dir + "/ramp.jpg";
    WriteJpeg(a, 2000, 1500, [](int x, int y) {
        return static_cast<unsigned>((x / 8) << 16 | (y / 6) << 8 | 0x40);
    });
    std::string b = dir + "/b.dcm";
    WriteDicom(b, 5, 64, 32);
    Start({a, b});
    OpenLine o = WaitOpen(1);
    unsigned long before = Pixel(o.view, 150, 120);
    PressKey("Control_L");
    Wheel(o.view, 150, 120, -2);
    ReleaseKey("Control_L");
    ASSERT_TRUE(WaitErr("dravik: trace: zoom 156\n"));
    EXPECT_TRUE(WaitFor([&] { return Near(Pixel(o.view, 150, 120), before, 6); }))
        << std::hex << before << " " << Pixel(o.view, 150, 120);
    Drag(o.view, 300, 250, 250, 210, 2);
    ASSERT_TRUE(WaitErr("dravik: trace: pan "));
    int px = 0, py = 0;
    std::string err = run.Stderr();
    sscanf(err.c_str() + err.rfind("dravik: trace: pan ") + 19, "%d,%d", &px, &py);
    // Zoomed to 156 % about (150, 120), the view started at about (84, 67).
    EXPECT_NEAR(px, 84 + 50, 3);
    EXPECT_NEAR(py, 67 + 40, 3);
    KeyInView(o, 20, 20, "n");
    OpenLine d = WaitOpen(2);
    Wheel(d.view, 10, 10, 1);
    ASSERT_TRUE(WaitErr("dravik: trace: frame 2/5\n"));
    Wheel(d.view, 10, 10, -2);
    // Before the first frame the wheel goes to the previous file.
    ASSERT_TRUE(WaitErr("dravik: trace: frame 1/5\n"));
    WaitOpen(3);
}

TEST_F(PaintBinary, TheWheelScrollsTheFileBoxListThreeRowsANotch) {
    for (int i = 0; i < 80; i++)
        std::ofstream(dir + "/f" + std::to_string(100 + i) + ".txt") << "x";
    Start({}, 0, "LastFileOpenPath=" + dir + "\n");
    Window list = Wait("scl", Find("fbx"));
    ASSERT_NE(list, 0u);
    Wheel(list, 20, 20, 2);
    ASSERT_TRUE(WaitErr("dravik: trace: list first=6\n")) << run.Stderr();
    Wheel(list, 20, 20, -1);
    ASSERT_TRUE(WaitErr("dravik: trace: list first=3\n"));
}

// Fit stays the mode for the next pictures until a zoom; FitLargeImages opens large ones fitted.
TEST_F(PaintBinary, FitStaysUntilAZoomPlusMinusZeroZoomAndLargePicturesOpenFittedWhenSet) {
    std::string a = Jpeg("a.jpg", 2000, 1500), b = Jpeg("b.jpg", 2000, 1500);
    Start({a, b});
    OpenLine first = WaitOpen(1);
    EXPECT_EQ(first.zoom, 100);
    KeyInView(first, 20, 20, "f");
    ASSERT_TRUE(WaitErr("dravik: trace: zoom "));
    // The largest whole percent that shows the whole picture.
    int fit = 1;
    for (int z = 1; z <= 1000; z++)
        if (2000 * z / 100 <= first.vw && 1500 * z / 100 <= first.vh) fit = z;
    ASSERT_LT(fit, 100);
    EXPECT_EQ(atoi(Err().c_str() + Err().find("trace: zoom ") + 12), fit);
    EXPECT_EQ(WinPaintFitZoom(6000, 4000, 800, 600), 13);
    EXPECT_EQ(WinPaintFitZoom(6000, 4000, 10, 10), 1);
    KeyInView(first, 20, 20, "n");
    EXPECT_EQ(WaitOpen(2).zoom, fit);
    KeyInView(first, 20, 20, "0");
    ASSERT_TRUE(WaitErr("dravik: trace: zoom 100\n"));
    KeyInView(first, 20, 20, "p");
    EXPECT_EQ(WaitOpen(3).zoom, 100);
    // '+' and '-' step by 1.25 and '0' shows 100 %, by the character typed: Shift+= and the
    // keypad alike, with Shift released first too.
    KeyInView(first, 20, 20, "shift+equal");
    ASSERT_TRUE(WaitErr("dravik: trace: zoom 125\n"));
    Move(first.view, 20, 20);
    Key("shift+equal"); // Shift released before the key
    ASSERT_TRUE(WaitErr("dravik: trace: zoom 156\n"));
    KeyInView(first, 20, 20, "KP_Subtract");
    ASSERT_TRUE(WaitErr("dravik: trace: zoom 125\n", 2));
    for (int i = 0; i < 30; i++)
        KeyInView(first, 20, 20, "KP_Subtract");
    ASSERT_TRUE(WaitErr("dravik: trace: zoom 1\n"));
    KeyInView(first, 20, 20, "0");
    ASSERT_TRUE(WaitErr("dravik: trace: zoom 100\n", 2));
    for (int i = 0; i < 12; i++)
        KeyInView(first, 20, 20, "KP_Add");
    ASSERT_TRUE(WaitErr("dravik: trace: zoom 1000\n"));
    EXPECT_EQ(Traces("dravik: trace: zoom 1001"), 0);
    Kill();
    Start({a}, 0, "FitLargeImages=1\n");
    EXPECT_EQ(WaitOpen(1).zoom, fit);
}
