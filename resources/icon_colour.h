// The program icon in colour.
#pragma once

#include <cstdint>
#include <vector>

// The same icon in colour, size x size pixels, area-averaged from the bitmap: ARGB words with
// alpha in the high byte, not premultiplied, as _NET_WM_ICON and the desktop's PNG icons take it.
std::vector<uint32_t> IconArgb(int size);
