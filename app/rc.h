// Settings and the configuration file ~/.dravikrc: built-in defaults, reading at start-up and
// writing at the end.
#pragma once

#include "base/settings.h"

int ProgramResInit();
int ProgramResFileRead();
char *ReadRcDat();
const char *ReadEntry(const char *buffer, const char *key, long length);
const char *ReadEntryParam(const char *buffer, long start, long length);
// Applies every key found in the file's bytes (not NUL-terminated) to the settings.
void RcApplyBuffer(const char *buf, long len);
int RcProgramWrite();
int ProgramEnd();

// Fills PathMainRc from HOME (or the password database); -1 when there is no home directory.
int RcPathMake();
