#include "toolkit/xtext.h"

#include "base/utf8.h"

#include <X11/Xatom.h>
#include <X11/Xft/Xft.h>
#include <X11/Xutil.h>
#include <algorithm>
#include <climits>
#include <clocale>
#include <cstring>
#include <mutex>
#include <strings.h>
#include <unordered_map>
#include <vector>

namespace {

// One character as an Xft face draws it: the face (the font's own or a fallback), its glyph,
// advance and ink box. Measured once per font and character.
struct TEXTGLYPH {
    XftFont *face;
    FT_UInt glyph;
    short adv, ascent, descent, lbearing, rbearing;
};

// An anti-aliased font. Characters its face lacks come from the faces fontconfig sorts after it,
// opened at the first character that needs them.
struct TEXTXFT {
    XftFont *face;
    FcPattern *query;  // the pattern after substitution, for the fallback sort
    FcFontSet *sorted; // made at the first missing character
    bool sort_tried;
    std::vector<XftFont *> fallback; // by position in sorted, null until needed
    std::unordered_map<uint32_t, TEXTGLYPH> glyphs;
};

// A hostile text must not grow the glyph cache without end; a full one starts over.
constexpr size_t TEXT_GLYPHS_MAX = 1 << 16;
// Faces tried for a missing character: past these the sort adds nothing a user would read.
constexpr int TEXT_FALLBACK_MAX = 64;

struct TEXTFONT {
    Display *display;
    Font fid;
    XFontStruct *font;
    XFontSet set; // null when the locale's sets could not be had: the font draws Latin-1
    bool shared;  // the set belongs to an earlier font of the same name
    std::string name;
    TEXTXFT *xft; // set: the font stands for an Xft face, its fid only marks GCs
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

// What the input context gave for the last press of each keycode. Keys act on their release,
// but the context composes on the press ("¨" then "u" gives "ü" there) and knows nothing of
// releases, so the press is looked up when it comes and the release is served from here.
struct TEXTKEYNOTE {
    bool noted;
    KeySym sym;
    char text[32];
};
TEXTKEYNOTE text_key_note[256];

XIC IcOf(Window w) {
    for (const TEXTIC &t : text_ics)
        if (t.w == w) return t.ic;
    return nullptr;
}

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

XftFont *FallbackFace(Display *display, TEXTXFT *x, uint32_t cp) {
    if (!x->sort_tried) {
        x->sort_tried = true;
        FcResult r;
        x->sorted = FcFontSort(nullptr, x->query, FcTrue, nullptr, &r);
        if (x->sorted) x->fallback.assign(size_t(x->sorted->nfont), nullptr);
    }
    if (!x->sorted) return nullptr;
    int n = std::min(x->sorted->nfont, TEXT_FALLBACK_MAX);
    for (int i = 0; i < n; i++) {
        FcCharSet *cs = nullptr;
        if (FcPatternGetCharSet(x->sorted->fonts[i], FC_CHARSET, 0, &cs) != FcResultMatch ||
            !FcCharSetHasChar(cs, cp))
            continue;
        XftFont *&f = x->fallback[size_t(i)];
        if (!f) {
            FcPattern *p = FcFontRenderPrepare(nullptr, x->query, x->sorted->fonts[i]);
            if (p && !(f = XftFontOpenPattern(display, p))) FcPatternDestroy(p);
        }
        if (f && XftCharExists(display, f, cp)) return f;
    }
    return nullptr;
}

const TEXTGLYPH &GlyphOf(Display *display, TEXTXFT *x, uint32_t cp) {
    auto it = x->glyphs.find(cp);
    if (it != x->glyphs.end()) return it->second;
    if (x->glyphs.size() >= TEXT_GLYPHS_MAX) x->glyphs.clear();
    TEXTGLYPH g{x->face, 0, 0, 0, 0, 0, 0};
    if (!XftCharExists(display, x->face, cp))
        if (XftFont *f = FallbackFace(display, x, cp)) g.face = f;
    // A character no face has draws as its face's missing-glyph box.
    g.glyph = XftCharIndex(display, g.face, cp);
    XGlyphInfo gi;
    XftGlyphExtents(display, g.face, &g.glyph, 1, &gi);
    g.adv = gi.xOff;
    g.ascent = gi.y;
    g.descent = short(gi.height - gi.y);
    g.lbearing = short(-gi.x);
    g.rbearing = short(gi.width - gi.x);
    return x->glyphs.emplace(cp, g).first->second;
}

// The Xft font a font stands for, or null for a core font. text_mutex is held.
TEXTXFT *XftOf(XFontStruct *font) {
    const TEXTFONT *f = LookupFont(font);
    return f ? f->xft : nullptr;
}

// Ink box and advance of a text, as XTextExtents reports them for a core font.
int XftMeasure(Display *display, TEXTXFT *x, const std::string &s, XCharStruct *overall) {
    int w = 0;
    XCharStruct o{};
    bool first = true;
    for (size_t i = 0; i < s.size();) {
        uint32_t cp;
        i += size_t(Utf8Next(s.data() + i, s.size() - i, &cp));
        const TEXTGLYPH &g = GlyphOf(display, x, cp);
        if (overall) {
            short lb = short(w + g.lbearing), rb = short(w + g.rbearing);
            o.lbearing = first ? lb : std::min(o.lbearing, lb);
            o.rbearing = first ? rb : std::max(o.rbearing, rb);
            o.ascent = first ? g.ascent : std::max(o.ascent, g.ascent);
            o.descent = first ? g.descent : std::max(o.descent, g.descent);
            first = false;
        }
        w += g.adv;
    }
    if (overall) {
        o.width = short(w);
        *overall = o;
    }
    return w;
}

// The colour of a GC pixel, asked of the server once per pixel.
XRenderColor PixelColor(Display *display, unsigned long pixel) {
    static std::unordered_map<unsigned long, XRenderColor> &known =
        *new std::unordered_map<unsigned long, XRenderColor>;
    auto it = known.find(pixel);
    if (it != known.end()) return it->second;
    XColor c;
    c.pixel = pixel;
    XQueryColor(display, DefaultColormap(display, DefaultScreen(display)), &c);
    XRenderColor rc{c.red, c.green, c.blue, 0xFFFF};
    if (known.size() < 4096) known.emplace(pixel, rc);
    return rc;
}

struct TEXTCLIP {
    Display *display;
    GC gc;
    XRectangle r;
};
std::vector<TEXTCLIP> &text_clips = *new std::vector<TEXTCLIP>;

void XftDrawText(Display *display, Drawable d, GC gc, TEXTXFT *x, const XGCValues &v, int x0, int y,
                 const std::string &s, bool image) {
    std::vector<XftGlyphFontSpec> glyphs;
    glyphs.reserve(s.size());
    int pen = x0;
    for (size_t i = 0; i < s.size();) {
        uint32_t cp;
        i += size_t(Utf8Next(s.data() + i, s.size() - i, &cp));
        const TEXTGLYPH &g = GlyphOf(display, x, cp);
        if (pen > SHRT_MAX) break;
        glyphs.push_back({g.face, g.glyph, short(pen), short(y)});
        pen += g.adv;
    }
    int scr = DefaultScreen(display);
    XftDraw *draw =
        XftDrawCreate(display, d, DefaultVisual(display, scr), DefaultColormap(display, scr));
    if (!draw) return;
    for (const TEXTCLIP &c : text_clips)
        if (c.display == display && c.gc == gc) XftDrawSetClipRectangles(draw, 0, 0, &c.r, 1);
    if (image) {
        XftColor bg{v.background, PixelColor(display, v.background)};
        XftDrawRect(draw, &bg, x0, y - x->face->ascent, unsigned(std::max(0, pen - x0)),
                    unsigned(x->face->ascent + x->face->descent));
    }
    XftColor fg{v.foreground, PixelColor(display, v.foreground)};
    XftDrawGlyphFontSpec(draw, &fg, glyphs.data(), int(glyphs.size()));
    XftDrawDestroy(draw);
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
    TEXTFONT f{display, font->fid, font, nullptr, false, std::string(), nullptr};
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

// The family a pattern asks for is known when fontconfig lists a face of it, or it is one of
// the generic names every configuration maps to a face.
bool TextPatternKnown(const char *pattern) {
    if (!pattern || !*pattern || pattern[0] == '-' || strchr(pattern, '*')) return false;
    FcPattern *p = FcNameParse(reinterpret_cast<const FcChar8 *>(pattern));
    if (!p) return false;
    bool known = true;
    FcChar8 *family = nullptr;
    if (FcPatternGetString(p, FC_FAMILY, 0, &family) == FcResultMatch) {
        static const char *const generic[] = {"sans",  "sans-serif", "serif",   "monospace",
                                              "mono",  "cursive",    "fantasy", "system-ui",
                                              "emoji", "math"};
        known = false;
        for (const char *g : generic)
            if (!strcasecmp(reinterpret_cast<const char *>(family), g)) known = true;
        if (!known) {
            FcPattern *q = FcPatternCreate();
            FcPatternAddString(q, FC_FAMILY, family);
            FcObjectSet *os = FcObjectSetBuild(FC_FAMILY, nullptr);
            FcFontSet *fs = FcFontList(nullptr, q, os);
            known = fs && fs->nfont > 0;
            if (fs) FcFontSetDestroy(fs);
            FcObjectSetDestroy(os);
            FcPatternDestroy(q);
        }
    }
    FcPatternDestroy(p);
    return known;
}

XFontStruct *TextFontOpenXft(Display *display, const char *pattern) {
    // An XLFD the server lacks is a missing core font, not a pattern to match somehow.
    if (!display || !pattern || !*pattern || pattern[0] == '-' || strchr(pattern, '*'))
        return nullptr;
    FcPattern *query = FcNameParse(reinterpret_cast<const FcChar8 *>(pattern));
    if (!query) return nullptr;
    FcConfigSubstitute(nullptr, query, FcMatchPattern);
    XftDefaultSubstitute(display, DefaultScreen(display), query);
    FcResult r;
    FcPattern *match = FcFontMatch(nullptr, query, &r);
    XftFont *face = match ? XftFontOpenPattern(display, match) : nullptr;
    // GCs still take a font: a core one marks them, and its metrics become the face's.
    XFontStruct *mark = face ? XLoadQueryFont(display, "fixed") : nullptr;
    if (!face || !mark) {
        if (face)
            XftFontClose(display, face);
        else if (match)
            FcPatternDestroy(match);
        FcPatternDestroy(query);
        return nullptr;
    }
    mark->ascent = mark->max_bounds.ascent = short(face->ascent);
    mark->descent = mark->max_bounds.descent = short(face->descent);
    mark->max_bounds.width = short(face->max_advance_width);
    TEXTXFT *x = new TEXTXFT{face, query, nullptr, false, {}, {}};
    std::lock_guard<std::mutex> lock(text_mutex);
    text_fonts.push_back({display, mark->fid, mark, nullptr, false, pattern, x});
    return mark;
}

bool TextFontIsXft(XFontStruct *font) {
    std::lock_guard<std::mutex> lock(text_mutex);
    return XftOf(font) != nullptr;
}

void TextClip(Display *display, GC gc, const XRectangle *r) {
    std::lock_guard<std::mutex> lock(text_mutex);
    for (size_t i = text_clips.size(); i-- > 0;)
        if (text_clips[i].display == display && text_clips[i].gc == gc)
            text_clips.erase(text_clips.begin() + long(i));
    if (r) text_clips.push_back({display, gc, *r});
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
    if (XGetGCValues(display, gc, GCFont | GCForeground | GCBackground, &v)) {
        std::lock_guard<std::mutex> lock(text_mutex);
        if (const TEXTFONT *f = Lookup(display, v.font)) {
            if (f->xft) return XftDrawText(display, d, gc, f->xft, v, x, y, s, image);
            set = f->set;
        }
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
    std::string l1 = Utf8ToLatin1(s);
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
        if (const TEXTFONT *f = LookupFont(font)) {
            if (f->xft) return XftMeasure(f->display, f->xft, s, nullptr);
            set = f->set;
        }
    }
    if (set) return Xutf8TextEscapement(set, s.data(), int(s.size()));
    std::string l1 = Utf8ToLatin1(s);
    return XTextWidth(font, l1.data(), int(l1.size()));
}

bool TextExtents(XFontStruct *font, const char *text, int n, XCharStruct *overall) {
    if (!font || !text || !*text) return false;
    {
        std::lock_guard<std::mutex> lock(text_mutex);
        if (const TEXTFONT *f = LookupFont(font)) {
            if (f->xft) {
                XftMeasure(f->display, f->xft, TextShowable(text, n), overall);
                return true;
            }
        }
    }
    std::string l1 = Utf8ToLatin1(TextShowable(text, n));
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
        XStoreName(display, w, Utf8ToLatin1(s).c_str());
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
    // The input method may need events of its own (a server-side method wants key releases).
    unsigned long filter = 0;
    XWindowAttributes wa;
    if (!XGetICValues(ic, XNFilterEvents, &filter, nullptr) && filter &&
        XGetWindowAttributes(display, w, &wa) &&
        (wa.your_event_mask & long(filter)) != long(filter))
        XSelectInput(display, w, wa.your_event_mask | long(filter));
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
    // The input method may rewrite the event it takes (keycode 0 for the text it puts back).
    const int type = ev->type;
    const unsigned keycode = ev->xkey.keycode & 0xFF;
    if (XFilterEvent(ev, None)) {
        // A dead key, or the letter it composes with: their releases type nothing.
        if (type == KeyPress) text_key_note[keycode] = TEXTKEYNOTE{true, NoSymbol, {}};
        return true;
    }
    if (ev->type != KeyPress) return false;
    std::lock_guard<std::mutex> lock(text_mutex);
    XIC ic = IcOf(ev->xkey.window);
    TEXTKEYNOTE &n = text_key_note[ev->xkey.keycode & 0xFF];
    n = TEXTKEYNOTE{};
    if (!ic) return false;
    Status st = 0;
    KeySym sym = NoSymbol;
    int k = Xutf8LookupString(ic, &ev->xkey, n.text, int(sizeof n.text) - 1, &sym, &st);
    n.noted = true;
    n.sym = st == XLookupKeySym || st == XLookupBoth ? sym : NoSymbol;
    k = st == XLookupChars || st == XLookupBoth ? std::clamp(k, 0, int(sizeof n.text) - 1) : 0;
    n.text[k] = 0;
    // Composed text comes back as a press of keycode 0 that no release follows: it acts now,
    // as the release it will never get.
    if (ev->xkey.keycode == 0 && k > 0) ev->type = KeyRelease;
    return false;
}

int TextKeyLookup(XKeyEvent *key, char *buf, int size, KeySym *sym) {
    if (!key || !buf || size < 8 || !sym) return 0;
    buf[0] = 0;
    *sym = NoSymbol;
    {
        std::lock_guard<std::mutex> lock(text_mutex);
        const TEXTKEYNOTE &note = text_key_note[key->keycode & 0xFF];
        if (IcOf(key->window) && note.noted) {
            *sym = note.sym;
            int n = int(std::min(strlen(note.text), size_t(size - 1)));
            n = int(Utf8Cut(note.text, strlen(note.text), size_t(n)));
            memcpy(buf, note.text, size_t(n));
            buf[n] = 0;
            return n;
        }
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
