// Settings and the configuration file ~/.dravikrc: built-in defaults, reading at start-up and
// writing at the end.
#pragma once

#include "base/settings.h"

// A text setting with its configuration key and the size of its buffer.
struct RCTEXTKEY {
    const char *key;
    char *value;
    int size;
};
// The seven font keys, menu font first.
enum { RC_FONT_KEYS = 7 };
extern const RCTEXTKEY rcFontKeys[RC_FONT_KEYS];

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
