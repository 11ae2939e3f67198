// Time to first paint: starts a viewer on a private Xvfb (1280x1024x24) and polls one screen
// pixel until the picture's marker colour appears there; also the viewer's peak memory.
//
//   first_paint_bench [--runs N] [--make-jpeg OUT W H] [--probe X,Y] [--trace] -- VIEWER ARGS...
//
// --make-jpeg writes a photo-like baseline JPEG (smooth colour, noise) with two magenta blocks,
// one over image x 300..700, y 200..360 (under the default probe 640,300 when the picture starts
// in dravik's work area) and one above the centre (under the probe when a 1280 x 1024 window
// shows the picture's centre at 100 %, as feh does). Other
// pictures (DICOM series) use --trace: the time until dravik's "trace: open" line, written once
// the picture has been put to the window and flushed (DRAVIK_TRACE is set for the viewer).
#include "support/jpeg_file.h"
#include "support/xvfb_server.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <algorithm>
#include <fcntl.h>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <jpeglib.h>
#include <random>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using Clock = std::chrono::steady_clock;

static int MakeJpeg(const char *path, int w, int h) {
    std::minstd_rand rnd(1);
    bool ok = WriteJpegFile(path, w, h, 90, false, [&](int y, JSAMPLE *row) {
        for (int x = 0; x < w; x++) {
            int n = static_cast<int>(rnd() % 24) - 12;
            int r = 128 + static_cast<int>(90 * __builtin_sin(x / 300.0)) + n;
            int g = 128 + static_cast<int>(90 * __builtin_cos(y / 200.0)) + n;
            int b = 128 + static_cast<int>(60 * __builtin_sin((x + y) / 500.0)) + n;
            bool corner = x >= 300 && x < 700 && y >= 200 && y < 360;
            bool centre =
                x >= w / 2 - 200 && x < w / 2 + 200 && y >= h / 2 - 300 && y < h / 2 - 140;
            if (corner || centre) r = 255, g = 0, b = 255;
            row[x * 3] = static_cast<JSAMPLE>(std::min(255, std::max(0, r)));
            row[x * 3 + 1] = static_cast<JSAMPLE>(std::min(255, std::max(0, g)));
            row[x * 3 + 2] = static_cast<JSAMPLE>(std::min(255, std::max(0, b)));
        }
    });
    return ok ? 0 : 1;
}

static unsigned long Pixel(Display *d, int x, int y) {
    XImage *im = XGetImage(d, DefaultRootWindow(d), x, y, 1, 1, AllPlanes, ZPixmap);
    if (!im) return ~0UL;
    unsigned long p = XGetPixel(im, 0, 0);
    XDestroyImage(im);
    return p;
}

static bool Magenta(unsigned long p) {
    int r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
    return r > 200 && g < 60 && b > 200;
}

int main(int argc, char **argv) {
    int runs = 5, px = 640, py = 300;
    bool trace = false;
    int i = 1;
    for (; i < argc && strcmp(argv[i], "--") != 0; i++) {
        if (!strcmp(argv[i], "--runs") && i + 1 < argc) {
            runs = atoi(argv[++i]);
        } else if (!strcmp(argv[i], "--make-jpeg") && i + 3 < argc) {
            return MakeJpeg(argv[i + 1], atoi(argv[i + 2]), atoi(argv[i + 3]));
        } else if (!strcmp(argv[i], "--trace")) {
            trace = true;
        } else if (!strcmp(argv[i], "--probe") && i + 1 < argc) {
            if (sscanf(argv[++i], "%d,%d", &px, &py) != 2) return 2;
        } else {
            fprintf(
                stderr,
                "usage: %s [--runs N] [--make-jpeg OUT W H] [--probe X,Y] [--trace] -- CMD...\n",
                argv[0]);
            return 2;
        }
    }
    if (i + 1 >= argc) return 2;
    char **cmd = argv + i + 1;

    XvfbServer server;
    Display *d = server.Start("1280x1024x24") ? XOpenDisplay(server.name.c_str()) : nullptr;
    if (!d) {
        fprintf(stderr, "Xvfb did not start\n");
        return 1;
    }
    setenv("DISPLAY", server.name.c_str(), 1);
    std::vector<double> times;
    long peak = 0;
    for (int r = 0; r < runs; r++) {
        unsigned long before = Pixel(d, px, py);
        int fds[2];
        if (pipe(fds) != 0) return 1;
        fcntl(fds[0], F_SETFL, O_NONBLOCK);
        auto t0 = Clock::now();
        pid_t p = fork();
        if (p == 0) {
            int devnull = open("/dev/null", 1);
            dup2(devnull, 1);
            dup2(trace ? fds[1] : devnull, 2);
            close(fds[0]);
            setenv("DRAVIK_TRACE", "1", 1);
            execvp(cmd[0], cmd);
            _exit(127);
        }
        close(fds[1]);
        std::string err;
        double t = -1;
        while (std::chrono::duration<double>(Clock::now() - t0).count() < 20) {
            if (trace) {
                char buf[4096];
                ssize_t n = read(fds[0], buf, sizeof buf);
                if (n > 0) err.append(buf, static_cast<size_t>(n));
                if (err.find("trace: open") != std::string::npos) {
                    t = std::chrono::duration<double>(Clock::now() - t0).count();
                    break;
                }
                usleep(500);
                continue;
            }
            unsigned long now = Pixel(d, px, py);
            if (Magenta(now)) {
                t = std::chrono::duration<double>(Clock::now() - t0).count();
                break;
            }
            usleep(500);
        }
        // The rest of the read finishes before the peak is taken.
        usleep(1500000);
        kill(p, SIGKILL);
        close(fds[0]);
        int st = 0;
        rusage ru{};
        wait4(p, &st, 0, &ru);
        peak = std::max(peak, ru.ru_maxrss);
        if (t < 0) {
            fprintf(stderr, "no paint seen in run %d\n", r);
            continue;
        }
        times.push_back(t);
        // The screen is black again before the next run.
        for (int k = 0; k < 200 && !trace && Pixel(d, px, py) != before; k++)
            usleep(10000);
    }
    XCloseDisplay(d);
    server.Stop();
    if (times.empty()) return 1;
    std::sort(times.begin(), times.end());
    printf("first paint median %.3f s (min %.3f, max %.3f, %zu runs), peak RSS %ld MB: %s\n",
           times[times.size() / 2], times.front(), times.back(), times.size(), peak / 1024, cmd[0]);
    return 0;
}
