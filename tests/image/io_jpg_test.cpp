#include <gtest/gtest.h>

#include "image/image_testutil.h"
#include "image/io_jpg.h"
#include "io/io_read.h"
#include "render/ximage.h"
#include "toolkit/xwin.h"
#include "image/test_hooks.h"

#include <algorithm>
#include <csetjmp>
#include <dirent.h>
#include <memory>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

// The record's pixels against djpeg's decoding of the same file.
void ExpectSameAsDjpeg(const char *jpg, const char *ref, int preview = 0) {
    SCOPED_TRACE(jpg);
    PNMIMAGE want = PnmRead(DataPath(ref));
    ASSERT_NE(want.comps, 0);
    FILEINFO fi;
    ASSERT_NE(ReadImage(DataPath(jpg), &fi, IO_READ_FULL, preview), nullptr);
    EXPECT_EQ(fi.ftyp, FTYP_JPEG);
    EXPECT_EQ(fi.frames, 1);
    EXPECT_EQ(fi.w, want.w);
    EXPECT_EQ(fi.h, want.h);
    EXPECT_EQ(fi.bit, 8 * want.comps);
    if (fi.w == want.w && fi.h == want.h && fi.bit == 8 * want.comps) {
        EXPECT_EQ(0, memcmp(fi.fbuf, want.px.data(), want.px.size()));
    }
    FreeRead(&fi);
}

// Components and comment of a JPEG file as libjpeg reads them back.
struct JPEGFACTS {
    int comps = 0, w = 0, h = 0;
    std::string comment;
};

JPEGFACTS ReadFacts(const std::string &path) {
    JPEGFACTS f;
    FILE *fp = fopen(path.c_str(), "rb");
    if (!fp) return f;
    jpeg_decompress_struct c;
    jpeg_error_mgr e;
    c.err = jpeg_std_error(&e);
    jpeg_create_decompress(&c);
    jpeg_stdio_src(&c, fp);
    jpeg_save_markers(&c, JPEG_COM, 0xFFFF);
    jpeg_read_header(&c, TRUE);
    f.comps = c.num_components;
    f.w = static_cast<int>(c.image_width);
    f.h = static_cast<int>(c.image_height);
    for (jpeg_saved_marker_ptr m = c.marker_list; m; m = m->next)
        if (m->marker == JPEG_COM)
            f.comment.assign(reinterpret_cast<char *>(m->data), m->data_length);
    jpeg_destroy_decompress(&c);
    fclose(fp);
    return f;
}

bool Exists(const std::string &path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

} // namespace

// Baseline, progressive, grey, Exif and Adobe files first, CMYK and YCCK turned into RGB.
TEST(JpegRead, PixelsEqualIndependentDecoder) {
    for (std::string name : {"col-baseline", "col-progressive", "grey-37x23", "col-160x120",
                             "col-exif", "cmyk-adobe", "ycck-adobe"})
        ExpectSameAsDjpeg((name + ".jpg").c_str(), (name + ".ref.pnm").c_str());
    EXPECT_EQ(IsFileJpeg(DataPath("col-exif.jpg").c_str()), FILE_SUCCES);
    EXPECT_EQ(IsFileJpeg(DataPath("cmyk-adobe.jpg").c_str()), FILE_SUCCES);
    EXPECT_EQ(IsFileJpeg(DataPath("garbage.bin").c_str()), FILE_ERROR_FORMAT);
    EXPECT_EQ(IsFileJpeg("/nonexistent/x.jpg"), FILE_ERROR_READ);
}

TEST(JpegRead, GreyRecordHasRampMaps) {
    FILEINFO fi;
    ASSERT_NE(ReadImage(DataPath("grey-37x23.jpg"), &fi), nullptr);
    EXPECT_EQ(fi.bit, 8);
    EXPECT_EQ(fi.maptyp, MAPTYP_GREY);
    EXPECT_EQ(fi.mapentry, 255);
    ASSERT_TRUE(fi.rmap && fi.gmap && fi.bmap);
    for (int i = 0; i < 256; i++)
        EXPECT_TRUE(fi.rmap[i] == i && fi.gmap[i] == i && fi.bmap[i] == i) << i;
    FreeRead(&fi);
    ASSERT_NE(ReadImage(DataPath("col-baseline.jpg"), &fi), nullptr);
    EXPECT_EQ(fi.bit, 24);
    EXPECT_EQ(fi.maptyp, MAPTYP_RGB);
    FreeRead(&fi);
}

TEST(JpegRead, ProbeGivesSizeOnlyAndMarksDamagedFiles) {
    FILEINFO fi;
    void *marker = ReadImage(DataPath("col-160x120.jpg"), &fi, IO_READ_PROBE);
    EXPECT_NE(marker, nullptr);
    EXPECT_EQ(fi.fbuf, nullptr);
    EXPECT_EQ(fi.w, 160);
    EXPECT_EQ(fi.h, 120);
    EXPECT_EQ(fi.bit, 24);
    FreeRead(&fi);
    testing::internal::CaptureStderr();
    EXPECT_NE(ReadImage(DataPath("damaged.jpg"), &fi, IO_READ_PROBE), nullptr);
    EXPECT_EQ(ReadImage(DataPath("damaged.jpg"), &fi, IO_READ_FULL), nullptr);
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(fi.fbuf, nullptr);
    EXPECT_EQ(fi.ftyp, 0);
    FreeRead(&fi);
    EXPECT_EQ(ReadImage(DataPath("garbage.bin"), &fi, IO_READ_PROBE), nullptr);
    EXPECT_EQ(ReadImage(DataPath("garbage.bin"), &fi, IO_READ_FULL), nullptr);
}

static std::vector<int> progress_seen;
static void RecordProgress(void *, int percent) {
    progress_seen.push_back(percent);
}

TEST(JpegRead, ProgressRisesToAHundred) {
    progress_seen.clear();
    std::string path = DataPath("col-160x120.jpg");
    FILEREQ req;
    IoRequestInit(&req, path.c_str());
    req.progress = RecordProgress;
    FILEINFO fi;
    ASSERT_NE(IoFindOrReadFileTyp(&req, &fi, IO_READ_FULL), nullptr);
    ASSERT_FALSE(progress_seen.empty());
    EXPECT_TRUE(std::is_sorted(progress_seen.begin(), progress_seen.end()));
    EXPECT_EQ(progress_seen.back(), 100);
    EXPECT_EQ(req.recognised, 1);
    FreeRead(&fi);
}

TEST(JpegRead, TruncatedFileWarnsOnceAndLoads) {
    testing::internal::CaptureStderr();
    ExpectSameAsDjpeg("truncated.jpg", "truncated.ref.pnm");
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("Premature end of JPEG file"), std::string::npos) << err;
    EXPECT_NE(err.find("truncated.jpg"), std::string::npos);
    EXPECT_EQ(err.find("Premature end"), err.rfind("Premature end"));
}

TEST(JpegRead, FailedReadsLeaveNoFileOpen) {
    auto open_fds = [] {
        int n = 0;
        if (DIR *d = opendir("/proc/self/fd")) {
            while (readdir(d))
                n++;
            closedir(d);
        }
        return n;
    };
    int before = open_fds();
    testing::internal::CaptureStderr();
    for (int i = 0; i < 20; i++) {
        FILEINFO fi;
        EXPECT_EQ(ReadImage(DataPath("damaged.jpg"), &fi), nullptr);
        FreeRead(&fi);
    }
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(open_fds(), before);
}

TEST(JpegRead, PreviewEdgeDecodesAtSmallestSufficientScale) {
    // 160 x 120 with edge 30: 1/8 gives 20 x 15, too small; 1/4 gives 40 x 30.
    ExpectSameAsDjpeg("col-160x120.jpg", "col-160x120.q4.ref.pnm", 30);
    FILEINFO fi;
    ASSERT_NE(ReadImage(DataPath("col-160x120.jpg"), &fi, IO_READ_FULL, 15), nullptr);
    EXPECT_EQ(fi.w, 20);
    EXPECT_EQ(fi.h, 15);
    FreeRead(&fi);
    ASSERT_NE(ReadImage(DataPath("col-160x120.jpg"), &fi, IO_READ_FULL, 121), nullptr);
    EXPECT_EQ(fi.w, 160);
    FreeRead(&fi);
}

// At 1/8 scale a pixel is its block's mean, so of a progressive file only the first DC scans
// are read. Grey: equal to the full 1/8 decode but for the DC's last refinement bit. Colour: the
// full decode refines subsampled chroma with its first AC terms, so the two differ where the
// colour changes inside a block, as in this file's sharp blue stripes.
void ExpectNearOneEighth(const char *jpg, const char *ref, int edge, int maxdiff,
                         double maxmean = 255) {
    SCOPED_TRACE(jpg);
    PNMIMAGE want = PnmRead(DataPath(ref));
    ASSERT_NE(want.comps, 0);
    FILEINFO fi;
    ASSERT_NE(ReadImage(DataPath(jpg), &fi, IO_READ_FULL, edge), nullptr);
    ASSERT_EQ(fi.w, want.w);
    ASSERT_EQ(fi.h, want.h);
    ASSERT_EQ(fi.bit, 8 * want.comps);
    int worst = 0;
    double sum = 0;
    for (size_t i = 0; i < want.px.size(); i++) {
        worst = std::max(worst, std::abs(fi.fbuf[i] - want.px[i]));
        sum += std::abs(fi.fbuf[i] - want.px[i]);
    }
    EXPECT_LE(worst, maxdiff);
    EXPECT_LE(sum / static_cast<double>(want.px.size()), maxmean);
    FreeRead(&fi);
}

TEST(JpegRead, ProgressivePreviewAtOneEighthReadsOnlyTheDcScans) {
    ExpectNearOneEighth("grey-prog-160x120.jpg", "grey-prog-160x120.q8.ref.pnm", 15, 2);
    ExpectNearOneEighth("col-progressive.jpg", "col-progressive.q8.ref.pnm", 3, 64);
}

// Baseline previews at 1/8 scale are decoded by our own decoder; the library's own 1/8 decoding
// (djpeg -scale 1/8) is the oracle, byte for byte, for every sampling it takes.
const char *const kDcExact[] = {"dc-grey", "dc-444-rst", "dc-422", "dc-411", "dc-420"};

void ExpectDcPreviews() {
    for (const char *name : kDcExact) {
        std::string jpg = std::string(name) + ".jpg", ref = std::string(name) + ".q8.ref.pnm";
        long taken = jpg_dc_tune.taken;
        ExpectSameAsDjpeg(jpg.c_str(), ref.c_str(), 16);
        EXPECT_EQ(jpg_dc_tune.taken, taken + 1) << name << " was left to the library";
    }
}

// A noisy YCbCr (or grey) JPEG with hard colour edges inside blocks, through libjpeg's raw-data
// compression, which writes any sampling the format allows, fractional ones included.
struct SAMPLING {
    int h[3], v[3];
};
std::vector<uint8_t> MakeJpeg(int w, int h, int comps, const SAMPLING &smp) {
    jpeg_compress_struct c;
    jpeg_error_mgr e;
    c.err = jpeg_std_error(&e);
    jpeg_create_compress(&c);
    unsigned char *mem = nullptr;
    unsigned long len = 0;
    jpeg_mem_dest(&c, &mem, &len);
    c.image_width = static_cast<JDIMENSION>(w);
    c.image_height = static_cast<JDIMENSION>(h);
    c.input_components = comps;
    c.in_color_space = comps == 1 ? JCS_GRAYSCALE : JCS_YCbCr;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 92, TRUE);
    c.raw_data_in = TRUE;
    for (int i = 0; i < comps; i++)
        c.comp_info[i].h_samp_factor = smp.h[i], c.comp_info[i].v_samp_factor = smp.v[i];
    jpeg_start_compress(&c, TRUE);
    std::vector<std::vector<uint8_t>> plane(static_cast<size_t>(comps));
    std::vector<std::vector<JSAMPROW>> rows(static_cast<size_t>(comps));
    JSAMPARRAY arrays[3];
    unsigned seed = 11;
    for (JDIMENSION y0 = 0; y0 < c.image_height; y0 += 8 * c.max_v_samp_factor) {
        for (int i = 0; i < comps; i++) {
            const jpeg_component_info &ci = c.comp_info[i];
            int pw = static_cast<int>(ci.width_in_blocks) * 8, ph = ci.v_samp_factor * 8;
            plane[i].resize(static_cast<size_t>(pw * ph));
            rows[i].resize(static_cast<size_t>(ph));
            for (int y = 0; y < ph; y++) {
                rows[i][y] = &plane[i][static_cast<size_t>(y * pw)];
                for (int x = 0; x < pw; x++) {
                    seed = seed * 1103515245 + 12345;
                    int edge = i && (x / 3 + y / 5 + static_cast<int>(y0)) % 2 ? 250 : 5;
                    rows[i][y][x] = static_cast<uint8_t>(i ? edge + (seed >> 16) % 5
                                                           : (x * 4 + (seed >> 16) % 40) % 256);
                }
            }
            arrays[i] = rows[i].data();
        }
        jpeg_write_raw_data(&c, arrays, static_cast<JDIMENSION>(8 * c.max_v_samp_factor));
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    std::vector<uint8_t> out(mem, mem + len);
    free(mem);
    return out;
}

struct QUIETERR {
    jpeg_error_mgr pub;
    jmp_buf jump;
};

// libjpeg's own 1/8-scale decoding with djpeg's settings; comps 0 when the library refuses.
PNMIMAGE LibOneEighth(const std::vector<uint8_t> &jpg) {
    PNMIMAGE img;
    jpeg_decompress_struct c;
    QUIETERR err;
    c.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = [](j_common_ptr cc) {
        longjmp(reinterpret_cast<QUIETERR *>(cc->err)->jump, 1);
    };
    err.pub.output_message = [](j_common_ptr) {};
    jpeg_create_decompress(&c);
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&c);
        img.comps = 0;
        return img;
    }
    jpeg_mem_src(&c, jpg.data(), static_cast<unsigned long>(jpg.size()));
    jpeg_read_header(&c, TRUE);
    c.scale_num = 1;
    c.scale_denom = 8;
    jpeg_start_decompress(&c);
    img.w = static_cast<int>(c.output_width), img.h = static_cast<int>(c.output_height);
    img.px.resize(static_cast<size_t>(img.w) * img.h * c.output_components);
    while (c.output_scanline < c.output_height) {
        JSAMPROW row = &img.px[c.output_scanline * static_cast<size_t>(img.w) *
                               static_cast<size_t>(c.output_components)];
        jpeg_read_scanlines(&c, &row, 1);
    }
    img.comps = c.output_components;
    jpeg_finish_decompress(&c);
    jpeg_destroy_decompress(&c);
    return img;
}

// Splits every scan between two threads; the guess from the middle runs to its end first, so
// where the first thread meets it does not depend on timing.
struct SplitScans {
    JPGDCTUNE saved;
    SplitScans() {
        saved.split_bytes = jpg_dc_tune.split_bytes;
        jpg_dc_tune.split_bytes = 1;
        jpg_dc_tune.guess_first = true;
    }
    ~SplitScans() {
        jpg_dc_tune.split_bytes = saved.split_bytes;
        jpg_dc_tune.guess_first = false;
    }
};

// Every sampling the library scales by replication or by a 2x2 inverse DCT, odd sizes with
// partial MCUs, hard chroma edges inside blocks: our decoder's pixels are the library's.
TEST(JpegPreview, EverySamplingEqualsTheLibrarysOwnOneEighth) {
    ExpectDcPreviews();
    ScratchDir dir;
    bool djpeg = system("command -v djpeg >/dev/null 2>&1") == 0;
    if (!djpeg) printf("note: djpeg not installed; libjpeg's own 1/8 decoding is the oracle\n");
    const struct {
        int comps;
        SAMPLING smp;
    } cases[] = {
        {1, {{1}, {1}}},
        {1, {{2}, {2}}},
        {3, {{1, 1, 1}, {1, 1, 1}}},
        {3, {{2, 1, 1}, {1, 1, 1}}},
        {3, {{1, 1, 1}, {2, 1, 1}}},
        {3, {{2, 1, 1}, {2, 1, 1}}},
        {3, {{4, 1, 1}, {1, 1, 1}}},
        {3, {{3, 1, 1}, {1, 1, 1}}},
        {3, {{4, 1, 1}, {2, 1, 1}}},
        {3, {{2, 1, 1}, {4, 1, 1}}},
        {3, {{2, 1, 2}, {2, 1, 1}}},
        {3, {{4, 2, 1}, {1, 1, 1}}},
    };
    for (const auto &k : cases) {
        for (int size : {203, 9}) {
            const SAMPLING &m = k.smp;
            SCOPED_TRACE(testing::Message() << k.comps << " components, luma " << m.h[0] << "x"
                                            << m.v[0] << ", chroma " << m.h[1] << "x" << m.v[1]
                                            << " " << m.h[2] << "x" << m.v[2] << ", " << size);
            std::vector<uint8_t> jpg = MakeJpeg(size, size * 2 / 3 + 3, k.comps, m);
            PNMIMAGE want = LibOneEighth(jpg);
            ASSERT_EQ(want.comps, k.comps);
            if (djpeg) {
                std::string in = dir.File("s.jpg"), ref = dir.File("s.pnm");
                ASSERT_TRUE(WriteWholeFile(in, jpg));
                std::string cmd = "djpeg -scale 1/8 -pnm -outfile '" + ref + "' '" + in + "'";
                ASSERT_EQ(system(cmd.c_str()), 0);
                want = PnmRead(ref);
            }
            long taken = jpg_dc_tune.taken;
            FILEINFO fi;
            ASSERT_EQ(IoReadJpegMem(jpg.data(), long(jpg.size()), &fi, 1, "t"), FILE_SUCCES);
            EXPECT_EQ(jpg_dc_tune.taken, taken + 1);
            ASSERT_EQ(fi.w, want.w);
            ASSERT_EQ(fi.h, want.h);
            ASSERT_EQ(fi.bit, 8 * want.comps);
            EXPECT_EQ(0, memcmp(fi.fbuf, want.px.data(), want.px.size()));
            FreeRead(&fi);
        }
    }
}

// Luma 3x2 with chroma 2x1 needs a step of one and a half samples, which the library refuses
// ("Fractional sampling not implemented"): so must the preview, or an album would show a file
// that nothing else opens.
TEST(JpegPreview, FractionalSamplingIsRefusedLikeTheLibraryDoes) {
    std::vector<uint8_t> jpg = MakeJpeg(64, 48, 3, {{3, 2, 2}, {2, 1, 1}});
    EXPECT_EQ(LibOneEighth(jpg).comps, 0);
    FILEINFO fi;
    EXPECT_NE(IoReadJpegMem(jpg.data(), long(jpg.size()), &fi, 4, "t"), FILE_SUCCES);
    EXPECT_EQ(fi.fbuf, nullptr);
}

TEST(JpegPreview, ScansSplitBetweenThreadsDecodeAlike) {
    FILEINFO one, two;
    ASSERT_NE(ReadImage(DataPath("dc-420.jpg"), &one, IO_READ_FULL, 16), nullptr);
    SplitScans split;
    ExpectDcPreviews();
    // Without restart markers the first thread takes over the guessed second half.
    for (const char *name : {"dc-grey.jpg", "dc-422.jpg", "dc-411.jpg", "dc-420.jpg"}) {
        SCOPED_TRACE(name);
        long before = jpg_dc_tune.guessed;
        ASSERT_NE(ReadImage(DataPath(name), &two, IO_READ_FULL, 16), nullptr);
        EXPECT_GT(jpg_dc_tune.guessed - before, two.w * two.h / 16 / 4);
        FreeRead(&two);
    }
    ASSERT_NE(ReadImage(DataPath("dc-420.jpg"), &two, IO_READ_FULL, 16), nullptr);
    ASSERT_EQ(one.w * one.h, two.w * two.h);
    EXPECT_EQ(0, memcmp(one.fbuf, two.fbuf, static_cast<size_t>(one.w) * one.h * 3));
    FreeRead(&one);
    FreeRead(&two);
}

// What the DC decoder does not trust is the library's, pixel for pixel and with its warning: a
// truncated scan, restart markers out of turn or an interval cut short (4:2:0, where the two
// decoders differ), a code no table holds in the second half (where the guess goes wrong after
// the threads met).
TEST(JpegPreview, DamagedScansAreLeftToTheLibrary) {
    for (bool split : {false, true}) {
        std::unique_ptr<SplitScans> tune(split ? new SplitScans : nullptr);
        for (const char *name :
             {"dc-420-trunc", "dc-420-badrst", "dc-420-shortrst", "dc-corrupt"}) {
            std::string jpg = std::string(name) + ".jpg", ref = std::string(name) + ".q8.ref.pnm";
            testing::internal::CaptureStderr();
            ExpectSameAsDjpeg(jpg.c_str(), ref.c_str(), 16);
            std::string err = testing::internal::GetCapturedStderr();
            EXPECT_NE(err.find(jpg), std::string::npos) << err;
        }
    }
}

TEST(JpegWrite, ComponentsAndCommentFollowTheImage) {
    ScratchDir dir;
    std::vector<uint8_t> px(13 * 7 * 3);
    for (size_t i = 0; i < px.size(); i++)
        px[i] = static_cast<uint8_t>(i * 5);
    SAVEINFO save{};
    save.w = 13, save.h = 7, save.bit = 24, save.quality = 90, save.ftyp = FTYP_JPEG;
    save.fbuf = px.data();
    FILEREQ req{};
    std::string colour = dir.File("c.jpg"), grey = dir.File("g.jpg");
    req.path = colour.c_str();
    ASSERT_EQ(IoSaveFile(&req, &save), FILE_SUCCES);
    JPEGFACTS f = ReadFacts(colour);
    EXPECT_EQ(f.comps, 3);
    EXPECT_EQ(f.w, 13);
    EXPECT_EQ(f.h, 7);
    EXPECT_EQ(f.comment, "create: dravik");

    save.bit = 8, save.maptyp = MAPTYP_GREY;
    req.path = grey.c_str();
    ASSERT_EQ(IoSaveFile(&req, &save), FILE_SUCCES);
    EXPECT_EQ(ReadFacts(grey).comps, 1);
    // A grey image read and saved again stays grey.
    FILEINFO fi;
    ASSERT_NE(ReadImage(DataPath("grey-37x23.jpg"), &fi), nullptr);
    save.w = fi.w, save.h = fi.h, save.fbuf = fi.fbuf, save.maptyp = fi.maptyp;
    ASSERT_EQ(IoSaveFile(&req, &save), FILE_SUCCES);
    EXPECT_EQ(ReadFacts(grey).comps, 1);
    FreeRead(&fi);

    save.ftyp = FTYP_BMP;
    std::string bmp = dir.File("x.bmp");
    req.path = bmp.c_str();
    EXPECT_EQ(IoSaveFile(&req, &save), 0);
    EXPECT_FALSE(Exists(bmp));
}

TEST(JpegWrite, PaletteImagesGoThroughTheirMaps) {
    ScratchDir dir;
    const int w = 16, h = 16;
    std::vector<uint8_t> idx(w * h);
    for (int i = 0; i < w * h; i++)
        idx[i] = (i % w) < 8 ? 0 : 5; // 5 is past the short map
    uint16_t r[2] = {0xFF00, 0x0000}, g[2] = {0, 0}, b[2] = {0, 0xFF00};
    SAVEINFO save{};
    save.w = w, save.h = h, save.bit = 8, save.quality = 100, save.ftyp = FTYP_JPEG;
    save.maptyp = MAPTYP_PALETTE, save.mapentry = 2;
    save.fbuf = idx.data(), save.rmap = r, save.gmap = g, save.bmap = b;
    FILEREQ req{};
    std::string path = dir.File("pal.jpg");
    req.path = path.c_str();
    ASSERT_EQ(IoWriteJpeg(&req, &save), FILE_SUCCES);
    EXPECT_EQ(ReadFacts(path).comps, 3);
    FILEINFO fi;
    ASSERT_NE(ReadImage(path, &fi), nullptr);
    const uint8_t *left = fi.fbuf + (8 * w + 2) * 3, *right = fi.fbuf + (8 * w + 13) * 3;
    EXPECT_GT(left[0], 200);
    EXPECT_LT(left[2], 60);
    EXPECT_LT(right[0], 60);
    EXPECT_GT(right[2], 200);
    FreeRead(&fi);
}

TEST(JpegWrite, FrameRangeWritesOneFilePerFrame) {
    ScratchDir dir;
    const int w = 8, h = 6, frames = 5;
    std::vector<uint8_t> px(static_cast<size_t>(w) * h * frames);
    for (int f = 0; f < frames; f++)
        memset(px.data() + f * w * h, 40 * f, w * h);
    SAVEINFO save{};
    save.w = w, save.h = h, save.bit = 8, save.maptyp = MAPTYP_GREY, save.quality = 100;
    save.ftyp = FTYP_JPEG, save.first_frame = 2, save.last_frame = 3, save.fbuf = px.data();
    save.frames = frames;
    FILEREQ req{};
    std::string path = dir.File("x.dcm");
    req.path = path.c_str();
    ASSERT_EQ(IoWriteJpeg(&req, &save), FILE_SUCCES);
    for (int f = 0; f < frames; f++) {
        std::string name = dir.File(("x.frm" + std::to_string(f) + ".jpg").c_str());
        EXPECT_EQ(Exists(name), f == 2 || f == 3) << name;
    }
    EXPECT_FALSE(Exists(path));
    // Frame 3 holds the fourth frame's grey value.
    FILEINFO fi;
    ASSERT_NE(ReadImage(dir.File("x.frm3.jpg"), &fi), nullptr);
    EXPECT_NEAR(fi.fbuf[0], 120, 1);
    FreeRead(&fi);

    std::string kept = dir.File("scan.frm2.old.jpg");
    req.path = kept.c_str();
    save.last_frame = 2;
    ASSERT_EQ(IoWriteJpeg(&req, &save), FILE_SUCCES);
    EXPECT_TRUE(Exists(kept));

    char name[256];
    EXPECT_EQ(IoJpegFrameName("/a.b/noext", 4, name, sizeof name), 0);
    EXPECT_STREQ(name, "/a.b/noext.frm4");
    EXPECT_EQ(IoJpegFrameName("/d/b.jpg", 3, name, sizeof name), 0);
    EXPECT_STREQ(name, "/d/b.frm3.jpg");
}

TEST(JpegWrite, FailuresReleaseAndReport) {
    SAVEINFO save{};
    FILEREQ req{};
    EXPECT_EQ(IoWriteJpeg(&req, nullptr), -8);
    EXPECT_EQ(IoWriteJpeg(&req, &save), FILE_ERROR_WRITE);
    std::vector<uint8_t> px(4 * 4 * 3, 7);
    save.w = 4, save.h = 4, save.bit = 24, save.quality = 80, save.fbuf = px.data();
    req.path = "/nonexistent-dir/x.jpg";
    testing::internal::CaptureStderr();
    EXPECT_EQ(IoWriteJpeg(&req, &save), FILE_ERROR_CREATE);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("/nonexistent-dir/x.jpg"),
              std::string::npos);
    ScratchDir dir;
    std::string path = dir.File("p.jpg");
    req.path = path.c_str();
    save.bit = 8, save.maptyp = MAPTYP_PALETTE; // palette without maps
    EXPECT_EQ(IoWriteJpeg(&req, &save), -8);
    save.fbuf = nullptr, save.bit = 24;
    EXPECT_EQ(IoWriteJpeg(&req, &save), FILE_ERROR_DATA);
}

// Saving over the file shown: a write that fails half-way (here the file-size limit, as a full
// disk would) leaves the old file whole, reports the failure and leaves no temporary file; a
// save that succeeds replaces it and keeps its permissions.
TEST(JpegWrite, FailedSaveLeavesTheOldFileWhole) {
    ScratchDir dir;
    std::string path = dir.File("shown.jpg");
    const std::string old(5000, 'o');
    ASSERT_TRUE(WriteWholeFile(path, old));
    ASSERT_EQ(chmod(path.c_str(), 0640), 0);
    std::vector<uint8_t> px(256 * 256 * 3);
    for (size_t i = 0; i < px.size(); i++)
        px[i] = static_cast<uint8_t>(i * 2654435761u >> 13); // noise compresses badly
    SAVEINFO save{};
    save.w = save.h = 256, save.bit = 24, save.quality = 95, save.fbuf = px.data();
    save.ftyp = FTYP_JPEG;
    FILEREQ req;
    IoRequestInit(&req, path.c_str());

    {
        rlimit saved;
        ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
        sighandler_t prev = signal(SIGXFSZ, SIG_IGN);
        rlimit small = saved;
        small.rlim_cur = 8192;
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
        testing::internal::CaptureStderr();
        int rc = IoWriteJpeg(&req, &save);
        std::string err = testing::internal::GetCapturedStderr();
        setrlimit(RLIMIT_FSIZE, &saved);
        signal(SIGXFSZ, prev);
        EXPECT_LT(rc, 0);
        EXPECT_NE(err.find(path), std::string::npos) << err;
    }
    EXPECT_TRUE(ReadWholeFile(path) == old) << "the old file was changed";
    EXPECT_EQ(DirNames(dir.path).size(), 1u);

    ASSERT_EQ(IoWriteJpeg(&req, &save), FILE_SUCCES);
    std::string now = ReadWholeFile(path);
    ASSERT_GT(now.size(), 2u);
    EXPECT_EQ(static_cast<uint8_t>(now[0]), 0xFF);
    EXPECT_EQ(static_cast<uint8_t>(now[1]), 0xD8);
    struct stat st;
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(DirNames(dir.path).size(), 1u);
}

namespace {

std::vector<uint8_t> Stream(const char *name) {
    return ReadFileBytes(DataPath(name));
}

// The first frame header's size claim changed, and comment segments after SOI up to `size`.
std::vector<uint8_t> Claimed(std::vector<uint8_t> b, int w, int h, size_t size) {
    for (size_t i = 2; i + 8 < b.size(); i++) {
        if (b[i] == 0xFF && (b[i + 1] == 0xC0 || b[i + 1] == 0xC2)) {
            b[i + 5] = static_cast<uint8_t>(h >> 8), b[i + 6] = static_cast<uint8_t>(h);
            b[i + 7] = static_cast<uint8_t>(w >> 8), b[i + 8] = static_cast<uint8_t>(w);
            break;
        }
    }
    while (b.size() + 4 <= size) {
        size_t n = std::min<size_t>(size - b.size() - 4, 65533);
        std::vector<uint8_t> com = {0xFF, 0xFE, static_cast<uint8_t>((n + 2) >> 8),
                                    static_cast<uint8_t>(n + 2)};
        com.resize(4 + n, 'x');
        b.insert(b.begin() + 2, com.begin(), com.end());
    }
    return b;
}

// `count` more scans before EOI, each one end-of-band run over all (up to 32767) blocks of the
// first component, coded with a one-code table of its own.
std::vector<uint8_t> WithScans(std::vector<uint8_t> b, int count) {
    b.resize(b.size() - 2);
    const uint8_t dht[] = {0xFF, 0xC4, 0x00, 0x14, 0x11, 1, 0, 0, 0, 0, 0,
                           0,    0,    0,    0,    0,    0, 0, 0, 0, 0, 0xE0};
    const uint8_t scan[] = {0xFF, 0xDA, 0x00, 0x08, 0x01, 0x01, 0x01,
                            0x01, 0x3F, 0x00, 0x7F, 0xFF, 0x00};
    b.insert(b.end(), dht, dht + sizeof dht);
    for (int i = 0; i < count; i++)
        b.insert(b.end(), scan, scan + sizeof scan);
    b.push_back(0xFF), b.push_back(0xD9);
    return b;
}

// A read of the bytes from a file, full or as a thumbnail preview: the result and stderr.
struct BudgetRead {
    int rc;
    std::string err;
    BudgetRead(const ScratchDir &dir, const std::vector<uint8_t> &b, int preview = 0) {
        std::string path = dir.File("budget.jpg");
        WriteWholeFile(path, b);
        FILEREQ req;
        IoRequestInit(&req, path.c_str());
        req.preview = preview;
        FILEINFO fi{};
        testing::internal::CaptureStderr();
        rc = IoReadJpeg(&req, &fi, IO_READ_FULL);
        err = testing::internal::GetCapturedStderr();
        IoFreeRecord(&fi, "t");
    }
};

} // namespace

TEST(JpegBudget, EndlessScansStopAtTheScanLimit) {
    ScratchDir dir;
    std::vector<uint8_t> prog = Stream("grey-prog-160x120.jpg");
    EXPECT_EQ(BudgetRead(dir, WithScans(prog, 50)).rc, FILE_SUCCES);
    BudgetRead endless(dir, WithScans(prog, IO_BUDGET_SCANS));
    EXPECT_EQ(endless.rc, FILE_ERROR_DATA);
    EXPECT_NE(endless.err.find("more than 100 scans (the scan limit)"), std::string::npos)
        << endless.err;
    // A thumbnail needs the DC scans only and never meets the extra ones.
    EXPECT_EQ(BudgetRead(dir, WithScans(prog, IO_BUDGET_SCANS), 8).rc, FILE_SUCCES);
}

TEST(JpegBudget, ImagesAndCoefficientsBeyondTheBudgetsAreRefusedBeforeDecoding) {
    ScratchDir dir;
    // 14000 x 14000 in colour: 561 MiB of output fits, its coefficients do not.
    std::vector<uint8_t> coef = Claimed(Stream("col-progressive.jpg"), 14000, 14000, 200000);
    for (int preview : {0, 96}) {
        BudgetRead r(dir, coef, preview);
        EXPECT_EQ(r.rc, FILE_ERROR_DATA);
        EXPECT_NE(r.err.find("more than the 512 MiB decoder budget"), std::string::npos) << r.err;
    }
    // 46000 x 46000 grey, long enough for the rule of pixels a byte: 2 GiB of output.
    BudgetRead big(dir, Claimed(Stream("grey-prog-160x120.jpg"), 46000, 46000, 2100000));
    EXPECT_EQ(big.rc, FILE_ERROR_DATA);
    EXPECT_NE(big.err.find("exceed the 1024 MiB image budget"), std::string::npos) << big.err;
    // A baseline frame claiming 60000 x 60000 is refused too; the probe still tells its size.
    std::vector<uint8_t> claim = Claimed(Stream("col-baseline.jpg"), 60000, 60000, 0);
    EXPECT_EQ(BudgetRead(dir, claim).rc, FILE_ERROR_DATA);
    FILEINFO fi;
    EXPECT_NE(ReadImage(dir.File("budget.jpg"), &fi, IO_READ_PROBE), nullptr);
    EXPECT_EQ(fi.w, 60000);
    FreeRead(&fi);
}

namespace {

// A segment of marker `code` holding `data`.
std::vector<uint8_t> Segment(int code, const std::string &data) {
    size_t n = data.size() + 2;
    std::vector<uint8_t> s(n + 2);
    s[0] = 0xFF, s[1] = static_cast<uint8_t>(code);
    s[2] = static_cast<uint8_t>(n >> 8), s[3] = static_cast<uint8_t>(n);
    memcpy(s.data() + 4, data.data(), data.size());
    return s;
}

// The segments between SOI and the first scan, as (code, data) pairs.
std::vector<std::pair<int, std::string>> Segments(const std::vector<uint8_t> &b) {
    std::vector<std::pair<int, std::string>> out;
    for (size_t i = 2; i + 4 <= b.size() && b[i] == 0xFF && b[i + 1] != 0xDA;) {
        size_t n = static_cast<size_t>(b[i + 2] << 8 | b[i + 3]);
        if (i + 2 + n > b.size()) break;
        out.emplace_back(b[i + 1], std::string(b.begin() + static_cast<long>(i) + 4,
                                               b.begin() + static_cast<long>(i + 2 + n)));
        i += 2 + n;
    }
    return out;
}

// Reads `src` (bytes) full size and writes it again: the segments of the written file.
std::vector<std::pair<int, std::string>> Rewritten(const ScratchDir &dir,
                                                   const std::vector<uint8_t> &src) {
    std::string in = dir.File("in.jpg"), out = dir.File("out.jpg");
    WriteWholeFile(in, src);
    FILEINFO fi;
    EXPECT_NE(ReadImage(in, &fi), nullptr);
    SAVEINFO save;
    IoSaveInfoFromImage(&fi, &save);
    save.ftyp = FTYP_JPEG, save.quality = 90;
    FILEREQ req;
    IoRequestInit(&req, out.c_str());
    EXPECT_EQ(IoSaveFile(&req, &save), FILE_SUCCES);
    FreeRead(&fi);
    return Segments(ReadFileBytes(out));
}

} // namespace

TEST(JpegMarkers, ExifIccChunksAndCommentGoIntoEveryWrittenCopy) {
    ScratchDir dir;
    std::string exif = std::string("Exif\0\0MM\0*", 10) + std::string(300, 'e');
    std::string icc1 = std::string("ICC_PROFILE\0\1\2", 14) + std::string(40000, 'a');
    std::string icc2 = std::string("ICC_PROFILE\0\2\2", 14) + std::string(900, 'b');
    std::string mpf = std::string("MPF\0", 4) + std::string(50, 'm');
    std::vector<uint8_t> b = Stream("col-160x120.jpg");
    std::vector<uint8_t> segs;
    for (auto s : {Segment(0xE1, exif), Segment(0xE2, icc1), Segment(0xE2, icc2),
                   Segment(0xE2, mpf), Segment(0xFE, "a camera's comment")})
        segs.insert(segs.end(), s.begin(), s.end());
    // After SOI and the file's own JFIF segment.
    size_t app0 = 4 + static_cast<size_t>(b[4] << 8 | b[5]);
    b.insert(b.begin() + static_cast<long>(app0), segs.begin(), segs.end());
    auto got = Rewritten(dir, b);
    std::vector<std::pair<int, std::string>> want = {
        {0xE1, exif}, {0xE2, icc1}, {0xE2, icc2}, {0xFE, "a camera's comment"}};
    // Exif comes first, without a JFIF header; the index of the source's pictures is dropped.
    ASSERT_GE(got.size(), want.size());
    for (size_t i = 0; i < want.size(); i++) {
        EXPECT_EQ(got[i].first, want[i].first) << i;
        EXPECT_TRUE(got[i].second == want[i].second) << i;
    }
    for (auto &s : got) {
        EXPECT_NE(s.first, 0xE0);
        EXPECT_NE(s.second, mpf);
        EXPECT_NE(s.second, "create: dravik");
    }
    // A source without markers gets the writer's comment only.
    auto plain = Rewritten(dir, Stream("col-160x120.jpg"));
    int comments = 0;
    for (auto &s : plain) {
        EXPECT_TRUE(s.first == 0xE0 || s.first == 0xFE || s.first == 0xDB || s.first == 0xC0 ||
                    s.first == 0xC4)
            << s.first;
        comments += s.first == 0xFE && s.second == "create: dravik";
    }
    EXPECT_EQ(comments, 1);
}

TEST(JpegMarkers, AProfileBeyondTheBudgetIsDroppedWholeAndTheRestKept) {
    ScratchDir dir;
    std::vector<uint8_t> b = Stream("col-160x120.jpg");
    std::vector<uint8_t> segs;
    auto add = [&](const std::vector<uint8_t> &s) { segs.insert(segs.end(), s.begin(), s.end()); };
    add(Segment(0xE1, std::string("Exif\0\0", 6) + "II*"));
    add(Segment(0xFE, "kept"));
    int chunks = static_cast<int>(IO_BUDGET_MARKERS / 65000) + 2;
    for (int i = 1; i <= chunks; i++)
        add(Segment(0xE2, std::string("ICC_PROFILE\0", 12) + static_cast<char>(i) +
                              static_cast<char>(chunks) + std::string(64000, 'p')));
    b.insert(b.begin() + 2, segs.begin(), segs.end());
    auto got = Rewritten(dir, b);
    int exif = 0, icc = 0, kept = 0;
    for (auto &s : got) {
        exif += s.first == 0xE1;
        icc += s.first == 0xE2;
        kept += s.second == "kept";
    }
    EXPECT_EQ(exif, 1);
    EXPECT_EQ(kept, 1);
    EXPECT_EQ(icc, 0);
}
