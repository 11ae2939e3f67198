// The notebook: tabs that fit and tabs that scroll, the arrows, pages and the caption.
#include "widgets/widget_support.h"

#include "widgets/xnotebook.h"

#include <string>

namespace {

class Notebook : public WidgetTest {
  protected:
    WINDAT *nb = nullptr;

    void Make(int width) {
        WINTYP t = Typ(width, 200);
        t.fg = fg_form;
        t.bg = bg_form;
        WINNEIGHBOR n{};
        nb = NotebookCreate(main, 0, 0, &t, &n, "nb", 1);
        ASSERT_NE(nb, nullptr);
    }

    WINDAT *Row() { return reinterpret_cast<WINDAT *>(WinUSRStringArrayValueGet(nb, NB_SLOT_ROW)); }
    WINDAT *Arrow(const char *name) {
        WINDAT *row = Row();
        for (int i = 0; i < row->nchild; i++)
            if (row->child[i]->label && std::string(row->child[i]->label) == name)
                return row->child[i];
        return nullptr;
    }
    bool Viewable(WINDAT *w) { return Attr(w->window).map_state == IsViewable; }
    bool ArrowsAre(bool left, bool right) {
        return Pump([&] { return Viewable(Arrow("<")) == left && Viewable(Arrow(">")) == right; });
    }
    // The pages the user sees.
    int ShownPages() {
        WINDAT *base = NotebookWndBaseGet(nb);
        int n = 0;
        for (int i = 0; i < base->nchild; i++)
            n += Viewable(base->child[i]);
        return n;
    }
    bool Showing(int page) {
        return Pump([&] { return ShownPages() == 1 && Viewable(NotebookPageGetBase(nb, page)); });
    }
    std::string Caption() {
        auto label = reinterpret_cast<WINDAT *>(WinUSRStringArrayValueGet(nb, NB_SLOT_LABEL));
        return label && label->label ? label->label : "";
    }
    void Click(WINDAT *w) { Driver::Click(w->window, w->width / 2, w->height / 2, 60); }
};

} // namespace

TEST_F(Notebook, OverflowingTabsScrollWithArrowsAndTheLastTabHidesTheRightArrow) {
    Make(360);
    const char *labels[] = {"Album", "Details", "add", "edit", "remove", "Setup"};
    ASSERT_EQ(NotebookPageCreate(nb, labels[0]), 0);
    ASSERT_EQ(NotebookPageCreate(nb, labels[1]), 0);
    EXPECT_TRUE(ArrowsAre(false, false)) << "all tabs fit";
    EXPECT_TRUE(Showing(0));
    EXPECT_EQ(Caption(), "Album");
    for (int i = 2; i < 6; i++)
        ASSERT_EQ(NotebookPageCreate(nb, labels[i]), 0);
    EXPECT_EQ(NotebookPageGetMax(nb), 6);
    ASSERT_TRUE(ArrowsAre(false, true)) << "the right arrow appears";
    int visible = WinUSRIntArrayValueGet(Row(), NBROW_VISIBLE);
    EXPECT_GT(visible, 0);
    EXPECT_LT(visible, 6);

    for (int step = 1; step < 6; step++) {
        Click(Arrow(">"));
        ASSERT_TRUE(Pump([&] { return NotebookPageGetCur(nb) == step; })) << step;
        EXPECT_TRUE(Showing(step));
        EXPECT_EQ(Caption(), labels[step]);
        // The current tab is among the tabs shown.
        EXPECT_TRUE(Pump([&] { return Viewable(NotebookPageGetBtn(nb, step)); }));
    }
    EXPECT_TRUE(ArrowsAre(true, false)) << "the last tab hides the right arrow";
    Click(Arrow("<"));
    ASSERT_TRUE(Pump([&] { return NotebookPageGetCur(nb) == 4; }));
    EXPECT_TRUE(ArrowsAre(true, true));
    EXPECT_TRUE(Showing(4));
}

TEST_F(Notebook, ClickingATabShowsExactlyItsPage) {
    Make(500);
    for (const char *l : {"Program", "Colors", "Fonts"})
        ASSERT_EQ(NotebookPageCreate(nb, l), 0);
    ASSERT_TRUE(Showing(0));
    WINDAT *fonts = NotebookPageGetBtn(nb, 2);
    ASSERT_TRUE(Pump([&] { return Viewable(fonts); }));
    Click(fonts);
    ASSERT_TRUE(Showing(2));
    EXPECT_EQ(NotebookPageGetCur(nb), 2);
    EXPECT_EQ(fonts->select, 1);
    EXPECT_EQ(NotebookPageGetBtn(nb, 0)->select, 0);
    EXPECT_EQ(Caption(), "Fonts");
    // Beyond the last index: the selected tab, and no page.
    EXPECT_EQ(NotebookPageGetBtn(nb, 9), fonts);
    EXPECT_EQ(NotebookPageGetBase(nb, 3), nullptr);
    EXPECT_EQ(NotebookPageCreate(main, "x"), -22);
    EXPECT_EQ(NotebookPageCreate(nullptr, "x"), -15);

    // Pages follow the notebook's size.
    main->width = 420, main->height = 300;
    WinResize(main, 420, 300);
    ASSERT_EQ(NotebookResize(nb), 0);
    EXPECT_EQ(nb->width, 420);
    EXPECT_EQ(NotebookPageGetBase(nb, 1)->width, 420);
    EXPECT_EQ(NotebookPageGetBase(nb, 1)->height, NotebookWndBaseGet(nb)->height);
}
