#include "widgets/xbtnradio.h"

#include "toolkit/xbase.h"
#include "toolkit/xcolor.h"
#include "toolkit/xtools.h"
#include "toolkit/xwinfunc.h"
#include "widgets/xbtn.h"
#include "widgets/xlabel.h"

#include <cstring>

static WINDAT *BtnRadioPart(WINDAT *radio, int slot) {
    if (!radio || radio->typ != WIN_BTN_RADIO || WinUSRStringArrayExist(radio) != 0) return nullptr;
    return reinterpret_cast<WINDAT *>(WinUSRStringArrayValueGet(radio, slot));
}

static int ResizeGroup(WINDATUSR *) {
    return 0;
}

static int ExposeGroup(WINDATUSR *rec) {
    if (!rec || !rec->win) return WIN_ERROR_NOWINDOW;
    return GroupPaint(rec->win);
}

WINDAT *GroupCreate(WINDAT *parent, int x, int y, WINTYP *typ, const WINNEIGHBOR *nb,
                    const char *title) {
    if (!parent || !typ || !nb) return nullptr;
    WINTYP t = *typ;
    t.func[WIN_FUNC_RESIZE] = ResizeGroup;
    t.func[WIN_FUNC_EXPOSE] = ExposeGroup;
    WINDAT *group = BaseCreate(parent, x, y, &t, nb, title);
    if (!group) return nullptr;
    group->typ = WIN_GRP_RADIO;
    return group;
}

int GroupPaint(WINDAT *group) {
    if (!group) return WIN_ERROR_ARG;
    if (!group->gc) return WIN_ERROR_GC;
    int w = group->width, h = group->height;
    WinDraw3dRect(group, 1, 11, w - 3, h - 13, WIN_3D_RAISED, 1);
    WinDraw3dRect(group, 0, 10, w - 1, h - 11, WIN_3D_SUNKEN, 1);
    if (!group->label) return 0;
    Display *d = group->usr.display;
    XSetFont(d, group->gc, fontfs_text->fid);
    XSetForeground(d, group->gc, fg_label);
    XSetBackground(d, group->gc, group->bg);
    int y = WinGetTextHeight(fontfs_text, WIN_TEXT_SAMPLE, 0) + 5;
    WinDrawImageString(group, 10, y, group->label, static_cast<int>(strlen(group->label)));
    XSetForeground(d, group->gc, group->fg);
    return 0;
}

WINDAT *BtnRadioCreate(WINDAT *group, int x, int y, WINTYP *typ, const WINNEIGHBOR *nb,
                       const char *label, WINFUNC action) {
    if (!group || !typ || !nb) return nullptr;
    WINTYP t = *typ;
    WINDAT *radio = BaseCreate(group, x, y, &t, nb, label);
    if (!radio) return nullptr;
    radio->typ = WIN_BTN_RADIO;
    WinSetFuncIntClose(radio, BtnRadioFuncIntClose);
    if (WinUSRStringArrayCreate(radio, 2) != 0) {
        WinClose(radio);
        return nullptr;
    }
    WINTYP kt{};
    kt.fg = radio->fg;
    kt.bg = radio->bg;
    kt.width = BtnRadioSize;
    kt.height = BtnRadioSize;
    kt.state = BTN_ROUND;
    kt.language = radio->language;
    WINNEIGHBOR knb{};
    knb.space[WIN_SIDE_TOP] = (radio->height - BtnRadioSize) / 2;
    WINDAT *knob = BtnCreate(radio, 0, 0, &kt, &knb, "btnchk", action);
    if (!knob) {
        WinClose(radio);
        return nullptr;
    }
    WinSetLabel(knob, "", 0);
    WINTYP tt = kt;
    tt.width = LabelGetInitWidth(label ? label : "", 0);
    tt.height = radio->height;
    tt.state = BTN_TEXT;
    WINNEIGHBOR tnb{};
    tnb.neighbor[WIN_SIDE_LEFT] = knob;
    WINDAT *text = BtnCreate(radio, 0, 0, &tt, &tnb, label ? label : "", BtnRadioBtnLPress);
    if (!text) {
        WinClose(radio);
        return nullptr;
    }
    WinUSRStringArrayValueSet(radio, 1, reinterpret_cast<char *>(knob));
    WinUSRStringArrayValueSet(radio, 2, reinterpret_cast<char *>(text));
    return radio;
}

int BtnRadioBtnLPress(WINDATUSR *rec) {
    if (!rec || !rec->win) return WIN_ERROR_ARG;
    WINDAT *knob = BtnRadioPart(rec->win->usr.parent, 1);
    if (!knob) return WIN_ERROR_CHILD;
    knob->usr.evmouse = rec->win->usr.evmouse;
    return BtnRelease(knob, 1);
}

int BtnRadioSetSelect(WINDAT *radio, int flag) {
    WINDAT *knob = BtnRadioPart(radio, 1), *text = BtnRadioPart(radio, 2);
    if (!knob || !text) return -1;
    WinSetSelect(knob, flag, 1);
    WinSetSelect(text, flag, 1);
    return 0;
}

int BtnRadioSetStatus(WINDAT *radio, int value) {
    WINDAT *knob = BtnRadioPart(radio, 1), *text = BtnRadioPart(radio, 2);
    if (!knob || !text) return -1;
    radio->status = value;
    knob->status = value;
    text->status = value;
    return 0;
}

int BtnRadioGetInitWidth(const char *text, int n) {
    return LabelGetInitWidth(text, n) + 2 + BtnRadioSize;
}

int BtnRadioGetInitHeight(const char *text, int n) {
    return LabelGetInitHeight(text, n);
}

int BtnRadioFuncIntClose(WINDATUSR *rec) {
    if (!rec || !rec->win) return WIN_ERROR_NOWINDOW;
    return WinUSRStringArrayRemove(rec->win);
}

WINDAT *BtnRadioGroupCreateSimple(WINDAT *parent, int x, int y, const char *const *labels, int n,
                                  const char *title, WINFUNC action) {
    if (!parent || !labels || n < 1) return nullptr;
    int w = title ? WinGetTextWidth(fontfs_text, title, 0) : 0;
    for (int i = 0; i < n; i++) {
        int lw = labels[i] ? WinGetTextWidth(fontfs_text, labels[i], 0) : 0;
        if (lw > w) w = lw;
    }
    int h = BtnRadioGetInitHeight(WIN_TEXT_SAMPLE, 0);
    WINTYP gt{};
    gt.fg = parent->fg;
    gt.bg = parent->bg;
    gt.width = w + 4 + 4 * BtnRadioSize;
    gt.height = h * (n + 2) + h + 2;
    gt.state = BASE_FIXED;
    gt.language = parent->language;
    WINNEIGHBOR gnb{};
    gnb.space[WIN_SIDE_LEFT] = x;
    gnb.space[WIN_SIDE_TOP] = y;
    WINDAT *group = GroupCreate(parent, 0, 0, &gt, &gnb, title ? title : "");
    if (!group) return nullptr;
    WINDAT *prev = nullptr;
    for (int i = 0; i < n; i++) {
        const char *label = labels[i] ? labels[i] : "";
        WINTYP rt{};
        rt.fg = fg_btn;
        rt.bg = bg_btn;
        rt.width = BtnRadioGetInitWidth(label, 0);
        rt.height = h;
        rt.state = BASE_FIXED;
        rt.language = group->language;
        WINNEIGHBOR rnb{};
        rnb.space[WIN_SIDE_LEFT] = 10;
        rnb.space[WIN_SIDE_TOP] = prev ? h / 2 : h + h / 2;
        rnb.neighbor[WIN_SIDE_TOP] = prev;
        WINDAT *r = BtnRadioCreate(group, 0, 0, &rt, &rnb, label, action);
        if (!r) {
            WinClose(group);
            return nullptr;
        }
        BtnRadioSetStatus(r, i);
        prev = r;
    }
    return group;
}
