#include "archive/arc_multipart.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <strings.h>

namespace {

enum {
    MP_PREAMBLE, // before the first "--boundary"
    MP_AFTER,    // after a delimiter: "--" closes, CRLF opens a part
    MP_HEADERS,
    MP_BODY,
    MP_DONE,
    MP_FAILED,
};

int Fail(MPPARSER *mp, const std::string &why) {
    mp->err = why;
    mp->state = MP_FAILED;
    return -1;
}

bool BoundaryChar(char c) {
    return isalnum(static_cast<unsigned char>(c)) || strchr("'()+_,-./:=? ", c);
}

// Content-Length of a header block, -1 when there is none, -2 when it is not a number.
long long PartLength(const std::string &headers) {
    size_t at = 0;
    while (at < headers.size()) {
        size_t eol = headers.find("\r\n", at);
        if (eol == std::string::npos) eol = headers.size();
        const char *line = headers.c_str() + at;
        if (eol - at > 15 && !strncasecmp(line, "content-length:", 15)) {
            const char *p = line + 15;
            const char *end = headers.c_str() + eol;
            while (p < end && (*p == ' ' || *p == '\t'))
                p++;
            if (p == end) return -2;
            long long v = 0;
            for (; p < end && *p != ' ' && *p != '\t'; p++) {
                if (!isdigit(static_cast<unsigned char>(*p)) || v > (1LL << 50)) return -2;
                v = v * 10 + (*p - '0');
            }
            return v;
        }
        at = eol + 2;
    }
    return -1;
}

} // namespace

int MpBoundary(const char *content_type, std::string *boundary) {
    boundary->clear();
    if (!content_type) return -1;
    const char *p = content_type;
    while (*p == ' ')
        p++;
    if (strncasecmp(p, "multipart/related", 17) != 0) return -1;
    for (p += 17; *p;) {
        const char *semi = strchr(p, ';');
        if (!semi) break;
        p = semi + 1;
        while (*p == ' ' || *p == '\t')
            p++;
        if (strncasecmp(p, "boundary=", 9) != 0) continue;
        p += 9;
        std::string b;
        if (*p == '"') {
            const char *q = strchr(p + 1, '"');
            if (!q) return -1;
            b.assign(p + 1, size_t(q - p - 1));
        } else {
            size_t len = strcspn(p, "; \t\r\n");
            b.assign(p, len);
        }
        if (b.empty() || b.size() > MP_BOUNDARY_MAX || b.back() == ' ') return -1;
        for (char c : b)
            if (!BoundaryChar(c)) return -1;
        *boundary = b;
        return 0;
    }
    return -1;
}

void MpInit(MPPARSER *mp, const std::string &boundary, long long partmax, const MPSINK &sink) {
    // The first boundary may open the body without a line break before it: the parse starts
    // as if one had been seen.
    mp->delim = "\r\n--" + boundary;
    mp->state = MP_PREAMBLE;
    mp->held = "\r\n";
    mp->pos = 0;
    mp->partmax = partmax;
    mp->left = -1;
    mp->taken = 0;
    mp->preamble = 0;
    mp->parts = 0;
    mp->sink = sink;
    mp->err.clear();
}

int MpFeed(MPPARSER *mp, const uint8_t *p, size_t n) {
    if (mp->state == MP_FAILED) return -1;
    if (mp->state == MP_DONE) return 0; // the epilogue is ignored
    // Bytes are appended once and consumed by a cursor, so many small parts in one chunk cost
    // no more than one large one.
    mp->held.erase(0, mp->pos);
    mp->pos = 0;
    if (mp->state == MP_PREAMBLE) mp->preamble += static_cast<long long>(n);
    mp->held.append(reinterpret_cast<const char *>(p), n);
    const std::string &d = mp->delim;
    for (;;) {
        const char *h = mp->held.data() + mp->pos;
        size_t avail = mp->held.size() - mp->pos;
        switch (mp->state) {
        case MP_PREAMBLE: {
            const void *hit = memmem(h, avail, d.data(), d.size());
            if (!hit) {
                if (mp->preamble > MP_PREAMBLE_MAX)
                    return Fail(mp, "no multipart boundary in the first bytes");
                mp->pos += avail - std::min(avail, d.size() - 1);
                return 0;
            }
            mp->pos += size_t(static_cast<const char *>(hit) - h) + d.size();
            mp->state = MP_AFTER;
            break;
        }
        case MP_AFTER: {
            if (avail >= 2 && h[0] == '-' && h[1] == '-') {
                mp->state = MP_DONE;
                mp->pos = mp->held.size();
                return 0;
            }
            // Transport padding (spaces, tabs) may follow a delimiter before its line break.
            size_t pad = 0;
            while (pad < avail && (h[pad] == ' ' || h[pad] == '\t'))
                pad++;
            if (pad > 256) return Fail(mp, "malformed multipart delimiter");
            if (avail < pad + 2) return 0;
            if (h[pad] != '\r' || h[pad + 1] != '\n')
                return Fail(mp, "malformed multipart delimiter");
            mp->pos += pad + 2;
            mp->state = MP_HEADERS;
            break;
        }
        case MP_HEADERS: {
            size_t len = 0, skip = 2;
            if (avail < 2) return 0;
            if (h[0] != '\r' || h[1] != '\n') {
                const void *hit = memmem(h, avail, "\r\n\r\n", 4);
                if (!hit && avail > MP_HEADERS_MAX)
                    return Fail(mp, "a multipart part header longer than " +
                                        std::to_string(MP_HEADERS_MAX) + " bytes");
                if (!hit) return 0;
                len = size_t(static_cast<const char *>(hit) - h);
                skip = 4;
                if (len > MP_HEADERS_MAX)
                    return Fail(mp, "a multipart part header longer than " +
                                        std::to_string(MP_HEADERS_MAX) + " bytes");
            }
            long long declared = PartLength(std::string(h, len));
            mp->pos += len + skip;
            if (declared == -2) return Fail(mp, "a part's Content-Length is not a number");
            if (declared > mp->partmax)
                return Fail(mp, "a part declares " + std::to_string(declared) +
                                    " bytes, more than the limit of " +
                                    std::to_string(mp->partmax));
            mp->left = declared;
            mp->taken = 0;
            mp->parts++;
            int rc = mp->sink.begin(mp->sink.ctx, declared);
            if (rc) return rc;
            mp->state = MP_BODY;
            break;
        }
        case MP_BODY: {
            if (mp->left < 0) {
                // No declared length: the delimiter ends the part; the last bytes are held back
                // while they may be its start.
                const void *hit = memmem(h, avail, d.data(), d.size());
                size_t give = hit ? size_t(static_cast<const char *>(hit) - h)
                                  : avail - std::min(avail, d.size() - 1);
                if (mp->taken + static_cast<long long>(give) > mp->partmax)
                    return Fail(mp, "a part larger than " + std::to_string(mp->partmax) + " bytes");
                if (give) {
                    int rc =
                        mp->sink.data(mp->sink.ctx, reinterpret_cast<const uint8_t *>(h), give);
                    if (rc) return rc;
                    mp->taken += static_cast<long long>(give);
                    mp->pos += give;
                }
                if (!hit) return 0;
                mp->pos += d.size();
            } else {
                if (mp->left > 0) {
                    size_t k = static_cast<size_t>(std::min<long long>(mp->left, (long long)avail));
                    if (k) {
                        int rc =
                            mp->sink.data(mp->sink.ctx, reinterpret_cast<const uint8_t *>(h), k);
                        if (rc) return rc;
                    }
                    mp->left -= static_cast<long long>(k);
                    mp->taken += static_cast<long long>(k);
                    mp->pos += k;
                    if (mp->left > 0) return 0;
                    h += k;
                    avail -= k;
                }
                if (avail < d.size()) return 0;
                if (memcmp(h, d.data(), d.size()) != 0)
                    return Fail(mp, "a part is longer than its Content-Length");
                mp->pos += d.size();
            }
            int rc = mp->sink.end(mp->sink.ctx);
            if (rc) return rc;
            mp->state = MP_AFTER;
            break;
        }
        default:
            return mp->state == MP_DONE ? 0 : -1;
        }
    }
}

int MpFinish(MPPARSER *mp) {
    if (mp->state == MP_DONE) return 0;
    if (mp->state != MP_FAILED) mp->err = "the answer ends inside a multipart body";
    mp->state = MP_FAILED;
    return -1;
}
