// Shared helpers: string searches with the program's case rules, date and size texts for file
// lists, thumbnail fitting, text boxes and a millisecond sleep.
#pragma once

#include <ctime>

// Scratch texts of CompareDateStrMake.
extern char c_date[12];
extern char c_date2[12];

int _istrstr(const char *text, const char *sub);
int _istrchrLastPos(const char *text, int c);
const char *str_str(const char *text, const char *sub);
const char *strstr_sens(const char *text, const char *sub, int sensitive);
const char *_strstrIndex(const char *text, const char *typed);
const char *ExtractPathLast(const char *path);
int CompareFileExtension(const char *name1, const char *name2, int nocase);

// buf needs room for 25 bytes ("Mar 14 09:26:53 2000" and more for wide years).
int MakeTimeString(char *buf, time_t time);
// buf needs room for 16 bytes.
int MakeSizeString(char *buf, unsigned int bytes);

int CompareDateYear(const char *text);
int CompareDateMonth(const char *text);
int CompareDateStrMake(const char *text);
int CompareDate(const char *a, const char *b);

int CalcDestRect(int box_w, int box_h, int img_w, int img_h, short out[2]);

int SetTimer(int ms);

// A crash-safe replacement of a file. The new bytes go to a temporary file in the target's own
// directory, which takes the old file's permissions and group (`mode` for a new file, less the
// umask); the commit flushes it, renames it over the target and flushes the directory. A link
// stays a link: the file it points to is replaced, also when that file does not exist yet.
struct FILEREPLACE {
    char target[4096];
    char tmp[4096];
    int fd;
    int error; // errno of the failing step
    // Asked after the new file is complete, before the rename: non-zero refuses the replace
    // (error ESTALE), for a caller that must still find the file it read.
    int (*check)(void *ctx, const char *target);
    void *check_ctx;
};
// 0, or -1 when no temporary file could be made.
int FileReplaceOpen(FILEREPLACE *r, const char *path, int mode);
// 0, or -1 (the target unchanged and the temporary file gone).
int FileReplaceCommit(FILEREPLACE *r);
// Drops the temporary file; the target stays as it was.
void FileReplaceAbort(FILEREPLACE *r);

// Renames `from` to `to` unless `to` exists (a user's rename must not replace another file):
// 0, or the errno (EEXIST when `to` is there).
int FileRenameNoReplace(const char *from, const char *to);
