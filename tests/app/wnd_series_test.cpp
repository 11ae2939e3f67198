// n and p walk a DICOM series in Instance Number order, whatever the file names.
#include <gtest/gtest.h>

#include "app/paint_binary.h"

#include <algorithm>
#include <random>

namespace {

// A 16 x 16 axial CT slice of series `uid` with the given Instance Number.
void WriteSlice(const std::string &path, const std::string &uid, int number) {
    std::string b(128, '\0');
    b += "DICM";
    auto u16 = [&](unsigned v) {
        b += char(v & 0xFF);
        b += char((v >> 8) & 0xFF);
    };
    auto el = [&](unsigned g, unsigned e, std::string v) {
        if (v.size() % 2) v += ' ';
        u16(g), u16(e);
        u16(unsigned(v.size()) & 0xFFFF), u16(unsigned(v.size()) >> 16);
        b += v;
    };
    std::string ts("1.2.840.10008.1.2\0", 18);
    u16(0x0002), u16(0x0010);
    b += "UI";
    u16(unsigned(ts.size()));
    b += ts;
    auto us = [&](unsigned g, unsigned e, unsigned v) {
        el(g, e, std::string{char(v & 0xFF), char(v >> 8)});
    };
    el(0x0008, 0x0060, "CT");
    el(0x0020, 0x000E, uid);
    el(0x0020, 0x0013, std::to_string(number));
    el(0x0020, 0x0032, "0\\0\\" + std::to_string(-2.5 * number));
    el(0x0020, 0x0037, "1\\0\\0\\0\\1\\0");
    us(0x0028, 0x0002, 1);
    el(0x0028, 0x0004, "MONOCHROME2");
    us(0x0028, 0x0010, 16);
    us(0x0028, 0x0011, 16);
    us(0x0028, 0x0100, 16);
    us(0x0028, 0x0101, 16);
    us(0x0028, 0x0102, 15);
    us(0x0028, 0x0103, 0);
    el(0x7FE0, 0x0010, std::string(512, char(number)));
    std::ofstream(path, std::ios::binary) << b;
}

} // namespace

TEST_F(PaintBinary, NAndPWalkASeriesInInstanceNumberOrder) {
    // 40 slices under shuffled names, a JPEG and a slice of another series between them.
    std::vector<int> names(40);
    for (int i = 0; i < 40; i++)
        names[size_t(i)] = i;
    std::shuffle(names.begin(), names.end(), std::mt19937(29));
    for (int n = 1; n <= 40; n++) {
        char name[32];
        snprintf(name, sizeof name, "/im%02d.dcm", names[size_t(n - 1)]);
        WriteSlice(dir + name, "1.2.840.99.1", n);
    }
    WriteSlice(dir + "/im20b.dcm", "1.2.840.99.2", 5);
    Jpeg("im20c.jpg", 16, 16);
    char first[32];
    snprintf(first, sizeof first, "/im%02d.dcm", names[0]);
    Start({dir + first});
    OpenLine o = WaitOpen(1);
    for (int n = 2; n <= 40; n++) {
        KeyInView(o, 5, 5, "n");
        ASSERT_TRUE(WaitErr("trace: slice " + std::to_string(n) + "/40\n")) << run.Stderr();
        char name[32];
        snprintf(name, sizeof name, "/im%02d.dcm", names[size_t(n - 1)]);
        EXPECT_EQ(dir + name, WaitOpen(size_t(n)).path) << n;
    }
    // The last slice ends the walk; p goes back.
    KeyInView(o, 5, 5, "n");
    ASSERT_TRUE(WaitErr("trace: slice end 40/40\n")) << run.Stderr();
    KeyInView(o, 5, 5, "p");
    ASSERT_TRUE(WaitErr("trace: slice 39/40\n")) << run.Stderr();
}
