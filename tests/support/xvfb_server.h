// A private Xvfb on a free display number, for the tests and the benchmarks alike (no test
// framework here).
#pragma once

#include <functional>
#include <string>

// A private X server on a free display number; stopped by the destructor.
struct XvfbServer {
    int number = -1;
    int pid = -1;
    int lock_fd = -1;
    std::string name; // ":N"

    // screen like "1280x1024x24"; returns false (and leaves nothing running) on failure.
    bool Start(const std::string &screen = "1280x1024x24");
    void Stop();
    ~XvfbServer() { Stop(); }
};

// Polls `cond` until it is true or `ms` milliseconds have passed.
bool WaitFor(const std::function<bool()> &cond, int ms = 5000);
