// The corner decoder against the whole read: the same pixels, and the files it leaves alone.
#include <gtest/gtest.h>

#include "image/image_testutil.h"

#include "image/io_jpg_corner.h"

#include <algorithm>
#include <cstdlib>

namespace {

// Largest difference between the corner and the same pixels of the whole read, skipping the
// last 16 columns, where the crop's upsampling may see a different neighbour.
int CornerDiff(const char *name, int maxw, int maxh, int *cw, int *ch) {
    FILEINFO fi{};
    std::string path = DataPath(name);
    if (!ReadImage(path, &fi, IO_READ_FULL, 0)) return -1;
    std::vector<uint8_t> rgb;
    if (IoReadJpegCorner(path.c_str(), maxw, maxh, &rgb, cw, ch) != 0) {
        FreeRead(&fi);
        return -2;
    }
    int diff = 0;
    int comps = fi.bit == 24 ? 3 : 1;
    for (int y = 0; y < *ch; y++)
        for (int x = 0; x < *cw - 16; x++)
            for (int c = 0; c < 3; c++) {
                int whole =
                    fi.fbuf[(static_cast<long>(y) * fi.w + x) * comps + (comps == 3 ? c : 0)];
                if (comps == 1 && fi.rmap) whole = fi.rmap[whole] & 0xFF;
                diff = std::max(diff,
                                std::abs(whole - rgb[(static_cast<size_t>(y) * *cw + x) * 3 + c]));
            }
    FreeRead(&fi);
    return diff;
}

} // namespace

TEST(JpegCorner, MatchesTheWholeReadAndIsCutToTheView) {
    int cw = 0, ch = 0;
    // 4:2:0 colour, cut in both directions.
    EXPECT_LE(CornerDiff("dc-420.jpg", 120, 70, &cw, &ch), 1);
    EXPECT_EQ(cw, 120);
    EXPECT_EQ(ch, 70);
    // A view larger than the picture takes the whole picture.
    EXPECT_LE(CornerDiff("dc-grey.jpg", 1000, 1000, &cw, &ch), 1);
    EXPECT_EQ(cw, 203);
    EXPECT_EQ(ch, 141);
}

TEST(JpegCorner, LeavesProgressiveCmykAndForeignFilesToTheWholeRead) {
    std::vector<uint8_t> rgb;
    int w = 0, h = 0;
    for (const char *name : {"col-progressive.jpg", "garbage.bin", "cmyk-adobe.jpg", "damaged.jpg",
                             "cut-jpg-header.jpg"})
        EXPECT_EQ(IoReadJpegCorner(DataPath(name).c_str(), 100, 100, &rgb, &w, &h), -1) << name;
    EXPECT_EQ(IoReadJpegCorner("/nonexistent.jpg", 100, 100, &rgb, &w, &h), -1);

    // A stream cut inside its rows ends in the library's longjmp after the row buffer exists:
    // the sanitizer build sees whether anything is left behind.
    std::string data = ReadWholeFile(DataPath("col-160x120.jpg"));
    ASSERT_FALSE(data.empty());
    std::string cut = ::testing::TempDir() + "corner-cut.jpg";
    ASSERT_TRUE(WriteWholeFile(cut, data.substr(0, data.size() / 2)));
    EXPECT_EQ(IoReadJpegCorner(cut.c_str(), 100, 100, &rgb, &w, &h), -1);
    remove(cut.c_str());
}
