// dravik-tool: the headless door to the viewer's readers, converters and writers.
#pragma once

#include <string>

// One sub-command: its name, its usage lines and the function that runs it with the words after
// the name. The function returns the process exit status and prints one error line on failure.
struct TOOLCMD {
    const char *name;
    const char *usage;
    int (*run)(int argc, char **argv);
};

// Prints "dravik-tool: " and the message to stderr; returns 1 so callers can `return ToolFail(..)`.
int ToolFail(const char *fmt, ...) __attribute__((format(printf, 1, 2)));

// 0 when `path` names a regular file (or nothing, which the command reports itself); otherwise
// the ToolFail status after a line that says what it is.
int ToolInputCheck(const char *path);

// Outside text made safe for a terminal line: C0, DEL and C1 (a lone byte 80..9F, or UTF-8
// C2 80..9F) become \xNN, a backslash \\; other characters pass.
std::string ToolPrintable(const char *text);
