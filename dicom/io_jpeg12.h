// 12-bit lossy JPEG frames (extended process 4) of DICOM pixel data.
#pragma once

#include "dicom/io_dcm3.h"

#include <cstddef>
#include <cstdint>

// Decodes one 12-bit JPEG frame: a one-sample frame's values (masked to Bits Stored) into the
// store's frame f, a colour frame's top 8 bits of Bits Stored into R, G, B at out. 100, 150 when
// damaged or cut (the rows decoded stay), -103 when nothing could be decoded, -8.
int DicomJpeg12Frame(const uint8_t *data, size_t len, const DICOMLAYOUT *lay, DICOMSAMPLES *s,
                     int f, uint8_t *out);
