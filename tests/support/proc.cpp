#include "support/proc.h"

#include "support/xvfb_server.h"

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

static std::string MakeTempDir() {
    char tmpl[] = "/tmp/dravik-test-XXXXXX";
    char *dir = mkdtemp(tmpl);
    return dir ? dir : "";
}

bool ProgramRun::Start(const std::string &path, const std::string &display,
                       const std::vector<std::string> &args) {
    home = MakeTempDir();
    if (home.empty()) return false;
    err_path = home + "/.stderr";
    if (!rc.empty()) std::ofstream(home + "/.dravikrc") << rc;
    pid = fork();
    if (pid < 0) return false;
    if (pid == 0) {
        int fd = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(fd, 2);
        int devnull = open("/dev/null", O_RDWR);
        dup2(devnull, 0);
        dup2(devnull, 1);
        setenv("HOME", home.c_str(), 1);
        setenv("DISPLAY", display.c_str(), 1);
        for (auto &e : env)
            putenv(const_cast<char *>(e.c_str()));
        std::vector<char *> argv;
        argv.push_back(const_cast<char *>(path.c_str()));
        for (auto &a : args)
            argv.push_back(const_cast<char *>(a.c_str()));
        argv.push_back(nullptr);
        execv(path.c_str(), argv.data());
        _exit(127);
    }
    return true;
}

bool ProgramRun::Wait(int ms) {
    if (pid <= 0) return status >= 0;
    int st = 0;
    bool ended = WaitFor([&] { return waitpid(pid, &st, WNOHANG) == pid; }, ms);
    if (!ended) return false;
    pid = -1;
    status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return true;
}

void ProgramRun::Signal(int sig) {
    if (pid > 0) kill(pid, sig);
}

ScratchDir::ScratchDir() {
    char tmpl[] = "/tmp/dravik-scratch-XXXXXX";
    if (!mkdtemp(tmpl)) return;
    char *real = realpath(tmpl, nullptr);
    path = real ? real : tmpl;
    free(real);
}

ScratchDir::~ScratchDir() {
    // Tests may leave entries without permissions behind.
    if (!path.empty())
        (void)!system(("chmod -R u+rwx '" + path + "' 2>/dev/null; rm -rf '" + path + "'").c_str());
}

TempOut::TempOut(const char *ext) {
    char name[] = "/tmp/dravik-out-XXXXXX";
    int fd = mkstemp(name);
    if (fd >= 0) close(fd);
    unlink(name);
    path = std::string(name) + ext;
}

TempOut::~TempOut() {
    unlink(path.c_str());
}

std::string ReadWholeFile(const std::string &path) {
    std::ifstream f(path, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

std::vector<uint8_t> ReadFileBytes(const std::string &path) {
    std::string s = ReadWholeFile(path);
    return std::vector<uint8_t>(s.begin(), s.end());
}

bool WriteWholeFile(const std::string &path, const std::string &bytes, int mode) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f << bytes;
    f.close();
    return f && (mode < 0 || chmod(path.c_str(), static_cast<mode_t>(mode)) == 0);
}

bool WriteWholeFile(const std::string &path, const std::vector<uint8_t> &bytes, int mode) {
    return WriteWholeFile(path, std::string(bytes.begin(), bytes.end()), mode);
}

std::set<std::string> DirNames(const std::string &dir) {
    std::set<std::string> out;
    if (DIR *d = opendir(dir.c_str())) {
        while (dirent *e = readdir(d))
            if (strcmp(e->d_name, ".") && strcmp(e->d_name, "..")) out.insert(e->d_name);
        closedir(d);
    }
    return out;
}

std::string ProgramRun::Stderr() const {
    return ReadWholeFile(err_path);
}

ProgramRun::~ProgramRun() {
    if (pid > 0) {
        kill(pid, SIGKILL);
        int st;
        waitpid(pid, &st, 0);
    }
    if (!home.empty()) (void)!system(("rm -rf '" + home + "'").c_str());
}

ToolResult RunTool(const std::vector<std::string> &args) {
    ToolResult r;
    std::string dir = MakeTempDir();
    std::string out = dir + "/out", err = dir + "/err";
    int pid = fork();
    if (pid == 0) {
        int fo = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        int fe = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(fo, 1);
        dup2(fe, 2);
        std::vector<char *> argv;
        for (auto &a : args)
            argv.push_back(const_cast<char *>(a.c_str()));
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    int st = 0;
    waitpid(pid, &st, 0);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    r.out = ReadWholeFile(out);
    r.err = ReadWholeFile(err);
    (void)!system(("rm -rf '" + dir + "'").c_str());
    return r;
}
