#include "dicom/io_dcm2.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

TEST(DicomGroupFill, WordsAreLittleEndianAndTextIsTerminated) {
    DCMGROUP0028 rec{};
    uint8_t value[1025] = {0x34, 0x12, 0xFF, 0xFF};
    EXPECT_EQ(100, DcmGroupFill0028(value, 0x10, 0x00, &rec));
    EXPECT_EQ(0x1234, rec.Rows);

    uint8_t text[1025];
    memset(text, 'A', sizeof text);
    EXPECT_EQ(100, DcmGroupFill0028(text, 0x04, 0x00, &rec));
    EXPECT_EQ(16u, strlen(rec.PhotometricInterpretation));

    DCMGROUP0002 meta{};
    EXPECT_EQ(100, DcmGroupFill0002(value, 0x01, 0x00, &meta));
    EXPECT_EQ(0x1234u, meta.FileMetaInformationVersion); // first two bytes only

    EXPECT_EQ(-15, DcmGroupFill0028(value, 0x99, 0x00, &rec));
}

TEST(DicomGroupFill, Group0000KeepsOnlyItsLength) {
    DCMGROUP0000 rec{};
    uint8_t value[1025] = {0x10, 0x00, 0x00, 0x01};
    EXPECT_EQ(150, DcmGroupFill0000(value, 0x00, 0x01, &rec)); // Command Field
    EXPECT_EQ(100, DcmGroupFill0000(value, 0x00, 0x00, &rec));
    EXPECT_EQ(0x01000010u, rec.GroupLength);
}

TEST(DicomGroupFill, PaletteDataGetsARampSizedByItsDescriptor) {
    DCMGROUP0028 rec{};
    uint8_t count[1025] = {200, 0};
    DcmGroupFill0028(count, 0x03, 0x11, &rec); // blue descriptor: 200 entries
    uint8_t none[1025] = {};
    DcmGroupFill0028(none, 0x01, 0x11, &rec); // red descriptor: 0 entries
    DcmGroupFill0028(none, 0x03, 0x12, &rec);
    DcmGroupFill0028(none, 0x01, 0x12, &rec);

    EXPECT_EQ(200, rec.BluePaletteColorLookupTableDescriptor[0]);
    EXPECT_EQ(0, rec.BluePaletteColorLookupTableDescriptor[1]);
    ASSERT_NE(nullptr, rec.BluePaletteColorLookupTableData);
    EXPECT_EQ(800, DcmGroupPaletteSize(rec.BluePaletteColorLookupTableDescriptor));
    EXPECT_EQ(0, rec.BluePaletteColorLookupTableData[0]);
    EXPECT_EQ(199, rec.BluePaletteColorLookupTableData[199]);
    EXPECT_EQ(nullptr, rec.RedPaletteColorLookupTableData);

    DCMGROUP0028 copy = rec;
    ASSERT_EQ(100, DcmGroupPaletteCopy(&copy, &rec));
    EXPECT_NE(rec.BluePaletteColorLookupTableData, copy.BluePaletteColorLookupTableData);
    EXPECT_EQ(
        0, memcmp(rec.BluePaletteColorLookupTableData, copy.BluePaletteColorLookupTableData, 800));
    DcmGroupPaletteRelease(&copy);
    DcmGroupPaletteRelease(&rec);
    EXPECT_EQ(nullptr, rec.BluePaletteColorLookupTableData);
}
