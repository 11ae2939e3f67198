// Text values of DICOM files as UTF-8: the Specific Character Set (0008,0005) decides how the
// bytes of PN, LO, SH, ST, LT, UT and UC values read. ISO 2022 values are walked segment by
// segment through their escape sequences.
#pragma once

#include <cstddef>
#include <cstdint>

// What delimits a value's parts; ISO 2022 designations return to the set's initial state there.
enum {
    DCMTEXT_PN = 1,    // person name: '^' '=' '\' and line ends
    DCMTEXT_MULTI = 2, // LO SH UC: '\' between values
    DCMTEXT_TEXT = 3   // ST LT UT: line ends only
};
// Results besides 100: an unknown set (the bytes are kept, those past ASCII written as "\xNN"),
// and bytes that did not read in a known set (each shown as U+FFFD).
enum { DCMTEXT_UNKNOWN_SET = 1, DCMTEXT_REPLACED = 2 };

// in[0, n) read under `charset` (the element's raw value, several terms split by '\'; null or
// blank for the default repertoire) into dst[size] as UTF-8, cut at a character boundary and
// terminated; trailing blanks and NULs of the value dropped. 100, DCMTEXT_UNKNOWN_SET,
// DCMTEXT_REPLACED, or -15 for bad arguments.
int DcmTextToUtf8(const char *charset, const uint8_t *in, size_t n, int kind, char *dst,
                  size_t size);
// What a person name shows: of its first value the first non-empty component group
// (alphabetic, ideographic, phonetic), components joined by ','. utf8 is a converted value.
int DcmTextPersonName(const char *utf8, char *dst, size_t size);
