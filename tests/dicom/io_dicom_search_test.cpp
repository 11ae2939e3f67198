// The dictionary search over a file's bytes: pixel data holds samples, not tags.
#include "dicom/dicom_test_util.h"
#include "dicom/io_dcm2.h"

#include <gtest/gtest.h>

using namespace dcmtest;

namespace {

// A preamble, "DICM" and a meta group naming `syntax`, then `body`.
std::vector<uint8_t> Part10(const std::string &syntax, const DataSet &body) {
    DataSet file;
    file.Bytes(std::string(128, '\0') + "DICM");
    file.Explicit(0x0002, 0x0010, "UI", syntax);
    file.b.insert(file.b.end(), body.b.begin(), body.b.end());
    return file.b;
}

// ImageHeader's elements in explicit VR.
DataSet ExplicitHeader(uint16_t rows, uint16_t cols) {
    DataSet img = ImageHeader(rows, cols, "MONOCHROME2"), d;
    for (size_t i = 0; i + 8 <= img.b.size();) {
        const uint16_t g = uint16_t(img.b[i] | img.b[i + 1] << 8);
        const uint16_t e = uint16_t(img.b[i + 2] | img.b[i + 3] << 8);
        const uint32_t n = img.b[i + 4] | img.b[i + 5] << 8;
        std::string v(img.b.begin() + long(i) + 8, img.b.begin() + long(i + 8 + n));
        d.Explicit(g, e, n == 2 ? "US" : "CS", v);
        i += 8 + n;
    }
    return d;
}

} // namespace

TEST(DicomSearch, SamplesThatLookLikeTagsAreNoTagsButElementsAfterThemAre) {
    // Native samples holding an item tag's bytes, then a padding element after the pixel data;
    // implicit and explicit VR, whose pixel data headers differ in length.
    const std::string samples("\xFE\xFF\x00\xE0\x2A\x00\x00\x00", 8);
    for (bool exp : {false, true}) {
        SCOPED_TRACE(exp);
        DataSet d = exp ? ExplicitHeader(2, 4) : ImageHeader(2, 4, "MONOCHROME2");
        if (exp)
            d.Explicit(0x7FE0, 0x0010, "OB", samples).Explicit(0xFFFC, 0xFFFC, "OB", "pad ");
        else
            d.Implicit(0x7FE0, 0x0010, samples).Implicit(0xFFFC, 0xFFFC, "pad ");
        TempFile t(Part10(exp ? std::string("1.2.840.10008.1.2.1\0", 20)
                              : std::string("1.2.840.10008.1.2\0", 18),
                          d));
        DicomRead r(t.path, IO_READ_PROBE);
        ASSERT_EQ(100, r.test);
        const auto *fffe = r.Group<DCMGROUPFFFE>(DCM_GFFFE);
        ASSERT_TRUE(fffe);
        EXPECT_EQ(0u, fffe->Item) << "an item tag's bytes among the samples were taken for one";

        FILEREQ req;
        IoRequestInit(&req, t.path.c_str());
        FILEINFO fi{};
        ASSERT_EQ(100, IsFileDicom(&req, &fi, IO_READ_FULL));
        int len = 0;
        ASSERT_TRUE(DicomFileBytes(&fi, &len));
        uint8_t header[8];
        EXPECT_EQ(len - (exp ? 16 : 12),
                  DicomTagFind(&fi, len, 0xFF, 0xFC, 0xFF, 0xFC, 0, nullptr, 0, header));
        EXPECT_EQ(0, DicomTagFind(&fi, len, 0xFF, 0xFE, 0xE0, 0x00, 0, nullptr, 0, header));
        DicomDataRelease(&fi);
    }
}

TEST(DicomSearch, EncapsulatedPixelDataIsSearchedItemByItem) {
    // A fragment whose bytes hold an item delimiter's tag; the sequence delimiter after it, then
    // padding. Read as it is and mapped (the search lets the pixel data's pages go): the same.
    DataSet d = ExplicitHeader(2, 2);
    d.Tag(0x7FE0, 0x0010), d.Bytes(std::string("OB\0\0", 4)), d.U32(0xFFFFFFFFu);
    const size_t head = Part10(std::string("1.2.840.10008.1.2.4.90", 22), DataSet()).size();
    const size_t pixel = head + d.b.size() - 12;
    d.Tag(0xFFFE, 0xE000), d.U32(0);
    d.Tag(0xFFFE, 0xE000), d.U32(8), d.Bytes(std::string("\xFE\xFF\x0D\xE0\x01\x02\x03\x04", 8));
    const size_t delimiter = head + d.b.size();
    d.Tag(0xFFFE, 0xE0DD), d.U32(0);
    d.Tag(0xFFFC, 0xFFFC), d.U32(4), d.Bytes("pad ");
    TempFile t(Part10(std::string("1.2.840.10008.1.2.4.90", 22), d));
    for (int mapped : {0, 1}) {
        SCOPED_TRACE(mapped);
        FILEREQ req;
        IoRequestInit(&req, t.path.c_str());
        req.mapped = mapped;
        FILEINFO fi{};
        ASSERT_EQ(100, IsFileDicom(&req, &fi, IO_READ_FULL));
        int len = 0;
        ASSERT_TRUE(DicomFileBytes(&fi, &len));
        uint8_t header[8];
        EXPECT_EQ(int(pixel),
                  DicomTagFind(&fi, len, 0x7F, 0xE0, 0x00, 0x10, 0, nullptr, 0, header));
        EXPECT_EQ(int(pixel + 12),
                  DicomTagFind(&fi, len, 0xFF, 0xFE, 0xE0, 0x00, 0, nullptr, 0, header));
        EXPECT_EQ(0, DicomTagFind(&fi, len, 0xFF, 0xFE, 0xE0, 0x0D, 0, nullptr, 0, header));
        EXPECT_EQ(int(delimiter),
                  DicomTagFind(&fi, len, 0xFF, 0xFE, 0xE0, 0xDD, 0, nullptr, 0, header));
        EXPECT_EQ(len - 12, DicomTagFind(&fi, len, 0xFF, 0xFC, 0xFF, 0xFC, 0, nullptr, 0, header));
        DicomDataRelease(&fi);
    }
}
