// Colours and fonts of the toolkit.
#pragma once

#include <X11/Xlib.h>

extern unsigned long fg_form, bg_form;
extern XFontStruct *fontfs_text;

int ColorStep1LibInit(Display *display);
int ColorStep2FontLibInit(Display *display);
