#include "dicom/io_dcmvoi.h"

#include "dicom/io_dcmdump.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>

/* ---- the window functions ---- */

double DicomVoiLevel(int fn, double x, double c, double w) {
    const double top = 255.0;
    if (fn == DICOM_VOI_SIGMOID) {
        if (w <= 0) w = 1e-6;
        return top / (1.0 + std::exp(-4.0 * (x - c) / w));
    }
    if (fn == DICOM_VOI_LINEAR_EXACT) {
        if (w <= 0) w = 1e-6;
        if (x <= c - w / 2) return 0;
        if (x > c + w / 2) return top;
        return ((x - c) / w + 0.5) * top;
    }
    if (w < 1) w = 1;
    if (x <= c - 0.5 - (w - 1) / 2) return 0;
    if (x > c - 0.5 + (w - 1) / 2) return top;
    return ((x - (c - 0.5)) / (w - 1) + 0.5) * top;
}

uint8_t DicomVoiByte(int fn, double x, double c, double w) {
    double y = std::floor(DicomVoiLevel(fn, x, c, w) + 0.5);
    return uint8_t(y <= 0 ? 0 : y >= 255 ? 255 : y);
}

/* ---- the header ---- */

// The value of the first (g,e) at or after `from` (0: the data set, outside sequences; inside
// one when `nested` and there is none outside), at most 4096 bytes; empty when absent.
static std::string VoiValue(const FILEINFO *fi, int bound, unsigned g, unsigned e, int nested,
                            int from = -1) {
    int len;
    const uint8_t *buf = DicomFileBytes(fi, &len);
    if (!buf) return "";
    uint8_t header[8];
    int tag = from >= 0 ? ReadByteGroup(buf, std::min(bound, len), int(g >> 8), int(g & 0xFF),
                                        int(e >> 8), int(e & 0xFF), nullptr, 0, header, from)
                        : DicomTagFind(fi, bound, int(g >> 8), int(g & 0xFF), int(e >> 8),
                                       int(e & 0xFF), nested, nullptr, 0, header);
    if (!tag) return "";
    int vlen;
    int at = DicomValueSpan(buf, len, tag, &vlen);
    if (at < 0 || vlen <= 0) return "";
    return std::string(reinterpret_cast<const char *>(buf + at), size_t(std::min(vlen, 4096)));
}

static std::string VoiTrim(std::string s) {
    while (!s.empty() && (s.back() == ' ' || s.back() == '\0'))
        s.pop_back();
    size_t i = s.find_first_not_of(' ');
    return i == std::string::npos ? "" : s.substr(i);
}

// The values of a multi-valued text element.
static std::vector<std::string> VoiSplit(const std::string &v) {
    std::vector<std::string> out;
    size_t at = 0;
    for (;;) {
        size_t k = v.find('\\', at);
        out.push_back(VoiTrim(v.substr(at, k == std::string::npos ? k : k - at)));
        if (k == std::string::npos) break;
        at = k + 1;
    }
    return out;
}

static bool VoiNumber(const std::string &t, double *out) {
    if (t.empty()) return false;
    char *end = nullptr;
    double v = strtod(t.c_str(), &end);
    if (end == t.c_str() || !std::isfinite(v)) return false;
    *out = v;
    return true;
}

static int32_t VoiWord(const std::string &v, size_t i, int sign) {
    if (v.size() < 2 * i + 2) return 0;
    uint16_t w = uint16_t(uint8_t(v[2 * i]) | uint8_t(v[2 * i + 1]) << 8);
    return sign ? int32_t(int16_t(w)) : int32_t(w);
}

static void VoiReadWindows(const FILEINFO *fi, int bound, DICOMVOI *voi) {
    // Enhanced multi-frame files keep their window in the functional groups.
    std::string cs = VoiValue(fi, bound, 0x0028, 0x1050, 1);
    std::string ws = VoiValue(fi, bound, 0x0028, 0x1051, 1);
    std::vector<std::string> c = VoiSplit(cs), w = VoiSplit(ws);
    std::vector<std::string> why = VoiSplit(VoiValue(fi, bound, 0x0028, 0x1055, 1));
    for (size_t i = 0; i < std::min(c.size(), w.size()); i++) {
        DICOMVOIWIN win;
        if (!VoiNumber(c[i], &win.c) || !VoiNumber(w[i], &win.w) || win.w <= 0) continue;
        win.why = i < why.size() ? why[i] : "";
        voi->windows.push_back(win);
    }
    std::string fn = VoiTrim(VoiValue(fi, bound, 0x0028, 0x1056, 1));
    voi->function = fn == "LINEAR_EXACT" ? DICOM_VOI_LINEAR_EXACT
                    : fn == "SIGMOID"    ? DICOM_VOI_SIGMOID
                                         : DICOM_VOI_LINEAR;
}

// The first item of a VOI LUT Sequence: descriptor and data.
static void VoiReadTable(const FILEINFO *fi, int bound, DICOMVOI *voi) {
    int len;
    const uint8_t *buf = DicomFileBytes(fi, &len);
    uint8_t header[8];
    int seq = DicomTagFind(fi, bound, 0x00, 0x28, 0x30, 0x10, 0, nullptr, 0, header);
    if (!buf || !seq) return;
    std::string desc = VoiValue(fi, bound, 0x0028, 0x3002, 0, seq);
    std::string data = VoiValue(fi, len, 0x0028, 0x3006, 0, seq);
    if (desc.size() < 6 || data.size() < 2) return;
    long n = VoiWord(desc, 0, 0);
    if (n == 0) n = 65536;
    voi->tablefirst = VoiWord(desc, 1, voi->s.sign);
    voi->tablebits = std::clamp(int(VoiWord(desc, 2, 0)), 1, 16);
    n = std::min<long>(n, long(data.size() / 2));
    voi->table.resize(size_t(n));
    for (long i = 0; i < n; i++)
        voi->table[size_t(i)] = uint16_t(VoiWord(data, size_t(i), 0));
}

static void VoiReadPadding(const FILEINFO *fi, int bound, DICOMVOI *voi) {
    std::string v = VoiValue(fi, bound, 0x0028, 0x0120, 0);
    if (v.size() < 2) return;
    int32_t a = VoiWord(v, 0, voi->s.sign), b = a;
    std::string lim = VoiValue(fi, bound, 0x0028, 0x0121, 0);
    if (lim.size() >= 2) b = VoiWord(lim, 0, voi->s.sign);
    voi->pad = 1;
    voi->padlo = std::min(a, b);
    voi->padhi = std::max(a, b);
}

// The rescale of each frame of an enhanced multi-frame file: an item of the Per-frame Functional
// Groups Sequence (5200,9230) may hold a Pixel Value Transformation Sequence (0028,9145) of its
// own; frames without one keep the shared groups' rescale, which the search found first. Frames
// past the listing's row cap keep it too.
static void VoiReadFrameRescale(const FILEINFO *fi, int bound, DICOMVOI *voi) {
    int len;
    const uint8_t *buf = DicomFileBytes(fi, &len);
    uint8_t header[8];
    const int frames = voi->s.frames;
    if (!buf || frames < 2 || !VoiValue(fi, bound, 0x0028, 0x1053, 0).empty() ||
        !DicomTagFind(fi, bound, 0x52, 0x00, 0x92, 0x30, 0, nullptr, 0, header))
        return;
    DCMDUMP d = {};
    DcmDumpBuffer(buf, std::min(len, bound), &d);
    std::vector<double> slope(size_t(frames), voi->slope), icpt(size_t(frames), voi->intercept);
    bool in = false, pvt = false, any = false;
    int frame = -1, pvtdepth = 0;
    for (int i = 0; i < d.count; i++) {
        const DCMDUMPROW &r = d.row[i];
        if (r.depth == 0) {
            in = r.kind == DCMDUMP_ELEMENT && r.group == 0x5200 && r.elem == 0x9230;
            continue;
        }
        if (!in) continue;
        if (r.depth == 1) {
            frame += r.kind == DCMDUMP_ITEM;
            pvt = false;
            continue;
        }
        if (pvt && r.depth <= pvtdepth) pvt = false;
        if (r.kind != DCMDUMP_ELEMENT || r.group != 0x0028) continue;
        if (r.elem == 0x9145) {
            pvt = true;
            pvtdepth = r.depth;
            continue;
        }
        if (!pvt || frame < 0 || frame >= frames || (r.elem != 0x1052 && r.elem != 0x1053))
            continue;
        // The value text is the value in brackets.
        std::string t = r.value[0] == '[' ? r.value + 1 : r.value;
        if (!t.empty() && t.back() == ']') t.pop_back();
        double v;
        if (!VoiNumber(VoiTrim(t), &v) || (r.elem == 0x1053 && v == 0)) continue;
        (r.elem == 0x1053 ? slope : icpt)[size_t(frame)] = v;
        any = true;
    }
    DcmDumpRelease(&d);
    if (!any) return;
    voi->fslope = std::move(slope);
    voi->fintercept = std::move(icpt);
}

void DicomVoiRescale(const DICOMVOI *voi, int f, double *slope, double *intercept) {
    double s = voi ? voi->slope : 1, i = voi ? voi->intercept : 0;
    if (voi && f >= 0 && size_t(f) < voi->fslope.size()) {
        s = voi->fslope[size_t(f)];
        i = voi->fintercept[size_t(f)];
    }
    if (slope) *slope = s;
    if (intercept) *intercept = i;
}

// The modality value range without the padding; frames with rescales of their own each count
// through theirs.
static void VoiRange(DICOMVOI *voi, const DICOMPAD &pad) {
    const DICOMSAMPLES &s = voi->s;
    int lo, hi;
    if (voi->fslope.empty()) {
        GetMonochromeMinMax(&s, &lo, &hi, &pad);
        const double a = lo * voi->slope + voi->intercept, b = hi * voi->slope + voi->intercept;
        voi->lo = std::min(a, b);
        voi->hi = std::max(a, b);
        return;
    }
    bool any = false;
    for (int f = 0; f < s.frames; f++) {
        int32_t flo, fhi;
        if (!DicomFramesMinMax(&s, f, f + 1, &pad, &flo, &fhi)) continue;
        double slope, intercept;
        DicomVoiRescale(voi, s.first + f, &slope, &intercept);
        const double a = double(flo) * slope + intercept, b = double(fhi) * slope + intercept;
        voi->lo = any ? std::min({voi->lo, a, b}) : std::min(a, b);
        voi->hi = any ? std::max({voi->hi, a, b}) : std::max(a, b);
        any = true;
    }
    if (!any) voi->lo = voi->hi = voi->intercept;
}

int DicomVoiCreate(const FILEREQ *req, const FILEINFO *fi, const DICOMDESC *d, int pi,
                   DICOMSAMPLES *s, DICOMVOI **out) {
    if (!fi || !d || !s || !out) return WIN_ERROR_ARG;
    *out = nullptr;
    auto *voi = new (std::nothrow) DICOMVOI;
    if (!voi) return WIN_ERROR_MEMORY;
    voi->s = std::move(*s);
    const int bound = d->dataoffset > 0 ? d->dataoffset : 0x7FFFFFFF;
    try {
        voi->slope = d->slope;
        voi->intercept = d->intercept;
        double v;
        // Without a top-level rescale, that of the functional groups (the first frame's).
        if (VoiNumber(VoiTrim(VoiValue(fi, bound, 0x0028, 0x1053, 1)), &v) && v != 0)
            voi->slope = v;
        if (VoiNumber(VoiTrim(VoiValue(fi, bound, 0x0028, 0x1052, 1)), &v)) voi->intercept = v;
        VoiReadFrameRescale(fi, bound, voi);
        VoiReadWindows(fi, bound, voi);
        VoiReadTable(fi, bound, voi);
        VoiReadPadding(fi, bound, voi);
        voi->modality = VoiTrim(VoiValue(fi, bound, 0x0008, 0x0060, 0));
        voi->rescaletype = VoiTrim(VoiValue(fi, bound, 0x0028, 0x1054, 1));
        voi->invert = pi == DICOM_PI_MONO1;
        if (VoiTrim(VoiValue(fi, bound, 0x2050, 0x0020, 1)) == "INVERSE")
            voi->invert = !voi->invert;
    } catch (const std::bad_alloc &) {
        delete voi;
        return WIN_ERROR_MEMORY;
    }
    DICOMPAD pad{voi->pad, voi->padlo, voi->padhi};
    DicomWindowSetup(d, &voi->s, pi, req, &voi->range, &pad);
    voi->range.invert = voi->invert;
    VoiRange(voi, pad);
    *out = voi;
    return FILE_SUCCES;
}

void DicomVoiRelease(DICOMVOI *voi) {
    delete voi;
}

/* ---- choosing the window ---- */

void DicomVoiOpenWindow(DICOMVOI *voi, int setting, const FILEREQ *req) {
    if (!voi) return;
    voi->kind = DICOM_VOI_RANGE;
    voi->which = -1;
    if (setting == DICOM_WINDOW_FILE) {
        if (!voi->windows.empty()) {
            voi->which = 0;
            voi->kind = DICOM_VOI_CW;
            voi->c = voi->windows[0].c;
            voi->w = voi->windows[0].w;
            voi->fn = voi->function;
        } else if (!voi->table.empty()) {
            voi->kind = DICOM_VOI_TABLE;
        }
    } else if (setting == DICOM_WINDOW_HOUNSFIELD && req &&
               req->hounsfield_min < req->hounsfield_max) {
        voi->kind = DICOM_VOI_CW;
        voi->fn = DICOM_VOI_LINEAR_EXACT;
        voi->c = (double(req->hounsfield_min) + req->hounsfield_max) / 2;
        voi->w = double(req->hounsfield_max) - req->hounsfield_min;
    }
}

void DicomVoiSetWindow(DICOMVOI *voi, double c, double w) {
    if (!voi) return;
    voi->kind = DICOM_VOI_CW;
    voi->which = -1;
    voi->c = c;
    voi->w = std::max(w, 1.0);
    voi->fn = voi->function;
}

int DicomVoiPreset(DICOMVOI *voi, int n) {
    static const double preset[][2] = {{40, 400}, {-600, 1500}, {300, 1500}, {40, 80}};
    if (!voi || n < 1 || n > DICOM_VOI_PRESETS) return WIN_ERROR_ARG;
    if (n == 1) {
        if (voi->windows.empty() && voi->table.empty()) return WIN_ERROR_ARG;
        DicomVoiOpenWindow(voi, DICOM_WINDOW_FILE, nullptr);
    } else if (n == 2) {
        // Linear from the lowest to the highest value the image holds.
        DicomVoiSetWindow(voi, (voi->lo + voi->hi) / 2, voi->hi - voi->lo);
        voi->fn = DICOM_VOI_LINEAR_EXACT;
    } else {
        DicomVoiSetWindow(voi, preset[n - 3][0], preset[n - 3][1]);
        voi->fn = DICOM_VOI_LINEAR;
    }
    return FILE_SUCCES;
}

int DicomVoiCycle(DICOMVOI *voi) {
    if (!voi || voi->windows.size() < 2) return WIN_ERROR_ARG;
    int next = voi->which < 0 ? 0 : (voi->which + 1) % int(voi->windows.size());
    voi->kind = DICOM_VOI_CW;
    voi->which = next;
    voi->c = voi->windows[size_t(next)].c;
    voi->w = voi->windows[size_t(next)].w;
    voi->fn = voi->function;
    return FILE_SUCCES;
}

void DicomVoiCW(const DICOMVOI *voi, double *c, double *w) {
    double cc = 0, ww = 1;
    if (voi && voi->kind == DICOM_VOI_CW) {
        cc = voi->c, ww = voi->w;
    } else if (voi && voi->kind == DICOM_VOI_TABLE) {
        cc = voi->tablefirst + voi->table.size() / 2.0, ww = double(voi->table.size());
    } else if (voi && voi->range.rescale) {
        cc = (double(voi->range.hmin) + voi->range.hmax) / 2;
        ww = double(voi->range.hmax) - voi->range.hmin;
    } else if (voi) {
        cc = (double(voi->range.min) + voi->range.max) / 2 * voi->slope + voi->intercept;
        ww = (double(voi->range.max) - voi->range.min) * std::fabs(voi->slope);
    }
    if (c) *c = cc;
    if (w) *w = ww;
}

/* ---- display frames ---- */

static uint8_t VoiMap(const DICOMVOI *voi, uint32_t p, double slope, double intercept) {
    const DICOMSAMPLES &s = voi->s;
    int32_t v = s.sign ? DicomSampleValue(p, s.bits, 1) : int32_t(std::min<uint32_t>(p, INT32_MAX));
    if (voi->pad && v >= voi->padlo && v <= voi->padhi) return 0;
    if (voi->kind == DICOM_VOI_RANGE) return DicomWindowValue(&voi->range, v);
    double x = v * slope + intercept;
    uint8_t out;
    if (voi->kind == DICOM_VOI_TABLE && !voi->table.empty()) {
        double i = std::clamp(std::floor(x) - voi->tablefirst, 0.0, double(voi->table.size() - 1));
        double top = double((1u << voi->tablebits) - 1);
        double y = std::min(double(voi->table[size_t(i)]), top) * 255.0 / top;
        out = uint8_t(std::floor(y + 0.5));
    } else {
        out = DicomVoiByte(voi->fn, x, voi->c, voi->w);
    }
    return uint8_t(voi->invert ? 255 - out : out);
}

void DicomVoiRender(const DICOMVOI *voi, int f, uint8_t *out) {
    if (!voi || !out || f < 0 || f >= voi->s.frames) return;
    const DICOMSAMPLES &s = voi->s;
    const size_t pixels = size_t(s.w) * size_t(s.h);
    const long n = std::min<long>(s.valid[size_t(f)], long(pixels));
    double slope, intercept;
    DicomVoiRescale(voi, f, &slope, &intercept);
    if (!s.s16.empty()) {
        uint8_t lut[65536];
        const uint32_t size = 1u << std::min(s.bits, 16);
        for (uint32_t p = 0; p < size; p++)
            lut[p] = VoiMap(voi, p, slope, intercept);
        const uint16_t *p = s.s16.data() + size_t(f) * pixels;
        const uint16_t top = uint16_t(size - 1);
        for (long i = 0; i < n; i++)
            out[i] = lut[p[i] & top];
    } else if (!s.s32.empty()) {
        const uint32_t *p = s.s32.data() + size_t(f) * pixels;
        for (long i = 0; i < n; i++)
            out[i] = VoiMap(voi, p[i], slope, intercept);
    }
    memset(out + n, 0, pixels - size_t(n));
}

int DicomVoiRenderAll(const DICOMVOI *voi, uint8_t *fbuf, FILEREQ *req) {
    if (!voi || !fbuf) return WIN_ERROR_ARG;
    const size_t pixels = size_t(voi->s.w) * size_t(voi->s.h);
    int last = DICOM_PROGRESS_DECODED;
    const int rest = 100 - DICOM_PROGRESS_DECODED;
    for (int f = 0; f < voi->s.frames; f++) {
        DicomVoiRender(voi, f, fbuf + size_t(f) * pixels);
        if (req)
            DicomProgress(req, DICOM_PROGRESS_DECODED + int((f + 1L) * rest / voi->s.frames),
                          &last);
    }
    return FILE_SUCCES;
}

/* ---- values under the pointer ---- */

int DicomVoiStored(const DICOMVOI *voi, int f, int x, int y, int32_t *stored, double *value) {
    if (!voi) return WIN_ERROR_ARG;
    const DICOMSAMPLES &s = voi->s;
    if (f < 0 || f >= s.frames || x < 0 || y < 0 || x >= s.w || y >= s.h) return WIN_ERROR_ARG;
    const size_t k = (size_t(f) * size_t(s.h) + size_t(y)) * size_t(s.w) + size_t(x);
    uint32_t p =
        s.s16.empty() ? (k < s.s32.size() ? s.s32[k] : 0) : (k < s.s16.size() ? s.s16[k] : 0);
    int32_t v = s.sign ? DicomSampleValue(p, s.bits, 1) : int32_t(std::min<uint32_t>(p, INT32_MAX));
    if (stored) *stored = v;
    double slope, intercept;
    DicomVoiRescale(voi, f, &slope, &intercept);
    if (value) *value = v * slope + intercept;
    return FILE_SUCCES;
}

std::string DicomVoiUnit(const DICOMVOI *voi) {
    if (!voi) return "";
    if (voi->modality == "CT" && (voi->rescaletype.empty() || voi->rescaletype == "HU"))
        return "HU";
    return voi->rescaletype;
}
