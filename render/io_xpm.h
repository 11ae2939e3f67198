// Built-in XPM icons to display images.
#pragma once

#include "image/io_files.h"

#include <X11/xpm.h>

XImage *ImageCreateFromDataSimple(char **data, const char *bgname);
XImage *_IoXpm(Display *display, const char *name, const char *bgname, XpmImage *img, XpmInfo *info,
               FILEINFO *fi);
XImage *ImageCreateFromData(uint8_t *pixels, uint8_t *pal, int w, int h, int ncolors,
                            const char *name, FILEINFO *fi);
