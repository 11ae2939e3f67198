// The album window: an album's thumbnails under a notebook of six pages (properties,
// description, add, entry, remove, setup), opened from the Album menu or the command line.
#pragma once

#include "app/mf_album_tools.h"
#include "io/io_album.h"
#include "toolkit/xwin.h"

#include <string>

// Album > Open: the album file box, answered by AlbumOpenBtnReturn.
int MF_AlbumOpen(Display *display);
// The album file box's answer: rec->i the button; the name typed (or else selected) in the
// box's directory. Without a box, rec->str in the working directory.
int AlbumOpenBtnReturn(WINDATUSR *rec);
// The album path for a typed name in `dir`: ".alb" appended unless the name ends in it.
std::string AlbumOpenPath(const char *dir, const char *name);
int AlbumOpenAction(Display *display, const char *path);
int AlbumOpenStartUp(ALBUMDAT *album);
int AlbumPageUpdate(ALBUMDAT *album, int page);

int AlbumPageEntryAddFuncAdd(WINDATUSR *rec);
int AlbumPageEntryAddFuncAddDir(WINDATUSR *rec);
int AlbumPageEntryAddFuncAddDirSub(WINDATUSR *rec);
int AlbumPageEntryAddFuncAddCancel(WINDATUSR *rec);
int AlbumPageFuncEntryRemove(WINDATUSR *rec);
int AlbumPaintMouseFunc(WINDATUSR *rec);
int AlbumClose(WINDATUSR *rec);
int AlbumSave(WINDATUSR *rec);
int ResizeAlbum(WINDATUSR *rec);
ALBUMDAT *AlbumWndDataGet(WINDAT *win);
int AlbumFileRemove(WINDATUSR *rec);

// The window record of an album.
ALBUMWND *AlbumWnd(ALBUMDAT *album);
// Points the add page's file box at `dir` and selects `file` there (null: the box's first
// entry): 0, -3 when the file is not listed, else the box's error.
int AlbumAddSourceSet(ALBUMDAT *album, const char *dir, const char *file);
// The entries row of page 0: "%i  ( + %i  - %i )  =  %i".
std::string AlbumEntriesText(const ALBUMDAT *album);
// Shows entry `index` on the edit and remove pages.
int AlbumPageEntryShow(ALBUMDAT *album, int index);
