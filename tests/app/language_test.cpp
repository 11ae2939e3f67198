// Label tables and the run-time label arrays.
// GoogleTest before Xlib: X.h defines None, which gtest uses as a name.
#include <gtest/gtest.h>

#include "app/menus.h"
#include "base/language.h"
#include "base/lg.h"
#include "base/utf8.h"

#include <cstring>
#include <string>

// Every text is drawn as UTF-8: a stray Latin-1 byte would show as U+FFFD.
TEST(Labels, EveryRowHasValidUtf8InEveryLanguage) {
    struct Table {
        const char *const *t;
        int rows;
    } tables[] = {{szresL, 70},          {szactL, 18},    {szerrL, 53},           {szwarnL, 5},
                  {szboxtitelL, 8},      {sznbalbumL, 6}, {mainmenuL, 7},         {mainfileL, 9},
                  {menufileboxbtn3L, 7}, {paintfileL, 4}, {szoptionprogmouseL, 3}};
    for (const Table &tb : tables)
        for (int r = 0; r < tb.rows; r++)
            for (int l = 0; l < LG_COLUMNS; l++) {
                const char *text = tb.t[r * LG_COLUMNS + l];
                ASSERT_NE(text, nullptr) << r << " " << l;
                EXPECT_TRUE(Utf8Valid(text, strlen(text))) << r << " " << l;
            }
}

TEST(LabelArrays, FollowTheLanguageAndIgnoreUnknownOnes) {
    ASSERT_EQ(LanguageLabelMemInit(), 0);
    std::string english = szOPTIONPROGLANG[0];
    LanguageLabelInit(LG_GERMAN);
    std::string german = szOPTIONPROGLANG[0];
    EXPECT_NE(german, english);
    LanguageLabelInit(5);
    EXPECT_EQ(szOPTIONPROGLANG[0], german);
    EXPECT_EQ(LanguageLabelMemDestroy(), 0);
    EXPECT_EQ(szNB_ALBUM, nullptr);
}
