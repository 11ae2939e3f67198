// The built-in pictures: toolbar symbols by number, the message-box pictures, and their release.
#pragma once

#include "toolkit/xwin.h"

// Symbol numbers of the toolbars and player buttons.
enum {
    SYMBOL_FILE_OPEN = 1,
    SYMBOL_NAVIGATOR = 3,
    SYMBOL_PLAY = 4,
    SYMBOL_STOP = 5,
    SYMBOL_FORWARD = 6,
    SYMBOL_BACKWARD = 7,
};

// The XPM data of a symbol's picture: which 0 the normal, 1 the highlighted one; null for a
// symbol without pictures.
char **SymbolXpmData(int symbol, int which);

// The 40 x 40 picture of a message-box kind (1 and 6 warning, 2 error, 3 to 5 question,
// 7 work), as a display image; null for other kinds.
XImage *XImageCreateMsg(Display *display, int kind);
// The matching 40 x 40 bitmap drawn in fg_form on bg_form.
Pixmap PixmapCreateMsg(Display *display, Drawable drawable, int kind);
char **MsgXpmData(int kind);
// A window of the picture's size with `img` as its background; `img` is released.
WINDAT *SymbolPictureCreate(WINDAT *parent, int x, int y, XImage *img, const char *name);
// A small window showing the file picture (a page), for panels about one file.
WINDAT *SymbolFileCreate(WINDAT *parent, int x, int y);
int IconsDestroy(Display *display);
