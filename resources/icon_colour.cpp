// The program icon in colour for the desktop and the window manager, from the bitmap.
#include "resources/icon_colour.h"

#include "resources/icon.h"

#include <algorithm>

// The colour of bitmap pixel (x, y) as premultiplied RGBA floats: the frame's dark edge, a sky
// that lightens downwards where bits are set, and in the cut-out a sun (upper right) and a hill.
static void IconPixel(int x, int y, float out[4]) {
    bool inside = x >= 1 && x <= icon_width - 2 && y >= 4 && y <= icon_height - 5;
    if (!inside) {
        out[0] = out[1] = out[2] = out[3] = 0;
        return;
    }
    bool set = icon_bits[y * (icon_width / 8) + x / 8] >> (x % 8) & 1;
    bool edge = x == 1 || x == icon_width - 2 || y == 4 || y == icon_height - 5;
    float r, g, b;
    if (edge) {
        r = 0x1f, g = 0x3b, b = 0x57;
    } else if (set) {
        float t = static_cast<float>(y - 5) / static_cast<float>(icon_height - 11);
        r = 0x3a + t * (0x9c - 0x3a), g = 0x6e + t * (0xc3 - 0x6e), b = 0xa5 + t * (0xe6 - 0xa5);
    } else if (x >= 22 && y <= 16) {
        r = 0xf5, g = 0xc2, b = 0x11;
    } else {
        r = 0x4e, g = 0x7d, b = 0x3a;
    }
    out[0] = r / 255.f, out[1] = g / 255.f, out[2] = b / 255.f, out[3] = 1.f;
}

std::vector<uint32_t> IconArgb(int size) {
    std::vector<uint32_t> argb;
    if (size <= 0 || size > 4096) return argb;
    argb.resize(static_cast<size_t>(size) * size);
    const float scale = static_cast<float>(icon_width) / static_cast<float>(size);
    for (int py = 0; py < size; py++)
        for (int px = 0; px < size; px++) {
            // The area of the bitmap that this pixel covers, each bitmap pixel weighted by the
            // share of it inside.
            float x0 = px * scale, x1 = (px + 1) * scale, y0 = py * scale, y1 = (py + 1) * scale;
            float acc[4] = {0, 0, 0, 0}, area = 0;
            for (int y = static_cast<int>(y0); y < icon_height && y < y1; y++)
                for (int x = static_cast<int>(x0); x < icon_width && x < x1; x++) {
                    float wx = std::min<float>(x + 1, x1) - std::max<float>(x, x0);
                    float wy = std::min<float>(y + 1, y1) - std::max<float>(y, y0);
                    float w = wx * wy, c[4];
                    IconPixel(x, y, c);
                    for (int k = 0; k < 3; k++)
                        acc[k] += c[k] * c[3] * w;
                    acc[3] += c[3] * w;
                    area += w;
                }
            float a = area > 0 ? acc[3] / area : 0;
            uint32_t v = 0;
            if (a > 0) {
                auto byte = [](float f) {
                    return static_cast<uint32_t>(std::clamp(f, 0.f, 1.f) * 255.f + 0.5f);
                };
                v = byte(a) << 24 | byte(acc[0] / acc[3]) << 16 | byte(acc[1] / acc[3]) << 8 |
                    byte(acc[2] / acc[3]);
            }
            argb[static_cast<size_t>(py) * size + px] = v;
        }
    return argb;
}
