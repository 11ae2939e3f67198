#include "toolkit/xwinfunc.h"

#include <cstdio>

static int WinSetFunc(WINDAT *win, int slot, WINFUNC fn) {
    if (!win) return WIN_ERROR_ARG;
    win->func[slot] = fn;
    return 0;
}

int WinFuncCall(WINDAT *win, int slot) {
    if (!win) return WIN_ERROR_ARG;
    WINFUNC fn = win->func[slot];
    if (!fn) return -4;
    WINDATUSR rec = win->usr;
    return fn(&rec);
}

int WinSetFuncCreate(WINDAT *win, WINFUNC fn) {
    return WinSetFunc(win, WIN_FUNC_CREATE, fn);
}
int WinSetFuncResize(WINDAT *win, WINFUNC fn) {
    return WinSetFunc(win, WIN_FUNC_RESIZE, fn);
}
int WinSetFuncExpose(WINDAT *win, WINFUNC fn) {
    return WinSetFunc(win, WIN_FUNC_EXPOSE, fn);
}
int WinSetFuncClose(WINDAT *win, WINFUNC fn) {
    return WinSetFunc(win, WIN_FUNC_CLOSE, fn);
}
int WinSetFuncMouse(WINDAT *win, WINFUNC fn) {
    return WinSetFunc(win, WIN_FUNC_MOUSE, fn);
}
int WinSetFuncKeyb(WINDAT *win, WINFUNC fn) {
    return WinSetFunc(win, WIN_FUNC_KEYB, fn);
}
int WinSetFuncRemove(WINDAT *win, WINFUNC fn) {
    return WinSetFunc(win, WIN_FUNC_REMOVE, fn);
}
int WinSetFuncAdd(WINDAT *win, WINFUNC fn) {
    return WinSetFunc(win, WIN_FUNC_ADD, fn);
}
int WinSetFuncSelect(WINDAT *win, WINFUNC fn) {
    return WinSetFunc(win, WIN_FUNC_SELECT, fn);
}
int WinSetFuncReturn(WINDAT *win, WINFUNC fn) {
    return WinSetFunc(win, WIN_FUNC_RETURN, fn);
}
int WinSetFuncStatus(WINDAT *win, WINFUNC fn) {
    return WinSetFunc(win, WIN_FUNC_STATUS, fn);
}
int WinSetFuncProperty(WINDAT *win, WINFUNC fn) {
    return WinSetFunc(win, WIN_FUNC_PROPERTY, fn);
}

int WinSetFuncIntClose(WINDAT *win, WINFUNC fn) {
    if (!win) return WIN_ERROR_ARG;
    win->intclose = fn;
    return 0;
}

int WinFuncCreate(WINDAT *win) {
    return WinFuncCall(win, WIN_FUNC_CREATE);
}
int WinFuncResize(WINDAT *win) {
    return WinFuncCall(win, WIN_FUNC_RESIZE);
}
int WinFuncExpose(WINDAT *win) {
    return WinFuncCall(win, WIN_FUNC_EXPOSE);
}
int WinFuncClose(WINDAT *win) {
    return WinFuncCall(win, WIN_FUNC_CLOSE);
}
int WinFuncMouse(WINDAT *win) {
    return WinFuncCall(win, WIN_FUNC_MOUSE);
}
int WinFuncKeyb(WINDAT *win) {
    return WinFuncCall(win, WIN_FUNC_KEYB);
}
int WinFuncRemove(WINDAT *win) {
    return WinFuncCall(win, WIN_FUNC_REMOVE);
}
int WinFuncAdd(WINDAT *win) {
    return WinFuncCall(win, WIN_FUNC_ADD);
}
int WinFuncSelect(WINDAT *win) {
    return WinFuncCall(win, WIN_FUNC_SELECT);
}
int WinFuncReturn(WINDAT *win) {
    return WinFuncCall(win, WIN_FUNC_RETURN);
}
int WinFuncStatus(WINDAT *win) {
    return WinFuncCall(win, WIN_FUNC_STATUS);
}
int WinFuncProperty(WINDAT *win) {
    return WinFuncCall(win, WIN_FUNC_PROPERTY);
}

int WinFuncIntClose(WINDAT *win) {
    if (!win) return WIN_ERROR_ARG;
    if (!win->intclose) return -4;
    WINDATUSR rec = win->usr;
    return win->intclose(&rec);
}

static int PrintRecord(const char *name, const WINDATUSR *rec, bool parent_first) {
    if (!rec) return WIN_ERROR_ARG;
    if (!name) name = "";
    auto ptr = [](const void *p) { return const_cast<void *>(p); };
    fprintf(stderr, "%s: display  %p \n", name, ptr(rec->display));
    if (parent_first) fprintf(stderr, "%s: parent  %p \n", name, ptr(rec->parent));
    fprintf(stderr, "%s: win  %p \n", name, ptr(rec->win));
    if (!parent_first) fprintf(stderr, "%s: parent  %p \n", name, ptr(rec->parent));
    fprintf(stderr, "%s: i  %i \n", name, rec->i);
    fprintf(stderr, "%s: str  %p \n", name, ptr(rec->str));
    fprintf(stderr, "%s: im  %p \n", name, ptr(rec->im));
    fprintf(stderr, "%s: strm  %p \n", name, ptr(rec->strm));
    return 0;
}

int PrintWINDATUSR(const char *name, const WINDATUSR *rec) {
    return PrintRecord(name, rec, true);
}

int WinFuncPrint(const char *name, const WINDATUSR *rec) {
    if (!verbose) return 0;
    return PrintRecord(name, rec, false);
}
