#include "ljpeg/decomp.h"

#include "ljpeg/ljpeg_testutil.h"

#include <gtest/gtest.h>

#include <thread>

static int Decode(const std::vector<uint8_t> &s, std::vector<uint16_t> &out, LJPEGINFO *info) {
    return decompFrame(s.data(), s.size(), out.data(), out.size(), info);
}

// Streams written by dcmcjpeg (every predictor, point transforms, 8/12/16 bits, signed and
// unsigned, one and three components, odd sizes) decode to exactly the samples of dcmdjpeg.
TEST(LjpegVectors, MatchDcmdjpegSampleForSample) {
    std::vector<LjVector> vectors = LjVectors();
    ASSERT_GE(vectors.size(), 30u) << "tests/data/ljpeg/vectors.txt missing";
    for (const LjVector &v : vectors) {
        SCOPED_TRACE(v.name);
        std::vector<uint8_t> stream = LjReadFile(LjDataDir() + v.name + ".ljp");
        LJPEGINFO info;
        ASSERT_EQ(decompFrameInfo(stream.data(), stream.size(), &info), LJPEG_OK);
        std::vector<uint16_t> expected = LjExpected(v, info.precision);
        ASSERT_EQ(expected.size(), size_t(v.width) * v.height * v.comps);
        std::vector<uint16_t> out(expected.size() + 7, 0xBEEF);
        ASSERT_EQ(Decode(stream, out, &info), LJPEG_OK);
        EXPECT_EQ(info.width, v.width);
        EXPECT_EQ(info.height, v.height);
        EXPECT_EQ(info.components, v.comps);
        EXPECT_TRUE(info.precision == v.bitsStored || info.precision == v.bitsAllocated);
        size_t bad = 0;
        for (size_t i = 0; i < expected.size(); i++)
            bad += out[i] != expected[i];
        EXPECT_EQ(bad, 0u) << "first sample " << out[0] << " expected " << expected[0];
        EXPECT_EQ(out[expected.size()], 0xBEEF) << "wrote past the frame";
    }
}

// 12- and 16-bit frames keep every bit (not the low byte), and a point transform is undone by
// shifting, so the samples come back at their original scale.
TEST(LjpegVectors, DeliverFullPrecisionSamples) {
    for (const char *name : {"e1-u16", "p12-e1-u12", "pt3-u12", "pt5-s16"}) {
        SCOPED_TRACE(name);
        LjVector v{};
        for (const LjVector &c : LjVectors())
            if (c.name == name) v = c;
        ASSERT_EQ(v.name, name);
        std::vector<uint16_t> out(size_t(v.width) * v.height);
        LJPEGINFO info;
        ASSERT_EQ(Decode(LjReadFile(LjDataDir() + v.name + ".ljp"), out, &info), LJPEG_OK);
        uint16_t hi = 0;
        for (uint16_t s : out)
            hi = std::max(hi, s);
        EXPECT_GT(hi, (1 << (v.bitsStored - 1)) - 1);
        if (info.pointTransform) {
            for (uint16_t s : out)
                ASSERT_EQ(s & ((1 << info.pointTransform) - 1), 0);
        }
    }
}

TEST(LjpegInterface, ProbeReportsFrameWithoutDecoding) {
    std::vector<uint8_t> s = LjReadFile(LjDataDir() + "rgb-sv5.ljp");
    LJPEGINFO info;
    ASSERT_EQ(decompFrameInfo(s.data(), s.size(), &info), LJPEG_OK);
    EXPECT_EQ(info.width, 31);
    EXPECT_EQ(info.height, 19);
    EXPECT_EQ(info.components, 3);
    EXPECT_EQ(info.precision, 8);
    EXPECT_EQ(info.predictor, 5);
}

TEST(LjpegInterface, FrameLargerThanStoreIsRefusedUntouched) {
    std::vector<uint8_t> s = LjReadFile(LjDataDir() + "e1-u8.ljp");
    std::vector<uint16_t> out(40 * 30 - 1, 7);
    LJPEGINFO info;
    testing::internal::CaptureStderr();
    EXPECT_EQ(Decode(s, out, &info), LJPEG_ERR_STORE);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("does not fit"), std::string::npos);
    for (uint16_t v : out)
        ASSERT_EQ(v, 7);
    EXPECT_EQ(info.width, 40); // the caller can size a store from the refusal too
    EXPECT_EQ(decompFrame(nullptr, 0, out.data(), out.size(), &info), LJPEG_ERR_ARG);
}

// All state is per call: frames decoded on several threads at once all come out exact.
TEST(LjpegInterface, FramesDecodeConcurrently) {
    std::vector<LjVector> all = LjVectors();
    std::vector<std::thread> threads;
    std::vector<int> ok(4, 0);
    for (int t = 0; t < 4; t++)
        threads.emplace_back([&, t] {
            for (int round = 0; round < 5; round++)
                for (size_t i = t; i < all.size(); i += 4) {
                    auto s = LjReadFile(LjDataDir() + all[i].name + ".ljp");
                    LJPEGINFO info;
                    decompFrameInfo(s.data(), s.size(), &info);
                    std::vector<uint16_t> expected = LjExpected(all[i], info.precision);
                    std::vector<uint16_t> out(expected.size());
                    if (Decode(s, out, &info) != LJPEG_OK || out != expected) return;
                }
            ok[t] = 1;
        });
    for (auto &th : threads)
        th.join();
    EXPECT_EQ(ok, std::vector<int>(4, 1));
}

// A three-component frame written as three scans of one component each lands interleaved.
TEST(LjpegInterface, ComponentsFromSeparateScansAreInterleaved) {
    const int w = 9, h = 6;
    std::vector<uint16_t> img = LjImage(w, h, 3, 8, 5);
    std::vector<uint8_t> frame;
    for (int c = 0; c < 3; c++) {
        std::vector<uint16_t> plane;
        for (size_t i = c; i < img.size(); i += 3)
            plane.push_back(img[i]);
        LjEncodeParams p;
        p.width = w, p.height = h, p.psv = c + 2;
        std::vector<uint8_t> s = LjEncode(plane, p);
        // Keep the DHT, SOS and entropy data of each single-component stream.
        size_t sof = 2 + 4 + 17 + 17, sos = sof + 2 + 11;
        if (c == 0) {
            frame.assign(s.begin(), s.begin() + sof);
            const uint8_t sof3[] = {0xFF, 0xC3, 0, 17, 8,    0, h, 0,    w, 3,
                                    1,    0x11, 0, 2,  0x11, 0, 3, 0x11, 0};
            frame.insert(frame.end(), std::begin(sof3), std::end(sof3));
        }
        s[sos + 5] = static_cast<uint8_t>(c + 1); // scan component id
        frame.insert(frame.end(), s.begin() + sos, s.end() - 2);
    }
    frame.insert(frame.end(), {0xFF, 0xD9});
    std::vector<uint16_t> out(img.size());
    LJPEGINFO info;
    ASSERT_EQ(Decode(frame, out, &info), LJPEG_OK);
    EXPECT_EQ(out, img);
}
