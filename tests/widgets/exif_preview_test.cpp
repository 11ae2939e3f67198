// Every orientation a camera writes shows the same upright picture in the file box preview, the
// directory preview and album thumbnails.
#include <gtest/gtest.h>

#include "io/io_album.h"
#include "image/io_exif.h"
#include "image/image_testutil.h"
#include "support/jpeg_file.h"
#include "widgets/xfilebox.h"

#include <string>

namespace {

constexpr unsigned QUAD[4] = {0xE01010, 0x10E010, 0x1010E0, 0xE0E010}; // TL, TR, BL, BR

// The upright quadrant picture stored as orientation `o` says a camera stores it: turned by the
// inverse of `o`, with the orientation in its Exif.
std::string StoredAs(const ScratchDir &dir, int o) {
    const int w = 256, h = 192;
    FILEINFO up{};
    up.w = w, up.h = h, up.bit = 24, up.frames = 1;
    up.fbuf = static_cast<uint8_t *>(MemCreate(w * h * 3, "t"));
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++) {
            unsigned c = QUAD[(y >= h / 2) * 2 + (x >= w / 2)];
            uint8_t *p = up.fbuf + (static_cast<size_t>(y) * w + x) * 3;
            p[0] = static_cast<uint8_t>(c >> 16), p[1] = static_cast<uint8_t>(c >> 8);
            p[2] = static_cast<uint8_t>(c);
        }
    ImageOrient(&up, o == 6 ? 8 : o == 8 ? 6 : o); // the others undo themselves
    std::string plain = dir.File("plain.jpg");
    EXPECT_TRUE(WriteJpegFile(plain.c_str(), up.w, up.h, 95, false, [&](int y, JSAMPLE *row) {
        memcpy(row, up.fbuf + static_cast<size_t>(y) * up.w * 3, static_cast<size_t>(up.w) * 3);
    }));
    MemFree(up.fbuf, "t");
    std::string path = dir.File(("o" + std::to_string(o) + ".jpg").c_str());
    EXPECT_TRUE(WriteWholeFile(path, JpegWithOrientation(ReadWholeFile(plain), o)));
    return path;
}

// The colour at each quadrant's centre matches within JPEG's error.
void ExpectUpright(const FILEINFO &fi, const char *where) {
    SCOPED_TRACE(where);
    ASSERT_NE(fi.fbuf, nullptr);
    ASSERT_EQ(fi.bit, 24);
    ASSERT_GT(fi.w, fi.h);
    for (int q = 0; q < 4; q++) {
        int x = fi.w / 4 + (q % 2) * fi.w / 2, y = fi.h / 4 + (q / 2) * fi.h / 2;
        const uint8_t *p = fi.fbuf + (static_cast<size_t>(y) * fi.w + x) * 3;
        for (int k = 0; k < 3; k++)
            EXPECT_NEAR(p[k], (QUAD[q] >> (16 - 8 * k)) & 0xFF, 24) << "quadrant " << q;
    }
}

} // namespace

TEST(ExifPreviews, EveryOrientationShowsTheSameUprightPictureInPreviewsAndThumbnails) {
    ScratchDir dir;
    for (int o = 1; o <= 8; o++) {
        SCOPED_TRACE(o);
        std::string path = StoredAs(dir, o);
        // The file box's small preview (a DCT-scaled decode) and the directory preview's cell.
        for (int edge : {32, 96}) {
            FILEINFO fi{};
            ASSERT_EQ(FilePreviewLoad(path.c_str(), edge, edge, edge, 0, 1, &fi), 0);
            ExpectUpright(fi, edge == 32 ? "file box preview" : "directory preview");
            IoFreeRecord(&fi, path.c_str());
        }
        ALBUMDAT album;
        memset(&album, 0, sizeof album);
        snprintf(album.path, sizeof album.path, "%s", dir.File("a.alb").c_str());
        remove(album.path);
        ASSERT_EQ(IoAlbumLoad(&album, 64), FILE_SUCCES);
        ASSERT_EQ(IoAlbumAppend(&album.file, path.c_str(), &album), FILE_SUCCES);
        IoAlbumFree(&album);
        ASSERT_EQ(IoAlbumLoad(&album, 0), FILE_SUCCES);
        FILEINFO cell{};
        ASSERT_EQ(IoAlbumEntryImage(&album, 0, &cell), FILE_SUCCES);
        ExpectUpright(cell, "album thumbnail");
        IoFreeRecord(&cell, "t");
        IoAlbumFree(&album);
    }
}
