// QIDO-RS answers: the DICOM JSON model (an array of objects keyed by "GGGGEEEE" tags, each
// {"vr": ..., "Value": [...]}) read into study and series records.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

struct ARCSTUDY {
    std::string study_uid;   // (0020,000D)
    std::string patient;     // (0010,0010), the alphabetic form
    std::string patient_id;  // (0010,0020)
    std::string date;        // (0008,0020) YYYYMMDD
    std::string modalities;  // (0008,0061), values joined with ','
    std::string description; // (0008,1030)
    std::string accession;   // (0008,0050)
    long series = -1;        // (0020,1206); -1 when not given
    long instances = -1;     // (0020,1208)
};

struct ARCSERIES {
    std::string series_uid;  // (0020,000E)
    std::string modality;    // (0008,0060)
    std::string description; // (0008,103E)
    long number = -1;        // (0020,0011)
    long instances = -1;     // (0020,1209)
};

enum {
    ARC_JSON_MAX_BYTES = 16 << 20, // one page of search results
    ARC_JSON_MAX_DEPTH = 32,       // nesting of arrays and objects
    ARC_JSON_MAX_VALUE = 4096,     // bytes kept of one attribute value
};

// Each returns 0, or -1 with a message in `err` when the text is not JSON, nests deeper than
// ARC_JSON_MAX_DEPTH, is larger than ARC_JSON_MAX_BYTES, or is not an array of objects. An
// object without its UID is skipped; a value of the wrong type reads as absent.
int ArcJsonStudies(const char *text, size_t len, std::vector<ARCSTUDY> *out, std::string *err);
int ArcJsonSeries(const char *text, size_t len, std::vector<ARCSERIES> *out, std::string *err);
