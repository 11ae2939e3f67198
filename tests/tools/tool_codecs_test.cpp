// dravik-tool on JPEG-LS, JPEG 2000 and 12-bit JPEG files: every frame's stored values and colours
// against GDCM's or dcmtk's decoding of the same file (tests/data/make-dicom-codecs.sh), cut
// codestreams, and the reader's checks of a codestream against its header.
#include <gtest/gtest.h>

#include "dicom/io_dcm4.h"
#include "dicom/io_dicom.h"
#include "tools/tool_testutil.h"
#include "image/test_hooks.h"

#include <algorithm>
#include <iterator>

namespace {

std::string Vector(const std::string &name, const char *ext = ".dcm") {
    return std::string(DRAVIK_TEST_DATA) + "/codecs/" + name + ext;
}

// The oracle's samples: `count` words (or bytes) of `bits` bits; signed ones as the values.
std::vector<long> Oracle(const std::string &name, size_t count, int bytes, int bits, bool sign) {
    std::vector<long> v;
    for (uint32_t u : RawStored(Vector(name, ".raw"), bytes, bits, sign, count))
        v.push_back(sign ? long(int16_t(u)) : long(u));
    return v;
}

long MaxDiff(const std::vector<long> &a, const std::vector<long> &b) {
    long d = 0;
    for (size_t i = 0; i < std::min(a.size(), b.size()); i++)
        d = std::max(d, std::labs(a[i] - b[i]));
    return d;
}

// The decoders' tolerances against the oracle: lossless syntaxes exactly; JPEG-LS near-lossless
// exactly too, since its decoding is integer arithmetic that every decoder does alike; JPEG 2000
// irreversible (9/7 wavelet, ICT) and 12-bit DCT JPEG within 1 of the oracle.
enum { TOL_LOSSLESS = 0, TOL_JLS_NEAR = 0, TOL_J2K_LOSSY = 1, TOL_JPEG12 = 1 };

} // namespace

TEST(ToolCodecs, RawEqualsTheIndependentDecoders) {
    struct Case {
        const char *name;
        int w, h, frames, bytes, bits;
        bool sign;
        long tol;
    } cases[] = {
        {"jls-ct-signed", 40, 30, 1, 2, 12, true, TOL_LOSSLESS},
        {"jls-odd16s", 37, 23, 2, 2, 16, true, TOL_LOSSLESS},
        {"jls-grey8odd", 33, 17, 1, 1, 8, false, TOL_LOSSLESS},
        {"jls-mf-near", 64, 48, 3, 2, 16, false, TOL_JLS_NEAR},
        {"j2k-ct-signed", 40, 30, 1, 2, 12, true, TOL_LOSSLESS},
        {"j2k-odd16s", 37, 23, 2, 2, 16, true, TOL_LOSSLESS},
        {"j2k-mf", 64, 48, 3, 2, 16, false, TOL_LOSSLESS},
        {"j2k-grey8odd", 33, 17, 1, 1, 8, false, TOL_LOSSLESS},
        {"j2k-mf-lossy", 64, 48, 3, 2, 16, false, TOL_J2K_LOSSY},
        {"jpeg12-ct", 45, 31, 2, 2, 12, false, TOL_JPEG12},
    };
    for (const Case &c : cases) {
        TempOut out(".pgm");
        ToolResult r = Tool({"convert", Vector(c.name), out.path, "--raw", "--all-frames"});
        ASSERT_EQ(0, r.status) << c.name << r.err;
        EXPECT_EQ("", r.err) << c.name;
        int images;
        std::vector<uint32_t> got = ReadPnmSamples(out.path, &images);
        ASSERT_EQ(c.frames, images) << c.name;
        const size_t n = size_t(c.w) * size_t(c.h) * size_t(c.frames);
        ASSERT_EQ(n, got.size()) << c.name;
        std::vector<long> values;
        for (uint32_t p : got)
            values.push_back(c.sign ? long(int16_t(p)) : long(p));
        std::vector<long> want = Oracle(c.name, n, c.bytes, c.bits, c.sign);
        ASSERT_EQ(n, want.size()) << c.name;
        EXPECT_LE(MaxDiff(values, want), c.tol) << c.name;
        if (c.tol == 0) {
            EXPECT_EQ(want, values) << c.name;
        }
    }
    // The vectors' corner values survive: -32768 and 32767 in the first two pixels.
    for (const char *name : {"jls-odd16s", "j2k-odd16s"}) {
        TempOut out(".pgm");
        ASSERT_EQ(0, Tool({"convert", Vector(name), out.path, "--raw"}).status);
        int images;
        std::vector<uint32_t> got = ReadPnmSamples(out.path, &images);
        ASSERT_GE(got.size(), 2u);
        EXPECT_EQ(-32768, int16_t(got[0])) << name;
        EXPECT_EQ(32767, int16_t(got[1])) << name;
    }
}

TEST(ToolCodecs, ColourEqualsTheIndependentDecoders) {
    // The 12-bit vector's colours are the top 8 of their 12 bits.
    struct Case {
        const char *name;
        int bytes, bits;
        long tol;
    } cases[] = {
        {"jls-rgb-il", 1, 8, TOL_LOSSLESS},   {"jls-rgb-is", 1, 8, TOL_LOSSLESS},
        {"jls-rgb-in", 1, 8, TOL_LOSSLESS},   {"j2k-rgb-rct", 1, 8, TOL_LOSSLESS},
        {"j2k-rgb-ict", 1, 8, TOL_J2K_LOSSY}, {"jpeg12-rgb", 2, 12, TOL_JPEG12},
    };
    for (const Case &c : cases) {
        TempOut out(".ppm");
        ToolResult r = Tool({"convert", Vector(c.name), out.path});
        ASSERT_EQ(0, r.status) << c.name << r.err;
        int images;
        std::vector<uint32_t> got = ReadPnmSamples(out.path, &images);
        const size_t n = 20 * 10 * 3;
        ASSERT_EQ(n, got.size()) << c.name;
        std::vector<long> values(got.begin(), got.end());
        std::vector<long> want = Oracle(c.name, n, c.bytes, c.bits, false);
        for (long &v : want)
            v >>= c.bits - 8;
        EXPECT_LE(MaxDiff(values, want), c.tol) << c.name;
        if (c.tol == 0) {
            EXPECT_EQ(want, values) << c.name;
        }
    }
}

TEST(ToolCodecs, Plain12BitJpegShowsItsRange) {
    // Frame 0 of the 12-bit DICOM vector as a .jpg file: grey from its smallest to its largest
    // value.
    TempOut out(".pgm");
    ToolResult info = Tool({"info", Vector("jpeg12-ct", ".jpg")});
    ASSERT_EQ(0, info.status) << info.err;
    EXPECT_NE(std::string::npos, info.out.find("type=JPEG\nwidth=45\nheight=31\nbits=8\n"))
        << info.out;
    ToolResult r = Tool({"convert", Vector("jpeg12-ct", ".jpg"), out.path});
    ASSERT_EQ(0, r.status) << r.err;
    int images;
    std::vector<uint32_t> got = ReadPnmSamples(out.path, &images);
    std::vector<long> want = Oracle("jpeg12-ct", 45 * 31, 2, 12, false);
    ASSERT_EQ(want.size(), got.size());
    const long lo = *std::min_element(want.begin(), want.end());
    const long hi = *std::max_element(want.begin(), want.end());
    long worst = 0;
    for (size_t i = 0; i < got.size(); i++)
        worst = std::max(worst, std::labs(long(got[i]) - (want[i] - lo) * 255 / (hi - lo)));
    EXPECT_LE(worst, TOL_JPEG12);
}

TEST(ToolCodecs, CutCodestreamsGiveAPartialPictureOrTheClearError) {
    // Both files end 60% into the first frame's codestream; the second frame is gone.
    TempOut out(".pgm");
    ToolResult jls = Tool({"convert", Vector("jls-cut"), out.path, "--raw", "--all-frames"});
    EXPECT_EQ(0, jls.status) << jls.err;
    EXPECT_NE(std::string::npos, jls.err.find("JPEG-LS frame cut")) << jls.err;
    EXPECT_NE(std::string::npos, jls.err.find("1 of 1 frames missing or undecodable")) << jls.err;

    ToolResult j2k = Tool({"convert", Vector("j2k-cut"), out.path, "--raw", "--all-frames"});
    ASSERT_EQ(0, j2k.status) << j2k.err;
    EXPECT_NE(std::string::npos, j2k.err.find("0 of 1 frames missing or undecodable (black), 1 "
                                              "damaged"))
        << j2k.err;
    // The codestream sends coarse detail first: what arrived is the picture, less its finest
    // detail (here, off by a thirtieth of the mean magnitude on average).
    int images;
    std::vector<uint32_t> got = ReadPnmSamples(out.path, &images);
    std::vector<long> want = Oracle("j2k-odd16s", 37 * 23, 2, 16, true);
    ASSERT_EQ(want.size(), got.size());
    double diff = 0, size = 0;
    for (size_t i = 0; i < got.size(); i++) {
        diff += std::labs(long(int16_t(got[i])) - want[i]);
        size += std::labs(want[i]);
    }
    EXPECT_LT(diff, size / 10);

    // The 12-bit stream ends inside its scan: the library fills the rest.
    ToolResult j12 = Tool({"convert", Vector("jpeg12-cut"), out.path, "--raw", "--all-frames"});
    ASSERT_EQ(0, j12.status) << j12.err;
    EXPECT_NE(std::string::npos, j12.err.find("12-bit JPEG frame damaged or cut")) << j12.err;
}

TEST(ToolCodecs, J2kSignednessFollowsTheCodestream) {
    // A signed codestream under Pixel Representation 0 reads as the signed file does.
    TempOut a(".pgm"), b(".pgm");
    ToolResult r = Tool({"convert", Vector("j2k-sign-mismatch"), a.path, "--raw"});
    ASSERT_EQ(0, r.status) << r.err;
    EXPECT_NE(std::string::npos,
              r.err.find("JPEG 2000 samples are signed, Pixel Representation says unsigned"))
        << r.err;
    ASSERT_EQ(0, Tool({"convert", Vector("j2k-ct-signed"), b.path, "--raw"}).status);
    EXPECT_EQ(ReadFileBytes(b.path), ReadFileBytes(a.path));

    // The viewer's status line gets the note too.
    std::string path = Vector("j2k-sign-mismatch");
    FILEREQ req;
    IoRequestInit(&req, path.c_str());
    std::vector<std::string> notes;
    req.ctx = &notes;
    req.statusmsg = [](void *ctx, const char *text) {
        if (text) static_cast<std::vector<std::string> *>(ctx)->push_back(text);
    };
    FILEINFO fi{};
    testing::internal::CaptureStderr();
    ASSERT_EQ(100, IsFileDicom(&req, &fi, 0));
    ASSERT_EQ(100, IoReadDicom(&req, &fi));
    testing::internal::GetCapturedStderr();
    EXPECT_NE(notes.end(), std::find_if(notes.begin(), notes.end(), [](const std::string &s) {
                  return s.find("JPEG 2000 samples are signed") != std::string::npos;
              }));
    IoFreeRecord(&fi, path.c_str());
    DicomDataRelease(&fi);
}

namespace {
void PutBe32(uint8_t *p, uint32_t v) {
    p[0] = uint8_t(v >> 24);
    p[1] = uint8_t(v >> 16);
    p[2] = uint8_t(v >> 8);
    p[3] = uint8_t(v);
}
} // namespace

TEST(ToolCodecs, J2kDecoderMemoryIsBudgetedBeforeDecoding) {
    // 12000 x 12000 in the DICOM header and in SIZ (one tile), from 1.3 KB: OpenJPEG would take
    // 8 bytes a sample, 1.1 GB.
    std::vector<uint8_t> b = ReadFileBytes(Vector("j2k-grey8odd"));
    for (uint8_t elo : {0x10, 0x11}) {
        const uint8_t tag[] = {0x28, 0x00, elo, 0x00, 'U', 'S', 2, 0};
        auto at = std::search(b.begin(), b.end(), std::begin(tag), std::end(tag));
        ASSERT_NE(b.end(), at);
        at[8] = 12000 & 0xFF;
        at[9] = 12000 >> 8;
    }
    const uint8_t siz[] = {0xFF, 0x4F, 0xFF, 0x51};
    auto s = std::search(b.begin(), b.end(), std::begin(siz), std::end(siz));
    ASSERT_NE(b.end(), s);
    uint8_t *p = &*s + 2;
    for (int off : {6, 10, 22, 26})
        PutBe32(p + off, 12000);
    TempOut in(".dcm"), out(".pgm");
    WriteWholeFile(in.path, b);
    ToolResult r = Tool({"convert", in.path, out.path, "--raw"});
    EXPECT_NE(0, r.status);
    EXPECT_NE(std::string::npos, r.err.find("more than the 512 MiB decoder budget")) << r.err;
}

TEST(ToolCodecs, NoFrameStartsAfterOneTookTheCpuBudget) {
    // With a budget every frame exceeds, the first frame is decoded and the other two are not.
    DICOMFRAMETUNE saved = dicom_frame_tune;
    dicom_frame_tune.frame_cpu_ms = -1;
    dicom_frame_tune.threads = 1;
    std::string path = Vector("j2k-mf");
    FILEREQ req;
    IoRequestInit(&req, path.c_str());
    FILEINFO fi{};
    DICOMSAMPLES s;
    testing::internal::CaptureStderr();
    ASSERT_EQ(100, IsFileDicom(&req, &fi, 0));
    int rc = IoReadDicomRaw(&req, &fi, &s);
    std::string err = testing::internal::GetCapturedStderr();
    dicom_frame_tune = saved;
    ASSERT_EQ(100, rc) << err;
    ASSERT_EQ(3, s.frames);
    EXPECT_EQ(long(64 * 48), s.valid[0]);
    EXPECT_EQ(0, s.valid[1]);
    EXPECT_EQ(0, s.valid[2]);
    EXPECT_NE(std::string::npos, err.find("frames not yet started stay black")) << err;
    DicomDataRelease(&fi);
    IoFreeRecord(&fi, path.c_str());
}

TEST(ToolCodecs, CodestreamSizeMustBeTheHeaders) {
    // Columns (0028,0011) 40 -> 20 and 37 -> 20 in copies: the size header no longer agrees.
    for (const char *name : {"jls-ct-signed", "j2k-ct-signed", "jls-odd16s"}) {
        std::vector<uint8_t> b = ReadFileBytes(Vector(name));
        const uint8_t tag[] = {0x28, 0x00, 0x11, 0x00, 'U', 'S', 2, 0};
        auto at = std::search(b.begin(), b.end(), std::begin(tag), std::end(tag));
        ASSERT_NE(b.end(), at) << name;
        at[8] = 20;
        at[9] = 0;
        TempOut in(".dcm"), out(".pgm");
        WriteWholeFile(in.path, b);
        ToolResult r = Tool({"convert", in.path, out.path, "--raw"});
        EXPECT_NE(std::string::npos, r.err.find("in an image of 20x")) << name << r.err;
        EXPECT_NE(std::string::npos, r.err.find("missing or undecodable")) << name << r.err;
    }
}

namespace {
// The samples of image n of a PGM series; empty when it has no such image.
std::vector<uint32_t> PnmImage(const std::vector<uint32_t> &all, int images, int n) {
    if (images < 1 || n < 0 || n >= images) return {};
    const size_t per = all.size() / size_t(images);
    return std::vector<uint32_t>(all.begin() + long(n * per), all.begin() + long((n + 1) * per));
}

// `path` cut halfway into its last frame: encapsulated data in the last fragment, native data
// in the last frame's bytes (the pixel data ends the file).
std::string CutInLastFrame(const std::string &path, bool native, long framebytes) {
    std::vector<uint8_t> b = ReadFileBytes(path);
    size_t cut = b.size() - size_t(framebytes) / 2;
    if (!native) {
        const uint8_t item[4] = {0xFE, 0xFF, 0x00, 0xE0};
        auto last = std::find_end(b.begin(), b.end(), item, item + 4);
        EXPECT_NE(b.end(), last);
        size_t at = size_t(last - b.begin()), len = b[at + 4] | b[at + 5] << 8 | b[at + 6] << 16;
        cut = at + 8 + len / 2;
    }
    b.resize(cut);
    return std::string(b.begin(), b.end());
}
} // namespace

TEST(ToolCodecs, OneFrameIsTheNthOfAllFramesAlsoInACutFile) {
    struct Case {
        std::string path;
        bool native;
        long framebytes;
    } cases[] = {{Vector("j2k-mf"), false, 0},
                 {Vector("jls-mf-near"), false, 0},
                 {std::string(DRAVIK_TEST_DATA) + "/explicit-multiframe.dcm", true, 16 * 16}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.path);
        TempOut all(".pgm"), one(".pgm"), cut(".dcm");
        ToolResult r = Tool({"convert", c.path, all.path, "--raw", "--all-frames"});
        ASSERT_EQ(0, r.status) << r.err;
        int images = 0;
        std::vector<uint32_t> whole = ReadPnmSamples(all.path, &images);
        ASSERT_EQ(3, images);
        for (int n = 0; n < images; n++) {
            r = Tool({"convert", c.path, one.path, "--raw", "--frame", std::to_string(n)});
            ASSERT_EQ(0, r.status) << r.err;
            int k = 0;
            std::vector<uint32_t> got = ReadPnmSamples(one.path, &k);
            EXPECT_EQ(1, k);
            EXPECT_EQ(PnmImage(whole, images, n), got) << "frame " << n;
        }
        r = Tool({"convert", c.path, one.path, "--raw", "--frame", "3"});
        EXPECT_EQ(1, r.status);
        EXPECT_NE(std::string::npos, r.err.find("has 3 frame(s)")) << r.err;

        // Cut inside frame 2: frames 0 and 1 are whole, alone and streamed.
        std::string bytes = CutInLastFrame(c.path, c.native, c.framebytes);
        WriteWholeFile(cut.path, bytes);
        r = Tool({"convert", cut.path, all.path, "--raw", "--all-frames"});
        ASSERT_EQ(0, r.status) << r.err;
        int cutimages = 0;
        std::vector<uint32_t> streamed = ReadPnmSamples(all.path, &cutimages);
        ASSERT_EQ(3, cutimages);
        for (int n = 0; n < 2; n++) {
            EXPECT_EQ(PnmImage(whole, images, n), PnmImage(streamed, cutimages, n)) << n;
            r = Tool({"convert", cut.path, one.path, "--raw", "--frame", std::to_string(n)});
            ASSERT_EQ(0, r.status) << r.err;
            int k = 0;
            EXPECT_EQ(PnmImage(whole, images, n), ReadPnmSamples(one.path, &k)) << n;
        }
        EXPECT_NE(PnmImage(whole, images, 2), PnmImage(streamed, cutimages, 2));
    }
}

TEST(ToolCodecs, StreamedFramesComeInOrderAFewAtATime) {
    // JPEG-LS frames come two a round (two threads, one frame each): frames 0 and 1 from one store,
    // then frame 2 alone. JPEG 2000 frames come one at a time (the codec's own threads share each),
    // from a mapped file whose frames leave memory once handed on. Values as a whole read keeps.
    DICOMFRAMETUNE saved = dicom_frame_tune;
    dicom_frame_tune.threads = 2;
    dicom_frame_tune.min_samples = 0;
    dicom_frame_tune.round_frames = 1;
    struct Case {
        const char *vector;
        std::vector<int> stored;
    } cases[] = {{"jls-mf-near", {2, 2, 1}}, {"j2k-mf", {1, 1, 1}}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.vector);
        std::string path = Vector(c.vector);
        auto read = [&](DICOMSAMPLES *s, int mapped) {
            FILEREQ req;
            IoRequestInit(&req, path.c_str());
            req.mapped = mapped;
            FILEINFO fi{};
            int rc = IsFileDicom(&req, &fi, 0);
            if (rc == 100) rc = IoReadDicomRaw(&req, &fi, s);
            IoFreeRecord(&fi, path.c_str());
            return rc;
        };
        DICOMSAMPLES whole;
        ASSERT_EQ(100, read(&whole, 0));
        struct Seen {
            std::vector<int> frames, stored;
            std::vector<uint16_t> values;
        } seen;
        DICOMSAMPLES s;
        s.sinkctx = &seen;
        s.sink = [](void *ctx, const DICOMSAMPLES *st, int f) {
            auto *v = static_cast<Seen *>(ctx);
            v->frames.push_back(f);
            v->stored.push_back(st->frames);
            const size_t pixels = size_t(st->w) * size_t(st->h);
            const uint16_t *p = st->s16.data() + size_t(f - st->first) * pixels;
            v->values.insert(v->values.end(), p, p + pixels);
            return 0;
        };
        ASSERT_EQ(100, read(&s, 1));
        EXPECT_EQ((std::vector<int>{0, 1, 2}), seen.frames);
        EXPECT_EQ(c.stored, seen.stored);
        EXPECT_EQ(3, s.total);
        EXPECT_TRUE(
            std::equal(seen.values.begin(), seen.values.end(), whole.s16.begin(), whole.s16.end()));
    }
    dicom_frame_tune = saved;
}
