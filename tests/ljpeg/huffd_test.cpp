#include "ljpeg/decomp.h"

#include "ljpeg/ljpeg_testutil.h"

#include <gtest/gtest.h>

struct LjResult {
    int rc;
    std::vector<uint16_t> out;
    std::string err;
};

static LjResult LjDecode(const std::vector<uint8_t> &s, size_t samples) {
    LjResult r{0, std::vector<uint16_t>(samples), ""};
    LJPEGINFO info;
    testing::internal::CaptureStderr();
    r.rc = decompFrame(s.data(), s.size(), r.out.data(), r.out.size(), &info);
    r.err = testing::internal::GetCapturedStderr();
    return r;
}

static std::vector<size_t> Markers(const std::vector<uint8_t> &s, int lo, int hi) {
    std::vector<size_t> at;
    for (size_t i = 0; i + 1 < s.size(); i++)
        if (s[i] == 0xFF && s[i + 1] >= lo && s[i + 1] <= hi) at.push_back(i);
    return at;
}

static size_t EntropyStart(const std::vector<uint8_t> &s) {
    return Markers(s, 0xDA, 0xDA).at(0) + 10;
}

// Intervals of a row, of less and of more than a row, and of lengths the width does not divide:
// the predictor restarts at each one, across components too, and markers wrap from D7 to D0.
TEST(LjpegRestart, IntervalsOfAnyLengthRestartThePredictor) {
    const int w = 10, h = 12;
    for (int comps : {1, 3})
        for (int psv = 1; psv <= 7; psv++)
            for (int interval : {10, 7, 23, 1, 20}) {
                SCOPED_TRACE(std::to_string(comps) + " psv " + std::to_string(psv) + " interval " +
                             std::to_string(interval));
                std::vector<uint16_t> img = LjImage(w, h, comps, 12, psv * 31 + interval);
                LjEncodeParams p;
                p.width = w, p.height = h, p.comps = comps, p.precision = 12, p.psv = psv;
                p.restart = interval;
                std::vector<uint8_t> s = LjEncode(img, p);
                std::vector<size_t> rst = Markers(s, 0xD0, 0xD7);
                ASSERT_EQ(rst.size(), size_t((w * h - 1) / interval));
                if (rst.size() > 8) {
                    ASSERT_EQ(s[rst[8] + 1], 0xD0);
                }
                LjResult r = LjDecode(s, img.size());
                EXPECT_EQ(r.rc, LJPEG_OK);
                EXPECT_EQ(r.out, img);
                EXPECT_EQ(r.err, "");
            }
}

// A lost interval (its marker and data): the marker found is ahead of the expected one, that
// row decodes from zero bits and later rows still land in place. A stale marker (behind the
// expected one) and its bytes are skipped, and nothing is lost.
TEST(LjpegRestart, MarkersOutOfOrderResynchronise) {
    const int w = 16, h = 12;
    std::vector<uint16_t> img = LjImage(w, h, 1, 16, 3);
    LjEncodeParams p;
    p.width = w, p.height = h, p.precision = 16, p.psv = 6, p.restart = w;
    const std::vector<uint8_t> s = LjEncode(img, p);
    const std::vector<size_t> rst = Markers(s, 0xD0, 0xD7);

    std::vector<uint8_t> lost = s;
    lost.erase(lost.begin() + rst[3], lost.begin() + rst[4]); // RST3 and row 4
    LjResult r = LjDecode(lost, img.size());
    EXPECT_EQ(r.rc, LJPEG_DAMAGED);
    EXPECT_NE(r.err.find("dravik: Error: Corrupt JPEG data.  Exiting...\n"), std::string::npos);
    for (int y = 0; y < h; y++)
        EXPECT_EQ(std::equal(img.begin() + y * w, img.begin() + (y + 1) * w, r.out.begin() + y * w),
                  y != 4)
            << "row " << y;

    std::vector<uint8_t> stale = s;
    const uint8_t junk[] = {0xFF, 0xD7, 0x12, 0x34, 0xFF, 0x00, 0x56};
    stale.insert(stale.begin() + rst[1], std::begin(junk), std::end(junk));
    r = LjDecode(stale, img.size());
    EXPECT_EQ(r.rc, LJPEG_DAMAGED);
    EXPECT_EQ(r.out, img);
}

// Wide 16-bit jumps need codes of up to 16 bits, a difference of exactly 32768 and 0xFF data
// bytes (stuffed as FF 00); the two tables come from one DHT segment.
TEST(LjpegEntropy, StuffedBytesLongCodesAndTwoTablesInOneDht) {
    const int w = 23, h = 9;
    std::vector<uint16_t> img(size_t(w) * h * 2);
    uint32_t x = 77;
    for (auto &v : img)
        v = uint16_t((x = x * 1103515245u + 12345u) >> 8);
    img[5] = 0, img[7] = 0x8000;
    LjEncodeParams p;
    p.width = w, p.height = h, p.comps = 2, p.precision = 16, p.psv = 7;
    p.tables = {LjTableFlat(), LjTableLong()};
    p.compTable = {1, 0};
    std::vector<uint8_t> s = LjEncode(img, p);
    ASSERT_EQ(Markers(s, 0xC4, 0xC4).size(), 1u);
    ASSERT_FALSE(Markers(s, 0x00, 0x00).empty());
    LjResult r = LjDecode(s, img.size());
    EXPECT_EQ(r.rc, LJPEG_OK);
    EXPECT_EQ(r.out, img);
}

// Every cut of a stream decodes without reading past it: header cuts fail, entropy cuts complete
// the frame from zero bits and say so.
TEST(LjpegEntropy, TruncatedStreamsNeverOverrun) {
    const std::vector<uint8_t> full = ReadFileBytes(LjDataDir() + "sv4-u16-edges.ljp");
    const size_t n = 24 * 16, headerEnd = EntropyStart(full);
    for (size_t len = 0; len < full.size(); len++) {
        // An exact-size heap copy, so the sanitizer sees any read past the end.
        LjResult r = LjDecode(std::vector<uint8_t>(full.begin(), full.begin() + len), n);
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
    for (size_t i = EntropyStart(s); i + 3 < s.size(); i += 2)
        s[i] = 0xFF, s[i + 1] = 0x00;
    LjResult r = LjDecode(s, 30 * 20);
    EXPECT_EQ(r.rc, LJPEG_DAMAGED);
    const std::string line = "dravik: Corrupt JPEG data: bad Huffman code\n";
    size_t first = r.err.find(line);
    ASSERT_NE(first, std::string::npos);
    EXPECT_EQ(r.err.find(line, first + 1), std::string::npos);
}
