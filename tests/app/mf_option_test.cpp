// Options > Program through the real binary: the pages write the settings, closing relabels the
// menus, and the configuration file holds what was chosen.
#include "widgets/widget_support.h"

#include "support/proc.h"

#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

namespace {

int IgnoreXErrors(Display *, XErrorEvent *) {
    return 0;
}

std::string Name(Display *d, Window w) {
    char *name = nullptr;
    std::string s;
    if (XFetchName(d, w, &name) && name) s = name;
    if (name) XFree(name);
    return s;
}

std::vector<Window> Kids(Display *d, Window w) {
    Window root, parent, *kids = nullptr;
    unsigned int n = 0;
    std::vector<Window> v;
    if (XQueryTree(d, w, &root, &parent, &kids, &n) && kids) v.assign(kids, kids + n);
    if (kids) XFree(kids);
    return v;
}

// The first window named `name` below `w`, not looking inside windows named `skip`.
Window FindIn(Display *d, Window w, const std::string &name, const char *skip = nullptr) {
    for (Window k : Kids(d, w)) {
        std::string n = Name(d, k);
        if (n == name) return k;
        if (skip && n == skip) continue;
        if (Window f = FindIn(d, k, name, skip)) return f;
    }
    return 0;
}

class OptionsDialog : public XvfbTest {
  protected:
    ProgramRun run;
    Window dlg = 0;
    int lang = LG_ENGLISH;

    const char *Lg(const char *const *table, int row) { return table[row * LG_COLUMNS + lang]; }

    void Start(const char *config = "") {
        XSetErrorHandler(IgnoreXErrors);
        ASSERT_TRUE(WaitFor([&] { return FindWindowByName(display, "dravik") == 0; }));
        run.rc = config;
        run.env = {"DRAVIK_TRACE=1"};
        ASSERT_TRUE(run.Start(DRAVIK_BIN, server->name));
        ASSERT_TRUE(WaitFor([&] {
            Window m = FindWindowByName(display, "dravik");
            return m && Attr(display, m).map_state == IsViewable &&
                   FindWindowByName(display, "MenuM") != 0;
        })) << run.Stderr();
    }

    bool Traced(const std::string &line) {
        return WaitFor([&] { return run.Stderr().find(line) != std::string::npos; });
    }
    int Count(const std::string &line) {
        std::string s = run.Stderr();
        int n = 0;
        for (size_t p = s.find(line); p != std::string::npos; p = s.find(line, p + 1))
            n++;
        return n;
    }

    Window Top(const std::string &name) {
        for (Window k : Kids(display, DefaultRootWindow(display)))
            if (Name(display, k) == name && Attr(display, k).map_state == IsViewable) return k;
        return 0;
    }

    void Click(Window w, int dx = -1, int dy = -1) {
        ASSERT_NE(w, 0u);
        ASSERT_TRUE(WaitFor([&] { return Attr(display, w).map_state == IsViewable; }))
            << Name(display, w) << "\n"
            << run.Stderr();
        XWindowAttributes a = Attr(display, w);
        ClickAt(display, w, dx < 0 ? a.width / 2 : dx, dy < 0 ? a.height / 2 : dy);
    }

    // Options > Program from the menu bar.
    void MenuProgram() {
        Window title = 0;
        ASSERT_TRUE(WaitFor([&] {
            title = FindWindowByName(display, Lg(mainmenuL, 4));
            return title && Attr(display, title).map_state == IsViewable;
        }));
        Click(title);
        Window menu = 0;
        ASSERT_TRUE(WaitFor([&] { return (menu = FindWindowByName(display, "MenuP")) != 0; }));
        Click(FindIn(display, menu, Lg(mainoptionL, 0)));
    }

    void Open() {
        int before = Count("trace: options open");
        MenuProgram();
        ASSERT_TRUE(WaitFor([&] { return Count("trace: options open") > before; })) << run.Stderr();
        ASSERT_TRUE(WaitFor([&] { return (dlg = Top(Lg(mainoptionL, 0))) != 0; }));
    }

    void Tab(int page) { Click(FindIn(display, dlg, Lg(szoptionprogL, page), "nbbase")); }

    // The choice `row` of the radio group titled `title` on the current pages.
    void Radio(const std::string &title, const char *const *table, int row) {
        Window group = FindIn(display, dlg, title);
        ASSERT_NE(group, 0u) << title;
        Click(FindIn(display, group, Lg(table, row)), 20);
    }

    void Keys(Window w, const std::vector<const char *> &keys) {
        int x, y;
        RootPos(display, w, &x, &y);
        XtMove(display, x + 5, y + 5);
        for (const char *k : keys)
            XtKey(display, k);
    }
    void Erase(Window field) { Keys(field, std::vector<const char *>(24, "BackSpace")); }

    Window ColourList() { return FindIn(display, FindIn(display, dlg, "FgForm"), "scl"); }
    // The colour field and its label share the name; the field is the taller.
    Window ColourField() {
        Window field = 0;
        for (Window k : Kids(display, FindIn(display, dlg, "Color/Font", "bb")))
            if (Name(display, k) == "Color" &&
                (!field || Attr(display, k).height > Attr(display, field).height))
                field = k;
        return field;
    }

    void Close() {
        int before = Count("trace: options closed");
        SendDeleteRequest(display, dlg);
        ASSERT_TRUE(WaitFor([&] { return Count("trace: options closed") > before; }))
            << run.Stderr();
        ASSERT_TRUE(WaitFor([&] { return Top(Lg(mainoptionL, 0)) == 0; }));
    }

    std::string QuitAndReadRc() {
        XtMove(display, 400, 400);
        XtKey(display, "q", true);
        EXPECT_TRUE(ConfirmQuit(display, [&] { return run.Wait(0); })) << run.Stderr();
        EXPECT_TRUE(run.Wait()) << run.Stderr();
        EXPECT_EQ(run.status, 0) << run.Stderr();
        std::ifstream f(run.home + "/.dravikrc");
        std::stringstream ss;
        ss << f.rdbuf();
        return ss.str();
    }
};

} // namespace

TEST_F(OptionsDialog, EnglishRelabelsEveryMenuAtOnceAndIsSavedAsEN) {
    lang = LG_GERMAN;
    Start("Language=DE\n");
    Open();
    Tab(2);
    Radio(std::string(" ") + Lg(szresL, 10) + " ", szoptionproglangL, 1);
    Close();
    lang = LG_ENGLISH;
    ASSERT_TRUE(WaitFor([&] { return FindWindowByName(display, "Datei") == 0; }));
    for (const char *t : {"File", "Edit", "View", "Album", "Options", "Windows", "Help"})
        EXPECT_NE(FindWindowByName(display, t), 0u) << t;
    Click(FindWindowByName(display, "File"));
    Window menu = 0;
    ASSERT_TRUE(WaitFor([&] { return (menu = FindWindowByName(display, "MenuP")) != 0; }));
    EXPECT_NE(FindIn(display, menu, "Open;Ctrl+o"), 0u);
    XtKey(display, "Escape");
    ASSERT_TRUE(WaitFor([&] { return FindWindowByName(display, "MenuP") == 0; }));
    // Options > Program is enabled again, and in English now.
    Open();
    EXPECT_NE(FindIn(display, dlg, "Confirmation", "nbbase"), 0u);
    Close();
    EXPECT_NE(QuitAndReadRc().find("\nLanguage=EN\n"), std::string::npos);
}

TEST_F(OptionsDialog, MouseAndHounsfieldSettingsAndOnlyOneDialog) {
    Start(
        "HounsfieldMin=-1000\nHounsfieldMax=3000\nMouseLeft=1\nHounsfieldUse=0\nAskFileRemove=1\n");
    Open();
    Click(FindIn(display, dlg, "file remove"), 30);
    // A second Options > Program while the dialog is open does nothing.
    MenuProgram();
    XtKey(display, "Escape");
    Tab(2);
    Radio(" Mousebutton left ", szoptionprogmouseL, 2);
    Tab(4);
    Window page = FindIn(display, dlg, "Dicom", "bb");
    std::vector<Window> fields;
    for (Window k : Kids(display, page))
        if (Name(display, k) == "number") fields.push_back(k);
    ASSERT_EQ(fields.size(), 2u);
    // Stacking order lists the "to" field last.
    Window min = fields[0], max = fields[1];
    if (Attr(display, min).x > Attr(display, max).x) std::swap(min, max);
    Click(FindIn(display, page, "Hounsfield"), 30);
    Erase(min);
    Keys(min, {"minus", "2", "0", "0", "0"}); // -2000 is below -1024: -200 stays
    Erase(max);
    Keys(max, {"9", "9", "9", "9"}); // 9999 is above 4096: 999 stays
    Close();
    EXPECT_EQ(Count("trace: options open"), 1) << run.Stderr();
    EXPECT_NE(run.Stderr().find("options closed language=1 mouse=3,3"), std::string::npos);
    std::string rc = QuitAndReadRc();
    EXPECT_NE(rc.find("\nMouseLeft=3\n"), std::string::npos) << rc;
    EXPECT_NE(rc.find("\nHounsfieldMin=-200\n"), std::string::npos) << rc;
    EXPECT_NE(rc.find("\nHounsfieldMax=999\n"), std::string::npos) << rc;
    EXPECT_NE(rc.find("\nHounsfieldUse=1\n"), std::string::npos) << rc;
    EXPECT_NE(rc.find("\nAskFileRemove=0\n"), std::string::npos) << rc;
}

TEST_F(OptionsDialog, ColourEntriesEditTheirSettingAndUnknownNamesAreNotStored) {
    Start();
    Open();
    Tab(3);
    Window list = ColourList(), field = ColourField();
    ASSERT_NE(list, 0u);
    Click(list, 20, 3);
    ASSERT_TRUE(Traced("options caption fg = Foregound   bg = Background")) << run.Stderr();
    // The last entry is BgDisable.
    Keys(list, {"End"});
    Erase(field);
    Keys(field, {"b", "l", "u", "e"});
    // Up 14 to the 14th entry, FgDisable; leaving BgDisable stores "blue".
    Keys(list, std::vector<const char *>(14, "Up"));
    Erase(field);
    Keys(field, {"n", "o", "c", "o", "l", "o", "u", "r"});
    Keys(list, {"Down"});
    EXPECT_TRUE(Traced("FgDisable \"nocolour\" is not available")) << run.Stderr();
    EXPECT_TRUE(Traced("options caption FgDisable = nocolour: not available"));
    Keys(list, {"Up"});
    Erase(field);
    Keys(field, {"r", "e", "d"});
    Close();
    // A name typed while the program ends with the dialog open is kept too.
    Open();
    Tab(3);
    list = ColourList(), field = ColourField();
    int captions = Count("caption fg =");
    Click(list, 20, 3);
    ASSERT_TRUE(WaitFor([&] { return Count("caption fg =") > captions; })) << run.Stderr();
    Erase(field);
    Keys(field, {"g", "r", "e", "e", "n"});
    std::string rc = QuitAndReadRc();
    EXPECT_NE(rc.find("\nFgForm=green\n"), std::string::npos) << rc;
    EXPECT_NE(rc.find("\nBgDisable=blue\n"), std::string::npos) << rc;
    EXPECT_NE(rc.find("\nFgDisable=red\n"), std::string::npos) << rc;
}
