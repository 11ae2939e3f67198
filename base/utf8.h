// UTF-8 for every layer: one character at a time, validity, cutting at character boundaries and
// turning any bytes into text that can be shown. All text inside the program is UTF-8; names read
// from the system stay bytes and pass through Utf8Sanitize only to be shown.
#pragma once

#include <cstddef>
#include <string>
#include <cstdint>

enum : uint32_t { UTF8_INVALID = 0xFFFFFFFFu, UTF8_REPLACEMENT = 0xFFFDu };

// The character at s[0, n): its length (1 to 4; 0 when n is 0) and its code point in *cp, or
// UTF8_INVALID with length 1 for a byte that does not start a well-formed sequence (overlong forms,
// surrogates and values past U+10FFFF included).
int Utf8Next(const char *s, size_t n, uint32_t *cp);
// The UTF-8 bytes of cp (U+FFFD for what is no character) in out; their count.
int Utf8Encode(uint32_t cp, char out[4]);
bool Utf8Valid(const char *s, size_t n);
// Characters in s[0, n), an invalid byte counting as one.
size_t Utf8Count(const char *s, size_t n);
// The largest length <= max that ends on a character boundary of s[0, n).
size_t Utf8Cut(const char *s, size_t n, size_t max);
// The boundary before `pos` and the one after it (pos itself at the ends).
size_t Utf8Prev(const char *s, size_t n, size_t pos);
size_t Utf8After(const char *s, size_t n, size_t pos);
// src into dst[size], cut at a character boundary and terminated; the bytes written.
size_t Utf8Copy(char *dst, size_t size, const char *src);
// s[0, n) as valid UTF-8, each invalid byte shown as U+FFFD, into dst[size] (cut at a boundary,
// terminated); the bytes written.
size_t Utf8Sanitize(const char *s, size_t n, char *dst, size_t size);
// ISO 8859-1 bytes as UTF-8 into dst[size] (cut at a boundary, terminated); the bytes written.
size_t Latin1ToUtf8(const char *s, size_t n, char *dst, size_t size);
// UTF-8 to Latin-1 bytes; a character beyond Latin-1 becomes '?'.
std::string Utf8ToLatin1(const std::string &s);
// Whether cp is a printable character: not a C0 or C1 control, not DEL, not a non-character.
bool Utf8Printable(uint32_t cp);
