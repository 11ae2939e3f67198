// The edit field typed into and clicked like a user: the typed character set, cursor and
// selection keys, the character maximum, numeric limits and their fall-back, mouse positioning,
// drag selection past the edge, multi-line movement, bindings and the fly edit.
#include "widgets/widget_support.h"

#include "base/settings.h"
#include "toolkit/xtools.h"
#include "toolkit/xwinfunc.h"
#include "widgets/xedit.h"
#include "widgets/xpaint.h"
#include "widgets/xscroll.h"

#include <X11/XKBlib.h>
#include <X11/keysym.h>
#include <string>
#include <vector>

namespace {

class EditTest : public WidgetTest {
  protected:
    WINDAT *field = nullptr;
    void Make(int state, int w = 300, const char *text = nullptr) {
        WINTYP t = Typ(w, 30, state);
        t.fg = fg_edit, t.bg = bg_edit;
        WINNEIGHBOR nb{};
        field = EditCreate(main, 10, 10, &t, &nb, "edit");
        ASSERT_NE(field, nullptr);
        if (text) EditTextNew(field, text, static_cast<int>(strlen(text)));
        Focus(field);
    }
    void Focus(WINDAT *w) {
        ASSERT_TRUE(Pump([&] { return Attr(w->window).map_state == IsViewable; }));
        XSetInputFocus(display, w->window, RevertToParent, CurrentTime);
        XSync(display, False);
    }
    std::string Text() {
        const char *t = EditTextGet(field);
        return t ? t : "";
    }
    int Cursor() { return EditTextGetCursorPos(field); }
    // Types each key and waits until the text reads `want`.
    bool Type(std::initializer_list<const char *> keys, const std::string &want) {
        for (const char *k : keys)
            Key(k);
        return Pump([&] { return Text() == want; });
    }
    // A key by its keysym, with Shift held when the keysym is on the key's shifted level.
    void Key(const char *name) {
        KeySym sym = XStringToKeysym(name);
        bool shifted = XkbKeycodeToKeysym(display, XKeysymToKeycode(display, sym), 0, 0) != sym;
        Driver::Key((shifted ? "shift+" : "") + std::string(name), HOLD_TOOL, true);
    }
    void ShiftKey(const char *name) { Driver::Key("shift+" + std::string(name), HOLD_TOOL, true); }
    static int CharW() { return WinGetTextWidth(fontfs_text, WIN_TEXT_SAMPLE, 1); }
};

} // namespace

TEST_F(EditTest, PrintableCharactersAreTypedAndFileNamesRefuseSlash) {
    Make(EDIT_SINGLE);
    EXPECT_TRUE(Type({"a", "space", "slash", "asterisk", "b", "numbersign", "colon", "period",
                      "underscore", "7", "Escape", "Tab", "Z"},
                     "a /*b#:._7Z"))
        << Text();
    EXPECT_EQ(Cursor(), 11) << Text();
    EditFileNameSet(field, 1);
    EXPECT_TRUE(Type({"slash", "x"}, "a /*b#:._7Zx")) << Text();
    EXPECT_FALSE(EditTypable(field, "a/b"));
    EXPECT_FALSE(EditTypable(field, "a\x7f"));
    EXPECT_TRUE(EditTypable(field, "Grüße 東京"));
    // Control characters, also C1 ones in UTF-8, and line ends in a single line are no text.
    EXPECT_FALSE(EditTypable(field, "\xc2\x9b"));
    EXPECT_FALSE(EditTypable(field, "a\nb"));
}

TEST_F(EditTest, CursorStepsAndDeletesWholeCharacters) {
    Make(EDIT_SINGLE);
    // Keys for characters the test keyboard lacks: a Latin-1 keysym and a Unicode one.
    int lo = 0, hi = 0, per = 0;
    XDisplayKeycodes(display, &lo, &hi);
    KeySym *map = XGetKeyboardMapping(display, KeyCode(lo), hi - lo + 1, &per);
    std::vector<int> spare;
    for (int k = hi; k >= lo && spare.size() < 2; k--)
        if (map[(k - lo) * per] == NoSymbol) spare.push_back(k);
    XFree(map);
    ASSERT_EQ(spare.size(), 2u);
    KeySym syms[2] = {XK_udiaeresis, 0x1006771}; // ü, 東
    for (int i = 0; i < 2; i++)
        XChangeKeyboardMapping(display, spare[size_t(i)], 1, &syms[i], 1);
    XSync(display, False);
    auto press = [&](int code) {
        XTestFakeKeyEvent(display, unsigned(code), True, CurrentTime);
        XTestFakeKeyEvent(display, unsigned(code), False, CurrentTime);
        XSync(display, False);
    };
    press(spare[0]);
    press(spare[1]);
    Key("a");
    ASSERT_TRUE(Pump([&] { return Text() == "ü東a"; })) << Text();
    EXPECT_EQ(Cursor(), 6);
    EXPECT_TRUE(Type({"Left", "Left", "BackSpace"}, "東a"));
    EXPECT_EQ(Cursor(), 0);
    EXPECT_TRUE(Type({"Right", "x"}, "東xa"));
    EXPECT_EQ(Cursor(), 4);
    ShiftKey("Left");
    EXPECT_TRUE(Type({"BackSpace"}, "東a"));
    EXPECT_EQ(Cursor(), 3);
    // A paste or cut aimed inside a character lands on its start.
    EXPECT_EQ(EditTextPaste(field, 1, nullptr, "-"), 0);
    EXPECT_EQ(Text(), "-東a");
    EXPECT_EQ(EditTextCut(field, 2, 3, nullptr), 0);
    EXPECT_EQ(Text(), "-東a");
    KeySym none = NoSymbol;
    for (int code : spare)
        XChangeKeyboardMapping(display, code, 1, &none, 1);
    XSync(display, False);
}

TEST_F(EditTest, CursorAndSelectionKeysAndBothDeleteKeys) {
    Make(EDIT_SINGLE, 300, "abcdef");
    Key("Home");
    Key("Right");
    Key("Right");
    ASSERT_TRUE(Pump([&] { return Cursor() == 2; }));
    ShiftKey("Right");
    ShiftKey("Right");
    ASSERT_TRUE(Pump([&] { return Cursor() == 4 && field->select == 1; }));
    EXPECT_TRUE(Type({"BackSpace"}, "abef"));
    EXPECT_EQ(Cursor(), 2);
    EXPECT_EQ(field->select, 0);
    // End, then BackSpace and Delete both take the character before the cursor.
    EXPECT_TRUE(Type({"End", "BackSpace"}, "abe"));
    EXPECT_TRUE(Type({"Left", "Delete"}, "ae"));
    EXPECT_EQ(Cursor(), 1);
    // At the start without a selection they do nothing.
    EXPECT_TRUE(Type({"Home", "BackSpace", "Delete", "x"}, "xae"));
}

TEST_F(EditTest, CharacterMaximumRefusesWithoutChange) {
    Make(EDIT_SINGLE, 300, "abcdef");
    EditTextSetCharMax(field, 8);
    // 6 + 1 + 1 fits; 7 + 1 + 1 does not.
    EXPECT_TRUE(Type({"g"}, "abcdefg"));
    Key("h");
    EXPECT_TRUE(Type({"BackSpace", "z"}, "abcdefz"));
    EXPECT_EQ(EditTextPaste(field, 0, nullptr, "x"), -1);
    EXPECT_EQ(Text(), "abcdefz");
    EXPECT_EQ(EditTextPaste(field, 1, "ab", "xyz"), 0);
    EXPECT_EQ(Text(), "axyzb");
    EXPECT_EQ(EditTextCut(field, 4, 1, nullptr), 0);
    EXPECT_EQ(Text(), "ab");
    EXPECT_EQ(Cursor(), 1);
}

TEST_F(EditTest, NumericFieldKeepsItsLimitsAndFallsBack) {
    Make(EDIT_NUMBER);
    int value = -1;
    char buf[3];
    EditValueIntSet(field, &value);
    EditValueStringSet(field, buf, sizeof buf);
    EditValueMinMaxSet(field, 20, 100);
    EditValueMinMaxSet(field, -15, -15);
    EXPECT_EQ(EditValueMinGet(field), 20);
    // An empty field falls back to its minimum.
    EXPECT_TRUE(Type({"5"}, "20"));
    EditValueMinMaxSet(field, 0, -15);
    EXPECT_TRUE(Type({"BackSpace", "BackSpace", "a", "1", "0"}, "10"));
    EXPECT_EQ(value, 10);
    EXPECT_STREQ(buf, "10");
    // 105 is above the maximum and -10 below the minimum: the field keeps its value.
    Key("5");
    EXPECT_TRUE(Type({"End", "BackSpace"}, "1"));
    EXPECT_TRUE(Type({"0", "Home", "minus", "End", "BackSpace"}, "1"));
    EXPECT_EQ(value, 1);
    // A field two characters wide takes no third digit.
    WinClose(field);
    Make(EDIT_NUMBER, 2 * CharW() + 1, "10");
    EditValueMinMaxSet(field, 0, 100);
    Key("1");
    EXPECT_TRUE(Type({"BackSpace", "7"}, "17"));
}

TEST_F(EditTest, ClickPlacesTheCursorAtTheNearestCharacter) {
    Make(EDIT_SINGLE, 300, "hello world");
    Click(field->window, 1, 10, 60);
    ASSERT_TRUE(Pump([&] { return Cursor() == 0; }));
    int x = WinGetTextWidth(fontfs_text, "hel", 3);
    Click(field->window, x, 10, 60);
    ASSERT_TRUE(Pump([&] { return Cursor() == 3; }));
    Click(field->window, 280, 10, 60);
    ASSERT_TRUE(Pump([&] { return Cursor() == 11; }));
}

TEST_F(EditTest, DragPastTheRightEdgeSelectsAndScrolls) {
    Make(EDIT_SINGLE, 60, "abcdefghijklmnopqrstuvwxyz0123456789");
    Key("Home");
    ASSERT_TRUE(Pump([&] { return Cursor() == 0; }));
    int rx, ry;
    RootPos(field->window, &rx, &ry);
    DragAsync(field->window, 3, 10, {{rx + 75, ry + 10}}, 30, 900);
    int *im = WinUSRIntArrayGet(field);
    EXPECT_GT(im[EDIT_FIRST], 0);
    EXPECT_EQ(im[EDIT_SELSTART], 0);
    EXPECT_GT(im[EDIT_SELEND], im[EDIT_VEND] - im[EDIT_FIRST]);
    EXPECT_EQ(field->select, 1);
    EXPECT_TRUE(Type({"BackSpace"}, std::string("abcdefghijklmnopqrstuvwxyz0123456789")
                                        .substr(static_cast<size_t>(im[EDIT_SELEND]))));
}

TEST_F(EditTest, MultiLineUpAndDownKeepTheColumn) {
    Make(EDIT_MULTI, 300, "abcdef\nxy\nlonger");
    int *im = WinUSRIntArrayGet(field);
    im[EDIT_CURSOR] = 5;
    Key("Down");
    ASSERT_TRUE(Pump([&] { return Cursor() == 9; })); // end of the short line
    Key("Down");
    ASSERT_TRUE(Pump([&] { return Cursor() == 16; })); // from a line's end to the next end
    Key("Up");
    Key("Up");
    ASSERT_TRUE(Pump([&] { return Cursor() == 2; }));
    EXPECT_TRUE(Type({"Return", "q"}, "ab\nqcdef\nxy\nlonger"));
}

TEST_F(EditTest, FlyEditGrowsWithItsText) {
    WINDAT *fly = EditFlyCreate(20, 20, 0, main, "a");
    ASSERT_NE(fly, nullptr);
    field = EditFlyGetField(fly);
    int w0 = fly->width;
    EditTextNew(field, std::string(60, 'w').c_str(), 60);
    Focus(field);
    EXPECT_TRUE(Type({"w"}, std::string(61, 'w')));
    EXPECT_GT(fly->width, w0);
    EXPECT_EQ(field->width, fly->width - 2 * EDIT_FLY_SPACE);
}

TEST_F(EditTest, SaveDialogFrameFieldsAreNumeric) {
    WINDAT *fb = PaintImgMultiFrameWndCreate(main, nullptr);
    ASSERT_NE(fb, nullptr);
    int fields = 0;
    for (int i = 0; i < fb->nchild; i++)
        if (fb->child[i] && fb->child[i]->typ == WIN_EDIT_TXT) {
            fields++;
            EXPECT_EQ(fb->child[i]->state, EDIT_NUMBER);
        }
    EXPECT_EQ(fields, 2);
}

TEST_F(EditTest, ScrollWindowHoldsAnEditFieldThatTakesKeys) {
    WINTYP t = Typ(300, 120, 4);
    WINNEIGHBOR nb{};
    WINDAT *scroll = ScrollWndCreate(main, 0, 0, &t, &nb, "s", nullptr, WIN_EDIT_TXT, 1, 0, 0);
    ASSERT_NE(scroll, nullptr);
    field = ScrollGetScrollWnd(scroll);
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(field->typ, WIN_EDIT_TXT);
    EXPECT_STREQ(field->label, "edit");
    EXPECT_EQ(field->width, scroll->width - sp_scroll);
    Focus(field);
    EXPECT_TRUE(Type({"o", "k", "Return", "x"}, "ok\nx"));
}

// The one-line view is measured in pixels: with wide CJK characters (three bytes each) the
// cursor at the end stays inside the field, and Home shows as much of the start as fits.
TEST_F(EditTest, TheViewOfWideCharactersKeepsTheCursorInside) {
    const std::string text = "東京東京東京東京東京東京.jpg";
    Make(EDIT_SINGLE, 80, text.c_str());
    int *im = WinUSRIntArrayGet(field);
    ASSERT_EQ(Cursor(), static_cast<int>(text.size()));
    EXPECT_GT(im[EDIT_FIRST], 0);
    int shown =
        WinGetTextWidth(fontfs_text, text.c_str() + im[EDIT_FIRST], Cursor() - im[EDIT_FIRST]);
    EXPECT_LE(shown, field->width);
    EXPECT_GT(shown, field->width / 2);
    EXPECT_EQ(im[EDIT_FIRST] % 3, 0) << "on a character boundary";
    Key("Home");
    ASSERT_TRUE(Pump([&] { return Cursor() == 0; }));
    EXPECT_EQ(im[EDIT_FIRST], 0);
    // As much as the width holds: a byte count as cells showed three of the six that fit.
    EXPECT_LE(WinGetTextWidth(fontfs_text, text.c_str(), im[EDIT_VEND]), field->width);
    EXPECT_GT(WinGetTextWidth(fontfs_text, text.c_str(), im[EDIT_VEND] + 3), field->width - 2);
}
