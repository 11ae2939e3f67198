// The image view: what reaches the screen on every visual, zoom steps, the keys, thumbnail cells
// and the film player.
#include "widgets/view_support.h"

#include "bench/dicom_elements.h"
#include "dicom/io_dicom.h"
#include "image/io_levels.h"
#include "render/reduce16.h"
#include "toolkit/xtools.h"
#include "widgets/test_hooks.h"

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <unistd.h>
#include <map>
#include <vector>

namespace {

unsigned long Pack(int c, unsigned long mask) {
    int bits = __builtin_popcountl(mask), low = __builtin_ctzl(mask);
    return (static_cast<unsigned long>(c >> (8 - bits)) << low) & mask;
}

// A colour pattern in which neighbouring pixels differ in every component.
uint8_t Pattern(int x, int y, int, int c) {
    return static_cast<uint8_t>(c == 0 ? x * 3 + y : c == 1 ? y * 5 + x : x ^ y);
}

// Black or white, without a period a shifted table could hide behind.
int Speckle(int x, int y) {
    return ((x * 7919 + y * 104729) >> 3) & 1;
}

// The record the DICOM reader makes of these bytes (no pixels when it refused them), its DICOM
// data still held.
FILEINFO ReadDicom(const std::vector<uint8_t> &bytes) {
    ScratchDir dir;
    std::string path = dir.File("x.dcm");
    WriteWholeFile(path, bytes);
    FILEREQ req{};
    FILEINFO fi{};
    req.path = path.c_str();
    if (IsFileDicom(&req, &fi, 0) != 100 || IoReadDicom(&req, &fi) != 100) IoFreeRecord(&fi, "x");
    return fi;
}

// An 8-bit DICOM file of 256 x 4 whose column x holds the value x, as the reader makes its
// record; with `palette` a PALETTE COLOR image whose entry i is (i, 255 - i, i / 2).
FILEINFO DicomRamp(bool palette) {
    std::vector<uint8_t> b(128, 0);
    Element(b, 0x0008, 0x0060, "OT");
    Element(b, 0x0028, 0x0002, Us(1));
    Element(b, 0x0028, 0x0004, palette ? "PALETTE COLOR " : "MONOCHROME2 ");
    Element(b, 0x0028, 0x0010, Us(4));
    Element(b, 0x0028, 0x0011, Us(256));
    Element(b, 0x0028, 0x0100, Us(8));
    Element(b, 0x0028, 0x0101, Us(8));
    Element(b, 0x0028, 0x0102, Us(7));
    Element(b, 0x0028, 0x0103, Us(0));
    if (palette) {
        for (unsigned e : {0x1101u, 0x1102u, 0x1103u})
            Element(b, 0x0028, e, Us(256) + Us(0) + Us(16));
        for (int c = 0; c < 3; c++) {
            std::string lut;
            for (int i = 0; i < 256; i++)
                lut += Us(static_cast<unsigned>((c == 0 ? i : c == 1 ? 255 - i : i / 2) * 257));
            Element(b, 0x0028, static_cast<unsigned>(0x1201 + c), lut);
        }
    }
    std::string px;
    for (int y = 0; y < 4; y++)
        for (int x = 0; x < 256; x++)
            px += static_cast<char>(x);
    Element(b, 0x7FE0, 0x0010, px);
    FILEINFO fi = ReadDicom(b);
    EXPECT_NE(fi.fbuf, nullptr);
    DicomDataRelease(&fi);
    return fi;
}

class RenderBase : public ViewTest {
  protected:
    struct Miss {
        int bad = 0, x = -1, y = -1;
        unsigned long got = 0, want = 0;
    };

    // Compares every display pixel with what the tables select; `want` gets source x and y.
    Miss Compare(const std::function<unsigned long(int, int)> &want) {
        Miss m;
        const FILEINFO &fi = PaintImgGet(view, 0)->fi;
        XImage *d = fi.ximage;
        int zw = PaintCalcImageScrollSize(view, 0), zh = PaintCalcImageScrollSize(view, 1);
        int sx = PaintXImageGetPosX(view), sy = PaintXImageGetPosY(view);
        XImage *img = Grab();
        if (!img) {
            m.bad = -1;
            return m;
        }
        for (int y = 0; y < d->height; y++)
            for (int x = 0; x < d->width; x++) {
                unsigned long w = want(SrcIndex(fi.w, zw, sx, x), SrcIndex(fi.h, zh, sy, y));
                unsigned long g = XGetPixel(img, x, y);
                if (g != w && m.bad++ == 0) m.x = x, m.y = y, m.got = g, m.want = w;
            }
        XDestroyImage(img);
        return m;
    }

    // On a colormap display the pixel of a source class is whatever the reduction chose, but
    // one class always gets one pixel and two classes two.
    Miss CompareClasses(const std::function<int(int, int)> &cls) {
        std::map<int, unsigned long> seen;
        // The first pixel of each class names its pixel value; all others must agree.
        const FILEINFO &fi = PaintImgGet(view, 0)->fi;
        XImage *img = Grab();
        int zw = PaintCalcImageScrollSize(view, 0), zh = PaintCalcImageScrollSize(view, 1);
        int sx = PaintXImageGetPosX(view), sy = PaintXImageGetPosY(view);
        for (int y = 0; img && y < fi.ximage->height; y++)
            for (int x = 0; x < fi.ximage->width; x++) {
                int k = cls(SrcIndex(fi.w, zw, sx, x), SrcIndex(fi.h, zh, sy, y));
                if (!seen.count(k)) seen[k] = XGetPixel(img, x, y);
            }
        if (img) XDestroyImage(img);
        Miss m = Compare([&](int x, int y) { return seen[cls(x, y)]; });
        if (seen.size() == 2 && seen[0] == seen[1]) m.bad = -2;
        return m;
    }

    Miss Check(bool colormap, bool grey) {
        Visual *vis = DefaultVisual(display, DefaultScreen(display));
        if (colormap) return CompareClasses(Speckle);
        if (grey)
            return Compare([&](int x, int y) {
                int v = Speckle(x, y) ? 255 : 0;
                return Pack(v, vis->red_mask) | Pack(v, vis->green_mask) | Pack(v, vis->blue_mask);
            });
        return Compare([&](int x, int y) {
            return Pack(Pattern(x, y, 0, 0), vis->red_mask) |
                   Pack(Pattern(x, y, 0, 1), vis->green_mask) |
                   Pack(Pattern(x, y, 0, 2), vis->blue_mask);
        });
    }

    // Zoom 100 (plain and scrolled), 300 (scrolled), 1, and a scroll position past the end, for
    // a colour and a grey record.
    void RenderCases() {
        MakeView();
        for (int bit : {24, 8}) {
            SCOPED_TRACE(bit);
            RenderCase(bit);
        }
    }
    void RenderCase(int bit) {
        bool colormap = DefaultDepth(display, DefaultScreen(display)) == 8;
        bool speckle = colormap || bit == 8;
        auto fn = [&](int x, int y, int, int c) -> uint8_t {
            if (speckle) return Speckle(x, y) ? 255 : 0;
            return Pattern(x, y, 0, c);
        };
        Show(MakeRecord(640, 480, bit, 1, fn));
        // Below 100 % the view shows area means once the picture's levels are built (the smooth
        // reduction test); the tables hold at and above 100 %.
        struct Case {
            int zoom, sx, sy;
        } cases[] = {{100, 0, 0}, {100, 37, 11}, {300, 1001, 703}};
        for (const Case &c : cases) {
            view->zoom = c.zoom;
            ASSERT_EQ(PaintViewZoom(view, PAINT_ZOOM_KEEP), 0);
            PaintXImageSetPosX(view, c.sx);
            PaintXImageSetPosY(view, c.sy);
            ASSERT_EQ(WinPaint(view), 0);
            Miss m = Check(colormap, bit == 8);
            EXPECT_EQ(m.bad, 0) << "zoom " << c.zoom << " at " << m.x << "," << m.y << " got "
                                << m.got << " want " << m.want;
        }
        // Beyond the end the view shows the last window-full.
        view->zoom = 100;
        ASSERT_EQ(PaintViewZoom(view, PAINT_ZOOM_KEEP), 0);
        PaintXImageSetPosX(view, 100000);
        PaintXImageSetPosY(view, 100000);
        ASSERT_EQ(WinPaint(view), 0);
        EXPECT_EQ(PaintXImageGetPosX(view), 640 - Display_()->width);
        EXPECT_EQ(PaintXImageGetPosY(view), 480 - Display_()->height);
        EXPECT_EQ(Check(colormap, bit == 8).bad, 0);
    }
    // Shows grey, palette and colour ramps of every value; `want(x, r, g, b)` judges the pixel
    // that shows value x as the colour r, g, b.
    void Ramps(const std::function<void(int, int, int, int, unsigned long)> &want) {
        MakeView();
        struct {
            const char *name;
            FILEINFO fi;
            int r, g, b; // colour of value x: 1 = x, 2 = 255 - x, 3 = x / 2
        } ramps[] = {{"grey", DicomRamp(false), 1, 1, 1},
                     {"palette", DicomRamp(true), 1, 2, 3},
                     {"rgb",
                      MakeRecord(256, 4, 24, 1,
                                 [](int x, int, int, int c) {
                                     return static_cast<uint8_t>(c == 1 ? 255 - x : x);
                                 }),
                      1, 2, 1}};
        for (auto &r : ramps) {
            SCOPED_TRACE(r.name);
            ASSERT_EQ(r.fi.w, 256);
            Show(r.fi);
            XImage *img = Grab();
            ASSERT_NE(img, nullptr);
            auto comp = [](int how, int x) { return how == 1 ? x : how == 2 ? 255 - x : x / 2; };
            for (int x = 0; x < 256; x++)
                want(x, comp(r.r, x), comp(r.g, x), comp(r.b, x), XGetPixel(img, x, 2));
            XDestroyImage(img);
        }
    }
};

using Render24 = OnDepth<RenderBase, 24>;
using Render16 = OnDepth<RenderBase, 16>;
using Render8 = OnDepth<RenderBase, 8>;

} // namespace

TEST_F(Render24, ColourAndGreyRecordsShowTheTablePixels) {
    RenderCases();
}
TEST_F(Render16, ColourAndGreyRecordsShowTheTablePixels) {
    RenderCases();
}
TEST_F(Render8, ColourAndGreyRecordsShowTheTablePixels) {
    RenderCases();
}

TEST_F(Render24, ZoomStepsAndTheirScrollRange) {
    MakeView();
    Show(MakeRecord(640, 480, 8, 1, [](int x, int, int, int) { return x & 255; }));
    WINDAT *hbar = ScrollGetScrollX(scroll), *vbar = ScrollGetScrollY(scroll);
    ASSERT_EQ(PaintViewZoom(view, PAINT_ZOOM_IN), 0);
    ASSERT_EQ(PaintViewZoom(view, PAINT_ZOOM_IN), 0);
    EXPECT_EQ(view->zoom, 300);
    EXPECT_EQ(ScrollBarGetMax(hbar), 1920);
    EXPECT_EQ(ScrollBarGetMax(vbar), 1440);
    for (int i = 0; i < 3; i++)
        ASSERT_EQ(PaintViewZoom(view, PAINT_ZOOM_OUT), 0);
    EXPECT_EQ(view->zoom, 1);
    EXPECT_EQ(ScrollBarGetMax(hbar), 6);
    EXPECT_EQ(ScrollBarGetMax(vbar), 4);
    EXPECT_EQ(Display_()->width, 6);
    ASSERT_EQ(PaintViewZoom(view, PAINT_ZOOM_IN), 0);
    EXPECT_EQ(view->zoom, 101);
    ASSERT_EQ(PaintViewZoom(view, PAINT_ZOOM_100), 0);
    EXPECT_EQ(view->zoom, 100);
    // A zoom that leaves no pixel is refused and changes nothing.
    Show(MakeRecord(50, 50, 8, 1, [](int, int, int, int) { return 0; }));
    EXPECT_EQ(PaintViewZoom(view, PAINT_ZOOM_OUT), -15);
    EXPECT_EQ(view->zoom, 100);
    EXPECT_EQ(ScrollBarGetMax(hbar), 50);
}

TEST_F(Render24, KeysScrollByTwentiethsPagesAndEnds) {
    MakeView();
    Show(MakeRecord(2000, 1500, 8, 1, [](int x, int, int, int) { return x & 255; }));
    XSetInputFocus(display, view->window, RevertToParent, CurrentTime);
    int ww = Display_()->width, wh = Display_()->height;
    auto key = [&](const char *k, int x, int y) {
        Key(k);
        return Pump([&] { return PaintXImageGetPosX(view) == x && PaintXImageGetPosY(view) == y; });
    };
    EXPECT_TRUE(key("Right", ww / 20, 0));
    EXPECT_TRUE(key("Down", ww / 20, wh / 20));
    EXPECT_TRUE(key("Next", ww / 20, wh / 20 + wh));
    EXPECT_TRUE(key("End", 2000 - ww, 1500 - wh));
    EXPECT_TRUE(key("Right", 2000 - ww, 1500 - wh));
    EXPECT_TRUE(key("Prior", 2000 - ww, 1500 - 2 * wh));
    EXPECT_TRUE(key("Home", 0, 0));
    EXPECT_TRUE(key("Left", 0, 0));
    // The bars follow the keys.
    EXPECT_TRUE(key("End", 2000 - ww, 1500 - wh));
    WINDAT *hbar = ScrollGetScrollX(scroll);
    WINDAT *track = ScrollBarGetTrack(hbar);
    EXPECT_NEAR(ScrollBarGetValue(hbar, SCROLL_SLX) + ScrollBarGetValue(hbar, SCROLL_SLW),
                track->width, 1);
}

TEST_F(Render24, ThumbnailCellsAreAsWideAsTheirNames) {
    MakeView(1);
    view->state = PAINT_THUMBS;
    ASSERT_EQ(PaintImgSetup(view, 3), 0);
    const char *names[3] = {"/tmp/first.jpg", "/x/second.dcm", "/y/third.jpg"};
    for (int i = 0; i < 3; i++) {
        FILEINFO fi = MakeRecord(10, 10, 8, 1, [](int, int, int, int) { return 128; });
        fi.fname = static_cast<char *>(MemCreate(static_cast<long>(strlen(names[i]) + 1), "ip"));
        strcpy(fi.fname, names[i]);
        fi.ximage = ImageCreate(32, ZPixmap, 10, 10);
        PaintImgGet(view, i)->fi = fi;
    }
    PaintImgSetupMaxWH(view, 40);
    ASSERT_EQ(WinPaint(view), 0);
    int x = 0;
    for (int i = 0; i < 3; i++) {
        PAINTIMG *e = PaintImgGet(view, i);
        const char *base = strrchr(names[i], '/') + 1;
        int tw = WinGetTextWidth(fontfs_text, base, static_cast<int>(strlen(base)));
        ASSERT_GT(tw, 10);
        EXPECT_EQ(e->cw, tw);
        EXPECT_EQ(e->x, x);
        x += tw + PAINT_THUMB_GAP;
    }
    // Clicks: inside a cell selects it, exactly on its border nothing.
    PAINTIMG *e = PaintImgGet(view, 1);
    view->usr.evmouse.xbutton.x = e->x + 1;
    view->usr.evmouse.xbutton.y = e->y + 1;
    EXPECT_EQ(PaintImgGetSelectFromMouse(view), 1);
    view->usr.evmouse.xbutton.x = e->x;
    EXPECT_EQ(PaintImgGetSelectFromMouse(view), -1);
    view->usr.evmouse.xbutton.x = e->x + e->cw;
    EXPECT_EQ(PaintImgGetSelectFromMouse(view), -1);
    view->usr.evmouse.xbutton.x = e->x + 1;
    view->usr.evmouse.xbutton.y = e->y + e->ch;
    EXPECT_EQ(PaintImgGetSelectFromMouse(view), -1);
    EXPECT_EQ(PaintFileRemove(view), 0);
    EXPECT_EQ(PaintImgGet(view, 0)->fi.fname, nullptr);
}

namespace {

struct PlayLog {
    std::vector<int> frames;
    std::vector<std::chrono::steady_clock::time_point> times;
    std::function<void(int)> at;
};
PlayLog *play_log = nullptr;

int PlayRecord(WINDAT *, int frame) {
    play_log->frames.push_back(frame);
    play_log->times.push_back(std::chrono::steady_clock::now());
    if (play_log->at) play_log->at(static_cast<int>(play_log->frames.size()));
    return 0;
}

} // namespace

TEST_F(Render24, PlayStepsEveryHundredMillisecondsAndWraps) {
    MakeView();
    Show(MakeRecord(64, 64, 8, 10, [](int, int, int f, int) { return f * 20; }));
    ASSERT_NE(Input(), nullptr);
    Move(view->window, 10, 10);
    XSync(display, False);
    PlayLog log;
    play_log = &log;
    log.at = [&](int n) {
        if (n == 13) {
            XTestFakeButtonEvent(input, 1, True, CurrentTime);
            XTestFakeButtonEvent(input, 1, False, CurrentTime);
            XSync(input, False);
        }
    };
    PaintPlayHook = PlayRecord;
    ASSERT_EQ(PaintImgPlay(view), 0);
    PaintPlayHook = nullptr;
    ASSERT_GE(log.frames.size(), 13u);
    for (size_t i = 0; i < 13; i++)
        EXPECT_EQ(log.frames[i], static_cast<int>((i + 1) % 10)) << i;
    std::vector<long> gaps;
    for (size_t i = 1; i < log.times.size(); i++)
        gaps.push_back(
            std::chrono::duration_cast<std::chrono::milliseconds>(log.times[i] - log.times[i - 1])
                .count());
    std::sort(gaps.begin(), gaps.end());
    // Frames start 100 ms apart; a slow paint may shift one report, never the schedule.
    EXPECT_GE(gaps.front(), 80);
    EXPECT_GE(gaps[gaps.size() / 2], 99);
    EXPECT_LT(gaps[gaps.size() / 2], 150);
    // The press that stopped the film went on to the view; its release is still queued.
    EXPECT_EQ(view->usr.evmouse.type, ButtonPress);
}

TEST_F(Render24, DeleteRequestEndsPlayAndStaysQueued) {
    MakeView();
    Show(MakeRecord(32, 32, 8, 4, [](int, int, int f, int) { return f * 50; }));
    ASSERT_NE(Input(), nullptr);
    main->wm_delete = XInternAtom(display, "WM_DELETE_WINDOW", False);
    PlayLog log;
    play_log = &log;
    log.at = [&](int n) {
        if (n == 3) SendDeleteRequest(input, main->window);
    };
    PaintPlayHook = PlayRecord;
    ASSERT_EQ(PaintImgPlay(view), 0);
    PaintPlayHook = nullptr;
    EXPECT_LE(log.frames.size(), 5u);
    XEvent ev;
    EXPECT_TRUE(XCheckTypedEvent(display, ClientMessage, &ev));
}

TEST_F(Render24, ToolButtonsFollowTheImage) {
    MakeView();
    WINDAT *tools = ScrollGetToolbar(scroll);
    ASSERT_NE(tools, nullptr);
    ASSERT_EQ(tools->nchild, 5);
    EXPECT_EQ(tools->width, SCROLL_TOOLS_W);
    for (int i = 0; i < 5; i++)
        EXPECT_TRUE(WinGetDisable(tools->child[i]));
    Show(MakeRecord(64, 64, 8, 1, [](int, int, int, int) { return 9; }));
    EXPECT_FALSE(WinGetDisable(tools->child[PAINT_BTN_NAVIGATOR]));
    EXPECT_TRUE(WinGetDisable(tools->child[PAINT_BTN_PLAY]));
    Show(MakeRecord(64, 64, 8, 3, [](int, int, int f, int) { return f; }));
    EXPECT_FALSE(WinGetDisable(tools->child[PAINT_BTN_PLAY]));
    WINDATUSR rec = tools->child[PAINT_BTN_FORWARD]->usr;
    rec.i = PAINT_BTN_FORWARD;
    EXPECT_EQ(PaintImgTools(&rec), 0);
    EXPECT_EQ(PaintImgGet(view, 0)->fi.frame, 2);
    rec.i = PAINT_BTN_BACKWARD;
    EXPECT_EQ(PaintImgTools(&rec), 0);
    EXPECT_EQ(PaintImgGet(view, 0)->fi.frame, 0);
}

TEST_F(Render24, NavigatorShowsTheVisiblePartAndMovesTheView) {
    MakeView();
    Show(MakeRecord(1200, 900, 24, 1, Pattern));
    WINDAT *tools = ScrollGetToolbar(scroll);
    WINDATUSR rec = tools->child[PAINT_BTN_NAVIGATOR]->usr;
    rec.i = PAINT_BTN_NAVIGATOR;
    ASSERT_EQ(PaintImgTools(&rec), 0);
    WINDAT *popup = WinChildFindTyp(view, WIN_MENUP);
    ASSERT_NE(popup, nullptr);
    WINDAT *pic = WinChildFindTyp(popup, WIN_PAINT);
    ASSERT_NE(pic, nullptr);
    XImage *p = PaintImgGet(pic, 0)->fi.ximage;
    ASSERT_NE(p, nullptr);
    // The rectangle covers the shown share of the picture.
    EXPECT_EQ(pic->sel[5], 1);
    EXPECT_EQ(pic->sel[2],
              static_cast<int>(static_cast<float>(p->width) * Display_()->width / 1200));
    // A click in the picture (centred in the navigator) moves the view there.
    pic->usr.evmouse.type = ButtonPress;
    pic->usr.evmouse.xbutton.x = PaintXImageOffset(pic, 0) + p->width / 2;
    pic->usr.evmouse.xbutton.y = 0;
    pic->usr.evmouse.xbutton.time = 100000;
    WINDATUSR prec = pic->usr;
    ASSERT_EQ(PaintImgNavigatorPaintFuncMouse(&prec), 0);
    EXPECT_EQ(
        PaintXImageGetPosX(view),
        std::min(static_cast<int>(1200.0f * (p->width / 2) / p->width), 1200 - Display_()->width));
    // The slider sets the zoom.
    WINDAT *bar = WinChildFindTyp(popup, WIN_SCROLLX);
    ASSERT_NE(bar, nullptr);
    ScrollBarSetValue(bar, SCROLL_CUR, 200);
    WINDATUSR brec = bar->usr;
    ASSERT_EQ(PaintImgNavigatorFunc(&brec), 0);
    EXPECT_EQ(view->zoom, 200);
    EXPECT_EQ(ScrollBarGetMax(ScrollGetScrollX(scroll)), 2400);
    // The button again closes it.
    EXPECT_EQ(PaintImgTools(&rec), -1);
    EXPECT_EQ(WinChildFindTyp(view, WIN_MENUP), nullptr);
}

TEST_F(Render24, ClosingTheViewEndsPlay) {
    MakeView();
    Show(MakeRecord(32, 32, 8, 4, [](int, int, int f, int) { return f * 50; }));
    PlayLog log;
    play_log = &log;
    WINDAT *sc = scroll;
    log.at = [&](int n) {
        if (n == 2) WinClose(sc);
    };
    PaintPlayHook = PlayRecord;
    EXPECT_EQ(PaintImgPlay(view), 0);
    PaintPlayHook = nullptr;
    EXPECT_EQ(log.frames.size(), 2u);
    EXPECT_EQ(WinFindTyp(WIN_PAINT), nullptr);
}

TEST_F(Render24, SelectionRectangleDrawnTwiceIsGone) {
    MakeView();
    Show(MakeRecord(300, 200, 8, 1, [](int x, int, int, int) { return x & 255; }));
    XImage *before = Grab();
    ASSERT_NE(before, nullptr);
    PaintSelectSet(view, 10, 20, 50, 30, 0, 1);
    ASSERT_EQ(PaintSelectDraw(view), 0);
    XImage *drawn = Grab();
    // The outline inverts its edge pixels and leaves the inside alone.
    EXPECT_EQ(XGetPixel(drawn, 10, 20), ~XGetPixel(before, 10, 20) & 0xFFFFFF);
    EXPECT_EQ(XGetPixel(drawn, 30, 35), XGetPixel(before, 30, 35));
    ASSERT_EQ(PaintSelectDraw(view), 0);
    XImage *again = Grab();
    EXPECT_EQ(memcmp(before->data, again->data,
                     static_cast<size_t>(before->bytes_per_line) * before->height),
              0);
    PaintSelectSet(view, 10, 20, 0, 30, 0, 1);
    EXPECT_EQ(PaintSelectDraw(view), -15);
    for (XImage *im : {before, drawn, again})
        XDestroyImage(im);
}

TEST_F(Render24, OneThumbnailPerPageStepsOneImagePerArrow) {
    MakeView(1);
    view->state = PAINT_THUMBS;
    ASSERT_EQ(PaintImgSetup(view, 4), 0);
    for (int i = 0; i < 4; i++) {
        FILEINFO fi = MakeRecord(300, 300, 8, 1, [](int, int, int, int) { return 200; });
        fi.ximage = ImageCreate(32, ZPixmap, 300, 300);
        PaintImgGet(view, i)->fi = fi;
    }
    // A thumbnail as high as the view: one per page.
    PaintImgSetupMaxWH(view, view->height);
    ASSERT_EQ(PaintImgPaintMaxGet(view), 1);
    ScrollWndUpdateMaxFromChild(view, view->width, PaintImgHGetMax(view));
    WINDAT *down =
        reinterpret_cast<WINDAT *>(WinUSRStringArrayValueGet(ScrollGetScrollY(scroll), 3));
    ASSERT_EQ(down->typ, WIN_SCROLLBTN_DOWN);
    for (int i = 1; i < 4; i++) {
        ASSERT_EQ(ScrollBtnPress(down), 0);
        EXPECT_EQ(PaintImgCurSelectGet(view), i);
        EXPECT_EQ(PaintImgCurFirstGet(view), i);
    }
    // The last one stays, and so does its selection.
    ASSERT_EQ(ScrollBtnPress(down), 0);
    EXPECT_EQ(PaintImgCurFirstGet(view), 3);
    EXPECT_EQ(PaintImgCurSelectGet(view), 3);
}

// A notch moves the grid by three of its rows and leaves the selection; the last page starts
// on a row and the wheel stops there.
TEST_F(Render24, TheWheelMovesAThumbnailGridByThreeRows) {
    MakeView(1);
    view->state = PAINT_THUMBS;
    const int n = 200;
    ASSERT_EQ(PaintImgSetup(view, n), 0);
    for (int i = 0; i < n; i++) {
        FILEINFO fi = MakeRecord(40, 40, 8, 1, [](int, int, int, int) { return 90; });
        fi.ximage = ImageCreate(32, ZPixmap, 40, 40);
        PaintImgGet(view, i)->fi = fi;
    }
    PaintImgSetupMaxWH(view, 40);
    ScrollWndUpdateMaxFromChild(view, view->width, PaintImgHGetMax(view));
    ASSERT_EQ(PaintImgPaint(view), 0);
    int cols = 1;
    while (cols < n && PaintImgGet(view, cols)->y == 0 &&
           PaintImgGet(view, cols)->x > PaintImgGet(view, cols - 1)->x)
        cols++;
    int page = PaintImgPaintMaxGet(view);
    ASSERT_GT(cols, 1);
    ASSERT_LT(page + 6 * cols, n);
    PaintImgCurSelectSet(view, 1);

    ASSERT_EQ(ScrollWheel(view, 1), 0);
    EXPECT_EQ(PaintImgCurFirstGet(view), 3 * cols);
    EXPECT_EQ(PaintImgCurSelectGet(view), 1) << "scrolling selects nothing";
    ASSERT_EQ(ScrollWheel(view, 1), 0);
    EXPECT_EQ(PaintImgCurFirstGet(view), 6 * cols);
    ASSERT_EQ(ScrollWheel(view, -1), 0);
    EXPECT_EQ(PaintImgCurFirstGet(view), 3 * cols);
    int notches = 0;
    while (ScrollWheel(view, 1) == 0 && notches < n)
        notches++;
    int first = PaintImgCurFirstGet(view);
    EXPECT_EQ(first % cols, 0);
    EXPECT_GE(first + PaintImgPaintMaxGet(view), n) << "the last thumbnail is on the page";
    EXPECT_LT(first - cols + page, n) << "a row less would not show it";
    ASSERT_EQ(ScrollWheel(view, -1), 0);
    EXPECT_EQ(PaintImgCurFirstGet(view), first - 3 * cols);
}

namespace {

// The Frame Time a film of this DICOM file plays at.
int FrameTimeOf(const char *value) {
    std::vector<uint8_t> b(128, 0);
    Element(b, 0x0008, 0x0060, "XA");
    if (value) Element(b, 0x0018, 0x1063, value);
    Element(b, 0x0028, 0x0002, Us(1));
    Element(b, 0x0028, 0x0004, "MONOCHROME2 ");
    Element(b, 0x0028, 0x0008, "2 ");
    // Readers refuse files under 1 KiB.
    Element(b, 0x0028, 0x0010, Us(32));
    Element(b, 0x0028, 0x0011, Us(32));
    Element(b, 0x0028, 0x0100, Us(8));
    Element(b, 0x0028, 0x0101, Us(8));
    Element(b, 0x0028, 0x0102, Us(7));
    Element(b, 0x7FE0, 0x0010, std::string(2 * 32 * 32, '\x40'));
    FILEINFO fi = ReadDicom(b);
    int ms = fi.fbuf ? PaintFrameTime(&fi) : -1;
    IoFreeRecord(&fi, "test");
    return ms;
}

} // namespace

TEST(PaintFrameTime, DicomFrameTimeInWholeMillisecondsElseHundred) {
    EXPECT_EQ(FrameTimeOf("40"), 40);
    EXPECT_EQ(FrameTimeOf("33.3"), 33);
    EXPECT_EQ(FrameTimeOf("0 "), 100);
    EXPECT_EQ(FrameTimeOf(nullptr), 100);
    FILEINFO plain{};
    EXPECT_EQ(PaintFrameTime(&plain), 100);
}

// Big-endian displays cannot be made with Xvfb: the display image is given the byte order.
TEST_F(Render24, BothByteOrdersKeepRedRed) {
    MakeView();
    const uint8_t px[2][3] = {{10, 20, 30}, {200, 150, 100}};
    Show(MakeRecord(2, 1, 24, 1, [&](int x, int, int, int c) { return px[x][c]; }));
    FILEINFO &fi = PaintImgGet(view, 0)->fi;
    XImage *keep = fi.ximage;
    Visual *vis = DefaultVisual(display, DefaultScreen(display));
    struct Case {
        int depth, bpp, order;
        std::vector<uint8_t> want;
    };
    unsigned p0 = (10 >> 3) << 11 | (20 >> 2) << 5 | 30 >> 3;
    unsigned p1 = (200 >> 3) << 11 | (150 >> 2) << 5 | 100 >> 3;
    const Case cases[] = {
        {24, 32, LSBFirst, {30, 20, 10, 0, 100, 150, 200, 0}},
        {24, 32, MSBFirst, {0, 10, 20, 30, 0, 200, 150, 100}},
        {24, 24, LSBFirst, {30, 20, 10, 100, 150, 200}},
        {24, 24, MSBFirst, {10, 20, 30, 200, 150, 100}},
        {16, 16, LSBFirst, {uint8_t(p0), uint8_t(p0 >> 8), uint8_t(p1), uint8_t(p1 >> 8)}},
        {16, 16, MSBFirst, {uint8_t(p0 >> 8), uint8_t(p0), uint8_t(p1 >> 8), uint8_t(p1)}},
    };
    int shifts[3] = {Rshift, Gshift, Bshift};
    Setup16ShiftMasks(0xF800, 0x07E0, 0x001F);
    for (const Case &c : cases) {
        char data[16] = {0};
        XImage *d = XCreateImage(display, vis, static_cast<unsigned>(c.depth), ZPixmap, 0, data, 2,
                                 1, 8, 0);
        ASSERT_NE(d, nullptr);
        d->bits_per_pixel = c.bpp;
        d->bytes_per_line = 2 * c.bpp / 8;
        d->byte_order = c.order;
        if (c.depth == 16) d->red_mask = 0xF800, d->green_mask = 0x07E0, d->blue_mask = 0x001F;
        fi.ximage = d;
        ASSERT_EQ(PaintCalcImageSize(view), 0);
        EXPECT_EQ(std::vector<uint8_t>(data, data + c.want.size()), c.want)
            << c.bpp << " bpp, order " << c.order;
        d->data = nullptr;
        XDestroyImage(d);
    }
    fi.ximage = keep;
    Rshift = shifts[0], Gshift = shifts[1], Bshift = shifts[2];
}

TEST_F(Render24, BelowHundredPercentEachPixelIsTheMeanOfThePictureItCovers) {
    MakeView();
    auto zone = [](int x, int y, int, int c) -> uint8_t {
        double r2 = static_cast<double>(x) * x + static_cast<double>(y) * y;
        return static_cast<uint8_t>(std::lround(127.5 + 127.5 * std::cos(r2 * 0.0021 + c)));
    };
    Show(MakeRecord(1600, 1200, 24, 1, zone));
    view->zoom = 25;
    ASSERT_EQ(PaintViewZoom(view, PAINT_ZOOM_KEEP), 0);
    // The first paint is point-sampled; the levels' builder asks for the smooth one.
    FILEINFO *fi = &PaintImgGet(view, 0)->fi;
    ASSERT_TRUE(Pump([&] { return ImageLevelsReady(fi, 0); }));
    ASSERT_EQ(WinPaint(view), 0);
    XImage *img = Grab();
    ASSERT_NE(img, nullptr);
    int worst = 0;
    for (int y = 0; y < 300 && y < img->height; y += 7)
        for (int x = 0; x < 400 && x < img->width; x += 5) {
            unsigned long p = XGetPixel(img, x, y);
            int got[3] = {static_cast<int>(p >> 16 & 0xFF), static_cast<int>(p >> 8 & 0xFF),
                          static_cast<int>(p & 0xFF)};
            for (int c = 0; c < 3; c++) {
                int sum = 0;
                for (int dy = 0; dy < 4; dy++)
                    for (int dx = 0; dx < 4; dx++)
                        sum += zone(4 * x + dx, 4 * y + dy, 0, c);
                worst = std::max(worst, std::abs(got[c] - (sum + 8) / 16));
            }
        }
    XDestroyImage(img);
    EXPECT_LE(worst, 2);
}

TEST_F(Render24, EveryValueOfGreyPaletteAndColourShowsExactly) {
    Ramps([](int x, int r, int g, int b, unsigned long p) {
        EXPECT_EQ(p, static_cast<unsigned long>(r << 16 | g << 8 | b)) << "value " << x;
    });
}

TEST_F(Render8, GreyRisesFromBlackToFullWhite) {
    std::vector<XColor> grey;
    Ramps([&](int x, int r, int g, int b, unsigned long p) {
        XColor c{};
        c.pixel = p;
        XQueryColor(display, DefaultColormap(display, DefaultScreen(display)), &c);
        if (r == x && g == x && b == x) grey.push_back(c);
    });
    ASSERT_EQ(grey.size(), 256u);
    EXPECT_EQ(grey[0].red | grey[0].green | grey[0].blue, 0);
    EXPECT_EQ(grey[255].red & grey[255].green & grey[255].blue, 0xFFFF);
    for (int x = 1; x < 256; x++)
        EXPECT_GE(grey[x].red + grey[x].green + grey[x].blue,
                  grey[x - 1].red + grey[x - 1].green + grey[x - 1].blue)
            << "value " << x;
}
