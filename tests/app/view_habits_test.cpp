// The image view as a user of other viewers expects it: a smaller picture centred, status fields
// that keep each other, the window's title, space/BackSpace/q, F11 fullscreen bare and under
// openbox, and the first paint of a fitted JPEG from a scaled decode.
#include "app/paint_binary.h"
#include "app/wnd_paint.h"
#include "image/io_files.h"
#include "io/io_read.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <csignal>

namespace {

// The last "fields ..." trace line: the status line's message and fields.
std::string LastFields(const std::string &err) {
    const std::string key = "dravik: trace: fields ";
    size_t p = err.rfind(key);
    if (p == std::string::npos) return "";
    return err.substr(p + key.size(), err.find('\n', p) - p - key.size());
}

std::string Prop(Display *d, Window w, const char *name, Atom *type_out = nullptr) {
    Atom type = 0;
    int format = 0;
    unsigned long n = 0, after = 0;
    unsigned char *data = nullptr;
    std::string s;
    if (XGetWindowProperty(d, w, XInternAtom(d, name, False), 0, 1024, False, AnyPropertyType,
                           &type, &format, &n, &after, &data) == Success &&
        data && format == 8)
        s.assign(reinterpret_cast<char *>(data), n);
    if (data) XFree(data);
    if (type_out) *type_out = type;
    return s;
}

bool HasFullscreenState(Display *d, Window w) {
    Atom type;
    int format;
    unsigned long n = 0, after;
    unsigned char *data = nullptr;
    bool on = false;
    Atom full = XInternAtom(d, "_NET_WM_STATE_FULLSCREEN", False);
    if (XGetWindowProperty(d, w, XInternAtom(d, "_NET_WM_STATE", False), 0, 32, False, XA_ATOM,
                           &type, &format, &n, &after, &data) == Success &&
        data && format == 32)
        for (unsigned long i = 0; i < n; i++)
            on = on || reinterpret_cast<unsigned long *>(data)[i] == full;
    if (data) XFree(data);
    return on;
}

// Sends the liveness probe: the program has handled every event before it once it traces
// "pong SEQ".
void Probe(Display *d, Window w, long seq) {
    XEvent ping{};
    ping.xclient.type = ClientMessage;
    ping.xclient.window = w;
    ping.xclient.message_type = XInternAtom(d, "_DRAVIK_PING", False);
    ping.xclient.format = 32;
    ping.xclient.data.l[0] = seq;
    XSendEvent(d, w, False, NoEventMask, &ping);
    XSync(d, False);
}

} // namespace

// 200 x 150 in a larger view: drawn in the middle; a click counts from the picture's corner and
// shows the pixel there, beside it (also just past the edge) it clears the readout; Ctrl+wheel
// keeps the picture point under the pointer.
// "NAME (W x H, ZOOM %) - dravik" in _NET_WM_NAME (UTF-8) and WM_NAME (Latin-1 here) while the
// window shows a picture; the main window is "dravik" again once it shows none.
TEST_F(PaintBinary, ASmallerPictureIsCentredPointerPositionsCountFromItsCornerTheTitleNamesIt) {
    std::string a = dir + "/grün.jpg"; // Latin-1 can carry it in WM_NAME
    WriteJpeg(a, 200, 150, [](int x, int y) {
        return static_cast<unsigned>((x + 40) << 16 | (y + 60) << 8 | 0x30);
    });
    Start({a});
    OpenLine o = WaitOpen(1);
    Window main = Main();
    ASSERT_NE(main, 0u);
    auto title = [&] { return Prop(display, main, "_NET_WM_NAME"); };
    ASSERT_TRUE(WaitFor([&] { return title() == "gr\xC3\xBCn.jpg (200 x 150, 100 %) - dravik"; }))
        << title();
    Atom type = 0;
    EXPECT_EQ(Prop(display, main, "WM_NAME", &type), "gr\xFCn.jpg (200 x 150, 100 %) - dravik");
    EXPECT_EQ(type, XA_STRING);
    Atom utf8 = 0;
    Prop(display, main, "_NET_WM_NAME", &utf8);
    EXPECT_EQ(utf8, XInternAtom(display, "UTF8_STRING", False));
    ASSERT_GT(o.vw, 260);
    ASSERT_GT(o.vh, 200);
    int ox = (o.vw - 200) / 2, oy = (o.vh - 150) / 2;
    unsigned long bg = Pixel(o.view, 2, 2);
    ASSERT_TRUE(WaitFor([&] { return Near(Pixel(o.view, ox + 100, oy + 75), 0x8C8730); }))
        << std::hex << Pixel(o.view, ox + 100, oy + 75);
    EXPECT_TRUE(Near(Pixel(o.view, ox + 1, oy + 1), 0x293D30));
    EXPECT_EQ(Pixel(o.view, ox - 2, oy + 75), bg) << "left of the picture";
    EXPECT_EQ(Pixel(o.view, ox + 100, oy + 152), bg) << "below the picture";

    ClickInView(o, ox + 10, oy + 20, 1);
    ASSERT_TRUE(WaitErr("trace: status 10,20 (")) << run.Stderr();
    std::string err = run.Stderr();
    int pr = 0, pg = 0, pb = 0;
    ASSERT_EQ(
        sscanf(err.c_str() + err.find("status 10,20 ("), "status 10,20 (%d,%d,%d)", &pr, &pg, &pb),
        3);
    EXPECT_NEAR(pr, 10 + 40, 3);
    EXPECT_NEAR(pg, 20 + 60, 3);
    EXPECT_NEAR(pb, 0x30, 3);
    ClickInView(o, ox - 3, oy + 20, 1);
    ASSERT_TRUE(WaitErr("trace: status\n")) << run.Stderr();
    ClickInView(o, ox + 10, oy + 20, 1);
    ClickInView(o, ox + 200, oy + 20, 1); // the first column past the right edge
    ASSERT_TRUE(WaitErr("trace: status\n", 2)) << run.Stderr();

    unsigned long under = Pixel(o.view, ox + 150, oy + 100);
    PressKey("Control_L");
    Wheel(o.view, ox + 150, oy + 100, -1);
    ReleaseKey("Control_L");
    ASSERT_TRUE(WaitErr("dravik: trace: zoom 125\n"));
    // Now 250 x 187, centred again: picture point (150, 100) is still under the pointer.
    EXPECT_TRUE(WaitFor([&] { return Near(Pixel(o.view, ox + 150, oy + 100), under, 8); }))
        << std::hex << under << " " << Pixel(o.view, ox + 150, oy + 100);
    EXPECT_TRUE(WaitFor([&] { return Pixel(o.view, (o.vw - 250) / 2 - 2, o.vh / 2) == bg; }));
    ASSERT_TRUE(WaitFor([&] { return title() == "gr\xC3\xBCn.jpg (200 x 150, 125 %) - dravik"; }))
        << title();
    Move(o.view, 5, 5);
    Key("ctrl+c");
    ASSERT_TRUE(WaitFor([&] { return title() == "dravik"; })) << title();
    EXPECT_EQ(Prop(display, main, "WM_NAME"), "dravik");
    Kill();

    // In an image window the picture names that window; the main window shows none.
    std::string b = Jpeg("b.jpg", 80, 60);
    Start({b}, 1);
    OpenLine w = WaitOpen(1);
    ASSERT_NE(w.top, 0u);
    EXPECT_TRUE(WaitFor([&] {
        return Prop(display, w.top, "_NET_WM_NAME") == "b.jpg (80 x 60, 100 %) - dravik";
    })) << Prop(display, w.top, "_NET_WM_NAME");
    EXPECT_EQ(Name(Main()), "dravik");
}

// The click readout, the zoom and the frame field each change without taking the others away.
TEST_F(PaintBinary, StatusFieldsSurviveEachOthersUpdates) {
    std::string b = dir + "/b.dcm";
    WriteDicom(b, 5, 64, 32);
    // A grey DICOM picture also shows its window; the fields keep their order.
    std::string c = Jpeg("c.jpg", 40, 30);
    Start({b, c});
    OpenLine o = WaitOpen(1);
    ASSERT_TRUE(WaitFor([&] {
        return LastFields(Err()) == " | frame 1/5 | C/W 2037.5/4075 | 100 %";
    })) << LastFields(Err());
    ClickInView(o, (o.vw - 64) / 2 + 10, (o.vh - 32) / 2 + 5, 1);
    ASSERT_TRUE(WaitErr("trace: status 10,5 ("));
    std::string readout = LastFields(Err());
    EXPECT_EQ(readout.substr(0, 6), "10,5 (");
    EXPECT_NE(readout.find(" | frame 1/5 | C/W 2037.5/4075 | 100 %"), std::string::npos) << readout;
    std::string message = readout.substr(0, readout.find(" | "));

    Wheel(o.view, 5, 5, 1);
    ASSERT_TRUE(WaitFor([&] {
        return LastFields(Err()) == message + " | frame 2/5 | C/W 2037.5/4075 | 100 %";
    })) << LastFields(Err());
    KeyInView(o, 5, 5, "KP_Add");
    ASSERT_TRUE(WaitFor([&] {
        return LastFields(Err()) == message + " | frame 2/5 | C/W 2037.5/4075 | 125 %";
    })) << LastFields(Err());
    ClickInView(o, 1, 1, 1); // beside the picture: the readout goes, the fields stay
    ASSERT_TRUE(WaitFor([&] {
        return LastFields(Err()) == " | frame 2/5 | C/W 2037.5/4075 | 125 %";
    })) << LastFields(Err());
    // A picture of one frame has no frame field; it opens at 100 %.
    KeyInView(o, 5, 5, "n");
    WaitOpen(2);
    ASSERT_TRUE(WaitFor([&] { return LastFields(Err()) == " | 100 %"; })) << LastFields(Err());
}

// space and BackSpace step like the wheel while the picture fits (frames, then files) and like
// n and p when it does not; q asks the quit question in an image view, while in the file box's
// list it is the type-ahead.
TEST_F(PaintBinary, SpaceAndBackSpaceStepAndQQuitsButNotInTheFileBoxList) {
    std::string a = Jpeg("a.jpg", 40, 30);
    std::string b = dir + "/b.dcm";
    WriteDicom(b, 3, 64, 32);
    std::string c = Jpeg("c.jpg", 2000, 1500);
    std::string d = Jpeg("d.jpg", 50, 40);
    std::ofstream(dir + "/quince.txt") << "x";
    Start({a, b, c, d}, 0, "LastFileOpenPath=" + dir + "\nAskProgramExit=1\n");
    OpenLine o = WaitOpen(1);
    KeyInView(o, 5, 5, "space");
    EXPECT_EQ(WaitOpen(2).path, b);
    KeyInView(o, 5, 5, "space");
    ASSERT_TRUE(WaitErr("dravik: trace: frame 2/3\n"));
    KeyInView(o, 5, 5, "BackSpace");
    ASSERT_TRUE(WaitErr("dravik: trace: frame 1/3\n"));
    KeyInView(o, 5, 5, "BackSpace");
    EXPECT_EQ(WaitOpen(3).path, a);
    KeyInView(o, 5, 5, "space");
    WaitOpen(4);
    KeyInView(o, 5, 5, "space");
    ASSERT_TRUE(WaitErr("dravik: trace: frame 2/3\n"));
    KeyInView(o, 5, 5, "space");
    ASSERT_TRUE(WaitErr("dravik: trace: frame 3/3\n"));
    KeyInView(o, 5, 5, "space");
    EXPECT_EQ(WaitOpen(5).path, c);
    // 2000 x 1500 at 100 % does not fit: space is n.
    KeyInView(o, 5, 5, "space");
    EXPECT_EQ(WaitOpen(6).path, d);
    EXPECT_EQ(Traces("dravik: trace: zoom "), 0) << "no key of these zooms";

    Window list = Wait("scl", Find("fbx"));
    ASSERT_NE(list, 0u);
    Move(list, 20, 20);
    Key("q");
    Probe(display, Main(), 3);
    ASSERT_TRUE(WaitErr("dravik: trace: pong 3\n"));
    EXPECT_EQ(Find("Question"), 0u);
    KeyInView(o, 5, 5, "q");
    ASSERT_TRUE(AnswerBox("Question", "OK")) << Err();
    ASSERT_TRUE(run.Wait());
    EXPECT_EQ(run.status, 0);
}

namespace {
class Fullscreen : public WmBinary {};
} // namespace

// A fitted picture is fitted again to the fullscreen window, and again to the window's own size
// when it leaves fullscreen; a picture at 100 % stays at 100 %. F11 makes the main window cover
// the screen (_NET_WM_STATE_FULLSCREEN under a window manager), an Escape that closes a menu
// leaves it so, the next Escape restores the window; F11 toggles.
TEST_P(Fullscreen, F11FitsAFittedPictureAgainBothWaysAndEscapeLeavesOnceNoMenuIsOpen) {
    std::string a = Jpeg("a.jpg", 2000, 1500), b = Jpeg("b.jpg", 64, 48);
    // Bare: a window manager that died leaves its check property naming a gone window. Asking
    // for that window is an X error, which must neither end the program nor pass for a running
    // window manager.
    Atom check = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", False);
    if (!wm) {
        Window gone = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);
        XDestroyWindow(display, gone);
        XChangeProperty(display, DefaultRootWindow(display), check, XA_WINDOW, 32, PropModeReplace,
                        reinterpret_cast<unsigned char *>(&gone), 1);
        XSync(display, False);
    }
    Start({a, b}, 0, "FitLargeImages=1\n");
    OpenLine o = WaitOpen(1);
    Window main = Main();
    ASSERT_NE(main, 0u);
    XRectangle before = RootRect(main);
    auto covers = [&] {
        XRectangle r = RootRect(main);
        return r.x == 0 && r.y == 0 && r.width == 1280 && r.height == 1024;
    };
    ASSERT_FALSE(covers());
    ASSERT_EQ(o.zoom, WinPaintFitZoom(2000, 1500, o.vw, o.vh));
    auto fitted = [&](int *zoom) {
        XWindowAttributes at = Attr(o.view);
        *zoom = WinPaintFitZoom(2000, 1500, at.width, at.height);
        std::string err = Err();
        size_t p = err.rfind("dravik: trace: zoom ");
        return p != std::string::npos && atoi(err.c_str() + p + 20) == *zoom;
    };
    int zoom = 0;
    KeyInView(o, 5, 5, "F11");
    ASSERT_TRUE(WaitFor([&] { return Attr(o.view).width > o.vw + 100 && fitted(&zoom); })) << Err();
    EXPECT_GT(zoom, o.zoom);
    KeyInView(o, 5, 5, "F11");
    ASSERT_TRUE(WaitFor([&] { return Attr(o.view).width < o.vw + 20 && fitted(&zoom); })) << Err();
    EXPECT_EQ(zoom, WinPaintFitZoom(2000, 1500, Attr(o.view).width, Attr(o.view).height));

    KeyInView(o, 5, 5, "n");
    OpenLine small = WaitOpen(2);
    ASSERT_EQ(small.zoom, 100);
    int zooms = Traces("dravik: trace: zoom ");
    KeyInView(o, 5, 5, "F11");
    ASSERT_TRUE(WaitFor([&] { return Attr(o.view).width > o.vw + 100; }));
    Probe(display, main, 9);
    ASSERT_TRUE(WaitErr("dravik: trace: pong 9\n"));
    EXPECT_EQ(Traces("dravik: trace: zoom "), zooms) << Err();
    ASSERT_TRUE(WaitFor([&] { return covers(); }))
        << RootRect(main).width << "x" << RootRect(main).height;
    if (wm) {
        EXPECT_TRUE(WaitFor([&] { return HasFullscreenState(display, main); }));
    }

    Click(Wait("File", main), -1, -1, 40);
    ASSERT_NE(Wait("MenuP"), 0u);
    Move(o.view, 5, 5);
    Key("Escape");
    ASSERT_TRUE(WaitFor([&] { return Find("MenuP") == 0; }));
    Probe(display, main, 7);
    ASSERT_TRUE(WaitErr("dravik: trace: pong 7\n"));
    EXPECT_TRUE(covers()) << "the menu took that Escape";
    KeyInView(o, 5, 5, "Escape");
    ASSERT_TRUE(WaitFor([&] {
        XRectangle r = RootRect(main);
        return r.width == before.width && r.height == before.height;
    })) << RootRect(main).width
        << "x" << RootRect(main).height;
    if (wm) {
        EXPECT_FALSE(HasFullscreenState(display, main));
    }
    KeyInView(o, 5, 5, "F11");
    ASSERT_TRUE(WaitFor([&] { return covers(); }));
    KeyInView(o, 5, 5, "F11");
    EXPECT_TRUE(WaitFor([&] { return !covers(); }));
    if (!wm) {
        EXPECT_NE(Err().find("dravik: trace: x error 3 request 3."), std::string::npos) << Err();
        XDeleteProperty(display, DefaultRootWindow(display), check);
    }
}

DRAVIK_BARE_AND_WM(Fullscreen);

namespace {

// The last "first fit ..." trace line: where the fitted picture from a scaled decode went.
struct FirstFit {
    unsigned long view = 0;
    int scale = 0, x = 0, y = 0, w = 0, h = 0;
};

bool LastFirstFit(const std::string &err, FirstFit *f) {
    size_t p = err.rfind("dravik: trace: first fit ");
    return p != std::string::npos &&
           sscanf(err.c_str() + p,
                  "dravik: trace: first fit view=0x%lx scale=1/%d at %d,%d size %dx%d", &f->view,
                  &f->scale, &f->x, &f->y, &f->w, &f->h) == 6;
}

constexpr unsigned TL = 0xE01010, TR = 0x10E010, BL = 0x1010E0, BR = 0xE0E010;

} // namespace

// A large JPEG that opens fitted is painted first from a DCT-scaled decode, in the place and at
// the size of the fitted picture; the whole picture then takes its place, and a save encodes
// the whole picture. The sides are no whole blocks, so the turned picture is encoded from the
// record rather than turned losslessly.
TEST_F(PaintBinary, AFittedJpegIsPaintedFromAScaledDecodeFirstAndSavedFromTheWholeOne) {
    const int W = 3203, H = 2405;
    std::string a = dir + "/big.jpg";
    WriteJpeg(a, W, H,
              [](int x, int y) { return y < 1200 ? (x < 1600 ? TL : TR) : (x < 1600 ? BL : BR); });
    int fw = 0, fh = 0;
    std::vector<uint8_t> full = Decoded(a, &fw, &fh);
    ASSERT_EQ(full.size(), static_cast<size_t>(W) * H * 3);
    auto quadrants = [&](Window view, int x, int y, int w, int h) {
        return Near(Pixel(view, x + w / 4, y + h / 4), TL, 24) &&
               Near(Pixel(view, x + 3 * w / 4, y + h / 4), TR, 24) &&
               Near(Pixel(view, x + w / 4, y + 3 * h / 4), BL, 24) &&
               Near(Pixel(view, x + 3 * w / 4, y + 3 * h / 4), BR, 24);
    };

    Start({a}, 0, "FitLargeImages=1\n");
    ASSERT_TRUE(WaitErr("dravik: trace: first fit ")) << Err();
    // Held with the scaled picture on screen: the whole read is still far from done this early.
    kill(run.pid, SIGSTOP);
    bool early = OpenLines(Err()).empty();
    FirstFit f;
    ASSERT_TRUE(LastFirstFit(Err(), &f)) << Err();
    if (early) {
        EXPECT_TRUE(WaitFor([&] { return quadrants(f.view, f.x, f.y, f.w, f.h); }, 3000));
        // Beside the picture the view is empty.
        if (f.x > 2) {
            EXPECT_FALSE(Near(Pixel(f.view, f.x / 2, f.y + f.h / 2), TL, 24));
        }
    }
    kill(run.pid, SIGCONT);

    OpenLine o = WaitOpen(1);
    int zoom = WinPaintFitZoom(W, H, o.vw, o.vh);
    ASSERT_EQ(o.zoom, zoom);
    int dw = static_cast<int>(static_cast<float>(zoom) * W / 100.0f);
    int dh = static_cast<int>(static_cast<float>(zoom) * H / 100.0f);
    EXPECT_EQ(f.view, o.view);
    EXPECT_EQ(f.w, dw);
    EXPECT_EQ(f.h, dh);
    EXPECT_EQ(f.x, (o.vw - dw) / 2);
    EXPECT_EQ(f.y, (o.vh - dh) / 2);
    // The smallest scale that still covers the fitted size.
    ASSERT_GT(f.scale, 1);
    auto covers = [&](int s) { return (W + s - 1) / s >= dw && (H + s - 1) / s >= dh; };
    EXPECT_TRUE(covers(f.scale));
    EXPECT_TRUE(f.scale == 8 || !covers(2 * f.scale));
    EXPECT_TRUE(WaitFor([&] { return quadrants(o.view, f.x, f.y, f.w, f.h); }));

    KeyInView(o, 300, 300, "shift+period");
    ASSERT_TRUE(WaitErr("dravik: trace: turn 6 image=2405x3203\n")) << Err();
    KeyInView(o, 300, 300, "ctrl+s");
    ASSERT_TRUE(WaitErr("dravik: trace: save rc=100\n")) << Err();
    int sw = 0, sh = 0;
    std::vector<uint8_t> saved = Decoded(a, &sw, &sh);
    ASSERT_EQ(sw, H);
    ASSERT_EQ(sh, W);
    // Turned clockwise, (x, y) of the saved picture is (y, H - 1 - x) of the original.
    long diff = 0;
    for (int y = 0; y < sh; y++)
        for (int x = 0; x < sw; x++)
            for (int k = 0; k < 3; k++)
                diff += std::abs(saved[(static_cast<size_t>(y) * sw + x) * 3 + k] -
                                 full[(static_cast<size_t>(H - 1 - x) * W + y) * 3 + k]);
    EXPECT_LT(static_cast<double>(diff) / static_cast<double>(saved.size()), 2.0);
}
