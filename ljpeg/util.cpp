#include "ljpeg/util.h"

#include "ljpeg/decomp.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <new>

const int bmask[17] = {0x0000, 0x0001, 0x0003, 0x0007, 0x000F, 0x001F, 0x003F, 0x007F, 0x00FF,
                       0x01FF, 0x03FF, 0x07FF, 0x0FFF, 0x1FFF, 0x3FFF, 0x7FFF, 0xFFFF};

const int extendTest[17] = {0,     0x0001, 0x0002, 0x0004, 0x0008, 0x0010, 0x0020, 0x0040, 0x0080,
                            0x100, 0x0200, 0x0400, 0x0800, 0x1000, 0x2000, 0x4000, 0x8000};

const int extendOffset[17] = {0,    -1,    -3,    -7,    -15,   -31,    -63,    -127,  -255,
                              -511, -1023, -2047, -4095, -8191, -16383, -32767, -65535};

static thread_local std::string *ljpeg_warn_sink;

void LjpegWarnTo(std::string *sink) {
    ljpeg_warn_sink = sink;
}

void LjpegWarn(const char *fmt, ...) {
    char line[256];
    va_list ap;
    va_start(ap, fmt);
    vsnprintf(line, sizeof line, fmt, ap);
    va_end(ap);
    size_t n = strlen(line);
    const char *end = n && line[n - 1] == '\n' ? "" : "\n";
    if (ljpeg_warn_sink) {
        try {
            ljpeg_warn_sink->append("dravik: ").append(line).append(end);
            return;
        } catch (const std::bad_alloc &) {}
    }
    // One fprintf per line keeps lines whole when two decoders report at once.
    fprintf(stderr, "dravik: %s%s", line, end);
}

// The difference a category and its extra bits stand for (T.81 F.2.2.1, EXTEND).
static int HuffExtend(int category, int bits) {
    if (category == 0) return 0;
    if (category == 16) return 32768;
    return bits < (1 << (category - 1)) ? bits + 1 - (1 << category) : bits;
}

static void FixHuffFast(HuffmanTable *htbl, int nsym) {
    memset(htbl->fast, 0, sizeof htbl->fast);
    for (int p = 0; p < nsym; p++) {
        const int size = htbl->ehufsi[p], category = htbl->huffval[p];
        const int extra = category == 16 ? 0 : category, total = size + extra;
        if (total > LJPEG_FAST_BITS) continue;
        const int rest = LJPEG_FAST_BITS - total;
        for (int e = 0; e < 1 << extra; e++) {
            const int32_t entry = HuffExtend(category, e) * 32 + total;
            const int first = (htbl->ehufco[p] << extra | e) << rest;
            for (int k = 0; k < 1 << rest; k++)
                htbl->fast[first | k] = entry;
        }
    }
}

// Canonical codes from the counts (T.81 Annex C), the min/max code per length and the 8-bit
// look-ahead table.
int FixHuffTbl(HuffmanTable *htbl) {
    int nsym = 0;
    for (int l = 1; l <= 16; l++)
        nsym += htbl->bits[l];
    if (nsym > 256) {
        LjpegWarn("Bogus DHT counts");
        return LJPEG_ERR_DATA;
    }
    for (int i = 0; i < nsym; i++) {
        // Difference categories run from 0 to 16; anything larger would read past the extra bits.
        if (htbl->huffval[i] > 16) {
            LjpegWarn("Bogus Huffman table: symbol %d", htbl->huffval[i]);
            return LJPEG_ERR_DATA;
        }
    }

    int p = 0;
    uint32_t code = 0;
    for (int l = 1; l <= 16; l++) {
        for (int i = 0; i < htbl->bits[l]; i++, p++) {
            htbl->ehufco[p] = static_cast<uint16_t>(code);
            htbl->ehufsi[p] = static_cast<uint8_t>(l);
            code++;
        }
        // Counts that overflow the code space would give codes no decoder can tell apart.
        if (code > (1u << l)) {
            LjpegWarn("Bogus DHT counts");
            return LJPEG_ERR_DATA;
        }
        code <<= 1;
    }

    p = 0;
    for (int l = 1; l <= 16; l++) {
        if (htbl->bits[l]) {
            htbl->valptr[l] = static_cast<int16_t>(p);
            htbl->mincode[l] = htbl->ehufco[p];
            p += htbl->bits[l];
            htbl->maxcode[l] = htbl->ehufco[p - 1];
        } else {
            htbl->valptr[l] = 0;
            htbl->mincode[l] = 0;
            htbl->maxcode[l] = -1;
        }
    }
    htbl->maxcode[0] = -1;
    htbl->maxcode[17] = 0xFFFFF;

    memset(htbl->numbits, 0, sizeof htbl->numbits);
    memset(htbl->value, 0, sizeof htbl->value);
    for (p = 0; p < nsym; p++) {
        int size = htbl->ehufsi[p];
        if (size > 8) break;
        int ll = htbl->ehufco[p] << (8 - size);
        int ul = ll | bmask[8 - size];
        for (int i = ll; i <= ul; i++) {
            htbl->numbits[i] = static_cast<uint8_t>(size);
            htbl->value[i] = htbl->huffval[p];
        }
    }
    FixHuffFast(htbl, nsym);
    htbl->derived = 1;
    return LJPEG_OK;
}

int DecoderStructInit(DecompressInfo *dc) {
    for (int ci = 0; ci < dc->numComponents; ci++) {
        if (dc->compInfo[ci].hSampFactor != 1 || dc->compInfo[ci].vSampFactor != 1) {
            LjpegWarn("Error: Downsampling is not supported.\n");
            return LJPEG_ERR_FORMAT;
        }
    }
    if (dc->compsInScan > LJPEG_MAX_COMPS) {
        LjpegWarn("Too many components for interleaved scan");
        return LJPEG_ERR_FORMAT;
    }
    for (int i = 0; i < dc->compsInScan; i++)
        dc->MCUmembership[i] = static_cast<int16_t>(i);

    size_t n = static_cast<size_t>(dc->imageWidth) * static_cast<size_t>(dc->compsInScan);
    try {
        dc->mcuROW1.assign(n, 0);
    } catch (const std::bad_alloc &) {
        LjpegWarn("Not enough memory for mcuROW1\n");
        return LJPEG_ERR_MEMORY;
    }
    try {
        dc->mcuROW2.assign(n, 0);
    } catch (const std::bad_alloc &) {
        LjpegWarn("Not enough memory for mcuROW2\n");
        return LJPEG_ERR_MEMORY;
    }
    dc->prevRow = dc->mcuROW1.data();
    dc->curRow = dc->mcuROW2.data();
    return LJPEG_OK;
}
