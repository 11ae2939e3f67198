// Test helpers: running the real binaries with a private HOME.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

// A running program; its stderr goes to a file that can be read while it runs.
struct ProgramRun {
    int pid = -1;
    std::string home;             // private HOME directory, removed by the destructor
    std::string err_path;         // stderr of the program
    int status = -1;              // exit status once ended (0..255), or -1 while running / killed
    std::string rc;               // written to $HOME/.dravikrc before the start when not empty
    std::vector<std::string> env; // "NAME=value" entries added to the environment

    // Starts `path` with DISPLAY=display and HOME=a fresh temporary directory.
    bool Start(const std::string &path, const std::string &display,
               const std::vector<std::string> &args = {});
    // Waits up to `ms` for the end; returns true when it ended and `status` is set.
    bool Wait(int ms = 10000);
    void Signal(int sig);
    std::string Stderr() const;
    ~ProgramRun();
};

// The whole file as bytes; empty when it cannot be read.
std::string ReadWholeFile(const std::string &path);
std::vector<uint8_t> ReadFileBytes(const std::string &path);
// Writes (creates or truncates) the file; with mode >= 0 it gets that mode. False on failure.
bool WriteWholeFile(const std::string &path, const std::string &bytes, int mode = -1);
bool WriteWholeFile(const std::string &path, const std::vector<uint8_t> &bytes, int mode = -1);
// The names in a directory but "." and ".."; empty when it cannot be read.
std::set<std::string> DirNames(const std::string &dir);

// A fresh directory under /tmp (its real path), removed with everything in it by the destructor.
struct ScratchDir {
    std::string path;
    ScratchDir();
    ~ScratchDir();
    std::string File(const char *name) const { return path + "/" + name; }
};

// A free path under /tmp ending in `ext` for a program to write; removed by the destructor.
struct TempOut {
    std::string path;
    explicit TempOut(const char *ext);
    ~TempOut();
};

// Runs a command to its end and captures stdout, stderr and the exit status.
struct ToolResult {
    int status = -1;
    std::string out, err;
};
ToolResult RunTool(const std::vector<std::string> &argv);
