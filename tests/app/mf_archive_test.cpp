// The archive window's query and list text, without a display.
#include <gtest/gtest.h>

#include "app/mf_archive.h"
#include "archive/arc_json.h"

// The two date fields make the StudyDate range; anything but eight digits is refused, never sent.
TEST(ArchiveWindowText, DateFieldsMakeARangeOrAreRefused) {
    EXPECT_EQ(ArchiveDateRange("", ""), "");
    EXPECT_EQ(ArchiveDateRange("20240101", ""), "20240101-");
    EXPECT_EQ(ArchiveDateRange("", "20241231"), "-20241231");
    EXPECT_EQ(ArchiveDateRange("20240101", "20241231"), "20240101-20241231");
    EXPECT_EQ(ArchiveDateRange("20240101", "20240101"), "20240101");
    for (const char *bad : {"2024011", "202401011", "2024-01-", "2024O101", "-"}) {
        EXPECT_EQ(ArchiveDateRange(bad, ""), "?") << bad;
        EXPECT_EQ(ArchiveDateRange("", bad), "?") << bad;
    }
}

// Columns stay in place whatever the archive sends: long values are cut, missing counts are "-".
TEST(ArchiveWindowText, StudyLinesKeepTheirColumns) {
    ARCSTUDY a;
    a.patient = "Archive^Alice";
    a.patient_id = "ARC001";
    a.date = "20240115";
    a.modalities = "CT";
    a.description = "Chest CT";
    a.series = 1;
    a.instances = 4;
    ARCSTUDY b = a;
    b.patient = std::string(200, 'P');
    b.description = std::string(200, 'D');
    b.series = b.instances = -1;
    std::string la = ArchiveStudyLine(a), lb = ArchiveStudyLine(b);
    EXPECT_EQ(la, "Archive^Alice        ARC001     2024-01-15 CT    Chest CT              1     4");
    EXPECT_EQ(la.size(), lb.size());
    EXPECT_EQ(lb.substr(lb.size() - 10), "   -     -");
}
