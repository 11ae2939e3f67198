// The DICOM part of `dravik-tool info`.
#pragma once

#include <cstdio>

struct FILEINFO;

// Prints the DICOM keys (photometric, transfer_syntax, patient_name, description) of a record
// read by the dispatch as key=value lines. 0, or 1 after one error line when the record holds no
// DICOM header.
int ToolDicomInfo(const FILEINFO *fi, FILE *out);
// `dravik-tool dump FILE`: the rows of the header window, one a line. 0 when the file walked
// whole, 1 when it is no DICOM file or broke (the rows up to there are printed) or cannot be read.
int ToolDicomDump(int argc, char **argv);
