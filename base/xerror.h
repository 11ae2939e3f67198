// Message formatters: turn a result code and a subject into a text in the user's language and show
// it in an error box (on stderr while no box can be shown).
// The formatters sit below every layer that reports errors; the box reaches them through a hook.
#pragma once

struct WINDAT;

// Where a message for the user goes: set by the toolkit to its message box. Without it (before
// the display is up, and in dravik-tool) a message is one line on stderr, "dravik: TITLE: TEXT".
extern int (*MsgShowHook)(int language, int kind, const char *text);
int MsgShow(int language, int kind, const char *text);

// `list` receives the text as one line once lists exist; until then every file error is boxed.
int MsgErrFile(int language, const char *subject, int code, int err, WINDAT *list);
int MsgErrWin(int language, const char *text, int code);
int MsgErrThr(int language, const char *name, int code, int err);
