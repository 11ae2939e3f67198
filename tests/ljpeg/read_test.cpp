#include "ljpeg/decomp.h"
#include "ljpeg/read.h"

#include "ljpeg/ljpeg_testutil.h"

#include <gtest/gtest.h>

// A small valid stream and the offsets of its segments.
static std::vector<uint8_t> SmallStream(int comps = 1) {
    LjEncodeParams p;
    p.width = 6, p.height = 4, p.comps = comps;
    return LjEncode(LjImage(6, 4, comps, 8, 1), p);
}
static const size_t kDht = 2, kSof = 2 + 38;

static int DecodeMessage(const std::vector<uint8_t> &s, std::string *err) {
    std::vector<uint16_t> out(64, 0);
    LJPEGINFO info;
    testing::internal::CaptureStderr();
    int rc = decompFrame(s.data(), s.size(), out.data(), out.size(), &info);
    *err = testing::internal::GetCapturedStderr();
    return rc;
}

struct BadHeaderCase {
    const char *what;
    void (*edit)(std::vector<uint8_t> &);
    int rc;
    const char *message;
};

// Damaged or unsupported headers: each gives its code and its line on stderr, and no crash.
TEST(LjpegHeaders, BadSegmentsGiveTheirMessage) {
    const BadHeaderCase cases[] = {
        {"no SOI", [](std::vector<uint8_t> &s) { s[1] = 0xD9; }, LJPEG_ERR_FORMAT,
         "dravik: Not a JPEG file. Found FF D9\n"},
        {"progressive SOF", [](std::vector<uint8_t> &s) { s[kSof + 1] = 0xC2; }, LJPEG_ERR_FORMAT,
         "dravik: Unsupported SOF marker type 0xc2\n"},
        {"DHT counts above 256",
         [](std::vector<uint8_t> &s) {
             for (int l = 1; l <= 16; l++)
                 s[kDht + 4 + l] = 17;
         },
         LJPEG_ERR_DATA, "dravik: Bogus DHT counts\n"},
        {"DHT counts beyond the code space",
         [](std::vector<uint8_t> &s) {
             s[kDht + 4 + 1] = 2, s[kDht + 4 + 2] = 1, s[kDht + 4 + 5] = 14;
         },
         LJPEG_ERR_DATA, "dravik: Bogus DHT counts\n"},
        {"DHT index out of range", [](std::vector<uint8_t> &s) { s[kDht + 4] = 0x05; },
         LJPEG_ERR_DATA, "dravik: Bogus DHT index 5\n"},
        {"undefined table", [](std::vector<uint8_t> &s) { s[kSof + 13 + 6] = 0x20; },
         LJPEG_ERR_DATA, "dravik: Error: Use of undefined Huffman table\n"},
        {"precision 17", [](std::vector<uint8_t> &s) { s[kSof + 4] = 17; }, LJPEG_ERR_FORMAT,
         "dravik: Unsupported JPEG data precision\n"},
        {"zero height", [](std::vector<uint8_t> &s) { s[kSof + 5] = 0, s[kSof + 6] = 0; },
         LJPEG_ERR_FORMAT, "dravik: Empty JPEG image (DNL not supported)\n"},
        {"subsampled component", [](std::vector<uint8_t> &s) { s[kSof + 11] = 0x21; },
         LJPEG_ERR_FORMAT, "dravik: Error: Downsampling is not supported.\n"},
        {"SOS naming no component", [](std::vector<uint8_t> &s) { s[kSof + 13 + 5] = 9; },
         LJPEG_ERR_DATA, "dravik: Invalid component number in SOS\n"},
        {"SOS length", [](std::vector<uint8_t> &s) { s[kSof + 13 + 3] = 9; }, LJPEG_ERR_DATA,
         "dravik: Bogus SOS length\n"},
        {"point transform as wide as the samples",
         [](std::vector<uint8_t> &s) { s[kSof + 13 + 9] = 8; }, LJPEG_ERR_FORMAT,
         "dravik: Bogus point transform 8 for precision 8\n"},
        {"no scan", [](std::vector<uint8_t> &s) { s[kSof + 13 + 1] = 0xD9; }, LJPEG_ERR_DATA,
         "dravik: File(JPEG) is empty\n"},
    };
    for (const BadHeaderCase &c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<uint8_t> s = SmallStream();
        ASSERT_EQ(s[kSof + 1], 0xC3);
        ASSERT_EQ(s[kSof + 14], 0xDA);
        c.edit(s);
        std::string err;
        EXPECT_EQ(DecodeMessage(s, &err), c.rc);
        EXPECT_NE(err.find(c.message), std::string::npos) << err;
    }
}

// Segments the decoder does not need are stepped over by their length; a DQT segment is
// reported as the sign of a lossy stream, and stray RST or TEM markers are noted.
TEST(LjpegHeaders, ForeignSegmentsAreSkippedOrReported) {
    std::vector<uint8_t> s = SmallStream();
    const uint8_t extra[] = {0xFF, 0xE1, 0x00, 0x06, 0xFF, 0xD9, 0xFF, 0xC2, // APP1 hiding markers
                             0xFF, 0xD3, 0xFF, 0x01, 0xFF, 0xDB, 0x00, 0x02};
    s.insert(s.begin() + kSof, std::begin(extra), std::end(extra));
    std::string err;
    EXPECT_EQ(DecodeMessage(s, &err), LJPEG_OK);
    EXPECT_NE(err.find("dravik: Warning: unexpected marker 0xd3\n"), std::string::npos);
    EXPECT_NE(err.find("dravik: Warning: unexpected marker 0x01\n"), std::string::npos);
    EXPECT_NE(err.find("dravik: Not a lossless JPEG file.\n"), std::string::npos);
}

// Frames of more components than a pixel record holds, and segments that claim more bytes than
// the stream has, are refused.
TEST(LjpegHeaders, OversizedClaimsAreRefused) {
    std::vector<uint8_t> s = SmallStream();
    std::vector<uint8_t> five = s;
    five[kSof + 3] = 8 + 15, five[kSof + 9] = 5;
    std::string err;
    EXPECT_EQ(DecodeMessage(five, &err), LJPEG_ERR_FORMAT);
    EXPECT_NE(err.find("Unsupported number of components 5"), std::string::npos);

    std::vector<uint8_t> longDht = s;
    longDht[kDht + 2] = 0x7F;
    EXPECT_EQ(DecodeMessage(longDht, &err), LJPEG_ERR_DATA);
    EXPECT_NE(err.find("Premature end of JPEG data"), std::string::npos);
}

// A two-byte field with one byte left ends the data instead of reading past it.
TEST(LjpegHeaders, TwoByteReadNeedsTwoBytes) {
    const uint8_t bytes[] = {0x12, 0x34};
    DecompressInfo dc{};
    dc.data = bytes;
    dc.len = 1;
    EXPECT_EQ(Get2bytes(&dc), -1);
    EXPECT_EQ(dc.pos, 1u);
    dc.len = 2, dc.pos = 0;
    EXPECT_EQ(Get2bytes(&dc), 0x1234);
    EXPECT_EQ(dc.pos, 2u);
    // A frame header of three components with seven of their nine bytes ends the data too.
    const uint8_t sof[] = {0, 17, 8, 0, 4, 0, 6, 3, 1, 0x11, 0, 2, 0x11, 0, 3};
    DecompressInfo frame{};
    frame.data = sof;
    frame.len = sizeof sof;
    testing::internal::CaptureStderr();
    EXPECT_EQ(GetSof(&frame, 0xC3), LJPEG_ERR_DATA);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("Premature end of JPEG data"),
              std::string::npos);
}
