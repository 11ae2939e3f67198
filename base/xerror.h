// Message formatters: turn a result code and a subject into a text in the user's language and show
// it in an error box (on stderr while no box can be shown), or add it to a list as one line.
// The formatters sit below every layer that reports errors; the box and the list reach them
// through hooks.
#pragma once

#include <string>

struct WINDAT;

enum { MSG_BOX_ERROR = 2, MSG_TEXT_SIZE = 500 };

// The result-code families. Each has its success codes and a table in xerror.cpp giving every
// failure code its name and message row; a code missing there is shown as the code and the
// subject.

// Toolkit and widgets (MsgErrWin): 0 and negative codes.
enum {
    WIN_SUCCES = 0,
    WIN_ERROR = -1,
    WIN_ERROR_GEOMETRY = -2,   // negative size or place
    WIN_ERROR_NOTHING = -3,    // nothing to do, or an empty text
    WIN_ERROR_NOCALLBACK = -4, // no callback installed
    WIN_ERROR_DEPTH = -6,      // fewer than 256 colours
    WIN_ERROR_MEMORY = -8,
    WIN_ERROR_FREE = -9, // freeing what is not there
    WIN_ERROR_GC = -10,  // no graphics context
    WIN_ERROR_ARG = -15, // absent or invalid argument
    WIN_ERROR_CHILD = -16,
    WIN_ERROR_PARENT = -17,
    WIN_ERROR_OWNER = -18,
    WIN_ERROR_NOWINDOW = -20,
    WIN_ERROR_TYPE = -22, // wrong window type
    WIN_ERROR_NOIMAGE = -24,
    WIN_ERROR_TEXT = -25,       // the subject is the whole message
    WIN_ERROR_CREATE = -26,     // window not created
    WIN_ERROR_ATTRIBUTES = -27, // window attributes unreadable
    WIN_ERROR_UNAVAILABLE = -28,
};

// Files, albums, DICOM and colour maps (MsgErrFile): 100 and 150 succeed.
enum {
    FILE_SUCCES = 100,
    FILE_QUIET = 150, // a success with something to say: a frame shown damaged, a row not kept
    FILE_ERROR_OPEN = -101,
    FILE_ERROR_READ = -102,
    FILE_ERROR_DATA = -103,
    FILE_ERROR_NOTFOUND = -104,
    FILE_ERROR_EXIST = -105,
    FILE_ERROR_RENAME = -106,
    FILE_ERROR_CREATE = -107,
    FILE_ERROR_CLOSE = -108,
    FILE_ERROR_WRITE = -109,
    FILE_ERROR_REMOVE = -110,
    FILE_ERROR_FORMAT = -111,
    FILE_ERROR_SAVE = -112,
    FILE_ERROR_COLORS = -113,
    FILE_ERROR_EXTENSION = -114,
    FILE_ERROR_NOIMAGE = -115, // a DICOM data set that parses but holds no picture
    // The same for directories and the working directory.
    FILE_ERROR_DIR_READ = -151,
    FILE_ERROR_DIR_DATA = -152,
    FILE_ERROR_DIR = -153,
    FILE_ERROR_DIR_EXIST = -154,
    FILE_ERROR_DIR_RENAME = -155,
    FILE_ERROR_DIR_CREATE = -156,
    FILE_ERROR_DIR_REMOVE = -157,
};

// Hosts (MsgErrNet): 200 and 250 succeed; -201 to -209 are the server's own failures.
enum {
    HOST_SUCCES = 200,
    HOST_QUIET = 250,
    HOST_ERROR_SERVER_FIRST = -209,
    HOST_ERROR_SERVER_LAST = -201,
    HOST_ERROR_FIND = -251,
    HOST_ERROR_CREATE = -252,
    HOST_ERROR_BIND = -253,
    HOST_ERROR_CLOSE = -254,
};

// Threads (MsgErrThr): 300 succeeds.
enum {
    THREAD_SUCCES = 300,
    THREAD_ERROR_CREATE = -301,
    THREAD_ERROR_JOIN = -302,
    THREAD_ERROR_CANCEL = -304,
};

// The name of a code of any family ("FILE_ERROR_READ"), or null for one no table holds.
const char *MsgCodeName(int code);

// Where a message for the user goes: set by the toolkit to its message box. Without it (before
// the display is up, and in dravik-tool) a message is one line on stderr, "dravik: TITLE: TEXT".
extern int (*MsgShowHook)(int language, int kind, const char *text);
int MsgShow(int language, int kind, const char *text);

// Appends a line to a list window; installed by the list widget. Without it a message meant for
// a list is shown in a box.
extern int (*MsgListAddHook)(WINDAT *list, const char *line);

// The text as one line: every run of line breaks becomes one blank, trailing breaks go.
std::string MsgOneLine(const char *text);

int MsgErrFile(int language, const char *subject, int code, int err, WINDAT *list);
// As MsgErrFile, with `what` in the parentheses instead of a system error (none when empty).
int MsgErrFileWhat(int language, const char *subject, int code, const char *what, WINDAT *list);
// As MsgErrFile in a box, with the reason in words ("empty file") where errno has none.
int MsgErrFileWhy(int language, const char *subject, int code, const char *why);
int MsgErrWin(int language, const char *text, int code);
int MsgErrThr(int language, const char *name, int code, int err);
int MsgErrNet(int language, const char *subject, int code, int err, WINDAT *list);
