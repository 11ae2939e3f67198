#include "dicom/io_dcmdump.h"

#include "base/utf8.h"
#include "base/xmem.h"
#include "dicom/io_dcmform.h"
#include "dicom/io_dcmtext.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <iterator>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char dump_tag[] = "dcm_dump";

// The tags a reader looks for first, and those dravik reads; with the VR an implicit data set
// does not name.
struct DCMDICT {
    uint32_t tag;
    const char *vr;
    const char *name;
};
const DCMDICT dcm_dict[] = {
    {0x00020000, "UL", "FileMetaInformationGroupLength"},
    {0x00020001, "OB", "FileMetaInformationVersion"},
    {0x00020002, "UI", "MediaStorageSOPClassUID"},
    {0x00020003, "UI", "MediaStorageSOPInstanceUID"},
    {0x00020010, "UI", "TransferSyntaxUID"},
    {0x00020012, "UI", "ImplementationClassUID"},
    {0x00020013, "SH", "ImplementationVersionName"},
    {0x00020016, "AE", "SourceApplicationEntityTitle"},
    {0x00080005, "CS", "SpecificCharacterSet"},
    {0x00080008, "CS", "ImageType"},
    {0x00080012, "DA", "InstanceCreationDate"},
    {0x00080013, "TM", "InstanceCreationTime"},
    {0x00080016, "UI", "SOPClassUID"},
    {0x00080018, "UI", "SOPInstanceUID"},
    {0x00080020, "DA", "StudyDate"},
    {0x00080021, "DA", "SeriesDate"},
    {0x00080022, "DA", "AcquisitionDate"},
    {0x00080023, "DA", "ContentDate"},
    {0x0008002A, "DT", "AcquisitionDateTime"},
    {0x00080030, "TM", "StudyTime"},
    {0x00080031, "TM", "SeriesTime"},
    {0x00080032, "TM", "AcquisitionTime"},
    {0x00080033, "TM", "ContentTime"},
    {0x00080050, "SH", "AccessionNumber"},
    {0x00080060, "CS", "Modality"},
    {0x00080064, "CS", "ConversionType"},
    {0x00080070, "LO", "Manufacturer"},
    {0x00080080, "LO", "InstitutionName"},
    {0x00080090, "PN", "ReferringPhysicianName"},
    {0x00080100, "SH", "CodeValue"},
    {0x00080102, "SH", "CodingSchemeDesignator"},
    {0x00080104, "LO", "CodeMeaning"},
    {0x00081010, "SH", "StationName"},
    {0x00081030, "LO", "StudyDescription"},
    {0x00081032, "SQ", "ProcedureCodeSequence"},
    {0x0008103E, "LO", "SeriesDescription"},
    {0x00081040, "LO", "InstitutionalDepartmentName"},
    {0x00081090, "LO", "ManufacturerModelName"},
    {0x00081120, "SQ", "ReferencedPatientSequence"},
    {0x00081140, "SQ", "ReferencedImageSequence"},
    {0x00081150, "UI", "ReferencedSOPClassUID"},
    {0x00081155, "UI", "ReferencedSOPInstanceUID"},
    {0x00082111, "ST", "DerivationDescription"},
    {0x00082112, "SQ", "SourceImageSequence"},
    {0x00089215, "SQ", "DerivationCodeSequence"},
    {0x00100010, "PN", "PatientName"},
    {0x00100020, "LO", "PatientID"},
    {0x00100030, "DA", "PatientBirthDate"},
    {0x00100040, "CS", "PatientSex"},
    {0x00101010, "AS", "PatientAge"},
    {0x00101020, "DS", "PatientSize"},
    {0x00101030, "DS", "PatientWeight"},
    {0x00104000, "LT", "PatientComments"},
    {0x00180010, "LO", "ContrastBolusAgent"},
    {0x00180015, "CS", "BodyPartExamined"},
    {0x00180050, "DS", "SliceThickness"},
    {0x00180060, "DS", "KVP"},
    {0x00180088, "DS", "SpacingBetweenSlices"},
    {0x00181020, "LO", "SoftwareVersions"},
    {0x00181030, "LO", "ProtocolName"},
    {0x00181063, "DS", "FrameTime"},
    {0x00181065, "DS", "FrameTimeVector"},
    {0x00181100, "DS", "ReconstructionDiameter"},
    {0x00181150, "IS", "ExposureTime"},
    {0x00181151, "IS", "XRayTubeCurrent"},
    {0x00181152, "IS", "Exposure"},
    {0x00181164, "DS", "ImagerPixelSpacing"},
    {0x00181210, "SH", "ConvolutionKernel"},
    {0x00180022, "CS", "ScanOptions"},
    {0x00185100, "CS", "PatientPosition"},
    {0x00185101, "CS", "ViewPosition"},
    {0x00180040, "IS", "CineRate"},
    {0x0020000D, "UI", "StudyInstanceUID"},
    {0x0020000E, "UI", "SeriesInstanceUID"},
    {0x00200010, "SH", "StudyID"},
    {0x00200011, "IS", "SeriesNumber"},
    {0x00200012, "IS", "AcquisitionNumber"},
    {0x00200013, "IS", "InstanceNumber"},
    {0x00200020, "CS", "PatientOrientation"},
    {0x00200032, "DS", "ImagePositionPatient"},
    {0x00200037, "DS", "ImageOrientationPatient"},
    {0x00200052, "UI", "FrameOfReferenceUID"},
    {0x00200060, "CS", "Laterality"},
    {0x00201040, "LO", "PositionReferenceIndicator"},
    {0x00201041, "DS", "SliceLocation"},
    {0x00204000, "LT", "ImageComments"},
    {0x00280002, "US", "SamplesPerPixel"},
    {0x00280004, "CS", "PhotometricInterpretation"},
    {0x00280006, "US", "PlanarConfiguration"},
    {0x00280008, "IS", "NumberOfFrames"},
    {0x00280009, "AT", "FrameIncrementPointer"},
    {0x00280010, "US", "Rows"},
    {0x00280011, "US", "Columns"},
    {0x00280030, "DS", "PixelSpacing"},
    {0x00280034, "IS", "PixelAspectRatio"},
    {0x00280100, "US", "BitsAllocated"},
    {0x00280101, "US", "BitsStored"},
    {0x00280102, "US", "HighBit"},
    {0x00280103, "US", "PixelRepresentation"},
    {0x00280106, "US", "SmallestImagePixelValue"},
    {0x00280107, "US", "LargestImagePixelValue"},
    {0x00280120, "US", "PixelPaddingValue"},
    {0x00280121, "US", "PixelPaddingRangeLimit"},
    {0x00280300, "CS", "QualityControlImage"},
    {0x00281040, "CS", "PixelIntensityRelationship"},
    {0x00281050, "DS", "WindowCenter"},
    {0x00281051, "DS", "WindowWidth"},
    {0x00281052, "DS", "RescaleIntercept"},
    {0x00281053, "DS", "RescaleSlope"},
    {0x00281054, "LO", "RescaleType"},
    {0x00281055, "LO", "WindowCenterWidthExplanation"},
    {0x00281056, "CS", "VOILUTFunction"},
    {0x00281101, "US", "RedPaletteColorLookupTableDescriptor"},
    {0x00281102, "US", "GreenPaletteColorLookupTableDescriptor"},
    {0x00281103, "US", "BluePaletteColorLookupTableDescriptor"},
    {0x00281199, "UI", "PaletteColorLookupTableUID"},
    {0x00281201, "OW", "RedPaletteColorLookupTableData"},
    {0x00281202, "OW", "GreenPaletteColorLookupTableData"},
    {0x00281203, "OW", "BluePaletteColorLookupTableData"},
    {0x00282110, "CS", "LossyImageCompression"},
    {0x00282112, "DS", "LossyImageCompressionRatio"},
    {0x00282114, "CS", "LossyImageCompressionMethod"},
    {0x00283002, "US", "LUTDescriptor"},
    {0x00283003, "LO", "LUTExplanation"},
    {0x00283006, "US", "LUTData"},
    {0x00283010, "SQ", "VOILUTSequence"},
    {0x00289145, "SQ", "PixelValueTransformationSequence"},
    {0x00289132, "SQ", "FrameVOILUTSequence"},
    {0x00320060, "LO", "StudyComments"},
    {0x00321060, "LO", "RequestedProcedureDescription"},
    {0x00400244, "DA", "PerformedProcedureStepStartDate"},
    {0x00400245, "TM", "PerformedProcedureStepStartTime"},
    {0x00400253, "SH", "PerformedProcedureStepID"},
    {0x00400254, "LO", "PerformedProcedureStepDescription"},
    {0x00400275, "SQ", "RequestAttributesSequence"},
    {0x00401001, "SH", "RequestedProcedureID"},
    {0x0040A170, "SQ", "PurposeOfReferenceCodeSequence"},
    {0x00880200, "SQ", "IconImageSequence"},
    {0x20500020, "CS", "PresentationLUTShape"},
    {0x300A0002, "SH", "RTPlanLabel"},
    {0x300A0003, "LO", "RTPlanName"},
    {0x300A000C, "CS", "RTPlanGeometry"},
    {0x52009229, "SQ", "SharedFunctionalGroupsSequence"},
    {0x52009230, "SQ", "PerFrameFunctionalGroupsSequence"},
    {0x60000010, "US", "OverlayRows"},
    {0x60000011, "US", "OverlayColumns"},
    {0x60000040, "CS", "OverlayType"},
    {0x60000050, "SS", "OverlayOrigin"},
    {0x60000100, "US", "OverlayBitsAllocated"},
    {0x60000102, "US", "OverlayBitPosition"},
    {0x60003000, "OW", "OverlayData"},
    {0x7FE00010, "OW", "PixelData"},
    {0xFFFAFFFA, "SQ", "DigitalSignaturesSequence"},
    {0xFFFCFFFC, "OB", "DataSetTrailingPadding"},
};

const DCMDICT *DcmDictFind(unsigned group, unsigned elem) {
    // Overlays repeat in the even groups 6000 to 601E.
    if ((group & 0xFFE1) == 0x6000) group = 0x6000;
    uint32_t tag = uint32_t(group) << 16 | elem;
    for (const DCMDICT &d : dcm_dict)
        if (d.tag == tag) return &d;
    return nullptr;
}

struct DCMDUMPWALK {
    const uint8_t *buf;
    long len;
    bool be, implicit;
    DCMDUMP *d;
    char charset[80]; // raw (0008,0005) of the data set
    bool nomem;
};

unsigned Rd16(const DCMDUMPWALK *w, long p) {
    const uint8_t *b = w->buf + p;
    return w->be ? unsigned(b[0] << 8 | b[1]) : unsigned(b[0] | b[1] << 8);
}
uint32_t Rd32(const DCMDUMPWALK *w, long p) {
    const uint8_t *b = w->buf + p;
    return w->be ? uint32_t(b[0]) << 24 | uint32_t(b[1]) << 16 | uint32_t(b[2]) << 8 | b[3]
                 : uint32_t(b[3]) << 24 | uint32_t(b[2]) << 16 | uint32_t(b[1]) << 8 | b[0];
}

bool VrIn(const char *vr, const char *const *list, size_t n) {
    for (size_t i = 0; i < n; i++)
        if (!strcmp(vr, list[i])) return true;
    return false;
}
const char *const long_vr[] = {"OB", "OD", "OF", "OL", "OV", "OW", "SQ",
                               "SV", "UC", "UN", "UR", "UT", "UV"};
const char *const short_vr[] = {"AE", "AS", "AT", "CS", "DA", "DS", "DT", "FL", "FD", "IS", "LO",
                                "LT", "PN", "SH", "SL", "SS", "ST", "TM", "UI", "UL", "US"};
bool LongVr(const char *vr) {
    return VrIn(vr, long_vr, std::size(long_vr));
}
bool ShortVr(const char *vr) {
    return VrIn(vr, short_vr, std::size(short_vr));
}

// A new row, or null past the cap (the element is still counted).
DCMDUMPROW *RowAdd(DCMDUMPWALK *w, int kind, int depth, long offset) {
    DCMDUMP *d = w->d;
    if (kind != DCMDUMP_NOTE) d->elements++;
    // The last row is kept for the note that says how many were left out.
    if (kind != DCMDUMP_NOTE && d->count >= DCMDUMP_ROWS - 1) return nullptr;
    if (d->count == d->room) {
        int room = d->room ? std::min(2 * d->room, int(DCMDUMP_ROWS)) : 64;
        void *r = MemRealloc(d->row, long(room) * long(sizeof *d->row), dump_tag);
        if (!r) {
            w->nomem = true;
            return nullptr;
        }
        d->row = static_cast<DCMDUMPROW *>(r);
        d->room = room;
    }
    DCMDUMPROW *r = &d->row[d->count++];
    memset(r, 0, sizeof *r);
    r->kind = kind;
    r->depth = depth;
    r->offset = offset;
    return r;
}

void Note(DCMDUMPWALK *w, int depth, long offset, const char *text) {
    if (DCMDUMPROW *r = RowAdd(w, DCMDUMP_NOTE, depth, offset))
        Utf8Copy(r->value, sizeof r->value, text);
}

// Appends text to the value; once the shown characters or the bytes run out, what fits and
// "...", and false.
bool Put(char *dst, size_t *at, const char *text) {
    size_t n = strlen(text), shown = Utf8Count(dst, *at), k = 0;
    bool all = true;
    while (k < n) {
        size_t next = Utf8After(text, n, k);
        if (shown >= DCMDUMP_SHOW || *at + next + 4 > DCMDUMP_VALUE) {
            all = false;
            break;
        }
        k = next;
        shown++;
    }
    memcpy(dst + *at, text, k);
    *at += k;
    if (!all) {
        memcpy(dst + *at, "...", 3);
        *at += 3;
    }
    dst[*at] = 0;
    return all;
}

// A text value: converted by the data set's character set where the VR allows one, control
// characters shown as blanks, in brackets.
void TextValue(const DCMDUMPWALK *w, const char *vr, const uint8_t *v, uint32_t n, char *dst) {
    // More than is ever shown, so the cut falls in the shown part.
    const uint32_t take = std::min<uint32_t>(n, 4 * DCMDUMP_SHOW + 4);
    char text[4 * (4 * DCMDUMP_SHOW + 4) + 8];
    int kind = !strcmp(vr, "PN")                                             ? DCMTEXT_PN
               : !strcmp(vr, "LO") || !strcmp(vr, "SH") || !strcmp(vr, "UC") ? DCMTEXT_MULTI
               : !strcmp(vr, "ST") || !strcmp(vr, "LT") || !strcmp(vr, "UT") ? DCMTEXT_TEXT
                                                                             : 0;
    if (kind)
        DcmTextToUtf8(w->charset, v, take, kind, text, sizeof text);
    else {
        size_t k = take;
        while (k > 0 && (v[k - 1] == ' ' || v[k - 1] == 0))
            k--;
        Utf8Sanitize(reinterpret_cast<const char *>(v), k, text, sizeof text);
    }
    for (char *c = text; *c; c++)
        if (uint8_t(*c) < 0x20 || *c == 0x7F) *c = ' ';
    size_t at = 0;
    dst[0] = 0;
    Put(dst, &at, "[");
    // The closing bracket or "..." always fits: Put leaves room for three bytes.
    if (Put(dst, &at, text)) strcat(dst, take == n ? "]" : "...");
}

// Numbers and bytes, '\' between them, "..." once the shown part is full.
void BinaryValue(const DCMDUMPWALK *w, const char *vr, long v, uint32_t n, char *dst) {
    size_t at = 0;
    dst[0] = 0;
    char one[48];
    int size = 1;
    if (!strcmp(vr, "US") || !strcmp(vr, "SS") || !strcmp(vr, "OW")) size = 2;
    if (!strcmp(vr, "UL") || !strcmp(vr, "SL") || !strcmp(vr, "FL") || !strcmp(vr, "AT") ||
        !strcmp(vr, "OF") || !strcmp(vr, "OL"))
        size = 4;
    if (!strcmp(vr, "FD") || !strcmp(vr, "OD") || !strcmp(vr, "SV") || !strcmp(vr, "UV") ||
        !strcmp(vr, "OV"))
        size = 8;
    const bool hex = vr[0] == 'O' || !strcmp(vr, "UN");
    for (uint32_t i = 0; i + uint32_t(size) <= n; i += uint32_t(size)) {
        long p = v + long(i);
        uint64_t u = size == 1   ? w->buf[p]
                     : size == 2 ? Rd16(w, p)
                     : size == 4 ? Rd32(w, p)
                                 : (w->be ? uint64_t(Rd32(w, p)) << 32 | Rd32(w, p + 4)
                                          : uint64_t(Rd32(w, p + 4)) << 32 | Rd32(w, p));
        if (hex)
            snprintf(one, sizeof one, "%0*llx", 2 * size, (unsigned long long)u);
        else if (!strcmp(vr, "AT"))
            snprintf(one, sizeof one, "(%04x,%04x)", Rd16(w, p), Rd16(w, p + 2));
        else if (!strcmp(vr, "SS"))
            snprintf(one, sizeof one, "%d", int(int16_t(u)));
        else if (!strcmp(vr, "SL"))
            snprintf(one, sizeof one, "%d", int(int32_t(u)));
        else if (!strcmp(vr, "SV"))
            snprintf(one, sizeof one, "%lld", (long long)int64_t(u));
        else if (!strcmp(vr, "FL")) {
            uint32_t b = uint32_t(u);
            float f;
            memcpy(&f, &b, 4);
            snprintf(one, sizeof one, "%g", double(f));
        } else if (!strcmp(vr, "FD")) {
            double f;
            memcpy(&f, &u, 8);
            snprintf(one, sizeof one, "%g", f);
        } else
            snprintf(one, sizeof one, "%llu", (unsigned long long)u);
        // Numbers are shown whole or not at all.
        if (at + strlen(one) + 1 > DCMDUMP_SHOW) {
            strcat(dst, "...");
            return;
        }
        if (i) Put(dst, &at, "\\");
        Put(dst, &at, one);
    }
}

void ValueText(const DCMDUMPWALK *w, const char *vr, long v, uint32_t n, char *dst) {
    static const char *const text_vr[] = {"AE", "AS", "CS", "DA", "DS", "DT", "IS", "LO", "LT",
                                          "PN", "SH", "ST", "TM", "UC", "UI", "UR", "UT"};
    if (!n)
        dst[0] = 0;
    else if (VrIn(vr, text_vr, std::size(text_vr)))
        TextValue(w, vr, w->buf + v, n, dst);
    else
        BinaryValue(w, vr, v, n, dst);
}

enum { WALK_DEPTH = 32 };
long WalkItems(DCMDUMPWALK *w, long p, long end, bool undefined, bool fragments, int depth);

// Elements from p up to `end` (a defined length) or, with `delim`, up to an item delimiter; the
// offset after them, or -1 once the structure broke (a note then says where). `meta` stops at
// the first element past group 0002.
long WalkElements(DCMDUMPWALK *w, long p, long end, bool delim, int depth, bool meta) {
    for (;;) {
        if (p == end && !delim) return p;
        if (p > end - 8) {
            Note(w, depth, p,
                 p == end ? "the item ends without its delimiter"
                          : "the data ends inside an element header");
            return -1;
        }
        const unsigned group = Rd16(w, p), elem = Rd16(w, p + 2);
        if (meta && group != 0x0002) return p;
        if (group == 0xFFFE) {
            if (delim && elem == 0xE00D) return p + 8;
            Note(w, depth, p, "an item tag where an element belongs");
            return -1;
        }
        char vr[3] = "";
        long v;
        uint32_t n;
        const DCMDICT *dict = DcmDictFind(group, elem);
        if (w->implicit && !meta) {
            snprintf(vr, sizeof vr, "%s", dict ? dict->vr : "UN");
            v = p + 8;
            n = Rd32(w, p + 4);
        } else {
            vr[0] = char(w->buf[p + 4]);
            vr[1] = char(w->buf[p + 5]);
            if (LongVr(vr)) {
                if (p > end - 12) {
                    Note(w, depth, p, "the data ends inside an element header");
                    return -1;
                }
                v = p + 12;
                n = Rd32(w, p + 8);
            } else if (ShortVr(vr)) {
                v = p + 8;
                n = Rd16(w, p + 6);
            } else {
                char text[80];
                snprintf(text, sizeof text, "(%04x,%04x) names no known VR: the walk stops", group,
                         elem);
                Note(w, depth, p, text);
                return -1;
            }
        }
        DCMDUMPROW *r = RowAdd(w, DCMDUMP_ELEMENT, depth, p);
        if (w->nomem) return -1;
        if (r) {
            r->group = group;
            r->elem = elem;
            memcpy(r->vr, vr, 3);
            r->length = n;
        }
        if (group == 0x0008 && elem == 0x0005 && depth == 0 && n != DCMDUMP_UNDEFINED &&
            long(n) <= end - v) {
            size_t k = std::min<size_t>(n, sizeof w->charset - 1);
            memcpy(w->charset, w->buf + v, k);
            w->charset[k] = 0;
        }
        const bool pixel = group == 0x7FE0 && elem == 0x0010;
        if (n == DCMDUMP_UNDEFINED) {
            if (depth >= WALK_DEPTH) {
                Note(w, depth, p, "sequences nest too deep: the walk stops");
                return -1;
            }
            const bool frags = pixel && (w->implicit || !strcmp(vr, "OB") || !strcmp(vr, "OW"));
            if (r) snprintf(r->value, sizeof r->value, frags ? "(fragments)" : "(sequence)");
            bool saved = w->implicit;
            if (!strcmp(vr, "UN")) w->implicit = true;
            p = WalkItems(w, v, end, true, frags, depth + 1);
            w->implicit = saved;
            if (p < 0) return -1;
            continue;
        }
        if (long(n) > end - v) {
            if (r) snprintf(r->value, sizeof r->value, "(cut: %ld of %u bytes)", end - v, n);
            Note(w, depth, p, "the value runs past the end of the data: the walk stops");
            return -1;
        }
        const bool items = n >= 8 && Rd16(w, v) == 0xFFFE && Rd16(w, v + 2) == 0xE000;
        const bool seq = !strcmp(vr, "SQ") || ((w->implicit || !strcmp(vr, "UN")) && items);
        if (seq && depth < WALK_DEPTH) {
            if (r) snprintf(r->value, sizeof r->value, "(sequence)");
            bool saved = w->implicit;
            if (!strcmp(vr, "UN")) w->implicit = true;
            long q = WalkItems(w, v, v + long(n), false, false, depth + 1);
            w->implicit = saved;
            if (q < 0) return -1;
        } else if (r) {
            ValueText(w, vr, v, n, r->value);
        }
        p = v + long(n);
    }
}

// The items of a sequence (or fragments) from p: up to `end`, or with `undefined` up to the
// sequence delimiter. The offset after them, or -1.
long WalkItems(DCMDUMPWALK *w, long p, long end, bool undefined, bool fragments, int depth) {
    for (;;) {
        if (!undefined && p == end) return p;
        if (p > end - 8) {
            Note(w, depth, p,
                 undefined ? "the data ends inside a sequence" : "an item runs past its sequence");
            return -1;
        }
        const unsigned group = Rd16(w, p), elem = Rd16(w, p + 2);
        const uint32_t n = Rd32(w, p + 4);
        if (group == 0xFFFE && elem == 0xE0DD && undefined) return p + 8;
        if (group != 0xFFFE || elem != 0xE000) {
            Note(w, depth, p, "no item where the sequence holds one: the walk stops");
            return -1;
        }
        DCMDUMPROW *r = RowAdd(w, DCMDUMP_ITEM, depth, p);
        if (w->nomem) return -1;
        if (r) {
            r->group = group;
            r->elem = elem;
            r->length = n;
        }
        const long v = p + 8;
        if (n == DCMDUMP_UNDEFINED) {
            if (fragments) {
                Note(w, depth, p, "a fragment of undefined length: the walk stops");
                return -1;
            }
            p = WalkElements(w, v, end, true, depth + 1, false);
            if (p < 0) return -1;
            continue;
        }
        if (long(n) > end - v) {
            if (r) snprintf(r->value, sizeof r->value, "(cut: %ld of %u bytes)", end - v, n);
            Note(w, depth, p, "the item runs past the end of the data: the walk stops");
            return -1;
        }
        if (!fragments && WalkElements(w, v, v + long(n), false, depth + 1, false) < 0) return -1;
        p = v + long(n);
    }
}

bool Marked(const uint8_t *buf, long len) {
    return len >= 132 && !memcmp(buf + 128, "DICM", 4);
}

// Whether a data set starts at buf without a meta group: a group 0002 or 0008 element whose
// header reads; its byte order and VR form.
bool PlainStart(const uint8_t *buf, long len, bool *be, bool *implicit) {
    if (len < 8) return false;
    const bool le = (buf[0] == 0x02 || buf[0] == 0x08) && buf[1] == 0;
    const bool big = buf[0] == 0 && (buf[1] == 0x02 || buf[1] == 0x08);
    if (!le && !big) return false;
    char vr[3] = {char(buf[4]), char(buf[5]), 0};
    *be = big;
    *implicit = !LongVr(vr) && !ShortVr(vr);
    return true;
}

} // namespace

void DcmDumpRelease(DCMDUMP *d) {
    if (!d) return;
    if (d->row) MemFree(d->row, dump_tag);
    memset(d, 0, sizeof *d);
}

const char *DcmDumpName(unsigned group, unsigned elem) {
    if (group & 1) return "Private";
    if (elem == 0x0000) return group == 0x0002 ? "FileMetaInformationGroupLength" : "GroupLength";
    const DCMDICT *d = DcmDictFind(group, elem);
    return d ? d->name : "?";
}

// Ends the listing: the rows left out, then the result.
static int DcmDumpEnd(DCMDUMPWALK *w, bool ok) {
    DCMDUMP *d = w->d;
    if (w->nomem) return -8;
    long listed = 0;
    for (int i = 0; i < d->count; i++)
        listed += d->row[i].kind != DCMDUMP_NOTE;
    if (d->elements > listed) {
        char text[96];
        snprintf(text, sizeof text, "%ld more elements not listed", d->elements - listed);
        Note(w, 0, 0, text);
    }
    d->broken = !ok;
    return ok ? 100 : -111;
}

int DcmDumpBuffer(const uint8_t *buf, long len, DCMDUMP *d) {
    if (!d) return -15;
    DcmDumpRelease(d);
    DCMDUMPWALK w = {buf, len, false, false, d, "", false};
    if (!buf || len <= 0) {
        Note(&w, 0, 0, "no DICOM data set");
        return DcmDumpEnd(&w, false);
    }
    long p = Marked(buf, len) ? 132 : 0;
    bool be = false, implicit = false;
    if (!p && !PlainStart(buf, len, &be, &implicit)) {
        Note(&w, 0, 0, "no DICOM data set");
        return DcmDumpEnd(&w, false);
    }
    char uid[68] = "";
    if (p || (!be && len >= 8 && buf[0] == 0x02)) {
        long q = WalkElements(&w, p, len, false, 0, true);
        if (q < 0) return DcmDumpEnd(&w, false);
        // The transfer syntax decides how the data set reads.
        for (int i = 0; i < d->count; i++) {
            const DCMDUMPROW &r = d->row[i];
            if (r.kind != DCMDUMP_ELEMENT || r.group != 2 || r.elem != 0x0010) continue;
            long v = r.offset + 8;
            size_t k =
                std::min<size_t>(std::min<uint32_t>(r.length, sizeof uid - 1), size_t(len - v));
            memcpy(uid, buf + v, k);
            uid[k] = 0;
            while (k > 0 && (uid[k - 1] == ' ' || !uid[k - 1]))
                uid[--k] = 0;
        }
        p = q;
        if (uid[0]) {
            implicit = !strcmp(uid, "1.2.840.10008.1.2");
            be = !strcmp(uid, "1.2.840.10008.1.2.2");
        } else if (p <= len - 6) {
            char vr[3] = {char(buf[p + 4]), char(buf[p + 5]), 0};
            implicit = !LongVr(vr) && !ShortVr(vr);
        }
    }
    w.be = be;
    w.implicit = implicit;
    if (!strcmp(uid, "1.2.840.10008.1.2.1.99")) {
        // Deflated: the rest of the file inflates, within a budget, to an explicit data set.
        long size = DicomFormInflatedSize(buf + p, len - p, DCMDUMP_INFLATE);
        if (size < 0) {
            Note(&w, 0, p,
                 size == -103 ? "the deflated data set is too large to list"
                              : "the deflated data set is damaged");
            return DcmDumpEnd(&w, false);
        }
        auto *in = static_cast<uint8_t *>(MemCreate(std::max(size, 1L), dump_tag));
        if (!in) return -8;
        long got = DicomFormInflate(buf + p, len - p, in, size);
        DCMDUMPWALK z = w;
        z.buf = in;
        z.len = got;
        bool ok = WalkElements(&z, 0, got, false, 0, false) >= 0;
        MemFree(in, dump_tag);
        w.nomem = z.nomem;
        return DcmDumpEnd(&w, ok);
    }
    return DcmDumpEnd(&w, WalkElements(&w, p, len, false, 0, false) >= 0);
}

int DcmDumpFile(const char *path, DCMDUMP *d) {
    if (!d || !path) return -15;
    DcmDumpRelease(d);
    int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return -104;
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return -104;
    }
    // Mapped, not read: the pixel data is skipped, never touched. A file cut short meanwhile
    // (a receiver writing it again) reads as zeros there; its rows so far stay.
    MEMMAP map;
    const bool mapped = MemMapOpen(fd, long(st.st_size), &map);
    close(fd);
    if (!mapped) return -104;
    int rc = DcmDumpBuffer(map.data, map.len, d);
    return MemMapClose(&map) ? -104 : rc;
}

void DcmDumpRowText(const DCMDUMPROW *r, int style, char *dst, size_t size) {
    if (!dst || !size) return;
    dst[0] = 0;
    if (!r) return;
    const int indent = 2 * std::min(r->depth, 40);
    char len[16];
    if (r->length == DCMDUMP_UNDEFINED)
        snprintf(len, sizeof len, "u/l");
    else
        snprintf(len, sizeof len, "%u", r->length);
    char line[DCMDUMP_VALUE + 256];
    if (r->kind == DCMDUMP_NOTE)
        snprintf(line, sizeof line, "%*s# %s", indent, "", r->value);
    else if (r->kind == DCMDUMP_ITEM)
        snprintf(line, sizeof line,
                 style == DCMDUMP_TEXT_LIST ? "%*sItem (fffe,e000) %s %s"
                                            : "%*s(fffe,e000) %s Item %s",
                 indent, "", len, r->value);
    else if (style == DCMDUMP_TEXT_LIST)
        snprintf(line, sizeof line, "%*s%-34s (%04x,%04x) %s %s %s", indent, "",
                 DcmDumpName(r->group, r->elem), r->group, r->elem, r->vr, len, r->value);
    else
        snprintf(line, sizeof line, "%*s(%04x,%04x) %s %s %s %s", indent, "", r->group, r->elem,
                 r->vr, len, DcmDumpName(r->group, r->elem), r->value);
    size_t n = strlen(line);
    while (n > 0 && line[n - 1] == ' ')
        line[--n] = 0;
    Utf8Copy(dst, size, line);
}
