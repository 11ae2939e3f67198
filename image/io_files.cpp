#include "image/io_files.h"

#include "base/allg.h"
#include "base/language.h"
#include "base/lg.h"
#include "base/settings.h"
#include "base/xerror.h"
#include "base/xmem.h"
#include "image/io_jpg.h"
#include "image/io_levels.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>
#include <string>
#include <vector>

const char *IoFileTypName(int ftyp) {
    return ftyp >= 0 && ftyp < FTYP_COUNT ? file_ext[2 * ftyp] : file_ext[0];
}

const char *IoFileTypExt(int ftyp) {
    return ftyp >= 0 && ftyp < FTYP_COUNT ? file_ext[2 * ftyp + 1] : file_ext[1];
}

int (*IoXImageFreeHook)(_XImage *image) = nullptr;

void IoRequestInit(FILEREQ *req, const char *path) {
    if (!req) return;
    memset(req, 0, sizeof *req);
    req->fd = -1;
    req->path = path;
    req->language = LG_DEFAULT;
    req->hounsfield_use = HounsfieldUse;
    req->hounsfield_min = HounsfieldMin;
    req->hounsfield_max = HounsfieldMax;
    req->dicom_window = DicomWindow;
    req->exif_rotate = ExifRotate;
}

long FileBufferSize(long w, long h, long comps, long frames) {
    if (w < 1 || h < 1 || comps < 1 || frames < 1) return -1;
    long n = 0;
    if (__builtin_mul_overflow(w, h, &n) || __builtin_mul_overflow(n, comps, &n) ||
        __builtin_mul_overflow(n, frames, &n) || n > INT_MAX)
        return -1;
    return n;
}

void IoFreeRecord(FILEINFO *fi, const char *tag) {
    if (!fi) return;
    ImageLevelsDrop(fi);
    if (fi->ximage && IoXImageFreeHook) IoXImageFreeHook(fi->ximage);
    uint8_t *blocks[] = {fi->fbuf,
                         reinterpret_cast<uint8_t *>(fi->rmap),
                         reinterpret_cast<uint8_t *>(fi->gmap),
                         reinterpret_cast<uint8_t *>(fi->bmap),
                         reinterpret_cast<uint8_t *>(fi->fname),
                         fi->markers};
    for (uint8_t *b : blocks)
        if (b) MemFree(b, tag);
    // The record owns what its reader left in it (the DICOM header table, stored values): a
    // probe that forgot it leaked the header table.
    if (fi->release) fi->release(fi);
    memset(fi, 0, sizeof *fi);
}

const char *IoNoImageText(const FILEREQ *req, int language, char *out, size_t size) {
    if (!out || !size) return out;
    out[0] = 0;
    if (!req || req->noimage != FILE_ERROR_NOIMAGE) return out;
    const char *text = LgErr(23, language);
    if (req->what[0])
        snprintf(out, size, "%s (%.*s)", text ? text : "", int(sizeof req->what), req->what);
    else
        snprintf(out, size, "%s", text ? text : "");
    return out;
}

int IoReportUnread(const FILEREQ *req, const char *path, int language, int err) {
    if (req && req->noimage == FILE_ERROR_NOIMAGE) {
        char what[sizeof req->what + 1];
        snprintf(what, sizeof what, "%.*s", int(sizeof req->what), req->what);
        return MsgErrFileWhat(language, path, FILE_ERROR_NOIMAGE, what, nullptr);
    }
    if (err > 0) return MsgErrFile(language, path, FILE_ERROR_READ, err, nullptr);
    // Where errno has no reason: the system's for a file that does not open, else what the
    // bytes are not.
    int fd = path ? FileOpenInput(path) : -1;
    if (fd < 0) return MsgErrFile(language, path, FILE_ERROR_READ, errno, nullptr);
    struct stat st;
    bool empty = fstat(fd, &st) == 0 && st.st_size == 0;
    close(fd);
    if (empty || !req || !req->recognised)
        return MsgErrFileWhy(language, path, FILE_ERROR_READ, LgErr(empty ? 46 : 45, language));
    // Recognised, and its reader refused it (its reason is on stderr): say so, not "( )".
    return MsgErrFileWhy(language, path, FILE_ERROR_READ, LgErr(52, language));
}

int IoMapEntries(const FILEINFO *fi) {
    if (!fi || fi->maptyp == MAPTYP_GREY || fi->mapentry <= 0 || fi->mapentry > 256) return 256;
    return fi->mapentry;
}

void IoSaveInfoFromImage(const FILEINFO *fi, SAVEINFO *save) {
    if (!save) return;
    memset(save, 0, sizeof *save);
    if (!fi) return;
    save->w = fi->w;
    save->h = fi->h;
    save->bit = fi->bit;
    save->fbuf = fi->fbuf;
    save->maptyp = fi->maptyp;
    save->mapentry = fi->mapentry;
    save->rmap = fi->rmap;
    save->gmap = fi->gmap;
    save->bmap = fi->bmap;
    save->frames = fi->frames;
    save->markers = fi->markers;
    save->markerlen = fi->markerlen;
}

int FileColormapCreate(FILEINFO *fi) {
    if (!fi) return WIN_ERROR_ARG;
    long room = 4L * (fi->mapentry > 0 ? fi->mapentry : 1);
    const char *tag = fi->fname ? fi->fname : "colormap";
    uint16_t **maps[3] = {&fi->rmap, &fi->gmap, &fi->bmap};
    for (uint16_t **m : maps) {
        *m = static_cast<uint16_t *>(MemCreate(room, tag));
        if (!*m) return WIN_ERROR_MEMORY;
        memset(*m, 0, static_cast<size_t>(room));
    }
    return FILE_SUCCES;
}

int FileColormapCopy(FILEINFO *dst, const FILEINFO *src, int create) {
    if (!dst || !src) return WIN_ERROR_ARG;
    dst->mapentry = src->mapentry;
    dst->maptyp = src->maptyp;
    if (create) {
        int rc = FileColormapCreate(dst);
        if (rc != FILE_SUCCES) return rc;
    }
    size_t n = 4u * static_cast<size_t>(src->mapentry > 0 ? src->mapentry : 0);
    if (dst->rmap && src->rmap) memcpy(dst->rmap, src->rmap, n);
    if (dst->gmap && src->gmap) memcpy(dst->gmap, src->gmap, n);
    if (dst->bmap && src->bmap) memcpy(dst->bmap, src->bmap, n);
    return FILE_SUCCES;
}

// Source index of destination index i, in single precision as the thumbnails always were.
static int CalcSourceIndex(int i, int src, int dst) {
    float f = static_cast<float>(i) * static_cast<float>(src) / static_cast<float>(dst);
    int k = static_cast<int>(f);
    return k < src ? k : src - 1;
}

uint8_t *CalcImageSize(int w, int h, int dw, int dh, int bit, const uint8_t *src, const char *tag) {
    if ((bit != 8 && bit != 24) || !src || w < 1 || h < 1 || dw < 1 || dh < 1) return nullptr;
    int bpp = bit / 8;
    long size = FileBufferSize(dw, dh, bpp, 1);
    if (size < 0) return nullptr;
    std::vector<int> xs(static_cast<size_t>(dw) + 1), ys(static_cast<size_t>(dh) + 1);
    for (int i = 0; i <= dw; i++)
        xs[i] = CalcSourceIndex(i, w, dw) * bpp;
    for (int j = 0; j <= dh; j++)
        ys[j] = CalcSourceIndex(j, h, dh);
    auto *dst = static_cast<uint8_t *>(MemCreate(size, tag));
    if (!dst) return nullptr;
    uint8_t *out = dst;
    size_t stride = static_cast<size_t>(w) * bpp;
    for (int j = 0; j < dh; j++) {
        const uint8_t *row = src + static_cast<size_t>(ys[j]) * stride;
        if (bpp == 1) {
            for (int i = 0; i < dw; i++)
                *out++ = row[xs[i]];
        } else {
            for (int i = 0; i < dw; i++, out += 3)
                memcpy(out, row + xs[i], 3);
        }
    }
    if (verbose) printf("%s: %ix%i - %i bit [%ix%i]\n", tag, w, h, bit, dw, dh);
    return dst;
}

uint8_t *FilePreviewSetup(const uint8_t *buf, int maxw, int maxh, const char *tag, FILEINFO *fi) {
    if (!buf || !fi || maxw == 0 || maxh == 0) return nullptr;
    short out[2] = {0, 0};
    if (CalcDestRect(maxw, maxh, fi->w, fi->h, out) != 0) return nullptr;
    uint8_t *dst = CalcImageSize(fi->w, fi->h, out[0], out[1], fi->bit, buf, tag);
    if (!dst) return nullptr;
    fi->w = out[0];
    fi->h = out[1];
    return dst;
}

int FileOpenInput(const char *path) {
    if (!path) {
        errno = EINVAL;
        return -1;
    }
    // Without O_NONBLOCK the open of a FIFO waits for a writer that may never come.
    int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return -1;
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        int err = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        close(fd);
        errno = err;
        return -1;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

// The whole of an input through FileOpenInput, or null with errno; *code says which step failed.
static uint8_t *FileReadInput(const char *path, int *code) {
    int fd = FileOpenInput(path);
    if (fd < 0) {
        *code = FILE_ERROR_OPEN;
        return nullptr;
    }
    *code = FILE_ERROR_READ;
    struct stat st;
    uint8_t *buf = nullptr;
    long got = 0;
    if (fstat(fd, &st) == 0 && st.st_size > 0 && st.st_size <= LONG_MAX / 2) {
        buf = static_cast<uint8_t *>(MemCreate(static_cast<long>(st.st_size), path));
        while (buf && got < st.st_size) {
            ssize_t n = read(fd, buf + got, static_cast<size_t>(st.st_size - got));
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            got += n;
        }
    }
    int err = errno;
    close(fd);
    if (buf && got == st.st_size) return buf;
    if (buf) MemFree(buf, path);
    errno = err;
    return nullptr;
}

uint8_t *ReadFile(const char *path) {
    if (!path) return nullptr;
    struct stat st;
    if (stat(path, &st) != 0 || st.st_size <= 0) return nullptr;
    int code;
    errno = 0;
    uint8_t *buf = FileReadInput(path, &code);
    if (!buf) MsgErrFile(LG_DEFAULT, path, FILE_ERROR_READ, errno ? errno : -1, nullptr);
    return buf;
}

uint8_t *FileStdRead(const char *path) {
    if (!path) return nullptr;
    struct stat st;
    if (stat(path, &st) != 0 || st.st_size <= 0) return nullptr;
    int code;
    uint8_t *buf = FileReadInput(path, &code);
    if (!buf) MsgErrFile(LG_DEFAULT, path, code, code == FILE_ERROR_OPEN ? errno : -1, nullptr);
    return buf;
}

FILE *FileStdOpen(const char *path) {
    if (!path) return nullptr;
    int fd = FileOpenInput(path);
    FILE *fp = fd >= 0 ? fdopen(fd, "rb") : nullptr;
    if (fp) return fp;
    if (verbose) printf("err: %s %s  (%i)\n", path, strerror(errno), errno);
    if (fd >= 0) close(fd);
    return nullptr;
}

int FileStdExist(const char *path) {
    if (!path) return WIN_ERROR_ARG;
    int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return FILE_ERROR_READ;
    close(fd);
    return FILE_ERROR_EXIST;
}

static int FileOpenFlags(FILEREQ *req, int flags) {
    if (!req || !req->path) return WIN_ERROR_ARG;
    req->fd = open(req->path, flags, 0660);
    if (req->fd < 0) {
        req->error = errno;
        return FILE_ERROR_OPEN;
    }
    req->error = 0;
    return FILE_SUCCES;
}

int FileOpenRead(FILEREQ *req) {
    if (!req || !req->path) return WIN_ERROR_ARG;
    req->fd = FileOpenInput(req->path);
    req->error = req->fd < 0 ? errno : 0;
    return req->fd < 0 ? FILE_ERROR_OPEN : FILE_SUCCES;
}
int FileOpenWrite(FILEREQ *req) {
    return FileOpenFlags(req, O_WRONLY | O_APPEND);
}
int FileCreate(FILEREQ *req) {
    return FileOpenFlags(req, O_WRONLY | O_APPEND | O_CREAT);
}
int FileCreateTrunc(FILEREQ *req) {
    return FileOpenFlags(req, O_RDWR | O_CREAT | O_TRUNC);
}

int FileTestExtensionAdd(const char *name, const char *ext) {
    if (!name || !ext) return WIN_ERROR_ARG;
    size_t n = strlen(name), e = strlen(ext);
    if (e == 0) return FILE_SUCCES;
    if (e > n) return FILE_ERROR_EXTENSION;
    std::string tail(name + n - e);
    return strstr_sens(tail.c_str(), ext, 0) ? FILE_ERROR_EXTENSION : FILE_SUCCES;
}
