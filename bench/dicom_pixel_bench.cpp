// The DICOM pixel stage: opening a series to 8 bits (header, frames, windowing over all frames)
// and the windowing alone. The lossless series comes from bench/compare_dicom.sh through
// DRAVIK_DICOM_SERIES; without it only the native series (made here) is measured.
#include <benchmark/benchmark.h>

#include "dicom_elements.h"

#include "base/xmem.h"
#include "dicom/io_dcm4.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

const int kFrames = 16, kEdge = 512;

// An implicit-VR series of 12-bit CT-like frames, 512 x 512.
std::string MakeNativeSeries() {
    std::vector<uint8_t> b(128, 0);
    Element(b, 0x0008, 0x0060, "CT");
    Element(b, 0x0028, 0x0002, Us(1));
    Element(b, 0x0028, 0x0004, "MONOCHROME2 ");
    Element(b, 0x0028, 0x0008, std::to_string(kFrames) + " ");
    Element(b, 0x0028, 0x0010, Us(kEdge));
    Element(b, 0x0028, 0x0011, Us(kEdge));
    Element(b, 0x0028, 0x0100, Us(16));
    Element(b, 0x0028, 0x0101, Us(12));
    Element(b, 0x0028, 0x0102, Us(11));
    Element(b, 0x0028, 0x1052, "-1024 ");
    Element(b, 0x0028, 0x1053, "1 ");
    std::string px(size_t(kFrames) * kEdge * kEdge * 2, '\0');
    for (size_t i = 0; i < px.size() / 2; i++) {
        unsigned v =
            unsigned(1024 + 900 * std::sin(double(i % kEdge) / 40) + (i * 2654435761u >> 24) % 50);
        px[2 * i] = char(v & 0xFF), px[2 * i + 1] = char(v >> 8 & 0x0F);
    }
    Element(b, 0x7FE0, 0x0010, px);
    std::string path = "/tmp/dravik-bench-series-" + std::to_string(getpid()) + ".dcm";
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

void Open(benchmark::State &state, const std::string &path) {
    int frames = 0;
    for (auto _ : state) {
        FILEREQ req{};
        FILEINFO fi{};
        req.path = path.c_str();
        if (IsFileDicom(&req, &fi, 0) != 100 || IoReadDicom(&req, &fi) != 100) {
            state.SkipWithError("series not readable");
            Release(fi);
            break;
        }
        frames = fi.frames;
        benchmark::DoNotOptimize(fi.fbuf);
        Release(fi);
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * frames);
}

void BM_OpenNativeSeries(benchmark::State &state) {
    std::string path = MakeNativeSeries();
    Open(state, path);
    unlink(path.c_str());
}
BENCHMARK(BM_OpenNativeSeries)->Unit(benchmark::kMillisecond);

void BM_OpenSeriesFile(benchmark::State &state) {
    const char *path = getenv("DRAVIK_DICOM_SERIES");
    if (!path) {
        state.SkipWithError("DRAVIK_DICOM_SERIES not set (bench/compare_dicom.sh sets it)");
        return;
    }
    Open(state, path);
}
BENCHMARK(BM_OpenSeriesFile)->Unit(benchmark::kMillisecond);

// Range scan, table and lookup over 16 frames of stored values.
void BM_WindowSeries(benchmark::State &state) {
    DICOMSAMPLES s;
    s.w = s.h = kEdge, s.frames = kFrames, s.bits = 12, s.sign = 0;
    s.s16.resize(size_t(kFrames) * kEdge * kEdge);
    for (size_t i = 0; i < s.s16.size(); i++)
        s.s16[i] = uint16_t((i * 2654435761u >> 20) & 0xFFF);
    s.valid.assign(kFrames, long(kEdge) * kEdge);
    DICOMDESC d{};
    d.slope = 1, d.intercept = 0;
    for (auto _ : state) {
        uint8_t *out = GetImageDataMonochromMultiFrame(nullptr, &d, &s, DICOM_PI_MONO2);
        benchmark::DoNotOptimize(out);
        MemFree(out, "bench");
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * kFrames);
}
BENCHMARK(BM_WindowSeries)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
