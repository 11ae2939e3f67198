// Window and level of monochrome DICOM pictures: the stored values kept with the record, the
// file's windows and VOI LUT, presets, padding, and the 8-bit display frames derived from them.
#pragma once

#include "dicom/io_dcm3.h"

#include <cstdint>
#include <string>
#include <vector>

// Functions of the window (VOI LUT Function).
enum { DICOM_VOI_LINEAR = 0, DICOM_VOI_LINEAR_EXACT = 1, DICOM_VOI_SIGMOID = 2 };
// The window a picture opens with (setting DicomWindow).
enum { DICOM_WINDOW_MINMAX = 0, DICOM_WINDOW_FILE = 1, DICOM_WINDOW_HOUNSFIELD = 2 };
// What maps the values at present.
enum { DICOM_VOI_RANGE = 0, DICOM_VOI_CW = 1, DICOM_VOI_TABLE = 2 };
enum { DICOM_VOI_PRESETS = 6 };

struct DICOMVOIWIN {
    double c, w;
    std::string why; // Window Center & Width Explanation
};

struct DICOMVOI {
    DICOMSAMPLES s;    // stored values of every frame
    DICOMWINDOW range; // the min-max or Hounsfield mapping of the stored values
    double slope = 1, intercept = 0;
    // Per frame, where an enhanced multi-frame file gives its frames rescales of their own;
    // empty otherwise.
    std::vector<double> fslope, fintercept;
    int function = DICOM_VOI_LINEAR;
    int invert = 0; // MONOCHROME1 or an INVERSE presentation LUT
    std::vector<DICOMVOIWIN> windows;
    int pad = 0; // Pixel Padding Value present; padlo..padhi are stored values
    int32_t padlo = 0, padhi = 0;
    std::vector<uint16_t> table; // VOI LUT Sequence: first item's data
    int32_t tablefirst = 0;
    int tablebits = 16;
    double lo = 0, hi = 0; // rescaled value range without the padding
    std::string modality, rescaletype;
    // The mapping in use.
    int kind = DICOM_VOI_RANGE;
    double c = 0, w = 1;
    int fn = DICOM_VOI_LINEAR;
    int which = -1; // index in windows when it is the file's, else -1
};

// The display byte (0..255) of a modality value x through window c/w under `fn`, rounded to
// the nearest; a LINEAR width below 1 counts as 1, a non-positive width otherwise as tiny.
double DicomVoiLevel(int fn, double x, double c, double w);
uint8_t DicomVoiByte(int fn, double x, double c, double w);

// Takes over the samples (left empty) and reads the header's windows, function, VOI LUT,
// padding, presentation and rescale from the record's held file bytes. 100, -8 or -15.
int DicomVoiCreate(const FILEREQ *req, const FILEINFO *fi, const DICOMDESC *d, int pi,
                   DICOMSAMPLES *s, DICOMVOI **out);
void DicomVoiRelease(DICOMVOI *voi);

// The window a picture opens with under `setting` (DICOM_WINDOW_...): min-max as the range
// scan gives it (padding left out), the file's first window (or its VOI LUT; min-max without
// either), or the Hounsfield range of the request.
void DicomVoiOpenWindow(DICOMVOI *voi, int setting, const FILEREQ *req);
// An explicit window (function of the file); width at least 1.
void DicomVoiSetWindow(DICOMVOI *voi, double c, double w);
// Presets 1..6: the file's window, min-max, 40/400, -600/1500, 300/1500, 40/80. 100, or -15
// (preset 1 without a window of the file).
int DicomVoiPreset(DICOMVOI *voi, int n);
// The file's next window; 100, or -15 when it has fewer than two.
int DicomVoiCycle(DICOMVOI *voi);
// The window in use as centre and width of modality values (the range mapping's equivalent).
void DicomVoiCW(const DICOMVOI *voi, double *c, double *w);

// One frame through the mapping in use into w x h bytes; pixels the file did not hold and
// padding are black.
void DicomVoiRender(const DICOMVOI *voi, int f, uint8_t *out);
// Every frame into the record's 8-bit buffer (same size); 100 or -15.
int DicomVoiRenderAll(const DICOMVOI *voi, uint8_t *fbuf, FILEREQ *req);

// The stored value at (x, y) of frame f and its modality value; 100, or -15 outside.
int DicomVoiStored(const DICOMVOI *voi, int f, int x, int y, int32_t *stored, double *value);
// The rescale of frame f.
void DicomVoiRescale(const DICOMVOI *voi, int f, double *slope, double *intercept);
// The unit of modality values: "HU" for CT unless Rescale Type names another, else the Rescale
// Type (maybe empty).
std::string DicomVoiUnit(const DICOMVOI *voi);
