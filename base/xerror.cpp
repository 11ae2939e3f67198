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

// A family's table row: the code (or a range of codes), its name, and the message it shows.
enum MSGFORM {
    MSG_FORM_ROW,   // LgErr row, then the reason in parentheses
    MSG_FORM_PLAIN, // a fixed text, then the reason in parentheses
    MSG_FORM_WIN,   // "win CODE"
    MSG_FORM_WHOLE, // the subject alone is the message
    MSG_FORM_SUB,   // LgErr row, ": " and LgRes row `res`
    MSG_FORM_CODE,  // no text of its own: the code and the subject, as for an unknown code
};
struct MSGCODE {
    int code, last; // last > code: the row holds code..last
    const char *name;
    MSGFORM form;
    int row = -1, res = -1;
    const char *plain = nullptr;
};

static const MSGCODE msg_file_codes[] = {
    {FILE_ERROR_OPEN, 0, "FILE_ERROR_OPEN", MSG_FORM_ROW, 1},
    {FILE_ERROR_READ, 0, "FILE_ERROR_READ", MSG_FORM_ROW, 2},
    {FILE_ERROR_DATA, 0, "FILE_ERROR_DATA", MSG_FORM_ROW, 12},
    {FILE_ERROR_NOTFOUND, 0, "FILE_ERROR_NOTFOUND", MSG_FORM_ROW, 13},
    {FILE_ERROR_EXIST, 0, "FILE_ERROR_EXIST", MSG_FORM_ROW, 14},
    {FILE_ERROR_RENAME, 0, "FILE_ERROR_RENAME", MSG_FORM_ROW, 15},
    {FILE_ERROR_CREATE, 0, "FILE_ERROR_CREATE", MSG_FORM_ROW, 5},
    {FILE_ERROR_CLOSE, 0, "FILE_ERROR_CLOSE", MSG_FORM_ROW, 4},
    {FILE_ERROR_WRITE, 0, "FILE_ERROR_WRITE", MSG_FORM_ROW, 6},
    {FILE_ERROR_REMOVE, 0, "FILE_ERROR_REMOVE", MSG_FORM_ROW, 7},
    {FILE_ERROR_FORMAT, 0, "FILE_ERROR_FORMAT", MSG_FORM_ROW, 11},
    {FILE_ERROR_SAVE, 0, "FILE_ERROR_SAVE", MSG_FORM_ROW, 3},
    {FILE_ERROR_COLORS, 0, "FILE_ERROR_COLORS", MSG_FORM_ROW, 22},
    {FILE_ERROR_EXTENSION, 0, "FILE_ERROR_EXTENSION", MSG_FORM_CODE},
    {FILE_ERROR_NOIMAGE, 0, "FILE_ERROR_NOIMAGE", MSG_FORM_ROW, 23},
    {FILE_ERROR_DIR_READ, 0, "FILE_ERROR_DIR_READ", MSG_FORM_ROW, 2},
    {FILE_ERROR_DIR_DATA, 0, "FILE_ERROR_DIR_DATA", MSG_FORM_ROW, 12},
    {FILE_ERROR_DIR, 0, "FILE_ERROR_DIR", MSG_FORM_PLAIN, -1, -1, "ERROR_DIR"},
    {FILE_ERROR_DIR_EXIST, 0, "FILE_ERROR_DIR_EXIST", MSG_FORM_ROW, 14},
    {FILE_ERROR_DIR_RENAME, 0, "FILE_ERROR_DIR_RENAME", MSG_FORM_ROW, 15},
    {FILE_ERROR_DIR_CREATE, 0, "FILE_ERROR_DIR_CREATE", MSG_FORM_ROW, 5},
    {FILE_ERROR_DIR_REMOVE, 0, "FILE_ERROR_DIR_REMOVE", MSG_FORM_ROW, 7},
};

static const MSGCODE msg_win_codes[] = {
    {WIN_ERROR, 0, "WIN_ERROR", MSG_FORM_WIN},
    {WIN_ERROR_GEOMETRY, 0, "WIN_ERROR_GEOMETRY", MSG_FORM_CODE},
    {WIN_ERROR_NOTHING, 0, "WIN_ERROR_NOTHING", MSG_FORM_CODE},
    {WIN_ERROR_NOCALLBACK, 0, "WIN_ERROR_NOCALLBACK", MSG_FORM_CODE},
    {WIN_ERROR_DEPTH, 0, "WIN_ERROR_DEPTH", MSG_FORM_ROW, 40},
    {WIN_ERROR_MEMORY, 0, "WIN_ERROR_MEMORY", MSG_FORM_ROW, 0},
    {WIN_ERROR_FREE, 0, "WIN_ERROR_FREE", MSG_FORM_SUB, 4, 50},
    {WIN_ERROR_GC, 0, "WIN_ERROR_GC", MSG_FORM_CODE},
    {WIN_ERROR_ARG, 0, "WIN_ERROR_ARG", MSG_FORM_ROW, 50},
    {WIN_ERROR_CHILD, 0, "WIN_ERROR_CHILD", MSG_FORM_WIN},
    {WIN_ERROR_PARENT, 0, "WIN_ERROR_PARENT", MSG_FORM_WIN},
    {WIN_ERROR_OWNER, 0, "WIN_ERROR_OWNER", MSG_FORM_CODE},
    {WIN_ERROR_NOWINDOW, 0, "WIN_ERROR_NOWINDOW", MSG_FORM_CODE},
    {WIN_ERROR_TYPE, 0, "WIN_ERROR_TYPE", MSG_FORM_CODE},
    {WIN_ERROR_NOIMAGE, 0, "WIN_ERROR_NOIMAGE", MSG_FORM_CODE},
    {WIN_ERROR_TEXT, 0, "WIN_ERROR_TEXT", MSG_FORM_WHOLE},
    {WIN_ERROR_CREATE, 0, "WIN_ERROR_CREATE", MSG_FORM_ROW, 1},
    {WIN_ERROR_ATTRIBUTES, 0, "WIN_ERROR_ATTRIBUTES", MSG_FORM_ROW, 1},
    {WIN_ERROR_UNAVAILABLE, 0, "WIN_ERROR_UNAVAILABLE", MSG_FORM_ROW, 41},
};

static const MSGCODE msg_host_codes[] = {
    {HOST_ERROR_SERVER_FIRST, HOST_ERROR_SERVER_LAST, "HOST_ERROR_SERVER", MSG_FORM_PLAIN, -1, -1,
     "ERROR_SVR"},
    {HOST_ERROR_FIND, 0, "HOST_ERROR_FIND", MSG_FORM_ROW, 8},
    {HOST_ERROR_CREATE, 0, "HOST_ERROR_CREATE", MSG_FORM_SUB, 5, 48},
    {HOST_ERROR_BIND, 0, "HOST_ERROR_BIND", MSG_FORM_SUB, 9, 48},
    {HOST_ERROR_CLOSE, 0, "HOST_ERROR_CLOSE", MSG_FORM_SUB, 4, 48},
};

static const MSGCODE msg_thread_codes[] = {
    {THREAD_ERROR_CREATE, 0, "THREAD_ERROR_CREATE", MSG_FORM_ROW, 1},
    {THREAD_ERROR_JOIN, 0, "THREAD_ERROR_JOIN", MSG_FORM_ROW, 17},
    {THREAD_ERROR_CANCEL, 0, "THREAD_ERROR_CANCEL", MSG_FORM_ROW, 16},
};

template <size_t N> static const MSGCODE *MsgFind(const MSGCODE (&table)[N], int code) {
    for (const MSGCODE &m : table)
        if (code == m.code || (m.last > m.code && code >= m.code && code <= m.last)) return &m;
    return nullptr;
}

const char *MsgCodeName(int code) {
    static const struct {
        int code;
        const char *name;
    } successes[] = {{WIN_SUCCES, "WIN_SUCCES"}, {FILE_SUCCES, "FILE_SUCCES"},
                     {FILE_QUIET, "FILE_QUIET"}, {HOST_SUCCES, "HOST_SUCCES"},
                     {HOST_QUIET, "HOST_QUIET"}, {THREAD_SUCCES, "THREAD_SUCCES"}};
    for (const auto &s : successes)
        if (s.code == code) return s.name;
    for (const MSGCODE *m : {MsgFind(msg_win_codes, code), MsgFind(msg_file_codes, code),
                             MsgFind(msg_host_codes, code), MsgFind(msg_thread_codes, code)})
        if (m) return m->name;
    return nullptr;
}

// The text before the reason: the row, the fixed text, or row and sub-row.
static std::string MsgLead(const MSGCODE &m, int language) {
    switch (m.form) {
    case MSG_FORM_ROW:
        return MsgStr(LgErr(m.row, language));
    case MSG_FORM_PLAIN:
        return MsgStr(m.plain);
    case MSG_FORM_SUB:
        return MsgStr(LgErr(m.row, language)) + ": " + MsgStr(LgRes(m.res, language));
    default:
        return "";
    }
}

// A list line has blanks where a box has line breaks.
static bool MsgToList(WINDAT *list) {
    return list && MsgListAddHook;
}

static int MsgFileText(int language, const char *subject, int code, const std::string &why,
                       WINDAT *list) {
    if (code == FILE_SUCCES || code == FILE_QUIET) return code;
    std::string sep1 = MsgToList(list) ? " " : "\n\n", sep2 = MsgToList(list) ? " " : "\n";
    const MSGCODE *m = MsgFind(msg_file_codes, code);
    std::string text = m && (m->form == MSG_FORM_ROW || m->form == MSG_FORM_PLAIN)
                           ? MsgCompose(MsgLead(*m, language) + why + sep1, subject, sep2)
                           : MsgUnknown(code, subject);
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
    if (code == WIN_SUCCES) return code;
    std::string c = MsgCode(code), msg;
    const MSGCODE *m = MsgFind(msg_win_codes, code);
    if (!m || m->form == MSG_FORM_CODE)
        // A box without text would tell the user nothing.
        msg = MsgUnknown(code, text);
    else if (m->form == MSG_FORM_WHOLE)
        msg = MsgCompose("", text, "");
    else if (m->form == MSG_FORM_WIN)
        msg = MsgCompose("win " + c + "\n\n", text, "\n");
    else
        msg = MsgCompose(MsgLead(*m, language) + " (" + c + ")\n\n", text, "\n");
    MsgShow(language, MSG_BOX_ERROR, msg.c_str());
    return code;
}

int MsgErrThr(int language, const char *name, int code, int err) {
    if (code == THREAD_SUCCES) return code;
    const MSGCODE *m = MsgFind(msg_thread_codes, code);
    std::string msg =
        m ? MsgCompose("thread: " + MsgLead(*m, language) + " (" + MsgSysErr(err) + ")\n\n", name,
                       "\n")
          : MsgUnknown(code, name);
    MsgShow(language, MSG_BOX_ERROR, msg.c_str());
    return code;
}

int MsgErrNet(int language, const char *subject, int code, int err, WINDAT *list) {
    if (code == HOST_SUCCES || code == HOST_QUIET) return code;
    std::string sep1 = MsgToList(list) ? " " : "\n\n", sep2 = MsgToList(list) ? " " : "\n";
    std::string why = "(" + MsgSysErr(err) + ")";
    const MSGCODE *m = MsgFind(msg_host_codes, code);
    std::string text = MsgUnknown(code, subject);
    if (m && m->form == MSG_FORM_SUB)
        // "Cannot bind Client(...)": the sub-row runs into the reason.
        text = MsgCompose(MsgStr(LgErr(m->row, language)) + " " + MsgStr(LgRes(m->res, language)) +
                              why + sep1,
                          subject, sep2);
    else if (m)
        text = MsgCompose(MsgLead(*m, language) + " " + why + sep1, subject, sep2);
    MsgDeliver(language, text, list);
    return code;
}
