// The program's 40 x 40 icon bitmap (XBM bit order).
#pragma once

enum { icon_width = 40, icon_height = 40 };

extern const unsigned char icon_bits[icon_width * icon_height / 8];
