// Label tables and the run-time label arrays.
// GoogleTest before Xlib: X.h defines None, which gtest uses as a name.
#include <gtest/gtest.h>

#include "app/menus.h"
#include "base/language.h"
#include "base/lg.h"

#include "base/utf8.h"

#include <cstring>

TEST(Labels, GermanTextsAreUtf8) {
    const unsigned char open_de[] = {0xC3, 0x96, 0x66, 0x66, 0x6E, 0x65, 0x6E, 0};
    EXPECT_STREQ(mainfileL[0 * LG_COLUMNS + LG_GERMAN], reinterpret_cast<const char *>(open_de));
    // GrÃ¶Ãe: the umlaut and the sharp s are one byte each.
    EXPECT_STREQ(LgRes(31, LG_GERMAN), "Größ"
                                       "e");
    EXPECT_STREQ(LgRes(31, LG_ENGLISH), "Size");
    EXPECT_STREQ(LgErr(1, LG_GERMAN), "Kann nicht ö"
                                      "ffnen");
    EXPECT_STREQ(LgWarn(3, LG_GERMAN), "Diese Datei existiert bereits.\n\nSoll die Datei ü"
                                       "berschrieben werden?");
    EXPECT_STREQ(LgBoxTitel(5, LG_ENGLISH), "Question");
    EXPECT_STREQ(LgAct(17, LG_GERMAN), "alle hinzufü"
                                       "gen");
}

TEST(Labels, LanguagesOutsideTheColumnsGiveNull) {
    EXPECT_EQ(LgRes(0, 5), nullptr);
    EXPECT_EQ(LgErr(0, -1), nullptr);
    EXPECT_STREQ(LgRes(0, 2), "fr");
}

TEST(Labels, EveryRowHasGermanAndEnglish) {
    struct Table {
        const char *const *t;
        int rows;
    } tables[] = {{szresL, 70},          {szactL, 18},    {szerrL, 52},           {szwarnL, 5},
                  {szboxtitelL, 8},      {sznbalbumL, 6}, {mainmenuL, 7},         {mainfileL, 9},
                  {menufileboxbtn3L, 7}, {paintfileL, 4}, {szoptionprogmouseL, 3}};
    for (const Table &tb : tables)
        for (int r = 0; r < tb.rows; r++)
            for (int l = 0; l < LG_COLUMNS; l++) {
                const char *text = tb.t[r * LG_COLUMNS + l];
                ASSERT_NE(text, nullptr) << r << " " << l;
                // Every text is drawn as UTF-8: a stray Latin-1 byte would show as U+FFFD.
                EXPECT_TRUE(Utf8Valid(text, strlen(text))) << r << " " << l;
            }
    EXPECT_STREQ(LgErr(25, LG_ENGLISH), "25file");
    EXPECT_STREQ(LgErr(25, LG_GERMAN), "25#");
    EXPECT_STREQ(LgRes(69, LG_GERMAN), "Maustaste");
}

TEST(Labels, MenuTemplatesMatchTheirTables) {
    EXPECT_EQ(mainfile[1].kind, MENU_KIND_SUB);
    EXPECT_EQ(mainfile[2].id, 207);
    EXPECT_EQ(mainfile[7].kind, MENU_KIND_SEP);
    EXPECT_STREQ(mainfileL[7 * LG_COLUMNS + LG_GERMAN], "#");
    EXPECT_EQ(mainfile[8].id, 206);
    EXPECT_STREQ(mainfile[8].accelerator, "q");
    EXPECT_EQ(mainfile[3].disabled, 1);
    for (int i = 0; i < 7; i++)
        EXPECT_EQ(mainmenu[i].id, 100 + i);
    EXPECT_STREQ(menufiletyp[0].label, "JPEG  (*.jpg)");
    EXPECT_STREQ(menufiletyp[1].label, "BMP   (*.bmp)");
    EXPECT_STREQ(file_ext[2 * 4 + 1], ".dcm");
}

TEST(LabelArrays, FollowTheLanguageAndIgnoreUnknownOnes) {
    ASSERT_EQ(LanguageLabelMemInit(), 0);
    EXPECT_STREQ(szOPTIONPROGLANG[0], "german");
    LanguageLabelInit(LG_GERMAN);
    EXPECT_STREQ(szOPTIONPROGLANG[0], "deutsch");
    EXPECT_STREQ(szNB_ALBUM[2], "hinzufü"
                                "gen");
    LanguageLabelInit(5);
    EXPECT_STREQ(szOPTIONPROGLANG[0], "deutsch");
    EXPECT_STREQ(szOPTIONPROGMOUSE[2], "Maustaste 3");
    EXPECT_EQ(LanguageLabelMemDestroy(), 0);
    EXPECT_EQ(szNB_ALBUM, nullptr);
}
