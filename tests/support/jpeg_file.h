// A JPEG file written straight through libjpeg, independent of dravik's own writer: test images
// and benchmark photos.
#pragma once

#include <cstdio>
#include <functional>
#include <jpeglib.h>
#include <string>
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

// A segment: marker code, big-endian length, payload.
inline std::string JpegSegment(int code, const std::string &payload) {
    std::string s = {'\xFF', static_cast<char>(code)};
    s += static_cast<char>((payload.size() + 2) >> 8);
    s += static_cast<char>(payload.size() + 2);
    return s + payload;
}

// A big-endian Exif APP1 payload holding only the orientation.
inline std::string ExifOrientation(int orientation) {
    std::string p("Exif\0\0MM\0\x2A\0\0\0\x08\0\x01\x01\x12\0\x03\0\0\0\x01\0", 25);
    p += static_cast<char>(orientation);
    return p + std::string(6, '\0');
}

// The bytes of a JPEG file with that Exif segment right after its start of image.
inline std::string JpegWithOrientation(const std::string &jpeg, int orientation) {
    return jpeg.substr(0, 2) + JpegSegment(0xE1, ExifOrientation(orientation)) + jpeg.substr(2);
}
