// The file box's load operation.
#include "widgets/xfilebox.h"

#include "base/lg.h"
#include "base/settings.h"
#include "base/xerror.h"
#include "image/io_files.h"
#include "image/io_jpg.h"
#include "image/io_exif.h"
#include "image/io_jpg_corner.h"
#include "io/io_read.h"
#include "render/ximage.h"
#include "toolkit/xinit.h"
#include "widgets/xpaint.h"
#include "widgets/xscroll.h"
#include "widgets/xstatus.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>
#include <cerrno>
#include <pthread.h>
#include <unistd.h>
#include <sys/stat.h>

struct FILEOPENJOB {
    FILEREQ req;
    FILEINFO fi;
    void *buf;
    int corner; // the corner was painted ahead of the whole picture
};

// Shift of a visual's 8-bit channel mask, or -1 for any other mask.
static int ChannelShift(unsigned long mask) {
    if (!mask) return -1;
    int s = __builtin_ctzl(mask);
    return (mask >> s) == 0xFF ? s : -1;
}

// The visual's channel shifts when pictures can be put as 32-bit words with 8-bit channels;
// false on other displays. Under the toolkit lock.
static bool FileOpenShifts(WINDAT *view, int *rs, int *gs, int *bs) {
    if (view->state != PAINT_SINGLE || !main_visual || main_visual->c_class != TrueColor ||
        ImagePadForDepth(WinDisplayGetDepth(view->usr.display)) != 32)
        return false;
    *rs = ChannelShift(main_visual->red_mask);
    *gs = ChannelShift(main_visual->green_mask);
    *bs = ChannelShift(main_visual->blue_mask);
    return *rs >= 0 && *gs >= 0 && *bs >= 0;
}

// Puts w x h RGB rows at (x, y) of the cleared view.
static int FileOpenPut(WINDAT *view, const uint8_t *rgb, int w, int h, int x, int y) {
    ToolkitLockGuard guard;
    int rs = -1, gs = -1, bs = -1;
    if (!FileOpenShifts(view, &rs, &gs, &bs)) return -1;
    XImage *im = ImageCreate(32, ZPixmap, w, h);
    if (!im) return -1;
    const uint8_t *p = rgb;
    for (int r = 0; r < h; r++) {
        auto *row =
            reinterpret_cast<uint32_t *>(im->data + static_cast<long>(r) * im->bytes_per_line);
        for (int c = 0; c < w; c++, p += 3)
            row[c] = static_cast<uint32_t>(p[0]) << rs | static_cast<uint32_t>(p[1]) << gs |
                     static_cast<uint32_t>(p[2]) << bs;
    }
    // The words are in this machine's order; Xlib swaps them for a server of the other.
    const uint16_t one = 1;
    im->byte_order = *reinterpret_cast<const uint8_t *>(&one) == 1 ? LSBFirst : MSBFirst;
    XClearWindow(view->usr.display, view->window);
    XPutImage(view->usr.display, view->window, view->gc, im, 0, 0, x, y, static_cast<unsigned>(w),
              static_cast<unsigned>(h));
    XFlush(view->usr.display);
    WinFreeXImage(im);
    return 0;
}

// A picture opens at 100 % from its top-left corner: that corner, decoded alone, is painted
// while the rest is read. Only on true-colour displays with 8-bit channels; elsewhere, and for
// files the corner decoder leaves alone, the whole picture comes first as before.
static int FileOpenPaintCorner(FILEOPENJOB *job) {
    WINDAT *view = job->req.view;
    int vw = 0, vh = 0, rs = -1, gs = -1, bs = -1;
    {
        ToolkitLockGuard guard;
        if (!FileOpenShifts(view, &rs, &gs, &bs)) return -1;
        vw = view->width, vh = view->height;
    }
    if (vw < 1 || vh < 1) return -1;
    if (IsFileJpeg(job->req.path) != FILE_SUCCES) return -1;
    std::vector<uint8_t> rgb;
    int w = 0, h = 0;
    if (IoReadJpegCorner(job->req.path, vw, vh, &rgb, &w, &h) != 0 || w < 1 || h < 1) return -1;
    return FileOpenPut(view, rgb.data(), w, h, 0, 0);
}

int (*FileOpenFitHook)(WINDAT *view, int w, int h) = nullptr;
void (*FileOpenFirstFitHook)(WINDAT *view, int denom, int x, int y, int w, int h) = nullptr;

// The area means of a w x h picture (24-bit RGB, or 8-bit grey) at dw x dh, dw <= w, dh <= h.
static std::vector<uint8_t> FileOpenReduce(const FILEINFO *fi, int dw, int dh) {
    int w = fi->w, h = fi->h, comps = fi->bit / 8;
    std::vector<int> x0(static_cast<size_t>(dw) + 1);
    for (int x = 0; x <= dw; x++)
        x0[static_cast<size_t>(x)] = static_cast<int>(static_cast<long>(x) * w / dw);
    std::vector<uint8_t> rgb(static_cast<size_t>(dw) * static_cast<size_t>(dh) * 3);
    std::vector<uint32_t> sum(static_cast<size_t>(dw) * 3);
    uint8_t *out = rgb.data();
    for (int y = 0; y < dh; y++) {
        int ya = static_cast<int>(static_cast<long>(y) * h / dh);
        int yb = std::max(ya + 1, static_cast<int>(static_cast<long>(y + 1) * h / dh));
        std::fill(sum.begin(), sum.end(), 0u);
        for (int sy = ya; sy < yb; sy++) {
            const uint8_t *row = fi->fbuf + static_cast<long>(sy) * w * comps;
            for (int x = 0; x < dw; x++) {
                int xa = x0[static_cast<size_t>(x)];
                int xb = std::max(xa + 1, x0[static_cast<size_t>(x) + 1]);
                uint32_t *s = &sum[static_cast<size_t>(x) * 3];
                for (int sx = xa; sx < xb; sx++) {
                    const uint8_t *p = row + static_cast<long>(sx) * comps;
                    s[0] += p[0];
                    s[1] += p[comps == 3 ? 1 : 0];
                    s[2] += p[comps == 3 ? 2 : 0];
                }
            }
        }
        for (int x = 0; x < dw; x++) {
            int xa = x0[static_cast<size_t>(x)];
            uint32_t n = static_cast<uint32_t>(
                (std::max(xa + 1, x0[static_cast<size_t>(x) + 1]) - xa) * (yb - ya));
            for (int k = 0; k < 3; k++)
                *out++ = static_cast<uint8_t>((sum[static_cast<size_t>(x) * 3 + k] + n / 2) / n);
        }
    }
    return rgb;
}

// The file's bytes, up to `max` of them; empty when the file is larger or unreadable.
static std::vector<uint8_t> FileOpenBytes(const char *path, long head, long max) {
    std::vector<uint8_t> data;
    FILE *f = FileStdOpen(path);
    if (!f) return data;
    struct stat st;
    if (fstat(fileno(f), &st) == 0 && S_ISREG(st.st_mode) && st.st_size <= max) {
        long n = head > 0 ? std::min<long>(head, st.st_size) : static_cast<long>(st.st_size);
        data.resize(static_cast<size_t>(n));
        data.resize(fread(data.data(), 1, data.size(), f));
    }
    fclose(f);
    return data;
}

// A large JPEG that opens fitted is first decoded at the smallest DCT scale that still covers
// its fitted size and painted where the view will show it; the full read follows and replaces
// it. 1: painted; 0: it opens fitted, but nothing was painted; -1: it does not open fitted.
static int FileOpenPaintFitted(FILEOPENJOB *job) {
    enum : long { FIT_HEAD = 256 * 1024, FIT_MAX = 128L << 20 };
    WINDAT *view = job->req.view;
    const char *path = job->req.path;
    if (!FileOpenFitHook || IsFileJpeg(path) != FILE_SUCCES) return -1;
    std::vector<uint8_t> data = FileOpenBytes(path, FIT_HEAD, FIT_MAX);
    int w = 0, h = 0;
    if (IoJpegMemSize(data.data(), static_cast<long>(data.size()), &w, &h) != FILE_SUCCES ||
        w < 1 || h < 1)
        return -1;
    int orient = job->req.exif_rotate ? ExifOrientationFromJpeg(data.data(), data.size()) : 1;
    if (orient >= EXIF_ORIENT_TRANSPOSE) std::swap(w, h);
    int zoom = 0, vw = 0, vh = 0;
    {
        ToolkitLockGuard guard;
        zoom = FileOpenFitHook(view, w, h);
        vw = view->width, vh = view->height;
    }
    if (zoom <= 0) return -1;
    // Sizes as the view computes them.
    int dw = static_cast<int>(static_cast<float>(zoom) * static_cast<float>(w) / 100.0f);
    int dh = static_cast<int>(static_cast<float>(zoom) * static_cast<float>(h) / 100.0f);
    int denom = 8;
    while (denom > 1 && ((w + denom - 1) / denom < dw || (h + denom - 1) / denom < dh))
        denom /= 2;
    if (denom == 1 || dw < 1 || dh < 1 || dw > vw || dh > vh) return 0;
    data = FileOpenBytes(path, 0, FIT_MAX);
    FILEINFO fi{};
    int edge = std::min((w + denom - 1) / denom, (h + denom - 1) / denom);
    if (data.empty() ||
        IoReadJpegMem(data.data(), static_cast<long>(data.size()), &fi, edge, path) != FILE_SUCCES)
        return 0;
    int rc = 0;
    if ((orient <= EXIF_ORIENT_NORMAL || ImageOrient(&fi, orient) == FILE_SUCCES) && fi.fbuf &&
        (fi.bit == 24 || (fi.bit == 8 && fi.maptyp == MAPTYP_GREY)) && fi.w >= dw && fi.h >= dh) {
        std::vector<uint8_t> rgb = FileOpenReduce(&fi, dw, dh);
        int x = (vw - dw) / 2, y = (vh - dh) / 2;
        if (FileOpenPut(view, rgb.data(), dw, dh, x, y) == 0) {
            rc = 1;
            ToolkitLockGuard guard;
            if (FileOpenFirstFitHook) FileOpenFirstFitHook(view, denom, x, y, dw, dh);
        }
    }
    IoFreeRecord(&fi, path);
    return rc;
}

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
    ToolkitLockGuard guard;
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
    int fitted = FileOpenPaintFitted(job);
    job->corner = fitted < 0 ? FileOpenPaintCorner(job) == 0 : fitted > 0;
    job->buf = IoReadFile(&job->req, &job->fi, IO_READ_FULL);
    return nullptr;
}

int mf_FileOpen(const char *path, WINDAT *view) {
    if (!path || !view) return WIN_ERROR_ARG;
    if (view->typ != WIN_PAINT) return WIN_ERROR_TYPE;
    int language = view->language;
    struct stat st;
    if (stat(path, &st) != 0 || S_ISDIR(st.st_mode)) {
        MsgErrFile(language, path, FILE_ERROR_READ, S_ISDIR(st.st_mode) ? EISDIR : errno, nullptr);
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
        if (!job->req.recognised || !StartsLikeJpeg(path)) {
            IoReportUnread(&job->req, path, language, 0);
        }
        IoFreeRecord(&job->fi, path);
        // The view shows again what it showed before the corner.
        if (job->corner) {
            WinClearWindow(view);
            WinPaint(view);
        }
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
    // A picture shown in part says so where it is seen, not only on stderr.
    if (rc == 100 && job->req.status && job->req.note[0])
        StatusSetMsg(job->req.status, job->req.note, 1);
    delete job;
    return rc;
}

// ---- saving

// The request's ctx is the view's status line (or null).
static void IoSaveJpegStatus(void *ctx, int percent) {
    if (!ctx) return;
    ToolkitLockGuard guard;
    StatusSetProc(static_cast<WINDAT *>(ctx), percent);
    XFlush(main_display);
}

// A JPEG that is its file turned (back, maybe) is saved by turning the file: no generation is
// lost. A picture never turned is encoded at the chosen quality, as before.
static void SaveTurnSource(const FILEINFO *fi, SAVEINFO *save) {
    if (fi->ftyp != FTYP_JPEG || !fi->fname || fi->turn < 1) return;
    save->source = fi->fname;
    save->sourcesize = fi->fsize;
    save->turn = fi->turn;
}

int mf_FileSave(WINDAT *view) {
    if (!view) return WIN_ERROR_ARG;
    if (view->typ != WIN_PAINT || view->state != PAINT_SINGLE) return WIN_ERROR_TYPE;
    PAINTIMG *e = PaintImgGet(view, view->img_current);
    if (!e || !e->fi.fbuf || !e->fi.fname) return WIN_ERROR_NOIMAGE;
    const FILEINFO &fi = e->fi;
    // The picture as read is its file: encoding it again would only lose quality and data.
    struct stat st;
    if (!fi.changed && stat(fi.fname, &st) == 0) {
        if (WINDAT *status = PaintWndStatusGet(view))
            StatusSetMsg(status, LgErr(42, view->language), 1);
        return FILE_QUIET;
    }
    FILEREQ req;
    IoRequestInit(&req, fi.fname);
    req.view = view;
    req.language = view->language;
    req.progress = IoSaveJpegStatus;
    SAVEINFO save;
    IoSaveInfoFromImage(&fi, &save);
    save.ftyp = fi.ftyp;
    save.quality = fi.ftyp == FTYP_JPEG ? JpegQuality : 100;
    save.view = view;
    save.first_frame = 0;
    save.last_frame = fi.frames > 1 ? fi.frames : 0;
    SaveTurnSource(&fi, &save);
    WINDAT *status = PaintWndStatusGet(view);
    req.ctx = status;
    int rc = IoSaveFile(&req, &save);
    if (status) StatusSetProc(status, 0);
    // Only JPEG is written; any other type would be a silent no-op.
    if (rc == 0) rc = MsgErrFile(view->language, fi.fname, FILE_ERROR_FORMAT, 0, nullptr);
    return rc;
}

// ---- saving as

int mf_FileSaveAs(WINDAT *dlg, int *typ) {
    if (!dlg || !typ) return WIN_ERROR_ARG;
    WINDAT *box = FileboxFind(dlg);
    WINDAT *view = box ? FileboxWndFOwnerGet(box) : nullptr;
    if (!view || view->typ != WIN_PAINT || view->state != PAINT_SINGLE) return WIN_ERROR_TYPE;
    char path[4096];
    if (FileboxGetFullPath(box, 1, path, sizeof path) != 0) return WIN_ERROR_ARG;
    PAINTIMG *e = PaintImgGet(view, view->img_current);
    if (!e || !e->fi.fbuf) return WIN_ERROR_NOIMAGE;
    const FILEINFO &fi = e->fi;
    int language = view->language;
    FILEREQ req;
    IoRequestInit(&req, path);
    req.view = view;
    req.language = language;
    req.progress = IoSaveAsJpegStatus;
    SAVEINFO save;
    IoSaveInfoFromImage(&fi, &save);
    save.ftyp = typ[0] >= FTYP_JPEG && typ[0] <= FTYP_ALL ? typ[0] : FTYP_JPEG;
    save.quality = save.ftyp == FTYP_JPEG ? JpegQuality : 100;
    save.view = view;
    save.first_frame = fi.frames > 1 ? typ[3] : 0;
    save.last_frame = fi.frames > 1 ? typ[4] : 0;
    if (save.ftyp == FTYP_JPEG) SaveTurnSource(&fi, &save);
    int qrc = save.ftyp == FTYP_JPEG ? FileboxGetSaveOptJpeg(dlg, &save) : 0;
    int filter = FileboxGetFilterNr(box);
    std::string dir = FileboxGetCurPath(box) ? FileboxGetCurPath(box) : "";
    WinClose(dlg);
    if (qrc != 0) return MsgErrFile(language, path, -112, -1, nullptr);
    WINDAT *status = PaintWndStatusGet(view);
    req.ctx = status;
    int rc = IoSaveFile(&req, &save);
    if (status) StatusSetProc(status, 0);
    if (rc == 0) return MsgErrFile(language, path, FILE_ERROR_FORMAT, 0, nullptr);
    if (rc == FILE_SUCCES) {
        if (filter >= 1 && filter <= 5) dlgmain[2] = filter;
        snprintf(LastPathFileSave, RC_PATH_SIZE, "%s", dir.c_str());
    }
    return rc;
}
