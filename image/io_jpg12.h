// 12-bit lossy JPEG (extended sequential DCT) through the 12-bit IJG build GDCM ships. Its own
// translation unit holds that library's headers, so they never meet the 8-bit library's.
#pragma once

#include "image/io_files.h"

#include <cstddef>
#include <cstdint>

// The sample precision of a JPEG stream's first frame header, 0 when there is none.
int Jpg12Precision(const uint8_t *data, size_t len);

// One 12-bit stream decoded: w x h x comps samples (0..4095) into out, rows top to bottom; a
// three-component stream as R, G, B (YCbCr converted unless the stream holds RGB: JFIF means
// YCbCr, an Adobe segment says, component ids 'R' 'G' 'B' mean RGB, otherwise `rgb_hint`). The
// stream's size and components must be w, h and comps before anything is allocated; progressive
// and lossless streams are refused. *rows counts the rows done. 100, 150 when the stream was cut
// or damaged (*rows tells what stands), -103 when nothing could be decoded (a line on stderr
// says why, prefixed by `name`), -8 out of memory.
int Jpg12Decode(const uint8_t *data, size_t len, int w, int h, int comps, int rgb_hint,
                uint16_t *out, long *rows, const char *name);

// The header of a 12-bit stream: 100 with size and components, or -103.
int Jpg12Header(const uint8_t *data, size_t len, int *w, int *h, int *comps);

// A plain 12-bit .jpg file into the record: grey mapped from its smallest to its largest value
// onto 0..255, colour by its top 8 bits. As IoReadJpeg.
int IoReadJpeg12(FILEREQ *req, FILEINFO *fi, int mode);
