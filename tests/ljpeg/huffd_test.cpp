#include "ljpeg/decomp.h"

#include "ljpeg/ljpeg_testutil.h"

#include <gtest/gtest.h>

#include <algorithm>

struct LjResult {
    int rc;
    std::vector<uint16_t> out;
    std::string err;
};

static LjResult LjDecode(const std::vector<uint8_t> &s, size_t samples) {
    LjResult r;
    r.out.assign(samples, 0);
    LJPEGINFO info;
    testing::internal::CaptureStderr();
    r.rc = decompFrame(s.data(), s.size(), r.out.data(), r.out.size(), &info);
    r.err = testing::internal::GetCapturedStderr();
    return r;
}

static std::vector<size_t> FindMarkers(const std::vector<uint8_t> &s, int lo, int hi) {
    std::vector<size_t> at;
    for (size_t i = 0; i + 1 < s.size(); i++)
        if (s[i] == 0xFF && s[i + 1] >= lo && s[i + 1] <= hi) at.push_back(i);
    return at;
}

// Intervals of a whole row, of less than a row, of more than a row and of a width that does not
// divide them: the predictor restarts at each interval and every sample comes back.
TEST(LjpegRestart, IntervalsOfAnyLengthRestartThePredictor) {
    const int w = 10, h = 12;
    for (int psv = 1; psv <= 7; psv++)
        for (int interval : {10, 7, 23, 1, 20}) {
            SCOPED_TRACE("psv " + std::to_string(psv) + " interval " + std::to_string(interval));
            std::vector<uint16_t> img = LjImage(w, h, 1, 12, psv * 31 + interval);
            LjEncodeParams p;
            p.width = w, p.height = h, p.precision = 12, p.psv = psv, p.restart = interval;
            std::vector<uint8_t> s = LjEncode(img, p);
            ASSERT_EQ(FindMarkers(s, 0xD0, 0xD7).size(), size_t((w * h - 1) / interval));
            LjResult r = LjDecode(s, img.size());
            EXPECT_EQ(r.rc, LJPEG_OK);
            EXPECT_EQ(r.out, img);
            EXPECT_EQ(r.err, "");
        }
}

TEST(LjpegRestart, MarkersWrapFromD7ToD0AcrossComponents) {
    const int w = 5, h = 20;
    std::vector<uint16_t> img = LjImage(w, h, 3, 8, 9);
    LjEncodeParams p;
    p.width = w, p.height = h, p.comps = 3, p.psv = 4, p.restart = w;
    std::vector<uint8_t> s = LjEncode(img, p);
    std::vector<size_t> rst = FindMarkers(s, 0xD0, 0xD7);
    ASSERT_EQ(rst.size(), 19u);
    EXPECT_EQ(s[rst[7] + 1], 0xD7);
    EXPECT_EQ(s[rst[8] + 1], 0xD0);
    LjResult r = LjDecode(s, img.size());
    EXPECT_EQ(r.rc, LJPEG_OK);
    EXPECT_EQ(r.out, img);
}

// A lost interval (data and marker): the next marker is ahead of the expected one, the lost
// row decodes from zero bits, and every later row still lands in its own place.
TEST(LjpegRestart, LostIntervalKeepsLaterRowsAligned) {
    const int w = 16, h = 12;
    std::vector<uint16_t> img = LjImage(w, h, 1, 16, 3);
    LjEncodeParams p;
    p.width = w, p.height = h, p.precision = 16, p.psv = 6, p.restart = w;
    std::vector<uint8_t> s = LjEncode(img, p);
    std::vector<size_t> rst = FindMarkers(s, 0xD0, 0xD7);
    // Drop RST3 and row 4 after it.
    s.erase(s.begin() + rst[3], s.begin() + rst[4]);
    LjResult r = LjDecode(s, img.size());
    EXPECT_EQ(r.rc, LJPEG_DAMAGED);
    EXPECT_NE(r.err.find("Error: Corrupt JPEG data.  Exiting..."), std::string::npos);
    for (int y = 0; y < h; y++) {
        bool same =
            std::equal(img.begin() + y * w, img.begin() + (y + 1) * w, r.out.begin() + y * w);
        EXPECT_EQ(same, y != 4) << "row " << y;
    }
}

// A stale marker (behind the expected one) and the bytes after it are skipped up to the right one.
TEST(LjpegRestart, StaleMarkerIsSkippedUpToTheExpectedOne) {
    const int w = 8, h = 6;
    std::vector<uint16_t> img = LjImage(w, h, 1, 8, 4);
    LjEncodeParams p;
    p.width = w, p.height = h, p.psv = 1, p.restart = 12;
    std::vector<uint8_t> s = LjEncode(img, p);
    std::vector<size_t> rst = FindMarkers(s, 0xD0, 0xD7);
    ASSERT_EQ(s[rst[1] + 1], 0xD1);
    const uint8_t junk[] = {0xFF, 0xD7, 0x12, 0x34, 0xFF, 0x00, 0x56};
    s.insert(s.begin() + rst[1], std::begin(junk), std::end(junk));
    LjResult r = LjDecode(s, img.size());
    EXPECT_EQ(r.rc, LJPEG_DAMAGED);
    EXPECT_EQ(r.out, img);
}

// A 16-bit frame of wide jumps uses long codes (up to 16 bits) and 0xFF data bytes, which the
// encoder stuffs as FF 00; two tables come from one DHT segment.
TEST(LjpegEntropy, StuffedBytesLongCodesAndTwoTablesInOneDht) {
    const int w = 23, h = 9;
    std::vector<uint16_t> img(size_t(w) * h * 2);
    uint32_t x = 77;
    for (auto &v : img) {
        x = x * 1103515245u + 12345u;
        v = static_cast<uint16_t>(x >> 8);
    }
    img[5] = 0, img[7] = 0x8000; // a difference of exactly 32768
    LjEncodeParams p;
    p.width = w, p.height = h, p.comps = 2, p.precision = 16, p.psv = 7;
    p.tables = {LjTableFlat(), LjTableLong()};
    p.compTable = {1, 0};
    std::vector<uint8_t> s = LjEncode(img, p);
    ASSERT_EQ(FindMarkers(s, 0xC4, 0xC4).size(), 1u);
    bool stuffed = false;
    for (size_t i = 0; i + 1 < s.size(); i++)
        stuffed |= s[i] == 0xFF && s[i + 1] == 0;
    ASSERT_TRUE(stuffed);
    LjResult r = LjDecode(s, img.size());
    EXPECT_EQ(r.rc, LJPEG_OK);
    EXPECT_EQ(r.out, img);
}

// Every cut of a stream decodes without reading past it: header cuts fail, entropy cuts complete
// the frame from zero bits and say so.
TEST(LjpegEntropy, TruncatedStreamsNeverOverrun) {
    std::vector<uint8_t> full = LjReadFile(LjDataDir() + "sv4-u16-edges.ljp");
    LJPEGINFO info;
    ASSERT_EQ(decompFrameInfo(full.data(), full.size(), &info), LJPEG_OK);
    const size_t n = size_t(info.width) * info.height;
    size_t headerEnd = FindMarkers(full, 0xDA, 0xDA).at(0) + 2 + 8;
    for (size_t len = 0; len < full.size(); len++) {
        // An exact-size heap copy, so the sanitizer sees any read past the end.
        std::vector<uint8_t> cut(full.begin(), full.begin() + len);
        LjResult r = LjDecode(cut, n);
        if (len < headerEnd) {
            EXPECT_LT(r.rc, 0) << len;
        } else if (len + 40 < full.size()) {
            EXPECT_EQ(r.rc, LJPEG_DAMAGED) << len;
            EXPECT_NE(r.err.find("premature end of data segment"), std::string::npos) << len;
        }
    }
}

TEST(LjpegEntropy, BadCodesAreReportedOnce) {
    LjEncodeParams p;
    p.width = 30, p.height = 20, p.tables = {LjTableLong()};
    std::vector<uint8_t> s = LjEncode(LjImage(30, 20, 1, 8, 2), p);
    // All one bits: the table leaves that code unused at every length.
    for (size_t i = FindMarkers(s, 0xDA, 0xDA).at(0) + 2 + 8; i + 3 < s.size(); i += 2)
        s[i] = 0xFF, s[i + 1] = 0x00;
    LjResult r = LjDecode(s, 30 * 20);
    EXPECT_EQ(r.rc, LJPEG_DAMAGED);
    const std::string line = "dravik: Corrupt JPEG data: bad Huffman code\n";
    size_t first = r.err.find(line);
    ASSERT_NE(first, std::string::npos);
    EXPECT_EQ(r.err.find(line, first + 1), std::string::npos);
}
