// The archives file, as a user may write it by hand.
#include "archive/arc_conf.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    std::vector<ARCHIVE> list;
    std::string err;
    if (ArcConfParse(reinterpret_cast<const char *>(data), size, &list, &err) != 0) {
        if (err.empty()) abort();
        return 0;
    }
    if (list.size() > ARC_CONF_MAX_ENTRIES) abort();
    for (const ARCHIVE &a : list) {
        if (a.url.compare(0, 7, "http://") != 0 && a.url.compare(0, 8, "https://") != 0) abort();
        ARCHIVE scratch;
        if (ArcConfFind(list, a.name, &scratch) == nullptr) abort();
        ArcUrlRedact(a.url);
    }
    return 0;
}
