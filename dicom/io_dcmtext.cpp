#include "dicom/io_dcmtext.h"

#include "base/utf8.h"
#include "base/xerror.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iconv.h>
#include <string>

namespace {

// A code element of ISO 2022: what G0 or G1 holds.
enum DcmSet {
    SET_NONE,
    SET_ASCII,    // ISO-IR 6
    SET_ROMAN,    // JIS X 0201 Romaji, ISO-IR 14
    SET_KATAKANA, // JIS X 0201 Katakana, ISO-IR 13 (G1)
    SET_JIS0208,  // ISO-IR 87 (G0, two bytes)
    SET_JIS0212,  // ISO-IR 159 (G0, two bytes)
    SET_KSC,      // ISO-IR 149 (G1, two bytes)
    SET_GB2312,   // ISO-IR 58 (G1, two bytes)
    SET_SINGLE    // an ISO 8859 or TIS 620 upper half (G1), by iconv name
};

struct DcmState {
    DcmSet g0 = SET_ASCII, g1 = SET_NONE;
    const char *single = nullptr; // iconv name of a SET_SINGLE G1
};

// One defined term of the standard.
struct DcmTerm {
    const char *term;
    const char *iconv;  // the whole value's encoding (single-valued, no code extensions)
    DcmSet g0, g1;      // initial state as an ISO 2022 term
    const char *single; // G1's iconv name for SET_SINGLE
};

const DcmTerm dcm_terms[] = {
    {"ISO_IR 6", "ASCII", SET_ASCII, SET_NONE, nullptr},
    {"ISO_IR 100", "ISO-8859-1", SET_ASCII, SET_NONE, nullptr},
    {"ISO_IR 101", "ISO-8859-2", SET_ASCII, SET_NONE, nullptr},
    {"ISO_IR 109", "ISO-8859-3", SET_ASCII, SET_NONE, nullptr},
    {"ISO_IR 110", "ISO-8859-4", SET_ASCII, SET_NONE, nullptr},
    {"ISO_IR 144", "ISO-8859-5", SET_ASCII, SET_NONE, nullptr},
    {"ISO_IR 127", "ISO-8859-6", SET_ASCII, SET_NONE, nullptr},
    {"ISO_IR 126", "ISO-8859-7", SET_ASCII, SET_NONE, nullptr},
    {"ISO_IR 138", "ISO-8859-8", SET_ASCII, SET_NONE, nullptr},
    {"ISO_IR 148", "ISO-8859-9", SET_ASCII, SET_NONE, nullptr},
    {"ISO_IR 166", "TIS-620", SET_ASCII, SET_NONE, nullptr},
    {"ISO_IR 13", nullptr, SET_ROMAN, SET_KATAKANA, nullptr},
    {"ISO_IR 192", "UTF-8", SET_ASCII, SET_NONE, nullptr},
    {"GB18030", "GB18030", SET_ASCII, SET_NONE, nullptr},
    {"GBK", "GBK", SET_ASCII, SET_NONE, nullptr},
    {"ISO 2022 IR 6", nullptr, SET_ASCII, SET_NONE, nullptr},
    {"ISO 2022 IR 100", nullptr, SET_ASCII, SET_SINGLE, "ISO-8859-1"},
    {"ISO 2022 IR 101", nullptr, SET_ASCII, SET_SINGLE, "ISO-8859-2"},
    {"ISO 2022 IR 109", nullptr, SET_ASCII, SET_SINGLE, "ISO-8859-3"},
    {"ISO 2022 IR 110", nullptr, SET_ASCII, SET_SINGLE, "ISO-8859-4"},
    {"ISO 2022 IR 144", nullptr, SET_ASCII, SET_SINGLE, "ISO-8859-5"},
    {"ISO 2022 IR 127", nullptr, SET_ASCII, SET_SINGLE, "ISO-8859-6"},
    {"ISO 2022 IR 126", nullptr, SET_ASCII, SET_SINGLE, "ISO-8859-7"},
    {"ISO 2022 IR 138", nullptr, SET_ASCII, SET_SINGLE, "ISO-8859-8"},
    {"ISO 2022 IR 148", nullptr, SET_ASCII, SET_SINGLE, "ISO-8859-9"},
    {"ISO 2022 IR 166", nullptr, SET_ASCII, SET_SINGLE, "TIS-620"},
    {"ISO 2022 IR 13", nullptr, SET_ROMAN, SET_KATAKANA, nullptr},
    {"ISO 2022 IR 87", nullptr, SET_ASCII, SET_NONE, nullptr},
    {"ISO 2022 IR 159", nullptr, SET_ASCII, SET_NONE, nullptr},
    {"ISO 2022 IR 149", nullptr, SET_ASCII, SET_NONE, nullptr},
    {"ISO 2022 IR 58", nullptr, SET_ASCII, SET_NONE, nullptr},
};

const DcmTerm *DcmTermFind(const std::string &term) {
    for (const DcmTerm &t : dcm_terms)
        if (term == t.term) return &t;
    return nullptr;
}

// The first term of the value, blanks trimmed; whether there are more.
std::string DcmTextFirstTerm(const char *charset, bool *more) {
    std::string v = charset ? charset : "";
    size_t bs = v.find('\\');
    *more = bs != std::string::npos;
    if (*more) v.resize(bs);
    size_t a = v.find_first_not_of(" \t\r\n");
    size_t b = v.find_last_not_of(" \t\r\n\0", std::string::npos, 5);
    return a == std::string::npos ? std::string() : v.substr(a, b - a + 1);
}

// Converters opened once per call, closed at its end.
struct DcmIconv {
    const char *name[6] = {};
    iconv_t cd[6];
    int count = 0;
    ~DcmIconv() {
        for (int i = 0; i < count; i++)
            if (cd[i] != iconv_t(-1)) iconv_close(cd[i]);
    }
    iconv_t Get(const char *enc) {
        for (int i = 0; i < count; i++)
            if (!strcmp(name[i], enc)) return cd[i];
        if (count == 6) return iconv_t(-1);
        name[count] = enc;
        cd[count] = iconv_open("UTF-8", enc);
        return cd[count++];
    }
};

struct DcmOut {
    std::string text;
    bool replaced = false;
    void Cp(uint32_t cp) {
        char enc[4];
        text.append(enc, size_t(Utf8Encode(cp, enc)));
        if (cp == UTF8_REPLACEMENT) replaced = true;
    }
};

// Bytes of one encoding through iconv; a byte it cannot read shows as U+FFFD and is skipped.
void DcmIconvRun(DcmIconv &conv, const char *enc, const uint8_t *in, size_t n, DcmOut &out) {
    iconv_t cd = conv.Get(enc);
    if (cd == iconv_t(-1)) {
        for (size_t i = 0; i < n; i++)
            out.Cp(UTF8_REPLACEMENT);
        return;
    }
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char buf[256];
    auto *src = const_cast<char *>(reinterpret_cast<const char *>(in));
    size_t left = n;
    while (left > 0) {
        char *dst = buf;
        size_t room = sizeof buf;
        size_t r = iconv(cd, &src, &left, &dst, &room);
        out.text.append(buf, size_t(dst - buf));
        if (r != size_t(-1)) continue;
        if (errno == E2BIG) continue;
        // EILSEQ or a sequence cut by the value's end.
        out.Cp(UTF8_REPLACEMENT);
        src++;
        left--;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
}

bool DcmIsDelimiter(int kind, uint8_t c) {
    if (c == '\r' || c == '\n' || c == '\f') return true;
    if (kind == DCMTEXT_PN) return c == '^' || c == '=' || c == '\\';
    return kind == DCMTEXT_MULTI && c == '\\';
}

// The final byte of ESC - F for the 96-character sets the standard names.
const char *DcmSingleByFinal(uint8_t f) {
    switch (f) {
    case 'A':
        return "ISO-8859-1";
    case 'B':
        return "ISO-8859-2";
    case 'C':
        return "ISO-8859-3";
    case 'D':
        return "ISO-8859-4";
    case 'L':
        return "ISO-8859-5";
    case 'G':
        return "ISO-8859-6";
    case 'F':
        return "ISO-8859-7";
    case 'H':
        return "ISO-8859-8";
    case 'M':
        return "ISO-8859-9";
    case 'T':
        return "TIS-620";
    default:
        return nullptr;
    }
}

// An escape sequence at in[i]: its length, the state changed; 0 when it is none we know.
size_t DcmEscape(const uint8_t *in, size_t n, size_t i, DcmState *st) {
    auto at = [&](size_t k) -> int { return i + k < n ? in[i + k] : -1; };
    if (at(1) == '(' && at(2) == 'B') return st->g0 = SET_ASCII, 3;
    if (at(1) == '(' && at(2) == 'J') return st->g0 = SET_ROMAN, 3;
    if (at(1) == ')' && at(2) == 'I') return st->g1 = SET_KATAKANA, 3;
    if (at(1) == '$' && (at(2) == 'B' || at(2) == '@')) return st->g0 = SET_JIS0208, 3;
    if (at(1) == '$' && at(2) == '(' && at(3) == 'D') return st->g0 = SET_JIS0212, 4;
    if (at(1) == '$' && at(2) == ')' && at(3) == 'C') return st->g1 = SET_KSC, 4;
    if (at(1) == '$' && at(2) == ')' && at(3) == 'A') return st->g1 = SET_GB2312, 4;
    if (at(1) == '-' && at(2) >= 0) {
        if (const char *name = DcmSingleByFinal(uint8_t(at(2)))) {
            st->g1 = SET_SINGLE;
            st->single = name;
            return 3;
        }
    }
    return 0;
}

// The bytes of a value with code extensions, one designation at a time.
void DcmIso2022(const DcmState &initial, const uint8_t *in, size_t n, int kind, DcmOut &out) {
    DcmIconv conv;
    DcmState st = initial;
    for (size_t i = 0; i < n;) {
        uint8_t c = in[i];
        if (c == 0x1B) {
            size_t len = DcmEscape(in, n, i, &st);
            if (len == 0) {
                // Skip what looks like one: ESC, intermediates 0x20-0x2F, a final byte.
                out.Cp(UTF8_REPLACEMENT);
                i++;
                while (i < n && in[i] >= 0x20 && in[i] <= 0x2F)
                    i++;
                if (i < n && in[i] >= 0x30 && in[i] <= 0x7E) i++;
                continue;
            }
            i += len;
            continue;
        }
        if (c < 0x20 || c == 0x7F) {
            if (DcmIsDelimiter(kind, c)) st = initial;
            if (c == '\t' || c == '\r' || c == '\n' || c == '\f')
                out.text += char(c);
            else
                out.Cp(UTF8_REPLACEMENT);
            i++;
            continue;
        }
        if (c < 0x80) {
            bool wide = st.g0 == SET_JIS0208 || st.g0 == SET_JIS0212;
            if (!wide) {
                // Delimiters are read only in a one-byte G0; inside a two-byte set they are halves.
                if (DcmIsDelimiter(kind, c)) st = initial;
                if (st.g0 == SET_ROMAN && c == 0x5C)
                    out.Cp(0xA5);
                else if (st.g0 == SET_ROMAN && c == 0x7E)
                    out.Cp(0x203E);
                else
                    out.text += char(c);
                i++;
                continue;
            }
            if (i + 1 >= n || in[i + 1] < 0x21 || in[i + 1] > 0x7E) {
                out.Cp(UTF8_REPLACEMENT);
                i++;
                continue;
            }
            uint8_t euc[3];
            size_t k = 0;
            if (st.g0 == SET_JIS0212) euc[k++] = 0x8F;
            euc[k++] = uint8_t(c | 0x80);
            euc[k++] = uint8_t(in[i + 1] | 0x80);
            DcmIconvRun(conv, "EUC-JP", euc, k, out);
            i += 2;
            continue;
        }
        // The upper half, through G1.
        switch (st.g1) {
        case SET_KATAKANA:
            if (c >= 0xA1 && c <= 0xDF)
                out.Cp(0xFF61 + (c - 0xA1));
            else
                out.Cp(UTF8_REPLACEMENT);
            i++;
            break;
        case SET_KSC:
        case SET_GB2312:
            if (i + 1 < n && in[i + 1] >= 0xA1 && in[i + 1] <= 0xFE) {
                DcmIconvRun(conv, st.g1 == SET_KSC ? "EUC-KR" : "GB2312", in + i, 2, out);
                i += 2;
            } else {
                out.Cp(UTF8_REPLACEMENT);
                i++;
            }
            break;
        case SET_SINGLE:
            DcmIconvRun(conv, st.single, in + i, 1, out);
            i++;
            break;
        default:
            out.Cp(UTF8_REPLACEMENT);
            i++;
            break;
        }
    }
}

// Unknown sets keep their bytes: ASCII as is, the rest as "\xNN" so nothing is guessed.
void DcmKeepBytes(const uint8_t *in, size_t n, DcmOut &out) {
    static const char hex[] = "0123456789ABCDEF";
    for (size_t i = 0; i < n; i++) {
        uint8_t c = in[i];
        if (c >= 0x20 && c < 0x7F) {
            out.text += char(c);
        } else if (c == '\t' || c == '\r' || c == '\n') {
            out.text += char(c);
        } else {
            out.text += "\\x";
            out.text += hex[c >> 4];
            out.text += hex[c & 15];
        }
    }
}

} // namespace

int DcmTextToUtf8(const char *charset, const uint8_t *in, size_t n, int kind, char *dst,
                  size_t size) {
    if (!dst || size == 0 || (!in && n)) return WIN_ERROR_ARG;
    dst[0] = 0;
    while (n > 0 && (in[n - 1] == ' ' || in[n - 1] == 0))
        n--;
    bool more;
    std::string first = DcmTextFirstTerm(charset, &more);
    DcmOut out;
    int result = 100;
    const DcmTerm *term = first.empty() ? nullptr : DcmTermFind(first);
    bool extensions = more || first.compare(0, 8, "ISO 2022") == 0;
    if (first.empty() && !more) {
        // The default repertoire is ASCII; writers that leave the set out mostly mean UTF-8,
        // the older ones Latin-1.
        DcmIconv conv;
        bool utf8 = Utf8Valid(reinterpret_cast<const char *>(in), n);
        DcmIconvRun(conv, utf8 ? "UTF-8" : "ISO-8859-1", in, n, out);
    } else if (!first.empty() && !term) {
        DcmKeepBytes(in, n, out);
        result = DCMTEXT_UNKNOWN_SET;
    } else if (extensions || !term->iconv) {
        DcmState initial;
        if (term) {
            initial.g0 = term->g0;
            initial.g1 = term->g1;
            initial.single = term->single;
        }
        DcmIso2022(initial, in, n, kind, out);
    } else {
        DcmIconv conv;
        DcmIconvRun(conv, term->iconv, in, n, out);
    }
    if (result == 100 && out.replaced) result = DCMTEXT_REPLACED;
    // iconv lets the old five- and six-byte forms through from "UTF-8": only valid UTF-8 leaves.
    if (!Utf8Valid(out.text.data(), out.text.size()) && result == 100) result = DCMTEXT_REPLACED;
    Utf8Sanitize(out.text.data(), out.text.size(), dst, size);
    return result;
}

int DcmTextPersonName(const char *utf8, char *dst, size_t size) {
    if (!utf8 || !dst || size == 0) return WIN_ERROR_ARG;
    std::string v = utf8;
    v.resize(std::min(v.find('\\'), v.size()));
    std::string group;
    for (size_t from = 0; from <= v.size();) {
        size_t eq = v.find('=', from);
        if (eq == std::string::npos) eq = v.size();
        group = v.substr(from, eq - from);
        if (group.find_first_not_of(" ^") != std::string::npos) break;
        group.clear();
        from = eq + 1;
    }
    for (char &c : group)
        if (c == '^') c = ',';
    size_t end = group.find_last_not_of(' ');
    group.resize(end == std::string::npos ? 0 : end + 1);
    Utf8Copy(dst, size, group.c_str());
    return 100;
}
