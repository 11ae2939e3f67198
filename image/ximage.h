// Display images: client-side XImages in the display's depth, sized to the view that shows them.
#pragma once

#include "image/io_files.h"

// One entry of an image view's image list: the cell of the thumbnail layout (0 in single mode)
// and the image record.
struct PAINTIMG {
    int x, y, cw, ch;
    FILEINFO fi;
};

// Scanline pad for a display depth: 8, 16 or 32; 0 for a depth no display image is made for.
int ImagePadForDepth(int depth);

XImage *ImageCreate(int pad, int format, int width, int height);
int WinCreateXImage(WINDAT *view, FILEINFO *fi, int pad);
int WinCreateXImageSimple(WINDAT *view, FILEINFO *fi);
int WinFreeXImage(XImage *image);
int WinFreeImage(WINDAT *view, int index, int all);
