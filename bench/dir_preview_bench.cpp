// The directory preview of 200 different 12-megapixel photos, beside vipsthumbnail -s 96 over
// the same files, in alternating rounds; and the longest time the preview went without
// answering an expose while it read. Runs on an Xvfb of its own. Arguments: the number of
// photos (200) and of rounds (3).
#include "widgets/xfiledirpreview.h"
#include "widgets/xfilebox.h"
#include "widgets/xpaint.h"

#include "bench_photo.h"
#include "bench_window.h"

#include <string>
#include <sys/stat.h>

int main(int argc, char **argv) {
    int photos = argc > 1 ? atoi(argv[1]) : 200;
    int rounds = argc > 2 ? std::max(1, atoi(argv[2])) : 3;
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
        WriteBenchPhoto(photodir + name, 4000, 3000, 7u + i * 977u);
    }

    XvfbServer server;
    Display *display = BenchWindowDisplay(&server);
    if (!display) return 1;

    ToolkitLock();
    WINDAT *mainwin = BenchMainWindow(display, 400, 500);
    if (!mainwin) return 1;
    WinOptRtUpdate(mainwin, opt_rt);
    WINTYP ft{};
    ft.fg = fg_form, ft.bg = bg_form;
    ft.width = 400, ft.height = 500;
    ft.language = 1;
    ft.mouseleft = 1, ft.mouseright = 3;
    WINNEIGHBOR nb{};
    FILEBOXOPT fo{0, FBX_PLAIN, (dir + "/empty").c_str(), "*.*", 5};
    WINDAT *box = FileboxCreate(mainwin, 0, 0, &ft, &nb, &fo);
    // The preview's window exists before the measured fills, so the probe has a target.
    mf_FileDirPrev(box);
    WINDAT *view = DirPreviewView(DirPreviewGet(box));
    if (!view) {
        fprintf(stderr, "preview not opened\n");
        return 1;
    }
    BenchExposeProbe probe;
    probe.Start(server.name.c_str(), view);
    FileboxDirEnter(box, photodir.c_str());
    XSync(display, False);
    ToolkitUnlock();

    printf("directory preview, %d x 12 MP, %d reader threads\n", photos,
           DirPreviewThreadCount(photos));
    int cells = 0;
    double worst = 0;
    for (int r = 0; r < rounds; r++) {
        double vips_ms = -1;
        if (vips) {
            std::string cmd =
                "vipsthumbnail -s 96 -o '" + dir + "/vips/%s.jpg' '" + photodir + "'/*.jpg";
            auto t0 = BenchClock::now();
            if (system(cmd.c_str()) != 0) fprintf(stderr, "vipsthumbnail failed\n");
            vips_ms = BenchMs(t0, BenchClock::now());
        }
        ToolkitLock();
        probe.Begin();
        auto t0 = BenchClock::now();
        mf_FileDirPrev(box);
        double ms = BenchMs(t0, BenchClock::now());
        double gap = probe.End();
        cells = view->img_count;
        ToolkitUnlock();
        if (vips_ms > 0) {
            printf("round %d: dravik %.0f ms / vipsthumbnail -s 96 %.0f ms = %.2f\n", r + 1, ms,
                   vips_ms, ms / vips_ms);
            worst = std::max(worst, ms / vips_ms);
        } else {
            printf("round %d: dravik %.0f ms\n", r + 1, ms);
        }
        printf("  longest gap between answered exposes (probe every 10 ms): %.0f ms\n", gap);
    }
    probe.Stop();
    printf("cells %d; worst ratio %.2f (target 0.50)\n", cells, worst);
    BenchLoadLine();
    std::string cmd = "rm -rf '" + dir + "'";
    if (system(cmd.c_str()) != 0) {}
    server.Stop();
    return cells == photos ? 0 : 1;
}
