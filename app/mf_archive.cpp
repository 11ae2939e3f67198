// The archive search window: archive chooser, query fields, the study and series list, and the
// retrieval of a series into the cache with its progress in the status line.
#include "app/mf_archive.h"

#include "app/main.h"
#include "app/wnd_paint.h"
#include "archive/arc_client.h"
#include "archive/arc_conf.h"
#include "base/language.h"
#include "base/settings.h"
#include "base/xerror.h"
#include "toolkit/xbase.h"
#include "toolkit/xcolor.h"
#include "toolkit/xinit.h"
#include "toolkit/xwinfunc.h"
#include "widgets/xbtn.h"
#include "widgets/xedit.h"
#include "widgets/xfilebox.h"
#include "widgets/xlabel.h"
#include "widgets/xlist.h"
#include "widgets/xscroll.h"
#include "widgets/xstatus.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace {

// German (Latin-1) and English.
const char *const L[][2] = {
    /*  0 */ {"Archiv durchsuchen", "Search archive"},
    /*  1 */ {"Archiv", "Archive"},
    /*  2 */ {"Patientenname", "Patient name"},
    /*  3 */ {"Patienten-ID", "Patient ID"},
    /*  4 */ {"Datum von", "Date from"},
    /*  5 */ {"bis", "to"},
    /*  6 */ {LgLatin1("Modalit\xe4t"), "Modality"},
    /*  7 */ {"Zugangsnummer", "Accession"},
    /*  8 */ {"Suchen", "Search"},
    /*  9 */
    {LgLatin1("\xd6"
              "ffnen"),
     "Open"},
    /* 10 */
    {LgLatin1("Zur\xfc"
              "ck"),
     "Back"},
    /* 11 */ {"Abbrechen", "Cancel"},
    /* 12 */
    {LgLatin1(
         "Keine Archive. Die Archive stehen in\n%s\n(nur f\xfcr den Besitzer lesbar: Modus 0600)."),
     "No archives. The archives are listed in\n%s\n(readable by its owner only: mode "
     "0600)."},
    /* 13 */ {"%d Studien", "%d studies"},
    /* 14 */ {"%d Serien", "%d series"},
    /* 15 */ {"%d Bilder, %.1f MiB", "%d instances, %.1f MiB"},
    /* 16 */ {"abgebrochen: %d Bilder behalten", "cancelled: %d instances kept"},
    /* 17 */ {"Datum als JJJJMMTT", "Date as YYYYMMDD"},
    /* 18 */ {"Suche...", "Searching..."},
    /* 19 */ {"%d Bilder in %s", "%d instances in %s"},
    /* 20 */ {LgLatin1("Eine Suche oder ein Abruf l\xe4uft"), "A search or retrieval is running"},
    /* 21 */ {"Name", "Name"},
    /* 22 */ {"URL", "URL"},
    /* 23 */ {"Benutzer", "User"},
    /* 24 */ {"Passwort", "Password"},
    /* 25 */ {"Token", "Token"},
    /* 26 */ {LgLatin1("Hinzuf\xfcgen"), "Add"},
    /* 27 */ {LgLatin1("\xc4ndern"), "Change"},
    /* 28 */ {"Entfernen", "Remove"},
    /* 29 */ {"Cache-Grenze (MiB)", "Cache limit (MiB)"},
    /* 30 */
    {"Ein Archiv braucht einen neuen Namen und eine URL mit http:// oder https://",
     "An archive needs a new name and a URL starting with http:// or https://"},
    /* 31 */
    {"Die Archivdatei wurde nicht gelesen und bleibt, wie sie ist:\n",
     "The archives file was not read and stays as it is:\n"},
    /* 32 */
    {"Patient              ID         Datum      Mod.  Beschreibung       Ser. Bild.",
     "Patient              ID         Date       Mod.  Description        Ser. Inst."},
    /* 33 */
    {"  Nr  Mod.   Beschreibung                             Bild.",
     "  No  Mod.   Description                              Inst."},
};

const char *T(int row, int language) {
    return L[row][language == LG_GERMAN ? 0 : 1];
}

enum { AW_W = 780, AW_H = 560, AW_ROW = 30, AW_FIELDS = 6 };
enum { AW_LIST_STUDIES = 0, AW_LIST_SERIES = 1 };

// The window's state, shared with the worker of the running job; the widgets are touched only
// under the toolkit lock and while `closed` is 0 (set under the lock).
struct ARCWIN {
    WINDAT *win = nullptr;
    Window window = 0; // to find the record in the registry, which the end of the program empties
    WINDAT *chooser = nullptr; // list of archive names
    WINDAT *field[AW_FIELDS] = {};
    WINDAT *list = nullptr;
    WINDAT *header = nullptr; // the column names over the list
    WINDAT *status = nullptr;
    int language = LG_ENGLISH;
    int closed = 0;
    std::vector<ARCHIVE> archives;
    // Set by the worker before it shows them, read under the lock.
    std::vector<ARCSTUDY> studies;
    std::vector<ARCSERIES> series;
    int showing = AW_LIST_STUDIES;
    std::string study; // the study whose series are listed
    std::atomic<int> busy{0};
    std::atomic<int> cancel{0};
    // The worker's own: the connection (reused while the same archive is chosen).
    ARCCONN *conn = nullptr;
    std::string conn_url;
    ~ARCWIN() {
        if (conn) ArcClose(conn);
    }
};

std::shared_ptr<ARCWIN> cur;

WINDAT *Label(WINDAT *parent, int x, int y, int w, const char *text) {
    WINTYP t = MainWinTyp(w, std::max(LabelGetInitHeight(text, 0), AW_ROW - 6), parent->language,
                          fg_label, parent->bg);
    WINNEIGHBOR nb{};
    return LabelCreate(parent, x, y, &t, &nb, text);
}

WINDAT *Field(WINDAT *parent, int x, int y, int w, int maxchars, int kind = EDIT_SINGLE) {
    WINTYP t = MainWinTyp(w, EditGetInitHeight("X", 0, 1), parent->language, fg_edit, bg_edit);
    t.state = kind;
    // A field keeps its place when the toolkit lays the parent out again: its sides are given
    // as distances from the parent's.
    WINNEIGHBOR nb{};
    nb.space[WIN_SIDE_LEFT] = x;
    nb.space[WIN_SIDE_RIGHT] = std::max(0, parent->width - x - w);
    WINDAT *f = EditCreate(parent, 0, y, &t, &nb, "edit");
    if (f) EditTextSetCharMax(f, maxchars);
    return f;
}

WINDAT *Button(WINDAT *parent, int x, int y, const char *text, WINFUNC fn, int width = 0) {
    WINTYP t = MainWinTyp(width ? width : BtnGetInitWidth(text, 0), BtnGetInitHeight(text, 0),
                          parent->language, fg_btn, bg_btn);
    t.state = BTN_PUSH;
    WINNEIGHBOR nb{};
    return BtnCreate(parent, x, y, &t, &nb, text, fn);
}

// A list in a scroll window inside a box of fixed geometry, which the toolkit never stretches.
WINDAT *ScrollList(WINDAT *parent, int x, int y, int w, int h, const char *name) {
    WINTYP bt = MainWinTyp(w, h, parent->language, parent->fg, parent->bg);
    bt.state = BASE_FIXED;
    WINNEIGHBOR nb{};
    WINDAT *box = BaseCreate(parent, x, y, &bt, &nb, "listbox");
    if (!box) return nullptr;
    WINTYP t = MainWinTyp(w, h, parent->language, fg_list, bg_list);
    WINDAT *scroll = ScrollWndCreate(box, 0, 0, &t, &nb, name, nullptr, WIN_LIST, 1, 0, 0);
    return scroll ? ScrollGetScrollWnd(scroll) : nullptr;
}

std::string Field(const ARCWIN *w, int i) {
    const char *s = w->field[i] ? EditTextGet(w->field[i]) : nullptr;
    std::string v = s ? s : "";
    // Blanks around a value are never meant.
    size_t a = v.find_first_not_of(' '), b = v.find_last_not_of(' ');
    return a == std::string::npos ? "" : v.substr(a, b - a + 1);
}

std::string Count(long n) {
    return n < 0 ? "-" : std::to_string(n);
}

std::string Date(const std::string &d) {
    if (d.size() != 8) return d;
    return d.substr(0, 4) + "-" + d.substr(4, 2) + "-" + d.substr(6, 2);
}

// ---- the worker's side

// Runs `fn` under the toolkit lock while the window is open, then sends what it drew.
bool Gone(const ARCWIN *w) {
    return w->closed || killProgram || WinFind(w->window) != w->win;
}

template <class F> void Ui(const std::shared_ptr<ARCWIN> &w, F fn) {
    ToolkitLockGuard guard;
    if (Gone(w.get())) return;
    fn();
    XFlush(w->win->usr.display);
}

void ShowStatus(const std::shared_ptr<ARCWIN> &w, const std::string &text) {
    Ui(w, [&] { StatusSetMsg(w->status, text.c_str(), 1); });
}

// Errors in a box: the client's messages name the archive by its redacted URL only.
void Fail(const std::shared_ptr<ARCWIN> &w, const std::string &err) {
    ToolkitLockGuard guard;
    if (killProgram) return;
    if (!Gone(w.get())) StatusSetMsg(w->status, "", 1);
    MsgErrWin(w->language, err.c_str(), -25);
    XFlush(main_display);
}

// The connection for `a`, opened again when another archive is chosen.
ARCCONN *Conn(ARCWIN *w, const ARCHIVE &a, std::string *err) {
    if (w->conn && w->conn_url == a.url) return w->conn;
    if (w->conn) ArcClose(w->conn);
    w->conn = ArcOpen(a, err);
    w->conn_url = w->conn ? a.url : "";
    return w->conn;
}

void ShowStudies(ARCWIN *w) {
    ListEntryClear(w->list);
    for (const ARCSTUDY &s : w->studies)
        ListEntryAdd(w->list, ArchiveStudyLine(s).c_str(), 0);
    w->showing = AW_LIST_STUDIES;
    LabelSet(w->header, T(32, w->language));
    if (!w->studies.empty()) ListEntrySetSelectNr(w->list, 0);
    ScrollWndUpdateFromChild(w->list);
    ListPaint(w->list);
    char text[80];
    snprintf(text, sizeof text, T(13, w->language), static_cast<int>(w->studies.size()));
    StatusSetMsg(w->status, text, 1);
}

void ShowSeries(ARCWIN *w) {
    ListEntryClear(w->list);
    for (const ARCSERIES &s : w->series)
        ListEntryAdd(w->list, ArchiveSeriesLine(s).c_str(), 0);
    w->showing = AW_LIST_SERIES;
    LabelSet(w->header, T(33, w->language));
    if (!w->series.empty()) ListEntrySetSelectNr(w->list, 0);
    ScrollWndUpdateFromChild(w->list);
    ListPaint(w->list);
    char text[80];
    snprintf(text, sizeof text, T(14, w->language), static_cast<int>(w->series.size()));
    StatusSetMsg(w->status, text, 1);
}

void JobFind(std::shared_ptr<ARCWIN> w, ARCHIVE a, ARCQUERY q) {
    std::string err;
    std::vector<ARCSTUDY> found;
    ARCCONN *c = Conn(w.get(), a, &err);
    int rc = c ? ArcFindStudies(c, q, &found, &err) : ARC_ERR_NET;
    DravikTrace("archive find rc=%d studies=%d", rc, static_cast<int>(found.size()));
    if (rc != ARC_OK) {
        Fail(w, err);
    } else {
        Ui(w, [&] {
            w->studies = std::move(found);
            ShowStudies(w.get());
        });
    }
    w->busy = 0;
}

void JobSeries(std::shared_ptr<ARCWIN> w, ARCHIVE a, std::string study) {
    std::string err;
    std::vector<ARCSERIES> found;
    ARCCONN *c = Conn(w.get(), a, &err);
    int rc = c ? ArcFindSeries(c, study, &found, &err) : ARC_ERR_NET;
    DravikTrace("archive series rc=%d series=%d", rc, static_cast<int>(found.size()));
    if (rc != ARC_OK) {
        Fail(w, err);
    } else {
        Ui(w, [&] {
            w->series = std::move(found);
            w->study = study;
            ShowSeries(w.get());
        });
    }
    w->busy = 0;
}

// A retrieval's progress and first picture, on the worker thread.
struct GETSTATE {
    std::shared_ptr<ARCWIN> w;
    int shown_instances = -1;
    long long shown_bytes = 0;
    bool opened = false;
    std::string dir;
};

int GetStep(void *ctx, int instances, long long bytes) {
    auto *g = static_cast<GETSTATE *>(ctx);
    // The status line follows each instance and every quarter MiB between them.
    if (instances != g->shown_instances || bytes - g->shown_bytes >= (256 << 10)) {
        g->shown_instances = instances;
        g->shown_bytes = bytes;
        char text[120];
        snprintf(text, sizeof text, T(15, g->w->language), instances,
                 static_cast<double>(bytes) / (1 << 20));
        ShowStatus(g->w, text);
    }
    return g->w->cancel ? 1 : 0;
}

// The first instance opens at once, through the file box's open path, so that n and p walk
// the series directory while the rest arrives.
void GetWritten(void *ctx, const std::string &path) {
    auto *g = static_cast<GETSTATE *>(ctx);
    if (g->opened) return;
    g->opened = true;
    ToolkitLockGuard guard;
    if (killProgram) return;
    WINDAT *main = WinFindTyp(WIN_MAIN);
    if (WINDAT *box = main ? WinChildFindTypTree(main, WIN_FILEBOX) : nullptr)
        FileboxDirEnter(box, g->dir.c_str());
    SymbolFileOpen(path.c_str());
    XFlush(main_display);
}

void JobGet(std::shared_ptr<ARCWIN> w, ARCHIVE a, std::string study, std::string series) {
    std::string err;
    std::string root = ArcCacheRoot();
    GETSTATE g;
    g.w = w;
    int count = 0, rc = ARC_ERR_FILE;
    if (root.empty()) {
        err = "no cache directory: neither XDG_CACHE_HOME nor HOME is set";
    } else {
        g.dir = ArcCacheSeriesDir(root, study, series, &err);
        ARCCONN *c = g.dir.empty() ? nullptr : Conn(w.get(), a, &err);
        if (c) {
            ARCPROGRESS p{&g, GetStep, GetWritten};
            rc = ArcRetrieve(c, study, series, g.dir, &p, &count, &err);
        } else if (!g.dir.empty()) {
            rc = ARC_ERR_NET;
        }
    }
    if (!g.dir.empty()) ArcCacheTrim(root, ArchiveCacheLimit, g.dir);
    DravikTrace("archive get rc=%d instances=%d", rc, count);
    char text[4200];
    if (rc == ARC_ERR_CANCEL) {
        snprintf(text, sizeof text, T(16, w->language), count);
        ShowStatus(w, text);
    } else if (rc != ARC_OK) {
        Fail(w, err);
    } else {
        snprintf(text, sizeof text, T(19, w->language), count, g.dir.c_str());
        ShowStatus(w, text);
        // The file box, still in the series, lists what arrived after the first picture too.
        ToolkitLockGuard guard;
        WINDAT *main = killProgram ? nullptr : WinFindTyp(WIN_MAIN);
        WINDAT *box = main ? WinChildFindTypTree(main, WIN_FILEBOX) : nullptr;
        const char *at = box ? FileboxGetCurPath(box) : nullptr;
        if (at && g.opened && g.dir == at) FileboxDirEnter(box, g.dir.c_str());
        if (main) XFlush(main_display);
    }
    w->cancel = 0;
    w->busy = 0;
}

// ---- the window's side (toolkit lock held)

const ARCHIVE *Chosen(ARCWIN *w) {
    if (w->archives.empty() || !w->chooser) return nullptr;
    int n = ListEntryGetSelectNr(w->chooser);
    if (n < 0 || n >= static_cast<int>(w->archives.size())) n = 0;
    return &w->archives[static_cast<size_t>(n)];
}

// Starts `job` on its own thread unless one runs; false with a word in the status line.
template <class F> bool Start(const std::shared_ptr<ARCWIN> &w, F job) {
    if (w->busy) {
        StatusSetMsg(w->status, T(20, w->language), 1);
        return false;
    }
    w->busy = 1;
    w->cancel = 0;
    try {
        std::thread(job).detach();
    } catch (const std::system_error &e) {
        w->busy = 0;
        MsgErrThr(w->language, "archive", -301, e.code().value());
        return false;
    }
    return true;
}

int ArchiveSearch(WINDATUSR *) {
    std::shared_ptr<ARCWIN> w = cur;
    if (!w) return -20;
    const ARCHIVE *a = Chosen(w.get());
    if (!a) {
        char text[4200];
        snprintf(text, sizeof text, T(12, w->language), ArcConfPath().c_str());
        MsgErrWin(w->language, text, -25);
        return -15;
    }
    ARCQUERY q;
    q.patient = Field(w.get(), 0);
    q.patient_id = Field(w.get(), 1);
    q.date = ArchiveDateRange(Field(w.get(), 2), Field(w.get(), 3));
    q.modality = Field(w.get(), 4);
    q.accession = Field(w.get(), 5);
    if (q.date == "?") {
        StatusSetMsg(w->status, T(17, w->language), 1);
        return -15;
    }
    ARCHIVE copy = *a;
    if (Start(w, [w, copy, q] { JobFind(w, copy, q); }))
        StatusSetMsg(w->status, T(18, w->language), 1);
    return 0;
}

// Open on a study lists its series; on a series retrieves it.
int ArchiveOpenEntry(WINDATUSR *) {
    std::shared_ptr<ARCWIN> w = cur;
    if (!w) return -20;
    const ARCHIVE *a = Chosen(w.get());
    int n = ListEntryGetSelectNr(w->list);
    if (!a || n < 0) return -15;
    ARCHIVE copy = *a;
    if (w->showing == AW_LIST_STUDIES) {
        if (n >= static_cast<int>(w->studies.size())) return -15;
        std::string study = w->studies[static_cast<size_t>(n)].study_uid;
        if (Start(w, [w, copy, study] { JobSeries(w, copy, study); }))
            StatusSetMsg(w->status, T(18, w->language), 1);
        return 0;
    }
    if (n >= static_cast<int>(w->series.size())) return -15;
    std::string study = w->study, series = w->series[static_cast<size_t>(n)].series_uid;
    if (Start(w, [w, copy, study, series] { JobGet(w, copy, study, series); })) {
        char text[120];
        snprintf(text, sizeof text, T(15, w->language), 0, 0.0);
        StatusSetMsg(w->status, text, 1);
    }
    return 0;
}

int ArchiveBack(WINDATUSR *) {
    std::shared_ptr<ARCWIN> w = cur;
    if (!w || w->showing == AW_LIST_STUDIES) return 0;
    ShowStudies(w.get());
    return 0;
}

int ArchiveCancel(WINDATUSR *) {
    if (cur && cur->busy) cur->cancel = 1;
    return 0;
}

// A double click on an entry opens it, as Open does.
int ArchiveListMouse(WINDATUSR *rec) {
    if (!rec || !rec->win || !rec->win->dblclick) return 0;
    rec->win->dblclick = 0;
    return ArchiveOpenEntry(rec);
}

int ArchiveClose(WINDATUSR *rec) {
    if (!rec || !rec->win) return -20;
    if (cur && cur->win == rec->win) {
        // A running job stops at its next step and finds the window gone.
        cur->cancel = 1;
        cur->closed = 1;
        cur.reset();
    }
    WinSetFuncClose(rec->win, nullptr);
    WinClose(rec->win);
    return 1;
}

void FillChooser(ARCWIN *w) {
    std::string err;
    int rc = ArcConfLoad(ArcConfPath(), &w->archives, &err);
    if (rc < 0) {
        w->archives.clear();
        MsgErrWin(w->language, err.c_str(), -25);
    }
    for (const ARCHIVE &a : w->archives)
        ListEntryAdd(w->chooser, a.name.c_str(), 0);
    if (!w->archives.empty()) {
        ListEntrySetSelectNr(w->chooser, 0);
    } else if (rc >= 0) {
        char text[4200];
        snprintf(text, sizeof text, T(12, w->language), ArcConfPath().c_str());
        StatusSetMsg(w->status, text, 1);
        MsgErrWin(w->language, text, -25);
    }
    ScrollWndUpdateFromChild(w->chooser);
    ListPaint(w->chooser);
}

// ---- the options page

struct ARCOPT {
    WINDAT *list = nullptr;
    WINDAT *field[5] = {}; // name, URL, user, password, token
    WINDAT *limit = nullptr;
    Window limit_window = 0; // asked of the registry before the field is read
    std::vector<ARCHIVE> archives;
    // The file could not be read: the page shows nothing it could save over it.
    std::string broken;
    int language = LG_ENGLISH;
};
ARCOPT opt;

void OptFill() {
    ListEntryClear(opt.list);
    for (const ARCHIVE &a : opt.archives)
        ListEntryAdd(opt.list, a.name.c_str(), 0);
    ScrollWndUpdateFromChild(opt.list);
    ListPaint(opt.list);
}

void OptShow(const ARCHIVE &a) {
    const std::string *v[5] = {&a.name, &a.url, &a.user, &a.password, &a.token};
    for (int i = 0; i < 5; i++)
        if (opt.field[i]) EditTextNew(opt.field[i], v[i]->c_str(), 0);
}

std::string OptText(int i) {
    const char *s = opt.field[i] ? EditTextGet(opt.field[i]) : nullptr;
    return s ? s : "";
}

// The fields as an entry; false when the name is empty or taken by another entry (`self` is
// the entry being changed), or the URL is not http(s).
bool OptEntry(ARCHIVE *a, int self) {
    a->name = OptText(0);
    a->url = OptText(1);
    a->user = OptText(2);
    a->password = OptText(3);
    a->token = OptText(4);
    while (!a->url.empty() && a->url.back() == '/')
        a->url.pop_back();
    bool web = a->url.rfind("http://", 0) == 0 || a->url.rfind("https://", 0) == 0;
    bool named = !a->name.empty() && a->name.find_first_of("[]\n") == std::string::npos;
    for (size_t i = 0; i < opt.archives.size(); i++)
        if (static_cast<int>(i) != self && opt.archives[i].name == a->name) named = false;
    if (!web || !named) MsgErrWin(opt.language, T(30, opt.language), -25);
    return web && named;
}

// Saves `next` as the archives file; the page keeps the old list when that fails.
int OptSave(std::vector<ARCHIVE> next) {
    if (!opt.broken.empty()) {
        MsgErrWin(opt.language, (T(31, opt.language) + opt.broken).c_str(), -25);
        return -1;
    }
    std::string err;
    int rc = ArcConfSave(ArcConfPath(), next, &err);
    DravikTrace("archives saved rc=%d entries=%d", rc, static_cast<int>(next.size()));
    if (rc != 0) {
        MsgErrWin(opt.language, err.c_str(), -25);
        return rc;
    }
    opt.archives = std::move(next);
    OptFill();
    return 0;
}

int OptSelected() {
    int n = opt.list ? ListEntryGetSelectNr(opt.list) : -1;
    return n >= 0 && n < static_cast<int>(opt.archives.size()) ? n : -1;
}

int OptAdd(WINDATUSR *) {
    ARCHIVE a;
    if (!OptEntry(&a, -1)) return -15;
    std::vector<ARCHIVE> next = opt.archives;
    next.push_back(a);
    return OptSave(next);
}

int OptChange(WINDATUSR *) {
    int n = OptSelected();
    ARCHIVE a;
    if (n < 0 || !OptEntry(&a, n)) return -15;
    std::vector<ARCHIVE> next = opt.archives;
    a.cafile = next[static_cast<size_t>(n)].cafile;
    next[static_cast<size_t>(n)] = a;
    return OptSave(next);
}

int OptRemove(WINDATUSR *) {
    int n = OptSelected();
    if (n < 0) return -15;
    std::vector<ARCHIVE> next = opt.archives;
    next.erase(next.begin() + n);
    return OptSave(next);
}

int OptListMouse(WINDATUSR *) {
    int n = OptSelected();
    if (n >= 0) OptShow(opt.archives[static_cast<size_t>(n)]);
    return 0;
}

} // namespace

int ArchiveOptionPage(WINDAT *page) {
    if (!page) return -15;
    opt = ARCOPT();
    opt.language = page->language;
    int lang = opt.language;
    std::string err;
    if (ArcConfLoad(ArcConfPath(), &opt.archives, &err) < 0) {
        opt.archives.clear();
        opt.broken = err;
    }
    opt.list = ScrollList(page, 10, 10, 160, 200, "archives");
    if (!opt.list) return -26;
    WinSetFuncMouse(opt.list, OptListMouse);
    const int lw = 90, x = 180;
    for (int i = 0; i < 5; i++) {
        int y = 10 + i * AW_ROW;
        Label(page, x, y + 2, lw, T(21 + i, lang));
        opt.field[i] = Field(page, x + lw, y, page->width - x - lw - 20, i == 1 ? 300 : 128,
                             i == 3 ? EDIT_PASSWORD : EDIT_SINGLE);
        if (!opt.field[i]) return -26;
    }
    int by = 10 + 5 * AW_ROW + 10, bx = x;
    const WINFUNC fns[3] = {OptAdd, OptChange, OptRemove};
    for (int i = 0; i < 3; i++) {
        WINDAT *b = Button(page, bx, by, T(26 + i, lang), fns[i], 100);
        if (!b) return -26;
        bx += b->width + 8;
    }
    Label(page, 10, 230, 160, T(29, lang));
    opt.limit = Field(page, 180, 228, page->width - 200, 9, EDIT_NUMBER);
    if (!opt.limit) return -26;
    opt.limit_window = opt.limit->window;
    EditValueMinMaxSet(opt.limit, 1, 16 << 20);
    std::string mib = std::to_string(ArchiveCacheLimit >> 20);
    EditTextNew(opt.limit, mib.c_str(), 0);
    OptFill();
    if (!opt.broken.empty()) Label(page, 10, 270, page->width - 20, T(31, lang));
    return 0;
}

void ArchiveOptionCommit() {
    // At the end of the program the page's fields may be gone before the dialog.
    if (!opt.limit || WinFind(opt.limit_window) != opt.limit) return;
    const char *s = EditTextGet(opt.limit);
    long long mib = s ? atoll(s) : 0;
    if (mib >= 1 && mib <= (16LL << 20)) ArchiveCacheLimit = mib << 20;
}

void ArchiveOptionClose() {
    ArchiveOptionCommit();
    opt = ARCOPT();
}

std::string ArchiveStudyLine(const ARCSTUDY &s) {
    char line[600];
    snprintf(line, sizeof line, "%-20.20s %-10.10s %-10.10s %-5.5s %-18.18s %4s %5s",
             s.patient.c_str(), s.patient_id.c_str(), Date(s.date).c_str(), s.modalities.c_str(),
             s.description.c_str(), Count(s.series).c_str(), Count(s.instances).c_str());
    return line;
}

std::string ArchiveSeriesLine(const ARCSERIES &s) {
    char line[400];
    snprintf(line, sizeof line, "%4s  %-6.6s %-40.40s %5s", Count(s.number).c_str(),
             s.modality.c_str(), s.description.c_str(), Count(s.instances).c_str());
    return line;
}

std::string ArchiveDateRange(const std::string &from, const std::string &to) {
    auto ok = [](const std::string &d) {
        return d.empty() ||
               (d.size() == 8 && d.find_first_not_of("0123456789") == std::string::npos);
    };
    if (!ok(from) || !ok(to)) return "?";
    if (from.empty() && to.empty()) return "";
    if (from == to) return from;
    return from + "-" + to;
}

int MF_ArchiveOpen(Display *display) {
    if (!display) return -15;
    if (cur && !cur->closed) {
        XRaiseWindow(display, cur->win->window);
        return 0;
    }
    auto w = std::make_shared<ARCWIN>();
    w->language = opt_rt[2];
    WINTYP t = MainWinTyp(AW_W, AW_H, w->language, fg_form, bg_form);
    t.typ = WIN_BASE;
    t.unvisible = 1;
    WINNEIGHBOR nb{};
    const char *title = T(0, w->language);
    WINDAT *win = WinCreateFromRootExt(nullptr, 0, 0, &t, &nb, "archive", fontfs_text);
    if (!win) return -26;
    w->win = win;
    w->window = win->window;
    WinSetWinTitle(win, title);
    WinSetFuncClose(win, ArchiveClose);

    const int lw = 130, fw = 220, col2 = 400;
    Label(win, 10, 10, lw, T(1, w->language));
    w->chooser = ScrollList(win, 10 + lw, 8, fw + 120, 3 * AW_ROW - 20, "archives");
    const int rows[3] = {90, 90 + AW_ROW, 90 + 2 * AW_ROW};
    const int words[AW_FIELDS] = {2, 3, 4, 5, 6, 7};
    for (int i = 0; i < AW_FIELDS; i++) {
        int x = i % 2 ? col2 : 10, y = rows[i / 2];
        Label(win, x, y + 2, lw, T(words[i], w->language));
        w->field[i] = Field(win, x + lw, y, i % 2 ? fw + 20 : fw, i < 2 ? 64 : 16);
    }
    int by = rows[2] + AW_ROW + 10;
    WINDAT *b = Button(win, 10, by, T(8, w->language), ArchiveSearch);
    int bx = 10 + (b ? b->width : 80) + 10;
    b = Button(win, bx, by, T(9, w->language), ArchiveOpenEntry);
    bx += (b ? b->width : 80) + 10;
    b = Button(win, bx, by, T(10, w->language), ArchiveBack);
    bx += (b ? b->width : 80) + 10;
    Button(win, bx, by, T(11, w->language), ArchiveCancel);
    int ly = by + AW_ROW + 24;
    w->header = Label(win, 24, ly - 20, AW_W - 38, T(32, w->language));
    WINTYP st = MainWinTyp(AW_W, StatusGetHeight(), w->language, fg_status, bg_status);
    w->status = StatusCreate(win, &st, "status", STATUS_BOTTOM, 1);
    w->list = ScrollList(win, 10, ly, AW_W - 20, AW_H - ly - StatusGetHeight() - 10, "studies");
    if (!w->chooser || !w->list || !w->status || !w->header || !w->field[AW_FIELDS - 1]) {
        WinSetFuncClose(win, nullptr);
        WinClose(win);
        return -26;
    }
    WinSetFuncMouse(w->list, ArchiveListMouse);
    WinSetFuncReturn(w->list, ArchiveOpenEntry);
    cur = w;
    WinShow(win, 1);
    FillChooser(w.get());
    XFlush(display);
    DravikTrace("archive window archives=%d", static_cast<int>(w->archives.size()));
    return 0;
}
