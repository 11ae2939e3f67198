// Push, check and radio buttons driven with the pointer on a private server.
#include "widgets/widget_support.h"

#include "toolkit/xtools.h"
#include "widgets/xbtn.h"
#include "widgets/xbtnchk.h"
#include "widgets/xbtnradio.h"

#include <string>

namespace {

int actions;
int last_id;
int CountAction(WINDATUSR *rec) {
    actions++;
    last_id = rec->i;
    return 0;
}

class Buttons : public WidgetTest {
  protected:
    // The cutting test needs a cell font.
    Buttons() { core_fonts = true; }
    void SetUp() override {
        WidgetTest::SetUp();
        actions = 0;
        last_id = -1;
    }
};

} // namespace

// Push buttons and menu titles time their clicks alike.
TEST_F(Buttons, ReleaseInThePressMillisecondOrUpTo250MsLaterIsAClick) {
    for (int state : {BTN_PUSH, BTN_MENU}) {
        WINTYP t = Typ(100, 24, state);
        WINNEIGHBOR nb{};
        WINDAT *btn = BtnCreate(main, 0, 0, &t, &nb, "Files", CountAction);
        ASSERT_NE(btn, nullptr);
        Pump([] { return false; }, 50);
        for (const CLICKCASE &c : kClickCases) {
            SCOPED_TRACE(testing::Message() << "state " << state << " release " << c.release);
            int before = actions;
            SendClick(display, btn->window, c.press, c.release);
            ASSERT_TRUE(Pump([&] {
                return btn->usr.evmouse.type == ButtonRelease &&
                       btn->usr.evmouse.xbutton.time == c.release;
            }));
            EXPECT_EQ(actions - before, c.click ? 1 : 0);
            EXPECT_EQ(btn->select, 0);
        }
        WinClose(btn);
    }
}

TEST_F(Buttons, ClickingACheckButtonsTextTogglesItsBox) {
    WINTYP t = Typ(200, 24);
    WINNEIGHBOR nb{};
    nb.space[WIN_SIDE_LEFT] = 20;
    nb.space[WIN_SIDE_TOP] = 20;
    WINDAT *chk = BtnChkCreate(main, 0, 0, &t, &nb, "Hints", CountAction);
    ASSERT_NE(chk, nullptr);
    WINDAT *box = chk->child[0], *text = chk->child[1];
    ASSERT_EQ(BtnChkGetSelect(chk), 0);
    Pump([] { return false; }, 50);
    // Raised: the top-left edge of the box is light.
    EXPECT_EQ(Pixel(box->window, 1, 1), lg_btn3d);

    Click(text->window, text->width / 2, text->height / 2, 40);
    ASSERT_TRUE(Pump([&] { return BtnChkGetSelect(chk) == 1; }));
    EXPECT_EQ(actions, 1);
    EXPECT_EQ(Pixel(box->window, 1, 1), rg_btn3d);

    Click(box->window, 5, 5, 40);
    ASSERT_TRUE(Pump([&] { return BtnChkGetSelect(chk) == 0; }));
    EXPECT_EQ(BtnChkSetSelect(chk, 1), 0);
    EXPECT_EQ(BtnChkGetSelect(chk), 1);

    // A short text starts beside its box, as a long one does, not in the middle of its width.
    XImage *img = XGetImage(display, text->window, 0, 0, static_cast<unsigned>(text->width),
                            static_cast<unsigned>(text->height), AllPlanes, ZPixmap);
    ASSERT_NE(img, nullptr);
    int first_ink = -1;
    for (int x = 0; x < text->width && first_ink < 0; x++)
        for (int y = 0; y < text->height && first_ink < 0; y++)
            if (XGetPixel(img, x, y) == fg_btn) first_ink = x;
    XDestroyImage(img);
    EXPECT_GE(first_ink, 10);
    EXPECT_LE(first_ink, 20);
}

TEST_F(Buttons, RadioClickSelectsItAndDeselectsTheOthers) {
    const char *labels[] = {"deutsch", "english", "other"};
    WINDAT *group = BtnRadioGroupCreateSimple(main, 10, 10, labels, 3, "Language", CountAction);
    ASSERT_NE(group, nullptr);
    ASSERT_EQ(group->typ, WIN_GRP_RADIO);
    WINDAT *radios[3];
    for (int i = 0; i < 3; i++) {
        radios[i] = group->child[i];
        ASSERT_EQ(radios[i]->typ, WIN_BTN_RADIO);
    }
    BtnRadioSetSelect(radios[0], 1);
    WINDAT *text2 = radios[2]->child[1];
    Click(text2->window, 5, text2->height / 2, 40);
    ASSERT_TRUE(Pump([&] { return radios[2]->child[0]->select == 1; }));
    EXPECT_EQ(radios[0]->child[0]->select, 0);
    EXPECT_EQ(radios[1]->child[0]->select, 0);
    EXPECT_EQ(last_id, 2);
    EXPECT_EQ(BtnRadioSetSelect(main, 1), -1);
}

TEST_F(Buttons, TooLongLabelIsCutAndEndsInTwoDots) {
    // In a fixed-width font of c pixels a character: 26 characters need 26c + 2 pixels, a
    // button of 10c pixels holds 26 * 10c / (26c + 2) - 2 = 7 characters, the last two dots.
    XFontStruct *f = fontfs_btn;
    ASSERT_EQ(f->min_bounds.width, f->max_bounds.width) << "the test needs a fixed-width font";
    int c = f->max_bounds.width;
    char out[300];
    EXPECT_EQ(BtnTextFit(f, "abcdefghijklmnopqrstuvwxyz", 10 * c, out, sizeof out), 7);
    EXPECT_STREQ(out, "abcde..");
    EXPECT_EQ(BtnTextFit(f, "abc", 10 * c, out, sizeof out), 3);
    EXPECT_STREQ(out, "abc");
    // Room for 2 characters or fewer: nothing.
    EXPECT_EQ(BtnTextFit(f, "abcdefghijklmnopqrstuvwxyz", 4 * c, out, sizeof out), 0);

    // The cut label is drawn exactly like a label that is the cut text.
    WINTYP t = Typ(10 * c, 24, BTN_PUSH);
    WINNEIGHBOR nb{};
    WINDAT *cut = BtnCreate(main, 0, 0, &t, &nb, "abcdefghijklmnopqrstuvwxyz", nullptr);
    nb.space[WIN_SIDE_TOP] = 40;
    WINDAT *same = BtnCreate(main, 0, 0, &t, &nb, "abcde..", nullptr);
    ASSERT_TRUE(cut && same);
    Pump([] { return false; }, 100);
    XImage *a = XGetImage(display, cut->window, 0, 0, cut->width, cut->height, AllPlanes, ZPixmap);
    XImage *b =
        XGetImage(display, same->window, 0, 0, same->width, same->height, AllPlanes, ZPixmap);
    ASSERT_TRUE(a && b);
    int differ = 0, ink = 0;
    for (int y = 0; y < cut->height; y++)
        for (int x = 0; x < cut->width; x++) {
            differ += XGetPixel(a, x, y) != XGetPixel(b, x, y);
            ink += XGetPixel(a, x, y) == fg_btn;
        }
    XDestroyImage(a);
    XDestroyImage(b);
    EXPECT_EQ(differ, 0);
    EXPECT_GT(ink, 0);
}
