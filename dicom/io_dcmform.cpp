#include "dicom/io_dcmform.h"

#include "dicom/io_dcm2.h"
#include "dicom/io_dicom.h"

#include <cstdlib>
#include <cstring>
#include <zlib.h>

/* ---- big endian ---- */

namespace {

enum : uint32_t { UNDEFINED = 0xFFFFFFFFu };
enum { ITEM = 0xE000, ITEM_END = 0xE00D, SEQ_END = 0xE0DD };

// How a value is swapped: by words of 2, 4 or 8 bytes, not at all, as a sequence of items, or
// as the Pixel Data by its Bits Allocated.
enum { SWAP_NONE = 0, SWAP_16 = 2, SWAP_32 = 4, SWAP_64 = 8, SWAP_SEQ = -1, SWAP_PIXELS = -2 };

struct SWAPWALK {
    uint8_t *buf;
    long len;
    bool write;
    bool implicit;
    int bitsallocated; // of the data set, once met
};

unsigned Be16(const uint8_t *p) {
    return unsigned(p[0] << 8 | p[1]);
}

uint32_t Be32(const uint8_t *p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

void Reverse(uint8_t *p, long n, int word) {
    for (long i = 0; i + word <= n; i += word)
        for (int a = 0, b = word - 1; a < b; a++, b--) {
            uint8_t t = p[i + a];
            p[i + a] = p[i + b];
            p[i + b] = t;
        }
}

bool VRIs(const uint8_t *vr, const char *name) {
    return vr[0] == uint8_t(name[0]) && vr[1] == uint8_t(name[1]);
}

int SwapOfVR(const uint8_t *vr) {
    static const struct {
        const char *vr;
        int swap;
    } table[] = {{"US", SWAP_16}, {"SS", SWAP_16}, {"OW", SWAP_16}, {"AT", SWAP_16},
                 {"UL", SWAP_32}, {"SL", SWAP_32}, {"FL", SWAP_32}, {"OF", SWAP_32},
                 {"OL", SWAP_32}, {"FD", SWAP_64}, {"OD", SWAP_64}, {"SV", SWAP_64},
                 {"UV", SWAP_64}, {"OV", SWAP_64}, {"SQ", SWAP_SEQ}};
    for (const auto &t : table)
        if (VRIs(vr, t.vr)) return t.swap;
    return SWAP_NONE;
}

// An implicit data set names no VR: the dictionary's, sequences also by an item at the start.
int SwapOfDictionary(unsigned group, unsigned elem) {
    for (const DCMGROUPDEF &def : DcmGroupDef) {
        for (int row = 0; row < def.rows; row++) {
            const unsigned char *t = def.tag[row];
            unsigned g = unsigned(t[0] << 8 | t[1]), e = unsigned(t[2] << 8 | t[3]);
            // Repeating groups (50xx, 60xx) match on their high byte.
            bool repeating = (g & 0xFF00) == 0x5000 || (g & 0xFF00) == 0x6000;
            if ((repeating ? (g & 0xFF00) != (group & 0xFF01) : g != group) || e != elem) continue;
            switch (atoi(def.unit[row][1])) {
            case DCMVR_US:
            case DCMVR_SS:
            case DCMVR_OW:
            case DCMVR_AT:
            case DCMVR_USSS:
                return SWAP_16;
            case DCMVR_UL:
            case DCMVR_SL:
            case DCMVR_FL:
                return SWAP_32;
            case DCMVR_FD:
                return SWAP_64;
            case DCMVR_SQ:
            case DCMVR_VOISEQ:
                return SWAP_SEQ;
            default:
                return SWAP_NONE;
            }
        }
    }
    return SWAP_NONE;
}

bool LongVR(const uint8_t *vr) {
    static const char long_vr[][3] = {"OB", "OD", "OF", "OL", "OV", "OW", "SQ",
                                      "SV", "UC", "UN", "UR", "UT", "UV"};
    for (const auto &v : long_vr)
        if (VRIs(vr, v)) return true;
    return false;
}

bool ShortVR(const uint8_t *vr) {
    static const char short_vr[][3] = {"AE", "AS", "AT", "CS", "DA", "DS", "DT",
                                       "FL", "FD", "IS", "LO", "LT", "PN", "SH",
                                       "SL", "SS", "ST", "TM", "UI", "UL", "US"};
    for (const auto &v : short_vr)
        if (VRIs(vr, v)) return true;
    return false;
}

long SwapItems(SWAPWALK *w, long p, long end, bool undefined, int depth);

// Elements from p up to `end` or, in an undefined-length item, up to its delimiter; the offset
// after them, -1 when the structure breaks.
long SwapElements(SWAPWALK *w, long p, long end, bool delimited, int depth) {
    const bool top = depth == 0;
    for (;;) {
        if (p == end && !delimited) return p;
        if (p > end - 8) return -1;
        uint8_t *h = w->buf + p;
        const unsigned group = Be16(h), elem = Be16(h + 2);
        if (group == 0xFFFE) {
            if (!delimited || elem != ITEM_END) return -1;
            if (w->write) Reverse(h, 8, 2), Reverse(h + 4, 4, 4);
            return p + 8;
        }
        const bool pixels = top && group == 0x7FE0 && elem == 0x0010;
        long value;
        uint32_t n;
        int swap;
        if (w->implicit) {
            value = p + 8;
            n = Be32(h + 4);
            if (w->write) Reverse(h + 4, 4, 4);
            swap = SwapOfDictionary(group, elem);
            if (swap == SWAP_NONE && n >= 8 && long(n) <= end - value && Be16(h + 8) == 0xFFFE &&
                Be16(h + 10) == ITEM)
                swap = SWAP_SEQ;
            if (n == UNDEFINED) swap = SWAP_SEQ;
        } else if (LongVR(h + 4)) {
            if (p > end - 12) return -1;
            value = p + 12;
            n = Be32(h + 8);
            if (w->write) Reverse(h + 8, 4, 4);
            swap = SwapOfVR(h + 4);
        } else if (ShortVR(h + 4)) {
            value = p + 8;
            n = Be16(h + 6);
            if (w->write) Reverse(h + 6, 2, 2);
            swap = SwapOfVR(h + 4);
        } else {
            return -1;
        }
        if (w->write) Reverse(h, 4, 2);
        if (pixels) swap = w->implicit || swap == SWAP_16 ? SWAP_PIXELS : SWAP_NONE;
        if (n == UNDEFINED) {
            // Big endian has no encapsulated pixel data; only sequences are open-ended.
            if (swap != SWAP_SEQ) return -1;
            p = SwapItems(w, value, w->len, true, depth + 1);
            if (p < 0) return -1;
            continue;
        }
        if (long(n) > end - value) {
            // A file cut inside its pixels keeps the pixels it has.
            if (!pixels || end != w->len) return -1;
            n = uint32_t(end - value);
        }
        if (swap == SWAP_SEQ) {
            if (SwapItems(w, value, value + long(n), false, depth + 1) != value + long(n))
                return -1;
        } else if (top && group == 0x0028 && elem == 0x0100 && n >= 2) {
            w->bitsallocated = int(Be16(w->buf + value));
        }
        if (w->write && swap > 0) Reverse(w->buf + value, long(n), swap);
        if (w->write && swap == SWAP_PIXELS && w->bitsallocated > 8)
            Reverse(w->buf + value, long(n), w->bitsallocated > 16 ? 4 : 2);
        if (w->write && swap == SWAP_PIXELS && w->bitsallocated <= 8 && !w->implicit)
            Reverse(w->buf + value, long(n), 2); // bytes in OW words
        p = value + long(n);
    }
}

// The items of a sequence from p to `end` (defined length) or to its delimiter.
long SwapItems(SWAPWALK *w, long p, long end, bool undefined, int depth) {
    if (depth > DICOM_NEST_DEPTH) return -1;
    for (;;) {
        if (p == end && !undefined) return p;
        if (p > end - 8) return -1;
        uint8_t *h = w->buf + p;
        const unsigned group = Be16(h), elem = Be16(h + 2);
        const uint32_t n = Be32(h + 4);
        if (group != 0xFFFE) return -1;
        if (w->write) Reverse(h, 4, 2), Reverse(h + 4, 4, 4);
        if (elem == SEQ_END) return undefined ? p + 8 : -1;
        if (elem != ITEM) return -1;
        if (n == UNDEFINED) {
            p = SwapElements(w, p + 8, end, true, depth);
        } else {
            if (long(n) > end - (p + 8)) return -1;
            long q = p + 8 + long(n);
            p = SwapElements(w, p + 8, q, false, depth) == q ? q : -1;
        }
        if (p < 0) return -1;
    }
}

} // namespace

int DicomFormSwap(uint8_t *buf, long len, long start, int implicit) {
    if (!buf || start < 0 || start > len) return FILE_ERROR_FORMAT;
    SWAPWALK w = {buf, len, false, implicit != 0, 0};
    if (SwapElements(&w, start, len, false, 0) != len) return FILE_ERROR_FORMAT;
    w.write = true;
    w.bitsallocated = 0;
    SwapElements(&w, start, len, false, 0);
    return FILE_SUCCES;
}

/* ---- deflate ---- */

namespace {

// Raw deflate as the syntax has it; some writers wrap the stream as zlib data, which the first
// byte tells.
int InflateStart(z_stream *z, const uint8_t *src, long n) {
    memset(z, 0, sizeof *z);
    int bits = n >= 2 && (src[0] & 0x0F) == 8 && (src[0] << 8 | src[1]) % 31 == 0 ? 15 : -15;
    return inflateInit2(z, bits);
}

// Feeds the input in pieces small enough for zlib's 32-bit counts.
void InflateFeed(z_stream *z, const uint8_t *&src, long &left) {
    if (z->avail_in || left <= 0) return;
    uInt piece = left > (1L << 30) ? uInt(1u << 30) : uInt(left);
    z->next_in = const_cast<Bytef *>(src);
    z->avail_in = piece;
    src += piece;
    left -= piece;
}

} // namespace

long DicomFormInflatedSize(const uint8_t *src, long n, long budget) {
    if (!src || n <= 0) return FILE_ERROR_FORMAT;
    z_stream z;
    if (InflateStart(&z, src, n) != Z_OK) return WIN_ERROR_MEMORY;
    static thread_local uint8_t scratch[64 * 1024];
    long total = 0, left = n;
    int r = Z_OK;
    while (r == Z_OK) {
        InflateFeed(&z, src, left);
        z.next_out = scratch;
        z.avail_out = sizeof scratch;
        r = inflate(&z, Z_NO_FLUSH);
        total += long(sizeof scratch - z.avail_out);
        if (total > budget) {
            inflateEnd(&z);
            return FILE_ERROR_DATA;
        }
        // Without input left, no progress means a cut stream.
        if (r == Z_BUF_ERROR && !z.avail_in && left <= 0) break;
        if (r == Z_BUF_ERROR) r = Z_OK;
    }
    inflateEnd(&z);
    if (r != Z_STREAM_END && r != Z_BUF_ERROR && total == 0) return FILE_ERROR_FORMAT;
    return total;
}

long DicomFormInflate(const uint8_t *src, long n, uint8_t *dst, long room) {
    if (!src || !dst || n <= 0 || room <= 0) return 0;
    z_stream z;
    if (InflateStart(&z, src, n) != Z_OK) return 0;
    long total = 0, left = n;
    int r = Z_OK;
    while (r == Z_OK && total < room) {
        InflateFeed(&z, src, left);
        long want = room - total;
        z.next_out = dst + total;
        z.avail_out = want > (1L << 30) ? uInt(1u << 30) : uInt(want);
        uInt before = z.avail_out;
        r = inflate(&z, Z_NO_FLUSH);
        total += long(before - z.avail_out);
        if (r == Z_BUF_ERROR && !z.avail_in && left <= 0) break;
        if (r == Z_BUF_ERROR) r = Z_OK;
    }
    inflateEnd(&z);
    return total;
}
