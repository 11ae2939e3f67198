// The pixel stage end to end against dcmtk: every vector of tests/data/pixel/ (made by
// make-dicom-pixel.sh) next to dcmtk's own decoding of it (NAME.raw, NAME.info).
#include <gtest/gtest.h>

#include "dicom/dicom_test_util.h"
#include "dicom/io_dcm4.h"
#include "toolkit/xwin.h"
#include "image/test_hooks.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <map>
#include <string>

using namespace dcmtest;

namespace {

// dcmtk's decoded samples and the header facts it reports.
struct Oracle {
    std::map<std::string, std::string> info;
    std::vector<uint8_t> raw;
    int w = 0, h = 0, frames = 1, ba = 0, bs = 0, hb = 0, rep = 0, spp = 1;
    double slope = 1, intercept = 0;
    std::string pi;

    explicit Oracle(const std::string &name) {
        std::ifstream in(DataPath("pixel/" + name + ".info"));
        std::string line;
        while (std::getline(in, line)) {
            size_t eq = line.find('=');
            if (eq != std::string::npos) info[line.substr(0, eq)] = line.substr(eq + 1);
        }
        raw = ReadFileBytes(DataPath("pixel/" + name + ".raw"));
        w = Int("columns"), h = Int("rows"), ba = Int("bits_allocated");
        bs = Int("bits_stored"), hb = Int("high_bit"), rep = Int("pixel_representation");
        spp = Int("samples", 1), frames = Int("frames", 1);
        slope = info.count("slope") ? std::stod(info["slope"]) : 1;
        intercept = info.count("intercept") ? std::stod(info["intercept"]) : 0;
        pi = info["photometric"];
    }
    int Int(const char *key, int fallback = 0) {
        return info.count(key) ? std::stoi(info[key]) : fallback;
    }
    long Samples() const { return long(w) * h * spp * frames; }
    // Stored bit pattern of sample i: (word >> (High Bit - Bits Stored + 1)) masked.
    uint32_t Pattern(long i) const {
        int bytes = ba / 8;
        uint32_t word = 0;
        for (int k = bytes - 1; k >= 0; k--)
            word = word << 8 | raw[size_t(i * bytes + k)];
        return (word >> (hb - bs + 1)) & uint32_t((1ull << bs) - 1);
    }
    long Value(long i) const {
        long p = long(Pattern(i));
        return rep == 1 && p >= (1L << (bs - 1)) ? p - (1L << bs) : p;
    }
};

std::string Path(const std::string &name) {
    return DataPath("pixel/" + name + ".dcm");
}

// Raw read: the stored samples and what the read left in the record.
struct RawRead {
    FILEINFO fi{};
    FILEREQ req{};
    DICOMSAMPLES s;
    int result;
    explicit RawRead(const std::string &path) : name(path) {
        req.path = name.c_str();
        result = IsFileDicom(&req, &fi, 0);
        if (result == 100) result = IoReadDicomRaw(&req, &fi, &s);
    }
    ~RawRead() { DicomDataRelease(&fi); }
    uint32_t At(long i) const { return s.s16.empty() ? s.s32[size_t(i)] : s.s16[size_t(i)]; }

  private:
    std::string name;
};

// The 8-bit display of stored values by the min-max rule, over every frame.
std::vector<int> MinMaxExpected(const Oracle &o) {
    long lo = LONG_MAX, hi = LONG_MIN;
    for (long i = 0; i < o.Samples(); i++)
        lo = std::min(lo, o.Value(i)), hi = std::max(hi, o.Value(i));
    if (hi == 0) hi = o.bs <= 8 ? 255 : o.bs <= 12 ? 4096 : 65025;
    if (hi == lo) lo = 0;
    std::vector<int> out;
    for (long i = 0; i < o.Samples(); i++) {
        long v = std::clamp((o.Value(i) - lo) * 255 / (hi - lo), 0L, 255L);
        out.push_back(int(o.pi == "MONOCHROME1" ? 255 - v : v));
    }
    return out;
}

} // namespace

class DicomGreyVector : public testing::TestWithParam<const char *> {};

TEST_P(DicomGreyVector, RawSamplesAndDisplayMatchDcmtk) {
    const std::string name = GetParam();
    Oracle o(name);
    ASSERT_GT(o.Samples(), 0) << name;
    RawRead raw(Path(name));
    ASSERT_EQ(100, raw.result);
    ASSERT_EQ(o.frames, raw.s.frames);
    ASSERT_EQ(o.bs, raw.s.bits);
    // Lossy JPEG: libjpeg-turbo and dcmtk's IJG code may differ by one in a few samples.
    const bool lossy = name.find("jpeg") != std::string::npos;
    for (long i = 0; i < o.Samples(); i++) {
        if (lossy)
            ASSERT_NEAR(double(o.Pattern(i)), double(raw.At(i)), 1.0) << name << " " << i;
        else
            ASSERT_EQ(o.Pattern(i), raw.At(i)) << name << " " << i;
    }
    EXPECT_EQ(nullptr, raw.fi.fbuf);

    DicomRead shown(Path(name));
    ASSERT_EQ(100, shown.result);
    ASSERT_EQ(8, shown.fi.bit);
    EXPECT_EQ(o.frames, shown.fi.frames);
    std::vector<int> want = MinMaxExpected(o);
    for (long i = 0; i < o.Samples(); i++)
        ASSERT_NEAR(want[size_t(i)], shown.fi.fbuf[i], lossy ? 2 : 0) << name << " " << i;
}

INSTANTIATE_TEST_SUITE_P(Syntaxes, DicomGreyVector,
                         testing::Values("ct-signed", "ct-signed-ll", "ct-signed-rle", "mf-range",
                                         "mf-range-ll", "mf-range-ll-nobot", "mf-range-rle",
                                         "mf-range-sv4pt2", "single-ll-split", "grey-rle",
                                         "grey-jpeg", "grey-jpeg-ext"));

class DicomColourVector : public testing::TestWithParam<const char *> {};

TEST_P(DicomColourVector, TwentyFourBitsMatchDcmtk) {
    const std::string name = GetParam();
    Oracle o(name);
    DicomRead r(Path(name));
    ASSERT_EQ(100, r.result);
    ASSERT_EQ(24, r.fi.bit);
    EXPECT_EQ(MAPTYP_RGB, r.fi.maptyp);
    const long pixels = long(o.w) * o.h;
    for (long i = 0; i < pixels; i++) {
        double want[3];
        if (o.pi == "YBR_FULL_422") {
            // Y1 Y2 Cb Cr per pixel pair; full-range YCbCr to RGB.
            long pair = i / 2, y = long(o.Pattern(4 * pair + i % 2));
            double cb = double(o.Pattern(4 * pair + 2)) - 128,
                   cr = double(o.Pattern(4 * pair + 3)) - 128;
            want[0] = y + 1.402 * cr;
            want[1] = y - 0.344136 * cb - 0.714136 * cr;
            want[2] = y + 1.772 * cb;
        } else {
            for (int c = 0; c < 3; c++)
                want[c] = double(o.Pattern(3 * i + c) >> std::max(o.bs - 8, 0));
        }
        // Baseline colour goes through chroma subsampling and each library's upsampling.
        double tolerance = name == "rgb-jpeg" ? 2 : 0;
        for (int c = 0; c < 3; c++)
            ASSERT_NEAR(std::clamp(std::round(want[c]), 0.0, 255.0), r.fi.fbuf[3 * i + c],
                        tolerance)
                << name << " pixel " << i << " channel " << c;
    }
}

INSTANTIATE_TEST_SUITE_P(Syntaxes, DicomColourVector,
                         testing::Values("rgb", "rgb-planar", "rgb16", "rgb-ll", "rgb-rle",
                                         "rgb16-rle", "rgb-jpeg", "ybr422"));

// Lossy colour streams whose Photometric Interpretation contradicts them (made by
// make-dicom-jpegcolour.sh): the stream's markers, component ids and subsampling decide, as they
// do for djpeg decoding the stream alone; the one stream without any follows the header.
TEST(DicomJpegColour, TheStreamsOwnEvidenceOutranksThePhotometricInterpretation) {
    for (const char *name : {"ycc420-pi-rgb", "ycc444-adobe-pi-rgb", "ycc444-jfif-pi-rgb",
                             "rgb-ids-pi-ybr", "rgb-noids-pi-rgb"}) {
        SCOPED_TRACE(name);
        const std::string base = DataPath(std::string("jpegcolour/") + name);
        std::vector<uint8_t> ref = ReadFileBytes(base + ".ref.ppm");
        const std::string head = "P6\n48 32\n255\n";
        ASSERT_EQ(head.size() + 48 * 32 * 3, ref.size());
        ASSERT_EQ(head, std::string(ref.begin(), ref.begin() + long(head.size())));
        DicomRead r(base + ".dcm");
        ASSERT_EQ(100, r.result);
        ASSERT_EQ(24, r.fi.bit);
        EXPECT_EQ(std::vector<uint8_t>(ref.begin() + long(head.size()), ref.end()),
                  std::vector<uint8_t>(r.fi.fbuf, r.fi.fbuf + 48 * 32 * 3));
        const uint8_t *red = r.fi.fbuf + 3 * (4 * 48 + 4); // inside the red bar
        EXPECT_GT(red[0], 240);
        EXPECT_LT(red[1], 15);
    }
}

TEST(DicomPalette, EightBitIndicesCountFromTheFirstMappedValue) {
    for (const char *name : {"pal8", "pal8-ll"}) {
        Oracle o(name);
        DicomRead r(Path(name));
        ASSERT_EQ(100, r.result) << name;
        ASSERT_EQ(8, r.fi.bit);
        EXPECT_EQ(MAPTYP_PALETTE, r.fi.maptyp);
        EXPECT_EQ(64, r.fi.mapentry); // descriptor 64\10\8
        for (long i = 0; i < long(o.w) * o.h; i++)
            ASSERT_EQ(std::clamp<long>(o.Value(i) - 10, 0, 63), r.fi.fbuf[i]) << name << i;
        // 8-bit entries widened to the full 16-bit range.
        for (int k = 0; k < 64; k++) {
            ASSERT_EQ(k * 4 * 257, r.fi.rmap[k]) << k;
            ASSERT_EQ((255 - k * 4) * 257, r.fi.gmap[k]) << k;
            ASSERT_EQ((k * 37) % 256 * 257, r.fi.bmap[k]) << k;
        }
    }
}

TEST(DicomPalette, LargeTablesGiveTwentyFourBits) {
    Oracle o("pal16");
    DicomRead r(Path("pal16"));
    ASSERT_EQ(100, r.result);
    ASSERT_EQ(24, r.fi.bit);
    EXPECT_EQ(MAPTYP_RGB, r.fi.maptyp);
    EXPECT_EQ(nullptr, r.fi.rmap);
    for (long i = 0; i < long(o.w) * o.h; i++) {
        long k = std::clamp<long>(o.Value(i) - 100, 0, 1023); // descriptor 1024\100\16
        ASSERT_EQ(k * 64 >> 8, r.fi.fbuf[3 * i]) << i;
        ASSERT_EQ((65535 - k * 64) >> 8, r.fi.fbuf[3 * i + 1]) << i;
        ASSERT_EQ((k * 997) % 65536 >> 8, r.fi.fbuf[3 * i + 2]) << i;
    }
}

TEST(DicomWindow, LaterFramesNeverWrap) {
    // Each frame's range is larger than the one before: the display keeps the order of values.
    for (const char *name : {"mf-range", "mf-range-ll"}) {
        Oracle o(name);
        DicomRead r(Path(name));
        ASSERT_EQ(100, r.result);
        std::vector<std::pair<long, int>> seen;
        for (long i = 0; i < o.Samples(); i++)
            seen.push_back({o.Value(i), r.fi.fbuf[i]});
        std::sort(seen.begin(), seen.end());
        for (size_t k = 1; k < seen.size(); k++)
            ASSERT_LE(seen[k - 1].second, seen[k].second) << name << " value " << seen[k].first;
        EXPECT_EQ(255, seen.back().second);
        EXPECT_EQ(0, seen.front().second);
    }
}

TEST(DicomWindow, HounsfieldNeedsARescaleAndAWindow) {
    // An identity rescale (slope 1, intercept 0) and an empty window leave the min-max rule.
    std::vector<uint8_t> plain;
    {
        DicomRead r(DataPath("explicit-mono1-16.dcm"));
        ASSERT_EQ(100, r.result);
        plain.assign(r.fi.fbuf, r.fi.fbuf + 256);
    }
    {
        HounsfieldScope hs(1, -1000, 1000);
        DicomRead r(DataPath("explicit-mono1-16.dcm"));
        ASSERT_EQ(100, r.result);
        EXPECT_EQ(plain, std::vector<uint8_t>(r.fi.fbuf, r.fi.fbuf + 256));
    }
    Oracle o("ct-signed");
    std::vector<int> want = MinMaxExpected(o);
    HounsfieldScope hs(1, 500, 500);
    DicomRead r(Path("ct-signed"));
    ASSERT_EQ(100, r.result);
    for (long i = 0; i < long(o.w) * o.h; i++)
        ASSERT_EQ(want[size_t(i)], r.fi.fbuf[i]);
}

TEST(DicomTruncated, NativeFramesShowWhatIsThereAndBlackAfter) {
    Oracle o("mf-range");
    testing::internal::CaptureStderr();
    DicomRead r(Path("mf-range-cut"));
    std::string err = testing::internal::GetCapturedStderr();
    ASSERT_EQ(100, r.result);
    ASSERT_EQ(3, r.fi.frames);
    EXPECT_NE(std::string::npos, err.find("the rest is black")) << err;
    EXPECT_EQ(1, std::count(err.begin(), err.end(), '\n')) << err;
    // The cut leaves 7000 bytes = 3500 samples short of three frames.
    const long held = o.Samples() - 3500;
    long lo = LONG_MAX, hi = LONG_MIN;
    for (long i = 0; i < held; i++)
        lo = std::min(lo, o.Value(i)), hi = std::max(hi, o.Value(i));
    for (long i = 0; i < o.Samples(); i++) {
        long want = i < held ? (o.Value(i) - lo) * 255 / (hi - lo) : 0;
        ASSERT_EQ(want, r.fi.fbuf[i]) << i;
    }
}

TEST(DicomTruncated, LosslessSeriesKeepsItsWholeFrames) {
    Oracle o("mf-range-ll");
    testing::internal::CaptureStderr();
    DicomRead r(Path("mf-range-ll-cut"));
    std::string err = testing::internal::GetCapturedStderr();
    ASSERT_EQ(100, r.result);
    EXPECT_NE(std::string::npos, err.find("damaged")) << err;
    // Frames 0 and 1 are whole.
    const long frame = long(o.w) * o.h;
    RawRead raw(Path("mf-range-ll-cut"));
    ASSERT_EQ(100, raw.result);
    for (long i = 0; i < 2 * frame; i++)
        ASSERT_EQ(o.Pattern(i), raw.At(i)) << i;
}

TEST(DicomHostile, CutAndDamagedPixelVectorsNeverReadOutside) {
    testing::internal::CaptureStderr();
    for (const char *name : {"mf-range-ll", "mf-range-ll-nobot", "mf-range-rle", "rgb-jpeg",
                             "grey-jpeg-ext", "pal16", "rgb-planar", "ybr422", "rgb16-rle"})
        ExpectCutAndDamagedReadsEnd(ReadFileBytes(Path(name)), 97, 30, 12, 99);
    testing::internal::GetCapturedStderr();
}

static std::vector<int> progress_seen;

// The progress a full read of `path` reports, in order.
static std::vector<int> ReadProgress(const std::string &path) {
    progress_seen.clear();
    FILEREQ req{};
    FILEINFO fi{};
    IoRequestInit(&req, path.c_str());
    req.progress = [](void *, int percent) { progress_seen.push_back(percent); };
    testing::internal::CaptureStderr();
    EXPECT_EQ(100, IsFileDicom(&req, &fi, 0));
    EXPECT_EQ(100, IoReadDicom(&req, &fi));
    testing::internal::GetCapturedStderr();
    FreeDicomRecord(&fi);
    return progress_seen;
}

namespace {

// Frame decoding on `threads` threads, small images included, for one scope.
struct FrameThreadsScope {
    DICOMFRAMETUNE saved = dicom_frame_tune;
    explicit FrameThreadsScope(int threads) {
        dicom_frame_tune.threads = threads;
        dicom_frame_tune.min_samples = 0;
    }
    ~FrameThreadsScope() { dicom_frame_tune = saved; }
};

// A twelve-frame lossless series made of mf-range-ll's three codestreams: frame 4 has bad codes,
// frame 7 a cut header, frame 9 ends early.
std::vector<uint8_t> DamagedSeries(std::vector<std::vector<uint8_t>> *streams) {
    std::vector<uint8_t> src = ReadFileBytes(Path("mf-range-ll"));
    uint8_t header[8];
    int tag =
        ReadByteGroup(src.data(), int(src.size()), 0x7F, 0xE0, 0x00, 0x10, nullptr, 0, header, 0);
    std::vector<uint32_t> bot;
    std::vector<DICOMFRAG> frags, spans;
    DicomItemsRead(src.data(), long(src.size()),
                   DicomValueSpan(src.data(), int(src.size()), tag, nullptr), &bot, &frags);
    DicomFramesLocate(src.data(), bot, frags, 3, true, &spans);
    std::vector<uint8_t> frame[3];
    for (int f = 0; f < 3; f++)
        for (long k = spans[size_t(f)].offset;
             k < spans[size_t(f)].offset + spans[size_t(f)].length; k++)
            frame[f].insert(frame[f].end(), src.begin() + frags[size_t(k)].offset,
                            src.begin() + frags[size_t(k)].offset + frags[size_t(k)].length);
    DataSet d; // a tag at offset 0 is never found
    d.Implicit(0x0002, 0x0000, std::string("\x1e\0\0\0", 4));
    d.Implicit(0x0002, 0x0010, std::string("1.2.840.10008.1.2.4.70\0\0", 24));
    d.ImplicitUS(0x0028, 0x0002, 1).Implicit(0x0028, 0x0004, "MONOCHROME2 ");
    d.Implicit(0x0028, 0x0008, "12").ImplicitUS(0x0028, 0x0010, 48);
    d.ImplicitUS(0x0028, 0x0011, 64).ImplicitUS(0x0028, 0x0100, 16);
    d.ImplicitUS(0x0028, 0x0101, 16).ImplicitUS(0x0028, 0x0102, 15);
    d.Tag(0x7FE0, 0x0010);
    d.U32(0xFFFFFFFFu);
    d.Tag(0xFFFE, 0xE000);
    d.U32(0);
    for (int f = 0; f < 12; f++) {
        std::vector<uint8_t> s = frame[f % 3];
        if (f == 4) // all one bits: no code of a canonical table
            for (size_t k = s.size() / 3; k < s.size() / 3 + 40; k += 2)
                s[k] = 0xFF, s[k + 1] = 0x00;
        if (f == 9) s.resize(s.size() * 3 / 5);
        if (f == 7) s.resize(10);
        if (s.size() % 2) s.push_back(0);
        streams->push_back(s);
        d.Tag(0xFFFE, 0xE000);
        d.U32(uint32_t(s.size()));
        d.b.insert(d.b.end(), s.begin(), s.end());
    }
    d.Tag(0xFFFE, 0xE0DD);
    d.U32(0);
    return d.b;
}

// What a windowed and a raw read leave, with their stderr.
struct FramesOutcome {
    int result = 0, raw_result = 0;
    std::vector<uint8_t> shown;
    std::vector<uint32_t> raw;
    std::vector<long> valid;
    std::string err;
    bool operator==(const FramesOutcome &o) const {
        return result == o.result && raw_result == o.raw_result && shown == o.shown &&
               raw == o.raw && valid == o.valid && err == o.err;
    }
};

FramesOutcome ReadFrames(const std::string &path, int threads) {
    FrameThreadsScope scope(threads);
    FramesOutcome out;
    testing::internal::CaptureStderr();
    {
        DicomRead r(path);
        out.result = r.result;
        long n = FileBufferSize(r.fi.w, r.fi.h, r.fi.bit / 8, r.fi.frames);
        if (r.fi.fbuf && n > 0) out.shown.assign(r.fi.fbuf, r.fi.fbuf + n);
    }
    {
        RawRead raw(path);
        out.raw_result = raw.result;
        for (size_t i = 0; i < raw.s.s16.size() + raw.s.s32.size(); i++)
            out.raw.push_back(raw.At(long(i)));
        out.valid = raw.s.valid;
    }
    out.err = testing::internal::GetCapturedStderr();
    return out;
}

} // namespace

TEST(DicomFrames, ThreadsGiveWhatOneFrameAfterAnotherGives) {
    std::vector<std::vector<uint8_t>> streams;
    TempFile series(DamagedSeries(&streams));
    const FramesOutcome one = ReadFrames(series.path, 1);
    ASSERT_EQ(100, one.result);
    // Whole frames are mf-range-ll's, the cut frame is black, each failure says so in order.
    Oracle o("mf-range-ll");
    const long frame = long(o.w) * o.h;
    for (int f : {0, 1, 2, 3, 5, 11})
        for (long i = 0; i < frame; i += 37)
            ASSERT_EQ(o.Pattern((f % 3) * frame + i), one.raw[size_t(f * frame + i)]) << f;
    EXPECT_EQ(0, one.valid[7]);
    for (long i = 0; i < frame; i++)
        ASSERT_EQ(0u, one.raw[size_t(7 * frame + i)]) << i;
    size_t bad = one.err.find("bad Huffman code"), cut = one.err.find("Premature end of JPEG"),
           dry = one.err.rfind("premature end of data segment");
    EXPECT_LT(bad, cut) << one.err;
    EXPECT_LT(cut, dry) << one.err;
    EXPECT_NE(std::string::npos, dry) << one.err;
    EXPECT_NE(std::string::npos, one.err.find("1 of 12 frames missing or undecodable (black), 2 "
                                              "damaged"))
        << one.err;

    for (const std::string &path :
         {series.path, Path("mf-range-ll"), Path("mf-range-ll-cut"), Path("mf-range-rle"),
          Path("mf-range-cut"), Path("mf-range-sv4pt2"), Path("rgb-rle"), Path("rgb16-rle")})
        for (int threads : {2, 3, 4}) {
            const FramesOutcome base = path == series.path ? one : ReadFrames(path, 1);
            EXPECT_TRUE(ReadFrames(path, threads) == base) << path << " on " << threads;
        }
}

TEST(DicomFrames, ProgressOnSeveralThreadsStillOnlyRises) {
    std::vector<std::vector<uint8_t>> streams;
    TempFile series(DamagedSeries(&streams));
    FrameThreadsScope scope(4);
    for (int round = 0; round < 20; round++) {
        std::vector<int> seen = ReadProgress(series.path);
        EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
        EXPECT_NE(seen.end(), std::find(seen.begin(), seen.end(), DICOM_PROGRESS_DECODED));
        EXPECT_EQ(100, seen.back());
    }
}

namespace {

// Overwrites the value of the first (group, element) after the preamble in place; the value
// starts 8 bytes after the tag in both implicit VR and the short explicit form.
void Patch(std::vector<uint8_t> *b, uint16_t g, uint16_t e, const std::string &value) {
    const uint8_t tag[4] = {uint8_t(g), uint8_t(g >> 8), uint8_t(e), uint8_t(e >> 8)};
    auto at = std::search(b->begin() + 132, b->end(), tag, tag + 4);
    ASSERT_NE(at, b->end());
    std::copy(value.begin(), value.end(), at + 8);
}

std::vector<uint8_t> Patched(const std::string &name, uint16_t g, uint16_t e,
                             const std::string &value) {
    std::vector<uint8_t> b = ReadFileBytes(Path(name));
    Patch(&b, g, e, value);
    return b;
}

std::vector<uint8_t> Sized(const std::string &name, uint16_t rows, uint16_t cols) {
    std::vector<uint8_t> b = ReadFileBytes(Path(name));
    Patch(&b, 0x0028, 0x0010, {char(rows), char(rows >> 8)});
    Patch(&b, 0x0028, 0x0011, {char(cols), char(cols >> 8)});
    return b;
}

// The test and the read of bytes, with stderr kept.
struct BytesRead {
    TempFile file;
    std::string err;
    int result = 0, frames = 0;
    std::vector<uint8_t> px;
    explicit BytesRead(const std::vector<uint8_t> &bytes, int mode = IO_READ_FULL) : file(bytes) {
        testing::internal::CaptureStderr();
        {
            DicomRead r(file.path, mode);
            result = r.result, frames = r.fi.frames;
            if (r.fi.fbuf) px.assign(r.fi.fbuf, r.fi.fbuf + long(r.fi.w) * r.fi.h * frames);
        }
        err = testing::internal::GetCapturedStderr();
    }
    bool Says(const char *text) const { return err.find(text) != std::string::npos; }
};

} // namespace

TEST(DicomBudget, NativeClaimsMustFitTheElementAndACutFileMustHoldAnEighth) {
    // Nine frames claimed where the element holds three.
    BytesRead nine(Patched("mf-range", 0x0028, 0x0008, "9"));
    EXPECT_EQ(-103, nine.result);
    EXPECT_TRUE(nine.Says("the header claims 55296 bytes of pixel data, the element holds 18432"))
        << nine.err;
    std::vector<uint8_t> whole = ReadFileBytes(Path("mf-range"));
    const size_t start = whole.size() - 18432;
    std::vector<uint8_t> half(whole.begin(), whole.begin() + long(start + 9216));
    EXPECT_EQ(100, BytesRead(half).result); // cut, and shown with the rest black
    std::vector<uint8_t> little(whole.begin(), whole.begin() + long(start + 2303));
    BytesRead cut(little);
    EXPECT_EQ(-103, cut.result);
    EXPECT_TRUE(cut.Says("less than the eighth")) << cut.err;
}

TEST(DicomBudget, EncapsulatedFramesFollowTheFragmentsPresent) {
    // 99 frames claimed: no more frames than fragments, the three real ones as before.
    for (const char *name : {"mf-range-ll", "mf-range-rle"}) {
        DicomRead plain(Path(name));
        ASSERT_EQ(100, plain.result);
        std::vector<uint8_t> bytes = Patched(name, 0x0028, 0x0008, "99");
        const uint8_t tag[4] = {0xE0, 0x7F, 0x10, 0x00};
        int at = int(std::search(bytes.begin(), bytes.end(), tag, tag + 4) - bytes.begin());
        std::vector<uint32_t> bot;
        std::vector<DICOMFRAG> frags;
        DicomItemsRead(bytes.data(), long(bytes.size()),
                       DicomValueSpan(bytes.data(), int(bytes.size()), at, nullptr), &bot, &frags);
        BytesRead many(bytes);
        ASSERT_EQ(100, many.result) << name << many.err;
        EXPECT_EQ(long(frags.size()), many.frames) << name;
        std::string says =
            "the header claims 99 frames, the pixel data holds " + std::to_string(frags.size());
        EXPECT_TRUE(many.Says(says.c_str())) << many.err;
        const long three = 3L * plain.fi.w * plain.fi.h;
        ASSERT_GE(long(many.px.size()), three);
        EXPECT_EQ(std::vector<uint8_t>(plain.fi.fbuf, plain.fi.fbuf + three),
                  std::vector<uint8_t>(many.px.begin(), many.px.begin() + three));
    }
}

TEST(DicomBudget, CompressedSizesTheirBytesCannotHoldAreRefusedBeforeAllocating) {
    const struct {
        const char *name, *rule;
    } cases[] = {{"ct-signed-ll", "at most 8 samples a byte"},
                 {"ct-signed-rle", "at most 64 sample bytes a byte"},
                 {"grey-jpeg", "at most 1024 pixels a byte"}};
    for (const auto &c : cases) {
        for (int mode : {IO_READ_FULL, IO_READ_PROBE}) {
            BytesRead big(Sized(c.name, 40000, 40000), mode);
            EXPECT_EQ(-103, big.result) << c.name;
            EXPECT_TRUE(big.Says(c.rule)) << c.name << ": " << big.err;
        }
    }
}

TEST(DicomProbe, GivesWhatTheReadGivesWithoutDecodingAPixel) {
    for (const char *name : {"ct-signed", "ct-signed-ll", "grey-rle", "mf-range", "mf-range-ll",
                             "mf-range-cut", "pal8", "pal16", "pal8-ll", "rgb-jpeg", "rgb16-rle",
                             "ybr422", "rgb-planar", "grey-jpeg-ext"}) {
        DicomRead read(Path(name));
        DicomRead probe(Path(name), IO_READ_PROBE);
        ASSERT_EQ(100, probe.result) << name;
        ASSERT_EQ(100, read.result) << name;
        EXPECT_EQ(nullptr, probe.fi.fbuf) << name;
        EXPECT_EQ(read.fi.w, probe.fi.w) << name;
        EXPECT_EQ(read.fi.h, probe.fi.h) << name;
        EXPECT_EQ(read.fi.bit, probe.fi.bit) << name;
        EXPECT_EQ(read.fi.maptyp, probe.fi.maptyp) << name;
        EXPECT_EQ(read.fi.frames, probe.fi.frames) << name;
        ASSERT_NE(nullptr, probe.Group<DCMGROUP0028>(DCM_G0028)) << name;
    }
}

TEST(DicomBudget, AJpegFrameIsMeasuredAgainstItsImageBeforeDecoding) {
    // An 8 x 8 image whose fragment, a progressive stream, declares 65500 x 65500: decoding it
    // would hold 8 GB of coefficients.
    std::vector<uint8_t> jpg = ReadFileBytes(DataPath("col-progressive.jpg"));
    const uint8_t marker[2] = {0xFF, 0xC2};
    auto sof = std::search(jpg.begin(), jpg.end(), marker, marker + 2);
    ASSERT_NE(sof, jpg.end());
    sof[5] = sof[7] = 0xFF, sof[6] = sof[8] = 0xDC;
    DICOMDESC d{};
    d.rows = d.columns = 8, d.bitsallocated = d.bitsstored = 8, d.highbit = 7, d.samples = 1;
    DICOMLAYOUT lay;
    ASSERT_EQ(100, DicomLayoutSetup(&d, "t", &lay));
    DICOMSAMPLES s;
    ASSERT_EQ(100, DicomSamplesCreate(&lay, &s));
    testing::internal::CaptureStderr();
    EXPECT_EQ(-103, DicomJpegFrame(jpg.data(), jpg.size(), &lay, &s, 0, nullptr));
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(std::string::npos, err.find("JPEG frame of 65500x65500 in an image of 8x8")) << err;
}
