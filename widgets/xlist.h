// The list: text entries in a scroll window, one selected, with keys, type-ahead and mouse
// selection; as a directory list it shows the working directory's files behind ".." and the
// directories (with a folder icon), filtered by an extension pattern and sorted four ways.
#pragma once

#include "toolkit/xwin.h"

// Slots of the list's int array.
enum {
    LIST_COUNT = 1,
    LIST_SELECT = 2,
    LIST_SELECT_MAX = 3,
    LIST_SELECT_TYP = 4,
    LIST_XMAX_PIX = 5,
    LIST_XMAX_CHR = 6,
    LIST_RESERVED = 7,
    LIST_POSX = 8,
    LIST_FIRST = 9,
    LIST_SORT = 10,
    LIST_INTS = 11,
};
// `state` of a directory list; sort modes.
enum { LIST_DIRECTORY = 1 };
enum { LIST_SORT_NAME = 0, LIST_SORT_TYPE = 1, LIST_SORT_SIZE = 2, LIST_SORT_DATE = 3 };
// Two releases closer than this make a double click.
enum { LIST_DBLCLICK_MS = 350 };

WINDAT *ListCreate(WINDAT *parent, int x, int y, WINTYP *typ, const WINNEIGHBOR *nb,
                   const char *name);
void ListEvInit();
int ListPaint(WINDAT *list);
int ExposeList(WINDATUSR *rec);
int ResizeList(WINDATUSR *rec);
int ListFuncIntClose(WINDATUSR *rec);

int ListPress(WINDAT *list);
int ListRelease(WINDAT *list);
int ListKey(WINDAT *list);

int ListEntryAdd(WINDAT *list, const char *text, int index);
// Removes every entry (the view back at the top); the caller repaints.
int ListEntryClear(WINDAT *list);
int ListEntrySetupWidth(WINDAT *list);
int ListEntrySetSelectText(WINDAT *list, const char *text);

// Fills a directory list from the working directory.
int ListAddCurDir(WINDAT *list);
// Lists `path` (of `size` bytes); a path that cannot be entered is cut back to the nearest
// parent that can, else $HOME, and the buffer then holds the directory used. The working
// directory is the caller's again afterwards.
int ListDirectoryAdd(WINDAT *list, char *path, int size);
int ListEntrySetSort(WINDATUSR *rec);

int ListEntryGetViewFirstNr(WINDAT *list);
int ListEntryGetSelectNr(WINDAT *list);
int ListEntrySetSelectNr(WINDAT *list, int n);
const char *ListEntryGetSelectEntry(WINDAT *list);
const char *ListEntryGetNr(WINDAT *list, int n);
int ListEntryGetPosX(WINDAT *list);
int ListEntrySetPosX(WINDAT *list, int v);
int ListEntryGetPosY(WINDAT *list);
int ListEntrySetPosY(WINDAT *list, int v);
int ListEntryGetEntryMax(WINDAT *list);
int ListEntryGetEntrySelectMax(WINDAT *list);
int ListEntrySetEntrySelectMax(WINDAT *list, int v);
int ListEntryGetEntrySelectTyp(WINDAT *list);
int ListEntrySetEntrySelectTyp(WINDAT *list, int v);
int ListEntryGetStrXMax(WINDAT *list);
int ListEntryGetSizeY(WINDAT *list);
// Rows the list shows.
int ListEntryGetRows(WINDAT *list);

int ListCreateIcons(WINDAT *list);
Pixmap PixmapCreateList(WINDAT *list);
XImage *XImageCreateList();
