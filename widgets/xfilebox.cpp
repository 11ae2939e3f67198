// The file box's load operation.
#include "widgets/xfilebox.h"

#include "base/lg.h"
#include "base/xerror.h"
#include "image/io_files.h"
#include "render/ximage.h"
#include "toolkit/xinit.h"
#include "widgets/xpaint.h"
#include "widgets/xscroll.h"
#include "widgets/xstatus.h"

#include <cstdio>
#include <cstring>
#include <pthread.h>
#include <sys/stat.h>

void (*FileOpenReadHook)(const char *path, int ok) = nullptr;

struct FILEOPENJOB {
    FILEREQ req;
    FILEINFO fi;
    void *buf;
};

// The reader reports from the worker while the caller waits with the lock released.
static void IoReadJpegStatusOpenFile(void *ctx, int percent) {
    auto *req = static_cast<FILEREQ *>(ctx);
    if (!req->status) return;
    ToolkitLockGuard guard;
    StatusSetProc(req->status, percent);
    XFlush(main_display);
}

static void FileOpenStatusMsg(void *ctx, const char *text) {
    auto *req = static_cast<FILEREQ *>(ctx);
    if (!req->status) return;
    ToolkitLockGuard guard;
    StatusSetMsg(req->status, text ? text : "", 1);
}

static int FileOpenRender(void *ctx, FILEINFO *fi) {
    auto *req = static_cast<FILEREQ *>(ctx);
    return IoRenderView(req->view, fi);
}

static bool StartsLikeJpeg(const char *path) {
    unsigned char b[2] = {0, 0};
    FILE *f = fopen(path, "rb");
    if (!f) return false;
    size_t n = fread(b, 1, 2, f);
    fclose(f);
    return n == 2 && b[0] == 0xFF && b[1] == 0xD8;
}

static void *TreadFileOpen(void *arg) {
    auto *job = static_cast<FILEOPENJOB *>(arg);
    job->buf = IoReadFile(&job->req, &job->fi, IO_READ_FULL);
    if (FileOpenReadHook) FileOpenReadHook(job->req.path, job->buf != nullptr);
    return nullptr;
}

int mf_FileOpen(const char *path, WINDAT *view) {
    if (!path || !view) return -15;
    if (view->typ != WIN_PAINT) return -22;
    int language = view->language;
    struct stat st;
    if (stat(path, &st) != 0 || S_ISDIR(st.st_mode)) {
        MsgErrFile(language, path, FILE_ERROR_READ, 0, nullptr);
        return FILE_ERROR_READ;
    }
    auto *job = new FILEOPENJOB{};
    IoRequestInit(&job->req, path);
    job->req.view = view;
    job->req.status = PaintWndStatusGet(view);
    job->req.language = language;
    job->req.ctx = &job->req;
    job->req.progress = IoReadJpegStatusOpenFile;
    job->req.statusmsg = FileOpenStatusMsg;
    job->req.render = FileOpenRender;

    pthread_t t;
    int err = pthread_create(&t, nullptr, TreadFileOpen, job);
    if (err != 0) {
        delete job;
        return MsgErrThr(language, path, -301, err);
    }
    // The worker reports progress through the lock this thread holds.
    int depth = ToolkitLockRelease();
    err = pthread_join(t, nullptr);
    ToolkitLockRestore(depth);
    if (err != 0) return MsgErrThr(language, path, -302, err);

    int rc = 100;
    if (!job->buf) {
        // The JPEG reader reports its own failures; everything else is reported here.
        if (!job->req.recognised || !StartsLikeJpeg(path))
            MsgErrFile(language, path, FILE_ERROR_READ, 0, nullptr);
        IoFreeRecord(&job->fi, path);
        rc = -24;
    } else if ((rc = PaintImgSetup(view, 1)) != 0) {
        IoFreeRecord(&job->fi, path);
    } else {
        PaintImgGet(view, 0)->fi = job->fi;
        WinSetLabel(view, path, 0);
        PaintImgShow(view);
        rc = 100;
    }
    if (job->req.status) StatusSetProc(job->req.status, 0);
    delete job;
    return rc;
}
