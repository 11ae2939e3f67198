#include "io/io_album.h"

#include "base/allg.h"
#include "base/lg.h"
#include "base/xmem.h"
#include "dicom/io_dicom.h"
#include "image/io_jpg.h"
#include "io/io_read.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <string>
#include <vector>

const char album_magic[ALBUM_MAGIC_SIZE + 1] = "#0100#unx#8375#ALB#";
const char album_marker[ALBUM_MARKER_SIZE + 1] = "+SK+";

// The definition array this program writes (word 1, the edge, is filled in per album).
static const int album_def[ALBUM_DEF_COUNT] = {13, 0,  256, 100, 40, 40, 30, 30,
                                               30, 10, 10,  1,   1,  20, 30, 30};
// Header offset of each definition value; 11 and 12 are single bytes.
static const int album_def_at[ALBUM_DEF_COUNT] = {22, 24, 46, 48, 50, 52, 54, 56,
                                                  58, 60, 62, 64, 65, 66, 68, 70};

static bool AlbumDefIsByte(int index) {
    return index == ALBUM_F_BITS || index == ALBUM_F_FLAG;
}

int IoAlbumHeaderDefArrayInit(uint8_t *header, int edge) {
    if (!header) return WIN_ERROR_ARG;
    for (int i = 0; i < ALBUM_DEF_COUNT; i++) {
        int v = i == 1 ? edge : album_def[i];
        if (v < 0) v = 0;
        if (v > 0xFFFF) v = 0xFFFF;
        header[album_def_at[i]] = static_cast<uint8_t>(v & 0xFF);
        if (!AlbumDefIsByte(i)) header[album_def_at[i] + 1] = static_cast<uint8_t>(v >> 8);
    }
    return FILE_SUCCES;
}

int IoAlbumHeaderInit(uint8_t *header, int edge) {
    if (!header) return WIN_ERROR_ARG;
    memset(header, 0, ALBUM_HEADER_SIZE);
    memcpy(header, album_magic, ALBUM_MAGIC_SIZE);
    memcpy(header + ALBUM_MAGIC_SIZE, "999", 3);
    return IoAlbumHeaderDefArrayInit(header, edge);
}

int AlbumHeaderDefArrayGet(const uint8_t *header, int index) {
    if (!header || index < 0 || index >= ALBUM_DEF_COUNT) return 0;
    const uint8_t *p = header + album_def_at[index];
    return AlbumDefIsByte(index) ? p[0] : p[0] | (p[1] << 8);
}

static int AlbumBlockSize(const int *def) {
    int n = 0;
    for (int i = ALBUM_F_NAME; i < ALBUM_DEF_COUNT; i++)
        n += def[i];
    return n;
}

// Offset of a field's first byte from the entry's marker.
static long AlbumFieldOffset(const int *def, int field) {
    long off = ALBUM_MARKER_SIZE;
    for (int i = ALBUM_F_NAME; i < field; i++)
        off += def[i];
    return off;
}

int IoAlbumHeaderDefArraySetup(ALBUMDAT *album) {
    if (!album) return WIN_ERROR_ARG;
    if (!album->file.data || album->file.datalen < ALBUM_HEADER_SIZE) return FILE_ERROR_DATA;
    memset(album->def, 0, sizeof album->def);
    for (int i = 0; i < ALBUM_DEF_COUNT; i++)
        album->def[i] = AlbumHeaderDefArrayGet(album->file.data, i);
    album->blocksize = AlbumBlockSize(album->def);
    return FILE_SUCCES;
}

static long AlbumReadAll(int fd, uint8_t *buf, long size, long at) {
    long got = 0;
    while (got < size) {
        ssize_t n = pread(fd, buf + got, static_cast<size_t>(size - got), at + got);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += n;
    }
    return got;
}

static int AlbumWriteAll(int fd, const void *data, long size) {
    const auto *p = static_cast<const uint8_t *>(data);
    while (size > 0) {
        ssize_t n = write(fd, p, static_cast<size_t>(size));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return FILE_ERROR_WRITE;
        p += n;
        size -= n;
    }
    return FILE_SUCCES;
}

int IsFileAlbum(const char *path) {
    if (!path) return WIN_ERROR_ARG;
    int fd = FileOpenInput(path);
    if (fd < 0) return FILE_ERROR_OPEN;
    uint8_t b[ALBUM_MAGIC_SIZE];
    long n = AlbumReadAll(fd, b, sizeof b, 0);
    close(fd);
    if (n <= 0) return FILE_ERROR_READ;
    if (n < ALBUM_MAGIC_SIZE || memcmp(b, album_magic, ALBUM_MAGIC_SIZE) != 0)
        return FILE_ERROR_FORMAT;
    return FILE_SUCCES;
}

// What an album path names must be a regular file or nothing yet: a FIFO would block the open,
// and through a dangling link the create would make a file wherever the link points.
static int AlbumCreateTarget(FILEREQ *file) {
    struct stat st;
    if (lstat(file->path, &st) != 0) {
        if (errno == ENOENT) return FILE_SUCCES;
        file->error = errno;
        return FILE_ERROR_CREATE;
    }
    if (S_ISLNK(st.st_mode) && stat(file->path, &st) != 0) {
        file->error = errno;
        return FILE_ERROR_CREATE;
    }
    if (!S_ISREG(st.st_mode)) {
        file->error = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        return FILE_ERROR_CREATE;
    }
    return FILE_SUCCES;
}

int IoAlbumCreate(FILEREQ *file, int edge) {
    if (!file || !file->path) return WIN_ERROR_ARG;
    int rc = AlbumCreateTarget(file);
    if (rc != FILE_SUCCES) return rc;
    // Album headers and entries appended to someone's photo would spoil it.
    if (IsFileAlbum(file->path) == FILE_ERROR_FORMAT) return FILE_ERROR_FORMAT;
    rc = FileCreate(file);
    if (rc != FILE_SUCCES) return rc;
    struct stat st;
    if (fstat(file->fd, &st) == 0 && st.st_size == 0) {
        uint8_t header[ALBUM_HEADER_SIZE];
        IoAlbumHeaderInit(header, edge);
        rc = AlbumWriteAll(file->fd, header, sizeof header);
        if (rc != FILE_SUCCES) file->error = errno;
    }
    close(file->fd);
    file->fd = -1;
    return rc;
}

int IoAlbumOpen(FILEREQ *file) {
    return FileOpenRead(file);
}

// IoAlbumRead, with the status of the file read; st_ino stays 0 when nothing was read.
static int AlbumReadFile(FILEREQ *file, struct stat *loaded) {
    memset(loaded, 0, sizeof *loaded);
    if (!file || !file->path) return WIN_ERROR_ARG;
    int fd = FileOpenInput(file->path);
    if (fd < 0) {
        file->error = errno;
        return FILE_ERROR_READ;
    }
    struct stat st;
    if (fstat(fd, &st) != 0 || st.st_size <= 0 || st.st_size > LONG_MAX / 2) {
        close(fd);
        return FILE_ERROR_READ;
    }
    auto *buf = static_cast<uint8_t *>(MemCreate(static_cast<long>(st.st_size), file->path));
    if (!buf) {
        close(fd);
        return WIN_ERROR_MEMORY;
    }
    long n = AlbumReadAll(fd, buf, static_cast<long>(st.st_size), 0);
    close(fd);
    if (n <= 0) {
        MemFree(buf, file->path);
        return FILE_ERROR_READ;
    }
    if (file->data) MemFree(file->data, file->path);
    file->data = buf;
    file->datalen = n;
    *loaded = st;
    return FILE_SUCCES;
}

int IoAlbumRead(FILEREQ *file) {
    struct stat st;
    return AlbumReadFile(file, &st);
}

// Offset of the next marker at or after `from`, or -1.
static long AlbumNextMarker(const uint8_t *data, long len, long from) {
    if (from < 0 || from >= len) return -1;
    const void *p =
        memmem(data + from, static_cast<size_t>(len - from), album_marker, ALBUM_MARKER_SIZE);
    return p ? static_cast<const uint8_t *>(p) - data : -1;
}

int IoAlbumEntryGetEntrys(FILEREQ *file) {
    if (!file) return WIN_ERROR_ARG;
    if (!file->data) return FILE_ERROR_DATA;
    int n = 0;
    for (long at = AlbumNextMarker(file->data, file->datalen, ALBUM_HEADER_SIZE);
         at >= 0 && n < INT_MAX; at = AlbumNextMarker(file->data, file->datalen, at + 4))
        n++;
    return n;
}

int IoAlbumEntrySetupPos(ALBUMDAT *album) {
    if (!album) return WIN_ERROR_ARG;
    if (!album->file.data || !album->pos) return FILE_ERROR_DATA;
    const FILEREQ *f = &album->file;
    int n = 0;
    for (long at = AlbumNextMarker(f->data, f->datalen, ALBUM_HEADER_SIZE);
         at >= 0 && n < album->entries; at = AlbumNextMarker(f->data, f->datalen, at + 4))
        album->pos[n++] = at;
    album->pos[n] = f->datalen;
    return n;
}

void IoAlbumFree(ALBUMDAT *album) {
    if (!album) return;
    if (album->file.data) MemFree(album->file.data, album->path);
    if (album->pos) MemFree(album->pos, album->path);
    album->file.data = nullptr;
    album->file.datalen = 0;
    album->pos = nullptr;
    album->entries = 0;
    album->loaded_dev = album->loaded_ino = 0;
}

int IoAlbumLoad(ALBUMDAT *album, int edge) {
    if (!album) return WIN_ERROR_ARG;
    IoAlbumFree(album);
    // The window that shows the album sets its own language after the load.
    IoRequestInit(&album->file, album->path);
    album->language = LG_DEFAULT;
    int rc = edge > 0 ? IoAlbumCreate(&album->file, edge) : FILE_SUCCES;
    // An album we may not write to can still be shown.
    if (edge <= 0 || rc != FILE_SUCCES) {
        int is = IsFileAlbum(album->path);
        if (is != FILE_SUCCES) return edge > 0 ? rc : is;
    }
    struct stat st;
    rc = AlbumReadFile(&album->file, &st);
    if (rc != FILE_SUCCES) return rc;
    album->loaded_dev = static_cast<unsigned long>(st.st_dev);
    album->loaded_ino = static_cast<unsigned long>(st.st_ino);
    if (album->file.datalen < ALBUM_HEADER_SIZE) {
        IoAlbumFree(album);
        return FILE_ERROR_DATA;
    }
    IoAlbumHeaderDefArraySetup(album);
    album->edge = album->def[1] < 1 ? ALBUM_EDGE_DEFAULT : album->def[1];
    if (album->edge > ALBUM_EDGE_MAX) album->edge = ALBUM_EDGE_MAX;
    int n = IoAlbumEntryGetEntrys(&album->file);
    album->pos =
        static_cast<long *>(MemCreate((n + 1L) * static_cast<long>(sizeof(long)), album->path));
    if (!album->pos) {
        IoAlbumFree(album);
        return WIN_ERROR_MEMORY;
    }
    album->entries = n;
    album->entries = IoAlbumEntrySetupPos(album);
    return FILE_SUCCES;
}

int IoAlbumEntryBytes(const ALBUMDAT *album, int index, const uint8_t **start, long *len) {
    if (!album || !start || !len) return WIN_ERROR_ARG;
    *start = nullptr;
    *len = 0;
    if (!album->file.data || !album->pos) return FILE_ERROR_DATA;
    if (index < 0 || index >= album->entries) return WIN_ERROR_ARG;
    *start = album->file.data + album->pos[index];
    *len = album->pos[index + 1] - album->pos[index];
    return FILE_SUCCES;
}

int IoAlbumEntryThumb(const ALBUMDAT *album, int index, const uint8_t **start, long *len) {
    const uint8_t *p = nullptr;
    long n = 0;
    int rc = IoAlbumEntryBytes(album, index, &p, &n);
    if (rc != FILE_SUCCES) return rc;
    long off = ALBUM_MARKER_SIZE + static_cast<long>(album->blocksize);
    if (n <= off) return FILE_ERROR_DATA;
    *start = p + off;
    *len = n - off;
    return FILE_SUCCES;
}

int IoAlbumEntryField(const ALBUMDAT *album, int index, int field, char *out, int size) {
    if (!out || size < 1) return WIN_ERROR_ARG;
    out[0] = '\0';
    if (field < ALBUM_F_NAME || field >= ALBUM_DEF_COUNT) return WIN_ERROR_ARG;
    const uint8_t *p = nullptr;
    long n = 0;
    int rc = IoAlbumEntryBytes(album, index, &p, &n);
    if (rc != FILE_SUCCES) return rc;
    long off = AlbumFieldOffset(album->def, field);
    long avail = n - off;
    if (avail > album->def[field]) avail = album->def[field];
    if (avail <= 0) return FILE_SUCCES;
    if (AlbumDefIsByte(field)) {
        snprintf(out, static_cast<size_t>(size), "%u", p[off]);
        return FILE_SUCCES;
    }
    long k = 0;
    while (k < avail && k < size - 1 && p[off + k])
        out[k] = static_cast<char>(p[off + k]), k++;
    out[k] = '\0';
    return FILE_SUCCES;
}

int IoAlbumThumbEncode(SAVEINFO *save, uint8_t **out, long *len) {
    if (!save || !out || !len) return WIN_ERROR_ARG;
    // A reader splits entries at every marker, so no thumbnail may contain one.
    for (int q = ALBUM_QUALITY; q > 0; q--) {
        save->quality = q;
        int rc = IoWriteJpegMem(save, out, len, "album");
        if (rc != FILE_SUCCES) return rc;
        if (!memmem(*out, static_cast<size_t>(*len), album_marker, ALBUM_MARKER_SIZE))
            return FILE_SUCCES;
        MemFree(*out, "album");
        *out = nullptr;
        *len = 0;
    }
    return FILE_ERROR_WRITE;
}

// Copies a text to the start of its field, cut to the field.
static void AlbumFieldPut(uint8_t *entry, const int *def, int field, const char *text) {
    if (!text || def[field] <= 0) return;
    size_t n = strlen(text);
    if (n > static_cast<size_t>(def[field])) n = static_cast<size_t>(def[field]);
    memcpy(entry + AlbumFieldOffset(def, field), text, n);
}

// The text fields of a new entry behind its marker.
static void AlbumEntryFill(uint8_t *entry, const int *def, const char *source, const FILEINFO *full,
                           int lang) {
    memcpy(entry, album_marker, ALBUM_MARKER_SIZE);
    AlbumFieldPut(entry, def, ALBUM_F_NAME, source);
    AlbumFieldPut(entry, def, ALBUM_F_DESCRIPTION, LgRes(46, lang));
    AlbumFieldPut(entry, def, ALBUM_F_CATCHWORD1, LgRes(55, lang));
    AlbumFieldPut(entry, def, ALBUM_F_CATCHWORD2, LgRes(55, lang));
    AlbumFieldPut(entry, def, ALBUM_F_USER, LgRes(29, lang));
    AlbumFieldPut(entry, def, ALBUM_F_PASSWORD, LgRes(53, lang));
    AlbumFieldPut(entry, def, ALBUM_F_GROUP, LgRes(30, lang));
    char num[32];
    snprintf(num, sizeof num, "%i", full->w);
    AlbumFieldPut(entry, def, ALBUM_F_WIDTH, num);
    snprintf(num, sizeof num, "%i", full->h);
    AlbumFieldPut(entry, def, ALBUM_F_HEIGHT, num);
    if (def[ALBUM_F_BITS] > 0)
        entry[AlbumFieldOffset(def, ALBUM_F_BITS)] = static_cast<uint8_t>(full->bit);
    struct stat st;
    char size[16], mtime[32], atime[32];
    if (stat(source, &st) == 0) {
        unsigned long bytes = static_cast<unsigned long>(st.st_size);
        MakeSizeString(size, bytes > UINT_MAX ? UINT_MAX : static_cast<unsigned>(bytes));
        MakeTimeString(mtime, st.st_mtime);
        MakeTimeString(atime, st.st_atime);
    } else {
        snprintf(size, sizeof size, "%s", LgRes(21, lang));
        snprintf(mtime, sizeof mtime, "%s", LgRes(21, lang));
        snprintf(atime, sizeof atime, "%s", LgRes(21, lang));
    }
    AlbumFieldPut(entry, def, ALBUM_F_SIZE, size);
    AlbumFieldPut(entry, def, ALBUM_F_MTIME, mtime);
    AlbumFieldPut(entry, def, ALBUM_F_ATIME, atime);
}

static void AlbumRecordDrop(FILEINFO *fi, const char *tag) {
    IoFreeRecord(fi, tag);
}

// Reads the source into `fi` at a size that still covers `edge`, and its full size into `full`.
// JPEG sources are decoded DCT-scaled: a photo's thumbnail needs an eighth of its pixels.
static int AlbumSourceRead(FILEREQ *albumfile, const char *source, int edge, FILEINFO *fi,
                           FILEINFO *full) {
    FILEREQ req;
    IoRequestInit(&req, source);
    // The album's progress line and settings go on to the source read.
    req.status = albumfile->status;
    req.language = albumfile->language;
    req.ctx = albumfile->ctx;
    req.progress = albumfile->progress;
    req.message = albumfile->message;
    req.hounsfield_use = albumfile->hounsfield_use;
    req.hounsfield_min = albumfile->hounsfield_min;
    req.hounsfield_max = albumfile->hounsfield_max;
    memset(full, 0, sizeof *full);
    if (IsFileJpeg(source) == FILE_SUCCES) {
        FILEINFO probe;
        if (!IoFindOrReadFileTyp(&req, &probe, IO_READ_PROBE) || probe.ftyp != FTYP_JPEG) {
            AlbumRecordDrop(&probe, source);
            return FILE_ERROR_READ;
        }
        full->w = probe.w, full->h = probe.h, full->bit = probe.bit;
        AlbumRecordDrop(&probe, source);
        req.preview = edge;
    }
    if (!IoFindOrReadFileTyp(&req, fi, IO_READ_FULL) || !fi->fbuf) {
        AlbumRecordDrop(fi, source);
        return req.noimage ? FILE_ERROR_NOIMAGE : FILE_ERROR_READ;
    }
    if (!req.preview) full->w = fi->w, full->h = fi->h, full->bit = fi->bit;
    return FILE_SUCCES;
}

int IoAlbumEntryMake(FILEREQ *albumfile, const char *source, ALBUMDAT *album,
                     std::vector<uint8_t> *made, int *jpegrc) {
    if (!made || !jpegrc) return WIN_ERROR_ARG;
    if (!albumfile || !albumfile->path || !source) return WIN_ERROR_ARG;
    struct stat st;
    if (stat(source, &st) != 0 || !S_ISREG(st.st_mode)) return FILE_ERROR_READ;
    int def[ALBUM_DEF_COUNT];
    int edge = ALBUM_EDGE_DEFAULT;
    if (album && album->blocksize > 0) {
        memcpy(def, album->def, sizeof def);
        edge = album->edge > 0 ? album->edge : ALBUM_EDGE_DEFAULT;
    } else {
        memcpy(def, album_def, sizeof def);
    }
    if (edge > ALBUM_EDGE_MAX) edge = ALBUM_EDGE_MAX;
    int blocksize = AlbumBlockSize(def);
    // A marker inside the name would split the entry for every reader.
    std::string name(source, strnlen(source, static_cast<size_t>(def[ALBUM_F_NAME])));
    if (name.find(album_marker) != std::string::npos) return FILE_ERROR_FORMAT;
    int lang = album ? album->language : LG_DEFAULT;

    int rc = IsFileAlbum(albumfile->path);
    if (rc != FILE_SUCCES) return rc;
    int src = FileOpenInput(source);
    if (src < 0) return FILE_ERROR_READ;
    close(src);

    FILEINFO fi, full;
    rc = AlbumSourceRead(albumfile, source, edge, &fi, &full);
    if (rc != FILE_SUCCES) return rc;
    short out[2] = {0, 0};
    rc = CalcDestRect(edge, edge, full.w, full.h, out);
    uint8_t *thumb = nullptr;
    if (rc == 0) {
        thumb = CalcImageSize(fi.w, fi.h, out[0], out[1], fi.bit, fi.fbuf, source);
        rc = thumb ? FILE_SUCCES : FILE_ERROR_DATA;
    }
    MemFree(fi.fbuf, source);
    fi.fbuf = nullptr;
    if (rc != FILE_SUCCES) {
        AlbumRecordDrop(&fi, source);
        return rc;
    }

    SAVEINFO save;
    memset(&save, 0, sizeof save);
    save.w = out[0];
    save.h = out[1];
    save.bit = fi.bit;
    save.ftyp = FTYP_JPEG;
    save.fbuf = thumb;
    save.maptyp = fi.maptyp;
    save.rmap = fi.rmap;
    save.gmap = fi.gmap;
    save.bmap = fi.bmap;
    save.mapentry = fi.mapentry;
    uint8_t *jpg = nullptr;
    long jlen = 0;
    int jrc = IoAlbumThumbEncode(&save, &jpg, &jlen);
    MemFree(thumb, source);
    AlbumRecordDrop(&fi, source);

    // The entry goes out in one write, so a failure can be cut off again.
    std::vector<uint8_t> entry(static_cast<size_t>(ALBUM_MARKER_SIZE + blocksize), 0);
    AlbumEntryFill(entry.data(), def, source, &full, lang);
    if (jrc == FILE_SUCCES) entry.insert(entry.end(), jpg, jpg + jlen);
    if (jpg) MemFree(jpg, "album");
    made->swap(entry);
    *jpegrc = jrc;
    return FILE_SUCCES;
}

int IoAlbumEntryWrite(FILEREQ *albumfile, const std::vector<uint8_t> &entry) {
    if (!albumfile || !albumfile->path || entry.empty()) return WIN_ERROR_ARG;
    int rc = FileOpenWrite(albumfile);
    if (rc != FILE_SUCCES) return rc;
    struct stat ast;
    off_t before = fstat(albumfile->fd, &ast) == 0 ? ast.st_size : -1;
    rc = AlbumWriteAll(albumfile->fd, entry.data(), static_cast<long>(entry.size()));
    if (rc != FILE_SUCCES) {
        albumfile->error = errno;
        if (before >= 0 && ftruncate(albumfile->fd, before) != 0) albumfile->error = errno;
    }
    close(albumfile->fd);
    albumfile->fd = -1;
    return rc;
}

int IoAlbumAppend(FILEREQ *albumfile, const char *source, ALBUMDAT *album) {
    std::vector<uint8_t> entry;
    int jrc = FILE_SUCCES;
    int rc = IoAlbumEntryMake(albumfile, source, album, &entry, &jrc);
    if (rc != FILE_SUCCES) return rc;
    rc = IoAlbumEntryWrite(albumfile, entry);
    return rc != FILE_SUCCES ? rc : jrc;
}

int IoAlbumEntryImage(const ALBUMDAT *album, int index, FILEINFO *fi) {
    if (!album || !fi) return WIN_ERROR_ARG;
    memset(fi, 0, sizeof *fi);
    if (!album->file.data) return FILE_ERROR_DATA;
    if (index < 0 || index >= album->entries) return WIN_ERROR_ARG;
    const char *tag = album->path;
    auto *name = static_cast<char *>(MemCreate(ALBUM_PATH_SIZE, tag));
    if (!name) return WIN_ERROR_MEMORY;
    IoAlbumEntryField(album, index, ALBUM_F_NAME, name, ALBUM_PATH_SIZE);
    const uint8_t *p = nullptr;
    long len = 0;
    int rc = IoAlbumEntryThumb(album, index, &p, &len);
    int edge = album->edge > 0 ? album->edge : ALBUM_EDGE_DEFAULT;
    FILEINFO img;
    memset(&img, 0, sizeof img);
    if (rc == FILE_SUCCES) rc = IoReadJpegMem(p, len, &img, edge, tag);
    if (rc == FILE_SUCCES) {
        // Never enlarged: a header's edge of 1024 over tiny thumbnails would make every cell
        // a megapixel, whatever few bytes the entry holds.
        uint8_t *small =
            FilePreviewSetup(img.fbuf, std::min(edge, img.w), std::min(edge, img.h), tag, &img);
        if (small) {
            MemFree(img.fbuf, tag);
            img.fbuf = small;
        } else {
            IoFreeRecord(&img, tag);
            rc = FILE_ERROR_DATA;
        }
    }
    if (rc == FILE_SUCCES) *fi = img;
    fi->fname = name;
    fi->frames = 1;
    return rc;
}

// The output of a rewrite, gathered into writes of 64 KiB: an album of many small entries would
// otherwise cost a system call an entry.
struct ALBUMOUT {
    int fd;
    std::vector<uint8_t> buf, block;
};

static int AlbumOutFlush(ALBUMOUT *out) {
    int rc = AlbumWriteAll(out->fd, out->buf.data(), static_cast<long>(out->buf.size()));
    out->buf.clear();
    return rc;
}

static int AlbumOutPut(ALBUMOUT *out, const uint8_t *p, long len) {
    const size_t room = 64 * 1024;
    if (out->buf.size() + static_cast<size_t>(len) > room) {
        int rc = AlbumOutFlush(out);
        if (rc != FILE_SUCCES) return rc;
    }
    if (static_cast<size_t>(len) >= room) return AlbumWriteAll(out->fd, p, len);
    out->buf.insert(out->buf.end(), p, p + len);
    return FILE_SUCCES;
}

// Writes one entry in the built-in layout: each field copied into its new width, the thumbnail
// behind them.
static int AlbumWriteEntry(ALBUMOUT *out, const int *def, const uint8_t *p, long len,
                           bool relayout) {
    if (!relayout) return AlbumOutPut(out, p, len);
    std::vector<uint8_t> &block = out->block;
    block.assign(static_cast<size_t>(ALBUM_MARKER_SIZE + AlbumBlockSize(album_def)), 0);
    memcpy(block.data(), album_marker, ALBUM_MARKER_SIZE);
    for (int f = ALBUM_F_NAME; f < ALBUM_DEF_COUNT; f++) {
        long from = AlbumFieldOffset(def, f);
        long n = len - from;
        if (n > def[f]) n = def[f];
        if (n > album_def[f]) n = album_def[f];
        if (n > 0) memcpy(block.data() + AlbumFieldOffset(album_def, f), p + from, n);
    }
    // An entry cut inside its fields stays cut: its new block is no longer than it was.
    long thumb = ALBUM_MARKER_SIZE + static_cast<long>(AlbumBlockSize(def));
    if (len < thumb && len < static_cast<long>(block.size()))
        block.resize(static_cast<size_t>(len));
    int rc = AlbumOutPut(out, block.data(), static_cast<long>(block.size()));
    if (rc == FILE_SUCCES && len > thumb) rc = AlbumOutPut(out, p + thumb, len - thumb);
    return rc;
}

// Whether a file is the one the album was loaded from.
static bool AlbumIsLoaded(const ALBUMDAT *album, const struct stat &st) {
    return album->loaded_ino != 0 && static_cast<unsigned long>(st.st_dev) == album->loaded_dev &&
           static_cast<unsigned long>(st.st_ino) == album->loaded_ino;
}

// Entries appended to the file after it was loaded: the bytes behind the loaded length, which
// must still begin with the loaded header. -103 when the file was rewritten meanwhile or is
// another file now.
static int AlbumReadTail(const ALBUMDAT *album, const char *target, std::vector<uint8_t> *tail) {
    int fd = FileOpenInput(target);
    if (fd < 0) return errno == ENOENT ? FILE_SUCCES : FILE_ERROR_READ;
    struct stat st;
    int rc = FILE_SUCCES;
    long loaded = album->file.datalen;
    uint8_t header[ALBUM_HEADER_SIZE];
    if (fstat(fd, &st) != 0) {
        rc = FILE_ERROR_READ;
    } else if (!AlbumIsLoaded(album, st)) {
        rc = FILE_ERROR_DATA;
    } else if (st.st_size < loaded ||
               AlbumReadAll(fd, header, ALBUM_HEADER_SIZE, 0) != ALBUM_HEADER_SIZE ||
               memcmp(header, album->file.data, ALBUM_HEADER_SIZE) != 0) {
        rc = FILE_ERROR_DATA;
    } else if (st.st_size > loaded) {
        long n = static_cast<long>(st.st_size) - loaded;
        tail->resize(static_cast<size_t>(n));
        if (AlbumReadAll(fd, tail->data(), n, loaded) != n)
            rc = FILE_ERROR_READ;
        else if (n < ALBUM_MARKER_SIZE || memcmp(tail->data(), album_marker, ALBUM_MARKER_SIZE))
            rc = FILE_ERROR_DATA;
    }
    close(fd);
    return rc;
}

// The file about to be replaced must still be the one that was loaded: the path may have been
// pointed elsewhere while the new file was written.
static int AlbumReplaceCheck(void *ctx, const char *target) {
    struct stat now;
    return lstat(target, &now) == 0 && AlbumIsLoaded(static_cast<const ALBUMDAT *>(ctx), now) ? 0
                                                                                              : -1;
}

int IoAlbumEntrySaveDrop(ALBUMDAT *album, const uint8_t *drop) {
    if (!album) return WIN_ERROR_ARG;
    if (!album->file.data || album->file.datalen < ALBUM_HEADER_SIZE) return FILE_ERROR_DATA;
    if (album->entries > 0 && !album->pos) return FILE_ERROR_DATA;
    // A link to the album stays a link: the file it points at is replaced.
    FILEREPLACE rep;
    if (FileReplaceOpen(&rep, album->path, 0660) != 0) {
        album->file.error = rep.error;
        return FILE_ERROR_CREATE;
    }
    std::vector<uint8_t> tail;
    int rc = AlbumReadTail(album, rep.target, &tail);
    if (rc != FILE_SUCCES) {
        FileReplaceAbort(&rep);
        if (rc == FILE_ERROR_DATA) album->file.error = ESTALE;
        return rc;
    }

    bool relayout = false;
    for (int i = ALBUM_F_NAME; i < ALBUM_DEF_COUNT; i++)
        relayout = relayout || album->def[i] != album_def[i];
    uint8_t header[ALBUM_HEADER_SIZE];
    IoAlbumHeaderInit(header, album->edge);
    ALBUMOUT out{rep.fd, {}, {}};
    rc = AlbumOutPut(&out, header, sizeof header);
    for (int i = 0; rc == FILE_SUCCES && i < album->entries; i++) {
        if (drop && drop[i]) continue;
        const uint8_t *p = album->file.data + album->pos[i];
        rc = AlbumWriteEntry(&out, album->def, p, album->pos[i + 1] - album->pos[i], relayout);
    }
    long tlen = static_cast<long>(tail.size());
    for (long at = AlbumNextMarker(tail.data(), tlen, 0); rc == FILE_SUCCES && at >= 0;) {
        long next = AlbumNextMarker(tail.data(), tlen, at + ALBUM_MARKER_SIZE);
        long end = next < 0 ? tlen : next;
        rc = AlbumWriteEntry(&out, album->def, tail.data() + at, end - at, relayout);
        at = next;
    }
    if (rc == FILE_SUCCES) rc = AlbumOutFlush(&out);
    if (rc != FILE_SUCCES) {
        album->file.error = errno;
        FileReplaceAbort(&rep);
        return rc;
    }
    rep.check = AlbumReplaceCheck;
    rep.check_ctx = album;
    if (FileReplaceCommit(&rep) != 0) {
        album->file.error = rep.error;
        return rep.error == ESTALE ? FILE_ERROR_DATA : FILE_ERROR_WRITE;
    }
    // The loaded bytes no longer describe the file; a further save must load it again.
    IoAlbumFree(album);
    return FILE_SUCCES;
}
