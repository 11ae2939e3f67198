// Feeds arbitrary bytes through the DICOM test and read as the dispatch runs them, pixel stage
// included: windowed (with and without a Hounsfield window) and raw.
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
        snprintf(path, sizeof path, "/tmp/dravik-dicom-fuzz-%d", int(getpid()));
        atexit(FuzzFileRemove);
    }
    FILE *f = fopen(path, "wb");
    if (!f) return 0;
    fwrite(data, 1, size, f);
    fclose(f);

    FILEINFO fi;
    FILEREQ req;
    memset(&fi, 0, sizeof fi);
    memset(&req, 0, sizeof req);
    req.path = path;
    // The last byte chooses the Hounsfield setting, so both windows get explored.
    HounsfieldUse = size > 0 && (data[size - 1] & 1);
    HounsfieldMin = -1024;
    HounsfieldMax = size > 0 && (data[size - 1] & 2) ? -1024 : 3071;
    DICOMCTX *ctx = DicomCtxCreate();
    if (!ctx) return 0;
    for (int mode : {0, 2, 3}) {
        // Headers may promise images of up to 2 GiB, which the reader then allocates; the
        // fuzzer keeps to sizes it can run quickly and within its memory limit.
        if (IsFileDicom(&req, &fi, mode == 3 ? 0 : mode, ctx) == 100) {
            const DICOMDESC &d = ctx->dicomdesc;
            long long out = 1LL * d.rows * d.columns;
            out *= d.frames > 1 ? d.frames : 1;
            if (out <= (4LL << 20)) {
                if (mode == 3) {
                    DICOMSAMPLES raw;
                    IoReadDicomRaw(&req, &fi, &raw);
                } else {
                    IoReadDicom(&req, &fi);
                }
            }
        }
        if (fi.fbuf) MemFree(fi.fbuf, "fuzz");
        for (uint16_t *m : {fi.rmap, fi.gmap, fi.bmap})
            if (m) MemFree(m, "fuzz");
        DicomDataRelease(&fi);
        memset(&fi, 0, sizeof fi);
    }
    DicomCtxRelease(ctx);
    return 0;
}
