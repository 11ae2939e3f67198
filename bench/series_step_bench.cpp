// Walking a CT series as n/p and the wheel do: 300 slices of 512 x 512 signed 16-bit samples
// in shuffled name order, ordered once by Instance Number, then each step reads the next slice
// with its window (as the view's open does) while the following ones are handed to the page
// cache. Reports slices a second; the target is 30 or more.
#include <benchmark/benchmark.h>

#include "dicom_elements.h"

#include "base/settings.h"
#include "dicom/io_dcmseries.h"
#include "dicom/io_dcmvoi.h"
#include "dicom/io_dicom.h"
#include "image/io_files.h"
#include "io/io_read.h"

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <random>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

enum { SLICES = 300, EDGE = 512 };

std::string SeriesDir() {
    static std::string dir;
    if (!dir.empty()) return dir;
    char tmpl[] = "/tmp/dravik-bench-series-XXXXXX";
    dir = mkdtemp(tmpl);
    std::vector<int> names(SLICES);
    for (int i = 0; i < SLICES; i++)
        names[size_t(i)] = i;
    std::shuffle(names.begin(), names.end(), std::mt19937(1));
    for (int n = 1; n <= SLICES; n++) {
        std::vector<uint8_t> b(128, 0);
        b.insert(b.end(), {'D', 'I', 'C', 'M'});
        std::string ts("1.2.840.10008.1.2\0", 18);
        Put16(b, 0x0002), Put16(b, 0x0010), b.push_back('U'), b.push_back('I');
        Put16(b, unsigned(ts.size()));
        b.insert(b.end(), ts.begin(), ts.end());
        Element(b, 0x0008, 0x0060, "CT");
        Element(b, 0x0020, 0x000E, "1.2.840.99.7");
        std::string num = std::to_string(n);
        if (num.size() % 2) num += ' ';
        Element(b, 0x0020, 0x0013, num);
        Element(b, 0x0028, 0x0002, Us(1));
        Element(b, 0x0028, 0x0004, "MONOCHROME2 ");
        Element(b, 0x0028, 0x0010, Us(EDGE));
        Element(b, 0x0028, 0x0011, Us(EDGE));
        Element(b, 0x0028, 0x0100, Us(16));
        Element(b, 0x0028, 0x0101, Us(16));
        Element(b, 0x0028, 0x0102, Us(15));
        Element(b, 0x0028, 0x0103, Us(1));
        Element(b, 0x0028, 0x1050, "40");
        Element(b, 0x0028, 0x1051, "400 ");
        Element(b, 0x0028, 0x1052, "-1024 ");
        Element(b, 0x0028, 0x1053, "1 ");
        std::string px(size_t(EDGE) * EDGE * 2, '\0');
        for (size_t i = 0; i < px.size(); i += 2) {
            int v = int((i / 2 * 37 + size_t(n) * 11) % 3000) - 1000;
            px[i] = char(v & 0xFF), px[i + 1] = char((v >> 8) & 0xFF);
        }
        Element(b, 0x7FE0, 0x0010, px);
        std::string path = dir + "/s" + std::to_string(names[size_t(n - 1)]) + ".dcm";
        FILE *f = fopen(path.c_str(), "wb");
        if (f) {
            fwrite(b.data(), 1, b.size(), f);
            fclose(f);
        }
    }
    return dir;
}

void BM_SeriesOrder(benchmark::State &state) {
    std::string first = SeriesDir() + "/s0.dcm";
    for (auto _ : state)
        benchmark::DoNotOptimize(DicomSeriesList(first).size());
}
BENCHMARK(BM_SeriesOrder)->Unit(benchmark::kMillisecond);

void BM_SeriesStep(benchmark::State &state) {
    std::vector<std::string> files = DicomSeriesList(SeriesDir() + "/s0.dcm");
    if (files.size() != SLICES) {
        state.SkipWithError("series not found");
        return;
    }
    DicomWindow = 1;
    size_t i = 0;
    for (auto _ : state) {
        for (size_t k = 1; k <= 3 && i + k < files.size(); k++) {
            int fd = open(files[i + k].c_str(), O_RDONLY);
            if (fd >= 0) {
                posix_fadvise(fd, 0, 0, POSIX_FADV_WILLNEED);
                close(fd);
            }
        }
        FILEREQ req;
        IoRequestInit(&req, files[i].c_str());
        FILEINFO fi{};
        benchmark::DoNotOptimize(IoFindOrReadFileTyp(&req, &fi, IO_READ_FULL));
        DicomDataRelease(&fi);
        IoFreeRecord(&fi, files[i].c_str());
        i = (i + 1) % files.size();
    }
    state.counters["slices/s"] =
        benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_SeriesStep)->Unit(benchmark::kMillisecond)->UseRealTime();

// One repaint's worth of a Shift-drag: a new window over the shown 512 x 512 frame's stored
// values (the view's paint comes on top).
void BM_WindowRender(benchmark::State &state) {
    std::vector<std::string> files = DicomSeriesList(SeriesDir() + "/s0.dcm");
    if (files.empty()) {
        state.SkipWithError("series not found");
        return;
    }
    FILEREQ req;
    IoRequestInit(&req, files[0].c_str());
    FILEINFO fi{};
    if (!IoFindOrReadFileTyp(&req, &fi, IO_READ_FULL) || !fi.voi) {
        state.SkipWithError("no stored values");
        return;
    }
    double c = 40;
    for (auto _ : state) {
        DicomVoiSetWindow(fi.voi, c, 400);
        DicomVoiRender(fi.voi, 0, fi.fbuf);
        c = c > 400 ? -400 : c + 7;
    }
    state.counters["windows/s"] =
        benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
    DicomDataRelease(&fi);
    IoFreeRecord(&fi, files[0].c_str());
}
BENCHMARK(BM_WindowRender)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
