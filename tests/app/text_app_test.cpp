// Names in any language through the real binary: UTF-8 file names open and title their windows
// as themselves; names that are no UTF-8 still open by their bytes and show U+FFFD.
#include "app/paint_binary.h"

namespace {

class TextNames : public PaintBinary {};

} // namespace

TEST_F(TextNames, Utf8AndInvalidNamesOpenAndTitleTheirWindows) {
    std::string a = Jpeg("Müller_東京.jpg", 64, 48);
    std::string b = Jpeg("bad\xff\xfe.jpg", 32, 24);
    Start({a, b}, 1);
    OpenLine oa = WaitOpen(1);
    EXPECT_EQ(oa.path, a);
    EXPECT_EQ(oa.w, 64);
    EXPECT_TRUE(WaitFor([&] {
        return Name(Window(oa.top)) == "Müller_東京.jpg (64 x 48, 100 %) - dravik";
    })) << Name(Window(oa.top));
    KeyInView(oa, 5, 5, "n");
    OpenLine ob = WaitOpen(2);
    // The bytes reached the system unchanged: the second picture was read.
    EXPECT_EQ(ob.path, b);
    EXPECT_EQ(ob.w, 32);
    std::string shown = "bad\xef\xbf\xbd\xef\xbf\xbd.jpg (32 x 24, 100 %) - dravik";
    EXPECT_TRUE(WaitFor([&] { return Name(Window(ob.top)) == shown; })) << Name(Window(ob.top));
}
