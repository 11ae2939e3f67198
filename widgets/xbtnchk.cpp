#include "widgets/xbtnchk.h"

#include "toolkit/xbase.h"
#include "toolkit/xwinfunc.h"
#include "widgets/xbtn.h"
#include "widgets/xlabel.h"

static WINDAT *BtnChkPart(WINDAT *chk, int slot) {
    if (!chk || WinUSRStringArrayExist(chk) != 0) return nullptr;
    return reinterpret_cast<WINDAT *>(WinUSRStringArrayValueGet(chk, slot));
}

WINDAT *BtnChkCreate(WINDAT *parent, int x, int y, WINTYP *typ, const WINNEIGHBOR *nb,
                     const char *label, WINFUNC action) {
    if (!parent || !typ || !nb) return nullptr;
    WINTYP t = *typ;
    WINDAT *chk = BaseCreate(parent, x, y, &t, nb, label);
    if (!chk) return nullptr;
    chk->typ = WIN_BTN_CHECK;
    WinSetFuncIntClose(chk, BtnChkFuncIntClose);
    if (WinUSRStringArrayCreate(chk, 2) != 0) {
        WinClose(chk);
        return nullptr;
    }
    WINTYP bt{};
    bt.fg = chk->fg;
    bt.bg = chk->bg;
    bt.width = BtnChkSize;
    bt.height = BtnChkSize;
    bt.state = BTN_TOGGLE;
    bt.language = chk->language;
    WINNEIGHBOR bnb{};
    bnb.space[WIN_SIDE_TOP] = (chk->height - BtnChkSize) / 2;
    WINDAT *box = BtnCreate(chk, 0, 0, &bt, &bnb, "btnchk", action);
    if (!box) {
        WinClose(chk);
        return nullptr;
    }
    // The box draws no text; its name is only the window's.
    WinSetLabel(box, "", 0);
    WINTYP tt = bt;
    tt.width = chk->width - BtnChkSize - 2;
    tt.height = chk->height;
    tt.state = BTN_TEXT;
    WINNEIGHBOR tnb{};
    tnb.neighbor[WIN_SIDE_LEFT] = box;
    WINDAT *text = BtnCreate(chk, 0, 0, &tt, &tnb, label ? label : "", BtnChkBtnRPress);
    if (!text) {
        WinClose(chk);
        return nullptr;
    }
    WinUSRStringArrayValueSet(chk, 1, reinterpret_cast<char *>(box));
    WinUSRStringArrayValueSet(chk, 2, reinterpret_cast<char *>(text));
    return chk;
}

int BtnChkBtnRPress(WINDATUSR *rec) {
    if (!rec || !rec->win) return WIN_ERROR_ARG;
    WINDAT *box = BtnChkPart(rec->win->usr.parent, 1);
    if (!box) return WIN_ERROR_CHILD;
    box->usr.evmouse = rec->win->usr.evmouse;
    return BtnRelease(box, 1);
}

int BtnChkGetSelect(WINDAT *chk) {
    WINDAT *box = BtnChkPart(chk, 1);
    return box ? box->select : -16;
}

int BtnChkSetSelect(WINDAT *chk, int flag) {
    WINDAT *box = BtnChkPart(chk, 1);
    if (!box) return WIN_ERROR_CHILD;
    return WinSetSelect(box, flag, 1);
}

int BtnChkGetInitWidth(const char *text, int n) {
    int w = BtnGetInitWidth(text, n);
    return w < 0 ? 0 : w + 2 + BtnChkSize;
}

int BtnChkGetInitHeight(const char *text, int n) {
    return LabelGetInitHeight(text, n);
}

int BtnChkFuncIntClose(WINDATUSR *rec) {
    if (!rec || !rec->win) return WIN_ERROR_NOWINDOW;
    return WinUSRStringArrayRemove(rec->win);
}
