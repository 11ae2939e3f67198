// gtest first: Xlib's None and Bool macros would break its headers.
#include <gtest/gtest.h>

#include "dicom/io_dicom.h"
#include "dicom/dicom_test_util.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <zlib.h>

using namespace dcmtest;

// The normalised text of `value` under a VR class, with the element's 8 header bytes.
static std::string Resolve(int vrclass, const std::string &value, const uint8_t *header = nullptr) {
    static const uint8_t implicit_header[8] = {};
    uint8_t area[1024] = {}, out[1025];
    memcpy(area, value.data(), std::min(value.size(), sizeof area));
    const uint8_t *v = EntryResolv(vrclass, area, header ? header : implicit_header, out);
    return reinterpret_cast<const char *>(v);
}

TEST(DicomValue, TextIsFilteredTrimmedAndEndsAtItsLengthOrTheNextTag) {
    const uint8_t cs4[8] = {0x28, 0x00, 0x04, 0x00, 'C', 'S', 4, 0};
    const struct {
        int vr;
        std::string in, want;
        const uint8_t *header;
    } cases[] = {
        {DCMVR_CS, "abc", " ", nullptr}, // lower case turns to blanks, the first one stays
        {DCMVR_CS, "YBR_FULL ", "YBR FULL", nullptr},
        {DCMVR_IS, "-5", "-5", nullptr}, // integer strings keep their sign
        {DCMVR_IS, "+7.2", "+7 2", nullptr},
        {DCMVR_PN, "Doe^John^Q  ", "Doe,John,Q", nullptr},
        {DCMVR_CS, "MONOCHROME2 ABCDEFGH", "MONOCHROME2 ABCD", nullptr}, // at most 16
        {DCMVR_ST, "a\\b", "a,b", nullptr},
        {DCMVR_COUNT, "anything", "", nullptr},
        // Implicit VR: the next tag's bytes, (0002,0012) or (0010,xxxx), end the value.
        {DCMVR_UI, std::string("1.2.3\x02\0\x12", 8), "1.2.3\x02", nullptr},
        {DCMVR_PN,
         "Doe^J\x10"
         "ABC",
         "Doe,J", nullptr},
        {DCMVR_CS, "RGB MORE", "RGB", cs4}, // an explicit length limits the text
    };
    for (const auto &c : cases)
        EXPECT_EQ(c.want, Resolve(c.vr, c.in, c.header)) << c.in;
}

TEST(DicomSearch, TagAtOffsetZeroReadsAsNotFound) {
    DataSet d;
    d.ImplicitUS(0x0028, 0x0010, 7).ImplicitUS(0x0028, 0x0010, 9);
    uint8_t value[4], header[8];
    EXPECT_EQ(
        0, ReadByteGroup(d.b.data(), int(d.b.size()), 0x00, 0x28, 0x00, 0x10, value, 4, header, 0));
    EXPECT_EQ(10, ReadByteGroup(d.b.data(), int(d.b.size()), 0x00, 0x28, 0x00, 0x10, value, 4,
                                header, 1));
    EXPECT_EQ(9, value[0]);
}

TEST(DicomSearch, ValueStartsAfterTheLongExplicitHeader) {
    DataSet d;
    d.Implicit(0x0008, 0x0060, "OT");
    int ob = int(d.b.size());
    d.Explicit(0x0009, 0x1011, "OB", "\x01\x02\x03\x04");
    int us = int(d.b.size());
    d.Explicit(0x0028, 0x0010, "US", std::string("\x05\x00", 2));
    int item = int(d.b.size());
    d.Tag(0xFFFE, 0xE000);
    d.Bytes("OB"); // length bytes that look like a VR stay a length in an item
    d.U16(0);
    d.Bytes("zz");
    int len = int(d.b.size()), n;
    EXPECT_EQ(ob + 12, DicomValueSpan(d.b.data(), len, ob, &n));
    EXPECT_EQ(4, n);
    EXPECT_EQ(us + 8, DicomValueSpan(d.b.data(), len, us, &n));
    EXPECT_EQ(2, n);
    EXPECT_EQ(item + 8, DicomValueSpan(d.b.data(), len, item, &n));
    EXPECT_EQ(2, n); // clipped to the bytes present
    EXPECT_EQ(-1, DicomValueSpan(d.b.data(), len, len - 4, &n));
    // A long header cut after its VR: the value starts at the end and is empty.
    EXPECT_EQ(ob + 10, DicomValueSpan(d.b.data(), ob + 10, ob, &n));
    EXPECT_EQ(0, n);

    uint8_t value[8], header[8];
    ASSERT_EQ(ob, ReadByteGroup(d.b.data(), len, 0x00, 0x09, 0x10, 0x11, value, 8, header, 0));
    EXPECT_EQ(1, value[0]);
}

// A readable single image around the given extra elements, as a file.
static TempFile Image(const DataSet &extra, uint16_t rows = 4, uint16_t cols = 4,
                      const std::string &photometric = "MONOCHROME2") {
    DataSet d = ImageHeader(rows, cols, photometric);
    d.b.insert(d.b.end(), extra.b.begin(), extra.b.end());
    d.PadTo(1024 - 8 - 16);
    d.Implicit(0x7FE0, 0x0010, std::string(16, '\x40'));
    return TempFile(d.b);
}

// Implicit-VR sequence of undefined length around one item of undefined length.
static void SeqOpen(DataSet &d, uint16_t g, uint16_t e) {
    d.Tag(g, e);
    d.U32(0xFFFFFFFF);
    d.Tag(0xFFFE, 0xE000);
    d.U32(0xFFFFFFFF);
}
static void SeqClose(DataSet &d) {
    d.Tag(0xFFFE, 0xE00D);
    d.U32(0);
    d.Tag(0xFFFE, 0xE0DD);
    d.U32(0);
}

TEST(DicomNest, SequenceItemsLendOnlyWhatTheDataSetLacks) {
    // No meta group: the first header shows implicit VR. Many sequences, so the ranges grow.
    DataSet seq;
    for (int i = 0; i < 3000; i++) {
        SeqOpen(seq, 0x0008, 0x1120);
        seq.Implicit(0x0010, 0x0010, "Inner^Name");
        seq.Implicit(0x0008, 0x1150, std::string("1.2.3", 6)); // padded to even length
        seq.Implicit(0x0028, 0x0008, "5");
        SeqClose(seq);
    }
    seq.Implicit(0x0010, 0x0010, "Outer^Name");
    TempFile f = Image(seq);
    DicomRead r(f.path);
    ASSERT_EQ(100, r.result);
    EXPECT_STREQ("Outer,Name", r.Group<DCMGROUP0010>(DCM_G0010)->PatientsName);
    EXPECT_STREQ("1.2.3", r.Group<DCMGROUP0008>(DCM_G0008)->ReferencedUID);
    EXPECT_EQ(1, r.fi.frames);

    DICOMNEST n{};
    std::vector<uint8_t> bytes = ReadFileBytes(f.path);
    ASSERT_EQ(100, DicomNestWalk(bytes.data(), int(bytes.size()), &n));
    int sequences = 0;
    for (int i = 0; i < n.count; i++)
        sequences += n.range[i].seq;
    EXPECT_EQ(3000, sequences);
    EXPECT_EQ(r.ctx->dicomdesc.dataoffset - 8, n.pixeltag);
    DicomNestRelease(&n);
}

TEST(DicomNest, BytesInsideAValueAreNoElement) {
    // A private binary value (or an AT value) holding the bytes of a tag the reader looks for,
    // here Patient's Name with a length and text, in a data set without that element.
    DataSet d;
    d.Implicit(0x0009, 0x1010,
               std::string("\x10\x00\x10\x00\x04\x00\x00\x00"
                           "Evil",
                           12));
    TempFile f = Image(d);
    DicomRead r(f.path);
    ASSERT_EQ(100, r.result);
    EXPECT_EQ(nullptr, strstr(r.Group<DCMGROUP0010>(DCM_G0010)->PatientsName, "Evil"));
}

TEST(DicomNest, AStructureThatDoesNotWalkIsSearchedAsPlainBytes) {
    DataSet stray; // an item outside any sequence
    stray.Implicit(0x0008, 0x1140, "");
    stray.Tag(0xFFFE, 0xE000);
    stray.U32(18);
    stray.Implicit(0x0010, 0x0010, "Inner^Name");
    DataSet past; // a sequence longer than the file
    past.Tag(0x0008, 0x1140);
    past.U32(0x7FFFFFF0);
    past.Tag(0xFFFE, 0xE000);
    past.U32(18);
    past.Implicit(0x0010, 0x0010, "Inner^Name");
    for (DataSet *d : {&stray, &past}) {
        d->Implicit(0x0010, 0x0010, "Outer^Name");
        TempFile f = Image(*d);
        std::vector<uint8_t> bytes = ReadFileBytes(f.path);
        DICOMNEST n{};
        EXPECT_EQ(-111, DicomNestWalk(bytes.data(), int(bytes.size()), &n));
        EXPECT_EQ(0, n.count);
        DicomRead r(f.path);
        ASSERT_EQ(100, r.result);
        EXPECT_STREQ("Inner,Name", r.Group<DCMGROUP0010>(DCM_G0010)->PatientsName);
    }
}

TEST(DicomNest, NestingIsBoundedInDepth) {
    for (int depth : {int(DICOM_NEST_DEPTH), DICOM_NEST_DEPTH + 1}) {
        DataSet d;
        d.Implicit(0x0008, 0x0060, "OT");
        for (int i = 0; i < depth; i++)
            SeqOpen(d, 0x0008, 0x1140);
        d.Implicit(0x0010, 0x0010, "Deep");
        for (int i = 0; i < depth; i++)
            SeqClose(d);
        d.Implicit(0x7FE0, 0x0010, std::string(16, '\0'));
        DICOMNEST n{};
        EXPECT_EQ(depth > DICOM_NEST_DEPTH ? -111 : 100,
                  DicomNestWalk(d.b.data(), int(d.b.size()), &n))
            << depth;
        DicomNestRelease(&n);
    }
}

TEST(DicomNest, EveryCutBeforeThePixelDataFailsTheWalk) {
    // The walk needs the whole Pixel Data header: 8 bytes in implicit VR, 12 for an explicit OB.
    struct {
        const char *name;
        int header;
    } cases[] = {{"nested/explicit-undef.dcm", 12},
                 {"nested/implicit-undef.dcm", 8},
                 {"nested/lossless.dcm", 12}};
    for (const auto &c : cases) {
        std::vector<uint8_t> bytes = ReadFileBytes(DataPath(c.name));
        DICOMNEST whole{};
        ASSERT_EQ(100, DicomNestWalk(bytes.data(), int(bytes.size()), &whole)) << c.name;
        for (int cut = 0; cut <= int(bytes.size()); cut++) {
            std::vector<uint8_t> part(bytes.begin(), bytes.begin() + cut); // exact size for ASan
            DICOMNEST n{};
            int r = DicomNestWalk(part.data(), cut, &n);
            // A cut between two top-level elements leaves a whole data set without pixels.
            if (cut < whole.pixeltag + c.header && r == 100)
                EXPECT_EQ(1, n.ended) << c.name << " " << cut;
            else
                ASSERT_EQ(cut >= whole.pixeltag + c.header ? 100 : -111, r) << c.name << " " << cut;
            EXPECT_EQ(r == 100 && !n.ended ? whole.pixeltag : 0, n.pixeltag);
            DicomNestRelease(&n);
        }
        DicomNestRelease(&whole);
    }
}

TEST(DicomDetect, SizeAndPixelTagDecide) {
    DataSet d = ImageHeader(4, 4, "MONOCHROME2");
    d.PadTo(1023 - 8 - 16);
    d.Implicit(0x7FE0, 0x0010, std::string(16, 'p'));
    ASSERT_EQ(1023u, d.b.size());
    EXPECT_EQ(-103, DicomRead(TempFile(d.b).path).test);

    d.b.insert(d.b.end() - 16, 'q'); // 1024 bytes: examined
    EXPECT_EQ(100, DicomRead(TempFile(d.b).path).test);

    // A data set that walks to its end without Pixel Data holds no picture.
    DataSet none = ImageHeader(4, 4, "MONOCHROME2");
    none.PadTo(2000);
    DicomRead noimage(TempFile(none.b).path);
    EXPECT_EQ(-115, noimage.test);
    EXPECT_EQ(-115, noimage.req.noimage);
    EXPECT_EQ(1, noimage.req.recognised);
    EXPECT_EQ(nullptr, noimage.fi.dicom);
    // One that breaks off is unreadable as before.
    none.b.resize(none.b.size() - 3);
    EXPECT_EQ(-111, DicomRead(TempFile(none.b).path).test);
    // Pixel Data without Rows and Columns is no picture either; 0 rows is a broken one.
    DataSet unsized;
    unsized.Implicit(0x0008, 0x0005, "ISO_IR 100")
        .Implicit(0x0008, 0x0016, "1.2.840.10008.5.1.4.1.1.88.22")
        .PadTo(1500)
        .Implicit(0x7FE0, 0x0010, std::string(16, 'p'));
    DicomRead r(TempFile(unsized.b).path);
    EXPECT_EQ(-115, r.test);
    EXPECT_STREQ("Enhanced SR Storage", r.req.what);
    // The class as the first element of a bare data set, explicit VR, padded with a NUL.
    DataSet first;
    first.Explicit(0x0008, 0x0016, "UI", std::string("1.2.840.10008.5.1.4.1.1.88.59\0", 30))
        .Explicit(0x0009, 0x1000, "OB", std::string(1060, 'x'));
    DicomRead k(TempFile(first.b).path);
    EXPECT_EQ(-115, k.test);
    EXPECT_STREQ("Key Object Selection Document Storage", k.req.what);

    EXPECT_EQ(-102, DicomRead("/nonexistent/file.dcm").test);
}

TEST(DicomDetect, ZeroRowsAndUnsupportedInterpretationsAreRefused) {
    DicomRead rows0(Image(DataSet(), 0, 4).path);
    EXPECT_EQ(-103, rows0.test);
    EXPECT_EQ(nullptr, rows0.fi.dicom);
    EXPECT_EQ(0, rows0.req.recognised);

    DicomRead cmyk(Image(DataSet(), 4, 4, "CMYK").path);
    EXPECT_EQ(-111, cmyk.test);
    EXPECT_EQ(nullptr, cmyk.fi.dicom);
    EXPECT_EQ(1, cmyk.req.recognised);
}

TEST(DicomDetect, ImageSizesAreCheckedBeforeAnything) {
    EXPECT_EQ(-103, DicomRead(Image(DataSet(), 65535, 65535).path).test); // 4 GiB
    DataSet frames;
    frames.Implicit(0x0028, 0x0008, "999999999999");
    EXPECT_EQ(-103, DicomRead(Image(frames, 64, 64).path).test);
    DataSet fits;
    fits.Implicit(0x0028, 0x0008, "2 ");
    EXPECT_EQ(100, DicomRead(Image(fits, 4, 4).path).test);
    DataSet negative;
    negative.Implicit(0x0028, 0x0008, "-5");
    testing::internal::CaptureStderr();
    EXPECT_EQ(-103, DicomRead(Image(negative, 4, 4).path).test);
    EXPECT_EQ(-103, DicomRead(Image(negative, 4, 4).path, 2).result);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(2, std::count(err.begin(), err.end(), '\n')) << err;
    EXPECT_NE(std::string::npos, err.find("Number of Frames is negative (-5)")) << err;
}

// Each value ends at its own length, not at the record's width: the next tag's bytes ("(" of
// group 0028) never join a decimal or a description.
TEST(DicomDetect, ValuesEndAtTheirLength) {
    DataSet d;
    d.Implicit(0x0008, 0x1030, "HEAD").Implicit(0x0008, 0x103E, "AXIAL 5mm ");
    d.Implicit(0x0028, 0x1050, "40").Implicit(0x0028, 0x1051, "400 ");
    d.Implicit(0x0028, 0x1052, "-120.5").Implicit(0x0028, 0x1053, "1 ");
    DicomRead r(Image(d).path);
    ASSERT_EQ(100, r.result);
    const auto *g08 = r.Group<DCMGROUP0008>(DCM_G0008);
    const auto *g28 = r.Group<DCMGROUP0028>(DCM_G0028);
    ASSERT_TRUE(g08 && g28);
    EXPECT_STREQ("HEAD", g08->StudyDescription);
    EXPECT_EQ(0, strncmp("AXIAL 5mm", g08->SeriesDescription, 9)) << g08->SeriesDescription;
    EXPECT_EQ(nullptr, strchr(g08->SeriesDescription, '(')) << g08->SeriesDescription;
    EXPECT_STREQ("-120.5", g28->RescaleIntercept);
    EXPECT_STREQ("40", g28->WindowCenter);
    EXPECT_FLOAT_EQ(-120.5f, r.ctx->dicomdesc.intercept);

    // Rescale texts of one character keep their defaults.
    DataSet one;
    one.Implicit(0x0028, 0x1052, std::string("7") + '\0')
        .Implicit(0x0028, 0x1053, std::string("3") + '\0');
    DicomRead r1(Image(one).path);
    ASSERT_EQ(100, r1.result);
    EXPECT_FLOAT_EQ(0.0f, r1.ctx->dicomdesc.intercept);
    EXPECT_FLOAT_EQ(1.0f, r1.ctx->dicomdesc.slope);
}

TEST(DicomTransferSyntax, WholeUidsDecide) {
    EXPECT_EQ(DICOM_TS_NATIVE, DicomTransferSyntaxClass(""));
    EXPECT_EQ(DICOM_TS_NATIVE, DicomTransferSyntaxClass("1.2.840.10008.1.2"));
    EXPECT_EQ(DICOM_TS_NATIVE, DicomTransferSyntaxClass("1.2.840.10008.1.2.1 "));
    EXPECT_EQ(DICOM_TS_LOSSLESS, DicomTransferSyntaxClass("1.2.840.10008.1.2.4.57"));
    EXPECT_EQ(DICOM_TS_LOSSLESS, DicomTransferSyntaxClass("1.2.840.10008.1.2.4.70"));
    // Substrings of accepted UIDs and UIDs that extend them are other syntaxes.
    EXPECT_EQ(DICOM_TS_REFUSED, DicomTransferSyntaxClass("1.2.840.10008.1"));
    EXPECT_EQ(DICOM_TS_REFUSED, DicomTransferSyntaxClass("1.2.840.10008.1.2.1.9"));
    // Big endian and deflated are native once the file is loaded.
    EXPECT_EQ(DICOM_TS_NATIVE, DicomTransferSyntaxClass("1.2.840.10008.1.2.1.99"));
    EXPECT_EQ(DICOM_TS_NATIVE, DicomTransferSyntaxClass("1.2.840.10008.1.2.2"));
    EXPECT_EQ(DICOM_TS_REFUSED, DicomTransferSyntaxClass("1.2.840.10008.1.2.4.7"));
    EXPECT_STREQ("JPEG Baseline (Process 1)", DicomUidName("1.2.840.10008.1.2.4.50"));
    EXPECT_STREQ("Explicit VR Little Endian", DicomUidName("1.2.840.10008.1.2.1"));
}

TEST(DicomTransferSyntax, OtherSyntaxesAreRefusedByName) {
    struct {
        std::string uid, name;
    } cases[] = {{"1.2.840.10008.1.2.4.100", "MPEG2 Main Profile / Main Level"},
                 {"1.2.840.10008.1.2.4.201", "High-Throughput JPEG 2000"}};
    for (auto &c : cases) {
        // The meta group in front of the data set, as files have it.
        DataSet made_set;
        made_set.Explicit(0x0002, 0x0000, "UL", std::string(4, '\0'))
            .Explicit(0x0002, 0x0010, "UI", c.uid);
        DataSet image = ImageHeader(4, 4, "MONOCHROME2");
        made_set.b.insert(made_set.b.end(), image.b.begin(), image.b.end());
        made_set.PadTo(1024 - 8 - 16).Implicit(0x7FE0, 0x0010, std::string(16, '\x40'));
        TempFile made(made_set.b);
        testing::internal::CaptureStderr();
        DicomRead r(made.path);
        std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(-111, r.result) << c.uid;
        EXPECT_NE(std::string::npos, err.find(c.uid)) << c.uid << " / " << err;
        EXPECT_NE(std::string::npos, err.find(c.name)) << c.uid << " / " << err;
        EXPECT_EQ(nullptr, r.fi.dicom);
        EXPECT_EQ(nullptr, r.fi.rmap);
        EXPECT_EQ(nullptr, r.fi.fbuf);
    }
}

// The committed vectors against dcmdump's view of them.
class DicomVector : public testing::TestWithParam<const char *> {};

TEST_P(DicomVector, HeaderMatchesDcmdump) {
    std::string name = GetParam();
    std::string dump = name + ".dump";
    DicomRead r(DataPath(name + ".dcm"));
    ASSERT_EQ(100, r.result);
    DICOMINFO info;
    ASSERT_EQ(100, DicomInfoGet(&r.fi, &info));

    std::string patient = DumpFind(dump, "(0010,0010)").value;
    std::replace(patient.begin(), patient.end(), '^', ',');
    EXPECT_EQ(patient, info.patient_name);
    std::string photometric = DumpFind(dump, "(0028,0004)").value;
    std::string uid = DumpFind(dump, "(0002,0010)").value;
    EXPECT_EQ(photometric, info.photometric);
    EXPECT_EQ(uid, info.transfer_syntax);

    int rows = std::stoi(DumpFind(dump, "(0028,0010)").value);
    int cols = std::stoi(DumpFind(dump, "(0028,0011)").value);
    int bits = std::stoi(DumpFind(dump, "(0028,0100)").value);
    int stored = std::stoi(DumpFind(dump, "(0028,0101)").value);
    int high = std::stoi(DumpFind(dump, "(0028,0102)").value);
    DumpValue frames = DumpFind(dump, "(0028,0008)");
    EXPECT_EQ(cols, r.fi.w);
    EXPECT_EQ(rows, r.fi.h);
    EXPECT_EQ(frames.found ? std::stoi(frames.value) : 1, r.fi.frames);

    char line[256];
    snprintf(line, sizeof line, "%s%s%ix%i Bit (%i/%i/%i) %s %s ", frames.value.c_str(),
             frames.found ? "x " : "", cols, rows, stored, bits, high, photometric.c_str(),
             uid.c_str());
    EXPECT_EQ(std::string(line), info.description);

    // Uncompressed pixel data ends the file: its first byte is the file size minus its length.
    DumpValue pixels = DumpFind(dump, "(7fe0,0010)");
    if (pixels.length > 0) {
        EXPECT_EQ(long(ReadFileBytes(DataPath(name + ".dcm")).size()) - pixels.length,
                  r.ctx->dicomdesc.dataoffset);
    }
}

INSTANTIATE_TEST_SUITE_P(Files, DicomVector,
                         testing::Values("implicit-mono2", "explicit-mono1-16",
                                         "explicit-multiframe", "palette-explicit",
                                         "palette-implicit", "lossless-sv1", "lossless-p14"));
// Sequences ahead of the data set's elements repeat them: a referenced patient's name, an icon
// with its own size and pixel data, Number of Frames and Rescale Slope.
INSTANTIATE_TEST_SUITE_P(Nested, DicomVector,
                         testing::Values("nested/implicit", "nested/implicit-undef",
                                         "nested/explicit", "nested/explicit-undef",
                                         "nested/lossless"));

TEST(DicomRead, PixelsComeFromTheDataSetNotFromItsIcon) {
    for (const char *name :
         {"implicit", "implicit-undef", "explicit", "explicit-undef", "lossless"}) {
        DicomRead r(DataPath(std::string("nested/") + name + ".dcm"));
        ASSERT_EQ(100, r.result) << name;
        ASSERT_EQ(32, r.fi.w);
        for (int i = 0; i < 32 * 32; i++) // the ramp over 0..255 the vectors hold
            ASSERT_EQ(i / 4, r.fi.fbuf[i]) << name << " " << i;
        EXPECT_FLOAT_EQ(1.0f, r.ctx->dicomdesc.slope) << name; // only an item has one
    }
}

TEST(DicomRead, PaletteTablesFillTheMaps) {
    for (const char *name : {"palette-explicit.dcm", "palette-implicit.dcm"}) {
        DicomRead r(DataPath(name));
        ASSERT_EQ(100, r.result) << name;
        EXPECT_EQ(MAPTYP_PALETTE, r.fi.maptyp);
        EXPECT_EQ(200, r.fi.mapentry); // descriptor counts 256, 256, 200
        for (int i = 0; i < 200; i++) {
            ASSERT_EQ(i * 257, r.fi.rmap[i]) << name << " " << i;
            ASSERT_EQ((255 - i) * 257, r.fi.gmap[i]) << name << " " << i;
            ASSERT_EQ(i * 300, r.fi.bmap[i]) << name << " " << i;
        }
        for (int i : {0, 17, 199, 200, 255})
            EXPECT_EQ(i % 200, r.fi.fbuf[i]) << name;
        // The entry table's snapshot outlives the current records.
        DicomUnitsEmpty(r.ctx);
        const DCMGROUP0028 *g = r.Group<DCMGROUP0028>(DCM_G0028);
        ASSERT_NE(nullptr, g);
        EXPECT_EQ(16, g->Rows);
        EXPECT_EQ(200, g->BluePaletteColorLookupTableDescriptor[0]);
        ASSERT_NE(nullptr, g->BluePaletteColorLookupTableData);
        EXPECT_EQ(0x2C, g->BluePaletteColorLookupTableData[2]); // entry 1 = 300 = 0x012C
        EXPECT_EQ(0x01, g->BluePaletteColorLookupTableData[3]);
    }
}

TEST(DicomHostile, CutAndDamagedFilesNeverReadOutside) {
    for (const char *name : {"explicit-mono1-16.dcm", "palette-explicit.dcm", "lossless-sv1.dcm",
                             "implicit-mono2.dcm"})
        ExpectCutAndDamagedReadsEnd(ReadFileBytes(DataPath(name)), 29, 40, 16, 12345);
    EXPECT_EQ(100, DicomRead(DataPath("truncated.dcm")).result); // partial image
}

TEST(DicomHostile, PaletteClaimsBeyondItsDataStayInside) {
    // One table claiming 65535 entries with two in the file: a 24-bit image whose index 1
    // takes the second entry and every other index what the table lacks (0).
    DataSet d = ImageHeader(4, 4, "PALETTE COLOR");
    d.ImplicitUS(0x0028, 0x1101, 65535);
    d.Implicit(0x0028, 0x1201, "\x01\x02\x03\x04");
    d.PadTo(1024 - 8 - 16);
    d.Implicit(0x7FE0, 0x0010, std::string(15, '\x01') + '\x05');
    DicomRead r(TempFile(d.b).path);
    ASSERT_EQ(100, r.result);
    ASSERT_EQ(24, r.fi.bit);
    EXPECT_EQ(nullptr, r.fi.rmap);
    EXPECT_EQ(0x04, r.fi.fbuf[0]);  // red of entry 1 = 0x0403
    EXPECT_EQ(0x00, r.fi.fbuf[45]); // entry 5 is not in the file

    // The same claim with a long table in a grey image leaves its ramp.
    DataSet g = ImageHeader(4, 4, "MONOCHROME2");
    g.ImplicitUS(0x0028, 0x1101, 65535);
    g.Implicit(0x0028, 0x1201, std::string(4096, '\x7F'));
    g.Implicit(0x7FE0, 0x0010, std::string(16, '\x01'));
    DicomRead grey(TempFile(g.b).path);
    ASSERT_EQ(100, grey.result);
    EXPECT_EQ(255, grey.fi.mapentry);
    EXPECT_EQ(254, grey.fi.rmap[254]);
}

TEST(DicomRead, TheReadTakesOverTheTestsParse) {
    // Test and read without a context of the caller share one parse; the result is that of a
    // read that parses again.
    for (const char *name :
         {"palette-explicit.dcm", "lossless-sv1.dcm", "explicit-multiframe.dcm"}) {
        DicomRead again(DataPath(name));
        ASSERT_EQ(100, again.result) << name;
        std::string path = DataPath(name);
        FILEREQ req{};
        FILEINFO fi{};
        IoRequestInit(&req, path.c_str());
        ASSERT_EQ(100, IsFileDicom(&req, &fi, 0));
        ASSERT_EQ(100, IoReadDicom(&req, &fi));
        DICOMINFO a{}, b{};
        ASSERT_EQ(100, DicomInfoGet(&fi, &a));
        ASSERT_EQ(100, DicomInfoGet(&again.fi, &b));
        EXPECT_EQ(0, memcmp(&a, &b, sizeof a)) << name;
        ASSERT_EQ(again.fi.w * again.fi.h * again.fi.frames, fi.w * fi.h * fi.frames);
        EXPECT_EQ(0, memcmp(again.fi.fbuf, fi.fbuf, size_t(fi.w * fi.h * fi.frames * fi.bit / 8)));
        FreeDicomRecord(&fi);
    }
    // A probe takes any interpretation; the read that follows still refuses what it cannot show.
    DataSet d = ImageHeader(4, 4, "CMYK");
    d.PadTo(1024 - 8 - 16);
    d.Implicit(0x7FE0, 0x0010, std::string(16, '\x40'));
    TempFile f(d.b);
    FILEREQ req{};
    FILEINFO fi{};
    req.path = f.path.c_str();
    ASSERT_EQ(100, IsFileDicom(&req, &fi, 2));
    EXPECT_EQ(-111, IoReadDicom(&req, &fi));
    EXPECT_EQ(nullptr, fi.dicom);
}

// A deflated or big-endian file whose data set cannot be turned little endian is refused with
// its reason; one inflating past the budget is refused before its memory is taken.
TEST(DicomForms, BrokenAndOversizedFormsAreRefusedWithTheirReason) {
    std::vector<uint8_t> deflated = ReadFileBytes(DataPath("wild/deflated-s16.dcm"));
    struct {
        std::vector<uint8_t> bytes;
        int code;
        const char *why;
        long budget;
    } cases[] = {{deflated, -103, "inflates past the 1 GiB image limit", 500},
                 {deflated, -111, "does not inflate", IO_BUDGET_IMAGE},
                 {ReadFileBytes(DataPath("wild/be-s16.dcm")), -111,
                  "big-endian data set does not parse", IO_BUDGET_IMAGE},
                 {{}, 0, "", 0}};
    // Garbage where the stream starts; a length past the end in the big-endian header.
    size_t meta = 132 + 12 + (deflated[140] | deflated[141] << 8);
    std::fill(cases[1].bytes.begin() + long(meta), cases[1].bytes.begin() + long(meta) + 8, 0xFF);
    cases[2].bytes[132 + 12 + (cases[2].bytes[140] | cases[2].bytes[141] << 8) + 6] = 0xFF;
    // A bomb: 64 MiB of zeros in 64 KiB of stream, refused before it is counted.
    std::vector<uint8_t> bomb(deflated.begin(), deflated.begin() + long(meta));
    {
        std::vector<uint8_t> zeros(64L << 20), packed(zeros.size() / 500);
        z_stream z{};
        ASSERT_EQ(Z_OK, deflateInit2(&z, 9, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY));
        z.next_in = zeros.data();
        z.avail_in = uInt(zeros.size());
        z.next_out = packed.data();
        z.avail_out = uInt(packed.size());
        ASSERT_EQ(Z_STREAM_END, deflate(&z, Z_FINISH));
        bomb.insert(bomb.end(), packed.begin(), packed.begin() + long(z.total_out));
        deflateEnd(&z);
    }
    cases[3] = {bomb, -111, "does not inflate to a data set", IO_BUDGET_IMAGE};
    for (auto &c : cases) {
        dicom_form_tune.inflate_budget = c.budget;
        testing::internal::CaptureStderr();
        DicomRead r(TempFile(c.bytes).path);
        std::string err = testing::internal::GetCapturedStderr();
        dicom_form_tune.inflate_budget = IO_BUDGET_IMAGE;
        EXPECT_EQ(c.code, r.test) << c.why;
        EXPECT_NE(std::string::npos, err.find(c.why)) << err;
        EXPECT_EQ(nullptr, r.fi.dicom);
    }
}

TEST(DicomPlain, TheFirstElementTellsByteOrderAndVRKind) {
    // "CS" is 43 53, "PN" 50 4E, "UI" 55 49, "OB" 4F 42.
    const struct {
        std::string head;
        int ok, be, ex;
    } cases[] = {{std::string("\x08\x00\x05\x00\x0A\x00\x00\x00", 8), 1, 0, 0},
                 {std::string("\x08\x00\x05\x00\x43\x53\x0A\x00", 8), 1, 0, 1},
                 {std::string("\x00\x08\x00\x05\x43\x53\x00\x0A", 8), 1, 1, 1},
                 {std::string("\x00\x08\x00\x05\x00\x00\x00\x0A", 8), 1, 1, 0},
                 {std::string("\x00\x08\x00\x05\x4F\x42\x00\x00\x00\x00\x00\x0A", 12), 1, 1, 1},
                 // A value past the end, another group, an element the meta group lacks.
                 {std::string("\x08\x00\x05\x00\x43\x53\x0B\x00", 8), 0, 0, 0},
                 {std::string("\x10\x00\x10\x00\x50\x4E\x0A\x00", 8), 0, 0, 0},
                 {std::string("\x02\x00\x00\x10\x55\x49\x0A\x00", 8), 0, 0, 0},
                 {std::string("\x00\x08\x00\x05\xFF\xFF\xFF\xFF", 8), 0, 0, 0}};
    for (const auto &c : cases) {
        const std::string bytes = c.head + "ISO_IR 100";
        int be = -1, ex = -1;
        const auto *b = reinterpret_cast<const uint8_t *>(bytes.data());
        EXPECT_EQ(c.ok, DicomPlainStart(b, long(bytes.size()), &be, &ex)) << bytes;
        if (c.ok) {
            EXPECT_EQ(c.be, be) << bytes;
            EXPECT_EQ(c.ex, ex) << bytes;
        }
    }
}
