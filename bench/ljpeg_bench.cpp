// Lossless JPEG decoding speed on 512 x 512 16-bit CT-like frames, encoded here with Huffman
// tables fitted to the data (as dcmcjpeg's optimised tables are). With LJPEG_BENCH_FRAMES set to
// a directory of codestreams (bench/compare.sh makes one), the whole series is decoded as well.
#include "ljpeg/decomp.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

static std::vector<uint16_t> CtImage(int w, int h, int bits, unsigned seed) {
    std::vector<uint16_t> img(size_t(w) * h);
    std::mt19937 rng(seed);
    std::normal_distribution<double> noise(0.0, 12.0);
    const double top = (1 << bits) - 1;
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++) {
            double r = std::hypot(x - w / 2.0, (y - h / 2.0) * 1.2) / (w / 2.0);
            double v = r > 0.9 ? 24 : 1024 + 180 * std::sin(x / 23.0) * std::cos(y / 31.0);
            if (r < 0.3 && std::hypot(x - w * 0.45, y - h * 0.5) < w * 0.08) v += 700; // bone
            v += noise(rng);
            img[size_t(y) * w + x] = static_cast<uint16_t>(std::clamp(v, 0.0, top));
        }
    return img;
}

static int Category(int diff) {
    int s = 0;
    for (int a = diff < 0 ? -diff : diff; a; a >>= 1)
        s++;
    return s;
}

static int Difference(const std::vector<uint16_t> &img, int w, int x, int y, int psv, int prec) {
    auto at = [&](int yy, int xx) { return int(img[size_t(yy) * w + xx]); };
    int pred;
    if (x == 0 && y == 0)
        pred = 1 << (prec - 1);
    else if (y == 0)
        pred = at(0, x - 1);
    else if (x == 0)
        pred = at(y - 1, 0);
    else {
        int ra = at(y, x - 1), rb = at(y - 1, x), rc = at(y - 1, x - 1);
        const int p[8] = {0,
                          ra,
                          rb,
                          rc,
                          ra + rb - rc,
                          ra + ((rb - rc) >> 1),
                          rb + ((ra - rc) >> 1),
                          (ra + rb) >> 1};
        pred = p[psv];
    }
    int d = (at(y, x) - pred) & 0xFFFF;
    return d > 32768 ? d - 65536 : d;
}

// Code lengths from the category counts, limited to 16 bits (T.81 Annex K.2).
static void FitTable(const long freqIn[17], int bits[17], std::vector<int> &vals) {
    long freq[18];
    int size[18] = {0}, others[18];
    std::copy(freqIn, freqIn + 17, freq);
    freq[17] = 1; // reserves the all-ones code
    std::fill(others, others + 18, -1);
    for (;;) {
        int v1 = -1, v2 = -1;
        for (int i = 0; i < 18; i++)
            if (freq[i] && (v1 < 0 || freq[i] <= freq[v1])) v1 = i;
        for (int i = 0; i < 18; i++)
            if (freq[i] && i != v1 && (v2 < 0 || freq[i] <= freq[v2])) v2 = i;
        if (v2 < 0) break;
        freq[v1] += freq[v2];
        freq[v2] = 0;
        for (size[v1]++; others[v1] >= 0; size[v1]++)
            v1 = others[v1];
        others[v1] = v2;
        for (size[v2]++; others[v2] >= 0; size[v2]++)
            v2 = others[v2];
    }
    int count[40] = {0};
    for (int i = 0; i < 18; i++)
        if (size[i]) count[size[i]]++;
    for (int i = 39; i > 16; i--)
        while (count[i] > 0) {
            int j = i - 2;
            while (count[j] == 0)
                j--;
            count[i] -= 2, count[i - 1]++, count[j + 1] += 2, count[j]--;
        }
    int i = 16;
    while (count[i] == 0)
        i--;
    count[i]--;
    for (int l = 0; l <= 16; l++)
        bits[l] = count[l];
    vals.clear();
    for (int l = 1; l <= 32; l++)
        for (int s = 0; s <= 16; s++)
            if (size[s] == l) vals.push_back(s);
}

static std::vector<uint8_t> Encode(const std::vector<uint16_t> &img, int w, int h, int prec,
                                   int psv) {
    long freq[17] = {0};
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++)
            freq[Category(Difference(img, w, x, y, psv, prec))]++;
    int bits[17];
    std::vector<int> vals;
    FitTable(freq, bits, vals);
    uint32_t code[17] = {0};
    int len[17] = {0};
    uint32_t c = 0;
    for (int l = 1, k = 0; l <= 16; l++, c <<= 1)
        for (int i = 0; i < bits[l]; i++, c++, k++)
            code[vals[k]] = c, len[vals[k]] = l;

    std::vector<uint8_t> o = {0xFF, 0xD8, 0xFF, 0xC4, 0, uint8_t(19 + vals.size()), 0};
    for (int l = 1; l <= 16; l++)
        o.push_back(uint8_t(bits[l]));
    for (int v : vals)
        o.push_back(uint8_t(v));
    const uint8_t sof[] = {0xFF,
                           0xC3,
                           0,
                           11,
                           uint8_t(prec),
                           uint8_t(h >> 8),
                           uint8_t(h),
                           uint8_t(w >> 8),
                           uint8_t(w),
                           1,
                           1,
                           0x11,
                           0,
                           0xFF,
                           0xDA,
                           0,
                           8,
                           1,
                           1,
                           0,
                           uint8_t(psv),
                           0,
                           0};
    o.insert(o.end(), std::begin(sof), std::end(sof));
    uint64_t acc = 0;
    int n = 0;
    auto put = [&](uint32_t v, int l) {
        acc = acc << l | (v & ((1u << l) - 1));
        for (n += l; n >= 8; n -= 8) {
            uint8_t b = uint8_t(acc >> (n - 8));
            o.push_back(b);
            if (b == 0xFF) o.push_back(0);
        }
    };
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++) {
            int d = Difference(img, w, x, y, psv, prec), s = Category(d);
            put(code[s], len[s]);
            if (s && s < 16) put(uint32_t(d < 0 ? d + (1 << s) - 1 : d), s);
        }
    if (n) put(0x7F, 8 - n);
    o.insert(o.end(), {0xFF, 0xD9});
    return o;
}

static void DecodeFrames(benchmark::State &state, const std::vector<std::vector<uint8_t>> &frames,
                         size_t samples) {
    std::vector<uint16_t> store(samples);
    LJPEGINFO info;
    for (auto _ : state)
        for (const auto &f : frames) {
            if (decompFrame(f.data(), f.size(), store.data(), store.size(), &info) != LJPEG_OK)
                state.SkipWithError("frame did not decode");
            benchmark::DoNotOptimize(store.data());
        }
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(samples) *
                            int64_t(frames.size()));
}

// One 512 x 512 frame; items per second = samples per second.
static void BM_LjpegDecodeCt512(benchmark::State &state) {
    const int psv = int(state.range(0)), prec = int(state.range(1));
    std::vector<uint16_t> img = CtImage(512, 512, prec, 1);
    std::vector<std::vector<uint8_t>> frames = {Encode(img, 512, 512, prec, psv)};
    state.counters["bytes_per_frame"] = double(frames[0].size());
    DecodeFrames(state, frames, img.size());
}
BENCHMARK(BM_LjpegDecodeCt512)
    ->ArgNames({"psv", "bits"})
    ->Args({1, 16})
    ->Args({6, 16})
    ->Args({7, 16})
    ->Args({1, 12})
    ->Unit(benchmark::kMillisecond);

// The frames of bench/compare.sh, all decoded per iteration (one series).
static void BM_LjpegDecodeSeries(benchmark::State &state) {
    const char *dir = getenv("LJPEG_BENCH_FRAMES");
    std::vector<std::string> names;
    if (DIR *d = dir ? opendir(dir) : nullptr) {
        while (dirent *e = readdir(d))
            if (std::string(e->d_name).find(".ljp") != std::string::npos)
                names.push_back(e->d_name);
        closedir(d);
    }
    if (names.empty()) {
        state.SkipWithError("LJPEG_BENCH_FRAMES names no directory of .ljp frames");
        for (auto _ : state) {}
        return;
    }
    std::vector<std::vector<uint8_t>> frames;
    size_t samples = 0;
    for (const std::string &n : names) {
        std::ifstream f(std::string(dir) + "/" + n, std::ios::binary);
        frames.emplace_back(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
        LJPEGINFO info;
        if (decompFrameInfo(frames.back().data(), frames.back().size(), &info) == LJPEG_OK)
            samples = std::max(samples, size_t(info.width) * info.height * info.components);
    }
    state.counters["frames"] = double(frames.size());
    DecodeFrames(state, frames, samples);
}
BENCHMARK(BM_LjpegDecodeSeries)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
