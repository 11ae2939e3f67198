#include "tools/dravik_tool.h"

#include "tools/tool_album.h"
#include "tools/tool_archive.h"
#include "tools/tool_dicom.h"
#include "tools/tool_image.h"

#include <cstdarg>
#include <cstdio>
#include <csignal>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

// Sub-commands join this table as their subsystems arrive.
static const TOOLCMD tool_commands[] = {
    {"info", "info FILE", ToolImageInfo},
    {"convert",
     "convert IN OUT [--frame N | --all-frames] [--raw] [--hounsfield MIN:MAX] "
     "[--window file|minmax|C:W]   OUT: .pgm, .ppm "
     "or .jpg; with --raw .pgm or .pfm",
     ToolImageConvert},
    {"dump", "dump FILE   every element of a DICOM file, as the header window lists them",
     ToolDicomDump},
    {"album",
     "album create FILE [--edge N]\n"
     "  album add FILE PATH... [-r] [--filter N]   N: 1 JPEG, 4 DICOM, 5 all (default)\n"
     "  album list FILE\n"
     "  album extract FILE INDEX OUT.jpg\n"
     "  album remove FILE INDEX...",
     ToolAlbum},
    {"archive",
     "archive find ARCHIVE [--patient NAME] [--id ID] [--date FROM-TO] [--modality M] "
     "[--accession A]\n"
     "  archive get ARCHIVE STUDY_UID [SERIES_UID] OUTDIR   ARCHIVE: a name of the archives "
     "file or a URL",
     ToolArchive},
    {nullptr, nullptr, nullptr},
};

int ToolFail(const char *fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    fputs("dravik-tool: ", stderr);
    vfprintf(stderr, fmt, ap);
    fputc('\n', stderr);
    va_end(ap);
    return 1;
}

int ToolInputCheck(const char *path) {
    struct stat st;
    if (stat(path, &st) != 0 || S_ISREG(st.st_mode)) return 0;
    const char *what = S_ISDIR(st.st_mode)    ? "a directory"
                       : S_ISFIFO(st.st_mode) ? "a FIFO"
                       : S_ISCHR(st.st_mode)  ? "a character device"
                       : S_ISBLK(st.st_mode)  ? "a block device"
                       : S_ISSOCK(st.st_mode) ? "a socket"
                                              : "not a regular file";
    return ToolFail("%s: %s, not opened", path, what);
}

static int Utf8Length(const unsigned char *p) {
    int n = p[0] >= 0xC2 && p[0] <= 0xDF   ? 2
            : p[0] >= 0xE0 && p[0] <= 0xEF ? 3
            : p[0] >= 0xF0 && p[0] <= 0xF4 ? 4
                                           : 0;
    for (int i = 1; i < n; i++)
        if ((p[i] & 0xC0) != 0x80) return 0;
    return n;
}

// Texts from files and servers come from outside: control bytes would drive the terminal. C0, DEL
// and C1 (a lone byte 80..9F, or UTF-8 C2 80..9F) become \xNN, a backslash \\; others pass.
std::string ToolPrintable(const char *text) {
    std::string s;
    for (const auto *p = reinterpret_cast<const unsigned char *>(text); *p;) {
        int n = Utf8Length(p);
        bool c1 = n == 2 && p[0] == 0xC2 && p[1] <= 0x9F;
        if (n > 1 && !c1) {
            s.append(reinterpret_cast<const char *>(p), static_cast<size_t>(n));
            p += n;
            continue;
        }
        n = c1 ? 2 : 1;
        unsigned c = *p;
        if (!c1 && c >= 0x20 && c != 0x7F && c != '\\' && (c < 0x80 || c > 0x9F)) {
            s += static_cast<char>(c);
        } else if (c == '\\') {
            s += "\\\\";
        } else {
            for (int i = 0; i < n; i++) {
                char esc[8];
                snprintf(esc, sizeof esc, "\\x%02X", p[i]);
                s += esc;
            }
        }
        p += n;
    }
    return s;
}

static void ToolUsage(FILE *out) {
    fputs("usage: dravik-tool COMMAND [ARGS...] | dravik-tool --version\n", out);
    if (!tool_commands[0].name) fputs("no commands are available yet\n", out);
    for (const TOOLCMD *c = tool_commands; c->name; c++)
        fprintf(out, "  %s\n", c->usage);
}

// A file mapped for reading that another program cuts short faults on its lost pages: say so
// and end as a failed read, not a crash.
static void ToolFileCut(int) {
    static const char text[] = "dravik-tool: the input file was cut short while it was read\n";
    ssize_t n = write(2, text, sizeof text - 1);
    (void)n;
    _exit(1);
}

int main(int argc, char **argv) {
    struct sigaction sa;
    memset(&sa, 0, sizeof sa);
    sa.sa_handler = ToolFileCut;
    sigaction(SIGBUS, &sa, nullptr);
    if (argc < 2) {
        ToolUsage(stderr);
        return 2;
    }
    if (!strcmp(argv[1], "help") || !strcmp(argv[1], "--help") || !strcmp(argv[1], "-h")) {
        ToolUsage(stdout);
        return 0;
    }
    if (!strcmp(argv[1], "--version")) {
        printf("dravik-tool %s\n", DRAVIK_VERSION);
        return 0;
    }
    for (const TOOLCMD *c = tool_commands; c->name; c++)
        if (!strcmp(c->name, argv[1])) return c->run(argc - 2, argv + 2);
    ToolFail("unknown command '%s' (see dravik-tool help)", argv[1]);
    return 2;
}
