// A private Xvfb for the display benchmarks, on a display number claimed as the tests claim
// theirs.
#pragma once

#include <X11/Xlib.h>
#include <csignal>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

struct BenchXvfb {
    pid_t pid = -1;
    int lock_fd = -1;
    std::string name;
    // Claims a display number as the tests do (a lock of our own and no server's lock file),
    // then waits until the server takes connections.
    bool Start(const char *screen) {
        for (int n = 600; n < 700; n++) {
            std::string lock = "/tmp/dravik-xvfb-" + std::to_string(n) + ".lock";
            int fd = open(lock.c_str(), O_RDWR | O_CREAT, 0666);
            if (fd < 0) continue;
            struct stat st;
            std::string xlock = "/tmp/.X" + std::to_string(n) + "-lock";
            std::string sock = "/tmp/.X11-unix/X" + std::to_string(n);
            if (flock(fd, LOCK_EX | LOCK_NB) != 0 || stat(xlock.c_str(), &st) == 0 ||
                stat(sock.c_str(), &st) == 0) {
                close(fd);
                continue;
            }
            name = ":" + std::to_string(n);
            pid = fork();
            if (pid == 0) {
                int devnull = open("/dev/null", O_WRONLY);
                dup2(devnull, 1);
                dup2(devnull, 2);
                execlp("Xvfb", "Xvfb", name.c_str(), "-screen", "0", screen, "-nolisten", "tcp",
                       static_cast<char *>(nullptr));
                _exit(127);
            }
            lock_fd = fd;
            for (int i = 0; i < 200; i++) {
                int status;
                if (waitpid(pid, &status, WNOHANG) == pid) break;
                if (Display *d = XOpenDisplay(name.c_str())) {
                    XCloseDisplay(d);
                    return true;
                }
                usleep(50000);
            }
            Stop();
        }
        return false;
    }
    void Stop() {
        if (pid > 0) {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
        pid = -1;
        if (lock_fd >= 0) close(lock_fd);
        lock_fd = -1;
    }
};
