// The album window's tree add: 200 different 12-megapixel photos in 10 directories into a new
// album, beside vipsthumbnail -s 96 over the same files; and the longest time the windows went
// without answering an expose while the add ran. Needs a display (bench/album-window.sh starts
// a private Xvfb).
#include "app/mf_album.h"
#include "app/main.h"
#include "app/menus.h"
#include "app/rc.h"
#include "base/language.h"
#include "base/settings.h"
#include "image/io_jpg.h"
#include "render/ximage.h"
#include "toolkit/xcolor.h"
#include "toolkit/xinit.h"
#include "toolkit/xwinfunc.h"
#include "widgets/xbox.h"

#include "bench_photo.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double, std::milli>(b - a).count();
}

std::mutex gap_mutex;
Clock::time_point last_expose;
double longest_gap = 0;
std::atomic<int> measuring{0};
WINFUNC view_expose = nullptr;

int BenchExpose(WINDATUSR *rec) {
    auto now = Clock::now();
    if (measuring) {
        std::lock_guard<std::mutex> g(gap_mutex);
        longest_gap = std::max(longest_gap, Ms(last_expose, now));
        last_expose = now;
    }
    return view_expose ? view_expose(rec) : 0;
}

} // namespace

int main(int argc, char **argv) {
    int photos = argc > 1 ? atoi(argv[1]) : 200;
    XInitThreads();
    Display *display = XOpenDisplay(nullptr);
    if (!display) {
        fprintf(stderr, "album_window_bench: no display, skipped (run bench/album-window.sh)\n");
        return 0;
    }
    char tmpl[] = "/tmp/dravik-albwin-bench-XXXXXX";
    std::string dir = mkdtemp(tmpl);
    // DRAVIK_BENCH_PHOTOS names a directory of photos made earlier (its subdirectories hold
    // them): repeated runs then skip the minute of writing.
    const char *given = getenv("DRAVIK_BENCH_PHOTOS");
    if (given && *given) {
        std::string cmd = "ln -s '" + std::string(given) + "' '" + dir + "/photos'";
        if (system(cmd.c_str()) != 0) return 1;
    } else {
        fprintf(stderr, "writing %d photos of 4000x3000 in 10 directories ...\n", photos);
    }
    for (int i = 0; i < photos && !(given && *given); i++) {
        std::string sub = dir + "/photos/d" + std::to_string(i % 10);
        mkdir((dir + "/photos").c_str(), 0755);
        mkdir(sub.c_str(), 0755);
        WriteBenchPhoto(sub + "/p" + std::to_string(i) + ".jpg", 4000, 3000, 7u + i * 977u);
    }

    double vips_ms = -1;
    if (system("command -v vipsthumbnail >/dev/null 2>&1") == 0) {
        mkdir((dir + "/vips").c_str(), 0755);
        std::string cmd =
            "vipsthumbnail -s 96 -o '" + dir + "/vips/%s.jpg' '" + dir + "'/photos/*/*.jpg";
        auto t0 = Clock::now();
        if (system(cmd.c_str()) != 0) fprintf(stderr, "vipsthumbnail failed\n");
        vips_ms = Ms(t0, Clock::now());
    } else {
        printf("vipsthumbnail not installed (Debian package libvips-tools): comparison skipped\n");
    }

    main_display = display;
    main_screen_number = DefaultScreen(display);
    main_root = DefaultRootWindow(display);
    main_visual = DefaultVisual(display, main_screen_number);
    main_depth = DefaultDepth(display, main_screen_number);
    main_colormap = DefaultColormap(display, main_screen_number);
    opt_rt[0] = 1, opt_rt[1] = 3, opt_rt[2] = 1;
    LanguageLabelMemInit();
    WinMemInit();
    ProgramResInit();
    ColorStep1LibInit(display);
    ImageDisplaySetup(display);
    ColorStep2FontLibInit(display);
    LanguageMenuInit(display, 1);
    LanguageMenuProgInit(display, 1);
    BoxInit();
    dlgmain[0] = FTYP_JPEG;

    ToolkitLock();
    std::string album_path = dir + "/bench.alb";
    AlbumOpenAction(display, album_path.c_str());
    ALBUMDAT *album = nullptr;
    for (int i = 0; i < WINDATpi && !album; i++)
        album = AlbumWndDataGet(WINDATp[i]);
    if (!album) {
        fprintf(stderr, "album window not opened\n");
        return 1;
    }
    AlbumAddSourceSet(album, (dir + "/photos").c_str(), nullptr);
    WINDAT *view = album->view;
    view_expose = view->func[WIN_FUNC_EXPOSE];
    WinSetFuncExpose(view, BenchExpose);
    Window target = view->window;
    XSync(display, False);
    ToolkitUnlock();

    // The probe asks for a redraw every 10 ms from a connection of its own.
    std::atomic<int> stop{0};
    std::thread probe([&] {
        Display *d = XOpenDisplay(nullptr);
        if (!d) return;
        while (!stop) {
            XEvent ev{};
            ev.xexpose.type = Expose;
            ev.xexpose.window = target;
            ev.xexpose.width = ev.xexpose.height = 10;
            XSendEvent(d, target, False, ExposureMask, &ev);
            XFlush(d);
            usleep(10000);
        }
        XCloseDisplay(d);
    });

    ToolkitLock();
    {
        std::lock_guard<std::mutex> g(gap_mutex);
        last_expose = Clock::now();
    }
    measuring = 1;
    WINDATUSR rec = view->usr;
    rec.win = view;
    auto t0 = Clock::now();
    AlbumPageEntryAddFuncAddDirSub(&rec);
    double add_ms = Ms(t0, Clock::now());
    measuring = 0;
    int added = album->added;
    ToolkitUnlock();
    stop = 1;
    probe.join();

    double load[3] = {0, 0, 0};
    getloadavg(load, 3);
    printf("album window tree add, %d x 12 MP in 10 directories: %d added\n", photos, added);
    if (vips_ms > 0)
        printf("wall: dravik %.0f ms / vipsthumbnail -s 96 %.0f ms = %.2f\n", add_ms, vips_ms,
               add_ms / vips_ms);
    else
        printf("wall: dravik %.0f ms\n", add_ms);
    printf("longest gap between answered exposes (probe every 10 ms): %.0f ms\n", longest_gap);
    printf("load average %.2f %.2f %.2f on %ld cores\n", load[0], load[1], load[2],
           sysconf(_SC_NPROCESSORS_ONLN));
    std::string cmd = "rm -rf '" + dir + "'";
    if (system(cmd.c_str()) != 0) {}
    return added == photos ? 0 : 1;
}
