// The read dispatch over arbitrary file bytes: the probe, then a full read or a preview read.
#include "base/xmem.h"
#include "dicom/io_dicom.h"
#include "image/io_files.h"
#include "image/io_jpg.h"
#include "image/test_hooks.h"
#include "io/io_read.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

static char fuzz_path[64];

static void FuzzFileRemove() {
    unlink(fuzz_path);
}

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    // In memory: rewriting a file on a disk waits for the disk, a thousand times a second.
    bool shm = access("/dev/shm", W_OK) == 0;
    snprintf(fuzz_path, sizeof fuzz_path, "%s/dravik-fuzz-XXXXXX", shm ? "/dev/shm" : "/tmp");
    int fd = mkstemp(fuzz_path);
    if (fd < 0) abort();
    close(fd);
    atexit(FuzzFileRemove);
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
    // One decoding an input, chosen by its length, which mutations change freely: the full read,
    // a DCT-scaled preview, and the 1/8-scale preview decoder whole or split between two
    // threads (the guess runs to its end first, so that what it finds repeats).
    switch (size % 4) {
    case 0:
        ReadOnce(IO_READ_FULL, 0);
        break;
    case 1:
        ReadOnce(IO_READ_FULL, 8);
        break;
    case 2:
        ReadOnce(IO_READ_FULL, 1);
        break;
    default: {
        long split = jpg_dc_tune.split_bytes;
        jpg_dc_tune.split_bytes = 1;
        jpg_dc_tune.guess_first = true;
        ReadOnce(IO_READ_FULL, 1);
        jpg_dc_tune.split_bytes = split;
        jpg_dc_tune.guess_first = false;
        break;
    }
    }
    return 0;
}
