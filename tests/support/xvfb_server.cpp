#include "support/xvfb_server.h"

#include <X11/Xlib.h>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

bool WaitFor(const std::function<bool()> &cond, int ms) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < end) {
        if (cond()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return cond();
}

static bool DisplayInUse(int n) {
    char path[64];
    struct stat st;
    snprintf(path, sizeof path, "/tmp/.X%d-lock", n);
    if (stat(path, &st) == 0) return true;
    snprintf(path, sizeof path, "/tmp/.X11-unix/X%d", n);
    return stat(path, &st) == 0;
}

bool XvfbServer::Start(const std::string &screen) {
    // Test processes claim a display number with a lock of their own, held until their server
    // is reaped, so that parallel tests never share or reuse a number too early.
    for (int n = 100; n < 600; n++) {
        char lock_path[64];
        snprintf(lock_path, sizeof lock_path, "/tmp/dravik-xvfb-%d.lock", n);
        int fd = open(lock_path, O_RDWR | O_CREAT, 0666);
        if (fd < 0) continue;
        if (flock(fd, LOCK_EX | LOCK_NB) != 0 || DisplayInUse(n)) {
            close(fd);
            continue;
        }
        std::string disp = ":" + std::to_string(n);
        int child = fork();
        if (child < 0) {
            close(fd);
            return false;
        }
        if (child == 0) {
            int devnull = open("/dev/null", O_WRONLY);
            dup2(devnull, 1);
            dup2(devnull, 2);
            execlp("Xvfb", "Xvfb", disp.c_str(), "-screen", "0", screen.c_str(), "-nolisten", "tcp",
                   "-noreset", static_cast<char *>(nullptr));
            _exit(127);
        }
        int st;
        bool died = false;
        bool up = WaitFor(
            [&] {
                if (waitpid(child, &st, WNOHANG) == child) return died = true;
                Display *d = XOpenDisplay(disp.c_str());
                if (!d) return false;
                XCloseDisplay(d);
                return true;
            },
            10000);
        if (up && !died) {
            pid = child;
            number = n;
            name = disp;
            lock_fd = fd;
            return true;
        }
        if (!died) {
            kill(child, SIGKILL);
            waitpid(child, &st, 0);
        }
        close(fd);
    }
    return false;
}

void XvfbServer::Stop() {
    if (pid <= 0) return;
    kill(pid, SIGTERM);
    int st;
    if (!WaitFor([&] { return waitpid(pid, &st, WNOHANG) == pid; }, 3000)) {
        kill(pid, SIGKILL);
        waitpid(pid, &st, 0);
    }
    pid = -1;
    if (lock_fd >= 0) close(lock_fd);
    lock_fd = -1;
}
