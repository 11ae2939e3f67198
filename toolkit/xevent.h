// Event dispatch.
#pragma once

#include "toolkit/xwin.h"

// The sash on which the last select-button press happened; only it is dragged on release.
extern Window WinEvButtonPress;

int WinEvent(Display *display, XEvent ev);
int WinEventQueued(Display *display);
