#include "archive/arc_client.h"

#include "archive/arc_multipart.h"
#include "dicom/io_dicom.h"

#include <curl/curl.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

struct ARCCONN {
    CURL *curl;
    ARCHIVE archive;
    curl_slist *auth; // the bearer token header, when there is one
    char errbuf[CURL_ERROR_SIZE];
};

namespace {

// libcurl and the TLS stack behind it cost about 8 MiB and dozens of libraries at every start;
// they are loaded when an archive is first used, so viewing and converting never pay for them.
struct CURLAPI {
    bool ok;
    std::string why;
    CURLcode (*global_init)(long);
    CURL *(*easy_init)();
    CURLcode (*easy_setopt)(CURL *, CURLoption, ...);
    CURLcode (*easy_perform)(CURL *);
    CURLcode (*easy_getinfo)(CURL *, CURLINFO, ...);
    void (*easy_cleanup)(CURL *);
    const char *(*easy_strerror)(CURLcode);
    curl_slist *(*slist_append)(curl_slist *, const char *);
    void (*slist_free_all)(curl_slist *);
};

template <typename F> bool CurlSym(void *lib, const char *name, F *f) {
    *f = reinterpret_cast<F>(dlsym(lib, name));
    return *f != nullptr;
}

const CURLAPI &Curl() {
    static CURLAPI api = [] {
        CURLAPI a{};
        void *lib = dlopen("libcurl.so.4", RTLD_NOW | RTLD_LOCAL);
        if (!lib) {
            const char *e = dlerror();
            a.why = std::string("libcurl cannot be loaded (") + (e ? e : "libcurl.so.4") + ")";
            return a;
        }
        a.ok = CurlSym(lib, "curl_global_init", &a.global_init) &&
               CurlSym(lib, "curl_easy_init", &a.easy_init) &&
               CurlSym(lib, "curl_easy_setopt", &a.easy_setopt) &&
               CurlSym(lib, "curl_easy_perform", &a.easy_perform) &&
               CurlSym(lib, "curl_easy_getinfo", &a.easy_getinfo) &&
               CurlSym(lib, "curl_easy_cleanup", &a.easy_cleanup) &&
               CurlSym(lib, "curl_easy_strerror", &a.easy_strerror) &&
               CurlSym(lib, "curl_slist_append", &a.slist_append) &&
               CurlSym(lib, "curl_slist_free_all", &a.slist_free_all);
        if (!a.ok)
            a.why = "libcurl lacks a function dravik needs";
        else
            a.global_init(CURL_GLOBAL_DEFAULT);
        return a;
    }();
    return api;
}

// What one request collects: the status, the Content-Type, and either the body (searches) or
// the multipart stream (retrievals).
struct REQUEST {
    long status;
    std::string ctype;
    long long declared; // Content-Length, -1 when absent
    long long limit;    // most body bytes taken into `body`
    std::string body;
    bool over;    // the body went past `limit`
    MPPARSER *mp; // a retrieval's parser, set up at the first body byte
    bool mpstarted;
    int mprc;
    long long received;
    const ARCPROGRESS *progress;
    int *instances;
    bool cancelled;
};

bool Success(long status) {
    return status >= 200 && status < 300;
}

size_t OnHeader(char *p, size_t size, size_t n, void *ud) {
    auto *rq = static_cast<REQUEST *>(ud);
    size_t len = size * n;
    std::string line(p, len);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.pop_back();
    if (line.compare(0, 5, "HTTP/") == 0) { // a new response (after a 100 Continue)
        rq->ctype.clear();
        rq->declared = -1;
    } else if (line.size() > 13 && !strncasecmp(line.c_str(), "content-type:", 13)) {
        size_t v = line.find_first_not_of(" \t", 13);
        rq->ctype = v == std::string::npos ? "" : line.substr(v, 1024);
    } else if (line.size() > 15 && !strncasecmp(line.c_str(), "content-length:", 15)) {
        rq->declared = strtoll(line.c_str() + 15, nullptr, 10);
        // A search answer declaring more than its budget is refused before a byte is kept.
        if (!rq->mp && Success(rq->status) && rq->declared > rq->limit) {
            rq->over = true;
            return 0;
        }
    }
    return len;
}

size_t OnBody(char *p, size_t size, size_t n, void *ud) {
    auto *rq = static_cast<REQUEST *>(ud);
    size_t len = size * n;
    rq->received += static_cast<long long>(len);
    if (!rq->mp || !Success(rq->status)) {
        // A search answer, or the text of an error: kept up to its budget, refused beyond.
        long long limit = Success(rq->status) ? rq->limit : (long long)ARC_ERRBODY_MAX;
        if (rq->declared > limit && Success(rq->status)) {
            rq->over = true;
            return 0;
        }
        size_t room =
            static_cast<size_t>(std::max<long long>(0, limit - (long long)rq->body.size()));
        if (len > room) {
            rq->body.append(p, room);
            if (Success(rq->status)) {
                rq->over = true;
                return 0;
            }
            return len;
        }
        rq->body.append(p, len);
        return len;
    }
    if (!rq->mpstarted) {
        std::string boundary;
        if (MpBoundary(rq->ctype.c_str(), &boundary) != 0) {
            rq->mprc = -1;
            rq->mp->err = "the answer is not multipart/related with a boundary";
            return 0;
        }
        rq->mpstarted = true;
        MpInit(rq->mp, boundary, ARC_PART_MAX, rq->mp->sink);
    }
    int rc = MpFeed(rq->mp, reinterpret_cast<const uint8_t *>(p), len);
    if (rc) {
        rq->mprc = rc;
        return 0;
    }
    return len;
}

// The status line is seen before the body; the body callbacks need it.
size_t OnHeaderStatus(char *p, size_t size, size_t n, void *ud) {
    auto *rq = static_cast<REQUEST *>(ud);
    size_t len = size * n;
    if (len > 12 && !memcmp(p, "HTTP/", 5)) {
        const char *sp = static_cast<const char *>(memchr(p, ' ', len));
        if (sp) rq->status = strtol(sp + 1, nullptr, 10);
    }
    return OnHeader(p, size, n, ud);
}

int OnXfer(void *ud, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    auto *rq = static_cast<REQUEST *>(ud);
    if (rq->progress && rq->progress->step &&
        rq->progress->step(rq->progress->ctx, *rq->instances, rq->received)) {
        rq->cancelled = true;
        return 1;
    }
    return 0;
}

// A query value: only what would change the query's meaning or is not ASCII text is
// percent-escaped. The DICOM characters (^ of person names, the wildcards * and ?) go as they
// are, since some archives match the escaped form literally.
std::string QueryValue(const std::string &s) {
    std::string r;
    for (unsigned char ch : s) {
        if (ch > 0x20 && ch < 0x7F && !strchr("&=#+%\"<>`{}|\\", ch)) {
            r += static_cast<char>(ch);
        } else {
            char esc[4];
            snprintf(esc, sizeof esc, "%%%02X", ch);
            r += esc;
        }
    }
    return r;
}

// A path segment (a UID): everything but the unreserved characters is escaped.
std::string PathSegment(const std::string &s) {
    std::string r;
    for (unsigned char ch : s) {
        if (isalnum(ch) || strchr("-._~", ch)) {
            r += static_cast<char>(ch);
        } else {
            char esc[4];
            snprintf(esc, sizeof esc, "%%%02X", ch);
            r += esc;
        }
    }
    return r;
}

// Runs one GET. The transport outcome is mapped to an ARC_ code; an HTTP status is left to the
// caller except 401/403.
int Get(ARCCONN *c, const std::string &url, const char *accept, REQUEST *rq, std::string *err) {
    CURL *h = c->curl;
    curl_slist *hdrs = nullptr;
    std::string acc = std::string("Accept: ") + accept;
    hdrs = Curl().slist_append(hdrs, acc.c_str());
    for (curl_slist *a = c->auth; a; a = a->next)
        hdrs = Curl().slist_append(hdrs, a->data);
    Curl().easy_setopt(h, CURLOPT_URL, url.c_str());
    Curl().easy_setopt(h, CURLOPT_HTTPHEADER, hdrs);
    Curl().easy_setopt(h, CURLOPT_HEADERFUNCTION, OnHeaderStatus);
    Curl().easy_setopt(h, CURLOPT_HEADERDATA, rq);
    Curl().easy_setopt(h, CURLOPT_WRITEFUNCTION, OnBody);
    Curl().easy_setopt(h, CURLOPT_WRITEDATA, rq);
    Curl().easy_setopt(h, CURLOPT_XFERINFOFUNCTION, OnXfer);
    Curl().easy_setopt(h, CURLOPT_XFERINFODATA, rq);
    Curl().easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
    c->errbuf[0] = 0;
    rq->status = 0;
    rq->declared = -1;
    CURLcode rc = Curl().easy_perform(h);
    Curl().easy_setopt(h, CURLOPT_HTTPHEADER, nullptr);
    Curl().slist_free_all(hdrs);
    long status = 0;
    Curl().easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
    if (status) rq->status = status;
    std::string where = ArcUrlRedact(c->archive.url);
    if (rq->status == 401 || rq->status == 403) {
        *err = where + ": not authorised (HTTP " + std::to_string(rq->status) + ")";
        return ARC_ERR_AUTH;
    }
    if (rq->cancelled) {
        *err = "cancelled";
        return ARC_ERR_CANCEL;
    }
    if (rq->over) {
        *err = where + ": answer larger than " + std::to_string(rq->limit) + " bytes";
        return ARC_ERR_DATA;
    }
    if (rq->mp && rq->mprc) {
        if (rq->mprc > 0) { // the sink's own failure; it left its message
            *err = rq->mp->err;
            return rq->mprc == 2 ? ARC_ERR_FILE : ARC_ERR_DATA;
        }
        *err = where + ": " + rq->mp->err;
        return ARC_ERR_DATA;
    }
    if (rc != CURLE_OK) {
        *err = where + ": " + (c->errbuf[0] ? c->errbuf : Curl().easy_strerror(rc));
        return ARC_ERR_NET;
    }
    return ARC_OK;
}

std::string HttpFail(const ARCCONN *c, const REQUEST &rq) {
    std::string s = ArcUrlRedact(c->archive.url) + ": HTTP status " + std::to_string(rq.status);
    if (rq.status == 404) s += " (not found)";
    return s;
}

void RequestInit(REQUEST *rq, long long limit) {
    rq->status = 0;
    rq->declared = -1;
    rq->limit = limit;
    rq->body.clear();
    rq->over = false;
    rq->mp = nullptr;
    rq->mpstarted = false;
    rq->mprc = 0;
    rq->received = 0;
    rq->progress = nullptr;
    rq->instances = nullptr;
    rq->cancelled = false;
}

// A retrieval's sink: one instance at a time, into a temporary file of the output directory.
struct PARTOUT {
    std::string outdir;
    std::string tmp;
    int fd;
    std::string head; // the first bytes, where the SOP Instance UID is
    int written;
    int unnamed;
    std::string *msg;
    const ARCPROGRESS *progress;
};
const size_t PART_HEAD = 64 << 10;

int PartFail(PARTOUT *o, const std::string &what) {
    *o->msg = what;
    if (o->fd >= 0) close(o->fd);
    o->fd = -1;
    if (!o->tmp.empty()) unlink(o->tmp.c_str());
    o->tmp.clear();
    return 2;
}

int PartBegin(void *ctx, long long) {
    auto *o = static_cast<PARTOUT *>(ctx);
    if (o->written >= ARC_PARTS_MAX) {
        *o->msg = "more than " + std::to_string(ARC_PARTS_MAX) + " instances in one answer";
        return 3;
    }
    std::string tmp = o->outdir + "/.dravik-part-XXXXXX";
    int fd = mkostemp(&tmp[0], O_CLOEXEC);
    if (fd < 0) return PartFail(o, o->outdir + ": cannot create a file: " + strerror(errno));
    o->fd = fd;
    o->tmp = tmp;
    o->head.clear();
    return 0;
}

int PartData(void *ctx, const uint8_t *p, size_t n) {
    auto *o = static_cast<PARTOUT *>(ctx);
    if (o->head.size() < PART_HEAD)
        o->head.append(reinterpret_cast<const char *>(p), std::min(n, PART_HEAD - o->head.size()));
    while (n > 0) {
        ssize_t w = write(o->fd, p, n);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) return PartFail(o, o->tmp + ": cannot write: " + strerror(errno));
        p += w;
        n -= static_cast<size_t>(w);
    }
    return 0;
}

// (0008,0018) of the data set, past the meta group.
std::string SopInstanceUid(const std::string &head) {
    const auto *buf = reinterpret_cast<const uint8_t *>(head.data());
    int len = static_cast<int>(head.size());
    int start = len > 132 && !memcmp(buf + 128, "DICM", 4) ? 132 : 0;
    uint8_t tag[8];
    int at = ReadByteGroup(buf, len, 0x00, 0x08, 0x00, 0x18, nullptr, 0, tag, start);
    if (at <= 0) return "";
    int n = 0;
    int v = DicomValueSpan(buf, len, at, &n);
    if (v < 0 || n <= 0 || n > 64) return "";
    std::string uid(reinterpret_cast<const char *>(buf + v), static_cast<size_t>(n));
    while (!uid.empty() && (uid.back() == '\0' || uid.back() == ' '))
        uid.pop_back();
    return uid;
}

int PartEnd(void *ctx) {
    auto *o = static_cast<PARTOUT *>(ctx);
    int rc = close(o->fd);
    o->fd = -1;
    if (rc != 0) return PartFail(o, o->tmp + ": cannot write: " + strerror(errno));
    std::string name = ArcUidName(SopInstanceUid(o->head));
    if (name.empty()) name = "instance-" + std::to_string(++o->unnamed);
    std::string path = o->outdir + "/" + name + ".dcm";
    if (rename(o->tmp.c_str(), path.c_str()) != 0)
        return PartFail(o, path + ": cannot rename: " + strerror(errno));
    o->tmp.clear();
    o->written++;
    if (o->progress && o->progress->written) o->progress->written(o->progress->ctx, path);
    return 0;
}

long long DirBytes(const std::string &dir, time_t *newest) {
    long long sum = 0;
    DIR *d = opendir(dir.c_str());
    if (!d) return 0;
    while (dirent *e = readdir(d)) {
        if (e->d_name[0] == '.' && (!e->d_name[1] || (e->d_name[1] == '.' && !e->d_name[2])))
            continue;
        struct stat st;
        if (lstat((dir + "/" + e->d_name).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
        sum += st.st_size;
        if (st.st_mtime > *newest) *newest = st.st_mtime;
    }
    closedir(d);
    return sum;
}

std::vector<std::string> SubDirs(const std::string &dir) {
    std::vector<std::string> out;
    DIR *d = opendir(dir.c_str());
    if (!d) return out;
    while (dirent *e = readdir(d)) {
        if (e->d_name[0] == '.') continue;
        struct stat st;
        std::string p = dir + "/" + e->d_name;
        if (lstat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) out.push_back(p);
    }
    closedir(d);
    return out;
}

void RemoveSeriesDir(const std::string &dir) {
    DIR *d = opendir(dir.c_str());
    if (d) {
        while (dirent *e = readdir(d)) {
            if (!strcmp(e->d_name, ".") || !strcmp(e->d_name, "..")) continue;
            unlink((dir + "/" + e->d_name).c_str());
        }
        closedir(d);
    }
    rmdir(dir.c_str());
}

int MkdirAll(const std::string &dir) {
    for (size_t i = 1; i <= dir.size(); i++) {
        if (i < dir.size() && dir[i] != '/') continue;
        if (mkdir(dir.substr(0, i).c_str(), 0700) != 0 && errno != EEXIST) return -1;
    }
    return 0;
}

} // namespace

ARCCONN *ArcOpen(const ARCHIVE &archive, std::string *err) {
    if (!Curl().ok) {
        *err = Curl().why;
        return nullptr;
    }
    CURL *h = Curl().easy_init();
    if (!h) {
        *err = "libcurl could not start";
        return nullptr;
    }
    auto *c = new ARCCONN();
    c->curl = h;
    c->archive = archive;
    c->auth = nullptr;
    Curl().easy_setopt(h, CURLOPT_ERRORBUFFER, c->errbuf);
    Curl().easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    Curl().easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
    Curl().easy_setopt(h, CURLOPT_FOLLOWLOCATION, 0L);
    Curl().easy_setopt(h, CURLOPT_CONNECTTIMEOUT, long(ARC_CONNECT_TIMEOUT));
    Curl().easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, long(ARC_STALL_RATE));
    Curl().easy_setopt(h, CURLOPT_LOW_SPEED_TIME, long(ARC_STALL_TIME));
    Curl().easy_setopt(h, CURLOPT_BUFFERSIZE, 256L << 10);
    Curl().easy_setopt(h, CURLOPT_TCP_KEEPALIVE, 1L);
    // Verification stays on; a CA file only changes what is trusted.
    Curl().easy_setopt(h, CURLOPT_SSL_VERIFYPEER, 1L);
    Curl().easy_setopt(h, CURLOPT_SSL_VERIFYHOST, 2L);
    if (!archive.cafile.empty()) Curl().easy_setopt(h, CURLOPT_CAINFO, archive.cafile.c_str());
    if (!archive.token.empty()) {
        std::string bearer = "Authorization: Bearer " + archive.token;
        c->auth = Curl().slist_append(nullptr, bearer.c_str());
    } else if (!archive.user.empty()) {
        Curl().easy_setopt(h, CURLOPT_HTTPAUTH, long(CURLAUTH_BASIC));
        Curl().easy_setopt(h, CURLOPT_USERNAME, archive.user.c_str());
        Curl().easy_setopt(h, CURLOPT_PASSWORD, archive.password.c_str());
    }
    return c;
}

void ArcClose(ARCCONN *c) {
    if (!c) return;
    Curl().easy_cleanup(c->curl);
    Curl().slist_free_all(c->auth);
    delete c;
}

int ArcFindStudies(ARCCONN *c, const ARCQUERY &q, std::vector<ARCSTUDY> *out, std::string *err) {
    out->clear();
    std::string filter;
    auto add = [&](const char *key, const std::string &v) {
        if (!v.empty()) filter += std::string("&") + key + "=" + QueryValue(v);
    };
    add("PatientName", q.patient);
    add("PatientID", q.patient_id);
    add("StudyDate", q.date);
    add("ModalitiesInStudy", q.modality);
    add("AccessionNumber", q.accession);
    for (const char *f : {"00081030", "00080061", "00201206", "00201208", "00080050"})
        filter += std::string("&includefield=") + f;
    for (int offset = 0; offset < ARC_FIND_MAX; offset += ARC_PAGE) {
        std::string url = c->archive.url + "/studies?limit=" + std::to_string(ARC_PAGE) +
                          "&offset=" + std::to_string(offset) + filter;
        REQUEST rq;
        RequestInit(&rq, ARC_JSON_MAX_BYTES);
        int rc = Get(c, url, "application/dicom+json", &rq, err);
        if (rc) return rc;
        if (rq.status == 204) break; // no (more) matches
        if (!Success(rq.status)) {
            *err = HttpFail(c, rq);
            return ARC_ERR_HTTP;
        }
        std::vector<ARCSTUDY> page;
        std::string why;
        if (ArcJsonStudies(rq.body.data(), rq.body.size(), &page, &why) != 0) {
            *err = ArcUrlRedact(c->archive.url) + ": " + why;
            return ARC_ERR_DATA;
        }
        size_t got = page.size();
        for (ARCSTUDY &s : page) {
            if (out->size() >= ARC_FIND_MAX) break;
            out->push_back(std::move(s));
        }
        // A server that ignores paging sends everything at once: asking again would repeat it.
        if (got != ARC_PAGE) break;
    }
    return ARC_OK;
}

int ArcFindSeries(ARCCONN *c, const std::string &study, std::vector<ARCSERIES> *out,
                  std::string *err) {
    out->clear();
    std::string url = c->archive.url + "/studies/" + PathSegment(study) +
                      "/series?includefield=0008103E&includefield=00201209";
    REQUEST rq;
    RequestInit(&rq, ARC_JSON_MAX_BYTES);
    int rc = Get(c, url, "application/dicom+json", &rq, err);
    if (rc) return rc;
    if (rq.status == 204) return ARC_OK;
    if (!Success(rq.status)) {
        *err = HttpFail(c, rq);
        return ARC_ERR_HTTP;
    }
    std::string why;
    if (ArcJsonSeries(rq.body.data(), rq.body.size(), out, &why) != 0) {
        *err = ArcUrlRedact(c->archive.url) + ": " + why;
        return ARC_ERR_DATA;
    }
    return ARC_OK;
}

int ArcRetrieve(ARCCONN *c, const std::string &study, const std::string &series,
                const std::string &outdir, const ARCPROGRESS *progress, int *count,
                std::string *err) {
    *count = 0;
    std::string url = c->archive.url + "/studies/" + PathSegment(study);
    if (!series.empty()) url += "/series/" + PathSegment(series);
    std::string msg;
    PARTOUT out{outdir, "", -1, "", 0, 0, &msg, progress};
    MPPARSER mp;
    mp.sink = MPSINK{&out, PartBegin, PartData, PartEnd};
    REQUEST rq;
    RequestInit(&rq, ARC_ERRBODY_MAX);
    rq.mp = &mp;
    rq.progress = progress;
    rq.instances = &out.written;
    int rc =
        Get(c, url, "multipart/related; type=\"application/dicom\"; transfer-syntax=*", &rq, err);
    if (rc == ARC_OK && !Success(rq.status)) {
        *err = HttpFail(c, rq);
        rc = ARC_ERR_HTTP;
    } else if (rc == ARC_OK && rq.status == 204) {
        // nothing to retrieve
    } else if (rc == ARC_OK && (!rq.mpstarted || MpFinish(&mp) != 0)) {
        *err = ArcUrlRedact(c->archive.url) + ": " +
               (rq.mpstarted ? mp.err : std::string("the answer is empty"));
        rc = ARC_ERR_NET;
    }
    if (rq.mprc > 0) *err = msg; // the sink's own message
    // Whatever stopped the transfer, the instance under way is not kept.
    if (out.fd >= 0) close(out.fd);
    if (!out.tmp.empty()) unlink(out.tmp.c_str());
    *count = out.written;
    return rc;
}

std::string ArcUidName(const std::string &uid) {
    std::string s;
    for (char ch : uid) {
        if (s.size() >= 64) break;
        s += (ch >= '0' && ch <= '9') || ch == '.' ? ch : '_';
    }
    if (s.find_first_not_of('.') == std::string::npos) return "";
    return s;
}

std::string ArcCacheRoot() {
    const char *xdg = getenv("XDG_CACHE_HOME");
    if (xdg && xdg[0] == '/') return std::string(xdg) + "/dravik/archive";
    const char *home = getenv("HOME");
    if (!home || !*home) return "";
    return std::string(home) + "/.cache/dravik/archive";
}

std::string ArcCacheSeriesDir(const std::string &root, const std::string &study,
                              const std::string &series, std::string *err) {
    std::string a = ArcUidName(study), b = ArcUidName(series);
    if (root.empty() || a.empty() || b.empty()) {
        *err = "no cache directory for this series";
        return "";
    }
    std::string dir = root + "/" + a + "/" + b;
    if (MkdirAll(dir) != 0) {
        *err = dir + ": " + strerror(errno);
        return "";
    }
    return dir;
}

long long ArcCacheTrim(const std::string &root, long long limit, const std::string &keep) {
    struct ENTRY {
        std::string dir;
        long long bytes;
        time_t when;
    };
    std::vector<ENTRY> all;
    long long total = 0;
    for (const std::string &study : SubDirs(root)) {
        for (const std::string &series : SubDirs(study)) {
            time_t when = 0;
            long long bytes = DirBytes(series, &when);
            all.push_back({series, bytes, when});
            total += bytes;
        }
    }
    std::sort(all.begin(), all.end(), [](const ENTRY &x, const ENTRY &y) {
        return x.when != y.when ? x.when < y.when : x.dir < y.dir;
    });
    for (const ENTRY &e : all) {
        if (total <= limit) break;
        if (e.dir == keep) continue;
        RemoveSeriesDir(e.dir);
        rmdir(e.dir.substr(0, e.dir.rfind('/')).c_str()); // the study, once empty
        total -= e.bytes;
    }
    return total;
}
