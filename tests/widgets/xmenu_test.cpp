// Menu handles, pull-down placement and the Ctrl accelerators, in this process.
#include "widgets/widget_support.h"

#include "widgets/xbtn.h"
#include "widgets/xmenu.h"

TEST(MenuHandle, CopiesItemsAndFindsThemById) {
    const MENUITEM items[] = {
        {MENU_KIND_CMD, 7, "Ctrl", "x", "Cut", 0, nullptr, nullptr},
        {MENU_KIND_SEP, -1, "Ctrl", "~", "#", 0, nullptr, nullptr},
    };
    MENUHANDLE h = MenuSubCreate(2, items);
    ASSERT_NE(h, nullptr);
    EXPECT_STREQ(h[0], "2");
    EXPECT_EQ(MenuCount(h), 2);
    // The menu owns its own copy of the label.
    EXPECT_NE(MenuItemGet(h, 1)->label, items[0].label);
    EXPECT_STREQ(MenuItemGet(h, 1)->label, "Cut");
    EXPECT_EQ(MenuItemGet(h, 3), nullptr);
    EXPECT_EQ(MenuSetupDisable(7, h, 1), 0);
    EXPECT_EQ(MenuItemGet(h, 1)->disabled, 1);
    EXPECT_EQ(MenuSetupDisable(8, h, 1), -1);
    EXPECT_EQ(MenuSetupDisable(7, nullptr, 1), -8);
    EXPECT_EQ(MenuSubFree(h), 0);
}

class Menus : public WidgetTest {};

TEST_F(Menus, PulldownNearTheBottomRightCornerIsShiftedOntoTheScreen) {
    int sw = DisplayWidth(display, 0), sh = DisplayHeight(display, 0);
    WINTYP t = Typ(60, 20, BTN_OPTION_THIN);
    WINNEIGHBOR nb{};
    WINDAT *top = WinCreateExt(main, sw - 100, sh - 30, &t, &nb, "corner", fontfs_text);
    ASSERT_NE(top, nullptr);
    WINDAT *opener = BtnCreate(top, 0, 0, &t, &nb, "Files", nullptr);
    ASSERT_NE(opener, nullptr);
    XSync(display, False);
    WINDAT *p = MenuOptionCreate(opener, M_OPTION_MENU[3]);
    ASSERT_NE(p, nullptr);
    XSync(display, False);
    int x, y;
    RootPos(p->window, &x, &y);
    XWindowAttributes a = Attr(p->window);
    EXPECT_LE(x + a.width, sw);
    EXPECT_LE(y + a.height, sh);
    EXPECT_LT(x, sw - 100);
    // A second opening of the same opener closes its menu instead.
    EXPECT_EQ(MenuPulldownCreate(opener, 0, 0, M_OPTION_MENU[3], nullptr), nullptr);
    EXPECT_EQ(WinChildFindTyp(opener, WIN_MENUP), nullptr);
}

TEST_F(Menus, CtrlAcceleratorFiresOnlyForTheExactKeyName) {
    // With Save and Print enabled the space bar and the full stop must not reach them, though
    // their key names begin with the accelerator letters.
    ASSERT_EQ(MenuSetupDisable(202, M_MAIN_MENU[1], 0), 0);
    ASSERT_EQ(MenuSetupDisable(205, M_MAIN_MENU[1], 0), 0);
    EXPECT_EQ(MenuMainActionWithKeyCTRL("space"), -1);
    EXPECT_EQ(MenuMainActionWithKeyCTRL("period"), -1);
    EXPECT_EQ(MenuMainActionWithKeyCTRL("s"), 1);
    EXPECT_EQ(MenuMainActionWithKeyCTRL("p"), 1);
    // A disabled entry stops its menu; nothing else carries "s".
    ASSERT_EQ(MenuSetupDisable(202, M_MAIN_MENU[1], 1), 0);
    EXPECT_EQ(MenuMainActionWithKeyCTRL("s"), -1);
    EXPECT_EQ(MenuMainActionWithKeyCTRL(nullptr), -15);
}

TEST_F(Menus, GermanMenusCarryUtf8Labels) {
    ASSERT_EQ(LanguageMenuProgInit(display, 0), 0);
    EXPECT_STREQ(MenuItemGet(M_MAIN_MENU[0], 1)->label, "Datei");
    EXPECT_STREQ(MenuItemGet(M_MAIN_MENU[1], 1)->label, "Öffnen");
    EXPECT_EQ(MenuItemGet(M_MAIN_MENU[1], 1)->action, MainMenuBtn);
    ASSERT_EQ(LanguageMenuInit(display, 0), 0);
    EXPECT_STREQ(MenuItemGet(M_OPTION_MENU[3], 1)->label, "Umbennen");
    EXPECT_EQ(MenuItemGet(M_OPTION_MENU[3], 4)->submenu, M_OPTION_MENU[1]);
    EXPECT_STREQ(MenuItemGet(M_OPTION_MENU[0], 1)->label, "JPEG  (*.jpg)");
    EXPECT_EQ(LanguageMenuProgInit(nullptr, 0), -19);
}

TEST_F(Menus, CascadeOpensOnEnteringItsEntryAndClosesOnTheNext) {
    WINTYP t = Typ(120, 24, BTN_OPTION_THIN);
    WINNEIGHBOR nb{};
    nb.space[WIN_SIDE_LEFT] = 50;
    nb.space[WIN_SIDE_TOP] = 50;
    WINDAT *opener = BtnCreate(main, 0, 0, &t, &nb, "Files", nullptr);
    ASSERT_NE(opener, nullptr);
    XSync(display, False);
    WINDAT *p = MenuOptionCreate(opener, M_OPTION_MENU[3]);
    ASSERT_NE(p, nullptr);
    ASSERT_EQ(p->nchild, 7);
    WINDAT *sort = p->child[3], *rename = p->child[0];
    ASSERT_EQ(sort->state, BTN_MENU_SUB);
    EXPECT_EQ(p->child[4]->state, BTN_MENU_SEP);
    Pump([] { return false; }, 50);

    Move(sort->window, 10, sort->height / 2);
    WINDAT *cascade = nullptr;
    ASSERT_TRUE(Pump([&] { return (cascade = WinChildFindTyp(sort, WIN_MENUP)) != nullptr; }));
    EXPECT_EQ(cascade->nchild, 4);
    EXPECT_EQ(RootRect(cascade->window).x, RootRect(sort->window).x + sort->width - 2);

    Move(rename->window, 10, rename->height / 2);
    ASSERT_TRUE(Pump([&] { return WinChildFindTyp(sort, WIN_MENUP) == nullptr; }));
    EXPECT_EQ(rename->select, 1);

    // A click elsewhere closes the menu and does nothing else.
    XtMove(display, 400, 300);
    ClickHere(1, 30);
    ASSERT_TRUE(Pump([&] { return WinFindTyp(WIN_MENUP) == nullptr; }));
}
