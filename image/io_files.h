// The image record, the file request block, the save description and the file-type codes.
#pragma once

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <cstdint>

struct WINDAT;

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
    XImage *ximage;
    int busy;
};

// A file request; the album code uses it as its file record too.
struct FILEREQ {
    int fd;
    int error;
    int recognised;
    const char *path;
    uint8_t *data;
    long datalen;
    WINDAT *view;
    WINDAT *status;
    int (*statusfunc)(struct WINDATUSR *rec);
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
};

// The type names and extensions by code live in the label tables (`file_ext`, app/language.h).
