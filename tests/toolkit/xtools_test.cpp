// Drawing calls read back from the server: 3-D edges in every style, disabled text, measuring.
#include "support/driver.h"
#include "base/settings.h"
#include "toolkit/xcolor.h"
#include "toolkit/xinit.h"
#include "toolkit/xtools.h"
#include "base/allg.h"

#include <cstring>

namespace {

class Drawing : public XvfbTest {
  protected:
    WINDAT *win = nullptr;

    void SetUp() override {
        XvfbTest::SetUp();
        if (IsSkipped()) return;
        ASSERT_EQ(WinMemInit(), 0);
        ColorStep1LibInit(display);
        // Exact pixel colours and the server's own metrics: the core fonts.
        AntiAliasedFonts = 0;
        ColorStep2FontLibInit(display);
        AntiAliasedFonts = 1;
        WINTYP t{};
        t.fg = 0x00FF00;
        t.bg = 0x000000;
        t.width = 120;
        t.height = 80;
        t.typ = WIN_BASE;
        t.state = 1;
        t.mouseleft = 1;
        t.mouseright = 3;
        t.language = 1;
        WINNEIGHBOR nb{};
        win = WinCreateFromRoot(display, 10, 10, &t, &nb, "draw", fontfs_text);
        ASSERT_NE(win, nullptr);
        XSync(display, False);
    }

    void TearDown() override {
        if (win) WinClose(win);
        WinMemRemove();
    }

    unsigned long Pixel(int x, int y) {
        XSync(win->usr.display, False);
        return Driver::Pixel(win->window, x, y);
    }

    unsigned long GcForeground() {
        XGCValues v;
        XGetGCValues(win->usr.display, win->gc, GCForeground, &v);
        return v.foreground;
    }
};

} // namespace

TEST_F(Drawing, RaisedAndSunkenEdgesAreTwoPixelsWideAndTheSecondColourWinsItsCorners) {
    const unsigned long light = lg_btn3d, dark = rg_btn3d;
    ASSERT_NE(light, dark);
    struct {
        int style;
        unsigned long first, second;
    } cases[] = {{WIN_3D_RAISED, light, dark}, {WIN_3D_SUNKEN, dark, light}};
    for (auto &c : cases) {
        XClearWindow(display, win->window);
        // A 21 x 21 box: edges at 5..6 and 24..25.
        ASSERT_EQ(WinDraw3dRect(win, 5, 5, 20, 20, c.style, 2), 0);
        EXPECT_EQ(Pixel(5, 12), c.first);
        EXPECT_EQ(Pixel(6, 12), c.first);
        EXPECT_EQ(Pixel(7, 12), win->bg);
        EXPECT_EQ(Pixel(12, 5), c.first);
        EXPECT_EQ(Pixel(12, 6), c.first);
        EXPECT_EQ(Pixel(25, 12), c.second);
        EXPECT_EQ(Pixel(24, 12), c.second);
        EXPECT_EQ(Pixel(23, 12), win->bg);
        EXPECT_EQ(Pixel(12, 25), c.second);
        EXPECT_EQ(Pixel(12, 24), c.second);
        EXPECT_EQ(Pixel(5, 5), c.first);
        EXPECT_EQ(Pixel(25, 5), c.second);
        EXPECT_EQ(Pixel(5, 25), c.second);
        EXPECT_EQ(GcForeground(), win->fg);
    }
}

TEST_F(Drawing, FlatStyleErasesEdgesInTheMenuBackground) {
    XClearWindow(display, win->window);
    WinDraw3dRect(win, 5, 5, 20, 20, WIN_3D_RAISED, 2);
    bg_menu = 0x123456;
    ASSERT_EQ(WinDraw3dRect(win, 5, 5, 20, 20, WIN_3D_FLAT, 2), 0);
    for (auto [x, y] : {std::pair{5, 12}, {6, 12}, {12, 5}, {25, 12}, {12, 24}, {25, 25}})
        EXPECT_EQ(Pixel(x, y), 0x123456UL) << x << "," << y;
}

TEST_F(Drawing, TextInADisabledWindowUsesAndKeepsTheDisabledColour) {
    fg_disable = 0x808080;
    XClearWindow(display, win->window);
    win->disable = 1;
    ASSERT_EQ(WinDrawString(win, 4, 40, "MMMM", 4), 0);
    EXPECT_EQ(GcForeground(), fg_disable);
    XSync(display, False);
    XImage *img = XGetImage(display, win->window, 0, 0, 60, 60, AllPlanes, ZPixmap);
    ASSERT_NE(img, nullptr);
    int disabled = 0, other = 0;
    for (int y = 0; y < 60; y++)
        for (int x = 0; x < 60; x++) {
            unsigned long p = XGetPixel(img, x, y);
            if (p == fg_disable)
                disabled++;
            else if (p != win->bg)
                other++;
        }
    XDestroyImage(img);
    EXPECT_GT(disabled, 10);
    EXPECT_EQ(other, 0);
    win->disable = 0;
}

TEST_F(Drawing, LineHeightComesFromTheSampleText) {
    int dir, asc, desc;
    XCharStruct o;
    XTextExtents(fontfs_text, "QygqQAT", 7, &dir, &asc, &desc, &o);
    const int lh = o.ascent + o.descent;
    ASSERT_GT(lh, 0);
    EXPECT_EQ(WinGetTextHeight(fontfs_text, "QygqQAT", 0), lh);
    EXPECT_EQ(WinGetTextHeight(fontfs_text, "", 0), 0);
    EXPECT_EQ(WinGetTextWidth(fontfs_text, nullptr, 0), 0);
    EXPECT_EQ(WinDrawStringLinesGetY(win, fontfs_text, 0, 7, "a\nb\nc", 5),
              7 + lh + 2 * (lh + lh / 3));
    EXPECT_EQ(WinDrawStringLinesGetY(win, fontfs_text, 0, 7, "abc", 3), 7 + lh);
    EXPECT_EQ(WinDrawStringLines(win, fontfs_text, 2, 2, "one\ntwo", 7), 0);
    EXPECT_EQ(PixmapDestroy(display, 0), 1);
}

TEST_F(Drawing, TextBoxGrowsALineHeightAndAThirdPerLine) {
    const int lh = WinGetTextHeight(fontfs_text, "QygqQAT", 0);
    const int cw = WinGetTextWidth(fontfs_text, "a", 1);
    short out[2];
    ASSERT_EQ(CalcTextRect("ab\ncdef\ng", out), 0);
    EXPECT_EQ(out[0], cw * 4);
    EXPECT_EQ(out[1], (lh + lh / 3) * 3 + 2 * (lh + lh / 3));
    ASSERT_EQ(CalcTextRect("single", out), 0);
    EXPECT_EQ(out[0], WinGetTextWidth(fontfs_text, "single", 0));
    EXPECT_EQ(out[1], (lh + lh / 3) * 3);
    EXPECT_EQ(CalcTextRect("", out), -8);
    EXPECT_EQ(CalcTextRect(nullptr, out), -15);
}

TEST_F(Drawing, EditFieldTextShowsItsCursorOnTheCursorLine) {
    int im[14] = {14, 0};
    win->typ = WIN_EDIT_TXT;
    win->usr.im = im;
    const int lh = WinGetTextHeight(fontfs_text, "QygqQAT", 0);
    const int step = lh + lh / 4;
    // Cursor at the start of the second line: the I-beam stem stands at x = 30 on that line.
    im[1] = 3;
    XClearWindow(display, win->window);
    ASSERT_EQ(WinDrawStringLines(win, fontfs_text, 30, 2, "ab\ncd", 5), 0);
    EXPECT_EQ(Pixel(30, 2 + step + 3), win->fg);
    EXPECT_EQ(Pixel(30, 2 + 3), win->bg);
    win->usr.im = nullptr;
    win->typ = WIN_BASE;
}
