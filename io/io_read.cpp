#include "io/io_read.h"

#include "base/lg.h"
#include "base/xmem.h"
#include "dicom/io_dicom.h"
#include "image/io_jpg.h"
#include "image/io_levels.h"

#include <cstdio>
#include <cstring>
#include <sys/stat.h>

// What a probe returns: any non-null address that is no pixel buffer.
static uint8_t io_probe_marker;

static int IoLanguage(const FILEREQ *req) {
    return req ? req->language : LG_DEFAULT;
}

static void IoStatusClear(const FILEREQ *req) {
    if (req->statusmsg) req->statusmsg(req->ctx, nullptr);
    if (req->progress) req->progress(req->ctx, 0);
}

static void IoStatusAction(const FILEREQ *req, const char *action, const char *what) {
    if (!req->statusmsg) return;
    char text[256];
    snprintf(text, sizeof text, "%s %s", action ? action : "", what);
    req->statusmsg(req->ctx, text);
}

static void IoDropPixels(FILEINFO *fi, const char *tag) {
    ImageLevelsDrop(fi);
    if (fi->fbuf) MemFree(fi->fbuf, tag);
    fi->fbuf = nullptr;
    fi->ftyp = 0;
}

void *IoFindOrReadFileTyp(FILEREQ *req, FILEINFO *fi, int mode) {
    if (!req || !fi) return nullptr;
    memset(fi, 0, sizeof *fi);
    const char *tag = req->path ? req->path : "io";
    int lang = IoLanguage(req);
    if (IsFileJpeg(req->path) == FILE_SUCCES) {
        IoStatusAction(req, LgAct(8, lang), IoFileTypName(FTYP_JPEG));
        int rc = IoReadJpeg(req, fi, mode);
        if (rc == FILE_SUCCES) {
            fi->ftyp = FTYP_JPEG;
        } else {
            IoDropPixels(fi, tag);
        }
        if (mode == IO_READ_PROBE) return &io_probe_marker;
        return rc == FILE_SUCCES ? fi->fbuf : nullptr;
    }
    if (IsFileDicom(req, fi, mode) == FILE_SUCCES) {
        IoStatusAction(req, LgAct(8, lang), IoFileTypName(FTYP_DICOM));
        int rc = mode == IO_READ_PROBE ? IoReadDicomProbe(req, fi) : IoReadDicom(req, fi);
        if (rc == FILE_SUCCES) {
            fi->ftyp = FTYP_DICOM;
        } else {
            IoDropPixels(fi, tag);
            DicomDataRelease(fi);
        }
        if (mode == IO_READ_PROBE) return &io_probe_marker;
        return rc == FILE_SUCCES ? fi->fbuf : nullptr;
    }
    return nullptr;
}

void *IoReadFile(FILEREQ *req, FILEINFO *fi, int mode) {
    if (!req || !fi) return nullptr;
    IoStatusClear(req);
    void *buf = IoFindOrReadFileTyp(req, fi, mode);
    IoStatusClear(req);
    if (!buf) return nullptr;
    if (mode == IO_READ_FULL) {
        int lang = IoLanguage(req);
        IoStatusAction(req, LgAct(10, lang), LgRes(26, lang));
        const char *tag = req->path;
        // The whole path: the name is what removing and renaming act on later.
        size_t len = strlen(req->path) + 1;
        fi->fname = static_cast<char *>(MemCreate(static_cast<long>(len), tag));
        if (fi->fname) memcpy(fi->fname, req->path, len);
        struct stat st;
        if (stat(req->path, &st) == 0) fi->fsize = static_cast<int>(st.st_size);
        if (req->render && (req->render(req->ctx, fi) != 0 || !fi->ximage)) {
            IoDropPixels(fi, tag);
            buf = nullptr;
        }
    }
    IoStatusClear(req);
    return buf;
}

int IoSaveFile(FILEREQ *req, SAVEINFO *save) {
    if (!req || !save) return WIN_ERROR_ARG;
    IoStatusClear(req);
    int rc = 0;
    if (save->ftyp == FTYP_JPEG) rc = IoWriteJpeg(req, save);
    IoStatusClear(req);
    return rc;
}
