// The work area's file box with the File commands: Open from the selection (Return and File >
// Open), Save as with the overwrite question, a multi-frame save into one file per frame of the
// chosen range, and the menu states after each.
#include "app/work_area.h"

#include "app/mf_file.h"
#include "app/paint_binary.h"
#include "app/wnd_paint.h"
#include "base/settings.h"
#include "base/xmem.h"
#include "io/io_album.h"
#include "toolkit/xwinfunc.h"
#include "widgets/xbox.h"
#include "widgets/xedit.h"
#include "widgets/xfilebox.h"
#include "widgets/xlist.h"
#include "widgets/xmenu.h"
#include "widgets/xpaint.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class WorkFilebox : public WorkAreaTest {
  protected:
    void Settings() override {
        AskFileSaveExist = 1;
        dlgmain[0] = dlgmain[1] = 5;
        dlgmain[2] = dlgmain[3] = dlgmain[4] = 1;
    }

    WINDAT *List() { return FileboxWndFListGet(box); }
    WINDAT *View() { return static_cast<WINDAT *>(MainPropStrGet(2)); }

    void Select(const char *name) {
        FileboxUpdate(box, nullptr);
        WINDAT *l = List();
        for (int i = 0; i < ListEntryGetEntryMax(l); i++)
            if (!strcmp(ListEntryGetNr(l, i), name)) ListEntrySetSelectNr(l, i);
        ASSERT_STREQ(FileboxGetSelectFile(box), name);
    }

    int Disabled(int id) {
        MENUHANDLE h = id >= 400 ? M_MAIN_MENU[3] : M_MAIN_MENU[1];
        for (int i = 1; i <= MenuCount(h); i++)
            if (MenuItemGet(h, i)->id == id) return MenuItemGet(h, i)->disabled;
        return -1;
    }

    WINDAT *SaveAsDialog(const char *name) {
        EXPECT_EQ(MF_FileSaveAs(View()), 0);
        std::vector<WINDAT *> d = Dialogs();
        if (d.empty()) return nullptr;
        WINDAT *fbx = FileboxFind(d.back());
        WINDAT *field = FileboxWndFNameGet(fbx);
        EditTextNew(field, name, static_cast<int>(strlen(name)));
        return d.back();
    }
};

} // namespace

TEST_F(WorkFilebox, ReturnAndFileOpenOpenTheSelectionAndEnableTheEntries) {
    WriteJpeg(dir + "/a.jpg", 64, 48, [](int, int) { return 0x3366CCu; });
    ASSERT_EQ(mkdir((dir + "/sub").c_str(), 0755), 0);
    WriteJpeg(dir + "/sub/b.jpg", 32, 16, [](int, int) { return 0xCC6633u; });
    EXPECT_EQ(Disabled(202), 1);
    EXPECT_EQ(Disabled(203), 1);
    EXPECT_EQ(Disabled(400), 1);
    Select("a.jpg");
    EXPECT_EQ(MenuMainAction(display, 200), 1);
    PAINTIMG *e = PaintImgGet(View(), View()->img_current);
    ASSERT_TRUE(e && e->fi.fbuf);
    EXPECT_EQ(e->fi.w, 64);
    EXPECT_EQ(Disabled(202), 0);
    EXPECT_EQ(Disabled(203), 0);
    EXPECT_EQ(Disabled(204), 0);
    EXPECT_EQ(Disabled(402), 0);
    EXPECT_EQ(Disabled(205), 1);
    EXPECT_STREQ(mainFileLastName[0], (dir + "/a.jpg").c_str());

    // File > Open on a directory enters it, without a message.
    Select("sub");
    testing::internal::CaptureStderr();
    EXPECT_EQ(MenuMainAction(display, 200), 1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(std::string(FileboxGetCurPath(box)), dir + "/sub");
    EXPECT_TRUE(Dialogs().empty());
    FileboxDirEnter(box, dir.c_str());
    // Return on a directory enters it, on a file opens it.
    Select("sub");
    Move(List()->window, 5, 5);
    XSetInputFocus(display, List()->window, RevertToPointerRoot, CurrentTime);
    Key("Return");
    ASSERT_TRUE(Pump([&] { return std::string(FileboxGetCurPath(box)) == dir + "/sub"; }));
    Select("b.jpg");
    Key("Return");
    ASSERT_TRUE(Pump([&] {
        PAINTIMG *c = PaintImgGet(View(), View()->img_current);
        return c && c->fi.w == 32;
    }));
    EXPECT_STREQ(mainFileLastName[0], (dir + "/sub/b.jpg").c_str());

    // Close disables them again; Open of nothing selectable does nothing.
    EXPECT_EQ(MenuMainAction(display, 204), 1);
    EXPECT_EQ(Disabled(202), 1);
    EXPECT_EQ(Disabled(203), 1);
    std::string bad = dir + "/sub/bad.jpg";
    std::ofstream(bad) << "not a picture";
    Select("bad.jpg");
    EXPECT_NE(MF_FileOpen(), 0);
    EXPECT_EQ(Disabled(202), 1);

    // An album opens in its own window, as on the command line, and leaves the view alone.
    ALBUMDAT album{};
    snprintf(album.path, sizeof album.path, "%s/sub/x.alb", dir.c_str());
    ASSERT_EQ(IoAlbumLoad(&album, 64), 100);
    IoAlbumFree(&album);
    Select("x.alb");
    testing::internal::CaptureStderr();
    EXPECT_EQ(MF_FileOpen(), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    // Opened again, it is the same window.
    EXPECT_EQ(MF_FileOpen(), 0);
    int shown = 0;
    for (int i = 0; i < WINDATpi; i++)
        shown += WINDATp[i] && !WINDATp[i]->usr.parent && WINDATp[i]->label &&
                 !strcmp(WINDATp[i]->label, "x.alb");
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(Disabled(202), 1);
}

TEST_F(WorkFilebox, SaveAsAsksBeforeOverwritingAndKeepsTheFileOnCancel) {
    WriteJpeg(dir + "/a.jpg", 64, 48, [](int x, int) { return x < 32 ? 0xFF0000u : 0x0000FFu; });
    Select("a.jpg");
    ASSERT_EQ(MF_FileOpen(), 0);
    std::string target = dir + "/copy.jpg";
    std::ofstream(target) << "old contents";

    WINDAT *dlg = SaveAsDialog("copy");
    ASSERT_NE(dlg, nullptr);
    WINDAT *fbx = FileboxFind(dlg);
    EXPECT_EQ(FileboxGetFilterNr(fbx), 1) << "the last save type";
    EXPECT_FALSE(FileboxHasFrameFields(fbx));
    EditTextNew(FileboxWndFNameGet(fbx), "copy.jpg", 8);
    Press(dlg, 1);
    // The question; Cancel keeps the old file and the dialog.
    ASSERT_EQ(Dialogs().size(), 2u);
    Press(Dialogs().back(), 2);
    ASSERT_EQ(Dialogs().size(), 1u);
    EXPECT_EQ(ReadWholeFile(target), "old contents");
    // OK again, then Yes: written.
    Press(dlg, 1);
    ASSERT_EQ(Dialogs().size(), 2u);
    Press(Dialogs().back(), 1);
    EXPECT_TRUE(Dialogs().empty());
    std::string b = ReadWholeFile(target);
    ASSERT_GT(b.size(), 4u);
    EXPECT_EQ(static_cast<unsigned char>(b[0]), 0xFF);
    EXPECT_EQ(static_cast<unsigned char>(b[1]), 0xD8);
    EXPECT_EQ(dlgmain[2], 1);
    EXPECT_EQ(std::string(LastPathFileSave), dir);
    EXPECT_EQ(Disabled(202), 0);

    // A new name is written without a question; Cancel writes nothing.
    dlg = SaveAsDialog("fresh.jpg");
    Press(dlg, 1);
    EXPECT_TRUE(Dialogs().empty());
    EXPECT_EQ(access((dir + "/fresh.jpg").c_str(), F_OK), 0);
    dlg = SaveAsDialog("never.jpg");
    Press(dlg, 2);
    EXPECT_TRUE(Dialogs().empty());
    EXPECT_NE(access((dir + "/never.jpg").c_str(), F_OK), 0);

    // A bad quality is reported with -112 and nothing is written.
    dlg = SaveAsDialog("q.jpg");
    WINDAT *area = FileboxWndFTypOptGet(FileboxFind(dlg));
    WINDAT *q = WinChildFindTyp(area, WIN_EDIT_TXT);
    ASSERT_NE(q, nullptr);
    EXPECT_STREQ(EditTextGet(q), "100");
    EditTextNew(q, "", 0);
    Press(dlg, 1);
    EXPECT_NE(access((dir + "/q.jpg").c_str(), F_OK), 0);
}

TEST_F(WorkFilebox, MultiFrameSaveWritesOneFilePerFrameOfTheRangeWithoutAsking) {
    WriteDicom(dir + "/film.dcm", 4, 32, 16);
    Select("film.dcm");
    ASSERT_EQ(MF_FileOpen(), 0);
    EXPECT_EQ(Disabled(202), 1) << "DICOM is not saved under its own name";
    EXPECT_EQ(Disabled(203), 0);
    EXPECT_EQ(Disabled(204), 0);
    std::ofstream(dir + "/film.frm1.jpg") << "old";
    WINDAT *dlg = SaveAsDialog("film.jpg");
    ASSERT_NE(dlg, nullptr);
    WINDAT *fbx = FileboxFind(dlg);
    ASSERT_TRUE(FileboxHasFrameFields(fbx));
    EXPECT_EQ(FileboxWndFFrameStartGet(fbx), 0);
    EXPECT_EQ(FileboxWndFFrameEndGet(fbx), 4);
    FileboxWndFFrameStartSet(fbx, 1);
    FileboxWndFFrameEndSet(fbx, 2);
    Press(dlg, 1);
    EXPECT_TRUE(Dialogs().empty()) << "no overwrite question for a multi-frame save";
    EXPECT_NE(access((dir + "/film.frm0.jpg").c_str(), F_OK), 0);
    EXPECT_NE(ReadWholeFile(dir + "/film.frm1.jpg"), "old");
    EXPECT_EQ(access((dir + "/film.frm2.jpg").c_str(), F_OK), 0);
    EXPECT_NE(access((dir + "/film.frm3.jpg").c_str(), F_OK), 0);
    EXPECT_EQ(dlgmain[3], 1);
    EXPECT_EQ(dlgmain[4], 1);
}

TEST_F(WorkFilebox, TheBoxFillsTheLeftPaneAndItsPartsDoNotOverlap) {
    WINDAT *pane = box->usr.parent;
    ASSERT_NE(pane, nullptr);
    for (int size : {600, 450}) {
        main->height = size;
        WinResize(main, main->width, size);
        WINDAT *wrk = WinChildFindTyp(main, WIN_BASE);
        wrk->height = size;
        WinResize(wrk, wrk->width, size);
        WinFuncResize(wrk);
        Pump([] { return false; }, 50);
        EXPECT_EQ(box->height, pane->height - 2 * box->border);
        XWindowAttributes chk = Attr(FileboxWndFPreviewChkGet(box)->window);
        WINDAT *tree = WinChildFindTyp(box, WIN_TREE);
        XWindowAttributes tr = Attr(tree->window);
        XWindowAttributes pv = Attr(FileboxWndFPreviewGet(box)->window);
        XWindowAttributes info = Attr(FileboxWndFInfoGet(box)->window);
        EXPECT_LE(tr.y + tr.height, chk.y) << size;
        EXPECT_LE(chk.y + chk.height, info.y) << size;
        EXPECT_LE(info.y + info.height, pv.y) << size;
        EXPECT_LE(pv.y + pv.height, box->height + 1) << size;
        EXPECT_GE(pv.height, FBX_PREVIEW_EDGE);
        // The list's scroll window fills the tree.
        XWindowAttributes sc = Attr(tree->child[0]->window);
        EXPECT_EQ(sc.height, tr.height);
    }
}

TEST_F(WorkFilebox, AFailedSaveAsLeavesTheExistingFileAsItWas) {
    WriteJpeg(dir + "/a.jpg", 64, 48, [](int, int) { return 0x808080u; });
    Select("a.jpg");
    ASSERT_EQ(MF_FileOpen(), 0);
    // A name of 250 bytes exists; the writer's temporary name beside it would be longer than a
    // file name may be, so the save fails before anything is replaced.
    std::string name = std::string(246, 'n') + ".jpg";
    std::ofstream(dir + "/" + name) << "old contents";
    WINDAT *dlg = SaveAsDialog(name.c_str());
    ASSERT_NE(dlg, nullptr);
    testing::internal::CaptureStderr();
    Press(dlg, 1);
    ASSERT_EQ(Dialogs().size(), 2u);
    Press(Dialogs().back(), 1);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(ReadWholeFile(dir + "/" + name), "old contents");
    EXPECT_NE(err.find("dravik: Error"), std::string::npos) << err;
    for (WINDAT *d : Dialogs())
        WinClose(d);
}

TEST_F(WorkFilebox, ReturnOnAFileDeletedSinceTheListingSaysSoAndListsAgain) {
    WriteJpeg(dir + "/a.jpg", 16, 16, [](int, int) { return 0x3366CCu; });
    WriteJpeg(dir + "/b.jpg", 16, 16, [](int, int) { return 0x3366CCu; });
    Select("b.jpg");
    ASSERT_EQ(unlink((dir + "/b.jpg").c_str()), 0);
    Move(List()->window, 5, 5);
    XSetInputFocus(display, List()->window, RevertToPointerRoot, CurrentTime);
    testing::internal::CaptureStderr();
    Key("Return");
    bool boxed = Pump([&] { return Dialogs().size() == 1; });
    std::string err = testing::internal::GetCapturedStderr();
    ASSERT_TRUE(boxed);
    EXPECT_NE(err.find("Cannot open (this file no longer exists)"), std::string::npos) << err;
    for (int i = 0; i < ListEntryGetEntryMax(List()); i++)
        EXPECT_STRNE(ListEntryGetNr(List(), i), "b.jpg");
    Press(Dialogs().back(), 1);
    EXPECT_TRUE(Dialogs().empty());
}

TEST_F(WorkFilebox, TheContextMenuActsOnTheRowItHighlightsAndPropertyClosesLikeABox) {
    for (const char *n : {"a.jpg", "b.jpg", "c.jpg"})
        WriteJpeg(dir + "/" + n, 16, 16, [](int, int) { return 0x3366CCu; });
    Select("a.jpg");
    WINDAT *l = List();
    int row = -1;
    for (int i = 0; i < ListEntryGetEntryMax(l); i++)
        if (!strcmp(ListEntryGetNr(l, i), "c.jpg")) row = i;
    ASSERT_GE(row, 0);
    int eh = ListEntryGetSizeY(l);
    Click(l->window, 10, (row - ListEntryGetViewFirstNr(l)) * eh + eh / 2, HOLD_TOOL, 3);
    Window entry = 0;
    ASSERT_TRUE(Pump([&] { return (entry = Find("Property")) != 0; }));
    EXPECT_STREQ(FileboxGetSelectFile(box), "c.jpg") << "the highlight is on the menu's row";
    Click(entry, 5, 5, 40);
    ASSERT_TRUE(Pump([&] { return Dialogs().size() == 1; }));
    WINDAT *prop = Dialogs().back();
    const char *file = nullptr;
    for (int i = 0; i < prop->nchild; i++)
        if (prop->child[i]->usr.i == 1) file = prop->child[i]->label;
    EXPECT_STREQ(file, (dir + "/c.jpg").c_str());
    // Escape closes it, and so does the window manager's close.
    Move(prop->window, 20, 20);
    Key("Escape");
    EXPECT_TRUE(Pump([&] { return Dialogs().empty(); }));
    ASSERT_EQ(FileboxContextAction(box, 2), 0);
    ASSERT_EQ(Dialogs().size(), 1u);
    SendDeleteRequest(display, Dialogs().back()->window);
    EXPECT_TRUE(Pump([&] { return Dialogs().empty(); }));
}
