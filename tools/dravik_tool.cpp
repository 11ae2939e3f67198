#include "tools/dravik_tool.h"

#include "tools/tool_album.h"
#include "tools/tool_image.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

// Sub-commands join this table as their subsystems arrive.
static const TOOLCMD tool_commands[] = {
    {"info", "info FILE", ToolImageInfo},
    {"convert",
     "convert IN OUT [--frame N | --all-frames] [--raw] [--hounsfield MIN:MAX]   OUT: .pgm, .ppm "
     "or .jpg",
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

static void ToolUsage(FILE *out) {
    fputs("usage: dravik-tool COMMAND [ARGS...]\n", out);
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
    for (const TOOLCMD *c = tool_commands; c->name; c++)
        if (!strcmp(c->name, argv[1])) return c->run(argc - 2, argv + 2);
    ToolFail("unknown command '%s' (see dravik-tool help)", argv[1]);
    return 2;
}
