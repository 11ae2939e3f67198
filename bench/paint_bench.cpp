// The image view on a private Xvfb: one expose of a full 1280 x 1024 view of a 24-MP picture at
// zoom 100, 300 and 1, on a 24-bit and an 8-bit visual; and the film player on a 64-frame
// 512 x 512 DICOM series (frames per second at Frame Time 1, CPU share at Frame Time 40); a
// Ctrl+wheel zoom step below 100 % once the reduced levels exist, and the build of the levels.
#include <benchmark/benchmark.h>

#include "bench_window.h"

#include "dicom_elements.h"

#include "app/main.h"
#include "app/menus.h"
#include "app/rc.h"
#include "base/language.h"
#include "base/settings.h"
#include "base/xmem.h"
#include "dicom/io_dicom.h"
#include "image/io_levels.h"
#include "render/ximage.h"
#include "toolkit/xcolor.h"
#include "toolkit/xinit.h"
#include "widgets/xpaint.h"
#include "widgets/xscroll.h"
#include "widgets/test_hooks.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const int kViewW = 1280, kViewH = 1024;

using Server = XvfbServer;

WINDAT *view = nullptr;

// The program's toolkit on `d` with a scroll window whose view is 1280 x 1024.
bool ToolkitUp(Display *d) {
    if (!BenchToolkitUp(d)) return false;
    AskFileInfoInWinPaint = 0;
    WINDAT *main = BenchMainWindow(d, kViewW + sp_scroll, kViewH + sp_scroll);
    if (!main) {
        fprintf(stderr, "paint_bench: no main window\n");
        return false;
    }
    WINTYP t{};
    t.width = kViewW + sp_scroll, t.height = kViewH + sp_scroll;
    t.language = 1;
    WINNEIGHBOR nb{};
    t.fg = fg_scroll, t.bg = bg_scroll;
    WINDAT *scroll = ScrollWndCreate(main, 0, 0, &t, &nb, "scm", nullptr, WIN_PAINT, 0, 0, 0);
    view = scroll ? ScrollGetScrollWnd(scroll) : nullptr;
    XSync(d, False);
    if (view && (view->width != kViewW || view->height != kViewH))
        fprintf(stderr, "paint_bench: view %i x %i\n", view->width, view->height);
    return view && view->width == kViewW && view->height == kViewH;
}

void ToolkitDown(Display *d) {
    WinMemRemove();
    LanguageLabelMemDestroy();
    view = nullptr;
    XSync(d, False);
}

void Show(FILEINFO fi) {
    PaintImgSetup(view, 1);
    PaintImgGet(view, 0)->fi = fi;
    PaintImgShow(view);
}

// A 6000 x 4000 colour picture.
FILEINFO Photo() {
    FILEINFO fi{};
    fi.w = 6000, fi.h = 4000, fi.bit = 24, fi.frames = 1;
    long n = 6000L * 4000 * 3;
    fi.fbuf = static_cast<uint8_t *>(MemCreate(n, "ip"));
    for (long i = 0; i < n; i++)
        fi.fbuf[i] = static_cast<uint8_t>((i * 2654435761u) >> 24);
    return fi;
}

void BM_Expose(benchmark::State &state, int zoom) {
    view->zoom = zoom;
    PaintViewZoom(view, PAINT_ZOOM_KEEP);
    PaintXImageSetPosX(view, 1000);
    PaintXImageSetPosY(view, 1000);
    Display *d = view->usr.display;
    for (auto _ : state) {
        if (WinPaint(view) != 0) {
            state.SkipWithError("render failed");
            break;
        }
        XSync(d, False);
    }
    XImage *im = PaintImgGet(view, 0)->fi.ximage;
    state.counters["view_px"] = static_cast<double>(im->width) * im->height;
}

double CpuSeconds();

// One Ctrl+wheel notch (a factor of 1.25) about the view's centre, in and out in turn, on a
// picture whose reduced levels are built: the zoom step a user waits for.
void BM_ZoomStep(benchmark::State &state) {
    FILEINFO *fi = &PaintImgGet(view, 0)->fi;
    if (ImageLevelsBuildNow(fi, 0) != FILE_SUCCES) {
        state.SkipWithError("no levels");
        return;
    }
    Display *d = view->usr.display;
    int zooms[2] = {21, 26}, k = 0;
    for (auto _ : state) {
        int from = view->zoom, to = zooms[k++ % 2];
        long cx = (PaintXImageGetPosX(view) + kViewW / 2L) * to / std::max(1, from);
        long cy = (PaintXImageGetPosY(view) + kViewH / 2L) * to / std::max(1, from);
        view->zoom = to;
        PaintXImageSetPosX(view, static_cast<int>(std::max(0L, cx - kViewW / 2)));
        PaintXImageSetPosY(view, static_cast<int>(std::max(0L, cy - kViewH / 2)));
        if (PaintViewZoom(view, PAINT_ZOOM_KEEP) != 0) {
            state.SkipWithError("zoom failed");
            break;
        }
        XSync(d, False);
    }
    state.counters["levels_ready"] = ImageLevelsReady(fi, 0);
}

// The reduced levels of the 24-MP picture, built on the calling thread: one core's time.
void BM_Levels(benchmark::State &state) {
    FILEINFO *fi = &PaintImgGet(view, 0)->fi;
    double cpu = 0;
    for (auto _ : state) {
        ImageLevelsDrop(fi);
        double c0 = CpuSeconds();
        if (ImageLevelsBuildNow(fi, 0) != FILE_SUCCES) {
            state.SkipWithError("no levels");
            break;
        }
        cpu += CpuSeconds() - c0;
    }
    state.counters["cpu_ms"] = 1000 * cpu / std::max<double>(1, state.iterations());
}

// A 64-frame 512 x 512 8-bit DICOM series with the given Frame Time, read by our reader.
FILEINFO Series(const char *frametime) {
    const int frames = 64, edge = 512;
    std::vector<uint8_t> b(128, 0);
    Element(b, 0x0008, 0x0060, "XA");
    Element(b, 0x0018, 0x1063, frametime);
    Element(b, 0x0028, 0x0002, Us(1));
    Element(b, 0x0028, 0x0004, "MONOCHROME2 ");
    Element(b, 0x0028, 0x0008, std::to_string(frames) + " ");
    Element(b, 0x0028, 0x0010, Us(edge));
    Element(b, 0x0028, 0x0011, Us(edge));
    Element(b, 0x0028, 0x0100, Us(8));
    Element(b, 0x0028, 0x0101, Us(8));
    Element(b, 0x0028, 0x0102, Us(7));
    std::string px(size_t(frames) * edge * edge, '\0');
    for (size_t i = 0; i < px.size(); i++)
        px[i] = char((i % edge + i / (size_t(edge) * edge) * 4) & 0xFF);
    Element(b, 0x7FE0, 0x0010, px);
    std::string path = "/tmp/dravik-bench-film-" + std::to_string(getpid()) + ".dcm";
    FILE *f = fopen(path.c_str(), "wb");
    if (f) {
        fwrite(b.data(), 1, b.size(), f);
        fclose(f);
    }
    FILEREQ req{};
    FILEINFO fi{};
    req.path = path.c_str();
    if (IsFileDicom(&req, &fi, 0) != 100 || IoReadDicom(&req, &fi) != 100) fi = FILEINFO{};
    unlink(path.c_str());
    return fi;
}

int play_frames = 0, play_stop = 0;
int PlayCount(WINDAT *, int) {
    return ++play_frames >= play_stop;
}

double CpuSeconds() {
    timespec ts;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec + ts.tv_nsec / 1e9;
}

void BM_Play(benchmark::State &state, const char *frametime, int frames) {
    FILEINFO fi = Series(frametime);
    if (!fi.fbuf || fi.frames != 64) {
        state.SkipWithError("series not readable");
        return;
    }
    Show(fi);
    PaintPlayHook = PlayCount;
    double wall = 0, cpu = 0;
    long shown = 0;
    for (auto _ : state) {
        play_frames = 0, play_stop = frames;
        auto t0 = std::chrono::steady_clock::now();
        double c0 = CpuSeconds();
        PaintImgPlay(view);
        cpu += CpuSeconds() - c0;
        wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        shown += play_frames;
    }
    PaintPlayHook = nullptr;
    state.counters["frames_per_s"] = shown / wall;
    state.counters["cpu_share"] = cpu / wall;
}

void RunOn(const char *screen, const char *label, bool play) {
    Server s;
    if (!s.Start(screen)) {
        fprintf(stderr, "paint_bench: Xvfb could not be started; %s skipped\n", label);
        return;
    }
    Display *d = XOpenDisplay(s.name.c_str());
    if (!d || !ToolkitUp(d)) {
        fprintf(stderr, "paint_bench: no %s on %s\n", d ? "image view" : "connection",
                s.name.c_str());
        if (d) XCloseDisplay(d);
        s.Stop();
        return;
    }
    Show(Photo());
    for (int zoom : {100, 300, 1})
        benchmark::RegisterBenchmark(
            (std::string("BM_Expose/") + label + "/zoom" + std::to_string(zoom)).c_str(),
            [zoom](benchmark::State &st) { BM_Expose(st, zoom); })
            ->Unit(benchmark::kMillisecond);
    if (play) {
        benchmark::RegisterBenchmark("BM_ZoomStep/24bit/ctrl_wheel", BM_ZoomStep)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark("BM_Levels/24bit/6000x4000", BM_Levels)
            ->Unit(benchmark::kMillisecond)
            ->Iterations(5);
        benchmark::RegisterBenchmark("BM_Play/frametime1",
                                     [](benchmark::State &st) { BM_Play(st, "1 ", 256); })
            ->Unit(benchmark::kMillisecond)
            ->Iterations(3);
        benchmark::RegisterBenchmark("BM_Play/frametime40",
                                     [](benchmark::State &st) { BM_Play(st, "40", 50); })
            ->Unit(benchmark::kMillisecond)
            ->Iterations(1);
    }
    benchmark::RunSpecifiedBenchmarks();
    ToolkitDown(d);
    XCloseDisplay(d);
    s.Stop();
}

} // namespace

int main(int argc, char **argv) {
    benchmark::Initialize(&argc, argv);
    // One child per visual: the toolkit and the benchmark library each run once per process.
    const char *screens[2][2] = {{"1600x1200x24", "24bit"}, {"1600x1200x8", "8bit"}};
    for (int i = 0; i < 2; i++) {
        fflush(nullptr);
        pid_t pid = fork();
        if (pid == 0) {
            RunOn(screens[i][0], screens[i][1], i == 0);
            fflush(nullptr);
            _exit(0);
        }
        if (pid > 0) waitpid(pid, nullptr, 0);
    }
    benchmark::Shutdown();
    return 0;
}
