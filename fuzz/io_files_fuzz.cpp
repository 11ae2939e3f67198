// The read dispatch over arbitrary file bytes: full read, probe and preview reads.
#include "base/xmem.h"
#include "dicom/io_dicom.h"
#include "image/io_files.h"
#include "image/io_jpg.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

static char fuzz_path[64];

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    snprintf(fuzz_path, sizeof fuzz_path, "/tmp/dravik-fuzz-XXXXXX");
    int fd = mkstemp(fuzz_path);
    if (fd < 0) abort();
    close(fd);
    return 0;
}

static void ReadOnce(int mode, int preview) {
    FILEREQ req;
    memset(&req, 0, sizeof req);
    req.path = fuzz_path;
    req.preview = preview;
    FILEINFO fi;
    IoFindOrReadFileTyp(&req, &fi, mode);
    DicomDataRelease(&fi);
    IoFreeRecord(&fi, "fuzz");
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FILE *fp = fopen(fuzz_path, "wb");
    if (!fp) return 0;
    fwrite(data, 1, size, fp);
    fclose(fp);
    ReadOnce(IO_READ_PROBE, 0);
    ReadOnce(IO_READ_FULL, 0);
    ReadOnce(IO_READ_FULL, 8);
    // The 1/8-scale preview decoder, whole and split between two threads; the guess runs to its
    // end first, so that what it finds repeats.
    long split = jpg_dc_tune.split_bytes;
    ReadOnce(IO_READ_FULL, 1);
    jpg_dc_tune.split_bytes = 1;
    jpg_dc_tune.guess_first = true;
    ReadOnce(IO_READ_FULL, 1);
    jpg_dc_tune.split_bytes = split;
    jpg_dc_tune.guess_first = false;
    return 0;
}
