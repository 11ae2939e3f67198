// The built-in pictures: symbols by number and the message-box pictures by box kind.
#include "widgets/widget_support.h"

#include "render/ximage.h"
#include "widgets/xsymbol.h"

class Pictures : public WidgetTest {};

TEST_F(Pictures, EveryBoxKindHasItsPicture) {
    EXPECT_EQ(MsgXpmData(0), nullptr);
    EXPECT_EQ(MsgXpmData(8), nullptr);
    for (int kind = 1; kind <= 7; kind++) {
        XImage *im = XImageCreateMsg(display, kind);
        ASSERT_NE(im, nullptr) << kind;
        EXPECT_EQ(im->width, 40);
        EXPECT_EQ(im->height, 40);
        WinFreeXImage(im);
    }
    EXPECT_EQ(XImageCreateMsg(display, 0), nullptr);
}

TEST_F(Pictures, MessageBitmapIsTheFigureInTheFormColours) {
    // The error picture is a disc: its centre is drawn, its corner is not.
    Pixmap pm = PixmapCreateMsg(display, main->window, 2);
    ASSERT_NE(pm, 0u);
    XImage *img = XGetImage(display, pm, 0, 0, 40, 40, AllPlanes, ZPixmap);
    ASSERT_NE(img, nullptr);
    EXPECT_EQ(XGetPixel(img, 20, 20), fg_form);
    EXPECT_EQ(XGetPixel(img, 0, 0), bg_form);
    EXPECT_EQ(XGetPixel(img, 39, 39), bg_form);
    XDestroyImage(img);
    XFreePixmap(display, pm);
    EXPECT_EQ(PixmapCreateMsg(display, main->window, 9), 0u);
}

TEST_F(Pictures, SymbolsHaveTwoPicturesOfTheSameSize) {
    for (int symbol : {1, 3, 4, 5, 6, 7}) {
        char **normal = SymbolXpmData(symbol, 0), **lit = SymbolXpmData(symbol, 1);
        ASSERT_TRUE(normal && lit) << symbol;
        int w0, h0, w1, h1, c, p;
        ASSERT_EQ(sscanf(normal[0], "%d %d %d %d", &w0, &h0, &c, &p), 4);
        ASSERT_EQ(sscanf(lit[0], "%d %d %d %d", &w1, &h1, &c, &p), 4);
        EXPECT_EQ(w0, w1);
        EXPECT_EQ(h0, h1);
    }
    EXPECT_EQ(SymbolXpmData(2, 0), nullptr);
}
