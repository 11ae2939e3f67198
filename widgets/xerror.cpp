#include "widgets/xerror.h"

#include "app/lg.h"
#include "toolkit/xwin.h"

#include <cstdio>
#include <cstring>

enum { MSG_BOX_ERROR = 2, MSG_TEXT_SIZE = 500 };

int MsgErrWin(int language, const char *text, int code) {
    if (code == 0) return code;
    if (!text) text = "";
    char msg[MSG_TEXT_SIZE];
    msg[0] = '\0';
    switch (code) {
    case -28:
        snprintf(msg, sizeof msg, "%s (%i)\n\n%s\n", LgErr(41, language), code, text);
        break;
    case -27:
    case -26:
        snprintf(msg, sizeof msg, "%s (%i)\n\n%s\n", LgErr(1, language), code, text);
        break;
    case -25:
        snprintf(msg, sizeof msg, "%s", text);
        break;
    case -17:
    case -16:
    case -1:
        snprintf(msg, sizeof msg, "%s %i\n\n%s\n", "win", code, text);
        break;
    case -15:
        snprintf(msg, sizeof msg, "%s (%i)\n\n%s\n", LgErr(50, language), code, text);
        break;
    case -9:
        snprintf(msg, sizeof msg, "%s: %s (%i)\n\n%s\n", LgErr(4, language), LgRes(50, language),
                 code, text);
        break;
    case -8:
        snprintf(msg, sizeof msg, "%s (%i)\n\n%s\n", LgErr(0, language), code, text);
        break;
    case -6:
        snprintf(msg, sizeof msg, "%s (%i)\n\n%s\n", LgErr(40, language), code, text);
        break;
    default:
        break;
    }
    MsgBox(language, MSG_BOX_ERROR, msg, nullptr);
    return code;
}

int MsgErrThr(int language, const char *name, int code, int err) {
    if (code == 300) return code;
    const char *what = nullptr;
    if (code == -301) what = LgErr(1, language);
    if (code == -302) what = LgErr(17, language);
    if (code == -304) what = LgErr(16, language);
    char msg[MSG_TEXT_SIZE];
    msg[0] = '\0';
    if (what)
        snprintf(msg, sizeof msg, "%s: %s (%s)\n\n%s\n", "thread", what,
                 err == -1 ? " " : strerror(err), name ? name : "");
    MsgBox(language, MSG_BOX_ERROR, msg, nullptr);
    return code;
}
