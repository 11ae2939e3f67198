// Callback slots: setters store a function (null clears), invokers call it with a fresh copy of
// the window's user record.
#pragma once

#include "toolkit/xwin.h"

int WinSetFuncCreate(WINDAT *win, WINFUNC fn);
int WinSetFuncResize(WINDAT *win, WINFUNC fn);
int WinSetFuncExpose(WINDAT *win, WINFUNC fn);
int WinSetFuncClose(WINDAT *win, WINFUNC fn);
int WinSetFuncMouse(WINDAT *win, WINFUNC fn);
int WinSetFuncKeyb(WINDAT *win, WINFUNC fn);
int WinSetFuncRemove(WINDAT *win, WINFUNC fn);
int WinSetFuncAdd(WINDAT *win, WINFUNC fn);
int WinSetFuncSelect(WINDAT *win, WINFUNC fn);
int WinSetFuncReturn(WINDAT *win, WINFUNC fn);
int WinSetFuncStatus(WINDAT *win, WINFUNC fn);
int WinSetFuncProperty(WINDAT *win, WINFUNC fn);
int WinSetFuncIntClose(WINDAT *win, WINFUNC fn);

int WinFuncCreate(WINDAT *win);
int WinFuncResize(WINDAT *win);
int WinFuncExpose(WINDAT *win);
int WinFuncClose(WINDAT *win);
int WinFuncMouse(WINDAT *win);
int WinFuncKeyb(WINDAT *win);
int WinFuncRemove(WINDAT *win);
int WinFuncAdd(WINDAT *win);
int WinFuncSelect(WINDAT *win);
int WinFuncReturn(WINDAT *win);
int WinFuncStatus(WINDAT *win);
int WinFuncProperty(WINDAT *win);
int WinFuncIntClose(WINDAT *win);

// Calls slot `slot` (WIN_FUNC_*) of the window; -15 null window, -4 empty slot.
int WinFuncCall(WINDAT *win, int slot);

int WinFuncPrint(const char *name, const WINDATUSR *rec);
int PrintWINDATUSR(const char *name, const WINDATUSR *rec);
