// The order of a series walk: Instance Number, then position along the slice normal, then name;
// other orientations last; other series left out.
#include <gtest/gtest.h>

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
