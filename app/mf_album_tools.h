// The album window's background work: the event pump, the directory-tree scan and the progress
// lines they write to.
#pragma once

#include "io/io_album.h"
#include "toolkit/xwin.h"

#include <atomic>
#include <string>
#include <thread>

// The window's side of an album record. `a` comes first: slot 1 of the album view container
// holds &a, which leads back here.
struct ALBUMWND {
    ALBUMDAT a{};
    // Set by Cancel (on the pump thread) or a failed scan step; read by the add loops.
    std::atomic<int> cancel{0};
    // An add is running: the window must not close under it, nor start a second one.
    std::atomic<int> busy{0};
    // The directory a directory or tree add works on, taken from the add page's file box when
    // the add starts (the box may move on meanwhile).
    std::string adddir;
    WINDAT *window = nullptr;
    WINDAT *notebook = nullptr;
    WINDAT *container = nullptr; // the paned window of view and notebook
    WINDAT *status = nullptr;    // the view's status line
    WINDAT *progress1 = nullptr; // the add page's two progress lines and its Cancel
    WINDAT *progress2 = nullptr;
    WINDAT *cancelbtn = nullptr;
    // progress1 while a JPEG source is read, whose reader reports its progress there; null
    // otherwise. Set on the scan thread, read on the readers'.
    std::atomic<WINDAT *> readline{nullptr};
    // The scan state of a tree add: depth now and deepest, files matching, handled and added.
    // Written by the scan thread, read by the progress text while the scan runs.
    std::atomic<int> CurLevel{0}, MaxLevel{0};
    std::atomic<int> CurAddMax{0}, CurAddNr{0}, CurAddAdd{0};
    WINDAT *addbox = nullptr; // the add page's file box
    WINDAT *addctl[4] = {};   // its "add" label and the three add buttons
    WINDAT *proplabel[8] = {};
    WINDAT *editlabel[10] = {};
    WINDAT *editfield[4] = {}; // description, user, password, group
    WINDAT *removelabel[2] = {};
    WINDAT *setupfield[3] = {}; // block size, definition word, thumbnail edge
    // Bytes of the album file past the loaded ones whose entries the view shows already.
    long tailshown = 0;
    int savefailed = 0;
    std::string savemsg;
};

enum { ALBUM_LEVEL_MAX = 150 };

// The event pump: dispatches events until `stop` is set or the program ends. Started and
// stopped with AlbumPumpStart / AlbumPumpStop (which joins it).
struct ALBUMPUMP {
    std::thread thread;
    std::atomic<int> stop{0};
    bool running = false;
};
void TreadEvent(Display *display, ALBUMPUMP *pump);
int AlbumPumpStart(ALBUMPUMP *pump, Display *display, int language);
int AlbumPumpStop(ALBUMPUMP *pump, int language);

// The tree scan: mode 0 counts the matching files (CurAddMax), mode 1 adds them. Starts at the
// add page's directory. 100, or the code of the step that stopped it (cancel flag set).
int dodir(int mode, ALBUMWND *w);
int dodir_AddEntry(ALBUMWND *w, const char *path);
void TreadDoDir(ALBUMWND *w);

// Whether `name` passes the save-type filter of dlgmain[0] (5: every file).
bool AlbumFilterMatch(const char *name);
// Appends `path` with the JPEG progress in the first progress line; 100 or -109.
int AlbumAppendOne(ALBUMWND *w, const char *path);
// The second progress line: "%i / %i:  + %i" and the percentage, capped at 100 and safe for a
// total of 0.
void AlbumProgress2(ALBUMWND *w, int done, int total, int added);
int AlbumPercent(int done, int total);
