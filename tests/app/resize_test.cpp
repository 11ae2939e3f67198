// Windows follow a resize, bare and under openbox: the main window's view takes the room (no
// dead grey at the right), the panes keep their share, the sash drags, the window shrinks below
// its start size; image windows and the album window lay out again too.
#include "app/paint_binary.h"

#include <X11/Xutil.h>

namespace {

class FollowResize : public WmBinary {
  protected:
    // The right edge of `w` in root coordinates.
    int Right(Window w) {
        XRectangle r = RootRect(w);
        return r.x + r.width;
    }
    int Bottom(Window w) {
        XRectangle r = RootRect(w);
        return r.y + r.height;
    }

    // Resizes `top` and waits until it has the size and `inner` reaches to within `margin`
    // pixels of its right edge.
    void ResizeAndFill(Window top, Window inner, int w, int h, int margin) {
        Resize(top, w, h);
        ASSERT_TRUE(WaitFor([&] {
            XWindowAttributes a = Attr(top);
            return a.width == w && a.height == h && Right(inner) <= Right(top) &&
                   Right(inner) >= Right(top) - margin && Bottom(inner) <= Bottom(top);
        })) << Attr(top).width
            << "x" << Attr(top).height << " inner right " << Right(inner) << " top right "
            << Right(top) << "\n"
            << Err();
    }
};

} // namespace

TEST_P(FollowResize, MainWindowViewTakesTheRoomKeepsTheShareAndTheSashDrags) {
    std::string a = Jpeg("a.jpg", 64, 48);
    Start({a});
    OpenLine o = WaitOpen(1);
    Window main = Main();
    ASSERT_NE(main, 0u);
    XSizeHints hints{};
    long supplied = 0;
    ASSERT_TRUE(XGetWMNormalHints(display, main, &hints, &supplied));
    ASSERT_TRUE(hints.flags & PMinSize);
    XWindowAttributes start = Attr(main);
    EXPECT_LT(hints.min_width, start.width);
    EXPECT_LT(hints.min_height, start.height);
    // The whole menu bar fits.
    EXPECT_GE(hints.min_width, Right(Find("Help", main)) - RootRect(main).x);
    EXPECT_GE(hints.min_height, 150);
    Window box = Find("fbx", main);
    auto share = [&] { return static_cast<double>(Attr(box).width) / Attr(main).width; };
    double before = share();
    // The scroll window's own bar (16 pixels) is the only room right of the view.
    ResizeAndFill(main, o.view, 1270, 990, 20);
    EXPECT_NEAR(share(), before, 0.03);
    // Smaller than at the start, down to the least size it asks for.
    ResizeAndFill(main, o.view, std::max(hints.min_width, 500), std::max(hints.min_height, 420),
                  20);
    EXPECT_NEAR(share(), before, 0.03);
    EXPECT_GE(Attr(o.view).width, 150);
    // The sash moves the file box's edge by the way it was dragged.
    Window sash = Find("px", main);
    ASSERT_NE(sash, 0u);
    int boxw = Attr(box).width;
    Drag(sash, 5, 100, 65, 100);
    EXPECT_TRUE(WaitFor([&] { return Attr(box).width == boxw + 60; }))
        << Attr(box).width << " was " << boxw;
    EXPECT_TRUE(WaitFor([&] { return Right(o.view) >= Right(main) - 20; }));
}

TEST_P(FollowResize, ImageAlbumAndDirectoryPreviewWindowsLayOutAgain) {
    std::string a = Jpeg("a.jpg", 200, 150);
    std::string alb = dir + "/r.alb";
    ToolResult r = RunTool({DRAVIK_TOOL_BIN, "album", "add", alb, a});
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(mkdir((dir + "/pics").c_str(), 0755), 0);
    Jpeg("pics/p.jpg", 64, 48);
    Start({dir + "/pics", alb, a}, 2);
    OpenLine o = WaitOpen(1);
    ASSERT_NE(o.top, Main());
    ResizeAndFill(o.top, o.view, 700, 560, 20);
    ResizeAndFill(o.top, o.view, 300, 240, 20);
    Window album = Wait("r.alb");
    ASSERT_NE(album, 0u) << Err();
    Window view = 0;
    ASSERT_TRUE(WaitFor([&] { return (view = Find("scp", album)) != 0; }));
    ResizeAndFill(album, view, 900, 760, 20);
    ResizeAndFill(album, view, 500, 420, 20);
    ASSERT_TRUE(WaitErr("dirprev " + dir + "/pics rc=0")) << Err();
    Window preview = Wait(dir + "/pics");
    ASSERT_NE(preview, 0u) << Err();
    ASSERT_TRUE(WaitFor([&] { return (view = Find("scp", preview)) != 0; }));
    ResizeAndFill(preview, view, 900, 760, 20);
    ResizeAndFill(preview, view, 420, 400, 20);
}

DRAVIK_BARE_AND_WM(FollowResize);
