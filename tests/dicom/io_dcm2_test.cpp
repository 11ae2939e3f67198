#include "dicom/io_dcm2.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

TEST(DicomDictionary, GroupTablesHoldTheListedRowsInOrder) {
    const int rows[DCM_GROUPS] = {25, 10, 17, 76, 32, 180, 35, 40, 26, 22, 3,
                                  8,  16, 8,  3,  9,  7,   4,  28, 23, 20, 5};
    const char *names[DCM_GROUPS] = {"0000", "0002", "0004", "0008", "0010", "0018", "0020", "0028",
                                     "0032", "0038", "0088", "2000", "2010", "2020", "2030", "2040",
                                     "2100", "2110", "4008", "50xx", "60xx", "FFFE"};
    int total = 0;
    for (int g = 0; g < DCM_GROUPS; g++) {
        const DCMGROUPDEF &def = DcmGroupDef[g];
        EXPECT_STREQ(names[g], def.name);
        EXPECT_EQ(rows[g], def.rows) << def.name;
        total += def.rows;
        int group = int(strtol(def.name, nullptr, 16));
        if (def.name[2] == 'x') group = (def.name[0] - '0') << 12;
        for (int r = 0; r < def.rows; r++) {
            int tag_group = def.tag[r][0] << 8 | def.tag[r][1];
            int vr = atoi(def.unit[r][1]);
            EXPECT_TRUE(vr >= 0 && vr < DCMVR_COUNT) << def.unit[r][0];
            if (g == DCM_GFFFE)
                EXPECT_TRUE(tag_group == 0x7FE0 || tag_group == 0xFFFE);
            else
                EXPECT_EQ(group, tag_group) << def.unit[r][0];
        }
    }
    EXPECT_EQ(597, total);
}

// The dictionary row of an element: "name|class", or "" when the group has none.
static std::string Row(int group, int element) {
    const DCMGROUPDEF &def = DcmGroupDef[group];
    for (int r = 0; r < def.rows; r++)
        if ((def.tag[r][2] << 8 | def.tag[r][3]) == element)
            return std::string(def.unit[r][0]) + "|" + def.unit[r][1];
    return "";
}

TEST(DicomDictionary, NamesKeepTheirStoredBytes) {
    EXPECT_EQ("Referring Physician\xD5s Telephone Numbers|15", Row(DCM_G0008, 0x0094));
    EXPECT_EQ("Name of  Physician(s) Reading Study|14", Row(DCM_G0008, 0x1060));
    EXPECT_EQ("Exposure |9", Row(DCM_G0018, 0x1152));
    EXPECT_EQ("Referenced VOI LUT Box Sequence |17", Row(DCM_G2020, 0x0140));
    EXPECT_EQ("Patient(s) Name|14", Row(DCM_G0010, 0x0010));
    EXPECT_EQ("Transfer Syntax UID|21", Row(DCM_G0002, 0x0010));
    EXPECT_EQ("VOI LUT Sequence|25", Row(DCM_G0028, 0x3010));
    EXPECT_EQ("Red Palette Color Lookup Table Data|26", Row(DCM_G0028, 0x1201));
    EXPECT_EQ("Curve Data|24", Row(DCM_G50XX, 0x3000));
    const unsigned char pixel[4] = {0x7F, 0xE0, 0x00, 0x10};
    EXPECT_EQ(0, memcmp(pixel, DcmGroupUnitFFFEB[1], 4));
}

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
    EXPECT_EQ(sizeof(uint32_t), sizeof rec);
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
