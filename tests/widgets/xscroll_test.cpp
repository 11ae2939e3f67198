// Scroll bars and sashes driven like a user: slider lengths, arrows held and clicked, slider
// drags past both ends, track clicks, and sashes dragged too far.
#include "widgets/view_support.h"

#include "base/settings.h"
#include "toolkit/xbase.h"
#include "widgets/xpaned.h"

namespace {

class ScrollTest : public ViewTest {
  protected:
    WINDAT *HBar() { return ScrollGetScrollX(scroll); }
    WINDAT *HTrack() { return ScrollBarGetTrack(HBar()); }
    int SlX() { return ScrollBarGetValue(HBar(), SCROLL_SLX); }
    int SlW() { return ScrollBarGetValue(HBar(), SCROLL_SLW); }
};

} // namespace

TEST_F(ScrollTest, LayoutOfBarsArrowsAndTools) {
    MakeView(0, 1);
    WINDAT *hbar = HBar(), *vbar = ScrollGetScrollY(scroll);
    WINDAT *status = ScrollGetStatus(scroll);
    ASSERT_NE(status, nullptr);
    EXPECT_EQ(vbar->width, sp_scroll);
    EXPECT_EQ(hbar->height, sp_scroll);
    EXPECT_EQ(hbar->width, scroll->width - SCROLL_TOOLS_W);
    EXPECT_EQ(view->width, scroll->width - sp_scroll);
    EXPECT_EQ(view->height, scroll->height - sp_scroll - status->height);
    int bw = sp_scroll - 4;
    EXPECT_EQ(HTrack()->width, hbar->width - 2 * bw - 4);
    EXPECT_EQ(ScrollBarGetTrack(vbar)->height, vbar->height - 2 * bw - 4);
    // The parent grows: everything follows.
    main->width = 700;
    main->height = 500;
    WinResize(main, 700, 500);
    ASSERT_EQ(ScrollWndResize(scroll), 0);
    EXPECT_EQ(scroll->width, 700);
    EXPECT_EQ(hbar->width, 700 - SCROLL_TOOLS_W);
    EXPECT_EQ(HTrack()->width, hbar->width - 2 * bw - 4);
    EXPECT_EQ(view->width, 700 - sp_scroll);
    // Half-width sub-type.
    scroll->state = 1;
    ASSERT_EQ(ScrollWndResize(scroll), 0);
    EXPECT_EQ(scroll->width, 350);
    EXPECT_EQ(scroll->height, 500);
}

TEST_F(ScrollTest, SliderLengthFollowsTheShownShare) {
    MakeView();
    Show(MakeRecord(1000, 800, 8, 1, [](int x, int, int, int) { return x & 255; }));
    int len = HTrack()->width;
    EXPECT_EQ(SlW(), static_cast<int>(static_cast<float>(view->width) * len / 1000));
    // A huge zoom leaves a 4-pixel slider, not one thinner than 2.
    view->zoom = 100000;
    ASSERT_EQ(PaintViewZoom(view, PAINT_ZOOM_KEEP), 0);
    EXPECT_EQ(SlW(), 4);
    // A picture that fits gets a full slider, and the arrows do nothing.
    Show(MakeRecord(100, 80, 8, 1, [](int, int, int, int) { return 0; }));
    EXPECT_EQ(SlW(), len);
    WINDAT *right = reinterpret_cast<WINDAT *>(WinUSRStringArrayValueGet(HBar(), 3));
    EXPECT_EQ(ScrollBtnPress(right), -1);
    EXPECT_EQ(PaintXImageGetPosX(view), 0);
}

TEST_F(ScrollTest, ArrowClickStepsOnceAndHoldRepeats) {
    MakeView();
    Show(MakeRecord(3000, 600, 8, 1, [](int x, int, int, int) { return x & 255; }));
    WINDAT *right = reinterpret_cast<WINDAT *>(WinUSRStringArrayValueGet(HBar(), 3));
    ASSERT_EQ(right->typ, WIN_SCROLLBTN_RIGHT);
    Move(right->window, 4, 4);
    ClickHere(1);
    ASSERT_TRUE(Pump([&] { return PaintXImageGetPosX(view) == 1; }));
    // Held for 600 ms: about one step per 90 ms.
    XTestFakeButtonEvent(Input(), 1, True, CurrentTime);
    XSync(input, False);
    XTestFakeButtonEvent(input, 1, False, 600);
    XFlush(input);
    ASSERT_TRUE(Pump([&] { return Released(); }));
    int steps = PaintXImageGetPosX(view) - 1;
    EXPECT_GE(steps, 3);
    EXPECT_LE(steps, 9);
    EXPECT_EQ(SlX(), static_cast<int>(static_cast<float>(HTrack()->width) *
                                      PaintXImageGetPosX(view) / 3000));
}

TEST_F(ScrollTest, SliderDraggedPastBothEndsStaysFlush) {
    MakeView();
    Show(MakeRecord(2000, 600, 8, 1, [](int x, int, int, int) { return x & 255; }));
    WINDAT *track = HTrack();
    int len = track->width, sl = SlW();
    ASSERT_LT(sl, len);
    int rx, ry;
    Root(track->window, 0, 0, &rx, &ry);
    DragAsync(track->window, sl / 2, 4, {{rx + len / 2, ry + 4}, {rx + len + 300, ry + 4}}, 40);
    EXPECT_EQ(SlX() + sl, len);
    EXPECT_EQ(PaintXImageGetPosX(view), 2000 - Display_()->width);
    EXPECT_EQ(ScrollBarGetCur(HBar()), 2000 - Display_()->width);
    DragAsync(track->window, len - sl / 2, 4, {{rx + len / 3, ry + 4}, {rx - 300, ry + 4}}, 40);
    EXPECT_EQ(SlX(), 0);
    EXPECT_EQ(PaintXImageGetPosX(view), 0);
}

TEST_F(ScrollTest, TrackClickCentresTheSlider) {
    MakeView();
    Show(MakeRecord(4000, 600, 8, 1, [](int x, int, int, int) { return x & 255; }));
    WINDAT *track = HTrack();
    int sl = SlW();
    int p = track->width / 2;
    Click(track->window, p, 4, 40);
    ASSERT_TRUE(Pump([&] { return SlX() != 0; }));
    EXPECT_EQ(SlX(), p - sl / 2);
    EXPECT_EQ(PaintXImageGetPosX(view),
              static_cast<int>(static_cast<long>(p - sl / 2) * 4000 / track->width));
    // Near the end the centred slider is pulled back inside.
    Click(track->window, track->width - 2, 4, 40);
    ASSERT_TRUE(Pump([&] { return SlX() + sl == track->width; }));
    EXPECT_EQ(PaintXImageGetPosX(view), 4000 - Display_()->width);
}

TEST_F(ScrollTest, BaseWindowChildrenScrollWithTheBar) {
    WINTYP t = Typ(300, 200);
    WINNEIGHBOR nb{};
    scroll = ScrollWndCreate(main, 0, 0, &t, &nb, "scm", nullptr, WIN_BASE, 1, 0, 0);
    ASSERT_NE(scroll, nullptr);
    WINDAT *base = ScrollGetScrollWnd(scroll);
    ASSERT_EQ(base->typ, WIN_BASE);
    WINTYP ct = Typ(900, 40);
    ct.state = BASE_FIXED;
    WINDAT *child = BaseCreate(base, 0, 0, &ct, &nb, "child");
    ASSERT_NE(child, nullptr);
    ScrollWndInitMax(scroll, 900, 40);
    int len = HTrack()->width;
    EXPECT_EQ(SlW(), std::max(4, base->width * len / 900));
    WINDAT *right = reinterpret_cast<WINDAT *>(WinUSRStringArrayValueGet(HBar(), 3));
    ASSERT_EQ(ScrollBtnPress(right), 0);
    ASSERT_EQ(ScrollBtnPress(right), 0);
    XWindowAttributes a = Attr(child->window);
    EXPECT_EQ(a.x, -2);
    // A list without its widget yet is still a window of its kind with bars.
    WINDAT *ls = ScrollWndCreate(main, 0, 0, &t, &nb, "scm", nullptr, WIN_LIST, 1, 0, 0);
    ASSERT_NE(ls, nullptr);
    EXPECT_EQ(ScrollGetScrollWnd(ls)->typ, WIN_LIST);
    EXPECT_EQ(ScrollWndCreate(main, 0, 0, &t, &nb, "scm", nullptr, WIN_BTN, 1, 0, 0), nullptr);
}

TEST_F(ScrollTest, SashStopsAtSashWidth) {
    WINTYP t = Typ(600, 300);
    t.typ = WIN_PANED_HORIZ;
    WINNEIGHBOR nb{};
    WINDAT *paned = PanedCreate(main, 0, 0, &t, &nb, "paned");
    ASSERT_NE(paned, nullptr);
    WINTYP pt = Typ(200, 300);
    WINDAT *a = PanedCreateChild(paned, 0, 0, &pt, &nb, "a", WIN_BASE);
    pt.width = 1000;
    WINDAT *b = PanedCreateChild(paned, 0, 0, &pt, &nb, "b", WIN_BASE);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    // The second pane was narrowed to fit beside the sash.
    EXPECT_EQ(b->width, 600 - 200 - sp_paned);
    WINDAT *sash = WinChildFindTyp(paned, WIN_PANEDX);
    ASSERT_NE(sash, nullptr);
    WINDAT *grip = WinChildFindTyp(sash, WIN_PANEDXM);
    ASSERT_NE(grip, nullptr);
    EXPECT_EQ(PanedResizeBtn(grip, -5000, 0), 0);
    EXPECT_EQ(a->width, sp_paned);
    EXPECT_EQ(a->width + b->width, 600 - sp_paned);
    EXPECT_EQ(PanedResizeBtn(grip, 5000, 0), 0);
    EXPECT_EQ(b->width, sp_paned);
    XSync(display, False);
    EXPECT_EQ(Attr(sash->window).x, a->width);
    EXPECT_EQ(Attr(b->window).x, a->width + sp_paned);
    // Through the pointer: press on the grip, release 48 pixels further left: the sash moves
    // the way the pointer went.
    int before = a->width;
    int rx, ry;
    Root(grip->window, 2, 2, &rx, &ry);
    DragAsync(grip->window, 2, 2, {{rx - 48, ry}}, 20);
    EXPECT_EQ(a->width, before - 48);
}

TEST_F(ScrollTest, SubTypesTakeTheirShareOfTheParent) {
    MakeView();
    const int want[6][2] = {{600, 400}, {300, 400}, {600, 200}, {300, 200}, {600, -1}, {-1, 400}};
    for (int st = 0; st < 6; st++) {
        scroll->state = st;
        scroll->width = scroll->height = 150;
        ASSERT_EQ(ScrollWndResize(scroll), 0);
        EXPECT_EQ(scroll->width, want[st][0] < 0 ? 150 : want[st][0]) << st;
        EXPECT_EQ(scroll->height, want[st][1] < 0 ? 150 : want[st][1]) << st;
        EXPECT_EQ(view->width, scroll->width - sp_scroll) << st;
    }
}

TEST_F(ScrollTest, NavigatorSliderZoomsAndAClickElsewhereClosesIt) {
    MakeView();
    Show(MakeRecord(400, 300, 8, 1, [](int x, int, int, int) { return x & 255; }));
    WINDAT *tools = ScrollGetToolbar(scroll);
    WINDATUSR rec = tools->child[PAINT_BTN_NAVIGATOR]->usr;
    rec.i = PAINT_BTN_NAVIGATOR;
    ASSERT_EQ(PaintImgTools(&rec), 0);
    WINDAT *popup = WinChildFindTyp(view, WIN_MENUP);
    ASSERT_NE(popup, nullptr);
    ASSERT_TRUE(Pump([&] { return Attr(popup->window).map_state == IsViewable; }));
    WINDAT *bar = WinChildFindTyp(popup, WIN_SCROLLX);
    WINDAT *track = ScrollBarGetTrack(bar);
    int sx = ScrollBarGetValue(bar, SCROLL_SLX), sw = ScrollBarGetValue(bar, SCROLL_SLW);
    int rx, ry;
    Root(track->window, 0, 0, &rx, &ry);
    // The slider to its right end: the largest zoom; the popup stays open.
    DragAsync(track->window, sx + sw / 2, 3, {{rx + track->width + 50, ry + 3}}, 40);
    EXPECT_EQ(view->zoom, 1000);
    EXPECT_EQ(ScrollBarGetMax(HBar()), 4000);
    ASSERT_EQ(WinChildFindTyp(view, WIN_MENUP), popup);
    // A click on the picture outside the popup closes it.
    Click(view->window, 50, 50, 40);
    EXPECT_TRUE(Pump([&] { return WinChildFindTyp(view, WIN_MENUP) == nullptr; }));
}
