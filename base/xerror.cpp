#include "base/xerror.h"

#include "base/lg.h"

#include <cstdio>
#include <cstring>

enum { MSG_BOX_ERROR = 2, MSG_TEXT_SIZE = 500 };

int (*MsgShowHook)(int language, int kind, const char *text) = nullptr;

int MsgShow(int language, int kind, const char *text) {
    if (MsgShowHook) return MsgShowHook(language, kind, text);
    const char *title = LgBoxTitel(kind, language);
    fprintf(stderr, "%s: %s: %s\n", "dravik", title ? title : "", text ? text : "");
    return 0;
}

static int MsgFileRow(int code) {
    switch (code) {
    case -101:
        return 1;
    case -102:
    case -151:
        return 2;
    case -103:
    case -152:
        return 12;
    case -104:
        return 13;
    case -105:
    case -154:
        return 14;
    case -106:
    case -155:
        return 15;
    case -107:
    case -156:
        return 5;
    case -108:
        return 4;
    case -109:
        return 6;
    case -110:
    case -157:
        return 7;
    case -111:
        return 11;
    case -112:
        return 3;
    case -113:
        return 22;
    default:
        return -1;
    }
}

int MsgErrFile(int language, const char *subject, int code, int err, WINDAT *list) {
    if (code == 100 || code == 150) return code;
    (void)list;
    if (!subject) subject = "";
    const char *sep1 = "\n\n", *sep2 = "\n";
    const char *syserr = err == -1 ? " " : strerror(err);
    char msg[MSG_TEXT_SIZE];
    snprintf(msg, sizeof msg, "%i  %s\n", code, subject);
    int row = MsgFileRow(code);
    if (row >= 0)
        snprintf(msg, sizeof msg, "%s (%s)%s%s%s", LgErr(row, language), syserr, sep1, subject,
                 sep2);
    else if (code == -153)
        snprintf(msg, sizeof msg, "ERROR_DIR (%s)%s%s%s", syserr, sep1, subject, sep2);
    MsgShow(language, MSG_BOX_ERROR, msg);
    return code;
}

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
    MsgShow(language, MSG_BOX_ERROR, msg);
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
    MsgShow(language, MSG_BOX_ERROR, msg);
    return code;
}
