// Window and level of monochrome pictures: the file's windows and functions, presets, VOI LUT,
// padding and inversion, checked against the standard's formulas written out here; stored and
// modality values against pydicom.
#include <gtest/gtest.h>

#include "dicom/dicom_test_util.h"
#include "dicom/io_dcmvoi.h"

#include <cmath>
#include <cstdio>
#include <string>
#include <tuple>

using namespace dcmtest;

namespace {

// A signed 16-bit CT of one row, slope 1, intercept -1024, with extra header elements.
TempFile CtFile(const std::vector<int> &stored, const DataSet &extra,
                const char *pi = "MONOCHROME2", const char *modality = "CT", int frames = 0) {
    DataSet d;
    d.Implicit(0x0008, 0x0008, "ORIGINAL\\PRIMARY ");
    d.Implicit(0x0008, 0x0060, modality);
    d.ImplicitUS(0x0028, 0x0002, 1);
    d.Implicit(0x0028, 0x0004, pi);
    if (frames) d.Implicit(0x0028, 0x0008, std::to_string(frames));
    d.ImplicitUS(0x0028, 0x0010, 1);
    d.ImplicitUS(0x0028, 0x0011, uint16_t(stored.size() / (frames ? frames : 1)));
    d.ImplicitUS(0x0028, 0x0100, 16);
    d.ImplicitUS(0x0028, 0x0101, 16);
    d.ImplicitUS(0x0028, 0x0102, 15);
    d.ImplicitUS(0x0028, 0x0103, 1);
    d.b.insert(d.b.end(), extra.b.begin(), extra.b.end());
    d.Implicit(0x0028, 0x1052, "-1024").Implicit(0x0028, 0x1053, "1 ");
    d.PadTo(1100);
    std::string px;
    for (int v : stored)
        px += char(v & 0xFF), px += char((v >> 8) & 0xFF);
    d.Implicit(0x7FE0, 0x0010, px);
    return TempFile(d.b);
}

// The read with the given opening window; the shown bytes of all frames.
struct Opened {
    DicomRead r;
    Opened(const TempFile &f, int window) : r(Init(f.path, window)) {}
    static const std::string &Init(const std::string &p, int window) {
        DicomWindow = window;
        return p;
    }
    ~Opened() { DicomWindow = 0; }
    std::vector<int> Shown() const {
        if (!r.fi.fbuf) return {};
        return std::vector<int>(r.fi.fbuf, r.fi.fbuf + long(r.fi.w) * r.fi.h * r.fi.frames);
    }
};

// The standard's three functions, output 0..255, rounded to the nearest.
int Linear(double x, double c, double w) {
    double y = x <= c - 0.5 - (w - 1) / 2  ? 0
               : x > c - 0.5 + (w - 1) / 2 ? 255
                                           : ((x - (c - 0.5)) / (w - 1) + 0.5) * 255;
    return int(std::floor(y + 0.5));
}
int LinearExact(double x, double c, double w) {
    double y = x <= c - w / 2 ? 0 : x > c + w / 2 ? 255 : ((x - c) / w + 0.5) * 255;
    return int(std::floor(y + 0.5));
}
int Sigmoid(double x, double c, double w) {
    return int(std::floor(255 / (1 + std::exp(-4 * (x - c) / w)) + 0.5));
}

std::vector<int> Ramp() {
    std::vector<int> v;
    for (int s = 0; s <= 2400; s += 37)
        v.push_back(s);
    return v;
}

} // namespace

TEST(DicomVoi, FileWindowUnderEachFunction) {
    const std::vector<int> stored = Ramp();
    struct Case {
        const char *fn;
        int (*ref)(double, double, double);
    } cases[] = {{nullptr, Linear}, {"LINEAR_EXACT", LinearExact}, {"SIGMOID", Sigmoid}};
    for (const Case &k : cases) {
        DataSet e;
        e.Implicit(0x0028, 0x1050, "40\\-600 ").Implicit(0x0028, 0x1051, "400\\1500");
        e.Implicit(0x0028, 0x1055, "SOFT\\LUNG ");
        if (k.fn) e.Implicit(0x0028, 0x1056, k.fn);
        TempFile f = CtFile(stored, e);
        Opened o(f, DICOM_WINDOW_FILE);
        ASSERT_EQ(100, o.r.result);
        ASSERT_NE(nullptr, o.r.fi.voi);
        std::vector<int> shown = o.Shown();
        for (size_t i = 0; i < stored.size(); i++)
            ASSERT_EQ(k.ref(stored[i] - 1024, 40, 400), shown[i]) << k.fn << " " << stored[i];
        // The second window, with its explanation, then back to the first.
        ASSERT_EQ(100, DicomVoiCycle(o.r.fi.voi));
        EXPECT_EQ("LUNG", o.r.fi.voi->windows[size_t(o.r.fi.voi->which)].why);
        DicomVoiRenderAll(o.r.fi.voi, o.r.fi.fbuf, nullptr);
        shown = o.Shown();
        for (size_t i = 0; i < stored.size(); i++)
            ASSERT_EQ(k.ref(stored[i] - 1024, -600, 1500), shown[i]) << k.fn << " " << stored[i];
        ASSERT_EQ(100, DicomVoiCycle(o.r.fi.voi));
        EXPECT_EQ(0, o.r.fi.voi->which);
    }
}

TEST(DicomVoi, PresetsFollowTheLinearFormula) {
    const std::vector<int> stored = Ramp();
    TempFile f = CtFile(stored, DataSet{});
    Opened o(f, DICOM_WINDOW_FILE);
    ASSERT_NE(nullptr, o.r.fi.voi);
    // No window of its own: min-max, and preset 1 refuses.
    EXPECT_EQ(-15, DicomVoiPreset(o.r.fi.voi, 1));
    const double cw[][2] = {{40, 400}, {-600, 1500}, {300, 1500}, {40, 80}};
    for (int n = 3; n <= 6; n++) {
        ASSERT_EQ(100, DicomVoiPreset(o.r.fi.voi, n));
        DicomVoiRenderAll(o.r.fi.voi, o.r.fi.fbuf, nullptr);
        std::vector<int> shown = o.Shown();
        for (size_t i = 0; i < stored.size(); i++)
            ASSERT_EQ(Linear(stored[i] - 1024, cw[n - 3][0], cw[n - 3][1]), shown[i]) << n;
    }
    ASSERT_EQ(100, DicomVoiPreset(o.r.fi.voi, 2));
    DicomVoiRenderAll(o.r.fi.voi, o.r.fi.fbuf, nullptr);
    std::vector<int> shown = o.Shown();
    EXPECT_EQ(0, shown.front());
    EXPECT_EQ(255, shown.back());
    double c, w;
    DicomVoiCW(o.r.fi.voi, &c, &w);
    EXPECT_DOUBLE_EQ(stored.back() - 1024.0 - (stored.back() / 2.0), c);
    EXPECT_DOUBLE_EQ(stored.back(), w);
}

TEST(DicomVoi, PaddingIsBlackAndOutsideTheRange) {
    // -2000 is padding (up to -1500 with the range limit); min-max spans what is left, through
    // the integer mapping of the range scan, and padding stays black under MONOCHROME1 too.
    const std::vector<int> stored = {-2000, 0, 500, 1000, -1500};
    for (bool limit : {false, true}) {
        DataSet e;
        e.ImplicitUS(0x0028, 0x0120, uint16_t(-2000));
        if (limit) e.ImplicitUS(0x0028, 0x0121, uint16_t(-1500));
        const int lo = limit ? 0 : -1500, range = 1000 - lo;
        for (bool mono1 : {false, true}) {
            TempFile f = CtFile(stored, e, mono1 ? "MONOCHROME1" : "MONOCHROME2");
            Opened o(f, DICOM_WINDOW_MINMAX);
            std::vector<int> want;
            for (int v : stored) {
                bool pad = v == -2000 || (limit && v == -1500);
                int b = (v - lo) * 255 / range;
                want.push_back(pad ? 0 : mono1 ? 255 - b : b);
            }
            EXPECT_EQ(want, o.Shown()) << "MONOCHROME1 " << mono1 << " limit " << limit;
        }
    }
}

TEST(DicomVoi, TableWithoutWindowAndInversions) {
    // A VOI LUT of 4 entries from -1024 (8 bits): 0, 85, 170, 255.
    DataSet item;
    item.Implicit(0x0028, 0x3002, std::string("\x04\x00\x00\xFC\x08\x00", 6));
    item.Implicit(0x0028, 0x3006, std::string("\x00\x00\x55\x00\xAA\x00\xFF\x00", 8));
    DataSet e;
    e.Tag(0x0028, 0x3010);
    e.U32(uint32_t(item.b.size() + 8));
    e.Tag(0xFFFE, 0xE000);
    e.U32(uint32_t(item.b.size()));
    e.b.insert(e.b.end(), item.b.begin(), item.b.end());
    {
        TempFile f = CtFile({0, 1, 2, 3, 9}, e);
        Opened o(f, DICOM_WINDOW_FILE);
        ASSERT_NE(nullptr, o.r.fi.voi);
        EXPECT_EQ(DICOM_VOI_TABLE, o.r.fi.voi->kind);
        EXPECT_EQ((std::vector<int>{0, 85, 170, 255, 255}), o.Shown());
    }
    {
        // MONOCHROME1 and an INVERSE presentation cancel; each alone inverts after the window.
        DataSet inv;
        inv.Implicit(0x0028, 0x1050, "1000").Implicit(0x0028, 0x1051, "2001");
        DataSet both = inv;
        both.Implicit(0x2050, 0x0020, "INVERSE ");
        const std::vector<int> stored = {24, 1024, 2024};
        for (auto [pi, ex, inverted] :
             {std::tuple{"MONOCHROME1", &inv, true}, std::tuple{"MONOCHROME2", &both, true},
              std::tuple{"MONOCHROME1", &both, false}}) {
            TempFile f = CtFile(stored, *ex, pi);
            Opened o(f, DICOM_WINDOW_FILE);
            std::vector<int> shown = o.Shown();
            ASSERT_EQ(3u, shown.size());
            for (size_t i = 0; i < 3; i++) {
                int b = Linear(stored[i] - 1024, 1000, 2001);
                EXPECT_EQ(inverted ? 255 - b : b, shown[i]) << pi << " " << i;
            }
        }
    }
}

TEST(DicomVoi, HounsfieldSettingAndMultiFrame) {
    HounsfieldScope hs(0, -1000, 1000);
    TempFile f = CtFile({24, 1024, 2024, 3024, 0, 1524}, DataSet{}, "MONOCHROME2", "CT", 2);
    Opened o(f, DICOM_WINDOW_HOUNSFIELD);
    ASSERT_EQ(2, o.r.fi.frames);
    std::vector<int> shown = o.Shown();
    const int hu[] = {-1000, 0, 1000, 2000, -1024, 500};
    for (int i = 0; i < 6; i++)
        EXPECT_EQ(LinearExact(hu[i], 0, 2000), shown[size_t(i)]) << i;
    // A new window reaches every frame.
    DicomVoiSetWindow(o.r.fi.voi, 500, 1);
    DicomVoiRenderAll(o.r.fi.voi, o.r.fi.fbuf, nullptr);
    EXPECT_EQ((std::vector<int>{0, 0, 255, 255, 0, 255}), o.Shown());
}

TEST(DicomVoi, StoredAndModalityValuesAgreeWithPydicom) {
    // Debian's python3-pydicom lives beside /usr/bin/python3, which another python3 on the
    // PATH may hide.
    std::string py;
    for (const char *p : {"python3", "/usr/bin/python3"})
        if (py.empty() &&
            system((std::string(p) + " -c 'import pydicom' 2>/dev/null").c_str()) == 0)
            py = p;
    if (py.empty()) GTEST_SKIP() << "pydicom is not installed (python3-pydicom)";
    std::vector<int> stored;
    for (int i = 0; i < 64; i++)
        stored.push_back((i * 7919) % 4096 - 2048);
    DataSet e;
    e.Implicit(0x0028, 0x1054, "US ");
    TempFile ct = CtFile(stored, DataSet{});
    TempFile mr = CtFile(stored, e, "MONOCHROME2", "MR");
    for (const TempFile *f : {&ct, &mr}) {
        std::string cmd = py +
                          " -c \"import pydicom,sys\n"
                          "d=pydicom.dcmread(sys.argv[1],force=True)\n"
                          "d.file_meta=pydicom.dataset.FileMetaDataset()\n"
                          "d.file_meta.TransferSyntaxUID=pydicom.uid.ImplicitVRLittleEndian\n"
                          "a=d.pixel_array.ravel()\n"
                          "print(' '.join('%d %g'%(v,v*float(d.RescaleSlope)+"
                          "float(d.RescaleIntercept)) for v in a))\" " +
                          f->path;
        FILE *p = popen(cmd.c_str(), "r");
        ASSERT_NE(nullptr, p);
        Opened o(*f, DICOM_WINDOW_MINMAX);
        ASSERT_NE(nullptr, o.r.fi.voi);
        int n = 0, s;
        double v;
        while (fscanf(p, "%d %lf", &s, &v) == 2) {
            int32_t ours;
            double value;
            ASSERT_EQ(100, DicomVoiStored(o.r.fi.voi, 0, n, 0, &ours, &value));
            EXPECT_EQ(s, ours) << n;
            EXPECT_DOUBLE_EQ(v, value) << n;
            n++;
        }
        EXPECT_EQ(0, pclose(p));
        EXPECT_EQ(int(stored.size()), n);
        EXPECT_EQ(f == &ct ? "HU" : "US", DicomVoiUnit(o.r.fi.voi));
        EXPECT_EQ(-15, DicomVoiStored(o.r.fi.voi, 0, n, 0, nullptr, nullptr));
    }
}

TEST(DicomVoi, EnhancedMultiFrameRescalesEachFrameByItsOwnGroups) {
    // Items of a defined-length sequence.
    auto seq = [](const std::vector<DataSet> &items) {
        DataSet s;
        for (const DataSet &i : items) {
            s.Tag(0xFFFE, 0xE000);
            s.U32(uint32_t(i.b.size()));
            s.b.insert(s.b.end(), i.b.begin(), i.b.end());
        }
        return std::string(s.b.begin(), s.b.end());
    };
    auto rescale = [&](const char *intercept, const char *slope) {
        DataSet pvt;
        pvt.Implicit(0x0028, 0x1052, intercept).Implicit(0x0028, 0x1053, slope);
        DataSet group;
        group.Implicit(0x0028, 0x9145, seq({pvt}));
        return group;
    };
    DataSet d;
    d.Implicit(0x0008, 0x0008, "ORIGINAL\\PRIMARY ");
    d.Implicit(0x0008, 0x0060, "CT");
    d.ImplicitUS(0x0028, 0x0002, 1);
    d.Implicit(0x0028, 0x0004, "MONOCHROME2 ");
    d.Implicit(0x0028, 0x0008, "3 ");
    d.ImplicitUS(0x0028, 0x0010, 1);
    d.ImplicitUS(0x0028, 0x0011, 2);
    d.ImplicitUS(0x0028, 0x0100, 16);
    d.ImplicitUS(0x0028, 0x0101, 16);
    d.ImplicitUS(0x0028, 0x0102, 15);
    d.ImplicitUS(0x0028, 0x0103, 1);
    d.PadTo(1100);
    // Shared: -1024 / 1; frame 1 has no rescale of its own, frames 2 and 3 do.
    d.Implicit(0x5200, 0x9229, seq({rescale("-1024", "1 ")}));
    DataSet other;
    other.Implicit(0x0020, 0x9157, "1 ");
    d.Implicit(0x5200, 0x9230, seq({other, rescale("-10", "2 "), rescale("5 ", "0.5 ")}));
    std::string px;
    for (int v : {100, 200, 100, 200, 100, 200})
        px += char(v & 0xFF), px += char((v >> 8) & 0xFF);
    d.Implicit(0x7FE0, 0x0010, px);
    TempFile f(d.b);
    Opened o(f, DICOM_WINDOW_MINMAX);
    ASSERT_EQ(3, o.r.fi.frames);
    ASSERT_NE(nullptr, o.r.fi.voi);
    const double slope[] = {1, 2, 0.5}, intercept[] = {-1024, -10, 5};
    for (int frame = 0; frame < 3; frame++)
        for (int x = 0; x < 2; x++) {
            int32_t stored;
            double value;
            ASSERT_EQ(100, DicomVoiStored(o.r.fi.voi, frame, x, 0, &stored, &value));
            EXPECT_EQ(100 * (x + 1), stored);
            EXPECT_DOUBLE_EQ(stored * slope[frame] + intercept[frame], value) << frame;
        }
    // The min-max range spans every frame through its own rescale: 100 * 0.5 + 5 to
    // 200 * 1 - 1024 is not it, -924 (frame 1) to 390 (frame 2) is.
    EXPECT_DOUBLE_EQ(-924, o.r.fi.voi->lo);
    EXPECT_DOUBLE_EQ(390, o.r.fi.voi->hi);
    // A window over modality values shows each frame through its own rescale.
    DicomVoiSetWindow(o.r.fi.voi, 0, 400);
    DicomVoiRenderAll(o.r.fi.voi, o.r.fi.fbuf, nullptr);
    std::vector<int> shown = o.Shown();
    for (int i = 0; i < 6; i++) {
        double x = 100 * (i % 2 + 1) * slope[i / 2] + intercept[i / 2];
        EXPECT_EQ(Linear(x, 0, 400), shown[size_t(i)]) << i;
    }
}
