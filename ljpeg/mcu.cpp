#include "ljpeg/mcu.h"

void PmPutRow(DecompressInfo *dc, int row) {
    const int width = dc->imageWidth;
    const int nout = dc->numComponents;
    const int nscan = dc->compsInScan;
    const int pt = dc->Pt;
    uint16_t *out = dc->store + static_cast<size_t>(row) * width * nout;
    const uint16_t *in = dc->curRow;
    if (nscan == nout && pt == 0) {
        // One scan for every component, in frame order: the row is the output as it stands.
        bool inOrder = true;
        for (int k = 0; k < nscan; k++)
            inOrder &= dc->curCompInfo[k]->componentIndex == k;
        if (inOrder) {
            for (size_t i = 0, n = static_cast<size_t>(width) * nout; i < n; i++)
                out[i] = in[i];
            return;
        }
    }
    for (int k = 0; k < nscan; k++) {
        const int ch = dc->curCompInfo[k]->componentIndex;
        for (int col = 0; col < width; col++)
            out[col * nout + ch] = static_cast<uint16_t>(in[col * nscan + k] << pt);
    }
}

void McuRowsSwap(DecompressInfo *dc) {
    uint16_t *t = dc->prevRow;
    dc->prevRow = dc->curRow;
    dc->curRow = t;
}

void FreeArray2D(DecompressInfo *dc) {
    dc->mcuROW1 = std::vector<uint16_t>();
    dc->mcuROW2 = std::vector<uint16_t>();
    dc->prevRow = nullptr;
    dc->curRow = nullptr;
}
