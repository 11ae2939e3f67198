// The list in a scroll window driven like a user: keys through XTest with the view following,
// type-ahead, releases that select and make double clicks, and the slider and arrows.
#include "widgets/widget_support.h"

#include "toolkit/xwinfunc.h"
#include "widgets/xlist.h"
#include "widgets/xscroll.h"

#include <string>

namespace {

int keybCalls = 0, returnCalls = 0, mouseCalls = 0;
int CountKeyb(WINDATUSR *) {
    return ++keybCalls;
}
int CountReturn(WINDATUSR *) {
    return ++returnCalls;
}
int CountMouse(WINDATUSR *) {
    return ++mouseCalls;
}

class ListTest : public WidgetTest {
  protected:
    WINDAT *scroll = nullptr, *list = nullptr;

    // 40 entries "e00".."e39", with "Apple" at 25 and "banana" at 33.
    void MakeList(int h = 200) {
        keybCalls = returnCalls = mouseCalls = 0;
        WINTYP t = Typ(300, h, 4); // the height stays
        WINNEIGHBOR nb{};
        scroll = ScrollWndCreate(main, 0, 0, &t, &nb, "s", nullptr, WIN_LIST, 1, 0, 0);
        ASSERT_NE(scroll, nullptr);
        list = ScrollGetScrollWnd(scroll);
        ASSERT_NE(list, nullptr);
        ASSERT_EQ(list->typ, WIN_LIST);
        for (int i = 0; i < 40; i++) {
            char name[16];
            snprintf(name, sizeof name, "e%02d", i);
            const char *text = i == 25 ? "Apple" : i == 33 ? "banana" : name;
            ASSERT_EQ(ListEntryAdd(list, text, -1), 0);
        }
        WinSetFuncKeyb(list, CountKeyb);
        WinSetFuncReturn(list, CountReturn);
        WinSetFuncMouse(list, CountMouse);
        ASSERT_TRUE(Pump([&] { return Attr(list->window).map_state == IsViewable; }));
        XSetInputFocus(display, list->window, RevertToParent, CurrentTime);
        XSync(display, False);
    }

    int Sel() { return ListEntryGetSelectNr(list); }
    int First() { return ListEntryGetViewFirstNr(list); }
    int Rows() { return ListEntryGetRows(list); }
    int VSliderY() { return ScrollBarGetValue(ScrollGetScrollY(scroll), SCROLL_SLY); }

    void Release(int y, Time t) {
        XEvent ev{};
        ev.xbutton.type = ButtonRelease;
        ev.xbutton.display = display;
        ev.xbutton.window = list->window;
        ev.xbutton.x = 10;
        ev.xbutton.y = y;
        ev.xbutton.button = 1;
        ev.xbutton.time = t;
        ev.xbutton.same_screen = True;
        int calls = mouseCalls;
        XSendEvent(display, list->window, False, ButtonReleaseMask, &ev);
        ASSERT_TRUE(Pump([&] { return mouseCalls > calls; }));
    }
};

} // namespace

TEST_F(ListTest, ArrowPageHomeEndKeysMoveSelectionAndView) {
    MakeList(100);
    int rows = Rows();
    ASSERT_GT(rows, 3);
    ASSERT_LT(3 * rows, 40);
    // Up on the first entry changes nothing and calls nobody.
    Key("Up");
    Key("Down");
    ASSERT_TRUE(Pump([&] { return keybCalls == 1; }));
    EXPECT_EQ(Sel(), 1);
    for (int i = 1; i < rows; i++)
        Key("Down");
    ASSERT_TRUE(Pump([&] { return keybCalls == rows; }));
    // The selection passed the last row: the view moved by one, and the slider with it.
    EXPECT_EQ(Sel(), rows);
    EXPECT_EQ(First(), 1);
    EXPECT_GT(VSliderY(), 0);
    Key("Page_Down");
    ASSERT_TRUE(Pump([&] { return keybCalls == rows + 1; }));
    EXPECT_EQ(Sel(), 2 * rows);
    EXPECT_EQ(First(), rows + 1);
    Key("End");
    ASSERT_TRUE(Pump([&] { return keybCalls == rows + 2; }));
    EXPECT_EQ(Sel(), 39);
    EXPECT_EQ(First(), 40 - rows);
    // Down on the last entry: nothing.
    Key("Down");
    Key("Page_Up");
    ASSERT_TRUE(Pump([&] { return keybCalls == rows + 3; }));
    EXPECT_EQ(Sel(), 39 - rows);
    EXPECT_EQ(First(), 40 - 2 * rows);
    Key("Home");
    ASSERT_TRUE(Pump([&] { return keybCalls == rows + 4; }));
    EXPECT_EQ(Sel(), 0);
    EXPECT_EQ(First(), 0);
    EXPECT_EQ(VSliderY(), 0);
    Key("Return");
    ASSERT_TRUE(Pump([&] { return returnCalls == 1 && keybCalls == rows + 5; }));
}

TEST_F(ListTest, TypeAheadIgnoresCaseAndScrollsToTheEntry) {
    MakeList();
    Key("a"); // "Apple"
    ASSERT_TRUE(Pump([&] { return keybCalls == 1; }));
    EXPECT_EQ(Sel(), 25);
    EXPECT_EQ(First(), std::min(25, 40 - Rows()));
    Key("b"); // "banana"
    ASSERT_TRUE(Pump([&] { return keybCalls == 2; }));
    EXPECT_EQ(Sel(), 33);
    // Nothing starts with 'q': no change, no callback; the next key shows the queue is empty.
    Key("q");
    Key("Home");
    ASSERT_TRUE(Pump([&] { return keybCalls == 3; }));
    EXPECT_EQ(ListEntrySetSelectText(list, "q"), -15);
    EXPECT_EQ(Sel(), 0);
}

TEST_F(ListTest, ReleasesSelectAndPairIntoDoubleClicksBelow350ms) {
    MakeList();
    int eh = ListEntryGetSizeY(list);
    Release(2 * eh + 1, 100000);
    EXPECT_EQ(Sel(), 2);
    EXPECT_EQ(list->dblclick, 0);
    Release(3 * eh + 1, 100349);
    EXPECT_EQ(list->dblclick, 1);
    EXPECT_EQ(Sel(), 3);
    list->dblclick = 0; // as its readers do
    Release(3 * eh + 1, 100699);
    EXPECT_EQ(list->dblclick, 0);
    // A real click through XTest selects too.
    int calls = mouseCalls;
    Click(list->window, 20, eh / 2, 100);
    ASSERT_TRUE(Pump([&] { return mouseCalls == calls + 1; }));
    EXPECT_EQ(Sel(), 0);
}

TEST_F(ListTest, ReleaseBelowTheLastEntrySelectsIt) {
    WINTYP t = Typ(300, 400);
    WINNEIGHBOR nb{};
    scroll = ScrollWndCreate(main, 0, 0, &t, &nb, "s", nullptr, WIN_LIST, 1, 0, 0);
    ASSERT_NE(scroll, nullptr);
    list = ScrollGetScrollWnd(scroll);
    WinSetFuncMouse(list, CountMouse);
    for (const char *e : {"one", "two", "three"})
        ListEntryAdd(list, e, -1);
    ASSERT_TRUE(Pump([&] { return Attr(list->window).map_state == IsViewable; }));
    mouseCalls = 0;
    Release(list->height - 3, 5000);
    EXPECT_EQ(Sel(), 2);
    // All entries fit: the slider fills the track and the arrows do nothing.
    WINDAT *vbar = ScrollGetScrollY(scroll);
    EXPECT_EQ(ScrollBarGetValue(vbar, SCROLL_SLH), ScrollBarGetTrack(vbar)->height);
}

TEST_F(ListTest, ArrowButtonsScrollRowsAndNarrowListScrollsByHalfWidth) {
    MakeList();
    WINDAT *vbar = ScrollGetScrollY(scroll);
    WINDAT *down = nullptr;
    for (int i = 0; i < vbar->nchild; i++)
        if (vbar->child[i] && vbar->child[i]->typ == WIN_SCROLLBTN_DOWN) down = vbar->child[i];
    ASSERT_NE(down, nullptr);
    Click(down->window, 4, 4, 40);
    ASSERT_TRUE(Pump([&] { return First() == 1; }));
    ListEntryAdd(list, std::string(200, 'w').c_str(), -1);
    ASSERT_GT(ListEntryGetStrXMax(list), list->width);
    Key("Right");
    ASSERT_TRUE(Pump([&] { return ListEntryGetPosX(list) == list->width / 2; }));
    Key("Left");
    ASSERT_TRUE(Pump([&] { return ListEntryGetPosX(list) == 0; }));
}
