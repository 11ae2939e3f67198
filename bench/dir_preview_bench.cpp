// The directory preview of 200 different 12-megapixel photos, beside vipsthumbnail -s 96 over
// the same files, in alternating rounds; and the longest time the preview went without
// answering an expose while it read. Needs a display (bench/dir-preview.sh starts a private
// Xvfb).
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
#include "widgets/xfiledirpreview.h"
#include "widgets/xfilebox.h"
#include "widgets/xpaint.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
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

// A photo-like picture with a camera's noise; `seed` makes each one different.
int WritePhoto(const std::string &path, int w, int h, uint32_t seed) {
    std::vector<uint8_t> px(static_cast<size_t>(w) * h * 3);
    for (size_t i = 0; i < px.size(); i++) {
        seed = seed * 1664525u + 1013904223u;
        size_t p = i / 3;
        int v = static_cast<int>((p % w) * 255 / w + (p / w) * 255 / h) / 2 +
                static_cast<int>(seed >> 28) - 8 + static_cast<int>(i % 3) * 20;
        px[i] = static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
    }
    SAVEINFO save;
    memset(&save, 0, sizeof save);
    save.w = w, save.h = h, save.bit = 24, save.quality = 90, save.ftyp = FTYP_JPEG;
    save.fbuf = px.data();
    FILEREQ req;
    memset(&req, 0, sizeof req);
    req.path = path.c_str();
    return IoWriteJpeg(&req, &save);
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
    int rounds = argc > 2 ? std::max(1, atoi(argv[2])) : 3;
    XInitThreads();
    Display *display = XOpenDisplay(nullptr);
    if (!display) {
        fprintf(stderr, "dir_preview_bench: no display, skipped (run bench/dir-preview.sh)\n");
        return 0;
    }
    bool vips = system("command -v vipsthumbnail >/dev/null 2>&1") == 0;
    if (!vips)
        printf("vipsthumbnail not installed (Debian package libvips-tools): comparison skipped\n");
    char tmpl[] = "/tmp/dravik-dirprev-bench-XXXXXX";
    std::string dir = mkdtemp(tmpl);
    std::string photodir = dir + "/photos";
    mkdir(photodir.c_str(), 0755);
    mkdir((dir + "/empty").c_str(), 0755);
    mkdir((dir + "/vips").c_str(), 0755);
    fprintf(stderr, "writing %d photos of 4000x3000 ...\n", photos);
    for (int i = 0; i < photos; i++) {
        char name[32];
        snprintf(name, sizeof name, "/p%03d.jpg", i);
        WritePhoto(photodir + name, 4000, 3000, 7u + i * 977u);
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
    CursorInit(display);

    ToolkitLock();
    WINDAT root{};
    root.window = main_root;
    root.usr.display = display;
    WINTYP t{};
    t.fg = fg_form, t.bg = bg_form;
    t.width = 400, t.height = 500;
    t.typ = WIN_MAIN;
    t.language = 1;
    t.mouseleft = 1, t.mouseright = 3;
    WINNEIGHBOR nb{};
    WINDAT *mainwin = WinCreate(&root, 0, 0, &t, &nb, "dravik", fontfs_text);
    WinRemoveInParent(mainwin);
    mainwin->usr.parent = nullptr;
    WinOptRtUpdate(mainwin, opt_rt);
    WINTYP ft = t;
    ft.typ = 0;
    FILEBOXOPT fo{0, FBX_PLAIN, (dir + "/empty").c_str(), "*.*", 5};
    WINDAT *box = FileboxCreate(mainwin, 0, 0, &ft, &nb, &fo);
    // The preview's window exists before the measured fills, so the probe has a target.
    mf_FileDirPrev(box);
    WINDAT *view = DirPreviewView(DirPreviewGet(box));
    if (!view) {
        fprintf(stderr, "preview not opened\n");
        return 1;
    }
    view_expose = view->func[WIN_FUNC_EXPOSE];
    WinSetFuncExpose(view, BenchExpose);
    Window target = view->window;
    FileboxDirEnter(box, photodir.c_str());
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

    printf("directory preview, %d x 12 MP, %d reader threads\n", photos,
           DirPreviewThreadCount(photos));
    int cells = 0;
    double worst = 0;
    for (int r = 0; r < rounds; r++) {
        double vips_ms = -1;
        if (vips) {
            std::string cmd =
                "vipsthumbnail -s 96 -o '" + dir + "/vips/%s.jpg' '" + photodir + "'/*.jpg";
            auto t0 = Clock::now();
            if (system(cmd.c_str()) != 0) fprintf(stderr, "vipsthumbnail failed\n");
            vips_ms = Ms(t0, Clock::now());
        }
        ToolkitLock();
        {
            std::lock_guard<std::mutex> g(gap_mutex);
            last_expose = Clock::now();
            longest_gap = 0;
        }
        measuring = 1;
        auto t0 = Clock::now();
        mf_FileDirPrev(box);
        double ms = Ms(t0, Clock::now());
        measuring = 0;
        cells = view->img_count;
        ToolkitUnlock();
        if (vips_ms > 0) {
            printf("round %d: dravik %.0f ms / vipsthumbnail -s 96 %.0f ms = %.2f\n", r + 1, ms,
                   vips_ms, ms / vips_ms);
            worst = std::max(worst, ms / vips_ms);
        } else {
            printf("round %d: dravik %.0f ms\n", r + 1, ms);
        }
        printf("  longest gap between answered exposes (probe every 10 ms): %.0f ms\n",
               longest_gap);
    }
    stop = 1;
    probe.join();

    double load[3] = {0, 0, 0};
    getloadavg(load, 3);
    printf("cells %d; worst ratio %.2f (target 0.50)\n", cells, worst);
    printf("load average %.2f %.2f %.2f on %ld cores\n", load[0], load[1], load[2],
           sysconf(_SC_NPROCESSORS_ONLN));
    std::string cmd = "rm -rf '" + dir + "'";
    if (system(cmd.c_str()) != 0) {}
    return cells == photos ? 0 : 1;
}
