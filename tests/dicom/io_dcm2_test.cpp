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
