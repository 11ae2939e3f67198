// Character sets of DICOM text: what a user reads must not depend on the set the writer chose.
#include "dicom/dicom_test_util.h"
#include "dicom/io_dcmtext.h"

#include "base/utf8.h"

#include <gtest/gtest.h>

#include <string>

using namespace dcmtest;

namespace {

struct Text {
    int result;
    std::string utf8;
};

Text Convert(const char *charset, const std::string &bytes, int kind = DCMTEXT_PN,
             size_t size = 512) {
    std::string dst(size, '\x7f');
    int r = DcmTextToUtf8(charset, reinterpret_cast<const uint8_t *>(bytes.data()), bytes.size(),
                          kind, &dst[0], size);
    return {r, dst.c_str()};
}

std::string Shown(const char *charset, const std::string &bytes) {
    char name[256];
    DcmTextPersonName(Convert(charset, bytes).utf8.c_str(), name, sizeof name);
    return name;
}

// A data set holding only a character set, a name and a small picture.
std::vector<uint8_t> NameSet(const std::string &charset, const std::string &name) {
    // A tag at offset 0 is never found: a harmless element goes first.
    DataSet set;
    set.Implicit(0x0008, 0x0000, std::string(4, '\0'));
    if (!charset.empty()) set.Implicit(0x0008, 0x0005, charset);
    set.Implicit(0x0010, 0x0010, name);
    DataSet image = ImageHeader(4, 4, "MONOCHROME2");
    set.b.insert(set.b.end(), image.b.begin(), image.b.end());
    set.PadTo(1024 - 8 - 16).Implicit(0x7FE0, 0x0010, std::string(16, '\x40'));
    return set.b;
}

// The patient's name as the viewer reads it from such a file.
std::string PatientOfFile(const std::string &charset, const std::string &name) {
    DicomRead r(TempFile(NameSet(charset, name)).path);
    EXPECT_EQ(100, r.result);
    DICOMINFO info;
    EXPECT_EQ(100, DicomInfoGet(&r.fi, &info));
    return info.patient_name;
}

const std::string esc = "\x1b";
const std::string jis_on = esc + "$B", ascii_on = esc + "(B", ksc_on = esc + "$)C";

} // namespace

TEST(DicomCharset, SameNameInUtf8AndLatin1ReadsTheSame) {
    EXPECT_EQ("Müller,Jürgen", PatientOfFile("ISO_IR 192", "Müller^Jürgen"));
    EXPECT_EQ("Müller,Jürgen", PatientOfFile("ISO_IR 100 ", "M\xfcller^J\xfcrgen"));
    // The set's padding and a name's trailing blank change nothing.
    EXPECT_EQ("Müller,Jürgen", PatientOfFile("ISO_IR 100", "M\xfcller^J\xfcrgen "));
    // Without a set: UTF-8 when the bytes are UTF-8, else the older writers' Latin-1.
    EXPECT_EQ("Müller,Jürgen", PatientOfFile("", "Müller^Jürgen"));
    EXPECT_EQ("Müller,Jürgen", PatientOfFile("", "M\xfcller^J\xfcrgen"));
}

TEST(DicomCharset, JapaneseNameThroughIso2022EscapesWithCaretAsSecondByte) {
    // Yamada^Tarou=山田^太郎=やまだ^たろう; "ま" is 0x24 0x5E, whose second byte is '^'.
    std::string name = "Yamada^Tarou=" + jis_on + "\x3b\x33\x45\x44" + ascii_on + "^" + jis_on +
                       "\x42\x40\x4f\x3a" + ascii_on + "=" + jis_on + "\x24\x64\x24\x5e\x24\x40" +
                       ascii_on + "^" + jis_on + "\x24\x3f\x24\x6d\x24\x26" + ascii_on;
    Text t = Convert("\\ISO 2022 IR 87", name);
    EXPECT_EQ(100, t.result);
    EXPECT_EQ("Yamada^Tarou=山田^太郎=やまだ^たろう", t.utf8);
    EXPECT_EQ("Yamada,Tarou", PatientOfFile("\\ISO 2022 IR 87", name));
    // Without the alphabetic group the ideographic one is shown.
    EXPECT_EQ("山田,太郎", PatientOfFile("ISO 2022 IR 6\\ISO 2022 IR 87", name.substr(12)));
    EXPECT_EQ("やまだ,たろう", Shown("\\ISO 2022 IR 87", "^=" + name.substr(name.rfind('=') + 1)));
}

TEST(DicomCharset, DelimitersReturnToTheInitialSet) {
    // Korean in G1: Hong^Gildong=洪^吉洞=홍^길동, each component designating again.
    std::string name = "Hong^Gildong=" + ksc_on + "\xfb\xf3^" + ksc_on +
                       "\xd1\xce\xd4\xd7=" + ksc_on + "\xc8\xab^" + ksc_on + "\xb1\xe6\xb5\xbf";
    EXPECT_EQ("Hong^Gildong=洪^吉洞=홍^길동", Convert("\\ISO 2022 IR 149", name).utf8);
    // Without designating again after '^', G1 is empty again and its bytes do not read.
    EXPECT_EQ("洪^\xef\xbf\xbd\xef\xbf\xbd",
              Convert("\\ISO 2022 IR 149", ksc_on + "\xfb\xf3^\xd1\xce").utf8);
    // Text resets at line ends, so a lost designation spoils one line only.
    Text lines = Convert("\\ISO 2022 IR 87", jis_on + "\x3b\x33\nab", DCMTEXT_TEXT);
    EXPECT_EQ("山\nab", lines.utf8);
    // Chinese G1 and a Greek single-byte set.
    EXPECT_EQ("德三", Convert("\\ISO 2022 IR 58", esc + "$)A\xb5\xc2\xc8\xfd").utf8);
    EXPECT_EQ("Διονυσιος", Convert("ISO_IR 126", "\xc4\xe9\xef\xed\xf5\xf3\xe9\xef\xf2").utf8);
    // GB18030 trail bytes may be '^' or '\': they belong to the character.
    EXPECT_EQ("乛,乗", Shown("GB18030", "\x81\x5e^\x81\x5c"));
}

TEST(DicomCharset, UnknownSetsAndBadBytesAreMarkedNeverGuessed) {
    Text unknown = Convert("ISO_IR 999", "M\xfcller^J");
    EXPECT_EQ(DCMTEXT_UNKNOWN_SET, unknown.result);
    EXPECT_EQ("M\\xFCller^J", unknown.utf8);
    Text bad = Convert("ISO_IR 192", "ab\xc3(\xe6\x9d");
    EXPECT_EQ(DCMTEXT_REPLACED, bad.result);
    EXPECT_EQ("ab\xef\xbf\xbd(\xef\xbf\xbd\xef\xbf\xbd", bad.utf8);
    // The old five-byte form, which iconv passes through (found by the fuzzer).
    Text old = Convert("ISO_IR 192", "a\xfb\xb5\xb5\xb5\xb5"
                                     "b");
    EXPECT_EQ(DCMTEXT_REPLACED, old.result);
    EXPECT_TRUE(Utf8Valid(old.utf8.data(), old.utf8.size())) << old.utf8;
    EXPECT_EQ(old.utf8.substr(0, 4), "a\xef\xbf\xbd");
    // A two-byte set cut after its first byte, and an escape sequence nobody defined.
    Text cut = Convert("\\ISO 2022 IR 87", jis_on + "\x3b");
    EXPECT_EQ(DCMTEXT_REPLACED, cut.result);
    EXPECT_EQ("\xef\xbf\xbd", cut.utf8);
    EXPECT_EQ("\xef\xbf\xbdx", Convert("\\ISO 2022 IR 87", esc + "$)Zx").utf8);
    EXPECT_EQ(-15, DcmTextToUtf8("ISO_IR 100", nullptr, 3, DCMTEXT_PN, nullptr, 0));
}

TEST(DicomCharset, OutputIsCutAtACharacterBoundary) {
    for (size_t size = 1; size < 12; size++) {
        Text t = Convert("ISO_IR 192", "東京東京", DCMTEXT_MULTI, size);
        EXPECT_TRUE(Utf8Valid(t.utf8.data(), t.utf8.size())) << size;
        EXPECT_EQ((size - 1) / 3 * 3, t.utf8.size()) << size;
    }
}
