// Helpers of the image tests: reference decodings and scratch directories.
#pragma once

#include "image/io_files.h"

#include "base/xmem.h"
#include "io/io_read.h"
#include "support/proc.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <unistd.h>
#include <string>
#include <vector>

struct PNMIMAGE {
    int w = 0, h = 0, comps = 0;
    std::vector<uint8_t> px;
};

// Reads a binary PGM or PPM; comps stays 0 when the file is not one.
PNMIMAGE PnmRead(const std::string &path);

std::string DataPath(const char *name);

// Reads a file through the dispatch into a zero-filled record; the record is freed by FreeRead.
void *ReadImage(const std::string &path, FILEINFO *fi, int mode = IO_READ_FULL, int preview = 0);
void FreeRead(FILEINFO *fi);

inline PNMIMAGE PnmRead(const std::string &path) {
    PNMIMAGE img;
    FILE *fp = fopen(path.c_str(), "rb");
    if (!fp) return img;
    char magic[3] = {0};
    int maxval = 0;
    if (fscanf(fp, "%2s %d %d %d", magic, &img.w, &img.h, &maxval) == 4 && maxval == 255 &&
        fgetc(fp) != EOF) {
        int comps = !strcmp(magic, "P5") ? 1 : !strcmp(magic, "P6") ? 3 : 0;
        img.px.resize(static_cast<size_t>(img.w) * img.h * comps);
        if (comps && fread(img.px.data(), 1, img.px.size(), fp) == img.px.size()) img.comps = comps;
    }
    fclose(fp);
    return img;
}

inline std::string DataPath(const char *name) {
    return std::string(DRAVIK_TEST_DATA) + "/" + name;
}

inline void *ReadImage(const std::string &path, FILEINFO *fi, int mode, int preview) {
    FILEREQ req;
    IoRequestInit(&req, path.c_str());
    req.preview = preview;
    return IoFindOrReadFileTyp(&req, fi, mode);
}

inline void FreeRead(FILEINFO *fi) {
    IoFreeRecord(fi, "test");
}