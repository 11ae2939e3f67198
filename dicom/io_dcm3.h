// DICOM pixel data, native layout: the sample layout of a file, stored values of one-sample
// images, the grey range and its windowing to 8 bits, palette colour and colour images.
#pragma once

#include "dicom/io_dicom.h"

#include <cstdint>
#include <cstdlib>
#include <new>
#include <utility>
#include <vector>

// Colour model of the pixel data, from the photometric interpretation.
enum {
    DICOM_PI_MONO2 = 0, // also an empty interpretation
    DICOM_PI_MONO1 = 1,
    DICOM_PI_PALETTE = 2,
    DICOM_PI_RGB = 3,
    DICOM_PI_YBR_FULL = 4,
    DICOM_PI_YBR_422 = 5,
    DICOM_PI_OTHER = -1
};
int DicomPhotometricClass(const char *photometric);

// How the samples of one frame lie in the file, checked against Bits Allocated.
struct DICOMLAYOUT {
    int bytes;   // per sample: 1, 2 or 4
    int bits;    // Bits Stored, 1 .. 8 x bytes
    int shift;   // High Bit - Bits Stored + 1
    int sign;    // Pixel Representation 1: two's complement in `bits` bits
    int samples; // per pixel: 1 or 3
    int planar;  // Planar Configuration 1: one colour plane after the other
    int pi;      // DICOM_PI_...
    int w, h, frames;
    long pixels;     // w x h
    long framebytes; // bytes of one native frame; whole bytes over it when bits are packed
    int packed;      // Bits Allocated 1: frames packed back to back, frame n from bit n x pixels
};
// Bytes all native frames take: framebytes x frames, or the bits of all pixels when packed.
long DicomNativeBytes(const DICOMLAYOUT *lay);
// One frame of 1-bit samples, LSB first, from the packed pixel data at src (avail bytes), into
// the store's frame f as 0 and 1; the number of whole pixels the bytes hold.
long DicomFrameBits(const uint8_t *src, long avail, const DICOMLAYOUT *lay, DICOMSAMPLES *s, int f);
// 100, -111 for a sample layout the stage does not handle (a stderr line says which), -103
// when the sizes do not fit.
int DicomLayoutSetup(const DICOMDESC *d, const char *path, DICOMLAYOUT *lay);

// A block for a sample store; large ones lie on huge pages, since a page fault every 4 KiB costs
// more than decoding the samples. Throws std::bad_alloc; released with DicomStoreFree.
void *DicomStoreAlloc(size_t bytes);
void DicomStoreFree(void *p, size_t bytes);

// The allocator of sample stores: resize leaves new samples unset, so that the threads that
// decode the frames are the first to touch their memory.
template <class T> struct DICOMSTOREALLOC {
    using value_type = T;
    DICOMSTOREALLOC() = default;
    template <class U> DICOMSTOREALLOC(const DICOMSTOREALLOC<U> &) noexcept {}
    T *allocate(size_t n) { return static_cast<T *>(DicomStoreAlloc(n * sizeof(T))); }
    void deallocate(T *p, size_t n) noexcept { DicomStoreFree(p, n * sizeof(T)); }
    template <class U> void construct(U *p) noexcept { ::new (static_cast<void *>(p)) U; }
    template <class U, class... A> void construct(U *p, A &&...a) {
        ::new (static_cast<void *>(p)) U(std::forward<A>(a)...);
    }
    template <class U> bool operator==(const DICOMSTOREALLOC<U> &) const noexcept { return true; }
    template <class U> bool operator!=(const DICOMSTOREALLOC<U> &) const noexcept { return false; }
};

// Stored values of a one-sample image, every frame, each masked to Bits Stored (signed values
// keep their two's complement bit pattern). The stage hands them to `--raw` as they are.
struct DICOMSAMPLES {
    int w, h, frames; // frames: in the store
    int bits, sign;
    std::vector<uint16_t, DICOMSTOREALLOC<uint16_t>> s16; // Bits Stored up to 16
    std::vector<uint32_t, DICOMSTOREALLOC<uint32_t>> s32; // wider
    std::vector<long> valid; // per frame: pixels from the frame's start the file held
    int total = 0;           // frames of the image
    int first = 0;           // the image's frame at store index 0
    // Asked of a raw read before it starts. `only` >= 0: that frame alone is decoded (the store
    // holds it, or nothing when the image has fewer frames). `sink`: the frames are decoded a
    // few at a time and handed to it in order (store index f - first), so the store never
    // holds more than those few; a sink's non-zero result stops the read with that code.
    int only = -1;
    int (*sink)(void *ctx, const DICOMSAMPLES *s, int f) = nullptr;
    void *sinkctx = nullptr;
};
// Room for `count` frames from image frame `first` (count < 0: all frames), not cleared:
// whoever fills frame f writes or clears each of its samples. 100 or -8.
int DicomSamplesCreate(const DICOMLAYOUT *lay, DICOMSAMPLES *s, int first = 0, int count = -1);
// Signed value of a stored bit pattern.
static inline int32_t DicomSampleValue(uint32_t p, int bits, int sign) {
    if (!sign || bits >= 32) return int32_t(p);
    uint32_t m = 1u << (bits - 1);
    return int32_t((p ^ m) - m);
}

// One native frame (avail bytes at src) into the store's frame f; the number of whole pixels.
long DicomFrameSamples(const uint8_t *src, long avail, const DICOMLAYOUT *lay, DICOMSAMPLES *s,
                       int f);
// One native colour frame (RGB, YBR_FULL or YBR_FULL_422, interleaved or planar, 8 or 16 bits)
// into w x h R, G, B triplets; pixels the file does not hold stay as they are. The number of
// whole pixels read.
long GetImageDataRGB(const uint8_t *src, long avail, const DICOMLAYOUT *lay, uint8_t *out);
// YCbCr (full range) to R, G, B in place.
void DicomYbrToRgb(uint8_t *px, long pixels);

// The mapping of stored values onto display bytes.
struct DICOMWINDOW {
    int min, max; // value range (min-max mapping)
    int rescale;  // Hounsfield window in use
    double slope, intercept;
    int hmin, hmax; // the window in Hounsfield units
    int invert;     // MONOCHROME1
    int bits, sign;
    std::vector<uint8_t> lut; // display byte per stored bit pattern, Bits Stored up to 16
};
// Stored values that are padding, not image data (Pixel Padding Value and its range limit).
struct DICOMPAD {
    int on;
    int32_t lo, hi; // signed stored values, inclusive
};
// The range scan over every frame's valid pixels, padding left out: smallest and largest signed
// value; 0 and 0 when there are none.
int GetMonochromeMinMax(const DICOMSAMPLES *s, int *min, int *max, const DICOMPAD *pad = nullptr);
// The same over frames [from, to); false when they hold no value outside the padding.
bool DicomFramesMinMax(const DICOMSAMPLES *s, int from, int to, const DICOMPAD *pad, int32_t *lo,
                       int32_t *hi);
// Range with the fallbacks for an empty or constant range, and the Hounsfield decision (the
// Hounsfield window the request carries).
void DicomWindowSetup(const DICOMDESC *d, const DICOMSAMPLES *s, int pi, const FILEREQ *req,
                      DICOMWINDOW *win, const DICOMPAD *pad = nullptr);
// Display byte of one signed stored value.
uint8_t DicomWindowValue(const DICOMWINDOW *win, int32_t v);
// One frame's stored values through the window; pixels past `valid` are black.
void GetImageDataMonochrom(const DICOMWINDOW *win, const DICOMSAMPLES *s, int f, uint8_t *out);
// All frames into a new 8-bit buffer (tagged with the request's path), with progress reports.
uint8_t *GetImageDataMonochromMultiFrame(FILEREQ *req, const DICOMDESC *d, const DICOMSAMPLES *s,
                                         int pi);

// Palette colour: indices = stored value - first mapped value, clamped to the table. Reads the
// three descriptors and the tables from the file bytes into the record's maps (which must have
// room for 65536 entries). Tables of up to 256 entries keep 8-bit indices (maptyp 3, mapentry =
// entries); larger ones give a 24-bit image and the maps are released. The new buffer, or null.
uint8_t *GetImageDataPalette(FILEREQ *req, FILEINFO *fi, const uint8_t *buf, int len,
                             const DICOMSAMPLES *s);
// The number of colours the indices reach, as GetImageDataPalette decides it: the smallest
// table a descriptor describes, 256 without descriptors.
long DicomPaletteEntries(const uint8_t *buf, int len);

// Progress to the request's status function, when the percentage changed. Decoding reports
// up to DICOM_PROGRESS_DECODED, the windowing of grey and palette images the rest.
enum { DICOM_PROGRESS_DECODED = 90 };
void DicomProgress(FILEREQ *req, int percent, int *last);
