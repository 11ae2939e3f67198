// Lossless JPEG (process 14) frames held in memory, decoded into 16-bit samples.
//
// The pixel stage asks for a frame's size first (`decompFrameInfo`), sizes its store, then decodes
// (`decompFrame`). Samples keep their full precision (each one shifted left by the point
// transform) and the components of a pixel are interleaved in frame-header order. Both calls keep
// their state on the stack, so any number of frames may be decoded at the same time.
//
// Result codes:
//   100  LJPEG_OK        the frame was decoded.
//   150  LJPEG_DAMAGED   the frame was written in full, but the entropy data was corrupt or
//                        short (bad codes, restart markers out of order, data ran dry); the
//                        damaged part holds what the zero-fed decoder produced.
//    -8  LJPEG_ERR_MEMORY   the row buffers could not be allocated.
//   -15  LJPEG_ERR_ARG      a null pointer for the data, the store or the result record.
//  -103  LJPEG_ERR_DATA     damaged headers: bad segment lengths, an undefined Huffman table or
//                           one that cannot be built, a truncated header, no scan at all.
//  -109  LJPEG_ERR_STORE    the frame needs more samples than the store holds; nothing written.
//  -111  LJPEG_ERR_FORMAT   not a JPEG stream, or one this decoder does not handle: a frame
//                           marker other than SOF0/SOF1/SOF3, precision outside 2..16, DNL,
//                           subsampling, more than 4 components, a point transform >= precision.
// Every failure also prints its diagnostic line on stderr.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

enum {
    LJPEG_OK = 100,
    LJPEG_DAMAGED = 150,
    LJPEG_ERR_MEMORY = -8,
    LJPEG_ERR_ARG = -15,
    LJPEG_ERR_DATA = -103,
    LJPEG_ERR_STORE = -109,
    LJPEG_ERR_FORMAT = -111
};

// What the headers say about a frame.
struct LJPEGINFO {
    int width;
    int height;
    int components;      // 1..4
    int precision;       // bits per sample, 2..16
    int predictor;       // selection value of the first scan (-1 when no scan header was read)
    int pointTransform;  // of the first scan
    int restartInterval; // in MCUs (pixels), 0 = none
};

// Reads the headers up to the first scan header; nothing is decoded. 100 or a failure code.
int decompFrameInfo(const uint8_t *data, size_t len, LJPEGINFO *info);

// Decodes one frame into store (capacity in samples; it needs width x height x components).
// info receives the header values also on failure, as far as they were read.
int decompFrame(const uint8_t *data, size_t len, uint16_t *store, size_t capacity, LJPEGINFO *info);

// Diagnostic line on stderr, prefixed with the program name; a missing newline is added.
void LjpegWarn(const char *fmt, ...) __attribute__((format(printf, 1, 2)));
// While set, this thread's diagnostic lines are appended to `sink` instead (null: stderr again),
// so frames decoded side by side can print theirs in frame order.
void LjpegWarnTo(std::string *sink);
