#include "image/io_exif.h"

#include "image/image_testutil.h"
#include "io/io_read.h"
#include "support/jpeg_file.h"
#include "support/proc.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// An Exif APP1 payload whose IFD0 holds `before` other entries, then the orientation entry.
static std::vector<uint8_t> App1(bool big, int orientation, int before = 1) {
    std::vector<uint8_t> p = {'E', 'x', 'i', 'f', 0, 0};
    auto u16 = [&](unsigned v) {
        p.push_back(static_cast<uint8_t>(big ? v >> 8 : v));
        p.push_back(static_cast<uint8_t>(big ? v : v >> 8));
    };
    auto u32 = [&](uint32_t v) {
        big ? (u16(v >> 16), u16(v & 0xFFFF)) : (u16(v & 0xFFFF), u16(v >> 16));
    };
    p.insert(p.end(), big ? std::initializer_list<uint8_t>{'M', 'M', 0, 42}
                          : std::initializer_list<uint8_t>{'I', 'I', 42, 0});
    u32(8);
    u16(static_cast<unsigned>(before + 1));
    for (int i = 0; i < before; i++) { // ImageDescription-like ASCII entries, held elsewhere
        u16(0x010E);
        u16(2);
        u32(20);
        u32(100);
    }
    u16(0x0112);
    u16(3);
    u32(1);
    u16(static_cast<unsigned>(orientation));
    u16(0);
    u32(0);
    return p;
}

TEST(ExifOrientation, ReadAndWrittenInBothByteOrdersBehindOtherEntries) {
    for (bool big : {false, true}) {
        SCOPED_TRACE(big);
        std::vector<uint8_t> p = App1(big, 6, 3);
        EXPECT_EQ(ExifOrientationFromApp1(p.data(), p.size()), 6);
        ASSERT_TRUE(ExifOrientationSet(p.data(), p.size(), 1));
        EXPECT_EQ(ExifOrientationFromApp1(p.data(), p.size()), 1);
        // Inside a JPEG stream behind a JFIF header and a fill byte; not after the scan.
        std::vector<uint8_t> jpeg = {0xFF, 0xD8, 0xFF, 0xE0, 0, 4, 'J', 'F', 0xFF};
        std::vector<uint8_t> q = App1(big, 8);
        jpeg.insert(jpeg.end(), {0xFF, 0xE1, static_cast<uint8_t>((q.size() + 2) >> 8),
                                 static_cast<uint8_t>(q.size() + 2)});
        jpeg.insert(jpeg.end(), q.begin(), q.end());
        EXPECT_EQ(ExifOrientationFromJpeg(jpeg.data(), jpeg.size()), 8);
        std::vector<uint8_t> late = {0xFF, 0xD8, 0xFF, 0xDA, 0, 2};
        late.insert(late.end(), jpeg.begin() + 2, jpeg.end());
        EXPECT_EQ(ExifOrientationFromJpeg(late.data(), late.size()), 1);
    }
}

TEST(ExifOrientation, DamagedOrMissingValuesGiveNormal) {
    std::vector<uint8_t> p = App1(false, 9);
    EXPECT_EQ(ExifOrientationFromApp1(p.data(), p.size()), 1);
    EXPECT_FALSE(ExifOrientationSet(p.data(), p.size(), 0));
    p = App1(false, 3, 2);
    for (size_t cut = 0; cut < p.size() - 4; cut++) // every cut before the value's bytes
        EXPECT_EQ(ExifOrientationFromApp1(p.data(), cut), 1) << cut;
    p[10] = 0xF0; // IFD offset far past the end
    EXPECT_EQ(ExifOrientationFromApp1(p.data(), p.size()), 1);
    p = App1(false, 3);
    p[14] = 0xFF; // an entry count past the end, and no orientation among the entries there:
    p[15] = 0xFF; // the walk stops at the end of the payload
    p[28] = 0x13;
    EXPECT_EQ(ExifOrientationFromApp1(p.data(), p.size()), 1);
    std::vector<uint8_t> segment_past_end = {0xFF, 0xD8, 0xFF, 0xE1, 0xFF, 0xF0, 'E', 'x'};
    EXPECT_EQ(ExifOrientationFromJpeg(segment_past_end.data(), segment_past_end.size()), 1);
}

static std::vector<uint8_t> Pixels(const FILEINFO &fi) {
    int frames = fi.frames > 0 ? fi.frames : 1;
    size_t n = static_cast<size_t>(fi.w) * fi.h * (fi.bit == 24 ? 3 : 1) * frames;
    return std::vector<uint8_t>(fi.fbuf, fi.fbuf + n);
}

static FILEINFO Grey(int w, int h, int frames) {
    FILEINFO fi{};
    fi.w = w;
    fi.h = h;
    fi.bit = 8;
    fi.frames = frames;
    fi.fbuf = static_cast<uint8_t *>(MemCreate(static_cast<long>(w) * h * frames, "test"));
    for (int i = 0; i < w * h * frames; i++)
        fi.fbuf[i] = static_cast<uint8_t>(i);
    return fi;
}

TEST(ImageOrient, TurnsEveryFrameAndComposesLikeTheTurnsItStandsFor) {
    // Orientation 6 shows the stored picture turned clockwise: the bottom row becomes the left.
    FILEINFO fi = Grey(3, 2, 2);
    ASSERT_EQ(ImageOrient(&fi, 6), FILE_SUCCES);
    EXPECT_EQ(fi.w, 2);
    EXPECT_EQ(fi.h, 3);
    EXPECT_EQ(Pixels(fi), (std::vector<uint8_t>{3, 0, 4, 1, 5, 2, 9, 6, 10, 7, 11, 8}));
    FreeRead(&fi);
    // Any two turns equal their composition, and every turn has one that undoes it.
    for (int a = 1; a <= 8; a++)
        for (int b = 1; b <= 8; b++) {
            FILEINFO x = Grey(5, 3, 1), y = Grey(5, 3, 1);
            ImageOrient(&x, a);
            ImageOrient(&x, b);
            ImageOrient(&y, ExifOrientationCompose(a, b));
            EXPECT_EQ(Pixels(x), Pixels(y)) << a << " then " << b;
            EXPECT_EQ(x.w, y.w);
            FreeRead(&x);
            FreeRead(&y);
        }
    for (int a = 1; a <= 8; a++) {
        int undo = 0;
        for (int b = 1; b <= 8; b++)
            if (ExifOrientationCompose(a, b) == 1) undo++;
        EXPECT_EQ(undo, 1) << a;
    }
}

// jpegtran's lossless turn that shows a picture of each orientation upright.
static const char *const upright_op[9][2] = {
    {nullptr, nullptr}, {nullptr, nullptr},       {"-flip", "horizontal"},
    {"-rotate", "180"}, {"-flip", "vertical"},    {"-transpose", nullptr},
    {"-rotate", "90"},  {"-transverse", nullptr}, {"-rotate", "270"},
};

TEST(ImageOrient, EachOrientationShowsWhatJpegtranTurnsUpright) {
    ScratchDir dir;
    std::string src = dir.File("stored.jpg");
    // 4 x 2 cells of one colour each, a whole MCU each, so both decodings are exact at the
    // cells' centres.
    ASSERT_TRUE(WriteJpegFile(src.c_str(), 64, 32, 100, false, [](int y, JSAMPLE *row) {
        for (int x = 0; x < 64; x++) {
            int cell = (y / 16) * 4 + x / 16;
            row[x * 3] = static_cast<JSAMPLE>(30 * cell);
            row[x * 3 + 1] = static_cast<JSAMPLE>(255 - 30 * cell);
            row[x * 3 + 2] = static_cast<JSAMPLE>(cell % 2 ? 200 : 40);
        }
    }));
    for (int o = 2; o <= 8; o++) {
        SCOPED_TRACE(o);
        std::string ref = dir.File(("ref" + std::to_string(o) + ".jpg").c_str());
        std::vector<std::string> argv = {"/usr/bin/jpegtran", "-perfect", upright_op[o][0]};
        if (upright_op[o][1]) argv.push_back(upright_op[o][1]);
        argv.insert(argv.end(), {"-outfile", ref, src});
        ToolResult t = RunTool(argv);
        if (t.status == 127) GTEST_SKIP() << "jpegtran is not installed";
        ASSERT_EQ(t.status, 0) << t.err;
        FILEINFO a{}, b{};
        ASSERT_TRUE(ReadImage(src, &a));
        ASSERT_TRUE(ReadImage(ref, &b));
        ASSERT_EQ(ImageOrient(&a, o), FILE_SUCCES);
        ASSERT_EQ(a.w, b.w);
        ASSERT_EQ(a.h, b.h);
        for (int cy = 8; cy < a.h; cy += 16)
            for (int cx = 8; cx < a.w; cx += 16)
                for (int k = 0; k < 3; k++) {
                    size_t at = (static_cast<size_t>(cy) * a.w + cx) * 3 + k;
                    EXPECT_EQ(a.fbuf[at], b.fbuf[at]) << cx << "," << cy;
                }
        FreeRead(&a);
        FreeRead(&b);
    }
}

TEST(ExifOrientation, TheJpegReaderTurnsFullReadsPreviewsAndProbesWhenAsked) {
    ScratchDir dir;
    std::string plain = dir.File("plain.jpg");
    ASSERT_TRUE(WriteJpegFile(plain.c_str(), 48, 16, 90, false, [](int y, JSAMPLE *row) {
        for (int x = 0; x < 48; x++)
            row[x * 3] = row[x * 3 + 1] = row[x * 3 + 2] = static_cast<JSAMPLE>(x * 5 + y);
    }));
    std::string bytes = ReadWholeFile(plain);
    for (int o = 1; o <= 8; o++) {
        SCOPED_TRACE(o);
        std::vector<uint8_t> app1 = App1(o % 2 == 0, o);
        std::string path = dir.File("tagged.jpg");
        ASSERT_TRUE(WriteWholeFile(
            path, bytes.substr(0, 2) + JpegSegment(0xE1, std::string(app1.begin(), app1.end())) +
                      bytes.substr(2)));
        for (int preview : {0, 8}) {
            FILEINFO want{}, got{}, probe{};
            ASSERT_TRUE(ReadImage(plain, &want, IO_READ_FULL, preview));
            ImageOrient(&want, o);
            FILEREQ req;
            IoRequestInit(&req, path.c_str());
            req.exif_rotate = 1;
            req.preview = preview;
            ASSERT_TRUE(IoFindOrReadFileTyp(&req, &got, IO_READ_FULL));
            EXPECT_EQ(got.orientation, o);
            EXPECT_EQ(got.w, want.w);
            EXPECT_EQ(Pixels(got), Pixels(want));
            // The Exif kept for copies of the turned picture says it is upright.
            if (preview == 0) {
                ASSERT_NE(got.markers, nullptr);
                ASSERT_EQ(got.markers[0], 0xE1);
                long n = got.markers[1] << 8 | got.markers[2];
                EXPECT_EQ(ExifOrientationFromApp1(got.markers + 3, static_cast<size_t>(n)), 1);
            }
            ASSERT_TRUE(IoFindOrReadFileTyp(&req, &probe, IO_READ_PROBE));
            EXPECT_EQ(probe.w, o >= 5 ? 16 : 48);
            FreeRead(&want);
            FreeRead(&got);
            FreeRead(&probe);
        }
    }
}
