// The layout a codec fuzz target decodes into: taken from the codestream's own header, so that
// every input reaches the decoder, with a store of exactly one frame.
#pragma once

#include "dicom/io_dcm3.h"

#include <cstring>

static inline bool FuzzLayout(int w, int h, int comps, int bits, bool sign, DICOMLAYOUT *lay) {
    // Large frames decode just as small ones; keep each run short.
    if (w < 1 || h < 1 || long(w) * h > (1L << 18) || (comps != 1 && comps != 3)) return false;
    memset(lay, 0, sizeof *lay);
    lay->bits = bits < 1 ? 1 : bits > 16 ? 16 : bits;
    lay->bytes = lay->bits > 8 ? 2 : 1;
    lay->sign = sign;
    lay->samples = comps;
    lay->pi = comps == 3 ? DICOM_PI_RGB : DICOM_PI_MONO2;
    lay->w = w;
    lay->h = h;
    lay->frames = 1;
    lay->pixels = long(w) * h;
    lay->framebytes = lay->pixels * comps * lay->bytes;
    return true;
}
