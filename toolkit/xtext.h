// The one text layer: every widget draws and measures its text here. Text is UTF-8; it is cut at
// character boundaries, never inside a sequence, and bytes that are no UTF-8 (a file name from an
// older system) show as U+FFFD. Core fonts draw through a font set made from the font's name, so
// the locale's character sets find their glyphs.
#pragma once

#include <X11/Xlib.h>

#include <string>

// Makes the font set of a loaded core font; fonts are looked up by their id when drawing.
// The toolkit lock is held by the caller.
void TextFontRegister(Display *display, XFontStruct *font);
// Opens a fontconfig pattern ("DejaVu Sans:size=10") as an anti-aliased Xft face with fallback
// faces for the characters it lacks. The core font returned stands for it everywhere a font is
// taken (GCs, widths, ascent and descent); null when nothing matches or the name is an XLFD
// (a core name the server lacks). Toolkit lock held.
XFontStruct *TextFontOpenXft(Display *display, const char *pattern);
bool TextFontIsXft(XFontStruct *font);
// A pattern whose family fontconfig has (or a generic family such as "monospace").
bool TextPatternKnown(const char *pattern);
// Xft cannot read a GC's clip: set (or with null clear) it here too when the GC's is set.
void TextClip(Display *display, GC gc, const XRectangle *r);
// Forgets the font sets of a display before its fonts are loaded again; a display opened at the
// address of a closed one never meets the old sets.
void TextFontsReset(Display *display);
// The text prepared for drawing: n bytes (all when n <= 0) cut at a boundary, invalid bytes
// replaced.
std::string TextShowable(const char *text, int n);
// Draws with the font of the GC (image: with its background, as XDrawImageString).
void TextDraw(Display *display, Drawable d, GC gc, int x, int y, const char *text, int n,
              bool image);
int TextWidth(XFontStruct *font, const char *text, int n);
// Ink extents as XTextExtents reports them; false for an empty text.
bool TextExtents(XFontStruct *font, const char *text, int n, XCharStruct *overall);
// A window's title in WM_NAME and, as UTF8_STRING, in _NET_WM_NAME.
void TextSetTitle(Display *display, Window w, const char *title);
// Called once before the display opens: the user's character type locale, when Xlib knows it.
void TextLocaleInit();

// Typed text through the input method (dead keys, compose, input methods for CJK): one input
// context per edit window, made when the window is, released with it.
XIC TextInputOpen(Display *display, Window w);
void TextInputClose(Window w);
// True when the input method took the event (a dead key waiting for its letter): not dispatched.
// A press it gives back with composed text (keycode 0) is turned into a release, on which our
// widgets act.
bool TextFilterEvent(XEvent *ev);
// The UTF-8 text and keysym of a key press: through the window's input context when it has one,
// else from XLookupString with Latin-1 and Unicode keysyms written as UTF-8. The bytes written.
int TextKeyLookup(XKeyEvent *key, char *buf, int size, KeySym *sym);
