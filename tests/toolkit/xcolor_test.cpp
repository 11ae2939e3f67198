// The colour layer on 24-, 16- and 8-bit screens: visual shifts, conversions, fallbacks.
#include "support/driver.h"
#include "toolkit/xcolor.h"
#include "app/main.h"
#include "render/reduce16.h"
#include "render/ximage.h"

#include <cstring>
#include <vector>

namespace {

void SetName(char *buf, int size, const char *name) {
    strncpy(buf, name, static_cast<size_t>(size) - 1);
    buf[size - 1] = '\0';
}

std::vector<int> Shifts() {
    return {red_shift, green_shift, blue_shift, red_bits, green_bits, blue_bits};
}

XColor QueryPixel(Display *d, unsigned long pixel) {
    XColor c;
    c.pixel = pixel;
    XQueryColor(d, DefaultColormap(d, DefaultScreen(d)), &c);
    return c;
}

class Colour24 : public XvfbTest {};

using Colour16 = OnDepth<XvfbTest, 16>;

using Colour8 = OnDepth<XvfbTest, 8>;

} // namespace

TEST_F(Colour24, MasksGiveShiftsAndRGBPacksIntoAPixel) {
    ASSERT_EQ(ColorStep1LibInit(display), 0);
    EXPECT_EQ(Shifts(), (std::vector<int>{16, 8, 0, 0, 0, 0}));
    EXPECT_EQ(ColorGetFromRGB(0x12, 0x34, 0x56), 0x123456);
    EXPECT_EQ(ColorGetFromNameHex(display, "#c6c6c6"), 0xc6c6c6);
    EXPECT_EQ(ColorGetFromNameHex(display, "not a colour"), -6);
    EXPECT_EQ(ColorGetFromName(display, nullptr), -6);
}

TEST_F(Colour24, UnknownNamesFallBackAndMissingFontsBecomeFixed) {
    ASSERT_EQ(ColorStep1LibInit(display), 0);
    SetName(bg_sz_menu, COLOR_NAME_SIZE, "no-such-colour");
    SetName(bg_sz_paintTxt, COLOR_NAME_SIZE, "no-such-colour");
    SetName(fg_sz_disable, COLOR_NAME_SIZE, "no-such-colour");
    SetName(bg_sz_btn, COLOR_NAME_SIZE, "#102030");
    SetName(fontfs_sz_btn, FONT_NAME_SIZE, "-no-such-font-*");
    ASSERT_EQ(ColorStep2FontLibInit(display), 0);
    EXPECT_EQ(bg_menu, BlackPixel(display, DefaultScreen(display)));
    EXPECT_EQ(bg_paintTxt, WhitePixel(display, DefaultScreen(display)));
    EXPECT_EQ(fg_disable, rg_btn3d);
    EXPECT_EQ(bg_btn, 0x102030UL);
    ASSERT_NE(fontfs_btn, nullptr);
    XFontStruct *fixed = XLoadQueryFont(display, "fixed");
    ASSERT_NE(fixed, nullptr);
    EXPECT_EQ(fontfs_btn->ascent, fixed->ascent);
    EXPECT_EQ(fontfs_btn->max_bounds.width, fixed->max_bounds.width);
    XFreeFont(display, fixed);
    for (XFontStruct *f :
         {fontfs_menu, fontfs_status, fontfs_paint, fontfs_label, fontfs_text, fontfs_list})
        EXPECT_NE(f, nullptr);
}

TEST(ColourVisual, StaticClassesAreRefused) {
    Visual v{};
    v.c_class = StaticGray;
    EXPECT_EQ(ColorVisualAnalyse(&v, 8), -6);
    v.c_class = StaticColor;
    EXPECT_EQ(ColorVisualAnalyse(&v, 8), -6);
    v.c_class = DirectColor;
    v.red_mask = 0x3FF00000;
    v.green_mask = 0xFFC00;
    v.blue_mask = 0x3FF;
    ASSERT_EQ(ColorVisualAnalyse(&v, 30), 0);
    EXPECT_EQ(red_shift, 20);
    EXPECT_EQ(red_bits, -2);
    // Wider masks take the component shifted left instead of right.
    EXPECT_EQ(ColorGetFromRGB(0xFF, 0, 0), 0x3FCL << 20);
}

TEST_F(Colour16, FiveSixFiveMasksGiveShiftsAndRightShifts) {
    main_visual = DefaultVisual(display, DefaultScreen(display));
    ASSERT_EQ(ColorStep1LibInit(display), 0);
    // The image packing shifts are set up with the colours on 15/16-bit screens.
    ASSERT_EQ(ImageDisplaySetup(display), 0);
    EXPECT_EQ((std::vector<int>{Rshift, Gshift, Bshift}), (std::vector<int>{-8, -3, 3}));
    EXPECT_EQ(Shifts(), (std::vector<int>{11, 5, 0, 3, 2, 3}));
    EXPECT_EQ(ColorGetFromRGB(0xFF, 0xFF, 0xFF), 0xFFFF);
    EXPECT_EQ(ColorGetFromNameHex(display, "#ff0000"), 0xF800);
    EXPECT_EQ(ColorGetFromNameHex(display, "#00ff00"), 0x07E0);
}

TEST_F(Colour8, HighlightsDefaultToWhiteAndColoursComeFromTheColormap) {
    Visual *v = DefaultVisual(display, DefaultScreen(display));
    ASSERT_TRUE(v->c_class == PseudoColor || v->c_class == GrayScale);
    ASSERT_EQ(ColorStep1LibInit(display), 0);
    EXPECT_EQ(main_colormap_entry, 256);
    ASSERT_EQ(ColorStep2FontLibInit(display), 0);
    for (unsigned long p : {bg_menuSel, bg_sel, bg_hint}) {
        XColor c = QueryPixel(display, p);
        EXPECT_EQ(c.red, 0xFFFF);
        EXPECT_EQ(c.green, 0xFFFF);
        EXPECT_EQ(c.blue, 0xFFFF);
    }
    // The nearest colormap entry to white after white has been allocated is white itself.
    ASSERT_EQ(ColorStep1LibInit(display), 0);
    long p = FindRGBInColormap(0xFFFF, 0xFFFF, 0xFFFF);
    ASSERT_GE(p, 0);
    XColor c = QueryPixel(display, static_cast<unsigned long>(p));
    EXPECT_EQ(c.red, 0xFFFF);
    EXPECT_EQ(c.blue, 0xFFFF);
    EXPECT_EQ(ColorGetFromNameHex(display, "#ffffff"), p);
}
