// Dialog boxes of every kind, their keys and clicks, MsgBox through the box, and a box raised
// from a worker thread.
#include "widgets/widget_support.h"

#include "base/xerror.h"
#include "widgets/xbox.h"
#include "widgets/xbtn.h"
#include "widgets/xlabel.h"

#include <X11/Xutil.h>
#include <string>
#include <thread>
#include <vector>

namespace {

std::vector<int> pressed;
int Record(WINDATUSR *rec) {
    pressed.push_back(rec->i);
    return 0;
}

class Boxes : public WidgetTest {
  protected:
    void SetUp() override {
        WidgetTest::SetUp();
        if (IsSkipped()) return;
        BoxInit();
        pressed.clear();
    }

    std::string Title(WINDAT *box) { return Name(box->window); }

    static WINDAT *Group(WINDAT *box) { return WinChildFindTyp(box, WIN_BTN_GROUP); }

    bool Shown(WINDAT *w) {
        return Pump([&] { return Attr(w->window).map_state == IsViewable; });
    }

    // Keys go where the pointer is: over the box's message.
    void KeyInBox(WINDAT *box, const char *key) {
        WINDAT *body = WinChildFindTyp(box, WIN_LABEL);
        if (!body) body = WinChildFindTyp(box, WIN_BASE);
        Move(body->window, 3, 3);
        Key(key);
    }

    bool Gone(WINDAT *box) {
        return Pump([&] {
            for (int i = 0; i < WINDATpi; i++)
                if (WINDATp[i] == box) return false;
            return true;
        });
    }
};

} // namespace

TEST_F(Boxes, EveryKindHasItsTitleButtonsAndStatuses) {
    struct KIND {
        int kind;
        const char *title;
        std::vector<std::string> buttons;
    };
    const KIND kinds[] = {
        {1, "Warning", {"OK"}},
        {2, "Error", {"OK"}},
        {3, "Question", {"OK", "Cancel"}},
        {4, "Question", {"OK", "Cancel", "Ignore"}},
        {5, "Question", {"OK", "Cancel", "Ignore", "Review"}},
        {6, "Information", {"OK"}},
        {7, "Status", {"Cancel"}},
    };
    for (const KIND &k : kinds) {
        SCOPED_TRACE(k.kind);
        WINDAT *box = BoxCreate(1, display, "Something happened.", k.kind, Record);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->typ, WIN_DLGMSG);
        EXPECT_EQ(box->state, k.kind);
        EXPECT_EQ(Title(box), k.title);
        WINDAT *group = Group(box);
        ASSERT_NE(group, nullptr);
        ASSERT_EQ(group->nchild, static_cast<int>(k.buttons.size()));
        for (int i = 0; i < group->nchild; i++) {
            EXPECT_STREQ(group->child[i]->label, k.buttons[i].c_str());
            EXPECT_EQ(group->child[i]->status, i + 1);
        }
        EXPECT_EQ(BtnGroupGetBtnDef(group), group->child[0]);
        // A message label, or for the status box an empty area; only the status box may grow.
        EXPECT_EQ(WinChildFindTyp(box, WIN_LABEL) != nullptr, k.kind != 7);
        XSizeHints hints{};
        long supplied = 0;
        XGetWMNormalHints(display, box->window, &hints, &supplied);
        EXPECT_EQ((hints.flags & PMaxSize) != 0, k.kind != 7);
        ASSERT_TRUE(Shown(box));
        WinClose(box);
    }
}

TEST_F(Boxes, ReturnPerformsTheDefaultLeftRightMoveItEscapeClosesWithoutAction) {
    WINDAT *box = BoxCreate(1, display, "Overwrite?", 4, Record);
    ASSERT_NE(box, nullptr);
    ASSERT_TRUE(Shown(box));
    WINDAT *group = Group(box);
    KeyInBox(box, "Right");
    ASSERT_TRUE(Pump([&] { return BtnGroupGetBtnDef(group) == group->child[1]; }));
    KeyInBox(box, "Right");
    KeyInBox(box, "Right");
    ASSERT_TRUE(Pump([&] { return BtnGroupGetBtnDef(group) == group->child[0]; }))
        << "wraps after the last";
    KeyInBox(box, "Left");
    ASSERT_TRUE(Pump([&] { return BtnGroupGetBtnDef(group) == group->child[2]; }))
        << "wraps before the first";
    KeyInBox(box, "Return");
    ASSERT_TRUE(Pump([&] { return pressed.size() == 1; }));
    EXPECT_EQ(pressed[0], 3);
    KeyInBox(box, "Escape");
    EXPECT_TRUE(Gone(box));
    EXPECT_EQ(pressed.size(), 1u);
}

TEST_F(Boxes, TabMovesTheFocusBetweenTheStatusAreaAndTheButtons) {
    WINDAT *box = BoxCreate(1, display, "Reading", 7, Record);
    ASSERT_NE(box, nullptr);
    ASSERT_TRUE(Shown(box));
    WINDAT *base = WinChildFindTyp(box, WIN_BASE);
    ASSERT_NE(base, nullptr);
    EXPECT_EQ(box->child[WinUSRIntGet(box)], base);
    KeyInBox(box, "Tab");
    ASSERT_TRUE(Pump([&] { return box->child[WinUSRIntGet(box)] == Group(box); }));
    KeyInBox(box, "Tab");
    ASSERT_TRUE(Pump([&] { return box->child[WinUSRIntGet(box)] == base; })) << "wraps";
    KeyInBox(box, "Return");
    ASSERT_TRUE(Pump([&] { return pressed.size() == 1; }));
    EXPECT_EQ(pressed[0], 1);
}

TEST_F(Boxes, ButtonActsOnA200MsClickAndBecomesTheDefaultButNotOnA300MsPress) {
    WINDAT *box = BoxCreate(1, display, "Remove?", 3, Record);
    ASSERT_NE(box, nullptr);
    WINDAT *group = Group(box), *cancel = group->child[1];
    ASSERT_TRUE(Shown(cancel));
    Click(cancel->window, cancel->width / 2, cancel->height / 2, 300);
    ASSERT_TRUE(Pump([&] { return cancel->usr.evmouse.type == ButtonRelease; }));
    EXPECT_TRUE(pressed.empty());
    Click(cancel->window, cancel->width / 2, cancel->height / 2, 200);
    ASSERT_TRUE(Pump([&] { return pressed.size() == 1; }));
    EXPECT_EQ(pressed[0], 2);
    EXPECT_EQ(BtnGroupGetBtnDef(group), cancel);
    EXPECT_EQ(group->child[0]->def, 0);
}

TEST_F(Boxes, MsgBoxShowsABoxWritesOneStderrLineAndOkCloses) {
    testing::internal::CaptureStderr();
    WINDAT *box = MsgBox(1, 3, "You want really exit ?", nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "dravik: Question: You want really exit ?\n");
    ASSERT_NE(box, nullptr);
    // The same message while its box is open raises that box; another message gets its own.
    int before = WINDATpi;
    testing::internal::CaptureStderr();
    EXPECT_EQ(MsgBox(1, 3, "You want really exit ?", nullptr), box);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "dravik: Question: You want really exit ?\n");
    EXPECT_EQ(WINDATpi, before);
    WINDAT *other = MsgBox(1, 1, "You want really exit ?", nullptr);
    ASSERT_NE(other, nullptr);
    EXPECT_NE(other, box);
    WinClose(other);
    WINDAT *ok = Group(box)->child[0];
    ASSERT_TRUE(Shown(ok));
    Click(ok->window, ok->width / 2, ok->height / 2, 60);
    EXPECT_TRUE(Gone(box));

    // A code without a text still says something.
    testing::internal::CaptureStderr();
    MsgErrWin(1, "ximage", -77);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "dravik: Error: -77  ximage\n");
    WINDAT *err = WinFindTyp(WIN_DLGMSG);
    ASSERT_NE(err, nullptr);
    WINDAT *label = WinChildFindTyp(err, WIN_LABEL);
    ASSERT_NE(label, nullptr);
    EXPECT_STREQ(label->label, "-77  ximage\n");

    // With the registry full the box cannot be made: its own failure is one more line, not a
    // box about the box without end.
    int max = WINDATpimax;
    WINDATpimax = WINDATpi + 1;
    testing::internal::CaptureStderr();
    EXPECT_EQ(MsgBox(1, 1, "full", nullptr), nullptr);
    std::string lines = testing::internal::GetCapturedStderr();
    WINDATpimax = max;
    EXPECT_EQ(lines, "dravik: Warning: full\ndravik: Error: Cannot open (-26) box\n");
}

// A read on a worker thread reports while the interface thread waits for it with the lock
// released, as the file open does.
TEST_F(Boxes, BoxThreadErrorFromAWorkerAppearsWithoutDeadlock) {
    ToolkitLock();
    testing::internal::CaptureStderr();
    std::thread worker([] { MsgErrFile(1, "/data/broken.jpg", -103, -1, nullptr); });
    int depth = ToolkitLockRelease();
    worker.join();
    ToolkitLockRestore(depth);
    ToolkitUnlock();
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "dravik: Error: Data have error's ( ) /data/broken.jpg\n");
    WINDAT *box = WinFindTyp(WIN_DLGMSG);
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(Shown(box));
    EXPECT_EQ(Title(box), "Error");
}

namespace {
int own_keys = 0;
int OwnKey(WINDAT *) {
    own_keys++;
    return 0;
}
} // namespace

// A dialog built on the box (the options dialog) holds lists and edit fields: they keep their
// keys, while the box's own buttons and labels give theirs to the box.
TEST_F(Boxes, WidgetsWithKeysOfTheirOwnKeepThemInsideABox) {
    WINDAT *box = BoxCreate(1, display, "Options", 3, Record);
    ASSERT_NE(box, nullptr);
    WINEVHANDLER h{};
    h.keyrelease = OwnKey;
    WinEvHandlerSet(WIN_DEBUG, &h);
    WINTYP t = Typ(60, 20);
    t.typ = WIN_DEBUG;
    WINNEIGHBOR nb{};
    WINDAT *field = WinCreate(box, 5, 5, &t, &nb, "field", nullptr);
    ASSERT_NE(field, nullptr);
    ASSERT_TRUE(Shown(field));
    own_keys = 0;
    Move(field->window, 3, 3);
    Key("Return");
    ASSERT_TRUE(Pump([] { return own_keys == 1; }));
    EXPECT_TRUE(pressed.empty());
    const WINEVHANDLER none{};
    WinEvHandlerSet(WIN_DEBUG, &none);
    WINDAT *ok = Group(box)->child[0];
    Move(ok->window, 3, 3);
    Key("Return");
    ASSERT_TRUE(Pump([] { return pressed.size() == 1; }));
    EXPECT_EQ(pressed[0], 1);
}

TEST_F(Boxes, DialogKeepsItsButtonRowAtTheBottomWhenResized) {
    WINDAT *dlg = WinCreateDlg(display, opt_rt, "Options", 3, Record);
    ASSERT_NE(dlg, nullptr);
    EXPECT_EQ(dlg->typ, WIN_DLGMSG);
    WINDAT *group = Group(dlg), *fb = WinChildFindTyp(dlg, WIN_BASE);
    ASSERT_NE(group, nullptr);
    ASSERT_NE(fb, nullptr);
    EXPECT_STREQ(fb->label, "fb");
    EXPECT_EQ(group->nchild, 2);
    ASSERT_TRUE(Shown(group->child[0]));
    dlg->width = 500;
    dlg->height = 400;
    WinResize(dlg, 500, 400);
    ASSERT_EQ(BoxResize(dlg), 0);
    ASSERT_TRUE(Pump([&] {
        XWindowAttributes g = Attr(group->window);
        return g.y + g.height == 400 && g.width == 500;
    }));
    EXPECT_TRUE(Pump([&] {
        XWindowAttributes f = Attr(fb->window);
        return f.y + f.height <= Attr(group->window).y && f.height > 100;
    }));
    // Keys over the content area reach the dialog.
    Move(fb->window, 5, 5);
    Key("Return");
    ASSERT_TRUE(Pump([] { return pressed.size() == 1; }));
    EXPECT_EQ(pressed[0], 1);
}
