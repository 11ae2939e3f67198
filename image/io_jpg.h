// The JPEG adapter: test, read and write through the IJG library.
#pragma once

#include "image/io_files.h"

#include <atomic>
#include <csetjmp>
#include <cstdio>
// clang-format off
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

int IsFileJpeg(const char *path);
int IoReadJpeg(FILEREQ *req, FILEINFO *fi, int mode);
int IoWriteJpeg(FILEREQ *req, SAVEINFO *save);

// The same reader and writer on memory (album thumbnails). The read decodes at the DCT scale
// that still covers `edge` (0: full size), without message boxes; a failed read leaves `fi`
// empty. The write encodes frame 0 of `save`; `*out` is a MemCreate block under `tag`.
int IoReadJpegMem(const uint8_t *data, long len, FILEINFO *fi, int edge, const char *tag);
int IoWriteJpegMem(SAVEINFO *save, uint8_t **out, long *len, const char *tag);

// The stored size of a JPEG in memory, from its header alone and quietly; FILE_SUCCES or an
// error code.
int IoJpegMemSize(const uint8_t *data, long len, int *w, int *h);

// libjpeg within the budgets of io_files.h: its memory limited to IO_BUDGET_DECODER, and a
// progress monitor that stops a stream after IO_BUDGET_SCANS scans by a longjmp to `jump` with
// `hit` set. Set up after jpeg_create_decompress.
struct JPGLIMIT {
    jpeg_progress_mgr pub;
    jmp_buf *jump;
    int hit;
};
void JpgLimitSetup(jpeg_decompress_struct *c, JPGLIMIT *limit, jmp_buf *jump);
// Bytes of whole-image coefficient buffers jpeg_start_decompress will allocate (multi-scan and
// buffered-image decoding); 0 for a single-scan stream decoded row by row. After the header.
long JpgCoefBytes(const jpeg_decompress_struct *c);

// The library's error hooks: the message goes to the error box with the file's path, a fatal
// error then jumps back to the reader or writer.
void my_error_exit(j_common_ptr cinfo);
void my_error_output(j_common_ptr cinfo);

// The file name frame f of a multi-frame save is written to (see IoWriteJpeg).
int IoJpegFrameName(const char *path, int frame, char *out, size_t size);
