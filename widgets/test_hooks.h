// The seam of the widgets that tests and benchmarks watch; null in the program.
#pragma once

struct WINDAT;

// Called with each frame Play shows (the film is watched through it); a non-zero result ends
// the film.
extern int (*PaintPlayHook)(WINDAT *view, int frame);
