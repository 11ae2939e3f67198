// Lossless JPEG: the decoder record, Huffman table derivation and decoder set-up.
#pragma once

#include "ljpeg/decomp.h"

#include <cstddef>
#include <cstdint>
#include <vector>

enum {
    LJPEG_MAX_COMPS = 4,   // components per frame and per scan
    LJPEG_HUFF_TABLES = 4, // DC table numbers 0..3
    LJPEG_FAST_BITS = 11   // a code and its extra bits within this many bits decode at once
};

// One Huffman table: the segment's counts and symbols and the derived decoding tables.
struct HuffmanTable {
    uint8_t bits[17]; // bits[l] = number of codes of length l; bits[0] = 0
    uint8_t huffval[256];
    uint16_t ehufco[256]; // canonical code per symbol index
    uint8_t ehufsi[256];  // its length
    int32_t mincode[17];
    int32_t maxcode[18]; // -1 for lengths without codes; [17] is the sentinel
    int16_t valptr[17];
    uint8_t numbits[256]; // look-ahead: length of the code a byte starts with, 0 when longer than 8
    uint8_t value[256];   // look-ahead: that code's symbol
    // Per next LJPEG_FAST_BITS bits of input: the difference they start with (code and extra bits
    // both inside) times 32 plus the bits it takes; 0 when it needs more bits or is no code.
    int32_t fast[1 << LJPEG_FAST_BITS];
    int defined; // set by a DHT segment
    int derived; // decoding tables built from the current counts
};

struct JpegComponentInfo {
    int16_t componentId;
    int16_t componentIndex; // position in the frame header, also the output channel
    int16_t hSampFactor;
    int16_t vSampFactor;
    int16_t dcTblNo;
};

// Everything one frame's decoding needs; one per call, so frames can be decoded concurrently.
struct DecompressInfo {
    int imageWidth;
    int imageHeight;
    int dataPrecision;
    JpegComponentInfo compInfo[LJPEG_MAX_COMPS];
    int16_t numComponents;
    JpegComponentInfo *curCompInfo[LJPEG_MAX_COMPS];
    int16_t compsInScan;
    int16_t MCUmembership[LJPEG_MAX_COMPS];
    HuffmanTable huff[LJPEG_HUFF_TABLES];
    int Ss;
    int Pt;
    int restartInterval; // in MCUs, 0 = none
    int restartsToGo;    // MCUs left in the current interval
    int nextRestartNum;  // 0..7
    int restartRow;      // where the current interval (or the scan) began
    int restartCol;

    // Input: the frame and a read position for the marker parsing; the entropy decoder reads
    // through its own bit reader and hands the position back.
    const uint8_t *data;
    size_t len;
    size_t pos;

    // Two MCU rows (previous and current), width x components-in-scan samples each.
    std::vector<uint16_t> mcuROW1;
    std::vector<uint16_t> mcuROW2;
    uint16_t *prevRow;
    uint16_t *curRow;

    // Output: interleaved 16-bit samples, numComponents per pixel.
    uint16_t *store;
    size_t storeCap;

    int scansDone;
    int damaged;    // the entropy data was corrupt; the frame was completed with fill
    int warnedHuff; // one line per frame for each kind of entropy-data damage
    int warnedRst;
    int warnedPsv;
    int warnedShort;
};

// Bit masks 2^n - 1 (n = 0..16), extend test 2^(n-1) and extend offset 1 - 2^n (n = 0..16).
extern const int bmask[17];
extern const int extendTest[17];
extern const int extendOffset[17];

int FixHuffTbl(HuffmanTable *htbl);
int DecoderStructInit(DecompressInfo *dc);
