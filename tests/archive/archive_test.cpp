// The archive client: its parsers on their own, and the whole path against a real Orthanc with
// its DICOMweb plugin, started by the fixture on a free loopback port.
#include <gtest/gtest.h>

#include "archive/arc_client.h"
#include "archive/arc_multipart.h"
#include "image/image_testutil.h"
#include "support/driver.h"
#include "support/proc.h"

#include <curl/curl.h>

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <set>
#include <signal.h>
#include <sstream>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

const std::string tool = DRAVIK_TOOL_BIN;
const char *STUDY_CT = "1.2.826.0.1.3680043.9.7433.33.1";
const char *STUDY_MR = "1.2.826.0.1.3680043.9.7433.33.2";
const char *STUDY_RGB = "1.2.826.0.1.3680043.9.7433.33.3";

// Archive files must not be readable by others.
void Spit(const std::string &path, const std::string &text) {
    WriteWholeFile(path, text, 0600);
}

// The first column of each output line.
std::set<std::string> Uids(const std::string &out) {
    std::set<std::string> uids;
    std::istringstream in(out);
    std::string line;
    while (std::getline(in, line))
        uids.insert(line.substr(0, line.find('\t')));
    return uids;
}

struct Parts {
    std::vector<std::string> done;
    std::string cur;
    std::vector<long long> declared;
};

MPSINK PartsSink(Parts *p) {
    return MPSINK{p,
                  [](void *c, long long len) {
                      static_cast<Parts *>(c)->declared.push_back(len);
                      static_cast<Parts *>(c)->cur.clear();
                      return 0;
                  },
                  [](void *c, const uint8_t *d, size_t n) {
                      static_cast<Parts *>(c)->cur.append(reinterpret_cast<const char *>(d), n);
                      return 0;
                  },
                  [](void *c) {
                      auto *p = static_cast<Parts *>(c);
                      p->done.push_back(p->cur);
                      return 0;
                  }};
}

// Feeds `body` in pieces of `step` bytes; the parse status after MpFinish.
int ParseBody(const std::string &body, size_t step, Parts *parts, std::string *err = nullptr,
              long long partmax = 1 << 20) {
    MPPARSER mp;
    MpInit(&mp, "b0und", partmax, PartsSink(parts));
    for (size_t at = 0; at < body.size(); at += step) {
        size_t n = std::min(step, body.size() - at);
        int rc = MpFeed(&mp, reinterpret_cast<const uint8_t *>(body.data() + at), n);
        if (rc) {
            if (err) *err = mp.err;
            return rc;
        }
    }
    int rc = MpFinish(&mp);
    if (err) *err = mp.err;
    return rc;
}

} // namespace

TEST(ArchiveMultipart, PartsComeOutWholeWhateverTheChunking) {
    std::string a = "\x01\x02\r\n--b0un not yet\r\n-", b(3000, 'x');
    b[1500] = '\r';
    std::string body = "preamble\r\n--b0und\r\nContent-Type: application/dicom\r\n\r\n" + a +
                       "\r\n--b0und  \r\nContent-Length: 3000\r\n\r\n" + b +
                       "\r\n--b0und\r\n\r\n\r\n--b0und--\r\nepilogue";
    for (size_t step : {size_t(1), size_t(2), size_t(7), size_t(64), body.size()}) {
        Parts parts;
        ASSERT_EQ(ParseBody(body, step, &parts), 0) << step;
        ASSERT_EQ(parts.done.size(), 3u) << step;
        EXPECT_EQ(parts.done[0], a);
        EXPECT_EQ(parts.done[1], b);
        EXPECT_EQ(parts.done[2], "");
        EXPECT_EQ(parts.declared, (std::vector<long long>{-1, 3000, -1}));
    }
}

TEST(ArchiveMultipart, BadAndOversizedBodiesAreRefused) {
    std::string err;
    Parts p1;
    // Cut inside a part, and a body without its closing delimiter.
    EXPECT_EQ(ParseBody("--b0und\r\n\r\nhalf a part", 5, &p1, &err), -1);
    EXPECT_TRUE(p1.done.empty());
    Parts p2;
    EXPECT_EQ(ParseBody("--b0und\r\n\r\nabc\r\n--b0und\r\n", 5, &p2), -1);
    EXPECT_EQ(p2.done.size(), 1u);
    // A declared size beyond the limit is refused before any byte of the part.
    Parts p3;
    EXPECT_EQ(ParseBody("--b0und\r\nContent-Length: 99999999999\r\n\r\nxx", 64, &p3, &err), -1);
    EXPECT_NE(err.find("more than the limit"), std::string::npos) << err;
    EXPECT_TRUE(p3.declared.empty());
    // An undeclared part that grows past the limit; a part longer than its declared size.
    Parts p4;
    EXPECT_EQ(ParseBody("--b0und\r\n\r\n" + std::string(5000, 'y'), 100, &p4, &err, 1000), -1);
    EXPECT_LE(p4.cur.size(), 1000u);
    Parts p5;
    EXPECT_EQ(ParseBody("--b0und\r\nContent-Length: 2\r\n\r\nabc\r\n--b0und--", 4, &p5, &err), -1);
    // Header block and preamble budgets; garbage after a delimiter.
    Parts p6;
    EXPECT_EQ(ParseBody("--b0und\r\nX: " + std::string(MP_HEADERS_MAX + 10, 'h'), 4096, &p6), -1);
    Parts p7;
    EXPECT_EQ(ParseBody(std::string(MP_PREAMBLE_MAX + 10, 'p'), 4096, &p7, &err), -1);
    EXPECT_NE(err.find("no multipart boundary"), std::string::npos);
    Parts p8;
    EXPECT_EQ(ParseBody("--b0undXY\r\n\r\n", 64, &p8), -1);
}

TEST(ArchiveMultipart, BoundaryParameter) {
    std::string b;
    EXPECT_EQ(MpBoundary("multipart/related; type=\"application/dicom\"; boundary=abc-1", &b), 0);
    EXPECT_EQ(b, "abc-1");
    EXPECT_EQ(MpBoundary("Multipart/Related;boundary=\"a b:c\"; type=x", &b), 0);
    EXPECT_EQ(b, "a b:c");
    EXPECT_EQ(MpBoundary("application/dicom; boundary=abc", &b), -1);
    EXPECT_EQ(MpBoundary("multipart/related; type=x", &b), -1);
    EXPECT_EQ(MpBoundary("multipart/related; boundary=", &b), -1);
    EXPECT_EQ(MpBoundary(("multipart/related; boundary=" + std::string(71, 'a')).c_str(), &b), -1);
    EXPECT_EQ(MpBoundary("multipart/related; boundary=\"a\rb\"", &b), -1);
}

TEST(ArchiveJson, StudiesFromTheDicomJsonModel) {
    std::string text = R"([
      {"0020000D": {"vr": "UI", "Value": ["1.2.3"]},
       "00100010": {"vr": "PN", "Value": [{"Alphabetic": "Doe^Jane", "Ideographic": "x"}]},
       "00100020": {"vr": "LO", "Value": ["ID7"]},
       "00080020": {"vr": "DA", "Value": ["20240101"]},
       "00080061": {"vr": "CS", "Value": ["CT", "PR", 5]},
       "00081030": {"vr": "LO", "Value": ["Head"]},
       "00201206": {"vr": "IS", "Value": [3]},
       "00201208": {"vr": "IS", "Value": [" 42"]}},
      {"00100010": {"vr": "PN", "Value": [{"Alphabetic": "No^Uid"}]}},
      {"0020000D": {"vr": "UI", "Value": ["1.2.4"]}, "00100010": {"vr": "PN"},
       "00100020": {"vr": "LO", "Value": [17]}, "00201206": {"vr": "IS", "Value": [-4]},
       "00081030": "not an attribute"},
      7, "text"])";
    std::vector<ARCSTUDY> s;
    std::string err;
    ASSERT_EQ(ArcJsonStudies(text.data(), text.size(), &s, &err), 0) << err;
    ASSERT_EQ(s.size(), 2u);
    EXPECT_EQ(s[0].study_uid, "1.2.3");
    EXPECT_EQ(s[0].patient, "Doe^Jane");
    EXPECT_EQ(s[0].patient_id, "ID7");
    EXPECT_EQ(s[0].date, "20240101");
    EXPECT_EQ(s[0].modalities, "CT,PR");
    EXPECT_EQ(s[0].description, "Head");
    EXPECT_EQ(s[0].series, 3);
    EXPECT_EQ(s[0].instances, 42);
    EXPECT_EQ(s[1].patient, "");
    EXPECT_EQ(s[1].patient_id, "");
    EXPECT_EQ(s[1].series, -1);
    EXPECT_EQ(s[1].description, "");
}

TEST(ArchiveJson, MalformedAnswersGiveAMessage) {
    std::vector<ARCSTUDY> s;
    std::string err;
    for (std::string bad : {std::string("[{\"0020000D\": "), std::string("{}"), std::string(""),
                            std::string(40, '[') + std::string(40, ']')}) {
        EXPECT_EQ(ArcJsonStudies(bad.data(), bad.size(), &s, &err), -1) << bad;
        EXPECT_FALSE(err.empty());
    }
    std::string empty = "[]";
    EXPECT_EQ(ArcJsonStudies(empty.data(), empty.size(), &s, &err), 0);
}

TEST(ArchivesFile, FormatModeAndLookup) {
    ScratchDir dir;
    std::string path = dir.File("sub/archives");
    std::vector<ARCHIVE> list(2);
    list[0].name = "pacs";
    list[0].url = "https://pacs.example/dicom-web";
    list[0].user = "alice";
    list[0].password = "s3cret";
    list[1].name = "lab";
    list[1].url = "http://127.0.0.1:8042/dicom-web";
    list[1].token = "tok";
    std::string err;
    ASSERT_EQ(ArcConfSave(path, list, &err), 0) << err;
    struct stat st;
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    std::vector<ARCHIVE> back;
    ASSERT_EQ(ArcConfLoad(path, &back, &err), 0) << err;
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(back[0].password, "s3cret");
    EXPECT_EQ(back[1].token, "tok");
    ARCHIVE scratch;
    // A URL takes the credential of the entry with that URL; another URL goes without one.
    EXPECT_EQ(ArcConfFind(back, "http://127.0.0.1:8042/dicom-web/", &scratch), &back[1]);
    const ARCHIVE *other = ArcConfFind(back, "http://u:pw@10.0.0.1/dw", &scratch);
    ASSERT_EQ(other, &scratch);
    EXPECT_EQ(other->user, "");
    EXPECT_EQ(other->name, "http://10.0.0.1/dw");
    EXPECT_EQ(ArcConfFind(back, "nope", &scratch), nullptr);
    EXPECT_EQ(ArcConfLoad(dir.File("missing"), &back, &err), 1);

    chmod(path.c_str(), 0640);
    EXPECT_EQ(ArcConfLoad(path, &back, &err), -1);
    EXPECT_NE(err.find("readable by others"), std::string::npos) << err;
    EXPECT_EQ(err.find("s3cret"), std::string::npos);

    // Errors name the line, never a value.
    for (const char *bad :
         {"url = http://x\n", "[a]\nurl = ftp://x\n", "[a]\nurl=http://x\nkey = s3cret\n",
          "[a]\npassword = s3cret\n", "[a]\nurl=http://x\n[a]\nurl=http://y\n", "[a\n",
          "[a]\nurl http://x\n"}) {
        EXPECT_EQ(ArcConfParse(bad, strlen(bad), &back, &err), -1) << bad;
        EXPECT_EQ(err.find("s3cret"), std::string::npos) << err;
    }
    const char *ok = "# c\n\n[ x y ]\r\n  url = http://h/dw/  \n; also a comment\n";
    ASSERT_EQ(ArcConfParse(ok, strlen(ok), &back, &err), 0) << err;
    EXPECT_EQ(back[0].name, "x y");
    EXPECT_EQ(back[0].url, "http://h/dw");
}

TEST(ArchiveCache, PathsFollowXdgAndTrimRemovesOldestSeries) {
    ScratchDir dir;
    setenv("XDG_CACHE_HOME", dir.path.c_str(), 1);
    EXPECT_EQ(ArcCacheRoot(), dir.path + "/dravik/archive");
    std::string root = ArcCacheRoot(), err;
    EXPECT_EQ(ArcCacheSeriesDir(root, "1.2", "..", &err), "");
    EXPECT_EQ(ArcUidName("1.2/../x"), "1.2_..__");
    std::vector<std::string> dirs;
    for (int i = 0; i < 3; i++) {
        std::string d =
            ArcCacheSeriesDir(root, "1." + std::to_string(i % 2), "2." + std::to_string(i), &err);
        ASSERT_FALSE(d.empty()) << err;
        Spit(d + "/a.dcm", std::string(1000, 'x'));
        struct timespec t[2] = {{1000 + i * 100, 0}, {1000 + i * 100, 0}};
        utimensat(AT_FDCWD, (d + "/a.dcm").c_str(), t, 0);
        dirs.push_back(d);
    }
    // The oldest goes unless it is the one kept; then the next oldest.
    EXPECT_EQ(ArcCacheTrim(root, 2000, dirs[0]), 2000);
    EXPECT_TRUE(DirNames(dirs[0]).count("a.dcm"));
    EXPECT_TRUE(DirNames(dirs[1]).empty());
    EXPECT_EQ(ArcCacheTrim(root, 1000, ""), 1000);
    EXPECT_TRUE(DirNames(dirs[0]).empty());
    EXPECT_TRUE(DirNames(dirs[2]).count("a.dcm"));
}

namespace {

// A socket listening on a free loopback port.
int Listen(int backlog, int *port) {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    *port = -1;
    if (bind(fd, reinterpret_cast<sockaddr *>(&a), sizeof a) == 0 && listen(fd, backlog) == 0 &&
        getsockname(fd, reinterpret_cast<sockaddr *>(&a), &len) == 0)
        *port = ntohs(a.sin_port);
    return fd;
}

int FreePort() {
    int port;
    close(Listen(1, &port));
    return port;
}

// XDG_CONFIG_HOME in `dir`, with `archives` as the archives file when it is not empty.
std::string UseConfig(const ScratchDir &dir, const std::string &archives) {
    mkdir(dir.File("config").c_str(), 0700);
    mkdir(dir.File("config/dravik").c_str(), 0700);
    setenv("XDG_CONFIG_HOME", dir.File("config").c_str(), 1);
    std::string file = dir.File("config/dravik/archives");
    if (!archives.empty()) Spit(file, archives);
    return file;
}

size_t Ignore(char *, size_t s, size_t n, void *) {
    return s * n;
}

// One request to Orthanc's REST API with the test user; the status or 0.
long Rest(const std::string &url, const std::string *body) {
    CURL *h = curl_easy_init();
    curl_easy_setopt(h, CURLOPT_URL, url.c_str());
    curl_easy_setopt(h, CURLOPT_USERPWD, "test:secret");
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, Ignore);
    curl_easy_setopt(h, CURLOPT_TIMEOUT, 10L);
    if (body) {
        curl_easy_setopt(h, CURLOPT_POSTFIELDS, body->data());
        curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE, long(body->size()));
    }
    long status = 0;
    if (curl_easy_perform(h) == CURLE_OK) curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
    curl_easy_cleanup(h);
    return status;
}

std::string DicomWebPlugin() {
    FILE *p = popen("dpkg -L orthanc-dicomweb 2>/dev/null", "r");
    if (!p) return "";
    char line[512];
    std::string found;
    while (fgets(line, sizeof line, p)) {
        std::string s(line);
        while (!s.empty() && s.back() == '\n')
            s.pop_back();
        if (s.size() > 3 && s.compare(s.size() - 3, 3, ".so") == 0 && access(s.c_str(), R_OK) == 0)
            found = s;
    }
    pclose(p);
    return found;
}

const char *UPLOADS[] = {"ct-1.dcm", "ct-2.dcm",      "ct-3.dcm",
                         "ct-4.dcm", "mr-frames.dcm", "rgb.dcm"};

} // namespace

// Orthanc with storage in a scratch directory, HTTP on a free loopback port, the DICOMweb plugin
// and a test user; the test studies uploaded through the REST API.
class ArchiveOrthanc : public ::testing::Test {
  protected:
    ScratchDir dir;
    int pid = -1;
    std::string base, url;

    void SetUp() override {
        if (access("/usr/sbin/Orthanc", X_OK) != 0) GTEST_SKIP() << "orthanc is not installed";
        std::string plugin = DicomWebPlugin();
        if (plugin.empty()) GTEST_SKIP() << "orthanc-dicomweb is not installed";
        int port = FreePort();
        ASSERT_GT(port, 0);
        base = "http://127.0.0.1:" + std::to_string(port);
        url = base + "/dicom-web";
        mkdir(dir.File("db").c_str(), 0700);
        Spit(dir.File("orthanc.json"),
             "{\"Name\": \"dravik-test\", \"StorageDirectory\": \"" + dir.File("db") +
                 "\", \"IndexDirectory\": \"" + dir.File("db") +
                 "\", \"HttpPort\": " + std::to_string(port) +
                 ", \"HttpBindAddress\": \"127.0.0.1\", \"RemoteAccessAllowed\": false, "
                 "\"DicomServerEnabled\": false, \"AuthenticationEnabled\": true, "
                 "\"RegisteredUsers\": {\"test\": \"secret\"}, \"Plugins\": [\"" +
                 plugin + "\"], \"DicomWeb\": {\"Enable\": true, \"Root\": \"/dicom-web/\"}}");
        pid = fork();
        if (pid == 0) {
            int fd = open(dir.File("orthanc.log").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            dup2(fd, 1);
            dup2(fd, 2);
            execl("/usr/sbin/Orthanc", "Orthanc", dir.File("orthanc.json").c_str(), nullptr);
            _exit(127);
        }
        ASSERT_GT(pid, 0);
        auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (Rest(base + "/system", nullptr) != 200) {
            ASSERT_LT(std::chrono::steady_clock::now(), until)
                << "Orthanc did not start: " << ReadWholeFile(dir.File("orthanc.log"));
            ASSERT_EQ(waitpid(pid, nullptr, WNOHANG), 0)
                << "Orthanc ended: " << ReadWholeFile(dir.File("orthanc.log"));
            usleep(50000);
        }
        for (const char *f : UPLOADS) {
            std::string bytes = ReadWholeFile(DataPath(("archive/" + std::string(f)).c_str()));
            ASSERT_EQ(Rest(base + "/instances", &bytes), 200) << f;
        }
        UseConfig(dir, "");
        WriteArchives("secret");
    }

    void TearDown() override {
        if (pid > 0) {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
    }

    void WriteArchives(const char *password) {
        Spit(dir.File("config/dravik/archives"), "# test archive\n[orthanc]\nurl = " + url +
                                                     "\nuser = test\npassword = " + password +
                                                     "\n");
    }

    std::set<std::string> Find(const std::vector<std::string> &args) {
        std::vector<std::string> argv = {tool, "archive", "find", "orthanc"};
        argv.insert(argv.end(), args.begin(), args.end());
        ToolResult r = RunTool(argv);
        EXPECT_EQ(r.status, 0) << r.err;
        return Uids(r.out);
    }
};

// One Orthanc for the tool's find, get and a refused credential.
TEST_F(ArchiveOrthanc, FindAndGetGiveTheMatchingStudiesWholeAndAWrongPasswordStatus3) {
    {
        using S = std::set<std::string>;
        EXPECT_EQ(Find({}), (S{STUDY_CT, STUDY_MR, STUDY_RGB}));
        EXPECT_EQ(Find({"--patient", "Archive^*"}), (S{STUDY_CT, STUDY_MR}));
        EXPECT_EQ(Find({"--patient", "*carol"}), (S{STUDY_RGB}));
        EXPECT_EQ(Find({"--id", "ARC002"}), (S{STUDY_MR}));
        EXPECT_EQ(Find({"--date", "20240101-20241231"}), (S{STUDY_CT, STUDY_MR}));
        EXPECT_EQ(Find({"--date", "-20231231"}), (S{STUDY_RGB}));
        EXPECT_EQ(Find({"--modality", "CT"}), (S{STUDY_CT}));
        EXPECT_EQ(Find({"--modality", "XC", "--id", "ARC003"}), (S{STUDY_RGB}));
        EXPECT_EQ(Find({"--patient", "Nobody*"}), S{});

        ToolResult r = RunTool({tool, "archive", "find", "orthanc", "--id", "ARC001"});
        EXPECT_EQ(r.out, std::string(STUDY_CT) +
                             "\tArchive^Alice\tARC001\t20240115\tCT\tChest CT\t1\t4\n");
        // A URL instead of a name takes the credential of the entry with that URL.
        r = RunTool({tool, "archive", "find", url + "/", "--id", "ARC003"});
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(Uids(r.out), (S{STUDY_RGB}));

        std::string err;
        ARCHIVE a;
        a.url = url;
        a.user = "test";
        a.password = "secret";
        ARCCONN *c = ArcOpen(a, &err);
        std::vector<ARCSERIES> series;
        EXPECT_EQ(ArcFindSeries(c, STUDY_MR, &series, &err), ARC_OK) << err;
        ASSERT_EQ(series.size(), 1u);
        EXPECT_EQ(series[0].series_uid, std::string(STUDY_MR) + ".1");
        EXPECT_EQ(series[0].modality, "MR");
        ArcClose(c);
    }
    {
        struct Case {
            const char *study;
            std::string series;
            std::vector<const char *> files;
        } cases[] = {
            {STUDY_CT, "", {"ct-1.dcm", "ct-2.dcm", "ct-3.dcm", "ct-4.dcm"}},
            {STUDY_MR, std::string(STUDY_MR) + ".1", {"mr-frames.dcm"}},
            {STUDY_RGB, "", {"rgb.dcm"}},
        };
        int k = 0;
        for (const Case &c : cases) {
            std::string out = dir.File(("out" + std::to_string(k++)).c_str());
            std::vector<std::string> argv = {tool, "archive", "get", "orthanc", c.study};
            if (!c.series.empty()) argv.push_back(c.series);
            argv.push_back(out);
            ToolResult r = RunTool(argv);
            ASSERT_EQ(r.status, 0) << r.err;
            EXPECT_EQ(r.out, std::to_string(c.files.size()) + " instances\n");
            std::set<std::string> want;
            for (const char *f : c.files) {
                std::string path = DataPath(("archive/" + std::string(f)).c_str());
                std::string bytes = ReadWholeFile(path);
                // The SOP Instance UID of the test files is their media storage UID.
                size_t at = bytes.find("1.2.826.0.1.3680043.9.7433.33.");
                ASSERT_NE(at, std::string::npos);
                std::string uid = bytes.substr(at, strcspn(bytes.c_str() + at, " \0"));
                uid = uid.substr(0, uid.find_first_not_of("0123456789."));
                want.insert(uid + ".dcm");
                EXPECT_EQ(ReadWholeFile(out + "/" + uid + ".dcm"), bytes) << f;
            }
            EXPECT_EQ(DirNames(out), want);
        }
        // An unknown study is an HTTP error, not an empty success.
        ToolResult r = RunTool({tool, "archive", "get", "orthanc", "1.2.3.4.5", dir.File("none")});
        EXPECT_EQ(r.status, 1);
        EXPECT_TRUE(DirNames(dir.File("none")).empty());
    }
    WriteArchives("wrong-pw");
    for (std::vector<std::string> argv :
         {std::vector<std::string>{tool, "archive", "find", "orthanc"},
          std::vector<std::string>{tool, "archive", "get", "orthanc", STUDY_CT, dir.File("o")}}) {
        ToolResult r = RunTool(argv);
        EXPECT_EQ(r.status, 3) << r.err;
        EXPECT_NE(r.err.find("not authorised"), std::string::npos) << r.err;
        EXPECT_EQ(r.err.find("wrong-pw"), std::string::npos);
        EXPECT_EQ(r.out, "");
    }
    // The archives file readable by others is refused before any request.
    WriteArchives("secret");
    chmod(dir.File("config/dravik/archives").c_str(), 0644);
    ToolResult r = RunTool({tool, "archive", "find", "orthanc"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("readable by others"), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
}

namespace {

// A one-shot HTTP server on loopback that answers the first request with `answer` and closes.
struct CutServer {
    int fd = -1, port = 0;
    std::thread th;
    explicit CutServer(const std::string &answer) {
        fd = Listen(1, &port);
        th = std::thread([this, answer] {
            int c = accept(fd, nullptr, nullptr);
            if (c < 0) return;
            char buf[4096];
            std::string req;
            while (req.find("\r\n\r\n") == std::string::npos) {
                ssize_t n = read(c, buf, sizeof buf);
                if (n <= 0) break;
                req.append(buf, size_t(n));
            }
            (void)!write(c, answer.data(), answer.size());
            close(c);
        });
    }
    ~CutServer() {
        th.join();
        close(fd);
    }
    std::string Url() const { return "http://127.0.0.1:" + std::to_string(port) + "/dw"; }
};

int RetrieveFrom(const std::string &answer, const std::string &out, int *count, std::string *err) {
    CutServer srv(answer);
    ARCHIVE a;
    a.url = srv.Url();
    ARCCONN *c = ArcOpen(a, err);
    int rc = ArcRetrieve(c, "1.2", "", out, nullptr, count, err);
    ArcClose(c);
    return rc;
}

} // namespace

TEST(ArchiveCut, AServerStoppingMidTransferLeavesNoPartialFile) {
    std::string one = ReadWholeFile(DataPath("archive/ct-1.dcm"));
    std::string two = ReadWholeFile(DataPath("archive/ct-2.dcm"));
    std::string head = "HTTP/1.1 200 OK\r\nContent-Type: multipart/related; "
                       "type=\"application/dicom\"; boundary=XyZ\r\nConnection: close\r\n\r\n";
    for (bool declared : {false, true}) {
        ScratchDir out;
        auto part = [&](const std::string &b) {
            return "--XyZ\r\nContent-Type: application/dicom\r\n" +
                   (declared ? "Content-Length: " + std::to_string(b.size()) + "\r\n" : "") +
                   "\r\n" + b + "\r\n";
        };
        int count = -1;
        std::string err;
        int rc = RetrieveFrom(head + part(one) + part(two).substr(0, 600), out.path, &count, &err);
        EXPECT_EQ(rc, ARC_ERR_NET) << err;
        EXPECT_EQ(count, 1);
        EXPECT_EQ(DirNames(out.path),
                  std::set<std::string>{"1.2.826.0.1.3680043.9.7433.33.1.1.1.dcm"});
        EXPECT_EQ(ReadWholeFile(out.path + "/1.2.826.0.1.3680043.9.7433.33.1.1.1.dcm"), one);
    }
    // Refusals that write nothing: a part claiming too much, no multipart at all, 401 and 403.
    ScratchDir out;
    int count = 0;
    std::string err;
    EXPECT_EQ(RetrieveFrom(head + "--XyZ\r\nContent-Length: 99999999999\r\n\r\nDICM", out.path,
                           &count, &err),
              ARC_ERR_DATA);
    EXPECT_NE(err.find("limit"), std::string::npos) << err;
    EXPECT_EQ(RetrieveFrom("HTTP/1.1 200 OK\r\nContent-Type: application/dicom\r\n\r\nxx", out.path,
                           &count, &err),
              ARC_ERR_DATA);
    for (const char *status : {"401 Unauthorized", "403 Forbidden"}) {
        EXPECT_EQ(RetrieveFrom(std::string("HTTP/1.1 ") + status + "\r\nContent-Length: 0\r\n\r\n",
                               out.path, &count, &err),
                  ARC_ERR_AUTH);
        EXPECT_NE(err.find("not authorised"), std::string::npos);
    }
    EXPECT_TRUE(DirNames(out.path).empty());
}

TEST(ArchiveCut, ASearchAnswerOverItsBudgetIsRefusedUnread) {
    CutServer srv("HTTP/1.1 200 OK\r\nContent-Type: application/dicom+json\r\nContent-Length: " +
                  std::to_string(ARC_JSON_MAX_BYTES + 1) + "\r\n\r\n[]");
    ARCHIVE a;
    a.url = srv.Url();
    std::string err;
    ARCCONN *c = ArcOpen(a, &err);
    std::vector<ARCSTUDY> studies;
    EXPECT_EQ(ArcFindStudies(c, ARCQUERY(), &studies, &err), ARC_ERR_DATA);
    EXPECT_NE(err.find("larger than"), std::string::npos) << err;
    ArcClose(c);
}

TEST(ArchiveCut, SearchPagesWithLimitAndOffsetOverOneConnection) {
    // Pages of ARC_PAGE studies and a short last page, served on whatever connections come.
    int port;
    int fd = Listen(4, &port);
    ASSERT_GT(port, 0);
    std::vector<std::string> lines;
    int accepted = 0;
    std::thread srv([&] {
        while (lines.size() < 2) {
            int c = accept(fd, nullptr, nullptr);
            if (c < 0) return;
            accepted++;
            std::string req;
            char buf[4096];
            while (lines.size() < 2) {
                size_t end;
                while ((end = req.find("\r\n\r\n")) == std::string::npos) {
                    ssize_t n = read(c, buf, sizeof buf);
                    if (n <= 0) break;
                    req.append(buf, size_t(n));
                }
                if (end == std::string::npos) break;
                lines.push_back(req.substr(0, req.find("\r\n")));
                req.erase(0, end + 4);
                int first = lines.size() == 1 ? 0 : ARC_PAGE,
                    count = lines.size() == 1 ? ARC_PAGE : 30;
                std::string body = "[";
                for (int i = 0; i < count; i++)
                    body += std::string(i ? "," : "") +
                            "{\"0020000D\":{\"vr\":\"UI\",\"Value\":[\"1." +
                            std::to_string(first + i) + "\"]}}";
                body += "]";
                std::string answer = "HTTP/1.1 200 OK\r\nContent-Type: application/dicom+json\r\n"
                                     "Content-Length: " +
                                     std::to_string(body.size()) + "\r\n\r\n" + body;
                (void)!write(c, answer.data(), answer.size());
            }
            close(c);
        }
    });
    ARCHIVE arc;
    arc.url = "http://127.0.0.1:" + std::to_string(port) + "/dw";
    std::string err;
    ARCCONN *c = ArcOpen(arc, &err);
    std::vector<ARCSTUDY> studies;
    ARCQUERY q;
    q.patient = "Doe^J*";
    EXPECT_EQ(ArcFindStudies(c, q, &studies, &err), ARC_OK) << err;
    ArcClose(c);
    srv.join();
    close(fd);
    ASSERT_EQ(studies.size(), size_t(ARC_PAGE + 30));
    EXPECT_EQ(studies.back().study_uid, "1." + std::to_string(ARC_PAGE + 29));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[0].find("/dw/studies?limit=100&offset=0&PatientName=Doe^J*&"),
              std::string::npos)
        << lines[0];
    EXPECT_NE(lines[1].find("offset=100&"), std::string::npos) << lines[1];
    EXPECT_EQ(accepted, 1); // the second page came over the first page's connection
}

TEST(ArchiveTls, CertificatesAreVerifiedAndACaFileIsUsed) {
    if (system("command -v openssl >/dev/null 2>&1") != 0) GTEST_SKIP() << "openssl is missing";
    ScratchDir dir;
    std::string cmd = "openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=127.0.0.1 "
                      "-addext subjectAltName=IP:127.0.0.1 -keyout '" +
                      dir.File("key.pem") + "' -out '" + dir.File("cert.pem") + "' 2>/dev/null";
    ASSERT_EQ(system(cmd.c_str()), 0);
    int port = FreePort();
    std::string accept = "127.0.0.1:" + std::to_string(port);
    int pid = fork();
    if (pid == 0) {
        int null = open("/dev/null", O_RDWR);
        dup2(null, 0);
        dup2(null, 1);
        dup2(null, 2);
        execlp("openssl", "openssl", "s_server", "-accept", accept.c_str(), "-cert",
               dir.File("cert.pem").c_str(), "-key", dir.File("key.pem").c_str(), "-www", nullptr);
        _exit(127);
    }
    ASSERT_GT(pid, 0);
    // Up when it takes a connection.
    bool up = WaitFor(
        [&] {
            int fd = socket(AF_INET, SOCK_STREAM, 0);
            sockaddr_in a{};
            a.sin_family = AF_INET;
            a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            a.sin_port = htons(uint16_t(port));
            bool ok = connect(fd, reinterpret_cast<sockaddr *>(&a), sizeof a) == 0;
            close(fd);
            return ok;
        },
        20000);
    if (!up) {
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
        FAIL() << "openssl s_server did not start";
    }
    UseConfig(dir, "");
    std::string url = "https://" + accept + "/dw";
    // Not trusted by the system: refused, whatever the answer would be.
    ToolResult plain = RunTool({tool, "archive", "find", url});
    // Trusted through the entry's CA file: the connection is made, and the server's HTML page
    // is refused as a search answer.
    Spit(dir.File("config/dravik/archives"),
         "[self]\nurl = " + url + "\ncafile = " + dir.File("cert.pem") + "\n");
    ToolResult trusted = RunTool({tool, "archive", "find", "self"});
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    EXPECT_EQ(plain.status, 1);
    EXPECT_NE(plain.err.find("certificate"), std::string::npos) << plain.err;
    EXPECT_EQ(trusted.status, 1);
    EXPECT_EQ(trusted.err.find("certificate"), std::string::npos) << trusted.err;
    EXPECT_NE(trusted.err.find("JSON"), std::string::npos) << trusted.err;
}

namespace {

// dravik on a private display with its cache in `cache`, driven through the search window.
struct ArcGui {
    XvfbServer x;
    Display *xd = nullptr;
    Driver d;

    bool Start(const std::string &cache) {
        if (!x.Start() || !(xd = XOpenDisplay(x.name.c_str()))) return false;
        d.Attach(xd, x.name);
        return d.Launch({}, "AskProgramExit=0\nAskFileOpenWin=0\n", {"XDG_CACHE_HOME=" + cache});
    }
    ~ArcGui() {
        d.Kill();
        if (xd) XCloseDisplay(xd);
    }
    Window OpenWindow() {
        if (!d.Main()) return 0;
        d.Click(d.Wait("File"), -1, -1, 40);
        d.Click(d.Wait("Open from archive..."), -1, -1, 40);
        return d.Wait("Search archive");
    }
    void Press(Window top, const char *button) { d.Click(d.Wait(button, top)); }
    // Options > Program: the notebook, with the Archives page's six fields in `fields`.
    Window ArchivesPage(Window *nb, std::vector<Window> *fields) {
        if (!d.Main()) return 0;
        d.Click(d.Wait("Options"), -1, -1, 40);
        d.Click(d.Wait("Program"), -1, -1, 40);
        if (!d.WaitTrace("options open")) return 0;
        *nb = d.Wait("optnb");
        d.Click(d.Wait("Archives", d.Wait("bb", *nb)));
        Window scroll = d.Wait("archives", *nb);
        if (!scroll) return 0;
        *fields = d.FindAll("edit", d.Parent(d.Parent(scroll)));
        return d.Parent(d.Parent(scroll));
    }
    // Search, then Open on the first study: its series are listed.
    bool ListSeries(Window top, int studies) {
        Press(top, "Search");
        if (!d.WaitTrace("archive find rc=0 studies=" + std::to_string(studies))) return false;
        Press(top, "Open");
        return d.WaitTrace("archive series rc=0 series=1");
    }
};

// The one subdirectory of `dir`, or "".
std::string OnlySub(const std::string &dir) {
    std::set<std::string> n = DirNames(dir);
    return n.size() == 1 ? dir + "/" + *n.begin() : "";
}

} // namespace

// An archive added on the options page with a typed URL and credential is written at once,
// mode 0600. Through it, as a user: a name wildcard typed and searched, then the patient ID,
// Search, Open on the study and on its series; the series lands in the cache and its first
// picture opens in the main view.
TEST_F(ArchiveOrthanc, AnArchiveAddedOnTheOptionsPageFindsAStudyAndShowsItsFirstPicture) {
    std::string file = dir.File("config/dravik/archives");
    Spit(file, "");
    ArcGui g;
    ASSERT_TRUE(g.Start(dir.File("cache")));
    Window nb;
    std::vector<Window> fields;
    Window page = g.ArchivesPage(&nb, &fields);
    ASSERT_NE(page, 0u) << g.d.Err();
    ASSERT_EQ(fields.size(), 6u);
    // Name, URL, user and password, in the order of the page's rows.
    std::sort(fields.begin(), fields.end(),
              [&](Window a, Window b) { return g.d.Attr(a).y < g.d.Attr(b).y; });
    const std::string typed[4] = {"typed", url, "test", "secret"};
    for (int i = 0; i < 4; i++) {
        g.d.Click(fields[size_t(i)]);
        ASSERT_TRUE(WaitFor([&] { return g.d.Focus() == fields[size_t(i)]; }));
        g.d.Type(typed[i]);
    }
    g.Press(page, "Add");
    ASSERT_TRUE(g.d.WaitTrace("archives saved rc=0 entries=1")) << g.d.Err();
    std::string text = ReadWholeFile(file);
    EXPECT_NE(text.find("[typed]\nurl = " + url + "\nuser = test\npassword = secret\n"),
              std::string::npos)
        << text;
    struct stat st;
    ASSERT_EQ(stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    Window dlg = nb;
    while (g.d.Parent(dlg) != DefaultRootWindow(g.xd))
        dlg = g.d.Parent(dlg);
    SendDeleteRequest(g.xd, dlg);
    ASSERT_TRUE(g.d.WaitTrace("options closed")) << g.d.Err();

    Window top = g.OpenWindow();
    ASSERT_NE(top, 0u) << g.d.Err();
    fields = g.d.FindAll("edit", top);
    ASSERT_EQ(fields.size(), 6u);
    // Each field is typed into once it has the keyboard.
    g.d.Click(fields[0]);
    ASSERT_TRUE(WaitFor([&] { return g.d.Focus() == fields[0]; }));
    g.d.Type("Archive^*");
    g.Press(top, "Search");
    ASSERT_TRUE(g.d.WaitTrace("archive find rc=0 studies=2")) << g.d.Err();
    g.d.Click(fields[1]);
    ASSERT_TRUE(WaitFor([&] { return g.d.Focus() == fields[1]; }));
    g.d.Type("ARC001");
    ASSERT_TRUE(g.ListSeries(top, 1)) << g.d.Err();
    g.Press(top, "Open");
    ASSERT_TRUE(g.d.WaitTrace("archive get rc=0 instances=4")) << g.d.Err();
    std::string series = OnlySub(dir.File("cache") + "/dravik/archive/" + STUDY_CT);
    ASSERT_FALSE(series.empty());
    ASSERT_TRUE(g.d.WaitTrace("trace: open " + series + "/")) << g.d.Err();
    std::set<std::string> files = DirNames(series);
    EXPECT_EQ(files.size(), 4u);
    for (const std::string &f : files)
        EXPECT_EQ(f.compare(f.size() - 4, 4, ".dcm"), 0) << f;
    // The file box is in the series: its directory preview shows the four pictures. The
    // search window goes first: bare, it covers the file box.
    SendDeleteRequest(g.xd, top);
    ASSERT_TRUE(g.d.WaitGone("Search archive")) << g.d.Err();
    Window list = g.d.Wait("scl", g.d.Find("fbx"));
    ASSERT_NE(list, 0u);
    g.d.Click(list, 20, 6, HOLD_PERSON, 3);
    g.d.Click(g.d.Wait("Directory as Preview"), -1, -1, 40);
    Window prev = g.d.Wait(series);
    ASSERT_NE(prev, 0u) << g.d.Err();
    // The four pictures are grey ramps: their shades stand among the window's few colours.
    size_t shades = 0;
    EXPECT_TRUE(WaitFor([&] {
        XWindowAttributes a = g.d.Attr(prev);
        shades = g.d.Colours(prev, 0, 0, a.width, a.height).size();
        return shades >= 40;
    })) << shades;
    // The credential is never shown.
    EXPECT_EQ(g.d.Err().find("secret"), std::string::npos);
}

namespace {

// Answers a study search and a series search with one entry each, then sends the series' first
// instance whole and a piece of the second, and stalls until the client goes.
struct StallServer {
    int fd = -1, port = 0;
    std::atomic<bool> stop{false};
    std::thread th;
    std::string one = ReadWholeFile(DataPath("archive/ct-1.dcm"));
    std::string two = ReadWholeFile(DataPath("archive/ct-2.dcm"));

    StallServer() {
        fd = Listen(4, &port);
        th = std::thread([this] { Serve(); });
    }
    ~StallServer() {
        stop = true;
        th.join();
        close(fd);
    }
    bool Readable(int s) {
        pollfd p{s, POLLIN, 0};
        return poll(&p, 1, 100) > 0;
    }
    static std::string Json(const std::string &body) {
        return "HTTP/1.1 200 OK\r\nContent-Type: application/dicom+json\r\nContent-Length: " +
               std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
    }
    void Serve() {
        const std::string uid = "\"Value\": [\"1.2.826.0.1.3680043.9.7433.33.1";
        while (!stop) {
            if (!Readable(fd)) continue;
            int c = accept(fd, nullptr, nullptr);
            if (c < 0) continue;
            std::string req;
            char buf[4096];
            while (req.find("\r\n\r\n") == std::string::npos && Readable(c)) {
                ssize_t n = read(c, buf, sizeof buf);
                if (n <= 0) break;
                req.append(buf, size_t(n));
            }
            std::string line = req.substr(0, req.find("\r\n")), out;
            if (line.find("/series/") != std::string::npos) {
                auto part = [](const std::string &b) {
                    return "--XyZ\r\nContent-Type: application/dicom\r\n\r\n" + b + "\r\n";
                };
                out = "HTTP/1.1 200 OK\r\nContent-Type: multipart/related; "
                      "type=\"application/dicom\"; boundary=XyZ\r\n\r\n" +
                      part(one) + part(two).substr(0, 600);
            } else if (line.find("/series") != std::string::npos) {
                out = Json("[{\"0020000E\": {\"vr\": \"UI\", " + uid +
                           ".1\"]}, \"00080060\": {\"vr\": \"CS\", \"Value\": [\"CT\"]}}]");
            } else {
                out = Json("[{\"0020000D\": {\"vr\": \"UI\", " + uid +
                           "\"]}, \"00100020\": {\"vr\": \"LO\", \"Value\": [\"ST1\"]}}]");
            }
            (void)!write(c, out.data(), out.size());
            // The client ends a stalled transfer by going away.
            while (!stop && line.find("/series/") != std::string::npos)
                if (Readable(c) && read(c, buf, sizeof buf) <= 0) break;
            close(c);
        }
    }
};

} // namespace

// Cancel while an instance is under way: the whole first instance stays (and is shown), nothing
// of the second is left, and the window answers at once.
TEST(ArchiveWindowCut, CancelKeepsOnlyWholeInstances) {
    StallServer srv;
    ScratchDir dir;
    UseConfig(dir, "[stall]\nurl = http://127.0.0.1:" + std::to_string(srv.port) + "/dw\n");
    ArcGui g;
    ASSERT_TRUE(g.Start(dir.File("cache")));
    Window top = g.OpenWindow();
    ASSERT_NE(top, 0u) << g.d.Err();
    ASSERT_TRUE(g.ListSeries(top, 1)) << g.d.Err();
    g.Press(top, "Open");
    std::string series = dir.File("cache") + "/dravik/archive/" + STUDY_CT + "/" + STUDY_CT + ".1";
    std::string first = "1.2.826.0.1.3680043.9.7433.33.1.1.1.dcm";
    ASSERT_TRUE(g.d.WaitTrace("trace: open " + series + "/" + first)) << g.d.Err();
    g.Press(top, "Cancel");
    ASSERT_TRUE(g.d.WaitTrace("archive get rc=-6 instances=1")) << g.d.Err();
    EXPECT_EQ(DirNames(series), std::set<std::string>{first});
    EXPECT_EQ(ReadWholeFile(series + "/" + first), srv.one);
    // The window takes the next command: Back lists the study again.
    g.Press(top, "Back");
    g.Press(top, "Search");
    EXPECT_TRUE(g.d.WaitTrace("archive find rc=0 studies=1", 2)) << g.d.Err();
    unsetenv("XDG_CONFIG_HOME");
}

// The Archives page: choosing an entry fills the fields; Change keeps its URL and credential
// under the new name, Remove drops it; each writes the file at once, mode 0600.
TEST(ArchiveOptions, ChangeAndRemoveRewriteTheFile) {
    ScratchDir dir;
    std::string file = UseConfig(dir, "[one]\nurl = http://127.0.0.1:1/a\nuser = u\npassword = "
                                      "pw1\n\n[two]\nurl = http://127.0.0.1:2/b\ntoken = tk\n");
    ArcGui g;
    ASSERT_TRUE(g.Start(dir.File("cache")));
    Window nb;
    std::vector<Window> fields;
    Window page = g.ArchivesPage(&nb, &fields);
    ASSERT_NE(page, 0u) << g.d.Err();
    ASSERT_EQ(fields.size(), 6u);
    // All six tabs are in sight, without the row's arrows.
    Window bb = g.d.Wait("bb", nb);
    for (const char *tab : {"Confirmation", "Info", "Window", "Color/Font", "Dicom", "Archives"}) {
        Window t = g.d.Find(tab, bb);
        ASSERT_NE(t, 0u) << tab;
        EXPECT_TRUE(g.d.Viewable(t)) << tab;
        XRectangle r = g.d.RootRect(t), row = g.d.RootRect(bb);
        EXPECT_LE(r.x + r.width, row.x + row.width) << tab;
    }
    Window arrow = g.d.Find(">", nb);
    EXPECT_TRUE(!arrow || !g.d.Viewable(arrow));
    g.d.Click(g.d.Find("scl", g.d.Wait("archives", nb)), 20, 6);
    g.d.Click(fields[0], g.d.Attr(fields[0]).width - 4, -1);
    g.d.Type("x");
    g.Press(page, "Change");
    ASSERT_TRUE(g.d.WaitTrace("archives saved rc=0 entries=2")) << g.d.Err();
    std::string text = ReadWholeFile(file);
    EXPECT_NE(text.find("[onex]\nurl = http://127.0.0.1:1/a\nuser = u\npassword = pw1\n"),
              std::string::npos)
        << text;
    g.Press(page, "Remove");
    ASSERT_TRUE(g.d.WaitTrace("archives saved rc=0 entries=1")) << g.d.Err();
    text = ReadWholeFile(file);
    EXPECT_EQ(text.find("one"), std::string::npos) << text;
    EXPECT_NE(text.find("[two]\nurl = http://127.0.0.1:2/b\ntoken = tk\n"), std::string::npos)
        << text;
    struct stat st;
    ASSERT_EQ(stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(g.d.Err().find("pw1"), std::string::npos);
    unsetenv("XDG_CONFIG_HOME");
}
