// JPEG-LS frames through CharLS over arbitrary bytes, into a store of exactly the frame's size.
#include "dicom/io_jls.h"
#include "fuzz_layout.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    DICOMJLSHEAD head;
    DICOMLAYOUT lay;
    if (!DicomJlsHeader(data, size, &head)) return 0;
    if (!FuzzLayout(head.w, head.h, head.comps, head.bits, false, &lay)) return 0;
    DICOMSAMPLES s;
    if (DicomSamplesCreate(&lay, &s) != 100) return 0;
    std::vector<uint8_t> rgb(size_t(lay.pixels) * 3);
    DicomJlsFrame(data, size, &lay, &s, 0, rgb.data());
    return 0;
}
