#include <gtest/gtest.h>

#include "image/image_testutil.h"
#include "tools/tool_testutil.h"

#include <sstream>
#include <sys/stat.h>

namespace {

const std::string tool = DRAVIK_TOOL_BIN;

void CopyData(const char *data, const std::string &to) {
    ASSERT_TRUE(WriteWholeFile(to, ReadFileBytes(DataPath(data))));
}

std::vector<std::vector<std::string>> ListRows(const std::string &album) {
    ToolResult r = RunTool({tool, "album", "list", album});
    EXPECT_EQ(r.status, 0) << r.err;
    std::vector<std::vector<std::string>> rows;
    std::istringstream in(r.out);
    std::string line;
    while (std::getline(in, line)) {
        std::vector<std::string> cols;
        std::istringstream l(line);
        std::string col;
        while (std::getline(l, col, '\t'))
            cols.push_back(col);
        rows.push_back(cols);
    }
    return rows;
}

std::vector<std::string> Names(const std::string &album) {
    std::vector<std::string> names;
    for (auto &row : ListRows(album))
        names.push_back(row.size() > 1 ? row[1] : "");
    return names;
}

// A tree with JPEGs in mixed case at three levels and files the JPEG filter must pass over.
struct Tree {
    ScratchDir dir;
    std::string root;
    Tree() {
        root = dir.path + "/tree";
        mkdir(root.c_str(), 0755);
        mkdir((root + "/sub").c_str(), 0755);
        mkdir((root + "/sub/deeper").c_str(), 0755);
        CopyData("col-160x120.jpg", root + "/a.jpg");
        CopyData("grey-37x23.jpg", root + "/B.JPG");
        CopyData("col-baseline.jpg", root + "/sub/c.Jpg");
        CopyData("col-baseline.jpg", root + "/sub/e.jpeg");
        CopyData("grey-37x23.jpg", root + "/sub/deeper/f.jpg");
        WriteWholeFile(root + "/notes.txt", "not a picture\n");
    }
};

TEST(ToolAlbum, TreeAddWithTheJpegFilterTakesOnlyJpgFilesAtEveryLevel) {
    Tree t;
    std::string album = t.dir.File("t.alb");
    ToolResult r = RunTool({tool, "album", "create", album, "--edge", "64"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(FileSize(album), 222);
    r = RunTool({tool, "album", "add", album, t.root, "-r", "--filter", "1"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "");
    std::vector<std::string> want = {t.root + "/B.JPG", t.root + "/a.jpg", t.root + "/sub/c.Jpg",
                                     t.root + "/sub/deeper/f.jpg"};
    EXPECT_EQ(Names(album), want);

    // Without -r only the directory's own files.
    std::string flat = t.dir.File("flat.alb");
    r = RunTool({tool, "album", "add", flat, t.root, "--filter", "1"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Names(flat), std::vector<std::string>(want.begin(), want.begin() + 2));
}

TEST(ToolAlbum, ListExtractRemoveRoundTripAndRefusalOfAPhoto) {
    Tree t;
    std::string album = t.dir.File("r.alb");
    ToolResult r = RunTool(
        {tool, "album", "add", album, t.root + "/a.jpg", t.root + "/B.JPG", t.root + "/sub/c.Jpg"});
    ASSERT_EQ(r.status, 0) << r.err;
    auto rows = ListRows(album);
    ASSERT_EQ(rows.size(), 3u);
    ASSERT_EQ(rows[0].size(), 6u);
    EXPECT_EQ(rows[0][0], "0");
    EXPECT_EQ(rows[0][2], "160x120");
    EXPECT_EQ(rows[0][3], "24");
    EXPECT_EQ(rows[0][4], "7 KB");
    EXPECT_EQ(rows[1][2], "37x23");
    EXPECT_EQ(rows[1][3], "8");
    EXPECT_EQ(rows[2][2], "45x31");

    // The thumbnail is a JPEG of its own, fitted into the default 96 square.
    std::string thumb = t.dir.File("thumb.jpg");
    r = RunTool({tool, "album", "extract", album, "0", thumb});
    ASSERT_EQ(r.status, 0) << r.err;
    FILEINFO fi;
    ASSERT_TRUE(ReadImage(thumb, &fi));
    EXPECT_EQ(fi.w, 96);
    EXPECT_NEAR(fi.h, 72, 1);
    FreeRead(&fi);
    if (system("command -v djpeg >/dev/null 2>&1") == 0) {
        std::string ppm = t.dir.File("thumb.ppm");
        ASSERT_EQ(system(("djpeg -ppm -outfile '" + ppm + "' '" + thumb + "'").c_str()), 0);
        EXPECT_EQ(PnmRead(ppm).w, 96);
    } else {
        printf("note: djpeg not installed, the thumbnail was decoded by our reader only\n");
    }

    r = RunTool({tool, "album", "remove", album, "2", "0"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Names(album), std::vector<std::string>{t.root + "/B.JPG"});
    r = RunTool({tool, "album", "remove", album, "1"});
    EXPECT_NE(r.status, 0);
    r = RunTool({tool, "album", "extract", album, "5", thumb});
    EXPECT_NE(r.status, 0);
    r = RunTool({tool, "album", "remove", album, "0"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(FileSize(album), 222);

    // A photo named as the album: one error line, the photo untouched.
    std::string photo = t.root + "/a.jpg";
    long size = FileSize(photo);
    r = RunTool({tool, "album", "add", photo, t.root + "/B.JPG"});
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.err.find("not an album"), std::string::npos) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1);
    EXPECT_EQ(FileSize(photo), size);
}

TEST(ToolAlbum, ListEscapesTerminalControlsAndKeepsOtherCharacters) {
    ScratchDir dir;
    // File names may hold any byte but '/' and NUL: escape sequences, CSI as a byte (C1) and as
    // UTF-8, DEL, a tab (which would shift the columns) and a backslash.
    const std::string names[] = {"a\x1b]0;owned\x07\x1b[2J.jpg",
                                 "b\x9b"
                                 "31m.jpg",
                                 "c\xc2\x9b"
                                 "1m\x7f.jpg",
                                 "d\tx\\y.jpg", "\xc3\xa9t\xc4\x81\xe2\x82\xac.jpg"};
    const std::string shown[] = {"a\\x1B]0;owned\\x07\\x1B[2J.jpg", "b\\x9B31m.jpg",
                                 "c\\xC2\\x9B1m\\x7F.jpg", "d\\x09x\\\\y.jpg",
                                 "\xc3\xa9t\xc4\x81\xe2\x82\xac.jpg"};
    std::string album = dir.File("n.alb");
    for (const std::string &name : names) {
        CopyData("grey-37x23.jpg", dir.File(name.c_str()));
        ToolResult r = RunTool({tool, "album", "add", album, dir.File(name.c_str())});
        ASSERT_EQ(r.status, 0) << r.err;
    }
    ToolResult r = RunTool({tool, "album", "list", album});
    ASSERT_EQ(r.status, 0) << r.err;
    for (size_t i = 0; i < r.out.size(); i++) {
        auto c = static_cast<unsigned char>(r.out[i]);
        ASSERT_TRUE(c == '\t' || c == '\n' || (c >= 0x20 && c != 0x7F)) << i;
        ASSERT_FALSE(c == 0xC2 && static_cast<unsigned char>(r.out[i + 1]) < 0xA0) << i;
    }
    std::vector<std::string> got = Names(album);
    ASSERT_EQ(got.size(), 5u);
    for (size_t i = 0; i < 5; i++)
        EXPECT_EQ(got[i], dir.path + "/" + shown[i]);
}

} // namespace
