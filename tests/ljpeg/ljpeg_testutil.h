// Helpers for the lossless JPEG tests: the committed dcmtk vectors, and a small independent
// encoder for the streams dcmcjpeg does not write (restart intervals, chosen Huffman tables).
#pragma once

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

inline std::vector<uint8_t> LjReadFile(const std::string &path) {
    std::ifstream f(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), {});
}

inline std::string LjDataDir() {
    return std::string(DRAVIK_TEST_DATA) + "/ljpeg/";
}

struct LjVector {
    std::string name;
    int width, height, comps, bitsStored, bitsAllocated, isSigned;
};

inline std::vector<LjVector> LjVectors() {
    std::vector<LjVector> out;
    std::ifstream f(LjDataDir() + "vectors.txt");
    std::string line;
    while (std::getline(f, line)) {
        std::istringstream in(line);
        LjVector v;
        if (in >> v.name >> v.width >> v.height >> v.comps >> v.bitsStored >> v.bitsAllocated >>
            v.isSigned)
            out.push_back(v);
    }
    return out;
}

// The samples dcmdjpeg produced, cut to the frame's precision (it sign-extends signed data).
inline std::vector<uint16_t> LjExpected(const LjVector &v, int precision = 16) {
    std::vector<uint8_t> raw = LjReadFile(LjDataDir() + v.name + ".raw");
    std::vector<uint16_t> out;
    const uint32_t mask = (1u << precision) - 1;
    if (v.bitsAllocated == 8) {
        for (uint8_t b : raw)
            out.push_back(static_cast<uint16_t>(b & mask));
    } else {
        for (size_t i = 0; i + 1 < raw.size(); i += 2)
            out.push_back(static_cast<uint16_t>((raw[i] | raw[i + 1] << 8) & mask));
    }
    return out;
}

// A Huffman table for the encoder: counts per length and symbols in code order.
struct LjTable {
    std::vector<int> bits; // [1..16]
    std::vector<int> symbols;
};

// Every category with a 5-bit code.
inline LjTable LjTableFlat() {
    LjTable t{std::vector<int>(17, 0), {}};
    t.bits[5] = 17;
    for (int s = 0; s <= 16; s++)
        t.symbols.push_back(s);
    return t;
}

// Codes of 2 to 16 bits: categories 5 and up need the decoder's path for codes beyond 8 bits.
inline LjTable LjTableLong() {
    LjTable t{std::vector<int>(17, 0), {}};
    t.bits[2] = 2;
    for (int l = 3; l <= 15; l++)
        t.bits[l] = 1;
    t.bits[16] = 2;
    for (int s = 0; s <= 16; s++)
        t.symbols.push_back(s);
    return t;
}

struct LjEncodeParams {
    int width = 1, height = 1, comps = 1, precision = 8;
    int psv = 1, pt = 0;
    int restart = 0;             // in MCUs, 0 = none
    std::vector<LjTable> tables; // all in one DHT segment; defaults to one flat table
    std::vector<int> compTable;  // table per component; defaults to 0
};

class LjBitWriter {
  public:
    std::vector<uint8_t> &out;
    uint32_t acc = 0;
    int n = 0;
    explicit LjBitWriter(std::vector<uint8_t> &o) : out(o) {}
    void Put(uint32_t v, int len) {
        for (int i = len - 1; i >= 0; i--) {
            acc = acc << 1 | ((v >> i) & 1);
            if (++n == 8) Byte();
        }
    }
    void Flush() { // pad with one bits
        while (n)
            Put(1, 1);
    }

  private:
    void Byte() {
        out.push_back(static_cast<uint8_t>(acc));
        if ((acc & 0xFF) == 0xFF) out.push_back(0);
        acc = 0;
        n = 0;
    }
};

// Encodes samples (interleaved, full precision; the point transform drops low bits) following
// T.81 H.1: 2^(P-Pt-1) at the start of the scan and of each restart interval, the left sample
// along the rest of that first line, the sample above at the start of other lines.
inline std::vector<uint8_t> LjEncode(const std::vector<uint16_t> &samples, LjEncodeParams p) {
    if (p.tables.empty()) p.tables.push_back(LjTableFlat());
    if (p.compTable.empty()) p.compTable.assign(p.comps, 0);
    std::vector<uint8_t> o = {0xFF, 0xD8};
    auto put16 = [&o](int v) {
        o.push_back(static_cast<uint8_t>(v >> 8));
        o.push_back(static_cast<uint8_t>(v));
    };
    // Codes per table: canonical assignment by length.
    std::vector<std::vector<uint32_t>> code(p.tables.size(), std::vector<uint32_t>(17));
    std::vector<std::vector<int>> size(p.tables.size(), std::vector<int>(17));
    o.push_back(0xFF);
    o.push_back(0xC4);
    int dhtLen = 2;
    for (auto &t : p.tables)
        dhtLen += 17 + static_cast<int>(t.symbols.size());
    put16(dhtLen);
    for (size_t ti = 0; ti < p.tables.size(); ti++) {
        const LjTable &t = p.tables[ti];
        o.push_back(static_cast<uint8_t>(ti));
        for (int l = 1; l <= 16; l++)
            o.push_back(static_cast<uint8_t>(t.bits[l]));
        for (int s : t.symbols)
            o.push_back(static_cast<uint8_t>(s));
        uint32_t c = 0;
        size_t k = 0;
        for (int l = 1; l <= 16; l++, c <<= 1)
            for (int i = 0; i < t.bits[l]; i++, c++, k++) {
                code[ti][t.symbols[k]] = c;
                size[ti][t.symbols[k]] = l;
            }
    }
    if (p.restart) {
        o.insert(o.end(), {0xFF, 0xDD, 0x00, 0x04});
        put16(p.restart);
    }
    o.insert(o.end(), {0xFF, 0xC3});
    put16(8 + 3 * p.comps);
    o.push_back(static_cast<uint8_t>(p.precision));
    put16(p.height);
    put16(p.width);
    o.push_back(static_cast<uint8_t>(p.comps));
    for (int c = 0; c < p.comps; c++)
        o.insert(o.end(), {uint8_t(c + 1), 0x11, 0});
    o.insert(o.end(), {0xFF, 0xDA});
    put16(6 + 2 * p.comps);
    o.push_back(static_cast<uint8_t>(p.comps));
    for (int c = 0; c < p.comps; c++)
        o.insert(o.end(), {uint8_t(c + 1), uint8_t(p.compTable[c] << 4)});
    o.insert(o.end(), {uint8_t(p.psv), 0, uint8_t(p.pt)});

    LjBitWriter bw(o);
    const int w = p.width, n = p.comps;
    auto at = [&](int y, int x, int c) { return samples[(size_t(y) * w + x) * n + c] >> p.pt; };
    int rst = 0;
    for (int y = 0; y < p.height; y++)
        for (int x = 0; x < w; x++) {
            long m = long(y) * w + x;
            if (p.restart && m > 0 && m % p.restart == 0) {
                bw.Flush();
                o.insert(o.end(), {0xFF, uint8_t(0xD0 + rst)});
                rst = (rst + 1) & 7;
            }
            long start = p.restart ? m / p.restart * p.restart : 0;
            int sy = int(start / w), sx = int(start % w);
            for (int c = 0; c < n; c++) {
                int pred;
                if (y == sy && x == sx)
                    pred = 1 << (p.precision - p.pt - 1);
                else if (y == sy)
                    pred = at(y, x - 1, c);
                else if (x == 0)
                    pred = at(y - 1, x, c);
                else {
                    int ra = at(y, x - 1, c), rb = at(y - 1, x, c), rc = at(y - 1, x - 1, c);
                    const int preds[8] = {0,
                                          ra,
                                          rb,
                                          rc,
                                          ra + rb - rc,
                                          ra + ((rb - rc) >> 1),
                                          rb + ((ra - rc) >> 1),
                                          (ra + rb) >> 1};
                    pred = preds[p.psv];
                }
                int diff = (at(y, x, c) - pred) & 0xFFFF;
                if (diff > 32768) diff -= 65536;
                int s = 0;
                for (int a = diff < 0 ? -diff : diff; a; a >>= 1)
                    s++;
                int t = p.compTable[c];
                bw.Put(code[t][s], size[t][s]);
                if (s && s < 16) bw.Put(uint32_t(diff < 0 ? diff + (1 << s) - 1 : diff), s);
            }
        }
    bw.Flush();
    o.insert(o.end(), {0xFF, 0xD9});
    return o;
}

// A deterministic image of P-bit samples.
inline std::vector<uint16_t> LjImage(int w, int h, int comps, int precision, uint32_t seed) {
    std::vector<uint16_t> v(size_t(w) * h * comps);
    uint32_t x = seed * 2654435761u + 1;
    for (size_t i = 0; i < v.size(); i++) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        int smooth = int((i / comps) % w) * 37 + int(i / comps / w) * 11;
        v[i] = static_cast<uint16_t>((smooth + (x & 63)) & ((1u << precision) - 1));
    }
    return v;
}
