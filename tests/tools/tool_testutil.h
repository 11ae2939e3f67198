// Helpers of the dravik-tool tests: running the tool, its PNM output, the oracles' raw samples.
#pragma once

#include "support/proc.h"

#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <string>
#include <vector>

inline ToolResult Tool(std::vector<std::string> args) {
    args.insert(args.begin(), DRAVIK_TOOL_BIN);
    return RunTool(args);
}

// The size of a file, -1 when there is none.
inline long FileSize(const std::string &path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 ? long(st.st_size) : -1;
}

// Consecutive binary PGM or PPM images of one file.
struct Pnm {
    int w = 0, h = 0, max = 0;
    std::vector<uint32_t> px;
};
inline std::vector<Pnm> ReadPnms(const std::string &path) {
    std::vector<uint8_t> b = ReadFileBytes(path);
    b.push_back(0);
    std::vector<Pnm> out;
    size_t pos = 0;
    while (pos + 1 < b.size()) {
        Pnm p;
        int n = 0;
        char magic[3] = {};
        if (sscanf(reinterpret_cast<const char *>(b.data()) + pos, "%2s %d %d %d%n", magic, &p.w,
                   &p.h, &p.max, &n) != 4 ||
            (strcmp(magic, "P5") && strcmp(magic, "P6")))
            break;
        pos += size_t(n) + 1;
        const size_t bytes = p.max > 255 ? 2 : 1;
        for (long i = 0; i < long(p.w) * p.h * (magic[1] == '6' ? 3 : 1) && pos + bytes < b.size();
             i++, pos += bytes)
            p.px.push_back(bytes == 2 ? uint32_t(b[pos] << 8 | b[pos + 1]) : b[pos]);
        out.push_back(p);
    }
    return out;
}
// The samples of every image in file order.
inline std::vector<uint32_t> ReadPnmSamples(const std::string &path, int *images = nullptr) {
    std::vector<uint32_t> all;
    std::vector<Pnm> pnms = ReadPnms(path);
    for (const Pnm &p : pnms)
        all.insert(all.end(), p.px.begin(), p.px.end());
    if (images) *images = int(pnms.size());
    return all;
}

// An oracle's decoded little-endian words as stored values of `bits` bits, at most `count`;
// signed ones as the 16-bit two's-complement words of their values.
inline std::vector<uint32_t> RawStored(const std::string &path, int bytes, int bits, bool sign,
                                       size_t count = size_t(-1)) {
    std::vector<uint8_t> raw = ReadFileBytes(path);
    const uint32_t mask = bits >= 32 ? 0xFFFFFFFFu : (1u << bits) - 1;
    std::vector<uint32_t> v;
    for (size_t i = 0; i + size_t(bytes) <= raw.size() && v.size() < count; i += size_t(bytes)) {
        uint32_t p = 0;
        for (int k = bytes - 1; k >= 0; k--)
            p = p << 8 | raw[i + size_t(k)];
        p &= mask;
        if (sign && p >> (bits - 1)) p = (p | ~mask) & 0xFFFF;
        v.push_back(p);
    }
    return v;
}
