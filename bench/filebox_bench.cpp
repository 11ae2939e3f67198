// The file box walking a directory of 2,000 12-MP JPEG photos with the Down key, preview on:
// one step selects the next photo, reads its DCT-scaled preview, scales it into the preview view
// and paints it. Beside it the same step with preview off (name, date and the header's size
// line only), and one full-size read of one photo, for the ratio. The 2,000 files are hard links
// to 8 distinct photos written by our own JPEG writer.
#include <benchmark/benchmark.h>

#include "bench_window.h"

#include "app/main.h"
#include "app/menus.h"
#include "app/rc.h"
#include "base/language.h"
#include "base/settings.h"
#include "base/xmem.h"
#include "image/io_files.h"
#include "io/io_read.h"
#include "render/ximage.h"
#include "toolkit/xcolor.h"
#include "toolkit/xinit.h"
#include "widgets/xbtnchk.h"
#include "widgets/xfilebox.h"
#include "widgets/xlist.h"
#include "widgets/xpaint.h"

#include <X11/keysym.h>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const int kPhotos = 2000, kDistinct = 8, kW = 4000, kH = 3000;

using Server = XvfbServer;

// The photo directory: 8 distinct 4000 x 3000 pictures, each linked 250 times.
const std::string &Photos() {
    static std::string root;
    if (!root.empty()) return root;
    char tmpl[] = "/tmp/dravik-fbxbench-XXXXXX";
    if (!mkdtemp(tmpl)) abort();
    root = tmpl;
    long n = static_cast<long>(kW) * kH * 3;
    auto *px = static_cast<uint8_t *>(MemCreate(n, "bench"));
    for (int k = 0; k < kDistinct; k++) {
        for (int y = 0; y < kH; y++)
            for (int x = 0; x < kW; x++) {
                uint8_t *p = px + (static_cast<long>(y) * kW + x) * 3;
                unsigned h = (static_cast<unsigned>(x * 7 + y * 13 + k * 101) * 2654435761u) >> 28;
                p[0] = static_cast<uint8_t>((x / 8 + k * 30) & 0xFF) ^ static_cast<uint8_t>(h);
                p[1] = static_cast<uint8_t>((y / 6) & 0xFF);
                p[2] = static_cast<uint8_t>(((x + y) / 16 + h) & 0xFF);
            }
        std::string name = root + "/photo" + std::to_string(k) + "_0000.jpg";
        FILEREQ req;
        IoRequestInit(&req, name.c_str());
        SAVEINFO s{};
        s.w = kW, s.h = kH, s.bit = 24, s.quality = 90, s.ftyp = FTYP_JPEG, s.fbuf = px;
        s.frames = 1;
        if (IoSaveFile(&req, &s) != FILE_SUCCES) abort();
    }
    MemFree(px, "bench");
    for (int i = 0; i < kPhotos; i++) {
        int k = i % kDistinct, j = i / kDistinct;
        if (j == 0) continue;
        char name[64];
        snprintf(name, sizeof name, "/photo%d_%04d.jpg", k, j);
        std::string first = root + "/photo" + std::to_string(k) + "_0000.jpg";
        if (link(first.c_str(), (root + name).c_str()) != 0) abort();
    }
    return root;
}

WINDAT *box = nullptr;

bool ToolkitUp(Display *d) {
    if (!BenchToolkitUp(d)) return false;
    WINDAT *main = BenchMainWindow(d, 420, 800);
    if (!main) return false;
    WINTYP t{};
    t.fg = fg_form, t.bg = bg_form;
    t.width = 420, t.height = 800;
    t.language = 1;
    WINNEIGHBOR nb{};
    FILEBOXOPT o{0, FBX_PLAIN, Photos().c_str(), "*.*", 5};
    box = FileboxCreate(main, 0, 0, &t, &nb, &o);
    WinShow(main, 1);
    XSync(d, False);
    return box != nullptr;
}

// One Down key as the list receives it; back to the first photo at the end.
void Step(Display *d, WINDAT *list) {
    if (ListEntryGetSelectNr(list) >= ListEntryGetEntryMax(list) - 1) ListEntrySetSelectNr(list, 0);
    XEvent ev{};
    ev.xkey.type = KeyPress;
    ev.xkey.display = d;
    ev.xkey.window = list->window;
    ev.xkey.keycode = XKeysymToKeycode(d, XK_Down);
    list->usr.evkey = ev;
    ListKey(list);
    XSync(d, False);
}

void BM_FileboxDown(benchmark::State &state) {
    WINDAT *list = FileboxWndFListGet(box);
    WINDAT *chk = FileboxWndFPreviewChkGet(box);
    BtnChkSetSelect(chk, static_cast<int>(state.range(0)));
    ListEntrySetSelectNr(list, 0);
    Display *d = box->usr.display;
    for (auto _ : state)
        Step(d, list);
    PAINTIMG *e = PaintImgGet(FileboxWndFPreviewGet(box), 0);
    if (state.range(0) && (!e || !e->fi.fbuf)) state.SkipWithError("no preview shown");
    state.SetLabel(state.range(0) ? "preview on" : "preview off");
}
BENCHMARK(BM_FileboxDown)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->Iterations(300);

void BM_FullRead(benchmark::State &state) {
    std::string p = Photos() + "/photo0_0000.jpg";
    for (auto _ : state) {
        FILEREQ req;
        IoRequestInit(&req, p.c_str());
        FILEINFO fi{};
        if (!IoReadFile(&req, &fi, IO_READ_FULL)) state.SkipWithError("read failed");
        IoFreeRecord(&fi, p.c_str());
    }
}
BENCHMARK(BM_FullRead)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

int main(int argc, char **argv) {
    benchmark::Initialize(&argc, argv);
    Server server;
    if (!server.Start("1280x1024x24")) {
        fprintf(stderr, "filebox_bench: no Xvfb\n");
        return 1;
    }
    Display *d = XOpenDisplay(server.name.c_str());
    Photos();
    if (!d || !ToolkitUp(d)) {
        server.Stop();
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    XCloseDisplay(d);
    server.Stop();
    std::string rm = "rm -rf " + Photos();
    if (system(rm.c_str()) != 0) return 1;
    return 0;
}
