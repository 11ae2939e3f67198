#include "widgets/xlabel.h"

#include "toolkit/xcolor.h"
#include "toolkit/xtools.h"
#include "toolkit/xwinfunc.h"

#include <cstring>

WINDAT *LabelCreate(WINDAT *parent, int x, int y, WINTYP *typ, const WINNEIGHBOR *nb,
                    const char *text) {
    if (!parent || !typ || !nb) return nullptr;
    WINTYP t = *typ;
    t.typ = WIN_LABEL;
    if (!t.func[WIN_FUNC_EXPOSE]) t.func[WIN_FUNC_EXPOSE] = ExposeLabel;
    if (!t.func[WIN_FUNC_RESIZE]) t.func[WIN_FUNC_RESIZE] = ResizeLabel;
    return WinCreate(parent, x, y, &t, nb, text, fontfs_label);
}

// Width of the widest line.
static int LabelTextWidth(const char *text) {
    int widest = 0;
    for (const char *p = text; *p;) {
        const char *e = strchr(p, '\n');
        int n = e ? static_cast<int>(e - p) : static_cast<int>(strlen(p));
        int w = n > 0 ? WinGetTextWidth(fontfs_label, p, n) : 0;
        if (w > widest) widest = w;
        if (!e) break;
        p = e + 1;
    }
    return widest;
}

int LabelPaint(WINDAT *label) {
    if (!label) return WIN_ERROR_ARG;
    if (!label->window || !label->gc) return WIN_ERROR_GC;
    if (label->width < 1) return -1;
    Display *d = label->usr.display;
    if (label->state == LABEL_SEPARATOR) {
        XClearWindow(d, label->window);
        return WinDraw3dLineH(label, 2, label->height / 2, label->width - 4, 0, WIN_3D_SUNKEN);
    }
    XSetForeground(d, label->gc, label->bg);
    XFillRectangle(d, label->window, label->gc, 2, 2, static_cast<unsigned>(label->width - 2),
                   static_cast<unsigned>(label->height > 2 ? label->height - 2 : 1));
    XSetForeground(d, label->gc, label->fg);
    XSetBackground(d, label->gc, label->bg);
    const char *text = label->label;
    if (!text || !*text) return -3;
    int len = static_cast<int>(strlen(text));
    int tw = LabelTextWidth(text);
    int block = WinDrawStringLinesGetY(label, fontfs_label, 0, 0, text, len);
    int centred_y = (label->height - block) / 2 - 1;
    int x = 0, y = 0;
    switch (label->status) {
    case 0:
    case 3:
    case 5:
        x = 4;
        y = centred_y;
        break;
    case 1:
    case 9:
    case 11:
        x = (label->width - tw) / 2 + 4;
        y = centred_y;
        break;
    case 2:
    case 6:
    case 8:
        x = label->width - tw - 4;
        break;
    default:
        break;
    }
    return WinDrawStringLines(label, fontfs_label, x, y, text, len);
}

int LabelSet(WINDAT *label, const char *text) {
    if (!label || !text) return WIN_ERROR_ARG;
    WinSetLabel(label, text, 0);
    if (!*text && label->label) WinSetLabel(label, "", 0);
    return LabelPaint(label);
}

int LabelStatusSet(WINDAT *label, int status) {
    if (!label) return WIN_ERROR_ARG;
    label->status = status;
    return 0;
}

int LabelResize(WINDAT *label) {
    if (!label) return WIN_ERROR_ARG;
    int s = label->status;
    if (s != 3 && s != 4 && s != 5) return 0;
    int r[4];
    if (WinResizeCalc(label, r) != 0) return WIN_ERROR_PARENT;
    int w = (s == 3 || s == 5) ? r[2] : label->width;
    int h = (s == 4 || s == 5) ? r[3] : label->height;
    if (w < 1) w = 1;
    if (h < 1) h = 1;
    label->width = w;
    label->height = h;
    WinResize(label, w, h);
    return LabelPaint(label);
}

int LabelGetInitWidth(const char *text, int n) {
    if (!text) return 0;
    return WinGetTextWidth(fontfs_label, text, n) + 6;
}

int LabelGetInitHeight(const char *text, int n) {
    if (!text) return 0;
    return WinGetTextHeight(fontfs_label, text, n) + 5;
}

int ExposeLabel(WINDATUSR *rec) {
    if (!rec || !rec->win) return WIN_ERROR_NOWINDOW;
    return LabelPaint(rec->win);
}

int ResizeLabel(WINDATUSR *rec) {
    if (!rec || !rec->win) return WIN_ERROR_NOWINDOW;
    return LabelResize(rec->win);
}
