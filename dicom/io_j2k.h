// JPEG 2000 frames (lossless and lossy) of DICOM pixel data, through OpenJPEG from memory.
#pragma once

#include "dicom/io_dcm3.h"

#include <cstddef>
#include <cstdint>

// The SIZ segment of a codestream (raw, or inside a JP2 file's jp2c box): image size, components,
// the first component's precision and signedness, the number of tiles, and whether every
// component covers the whole grid.
struct DICOMJ2KHEAD {
    long w, h;
    int comps;
    int prec, sign;
    long tiles;
    bool full; // no component subsampled
    bool jp2;  // wrapped in a JP2 file
};
bool DicomJ2kHeader(const uint8_t *data, size_t len, DICOMJ2KHEAD *head);

enum { DICOM_J2K_TILES = 4096 }; // tiles a frame may declare; each costs the decoder set-up

// Decodes one JPEG 2000 frame: a one-sample frame into the store's frame f, a colour frame into
// 8-bit R, G, B at out (the codestream's component transform makes YBR_RCT and YBR_ICT RGB). The
// size header must be the DICOM header's before the decoder allocates. A one-sample frame's
// values follow the codestream's signedness, which goes to *sign (0 or 1; -1 for colour).
// 100, 150 when the codestream was cut or damaged (what was decoded stays), -103 when unusable
// (one line through LjpegWarn says why), -8 out of memory.
// `threads` above 1 lets OpenJPEG decode the frame's code-blocks on that many threads. `drop`,
// when given, is told of the bytes the library has read so far (from data to the second
// pointer): it copies them, so a mapped file may let them go.
int DicomJ2kFrame(const uint8_t *data, size_t len, const DICOMLAYOUT *lay, DICOMSAMPLES *s, int f,
                  uint8_t *out, int *sign, int threads = 1,
                  void (*drop)(void *ctx, const uint8_t *from, const uint8_t *to) = nullptr,
                  void *dropctx = nullptr);
