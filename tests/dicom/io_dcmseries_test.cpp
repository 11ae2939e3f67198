// The order of a series walk: Instance Number, then position along the slice normal, then name;
// other orientations last; other series left out.
#include <gtest/gtest.h>

#include "dicom/dicom_test_util.h"
#include "dicom/io_dcmseries.h"

namespace {

DICOMSERIESKEY Key(const std::string &path, long number, double z, bool axial = true,
                   const std::string &uid = "1.2") {
    DICOMSERIESKEY k;
    k.path = path, k.uid = uid;
    k.hasnumber = number >= 0, k.number = number;
    k.haspos = 1, k.pos[2] = z;
    k.hasorient = 1;
    const double ax[6] = {1, 0, 0, 0, 1, 0}, cor[6] = {1, 0, 0, 0, 0, -1};
    for (int i = 0; i < 6; i++)
        k.orient[i] = axial ? ax[i] : cor[i];
    return k;
}

} // namespace

TEST(DicomSeries, NumberThenPositionThenNameAndLocalisersLast) {
    std::vector<DICOMSERIESKEY> keys = {
        Key("z", 3, 0),  Key("a", 1, 0),   Key("loc", 0, 0, false), Key("other", 2, 0, true, "9.9"),
        Key("m2", 2, 5), Key("m1", 2, -5), Key("n2", -1, 7),        Key("n1", -1, 7),
        Key("n0", -1, 6)};
    // Position along the normal (0,0,1) breaks the tie of m1/m2; numberless files come after
    // the numbered ones, by position, then by name.
    EXPECT_EQ((std::vector<std::string>{"a", "m1", "m2", "z", "n0", "n1", "n2", "loc"}),
              DicomSeriesOrder(keys[0], keys));
    // Without a series UID there is no series.
    DICOMSERIESKEY none = Key("x", 1, 0, true, "");
    EXPECT_TRUE(DicomSeriesOrder(none, {none}).empty());
}

TEST(DicomSeries, ToolbarLineNamesWhatTheFileHasAndCutsNumbersAtTheirEnd) {
    using namespace dcmtest;
    DataSet d;
    d.Implicit(0x0008, 0x0008, "ORIGINAL");
    d.Implicit(0x0008, 0x0020, "20261207");
    d.Implicit(0x0008, 0x0060, "CT");
    d.Implicit(0x0008, 0x103E, "Lung 1.0");
    d.Implicit(0x0020, 0x0011, "3 ");
    d.Implicit(0x0020, 0x0013, "41");
    // An odd-length value: the element after it must not leak into the line.
    d.Implicit(0x0020, 0x1041, "-120.5");
    d.Implicit(0x0028, 0x0002, std::string("\x01\x00", 2));
    d.Implicit(0x0028, 0x0004, "MONOCHROME2 ");
    d.Implicit(0x0028, 0x0010, std::string("\x01\x00", 2));
    d.Implicit(0x0028, 0x0011, std::string("\x02\x00", 2));
    d.Implicit(0x0028, 0x0030, "0.7\\0.7 ");
    d.Implicit(0x0028, 0x0100, std::string("\x08\x00", 2));
    d.Implicit(0x0028, 0x0101, std::string("\x08\x00", 2));
    d.Implicit(0x0028, 0x0102, std::string("\x07\x00", 2));
    d.PadTo(1100);
    d.Implicit(0x7FE0, 0x0010, "ab");
    TempFile f(d.b);
    DicomRead r(f.path);
    ASSERT_EQ(100, r.result);
    char line[400];
    ASSERT_EQ(100, DicomSeriesLine(&r.fi, line, sizeof line));
    EXPECT_STREQ("CT  2026-12-07  Lung 1.0  series 3  image 41  slice -120.5  spacing 0.7\\0.7 mm",
                 line);
    FILEINFO none{};
    EXPECT_EQ(-24, DicomSeriesLine(&none, line, sizeof line));
    EXPECT_STREQ("", line);
}
