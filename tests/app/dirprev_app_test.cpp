// The directory preview opened from the work area's file box: which entries get cells and in
// what order, reuse of the open window, the thumbnails' context menu (open, rename, remove with
// the question), and parallel reading against a one-thread read.
#include "app/work_area.h"

#include "app/paint_binary.h"
#include "app/wnd_paint.h"
#include "base/settings.h"
#include "base/xmem.h"
#include "widgets/xbox.h"
#include "widgets/xedit.h"
#include "widgets/xfiledirpreview.h"
#include "widgets/xfilebox.h"
#include "widgets/xlist.h"
#include "widgets/xpaint.h"

#include <X11/Xutil.h>
#include <cstdlib>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

class DirPreview : public WorkAreaTest {
  protected:
    void Settings() override {
        AskFileRemove = 1;
        DirPreviewThreads = 0;
    }
    void TearDown() override {
        DirPreviewThreads = 0;
        WorkAreaTest::TearDown();
    }

    void Jpeg(const std::string &name, int w, int h, unsigned colour = 0x3366CCu) {
        WriteJpeg(dir + "/" + name, w, h, [=](int x, int y) { return colour ^ (x * 7 + y * 3); });
    }
    void Text(const std::string &name, const char *text) {
        std::ofstream(dir + "/" + name) << text;
    }

    // Lists the directory again and opens (or refreshes) the preview.
    WINDAT *Open(const std::string &where = "") {
        FileboxUpdate(box, where.empty() ? dir.c_str() : where.c_str());
        EXPECT_EQ(mf_FileDirPrev(box), 0);
        WINDAT *top = DirPreviewGet(box);
        if (top) Pump([&] { return Attr(top->window).map_state == IsViewable; });
        return top;
    }

    WINDAT *View() { return DirPreviewView(DirPreviewGet(box)); }

    std::vector<std::string> Cells() {
        std::vector<std::string> out;
        WINDAT *v = View();
        for (int i = 0; v && i < v->img_count; i++) {
            PAINTIMG *e = PaintImgGet(v, i);
            out.push_back(e->fi.fname ? e->fi.fname : "");
        }
        return out;
    }

    // The list's entries in its order, kept when `keep` says so, as full paths.
    std::vector<std::string> ListOrder(const std::vector<std::string> &keep) {
        std::vector<std::string> out;
        WINDAT *l = FileboxWndFListGet(box);
        for (int i = 0; i < ListEntryGetEntryMax(l); i++)
            for (const std::string &k : keep)
                if (k == ListEntryGetNr(l, i)) out.push_back(dir + "/" + k);
        return out;
    }

    int Previews() {
        int n = 0;
        for (int i = 0; i < WINDATpi; i++)
            if (WINDATp[i] && WINDATp[i]->func[WIN_FUNC_CLOSE] == DirPreviewClose) n++;
        return n;
    }

    // A right click on cell `i`, then entry `entry` of the image-view menu it opens.
    void MenuOnCell(int i, int entry) {
        WINDAT *v = View();
        ASSERT_TRUE(Pump([&] { return PaintImgGet(v, i) && PaintImgGet(v, i)->cw > 0; }));
        PAINTIMG *e = PaintImgGet(v, i);
        SendClick(display, v->window, t, t + 60, e->x + e->cw / 2, e->y + e->ch / 2, 3);
        t += 1000;
        WINDAT *menu = nullptr;
        ASSERT_TRUE(Pump([&] { return (menu = WinChildFindTyp(v, WIN_MENUP)) != nullptr; }));
        EXPECT_EQ(PaintImgCurSelectGet(v), i);
        ASSERT_GT(menu->nchild, entry);
        SendClick(display, menu->child[entry]->window, t, t + 40);
        t += 1000;
        Pump([&] { return WinChildFindTyp(v, WIN_MENUP) == nullptr; });
    }
};

bool FileExists(const std::string &path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

} // namespace

TEST_F(DirPreview, EmptyDirectoryGivesAnEmptyViewASecondOpeningRefreshesTheSameWindow) {
    ASSERT_EQ(mkdir((dir + "/sub").c_str(), 0755), 0);
    Jpeg("sub/inside.jpg", 40, 30);
    Text("notes.txt", "no picture");
    WINDAT *top = Open();
    ASSERT_NE(top, nullptr);
    EXPECT_EQ(View()->img_count, 0);
    EXPECT_EQ(View()->state, PAINT_THUMBS);
    // The property rows hold no values.
    WINDAT *prop = DirPreviewProperty(top);
    int values = 0;
    for (int i = 0; i < prop->nchild; i++)
        if (prop->child[i]->usr.i >= 1 && prop->child[i]->usr.i <= 9) {
            values++;
            EXPECT_STREQ(prop->child[i]->label, " ");
        }
    EXPECT_EQ(values, 9);
    char *title = nullptr;
    ASSERT_TRUE(XFetchName(display, top->window, &title));
    EXPECT_EQ(std::string(title), dir);
    XFree(title);

    Jpeg("b.jpg", 200, 100);
    Jpeg("a.jpg", 50, 80);
    EXPECT_EQ(Open(), top);
    EXPECT_EQ(Previews(), 1);
    EXPECT_EQ(Cells(), ListOrder({"a.jpg", "b.jpg"}));
    // Edge 96: the wide one scaled to fit, the small one as it is.
    PAINTIMG *b = PaintImgGet(View(), 1);
    EXPECT_EQ(b->fi.w, 96);
    EXPECT_LE(b->fi.h, 96);
    EXPECT_NE(b->fi.ximage, nullptr);
    EXPECT_EQ(PaintImgGet(View(), 0)->fi.w, 50);
    // The first cell's file is shown above.
    bool shown = false;
    for (int i = 0; i < prop->nchild; i++)
        if (prop->child[i]->usr.i == 1) shown = prop->child[i]->label == dir + "/a.jpg";
    EXPECT_TRUE(shown);

    // A preview closed by the user (the window manager's close) is opened anew, and the box
    // forgets the closed one.
    SendDeleteRequest(display, top->window);
    EXPECT_TRUE(Pump([&] { return Previews() == 0; }));
    EXPECT_EQ(DirPreviewGet(box), nullptr);
    WINDAT *again = Open();
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(Previews(), 1);
    EXPECT_EQ(Cells().size(), 2u);
}

TEST_F(DirPreview, DirectoriesAndNonImagesGetNoCellTheCellsKeepListOrderWithoutGaps) {
    Jpeg("a.jpg", 64, 48);
    Text("b.jpg", "text named like a picture");
    ASSERT_EQ(mkdir((dir + "/c.jpg").c_str(), 0755), 0);
    Jpeg("c.jpg/deep.jpg", 30, 30);
    Jpeg("d.jpg", 120, 90, 0xCC6633u);
    std::ofstream(dir + "/e.jpg", std::ios::binary) << std::string("\xFF\xD8\xFF", 3);
    Jpeg("f.jpg", 20, 200, 0x11EE22u);
    Jpeg("g.jpg", 33, 33);
    std::vector<std::string> images = {"a.jpg", "d.jpg", "f.jpg", "g.jpg"};
    bool root = geteuid() == 0;
    ASSERT_EQ(chmod((dir + "/g.jpg").c_str(), 0), 0);
    // Root reads a file of mode 000 all the same.
    if (!root) images.pop_back();
    ASSERT_NE(Open(), nullptr);
    EXPECT_EQ(Cells(), ListOrder(images));
    if (root) GTEST_LOG_(INFO) << "running as root: g.jpg of mode 000 stays readable";
}

TEST_F(DirPreview, DirPreviewThreadReadsGiveTheCellsOfAOneThreadRead) {
    for (int i = 0; i < 40; i++) {
        char name[32];
        snprintf(name, sizeof name, "p%02d.jpg", i);
        if (i % 7 == 3)
            Text(name, "not a picture");
        else
            Jpeg(name, 60 + i * 9, 40 + (i * 13) % 150, 0x102030u * static_cast<unsigned>(i));
    }
    auto snapshot = [&] {
        std::vector<std::string> out;
        WINDAT *v = View();
        for (int i = 0; v && i < v->img_count; i++) {
            PAINTIMG *e = PaintImgGet(v, i);
            long size = static_cast<long>(e->fi.w) * e->fi.h * (e->fi.bit / 8);
            out.push_back(std::string(e->fi.fname) + " " + std::to_string(e->fi.w) + "x" +
                          std::to_string(e->fi.h) + " " +
                          std::string(reinterpret_cast<char *>(e->fi.fbuf), size));
        }
        return out;
    };
    DirPreviewThreads = 1;
    ASSERT_NE(Open(), nullptr);
    std::vector<std::string> one = snapshot();
    EXPECT_EQ(one.size(), 40u - 6u);
    DirPreviewThreads = 8;
    EXPECT_EQ(DirPreviewThreadCount(100), 8);
    ASSERT_NE(Open(), nullptr);
    EXPECT_EQ(snapshot(), one);
    DirPreviewThreads = 0;
    EXPECT_GE(DirPreviewThreadCount(100), 1);
    EXPECT_LE(DirPreviewThreadCount(100), DPV_THREADS_MAX);
    EXPECT_EQ(DirPreviewThreadCount(1), 1);
}

TEST_F(DirPreview, MenuOpenShowsTheFileRenameRenamesFileAndCellButNotOntoAnother) {
    Jpeg("a.jpg", 64, 48);
    Jpeg("b.jpg", 72, 40, 0xCC6633u);
    ASSERT_NE(Open(), nullptr);
    MenuOnCell(1, 0);
    auto *view = static_cast<WINDAT *>(MainPropStrGet(2));
    ASSERT_TRUE(Pump([&] {
        PAINTIMG *e = PaintImgGet(view, view->img_current);
        return e && e->fi.fname && dir + "/b.jpg" == e->fi.fname;
    }));
    EXPECT_EQ(PaintImgGet(view, view->img_current)->fi.w, 72);

    // Onto another file's name: refused, both files stay.
    MenuOnCell(0, 1);
    WINDAT *fly = WinFindTyp(WIN_EDIT_FLY);
    ASSERT_NE(fly, nullptr);
    WINDAT *field = EditFlyGetField(fly);
    EXPECT_STREQ(EditTextGet(field), "a.jpg");
    EditTextNew(field, "b.jpg", 5);
    WinClose(fly);
    EXPECT_EQ(WinFindTyp(WIN_EDIT_FLY), nullptr);
    EXPECT_TRUE(FileExists(dir + "/a.jpg"));
    EXPECT_EQ(PaintImgGet(View(), 1)->fi.w, 72);
    ASSERT_EQ(Dialogs().size(), 1u);
    WinClose(Dialogs()[0]);
    EXPECT_STREQ(PaintImgGet(View(), 0)->fi.fname, (dir + "/a.jpg").c_str());

    MenuOnCell(0, 1);
    ASSERT_NE(fly = WinFindTyp(WIN_EDIT_FLY), nullptr);
    EditTextNew(EditFlyGetField(fly), "renamed.jpg", 11);
    WinClose(fly);
    EXPECT_FALSE(FileExists(dir + "/a.jpg"));
    EXPECT_TRUE(FileExists(dir + "/renamed.jpg"));
    EXPECT_STREQ(PaintImgGet(View(), 0)->fi.fname, (dir + "/renamed.jpg").c_str());
}

TEST_F(DirPreview, RemoveWithTheQuestionRemovesFileAndCellEvenAfterThePreviewClosed) {
    Jpeg("a.jpg", 64, 48);
    Jpeg("b.jpg", 72, 40);
    Jpeg("c.jpg", 30, 50);
    ASSERT_NE(Open(), nullptr);
    MenuOnCell(1, 2);
    std::vector<WINDAT *> d = Dialogs();
    ASSERT_EQ(d.size(), 1u);
    // No: nothing happens.
    Press(d[0], 2);
    ASSERT_TRUE(Pump([&] { return Dialogs().empty(); }));
    EXPECT_TRUE(FileExists(dir + "/b.jpg"));
    MenuOnCell(1, 2);
    ASSERT_EQ(Dialogs().size(), 1u);
    Press(Dialogs()[0], 1);
    ASSERT_TRUE(Pump([&] { return Dialogs().empty(); }));
    EXPECT_FALSE(FileExists(dir + "/b.jpg"));
    PAINTIMG *e = PaintImgGet(View(), 1);
    EXPECT_EQ(e->fi.fname, nullptr);
    EXPECT_EQ(e->fi.ximage, nullptr);
    EXPECT_STREQ(PaintImgGet(View(), 2)->fi.fname, (dir + "/c.jpg").c_str());

    // The question outlives the preview: the file still goes, nothing touches the closed view.
    MenuOnCell(2, 2);
    ASSERT_EQ(Dialogs().size(), 1u);
    WinClose(DirPreviewGet(box));
    Press(Dialogs()[0], 1);
    ASSERT_TRUE(Pump([&] { return Dialogs().empty(); }));
    EXPECT_FALSE(FileExists(dir + "/c.jpg"));
    EXPECT_TRUE(FileExists(dir + "/a.jpg"));
}

TEST_F(DirPreview, RemoveTakesTheWholeOfAPathLongerThanTheQuestionsText) {
    std::string deep = dir;
    for (int i = 0; i < 3; i++) {
        deep += "/" + std::string(240, static_cast<char>('a' + i));
        ASSERT_EQ(mkdir(deep.c_str(), 0755), 0);
    }
    WriteJpeg(deep + "/x.jpg", 40, 30, [](int, int) { return 0x808080u; });
    ASSERT_NE(Open(deep), nullptr);
    ASSERT_EQ(Cells(), std::vector<std::string>{deep + "/x.jpg"});
    MenuOnCell(0, 2);
    ASSERT_EQ(Dialogs().size(), 1u);
    Press(Dialogs()[0], 1);
    ASSERT_TRUE(Pump([&] { return Dialogs().empty(); }));
    EXPECT_FALSE(FileExists(deep + "/x.jpg"));
    EXPECT_EQ(PaintImgGet(View(), 0)->fi.fname, nullptr);
}
