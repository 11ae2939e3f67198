// A streaming reader of multipart/related bodies (RFC 2046), as WADO-RS answers come: fed the
// bytes as they arrive, it hands each part's data to the caller without holding the part.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

enum {
    MP_BOUNDARY_MAX = 70,       // RFC 2046
    MP_HEADERS_MAX = 16 << 10,  // the header block of one part
    MP_PREAMBLE_MAX = 64 << 10, // bytes before the first boundary
};

// The caller's side: each returns 0 to go on, non-zero to stop the parse (MpFeed then returns
// that value). `length` is the part's declared Content-Length, -1 when it has none.
struct MPSINK {
    void *ctx;
    int (*begin)(void *ctx, long long length);
    int (*data)(void *ctx, const uint8_t *p, size_t n);
    int (*end)(void *ctx);
};

struct MPPARSER {
    std::string delim; // "\r\n--" boundary
    int state;
    std::string held; // bytes not yet decided on (a possible delimiter, a header block)
    size_t pos;       // first unconsumed byte of held
    long long partmax;
    long long left;  // bytes of a declared part length still to come; -1 when none was declared
    long long taken; // bytes of the current part so far
    long long preamble;
    int parts;
    MPSINK sink;
    std::string err;
};

// The boundary parameter of a Content-Type value: 0, or -1 when the type is not multipart/related
// or the boundary is missing, empty, longer than MP_BOUNDARY_MAX or holds unallowed characters.
int MpBoundary(const char *content_type, std::string *boundary);

// Starts a parse; parts longer than `partmax` bytes (declared or counted) are refused.
void MpInit(MPPARSER *mp, const std::string &boundary, long long partmax, const MPSINK &sink);
// 0 when the bytes were taken; -1 on malformed data or a part over the limit (mp->err says
// which); a sink's non-zero value as is.
int MpFeed(MPPARSER *mp, const uint8_t *p, size_t n);
// After the last byte: 0 when the closing delimiter was seen, -1 otherwise (a cut answer).
int MpFinish(MPPARSER *mp);
