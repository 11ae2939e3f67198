// The toolkit set up on an open display: one sequence for the program, the widget tests and the
// window benchmarks.
#pragma once

#include <X11/Xlib.h>

// Fills the main_ display globals from `d`, makes the label and window tables, sets the
// configuration defaults, colours and the display-image setup, then fonts, labels and menus.
// With `language` < 0 the configuration file is read before the fonts and its language is used
// (the program); otherwise `language` is used and no file is read (tests, benchmarks).
// 0; -19 without a display, -8 when a table cannot be made, -6 for fewer than 256 colours.
int MainToolkitSetup(Display *d, int language);
