// The image record, the file request block, the save description and the file-type codes.
#pragma once

#include "base/xerror.h"

#include <cstdint>
#include <cstdio>

// Window records and display images stay opaque to the decoding core.
struct WINDAT;
struct _XImage;
struct IMGLEVELS;
struct DICOMVOI;

// File-type codes (`ftyp`).
enum {
    FTYP_NONE = 0,
    FTYP_JPEG = 1,
    FTYP_BMP = 2,
    FTYP_TARGA = 3,
    FTYP_DICOM = 4,
    FTYP_ALL = 5,
    FTYP_COUNT = 6
};

// Colour-map types (`maptyp`).
enum {
    MAPTYP_RGB = 0,
    MAPTYP_8BIT = 1,
    MAPTYP_GREY = 2,
    MAPTYP_PALETTE = 3,
    MAPTYP_16BIT = 4,
};

// The image record. Zero-filled before every read; it owns fname, fbuf, the maps, the DICOM data
// and the display image.
struct FILEINFO {
    int w;
    int h;
    int bit;    // 8 (grey or palette indices) or 24 (R, G, B)
    int corner; // always 0: rows run top to bottom
    int ftyp;
    int fsize;
    char *fname;
    uint8_t *fbuf; // frames one after another, rows without padding
    void *dicom;   // while parsing the file's bytes, afterwards the DICOM entry table
    int frame;
    int frames;
    int maptyp;
    int mapentry;
    uint16_t *rmap;
    uint16_t *gmap;
    uint16_t *bmap;
    _XImage *ximage; // the display image, made and released by the render layer
    int busy;
    int orientation; // the file's Exif orientation (0 or 1: none); applied when the request said so
    IMGLEVELS *levels; // reduced levels of the shown frame, built by the view (image/io_levels)
    // A JPEG source's Exif/XMP (APP1), ICC (APP2) and comment markers, which every JPEG written
    // from the picture carries on: records of the marker code, a 2-byte big-endian length and
    // the data (IO_BUDGET_MARKERS at most).
    uint8_t *markers;
    long markerlen;
    // 1 once the pixels differ from the file's: Save writes only a changed picture.
    int changed;
    // The orientation (1..8) that takes the file's stored pixels to fbuf: the Exif turn applied
    // on reading, then the user's turns; 0 or 1 for none. A JPEG only turned is saved from it.
    int turn;
    // A monochrome DICOM picture's stored values and window (fbuf is derived from them); null
    // for other pictures and for previews.
    DICOMVOI *voi;
    // Set by a reader that left data of its own in the record (dicom, voi): how IoFreeRecord
    // releases it, so the record's home needs no reader.
    void (*release)(FILEINFO *fi);
};

// A file request; the album code uses it as its file record too.
struct FILEREQ {
    int fd;
    int error;
    int recognised;
    const char *path;
    uint8_t *data;
    long datalen;
    WINDAT *view;   // where the picture goes; only the callbacks look inside
    WINDAT *status; // where progress goes; only the callbacks look inside
    int preview;    // edge of the picture wanted (previews, thumbnails); 0 = full size
    int language;   // of status texts and messages
    // What a reader reports, all optional, each handed `ctx`: progress in percent, a status
    // text (null clears it), a message for the user (null: the message formatters), and the
    // display image a full read ends with (null: none is made).
    void *ctx;
    void (*progress)(void *ctx, int percent);
    void (*statusmsg)(void *ctx, const char *text);
    int (*message)(void *ctx, int language, const char *subject, int code, int err);
    int (*render)(void *ctx, FILEINFO *fi);
    // Settings a reader needs: the Hounsfield window for CT values.
    int hounsfield_use;
    int hounsfield_min;
    int hounsfield_max;
    // The window a DICOM picture opens with (DICOM_WINDOW_...: min-max, the file's, Hounsfield).
    int dicom_window;
    // 1: a JPEG is turned upright as its Exif orientation says.
    int exif_rotate;
    // 1 when the caller reads several files at once: the reader starts no threads of its own.
    int onethread;
    // 1 for a read that hands its frames on as they are decoded (a raw conversion): a DICOM
    // file is mapped, not read, and the pixel data of frames done is let go again.
    int mapped;
    // Set by a reader that knows the file but finds nothing to show: FILE_ERROR_NOIMAGE, and
    // in `what` the kind of object it holds instead (a DICOM SOP class name), maybe empty.
    int noimage;
    char what[80];
    // What a reader wants seen beside a picture it did show (pixel data cut short); "" if none.
    char note[240];
};

struct SAVEINFO {
    int w;
    int h;
    int bit;
    int quality;
    int ftyp;
    int first_frame;
    int last_frame;
    uint8_t *fbuf;
    int maptyp;
    uint16_t *rmap;
    uint16_t *gmap;
    uint16_t *bmap;
    WINDAT *view;
    int mapentry;           // entries of the maps; 0 = unknown (256 assumed)
    int frames;             // frames of the image shown; more than one saves one file per frame
    const uint8_t *markers; // FILEINFO.markers of the source, written after the header
    long markerlen;
    // A JPEG picture that is its file turned by `turn` (1..8, see FILEINFO.turn) is written by
    // turning `source` (still `sourcesize` bytes) without loss where whole blocks allow; null or
    // a turn of 0: the pixels are encoded.
    const char *source;
    long sourcesize;
    int turn;
};

// Type name and extension of a file-type code, from the shared table `file_ext` (label tables:
// name and extension pairs, flat); "*" for an unknown code.
const char *IoFileTypName(int ftyp);
const char *IoFileTypExt(int ftyp);

// Read modes of the readers and of the dispatch above them (io/io_read.h).
enum { IO_READ_FULL = 0, IO_READ_PROBE = 2 };

// A save record of the picture in `fi` (size, pixels, colour maps, frames); type, quality,
// frame range and view are the caller's.
void IoSaveInfoFromImage(const FILEINFO *fi, SAVEINFO *save);

// The message of a file the dispatch gave nothing for, in a box (stderr without one): the
// reader's "no image" with what the file holds, else "cannot read" with `err` (errno, or -1).
int IoReportUnread(const FILEREQ *req, const char *path, int language, int err);
// "no image in this DICOM file (WHAT)" in the language, for a request whose reader said so;
// empty otherwise.
const char *IoNoImageText(const FILEREQ *req, int language, char *out, size_t size);
// Map entries an 8-bit index may select: a grey ramp always has all 256 (its readers give
// mapentry 255, the largest value), a palette its own count.
int IoMapEntries(const FILEINFO *fi);

// Releases a display image; installed by the render layer.
extern int (*IoXImageFreeHook)(_XImage *image);

// A request for `path` with the settings of the configuration (Hounsfield window, language).
void IoRequestInit(FILEREQ *req, const char *path);

// Releases the blocks a read left in the record (fname, fbuf, maps, display image, DICOM
// data) and zero-fills it.
void IoFreeRecord(FILEINFO *fi, const char *tag);

// Size in bytes of w x h x comps x frames, or -1 when any factor is below 1 or the product
// overflows a signed 32-bit count (records and callers index with int).
long FileBufferSize(long w, long h, long comps, long frames);

int FileColormapCreate(FILEINFO *fi);
int FileColormapCopy(FILEINFO *dst, const FILEINFO *src, int create);

uint8_t *CalcImageSize(int w, int h, int dw, int dh, int bit, const uint8_t *src, const char *tag);
uint8_t *FilePreviewSetup(const uint8_t *buf, int maxw, int maxh, const char *tag, FILEINFO *fi);

// Budgets for outside data: what reading one file may cost (README, "Budgets for outside data").
enum : long {
    IO_BUDGET_IMAGE = 1L << 30,     // decoded image and sample store of compressed data
    IO_BUDGET_DECODER = 512L << 20, // libjpeg's working memory (whole-image coefficients)
    IO_BUDGET_MARKERS = 4L << 20,   // kept Exif, ICC and comment markers of one JPEG
};
enum { IO_BUDGET_SCANS = 100 }; // scans of one JPEG stream

// Opens an input read-only without blocking on a FIFO; anything but a regular file is refused
// (errno EISDIR for a directory, EINVAL for FIFOs, devices and sockets). The descriptor or -1.
int FileOpenInput(const char *path);

uint8_t *ReadFile(const char *path);
uint8_t *FileStdRead(const char *path);
FILE *FileStdOpen(const char *path);
int FileStdExist(const char *path);
int FileOpenRead(FILEREQ *req);
int FileOpenWrite(FILEREQ *req);
int FileCreate(FILEREQ *req);
int FileCreateTrunc(FILEREQ *req);
int FileTestExtensionAdd(const char *name, const char *ext);
