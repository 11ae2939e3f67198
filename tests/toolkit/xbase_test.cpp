// The base window's placement states, read back from the server after a layout pass.
#include "support/driver.h"
#include "toolkit/xbase.h"
#include "toolkit/xcolor.h"
#include "toolkit/xinit.h"

#include <cstring>
#include <vector>

namespace {

class BaseWindow : public XvfbTest {
  protected:
    WINDAT *top = nullptr;

    void SetUp() override {
        XvfbTest::SetUp();
        if (IsSkipped()) return;
        ASSERT_EQ(WinMemInit(), 0);
        ColorStep1LibInit(display);
        ColorStep2FontLibInit(display);
        WINTYP t = Typ(400, 300, 1);
        WINNEIGHBOR nb{};
        top = WinCreateFromRoot(display, 0, 0, &t, &nb, "top", fontfs_text);
        ASSERT_NE(top, nullptr);
        top->typ = WIN_BASE;
    }

    void TearDown() override {
        if (top) WinClose(top);
        WinMemRemove();
    }

    static WINTYP Typ(int w, int h, int state) {
        WINTYP t{};
        t.fg = 0xFFFFFF;
        t.width = w;
        t.height = h;
        t.state = state;
        t.mouseleft = 1;
        t.mouseright = 3;
        t.language = 1;
        return t;
    }

    // x, y, width and height on the server.
    std::vector<int> Geometry(const WINDAT *w) {
        XWindowAttributes a = Attr(w->window);
        return {a.x, a.y, a.width, a.height};
    }

    void ResizeParent(int w, int h) {
        XResizeWindow(top->usr.display, top->window, static_cast<unsigned>(w),
                      static_cast<unsigned>(h));
        top->width = w;
        top->height = h;
        WinChildResize(top);
    }
};

} // namespace

TEST_F(BaseWindow, ChainedHorizontallySitsBesideItsLeftNeighbour) {
    WINTYP t = Typ(100, 50, BASE_FIXED);
    WINNEIGHBOR nb{};
    nb.space[WIN_SIDE_RIGHT] = 5;
    WINDAT *left = BaseCreate(top, 0, 0, &t, &nb, "left");
    ASSERT_NE(left, nullptr);
    EXPECT_EQ(left->typ, WIN_BASE);

    t = Typ(50, 50, BASE_CHAINED_H);
    nb = {};
    nb.neighbor[WIN_SIDE_LEFT] = left;
    nb.space[WIN_SIDE_LEFT] = 3;
    nb.space[WIN_SIDE_RIGHT] = 4;
    WINDAT *b = BaseCreate(top, 0, 0, &t, &nb, "chained");
    ASSERT_NE(b, nullptr);
    BaseResize(b);
    EXPECT_EQ(Geometry(b), (std::vector<int>{108, 0, 400 - 108 - 4, 300}));
}

TEST_F(BaseWindow, FixedKeepsItsPlaceWhileChainedFollowsTheParent) {
    WINTYP t = Typ(50, 40, BASE_FIXED);
    WINNEIGHBOR nb{};
    WINDAT *fixed = BaseCreate(top, 10, 10, &t, &nb, "fixed");
    t = Typ(50, 40, BASE_CHAINED);
    nb.space[WIN_SIDE_TOP] = 60;
    WINDAT *chained = BaseCreate(top, 0, 0, &t, &nb, "chained");
    ASSERT_NE(fixed, nullptr);
    ASSERT_NE(chained, nullptr);
    std::vector<int> before = Geometry(fixed);
    ResizeParent(300, 200);
    EXPECT_EQ(Geometry(fixed), before);
    EXPECT_EQ(Geometry(chained), (std::vector<int>{0, 60, 300, 140}));
}

TEST_F(BaseWindow, ChainedVerticallyAlignsWithItsLeftNeighbour) {
    WINTYP t = Typ(100, 30, BASE_FIXED);
    WINNEIGHBOR nb{};
    WINDAT *upper = BaseCreate(top, 20, 0, &t, &nb, "upper");
    nb.space[WIN_SIDE_BOTTOM] = 2;
    upper->space[WIN_SIDE_BOTTOM] = 2;
    t = Typ(30, 30, BASE_CHAINED_V);
    nb = {};
    nb.neighbor[WIN_SIDE_TOP] = upper;
    nb.neighbor[WIN_SIDE_LEFT] = upper;
    WINDAT *b = BaseCreate(top, 0, 0, &t, &nb, "below");
    ASSERT_NE(b, nullptr);
    BaseResize(b);
    std::vector<int> g = Geometry(b);
    EXPECT_EQ(g[0], 20);
    EXPECT_EQ(g[1], 32);
    EXPECT_EQ(g[3], 300 - 32);
    EXPECT_EQ(BasePaint(b), 0);
    EXPECT_EQ(BasePaint(nullptr), -15);
    EXPECT_EQ(ResizeBase(nullptr), -20);
}
