// Shared helpers: size and date texts, date ordering, searches, thumbnail fitting and the
// crash-safe file replace.
// GoogleTest before Xlib: X.h defines None, which gtest uses as a name.
#include <gtest/gtest.h>

#include "base/allg.h"
#include "base/xmem.h"
#include "support/proc.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

static std::string Size(unsigned int bytes) {
    char buf[16];
    EXPECT_EQ(MakeSizeString(buf, bytes), 0);
    return buf;
}

TEST(SizeText, UnitsChangeAtTheirBoundaries) {
    EXPECT_EQ(Size(999), "999 Bytes");
    EXPECT_EQ(Size(1000), "1 KB");
    EXPECT_EQ(Size(999 * 1024), "999 KB");
    // Just above 999 KB would round to 1000 KB, so it is shown in MB.
    EXPECT_EQ(Size(999 * 1024 + 600), "1.0 MB");
    EXPECT_EQ(Size(1023 * 1024), "1.0 MB");
    EXPECT_EQ(Size(10 * 1024 * 1024), "10 MB");
    EXPECT_EQ(Size(3u * 1024 * 1024 * 1024), "3.0 GB");
    EXPECT_EQ(MakeSizeString(nullptr, 5), -15);
}

TEST(DateText, ShowsCtimeFromTheMonthOn) {
    setenv("TZ", "UTC", 1);
    tzset();
    char buf[32];
    ASSERT_EQ(MakeTimeString(buf, 953026013), 0);
    EXPECT_STREQ(buf, "Mar 14 09:26:53 2000");
    ASSERT_EQ(MakeTimeString(buf, 952162013), 0);
    EXPECT_STREQ(buf, "Mar  4 09:26:53 2000");
}

TEST(DateOrder, ComparesYearMonthDayAndTime) {
    EXPECT_EQ(CompareDate("Mar  4 09:26:53 2000", "Mar 14 09:26:53 2000"), -1);
    EXPECT_EQ(CompareDate("Mar 14 09:26:53 2000", "Mar  4 09:26:53 2000"), 1);
    EXPECT_EQ(CompareDate("Dec 31 23:59:59 1999", "Jan  1 00:00:00 2000"), -1);
    EXPECT_EQ(CompareDate("Jun 10 00:00:00 2000", "Jul  1 00:00:00 2000"), -1);
    EXPECT_EQ(CompareDate("Aug  4 10:00:00 2000", "Apr 30 10:00:00 2000"), 1);
    // Both digits of a two-digit day count, not only the time behind the last one.
    EXPECT_EQ(CompareDate("Mar 14 09:26:53 2000", "Mar 24 01:00:00 2000"), -1);
    ASSERT_EQ(CompareDateStrMake("Mar 14 09:26:53 2000"), 0);
    EXPECT_STREQ(c_date, "Mar14092653");
    ASSERT_EQ(CompareDateStrMake("Mar  4 09:26:53 2000"), 0);
    EXPECT_STREQ(c_date, "Mar4092653");
    EXPECT_LT(CompareDate("Mar  4 09:26:53 2000", "Mar  4 09:26:54 2000"), 0);
    EXPECT_EQ(CompareDate("Mar  4 09:26:53 2000", "Mar  4 09:26:53 2000"), 0);
    EXPECT_EQ(CompareDate(nullptr, "Mar  4 09:26:53 2000"), -15);
    // Short or garbled texts must not be read past their end.
    EXPECT_NE(CompareDate("x", "Mar  4 09:26:53 2000"), 0);
}

TEST(StringSearch, CaseRulesOfTheProgram) {
    const char *name = "Image.JPG";
    EXPECT_EQ(str_str(name, "jpg"), name);
    EXPECT_EQ(str_str(name, "png"), nullptr);
    EXPECT_EQ(str_str(name, ""), nullptr);
    EXPECT_EQ(strstr_sens(name, "jpg", 1), nullptr);
    EXPECT_EQ(_istrstr("abcabc", "ca"), 2);
    EXPECT_EQ(_istrstr("abc", "x"), -1);
    EXPECT_EQ(_istrstr("", "x"), -15);
    // Index 0 is never reported: a leading dot is no extension separator.
    EXPECT_EQ(_istrchrLastPos(".bashrc", '.'), -1);
    EXPECT_EQ(_istrchrLastPos("a.b.c", '.'), 3);
    EXPECT_NE(_strstrIndex("Zebra", "z"), nullptr);
    EXPECT_EQ(_strstrIndex("Zebra", "a"), nullptr);
    EXPECT_STREQ(ExtractPathLast("/home/u/pic.jpg"), "pic.jpg");
    EXPECT_STREQ(ExtractPathLast("host:file"), "file");
    EXPECT_STREQ(ExtractPathLast("plain"), "plain");
}

TEST(StringSearch, FileExtensionsCompareWithOrWithoutCase) {
    EXPECT_EQ(CompareFileExtension("a.JPG", "b.jpg", 1), 0);
    EXPECT_NE(CompareFileExtension("a.JPG", "b.jpg", 0), 0);
    EXPECT_LT(CompareFileExtension("a.bmp", "b.jpg", 1), 0);
    EXPECT_EQ(CompareFileExtension("noext", "noext", 0), 0);
}

static std::pair<int, int> Fit(int bw, int bh, int iw, int ih) {
    short out[2] = {-1, -1};
    EXPECT_EQ(CalcDestRect(bw, bh, iw, ih, out), 0);
    return {out[0], out[1]};
}

TEST(Thumbnail, FitsInsideTheBoxKeepingTheAspectRatio) {
    EXPECT_EQ(Fit(100, 100, 200, 100), std::make_pair(100, 50));
    EXPECT_EQ(Fit(100, 100, 100, 100), std::make_pair(100, 100));
    EXPECT_EQ(Fit(100, 100, 100, 200), std::make_pair(50, 100));
    // Small images are enlarged to the box like large ones are reduced.
    EXPECT_EQ(Fit(96, 96, 10, 10), std::make_pair(96, 96));
    // 3:2 into 100: 66.67 rounds to 67.
    EXPECT_EQ(Fit(100, 100, 300, 200), std::make_pair(100, 67));
    EXPECT_EQ(Fit(120, 60, 100, 100), std::make_pair(60, 60));
    // A sliver keeps at least one pixel.
    EXPECT_EQ(Fit(100, 100, 1, 5000), std::make_pair(1, 100));
    EXPECT_EQ(Fit(100, 100, 5000, 1), std::make_pair(100, 1));
}

TEST(Thumbnail, BadSizesAreRefused) {
    short out[2];
    EXPECT_EQ(CalcDestRect(0, 100, 10, 10, out), -15);
    EXPECT_EQ(CalcDestRect(100, 100, 10, 0, out), -15);
    EXPECT_EQ(out[0], 0);
    EXPECT_EQ(out[1], 0);
}

TEST(Memory, FreeingNullIsReportedAndHarmless) {
    EXPECT_EQ(MemFree(nullptr, "x"), -9);
    void *arr[3] = {MemCreate(4, "t"), nullptr, MemCreate(4, "t")};
    EXPECT_EQ(MemFreeArray(arr, "t", 0, 3, 0), 0);
    EXPECT_EQ(arr[0], nullptr);
    EXPECT_EQ(arr[2], nullptr);
    EXPECT_EQ(MemFreeArray(nullptr, "t", 0, 3, 0), -8);
    EXPECT_EQ(MemFreeArray(arr, "t", 0, 0, 0), -15);
}

TEST(Memory, TheTwentySecondFailureEndsTheProgram) {
    EXPECT_EXIT(
        {
            _MemErr = 0;
            for (int i = 0; i < 21; i++)
                if (MemCreate(0, "t") != nullptr) exit(3);
            fputs("survived 21\n", stderr);
            MemCreate(0, "t");
            exit(4);
        },
        ::testing::ExitedWithCode(255), "survived 21(.|\n)*ErrNr:21 Memory-Error -> Cancel");
}

namespace {
int Replace(const std::string &path, const std::string &text, bool commit = true) {
    FILEREPLACE r;
    if (FileReplaceOpen(&r, path.c_str(), 0640) != 0) return -1;
    if (write(r.fd, text.data(), text.size()) != static_cast<ssize_t>(text.size())) return -2;
    if (!commit) {
        FileReplaceAbort(&r);
        return 0;
    }
    return FileReplaceCommit(&r);
}

} // namespace

TEST(FileReplace, DanglingLinkGetsItsTargetAndANewFileTheModeLessUmask) {
    ScratchDir d;
    std::string link = d.File("link");
    ASSERT_EQ(symlink("made", link.c_str()), 0);
    mode_t old = umask(022);
    int rc = Replace(link, "x");
    umask(old);
    ASSERT_EQ(rc, 0);
    struct stat st;
    ASSERT_EQ(lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    ASSERT_EQ(stat(d.File("made").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u & ~022u);
}
