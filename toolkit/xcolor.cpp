#include "toolkit/xcolor.h"

unsigned long fg_form = 0, bg_form = 0;
XFontStruct *fontfs_text = nullptr;
