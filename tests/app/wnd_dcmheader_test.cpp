// The DICOM header window's list follows the window's size, bare and under a window manager.
#include "app/paint_binary.h"

namespace {

class HeaderWindow : public WmBinary {};

} // namespace

TEST_P(HeaderWindow, TheListFillsTheWindowAsItGrowsAndShrinks) {
    Start({std::string(DRAVIK_TEST_DATA) + "/codecs/j2k-ct-signed.dcm"}, 0, "");
    OpenLine o = WaitOpen(1);
    KeyInView(o, 5, 5, "i");
    Window header = Wait("DICOM header: j2k-ct-signed.dcm");
    ASSERT_NE(0u, header) << Err();
    Window list = Wait("header", header);
    ASSERT_NE(0u, list) << Err();
    for (int size : {900, 500}) {
        SCOPED_TRACE(size);
        // Asked again while it does not fit: a window manager still placing the new window
        // may answer an early request with its own geometry.
        EXPECT_TRUE(WaitFor([&] {
            XWindowAttributes a;
            if (XGetWindowAttributes(display, list, &a) && a.width == size &&
                a.height == size - 200)
                return true;
            XResizeWindow(display, header, unsigned(size), unsigned(size - 200));
            XFlush(display);
            return false;
        })) << Err();
    }
}

DRAVIK_BARE_AND_WM(HeaderWindow);
