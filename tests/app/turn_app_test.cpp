// Turning the shown picture: the keys by the character typed, the View menu, fit kept, a
// lossless save of the turn, and no save of a turn that is only the Exif orientation's.
#include "app/paint_binary.h"

#include "app/wnd_paint.h"

namespace {

// Quadrants of a 2048 x 1536 picture: 16-pixel blocks throughout, so every turn is lossless.
constexpr unsigned TL = 0xE01010, TR = 0x10E010, BL = 0x1010E0, BR = 0xE0E010;

} // namespace

TEST_F(PaintBinary, TurnKeysAndTheViewMenuTurnThePictureSaveTurnsItLosslesslyAndLeavesAnExifTurn) {
    std::string a = dir + "/quad.jpg";
    WriteJpeg(a, 2048, 1536,
              [](int x, int y) { return y < 768 ? (x < 1024 ? TL : TR) : (x < 1024 ? BL : BR); });
    std::string ref = dir + "/ref.jpg";
    ToolResult t = RunTool({"/usr/bin/jpegtran", "-rotate", "90", "-perfect", "-outfile", ref, a});
    if (t.status == 127) GTEST_SKIP() << "jpegtran is not installed";
    ASSERT_EQ(t.status, 0) << t.err;
    std::string plain = Jpeg("plain.jpg", 64, 32);
    std::string side = dir + "/side.jpg";
    std::string bytes = JpegWithOrientation(ReadWholeFile(plain), 6);
    ASSERT_TRUE(WriteWholeFile(side, bytes));
    Start({a, side});
    OpenLine o = WaitOpen(1);
    // Each key, then Home: the top left corner shows the corner the turn brought there.
    struct Step {
        const char *key, *trace;
        unsigned corner;
    } steps[] = {
        {"shift+period", "turn 6 image=1536x2048", BL},    // '>'
        {"shift+comma", "turn 8 image=2048x1536", TL},     // '<'
        {"shift+backslash", "turn 2 image=2048x1536", TR}, // '|'
        {"shift+backslash", "turn 2 image=2048x1536", TL},
        {"shift+minus", "turn 4 image=2048x1536", BL}, // '_'
        {"shift+minus", "turn 4 image=2048x1536", TL},
    };
    for (const Step &s : steps) {
        SCOPED_TRACE(s.key);
        std::string trace = std::string("dravik: trace: ") + s.trace + "\n";
        int before = Traces(trace);
        KeyInView(o, 300, 300, s.key);
        ASSERT_TRUE(WaitErr(trace, before + 1)) << Err();
        KeyInView(o, 300, 300, "Home");
        EXPECT_TRUE(WaitFor([&] { return Near(Pixel(o.view, 10, 10), s.corner, 24); }))
            << std::hex << Pixel(o.view, 10, 10);
    }
    // The same through the menu; fit stays the mode over a turn.
    KeyInView(o, 300, 300, "f");
    ASSERT_TRUE(WaitErr("dravik: trace: zoom "));
    Click(Wait("View"), -1, -1, 40);
    Window menu = Wait("MenuP");
    ASSERT_NE(menu, 0u);
    Click(Wait("Rotate right", menu), -1, -1, 40);
    ASSERT_TRUE(WaitErr("dravik: trace: turn 6 image=1536x2048\n", 2));
    std::string fit =
        "dravik: trace: zoom " + std::to_string(WinPaintFitZoom(1536, 2048, o.vw, o.vh)) + "\n";
    EXPECT_TRUE(WaitErr(fit)) << Err();
    KeyInView(o, 300, 300, "ctrl+s");
    ASSERT_TRUE(WaitErr("dravik: trace: save rc=100\n")) << Err();
    int w = 0, h = 0, rw = 0, rh = 0;
    std::vector<uint8_t> got = Decoded(a, &w, &h), want = Decoded(ref, &rw, &rh);
    EXPECT_EQ(w, 1536);
    EXPECT_EQ(h, 2048);
    EXPECT_EQ(got, want);

    // A picture shown upright only by its Exif orientation is no change: Save leaves the file
    // as it is.
    KeyInView(o, 10, 10, "n");
    OpenLine upright = WaitOpen(2);
    EXPECT_EQ(upright.w, 32);
    EXPECT_EQ(upright.h, 64);
    KeyInView(o, 10, 10, "ctrl+s");
    ASSERT_TRUE(WaitErr("dravik: trace: save rc=150\n")) << Err();
    EXPECT_EQ(ReadWholeFile(side), bytes);
}
