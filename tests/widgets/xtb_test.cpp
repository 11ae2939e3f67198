// Toolbar layout: docked toolbars around the work area, floating toolbars flowing into rows.
#include "widgets/widget_support.h"

#include "toolkit/xbase.h"
#include "widgets/xbtn.h"
#include "widgets/xbtnsym.h"
#include "widgets/xtb.h"

class Toolbars : public WidgetTest {
  protected:
    WINDAT *Toolbar(int kind, int height, int floating, int x = 0, int y = 0, int width = 600) {
        WINTYP t = Typ(width, height, kind);
        WINNEIGHBOR nb{};
        return ToolbarCreate(main, x, y, &t, &nb, "tb", floating, nullptr);
    }
    int Y(WINDAT *w) {
        XSync(display, False);
        return Attr(w->window).y;
    }
};

TEST_F(Toolbars, DockedToolbarsStackAroundTheWorkArea) {
    WINDAT *bottom = Toolbar(-1, 50, 0);
    WINTYP t = Typ(600, 100, BASE_FIXED);
    WINNEIGHBOR nb{};
    WINDAT *work = BaseCreate(main, 0, 0, &t, &nb, "work");
    WINDAT *symbols = Toolbar(2, 38, 0);
    WINDAT *menu = Toolbar(1, 30, 0);
    ASSERT_TRUE(bottom && work && symbols && menu);
    ASSERT_EQ(ToolbarParentResize(main), 0);
    EXPECT_EQ(Y(menu), 0);
    EXPECT_EQ(Y(symbols), 30);
    EXPECT_EQ(Y(work), 68);
    // The work area takes the height the toolbars leave.
    EXPECT_EQ(work->height, 400 - 30 - 38 - 50);
    EXPECT_EQ(Y(bottom), 350);
    // The grip sits at the left, one pixel in.
    WINDAT *grip = WinChildFindTypState(menu, WIN_BTN, BTN_GRIP);
    ASSERT_NE(grip, nullptr);
    EXPECT_EQ(Attr(grip->window).x, 1);
    EXPECT_EQ(grip->height, 28);
}

TEST_F(Toolbars, NarrowFloatingToolbarWrapsItsButtonsIntoRows) {
    WINDAT *tb = Toolbar(2, 38, 1, 100, 100, 300);
    ASSERT_NE(tb, nullptr);
    EXPECT_EQ(tb->status, 1);
    WINDAT *grip = WinChildFindTyp(tb, WIN_BTN);
    WINTYP t = Typ(300 - 14, 34);
    WINNEIGHBOR nb{};
    for (int &s : nb.space)
        s = 2;
    nb.neighbor[WIN_SIDE_LEFT] = grip;
    WINDAT *group = SymbolGroupCreate(tb, 0, 0, &t, &nb, "sym");
    ASSERT_NE(group, nullptr);
    WINDAT *b[4];
    for (int i = 0; i < 4; i++)
        ASSERT_NE(b[i] = SymbolBtnAddStd(group, "x", i + 3, nullptr), nullptr);
    EXPECT_EQ(Y(b[0]), Y(b[3])) << "one row while wide";

    // 90 wide: the group starts at x 13, so two 36-pixel buttons fit in a row.
    XResizeWindow(display, tb->window, 90, 200);
    ASSERT_TRUE(Pump([&] { return Y(b[2]) > Y(b[0]); }));
    EXPECT_EQ(Y(b[0]), Y(b[1]));
    EXPECT_EQ(Y(b[2]), Y(b[3]));
    EXPECT_EQ(Y(b[2]) - Y(b[0]), BTN_SYM_SIZE);
    EXPECT_EQ(Attr(b[2]->window).x, 0);

    // Lower than twice the grip: nothing is laid out.
    EXPECT_EQ(tb->height, 200);
    tb->height = 50;
    EXPECT_EQ(ToolbarResize(tb), -1);
}
