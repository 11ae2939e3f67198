#include "toolkit/xtext.h"

#include "base/utf8.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <algorithm>
#include <clocale>
#include <cstring>
#include <mutex>
#include <vector>

namespace {

struct TEXTFONT {
    Display *display;
    Font fid;
    XFontStruct *font;
    XFontSet set; // null when the locale's sets could not be had: the font draws Latin-1
    bool shared;  // the set belongs to an earlier font of the same name
    std::string name;
};

// The tables live for the whole run and are never destroyed, not even at exit: the font sets
// and input contexts they hold belong to the display, which outlives every static destructor.
std::mutex text_mutex;
std::vector<TEXTFONT> &text_fonts = *new std::vector<TEXTFONT>;
// Sets of fonts loaded again: their connection may be gone, so they are kept, never freed.
std::vector<TEXTFONT> &text_retired = *new std::vector<TEXTFONT>;

struct TEXTIC {
    Window w;
    XIC ic;
};
XIM text_im = nullptr;
Display *text_im_display = nullptr;
bool text_im_tried = false;
std::vector<TEXTIC> &text_ics = *new std::vector<TEXTIC>;
std::vector<XIM> &text_retired_im = *new std::vector<XIM>;
std::vector<XIC> &text_retired_ic = *new std::vector<XIC>;

// The font's full name, so the set finds the same face for every character set.
std::string FontName(Display *display, XFontStruct *font) {
    unsigned long atom = 0;
    std::string name;
    if (XGetFontProperty(font, XA_FONT, &atom) && atom) {
        if (char *n = XGetAtomName(display, Atom(atom))) {
            name = n;
            XFree(n);
        }
    }
    return name;
}

const TEXTFONT *Lookup(Display *display, Font fid) {
    for (const TEXTFONT &f : text_fonts)
        if (f.display == display && f.fid == fid) return &f;
    return nullptr;
}

const TEXTFONT *LookupFont(XFontStruct *font) {
    for (const TEXTFONT &f : text_fonts)
        if (f.font == font) return &f;
    return nullptr;
}

// UTF-8 to the bytes of a Latin-1 font; what it lacks shows as '?'.
std::string Latin1Of(const std::string &s) {
    std::string out;
    for (size_t i = 0; i < s.size();) {
        uint32_t cp;
        i += size_t(Utf8Next(s.data() + i, s.size() - i, &cp));
        out += cp < 0x100 ? char(cp) : '?';
    }
    return out;
}

} // namespace

void TextLocaleInit() {
    const char *now = setlocale(LC_CTYPE, nullptr);
    if (now && strcmp(now, "C") && strcmp(now, "POSIX")) return;
    if (!setlocale(LC_CTYPE, "") || !XSupportsLocale()) setlocale(LC_CTYPE, "C");
    XSetLocaleModifiers("");
}

void TextFontRegister(Display *display, XFontStruct *font) {
    if (!display || !font) return;
    std::lock_guard<std::mutex> lock(text_mutex);
    if (Lookup(display, font->fid)) return;
    TEXTFONT f{display, font->fid, font, nullptr, false, std::string()};
    std::string name = FontName(display, font);
    // Widgets mostly share one face: its set is made once (a set costs tens of milliseconds).
    for (const TEXTFONT &o : text_fonts)
        if (o.display == display && o.set && o.name == name) f.set = o.set, f.shared = true;
    if (!f.set && !name.empty() && XSupportsLocale()) {
        // The face itself, then the same family, weight, slant, width and pixel size in any
        // other registry. A cell width or registry of the Latin face would force odd scalings
        // of the CJK faces; wildcards beyond the family make start-up list every font.
        std::string list = name;
        size_t cut = 0;
        for (int dashes = 0; cut < name.size() && dashes < 8; cut++)
            if (name[cut] == '-') dashes++;
        if (cut < name.size()) list += "," + name.substr(0, cut) + "*-*-*-*-*-*-*";
        char **missing = nullptr;
        int nmissing = 0;
        char *def = nullptr;
        f.set = XCreateFontSet(display, list.c_str(), &missing, &nmissing, &def);
        if (missing) XFreeStringList(missing);
    }
    f.name = name;
    text_fonts.push_back(f);
}

void TextFontsReset(Display *display) {
    std::lock_guard<std::mutex> lock(text_mutex);
    for (size_t i = text_fonts.size(); i-- > 0;) {
        if (text_fonts[i].display != display) continue;
        text_retired.push_back(text_fonts[i]);
        text_fonts.erase(text_fonts.begin() + long(i));
    }
    // The input method goes the same way: opened again on the next edit field.
    if (text_im_display == display) {
        if (text_im) text_retired_im.push_back(text_im);
        text_im = nullptr;
        text_im_tried = false;
        for (const TEXTIC &t : text_ics)
            text_retired_ic.push_back(t.ic);
        text_ics.clear();
    }
}

void TextFontsRelease(Display *display) {
    std::lock_guard<std::mutex> lock(text_mutex);
    for (size_t i = text_fonts.size(); i-- > 0;) {
        if (text_fonts[i].display != display) continue;
        if (text_fonts[i].set && !text_fonts[i].shared) XFreeFontSet(display, text_fonts[i].set);
        text_fonts.erase(text_fonts.begin() + long(i));
    }
}

std::string TextShowable(const char *text, int n) {
    if (!text) return std::string();
    size_t full = strlen(text);
    size_t len = n > 0 ? std::min(full, size_t(n)) : full;
    len = Utf8Cut(text, full, len);
    if (Utf8Valid(text, len)) return std::string(text, len);
    std::vector<char> buf(len * 3 + 1);
    size_t k = Utf8Sanitize(text, len, buf.data(), buf.size());
    return std::string(buf.data(), k);
}

void TextDraw(Display *display, Drawable d, GC gc, int x, int y, const char *text, int n,
              bool image) {
    std::string s = TextShowable(text, n);
    if (s.empty()) return;
    XGCValues v;
    XFontSet set = nullptr;
    if (XGetGCValues(display, gc, GCFont, &v)) {
        std::lock_guard<std::mutex> lock(text_mutex);
        if (const TEXTFONT *f = Lookup(display, v.font)) set = f->set;
    }
    if (set) {
        if (image)
            Xutf8DrawImageString(display, d, set, gc, x, y, s.data(), int(s.size()));
        else
            Xutf8DrawString(display, d, set, gc, x, y, s.data(), int(s.size()));
        // The set leaves the GC on whichever of its fonts drew last: the window keeps its own.
        XSetFont(display, gc, v.font);
        return;
    }
    std::string l1 = Latin1Of(s);
    if (image)
        XDrawImageString(display, d, gc, x, y, l1.data(), int(l1.size()));
    else
        XDrawString(display, d, gc, x, y, l1.data(), int(l1.size()));
}

int TextWidth(XFontStruct *font, const char *text, int n) {
    if (!font || !text) return 0;
    std::string s = TextShowable(text, n);
    XFontSet set = nullptr;
    {
        std::lock_guard<std::mutex> lock(text_mutex);
        if (const TEXTFONT *f = LookupFont(font)) set = f->set;
    }
    if (set) return Xutf8TextEscapement(set, s.data(), int(s.size()));
    std::string l1 = Latin1Of(s);
    return XTextWidth(font, l1.data(), int(l1.size()));
}

bool TextExtents(XFontStruct *font, const char *text, int n, XCharStruct *overall) {
    if (!font || !text || !*text) return false;
    std::string l1 = Latin1Of(TextShowable(text, n));
    int dir, asc, desc;
    XTextExtents(font, l1.data(), int(l1.size()), &dir, &asc, &desc, overall);
    // The width follows the set, so cursors and cuts agree with what is drawn.
    overall->width = short(TextWidth(font, text, n));
    return true;
}

void TextSetTitle(Display *display, Window w, const char *title) {
    if (!display || !w || !title) return;
    std::string s = TextShowable(title, 0);
    char *list[1] = {const_cast<char *>(s.c_str())};
    XTextProperty prop;
    if (Xutf8TextListToTextProperty(display, list, 1, XStdICCTextStyle, &prop) >= Success) {
        XSetWMName(display, w, &prop);
        XFree(prop.value);
    } else {
        XStoreName(display, w, Latin1Of(s).c_str());
    }
    Atom net = XInternAtom(display, "_NET_WM_NAME", False);
    Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    XChangeProperty(display, w, net, utf8, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char *>(s.data()), int(s.size()));
}

XIC TextInputOpen(Display *display, Window w) {
    if (!display || !w) return nullptr;
    std::lock_guard<std::mutex> lock(text_mutex);
    if (!text_im_tried) {
        text_im_tried = true;
        text_im = XOpenIM(display, nullptr, nullptr, nullptr);
        if (!text_im && XSetLocaleModifiers("@im=none"))
            text_im = XOpenIM(display, nullptr, nullptr, nullptr);
        text_im_display = display;
    }
    if (!text_im || display != text_im_display) return nullptr;
    XIC ic = XCreateIC(text_im, XNInputStyle, XIMPreeditNothing | XIMStatusNothing, XNClientWindow,
                       w, XNFocusWindow, w, nullptr);
    if (!ic) return nullptr;
    XSetICFocus(ic);
    text_ics.push_back({w, ic});
    return ic;
}

void TextInputClose(Window w) {
    std::lock_guard<std::mutex> lock(text_mutex);
    for (size_t i = text_ics.size(); i-- > 0;) {
        if (text_ics[i].w != w) continue;
        XDestroyIC(text_ics[i].ic);
        text_ics.erase(text_ics.begin() + long(i));
    }
}

bool TextFilterEvent(XEvent *ev) {
    if (!ev || !text_im || (ev->type != KeyPress && ev->type != KeyRelease)) return false;
    return XFilterEvent(ev, None);
}

int TextKeyLookup(XKeyEvent *key, char *buf, int size, KeySym *sym) {
    if (!key || !buf || size < 8 || !sym) return 0;
    buf[0] = 0;
    *sym = NoSymbol;
    XIC ic = nullptr;
    {
        std::lock_guard<std::mutex> lock(text_mutex);
        for (const TEXTIC &t : text_ics)
            if (t.w == key->window) ic = t.ic;
    }
    if (ic && key->type == KeyPress) {
        Status st = 0;
        int n = Xutf8LookupString(ic, key, buf, size - 1, sym, &st);
        if (st != XLookupChars && st != XLookupBoth) n = 0;
        if (st != XLookupKeySym && st != XLookupBoth) *sym = NoSymbol;
        buf[std::max(n, 0)] = 0;
        return std::max(n, 0);
    }
    int n = XLookupString(key, buf, size - 1, sym, nullptr);
    buf[std::max(n, 0)] = 0;
    // XLookupString gives Latin-1 bytes, or nothing past Latin-1: write the keysym's character.
    uint32_t cp = 0;
    if (*sym >= 0xA0 && *sym <= 0xFF)
        cp = uint32_t(*sym);
    else if ((*sym & 0xFF000000ul) == 0x01000000ul)
        cp = uint32_t(*sym & 0x00FFFFFFul);
    if (cp >= 0xA0) buf[n = Utf8Encode(cp, buf)] = 0;
    return n;
}
