// Lossless JPEG: marker parsing. Each routine reads at the record's position and checks every
// byte against what is left of the frame.
#pragma once

#include "ljpeg/util.h"

// Marker codes.
enum {
    M_SOF0 = 0xC0,
    M_SOF1 = 0xC1,
    M_SOF3 = 0xC3,
    M_DHT = 0xC4,
    M_RST0 = 0xD0,
    M_RST7 = 0xD7,
    M_SOI = 0xD8,
    M_EOI = 0xD9,
    M_SOS = 0xDA,
    M_DQT = 0xDB,
    M_DRI = 0xDD,
    M_APP0 = 0xE0,
    M_TEM = 0x01
};

int Get2bytes(DecompressInfo *dc);
int NextMarker(DecompressInfo *dc);
int SkipVariable(DecompressInfo *dc);
int GetDht(DecompressInfo *dc);
int GetDri(DecompressInfo *dc);
int GetApp0(DecompressInfo *dc);
int GetSof(DecompressInfo *dc, int code);
int GetSos(DecompressInfo *dc);
int ProcessTables(DecompressInfo *dc);

// 100 when the SOI, the tables and a supported frame header were read, else a failure code.
int ReadFileHeader(DecompressInfo *dc);
// 1 when a scan header was read, 0 at EOI or any other marker, negative on a bad header.
int ReadScanHeader(DecompressInfo *dc);
