// The hostile input set of make-hostile through dravik-tool info, convert and album add (and the
// album commands for albums), each run under prlimit: every file ends with a picture or one
// clear error line, within the memory and time the README's budgets allow.
#include <gtest/gtest.h>

#include "tools/tool_testutil.h"

#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <map>
#include <sstream>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>

namespace {

const std::string tool = DRAVIK_TOOL_BIN;

#ifdef __SANITIZE_ADDRESS__
// AddressSanitizer reserves terabytes of address space and runs several times slower.
const bool sanitized = true;
#else
const bool sanitized = false;
#endif
const long kAddressSpace = 1536L << 20; // the image and decoder budgets together
const long kRssKb = sanitized ? 1L << 20 : 256L << 10;
const double kCpuSeconds = sanitized ? 30 : 3;
const int kWallSeconds = sanitized ? 120 : 20;

struct RUN {
    int status = -1; // exit status, or -signal
    long rss_kb = 0;
    double cpu = 0;
    std::string err;
};

double Now() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// Runs the tool under prlimit, its stdout discarded; killed after kWallSeconds.
RUN RunLimited(const std::vector<std::string> &args, const std::string &errfile) {
    std::vector<std::string> argv = {"prlimit", "--cpu=" + std::to_string(int(kCpuSeconds) + 1)};
    if (!sanitized) argv.push_back("--as=" + std::to_string(kAddressSpace));
    argv.push_back("--");
    argv.push_back(tool);
    argv.insert(argv.end(), args.begin(), args.end());
    RUN r;
    pid_t pid = fork();
    if (pid == 0) {
        int out = open("/dev/null", O_WRONLY);
        int err = open(errfile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(out, 1);
        dup2(err, 2);
        std::vector<char *> v;
        for (auto &a : argv)
            v.push_back(const_cast<char *>(a.c_str()));
        v.push_back(nullptr);
        execvp("prlimit", v.data());
        _exit(127);
    }
    int st = 0;
    rusage ru{};
    const double end = Now() + kWallSeconds;
    pid_t got;
    while ((got = wait4(pid, &st, WNOHANG, &ru)) == 0 && Now() < end)
        usleep(2000);
    if (got == 0) {
        kill(pid, SIGKILL);
        wait4(pid, &st, 0, &ru);
    }
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -WTERMSIG(st);
    r.rss_kb = ru.ru_maxrss;
    r.cpu = double(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
            double(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
    r.err = ReadWholeFile(errfile);
    return r;
}

std::vector<std::string> Lines(const std::string &text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);)
        lines.push_back(l);
    return lines;
}

class HostileInput : public testing::Test {
  protected:
    static ScratchDir *dir;
    static std::string set;
    static bool made;
    static std::map<std::string, std::pair<long, double>> worst; // per file: KB, s

    static void SetUpTestSuite() {
        dir = new ScratchDir;
        set = dir->File("set");
        std::string cmd =
            std::string(DRAVIK_HOSTILE_BIN) + " '" + DRAVIK_TEST_DATA + "' '" + set + "'";
        made = system(cmd.c_str()) == 0;
    }
    static void TearDownTestSuite() {
        printf("worst per file (KB max RSS, s CPU):\n");
        for (auto &w : worst)
            printf("  %-48s %8ld %6.2f\n", w.first.c_str(), w.second.first, w.second.second);
        if (system(("rm -rf '" + set + "'").c_str()) != 0) {}
        delete dir;
        dir = nullptr;
    }
    void SetUp() override {
        if (system("command -v prlimit >/dev/null 2>&1") != 0)
            GTEST_SKIP() << "prlimit (util-linux) is not installed";
        // A failed set-up of the suite would read as skipped tests: each test fails instead.
        ASSERT_TRUE(made) << "make-hostile failed";
    }

    static bool Prefixed(const std::string &name, const char *prefix) {
        return name.compare(0, strlen(prefix), prefix) == 0;
    }

    // One command on one file: a normal end, within the budgets, and on failure one line of
    // the tool's own, the last.
    RUN Check(const std::string &name, const std::vector<std::string> &args) {
        std::string what = name + ": " + args[0] + (args.size() > 1 ? " " + args[1] : "");
        RUN r = RunLimited(args, dir->File("err"));
        auto &w = worst[name];
        w.first = std::max(w.first, r.rss_kb);
        w.second = std::max(w.second, r.cpu);
        EXPECT_TRUE(r.status == 0 || r.status == 1) << what << ": status " << r.status;
        EXPECT_LE(r.rss_kb, kRssKb) << what;
        EXPECT_LE(r.cpu, kCpuSeconds) << what;
        // A budget must refuse the file before the allocator fails.
        EXPECT_EQ(r.err.find("memory is exhausted"), std::string::npos) << what << "\n" << r.err;
        // Reader messages (a message box's text spans lines) stay few whatever the file holds.
        std::vector<std::string> lines = Lines(r.err);
        long messages = std::count_if(lines.begin(), lines.end(),
                                      [](const std::string &l) { return Prefixed(l, "dravik: "); });
        EXPECT_LE(messages, 3) << what << "\n" << r.err;
        EXPECT_LE(lines.size(), 12u) << what << "\n" << r.err;
        if (r.status == 1) {
            long tool_lines = std::count_if(lines.begin(), lines.end(), [](const std::string &l) {
                return Prefixed(l, "dravik-tool: ");
            });
            EXPECT_EQ(tool_lines, 1) << what << "\n" << r.err;
            EXPECT_TRUE(!lines.empty() && Prefixed(lines.back(), "dravik-tool: ")) << what << "\n"
                                                                                   << r.err;
        }
        return r;
    }

    // info, convert and album add of every file of the set whose name ends in `ext`.
    void Images(const char *ext) {
        int files = 0;
        for (const std::string &name : Files(ext)) {
            files++;
            std::string path = set + "/" + name;
            RUN info = Check(name, {"info", path});
            std::string out = dir->File("out.ppm");
            unlink(out.c_str());
            RUN convert = Check(name, {"convert", path, out});
            if (convert.status == 0) {
                EXPECT_GT(FileSize(out), 0) << name;
            }
            std::string album = dir->File("add.alb");
            unlink(album.c_str());
            RUN add = Check(name, {"album", "add", album, path});
            if (Prefixed(name, "ok-") && strcmp(ext, ".alb") != 0) {
                EXPECT_EQ(info.status, 0) << name << "\n" << info.err;
                EXPECT_EQ(convert.status, 0) << name << "\n" << convert.err;
                EXPECT_EQ(add.status, 0) << name << "\n" << add.err;
                EXPECT_GT(FileSize(album), 222) << name;
            }
            if (Prefixed(name, "refuse-") || Prefixed(name, "bad-")) {
                EXPECT_EQ(convert.status, 1) << name;
                EXPECT_EQ(add.status, 1) << name;
                EXPECT_LE(FileSize(album), 222) << name;
            }
            // Refused by a limit, not by an allocation that failed: the reader says why.
            if (Prefixed(name, "refuse-")) {
                for (const RUN *r : {&convert, &add})
                    EXPECT_NE(r->err.find("dravik: "), std::string::npos) << name << "\n" << r->err;
            }
        }
        EXPECT_GT(files, 0);
    }

    static std::vector<std::string> Files(const char *ext) {
        std::vector<std::string> names;
        for (const std::string &n : DirNames(set))
            if (n.size() > strlen(ext) && n.compare(n.size() - strlen(ext), strlen(ext), ext) == 0)
                names.push_back(n);
        return names;
    }
};

ScratchDir *HostileInput::dir = nullptr;
std::string HostileInput::set;
bool HostileInput::made = false;
std::map<std::string, std::pair<long, double>> HostileInput::worst;

TEST_F(HostileInput, JpegFilesGiveAPictureOrOneErrorWithinTheBudgets) {
    Images(".jpg");
}

TEST_F(HostileInput, DicomFilesGiveAPictureOrOneErrorWithinTheBudgets) {
    Images(".dcm");
}

TEST_F(HostileInput, AlbumsAreListedAddedToAndRewrittenWithinTheBudgets) {
    Images(".alb");
    const std::string photo = set + "/ok-jpg-baseline.jpg";
    for (const std::string &name : Files(".alb")) {
        std::string album = dir->File("copy.alb");
        ASSERT_EQ(system(("cp '" + set + "/" + name + "' '" + album + "'").c_str()), 0);
        RUN list = Check(name, {"album", "list", album});
        RUN add = Check(name, {"album", "add", album, photo});
        RUN remove = Check(name, {"album", "remove", album, "0"});
        if (Prefixed(name, "ok-")) {
            EXPECT_EQ(list.status, 0) << name;
            EXPECT_EQ(add.status, 0) << name;
            EXPECT_EQ(remove.status, 0) << name;
        }
        // The rewrite keeps the entries, so it is never much larger than what it read.
        EXPECT_LE(FileSize(album), 2 * FileSize(set + "/" + name) + 4096) << name;
    }
}
} // namespace
