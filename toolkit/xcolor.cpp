#include "toolkit/xcolor.h"

#include "base/lg.h"
#include "base/settings.h"
#include "toolkit/xtext.h"
#include "toolkit/xtools.h"
#include "toolkit/xwin.h"
#include "base/xerror.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

char fontfs_sz_menu[FONT_NAME_SIZE], fontfs_sz_status[FONT_NAME_SIZE],
    fontfs_sz_paint[FONT_NAME_SIZE], fontfs_sz_btn[FONT_NAME_SIZE], fontfs_sz_label[FONT_NAME_SIZE],
    fontfs_sz_text[FONT_NAME_SIZE], fontfs_sz_list[FONT_NAME_SIZE];
XFontStruct *fontfs_menu, *fontfs_status, *fontfs_paint, *fontfs_btn, *fontfs_label, *fontfs_text,
    *fontfs_list;

char bg_sz_form[COLOR_NAME_SIZE], bg_sz_menu[COLOR_NAME_SIZE], bg_sz_menuSel[COLOR_NAME_SIZE],
    bg_sz_status[COLOR_NAME_SIZE], bg_sz_paint[COLOR_NAME_SIZE], bg_sz_paintTxt[COLOR_NAME_SIZE],
    bg_sz_btn[COLOR_NAME_SIZE], bg_sz_label[COLOR_NAME_SIZE], bg_sz_edit[COLOR_NAME_SIZE],
    bg_sz_list[COLOR_NAME_SIZE], bg_sz_scroll[COLOR_NAME_SIZE], bg_sz_sel[COLOR_NAME_SIZE],
    bg_sz_hint[COLOR_NAME_SIZE], bg_sz_disable[COLOR_NAME_SIZE];
char fg_sz_form[COLOR_NAME_SIZE], fg_sz_menu[COLOR_NAME_SIZE], fg_sz_menuSel[COLOR_NAME_SIZE],
    fg_sz_status[COLOR_NAME_SIZE], fg_sz_paint[COLOR_NAME_SIZE], fg_sz_paintTxt[COLOR_NAME_SIZE],
    fg_sz_btn[COLOR_NAME_SIZE], fg_sz_label[COLOR_NAME_SIZE], fg_sz_edit[COLOR_NAME_SIZE],
    fg_sz_list[COLOR_NAME_SIZE], fg_sz_scroll[COLOR_NAME_SIZE], fg_sz_sel[COLOR_NAME_SIZE],
    fg_sz_hint[COLOR_NAME_SIZE], fg_sz_disable[COLOR_NAME_SIZE];

unsigned long bg_form, bg_menu, bg_menuSel, bg_status, bg_paint, bg_paintTxt, bg_btn, bg_label,
    bg_edit, bg_list, bg_scroll, bg_sel, bg_hint, bg_disable;
unsigned long fg_form, fg_menu, fg_menuSel, fg_status, fg_paint, fg_paintTxt, fg_btn, fg_label,
    fg_edit, fg_list, fg_scroll, fg_sel, fg_hint, fg_disable;

unsigned long p_black, p_white, lg_btn3d, rg_btn3d;
int BTN_SIZE_H = 0;

int red_shift, green_shift, blue_shift;
int red_bits, green_bits, blue_bits;
int main_color_bits;

XColor main_colormap_def[COLORMAP_SIZE];
unsigned long main_colormap_def_pxl[COLORMAP_SIZE];
int main_colormap_entry;
int main_colormap_is_gray, main_colormap_is_bw, main_colormap_is_std;
int main_reduce;
int Red[COLORMAP_SIZE], Green[COLORMAP_SIZE], Blue[COLORMAP_SIZE];

namespace {

enum Fallback { FB_BLACK, FB_WHITE, FB_DARK };

struct ColorEntry {
    char *name;
    const char *def;
    unsigned long *pixel;
    Fallback fallback;
};

const ColorEntry colorTable[] = {
    {bg_sz_form, "#c6c6c6", &bg_form, FB_BLACK},
    {bg_sz_menu, "#d0d0d0", &bg_menu, FB_BLACK},
    {bg_sz_menuSel, "#e6e6e6", &bg_menuSel, FB_BLACK},
    {bg_sz_status, "#c6c6c6", &bg_status, FB_BLACK},
    {bg_sz_paint, "#c6c6c6", &bg_paint, FB_BLACK},
    {bg_sz_paintTxt, "#c6c6c6", &bg_paintTxt, FB_WHITE},
    {bg_sz_btn, "#c6c6c6", &bg_btn, FB_BLACK},
    {bg_sz_label, "#c6c6c6", &bg_label, FB_BLACK},
    {bg_sz_edit, "#d0d0d0", &bg_edit, FB_BLACK},
    {bg_sz_list, "#c6c6c6", &bg_list, FB_BLACK},
    {bg_sz_scroll, "#c6c6c6", &bg_scroll, FB_BLACK},
    {bg_sz_sel, "#e0e0e0", &bg_sel, FB_BLACK},
    {bg_sz_hint, "#efdfaf", &bg_hint, FB_BLACK},
    {bg_sz_disable, "#d0d0d0", &bg_disable, FB_BLACK},
    {fg_sz_form, "#000000", &fg_form, FB_WHITE},
    {fg_sz_menu, "#000000", &fg_menu, FB_WHITE},
    {fg_sz_menuSel, "#000000", &fg_menuSel, FB_BLACK},
    {fg_sz_status, "#000000", &fg_status, FB_WHITE},
    {fg_sz_paint, "#000000", &fg_paint, FB_WHITE},
    {fg_sz_paintTxt, "#000000", &fg_paintTxt, FB_BLACK},
    {fg_sz_btn, "#000000", &fg_btn, FB_WHITE},
    {fg_sz_label, "#000000", &fg_label, FB_WHITE},
    {fg_sz_edit, "#000000", &fg_edit, FB_WHITE},
    {fg_sz_list, "#000000", &fg_list, FB_WHITE},
    {fg_sz_scroll, "#707070", &fg_scroll, FB_WHITE},
    {fg_sz_sel, "#000000", &fg_sel, FB_BLACK},
    {fg_sz_hint, "#000000", &fg_hint, FB_WHITE},
    {fg_sz_disable, "#808080", &fg_disable, FB_DARK},
};

struct FontEntry {
    char *name;
    XFontStruct **font;
    bool mono; // edit fields and lists line up columns
};

const FontEntry fontTable[] = {
    {fontfs_sz_menu, &fontfs_menu, false},   {fontfs_sz_status, &fontfs_status, false},
    {fontfs_sz_paint, &fontfs_paint, false}, {fontfs_sz_btn, &fontfs_btn, false},
    {fontfs_sz_label, &fontfs_label, false}, {fontfs_sz_text, &fontfs_text, true},
    {fontfs_sz_list, &fontfs_list, true},
};

const char FONT_CORE_DEFAULT[] = "9x15";

void CopyName(char *dst, size_t size, const char *src) {
    strncpy(dst, src, size - 1);
    dst[size - 1] = '\0';
}

// Counts the bits of a mask and the unset bits below its lowest set bit.
void MaskAnalyse(unsigned long mask, int *shift, int *bits) {
    int count = 0, low = 0;
    bool seen = false;
    for (int bit = 0; bit < 32; bit++) {
        if (mask & (1UL << bit)) {
            count++;
            seen = true;
        } else if (!seen) {
            low++;
        }
    }
    *shift = seen ? low : 0;
    *bits = 8 - count;
}

long ShiftComponent(int c, int bits, int shift) {
    long v = bits >= 0 ? (c & 0xFF) >> bits : static_cast<long>(c & 0xFF) << -bits;
    return v << shift;
}

} // namespace

void ColorNamesDefault(int depth) {
    for (const ColorEntry &e : colorTable)
        CopyName(e.name, COLOR_NAME_SIZE, e.def);
    for (const FontEntry &f : fontTable)
        CopyName(f.name, FONT_NAME_SIZE, FONT_CORE_DEFAULT);
    // A colormap display keeps the highlights on white, which it surely has.
    if (depth == 8) {
        CopyName(bg_sz_menuSel, COLOR_NAME_SIZE, "#ffffff");
        CopyName(bg_sz_sel, COLOR_NAME_SIZE, "#ffffff");
        CopyName(bg_sz_hint, COLOR_NAME_SIZE, "#ffffff");
    }
}

int ColorVisualAnalyse(const Visual *visual, int depth) {
    red_shift = green_shift = blue_shift = 0;
    red_bits = green_bits = blue_bits = 0;
    if (!visual) return -15;
    if (depth == 1) {
        main_color_bits = 1;
        return 0;
    }
    switch (visual->c_class) {
    case PseudoColor:
    case GrayScale:
        main_color_bits = 8;
        return 0;
    case TrueColor:
    case DirectColor:
        main_color_bits = 24;
        MaskAnalyse(visual->red_mask, &red_shift, &red_bits);
        MaskAnalyse(visual->green_mask, &green_shift, &green_bits);
        MaskAnalyse(visual->blue_mask, &blue_shift, &blue_bits);
        return 0;
    default:
        return -6;
    }
}

int ColorStep1LibInit(Display *display) {
    if (!display) return -15;
    int screen = DefaultScreen(display);
    int depth = DefaultDepth(display, screen);
    p_black = BlackPixel(display, screen);
    p_white = WhitePixel(display, screen);
    ColorNamesDefault(depth);
    long p = ColorGetFromName(display, "#ffffff");
    lg_btn3d = p < 0 ? p_white : static_cast<unsigned long>(p);
    p = ColorGetFromName(display, "#707070");
    rg_btn3d = p < 0 ? p_black : static_cast<unsigned long>(p);

    if (ColorVisualAnalyse(DefaultVisual(display, screen), depth) < 0) {
        MsgErrWin(LG_DEFAULT, "ColorDepth", -6);
        exit(-1);
    }
    main_colormap_is_gray = 0;
    main_colormap_is_bw = 0;
    main_colormap_is_std = 1;
    main_colormap_entry = 0;
    main_reduce = 0;
    if (depth == 8) {
        for (int i = 0; i < COLORMAP_SIZE; i++) {
            main_colormap_def[i].pixel = static_cast<unsigned long>(i);
            main_colormap_def[i].flags = DoRed | DoGreen | DoBlue;
            main_colormap_def_pxl[i] = static_cast<unsigned long>(i);
        }
        XQueryColors(display, DefaultColormap(display, screen), main_colormap_def, COLORMAP_SIZE);
        main_colormap_entry = COLORMAP_SIZE;
    }
    return 0;
}

XFontStruct *ColorFontLoad(Display *display, const char *name) {
    if (!display) return nullptr;
    // A name the server knows is a core font; anything else is a fontconfig pattern.
    XFontStruct *fs = name && *name ? XLoadQueryFont(display, name) : nullptr;
    if (fs) {
        TextFontRegister(display, fs);
        return fs;
    }
    if (name && *name && (fs = TextFontOpenXft(display, name))) return fs;
    // Every widget draws with its font, so a missing one must never stay missing.
    fprintf(stderr, "dravik: font \"%s\" not found, using \"fixed\"\n", name ? name : "");
    fs = XLoadQueryFont(display, "fixed");
    TextFontRegister(display, fs);
    return fs;
}

int ColorStep2FontLibInit(Display *display) {
    if (!display) return -15;
    TextFontsReset(display);
    // The default core name cannot show most file names: with anti-aliasing it means the
    // default faces; a name the user changed is taken as written.
    for (const FontEntry &f : fontTable) {
        const char *name = f.name;
        if (AntiAliasedFonts && !strcmp(name, FONT_CORE_DEFAULT))
            name = f.mono ? FONT_XFT_MONO : FONT_XFT_SANS;
        *f.font = ColorFontLoad(display, name);
    }
    for (const ColorEntry &e : colorTable) {
        long p = ColorGetFromName(display, e.name);
        if (p >= 0) {
            *e.pixel = static_cast<unsigned long>(p);
            continue;
        }
        switch (e.fallback) {
        case FB_BLACK:
            *e.pixel = p_black;
            break;
        case FB_WHITE:
            *e.pixel = p_white;
            break;
        case FB_DARK:
            *e.pixel = rg_btn3d;
            break;
        }
    }
    BTN_SIZE_H = WinGetTextHeight(fontfs_btn, "QygqQAT", 0) + 32;
    return 0;
}

long ColorGetFromRGB(int r, int g, int b) {
    return ShiftComponent(r, red_bits, red_shift) | ShiftComponent(g, green_bits, green_shift) |
           ShiftComponent(b, blue_bits, blue_shift);
}

long ColorGetFromName(Display *display, const char *name) {
    if (!display || !name || !*name) return -6;
    XColor exact, screen;
    Colormap cmap = DefaultColormap(display, DefaultScreen(display));
    if (!XAllocNamedColor(display, cmap, name, &screen, &exact)) return -6;
    if (verbose)
        printf("%s: %i %i %i   %lu\n", name, screen.red, screen.green, screen.blue, screen.pixel);
    return static_cast<long>(screen.pixel);
}

long ColorGetFromNameHex(Display *display, const char *name) {
    if (!display || !name || !*name) return -6;
    XColor c;
    int screen = DefaultScreen(display);
    if (!XParseColor(display, DefaultColormap(display, screen), name, &c)) return -6;
    if (DefaultDepth(display, screen) > 8)
        return ColorGetFromRGB(c.red >> 8, c.green >> 8, c.blue >> 8);
    long p = FindRGBInColormap(c.red, c.green, c.blue);
    if (verbose) fprintf(stderr, "%s: %i %i %i  (%li)\n", name, c.red, c.green, c.blue, p);
    return p;
}

long FindRGBInColormap(int r, int g, int b) {
    double best = 134217728.0;
    long pixel = -6;
    for (int i = 0; i < main_colormap_entry && i < COLORMAP_SIZE; i++) {
        double cr = main_colormap_def[i].red ? main_colormap_def[i].red : 1;
        double cg = main_colormap_def[i].green ? main_colormap_def[i].green : 1;
        double cb = main_colormap_def[i].blue ? main_colormap_def[i].blue : 1;
        double d = sqrt((cr - r) * (cr - r) + (cg - g) * (cg - g) + (cb - b) * (cb - b));
        if (d < best) {
            best = d;
            pixel = static_cast<long>(main_colormap_def[i].pixel);
        }
    }
    return pixel;
}
