// Writes the desktop icons from the program's icon data at build time: dravik.png at the given
// pixel size, or dravik.svg, a scalable picture of the same icon.
//
//   dravik-make-icon SIZE OUT.png | dravik-make-icon svg OUT.svg
#include "resources/icon.h"
#include "resources/icon_colour.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>
#include <zlib.h>

static void Put32(std::string &s, uint32_t v) {
    for (int k = 24; k >= 0; k -= 8)
        s += static_cast<char>(v >> k & 0xFF);
}

static void Chunk(std::string &png, const char *type, const std::string &data) {
    Put32(png, static_cast<uint32_t>(data.size()));
    std::string body = std::string(type, 4) + data;
    png += body;
    Put32(png, static_cast<uint32_t>(
                   crc32(0, reinterpret_cast<const Bytef *>(body.data()), body.size())));
}

static bool WritePng(const char *path, int size) {
    std::vector<uint32_t> argb = IconArgb(size);
    if (argb.empty()) return false;
    std::string raw; // filter byte 0, then RGBA
    for (int y = 0; y < size; y++) {
        raw += '\0';
        for (int x = 0; x < size; x++) {
            uint32_t v = argb[static_cast<size_t>(y) * size + x];
            raw += static_cast<char>(v >> 16 & 0xFF);
            raw += static_cast<char>(v >> 8 & 0xFF);
            raw += static_cast<char>(v & 0xFF);
            raw += static_cast<char>(v >> 24);
        }
    }
    uLongf zlen = compressBound(raw.size());
    std::string z(zlen, '\0');
    if (compress2(reinterpret_cast<Bytef *>(&z[0]), &zlen,
                  reinterpret_cast<const Bytef *>(raw.data()), raw.size(), 9) != Z_OK)
        return false;
    z.resize(zlen);
    std::string png = "\x89PNG\r\n\x1a\n", ihdr;
    Put32(ihdr, static_cast<uint32_t>(size));
    Put32(ihdr, static_cast<uint32_t>(size));
    ihdr += std::string("\x08\x06\x00\x00\x00", 5); // 8-bit RGBA, no interlace
    Chunk(png, "IHDR", ihdr);
    Chunk(png, "IDAT", z);
    Chunk(png, "IEND", "");
    FILE *f = fopen(path, "wb");
    if (!f) return false;
    bool ok = fwrite(png.data(), 1, png.size(), f) == png.size();
    return fclose(f) == 0 && ok;
}

// One rectangle per run of equal pixels in a row of the bitmap-sized colour icon.
static bool WriteSvg(const char *path) {
    const int n = icon_width;
    std::vector<uint32_t> argb = IconArgb(n);
    FILE *f = fopen(path, "w");
    if (!f) return false;
    fprintf(f,
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%d\" height=\"%d\" "
            "viewBox=\"0 0 %d %d\" shape-rendering=\"crispEdges\">\n",
            n * 4, n * 4, n, n);
    for (int y = 0; y < n; y++)
        for (int x = 0; x < n;) {
            uint32_t v = argb[static_cast<size_t>(y) * n + x];
            int run = 1;
            while (x + run < n && argb[static_cast<size_t>(y) * n + x + run] == v)
                run++;
            if (v >> 24)
                fprintf(f,
                        "<rect x=\"%d\" y=\"%d\" width=\"%d\" height=\"1\" fill=\"#%06x\" "
                        "fill-opacity=\"%.3f\"/>\n",
                        x, y, run, v & 0xFFFFFF, (v >> 24) / 255.0);
            x += run;
        }
    fputs("</svg>\n", f);
    return fclose(f) == 0;
}

int main(int argc, char **argv) {
    if (argc != 3) {
        fputs("usage: dravik-make-icon SIZE OUT.png | dravik-make-icon svg OUT.svg\n", stderr);
        return 2;
    }
    bool ok = strcmp(argv[1], "svg") == 0 ? WriteSvg(argv[2]) : WritePng(argv[2], atoi(argv[1]));
    if (!ok) fprintf(stderr, "dravik-make-icon: cannot write %s\n", argv[2]);
    return ok ? 0 : 1;
}
