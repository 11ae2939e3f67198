#include "base/xerror.h"

#include "base/lg.h"

#include <cstdio>
#include <cstring>

int (*MsgShowHook)(int language, int kind, const char *text) = nullptr;
int (*MsgListAddHook)(WINDAT *list, const char *line) = nullptr;

std::string MsgOneLine(const char *text) {
    std::string line;
    if (!text) return line;
    for (const char *p = text; *p; p++) {
        if (*p != '\n') {
            line += *p;
            continue;
        }
        while (p[1] == '\n')
            p++;
        if (p[1]) line += ' ';
    }
    return line;
}

int MsgShow(int language, int kind, const char *text) {
    if (MsgShowHook) return MsgShowHook(language, kind, text);
    const char *title = LgBoxTitel(kind, language);
    fprintf(stderr, "%s: %s: %s\n", "dravik", title ? title : "", MsgOneLine(text).c_str());
    return 0;
}

static std::string MsgStr(const char *s) {
    return s ? s : "";
}

static std::string MsgSysErr(int err) {
    return err == -1 ? " " : MsgStr(strerror(err));
}

// Joins the parts within the 500-byte buffer. An over-long subject (a deep path, a library
// message) gives up its beginning behind "...", so the message and the code before it and the
// end of a path (the file name) always survive.
static std::string MsgCompose(const std::string &pre, const char *subject,
                              const std::string &post) {
    const size_t room = MSG_TEXT_SIZE - 1;
    std::string subj = MsgStr(subject);
    if (pre.size() + post.size() >= room) return (pre + post).substr(0, room);
    size_t left = room - pre.size() - post.size();
    if (subj.size() > left) subj = left > 3 ? "..." + subj.substr(subj.size() - (left - 3)) : "";
    return pre + subj + post;
}

static std::string MsgCode(int code) {
    return std::to_string(code);
}

// What an unknown code shows: the code and the subject.
static std::string MsgUnknown(int code, const char *subject) {
    return MsgCompose(MsgCode(code) + "  ", subject, "\n");
}

// A text goes to the list as one line when there is one, otherwise into an error box.
static void MsgDeliver(int language, const std::string &text, WINDAT *list) {
    if (list && MsgListAddHook) {
        MsgListAddHook(list, text.c_str());
        return;
    }
    MsgShow(language, MSG_BOX_ERROR, text.c_str());
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
    case -115:
        return 23;
    default:
        return -1;
    }
}

// A list line has blanks where a box has line breaks.
static bool MsgToList(WINDAT *list) {
    return list && MsgListAddHook;
}

static int MsgFileText(int language, const char *subject, int code, const std::string &why,
                       WINDAT *list) {
    if (code == 100 || code == 150) return code;
    std::string sep1 = MsgToList(list) ? " " : "\n\n", sep2 = MsgToList(list) ? " " : "\n";
    std::string text = MsgUnknown(code, subject);
    int row = MsgFileRow(code);
    if (row >= 0)
        text = MsgCompose(MsgStr(LgErr(row, language)) + why + sep1, subject, sep2);
    else if (code == -153)
        text = MsgCompose("ERROR_DIR" + why + sep1, subject, sep2);
    MsgDeliver(language, text, list);
    return code;
}

int MsgErrFile(int language, const char *subject, int code, int err, WINDAT *list) {
    return MsgFileText(language, subject, code, " (" + MsgSysErr(err) + ")", list);
}

int MsgErrFileWhat(int language, const char *subject, int code, const char *what, WINDAT *list) {
    std::string w = MsgStr(what);
    return MsgFileText(language, subject, code, w.empty() ? "" : " (" + w + ")", list);
}

int MsgErrFileWhy(int language, const char *subject, int code, const char *why) {
    return MsgErrFileWhat(language, subject, code, why, nullptr);
}

int MsgErrWin(int language, const char *text, int code) {
    if (code == 0) return code;
    std::string c = MsgCode(code), msg;
    switch (code) {
    case -28:
        msg = MsgCompose(MsgStr(LgErr(41, language)) + " (" + c + ")\n\n", text, "\n");
        break;
    case -27:
    case -26:
        msg = MsgCompose(MsgStr(LgErr(1, language)) + " (" + c + ")\n\n", text, "\n");
        break;
    case -25:
        msg = MsgCompose("", text, "");
        break;
    case -17:
    case -16:
    case -1:
        msg = MsgCompose("win " + c + "\n\n", text, "\n");
        break;
    case -15:
        msg = MsgCompose(MsgStr(LgErr(50, language)) + " (" + c + ")\n\n", text, "\n");
        break;
    case -9:
        msg = MsgCompose(MsgStr(LgErr(4, language)) + ": " + MsgStr(LgRes(50, language)) + " (" +
                             c + ")\n\n",
                         text, "\n");
        break;
    case -8:
        msg = MsgCompose(MsgStr(LgErr(0, language)) + " (" + c + ")\n\n", text, "\n");
        break;
    case -6:
        msg = MsgCompose(MsgStr(LgErr(40, language)) + " (" + c + ")\n\n", text, "\n");
        break;
    default:
        // A box without text would tell the user nothing.
        msg = MsgUnknown(code, text);
        break;
    }
    MsgShow(language, MSG_BOX_ERROR, msg.c_str());
    return code;
}

int MsgErrThr(int language, const char *name, int code, int err) {
    if (code == 300) return code;
    const char *what = nullptr;
    if (code == -301) what = LgErr(1, language);
    if (code == -302) what = LgErr(17, language);
    if (code == -304) what = LgErr(16, language);
    std::string msg =
        what ? MsgCompose("thread: " + MsgStr(what) + " (" + MsgSysErr(err) + ")\n\n", name, "\n")
             : MsgUnknown(code, name);
    MsgShow(language, MSG_BOX_ERROR, msg.c_str());
    return code;
}

int MsgErrNet(int language, const char *subject, int code, int err, WINDAT *list) {
    if (code == 200 || code == 250) return code;
    std::string sep1 = MsgToList(list) ? " " : "\n\n", sep2 = MsgToList(list) ? " " : "\n";
    std::string syserr = MsgSysErr(err);
    std::string text = MsgUnknown(code, subject);
    int row = code == -252 ? 5 : code == -253 ? 9 : code == -254 ? 4 : -1;
    if (code <= -201 && code >= -209)
        text = MsgCompose("ERROR_SVR (" + syserr + ")" + sep1, subject, sep2);
    else if (code == -251)
        text = MsgCompose(MsgStr(LgErr(8, language)) + " (" + syserr + ")" + sep1, subject, sep2);
    else if (row >= 0)
        text = MsgCompose(MsgStr(LgErr(row, language)) + " " + MsgStr(LgRes(48, language)) + "(" +
                              syserr + ")" + sep1,
                          subject, sep2);
    MsgDeliver(language, text, list);
    return code;
}
