// Text drawn through the text layer: a file box listing 10,000 UTF-8 names (Latin, accented and
// CJK, so the fallback face draws too) paged through with Page Down, core fonts beside the
// anti-aliased default faces; and the toolkit set-up with each, each in a fresh process, since
// fontconfig and the font sets are made once per run.
#include <benchmark/benchmark.h>

#include "bench_window.h"

#include "base/settings.h"
#include "widgets/xfilebox.h"
#include "widgets/xlist.h"

#include <X11/keysym.h>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const int kNames = 10000;
std::string display_name;

const std::string &Names() {
    static std::string root;
    if (!root.empty()) return root;
    char tmpl[] = "/tmp/dravik-textbench-XXXXXX";
    if (!mkdtemp(tmpl)) abort();
    root = tmpl;
    static const char *stem[] = {"Müller_東京", "Grüße", "photo", "Ωμέγα", "Москва", "IMG"};
    for (int i = 0; i < kNames; i++) {
        char name[128];
        snprintf(name, sizeof name, "%s/%s_%05d.jpg", root.c_str(), stem[i % 6], i);
        int fd = open(name, O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd < 0) abort();
        close(fd);
    }
    return root;
}

// One Page Down as the list receives it, painted; from the top again at the end.
void PageDown(Display *d, WINDAT *list) {
    if (ListEntryGetSelectNr(list) >= ListEntryGetEntryMax(list) - 1) {
        ListEntrySetSelectNr(list, 0);
        ListEntrySetPosY(list, 0);
    }
    XEvent ev{};
    ev.xkey.type = KeyPress;
    ev.xkey.display = d;
    ev.xkey.window = list->window;
    ev.xkey.keycode = XKeysymToKeycode(d, XK_Page_Down);
    list->usr.evkey = ev;
    ListKey(list);
    XSync(d, False);
}

// The toolkit as the program sets it up, reading a .dravikrc that holds only AntiAliasedFonts.
bool SetupWith(Display *d, int aa) {
    static std::string home;
    if (home.empty()) {
        char tmpl[] = "/tmp/dravik-texthome-XXXXXX";
        if (!mkdtemp(tmpl)) return false;
        home = tmpl;
    }
    FILE *f = fopen((home + "/.dravikrc").c_str(), "w");
    if (!f) return false;
    fprintf(f, "AntiAliasedFonts=%d\n", aa);
    fclose(f);
    setenv("HOME", home.c_str(), 1);
    return MainToolkitSetup(d, -1) == 0;
}

// The list's fonts are those of the run (DRAVIK_TEXT_BENCH_AA=0: the core fonts).
int list_aa = 1;
WINDAT *list = nullptr;
WINDAT *ListUp(Display *d);

void BM_ListPageDown(benchmark::State &state) {
    static Display *d = XOpenDisplay(display_name.c_str());
    if (!list && d) list = ListUp(d);
    if (!list || ListEntryGetEntryMax(list) < kNames) return state.SkipWithError("no list");
    ListEntrySetSelectNr(list, 0);
    for (auto _ : state)
        PageDown(d, list);
    state.counters["rows"] = ListEntryGetRows(list);
    state.SetLabel(list_aa ? "anti-aliased" : "core fonts");
}

WINDAT *ListUp(Display *d) {
    WINDAT *main = SetupWith(d, list_aa) ? BenchMainWindow(d, 420, 900) : nullptr;
    if (!main) return nullptr;
    WINTYP t{};
    t.fg = fg_form, t.bg = bg_form;
    t.width = 420, t.height = 900;
    t.language = 1;
    WINNEIGHBOR nb{};
    FILEBOXOPT o{0, FBX_PLAIN, Names().c_str(), "*.*", 5};
    WINDAT *box = FileboxCreate(main, 0, 0, &t, &nb, &o);
    WinShow(main, 1);
    XSync(d, False);
    return box ? FileboxWndFListGet(box) : nullptr;
}

// The program's toolkit set-up (tables, colours, fonts, menus) in a child that has never
// touched fontconfig, as at start-up; the child reports its time through a pipe.
void BM_ToolkitSetup(benchmark::State &state) {
    for (auto _ : state) {
        int fds[2];
        if (pipe(fds) != 0) return state.SkipWithError("no pipe");
        pid_t pid = fork();
        if (pid == 0) {
            close(fds[0]);
            Display *d = XOpenDisplay(display_name.c_str());
            auto t0 = BenchClock::now();
            double ms =
                d && SetupWith(d, int(state.range(0))) ? BenchMs(t0, BenchClock::now()) : -1;
            if (write(fds[1], &ms, sizeof ms) != sizeof ms) _exit(1);
            _exit(0);
        }
        close(fds[1]);
        double ms = -1;
        if (read(fds[0], &ms, sizeof ms) != sizeof ms) ms = -1;
        close(fds[0]);
        int st = 0;
        waitpid(pid, &st, 0);
        if (ms < 0) return state.SkipWithError("set-up failed");
        state.SetIterationTime(ms / 1000);
    }
    state.SetLabel(state.range(0) ? "anti-aliased" : "core fonts");
}
BENCHMARK(BM_ToolkitSetup)
    ->ArgName("aa")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(10);
// After the set-up children: they must fork from a process without fonts.
BENCHMARK(BM_ListPageDown)->Unit(benchmark::kMillisecond)->Iterations(300);

} // namespace

int main(int argc, char **argv) {
    benchmark::Initialize(&argc, argv);
    XInitThreads();
    XvfbServer server;
    if (!server.Start("1280x1024x24")) {
        fprintf(stderr, "text_bench: no Xvfb\n");
        return 1;
    }
    display_name = server.name;
    Names();
    const char *aa = getenv("DRAVIK_TEXT_BENCH_AA");
    list_aa = aa && *aa == '0' ? 0 : 1;
    benchmark::RunSpecifiedBenchmarks();
    server.Stop();
    std::string rm = "rm -rf " + Names();
    return system(rm.c_str()) == 0 ? 0 : 1;
}
