// Reduced levels of a picture (each half the size of the one before, every pixel the mean of the
// four it covers), so that a view below 100 % can show each screen pixel as the mean of the
// picture pixels it covers without reading all of them on every paint.
#pragma once

#include "image/io_files.h"

#include <atomic>
#include <cstdint>

struct IMGLEVELS;

// Builds the levels of one frame of `fi` on a thread of their own; `done(ctx)` is called on that
// thread once they are ready, unless they were dropped first; it must give up as soon as
// `*cancel` is set (a drop waits for it). A record keeps one set of levels:
// a start for another frame drops the old set. FILE_SUCCES, -15 for a record without pixels,
// -8 without memory.
int ImageLevelsStart(FILEINFO *fi, int frame,
                     void (*done)(void *ctx, const std::atomic<int> *cancel), void *ctx);

// The same, at once on the calling thread.
int ImageLevelsBuildNow(FILEINFO *fi, int frame);

// Stops a build and frees the levels; to be called before the record's pixels change or go.
void ImageLevelsDrop(FILEINFO *fi);

// The frame the record's levels are (being) built for, or -1 without levels.
int ImageLevelsFrame(const FILEINFO *fi);

// True when the levels of `frame` are built.
bool ImageLevelsReady(const FILEINFO *fi, int frame);

// The area average of the frame the levels were built for: output pixel (i, j) is the mean of
// the picture pixels in [xs[i], xs[i+1]) x [ys[j], ys[j+1]) (picture coordinates, increasing,
// within the picture), taken from the level that has at least one pixel per span. Writes
// ow x oh pixels to `out`, 3 bytes each (R, G, B), or 1 byte each when `*grey` comes back 1
// (a grey picture whose values are its shades). FILE_SUCCES, or -24 when the levels are not
// ready.
int ImageLevelsBox(const FILEINFO *fi, const int *xs, int ow, const int *ys, int oh, uint8_t *out,
                   int *grey);
