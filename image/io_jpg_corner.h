// The top-left corner of a JPEG decoded alone, for a first paint while the whole picture is read.
#pragma once

#include <cstdint>
#include <vector>

// Decodes at most maxw x maxh pixels from the top-left of a baseline JPEG as RGB rows into
// `rgb` (w x h x 3); 0 on success, -1 for files it leaves to the full read (progressive, CMYK,
// damaged, not JPEG). Quiet: the full read reports what is wrong with a file.
int IoReadJpegCorner(const char *path, int maxw, int maxh, std::vector<uint8_t> *rgb, int *w,
                     int *h);
