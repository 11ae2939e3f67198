// JPEG-LS frames (lossless and near-lossless) of DICOM pixel data, through CharLS.
#pragma once

#include "dicom/io_dcm3.h"

#include <cstddef>
#include <cstdint>

// Decodes one JPEG-LS frame: a one-sample frame into the store's frame f, a colour frame into
// 8-bit R, G, B at out. The stream's size and component count must be the header's before
// anything is allocated. 100, -103 when the stream is unusable, disagrees with the header or is
// cut (one line through LjpegWarn says which), -8 out of memory.
int DicomJlsFrame(const uint8_t *data, size_t len, const DICOMLAYOUT *lay, DICOMSAMPLES *s, int f,
                  uint8_t *out);

// The SOF55 frame header of a JPEG-LS stream: width, height, bits and components. false when
// the stream has none before its first scan.
struct DICOMJLSHEAD {
    int w, h, bits, comps;
};
bool DicomJlsHeader(const uint8_t *data, size_t len, DICOMJLSHEAD *head);
