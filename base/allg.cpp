#include "base/allg.h"
#include "base/xerror.h"

#include <fcntl.h>
#include <sys/select.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

char c_date[12];
char c_date2[12];

int _istrstr(const char *text, const char *sub) {
    if (!text || !sub || !*text || !*sub) return WIN_ERROR_ARG;
    const char *p = strstr(text, sub);
    return p ? static_cast<int>(p - text) : -1;
}

int _istrchrLastPos(const char *text, int c) {
    if (!text || c == 0) return WIN_ERROR_ARG;
    for (int i = static_cast<int>(strlen(text)) - 1; i >= 1; i--)
        if (text[i] == c) return i;
    return -1;
}

// The program's own case rule: only the character of the searched-for text decides whether
// its other case counts.
static bool CharMatchNoCase(char t, char s) {
    if (t == s) return true;
    if (s >= 'a' && s <= 'z') return t + 32 == s;
    if (s >= 'A' && s <= 'Z') return t - 32 == s;
    return false;
}

const char *str_str(const char *text, const char *sub) {
    if (!text || !sub || !*text || !*sub) return nullptr;
    size_t n = strlen(sub);
    for (const char *p = text; *p; p++) {
        size_t i = 0;
        while (i < n && p[i] && CharMatchNoCase(p[i], sub[i]))
            i++;
        if (i == n) return text;
        if (!p[i]) break;
    }
    return nullptr;
}

const char *strstr_sens(const char *text, const char *sub, int sensitive) {
    if (!sensitive) return str_str(text, sub);
    if (!text || !sub) return nullptr;
    return strstr(text, sub);
}

const char *_strstrIndex(const char *text, const char *typed) {
    if (!text || !typed || !*text || !*typed) return nullptr;
    for (size_t i = 0; text[i] && typed[i]; i++)
        if (CharMatchNoCase(text[i], typed[i])) return text;
    return nullptr;
}

const char *ExtractPathLast(const char *path) {
    if (!path) return nullptr;
    const char *last = path;
    for (const char *p = path; *p; p++)
        if (*p == '/' || *p == ':') last = p + 1;
    return last;
}

static std::string FileExtension(const char *name) {
    int dot = _istrchrLastPos(name, '.');
    return dot > 0 ? std::string(name + dot + 1) : std::string(name);
}

int CompareFileExtension(const char *name1, const char *name2, int nocase) {
    if (!name1 || !name2) return WIN_ERROR_ARG;
    std::string e1 = FileExtension(name1), e2 = FileExtension(name2);
    if (nocase == 1) {
        size_t n = std::min(e1.size(), e2.size());
        for (size_t i = 0; i < n; i++) {
            e1[i] = static_cast<char>(tolower(static_cast<unsigned char>(e1[i])));
            e2[i] = static_cast<char>(tolower(static_cast<unsigned char>(e2[i])));
        }
    }
    return strcmp(e1.c_str(), e2.c_str());
}

int MakeTimeString(char *buf, time_t time) {
    if (!buf) return WIN_ERROR_ARG;
    char text[64];
    struct tm tm;
    if (!localtime_r(&time, &tm) || !asctime_r(&tm, text)) {
        buf[0] = '\0';
        return WIN_ERROR_ARG;
    }
    text[strcspn(text, "\n")] = '\0';
    // ctime text from its fifth character: "Mar 14 09:26:53 2000", 20 characters.
    if (snprintf(buf, 25, "%12.20s", strlen(text) > 4 ? text + 4 : "") < 0) buf[0] = '\0';
    return 0;
}

int MakeSizeString(char *buf, unsigned int bytes) {
    if (!buf) return WIN_ERROR_ARG;
    const int size = 16;
    if (bytes < 1000) {
        snprintf(buf, size, "%u Bytes", bytes);
        return 0;
    }
    double k = bytes / 1024.0;
    if (k + 0.999 < 1000) {
        snprintf(buf, size, "%d KB", static_cast<int>(k + 0.5));
        return 0;
    }
    double m = k / 1024;
    if (m < 9.9) {
        snprintf(buf, size, "%.1f MB", m + 0.05);
    } else if (m < 1000) {
        snprintf(buf, size, "%d MB", static_cast<int>(m + 0.5));
    } else {
        double g = m / 1024;
        if (g < 9.9)
            snprintf(buf, size, "%.1f GB", g + 0.05);
        else
            snprintf(buf, size, "%d GB", static_cast<int>(g + 0.5));
    }
    return 0;
}

int CompareDateYear(const char *text) {
    if (!text) return 0;
    size_t n = strlen(text);
    return atoi(n >= 4 ? text + n - 4 : text);
}

int CompareDateMonth(const char *text) {
    if (!text || strlen(text) < 3) return 0;
    switch (text[0]) {
    case 'J':
        if (text[1] == 'a') return 1;
        if (text[2] == 'n') return 6;
        if (text[2] == 'l') return 7;
        return 0;
    case 'M':
        if (text[2] == 'r') return 3;
        if (text[2] == 'y') return 5;
        return 0;
    case 'A':
        if (text[2] == 'r') return 4;
        if (text[2] == 'g') return 8;
        return 0;
    case 'F':
        return 2;
    case 'S':
        return 9;
    case 'O':
        return 10;
    case 'N':
        return 11;
    case 'D':
        return 12;
    default:
        return 0;
    }
}

// Month letters, day (one or two digits), hours, minutes, seconds: "Mar14092653".
static void DateScratch(const char *text, char out[12]) {
    char t[16];
    memset(t, ' ', sizeof t);
    size_t n = std::min(strlen(text), sizeof t);
    memcpy(t, text, n);
    int k = 0;
    for (int i = 0; i < 3; i++)
        out[k++] = t[i];
    if (t[4] != ' ') out[k++] = t[4];
    out[k++] = t[5];
    const int time_pos[] = {7, 8, 10, 11, 13, 14};
    for (int p : time_pos)
        out[k++] = t[p];
    out[k] = '\0';
}

int CompareDateStrMake(const char *text) {
    if (!text) return WIN_ERROR_ARG;
    DateScratch(text, c_date);
    return 0;
}

// A two-digit day is read together with the time digits behind it; a one-digit day alone.
static long DateDayValue(const char *text, const char *scratch) {
    if (text[0] && text[1] && text[2] && text[3] && text[4] == ' ')
        return atol(scratch + 3) / 1000000;
    return atol(scratch + 3);
}

int CompareDate(const char *a, const char *b) {
    if (!a || !b) return WIN_ERROR_ARG;
    int ya = CompareDateYear(a), yb = CompareDateYear(b);
    if (ya != yb) return ya > yb ? 1 : -1;
    int ma = CompareDateMonth(a), mb = CompareDateMonth(b);
    if (ma != mb) return ma > mb ? 1 : -1;
    char da[12], db[12];
    DateScratch(a, da);
    DateScratch(b, db);
    long va = DateDayValue(a, da), vb = DateDayValue(b, db);
    if (va != vb) return va > vb ? 1 : -1;
    size_t ta = strlen(da) - 6, tb = strlen(db) - 6;
    return strcmp(da + ta, db + tb);
}

int CalcDestRect(int box_w, int box_h, int img_w, int img_h, short out[2]) {
    if (!out) return WIN_ERROR_ARG;
    out[0] = out[1] = 0;
    if (box_w < 1 || box_h < 1 || box_w > 32767 || box_h > 32767) {
        fprintf(stderr, "Calc: THUMB_SIZEX %i, THUMB_SIZEY %i Error\n", box_w, box_h);
        return WIN_ERROR_ARG;
    }
    if (img_w < 1 || img_h < 1) {
        fprintf(stderr, "Calc: x %i, x %i Error\n", img_w, img_h);
        return WIN_ERROR_ARG;
    }
    // The side whose ratio to the box is larger fills the box; the other is rounded to the
    // nearest pixel, in 64-bit integers so that no ratio is lost to float precision.
    long long w, h;
    if (static_cast<long long>(img_w) * box_h >= static_cast<long long>(img_h) * box_w) {
        w = box_w;
        h = (2LL * img_h * box_w + img_w) / (2LL * img_w);
    } else {
        h = box_h;
        w = (2LL * img_w * box_h + img_h) / (2LL * img_h);
    }
    out[0] = static_cast<short>(std::clamp<long long>(w, 1, box_w));
    out[1] = static_cast<short>(std::clamp<long long>(h, 1, box_h));
    return 0;
}

int SetTimer(int ms) {
    if (ms < 1) return WIN_ERROR_ARG;
    struct timeval tv;
    tv.tv_sec = ms * 1000L / 1000000;
    tv.tv_usec = ms * 1000L % 1000000;
    select(0, nullptr, nullptr, nullptr, &tv);
    return 0;
}

// The file a path finally names: links followed, also a last one that points nowhere yet.
static std::string FileReplaceTarget(const char *path) {
    std::string p = path;
    for (int hops = 0; hops < 40; hops++) {
        struct stat st;
        if (lstat(p.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return p;
        char link[4096];
        ssize_t n = readlink(p.c_str(), link, sizeof link - 1);
        if (n <= 0) return p;
        link[n] = '\0';
        if (link[0] == '/') {
            p = link;
        } else {
            size_t slash = p.rfind('/');
            p = (slash == std::string::npos ? std::string() : p.substr(0, slash + 1)) + link;
        }
    }
    return p;
}

int FileReplaceOpen(FILEREPLACE *r, const char *path, int mode) {
    if (!r || !path || !*path) return -1;
    memset(r, 0, sizeof *r);
    r->fd = -1;
    std::string target = FileReplaceTarget(path);
    size_t slash = target.rfind('/');
    std::string dir = slash == std::string::npos ? "" : target.substr(0, slash + 1);
    std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    std::string tmp = dir + "." + base + ".XXXXXX";
    if (target.size() >= sizeof r->target || tmp.size() >= sizeof r->tmp) {
        r->error = ENAMETOOLONG;
        return -1;
    }
    snprintf(r->target, sizeof r->target, "%s", target.c_str());
    snprintf(r->tmp, sizeof r->tmp, "%s", tmp.c_str());
    r->fd = mkstemp(r->tmp);
    if (r->fd < 0) {
        r->error = errno;
        return -1;
    }
    struct stat st;
    if (stat(r->target, &st) == 0) {
        // The group matters for files shared with a group; only the owner may fail to carry over.
        if (fchown(r->fd, st.st_uid, st.st_gid) != 0 &&
            fchown(r->fd, static_cast<uid_t>(-1), st.st_gid) != 0)
            errno = 0;
        fchmod(r->fd, st.st_mode & 07777);
    } else {
        mode_t mask = umask(0);
        umask(mask);
        fchmod(r->fd, static_cast<mode_t>(mode) & ~mask & 07777);
    }
    return 0;
}

int FileReplaceCommit(FILEREPLACE *r) {
    if (!r || r->fd < 0) return -1;
    int rc = fsync(r->fd) == 0 ? 0 : -1;
    if (rc) r->error = errno;
    if (close(r->fd) != 0 && rc == 0) {
        r->error = errno;
        rc = -1;
    }
    r->fd = -1;
    if (rc == 0 && r->check && r->check(r->check_ctx, r->target) != 0) {
        r->error = ESTALE;
        rc = -1;
    }
    if (rc == 0 && rename(r->tmp, r->target) != 0) {
        r->error = errno;
        rc = -1;
    }
    if (rc) {
        unlink(r->tmp);
        return rc;
    }
    std::string target = r->target;
    size_t slash = target.rfind('/');
    std::string dir = slash == std::string::npos ? "." : target.substr(0, slash + 1);
    int dfd = open(dir.c_str(), O_RDONLY | O_DIRECTORY);
    if (dfd >= 0) {
        fsync(dfd);
        close(dfd);
    }
    return 0;
}

void FileReplaceAbort(FILEREPLACE *r) {
    if (!r) return;
    if (r->fd >= 0) close(r->fd);
    r->fd = -1;
    if (r->tmp[0]) unlink(r->tmp);
    r->tmp[0] = '\0';
}

int FileRenameNoReplace(const char *from, const char *to) {
    if (!from || !to) return EINVAL;
    if (strcmp(from, to) == 0) return 0;
    if (renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS) return errno;
    // A file system without the flag: look first, then rename.
    struct stat st;
    if (lstat(to, &st) == 0) return EEXIST;
    return rename(from, to) == 0 ? 0 : errno;
}
