#include "dicom/io_dicom.h"
#include "dicom/io_dcmvoi.h"

#include "base/xmem.h"
#include "dicom/io_dcm4.h"
#include "dicom/io_dcmform.h"
#include "dicom/io_dcmtext.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

static const char dcm_tag[] = "dcm_struct";
static const char dcm_file_tag[] = "dcm_file";

const DICOMUID DicomTransUID[DICOM_TRANS_UIDS] = {
    {"1.2.840.10008.1.1", "Verification SOP Class"},
    {"1.2.840.10008.1.2", "Implicit VR Little Endian"},
    {"1.2.840.10008.1.2.1", "Explicit VR Little Endian"},
    {"1.2.840.10008.1.2.2", "Explicit VR Big Endian"},
    {"1.2.840.10008.1.3.10", "Media Storage Directory Storage"},
    {"1.2.840.10008.5.1.4.1.1.1", "Computed Radiography Image Storage"},
    {"1.2.840.10008.5.1.4.1.1.1.1", "Digital X-Ray Image Storage - For Presentation"},
    {"1.2.840.10008.5.1.4.1.1.1.1.1", "Digital X-Ray Image Storage - For Processing"},
    {"1.2.840.10008.5.1.4.1.1.1.2", "Digital Mammography X-Ray Image Storage - For Presentation"},
    {"1.2.840.10008.5.1.4.1.1.1.2.1", "Digital Mammography X-Ray Image Storage - For Processing"},
    {"1.2.840.10008.5.1.4.1.1.1.3", "Digital Intra-oral X-Ray Image Storage - For Presentation"},
    {"1.2.840.10008.5.1.4.1.1.1.3.1", "Digital Intra-oral X-Ray Image Storage - For Processing"},
    {"1.2.840.10008.5.1.4.1.1.2", "CT Image Storage"},
    {"1.2.840.10008.5.1.4.1.1.3", "Ultrasound Multi-frame Image Storage (Retired)"},
    {"1.2.840.10008.5.1.4.1.1.3.1", "Ultrasound Multi-frame Image Storage"},
    {"1.2.840.10008.5.1.4.1.1.4", "MR Image Storage"},
    {"1.2.840.10008.5.1.4.1.1.5", "Nuclear Medicine Image Storage (Retired)"},
    {"1.2.840.10008.5.1.4.1.1.6", "Ultrasound Image Storage (Retired)"},
    {"1.2.840.10008.5.1.4.1.1.6.1", "Ultrasound Image Storage"},
    {"1.2.840.10008.5.1.4.1.1.7", "Secondary Capture Image Storage"},
    {"1.2.840.10008.5.1.4.1.1.8", "Standalone Overlay Storage"},
    {"1.2.840.10008.5.1.4.1.1.9", "Standalone Curve Storage"},
    {"1.2.840.10008.5.1.4.1.1.10", "Standalone Modality LUT Storage"},
    {"1.2.840.10008.5.1.4.1.1.11", "Standalone VOI LUT Storage"},
    {"1.2.840.10008.5.1.4.1.1.12.1", "X-Ray Angiographic Image Storage"},
    {"1.2.840.10008.5.1.4.1.1.12.2", "X-Ray Radiofluoroscopic Image Storage"},
    {"1.2.840.10008.5.1.4.1.1.12.3", "X-Ray Angiographic Bi-Plane Image Storage"},
    {"1.2.840.10008.5.1.4.1.1.20", "Nuclear Medicine Image Storage"},
    {"1.2.840.10008.5.1.4.1.1.66", "Raw Data Storage"},
    {"1.2.840.10008.5.1.4.1.1.77.1", "VL Image Storage"},
    {"1.2.840.10008.5.1.4.1.1.77.2", "VL Multi-frame Image Storage"},
    {"1.2.840.10008.5.1.4.1.1.128", "Positron Emission Tomography Image Storage"},
    {"1.2.840.10008.5.1.4.1.1.129", "Standalone PET Curve Storage"},
    {"1.2.840.10008.5.1.4.1.1.481.1", "RT Image Storage"},
    {"1.2.840.10008.5.1.4.1.1.481.2", "RT Dose Storage"},
    {"1.2.840.10008.5.1.4.1.1.481.3", "RT Structure Set Storage"},
    {"1.2.840.10008.5.1.4.1.1.481.4", "RT Beams Treatment Record Storage"},
    {"1.2.840.10008.5.1.4.1.1.481.5", "RT Plan Storage"},
    {"1.2.840.10008.5.1.4.1.1.481.6", "RT Brachy Treatment Record Storage"},
    {"1.2.840.10008.5.1.4.1.1.481.7", "RT Treatment Summary Record Storage"},
    {"1.2.840.10008.5.1.4.1.2.1.1", "Patient Root Query/Retrieve Information Model - FIND"},
    {"1.2.840.10008.5.1.4.1.2.1.2", "Patient Root Query/Retrieve Information Model - MOVE"},
    {"1.2.840.10008.5.1.4.1.2.1.3", "Patient Root Query/Retrieve Information Model - GET"},
    {"1.2.840.10008.5.1.4.1.2.2.1", "Study Root Query/Retrieve Information Model - FIND"},
    {"1.2.840.10008.5.1.4.1.2.2.2", "Study Root Query/Retrieve Information Model - MOVE"},
    {"1.2.840.10008.5.1.4.1.2.2.3", "Study Root Query/Retrieve Information Model - GET"},
    {"1.2.840.10008.5.1.4.1.2.3.1", "Patient/Study Only Query/Retrieve Information Model - FIND"},
    {"1.2.840.10008.5.1.4.1.2.3.2", "Patient/Study Only Query/Retrieve Information Model - MOVE"},
    {"1.2.840.10008.5.1.4.1.2.3.3", "Patient/Study Only Query/Retrieve Information Model - GET"},
    {"1.2.840.10008.5.1.4.31", "Modality Worklist Information Model - FIND"},
};

const DICOMUID DicomTransUIDJpeg[DICOM_TRANS_UIDS_JPEG] = {
    {"1.2.840.10008.1.2.4.50", "JPEG Baseline (Process 1)"},
    {"1.2.840.10008.1.2.4.51", "JPEG Extended (Process 2 & 4)"},
    {"1.2.840.10008.1.2.4.52", "JPEG Extended (Process 3 & 5)"},
    {"1.2.840.10008.1.2.4.53", "JPEG Spectral Selection, Non-Hierarchical (Process 6 & 8)"},
    {"1.2.840.10008.1.2.4.54", "JPEG Spectral Selection, Non-Hierarchical (Process 7 & 9)"},
    {"1.2.840.10008.1.2.4.55", "JPEG Full Progression, Non-Hierarchical (Process 10 & 12)"},
    {"1.2.840.10008.1.2.4.56", "JPEG Full Progression, Non-Hierarchical (Process 11 & 13)"},
    {"1.2.840.10008.1.2.4.57", "JPEG Lossless, Non-Hierarchical (Process 14)"},
    {"1.2.840.10008.1.2.4.58", "JPEG Lossless, Non-Hierarchical (Process 15)"},
    {"1.2.840.10008.1.2.4.59", "JPEG Extended, Hierarchical (Process 16 & 18)"},
    {"1.2.840.10008.1.2.4.60", "JPEG Extended, Hierarchical (Process 17 & 19)"},
    {"1.2.840.10008.1.2.4.61", "JPEG Spectral Selection, Hierarchical (Process 20 & 22)"},
    {"1.2.840.10008.1.2.4.62", "JPEG Spectral Selection, Hierarchical (Process 21 & 23)"},
    {"1.2.840.10008.1.2.4.63", "JPEG Full Progression, Hierarchical (Process 24 & 26)"},
    {"1.2.840.10008.1.2.4.64", "JPEG Full Progression, Hierarchical (Process 25 & 27)"},
    {"1.2.840.10008.1.2.4.65", "JPEG Lossless, Hierarchical (Process 28)"},
    {"1.2.840.10008.1.2.4.66", "JPEG Lossless, Hierarchical (Process 29)"},
    {"1.2.840.10008.1.2.4.70",
     "JPEG Lossless, Non-Hierarchical, First-Order Prediction (Process 14 [Selection Value 1])"},
};

static const char uid_implicit_le[] = "1.2.840.10008.1.2";
static const char uid_explicit_le[] = "1.2.840.10008.1.2.1";
static const char uid_lossless[] = "1.2.840.10008.1.2.4.57";
static const char uid_lossless_sv1[] = "1.2.840.10008.1.2.4.70";
static const char uid_jpeg_baseline[] = "1.2.840.10008.1.2.4.50";
static const char uid_jpeg_extended[] = "1.2.840.10008.1.2.4.51";
static const char uid_rle[] = "1.2.840.10008.1.2.5";
static const char uid_explicit_be[] = "1.2.840.10008.1.2.2";
static const char uid_deflated[] = "1.2.840.10008.1.2.1.99";
static const char uid_jls[] = "1.2.840.10008.1.2.4.80";
static const char uid_jls_near[] = "1.2.840.10008.1.2.4.81";
static const char uid_j2k[] = "1.2.840.10008.1.2.4.90";
static const char uid_j2k_lossy[] = "1.2.840.10008.1.2.4.91";

// Syntaxes beyond the two tables, named when a file that uses one is refused.
static const DICOMUID DicomTransUIDMore[] = {
    {"1.2.840.10008.1.2.1.99", "Deflated Explicit VR Little Endian"},
    {"1.2.840.10008.1.2.4.80", "JPEG-LS Lossless"},
    {"1.2.840.10008.1.2.4.81", "JPEG-LS Near-Lossless"},
    {"1.2.840.10008.1.2.4.90", "JPEG 2000 Lossless"},
    {"1.2.840.10008.1.2.4.91", "JPEG 2000"},
    {"1.2.840.10008.1.2.5", "RLE Lossless"},
    {"1.2.840.10008.1.2.4.92",
     "JPEG 2000 Part 2 Multi-component Image Compression (Lossless Only)"},
    {"1.2.840.10008.1.2.4.93", "JPEG 2000 Part 2 Multi-component Image Compression"},
    {"1.2.840.10008.1.2.4.94", "JPIP Referenced"},
    {"1.2.840.10008.1.2.4.100", "MPEG2 Main Profile / Main Level"},
    {"1.2.840.10008.1.2.4.102", "MPEG-4 AVC/H.264 High Profile / Level 4.1"},
    {"1.2.840.10008.1.2.4.107", "HEVC/H.265 Main Profile / Level 5.1"},
    {"1.2.840.10008.1.2.4.110", "JPEG XL Lossless"},
    {"1.2.840.10008.1.2.4.201", "High-Throughput JPEG 2000 Image Compression (Lossless Only)"},
    {"1.2.840.10008.1.2.4.202",
     "High-Throughput JPEG 2000 with RPCL Options Image Compression (Lossless Only)"},
    {"1.2.840.10008.1.2.4.203", "High-Throughput JPEG 2000 Image Compression"},
};

// Storage classes of objects that hold no picture, and newer image classes, named when a file
// is told to hold no image.
static const DICOMUID DicomSopUIDMore[] = {
    {"1.2.840.10008.5.1.4.1.1.2.1", "Enhanced CT Image Storage"},
    {"1.2.840.10008.5.1.4.1.1.4.1", "Enhanced MR Image Storage"},
    {"1.2.840.10008.5.1.4.1.1.7.1", "Multi-frame Single Bit Secondary Capture Image Storage"},
    {"1.2.840.10008.5.1.4.1.1.7.2", "Multi-frame Grayscale Byte Secondary Capture Image Storage"},
    {"1.2.840.10008.5.1.4.1.1.7.3", "Multi-frame Grayscale Word Secondary Capture Image Storage"},
    {"1.2.840.10008.5.1.4.1.1.7.4", "Multi-frame True Color Secondary Capture Image Storage"},
    {"1.2.840.10008.5.1.4.1.1.9.1.1", "12-lead ECG Waveform Storage"},
    {"1.2.840.10008.5.1.4.1.1.9.1.2", "General ECG Waveform Storage"},
    {"1.2.840.10008.5.1.4.1.1.9.1.3", "Ambulatory ECG Waveform Storage"},
    {"1.2.840.10008.5.1.4.1.1.9.2.1", "Hemodynamic Waveform Storage"},
    {"1.2.840.10008.5.1.4.1.1.9.3.1", "Cardiac Electrophysiology Waveform Storage"},
    {"1.2.840.10008.5.1.4.1.1.9.4.1", "Basic Voice Audio Waveform Storage"},
    {"1.2.840.10008.5.1.4.1.1.9.4.2", "General Audio Waveform Storage"},
    {"1.2.840.10008.5.1.4.1.1.9.5.1", "Arterial Pulse Waveform Storage"},
    {"1.2.840.10008.5.1.4.1.1.9.6.1", "Respiratory Waveform Storage"},
    {"1.2.840.10008.5.1.4.1.1.11.1", "Grayscale Softcopy Presentation State Storage"},
    {"1.2.840.10008.5.1.4.1.1.11.2", "Color Softcopy Presentation State Storage"},
    {"1.2.840.10008.5.1.4.1.1.11.3", "Pseudo-Color Softcopy Presentation State Storage"},
    {"1.2.840.10008.5.1.4.1.1.11.4", "Blending Softcopy Presentation State Storage"},
    {"1.2.840.10008.5.1.4.1.1.66.1", "Spatial Registration Storage"},
    {"1.2.840.10008.5.1.4.1.1.66.2", "Spatial Fiducials Storage"},
    {"1.2.840.10008.5.1.4.1.1.66.4", "Segmentation Storage"},
    {"1.2.840.10008.5.1.4.1.1.88.11", "Basic Text SR Storage"},
    {"1.2.840.10008.5.1.4.1.1.88.22", "Enhanced SR Storage"},
    {"1.2.840.10008.5.1.4.1.1.88.33", "Comprehensive SR Storage"},
    {"1.2.840.10008.5.1.4.1.1.88.34", "Comprehensive 3D SR Storage"},
    {"1.2.840.10008.5.1.4.1.1.88.40", "Procedure Log Storage"},
    {"1.2.840.10008.5.1.4.1.1.88.50", "Mammography CAD SR Storage"},
    {"1.2.840.10008.5.1.4.1.1.88.59", "Key Object Selection Document Storage"},
    {"1.2.840.10008.5.1.4.1.1.88.65", "Chest CAD SR Storage"},
    {"1.2.840.10008.5.1.4.1.1.88.67", "X-Ray Radiation Dose SR Storage"},
    {"1.2.840.10008.5.1.4.1.1.88.68", "Radiopharmaceutical Radiation Dose SR Storage"},
    {"1.2.840.10008.5.1.4.1.1.104.1", "Encapsulated PDF Storage"},
    {"1.2.840.10008.5.1.4.1.1.104.2", "Encapsulated CDA Storage"},
    {"1.2.840.10008.5.1.4.1.1.481.8", "RT Ion Plan Storage"},
    {"1.2.840.10008.5.1.4.1.1.481.9", "RT Ion Beams Treatment Record Storage"},
};

/* ---- tag search ---- */

static uint32_t DcmLe32(const uint8_t *p) {
    return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24;
}

static uint32_t DcmBe32(const uint8_t *p) {
    return uint32_t(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3];
}

// Explicit VRs whose length takes 4 bytes after 2 reserved ones.
static bool DcmLongVR(uint8_t a, uint8_t b) {
    static const char long_vr[][3] = {"OB", "OD", "OF", "OL", "OV", "OW", "SQ",
                                      "SV", "UC", "UN", "UR", "UT", "UV"};
    for (const auto &vr : long_vr)
        if (a == uint8_t(vr[0]) && b == uint8_t(vr[1])) return true;
    return false;
}

static bool DcmShortVR(uint8_t a, uint8_t b) {
    static const char short_vr[][3] = {"AE", "AS", "AT", "CS", "DA", "DS", "DT",
                                       "FL", "FD", "IS", "LO", "LT", "PN", "SH",
                                       "SL", "SS", "ST", "TM", "UI", "UL", "US"};
    for (const auto &vr : short_vr)
        if (a == uint8_t(vr[0]) && b == uint8_t(vr[1])) return true;
    return false;
}

int DicomValueSpan(const uint8_t *buf, int len, int tag, int *length) {
    if (length) *length = 0;
    if (!buf || tag < 0 || len < 8 || tag > len - 8) return -1;
    const uint8_t *h = buf + tag;
    long start = tag + 8;
    uint32_t n;
    // Items and delimiters carry no VR, whatever their length bytes look like.
    bool item = h[0] == 0xFE && h[1] == 0xFF;
    if (!item && DcmLongVR(h[4], h[5]) && h[6] == 0 && h[7] == 0) {
        start = tag + 12L;
        n = start <= len ? DcmLe32(h + 8) : 0;
    } else if (!item && DcmShortVR(h[4], h[5])) {
        n = h[6] | h[7] << 8;
    } else {
        n = DcmLe32(h + 4);
    }
    if (start > len) start = len;
    if (length) *length = int(std::min<long>(n, len - start));
    return int(start);
}

int ReadByteGroup(const uint8_t *buf, int len, int ghi, int glo, int ehi, int elo, uint8_t *value,
                  int nvalue, uint8_t *header, int start) {
    if (!buf || len <= 8) return 0;
    const int end = len - 8;
    const int from = std::max(start, 0);
    if (from >= end) return 0;
    // Candidates by the tag's first non-zero byte (zeros fill lengths and padding), each
    // compared whole at once.
    const uint8_t tag[4] = {uint8_t(glo), uint8_t(ghi), uint8_t(elo), uint8_t(ehi)};
    int k = 0;
    while (k < 3 && !tag[k])
        k++;
    int i = -1;
    for (const uint8_t *p = buf + from + k, *stop = buf + end + k; p < stop; p++) {
        p = static_cast<const uint8_t *>(memchr(p, tag[k], size_t(stop - p)));
        if (!p) return 0;
        if (!memcmp(p - k, tag, sizeof tag)) {
            i = int(p - k - buf);
            break;
        }
    }
    if (i < 0) return 0;
    if (header) memcpy(header, buf + i, 8);
    if (value && nvalue > 0) {
        int at = DicomValueSpan(buf, len, i, nullptr);
        int n = std::min(nvalue, len - at);
        memcpy(value, buf + at, size_t(n));
        memset(value + n, 0, size_t(nvalue - n));
    }
    return i;
}

/* ---- value normalisation ---- */

int DcmGroupEntrySize(int vrclass) {
    switch (vrclass) {
    case DCMVR_AE:
    case DCMVR_CS:
    case DCMVR_DS:
    case DCMVR_SH:
    case DCMVR_TM:
        return 16;
    case DCMVR_AS:
    case DCMVR_AT:
    case DCMVR_FL:
    case DCMVR_OW:
    case DCMVR_SL:
    case DCMVR_SQ:
    case DCMVR_UL:
        return 4;
    case DCMVR_DA:
    case DCMVR_FD:
        return 8;
    case DCMVR_DT:
        return 26;
    case DCMVR_IS:
        return 12;
    case DCMVR_LO:
    case DCMVR_PN:
    case DCMVR_UI:
        return 64;
    case DCMVR_LT:
    case DCMVR_ST:
        return 1024;
    case DCMVR_OB:
    case DCMVR_SS:
    case DCMVR_US:
    case DCMVR_OBOW:
    case DCMVR_VOISEQ:
    case DCMVR_USSS:
        return 2;
    default:
        return 0;
    }
}

static bool DcmIsSpace(uint8_t c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// Bytes that begin the next tag of an implicit-VR data set end a text value.
static bool DcmIsStop(uint8_t c) {
    return c == 0x00 || c == 0x10 || c == 0x12 || c == 0x13;
}

static uint8_t DcmTextByte(int vrclass, uint8_t c) {
    switch (vrclass) {
    case DCMVR_IS:
        // An integer string keeps its sign: "-5" frames must not read as 5.
        if (c == '-' || c == '+') return c;
        return c >= '0' && c <= '9' ? c : ' ';
    case DCMVR_CS:
        return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ? c : ' ';
    case DCMVR_PN:
        return c == '^' ? ',' : c;
    default:
        return c;
    }
}

const uint8_t *EntryResolv(int vrclass, const uint8_t *value, const uint8_t *header, uint8_t *out) {
    if (!out) return nullptr;
    memset(out, 0, 1025);
    if (!value || !header) return out;
    switch (vrclass) {
    case DCMVR_CS:
    case DCMVR_IS:
    case DCMVR_PN:
    case DCMVR_UI: {
        int max = vrclass == DCMVR_CS || vrclass == DCMVR_IS ? 16 : 64;
        int l = header[6] | header[7] << 8;
        if (l > 0 && l < max) max = l;
        int n = 0;
        for (; n < max && !DcmIsStop(value[n]); n++)
            out[n] = DcmTextByte(vrclass, value[n]);
        while (n > 1 && DcmIsSpace(out[n - 1]))
            out[--n] = 0;
        break;
    }
    case DCMVR_ST:
        for (int i = 0; i < 1024; i++)
            out[i] = value[i] == '\\' ? ',' : value[i];
        break;
    default:
        if (vrclass >= 0 && vrclass < DCMVR_COUNT)
            memcpy(out, value, size_t(DcmGroupEntrySize(vrclass)));
        break;
    }
    return out;
}

/* ---- the held file bytes ---- */

// The record's DICOM data between test and read: this header, then the file's bytes.
struct DICOMFILE {
    char magic[8];
    int len;
    int offset;       // of the bytes, from the header
    uint8_t *map;     // or the bytes mapped from the file (FILEREQ.mapped), null when read
    bool written;     // mapped bytes were swapped in place: they must stay resident
    DICOMCTX *parsed; // the test's parse of them, for the read; null when the caller kept it
    DICOMNEST nest;   // where their sequences lie
    int refused;      // a code when the data set's form could not be turned little endian
    const char *why;  // and the reason
};
static const char dcm_file_magic[8] = "DCMFILE";

static DICOMFILE *DicomFileHeld(const FILEINFO *fi) {
    if (!fi || !fi->dicom) return nullptr;
    auto *f = static_cast<DICOMFILE *>(fi->dicom);
    return memcmp(f->magic, dcm_file_magic, sizeof f->magic) ? nullptr : f;
}

const uint8_t *DicomFileBytes(const FILEINFO *fi, int *len) {
    DICOMFILE *f = DicomFileHeld(fi);
    if (len) *len = f ? f->len : 0;
    return !f ? nullptr : f->map ? f->map : reinterpret_cast<const uint8_t *>(f) + f->offset;
}

void DicomFileDrop(const FILEINFO *fi, long from, long to) {
    const DICOMFILE *f = DicomFileHeld(fi);
    if (!f || !f->map || f->written) return;
    from = std::max(from, 0L);
    to = std::min<long>(to, f->len);
    if (to > from) MemPagesDrop(f->map + from, f->map + to);
}

void **DicomEntryTable(const FILEINFO *fi) {
    if (!fi || !fi->dicom || DicomFileHeld(fi)) return nullptr;
    return static_cast<void **>(fi->dicom);
}

void DicomDataRelease(FILEINFO *fi) {
    if (!fi) return;
    DicomVoiRelease(fi->voi);
    fi->voi = nullptr;
    if (!fi->dicom) return;
    if (DICOMFILE *f = DicomFileHeld(fi)) {
        DicomCtxRelease(f->parsed);
        DicomNestRelease(&f->nest);
        if (f->map) munmap(f->map, size_t(f->len));
        MemFree(f, dcm_file_tag);
    } else
        DicomEntryTableRemove(nullptr, static_cast<void **>(fi->dicom));
    fi->dicom = nullptr;
}

// "DICM" after the 128-byte preamble.
static bool DicomMarked(const uint8_t *buf, long len) {
    return len >= 132 && !memcmp(buf + 128, "DICM", 4);
}

// The marker read from the file itself, before its bytes are loaded.
static bool DicomMarkedFile(const char *path) {
    int fd = FileOpenInput(path);
    if (fd < 0) return false;
    uint8_t m[4];
    bool marked = pread(fd, m, sizeof m, 128) == ssize_t(sizeof m) && !memcmp(m, "DICM", 4);
    close(fd);
    return marked;
}

static int DcmNestWalkAs(const uint8_t *buf, int len, DICOMNEST *nest, int form);
static long DcmMetaEnd(const uint8_t *buf, long len, char *uid, size_t size);
static bool DcmUidIs(const char *text, const char *uid);

DICOMFORMTUNE dicom_form_tune;

// The data set in a form the search and the walk read: a big-endian one swapped in place, a
// deflated one inflated into a new block that replaces *pf (null when memory runs out). The
// form the walk is to take (DCM_FORM_...).
static int DicomFormSetup(DICOMFILE **pf) {
    DICOMFILE *f = *pf;
    uint8_t *data = f->map ? f->map : reinterpret_cast<uint8_t *>(f) + f->offset;
    char uid[65] = "";
    long start = DcmMetaEnd(data, f->len, uid, sizeof uid);
    if (start < 0) return DCM_FORM_SYNTAX;
    int be = 0, ex = 0;
    const bool plain = !uid[0] && DicomPlainStart(data + start, f->len - start, &be, &ex);
    if (DcmUidIs(uid, uid_explicit_be) || (plain && be)) {
        const int implicit = plain && !ex;
        f->written = true;
        if (DicomFormSwap(data, f->len, start, implicit) != FILE_SUCCES) {
            f->refused = FILE_ERROR_FORMAT;
            f->why = "the big-endian data set does not parse";
            return DCM_FORM_SYNTAX;
        }
        return implicit ? DCM_FORM_IMPLICIT : DCM_FORM_EXPLICIT;
    }
    if (!DcmUidIs(uid, uid_deflated)) return DCM_FORM_SYNTAX;
    // A data set begins with a group 0008 element (0002 at most): a stream of anything else,
    // a deflate bomb of zeros say, is refused after a few bytes instead of a counting pass.
    uint8_t first[4096];
    long got = DicomFormInflate(data + start, f->len - start, first, sizeof first);
    int firstbe = 1;
    if (!DicomPlainStart(first, got, &firstbe, nullptr) || firstbe) {
        f->refused = FILE_ERROR_FORMAT;
        f->why = "the deflated data set does not inflate to a data set";
        return DCM_FORM_SYNTAX;
    }
    // Counted before anything is kept: a small file that inflates past the budget is refused
    // without its memory ever being taken.
    long n = DicomFormInflatedSize(data + start, f->len - start, dicom_form_tune.inflate_budget);
    if (n < 0 || long(start) + n > INT_MAX) {
        f->refused = n == FILE_ERROR_FORMAT ? FILE_ERROR_FORMAT : FILE_ERROR_DATA;
        f->why = n == FILE_ERROR_FORMAT ? "the deflated data set does not inflate"
                                        : "the deflated data set inflates past the 1 GiB image "
                                          "limit";
        return DCM_FORM_SYNTAX;
    }
    const long head = long(sizeof(DICOMFILE));
    auto *g = static_cast<DICOMFILE *>(MemCreate(head + start + n, dcm_file_tag));
    if (g) {
        memcpy(g, f, sizeof *g);
        auto *out = reinterpret_cast<uint8_t *>(g) + head;
        memcpy(out, data, size_t(start));
        n = DicomFormInflate(data + start, f->len - start, out + start, n);
        g->offset = int(head);
        g->len = int(start + n);
        g->map = nullptr;
    }
    if (f->map) munmap(f->map, size_t(f->len));
    MemFree(f, dcm_file_tag);
    *pf = g;
    return DCM_FORM_EXPLICIT;
}

// Reads the whole file behind the record; a file that shrank below the minimum is refused. A large
// file's bytes start on a huge-page boundary and lie on huge pages, since a page fault every 4 KiB
// costs more than the bytes' decoding; the room left before and after them is never touched.
// A mapped file's pages are read as they are touched and can be let go again (DicomFileDrop).
static int DicomFileLoad(FILEINFO *fi, const char *path, long size, bool mapped) {
    const long huge = 2L << 20, head = long(sizeof(DICOMFILE));
    int fd = FileOpenInput(path);
    if (fd < 0) return FILE_ERROR_READ;
    uint8_t *map = nullptr;
    struct stat st;
    if (mapped && fstat(fd, &st) == 0 && st.st_size > 0 && st.st_size <= size) {
        size = long(st.st_size);
        void *m = mmap(nullptr, size_t(size), PROT_READ | PROT_WRITE, MAP_PRIVATE, fd, 0);
        if (m != MAP_FAILED) map = static_cast<uint8_t *>(m);
    }
    const bool aligned = !map && size >= 2 * huge;
    auto *f = static_cast<DICOMFILE *>(
        MemCreate(head + (map ? 0 : size + (aligned ? 2 * huge : 0)), dcm_file_tag));
    if (!f) {
        if (map) munmap(map, size_t(size));
        close(fd);
        return WIN_ERROR_MEMORY;
    }
    long offset = head;
    if (aligned) {
        uintptr_t at =
            (reinterpret_cast<uintptr_t>(f) + uintptr_t(head + huge - 1)) & ~uintptr_t(huge - 1);
        offset = long(at - reinterpret_cast<uintptr_t>(f));
        MemHugePages(reinterpret_cast<void *>(at), size_t((size + huge - 1) / huge * huge));
    }
    auto *data = map ? map : reinterpret_cast<uint8_t *>(f) + offset;
    long got = map ? size : 0;
    bool failed = false;
    while (got < size) {
        ssize_t r = read(fd, data + got, size_t(size - got));
        if (r < 0 && errno == EINTR) continue;
        failed = r < 0;
        if (r <= 0) break;
        got += r;
    }
    close(fd);
    if (failed || (got < DICOM_MIN_FILE && !DicomMarked(data, got))) {
        if (map) munmap(map, size_t(size));
        MemFree(f, dcm_file_tag);
        return failed ? FILE_ERROR_READ : FILE_ERROR_DATA;
    }
    memcpy(f->magic, dcm_file_magic, sizeof f->magic);
    f->len = int(got);
    f->offset = int(offset);
    f->map = map;
    f->written = false;
    f->parsed = nullptr;
    f->refused = 0;
    f->why = nullptr;
    memset(&f->nest, 0, sizeof f->nest);
    int form = DicomFormSetup(&f);
    if (!f) return WIN_ERROR_MEMORY;
    DcmNestWalkAs(f->map ? f->map : reinterpret_cast<uint8_t *>(f) + f->offset, f->len, &f->nest,
                  form);
    fi->dicom = f;
    fi->release = DicomDataRelease;
    return FILE_SUCCES;
}

/* ---- the data set's structure ---- */

static const char dcm_nest_tag[] = "dcm_nest";

enum : uint32_t { DCM_UNDEFINED = 0xFFFFFFFFu };
enum { DCM_ITEM = 0xE000, DCM_ITEM_END = 0xE00D, DCM_SEQ_END = 0xE0DD };

// An element header met by the walk.
struct DCMWALKELEM {
    unsigned group, elem;
    uint8_t vr[2]; // explicit VR, zero in implicit VR and for items
    long value;    // offset of the value
    uint32_t n;    // value length, DCM_UNDEFINED when undefined
};

struct DICOMWALK {
    const uint8_t *buf;
    long len;
    DICOMNEST *nest;
    bool nomem;
};

static unsigned DcmLe16(const uint8_t *p) {
    return p[0] | p[1] << 8;
}

static bool DcmVRIs(const DCMWALKELEM *e, const char *vr) {
    return e->vr[0] == uint8_t(vr[0]) && e->vr[1] == uint8_t(vr[1]);
}

// The header at p; false when it does not fit or names no VR in an explicit data set.
static bool DcmWalkHeader(const DICOMWALK *w, long p, bool implicit, DCMWALKELEM *e) {
    if (p < 0 || p > w->len - 8) return false;
    const uint8_t *h = w->buf + p;
    e->group = DcmLe16(h);
    e->elem = DcmLe16(h + 2);
    e->vr[0] = e->vr[1] = 0;
    if (implicit || e->group == 0xFFFE) {
        e->value = p + 8;
        e->n = DcmLe32(h + 4);
        return true;
    }
    e->vr[0] = h[4];
    e->vr[1] = h[5];
    if (DcmLongVR(h[4], h[5])) {
        if (p > w->len - 12) return false;
        e->value = p + 12;
        e->n = DcmLe32(h + 8);
        return true;
    }
    e->value = p + 8;
    e->n = DcmLe16(h + 6);
    return DcmShortVR(h[4], h[5]);
}

static bool DcmItemAt(const DICOMWALK *w, long p) {
    return p <= w->len - 8 && DcmLe16(w->buf + p) == 0xFFFE && DcmLe16(w->buf + p + 2) == DCM_ITEM;
}

static bool DcmDictSequence(unsigned group, unsigned elem) {
    for (const DCMGROUPDEF &def : DcmGroupDef) {
        const unsigned char *last = def.tag[def.rows - 1];
        if (unsigned(last[0] << 8 | last[1]) != group) continue;
        for (int row = 0; row < def.rows; row++) {
            const unsigned char *t = def.tag[row];
            if (unsigned(t[0] << 8 | t[1]) != group || unsigned(t[2] << 8 | t[3]) != elem) continue;
            int vr = atoi(def.unit[row][1]);
            return vr == DCMVR_SQ || vr == DCMVR_VOISEQ;
        }
    }
    return false;
}

// Whether a defined-length value holds items. Implicit VR names no SQ, so an item at the start
// or the dictionary decides; an unknown sequence may come as UN.
static bool DcmWalkIsSequence(const DICOMWALK *w, const DCMWALKELEM *e, bool implicit) {
    if (!implicit && DcmVRIs(e, "SQ")) return true;
    bool item = DcmItemAt(w, e->value) && e->n >= 8;
    if (!implicit) return item && DcmVRIs(e, "UN");
    return item || DcmDictSequence(e->group, e->elem);
}

static bool DcmNestAdd(DICOMWALK *w, long from, long to, bool seq) {
    DICOMNEST *n = w->nest;
    if (n->count == n->room) {
        int room = n->room ? 2 * n->room : 16;
        void *r = MemRealloc(n->range, long(room) * long(sizeof *n->range), dcm_nest_tag);
        w->nomem = !r;
        if (!r) return false;
        n->range = static_cast<DICOMRANGE *>(r);
        n->room = room;
    }
    n->range[n->count++] = {int(from), int(to), seq ? 1 : 0};
    return true;
}

static long DcmWalkItems(DICOMWALK *w, long p, bool implicit, int depth, bool fragments);

enum { DCM_WALK_BROKEN = -1, DCM_WALK_END = -2 };

// The elements from p: of the data set up to its Pixel Data, whose tag offset is returned, or of
// an undefined-length item (depth > 0) up to its delimiter, the offset after it returned.
// DCM_WALK_END when the data set ends exactly at the file's end without Pixel Data, -1 when the
// structure breaks. Every step moves on by a header at least.
static long DcmWalkElements(DICOMWALK *w, long p, bool implicit, int depth) {
    const bool top = depth == 0;
    DCMWALKELEM e;
    for (;;) {
        if (!DcmWalkHeader(w, p, implicit, &e)) return top && p == w->len ? DCM_WALK_END : -1;
        if (e.group == 0xFFFE) return !top && e.elem == DCM_ITEM_END ? e.value : -1;
        const bool pixel = e.group == 0x7FE0 && e.elem == 0x0010;
        if (top && pixel) return p;
        long end;
        bool seq = true;
        if (e.n == DCM_UNDEFINED) {
            // Encapsulated pixel data holds fragments; an unknown sequence (UN) is implicit VR.
            bool frags = implicit ? pixel : DcmVRIs(&e, "OB") || DcmVRIs(&e, "OW");
            bool un = !implicit && DcmVRIs(&e, "UN");
            if (!implicit && !frags && !un && !DcmVRIs(&e, "SQ")) return -1;
            end = DcmWalkItems(w, e.value, implicit || un, depth + 1, frags);
            if (end < 0) return -1;
        } else {
            if (long(e.n) > w->len - e.value) return -1;
            end = e.value + long(e.n);
            seq = top && DcmWalkIsSequence(w, &e, implicit);
        }
        // Plain values are kept too: bytes inside one (an AT value naming a tag, binary data)
        // are never taken for an element by the searches.
        if (top && end > e.value && !DcmNestAdd(w, e.value, end, seq)) return -1;
        p = end;
    }
}

// The items of an undefined-length sequence, or the fragments of encapsulated pixel data, from p
// to the sequence delimiter; the offset after it, or -1.
static long DcmWalkItems(DICOMWALK *w, long p, bool implicit, int depth, bool fragments) {
    if (depth > DICOM_NEST_DEPTH) return -1;
    DCMWALKELEM e;
    while (DcmWalkHeader(w, p, true, &e)) {
        if (e.group != 0xFFFE) return -1;
        if (e.elem == DCM_SEQ_END) return e.value;
        if (e.elem != DCM_ITEM) return -1;
        if (e.n == DCM_UNDEFINED) {
            if (fragments) return -1;
            p = DcmWalkElements(w, e.value, implicit, depth);
            if (p < 0) return -1;
        } else {
            if (long(e.n) > w->len - e.value) return -1;
            p = e.value + long(e.n);
        }
    }
    return -1;
}

// Syntax of the data set from the meta group's transfer syntax: 1 implicit VR, 0 explicit VR
// little endian, -1 for a data set the walk cannot read. Without one the first header decides.
static int DcmWalkSyntax(char *text, const uint8_t *buf, long len, long p) {
    size_t n = strlen(text);
    while (n > 0 && DcmIsSpace(uint8_t(text[n - 1])))
        text[--n] = 0;
    if (!n)
        return p <= len - 6 &&
                       (DcmLongVR(buf[p + 4], buf[p + 5]) || DcmShortVR(buf[p + 4], buf[p + 5]))
                   ? 0
                   : 1;
    if (!strcmp(text, uid_implicit_le)) return 1;
    if (!strcmp(text, uid_explicit_be) || !strcmp(text, uid_deflated)) return -1;
    return 0;
}

int DicomPlainStart(const uint8_t *buf, long len, int *bigendian, int *explicitvr) {
    if (!buf || len < 12) return 0;
    // Group 0002 (an element of the meta group's few) or 0008, in either byte order.
    const bool le = (buf[0] == 0x02 || buf[0] == 0x08) && buf[1] == 0;
    const bool be = buf[0] == 0 && (buf[1] == 0x02 || buf[1] == 0x08);
    if (!le && !be) return 0;
    const unsigned elem = le ? DcmLe16(buf + 2) : unsigned(buf[2] << 8 | buf[3]);
    if ((le ? buf[0] : buf[1]) == 0x02 && elem > 0x0102) return 0;
    const bool ex = DcmLongVR(buf[4], buf[5]) || DcmShortVR(buf[4], buf[5]);
    // The first value must fit in the file: an implicit length of four bytes, an explicit one
    // after the VR.
    uint32_t n;
    long value;
    if (!ex) {
        n = le ? DcmLe32(buf + 4) : DcmBe32(buf + 4);
        value = 8;
    } else if (DcmLongVR(buf[4], buf[5])) {
        if (buf[6] || buf[7]) return 0;
        n = le ? DcmLe32(buf + 8) : DcmBe32(buf + 8);
        value = 12;
    } else {
        n = le ? DcmLe16(buf + 6) : unsigned(buf[6] << 8 | buf[7]);
        value = 8;
    }
    if (n == DCM_UNDEFINED || long(n) > len - value) return 0;
    if (bigendian) *bigendian = be;
    if (explicitvr) *explicitvr = ex;
    return 1;
}

void DicomNestRelease(DICOMNEST *nest) {
    if (!nest) return;
    if (nest->range) MemFree(nest->range, dcm_nest_tag);
    memset(nest, 0, sizeof *nest);
}

// Where the data set begins: after the marker and the meta group, which is explicit VR little
// endian whatever follows; its transfer syntax to uid. -1 when the meta group breaks.
static long DcmMetaEnd(const uint8_t *buf, long len, char *uid, size_t size) {
    DICOMWALK w = {buf, len, nullptr, false};
    long p = DicomMarked(buf, len) ? 132 : 0;
    uid[0] = 0;
    DCMWALKELEM e;
    while (p <= len - 8 && DcmLe16(buf + p) == 0x0002) {
        if (!DcmWalkHeader(&w, p, false, &e) || e.n == DCM_UNDEFINED || long(e.n) > len - e.value)
            return -1;
        if (e.elem == 0x0010) {
            size_t k = std::min<size_t>(e.n, size - 1);
            memcpy(uid, buf + e.value, k);
            uid[k] = 0;
        }
        p = e.value + long(e.n);
    }
    return p;
}

static bool DcmUidIs(const char *text, const char *uid) {
    size_t n = strlen(text);
    while (n > 0 && (DcmIsSpace(uint8_t(text[n - 1])) || !text[n - 1]))
        n--;
    return n == strlen(uid) && !strncmp(text, uid, n);
}

int DicomNestWalk(const uint8_t *buf, int len, DICOMNEST *nest) {
    return DcmNestWalkAs(buf, len, nest, DCM_FORM_SYNTAX);
}

static int DcmNestWalkAs(const uint8_t *buf, int len, DICOMNEST *nest, int form) {
    if (!nest) return WIN_ERROR_ARG;
    DicomNestRelease(nest);
    if (!buf || len < 8) return FILE_ERROR_FORMAT;
    DICOMWALK w = {buf, len, nest, false};
    char uid[65] = "";
    long p = DcmMetaEnd(buf, len, uid, sizeof uid);
    if (p < 0) return FILE_ERROR_FORMAT;
    int implicit =
        form == DCM_FORM_SYNTAX ? DcmWalkSyntax(uid, buf, len, p) : form == DCM_FORM_IMPLICIT;
    long tag = implicit < 0 ? -1 : DcmWalkElements(&w, p, implicit == 1, 0);
    nest->metaend = int(p);
    if (tag == DCM_WALK_END) {
        nest->ended = 1;
        return FILE_SUCCES;
    }
    if (tag <= 0) {
        DicomNestRelease(nest);
        if (w.nomem) return WIN_ERROR_MEMORY;
        return FILE_ERROR_FORMAT;
    }
    nest->pixeltag = int(tag);
    return FILE_SUCCES;
}

// The range holding offset i, or -1.
static int DicomNestIndex(const DICOMNEST *n, int i) {
    int lo = 0, hi = n->count;
    while (lo < hi) {
        int mid = lo + (hi - lo) / 2;
        if (n->range[mid].to <= i)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo < n->count && n->range[lo].from <= i ? lo : -1;
}

// The search below `to` from `at`: the first match outside every sequence value, else (nested)
// the first inside one.
static int DicomTagScan(const uint8_t *buf, const DICOMNEST &n, int at, int to, const uint8_t *tag,
                        int nested, int *inner) {
    for (;;) {
        int i = ReadByteGroup(buf, to, tag[1], tag[0], tag[3], tag[2], nullptr, 0, nullptr, at);
        if (!i) return 0;
        int k = DicomNestIndex(&n, i);
        if (k < 0) return i;
        if (n.range[k].seq && nested && !*inner) *inner = i;
        at = n.range[k].to;
    }
}

// Pixel Data holds samples, not tags: a native value is passed over whole, an encapsulated one
// item by item, whose headers are its only tags. The match among those headers, or 0; *end is
// where the value ends (the end of the bytes when its items break off).
static int DicomPixelItemFind(const uint8_t *buf, int len, int pixeltag, int value,
                              const uint8_t *tag, int *end) {
    const bool undefined = value >= 4 && DcmLe32(buf + value - 4) == 0xFFFFFFFFu;
    if (!undefined) {
        int n = 0;
        DicomValueSpan(buf, len, pixeltag, &n);
        *end = int(std::min<long>(long(value) + std::max(n, 0), len));
        return 0;
    }
    long p = value;
    while (p + 8 <= len && buf[p] == 0xFE && buf[p + 1] == 0xFF && buf[p + 3] == 0xE0) {
        if (!memcmp(buf + p, tag, 4)) {
            *end = int(p);
            return int(p);
        }
        const uint32_t n = DcmLe32(buf + p + 4);
        const bool last = buf[p + 2] == 0xDD;
        p += 8 + (n == 0xFFFFFFFFu || buf[p + 2] != 0x00 ? 0 : long(n));
        if (last) break;
    }
    *end = int(std::min<long>(p, len));
    return 0;
}

int DicomTagFind(const FILEINFO *fi, int bound, int ghi, int glo, int ehi, int elo, int nested,
                 uint8_t *value, int nvalue, uint8_t *header) {
    int len;
    const uint8_t *buf = DicomFileBytes(fi, &len);
    if (!buf) return 0;
    bound = std::min(std::max(bound, 0), len);
    const DICOMNEST &n = DicomFileHeld(fi)->nest;
    const uint8_t tag[4] = {uint8_t(glo), uint8_t(ghi), uint8_t(elo), uint8_t(ehi)};
    // A match inside a sequence moves the search to the sequence's end: one pass per search.
    int inner = 0, i = 0;
    const int px = n.pixeltag > 0 ? DicomValueSpan(buf, len, n.pixeltag, nullptr) : -1;
    if (px > 0 && px < bound) {
        // The element's own header is searched, its value is not.
        i = DicomTagScan(buf, n, 0, std::min(px + 8, bound), tag, nested, &inner);
        if (!i) {
            int end = px;
            i = DicomPixelItemFind(buf, bound, n.pixeltag, px, tag, &end);
            if (!i) i = DicomTagScan(buf, n, end, bound, tag, nested, &inner);
        }
    } else {
        i = DicomTagScan(buf, n, 0, bound, tag, nested, &inner);
    }
    if (i) return ReadByteGroup(buf, bound, ghi, glo, ehi, elo, value, nvalue, header, i);
    if (!nested || !inner) return 0;
    return ReadByteGroup(buf, bound, ghi, glo, ehi, elo, value, nvalue, header, inner);
}

// A sequence item may lend the data set an element it lacks, but never one that defines the
// image: an icon's rows, bits or pixels are not the image's.
static int DcmTagMayNest(const unsigned char *t) {
    unsigned group = unsigned(t[0] << 8 | t[1]);
    return group != 0x0002 && group != 0x0028 && group != 0x7FE0;
}

/* ---- group records ---- */

DICOMCTX *DicomCtxCreate() {
    auto *ctx = static_cast<DICOMCTX *>(MemCreate(long(sizeof(DICOMCTX)), dcm_tag));
    if (ctx) memset(ctx, 0, sizeof *ctx);
    return ctx;
}

void DicomCtxRelease(DICOMCTX *ctx) {
    if (!ctx) return;
    DcmGroupPaletteRelease(&ctx->groups.dcmgroup0028);
    MemFree(ctx, dcm_tag);
}

void DicomUnitsEmpty(DICOMCTX *ctx) {
    if (!ctx) return;
    DcmGroupPaletteRelease(&ctx->groups.dcmgroup0028);
    memset(&ctx->groups, 0, sizeof ctx->groups);
}

// The value bytes of a text element, found as the dictionary finds it, uncut by the normalisation:
// the character set converter needs every byte and the '^' of a name.
static void DcmRawValue(FILEINFO *fi, int bound, int g, int e, char *dst, size_t size,
                        DICOMCTX *ctx) {
    dst[0] = 0;
    uint8_t header[8];
    int at = DicomTagFind(fi, bound, g >> 8, g & 0xFF, e >> 8, e & 0xFF, 1, ctx->Byte4h,
                          int(sizeof ctx->Byte4h), header);
    int len;
    const uint8_t *buf = DicomFileBytes(fi, &len);
    int n = 0;
    if (at <= 0 || DicomValueSpan(buf, len, at, &n) < 0) return;
    n = std::min({n, int(size) - 1, int(sizeof ctx->Byte4h)});
    memcpy(dst, ctx->Byte4h, size_t(n));
    dst[n] = 0;
}

int DcmGroupSetup(DICOMCTX *ctx, FILEINFO *fi, int limit, int group, void *rec) {
    int len;
    const uint8_t *buf = DicomFileBytes(fi, &len);
    if (!ctx || !buf || !rec || group < 0 || group >= DCM_GROUPS) return WIN_ERROR_ARG;
    const DCMGROUPDEF &def = DcmGroupDef[group];
    int bound = group == DCM_GFFFE ? len : std::min(std::max(limit, 0), len);
    // The meta group lies in front of the data set: a walked file has none past it.
    const DICOMNEST &nest = DicomFileHeld(fi)->nest;
    if (group == DCM_G0002 && (nest.pixeltag || nest.ended)) bound = std::min(bound, nest.metaend);
    uint8_t header[8];
    for (int row = 0; row < def.rows; row++) {
        const unsigned char *t = def.tag[row];
        int at = DicomTagFind(fi, bound, t[0], t[1], t[2], t[3], DcmTagMayNest(t), ctx->Byte4h,
                              int(sizeof ctx->Byte4h), header);
        if (!at) continue;
        // A value ends at its length: a short "-120.5" must not take in the next tag's bytes.
        int n = 0;
        if (DicomValueSpan(buf, len, at, &n) >= 0 && n >= 0 && n < int(sizeof ctx->Byte4h))
            memset(ctx->Byte4h + n, 0, sizeof ctx->Byte4h - size_t(n));
        const uint8_t *value =
            EntryResolv(atoi(def.unit[row][1]), ctx->Byte4h, header, ctx->dcm_value);
        DcmGroupFillRow(group, row, value, rec);
    }
    if (group == DCM_G0008)
        DcmRawValue(fi, bound, 0x0008, 0x0005,
                    static_cast<DCMGROUP0008 *>(rec)->SpecificCharacterSetValue,
                    sizeof static_cast<DCMGROUP0008 *>(rec)->SpecificCharacterSetValue, ctx);
    if (group == DCM_G0010)
        DcmRawValue(fi, bound, 0x0010, 0x0010, static_cast<DCMGROUP0010 *>(rec)->PatientsNameValue,
                    sizeof static_cast<DCMGROUP0010 *>(rec)->PatientsNameValue, ctx);
    return FILE_SUCCES;
}

int DcmGroupSetup0000(DICOMCTX *ctx, FILEINFO *fi, int limit, DCMGROUP0000 *rec) {
    return DcmGroupSetup(ctx, fi, limit, DCM_G0000, rec);
}
int DcmGroupSetup0002(DICOMCTX *ctx, FILEINFO *fi, int limit, DCMGROUP0002 *rec) {
    return DcmGroupSetup(ctx, fi, limit, DCM_G0002, rec);
}
int DcmGroupSetup0004(DICOMCTX *ctx, FILEINFO *fi, int limit, DCMGROUP0004 *rec) {
    return DcmGroupSetup(ctx, fi, limit, DCM_G0004, rec);
}
int DcmGroupSetup0008(DICOMCTX *ctx, FILEINFO *fi, int limit, DCMGROUP0008 *rec) {
    return DcmGroupSetup(ctx, fi, limit, DCM_G0008, rec);
}
int DcmGroupSetup0010(DICOMCTX *ctx, FILEINFO *fi, int limit, DCMGROUP0010 *rec) {
    return DcmGroupSetup(ctx, fi, limit, DCM_G0010, rec);
}
int DcmGroupSetup0018(DICOMCTX *ctx, FILEINFO *fi, int limit, DCMGROUP0018 *rec) {
    return DcmGroupSetup(ctx, fi, limit, DCM_G0018, rec);
}
int DcmGroupSetup0020(DICOMCTX *ctx, FILEINFO *fi, int limit, DCMGROUP0020 *rec) {
    return DcmGroupSetup(ctx, fi, limit, DCM_G0020, rec);
}
int DcmGroupSetup0028(DICOMCTX *ctx, FILEINFO *fi, int limit, DCMGROUP0028 *rec) {
    return DcmGroupSetup(ctx, fi, limit, DCM_G0028, rec);
}
int DcmGroupSetup0032(DICOMCTX *ctx, FILEINFO *fi, int limit, DCMGROUP0032 *rec) {
    return DcmGroupSetup(ctx, fi, limit, DCM_G0032, rec);
}
int DcmGroupSetup0038(DICOMCTX *ctx, FILEINFO *fi, int limit, DCMGROUP0038 *rec) {
    return DcmGroupSetup(ctx, fi, limit, DCM_G0038, rec);
}
int DcmGroupSetup0088(DICOMCTX *ctx, FILEINFO *fi, int limit, DCMGROUP0088 *rec) {
    return DcmGroupSetup(ctx, fi, limit, DCM_G0088, rec);
}
int DcmGroupSetup2000(DICOMCTX *ctx, FILEINFO *fi, int limit, DCMGROUP2000 *rec) {
    return DcmGroupSetup(ctx, fi, limit, DCM_G2000, rec);
}
int DcmGroupSetup2010(DICOMCTX *ctx, FILEINFO *fi, int limit, DCMGROUP2010 *rec) {
    return DcmGroupSetup(ctx, fi, limit, DCM_G2010, rec);
}
int DcmGroupSetup2020(DICOMCTX *ctx, FILEINFO *fi, int limit, DCMGROUP2020 *rec) {
    return DcmGroupSetup(ctx, fi, limit, DCM_G2020, rec);
}
int DcmGroupSetup2030(DICOMCTX *ctx, FILEINFO *fi, int limit, DCMGROUP2030 *rec) {
    return DcmGroupSetup(ctx, fi, limit, DCM_G2030, rec);
}
int DcmGroupSetup2040(DICOMCTX *ctx, FILEINFO *fi, int limit, DCMGROUP2040 *rec) {
    return DcmGroupSetup(ctx, fi, limit, DCM_G2040, rec);
}
int DcmGroupSetup2100(DICOMCTX *ctx, FILEINFO *fi, int limit, DCMGROUP2100 *rec) {
    return DcmGroupSetup(ctx, fi, limit, DCM_G2100, rec);
}
int DcmGroupSetup2110(DICOMCTX *ctx, FILEINFO *fi, int limit, DCMGROUP2110 *rec) {
    return DcmGroupSetup(ctx, fi, limit, DCM_G2110, rec);
}
int DcmGroupSetup4008(DICOMCTX *ctx, FILEINFO *fi, int limit, DCMGROUP4008 *rec) {
    return DcmGroupSetup(ctx, fi, limit, DCM_G4008, rec);
}
int DcmGroupSetup50xx(DICOMCTX *ctx, FILEINFO *fi, int limit, DCMGROUP50XX *rec) {
    return DcmGroupSetup(ctx, fi, limit, DCM_G50XX, rec);
}
int DcmGroupSetup60xx(DICOMCTX *ctx, FILEINFO *fi, int limit, DCMGROUP60XX *rec) {
    return DcmGroupSetup(ctx, fi, limit, DCM_G60XX, rec);
}
int DcmGroupSetupFFFE(DICOMCTX *ctx, FILEINFO *fi, int limit, DCMGROUPFFFE *rec) {
    return DcmGroupSetup(ctx, fi, limit, DCM_GFFFE, rec);
}

int DicomUnitsSort(DICOMCTX *ctx, FILEINFO *fi, int limit) {
    if (!ctx) return WIN_ERROR_ARG;
    if (!DicomFileBytes(fi, nullptr)) return FILE_ERROR_DATA;
    for (int g = 0; g < DCM_GROUPS; g++)
        DcmGroupSetup(ctx, fi, limit, g, DcmGroupCurrent(&ctx->groups, g));
    return FILE_SUCCES;
}

/* ---- entry table ---- */

int DicomEntryTableRemove(FILEREQ *req, void **table) {
    (void)req;
    if (!table) return WIN_ERROR_ARG;
    DcmGroupPaletteRelease(static_cast<DCMGROUP0028 *>(table[DCM_G0028]));
    MemFreeArray(table, dcm_tag, 0, DCM_GROUPS, 1);
    return FILE_SUCCES;
}

void **DicomEntryTableSetup(DICOMCTX *ctx, FILEREQ *req) {
    if (!ctx) return nullptr;
    auto **table = static_cast<void **>(MemCreate(DCM_GROUPS * long(sizeof(void *)), dcm_tag));
    if (!table) return nullptr;
    for (int g = 0; g < DCM_GROUPS; g++)
        table[g] = nullptr;
    for (int g = 0; g < DCM_GROUPS; g++) {
        const DCMGROUPDEF &def = DcmGroupDef[g];
        table[g] = MemCreate(long(def.size), dcm_tag);
        if (!table[g]) {
            DicomEntryTableRemove(req, table);
            return nullptr;
        }
        memcpy(table[g], DcmGroupCurrent(&ctx->groups, g), def.size);
        if (g == DCM_G0028 && DcmGroupPaletteCopy(static_cast<DCMGROUP0028 *>(table[g]),
                                                  &ctx->groups.dcmgroup0028) != FILE_SUCCES) {
            DicomEntryTableRemove(req, table);
            return nullptr;
        }
    }
    return table;
}

/* ---- header set-up ---- */

static void DicomCopyText(char *dst, size_t size, const char *src) {
    size_t n = strnlen(src, size - 1);
    memcpy(dst, src, n);
    dst[n] = 0;
}

// Decimal text to int, saturating instead of overflowing.
static int DicomAtoi(const char *text) {
    long long v = strtoll(text, nullptr, 10);
    return int(std::max<long long>(std::min<long long>(v, INT_MAX), INT_MIN));
}

static float DicomRescaleValue(const char *text, float fallback) {
    if (strlen(text) <= 1) return fallback;
    float v = strtof(text, nullptr);
    return std::isfinite(v) ? v : fallback;
}

// Output bytes of all frames must be countable and at most 2 GiB.
static bool DicomSizeFits(const DICOMDESC *d) {
    uint64_t n = uint64_t(d->rows) * uint64_t(d->columns);
    uint64_t samples = uint64_t(std::max(d->samples, 1));
    uint64_t frames = uint64_t(std::max(d->frames, 1));
    if (__builtin_mul_overflow(n, samples, &n) || __builtin_mul_overflow(n, frames, &n))
        return false;
    return n <= (uint64_t(1) << 31);
}

// The descriptor and the record's size and depth from the parsed records.
static int DicomEntryApply(DICOMCTX *ctx, FILEINFO *fi, DICOMDESC *desc) {
    const DCMGROUP0028 &g = ctx->groups.dcmgroup0028;
    desc->slope = DicomRescaleValue(g.RescaleSlope, 1.0f);
    desc->intercept = DicomRescaleValue(g.RescaleIntercept, 0.0f);
    desc->frames = std::max(DicomAtoi(g.NumberOfFrames), 0);
    desc->rows = g.Rows;
    desc->columns = g.Columns;
    desc->bitsallocated = g.BitsAllocated;
    desc->bitsstored = g.BitsStored;
    desc->highbit = g.HighBit;
    desc->pixelrep = g.PixelRepresentation;
    desc->minval = int16_t(g.SmallestImagePixelValue);
    desc->maxval = int16_t(g.LargestImagePixelValue);
    DicomCopyText(desc->photometric, sizeof desc->photometric, g.PhotometricInterpretation);
    desc->planar = g.PlanarConfiguration;
    desc->samples = g.SamplesPerPixel;

    int r = FILE_SUCCES;
    switch (DicomPhotometricClass(g.PhotometricInterpretation)) {
    case DICOM_PI_MONO1:
    case DICOM_PI_MONO2:
        fi->bit = 8;
        fi->maptyp = MAPTYP_GREY;
        break;
    case DICOM_PI_PALETTE:
        fi->bit = 8;
        fi->maptyp = MAPTYP_PALETTE;
        break;
    case DICOM_PI_RGB:
    case DICOM_PI_YBR_FULL:
    case DICOM_PI_YBR_422:
        // Planar and YBR data are turned into interleaved RGB.
        fi->bit = 24;
        fi->maptyp = MAPTYP_RGB;
        break;
    default:
        r = FILE_ERROR_FORMAT;
        break;
    }
    fi->w = desc->columns;
    fi->h = desc->rows;
    if (r == FILE_SUCCES && (!DicomSizeFits(desc) || DicomAtoi(g.NumberOfFrames) < 0))
        r = FILE_ERROR_DATA;
    return r;
}

// The stderr line for a header DicomEntrySetup refused with -103.
static void DicomHeaderRefused(const DICOMCTX *ctx, const char *path) {
    const DCMGROUP0028 &g = ctx->groups.dcmgroup0028;
    if (DicomAtoi(g.NumberOfFrames) < 0)
        fprintf(stderr, "dravik: %s: Number of Frames is negative (%s)\n", path, g.NumberOfFrames);
    else
        fprintf(stderr,
                "dravik: %s: %ux%u pixels x %u samples x %s frames exceed the 2 GiB image limit\n",
                path, g.Columns, g.Rows, g.SamplesPerPixel,
                g.NumberOfFrames[0] ? g.NumberOfFrames : "1");
}

int DicomEntrySetup(DICOMCTX *ctx, FILEINFO *fi, DICOMDESC *desc) {
    if (!ctx || !fi || !desc) return WIN_ERROR_ARG;
    int len;
    if (!DicomFileBytes(fi, &len)) return FILE_ERROR_DATA;
    desc->filesize = len;
    DicomUnitsSort(ctx, fi, desc->dataoffset);
    return DicomEntryApply(ctx, fi, desc);
}

/* ---- transfer syntax ---- */

int DicomTransferSyntaxClass(const char *uid) {
    if (!uid) return DICOM_TS_NATIVE;
    char text[72];
    DicomCopyText(text, sizeof text, uid);
    size_t n = strlen(text);
    while (n > 0 && DcmIsSpace(uint8_t(text[n - 1])))
        text[--n] = 0;
    // Big-endian and deflated data sets are little endian once the file is loaded.
    if (!n || !strcmp(text, uid_implicit_le) || !strcmp(text, uid_explicit_le) ||
        !strcmp(text, uid_explicit_be) || !strcmp(text, uid_deflated))
        return DICOM_TS_NATIVE;
    if (!strcmp(text, uid_lossless) || !strcmp(text, uid_lossless_sv1)) return DICOM_TS_LOSSLESS;
    if (!strcmp(text, uid_jpeg_baseline) || !strcmp(text, uid_jpeg_extended)) return DICOM_TS_JPEG;
    if (!strcmp(text, uid_rle)) return DICOM_TS_RLE;
    if (!strcmp(text, uid_jls) || !strcmp(text, uid_jls_near)) return DICOM_TS_JPEGLS;
    if (!strcmp(text, uid_j2k) || !strcmp(text, uid_j2k_lossy)) return DICOM_TS_J2K;
    return DICOM_TS_REFUSED;
}

const char *DicomUidName(const char *uid) {
    if (!uid) return nullptr;
    for (const DICOMUID &u : DicomTransUID)
        if (!strcmp(u.uid, uid)) return u.name;
    for (const DICOMUID &u : DicomTransUIDJpeg)
        if (!strcmp(u.uid, uid)) return u.name;
    for (const DICOMUID &u : DicomTransUIDMore)
        if (!strcmp(u.uid, uid)) return u.name;
    for (const DICOMUID &u : DicomSopUIDMore)
        if (!strcmp(u.uid, uid)) return u.name;
    return nullptr;
}

static int DicomSyntaxRefused(const char *path, const char *uid) {
    const char *name = DicomUidName(uid);
    fprintf(stderr, "dravik: %s: transfer syntax %s (%s) is not supported\n", path, uid,
            name ? name : "unknown");
    return FILE_ERROR_FORMAT;
}

/* ---- the test ---- */

// The data set's own Pixel Data; an icon's comes before it.
static int DicomPixelTag(const FILEINFO *fi) {
    const DICOMFILE *f = DicomFileHeld(fi);
    if (f && f->nest.pixeltag) return f->nest.pixeltag;
    uint8_t header[8];
    return DicomTagFind(fi, INT_MAX, 0x7F, 0xE0, 0x00, 0x10, 0, nullptr, 0, header);
}

// Whether the data set names Rows and Columns ahead of its Pixel Data at `pixeltag`.
static bool DicomImageSized(const FILEINFO *fi, int pixeltag) {
    uint8_t header[8];
    return DicomTagFind(fi, pixeltag, 0x00, 0x28, 0x00, 0x10, 0, nullptr, 0, header) &&
           DicomTagFind(fi, pixeltag, 0x00, 0x28, 0x00, 0x11, 0, nullptr, 0, header);
}

// A file that parses but holds no picture: the request says so, with the object's SOP class.
static int DicomNoImage(DICOMCTX *ctx, FILEREQ *req, FILEINFO *fi) {
    int len;
    const uint8_t *buf = DicomFileBytes(fi, &len);
    DcmGroupSetup(ctx, fi, len, DCM_G0002, &ctx->groups.dcmgroup0002);
    DcmGroupSetup(ctx, fi, len, DCM_G0008, &ctx->groups.dcmgroup0008);
    char *uid = ctx->groups.dcmgroup0008.SOPClassUID;
    // The search never sees a tag at offset 0, where a bare data set may hold its class.
    if (!uid[0] && len >= 8 && !memcmp(buf, "\x08\x00\x16\x00", 4)) {
        int n;
        int at = DicomValueSpan(buf, len, 0, &n);
        n = std::min(n, int(sizeof ctx->groups.dcmgroup0008.SOPClassUID) - 1);
        memcpy(uid, buf + at, size_t(n));
        uid[n] = 0;
        while (n > 0 && (!uid[n - 1] || DcmIsSpace(uint8_t(uid[n - 1]))))
            uid[--n] = 0;
    }
    DicomDataRelease(fi);
    if (!uid[0]) uid = ctx->groups.dcmgroup0002.MediaStoredSOPClassUID;
    const char *name = DicomUidName(uid);
    snprintf(req->what, sizeof req->what, "%s", name ? name : uid);
    req->noimage = FILE_ERROR_NOIMAGE;
    req->recognised = 1;
    return FILE_ERROR_NOIMAGE;
}

// The caller's context, or one of the call's own that goes with the call.
struct DICOMCTXSCOPE {
    DICOMCTX *ctx;
    bool own;
    explicit DICOMCTXSCOPE(DICOMCTX *given) : ctx(given ? given : DicomCtxCreate()), own(!given) {}
    DICOMCTXSCOPE(const DICOMCTXSCOPE &) = delete;
    DICOMCTXSCOPE &operator=(const DICOMCTXSCOPE &) = delete;
    ~DICOMCTXSCOPE() {
        if (own) DicomCtxRelease(ctx);
    }
};

static int DicomTest(DICOMCTX *ctx, FILEREQ *req, FILEINFO *fi, int mode) {
    DicomUnitsEmpty(ctx);
    DICOMDESC &desc = ctx->dicomdesc;
    const DCMGROUP0002 &g02 = ctx->groups.dcmgroup0002;
    memset(&desc, 0, sizeof desc);
    if (!req || !fi || !req->path) return WIN_ERROR_ARG;
    struct stat st;
    if (stat(req->path, &st) != 0) return FILE_ERROR_READ;
    // The minimum size keeps other small files out; the marker says DICOM at any size.
    if (st.st_size > INT_MAX) return FILE_ERROR_DATA;
    if (st.st_size < DICOM_MIN_FILE && !DicomMarkedFile(req->path)) return FILE_ERROR_DATA;
    DicomDataRelease(fi);
    fi->fsize = int(st.st_size);
    int r = DicomFileLoad(fi, req->path, long(st.st_size), req->mapped != 0);
    if (r != FILE_SUCCES) return r;

    int len;
    const uint8_t *buf = DicomFileBytes(fi, &len);
    if (const DICOMFILE *f = DicomFileHeld(fi); f->refused) {
        fprintf(stderr, "dravik: %s: %s\n", req->path, f->why);
        req->recognised = 1;
        r = f->refused;
        DicomDataRelease(fi);
        return r;
    }
    const DICOMNEST &nest = DicomFileHeld(fi)->nest;
    // A data set that walks to its end is one: whatever a byte search finds in it is no image.
    const bool dataset = DicomMarked(buf, len) || DicomPlainStart(buf, len, nullptr, nullptr);
    if (dataset && (nest.ended || (nest.pixeltag && !DicomImageSized(fi, nest.pixeltag))))
        return DicomNoImage(ctx, req, fi);
    int tag = DicomPixelTag(fi);
    if (!tag) {
        // The meta header is little endian whatever follows; a big-endian data set hides its
        // pixel tag, so name the syntax that did.
        DcmGroupSetup(ctx, fi, len, DCM_G0002, &ctx->groups.dcmgroup0002);
        DicomDataRelease(fi);
        if (DicomTransferSyntaxClass(g02.TransferSyntaxUID) == DICOM_TS_REFUSED)
            return DicomSyntaxRefused(req->path, g02.TransferSyntaxUID);
        return FILE_ERROR_FORMAT;
    }
    desc.dataoffset = DicomValueSpan(buf, len, tag, nullptr);
    r = DicomEntrySetup(ctx, fi, &desc);
    if (ctx->groups.dcmgroup0028.Rows == 0 || ctx->groups.dcmgroup0028.Columns == 0) {
        DicomDataRelease(fi);
        // Tags of another byte order or a compressed data set are not found: say why.
        if (DicomTransferSyntaxClass(g02.TransferSyntaxUID) == DICOM_TS_REFUSED)
            return DicomSyntaxRefused(req->path, g02.TransferSyntaxUID);
        return r == FILE_SUCCES ? FILE_ERROR_DATA : r;
    }
    req->recognised = 1;
    fi->fsize = len;
    fi->ftyp = FTYP_DICOM;
    if (mode == 1 || mode == 2) r = FILE_SUCCES;
    if (r == FILE_ERROR_DATA) DicomHeaderRefused(ctx, req->path);
    if (r != FILE_SUCCES) DicomDataRelease(fi);
    // The test's searches passed over the pixel data; its frames are brought in as decoded.
    if (r == FILE_SUCCES && req->mapped) DicomFileDrop(fi, desc.dataoffset, len);
    return r;
}

int IsFileDicom(FILEREQ *req, FILEINFO *fi, int mode, DICOMCTX *ctx) {
    DICOMCTXSCOPE scope(ctx);
    if (!scope.ctx) return WIN_ERROR_MEMORY;
    int r = DicomTest(scope.ctx, req, fi, mode);
    // The read that follows takes over the parse instead of repeating it.
    DICOMFILE *f = r == FILE_SUCCES ? DicomFileHeld(fi) : nullptr;
    if (f && scope.own) {
        DicomCtxRelease(f->parsed);
        f->parsed = scope.ctx;
        scope.own = false;
    }
    return r;
}

/* ---- colour maps ---- */

static void DicomColormapRelease(FILEINFO *fi) {
    for (uint16_t **map : {&fi->rmap, &fi->gmap, &fi->bmap}) {
        if (*map) MemFree(*map, dcm_tag);
        *map = nullptr;
    }
}

// Maps with room for 2 x mapentry 16-bit entries, as the image record's maps are made.
static int DicomColormapCreate(FILEINFO *fi) {
    long bytes = 4L * fi->mapentry;
    for (uint16_t **map : {&fi->rmap, &fi->gmap, &fi->bmap}) {
        *map = static_cast<uint16_t *>(MemCreate(bytes, dcm_tag));
        if (!*map) {
            DicomColormapRelease(fi);
            return WIN_ERROR_MEMORY;
        }
        memset(*map, 0, size_t(bytes));
    }
    return FILE_SUCCES;
}

// The palette tables' bytes into the entry table's buffers (each sized from its descriptor's
// first word); only what the element really holds is copied. The maps are the pixel stage's.
static void DicomPaletteTablesCopy(DCMGROUP0028 *g, const FILEINFO *fi) {
    int len;
    const uint8_t *buf = DicomFileBytes(fi, &len);
    uint8_t *data[3] = {g->RedPaletteColorLookupTableData, g->GreenPaletteColorLookupTableData,
                        g->BluePaletteColorLookupTableData};
    const uint16_t *desc[3] = {g->RedPaletteColorLookupTableDescriptor,
                               g->GreenPaletteColorLookupTableDescriptor,
                               g->BluePaletteColorLookupTableDescriptor};
    for (int c = 0; c < 3; c++) {
        if (!data[c]) continue;
        uint8_t header[8];
        int tag = DicomTagFind(fi, len, 0x00, 0x28, 0x12, 0x01 + c, 0, nullptr, 0, header);
        if (!tag) continue;
        int vlen;
        int start = DicomValueSpan(buf, len, tag, &vlen);
        long bytes = std::min(2L * desc[c][0], long(vlen));
        memcpy(data[c], buf + start, size_t(bytes));
    }
}

/* ---- the read ---- */

// Undoes what a failed read made; the record then holds no maps or DICOM data.
static int DicomReadFail(FILEINFO *fi, void **table, int code) {
    if (table) DicomEntryTableRemove(nullptr, table);
    DicomDataRelease(fi);
    DicomColormapRelease(fi);
    fi->mapentry = 0;
    return code;
}

static int DicomRead(FILEREQ *req, FILEINFO *fi, DICOMSAMPLES *raw, DICOMCTX *given, bool probe) {
    if (!req || !fi || !req->path) return WIN_ERROR_ARG;
    int len;
    const uint8_t *buf = DicomFileBytes(fi, &len);
    if (!buf) return FILE_ERROR_DATA;
    struct stat st;
    if (stat(req->path, &st) != 0) return DicomReadFail(fi, nullptr, FILE_ERROR_READ);

    // The test's parse of these bytes, unless the caller wants the read's in a context of its own.
    DICOMCTX *parsed = nullptr;
    if (!given) std::swap(parsed, DicomFileHeld(fi)->parsed);
    DICOMCTXSCOPE scope(given ? given : parsed);
    if (parsed) scope.own = true;
    DICOMCTX *ctx = scope.ctx;
    if (!ctx) return DicomReadFail(fi, nullptr, -8);
    DICOMDESC *desc = &ctx->dicomdesc;
    fi->fsize = len;
    int r;
    if (parsed) {
        r = DicomEntryApply(ctx, fi, desc);
    } else {
        DicomUnitsEmpty(ctx);
        memset(desc, 0, sizeof *desc);
        int tag = DicomPixelTag(fi);
        if (!tag) return DicomReadFail(fi, nullptr, FILE_ERROR_FORMAT);
        desc->dataoffset = DicomValueSpan(buf, len, tag, nullptr);
        r = DicomEntrySetup(ctx, fi, desc);
    }
    if (r == FILE_ERROR_DATA) DicomHeaderRefused(ctx, req->path);
    if (r != FILE_SUCCES) return DicomReadFail(fi, nullptr, r);

    void **table = DicomEntryTableSetup(ctx, req);
    if (!table) return DicomReadFail(fi, nullptr, -8);
    auto *g28 = static_cast<DCMGROUP0028 *>(table[DCM_G0028]);
    const char *uid = static_cast<DCMGROUP0002 *>(table[DCM_G0002])->TransferSyntaxUID;
    int frames = std::max(DicomAtoi(g28->NumberOfFrames), 0);

    int syntax = DicomTransferSyntaxClass(uid);
    if (syntax == DICOM_TS_REFUSED) {
        DicomSyntaxRefused(req->path, uid);
        return DicomReadFail(fi, table, FILE_ERROR_FORMAT);
    }

    // Grey images get the ramp; palette maps need room for 65536 entries, which the pixel
    // stage fills from the file's descriptors and tables.
    if (fi->maptyp != MAPTYP_RGB && !raw && !probe) {
        fi->mapentry = fi->maptyp <= MAPTYP_GREY ? 255 : 65535;
        if (DicomColormapCreate(fi) != FILE_SUCCES) return DicomReadFail(fi, table, -8);
        if (fi->maptyp == MAPTYP_GREY)
            for (int i = 0; i < 256; i++)
                fi->rmap[i] = fi->gmap[i] = fi->bmap[i] = uint16_t(i);
    }

    DicomPaletteTablesCopy(g28, fi);

    fi->frames = frames < 2 ? 1 : frames;
    fi->fbuf = nullptr;
    r = probe ? DicomPixelProbe(req, fi, desc, syntax)
              : _IoReadDicomTransferUid(req, fi, desc, syntax, raw);
    if (r != FILE_SUCCES) return DicomReadFail(fi, table, r);
    // The file bytes go; the picture's stored values stay.
    DICOMVOI *voi = std::exchange(fi->voi, nullptr);
    DicomDataRelease(fi);
    fi->voi = voi;
    fi->dicom = table;
    fi->release = DicomDataRelease;
    return FILE_SUCCES;
}

int IoReadDicom(FILEREQ *req, FILEINFO *fi, DICOMCTX *ctx) {
    return DicomRead(req, fi, nullptr, ctx, false);
}

int IoReadDicomProbe(FILEREQ *req, FILEINFO *fi, DICOMCTX *ctx) {
    return DicomRead(req, fi, nullptr, ctx, true);
}

int IoReadDicomRaw(FILEREQ *req, FILEINFO *fi, DICOMSAMPLES *raw, DICOMCTX *ctx) {
    if (!raw) return WIN_ERROR_ARG;
    return DicomRead(req, fi, raw, ctx, false);
}

/* ---- header fields for the tool and the toolbar ---- */

int DicomImageDescription(void *const *table, char *out, size_t size) {
    if (!out || !size) return WIN_ERROR_ARG;
    if (!table) {
        snprintf(out, size, " ");
        return WIN_ERROR_NOIMAGE;
    }
    auto *g02 = static_cast<const DCMGROUP0002 *>(table[DCM_G0002]);
    auto *g28 = static_cast<const DCMGROUP0028 *>(table[DCM_G0028]);
    snprintf(out, size, "%s%s%ix%i Bit (%i/%i/%i) %s %s ", g28->NumberOfFrames,
             g28->NumberOfFrames[0] ? "x " : "", g28->Columns, g28->Rows, g28->BitsStored,
             g28->BitsAllocated, g28->HighBit, g28->PhotometricInterpretation,
             g02->TransferSyntaxUID);
    return FILE_SUCCES;
}

int DicomInfoGet(const FILEINFO *fi, DICOMINFO *info) {
    if (!info) return WIN_ERROR_ARG;
    void **table = DicomEntryTable(fi);
    int r = DicomImageDescription(table, info->description, sizeof info->description);
    if (!table) {
        snprintf(info->photometric, sizeof info->photometric, " ");
        snprintf(info->transfer_syntax, sizeof info->transfer_syntax, " ");
        snprintf(info->patient_name, sizeof info->patient_name, " ");
        return r;
    }
    auto *g02 = static_cast<const DCMGROUP0002 *>(table[DCM_G0002]);
    auto *g10 = static_cast<const DCMGROUP0010 *>(table[DCM_G0010]);
    auto *g28 = static_cast<const DCMGROUP0028 *>(table[DCM_G0028]);
    DicomCopyText(info->photometric, sizeof info->photometric, g28->PhotometricInterpretation);
    DicomCopyText(info->transfer_syntax, sizeof info->transfer_syntax, g02->TransferSyntaxUID);
    auto *g08 = static_cast<const DCMGROUP0008 *>(table[DCM_G0008]);
    char utf8[sizeof info->patient_name * 2];
    DcmTextToUtf8(g08->SpecificCharacterSetValue,
                  reinterpret_cast<const uint8_t *>(g10->PatientsNameValue),
                  strnlen(g10->PatientsNameValue, sizeof g10->PatientsNameValue), DCMTEXT_PN, utf8,
                  sizeof utf8);
    DcmTextPersonName(utf8, info->patient_name, sizeof info->patient_name);
    if (!info->patient_name[0]) snprintf(info->patient_name, sizeof info->patient_name, " ");
    return FILE_SUCCES;
}
