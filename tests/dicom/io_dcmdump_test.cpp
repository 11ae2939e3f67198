// The element listing: every top-level element dcmdump lists, nested and undefined-length
// sequences, text through the character set, and cut, deep or huge files listed in part.
#include <gtest/gtest.h>

#include "dicom/io_dcmdump.h"
#include "support/proc.h"

#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

namespace {

// An explicit VR little endian data set, built element by element.
struct DataSet {
    std::string b;
    void U16(unsigned v) {
        b += char(v & 0xFF);
        b += char(v >> 8 & 0xFF);
    }
    void U32(uint32_t v) {
        U16(v & 0xFFFF);
        U16(v >> 16);
    }
    void Tag(unsigned g, unsigned e) {
        U16(g);
        U16(e);
    }
    void Short(unsigned g, unsigned e, const char *vr, std::string v) {
        if (v.size() % 2) v += ' ';
        Tag(g, e);
        b += vr;
        U16(unsigned(v.size()));
        b += v;
    }
    // A long-VR header; DCMDUMP_UNDEFINED for an undefined length.
    void Long(unsigned g, unsigned e, const char *vr, uint32_t n) {
        Tag(g, e);
        b += vr;
        U16(0);
        U32(n);
    }
    void Item(uint32_t n) {
        Tag(0xFFFE, 0xE000);
        U32(n);
    }
    void End(unsigned e) {
        Tag(0xFFFE, e);
        U32(0);
    }
    std::vector<uint8_t> Bytes() const { return {b.begin(), b.end()}; }
};

struct Dump {
    DCMDUMP d = {};
    int rc = 0;
    explicit Dump(const std::vector<uint8_t> &b) {
        rc = DcmDumpBuffer(b.data(), long(b.size()), &d);
    }
    explicit Dump(const std::string &path) { rc = DcmDumpFile(path.c_str(), &d); }
    ~Dump() { DcmDumpRelease(&d); }
    const DCMDUMPROW &Last() const { return d.row[d.count - 1]; }
};

std::vector<std::string> DicomVectors() {
    std::vector<std::string> out;
    std::istringstream lines(RunTool({"/usr/bin/find", DRAVIK_TEST_DATA, "-name", "*.dcm"}).out);
    for (std::string line; std::getline(lines, line);)
        out.push_back(line);
    return out;
}

using Element = std::tuple<unsigned, unsigned, std::string, std::string>;

} // namespace

TEST(DcmDump, EveryTopLevelElementDcmdumpListsIsListedWithItsVrAndLength) {
    if (access("/usr/bin/dcmdump", X_OK) != 0) GTEST_SKIP() << "dcmdump (dcmtk) is not installed";
    int compared = 0;
    for (const std::string &path : DicomVectors()) {
        ToolResult ref = RunTool({"/usr/bin/dcmdump", "+L", "-q", path});
        Dump dump(path);
        // Files dcmdump or the walk refuses are the hostile tests' business.
        if (ref.status != 0 || dump.rc != 100) continue;
        std::set<Element> got;
        for (int i = 0; i < dump.d.count; i++) {
            const DCMDUMPROW &r = dump.d.row[i];
            if (r.kind != DCMDUMP_ELEMENT || r.depth) continue;
            std::string len = r.length == DCMDUMP_UNDEFINED ? "u/l" : std::to_string(r.length);
            got.insert({r.group, r.elem, r.vr, len});
        }
        size_t pos = 0, lines = 0;
        while (pos < ref.out.size()) {
            size_t end = ref.out.find('\n', pos);
            std::string line = ref.out.substr(pos, end - pos);
            pos = end == std::string::npos ? ref.out.size() : end + 1;
            unsigned g, e;
            char vr[3], len[16];
            size_t hash = line.rfind("# ");
            // Top-level lines start in column 0; items and delimiters are no elements.
            if (hash == std::string::npos ||
                sscanf(line.c_str(), "(%4x,%4x) %2s", &g, &e, vr) != 3 || g == 0xFFFE ||
                sscanf(line.c_str() + hash + 1, "%15[^,]", len) != 1)
                continue;
            std::string l = len;
            l.erase(0, l.find_first_not_of(' '));
            std::string v = vr;
            // dcmdump's "xs" (US or SS by the pixel representation) is the dictionary's US.
            bool found = got.count({g, e, v, l}) ||
                         (v == "xs" && (got.count({g, e, "US", l}) || got.count({g, e, "SS", l})));
            EXPECT_TRUE(found) << path << ": " << line;
            lines++;
        }
        EXPECT_GT(lines, 5u) << path;
        compared++;
    }
    EXPECT_GE(compared, 20);
}

TEST(DcmDump, NestedAndUndefinedLengthSequencesIndentTheirItems) {
    DataSet s;
    s.Short(0x0008, 0x0060, "CS", "CT");
    // Undefined length sequence > undefined item > defined sequence > defined item.
    s.Long(0x0008, 0x1140, "SQ", DCMDUMP_UNDEFINED);
    s.Item(DCMDUMP_UNDEFINED);
    s.Short(0x0008, 0x1150, "UI", "1.2.3");
    DataSet inner;
    inner.Short(0x0008, 0x0100, "SH", "121320");
    s.Long(0x0040, 0xA170, "SQ", uint32_t(8 + inner.b.size()));
    s.Item(uint32_t(inner.b.size()));
    s.b += inner.b;
    s.End(0xE00D);
    s.End(0xE0DD);
    s.Short(0x0010, 0x0010, "PN", "Doe^Jane");
    s.Long(0x7FE0, 0x0010, "OB", 4);
    s.b += std::string("\x01\x02\x03\x04", 4);
    Dump dump(s.Bytes());
    ASSERT_EQ(dump.rc, 100);
    struct Want {
        int kind, depth;
        unsigned group, elem;
    };
    const Want want[] = {{DCMDUMP_ELEMENT, 0, 0x0008, 0x0060}, {DCMDUMP_ELEMENT, 0, 0x0008, 0x1140},
                         {DCMDUMP_ITEM, 1, 0xFFFE, 0xE000},    {DCMDUMP_ELEMENT, 2, 0x0008, 0x1150},
                         {DCMDUMP_ELEMENT, 2, 0x0040, 0xA170}, {DCMDUMP_ITEM, 3, 0xFFFE, 0xE000},
                         {DCMDUMP_ELEMENT, 4, 0x0008, 0x0100}, {DCMDUMP_ELEMENT, 0, 0x0010, 0x0010},
                         {DCMDUMP_ELEMENT, 0, 0x7FE0, 0x0010}};
    ASSERT_EQ(dump.d.count, int(std::size(want)));
    for (int i = 0; i < dump.d.count; i++) {
        const DCMDUMPROW &r = dump.d.row[i];
        EXPECT_EQ(r.kind, want[i].kind) << i;
        EXPECT_EQ(r.depth, want[i].depth) << i;
        EXPECT_EQ(r.group, want[i].group) << i;
        EXPECT_EQ(r.elem, want[i].elem) << i;
    }
    EXPECT_EQ(dump.d.row[1].length, DCMDUMP_UNDEFINED);
    char line[512];
    DcmDumpRowText(&dump.d.row[6], DCMDUMP_TEXT_TOOL, line, sizeof line);
    EXPECT_STREQ(line, "        (0008,0100) SH 6 CodeValue [121320]");
    DcmDumpRowText(&dump.d.row[7], DCMDUMP_TEXT_LIST, line, sizeof line);
    EXPECT_EQ(std::string(line).substr(0, 11), "PatientName");
    EXPECT_NE(std::string(line).find("(0010,0010) PN 8 [Doe^Jane]"), std::string::npos) << line;
    DcmDumpRowText(&dump.d.row[8], DCMDUMP_TEXT_TOOL, line, sizeof line);
    EXPECT_STREQ(line, "(7fe0,0010) OB 4 PixelData 01\\02\\03\\04");
}

TEST(DcmDump, TextReadsThroughTheCharacterSetAndLongValuesAreShortened) {
    DataSet s;
    s.Short(0x0008, 0x0005, "CS", "ISO_IR 100");
    s.Short(0x0010, 0x0010, "PN", "M\xFCller^J\xF6rg");
    s.Short(0x0011, 0x0010, "LO", "ACME");
    s.Short(0x0020, 0x4000, "LT", std::string(300, 'x'));
    Dump dump(s.Bytes());
    ASSERT_EQ(dump.rc, 100);
    ASSERT_EQ(dump.d.count, 4);
    EXPECT_STREQ(dump.d.row[1].value, "[M\xC3\xBCller^J\xC3\xB6rg]");
    EXPECT_STREQ(DcmDumpName(0x0011, 0x0010), "Private");
    EXPECT_STREQ(DcmDumpName(0x0009, 0x1234), "Private");
    EXPECT_STREQ(DcmDumpName(0x0018, 0x9999), "?");
    std::string lt = dump.d.row[3].value;
    EXPECT_EQ(lt, "[" + std::string(DCMDUMP_SHOW - 1, 'x') + "...");
}

TEST(DcmDump, CutDeepAndHugeFilesGiveAPartialListThatSaysWhy) {
    // Every cut of a real file walks to a note or, cut between elements, to its end.
    std::vector<uint8_t> whole = ReadFileBytes(std::string(DRAVIK_TEST_DATA) + "/baseline.dcm");
    ASSERT_GT(whole.size(), 400u);
    for (size_t n = 0; n < whole.size(); n += 7) {
        std::vector<uint8_t> cut(whole.begin(), whole.begin() + long(n));
        Dump dump(cut);
        ASSERT_GE(dump.d.count, 1) << n;
        if (dump.rc != 100) {
            EXPECT_EQ(dump.rc, -111) << n;
            EXPECT_EQ(dump.Last().kind, DCMDUMP_NOTE) << n;
            EXPECT_TRUE(dump.d.broken) << n;
        }
    }
    // Sequences nested past the walk's depth stop it with a note, never the stack.
    DataSet deep;
    for (int i = 0; i < 200; i++) {
        deep.Long(0x0008, 0x1140, "SQ", DCMDUMP_UNDEFINED);
        deep.Item(DCMDUMP_UNDEFINED);
    }
    Dump d2(deep.Bytes());
    EXPECT_EQ(d2.rc, -111);
    EXPECT_NE(std::string(d2.Last().value).find("too deep"), std::string::npos) << d2.Last().value;
    // 100,000 elements keep the row cap; the last row counts the rest.
    DataSet many;
    many.Short(0x0008, 0x0060, "CS", "CT");
    for (int i = 1; i < 100000; i++)
        many.Short(0x0009, 0x1000, "US", std::string(2, '\0'));
    Dump d3(many.Bytes());
    EXPECT_EQ(d3.rc, 100);
    EXPECT_EQ(d3.d.count, int(DCMDUMP_ROWS));
    EXPECT_EQ(d3.d.elements, 100000);
    EXPECT_EQ(std::string(d3.Last().value),
              std::to_string(100000 - (DCMDUMP_ROWS - 1)) + " more elements not listed");
    // A length past the end lists the element with what is there.
    DataSet lie;
    lie.Short(0x0008, 0x0060, "CS", "CT");
    lie.Long(0x7FE0, 0x0010, "OW", 0xFFFFFFF0u);
    lie.b += "abcd";
    Dump d4(lie.Bytes());
    EXPECT_EQ(d4.rc, -111);
    ASSERT_EQ(d4.d.count, 3);
    EXPECT_STREQ(d4.d.row[1].value, "(cut: 4 of 4294967280 bytes)");
}
