// The DICOMweb client: QIDO-RS searches and WADO-RS retrievals against one archive, over one
// reused connection, and the cache directory retrieved series are kept in.
#pragma once

#include "archive/arc_conf.h"
#include "archive/arc_json.h"

#include <string>
#include <vector>

enum {
    ARC_OK = 0,
    ARC_ERR_NET = -1,    // no connection, TLS failure, timeout, cut transfer
    ARC_ERR_AUTH = -2,   // 401 or 403: not authorised
    ARC_ERR_DATA = -3,   // malformed answer or one beyond a budget
    ARC_ERR_HTTP = -4,   // another status
    ARC_ERR_FILE = -5,   // the output could not be written
    ARC_ERR_CANCEL = -6, // the progress callback asked to stop
};

enum {
    ARC_CONNECT_TIMEOUT = 10, // seconds to connect
    ARC_STALL_TIME = 30,      // seconds a transfer may go below ARC_STALL_RATE bytes a second
    ARC_STALL_RATE = 1,
    ARC_PAGE = 100,         // studies asked for per search request
    ARC_FIND_MAX = 5000,    // studies of one search, over all pages
    ARC_ERRBODY_MAX = 4096, // bytes of an error answer kept for its message
    ARC_PARTS_MAX = 100000, // instances of one retrieval (each a file)
};
// One instance of a retrieval; a part declaring more is refused before anything is written.
const long long ARC_PART_MAX = 4LL << 30;
const long long ARC_CACHE_DEFAULT = 2LL << 30;

struct ARCCONN;

// A connection to `archive` (nothing is sent yet). Null with a message when libcurl cannot
// start. The credential is used for every request and never appears in a message.
ARCCONN *ArcOpen(const ARCHIVE &archive, std::string *err);
void ArcClose(ARCCONN *c);

struct ARCQUERY {
    std::string patient;    // PatientName, '*' and '?' as wildcards
    std::string patient_id; // PatientID
    std::string date;       // StudyDate: YYYYMMDD, YYYYMMDD-, -YYYYMMDD or YYYYMMDD-YYYYMMDD
    std::string modality;   // ModalitiesInStudy
    std::string accession;  // AccessionNumber
};

// The studies that match, over pages of ARC_PAGE, at most ARC_FIND_MAX. ARC_OK (also for no
// match) or an ARC_ERR_ code with a message.
int ArcFindStudies(ARCCONN *c, const ARCQUERY &q, std::vector<ARCSTUDY> *out, std::string *err);
int ArcFindSeries(ARCCONN *c, const std::string &study, std::vector<ARCSERIES> *out,
                  std::string *err);

// Progress of a retrieval: instances written and bytes received so far. Non-zero stops it
// (ARC_ERR_CANCEL). Called from the thread that runs the retrieval.
struct ARCPROGRESS {
    void *ctx;
    int (*step)(void *ctx, int instances, long long bytes);
    // Optional: each instance's file once it is complete under its final name.
    void (*written)(void *ctx, const std::string &path);
};

// Retrieves a study, or one series of it when `series` is not empty, into `outdir` (which must
// exist): each instance is written under a temporary name and renamed to SOP_INSTANCE_UID.dcm
// when complete, so an interrupted retrieval leaves only whole instances. `count` gets the
// instances written. ARC_OK or an ARC_ERR_ code with a message.
int ArcRetrieve(ARCCONN *c, const std::string &study, const std::string &series,
                const std::string &outdir, const ARCPROGRESS *progress, int *count,
                std::string *err);

// A UID as a file or directory name: digits and dots kept, anything else as '_', at most 64
// characters; empty for a name of dots only or an empty UID.
std::string ArcUidName(const std::string &uid);

// $XDG_CACHE_HOME/dravik/archive, or ~/.cache/dravik/archive; empty when neither is known.
std::string ArcCacheRoot();
// ROOT/STUDY/SERIES, created (mode 0700). Empty with a message when it cannot be.
std::string ArcCacheSeriesDir(const std::string &root, const std::string &study,
                              const std::string &series, std::string *err);
// Removes whole series directories of the cache, the least recently changed first, until the
// cache holds at most `limit` bytes; `keep` (a series directory) is never removed. Returns the
// bytes the cache holds afterwards.
long long ArcCacheTrim(const std::string &root, long long limit, const std::string &keep);
