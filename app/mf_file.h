// The File menu's commands on the current image, the menu states that follow it, and the
// recent-files sub-menu ("Open Previous") kept in the configuration file.
#pragma once

#include "toolkit/xwin.h"

// File > Open: the work area file box's selection (-20 without a main window, -16 without the
// box, -15 without a selection).
int MF_FileOpen();
// File > Save as: the save-as dialog for the view.
int MF_FileSaveAs(WINDAT *view);
// The save-as dialog's buttons: 1 saves (asking first before overwriting), 2 cancels.
int FileboxSaveAsBtnReturn(WINDATUSR *rec);
// The answer to the overwrite question.
int _FileboxSaveAsBtnReturn(WINDATUSR *rec);

// Saves the view's image under its own name: 100, or the save's error code.
int MF_FileSave(WINDAT *view);
// Closes the image: an image window goes away, the work area's view is emptied.
int MF_FileClose(WINDAT *view);

// Enables Save, Save as, Close and the zoom entries when the current view shows an image (Save
// never for DICOM); -1 without a current view, -8 when it has no image table.
int MenuFileViewUpdate();

// Puts a newly opened file at the head of the recent files (a file already listed keeps its
// place) and rebuilds the sub-menu.
int MenuFileLastUpdate(const char *path);
// Rebuilds the sub-menu from the list: -15 when the list is empty, -8 without memory.
int MenuFileLastCreate();
// Action of a recent-file entry: opens the file its label names.
int MenuFileLastMenuBtn(WINDATUSR *rec);
