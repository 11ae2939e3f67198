// Options > Program through the real binary: the pages write the settings, closing relabels the
// menus, and the configuration file holds what was chosen.
#include "app/paint_binary.h"

#include "base/language.h"

#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

namespace {

class OptionsDialog : public PaintBinary {
  protected:
    Window dlg = 0;
    int lang = LG_ENGLISH;

    const char *Lg(const char *const *table, int row) { return table[row * LG_COLUMNS + lang]; }

    void Start(const char *config = "") {
        ASSERT_TRUE(Launch({}, config));
        ASSERT_NE(Main(), 0u) << run.Stderr();
    }

    // Clicks once the window shows, as a person does (40 ms).
    void Press(Window w, int dx = -1, int dy = -1) {
        ASSERT_NE(w, 0u);
        ASSERT_TRUE(WaitFor([&] { return Viewable(w); })) << Name(w) << "\n" << run.Stderr();
        Click(w, dx, dy, 40);
    }

    // Options > Program from the menu bar.
    void MenuProgram() {
        Press(Wait(Lg(mainmenuL, 4)));
        Window menu = Wait("MenuP");
        ASSERT_NE(menu, 0u);
        Press(Find(Lg(mainoptionL, 0), menu));
    }

    void Open() {
        int before = Traces("trace: options open");
        MenuProgram();
        ASSERT_TRUE(WaitFor([&] { return Traces("trace: options open") > before; }))
            << run.Stderr();
        ASSERT_NE(dlg = Wait(Lg(mainoptionL, 0)), 0u);
    }

    void Tab(int page) { Press(Find(Lg(szoptionprogL, page), dlg, "nbbase")); }

    // The choice `row` of the radio group titled `title` on the current pages.
    void Radio(const std::string &title, const char *const *table, int row) {
        Window group = Find(title, dlg);
        ASSERT_NE(group, 0u) << title;
        Press(Find(Lg(table, row), group), 20);
    }

    void KeysIn(Window w, const std::vector<std::string> &keys) {
        Move(w, 5, 5);
        Keys(keys);
    }
    void Erase(Window field) { KeysIn(field, std::vector<std::string>(24, "BackSpace")); }

    Window ColourList() { return Find("scl", Find("FgForm", dlg)); }
    Window FontList() { return Find("scl", Find("FontMenu", dlg)); }
    // A name field and its label share the name; the field is the taller.
    Window NameField(const char *name = "Color") {
        Window field = 0;
        for (Window k : Kids(Find("Color/Font", dlg, "bb")))
            if (Name(k) == name && (!field || Attr(k).height > Attr(field).height)) field = k;
        return field;
    }
    Window ColourField() { return NameField(); }

    void Close() {
        int before = Traces("trace: options closed");
        SendDeleteRequest(display, dlg);
        ASSERT_TRUE(WaitFor([&] { return Traces("trace: options closed") > before; }))
            << run.Stderr();
        ASSERT_TRUE(WaitFor([&] { return !Viewable(dlg); }));
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
    ASSERT_TRUE(WaitFor([&] { return Find("Datei") == 0; }));
    for (const char *t : {"File", "Edit", "View", "Album", "Options", "Windows", "Help"})
        EXPECT_NE(Find(t), 0u) << t;
    Press(Find("File"));
    Window menu = Wait("MenuP");
    EXPECT_NE(Find("Open;Ctrl+o", menu), 0u);
    Key("Escape");
    ASSERT_TRUE(WaitFor([&] { return Find("MenuP") == 0; }));
    // Options > Program is enabled again, and in English now.
    Open();
    EXPECT_NE(Find("Confirmation", dlg, "nbbase"), 0u);
    Close();
    EXPECT_NE(QuitAndReadRc().find("\nLanguage=EN\n"), std::string::npos);
}

TEST_F(OptionsDialog, MouseAndHounsfieldSettingsAndOnlyOneDialog) {
    Start(
        "HounsfieldMin=-1000\nHounsfieldMax=3000\nMouseLeft=1\nHounsfieldUse=0\nAskFileRemove=1\n");
    Open();
    Press(Find("file remove", dlg), 30);
    // A second Options > Program while the dialog is open does nothing.
    MenuProgram();
    Key("Escape");
    Tab(2);
    Radio(" Mousebutton left ", szoptionprogmouseL, 2);
    Tab(4);
    Window page = Find("Dicom", dlg, "bb");
    std::vector<Window> fields;
    for (Window k : Kids(page))
        if (Name(k) == "number") fields.push_back(k);
    ASSERT_EQ(fields.size(), 2u);
    // Stacking order lists the "to" field last.
    Window min = fields[0], max = fields[1];
    if (Attr(min).x > Attr(max).x) std::swap(min, max);
    Press(Find("Hounsfield", page), 30);
    Erase(min);
    KeysIn(min, {"minus", "2", "0", "0", "0"}); // -2000 is below -1024: -200 stays
    Erase(max);
    KeysIn(max, {"9", "9", "9", "9"}); // 9999 is above 4096: 999 stays
    Close();
    EXPECT_EQ(Traces("trace: options open"), 1) << run.Stderr();
    EXPECT_NE(run.Stderr().find("options closed language=1 mouse=3,3"), std::string::npos);
    std::string rc = QuitAndReadRc();
    EXPECT_NE(rc.find("\nMouseLeft=3\n"), std::string::npos) << rc;
    EXPECT_NE(rc.find("\nHounsfieldMin=-200\n"), std::string::npos) << rc;
    EXPECT_NE(rc.find("\nHounsfieldMax=999\n"), std::string::npos) << rc;
    EXPECT_NE(rc.find("\nHounsfieldUse=1\n"), std::string::npos) << rc;
    EXPECT_NE(rc.find("\nAskFileRemove=0\n"), std::string::npos) << rc;
}

// A Hounsfield change reads the shown DICOM picture again; a turn the user gave it stays.
TEST_F(OptionsDialog, AHounsfieldChangeReadsTheDicomPictureAgainWithItsTurn) {
    std::string file = dir + "/ct.dcm";
    WriteDicom(file, 1, 96, 40);
    ASSERT_TRUE(Launch({file}, "HounsfieldUse=0\n"));
    OpenLine o = WaitOpen(1);
    ASSERT_EQ(o.w, 96);
    KeyInView(o, 5, 5, "shift+period");
    ASSERT_TRUE(WaitTrace("trace: turn 6 image=40x96\n")) << run.Stderr();
    Open();
    Tab(4);
    Press(Find("Hounsfield", Find("Dicom", dlg, "bb")), 30);
    Close();
    OpenLine again = WaitOpen(2);
    EXPECT_EQ(again.path, file);
    EXPECT_EQ(again.w, 40);
    EXPECT_EQ(again.h, 96);
    // The stored picture's left edge (its darkest column) is the top row now.
    unsigned long top = 0, bottom = 0;
    EXPECT_TRUE(WaitFor([&] {
        top = Pixel(o.view, PicX(again, 20), PicY(again, 0));
        bottom = Pixel(o.view, PicX(again, 20), PicY(again, 95));
        return (top & 0xFF) + 40 < (bottom & 0xFF);
    })) << std::hex
        << top << " " << bottom;
}

// Keys count with the modifiers that were down at their press: xdotool type releases Shift
// before the shifted key, and a typist's Shift may come up first too.
TEST_F(OptionsDialog, ColourEntriesEditTheirSettingUnknownNamesAreNotStoredShiftReleasedFirst) {
    Start();
    Open();
    Tab(3);
    Window list = ColourList(), field = ColourField();
    ASSERT_NE(list, 0u);
    Press(list, 20, 3);
    ASSERT_TRUE(WaitTrace("options caption fg = Foregound   bg = Background")) << run.Stderr();
    Erase(field);
    Move(field, 5, 5);
    Type("#303030");
    // The next entry (FgMenu) stores the typed colour; there Shift+e with Shift up first, then e.
    KeysIn(list, {"Down"});
    Erase(field);
    Move(field, 5, 5);
    PressKey("shift");
    PressKey("e");
    ReleaseKey("shift");
    ReleaseKey("e");
    Key("e");
    KeysIn(list, {"Down"});
    EXPECT_TRUE(WaitTrace("\"Ee\" is not available")) << run.Stderr();
    // The last entry is BgDisable.
    KeysIn(list, {"End"});
    Erase(field);
    KeysIn(field, {"b", "l", "u", "e"});
    // Up 14 to the 14th entry, FgDisable; leaving BgDisable stores "blue".
    KeysIn(list, std::vector<std::string>(14, "Up"));
    Erase(field);
    KeysIn(field, {"n", "o", "c", "o", "l", "o", "u", "r"});
    KeysIn(list, {"Down"});
    EXPECT_TRUE(WaitTrace("FgDisable \"nocolour\" is not available")) << run.Stderr();
    EXPECT_TRUE(WaitTrace("options caption FgDisable = nocolour: not available"));
    KeysIn(list, {"Up"});
    Erase(field);
    KeysIn(field, {"r", "e", "d"});
    Close();
    // A name typed while the program ends with the dialog open is kept too.
    Open();
    Tab(3);
    list = ColourList(), field = ColourField();
    int captions = Traces("caption fg =");
    Press(list, 20, 3);
    ASSERT_TRUE(WaitFor([&] { return Traces("caption fg =") > captions; })) << run.Stderr();
    KeysIn(list, {"Down"});
    Erase(field);
    KeysIn(field, {"g", "r", "e", "e", "n"});
    // A font name the server does not know, left in its field at the end, is refused there and
    // leaves the setting as it was.
    Window fonts = FontList();
    ASSERT_NE(fonts, 0u);
    Press(fonts, 20, 3);
    ASSERT_TRUE(WaitTrace("options caption FontMenu")) << run.Stderr();
    KeysIn(NameField("Font"), {"End", "q", "q"});
    std::string rc = QuitAndReadRc();
    EXPECT_TRUE(WaitTrace("FontMenu \"")) << run.Stderr();
    EXPECT_EQ(rc.find("qq\n"), std::string::npos) << rc;
    EXPECT_NE(rc.find("\nFgForm=#303030\n"), std::string::npos) << rc;
    EXPECT_NE(rc.find("\nFgMenu=green\n"), std::string::npos) << rc;
    EXPECT_NE(rc.find("\nBgDisable=blue\n"), std::string::npos) << rc;
    EXPECT_NE(rc.find("\nFgDisable=red\n"), std::string::npos) << rc;
}
