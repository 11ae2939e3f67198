// DICOM pixel data, the frame path: native and encapsulated frames (lossless JPEG, baseline and
// extended JPEG, RLE) of any count into the image record.
#pragma once

#include "dicom/io_dcm3.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// One fragment (item value) of encapsulated pixel data: file offset and length.
struct DICOMFRAG {
    long offset;
    long length;
};

// The items behind an encapsulated pixel data element at `offset` (the first item tag): the
// basic offset table and the fragments. 100, or 150 when the items end early (truncated or
// damaged); fragments cut by the file's end are kept with what is there.
int DicomItemsRead(const uint8_t *buf, long len, long offset, std::vector<uint32_t> *bot,
                   std::vector<DICOMFRAG> *frags);
// Which fragments make up each of `frames` frames: per frame the first fragment and the count
// (0 when the frame is missing). Uses the offset table when it is present and fits; otherwise
// one frame for a single-frame image, one fragment per frame when the counts agree, else
// fragments joined up to an EOI marker (`jpeg`) or one fragment per frame.
void DicomFramesLocate(const uint8_t *buf, const std::vector<uint32_t> &bot,
                       const std::vector<DICOMFRAG> &frags, int frames, bool jpeg,
                       std::vector<DICOMFRAG> *spans);

// Decodes one RLE Lossless frame into its native (interleaved little-endian) layout, dst of
// lay->framebytes bytes. 100, 150 when segments were short (rest zero), -103 when unusable.
int DicomRleFrame(const uint8_t *data, size_t len, const DICOMLAYOUT *lay, uint8_t *dst);

// Decodes one lossless JPEG frame with the decoder of the ljpeg unit: a one-sample frame into
// the store's frame f, a colour frame into 8-bit R, G, B at out. Result as decompFrame's.
int decompFrameDicom(const uint8_t *data, size_t len, const DICOMLAYOUT *lay, DICOMSAMPLES *s,
                     int f, uint8_t *out);

// Decodes one baseline or extended (8-bit) JPEG frame through libjpeg, the same way.
// 100, 150 when damaged (what was decoded stays), -103 when nothing could be decoded.
int DicomJpegFrame(const uint8_t *data, size_t len, const DICOMLAYOUT *lay, DICOMSAMPLES *s, int f,
                   uint8_t *out);

// The pixel stage: every frame of the file held in the record, of the given transfer-syntax
// class, into fi->fbuf (8-bit grey or palette indices, or 24-bit RGB; fi->bit, maptyp and the
// maps set to match). With raw given, a one-sample image's stored values go there instead and
// fbuf stays empty. Pixels the file does not hold are black, with one line on stderr. Frames
// are decoded side by side; results and messages are those of one frame after another, and
// progress still only rises.
// 100, -8 out of memory, -103 sizes, -111 a layout or syntax the stage does not handle.
int _IoReadDicomTransferUid(FILEREQ *req, FILEINFO *fi, DICOMDESC *desc, int syntax,
                            DICOMSAMPLES *raw);
// The pixel stage's checks without its decoding: the frame count, depth and colour-map type the
// read would give, or the code it would refuse with.
int DicomPixelProbe(FILEREQ *req, FILEINFO *fi, DICOMDESC *desc, int syntax);
