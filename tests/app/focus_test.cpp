// The keyboard after a dialog, a box or an in-place field closes, bare and under openbox: the
// focus goes back where it came from and the viewer's keys, Ctrl+Q and the quit question's
// Return still work.
#include "app/paint_binary.h"

#include <cstring>

namespace {

class FocusBack : public WmBinary {
  protected:
    OpenLine view;
    int opens = 1;
    int kx = 5, ky = 5; // where in the view the pointer is for its keys

    // Two pictures in the work area; the file box lists their directory in rows of 17 pixels.
    void StartTwo() {
        std::string a = Jpeg("a.jpg", 96, 64), b = Jpeg("b.jpg", 64, 48);
        Start({a, b}, 0, "LastFileOpenPath=" + dir + "\nFontList=6x13\n");
        view = WaitOpen(1);
        ASSERT_NE(Main(), 0u) << Err();
    }

    // The viewer's keys reach the view: f fits, n opens the next picture (p the one before).
    void ViewKeysWork() {
        EXPECT_NE(Focus(), static_cast<Window>(None));
        int zooms = Traces("trace: zoom");
        KeyInView(view, kx, ky, "f");
        EXPECT_TRUE(WaitTrace("trace: zoom", zooms + 1)) << Err();
        Move(view.view, kx, ky);
        Key(opens % 2 ? "n" : "p");
        WaitOpen(++opens);
    }

    // Ctrl+Q as xdotool sends it, then Return in the question ends the program.
    void QuitByKeys() {
        Move(Main(), 400, 300);
        Key("ctrl+q");
        Window box = Wait("Question");
        ASSERT_NE(box, 0u) << Err();
        // Bare, keys follow the pointer.
        Move(box, 10, 10);
        Key("Return");
        ASSERT_TRUE(run.Wait()) << Err();
        EXPECT_EQ(run.status, 0) << Err();
    }

    Window Dialog(const std::string &title, const std::string &inner) {
        Window dlg = 0;
        WaitFor([&] {
            for (Window w : FindAll(title))
                if (Viewable(w) && Find(inner, w)) dlg = w;
            return dlg != 0;
        });
        return dlg;
    }

    // A menu bar title, then one of its entries.
    void Menu(const char *title, const char *entry) {
        Click(Wait(title), -1, -1, 40);
        Window menu = Wait("MenuP");
        ASSERT_NE(menu, 0u);
        Click(Wait(entry, menu), -1, -1, 40);
    }
    // Rename from the context menu at (x, y) of `w`: the in-place field, with the keyboard and
    // the pointer; 0 when it did not come.
    Window RenameField(Window w, int x, int y, const char *entry) {
        Click(w, x, y, 40, 3);
        Window menu = Wait("MenuP");
        if (!menu) return 0;
        Click(Wait(entry, menu), -1, -1, 40);
        Window field = Wait("edit", Wait("fly"));
        if (!field || !WaitFor([&] { return Focus() == field; })) return 0;
        Move(field, 5, 5);
        return field;
    }
};

} // namespace

// The rename field over a thumbnail of the directory preview.
TEST_P(FocusBack, ThumbnailRenameFieldEscape) {
    ASSERT_EQ(mkdir((dir + "/pics").c_str(), 0755), 0);
    Jpeg("pics/p.jpg", 64, 48);
    std::string a = Jpeg("a.jpg", 96, 64), b = Jpeg("b.jpg", 64, 48);
    Start({dir + "/pics", a, b});
    view = WaitOpen(1);
    Window preview = Wait(dir + "/pics");
    ASSERT_NE(preview, 0u) << Err();
    Window cells = 0;
    ASSERT_TRUE(WaitFor([&] { return (cells = Find("scp", preview)) != 0 && Viewable(cells); }));
    ASSERT_NE(RenameField(cells, 40, 40, "File: Rename"), 0u) << Err();
    Key("Escape");
    ASSERT_TRUE(WaitGone("fly")) << Err();
    EXPECT_EQ(access((dir + "/pics/p.jpg").c_str(), F_OK), 0);
    // Back where it came from: the preview (bare, the pointer root).
    EXPECT_TRUE(WaitFor([&] {
        Window f = Focus();
        return wm ? f == preview || Parent(f) == preview : f == PointerRoot;
    })) << Focus();
    // A corner of the view the preview (and its frame) does not cover; a click there gives
    // the main window the keyboard.
    XRectangle p = RootRect(preview), v = RootRect(view.view);
    bool found = false;
    for (auto [x, y] :
         {std::pair{5, 5}, {view.vw - 10, 5}, {5, view.vh - 10}, {view.vw - 10, view.vh - 10}}) {
        int rx = v.x + x, ry = v.y + y;
        if (found ||
            (rx > p.x - 30 && rx < p.x + p.width + 30 && ry > p.y - 30 && ry < p.y + p.height + 30))
            continue;
        kx = x, ky = y, found = true;
    }
    ASSERT_TRUE(found);
    Click(view.view, kx, ky, 40);
    ViewKeysWork();
    QuitByKeys();
}

// The options dialog closed after a click in one of its fields, the Save as dialog and a message
// box each give the keys back to the view; Escape and Return answer the quit question.
TEST_P(FocusBack, OptionsDialogSaveAsDialogMessageBoxAndQuitQuestionWithThePointerOnMain) {
    StartTwo();
    Menu("Options", "Program");
    Window dlg = Dialog("Program", "optbase");
    ASSERT_NE(dlg, 0u) << Err();
    Click(Find("Dicom", dlg, "nbbase"), -1, -1, 40);
    Window field = Wait("number", dlg);
    ASSERT_NE(field, 0u);
    Click(field, 5, 5, 40);
    ASSERT_TRUE(WaitFor([&] { return Focus() == field; }));
    // A page change unmaps the field that holds the focus.
    Click(Find("Window", dlg, "nbbase"), -1, -1, 40);
    SendDeleteRequest(display, dlg);
    ASSERT_TRUE(WaitTrace("options closed")) << Err();
    ViewKeysWork();

    Menu("File", "SaveAs");
    Window save = Dialog("File save as", "fbx");
    ASSERT_NE(save, 0u) << Err();
    Window name = Wait("name", save);
    ASSERT_NE(name, 0u);
    Click(name, 5, 5, 40);
    ASSERT_TRUE(WaitFor([&] { return Focus() == name; }));
    Click(Find("Cancel", save), -1, -1, 40);
    ASSERT_TRUE(WaitFor([&] { return !Exists(save); })) << Err();
    ViewKeysWork();
    // Help > About: Return answers its box, then the view has the keys.
    Menu("Help", "About");
    Window box = Wait("Information");
    ASSERT_NE(box, 0u) << Err();
    Move(box, 10, 10);
    Key("Return");
    ASSERT_TRUE(WaitGone("Information")) << Err();
    ViewKeysWork();

    // The quit question answers the keyboard with the pointer on the main window: it must not
    // leave Escape and Return to the window below it.
    for (const char *answer : {"Escape", "Return"}) {
        SCOPED_TRACE(answer);
        Move(Main(), 60, 200);
        Key("ctrl+q");
        ASSERT_NE(Wait("Question"), 0u) << Err();
        Key(answer);
        if (!strcmp(answer, "Escape")) {
            ASSERT_TRUE(WaitGone("Question")) << Err();
            // The keyboard follows the pointer again: the view takes its keys.
            int zooms = Traces("trace: zoom");
            KeyInView(view, 5, 5, "f");
            EXPECT_TRUE(WaitTrace("trace: zoom", zooms + 1)) << Err();
        } else {
            ASSERT_TRUE(run.Wait()) << Err();
            EXPECT_EQ(run.status, 0) << Err();
        }
    }
}

// Another client left the focus on None: a click in dravik brings the keyboard back. With the
// focus on the main window and the pointer outside it (the desktop, a frame, where a closed
// dialog was), its keys still reach the picture. The file box's rename field gives them back
// after Return and after Escape.
TEST_P(FocusBack, AClickFromNoneThePointerOutsideAndTheFileBoxRenameField) {
    StartTwo();
    // A window manager may hand the focus on at once: set None until it is seen there.
    ASSERT_TRUE(WaitFor([&] {
        XSetInputFocus(display, None, RevertToNone, CurrentTime);
        XSync(display, False);
        return Focus() == static_cast<Window>(None);
    }));
    Click(view.view, 5, 5, 40);
    ASSERT_TRUE(WaitFor([&] { return Focus() != None; }));
    ViewKeysWork();

    XSetInputFocus(display, Main(), RevertToPointerRoot, CurrentTime);
    ASSERT_TRUE(WaitFor([&] { return Focus() == Main(); }));
    Screen *screen = DefaultScreenOfDisplay(display);
    Move(DefaultRootWindow(display), WidthOfScreen(screen) - 2, HeightOfScreen(screen) - 2);
    int zooms = Traces("trace: zoom");
    Key("f");
    EXPECT_TRUE(WaitTrace("trace: zoom", zooms + 1)) << Err();
    Key(opens % 2 ? "n" : "p");
    WaitOpen(++opens);

    Window list = Wait("scl", Find("fbx"));
    ASSERT_NE(list, 0u);
    // Rows: "..", a.jpg, b.jpg. Return renames a.jpg, Escape abandons renaming b.jpg.
    for (int row : {1, 2}) {
        Click(list, 20, row * 17 + 8, 40);
        ASSERT_NE(RenameField(list, 20, row * 17 + 8, "Rename"), 0u) << Err();
        Keys({"End", "x"});
        Key(row == 1 ? "Return" : "Escape");
        ASSERT_TRUE(WaitGone("fly")) << Err();
    }
    EXPECT_TRUE(WaitFor([&] { return access((dir + "/a.jpgx").c_str(), F_OK) == 0; }));
    EXPECT_EQ(access((dir + "/b.jpg").c_str(), F_OK), 0);
    ViewKeysWork();
    QuitByKeys();
}

DRAVIK_BARE_AND_WM(FocusBack);
