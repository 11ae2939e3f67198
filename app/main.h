// The program's spine: the one display connection, the run-time options and the end flag.
#pragma once

#include "toolkit/xinit.h"

#include <atomic>

// Set to 1 to end the event loop and every event-pump thread; read by several threads.
extern std::atomic<int> killProgram;

// MouseLeft, MouseRight, language.
extern int opt_rt[3];

extern int TbStateFileSym;
extern int TbStateDicom;

int MainPropStrSet(int slot, void *p);
void *MainPropStrGet(int slot);
// A window type of the given size, language and colours with the mouse buttons of the settings.
WINTYP MainWinTyp(int w, int h, int lang, unsigned long fg, unsigned long bg);
int MenuMainAction(Display *display, int id);
int MF_FileExit();
int MainMenuBtn(WINDATUSR *rec);
int MenuMainActionWithKeyCTRL(const char *keyname);
int CheckEvKeyReleaseMain(const XEvent &ev);
void MainTopLevelProperties(Display *display, Window window);
WINDAT *WinMainToolbarCreate(int floating, int kind, int x, int y);
int ToolbarBtnMainAction(WINDATUSR *rec);
int MainFuncTbFileSymbolCloseTb(WINDATUSR *rec);
int MainFuncTbFileDicomCloseTb(WINDATUSR *rec);

// Refuses screens of fewer than 8 bits: -6 with the "< 256 colors" line, else 0.
int MainDepthCheck(int depth);

void *MainFuncTread(void *arg);
int MainFuncClose(WINDATUSR *rec);
int MainFuncResize(WINDATUSR *rec);
int MainFuncIntClose(WINDATUSR *rec);
void MainFuncSignal(int sig);
int CheckEvClientMessageMain(const XEvent &ev);
