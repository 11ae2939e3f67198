#include <gtest/gtest.h>

#include "io/io_album.h"

#include "base/settings.h"
#include "image/image_testutil.h"
#include "image/io_jpg.h"
#include "render/ximage.h"
#include "toolkit/xwin.h"

#include <csignal>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>

namespace {

std::string Copy(const ScratchDir &dir, const char *data, const char *name) {
    std::string to = dir.File(name);
    EXPECT_TRUE(WriteWholeFile(to, ReadFileBytes(DataPath(data))));
    return to;
}

int Word(const std::vector<uint8_t> &b, size_t at) {
    return b[at] | (b[at + 1] << 8);
}

std::string Text(const std::vector<uint8_t> &b, size_t at, size_t width) {
    std::string s;
    for (size_t i = at; i < at + width && i < b.size() && b[i]; i++)
        s += static_cast<char>(b[i]);
    return s;
}

// An album record on `path`, loaded; released by the destructor.
struct Album {
    ALBUMDAT a;
    explicit Album(const std::string &path, int edge = ALBUM_EDGE_DEFAULT) {
        memset(&a, 0, sizeof a);
        snprintf(a.path, sizeof a.path, "%s", path.c_str());
        rc = IoAlbumLoad(&a, edge);
    }
    ~Album() { IoAlbumFree(&a); }
    int Append(const std::string &src) { return IoAlbumAppend(&a.file, src.c_str(), &a); }
    std::string Name(int i) {
        char buf[300];
        IoAlbumEntryField(&a, i, ALBUM_F_NAME, buf, sizeof buf);
        return buf;
    }
    int rc;
};

// Entry offsets of the built-in layout, from the marker: the field widths summed by hand.
enum {
    AT_NAME = 4,
    AT_DESC = 260,
    AT_CATCH1 = 360,
    AT_USER = 440,
    AT_WIDTH = 530,
    AT_HEIGHT = 540,
    AT_BITS = 550,
    AT_FLAG = 551,
    AT_SIZE = 552,
    AT_MTIME = 572,
    AT_THUMB = 632
};

TEST(AlbumLayout, NewAlbumIsTheBareHeader) {
    ScratchDir dir;
    std::string path = dir.File("a.alb");
    FILEREQ req;
    IoRequestInit(&req, path.c_str());
    ASSERT_EQ(IoAlbumCreate(&req, 300), FILE_SUCCES);
    std::vector<uint8_t> b = ReadFileBytes(path);
    ASSERT_EQ(b.size(), 222u);
    EXPECT_EQ(std::string(b.begin(), b.begin() + 22), "#0100#unx#8375#ALB#999");
    EXPECT_EQ(Word(b, 22), 13);
    EXPECT_EQ(Word(b, 24), 300);
    const int widths[] = {256, 100, 40, 40, 30, 30, 30, 10, 10};
    for (int i = 0; i < 9; i++)
        EXPECT_EQ(Word(b, 46 + 2 * i), widths[i]) << "field " << i + 2;
    EXPECT_EQ(b[64], 1);
    EXPECT_EQ(b[65], 1);
    EXPECT_EQ(Word(b, 66), 20);
    EXPECT_EQ(Word(b, 68), 30);
    EXPECT_EQ(Word(b, 70), 30);
    for (size_t i : {26u, 45u, 72u, 150u, 221u})
        EXPECT_EQ(b[i], 0) << i;
    struct stat st;
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0007, 0u);

    // An existing album keeps its own edge.
    ASSERT_EQ(IoAlbumCreate(&req, 50), FILE_SUCCES);
    Album album(path, 50);
    ASSERT_EQ(album.rc, FILE_SUCCES);
    EXPECT_EQ(album.a.edge, 300);
    EXPECT_EQ(album.a.blocksize, 628);
    EXPECT_EQ(album.a.entries, 0);
}

TEST(AlbumLayout, OneEntryHoldsTheTextFieldsAndAThumbnail632BytesAfterItsMarker) {
    ScratchDir dir;
    std::string src = Copy(dir, "col-160x120.jpg", "photo.jpg");
    std::string path = dir.File("a.alb");
    Album album(path);
    ASSERT_EQ(album.Append(src), FILE_SUCCES);
    std::vector<uint8_t> b = ReadFileBytes(path);
    ASSERT_GT(b.size(), 222u + 632u + 4u);
    const size_t e = 222;
    EXPECT_EQ(Text(b, e, 4), "+SK+");
    EXPECT_EQ(Text(b, e + AT_NAME, 256), src);
    EXPECT_EQ(Text(b, e + AT_DESC, 100), "Description");
    EXPECT_EQ(Text(b, e + AT_CATCH1, 40), "Catchword");
    EXPECT_EQ(Text(b, e + AT_USER, 30), "User");
    EXPECT_EQ(Text(b, e + AT_WIDTH, 10), "160");
    EXPECT_EQ(Text(b, e + AT_HEIGHT, 10), "120");
    EXPECT_EQ(b[e + AT_BITS], 24);
    EXPECT_EQ(b[e + AT_FLAG], 0);
    struct stat st;
    ASSERT_EQ(stat(src.c_str(), &st), 0);
    ASSERT_EQ(st.st_size, 7140);
    EXPECT_EQ(Text(b, e + AT_SIZE, 20), "7 KB");
    std::string ctime_text = ctime(&st.st_mtime);
    EXPECT_EQ(Text(b, e + AT_MTIME, 30), ctime_text.substr(4, 20));

    // The rest is one JPEG: a 4:3 picture fitted into the 96 square.
    std::vector<uint8_t> jpg(b.begin() + e + AT_THUMB, b.end());
    EXPECT_EQ(b.size(), 222u + 4u + 628u + jpg.size());
    ASSERT_TRUE(WriteWholeFile(dir.File("thumb.jpg"), jpg));
    FILEINFO fi;
    ASSERT_TRUE(ReadImage(dir.File("thumb.jpg"), &fi));
    EXPECT_EQ(fi.w, 96);
    EXPECT_NEAR(fi.h, 72, 1);
    EXPECT_EQ(fi.bit, 24);
    FreeRead(&fi);

    // A DICOM source is read like a picture; the sanitizer build also checks that its header
    // table is released with all its groups.
    std::string ct = Copy(dir, "implicit-mono2.dcm", "ct.dcm");
    ASSERT_EQ(album.Append(ct), FILE_SUCCES);
    std::vector<uint8_t> two = ReadFileBytes(path);
    ASSERT_GT(two.size(), b.size() + 632u);
    EXPECT_EQ(Text(two, b.size() + AT_NAME, 256), ct);
    EXPECT_EQ(Text(two, b.size() + AT_WIDTH, 10), "32");
    EXPECT_EQ(Text(two, b.size() + AT_HEIGHT, 10), "32");
}

// A header with narrower fields, built by hand: name 64, description 8, the rest absent except
// the width text.
std::vector<uint8_t> NarrowAlbum(const std::vector<uint8_t> &jpg) {
    std::vector<uint8_t> b(222, 0);
    IoAlbumHeaderInit(b.data(), 40);
    for (int at = 46; at < 72; at++)
        b[at] = 0;
    b[46] = 64; // name
    b[48] = 8;  // description
    b[60] = 10; // width
    std::vector<uint8_t> e(4 + 64 + 8 + 10, 0);
    memcpy(e.data(), "+SK+", 4);
    memcpy(e.data() + 4, "/pics/narrow.jpg", 16);
    memcpy(e.data() + 68, "Describe", 8); // fills its field, no terminator
    memcpy(e.data() + 76, "37", 2);
    b.insert(b.end(), e.begin(), e.end());
    b.insert(b.end(), jpg.begin(), jpg.end());
    return b;
}

TEST(AlbumLayout, OtherFieldWidthsAreReadFromTheHeaderAndRewrittenInTheBuiltInLayout) {
    ScratchDir dir;
    std::string path = dir.File("n.alb");
    std::vector<uint8_t> jpg = ReadFileBytes(DataPath("grey-37x23.jpg"));
    ASSERT_TRUE(WriteWholeFile(path, NarrowAlbum(jpg)));
    {
        Album album(path);
        ASSERT_EQ(album.rc, FILE_SUCCES);
        EXPECT_EQ(album.a.blocksize, 82);
        EXPECT_EQ(album.a.edge, 40);
        ASSERT_EQ(album.a.entries, 1);
        EXPECT_EQ(album.Name(0), "/pics/narrow.jpg");
        char text[16];
        IoAlbumEntryField(&album.a, 0, ALBUM_F_DESCRIPTION, text, sizeof text);
        EXPECT_STREQ(text, "Describe");
        IoAlbumEntryField(&album.a, 0, ALBUM_F_WIDTH, text, sizeof text);
        EXPECT_STREQ(text, "37");
        const uint8_t *p;
        long len;
        ASSERT_EQ(IoAlbumEntryThumb(&album.a, 0, &p, &len), FILE_SUCCES);
        EXPECT_EQ(std::vector<uint8_t>(p, p + len), jpg);
        ASSERT_EQ(IoAlbumEntrySaveDrop(&album.a, nullptr), FILE_SUCCES);
    }
    std::vector<uint8_t> b = ReadFileBytes(path);
    ASSERT_EQ(b.size(), 222u + 632u + jpg.size());
    EXPECT_EQ(Word(b, 24), 40);
    EXPECT_EQ(Word(b, 46), 256);
    EXPECT_EQ(Text(b, 222 + AT_NAME, 256), "/pics/narrow.jpg");
    EXPECT_EQ(Text(b, 222 + AT_DESC, 100), "Describe");
    EXPECT_EQ(Text(b, 222 + AT_WIDTH, 10), "37");
    EXPECT_EQ(std::vector<uint8_t>(b.begin() + 222 + AT_THUMB, b.end()), jpg);
}

TEST(AlbumSave, KeepsEntriesAppendedAfterLoadingAndDropsExactlyTheRemovedOnes) {
    ScratchDir dir;
    std::string a = Copy(dir, "grey-37x23.jpg", "a.jpg");
    std::string b = Copy(dir, "col-baseline.jpg", "b.jpg");
    std::string c = Copy(dir, "col-160x120.jpg", "c.jpg");
    std::string path = dir.File("x.alb");
    {
        Album first(path, 64);
        ASSERT_EQ(first.Append(a), FILE_SUCCES);
        ASSERT_EQ(first.Append(b), FILE_SUCCES);
    }
    Album album(path);
    ASSERT_EQ(album.a.entries, 2);
    ASSERT_EQ(album.Append(c), FILE_SUCCES); // goes to the file only
    EXPECT_EQ(album.a.entries, 2);
    uint8_t drop[2] = {1, 0};
    ASSERT_EQ(IoAlbumEntrySaveDrop(&album.a, drop), FILE_SUCCES);
    Album after(path);
    ASSERT_EQ(after.a.entries, 2);
    EXPECT_EQ(after.Name(0), b);
    EXPECT_EQ(after.Name(1), c);
    EXPECT_EQ(DirNames(dir.path).size(), 4u); // three photos and the album, no leftovers

    // Removing every entry, or saving an album without any, leaves the bare header.
    uint8_t all[2] = {1, 1};
    ASSERT_EQ(IoAlbumEntrySaveDrop(&after.a, all), FILE_SUCCES);
    std::vector<uint8_t> bare = ReadFileBytes(path);
    ASSERT_EQ(bare.size(), 222u);
    EXPECT_EQ(Word(bare, 24), 64);
    Album empty(path);
    ASSERT_EQ(IoAlbumEntrySaveDrop(&empty.a, nullptr), FILE_SUCCES);
    EXPECT_EQ(ReadFileBytes(path), bare);
}

TEST(AlbumSave, CellsOfTheViewDecideAndAnUndecodableThumbnailKeepsItsPlace) {
    ScratchDir dir;
    std::string path = dir.File("v.alb");
    std::string srcs[3] = {Copy(dir, "grey-37x23.jpg", "0.jpg"),
                           Copy(dir, "col-baseline.jpg", "1.jpg"),
                           Copy(dir, "col-160x120.jpg", "2.jpg")};
    {
        Album first(path);
        for (const std::string &s : srcs)
            ASSERT_EQ(first.Append(s), FILE_SUCCES);
    }
    // Spoil entry 0's thumbnail behind its start of image.
    std::vector<uint8_t> bytes = ReadFileBytes(path);
    for (size_t i = 222 + AT_THUMB + 2; i < 222 + AT_THUMB + 400; i++)
        bytes[i] = 0x5A;
    ASSERT_TRUE(WriteWholeFile(path, bytes));

    Album album(path);
    ASSERT_EQ(album.a.entries, 3);
    WINDAT view{};
    view.typ = WIN_PAINT;
    album.a.view = &view;
    ASSERT_EQ(IoAlbumEntryPaintInit(&album.a), FILE_SUCCES);
    ASSERT_EQ(view.img_count, 3);
    auto *cells = static_cast<PAINTIMG *>(view.img_list);
    EXPECT_EQ(cells[0].fi.fbuf, nullptr);
    EXPECT_STREQ(cells[0].fi.fname, srcs[0].c_str());
    ASSERT_NE(cells[2].fi.fbuf, nullptr);
    EXPECT_STREQ(cells[2].fi.fname, srcs[2].c_str());
    EXPECT_EQ(cells[2].fi.w, 96);
    EXPECT_LE(cells[2].fi.h, 96);
    // What the view's remove does to a cell.
    IoFreeRecord(&cells[1].fi, "test");
    ASSERT_EQ(IoAlbumEntrySave(&album.a), FILE_SUCCES);
    WinFreeImage(&view, 0, 1);

    Album after(path);
    ASSERT_EQ(after.a.entries, 2);
    EXPECT_EQ(after.Name(0), srcs[0]);
    EXPECT_EQ(after.Name(1), srcs[2]);
}

TEST(AlbumSave, AFailedWriteLeavesTheOldAlbumAndNoTemporaryFile) {
    ScratchDir dir;
    std::string path = dir.File("k.alb");
    {
        Album first(path);
        ASSERT_EQ(first.Append(Copy(dir, "col-160x120.jpg", "p.jpg")), FILE_SUCCES);
        ASSERT_EQ(first.Append(dir.File("p.jpg")), FILE_SUCCES);
    }
    ASSERT_EQ(chmod(path.c_str(), 0640), 0);
    std::vector<uint8_t> before = ReadFileBytes(path);
    ASSERT_GT(before.size(), 2000u);
    // The rewrite runs in a child whose files may not grow past 1000 bytes.
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        signal(SIGXFSZ, SIG_IGN);
        rlimit lim = {1000, 1000};
        setrlimit(RLIMIT_FSIZE, &lim);
        Album album(path);
        uint8_t drop[2] = {1, 0};
        _exit(IoAlbumEntrySaveDrop(&album.a, drop) == FILE_ERROR_WRITE ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(ReadFileBytes(path), before);
    EXPECT_EQ(DirNames(dir.path).size(), 2u);

    // The same save with room succeeds and keeps the permissions.
    {
        Album album(path);
        uint8_t drop[2] = {1, 0};
        ASSERT_EQ(IoAlbumEntrySaveDrop(&album.a, drop), FILE_SUCCES);
    }
    struct stat st;
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_LT(static_cast<size_t>(st.st_size), before.size());
}

TEST(AlbumSave, ALinkStaysALinkAndOnlyTheFileThatWasLoadedIsReplaced) {
    ScratchDir dir;
    std::string src = Copy(dir, "grey-37x23.jpg", "g.jpg");
    std::string a = dir.File("a.alb"), b = dir.File("b.alb"), link = dir.File("link.alb");
    {
        Album album(a);
        ASSERT_EQ(album.Append(src), FILE_SUCCES);
        ASSERT_EQ(album.Append(src), FILE_SUCCES);
    }
    ASSERT_EQ(chmod(a.c_str(), 0660), 0);
    ASSERT_EQ(symlink(a.c_str(), link.c_str()), 0);
    {
        Album loaded(link);
        ASSERT_EQ(loaded.a.entries, 2);
        uint8_t drop[2] = {1, 0};
        ASSERT_EQ(IoAlbumEntrySaveDrop(&loaded.a, drop), FILE_SUCCES);
    }
    struct stat st;
    ASSERT_EQ(lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    ASSERT_EQ(stat(a.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0660u);

    // The link is pointed at a copy (the same header and entries) between the load and the save.
    ASSERT_TRUE(WriteWholeFile(b, ReadFileBytes(a)));
    Album loaded(link);
    ASSERT_EQ(loaded.a.entries, 1);
    ASSERT_EQ(unlink(link.c_str()), 0);
    ASSERT_EQ(symlink(b.c_str(), link.c_str()), 0);
    uint8_t drop = 1;
    EXPECT_EQ(IoAlbumEntrySaveDrop(&loaded.a, &drop), FILE_ERROR_DATA);
    EXPECT_EQ(loaded.a.file.error, ESTALE);
    EXPECT_EQ(ReadFileBytes(b), ReadFileBytes(a));
    // A file renamed over the album is another file too.
    Album again(a);
    ASSERT_EQ(rename(b.c_str(), a.c_str()), 0);
    EXPECT_EQ(IoAlbumEntrySaveDrop(&again.a, &drop), FILE_ERROR_DATA);
    // So is a rewrite meanwhile by another instance.
    Album mine(a);
    ASSERT_EQ(mine.a.entries, 1);
    {
        Album other(a);
        ASSERT_EQ(IoAlbumEntrySaveDrop(&other.a, &drop), FILE_SUCCES);
    }
    std::vector<uint8_t> now = ReadFileBytes(a);
    EXPECT_EQ(IoAlbumEntrySaveDrop(&mine.a, nullptr), FILE_ERROR_DATA);
    EXPECT_EQ(ReadFileBytes(a), now);
    EXPECT_EQ(DirNames(dir.path).size(), 3u); // g.jpg, a.alb, the link: no temporary file is left
}

TEST(AlbumRefuse, NonAlbumFilesAreNeverWrittenTo) {
    ScratchDir dir;
    std::string photo = Copy(dir, "col-160x120.jpg", "photo.jpg");
    std::string src = Copy(dir, "grey-37x23.jpg", "g.jpg");
    std::vector<uint8_t> before = ReadFileBytes(photo);
    FILEREQ req;
    IoRequestInit(&req, photo.c_str());
    EXPECT_EQ(IoAlbumCreate(&req, 96), FILE_ERROR_FORMAT);
    EXPECT_EQ(IoAlbumAppend(&req, src.c_str(), nullptr), FILE_ERROR_FORMAT);
    Album album(photo);
    EXPECT_EQ(album.rc, FILE_ERROR_FORMAT);
    EXPECT_EQ(ReadFileBytes(photo), before);

    EXPECT_EQ(IsFileAlbum(dir.File("missing").c_str()), FILE_ERROR_OPEN);
    ASSERT_TRUE(WriteWholeFile(dir.File("empty"), ""));
    EXPECT_EQ(IsFileAlbum(dir.File("empty").c_str()), FILE_ERROR_READ);
    ASSERT_TRUE(WriteWholeFile(dir.File("short"), "#01"));
    EXPECT_EQ(IsFileAlbum(dir.File("short").c_str()), FILE_ERROR_FORMAT);
    // A source that is a directory or missing writes nothing.
    std::string path = dir.File("a.alb");
    Album empty(path);
    EXPECT_EQ(empty.Append(dir.path), FILE_ERROR_READ);
    EXPECT_EQ(empty.Append(dir.File("empty")), FILE_ERROR_READ);
    // FIFOs and dangling links are neither opened nor created; a FIFO source is refused before
    // anything is read from it.
    std::string fifo = dir.File("pipe.alb"), link = dir.File("link.alb");
    std::string target = dir.File("elsewhere.alb");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    ASSERT_EQ(symlink(target.c_str(), link.c_str()), 0);
    for (const std::string &bad : {fifo, link}) {
        IoRequestInit(&req, bad.c_str());
        EXPECT_EQ(IoAlbumCreate(&req, 96), FILE_ERROR_CREATE) << bad;
        EXPECT_NE(Album(bad).rc, FILE_SUCCES) << bad;
    }
    struct stat st;
    EXPECT_NE(stat(target.c_str(), &st), 0);
    EXPECT_EQ(empty.Append(fifo), FILE_ERROR_READ);
    EXPECT_EQ(ReadFileBytes(path).size(), 222u);
    // Shorter than the header: -103 and nothing loaded.
    std::vector<uint8_t> cut = ReadFileBytes(path);
    cut.resize(100);
    ASSERT_TRUE(WriteWholeFile(dir.File("cut.alb"), cut));
    Album shortalbum(dir.File("cut.alb"));
    EXPECT_EQ(shortalbum.rc, FILE_ERROR_DATA);
    EXPECT_EQ(shortalbum.a.file.data, nullptr);
}

TEST(AlbumRefuse, AnOverLongPathIsCutToItsFieldAndANameHoldingTheMarkerIsRefused) {
    ScratchDir dir;
    std::string deep = dir.path;
    std::vector<std::string> made;
    while (deep.size() < 300) {
        deep += "/" + std::string(60, 'd');
        ASSERT_EQ(mkdir(deep.c_str(), 0755), 0);
        made.push_back(deep);
    }
    std::string src = deep + "/photo.jpg";
    ASSERT_TRUE(WriteWholeFile(src, ReadFileBytes(DataPath("grey-37x23.jpg"))));
    std::string path = dir.File("a.alb");
    Album album(path);
    ASSERT_EQ(album.Append(src), FILE_SUCCES);
    std::vector<uint8_t> b = ReadFileBytes(path);
    EXPECT_EQ(std::string(b.begin() + 222 + AT_NAME, b.begin() + 222 + AT_DESC),
              src.substr(0, 256));
    EXPECT_EQ(Text(b, 222 + AT_DESC, 100), "Description");

    std::string marked = dir.File("a+SK+b.jpg");
    ASSERT_TRUE(WriteWholeFile(marked, ReadFileBytes(DataPath("grey-37x23.jpg"))));
    EXPECT_EQ(album.Append(marked), FILE_ERROR_FORMAT);
    EXPECT_EQ(ReadFileBytes(path), b);
    unlink(src.c_str());
    unlink(marked.c_str());
    for (auto it = made.rbegin(); it != made.rend(); ++it)
        rmdir(it->c_str());
}

// Pixels whose quality-90 JPEG happens to hold "+SK+" (found by trying seeds; the test checks
// that they still do before relying on it).
std::vector<uint8_t> MarkerPixels() {
    std::vector<uint8_t> px(32 * 32 * 3);
    uint32_t s = 1077635;
    for (uint8_t &b : px) {
        s = s * 1664525u + 1013904223u;
        b = static_cast<uint8_t>(s >> 24);
    }
    return px;
}

bool HasMarker(const uint8_t *p, long n) {
    return memmem(p, static_cast<size_t>(n), "+SK+", 4) != nullptr;
}

TEST(AlbumThumb, NoThumbnailHoldsTheEntryMarkerAndNoScratchFileIsUsed) {
    std::vector<uint8_t> px = MarkerPixels();
    SAVEINFO save{};
    save.w = save.h = 32;
    save.bit = 24;
    save.quality = 90;
    save.fbuf = px.data();
    uint8_t *jpg = nullptr;
    long len = 0;
    ASSERT_EQ(IoWriteJpegMem(&save, &jpg, &len, "t"), FILE_SUCCES);
    bool precondition = HasMarker(jpg, len);
    MemFree(jpg, "t");
    if (!precondition) GTEST_SKIP() << "this libjpeg encodes the seed pixels without the marker";
    ASSERT_EQ(IoAlbumThumbEncode(&save, &jpg, &len), FILE_SUCCES);
    EXPECT_FALSE(HasMarker(jpg, len));
    EXPECT_LT(save.quality, 90);
    FILEINFO fi;
    ASSERT_EQ(IoReadJpegMem(jpg, len, &fi, 0, "t"), FILE_SUCCES);
    EXPECT_EQ(fi.w, 32);
    EXPECT_EQ(fi.h, 32);
    IoFreeRecord(&fi, "t");
    MemFree(jpg, "t");

    // Appending and showing go through memory: the temporary directory stays empty.
    ScratchDir tmp, dir;
    char saved[sizeof PathMainTemp];
    memcpy(saved, PathMainTemp, sizeof saved);
    snprintf(PathMainTemp, sizeof PathMainTemp, "%s", tmp.path.c_str());
    Album album(dir.File("a.alb"));
    ASSERT_EQ(album.Append(Copy(dir, "grey-37x23.jpg", "g.jpg")), FILE_SUCCES);
    Album loaded(dir.File("a.alb"));
    FILEINFO cell;
    EXPECT_EQ(IoAlbumEntryImage(&loaded.a, 0, &cell), FILE_SUCCES);
    EXPECT_EQ(cell.bit, 8);
    IoFreeRecord(&cell, "t");
    memcpy(PathMainTemp, saved, sizeof saved);
    EXPECT_EQ(DirNames(tmp.path).size(), 0u);
}

// Every prefix of a two-entry album, and a header claiming the widest fields: loading gives an
// error or the entries that are there, never a read past the bytes (the sanitizer build checks).
TEST(AlbumHostile, CutAndInflatedAlbumsGiveErrorsOrIntactEntries) {
    ScratchDir dir;
    std::string path = dir.File("a.alb");
    {
        Album album(path);
        ASSERT_EQ(album.Append(Copy(dir, "grey-37x23.jpg", "g.jpg")), FILE_SUCCES);
        ASSERT_EQ(album.Append(Copy(dir, "col-baseline.jpg", "c.jpg")), FILE_SUCCES);
    }
    std::vector<uint8_t> whole = ReadFileBytes(path);
    size_t second =
        static_cast<const uint8_t *>(memmem(whole.data() + 226, whole.size() - 226, "+SK+", 4)) -
        whole.data();
    std::string cut = dir.File("cut.alb");
    for (size_t n = 1; n < whole.size(); n += n < 900 ? 37 : 211) {
        ASSERT_TRUE(WriteWholeFile(
            cut, std::vector<uint8_t>(whole.begin(), whole.begin() + static_cast<long>(n))));
        Album album(cut);
        if (n < 222) {
            EXPECT_EQ(album.rc, n < 19 ? FILE_ERROR_FORMAT : FILE_ERROR_DATA) << n;
            continue;
        }
        ASSERT_EQ(album.rc, FILE_SUCCES) << n;
        EXPECT_EQ(album.a.entries, (n >= 226) + (n >= second + 4)) << n;
        for (int i = 0; i < album.a.entries; i++) {
            FILEINFO fi;
            IoAlbumEntryImage(&album.a, i, &fi);
            IoFreeRecord(&fi, "t");
            char text[64];
            IoAlbumEntryField(&album.a, i, ALBUM_F_ATIME, text, sizeof text);
        }
    }
    std::vector<uint8_t> wide = whole;
    for (int at = 46; at < 72; at++)
        wide[at] = 0xFF;
    wide[24] = wide[25] = 0xFF;
    ASSERT_TRUE(WriteWholeFile(cut, wide));
    Album album(cut);
    ASSERT_EQ(album.rc, FILE_SUCCES);
    EXPECT_EQ(album.a.entries, 2);
    EXPECT_EQ(album.a.edge, ALBUM_EDGE_MAX);
    const uint8_t *p;
    long len;
    EXPECT_EQ(IoAlbumEntryThumb(&album.a, 1, &p, &len), FILE_ERROR_DATA);
    char text[64];
    ASSERT_EQ(IoAlbumEntryField(&album.a, 1, ALBUM_F_ATIME, text, sizeof text), FILE_SUCCES);
    EXPECT_STREQ(text, "");
}

// A header's edge of 1024 over small thumbnails: the cells keep the thumbnails' own size
// instead of a megapixel each.
TEST(AlbumHostile, ThumbnailsAreNeverEnlargedToTheHeadersEdge) {
    ScratchDir dir;
    std::string path = dir.File("e.alb");
    {
        Album album(path, 32);
        ASSERT_EQ(album.Append(Copy(dir, "col-160x120.jpg", "c.jpg")), FILE_SUCCES);
    }
    std::vector<uint8_t> b = ReadFileBytes(path);
    b[24] = 0x00, b[25] = 0x04; // edge 1024
    ASSERT_TRUE(WriteWholeFile(path, b));
    Album album(path);
    ASSERT_EQ(album.a.edge, 1024);
    FILEINFO cell;
    ASSERT_EQ(IoAlbumEntryImage(&album.a, 0, &cell), FILE_SUCCES);
    EXPECT_EQ(cell.w, 32);
    EXPECT_EQ(cell.h, 24);
    IoFreeRecord(&cell, "t");
}

// Widest fields and nothing but markers: 4 bytes an entry, which a rewrite must not inflate to
// the 632 bytes of a whole built-in entry.
TEST(AlbumHostile, EntriesCutInsideTheirFieldsAreRewrittenNoLonger) {
    ScratchDir dir;
    std::string path = dir.File("m.alb");
    {
        Album album(path);
        ASSERT_EQ(album.rc, FILE_SUCCES);
    }
    std::vector<uint8_t> b = ReadFileBytes(path);
    for (int at = 46; at < 72; at++)
        b[at] = 0xFF;
    for (int i = 0; i < 1000; i++)
        b.insert(b.end(), {'+', 'S', 'K', '+'});
    ASSERT_TRUE(WriteWholeFile(path, b));
    Album album(path);
    ASSERT_EQ(album.a.entries, 1000);
    ASSERT_EQ(IoAlbumEntrySaveDrop(&album.a, nullptr), FILE_SUCCES);
    EXPECT_EQ(ReadFileBytes(path).size(), 222u + 4000u);
}

} // namespace
