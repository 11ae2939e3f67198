// Lossless turns of a JPEG file through the TurboJPEG transform: a picture that was only turned
// since it was read is written from the file's coefficients rather than encoded again.
#pragma once

#include <cstdint>

enum { JPG_TURN_LOSSY = 1 }; // the turn would cut partial blocks: encode the pixels instead

// The TurboJPEG operation that turns stored pixels as orientation `value` (1..8, TIFF/Exif)
// says (1: none, the coefficients copied), or -1 for values outside.
int JpgTurnOp(int value);

// `in` (a whole JPEG stream) turned as orientation `value` says, without touching a
// coefficient: every marker of the source comes along, with the Exif orientation set to 1.
// `w` x `h` is the size the result must have (the picture the caller holds); a stream that
// gives another size is refused. On FILE_SUCCES `*out` is a MemCreate block of `*outlen`
// bytes under `tag`. JPG_TURN_LOSSY when the turn needs whole blocks the edges lack,
// FILE_ERROR_DATA for a stream the transform cannot read, -8 without memory.
int JpgTurnMem(const uint8_t *in, long inlen, int value, int w, int h, uint8_t **out, long *outlen,
               const char *tag);

// The file `source` turned as JpgTurnMem does, written to `dest` (which may be `source`: the
// old file stays whole until the new one is). `source` must still have `sourcesize` bytes.
// FILE_SUCCES, JPG_TURN_LOSSY, FILE_ERROR_READ/DATA when the source is not what was read
// (the caller encodes its pixels instead), FILE_ERROR_CREATE/WRITE for the destination.
int JpgTurnFile(const char *source, long sourcesize, int value, int w, int h, const char *dest);
