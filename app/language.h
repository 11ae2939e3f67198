// Label tables: rows of five language columns (0 German, 1 English, 2-4 placeholders), flat,
// text = table[row * LG_COLUMNS + language]. German bytes are Latin-1.
#pragma once

enum { LG_COLUMNS = 5 };

extern const char *const mainLanguage[LG_COLUMNS];

extern const char *const szresL[];
extern const char *const szactL[];
extern const char *const szerrL[];
extern const char *const szwarnL[];
extern const char *const szboxtitelL[];

int LanguageLabelMemInit();
int LanguageLabelInit(int language);
int LanguageLabelMemDestroy();
