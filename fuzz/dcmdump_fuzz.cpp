// The header listing over arbitrary bytes: whatever the file claims, every row stays inside its
// record (a value text ends within its buffer), the rows never pass their cap, and the listing
// releases what it took.
#include "dicom/io_dcmdump.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    // An exact-size copy, so a read past the end is caught.
    std::vector<uint8_t> bytes(data, data + size);
    DCMDUMP d{};
    int rc = DcmDumpBuffer(bytes.data(), long(bytes.size()), &d);
    if (rc != 100 && rc != -111 && rc != -8) abort();
    if (d.count < 0 || d.count > DCMDUMP_ROWS + 1) abort();
    char line[512];
    for (int i = 0; i < d.count; i++) {
        if (strnlen(d.row[i].value, sizeof d.row[i].value) >= sizeof d.row[i].value) abort();
        DcmDumpRowText(&d.row[i], DCMDUMP_TEXT_LIST, line, sizeof line);
        if (strnlen(line, sizeof line) >= sizeof line) abort();
    }
    DcmDumpRelease(&d);
    return 0;
}
