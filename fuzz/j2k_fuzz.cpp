// JPEG 2000 frames (raw codestreams and JP2 files) through OpenJPEG over arbitrary bytes, into a
// store of exactly the frame's size.
#include "dicom/io_j2k.h"
#include "fuzz_layout.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    DICOMJ2KHEAD head;
    DICOMLAYOUT lay;
    if (!DicomJ2kHeader(data, size, &head)) return 0;
    if (!FuzzLayout(int(head.w), int(head.h), head.comps, head.prec, head.sign, &lay)) return 0;
    DICOMSAMPLES s;
    if (DicomSamplesCreate(&lay, &s) != 100) return 0;
    std::vector<uint8_t> rgb(size_t(lay.pixels) * 3);
    int sign;
    DicomJ2kFrame(data, size, &lay, &s, 0, rgb.data(), &sign);
    return 0;
}
