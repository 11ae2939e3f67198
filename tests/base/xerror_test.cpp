// The four message formatters: texts in both languages, the list form, success codes, unknown
// codes and the 500-byte limit.
#include <gtest/gtest.h>

#include "base/xerror.h"

#include <cerrno>
#include <functional>
#include <string>
#include <vector>

namespace {

struct SHOWN {
    int language, kind;
    std::string text;
};
std::vector<SHOWN> shown;
std::vector<std::string> listed;

int Capture(int language, int kind, const char *text) {
    shown.push_back({language, kind, text});
    return 0;
}

int CaptureList(WINDAT *, const char *line) {
    listed.push_back(line);
    return 0;
}

class Formatters : public ::testing::Test {
  protected:
    void SetUp() override {
        shown.clear();
        listed.clear();
        MsgShowHook = Capture;
        MsgListAddHook = CaptureList;
    }
    void TearDown() override {
        MsgShowHook = nullptr;
        MsgListAddHook = nullptr;
    }
    std::string Only() {
        EXPECT_EQ(shown.size(), 1u);
        return shown.empty() ? "" : shown.back().text;
    }
};

// Any non-null record will do: the list hook only passes it on.
WINDAT *const kList = reinterpret_cast<WINDAT *>(&shown);

} // namespace

TEST_F(Formatters, ListFormAddsOneLineAndOpensNoBox) {
    EXPECT_EQ(MsgErrFile(1, "/data/a.jpg", -102, -1, kList), -102);
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed[0], "Cannot read ( ) /data/a.jpg ");
    EXPECT_EQ(MsgErrNet(1, "host", -251, ECONNREFUSED, kList), -251);
    ASSERT_EQ(listed.size(), 2u);
    EXPECT_EQ(listed[1], "Cannot find (Connection refused) host ");
    EXPECT_TRUE(shown.empty());
    // Without the list widget the message still reaches the user, in a box.
    MsgListAddHook = nullptr;
    EXPECT_EQ(MsgErrFile(1, "/data/a.jpg", -102, -1, kList), -102);
    EXPECT_EQ(Only(), "Cannot read ( )\n\n/data/a.jpg\n");
    EXPECT_EQ(shown[0].kind, MSG_BOX_ERROR);
}

TEST_F(Formatters, SuccessCodesShowNothing) {
    EXPECT_EQ(MsgErrFile(1, "x", 100, 0, nullptr), 100);
    EXPECT_EQ(MsgErrFile(1, "x", 150, 0, kList), 150);
    EXPECT_EQ(MsgErrWin(1, "x", 0), 0);
    EXPECT_EQ(MsgErrThr(1, "x", 300, 0), 300);
    EXPECT_EQ(MsgErrNet(1, "x", 200, 0, nullptr), 200);
    EXPECT_EQ(MsgErrNet(1, "x", 250, 0, kList), 250);
    EXPECT_TRUE(shown.empty());
    EXPECT_TRUE(listed.empty());
}

TEST_F(Formatters, GermanAndEnglishTextsByteForByte) {
    struct CASE {
        std::function<void()> call;
        const char *text;
    };
    const CASE cases[] = {
        {[] { MsgErrFile(0, "/a", -101, ENOENT, nullptr); },
         "Kann nicht ö"
         "ffnen (No such file or directory)\n\n/a\n"},
        {[] { MsgErrFile(0, "/a", -113, -1, nullptr); },
         "Zu viele Farben oder falsches Format ( )\n\n/a\n"},
        {[] { MsgErrFile(1, "/d", -153, EACCES, nullptr); },
         "ERROR_DIR (Permission denied)\n\n/d\n"},
        {[] { MsgErrWin(0, "Datei", -28); }, "Ist nicht verfü"
                                             "gbar. (-28)\n\nDatei\n"},
        {[] { MsgErrWin(0, "tag", -9); }, "Kann nicht schließ"
                                          "en: Speicher (-9)\n\ntag\n"},
        {[] { MsgErrWin(1, "main", -16); }, "win -16\n\nmain\n"},
        {[] { MsgErrWin(1, "Corrupt data\n\n/a.jpg", -25); }, "Corrupt data\n\n/a.jpg"},
        {[] { MsgErrThr(1, "dravik", -301, EAGAIN); },
         "thread: Cannot open (Resource temporarily unavailable)\n\ndravik\n"},
        {[] { MsgErrNet(1, "srv", -253, EADDRINUSE, nullptr); },
         "Cannot bind Client(Address already in use)\n\nsrv\n"},
    };
    for (const CASE &c : cases) {
        shown.clear();
        c.call();
        EXPECT_EQ(Only(), c.text);
    }
}

TEST_F(Formatters, UnknownCodesShowTheCodeAndTheSubject) {
    MsgErrFile(1, "/a", -199, -1, nullptr);
    EXPECT_EQ(Only(), "-199  /a\n");
    shown.clear();
    // Not an empty box: the code and the given text.
    EXPECT_EQ(MsgErrWin(1, "ximage", -77), -77);
    EXPECT_EQ(Only(), "-77  ximage\n");
    shown.clear();
    MsgErrThr(1, "pump", -399, -1);
    EXPECT_EQ(Only(), "-399  pump\n");
}

TEST_F(Formatters, OverLongSubjectsAreShortenedSoMessageAndCodeSurvive) {
    std::string path = "/" + std::string(1500, 'd') + "/picture.jpg";
    MsgErrFile(1, path.c_str(), -102, EIO, nullptr);
    std::string t = Only();
    EXPECT_LE(t.size(), static_cast<size_t>(MSG_TEXT_SIZE - 1));
    EXPECT_EQ(t.rfind("Cannot read (Input/output error)\n\n...", 0), 0u) << t;
    EXPECT_EQ(t.substr(t.size() - 13), "/picture.jpg\n");

    shown.clear();
    std::string tag(2000, 't');
    MsgErrWin(1, tag.c_str(), -8);
    t = Only();
    EXPECT_LE(t.size(), static_cast<size_t>(MSG_TEXT_SIZE - 1));
    EXPECT_EQ(t.rfind("The virtual memory is exhausted. (-8)\n\n", 0), 0u) << t;

    shown.clear();
    MsgErrFile(1, path.c_str(), -1234, -1, kList);
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed[0].rfind("-1234  ...", 0), 0u);
    EXPECT_LE(listed[0].size(), static_cast<size_t>(MSG_TEXT_SIZE - 1));
}

TEST(MsgShowFallback, WithoutABoxTheMessageIsOneStderrLine) {
    MsgShowHook = nullptr;
    testing::internal::CaptureStderr();
    MsgErrFile(1, "/data/a.jpg", -102, -1, nullptr);
    MsgErrWin(0, "Datei", -28);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "dravik: Error: Cannot read ( ) /data/a.jpg\n"
                                                      "dravik: Fehler: Ist nicht verfü"
                                                      "gbar. (-28) Datei\n");
    EXPECT_EQ(MsgOneLine("a\n\n\nb\n\n"), "a b");
}
