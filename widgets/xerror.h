// Message formatters: turn a result code and a subject into a text in the user's language and show
// it in an error box (on stderr while no box can be shown).
#pragma once

struct WINDAT;

// `list` receives the text as one line once lists exist; until then every file error is boxed.
int MsgErrFile(int language, const char *subject, int code, int err, WINDAT *list);
int MsgErrWin(int language, const char *text, int code);
int MsgErrThr(int language, const char *name, int code, int err);
