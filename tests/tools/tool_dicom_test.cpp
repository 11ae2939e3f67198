// dravik-tool on DICOM files: info keys, --raw against dcmtk's decoded samples, frame choice and
// the Hounsfield option, run as a user would.
#include <gtest/gtest.h>

#include "tools/tool_testutil.h"

#include <algorithm>
#include <cmath>

namespace {

std::string Vector(const std::string &name, const char *ext = ".dcm") {
    return std::string(DRAVIK_TEST_DATA) + "/pixel/" + name + ext;
}

// dcmtk's decoded words of a pixel vector, as RawStored reads them.
std::vector<uint32_t> OracleStored(const std::string &name, int bytes, int bits, bool sign) {
    return RawStored(Vector(name, ".raw"), bytes, bits, sign);
}

} // namespace

TEST(ToolDicom, InfoAddsTheDicomKeys) {
    ToolResult r = Tool({"info", Vector("mf-range-ll")});
    ASSERT_EQ(0, r.status) << r.err;
    for (const char *line :
         {"type=DICOM\n", "width=64\n", "height=48\n", "frames=3\n", "photometric=MONOCHROME2\n",
          "transfer_syntax=1.2.840.10008.1.2.4.70\n", "patient_name=Pixel,Test2\n"})
        EXPECT_NE(std::string::npos, r.out.find(line)) << line << r.out;
    EXPECT_NE(std::string::npos, r.out.find("description=3x 64x48 Bit (16/16/15)")) << r.out;
}

TEST(ToolDicom, RawEqualsTheSamplesDcmtkDecodes) {
    struct Case {
        const char *name;
        int bytes, bits, frames;
        bool sign;
    } cases[] = {{"mf-range-ll", 2, 16, 3, false},
                 {"mf-range-rle", 2, 16, 3, false},
                 {"ct-signed-ll", 2, 12, 1, true},
                 {"ct-signed", 2, 12, 1, true},
                 {"grey-rle", 1, 8, 1, false}};
    for (const Case &c : cases) {
        TempOut out(".pgm");
        ToolResult r = Tool({"convert", Vector(c.name), out.path, "--raw", "--all-frames"});
        ASSERT_EQ(0, r.status) << c.name << r.err;
        EXPECT_EQ("", r.out);
        std::vector<Pnm> pgms = ReadPnms(out.path);
        ASSERT_EQ(size_t(c.frames), pgms.size()) << c.name;
        EXPECT_EQ(c.sign ? 65535 : int((1u << c.bits) - 1), pgms[0].max) << c.name;
        std::vector<uint32_t> all = ReadPnmSamples(out.path);
        EXPECT_EQ(OracleStored(c.name, c.bytes, c.bits, c.sign), all) << c.name;
        if (c.sign) {
            EXPECT_EQ(-2048, int16_t(all[0])) << c.name; // the vector's first value
        }
    }
}

TEST(ToolDicom, FrameChoosesOneImageAndBadChoicesFail) {
    TempOut all(".pgm"), one(".pgm");
    ASSERT_EQ(0, Tool({"convert", Vector("mf-range-ll"), all.path, "--all-frames"}).status);
    ASSERT_EQ(0, Tool({"convert", Vector("mf-range-ll"), one.path, "--frame", "2"}).status);
    std::vector<Pnm> a = ReadPnms(all.path), o = ReadPnms(one.path);
    ASSERT_EQ(3u, a.size());
    ASSERT_EQ(1u, o.size());
    EXPECT_EQ(a[2].px, o[0].px);
    EXPECT_EQ(255, o[0].max);

    for (std::vector<std::string> bad :
         {std::vector<std::string>{"convert", Vector("mf-range-ll"), one.path, "--frame", "3"},
          {"convert", Vector("rgb"), one.path, "--raw"},
          {"convert", Vector("ct-signed"), "/tmp/x.ppm", "--raw"},
          {"convert", Vector("ct-signed"), one.path, "--hounsfield", "100:-100"}}) {
        ToolResult r = Tool(bad);
        EXPECT_NE(0, r.status) << bad[1] << " " << bad[3];
        EXPECT_EQ(1, std::count(r.err.begin(), r.err.end(), '\n')) << r.err;
        EXPECT_EQ("", r.out);
    }
}

TEST(ToolDicom, HounsfieldOptionWindowsRescaledValues) {
    // ct-signed: 12 signed bits, slope 1, intercept -1024; window -1000..1000 HU.
    TempOut out(".pgm");
    ToolResult r = Tool({"convert", Vector("ct-signed"), out.path, "--hounsfield", "-1000:1000"});
    ASSERT_EQ(0, r.status) << r.err;
    std::vector<Pnm> p = ReadPnms(out.path);
    ASSERT_EQ(1u, p.size());
    std::vector<uint32_t> stored = OracleStored("ct-signed", 2, 12, false);
    ASSERT_EQ(stored.size(), p[0].px.size());
    for (size_t i = 0; i < stored.size(); i++) {
        long v = stored[i] >= 2048 ? long(stored[i]) - 4096 : long(stored[i]);
        double want = std::floor((double(v) - 1024 + 1000) * 255 / 2000);
        ASSERT_EQ(uint32_t(std::fmin(std::fmax(want, 0), 255)), p[0].px[i]) << i;
    }
}

std::string Wild(const std::string &name) {
    return std::string(DRAVIK_TEST_DATA) + "/wild/" + name;
}

TEST(ToolDicomWild, FilesWithoutAPictureSaySoAndFail) {
    struct {
        const char *name, *what;
    } cases[] = {{"noimage-sr.dcm", "Basic Text SR Storage"},
                 {"noimage-rtplan.dcm", "RT Plan Storage"},
                 {"noimage-plain.dcm", "Secondary Capture Image Storage"},
                 {"noimage-pdf.dcm", "Encapsulated PDF Storage"}}; // big endian
    for (const auto &c : cases) {
        std::string path = Wild(c.name);
        std::string want =
            "dravik-tool: " + path + ": no image in this DICOM file (" + c.what + ")\n";
        TempOut out(".pgm");
        for (std::vector<std::string> args : {std::vector<std::string>{"info", path},
                                              {"convert", path, out.path},
                                              {"convert", path, out.path, "--raw"}}) {
            ToolResult r = Tool(args);
            EXPECT_EQ(1, r.status) << c.name << " " << args[0];
            EXPECT_EQ(want, r.err) << args[0];
            EXPECT_EQ("", r.out);
        }
    }
    // An album takes no entry of it and says why.
    TempOut album(".alb");
    ToolResult add = Tool({"album", "add", album.path, Wild("noimage-sr.dcm")});
    EXPECT_EQ(1, add.status);
    EXPECT_NE(std::string::npos, add.err.find("cannot add: no image in this DICOM file (-115)"))
        << add.err;
    // A file that does not parse stays unreadable.
    std::string garbage = std::string(DRAVIK_TEST_DATA) + "/garbage.bin";
    ToolResult r = Tool({"info", garbage});
    EXPECT_EQ(1, r.status);
    EXPECT_EQ("dravik-tool: " + garbage + ": not a readable image\n", r.err);
}

TEST(ToolDicomWild, MarkedFilesAreReadAtAnySize) {
    ToolResult info = Tool({"info", Wild("small.dcm")});
    ASSERT_EQ(0, info.status) << info.err;
    EXPECT_NE(std::string::npos, info.out.find("width=4\nheight=4\n")) << info.out;
    TempOut out(".pgm");
    ASSERT_EQ(0, Tool({"convert", Wild("small.dcm"), out.path, "--raw"}).status);
    std::vector<Pnm> p = ReadPnms(out.path);
    ASSERT_EQ(1u, p.size());
    std::vector<uint8_t> want = ReadFileBytes(Wild("small.raw"));
    EXPECT_EQ(std::vector<uint32_t>(want.begin(), want.end()), p[0].px);
}

std::vector<uint32_t> RawFrames(const std::string &path, int *frames, std::string *err) {
    TempOut out(".pgm");
    ToolResult r = Tool({"convert", path, out.path, "--raw", "--all-frames"});
    *err = r.err;
    *frames = 0;
    return r.status ? std::vector<uint32_t>() : ReadPnmSamples(out.path, frames);
}

TEST(ToolDicomWild, BigEndianDeflatedAndPlainDataSetsEqualDcmtk) {
    // Exact: every syntax here is lossless.
    struct Case {
        const char *name, *oracle;
        int bytes, bits, frames, pixels;
        bool sign;
        const char *syntax;
    } cases[] = {{"be-s16", "be-s16", 2, 12, 3, 91, true, "1.2.840.10008.1.2.2"},
                 {"be-u8", "be-u8", 1, 8, 1, 1147, false, "1.2.840.10008.1.2.2"},
                 {"deflated-s16", "deflated-s16", 2, 12, 3, 91, true, "1.2.840.10008.1.2.1.99"},
                 {"deflated-u8", "deflated-u8", 1, 8, 1, 1147, false, "1.2.840.10008.1.2.1.99"},
                 {"plain-implicit", "plain-implicit", 2, 16, 1, 600, false, ""},
                 {"plain-explicit", "plain-explicit", 2, 16, 1, 600, false, ""},
                 {"plain-be", "plain-be", 2, 16, 1, 600, false, ""},
                 {"plain-implicit-be", "plain-be", 2, 16, 1, 600, false, ""}};
    for (const Case &c : cases) {
        std::string path = Wild(std::string(c.name) + ".dcm");
        ToolResult info = Tool({"info", path});
        ASSERT_EQ(0, info.status) << c.name << info.err;
        EXPECT_NE(std::string::npos,
                  info.out.find(std::string("transfer_syntax=") + c.syntax + "\n"))
            << info.out;
        int frames;
        std::string err;
        std::vector<uint32_t> got = RawFrames(path, &frames, &err);
        ASSERT_EQ(c.frames, frames) << c.name << err;
        size_t n = size_t(c.frames) * size_t(c.pixels);
        EXPECT_EQ(RawStored(Wild(std::string(c.oracle) + ".raw"), c.bytes, c.bits, c.sign, n), got)
            << c.name;
        if (c.sign) {
            EXPECT_EQ(-2048, int16_t(got[0])) << c.name;
            EXPECT_EQ(2047, int16_t(got[1])) << c.name;
        }
    }
}

TEST(ToolDicomWild, CutFilesShowWhatTheyHold) {
    // Cut inside the last frame, inside the compressed stream, inside the pixels.
    struct Case {
        const char *name, *oracle;
        int bytes, bits, frames;
        size_t whole; // leading values the cut file still holds
        bool sign;
    } cases[] = {{"be-s16-cut", "be-s16", 2, 12, 3, 2 * 91, true},
                 {"deflated-u8-cut", "deflated-u8", 1, 8, 1, 37, false},
                 {"plain-be-cut", "plain-be", 2, 16, 1, 500, false}};
    for (const Case &c : cases) {
        int frames;
        std::string err;
        std::vector<uint32_t> got = RawFrames(Wild(std::string(c.name) + ".dcm"), &frames, &err);
        ASSERT_EQ(c.frames, frames) << c.name << err;
        EXPECT_NE(std::string::npos, err.find("dravik: ")) << c.name << ": the cut is told";
        got.resize(c.whole);
        EXPECT_EQ(RawStored(Wild(std::string(c.oracle) + ".raw"), c.bytes, c.bits, c.sign, c.whole),
                  got)
            << c.name;
    }
}

TEST(ToolDicomWild, OneBitFramesAreUnpackedAcrossBytesAsDcmtkShowsThem) {
    // 7 x 5 pixels: frames 1 and 2 begin inside a byte (bits 35 and 70). dcm2pnm's 0/255.
    std::vector<uint8_t> want = ReadFileBytes(Wild("bits1.raw"));
    TempOut shown(".pgm"), raw(".pgm"), cut(".pgm");
    ASSERT_EQ(0, Tool({"convert", Wild("bits1.dcm"), shown.path, "--all-frames"}).status);
    EXPECT_EQ(std::vector<uint32_t>(want.begin(), want.end()), ReadPnmSamples(shown.path));

    // Stored values are 0 and 1.
    ASSERT_EQ(0, Tool({"convert", Wild("bits1.dcm"), raw.path, "--raw", "--all-frames"}).status);
    std::vector<Pnm> r = ReadPnms(raw.path);
    ASSERT_EQ(3u, r.size());
    EXPECT_EQ(1, r[0].max);
    for (size_t i = 0; i < 35; i++)
        EXPECT_EQ(want[70 + i] ? 1u : 0u, r[2].px[i]) << i;

    // Cut after 64 pixels: those shown, the rest black.
    ToolResult c = Tool({"convert", Wild("bits1-cut.dcm"), cut.path, "--all-frames"});
    ASSERT_EQ(0, c.status) << c.err;
    EXPECT_NE(std::string::npos, c.err.find("ends after 64 of 105 pixels")) << c.err;
    std::vector<uint32_t> all = ReadPnmSamples(cut.path);
    ASSERT_EQ(105u, all.size());
    for (size_t i = 0; i < 105; i++)
        EXPECT_EQ(i < 64 ? want[i] : 0u, all[i]) << i;
}

// PFM images of one file: width, height and the values top row first.
std::vector<std::vector<float>> ReadPfms(const std::string &path, int *w, int *h) {
    std::vector<uint8_t> b = ReadFileBytes(path);
    std::vector<std::vector<float>> out;
    size_t pos = 0;
    while (pos < b.size()) {
        char magic[3] = {};
        float scale = 0;
        int n = 0;
        if (sscanf(reinterpret_cast<const char *>(b.data()) + pos, "%2s %d %d %f%n", magic, w, h,
                   &scale, &n) != 4 ||
            std::string(magic) != "Pf" || scale >= 0)
            break;
        pos += size_t(n) + 1;
        std::vector<float> img(size_t(*w) * size_t(*h));
        for (int y = *h - 1; y >= 0; y--)
            for (int x = 0; x < *w && pos + 4 <= b.size(); x++, pos += 4)
                memcpy(&img[size_t(y) * size_t(*w) + size_t(x)], &b[pos], 4);
        out.push_back(img);
    }
    return out;
}

TEST(ToolDicomWild, ThirtyTwoBitSamplesGoToAFloatMap) {
    TempOut pfm(".pfm"), pgm(".pgm");
    ToolResult r = Tool({"convert", Wild("dose32.dcm"), pfm.path, "--raw", "--all-frames"});
    ASSERT_EQ(0, r.status) << r.err;
    int w = 0, h = 0;
    std::vector<std::vector<float>> frames = ReadPfms(pfm.path, &w, &h);
    ASSERT_EQ(2u, frames.size());
    EXPECT_EQ(5, w);
    EXPECT_EQ(4, h);
    std::vector<uint32_t> want = RawStored(Wild(std::string("dose32") + ".raw"), 4, 32, false, 40);
    ASSERT_EQ(40u, want.size());
    for (size_t i = 0; i < 40; i++)
        EXPECT_EQ(float(want[i]), frames[i / 20][i % 20]) << i;
    EXPECT_EQ(16777215.0f, frames[0][0]); // 2^24 - 1, the largest exact

    // Signed 16-bit values come out signed as well.
    ASSERT_EQ(0, Tool({"convert", Wild("be-s16.dcm"), pfm.path, "--raw", "--frame", "0"}).status);
    frames = ReadPfms(pfm.path, &w, &h);
    ASSERT_EQ(1u, frames.size());
    EXPECT_EQ(-2048.0f, frames[0][0]);
    EXPECT_EQ(2047.0f, frames[0][1]);

    ToolResult p = Tool({"convert", Wild("dose32.dcm"), pgm.path, "--raw"});
    EXPECT_EQ(1, p.status);
    EXPECT_NE(std::string::npos, p.err.find("do not fit a PGM (write a .pfm)")) << p.err;
}

TEST(ToolDicom, WindowOptionGivesCentreAndWidthOrTheFilesOwn) {
    // ct-signed under 40/400, LINEAR: the standard's formula on the oracle's stored values.
    TempOut out(".pgm");
    ToolResult r = Tool({"convert", Vector("ct-signed"), out.path, "--window", "40:400"});
    ASSERT_EQ(0, r.status) << r.err;
    std::vector<Pnm> p = ReadPnms(out.path);
    ASSERT_EQ(1u, p.size());
    std::vector<uint32_t> stored = OracleStored("ct-signed", 2, 12, false);
    ASSERT_EQ(stored.size(), p[0].px.size());
    for (size_t i = 0; i < stored.size(); i++) {
        double x = (stored[i] >= 2048 ? double(stored[i]) - 4096 : double(stored[i])) - 1024;
        double y = x <= 40 - 0.5 - 399.0 / 2  ? 0
                   : x > 40 - 0.5 + 399.0 / 2 ? 255
                                              : ((x - 39.5) / 399 + 0.5) * 255;
        ASSERT_EQ(uint32_t(std::floor(y + 0.5)), p[0].px[i]) << i;
    }
    // Without a window of its own the file opens min-max either way.
    TempOut file(".pgm"), minmax(".pgm");
    ASSERT_EQ(0, Tool({"convert", Vector("ct-signed"), file.path, "--window", "file"}).status);
    ASSERT_EQ(0, Tool({"convert", Vector("ct-signed"), minmax.path, "--window", "minmax"}).status);
    EXPECT_EQ(ReadFileBytes(file.path), ReadFileBytes(minmax.path));
    for (const char *bad : {"40", "40:0", "file2", "a:b"})
        EXPECT_NE(0, Tool({"convert", Vector("ct-signed"), out.path, "--window", bad}).status)
            << bad;
    EXPECT_NE(0, Tool({"convert", std::string(DRAVIK_TEST_DATA) + "/col-baseline.jpg", out.path,
                       "--window", "40:400"})
                     .status);
}

TEST(ToolDicom, DumpPrintsTheHeaderRowsAndFailsOnABrokenFile) {
    ToolResult r = Tool({"dump", std::string(DRAVIK_TEST_DATA) + "/baseline.dcm"});
    ASSERT_EQ(0, r.status) << r.err;
    EXPECT_NE(r.out.find("\n(0008,0060) CS 2 Modality [OT]\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\n        (0008,0100) SH 6 CodeValue [121320]\n"), std::string::npos);
    // A cut file: the rows up to the cut, a note, and a failure status.
    r = Tool({"dump", std::string(DRAVIK_TEST_DATA) + "/truncated.dcm"});
    EXPECT_EQ(1, r.status);
    EXPECT_NE(r.out.find("(0002,0010) UI"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\n# "), std::string::npos) << r.out;
    EXPECT_NE(r.err.find("the listing stops"), std::string::npos) << r.err;
}
