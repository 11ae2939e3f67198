// Lossless JPEG test helpers: the committed dcmtk vectors, and a small independent encoder for
// the streams dcmcjpeg does not write (restart intervals, chosen Huffman tables).
#pragma once

#include "support/proc.h"

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

inline std::string LjDataDir() {
    return std::string(DRAVIK_TEST_DATA) + "/ljpeg/";
}

// A line of vectors.txt: name width height components bits_stored bits_allocated signed.
struct LjVector {
    std::string name;
    int width, height, comps, bitsStored, bitsAllocated, isSigned;
};

inline std::vector<LjVector> LjVectors() {
    std::vector<LjVector> out;
    std::ifstream f(LjDataDir() + "vectors.txt");
    LjVector v;
    while (f >> v.name >> v.width >> v.height >> v.comps >> v.bitsStored >> v.bitsAllocated >>
           v.isSigned)
        out.push_back(v);
    return out;
}

// The samples dcmdjpeg produced, cut to the frame's precision (it sign-extends signed data).
inline std::vector<uint16_t> LjExpected(const LjVector &v, int precision) {
    std::vector<uint8_t> raw = ReadFileBytes(LjDataDir() + v.name + ".raw");
    std::vector<uint16_t> out;
    const int step = v.bitsAllocated / 8;
    for (size_t i = 0; i + step <= raw.size(); i += step)
        out.push_back(
            uint16_t((raw[i] | (step == 2 ? raw[i + 1] << 8 : 0)) & ((1 << precision) - 1)));
    return out;
}

// Code lengths 1..16 and the symbols in code order.
struct LjTable {
    std::vector<int> bits, symbols;
};
// Every category with a 5-bit code.
inline LjTable LjTableFlat() {
    LjTable t{std::vector<int>(17), {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}};
    t.bits[5] = 17;
    return t;
}
// Codes of 2 to 16 bits, so categories 5 and up take the decoder's path for long codes; the
// all-ones codes stay unused.
inline LjTable LjTableLong() {
    LjTable t = LjTableFlat();
    t.bits = {0, 0, 2, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 2};
    return t;
}

struct LjEncodeParams {
    int width = 1, height = 1, comps = 1, precision = 8, psv = 1, pt = 0;
    int restart = 0;             // in MCUs, 0 = none
    std::vector<LjTable> tables; // all in one DHT segment; default one flat table
    std::vector<int> compTable;  // table per component; default 0
};

// Encodes interleaved samples following T.81 H.1: 2^(P-Pt-1) at the start of the scan and of
// each restart interval, the left sample along the rest of that first line, the sample above at
// the start of every other line.
inline std::vector<uint8_t> LjEncode(const std::vector<uint16_t> &img, LjEncodeParams p) {
    if (p.tables.empty()) p.tables.push_back(LjTableFlat());
    if (p.compTable.empty()) p.compTable.assign(p.comps, 0);
    std::vector<uint8_t> o = {0xFF, 0xD8, 0xFF, 0xC4};
    auto put16 = [&o](int v) { o.insert(o.end(), {uint8_t(v >> 8), uint8_t(v)}); };
    put16(2 + int(p.tables.size()) * 34);
    std::vector<std::vector<uint32_t>> code(p.tables.size(), std::vector<uint32_t>(17));
    std::vector<std::vector<int>> size(p.tables.size(), std::vector<int>(17));
    for (size_t ti = 0; ti < p.tables.size(); ti++) {
        const LjTable &t = p.tables[ti];
        o.push_back(uint8_t(ti));
        o.insert(o.end(), t.bits.begin() + 1, t.bits.end());
        o.insert(o.end(), t.symbols.begin(), t.symbols.end());
        uint32_t c = 0;
        for (int l = 1, k = 0; l <= 16; l++, c <<= 1)
            for (int i = 0; i < t.bits[l]; i++, c++, k++)
                code[ti][t.symbols[k]] = c, size[ti][t.symbols[k]] = l;
    }
    if (p.restart)
        o.insert(o.end(), {0xFF, 0xDD, 0, 4, uint8_t(p.restart >> 8), uint8_t(p.restart)});
    o.insert(o.end(), {0xFF, 0xC3});
    put16(8 + 3 * p.comps);
    o.push_back(uint8_t(p.precision));
    put16(p.height);
    put16(p.width);
    o.push_back(uint8_t(p.comps));
    for (int c = 0; c < p.comps; c++)
        o.insert(o.end(), {uint8_t(c + 1), 0x11, 0});
    o.insert(o.end(), {0xFF, 0xDA});
    put16(6 + 2 * p.comps);
    o.push_back(uint8_t(p.comps));
    for (int c = 0; c < p.comps; c++)
        o.insert(o.end(), {uint8_t(c + 1), uint8_t(p.compTable[c] << 4)});
    o.insert(o.end(), {uint8_t(p.psv), 0, uint8_t(p.pt)});

    uint32_t acc = 0;
    int nbits = 0;
    auto put = [&](uint32_t v, int len) {
        for (int i = len - 1; i >= 0; i--) {
            acc = acc << 1 | ((v >> i) & 1);
            if (++nbits < 8) continue;
            o.push_back(uint8_t(acc));
            if (uint8_t(acc) == 0xFF) o.push_back(0);
            acc = 0, nbits = 0;
        }
    };
    auto flush = [&] { put(0x7F, (8 - nbits) & 7); };
    const int w = p.width, n = p.comps;
    auto at = [&](int y, int x, int c) { return img[(size_t(y) * w + x) * n + c] >> p.pt; };
    for (long m = 0, rst = 0; m < long(w) * p.height; m++) {
        if (p.restart && m > 0 && m % p.restart == 0) {
            flush();
            o.insert(o.end(), {0xFF, uint8_t(0xD0 + (rst++ & 7))});
        }
        const int y = int(m / w), x = int(m % w);
        const long start = p.restart ? m / p.restart * p.restart : 0;
        for (int c = 0; c < n; c++) {
            int pred;
            if (m == start)
                pred = 1 << (p.precision - p.pt - 1);
            else if (y == start / w)
                pred = at(y, x - 1, c);
            else if (x == 0)
                pred = at(y - 1, x, c);
            else {
                int ra = at(y, x - 1, c), rb = at(y - 1, x, c), rc = at(y - 1, x - 1, c);
                const int pr[8] = {0,
                                   ra,
                                   rb,
                                   rc,
                                   ra + rb - rc,
                                   ra + ((rb - rc) >> 1),
                                   rb + ((ra - rc) >> 1),
                                   (ra + rb) >> 1};
                pred = pr[p.psv];
            }
            int diff = (at(y, x, c) - pred) & 0xFFFF, s = 0;
            if (diff > 32768) diff -= 65536;
            for (int a = diff < 0 ? -diff : diff; a; a >>= 1)
                s++;
            put(code[p.compTable[c]][s], size[p.compTable[c]][s]);
            if (s && s < 16) put(uint32_t(diff < 0 ? diff + (1 << s) - 1 : diff), s);
        }
    }
    flush();
    o.insert(o.end(), {0xFF, 0xD9});
    return o;
}

// A smooth ramp with noise, P-bit samples.
inline std::vector<uint16_t> LjImage(int w, int h, int comps, int precision, uint32_t seed) {
    std::vector<uint16_t> v(size_t(w) * h * comps);
    uint32_t x = seed * 2654435761u + 1;
    for (size_t i = 0; i < v.size(); i++) {
        x ^= x << 13, x ^= x >> 17, x ^= x << 5;
        int ramp = int((i / comps) % w) * 37 + int(i / comps / w) * 11;
        v[i] = uint16_t((ramp + (x & 63)) & ((1u << precision) - 1));
    }
    return v;
}
