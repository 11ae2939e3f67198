// Album hot paths: appending a 12-megapixel photo, loading and indexing a large album, and
// decoding one entry's thumbnail for the album view.
#include <benchmark/benchmark.h>

#include "base/xmem.h"
#include "io/io_album.h"
#include "image/io_jpg.h"

#include "bench_photo.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

struct Scratch {
    std::string dir;
    Scratch() {
        char tmpl[] = "/tmp/dravik-album-bench-XXXXXX";
        if (mkdtemp(tmpl)) dir = tmpl;
    }
    ~Scratch() {
        std::string cmd = "rm -rf '" + dir + "'";
        if (system(cmd.c_str()) != 0) {}
    }
};

void OpenAlbum(ALBUMDAT *album, const std::string &path) {
    memset(album, 0, sizeof *album);
    snprintf(album->path, sizeof album->path, "%s", path.c_str());
    IoAlbumLoad(album, ALBUM_EDGE_DEFAULT);
}

void BM_AlbumAppend12MP(benchmark::State &state) {
    Scratch s;
    std::string photo = s.dir + "/photo.jpg", path = s.dir + "/a.alb";
    WriteBenchPhoto(photo, 4000, 3000);
    ALBUMDAT album;
    OpenAlbum(&album, path);
    for (auto _ : state)
        if (IoAlbumAppend(&album.file, photo.c_str(), &album) != FILE_SUCCES)
            state.SkipWithError("append failed");
    IoAlbumFree(&album);
}
BENCHMARK(BM_AlbumAppend12MP)->Unit(benchmark::kMillisecond);

// An album of 5000 entries, made by repeating one appended entry.
std::string MakeBigAlbum(const Scratch &s) {
    std::string photo = s.dir + "/small.jpg", path = s.dir + "/big.alb";
    WriteBenchPhoto(photo, 640, 480);
    ALBUMDAT album;
    OpenAlbum(&album, path);
    IoAlbumAppend(&album.file, photo.c_str(), &album);
    IoAlbumFree(&album);
    FILE *fp = fopen(path.c_str(), "rb");
    std::vector<uint8_t> b(1 << 20);
    size_t n = fp ? fread(b.data(), 1, b.size(), fp) : 0;
    if (fp) fclose(fp);
    fp = fopen(path.c_str(), "ab");
    for (int i = 1; fp && i < 5000; i++)
        fwrite(b.data() + ALBUM_HEADER_SIZE, 1, n - ALBUM_HEADER_SIZE, fp);
    if (fp) fclose(fp);
    return path;
}

void BM_AlbumLoad5000(benchmark::State &state) {
    Scratch s;
    std::string path = MakeBigAlbum(s);
    for (auto _ : state) {
        ALBUMDAT album;
        OpenAlbum(&album, path);
        benchmark::DoNotOptimize(album.entries);
        IoAlbumFree(&album);
    }
}
BENCHMARK(BM_AlbumLoad5000)->Unit(benchmark::kMillisecond);

void BM_AlbumEntryImage(benchmark::State &state) {
    Scratch s;
    std::string path = MakeBigAlbum(s);
    ALBUMDAT album;
    OpenAlbum(&album, path);
    int i = 0;
    for (auto _ : state) {
        FILEINFO fi;
        IoAlbumEntryImage(&album, i++ % album.entries, &fi);
        IoFreeRecord(&fi, "bench");
    }
    IoAlbumFree(&album);
}
BENCHMARK(BM_AlbumEntryImage)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
