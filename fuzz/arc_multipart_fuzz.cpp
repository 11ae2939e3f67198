// The multipart/related reader of retrievals: the first byte picks the chunk size, the rest is
// the body. Parts never exceed the limit, and any chunking gives what one piece gives.
#include "archive/arc_multipart.h"

#include <cstdlib>
#include <string>
#include <vector>

namespace {

const long long PART_LIMIT = 4096;

struct Parts {
    std::vector<std::string> done;
    std::string cur;
    bool open = false;
};

MPSINK Sink(Parts *p) {
    return MPSINK{p,
                  [](void *c, long long len) {
                      auto *p = static_cast<Parts *>(c);
                      if (p->open || len > PART_LIMIT) abort();
                      p->open = true;
                      p->cur.clear();
                      return 0;
                  },
                  [](void *c, const uint8_t *d, size_t n) {
                      auto *p = static_cast<Parts *>(c);
                      if (!p->open) abort();
                      p->cur.append(reinterpret_cast<const char *>(d), n);
                      if ((long long)p->cur.size() > PART_LIMIT) abort();
                      return 0;
                  },
                  [](void *c) {
                      auto *p = static_cast<Parts *>(c);
                      if (!p->open) abort();
                      p->open = false;
                      p->done.push_back(p->cur);
                      return 0;
                  }};
}

int Run(const uint8_t *data, size_t size, size_t step, Parts *parts) {
    MPPARSER mp;
    MpInit(&mp, "b0und", PART_LIMIT, Sink(parts));
    for (size_t at = 0; at < size; at += step) {
        int rc = MpFeed(&mp, data + at, std::min(step, size - at));
        if (rc) return rc;
    }
    return MpFinish(&mp);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 1) return 0;
    size_t step = 1 + data[0] % 17;
    std::string b;
    std::string ctype(reinterpret_cast<const char *>(data + 1), std::min<size_t>(size - 1, 200));
    if (MpBoundary(ctype.c_str(), &b) == 0 && (b.empty() || b.size() > MP_BOUNDARY_MAX)) abort();
    Parts whole, chunked;
    int a = Run(data + 1, size - 1, size, &whole);
    int c = Run(data + 1, size - 1, step, &chunked);
    if (a != c || whole.done != chunked.done) abort();
    return 0;
}
