// Message formatters: turn a result code and a subject into a text in the user's language and show
// it in an error box (on stderr while no box can be shown).
#pragma once

int MsgErrWin(int language, const char *text, int code);
int MsgErrThr(int language, const char *name, int code, int err);
