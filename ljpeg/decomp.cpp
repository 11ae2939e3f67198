#include "ljpeg/decomp.h"

#include "ljpeg/huffd.h"
#include "ljpeg/mcu.h"
#include "ljpeg/read.h"
#include "ljpeg/util.h"

#include <cstring>
#include <memory>

static void FrameInfoFill(const DecompressInfo *dc, LJPEGINFO *info, int scanRead) {
    info->width = dc->imageWidth;
    info->height = dc->imageHeight;
    info->components = dc->numComponents;
    info->precision = dc->dataPrecision;
    info->predictor = scanRead ? dc->Ss : -1;
    info->pointTransform = scanRead ? dc->Pt : 0;
    info->restartInterval = dc->restartInterval;
}

// Zeroed record over the frame's bytes. The record is large (four tables), so it lives on the
// heap rather than on a worker thread's stack.
static std::unique_ptr<DecompressInfo> DecompressInfoNew(const uint8_t *data, size_t len) {
    std::unique_ptr<DecompressInfo> dc(new (std::nothrow) DecompressInfo());
    if (!dc) return dc;
    dc->data = data;
    dc->len = len;
    return dc;
}

int decompFrameInfo(const uint8_t *data, size_t len, LJPEGINFO *info) {
    if (!data || !info) return LJPEG_ERR_ARG;
    memset(info, 0, sizeof *info);
    info->predictor = -1;
    std::unique_ptr<DecompressInfo> dc = DecompressInfoNew(data, len);
    if (!dc) return LJPEG_ERR_MEMORY;
    int rc = ReadFileHeader(dc.get());
    int scan = rc == LJPEG_OK ? ReadScanHeader(dc.get()) : 0;
    FrameInfoFill(dc.get(), info, scan == 1);
    if (rc < 0) return rc;
    if (scan < 0) return scan;
    return LJPEG_OK;
}

int decompFrame(const uint8_t *data, size_t len, uint16_t *store, size_t capacity,
                LJPEGINFO *info) {
    if (!data || !store || !info) return LJPEG_ERR_ARG;
    memset(info, 0, sizeof *info);
    info->predictor = -1;
    std::unique_ptr<DecompressInfo> dc = DecompressInfoNew(data, len);
    if (!dc) return LJPEG_ERR_MEMORY;

    int rc = ReadFileHeader(dc.get());
    FrameInfoFill(dc.get(), info, 0);
    if (rc < 0) return rc;

    // At most 65535 x 65535 x 4 samples: fits size_t, not int.
    const size_t samples = static_cast<size_t>(dc->imageWidth) * dc->imageHeight *
                           static_cast<size_t>(dc->numComponents);
    if (samples > capacity) {
        LjpegWarn("Frame of %dx%dx%d samples does not fit a store of %zu", dc->imageWidth,
                  dc->imageHeight, dc->numComponents, capacity);
        return LJPEG_ERR_STORE;
    }
    // Components that no scan covers read as 0.
    memset(store, 0, samples * sizeof *store);
    dc->store = store;
    dc->storeCap = capacity;

    int result = LJPEG_OK;
    // Each component belongs to one scan, so a frame has at most that many.
    while (dc->scansDone < dc->numComponents) {
        int scan = ReadScanHeader(dc.get());
        if (scan < 0) {
            result = dc->scansDone ? LJPEG_DAMAGED : scan;
            break;
        }
        if (scan == 0) {
            if (!dc->scansDone) {
                LjpegWarn("File(JPEG) is empty\n");
                result = LJPEG_ERR_DATA;
            }
            break;
        }
        if (!dc->scansDone) FrameInfoFill(dc.get(), info, 1);
        rc = DecoderStructInit(dc.get());
        if (rc >= 0) rc = HuffDecoderInit(dc.get());
        if (rc >= 0) rc = DecodeImage(dc.get());
        FreeArray2D(dc.get());
        if (rc < 0) {
            result = dc->scansDone ? LJPEG_DAMAGED : rc;
            break;
        }
        if (rc == LJPEG_DAMAGED) result = LJPEG_DAMAGED;
        dc->scansDone++;
    }
    return result;
}
