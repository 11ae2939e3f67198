#include "widgets/xedit.h"

#include "base/allg.h"
#include "base/lg.h"
#include "base/utf8.h"
#include "base/xmem.h"
#include "toolkit/xcolor.h"
#include "toolkit/xevent.h"
#include "toolkit/xinit.h"
#include "toolkit/xselect.h"
#include "toolkit/xtext.h"
#include "toolkit/xtools.h"
#include "toolkit/xwinfunc.h"

#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

static const long EDIT_INPUT = KeyPressMask | KeyReleaseMask | ButtonPressMask | ButtonReleaseMask |
                               ButtonMotionMask | ExposureMask;
enum { EDIT_CURSOR_SHAPE = 152 };

// Shared by all fields: the last press, and the last click of a possible double click.
static Time editPressTime = 0;
static Time editClickTime = 0;
static bool editClickValid = false;

// What the owner bound the text to; held in text slot 1.
struct EDITBIND {
    int *value;
    char *text;
    int size;
};

static bool IsEdit(const WINDAT *e) {
    return e && e->typ == WIN_EDIT_TXT;
}

static int *Ints(WINDAT *e) {
    return e && e->usr.im && e->usr.im[0] > EDIT_INTS ? e->usr.im : nullptr;
}

static int Get(WINDAT *e, int slot) {
    int *im = Ints(e);
    return im ? im[slot] : 0;
}

static void Set(WINDAT *e, int slot, int v) {
    if (int *im = Ints(e)) im[slot] = v;
}

static EDITBIND *Bind(WINDAT *e) {
    return e && e->usr.strm ? reinterpret_cast<EDITBIND *>(e->usr.strm[1]) : nullptr;
}

static int CharWidth() {
    return std::max(1, WinGetTextWidth(fontfs_text, WIN_TEXT_SAMPLE, 1));
}

static int Len(WINDAT *e) {
    return e->usr.str ? static_cast<int>(strlen(e->usr.str)) : 0;
}

static bool MultiLine(const WINDAT *e) {
    return e->state == EDIT_MULTI || e->state == EDIT_MULTI1;
}

static bool InFly(const WINDAT *e) {
    return e->usr.parent && e->usr.parent->typ == WIN_EDIT_FLY;
}

// Pixel width of characters [from, to) of the text.
static int Span(WINDAT *e, int from, int to) {
    if (!e->usr.str || to <= from) return 0;
    return WinGetTextWidth(fontfs_text, e->usr.str + from, to - from);
}

// Positions are byte offsets into the UTF-8 text, always on a character boundary.
static int Before(WINDAT *e, int pos) {
    return e->usr.str ? int(Utf8Prev(e->usr.str, size_t(Len(e)), size_t(std::max(pos, 0)))) : 0;
}

static int After(WINDAT *e, int pos) {
    int len = Len(e);
    return e->usr.str && pos < len ? int(Utf8After(e->usr.str, size_t(len), size_t(pos))) : len;
}

// The boundary at or before pos.
static int Boundary(WINDAT *e, int pos) {
    int len = Len(e);
    if (!e->usr.str || pos <= 0) return 0;
    return int(Utf8Cut(e->usr.str, size_t(len), size_t(std::min(pos, len))));
}

// The character boundary nearest to x, counting from the first visible character.
static int IndexAt(WINDAT *e, int x) {
    int first = Boundary(e, Get(e, EDIT_FIRST)), len = Len(e);
    int best = first, bestd = INT_MAX;
    for (int i = first; i <= len; i = i < len ? After(e, i) : len + 1) {
        int d = abs(Span(e, first, i) - x);
        if (d < bestd) best = i, bestd = d;
        if (Span(e, first, i) > x) break;
    }
    return best;
}

// ---- creation and release

static int EditEvPress(WINDAT *e);

void EditEvInit() {
    static const WINEVHANDLER h = {EditEvPress, EditTextRelease, nullptr,
                                   EditTextKey, nullptr,         nullptr};
    WinEvHandlerSet(WIN_EDIT_TXT, &h);
}

WINDAT *EditCreate(WINDAT *parent, int x, int y, WINTYP *typ, const WINNEIGHBOR *nb,
                   const char *name) {
    if (!parent || !typ || !nb) return nullptr;
    EditEvInit();
    typ->typ = WIN_EDIT_TXT;
    WINTYP t = *typ;
    if (!t.func[WIN_FUNC_EXPOSE]) t.func[WIN_FUNC_EXPOSE] = ExposeEdit;
    if (!t.func[WIN_FUNC_RESIZE]) t.func[WIN_FUNC_RESIZE] = ResizeEdit;
    WINDAT *e = WinCreate(parent, x, y, &t, nb, name, fontfs_text);
    if (!e) return nullptr;
    WinSetFuncIntClose(e, EditFuncIntClose);
    if (e->window) {
        WinSelectInput(e->usr.display, e->window, EDIT_INPUT);
        e->cursor = CursorCreate(e->usr.display, EDIT_CURSOR_SHAPE);
        CursorSet(e, e->cursor);
        TextInputOpen(e->usr.display, e->window);
    }
    if (WinUSRIntArrayCreate(e, EDIT_INTS) != 0 || WinUSRStringArrayCreate(e, 1) != 0) {
        WinClose(e);
        return nullptr;
    }
    EditDefaultSet(e);
    Set(e, EDIT_CHARMAX, 0);
    Set(e, EDIT_MIN, 0);
    Set(e, EDIT_MAX, 0);
    Set(e, EDIT_BOUND, 0);
    return e;
}

int EditFuncIntClose(WINDATUSR *rec) {
    if (!rec || !rec->win) return WIN_ERROR_NOWINDOW;
    WINDAT *e = rec->win;
    if (e->window) TextInputClose(e->window), SelForget(e->window);
    WinUSRStringRemove(e);
    if (EDITBIND *b = Bind(e)) MemFree(b, "edit");
    WinUSRStringArrayRemove(e);
    return WinUSRIntArrayRemove(e);
}

int ExposeEdit(WINDATUSR *rec) {
    if (!rec || !rec->win) return WIN_ERROR_NOWINDOW;
    return EditTextPaint(rec->win);
}

int ResizeEdit(WINDATUSR *rec) {
    if (!rec || !rec->win) return WIN_ERROR_NOWINDOW;
    return EditResize(rec->win);
}

// ---- text and bindings

int EditDefaultSet(WINDAT *e) {
    if (!e) return WIN_ERROR_ARG;
    if (!Ints(e)) return WIN_ERROR_MEMORY;
    for (int s :
         {EDIT_CURSOR, EDIT_PRESSX, EDIT_SELX, EDIT_SELSTART, EDIT_SELEND, EDIT_FIRST, EDIT_LEN})
        Set(e, s, 0);
    Set(e, EDIT_ANCHOR, -1);
    Set(e, EDIT_VEND, e->width / CharWidth());
    return 0;
}

// A one-line text field's view measured in pixels: the cursor visible, and VEND the end of what
// the width holds. Characters differ in width (a CJK glyph is two cells, a byte count is
// nothing), so each is measured once per fit.
static void ViewFit(WINDAT *e) {
    int len = Len(e), cur = Boundary(e, Get(e, EDIT_CURSOR));
    int first = std::min(Boundary(e, Get(e, EDIT_FIRST)), cur);
    int room = std::max(1, e->width - 2);
    int shown = Span(e, first, cur);
    while (first < cur && shown > room) {
        int next = After(e, first);
        shown -= Span(e, first, next);
        first = next;
    }
    int vend = first;
    for (int used = 0; vend < len;) {
        int next = After(e, vend);
        if ((used += Span(e, vend, next)) > room) break;
        vend = next;
    }
    Set(e, EDIT_FIRST, first);
    Set(e, EDIT_VEND, std::max(vend, cur));
}

// A single-line view that keeps its width and shows the cursor.
static void ViewFollowCursor(WINDAT *e) {
    if (e->state == EDIT_SINGLE && e->width > 0 && e->usr.str) return ViewFit(e);
    int cur = Get(e, EDIT_CURSOR), first = Get(e, EDIT_FIRST), vend = Get(e, EDIT_VEND);
    int w = vend - first;
    if (cur > vend) Set(e, EDIT_FIRST, cur - w), Set(e, EDIT_VEND, cur);
}

int EditTextNew(WINDAT *e, const char *text, int cursor) {
    if (!e) return WIN_ERROR_ARG;
    if (!IsEdit(e)) return WIN_ERROR_TYPE;
    if (!Ints(e)) return WIN_ERROR_MEMORY;
    e->select = 0;
    EditDefaultSet(e);
    std::string copy = text ? text : "";
    WinUSRStringRemove(e);
    if (!copy.empty() && WinUSRStringSet(e, copy.c_str()) != 0) return WIN_ERROR_MEMORY;
    int len = static_cast<int>(copy.size());
    Set(e, EDIT_LEN, len);
    if (cursor >= 0 && cursor <= len) Set(e, EDIT_CURSOR, cursor);
    if (!MultiLine(e)) ViewFollowCursor(e);
    if (EDITBIND *b = Bind(e)) {
        if (b->value) *b->value = atoi(copy.c_str());
        if (b->text && b->size > 0) Utf8Copy(b->text, static_cast<size_t>(b->size), copy.c_str());
    }
    if (e->window) EditTextPaint(e);
    return 0;
}

const char *EditTextGet(WINDAT *e) {
    return IsEdit(e) ? e->usr.str : nullptr;
}

int EditTextGetCursorPos(WINDAT *e) {
    if (!e) return WIN_ERROR_ARG;
    if (!Ints(e)) return WIN_ERROR_MEMORY;
    return Get(e, EDIT_CURSOR);
}

int EditTextSetSelectEnd(WINDAT *e, int x) {
    if (!e) return WIN_ERROR_ARG;
    if (!Ints(e)) return WIN_ERROR_MEMORY;
    Set(e, EDIT_SELX, x);
    return 0;
}

int EditFileNameSet(WINDAT *e, int on) {
    if (!e) return -15;
    if (!Ints(e)) return -8;
    Set(e, EDIT_FNAME, on ? 1 : 0);
    return 0;
}

bool EditTypable(WINDAT *e, const char *text) {
    if (!e || !text || !*text || !Ints(e)) return false;
    size_t n = strlen(text);
    for (size_t i = 0; i < n;) {
        uint32_t cp;
        i += size_t(Utf8Next(text + i, n - i, &cp));
        if (e->state == EDIT_NUMBER && !(cp == '-' || (cp >= '0' && cp <= '9'))) return false;
        if (cp == '\n' && MultiLine(e)) continue;
        if (!Utf8Printable(cp)) return false;
        if (cp == '/' && Get(e, EDIT_FNAME)) return false;
    }
    return true;
}

int EditTextSetCharMax(WINDAT *e, int n) {
    if (!e) return WIN_ERROR_ARG;
    if (!Ints(e)) return WIN_ERROR_MEMORY;
    Set(e, EDIT_CHARMAX, n);
    return 0;
}

static EDITBIND *BindGet(WINDAT *e) {
    if (!e || !e->usr.strm) return nullptr;
    if (EDITBIND *b = Bind(e)) return b;
    auto b = static_cast<EDITBIND *>(MemCreate(sizeof(EDITBIND), "edit"));
    if (!b) return nullptr;
    memset(b, 0, sizeof *b);
    e->usr.strm[1] = reinterpret_cast<char *>(b);
    return b;
}

int EditValueIntSet(WINDAT *e, int *value) {
    if (!e) return WIN_ERROR_ARG;
    if (!Ints(e)) return WIN_ERROR_MEMORY;
    EDITBIND *b = BindGet(e);
    if (!b) return WIN_ERROR_MEMORY;
    b->value = value;
    Set(e, EDIT_BOUND, value ? 1 : 0);
    return 0;
}

int EditValueStringSet(WINDAT *e, char *buffer, int size) {
    if (!e) return WIN_ERROR_ARG;
    EDITBIND *b = BindGet(e);
    if (!b) return WIN_ERROR_MEMORY;
    b->text = size > 0 ? buffer : nullptr;
    b->size = size;
    return 0;
}

int EditValueMinMaxSet(WINDAT *e, int min, int max) {
    if (!e) return WIN_ERROR_ARG;
    if (!Ints(e)) return WIN_ERROR_MEMORY;
    if (min != -15) Set(e, EDIT_MIN, min);
    if (max != -15) Set(e, EDIT_MAX, max);
    return 0;
}

int EditValueMinGet(WINDAT *e) {
    if (!e) return WIN_ERROR_ARG;
    return Ints(e) ? Get(e, EDIT_MIN) : -8;
}

int EditValueMaxGet(WINDAT *e) {
    if (!e) return WIN_ERROR_ARG;
    return Ints(e) ? Get(e, EDIT_MAX) : -8;
}

int EditStatus(WINDAT *e, int value) {
    return WinSetStatus(e, value);
}

int EditTextCut(WINDAT *e, int from, int to, const char *text) {
    if (!e) return WIN_ERROR_ARG;
    std::string s = text ? text : (e->usr.str ? e->usr.str : "");
    int n = static_cast<int>(s.size());
    int a = std::clamp(std::min(from, to), 0, n), b = std::clamp(std::max(from, to), 0, n);
    a = int(Utf8Cut(s.data(), s.size(), size_t(a)));
    b = int(Utf8Cut(s.data(), s.size(), size_t(b)));
    s.erase(static_cast<size_t>(a), static_cast<size_t>(b - a));
    return EditTextNew(e, s.c_str(), a);
}

int EditTextPaste(WINDAT *e, int position, const char *text, const char *insertion) {
    if (!e || !insertion) return WIN_ERROR_ARG;
    if (!Ints(e)) return WIN_ERROR_MEMORY;
    std::string s = text ? text : (e->usr.str ? e->usr.str : "");
    int ins = static_cast<int>(strlen(insertion)), n = static_cast<int>(s.size());
    int max = Get(e, EDIT_CHARMAX);
    if (max > 0 && ins + n + 1 > max) {
        MsgBeep(e, 0);
        return -1;
    }
    position = int(Utf8Cut(s.data(), s.size(), size_t(std::clamp(position, 0, n))));
    s.insert(static_cast<size_t>(position), insertion);
    return EditTextNew(e, s.c_str(), position + ins);
}

// ---- painting

int EditFnameCursorPaint(WINDAT *e) {
    if (!e) return WIN_ERROR_ARG;
    if (!e->gc) return WIN_ERROR_GC;
    if (e->disable) return -1;
    int cur = Get(e, EDIT_CURSOR), first = Get(e, EDIT_FIRST);
    if (cur < first || cur > Get(e, EDIT_VEND)) return 0;
    int x = e->usr.str ? Span(e, first, cur) : 1;
    x = std::max(1, x);
    int h = WinGetTextHeight(fontfs_text, WIN_TEXT_SAMPLE, 0);
    Display *d = e->usr.display;
    XSetForeground(d, e->gc, e->fg);
    XDrawLine(d, e->window, e->gc, x, 2, x, h + 2);
    XDrawLine(d, e->window, e->gc, x, h + 2, x + 2, h + 4);
    XDrawLine(d, e->window, e->gc, x, h + 2, x - 2, h + 4);
    return 0;
}

int EditTextPaint(WINDAT *e) {
    if (!e) return WIN_ERROR_ARG;
    if (!Ints(e)) return WIN_ERROR_MEMORY;
    if (!e->gc || !e->window) return WIN_ERROR_GC;
    Display *d = e->usr.display;
    XClearWindow(d, e->window);
    int r = 0;
    const char *s = e->usr.str;
    if (s && *s) {
        int len = Len(e);
        if (MultiLine(e)) {
            WinDrawStringLines(e, fontfs_text, 1, 1, s, len);
        } else if (e->state == EDIT_PASSWORD) {
            // One star a character, not a byte: the length of a password is all it shows.
            int chars = int(Utf8Count(s, size_t(len)));
            std::string stars(static_cast<size_t>(chars), '*');
            WinDrawStringLines(e, fontfs_text, 1, 1, stars.c_str(), chars);
        } else {
            int first = Boundary(e, std::clamp(Get(e, EDIT_FIRST), 0, len));
            int vend = Boundary(e, std::clamp(Get(e, EDIT_VEND), first, len));
            int lh = fontfs_label ? fontfs_label->ascent + fontfs_label->descent : 0;
            int base = (e->height - lh) / 2 + (fontfs_label ? fontfs_label->ascent : 0);
            if (e->select == 1) {
                int a =
                    std::clamp(std::min(Get(e, EDIT_SELSTART), Get(e, EDIT_SELEND)), first, vend);
                int b =
                    std::clamp(std::max(Get(e, EDIT_SELSTART), Get(e, EDIT_SELEND)), first, vend);
                if (b > a) {
                    XSetForeground(d, e->gc, bg_sel);
                    XFillRectangle(d, e->window, e->gc, Span(e, first, a), 2,
                                   static_cast<unsigned>(Span(e, a, b)),
                                   static_cast<unsigned>(std::max(1, e->height - 4)));
                }
            }
            XSetForeground(d, e->gc, e->fg);
            if (vend > first) WinDrawString(e, 0, base, s + first, vend - first);
            EditFnameCursorPaint(e);
        }
    } else {
        if (e->state != EDIT_PASSWORD) EditFnameCursorPaint(e);
        r = -8;
    }
    WinDraw3dRect(e, 0, 0, e->width - 1, e->height - 1, WIN_3D_SUNKEN, 1);
    XSetForeground(d, e->gc, e->fg);
    return r;
}

int EditResize(WINDAT *e) {
    if (!e) return WIN_ERROR_ARG;
    if (e->state != EDIT_SINGLE && e->state != EDIT_MULTI1) return 0;
    WINDAT *p = e->usr.parent;
    if (!p) return WIN_ERROR_PARENT;
    WINDAT *left = e->neighbor[WIN_SIDE_LEFT];
    int lext = left ? left->width + 2 * left->border + left->space[WIN_SIDE_LEFT] +
                          left->space[WIN_SIDE_RIGHT]
                    : 0;
    int x = e->space[WIN_SIDE_LEFT] + lext;
    int w = p->width - 2 * e->border - e->space[WIN_SIDE_LEFT] - e->space[WIN_SIDE_RIGHT] - lext -
            p->space[WIN_SIDE_RIGHT];
    w = std::min(w, p->width - x);
    if (w < 1) return -2;
    XWindowAttributes a;
    int y = WinGetAttrib(e, &a) == 0 ? a.y : 0;
    e->width = w;
    WinMoveResizeWindow(e, x, y, w, e->height);
    Set(e, EDIT_FIRST, 0);
    Set(e, EDIT_VEND, w / CharWidth());
    return 0;
}

// ---- keys

int WinDrawStringLinesCursorCalc(WINDAT *e, XFontStruct *, KeySym sym) {
    if (!e) return WIN_ERROR_ARG;
    if (!Ints(e)) return WIN_ERROR_MEMORY;
    const char *s = e->usr.str;
    if (!s) return 0;
    int len = Len(e), cur = std::clamp(Get(e, EDIT_CURSOR), 0, len);
    int start = cur;
    while (start > 0 && s[start - 1] != '\n')
        start--;
    int col = cur - start;
    if (sym == XK_Up) {
        if (start == 0) return 0;
        int pend = start - 1, pstart = pend;
        while (pstart > 0 && s[pstart - 1] != '\n')
            pstart--;
        Set(e, EDIT_CURSOR, pstart + std::min(col, pend - pstart));
    } else if (sym == XK_Down) {
        int end = cur;
        while (end < len && s[end] != '\n')
            end++;
        if (end >= len) return 0;
        int nstart = end + 1, nend = nstart;
        while (nend < len && s[nend] != '\n')
            nend++;
        // A cursor on a line's end goes to the next line's end.
        Set(e, EDIT_CURSOR, cur == end ? nend : nstart + std::min(col, nend - nstart));
    }
    Set(e, EDIT_CURSOR, Boundary(e, Get(e, EDIT_CURSOR)));
    return 0;
}

// Numeric insertion: digits and '-', within the view's character count, within the limits.
static int InsertNumber(WINDAT *e, const char *ch) {
    if (!isdigit(static_cast<unsigned char>(ch[0])) && ch[0] != '-') return 0;
    int min = Get(e, EDIT_MIN), max = Get(e, EDIT_MAX);
    int fallback;
    if (e->usr.str) {
        if (Len(e) >= Get(e, EDIT_VEND)) return 0;
        // An out-of-range value keeps what the field held, brought within the limits.
        fallback = std::clamp(atoi(e->usr.str), min, std::max(min, max));
    } else {
        fallback = min;
    }
    int r = EditTextPaste(e, Get(e, EDIT_CURSOR), nullptr, ch);
    if (r != 0 || !e->usr.str) return r;
    int v = atoi(e->usr.str);
    if (v > max || v < min) {
        char buf[16];
        snprintf(buf, sizeof buf, "%i", fallback);
        EditTextNew(e, buf, static_cast<int>(strlen(buf)));
    }
    return 0;
}

static int Insert(WINDAT *e, const char *ch) {
    if (e->state == EDIT_NUMBER) return InsertNumber(e, ch);
    int r = EditTextPaste(e, Get(e, EDIT_CURSOR), nullptr, ch);
    if (r == 0 && e->state == EDIT_SINGLE && InFly(e)) EditFlyUpdateSize(e->usr.parent, e);
    return r;
}

// ---- selections shared with other programs

static std::string Selected(WINDAT *e) {
    if (!e->select || !e->usr.str) return std::string();
    int len = Len(e);
    int a = std::clamp(std::min(Get(e, EDIT_SELSTART), Get(e, EDIT_SELEND)), 0, len);
    int b = std::clamp(std::max(Get(e, EDIT_SELSTART), Get(e, EDIT_SELEND)), 0, len);
    return std::string(e->usr.str + Boundary(e, a), size_t(Boundary(e, b) - Boundary(e, a)));
}

// The main window holds what is copied, so the text outlives a closed field.
static Window SelOwner(WINDAT *e) {
    WINDAT *main = WinFindTyp(WIN_MAIN);
    return main && main->window ? main->window : e->window;
}

// Selected text is PRIMARY's, as other programs expect; a password never leaves its field.
static void OwnPrimary(WINDAT *e, Time t) {
    if (e->state == EDIT_PASSWORD) return;
    std::string s = Selected(e);
    if (!s.empty()) SelOwn(e->usr.display, SelOwner(e), SEL_PRIMARY, s, t);
}

// Pasted text goes in as typed text would: what the field may not hold is left out.
static int PasteText(WINDAT *e, const std::string &text) {
    std::string keep;
    bool dropped = false;
    for (size_t i = 0; i < text.size();) {
        uint32_t cp;
        size_t k = size_t(Utf8Next(text.data() + i, text.size() - i, &cp));
        std::string ch = text.substr(i, k);
        i += k;
        // A line end of a one-line field ends the paste, as a Return would.
        if (cp == '\n' && !MultiLine(e)) break;
        if (EditTypable(e, ch.c_str()))
            keep += ch;
        else
            dropped = true;
    }
    if (dropped || keep.empty()) MsgBeep(e, 0);
    if (keep.empty()) return -1;
    if (e->select) EditTextCut(e, Get(e, EDIT_SELSTART), Get(e, EDIT_SELEND), nullptr);
    e->select = 0;
    Set(e, EDIT_ANCHOR, -1);
    if (e->state != EDIT_NUMBER) return Insert(e, keep.c_str());
    char ch[2] = {0, 0};
    for (size_t i = 0; i < keep.size() && i < 32; i++)
        ch[0] = keep[i], Insert(e, ch);
    return 0;
}

// Ctrl+C, Ctrl+X and Ctrl+V through CLIPBOARD; Shift+Insert pastes PRIMARY.
static int ClipboardKey(WINDAT *e, KeySym base, Time t) {
    if (base == XK_Insert) return PasteText(e, SelFetch(e->usr.display, e->window, SEL_PRIMARY, t));
    if (base == XK_v) return PasteText(e, SelFetch(e->usr.display, e->window, SEL_CLIPBOARD, t));
    std::string s = Selected(e);
    if (s.empty() || e->state == EDIT_PASSWORD) return 0;
    SelOwn(e->usr.display, SelOwner(e), SEL_CLIPBOARD, s, t);
    if (base == XK_x) return EditTextCut(e, Get(e, EDIT_SELSTART), Get(e, EDIT_SELEND), nullptr);
    return 0;
}

// Shift-extension from the anchor; the first extension anchors at the cursor.
static void ExtendSelection(WINDAT *e, int cursor) {
    if (Get(e, EDIT_ANCHOR) < 0) Set(e, EDIT_ANCHOR, Get(e, EDIT_CURSOR));
    int a = Get(e, EDIT_ANCHOR);
    Set(e, EDIT_CURSOR, cursor);
    Set(e, EDIT_SELSTART, std::min(a, cursor));
    Set(e, EDIT_SELEND, std::max(a, cursor));
    e->select = a != cursor;
    OwnPrimary(e, e->usr.evkey.xkey.time);
}

int EditTextKey(WINDAT *e) {
    if (!e) return WIN_ERROR_ARG;
    if (!Ints(e)) return WIN_ERROR_MEMORY;
    if (e->disable) {
        MsgBeep(e, 0);
        return -1;
    }
    XKeyEvent key = e->usr.evkey.xkey;
    char text[21] = {0};
    KeySym sym = 0;
    TextKeyLookup(&key, text, sizeof text, &sym);
    bool shift = key.state & ShiftMask;
    KeySym base = XLookupKeysym(&key, 0);
    if (((key.state & ControlMask) && (base == XK_c || base == XK_x || base == XK_v)) ||
        (shift && base == XK_Insert))
        return ClipboardKey(e, base, key.time);
    int len = Len(e), cur = Get(e, EDIT_CURSOR);
    int first = Get(e, EDIT_FIRST), vend = Get(e, EDIT_VEND), w = vend - first;
    switch (sym) {
    case XK_Home:
    case 0xFFD8:
        Set(e, EDIT_CURSOR, 0);
        if (vend > 0) Set(e, EDIT_FIRST, 0), Set(e, EDIT_VEND, w);
        break;
    case XK_End:
    case 0xFFDE:
        Set(e, EDIT_CURSOR, len);
        Set(e, EDIT_FIRST, std::max(0, len - w));
        Set(e, EDIT_VEND, std::max(0, len - w) + w);
        break;
    case XK_Left:
        if (shift) {
            ExtendSelection(e, Before(e, cur));
        } else {
            e->select = 0;
            Set(e, EDIT_ANCHOR, -1);
            cur = Before(e, cur);
            Set(e, EDIT_CURSOR, cur);
            Set(e, EDIT_SELSTART, cur), Set(e, EDIT_SELEND, cur);
        }
        if (Get(e, EDIT_CURSOR) < first) {
            int to = Get(e, EDIT_CURSOR);
            Set(e, EDIT_FIRST, to), Set(e, EDIT_VEND, vend - (first - to));
        }
        break;
    case XK_Right:
        if (shift) {
            ExtendSelection(e, After(e, cur));
        } else {
            e->select = 0;
            Set(e, EDIT_ANCHOR, -1);
            cur = After(e, cur);
            Set(e, EDIT_CURSOR, cur);
            Set(e, EDIT_SELSTART, cur), Set(e, EDIT_SELEND, cur);
        }
        if (Get(e, EDIT_CURSOR) > vend) {
            int step = Get(e, EDIT_CURSOR) - vend;
            Set(e, EDIT_FIRST, After(e, first + step - 1)), Set(e, EDIT_VEND, vend + step);
        }
        break;
    case XK_Up:
    case XK_Down:
        WinDrawStringLinesCursorCalc(e, fontfs_text, sym);
        break;
    case XK_BackSpace:
    case XK_Delete:
        if (e->select) return EditTextCut(e, Get(e, EDIT_SELSTART), Get(e, EDIT_SELEND), nullptr);
        if (cur > 0) return EditTextCut(e, Before(e, cur), cur, nullptr);
        return 0;
    case XK_Shift_L:
        if (!e->select) {
            Set(e, EDIT_ANCHOR, cur);
            Set(e, EDIT_SELSTART, cur), Set(e, EDIT_SELEND, cur);
        }
        return 0;
    case XK_Return:
    case XK_KP_Enter:
    case XK_Escape:
        // The fly edit closes, and this field with it: nothing of it is used after.
        if (InFly(e)) return EditFlyCloseFromKey(e->usr.parent);
        if (sym != XK_Escape && MultiLine(e)) return Insert(e, "\n");
        return 0;
    default:
        // A modifier's release (Ctrl comes up before the C of Ctrl+C) keeps the selection.
        if (IsModifierKey(sym)) return 0;
        if (text[0] && EditTypable(e, text)) return Insert(e, text);
        Set(e, EDIT_ANCHOR, -1);
        Set(e, EDIT_SELSTART, cur), Set(e, EDIT_SELEND, cur);
        return 0;
    }
    if (e->state == EDIT_SINGLE && e->width > 0 && e->usr.str) ViewFit(e);
    EditTextPaint(e);
    return 0;
}

// ---- mouse

int EditTextPress(WINDAT *e) {
    if (!e) return WIN_ERROR_ARG;
    if (!Ints(e)) return WIN_ERROR_MEMORY;
    if (e->disable) {
        MsgBeep(e, 0);
        return -1;
    }
    editPressTime = e->usr.evmouse.xbutton.time;
    e->select = 0;
    if (!e->usr.str) {
        Set(e, EDIT_CURSOR, 0);
        EditTextPaint(e);
        return 0;
    }
    int tw = WinGetTextWidth(fontfs_text, e->usr.str, 0);
    if (tw <= 0) return -21;
    int x = std::min(e->usr.evmouse.xbutton.x, tw);
    Set(e, EDIT_PRESSX, x), Set(e, EDIT_SELX, x);
    int cur = std::min(IndexAt(e, x), Len(e));
    Set(e, EDIT_CURSOR, cur);
    Set(e, EDIT_SELSTART, cur), Set(e, EDIT_SELEND, cur);
    EditTextPaint(e);
    return 0;
}

int EditTextRelease(WINDAT *e) {
    if (!e) return WIN_ERROR_ARG;
    if (e->disable) {
        MsgBeep(e, 0);
        return -1;
    }
    WinFocusTake(e);
    Time t = e->usr.evmouse.xbutton.time;
    if (((t - editPressTime) & 0xFFFFFFFFul) >= EDIT_CLICK_MS) {
        editClickValid = false;
        // The end of a drag that selected.
        OwnPrimary(e, t);
        return -11;
    }
    if (editClickValid && ((t - editClickTime) & 0xFFFFFFFFul) < EDIT_DBLCLICK_MS) {
        e->select = 1;
        editClickValid = false;
    } else {
        editClickTime = t;
        editClickValid = true;
    }
    if (Get(e, EDIT_SELSTART) == Get(e, EDIT_SELEND)) e->select = 0;
    OwnPrimary(e, t);
    EditTextPaint(e);
    return 0;
}

int EditFnamePaintSelectChkStart(WINDAT *e, int x) {
    if (!e) return WIN_ERROR_ARG;
    if (!Ints(e)) return WIN_ERROR_MEMORY;
    Set(e, EDIT_PRESSX, x);
    return 0;
}

// One drag step that scrolled the view: show it, then give the pointer time.
static void DragPause(WINDAT *e) {
    EditTextPaint(e);
    XFlush(e->usr.display);
    int depth = ToolkitLockRelease();
    SetTimer(EDIT_DRAG_MS);
    ToolkitLockRestore(depth);
}

int EditFnamePaintSelectChk(WINDAT *e, int x) {
    if (!e) return WIN_ERROR_ARG;
    if (!Ints(e) || !e->usr.str) return WIN_ERROR_MEMORY;
    int tw = WinGetTextWidth(fontfs_text, e->usr.str, 0);
    if (tw <= 0) return -21;
    if (x > tw) return -1;
    int len = Len(e);
    if (tw > e->width) {
        int cur = Get(e, EDIT_CURSOR);
        if (x >= e->width) {
            Set(e, EDIT_CURSOR, cur = After(e, cur));
            if (cur > Get(e, EDIT_VEND) && Get(e, EDIT_VEND) < len) {
                int step = cur - Get(e, EDIT_VEND);
                Set(e, EDIT_FIRST, After(e, Get(e, EDIT_FIRST) + step - 1)),
                    Set(e, EDIT_VEND, Get(e, EDIT_VEND) + step);
                DragPause(e);
            }
        } else if (x < 2) {
            Set(e, EDIT_CURSOR, cur = Before(e, cur));
            if (cur < Get(e, EDIT_FIRST)) {
                int step = Get(e, EDIT_FIRST) - cur;
                Set(e, EDIT_FIRST, cur), Set(e, EDIT_VEND, Get(e, EDIT_VEND) - step);
                DragPause(e);
            }
        }
    }
    int first = Get(e, EDIT_FIRST), vend = Get(e, EDIT_VEND);
    int r = 0;
    if (vend > first) {
        int end = std::min({IndexAt(e, std::min(x, e->width)), len, vend});
        if (end == Get(e, EDIT_SELEND) || end < 0) {
            r = -1;
        } else {
            Set(e, EDIT_SELEND, end);
            Set(e, EDIT_CURSOR, end);
        }
    } else {
        Set(e, EDIT_SELSTART, Get(e, EDIT_CURSOR)), Set(e, EDIT_SELEND, Get(e, EDIT_CURSOR));
    }
    if (r == 0) XClearWindow(e->usr.display, e->window);
    e->select = Get(e, EDIT_SELSTART) != Get(e, EDIT_SELEND);
    return r;
}

// The dispatcher's press: position the cursor, then select while the button stays held.
static int EditEvPress(WINDAT *e) {
    if (!e->usr.str) return 0;
    int r = EditTextPress(e);
    if (r != 0 || !Ints(e)) return r;
    Display *d = e->usr.display;
    Window xw = e->window;
    EditFnamePaintSelectChkStart(e, e->usr.evmouse.xbutton.x);
    int lastx = e->usr.evmouse.xbutton.x;
    for (;;) {
        Window root, child;
        int rx, ry, wx, wy;
        unsigned int mask = 0;
        XFlush(d);
        if (!XQueryPointer(d, xw, &root, &child, &rx, &ry, &wx, &wy, &mask)) break;
        if (!(mask & Button1Mask)) break;
        // Held beyond either edge the view keeps scrolling.
        if (wx != lastx || wx >= e->width || wx < 2) {
            EditTextSetSelectEnd(e, wx);
            if (EditFnamePaintSelectChk(e, wx) == 0) EditTextPaint(e);
            lastx = wx;
        }
        int depth = ToolkitLockRelease();
        SetTimer(10);
        ToolkitLockRestore(depth);
        if (WinFind(xw) != e) return 0;
    }
    return 0;
}

// ---- sizes

int EditGetInitWidth(const char *text, int n) {
    int w = text && *text ? WinGetTextWidth(fontfs_label, text, n) : 0;
    return std::max(w, 100) + 28;
}

int EditGetInitHeight(const char *text, int n, int lines) {
    const char *s = text && *text ? text : WIN_TEXT_SAMPLE;
    return (WinGetTextHeight(fontfs_text, s, n) + 8) * lines;
}

// ---- fly edit

WINDAT *EditFlyCreate(int x, int y, int width, WINDAT *win, const char *text) {
    if (!win || !win->window) return nullptr;
    Display *d = win->usr.display;
    int rx, ry;
    Window child;
    if (!XTranslateCoordinates(d, win->window, DefaultRootWindow(d), x, y, &rx, &ry, &child))
        return nullptr;
    WINTYP t{};
    t.fg = fg_edit, t.bg = bg_edit;
    t.typ = WIN_EDIT_FLY;
    t.width = width > 0 ? width : EditGetInitWidth(text, 0) + 20;
    t.height = EditGetInitHeight(WIN_TEXT_SAMPLE, 0, 1) + 2 * EDIT_FLY_SPACE;
    t.language = win->language;
    t.mouseleft = win->mouseleft, t.mouseright = win->mouseright;
    WINNEIGHBOR nb{};
    WINDAT *fly = WinCreateFromRoot(d, rx, ry, &t, &nb, "fly", fontfs_text);
    if (!fly) return nullptr;
    fly->usr.parentgrp = win->usr.parentgrp;
    WINTYP et = t;
    et.typ = WIN_EDIT_TXT;
    et.state = EDIT_SINGLE;
    et.width = t.width - 2 * EDIT_FLY_SPACE;
    et.height = t.height - 2 * EDIT_FLY_SPACE;
    WINDAT *field = EditCreate(fly, EDIT_FLY_SPACE, EDIT_FLY_SPACE, &et, &nb, "edit");
    if (!field) {
        WinClose(fly);
        return nullptr;
    }
    field->usr.parentgrp = win->usr.parentgrp;
    // Fly fields rename files and name new directories.
    EditFileNameSet(field, 1);
    EditTextNew(field, text, text ? static_cast<int>(strlen(text)) : 0);
    WinShow(fly, 1);
    XRaiseWindow(d, fly->window);
    // Typing goes to the field while the pointer is anywhere.
    XSync(d, False);
    WinFocusTake(field);
    return fly;
}

WINDAT *EditFlyGetField(WINDAT *fly) {
    return fly ? WinChildFindTyp(fly, WIN_EDIT_TXT) : nullptr;
}

int EditFlyUpdateSize(WINDAT *fly, WINDAT *e) {
    if (!fly || !e) return WIN_ERROR_ARG;
    int need = EditGetInitWidth(e->usr.str, 0) + 20;
    if (need <= fly->width && fly->width - need <= 20) return 0;
    fly->width = need;
    WinResize(fly, need, fly->height);
    e->width = need - 2 * EDIT_FLY_SPACE;
    WinResize(e, e->width, e->height);
    Set(e, EDIT_VEND, Get(e, EDIT_FIRST) + e->width / CharWidth());
    ViewFollowCursor(e);
    EditTextPaint(e);
    return 0;
}

int EditFlyClose(WINDAT *fly) {
    if (!fly) return WIN_ERROR_ARG;
    return WinClose(fly);
}

int EditFlyCloseFromKey(WINDAT *fly) {
    if (!fly) return WIN_ERROR_ARG;
    WINDAT *field = EditFlyGetField(fly);
    if (field) fly->usr.evkey = field->usr.evkey;
    XKeyEvent key = fly->usr.evkey.xkey;
    // Escape abandons the new name: the owner's Close callback does not see it.
    if (XLookupKeysym(&key, 0) == XK_Escape) WinSetFuncClose(fly, nullptr);
    return WinClose(fly);
}
