// Implicit-VR little-endian DICOM elements for the benchmarks' generated files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

inline void Put16(std::vector<uint8_t> &b, unsigned v) {
    b.push_back(v & 0xFF);
    b.push_back(v >> 8 & 0xFF);
}

inline void Element(std::vector<uint8_t> &b, unsigned g, unsigned e, const std::string &v) {
    Put16(b, g);
    Put16(b, e);
    Put16(b, unsigned(v.size()));
    Put16(b, unsigned(v.size() >> 16));
    b.insert(b.end(), v.begin(), v.end());
}

inline std::string Us(unsigned v) {
    return std::string{char(v & 0xFF), char(v >> 8)};
}
