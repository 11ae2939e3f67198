#include "archive/arc_conf.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string Trim(const char *p, const char *end) {
    while (p < end && (*p == ' ' || *p == '\t'))
        p++;
    while (end > p && (end[-1] == ' ' || end[-1] == '\t' || end[-1] == '\r'))
        end--;
    return std::string(p, static_cast<size_t>(end - p));
}

bool HasControl(const std::string &s) {
    for (unsigned char c : s)
        if (c < 0x20 || c == 0x7F) return true;
    return false;
}

std::string LineErr(int line, const char *what) {
    return "line " + std::to_string(line) + ": " + what;
}

bool IsHttpUrl(const std::string &s) {
    return s.compare(0, 7, "http://") == 0 || s.compare(0, 8, "https://") == 0;
}

std::string StripSlash(std::string url) {
    while (url.size() > 8 && url.back() == '/')
        url.pop_back();
    return url;
}

int MkdirParents(const std::string &dir) {
    for (size_t i = 1; i <= dir.size(); i++) {
        if (i < dir.size() && dir[i] != '/') continue;
        std::string part = dir.substr(0, i);
        if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return -1;
    }
    return 0;
}

} // namespace

std::string ArcConfPath() {
    const char *xdg = getenv("XDG_CONFIG_HOME");
    if (xdg && xdg[0] == '/') return std::string(xdg) + "/dravik/archives";
    const char *home = getenv("HOME");
    if (!home || !*home) return "";
    return std::string(home) + "/.config/dravik/archives";
}

int ArcConfParse(const char *text, size_t len, std::vector<ARCHIVE> *out, std::string *err) {
    out->clear();
    if (len > ARC_CONF_MAX_BYTES) {
        *err = "larger than " + std::to_string(ARC_CONF_MAX_BYTES) + " bytes";
        return -1;
    }
    const char *p = text, *end = text + len;
    int line = 0;
    while (p < end) {
        line++;
        const char *eol = static_cast<const char *>(memchr(p, '\n', static_cast<size_t>(end - p)));
        if (!eol) eol = end;
        if (eol - p > ARC_CONF_MAX_LINE) return *err = LineErr(line, "line too long"), -1;
        if (memchr(p, '\0', static_cast<size_t>(eol - p)))
            return *err = LineErr(line, "NUL byte"), -1;
        std::string s = Trim(p, eol);
        p = eol < end ? eol + 1 : end;
        if (s.empty() || s[0] == '#' || s[0] == ';') continue;
        if (s[0] == '[') {
            if (s.size() < 3 || s.back() != ']')
                return *err = LineErr(line, "an archive name is written [NAME]"), -1;
            if (out->size() >= ARC_CONF_MAX_ENTRIES)
                return *err = LineErr(line, "too many archives"), -1;
            ARCHIVE a;
            a.name = Trim(s.data() + 1, s.data() + s.size() - 1);
            if (a.name.empty() || HasControl(a.name))
                return *err = LineErr(line, "empty or unprintable archive name"), -1;
            for (const ARCHIVE &b : *out)
                if (b.name == a.name) return *err = LineErr(line, "archive named twice"), -1;
            out->push_back(a);
            continue;
        }
        size_t eq = s.find('=');
        if (eq == std::string::npos) return *err = LineErr(line, "expected KEY = VALUE"), -1;
        if (out->empty()) return *err = LineErr(line, "a key before the first [NAME]"), -1;
        std::string key = Trim(s.data(), s.data() + eq);
        std::string value = Trim(s.data() + eq + 1, s.data() + s.size());
        if (HasControl(value)) return *err = LineErr(line, "control character in a value"), -1;
        ARCHIVE &a = out->back();
        if (key == "url") {
            if (!IsHttpUrl(value))
                return *err = LineErr(line, "url must start with http:// or https://"), -1;
            a.url = StripSlash(value);
        } else if (key == "user") {
            a.user = value;
        } else if (key == "password") {
            a.password = value;
        } else if (key == "token") {
            a.token = value;
        } else if (key == "cafile") {
            a.cafile = value;
        } else {
            return *err = LineErr(line, "unknown key (url, user, password, token, cafile)"), -1;
        }
    }
    for (const ARCHIVE &a : *out)
        if (a.url.empty()) return *err = "archive [" + a.name + "] has no url", -1;
    return 0;
}

int ArcConfLoad(const std::string &path, std::vector<ARCHIVE> *out, std::string *err) {
    out->clear();
    int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) {
        if (errno == ENOENT) return 1;
        *err = path + ": " + strerror(errno);
        return -1;
    }
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        *err = path + ": not a regular file";
        return -1;
    }
    if (st.st_mode & 077) {
        close(fd);
        *err = path + ": readable by others; it holds passwords, so it is not used until " +
               "its mode is 0600 (chmod 600 " + path + ")";
        return -1;
    }
    if (st.st_size > ARC_CONF_MAX_BYTES) {
        close(fd);
        *err = path + ": larger than " + std::to_string(ARC_CONF_MAX_BYTES) + " bytes";
        return -1;
    }
    std::string text(static_cast<size_t>(st.st_size), '\0');
    size_t got = 0;
    while (got < text.size()) {
        ssize_t n = read(fd, &text[got], text.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += static_cast<size_t>(n);
    }
    close(fd);
    text.resize(got);
    std::string why;
    if (ArcConfParse(text.data(), text.size(), out, &why) != 0) {
        *err = path + ": " + why;
        return -1;
    }
    return 0;
}

int ArcConfSave(const std::string &path, const std::vector<ARCHIVE> &list, std::string *err) {
    std::string text = "# dravik archives: [NAME], url, user and password or token\n";
    for (const ARCHIVE &a : list) {
        bool bad = a.name.empty() || HasControl(a.name) || a.name.find(']') != std::string::npos;
        for (const std::string *v : {&a.url, &a.user, &a.password, &a.token, &a.cafile})
            bad = bad || HasControl(*v);
        if (bad || !IsHttpUrl(a.url)) {
            *err = "archive '" + (HasControl(a.name) ? std::string("?") : a.name) +
                   "': the name or a value cannot be written";
            return -1;
        }
        text += "\n[" + a.name + "]\nurl = " + a.url + "\n";
        if (!a.user.empty()) text += "user = " + a.user + "\n";
        if (!a.password.empty()) text += "password = " + a.password + "\n";
        if (!a.token.empty()) text += "token = " + a.token + "\n";
        if (!a.cafile.empty()) text += "cafile = " + a.cafile + "\n";
    }
    size_t slash = path.rfind('/');
    if (slash != std::string::npos && slash > 0 && MkdirParents(path.substr(0, slash)) != 0) {
        *err = path.substr(0, slash) + ": " + strerror(errno);
        return -1;
    }
    std::string tmp = path + ".tmp" + std::to_string(getpid());
    int fd = open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        *err = tmp + ": " + strerror(errno);
        return -1;
    }
    fchmod(fd, 0600); // whatever the umask says
    size_t done = 0;
    while (done < text.size()) {
        ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<size_t>(n);
    }
    bool ok = done == text.size() && fsync(fd) == 0;
    ok = close(fd) == 0 && ok;
    if (!ok || rename(tmp.c_str(), path.c_str()) != 0) {
        *err = path + ": " + strerror(errno);
        unlink(tmp.c_str());
        return -1;
    }
    return 0;
}

const ARCHIVE *ArcConfFind(const std::vector<ARCHIVE> &list, const std::string &what,
                           ARCHIVE *scratch) {
    for (const ARCHIVE &a : list)
        if (a.name == what) return &a;
    if (!IsHttpUrl(what)) return nullptr;
    std::string url = StripSlash(what);
    for (const ARCHIVE &a : list)
        if (a.url == url) return &a;
    *scratch = ARCHIVE();
    scratch->name = ArcUrlRedact(url);
    scratch->url = url;
    return scratch;
}

std::string ArcUrlRedact(const std::string &url) {
    size_t scheme = url.find("://");
    if (scheme == std::string::npos) return url;
    size_t host = scheme + 3;
    size_t end = url.find_first_of("/?#", host);
    size_t at = url.rfind('@', end == std::string::npos ? url.size() : end);
    if (at == std::string::npos || at < host) return url;
    return url.substr(0, host) + url.substr(at + 1);
}
