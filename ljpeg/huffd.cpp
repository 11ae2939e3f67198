#include "ljpeg/huffd.h"

#include "ljpeg/decomp.h"
#include "ljpeg/mcu.h"
#include "ljpeg/read.h"

#include <cstring>

void FillBitBuffer(BitReader *br) {
    // Whole words while no 0xFF byte is near: most fills of real data take this path.
    if (br->len - br->pos >= 8 && br->bits < 56) {
        uint64_t w;
        memcpy(&w, br->data + br->pos, 8);
        w = __builtin_bswap64(w);
        const uint64_t inv = ~w;
        if (((inv - 0x0101010101010101ull) & ~inv & 0x8080808080808080ull) == 0) {
            const int n = (63 - br->bits) >> 3;
            br->buf = (br->buf << (8 * n)) | (w >> (64 - 8 * n));
            br->bits += 8 * n;
            br->pos += n;
            return;
        }
    }
    while (br->bits <= 56) {
        unsigned c = 0;
        if (br->pos < br->len) {
            c = br->data[br->pos];
            if (c != 0xFF) {
                br->pos++;
            } else if (br->pos + 1 < br->len && br->data[br->pos + 1] == 0) {
                br->pos += 2; // stuffed zero: one 0xFF data byte
            } else {
                c = 0; // a marker: leave it for the restart or scan-header reader
                br->fed += 8;
            }
        } else {
            br->fed += 8;
        }
        br->buf = (br->buf << 8) | c;
        br->bits += 8;
    }
}

int HuffDecoderInit(DecompressInfo *dc) {
    for (int k = 0; k < dc->compsInScan; k++) {
        int t = dc->curCompInfo[k]->dcTblNo;
        if (t < 0 || t >= LJPEG_HUFF_TABLES || !dc->huff[t].defined) {
            LjpegWarn("Error: Use of undefined Huffman table\n");
            return LJPEG_ERR_DATA;
        }
        if (!dc->huff[t].derived) {
            int rc = FixHuffTbl(&dc->huff[t]);
            if (rc < 0) return rc;
        }
    }
    dc->restartsToGo = dc->restartInterval;
    dc->nextRestartNum = 0;
    dc->restartRow = 0;
    dc->restartCol = 0;
    return LJPEG_OK;
}

static void DamageOnce(DecompressInfo *dc, int *warned, const char *text) {
    dc->damaged = 1;
    if (*warned) return;
    *warned = 1;
    LjpegWarn("%s", text);
}

// Zero bits that were consumed, not merely buffered, mean the data ran out too early.
static void CheckDry(DecompressInfo *dc, const BitReader *br) {
    if (br->fed > br->bits)
        DamageOnce(dc, &dc->warnedShort, "Corrupt JPEG data: premature end of data segment");
}

static __attribute__((noinline)) int HuffDecodeSlow(DecompressInfo *dc, BitReader *br,
                                                    const HuffmanTable *h) {
    // At least 32 bits are buffered; the sentinel maxcode[17] ends the search.
    int l = 9;
    int32_t code = static_cast<int32_t>(br->buf >> (br->bits - l)) & 0x1FF;
    while (code > h->maxcode[l]) {
        l++;
        code = static_cast<int32_t>(br->buf >> (br->bits - l)) & ((1 << l) - 1);
    }
    int idx = l <= 16 ? h->valptr[l] + code - h->mincode[l] : -1;
    if (idx < 0 || idx > 255) {
        DamageOnce(dc, &dc->warnedHuff, "Corrupt JPEG data: bad Huffman code");
        br->bits -= 16;
        return 0;
    }
    br->bits -= l;
    return h->huffval[idx];
}

// One difference: Huffman-coded category, then that many extra bits.
static inline int HuffDecode(DecompressInfo *dc, BitReader *br, const HuffmanTable *h) {
    // 32 bits cover the longest code (16) and the most extra bits (15).
    if (br->bits < 32) FillBitBuffer(br);
    const int32_t fast = h->fast[static_cast<unsigned>(br->buf >> (br->bits - LJPEG_FAST_BITS)) &
                                 ((1u << LJPEG_FAST_BITS) - 1)];
    if (fast) {
        br->bits -= fast & 31;
        return fast >> 5;
    }
    unsigned look = static_cast<unsigned>(br->buf >> (br->bits - 8)) & 0xFF;
    int s;
    int nb = h->numbits[look];
    if (nb) {
        br->bits -= nb;
        s = h->value[look];
    } else {
        s = HuffDecodeSlow(dc, br, h);
    }
    if (s == 16) return 32768;
    // Branch-free extend: the sign of a difference is a coin toss the branch predictor loses.
    // Category 0 reads no bits and gives 0 through the same arithmetic.
    const int v = static_cast<int>(br->buf >> (br->bits - s)) & bmask[s];
    br->bits -= s;
    return v + (((v - extendTest[s]) >> 31) & extendOffset[s]);
}

// Byte-aligns the input and expects marker RSTn. An older marker (behind the expected one) and
// its data are skipped; a newer one or any other marker stays in place, so the intervals up to it
// decode from zero bits and every interval lands at its own place in the frame.
static void ProcessRestart(DecompressInfo *dc, BitReader *br) {
    CheckDry(dc, br);
    br->buf = 0;
    br->bits = 0;
    br->fed = 0;
    dc->pos = br->pos;
    const int expect = M_RST0 + dc->nextRestartNum;
    for (;;) {
        size_t start = dc->pos;
        int c = NextMarker(dc);
        if (c < 0) {
            DamageOnce(dc, &dc->warnedShort, "Corrupt JPEG data: premature end of data segment");
            break;
        }
        if (c == expect) {
            if (dc->pos - 2 != start)
                DamageOnce(dc, &dc->warnedRst, "Error: Corrupt JPEG data.  Exiting...\n");
            break;
        }
        DamageOnce(dc, &dc->warnedRst, "Error: Corrupt JPEG data.  Exiting...\n");
        if (c >= M_RST0 && c <= M_RST7 && ((c - expect) & 7) >= 4) continue;
        dc->pos -= 2;
        break;
    }
    dc->nextRestartNum = (dc->nextRestartNum + 1) & 7;
    br->pos = dc->pos;
}

// Samples [c0, c1) of a row that is not the first line of the scan or of a restart interval,
// with the predictor PSV; c0 >= 1.
// The seven predictors of T.81 (selection value PSV; 0 predicts nothing).
template <int PSV> static inline int Predict(int ra, int rb, int rc) {
    switch (PSV) {
    case 1:
        return ra;
    case 2:
        return rb;
    case 3:
        return rc;
    case 4:
        return ra + rb - rc;
    case 5:
        return ra + ((rb - rc) >> 1);
    case 6:
        return rb + ((ra - rc) >> 1);
    case 7:
        return (ra + rb) >> 1;
    default:
        return 0;
    }
}

template <int PSV>
static void DecodeSpan(DecompressInfo *dc, BitReader *br, const HuffmanTable *const *tbl, int n,
                       int c0, int c1) {
    uint16_t *cur = dc->curRow;
    const uint16_t *prev = dc->prevRow;
    for (int i = c0 * n, end = c1 * n, k = 0; i < end; i++) {
        const int ra = cur[i - n];
        const int rb = prev[i];
        const int rc = prev[i - n];
        const int pred = Predict<PSV>(ra, rb, rc);
        cur[i] = static_cast<uint16_t>(pred + HuffDecode(dc, br, tbl[k]));
        if (++k == n) k = 0;
    }
}

template <int PSV>
static void DecodeSpan1(DecompressInfo *dc, BitReader *br, const HuffmanTable *tbl, int c0,
                        int c1) {
    uint16_t *cur = dc->curRow;
    const uint16_t *prev = dc->prevRow;
    BitReader b = *br;
    for (int i = c0; i < c1; i++) {
        const int ra = cur[i - 1];
        const int rb = prev[i];
        const int rc = prev[i - 1];
        const int pred = Predict<PSV>(ra, rb, rc);
        cur[i] = static_cast<uint16_t>(pred + HuffDecode(dc, &b, tbl));
    }
    *br = b;
}

template <int PSV>
static void DecodeRest(DecompressInfo *dc, BitReader *br, const HuffmanTable *const *tbl, int n,
                       int c0, int c1) {
    if (n == 1)
        DecodeSpan1<PSV>(dc, br, tbl[0], c0, c1);
    else
        DecodeSpan<PSV>(dc, br, tbl, n, c0, c1);
}

// Samples [c0, c1) of row `row`, all inside one restart interval.
static void DecodeRowPart(DecompressInfo *dc, BitReader *br, const HuffmanTable *const *tbl,
                          int row, int c0, int c1) {
    const int n = dc->compsInScan;
    uint16_t *cur = dc->curRow;
    const uint16_t *prev = dc->prevRow;
    if (row == dc->restartRow) {
        // First line of the scan or of the interval: 2^(P-Pt-1) to start, then the left sample.
        const int init = 1 << (dc->dataPrecision - dc->Pt - 1);
        for (int c = c0; c < c1; c++)
            for (int k = 0; k < n; k++) {
                int pred = c == dc->restartCol ? init : cur[(c - 1) * n + k];
                cur[c * n + k] = static_cast<uint16_t>(pred + HuffDecode(dc, br, tbl[k]));
            }
        return;
    }
    if (c0 == 0) {
        for (int k = 0; k < n; k++)
            cur[k] = static_cast<uint16_t>(prev[k] + HuffDecode(dc, br, tbl[k]));
        c0 = 1;
    }
    if (c0 >= c1) return;
    switch (dc->Ss) {
    case 1:
        DecodeRest<1>(dc, br, tbl, n, c0, c1);
        break;
    case 2:
        DecodeRest<2>(dc, br, tbl, n, c0, c1);
        break;
    case 3:
        DecodeRest<3>(dc, br, tbl, n, c0, c1);
        break;
    case 4:
        DecodeRest<4>(dc, br, tbl, n, c0, c1);
        break;
    case 5:
        DecodeRest<5>(dc, br, tbl, n, c0, c1);
        break;
    case 6:
        DecodeRest<6>(dc, br, tbl, n, c0, c1);
        break;
    case 7:
        DecodeRest<7>(dc, br, tbl, n, c0, c1);
        break;
    default:
        DecodeRest<0>(dc, br, tbl, n, c0, c1);
        break;
    }
}

int DecodeImage(DecompressInfo *dc) {
    const HuffmanTable *tbl[LJPEG_MAX_COMPS];
    for (int k = 0; k < dc->compsInScan; k++)
        tbl[k] = &dc->huff[dc->curCompInfo[k]->dcTblNo];
    if ((dc->Ss < 0 || dc->Ss > 7) && !dc->warnedPsv) {
        dc->warnedPsv = 1;
        LjpegWarn("Warning: Undefined PSV\n");
    }

    BitReader br = {dc->data, dc->len, dc->pos, 0, 0, 0};
    const int width = dc->imageWidth;
    const int interval = dc->restartInterval;
    for (int row = 0; row < dc->imageHeight; row++) {
        int col = 0;
        while (col < width) {
            int end = width;
            if (interval) {
                if (dc->restartsToGo == 0) {
                    ProcessRestart(dc, &br);
                    dc->restartsToGo = interval;
                    dc->restartRow = row;
                    dc->restartCol = col;
                }
                if (dc->restartsToGo < width - col) end = col + dc->restartsToGo;
                dc->restartsToGo -= end - col;
            }
            DecodeRowPart(dc, &br, tbl, row, col, end);
            col = end;
        }
        PmPutRow(dc, row);
        McuRowsSwap(dc);
    }
    CheckDry(dc, &br);
    dc->pos = br.pos;
    return dc->damaged ? LJPEG_DAMAGED : LJPEG_OK;
}
