#include "image/io_levels.h"

#include "image/image_testutil.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <thread>

// A zone plate: rings whose frequency grows outwards, the picture point sampling aliases.
static uint8_t Zone(int x, int y, int c) {
    double r2 = static_cast<double>(x) * x + static_cast<double>(y) * y;
    return static_cast<uint8_t>(std::lround(127.5 + 127.5 * std::cos(r2 * 0.0021 + c)));
}

static FILEINFO Record(int w, int h, int bit) {
    FILEINFO fi{};
    fi.w = w, fi.h = h, fi.bit = bit, fi.frames = 1;
    int comps = bit == 24 ? 3 : 1;
    fi.fbuf = static_cast<uint8_t *>(MemCreate(static_cast<long>(w) * h * comps, "test"));
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++)
            for (int c = 0; c < comps; c++)
                fi.fbuf[(static_cast<size_t>(y) * w + x) * comps + c] = Zone(x, y, c);
    return fi;
}

// The exact box filter over [xs[i], xs[i+1]) x [ys[j], ys[j+1]) of component c, as RGB.
static int Exact(const FILEINFO &fi, const std::vector<int> &xs, const std::vector<int> &ys, int i,
                 int j, int c, const uint16_t *map) {
    int comps = fi.bit == 24 ? 3 : 1;
    double sum = 0;
    for (int y = ys[j]; y < ys[j + 1]; y++)
        for (int x = xs[i]; x < xs[i + 1]; x++) {
            int v = fi.fbuf[(static_cast<size_t>(y) * fi.w + x) * comps + (comps == 3 ? c : 0)];
            sum += map ? (map[v] >> 8) : v;
        }
    return static_cast<int>(std::lround(sum / ((xs[i + 1] - xs[i]) * (ys[j + 1] - ys[j]))));
}

// At 25 % of a picture whose sides are multiples of 4 every span is one pixel of the 4x level:
// the exact box filter within rounding. At other zooms spans cut level pixels, which are weighted
// by the share they cover: still far nearer the box filter than point sampling.
TEST(ImageLevels, BoxMeansMatchAnExactBoxFilterForColourGreyAndPalette) {
    for (int kind : {24, 8, 3}) { // colour, grey shades, palette
        SCOPED_TRACE(kind);
        FILEINFO fi = Record(804, 600, kind == 24 ? 24 : 8);
        if (kind == 3) { // a palette that reverses the shades: means must be of colours
            fi.maptyp = MAPTYP_PALETTE;
            fi.mapentry = 256;
            fi.rmap = static_cast<uint16_t *>(MemCreate(512, "test"));
            fi.gmap = static_cast<uint16_t *>(MemCreate(512, "test"));
            fi.bmap = static_cast<uint16_t *>(MemCreate(512, "test"));
            for (int i = 0; i < 256; i++)
                fi.rmap[i] = fi.gmap[i] = fi.bmap[i] = static_cast<uint16_t>((255 - i) << 8);
        } else if (kind == 8) {
            fi.maptyp = MAPTYP_GREY;
        }
        ASSERT_EQ(ImageLevelsBuildNow(&fi, 0), FILE_SUCCES);
        for (int zoom : {25, 30, 7}) {
            SCOPED_TRACE(zoom);
            int zw = fi.w * zoom / 100, zh = fi.h * zoom / 100, ow = zw - 3, oh = zh - 2;
            int sx = zoom == 25 ? 0 : 3, sy = zoom == 25 ? 0 : 2;
            std::vector<int> xs(static_cast<size_t>(ow) + 1), ys(static_cast<size_t>(oh) + 1);
            for (int i = 0; i <= ow; i++)
                xs[static_cast<size_t>(i)] =
                    static_cast<int>(static_cast<long>(i + sx) * fi.w / zw);
            for (int j = 0; j <= oh; j++)
                ys[static_cast<size_t>(j)] =
                    static_cast<int>(static_cast<long>(j + sy) * fi.h / zh);
            std::vector<uint8_t> out(static_cast<size_t>(ow) * oh * 3);
            int grey = -1;
            ASSERT_EQ(ImageLevelsBox(&fi, xs.data(), ow, ys.data(), oh, out.data(), &grey),
                      FILE_SUCCES);
            EXPECT_EQ(grey, kind == 8 ? 1 : 0);
            int comps = grey ? 1 : 3, worst = 0;
            double err = 0, point = 0;
            const uint16_t *map = kind == 3 ? fi.rmap : nullptr;
            for (int j = 0; j < oh; j++)
                for (int i = 0; i < ow; i++)
                    for (int c = 0; c < comps; c++) {
                        int want = Exact(fi, xs, ys, i, j, c, map);
                        int got = out[(static_cast<size_t>(j) * ow + i) * comps + c];
                        size_t at = static_cast<size_t>(ys[j]) * fi.w + xs[i];
                        int v = fi.fbuf[at * (fi.bit == 24 ? 3 : 1) + (fi.bit == 24 ? c : 0)];
                        worst = std::max(worst, std::abs(got - want));
                        err += std::abs(got - want);
                        point += std::abs((map ? map[v] >> 8 : v) - want);
                    }
            if (zoom == 25)
                EXPECT_LE(worst, 2);
            else
                EXPECT_LT(err * 3, point) << err / (ow * oh * comps);
        }
        IoFreeRecord(&fi, "test");
    }
}

TEST(ImageLevels, LevelsThreadReportsWhenReadyAndADropStopsIt) {
    FILEINFO fi = Record(1500, 1000, 24);
    static std::atomic<int> called;
    called = 0;
    auto done = [](void *, const std::atomic<int> *) { called++; };
    ASSERT_EQ(ImageLevelsStart(&fi, 0, done, nullptr), FILE_SUCCES);
    EXPECT_EQ(ImageLevelsFrame(&fi), 0);
    for (int i = 0; i < 500 && !ImageLevelsReady(&fi, 0); i++)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_TRUE(ImageLevelsReady(&fi, 0));
    for (int i = 0; i < 500 && called.load() == 0; i++)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    EXPECT_EQ(called.load(), 1);
    EXPECT_FALSE(ImageLevelsReady(&fi, 1));
    // Starts dropped at once, and a record freed while its levels are built, end cleanly.
    for (int i = 0; i < 5; i++)
        ImageLevelsStart(&fi, 0, done, nullptr);
    IoFreeRecord(&fi, "test");
    EXPECT_EQ(fi.levels, nullptr);
    EXPECT_LE(called.load(), 6);
}
