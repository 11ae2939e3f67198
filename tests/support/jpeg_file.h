// A JPEG file written straight through libjpeg, independent of dravik's own writer: test images
// and benchmark photos.
#pragma once

#include <cstdio>
#include <functional>
#include <jpeglib.h>
#include <vector>

// Writes a w x h RGB file whose rows come from fill(y, row) (3 bytes a pixel); progressive
// files use the library's simple progression. True on success.
inline bool WriteJpegFile(const char *path, int w, int h, int quality, bool progressive,
                          const std::function<void(int, JSAMPLE *)> &fill) {
    FILE *f = fopen(path, "wb");
    if (!f) return false;
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    jpeg_stdio_dest(&c, f);
    c.image_width = static_cast<JDIMENSION>(w);
    c.image_height = static_cast<JDIMENSION>(h);
    c.input_components = 3;
    c.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, quality, TRUE);
    if (progressive) jpeg_simple_progression(&c);
    jpeg_start_compress(&c, TRUE);
    std::vector<JSAMPLE> row(static_cast<size_t>(w) * 3);
    while (c.next_scanline < c.image_height) {
        fill(static_cast<int>(c.next_scanline), row.data());
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&c, &r, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    return fclose(f) == 0;
}
