#include "ljpeg/read.h"

#include "ljpeg/decomp.h"

#include <cstring>

static int GetByte(DecompressInfo *dc) {
    if (dc->pos >= dc->len) return -1;
    return dc->data[dc->pos++];
}

int Get2bytes(DecompressInfo *dc) {
    if (dc->len - dc->pos < 2) {
        dc->pos = dc->len;
        return -1;
    }
    int v = (dc->data[dc->pos] << 8) | dc->data[dc->pos + 1];
    dc->pos += 2;
    return v;
}

// The next marker code, skipping anything that is not one; -1 when the data ends first.
int NextMarker(DecompressInfo *dc) {
    for (;;) {
        int c = GetByte(dc);
        while (c >= 0 && c != 0xFF)
            c = GetByte(dc);
        do {
            c = GetByte(dc);
        } while (c == 0xFF);
        if (c < 0) return -1;
        if (c != 0) return c;
    }
}

// Checks a segment's length field against the data and returns the bytes after it, or -1.
static int SegmentLength(DecompressInfo *dc) {
    int length = Get2bytes(dc);
    if (length < 2) return -1;
    length -= 2;
    if (static_cast<size_t>(length) > dc->len - dc->pos) return -1;
    return length;
}

int SkipVariable(DecompressInfo *dc) {
    int length = SegmentLength(dc);
    if (length < 0) {
        LjpegWarn("Premature end of JPEG data");
        return LJPEG_ERR_DATA;
    }
    dc->pos += length;
    return LJPEG_OK;
}

int GetApp0(DecompressInfo *dc) {
    return SkipVariable(dc);
}

int GetDht(DecompressInfo *dc) {
    int length = SegmentLength(dc);
    if (length < 0) {
        LjpegWarn("Premature end of JPEG data");
        return LJPEG_ERR_DATA;
    }
    const size_t end = dc->pos + length;
    while (dc->pos < end) {
        int index = dc->data[dc->pos++];
        uint8_t bits[17] = {0};
        int count = 0;
        if (end - dc->pos < 16) {
            LjpegWarn("Bogus DHT counts");
            break;
        }
        for (int i = 1; i <= 16; i++) {
            bits[i] = dc->data[dc->pos++];
            count += bits[i];
        }
        if (count > 256 || static_cast<size_t>(count) > end - dc->pos) {
            LjpegWarn("Bogus DHT counts");
            break;
        }
        const uint8_t *symbols = dc->data + dc->pos;
        dc->pos += count;
        if (index & 0x10) LjpegWarn("Huffman table for lossless JPEG is not defined.\n");
        if (index < 0 || index >= LJPEG_HUFF_TABLES) {
            LjpegWarn("Bogus DHT index %d", index);
            break;
        }
        HuffmanTable *htbl = &dc->huff[index];
        memcpy(htbl->bits, bits, sizeof bits);
        memset(htbl->huffval, 0, sizeof htbl->huffval);
        memcpy(htbl->huffval, symbols, count);
        htbl->defined = 1;
        htbl->derived = 0;
    }
    // A bad table ends the segment; the tables it defined before stay.
    dc->pos = end;
    return LJPEG_OK;
}

int GetDri(DecompressInfo *dc) {
    if (Get2bytes(dc) != 4) {
        LjpegWarn("Bogus length in DRI");
        return LJPEG_ERR_DATA;
    }
    int interval = Get2bytes(dc);
    if (interval < 0) {
        LjpegWarn("Premature end of JPEG data");
        return LJPEG_ERR_DATA;
    }
    dc->restartInterval = interval;
    return LJPEG_OK;
}

int GetSof(DecompressInfo *dc, int code) {
    (void)code;
    int length = Get2bytes(dc);
    int precision = GetByte(dc);
    int height = Get2bytes(dc);
    int width = Get2bytes(dc);
    int ncomp = GetByte(dc);
    if (ncomp < 0) {
        LjpegWarn("Premature end of JPEG data");
        return LJPEG_ERR_DATA;
    }
    dc->dataPrecision = precision;
    dc->imageHeight = height;
    dc->imageWidth = width;
    dc->numComponents = static_cast<int16_t>(ncomp);
    if (height <= 0 || width <= 0 || ncomp <= 0) {
        LjpegWarn("Empty JPEG image (DNL not supported)");
        return LJPEG_ERR_FORMAT;
    }
    if (precision < 2 || precision > 16) {
        LjpegWarn("Unsupported JPEG data precision");
        return LJPEG_ERR_FORMAT;
    }
    if (length != ncomp * 3 + 8) {
        LjpegWarn("Bogus SOF length");
        return LJPEG_ERR_DATA;
    }
    if (ncomp > LJPEG_MAX_COMPS) {
        LjpegWarn("Unsupported number of components %d", ncomp);
        return LJPEG_ERR_FORMAT;
    }
    if (dc->len - dc->pos < static_cast<size_t>(ncomp) * 3) {
        LjpegWarn("Premature end of JPEG data");
        return LJPEG_ERR_DATA;
    }
    for (int ci = 0; ci < ncomp; ci++) {
        JpegComponentInfo *comp = &dc->compInfo[ci];
        comp->componentIndex = static_cast<int16_t>(ci);
        comp->componentId = static_cast<int16_t>(GetByte(dc));
        int c = GetByte(dc);
        comp->hSampFactor = static_cast<int16_t>((c >> 4) & 15);
        comp->vSampFactor = static_cast<int16_t>(c & 15);
        GetByte(dc); // quantisation table: none in lossless frames
    }
    return LJPEG_OK;
}

int GetSos(DecompressInfo *dc) {
    int length = Get2bytes(dc);
    int n = GetByte(dc);
    if (n < 0) {
        LjpegWarn("Premature end of JPEG data");
        return LJPEG_ERR_DATA;
    }
    if (length - 3 != n * 2 + 3 || n < 1 || n > LJPEG_MAX_COMPS) {
        LjpegWarn("Bogus SOS length");
        return LJPEG_ERR_DATA;
    }
    if (dc->len - dc->pos < static_cast<size_t>(n) * 2 + 3) {
        LjpegWarn("Premature end of JPEG data");
        return LJPEG_ERR_DATA;
    }
    dc->compsInScan = static_cast<int16_t>(n);
    for (int i = 0; i < n; i++) {
        int cc = GetByte(dc);
        int c = GetByte(dc);
        int ci = 0;
        while (ci < dc->numComponents && dc->compInfo[ci].componentId != cc)
            ci++;
        if (ci >= dc->numComponents) {
            LjpegWarn("Invalid component number in SOS");
            return LJPEG_ERR_DATA;
        }
        JpegComponentInfo *comp = &dc->compInfo[ci];
        comp->dcTblNo = static_cast<int16_t>((c >> 4) & 15);
        dc->curCompInfo[i] = comp;
    }
    dc->Ss = GetByte(dc);
    GetByte(dc); // Se: unused in lossless scans
    dc->Pt = GetByte(dc) & 0x0F;
    // The first sample's prediction 2^(P - Pt - 1) needs at least one bit left.
    if (dc->Pt >= dc->dataPrecision) {
        LjpegWarn("Bogus point transform %d for precision %d", dc->Pt, dc->dataPrecision);
        return LJPEG_ERR_FORMAT;
    }
    return LJPEG_OK;
}

// The marker that ends the tables; -1 when the data ends first.
int ProcessTables(DecompressInfo *dc) {
    for (;;) {
        int c = NextMarker(dc);
        if (c < 0) return -1;
        int rc = LJPEG_OK;
        switch (c) {
        case 0xC0:
        case 0xC1:
        case 0xC2:
        case 0xC3:
        case 0xC5:
        case 0xC6:
        case 0xC7:
        case 0xC8:
        case 0xC9:
        case 0xCA:
        case 0xCB:
        case 0xCD:
        case 0xCE:
        case 0xCF:
        case M_SOI:
        case M_EOI:
        case M_SOS:
            return c;
        case M_DHT:
            rc = GetDht(dc);
            break;
        case M_DRI:
            rc = GetDri(dc);
            break;
        case M_APP0:
            rc = GetApp0(dc);
            break;
        case M_DQT:
            LjpegWarn("Not a lossless JPEG file.\n");
            break;
        case M_TEM:
        case 0xD0:
        case 0xD1:
        case 0xD2:
        case 0xD3:
        case 0xD4:
        case 0xD5:
        case 0xD6:
        case 0xD7:
            LjpegWarn("Warning: unexpected marker 0x%02x", c);
            break;
        default:
            rc = SkipVariable(dc);
            break;
        }
        if (rc < 0) return rc;
    }
}

int ReadFileHeader(DecompressInfo *dc) {
    int c1 = GetByte(dc);
    int c2 = GetByte(dc);
    if (c1 != 0xFF || c2 != M_SOI) {
        LjpegWarn("Not a JPEG file. Found %02X %02X\n", c1 < 0 ? 0 : c1, c2 < 0 ? 0 : c2);
        return LJPEG_ERR_FORMAT;
    }
    dc->restartInterval = 0; // GetSoi
    int c = ProcessTables(dc);
    if (c == -1) {
        LjpegWarn("Premature end of JPEG data");
        return LJPEG_ERR_DATA;
    }
    if (c < 0) return c;
    if (c != M_SOF0 && c != M_SOF1 && c != M_SOF3) {
        LjpegWarn("Unsupported SOF marker type 0x%02x", c);
        return LJPEG_ERR_FORMAT;
    }
    return GetSof(dc, c);
}

int ReadScanHeader(DecompressInfo *dc) {
    int c = ProcessTables(dc);
    if (c == -1) return 0;
    if (c < 0) return c;
    if (c != M_SOS) return 0;
    int rc = GetSos(dc);
    return rc < 0 ? rc : 1;
}
