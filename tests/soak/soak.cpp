// Random input for a running dravik: clicks, drags, wheel, keys and accelerators through XTest
// over every window it has mapped, for a given time. The program is started by a command given
// on the command line and started again after each clean exit; a crash, a sanitizer report or a
// program that stops answering ends the soak with status 1.
//
//   dravik-soak --seconds S --log DIR [--seed N] -- COMMAND...
//
// The command runs with DISPLAY as given to the soak and DRAVIK_TRACE=1 in its environment, so
// that it answers the liveness probe (a ClientMessage "_DRAVIK_PING") with a trace line.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

using Clock = std::chrono::steady_clock;

namespace {

struct Soak {
    Display *d = nullptr;
    std::mt19937 rng;
    std::vector<std::string> command;
    std::string log_dir;
    int pid = -1;
    std::string err_path;
    long ping_sent = 0;
    Clock::time_point last_pong;
    long events = 0;
    int starts = 0;
};

int IgnoreXErrors(Display *, XErrorEvent *) {
    return 0;
}

int Rand(Soak &s, int lo, int hi) {
    return std::uniform_int_distribution<int>(lo, hi)(s.rng);
}

void Pause(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

std::string ReadFile(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

bool StartProgram(Soak &s) {
    s.starts++;
    s.err_path = s.log_dir + "/start-" + std::to_string(s.starts) + ".err";
    s.pid = fork();
    if (s.pid < 0) return false;
    if (s.pid == 0) {
        int fd = open(s.err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd >= 0) dup2(fd, 2);
        int devnull = open("/dev/null", O_RDWR);
        dup2(devnull, 0);
        dup2(devnull, 1);
        setenv("DRAVIK_TRACE", "1", 1);
        std::vector<char *> argv;
        for (auto &a : s.command)
            argv.push_back(const_cast<char *>(a.c_str()));
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    s.ping_sent = 0;
    s.last_pong = Clock::now();
    return true;
}

// The highest sequence number the program answered in its trace.
long LastPong(const std::string &err) {
    long best = 0;
    const std::string key = "dravik: trace: pong ";
    for (size_t p = 0; (p = err.find(key, p)) != std::string::npos; p += key.size())
        best = std::max(best, strtol(err.c_str() + p + key.size(), nullptr, 10));
    return best;
}

bool SanitizerReport(const std::string &err) {
    return err.find("ERROR: AddressSanitizer") != std::string::npos ||
           err.find("ERROR: LeakSanitizer") != std::string::npos ||
           err.find("runtime error:") != std::string::npos;
}

void Tail(const std::string &err, size_t bytes) {
    size_t from = err.size() > bytes ? err.size() - bytes : 0;
    fprintf(stderr, "%s\n", err.c_str() + from);
}

// The report whole, with the program's last lines before it: the sanitizer is still writing
// when its first line is seen, so wait until the program has ended (it aborts after the report).
void Report(Soak &s) {
    for (int t = 0; t < 300 && s.pid > 0; t++) {
        pid_t r = waitpid(s.pid, nullptr, WNOHANG);
        if (r == s.pid || r < 0)
            s.pid = -1;
        else
            usleep(100 * 1000);
    }
    std::string err = ReadFile(s.err_path);
    size_t at = std::string::npos;
    for (const char *mark : {"==ERROR: ", "runtime error:"})
        at = std::min(at, err.find(mark));
    if (at == std::string::npos) return Tail(err, 6000);
    size_t from = err.rfind('\n', at > 1500 ? at - 1500 : 0);
    fprintf(stderr, "%s\n", err.substr(from == std::string::npos ? 0 : from, 20000).c_str());
}

// The mapped, viewable top-level windows on the screen (only the program runs there).
std::vector<XWindowAttributes> Windows(Soak &s) {
    std::vector<XWindowAttributes> out;
    Window root = DefaultRootWindow(s.d), parent, *kids = nullptr;
    unsigned n = 0;
    if (!XQueryTree(s.d, root, &root, &parent, &kids, &n)) return out;
    for (unsigned i = 0; i < n; i++) {
        XWindowAttributes a;
        if (XGetWindowAttributes(s.d, kids[i], &a) && a.map_state == IsViewable && a.width > 4 &&
            a.height > 4)
            out.push_back(a);
    }
    if (kids) XFree(kids);
    return out;
}

void Ping(Soak &s) {
    Window root = DefaultRootWindow(s.d);
    Atom ping = XInternAtom(s.d, "_DRAVIK_PING", False);
    s.ping_sent++;
    // Send to every top-level window: whichever loop runs picks one up.
    Window r, parent, *kids = nullptr;
    unsigned n = 0;
    if (!XQueryTree(s.d, root, &r, &parent, &kids, &n)) return;
    for (unsigned i = 0; i < n; i++) {
        XEvent ev{};
        ev.xclient.type = ClientMessage;
        ev.xclient.window = kids[i];
        ev.xclient.message_type = ping;
        ev.xclient.format = 32;
        ev.xclient.data.l[0] = s.ping_sent;
        XSendEvent(s.d, kids[i], False, NoEventMask, &ev);
    }
    if (kids) XFree(kids);
    XSync(s.d, False);
}

void Key(Soak &s, KeySym sym, bool press) {
    KeyCode code = XKeysymToKeycode(s.d, sym);
    if (code) XTestFakeKeyEvent(s.d, code, press, CurrentTime);
}

KeySym RandomKey(Soak &s) {
    static const KeySym named[] = {
        XK_Return, XK_Escape, XK_Tab,  XK_space, XK_BackSpace, XK_Delete, XK_Up,   XK_Down,
        XK_Left,   XK_Right,  XK_Home, XK_End,   XK_Prior,     XK_Next,   XK_plus, XK_minus,
        XK_F1,     XK_F2,     XK_F5,   XK_F10,   XK_F11,       XK_period, XK_comma};
    int pick = Rand(s, 0, 3);
    if (pick == 0) return named[Rand(s, 0, sizeof named / sizeof named[0] - 1)];
    if (pick == 1) return XK_0 + Rand(s, 0, 9);
    return XK_a + Rand(s, 0, 25);
}

// One random action over a random window.
void Act(Soak &s) {
    auto wins = Windows(s);
    if (wins.empty()) return;
    const XWindowAttributes &a = wins[Rand(s, 0, static_cast<int>(wins.size()) - 1)];
    int x = a.x + Rand(s, 0, a.width - 1), y = a.y + Rand(s, 0, a.height - 1);
    XTestFakeMotionEvent(s.d, -1, x, y, CurrentTime);
    int what = Rand(s, 0, 99);
    if (what < 30) { // click, fast to slow
        unsigned b = Rand(s, 0, 9) < 7 ? 1 : (Rand(s, 0, 1) ? 3 : 2);
        XTestFakeButtonEvent(s.d, b, True, CurrentTime);
        XSync(s.d, False);
        Pause(Rand(s, 0, 2) ? Rand(s, 0, 60) : 300);
        XTestFakeButtonEvent(s.d, b, False, CurrentTime);
        if (Rand(s, 0, 5) == 0) { // double click
            XTestFakeButtonEvent(s.d, b, True, CurrentTime);
            XTestFakeButtonEvent(s.d, b, False, CurrentTime);
        }
    } else if (what < 40) { // drag
        unsigned b = Rand(s, 0, 2) ? 1 : 2;
        XTestFakeButtonEvent(s.d, b, True, CurrentTime);
        for (int i = 0; i < 6; i++) {
            x += Rand(s, -40, 40);
            y += Rand(s, -40, 40);
            XTestFakeMotionEvent(s.d, -1, x, y, CurrentTime);
            XSync(s.d, False);
            Pause(10);
        }
        XTestFakeButtonEvent(s.d, b, False, CurrentTime);
    } else if (what < 52) { // wheel, sometimes with Ctrl or Shift
        KeySym mod = Rand(s, 0, 3) == 0 ? XK_Control_L : (Rand(s, 0, 3) == 0 ? XK_Shift_L : 0);
        if (mod) Key(s, mod, true);
        unsigned b = static_cast<unsigned>(Rand(s, 4, 7));
        for (int i = Rand(s, 1, 3); i > 0; i--) {
            XTestFakeButtonEvent(s.d, b, True, CurrentTime);
            XTestFakeButtonEvent(s.d, b, False, CurrentTime);
        }
        if (mod) Key(s, mod, false);
    } else if (what < 85) { // a key, sometimes shifted
        KeySym k = RandomKey(s);
        bool shift = Rand(s, 0, 4) == 0;
        if (shift) Key(s, XK_Shift_L, true);
        Key(s, k, true);
        if (shift && Rand(s, 0, 1)) Key(s, XK_Shift_L, false); // rolled release
        Key(s, k, false);
        if (shift) Key(s, XK_Shift_L, false);
    } else { // an accelerator, the modifier released first or last
        KeySym mod = Rand(s, 0, 1) ? XK_Control_L : XK_Alt_L;
        KeySym k = XK_a + Rand(s, 0, 25);
        Key(s, mod, true);
        Key(s, k, true);
        bool rolled = Rand(s, 0, 1);
        if (rolled) Key(s, mod, false);
        Key(s, k, false);
        if (!rolled) Key(s, mod, false);
    }
    XSync(s.d, False);
    s.events++;
}

// 0 while it runs, 1 after a clean exit, -1 after a fault (reported).
int Check(Soak &s, int hang_seconds) {
    int st = 0;
    pid_t r = waitpid(s.pid, &st, WNOHANG);
    std::string err = ReadFile(s.err_path);
    if (SanitizerReport(err)) {
        fprintf(stderr, "soak: start %d: sanitizer report\n", s.starts);
        if (r == s.pid) s.pid = -1;
        Report(s);
        return -1;
    }
    if (r == s.pid) {
        s.pid = -1;
        if (WIFEXITED(st) && WEXITSTATUS(st) == 0) return 1;
        fprintf(stderr, "soak: start %d: ended with %s %d\n", s.starts,
                WIFSIGNALED(st) ? "signal" : "status",
                WIFSIGNALED(st) ? WTERMSIG(st) : WEXITSTATUS(st));
        Tail(err, 6000);
        return -1;
    }
    long pong = LastPong(err);
    if (pong > 0 && pong >= s.ping_sent - 1) s.last_pong = Clock::now();
    if (Clock::now() - s.last_pong > std::chrono::seconds(hang_seconds)) {
        fprintf(stderr, "soak: start %d: no answer for %d s (pings sent %ld, answered %ld)\n",
                s.starts, hang_seconds, s.ping_sent, pong);
        std::string gdb = "gdb -p " + std::to_string(s.pid) +
                          " -batch -ex 'thread apply all bt 20' >&2 2>/dev/null";
        (void)!system(gdb.c_str());
        Tail(err, 3000);
        return -1;
    }
    return 0;
}

bool WaitForWindow(Soak &s, int ms) {
    for (int t = 0; t < ms; t += 50) {
        if (!Windows(s).empty()) return true;
        int st = 0;
        if (waitpid(s.pid, &st, WNOHANG) == s.pid) {
            s.pid = -1;
            fprintf(stderr, "soak: start %d ended before it showed a window\n", s.starts);
            Tail(ReadFile(s.err_path), 6000);
            return false;
        }
        Pause(50);
    }
    fprintf(stderr, "soak: start %d showed no window\n", s.starts);
    return false;
}

void Stop(Soak &s) {
    if (s.pid <= 0) return;
    kill(s.pid, SIGTERM);
    for (int i = 0; i < 100 && waitpid(s.pid, nullptr, WNOHANG) != s.pid; i++)
        Pause(100);
    kill(s.pid, SIGKILL);
    waitpid(s.pid, nullptr, 0);
    s.pid = -1;
}

} // namespace

int main(int argc, char **argv) {
    Soak s;
    int seconds = 120, hang = 60;
    unsigned seed = static_cast<unsigned>(time(nullptr));
    int i = 1;
    for (; i < argc; i++) {
        std::string a = argv[i];
        if (a == "--") {
            i++;
            break;
        }
        if (i + 1 >= argc) break;
        if (a == "--seconds")
            seconds = atoi(argv[++i]);
        else if (a == "--log")
            s.log_dir = argv[++i];
        else if (a == "--seed")
            seed = static_cast<unsigned>(strtoul(argv[++i], nullptr, 10));
        else if (a == "--hang")
            hang = atoi(argv[++i]);
    }
    for (; i < argc; i++)
        s.command.push_back(argv[i]);
    if (s.command.empty() || s.log_dir.empty()) {
        fprintf(stderr, "usage: dravik-soak --seconds S --log DIR [--seed N] -- COMMAND...\n");
        return 2;
    }
    s.d = XOpenDisplay(nullptr);
    if (!s.d) {
        fprintf(stderr, "dravik-soak: cannot open the display\n");
        return 2;
    }
    int ev, er, maj, min;
    if (!XTestQueryExtension(s.d, &ev, &er, &maj, &min)) {
        fprintf(stderr, "dravik-soak: the display has no XTest\n");
        return 2;
    }
    XSetErrorHandler(IgnoreXErrors);
    s.rng.seed(seed);
    printf("soak: seed %u, %d s\n", seed, seconds);
    fflush(stdout);

    auto end = Clock::now() + std::chrono::seconds(seconds);
    int result = 0;
    while (Clock::now() < end && result == 0) {
        if (!StartProgram(s) || !WaitForWindow(s, 30000)) {
            result = 1;
            break;
        }
        auto next_ping = Clock::now();
        while (Clock::now() < end) {
            if (Clock::now() >= next_ping) {
                Ping(s);
                next_ping = Clock::now() + std::chrono::seconds(2);
            }
            Act(s);
            Pause(Rand(s, 2, 25));
            int c = Check(s, hang);
            if (c < 0) result = 1;
            if (c != 0) break;
        }
    }
    if (result == 0 && s.pid > 0) {
        // A last answer proves the program still runs its loop at the end.
        Ping(s);
        bool answered = false;
        for (int t = 0; t < hang * 10 && !answered; t++) {
            answered = LastPong(ReadFile(s.err_path)) >= s.ping_sent;
            if (!answered) Pause(100);
        }
        if (!answered) {
            fprintf(stderr, "soak: no answer at the end\n");
            result = 1;
        }
    }
    Stop(s);
    if (result == 0 && SanitizerReport(ReadFile(s.err_path))) {
        fprintf(stderr, "soak: sanitizer report at the end\n");
        Report(s);
        result = 1;
    }
    printf("soak: %ld events, %d starts\n", s.events, s.starts);
    printf("soak: %d passed, %d failed\n", result == 0 ? 1 : 0, result == 0 ? 0 : 1);
    XCloseDisplay(s.d);
    return result;
}
