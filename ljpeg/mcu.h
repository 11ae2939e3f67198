// Lossless JPEG: the two MCU rows and the output of a decoded row into the frame store.
#pragma once

#include "ljpeg/util.h"

// Writes the current row's samples, shifted left by the point transform, into the store at their
// frame components' places.
void PmPutRow(DecompressInfo *dc, int row);

// The current row becomes the previous one.
void McuRowsSwap(DecompressInfo *dc);

// Releases the row buffers.
void FreeArray2D(DecompressInfo *dc);
