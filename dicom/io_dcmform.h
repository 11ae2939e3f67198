// The forms a data set comes in besides little endian: explicit or implicit VR big endian,
// turned little endian in place, and the deflated syntax, inflated within a budget.
#pragma once

#include <cstddef>
#include <cstdint>

// Turns the big-endian data set at buf[start, len) into the same data set little endian, in
// place: tags, lengths and the values of binary VRs (the implicit form takes the VRs from the
// dictionary), items of sequences at any depth, and the Pixel Data words by Bits Allocated. The
// structure is checked whole before a byte changes. A Pixel Data cut by the file's end keeps
// what is there. 100, or -111 when the structure does not walk (nothing changed then).
int DicomFormSwap(uint8_t *buf, long len, long start, int implicit);

// The size the raw deflate stream src[0, n) inflates to, counted without keeping it: -103 when
// it would pass `budget` bytes, -111 when the stream is damaged before any output. A stream cut
// short counts what it gives.
long DicomFormInflatedSize(const uint8_t *src, long n, long budget);
// Inflates src[0, n) into dst, which has room for `room` bytes (DicomFormInflatedSize's
// count); the bytes written.
long DicomFormInflate(const uint8_t *src, long n, uint8_t *dst, long room);
