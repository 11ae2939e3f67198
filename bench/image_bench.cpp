// Image pipeline hot paths: JPEG reading at full size and at preview scale, resampling, median cut.
// `image_bench --make-jpeg PATH [W H]` only writes the test photo (for bench/compare.sh).
#include <benchmark/benchmark.h>

#include "base/xmem.h"
#include "image/io_files.h"
#include "image/io_jpg.h"
#include "image/io_levels.h"
#include "io/io_read.h"
#include "render/reduce8a.h"
#include "support/jpeg_file.h"
#include "image/test_hooks.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// A photo-like picture: smooth light with fine texture, so the file has a camera's entropy.
std::vector<uint8_t> MakePhoto(int w, int h) {
    std::vector<uint8_t> px(static_cast<size_t>(w) * h * 3);
    uint32_t seed = 12345;
    uint8_t *p = px.data();
    for (int y = 0; y < h; y++) {
        for (int x = 0; x < w; x++) {
            seed = seed * 1664525u + 1013904223u;
            int n = static_cast<int>(seed >> 27) - 16;
            int r = (x * 255) / w + n, g = (y * 255) / h + n, b = ((x + y) % 512) / 2 + n;
            *p++ = static_cast<uint8_t>(r < 0 ? 0 : r > 255 ? 255 : r);
            *p++ = static_cast<uint8_t>(g < 0 ? 0 : g > 255 ? 255 : g);
            *p++ = static_cast<uint8_t>(b < 0 ? 0 : b > 255 ? 255 : b);
        }
    }
    return px;
}

int WritePhoto(const char *path, int w, int h) {
    std::vector<uint8_t> px = MakePhoto(w, h);
    SAVEINFO save;
    memset(&save, 0, sizeof save);
    save.w = w, save.h = h, save.bit = 24, save.quality = 90, save.ftyp = FTYP_JPEG;
    save.fbuf = px.data();
    FILEREQ req;
    memset(&req, 0, sizeof req);
    req.path = path;
    return IoWriteJpeg(&req, &save);
}

// The same photo as a progressive file, written with the library directly (our writer makes
// baseline files only).
int WritePhotoProgressive(const char *path, int w, int h) {
    std::vector<uint8_t> px = MakePhoto(w, h);
    size_t stride = static_cast<size_t>(w) * 3;
    return WriteJpegFile(path, w, h, 90, true,
                         [&](int y, JSAMPLE *row) {
                             memcpy(row, px.data() + static_cast<size_t>(y) * stride, stride);
                         })
               ? FILE_SUCCES
               : -1;
}

// The 12-megapixel photo, baseline or progressive, written once per run.
const char *Photo(bool progressive = false) {
    static std::string path[2];
    std::string &p = path[progressive];
    if (p.empty()) {
        p = "/tmp/dravik-bench-" + std::to_string(getpid()) + (progressive ? "p" : "b") + ".jpg";
        int rc = progressive ? WritePhotoProgressive(p.c_str(), 4000, 3000)
                             : WritePhoto(p.c_str(), 4000, 3000);
        if (rc != FILE_SUCCES) abort();
        atexit([] {
            for (auto &q : path)
                if (!q.empty()) unlink(q.c_str());
        });
    }
    return p.c_str();
}

void ReadRecord(const char *path, int preview, FILEINFO *fi) {
    FILEREQ req;
    memset(&req, 0, sizeof req);
    req.path = path;
    req.preview = preview;
    if (!IoFindOrReadFileTyp(&req, fi, IO_READ_FULL)) abort();
}

void BM_JpegReadFull(benchmark::State &state) {
    const char *path = Photo();
    for (auto _ : state) {
        FILEINFO fi;
        ReadRecord(path, 0, &fi);
        benchmark::DoNotOptimize(fi.fbuf);
        IoFreeRecord(&fi, "bench");
    }
    state.SetLabel("12 MP");
}
BENCHMARK(BM_JpegReadFull)->Unit(benchmark::kMillisecond);

// A 96-pixel thumbnail: full read then resampling, against the preview-edge read.
void Thumbnail(benchmark::State &state, int preview, bool progressive = false) {
    const char *path = Photo(progressive);
    for (auto _ : state) {
        FILEINFO fi;
        ReadRecord(path, preview, &fi);
        uint8_t *small = FilePreviewSetup(fi.fbuf, 96, 96, "bench", &fi);
        if (!small) abort();
        benchmark::DoNotOptimize(small);
        MemFree(small, "bench");
        IoFreeRecord(&fi, "bench");
    }
}
void BM_Thumb96FullThenResample(benchmark::State &state) {
    Thumbnail(state, 0);
}
void BM_Thumb96PreviewEdge(benchmark::State &state) {
    Thumbnail(state, 96);
}
// The same preview decoded on one thread: what the second thread saves on a machine with a free
// core.
void BM_Thumb96PreviewEdgeOneThread(benchmark::State &state) {
    long split = jpg_dc_tune.split_bytes;
    jpg_dc_tune.split_bytes = LONG_MAX;
    Thumbnail(state, 96);
    jpg_dc_tune.split_bytes = split;
}
void BM_Thumb96FullThenResampleProgressive(benchmark::State &state) {
    Thumbnail(state, 0, true);
}
void BM_Thumb96PreviewEdgeProgressive(benchmark::State &state) {
    Thumbnail(state, 96, true);
}
// A large baseline preview is decoded on two threads: wall time, and CPU time of the whole process.
BENCHMARK(BM_Thumb96FullThenResample)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime();
BENCHMARK(BM_Thumb96PreviewEdge)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime();
BENCHMARK(BM_Thumb96PreviewEdgeOneThread)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime();
BENCHMARK(BM_Thumb96FullThenResampleProgressive)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime();
BENCHMARK(BM_Thumb96PreviewEdgeProgressive)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime();

void BM_MedianCut1MP(benchmark::State &state) {
    std::vector<uint8_t> px = MakePhoto(1000, 1000);
    FILEINFO fi;
    memset(&fi, 0, sizeof fi);
    fi.w = 1000, fi.h = 1000, fi.bit = 24;
    uint8_t pal[256 * 3];
    for (auto _ : state) {
        uint8_t *idx = gbm_mcut(px.data(), pal, 255, 1, &fi);
        benchmark::DoNotOptimize(idx);
        MemFree(idx, "bench");
    }
}
BENCHMARK(BM_MedianCut1MP)->Unit(benchmark::kMillisecond);

// Smooth reduction of a 24-MP photo: building its reduced levels (one core), and the area means
// of a fitted 1280 x 1024 view (21 %) from them, which a zoom step repaints.
FILEINFO Photo24() {
    FILEINFO fi{};
    fi.w = 6000, fi.h = 4000, fi.bit = 24, fi.frames = 1;
    std::vector<uint8_t> px = MakePhoto(fi.w, fi.h);
    fi.fbuf = static_cast<uint8_t *>(MemCreate(static_cast<long>(px.size()), "bench"));
    memcpy(fi.fbuf, px.data(), px.size());
    return fi;
}

void BM_Levels24MP(benchmark::State &state) {
    FILEINFO fi = Photo24();
    for (auto _ : state)
        benchmark::DoNotOptimize(ImageLevelsBuildNow(&fi, 0));
    IoFreeRecord(&fi, "bench");
}
BENCHMARK(BM_Levels24MP)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

void BM_LevelsBoxFitted(benchmark::State &state) {
    FILEINFO fi = Photo24();
    ImageLevelsBuildNow(&fi, 0);
    const int zw = 6000 * 21 / 100, zh = 4000 * 21 / 100;
    std::vector<int> xs(zw + 1), ys(zh + 1);
    for (int i = 0; i <= zw; i++)
        xs[static_cast<size_t>(i)] = static_cast<int>(static_cast<long>(i) * 6000 / zw);
    for (int j = 0; j <= zh; j++)
        ys[static_cast<size_t>(j)] = static_cast<int>(static_cast<long>(j) * 4000 / zh);
    std::vector<uint8_t> out(static_cast<size_t>(zw) * zh * 3);
    int grey = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(
            ImageLevelsBox(&fi, xs.data(), zw, ys.data(), zh, out.data(), &grey));
    IoFreeRecord(&fi, "bench");
}
BENCHMARK(BM_LevelsBoxFitted)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv) {
    if (argc >= 3 && !strcmp(argv[1], "--make-jpeg")) {
        int w = argc >= 5 ? atoi(argv[3]) : 4000, h = argc >= 5 ? atoi(argv[4]) : 3000;
        return WritePhoto(argv[2], w, h) == FILE_SUCCES ? 0 : 1;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
