// Typed and exchanged text reaching file names, through the real binary: a dead key composes
// in the Rename field with a keymap that has them, and the field copies and pastes with another
// program (xclip) through CLIPBOARD and PRIMARY.
#include "app/paint_binary.h"

#include <unistd.h>

namespace {

class TextInput : public WmBinary {
  protected:
    std::string name = "Müller_東京.jpg";

    void TearDown() override {
        if (display) Shell("setxkbmap -display " + xname + " us");
        WmBinary::TearDown();
    }

    int Shell(const std::string &cmd) { return system((cmd + " >/dev/null 2>&1").c_str()); }

    std::string Output(const std::string &cmd) {
        std::string out;
        if (FILE *p = popen(cmd.c_str(), "r")) {
            char buf[256];
            size_t n;
            while ((n = fread(buf, 1, sizeof buf, p)) > 0)
                out.append(buf, n);
            pclose(p);
        }
        return out;
    }

    bool Exists(const std::string &file) { return access((dir + "/" + file).c_str(), F_OK) == 0; }

    // The picture open, then the Rename field of its row in the file box, emptied.
    Window RenameField() {
        std::string p = Jpeg(name, 64, 48);
        Start({p}, 0, "LastFileOpenPath=" + dir + "\nFontList=6x13\n");
        WaitOpen(1);
        Window list = Wait("scl", Find("fbx"));
        if (!list) return 0;
        // Rows of 17 pixels: "..", then the picture.
        Click(list, 20, 17 + 8, 40);
        Click(list, 20, 17 + 8, 40, 3);
        Window menu = Wait("MenuP");
        if (!menu) return 0;
        Click(Wait("Rename", menu), -1, -1, 40);
        Window field = Wait("edit", Wait("fly"));
        if (!field || !WaitFor([&] { return Focus() == field; })) return 0;
        Move(field, 5, 5);
        Key("End");
        for (int i = 0; i < 16; i++)
            Key("BackSpace");
        return field;
    }
};

} // namespace

TEST_P(TextInput, ADeadKeyComposesInTheRenameField) {
    if (Shell("command -v setxkbmap") != 0) GTEST_SKIP() << "no setxkbmap (x11-xkb-utils)";
    ASSERT_EQ(Shell("setxkbmap -display " + xname + " us -variant intl"), 0);
    ASSERT_NE(RenameField(), 0u) << Err();
    Type("Gr");
    Key("shift+dead_diaeresis");
    Key("u");
    Key("ISO_Level3_Shift+ssharp");
    Type("e.jpg");
    Key("Return");
    ASSERT_TRUE(WaitGone("fly")) << Err();
    EXPECT_TRUE(WaitFor([&] { return Exists("Grüße.jpg"); })) << Output("ls " + dir) << Err();
    EXPECT_FALSE(Exists(name));
}

TEST_P(TextInput, TheFieldCopiesAndPastesWithAnotherProgram) {
    if (Shell("command -v xclip") != 0) GTEST_SKIP() << "no xclip";
    // xclip stays the owner in the background until another program takes the selection.
    ASSERT_EQ(Shell("printf 'Grüße' | xclip -display " + xname + " -selection clipboard"), 0);
    Window field = RenameField();
    ASSERT_NE(field, 0u) << Err();
    Key("ctrl+v");
    Type(".jpg");
    // PRIMARY follows the selection; Ctrl+C puts it on CLIPBOARD.
    Key("Home");
    for (int i = 0; i < 9; i++)
        Key("shift+Right");
    EXPECT_TRUE(WaitFor([&] {
        return Output("xclip -display " + xname + " -o -selection primary") == "Grüße.jpg";
    }));
    Key("ctrl+c");
    EXPECT_TRUE(WaitFor([&] {
        return Output("xclip -display " + xname + " -o -selection clipboard") == "Grüße.jpg";
    }));
    // Older programs ask for STRING: Latin-1.
    EXPECT_EQ(Output("xclip -display " + xname + " -o -selection clipboard -t STRING"), "Gr\xfc\xdf"
                                                                                        "e.jpg");
    Key("End");
    Key("Return");
    ASSERT_TRUE(WaitGone("fly")) << Err();
    EXPECT_TRUE(WaitFor([&] { return Exists("Grüße.jpg"); })) << Output("ls " + dir);
    // The copied text outlives the field; Ctrl+C did not close the window.
    EXPECT_EQ(Output("xclip -display " + xname + " -o -selection clipboard"), "Grüße.jpg");
    EXPECT_NE(Main(1000), 0u);
}

DRAVIK_BARE_AND_WM(TextInput);
