// The album window in this process on a private server: opening by name, the entry counts
// after adds, the JPEG filter of a tree add, Cancel on the scan thread, the save question and
// the depth limit.
#include "widgets/widget_support.h"

#include "app/mf_album.h"
#include "app/paint_binary.h"
#include "base/settings.h"
#include "widgets/xbtnchk.h"
#include "widgets/xedit.h"
#include "widgets/xfilebox.h"
#include "widgets/xbox.h"
#include "widgets/xlist.h"
#include "widgets/xnotebook.h"
#include "widgets/xpaint.h"
#include "app/test_hooks.h"

#include <atomic>
#include <thread>

namespace {

int Markers(const std::string &path) {
    std::string b = ReadWholeFile(path);
    int n = 0;
    for (size_t p = 222; (p = b.find("+SK+", p)) != std::string::npos; p += 4)
        n++;
    return n;
}

unsigned Shade(int x, int y) {
    return static_cast<unsigned>((x * 7) & 0xFF) << 16 | static_cast<unsigned>((y * 5) & 0xFF);
}

class AlbumWindow : public WidgetTest {
  protected:
    ScratchDir scratch;
    std::string dir = scratch.path;
    ALBUMDAT *album = nullptr;

    void SetUp() override {
        WidgetTest::SetUp();
        if (IsSkipped()) return;
        BoxInit();
        dlgmain[0] = FTYP_JPEG;
        AlbumTbSizeWH = 48;
    }
    void TearDown() override {
        AlbumScanHook = nullptr;
        WidgetTest::TearDown();
    }
    void Jpeg(const std::string &rel, int w = 64, int h = 48) {
        std::string path = dir + "/" + rel;
        std::string parent = path.substr(0, path.rfind('/'));
        ASSERT_EQ(system(("mkdir -p " + parent).c_str()), 0);
        WriteJpeg(path, w, h, Shade);
    }
    // Opens the album and waits until its view is laid out.
    void Open(const std::string &path) {
        ToolkitLock();
        ASSERT_EQ(AlbumOpenAction(display, path.c_str()), 250);
        ToolkitUnlock();
        WINDAT *top = nullptr;
        for (int i = 0; i < WINDATpi; i++)
            if (WINDATp[i]->intclose && AlbumWndDataGet(WINDATp[i]) && !WINDATp[i]->usr.parent)
                top = WINDATp[i];
        ASSERT_NE(top, nullptr);
        album = AlbumWndDataGet(top);
        ASSERT_TRUE(Pump([&] { return Attr(top->window).map_state == IsViewable; }));
    }
    // An album at `path` made by dravik-tool from n pictures src/<stem>0.jpg ...
    void MakeAlbum(const std::string &path, int n, const std::string &stem) {
        for (int i = 0; i < n; i++)
            Jpeg("src/" + stem + std::to_string(i) + ".jpg");
        ToolResult r = RunTool({DRAVIK_TOOL_BIN, "album", "add", path, dir + "/src"});
        ASSERT_EQ(r.status, 0) << r.err;
    }
    int Call(WINFUNC fn) {
        WINDATUSR rec = album->view->usr;
        rec.win = album->view;
        ToolkitLock();
        int r = fn(&rec);
        ToolkitUnlock();
        return r;
    }
    // The window manager's close request.
    void CloseWindow() {
        Window top = AlbumWnd(album)->container->usr.parent->window;
        int before = WINDATpi;
        SendDeleteRequest(display, top);
        // Answered: the window is gone or a box asks.
        Pump([&] { return !Open() || WINDATpi > before; });
    }
    bool Open() {
        for (int i = 0; i < WINDATpi; i++)
            if (AlbumWndDataGet(WINDATp[i]) == album) return true;
        return false;
    }
};

} // namespace

TEST_F(AlbumWindow, OpensByNameWithOrWithoutTheExtension) {
    EXPECT_EQ(AlbumOpenPath("/data", "holiday"), "/data/holiday.alb");
    EXPECT_EQ(AlbumOpenPath("/data", "holiday.alb"), "/data/holiday.alb");
    EXPECT_EQ(AlbumOpenPath("/", "x.alb"), "/x.alb");
    EXPECT_EQ(AlbumOpenPath("/data", "ab"), "/data/ab") << "shorter than four: as typed";
    // A missing album is created with the configured edge; a present one keeps its own.
    Open(dir + "/new.alb");
    EXPECT_EQ(ReadWholeFile(dir + "/new.alb").size(), 222u);
    EXPECT_EQ(album->entries, 0);
    EXPECT_EQ(album->edge, 48);

    // Album > Open: the album file box in LastPathAlbum; OK with a typed name opens NAME.alb
    // there and closes the box.
    snprintf(LastPathAlbum, sizeof LastPathAlbum, "%s", dir.c_str());
    ToolkitLock();
    ASSERT_EQ(MF_AlbumOpen(display), 0);
    WINDAT *box = nullptr;
    for (int i = 0; i < WINDATpi && !box; i++)
        if (WINDATp[i] && WINDATp[i]->typ == WIN_FILEBOX && WINDATp[i]->state == FBX_ALBUM_OPEN)
            box = WINDATp[i];
    ASSERT_NE(box, nullptr);
    ASSERT_NE(FileboxWndFNameGet(box), nullptr);
    EditTextNew(FileboxWndFNameGet(box), "typed", 0);
    WINDATUSR rec = box->usr;
    rec.win = box;
    rec.i = 1;
    EXPECT_EQ(AlbumOpenBtnReturn(&rec), 250);
    bool boxgone = true;
    for (int i = 0; i < WINDATpi; i++)
        if (WINDATp[i] && WINDATp[i]->typ == WIN_FILEBOX && WINDATp[i]->state == FBX_ALBUM_OPEN)
            boxgone = false;
    ToolkitUnlock();
    EXPECT_TRUE(boxgone);
    EXPECT_EQ(ReadWholeFile(dir + "/typed.alb").size(), 222u);
    EXPECT_STREQ(LastPathAlbum, dir.c_str());
}

TEST_F(AlbumWindow, AddsCountAndTheTreeTakesOnlyJpegFilesAtAllLevels) {
    std::string path = dir + "/five.alb";
    MakeAlbum(path, 5, "p");
    Jpeg("one/single.jpg");
    Jpeg("flat/x.jpg");
    std::ofstream(dir + "/flat/readme.txt") << "no picture";
    Jpeg("tree/s/t/B.JPG");
    std::ofstream(dir + "/tree/notes.txt") << "no picture";
    std::ofstream(dir + "/tree/s/c.png") << "no picture";
    Open(path);
    ASSERT_EQ(album->view->img_count, 5);
    EXPECT_EQ(AlbumEntriesText(album), "5  ( + 0  - 0 )  =  5");

    ASSERT_EQ(AlbumAddSourceSet(album, (dir + "/one").c_str(), "single.jpg"), 0);
    EXPECT_EQ(Call(AlbumPageEntryAddFuncAdd), 0);
    // The directory add takes what the list shows; a file that is no picture is skipped.
    ASSERT_EQ(AlbumAddSourceSet(album, (dir + "/flat").c_str(), nullptr), 0);
    EXPECT_EQ(Call(AlbumPageEntryAddFuncAddDir), 100);
    ASSERT_EQ(AlbumAddSourceSet(album, (dir + "/tree").c_str(), nullptr), 0);
    EXPECT_EQ(Call(AlbumPageEntryAddFuncAddDirSub), 100);
    EXPECT_EQ(AlbumEntriesText(album), "5  ( + 3  - 0 )  =  8");
    // The added entries are thumbnails at once, after the loaded ones, named by their source.
    ASSERT_EQ(album->view->img_count, 8);
    PAINTIMG *last = PaintImgGet(album->view, 7);
    ASSERT_TRUE(last && last->fi.fname);
    EXPECT_NE(std::string(last->fi.fname).find("tree/s/t/B.JPG"), std::string::npos);
    EXPECT_TRUE(last->fi.ximage);
    std::string bytes = ReadWholeFile(path);
    EXPECT_EQ(Markers(path), 8);
    EXPECT_NE(bytes.find(dir + "/tree/s/t/B.JPG"), std::string::npos);
    EXPECT_NE(bytes.find(dir + "/flat/x.jpg"), std::string::npos);
    EXPECT_EQ(bytes.find("notes.txt"), std::string::npos);
    EXPECT_EQ(bytes.find("readme.txt"), std::string::npos);
    EXPECT_EQ(bytes.find("c.png"), std::string::npos);
}

// The add page is a file box: its buttons add what the box shows, the user's way (clicks). The
// entry pages show the stored user, password (as stars) and group, read-only; page 0 has the
// i-node change row.
TEST_F(AlbumWindow, TheAddPageFileBoxChoosesWhatTheButtonsAdd) {
    Jpeg("pick/a.jpg");
    Jpeg("pick/b.jpg");
    std::ofstream(dir + "/pick/c.txt") << "no picture";
    std::string path = dir + "/p.alb";
    Open(path);
    ALBUMWND *w = AlbumWnd(album);
    ASSERT_NE(w->addbox, nullptr);
    EXPECT_EQ(w->addbox->state, FBX_ALBUM_ADD);
    NotebookPageSetCur(w->notebook, 2);
    WINDAT *single = w->addctl[1], *directory = w->addctl[2];
    ASSERT_TRUE(single && directory);
    ASSERT_TRUE(Pump([&] { return Attr(single->window).map_state == IsViewable; }));

    // Nothing chosen (the list's ".." is selected): "single" adds nothing.
    ASSERT_EQ(AlbumAddSourceSet(album, (dir + "/pick").c_str(), nullptr), 0);
    Click(single->window, 4, 4, 40);
    Pump([] { return false; }, 300);
    EXPECT_EQ(Markers(path), 0);
    ASSERT_EQ(AlbumAddSourceSet(album, (dir + "/pick").c_str(), "b.jpg"), 0);
    EXPECT_STREQ(FileboxGetCurPath(w->addbox), (dir + "/pick").c_str());
    Click(single->window, 4, 4, 40);
    ASSERT_TRUE(Pump([&] { return album->added == 1; }, 10000));
    EXPECT_NE(ReadWholeFile(path).find(dir + "/pick/b.jpg"), std::string::npos);
    // "Directory" takes every file the box lists; the text file is no picture.
    Click(directory->window, 4, 4, 40);
    ASSERT_TRUE(Pump([&] { return album->added == 3; }, 10000));
    EXPECT_EQ(Markers(path), 3);
    EXPECT_EQ(AlbumEntriesText(album), "0  ( + 3  - 0 )  =  3");

    char word[100];
    FilePropertyGetText(album->language, 4, word, sizeof word);
    const char *row = w->proplabel[2] ? w->proplabel[2]->label : nullptr;
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(std::string(row).rfind(word, 0), 0u) << row;

    // Reopened, the entries show on the edit page as stored.
    CloseWindow();
    ASSERT_TRUE(Pump([&] { return !Open(); }));
    Open(path);
    w = AlbumWnd(album);
    ASSERT_EQ(AlbumPageEntryShow(album, 2), 0);
    const int fields[4] = {ALBUM_F_DESCRIPTION, ALBUM_F_USER, ALBUM_F_PASSWORD, ALBUM_F_GROUP};
    for (int i = 0; i < 4; i++) {
        WINDAT *f = w->editfield[i];
        ASSERT_NE(f, nullptr);
        char stored[300];
        IoAlbumEntryField(album, 2, fields[i], stored, sizeof stored);
        EXPECT_STREQ(EditTextGet(f), stored);
        EXPECT_TRUE(WinGetDisable(f)) << "the page shows, it does not edit";
    }
    EXPECT_EQ(w->editfield[2]->state, EDIT_PASSWORD);
}

// A count of 0, or a tree that grew after the count, never divides by 0 nor passes 100 %.
TEST(AlbumProgress, PercentStaysWithinZeroAndHundred) {
    EXPECT_EQ(AlbumPercent(0, 0), 0);
    EXPECT_EQ(AlbumPercent(3, 0), 100);
    EXPECT_EQ(AlbumPercent(7, 5), 100);
    EXPECT_EQ(AlbumPercent(1, 3), 33);
}

// Cancel arrives through the pump thread while the scan thread adds; the scan stops after the
// file it is on. Before that, the user walks the add page's file box with its preview on: the
// preview reads on the pump thread while the scan thread reads its files.
TEST_F(AlbumWindow, AlbumThreadCancelStopsTheTreeAddAfterTheCurrentFile) {
    for (int i = 0; i < 60; i++)
        Jpeg("big/d" + std::to_string(i % 6) + "/f" + std::to_string(i) + ".jpg", 900, 700);
    for (int i = 0; i < 4; i++)
        Jpeg("big/top" + std::to_string(i) + ".jpg", 300, 200);
    std::string path = dir + "/c.alb";
    Open(path);
    ASSERT_EQ(AlbumAddSourceSet(album, (dir + "/big").c_str(), "top0.jpg"), 0);
    ALBUMWND *w = AlbumWnd(album);
    NotebookPageSetCur(w->notebook, 2);
    WINDAT *cancel = w->cancelbtn;
    WINDAT *list = FileboxWndFListGet(w->addbox);
    WINDAT *chk = FileboxWndFPreviewChkGet(w->addbox);
    ASSERT_TRUE(list && chk && chk->nchild > 0);
    ASSERT_TRUE(Pump([&] { return Attr(cancel->window).map_state == IsViewable; }));
    Click(chk->child[0]->window, 2, 2, 40);
    ASSERT_TRUE(Pump([&] { return BtnChkGetSelect(chk) == 1; }));
    int first = ListEntryGetSelectNr(list);
    // After three entries the scan waits for Cancel (at most 20 s), so the clicks below find
    // the add running however fast the files are read.
    AlbumScanHook = [](ALBUMWND *aw) {
        if (aw->CurAddNr >= 3) WaitFor([&] { return aw->cancel.load() != 0; }, 20000);
    };
    std::atomic<int> at_click{-1}, walked{0};
    std::thread clicker([&] {
        Display *input = XOpenDisplay(server->name.c_str());
        if (!input) return;
        Driver in;
        in.Attach(input, "");
        WaitFor([&] { return Markers(path) >= 3; }, 20000);
        // The window is mapped and still; places are known from this connection.
        in.Move(list->window, 20, 4);
        in.Keys({"Down", "Down", "Down"});
        // The list belongs to the windows: read it as they do, under the toolkit lock.
        auto selected = [&] {
            ToolkitLockGuard guard;
            return ListEntryGetSelectNr(list);
        };
        if (WaitFor([&] { return selected() == first + 3; }, 10000))
            walked = Markers(path) < 64 ? 1 : 2;
        in.Click(cancel->window, 4, 4, 40);
        XCloseDisplay(input);
        if (WaitFor([&] { return AlbumWnd(album)->cancel.load() == 1; }, 10000))
            at_click = Markers(path);
    });
    EXPECT_EQ(Call(AlbumPageEntryAddFuncAddDirSub), 100);
    clicker.join();
    EXPECT_EQ(walked.load(), 1) << "the box answered the keys while the add ran";
    ASSERT_GE(at_click.load(), 3);
    int final = Markers(path);
    EXPECT_LT(final, 64);
    EXPECT_LE(final - at_click, 1) << "only the file in hand when Cancel came";
    EXPECT_EQ(album->added, final);
    PAINTIMG *e = PaintImgGet(FileboxWndFPreviewGet(w->addbox), 0);
    EXPECT_TRUE(e && e->fi.fbuf) << "the preview followed the keys";
}

TEST_F(AlbumWindow, RemovalAsksOnCloseNoKeepsTheFileYesRewritesItKeepingAppends) {
    std::string path = dir + "/r.alb";
    MakeAlbum(path, 3, "r");
    std::string before = ReadWholeFile(path);

    Open(path);
    PaintImgCurSelectSet(album->view, 1);
    EXPECT_EQ(Call(AlbumPageFuncEntryRemove), 0);
    EXPECT_EQ(AlbumEntriesText(album), "3  ( + 0  - 1 )  =  2");
    CloseWindow();
    ASSERT_TRUE(AnswerBox("Question", "Ignore"));
    ASSERT_TRUE(Pump([&] { return !Open(); }));
    EXPECT_EQ(ReadWholeFile(path), before);

    Open(path);
    Jpeg("late.jpg");
    ASSERT_EQ(AlbumAddSourceSet(album, dir.c_str(), "late.jpg"), 0);
    EXPECT_EQ(Call(AlbumPageEntryAddFuncAdd), 0);
    PaintImgCurSelectSet(album->view, 0);
    EXPECT_EQ(Call(AlbumPageFuncEntryRemove), 0);
    CloseWindow();
    ASSERT_TRUE(AnswerBox("Question", "OK"));
    ASSERT_TRUE(Pump([&] { return !Open(); }));
    std::string after = ReadWholeFile(path);
    EXPECT_EQ(Markers(path), 3);
    EXPECT_EQ(after.find(dir + "/src/r0.jpg"), std::string::npos);
    EXPECT_NE(after.find(dir + "/late.jpg"), std::string::npos);
}

TEST_F(AlbumWindow, ATreeDeeperThan150LevelsStopsWithTheMaxReport) {
    std::string deep = dir + "/deep";
    for (int i = 0; i < 155; i++)
        deep += "/d";
    ASSERT_EQ(system(("mkdir -p " + deep).c_str()), 0);
    WriteJpeg(deep + "/bottom.jpg", 16, 16, Shade);
    Open(dir + "/deep.alb");
    ASSERT_EQ(AlbumAddSourceSet(album, (dir + "/deep").c_str(), nullptr), 0);
    testing::internal::CaptureStderr();
    Call(AlbumPageEntryAddFuncAddDirSub);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("max. Entry(s) ..."), std::string::npos) << err;
    EXPECT_EQ(Markers(dir + "/deep.alb"), 0);
}

// The album file was replaced behind the window's back: the save is refused, the window stays
// and says so, and the file on disk is the replacement, untouched.
TEST_F(AlbumWindow, AFailedSaveKeepsTheWindowAndLeavesTheFile) {
    std::string path = dir + "/f.alb";
    MakeAlbum(path, 2, "f");
    Open(path);
    PaintImgCurSelectSet(album->view, 0);
    EXPECT_EQ(Call(AlbumPageFuncEntryRemove), 0);
    ASSERT_EQ(system(("cp " + path + " " + path + ".new && mv " + path + ".new " + path).c_str()),
              0);
    std::string replaced = ReadWholeFile(path);
    CloseWindow();
    testing::internal::CaptureStderr();
    ASSERT_TRUE(AnswerBox("Question", "OK"));
    ASSERT_TRUE(Pump([&] { return Find("Error") != 0; }));
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("dravik: Error:"), std::string::npos) << err;
    EXPECT_NE(err.find(path), std::string::npos) << err;
    EXPECT_TRUE(Open());
    EXPECT_EQ(album->modified, 1);
    EXPECT_EQ(ReadWholeFile(path), replaced);
}

namespace {
class AlbumBinary : public PaintBinary {};
} // namespace

// The Setup page: each setting in a row of its own, its label left of a field of a line's height
// that shows the value.
TEST_F(AlbumWindow, SetupShowsEachSettingWithItsLabelAndField) {
    Jpeg("s/a.jpg");
    std::string path = dir + "/s.alb";
    ToolResult r = RunTool({DRAVIK_TOOL_BIN, "album", "add", path, dir + "/s/a.jpg"});
    ASSERT_EQ(r.status, 0) << r.err;
    Open(path);
    ALBUMWND *w = AlbumWnd(album);
    const int values[3] = {album->blocksize, album->def[0], album->edge};
    int y = -1;
    for (int i = 0; i < 3; i++) {
        WINDAT *f = w->setupfield[i];
        ASSERT_NE(f, nullptr);
        EXPECT_STREQ(EditTextGet(f), std::to_string(values[i]).c_str());
        EXPECT_GE(f->height, 15);
        WINDAT *label = f->neighbor[WIN_SIDE_LEFT];
        ASSERT_TRUE(label && label->label);
        EXPECT_STREQ(label->label, LgRes(70 + i, album->language));
        XWindowAttributes a = Attr(f->window);
        EXPECT_GT(a.y, y) << "one row each";
        y = a.y + a.height - 1;
    }
}

// Selecting a thumbnail redraws the names of the cells on screen only: the cells below the
// window have no place yet, and their names once landed over the first row.
TEST_F(AlbumBinary, ASelectionDrawsNoNamesOverTheGrid) {
    std::vector<std::string> args = {DRAVIK_TOOL_BIN, "album", "add", dir + "/g.alb",
                                     Jpeg("a.jpg", 120, 90, 0xFFFFFF)};
    for (int i = 0; i < 30; i++)
        args.push_back(Jpeg("a-rather-long-name-" + std::to_string(i) + ".jpg", 120, 90, 0xFFFFFF));
    ToolResult r = RunTool(args);
    ASSERT_EQ(r.status, 0) << r.err;
    Start({dir + "/g.alb"});
    Window top = Wait("g.alb");
    ASSERT_NE(top, 0u) << run.Stderr();
    Window view = 0;
    ASSERT_TRUE(WaitFor([&] { return (view = Find("scp", top)) != 0 && Viewable(view); }));
    // Above the first row's thumbnails (96 x 72, at the cells' bottoms) nothing is drawn.
    auto ink = [&] { return Colours(view, 0, 0, Attr(view).width, 18).count(0x000000); };
    ASSERT_TRUE(WaitFor([&] { return Colours(view, 10, 40, 4, 4).count(0xFFFFFF) > 0; }));
    EXPECT_EQ(ink(), 0u);
    Click(view, 96 + 25 + 48, 40, 40);
    EXPECT_FALSE(WaitFor([&] { return ink() > 0; }, 1000)) << "names drawn over the first cell";
}
