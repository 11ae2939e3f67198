// The image view as a user sees it: a picture scrolled to its middle with both bars, the tool
// buttons, the status line and the navigator open. With DRAVIK_SCREENSHOT=FILE.ppm the screen
// is also written there (scripts/view-demo turns it into docs/image-view.png).
#include "widgets/view_support.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

// Rings over a colour gradient.
uint8_t Rings(int x, int y, int, int c) {
    double r = std::hypot(x - 600.0, y - 450.0);
    double ring = 0.5 + 0.5 * std::cos(r / 18.0);
    int base[3] = {x * 255 / 1200, y * 255 / 900, 255 - x * 255 / 1200};
    return static_cast<uint8_t>(base[c] * (0.35 + 0.65 * ring));
}

void WritePpm(Display *d, const char *path, int w, int h) {
    XImage *img = XGetImage(d, DefaultRootWindow(d), 0, 0, static_cast<unsigned>(w),
                            static_cast<unsigned>(h), AllPlanes, ZPixmap);
    FILE *f = img ? fopen(path, "wb") : nullptr;
    if (f) {
        fprintf(f, "P6\n%d %d\n255\n", w, h);
        for (int y = 0; y < h; y++)
            for (int x = 0; x < w; x++) {
                unsigned long p = XGetPixel(img, x, y);
                unsigned char rgb[3] = {static_cast<unsigned char>(p >> 16),
                                        static_cast<unsigned char>(p >> 8),
                                        static_cast<unsigned char>(p)};
                fwrite(rgb, 1, 3, f);
            }
        fclose(f);
    }
    if (img) XDestroyImage(img);
}

class ViewDemo : public ViewTest {};

} // namespace

TEST_F(ViewDemo, PictureBarsToolsAndNavigator) {
    main->width = 800, main->height = 560;
    WinResize(main, 800, 560);
    MakeView(0, 1);
    Show(MakeRecord(1200, 900, 24, 1, Rings));
    PaintXImageSetPosX(view, 300);
    PaintXImageSetPosY(view, 250);
    WinPaint(view);
    ScrollWndUpdateFromChild(view);
    // Resizing closes menus: let the resizes pass before the navigator opens.
    Pump([] { return false; }, 300);
    WINDAT *tools = ScrollGetToolbar(scroll);
    WINDATUSR rec = tools->child[PAINT_BTN_NAVIGATOR]->usr;
    rec.i = PAINT_BTN_NAVIGATOR;
    ASSERT_EQ(PaintImgTools(&rec), 0);
    WINDAT *popup = WinChildFindTyp(view, WIN_MENUP);
    ASSERT_NE(popup, nullptr);
    ASSERT_TRUE(Pump([&] { return Attr(popup->window).map_state == IsViewable; }));
    // The sliders sit inside their tracks, away from the start.
    WINDAT *hbar = ScrollGetScrollX(scroll);
    EXPECT_GT(ScrollBarGetValue(hbar, SCROLL_SLX), 0);
    // The picture's middle reached the screen.
    EXPECT_GT(Colours(view->window, 0, 0, 200, 200).size(), 50u);
    if (const char *path = getenv("DRAVIK_SCREENSHOT")) WritePpm(display, path, 800, 700);
}
