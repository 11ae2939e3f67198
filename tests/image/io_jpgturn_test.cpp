#include "image/io_jpgturn.h"

#include "image/io_exif.h"
#include "image/image_testutil.h"
#include "io/io_read.h"
#include "support/jpeg_file.h"
#include "support/proc.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A textured w x h photo-like file (4:2:0) carrying an Exif orientation and a comment.
std::string TexturedJpeg(const ScratchDir &dir, const char *name, int w, int h, int orientation) {
    std::string plain = dir.File("plain.jpg");
    WriteJpegFile(plain.c_str(), w, h, 85, false, [w](int y, JSAMPLE *row) {
        for (int x = 0; x < w; x++) {
            row[x * 3] = static_cast<JSAMPLE>(x * 7 + y * 3);
            row[x * 3 + 1] = static_cast<JSAMPLE>((x ^ y) * 5);
            row[x * 3 + 2] = static_cast<JSAMPLE>(y * 11 - x);
        }
    });
    std::string b = ReadWholeFile(plain);
    std::string path = dir.File(name);
    WriteWholeFile(
        path, JpegWithOrientation(b.substr(0, 2) + JpegSegment(0xFE, "kept note") + b.substr(2),
                                  orientation));
    return path;
}

// Read as the viewer reads: the file's name and size kept, Exif applied when `exif` says so.
bool Read(const std::string &path, FILEINFO *fi, int exif = 1) {
    FILEREQ req;
    IoRequestInit(&req, path.c_str());
    req.exif_rotate = exif;
    return IoReadFile(&req, fi, IO_READ_FULL) && fi->fbuf;
}

std::vector<uint8_t> Px(const FILEINFO &fi) {
    return std::vector<uint8_t>(fi.fbuf, fi.fbuf + static_cast<size_t>(fi.w) * fi.h * fi.bit / 8);
}

// Saves `fi` (read from its file, then turned) as the view's File > Save does.
int SaveTurned(const FILEINFO &fi, const std::string &dest, int quality) {
    FILEREQ req;
    IoRequestInit(&req, dest.c_str());
    SAVEINFO save;
    IoSaveInfoFromImage(&fi, &save);
    save.ftyp = FTYP_JPEG;
    save.quality = quality;
    save.source = fi.fname;
    save.sourcesize = fi.fsize;
    save.turn = fi.turn;
    return IoSaveFile(&req, &save);
}

// jpegtran's turn `args` of `src` into `out`, without markers (so read as it is stored); false
// when jpegtran is missing.
bool Jpegtran(std::vector<std::string> args, const std::string &src, const std::string &out) {
    args.insert(args.begin(), "/usr/bin/jpegtran");
    args.insert(args.end(), {"-copy", "none", "-outfile", out, src});
    ToolResult t = RunTool(args);
    EXPECT_TRUE(t.status == 0 || t.status == 127) << t.err;
    return t.status == 0;
}

} // namespace

TEST(JpegTurnSave, TheExifAndTheUsersTurnsComposeMarkersStayAndAFullCircleCopiesTheFile) {
    ScratchDir dir;
    // Stored on its side (6): shown turned clockwise, then mirrored by the user, the whole is a
    // transposition of the stored picture.
    std::string src = TexturedJpeg(dir, "side.jpg", 64, 48, 6);
    std::string ref = dir.File("ref.jpg"), plain = dir.File("plainref.jpg");
    if (!Jpegtran({"-transpose"}, src, ref) || !Jpegtran({}, src, plain))
        GTEST_SKIP() << "no jpegtran";
    FILEINFO fi{};
    ASSERT_TRUE(Read(src, &fi));
    EXPECT_EQ(fi.turn, 6);
    EXPECT_EQ(fi.changed, 0);
    ASSERT_EQ(ImageTurn(&fi, EXIF_ORIENT_MIRROR), FILE_SUCCES);
    std::string out = dir.File("out.jpg");
    ASSERT_EQ(SaveTurned(fi, out, 20), FILE_SUCCES);
    FILEINFO got{}, want{};
    ASSERT_TRUE(Read(out, &got));
    ASSERT_TRUE(ReadImage(ref, &want));
    EXPECT_EQ(got.w, 48);
    EXPECT_EQ(Px(got), Px(want)) << "the saved file says upright";
    FreeRead(&got);
    FreeRead(&want);
    EXPECT_NE(ReadWholeFile(out).find("kept note"), std::string::npos);
    // Turned back to the stored pixels: the coefficients are copied, the Exif says upright.
    ASSERT_EQ(ImageTurn(&fi, EXIF_ORIENT_MIRROR), FILE_SUCCES);
    ASSERT_EQ(ImageTurn(&fi, EXIF_ORIENT_ROT270), FILE_SUCCES);
    EXPECT_EQ(fi.turn, 1);
    ASSERT_EQ(SaveTurned(fi, out, 20), FILE_SUCCES);
    FreeRead(&fi);
    std::string a = ReadWholeFile(out);
    EXPECT_EQ(ExifOrientationFromJpeg(reinterpret_cast<const uint8_t *>(a.data()), a.size()), 1);
    ASSERT_TRUE(Read(out, &got));
    ASSERT_TRUE(ReadImage(plain, &want));
    EXPECT_EQ(Px(got), Px(want));
    FreeRead(&got);
    FreeRead(&want);
}

TEST(JpegTurnSave, PartialEdgeBlocksOrAChangedSourceAreEncodedUprightInstead) {
    ScratchDir dir;
    // 44 rows are not whole 16-row blocks: a quarter turn would move partial blocks.
    std::string src = TexturedJpeg(dir, "odd.jpg", 60, 44, 3);
    std::string bytes = ReadWholeFile(src);
    uint8_t *out = nullptr;
    long outlen = 0;
    const auto *in = reinterpret_cast<const uint8_t *>(bytes.data());
    EXPECT_EQ(JpgTurnMem(in, static_cast<long>(bytes.size()), 6, 44, 60, &out, &outlen, "t"),
              JPG_TURN_LOSSY);
    EXPECT_EQ(JpgTurnMem(in, static_cast<long>(bytes.size()), 3, 60, 44, &out, &outlen, "t"),
              JPG_TURN_LOSSY);
    // A stream of another size than the picture held is not the picture's file.
    EXPECT_EQ(JpgTurnMem(in, static_cast<long>(bytes.size()), 5, 44, 61, &out, &outlen, "t"),
              FILE_ERROR_DATA);
    EXPECT_EQ(JpgTurnFile(src.c_str(), static_cast<long>(bytes.size()) + 1, 5, 44, 60,
                          dir.File("x.jpg").c_str()),
              FILE_ERROR_READ);
    EXPECT_EQ(out, nullptr);
    // Shown as stored (the setting off), turned by the user: encoded, and the Exif says upright.
    FILEINFO fi{};
    ASSERT_TRUE(Read(src, &fi, 0));
    ASSERT_EQ(ImageTurn(&fi, EXIF_ORIENT_ROT90), FILE_SUCCES);
    std::string dest = dir.File("out.jpg");
    ASSERT_EQ(SaveTurned(fi, dest, 95), FILE_SUCCES);
    FILEINFO got{};
    ASSERT_TRUE(Read(dest, &got));
    ASSERT_EQ(got.w, 44);
    ASSERT_EQ(got.h, 60);
    EXPECT_EQ(got.orientation, 1);
    std::vector<uint8_t> a = Px(got), b = Px(fi);
    long diff = 0;
    for (size_t i = 0; i < a.size(); i++)
        diff += std::abs(a[i] - b[i]);
    // A second encoding of the texture's colours costs a few levels; a wrong turn costs dozens.
    EXPECT_LT(diff / static_cast<long>(a.size()), 12);
    FreeRead(&got);
    FreeRead(&fi);
}
