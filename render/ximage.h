// Display images: client-side XImages in the display's depth, sized to the view that shows them.
#pragma once

#include "io/io_album.h"
#include "image/io_files.h"
#include "toolkit/xwin.h"

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

// Connects the decoding core to the display: the colour-reduction tables to the toolkit's
// colours, the 15/16-bit packing shifts to the default visual, and the release of display
// images. Called once the colours are set up.
int ImageDisplaySetup(Display *display);
// The packing shifts from the default visual (main_visual).
void Setup16Shift();
// A read request's display-image step: `ctx` is the image view.
int IoRenderView(void *ctx, FILEINFO *fi);

// The album's view half: every entry's thumbnail into the view's image list, and the save that
// drops the cells the user removed.
int IoAlbumEntryPaintInit(ALBUMDAT *album);
int IoAlbumEntrySave(ALBUMDAT *album);
