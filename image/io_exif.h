// Exif orientation: reading it from a JPEG stream, setting it in an Exif segment, and turning a
// decoded picture upright.
#pragma once

#include "image/io_files.h"

#include <cstddef>
#include <cstdint>

// Orientation values (TIFF/Exif tag 0x0112): how the stored picture is turned for display.
enum {
    EXIF_ORIENT_NORMAL = 1,
    EXIF_ORIENT_MIRROR = 2, // mirrored left to right
    EXIF_ORIENT_ROT180 = 3,
    EXIF_ORIENT_FLIP = 4,       // mirrored top to bottom
    EXIF_ORIENT_TRANSPOSE = 5,  // mirrored along the diagonal from the top left
    EXIF_ORIENT_ROT90 = 6,      // turned 90 degrees clockwise for display
    EXIF_ORIENT_TRANSVERSE = 7, // mirrored along the other diagonal
    EXIF_ORIENT_ROT270 = 8,     // turned 90 degrees counter-clockwise for display
};

// The orientation an Exif APP1 payload ("Exif\0\0" and a TIFF header) gives, or 1 when it
// gives none or a value outside 1..8. Every offset is checked against `len`.
int ExifOrientationFromApp1(const uint8_t *payload, size_t len);

// The orientation of a JPEG stream: its first Exif APP1 segment before the first scan.
int ExifOrientationFromJpeg(const uint8_t *data, size_t len);

// Writes `value` over the orientation of an Exif APP1 payload in place; false when the payload
// holds none.
bool ExifOrientationSet(uint8_t *payload, size_t len, int value);

// Turns the picture of `fi` (8- or 24-bit, every frame) as orientation `value` says, so that it
// shows upright; width and height swap for 5 to 8. FILE_SUCCES, or -8 without memory.
int ImageOrient(FILEINFO *fi, int value);

// The stored point (*sx, *sy) of a w x h picture shown under orientation `value` at the displayed
// point (X, Y).
void ImageOrientPoint(int value, long w, long h, long X, long Y, long *sx, long *sy);

// Turns the picture of `fi` further by orientation `value` (as ImageOrient), as the user asks:
// the record remembers the turn from its file (FILEINFO.turn), counts as changed, and its kept
// Exif says upright. FILE_SUCCES, or -8 without memory (the picture unchanged).
int ImageTurn(FILEINFO *fi, int value);

// Sets the orientation in the kept Exif markers of `fi` to 1: the pixels are upright.
void ImageMarkersUpright(FILEINFO *fi);

// The orientation that undoes `value` followed by a turn: the composition of two orientations,
// as a view that turns an Exif-oriented picture further needs it. Both in 1..8.
int ExifOrientationCompose(int first, int then);
