// The configuration file: defaults, key matching, values, and a crash-safe rewrite, through the
// real binary under a private X server with a private HOME.
#include "support/driver.h"
#include "app/rc.h"
#include "base/settings.h"
#include "base/xmem.h"

#include <pwd.h>
#include <csignal>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>

namespace {

// The value of `key` in a written file, or "<none>".
std::string Value(const std::string &file, const std::string &key) {
    std::istringstream in(file);
    std::string line;
    while (std::getline(in, line))
        if (line.compare(0, key.size() + 1, key + "=") == 0) return line.substr(key.size() + 1);
    return "<none>";
}

// A file in exactly the writer's layout, with a value other than the default for every key.
std::string FullFile() {
    std::string s = "\n# Directory's\n\nPathMainTemp=/var/tmp\n\n# Last\n\n"
                    "LastFileOpenPath=/home/u/my pictures\nLastFileOpenFilterNr=4\n"
                    "LastFileSavePath=/srv/out\nLastFileSaveFilterNr=2\nLastAlbumPath=/srv/alb\n";
    for (int i = 0; i < 10; i++)
        s += "LastFile" + std::to_string(i) + "=" +
             (i == 3 ? "" : "/img/f" + std::to_string(i) + ".dcm") + "\n";
    s += "LastFileSort=2\nTbFile=0\nTbDicom=0\n\n# "
         "Options\n\nLanguage=DE\nMouseLeft=3\nMouseRight=1\n"
         "\n# Fonts\n\nFontMenu=fixed\nFontStatus=6x13\nFontPaint=7x14\nFontButton=8x13\n"
         "FontLabel=9x15bold\nFontText=10x20\nFontList=6x10\nAntiAliasedFonts=0\n\n# Color "
         "Background\n\n";
    const char *bg[] = {"BgForm",      "BgMenu",   "BgMenuSel", "BgStatus", "BgPaint",
                        "BgPaintText", "BgButton", "BgLabel",   "BgEdit",   "BgList",
                        "BgSelect",    "BgScroll", "BgHint",    "BgDisable"};
    for (int i = 0; i < 14; i++)
        s += std::string(bg[i]) + "=#1010" + std::to_string(10 + i) + "\n";
    s += "\n# Color Foreground\n\n";
    for (int i = 0; i < 14; i++) {
        std::string k = bg[i];
        s += "F" + k.substr(1) + "=#2020" + std::to_string(10 + i) + "\n";
    }
    s += "\n# "
         "YesNo\n\nAskFileOpenWin=2\nAskFileSaveExist=0\nAskFileRemove=0\nAskFileInfoInWinPaint=0\n"
         "AskPathShowFull=1\nAskHintBtnSym=0\nAskProgramExit=0\nAskAlbumEntryRemove=0\n"
         "\n# Album\n\nAlbumThumbnailSizeWH=128\n\n# DICOM\n\n";
    for (int i = 0; i < 4; i++)
        s += "DicomSearchGroup" + std::to_string(i) + "=" + std::to_string(16 + i) +
             "\nDicomSearchTag" + std::to_string(i) + "=" + std::to_string(32 + i) + "\n";
    s += "HounsfieldUse=1\nHounsfieldMin=-1024\nHounsfieldMax=2000\nDicomWindow=2\n\n# "
         "View\n\nExifRotate=0\nFitLargeImages=1\n\n# Archive\n\nArchiveCacheLimit=512\n\n##\n";
    return s;
}

class ConfigFile : public XvfbTest {
  protected:
    ProgramRun run;
    std::string staged;
    int end_signal = 0; // end with this signal instead of the window manager's delete request

    void TearDown() override {
        if (!staged.empty()) unlink(staged.c_str());
    }

    // Starts dravik with `config` (none when null) as $HOME/.dravikrc in mode `mode`. With
    // `unprivileged`, dravik runs as nobody (root would ignore the permissions under test);
    // `prelude` is shell text run just before it starts.
    void Start(const char *config, const char *mode = "644", bool unprivileged = false,
               const char *prelude = nullptr) {
        std::string script;
        if (config) {
            char tmpl[] = "/tmp/dravik-rc-XXXXXX";
            int fd = mkstemp(tmpl);
            ASSERT_GE(fd, 0);
            close(fd);
            staged = tmpl;
            ASSERT_TRUE(WriteWholeFile(staged, config));
            script += "cp \"$1\" \"$HOME/.dravikrc\" && chmod " + std::string(mode) +
                      " \"$HOME/.dravikrc\" || exit 90; ";
        }
        std::string exec = "exec \"$2\"";
        if (unprivileged && geteuid() == 0) {
            script += "chown -R 65534:65534 \"$HOME\" || exit 91; ";
            exec = "exec setpriv --reuid=65534 --regid=65534 --clear-groups \"$2\"";
        }
        if (prelude) script += std::string(prelude) + "; ";
        ASSERT_TRUE(
            run.Start("/bin/sh", server->name, {"-c", script + exec, "sh", staged, DRAVIK_BIN}));
        Window main = 0;
        ASSERT_TRUE(WaitFor([&] { return (main = Find("dravik")) != 0; }, 10000)) << run.Stderr();
        if (end_signal) {
            run.Signal(end_signal);
        } else {
            SendDeleteRequest(display, main);
            ASSERT_TRUE(ConfirmQuit([&] { return run.Wait(0); })) << run.Stderr();
        }
        ASSERT_TRUE(run.Wait()) << run.Stderr();
        ASSERT_EQ(run.status, 0) << run.Stderr();
        ASSERT_TRUE(WaitFor([&] { return Find("dravik") == 0; }));
    }

    std::string Written() { return ReadWholeFile(run.home + "/.dravikrc"); }
};

} // namespace

TEST_F(ConfigFile, DefaultFileStartsWithItsSectionsAndDefaults) {
    Start(nullptr);
    std::string f = Written();
    const std::string head = "\n# Directory's\n\nPathMainTemp=/tmp\n\n# Last\n\nLastFileOpenPath=";
    EXPECT_EQ(f.compare(0, head.size(), head), 0) << f;
    EXPECT_EQ(Value(f, "LastFile0"), "");
    EXPECT_EQ(Value(f, "Language"), "EN");
    EXPECT_EQ(f.substr(f.size() - 4), "\n##\n");
}

// Every key is read and written back unchanged: blanks inside a path, a negative number and an
// empty recent-file slot included.
TEST_F(ConfigFile, EveryKeySurvivesARoundTrip) {
    std::string full = FullFile();
    Start(full.c_str());
    EXPECT_EQ(Written(), full);
}

TEST_F(ConfigFile, OnlyWholeKeysAtLineStartCount) {
    Start("# TbFile=0\n"
          "Unknown=1\n"
          "  BgPaintText = #111111  \n"
          "BgPaint=#222222\n"
          "FgMenuSel=#333333\n"
          "FgMenu=#444444\n"
          "LastAlbumPath=/x/TbDicom=0\n"
          "AskFileRemove=#\n"
          "HounsfieldMin=-500\n"
          "BgForm=a-colour-name-far-too-long-for-its-buffer\n"
          "PathMainTemp=\n"
          "PathMainTemp=/scratch\n");
    std::string f = Written();
    EXPECT_EQ(Value(f, "TbFile"), "1");
    EXPECT_EQ(Value(f, "TbDicom"), "1");
    EXPECT_EQ(Value(f, "Unknown"), "<none>");
    EXPECT_EQ(Value(f, "BgPaint"), "#222222");
    EXPECT_EQ(Value(f, "BgPaintText"), "#111111");
    EXPECT_EQ(Value(f, "FgMenu"), "#444444");
    EXPECT_EQ(Value(f, "FgMenuSel"), "#333333");
    EXPECT_EQ(Value(f, "LastAlbumPath"), "/x/TbDicom=0");
    EXPECT_EQ(Value(f, "AskFileRemove"), "0");
    EXPECT_EQ(Value(f, "HounsfieldMin"), "-500");
    EXPECT_EQ(Value(f, "BgForm"), "a-colour-name-far-t");
    // The first occurrence without a value does not count.
    EXPECT_EQ(Value(f, "PathMainTemp"), "/scratch");
}

TEST_F(ConfigFile, ReadOnlyFileIsReadAndKeepsItsMode) {
    Start("TbDicom=0\nAskProgramExit=0\n", "444", true);
    std::string f = Written();
    EXPECT_EQ(Value(f, "TbDicom"), "0") << run.Stderr();
    EXPECT_EQ(Value(f, "AskProgramExit"), "0");
    struct stat st;
    ASSERT_EQ(stat((run.home + "/.dravikrc").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0444u);
}

// SIGINT and SIGQUIT end the program with status 0 and its end line, and save the settings.
TEST_F(ConfigFile, InterruptAndQuitSignalsEndWithStatusZeroAndSaveTheSettings) {
    for (int sig : {SIGINT, SIGQUIT}) {
        SCOPED_TRACE(sig);
        end_signal = sig;
        Start("TbFile=0\nHounsfieldMin=-1024\n");
        std::string f = Written();
        EXPECT_EQ(Value(f, "TbFile"), "0") << run.Stderr();
        EXPECT_EQ(Value(f, "HounsfieldMin"), "-1024");
        EXPECT_EQ(f.substr(f.size() - 4), "\n##\n");
        std::string err = run.Stderr();
        EXPECT_NE(err.find("signal: " + std::to_string(sig)), std::string::npos) << err;
        EXPECT_NE(err.find("ENDE\n"), std::string::npos) << err;
        unlink(staged.c_str());
        run.~ProgramRun();
        new (&run) ProgramRun;
    }
}

TEST_F(ConfigFile, FailedWriteLeavesThePreviousFileAndSaysSo) {
    const char *old = "# mine\nTbDicom=0\n";
    // Files may grow to 512 bytes only: the full settings do not fit, so writing them fails
    // half-way, as on a full disk.
    Start(old, "644", false, "ulimit -f 1; trap '' XFSZ");
    EXPECT_EQ(Written(), old);
    std::string err = run.Stderr();
    EXPECT_NE(err.find("dravik: write error: " + run.home + "/.dravikrc\n"), std::string::npos)
        << err;
}

TEST(ConfigPath, HomeWithOrWithoutSlashAndWithoutHome) {
    const char *saved = getenv("HOME");
    std::string keep = saved ? saved : "";
    setenv("HOME", "/home/someone", 1);
    ASSERT_EQ(RcPathMake(), 0);
    EXPECT_STREQ(PathMainRc, "/home/someone/.dravikrc");
    setenv("HOME", "/home/someone/", 1);
    ASSERT_EQ(RcPathMake(), 0);
    EXPECT_STREQ(PathMainRc, "/home/someone/.dravikrc");
    unsetenv("HOME");
    const struct passwd *pw = getpwuid(getuid());
    if (pw && pw->pw_dir && *pw->pw_dir) {
        ASSERT_EQ(RcPathMake(), 0);
        std::string dir = pw->pw_dir;
        EXPECT_EQ(std::string(PathMainRc), dir + (dir.back() == '/' ? "" : "/") + ".dravikrc");
    }
    if (saved) setenv("HOME", keep.c_str(), 1);
}

TEST(ConfigWrite, ALinkedFileStaysALinkAndItsTargetIsRewritten) {
    ScratchDir scratch;
    std::string dir = scratch.path, target = dir + "/dotfiles-rc", link = dir + "/.dravikrc";
    ASSERT_TRUE(WriteWholeFile(target, "TbDicom=0\n"));
    ASSERT_EQ(symlink(target.c_str(), link.c_str()), 0);
    ProgramResInit();
    snprintf(PathMainRc, sizeof PathMainRc, "%s", link.c_str());
    EXPECT_EQ(RcProgramWrite(), 100);
    struct stat st;
    ASSERT_EQ(lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    std::string f = ReadWholeFile(target);
    EXPECT_EQ(Value(f, "TbDicom"), "1");
    EXPECT_EQ(f.substr(f.size() - 4), "\n##\n");
    PathMainRc[0] = '\0';
}

TEST(ConfigWrite, NonAsciiValuesSurviveAndControlCharactersNeverReachTheFile) {
    ScratchDir dir;
    ProgramResInit();
    snprintf(PathMainRc, sizeof PathMainRc, "%s/.dravikrc", dir.path.c_str());
    std::string in = "LastFile0=/img/Müller_東京.jpg\r\n"
                     "LastFile1=/img/a\x01"
                     "b\x7f.jpg\n"
                     "LastFileOpenPath=/home/u/Grüße und *\n"
                     "LastAlbumPath=/srv/\xff\xfe.alb\n";
    RcApplyBuffer(in.data(), long(in.size()));
    ASSERT_EQ(RcProgramWrite(), 100);
    std::string f = ReadWholeFile(PathMainRc);
    EXPECT_EQ(Value(f, "LastFile0"), "/img/Müller_東京.jpg");
    EXPECT_EQ(Value(f, "LastFile1"), "/img/ab.jpg");
    EXPECT_EQ(Value(f, "LastFileOpenPath"), "/home/u/Grüße und *");
    // Names are bytes: not even invalid UTF-8 is changed.
    EXPECT_EQ(Value(f, "LastAlbumPath"), "/srv/\xff\xfe.alb");
    // A file name with a line end would add a line of its own: it is not stored.
    char *name = static_cast<char *>(MemCreate(32, "rc"));
    snprintf(name, 32, "/x\nLanguage=DE");
    if (mainFileLastName[2]) MemFree(mainFileLastName[2], "rc");
    mainFileLastName[2] = name;
    ASSERT_EQ(RcProgramWrite(), 100);
    f = ReadWholeFile(PathMainRc);
    EXPECT_EQ(Value(f, "LastFile2"), "");
    EXPECT_EQ(Value(f, "Language"), "EN");
    EXPECT_EQ(f.find("\nLanguage=DE"), std::string::npos);
    for (char *&slot : mainFileLastName) {
        if (slot) MemFree(slot, "rc");
        slot = nullptr;
    }
    ProgramResInit();
    PathMainRc[0] = '\0';
}

// Only plausible values are taken: the cache limit in MiB up to 16 TiB (else 2 GiB), the
// language DE or EN exactly, its first line counting.
TEST(ConfigWrite, ImplausibleValuesKeepTheirDefaults) {
    ScratchDir dir;
    const struct {
        const char *in, *key, *want;
    } cases[] = {{"ArchiveCacheLimit=300\n", "ArchiveCacheLimit", "300"},
                 {"ArchiveCacheLimit=0\n", "ArchiveCacheLimit", "2048"},
                 {"ArchiveCacheLimit=-5\n", "ArchiveCacheLimit", "2048"},
                 {"ArchiveCacheLimit=12x\n", "ArchiveCacheLimit", "2048"},
                 {"ArchiveCacheLimit=16777217\n", "ArchiveCacheLimit", "2048"},
                 {"ArchiveCacheLimit=99999999999999999999\n", "ArchiveCacheLimit", "2048"},
                 {"Language=DE\n", "Language", "DE"},
                 {"Language=FR\n", "Language", "EN"},
                 {"Language=de\nLanguage=DE\n", "Language", "EN"}};
    for (const auto &c : cases) {
        ProgramResInit();
        snprintf(PathMainRc, sizeof PathMainRc, "%s", dir.File(".dravikrc").c_str());
        RcApplyBuffer(c.in, static_cast<long>(strlen(c.in)));
        ASSERT_EQ(RcProgramWrite(), 100);
        EXPECT_EQ(Value(ReadWholeFile(PathMainRc), c.key), c.want) << c.in;
    }
    ProgramResInit();
    PathMainRc[0] = '\0';
}
