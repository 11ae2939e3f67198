#include "ljpeg/decomp.h"

#include "ljpeg/ljpeg_testutil.h"

#include <gtest/gtest.h>

#include <thread>

static int Decode(const std::vector<uint8_t> &s, std::vector<uint16_t> &out, LJPEGINFO *info) {
    return decompFrame(s.data(), s.size(), out.data(), out.size(), info);
}

// Streams written by dcmcjpeg (every predictor, point transforms, 8/12/16 bits, signed and
// unsigned, one and three components, odd sizes) decode to exactly dcmdjpeg's 16-bit samples:
// full precision, components interleaved, point transform undone.
TEST(LjpegVectors, MatchDcmdjpegSampleForSample) {
    std::vector<LjVector> vectors = LjVectors();
    ASSERT_GE(vectors.size(), 30u) << "tests/data/ljpeg/vectors.txt missing";
    for (const LjVector &v : vectors) {
        SCOPED_TRACE(v.name);
        std::vector<uint8_t> stream = ReadFileBytes(LjDataDir() + v.name + ".ljp");
        LJPEGINFO probe, info;
        ASSERT_EQ(decompFrameInfo(stream.data(), stream.size(), &probe), LJPEG_OK);
        EXPECT_EQ(probe.width * 10000 + probe.height * 10 + probe.components,
                  v.width * 10000 + v.height * 10 + v.comps);
        EXPECT_TRUE(probe.precision == v.bitsStored || probe.precision == v.bitsAllocated);
        std::vector<uint16_t> expected = LjExpected(v, probe.precision);
        ASSERT_EQ(expected.size(), size_t(v.width) * v.height * v.comps);
        std::vector<uint16_t> out(expected.size() + 7, 0xBEEF);
        ASSERT_EQ(Decode(stream, out, &info), LJPEG_OK);
        EXPECT_EQ(info.width, v.width);
        size_t bad = 0;
        for (size_t i = 0; i < expected.size(); i++)
            bad += out[i] != expected[i];
        EXPECT_EQ(bad, 0u) << "first sample " << out[0] << " expected " << expected[0];
        EXPECT_EQ(out[expected.size()], 0xBEEF) << "wrote past the frame";
    }
}

TEST(LjpegInterface, FrameLargerThanStoreIsRefusedUntouched) {
    std::vector<uint8_t> s = ReadFileBytes(LjDataDir() + "e1-u8.ljp");
    std::vector<uint16_t> out(40 * 30 - 1, 7);
    LJPEGINFO info;
    testing::internal::CaptureStderr();
    EXPECT_EQ(Decode(s, out, &info), LJPEG_ERR_STORE);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("does not fit"), std::string::npos);
    EXPECT_EQ(out, std::vector<uint16_t>(out.size(), 7));
    EXPECT_EQ(info.width, 40); // enough to size a store from the refusal
    EXPECT_EQ(decompFrame(nullptr, 0, out.data(), out.size(), &info), LJPEG_ERR_ARG);
}

// All state is per call: frames decoded on several threads at once all come out exact.
TEST(LjpegInterface, FramesDecodeConcurrently) {
    std::vector<LjVector> all = LjVectors();
    std::vector<int> ok(4, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; t++)
        threads.emplace_back([&, t] {
            for (int round = 0; round < 5; round++)
                for (size_t i = t; i < all.size(); i += 4) {
                    auto s = ReadFileBytes(LjDataDir() + all[i].name + ".ljp");
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

// Three one-component scans (each with its own predictor) fill their places of the pixels.
TEST(LjpegInterface, ComponentsFromSeparateScansAreInterleaved) {
    const int w = 9, h = 6;
    std::vector<uint16_t> img = LjImage(w, h, 3, 8, 5);
    std::vector<uint8_t> frame;
    for (int c = 0; c < 3; c++) {
        LjEncodeParams p;
        p.width = w, p.height = h, p.psv = c + 2;
        std::vector<uint16_t> plane;
        for (size_t i = c; i < img.size(); i += 3)
            plane.push_back(img[i]);
        std::vector<uint8_t> s = LjEncode(plane, p);
        const size_t sof = 2 + 38, sos = sof + 13; // after SOI + DHT; after SOF3
        const uint8_t sof3[] = {0xFF, 0xC3, 0, 17, 8,    0, h, 0,    w, 3,
                                1,    0x11, 0, 2,  0x11, 0, 3, 0x11, 0};
        if (c == 0) frame.assign(s.begin(), s.begin() + sof);
        if (c == 0) frame.insert(frame.end(), std::begin(sof3), std::end(sof3));
        s[sos + 5] = uint8_t(c + 1); // the scan's component
        frame.insert(frame.end(), s.begin() + sos, s.end() - 2);
    }
    frame.insert(frame.end(), {0xFF, 0xD9});
    std::vector<uint16_t> out(img.size());
    LJPEGINFO info;
    ASSERT_EQ(Decode(frame, out, &info), LJPEG_OK);
    EXPECT_EQ(out, img);
}
