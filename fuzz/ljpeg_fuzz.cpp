// Lossless JPEG decoder over arbitrary bytes: the header probe, then a decode into a store of
// exactly the frame's size, so any write past the frame is caught.
#include "ljpeg/decomp.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    LJPEGINFO info;
    if (decompFrameInfo(data, size, &info) != LJPEG_OK) return 0;
    const size_t samples = static_cast<size_t>(info.width) * info.height * info.components;
    // Large frames decode just as small ones; keep each run short.
    if (samples > (1u << 20)) return 0;
    std::vector<uint16_t> store(samples);
    decompFrame(data, size, store.data(), store.size(), &info);
    if (samples > 1) decompFrame(data, size, store.data(), samples - 1, &info);
    return 0;
}
