// Photo-like benchmark pictures: gradients with a camera's noise, so files have realistic
// entropy; a seed makes each one different.
#pragma once

#include "support/jpeg_file.h"

#include <cstdint>
#include <string>

inline bool WriteBenchPhoto(const std::string &path, int w, int h, uint32_t seed = 7) {
    return WriteJpegFile(path.c_str(), w, h, 90, false, [&](int y, JSAMPLE *row) {
        for (int x = 0; x < w; x++)
            for (int c = 0; c < 3; c++) {
                seed = seed * 1664525u + 1013904223u;
                int v = (x * 255 / w + y * 255 / h) / 2 + static_cast<int>(seed >> 28) - 8 + c * 20;
                row[x * 3 + c] = static_cast<JSAMPLE>(v < 0 ? 0 : v > 255 ? 255 : v);
            }
    });
}
