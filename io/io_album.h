// The album file: a 222-byte header with the field widths, then entries found by their marker,
// each a block of fixed-width text fields and a JPEG thumbnail.
#pragma once

#include "image/io_files.h"

#include <cstdint>
#include <vector>

enum {
    ALBUM_HEADER_SIZE = 222,
    ALBUM_MAGIC_SIZE = 19,
    ALBUM_MARKER_SIZE = 4,
    ALBUM_DEF_ROOM = 100,
    ALBUM_DEF_COUNT = 16,
    ALBUM_EDGE_DEFAULT = 96,
    // Larger thumbnails would be pictures of their own; an edge from a header above this is cut.
    ALBUM_EDGE_MAX = 1024,
    ALBUM_QUALITY = 90,
    ALBUM_PATH_SIZE = 256,
};

// Fields of an entry block (the definition array's indices 2 to 15).
enum {
    ALBUM_F_NAME = 2,
    ALBUM_F_DESCRIPTION = 3,
    ALBUM_F_CATCHWORD1 = 4,
    ALBUM_F_CATCHWORD2 = 5,
    ALBUM_F_USER = 6,
    ALBUM_F_PASSWORD = 7,
    ALBUM_F_GROUP = 8,
    ALBUM_F_WIDTH = 9,
    ALBUM_F_HEIGHT = 10,
    ALBUM_F_BITS = 11,
    ALBUM_F_FLAG = 12,
    ALBUM_F_SIZE = 13,
    ALBUM_F_MTIME = 14,
    ALBUM_F_ATIME = 15,
};

extern const char album_magic[ALBUM_MAGIC_SIZE + 1];
extern const char album_marker[ALBUM_MARKER_SIZE + 1];

// One open album. The path comes first so the record doubles as the path; the window's own
// fields follow the file's (window records stay opaque here).
struct ALBUMDAT {
    char path[ALBUM_PATH_SIZE];
    char srcpath[ALBUM_PATH_SIZE];
    char host[128];
    FILEREQ file; // path points at `path`; data and datalen hold the loaded bytes
    int def[ALBUM_DEF_ROOM];
    int blocksize; // sum of the widths of fields 2 to 15
    int edge;
    int entries;
    long *pos; // entries + 1 offsets into the loaded bytes, the last = the loaded length
    // The file the bytes were loaded from; a save replaces only that very file.
    unsigned long loaded_dev, loaded_ino;
    WINDAT *view;
    int modified;
    int language; // of the texts written into entries; IoAlbumLoad sets the default
    int added;    // entries appended and removed since the load, for the count line
    int removed;
};

int IoAlbumHeaderInit(uint8_t *header, int edge);
int IoAlbumHeaderDefArrayInit(uint8_t *header, int edge);
// Value `index` of the header's definition array; 0 for an index outside 0..15.
int AlbumHeaderDefArrayGet(const uint8_t *header, int index);
int IoAlbumHeaderDefArraySetup(ALBUMDAT *album);

int IoAlbumCreate(FILEREQ *file, int edge);
int IoAlbumOpen(FILEREQ *file);
int IoAlbumRead(FILEREQ *file);
int IoAlbumEntryGetEntrys(FILEREQ *file);
int IoAlbumEntrySetupPos(ALBUMDAT *album);
int IoAlbumAppend(FILEREQ *albumfile, const char *source, ALBUMDAT *album);
int IsFileAlbum(const char *path);
// IoAlbumAppend in two steps, so sources can be read in parallel and written in order: the
// entry's bytes (marker, fields, thumbnail) for `source`, then their append in one write (cut
// off again on failure). Make returns 100 when the bytes stand, `*jpegrc` the thumbnail's code.
int IoAlbumEntryMake(FILEREQ *albumfile, const char *source, ALBUMDAT *album,
                     std::vector<uint8_t> *out, int *jpegrc);
int IoAlbumEntryWrite(FILEREQ *albumfile, const std::vector<uint8_t> &entry);

// The open sequence: create the album when it is missing or empty (thumbnail edge `edge`; with
// an edge of 0 an existing album is required), load it, read its definition array and index its
// entries. `album->path` names the file. 100, or the first failing step's code (-111 not an
// album, -103 a file shorter than the header).
int IoAlbumLoad(ALBUMDAT *album, int edge);
// Releases the loaded bytes and the offset table.
void IoAlbumFree(ALBUMDAT *album);

// Entry `index` of the loaded album: its bytes from the marker on, and the thumbnail part. A
// thumbnail length of 0 means the entry has none (or is cut short).
int IoAlbumEntryBytes(const ALBUMDAT *album, int index, const uint8_t **start, long *len);
int IoAlbumEntryThumb(const ALBUMDAT *album, int index, const uint8_t **start, long *len);
// Text of field 2..15 of entry `index` as a terminated string (cut to `size` - 1); for the
// single-byte fields 11 and 12 the number as decimal text. 100, or -15 / -103.
int IoAlbumEntryField(const ALBUMDAT *album, int index, int field, char *out, int size);

// The decoding half of IoAlbumEntryPaintInit: entry `index`'s thumbnail decoded into `fi` and
// fitted to the album's edge, `fi->fname` the entry's file name. The name is set even when the
// thumbnail cannot be decoded, so a cell stays paired with its entry. 100 or the decoder's code.
int IoAlbumEntryImage(const ALBUMDAT *album, int index, FILEINFO *fi);

// Rewrites the album without the entries whose `drop` byte is non-zero (`drop` has one byte per
// loaded entry, or is null). Entries appended to the file since it was loaded are kept. The new
// file is written beside the album and renamed over it, so a failure leaves the old one intact.
// The file replaced must be the one IoAlbumLoad read (device and inode, also checked just before
// the rename): -103 with file.error ESTALE when the path leads elsewhere now. An entry cut inside
// its text fields is rewritten no longer than it was.
int IoAlbumEntrySaveDrop(ALBUMDAT *album, const uint8_t *drop);

// Encodes an image to JPEG in memory at quality 90, lowering the quality step by step while the
// bytes would contain the entry marker. `*out` is a MemCreate block tagged "album".
int IoAlbumThumbEncode(SAVEINFO *save, uint8_t **out, long *len);
