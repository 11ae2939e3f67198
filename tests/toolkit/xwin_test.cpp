// Window records, registry, tree and event dispatch on a private X server.
#include "support/driver.h"

#include "base/language.h"
#include "app/main.h"
#include "image/io_files.h"
#include "toolkit/xevent.h"
#include "toolkit/xinit.h"
#include "toolkit/xwinfunc.h"

#include <cstring>
#include <string>

namespace {

int resize_calls;
int expose_calls;
int close_calls;

int CountResize(WINDATUSR *) {
    return ++resize_calls, 0;
}
int CountExpose(WINDATUSR *) {
    return ++expose_calls, 0;
}
int CountClose(WINDATUSR *) {
    return ++close_calls, 0;
}
int Veto7(WINDATUSR *) {
    return 7;
}

// What a dialog's Close callback saw of its field.
WINDAT *dialog_field;
Window dialog_field_window;
int field_alive_at_close = -1;
int SeeField(WINDATUSR *) {
    field_alive_at_close = WinFind(dialog_field_window) == dialog_field;
    return 0;
}

WINDAT *closer_victim;
int CloseSelfAndVictim(WINDATUSR *rec) {
    WinClose(closer_victim);
    WinClose(rec->win);
    return 0;
}

class Toolkit : public XvfbTest {
  protected:
    WINDAT root{};
    WINDAT *main = nullptr;

    void SetUp() override {
        XvfbTest::SetUp();
        if (IsSkipped()) return;
        main_display = display;
        resize_calls = expose_calls = close_calls = 0;
        ASSERT_EQ(LanguageLabelMemInit(), 0);
        ASSERT_EQ(WinMemInit(), 0);
        root.window = DefaultRootWindow(display);
        root.usr.display = display;
        main = Create(&root, WIN_MAIN, "dravik", 400, 300);
        ASSERT_NE(main, nullptr);
        WinRemoveInParent(main);
        main->usr.parent = nullptr;
        main->wm_delete = XInternAtom(display, "WM_DELETE_WINDOW", False);
    }

    void TearDown() override {
        if (!display) return;
        WinMemRemove();
        LanguageLabelMemDestroy();
    }

    WINDAT *Create(WINDAT *parent, int typ, const char *name, int w = 20, int h = 10,
                   int border = 0, const WINNEIGHBOR *nb = nullptr) {
        WINTYP t{};
        t.width = w;
        t.height = h;
        t.border = border;
        t.typ = typ;
        t.language = 1;
        WINNEIGHBOR none{};
        return WinCreate(parent, 0, 0, &t, nb ? nb : &none, name, nullptr);
    }

    XEvent Event(int type, WINDAT *win) {
        XEvent ev{};
        ev.type = type;
        ev.xany.display = display;
        ev.xany.window = win ? win->window : 0;
        return ev;
    }
};

TEST_F(Toolkit, ThirtiethChildIsRefusedWithBothLinesButStillExists) {
    for (int i = 0; i < 29; i++)
        ASSERT_NE(Create(main, WIN_BTN, "b"), nullptr);
    testing::internal::CaptureStderr();
    WINDAT *extra = Create(main, WIN_BTN, "extra");
    std::string err = testing::internal::GetCapturedStderr();
    ASSERT_NE(extra, nullptr);
    EXPECT_EQ(main->nchild, 29);
    EXPECT_EQ(WinFind(extra->window), extra);
    EXPECT_NE(err.find("add child: WIN_BTN (extra) add to WIN_MAIN (dravik)\n"), std::string::npos)
        << err;
    EXPECT_NE(err.find("add child: 30, max: 30 child's per win !\n"), std::string::npos) << err;
    // A window its parent refused still closes.
    Window extra_window = extra->window;
    EXPECT_EQ(WinClose(extra), 0);
    EXPECT_EQ(WinFind(extra_window), nullptr);
}

TEST_F(Toolkit, GrandchildVetoStopsTheCloseHalfWay) {
    WINDAT *p = Create(main, WIN_BASE, "p");
    WINDAT *a = Create(p, WIN_BTN, "a");
    WINDAT *b = Create(p, WIN_BASE, "b");
    WINDAT *c = Create(p, WIN_BTN, "c");
    WINDAT *g = Create(b, WIN_BTN, "g");
    Window a_window = a->window, c_window = c->window;
    WinSetFuncClose(a, CountClose);
    WinSetFuncClose(g, Veto7);
    EXPECT_EQ(WinClose(p), 7);
    EXPECT_EQ(close_calls, 1);
    EXPECT_EQ(WinFind(a_window), nullptr);
    EXPECT_EQ(WinFind(b->window), b);
    EXPECT_EQ(WinFind(c->window), c);
    EXPECT_EQ(WinFind(g->window), g);
    EXPECT_EQ(WinFind(p->window), p);
    ASSERT_EQ(p->nchild, 2);
    EXPECT_EQ(p->child[0], b);
    EXPECT_EQ(p->child[1], c);
    // Once the veto is lifted the rest closes.
    WinSetFuncClose(g, nullptr);
    EXPECT_EQ(WinClose(p), 0);
    EXPECT_EQ(WinFind(c_window), nullptr);
}

TEST_F(Toolkit, MainWindowEntryIsNeverRemoved) {
    int before = WINDATpi;
    EXPECT_EQ(WinRemoveStruct(main), -1);
    EXPECT_EQ(WINDATpi, before);
    EXPECT_EQ(WinFindTyp(WIN_MAIN), main);
    EXPECT_EQ(WINDATp[0], main);
}

// At the end of the program a dialog still open commits what its fields hold.
TEST_F(Toolkit, TeardownClosesADialogBeforeItsFields) {
    WINDAT *dlg = Create(&root, WIN_DLGMSG, "dlg", 200, 100);
    ASSERT_NE(dlg, nullptr);
    WinRemoveInParent(dlg);
    dlg->usr.parent = nullptr;
    dialog_field = Create(Create(dlg, WIN_BASE, "page"), WIN_BTN, "field");
    dialog_field_window = dialog_field->window;
    WinSetFuncClose(dlg, SeeField);
    EXPECT_EQ(WinMemRemove(), 0);
    EXPECT_EQ(field_alive_at_close, 1);
    EXPECT_EQ(WINDATp, nullptr);
}

TEST_F(Toolkit, MouseButtonOptionsAreCorrected) {
    struct {
        int in[3];
        int left, right;
    } cases[] = {{{2, 2, 0}, 1, 3}, {{5, 2, 1}, 1, 2}, {{1, 7, 1}, 1, 3}, {{3, 1, 0}, 3, 1}};
    for (auto &c : cases) {
        WinOptRtUpdate(main, c.in);
        EXPECT_EQ(main->mouseleft, c.left) << c.in[0] << "," << c.in[1];
        EXPECT_EQ(main->mouseright, c.right) << c.in[0] << "," << c.in[1];
        EXPECT_EQ(main->language, c.in[2]);
    }
    // The shared update copies without correcting.
    int same[3] = {2, 2, 1};
    LibOptionRTUpdate(same);
    EXPECT_EQ(main->mouseleft, 2);
    EXPECT_EQ(main->mouseright, 2);
}

TEST_F(Toolkit, UserDataArraysCarryTheirLength) {
    WINDAT *w = Create(main, WIN_BTN, "w");
    EXPECT_EQ(WinUSRIntArrayCreate(w, 0), -15);
    EXPECT_EQ(WinUSRIntArrayValueSet(w, 1, 9), -8);
    ASSERT_EQ(WinUSRIntArrayCreate(w, 4), 0);
    EXPECT_EQ(WinUSRIntArrayValueGet(w, 0), 5);
    EXPECT_EQ(WinUSRIntArrayValueGet(w, 4), 0);
    WinUSRIntArrayValueSet(w, 4, 42);
    EXPECT_EQ(WinUSRIntArrayGet(w)[4], 42);

    ASSERT_EQ(WinUSRStringArrayCreate(w, 3), 0);
    EXPECT_STREQ(WinUSRStringArrayValueGet(w, 0), "4");
    EXPECT_EQ(WinUSRStringArrayValueGet(w, 3), nullptr);

    EXPECT_EQ(WinUSRStringSet(w, "abc"), 0);
    EXPECT_STREQ(WinUSRStringGet(w), "abc");
    EXPECT_EQ(WinUSRStringSet(w, ""), -15);
    EXPECT_EQ(WinUSRStringGet(w), nullptr);
    // The ready-made release hook frees all three (the sanitizer build checks nothing leaks).
    WinSetFuncIntClose(w, WinFuncIntCloseSimple);
}

TEST_F(Toolkit, CopyOfAnImageViewOwnsItsOwnImageList) {
    WINDAT *v = Create(main, WIN_PAINT, "view");
    auto list = static_cast<FILEINFO *>(calloc(2, sizeof(FILEINFO)));
    list[1].w = 77;
    v->img_list = list;
    v->img_size = sizeof(FILEINFO);
    v->img_count = 2;
    WINDAT copy;
    ASSERT_EQ(WinStructCopy(&copy, v), 0);
    EXPECT_EQ(copy.window, v->window);
    ASSERT_NE(copy.img_list, v->img_list);
    EXPECT_EQ(static_cast<FILEINFO *>(copy.img_list)[1].w, 77);
    free(copy.img_list);
    v->img_list = nullptr;
    free(list);
}

TEST_F(Toolkit, TooSmallSizeIsCorrectedToOnePixelWithAMessage) {
    testing::internal::CaptureStderr();
    WINDAT *w = Create(main, WIN_LIST, "thin", 4, 10, 2);
    std::string err = testing::internal::GetCapturedStderr();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(err, "dravik: WinCreate WIN_LIST: Error w: 0 (parent WIN_MAIN) set 1\n");
    XWindowAttributes a;
    ASSERT_EQ(WinGetAttrib(w, &a), 0);
    EXPECT_EQ(a.width, 1);
}

TEST_F(Toolkit, NeighboursPlaceANewWindow) {
    WINNEIGHBOR first{};
    first.space[WIN_SIDE_RIGHT] = 5;
    WINDAT *left = Create(main, WIN_BASE, "left", 100, 20, 0, &first);
    WINNEIGHBOR nb{};
    nb.space[WIN_SIDE_LEFT] = 3;
    nb.neighbor[WIN_SIDE_LEFT] = left;
    WINDAT *w = Create(main, WIN_BASE, "w", 50, 20, 0, &nb);
    XWindowAttributes a;
    ASSERT_EQ(WinGetAttrib(w, &a), 0);
    EXPECT_EQ(a.x, 108);
    EXPECT_EQ(WinChildGetPosX(main, w), 108);
}

TEST_F(Toolkit, SelectButtonFollowsTheMouseOptions) {
    int swapped[3] = {3, 1, 1};
    WinOptRtUpdate(main, swapped);
    WINDAT *sash = Create(main, WIN_PANEDXM, "sash");
    ASSERT_EQ(sash->mouseleft, 3);
    XEvent ev = Event(ButtonPress, sash);
    ev.xbutton.button = 1;
    WinEvent(display, ev);
    EXPECT_EQ(sash->select, 0);
    EXPECT_EQ(sash->usr.evmouse.xbutton.button, 1u);
    ev.xbutton.button = 3;
    WinEvent(display, ev);
    EXPECT_EQ(sash->select, 1);
    EXPECT_EQ(WinEvButtonPress, sash->window);
    ev.type = ButtonRelease;
    WinEvent(display, ev);
    EXPECT_EQ(sash->select, 0);
}

TEST_F(Toolkit, ConfigureWithoutSizeChangeCallsNoResize) {
    WINDAT *w = Create(main, WIN_BASE, "w", 60, 40);
    WinSetFuncResize(w, CountResize);
    XSync(display, False);
    XEvent ev = Event(ConfigureNotify, w);
    ev.xconfigure.event = w->window;
    WinEvent(display, ev);
    EXPECT_EQ(resize_calls, 0);

    XResizeWindow(display, w->window, 80, 50);
    XSync(display, False);
    WinEvent(display, ev);
    EXPECT_EQ(resize_calls, 1);
    EXPECT_EQ(w->width, 80);
    EXPECT_EQ(w->height, 50);
}

TEST_F(Toolkit, EventsForUnregisteredWindowsAreDropped) {
    WINDAT *w = Create(main, WIN_BASE, "w");
    WinSetFuncExpose(w, CountExpose);
    Window stranger = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 5, 5, 0, 0, 0);
    XEvent ev = Event(Expose, nullptr);
    ev.xany.window = stranger;
    WinEvent(display, ev);
    EXPECT_EQ(expose_calls, 0);
    ev.xany.window = w->window;
    WinEvent(display, ev);
    EXPECT_EQ(expose_calls, 1);
    XDestroyWindow(display, stranger);
}

TEST_F(Toolkit, HandlerClosingWindowsDuringTheWalkIsTolerated) {
    WINDAT *a = Create(main, WIN_BASE, "a");
    closer_victim = Create(main, WIN_BASE, "victim");
    Window a_window = a->window, victim_window = closer_victim->window;
    WinSetFuncExpose(a, CloseSelfAndVictim);
    WinEvent(display, Event(Expose, a));
    EXPECT_EQ(WinFind(a_window), nullptr);
    EXPECT_EQ(WinFind(victim_window), nullptr);
    EXPECT_EQ(main->nchild, 0);
}

} // namespace
