// Message formatters: turn a result code and a subject into a text in the user's language and show
// it in an error box (on stderr while no box can be shown), or add it to a list as one line.
// The formatters sit below every layer that reports errors; the box and the list reach them
// through hooks.
#pragma once

#include <string>

struct WINDAT;

enum { MSG_BOX_ERROR = 2, MSG_TEXT_SIZE = 500 };

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
