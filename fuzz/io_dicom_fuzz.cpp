// Feeds arbitrary bytes through the DICOM test and the read as the dispatch runs them: the full
// read with its pixel stage (windowed, with or without a Hounsfield window), the raw read, or the
// probe. Headers may claim any size: the reader's budgets must keep every input cheap.
#include "base/settings.h"
#include "base/xmem.h"
#include "dicom/io_dcm3.h"
#include "dicom/io_dicom.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <unistd.h>

static char path[64];

static void FuzzFileRemove() {
    unlink(path);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (!path[0]) {
        // In memory: rewriting a file on a disk waits for the disk, a thousand times a second.
        bool shm = access("/dev/shm", W_OK) == 0;
        snprintf(path, sizeof path, "%s/dravik-dicom-fuzz-%d", shm ? "/dev/shm" : "/tmp",
                 int(getpid()));
        atexit(FuzzFileRemove);
    }
    FILE *f = fopen(path, "wb");
    if (!f) return 0;
    fwrite(data, 1, size, f);
    fclose(f);

    FILEINFO fi;
    FILEREQ req;
    memset(&fi, 0, sizeof fi);
    // The last byte chooses the Hounsfield setting and the kind of read, so that all of them
    // are explored without three reads of every input.
    const int pick = size > 0 ? data[size - 1] : 0;
    HounsfieldUse = pick & 1;
    HounsfieldMin = -1024;
    HounsfieldMax = pick & 2 ? -1024 : 3071;
    IoRequestInit(&req, path);
    const int kind = (pick >> 2) % 3;
    if (IsFileDicom(&req, &fi, kind == 1 ? IO_READ_PROBE : IO_READ_FULL) == 100) {
        if (kind == 1) {
            IoReadDicomProbe(&req, &fi);
        } else if (kind == 2) {
            DICOMSAMPLES raw;
            IoReadDicomRaw(&req, &fi, &raw);
        } else {
            IoReadDicom(&req, &fi);
        }
    }
    if (fi.fbuf) MemFree(fi.fbuf, "fuzz");
    for (uint16_t *m : {fi.rmap, fi.gmap, fi.bmap})
        if (m) MemFree(m, "fuzz");
    DicomDataRelease(&fi);
    return 0;
}
