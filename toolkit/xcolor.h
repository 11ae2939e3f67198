// Colours and fonts of the toolkit: the visual analysis, the fixed and configured colours, the
// seven fonts, and the conversions from names and RGB values to pixels.
#pragma once

#include <X11/Xlib.h>

enum { COLOR_NAME_SIZE = 20, FONT_NAME_SIZE = 300, COLORMAP_SIZE = 256 };

// The faces a default font name stands for with AntiAliasedFonts: edit fields and lists take
// the monospace one.
#define FONT_XFT_SANS "DejaVu Sans:size=10"
#define FONT_XFT_MONO "DejaVu Sans Mono:size=10"

// Font names (configurable) and the fonts loaded from them.
extern char fontfs_sz_menu[FONT_NAME_SIZE], fontfs_sz_status[FONT_NAME_SIZE],
    fontfs_sz_paint[FONT_NAME_SIZE], fontfs_sz_btn[FONT_NAME_SIZE], fontfs_sz_label[FONT_NAME_SIZE],
    fontfs_sz_text[FONT_NAME_SIZE], fontfs_sz_list[FONT_NAME_SIZE];
extern XFontStruct *fontfs_menu, *fontfs_status, *fontfs_paint, *fontfs_btn, *fontfs_label,
    *fontfs_text, *fontfs_list;

// Colour names (configurable).
extern char bg_sz_form[COLOR_NAME_SIZE], bg_sz_menu[COLOR_NAME_SIZE],
    bg_sz_menuSel[COLOR_NAME_SIZE], bg_sz_status[COLOR_NAME_SIZE], bg_sz_paint[COLOR_NAME_SIZE],
    bg_sz_paintTxt[COLOR_NAME_SIZE], bg_sz_btn[COLOR_NAME_SIZE], bg_sz_label[COLOR_NAME_SIZE],
    bg_sz_edit[COLOR_NAME_SIZE], bg_sz_list[COLOR_NAME_SIZE], bg_sz_scroll[COLOR_NAME_SIZE],
    bg_sz_sel[COLOR_NAME_SIZE], bg_sz_hint[COLOR_NAME_SIZE], bg_sz_disable[COLOR_NAME_SIZE];
extern char fg_sz_form[COLOR_NAME_SIZE], fg_sz_menu[COLOR_NAME_SIZE],
    fg_sz_menuSel[COLOR_NAME_SIZE], fg_sz_status[COLOR_NAME_SIZE], fg_sz_paint[COLOR_NAME_SIZE],
    fg_sz_paintTxt[COLOR_NAME_SIZE], fg_sz_btn[COLOR_NAME_SIZE], fg_sz_label[COLOR_NAME_SIZE],
    fg_sz_edit[COLOR_NAME_SIZE], fg_sz_list[COLOR_NAME_SIZE], fg_sz_scroll[COLOR_NAME_SIZE],
    fg_sz_sel[COLOR_NAME_SIZE], fg_sz_hint[COLOR_NAME_SIZE], fg_sz_disable[COLOR_NAME_SIZE];

// Pixels made from the names.
extern unsigned long bg_form, bg_menu, bg_menuSel, bg_status, bg_paint, bg_paintTxt, bg_btn,
    bg_label, bg_edit, bg_list, bg_scroll, bg_sel, bg_hint, bg_disable;
extern unsigned long fg_form, fg_menu, fg_menuSel, fg_status, fg_paint, fg_paintTxt, fg_btn,
    fg_label, fg_edit, fg_list, fg_scroll, fg_sel, fg_hint, fg_disable;

// Fixed colours: the screen's black and white, the light and dark bevel colours.
extern unsigned long p_black, p_white, lg_btn3d, rg_btn3d;

// Default button height: ink height of "QygqQAT" in the button font plus 32.
extern int BTN_SIZE_H;

// Visual facts: bit position of each mask's lowest bit, and how far an 8-bit component is
// shifted right to fit its mask.
extern int red_shift, green_shift, blue_shift;
extern int red_bits, green_bits, blue_bits;
// 1, 8 or 24: how the visual is driven (bit-mapped, colormap, or true colour).
extern int main_color_bits;

// Colormap snapshot of 8-bit displays and the palette of the image pipeline.
extern XColor main_colormap_def[COLORMAP_SIZE];
extern unsigned long main_colormap_def_pxl[COLORMAP_SIZE];
extern int main_colormap_entry;
extern int main_colormap_is_gray, main_colormap_is_bw, main_colormap_is_std;
extern int main_reduce;
extern int Red[COLORMAP_SIZE], Green[COLORMAP_SIZE], Blue[COLORMAP_SIZE];

// Returns 0, or -6 for a visual class the program cannot drive (after reporting it; start-up
// then exits).
int ColorStep1LibInit(Display *display);
int ColorStep2FontLibInit(Display *display);

long ColorGetFromRGB(int r, int g, int b);
long ColorGetFromName(Display *display, const char *name);
long ColorGetFromNameHex(Display *display, const char *name);
long FindRGBInColormap(int r, int g, int b);

// Writes the built-in colour and font names; depth 8 keeps the highlights white.
void ColorNamesDefault(int depth);

// Analyses one visual into the shift and bit globals; -6 for an unsupported class.
int ColorVisualAnalyse(const Visual *visual, int depth);
// Loads a font by name, falling back to "fixed"; null only when neither exists.
XFontStruct *ColorFontLoad(Display *display, const char *name);
