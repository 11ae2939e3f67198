// Label tables: rows of five language columns (0 German, 1 English, 2-4 placeholders), flat,
// text = table[row * LG_COLUMNS + language]. German bytes are Latin-1.
#pragma once

enum { LG_COLUMNS = 5 };
enum { LG_GERMAN = 0, LG_ENGLISH = 1 };

extern const char *const mainLanguage[LG_COLUMNS];

// A label written in Latin-1 bytes, as UTF-8 kept for the run (converted once, where a table is
// filled; not for text that changes at run time).
const char *LgLatin1(const char *latin1);

extern const char *const szresL[];
extern const char *const szactL[];
extern const char *const szerrL[];
extern const char *const szwarnL[];
extern const char *const szboxtitelL[];

extern const char *const sznbalbumL[];
extern const char *const szoptionprogL[];
extern const char *const szoptionprogaskL[];
extern const char *const szoptionproginfoL[];
extern const char *const szoptionprogwindowL[];
extern const char *const szoptionproglangL[];
extern const char *const szoptionprogmouseL[];

extern const char *const mainmenuL[];
extern const char *const mainfileL[];
extern const char *const maineditL[];
extern const char *const mainviewL[];
extern const char *const mainalbumL[];
extern const char *const mainoptionL[];
extern const char *const mainwindowL[];
extern const char *const mainhelpL[];
extern const char *const menupaintbtn3L[];
extern const char *const paintfileL[];
extern const char *const menusortfileL[];
extern const char *const menufileboxbtn3L[];

// Filter n: element 2n is the type name, 2n + 1 its extension.
extern const char *const file_ext[12];
extern const char *const album_ext[4];

// Run-time label arrays: the active language's column of their source tables.
extern const char **szNB_ALBUM;
extern const char **szOPTIONPROG;
extern const char **szOPTIONPROGASK;
extern const char **szOPTIONPROGINFO;
extern const char **szOPTIONPROGWINDOW;
extern const char **szOPTIONPROGLANG;
extern const char **szOPTIONPROGMOUSE;
// Rows 0-2 the choices of DicomWindow, row 3 their title.
extern const char **szOPTIONDICOMWINDOW;

int LanguageLabelMemInit();
int LanguageLabelInit(int language);
int LanguageLabelMemDestroy();
