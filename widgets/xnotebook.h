// The notebook: a row of tabs over a stack of pages, one page shown at a time, with an optional
// caption line at the bottom. When the tabs do not fit, arrows at the row's ends step through
// them.
#pragma once

#include "toolkit/xwin.h"

// Slots of the notebook's int array and pointer array.
enum { NB_PAGES = 1, NB_CUR = 2, NB_SLOT_ROW = 1, NB_SLOT_BASE = 2, NB_SLOT_LABEL = 3 };
// Slots of the tab row's int array.
enum { NBROW_FIRST = 1, NBROW_CUR = 2, NBROW_COUNT = 3, NBROW_FIRSTVIS = 4, NBROW_VISIBLE = 5 };

WINDAT *NotebookCreate(WINDAT *parent, int x, int y, WINTYP *typ, const WINNEIGHBOR *nb,
                       const char *name, int withlabel);
int NotebookPageCreate(WINDAT *notebook, const char *label);
int NotebookPageUpdate(WINDAT *tab);
int NotebookPageSetCur(WINDAT *notebook, int page);
int NotebookPageGetCur(WINDAT *notebook);
int NotebookPageGetMax(WINDAT *notebook);
WINDAT *NotebookPageGetBase(WINDAT *notebook, int index);
WINDAT *NotebookPageGetBtn(WINDAT *notebook, int index);
int NotebookPageSetBtn(WINDAT *notebook, int index);
int NotebookPageLabelUpdate(WINDAT *notebook, const char *text);
WINDAT *NotebookWndBaseGet(WINDAT *notebook);
int NotebookResize(WINDAT *notebook);
// The width all tabs take side by side (the row needs no arrows when it has that much).
int NotebookTabsWidth(WINDAT *notebook);
int NotebookPageBtnAction(WINDATUSR *rec);
int NotebookFuncIntClose(WINDATUSR *rec);
int ResizeNotebook(WINDATUSR *rec);

// The tab row.
WINDAT *BtnGroupNbCreate(WINDAT *notebook, int x, int y, int width, int height);
WINDAT *BtnGroupNbBtnAdd(WINDAT *row, const char *label, WINFUNC action);
int BtnGroupNbBtnSetup(WINDAT *row);
int BtnGroupNbBtnPaint(WINDAT *row);
int BtnGroupBtnScrollAction(WINDATUSR *rec);
