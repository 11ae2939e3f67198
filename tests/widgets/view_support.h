// Image views in a scroll window on the private server, and test records to show in them.
#pragma once

#include "widgets/widget_support.h"

#include "base/settings.h"
#include "base/xmem.h"
#include "widgets/xpaint.h"
#include "widgets/xscroll.h"

#include <X11/extensions/XTest.h>
#include <cstdint>
#include <functional>

// Source column (or row) i of a render, as the description gives it: product and quotient each
// rounded to single precision, the result truncated.
inline int SrcIndex(int size, int zsize, int scroll, int i) {
    float p = static_cast<float>(size * (i + scroll));
    return static_cast<int>(p / static_cast<float>(zsize));
}

// A w x h x frames record of `bit` bits whose bytes come from fn(x, y, frame, component).
inline FILEINFO MakeRecord(int w, int h, int bit, int frames,
                           const std::function<uint8_t(int, int, int, int)> &fn) {
    FILEINFO fi{};
    fi.w = w, fi.h = h, fi.bit = bit, fi.frames = frames;
    int comps = bit == 24 ? 3 : 1;
    long n = static_cast<long>(w) * h * comps * frames;
    fi.fbuf = static_cast<uint8_t *>(MemCreate(n, "ip"));
    for (int f = 0; f < frames; f++)
        for (int y = 0; y < h; y++)
            for (int x = 0; x < w; x++)
                for (int c = 0; c < comps; c++)
                    fi.fbuf[((static_cast<long>(f) * h + y) * w + x) * comps + c] = fn(x, y, f, c);
    if (bit == 8) {
        // A grey ramp of 8-bit map values.
        fi.maptyp = MAPTYP_GREY;
        fi.mapentry = 256;
        FileColormapCreate(&fi);
        for (int i = 0; i < 256; i++)
            fi.rmap[i] = fi.gmap[i] = fi.bmap[i] = static_cast<uint16_t>(i);
    }
    return fi;
}

class ViewTest : public WidgetTest {
  protected:
    WINDAT *scroll = nullptr;
    WINDAT *view = nullptr;

    // A scroll window with an image view filling the main window.
    void MakeView(int notools = 0, int status = 0) {
        // The file-information title would cover the picture's top rows.
        AskFileInfoInWinPaint = 0;
        WINTYP t = Typ(main->width, main->height);
        t.fg = fg_scroll;
        t.bg = bg_scroll;
        t.mouseleft = 1;
        t.mouseright = 3;
        WINNEIGHBOR nb{};
        scroll =
            ScrollWndCreate(main, 0, 0, &t, &nb, "scm", nullptr, WIN_PAINT, notools, status, 0);
        ASSERT_NE(scroll, nullptr);
        view = ScrollGetScrollWnd(scroll);
        ASSERT_NE(view, nullptr);
        XSync(display, False);
    }

    // Puts `fi` into the view as its only image and shows it at 100 %.
    void Show(const FILEINFO &fi) {
        ASSERT_EQ(PaintImgSetup(view, 1), 0);
        PaintImgGet(view, 0)->fi = fi;
        ASSERT_EQ(PaintImgShow(view), 0);
        XSync(display, False);
    }

    XImage *Display_() { return PaintImgGet(view, 0)->fi.ximage; }

    // The view read back from the server from the picture's corner on (a picture smaller than
    // the view is centred in it).
    XImage *Grab() {
        XSync(display, False);
        int ox = PaintXImageOffset(view, 0), oy = PaintXImageOffset(view, 1);
        return XGetImage(display, view->window, ox, oy, static_cast<unsigned>(view->width - ox),
                         static_cast<unsigned>(view->height - oy), AllPlanes, ZPixmap);
    }

    // Root position of a point inside window w.
    void Root(Window w, int dx, int dy, int *x, int *y) {
        RootPos(w, x, y);
        *x += dx, *y += dy;
    }
};
