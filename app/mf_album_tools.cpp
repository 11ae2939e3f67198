// The album window's background work: the event pump that keeps the windows alive during an
// add, the directory-tree scan on its own thread, and the progress lines.
#include "app/mf_album_tools.h"

#include "app/main.h"
#include "base/language.h"
#include "base/lg.h"
#include "base/settings.h"
#include "base/xerror.h"
#include "toolkit/xevent.h"
#include "toolkit/xinit.h"
#include "widgets/xstatus.h"
#include "app/test_hooks.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <strings.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

void (*AlbumScanHook)(ALBUMWND *w) = nullptr;

// ---- the event pump

void TreadEvent(Display *display, ALBUMPUMP *pump) {
    int fd = ConnectionNumber(display);
    while (!pump->stop && !killProgram) {
        {
            ToolkitLockGuard guard;
            while (!pump->stop && XPending(display) > 0) {
                XEvent ev;
                XNextEvent(display, &ev);
                WinEventKeyState(&ev);
                WinEvent(display, ev);
                if (ev.type == ClientMessage)
                    CheckEvClientMessageMain(ev);
                else if (ev.type == KeyRelease)
                    CheckEvKeyReleaseMain(ev);
            }
        }
        // Waiting outside the lock: the scan thread draws its progress meanwhile.
        pollfd p{fd, POLLIN, 0};
        poll(&p, 1, 10);
    }
}

int AlbumPumpStart(ALBUMPUMP *pump, Display *display, int language) {
    pump->stop = 0;
    try {
        pump->thread = std::thread(TreadEvent, display, pump);
    } catch (const std::system_error &e) {
        MsgErrThr(language, LgRes(68, language), -301, e.code().value());
        return -301;
    }
    pump->running = true;
    return 0;
}

int AlbumPumpStop(ALBUMPUMP *pump, int language) {
    if (!pump->running) return 0;
    pump->stop = 1;
    // The pump may be waiting for the lock this thread holds.
    int depth = ToolkitLockRelease();
    try {
        pump->thread.join();
    } catch (const std::system_error &e) {
        ToolkitLockRestore(depth);
        MsgErrThr(language, LgRes(68, language), -304, e.code().value());
        return -304;
    }
    ToolkitLockRestore(depth);
    pump->running = false;
    return 0;
}

// ---- progress

int AlbumPercent(int done, int total) {
    if (total < 1) return done > 0 ? 100 : 0;
    long p = static_cast<long>(done) * 100 / total;
    return static_cast<int>(std::min(100L, std::max(0L, p)));
}

void AlbumProgress2(ALBUMWND *w, int done, int total, int added) {
    char text[80];
    // A tree that grew since the count shows what was handled as the total.
    snprintf(text, sizeof text, "%i / %i:  + %i", done, std::max(done, total), added);
    ToolkitLockGuard guard;
    StatusSetProc(w->progress2, AlbumPercent(done, total));
    StatusSetMsg(w->progress2, text, 1);
}

static void AlbumReadProgress(void *ctx, int percent) {
    auto *w = static_cast<ALBUMWND *>(ctx);
    ToolkitLockGuard guard;
    if (WINDAT *s = w->readline.load()) StatusSetProc(s, percent);
}

// A file that cannot be added shows in the first line; no box per file.
static int AlbumReadMessage(void *, int, const char *, int code, int) {
    return code;
}

bool AlbumFilterMatch(const char *name) {
    int filter = dlgmain[0];
    if (filter == FTYP_ALL) return true;
    const char *ext = IoFileTypExt(filter);
    const char *dot = strrchr(name, '.');
    return dot && ext && strcasecmp(dot, ext) == 0;
}

int AlbumAppendOne(ALBUMWND *w, const char *path) {
    FILEREQ req;
    IoRequestInit(&req, w->a.path);
    req.language = w->a.language;
    req.ctx = w;
    req.progress = AlbumReadProgress;
    req.message = AlbumReadMessage;
    const char *dot = strrchr(path, '.');
    bool jpeg = dot && (strcasecmp(dot, ".jpg") == 0 || strcasecmp(dot, ".jpeg") == 0);
    if (jpeg) w->readline = w->progress1;
    int rc = IoAlbumAppend(&req, path, &w->a);
    w->readline = nullptr;
    ToolkitLockGuard guard;
    StatusSetProc(w->progress1, 0);
    if (rc != FILE_SUCCES) {
        StatusSetMsg(w->progress1, LgErr(6, w->a.language), 1);
        return FILE_ERROR_WRITE;
    }
    StatusSetMsg(w->progress1, "", 1);
    return FILE_SUCCES;
}

// ---- reading ahead

namespace {

// One source of a tree add: read on a worker, written by the scan thread in scan order.
struct ALBUMJOB {
    std::string path;
    std::vector<uint8_t> entry;
    int rc = FILE_ERROR_READ;
    int jrc = FILE_SUCCES;
    bool done = false;
};

// A photo's decode is the add's whole cost and sources do not depend on each other: a few
// workers read ahead while the entries still go to the file one by one, in the order found.
struct ALBUMPIPE {
    ALBUMWND *w = nullptr;
    std::mutex m;
    std::condition_variable cv;
    std::deque<std::shared_ptr<ALBUMJOB>> inflight; // scan order; the front is written next
    std::deque<std::shared_ptr<ALBUMJOB>> todo;     // not yet taken by a worker
    std::vector<std::thread> workers;
    bool closing = false;
};

thread_local ALBUMPIPE *album_pipe = nullptr; // of the tree add this scan thread runs

struct PIPECTX {
    ALBUMPIPE *pipe;
    ALBUMJOB *job;
};

// Only the entry written next shows its reading in the first line.
void PipeProgress(void *ctx, int percent) {
    auto *c = static_cast<PIPECTX *>(ctx);
    {
        std::lock_guard<std::mutex> g(c->pipe->m);
        if (c->pipe->inflight.empty() || c->pipe->inflight.front().get() != c->job) return;
    }
    ToolkitLockGuard guard;
    if (WINDAT *s = c->pipe->w->readline.load()) StatusSetProc(s, percent);
}

void PipeWorker(ALBUMPIPE *p) {
    for (;;) {
        std::shared_ptr<ALBUMJOB> job;
        {
            std::unique_lock<std::mutex> lk(p->m);
            p->cv.wait(lk, [&] { return p->closing || !p->todo.empty(); });
            if (p->todo.empty()) return;
            job = p->todo.front();
            p->todo.pop_front();
        }
        FILEREQ req;
        IoRequestInit(&req, p->w->a.path);
        req.language = p->w->a.language;
        PIPECTX ctx{p, job.get()};
        req.ctx = &ctx;
        req.progress = PipeProgress;
        req.message = AlbumReadMessage;
        std::vector<uint8_t> entry;
        int jrc = FILE_SUCCES;
        int rc = IoAlbumEntryMake(&req, job->path.c_str(), &p->w->a, &entry, &jrc);
        std::lock_guard<std::mutex> g(p->m);
        job->entry.swap(entry);
        job->rc = rc;
        job->jrc = jrc;
        job->done = true;
        p->cv.notify_all();
    }
}

// Waits for the oldest source and appends it, unless an add was cancelled meanwhile.
void PipeWriteOldest(ALBUMPIPE *p) {
    std::shared_ptr<ALBUMJOB> job;
    {
        std::unique_lock<std::mutex> lk(p->m);
        if (p->inflight.empty()) return;
        p->w->readline = p->w->progress1;
        p->cv.wait(lk, [&] { return p->inflight.front()->done; });
        job = p->inflight.front();
    }
    p->w->readline = nullptr;
    ALBUMWND *w = p->w;
    if (!w->cancel && !killProgram) {
        snprintf(w->a.srcpath, sizeof w->a.srcpath, "%s", job->path.c_str());
        int rc = job->rc;
        if (rc == FILE_SUCCES) {
            FILEREQ req;
            IoRequestInit(&req, w->a.path);
            rc = IoAlbumEntryWrite(&req, job->entry);
            if (rc == FILE_SUCCES) rc = job->jrc;
        }
        w->CurAddNr++;
        {
            ToolkitLockGuard guard;
            StatusSetProc(w->progress1, 0);
            StatusSetMsg(w->progress1, rc == FILE_SUCCES ? "" : LgErr(6, w->a.language), 1);
        }
        if (rc == FILE_SUCCES) w->CurAddAdd++;
        AlbumProgress2(w, w->CurAddNr, w->CurAddMax, w->CurAddAdd);
    }
    std::lock_guard<std::mutex> g(p->m);
    p->inflight.pop_front();
}

void PipePush(ALBUMPIPE *p, const std::string &path) {
    auto job = std::make_shared<ALBUMJOB>();
    job->path = path;
    size_t depth;
    {
        std::lock_guard<std::mutex> g(p->m);
        p->inflight.push_back(job);
        p->todo.push_back(job);
        depth = p->inflight.size();
        p->cv.notify_all();
    }
    if (depth > p->workers.size()) PipeWriteOldest(p);
}

void PipeFinish(ALBUMPIPE *p) {
    {
        // Sources not started are dropped at once when the add was cancelled.
        std::lock_guard<std::mutex> g(p->m);
        if (p->w->cancel || killProgram) {
            for (auto &job : p->todo)
                job->done = true;
            p->todo.clear();
        }
    }
    for (;;) {
        {
            std::lock_guard<std::mutex> g(p->m);
            if (p->inflight.empty()) break;
        }
        PipeWriteOldest(p);
        if (p->w->cancel) {
            std::lock_guard<std::mutex> g(p->m);
            for (auto &job : p->todo)
                job->done = true;
            p->todo.clear();
        }
    }
    {
        std::lock_guard<std::mutex> g(p->m);
        p->closing = true;
        p->cv.notify_all();
    }
    for (std::thread &t : p->workers)
        t.join();
}

} // namespace

// ---- the tree scan

int dodir_AddEntry(ALBUMWND *w, const char *path) {
    snprintf(w->a.srcpath, sizeof w->a.srcpath, "%s", path);
    int rc = AlbumAppendOne(w, path);
    w->CurAddNr++;
    if (rc == FILE_SUCCES) w->CurAddAdd++;
    AlbumProgress2(w, w->CurAddNr, w->CurAddMax, w->CurAddAdd);
    return rc;
}

static void ScanReport(ALBUMWND *w, const std::string &subject, int code, int err) {
    ToolkitLockGuard guard;
    MsgErrFile(w->a.language, subject.c_str(), code, err, nullptr);
}

// One level of the scan on an open directory descriptor (taken over). Paths are built in full:
// the working directory stays where it is, for the file box on the interface thread.
static int DoDirLevel(int mode, ALBUMWND *w, int dfd, const std::string &path, int level) {
    int lang = w->a.language;
    if (level > ALBUM_LEVEL_MAX) {
        close(dfd);
        char text[200];
        snprintf(text, sizeof text, "max. %s ...", LgRes(45, lang));
        ScanReport(w, text, -102, 0);
        w->cancel = 1;
        return -102;
    }
    DIR *dp = fdopendir(dfd);
    if (!dp) {
        int err = errno;
        close(dfd);
        ScanReport(w, path, -151, err);
        w->cancel = 1;
        return -151;
    }
    w->CurLevel = level;
    if (level > w->MaxLevel) w->MaxLevel = level;
    int rc = FILE_SUCCES;
    std::string prefix = path == "/" ? "/" : path + "/";
    while (dirent *e = readdir(dp)) {
        const char *name = e->d_name;
        if (strcmp(name, ".") == 0 || strcmp(name, "..") == 0) continue;
        struct stat st;
        if (fstatat(dirfd(dp), name, &st, 0) != 0) {
            ScanReport(w, prefix + name, -102, errno);
            w->cancel = 1;
            rc = -102;
            break;
        }
        if (!S_ISDIR(st.st_mode)) {
            if (AlbumFilterMatch(name)) {
                if (mode == 0)
                    w->CurAddMax++;
                else if (album_pipe) {
                    if (AlbumScanHook) AlbumScanHook(w);
                    PipePush(album_pipe, prefix + name);
                } else
                    dodir_AddEntry(w, (prefix + name).c_str());
            }
        } else {
            int sub = openat(dirfd(dp), name, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            if (sub < 0) {
                ScanReport(w, prefix + name, -151, errno);
                continue;
            }
            rc = DoDirLevel(mode, w, sub, prefix + name, level + 1);
            w->CurLevel = level;
        }
        if (w->cancel || killProgram) break;
    }
    closedir(dp);
    return rc;
}

int dodir(int mode, ALBUMWND *w) {
    if (!w) return WIN_ERROR_ARG;
    int fd = open(w->adddir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        ScanReport(w, w->adddir, -151, errno);
        w->cancel = 1;
        return -151;
    }
    return DoDirLevel(mode, w, fd, w->adddir, 0);
}

void TreadDoDir(ALBUMWND *w) {
    ALBUMPIPE pipe;
    pipe.w = w;
    unsigned n = std::max(1u, std::min(4u, std::thread::hardware_concurrency()));
    try {
        for (unsigned i = 0; i < n; i++)
            pipe.workers.emplace_back(PipeWorker, &pipe);
    } catch (const std::system_error &) {
        // Fewer readers ahead, or none: the scan then reads each file itself.
    }
    album_pipe = pipe.workers.empty() ? nullptr : &pipe;
    dodir(1, w);
    if (album_pipe) PipeFinish(&pipe);
    album_pipe = nullptr;
}
