#include "app/rc.h"

#include "app/menus.h"
#include "base/allg.h"
#include "widgets/xsymbol.h"

#include "base/language.h"
#include "base/lg.h"
#include "base/utf8.h"
#include "app/main.h"
#include "base/xmem.h"
#include "toolkit/xcolor.h"
#include "toolkit/xinit.h"
#include "toolkit/xwin.h"
#include "base/xerror.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

const RCTEXTKEY rcFontKeys[RC_FONT_KEYS] = {
    {"FontMenu", fontfs_sz_menu, FONT_NAME_SIZE},
    {"FontStatus", fontfs_sz_status, FONT_NAME_SIZE},
    {"FontPaint", fontfs_sz_paint, FONT_NAME_SIZE},
    {"FontButton", fontfs_sz_btn, FONT_NAME_SIZE},
    {"FontLabel", fontfs_sz_label, FONT_NAME_SIZE},
    {"FontText", fontfs_sz_text, FONT_NAME_SIZE},
    {"FontList", fontfs_sz_list, FONT_NAME_SIZE},
};

namespace {

const char RC_NAME[] = ".dravikrc";

using TextKey = RCTEXTKEY;

struct IntKey {
    const char *key;
    int *value;
};

// Keys in the order they are read; the writer keeps its own order below.
const TextKey pathKeys[] = {
    {"PathMainTemp", PathMainTemp, RC_PATH_SIZE},
    {"LastFileOpenPath", LastPathFileOpen, RC_PATH_SIZE},
    {"LastFileSavePath", LastPathFileSave, RC_PATH_SIZE},
    {"LastAlbumPath", LastPathAlbum, RC_PATH_SIZE},
};

const TextKey bgKeys[] = {
    {"BgForm", bg_sz_form, COLOR_NAME_SIZE},       {"BgMenu", bg_sz_menu, COLOR_NAME_SIZE},
    {"BgMenuSel", bg_sz_menuSel, COLOR_NAME_SIZE}, {"BgStatus", bg_sz_status, COLOR_NAME_SIZE},
    {"BgPaint", bg_sz_paint, COLOR_NAME_SIZE},     {"BgPaintText", bg_sz_paintTxt, COLOR_NAME_SIZE},
    {"BgButton", bg_sz_btn, COLOR_NAME_SIZE},      {"BgLabel", bg_sz_label, COLOR_NAME_SIZE},
    {"BgEdit", bg_sz_edit, COLOR_NAME_SIZE},       {"BgList", bg_sz_list, COLOR_NAME_SIZE},
    {"BgSelect", bg_sz_sel, COLOR_NAME_SIZE},      {"BgScroll", bg_sz_scroll, COLOR_NAME_SIZE},
    {"BgHint", bg_sz_hint, COLOR_NAME_SIZE},       {"BgDisable", bg_sz_disable, COLOR_NAME_SIZE},
};

const TextKey fgKeys[] = {
    {"FgForm", fg_sz_form, COLOR_NAME_SIZE},       {"FgMenu", fg_sz_menu, COLOR_NAME_SIZE},
    {"FgMenuSel", fg_sz_menuSel, COLOR_NAME_SIZE}, {"FgStatus", fg_sz_status, COLOR_NAME_SIZE},
    {"FgPaint", fg_sz_paint, COLOR_NAME_SIZE},     {"FgPaintText", fg_sz_paintTxt, COLOR_NAME_SIZE},
    {"FgButton", fg_sz_btn, COLOR_NAME_SIZE},      {"FgLabel", fg_sz_label, COLOR_NAME_SIZE},
    {"FgEdit", fg_sz_edit, COLOR_NAME_SIZE},       {"FgList", fg_sz_list, COLOR_NAME_SIZE},
    {"FgSelect", fg_sz_sel, COLOR_NAME_SIZE},      {"FgScroll", fg_sz_scroll, COLOR_NAME_SIZE},
    {"FgHint", fg_sz_hint, COLOR_NAME_SIZE},       {"FgDisable", fg_sz_disable, COLOR_NAME_SIZE},
};

const IntKey askKeys[] = {
    {"AskFileOpenWin", &AskFileOpenWin},   {"AskFileSaveExist", &AskFileSaveExist},
    {"AskFileRemove", &AskFileRemove},     {"AskFileInfoInWinPaint", &AskFileInfoInWinPaint},
    {"AskPathShowFull", &AskPathShowFull}, {"AskHintBtnSym", &AskHintBtnSym},
    {"AskProgramExit", &AskProgramExit},   {"AskAlbumEntryRemove", &AskAlbumEntryRemove},
};

const IntKey lastIntKeys[] = {
    {"LastFileOpenFilterNr", &dlgmain[1]},
    {"LastFileSaveFilterNr", &dlgmain[2]},
    {"LastFileSort", &LastFileSort},
    {"TbFile", &TbFile},
    {"TbDicom", &TbDicom},
};

const IntKey otherIntKeys[] = {
    {"AlbumThumbnailSizeWH", &AlbumTbSizeWH},
    {"MouseLeft", &opt_rt[0]},
    {"MouseRight", &opt_rt[1]},
    {"HounsfieldUse", &HounsfieldUse},
    {"HounsfieldMin", &HounsfieldMin},
    {"HounsfieldMax", &HounsfieldMax},
    {"DicomWindow", &DicomWindow},
    {"ExifRotate", &ExifRotate},
    {"FitLargeImages", &FitLargeImages},
    {"AntiAliasedFonts", &AntiAliasedFonts},
};

// A value longer than its variable is cut at a character boundary.
void CopyText(char *dst, int size, const char *src) {
    size_t n = strnlen(src, static_cast<size_t>(size));
    n = Utf8Cut(src, n, static_cast<size_t>(size) - 1);
    memcpy(dst, src, n);
    dst[n] = '\0';
}

// Shows a file error the way the message boxes word it: message, system error, path.
int RcReport(int code, int err) {
    const char *msg = LgErr(code == -101 ? 1 : 2, opt_rt[2]);
    std::string text = std::string(msg ? msg : "") + " (" + (err > 0 ? strerror(err) : " ") +
                       ")\n\n" + PathMainRc + "\n";
    MsgErrWin(opt_rt[2], text.c_str(), -25);
    return code;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

void ApplyText(const char *buf, long len, const TextKey &k) {
    const char *v = ReadEntry(buf, k.key, len);
    if (v) CopyText(k.value, k.size, v);
}

void ApplyInt(const char *buf, long len, const IntKey &k) {
    const char *v = ReadEntry(buf, k.key, len);
    if (v) *k.value = atoi(v);
}

// ArchiveCacheLimit is in MiB in the file, so a hand edit needs no long numbers; a value that is
// not a positive number of at most 16 TiB keeps the default.
const long long ARC_LIMIT_MIB_MAX = 16LL << 20;

void ApplyArchiveCacheLimit(const char *buf, long len) {
    ArchiveCacheLimit = 2LL << 30;
    const char *v = ReadEntry(buf, "ArchiveCacheLimit", len);
    if (!v) return;
    char *end = nullptr;
    errno = 0;
    long long mib = strtoll(v, &end, 10);
    while (end && IsBlank(*end))
        end++;
    if (errno || end == v || (end && *end) || mib < 1 || mib > ARC_LIMIT_MIB_MAX) return;
    ArchiveCacheLimit = mib << 20;
}

void ApplyLastFile(const char *buf, long len, int i) {
    char key[32];
    snprintf(key, sizeof key, "LastFile%i", i);
    const char *v = ReadEntry(buf, key, len);
    if (!v) return;
    size_t n = strlen(v);
    char *copy = static_cast<char *>(MemCreate(static_cast<long>(n) + 1, "rc"));
    if (!copy) {
        fprintf(stderr, "\n%s %s\n", LgRes(50, opt_rt[2]), "rc");
        return;
    }
    memcpy(copy, v, n + 1);
    if (mainFileLastName[i]) MemFree(mainFileLastName[i], "rc");
    mainFileLastName[i] = copy;
}

void ApplyLanguage(const char *buf, long len) {
    const char *v = ReadEntry(buf, "Language", len);
    if (v) {
        for (int i = 0; i < LG_COLUMNS; i++)
            if (strcmp(v, mainLanguage[i]) == 0) opt_rt[2] = i;
    }
    if (opt_rt[2] != LG_GERMAN && opt_rt[2] != LG_ENGLISH) opt_rt[2] = LG_ENGLISH;
}

} // namespace

int ProgramResInit() {
    CopyText(PathMainTemp, RC_PATH_SIZE, "/tmp");
    char cwd[RC_PATH_SIZE];
    if (!getcwd(cwd, sizeof cwd)) cwd[0] = '\0';
    CopyText(LastPathFileOpen, RC_PATH_SIZE, cwd);
    CopyText(LastPathFileSave, RC_PATH_SIZE, cwd);
    LastPathAlbum[0] = '\0';
    PathMainRc[0] = '\0';
    BufSize = 0;
    dlgmain[0] = 5;
    dlgmain[1] = 5;
    dlgmain[2] = 1;
    dlgmain[3] = 1;
    dlgmain[4] = 1;
    for (char *&slot : mainFileLastName)
        slot = nullptr;
    LastFileSort = 0;
    TbFile = 1;
    TbDicom = 1;
    opt_rt[0] = 1;
    opt_rt[1] = 3;
    opt_rt[2] = LG_DEFAULT;
    AskFileOpenWin = 0;
    AskFileSaveExist = 1;
    AskFileRemove = 1;
    AskFileInfoInWinPaint = 1;
    AskPathShowFull = 0;
    AskHintBtnSym = 1;
    AskProgramExit = 1;
    AskAlbumEntryRemove = 1;
    AlbumTbSizeWH = 96;
    for (DSEARCHDAT &d : DSearch)
        d = {0, 0};
    HounsfieldUse = 0;
    HounsfieldMin = -1024;
    HounsfieldMax = 3071;
    DicomWindow = 0;
    ExifRotate = 1;
    FitLargeImages = 0;
    AntiAliasedFonts = 1;
    JpegQuality = 100;
    sp_scroll = 16;
    sp_paned = 20;
    sp_paned_b = 8;
    killProgram = 0;
    for (MENUHANDLE &m : M_MAIN_MENU)
        m = nullptr;
    for (MENUHANDLE &m : M_OPTION_MENU)
        m = nullptr;
    // The colour layer writes these again with the visual known; set here so that the settings
    // are complete on their own.
    ColorNamesDefault(0);
    return 0;
}

int RcPathMake() {
    PathMainRc[0] = '\0';
    const char *home = getenv("HOME");
    if (!home || !*home) {
        const struct passwd *pw = getpwuid(getuid());
        home = pw && pw->pw_dir && *pw->pw_dir ? pw->pw_dir : nullptr;
    }
    static bool told = false;
    if (!home) {
        if (!told)
            fputs("dravik: no home directory, running without a configuration file\n", stderr);
        told = true;
        return -1;
    }
    size_t n = strlen(home);
    const char *sep = home[n - 1] == '/' ? "" : "/";
    int w = snprintf(PathMainRc, RC_PATH_SIZE, "%s%s%s", home, sep, RC_NAME);
    if (w < 0 || w >= RC_PATH_SIZE) {
        PathMainRc[0] = '\0';
        if (!told)
            fputs("dravik: home directory path too long, running without a configuration file\n",
                  stderr);
        told = true;
        return -1;
    }
    return 0;
}

char *ReadRcDat() {
    BufSize = 0;
    if (verbose) fprintf(stderr, "RcFile read -> %s\n", PathMainRc);
    // Read-only: a configuration the user may read but not write must still be read.
    int fd = open(PathMainRc, O_RDONLY);
    if (fd < 0) {
        RcReport(-101, errno);
        return nullptr;
    }
    struct stat st;
    if (fstat(fd, &st) != 0 || st.st_size <= 0 || st.st_size > 16L * 1024 * 1024) {
        close(fd);
        return nullptr;
    }
    long size = static_cast<long>(st.st_size);
    char *buf = static_cast<char *>(MemCreate(size, PathMainRc));
    if (!buf) {
        close(fd);
        return nullptr;
    }
    long got = 0;
    while (got < size) {
        ssize_t r = read(fd, buf + got, static_cast<size_t>(size - got));
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) break;
        got += r;
    }
    int err = errno;
    close(fd);
    if (got == 0) {
        RcReport(-102, err);
        MemFree(buf, PathMainRc);
        return nullptr;
    }
    BufSize = got;
    return buf;
}

const char *ReadEntryParam(const char *buffer, long start, long length) {
    static char value[RC_VALUE_MAX + 1];
    if (!buffer || start < 0 || start > length) return nullptr;
    long p = start;
    while (p < length && IsBlank(buffer[p]))
        p++;
    if (p >= length || buffer[p] != '=') return nullptr;
    p++;
    long end = p;
    while (end < length && buffer[end] != '\n')
        end++;
    while (p < end && IsBlank(buffer[p]))
        p++;
    while (end > p && IsBlank(buffer[end - 1]))
        end--;
    if (end <= p) return nullptr;
    // Every byte of a value stays (UTF-8 paths, blanks inside, '*'), but control characters:
    // they cannot be part of a name typed or shown.
    long n = 0;
    for (; p < end && n < RC_VALUE_MAX; p++)
        if (static_cast<unsigned char>(buffer[p]) >= 0x20 && buffer[p] != 0x7F)
            value[n++] = buffer[p];
    value[n] = '\0';
    return value;
}

// A key counts only as the first word of its line followed by "="; so "BgPaint" never matches
// a "BgPaintText" line, and a key in a comment or inside a value is no key.
const char *ReadEntry(const char *buffer, const char *key, long length) {
    if (!buffer || !key || !*key || length <= 0) return nullptr;
    long klen = static_cast<long>(strlen(key));
    long line = 0;
    while (line < length) {
        long p = line;
        while (p < length && IsBlank(buffer[p]))
            p++;
        if (p + klen <= length && memcmp(buffer + p, key, static_cast<size_t>(klen)) == 0) {
            const char *v = ReadEntryParam(buffer, p + klen, length);
            if (v) return v;
        }
        const void *nl = memchr(buffer + line, '\n', static_cast<size_t>(length - line));
        if (!nl) break;
        line = static_cast<const char *>(nl) - buffer + 1;
    }
    return nullptr;
}

void RcApplyBuffer(const char *buf, long len) {
    if (!buf || len <= 0) return;
    ApplyText(buf, len, pathKeys[0]);
    ApplyText(buf, len, pathKeys[1]);
    ApplyInt(buf, len, lastIntKeys[0]);
    ApplyText(buf, len, pathKeys[2]);
    ApplyInt(buf, len, lastIntKeys[1]);
    ApplyText(buf, len, pathKeys[3]);
    for (int i = 0; i < RC_LAST_FILES; i++)
        ApplyLastFile(buf, len, i);
    ApplyInt(buf, len, lastIntKeys[2]);
    for (const TextKey &k : rcFontKeys)
        ApplyText(buf, len, k);
    for (const TextKey &k : bgKeys)
        ApplyText(buf, len, k);
    for (const TextKey &k : fgKeys)
        ApplyText(buf, len, k);
    for (const IntKey &k : askKeys)
        ApplyInt(buf, len, k);
    for (const IntKey &k : otherIntKeys)
        ApplyInt(buf, len, k);
    ApplyLanguage(buf, len);
    for (int i = 0; i < RC_DSEARCH; i++) {
        char key[32];
        snprintf(key, sizeof key, "DicomSearchGroup%i", i);
        ApplyInt(buf, len, {key, &DSearch[i].group});
        snprintf(key, sizeof key, "DicomSearchTag%i", i);
        ApplyInt(buf, len, {key, &DSearch[i].tag});
    }
    ApplyInt(buf, len, lastIntKeys[3]);
    ApplyInt(buf, len, lastIntKeys[4]);
    if (ExifRotate != 0) ExifRotate = 1;
    if (FitLargeImages != 1) FitLargeImages = 0;
    if (AntiAliasedFonts != 0) AntiAliasedFonts = 1;
    ApplyArchiveCacheLimit(buf, len);
}

int ProgramResFileRead() {
    if (verbose) fprintf(stderr, "AppFilenameRc: %s\n", RC_NAME);
    if (RcPathMake() != 0) return 100;
    if (verbose) {
        fprintf(stderr, "AppFilenameRc: %s\n", PathMainRc);
        fprintf(stderr, "HOME -> %s\n", getenv("HOME") ? getenv("HOME") : "");
    }
    struct stat st;
    if (stat(PathMainRc, &st) != 0) RcReport(-102, errno);
    int fd = open(PathMainRc, O_RDONLY);
    if (fd < 0) return RcReport(-101, errno);
    close(fd);

    char *buf = ReadRcDat();
    if (!buf) return 100;
    RcApplyBuffer(buf, BufSize);
    MemFree(buf, PathMainRc);
    return 100;
}

// A value with a line end or another control character would not read back as itself (a file
// name holding "\nLanguage=DE" would even set another key): it is written empty.
static const char *RcStorable(const char *value) {
    for (const char *c = value; *c; c++)
        if (static_cast<unsigned char>(*c) < 0x20 || *c == 0x7F) return "";
    return value;
}

static void WriteSettings(FILE *f) {
    auto text = [f](const char *key, const char *value) {
        fprintf(f, "%s=%s\n", key, RcStorable(value));
    };
    auto num = [f](const char *key, int value) { fprintf(f, "%s=%i\n", key, value); };

    fputs("\n# Directory's\n\n", f);
    text("PathMainTemp", PathMainTemp);
    fputs("\n# Last\n\n", f);
    text("LastFileOpenPath", LastPathFileOpen);
    num("LastFileOpenFilterNr", dlgmain[1]);
    text("LastFileSavePath", LastPathFileSave);
    num("LastFileSaveFilterNr", dlgmain[2]);
    text("LastAlbumPath", LastPathAlbum);
    for (int i = 0; i < RC_LAST_FILES; i++) {
        if (mainFileLastName[i])
            fprintf(f, "%s%i=%s\n", "LastFile", i, RcStorable(mainFileLastName[i]));
        else
            fprintf(f, "%s%i=\n", "LastFile", i);
    }
    num("LastFileSort", LastFileSort);
    num("TbFile", TbFile);
    num("TbDicom", TbDicom);
    fputs("\n# Options\n\n", f);
    int lang = opt_rt[2] >= 0 && opt_rt[2] < LG_COLUMNS ? opt_rt[2] : LG_ENGLISH;
    text("Language", mainLanguage[lang]);
    num("MouseLeft", opt_rt[0]);
    num("MouseRight", opt_rt[1]);
    fputs("\n# Fonts\n\n", f);
    for (const TextKey &k : rcFontKeys)
        text(k.key, k.value);
    num("AntiAliasedFonts", AntiAliasedFonts);
    fputs("\n# Color Background\n\n", f);
    for (const TextKey &k : bgKeys)
        text(k.key, k.value);
    fputs("\n# Color Foreground\n\n", f);
    for (const TextKey &k : fgKeys)
        text(k.key, k.value);
    fputs("\n# YesNo\n\n", f);
    for (const IntKey &k : askKeys)
        num(k.key, *k.value);
    fputs("\n# Album\n\n", f);
    num("AlbumThumbnailSizeWH", AlbumTbSizeWH);
    fputs("\n# DICOM\n\n", f);
    for (int i = 0; i < RC_DSEARCH; i++) {
        fprintf(f, "%s%i=%i\n", "DicomSearchGroup", i, DSearch[i].group);
        fprintf(f, "%s%i=%i\n", "DicomSearchTag", i, DSearch[i].tag);
    }
    num("HounsfieldUse", HounsfieldUse);
    num("HounsfieldMin", HounsfieldMin);
    num("HounsfieldMax", HounsfieldMax);
    num("DicomWindow", DicomWindow);
    fputs("\n# View\n\n", f);
    num("ExifRotate", ExifRotate);
    num("FitLargeImages", FitLargeImages);
    fputs("\n# Archive\n\n", f);
    fprintf(f, "ArchiveCacheLimit=%lld\n", ArchiveCacheLimit >> 20);
    fputs("\n##\n", f);
}

// Written to a temporary file beside the old one and renamed over it, so a failed or interrupted
// write never leaves a truncated configuration behind.
int RcProgramWrite() {
    if (!PathMainRc[0] && RcPathMake() != 0) return -101;
    if (verbose) fprintf(stderr, "RcFile write -> %s\n", PathMainRc);
    FILEREPLACE rep;
    FILE *f = nullptr;
    if (FileReplaceOpen(&rep, PathMainRc, 0666) == 0) {
        f = fdopen(rep.fd, "w");
        if (!f) FileReplaceAbort(&rep);
    }
    if (!f) {
        fprintf(stderr, "%s %s\n", LgErr(1, opt_rt[2]), PathMainRc);
        return -101;
    }
    WriteSettings(f);
    bool ok = fflush(f) == 0 && !ferror(f);
    // The stream lets go of its buffer; the descriptor stays for the commit.
    int fd = dup(rep.fd);
    ok = fclose(f) == 0 && ok && fd >= 0;
    rep.fd = fd;
    if (!ok || FileReplaceCommit(&rep) != 0) {
        FileReplaceAbort(&rep);
        fprintf(stderr, "%s %s\n", LgErr(1, opt_rt[2]), PathMainRc);
        return -101;
    }
    return 100;
}

int ProgramEnd() {
    // Without a home directory there is nothing to write, and that was said at start-up.
    if (PathMainRc[0] || RcPathMake() == 0) {
        if (RcProgramWrite() != 100) fprintf(stderr, "%s: write error: %s\n", "dravik", PathMainRc);
    }
    Display *display = main_display;
    WinMemRemove();
    IconsDestroy(display);
    LanguageLabelMemDestroy();
    return 0;
}
