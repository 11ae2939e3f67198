// The file box on a scratch tree: navigation by double click and Return, the ancestor menu,
// type filters, preview, rename, remove, new directory and the property rows.
#include "widgets/widget_support.h"

#include "app/paint_binary.h"
#include "base/settings.h"
#include "widgets/xbox.h"
#include "widgets/xbtnchk.h"
#include "widgets/xedit.h"
#include "widgets/xfiledirpreview.h"
#include "widgets/xfilebox.h"
#include "widgets/xlist.h"
#include "widgets/xmenu.h"
#include "widgets/xpaint.h"

#include <X11/keysym.h>
#include <fstream>
#include "widgets/xbtn.h"
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class Filebox : public WidgetTest {
  protected:
    ScratchDir scratch;
    std::string dir = scratch.path;
    WINDAT *box = nullptr;
    Time t = 10000;

    void SetUp() override {
        WidgetTest::SetUp();
        if (IsSkipped() || !main) return;
        BoxInit();
        AskPathShowFull = 0;
        AskFileRemove = 0;
    }

    void Touch(const std::string &name) { fclose(fopen((dir + "/" + name).c_str(), "w")); }

    WINDAT *Make(int design, int kind, const std::string &start, const char *filter = "*.*",
                 int nr = 5) {
        main->width = 640, main->height = 440;
        WinResize(main, 640, 440);
        WINTYP ty = Typ(620, 420);
        WINNEIGHBOR nb{};
        FILEBOXOPT o{design, kind, start.c_str(), filter, nr};
        box = FileboxCreate(main, 0, 0, &ty, &nb, &o);
        WinShow(main, 1);
        XSync(display, False);
        Pump([] { return false; }, 100);
        return box;
    }

    WINDAT *List() { return FileboxWndFListGet(box); }

    int Index(const char *name) {
        WINDAT *l = List();
        for (int i = 0; i < ListEntryGetEntryMax(l); i++)
            if (!strcmp(ListEntryGetNr(l, i), name)) return i;
        return -1;
    }

    // A press and release on row `row` of the list, the release `gap` ms after the last one.
    void ClickRow(int row, int gap = 1000, unsigned button = 1) {
        WINDAT *l = List();
        int y = (row - ListEntryGetViewFirstNr(l)) * ListEntryGetSizeY(l) + 2;
        t += static_cast<Time>(gap);
        SendClick(display, l->window, t - 40, t, 4, y, button);
        Pump([] { return false; }, 60);
    }

    void KeyInList(const char *key) {
        WINDAT *l = List();
        Move(l->window, 5, 5);
        // Keys go to the list whatever an earlier window did with the focus.
        Pump([&] { return Attr(l->window).map_state == IsViewable; });
        XSetInputFocus(display, l->window, RevertToPointerRoot, CurrentTime);
        Key(key);
        Pump([] { return false; }, 80);
    }

    std::string Cur() { return FileboxGetCurPath(box) ? FileboxGetCurPath(box) : ""; }

    // The pull-down the window opened, or null.
    WINDAT *Pulldown(WINDAT *opener) { return WinChildFindTyp(opener, WIN_MENUP); }

    // A 40 ms click on the window, a second after the last one.
    void Tap(WINDAT *w) {
        SendClick(display, w->window, t, t + 40);
        t += 1000;
    }

    // Clicks the button and waits for its pull-down; null when none came.
    WINDAT *OpenMenu(WINDAT *btn) {
        Tap(btn);
        Pump([&] { return Pulldown(btn) != nullptr; });
        return Pulldown(btn);
    }

    // A click on entry `i` (0-based) of an open pull-down.
    void ChooseEntry(WINDAT *pulldown, int i) {
        ASSERT_NE(pulldown, nullptr);
        ASSERT_LT(i, pulldown->nchild);
        Tap(pulldown->child[i]);
        Pump([] { return false; }, 80);
    }

    std::string Label(WINDAT *w) { return w && w->label ? w->label : ""; }
};

} // namespace

TEST_F(Filebox, DoubleClickAndReturnEnterDirectoriesAndLeaveThem) {
    ASSERT_EQ(mkdir((dir + "/sub").c_str(), 0755), 0);
    ASSERT_EQ(mkdir((dir + "/sub/deeper").c_str(), 0755), 0);
    Touch("a.jpg");
    ASSERT_NE(Make(0, FBX_PLAIN, dir), nullptr);
    EXPECT_EQ(Cur(), dir);
    EXPECT_EQ(Label(FileboxWndFDirBtnGet(box)), dir.substr(dir.rfind('/') + 1));
    int sub = Index("sub");
    ASSERT_GT(sub, 0);
    // One click selects; a second within 350 ms enters.
    ClickRow(sub);
    EXPECT_EQ(Cur(), dir);
    ClickRow(sub, 120);
    EXPECT_EQ(Cur(), dir + "/sub");
    EXPECT_EQ(Label(FileboxWndFDirBtnGet(box)), "sub");
    // Two clicks 400 ms apart are two single clicks.
    int deeper = Index("deeper");
    ClickRow(deeper);
    ClickRow(deeper, 400);
    EXPECT_EQ(Cur(), dir + "/sub");
    // Return enters the selection, ".." goes back up.
    KeyInList("Return");
    EXPECT_EQ(Cur(), dir + "/sub/deeper");
    ASSERT_EQ(ListEntryGetSelectNr(List()), 0);
    KeyInList("Return");
    EXPECT_EQ(Cur(), dir + "/sub");
    ClickRow(0);
    ClickRow(0, 100);
    EXPECT_EQ(Cur(), dir);
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    EXPECT_NE(std::string(cwd), dir + "/sub") << "the list keeps the caller's directory";
}

TEST_F(Filebox, AncestorEntriesStandForTheirOwnDirectoryWhateverTheNames) {
    char labels[FBX_DIRMENU_MAX][256];
    char paths[FBX_DIRMENU_MAX][4096];
    int n = FileboxDirTreeEntries("/a/b/a/c", 0, labels, paths, FBX_DIRMENU_MAX);
    ASSERT_EQ(n, 5);
    const char *wantL[] = {"c", "a", "b", "a", "/"};
    const char *wantP[] = {"/a/b/a/c", "/a/b/a", "/a/b", "/a", "/"};
    for (int i = 0; i < 5; i++) {
        EXPECT_STREQ(labels[i], wantL[i]);
        EXPECT_STREQ(paths[i], wantP[i]);
    }
    n = FileboxDirTreeEntries("/a/b/", 1, labels, paths, FBX_DIRMENU_MAX);
    ASSERT_EQ(n, 3);
    EXPECT_STREQ(labels[0], "/a/b");
    EXPECT_STREQ(labels[2], "/");

    // The same through the menu in a real /x/a/b/a/c.
    std::string c = dir + "/a/b/a/c";
    ASSERT_EQ(system(("mkdir -p " + c).c_str()), 0);
    ASSERT_NE(Make(0, FBX_PLAIN, c), nullptr);
    WINDAT *btn = FileboxWndFDirBtnGet(box);
    WINDAT *menu = OpenMenu(btn);
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(Label(menu->child[0]), "c");
    EXPECT_EQ(Label(menu->child[1]), "a");
    ChooseEntry(menu, 1);
    EXPECT_EQ(Cur(), dir + "/a/b/a") << "the entry a next to c is /…/a/b/a, not /…/a";
    EXPECT_EQ(Label(btn), "a");
    EXPECT_EQ(Pulldown(btn), nullptr) << "choosing closes the menu";
    ChooseEntry(OpenMenu(btn), 2);
    EXPECT_EQ(Cur(), dir + "/a");
    EXPECT_EQ(Index("b"), 1);
}

TEST_F(Filebox, AncestorMenuOfADirectoryFortyLevelsDeepListsThirty) {
    std::string p = dir;
    for (int i = 0; i < 40; i++)
        p += "/d" + std::to_string(i);
    ASSERT_EQ(system(("mkdir -p " + p).c_str()), 0);
    char labels[FBX_DIRMENU_MAX][256];
    char paths[FBX_DIRMENU_MAX][4096];
    ASSERT_EQ(FileboxDirTreeEntries(p.c_str(), 0, labels, paths, FBX_DIRMENU_MAX), 30);
    EXPECT_STREQ(labels[0], "d39");
    EXPECT_STREQ(labels[29], "d10");
    ASSERT_NE(Make(0, FBX_PLAIN, p), nullptr);
    WINDAT *btn = FileboxWndFDirBtnGet(box);
    testing::internal::CaptureStderr();
    ASSERT_NE(OpenMenu(btn), nullptr);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(err.find("add child"), std::string::npos) << err;
    WINDAT *menu = Pulldown(btn);
    // The pull-down holds as many entries as a window holds children.
    EXPECT_EQ(menu->nchild, WIN_CHILD_MAX - 1);
    EXPECT_EQ(Label(menu->child[0]), "d39");
    EXPECT_EQ(Label(menu->child[28]), "d11");
    ChooseEntry(menu, 28);
    EXPECT_EQ(Cur(), p.substr(0, p.find("/d12")));
}

TEST_F(Filebox, ChoosingJpegGivesTheNameItsExtensionAndFiltersTheList) {
    Touch("one.jpg");
    Touch("two.bmp");
    ASSERT_NE(Make(1, FBX_SAVEAS, dir, "*.*", 5), nullptr);
    EXPECT_EQ(ListEntryGetEntryMax(List()), 3);
    WINDAT *type = FileboxWndFTypGet(box);
    ASSERT_NE(type, nullptr);
    EXPECT_NE(Label(type).find("all"), std::string::npos);
    WINDAT *name = FileboxWndFNameGet(box);
    for (auto [given, want] :
         {std::pair{"pic.bmp", "pic.jpg"}, {"ab", "ab.jpg"}, {"photo", "photo.jpg"}}) {
        EditTextNew(name, given, static_cast<int>(strlen(given)));
        WINDAT *menu = OpenMenu(type);
        ASSERT_NE(menu, nullptr);
        ASSERT_EQ(menu->nchild, 3);
        EXPECT_FALSE(WinGetDisable(menu->child[0]));
        EXPECT_TRUE(WinGetDisable(menu->child[1])) << "BMP";
        EXPECT_TRUE(WinGetDisable(menu->child[2])) << "TARGA";
        ChooseEntry(menu, 0);
        EXPECT_STREQ(EditTextGet(name), want);
    }
    EXPECT_NE(Label(type).find("JPEG"), std::string::npos);
    EXPECT_EQ(FileboxGetFilterNr(box), 1);
    ASSERT_EQ(ListEntryGetEntryMax(List()), 2);
    EXPECT_STREQ(ListEntryGetNr(List(), 1), "one.jpg");
    // A disabled entry does nothing.
    ChooseEntry(OpenMenu(type), 1);
    EXPECT_EQ(FileboxGetFilterNr(box), 1);
}

TEST_F(Filebox, PreviewOnShowsThePictureAndItsLineOffOnlyTheLine) {
    WriteJpeg(dir + "/photo.jpg", 400, 300,
              [](int x, int y) { return static_cast<unsigned>(x * 0x10101 + y); });
    Touch("empty.txt");
    ASSERT_NE(Make(0, FBX_PLAIN, dir), nullptr);
    WINDAT *chk = FileboxWndFPreviewChkGet(box);
    WINDAT *view = FileboxWndFPreviewGet(box);
    ASSERT_NE(chk, nullptr);
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(BtnChkGetSelect(chk), 0);
    ClickRow(Index("photo.jpg"));
    std::string info = Label(FileboxWndFInfoGet(box));
    EXPECT_NE(info.find("400x300  24 Bit"), std::string::npos) << info;
    EXPECT_EQ(info[0], ' ');
    EXPECT_NE(Label(FileboxWndFDateGet(box)), " ");
    PAINTIMG *e = PaintImgGet(view, 0);
    EXPECT_TRUE(!e || !e->fi.fbuf) << "no preview while Preview is off";

    Tap(chk->child[0]);
    ASSERT_TRUE(Pump([&] { return BtnChkGetSelect(chk) == 1; }));
    ClickRow(Index("photo.jpg"));
    e = PaintImgGet(view, 0);
    ASSERT_TRUE(e && e->fi.fbuf);
    EXPECT_LE(std::max(e->fi.w, e->fi.h), std::max(view->width, view->height));
    EXPECT_EQ(Label(view), "photo.jpg");
    info = Label(FileboxWndFInfoGet(box));
    EXPECT_NE(info.find("400x300  24 Bit"), std::string::npos) << info;
    // Something that is no picture: the line has only its size, the view is empty.
    ClickRow(Index("empty.txt"));
    info = Label(FileboxWndFInfoGet(box));
    EXPECT_EQ(info.find("Bit"), std::string::npos) << info;
    e = PaintImgGet(view, 0);
    EXPECT_TRUE(!e || !e->fi.fbuf);
    // A preview of a directory or a missing file fails with -102.
    EXPECT_EQ(FilePreviewRead(dir.c_str(), view, -1, 96, nullptr), -102);
    EXPECT_EQ(FilePreviewRead((dir + "/none.jpg").c_str(), view, -1, 96, nullptr), -102);
    // Down walks on with the preview following.
    ClickRow(Index("empty.txt"));
    KeyInList("Down");
    e = PaintImgGet(view, 0);
    EXPECT_STREQ(FileboxGetSelectFile(box), "photo.jpg");
    EXPECT_TRUE(e && e->fi.fbuf);
}

TEST_F(Filebox, RenameRemoveAndNewDirectoryFromTheContextMenu) {
    Touch("old.jpg");
    Touch("gone.jpg");
    ASSERT_NE(Make(0, FBX_PLAIN, dir), nullptr);
    // The menu button opens the context menu on the entry.
    ClickRow(Index("old.jpg"), 1000, 3);
    WINDAT *menu = Pulldown(List());
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->nchild, 7);
    ChooseEntry(menu, 0);
    WINDAT *fly = nullptr;
    ASSERT_TRUE(Pump([&] { return (fly = WinFindTyp(WIN_EDIT_FLY)) != nullptr; }));
    WINDAT *field = EditFlyGetField(fly);
    EXPECT_STREQ(EditTextGet(field), "old.jpg");
    EditTextNew(field, "new.jpg", 7);
    Key("Return");
    ASSERT_TRUE(Pump([&] { return WinFindTyp(WIN_EDIT_FLY) == nullptr; }));
    EXPECT_NE(access((dir + "/new.jpg").c_str(), F_OK), -1);
    EXPECT_EQ(access((dir + "/old.jpg").c_str(), F_OK), -1);
    EXPECT_GT(Index("new.jpg"), 0);
    EXPECT_STREQ(FileboxGetSelectFile(box), "new.jpg");
    // A name that is taken is refused: neither file is lost.
    std::ofstream(dir + "/new.jpg") << "new";
    std::ofstream(dir + "/gone.jpg") << "gone";
    EXPECT_EQ(FileboxContextAction(box, 0), 0);
    ASSERT_TRUE(Pump([&] { return (fly = WinFindTyp(WIN_EDIT_FLY)) != nullptr; }));
    EditTextNew(EditFlyGetField(fly), "gone.jpg", 8);
    Key("Return");
    WINDAT *err = nullptr;
    ASSERT_TRUE(Pump([&] { return (err = WinFindTyp(WIN_DLGMSG)) != nullptr; }));
    EXPECT_EQ(WinFindTyp(WIN_EDIT_FLY), nullptr) << "the field closes after the refusal";
    WINDAT *ok = WinChildFindTyp(err, WIN_BTN_GROUP);
    ASSERT_TRUE(ok && ok->nchild > 0);
    Tap(ok->child[0]);
    ASSERT_TRUE(Pump([&] { return WinFindTyp(WIN_DLGMSG) == nullptr; }));
    EXPECT_EQ(ReadWholeFile(dir + "/gone.jpg"), "gone");
    EXPECT_EQ(ReadWholeFile(dir + "/new.jpg"), "new");

    // Remove without the question.
    AskFileRemove = 0;
    ListEntrySetSelectNr(List(), Index("gone.jpg"));
    EXPECT_EQ(FileboxContextAction(box, 1), 0);
    EXPECT_EQ(access((dir + "/gone.jpg").c_str(), F_OK), -1);
    EXPECT_EQ(Index("gone.jpg"), -1);

    // With the question: Cancel keeps it, OK removes it.
    AskFileRemove = 1;
    ListEntrySetSelectNr(List(), Index("new.jpg"));
    for (int answer : {2, 1}) {
        EXPECT_EQ(FileboxContextAction(box, 1), 0);
        WINDAT *q = nullptr;
        ASSERT_TRUE(Pump([&] { return (q = WinFindTyp(WIN_DLGMSG)) != nullptr; }));
        WINDAT *grp = WinChildFindTyp(q, WIN_BTN_GROUP);
        ASSERT_NE(grp, nullptr);
        WINDAT *btn = nullptr;
        for (int i = 0; i < grp->nchild; i++)
            if (grp->child[i]->status == answer) btn = grp->child[i];
        ASSERT_NE(btn, nullptr);
        Tap(btn);
        ASSERT_TRUE(Pump([&] { return WinFindTyp(WIN_DLGMSG) == nullptr; }));
        EXPECT_EQ(access((dir + "/new.jpg").c_str(), F_OK) == 0, answer == 2);
    }
    EXPECT_EQ(Index("new.jpg"), -1);

    // New directory.
    EXPECT_EQ(FileboxContextAction(box, 4), 0);
    ASSERT_TRUE(Pump([&] { return (fly = WinFindTyp(WIN_EDIT_FLY)) != nullptr; }));
    EditTextNew(EditFlyGetField(fly), "made", 4);
    Key("Return");
    ASSERT_TRUE(Pump([&] { return WinFindTyp(WIN_EDIT_FLY) == nullptr; }));
    struct stat st;
    ASSERT_EQ(stat((dir + "/made").c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0755u & ~static_cast<unsigned>(umask(022)));
    EXPECT_EQ(Index("made"), 1);
    // The last entry previews the box's directory; the preview needs a file box.
    EXPECT_EQ(FileboxContextAction(box, 5), 0);
    EXPECT_NE(DirPreviewGet(box), nullptr);
    EXPECT_EQ(mf_FileDirPrev(nullptr), -17);
    EXPECT_EQ(mf_FileDirPrev(DirPreviewGet(box)), -17);
}

TEST_F(Filebox, PropertyWindowRows) {
    WriteJpeg(dir + "/p.jpg", 64, 48, [](int, int) { return 0xC86432u; });
    ASSERT_EQ(chmod((dir + "/p.jpg").c_str(), 0640), 0);
    char buf[4096];
    std::string p = dir + "/p.jpg";
    ASSERT_EQ(FilePropertyValue(p.c_str(), 6, 1, buf, sizeof buf), 0);
    EXPECT_STREQ(buf, "-rw-r----- (0640)  Link(s): 1");
    ASSERT_EQ(FilePropertyValue(p.c_str(), 9, 1, buf, sizeof buf), 0);
    EXPECT_STREQ(buf, "JPEG - 64x48  24 Bit");
    ASSERT_EQ(FilePropertyValue(dir.c_str(), 6, 1, buf, sizeof buf), 0);
    EXPECT_EQ(buf[0], 'd');
    ASSERT_EQ(FilePropertyValue(p.c_str(), 1, 1, buf, sizeof buf), 0);
    EXPECT_EQ(std::string(buf), p);
    ASSERT_EQ(FilePropertyValue(p.c_str(), 7, 1, buf, sizeof buf), 0);
    EXPECT_EQ(atoi(buf), static_cast<int>(getuid()));
    EXPECT_EQ(FilePropertyValue((dir + "/none").c_str(), 5, 1, buf, sizeof buf), -102);

    ASSERT_NE(Make(0, FBX_PLAIN, dir), nullptr);
    ListEntrySetSelectNr(List(), Index("p.jpg"));
    ASSERT_EQ(FileboxContextAction(box, 2), 0);
    auto win = reinterpret_cast<WINDAT *>(box->usr.strm[FBX_SLOT_PROPERTY]);
    ASSERT_NE(win, nullptr);
    std::vector<std::string> rows;
    for (int i = 0; i < win->nchild; i++)
        rows.push_back(Label(win->child[i]));
    ASSERT_EQ(rows.size(), 18u);
    EXPECT_EQ(rows[1], p);
    EXPECT_EQ(rows[11], "-rw-r----- (0640)  Link(s): 1");
    EXPECT_EQ(rows[17], "JPEG - 64x48  24 Bit");
}

TEST_F(Filebox, AlbumOpenDialogAndAlbumAddPage) {
    Touch("one.alb");
    Touch("two.jpg");
    snprintf(LastPathAlbum, RC_PATH_SIZE, "%s", dir.c_str());
    static int pressed = 0;
    pressed = 0;
    WINDAT *dlg = FileboxOpenAlbum(nullptr, display, [](WINDATUSR *rec) {
        pressed = rec->i;
        return 0;
    });
    ASSERT_NE(dlg, nullptr);
    box = FileboxFind(dlg);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->state, FBX_ALBUM_OPEN);
    EXPECT_EQ(Cur(), dir);
    ASSERT_EQ(ListEntryGetEntryMax(List()), 2);
    EXPECT_STREQ(ListEntryGetNr(List(), 1), "one.alb");
    EXPECT_EQ(Label(FileboxWndFTypGet(box)), "Album (*.alb)");
    ASSERT_NE(FileboxWndFNameGet(box), nullptr);
    // The second album type lists everything.
    EXPECT_EQ(FileboxFilterChoose(box, 1), 0);
    EXPECT_EQ(ListEntryGetEntryMax(List()), 3);
    // Return on a file confirms the dialog through its button callback with button 1, the
    // name in the field.
    FileboxFilterChoose(box, 0);
    ListEntrySetSelectNr(List(), 1);
    KeyInList("Return");
    EXPECT_EQ(pressed, 1);
    EXPECT_STREQ(FileboxGetEditFile(box), "one.alb");
    WinClose(dlg);

    // The album add page: a design-1 box of kind 4 in a page, without a name field.
    WINTYP ty = Typ(600, 400);
    WINNEIGHBOR nb{};
    FILEBOXOPT o{1, FBX_ALBUM_ADD, dir.c_str(), "*.jpg", 1};
    box = FileboxCreate(main, 0, 0, &ty, &nb, &o);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(FileboxWndFNameGet(box), nullptr);
    EXPECT_NE(Label(FileboxWndFTypGet(box)).find("JPEG"), std::string::npos);
    ASSERT_EQ(ListEntryGetEntryMax(List()), 2);
    EXPECT_STREQ(ListEntryGetNr(List(), 1), "two.jpg");
}

TEST_F(Filebox, SortSubmenuOfTheContextMenuResortsTheList) {
    std::ofstream(dir + "/a_big.jpg") << std::string(3000, 'x');
    std::ofstream(dir + "/b_small.jpg") << "x";
    ASSERT_NE(Make(0, FBX_PLAIN, dir), nullptr);
    EXPECT_STREQ(ListEntryGetNr(List(), 1), "a_big.jpg");
    ClickRow(1, 1000, 3);
    WINDAT *menu = Pulldown(List());
    ASSERT_NE(menu, nullptr);
    WINDAT *sort = menu->child[3];
    ASSERT_EQ(sort->state, BTN_MENU_SUB);
    MenuEntryEnter(sort);
    WINDAT *sub = nullptr;
    ASSERT_TRUE(Pump([&] { return (sub = Pulldown(sort)) != nullptr; }));
    ChooseEntry(sub, 2);
    EXPECT_STREQ(ListEntryGetNr(List(), 1), "b_small.jpg");
    EXPECT_EQ(LastFileSort, 2);
    EXPECT_EQ(Cur(), dir);
    LastFileSort = 0;
}
