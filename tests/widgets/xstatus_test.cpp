// The status bar's progress pane and the label's text placement, read back from the server.
#include "widgets/widget_support.h"

#include "widgets/xlabel.h"
#include "widgets/xstatus.h"
#include "toolkit/xtools.h"

namespace {

class StatusLabel : public WidgetTest {
  protected:
    // Text placement is checked by XTextWidth and ink of the exact colour: core fonts.
    StatusLabel() { core_fonts = true; }
    // Columns of row y whose pixel is `pixel`.
    std::vector<int> Columns(Window w, int width, int y, unsigned long pixel) {
        std::vector<int> cols;
        XImage *img = XGetImage(display, w, 0, y, width, 1, AllPlanes, ZPixmap);
        for (int x = 0; img && x < width; x++)
            if (XGetPixel(img, x, 0) == pixel) cols.push_back(x);
        if (img) XDestroyImage(img);
        return cols;
    }
    // First and last column and first row holding ink of the label's foreground.
    void Ink(WINDAT *w, int *left, int *right, int *top) {
        *left = w->width, *right = -1, *top = w->height;
        XImage *img = XGetImage(display, w->window, 0, 0, w->width, w->height, AllPlanes, ZPixmap);
        for (int y = 0; img && y < w->height; y++)
            for (int x = 0; x < w->width; x++)
                if (XGetPixel(img, x, y) == w->fg) {
                    if (x < *left) *left = x;
                    if (x > *right) *right = x;
                    if (y < *top) *top = y;
                }
        if (img) XDestroyImage(img);
    }
};

} // namespace

TEST_F(StatusLabel, ProgressPaneShadesItsShareOfTheWidth) {
    WINTYP t = Typ(200, StatusGetHeight());
    t.fg = fg_status;
    t.bg = bg_status;
    WINDAT *status = StatusCreate(main, &t, nullptr, STATUS_GEOMETRY, 0);
    ASSERT_NE(status, nullptr);
    EXPECT_STREQ(status->label, "Status");
    auto pane = reinterpret_cast<WINDAT *>(WinUSRStringArrayValueGet(status, 1));
    ASSERT_NE(pane, nullptr);
    ASSERT_EQ(pane->width, 200);
    XSync(display, False);
    // The lightest grey of the shading lies in its middle rows.
    XColor light;
    ASSERT_TRUE(XParseColor(display, DefaultColormap(display, 0), "#e8e8e8", &light));
    unsigned long lightest = (light.red >> 8) << 16 | (light.green >> 8) << 8 | light.blue >> 8;
    int y = pane->height / 2;

    ASSERT_EQ(StatusSetProc(status, 50), 0);
    std::vector<int> cols = Columns(pane->window, 200, y, lightest);
    ASSERT_EQ(cols.size(), 100u);
    EXPECT_EQ(cols.front(), 0);
    EXPECT_EQ(cols.back(), 99);

    ASSERT_EQ(StatusSetProc(status, 0), 0);
    EXPECT_TRUE(Columns(pane->window, 200, y, lightest).empty());
}

TEST_F(StatusLabel, LayoutsWithoutProgressPaneRefuseProgress) {
    WINTYP t = Typ(400, 0);
    WINDAT *status = StatusCreate(main, &t, "s", STATUS_BOTTOM, 4);
    ASSERT_NE(status, nullptr);
    EXPECT_EQ(status->width, main->width);
    EXPECT_EQ(StatusSetProc(status, 10), -16);
    EXPECT_EQ(StatusSetMsg(status, "ready", 1), 0);
    auto pane = reinterpret_cast<WINDAT *>(WinUSRStringArrayValueGet(status, 2));
    ASSERT_NE(pane, nullptr);
    EXPECT_STREQ(pane->label, "ready");
    // Three quarters of the width.
    EXPECT_EQ(pane->width, (main->width / 4) * 3);
    EXPECT_EQ(StatusSetMsg(status, "x", 2), -16);
}

TEST_F(StatusLabel, LabelPlacesItsTextAsItsStatusSays) {
    WINTYP t = Typ(200, 40);
    t.fg = fg_label;
    t.bg = bg_label;
    WINNEIGHBOR nb{};
    WINDAT *label = LabelCreate(main, 0, 0, &t, &nb, "Mm");
    ASSERT_NE(label, nullptr);
    int tw = XTextWidth(fontfs_label, "Mm", 2);
    int left, right, top;
    auto placed = [&](int status) {
        LabelStatusSet(label, status);
        ASSERT_EQ(LabelPaint(label), 0);
        XSync(display, False);
        Ink(label, &left, &right, &top);
    };
    placed(0);
    EXPECT_GE(left, 4);
    EXPECT_LE(left, 6);
    EXPECT_GT(top, 5) << "vertically centred";

    placed(1);
    EXPECT_NEAR(left, (200 - tw) / 2 + 4, 2);

    placed(2);
    EXPECT_LE(right, 200 - 4);
    EXPECT_GE(right, 200 - 4 - 3);
    EXPECT_LT(top, 5) << "at the top";

    // An empty label paints its background and says so.
    EXPECT_EQ(LabelSet(label, ""), -3);
    XSync(display, False);
    Ink(label, &left, &right, &top);
    EXPECT_EQ(right, -1);
}

// Fields stand right of the message, by id, and take their room from it; one field's change
// leaves the message and the other field as they are; "" takes a field away and gives the room
// back; a field keeps its widest width so that a shorter number does not shift its neighbours.
TEST_F(StatusLabel, FieldsTakeTheirRoomFromTheMessageAndLeaveEachOtherStanding) {
    WINTYP t = Typ(400, 0);
    WINDAT *status = StatusCreate(main, &t, "s", STATUS_BOTTOM, 1);
    ASSERT_NE(status, nullptr);
    auto msg = reinterpret_cast<WINDAT *>(WinUSRStringArrayValueGet(status, 2));
    ASSERT_NE(msg, nullptr);
    const int full = msg->width;
    ASSERT_EQ(StatusSetMsg(status, "10,20 (1,2,3)", 1), 0);

    ASSERT_EQ(StatusFieldSet(status, STATUS_FIELD_ZOOM, "125 %"), 0);
    WINDAT *zoom = StatusFieldPane(status, STATUS_FIELD_ZOOM);
    ASSERT_NE(zoom, nullptr);
    EXPECT_EQ(msg->width, full - zoom->width - sp_paned);
    ASSERT_EQ(StatusFieldSet(status, STATUS_FIELD_FRAME, "frame 2/5"), 0);
    WINDAT *frame = StatusFieldPane(status, STATUS_FIELD_FRAME);
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(msg->width, full - zoom->width - frame->width - 2 * sp_paned);
    XSync(display, False);
    auto left = [&](WINDAT *w) {
        int x = 0, y = 0;
        Window child;
        XTranslateCoordinates(display, w->window, msg->window, 0, 0, &x, &y, &child);
        return x;
    };
    EXPECT_EQ(left(frame), msg->width + sp_paned);
    EXPECT_EQ(left(zoom), left(frame) + frame->width + sp_paned);
    EXPECT_EQ(left(zoom) + zoom->width, full) << "the line ends where the message ended";

    ASSERT_EQ(StatusFieldSet(status, STATUS_FIELD_ZOOM, "1000 %"), 0);
    int wide = zoom->width;
    ASSERT_EQ(StatusFieldSet(status, STATUS_FIELD_ZOOM, "1 %"), 0);
    EXPECT_EQ(zoom->width, wide);
    EXPECT_STREQ(StatusGetMsg(status, 1), "10,20 (1,2,3)");
    EXPECT_STREQ(StatusFieldGet(status, STATUS_FIELD_FRAME), "frame 2/5");
    EXPECT_STREQ(StatusFieldGet(status, STATUS_FIELD_ZOOM), "1 %");

    ASSERT_EQ(StatusFieldSet(status, STATUS_FIELD_FRAME, ""), 0);
    EXPECT_EQ(StatusFieldPane(status, STATUS_FIELD_FRAME), nullptr);
    EXPECT_STREQ(StatusFieldGet(status, STATUS_FIELD_FRAME), "");
    EXPECT_EQ(msg->width, full - zoom->width - sp_paned);
    XSync(display, False);
    XWindowAttributes a;
    ASSERT_TRUE(XGetWindowAttributes(display, frame->window, &a));
    EXPECT_NE(a.map_state, IsViewable);
    EXPECT_STREQ(StatusFieldGet(status, STATUS_FIELD_ZOOM), "1 %");

    // The fields keep their place through a resize of the line.
    ASSERT_EQ(StatusResize(status), 0);
    EXPECT_EQ(msg->width, full - zoom->width - sp_paned);
    EXPECT_EQ(StatusFieldSet(status, STATUS_FIELDS, "x"), -15);
    EXPECT_EQ(StatusFieldSet(status, -1, "x"), -15);
}

// A pixel readout beside the view's fields borrows the room of the idle progress pane; a progress
// that starts, or a short text, gives it back, and the fields stay where they stood.
TEST_F(StatusLabel, AnIdleProgressPaneLendsAMessageTheRoomItsTextLacks) {
    WINTYP t = Typ(400, 0);
    WINDAT *status = StatusCreate(main, &t, "s", STATUS_BOTTOM, 1);
    ASSERT_NE(status, nullptr);
    auto bar = reinterpret_cast<WINDAT *>(WinUSRStringArrayValueGet(status, 1));
    auto msg = reinterpret_cast<WINDAT *>(WinUSRStringArrayValueGet(status, 2));
    ASSERT_TRUE(bar && msg);
    ASSERT_EQ(StatusFieldSet(status, STATUS_FIELD_ZOOM, "100 %"), 0);
    const int bar0 = bar->width, room = msg->width;
    const char *text = "20,14 (252,252,252)  stored 2013  value 989";
    int need = WinGetTextWidth(fontfs_status, text, int(strlen(text))) + 12;
    ASSERT_GT(need, room);
    const int lent = std::min(need, room + bar0 - 1);

    ASSERT_EQ(StatusSetMsg(status, text, 1), 0);
    EXPECT_EQ(msg->width, lent);
    EXPECT_EQ(bar->width + msg->width, bar0 + room);
    ASSERT_EQ(StatusSetProc(status, 30), 0);
    EXPECT_EQ(bar->width, bar0);
    EXPECT_EQ(msg->width, room);
    ASSERT_EQ(StatusSetProc(status, 0), 0);
    EXPECT_EQ(msg->width, lent);
    ASSERT_EQ(StatusSetMsg(status, "1,2", 1), 0);
    EXPECT_EQ(bar->width, bar0);
    EXPECT_EQ(msg->width, room);
    EXPECT_STREQ(StatusFieldGet(status, STATUS_FIELD_ZOOM), "100 %");
}
