// The base window: an empty container that places and sizes itself from its neighbours.
#pragma once

#include "toolkit/xwin.h"

// Placement states of a base window.
enum {
    BASE_CHAINED = 0,   // beside the left and below the top neighbour, stretched to the others
    BASE_FIXED = 1,     // never moved or resized by the toolkit
    BASE_CHAINED_H = 2, // chained left to right, tops aligned with the top/bottom neighbours
    BASE_CHAINED_V = 3, // chained top to bottom, lefts aligned with the left/right neighbours
};

WINDAT *BaseCreate(WINDAT *parent, int x, int y, WINTYP *typ, const WINNEIGHBOR *nb,
                   const char *name);
int BaseResize(WINDAT *win);
int BasePaint(WINDAT *win);
int ResizeBase(WINDATUSR *rec);
int ExposeBase(WINDATUSR *rec);
