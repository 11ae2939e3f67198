// The album window's tree add: 200 different 12-megapixel photos in 10 directories into a new
// album, beside vipsthumbnail -s 96 over the same files; and the longest time the windows went
// without answering an expose while the add ran. Runs on an Xvfb of its own. Arguments: the
// number of photos (200); DRAVIK_BENCH_PHOTOS names photos written earlier (in subdirectories).
#include "app/mf_album.h"
#include "base/settings.h"

#include "bench_photo.h"
#include "bench_window.h"

#include <string>
#include <sys/stat.h>

int main(int argc, char **argv) {
    int photos = argc > 1 ? atoi(argv[1]) : 200;
    char tmpl[] = "/tmp/dravik-albwin-bench-XXXXXX";
    std::string dir = mkdtemp(tmpl);
    // Repeated runs can skip the minute of writing.
    const char *given = getenv("DRAVIK_BENCH_PHOTOS");
    if (given && *given) {
        std::string cmd = "ln -s '" + std::string(given) + "' '" + dir + "/photos'";
        if (system(cmd.c_str()) != 0) return 1;
    } else {
        fprintf(stderr, "writing %d photos of 4000x3000 in 10 directories ...\n", photos);
        mkdir((dir + "/photos").c_str(), 0755);
        for (int i = 0; i < photos; i++) {
            std::string sub = dir + "/photos/d" + std::to_string(i % 10);
            mkdir(sub.c_str(), 0755);
            WriteBenchPhoto(sub + "/p" + std::to_string(i) + ".jpg", 4000, 3000, 7u + i * 977u);
        }
    }

    double vips_ms = -1;
    if (system("command -v vipsthumbnail >/dev/null 2>&1") == 0) {
        mkdir((dir + "/vips").c_str(), 0755);
        std::string cmd =
            "vipsthumbnail -s 96 -o '" + dir + "/vips/%s.jpg' '" + dir + "'/photos/*/*.jpg";
        auto t0 = BenchClock::now();
        if (system(cmd.c_str()) != 0) fprintf(stderr, "vipsthumbnail failed\n");
        vips_ms = BenchMs(t0, BenchClock::now());
    } else {
        printf("vipsthumbnail not installed (Debian package libvips-tools): comparison skipped\n");
    }

    XvfbServer server;
    Display *display = BenchWindowDisplay(&server);
    if (!display) return 1;
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
    BenchExposeProbe probe;
    probe.Start(server.name.c_str(), view);
    XSync(display, False);

    probe.Begin();
    WINDATUSR rec = view->usr;
    rec.win = view;
    auto t0 = BenchClock::now();
    AlbumPageEntryAddFuncAddDirSub(&rec);
    double add_ms = BenchMs(t0, BenchClock::now());
    double gap = probe.End();
    int added = album->added;
    ToolkitUnlock();
    probe.Stop();

    printf("album window tree add, 12 MP photos in 10 directories: %d added\n", added);
    if (vips_ms > 0)
        printf("wall: dravik %.0f ms / vipsthumbnail -s 96 %.0f ms = %.2f\n", add_ms, vips_ms,
               add_ms / vips_ms);
    else
        printf("wall: dravik %.0f ms\n", add_ms);
    printf("longest gap between answered exposes (probe every 10 ms): %.0f ms\n", gap);
    BenchLoadLine();
    std::string cmd = "rm -rf '" + dir + "'";
    if (system(cmd.c_str()) != 0) {}
    server.Stop();
    return added > 0 ? 0 : 1;
}
