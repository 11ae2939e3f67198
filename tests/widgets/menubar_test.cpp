// The real program's menu bar, pull-downs, accelerators and symbol toolbar, driven as a user.
#include "app/paint_binary.h"

#include <functional>
#include <string>

namespace {

// Default colours of the configuration at depth 24.
const unsigned long MENU_BG = 0xd0d0d0, MENU_SEL = 0xe6e6e6, MENU_FG = 0x000000,
                    DISABLED_FG = 0x808080;

class MainWindow : public PaintBinary {
  protected:
    Window main = 0;

    // Starts dravik, with `config` as its configuration file when given.
    void Start(const char *config = nullptr) {
        ASSERT_TRUE(Launch({}, config ? config : ""));
        ASSERT_NE(main = Main(), 0u) << run.Stderr();
        ASSERT_NE(Wait("sym"), 0u) << run.Stderr();
    }

    void Quit() { ASSERT_TRUE(PaintBinary::Quit()) << run.Stderr(); }

    int X(Window w) { return RootRect(w).x; }
    int Y(Window w) { return RootRect(w).y; }

    void Click(const char *name) {
        Window w = 0;
        ASSERT_TRUE(WaitFor([&] { return (w = Find(name)) != 0; })) << name;
        Driver::Click(w, -1, -1, 40);
    }
    using Driver::Click;

    // The open pull-down once it lies under the title `title`.
    Window MenuUnder(const char *title) {
        Window t = Find(title), p = 0;
        if (!t) return 0;
        WaitFor([&] { return (p = Find("MenuP")) != 0 && X(p) == X(t); });
        return p && X(p) == X(t) ? p : 0;
    }

    bool NoMenu() {
        return WaitFor([&] { return Find("MenuP") == 0; });
    }

    unsigned long Background(const char *entry) {
        Window w = Find(entry);
        return w ? Pixel(w, 2, 2) : ~0UL;
    }

    // The symbol toolbar's window once its parent satisfies `where`.
    Window Toolbar(const std::function<bool(Window)> &where) {
        Window tb = 0;
        WaitFor([&] {
            Window s = Find("sym");
            return s && (tb = Parent(s)) && where(Parent(tb));
        });
        return tb;
    }
    Window Floating() {
        return Toolbar([&](Window p) { return p == DefaultRootWindow(display); });
    }
    Window Docked() {
        return Toolbar([&](Window p) { return p == main; });
    }

    // Detaches the symbol toolbar by its grip and closes it as the window manager would.
    void DetachAndClose() {
        Click(Parent(Find("sym")), 5, 10, 40);
        Window floating = Floating();
        ASSERT_NE(floating, 0u);
        SendDeleteRequest(display, floating);
        ASSERT_TRUE(WaitFor([&] { return Find("sym") == 0; }));
        Click("Windows");
        ASSERT_NE(MenuUnder("Windows"), 0u);
        ASSERT_TRUE(WaitFor([&] { return Ink("Symbol").count(MENU_FG) > 0; }))
            << "Windows > Symbol is enabled again";
    }

    std::set<unsigned long> Ink(const char *entry) {
        Window w = Find(entry);
        XWindowAttributes a = Attr(w);
        return w ? Colours(w, 0, 0, a.width, a.height) : std::set<unsigned long>{};
    }
};

} // namespace

TEST_F(MainWindow, TitlesInOrderClickingOpensReopensAndSwitchesMenus) {
    Start();
    int last = -1;
    for (const char *t : {"File", "Edit", "View", "Album", "Options", "Windows", "Help"}) {
        ASSERT_NE(Find(t), 0u) << t;
        EXPECT_GT(X(Find(t)), last) << t;
        last = X(Find(t));
    }
    Window file = Find("File");
    Click("File");
    Window first = MenuUnder("File");
    ASSERT_NE(first, 0u);
    EXPECT_EQ(Y(first), Y(file) + static_cast<int>(Attr(file).height) + 2);

    // A second click closes the menu and opens it anew.
    Click("File");
    ASSERT_TRUE(WaitFor([&] {
        Window p = Find("MenuP");
        return p != 0 && p != first;
    }));

    // Moving onto Edit switches menus.
    Window edit = Find("Edit");
    Move(edit, 5, 5);
    ASSERT_NE(MenuUnder("Edit"), 0u);

    // A click outside, on the symbol toolbar's grip, only closes the menu.
    Window tb = Parent(Find("sym"));
    Window grip = Wait("grip", tb);
    ASSERT_NE(grip, 0u);
    Click(grip, 5, 10, 40);
    ASSERT_TRUE(NoMenu());
    EXPECT_EQ(Parent(Parent(Find("sym"))), main) << "the toolbar must stay docked";
    Quit();
}

TEST_F(MainWindow, KeysWalkTheBarAndTheEntries) {
    Start();
    Click("File");
    ASSERT_NE(MenuUnder("File"), 0u);
    Key("Right");
    EXPECT_NE(MenuUnder("Edit"), 0u);
    Key("Left");
    EXPECT_NE(MenuUnder("File"), 0u);
    Key("Left");
    EXPECT_NE(MenuUnder("Help"), 0u) << "Left from the first title wraps to the last";
    Key("Right");
    ASSERT_NE(MenuUnder("File"), 0u);

    Key("Down");
    ASSERT_TRUE(WaitFor([&] { return Background("Open;Ctrl+o") == MENU_SEL; }));
    // Disabled entries are stepped onto like the others.
    Key("Down");
    Key("Down");
    Key("Down");
    ASSERT_TRUE(WaitFor([&] { return Background("Save;Ctrl+s") == MENU_SEL; }));
    EXPECT_EQ(Background("Open;Ctrl+o"), MENU_BG);
    Key("Up");
    Key("Up");
    Key("Up");
    Key("Up");
    ASSERT_TRUE(WaitFor([&] { return Background("Exit;Ctrl+q") == MENU_SEL; }))
        << "Up from the first entry wraps to the last";
    Key("Down");
    ASSERT_TRUE(WaitFor([&] { return Background("Open;Ctrl+o") == MENU_SEL; }));
    Key("Return");
    EXPECT_TRUE(NoMenu());

    // Alt with a title's first letter opens that menu.
    Key("alt+h", HOLD_TOOL, true);
    EXPECT_NE(MenuUnder("Help"), 0u);
    Key("Escape");
    EXPECT_TRUE(NoMenu());
    Quit();
}

TEST_F(MainWindow, EntriesShowRightAlignedAcceleratorsDisabledEntriesGreyAndHelpTheirBoxes) {
    // The ink is found by its exact colour, which anti-aliased edges do not have.
    Start("AntiAliasedFonts=0\n");
    Click("File");
    ASSERT_NE(MenuUnder("File"), 0u);
    Window open = Find("Open;Ctrl+o");
    ASSERT_NE(open, 0u);
    // Drawn once the entries have had their first Expose.
    ASSERT_TRUE(WaitFor([&] { return Ink("Open;Ctrl+o").count(MENU_FG) > 0; }));
    ASSERT_TRUE(WaitFor([&] { return Ink("Save;Ctrl+s").count(DISABLED_FG) > 0; }));
    XWindowAttributes a = Attr(open);
    XImage *img = XGetImage(display, open, 0, 0, a.width, a.height, AllPlanes, ZPixmap);
    ASSERT_NE(img, nullptr);
    int left = a.width, right = -1;
    for (int y = 0; y < a.height; y++)
        for (int x = 0; x < a.width; x++)
            if (XGetPixel(img, x, y) == MENU_FG) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
    XDestroyImage(img);
    EXPECT_GE(left, 4);
    EXPECT_LE(left, 6);
    EXPECT_LE(right, a.width - 5);
    EXPECT_GE(right, a.width - 8);

    std::set<unsigned long> save = Ink("Save;Ctrl+s"), opened = Ink("Open;Ctrl+o");
    EXPECT_TRUE(save.count(DISABLED_FG));
    EXPECT_FALSE(save.count(MENU_FG));
    EXPECT_TRUE(opened.count(MENU_FG));
    // The Windows entry of the shown symbol toolbar is disabled.
    Click("Windows");
    ASSERT_NE(MenuUnder("Windows"), 0u);
    ASSERT_TRUE(WaitFor([&] { return Ink("Symbol").count(DISABLED_FG) > 0; }));
    EXPECT_FALSE(Ink("Symbol").count(MENU_FG));
    Key("Escape");
    ASSERT_TRUE(NoMenu());

    // Help > About and Help > Help show their boxes.
    Click("Help");
    ASSERT_NE(MenuUnder("Help"), 0u);
    Click("About");
    ASSERT_TRUE(WaitFor([&] {
        return run.Stderr().find("dravik: Information: dravik  1.0 ") != std::string::npos;
    })) << run.Stderr();
    EXPECT_NE(run.Stderr().find("Independent JPEG Group"), std::string::npos);
    EXPECT_TRUE(NoMenu());
    // The box stays until it is answered.
    ASSERT_TRUE(AnswerBox("Information", "OK"));
    ASSERT_TRUE(WaitFor([&] { return Find("Information") == 0; }));
    Click("Help");
    ASSERT_NE(MenuUnder("Help"), 0u);
    // The Help entry: the window name is the entry's text.
    Window help = 0;
    ASSERT_TRUE(WaitFor([&] {
        std::vector<Window> kids = Kids(Find("MenuP"));
        return !kids.empty() && (help = kids[0]) != 0;
    }));
    Click(help, 10, 10, 40);
    // The keys and mouse buttons, built in.
    EXPECT_TRUE(WaitFor([&] {
        return run.Stderr().find("dravik: Information: Image view:") != std::string::npos;
    })) << run.Stderr();
    EXPECT_NE(run.Stderr().find("Ctrl+Q quit"), std::string::npos);
    ASSERT_TRUE(AnswerBox("Information", "OK"));
    ASSERT_TRUE(WaitFor([&] { return Find("Information") == 0; }));
    Quit();
}

// Closing the floating symbol toolbar enables its Windows entry and is saved.
TEST_F(MainWindow, CtrlQuitsWhileCtrlSaveAndCtrlSpaceDoNothing) {
    Start();
    DetachAndClose();
    Key("Escape");
    ASSERT_TRUE(NoMenu());
    Move(main, 400, 400);
    for (const char *k : {"ctrl+s", "ctrl+space", "ctrl+period"})
        Key(k, HOLD_TOOL, true);
    // Still alive and answering: the keys before this click have been handled.
    Click("File");
    ASSERT_NE(MenuUnder("File"), 0u);
    Key("Escape");
    ASSERT_TRUE(NoMenu());
    EXPECT_EQ(run.Stderr().find("Question"), std::string::npos) << run.Stderr();
    // Ctrl+Q while the question is open asks no second question; Cancel keeps the program.
    Key("ctrl+q", HOLD_TOOL, true);
    ASSERT_TRUE(WaitFor([&] { return Find("Question") != 0; })) << run.Stderr();
    Move(main, 400, 400);
    Key("ctrl+q", HOLD_TOOL, true);
    Click("File");
    ASSERT_NE(MenuUnder("File"), 0u);
    Key("Escape");
    ASSERT_TRUE(NoMenu());
    ASSERT_TRUE(AnswerBox("Question", "Cancel")) << run.Stderr();
    EXPECT_TRUE(WaitFor([&] { return Find("Question") == 0; }, 2000)) << "a second question";
    EXPECT_EQ(Traces("dravik: Question"), 1) << run.Stderr();
    Quit();
    std::string err = run.Stderr();
    EXPECT_NE(err.find("ENDE\n"), std::string::npos) << err;
    std::string rc = ReadWholeFile(run.home + "/.dravikrc");
    EXPECT_NE(rc.find("\nTbFile=0\n"), std::string::npos) << rc;
}

TEST_F(MainWindow, GripDetachesAtThePointerDocksUnderTheMenuBarAndWindowsSymbolBringsItBack) {
    Start();
    Window sym = Find("sym"), tb = Parent(sym);
    ASSERT_NE(sym, 0u);
    Window menutb = Parent(Find("MenuM"));
    EXPECT_EQ(Y(tb), Y(menutb) + static_cast<int>(Attr(menutb).height));
    // Where the click lands, taken before the toolbar it names is replaced.
    int px = X(tb) + 5, py = Y(tb) + 10;
    Click(tb, 5, 10, 40);
    Window floating = Floating();
    ASSERT_NE(floating, 0u);
    EXPECT_EQ(X(floating), px);
    EXPECT_EQ(Y(floating), py);
    Click(floating, 5, 10, 40);
    ASSERT_NE(Docked(), 0u);
    EXPECT_EQ(Y(Docked()), Y(menutb) + static_cast<int>(Attr(menutb).height));

    DetachAndClose();
    Click("Symbol");
    Window docked = Docked();
    ASSERT_NE(docked, 0u);
    EXPECT_TRUE(NoMenu());
    EXPECT_EQ(Y(docked), Y(menutb) + static_cast<int>(Attr(menutb).height));
    Quit();
    std::string rc = ReadWholeFile(run.home + "/.dravikrc");
    EXPECT_NE(rc.find("\nTbFile=1\n"), std::string::npos) << rc;
}

// xdotool key and rolling fingers release the modifier before the key; the key still counts
// with it, fast or held 100 ms.
TEST_F(MainWindow, FastCombinationsWithTheModifierReleasedFirstWork) {
    Jpeg("a.jpg", 32, 24);
    std::string rc = "LastFileOpenPath=" + dir + "\nFontList=6x13\n";
    Start(rc.c_str());
    // a.jpg, below "..", is what File > Open (Ctrl+O) opens.
    Click(Wait("scl", Find("fbx")), 20, 17 + 8, 40);
    int opens = 0;
    for (int hold : {HOLD_TOOL, HOLD_PERSON}) {
        SCOPED_TRACE(hold);
        Move(main, 400, 400);
        Key("alt+f", hold);
        ASSERT_NE(MenuUnder("File"), 0u);
        Key("Escape");
        ASSERT_TRUE(NoMenu());
        Key("alt+v", hold);
        ASSERT_NE(MenuUnder("View"), 0u);
        Key("Escape");
        ASSERT_TRUE(NoMenu());
        Key("ctrl+o", hold);
        EXPECT_TRUE(WaitTrace("trace: open " + dir + "/a.jpg", ++opens)) << run.Stderr();
        Key("ctrl+q", hold);
        ASSERT_TRUE(AnswerBox("Question", "Cancel")) << run.Stderr();
        ASSERT_TRUE(WaitGone("Question"));
    }
    Quit();
}
