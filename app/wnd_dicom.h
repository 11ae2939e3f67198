// Window and level in the image view: presets and the file's windows by key, Shift + left drag,
// the value under the pointer, the "C/W" status field, and the window carried along a series.
#pragma once

#include "toolkit/xbase.h"

#include <string>

struct FILEINFO;

// Keys 1 to 6 (presets) and w (the file's next window) on a monochrome DICOM picture; 1 when
// taken.
int WinDicomKey(WINDAT *view, KeySym sym);
// Shift + left button: the press starts, motion changes width (right wider) and level (down
// higher), the release ends; 1 when taken. The press itself still gives the readout.
int WinDicomDrag(WINDAT *view, const XEvent *ev);
// "  stored S  HU V" (or "  value V UNIT") and, for multi-frame pictures, "  frame n/N" for the
// picture point (x, y); "" for pictures without stored values.
std::string WinDicomReadout(const FILEINFO *fi, int x, int y);
// After a picture was opened in the view: a window changed on a picture of the same series is
// applied to it, and the "C/W" field shows the window in use.
void WinDicomOpened(WINDAT *view);
// A field of the view's status line ("C/W", "slice"): shown after the readout; "" removes it.
void WinDicomStatusField(WINDAT *view, const char *name, const std::string &text);
// The status line's readout with the fields after it.
void WinDicomStatusShow(WINDAT *view, const char *readout);
// n/p on a DICOM picture with a Series Instance UID: the next or previous file of its series in
// its directory (Instance Number order); 1 when taken (also at the series' ends), 0 when the
// picture belongs to no series of two or more files there.
int WinDicomSeriesStep(WINDAT *view, int step);
// ',' and '.' step a multi-frame picture back and forward by one frame (while no film plays);
// 1 when taken.
int WinDicomFrameKey(WINDAT *view, KeySym sym);
// Each frame of a playing film: "frame n/N" and the rate in frames a second in the status line.
int WinDicomPlayFrame(WINDAT *view, int frame, int frames, int ms);
