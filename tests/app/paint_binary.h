// The real binary driven on a private display: test images, the trace lines it prints with
// DRAVIK_TRACE set, and a fixture that starts it on files.
#pragma once

#include "dicom/dicom_test_util.h"
#include "support/driver.h"
#include "image/io_files.h"
#include "io/io_read.h"
#include "support/jpeg_file.h"

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

// A baseline JPEG of w x h whose pixels come from fn(x, y) as 0xRRGGBB.
inline void WriteJpeg(const std::string &path, int w, int h,
                      const std::function<unsigned(int, int)> &fn) {
    ASSERT_TRUE(WriteJpegFile(path.c_str(), w, h, 95, false, [&](int y, JSAMPLE *row) {
        for (int x = 0; x < w; x++) {
            unsigned p = fn(x, y);
            row[x * 3] = static_cast<JSAMPLE>(p >> 16);
            row[x * 3 + 1] = static_cast<JSAMPLE>(p >> 8);
            row[x * 3 + 2] = static_cast<JSAMPLE>(p);
        }
    }));
}

// A DICOM file: preamble, meta group with the transfer syntax, then an implicit-VR data set of
// `frames` frames of cols x rows, 16 bits allocated, 12 stored, high bit 11.
inline void WriteDicom(const std::string &path, int frames, int cols, int rows) {
    dcmtest::DataSet d;
    d.Bytes(std::string(128, '\0') + "DICM");
    d.Explicit(0x0002, 0x0010, "UI", std::string("1.2.840.10008.1.2\0", 18));
    d.Implicit(0x0008, 0x0060, "OT").Implicit(0x0010, 0x0010, "Doe^Jane");
    // Text values of implicit-VR sets end where the next group-0010 tag begins.
    d.Implicit(0x0010, 0x0020, "ID42").ImplicitUS(0x0028, 0x0002, 1);
    d.Implicit(0x0028, 0x0004, "MONOCHROME2 ");
    std::string n = std::to_string(frames);
    d.Implicit(0x0028, 0x0008, n.size() % 2 ? n + ' ' : n);
    d.ImplicitUS(0x0028, 0x0010, uint16_t(rows)).ImplicitUS(0x0028, 0x0011, uint16_t(cols));
    d.ImplicitUS(0x0028, 0x0100, 16).ImplicitUS(0x0028, 0x0101, 12);
    d.ImplicitUS(0x0028, 0x0102, 11).ImplicitUS(0x0028, 0x0103, 0);
    std::string px;
    px.reserve(static_cast<size_t>(frames) * cols * rows * 2);
    for (int f = 0; f < frames; f++)
        for (int y = 0; y < rows; y++)
            for (int x = 0; x < cols; x++) {
                unsigned v = static_cast<unsigned>((x * 4095 / cols + f * 100) % 4096);
                px += static_cast<char>(v & 0xFF);
                px += static_cast<char>(v >> 8);
            }
    d.Implicit(0x7FE0, 0x0010, px);
    WriteWholeFile(path, d.b);
}

// Each component of 0xRRGGBB pixels p and q within tol.
inline bool Near(unsigned long p, unsigned long q, int tol = 12) {
    for (int sh : {16, 8, 0})
        if (std::abs(static_cast<int>(p >> sh & 0xFF) - static_cast<int>(q >> sh & 0xFF)) > tol)
            return false;
    return true;
}

// The samples of a file as dravik reads it whole; empty when it cannot be read.
inline std::vector<uint8_t> Decoded(const std::string &path, int *w, int *h) {
    FILEREQ req;
    IoRequestInit(&req, path.c_str());
    FILEINFO fi{};
    std::vector<uint8_t> px;
    if (IoReadFile(&req, &fi, IO_READ_FULL) && fi.fbuf) {
        *w = fi.w, *h = fi.h;
        px.assign(fi.fbuf, fi.fbuf + static_cast<size_t>(fi.w) * fi.h * fi.bit / 8);
    }
    IoFreeRecord(&fi, path.c_str());
    return px;
}

// One "dravik: trace: open ..." line.
struct OpenLine {
    std::string path;
    unsigned long view = 0, top = 0;
    int w = 0, h = 0, frames = 0, zoom = 0, vw = 0, vh = 0, tools = 0;
};

inline std::vector<OpenLine> OpenLines(const std::string &err) {
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

// The real binary on the suite's server, driven through Driver (its members are the fixture's:
// Find, Wait, Click, Key, Type, Pixel, WaitTrace, Quit ...). With `wm` set before SetUp, the test
// runs under openbox; WmBinary runs each of its tests bare and under openbox.
class PaintBinary : public XvfbTest {
  protected:
    ScratchDir scratch;
    std::string dir = scratch.path;
    bool wm = false;
    WindowManager manager;

    void SetUp() override {
        XvfbTest::SetUp();
        if (IsSkipped()) return;
        if (wm && !manager.Start(server->name)) GTEST_SKIP() << "openbox could not be started";
    }
    void TearDown() override {
        Kill();
        manager.Stop();
        // The next test starts on an empty screen.
        if (display) WaitGone("dravik");
    }

    std::string Jpeg(const std::string &name, int w, int h, unsigned colour = 0xC86432) {
        std::string p = dir + "/" + name;
        WriteJpeg(p, w, h, [&](int, int) { return colour; });
        return p;
    }

    void Start(const std::vector<std::string> &files, int openwin = 0, const std::string &rc = "") {
        ASSERT_TRUE(Launch(files, "AskFileOpenWin=" + std::to_string(openwin) + "\n" + rc));
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
        Move(o.view, x, y);
        Key(key, HOLD_TOOL, true);
    }

    // Where picture point (x, y) of a picture opened at 100 % lies in its view: a picture
    // smaller than the view is centred.
    static int PicX(const OpenLine &o, int x) { return (o.w < o.vw ? (o.vw - o.w) / 2 : 0) + x; }
    static int PicY(const OpenLine &o, int y) { return (o.h < o.vh ? (o.vh - o.h) / 2 : 0) + y; }

    void ClickInView(const OpenLine &o, int x, int y, unsigned button) {
        Click(o.view, x, y, HOLD_TOOL, button);
    }

    bool WaitErr(const std::string &text, int count = 1) { return WaitTrace(text, count); }

    // Quits as a user does and returns the configuration the program wrote.
    std::string QuitAndReadRc() {
        EXPECT_TRUE(Quit()) << run.Stderr();
        return ReadWholeFile(run.home + "/.dravikrc");
    }
};

class WmBinary : public PaintBinary, public ::testing::WithParamInterface<bool> {
  protected:
    void SetUp() override {
        wm = GetParam();
        PaintBinary::SetUp();
    }
};

// Runs the WmBinary suite `suite` bare and under openbox.
#define DRAVIK_BARE_AND_WM(suite)                                                                  \
    INSTANTIATE_TEST_SUITE_P(, suite, ::testing::Values(false, true),                              \
                             [](const ::testing::TestParamInfo<bool> &i) {                         \
                                 return std::string(i.param ? "openbox" : "bare");                 \
                             })
