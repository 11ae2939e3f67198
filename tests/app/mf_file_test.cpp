// The File menu through the real binary: the recent files and their sub-menu, Save, Close, and
// the entry states that follow the current image.
#include "app/paint_binary.h"

#include <sstream>

namespace {

class FileMenu : public PaintBinary {
  protected:
    // Starts with `rc` added to the configuration; the quit question stays off.
    void StartWith(const std::vector<std::string> &files, const std::string &rc) {
        ASSERT_TRUE(Launch(files, "AskProgramExit=0\nAskFileOpenWin=0\n" + rc));
    }

    void CtrlKeyInView(const OpenLine &o, const char *key) {
        Move(o.view, 5, 5);
        Key(std::string("ctrl+") + key, HOLD_TOOL, true);
    }
};

} // namespace

TEST_F(FileMenu, RecentFilesTakeNewFilesFirstKeepListedOnesAndHoldTen) {
    std::string a = Jpeg("a.jpg", 64, 48);
    std::string b = dir + "/b.dcm";
    WriteDicom(b, 1, 32, 16);
    std::string rc;
    for (int i = 0; i < 9; i++)
        rc += "LastFile" + std::to_string(i) + "=" + dir + "/old" + std::to_string(i) + ".jpg\n";
    // a named from the working directory the tests run in.
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    std::string rel;
    for (const char *p = cwd; *p; p++)
        if (*p == '/' && p[1]) rel += "../";
    rel += a.substr(1);
    StartWith({rel, b}, rc);
    OpenLine first = WaitOpen(1);
    KeyInView(first, 5, 5, "n");
    WaitOpen(2);
    // Opened again: it keeps its place.
    KeyInView(first, 5, 5, "p");
    WaitOpen(3);
    std::string saved = QuitAndReadRc();
    EXPECT_NE(saved.find("\nLastFile0=" + b + "\n"), std::string::npos) << saved;
    EXPECT_NE(saved.find("\nLastFile1=" + a + "\n"), std::string::npos) << saved;
    EXPECT_NE(saved.find("\nLastFile9=" + dir + "/old7.jpg\n"), std::string::npos) << saved;
    EXPECT_EQ(saved.find("old8.jpg"), std::string::npos) << "the oldest drops out\n" << saved;
}

TEST_F(FileMenu, OpenPreviousListsTheFilesAndOpensTheChosenOne) {
    std::string a = Jpeg("a.jpg", 64, 48, 0x2040C0);
    std::string b = Jpeg("b.jpg", 48, 32);
    StartWith({b}, "LastFile0=" + a + "\n");
    WaitOpen(1);
    Click(Wait("File"), -1, -1, 40);
    Click(Wait("Open Previous"), -1, -1, 40);
    // The sub-menu holds both files, the one opened last first.
    Window entry = 0;
    ASSERT_TRUE(WaitFor([&] { return (entry = Find(a)) != 0 && Find(b) != 0; }))
        << "a click on the cascade keeps it open";
    EXPECT_LT(RootRect(Find(b)).y, RootRect(entry).y);
    Click(entry, -1, -1, 40);
    OpenLine o = WaitOpen(2);
    EXPECT_EQ(o.path, a);
    EXPECT_EQ(o.w, 64);
    EXPECT_TRUE(WaitFor([&] { return Find("MenuP") == 0; })) << "the menus close";
}

// Save leaves an unchanged picture byte-identical and is off for DICOM; Close empties the work
// area, or closes an image window of its own.
TEST_F(FileMenu, SaveLeavesAnUnchangedPictureAndCloseEmptiesTheWorkAreaOrItsWindow) {
    std::string a = Jpeg("a.jpg", 64, 48, 0xC00000);
    std::string b = dir + "/b.dcm";
    WriteDicom(b, 1, 32, 16);
    std::string dicom = ReadWholeFile(b), jpeg = ReadWholeFile(a);
    StartWith({a, b}, "");
    OpenLine o = WaitOpen(1);
    ASSERT_TRUE(WaitErr("file menu save=1 close=1")) << run.Stderr();
    CtrlKeyInView(o, "s");
    ASSERT_TRUE(WaitErr("save rc=150")) << run.Stderr();
    EXPECT_TRUE(WaitErr("status Nothing changed, the file stays as it is")) << run.Stderr();
    EXPECT_TRUE(ReadWholeFile(a) == jpeg);
    KeyInView(o, 5, 5, "n");
    WaitOpen(2);
    EXPECT_TRUE(WaitErr("file menu save=0 close=1")) << run.Stderr();
    CtrlKeyInView(o, "s");
    // Keys are handled in order: once p has opened a, Ctrl+S on the DICOM image has been seen.
    KeyInView(o, 5, 5, "p");
    WaitOpen(3);
    EXPECT_EQ(Traces("save rc="), 1) << run.Stderr();
    EXPECT_TRUE(ReadWholeFile(b) == dicom);

    auto red = [&] {
        unsigned long p = Pixel(o.view, PicX(o, 5), PicY(o, 5));
        return (p >> 16 & 0xFF) > 0x80 && (p >> 8 & 0xFF) < 0x40;
    };
    ASSERT_TRUE(WaitFor(red));
    CtrlKeyInView(o, "c");
    ASSERT_TRUE(WaitErr("file menu save=0 close=0")) << run.Stderr();
    EXPECT_TRUE(WaitFor([&] { return !red(); }));
    // Nothing left to save.
    CtrlKeyInView(o, "s");
    KeyInView(o, 5, 5, "f");
    ASSERT_TRUE(Quit()) << run.Stderr();
    EXPECT_EQ(Traces("save rc="), 1) << run.Stderr();

    // In an image window of its own, Close closes that window.
    run.~ProgramRun();
    new (&run) ProgramRun;
    ASSERT_TRUE(Launch({a}, "AskProgramExit=0\nAskFileOpenWin=2\n"));
    OpenLine ext = WaitOpen(1);
    Window mainwin = Find("dravik");
    ASSERT_NE(ext.top, mainwin);
    CtrlKeyInView(ext, "c");
    EXPECT_TRUE(WaitFor([&] { return !Exists(ext.top); })) << run.Stderr();
    EXPECT_TRUE(WaitErr("file menu save=0 close=0")) << run.Stderr();
    EXPECT_TRUE(Quit()) << run.Stderr();
}

// The frame row of a multi-frame picture's Save as: "from" and "to" both lie inside the row and
// the row inside its area, at the dialog's width and after it is made narrower or wider.
TEST_F(FileMenu, MultiFrameSaveAsShowsBothFrameFieldsInsideTheirRow) {
    std::string d = dir + "/m.dcm";
    WriteDicom(d, 10, 64, 32);
    StartWith({d}, "");
    WaitOpen(1);
    Click(Wait("File"), -1, -1, 40);
    Click(Wait("SaveAs", Wait("MenuP")), -1, -1, 40);
    Window dlg = Wait("File save as");
    ASSERT_NE(dlg, 0u) << run.Stderr();
    auto inside = [&](Window inner, Window outer) {
        XRectangle i = RootRect(inner), o = RootRect(outer);
        return i.width > 0 && i.x >= o.x && i.y >= o.y && i.x + i.width <= o.x + o.width &&
               i.y + i.height <= o.y + o.height;
    };
    // The frame fields are the dialog's only "edit" windows; their parent is the row.
    auto row = [&] {
        std::vector<Window> e = FindAll("edit", dlg);
        return e.size() == 2 && Parent(e[0]) == Parent(e[1]) ? Parent(e[0]) : Window(0);
    };
    for (int width : {0, 420, 900}) {
        SCOPED_TRACE(width);
        if (width) Resize(dlg, width, Attr(dlg).height);
        Window fb = 0;
        ASSERT_TRUE(WaitFor([&] {
            fb = row();
            return fb && (!width || Attr(dlg).width == width);
        }));
        std::vector<Window> fields = FindAll("edit", fb);
        ASSERT_EQ(fields.size(), 2u);
        EXPECT_TRUE(WaitFor([&] {
            return inside(fields[0], fb) && inside(fields[1], fb) && inside(fb, Parent(fb)) &&
                   inside(Parent(fb), dlg);
        })) <<
            [&] {
                std::string t;
                for (Window w : {fields[0], fields[1], fb, Parent(fb), dlg}) {
                    XRectangle r = RootRect(w);
                    t += Name(w) + " " + std::to_string(r.x) + "," + std::to_string(r.y) + " " +
                         std::to_string(r.width) + "x" + std::to_string(r.height) + "; ";
                }
                return t;
            }();
        EXPECT_GE(Attr(fields[0]).width, 20);
    }
}
