// File > Open from archive: the search window over the DICOMweb archives of the archives file.
// Searches and retrievals run on a worker thread without the toolkit lock; a retrieved series
// lands in the cache and its first picture opens in the main view.
#pragma once

#include "toolkit/xwin.h"

#include <string>

// Opens the search window, or raises it when it is open. 0, or below 0 when it cannot be made.
int MF_ArchiveOpen(Display *display);

// The study line of the result list: patient, ID, date, modality, description, series and
// instance counts ("-" for a count the archive did not give).
struct ARCSTUDY;
struct ARCSERIES;
std::string ArchiveStudyLine(const ARCSTUDY &s);
std::string ArchiveSeriesLine(const ARCSERIES &s);
// The date range of the two date fields for a query: "" when both are empty, else FROM-TO with
// an open end; "?" when a non-empty field is not YYYYMMDD.
std::string ArchiveDateRange(const std::string &from, const std::string &to);

// The options dialog's Archives page: the archives of the archives file with name, URL, user,
// password and token, Add, Change and Remove (each saved at once), and the cache limit in MiB.
// A file that could not be read is never overwritten from the page.
int ArchiveOptionPage(WINDAT *page);
// Takes the cache limit field into ArchiveCacheLimit (a value out of range keeps the setting).
void ArchiveOptionCommit();
// The dialog is going: commits and forgets the page.
void ArchiveOptionClose();
