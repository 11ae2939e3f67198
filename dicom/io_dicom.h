// DICOM reader: the tag search, value normalisation, group set-up, entry table and the file test
// and read that fill an image record.
#pragma once

#include "dicom/io_dcm2.h"
#include "image/io_files.h"

#include <cstddef>
#include <cstdint>

// The pixel layout of the file under test or being read; zero-filled before each.
struct DICOMDESC {
    int dataoffset; // first pixel byte; also the search bound of all groups but FFFE
    int maxval;     // (0028,0107), sign-extended
    int minval;     // (0028,0106), sign-extended
    int columns;
    int rows;
    int filesize;
    int bitsallocated;
    int bitsstored;
    int highbit;
    float slope;     // (0028,1053), default 1.0
    float intercept; // (0028,1052), default 0.0
    int pixelrep;
    int frames; // Number of Frames, 0 when absent
    int planar;
    int samples;
    char photometric[20];
    int dataend; // set by the pixel stage
};

// A UID of the standard and its name.
struct DICOMUID {
    const char *uid;
    const char *name;
};

enum { DICOM_TRANS_UIDS = 50, DICOM_TRANS_UIDS_JPEG = 18, DICOM_MIN_FILE = 1024 };

extern const DICOMUID DicomTransUID[DICOM_TRANS_UIDS];
extern const DICOMUID DicomTransUIDJpeg[DICOM_TRANS_UIDS_JPEG];

// Everything one DICOM test or read works on: the group records, the pixel descriptor, the value
// area of the tag search and the normalised value. One per call, so reads on several threads never
// meet.
struct DICOMCTX {
    DCMGROUPS groups;
    DICOMDESC dicomdesc;
    uint8_t Byte4h[1024];
    uint8_t dcm_value[1025];
};
// A zeroed context, or null when memory runs out.
DICOMCTX *DicomCtxCreate();
// Releases a context with the palette buffers its records hold.
void DicomCtxRelease(DICOMCTX *ctx);

// Tag search over buf[0, len): the offset of the first match at or after `start`, 0 when none
// (a match at offset 0 reads as none). On a match the 8 bytes at the tag go to `header` and up to
// `nvalue` bytes of the value to `value`, the rest of `value` zero-filled.
int ReadByteGroup(const uint8_t *buf, int len, int ghi, int glo, int ehi, int elo, uint8_t *value,
                  int nvalue, uint8_t *header, int start);
// Where the value of the element whose tag is at `tag` starts (12 bytes after the tag for the
// explicit VRs with a 4-byte length, else 8) and how many of its bytes lie inside buf[0, len).
// -1 when the element header itself does not fit.
int DicomValueSpan(const uint8_t *buf, int len, int tag, int *length);

// Where the sequences of a data set lie, from a walk of its structure: the meta group, then
// elements, sequences, items and delimiters up to the top-level Pixel Data. Items inside a
// sequence repeat tags of the data set (a referenced patient's name, an icon's rows and pixels),
// so the dictionary's search tells the two apart by these ranges.
struct DICOMRANGE {
    int from, to; // [from, to)
    int seq;      // 1: a sequence's items; 0: a plain value, where no element can start
};
struct DICOMNEST {
    int pixeltag;      // offset of the top-level (7FE0,0010); 0 when the walk failed
    int ended;         // 1: the walk reached the data set's end and found no Pixel Data
    int metaend;       // where the meta group ends (the data set begins) once walked
    int count, room;   // ranges held, room for
    DICOMRANGE *range; // value of each top-level element, ascending
};
enum { DICOM_NEST_DEPTH = 32 };
// 100 when the structure walks to a top-level Pixel Data or, without one, exactly to the end of
// the data set (`ended`); -111 when it does not (a length past the end, an unknown VR, nesting
// deeper than DICOM_NEST_DEPTH, a big-endian or deflated data set), -8 when memory runs out.
// On failure `nest` is left empty and searches see plain bytes.
int DicomNestWalk(const uint8_t *buf, int len, DICOMNEST *nest);
void DicomNestRelease(DICOMNEST *nest);
// How the walk reads the data set: by the meta group's transfer syntax (and, without one, the
// first header), or as explicit or implicit VR little endian once the form was turned so.
enum { DCM_FORM_SYNTAX = -1, DCM_FORM_EXPLICIT = 0, DCM_FORM_IMPLICIT = 1 };

// The most bytes a deflated data set may inflate to; tests lower it. Read-only while reads run.
struct DICOMFORMTUNE {
    long inflate_budget = IO_BUDGET_IMAGE;
};
extern DICOMFORMTUNE dicom_form_tune;

// Whether buf holds a data set without preamble and meta header: its first element a plausible
// group 0002 or 0008 one whose value fits. Sets the byte order and the VR kind it shows.
int DicomPlainStart(const uint8_t *buf, long len, int *bigendian, int *explicitvr);
// The search of the dictionary over the record's held file bytes below `bound`: the first match
// outside every sequence value; when there is none and `nested` is set, the first one inside.
// Otherwise as ReadByteGroup.
int DicomTagFind(const FILEINFO *fi, int bound, int ghi, int glo, int ehi, int elo, int nested,
                 uint8_t *value, int nvalue, uint8_t *header);

int DcmGroupEntrySize(int vrclass);
// The normalised value of `value` (1024 bytes) under a VR class, written to `out` (1025 bytes)
// and returned; `header` is the element's 8 header bytes.
const uint8_t *EntryResolv(int vrclass, const uint8_t *value, const uint8_t *header, uint8_t *out);

void DicomUnitsEmpty(DICOMCTX *ctx);
int DicomUnitsSort(DICOMCTX *ctx, FILEINFO *fi, int limit);
int DcmGroupSetup(DICOMCTX *ctx, FILEINFO *fi, int limit, int group, void *rec);
int DcmGroupSetup0000(DICOMCTX *ctx, FILEINFO *fi, int limit, DCMGROUP0000 *rec);
int DcmGroupSetup0002(DICOMCTX *ctx, FILEINFO *fi, int limit, DCMGROUP0002 *rec);
int DcmGroupSetup0004(DICOMCTX *ctx, FILEINFO *fi, int limit, DCMGROUP0004 *rec);
int DcmGroupSetup0008(DICOMCTX *ctx, FILEINFO *fi, int limit, DCMGROUP0008 *rec);
int DcmGroupSetup0010(DICOMCTX *ctx, FILEINFO *fi, int limit, DCMGROUP0010 *rec);
int DcmGroupSetup0018(DICOMCTX *ctx, FILEINFO *fi, int limit, DCMGROUP0018 *rec);
int DcmGroupSetup0020(DICOMCTX *ctx, FILEINFO *fi, int limit, DCMGROUP0020 *rec);
int DcmGroupSetup0028(DICOMCTX *ctx, FILEINFO *fi, int limit, DCMGROUP0028 *rec);
int DcmGroupSetup0032(DICOMCTX *ctx, FILEINFO *fi, int limit, DCMGROUP0032 *rec);
int DcmGroupSetup0038(DICOMCTX *ctx, FILEINFO *fi, int limit, DCMGROUP0038 *rec);
int DcmGroupSetup0088(DICOMCTX *ctx, FILEINFO *fi, int limit, DCMGROUP0088 *rec);
int DcmGroupSetup2000(DICOMCTX *ctx, FILEINFO *fi, int limit, DCMGROUP2000 *rec);
int DcmGroupSetup2010(DICOMCTX *ctx, FILEINFO *fi, int limit, DCMGROUP2010 *rec);
int DcmGroupSetup2020(DICOMCTX *ctx, FILEINFO *fi, int limit, DCMGROUP2020 *rec);
int DcmGroupSetup2030(DICOMCTX *ctx, FILEINFO *fi, int limit, DCMGROUP2030 *rec);
int DcmGroupSetup2040(DICOMCTX *ctx, FILEINFO *fi, int limit, DCMGROUP2040 *rec);
int DcmGroupSetup2100(DICOMCTX *ctx, FILEINFO *fi, int limit, DCMGROUP2100 *rec);
int DcmGroupSetup2110(DICOMCTX *ctx, FILEINFO *fi, int limit, DCMGROUP2110 *rec);
int DcmGroupSetup4008(DICOMCTX *ctx, FILEINFO *fi, int limit, DCMGROUP4008 *rec);
int DcmGroupSetup50xx(DICOMCTX *ctx, FILEINFO *fi, int limit, DCMGROUP50XX *rec);
int DcmGroupSetup60xx(DICOMCTX *ctx, FILEINFO *fi, int limit, DCMGROUP60XX *rec);
int DcmGroupSetupFFFE(DICOMCTX *ctx, FILEINFO *fi, int limit, DCMGROUPFFFE *rec);

// The entry table: 22 private copies of the context's records (index = DCM_G...), or null.
void **DicomEntryTableSetup(DICOMCTX *ctx, FILEREQ *req);
int DicomEntryTableRemove(FILEREQ *req, void **table);

// The file bytes held in the record's DICOM data between the test and the read (null when it
// holds none), and their number.
const uint8_t *DicomFileBytes(const FILEINFO *fi, int *len);
// Lets the bytes from..to of a mapped file leave memory; they are read again when touched.
void DicomFileDrop(const FILEINFO *fi, long from, long to);
// The entry table held after a successful read, or null.
void **DicomEntryTable(const FILEINFO *fi);
// Releases whatever the record's DICOM data holds (file bytes or entry table, and the stored
// values of its picture) and clears it.
void DicomDataRelease(FILEINFO *fi);

// The test and the read parse the header into `ctx`, which then holds the records and the
// descriptor for the caller to look at. Without one, the test keeps its parse with the file bytes
// it holds and the read takes it over.
int IsFileDicom(FILEREQ *req, FILEINFO *fi, int mode, DICOMCTX *ctx = nullptr);
int DicomEntrySetup(DICOMCTX *ctx, FILEINFO *fi, DICOMDESC *desc);
int IoReadDicom(FILEREQ *req, FILEINFO *fi, DICOMCTX *ctx = nullptr);
// As IoReadDicom without decoding pixels (IO_READ_PROBE): the header, the entry table, size,
// depth, colour-map type and frame count, and every check the read makes before it decodes.
int IoReadDicomProbe(FILEREQ *req, FILEINFO *fi, DICOMCTX *ctx = nullptr);
struct DICOMSAMPLES;
// As IoReadDicom, but a monochrome image's stored values (every frame, before windowing) go to
// raw and fbuf stays empty; -111 for other images.
int IoReadDicomRaw(FILEREQ *req, FILEINFO *fi, DICOMSAMPLES *raw, DICOMCTX *ctx = nullptr);

// Transfer syntaxes the pixel stage takes.
enum {
    DICOM_TS_REFUSED = 0,
    DICOM_TS_NATIVE = 1,
    DICOM_TS_LOSSLESS = 2, // process 14, also selection value 1
    DICOM_TS_JPEG = 3,     // baseline and extended, 8-bit samples through libjpeg
    DICOM_TS_RLE = 4,
    DICOM_TS_JPEGLS = 5, // lossless and near-lossless, through CharLS
    DICOM_TS_J2K = 6     // lossless and lossy, through OpenJPEG
};
// Classifies a Transfer Syntax UID by its whole text (trailing NUL and blanks ignored); an empty
// UID is implicit VR little endian.
int DicomTransferSyntaxClass(const char *uid);
// The name of a UID from the two tables, or null.
const char *DicomUidName(const char *uid);

// The header fields `dravik-tool info` and the DICOM toolbar show for a read record.
struct DICOMINFO {
    char photometric[20];
    char transfer_syntax[80];
    char patient_name[256]; // UTF-8, the first non-empty component group, '^' shown as ','
    char description[256];
};

// The image line "%s%s%ix%i Bit (%i/%i/%i) %s %s " of an entry table; " " without one.
int DicomImageDescription(void *const *table, char *out, size_t size);
// 100, or -24 when the record holds no entry table (the fields are then " ").
int DicomInfoGet(const FILEINFO *fi, DICOMINFO *info);
