// Options > Program: five notebook pages whose controls write the settings as they change.
#include "app/mf_option.h"

#include "app/main.h"
#include "app/menus.h"
#include "app/mf_archive.h"
#include "app/mf_file.h"
#include "app/rc.h"
#include "app/wnd_paint.h"
#include "base/language.h"
#include "base/lg.h"
#include "base/settings.h"
#include "toolkit/xbase.h"
#include "toolkit/xcolor.h"
#include "toolkit/xinit.h"
#include "toolkit/xtext.h"
#include "toolkit/xtools.h"
#include "toolkit/xwinfunc.h"
#include "widgets/xbtnchk.h"
#include "widgets/xbtnradio.h"
#include "widgets/xedit.h"
#include "widgets/xlabel.h"
#include "widgets/xlist.h"
#include "widgets/xmenu.h"
#include "widgets/xnotebook.h"
#include "widgets/xscroll.h"
#include "widgets/xtb.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

WINDAT *wdnb = nullptr;

namespace {

enum {
    OPT_WIDTH = 560,
    OPT_HEIGHT = 470,
    OPT_MARGIN = 10,
    OPT_COLORS = 28,
    OPT_FONTS = RC_FONT_KEYS
};
enum { OPT_PAGE_ASK = 0, OPT_PAGE_INFO = 1, OPT_PAGE_WINDOW = 2, OPT_PAGE_COLOR = 3 };
enum { OPT_PAGE_DICOM = 4 };

using OPTNAME = RCTEXTKEY;

const OPTNAME optColors[OPT_COLORS] = {
    {"FgForm", fg_sz_form, COLOR_NAME_SIZE},       {"FgMenu", fg_sz_menu, COLOR_NAME_SIZE},
    {"FgMenuSel", fg_sz_menuSel, COLOR_NAME_SIZE}, {"FgStatus", fg_sz_status, COLOR_NAME_SIZE},
    {"FgPaint", fg_sz_paint, COLOR_NAME_SIZE},     {"FgPaintText", fg_sz_paintTxt, COLOR_NAME_SIZE},
    {"FgButton", fg_sz_btn, COLOR_NAME_SIZE},      {"FgLabel", fg_sz_label, COLOR_NAME_SIZE},
    {"FgEdit", fg_sz_edit, COLOR_NAME_SIZE},       {"FgList", fg_sz_list, COLOR_NAME_SIZE},
    {"FgScroll", fg_sz_scroll, COLOR_NAME_SIZE},   {"FgSelect", fg_sz_sel, COLOR_NAME_SIZE},
    {"FgHint", fg_sz_hint, COLOR_NAME_SIZE},       {"FgDisable", fg_sz_disable, COLOR_NAME_SIZE},
    {"BgForm", bg_sz_form, COLOR_NAME_SIZE},       {"BgMenu", bg_sz_menu, COLOR_NAME_SIZE},
    {"BgMenuSel", bg_sz_menuSel, COLOR_NAME_SIZE}, {"BgStatus", bg_sz_status, COLOR_NAME_SIZE},
    {"BgPaint", bg_sz_paint, COLOR_NAME_SIZE},     {"BgPaintText", bg_sz_paintTxt, COLOR_NAME_SIZE},
    {"BgButton", bg_sz_btn, COLOR_NAME_SIZE},      {"BgLabel", bg_sz_label, COLOR_NAME_SIZE},
    {"BgEdit", bg_sz_edit, COLOR_NAME_SIZE},       {"BgList", bg_sz_list, COLOR_NAME_SIZE},
    {"BgScroll", bg_sz_scroll, COLOR_NAME_SIZE},   {"BgSelect", bg_sz_sel, COLOR_NAME_SIZE},
    {"BgHint", bg_sz_hint, COLOR_NAME_SIZE},       {"BgDisable", bg_sz_disable, COLOR_NAME_SIZE},
};

// The fonts in the configuration's order.
const OPTNAME *const optFonts = rcFontKeys;

const char *const optNotAvailableL[] = {LgLatin1("nicht verf\xfcgbar"), "not available"};

// One name editor of page 3: a list of keys and the field that edits the chosen one. The field
// writes a scratch copy; the setting takes it only once the server knows the name, so that a typo
// never reaches the configuration file.
struct OPTEDIT {
    const OPTNAME *names;
    int count;
    int (*known)(Display *, const char *);
    WINDAT *field;
    int sel;
    char scratch[FONT_NAME_SIZE];
};

OPTEDIT optColorEdit{optColors, OPT_COLORS, OptColorNameKnown, nullptr, -1, {}};
OPTEDIT optFontEdit{optFonts, OPT_FONTS, OptFontNameKnown, nullptr, -1, {}};

int Language() {
    return opt_rt[2] == LG_GERMAN ? LG_GERMAN : LG_ENGLISH;
}

void OptCaption(const char *text) {
    if (!wdnb) return;
    NotebookPageLabelUpdate(wdnb, text);
    DravikTrace("options caption %s", text);
}

// Hands the scratch name to its setting when it changed and the server knows it; 0 stored or
// unchanged, -1 refused.
int OptEditCommit(OPTEDIT &ed) {
    if (ed.sel < 0 || ed.sel >= ed.count || !ed.field) return 0;
    const OPTNAME &n = ed.names[ed.sel];
    if (strcmp(ed.scratch, n.value) == 0) return 0;
    if (!ed.known(ed.field->usr.display, ed.scratch)) {
        char text[FONT_NAME_SIZE + 80];
        snprintf(text, sizeof text, "%s = %s: %s", n.key, ed.scratch, optNotAvailableL[Language()]);
        OptCaption(text);
        fprintf(stderr, "dravik: %s \"%s\" is not available\n", n.key, ed.scratch);
        return -1;
    }
    snprintf(n.value, static_cast<size_t>(n.size), "%s", ed.scratch);
    return 0;
}

// Binds the field to entry `index` of its list: 0, or -1 when the name left behind was refused
// (its caption stays).
int OptEditSelect(OPTEDIT &ed, int index) {
    if (!ed.field || index < 0 || index >= ed.count) return WIN_ERROR_ARG;
    int stored = OptEditCommit(ed);
    const OPTNAME &n = ed.names[index];
    ed.sel = index;
    int size = std::min<int>(n.size, static_cast<int>(sizeof ed.scratch));
    std::string current = n.value;
    EditValueStringSet(ed.field, ed.scratch, size);
    int r = EditTextNew(ed.field, current.c_str(), static_cast<int>(current.size()));
    return r != 0 ? r : stored;
}

void OptEditReset(OPTEDIT &ed) {
    ed.field = nullptr;
    ed.sel = -1;
    ed.scratch[0] = 0;
}

WINTYP OptTyp(WINDAT *parent, int width, int height, int state) {
    WINTYP t{};
    t.fg = parent->fg;
    t.bg = parent->bg;
    t.width = width;
    t.height = height;
    t.state = state;
    t.language = parent->language;
    return t;
}

WINDAT *OptLabel(WINDAT *page, WINDAT *left, int space, int top, const char *text) {
    WINTYP t = OptTyp(page, LabelGetInitWidth(text, 0), LabelGetInitHeight(text, 0), 0);
    WINNEIGHBOR nb{};
    nb.neighbor[WIN_SIDE_LEFT] = left;
    nb.space[WIN_SIDE_LEFT] = space;
    nb.space[WIN_SIDE_TOP] = top;
    return LabelCreate(page, 0, 0, &t, &nb, text);
}

WINDAT *OptCheck(WINDAT *page, WINDAT *above, const char *label, int status) {
    WINTYP t =
        OptTyp(page, BtnChkGetInitWidth(label, 0), BtnChkGetInitHeight(label, 0) + 4, BASE_FIXED);
    WINNEIGHBOR nb{};
    nb.neighbor[WIN_SIDE_TOP] = above;
    nb.space[WIN_SIDE_TOP] = OPT_MARGIN;
    nb.space[WIN_SIDE_LEFT] = OPT_MARGIN;
    WINDAT *chk = BtnChkCreate(page, 0, 0, &t, &nb, label, OptBtnChkPress);
    if (!chk) return nullptr;
    // The press arrives on the box, which carries the status for it.
    chk->status = status;
    if (chk->nchild > 0) chk->child[0]->status = status;
    OptBtnChkUpdate(chk);
    return chk;
}

WINDAT *OptRadioGroup(WINDAT *page, int x, int y, const char *const *labels, int n,
                      const char *title, WINFUNC action, int current) {
    WINDAT *g = BtnRadioGroupCreateSimple(page, x, y, labels, n, title, action);
    if (g) OptBtnRadioUpdate(g, current);
    return g;
}

WINDAT *OptNumberField(WINDAT *page, WINDAT *left, int *value) {
    WINTYP t =
        OptTyp(page, EditGetInitWidth("-0123", 0), EditGetInitHeight("-0123", 0, 1), EDIT_NUMBER);
    t.fg = fg_edit;
    t.bg = bg_edit;
    WINNEIGHBOR nb{};
    nb.neighbor[WIN_SIDE_LEFT] = left;
    nb.space[WIN_SIDE_LEFT] = 5;
    nb.space[WIN_SIDE_TOP] = OPT_MARGIN;
    WINDAT *e = EditCreate(page, 0, 0, &t, &nb, "number");
    if (!e) return nullptr;
    EditValueMinMaxSet(e, -1024, 4096);
    EditValueIntSet(e, value);
    char text[16];
    snprintf(text, sizeof text, "%d", *value);
    EditTextNew(e, text, static_cast<int>(strlen(text)));
    return e;
}

// A list of setting keys in a scroll window of a fixed box, with its label and field beside it.
int OptNameEditor(WINDAT *page, int y, int height, OPTEDIT &ed, const char *title, WINFUNC mouse) {
    WINTYP bt = OptTyp(page, 200, height, BASE_FIXED);
    WINNEIGHBOR bnb{};
    WINDAT *box = BaseCreate(page, OPT_MARGIN, y, &bt, &bnb, "optlistbox");
    if (!box) return WIN_ERROR_CREATE;
    WINTYP st = OptTyp(box, 200, height, 0);
    st.fg = fg_list;
    st.bg = bg_list;
    WINNEIGHBOR snb{};
    WINDAT *scroll =
        ScrollWndCreate(box, 0, 0, &st, &snb, ed.names[0].key, nullptr, WIN_LIST, 1, 0, 0);
    WINDAT *list = scroll ? ScrollGetScrollWnd(scroll) : nullptr;
    if (!list) return WIN_ERROR_CREATE;
    for (int i = 0; i < ed.count; i++)
        ListEntryAdd(list, ed.names[i].key, -1);
    WinSetFuncMouse(list, mouse);
    WinSetFuncKeyb(list, mouse);
    WinSetFuncSelect(list, mouse);

    int x = OPT_MARGIN + 200 + OPT_MARGIN;
    WINTYP lt = OptTyp(page, LabelGetInitWidth(title, 0), LabelGetInitHeight(title, 0), 0);
    WINNEIGHBOR lnb{};
    if (!LabelCreate(page, x, y, &lt, &lnb, title)) return WIN_ERROR_CREATE;
    WINTYP et =
        OptTyp(page, page->width - x - OPT_MARGIN, EditGetInitHeight(nullptr, 0, 1), EDIT_SINGLE);
    et.fg = fg_edit;
    et.bg = bg_edit;
    WINNEIGHBOR enb{};
    enb.space[WIN_SIDE_LEFT] = x;
    enb.space[WIN_SIDE_RIGHT] = OPT_MARGIN;
    ed.field = EditCreate(page, 0, y + lt.height + 4, &et, &enb, title);
    if (!ed.field) return WIN_ERROR_CREATE;
    ed.sel = -1;
    ed.scratch[0] = 0;
    return 0;
}

int ResizeOption(WINDATUSR *rec) {
    if (!rec || !rec->win) return WIN_ERROR_NOWINDOW;
    return WinChildResize(rec->win);
}

int OptRadioValue(WINDATUSR *rec, int n) {
    if (!rec || !rec->win) return WIN_ERROR_ARG;
    return rec->i >= 0 && rec->i < n ? rec->i : -15;
}

// The docked toolbars that were laid out below the old menu bar follow the new one.
void OptMenuBarRenew() {
    WINDAT *main = WinFindTyp(WIN_MAIN);
    if (!main) return;
    WINDAT *old = WinChildFindTypState(main, WIN_TOOLBAR, 1);
    WINDAT *bar = WinMainToolbarCreate(0, 1, 0, 0);
    for (int i = 0; i < main->nchild; i++) {
        WINDAT *c = main->child[i];
        if (!c || c == bar) continue;
        for (WINDAT *&n : c->neighbor)
            if (old && n == old) n = bar;
    }
    ToolbarParentResize(main);
}

} // namespace

int *OptChkVariable(int status) {
    switch (status) {
    case OPT_CHK_FILESAVEEXIST:
        return &AskFileSaveExist;
    case OPT_CHK_FILEREMOVE:
        return &AskFileRemove;
    case OPT_CHK_PROGRAMEXIT:
        return &AskProgramExit;
    case OPT_CHK_ALBUMENTRYREMOVE:
        return &AskAlbumEntryRemove;
    case OPT_CHK_FILEINFO:
        return &AskFileInfoInWinPaint;
    case OPT_CHK_HINTBTNSYM:
        return &AskHintBtnSym;
    case OPT_CHK_HOUNSFIELD:
        return &HounsfieldUse;
    case OPT_CHK_FITLARGE:
        return &FitLargeImages;
    case OPT_CHK_EXIFROTATE:
        return &ExifRotate;
    default:
        return nullptr;
    }
}

int OptColorNameKnown(Display *display, const char *name) {
    if (!display || !name || !*name) return 0;
    XColor c;
    return XParseColor(display, main_colormap ? main_colormap : DefaultColormap(display, 0), name,
                       &c) != 0;
}

int OptFontNameKnown(Display *display, const char *name) {
    if (!display || !name || !*name) return 0;
    int n = 0;
    char **names = XListFonts(display, name, 1, &n);
    if (names) XFreeFontNames(names);
    return n > 0 || TextPatternKnown(name);
}

int OptBtnChkPress(WINDATUSR *rec) {
    if (!rec || !rec->win) return WIN_ERROR_ARG;
    int *v = OptChkVariable(rec->i);
    if (v) *v = rec->win->select ? 1 : 0;
    return 0;
}

int OptBtnChkUpdate(WINDAT *chk) {
    if (!chk) return WIN_ERROR_ARG;
    int *v = OptChkVariable(chk->status);
    if (!v) return WIN_ERROR_ARG;
    return BtnChkSetSelect(chk, *v ? 1 : 0);
}

int OptBtnRadioUpdate(WINDAT *group, int index) {
    if (!group || group->typ != WIN_GRP_RADIO) return WIN_ERROR_TYPE;
    int k = 0;
    for (int i = 0; i < group->nchild; i++) {
        WINDAT *r = group->child[i];
        if (!r || r->typ != WIN_BTN_RADIO) continue;
        BtnRadioSetSelect(r, k == index);
        k++;
    }
    return 0;
}

int OptAskFileOpen(WINDATUSR *rec) {
    int v = OptRadioValue(rec, 3);
    if (v >= 0) AskFileOpenWin = v;
    return 0;
}

int OptProgLang(WINDATUSR *rec) {
    int v = OptRadioValue(rec, 2);
    if (v >= 0) opt_rt[2] = v;
    return 0;
}

int OptProgMouseNrL(WINDATUSR *rec) {
    int v = OptRadioValue(rec, 3);
    if (v >= 0) opt_rt[0] = v + 1;
    return 0;
}

int OptDicomWindow(WINDATUSR *rec) {
    int v = OptRadioValue(rec, 3);
    if (v >= 0) DicomWindow = v;
    return 0;
}

int OptProgMouseNrR(WINDATUSR *rec) {
    int v = OptRadioValue(rec, 3);
    if (v >= 0) opt_rt[1] = v + 1;
    return 0;
}

int ListFuncMouseColor(WINDATUSR *rec) {
    if (!rec || !rec->win) return WIN_ERROR_ARG;
    int r = OptEditSelect(optColorEdit, ListEntryGetSelectNr(rec->win));
    if (r != 0) return r == -1 ? 0 : r;
    char text[200];
    int lang = Language();
    snprintf(text, sizeof text, "fg = %s   bg = %s", LgRes(66, lang), LgRes(67, lang));
    OptCaption(text);
    return 0;
}

int ListFuncMouseFont(WINDATUSR *rec) {
    if (!rec || !rec->win) return WIN_ERROR_ARG;
    int r = OptEditSelect(optFontEdit, ListEntryGetSelectNr(rec->win));
    if (r == 0) OptCaption(optFonts[optFontEdit.sel].key);
    return r == -1 ? 0 : r;
}

int OptValueSetup(WINDAT *page, int rows, int kind) {
    if (!page) return WIN_ERROR_ARG;
    int lang = Language();
    char title[200];
    switch (kind) {
    case OPT_PAGE_ASK:
    case OPT_PAGE_INFO: {
        static const int ask[] = {OPT_CHK_FILESAVEEXIST, OPT_CHK_FILEREMOVE, OPT_CHK_PROGRAMEXIT,
                                  OPT_CHK_FITLARGE, OPT_CHK_EXIFROTATE};
        static const int info[] = {OPT_CHK_FILEINFO, OPT_CHK_HINTBTNSYM};
        const char **labels = kind == OPT_PAGE_ASK ? szOPTIONPROGASK : szOPTIONPROGINFO;
        const int *status = kind == OPT_PAGE_ASK ? ask : info;
        int n = std::min(rows, kind == OPT_PAGE_ASK ? 5 : 2);
        WINDAT *prev = nullptr;
        for (int i = 0; i < n; i++)
            if (!(prev = OptCheck(page, prev, labels[i], status[i]))) return WIN_ERROR_CREATE;
        return 0;
    }
    case OPT_PAGE_WINDOW: {
        snprintf(title, sizeof title, " %s %s ", LgRes(0, lang), LgAct(0, lang));
        WINDAT *g1 = OptRadioGroup(page, OPT_MARGIN, OPT_MARGIN, szOPTIONPROGWINDOW, 3, title,
                                   OptAskFileOpen, AskFileOpenWin);
        if (!g1) return WIN_ERROR_CREATE;
        snprintf(title, sizeof title, " %s ", LgRes(10, lang));
        int y = OPT_MARGIN + g1->height + OPT_MARGIN;
        WINDAT *g2 =
            OptRadioGroup(page, OPT_MARGIN, y, szOPTIONPROGLANG, 2, title, OptProgLang, opt_rt[2]);
        if (!g2) return WIN_ERROR_CREATE;
        y += g2->height + OPT_MARGIN;
        if (rows < 3) return 0;
        snprintf(title, sizeof title, " %s %s ", LgRes(69, lang), LgRes(36, lang));
        WINDAT *g3 = OptRadioGroup(page, OPT_MARGIN, y, szOPTIONPROGMOUSE, 3, title,
                                   OptProgMouseNrL, opt_rt[0] - 1);
        if (!g3) return WIN_ERROR_CREATE;
        snprintf(title, sizeof title, " %s %s ", LgRes(69, lang), LgRes(38, lang));
        int x = OPT_MARGIN + g3->width + OPT_MARGIN;
        return OptRadioGroup(page, x, y, szOPTIONPROGMOUSE, 3, title, OptProgMouseNrR,
                             opt_rt[1] - 1)
                   ? 0
                   : -26;
    }
    case OPT_PAGE_DICOM: {
        WINDAT *chk = OptCheck(page, nullptr, "Hounsfield", OPT_CHK_HOUNSFIELD);
        if (!chk) return WIN_ERROR_CREATE;
        WINDAT *from = OptLabel(page, chk, 20, OPT_MARGIN, LgRes(63, lang));
        WINDAT *min = from ? OptNumberField(page, from, &HounsfieldMin) : nullptr;
        WINDAT *to = min ? OptLabel(page, min, 10, OPT_MARGIN, LgRes(64, lang)) : nullptr;
        WINDAT *max = to ? OptNumberField(page, to, &HounsfieldMax) : nullptr;
        if (!max) return -26;
        snprintf(title, sizeof title, " %s ", szOPTIONDICOMWINDOW[3]);
        int y = std::max(chk->height, max->height) + 3 * OPT_MARGIN;
        return OptRadioGroup(page, OPT_MARGIN, y, szOPTIONDICOMWINDOW, 3, title, OptDicomWindow,
                             std::clamp(DicomWindow, 0, 2))
                   ? 0
                   : -26;
    }
    default:
        return WIN_ERROR_ARG;
    }
}

int OptValueColorSetup(WINDAT *page) {
    if (!page) return WIN_ERROR_ARG;
    int lang = Language();
    int r = OptNameEditor(page, OPT_MARGIN, 150, optColorEdit, LgRes(7, lang), ListFuncMouseColor);
    if (r != 0) return r;
    return OptNameEditor(page, OPT_MARGIN + 150 + 2 * OPT_MARGIN, 110, optFontEdit, LgRes(8, lang),
                         ListFuncMouseFont);
}

int MF_OptionProgramCreate(Display *display) {
    if (!display) return WIN_ERROR_ARG;
    // One dialog at a time: the entry is disabled while it is open, and a key that still reaches
    // here finds it.
    if (wdnb) return 1;
    ToolkitLockGuard guard;
    int lang = Language();
    WINTYP t{};
    t.fg = fg_form;
    t.bg = bg_form;
    t.width = OPT_WIDTH;
    t.height = OPT_HEIGHT;
    t.border = 1;
    t.typ = WIN_DLGMSG;
    t.unvisible = 1;
    t.language = opt_rt[2];
    WINNEIGHBOR none{};
    int dw = WinGetDisplayWidth(display), dh = WinGetDisplayHeight(display);
    WINDAT *dlg = WinCreateFromRootExt(nullptr, std::max(0, (dw - OPT_WIDTH) / 2),
                                       std::max(0, (dh - OPT_HEIGHT) / 2), &t, &none,
                                       mainoptionL[lang], fontfs_text);
    if (!dlg) return WIN_ERROR_CREATE;
    WinOptRtUpdate(dlg, opt_rt);
    WinSetTransientForHint(dlg, WinFindTyp(WIN_MAIN));
    dlg->status = 6;
    CursorSet(dlg, cursorWatch);

    WINTYP bt = OptTyp(dlg, OPT_WIDTH - 2 * OPT_MARGIN, OPT_HEIGHT - 2 * OPT_MARGIN, BASE_CHAINED);
    WINNEIGHBOR bnb{};
    for (int &s : bnb.space)
        s = OPT_MARGIN;
    WINDAT *base = BaseCreate(dlg, 0, 0, &bt, &bnb, "optbase");
    WINTYP nt = OptTyp(dlg, bt.width, bt.height, 0);
    WINDAT *nb = base ? NotebookCreate(base, 0, 0, &nt, &none, "optnb", 1) : nullptr;
    if (!nb) {
        WinClose(dlg);
        return WIN_ERROR_CREATE;
    }
    wdnb = nb;
    int r = 0;
    for (int i = 0; i < 5 && r == 0; i++)
        r = NotebookPageCreate(nb, szOPTIONPROG[i]);
    if (r == 0) r = OptValueSetup(NotebookPageGetBase(nb, 0), 5, OPT_PAGE_ASK);
    if (r == 0) r = OptValueSetup(NotebookPageGetBase(nb, 1), 2, OPT_PAGE_INFO);
    if (r == 0) r = OptValueSetup(NotebookPageGetBase(nb, 2), 4, OPT_PAGE_WINDOW);
    if (r == 0) r = OptValueColorSetup(NotebookPageGetBase(nb, 3));
    if (r == 0) r = OptValueSetup(NotebookPageGetBase(nb, 4), 1, OPT_PAGE_DICOM);
    if (r == 0) r = NotebookPageCreate(nb, lang == LG_GERMAN ? "Archive" : "Archives");
    if (r == 0) r = ArchiveOptionPage(NotebookPageGetBase(nb, 5));
    WinSetFuncClose(dlg, OptCloseFunc);
    if (r != 0) {
        WinClose(dlg);
        return WIN_ERROR_CREATE;
    }
    MenuSetupDisable(600, M_MAIN_MENU[5], 1);
    WinSetFuncResize(dlg, ResizeOption);
    // Every tab in sight, in every language and font: the dialog grows to the row of tabs.
    if (int more = NotebookTabsWidth(nb) - nb->width; more > 0) {
        dlg->width += more;
        WinMoveResizeWindow(dlg, std::max(0, (dw - dlg->width) / 2),
                            std::max(0, (dh - OPT_HEIGHT) / 2), dlg->width, dlg->height);
        base->width += more;
        nb->width += more;
        WinResize(base, base->width, base->height);
        WinResize(nb, nb->width, nb->height);
    }
    WinChildResize(dlg);
    if (WINDAT *tab = NotebookPageGetBtn(nb, 0)) NotebookPageUpdate(tab);
    XUndefineCursor(display, dlg->window);
    WinShow(dlg, 1);
    WinFlush(display);
    DravikTrace("options open");
    return 0;
}

int OptNameCommit() {
    ArchiveOptionCommit();
    int a = OptEditCommit(optColorEdit), b = OptEditCommit(optFontEdit);
    return a != 0 ? a : b;
}

int OptCloseFunc(WINDATUSR *rec) {
    (void)rec;
    OptNameCommit();
    OptEditReset(optColorEdit);
    OptEditReset(optFontEdit);
    ArchiveOptionClose();
    wdnb = nullptr;
    // At the end of the program the windows go anyway; nothing is rebuilt for them.
    if (killProgram) return 0;
    Display *display = main_display;
    LibOptionRTUpdate(opt_rt);
    LanguageLabelInit(opt_rt[2]);
    LanguageMenuInit(display, opt_rt[2]);
    LanguageMenuProgInit(display, opt_rt[2]);
    OptMenuBarRenew();
    // The rebuilt menus come from their templates: give back the states that follow the image
    // and the toolbars.
    MenuFileViewUpdate();
    MenuSetupDisable(701, M_MAIN_MENU[6], TbFile ? 1 : 0);
    MenuSetupDisable(702, M_MAIN_MENU[6], TbDicom ? 1 : 0);
    MenuSetupDisable(600, M_MAIN_MENU[5], 0);
    DravikTrace("options closed language=%d mouse=%d,%d", opt_rt[2], opt_rt[0], opt_rt[1]);
    // A changed DICOM display setting reaches the pictures on screen.
    WinPaintDicomReread();
    return 0;
}
