// The real binary showing images: where files open, the image window's size, the status line,
// the context menu, the DICOM panel, the command line and the viewer's own keys.
#include "support/proc.h"
#include "support/xvfb.h"

#include "app/wnd_paint.h"

#include <X11/Xutil.h>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <jpeglib.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// A baseline JPEG of w x h whose pixels come from fn(x, y) as 0xRRGGBB.
void WriteJpeg(const std::string &path, int w, int h, const std::function<unsigned(int, int)> &fn) {
    FILE *f = fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    jpeg_stdio_dest(&c, f);
    c.image_width = static_cast<JDIMENSION>(w);
    c.image_height = static_cast<JDIMENSION>(h);
    c.input_components = 3;
    c.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 95, TRUE);
    jpeg_start_compress(&c, TRUE);
    std::vector<JSAMPLE> row(static_cast<size_t>(w) * 3);
    for (int y = 0; y < h; y++) {
        for (int x = 0; x < w; x++) {
            unsigned p = fn(x, y);
            row[x * 3] = static_cast<JSAMPLE>(p >> 16);
            row[x * 3 + 1] = static_cast<JSAMPLE>(p >> 8);
            row[x * 3 + 2] = static_cast<JSAMPLE>(p);
        }
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&c, &r, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    fclose(f);
}

// A DICOM file: preamble, meta group with the transfer syntax, then an implicit-VR data set of
// `frames` frames of cols x rows, 16 bits allocated, 12 stored, high bit 11.
void WriteDicom(const std::string &path, int frames, int cols, int rows) {
    std::string b(128, '\0');
    b += "DICM";
    auto u16 = [&](unsigned v) {
        b += static_cast<char>(v & 0xFF);
        b += static_cast<char>(v >> 8);
    };
    auto u32 = [&](unsigned v) {
        u16(v & 0xFFFF);
        u16(v >> 16);
    };
    auto tag = [&](unsigned g, unsigned e) {
        u16(g);
        u16(e);
    };
    std::string ts("1.2.840.10008.1.2\0", 18);
    tag(0x0002, 0x0010);
    b += "UI";
    u16(static_cast<unsigned>(ts.size()));
    b += ts;
    auto implicit = [&](unsigned g, unsigned e, const std::string &v) {
        tag(g, e);
        u32(static_cast<unsigned>(v.size()));
        b += v;
    };
    auto us = [&](unsigned g, unsigned e, unsigned v) {
        implicit(g, e, std::string{static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)});
    };
    implicit(0x0008, 0x0060, "OT");
    implicit(0x0010, 0x0010, "Doe^Jane");
    // Text values of implicit-VR sets end where the next group-0010 tag begins.
    implicit(0x0010, 0x0020, "ID42");
    us(0x0028, 0x0002, 1);
    implicit(0x0028, 0x0004, "MONOCHROME2 ");
    std::string n = std::to_string(frames);
    if (n.size() % 2) n += ' ';
    implicit(0x0028, 0x0008, n);
    us(0x0028, 0x0010, static_cast<unsigned>(rows));
    us(0x0028, 0x0011, static_cast<unsigned>(cols));
    us(0x0028, 0x0100, 16);
    us(0x0028, 0x0101, 12);
    us(0x0028, 0x0102, 11);
    us(0x0028, 0x0103, 0);
    std::string px;
    px.reserve(static_cast<size_t>(frames) * cols * rows * 2);
    for (int f = 0; f < frames; f++)
        for (int y = 0; y < rows; y++)
            for (int x = 0; x < cols; x++) {
                unsigned v = static_cast<unsigned>((x * 4095 / cols + f * 100) % 4096);
                px += static_cast<char>(v & 0xFF);
                px += static_cast<char>(v >> 8);
            }
    implicit(0x7FE0, 0x0010, px);
    std::ofstream(path, std::ios::binary) << b;
}

// One "dravik: trace: open ..." line.
struct OpenLine {
    std::string path;
    unsigned long view = 0, top = 0;
    int w = 0, h = 0, frames = 0, zoom = 0, vw = 0, vh = 0, tools = 0;
};

std::vector<OpenLine> OpenLines(const std::string &err) {
    std::vector<OpenLine> out;
    size_t pos = 0;
    const std::string key = "dravik: trace: open ";
    while ((pos = err.find(key, pos)) != std::string::npos) {
        size_t end = err.find('\n', pos);
        std::string line = err.substr(pos + key.size(), end - pos - key.size());
        OpenLine o;
        char path[512] = "";
        if (sscanf(line.c_str(),
                   "%511s view=0x%lx top=0x%lx image=%dx%d frames=%d zoom=%d size=%dx%d tools=%d",
                   path, &o.view, &o.top, &o.w, &o.h, &o.frames, &o.zoom, &o.vw, &o.vh,
                   &o.tools) == 10) {
            o.path = path;
            out.push_back(o);
        }
        pos = end;
    }
    return out;
}

int Count(const std::string &s, const std::string &what) {
    int n = 0;
    for (size_t p = 0; (p = s.find(what, p)) != std::string::npos; p += what.size())
        n++;
    return n;
}

} // namespace

class PaintBinary : public XvfbTest {
  protected:
    ProgramRun run;
    std::string dir;

    void SetUp() override {
        XvfbTest::SetUp();
        char tmpl[] = "/tmp/dravik-paint-XXXXXX";
        dir = mkdtemp(tmpl);
    }
    void TearDown() override {
        run.Signal(SIGKILL);
        run.Wait();
        std::string cmd = "rm -rf " + dir;
        (void)!system(cmd.c_str());
        // The next test starts on an empty screen.
        WaitFor([&] { return FindWindowByName(display, "dravik") == 0; });
    }

    std::string Jpeg(const std::string &name, int w, int h, unsigned colour = 0xC86432) {
        std::string p = dir + "/" + name;
        WriteJpeg(p, w, h, [&](int, int) { return colour; });
        return p;
    }

    void Start(const std::vector<std::string> &files, int openwin = 0) {
        run.rc = "AskFileOpenWin=" + std::to_string(openwin) + "\n";
        run.env = {"DRAVIK_TRACE=1"};
        ASSERT_TRUE(run.Start(DRAVIK_BIN, server->name, files));
    }

    // Waits for the n-th open line (1-based).
    OpenLine WaitOpen(size_t n) {
        std::vector<OpenLine> lines;
        bool ok = WaitFor([&] { return (lines = OpenLines(run.Stderr())).size() >= n; }, 10000);
        EXPECT_TRUE(ok) << run.Stderr();
        return ok ? lines[n - 1] : OpenLine{};
    }

    // The pointer over the view at (x, y), then the key.
    void KeyInView(const OpenLine &o, int x, int y, const char *key) {
        int rx = 0, ry = 0;
        Window child;
        XTranslateCoordinates(display, o.view, DefaultRootWindow(display), x, y, &rx, &ry, &child);
        XtMove(display, rx, ry);
        XtKey(display, key);
    }

    void ClickInView(const OpenLine &o, int x, int y, unsigned button) {
        int rx = 0, ry = 0;
        Window child;
        XTranslateCoordinates(display, o.view, DefaultRootWindow(display), x, y, &rx, &ry, &child);
        XtMove(display, rx, ry);
        XtClick(display, button);
    }

    bool WaitErr(const std::string &text, int count = 1) {
        return WaitFor([&] { return Count(run.Stderr(), text) >= count; }, 10000);
    }
};

TEST_F(PaintBinary, WorkAreaShowsFilesFromTheCommandLineAndNPStepThroughThem) {
    std::string a = Jpeg("a.jpg", 120, 80);
    std::string b = dir + "/b.dcm";
    WriteDicom(b, 10, 512, 256);
    Start({a, b});
    OpenLine first = WaitOpen(1);
    Window mainwin = FindWindowByName(display, "dravik");
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
    ASSERT_TRUE(AnswerBox(display, "Question", "OK")) << run.Stderr();
    ASSERT_TRUE(run.Wait()) << run.Stderr();
    EXPECT_EQ(run.status, 0) << run.Stderr();
}

TEST_F(PaintBinary, SharedWindowTakesBothFilesAndNewWindowsOpenAt100And0) {
    std::string a = Jpeg("a.jpg", 120, 80);
    std::string b = dir + "/b.dcm";
    WriteDicom(b, 10, 64, 32);
    for (int openwin : {1, 2}) {
        SCOPED_TRACE(openwin);
        Start({a, b}, openwin);
        OpenLine first = WaitOpen(1);
        Window mainwin = FindWindowByName(display, "dravik");
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
        }
        run.Signal(SIGKILL);
        run.Wait();
        run.~ProgramRun();
        new (&run) ProgramRun;
        ASSERT_TRUE(WaitFor([&] { return FindWindowByName(display, "dravik") == 0; }));
    }
}

TEST_F(PaintBinary, ClosedSharedWindowIsNotReusedAndTheNextOpenMakesANewOne) {
    std::string a = Jpeg("a.jpg", 64, 48);
    std::string b = Jpeg("b.jpg", 64, 48);
    Start({a, b}, 1);
    OpenLine first = WaitOpen(1);
    SendDeleteRequest(display, first.top);
    // The window is gone when the root no longer lists it.
    ASSERT_TRUE(WaitFor([&] {
        Window root, parent, *kids = nullptr;
        unsigned n = 0;
        XQueryTree(display, DefaultRootWindow(display), &root, &parent, &kids, &n);
        bool found = false;
        for (unsigned k = 0; k < n; k++)
            found = found || kids[k] == first.top;
        if (kids) XFree(kids);
        return !found;
    }));
    // n in the (empty) work-area view, under 600,300 of the main window, opens the next file
    // in a new shared window.
    Window mainwin = FindWindowByName(display, "dravik");
    int mx = 0, my = 0;
    Window child;
    XTranslateCoordinates(display, mainwin, DefaultRootWindow(display), 600, 300, &mx, &my, &child);
    XtMove(display, mx, my);
    XtKey(display, "n");
    OpenLine second = WaitOpen(2);
    EXPECT_EQ(second.path, b);
    EXPECT_NE(second.top, first.top);
    EXPECT_TRUE(run.pid > 0 && kill(run.pid, 0) == 0) << run.Stderr();
}

TEST_F(PaintBinary, LargeImageGetsThreeQuartersOfTheDisplay) {
    std::string big = Jpeg("big.jpg", 4000, 3000);
    Start({big}, 2);
    OpenLine o = WaitOpen(1);
    XWindowAttributes at;
    ASSERT_TRUE(XGetWindowAttributes(display, o.top, &at));
    EXPECT_EQ(at.height, 1024 * 3 / 4);
    // 3/4 of the width plus the frame: two borders and the scroll bar.
    EXPECT_EQ(at.width, 1280 * 3 / 4 + 2 + 16);
}

TEST_F(PaintBinary, StatusLineShowsPixelUnderPointerAndClearsBeyondTheImage) {
    std::string a = Jpeg("a.jpg", 64, 48, 0xC86432);
    Start({a});
    OpenLine o = WaitOpen(1);
    ClickInView(o, 10, 20, 1);
    ASSERT_TRUE(WaitErr("trace: status 10,20 (")) << run.Stderr();
    std::string err = run.Stderr();
    int r = 0, g = 0, b = 0;
    ASSERT_EQ(
        sscanf(err.c_str() + err.find("status 10,20 ("), "status 10,20 (%d,%d,%d)", &r, &g, &b), 3);
    EXPECT_NEAR(r, 0xC8, 3);
    EXPECT_NEAR(g, 0x64, 3);
    EXPECT_NEAR(b, 0x32, 3);
    ClickInView(o, 64, 10, 1);
    EXPECT_TRUE(WaitErr("trace: status\n")) << run.Stderr();
}

TEST_F(PaintBinary, ContextMenuOfDicomImageHasSaveInactive) {
    std::string a = Jpeg("a.jpg", 64, 48);
    std::string b = dir + "/b.dcm";
    WriteDicom(b, 1, 64, 32);
    Start({a, b});
    OpenLine o = WaitOpen(1);
    ClickInView(o, 10, 10, 3);
    ASSERT_TRUE(WaitErr("menu save=active")) << run.Stderr();
    XtKey(display, "Escape");
    // A click elsewhere closes the menu; then the DICOM file.
    ClickInView(o, 200, 200, 1);
    KeyInView(o, 5, 5, "n");
    WaitOpen(2);
    ClickInView(o, 10, 10, 3);
    EXPECT_TRUE(WaitErr("menu save=inactive")) << run.Stderr();
}

TEST_F(PaintBinary, FitChoosesTheLargestWholePercentThatShowsTheWholeImage) {
    std::string big = Jpeg("big.jpg", 6000, 4000);
    Start({big});
    OpenLine o = WaitOpen(1);
    KeyInView(o, 5, 5, "f");
    ASSERT_TRUE(WaitErr("trace: zoom ")) << run.Stderr();
    std::string err = run.Stderr();
    int zoom = atoi(err.c_str() + err.find("trace: zoom ") + 12);
    int best = 1;
    for (int z = 1; z <= 1000; z++)
        if (6000 * z / 100 <= o.vw && 4000 * z / 100 <= o.vh) best = z;
    EXPECT_EQ(zoom, best);
    EXPECT_EQ(WinPaintFitZoom(6000, 4000, 800, 600), 13);
    EXPECT_EQ(WinPaintFitZoom(6000, 4000, 10, 10), 1);
}

TEST_F(PaintBinary, UnreadableFilesAreReportedAndTheViewKeepsItsImage) {
    std::string bad = dir + "/bad.jpg";
    std::ofstream(bad) << "not an image at all";
    std::string a = Jpeg("a.jpg", 64, 48, 0x00FF00);
    // The unreadable first file is reported and the next one shown.
    Start({bad, a, bad});
    OpenLine o = WaitOpen(1);
    EXPECT_EQ(o.path, a);
    EXPECT_NE(run.Stderr().find(bad), std::string::npos) << run.Stderr();
    unsigned long before = ReadPixel(display, o.view, 10, 10);
    KeyInView(o, 5, 5, "n");
    ASSERT_TRUE(WaitErr(bad, 2)) << run.Stderr();
    EXPECT_EQ(ReadPixel(display, o.view, 10, 10), before);
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
    EXPECT_NE(help.out.find("usage: dravik [FILE]..."), std::string::npos);
    ToolResult bad = RunTool({DRAVIK_BIN, "--bogus", "a.jpg"});
    EXPECT_EQ(bad.status, 2);
    EXPECT_NE(bad.err.find("--bogus"), std::string::npos);
    EXPECT_NE(bad.err.find("usage: dravik [FILE]..."), std::string::npos);
}

TEST_F(PaintBinary, DirectoriesAndAlbumsAreRefusedWithAMessage) {
    std::string a = Jpeg("a.jpg", 32, 32);
    Start({dir, dir + "/x.alb", a});
    OpenLine o = WaitOpen(1);
    EXPECT_EQ(o.path, a);
    std::string err = run.Stderr();
    EXPECT_NE(err.find(dir + ": directories cannot be opened yet"), std::string::npos) << err;
    EXPECT_NE(err.find("x.alb: albums cannot be opened yet"), std::string::npos) << err;
}
