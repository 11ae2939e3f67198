#include "dicom/io_dcmseries.h"

#include "dicom/io_dcm2.h"
#include "dicom/io_dicom.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <tuple>
#include <unistd.h>

// The text of a top-level element, blanks and NULs trimmed, at most 256 bytes.
static std::string SeriesText(const FILEINFO *fi, int ghi, int glo, int ehi, int elo) {
    int len;
    const uint8_t *buf = DicomFileBytes(fi, &len);
    uint8_t header[8];
    int tag = buf ? DicomTagFind(fi, len, ghi, glo, ehi, elo, 0, nullptr, 0, header) : 0;
    int vlen;
    int at = tag ? DicomValueSpan(buf, len, tag, &vlen) : -1;
    if (at < 0 || vlen <= 0) return "";
    std::string s(reinterpret_cast<const char *>(buf + at), size_t(std::min(vlen, 256)));
    while (!s.empty() && (s.back() == ' ' || s.back() == '\0'))
        s.pop_back();
    size_t i = s.find_first_not_of(' ');
    return i == std::string::npos ? "" : s.substr(i);
}

// Up to n backslash-separated numbers; how many were read.
static int SeriesNumbers(const std::string &t, double *out, int n) {
    const char *p = t.c_str();
    int k = 0;
    while (k < n && *p) {
        char *end = nullptr;
        double v = strtod(p, &end);
        if (end == p || !std::isfinite(v)) break;
        out[k++] = v;
        p = end;
        while (*p == ' ')
            p++;
        if (*p != '\\') break;
        p++;
    }
    return k;
}

static bool SeriesMarked(const std::string &path) {
    int fd = FileOpenInput(path.c_str());
    if (fd < 0) return false;
    char m[4];
    bool ok = pread(fd, m, 4, 128) == 4 && !memcmp(m, "DICM", 4);
    close(fd);
    return ok;
}

int DicomSeriesKeyRead(const std::string &path, DICOMSERIESKEY *key) {
    if (!key || !SeriesMarked(path)) return FILE_ERROR_NOTFOUND;
    FILEREQ req;
    IoRequestInit(&req, path.c_str());
    FILEINFO fi{};
    DICOMCTX *ctx = DicomCtxCreate();
    if (!ctx) return WIN_ERROR_MEMORY;
    int rc = IsFileDicom(&req, &fi, IO_READ_PROBE, ctx);
    if (rc == FILE_SUCCES && DicomFileBytes(&fi, nullptr)) {
        key->path = path;
        key->uid = SeriesText(&fi, 0x00, 0x20, 0x00, 0x0E);
        std::string n = SeriesText(&fi, 0x00, 0x20, 0x00, 0x13);
        char *end = nullptr;
        long v = n.empty() ? 0 : strtol(n.c_str(), &end, 10);
        key->hasnumber = !n.empty() && end && *end == '\0';
        key->number = key->hasnumber ? v : 0;
        key->haspos = SeriesNumbers(SeriesText(&fi, 0x00, 0x20, 0x00, 0x32), key->pos, 3) == 3;
        key->hasorient =
            SeriesNumbers(SeriesText(&fi, 0x00, 0x20, 0x00, 0x37), key->orient, 6) == 6;
    } else {
        rc = FILE_ERROR_NOTFOUND;
    }
    DicomDataRelease(&fi);
    IoFreeRecord(&fi, path.c_str());
    DicomCtxRelease(ctx);
    return rc == FILE_SUCCES ? FILE_SUCCES : FILE_ERROR_NOTFOUND;
}

static bool SeriesSameOrient(const DICOMSERIESKEY &a, const DICOMSERIESKEY &b) {
    if (!a.hasorient || !b.hasorient) return a.hasorient == b.hasorient;
    for (int i = 0; i < 6; i++)
        if (std::fabs(a.orient[i] - b.orient[i]) > 1e-3) return false;
    return true;
}

std::vector<std::string> DicomSeriesOrder(const DICOMSERIESKEY &shown,
                                          const std::vector<DICOMSERIESKEY> &keys) {
    const double *o = shown.orient;
    const double normal[3] = {o[1] * o[5] - o[2] * o[4], o[2] * o[3] - o[0] * o[5],
                              o[0] * o[4] - o[1] * o[3]};
    using Rank = std::tuple<int, int, long, int, double, std::string>;
    std::vector<Rank> ranks;
    for (const DICOMSERIESKEY &k : keys) {
        if (k.uid.empty() || k.uid != shown.uid) continue;
        double along = k.pos[0] * normal[0] + k.pos[1] * normal[1] + k.pos[2] * normal[2];
        ranks.emplace_back(SeriesSameOrient(k, shown) ? 0 : 1, k.hasnumber ? 0 : 1, k.number,
                           k.haspos ? 0 : 1, k.haspos ? along : 0.0, k.path);
    }
    std::sort(ranks.begin(), ranks.end());
    std::vector<std::string> out;
    for (const Rank &r : ranks)
        out.push_back(std::get<5>(r));
    return out;
}

std::vector<std::string> DicomSeriesList(const std::string &path) {
    DICOMSERIESKEY shown;
    if (DicomSeriesKeyRead(path, &shown) != FILE_SUCCES || shown.uid.empty()) return {};
    size_t slash = path.rfind('/');
    std::string dir = slash == std::string::npos ? "." : path.substr(0, slash);
    std::string prefix = slash == std::string::npos ? "" : dir + "/";
    std::vector<DICOMSERIESKEY> keys;
    DIR *d = opendir(dir.c_str());
    if (!d) return {};
    while (dirent *e = readdir(d)) {
        if (e->d_name[0] == '.') continue;
        DICOMSERIESKEY k;
        if (DicomSeriesKeyRead(prefix + e->d_name, &k) == FILE_SUCCES) keys.push_back(k);
    }
    closedir(d);
    return DicomSeriesOrder(shown, keys);
}

// A table text, trimmed; a number (`digits`) ends at the first character no number has, since
// a table value may run into the bytes after it.
static std::string LineField(const char *text, size_t size, bool digits = false) {
    std::string s(text, strnlen(text, size));
    if (digits) s = s.substr(0, s.find_first_not_of("0123456789+-.eE\\ "));
    for (char &c : s)
        if (uint8_t(c) < ' ') c = ' ';
    while (!s.empty() && s.back() == ' ')
        s.pop_back();
    size_t i = s.find_first_not_of(' ');
    return i == std::string::npos ? "" : s.substr(i);
}

int DicomSeriesLine(const FILEINFO *fi, char *out, size_t size) {
    if (!out || !size) return WIN_ERROR_ARG;
    out[0] = 0;
    void **table = DicomEntryTable(fi);
    if (!table) return WIN_ERROR_NOIMAGE;
    const auto *g08 = static_cast<const DCMGROUP0008 *>(table[DCM_G0008]);
    const auto *g20 = static_cast<const DCMGROUP0020 *>(table[DCM_G0020]);
    const auto *g28 = static_cast<const DCMGROUP0028 *>(table[DCM_G0028]);
#define FIELD(g, f) LineField((g)->f, sizeof(g)->f)
#define NUMBER(g, f) LineField((g)->f, sizeof(g)->f, true)
    std::string date = FIELD(g08, StudyDate);
    if (date.size() == 8 && date.find_first_not_of("0123456789") == std::string::npos)
        date = date.substr(0, 4) + "-" + date.substr(4, 2) + "-" + date.substr(6, 2);
    std::string study = FIELD(g08, StudyDescription), series = FIELD(g08, SeriesDescription);
    std::string desc = study.empty() ? series : series.empty() ? study : study + " / " + series;
    std::string parts[] = {
        FIELD(g08, Modality),
        date,
        desc,
        NUMBER(g20, SeriesNumber).empty() ? "" : "series " + NUMBER(g20, SeriesNumber),
        NUMBER(g20, ImageNumber).empty() ? "" : "image " + NUMBER(g20, ImageNumber),
        NUMBER(g20, SliceLocation).empty() ? "" : "slice " + NUMBER(g20, SliceLocation),
        NUMBER(g28, PixelSpacing).empty() ? "" : "spacing " + NUMBER(g28, PixelSpacing) + " mm"};
#undef FIELD
#undef NUMBER
    std::string line;
    for (const std::string &p : parts)
        if (!p.empty()) line += (line.empty() ? "" : "  ") + p;
    snprintf(out, size, "%s", line.c_str());
    return FILE_SUCCES;
}
