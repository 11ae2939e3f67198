// The files of a DICOM series in one directory, in the order a reader walks them.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// What orders a file within its series.
struct DICOMSERIESKEY {
    std::string path, uid;
    int hasnumber = 0;
    long number = 0;
    int haspos = 0, hasorient = 0;
    double pos[3] = {0, 0, 0};
    double orient[6] = {0, 0, 0, 0, 0, 0};
};

// The key of a file with the DICM marker; 100, or -104 when it is no such DICOM file.
int DicomSeriesKeyRead(const std::string &path, DICOMSERIESKEY *key);
// The files of `keys` that share the series of `shown`, ordered: those whose orientation is the
// shown one's by Instance Number, then (ties and missing numbers) by position along the slice
// normal, then by name; files of another orientation (localisers) last, the same way.
std::vector<std::string> DicomSeriesOrder(const DICOMSERIESKEY &shown,
                                          const std::vector<DICOMSERIESKEY> &keys);
// The series of the DICOM file `path` among the files of its directory, ordered as above; empty
// when the file has no Series Instance UID.
std::vector<std::string> DicomSeriesList(const std::string &path);

struct FILEINFO;
// The line a reader looks at first, from a read record's entry table: modality, study date,
// study and series description, series and instance number, slice position, pixel spacing;
// parts the file lacks are left out. 100, or -24 without an entry table ("" then).
int DicomSeriesLine(const FILEINFO *fi, char *out, size_t size);
