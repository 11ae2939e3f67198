// Sample layouts, the grey range and its window, palette tables, RLE segments and frame
// location, on hand-made data sets.
#include <gtest/gtest.h>

#include "dicom/dicom_test_util.h"
#include "dicom/io_dcm4.h"

#include <cmath>
#include <string>

using namespace dcmtest;

namespace {

struct Mono {
    int rows = 1, cols = 4, ba = 16, bs = 16, hb = 15, rep = 0, frames = 0;
    std::string pi = "MONOCHROME2";
    std::vector<uint8_t> extra;
};

// An implicit-VR file of the given layout holding `pixels` as its pixel data.
TempFile MonoFile(const Mono &m, const std::string &pixels) {
    DataSet d;
    d.Implicit(0x0008, 0x0060, "OT");
    d.ImplicitUS(0x0028, 0x0002, 1);
    d.Implicit(0x0028, 0x0004, m.pi);
    if (m.frames) d.Implicit(0x0028, 0x0008, std::to_string(m.frames));
    d.ImplicitUS(0x0028, 0x0010, uint16_t(m.rows));
    d.ImplicitUS(0x0028, 0x0011, uint16_t(m.cols));
    d.ImplicitUS(0x0028, 0x0100, uint16_t(m.ba));
    d.ImplicitUS(0x0028, 0x0101, uint16_t(m.bs));
    d.ImplicitUS(0x0028, 0x0102, uint16_t(m.hb));
    d.ImplicitUS(0x0028, 0x0103, uint16_t(m.rep));
    d.b.insert(d.b.end(), m.extra.begin(), m.extra.end());
    d.PadTo(1100);
    d.Implicit(0x7FE0, 0x0010, pixels);
    return TempFile(d.b);
}

std::string Words16(std::initializer_list<int> v) {
    std::string s;
    for (int x : v)
        s += char(x & 0xFF), s += char((x >> 8) & 0xFF);
    return s;
}

std::vector<int> Shown(const TempFile &f) {
    DicomRead r(f.path);
    EXPECT_EQ(100, r.result);
    if (!r.fi.fbuf) return {};
    return std::vector<int>(r.fi.fbuf, r.fi.fbuf + long(r.fi.w) * r.fi.h * r.fi.frames);
}

} // namespace

// The min-max rule over 12 bits, constant and empty images, 32 bits, MONOCHROME1, several
// frames; eight signed bits whose maximum is 0 take the fallback maximum 255.
TEST(DicomGrey, RangeOfTheStoredValuesBecomesBlackToWhite) {
    std::string px32;
    for (int32_t v : {-100000, 0, 100000})
        for (int k = 0; k < 4; k++)
            px32 += char((uint32_t(v) >> (8 * k)) & 0xFF);
    const struct {
        int ba, bs, rep, cols, frames;
        const char *pi;
        std::string px;
        std::vector<int> want;
    } cases[] = {
        {16, 12, 0, 4, 0, "MONOCHROME2", Words16({0, 2047, 4095, 1024}), {0, 127, 255, 63}},
        {16, 16, 0, 4, 0, "MONOCHROME2", Words16({7, 7, 7, 7}), {255, 255, 255, 255}},
        {16, 16, 0, 4, 0, "MONOCHROME2", Words16({0, 0, 0, 0}), {0, 0, 0, 0}},
        {8,
         8,
         1,
         4,
         0,
         "MONOCHROME2",
         std::string("\x80\x80\x80\x00", 4),
         {0, 0, 0, 255 * 128 / 383}},
        {32, 32, 1, 3, 0, "MONOCHROME2", px32, {0, 127, 255}},
        {16, 16, 0, 4, 0, "MONOCHROME1", Words16({10, 20, 15, 10}), {255, 0, 128, 255}},
        {16, 16, 0, 2, 2, "MONOCHROME2", Words16({0, 100, 500, 1000}), {0, 25, 127, 255}},
    };
    for (const auto &c : cases) {
        Mono m;
        m.ba = c.ba, m.bs = c.bs, m.hb = c.bs - 1, m.rep = c.rep, m.cols = c.cols;
        m.frames = c.frames, m.pi = c.pi;
        EXPECT_EQ(c.want, Shown(MonoFile(m, c.px))) << c.pi << " " << c.bs;
    }
}

TEST(DicomGrey, StoredValueIsShiftedMaskedAndSignExtended) {
    struct Case {
        int bs, hb, rep, word;
        uint32_t pattern;
    } cases[] = {
        {16, 15, 0, 0xABCD, 0xABCD},
        {12, 15, 0, 0xABC0 | 0x000F, 0xABC}, // shift 4, low bits dropped
        {12, 11, 0, 0xF123, 0x123},          // bits above High Bit masked
        {12, 11, 1, 0x0800, 0x800},          // -2048 keeps its 12-bit pattern
    };
    for (const Case &c : cases) {
        Mono m;
        m.bs = c.bs, m.hb = c.hb, m.rep = c.rep, m.cols = 1;
        TempFile f = MonoFile(m, Words16({c.word}));
        FILEREQ req{};
        FILEINFO fi{};
        IoRequestInit(&req, f.path.c_str());
        DICOMSAMPLES s;
        ASSERT_EQ(100, IsFileDicom(&req, &fi, 0));
        ASSERT_EQ(100, IoReadDicomRaw(&req, &fi, &s));
        EXPECT_EQ(c.pattern, s.s16[0]) << std::hex << c.word;
        EXPECT_EQ(c.rep ? -2048 : int(c.pattern), DicomSampleValue(s.s16[0], s.bits, s.sign));
        DicomDataRelease(&fi);
    }
}

TEST(DicomGrey, UnsupportedBitsAllocatedIsRefused) {
    Mono m;
    m.ba = 12, m.bs = 12, m.hb = 11;
    testing::internal::CaptureStderr();
    DicomRead r(MonoFile(m, Words16({1, 2, 3, 4})).path);
    EXPECT_NE(std::string::npos, testing::internal::GetCapturedStderr().find("12 bits allocated"));
    EXPECT_EQ(-111, r.result);
}

TEST(DicomGrey, RescaledValuesAreWindowedInHounsfieldUnits) {
    // Slope 1, intercept -1024, window -1000..1000: a raw sample r sits r - 24 above the
    // window's bottom, so r = 24 is black, r = 2024 white, and below or above clamp.
    Mono m;
    DataSet rescale;
    rescale.Implicit(0x0028, 0x1052, "-1024 ").Implicit(0x0028, 0x1053, "1 ");
    m.extra = rescale.b;
    HounsfieldScope hs(1, -1000, 1000);
    EXPECT_EQ((std::vector<int>{0, 0, 127, 255}),
              Shown(MonoFile(m, Words16({0, 24, 24 + 1000, 3000}))));
    HounsfieldScope off(0, -1000, 1000);
    EXPECT_EQ((std::vector<int>{0, 2, 87, 255}),
              Shown(MonoFile(m, Words16({0, 24, 24 + 1000, 3000}))));
}

TEST(DicomPalette, CountZeroMeansAllSixteenBitIndices) {
    Mono m;
    m.pi = "PALETTE COLOR";
    m.cols = 3;
    DataSet pal;
    std::string table;
    for (int i = 0; i < 65536; i++)
        table += char(i & 0xFF), table += char(i >> 8);
    for (uint16_t e : {0x1101, 0x1102, 0x1103})
        pal.Implicit(0x0028, e, Words16({0, 0, 16}));
    for (uint16_t e : {0x1201, 0x1202, 0x1203})
        pal.Implicit(0x0028, e, table);
    m.extra = pal.b;
    DicomRead r(MonoFile(m, Words16({0, 0x1234, 0xFFFF})).path);
    ASSERT_EQ(100, r.result);
    ASSERT_EQ(24, r.fi.bit);
    EXPECT_EQ((std::vector<int>{0, 0, 0, 0x12, 0x12, 0x12, 0xFF, 0xFF, 0xFF}),
              std::vector<int>(r.fi.fbuf, r.fi.fbuf + 9));
}

TEST(DicomPalette, PackedEightBitTableAndClampedIndices) {
    Mono m;
    m.pi = "PALETTE COLOR";
    m.ba = m.bs = 8, m.hb = 7, m.cols = 4;
    DataSet pal;
    for (uint16_t e : {0x1101, 0x1102, 0x1103})
        pal.Implicit(0x0028, e, Words16({4, 100, 8}));
    for (uint16_t e : {0x1201, 0x1202, 0x1203})
        pal.Implicit(0x0028, e, "\x10\x20\x30\x40"); // one byte per entry
    m.extra = pal.b;
    DicomRead r(MonoFile(m, std::string("\x05\x64\x66\xC8", 4)).path);
    ASSERT_EQ(100, r.result);
    ASSERT_EQ(8, r.fi.bit);
    EXPECT_EQ(4, r.fi.mapentry);
    EXPECT_EQ((std::vector<int>{0, 0, 2, 3}), std::vector<int>(r.fi.fbuf, r.fi.fbuf + 4));
    EXPECT_EQ(0x3030, r.fi.rmap[2]);
}

TEST(DicomFrames, OffsetTableThenEoiThenOneFragmentEach) {
    // Fragments at file offsets 8, 24, 40, 56 (each 8 bytes behind its item tag).
    std::vector<uint8_t> buf(80, 0);
    std::vector<DICOMFRAG> frags = {{8, 8}, {24, 8}, {40, 8}, {56, 8}};
    buf[8 + 6] = 0xFF, buf[8 + 7] = 0xD9;   // fragment 0 ends a frame
    buf[40 + 5] = 0xFF, buf[40 + 6] = 0xD9; // fragment 2 too, with one byte of padding
    std::vector<DICOMFRAG> spans;
    // Table: frames at fragments 0 and 2 (item offsets 0 and 32).
    DicomFramesLocate(buf.data(), {0, 32}, frags, 2, true, &spans);
    EXPECT_EQ(0, spans[0].offset);
    EXPECT_EQ(2, spans[0].length);
    EXPECT_EQ(2, spans[1].offset);
    EXPECT_EQ(2, spans[1].length);
    // No table: fragments joined up to each EOI, what is left forms the last frame.
    DicomFramesLocate(buf.data(), {}, frags, 3, true, &spans);
    EXPECT_EQ(1, spans[0].length);
    EXPECT_EQ(1, spans[1].offset);
    EXPECT_EQ(2, spans[1].length);
    EXPECT_EQ(3, spans[2].offset);
    EXPECT_EQ(1, spans[2].length);
    // A table that points between items is ignored.
    DicomFramesLocate(buf.data(), {0, 20}, frags, 2, false, &spans);
    EXPECT_EQ(1, spans[0].length);
    EXPECT_EQ(1, spans[1].offset);
    // One frame takes every fragment; a claim of more frames than fragments gets one frame per
    // fragment, whatever number the header gives.
    DicomFramesLocate(buf.data(), {}, frags, 1, true, &spans);
    EXPECT_EQ(4, spans[0].length);
    for (int claim : {6, 2147483647}) {
        DicomFramesLocate(buf.data(), {0, 1, 2, 3, 4, 5}, frags, claim, false, &spans);
        ASSERT_EQ(4u, spans.size());
        EXPECT_EQ(3, spans[3].offset);
        EXPECT_EQ(1, spans[3].length);
    }
}
