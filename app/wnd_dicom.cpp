#include "app/wnd_dicom.h"

#include "app/main.h"
#include "app/wnd_paint.h"
#include "dicom/io_dcmseries.h"
#include "dicom/io_dcmvoi.h"
#include "dicom/io_dicom.h"
#include "image/io_exif.h"
#include "image/io_files.h"
#include "image/io_levels.h"
#include "toolkit/xinit.h"
#include "toolkit/xwin.h"
#include "widgets/xpaint.h"
#include "widgets/xstatus.h"

#include <X11/keysym.h>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

// What a view keeps between pictures: the readout, the extra fields, a window the user chose
// and the series it was chosen on, and a Shift-drag in progress.
struct VIEWDICOM {
    std::string readout;
    std::string line; // as last written
    bool chosen = false;
    int kind = DICOM_VOI_CW, fn = DICOM_VOI_LINEAR, which = -1;
    double c = 0, w = 1;
    std::string series;
    bool dragging = false;
    int from_x = 0, from_y = 0;
    double c0 = 0, w0 = 1, step = 1;
};
std::map<Window, VIEWDICOM> view_dicom;

// The series last walked, in its order.
std::vector<std::string> series_files;

int SeriesIndex(const std::string &path) {
    auto it = std::find(series_files.begin(), series_files.end(), path);
    return it == series_files.end() ? -1 : int(it - series_files.begin());
}

// The next files of the walk into the page cache while the shown one is looked at.
void SeriesReadAhead(int from, int step) {
    for (int k = 1; k <= 3; k++) {
        int i = from + k * step;
        if (i < 0 || i >= int(series_files.size())) break;
        int fd = FileOpenInput(series_files[size_t(i)].c_str());
        if (fd < 0) continue;
        posix_fadvise(fd, 0, 0, POSIX_FADV_WILLNEED);
        close(fd);
    }
}

std::string SeriesOf(const FILEINFO *fi);
void ShowSlice(WINDAT *view, const FILEINFO &fi);

// The series of a file just opened, found on a worker since it reads every file of the
// directory; the field is filled when done, if the view still shows that file. A newer search
// makes an older one's result void.
std::atomic<unsigned> series_seek{0};
void SeriesSeek(WINDAT *view, const std::string &path) {
    const unsigned ticket = ++series_seek;
    const Window xw = view->window;
    std::thread([xw, path, ticket] {
        std::vector<std::string> files = DicomSeriesList(path);
        if (killProgram) return;
        ToolkitLockGuard guard;
        if (killProgram || ticket != series_seek || files.size() < 2) return;
        WINDAT *v = WinFind(xw);
        PAINTIMG *e = v && v->typ == WIN_PAINT ? PaintImgGet(v, v->img_current) : nullptr;
        if (!e || !e->fi.fname || path != e->fi.fname || SeriesIndex(path) >= 0) return;
        if (std::find(files.begin(), files.end(), path) == files.end()) return;
        series_files = std::move(files);
        ShowSlice(v, e->fi);
        XFlush(v->usr.display);
    }).detach();
}

void ShowSlice(WINDAT *view, const FILEINFO &fi) {
    int i = fi.fname ? SeriesIndex(fi.fname) : -1;
    if (i < 0) {
        WinDicomStatusField(view, "slice", "");
        if (fi.fname && fi.ftyp == FTYP_DICOM && !SeriesOf(&fi).empty()) SeriesSeek(view, fi.fname);
        return;
    }
    std::string text = "slice " + std::to_string(i + 1) + "/" + std::to_string(series_files.size());
    WinDicomStatusField(view, "slice", text);
    DravikTrace("%s", text.c_str());
}

PAINTIMG *Shown(WINDAT *view) {
    if (!view || view->typ != WIN_PAINT || view->state != PAINT_SINGLE) return nullptr;
    PAINTIMG *e = PaintImgGet(view, view->img_current);
    return e && e->fi.voi && e->fi.fbuf ? e : nullptr;
}

std::string SeriesOf(const FILEINFO *fi) {
    void **table = DicomEntryTable(fi);
    if (!table) return "";
    const auto *g = static_cast<const DCMGROUP0020 *>(table[DCM_G0020]);
    return std::string(g->SeriesInstanceUID,
                       strnlen(g->SeriesInstanceUID, sizeof g->SeriesInstanceUID));
}

std::string Number(double v) {
    char t[40];
    snprintf(t, sizeof t, "%.6g", std::fabs(v) < 5e-7 ? 0.0 : v);
    return t;
}

void ShowCW(WINDAT *view, const DICOMVOI *voi) {
    double c, w;
    DicomVoiCW(voi, &c, &w);
    std::string text = "C/W " + Number(c) + "/" + Number(w);
    if (voi->kind == DICOM_VOI_CW && voi->which >= 0 &&
        !voi->windows[size_t(voi->which)].why.empty())
        text += " " + voi->windows[size_t(voi->which)].why;
    WinDicomStatusField(view, "C/W", text);
    DravikTrace("window %s", text.c_str());
}

// Display frame f from the stored values, turned as the user turned the picture (the stored
// values keep the file's orientation).
void RenderFrame(const FILEINFO &fi, int f, std::vector<uint8_t> &plain) {
    const DICOMVOI *voi = fi.voi;
    const long w = voi->s.w, h = voi->s.h;
    const size_t pixels = size_t(w) * size_t(h);
    if (f < 0 || f >= voi->s.frames || size_t(fi.w) * size_t(fi.h) != pixels) return;
    uint8_t *dst = fi.fbuf + size_t(f) * pixels;
    if (fi.turn <= EXIF_ORIENT_NORMAL) {
        DicomVoiRender(voi, f, dst);
        return;
    }
    plain.resize(pixels);
    DicomVoiRender(voi, f, plain.data());
    long x0, y0, x1, y1, x2, y2;
    ImageOrientPoint(fi.turn, w, h, 0, 0, &x0, &y0);
    ImageOrientPoint(fi.turn, w, h, 1, 0, &x1, &y1);
    ImageOrientPoint(fi.turn, w, h, 0, 1, &x2, &y2);
    const long origin = y0 * w + x0, stepx = (y1 - y0) * w + (x1 - x0),
               stepy = (y2 - y0) * w + (x2 - x0);
    for (long Y = 0; Y < fi.h; Y++) {
        long k = origin + Y * stepy;
        uint8_t *row = dst + size_t(Y) * size_t(fi.w);
        for (long X = 0; X < fi.w; X++, k += stepx)
            row[X] = plain[size_t(k)];
    }
}

// The picture's display frames anew from its stored values: only the shown frame while a drag
// runs, all of them otherwise.
void Apply(WINDAT *view, PAINTIMG *e, bool all) {
    FILEINFO &fi = e->fi;
    ImageLevelsDrop(&fi);
    std::vector<uint8_t> plain;
    if (all) {
        for (int f = 0; f < fi.voi->s.frames; f++)
            RenderFrame(fi, f, plain);
    } else {
        RenderFrame(fi, std::max(fi.frame, 0), plain);
    }
    WinPaint(view);
    VIEWDICOM &v = view_dicom[view->window];
    v.chosen = true;
    v.kind = fi.voi->kind;
    v.c = fi.voi->c, v.w = fi.voi->w, v.fn = fi.voi->fn, v.which = fi.voi->which;
    v.series = SeriesOf(&fi);
    ShowCW(view, fi.voi);
}

} // namespace

int WinDicomKey(WINDAT *view, KeySym sym) {
    PAINTIMG *e = Shown(view);
    if (!e) return 0;
    DICOMVOI *voi = e->fi.voi;
    int rc;
    if (sym >= XK_1 && sym <= XK_6)
        rc = DicomVoiPreset(voi, int(sym - XK_0));
    else if (sym >= XK_KP_1 && sym <= XK_KP_6)
        rc = DicomVoiPreset(voi, int(sym - XK_KP_0));
    else if (sym == XK_w)
        rc = DicomVoiCycle(voi);
    else
        return 0;
    if (rc == FILE_SUCCES) Apply(view, e, true);
    return 1;
}

int WinDicomDrag(WINDAT *view, const XEvent *ev) {
    if (!ev) return 0;
    PAINTIMG *e = Shown(view);
    if (!e) return 0;
    VIEWDICOM &v = view_dicom[view->window];
    if (ev->type == ButtonPress && ev->xbutton.button == Button1 &&
        (ev->xbutton.state & ShiftMask)) {
        v.dragging = true;
        v.from_x = ev->xbutton.x_root, v.from_y = ev->xbutton.y_root;
        DicomVoiCW(e->fi.voi, &v.c0, &v.w0);
        // A screen pixel moves the window by a 512th of the picture's value range, at least 1.
        v.step = std::max(1.0, std::floor((e->fi.voi->hi - e->fi.voi->lo) / 512));
        DravikTrace("window drag step %s", Number(v.step).c_str());
        return 1;
    }
    if (!v.dragging) return 0;
    if (ev->type == MotionNotify || ev->type == ButtonRelease) {
        int x = ev->type == MotionNotify ? ev->xmotion.x_root : ev->xbutton.x_root;
        int y = ev->type == MotionNotify ? ev->xmotion.y_root : ev->xbutton.y_root;
        bool end = ev->type == ButtonRelease && ev->xbutton.button == Button1;
        if (ev->type == MotionNotify && !(ev->xmotion.state & Button1Mask)) end = true;
        DicomVoiSetWindow(e->fi.voi, v.c0 + (y - v.from_y) * v.step,
                          std::max(1.0, v.w0 + (x - v.from_x) * v.step));
        if (end) v.dragging = false;
        Apply(view, e, end);
        return 1;
    }
    return 0;
}

std::string WinDicomReadout(const FILEINFO *fi, int x, int y) {
    if (!fi || !fi->voi) return "";
    int32_t stored;
    double value;
    if (fi->turn > EXIF_ORIENT_NORMAL) { // the view's point on the file's unturned values
        long sx, sy;
        ImageOrientPoint(fi->turn, fi->voi->s.w, fi->voi->s.h, x, y, &sx, &sy);
        x = int(sx), y = int(sy);
    }
    if (DicomVoiStored(fi->voi, std::max(fi->frame, 0), x, y, &stored, &value) != FILE_SUCCES)
        return "";
    std::string unit = DicomVoiUnit(fi->voi);
    std::string text = "  stored " + std::to_string(stored);
    if (unit == "HU")
        text += "  HU " + Number(value);
    else
        text += "  value " + Number(value) + (unit.empty() ? "" : " " + unit);
    if (fi->frames > 1)
        text += "  frame " + std::to_string(fi->frame + 1) + "/" + std::to_string(fi->frames);
    return text;
}

void WinDicomOpened(WINDAT *view) {
    if (!view) return;
    // A text someone else wrote since (the reader's note) stays in front of the fields.
    VIEWDICOM &state = view_dicom[view->window];
    const char *now = StatusGetMsg(PaintWndStatusGet(view), 1);
    state.readout = now && state.line != now ? now : "";
    if (PAINTIMG *shown = PaintImgGet(view, view->img_current)) ShowSlice(view, shown->fi);
    PAINTIMG *e = Shown(view);
    if (!e) {
        WinDicomStatusField(view, "C/W", "");
        return;
    }
    auto it = view_dicom.find(view->window);
    DICOMVOI *voi = e->fi.voi;
    if (it != view_dicom.end() && it->second.chosen && !it->second.series.empty() &&
        it->second.series == SeriesOf(&e->fi)) {
        const VIEWDICOM &v = it->second;
        if (v.kind == DICOM_VOI_CW && v.which >= 0 && size_t(v.which) < voi->windows.size()) {
            voi->kind = DICOM_VOI_CW, voi->which = v.which;
            voi->c = voi->windows[size_t(v.which)].c, voi->w = voi->windows[size_t(v.which)].w;
            voi->fn = voi->function;
        } else if (v.kind == DICOM_VOI_CW) {
            DicomVoiSetWindow(voi, v.c, v.w);
            voi->fn = v.fn;
        } else if (v.kind == DICOM_VOI_TABLE && !voi->table.empty()) {
            voi->kind = DICOM_VOI_TABLE;
        }
        Apply(view, e, true);
        return;
    }
    if (it != view_dicom.end()) it->second.chosen = false;
    ShowCW(view, voi);
}

void WinDicomStatusField(WINDAT *view, const char *name, const std::string &text) {
    WINDAT *status = view && name ? PaintWndStatusGet(view) : nullptr;
    if (!status) return;
    // Fields of their own beside the readout; the frame field is the view's.
    int id = !strcmp(name, "frame") ? STATUS_FIELD_FRAME
             : !strcmp(name, "C/W") ? STATUS_FIELD_CW
                                    : STATUS_FIELD_SLICE;
    if (strcmp(StatusFieldGet(status, id), text.c_str())) {
        StatusFieldSet(status, id, text.c_str());
        WinPaintTraceFields(view);
    }
}

void WinDicomStatusShow(WINDAT *view, const char *readout) {
    WINDAT *status = view ? PaintWndStatusGet(view) : nullptr;
    if (!status) return;
    VIEWDICOM &v = view_dicom[view->window];
    v.readout = readout ? readout : "";
    v.line = v.readout;
    StatusSetMsg(status, v.line.c_str(), 1);
}

int WinDicomSeriesStep(WINDAT *view, int step) {
    if (!view || view->typ != WIN_PAINT || view->state != PAINT_SINGLE) return 0;
    PAINTIMG *e = PaintImgGet(view, view->img_current);
    if (!e || e->fi.ftyp != FTYP_DICOM || !e->fi.fname) return 0;
    std::string path = e->fi.fname;
    if (SeriesIndex(path) < 0) {
        ++series_seek;
        series_files = DicomSeriesList(path);
    }
    int i = SeriesIndex(path);
    if (i < 0 || series_files.size() < 2) return 0;
    int j = i + step;
    // The walk stays in the series: at its ends the key does nothing.
    if (j < 0 || j >= int(series_files.size())) {
        DravikTrace("slice end %d/%zu", i + 1, series_files.size());
        return 1;
    }
    SeriesReadAhead(j, step);
    SymbolFileOpen(series_files[size_t(j)].c_str());
    return 1;
}

int WinDicomFrameKey(WINDAT *view, KeySym sym) {
    if (!view || view->typ != WIN_PAINT || view->state != PAINT_SINGLE) return 0;
    if (sym != XK_comma && sym != XK_period) return 0;
    PAINTIMG *e = PaintImgGet(view, view->img_current);
    if (!e || !e->fi.fbuf || e->fi.frames < 2) return 0;
    int frame = std::clamp(e->fi.frame + (sym == XK_period ? 1 : -1), 0, e->fi.frames - 1);
    if (frame != e->fi.frame) {
        e->fi.frame = frame;
        WinPaint(view);
    }
    std::string text = "frame " + std::to_string(frame + 1) + "/" + std::to_string(e->fi.frames);
    WinDicomStatusField(view, "frame", text);
    DravikTrace("%s", text.c_str());
    return 1;
}

int WinDicomPlayFrame(WINDAT *view, int frame, int frames, int ms) {
    if (!view) return 0;
    std::string text = "frame " + std::to_string(frame + 1) + "/" + std::to_string(frames) + "  " +
                       Number(1000.0 / std::max(ms, 1)) + " fps";
    WinDicomStatusField(view, "frame", text);
    DravikTrace("play %s", text.c_str());
    return 0;
}
