// The configuration reader over arbitrary bytes: every key lookup must stay inside the buffer
// and every value inside its variable.
#include "app/rc.h"
#include "base/xmem.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static bool init = false;
    if (!init) {
        ProgramResInit();
        init = true;
    }
    // An exact-size copy, so reading one byte past the end is caught.
    std::vector<char> buf(data, data + size);
    RcApplyBuffer(buf.data(), static_cast<long>(buf.size()));
    for (char *&slot : mainFileLastName) {
        if (slot) MemFree(slot, "rc");
        slot = nullptr;
    }
    return 0;
}
