// 12-bit JPEG frames through the 12-bit IJG build over arbitrary bytes, into a store of exactly
// the frame's size.
#include "dicom/io_jpeg12.h"
#include "fuzz_layout.h"
#include "image/io_jpg12.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    int w, h, comps;
    DICOMLAYOUT lay;
    if (Jpg12Header(data, size, &w, &h, &comps) != 100) return 0;
    if (!FuzzLayout(w, h, comps, 12, false, &lay)) return 0;
    DICOMSAMPLES s;
    if (DicomSamplesCreate(&lay, &s) != 100) return 0;
    std::vector<uint8_t> rgb(size_t(lay.pixels) * 3);
    DicomJpeg12Frame(data, size, &lay, &s, 0, rgb.data());
    return 0;
}
