#include "image/io_jpg.h"
#include "image/io_jpg12.h"

#include "image/io_exif.h"
#include "image/io_jpgturn.h"

#include "base/allg.h"
#include "base/lg.h"
#include "base/xmem.h"
#include "base/xerror.h"
#include "image/test_hooks.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <csetjmp>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <memory>
#include <thread>
#include <vector>
#include <unistd.h>

enum { JPG_ROWS = 16, JPG_NAME_MAX = 4096 + 32 };

// The library's error manager with our jump target behind it; client_data carries JPGCLIENT.
struct JPEGERR {
    jpeg_error_mgr pub;
    jmp_buf jump;
};

struct JPGCLIENT {
    const char *path;
    int language;
    int quiet; // no message box: an album shows hundreds of thumbnails at once
    JPGLIMIT limit;
    // The kept markers of a full read (see FILEINFO.markers), and whether an ICC chunk did not
    // fit the budget (a profile is only whole with all its chunks).
    uint8_t *markers;
    long markerlen, markercap;
    int iccdropped;
};

// A decoded pixel may need at least one bit per 8x8 block of each component, so a header whose
// size no file of its length could fill is refused before anything is allocated.
enum { JPG_PIXELS_PER_BYTE = 1024 };

void my_error_output(j_common_ptr cinfo) {
    char text[JMSG_LENGTH_MAX];
    (*cinfo->err->format_message)(cinfo, text);
    const auto *client = static_cast<const JPGCLIENT *>(cinfo->client_data);
    if (client && client->quiet) {
        if (verbose) fprintf(stderr, "%s: %s\n", client->path ? client->path : "", text);
        return;
    }
    char msg[JMSG_LENGTH_MAX + 300];
    snprintf(msg, sizeof msg, "%s\n\n%s", text, client && client->path ? client->path : "");
    MsgErrWin(client ? client->language : LG_DEFAULT, msg, -25);
}

void my_error_exit(j_common_ptr cinfo) {
    (*cinfo->err->output_message)(cinfo);
    longjmp(reinterpret_cast<JPEGERR *>(cinfo->err)->jump, 1);
}

// What a libjpeg error means for the caller: memory ran out (-8), or the file is damaged or
// could not be written (`code`).
static int JpgErrorCode(const JPEGERR *err, int code) {
    return err->pub.msg_code == JERR_OUT_OF_MEMORY ? WIN_ERROR_MEMORY : code;
}

static void JpgErrorSetup(JPEGERR *err) {
    jpeg_std_error(&err->pub);
    err->pub.error_exit = my_error_exit;
    err->pub.output_message = my_error_output;
}

static void JpgScanLimit(j_common_ptr c) {
    auto *limit = reinterpret_cast<JPGLIMIT *>(c->progress);
    if (!c->is_decompressor || !limit) return;
    if (reinterpret_cast<j_decompress_ptr>(c)->input_scan_number <= IO_BUDGET_SCANS) return;
    limit->hit = 1;
    longjmp(*limit->jump, 1);
}

void JpgLimitSetup(jpeg_decompress_struct *c, JPGLIMIT *limit, jmp_buf *jump) {
    c->mem->max_memory_to_use = IO_BUDGET_DECODER;
    memset(limit, 0, sizeof *limit);
    limit->pub.progress_monitor = JpgScanLimit;
    limit->jump = jump;
    c->progress = &limit->pub;
}

long JpgCoefBytes(const jpeg_decompress_struct *c) {
    if (!c->buffered_image && !jpeg_has_multiple_scans(const_cast<j_decompress_ptr>(c))) return 0;
    long bytes = 0;
    for (int ci = 0; ci < c->num_components; ci++) {
        const jpeg_component_info *comp = &c->comp_info[ci];
        long bw = (long(comp->width_in_blocks) + comp->h_samp_factor - 1) / comp->h_samp_factor *
                  comp->h_samp_factor;
        long bh = (long(comp->height_in_blocks) + comp->v_samp_factor - 1) / comp->v_samp_factor *
                  comp->v_samp_factor;
        bytes += bw * bh * long(sizeof(JBLOCK));
    }
    return bytes;
}

// A stream refused by a budget: one line that names the limit (not for album thumbnails).
static int JpgRefuse(const JPGCLIENT *client, const char *fmt, ...)
    __attribute__((format(printf, 2, 3)));
static int JpgRefuse(const JPGCLIENT *client, const char *fmt, ...) {
    char text[300];
    va_list ap;
    va_start(ap, fmt);
    vsnprintf(text, sizeof text, fmt, ap);
    va_end(ap);
    if (!client->quiet || verbose) {
        char msg[sizeof text + 4200];
        snprintf(msg, sizeof msg, "%s: %s", client->path ? client->path : "", text);
        MsgErrWin(client->language, msg, -25);
    }
    return FILE_ERROR_DATA;
}

static int JpgLanguage(const FILEREQ *req) {
    return req->language;
}

static void JpgProgress(const FILEREQ *req, int percent) {
    if (req->progress) req->progress(req->ctx, percent);
}

int IsFileJpeg(const char *path) {
    FILE *fp = FileStdOpen(path);
    if (!fp) return FILE_ERROR_READ;
    uint8_t b[12];
    size_t n = fread(b, 1, sizeof b, fp);
    fclose(fp);
    if (n == 0) return FILE_ERROR_READ;
    // Start of image and then any marker that may follow it: APPn (JFIF, Exif, Adobe, ...),
    // tables, a comment or a frame header.
    if (n < 4 || b[0] != 0xFF || b[1] != 0xD8 || b[2] != 0xFF) return FILE_ERROR_FORMAT;
    if (b[3] < 0xC0 || b[3] == 0xFF || (b[3] >= 0xD0 && b[3] <= 0xD9)) return FILE_ERROR_FORMAT;
    return FILE_SUCCES;
}

struct JPGPOOL;

// Everything a read holds; released on every way out of IoReadJpeg.
struct JPGREAD {
    jpeg_decompress_struct cinfo;
    JPEGERR err;
    JPGCLIENT client;
    FILE *fp;
    const uint8_t *mem; // source bytes of a memory read instead of fp
    long memlen;
    uint8_t *buf;
    uint8_t *cmyk;
    int created;
    int keepmarkers; // a full-size read of a file: its markers go to the record
    JPGPOOL *pool;   // scratch buffers of this read
};

// Largest DCT scale-down whose output still covers the edge in both directions.
static int JpgPreviewDenom(const jpeg_decompress_struct *c, int edge) {
    for (int denom = 8; denom > 1; denom /= 2) {
        long w = (static_cast<long>(c->image_width) + denom - 1) / denom;
        long h = (static_cast<long>(c->image_height) + denom - 1) / denom;
        if (w >= edge && h >= edge) return denom;
    }
    return 1;
}

// Adobe writes CMYK inverted (0 = full ink); other writers store it straight.
static void JpgCmykToRgb(const uint8_t *src, uint8_t *dst, int w, bool inverted) {
    for (int x = 0; x < w; x++, src += 4, dst += 3) {
        int c = src[0], m = src[1], y = src[2], k = src[3];
        if (!inverted) c = 255 - c, m = 255 - m, y = 255 - y, k = 255 - k;
        dst[0] = static_cast<uint8_t>((c * k + 127) / 255);
        dst[1] = static_cast<uint8_t>((m * k + 127) / 255);
        dst[2] = static_cast<uint8_t>((y * k + 127) / 255);
    }
}

// A scratch buffer, on huge pages where the system gives them: in a large buffer a page fault
// every 4 KiB costs more than the bytes' decoding.
// Its room is kept for the next Alloc that fits.
struct JPGSCRATCH {
    uint8_t *p = nullptr;
    size_t size = 0;
    size_t cap = 0;
    JPGSCRATCH() = default;
    JPGSCRATCH(const JPGSCRATCH &) = delete;
    JPGSCRATCH &operator=(const JPGSCRATCH &) = delete;
    ~JPGSCRATCH() { free(p); }
    bool Alloc(size_t n) {
        if (p && n <= cap) {
            size = n;
            return true;
        }
        const size_t huge = 2u << 20;
        free(p);
        size_t room = n >= huge ? (n + huge - 1) / huge * huge : n ? n : 1;
        p = static_cast<uint8_t *>(n >= huge ? aligned_alloc(huge, room) : malloc(room));
        size = p ? n : 0;
        cap = p ? room : 0;
        if (p && n >= huge) MemHugePages(p, room);
        return p != nullptr;
    }
    void Release() {
        free(p);
        p = nullptr;
        size = cap = 0;
    }
};

// The large buffers of one read, kept by each thread between its reads: a folder of photos
// otherwise pays for megabytes of fresh pages per file, more than the decoding of its preview.
// A read nested in a callback of another on the same thread gets buffers of its own.
struct JPGPOOL {
    JPGSCRATCH whole, data, log;
    bool busy = false;
};
static thread_local JPGPOOL jpg_pool;

struct JPGPOOLUSE {
    JPGPOOL own;
    JPGPOOL *pool;
    JPGPOOLUSE() : pool(jpg_pool.busy ? &own : &jpg_pool) { pool->busy = true; }
    ~JPGPOOLUSE() {
        pool->busy = false;
        // An unusually large file does not keep its memory.
        enum : size_t { JPG_POOL_KEEP = 64u << 20 };
        for (JPGSCRATCH *b : {&pool->whole, &pool->data, &pool->log})
            if (b->cap > JPG_POOL_KEEP) b->Release();
    }
    JPGPOOLUSE(const JPGPOOLUSE &) = delete;
    JPGPOOLUSE &operator=(const JPGPOOLUSE &) = delete;
};

static bool JpgHasAllDc(const jpeg_decompress_struct *c) {
    for (int ci = 0; ci < c->num_components; ci++)
        if (c->coef_bits[ci][0] < 0) return false;
    return true;
}

// ---- 1/8-scale previews of baseline files from the DC coefficients alone ----
//
// At 1/8 scale a pixel is its block's DC value, yet the library decodes every AC coefficient of
// a baseline file at full cost. This decoder only steps over the AC codes, several codes and their
// value bits per table look-up. Chroma that the library scales up by a 2x2 inverse DCT rather
// than by replication (4:2:0) keeps the AC terms that transform reads. A large scan is split
// between two threads: with restart markers at an interval boundary; without them the second thread
// starts decoding in the middle on a guess, and the first takes over its results once both meet at
// the same MCU start, where every later code reads the same. Whatever it does not expect (another
// coding, several scans, damage) it leaves to the library, which then decodes the file as before.

enum { JPG_LOOK = 12, JPG_PAD = 4096, JPG_MCU_MAX = 10, JPG_EOB = 64, JPG_ADD = 4 };

JPGDCTUNE jpg_dc_tune;

struct JPGHUFF {
    // DC: code length | size << 8. AC: bits | coefficients << 8 of as many codes as the look-up
    // holds, value bits included (the last one's may run past it); coefficients JPG_EOB once a
    // code ends the block. 0: a longer code.
    uint32_t look[1 << JPG_LOOK];
    uint16_t sym[1 << JPG_LOOK]; // AC: length << 8 | symbol of one code; 0: a longer code
    int32_t maxcode[18];         // largest code of each length, -1 if none
    int32_t valoff[18];          // value index = code + valoff[length]
    uint8_t val[256];
};

// How far a baseline AC symbol moves the coefficient index; JPG_EOB ends the block.
static int JpgAcAdvance(int sym) {
    int run = sym >> 4, size = sym & 15;
    return size ? run + 1 : run == 15 ? 16 : JPG_EOB;
}

// Canonical codes as the library builds them; false for a table it would refuse.
static bool JpgHuffBuild(const JHUFF_TBL *t, bool ac, JPGHUFF *h) {
    if (!t) return false;
    int total = 0;
    for (int l = 1; l <= 16; l++)
        total += t->bits[l];
    if (total > 256) return false;
    std::vector<uint16_t> single(1 << JPG_LOOK, 0); // length << 8 | symbol
    int code = 0, k = 0;
    for (int l = 1; l <= 16; l++) {
        h->valoff[l] = k - code;
        for (int i = 0; i < t->bits[l]; i++, k++, code++) {
            int sym = t->huffval[k];
            if ((!ac && sym > 15) || code >= (1 << l)) return false;
            h->val[k] = static_cast<uint8_t>(sym);
            if (l <= JPG_LOOK) {
                int lo = code << (JPG_LOOK - l), hi = (code + 1) << (JPG_LOOK - l);
                for (int j = lo; j < hi; j++)
                    single[j] = static_cast<uint16_t>(l << 8 | sym);
            }
        }
        if (code >= (1 << l)) return false; // no code may be all ones
        h->maxcode[l] = t->bits[l] ? code - 1 : -1;
        code <<= 1;
    }
    if (ac) memcpy(h->sym, single.data(), sizeof h->sym);
    for (int i = 0; i < (1 << JPG_LOOK); i++) {
        int l1 = single[i] >> 8, sym1 = single[i] & 0xff;
        if (!l1 || !ac) {
            h->look[i] = l1 ? static_cast<uint32_t>(l1 | sym1 << 8) : 0;
            continue;
        }
        int bits = 0, adv = 0;
        while (bits < JPG_LOOK && adv < JPG_EOB) {
            int e = single[(i << bits) & ((1 << JPG_LOOK) - 1)], l = e >> 8;
            if (!l || l > JPG_LOOK - bits) break; // the code runs past the look-up
            bits += l + (e & 15);
            adv = std::min(adv + JpgAcAdvance(e & 0xff), static_cast<int>(JPG_EOB));
        }
        h->look[i] = static_cast<uint32_t>(bits | adv << 8);
    }
    return true;
}

struct JPGBITS {
    const uint8_t *base, *p; // p: first byte not yet wholly in acc
    uint64_t acc;            // the next bits, first at the top
    int n;                   // valid bits in acc
};

static inline void JpgBitsFill(JPGBITS *b) {
    uint64_t v;
    memcpy(&v, b->p, 8);
    b->acc |= __builtin_bswap64(v) >> b->n;
    b->p += (63 - b->n) >> 3;
    b->n |= 56;
}

static inline void JpgBitsDrop(JPGBITS *b, int bits) {
    b->acc <<= bits;
    b->n -= bits;
}

static inline size_t JpgBitsPos(const JPGBITS *b) {
    return static_cast<size_t>(b->p - b->base) * 8 - static_cast<size_t>(b->n);
}

static void JpgBitsSeek(JPGBITS *b, size_t bit) {
    b->p = b->base + bit / 8;
    b->acc = 0;
    b->n = 0;
    JpgBitsFill(b);
    JpgBitsDrop(b, static_cast<int>(bit % 8));
}

// A code longer than the look-up: its symbol, or -1 if the table has none. Needs 16 bits in acc.
static int JpgHuffSlow(const JPGBITS *b, const JPGHUFF *h, int *len) {
    for (int l = JPG_LOOK + 1; l <= 16; l++) {
        auto code = static_cast<int32_t>(b->acc >> (64 - l));
        if (code <= h->maxcode[l]) {
            *len = l;
            return h->val[code + h->valoff[l]];
        }
    }
    return -1;
}

// Steps over a block's AC codes one at a time from coefficient k to the block's end.
static bool JpgAcTail(JPGBITS *b, const JPGHUFF *h, int k) {
    while (k < 64) {
        if (b->n < 32) JpgBitsFill(b); // a code and its value take 31 bits at most
        int len, sym;
        if (uint16_t e = h->sym[b->acc >> (64 - JPG_LOOK)]) {
            len = e >> 8, sym = e & 0xff;
        } else {
            JpgBitsFill(b);
            if ((sym = JpgHuffSlow(b, h, &len)) < 0) return false;
        }
        JpgBitsDrop(b, len + (sym & 15));
        k += JpgAcAdvance(sym);
    }
    return true;
}

// Steps over a block's AC codes, several per table look-up while the block goes on past them;
// the look-up where it ends is taken code by code. A look-up takes at most 27 bits, so one fill
// serves two.
static inline bool JpgDcSkipAc(JPGBITS *b, const JPGHUFF *h) {
    for (int k = 1;;) {
        JpgBitsFill(b);
        for (int step = 0; step < 2; step++) {
            uint32_t e = h->look[b->acc >> (64 - JPG_LOOK)];
            int adv = static_cast<int>(e >> 8);
            if (!e || k + adv >= 64) return JpgAcTail(b, h, k);
            k += adv;
            JpgBitsDrop(b, static_cast<int>(e & 0xff));
        }
    }
}

// Where each zigzag index lies in a block's 2x2 inverse DCT input (rows and columns 0, 1, 3, 5
// and 7): 1 + its place among the 24 AC terms, or 0; and the bit of its column there. The
// library files codes that run past index 63 under 63.
struct JPGAC2MAP {
    int8_t at[64 + 16], col[64 + 16];
    JPGAC2MAP() {
        static const int8_t used[8] = {1, 1, 0, 1, 0, 1, 0, 1};
        int8_t place[64] = {0}, n = 0;
        for (int k = 1; k < 64; k++)
            if (used[k / 8] && used[k % 8]) place[k] = ++n;
        int k = 0;
        for (int sum = 0; sum < 15; sum++) { // zigzag: diagonals, alternating direction
            for (int i = 0; i <= sum; i++) {
                int r = sum % 2 ? i : sum - i, c = sum - r;
                if (r < 8 && c < 8) at[k++] = place[r * 8 + c];
            }
        }
        for (; k < 64 + 16; k++)
            at[k] = at[63];
        for (k = 0; k < 64 + 16; k++)
            col[k] = static_cast<int8_t>(at[k] ? 1 << at[k] % 5 : 0);
    }
};
static const JPGAC2MAP jpg_ac2;

static inline long JpgDescale(long x, int n) {
    return (x + (1L << (n - 1))) >> n;
}

// The library's sample for an inverse DCT output x before the level shift: its range table
// takes x's low ten bits, so values far out of range wrap as they do there.
static inline uint8_t JpgRangeLimit(long x) {
    auto i = static_cast<int>(x & 1023);
    return static_cast<uint8_t>(i < 128 ? i + 128 : i < 512 ? 255 : i < 896 ? 0 : i - 896);
}

// The odd half of one 1-D step of the library's 2x2 inverse DCT (jidctred.c), from the terms at
// 1, 3, 5 and 7.
static inline long JpgIdct2Odd(long t1, long t3, long t5, long t7) {
    return t1 * 29692 + t3 * -10426 + t5 * 6967 + t7 * -5906;
}

// What a block's AC terms add to its four samples in the library's 2x2 inverse DCT. g holds the
// dequantised terms of rows and columns 0, 1, 3, 5, 7 row by row, the DC term left 0. Both passes
// are linear but for their rounding, and the DC term only adds dcq x 2^17 to each of the four
// sums that the second pass rounds by 2^20: so a sample is (dcq + add + 4) >> 3 with add = the
// AC part of its sum >> 17, exactly (see JpgDcSample). cols: the bits of the columns that hold a
// term; the others give 0.
static void JpgIdct2Ac(const int32_t *g, int cols, int16_t *add) {
    long ws[2][5] = {{0}};
    for (int c = 0; c < 5; c++) {
        if (!(cols >> c & 1)) continue;
        long even = g[c] * 32768L, odd = JpgIdct2Odd(g[5 + c], g[10 + c], g[15 + c], g[20 + c]);
        ws[0][c] = static_cast<int>(JpgDescale(even + odd, 13));
        ws[1][c] = static_cast<int>(JpgDescale(even - odd, 13));
    }
    for (int r = 0; r < 2; r++) {
        long even = ws[r][0] * 32768, odd = JpgIdct2Odd(ws[r][1], ws[r][2], ws[r][3], ws[r][4]);
        add[2 * r] = static_cast<int16_t>(std::clamp((even + odd) >> 17, -32768L, 32767L));
        add[2 * r + 1] = static_cast<int16_t>(std::clamp((even - odd) >> 17, -32768L, 32767L));
    }
}

// A sample at 1/8 scale from the dequantised DC term and what the AC terms add (0 for 1x1).
static inline uint8_t JpgDcSample(long dcq, long add) {
    return JpgRangeLimit((dcq + add + 4) >> 3);
}

// A block's AC terms, those the 2x2 inverse DCT reads dequantised by q (25 quantisers of rows and
// columns 0, 1, 3, 5, 7), and what they add to its four samples, into add (JPG_ADD values).
static inline bool JpgAcKeep(JPGBITS *b, const JPGHUFF *h, const int32_t *q, int16_t *add) {
    int32_t g[25] = {0}; // [0] takes the terms the transform does not read
    int cols = 0;
    JPGBITS r = *b; // in registers: the compiler cannot tell the stores below from it
    for (int k = 1; k < 64;) {
        if (r.n < 32) JpgBitsFill(&r); // a code and its value take 31 bits at most
        int len, sym;
        if (uint16_t e = h->sym[r.acc >> (64 - JPG_LOOK)]) {
            len = e >> 8, sym = e & 0xff;
        } else {
            JpgBitsFill(&r);
            if ((sym = JpgHuffSlow(&r, h, &len)) < 0) return false;
        }
        JpgBitsDrop(&r, len);
        int size = sym & 15;
        if (!size) {
            if (sym != 0xF0) break;
            k += 16;
            continue;
        }
        k += sym >> 4;
        int v = static_cast<int>(r.acc >> (64 - size));
        JpgBitsDrop(&r, size);
        // Negative values are coded below half the range; no branch, as the sign is random.
        v += ((v - (1 << (size - 1))) >> 31) & (1 - (1 << size));
        int at = jpg_ac2.at[k];
        cols |= jpg_ac2.col[k++];
        g[at] = static_cast<int16_t>(v) * q[at]; // 16 bits by 16 bits
    }
    *b = r;
    if (!cols) {
        memset(add, 0, JPG_ADD * sizeof *add);
        return true;
    }
    g[0] = 0;
    JpgIdct2Ac(g, cols, add);
    return true;
}

// A scan's MCUs are logged as `stride` values each: the blocks' DC differences, then for each
// block whose component has a 2x2 inverse DCT what its AC terms add to its samples (JPG_ADD).
struct JPGDCSCAN {
    const uint8_t *data;     // the scan without stuffing, JPG_PAD zero bytes behind
    std::vector<size_t> seg; // bit where each restart interval starts, then the end
    long mcus, interval;     // MCUs in the scan and per restart interval (0: none)
    int blocks, stride;      // blocks and logged values per MCU
    const JPGHUFF *dc[JPG_MCU_MAX], *ac[JPG_MCU_MAX];
    int keep[JPG_MCU_MAX];         // where the block's AC additions are logged; 0: AC skipped
    const int32_t *q[JPG_MCU_MAX]; // the block's quantisers (25, see JpgAcKeep)
};

// One MCU's DC differences; false on a code no table holds.
static bool JpgDcMcu(const JPGDCSCAN *s, JPGBITS *b, int16_t *diff) {
    for (int j = 0; j < s->blocks; j++) {
        JpgBitsFill(b);
        const JPGHUFF *h = s->dc[j];
        uint32_t e = h->look[b->acc >> (64 - JPG_LOOK)];
        int len, size;
        if (e) {
            len = static_cast<int>(e & 0xff), size = static_cast<int>(e >> 8);
        } else if ((size = JpgHuffSlow(b, h, &len)) < 0) {
            return false;
        }
        JpgBitsDrop(b, len);
        int d = 0;
        if (size) {
            int v = static_cast<int>(b->acc >> (64 - size));
            JpgBitsDrop(b, size);
            d = v < (1 << (size - 1)) ? v - (1 << size) + 1 : v;
        }
        diff[j] = static_cast<int16_t>(d);
        if (!(s->keep[j] ? JpgAcKeep(b, s->ac[j], s->q[j], diff + s->keep[j])
                         : JpgDcSkipAc(b, s->ac[j])))
            return false;
    }
    return true;
}

// The end of the data the MCU m may use: its restart interval's, or the scan's.
static size_t JpgDcLimit(const JPGDCSCAN *s, long m) {
    return s->interval ? s->seg[static_cast<size_t>(m / s->interval) + 1] : s->seg.back();
}

// MCUs [m0, m1), m0 at the start of a restart interval or of the scan.
static bool JpgDcRange(const JPGDCSCAN *s, long m0, long m1, int16_t *diff) {
    JPGBITS b{s->data, s->data, 0, 0};
    JpgBitsSeek(&b, s->seg[s->interval ? static_cast<size_t>(m0 / s->interval) : 0]);
    for (long m = m0; m < m1; m++) {
        if (s->interval && m % s->interval == 0 && m != m0) {
            size_t next = s->seg[static_cast<size_t>(m / s->interval)];
            if (JpgBitsPos(&b) > next) return false;
            JpgBitsSeek(&b, next);
        }
        if (JpgBitsPos(&b) > JpgDcLimit(s, m)) return false;
        if (!JpgDcMcu(s, &b, diff + m * s->stride)) return false;
    }
    return m1 == m0 || JpgBitsPos(&b) <= JpgDcLimit(s, m1 - 1);
}

// The second thread's guess at the MCUs from a bit in the middle of a scan without restarts.
// Its arrays are left uninitialised, so that their pages are touched by the second thread only.
struct JPGDCGUESS {
    long cap = 0;
    std::unique_ptr<size_t[]> start, end; // bits of each logged MCU, rising
    JPGSCRATCH mem;                       // of diff
    int16_t *diff = nullptr;
    std::atomic<long> done{0};
    std::atomic<bool> stop{false};
};

// Takes a bit for the start of an MCU and decodes from there; a code that no table holds shows
// the guess wrong, and the next bit after that MCU's start is tried. Huffman codes fall into step
// after a few blocks: where the guess meets the true decoding, all that follows is the truth.
static void JpgDcGuessRun(const JPGDCSCAN *s, size_t from, JPGDCGUESS *g) {
    JPGBITS b{s->data, s->data, 0, 0};
    size_t at = from, last = s->seg.back();
    for (long i = 0; i < g->cap && at <= last;) {
        JpgBitsSeek(&b, at);
        size_t mcu = at;
        bool ok = true;
        while (i < g->cap && mcu <= last && !g->stop.load(std::memory_order_relaxed)) {
            ok = JpgDcMcu(s, &b, &g->diff[static_cast<size_t>(i) * s->stride]);
            if (!ok) break;
            g->start[i] = mcu;
            g->end[i] = mcu = JpgBitsPos(&b);
            g->done.store(++i, std::memory_order_release);
        }
        if (ok) break; // the end of the scan, of the log, or of the need
        at = mcu + 1;
    }
}

// The whole scan on this thread, taking over the guess's MCUs wherever both meet.
static bool JpgDcMeet(const JPGDCSCAN *s, int16_t *diff, JPGDCGUESS *g, size_t from,
                      std::thread *helper) {
    if (jpg_dc_tune.guess_first) helper->join();
    JPGBITS b{s->data, s->data, 0, 0};
    JpgBitsSeek(&b, 0);
    long cur = 0;
    for (long m = 0; m < s->mcus;) {
        size_t at = JpgBitsPos(&b);
        if (at >= from) {
            long done = g->done.load(std::memory_order_acquire);
            while (cur < done && g->start[cur] < at)
                cur++;
            if (cur < done && g->start[cur] == at) {
                if (helper->joinable()) helper->join();
                done = g->done.load(std::memory_order_relaxed);
                long first = m;
                do {
                    memcpy(diff + m * s->stride, &g->diff[static_cast<size_t>(cur) * s->stride],
                           sizeof *diff * s->stride);
                    m++, cur++;
                } while (m < s->mcus && cur < done && g->start[cur] == g->end[cur - 1]);
                jpg_dc_tune.guessed += m - first;
                JpgBitsSeek(&b, g->end[cur - 1]);
                continue;
            }
        }
        if (at > s->seg.back()) return false;
        if (!JpgDcMcu(s, &b, diff + m * s->stride)) return false;
        m++;
    }
    return JpgBitsPos(&b) <= s->seg.back();
}

// Every MCU's DC differences, on two threads when the scan is large.
static bool JpgDcDecode(const JPGDCSCAN *s, int16_t *diff, bool split) {
    size_t bytes = s->seg.back() / 8;
    bool two = split && static_cast<long>(bytes) >= jpg_dc_tune.split_bytes && s->mcus > 1 &&
               std::thread::hardware_concurrency() != 1;
    long intervals = s->interval ? static_cast<long>(s->seg.size()) - 1 : 0;
    if (!two || intervals == 1) return JpgDcRange(s, 0, s->mcus, diff);
    try {
        if (intervals > 1) {
            long mid = (intervals / 2) * s->interval;
            bool ok2 = false;
            std::thread t([&] { ok2 = JpgDcRange(s, mid, s->mcus, diff); });
            bool ok1 = JpgDcRange(s, 0, mid, diff);
            t.join();
            return ok1 && ok2;
        }
        // A block takes two bits at least, which bounds what the guess can meet.
        size_t start = bytes / 2 * 8;
        auto cap = static_cast<size_t>(s->mcus);
        cap = std::min(cap, (s->seg.back() - start) / (2 * static_cast<size_t>(s->blocks)) + 1);
        JPGDCGUESS g;
        g.cap = static_cast<long>(cap);
        g.start.reset(new size_t[cap]);
        g.end.reset(new size_t[cap]);
        if (!g.mem.Alloc(cap * static_cast<size_t>(s->stride) * sizeof *g.diff)) return false;
        g.diff = reinterpret_cast<int16_t *>(g.mem.p);
        std::thread t(JpgDcGuessRun, s, start, &g);
        bool ok = JpgDcMeet(s, diff, &g, start, &t);
        g.stop = true;
        if (t.joinable()) t.join();
        return ok;
    } catch (const std::exception &) { // no thread to be had
        return JpgDcRange(s, 0, s->mcus, diff);
    }
}

// The scan's bytes without stuffing and the bit where each restart interval starts; false if the
// restart markers are not the ones expected.
static bool JpgDcUnstuff(const uint8_t *src, size_t len, long intervals, JPGDCSCAN *s,
                         JPGSCRATCH *out) {
    if (!out->Alloc(len + JPG_PAD)) return false;
    uint8_t *o = out->p;
    const uint8_t *end = src + len;
    s->seg.assign(1, 0);
    while (src < end) {
        const auto *ff =
            static_cast<const uint8_t *>(memchr(src, 0xFF, static_cast<size_t>(end - src)));
        const uint8_t *stop = ff ? ff : end;
        memcpy(o, src, static_cast<size_t>(stop - src));
        o += stop - src;
        if (!ff) break;
        const uint8_t *q = ff + 1;
        while (q < end && *q == 0xFF)
            q++;
        if (q >= end) break;
        if (*q == 0) {
            *o++ = 0xFF;
            src = q + 1;
            continue;
        }
        if (*q < 0xD0 || *q > 0xD7) break; // the marker after the scan
        if (*q != 0xD0 + static_cast<int>((s->seg.size() - 1) % 8)) return false;
        s->seg.push_back(static_cast<size_t>(o - out->p) * 8);
        src = q + 1;
    }
    auto n = static_cast<size_t>(o - out->p);
    memset(o, 0, JPG_PAD);
    s->seg.push_back(n * 8);
    s->data = out->p;
    return intervals ? static_cast<long>(s->seg.size()) - 1 == intervals : s->seg.size() == 2;
}

static uint8_t JpgClamp(long v) {
    return static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
}

// The 1/8-scale picture of a single-scan baseline Huffman file, grey or YCbCr, into out
// (w x h, 1 or 3 bytes a pixel); false leaves the file to the library.
static bool JpgDcPreview(const jpeg_decompress_struct *c, const uint8_t *mem, long memlen,
                         uint8_t *out, int w, int h, JPGPOOL *pool, bool split) {
    int nc = c->num_components;
    if (w != static_cast<long>((c->image_width + 7) / 8) ||
        h != static_cast<long>((c->image_height + 7) / 8))
        return false;
    bool grey = c->jpeg_color_space == JCS_GRAYSCALE && nc == 1;
    bool ycc = c->jpeg_color_space == JCS_YCbCr && nc == 3;
    if (c->progressive_mode || c->arith_code || c->data_precision != 8 || !(grey || ycc) ||
        c->comps_in_scan != nc || c->Ss != 0 || c->Se != 63 || c->Ah != 0 || c->Al != 0)
        return false;
    long used = memlen - static_cast<long>(c->src->bytes_in_buffer);
    if (used < 2 || c->src->next_input_byte != mem + used) return false;

    // Each component's blocks in MCU order, and the plane of its samples. At 1/8 the library
    // gives a block one sample, or 2x2 from a 2x2 inverse DCT where that still leaves whole
    // steps to the full sampling; the rest it replicates.
    int hmax = nc == 1 ? 1 : c->max_h_samp_factor, vmax = nc == 1 ? 1 : c->max_v_samp_factor;
    long mcux = (static_cast<long>(c->image_width) + 8 * hmax - 1) / (8 * hmax);
    long mcuy = (static_cast<long>(c->image_height) + 8 * vmax - 1) / (8 * vmax);
    struct PLANE {
        int hs, vs, ss; // sampling factors; samples a block gives in each direction
        int32_t q[25];  // quantisers of the 2x2 transform's terms, the DC first
        size_t stride;
        std::vector<uint8_t> px;
    } plane[3];
    int owner[JPG_MCU_MAX], bx[JPG_MCU_MAX], by[JPG_MCU_MAX];
    std::vector<JPGHUFF> tabs(static_cast<size_t>(2 * nc));
    JPGDCSCAN s{};
    for (int i = 0; i < nc; i++) {
        const jpeg_component_info *ci = c->cur_comp_info[i];
        if (!ci || ci->component_index != i || ci->quant_tbl_no < 0 || ci->quant_tbl_no > 3 ||
            !c->quant_tbl_ptrs[ci->quant_tbl_no] || ci->dc_tbl_no < 0 || ci->dc_tbl_no > 3 ||
            ci->ac_tbl_no < 0 || ci->ac_tbl_no > 3)
            return false;
        PLANE &p = plane[i];
        p.hs = nc == 1 ? 1 : ci->h_samp_factor;
        p.vs = nc == 1 ? 1 : ci->v_samp_factor;
        p.ss = 1;
        while (p.ss < 8 && hmax % (2 * p.hs * p.ss) == 0 && vmax % (2 * p.vs * p.ss) == 0)
            p.ss *= 2;
        // Larger transforms are the library's; fractional sampling it refuses, and so must we.
        if (p.ss > 2 || hmax % (p.hs * p.ss) != 0 || vmax % (p.vs * p.ss) != 0) return false;
        const UINT16 *qv = c->quant_tbl_ptrs[ci->quant_tbl_no]->quantval;
        static const int rc[5] = {0, 1, 3, 5, 7};
        for (int k = 0; k < 25; k++)
            p.q[k] = qv[rc[k / 5] * 8 + rc[k % 5]];
        // Chroma components share their tables: each is built once.
        int dc = i, ac = i;
        for (int j = i - 1; j >= 0; j--) {
            if (c->cur_comp_info[j]->dc_tbl_no == ci->dc_tbl_no) dc = j;
            if (c->cur_comp_info[j]->ac_tbl_no == ci->ac_tbl_no) ac = j;
        }
        if ((dc == i && !JpgHuffBuild(c->dc_huff_tbl_ptrs[ci->dc_tbl_no], false, &tabs[2 * i])) ||
            (ac == i && !JpgHuffBuild(c->ac_huff_tbl_ptrs[ci->ac_tbl_no], true, &tabs[2 * i + 1])))
            return false;
        for (int v = 0; v < p.vs; v++) {
            for (int u = 0; u < p.hs; u++) {
                if (s.blocks == JPG_MCU_MAX) return false;
                owner[s.blocks] = i, bx[s.blocks] = u, by[s.blocks] = v;
                s.dc[s.blocks] = &tabs[2 * dc];
                s.ac[s.blocks++] = &tabs[2 * ac + 1];
            }
        }
    }
    s.stride = s.blocks;
    for (int j = 0; j < s.blocks; j++) {
        s.keep[j] = plane[owner[j]].ss == 2 ? s.stride : 0;
        s.q[j] = plane[owner[j]].q;
        if (s.keep[j]) s.stride += JPG_ADD;
    }
    s.mcus = mcux * mcuy;
    // A block takes two bits at least: a scan too short for its MCUs is the library's to report.
    if (s.mcus > (memlen - used) * 8 / (2 * s.blocks)) return false;
    for (int i = 0; i < nc; i++) {
        PLANE &p = plane[i];
        p.stride = static_cast<size_t>(mcux * p.hs * p.ss);
        p.px.resize(p.stride * static_cast<size_t>(mcuy * p.vs * p.ss));
    }
    s.interval = c->restart_interval;
    long intervals = s.interval ? (s.mcus + s.interval - 1) / s.interval : 0;
    JPGSCRATCH &data = pool->data;
    if (!JpgDcUnstuff(mem + used, static_cast<size_t>(memlen - used), intervals, &s, &data))
        return false;
    JPGSCRATCH &log = pool->log; // on huge pages where the system gives them
    if (!log.Alloc(static_cast<size_t>(s.mcus) * s.stride * sizeof(int16_t))) return false;
    auto *diff = reinterpret_cast<int16_t *>(log.p);
    if (!JpgDcDecode(&s, diff, split)) return false;

    // Differences to values (each restart interval starts from 0), values to samples as the
    // library's 1x1 or 2x2 inverse DCT gives them.
    struct SPOT {
        uint8_t *at; // the block's first sample in MCU row 0, column 0
        size_t down; // from one MCU row to the next
        long right;  // from one MCU column to the next
        const PLANE *p;
        int *pred;
    } spot[JPG_MCU_MAX];
    int pred[3] = {0, 0, 0};
    for (int j = 0; j < s.blocks; j++) {
        PLANE &p = plane[owner[j]];
        spot[j] = {
            &p.px[static_cast<size_t>(by[j] * p.ss) * p.stride + static_cast<size_t>(bx[j] * p.ss)],
            p.stride * static_cast<size_t>(p.vs * p.ss), p.hs * p.ss, &p, &pred[owner[j]]};
    }
    const int16_t *d = diff;
    long left = s.interval;
    for (long my = 0; my < mcuy; my++) {
        for (long mx = 0; mx < mcux; mx++, d += s.stride) {
            if (s.interval && left-- == 0) pred[0] = pred[1] = pred[2] = 0, left = s.interval - 1;
            for (int j = 0; j < s.blocks; j++) {
                const SPOT &t = spot[j];
                int v = static_cast<int16_t>(static_cast<uint16_t>(*t.pred + d[j]));
                *t.pred = v;
                uint8_t *at = t.at + static_cast<size_t>(my) * t.down + mx * t.right;
                if (!s.keep[j]) {
                    *at = JpgDcSample(static_cast<long>(v) * t.p->q[0], 0);
                    continue;
                }
                const int16_t *add = d + s.keep[j];
                long dcq = static_cast<long>(v) * t.p->q[0];
                at[0] = JpgDcSample(dcq, add[0]), at[1] = JpgDcSample(dcq, add[1]);
                at[t.p->stride] = JpgDcSample(dcq, add[2]);
                at[t.p->stride + 1] = JpgDcSample(dcq, add[3]);
            }
        }
    }
    if (grey) {
        for (int y = 0; y < h; y++)
            memcpy(out + static_cast<size_t>(y) * w, &plane[0].px[static_cast<size_t>(y) * mcux],
                   static_cast<size_t>(w));
        return true;
    }
    // Which sample of each component a pixel takes: the library replicates by whole steps.
    std::vector<int> col(static_cast<size_t>(3 * w));
    for (int i = 0; i < 3; i++)
        for (int x = 0; x < w; x++)
            col[static_cast<size_t>(i * w + x)] = x * plane[i].hs * plane[i].ss / hmax;
    for (int y = 0; y < h; y++) {
        const uint8_t *row[3];
        for (int i = 0; i < 3; i++)
            row[i] = &plane[i].px[static_cast<size_t>(y * plane[i].vs * plane[i].ss / vmax) *
                                  plane[i].stride];
        const int *c0 = col.data(), *c1 = c0 + w, *c2 = c1 + w;
        uint8_t *o = out + static_cast<size_t>(y) * w * 3;
        for (int x = 0; x < w; x++) {
            int lum = row[0][c0[x]], cb = row[1][c1[x]] - 128, cr = row[2][c2[x]] - 128;
            *o++ = JpgClamp(lum + ((91881 * cr + 32768) >> 16));
            *o++ = JpgClamp(lum + ((-22554 * cb - 46802 * cr + 32768) >> 16));
            *o++ = JpgClamp(lum + ((116130 * cb + 32768) >> 16));
        }
    }
    return true;
}

// The library's own decoding of the scan, scaled as set up, into r->buf.
static int JpgDecodeLib(JPGREAD *r, FILEREQ *req, int w, bool cmyk) {
    jpeg_decompress_struct *c = &r->cinfo;
    if (cmyk) {
        r->cmyk = static_cast<uint8_t *>(MemCreate(4L * w * JPG_ROWS, req->path));
        if (!r->cmyk) return WIN_ERROR_MEMORY;
    }

    // At 1/8 scale a pixel is its block's DC value: of a progressive file only the scans up to
    // the last component's first DC scan are needed.
    bool dconly = c->progressive_mode && c->scale_denom == 8;
    c->buffered_image = dconly ? TRUE : FALSE;
    jpeg_start_decompress(c);
    if (dconly) {
        for (;;) {
            int rc = jpeg_consume_input(c);
            if (rc == JPEG_REACHED_EOI || rc == JPEG_SUSPENDED) break;
            if (rc == JPEG_SCAN_COMPLETED && JpgHasAllDc(c)) break;
            if (c->progress) (*c->progress->progress_monitor)(reinterpret_cast<j_common_ptr>(c));
        }
        jpeg_start_output(c, c->input_scan_number);
    }
    size_t stride = static_cast<size_t>(w) * (cmyk ? 3 : c->out_color_components);
    JSAMPROW rows[JPG_ROWS];
    while (c->output_scanline < c->output_height) {
        JDIMENSION y = c->output_scanline;
        int want = static_cast<int>(c->output_height - y);
        if (want > JPG_ROWS) want = JPG_ROWS;
        for (int i = 0; i < want; i++)
            rows[i] = cmyk ? r->cmyk + 4 * static_cast<size_t>(w) * i
                           : r->buf + (y + static_cast<size_t>(i)) * stride;
        JDIMENSION got = jpeg_read_scanlines(c, rows, static_cast<JDIMENSION>(want));
        if (cmyk)
            for (JDIMENSION i = 0; i < got; i++)
                JpgCmykToRgb(rows[i], r->buf + (y + i) * stride, w, c->saw_Adobe_marker);
        if (got == 0) break;
        JpgProgress(req, static_cast<int>(c->output_scanline * 100L / c->output_height));
    }

    if (dconly) {
        jpeg_finish_output(c);
        jpeg_abort_decompress(c);
    } else {
        jpeg_finish_decompress(c);
    }
    return FILE_SUCCES;
}

// ---- markers a written JPEG carries on

static bool JpgMarkerByte(j_decompress_ptr c, int *out) {
    jpeg_source_mgr *src = c->src;
    if (src->bytes_in_buffer == 0 && !(*src->fill_input_buffer)(c)) return false;
    src->bytes_in_buffer--;
    *out = *src->next_input_byte++;
    return true;
}

static bool JpgIsIcc(int code, const uint8_t *data, long len) {
    return code == JPEG_APP0 + 2 && len >= 12 && memcmp(data, "ICC_PROFILE", 12) == 0;
}

// The processor of APP1, APP2 and COM: copies the marker while the budget lasts, and skips it
// through the source either way (the library's own would keep every byte of a hostile file).
static boolean JpgMarkerKeep(j_decompress_ptr c) {
    auto *client = static_cast<JPGCLIENT *>(c->client_data);
    int hi = 0, lo = 0;
    if (!JpgMarkerByte(c, &hi) || !JpgMarkerByte(c, &lo)) return FALSE;
    long len = ((hi << 8) | lo) - 2;
    if (len < 0) len = 0;
    long need = client->markerlen + 3 + len;
    bool keep = need <= IO_BUDGET_MARKERS;
    if (keep && need > client->markercap) {
        long cap = std::min<long>(IO_BUDGET_MARKERS, std::max(need, client->markercap * 2));
        auto *grown = static_cast<uint8_t *>(MemRealloc(client->markers, cap, "jpeg markers"));
        if (grown) {
            client->markers = grown;
            client->markercap = cap;
        } else {
            keep = false;
        }
    }
    uint8_t *rec = keep ? client->markers + client->markerlen : nullptr;
    if (rec) {
        rec[0] = static_cast<uint8_t>(c->unread_marker);
        rec[1] = static_cast<uint8_t>(len >> 8);
        rec[2] = static_cast<uint8_t>(len);
    }
    jpeg_source_mgr *src = c->src;
    for (long done = 0; done < len;) {
        if (src->bytes_in_buffer == 0 && !(*src->fill_input_buffer)(c)) return FALSE;
        long n = std::min<long>(len - done, static_cast<long>(src->bytes_in_buffer));
        if (rec) memcpy(rec + 3 + done, src->next_input_byte, static_cast<size_t>(n));
        src->next_input_byte += n;
        src->bytes_in_buffer -= static_cast<size_t>(n);
        done += n;
    }
    // Of APP2 only ICC chunks: a multi-picture index (MPF) points at bytes of the source.
    if (rec && (c->unread_marker != JPEG_APP0 + 2 || JpgIsIcc(rec[0], rec + 3, len)))
        client->markerlen = need;
    else if (!rec && c->unread_marker == JPEG_APP0 + 2)
        client->iccdropped = 1;
    return TRUE;
}

// Hands the kept markers to the record; without a whole ICC profile, none of its chunks.
static void JpgMarkersGive(JPGCLIENT *client, FILEINFO *fi) {
    if (!client->markers) return;
    if (client->iccdropped) {
        long out = 0;
        for (long p = 0; p + 3 <= client->markerlen;) {
            long n = 3 + ((client->markers[p + 1] << 8) | client->markers[p + 2]);
            if (!JpgIsIcc(client->markers[p], client->markers + p + 3, n - 3)) {
                memmove(client->markers + out, client->markers + p, static_cast<size_t>(n));
                out += n;
            }
            p += n;
        }
        client->markerlen = out;
    }
    if (client->markerlen > 0) {
        fi->markers = client->markers;
        fi->markerlen = client->markerlen;
    } else {
        MemFree(client->markers, "jpeg markers");
    }
    client->markers = nullptr;
    client->markerlen = client->markercap = 0;
}

// Writes the source's markers after the header; true when one was a comment.
static bool JpgMarkersWrite(j_compress_ptr c, const SAVEINFO *save) {
    bool comment = false;
    const uint8_t *m = save->markers;
    for (long p = 0; m && p + 3 <= save->markerlen;) {
        long n = (m[p + 1] << 8) | m[p + 2];
        if (p + 3 + n > save->markerlen) break;
        jpeg_write_marker(c, m[p], m + p + 3, static_cast<unsigned>(n));
        comment = comment || m[p] == JPEG_COM;
        p += 3 + n;
    }
    return comment;
}

// Exif belongs right after the start of the image, where a JFIF header would be.
static bool JpgMarkersHaveExif(const SAVEINFO *save) {
    const uint8_t *m = save->markers;
    for (long p = 0; m && p + 3 <= save->markerlen;) {
        long n = (m[p + 1] << 8) | m[p + 2];
        if (p + 3 + n > save->markerlen) break;
        if (m[p] == JPEG_APP0 + 1 && n >= 6 && memcmp(m + p + 3, "Exif\0\0", 6) == 0) return true;
        p += 3 + n;
    }
    return false;
}

static int JpgReadRun(JPGREAD *r, FILEREQ *req, FILEINFO *fi, int mode) {
    jpeg_decompress_struct *c = &r->cinfo;
    c->err = &r->err.pub;
    c->client_data = &r->client;
    if (setjmp(r->err.jump)) {
        if (!r->client.limit.hit) return JpgErrorCode(&r->err, FILE_ERROR_READ);
        return JpgRefuse(&r->client, "more than %d scans (the scan limit)", IO_BUDGET_SCANS);
    }
    jpeg_create_decompress(c);
    r->created = 1;
    JpgLimitSetup(c, &r->client.limit, &r->err.jump);
    if (r->keepmarkers && mode != IO_READ_PROBE && req->preview <= 0)
        for (int code : {JPEG_APP0 + 1, JPEG_APP0 + 2, static_cast<int>(JPEG_COM)})
            jpeg_set_marker_processor(c, code, JpgMarkerKeep);
    if (r->mem)
        jpeg_mem_src(c, r->mem, static_cast<unsigned long>(r->memlen));
    else
        jpeg_stdio_src(c, r->fp);
    jpeg_read_header(c, TRUE);
    jpeg_calc_output_dimensions(c);

    bool cmyk = c->jpeg_color_space == JCS_CMYK || c->jpeg_color_space == JCS_YCCK;
    if (c->jpeg_color_space == JCS_GRAYSCALE) {
        c->out_color_space = JCS_GRAYSCALE;
        fi->maptyp = MAPTYP_8BIT;
        fi->mapentry = 255;
        if (FileColormapCreate(fi) != FILE_SUCCES) return WIN_ERROR_MEMORY;
    } else {
        c->out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
    }
    c->quantize_colors = FALSE;
    if (mode != IO_READ_PROBE && req->preview > 0) {
        c->scale_num = 1;
        c->scale_denom = static_cast<unsigned>(JpgPreviewDenom(c, req->preview));
        c->dct_method = JDCT_IFAST;
        c->do_fancy_upsampling = FALSE;
        c->do_block_smoothing = FALSE;
    }
    jpeg_calc_output_dimensions(c);
    req->recognised = 1;

    int comps = cmyk ? 3 : c->out_color_components;
    int w = static_cast<int>(c->output_width), h = static_cast<int>(c->output_height);
    if (mode == IO_READ_PROBE) {
        fi->w = w;
        fi->h = h;
        fi->bit = 8 * comps;
        fi->ftyp = FTYP_JPEG;
        return FILE_SUCCES;
    }

    struct stat st;
    long flen = r->mem                           ? r->memlen
                : fstat(fileno(r->fp), &st) == 0 ? static_cast<long>(st.st_size)
                                                 : 0;
    long pixels = FileBufferSize(c->image_width, c->image_height, 1, 1);
    long size = FileBufferSize(w, h, comps, 1);
    if (size < 0 || pixels < 0 || pixels / JPG_PIXELS_PER_BYTE > flen)
        return JpgRefuse(&r->client, "%ux%u pixels cannot come from %ld bytes (at most %d a byte)",
                         c->image_width, c->image_height, flen, JPG_PIXELS_PER_BYTE);
    if (size > IO_BUDGET_IMAGE)
        return JpgRefuse(&r->client, "%ix%i x %i bytes exceed the %ld MiB image budget", w, h,
                         comps, IO_BUDGET_IMAGE >> 20);
    // Progressive and multi-scan streams hold every coefficient until the last scan.
    long coef = JpgCoefBytes(c);
    if (coef > IO_BUDGET_DECODER)
        return JpgRefuse(&r->client, "decoding needs %ld MiB, more than the %ld MiB decoder budget",
                         coef >> 20, IO_BUDGET_DECODER >> 20);
    r->buf = static_cast<uint8_t *>(MemCreate(size, req->path));
    if (!r->buf) return WIN_ERROR_MEMORY;
    // A photo's buffer is touched once from end to end.
    if (size >= 8L << 20) MemHugePages(r->buf, size_t(size));
    if (c->scale_denom == 8 && r->mem &&
        JpgDcPreview(c, r->mem, r->memlen, r->buf, w, h, r->pool, !req->onethread)) {
        jpg_dc_tune.taken++;
        JpgProgress(req, 100);
    } else if (JpgDecodeLib(r, req, w, cmyk) != FILE_SUCCES)
        return WIN_ERROR_MEMORY;
    if (c->out_color_space == JCS_GRAYSCALE) {
        for (int i = 0; i < 256; i++)
            fi->rmap[i] = fi->gmap[i] = fi->bmap[i] = static_cast<uint16_t>(i);
        fi->maptyp = MAPTYP_GREY;
    }
    fi->w = w;
    fi->h = h;
    fi->bit = 8 * comps;
    fi->fbuf = r->buf;
    r->buf = nullptr;
    fi->ftyp = FTYP_JPEG;
    fi->frames = 1;
    JpgMarkersGive(&r->client, fi);
    return FILE_SUCCES;
}

// The whole file in memory: the library's fast Huffman path needs its input buffered well ahead,
// and the DC preview decoder wants the scan at once. Very large files stay on stdio.
static bool JpgSlurp(FILE *fp, JPGSCRATCH *out) {
    enum : long { JPG_SLURP_MAX = 256L << 20 };
    struct stat st;
    if (fstat(fileno(fp), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size < 4 ||
        st.st_size > JPG_SLURP_MAX)
        return false;
    if (!out->Alloc(static_cast<size_t>(st.st_size))) return false;
    out->size = fread(out->p, 1, out->size, fp);
    rewind(fp);
    return out->size >= 4;
}

// The Exif orientation of the file, and with the setting on the picture turned upright; a probe
// reports the size as shown. A whole file read holds the headers already; a probe reads them.
static int JpgOrient(JPGREAD *r, const FILEREQ *req, FILEINFO *fi, int mode) {
    if (r->mem) {
        fi->orientation = ExifOrientationFromJpeg(r->mem, static_cast<size_t>(r->memlen));
    } else {
        std::vector<uint8_t> head(64 * 1024 + 4);
        rewind(r->fp);
        size_t n = fread(head.data(), 1, head.size(), r->fp);
        fi->orientation = ExifOrientationFromJpeg(head.data(), n);
    }
    if (!req->exif_rotate || fi->orientation <= EXIF_ORIENT_NORMAL) return FILE_SUCCES;
    if (mode == IO_READ_PROBE) {
        if (fi->orientation >= EXIF_ORIENT_TRANSPOSE) std::swap(fi->w, fi->h);
        return FILE_SUCCES;
    }
    int rc = ImageOrient(fi, fi->orientation);
    if (rc == FILE_SUCCES) fi->turn = fi->orientation;
    // The kept Exif goes into every copy written of the upright picture: it must say upright.
    if (rc == FILE_SUCCES) ImageMarkersUpright(fi);
    return rc;
}

// Whether the file's frame header, within its first segments, says 12 bits a sample.
static bool JpgIs12Bit(FILE *fp) {
    std::vector<uint8_t> head(256 * 1024);
    size_t n = fread(head.data(), 1, head.size(), fp);
    rewind(fp);
    return Jpg12Precision(head.data(), n) == 12;
}

int IoReadJpeg(FILEREQ *req, FILEINFO *fi, int mode) {
    if (!req || !fi || !req->path) return WIN_ERROR_ARG;
    JPGREAD r;
    memset(&r, 0, sizeof r);
    JpgErrorSetup(&r.err);
    r.client.path = req->path;
    r.client.language = JpgLanguage(req);
    r.fp = FileStdOpen(req->path);
    if (!r.fp) return FILE_ERROR_OPEN;
    if (JpgIs12Bit(r.fp)) {
        fclose(r.fp);
        return IoReadJpeg12(req, fi, mode);
    }
    JPGPOOLUSE use;
    r.pool = use.pool;
    if (mode != IO_READ_PROBE && JpgSlurp(r.fp, &use.pool->whole)) {
        r.mem = use.pool->whole.p;
        r.memlen = static_cast<long>(use.pool->whole.size);
    }
    r.keepmarkers = 1;
    int rc = JpgReadRun(&r, req, fi, mode);
    if (r.created) jpeg_destroy_decompress(&r.cinfo);
    if (rc == FILE_SUCCES) rc = JpgOrient(&r, req, fi, mode);
    if (r.client.markers) MemFree(r.client.markers, "jpeg markers");
    fclose(r.fp);
    if (r.buf) MemFree(r.buf, req->path);
    if (r.cmyk) MemFree(r.cmyk, req->path);
    return rc;
}

int IoReadJpegMem(const uint8_t *data, long len, FILEINFO *fi, int edge, const char *tag) {
    if (!data || !fi || len < 1) return WIN_ERROR_ARG;
    memset(fi, 0, sizeof *fi);
    if (len < 3 || data[0] != 0xFF || data[1] != 0xD8 || data[2] != 0xFF) return FILE_ERROR_FORMAT;
    FILEREQ req;
    memset(&req, 0, sizeof req);
    req.path = tag ? tag : "jpeg";
    req.preview = edge > 0 ? edge : 0;
    JPGREAD r;
    memset(&r, 0, sizeof r);
    JpgErrorSetup(&r.err);
    r.client.path = req.path;
    r.client.language = LG_DEFAULT;
    r.client.quiet = 1;
    r.mem = data;
    r.memlen = len;
    JPGPOOLUSE use;
    r.pool = use.pool;
    int rc = JpgReadRun(&r, &req, fi, IO_READ_FULL);
    if (r.created) jpeg_destroy_decompress(&r.cinfo);
    if (r.buf) MemFree(r.buf, req.path);
    if (r.cmyk) MemFree(r.cmyk, req.path);
    if (rc != FILE_SUCCES) IoFreeRecord(fi, req.path);
    return rc;
}

int IoJpegMemSize(const uint8_t *data, long len, int *w, int *h) {
    if (!data || len < 3 || !w || !h) return -15;
    if (data[0] != 0xFF || data[1] != 0xD8 || data[2] != 0xFF) return FILE_ERROR_FORMAT;
    JPGREAD r;
    memset(&r, 0, sizeof r);
    JpgErrorSetup(&r.err);
    r.client.path = "jpeg";
    r.client.quiet = 1;
    jpeg_decompress_struct *c = &r.cinfo;
    c->err = &r.err.pub;
    c->client_data = &r.client;
    if (setjmp(r.err.jump)) {
        if (r.created) jpeg_destroy_decompress(c);
        return FILE_ERROR_DATA;
    }
    jpeg_create_decompress(c);
    r.created = 1;
    JpgLimitSetup(c, &r.client.limit, &r.err.jump);
    jpeg_mem_src(c, data, static_cast<unsigned long>(len));
    jpeg_read_header(c, TRUE);
    *w = static_cast<int>(c->image_width), *h = static_cast<int>(c->image_height);
    jpeg_destroy_decompress(c);
    return FILE_SUCCES;
}

int IoJpegFrameName(const char *path, int frame, char *out, size_t size) {
    if (!path || !out) return WIN_ERROR_ARG;
    char probe[32], suffix[32];
    snprintf(probe, sizeof probe, ".frm%i.", frame);
    snprintf(suffix, sizeof suffix, ".frm%i", frame);
    int n;
    if (strstr(path, probe)) {
        n = snprintf(out, size, "%s", path);
    } else {
        // Only a dot of the file name itself starts the extension, not one of a directory.
        const char *dot = strrchr(path, '.');
        const char *slash = strrchr(path, '/');
        if (dot && (!slash || dot > slash))
            n = snprintf(out, size, "%.*s%s.jpg", static_cast<int>(dot - path), path, suffix);
        else
            n = snprintf(out, size, "%s%s", path, suffix);
    }
    return n < 0 || static_cast<size_t>(n) >= size ? WIN_ERROR_ARG : 0;
}

// Everything one written frame holds; released on every way out.
struct JPGWRITE {
    jpeg_compress_struct cinfo;
    JPEGERR err;
    JPGCLIENT client;
    FILE *fp;
    unsigned char *mem; // the library's buffer of a memory write (malloc'ed by it)
    unsigned long memlen;
    uint8_t *rgb;
    int created;
};

static int JpgFrameFrameCount(const SAVEINFO *save) {
    return save->frames > 1 ? save->frames : 1;
}

// Frame f of a palette image as RGB: maptyp 1 keeps 8-bit values in the low byte, the
// 16-bit palettes take their high byte.
static int JpgPaletteToRgb(JPGWRITE *wr, const SAVEINFO *save, const uint8_t *idx, long n) {
    if (!save->rmap || !save->gmap || !save->bmap) return WIN_ERROR_MEMORY;
    wr->rgb = static_cast<uint8_t *>(MemCreate(n * 3, "jpeg"));
    if (!wr->rgb) return WIN_ERROR_MEMORY;
    int shift = save->maptyp == MAPTYP_8BIT ? 0 : 8;
    // An index past a short map takes its last entry instead of reading beyond it.
    int last = save->mapentry > 0 && save->mapentry < 256 ? save->mapentry - 1 : 255;
    uint8_t *out = wr->rgb;
    for (long i = 0; i < n; i++) {
        int k = idx[i] > last ? last : idx[i];
        *out++ = static_cast<uint8_t>(save->rmap[k] >> shift);
        *out++ = static_cast<uint8_t>(save->gmap[k] >> shift);
        *out++ = static_cast<uint8_t>(save->bmap[k] >> shift);
    }
    return FILE_SUCCES;
}

static int JpgWriteRun(JPGWRITE *wr, FILEREQ *req, const SAVEINFO *save, const uint8_t *frame,
                       bool grey, int f, int frames, int *last) {
    jpeg_compress_struct *c = &wr->cinfo;
    c->err = &wr->err.pub;
    c->client_data = &wr->client;
    if (setjmp(wr->err.jump)) return JpgErrorCode(&wr->err, FILE_ERROR_WRITE);
    jpeg_create_compress(c);
    wr->created = 1;
    if (wr->fp)
        jpeg_stdio_dest(c, wr->fp);
    else
        jpeg_mem_dest(c, &wr->mem, &wr->memlen);
    c->image_width = static_cast<JDIMENSION>(save->w);
    c->image_height = static_cast<JDIMENSION>(save->h);
    c->input_components = grey ? 1 : 3;
    c->in_color_space = grey ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(c);
    jpeg_set_quality(c, save->quality, TRUE);
    if (JpgMarkersHaveExif(save)) c->write_JFIF_header = FALSE;
    jpeg_start_compress(c, TRUE);
    // The source's own comment stays the only one.
    if (!JpgMarkersWrite(c, save)) {
        char comment[64];
        int clen = snprintf(comment, sizeof comment, "create: %s", "dravik");
        jpeg_write_marker(c, JPEG_COM, reinterpret_cast<const JOCTET *>(comment),
                          static_cast<unsigned>(clen));
    }
    size_t stride = static_cast<size_t>(save->w) * (grey ? 1 : 3);
    while (c->next_scanline < c->image_height) {
        JSAMPROW row = const_cast<uint8_t *>(frame + c->next_scanline * stride);
        jpeg_write_scanlines(c, &row, 1);
        int pct = frames == 1 ? static_cast<int>(c->next_scanline * 100L / c->image_height)
                              : static_cast<int>(f * 100L / frames);
        if (pct != *last) {
            JpgProgress(req, pct);
            *last = pct;
        }
    }
    jpeg_finish_compress(c);
    return FILE_SUCCES;
}

// Frame f of the save through the codec into the file or the memory buffer of `wr`.
static int JpgWriteData(JPGWRITE *wr, FILEREQ *req, const SAVEINFO *save, long n, int f, int frames,
                        int *last) {
    int rc = FILE_SUCCES;
    bool grey = false;
    const uint8_t *frame = nullptr;
    if (!save->fbuf) {
        rc = FILE_ERROR_DATA;
    } else if (save->bit == 24) {
        frame = save->fbuf + static_cast<size_t>(f) * n * 3;
    } else if (save->bit == 8 && (save->maptyp == MAPTYP_8BIT || save->maptyp == MAPTYP_PALETTE ||
                                  save->maptyp == MAPTYP_16BIT)) {
        rc = JpgPaletteToRgb(wr, save, save->fbuf + static_cast<size_t>(f) * n, n);
        frame = wr->rgb;
    } else if (save->bit == 8) {
        grey = true;
        frame = save->fbuf + static_cast<size_t>(f) * n;
    } else {
        rc = FILE_ERROR_DATA;
    }
    if (rc == FILE_SUCCES) rc = JpgWriteRun(wr, req, save, frame, grey, f, frames, last);
    if (wr->created) jpeg_destroy_compress(&wr->cinfo);
    if (wr->rgb) MemFree(wr->rgb, "jpeg");
    wr->rgb = nullptr;
    return rc;
}

static int JpgWriteFrame(FILEREQ *req, const SAVEINFO *save, const char *name, int f, int frames,
                         int *last) {
    int lang = JpgLanguage(req);
    long n = FileBufferSize(save->w, save->h, 1, 1);
    if (n < 0 || FileBufferSize(save->w, save->h, 3, f + 1) < 0) return FILE_ERROR_DATA;
    JPGWRITE wr;
    memset(&wr, 0, sizeof wr);
    JpgErrorSetup(&wr.err);
    wr.client.path = name;
    wr.client.language = lang;
    // The old file stays whole until the new one is: File > Save writes over the file shown.
    FILEREPLACE rep;
    int fd = -1;
    if (FileReplaceOpen(&rep, name, 0666) != 0 || (fd = dup(rep.fd)) < 0 ||
        !(wr.fp = fdopen(fd, "w"))) {
        int err = rep.error ? rep.error : errno;
        if (fd >= 0) close(fd);
        FileReplaceAbort(&rep);
        MsgErrFile(lang, name, FILE_ERROR_OPEN, err, nullptr);
        return FILE_ERROR_CREATE;
    }
    int rc = JpgWriteData(&wr, req, save, n, f, frames, last);
    // A full disk shows only when the buffered bytes go out.
    int err = 0;
    if ((fflush(wr.fp) != 0 || ferror(wr.fp)) && rc == FILE_SUCCES) err = errno ? errno : EIO;
    if (fclose(wr.fp) != 0 && rc == FILE_SUCCES && !err) err = errno ? errno : EIO;
    if (rc == FILE_SUCCES && !err && FileReplaceCommit(&rep) != 0)
        err = rep.error ? rep.error : EIO;
    if (rc != FILE_SUCCES || err) {
        FileReplaceAbort(&rep);
        if (rc == FILE_SUCCES) {
            MsgErrFile(lang, name, FILE_ERROR_WRITE, err, nullptr);
            rc = FILE_ERROR_WRITE;
        }
    }
    return rc;
}

int IoWriteJpegMem(SAVEINFO *save, uint8_t **out, long *len, const char *tag) {
    if (!save || !out || !len) return WIN_ERROR_ARG;
    *out = nullptr;
    *len = 0;
    long n = FileBufferSize(save->w, save->h, 1, 1);
    if (n < 0 || FileBufferSize(save->w, save->h, 3, 1) < 0) return FILE_ERROR_DATA;
    FILEREQ req;
    memset(&req, 0, sizeof req);
    req.path = tag ? tag : "jpeg";
    JPGWRITE wr;
    memset(&wr, 0, sizeof wr);
    JpgErrorSetup(&wr.err);
    wr.client.path = req.path;
    wr.client.language = LG_DEFAULT;
    int last = -1;
    int rc = JpgWriteData(&wr, &req, save, n, 0, 1, &last);
    // The library grows its buffer with malloc; the caller gets a tagged copy.
    if (rc == FILE_SUCCES && wr.mem && wr.memlen > 0 && wr.memlen <= INT_MAX) {
        *out = static_cast<uint8_t *>(MemCreate(static_cast<long>(wr.memlen), req.path));
        if (*out) {
            memcpy(*out, wr.mem, wr.memlen);
            *len = static_cast<long>(wr.memlen);
        } else {
            rc = WIN_ERROR_MEMORY;
        }
    } else if (rc == FILE_SUCCES) {
        rc = FILE_ERROR_DATA;
    }
    free(wr.mem);
    return rc;
}

// A picture that is its file only turned: the file's coefficients turned, where whole blocks
// allow. FILE_SUCCES or a write error, or JPG_TURN_LOSSY when the pixels must be encoded.
static int JpgWriteTurned(FILEREQ *req, const SAVEINFO *save) {
    if (!save->source || save->turn < EXIF_ORIENT_NORMAL || JpgFrameFrameCount(save) != 1)
        return JPG_TURN_LOSSY;
    int rc = JpgTurnFile(save->source, save->sourcesize, save->turn, save->w, save->h, req->path);
    if (rc == FILE_ERROR_CREATE || rc == FILE_ERROR_WRITE) {
        int err = errno;
        MsgErrFile(JpgLanguage(req), req->path, rc == FILE_ERROR_CREATE ? FILE_ERROR_OPEN : rc, err,
                   nullptr);
        return rc;
    }
    if (rc != FILE_SUCCES) return JPG_TURN_LOSSY;
    JpgProgress(req, 100);
    return FILE_SUCCES;
}

int IoWriteJpeg(FILEREQ *req, SAVEINFO *save) {
    if (!save) return WIN_ERROR_MEMORY;
    if (!req || !req->path) return FILE_ERROR_WRITE;
    if (int rc = JpgWriteTurned(req, save); rc != JPG_TURN_LOSSY) return rc;
    int frames = JpgFrameFrameCount(save);
    int last = -1;
    for (int f = 0; f < frames; f++) {
        if (frames > 1 && (f < save->first_frame || f > save->last_frame)) continue;
        char name[JPG_NAME_MAX];
        if (frames == 1)
            snprintf(name, sizeof name, "%s", req->path);
        else if (IoJpegFrameName(req->path, f, name, sizeof name) != 0)
            return FILE_ERROR_WRITE;
        int rc = JpgWriteFrame(req, save, name, f, frames, &last);
        if (rc != FILE_SUCCES) return rc;
    }
    return FILE_SUCCES;
}
