#include "tools/dravik_tool.h"

#include "tools/tool_album.h"
#include "tools/tool_image.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

// Sub-commands join this table as their subsystems arrive.
static const TOOLCMD tool_commands[] = {
    {"info", "info FILE", ToolImageInfo},
    {"convert",
     "convert IN OUT [--frame N | --all-frames] [--raw] [--hounsfield MIN:MAX]   OUT: .pgm, .ppm "
     "or .jpg; with --raw .pgm or .pfm",
     ToolImageConvert},
    {"album",
     "album create FILE [--edge N]\n"
     "  album add FILE PATH... [-r] [--filter N]   N: 1 JPEG, 4 DICOM, 5 all (default)\n"
     "  album list FILE\n"
     "  album extract FILE INDEX OUT.jpg\n"
     "  album remove FILE INDEX...",
     ToolAlbum},
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

static void ToolUsage(FILE *out) {
    fputs("usage: dravik-tool COMMAND [ARGS...] | dravik-tool --version\n", out);
    if (!tool_commands[0].name) fputs("no commands are available yet\n", out);
    for (const TOOLCMD *c = tool_commands; c->name; c++)
        fprintf(out, "  %s\n", c->usage);
}

int main(int argc, char **argv) {
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
