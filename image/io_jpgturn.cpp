// Lossless turns of JPEG files.
#include "image/io_jpgturn.h"

#include "image/io_exif.h"
#include "image/io_files.h"

#include "base/allg.h"
#include "base/xmem.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <turbojpeg.h>
#include <unistd.h>

// A source larger than this is not turned in memory; its pixels are encoded instead.
enum : long { JPG_TURN_MAX = 256L << 20 };

int JpgTurnOp(int value) {
    switch (value) {
    case EXIF_ORIENT_NORMAL:
        return TJXOP_NONE;
    case EXIF_ORIENT_MIRROR:
        return TJXOP_HFLIP;
    case EXIF_ORIENT_ROT180:
        return TJXOP_ROT180;
    case EXIF_ORIENT_FLIP:
        return TJXOP_VFLIP;
    case EXIF_ORIENT_TRANSPOSE:
        return TJXOP_TRANSPOSE;
    case EXIF_ORIENT_ROT90:
        return TJXOP_ROT90;
    case EXIF_ORIENT_TRANSVERSE:
        return TJXOP_TRANSVERSE;
    case EXIF_ORIENT_ROT270:
        return TJXOP_ROT270;
    default:
        return -1;
    }
}

// The copied Exif still says how the source was stored; the result is upright.
static void JpgTurnExifUpright(uint8_t *data, size_t len) {
    size_t p = 2;
    while (p + 4 <= len && data[p] == 0xFF) {
        uint8_t code = data[p + 1];
        if (code == 0xFF) {
            p++;
            continue;
        }
        if (code == 0xDA || code == 0xD9) break;
        size_t seg = static_cast<size_t>(data[p + 2] << 8 | data[p + 3]);
        if (seg < 2 || p + 2 + seg > len) break;
        if (code == 0xE1) ExifOrientationSet(data + p + 4, seg - 2, EXIF_ORIENT_NORMAL);
        p += 2 + seg;
    }
}

int JpgTurnMem(const uint8_t *in, long inlen, int value, int w, int h, uint8_t **out, long *outlen,
               const char *tag) {
    if (!in || !out || !outlen || inlen < 4) return WIN_ERROR_ARG;
    *out = nullptr;
    *outlen = 0;
    int op = JpgTurnOp(value);
    if (op < 0 || inlen > JPG_TURN_MAX) return JPG_TURN_LOSSY;
    tjhandle tj = tjInitTransform();
    if (!tj) return WIN_ERROR_MEMORY;
    int sw = 0, sh = 0, sub = 0, space = 0;
    int rc = FILE_SUCCES;
    unsigned char *buf = nullptr;
    unsigned long len = 0;
    if (tjDecompressHeader3(tj, in, static_cast<unsigned long>(inlen), &sw, &sh, &sub, &space) !=
        0) {
        rc = FILE_ERROR_DATA;
    } else {
        bool swap = value >= EXIF_ORIENT_TRANSPOSE;
        if ((swap ? sh : sw) != w || (swap ? sw : sh) != h) rc = FILE_ERROR_DATA;
    }
    if (rc == FILE_SUCCES) {
        tjtransform t;
        memset(&t, 0, sizeof t);
        t.op = op;
        // Partial edge blocks cannot be moved without loss: then the pixels are encoded.
        t.options = TJXOPT_PERFECT;
        if (tjTransform(tj, in, static_cast<unsigned long>(inlen), 1, &buf, &len, &t, 0) != 0)
            rc = strstr(tjGetErrorStr2(tj), "perfect") ? int(JPG_TURN_LOSSY) : int(FILE_ERROR_DATA);
    }
    if (rc == FILE_SUCCES && (!buf || len < 4 || len > static_cast<unsigned long>(JPG_TURN_MAX)))
        rc = FILE_ERROR_DATA;
    if (rc == FILE_SUCCES) {
        *out = static_cast<uint8_t *>(MemCreate(static_cast<long>(len), tag));
        if (!*out) {
            rc = WIN_ERROR_MEMORY;
        } else {
            memcpy(*out, buf, len);
            JpgTurnExifUpright(*out, len);
            *outlen = static_cast<long>(len);
        }
    }
    if (buf) tjFree(buf);
    tjDestroy(tj);
    return rc;
}

// The whole file, if it still has the size it had when read.
static uint8_t *JpgTurnSlurp(const char *path, long size) {
    if (size < 4 || size > JPG_TURN_MAX) return nullptr;
    int fd = FileOpenInput(path);
    if (fd < 0) return nullptr;
    struct stat st;
    auto *data = fstat(fd, &st) == 0 && st.st_size == size
                     ? static_cast<uint8_t *>(MemCreate(size, "jpeg turn"))
                     : nullptr;
    long got = 0;
    while (data && got < size) {
        ssize_t n = read(fd, data + got, static_cast<size_t>(size - got));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += n;
    }
    close(fd);
    if (data && got != size) {
        MemFree(data, "jpeg turn");
        data = nullptr;
    }
    return data;
}

int JpgTurnFile(const char *source, long sourcesize, int value, int w, int h, const char *dest) {
    if (!source || !dest) return WIN_ERROR_ARG;
    uint8_t *in = JpgTurnSlurp(source, sourcesize);
    if (!in) return FILE_ERROR_READ;
    uint8_t *out = nullptr;
    long outlen = 0;
    int rc = JpgTurnMem(in, sourcesize, value, w, h, &out, &outlen, "jpeg turn");
    MemFree(in, "jpeg turn");
    if (rc != FILE_SUCCES) return rc;
    FILEREPLACE rep;
    if (FileReplaceOpen(&rep, dest, 0666) != 0) {
        MemFree(out, "jpeg turn");
        errno = rep.error;
        return FILE_ERROR_CREATE;
    }
    long put = 0;
    while (put < outlen) {
        ssize_t n = write(rep.fd, out + put, static_cast<size_t>(outlen - put));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        put += n;
    }
    MemFree(out, "jpeg turn");
    int err = put == outlen ? 0 : errno ? errno : EIO;
    if (!err && FileReplaceCommit(&rep) != 0) err = rep.error ? rep.error : EIO;
    if (err) {
        FileReplaceAbort(&rep);
        errno = err;
        return FILE_ERROR_WRITE;
    }
    return FILE_SUCCES;
}
