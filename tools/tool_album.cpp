// dravik-tool album: albums from the shell, on the album window's file routines.
#include "tools/tool_album.h"

#include "base/xmem.h"
#include "io/io_album.h"
#include "image/io_files.h"
#include "tools/dravik_tool.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>
#include <string>
#include <vector>

namespace {

// The tree add of the album window stops at this depth too.
const int ALBUM_WALK_DEPTH = 150;

const char *AlbumErrText(int rc) {
    switch (rc) {
    case FILE_ERROR_OPEN:
        return "cannot open";
    case FILE_ERROR_READ:
        return "cannot read";
    case FILE_ERROR_DATA:
        return "damaged data";
    case FILE_ERROR_CREATE:
        return "cannot create";
    case FILE_ERROR_WRITE:
        return "cannot write";
    case FILE_ERROR_FORMAT:
        return "format not supported";
    case FILE_ERROR_NOIMAGE:
        return "no image in this DICOM file";
    case -8:
        return "out of memory";
    default:
        return "failed";
    }
}

// Releases the loaded album when the command ends.
struct AlbumGuard {
    ALBUMDAT *album;
    ~AlbumGuard() { IoAlbumFree(album); }
};

int AlbumSetPath(ALBUMDAT *album, const char *path) {
    memset(album, 0, sizeof *album);
    album->file.fd = -1;
    album->file.path = album->path;
    if (strlen(path) >= sizeof album->path) return ToolFail("%s: album path too long", path);
    snprintf(album->path, sizeof album->path, "%s", path);
    return 0;
}

// Loads an existing album; a missing file is an error here, not a new album.
int AlbumLoadExisting(ALBUMDAT *album, const char *path) {
    if (AlbumSetPath(album, path) || ToolInputCheck(path)) return 1;
    int rc = IoAlbumLoad(album, 0);
    if (rc == FILE_ERROR_FORMAT) return ToolFail("%s: not an album", path);
    if (rc != FILE_SUCCES) return ToolFail("%s: %s (%i)", path, AlbumErrText(rc), rc);
    return 0;
}

bool ParseInt(const char *text, long lo, long hi, long *out) {
    char *end = nullptr;
    errno = 0;
    long v = strtol(text, &end, 10);
    if (!*text || *end || errno || v < lo || v > hi) return false;
    *out = v;
    return true;
}

// Full path of a source as the album stores it: absolute, without trailing slashes.
std::string AbsolutePath(const char *path) {
    std::string p = path;
    while (p.size() > 1 && p.back() == '/')
        p.pop_back();
    if (!p.empty() && p[0] == '/') return p;
    char cwd[PATH_MAX];
    if (!getcwd(cwd, sizeof cwd)) return p;
    std::string dir = cwd;
    return dir == "/" ? "/" + p : dir + "/" + p;
}

bool FilterMatches(const char *name, int filter) {
    if (filter == FTYP_ALL) return true;
    const char *dot = strrchr(name, '.');
    return dot && !strcasecmp(dot, IoFileTypExt(filter));
}

struct ADDRUN {
    ALBUMDAT *album;
    int filter;
    bool recursive;
    int added;
};

int AddFile(ADDRUN *run, const std::string &path) {
    int rc = IoAlbumAppend(&run->album->file, path.c_str(), run->album);
    if (rc == FILE_SUCCES) run->added++;
    return rc;
}

// Files of a directory that match the filter, in name order; subdirectories with -r. Linked
// directories are not entered, so a link loop cannot run the walk in circles.
int AddDir(ADDRUN *run, const std::string &dir, int depth) {
    if (depth > ALBUM_WALK_DEPTH) {
        ToolFail("%s: more than %i directory levels, not entered", dir.c_str(), ALBUM_WALK_DEPTH);
        return 1;
    }
    DIR *d = opendir(dir.c_str());
    if (!d) return ToolFail("%s: cannot open directory: %s", dir.c_str(), strerror(errno));
    std::vector<std::string> names;
    while (dirent *e = readdir(d))
        if (strcmp(e->d_name, ".") && strcmp(e->d_name, "..")) names.push_back(e->d_name);
    closedir(d);
    std::sort(names.begin(), names.end());
    int status = 0;
    for (const std::string &name : names) {
        std::string path = dir == "/" ? "/" + name : dir + "/" + name;
        struct stat st;
        if (lstat(path.c_str(), &st) != 0) {
            status = ToolFail("%s: %s", path.c_str(), strerror(errno));
            continue;
        }
        if (S_ISLNK(st.st_mode) && stat(path.c_str(), &st) != 0) continue;
        if (S_ISDIR(st.st_mode)) {
            bool link = false;
            struct stat lst;
            if (lstat(path.c_str(), &lst) == 0) link = S_ISLNK(lst.st_mode);
            if (run->recursive && !link && AddDir(run, path, depth + 1)) status = 1;
            continue;
        }
        if (!S_ISREG(st.st_mode) || !FilterMatches(name.c_str(), run->filter)) continue;
        int rc = AddFile(run, path);
        // A file of the tree that is no image is passed over, as the album window does.
        if (rc != FILE_SUCCES)
            fprintf(stderr, "dravik-tool: skipped %s: %s (%i)\n", path.c_str(), AlbumErrText(rc),
                    rc);
    }
    return status;
}

int AlbumCreate(int argc, char **argv) {
    const char *file = nullptr;
    long edge = ALBUM_EDGE_DEFAULT;
    for (int i = 0; i < argc; i++) {
        if (!strcmp(argv[i], "--edge") && i + 1 < argc) {
            if (!ParseInt(argv[++i], 1, ALBUM_EDGE_MAX, &edge))
                return ToolFail("bad edge '%s' (1..%i)", argv[i], ALBUM_EDGE_MAX);
        } else if (!file && argv[i][0] != '-') {
            file = argv[i];
        } else {
            return ToolFail("usage: album create FILE [--edge N]");
        }
    }
    if (!file) return ToolFail("usage: album create FILE [--edge N]");
    if (ToolInputCheck(file)) return 1;
    struct stat st;
    if (lstat(file, &st) == 0 && S_ISLNK(st.st_mode) && stat(file, &st) != 0)
        return ToolFail("%s: a link to a missing file, not followed", file);
    FILEREQ req;
    IoRequestInit(&req, file);
    int rc = IoAlbumCreate(&req, static_cast<int>(edge));
    if (rc == FILE_ERROR_FORMAT) return ToolFail("%s: exists and is not an album", file);
    if (rc != FILE_SUCCES)
        return ToolFail("%s: %s: %s", file, AlbumErrText(rc), strerror(req.error));
    return 0;
}

int AlbumAdd(int argc, char **argv) {
    const char *usage = "usage: album add FILE PATH... [-r] [--filter N]";
    std::vector<const char *> paths;
    const char *file = nullptr;
    long filter = FTYP_ALL;
    bool recursive = false;
    for (int i = 0; i < argc; i++) {
        if (!strcmp(argv[i], "-r")) {
            recursive = true;
        } else if (!strcmp(argv[i], "--filter") && i + 1 < argc) {
            if (!ParseInt(argv[++i], 0, FTYP_COUNT - 1, &filter))
                return ToolFail("bad filter '%s' (0..%i)", argv[i], FTYP_COUNT - 1);
        } else if (argv[i][0] == '-' && argv[i][1]) {
            return ToolFail("%s", usage);
        } else if (!file) {
            file = argv[i];
        } else {
            paths.push_back(argv[i]);
        }
    }
    if (!file || paths.empty()) return ToolFail("%s", usage);
    ALBUMDAT album;
    if (AlbumSetPath(&album, file) || ToolInputCheck(file)) return 1;
    AlbumGuard guard{&album};
    // As the album window opens it: a missing album is created.
    int rc = IoAlbumLoad(&album, ALBUM_EDGE_DEFAULT);
    if (rc == FILE_ERROR_FORMAT) return ToolFail("%s: exists and is not an album", file);
    if (rc != FILE_SUCCES) return ToolFail("%s: %s (%i)", file, AlbumErrText(rc), rc);
    ADDRUN run{&album, static_cast<int>(filter), recursive, 0};
    int status = 0;
    for (const char *p : paths) {
        std::string path = AbsolutePath(p);
        struct stat st;
        if (stat(path.c_str(), &st) != 0) {
            status = ToolFail("%s: %s", p, strerror(errno));
        } else if (S_ISDIR(st.st_mode)) {
            if (AddDir(&run, path, 0)) status = 1;
        } else if (ToolInputCheck(p)) {
            status = 1;
        } else if ((rc = AddFile(&run, path)) != FILE_SUCCES) {
            status = ToolFail("%s: cannot add: %s (%i)", p, AlbumErrText(rc), rc);
        }
    }
    return status;
}

// Length of the well-formed UTF-8 sequence of two to four bytes at p, or 0.
// A field as text; the buffer follows the bytes the entry has, not the width its header claims.
std::string Field(const ALBUMDAT *album, int index, int field) {
    const uint8_t *p = nullptr;
    long len = 0;
    IoAlbumEntryBytes(album, index, &p, &len);
    std::vector<char> buf(static_cast<size_t>(std::min<long>(album->def[field], len)) + 8);
    IoAlbumEntryField(album, index, field, buf.data(), static_cast<int>(buf.size()));
    return ToolPrintable(buf.data());
}

int AlbumList(int argc, char **argv) {
    if (argc != 1) return ToolFail("usage: album list FILE");
    ALBUMDAT album;
    AlbumGuard guard{&album};
    if (AlbumLoadExisting(&album, argv[0])) return 1;
    for (int i = 0; i < album.entries; i++) {
        printf("%i\t%s\t%sx%s\t%s\t%s\t%s\n", i, Field(&album, i, ALBUM_F_NAME).c_str(),
               Field(&album, i, ALBUM_F_WIDTH).c_str(), Field(&album, i, ALBUM_F_HEIGHT).c_str(),
               Field(&album, i, ALBUM_F_BITS).c_str(), Field(&album, i, ALBUM_F_SIZE).c_str(),
               Field(&album, i, ALBUM_F_MTIME).c_str());
    }
    return 0;
}

int AlbumExtract(int argc, char **argv) {
    if (argc != 3) return ToolFail("usage: album extract FILE INDEX OUT.jpg");
    ALBUMDAT album;
    AlbumGuard guard{&album};
    if (AlbumLoadExisting(&album, argv[0])) return 1;
    long index = 0;
    if (!ParseInt(argv[1], 0, INT_MAX, &index) || index >= album.entries)
        return ToolFail("%s: no entry '%s' (%i entries)", argv[0], argv[1], album.entries);
    const uint8_t *p = nullptr;
    long len = 0;
    if (IoAlbumEntryThumb(&album, static_cast<int>(index), &p, &len) != FILE_SUCCES)
        return ToolFail("%s: entry %li has no thumbnail", argv[0], index);
    FILE *fp = fopen(argv[2], "wb");
    if (!fp) return ToolFail("cannot create %s: %s", argv[2], strerror(errno));
    size_t n = fwrite(p, 1, static_cast<size_t>(len), fp);
    if (fclose(fp) != 0 || n != static_cast<size_t>(len))
        return ToolFail("cannot write %s", argv[2]);
    return 0;
}

int AlbumRemove(int argc, char **argv) {
    if (argc < 2) return ToolFail("usage: album remove FILE INDEX...");
    ALBUMDAT album;
    AlbumGuard guard{&album};
    if (AlbumLoadExisting(&album, argv[0])) return 1;
    std::vector<uint8_t> drop(static_cast<size_t>(album.entries) + 1, 0);
    for (int i = 1; i < argc; i++) {
        long index = 0;
        if (!ParseInt(argv[i], 0, INT_MAX, &index) || index >= album.entries)
            return ToolFail("%s: no entry '%s' (%i entries)", argv[0], argv[i], album.entries);
        drop[static_cast<size_t>(index)] = 1;
    }
    int rc = IoAlbumEntrySaveDrop(&album, drop.data());
    if (rc == FILE_ERROR_DATA && album.file.error == ESTALE)
        return ToolFail("%s: not the album file that was loaded any more; not rewritten", argv[0]);
    if (rc != FILE_SUCCES) return ToolFail("%s: %s (%i)", argv[0], AlbumErrText(rc), rc);
    return 0;
}

} // namespace

int ToolAlbum(int argc, char **argv) {
    static const TOOLCMD sub[] = {
        {"create", nullptr, AlbumCreate}, {"add", nullptr, AlbumAdd},
        {"list", nullptr, AlbumList},     {"extract", nullptr, AlbumExtract},
        {"remove", nullptr, AlbumRemove},
    };
    if (argc < 1) return ToolFail("usage: album create|add|list|extract|remove ...");
    for (const TOOLCMD &c : sub)
        if (!strcmp(c.name, argv[0])) return c.run(argc - 1, argv + 1);
    return ToolFail("album: unknown command '%s'", argv[0]);
}
