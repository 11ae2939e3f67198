// The UTF-8 text layer against the server: a character is measured and drawn whole, and drawing
// leaves the window's font as it was, so the second text of a window looks like the first.
#include "support/driver.h"
#include "base/settings.h"
#include "toolkit/xcolor.h"
#include "toolkit/xinit.h"
#include "toolkit/xtext.h"
#include "toolkit/xtools.h"

#include <X11/Xatom.h>
#include <algorithm>
#include <clocale>
#include <cstring>
#include <string>

namespace {

class TextLayer : public XvfbTest {
  protected:
    WINDAT *win = nullptr;

    void SetUp() override {
        XvfbTest::SetUp();
        if (IsSkipped()) return;
        // Font sets follow the locale: CJK faces only join in a UTF-8 one.
        if (!setlocale(LC_CTYPE, "C.UTF-8")) GTEST_SKIP() << "no C.UTF-8 locale";
        ASSERT_EQ(WinMemInit(), 0);
        ColorStep1LibInit(display);
        ColorStep2FontLibInit(display);
        WINTYP t{};
        t.fg = 0xFFFFFF, t.bg = 0x000000, t.width = 300, t.height = 80, t.typ = WIN_BASE;
        t.state = 1, t.mouseleft = 1, t.mouseright = 3, t.language = 1;
        WINNEIGHBOR nb{};
        win = WinCreateFromRoot(display, 10, 10, &t, &nb, "text", fontfs_text);
        ASSERT_NE(win, nullptr);
        XMapWindow(display, win->window);
        XSync(display, False);
    }
    void TearDown() override {
        if (win) WinClose(win);
        WinMemRemove();
        setlocale(LC_CTYPE, "C");
    }
    std::string Row(int y, int w) {
        XSync(win->usr.display, False);
        std::string s;
        for (int x = 0; x < w; x++)
            s += Pixel(win->window, x, y) ? '#' : '.';
        return s;
    }
};

} // namespace

TEST_F(TextLayer, TheSecondTextOfAWindowDrawsLikeTheFirst) {
    XGCValues before;
    XGetGCValues(display, win->gc, GCFont, &before);
    const char *name = "Müller_東京";
    int h = WinGetTextHeight(fontfs_text, WIN_TEXT_SAMPLE, 0);
    XSetForeground(display, win->gc, WhitePixel(display, DefaultScreen(display)));
    WinDrawString(win, 0, h, name, 0);
    WinDrawString(win, 0, 2 * h + 4, name, 0);
    XGCValues after;
    XGetGCValues(display, win->gc, GCFont, &after);
    EXPECT_EQ(before.font, after.font);
    int w = WinGetTextWidth(fontfs_text, name, 0);
    ASSERT_GT(w, 0);
    bool inked = false;
    for (int dy = 1; dy < h; dy++) {
        std::string first = Row(dy, w), second = Row(h + 4 + dy, w);
        EXPECT_EQ(first, second) << "row " << dy;
        inked = inked || first.find('#') != std::string::npos;
    }
    EXPECT_TRUE(inked);
}

TEST_F(TextLayer, CharactersAreMeasuredWholeAndBadBytesReplaced) {
    // One cell per character in a cell font, however many bytes it takes.
    EXPECT_EQ(WinGetTextWidth(fontfs_text, "ü", 0), WinGetTextWidth(fontfs_text, "u", 0));
    // A length that ends inside a character stops before it.
    EXPECT_EQ(WinGetTextWidth(fontfs_text, "aü", 2), WinGetTextWidth(fontfs_text, "a", 0));
    EXPECT_EQ(TextShowable("aü", 2), "a");
    EXPECT_EQ(TextShowable("bad\xff.jpg", 0), "bad\xef\xbf\xbd.jpg");
}

namespace {

// Pixels of a text drawn white on black at the window's top left: their count and whether
// any is a blend between the two (anti-aliased edges).
struct INK {
    int lit = 0;
    bool blended = false;
    std::string rows;
};

INK DrawnInk(Driver &drv, WINDAT *win, XFontStruct *font, const char *text) {
    Display *display = drv.xd;
    int scr = DefaultScreen(display);
    XSetForeground(display, win->gc, BlackPixel(display, scr));
    XFillRectangle(display, win->window, win->gc, 0, 0, 300, 80);
    XSetFont(display, win->gc, font->fid);
    XSetForeground(display, win->gc, WhitePixel(display, scr));
    int h = font->ascent + font->descent;
    WinDrawString(win, 0, font->ascent, text, 0);
    XSync(display, False);
    INK ink;
    int w = std::min(300, WinGetTextWidth(font, text, 0));
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++) {
            unsigned long p = drv.Pixel(win->window, x, y);
            ink.rows += p ? '#' : '.';
            ink.lit += p != 0;
            ink.blended = ink.blended || (p != 0 && p != WhitePixel(display, scr));
        }
    return ink;
}

} // namespace

// The default faces are anti-aliased; a character the face lacks is drawn by a fallback face,
// each character its own glyph, not the missing-glyph box.
TEST_F(TextLayer, AFallbackFaceDrawsTheCharactersTheFaceLacks) {
    ASSERT_TRUE(TextFontIsXft(fontfs_text));
    INK latin = DrawnInk(*this, win, fontfs_text, "Müller");
    EXPECT_GT(latin.lit, 0);
    EXPECT_TRUE(latin.blended);
    INK east = DrawnInk(*this, win, fontfs_text, "東");
    INK capital = DrawnInk(*this, win, fontfs_text, "京");
    EXPECT_GT(east.lit, 20);
    EXPECT_GT(capital.lit, 20);
    EXPECT_NE(east.rows, capital.rows);
    // The fallback glyph is as wide as the fallback face makes it, not the mono cell.
    EXPECT_GT(WinGetTextWidth(fontfs_text, "東", 0), WinGetTextWidth(fontfs_text, "a", 0));
    // Widths add up per character, so cursor places agree with what is drawn.
    EXPECT_EQ(WinGetTextWidth(fontfs_text, "a東", 0),
              WinGetTextWidth(fontfs_text, "a", 0) + WinGetTextWidth(fontfs_text, "東", 0));
}

// A core name is kept as written, and AntiAliasedFonts 0 keeps the core fonts for the
// default names; a pattern is always a fontconfig face.
TEST_F(TextLayer, CoreNamesKeepTheCoreFontPath) {
    XFontStruct *core = ColorFontLoad(display, "9x15");
    ASSERT_NE(core, nullptr);
    EXPECT_FALSE(TextFontIsXft(core));
    EXPECT_EQ(WinGetTextWidth(core, "ü", 0), 9);
    INK ink = DrawnInk(*this, win, core, "Müller");
    EXPECT_GT(ink.lit, 0);
    EXPECT_FALSE(ink.blended);

    AntiAliasedFonts = 0;
    ColorStep2FontLibInit(display);
    EXPECT_FALSE(TextFontIsXft(fontfs_text));
    EXPECT_FALSE(TextFontIsXft(fontfs_label));
    EXPECT_TRUE(TextFontIsXft(ColorFontLoad(display, "DejaVu Sans:size=12")));
    AntiAliasedFonts = 1;
    ColorStep2FontLibInit(display);
    EXPECT_TRUE(TextFontIsXft(fontfs_label));
}

TEST_F(TextLayer, TheFontCheckKnowsPatternsByTheirFamily) {
    EXPECT_TRUE(TextPatternKnown("DejaVu Sans:size=10"));
    EXPECT_TRUE(TextPatternKnown("monospace-9"));
    EXPECT_FALSE(TextPatternKnown("No Such Family:size=10"));
    EXPECT_FALSE(TextPatternKnown("-misc-fixed-medium-r-normal--15-*"));
    EXPECT_FALSE(TextPatternKnown(""));
}
