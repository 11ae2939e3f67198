// Text exchanged with other programs through the PRIMARY and CLIPBOARD selections, as
// UTF8_STRING (STRING for older programs). Texts past SEL_TEXT_MAX are refused both ways:
// no incremental transfers. All calls with the toolkit lock held.
#pragma once

#include <X11/Xlib.h>

#include <cstddef>
#include <string>

enum { SEL_PRIMARY, SEL_CLIPBOARD };
enum : size_t { SEL_TEXT_MAX = 256 * 1024 };

// Takes the selection for w with the UTF-8 text; false when the server gave it to no one.
bool SelOwn(Display *display, Window w, int which, const std::string &text, Time t);
// The selection's text as UTF-8, asked through w; empty when there is none, it is no text,
// too large, or its owner does not answer within a second.
std::string SelFetch(Display *display, Window w, int which, Time t);
// Answers requests for the selections this program holds; true when ev was one of them.
bool SelEvent(XEvent *ev);
// Forgets what w owns, before the window goes.
void SelForget(Window w);
