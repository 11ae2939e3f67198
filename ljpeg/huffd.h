// Lossless JPEG: bit input, restarts and the decoding of a scan's rows.
#pragma once

#include "ljpeg/util.h"

// The entropy-coded data. Every byte fetch checks what is left; at a marker or the end of the
// data the reader stays put and feeds zero bits.
struct BitReader {
    const uint8_t *data;
    size_t len;
    size_t pos;
    uint64_t buf;
    int bits; // valid bits at the bottom of buf
    int fed;  // zero bits fed since the data stopped
};

// Fills the buffer to at least 57 bits.
void FillBitBuffer(BitReader *br);

// Builds the decoding tables the scan uses and resets the bit input and the restart counters.
int HuffDecoderInit(DecompressInfo *dc);

// Decodes every row of the scan into the store. 100, or 150 when the data was damaged.
int DecodeImage(DecompressInfo *dc);
