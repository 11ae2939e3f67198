#include "dicom/io_dcm4.h"
#include "dicom/io_dcmvoi.h"
#include "dicom/io_dicom.h"

#include "base/xmem.h"
#include "dicom/io_j2k.h"
#include "dicom/io_jls.h"
#include "dicom/io_jpeg12.h"
#include "image/io_jpg.h"
#include "image/io_jpg12.h"
#include "ljpeg/decomp.h"
#include "image/test_hooks.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <thread>
#include <time.h>

#include <jpeglib.h>

static const char dcm4_tag[] = "dcm_frames";

enum { DCM_ITEM = 0xE000, DCM_SEQ_END = 0xE0DD };

static uint32_t Le32(const uint8_t *p) {
    return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24;
}

/* ---- items and frames ---- */

int DicomItemsRead(const uint8_t *buf, long len, long offset, std::vector<uint32_t> *bot,
                   std::vector<DICOMFRAG> *frags) {
    if (!buf || !bot || !frags) return WIN_ERROR_ARG;
    bot->clear();
    frags->clear();
    bool first = true;
    long pos = offset;
    while (pos >= 0 && pos <= len - 8) {
        const uint8_t *h = buf + pos;
        unsigned group = h[0] | h[1] << 8, elem = h[2] | h[3] << 8;
        uint32_t n = Le32(h + 4);
        if (group == 0xFFFE && elem == DCM_SEQ_END) return FILE_SUCCES;
        if (group != 0xFFFE || elem != DCM_ITEM || n == 0xFFFFFFFFu) return FILE_QUIET;
        long start = pos + 8;
        long avail = std::min<long>(n, len - start);
        if (first) {
            for (long i = 0; i + 4 <= avail; i += 4)
                bot->push_back(Le32(buf + start + i));
            first = false;
        } else {
            frags->push_back({start, avail});
        }
        if (avail < long(n)) return FILE_QUIET;
        pos = start + long(n);
    }
    return FILE_QUIET;
}

// A JPEG frame's last fragment ends with EOI, perhaps followed by one byte of padding.
static bool DicomEndsWithEoi(const uint8_t *buf, const DICOMFRAG &f) {
    const uint8_t *e = buf + f.offset + f.length;
    if (f.length >= 2 && e[-2] == 0xFF && e[-1] == 0xD9) return true;
    return f.length >= 3 && e[-3] == 0xFF && e[-2] == 0xD9 && e[-1] == 0x00;
}

// Frames from the basic offset table; false when it does not describe the fragments.
static bool DicomFramesByTable(const std::vector<uint32_t> &bot,
                               const std::vector<DICOMFRAG> &frags, int frames,
                               std::vector<DICOMFRAG> *spans) {
    if (bot.size() < size_t(frames) || frags.size() < size_t(frames)) return false;
    const long base = frags[0].offset - 8;
    std::vector<long> first(static_cast<size_t>(frames));
    size_t k = 0;
    for (int f = 0; f < frames; f++) {
        while (k < frags.size() && frags[k].offset - 8 - base < long(bot[size_t(f)]))
            k++;
        if (k >= frags.size() || frags[k].offset - 8 - base != long(bot[size_t(f)])) return false;
        first[size_t(f)] = long(k);
        k++;
    }
    for (int f = 0; f < frames; f++) {
        long end = f + 1 < frames ? first[size_t(f) + 1] : long(frags.size());
        (*spans)[size_t(f)] = {first[size_t(f)], end - first[size_t(f)]};
    }
    return true;
}

void DicomFramesLocate(const uint8_t *buf, const std::vector<uint32_t> &bot,
                       const std::vector<DICOMFRAG> &frags, int frames, bool jpeg,
                       std::vector<DICOMFRAG> *spans) {
    const long nf = long(frags.size());
    // A frame takes one fragment at least: the bookkeeping follows the items, not the header.
    spans->assign(size_t(std::clamp<long>(frames, 0, nf)), DICOMFRAG{0, 0});
    if (frames < 1 || nf == 0) return;
    if (DicomFramesByTable(bot, frags, frames, spans)) return;
    if (frames == 1) {
        (*spans)[0] = {0, nf};
        return;
    }
    if (nf == frames || !jpeg) {
        for (long k = 0; k < std::min<long>(nf, frames); k++)
            (*spans)[size_t(k)] = {k, 1};
        return;
    }
    long start = 0;
    int f = 0;
    for (long k = 0; k < nf && f < long(spans->size()); k++) {
        if (DicomEndsWithEoi(buf, frags[size_t(k)])) {
            (*spans)[size_t(f++)] = {start, k - start + 1};
            start = k + 1;
        }
    }
    if (f < long(spans->size()) && start < nf) (*spans)[size_t(f)] = {start, nf - start};
}

/* ---- RLE ---- */

// One PackBits segment into every `stride`-th byte of dst; false when it ran short.
static bool DicomRleSegment(const uint8_t *in, long n, uint8_t *dst, long count, long stride) {
    long i = 0, o = 0;
    while (o < count && i < n) {
        int c = int8_t(in[i++]);
        if (c >= 0) {
            long run = std::min<long>({c + 1L, n - i, count - o});
            for (long k = 0; k < run; k++)
                dst[(o + k) * stride] = in[i + k];
            i += c + 1;
            o += run;
        } else if (c != -128) {
            if (i >= n) break;
            uint8_t b = in[i++];
            long run = std::min<long>(1L - c, count - o);
            for (long k = 0; k < run; k++)
                dst[(o + k) * stride] = b;
            o += run;
        }
    }
    return o >= count;
}

int DicomRleFrame(const uint8_t *data, size_t len, const DICOMLAYOUT *lay, uint8_t *dst) {
    if (!data || !lay || !dst || lay->pi == DICOM_PI_YBR_422) return FILE_ERROR_DATA;
    if (len < 64) return FILE_ERROR_DATA;
    const uint32_t nseg = Le32(data);
    const int need = lay->bytes * lay->samples;
    if (nseg < 1 || nseg > 15) return FILE_ERROR_DATA;
    memset(dst, 0, size_t(lay->framebytes));
    bool whole = int(nseg) >= need;
    const long stride = long(lay->samples) * lay->bytes;
    for (int seg = 0; seg < std::min<int>(int(nseg), need); seg++) {
        long from = Le32(data + 4 + 4 * seg);
        long to = seg + 1 < int(nseg) ? long(Le32(data + 8 + 4 * seg)) : long(len);
        to = std::min<long>(to, long(len));
        if (from < 64 || from >= to) {
            whole = false;
            continue;
        }
        // Segments hold the bytes of each sample most significant first.
        int sample = seg / lay->bytes, byte = lay->bytes - 1 - seg % lay->bytes;
        uint8_t *out = dst + long(sample) * lay->bytes + byte;
        whole = DicomRleSegment(data + from, to - from, out, lay->pixels, stride) && whole;
    }
    return whole ? FILE_SUCCES : FILE_QUIET;
}

/* ---- lossless JPEG ---- */

static void DicomSamplesToRgb(const uint16_t *src, long pixels, int precision, int bits,
                              uint8_t *out) {
    int down = std::min(precision, bits) > 8 ? std::min(precision, bits) - 8 : 0;
    for (long i = 0; i < 3 * pixels; i++)
        out[i] = uint8_t(std::min<int>(src[i] >> down, 255));
}

int decompFrameDicom(const uint8_t *data, size_t len, const DICOMLAYOUT *lay, DICOMSAMPLES *s,
                     int f, uint8_t *out) {
    LJPEGINFO info;
    int rc = decompFrameInfo(data, len, &info);
    if (rc < 0) return rc;
    if (info.width != lay->w || info.height != lay->h || info.components != lay->samples) {
        LjpegWarn("lossless frame of %dx%dx%d in an image of %dx%dx%d", info.width, info.height,
                  info.components, lay->w, lay->h, lay->samples);
        return LJPEG_ERR_DATA;
    }
    const size_t pixels = size_t(lay->pixels);
    if (lay->samples == 1 && !s->s16.empty()) {
        uint16_t *store = s->s16.data() + size_t(f) * pixels;
        rc = decompFrame(data, len, store, pixels, &info);
        if (rc < 0) return rc;
        // Encoders may keep sign bits above Bits Stored.
        if (info.precision > s->bits) {
            const uint16_t mask = uint16_t((1u << s->bits) - 1);
            for (size_t i = 0; i < pixels; i++)
                store[i] &= mask;
        }
        s->valid[size_t(f)] = long(pixels);
        return rc;
    }
    std::vector<uint16_t> tmp;
    try {
        tmp.resize(pixels * size_t(lay->samples));
    } catch (const std::bad_alloc &) {
        return LJPEG_ERR_MEMORY;
    }
    rc = decompFrame(data, len, tmp.data(), tmp.size(), &info);
    if (rc < 0) return rc;
    if (lay->samples == 1) {
        const uint32_t mask = s->bits >= 32 ? 0xFFFFFFFFu : (1u << s->bits) - 1;
        uint32_t *store = s->s32.data() + size_t(f) * pixels;
        for (size_t i = 0; i < pixels; i++)
            store[i] = tmp[i] & mask;
        s->valid[size_t(f)] = long(pixels);
    } else {
        DicomSamplesToRgb(tmp.data(), long(pixels), info.precision, lay->bits, out);
        if (lay->pi == DICOM_PI_YBR_FULL) DicomYbrToRgb(out, long(pixels));
    }
    return rc;
}

/* ---- baseline and extended JPEG through libjpeg ---- */

struct DCMJPEGERR {
    jpeg_error_mgr pub;
    jmp_buf jump;
    int warnings;
    JPGLIMIT limit;
};

static void DicomJpegError(j_common_ptr c) {
    longjmp(reinterpret_cast<DCMJPEGERR *>(c->err)->jump, 1);
}

// Corrupt-data warnings are counted; the frame's summary line reports them.
static void DicomJpegMessage(j_common_ptr c, int level) {
    if (level < 0) reinterpret_cast<DCMJPEGERR *>(c->err)->warnings++;
}

// Whether a three-component stream holds RGB. Writers label streams wrongly in both directions,
// so the stream's own evidence comes first: a JFIF segment means YCbCr, an Adobe segment says by
// its transform flag, component ids 'R', 'G', 'B' mean RGB, and subsampled chroma is YCbCr. Only
// a stream without any of these follows the Photometric Interpretation.
static bool DicomJpegHoldsRgb(const jpeg_decompress_struct *c, int pi_rgb) {
    if (c->saw_JFIF_marker) return false;
    if (c->saw_Adobe_marker && c->Adobe_transform <= 1) return c->Adobe_transform == 0;
    const jpeg_component_info *ci = c->comp_info;
    if (ci[0].component_id == 'R' && ci[1].component_id == 'G' && ci[2].component_id == 'B')
        return true;
    for (int i = 1; i < 3; i++)
        if (ci[i].h_samp_factor != ci[0].h_samp_factor ||
            ci[i].v_samp_factor != ci[0].v_samp_factor)
            return false;
    return pi_rgb != 0;
}

// The decoding proper, apart from any C++ object, since libjpeg leaves by longjmp. Rows go to
// out (w x components bytes each); *rows counts those done.
static int DicomJpegRun(const uint8_t *data, size_t len, int w, int h, int comps, int rgb_stream,
                        uint8_t *out, volatile long *rows) {
    jpeg_decompress_struct c;
    DCMJPEGERR err;
    c.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = DicomJpegError;
    err.pub.emit_message = DicomJpegMessage;
    err.warnings = 0;
    *rows = 0;
    if (setjmp(err.jump)) {
        if (err.limit.hit)
            fprintf(stderr, "dravik: JPEG frame: more than %d scans (the scan limit)\n",
                    IO_BUDGET_SCANS);
        jpeg_destroy_decompress(&c);
        return *rows > 0 ? FILE_QUIET : FILE_ERROR_DATA;
    }
    jpeg_create_decompress(&c);
    JpgLimitSetup(&c, &err.limit, &err.jump);
    jpeg_mem_src(&c, data, static_cast<unsigned long>(len));
    jpeg_read_header(&c, TRUE);
    // The container's size decides before the stream's claim costs anything.
    const long coef = JpgCoefBytes(&c);
    if (int(c.image_width) != w || int(c.image_height) != h)
        fprintf(stderr, "dravik: JPEG frame of %ux%u in an image of %ix%i\n", c.image_width,
                c.image_height, w, h);
    else if (coef > IO_BUDGET_DECODER)
        fprintf(stderr, "dravik: JPEG frame needs %ld MiB, more than the %ld MiB decoder budget\n",
                coef >> 20, IO_BUDGET_DECODER >> 20);
    if (int(c.image_width) != w || int(c.image_height) != h || coef > IO_BUDGET_DECODER) {
        jpeg_destroy_decompress(&c);
        return FILE_ERROR_DATA;
    }
    if (comps == 1) {
        c.out_color_space = JCS_GRAYSCALE;
    } else if (c.num_components == 3) {
        c.jpeg_color_space = DicomJpegHoldsRgb(&c, rgb_stream) ? JCS_RGB : JCS_YCbCr;
        c.out_color_space = JCS_RGB;
    }
    jpeg_start_decompress(&c);
    if (int(c.output_width) != w || int(c.output_height) != h || c.output_components != comps) {
        jpeg_destroy_decompress(&c);
        return FILE_ERROR_DATA;
    }
    while (c.output_scanline < c.output_height) {
        JSAMPROW row = out + size_t(c.output_scanline) * size_t(w) * size_t(comps);
        if (jpeg_read_scanlines(&c, &row, 1) != 1) break;
        *rows = *rows + 1;
    }
    jpeg_finish_decompress(&c);
    jpeg_destroy_decompress(&c);
    return err.warnings || *rows < h ? FILE_QUIET : FILE_SUCCES;
}

int DicomJpegFrame(const uint8_t *data, size_t len, const DICOMLAYOUT *lay, DICOMSAMPLES *s, int f,
                   uint8_t *out) {
    if (Jpg12Precision(data, len) == 12) return DicomJpeg12Frame(data, len, lay, s, f, out);
    volatile long rows = 0;
    const size_t pixels = size_t(lay->pixels);
    if (lay->samples == 3) {
        int rc = DicomJpegRun(data, len, lay->w, lay->h, 3, lay->pi == DICOM_PI_RGB, out, &rows);
        return rc;
    }
    std::vector<uint8_t> grey;
    try {
        grey.resize(pixels);
    } catch (const std::bad_alloc &) {
        return WIN_ERROR_MEMORY;
    }
    int rc = DicomJpegRun(data, len, lay->w, lay->h, 1, 0, grey.data(), &rows);
    if (rc < 0) return rc;
    const long n = std::min<long>(rows * lay->w, lay->pixels);
    const uint32_t mask = (1u << std::min(s->bits, 8)) - 1;
    if (!s->s16.empty()) {
        uint16_t *o = s->s16.data() + size_t(f) * pixels;
        for (long i = 0; i < n; i++)
            o[i] = uint16_t(grey[size_t(i)] & mask);
    } else {
        uint32_t *o = s->s32.data() + size_t(f) * pixels;
        for (long i = 0; i < n; i++)
            o[i] = grey[size_t(i)] & mask;
    }
    s->valid[size_t(f)] = n;
    return rc;
}

/* ---- what a file may cost ---- */

DICOMFRAMETUNE dicom_frame_tune;

static const char *DicomPathName(const FILEREQ *req) {
    return req && req->path ? req->path : "DICOM";
}

// What the frames of one image share; a frame writes only its own part of the stores.
struct DICOMFRAMEJOB {
    const uint8_t *buf;
    long len;
    long off;
    int syntax;
    DICOMLAYOUT lay;
    DICOMLAYOUT rle; // RLE frames decode into the interleaved layout whatever the header says
    std::vector<DICOMFRAG> frags, spans;
    DICOMSAMPLES *s;              // one-sample images
    uint8_t *rgb;                 // colour images
    int codec_threads;            // a lone large JPEG 2000 frame: OpenJPEG's own threads
    int from, to;                 // the frames decoded this round; the store begins at s->first
    bool stopped;                 // an earlier round took the CPU budget: the rest stay black
    const FILEINFO *fi = nullptr; // whose bytes a mapped read lets go as frames are read
};

// The library has copied a lone fragment's bytes up to `to`: a mapped file lets them go.
static void DicomJ2kDrop(void *ctx, const uint8_t *from, const uint8_t *to) {
    const auto *job = static_cast<const DICOMFRAMEJOB *>(ctx);
    DicomFileDrop(job->fi, from - job->buf, to - job->buf);
}

// One thread's scratch: a frame's fragments joined, an RLE frame's native bytes.
struct DICOMFRAMESCRATCH {
    std::vector<uint8_t> joined;
    std::vector<uint8_t> native;
};

struct DICOMFRAMEDONE {
    int rc = 0;       // the decoder's result; negative: missing or undecodable
    long held = 0;    // native frames: bytes the file holds
    int sign = -1;    // JPEG 2000: the codestream's signedness
    long cpu_ms = 0;  // the decoder's CPU time
    std::string warn; // the decoder's diagnostic lines
};

static int DicomFrameRun(const DICOMFRAMEJOB *job, int f, DICOMFRAMESCRATCH *sc, long *held,
                         int *sign) {
    const DICOMLAYOUT &lay = job->lay;
    const bool one = lay.samples == 1;
    uint8_t *out = job->rgb ? job->rgb + size_t(f) * size_t(lay.pixels) * 3 : nullptr;
    const int sf = one ? f - job->s->first : f; // frame f's index in the store
    if (job->syntax == DICOM_TS_NATIVE && lay.packed) {
        // Held counts pixels here: frames share bytes.
        *held = DicomFrameBits(job->buf + job->off, job->len - job->off, &lay, job->s, f);
        return FILE_SUCCES;
    }
    if (job->syntax == DICOM_TS_NATIVE) {
        long from = job->off + long(f) * lay.framebytes;
        long avail = from < job->len ? std::min<long>(job->len - from, lay.framebytes) : 0;
        *held = avail;
        if (avail > 0 && one)
            DicomFrameSamples(job->buf + from, avail, &lay, job->s, sf);
        else if (avail > 0)
            GetImageDataRGB(job->buf + from, avail, &lay, out);
        return FILE_SUCCES;
    }
    const DICOMFRAG span = job->spans[size_t(f)];
    if (span.length == 0) return FILE_ERROR_DATA;
    const DICOMFRAG &first = job->frags[size_t(span.offset)];
    const uint8_t *data = job->buf + first.offset;
    size_t n = size_t(first.length);
    if (span.length > 1) {
        sc->joined.clear();
        try {
            for (long k = span.offset; k < span.offset + span.length; k++) {
                const DICOMFRAG &fr = job->frags[size_t(k)];
                sc->joined.insert(sc->joined.end(), job->buf + fr.offset,
                                  job->buf + fr.offset + fr.length);
            }
        } catch (const std::bad_alloc &) {
            return WIN_ERROR_MEMORY;
        }
        data = sc->joined.data();
        n = sc->joined.size();
    }
    if (job->syntax == DICOM_TS_LOSSLESS) return decompFrameDicom(data, n, &lay, job->s, sf, out);
    if (job->syntax == DICOM_TS_JPEG) return DicomJpegFrame(data, n, &lay, job->s, sf, out);
    if (job->syntax == DICOM_TS_JPEGLS) return DicomJlsFrame(data, n, &lay, job->s, sf, out);
    if (job->syntax == DICOM_TS_J2K)
        return DicomJ2kFrame(data, n, &lay, job->s, sf, out, sign, job->codec_threads,
                             job->fi && span.length == 1 ? DicomJ2kDrop : nullptr,
                             const_cast<DICOMFRAMEJOB *>(job));
    uint8_t *native = sc->native.data();
    int rc = DicomRleFrame(data, n, &job->rle, native);
    if (rc >= 0) {
        if (one)
            DicomFrameSamples(native, job->rle.framebytes, &job->rle, job->s, sf);
        else
            GetImageDataRGB(native, job->rle.framebytes, &job->rle, out);
    }
    return rc;
}

// Samples of frame f that its decoding did not write read as 0.
static void DicomFrameClearRest(DICOMSAMPLES *s, int f) {
    const size_t pixels = size_t(s->w) * size_t(s->h);
    const size_t from = size_t(std::clamp<long>(s->valid[size_t(f)], 0, long(pixels)));
    const size_t at = size_t(f) * pixels + from;
    if (!s->s16.empty())
        memset(s->s16.data() + at, 0, (pixels - from) * sizeof(uint16_t));
    else if (!s->s32.empty())
        memset(s->s32.data() + at, 0, (pixels - from) * sizeof(uint32_t));
}

// What the codec library itself allocates to decode one frame, bytes a sample: OpenJPEG keeps the
// tile's and the image's 32-bit samples, the 12-bit IJG build its 16-bit samples and
// coefficients.
static long DicomDecoderBytes(int syntax, const DICOMLAYOUT &lay) {
    const long per = syntax == DICOM_TS_J2K ? 8 : syntax == DICOM_TS_JPEG && lay.bits > 8 ? 4 : 0;
    return per * lay.pixels * lay.samples;
}

static int DicomFrameThreads(int syntax, const DICOMLAYOUT &lay) {
    const DICOMFRAMETUNE &tune = dicom_frame_tune;
    if (double(lay.pixels) * lay.samples * lay.frames < double(tune.min_samples)) return 1;
    int n = tune.threads > 0 ? tune.threads : int(std::thread::hardware_concurrency());
    // Frames decoded at once share the decoder budget.
    const long dec = DicomDecoderBytes(syntax, lay);
    if (dec > 0) n = int(std::min<long>(n, IO_BUDGET_DECODER / dec));
    return std::max(1, std::min({n, int(DICOM_FRAME_THREADS), lay.frames}));
}

static long DicomThreadCpuMs() {
    timespec ts;
    if (clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts) != 0) return 0;
    return long(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

// The job's frames from `from` to `to`, on as many threads as the tuning allows; the calling
// thread decodes too and alone reports progress, from the count of frames done.
static int DicomFramesDecode(FILEREQ *req, const DICOMFRAMEJOB *job, int top,
                             std::vector<DICOMFRAMEDONE> *done) {
    const int frames = job->to - job->from;
    int threads = std::min(DicomFrameThreads(job->syntax, job->lay), std::max(frames, 1));
    std::vector<DICOMFRAMESCRATCH> scratch;
    try {
        done->resize(size_t(job->lay.frames));
        scratch.resize(size_t(threads));
        if (job->syntax == DICOM_TS_RLE) scratch[0].native.resize(size_t(job->lay.framebytes));
    } catch (const std::bad_alloc &) {
        return WIN_ERROR_MEMORY;
    }
    if (frames < 1) return FILE_SUCCES;
    for (int t = 1; t < threads; t++) {
        try {
            if (job->syntax == DICOM_TS_RLE)
                scratch[size_t(t)].native.resize(size_t(job->lay.framebytes));
        } catch (const std::bad_alloc &) {
            threads = t;
            break;
        }
    }
    std::atomic<int> next{job->from}, finished{0};
    std::atomic<bool> stop{job->stopped};
    int last = 0;
    auto work = [&](DICOMFRAMESCRATCH *sc, bool reporter) {
        for (int f; (f = next.fetch_add(1)) < job->to;) {
            DICOMFRAMEDONE &d = (*done)[size_t(f)];
            if (stop.load()) {
                d.rc = FILE_ERROR_DATA;
            } else {
                LjpegWarnTo(&d.warn);
                const long t0 = DicomThreadCpuMs();
                d.rc = DicomFrameRun(job, f, sc, &d.held, &d.sign);
                d.cpu_ms = DicomThreadCpuMs() - t0;
                LjpegWarnTo(nullptr);
                // The codec libraries cannot be stopped inside a frame: once a frame has taken
                // the budget, the frames still waiting are not started.
                if (d.cpu_ms > dicom_frame_tune.frame_cpu_ms) stop.store(true);
            }
            if (!job->rgb) DicomFrameClearRest(job->s, f - job->s->first);
            int k = finished.fetch_add(1) + 1;
            if (reporter) DicomProgress(req, int(long(k) * top / frames), &last);
        }
    };
    std::vector<std::thread> pool;
    for (int t = 1; t < threads; t++) {
        try {
            pool.emplace_back(work, &scratch[size_t(t)], false);
        } catch (const std::exception &) { // no more threads to be had
            break;
        }
    }
    work(&scratch[0], true);
    for (std::thread &t : pool)
        t.join();
    DicomProgress(req, top, &last);
    return FILE_SUCCES;
}

// A JPEG 2000 codestream that says its samples are signed (or not) against Pixel Representation
// is followed, as other toolkits do; the status line says so.
static void DicomJ2kSignNote(FILEREQ *req, const char *name,
                             const std::vector<DICOMFRAMEDONE> &done, DICOMSAMPLES *s) {
    int sign = -1;
    for (const DICOMFRAMEDONE &d : done)
        if (d.sign >= 0) {
            sign = d.sign;
            break;
        }
    if (sign < 0 || sign == s->sign) return;
    char text[200];
    snprintf(
        text, sizeof text, "JPEG 2000 samples are %s, Pixel Representation says %s: read as %s",
        sign ? "signed" : "unsigned", sign ? "unsigned" : "signed", sign ? "signed" : "unsigned");
    fprintf(stderr, "dravik: %s: %s\n", name, text);
    if (req && req->statusmsg) req->statusmsg(req->ctx, text);
    s->sign = sign;
}

enum { DICOM_CUT_SHARE = 8 }; // a cut file must hold an eighth of the pixel data it claims

// Native data: the claim must fit in the pixel data element, and a cut file must still hold a
// share of it, so that a small file never gets a large image.
static int DicomNativeBudget(const uint8_t *buf, long len, long off, const DICOMLAYOUT *lay,
                             const char *name) {
    const long claim = DicomNativeBytes(lay);
    const uint32_t declared = off >= 8 && off <= len ? Le32(buf + off - 4) : 0xFFFFFFFFu;
    const long held = std::max(0L, len - off);
    if (declared != 0xFFFFFFFFu && claim > long(declared)) {
        fprintf(stderr,
                "dravik: %s: the header claims %ld bytes of pixel data, the element holds %u\n",
                name, claim, declared);
        return FILE_ERROR_DATA;
    }
    if (claim > DICOM_CUT_SHARE * held) {
        fprintf(stderr,
                "dravik: %s: %ld of the %ld bytes of pixel data are there, less than the eighth "
                "a cut file must hold\n",
                name, held, claim);
        return FILE_ERROR_DATA;
    }
    return FILE_SUCCES;
}

// Decoded samples must be reachable from the coded bytes: a lossless sample takes a bit, a
// PackBits pair repeats a byte 128 times, a JPEG block of 64 pixels takes two bits at least (the
// JPEG reader's rule of 1024 pixels a byte is kept, with room to spare).
struct DICOMCODING {
    const char *name, *rule;
};
static long DicomCodedLimit(int syntax, const DICOMLAYOUT *lay, long bytes, DICOMCODING *c) {
    if (syntax == DICOM_TS_LOSSLESS) {
        *c = {"lossless JPEG", "8 samples a byte"};
        return 8 * bytes;
    }
    if (syntax == DICOM_TS_RLE) {
        *c = {"RLE", "64 sample bytes a byte"};
        return 64 * bytes / lay->bytes;
    }
    if (syntax == DICOM_TS_JPEGLS) {
        // Run mode codes up to 2^15 samples with one bit.
        *c = {"JPEG-LS", "262144 samples a byte"};
        return 262144L * bytes;
    }
    if (syntax == DICOM_TS_J2K) {
        // An empty packet stands for a whole precinct: only the size header and the image
        // budget bound a JPEG 2000 frame.
        *c = {"JPEG 2000", "no rule"};
        return LONG_MAX;
    }
    *c = {"JPEG", "1024 pixels a byte"};
    return 1024L * lay->samples * bytes;
}

// Encapsulated data: no more frames than fragments (the header may claim any number), decoded
// sizes the coding can reach from the bytes present, and the image within the memory budget.
static int DicomCodedBudget(const std::vector<DICOMFRAG> &frags, size_t located, int syntax,
                            DICOMLAYOUT *lay, bool raw, const char *name) {
    if (located < size_t(lay->frames))
        fprintf(stderr, "dravik: %s: the header claims %i frames, the pixel data holds %zu\n", name,
                lay->frames, located);
    if (located == 0) return FILE_ERROR_DATA;
    lay->frames = int(located);
    long bytes = 0;
    for (const DICOMFRAG &f : frags)
        bytes += f.length;
    const long samples = lay->pixels * lay->samples * lay->frames;
    DICOMCODING c;
    if (samples > DicomCodedLimit(syntax, lay, bytes, &c)) {
        fprintf(stderr,
                "dravik: %s: %ix%i x %i frames cannot come from %ld bytes of %s (at most %s)\n",
                name, lay->w, lay->h, lay->frames, bytes, c.name, c.rule);
        return FILE_ERROR_DATA;
    }
    // One-sample images keep their stored values beside the 8-bit (or palette RGB) result.
    const long store = lay->samples == 1 ? (lay->bits <= 16 ? 2 : 4) : 0;
    const long out = raw ? 0 : 3;
    if (long(lay->pixels) * lay->frames * (store + out) + lay->framebytes > IO_BUDGET_IMAGE) {
        fprintf(stderr, "dravik: %s: %ix%i x %i frames exceed the %ld MiB image budget\n", name,
                lay->w, lay->h, lay->frames, IO_BUDGET_IMAGE >> 20);
        return FILE_ERROR_DATA;
    }
    if (DicomDecoderBytes(syntax, *lay) > IO_BUDGET_DECODER) {
        fprintf(stderr,
                "dravik: %s: decoding a %s frame of %ix%i needs %ld MiB, more than the "
                "%ld MiB decoder budget\n",
                name, c.name, lay->w, lay->h, DicomDecoderBytes(syntax, *lay) >> 20,
                IO_BUDGET_DECODER >> 20);
        return FILE_ERROR_DATA;
    }
    return FILE_SUCCES;
}

/* ---- the frame path ---- */

int DicomPixelProbe(FILEREQ *req, FILEINFO *fi, DICOMDESC *desc, int syntax) {
    if (!fi || !desc) return WIN_ERROR_ARG;
    int len;
    const uint8_t *buf = DicomFileBytes(fi, &len);
    if (!buf) return FILE_ERROR_DATA;
    const char *name = DicomPathName(req);
    DICOMLAYOUT lay;
    int rc = DicomLayoutSetup(desc, name, &lay);
    if (rc != FILE_SUCCES) return rc;
    if (lay.packed && syntax != DICOM_TS_NATIVE) {
        fprintf(stderr, "dravik: %s: 1 bit allocated is read in native pixel data only\n", name);
        return FILE_ERROR_FORMAT;
    }
    if (syntax == DICOM_TS_JPEG && lay.bits > 12) {
        fprintf(stderr, "dravik: %s: lossy JPEG with %i bits stored is not supported\n", name,
                lay.bits);
        return FILE_ERROR_FORMAT;
    }
    const long off = desc->dataoffset;
    bool cut;
    if (syntax == DICOM_TS_NATIVE) {
        rc = DicomNativeBudget(buf, len, off, &lay, name);
        cut = DicomNativeBytes(&lay) > len - off;
    } else {
        std::vector<uint32_t> bot;
        std::vector<DICOMFRAG> frags, spans;
        try {
            DicomItemsRead(buf, len, off, &bot, &frags);
            DicomFramesLocate(buf, bot, frags, lay.frames, syntax != DICOM_TS_RLE, &spans);
        } catch (const std::bad_alloc &) {
            return WIN_ERROR_MEMORY;
        }
        rc = DicomCodedBudget(frags, spans.size(), syntax, &lay, false, name);
        cut = false;
        for (const DICOMFRAG &f : spans)
            cut = cut || f.length == 0;
    }
    if (rc != FILE_SUCCES) return rc;
    // What the read would make of it, without decoding a pixel.
    fi->frames = lay.frames;
    if (lay.samples == 3) {
        fi->bit = 24;
        fi->maptyp = MAPTYP_RGB;
    } else if (lay.pi == DICOM_PI_PALETTE) {
        long n = DicomPaletteEntries(buf, len);
        bool wide = n > 256 || (cut && n == 256);
        fi->bit = wide ? 24 : 8;
        fi->maptyp = wide ? MAPTYP_RGB : MAPTYP_PALETTE;
    } else {
        fi->bit = 8;
        fi->maptyp = MAPTYP_GREY;
    }
    return FILE_SUCCES;
}

// A frame handed on is not read again: its bytes may leave memory (a mapped file only).
static void DicomFrameDrop(const FILEINFO *fi, const DICOMFRAMEJOB &job, int f) {
    if (job.syntax == DICOM_TS_NATIVE) {
        const long at = job.off + long(f) * job.lay.framebytes;
        DicomFileDrop(fi, at, at + job.lay.framebytes);
        return;
    }
    if (size_t(f) >= job.spans.size()) return;
    const DICOMFRAG &span = job.spans[size_t(f)];
    for (long k = span.offset; k < span.offset + span.length && k < long(job.frags.size()); k++)
        DicomFileDrop(fi, job.frags[size_t(k)].offset,
                      job.frags[size_t(k)].offset + job.frags[size_t(k)].length);
}

int _IoReadDicomTransferUid(FILEREQ *req, FILEINFO *fi, DICOMDESC *desc, int syntax,
                            DICOMSAMPLES *raw) {
    if (!fi || !desc) return WIN_ERROR_ARG;
    int len;
    const uint8_t *buf = DicomFileBytes(fi, &len);
    if (!buf) return FILE_ERROR_DATA;
    const char *name = DicomPathName(req);
    DICOMFRAMEJOB job;
    DICOMLAYOUT &lay = job.lay;
    int rc = DicomLayoutSetup(desc, name, &lay);
    if (rc != FILE_SUCCES) return rc;
    if (lay.packed && syntax != DICOM_TS_NATIVE) {
        fprintf(stderr, "dravik: %s: 1 bit allocated is read in native pixel data only\n", name);
        return FILE_ERROR_FORMAT;
    }
    if (syntax == DICOM_TS_JPEG && lay.bits > 12) {
        fprintf(stderr, "dravik: %s: lossy JPEG with %i bits stored is not supported\n", name,
                lay.bits);
        return FILE_ERROR_FORMAT;
    }
    const bool one = lay.samples == 1;
    if (raw && (!one || lay.pi == DICOM_PI_PALETTE)) return FILE_ERROR_FORMAT;

    const long off = desc->dataoffset;
    std::vector<uint32_t> bot;
    DICOMSAMPLES local;
    DICOMSAMPLES *s = raw ? raw : &local;
    uint8_t *rgb = nullptr;
    const char *tag = req && req->path ? req->path : dcm4_tag;
    try {
        if (syntax != DICOM_TS_NATIVE) {
            DicomItemsRead(buf, len, off, &bot, &job.frags);
            DicomFramesLocate(buf, bot, job.frags, lay.frames, syntax != DICOM_TS_RLE, &job.spans);
        }
        rc = syntax == DICOM_TS_NATIVE ? DicomNativeBudget(buf, len, off, &lay, name)
                                       : DicomCodedBudget(job.frags, job.spans.size(), syntax, &lay,
                                                          raw != nullptr, name);
    } catch (const std::bad_alloc &) {
        return WIN_ERROR_MEMORY;
    }
    if (rc != FILE_SUCCES) return rc;
    // Finding the fragments touched the pixel data here and there; frames come in as decoded.
    if (req && req->mapped) DicomFileDrop(fi, off, len);
    fi->frames = lay.frames;
    const std::vector<DICOMFRAG> &frags = job.frags;
    if (syntax == DICOM_TS_NATIVE)
        desc->dataend = int(std::min<long>(len, off + DicomNativeBytes(&lay)));
    else
        desc->dataend = frags.empty() ? int(off) : int(frags.back().offset + frags.back().length);
    // A raw read may want one frame, or all of them handed on a few at a time; 1 bit allocated
    // frames share bytes and are always decoded together.
    int from = 0, to = lay.frames, step = lay.frames;
    if (raw && one && !lay.packed && raw->only >= 0) {
        if (raw->only >= lay.frames) {
            s->total = lay.frames;
            s->frames = 0;
            return FILE_SUCCES;
        }
        from = raw->only;
        to = from + 1;
        step = 1;
    } else if (raw && one && !lay.packed && raw->sink) {
        // Rounds of a few frames a thread: fewer waits for the slowest frame and for the writer.
        step = syntax == DICOM_TS_J2K
                   ? 1
                   : std::min(lay.frames, std::max(dicom_frame_tune.round_frames, 1) *
                                              DicomFrameThreads(syntax, lay));
    }
    if (one) {
        if (DicomSamplesCreate(&lay, s, from, step) != FILE_SUCCES) return WIN_ERROR_MEMORY;
    } else {
        long size = FileBufferSize(lay.w, lay.h, 3, lay.frames);
        if (size < 0) return FILE_ERROR_DATA;
        rgb = static_cast<uint8_t *>(MemCreate(size, tag));
        if (!rgb) return WIN_ERROR_MEMORY;
        memset(rgb, 0, size_t(size));
    }
    job.buf = buf;
    job.len = len;
    job.off = off;
    job.syntax = syntax;
    job.rle = lay;
    job.rle.planar = 0;
    job.s = s;
    job.rgb = rgb;
    if (req && req->mapped) job.fi = fi;
    // Frames decode side by side; a single large frame lets OpenJPEG use the cores instead.
    job.codec_threads = 1;
    if (syntax == DICOM_TS_J2K && step == 1 && !(req && req->onethread) &&
        lay.pixels * lay.samples >= dicom_frame_tune.min_samples) {
        const int n = dicom_frame_tune.threads > 0 ? dicom_frame_tune.threads
                                                   : int(std::thread::hardware_concurrency());
        const long dec = DicomDecoderBytes(syntax, lay);
        job.codec_threads = int(std::clamp<long>(
            std::min<long>(n, dec > 0 ? IO_BUDGET_DECODER / dec : n), 1, DICOM_FRAME_THREADS));
    }

    // Decoding takes most of the time; grey and palette images finish with their windowing.
    const int top = one && !raw ? DICOM_PROGRESS_DECODED : 100;
    std::vector<DICOMFRAMEDONE> done;
    job.stopped = false;
    int sign = s->sign;
    for (int at = from; at < to; at += step) {
        job.from = at;
        job.to = std::min(to, at + step);
        if (at > from) {
            if (DicomSamplesCreate(&lay, s, at, job.to - at) != FILE_SUCCES)
                return WIN_ERROR_MEMORY;
            s->sign = sign;
        }
        if (DicomFramesDecode(req, &job, top, &done) != FILE_SUCCES) {
            if (rgb) MemFree(rgb, tag);
            return WIN_ERROR_MEMORY;
        }
        for (int f = job.from; f < job.to; f++)
            job.stopped = job.stopped || done[size_t(f)].cpu_ms > dicom_frame_tune.frame_cpu_ms;
        if (syntax == DICOM_TS_J2K && one) DicomJ2kSignNote(req, name, done, s);
        if (at == from) sign = s->sign;
        for (int f = job.from; raw && raw->sink && f < job.to; f++) {
            if (int r = raw->sink(raw->sinkctx, s, f)) return r;
            DicomFrameDrop(fi, job, f);
        }
        // A lone frame handed on: the next one's store is made afresh, untouched while the
        // codec's own memory peaks.
        if (raw && raw->sink && step == 1 && job.to < to) {
            s->s16 = decltype(s->s16)();
            s->s32 = decltype(s->s32)();
        }
    }
    int missing = 0, damaged = 0;
    long held = 0;
    for (const DICOMFRAMEDONE &d : done) {
        fputs(d.warn.c_str(), stderr);
        held += d.held;
        if (syntax == DICOM_TS_NATIVE) continue;
        if (d.rc < 0)
            missing++;
        else if (d.rc == FILE_QUIET)
            damaged++;
    }
    const long whole = lay.packed                ? lay.pixels * lay.frames
                       : to - from == lay.frames ? DicomNativeBytes(&lay)
                                                 : long(to - from) * lay.framebytes;
    if (syntax == DICOM_TS_NATIVE && held < whole)
        snprintf(req->note, sizeof req->note,
                 "pixel data ends after %ld of %ld %s; the rest is black", held, whole,
                 lay.packed ? "pixels" : "bytes");
    if (missing || damaged)
        snprintf(req->note, sizeof req->note,
                 "%i of %i frames missing or undecodable (black), %i damaged", missing, lay.frames,
                 damaged);
    // The note goes to stderr and, through the request, to the view's status line.
    if (req->note[0]) fprintf(stderr, "dravik: %s: %s\n", name, req->note);
    for (int f = 0; f < lay.frames; f++)
        if (done[size_t(f)].cpu_ms > dicom_frame_tune.frame_cpu_ms && f + 1 < lay.frames) {
            fprintf(stderr,
                    "dravik: %s: frame %i took %ld ms of CPU, more than the %ld ms budget; "
                    "the frames not yet started stay black\n",
                    name, f, done[size_t(f)].cpu_ms, dicom_frame_tune.frame_cpu_ms);
            break;
        }

    if (raw) return FILE_SUCCES;
    if (!one) {
        fi->fbuf = rgb;
        fi->bit = 24;
        fi->maptyp = MAPTYP_RGB;
        return FILE_SUCCES;
    }
    if (lay.pi == DICOM_PI_PALETTE) {
        fi->fbuf = GetImageDataPalette(req, fi, buf, len, s);
    } else {
        // The stored values stay with the picture so that its window can change later.
        DICOMVOI *voi = nullptr;
        rc = DicomVoiCreate(req, fi, desc, lay.pi, s, &voi);
        if (rc != FILE_SUCCES) return rc;
        DicomVoiOpenWindow(voi, req ? req->dicom_window : 0, req);
        long size = FileBufferSize(lay.w, lay.h, 1, lay.frames);
        fi->fbuf = size > 0 ? static_cast<uint8_t *>(MemCreate(size, tag)) : nullptr;
        if (fi->fbuf) DicomVoiRenderAll(voi, fi->fbuf, req);
        if (fi->fbuf && req && !req->preview) {
            fi->voi = voi;
            fi->release = DicomDataRelease;
        } else
            DicomVoiRelease(voi);
        fi->bit = 8;
        fi->maptyp = MAPTYP_GREY;
    }
    if (!fi->fbuf) return WIN_ERROR_MEMORY;
    return FILE_SUCCES;
}
