#include "base/utf8.h"

#include <cstring>

int Utf8Next(const char *s, size_t n, uint32_t *cp) {
    uint32_t dummy;
    if (!cp) cp = &dummy;
    *cp = UTF8_INVALID;
    if (!s || n == 0) return 0;
    auto b = reinterpret_cast<const uint8_t *>(s);
    if (b[0] < 0x80) {
        *cp = b[0];
        return 1;
    }
    int len;
    uint32_t c, min;
    if (b[0] >= 0xC2 && b[0] <= 0xDF)
        len = 2, c = b[0] & 0x1F, min = 0x80;
    else if (b[0] >= 0xE0 && b[0] <= 0xEF)
        len = 3, c = b[0] & 0x0F, min = 0x800;
    else if (b[0] >= 0xF0 && b[0] <= 0xF4)
        len = 4, c = b[0] & 0x07, min = 0x10000;
    else
        return 1;
    if (size_t(len) > n) return 1;
    for (int i = 1; i < len; i++) {
        if ((b[i] & 0xC0) != 0x80) return 1;
        c = c << 6 | (b[i] & 0x3F);
    }
    if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 1;
    *cp = c;
    return len;
}

int Utf8Encode(uint32_t cp, char out[4]) {
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = UTF8_REPLACEMENT;
    if (cp < 0x80) {
        out[0] = char(cp);
        return 1;
    }
    if (cp < 0x800) {
        out[0] = char(0xC0 | cp >> 6);
        out[1] = char(0x80 | (cp & 0x3F));
        return 2;
    }
    if (cp < 0x10000) {
        out[0] = char(0xE0 | cp >> 12);
        out[1] = char(0x80 | (cp >> 6 & 0x3F));
        out[2] = char(0x80 | (cp & 0x3F));
        return 3;
    }
    out[0] = char(0xF0 | cp >> 18);
    out[1] = char(0x80 | (cp >> 12 & 0x3F));
    out[2] = char(0x80 | (cp >> 6 & 0x3F));
    out[3] = char(0x80 | (cp & 0x3F));
    return 4;
}

bool Utf8Valid(const char *s, size_t n) {
    for (size_t i = 0; i < n;) {
        uint32_t cp;
        i += size_t(Utf8Next(s + i, n - i, &cp));
        if (cp == UTF8_INVALID) return false;
    }
    return true;
}

size_t Utf8Count(const char *s, size_t n) {
    size_t count = 0;
    for (size_t i = 0; i < n; count++)
        i += size_t(Utf8Next(s + i, n - i, nullptr));
    return count;
}

size_t Utf8Cut(const char *s, size_t n, size_t max) {
    if (!s || max >= n) return n;
    // Walk forward so an invalid byte counts as a character of its own.
    size_t last = 0;
    for (size_t i = 0; i <= max && i < n;) {
        last = i;
        i += size_t(Utf8Next(s + i, n - i, nullptr));
        if (i <= max) last = i;
    }
    return last;
}

size_t Utf8Prev(const char *s, size_t n, size_t pos) {
    if (!s || pos == 0) return 0;
    if (pos > n) pos = n;
    size_t prev = 0;
    for (size_t i = 0; i < pos;) {
        prev = i;
        i += size_t(Utf8Next(s + i, n - i, nullptr));
    }
    return prev;
}

size_t Utf8After(const char *s, size_t n, size_t pos) {
    if (!s || pos >= n) return n;
    return pos + size_t(Utf8Next(s + pos, n - pos, nullptr));
}

size_t Utf8Copy(char *dst, size_t size, const char *src) {
    if (!dst || size == 0) return 0;
    size_t n = src ? strlen(src) : 0;
    size_t k = Utf8Cut(src, n, size - 1);
    if (k) memcpy(dst, src, k);
    dst[k] = 0;
    return k;
}

size_t Utf8Sanitize(const char *s, size_t n, char *dst, size_t size) {
    if (!dst || size == 0) return 0;
    size_t out = 0;
    for (size_t i = 0; s && i < n;) {
        uint32_t cp;
        int len = Utf8Next(s + i, n - i, &cp);
        char enc[4];
        const char *from = s + i;
        int k = len;
        if (cp == UTF8_INVALID) {
            k = Utf8Encode(UTF8_REPLACEMENT, enc);
            from = enc;
        }
        if (out + size_t(k) >= size) break;
        memcpy(dst + out, from, size_t(k));
        out += size_t(k);
        i += size_t(len);
    }
    dst[out] = 0;
    return out;
}

size_t Latin1ToUtf8(const char *s, size_t n, char *dst, size_t size) {
    if (!dst || size == 0) return 0;
    size_t out = 0;
    for (size_t i = 0; s && i < n; i++) {
        char enc[4];
        int k = Utf8Encode(uint8_t(s[i]), enc);
        if (out + size_t(k) >= size) break;
        memcpy(dst + out, enc, size_t(k));
        out += size_t(k);
    }
    dst[out] = 0;
    return out;
}

bool Utf8Printable(uint32_t cp) {
    if (cp == UTF8_INVALID || cp < 0x20 || (cp >= 0x7F && cp < 0xA0)) return false;
    if ((cp >= 0xFDD0 && cp <= 0xFDEF) || (cp & 0xFFFE) == 0xFFFE) return false;
    return cp <= 0x10FFFF;
}

std::string Utf8ToLatin1(const std::string &s) {
    std::string out;
    for (size_t i = 0; i < s.size();) {
        uint32_t cp;
        i += size_t(Utf8Next(s.data() + i, s.size() - i, &cp));
        out += cp < 0x100 ? char(cp) : '?';
    }
    return out;
}
