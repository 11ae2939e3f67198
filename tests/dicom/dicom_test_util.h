// Helpers of the DICOM tests: byte builders for hand-made data sets, a reader that cleans up
// after itself, and dcmdump's recorded view of the committed vectors.
#pragma once

#include <gtest/gtest.h>

#include "base/settings.h"
#include "support/proc.h"
#include "base/xmem.h"
#include "dicom/io_dicom.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace dcmtest {

inline std::string DataPath(const std::string &name) {
    return std::string(DRAVIK_TEST_DATA) + "/" + name;
}

// Little-endian data set bytes, implicit VR unless an explicit VR is given.
struct DataSet {
    std::vector<uint8_t> b;

    void Tag(uint16_t g, uint16_t e) {
        b.push_back(g & 0xFF);
        b.push_back(g >> 8);
        b.push_back(e & 0xFF);
        b.push_back(e >> 8);
    }
    void U16(uint32_t v) {
        b.push_back(v & 0xFF);
        b.push_back((v >> 8) & 0xFF);
    }
    void U32(uint32_t v) {
        U16(v & 0xFFFF);
        U16(v >> 16);
    }
    void Bytes(const std::string &v) { b.insert(b.end(), v.begin(), v.end()); }
    DataSet &Implicit(uint16_t g, uint16_t e, const std::string &v) {
        Tag(g, e);
        U32(uint32_t(v.size()));
        Bytes(v);
        return *this;
    }
    DataSet &ImplicitUS(uint16_t g, uint16_t e, uint16_t v) {
        return Implicit(g, e, std::string{char(v & 0xFF), char(v >> 8)});
    }
    DataSet &Explicit(uint16_t g, uint16_t e, const char *vr, const std::string &v) {
        Tag(g, e);
        Bytes(std::string(vr, 2));
        static const char *const long_vr[] = {"OB", "OW", "SQ", "UN", "UT"};
        bool is_long = false;
        for (const char *l : long_vr)
            is_long = is_long || !strncmp(l, vr, 2);
        if (is_long) {
            U16(0);
            U32(uint32_t(v.size()));
        } else {
            U16(uint32_t(v.size()));
        }
        Bytes(v);
        return *this;
    }
    // A private element that brings the data set to `size` bytes.
    DataSet &PadTo(size_t size) {
        size_t n = size > b.size() + 8 ? size - b.size() - 8 : 0;
        return Implicit(0x0009, 0x1000, std::string(n, 'x'));
    }
};

// An implicit-VR image header; the caller adds what it needs and the pixel data.
inline DataSet ImageHeader(uint16_t rows, uint16_t cols, const std::string &photometric) {
    DataSet d;
    d.Implicit(0x0008, 0x0060, "OT");
    d.ImplicitUS(0x0028, 0x0002, 1);
    d.Implicit(0x0028, 0x0004, photometric);
    d.ImplicitUS(0x0028, 0x0010, rows);
    d.ImplicitUS(0x0028, 0x0011, cols);
    d.ImplicitUS(0x0028, 0x0100, 8);
    d.ImplicitUS(0x0028, 0x0101, 8);
    d.ImplicitUS(0x0028, 0x0102, 7);
    return d;
}

// A temporary file holding `bytes`, removed at the end.
struct TempFile : TempOut {
    explicit TempFile(const std::vector<uint8_t> &bytes) : TempOut(".dcm") {
        WriteWholeFile(path, bytes);
    }
};

// Releases what a read left in the record.
inline void FreeDicomRecord(FILEINFO *fi) {
    if (fi->fbuf) MemFree(fi->fbuf, "test");
    for (uint16_t *m : {fi->rmap, fi->gmap, fi->bmap})
        if (m) MemFree(m, "test");
    DicomDataRelease(fi);
}

// The test and the read (or probe) as the dispatch runs them; releases everything at the end.
struct DicomRead {
    FILEINFO fi{};
    FILEREQ req{};
    DICOMCTX *ctx = DicomCtxCreate(); // the records and descriptor of the read
    int test = 0;
    int result = 0;

    explicit DicomRead(const std::string &path, int mode = 0) : name(path) {
        IoRequestInit(&req, name.c_str());
        test = IsFileDicom(&req, &fi, mode, ctx);
        if (test != 100)
            result = test;
        else if (mode == IO_READ_PROBE)
            result = IoReadDicomProbe(&req, &fi, ctx);
        else
            result = IoReadDicom(&req, &fi, ctx);
    }
    DicomRead(const DicomRead &) = delete;
    DicomRead &operator=(const DicomRead &) = delete;
    ~DicomRead() {
        FreeDicomRecord(&fi);
        DicomCtxRelease(ctx);
    }
    template <class T> const T *Group(int g) const {
        void **table = DicomEntryTable(&fi);
        return table ? static_cast<const T *>(table[g]) : nullptr;
    }

  private:
    std::string name;
};

// Every cut of `bytes` from 1024 on in steps of `step`, and `rounds` copies with `flips` random
// bytes changed: each read ends with a picture or an error (the sanitizer build checks bounds).
inline void ExpectCutAndDamagedReadsEnd(const std::vector<uint8_t> &bytes, size_t step, int rounds,
                                        int flips, uint32_t seed) {
    for (size_t cut = 1024; cut < bytes.size(); cut += step) {
        DicomRead r(TempFile(std::vector<uint8_t>(bytes.begin(), bytes.begin() + long(cut))).path);
        EXPECT_TRUE(r.result == 100 || r.result == -103 || r.result == -111) << cut;
    }
    for (int round = 0; round < rounds; round++) {
        std::vector<uint8_t> damaged = bytes;
        for (int k = 0; k < flips; k++) {
            seed = seed * 1103515245u + 12345u;
            damaged[(seed >> 8) % damaged.size()] = uint8_t(seed >> 24);
        }
        DicomRead r(TempFile(damaged).path);
        EXPECT_TRUE(r.result == 100 || r.result < 0) << round;
    }
}

// Sets the Hounsfield configuration for one test and restores it.
struct HounsfieldScope {
    int use = HounsfieldUse, lo = HounsfieldMin, hi = HounsfieldMax;
    HounsfieldScope(int u, int l, int h) {
        HounsfieldUse = u, HounsfieldMin = l, HounsfieldMax = h;
    }
    ~HounsfieldScope() { HounsfieldUse = use, HounsfieldMin = lo, HounsfieldMax = hi; }
};

// One top-level element of a dcmdump listing: its value text ([...] contents or the word after
// the VR) and the length from the "# N," column.
struct DumpValue {
    bool found = false;
    std::string value;
    long length = -1;
};

inline DumpValue DumpFind(const std::string &dumpname, const std::string &tag) {
    std::ifstream in(DataPath(dumpname));
    std::string line;
    DumpValue v;
    while (std::getline(in, line)) {
        if (line.compare(0, tag.size(), tag) != 0) continue;
        v.found = true;
        size_t open = line.find('[');
        size_t hash = line.rfind('#');
        if (open != std::string::npos && open < hash) {
            v.value = line.substr(open + 1, line.find(']', open) - open - 1);
        } else {
            std::istringstream words(line.substr(tag.size()));
            std::string vr;
            words >> vr >> v.value;
        }
        std::istringstream len(line.substr(hash + 1));
        len >> v.length;
        return v;
    }
    return v;
}

} // namespace dcmtest
