#include "widgets/xsymbol.h"

#include "render/io_xpm.h"
#include "render/ximage.h"
#include "resources/symbols.h"
#include "toolkit/xcolor.h"
#include "toolkit/xinit.h"
#include "toolkit/xtools.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

static char **Data(const char *const *xpm) {
    // libXpm reads the data without writing to it.
    return const_cast<char **>(xpm);
}

char **SymbolXpmData(int symbol, int which) {
    static const char *const *const table[8][2] = {
        {nullptr, nullptr},
        {file_open_gray, file_open},
        {nullptr, nullptr},
        {fnavigator_gray, fnavigator_col},
        {fplay_gray, fplay_col},
        {fstop_gray, fstop_col},
        {fforward_gray, fforward_col},
        {fbackward_gray, fbackward_col},
    };
    if (symbol < 1 || symbol > 7 || which < 0 || which > 1) return nullptr;
    const char *const *xpm = table[symbol][which];
    return xpm ? Data(xpm) : nullptr;
}

char **MsgXpmData(int kind) {
    switch (kind) {
    case 1:
    case 6:
        return Data(warning_xpm);
    case 2:
        return Data(error_xpm);
    case 3:
    case 4:
    case 5:
        return Data(question_xpm);
    case 7:
        return Data(work_xpm);
    default:
        return nullptr;
    }
}

XImage *XImageCreateMsg(Display *display, int kind) {
    if (!display) return nullptr;
    char **data = MsgXpmData(kind);
    if (!data) return nullptr;
    return ImageCreateFromDataSimple(data, bg_sz_form);
}

// The bitmap of an XPM picture: every pixel that is not transparent is set.
static std::vector<char> XpmToBits(char **data, int *w, int *h) {
    std::vector<char> bits;
    int ncolors = 0, cpp = 0;
    if (sscanf(data[0], "%d %d %d %d", w, h, &ncolors, &cpp) != 4 || cpp != 1 || *w <= 0 ||
        *h <= 0 || *w > 256 || *h > 256)
        return bits;
    char none = 0;
    for (int i = 0; i < ncolors; i++)
        if (strstr(data[1 + i], "None")) none = data[1 + i][0];
    int stride = (*w + 7) / 8;
    bits.assign(static_cast<size_t>(stride) * *h, 0);
    for (int y = 0; y < *h; y++) {
        const char *row = data[1 + ncolors + y];
        for (int x = 0; x < *w && row[x]; x++)
            if (row[x] != none) bits[static_cast<size_t>(y) * stride + x / 8] |= 1 << (x % 8);
    }
    return bits;
}

Pixmap PixmapCreateMsg(Display *display, Drawable drawable, int kind) {
    if (!display || !drawable) return 0;
    char **data = MsgXpmData(kind);
    if (!data) return 0;
    int w = 0, h = 0;
    std::vector<char> bits = XpmToBits(data, &w, &h);
    if (bits.empty()) return 0;
    return XCreatePixmapFromBitmapData(
        display, drawable, bits.data(), static_cast<unsigned>(w), static_cast<unsigned>(h), fg_form,
        bg_form, static_cast<unsigned>(DefaultDepth(display, DefaultScreen(display))));
}

WINDAT *SymbolPictureCreate(WINDAT *parent, int x, int y, XImage *img, const char *name) {
    if (!img) return nullptr;
    if (!parent || !parent->window) {
        WinFreeXImage(img);
        return nullptr;
    }
    Display *d = parent->usr.display;
    // The picture as the window's background: the server keeps and repaints it.
    Pixmap pm = XCreatePixmap(d, parent->window, static_cast<unsigned>(img->width),
                              static_cast<unsigned>(img->height),
                              static_cast<unsigned>(DefaultDepth(d, DefaultScreen(d))));
    XPutImage(d, pm, parent->gc, img, 0, 0, 0, 0, static_cast<unsigned>(img->width),
              static_cast<unsigned>(img->height));
    WINTYP t{};
    t.fg = fg_form;
    t.bg = bg_form;
    t.width = img->width;
    t.height = img->height;
    t.typ = WIN_IMAGE1;
    t.language = parent->language;
    WINNEIGHBOR nb{};
    WINDAT *icon = WinCreate(parent, x, y, &t, &nb, name, nullptr);
    if (icon) WinSetBgPixmap(icon, pm);
    XFreePixmap(d, pm);
    WinFreeXImage(img);
    return icon;
}

WINDAT *SymbolFileCreate(WINDAT *parent, int x, int y) {
    return SymbolPictureCreate(parent, x, y, ImageCreateFromDataSimple(Data(file_xpm), bg_sz_form),
                               "file");
}

int IconsDestroy(Display *display) {
    // The list icons come with the list; the symbol and message pictures belong to their
    // windows and go with them.
    return display ? 0 : -15;
}
