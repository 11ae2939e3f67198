// dravik-tool archive: the archive client from the shell.
#include "tools/tool_archive.h"

#include "archive/arc_client.h"
#include "tools/dravik_tool.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <string>
#include <vector>

namespace {

enum { EXIT_NOT_AUTHORISED = 3 };

int ArcExit(int rc, const std::string &err) {
    ToolFail("%s", err.c_str());
    return rc == ARC_ERR_AUTH ? EXIT_NOT_AUTHORISED : 1;
}

// The archive a command names, from the archives file or as a URL. Null after a message.
ARCCONN *Connect(const char *what) {
    std::vector<ARCHIVE> list;
    std::string err;
    std::string path = ArcConfPath();
    if (!path.empty() && ArcConfLoad(path, &list, &err) < 0) {
        ToolFail("%s", err.c_str());
        return nullptr;
    }
    ARCHIVE scratch;
    const ARCHIVE *a = ArcConfFind(list, what, &scratch);
    if (!a) {
        ToolFail("no archive '%s' in %s (a name of that file or an http:// or https:// URL)",
                 ToolPrintable(what).c_str(), path.empty() ? "the archives file" : path.c_str());
        return nullptr;
    }
    ARCCONN *c = ArcOpen(*a, &err);
    if (!c) ToolFail("%s", err.c_str());
    return c;
}

struct ConnGuard {
    ARCCONN *c;
    ~ConnGuard() { ArcClose(c); }
};

bool DigitsAt(const std::string &s, size_t at, size_t n) {
    if (s.size() < at + n) return false;
    for (size_t i = at; i < at + n; i++)
        if (s[i] < '0' || s[i] > '9') return false;
    return true;
}

// YYYYMMDD, YYYYMMDD-, -YYYYMMDD or YYYYMMDD-YYYYMMDD.
bool DateRange(const std::string &s) {
    if (s.size() == 8) return DigitsAt(s, 0, 8);
    if (s.size() == 9)
        return (s[8] == '-' && DigitsAt(s, 0, 8)) || (s[0] == '-' && DigitsAt(s, 1, 8));
    return s.size() == 17 && s[8] == '-' && DigitsAt(s, 0, 8) && DigitsAt(s, 9, 8);
}

std::string Count(long n) {
    return n < 0 ? "" : std::to_string(n);
}

int ArchiveFind(int argc, char **argv) {
    const char *usage =
        "usage: archive find ARCHIVE [--patient NAME] [--id ID] [--date FROM-TO] [--modality M] "
        "[--accession A]";
    if (argc < 1) return ToolFail("%s", usage);
    ARCQUERY q;
    for (int i = 1; i < argc; i++) {
        std::string opt = argv[i];
        if (i + 1 >= argc) return ToolFail("%s", usage);
        std::string v = argv[++i];
        if (opt == "--patient")
            q.patient = v;
        else if (opt == "--id")
            q.patient_id = v;
        else if (opt == "--date")
            q.date = v;
        else if (opt == "--modality")
            q.modality = v;
        else if (opt == "--accession")
            q.accession = v;
        else
            return ToolFail("%s", usage);
    }
    if (!q.date.empty() && !DateRange(q.date))
        return ToolFail("--date: YYYYMMDD, YYYYMMDD-YYYYMMDD, YYYYMMDD- or -YYYYMMDD");
    ConnGuard g{Connect(argv[0])};
    if (!g.c) return 1;
    std::vector<ARCSTUDY> studies;
    std::string err;
    int rc = ArcFindStudies(g.c, q, &studies, &err);
    if (rc) return ArcExit(rc, err);
    for (const ARCSTUDY &s : studies) {
        printf("%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\n", ToolPrintable(s.study_uid.c_str()).c_str(),
               ToolPrintable(s.patient.c_str()).c_str(),
               ToolPrintable(s.patient_id.c_str()).c_str(), ToolPrintable(s.date.c_str()).c_str(),
               ToolPrintable(s.modalities.c_str()).c_str(),
               ToolPrintable(s.description.c_str()).c_str(), Count(s.series).c_str(),
               Count(s.instances).c_str());
    }
    return 0;
}

int ArchiveGet(int argc, char **argv) {
    if (argc != 3 && argc != 4)
        return ToolFail("usage: archive get ARCHIVE STUDY_UID [SERIES_UID] OUTDIR");
    std::string study = argv[1];
    std::string series = argc == 4 ? argv[2] : "";
    std::string outdir = argv[argc - 1];
    if (mkdir(outdir.c_str(), 0755) != 0 && errno != EEXIST)
        return ToolFail("%s: %s", outdir.c_str(), strerror(errno));
    struct stat st;
    if (stat(outdir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return ToolFail("%s: not a directory", outdir.c_str());
    ConnGuard g{Connect(argv[0])};
    if (!g.c) return 1;
    int count = 0;
    std::string err;
    int rc = ArcRetrieve(g.c, study, series, outdir, nullptr, &count, &err);
    if (rc) {
        if (count) fprintf(stderr, "dravik-tool: %d instances were stored\n", count);
        return ArcExit(rc, err);
    }
    printf("%d instances\n", count);
    return 0;
}

} // namespace

int ToolArchive(int argc, char **argv) {
    if (argc >= 1 && !strcmp(argv[0], "find")) return ArchiveFind(argc - 1, argv + 1);
    if (argc >= 1 && !strcmp(argv[0], "get")) return ArchiveGet(argc - 1, argv + 1);
    return ToolFail("usage: archive find|get ARCHIVE ...");
}
