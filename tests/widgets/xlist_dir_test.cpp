// Directory lists on a scratch tree, without a display: what is listed, in which order for each
// sort mode (ties included, against a literal neighbour-swap sort), what is left out, and the
// working directory after every way out.
#include <gtest/gtest.h>

#include "base/settings.h"
#include "base/xerror.h"
#include "base/xmem.h"
#include "support/proc.h"
#include "widgets/xlist.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

class ListDirTest : public ::testing::Test {
  protected:
    WINDAT list{};
    ScratchDir scratch;
    std::string root = scratch.path, cwd;

    void SetUp() override {
        char buf[PATH_MAX];
        ASSERT_NE(getcwd(buf, sizeof buf), nullptr);
        cwd = buf;
        list.typ = WIN_LIST;
        list.state = LIST_DIRECTORY;
        ASSERT_EQ(WinUSRIntArrayCreate(&list, LIST_INTS), 0);
    }
    void TearDown() override {
        WINDATUSR rec{};
        rec.win = &list;
        ListFuncIntClose(&rec);
        WinUSRStringRemove(&list);
        if (list.label) MemFree(list.label, "label");
        ASSERT_EQ(chdir(cwd.c_str()), 0);
    }

    void File(const std::string &name, size_t size = 0, time_t mtime = 0) {
        std::string p = root + "/" + name;
        int fd = open(p.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ASSERT_GE(fd, 0);
        std::string bytes(size, 'x');
        ASSERT_EQ(write(fd, bytes.data(), size), static_cast<ssize_t>(size));
        close(fd);
        if (mtime) {
            struct timespec ts[2] = {{mtime, 0}, {mtime, 0}};
            ASSERT_EQ(utimensat(AT_FDCWD, p.c_str(), ts, 0), 0);
        }
    }
    void Dir(const std::string &name) { ASSERT_EQ(mkdir((root + "/" + name).c_str(), 0755), 0); }

    std::vector<std::string> List(const char *pattern, int sort) {
        if (pattern) WinUSRStringSet(&list, pattern);
        WinUSRIntArrayValueSet(&list, LIST_SORT, sort);
        std::vector<char> path(root.begin(), root.end());
        path.resize(root.size() + 256, '\0');
        EXPECT_EQ(ListDirectoryAdd(&list, path.data(), static_cast<int>(path.size())), 0);
        return Entries();
    }
    std::vector<std::string> Entries() {
        std::vector<std::string> out;
        for (int i = 0; i < ListEntryGetEntryMax(&list); i++)
            out.emplace_back(ListEntryGetNr(&list, i));
        return out;
    }
    std::string Cwd() {
        char buf[PATH_MAX];
        return getcwd(buf, sizeof buf) ? buf : "";
    }

    // The regular files in directory order, sorted by neighbour swaps with a status read per
    // comparison, as the listing is described.
    std::vector<std::string> DirOrder() {
        std::vector<std::string> names;
        DIR *d = opendir(root.c_str());
        while (struct dirent *de = readdir(d))
            if (de->d_type == DT_REG) names.emplace_back(de->d_name);
        closedir(d);
        return names;
    }
    std::vector<std::string> Swapped(bool bydate) {
        std::vector<std::string> names = DirOrder();
        auto key = [&](const std::string &n) {
            struct stat st;
            stat((root + "/" + n).c_str(), &st);
            return bydate ? static_cast<long long>(st.st_mtime)
                          : static_cast<long long>(st.st_size);
        };
        for (size_t pass = 1; pass < names.size(); pass++)
            for (size_t i = 0; i + 1 < names.size(); i++)
                if (key(names[i]) > key(names[i + 1])) std::swap(names[i], names[i + 1]);
        return names;
    }
};

using V = std::vector<std::string>;

// An empty or unmatched directory shows only "..".
TEST_F(ListDirTest, ParentFirstThenDirectoriesThenFilteredFiles) {
    EXPECT_EQ(List("*.*", LIST_SORT_NAME), V{".."});
    File("c.png");
    EXPECT_EQ(List("*.jpg", LIST_SORT_NAME), V{".."});
    EXPECT_EQ(ListEntryGetSelectNr(&list), 0);
    EXPECT_EQ(ListEntryGetViewFirstNr(&list), 0);
    Dir("b_dir");
    Dir("a_dir");
    File("x.jpg");
    File("A.JPG");
    File("j"); // shorter than the extension
    File("xjpg.txt");
    ASSERT_EQ(mkfifo((root + "/f.jpg").c_str(), 0644), 0);
    bool dev = mknod((root + "/d.jpg").c_str(), S_IFCHR | 0644, makedev(1, 3)) == 0;
    EXPECT_EQ(List("*.jpg", LIST_SORT_NAME), (V{"..", "a_dir", "b_dir", "A.JPG", "j", "x.jpg"}));
    EXPECT_EQ(List("*.*", LIST_SORT_NAME),
              (V{"..", "a_dir", "b_dir", "A.JPG", "c.png", "j", "x.jpg", "xjpg.txt"}));
    // A pattern without a '.' does not filter.
    EXPECT_EQ(List("all", LIST_SORT_NAME).size(), 8u);
    if (!dev) GTEST_SKIP() << "no device node could be made here; FIFOs were checked";
}

TEST_F(ListDirTest, TypeSortsByExtensionThenName) {
    for (const char *n : {"b.txt", "a.zip", "c.txt", "noext", "a.txt", "z.a"})
        File(n);
    Dir("sub.zzz");
    EXPECT_EQ(List(nullptr, LIST_SORT_TYPE),
              (V{"..", "sub.zzz", "z.a", "noext", "a.txt", "b.txt", "c.txt", "a.zip"}));
}

TEST_F(ListDirTest, SizeAndDateKeepDirectoryOrderAmongEquals) {
    // Sizes and dates with ties; the names are chosen so no order of them hides a tie.
    const char *names[] = {"m", "c", "x", "a", "q", "b", "z", "k"};
    const size_t sizes[] = {30, 10, 30, 20, 10, 30, 0, 20};
    const time_t base = 1600000000;
    const time_t dates[] = {base + 50,   base, base + 50, base + 10,
                            base - 3600, base, base,      base + 10};
    for (int i = 0; i < 8; i++)
        File(names[i], sizes[i], dates[i]);
    V bysize = List(nullptr, LIST_SORT_SIZE);
    V want = Swapped(false);
    want.insert(want.begin(), "..");
    EXPECT_EQ(bysize, want);
    V bydate = List(nullptr, LIST_SORT_DATE);
    want = Swapped(true);
    want.insert(want.begin(), "..");
    EXPECT_EQ(bydate, want);
    // Any other mode keeps directory order.
    V raw = List(nullptr, 7);
    EXPECT_EQ(V(raw.begin() + 1, raw.end()), DirOrder());
}

TEST_F(ListDirTest, UnreachablePathFallsBackToItsParentAndWorkingDirectoryStays) {
    Dir("sub");
    File("sub/one.jpg");
    std::string missing = root + "/sub/gone/deeper";
    std::vector<char> path(missing.begin(), missing.end());
    path.resize(missing.size() + 64, '\0');
    ASSERT_EQ(ListDirectoryAdd(&list, path.data(), static_cast<int>(path.size())), 0);
    EXPECT_STREQ(path.data(), (root + "/sub").c_str());
    EXPECT_EQ(Entries(), (V{"..", "one.jpg"}));
    EXPECT_EQ(Cwd(), cwd);
}

TEST_F(ListDirTest, UnreadableDirectoryReports151AndRestoresWorkingDirectory) {
    Dir("locked");
    File("locked/a.jpg");
    ASSERT_EQ(chmod((root + "/locked").c_str(), 0311), 0);
    ASSERT_EQ(chmod(root.c_str(), 0755), 0);
    // Root reads every directory: the listing runs as nobody in a child.
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        if (getuid() == 0 && setuid(65534) != 0) _exit(3);
        // The report goes to stderr, never through a display connection shared with the parent.
        MsgShowHook = nullptr;
        std::string p = root + "/locked";
        std::vector<char> path(p.begin(), p.end());
        path.resize(p.size() + 64, '\0');
        char before[PATH_MAX], after[PATH_MAX];
        if (chdir("/") != 0 || !getcwd(before, sizeof before)) _exit(4);
        int r = ListDirectoryAdd(&list, path.data(), static_cast<int>(path.size()));
        if (!getcwd(after, sizeof after) || strcmp(before, after)) _exit(5);
        _exit(r == -151 ? 0 : 6);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 3) GTEST_SKIP() << "cannot drop root here";
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

} // namespace
