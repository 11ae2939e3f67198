// Listing and sorting a directory of 10,000 files in the list widget, without painting: one
// listing per iteration in each sort mode, beside a bare readdir-and-stat pass over the same
// directory as the floor.
#include <benchmark/benchmark.h>

#include "base/xmem.h"
#include "widgets/xlist.h"

#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const int kFiles = 10000;

// The scratch directory: names in no order, sizes and dates with many ties.
const std::string &Tree() {
    static std::string root;
    if (!root.empty()) return root;
    char tmpl[] = "/tmp/dravik-listbench-XXXXXX";
    if (!mkdtemp(tmpl)) abort();
    root = tmpl;
    std::string bytes(4096, 'x');
    for (int i = 0; i < kFiles; i++) {
        unsigned h = static_cast<unsigned>(i) * 2654435761u;
        static const char *ext[] = {"jpg", "dcm", "png", "txt", "JPG"};
        char name[64];
        snprintf(name, sizeof name, "%s/f%08x.%s", root.c_str(), h, ext[h % 5]);
        int fd = open(name, O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd < 0) abort();
        if (write(fd, bytes.data(), h % 4096) < 0) abort();
        close(fd);
        struct timespec ts[2] = {{1600000000 + static_cast<time_t>(h % 5000), 0},
                                 {1600000000 + static_cast<time_t>(h % 5000), 0}};
        utimensat(AT_FDCWD, name, ts, 0);
    }
    for (int i = 0; i < 20; i++)
        mkdir((root + "/dir" + std::to_string(i)).c_str(), 0755);
    return root;
}

void BM_ListDirectory(benchmark::State &state) {
    const std::string &root = Tree();
    WINDAT list{};
    list.typ = WIN_LIST;
    list.state = LIST_DIRECTORY;
    WinUSRIntArrayCreate(&list, LIST_INTS);
    WinUSRIntArrayValueSet(&list, LIST_SORT, static_cast<int>(state.range(0)));
    std::string buf = root;
    buf.resize(root.size() + 256, '\0');
    for (auto _ : state) {
        snprintf(buf.data(), buf.size(), "%s", root.c_str());
        if (ListDirectoryAdd(&list, buf.data(), static_cast<int>(buf.size())) != 0)
            state.SkipWithError("listing failed");
    }
    state.counters["entries"] = ListEntryGetEntryMax(&list);
    WINDATUSR rec{};
    rec.win = &list;
    ListFuncIntClose(&rec);
    WinUSRStringRemove(&list);
    if (list.label) MemFree(list.label, "label");
}
BENCHMARK(BM_ListDirectory)
    ->ArgName("sort")
    ->DenseRange(0, 3)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The floor: reading the names and their status, nothing else.
void BM_ReaddirStat(benchmark::State &state) {
    const std::string &root = Tree();
    for (auto _ : state) {
        DIR *d = opendir(root.c_str());
        int n = 0;
        while (struct dirent *de = readdir(d)) {
            struct stat st;
            n += fstatat(dirfd(d), de->d_name, &st, 0) == 0;
        }
        closedir(d);
        benchmark::DoNotOptimize(n);
    }
}
BENCHMARK(BM_ReaddirStat)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char **argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    std::string cmd = "rm -rf " + Tree();
    return system(cmd.c_str()) == 0 ? 0 : 1;
}
