// Symbol buttons: pictures, hints and click timing.
#include "widgets/widget_support.h"

#include "widgets/xbtnsym.h"

namespace {

int opened;
int Open(WINDATUSR *) {
    return ++opened, 0;
}

class SymbolButtons : public WidgetTest {
  protected:
    WINDAT *btn = nullptr;
    void SetUp() override {
        WidgetTest::SetUp();
        if (IsSkipped()) return;
        opened = 0;
        WINTYP t = Typ(300, 40);
        t.bg = bg_menu;
        WINNEIGHBOR nb{};
        nb.space[WIN_SIDE_TOP] = 100;
        nb.space[WIN_SIDE_LEFT] = 100;
        WINDAT *group = SymbolGroupCreate(main, 0, 0, &t, &nb, "sym");
        ASSERT_NE(group, nullptr);
        btn = SymbolBtnAddStd(group, "File open", 1, Open);
        ASSERT_NE(btn, nullptr);
        XtMove(display, 500, 350);
        Pump([] { return false; }, 50);
    }
    void Enter() { Move(btn->window, 18, 18); }
    unsigned long Centre() { return Pixel(btn->window, 18, 18); }
};

} // namespace

TEST_F(SymbolButtons, HintAppearsAboveWhileThePointerIsOverTheButton) {
    AskHintBtnSym = 1;
    Enter();
    WINDAT *hint = nullptr;
    ASSERT_TRUE(Pump([&] { return (hint = WinFindTyp(WIN_HINT)) != nullptr; }));
    EXPECT_STREQ(hint->label, "File open");
    int hx, hy, bx, by;
    RootPos(hint->window, &hx, &hy);
    RootPos(btn->window, &bx, &by);
    EXPECT_LT(hy + hint->height, by + 2);
    XtMove(display, 500, 350);
    ASSERT_TRUE(Pump([&] { return WinFindTyp(WIN_HINT) == nullptr; }));
}

TEST_F(SymbolButtons, WithoutHintsOnlyThePictureLightsUp) {
    AskHintBtnSym = 0;
    unsigned long normal = Centre();
    Enter();
    ASSERT_TRUE(Pump([&] { return WinUSRIntArrayValueGet(btn, 1) == 1; }));
    Pump([] { return false; }, 100);
    EXPECT_EQ(WinFindTyp(WIN_HINT), nullptr);
    EXPECT_NE(Centre(), normal);
    XtMove(display, 500, 350);
    ASSERT_TRUE(Pump([&] { return WinUSRIntArrayValueGet(btn, 1) == 0; }));
    Pump([] { return false; }, 50);
    EXPECT_EQ(Centre(), normal);
}

TEST_F(SymbolButtons, NumbersWithoutPicturesGiveAnEmptyButton) {
    WINDAT *group = btn->usr.parent;
    for (int symbol : {2, 0, 8}) {
        WINDAT *b = SymbolBtnAddStd(group, "none", symbol, nullptr);
        ASSERT_NE(b, nullptr);
        auto images = static_cast<XImage **>(b->img_list);
        ASSERT_NE(images, nullptr);
        EXPECT_EQ(images[0], nullptr);
        EXPECT_EQ(images[1], nullptr);
    }
    auto images = static_cast<XImage **>(btn->img_list);
    ASSERT_NE(images[0], nullptr);
    EXPECT_EQ(images[0]->width, 20);
    EXPECT_EQ(images[0]->height, 18);
}
