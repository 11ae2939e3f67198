// Search answers of an archive (the DICOM JSON model) read into study and series records.
#include "archive/arc_json.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const char *text = reinterpret_cast<const char *>(data);
    std::vector<ARCSTUDY> studies;
    std::vector<ARCSERIES> series;
    std::string err;
    if (ArcJsonStudies(text, size, &studies, &err) == 0) {
        for (const ARCSTUDY &s : studies)
            if (s.study_uid.empty() || s.patient.size() > ARC_JSON_MAX_VALUE) abort();
    } else if (err.empty()) {
        abort();
    }
    if (ArcJsonSeries(text, size, &series, &err) == 0)
        for (const ARCSERIES &s : series)
            if (s.series_uid.empty()) abort();
    return 0;
}
