#include "support/driver.h"

#include "app/main.h"
#include "image/image_testutil.h"
#include "io/io_read.h"
#include "render/io_xpm.h"
#include "render/reduce16.h"
#include "render/reduce8a.h"
#include "render/ximage.h"

#include <cmath>
#include <sys/stat.h>

namespace {

// The palette state an 8-bit display's colour setup keeps, built here from the server's own
// colormap: nearest colour by Euclidean distance.
struct TestPalette {
    int red[256], green[256], blue[256];
    unsigned long pxl[256];
    REDUCEPAL rp;
    static XColor snap[256];
    static int nsnap;
    static long Find(int r, int g, int b) {
        long best = -1;
        double bestd = 1e300;
        for (int i = 0; i < nsnap; i++) {
            double d = std::pow(snap[i].red - r, 2) + std::pow(snap[i].green - g, 2) +
                       std::pow(snap[i].blue - b, 2);
            if (d < bestd) bestd = d, best = static_cast<long>(snap[i].pixel);
        }
        return best;
    }
    TestPalette() : red(), green(), blue(), pxl(), rp{red, green, blue, pxl, Find} {}
};
XColor TestPalette::snap[256];
int TestPalette::nsnap = 0;

// Sets the program's display globals to the test server for one test.
class DisplayImageTest : public XvfbTest {
  protected:
    TestPalette pal;
    REDUCEPAL *saved = nullptr;
    void SetUp() override {
        XvfbTest::SetUp();
        if (!display) return;
        main_display = display;
        main_screen_number = DefaultScreen(display);
        main_visual = DefaultVisual(display, main_screen_number);
        main_depth = DefaultDepth(display, main_screen_number);
        saved = reduce_pal;
        reduce_pal = &pal.rp;
    }
    void TearDown() override {
        reduce_pal = saved;
        main_display = nullptr;
    }

    // Puts the record's display image into a pixmap and reads pixel (x, y) back.
    unsigned long ServerPixel(XImage *im, int x, int y) {
        Pixmap pm =
            XCreatePixmap(display, DefaultRootWindow(display), static_cast<unsigned>(im->width),
                          static_cast<unsigned>(im->height), static_cast<unsigned>(main_depth));
        GC gc = XCreateGC(display, pm, 0, nullptr);
        XPutImage(display, pm, gc, im, 0, 0, 0, 0, static_cast<unsigned>(im->width),
                  static_cast<unsigned>(im->height));
        XImage *back = XGetImage(display, pm, x, y, 1, 1, AllPlanes, ZPixmap);
        unsigned long p = back ? XGetPixel(back, 0, 0) : ~0ul;
        if (back) XDestroyImage(back);
        XFreeGC(display, gc);
        XFreePixmap(display, pm);
        return p;
    }

    WINDAT View(int w, int h) {
        WINDAT v{};
        v.typ = WIN_PAINT, v.width = w, v.height = h, v.usr.display = display;
        return v;
    }

    FILEINFO IndexRecord(int w, int h) {
        FILEINFO fi{};
        fi.w = w, fi.h = h, fi.bit = 8, fi.maptyp = MAPTYP_GREY;
        return fi;
    }
};

using Display24 = OnDepth<DisplayImageTest, 24>;
using Display16 = OnDepth<DisplayImageTest, 16>;
using Display8 = OnDepth<DisplayImageTest, 8>;

// An XPM of n colours, two characters per pixel, one row with every colour.
std::vector<std::string> XpmOfColours(int n) {
    std::vector<std::string> lines;
    lines.push_back(std::to_string(n) + " 1 " + std::to_string(n) + " 2");
    auto key = [](int i) {
        const char *a = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
        return std::string{a[i / 52 % 52], a[i % 52]};
    };
    char col[32];
    for (int i = 0; i < n; i++) {
        snprintf(col, sizeof col, " c #%02x%02x%02x", i % 256, (i * 3) % 256, 7);
        lines.push_back(key(i) + col);
    }
    std::string row;
    for (int i = 0; i < n; i++)
        row += key(i);
    lines.push_back(row);
    return lines;
}

} // namespace

TEST_F(Display16, GreyPacksAs565) {
    ASSERT_EQ(main_depth, 16);
    Setup16Shift();
    EXPECT_EQ(Rshift, -8);
    EXPECT_EQ(Gshift, -3);
    EXPECT_EQ(Bshift, 3);
    FILEINFO fi = IndexRecord(2, 1);
    fi.mapentry = 255;
    ASSERT_EQ(FileColormapCreate(&fi), FILE_SUCCES);
    for (int i = 0; i < 256; i++)
        fi.rmap[i] = fi.gmap[i] = fi.bmap[i] = static_cast<uint16_t>(i);
    uint8_t px[2] = {255, 128};
    ASSERT_EQ(WinCreateXImage(nullptr, &fi, ImagePadForDepth(main_depth)), 0);
    EXPECT_EQ(fi.ximage->bits_per_pixel, 16);
    ASSERT_EQ(Wide8to16(px, &fi), 0);
    EXPECT_EQ(ServerPixel(fi.ximage, 0, 0), 0xFFFFu);
    EXPECT_EQ(ServerPixel(fi.ximage, 1, 0), 0x8410u);
    IoFreeRecord(&fi, "t");
}

TEST_F(Display24, PalettePacksAsBlueGreenRedZero) {
    ASSERT_EQ(main_depth, 24);
    FILEINFO fi = IndexRecord(3, 2);
    pal.red[5] = 0x1200, pal.green[5] = 0x3400, pal.blue[5] = 0x5600;
    std::vector<uint8_t> px(6, 5);
    ASSERT_EQ(WinCreateXImage(nullptr, &fi, 32), 0);
    ASSERT_EQ(fi.ximage->bits_per_pixel, 32);
    ASSERT_EQ(fi.ximage->byte_order, LSBFirst);
    ASSERT_EQ(Wide8to32(px.data(), &fi), 0);
    const auto *d = reinterpret_cast<const uint8_t *>(fi.ximage->data + fi.ximage->bytes_per_line);
    EXPECT_EQ(std::vector<uint8_t>(d + 4, d + 8), (std::vector<uint8_t>{0x56, 0x34, 0x12, 0}));
    EXPECT_EQ(ServerPixel(fi.ximage, 2, 1), 0x123456u);
    IoFreeRecord(&fi, "t");
    EXPECT_EQ(Wide8to32(nullptr, &fi), -15);
    fi = IndexRecord(3, 2);
    EXPECT_EQ(Wide8to32(px.data(), &fi), -24);
}

TEST_F(Display24, DisplayImageIsCutToTheViewAndPaddedForTheDepth) {
    WINDAT view = View(600, 400);
    FILEINFO fi{};
    fi.w = 2000, fi.h = 1500, fi.bit = 24;
    ASSERT_EQ(WinCreateXImageSimple(&view, &fi), 0);
    EXPECT_EQ(fi.ximage->width, 600);
    EXPECT_EQ(fi.ximage->height, 400);
    EXPECT_EQ(fi.ximage->bitmap_pad, 32);
    WinFreeXImage(fi.ximage);
    fi.ximage = nullptr;
    fi.bit = 16;
    EXPECT_EQ(WinCreateXImageSimple(&view, &fi), -24);
    view.typ = WIN_BTN;
    EXPECT_EQ(WinCreateXImageSimple(&view, &fi), -22);
    EXPECT_EQ(WinCreateXImageSimple(nullptr, &fi), -15);
}

TEST_F(Display24, FreeingAllImagesEmptiesTheList) {
    WINDAT view = View(100, 100);
    auto *list = static_cast<PAINTIMG *>(MemCreate(2 * sizeof(PAINTIMG), "ip"));
    memset(list, 0, 2 * sizeof(PAINTIMG));
    view.img_list = list, view.img_count = 2, view.img_current = 1;
    for (int i = 0; i < 2; i++) {
        list[i].fi.w = 10, list[i].fi.h = 10, list[i].fi.bit = 8;
        list[i].fi.fbuf = static_cast<uint8_t *>(MemCreate(100, "t"));
        ASSERT_EQ(WinCreateXImageSimple(&view, &list[i].fi), 0);
    }
    EXPECT_EQ(WinFreeImage(&view, 2, 0), -15);
    EXPECT_EQ(WinFreeImage(&view, 0, 0), 0);
    EXPECT_EQ(list[0].fi.fbuf, nullptr);
    EXPECT_EQ(list[0].fi.ximage, nullptr);
    EXPECT_NE(list[1].fi.ximage, nullptr);
    EXPECT_EQ(view.img_current, 0);
    EXPECT_EQ(WinFreeImage(&view, 0, 1), 0);
    EXPECT_EQ(view.img_list, nullptr);
    EXPECT_EQ(view.img_count, 0);
    EXPECT_EQ(WinFreeImage(&view, 0, 1), -8);
}

TEST_F(Display24, XpmNoneTakesTheBackground) {
    std::vector<std::string> lines = {"3 1 2 1", ". c None", "# c #ff0000", ".#."};
    std::vector<char *> data;
    for (auto &l : lines)
        data.push_back(l.data());
    XImage *im = ImageCreateFromDataSimple(data.data(), "#00ff00");
    ASSERT_NE(im, nullptr);
    EXPECT_EQ(im->width, 3);
    EXPECT_EQ(ServerPixel(im, 0, 0), 0x00ff00u);
    EXPECT_EQ(ServerPixel(im, 1, 0), 0xff0000u);
    EXPECT_EQ(ServerPixel(im, 2, 0), 0x00ff00u);
    WinFreeXImage(im);
}

TEST_F(Display24, XpmWithTooManyColoursIsRefused) {
    for (int n : {256, 257}) {
        std::vector<std::string> lines = XpmOfColours(n);
        std::vector<char *> data;
        for (auto &l : lines)
            data.push_back(l.data());
        testing::internal::CaptureStderr();
        XImage *im = ImageCreateFromDataSimple(data.data(), "black");
        std::string err = testing::internal::GetCapturedStderr();
        if (n == 256) {
            ASSERT_NE(im, nullptr);
            EXPECT_EQ(ServerPixel(im, 255, 0), 0xfffd07u);
            WinFreeXImage(im);
        } else {
            EXPECT_EQ(im, nullptr);
            EXPECT_NE(err.find("To many colors or false format."), std::string::npos) << err;
        }
    }
}

TEST_F(Display8, PaletteAndReductionMapToNearestColormapColours) {
    ASSERT_EQ(main_depth, 8);
    Colormap cmap = DefaultColormap(display, main_screen_number);
    XColor red{}, blue{};
    red.red = 0xffff, blue.blue = 0xffff;
    ASSERT_TRUE(XAllocColor(display, cmap, &red));
    ASSERT_TRUE(XAllocColor(display, cmap, &blue));
    for (int i = 0; i < 256; i++)
        TestPalette::snap[i].pixel = static_cast<unsigned long>(i);
    XQueryColors(display, cmap, TestPalette::snap, 256);
    TestPalette::nsnap = 256;

    // Icon path: palette indices through the pixel table.
    uint8_t *idx = static_cast<uint8_t *>(MemCreate(2, "t"));
    uint8_t *p = static_cast<uint8_t *>(MemCreate(6, "t"));
    idx[0] = 0, idx[1] = 1;
    const uint8_t colours[6] = {255, 0, 0, 0, 0, 255};
    memcpy(p, colours, 6);
    FILEINFO fi{};
    XImage *im = ImageCreateFromData(idx, p, 2, 1, 2, "t", &fi);
    MemFree(idx, "t");
    ASSERT_NE(im, nullptr);
    EXPECT_EQ(im->bitmap_pad, 8);
    EXPECT_EQ(ServerPixel(im, 0, 0), red.pixel);
    EXPECT_EQ(ServerPixel(im, 1, 0), blue.pixel);
    IoFreeRecord(&fi, "t");

    // RGB image reduced into an 8-bit display image.
    FILEINFO rgb{};
    rgb.w = 4, rgb.h = 1, rgb.bit = 24;
    const uint8_t src[12] = {255, 0, 0, 250, 5, 0, 0, 0, 255, 0, 10, 240};
    ASSERT_EQ(WinCreateXImage(nullptr, &rgb, 8), 0);
    ASSERT_EQ(Reduce24to8(src, &rgb), 0);
    for (int x = 0; x < 4; x++)
        EXPECT_EQ(ServerPixel(rgb.ximage, x, 0), x < 2 ? red.pixel : blue.pixel) << x;
    IoFreeRecord(&rgb, "t");
}

TEST(DisplayShift, HighBitAndShiftsFromMasks) {
    EXPECT_EQ(GetPosHighBit(0), -1);
    EXPECT_EQ(GetPosHighBit(1), 0);
    EXPECT_EQ(GetPosHighBit(0xF800), 15);
    EXPECT_EQ(GetPosHighBit(0x80000000ul), 31);
    Setup16ShiftMasks(0x7C00, 0x3E0, 0x1F); // 5-5-5
    EXPECT_EQ((std::vector<int>{Rshift, Gshift, Bshift}), (std::vector<int>{-7, -2, 3}));
    EXPECT_EQ(ImagePadForDepth(4), 0);
    EXPECT_EQ(ImagePadForDepth(15), 16);
}

TEST_F(Display24, FullOpenKeepsPathSizeAndAViewSizedImage) {
    WINDAT view = View(100, 50);
    std::string path = DataPath("col-160x120.jpg");
    FILEREQ req{};
    req.path = path.c_str();
    req.view = &view;
    req.ctx = &view;
    req.render = IoRenderView;
    FILEINFO fi;
    ASSERT_NE(IoReadFile(&req, &fi, IO_READ_FULL), nullptr);
    EXPECT_STREQ(fi.fname, path.c_str());
    struct stat st;
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(fi.fsize, st.st_size);
    EXPECT_EQ(fi.w, 160);
    ASSERT_NE(fi.ximage, nullptr);
    EXPECT_EQ(fi.ximage->width, 100);
    EXPECT_EQ(fi.ximage->height, 50);
    IoFreeRecord(&fi, "t");
    // A probe makes no display image and keeps no path.
    ASSERT_NE(IoReadFile(&req, &fi, IO_READ_PROBE), nullptr);
    EXPECT_EQ(fi.ximage, nullptr);
    EXPECT_EQ(fi.fname, nullptr);
    IoFreeRecord(&fi, "t");
}
