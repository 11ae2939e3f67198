// The label: one or more lines of text placed as its status word says, or a separator line.
#pragma once

#include "toolkit/xwin.h"

// Mode (the type record's `state`) of a separator label.
enum { LABEL_SEPARATOR = 1 };

WINDAT *LabelCreate(WINDAT *parent, int x, int y, WINTYP *typ, const WINNEIGHBOR *nb,
                    const char *text);
int LabelPaint(WINDAT *label);
int LabelSet(WINDAT *label, const char *text);
int LabelStatusSet(WINDAT *label, int status);
int LabelResize(WINDAT *label);
int LabelGetInitWidth(const char *text, int n);
int LabelGetInitHeight(const char *text, int n);
int ExposeLabel(WINDATUSR *rec);
int ResizeLabel(WINDATUSR *rec);
