// The settings variables: what the configuration file holds, read and written directly by the
// parts that use them. Data only; app/rc reads and writes the file.
#pragma once

enum { RC_PATH_SIZE = 256, RC_LAST_FILES = 10, RC_DSEARCH = 4, RC_VALUE_MAX = 500 };

extern char PathMainTemp[RC_PATH_SIZE];
extern char LastPathFileOpen[RC_PATH_SIZE];
extern char LastPathFileSave[RC_PATH_SIZE];
extern char LastPathAlbum[RC_PATH_SIZE];
extern char PathMainRc[RC_PATH_SIZE];
extern long BufSize;

// Save-as words: running save type, last open filter, last save filter, first and last frame.
extern int dlgmain[5];
// Recent files, most recent first; empty slots are null.
extern char *mainFileLastName[RC_LAST_FILES];

extern int LastFileSort;
extern int TbFile;
extern int TbDicom;
extern int AskFileOpenWin;
extern int AskFileSaveExist;
extern int AskFileRemove;
extern int AskFileInfoInWinPaint;
extern int AskPathShowFull;
extern int AskHintBtnSym;
extern int AskProgramExit;
extern int AskAlbumEntryRemove;
extern int AlbumTbSizeWH;
extern int HounsfieldUse;
extern int HounsfieldMin;
extern int HounsfieldMax;
// The window DICOM pictures open with: 0 min-max, 1 the file's own, 2 the Hounsfield range.
extern int DicomWindow;
extern int JpegQuality;
// 1: pictures are shown as their Exif orientation says (turned upright).
extern int ExifRotate;
// 1: a picture larger than its view opens fitted to it.
extern int FitLargeImages;
// 1: a Font setting that still holds its default name means the anti-aliased default face.
extern int AntiAliasedFonts;
// Bytes the archive cache may hold before its oldest series are removed.
extern long long ArchiveCacheLimit;
extern int sp_scroll;
extern int sp_paned;
extern int sp_paned_b;

// DICOM search fields, kept across runs only.
struct DSEARCHDAT {
    int group;
    int tag;
};
extern DSEARCHDAT DSearch[RC_DSEARCH];
