// The top-left corner of a JPEG decoded alone.
#include "image/io_jpg_corner.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
// clang-format off
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

namespace {
struct CornerErr {
    jpeg_error_mgr pub;
    jmp_buf jump;
};

void CornerErrorExit(j_common_ptr c) {
    longjmp(reinterpret_cast<CornerErr *>(c->err)->jump, 1);
}

void CornerOutput(j_common_ptr) {}
} // namespace

int IoReadJpegCorner(const char *path, int maxw, int maxh, std::vector<uint8_t> *rgb, int *w,
                     int *h) {
    if (!path || !rgb || !w || !h || maxw < 1 || maxh < 1) return -1;
    FILE *f = fopen(path, "rb");
    if (!f) return -1;
    jpeg_decompress_struct c;
    CornerErr err;
    c.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = CornerErrorExit;
    err.pub.output_message = CornerOutput;
    // Warnings (corrupt data) end the corner too: the full read decides what to show.
    err.pub.emit_message = [](j_common_ptr cc, int level) {
        if (level < 0) CornerErrorExit(cc);
    };
    jpeg_create_decompress(&c);
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&c);
        fclose(f);
        return -1;
    }
    jpeg_stdio_src(&c, f);
    jpeg_read_header(&c, TRUE);
    if (c.progressive_mode || (c.jpeg_color_space != JCS_YCbCr && c.jpeg_color_space != JCS_RGB &&
                               c.jpeg_color_space != JCS_GRAYSCALE)) {
        jpeg_destroy_decompress(&c);
        fclose(f);
        return -1;
    }
    c.out_color_space = JCS_RGB;
    jpeg_start_decompress(&c);
    JDIMENSION xoff = 0, width = static_cast<JDIMENSION>(maxw) < c.output_width
                                     ? static_cast<JDIMENSION>(maxw)
                                     : c.output_width;
    jpeg_crop_scanline(&c, &xoff, &width);
    int outw = static_cast<int>(c.output_width);
    int rows = static_cast<int>(c.output_height) < maxh ? static_cast<int>(c.output_height) : maxh;
    // The row lives in the library's pool: a longjmp out of here must not skip a destructor.
    JSAMPARRAY line = (*c.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&c), JPOOL_IMAGE,
                                             static_cast<JDIMENSION>(outw) * 3, 1);
    int cw = outw < maxw ? outw : maxw;
    rgb->assign(static_cast<size_t>(cw) * rows * 3, 0);
    for (int y = 0; y < rows; y++) {
        if (jpeg_read_scanlines(&c, line, 1) != 1) break;
        std::copy(line[0], line[0] + cw * 3, rgb->begin() + static_cast<long>(y) * cw * 3);
    }
    jpeg_abort_decompress(&c);
    jpeg_destroy_decompress(&c);
    fclose(f);
    *w = cw, *h = rows;
    return 0;
}
