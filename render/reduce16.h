// Packing 8-bit palette indices into 15/16-bit and 24/32-bit true-colour display pixels.
#pragma once

#include "image/io_files.h"

#include <X11/Xlib.h>

// How far an 8-bit component is shifted right to reach its mask (negative: left).
extern int Rshift, Gshift, Bshift;

int GetPosHighBit(unsigned long word);
void Setup16ShiftMasks(unsigned long red_mask, unsigned long green_mask, unsigned long blue_mask);

int Wide8to16(const uint8_t *pix, FILEINFO *fi);
int Wide8to32(const uint8_t *pix, FILEINFO *fi);
