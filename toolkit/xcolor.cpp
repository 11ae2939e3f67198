#include "toolkit/xcolor.h"

unsigned long fg_form = 0, bg_form = 0;
XFontStruct *fontfs_text = nullptr;

int ColorStep1LibInit(Display *display) {
    int screen = DefaultScreen(display);
    fg_form = BlackPixel(display, screen);
    bg_form = WhitePixel(display, screen);
    return 0;
}

int ColorStep2FontLibInit(Display *display) {
    fontfs_text = XLoadQueryFont(display, "fixed");
    return 0;
}
