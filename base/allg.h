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
