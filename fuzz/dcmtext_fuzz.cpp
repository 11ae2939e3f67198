// The DICOM text converter over arbitrary bytes: the first byte picks a character set, the rest
// is the value. The result must be valid UTF-8 inside its buffer, whatever the escapes say.
#include "base/utf8.h"
#include "dicom/io_dcmtext.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static const char *const sets[] = {"",
                                       "ISO_IR 100",
                                       "ISO_IR 192",
                                       "GB18030",
                                       "ISO_IR 13",
                                       "\\ISO 2022 IR 87",
                                       "\\ISO 2022 IR 149",
                                       "\\ISO 2022 IR 58",
                                       "ISO 2022 IR 13\\ISO 2022 IR 87",
                                       "ISO 2022 IR 100",
                                       "ISO_IR 166",
                                       "ISO_IR 999"};
    if (size < 2) return 0;
    const char *set = sets[data[0] % (sizeof sets / sizeof *sets)];
    int kind = 1 + (data[1] % 3);
    size_t room = 1 + data[1] % 64;
    // Exact-size copies, so a read past either end is caught.
    std::vector<uint8_t> value(data + 2, data + size);
    std::vector<char> out(room);
    int r = DcmTextToUtf8(set, value.data(), value.size(), kind, out.data(), out.size());
    if (r < 0) abort();
    size_t n = strnlen(out.data(), out.size());
    if (n >= out.size() || !Utf8Valid(out.data(), n)) abort();
    std::vector<char> name(room);
    DcmTextPersonName(out.data(), name.data(), name.size());
    if (!Utf8Valid(name.data(), strnlen(name.data(), name.size()))) abort();
    return 0;
}
