#include <gtest/gtest.h>

#include "image/image_testutil.h"
#include "render/reduce8a.h"

#include <set>

namespace {

struct Reduced {
    std::vector<uint8_t> idx;
    uint8_t pal[256 * 3];
};

Reduced Reduce(const std::vector<uint8_t> &rgb, int w, int h, int ncolors) {
    Reduced r;
    FILEINFO fi{};
    fi.w = w, fi.h = h, fi.bit = 24;
    uint8_t *out = gbm_mcut(rgb.data(), r.pal, ncolors, 1, &fi);
    if (out) {
        r.idx.assign(out, out + w * h);
        MemFree(out, "t");
    }
    return r;
}

// One pixel at the end; push_back rather than a list insert, which g++ 12 misjudges at -O3.
void Push(std::vector<uint8_t> *rgb, int r, int g, int b) {
    rgb->push_back(static_cast<uint8_t>(r));
    rgb->push_back(static_cast<uint8_t>(g));
    rgb->push_back(static_cast<uint8_t>(b));
}

void ExpectEntry(const uint8_t *pal, int i, int r, int g, int b) {
    EXPECT_EQ(pal[3 * i], r) << "entry " << i;
    EXPECT_EQ(pal[3 * i + 1], g) << "entry " << i;
    EXPECT_EQ(pal[3 * i + 2], b) << "entry " << i;
}

} // namespace

TEST(MedianCut, SingleColourGivesOneBoxAtItsGridCentre) {
    std::vector<uint8_t> rgb;
    for (int i = 0; i < 12; i++)
        Push(&rgb, 200, 100, 50);
    Reduced r = Reduce(rgb, 4, 3, 255);
    ASSERT_EQ(r.idx.size(), 12u);
    // 200 >> 3 = 25: box [25, 26) has centre (25 + 26) * 4 = 204; likewise 100 and 52.
    ExpectEntry(r.pal, 0, 204, 100, 52);
    for (int i = 1; i < 256; i++)
        ExpectEntry(r.pal, i, 128, 128, 128);
    for (uint8_t v : r.idx)
        EXPECT_EQ(v, 0);
}

TEST(MedianCut, ColoursDifferingInBlueOnlySplitAlongBlue) {
    std::vector<uint8_t> rgb;
    for (int i = 0; i < 3; i++)
        Push(&rgb, 100, 100, 10);
    Push(&rgb, 100, 100, 200);
    Reduced r = Reduce(rgb, 2, 2, 255);
    // The larger box comes first.
    ExpectEntry(r.pal, 0, 100, 100, 12);
    ExpectEntry(r.pal, 1, 100, 100, 204);
    ExpectEntry(r.pal, 2, 128, 128, 128);
    EXPECT_EQ(r.idx, (std::vector<uint8_t>{0, 0, 0, 1}));
}

TEST(MedianCut, ManyColoursUseAtMost255EntriesAndKeepTheLastGrey) {
    const int w = 64, h = 64;
    std::vector<uint8_t> rgb;
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++)
            Push(&rgb, static_cast<uint8_t>(x * 4), static_cast<uint8_t>(y * 4),
                 static_cast<uint8_t>((x ^ y) * 4));
    Reduced r = Reduce(rgb, w, h, 255);
    ASSERT_EQ(r.idx.size(), static_cast<size_t>(w * h));
    std::set<int> used(r.idx.begin(), r.idx.end());
    EXPECT_EQ(used.size(), 255u);
    EXPECT_EQ(used.count(255), 0u);
    ExpectEntry(r.pal, 255, 128, 128, 128);
    // Each pixel's entry is the centre of a box holding it: within one 5-bit cell and the
    // box's extent; a box never spans more than half the cube after 254 splits.
    long err = 0;
    for (int i = 0; i < w * h; i++)
        for (int c = 0; c < 3; c++)
            err += std::abs(rgb[3 * i + c] - r.pal[3 * r.idx[i] + c]);
    EXPECT_LT(err / (w * h * 3), 24);
}

TEST(MedianCut, ColormapModeNeedsThePaletteState) {
    std::vector<uint8_t> rgb(3 * 4, 9);
    uint8_t pal[256 * 3];
    FILEINFO fi{};
    fi.w = 2, fi.h = 2;
    REDUCEPAL *saved = reduce_pal;
    reduce_pal = nullptr;
    EXPECT_EQ(gbm_mcut(rgb.data(), pal, 255, 0, &fi), nullptr);
    EXPECT_EQ(Reduce24to8(rgb.data(), &fi), -24);
    fi.w = 0;
    EXPECT_EQ(gbm_mcut(rgb.data(), pal, 255, 1, &fi), nullptr);
    reduce_pal = saved;
}
