// Median-cut reduction of RGB images to a palette, and palette indices to colormap pixels.
#pragma once

#include "image/io_files.h"

#include <X11/Xlib.h>

#include <cstdint>

// The palette state the reductions work on: the shared tables Red, Green and Blue (16-bit
// values), the colormap pixel chosen for each palette index, and the nearest-colour search
// (16-bit components; negative when the snapshot is empty).
struct REDUCEPAL {
    int *red;
    int *green;
    int *blue;
    unsigned long *pxl;
    long (*find)(int r, int g, int b);
};

// The display's colour tables, installed by the display-image setup; tests point it at a
// palette of their own.
extern REDUCEPAL *reduce_pal;

enum { MCUT_SIDE = 32, MCUT_CELLS = 256 };

struct MCUTBOX {
    uint32_t freq;
    uint8_t b0, b1, g0, g1, r0, r1; // half-open ranges on the 0..32 scale
    uint8_t flags;                  // axes still divisible: 4 blue, 2 green, 1 red
};

struct mcut_state {
    uint32_t freq[MCUT_SIDE][MCUT_SIDE][MCUT_SIDE]; // [red][green][blue]
    uint32_t total;
    int ncells;
    MCUTBOX cells[MCUT_CELLS];
};

mcut_state *gbm_create_mcut();
void gbm_delete_mcut(mcut_state *mc);
void gbm_add_to_mcut(mcut_state *mc, const uint8_t *src, const FILEINFO *fi);
void gbm_pal_mcut(mcut_state *mc, uint8_t *pal, int ncolors);
void gbm_map_mcut(const mcut_state *mc, const uint8_t *src, uint8_t *dst, int mode,
                  const FILEINFO *fi);
void shrink(mcut_state *mc, MCUTBOX *box);

// mode 0 writes colormap pixels, mode 1 palette indices; pal receives 256 x (R, G, B).
uint8_t *gbm_mcut(const uint8_t *src, uint8_t *pal, int ncolors, int mode, const FILEINFO *fi);
int Reduce24to8(const uint8_t *src, FILEINFO *fi);
uint8_t *_XSetup8to8(uint8_t *pix, int w, int h, int tableonly);
