// UTF-8 steps that text drawing, edit fields and file names rely on.
#include "base/utf8.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

TEST(Utf8, MalformedSequencesAreOneInvalidByteEach) {
    const char *bad[] = {"\xc0\xaf", "\xe0\x80\xaf", "\xed\xa0\x80", "\xf4\x90\x80\x80",
                         "\xc3",     "\xe6\x9d",     "\x80",         "\xff"};
    for (const char *s : bad) {
        uint32_t cp = 0;
        EXPECT_EQ(1, Utf8Next(s, strlen(s), &cp)) << s;
        EXPECT_EQ(UTF8_INVALID, cp) << s;
        EXPECT_FALSE(Utf8Valid(s, strlen(s)));
    }
    uint32_t cp = 0;
    EXPECT_EQ(4, Utf8Next("\xf0\x9f\x98\x80", 4, &cp));
    EXPECT_EQ(0x1F600u, cp);
    EXPECT_EQ(3, Utf8Next("東", 3, &cp));
    EXPECT_EQ(0x6771u, cp);
    // A sequence the buffer cuts is not read past its end.
    EXPECT_EQ(1, Utf8Next("東", 2, &cp));
}

TEST(Utf8, CursorStepsAndCutsStayOnCharacterBoundaries) {
    std::string s = "aü東\xff"
                    "b"; // 1 + 2 + 3 + 1 (invalid) + 1 bytes
    const char *p = s.data();
    size_t n = s.size();
    EXPECT_EQ(5u, Utf8Count(p, n));
    std::vector<size_t> stops;
    for (size_t i = 0; i < n; i = Utf8After(p, n, i))
        stops.push_back(i);
    EXPECT_EQ((std::vector<size_t>{0, 1, 3, 6, 7}), stops);
    for (size_t k = 1; k < stops.size(); k++)
        EXPECT_EQ(stops[k - 1], Utf8Prev(p, n, stops[k]));
    EXPECT_EQ(6u, Utf8Prev(p, n, n - 1));
    for (size_t max = 0; max <= n; max++) {
        size_t cut = Utf8Cut(p, n, max);
        EXPECT_LE(cut, max);
        EXPECT_TRUE(cut == n || std::count(stops.begin(), stops.end(), cut)) << max;
        EXPECT_GT(cut + 3, max) << max;
    }
    char small[5];
    EXPECT_EQ(3u, Utf8Copy(small, sizeof small, "aü東"));
    EXPECT_STREQ("aü", small);
}

TEST(Utf8, ForeignBytesBecomeShowableText) {
    char out[32];
    EXPECT_EQ(9u, Utf8Sanitize("M\xfcller", 6, out, sizeof out) + 1);
    EXPECT_STREQ("M\xef\xbf\xbdller", out);
    Latin1ToUtf8("Gr\xfc\xdf"
                 "e",
                 5, out, sizeof out);
    EXPECT_STREQ("Grüße", out);
    // Too little room never leaves half a character.
    Latin1ToUtf8("\xfc\xfc\xfc", 3, out, 4);
    EXPECT_STREQ("ü", out);
    EXPECT_TRUE(Utf8Printable(U'ß'));
    EXPECT_FALSE(Utf8Printable(0x7F));
    EXPECT_FALSE(Utf8Printable(0x9B));
    EXPECT_FALSE(Utf8Printable(0xFFFF));
}
