// The elements of a DICOM file as rows: tag, name from a small dictionary, VR, length and a
// shortened value, sequences with their items one level deeper. The header window and
// `dravik-tool dump` show them. A cut or broken file lists what walks and says where it broke.
#pragma once

#include <cstddef>
#include <cstdint>

enum {
    DCMDUMP_ROWS = 20000,        // rows kept; the rest are counted in the last row
    DCMDUMP_VALUE = 260,         // bytes of a row's value text (64 characters of UTF-8 and "...")
    DCMDUMP_SHOW = 64,           // characters of a value shown before "..."
    DCMDUMP_INFLATE = 256L << 20 // most bytes a deflated data set may inflate to for listing
};
enum : uint32_t { DCMDUMP_UNDEFINED = 0xFFFFFFFFu };
// What a row holds.
enum {
    DCMDUMP_ELEMENT = 0,
    DCMDUMP_ITEM = 1, // an item of a sequence or a fragment of encapsulated pixel data
    DCMDUMP_NOTE = 2  // what the listing says about the file (broken, cut, rows left out)
};
// How a row reads as text.
enum {
    DCMDUMP_TEXT_TOOL = 0, // "(0010,0010) PN 8 PatientName [DOE^JOHN]"
    DCMDUMP_TEXT_LIST =
        1 // "PatientName  (0010,0010) PN 8 [DOE^JOHN]", the name first for type-ahead
};

struct DCMDUMPROW {
    int kind;
    int depth; // 0 for the data set's own elements
    unsigned group, elem;
    char vr[3];      // "" for items and notes
    uint32_t length; // DCMDUMP_UNDEFINED for an undefined length
    long offset;     // of the tag in the (inflated) data
    char value[DCMDUMP_VALUE];
};

struct DCMDUMP {
    DCMDUMPROW *row;
    int count, room;
    long elements; // elements and items walked, also those past the row cap
    int broken;    // 1 when the walk stopped before the file's end
};

// Rows of the file at `path` into `d` (emptied first). 100 when the whole file walked, -111 for
// a file that is no DICOM data set or broke (the rows then end with a note), -104 when it cannot
// be read, -8 when memory runs out.
int DcmDumpFile(const char *path, DCMDUMP *d);
// The same over bytes held in memory.
int DcmDumpBuffer(const uint8_t *buf, long len, DCMDUMP *d);
void DcmDumpRelease(DCMDUMP *d);
// The dictionary's name of an element: "Private" for odd groups, "?" for unknown ones.
const char *DcmDumpName(unsigned group, unsigned elem);
// A row as one line of text (indented by depth), cut at a character boundary.
void DcmDumpRowText(const DCMDUMPROW *r, int style, char *dst, size_t size);
