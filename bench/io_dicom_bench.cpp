// Header parsing cost: every dictionary row is a scan of the header bytes, the FFFE rows and the
// pixel-data search a scan of the whole file, twice per file (test and read).
#include <benchmark/benchmark.h>

#include "dicom_elements.h"

#include "base/xmem.h"
#include "dicom/io_dicom.h"

#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// An implicit-VR CT-sized image: 512 x 512 samples of 16 bits.
std::string MakeCt() {
    std::vector<uint8_t> b(128, 0);
    Element(b, 0x0008, 0x0060, "CT");
    Element(b, 0x0010, 0x0010, "Bench^Mark");
    Element(b, 0x0028, 0x0002, Us(1));
    Element(b, 0x0028, 0x0004, "MONOCHROME2 ");
    Element(b, 0x0028, 0x0010, Us(512));
    Element(b, 0x0028, 0x0011, Us(512));
    Element(b, 0x0028, 0x0100, Us(16));
    Element(b, 0x0028, 0x0101, Us(12));
    Element(b, 0x0028, 0x0102, Us(11));
    std::string pixels(512 * 512 * 2, '\0');
    for (size_t i = 0; i < pixels.size(); i += 2)
        pixels[i] = char(i * 7);
    Element(b, 0x7FE0, 0x0010, pixels);
    std::string path = "/tmp/dravik-bench-ct-" + std::to_string(getpid()) + ".dcm";
    FILE *f = fopen(path.c_str(), "wb");
    if (f) {
        fwrite(b.data(), 1, b.size(), f);
        fclose(f);
    }
    return path;
}

void Release(FILEINFO &fi) {
    if (fi.fbuf) MemFree(fi.fbuf, "bench");
    for (uint16_t *m : {fi.rmap, fi.gmap, fi.bmap})
        if (m) MemFree(m, "bench");
    DicomDataRelease(&fi);
    memset(&fi, 0, sizeof fi);
}

void BM_DicomTest(benchmark::State &state) {
    std::string path = MakeCt();
    for (auto _ : state) {
        FILEREQ req{};
        FILEINFO fi{};
        req.path = path.c_str();
        benchmark::DoNotOptimize(IsFileDicom(&req, &fi, 2));
        Release(fi);
    }
    unlink(path.c_str());
}
BENCHMARK(BM_DicomTest)->Unit(benchmark::kMillisecond);

void BM_DicomTestAndRead(benchmark::State &state) {
    std::string path = MakeCt();
    for (auto _ : state) {
        FILEREQ req{};
        FILEINFO fi{};
        req.path = path.c_str();
        if (IsFileDicom(&req, &fi, 0) == 100) benchmark::DoNotOptimize(IoReadDicom(&req, &fi));
        Release(fi);
    }
    unlink(path.c_str());
}
BENCHMARK(BM_DicomTestAndRead)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
