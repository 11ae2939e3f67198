#include "base/settings.h"

char PathMainTemp[RC_PATH_SIZE];
char LastPathFileOpen[RC_PATH_SIZE];
char LastPathFileSave[RC_PATH_SIZE];
char LastPathAlbum[RC_PATH_SIZE];
char PathMainRc[RC_PATH_SIZE];
long BufSize = 0;

int dlgmain[5];
char *mainFileLastName[RC_LAST_FILES];

int LastFileSort, TbFile, TbDicom;
int AskFileOpenWin, AskFileSaveExist, AskFileRemove, AskFileInfoInWinPaint, AskPathShowFull,
    AskHintBtnSym, AskProgramExit, AskAlbumEntryRemove;
int AlbumTbSizeWH;
int HounsfieldUse, HounsfieldMin, HounsfieldMax;
int DicomWindow;
int ExifRotate = 1;
int FitLargeImages = 0;
int AntiAliasedFonts = 1;
int JpegQuality;
long long ArchiveCacheLimit = 2LL << 30;
int sp_scroll, sp_paned, sp_paned_b;
DSEARCHDAT DSearch[RC_DSEARCH];
