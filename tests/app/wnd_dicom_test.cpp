// Medical viewing in the real binary: the file's window on opening, the readout with stored value
// and HU, presets by key, Shift + left drag, frame keys and the playing rate, the series walk.
#include <gtest/gtest.h>

#include "app/paint_binary.h"

#include <algorithm>
#include <random>

namespace {

// A CT slice with the DICM marker: edge x edge signed 16-bit samples, intercept -1024, in series
// `uid`. Instance `number` > 0 gives a slice of an axial stack (value `number` everywhere);
// otherwise the picture is the ramp x * 64 + y - 2048 with the window pairs 40/400 and
// -600/1500.
void WriteCt(const std::string &path, int edge = 64, const std::string &uid = "1.2.3.4",
             int number = 0) {
    dcmtest::DataSet d;
    d.Bytes(std::string(128, '\0') + "DICM");
    d.Explicit(0x0002, 0x0010, "UI", std::string("1.2.840.10008.1.2\0", 18));
    auto el = [&](unsigned g, unsigned e, std::string v) {
        d.Implicit(uint16_t(g), uint16_t(e), v.size() % 2 ? v + ' ' : v);
    };
    auto us = [&](unsigned g, unsigned e, unsigned v) {
        d.ImplicitUS(uint16_t(g), uint16_t(e), uint16_t(v));
    };
    el(0x0008, 0x0060, "CT");
    el(0x0020, 0x000E, uid);
    if (number > 0) {
        el(0x0020, 0x0013, std::to_string(number));
        el(0x0020, 0x0032, "0\\0\\" + std::to_string(-2.5 * number));
        el(0x0020, 0x0037, "1\\0\\0\\0\\1\\0");
    }
    us(0x0028, 0x0002, 1);
    el(0x0028, 0x0004, "MONOCHROME2");
    for (unsigned e : {0x0010u, 0x0011u})
        us(0x0028, e, unsigned(edge));
    us(0x0028, 0x0100, 16);
    us(0x0028, 0x0101, 16);
    us(0x0028, 0x0102, 15);
    us(0x0028, 0x0103, 1);
    if (number <= 0) {
        el(0x0028, 0x1050, "40\\-600");
        el(0x0028, 0x1051, "400\\1500");
    }
    el(0x0028, 0x1052, "-1024");
    el(0x0028, 0x1053, "1");
    std::string px;
    for (int y = 0; y < edge; y++)
        for (int x = 0; x < edge; x++) {
            int v = number > 0 ? number : x * 64 + y - 2048;
            px += char(v & 0xFF), px += char((v >> 8) & 0xFF);
        }
    el(0x7FE0, 0x0010, px);
    WriteWholeFile(path, d.b);
}

} // namespace

TEST_F(PaintBinary, ACtOpensInItsWindowReadsHuShiftDragChangesTheWindowAndATurnStays) {
    std::string ct = dir + "/ct.dcm";
    WriteCt(ct);
    Start({ct}, 0, "DicomWindow=1\n");
    OpenLine o = WaitOpen(1);
    ASSERT_TRUE(WaitErr("trace: window C/W 40/400")) << run.Stderr();
    // Stored 10 * 64 + 20 - 2048 = -1388 is -2412 HU, below the window: black.
    ClickInView(o, PicX(o, 10), PicY(o, 20), 1);
    ASSERT_TRUE(WaitErr("trace: status 10,20 (0,0,0)  stored -1388  HU -2412\n")) << run.Stderr();
    // Stored 33 * 64 - 2048 = 64: 64 - 1024 = -960 HU.
    ClickInView(o, PicX(o, 33), PicY(o, 0), 1);
    ASSERT_TRUE(WaitErr("  stored 64  HU -960\n")) << run.Stderr();
    KeyInView(o, 30, 30, "w");
    ASSERT_TRUE(WaitErr("trace: window C/W -600/1500")) << run.Stderr();
    KeyInView(o, 30, 30, "5");
    ASSERT_TRUE(WaitErr("trace: window C/W 300/1500\n")) << run.Stderr();
    KeyInView(o, 30, 30, "1");
    ASSERT_TRUE(WaitErr("trace: window C/W 40/400", 2)) << run.Stderr();

    // Right 30 and down 12 with Shift: the step is a 512th of the 4095 wide range, 7.
    PressKey("Shift_L");
    Drag(o.view, PicX(o, 20), PicY(o, 20), PicX(o, 50), PicY(o, 32), 1);
    ReleaseKey("Shift_L");
    ASSERT_TRUE(WaitErr("trace: window drag step 7\n")) << run.Stderr();
    ASSERT_TRUE(WaitErr("trace: window C/W 124/610\n")) << run.Stderr();
    // The shown grey follows: stored 49 * 64 + 60 - 2048 = 1148 is 124 HU, the new centre,
    // which LINEAR puts at ((124 - 123.5) / 609 + 0.5) * 255 = 127.7.
    ClickInView(o, PicX(o, 49), PicY(o, 60), 1);
    ASSERT_TRUE(WaitErr("trace: status 49,60 (128,128,128)  stored 1148  HU 124\n"))
        << run.Stderr();

    // A turned CT keeps its turn through a window change, and the readout names the stored value
    // under the pointer: the stored values keep the file's orientation.
    KeyInView(o, 30, 30, "1");
    ASSERT_TRUE(WaitErr("trace: window C/W 40/400", 3)) << run.Stderr();
    KeyInView(o, 30, 30, "shift+period"); // '>': a quarter turn clockwise
    ASSERT_TRUE(WaitErr("trace: turn 6 image=64x64\n")) << run.Stderr();
    KeyInView(o, 30, 30, "w");
    ASSERT_TRUE(WaitErr("trace: window C/W -600/1500", 2)) << run.Stderr();
    // Shown at (10,40) is stored (40, 63 - 10): 40 * 64 + 53 - 2048 = 565, -459 HU, which
    // LINEAR puts at ((-459 + 600.5) / 1499 + 0.5) * 255 = 151.6.
    ClickInView(o, PicX(o, 10), PicY(o, 40), 1);
    ASSERT_TRUE(WaitErr("trace: status 10,40 (152,152,152)  stored 565  HU -459\n"))
        << run.Stderr();
}

TEST_F(PaintBinary, CommaAndPeriodStepFramesAndBracketsChangeThePlayingRate) {
    std::string mf = dir + "/mf.dcm";
    WriteDicom(mf, 10, 32, 16);
    Start({mf});
    OpenLine o = WaitOpen(1);
    KeyInView(o, 5, 5, "period");
    KeyInView(o, 5, 5, "period");
    ASSERT_TRUE(WaitErr("trace: frame 3/10\n")) << run.Stderr();
    KeyInView(o, 5, 5, "comma");
    ASSERT_TRUE(WaitErr("trace: frame 2/10\n")) << run.Stderr();
    // Play at the default 100 ms a frame; ']' doubles the rate between two frames, '[' halves it.
    Window tools = Find("sbtn", o.top);
    ASSERT_NE(0u, tools);
    std::vector<Window> buttons = Kids(tools);
    ASSERT_EQ(5u, buttons.size());
    Click(buttons[2]);
    ASSERT_TRUE(WaitErr("trace: play frame 3/10  10 fps\n")) << run.Stderr();
    KeyInView(o, 5, 5, "bracketright");
    ASSERT_TRUE(WaitErr("  20 fps\n")) << run.Stderr();
    KeyInView(o, 5, 5, "bracketleft");
    KeyInView(o, 5, 5, "bracketleft");
    ASSERT_TRUE(WaitErr("  5 fps\n")) << run.Stderr();
    ClickInView(o, PicX(o, 5), PicY(o, 5), 1);
    // Stopped: the keys step single frames again.
    KeyInView(o, 5, 5, "period");
    ASSERT_TRUE(WaitErr("trace: frame ", 3)) << run.Stderr();
}

TEST_F(PaintBinary, NAndPWalkASeriesInInstanceNumberOrder) {
    // 40 slices under shuffled names, a JPEG and a slice of another series between them.
    std::vector<int> names(40);
    for (int i = 0; i < 40; i++)
        names[size_t(i)] = i;
    std::shuffle(names.begin(), names.end(), std::mt19937(29));
    for (int n = 1; n <= 40; n++) {
        char name[32];
        snprintf(name, sizeof name, "/im%02d.dcm", names[size_t(n - 1)]);
        WriteCt(dir + name, 16, "1.2.840.99.1", n);
    }
    WriteCt(dir + "/im20b.dcm", 16, "1.2.840.99.2", 5);
    Jpeg("im20c.jpg", 16, 16);
    char first[32];
    snprintf(first, sizeof first, "/im%02d.dcm", names[0]);
    Start({dir + first});
    OpenLine o = WaitOpen(1);
    // The series is known on opening, before any step.
    ASSERT_TRUE(WaitErr("trace: slice 1/40\n")) << run.Stderr();
    for (int n = 2; n <= 40; n++) {
        KeyInView(o, 5, 5, "n");
        ASSERT_TRUE(WaitErr("trace: slice " + std::to_string(n) + "/40\n")) << run.Stderr();
        char name[32];
        snprintf(name, sizeof name, "/im%02d.dcm", names[size_t(n - 1)]);
        EXPECT_EQ(dir + name, WaitOpen(size_t(n)).path) << n;
    }
    // The last slice ends the walk; p goes back.
    KeyInView(o, 5, 5, "n");
    ASSERT_TRUE(WaitErr("trace: slice end 40/40\n")) << run.Stderr();
    KeyInView(o, 5, 5, "p");
    ASSERT_TRUE(WaitErr("trace: slice 39/40\n")) << run.Stderr();
}

TEST_F(PaintBinary, KeyIOpensTheHeaderWindowOncePerPictureAndEscapeClosesIt) {
    std::string ct = dir + "/ct.dcm";
    WriteCt(ct);
    Start({ct}, 0, "");
    OpenLine o = WaitOpen(1);
    KeyInView(o, 5, 5, "i");
    // The meta group's transfer syntax and the data set's 15 elements.
    ASSERT_TRUE(WaitErr("trace: dicom header rows=16\n")) << run.Stderr();
    Window header = Wait("DICOM header: ct.dcm");
    ASSERT_NE(0u, header) << run.Stderr();
    // A second `i` raises the window the picture has; keys are handled in order, so the
    // Escape after it finds one window.
    KeyInView(o, 5, 5, "i");
    Move(header, 40, 40);
    Key("Escape", HOLD_TOOL, true);
    ASSERT_TRUE(WaitErr("trace: dicom header closed\n")) << run.Stderr();
    EXPECT_TRUE(WaitGone("DICOM header: ct.dcm"));
    EXPECT_EQ(1, Traces("trace: dicom header rows="));
}
