#include "dicom/io_dcm2.h"

#include "base/xmem.h"
#include "image/io_files.h"

#include <cstring>

const char *const DcmGroupUnit0000[][2] = {
    {"Group Length", "22"},
    {"Affected SOP Class UID", "21"},
    {"Requested SOP Class UID", "21"},
    {"Command Field", "23"},
    {"Message ID", "23"},
    {"Message Id being Responded to", "23"},
    {"Move Destination", "0"},
    {"Priority", "23"},
    {"Data Set Type", "23"},
    {"Status", "23"},
    {"Offending Element", "2"},
    {"Error Comment", "10"},
    {"Error ID", "23"},
    {"Affected SOP Instance UID", "21"},
    {"Requested SOP Instance UID", "21"},
    {"Event Type ID", "23"},
    {"Attribute Identifier List", "2"},
    {"Action Type ID", "23"},
    {"Requested SOP Instance UID List", "21"},
    {"Number of Remaining Sub-operations", "23"},
    {"Number of Completed Sub-operations", "23"},
    {"Number of Failed Sub-operations", "23"},
    {"Number of Warning Sub-operations", "23"},
    {"Move Originator Application Entity Title", "0"},
    {"Move Originator Message ID", "23"},
};
const unsigned char DcmGroupUnit0000B[][4] = {
    {0x00, 0x00, 0x00, 0x00}, {0x00, 0x00, 0x00, 0x02}, {0x00, 0x00, 0x00, 0x03},
    {0x00, 0x00, 0x01, 0x00}, {0x00, 0x00, 0x01, 0x10}, {0x00, 0x00, 0x01, 0x20},
    {0x00, 0x00, 0x06, 0x00}, {0x00, 0x00, 0x07, 0x00}, {0x00, 0x00, 0x08, 0x00},
    {0x00, 0x00, 0x09, 0x00}, {0x00, 0x00, 0x09, 0x01}, {0x00, 0x00, 0x09, 0x02},
    {0x00, 0x00, 0x09, 0x03}, {0x00, 0x00, 0x10, 0x00}, {0x00, 0x00, 0x10, 0x01},
    {0x00, 0x00, 0x10, 0x02}, {0x00, 0x00, 0x10, 0x05}, {0x00, 0x00, 0x10, 0x08},
    {0x00, 0x00, 0x10, 0x12}, {0x00, 0x00, 0x10, 0x20}, {0x00, 0x00, 0x10, 0x21},
    {0x00, 0x00, 0x10, 0x22}, {0x00, 0x00, 0x10, 0x23}, {0x00, 0x00, 0x10, 0x30},
    {0x00, 0x00, 0x10, 0x31},
};
const DCMFIELD DcmGroupField0000[] = {
    {offsetof(DCMGROUP0000, GroupLength), DCMF_U32, 0},
    {0, DCMF_NONE, 0},
    {0, DCMF_NONE, 0},
    {0, DCMF_NONE, 0},
    {0, DCMF_NONE, 0},
    {0, DCMF_NONE, 0},
    {0, DCMF_NONE, 0},
    {0, DCMF_NONE, 0},
    {0, DCMF_NONE, 0},
    {0, DCMF_NONE, 0},
    {0, DCMF_NONE, 0},
    {0, DCMF_NONE, 0},
    {0, DCMF_NONE, 0},
    {0, DCMF_NONE, 0},
    {0, DCMF_NONE, 0},
    {0, DCMF_NONE, 0},
    {0, DCMF_NONE, 0},
    {0, DCMF_NONE, 0},
    {0, DCMF_NONE, 0},
    {0, DCMF_NONE, 0},
    {0, DCMF_NONE, 0},
    {0, DCMF_NONE, 0},
    {0, DCMF_NONE, 0},
    {0, DCMF_NONE, 0},
    {0, DCMF_NONE, 0},
};

const char *const DcmGroupUnit0002[][2] = {
    {"Group Length", "22"},
    {"File Meta Information Version", "12"},
    {"Media Stored SOP Class UID", "21"},
    {"Media Stored SOP Instance UID", "21"},
    {"Transfer Syntax UID", "21"},
    {"Implementation Class UID", "21"},
    {"Implementation Version Name", "15"},
    {"Source Application Entity Title", "0"},
    {"Private Information Creator UID", "21"},
    {"Private Information", "12"},
};
const unsigned char DcmGroupUnit0002B[][4] = {
    {0x00, 0x02, 0x00, 0x00}, {0x00, 0x02, 0x00, 0x01}, {0x00, 0x02, 0x00, 0x02},
    {0x00, 0x02, 0x00, 0x03}, {0x00, 0x02, 0x00, 0x10}, {0x00, 0x02, 0x00, 0x12},
    {0x00, 0x02, 0x00, 0x13}, {0x00, 0x02, 0x00, 0x16}, {0x00, 0x02, 0x01, 0x00},
    {0x00, 0x02, 0x01, 0x02},
};
const DCMFIELD DcmGroupField0002[] = {
    {offsetof(DCMGROUP0002, GroupLength), DCMF_U32, 0},
    {offsetof(DCMGROUP0002, FileMetaInformationVersion), DCMF_U16IN32, 0},
    {offsetof(DCMGROUP0002, MediaStoredSOPClassUID), DCMF_TEXT, 64},
    {offsetof(DCMGROUP0002, MediaStoredSOPInstanceUID), DCMF_TEXT, 64},
    {offsetof(DCMGROUP0002, TransferSyntaxUID), DCMF_TEXT, 64},
    {offsetof(DCMGROUP0002, ImplementationClassUID), DCMF_TEXT, 64},
    {offsetof(DCMGROUP0002, ImplementationVersionName), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0002, SourceApplicationEntityTitle), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0002, PrivateInformationCreatorUID), DCMF_TEXT, 64},
    {offsetof(DCMGROUP0002, PrivateInformation), DCMF_U16IN32, 0},
};

const char *const DcmGroupUnit0004[][2] = {
    {"Group Length", "22"},
    {"File-set ID", "3"},
    {"File-set Descriptor File File ID", "3"},
    {"File-set Descriptor File Format", "3"},
    {"Root Directory Entity's First Directory Record Offset", "22"},
    {"Root Directory Entity's Last Directory Record Offset", "22"},
    {"File-set Consistence Flag", "23"},
    {"Directory Record Sequence", "17"},
    {"Next Directory Record Offset", "22"},
    {"Record In-use Flag", "23"},
    {"Referenced Lower-level Directory Entity Offset", "22"},
    {"Directory Record Type", "3"},
    {"Private Record UID", "21"},
    {"Referenced File ID", "3"},
    {"Referenced SOP Class UID in File", "21"},
    {"Referenced SOP Instance UID in File", "21"},
    {"Number of References", "22"},
};
const unsigned char DcmGroupUnit0004B[][4] = {
    {0x00, 0x04, 0x00, 0x00}, {0x00, 0x04, 0x11, 0x30}, {0x00, 0x04, 0x11, 0x41},
    {0x00, 0x04, 0x11, 0x42}, {0x00, 0x04, 0x12, 0x00}, {0x00, 0x04, 0x12, 0x02},
    {0x00, 0x04, 0x12, 0x12}, {0x00, 0x04, 0x12, 0x20}, {0x00, 0x04, 0x14, 0x00},
    {0x00, 0x04, 0x14, 0x10}, {0x00, 0x04, 0x14, 0x20}, {0x00, 0x04, 0x14, 0x30},
    {0x00, 0x04, 0x14, 0x32}, {0x00, 0x04, 0x15, 0x00}, {0x00, 0x04, 0x15, 0x10},
    {0x00, 0x04, 0x15, 0x11}, {0x00, 0x04, 0x16, 0x00},
};
const DCMFIELD DcmGroupField0004[] = {
    {offsetof(DCMGROUP0004, GroupLength), DCMF_U32, 0},
    {offsetof(DCMGROUP0004, FileSetID), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0004, FileSetDescriptorFileFileID), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0004, FileSetDescriptorFileFormat), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0004, RootDirectoryEntitysFirstDirectoryRecordOffset), DCMF_U32, 0},
    {offsetof(DCMGROUP0004, RootDirectoryEntitysLastDirectoryRecordOffset), DCMF_U32, 0},
    {0, DCMF_NONE, 0},
    {0, DCMF_NONE, 0},
    {0, DCMF_NONE, 0},
    {0, DCMF_NONE, 0},
    {0, DCMF_NONE, 0},
    {0, DCMF_NONE, 0},
    {0, DCMF_NONE, 0},
    {0, DCMF_NONE, 0},
    {0, DCMF_NONE, 0},
    {0, DCMF_NONE, 0},
    {offsetof(DCMGROUP0004, NumberOfReferences), DCMF_U32, 0},
};

const char *const DcmGroupUnit0008[][2] = {
    {"Group Length", "22"},
    {"Specific Character Set", "3"},
    {"Image Type", "3"},
    {"Instance Creation Date", "4"},
    {"Instance Creation Time", "20"},
    {"Instance Creator UID", "21"},
    {"SOP Class UID", "21"},
    {"SOP Instance UID", "21"},
    {"Study Date", "4"},
    {"Series Date", "4"},
    {"Acquisition Date", "4"},
    {"Image Date", "4"},
    {"Overlay Date", "4"},
    {"Curve Date", "4"},
    {"Study Time", "20"},
    {"Series Time", "20"},
    {"Acquisition Time", "20"},
    {"Image Time", "20"},
    {"Overlay Time", "20"},
    {"Curve Time", "20"},
    {"Nuclear Medicine Series Type", "3"},
    {"Accession Number", "15"},
    {"Query/Retrieve Level", "3"},
    {"Retrieve AE Title", "0"},
    {"Failed SOP Instance UID List", "21"},
    {"Modality", "3"},
    {"Conversion Type", "3"},
    {"Manufacturer", "10"},
    {"Institution Name", "10"},
    {"Institution Address", "19"},
    {"Institution Code Sequence", "17"},
    {"Referring Physician's Name", "14"},
    {"Referring Physician's Address", "19"},
    {"Referring Physician\xD5s Telephone Numbers", "15"},
    {"Code Value", "15"},
    {"Coding Scheme Designator", "15"},
    {"Code Meaning", "10"},
    {"Station Name", "15"},
    {"Study Description", "10"},
    {"Procedure Code Sequence", "17"},
    {"Series Description", "10"},
    {"Institutional Department Name", "10"},
    {"Performing Physician's Name", "14"},
    {"Name of  Physician(s) Reading Study", "14"},
    {"Operators Name", "14"},
    {"Admitting Diagnoses Description", "10"},
    {"Admitting Diagnosis Code Sequence", "17"},
    {"Manufacturers Model Name", "10"},
    {"Referenced Results Sequence", "17"},
    {"Referenced Study Sequence", "17"},
    {"Referenced Study Component Sequence", "17"},
    {"Referenced Series Sequence", "17"},
    {"Referenced Patient Sequence", "17"},
    {"Referenced Visit Sequence", "17"},
    {"Referenced Overlay Sequence", "17"},
    {"Referenced Image Sequence", "17"},
    {"Referenced Curve Sequence", "17"},
    {"Referenced UID", "21"},
    {"Referenced SOP Instance UID", "21"},
    {"Referenced Frame Number", "9"},
    {"Derivation Description", "19"},
    {"Source Image Sequence", "17"},
    {"Stage Name", "15"},
    {"Stage Number", "9"},
    {"Number of Stages", "9"},
    {"View Number", "9"},
    {"Number of Event Timers", "9"},
    {"Number of Views in Stage", "9"},
    {"Event Elapsed Times", "5"},
    {"Event Timer Name", "10"},
    {"Start Trim", "9"},
    {"Stop Trim", "9"},
    {"Recommended Display Frame Rate", "9"},
    {"Transducer Position", "3"},
    {"Transducer Orientation", "3"},
    {"Anatomic Structure", "3"},
};
const unsigned char DcmGroupUnit0008B[][4] = {
    {0x00, 0x08, 0x00, 0x00}, {0x00, 0x08, 0x00, 0x05}, {0x00, 0x08, 0x00, 0x08},
    {0x00, 0x08, 0x00, 0x12}, {0x00, 0x08, 0x00, 0x13}, {0x00, 0x08, 0x00, 0x14},
    {0x00, 0x08, 0x00, 0x16}, {0x00, 0x08, 0x00, 0x18}, {0x00, 0x08, 0x00, 0x20},
    {0x00, 0x08, 0x00, 0x21}, {0x00, 0x08, 0x00, 0x22}, {0x00, 0x08, 0x00, 0x23},
    {0x00, 0x08, 0x00, 0x24}, {0x00, 0x08, 0x00, 0x25}, {0x00, 0x08, 0x00, 0x30},
    {0x00, 0x08, 0x00, 0x31}, {0x00, 0x08, 0x00, 0x32}, {0x00, 0x08, 0x00, 0x33},
    {0x00, 0x08, 0x00, 0x34}, {0x00, 0x08, 0x00, 0x35}, {0x00, 0x08, 0x00, 0x42},
    {0x00, 0x08, 0x00, 0x50}, {0x00, 0x08, 0x00, 0x52}, {0x00, 0x08, 0x00, 0x54},
    {0x00, 0x08, 0x00, 0x58}, {0x00, 0x08, 0x00, 0x60}, {0x00, 0x08, 0x00, 0x64},
    {0x00, 0x08, 0x00, 0x70}, {0x00, 0x08, 0x00, 0x80}, {0x00, 0x08, 0x00, 0x81},
    {0x00, 0x08, 0x00, 0x82}, {0x00, 0x08, 0x00, 0x90}, {0x00, 0x08, 0x00, 0x92},
    {0x00, 0x08, 0x00, 0x94}, {0x00, 0x08, 0x01, 0x00}, {0x00, 0x08, 0x01, 0x02},
    {0x00, 0x08, 0x01, 0x04}, {0x00, 0x08, 0x10, 0x10}, {0x00, 0x08, 0x10, 0x30},
    {0x00, 0x08, 0x10, 0x32}, {0x00, 0x08, 0x10, 0x3E}, {0x00, 0x08, 0x10, 0x40},
    {0x00, 0x08, 0x10, 0x50}, {0x00, 0x08, 0x10, 0x60}, {0x00, 0x08, 0x10, 0x70},
    {0x00, 0x08, 0x10, 0x80}, {0x00, 0x08, 0x10, 0x84}, {0x00, 0x08, 0x10, 0x90},
    {0x00, 0x08, 0x11, 0x00}, {0x00, 0x08, 0x11, 0x10}, {0x00, 0x08, 0x11, 0x11},
    {0x00, 0x08, 0x11, 0x15}, {0x00, 0x08, 0x11, 0x20}, {0x00, 0x08, 0x11, 0x25},
    {0x00, 0x08, 0x11, 0x30}, {0x00, 0x08, 0x11, 0x40}, {0x00, 0x08, 0x11, 0x45},
    {0x00, 0x08, 0x11, 0x50}, {0x00, 0x08, 0x11, 0x55}, {0x00, 0x08, 0x11, 0x60},
    {0x00, 0x08, 0x21, 0x11}, {0x00, 0x08, 0x21, 0x12}, {0x00, 0x08, 0x21, 0x20},
    {0x00, 0x08, 0x21, 0x22}, {0x00, 0x08, 0x21, 0x24}, {0x00, 0x08, 0x21, 0x28},
    {0x00, 0x08, 0x21, 0x29}, {0x00, 0x08, 0x21, 0x2A}, {0x00, 0x08, 0x21, 0x30},
    {0x00, 0x08, 0x21, 0x32}, {0x00, 0x08, 0x21, 0x42}, {0x00, 0x08, 0x21, 0x43},
    {0x00, 0x08, 0x21, 0x44}, {0x00, 0x08, 0x22, 0x00}, {0x00, 0x08, 0x22, 0x04},
    {0x00, 0x08, 0x22, 0x08},
};
const DCMFIELD DcmGroupField0008[] = {
    {offsetof(DCMGROUP0008, GroupLength), DCMF_U32, 0},
    {offsetof(DCMGROUP0008, SpecificCharacterSet), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0008, ImageType), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0008, InstanceCreationDate), DCMF_TEXT, 10},
    {offsetof(DCMGROUP0008, InstanceCreationTime), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0008, InstanceCreatorUID), DCMF_TEXT, 64},
    {offsetof(DCMGROUP0008, SOPClassUID), DCMF_TEXT, 64},
    {offsetof(DCMGROUP0008, SOPInstanceUID), DCMF_TEXT, 64},
    {offsetof(DCMGROUP0008, StudyDate), DCMF_TEXT, 10},
    {offsetof(DCMGROUP0008, SeriesDate), DCMF_TEXT, 10},
    {offsetof(DCMGROUP0008, AcquisitionDate), DCMF_TEXT, 10},
    {offsetof(DCMGROUP0008, ImageDate), DCMF_TEXT, 10},
    {offsetof(DCMGROUP0008, OverlayDate), DCMF_TEXT, 10},
    {offsetof(DCMGROUP0008, CurveDate), DCMF_TEXT, 10},
    {offsetof(DCMGROUP0008, StudyTime), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0008, SeriesTime), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0008, AcquisitionTime), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0008, ImageTime), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0008, OverlayTime), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0008, CurveTime), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0008, NuclearMedicineSeriesType), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0008, AccessionNumber), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0008, QueryRetrieveLevel), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0008, RetrieveAETitle), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0008, FailedSOPInstanceUIDList), DCMF_TEXT, 64},
    {offsetof(DCMGROUP0008, Modality), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0008, ConversionType), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0008, Manufacturer), DCMF_TEXT, 64},
    {offsetof(DCMGROUP0008, InstitutionName), DCMF_TEXT, 64},
    {offsetof(DCMGROUP0008, InstitutionAddress), DCMF_TEXT, 1024},
    {offsetof(DCMGROUP0008, InstitutionCodeSequence), DCMF_U16IN32, 0},
    {offsetof(DCMGROUP0008, ReferringPhysiciansName), DCMF_TEXT, 64},
    {offsetof(DCMGROUP0008, ReferringPhysiciansAddress), DCMF_TEXT, 1024},
    {offsetof(DCMGROUP0008, ReferringPhysiciansTelephoneNumbers), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0008, CodeValue), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0008, CodingSchemeDesignator), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0008, CodeMeaning), DCMF_TEXT, 64},
    {offsetof(DCMGROUP0008, StationName), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0008, StudyDescription), DCMF_TEXT, 64},
    {offsetof(DCMGROUP0008, ProcedureCodeSequence), DCMF_U16IN32, 0},
    {offsetof(DCMGROUP0008, SeriesDescription), DCMF_TEXT, 64},
    {offsetof(DCMGROUP0008, InstitutionalDepartmentName), DCMF_TEXT, 64},
    {offsetof(DCMGROUP0008, PerformingPhysiciansName), DCMF_TEXT, 64},
    {offsetof(DCMGROUP0008, NameOfPhysiciansReadingStudy), DCMF_TEXT, 64},
    {offsetof(DCMGROUP0008, OperatorsName), DCMF_TEXT, 64},
    {offsetof(DCMGROUP0008, AdmittingDiagnosesDescription), DCMF_TEXT, 64},
    {offsetof(DCMGROUP0008, AdmittingDiagnosisCodeSequence), DCMF_U16IN32, 0},
    {offsetof(DCMGROUP0008, ManufacturersModelName), DCMF_TEXT, 64},
    {offsetof(DCMGROUP0008, ReferencedResultsSequence), DCMF_U16IN32, 0},
    {offsetof(DCMGROUP0008, ReferencedStudySequence), DCMF_U16IN32, 0},
    {offsetof(DCMGROUP0008, ReferencedStudyComponentSequence), DCMF_U16IN32, 0},
    {offsetof(DCMGROUP0008, ReferencedSeriesSequence), DCMF_U16IN32, 0},
    {offsetof(DCMGROUP0008, ReferencedPatientSequence), DCMF_U16IN32, 0},
    {offsetof(DCMGROUP0008, ReferencedVisitSequence), DCMF_U16IN32, 0},
    {offsetof(DCMGROUP0008, ReferencedOverlaySequence), DCMF_U16IN32, 0},
    {offsetof(DCMGROUP0008, ReferencedImageSequence), DCMF_U16IN32, 0},
    {offsetof(DCMGROUP0008, ReferencedCurveSequence), DCMF_U16IN32, 0},
    {offsetof(DCMGROUP0008, ReferencedUID), DCMF_TEXT, 64},
    {offsetof(DCMGROUP0008, ReferencedSOPInstanceUID), DCMF_TEXT, 64},
    {offsetof(DCMGROUP0008, ReferencedFrameNumber), DCMF_TEXT, 12},
    {offsetof(DCMGROUP0008, DerivationDescription), DCMF_TEXT, 1024},
    {offsetof(DCMGROUP0008, SourceImageSequence), DCMF_U16IN32, 0},
    {offsetof(DCMGROUP0008, StageName), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0008, StageNumber), DCMF_TEXT, 12},
    {offsetof(DCMGROUP0008, NumberOfStages), DCMF_TEXT, 12},
    {offsetof(DCMGROUP0008, ViewNumber), DCMF_TEXT, 12},
    {offsetof(DCMGROUP0008, NumberOfEventTimers), DCMF_TEXT, 12},
    {offsetof(DCMGROUP0008, NumberOfViewsInStage), DCMF_TEXT, 12},
    {offsetof(DCMGROUP0008, EventElapsedTimes), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0008, EventTimerName), DCMF_TEXT, 64},
    {offsetof(DCMGROUP0008, StartTrim), DCMF_TEXT, 12},
    {offsetof(DCMGROUP0008, StopTrim), DCMF_TEXT, 12},
    {offsetof(DCMGROUP0008, RecommendedDisplayFrameRate), DCMF_TEXT, 12},
    {offsetof(DCMGROUP0008, TransducerPosition), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0008, TransducerOrientation), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0008, AnatomicStructure), DCMF_TEXT, 16},
};

const char *const DcmGroupUnit0010[][2] = {
    {"Group Length", "22"},
    {"Patient(s) Name", "14"},
    {"Patient ID", "10"},
    {"Issuer of Patient ID", "10"},
    {"Patient's Birth Date", "4"},
    {"Patient's Birth Time", "20"},
    {"Patient's Sex", "3"},
    {"Patient's Insurance Plan Code Sequence", "17"},
    {"Other Patient IDs", "10"},
    {"Other Patient Names", "14"},
    {"Patient's Birth Name", "14"},
    {"Patient's Age", "1"},
    {"Patient's Size", "5"},
    {"Patient's Weight", "5"},
    {"Patient's Address", "10"},
    {"Patient's Mother's Birth Name", "14"},
    {"Military Rank", "10"},
    {"Branch of Service", "10"},
    {"Medical Record Locator", "10"},
    {"Medical Alerts", "10"},
    {"Contrast Allergies", "10"},
    {"Country of Residence", "10"},
    {"Region of Residence", "10"},
    {"Patient(s) Telephone Numbers", "15"},
    {"Ethnic Group", "15"},
    {"Occupation", "15"},
    {"Smoking Status", "3"},
    {"Additional Patient History", "11"},
    {"Pregnancy Status", "23"},
    {"Last Menstrual Date", "4"},
    {"Patient's Religious Preference", "10"},
    {"Patient Comments", "11"},
};
const unsigned char DcmGroupUnit0010B[][4] = {
    {0x00, 0x10, 0x00, 0x00}, {0x00, 0x10, 0x00, 0x10}, {0x00, 0x10, 0x00, 0x20},
    {0x00, 0x10, 0x00, 0x21}, {0x00, 0x10, 0x00, 0x30}, {0x00, 0x10, 0x00, 0x32},
    {0x00, 0x10, 0x00, 0x40}, {0x00, 0x10, 0x00, 0x50}, {0x00, 0x10, 0x10, 0x00},
    {0x00, 0x10, 0x10, 0x01}, {0x00, 0x10, 0x10, 0x05}, {0x00, 0x10, 0x10, 0x10},
    {0x00, 0x10, 0x10, 0x20}, {0x00, 0x10, 0x10, 0x30}, {0x00, 0x10, 0x10, 0x40},
    {0x00, 0x10, 0x10, 0x60}, {0x00, 0x10, 0x10, 0x80}, {0x00, 0x10, 0x10, 0x81},
    {0x00, 0x10, 0x10, 0x90}, {0x00, 0x10, 0x20, 0x00}, {0x00, 0x10, 0x21, 0x10},
    {0x00, 0x10, 0x21, 0x50}, {0x00, 0x10, 0x21, 0x52}, {0x00, 0x10, 0x21, 0x54},
    {0x00, 0x10, 0x21, 0x60}, {0x00, 0x10, 0x21, 0x80}, {0x00, 0x10, 0x21, 0xA0},
    {0x00, 0x10, 0x21, 0xB0}, {0x00, 0x10, 0x21, 0xC0}, {0x00, 0x10, 0x21, 0xD0},
    {0x00, 0x10, 0x21, 0xF0}, {0x00, 0x10, 0x40, 0x00},
};
const DCMFIELD DcmGroupField0010[] = {
    {offsetof(DCMGROUP0010, GroupLength), DCMF_U32, 0},
    {offsetof(DCMGROUP0010, PatientsName), DCMF_TEXT, 64},
    {offsetof(DCMGROUP0010, PatientID), DCMF_TEXT, 64},
    {offsetof(DCMGROUP0010, IssuerOfPatientID), DCMF_TEXT, 64},
    {offsetof(DCMGROUP0010, PatientsBirthDate), DCMF_TEXT, 10},
    {offsetof(DCMGROUP0010, PatientsBirthTime), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0010, PatientsSex), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0010, PatientsInsurancePlanCodeSequence), DCMF_U16IN32, 0},
    {offsetof(DCMGROUP0010, OtherPatientIDs), DCMF_TEXT, 64},
    {offsetof(DCMGROUP0010, OtherPatientNames), DCMF_TEXT, 64},
    {offsetof(DCMGROUP0010, PatientsBirthName), DCMF_TEXT, 64},
    {offsetof(DCMGROUP0010, PatientsAge), DCMF_TEXT, 4},
    {offsetof(DCMGROUP0010, PatientsSize), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0010, PatientsWeight), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0010, PatientsAddress), DCMF_TEXT, 64},
    {offsetof(DCMGROUP0010, PatientsMothersBirthName), DCMF_TEXT, 64},
    {offsetof(DCMGROUP0010, MilitaryRank), DCMF_TEXT, 64},
    {offsetof(DCMGROUP0010, BranchOfService), DCMF_TEXT, 64},
    {offsetof(DCMGROUP0010, MedicalRecordLocator), DCMF_TEXT, 64},
    {offsetof(DCMGROUP0010, MedicalAlerts), DCMF_TEXT, 64},
    {offsetof(DCMGROUP0010, ContrastAllergies), DCMF_TEXT, 64},
    {offsetof(DCMGROUP0010, CountryOfResidence), DCMF_TEXT, 64},
    {offsetof(DCMGROUP0010, RegionOfResidence), DCMF_TEXT, 64},
    {offsetof(DCMGROUP0010, PatientsTelephoneNumbers), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0010, EthnicGroup), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0010, Occupation), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0010, SmokingStatus), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0010, AdditionalPatientHistory), DCMF_TEXT, 1024},
    {offsetof(DCMGROUP0010, PregnancyStatus), DCMF_U16, 0},
    {offsetof(DCMGROUP0010, LastMenstrualDate), DCMF_TEXT, 10},
    {offsetof(DCMGROUP0010, PatientsReligiousPreference), DCMF_TEXT, 64},
    {offsetof(DCMGROUP0010, PatientComments), DCMF_TEXT, 1024},
};

const char *const DcmGroupUnit0018[][2] = {
    {"Group Length", "22"},
    {"Contrast/Bolus Agent", "10"},
    {"Body Part Examined", "3"},
    {"Scanning Sequence", "3"},
    {"Sequence Variant", "3"},
    {"Scan Options", "3"},
    {"MR Acquisition Type", "3"},
    {"Sequence Name", "15"},
    {"Angio Flag", "3"},
    {"Radionuclide", "10"},
    {"Radiopharmaceutical", "10"},
    {"Energy Window Centerline", "5"},
    {"Energy Window Total Width", "5"},
    {"Intervention Drug Name", "10"},
    {"Intervention Drug Start Time", "20"},
    {"Cine Rate", "9"},
    {"Slice Thickness", "5"},
    {"KVP", "5"},
    {"Counts Accumulated", "9"},
    {"Acquisition Termination Condition", "3"},
    {"Effective Series Duration", "5"},
    {"Repetition Time", "5"},
    {"Echo Time", "5"},
    {"Inversion Time", "5"},
    {"Number of Averages", "5"},
    {"Imaging Frequency", "5"},
    {"Imaged Nucleus", "15"},
    {"Echo Numbers", "9"},
    {"Magnetic Field Strength", "5"},
    {"Spacing Between Slices", "5"},
    {"Number of Phase Encoding Steps", "9"},
    {"Data Collection Diameter", "5"},
    {"Echo Train Length", "9"},
    {"Percent Sampling", "5"},
    {"Percent Phase Field of View", "5"},
    {"Pixel Bandwidth", "5"},
    {"Device Serial Number", "10"},
    {"Plate ID", "10"},
    {"Secondary Capture Device ID", "10"},
    {"Date of Secondary Capture", "4"},
    {"Time of Secondary Capture", "20"},
    {"Secondary Capture Device Manufacturer", "10"},
    {"Secondary Capture Device Manufacturer's Model Name", "10"},
    {"Secondary Capture Device Software Version's", "10"},
    {"Software Versions", "10"},
    {"Video Image Format Acquired", "15"},
    {"Digital Image Format Acquired", "10"},
    {"Protocol Name", "10"},
    {"Contrast/Bolus Route", "10"},
    {"Contrast/Bolus Volume", "5"},
    {"Contrast/Bolus Start Time", "20"},
    {"Contrast/Bolus Stop Time", "20"},
    {"Contrast/Bolus Total Dose", "5"},
    {"Syringe counts", "9"},
    {"Spatial Resolution", "5"},
    {"Trigger Time", "5"},
    {"Trigger Source or Type", "10"},
    {"Nominal Interval", "9"},
    {"Frame Time", "5"},
    {"Framing Type", "10"},
    {"Frame Time Vector", "5"},
    {"Frame Delay", "5"},
    {"Radionuclide Route", "10"},
    {"Radionuclide Volume", "5"},
    {"Radionuclide Start Time", "20"},
    {"Radionuclide Stop Time", "20"},
    {"Radionuclide Total Dose", "5"},
    {"Beat Rejection Flag", "3"},
    {"Low R-R Value", "9"},
    {"High R-R Value", "9"},
    {"Intervals Acquired", "9"},
    {"Intervals Rejected", "9"},
    {"PVC Rejection", "10"},
    {"Skip Beats", "9"},
    {"Heart Rate", "9"},
    {"Cardiac Number of Images", "9"},
    {"Trigger Window", "9"},
    {"Reconstruction Diameter", "5"},
    {"Distance Source to Detector", "5"},
    {"Distance Source to Patient", "5"},
    {"Gantry/Detector Tilt", "5"},
    {"Table Height", "5"},
    {"Table Traverse", "5"},
    {"Rotation Direction", "3"},
    {"Angular Position", "5"},
    {"Radial Position", "5"},
    {"Scan Arc", "5"},
    {"Angular Step", "5"},
    {"Center of Rotation Offset", "5"},
    {"Rotation Offset", "5"},
    {"Field of View Shape", "3"},
    {"Field of View Dimensions", "9"},
    {"Exposure Time", "9"},
    {"X-ray Tube Current", "9"},
    {"Exposure ", "9"},
    {"Filter Type", "15"},
    {"Generator Power", "9"},
    {"Collimator/grid Name", "15"},
    {"Collimator Type", "3"},
    {"Focal Distance", "9"},
    {"X Focus Center", "5"},
    {"Y Focus Center", "5"},
    {"Focal Spots", "5"},
    {"Date of Last Calibration", "4"},
    {"Time of Last Calibration", "20"},
    {"Convolution Kernel", "15"},
    {"Actual Frame Duration", "9"},
    {"Count Rate", "9"},
    {"Receiving Coil", "15"},
    {"Transmitting Coil", "15"},
    {"Plate Type", "15"},
    {"Phosphor Type", "10"},
    {"Scan Velocity", "9"},
    {"Whole Body Technique", "3"},
    {"Scan Length", "9"},
    {"Acquisition Matrix", "23"},
    {"Phase Encoding Direction", "3"},
    {"Flip Angle", "5"},
    {"Variable Flip Angle Flag", "3"},
    {"SAR", "5"},
    {"dB/dt", "5"},
    {"Acquisition Device Processing Description", "10"},
    {"Acquisition Device Processing Code", "10"},
    {"Cassette Orientation", "3"},
    {"Cassette Size", "3"},
    {"Exposures on Plate", "23"},
    {"Relative X-ray Exposure", "9"},
    {"Output Power", "15"},
    {"Transducer Data", "10"},
    {"Focus Depth", "5"},
    {"Preprocessing Function", "10"},
    {"Postprocessing Function", "10"},
    {"Mechanical Index", "5"},
    {"Thermal Index", "5"},
    {"Cranial Thermal Index", "5"},
    {"Soft Tissue Thermal Index", "5"},
    {"Soft Tissue-focus Thermal Index", "5"},
    {"Soft Tissue-surface Thermal Index", "5"},
    {"Depth of Scan Field", "9"},
    {"Patient Position", "3"},
    {"View Position", "3"},
    {"Image Transformation Matrix", "5"},
    {"Image Translation Vector", "5"},
    {"Sensitivity", "5"},
    {"Sequence of Ultrasound Regions", "17"},
    {"Region Spatial Format", "23"},
    {"Region Data Type", "23"},
    {"Region Flags", "22"},
    {"Region Location Min X0", "22"},
    {"Region Location Min Y0", "22"},
    {"Region Location Max X1", "22"},
    {"Region Location Max Y1", "22"},
    {"Reference Pixel X0", "16"},
    {"Reference Pixel Y0", "16"},
    {"Physical Units X Direction", "23"},
    {"Physical Units Y Direction", "23"},
    {"Reference Pixel Physical Value X", "8"},
    {"Reference Pixel Physical Value Y", "8"},
    {"Physical Delta X", "8"},
    {"Physical Delta Y", "8"},
    {"Transducer Frequency", "22"},
    {"Transducer Type", "3"},
    {"Pulse Repetition Frequency", "22"},
    {"Doppler Correction Angle", "8"},
    {"Sterring Angle", "8"},
    {"Doppler Sample Volume X Position", "22"},
    {"Doppler Sample Volume Y Position", "22"},
    {"TM-Line Position X0", "22"},
    {"TM-Line Position Y0", "22"},
    {"TM-Line Position X1", "22"},
    {"TM-Line Position Y1", "22"},
    {"Pixel Component Organization", "23"},
    {"Pixel Component Mask", "22"},
    {"Pixel Component Range Start", "22"},
    {"Pixel Component Range Stop", "22"},
    {"Pixel Component Physical Units", "23"},
    {"Pixel Component Data Type", "23"},
    {"Number of Table Break Points", "22"},
    {"Table of X Break Points", "22"},
    {"Table of Y Break Points", "8"},
};
const unsigned char DcmGroupUnit0018B[][4] = {
    {0x00, 0x18, 0x00, 0x00}, {0x00, 0x18, 0x00, 0x10}, {0x00, 0x18, 0x00, 0x15},
    {0x00, 0x18, 0x00, 0x20}, {0x00, 0x18, 0x00, 0x21}, {0x00, 0x18, 0x00, 0x22},
    {0x00, 0x18, 0x00, 0x23}, {0x00, 0x18, 0x00, 0x24}, {0x00, 0x18, 0x00, 0x25},
    {0x00, 0x18, 0x00, 0x30}, {0x00, 0x18, 0x00, 0x31}, {0x00, 0x18, 0x00, 0x32},
    {0x00, 0x18, 0x00, 0x33}, {0x00, 0x18, 0x00, 0x34}, {0x00, 0x18, 0x00, 0x35},
    {0x00, 0x18, 0x00, 0x40}, {0x00, 0x18, 0x00, 0x50}, {0x00, 0x18, 0x00, 0x60},
    {0x00, 0x18, 0x00, 0x70}, {0x00, 0x18, 0x00, 0x71}, {0x00, 0x18, 0x00, 0x72},
    {0x00, 0x18, 0x00, 0x80}, {0x00, 0x18, 0x00, 0x81}, {0x00, 0x18, 0x00, 0x82},
    {0x00, 0x18, 0x00, 0x83}, {0x00, 0x18, 0x00, 0x84}, {0x00, 0x18, 0x00, 0x85},
    {0x00, 0x18, 0x00, 0x86}, {0x00, 0x18, 0x00, 0x87}, {0x00, 0x18, 0x00, 0x88},
    {0x00, 0x18, 0x00, 0x89}, {0x00, 0x18, 0x00, 0x90}, {0x00, 0x18, 0x00, 0x91},
    {0x00, 0x18, 0x00, 0x93}, {0x00, 0x18, 0x00, 0x94}, {0x00, 0x18, 0x00, 0x95},
    {0x00, 0x18, 0x10, 0x00}, {0x00, 0x18, 0x10, 0x04}, {0x00, 0x18, 0x10, 0x10},
    {0x00, 0x18, 0x10, 0x12}, {0x00, 0x18, 0x10, 0x14}, {0x00, 0x18, 0x10, 0x16},
    {0x00, 0x18, 0x10, 0x18}, {0x00, 0x18, 0x10, 0x19}, {0x00, 0x18, 0x10, 0x20},
    {0x00, 0x18, 0x10, 0x22}, {0x00, 0x18, 0x10, 0x23}, {0x00, 0x18, 0x10, 0x30},
    {0x00, 0x18, 0x10, 0x40}, {0x00, 0x18, 0x10, 0x41}, {0x00, 0x18, 0x10, 0x42},
    {0x00, 0x18, 0x10, 0x43}, {0x00, 0x18, 0x10, 0x44}, {0x00, 0x18, 0x10, 0x45},
    {0x00, 0x18, 0x10, 0x50}, {0x00, 0x18, 0x10, 0x60}, {0x00, 0x18, 0x10, 0x61},
    {0x00, 0x18, 0x10, 0x62}, {0x00, 0x18, 0x10, 0x63}, {0x00, 0x18, 0x10, 0x64},
    {0x00, 0x18, 0x10, 0x65}, {0x00, 0x18, 0x10, 0x66}, {0x00, 0x18, 0x10, 0x70},
    {0x00, 0x18, 0x10, 0x71}, {0x00, 0x18, 0x10, 0x72}, {0x00, 0x18, 0x10, 0x73},
    {0x00, 0x18, 0x10, 0x74}, {0x00, 0x18, 0x10, 0x80}, {0x00, 0x18, 0x10, 0x81},
    {0x00, 0x18, 0x10, 0x82}, {0x00, 0x18, 0x10, 0x83}, {0x00, 0x18, 0x10, 0x84},
    {0x00, 0x18, 0x10, 0x85}, {0x00, 0x18, 0x10, 0x86}, {0x00, 0x18, 0x10, 0x88},
    {0x00, 0x18, 0x10, 0x90}, {0x00, 0x18, 0x10, 0x94}, {0x00, 0x18, 0x11, 0x00},
    {0x00, 0x18, 0x11, 0x10}, {0x00, 0x18, 0x11, 0x11}, {0x00, 0x18, 0x11, 0x20},
    {0x00, 0x18, 0x11, 0x30}, {0x00, 0x18, 0x11, 0x31}, {0x00, 0x18, 0x11, 0x40},
    {0x00, 0x18, 0x11, 0x41}, {0x00, 0x18, 0x11, 0x42}, {0x00, 0x18, 0x11, 0x43},
    {0x00, 0x18, 0x11, 0x44}, {0x00, 0x18, 0x11, 0x45}, {0x00, 0x18, 0x11, 0x46},
    {0x00, 0x18, 0x11, 0x47}, {0x00, 0x18, 0x11, 0x49}, {0x00, 0x18, 0x11, 0x50},
    {0x00, 0x18, 0x11, 0x51}, {0x00, 0x18, 0x11, 0x52}, {0x00, 0x18, 0x11, 0x60},
    {0x00, 0x18, 0x11, 0x70}, {0x00, 0x18, 0x11, 0x80}, {0x00, 0x18, 0x11, 0x81},
    {0x00, 0x18, 0x11, 0x82}, {0x00, 0x18, 0x11, 0x83}, {0x00, 0x18, 0x11, 0x84},
    {0x00, 0x18, 0x11, 0x90}, {0x00, 0x18, 0x12, 0x00}, {0x00, 0x18, 0x12, 0x01},
    {0x00, 0x18, 0x12, 0x10}, {0x00, 0x18, 0x12, 0x42}, {0x00, 0x18, 0x12, 0x43},
    {0x00, 0x18, 0x12, 0x50}, {0x00, 0x18, 0x12, 0x51}, {0x00, 0x18, 0x12, 0x60},
    {0x00, 0x18, 0x12, 0x61}, {0x00, 0x18, 0x13, 0x00}, {0x00, 0x18, 0x13, 0x01},
    {0x00, 0x18, 0x13, 0x02}, {0x00, 0x18, 0x13, 0x10}, {0x00, 0x18, 0x13, 0x12},
    {0x00, 0x18, 0x13, 0x14}, {0x00, 0x18, 0x13, 0x15}, {0x00, 0x18, 0x13, 0x16},
    {0x00, 0x18, 0x13, 0x18}, {0x00, 0x18, 0x14, 0x00}, {0x00, 0x18, 0x14, 0x01},
    {0x00, 0x18, 0x14, 0x02}, {0x00, 0x18, 0x14, 0x03}, {0x00, 0x18, 0x14, 0x04},
    {0x00, 0x18, 0x14, 0x05}, {0x00, 0x18, 0x50, 0x00}, {0x00, 0x18, 0x50, 0x10},
    {0x00, 0x18, 0x50, 0x12}, {0x00, 0x18, 0x50, 0x20}, {0x00, 0x18, 0x50, 0x21},
    {0x00, 0x18, 0x50, 0x22}, {0x00, 0x18, 0x50, 0x24}, {0x00, 0x18, 0x50, 0x26},
    {0x00, 0x18, 0x50, 0x27}, {0x00, 0x18, 0x50, 0x28}, {0x00, 0x18, 0x50, 0x29},
    {0x00, 0x18, 0x50, 0x50}, {0x00, 0x18, 0x51, 0x00}, {0x00, 0x18, 0x51, 0x01},
    {0x00, 0x18, 0x52, 0x10}, {0x00, 0x18, 0x52, 0x12}, {0x00, 0x18, 0x60, 0x00},
    {0x00, 0x18, 0x60, 0x11}, {0x00, 0x18, 0x60, 0x12}, {0x00, 0x18, 0x60, 0x14},
    {0x00, 0x18, 0x60, 0x16}, {0x00, 0x18, 0x60, 0x18}, {0x00, 0x18, 0x60, 0x1A},
    {0x00, 0x18, 0x60, 0x1C}, {0x00, 0x18, 0x60, 0x1E}, {0x00, 0x18, 0x60, 0x20},
    {0x00, 0x18, 0x60, 0x22}, {0x00, 0x18, 0x60, 0x24}, {0x00, 0x18, 0x60, 0x26},
    {0x00, 0x18, 0x60, 0x28}, {0x00, 0x18, 0x60, 0x2A}, {0x00, 0x18, 0x60, 0x2C},
    {0x00, 0x18, 0x60, 0x2E}, {0x00, 0x18, 0x60, 0x30}, {0x00, 0x18, 0x60, 0x31},
    {0x00, 0x18, 0x60, 0x32}, {0x00, 0x18, 0x60, 0x34}, {0x00, 0x18, 0x60, 0x36},
    {0x00, 0x18, 0x60, 0x38}, {0x00, 0x18, 0x60, 0x3A}, {0x00, 0x18, 0x60, 0x3C},
    {0x00, 0x18, 0x60, 0x3E}, {0x00, 0x18, 0x60, 0x40}, {0x00, 0x18, 0x60, 0x42},
    {0x00, 0x18, 0x60, 0x44}, {0x00, 0x18, 0x60, 0x46}, {0x00, 0x18, 0x60, 0x48},
    {0x00, 0x18, 0x60, 0x4A}, {0x00, 0x18, 0x60, 0x4C}, {0x00, 0x18, 0x60, 0x4E},
    {0x00, 0x18, 0x60, 0x50}, {0x00, 0x18, 0x60, 0x52}, {0x00, 0x18, 0x60, 0x54},
};
const DCMFIELD DcmGroupField0018[] = {
    {offsetof(DCMGROUP0018, GroupLength), DCMF_U32, 0},
    {offsetof(DCMGROUP0018, ContrastBolusAgent), DCMF_TEXT, 64},
    {offsetof(DCMGROUP0018, BodyPartExamined), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0018, ScanningSequence), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0018, SequenceVariant), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0018, ScanOptions), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0018, MRAcquisitionType), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0018, SequenceName), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0018, AngioFlag), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0018, Radionuclide), DCMF_TEXT, 64},
    {offsetof(DCMGROUP0018, Radiopharmaceutical), DCMF_TEXT, 64},
    {offsetof(DCMGROUP0018, EnergyWindowCenterline), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0018, EnergyWindowTotalWidth), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0018, InterventionDrugName), DCMF_TEXT, 64},
    {offsetof(DCMGROUP0018, InterventionDrugStartTime), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0018, CineRate), DCMF_TEXT, 12},
    {offsetof(DCMGROUP0018, SliceThickness), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0018, KVP), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0018, CountsAccumulated), DCMF_TEXT, 12},
    {offsetof(DCMGROUP0018, AcquisitionTerminationCondition), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0018, EffectiveSeriesDuration), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0018, RepetitionTime), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0018, EchoTime), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0018, InversionTime), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0018, NumberOfAverages), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0018, ImagingFrequency), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0018, ImagedNucleus), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0018, EchoNumbers), DCMF_TEXT, 12},
    {offsetof(DCMGROUP0018, MagneticFieldStrength), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0018, SpacingBetweenSlices), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0018, NumberOfPhaseEncodingSteps), DCMF_TEXT, 12},
    {offsetof(DCMGROUP0018, DataCollectionDiameter), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0018, EchoTrainLength), DCMF_TEXT, 12},
    {offsetof(DCMGROUP0018, PercentSampling), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0018, PercentPhaseFieldOfView), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0018, PixelBandwidth), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0018, DeviceSerialNumber), DCMF_TEXT, 64},
    {offsetof(DCMGROUP0018, PlateID), DCMF_TEXT, 64},
    {offsetof(DCMGROUP0018, SecondaryCaptureDeviceID), DCMF_TEXT, 64},
    {offsetof(DCMGROUP0018, DateOfSecondaryCapture), DCMF_TEXT, 10},
    {offsetof(DCMGROUP0018, TimeOfSecondaryCapture), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0018, SecondaryCaptureDeviceManufacturer), DCMF_TEXT, 64},
    {offsetof(DCMGROUP0018, SecondaryCaptureDeviceManufacturersModelName), DCMF_TEXT, 64},
    {offsetof(DCMGROUP0018, SecondaryCaptureDeviceSoftwareVersions), DCMF_TEXT, 64},
    {offsetof(DCMGROUP0018, SoftwareVersions), DCMF_TEXT, 64},
    {offsetof(DCMGROUP0018, VideoImageFormatAcquired), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0018, DigitalImageFormatAcquired), DCMF_TEXT, 64},
    {offsetof(DCMGROUP0018, ProtocolName), DCMF_TEXT, 64},
    {offsetof(DCMGROUP0018, ContrastBolusRoute), DCMF_TEXT, 64},
    {offsetof(DCMGROUP0018, ContrastBolusVolume), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0018, ContrastBolusStartTime), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0018, ContrastBolusStopTime), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0018, ContrastBolusTotalDose), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0018, SyringeCounts), DCMF_TEXT, 12},
    {offsetof(DCMGROUP0018, SpatialResolution), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0018, TriggerTime), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0018, TriggerSourceOrType), DCMF_TEXT, 64},
    {offsetof(DCMGROUP0018, NominalInterval), DCMF_TEXT, 12},
    {offsetof(DCMGROUP0018, FrameTime), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0018, FramingType), DCMF_TEXT, 64},
    {offsetof(DCMGROUP0018, FrameTimeVector), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0018, FrameDelay), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0018, RadionuclideRoute), DCMF_TEXT, 64},
    {offsetof(DCMGROUP0018, RadionuclideVolume), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0018, RadionuclideStartTime), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0018, RadionuclideStopTime), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0018, RadionuclideTotalDose), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0018, BeatRejectionFlag), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0018, LowRRValue), DCMF_TEXT, 12},
    {offsetof(DCMGROUP0018, HighRRValue), DCMF_TEXT, 12},
    {offsetof(DCMGROUP0018, IntervalsAcquired), DCMF_TEXT, 12},
    {offsetof(DCMGROUP0018, IntervalsRejected), DCMF_TEXT, 12},
    {offsetof(DCMGROUP0018, PVCRejection), DCMF_TEXT, 64},
    {offsetof(DCMGROUP0018, SkipBeats), DCMF_TEXT, 12},
    {offsetof(DCMGROUP0018, HeartRate), DCMF_TEXT, 12},
    {offsetof(DCMGROUP0018, CardiacNumberOfImages), DCMF_TEXT, 12},
    {offsetof(DCMGROUP0018, TriggerWindow), DCMF_TEXT, 12},
    {offsetof(DCMGROUP0018, ReconstructionDiameter), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0018, DistanceSourceToDetector), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0018, DistanceSourceToPatient), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0018, GantryDetectorTilt), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0018, TableHeight), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0018, TableTraverse), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0018, RotationDirection), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0018, AngularPosition), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0018, RadialPosition), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0018, ScanArc), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0018, AngularStep), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0018, CenterOfRotationOffset), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0018, RotationOffset), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0018, FieldOfViewShape), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0018, FieldOfViewDimensions), DCMF_TEXT, 12},
    {offsetof(DCMGROUP0018, ExposureTime), DCMF_TEXT, 12},
    {offsetof(DCMGROUP0018, XRayTubeCurrent), DCMF_TEXT, 12},
    {offsetof(DCMGROUP0018, Exposure), DCMF_TEXT, 12},
    {offsetof(DCMGROUP0018, FilterType), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0018, GeneratorPower), DCMF_TEXT, 12},
    {offsetof(DCMGROUP0018, CollimatorGridName), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0018, CollimatorType), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0018, FocalDistance), DCMF_TEXT, 12},
    {offsetof(DCMGROUP0018, XFocusCenter), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0018, YFocusCenter), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0018, FocalSpots), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0018, DateOfLastCalibration), DCMF_TEXT, 10},
    {offsetof(DCMGROUP0018, TimeOfLastCalibration), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0018, ConvolutionKernel), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0018, ActualFrameDuration), DCMF_TEXT, 12},
    {offsetof(DCMGROUP0018, CountRate), DCMF_TEXT, 12},
    {offsetof(DCMGROUP0018, ReceivingCoil), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0018, TransmittingCoil), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0018, PlateType), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0018, PhosphorType), DCMF_TEXT, 64},
    {offsetof(DCMGROUP0018, ScanVelocity), DCMF_TEXT, 12},
    {offsetof(DCMGROUP0018, WholeBodyTechnique), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0018, ScanLength), DCMF_TEXT, 12},
    {offsetof(DCMGROUP0018, AcquisitionMatrix), DCMF_U16, 0},
    {offsetof(DCMGROUP0018, PhaseEncodingDirection), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0018, FlipAngle), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0018, VariableFlipAngleFlag), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0018, SAR), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0018, DBDt), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0018, AcquisitionDeviceProcessingDescription), DCMF_TEXT, 64},
    {offsetof(DCMGROUP0018, AcquisitionDeviceProcessingCode), DCMF_TEXT, 64},
    {offsetof(DCMGROUP0018, CassetteOrientation), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0018, CassetteSize), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0018, ExposuresOnPlate), DCMF_U16, 0},
    {offsetof(DCMGROUP0018, RelativeXRayExposure), DCMF_TEXT, 12},
    {offsetof(DCMGROUP0018, OutputPower), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0018, TransducerData), DCMF_TEXT, 64},
    {offsetof(DCMGROUP0018, FocusDepth), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0018, PreprocessingFunction), DCMF_TEXT, 64},
    {offsetof(DCMGROUP0018, PostprocessingFunction), DCMF_TEXT, 64},
    {offsetof(DCMGROUP0018, MechanicalIndex), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0018, ThermalIndex), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0018, CranialThermalIndex), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0018, SoftTissueThermalIndex), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0018, SoftTissueFocusThermalIndex), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0018, SoftTissueSurfaceThermalIndex), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0018, DepthOfScanField), DCMF_TEXT, 12},
    {offsetof(DCMGROUP0018, PatientPosition), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0018, ViewPosition), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0018, ImageTransformationMatrix), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0018, ImageTranslationVector), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0018, Sensitivity), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0018, SequenceOfUltrasoundRegions), DCMF_U16IN32, 0},
    {offsetof(DCMGROUP0018, RegionSpatialFormat), DCMF_U16, 0},
    {offsetof(DCMGROUP0018, RegionDataType), DCMF_U16, 0},
    {offsetof(DCMGROUP0018, RegionFlags), DCMF_U32, 0},
    {offsetof(DCMGROUP0018, RegionLocationMinX0), DCMF_U32, 0},
    {offsetof(DCMGROUP0018, RegionLocationMinY0), DCMF_U32, 0},
    {offsetof(DCMGROUP0018, RegionLocationMaxX1), DCMF_U32, 0},
    {offsetof(DCMGROUP0018, RegionLocationMaxY1), DCMF_U32, 0},
    {offsetof(DCMGROUP0018, ReferencePixelX0), DCMF_U32, 0},
    {offsetof(DCMGROUP0018, ReferencePixelY0), DCMF_U32, 0},
    {offsetof(DCMGROUP0018, PhysicalUnitsXDirection), DCMF_U16, 0},
    {offsetof(DCMGROUP0018, PhysicalUnitsYDirection), DCMF_U16, 0},
    {offsetof(DCMGROUP0018, ReferencePixelPhysicalValueX), DCMF_RAW, 8},
    {offsetof(DCMGROUP0018, ReferencePixelPhysicalValueY), DCMF_RAW, 8},
    {offsetof(DCMGROUP0018, PhysicalDeltaX), DCMF_RAW, 8},
    {offsetof(DCMGROUP0018, PhysicalDeltaY), DCMF_RAW, 8},
    {offsetof(DCMGROUP0018, TransducerFrequency), DCMF_U32, 0},
    {offsetof(DCMGROUP0018, TransducerType), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0018, PulseRepetitionFrequency), DCMF_U32, 0},
    {offsetof(DCMGROUP0018, DopplerCorrectionAngle), DCMF_RAW, 8},
    {offsetof(DCMGROUP0018, SterringAngle), DCMF_RAW, 8},
    {offsetof(DCMGROUP0018, DopplerSampleVolumeXPosition), DCMF_U32, 0},
    {offsetof(DCMGROUP0018, DopplerSampleVolumeYPosition), DCMF_U32, 0},
    {offsetof(DCMGROUP0018, TMLinePositionX0), DCMF_U32, 0},
    {offsetof(DCMGROUP0018, TMLinePositionY0), DCMF_U32, 0},
    {offsetof(DCMGROUP0018, TMLinePositionX1), DCMF_U32, 0},
    {offsetof(DCMGROUP0018, TMLinePositionY1), DCMF_U32, 0},
    {offsetof(DCMGROUP0018, PixelComponentOrganization), DCMF_U16, 0},
    {offsetof(DCMGROUP0018, PixelComponentMask), DCMF_U32, 0},
    {offsetof(DCMGROUP0018, PixelComponentRangeStart), DCMF_U32, 0},
    {offsetof(DCMGROUP0018, PixelComponentRangeStop), DCMF_U32, 0},
    {offsetof(DCMGROUP0018, PixelComponentPhysicalUnits), DCMF_U16, 0},
    {offsetof(DCMGROUP0018, PixelComponentDataType), DCMF_U16, 0},
    {offsetof(DCMGROUP0018, NumberOfTableBreakPoints), DCMF_U32, 0},
    {offsetof(DCMGROUP0018, TableOfXBreakPoints), DCMF_U32, 0},
    {offsetof(DCMGROUP0018, TableOfYBreakPoints), DCMF_RAW, 8},
};

const char *const DcmGroupUnit0020[][2] = {
    {"Group Length", "22"},
    {"Study Instance UID", "21"},
    {"Series Instance UID", "21"},
    {"Study ID", "15"},
    {"Series Number", "9"},
    {"Acquisition Number", "9"},
    {"Image Number", "9"},
    {"Isotope Number", "9"},
    {"Phase Number", "9"},
    {"Interval Number", "9"},
    {"Time Slot Number", "9"},
    {"Angle Number", "9"},
    {"Patient Orientation", "3"},
    {"Overlay Number", "9"},
    {"Curve Number", "9"},
    {"LUT Number", "9"},
    {"Image Position Patient", "5"},
    {"Image Orientation Patient", "5"},
    {"Frame of Reference UID", "21"},
    {"Laterality", "3"},
    {"Temporal Position Identifier", "9"},
    {"Number of Temporal Positions", "9"},
    {"Temporal Resolution", "5"},
    {"Series in Study", "9"},
    {"Images in Acquisition", "9"},
    {"Acquisition in Study", "9"},
    {"Position Reference Indicator", "10"},
    {"Slice Location", "5"},
    {"Other Study Numbers", "9"},
    {"Number of Patient Related Studies", "9"},
    {"Number of Patient Related Series", "9"},
    {"Number of Patient Related Images", "9"},
    {"Number of Study Related Series", "9"},
    {"Number of Study Related Images", "9"},
    {"Image Comments", "11"},
};
const unsigned char DcmGroupUnit0020B[][4] = {
    {0x00, 0x20, 0x00, 0x00}, {0x00, 0x20, 0x00, 0x0D}, {0x00, 0x20, 0x00, 0x0E},
    {0x00, 0x20, 0x00, 0x10}, {0x00, 0x20, 0x00, 0x11}, {0x00, 0x20, 0x00, 0x12},
    {0x00, 0x20, 0x00, 0x13}, {0x00, 0x20, 0x00, 0x14}, {0x00, 0x20, 0x00, 0x15},
    {0x00, 0x20, 0x00, 0x16}, {0x00, 0x20, 0x00, 0x17}, {0x00, 0x20, 0x00, 0x18},
    {0x00, 0x20, 0x00, 0x20}, {0x00, 0x20, 0x00, 0x22}, {0x00, 0x20, 0x00, 0x24},
    {0x00, 0x20, 0x00, 0x26}, {0x00, 0x20, 0x00, 0x32}, {0x00, 0x20, 0x00, 0x37},
    {0x00, 0x20, 0x00, 0x52}, {0x00, 0x20, 0x00, 0x60}, {0x00, 0x20, 0x01, 0x00},
    {0x00, 0x20, 0x01, 0x05}, {0x00, 0x20, 0x01, 0x10}, {0x00, 0x20, 0x10, 0x00},
    {0x00, 0x20, 0x10, 0x02}, {0x00, 0x20, 0x10, 0x04}, {0x00, 0x20, 0x10, 0x40},
    {0x00, 0x20, 0x10, 0x41}, {0x00, 0x20, 0x10, 0x70}, {0x00, 0x20, 0x12, 0x00},
    {0x00, 0x20, 0x12, 0x02}, {0x00, 0x20, 0x12, 0x04}, {0x00, 0x20, 0x12, 0x06},
    {0x00, 0x20, 0x12, 0x08}, {0x00, 0x20, 0x40, 0x00},
};
const DCMFIELD DcmGroupField0020[] = {
    {offsetof(DCMGROUP0020, GroupLength), DCMF_U32, 0},
    {offsetof(DCMGROUP0020, StudyInstanceUID), DCMF_TEXT, 64},
    {offsetof(DCMGROUP0020, SeriesInstanceUID), DCMF_TEXT, 64},
    {offsetof(DCMGROUP0020, StudyID), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0020, SeriesNumber), DCMF_TEXT, 12},
    {offsetof(DCMGROUP0020, AcquisitionNumber), DCMF_TEXT, 12},
    {offsetof(DCMGROUP0020, ImageNumber), DCMF_TEXT, 12},
    {offsetof(DCMGROUP0020, IsotopeNumber), DCMF_TEXT, 12},
    {offsetof(DCMGROUP0020, PhaseNumber), DCMF_TEXT, 12},
    {offsetof(DCMGROUP0020, IntervalNumber), DCMF_TEXT, 12},
    {offsetof(DCMGROUP0020, TimeSlotNumber), DCMF_TEXT, 12},
    {offsetof(DCMGROUP0020, AngleNumber), DCMF_TEXT, 12},
    {offsetof(DCMGROUP0020, PatientOrientation), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0020, OverlayNumber), DCMF_TEXT, 12},
    {offsetof(DCMGROUP0020, CurveNumber), DCMF_TEXT, 12},
    {offsetof(DCMGROUP0020, LUTNumber), DCMF_TEXT, 12},
    {offsetof(DCMGROUP0020, ImagePositionPatient), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0020, ImageOrientationPatient), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0020, FrameOfReferenceUID), DCMF_TEXT, 64},
    {offsetof(DCMGROUP0020, Laterality), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0020, TemporalPositionIdentifier), DCMF_TEXT, 12},
    {offsetof(DCMGROUP0020, NumberOfTemporalPositions), DCMF_TEXT, 12},
    {offsetof(DCMGROUP0020, TemporalResolution), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0020, SeriesInStudy), DCMF_TEXT, 12},
    {offsetof(DCMGROUP0020, ImagesInAcquisition), DCMF_TEXT, 12},
    {offsetof(DCMGROUP0020, AcquisitionInStudy), DCMF_TEXT, 12},
    {offsetof(DCMGROUP0020, PositionReferenceIndicator), DCMF_TEXT, 64},
    {offsetof(DCMGROUP0020, SliceLocation), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0020, OtherStudyNumbers), DCMF_TEXT, 12},
    {offsetof(DCMGROUP0020, NumberOfPatientRelatedStudies), DCMF_TEXT, 12},
    {offsetof(DCMGROUP0020, NumberOfPatientRelatedSeries), DCMF_TEXT, 12},
    {offsetof(DCMGROUP0020, NumberOfPatientRelatedImages), DCMF_TEXT, 12},
    {offsetof(DCMGROUP0020, NumberOfStudyRelatedSeries), DCMF_TEXT, 12},
    {offsetof(DCMGROUP0020, NumberOfStudyRelatedImages), DCMF_TEXT, 12},
    {offsetof(DCMGROUP0020, ImageComments), DCMF_TEXT, 1024},
};

const char *const DcmGroupUnit0028[][2] = {
    {"Group Length", "22"},
    {"Samples per Pixel", "23"},
    {"Photometric Interpretation", "3"},
    {"Planar Configuration", "23"},
    {"Number of Frames", "9"},
    {"Frame Increment Pointer", "2"},
    {"Rows", "23"},
    {"Columns", "23"},
    {"Pixel Spacing", "5"},
    {"Zoom Factor", "5"},
    {"Zoom Center", "5"},
    {"Pixel Aspect Ratio", "9"},
    {"Corrected Image", "3"},
    {"Bits Allocated", "23"},
    {"Bits Stored", "23"},
    {"High Bit", "23"},
    {"Pixel Representation", "23"},
    {"Smallest Image Pixel Value", "26"},
    {"Largest Image Pixel Value", "26"},
    {"Smallest Pixel Value in Series", "26"},
    {"Largest Pixel Value in Series", "26"},
    {"Pixel Padding Value", "26"},
    {"Window Center", "5"},
    {"Window Width", "5"},
    {"Rescale Intercept", "5"},
    {"Rescale Slope", "5"},
    {"Rescale type", "5"},
    {"Window Center & Width Explanation", "10"},
    {"Red Palette Color Lookup Table Descriptor", "26"},
    {"Green Palette Color Lookup Table Descriptor", "26"},
    {"Blue Palette Color Lookup Table Descriptor", "26"},
    {"Red Palette Color Lookup Table Data", "26"},
    {"Green Palette Color Lookup Table Data", "26"},
    {"Blue Palette Color Lookup Table Data", "26"},
    {"Modality LUT Sequence", "17"},
    {"LUT Descriptor", "26"},
    {"LUT Explanation", "10"},
    {"Modality LUT Type", "10"},
    {"LUT Data", "26"},
    {"VOI LUT Sequence", "25"},
};
const unsigned char DcmGroupUnit0028B[][4] = {
    {0x00, 0x28, 0x00, 0x00}, {0x00, 0x28, 0x00, 0x02}, {0x00, 0x28, 0x00, 0x04},
    {0x00, 0x28, 0x00, 0x06}, {0x00, 0x28, 0x00, 0x08}, {0x00, 0x28, 0x00, 0x09},
    {0x00, 0x28, 0x00, 0x10}, {0x00, 0x28, 0x00, 0x11}, {0x00, 0x28, 0x00, 0x30},
    {0x00, 0x28, 0x00, 0x31}, {0x00, 0x28, 0x00, 0x32}, {0x00, 0x28, 0x00, 0x34},
    {0x00, 0x28, 0x00, 0x51}, {0x00, 0x28, 0x01, 0x00}, {0x00, 0x28, 0x01, 0x01},
    {0x00, 0x28, 0x01, 0x02}, {0x00, 0x28, 0x01, 0x03}, {0x00, 0x28, 0x01, 0x06},
    {0x00, 0x28, 0x01, 0x07}, {0x00, 0x28, 0x01, 0x08}, {0x00, 0x28, 0x01, 0x09},
    {0x00, 0x28, 0x01, 0x20}, {0x00, 0x28, 0x10, 0x50}, {0x00, 0x28, 0x10, 0x51},
    {0x00, 0x28, 0x10, 0x52}, {0x00, 0x28, 0x10, 0x53}, {0x00, 0x28, 0x10, 0x54},
    {0x00, 0x28, 0x10, 0x55}, {0x00, 0x28, 0x11, 0x01}, {0x00, 0x28, 0x11, 0x02},
    {0x00, 0x28, 0x11, 0x03}, {0x00, 0x28, 0x12, 0x01}, {0x00, 0x28, 0x12, 0x02},
    {0x00, 0x28, 0x12, 0x03}, {0x00, 0x28, 0x30, 0x00}, {0x00, 0x28, 0x30, 0x02},
    {0x00, 0x28, 0x30, 0x03}, {0x00, 0x28, 0x30, 0x04}, {0x00, 0x28, 0x30, 0x06},
    {0x00, 0x28, 0x30, 0x10},
};
const DCMFIELD DcmGroupField0028[] = {
    {offsetof(DCMGROUP0028, GroupLength), DCMF_U32, 0},
    {offsetof(DCMGROUP0028, SamplesPerPixel), DCMF_U16, 0},
    {offsetof(DCMGROUP0028, PhotometricInterpretation), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0028, PlanarConfiguration), DCMF_U16, 0},
    {offsetof(DCMGROUP0028, NumberOfFrames), DCMF_TEXT, 12},
    {offsetof(DCMGROUP0028, FrameIncrementPointer), DCMF_RAW, 4},
    {offsetof(DCMGROUP0028, Rows), DCMF_U16, 0},
    {offsetof(DCMGROUP0028, Columns), DCMF_U16, 0},
    {offsetof(DCMGROUP0028, PixelSpacing), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0028, ZoomFactor), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0028, ZoomCenter), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0028, PixelAspectRatio), DCMF_TEXT, 12},
    {offsetof(DCMGROUP0028, CorrectedImage), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0028, BitsAllocated), DCMF_U16, 0},
    {offsetof(DCMGROUP0028, BitsStored), DCMF_U16, 0},
    {offsetof(DCMGROUP0028, HighBit), DCMF_U16, 0},
    {offsetof(DCMGROUP0028, PixelRepresentation), DCMF_U16, 0},
    {offsetof(DCMGROUP0028, SmallestImagePixelValue), DCMF_U16, 0},
    {offsetof(DCMGROUP0028, LargestImagePixelValue), DCMF_U16, 0},
    {offsetof(DCMGROUP0028, SmallestPixelValueInSeries), DCMF_U16, 0},
    {offsetof(DCMGROUP0028, LargestPixelValueInSeries), DCMF_U16, 0},
    {offsetof(DCMGROUP0028, PixelPaddingValue), DCMF_U16, 0},
    {offsetof(DCMGROUP0028, WindowCenter), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0028, WindowWidth), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0028, RescaleIntercept), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0028, RescaleSlope), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0028, RescaleType), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0028, WindowCenterWidthExplanation), DCMF_TEXT, 64},
    {offsetof(DCMGROUP0028, RedPaletteColorLookupTableDescriptor), DCMF_PALDESC, 0},
    {offsetof(DCMGROUP0028, GreenPaletteColorLookupTableDescriptor), DCMF_PALDESC, 0},
    {offsetof(DCMGROUP0028, BluePaletteColorLookupTableDescriptor), DCMF_PALDESC, 0},
    {offsetof(DCMGROUP0028, RedPaletteColorLookupTableData), DCMF_PALDATA,
     offsetof(DCMGROUP0028, RedPaletteColorLookupTableDescriptor)},
    {offsetof(DCMGROUP0028, GreenPaletteColorLookupTableData), DCMF_PALDATA,
     offsetof(DCMGROUP0028, GreenPaletteColorLookupTableDescriptor)},
    {offsetof(DCMGROUP0028, BluePaletteColorLookupTableData), DCMF_PALDATA,
     offsetof(DCMGROUP0028, BluePaletteColorLookupTableDescriptor)},
    {offsetof(DCMGROUP0028, ModalityLUTSequence), DCMF_U16IN32, 0},
    {offsetof(DCMGROUP0028, LUTDescriptor), DCMF_U16, 0},
    {offsetof(DCMGROUP0028, LUTExplanation), DCMF_TEXT, 64},
    {offsetof(DCMGROUP0028, ModalityLUTType), DCMF_TEXT, 64},
    {offsetof(DCMGROUP0028, LUTData), DCMF_U16, 0},
    {offsetof(DCMGROUP0028, VOILUTSequence), DCMF_U16, 0},
};

const char *const DcmGroupUnit0032[][2] = {
    {"Group Length", "22"},
    {"Study Status ID", "3"},
    {"Study Priority ID", "3"},
    {"Study ID Issuer", "10"},
    {"Study Verified Date", "4"},
    {"Study Verified Time", "20"},
    {"Study Read Date", "4"},
    {"Study Read Time", "20"},
    {"Scheduled Study Start Date", "4"},
    {"Scheduled Study Start Time", "20"},
    {"Scheduled Study Stop Date", "4"},
    {"Scheduled Study Stop Time", "20"},
    {"Scheduled Study Location", "10"},
    {"Scheduled Study Location AE Titles", "0"},
    {"Reason for Study", "10"},
    {"Requesting Physician", "14"},
    {"Requesting Service", "10"},
    {"Study Arrival Date", "4"},
    {"Study Arrival Time", "20"},
    {"Study Completion Date", "4"},
    {"Study Completion Time", "20"},
    {"Study Component Status ID", "3"},
    {"Requested Procedure Description", "10"},
    {"Requested Procedure Code Sequence", "17"},
    {"Requested Contrast Agent", "10"},
    {"Study Comments", "11"},
};
const unsigned char DcmGroupUnit0032B[][4] = {
    {0x00, 0x32, 0x00, 0x00}, {0x00, 0x32, 0x00, 0x0A}, {0x00, 0x32, 0x00, 0x0C},
    {0x00, 0x32, 0x00, 0x12}, {0x00, 0x32, 0x00, 0x32}, {0x00, 0x32, 0x00, 0x33},
    {0x00, 0x32, 0x00, 0x34}, {0x00, 0x32, 0x00, 0x35}, {0x00, 0x32, 0x10, 0x00},
    {0x00, 0x32, 0x10, 0x01}, {0x00, 0x32, 0x10, 0x10}, {0x00, 0x32, 0x10, 0x11},
    {0x00, 0x32, 0x10, 0x20}, {0x00, 0x32, 0x10, 0x21}, {0x00, 0x32, 0x10, 0x30},
    {0x00, 0x32, 0x10, 0x32}, {0x00, 0x32, 0x10, 0x33}, {0x00, 0x32, 0x10, 0x40},
    {0x00, 0x32, 0x10, 0x41}, {0x00, 0x32, 0x10, 0x50}, {0x00, 0x32, 0x10, 0x51},
    {0x00, 0x32, 0x10, 0x55}, {0x00, 0x32, 0x10, 0x60}, {0x00, 0x32, 0x10, 0x64},
    {0x00, 0x32, 0x10, 0x70}, {0x00, 0x32, 0x40, 0x00},
};
const DCMFIELD DcmGroupField0032[] = {
    {offsetof(DCMGROUP0032, GroupLength), DCMF_U32, 0},
    {offsetof(DCMGROUP0032, StudyStatusID), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0032, StudyPriorityID), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0032, StudyIDIssuer), DCMF_TEXT, 64},
    {offsetof(DCMGROUP0032, StudyVerifiedDate), DCMF_TEXT, 10},
    {offsetof(DCMGROUP0032, StudyVerifiedTime), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0032, StudyReadDate), DCMF_TEXT, 10},
    {offsetof(DCMGROUP0032, StudyReadTime), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0032, ScheduledStudyStartDate), DCMF_TEXT, 10},
    {offsetof(DCMGROUP0032, ScheduledStudyStartTime), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0032, ScheduledStudyStopDate), DCMF_TEXT, 10},
    {offsetof(DCMGROUP0032, ScheduledStudyStopTime), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0032, ScheduledStudyLocation), DCMF_TEXT, 64},
    {offsetof(DCMGROUP0032, ScheduledStudyLocationAETitles), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0032, ReasonForStudy), DCMF_TEXT, 64},
    {offsetof(DCMGROUP0032, RequestingPhysician), DCMF_TEXT, 64},
    {offsetof(DCMGROUP0032, RequestingService), DCMF_TEXT, 64},
    {offsetof(DCMGROUP0032, StudyArrivalDate), DCMF_TEXT, 10},
    {offsetof(DCMGROUP0032, StudyArrivalTime), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0032, StudyCompletionDate), DCMF_TEXT, 10},
    {offsetof(DCMGROUP0032, StudyCompletionTime), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0032, StudyComponentStatusID), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0032, RequestedProcedureDescription), DCMF_TEXT, 64},
    {offsetof(DCMGROUP0032, RequestedProcedureCodeSequence), DCMF_U16IN32, 0},
    {offsetof(DCMGROUP0032, RequestedContrastAgent), DCMF_TEXT, 64},
    {offsetof(DCMGROUP0032, StudyComments), DCMF_TEXT, 1024},
};

const char *const DcmGroupUnit0038[][2] = {
    {"Group Length", "22"},
    {"Referenced Patient Alias Sequence", "17"},
    {"Visit Status ID", "3"},
    {"Admission ID", "10"},
    {"Issuer of Admission ID", "10"},
    {"Route of Admissions", "10"},
    {"Scheduled Admission Date", "4"},
    {"Scheduled Admission Time", "20"},
    {"Scheduled Discharge Date", "4"},
    {"Scheduled Discharge Time", "20"},
    {"Scheduled Patient Institution Residence", "10"},
    {"Admitting Date", "4"},
    {"Admitting Time", "20"},
    {"Discharge Date", "4"},
    {"Discharge Time", "20"},
    {"Discharge Diagnosis Description", "10"},
    {"Discharge Diagnosis Code Sequence", "17"},
    {"Special Needs", "10"},
    {"Current Patient Location", "10"},
    {"Patient's Institution Residence", "10"},
    {"Patient State", "10"},
    {"Visit Comments", "11"},
};
const unsigned char DcmGroupUnit0038B[][4] = {
    {0x00, 0x38, 0x00, 0x00}, {0x00, 0x38, 0x00, 0x04}, {0x00, 0x38, 0x00, 0x08},
    {0x00, 0x38, 0x00, 0x10}, {0x00, 0x38, 0x00, 0x11}, {0x00, 0x38, 0x00, 0x16},
    {0x00, 0x38, 0x00, 0x1A}, {0x00, 0x38, 0x00, 0x1B}, {0x00, 0x38, 0x00, 0x1C},
    {0x00, 0x38, 0x00, 0x1D}, {0x00, 0x38, 0x00, 0x1E}, {0x00, 0x38, 0x00, 0x20},
    {0x00, 0x38, 0x00, 0x21}, {0x00, 0x38, 0x00, 0x30}, {0x00, 0x38, 0x00, 0x32},
    {0x00, 0x38, 0x00, 0x40}, {0x00, 0x38, 0x00, 0x44}, {0x00, 0x38, 0x00, 0x50},
    {0x00, 0x38, 0x03, 0x00}, {0x00, 0x38, 0x04, 0x00}, {0x00, 0x38, 0x05, 0x00},
    {0x00, 0x38, 0x40, 0x00},
};
const DCMFIELD DcmGroupField0038[] = {
    {offsetof(DCMGROUP0038, GroupLength), DCMF_U32, 0},
    {offsetof(DCMGROUP0038, ReferencedPatientAliasSequence), DCMF_U16IN32, 0},
    {offsetof(DCMGROUP0038, VisitStatusID), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0038, AdmissionID), DCMF_TEXT, 64},
    {offsetof(DCMGROUP0038, IssuerOfAdmissionID), DCMF_TEXT, 64},
    {offsetof(DCMGROUP0038, RouteOfAdmissions), DCMF_TEXT, 64},
    {offsetof(DCMGROUP0038, ScheduledAdmissionDate), DCMF_TEXT, 10},
    {offsetof(DCMGROUP0038, ScheduledAdmissionTime), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0038, ScheduledDischargeDate), DCMF_TEXT, 10},
    {offsetof(DCMGROUP0038, ScheduledDischargeTime), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0038, ScheduledPatientInstitutionResidence), DCMF_TEXT, 64},
    {offsetof(DCMGROUP0038, AdmittingDate), DCMF_TEXT, 10},
    {offsetof(DCMGROUP0038, AdmittingTime), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0038, DischargeDate), DCMF_TEXT, 10},
    {offsetof(DCMGROUP0038, DischargeTime), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0038, DischargeDiagnosisDescription), DCMF_TEXT, 64},
    {offsetof(DCMGROUP0038, DischargeDiagnosisCodeSequence), DCMF_U16IN32, 0},
    {offsetof(DCMGROUP0038, SpecialNeeds), DCMF_TEXT, 64},
    {offsetof(DCMGROUP0038, CurrentPatientLocation), DCMF_TEXT, 64},
    {offsetof(DCMGROUP0038, PatientsInstitutionResidence), DCMF_TEXT, 64},
    {offsetof(DCMGROUP0038, PatientState), DCMF_TEXT, 64},
    {offsetof(DCMGROUP0038, VisitComments), DCMF_TEXT, 1024},
};

const char *const DcmGroupUnit0088[][2] = {
    {"Group Length", "22"},
    {"Storage Media File-set ID", "15"},
    {"Storage Media File-set UID", "21"},
};
const unsigned char DcmGroupUnit0088B[][4] = {
    {0x00, 0x88, 0x00, 0x00},
    {0x00, 0x88, 0x01, 0x30},
    {0x00, 0x88, 0x01, 0x40},
};
const DCMFIELD DcmGroupField0088[] = {
    {offsetof(DCMGROUP0088, GroupLength), DCMF_U32, 0},
    {offsetof(DCMGROUP0088, StorageMediaFileSetID), DCMF_TEXT, 16},
    {offsetof(DCMGROUP0088, StorageMediaFileSetUID), DCMF_TEXT, 64},
};

const char *const DcmGroupUnit2000[][2] = {
    {"Group Length", "22"},     {"Number Of Copies", "9"},
    {"Print Priority", "3"},    {"Medium Type", "3"},
    {"Film Destination", "3"},  {"Film Session Label", "10"},
    {"Memory Allocation", "9"}, {"Referenced Film Box Sequence", "17"},
};
const unsigned char DcmGroupUnit2000B[][4] = {
    {0x20, 0x00, 0x00, 0x00}, {0x20, 0x00, 0x00, 0x10}, {0x20, 0x00, 0x00, 0x20},
    {0x20, 0x00, 0x00, 0x30}, {0x20, 0x00, 0x00, 0x40}, {0x20, 0x00, 0x00, 0x50},
    {0x20, 0x00, 0x00, 0x60}, {0x20, 0x00, 0x05, 0x00},
};
const DCMFIELD DcmGroupField2000[] = {
    {offsetof(DCMGROUP2000, GroupLength), DCMF_U32, 0},
    {offsetof(DCMGROUP2000, NumberOfCopies), DCMF_TEXT, 12},
    {offsetof(DCMGROUP2000, PrintPriority), DCMF_TEXT, 16},
    {offsetof(DCMGROUP2000, MediumType), DCMF_TEXT, 16},
    {offsetof(DCMGROUP2000, FilmDestination), DCMF_TEXT, 16},
    {offsetof(DCMGROUP2000, FilmSessionLabel), DCMF_TEXT, 64},
    {offsetof(DCMGROUP2000, MemoryAllocation), DCMF_TEXT, 12},
    {offsetof(DCMGROUP2000, ReferencedFilmBoxSequence), DCMF_U16IN32, 0},
};

const char *const DcmGroupUnit2010[][2] = {
    {"Group Length", "22"},
    {"Image Display Format", "19"},
    {"Annotation Display Format ID", "3"},
    {"Film Orientation", "3"},
    {"Film Size ID", "3"},
    {"Magnification Type", "3"},
    {"Smoothing Type", "3"},
    {"Border Density", "3"},
    {"Empty Image Density", "3"},
    {"Min Density", "23"},
    {"Max Density", "23"},
    {"Trim", "3"},
    {"Configuration Information", "19"},
    {"Referenced Film Session Sequence", "17"},
    {"Referenced Image Box Sequence", "17"},
    {"Referenced Basic Annotation Box Sequence", "17"},
};
const unsigned char DcmGroupUnit2010B[][4] = {
    {0x20, 0x10, 0x00, 0x00}, {0x20, 0x10, 0x00, 0x10}, {0x20, 0x10, 0x00, 0x30},
    {0x20, 0x10, 0x00, 0x40}, {0x20, 0x10, 0x00, 0x50}, {0x20, 0x10, 0x00, 0x60},
    {0x20, 0x10, 0x00, 0x80}, {0x20, 0x10, 0x01, 0x00}, {0x20, 0x10, 0x01, 0x10},
    {0x20, 0x10, 0x01, 0x20}, {0x20, 0x10, 0x01, 0x30}, {0x20, 0x10, 0x01, 0x40},
    {0x20, 0x10, 0x01, 0x50}, {0x20, 0x10, 0x05, 0x00}, {0x20, 0x10, 0x05, 0x10},
    {0x20, 0x10, 0x05, 0x20},
};
const DCMFIELD DcmGroupField2010[] = {
    {offsetof(DCMGROUP2010, GroupLength), DCMF_U32, 0},
    {offsetof(DCMGROUP2010, ImageDisplayFormat), DCMF_TEXT, 1024},
    {offsetof(DCMGROUP2010, AnnotationDisplayFormatID), DCMF_TEXT, 16},
    {offsetof(DCMGROUP2010, FilmOrientation), DCMF_TEXT, 16},
    {offsetof(DCMGROUP2010, FilmSizeID), DCMF_TEXT, 16},
    {offsetof(DCMGROUP2010, MagnificationType), DCMF_TEXT, 16},
    {offsetof(DCMGROUP2010, SmoothingType), DCMF_TEXT, 16},
    {offsetof(DCMGROUP2010, BorderDensity), DCMF_TEXT, 16},
    {offsetof(DCMGROUP2010, EmptyImageDensity), DCMF_TEXT, 16},
    {offsetof(DCMGROUP2010, MinDensity), DCMF_U16, 0},
    {offsetof(DCMGROUP2010, MaxDensity), DCMF_U16, 0},
    {offsetof(DCMGROUP2010, Trim), DCMF_TEXT, 16},
    {offsetof(DCMGROUP2010, ConfigurationInformation), DCMF_TEXT, 1024},
    {offsetof(DCMGROUP2010, ReferencedFilmSessionSequence), DCMF_U16IN32, 0},
    {offsetof(DCMGROUP2010, ReferencedImageBoxSequence), DCMF_U16IN32, 0},
    {offsetof(DCMGROUP2010, ReferencedBasicAnnotationBoxSequence), DCMF_U16IN32, 0},
};

const char *const DcmGroupUnit2020[][2] = {
    {"Group Length", "22"},
    {"Image Position", "23"},
    {"Polarity", "3"},
    {"Requested Image Size", "5"},
    {"Preformatted Grayscale Image Sequence", "17"},
    {"Preformatted Color Image Sequence", "17"},
    {"Referenced Image Overlay Box Sequence", "17"},
    {"Referenced VOI LUT Box Sequence ", "17"},
};
const unsigned char DcmGroupUnit2020B[][4] = {
    {0x20, 0x20, 0x00, 0x00}, {0x20, 0x20, 0x00, 0x10}, {0x20, 0x20, 0x00, 0x20},
    {0x20, 0x20, 0x00, 0x30}, {0x20, 0x20, 0x01, 0x10}, {0x20, 0x20, 0x01, 0x11},
    {0x20, 0x20, 0x01, 0x30}, {0x20, 0x20, 0x01, 0x40},
};
const DCMFIELD DcmGroupField2020[] = {
    {offsetof(DCMGROUP2020, GroupLength), DCMF_U32, 0},
    {offsetof(DCMGROUP2020, ImagePosition), DCMF_U16, 0},
    {offsetof(DCMGROUP2020, Polarity), DCMF_TEXT, 16},
    {offsetof(DCMGROUP2020, RequestedImageSize), DCMF_TEXT, 16},
    {offsetof(DCMGROUP2020, PreformattedGrayscaleImageSequence), DCMF_U16IN32, 0},
    {offsetof(DCMGROUP2020, PreformattedColorImageSequence), DCMF_U16IN32, 0},
    {offsetof(DCMGROUP2020, ReferencedImageOverlayBoxSequence), DCMF_U16IN32, 0},
    {offsetof(DCMGROUP2020, ReferencedVOILUTBoxSequence), DCMF_U16IN32, 0},
};

const char *const DcmGroupUnit2030[][2] = {
    {"Group Length", "22"},
    {"Annotation Position", "23"},
    {"Text String", "10"},
};
const unsigned char DcmGroupUnit2030B[][4] = {
    {0x20, 0x30, 0x00, 0x00},
    {0x20, 0x30, 0x00, 0x10},
    {0x20, 0x30, 0x00, 0x20},
};
const DCMFIELD DcmGroupField2030[] = {
    {offsetof(DCMGROUP2030, GroupLength), DCMF_U32, 0},
    {offsetof(DCMGROUP2030, AnnotationPosition), DCMF_U16, 0},
    {offsetof(DCMGROUP2030, TextString), DCMF_TEXT, 64},
};

const char *const DcmGroupUnit2040[][2] = {
    {"Group Length", "22"},
    {"Referenced Overlay Plane Sequence", "17"},
    {"Referenced Overlay Plane Groups", "23"},
    {"Overlay Magnification Type", "3"},
    {"Overlay Smoothing Type", "3"},
    {"Overlay Foreground Density", "3"},
    {"Overlay Mode", "3"},
    {"Threshold Density", "3"},
    {"Referenced Image Box Sequence", "17"},
};
const unsigned char DcmGroupUnit2040B[][4] = {
    {0x20, 0x40, 0x00, 0x00}, {0x20, 0x40, 0x00, 0x10}, {0x20, 0x40, 0x00, 0x11},
    {0x20, 0x40, 0x00, 0x60}, {0x20, 0x40, 0x00, 0x70}, {0x20, 0x40, 0x00, 0x80},
    {0x20, 0x40, 0x00, 0x90}, {0x20, 0x40, 0x01, 0x00}, {0x20, 0x40, 0x05, 0x00},
};
const DCMFIELD DcmGroupField2040[] = {
    {offsetof(DCMGROUP2040, GroupLength), DCMF_U32, 0},
    {offsetof(DCMGROUP2040, ReferencedOverlayPlaneSequence), DCMF_U16IN32, 0},
    {offsetof(DCMGROUP2040, ReferencedOverlayPlaneGroups), DCMF_U16, 0},
    {offsetof(DCMGROUP2040, OverlayMagnificationType), DCMF_TEXT, 16},
    {offsetof(DCMGROUP2040, OverlaySmoothingType), DCMF_TEXT, 16},
    {offsetof(DCMGROUP2040, OverlayForegroundDensity), DCMF_TEXT, 16},
    {offsetof(DCMGROUP2040, OverlayMode), DCMF_TEXT, 16},
    {offsetof(DCMGROUP2040, ThresholdDensity), DCMF_TEXT, 16},
    {offsetof(DCMGROUP2040, ReferencedImageBoxSequence), DCMF_U16IN32, 0},
};

const char *const DcmGroupUnit2100[][2] = {
    {"Group Length", "22"},
    {"Execution Status", "3"},
    {"Execution Status Info", "3"},
    {"Creation Date", "4"},
    {"Creation Time", "20"},
    {"Originator", "0"},
    {"Referenced Print Job Sequence", "17"},
};
const unsigned char DcmGroupUnit2100B[][4] = {
    {0x21, 0x00, 0x00, 0x00}, {0x21, 0x00, 0x00, 0x20}, {0x21, 0x00, 0x00, 0x30},
    {0x21, 0x00, 0x00, 0x40}, {0x21, 0x00, 0x00, 0x50}, {0x21, 0x00, 0x00, 0x70},
    {0x21, 0x00, 0x05, 0x00},
};
const DCMFIELD DcmGroupField2100[] = {
    {offsetof(DCMGROUP2100, GroupLength), DCMF_U32, 0},
    {offsetof(DCMGROUP2100, ExecutionStatus), DCMF_TEXT, 16},
    {offsetof(DCMGROUP2100, ExecutionStatusInfo), DCMF_TEXT, 16},
    {offsetof(DCMGROUP2100, CreationDate), DCMF_TEXT, 10},
    {offsetof(DCMGROUP2100, CreationTime), DCMF_TEXT, 16},
    {offsetof(DCMGROUP2100, Originator), DCMF_TEXT, 16},
    {offsetof(DCMGROUP2100, ReferencedPrintJobSequence), DCMF_U16IN32, 0},
};

const char *const DcmGroupUnit2110[][2] = {
    {"Group Length", "22"},
    {"Printer Status", "3"},
    {"Printer Status Info", "3"},
    {"Printer Name", "10"},
};
const unsigned char DcmGroupUnit2110B[][4] = {
    {0x21, 0x10, 0x00, 0x00},
    {0x21, 0x10, 0x00, 0x10},
    {0x21, 0x10, 0x00, 0x20},
    {0x21, 0x10, 0x00, 0x30},
};
const DCMFIELD DcmGroupField2110[] = {
    {offsetof(DCMGROUP2110, GroupLength), DCMF_U32, 0},
    {offsetof(DCMGROUP2110, PrinterStatus), DCMF_TEXT, 16},
    {offsetof(DCMGROUP2110, PrinterStatusInfo), DCMF_TEXT, 16},
    {offsetof(DCMGROUP2110, PrinterName), DCMF_TEXT, 64},
};

const char *const DcmGroupUnit4008[][2] = {
    {"Group Length", "22"},
    {"Results ID", "15"},
    {"Results ID Issuer", "10"},
    {"Referenced Interpretation Sequence", "17"},
    {"Interpretation Recorded Date", "4"},
    {"Interpretation Recorded Time", "20"},
    {"Interpretation Recorder", "14"},
    {"Reference to Recorded Sound", "10"},
    {"Interpretation Transcription Date", "4"},
    {"Interpretation Transcription Time", "20"},
    {"Interpretation Transcriber", "14"},
    {"Interpretation Text", "19"},
    {"Interpretation Author", "14"},
    {"Interpretation Approver Sequence", "17"},
    {"Interpretation Approval Date", "4"},
    {"Interpretation Approval Time", "20"},
    {"Physician Approving Interpretation", "14"},
    {"Interpretation Diagnosis Description", "11"},
    {"Diagnosis Code Sequence", "17"},
    {"Results Distribution List Sequence", "17"},
    {"Distribution Name", "14"},
    {"Distribution Address", "10"},
    {"Interpretation ID", "15"},
    {"Interpretation ID Issuer", "10"},
    {"Interpretation Type ID", "3"},
    {"Interpretation Status ID", "3"},
    {"Impressions", "19"},
    {"Results Comments", "19"},
};
const unsigned char DcmGroupUnit4008B[][4] = {
    {0x40, 0x08, 0x00, 0x00}, {0x40, 0x08, 0x00, 0x40}, {0x40, 0x08, 0x00, 0x42},
    {0x40, 0x08, 0x00, 0x50}, {0x40, 0x08, 0x01, 0x00}, {0x40, 0x08, 0x01, 0x01},
    {0x40, 0x08, 0x01, 0x02}, {0x40, 0x08, 0x01, 0x03}, {0x40, 0x08, 0x01, 0x08},
    {0x40, 0x08, 0x01, 0x09}, {0x40, 0x08, 0x01, 0x0A}, {0x40, 0x08, 0x01, 0x0B},
    {0x40, 0x08, 0x01, 0x0C}, {0x40, 0x08, 0x01, 0x11}, {0x40, 0x08, 0x01, 0x12},
    {0x40, 0x08, 0x01, 0x13}, {0x40, 0x08, 0x01, 0x14}, {0x40, 0x08, 0x01, 0x15},
    {0x40, 0x08, 0x01, 0x17}, {0x40, 0x08, 0x01, 0x18}, {0x40, 0x08, 0x01, 0x19},
    {0x40, 0x08, 0x01, 0x1A}, {0x40, 0x08, 0x02, 0x00}, {0x40, 0x08, 0x02, 0x02},
    {0x40, 0x08, 0x02, 0x10}, {0x40, 0x08, 0x02, 0x12}, {0x40, 0x08, 0x03, 0x00},
    {0x40, 0x08, 0x40, 0x00},
};
const DCMFIELD DcmGroupField4008[] = {
    {offsetof(DCMGROUP4008, GroupLength), DCMF_U32, 0},
    {offsetof(DCMGROUP4008, ResultsID), DCMF_TEXT, 16},
    {offsetof(DCMGROUP4008, ResultsIDIssuer), DCMF_TEXT, 64},
    {offsetof(DCMGROUP4008, ReferencedInterpretationSequence), DCMF_U16IN32, 0},
    {offsetof(DCMGROUP4008, InterpretationRecordedDate), DCMF_TEXT, 10},
    {offsetof(DCMGROUP4008, InterpretationRecordedTime), DCMF_TEXT, 16},
    {offsetof(DCMGROUP4008, InterpretationRecorder), DCMF_TEXT, 64},
    {offsetof(DCMGROUP4008, ReferenceToRecordedSound), DCMF_TEXT, 64},
    {offsetof(DCMGROUP4008, InterpretationTranscriptionDate), DCMF_TEXT, 10},
    {offsetof(DCMGROUP4008, InterpretationTranscriptionTime), DCMF_TEXT, 16},
    {offsetof(DCMGROUP4008, InterpretationTranscriber), DCMF_TEXT, 64},
    {offsetof(DCMGROUP4008, InterpretationText), DCMF_TEXT, 1024},
    {offsetof(DCMGROUP4008, InterpretationAuthor), DCMF_TEXT, 64},
    {offsetof(DCMGROUP4008, InterpretationApproverSequence), DCMF_U16IN32, 0},
    {offsetof(DCMGROUP4008, InterpretationApprovalDate), DCMF_TEXT, 10},
    {offsetof(DCMGROUP4008, InterpretationApprovalTime), DCMF_TEXT, 16},
    {offsetof(DCMGROUP4008, PhysicianApprovingInterpretation), DCMF_TEXT, 64},
    {offsetof(DCMGROUP4008, InterpretationDiagnosisDescription), DCMF_TEXT, 1024},
    {offsetof(DCMGROUP4008, DiagnosisCodeSequence), DCMF_U16IN32, 0},
    {offsetof(DCMGROUP4008, ResultsDistributionListSequence), DCMF_U16IN32, 0},
    {offsetof(DCMGROUP4008, DistributionName), DCMF_TEXT, 64},
    {offsetof(DCMGROUP4008, DistributionAddress), DCMF_TEXT, 64},
    {offsetof(DCMGROUP4008, InterpretationID), DCMF_TEXT, 16},
    {offsetof(DCMGROUP4008, InterpretationIDIssuer), DCMF_TEXT, 64},
    {offsetof(DCMGROUP4008, InterpretationTypeID), DCMF_TEXT, 16},
    {offsetof(DCMGROUP4008, InterpretationStatusID), DCMF_TEXT, 16},
    {offsetof(DCMGROUP4008, Impressions), DCMF_TEXT, 1024},
    {offsetof(DCMGROUP4008, ResultsComments), DCMF_TEXT, 1024},
};

const char *const DcmGroupUnit50xx[][2] = {
    {"Group Length", "22"},
    {"Curve Dimensions", "23"},
    {"Number of Points", "23"},
    {"Type of Data", "3"},
    {"Curve Description", "10"},
    {"Axis Units", "15"},
    {"Axis Labels ", "15"},
    {"Data Value Representation", "23"},
    {"Minimum Coordinate Value", "23"},
    {"Maximum Coordinate Value", "23"},
    {"Curve Range", "15"},
    {"Curve Data Descriptor", "23"},
    {"Coordinate Start Value", "23"},
    {"Coordinate Step Value", "23"},
    {"Audio Type", "23"},
    {"Audio Sample Format", "23"},
    {"Number of Channels", "23"},
    {"Number of Samples", "22"},
    {"Sample Rate", "22"},
    {"Total Time", "22"},
    {"Audio Sample Data", "24"},
    {"Audio Comments", "11"},
    {"Curve Data", "24"},
};
const unsigned char DcmGroupUnit50xxB[][4] = {
    {0x50, 0x00, 0x00, 0x00}, {0x50, 0x00, 0x00, 0x05}, {0x50, 0x00, 0x00, 0x10},
    {0x50, 0x00, 0x00, 0x20}, {0x50, 0x00, 0x00, 0x22}, {0x50, 0x00, 0x00, 0x30},
    {0x50, 0x00, 0x00, 0x40}, {0x50, 0x00, 0x01, 0x03}, {0x50, 0x00, 0x01, 0x04},
    {0x50, 0x00, 0x01, 0x05}, {0x50, 0x00, 0x01, 0x06}, {0x50, 0x00, 0x01, 0x10},
    {0x50, 0x00, 0x01, 0x12}, {0x50, 0x00, 0x01, 0x14}, {0x50, 0x00, 0x20, 0x00},
    {0x50, 0x00, 0x20, 0x02}, {0x50, 0x00, 0x20, 0x04}, {0x50, 0x00, 0x20, 0x06},
    {0x50, 0x00, 0x20, 0x08}, {0x50, 0x00, 0x20, 0x0A}, {0x50, 0x00, 0x20, 0x0C},
    {0x50, 0x00, 0x20, 0x0E}, {0x50, 0x00, 0x30, 0x00},
};
const DCMFIELD DcmGroupField50xx[] = {
    {offsetof(DCMGROUP50XX, GroupLength), DCMF_U32, 0},
    {offsetof(DCMGROUP50XX, CurveDimensions), DCMF_U16, 0},
    {offsetof(DCMGROUP50XX, NumberOfPoints), DCMF_U16, 0},
    {offsetof(DCMGROUP50XX, TypeOfData), DCMF_TEXT, 16},
    {offsetof(DCMGROUP50XX, CurveDescription), DCMF_TEXT, 64},
    {offsetof(DCMGROUP50XX, AxisUnits), DCMF_TEXT, 16},
    {offsetof(DCMGROUP50XX, AxisLabels), DCMF_TEXT, 16},
    {offsetof(DCMGROUP50XX, DataValueRepresentation), DCMF_U16, 0},
    {offsetof(DCMGROUP50XX, MinimumCoordinateValue), DCMF_U16, 0},
    {offsetof(DCMGROUP50XX, MaximumCoordinateValue), DCMF_U16, 0},
    {offsetof(DCMGROUP50XX, CurveRange), DCMF_TEXT, 16},
    {offsetof(DCMGROUP50XX, CurveDataDescriptor), DCMF_U16, 0},
    {offsetof(DCMGROUP50XX, CoordinateStartValue), DCMF_U16, 0},
    {offsetof(DCMGROUP50XX, CoordinateStepValue), DCMF_U16, 0},
    {offsetof(DCMGROUP50XX, AudioType), DCMF_U16, 0},
    {offsetof(DCMGROUP50XX, AudioSampleFormat), DCMF_U16, 0},
    {offsetof(DCMGROUP50XX, NumberOfChannels), DCMF_U16, 0},
    {offsetof(DCMGROUP50XX, NumberOfSamples), DCMF_U32, 0},
    {offsetof(DCMGROUP50XX, SampleRate), DCMF_U32, 0},
    {offsetof(DCMGROUP50XX, TotalTime), DCMF_U32, 0},
    {offsetof(DCMGROUP50XX, AudioSampleData), DCMF_U16, 0},
    {offsetof(DCMGROUP50XX, AudioComments), DCMF_TEXT, 1024},
    {offsetof(DCMGROUP50XX, CurveData), DCMF_U16, 0},
};

const char *const DcmGroupUnit60xx[][2] = {
    {"Group Length", "22"},
    {"Rows", "23"},
    {"Columns", "23"},
    {"Number of Frames in Overlay", "9"},
    {"Overlay Type", "3"},
    {"Origin", "18"},
    {"Bits Allocated", "23"},
    {"Bit Position", "23"},
    {"Overlay Descriptor - Gray", "23"},
    {"Overlay Descriptor - Red", "23"},
    {"Overlay Descriptor - Green", "23"},
    {"Overlay Descriptor - Blue", "23"},
    {"Overlays - Gray", "23"},
    {"Overlays - Red", "23"},
    {"Overlays - Green", "23"},
    {"Overlays - Blue", "23"},
    {"ROI Area", "9"},
    {"ROI Mean", "5"},
    {"ROI Standard Deviation", "5"},
    {"Overlay Data", "13"},
};
const unsigned char DcmGroupUnit60xxB[][4] = {
    {0x60, 0x00, 0x00, 0x00}, {0x60, 0x00, 0x00, 0x10}, {0x60, 0x00, 0x00, 0x11},
    {0x60, 0x00, 0x00, 0x15}, {0x60, 0x00, 0x00, 0x40}, {0x60, 0x00, 0x00, 0x50},
    {0x60, 0x00, 0x01, 0x00}, {0x60, 0x00, 0x01, 0x02}, {0x60, 0x00, 0x11, 0x00},
    {0x60, 0x00, 0x11, 0x01}, {0x60, 0x00, 0x11, 0x02}, {0x60, 0x00, 0x11, 0x03},
    {0x60, 0x00, 0x12, 0x00}, {0x60, 0x00, 0x12, 0x01}, {0x60, 0x00, 0x12, 0x02},
    {0x60, 0x00, 0x12, 0x03}, {0x60, 0x00, 0x13, 0x01}, {0x60, 0x00, 0x13, 0x02},
    {0x60, 0x00, 0x13, 0x03}, {0x60, 0x00, 0x30, 0x00},
};
const DCMFIELD DcmGroupField60xx[] = {
    {offsetof(DCMGROUP60XX, GroupLength), DCMF_U32, 0},
    {offsetof(DCMGROUP60XX, Rows), DCMF_U16, 0},
    {offsetof(DCMGROUP60XX, Columns), DCMF_U16, 0},
    {offsetof(DCMGROUP60XX, NumberOfFramesInOverlay), DCMF_TEXT, 12},
    {offsetof(DCMGROUP60XX, OverlayType), DCMF_TEXT, 16},
    {offsetof(DCMGROUP60XX, Origin), DCMF_U16, 0},
    {offsetof(DCMGROUP60XX, BitsAllocated), DCMF_U16, 0},
    {offsetof(DCMGROUP60XX, BitPosition), DCMF_U16, 0},
    {offsetof(DCMGROUP60XX, OverlayDescriptorGray), DCMF_U16, 0},
    {offsetof(DCMGROUP60XX, OverlayDescriptorRed), DCMF_U16, 0},
    {offsetof(DCMGROUP60XX, OverlayDescriptorGreen), DCMF_U16, 0},
    {offsetof(DCMGROUP60XX, OverlayDescriptorBlue), DCMF_U16, 0},
    {offsetof(DCMGROUP60XX, OverlaysGray), DCMF_U16, 0},
    {offsetof(DCMGROUP60XX, OverlaysRed), DCMF_U16, 0},
    {offsetof(DCMGROUP60XX, OverlaysGreen), DCMF_U16, 0},
    {offsetof(DCMGROUP60XX, OverlaysBlue), DCMF_U16, 0},
    {offsetof(DCMGROUP60XX, ROIArea), DCMF_TEXT, 12},
    {offsetof(DCMGROUP60XX, ROIMean), DCMF_TEXT, 16},
    {offsetof(DCMGROUP60XX, ROIStandardDeviation), DCMF_TEXT, 16},
    {offsetof(DCMGROUP60XX, OverlayData), DCMF_RAW, 4},
};

const char *const DcmGroupUnitFFFE[][2] = {
    {"Group Length", "22"},
    {"Pixel Data", "24"},
    {"Item", "24"},
    {"Item Delimitation Item", "24"},
    {"Sequence Delimitation Item", "24"},
};
const unsigned char DcmGroupUnitFFFEB[][4] = {
    {0x7F, 0xE0, 0x00, 0x00}, {0x7F, 0xE0, 0x00, 0x10}, {0xFF, 0xFE, 0xE0, 0x00},
    {0xFF, 0xFE, 0xE0, 0x0D}, {0xFF, 0xFE, 0xE0, 0xDD},
};
const DCMFIELD DcmGroupFieldFFFE[] = {
    {offsetof(DCMGROUPFFFE, GroupLength), DCMF_U32, 0},
    {offsetof(DCMGROUPFFFE, PixelData), DCMF_U16IN32, 0},
    {offsetof(DCMGROUPFFFE, Item), DCMF_U16IN32, 0},
    {offsetof(DCMGROUPFFFE, ItemDelimitationItem), DCMF_U16IN32, 0},
    {offsetof(DCMGROUPFFFE, SequenceDelimitationItem), DCMF_U16IN32, 0},
};

#define DCM_GROUP_DEF(g, T)                                                                        \
    {                                                                                              \
#g, DcmGroupUnit##g, DcmGroupUnit##g##B, int(sizeof DcmGroupUnit##g##B / 4),               \
            DcmGroupField##g, sizeof(T), offsetof(DCMGROUPS, dcmgroup##g)                          \
    }

const DCMGROUPDEF DcmGroupDef[DCM_GROUPS] = {
    DCM_GROUP_DEF(0000, DCMGROUP0000), DCM_GROUP_DEF(0002, DCMGROUP0002),
    DCM_GROUP_DEF(0004, DCMGROUP0004), DCM_GROUP_DEF(0008, DCMGROUP0008),
    DCM_GROUP_DEF(0010, DCMGROUP0010), DCM_GROUP_DEF(0018, DCMGROUP0018),
    DCM_GROUP_DEF(0020, DCMGROUP0020), DCM_GROUP_DEF(0028, DCMGROUP0028),
    DCM_GROUP_DEF(0032, DCMGROUP0032), DCM_GROUP_DEF(0038, DCMGROUP0038),
    DCM_GROUP_DEF(0088, DCMGROUP0088), DCM_GROUP_DEF(2000, DCMGROUP2000),
    DCM_GROUP_DEF(2010, DCMGROUP2010), DCM_GROUP_DEF(2020, DCMGROUP2020),
    DCM_GROUP_DEF(2030, DCMGROUP2030), DCM_GROUP_DEF(2040, DCMGROUP2040),
    DCM_GROUP_DEF(2100, DCMGROUP2100), DCM_GROUP_DEF(2110, DCMGROUP2110),
    DCM_GROUP_DEF(4008, DCMGROUP4008), DCM_GROUP_DEF(50xx, DCMGROUP50XX),
    DCM_GROUP_DEF(60xx, DCMGROUP60XX), DCM_GROUP_DEF(FFFE, DCMGROUPFFFE),
};
#undef DCM_GROUP_DEF

static const char dcm_tag[] = "dcm_struct";

void *DcmGroupCurrent(DCMGROUPS *groups, int group) {
    if (!groups || group < 0 || group >= DCM_GROUPS) return nullptr;
    return reinterpret_cast<uint8_t *>(groups) + DcmGroupDef[group].current;
}

long DcmGroupPaletteSize(const uint16_t *descriptor) {
    return 4L * descriptor[0];
}

// The buffer starts as the byte ramp 0, 1, 2, ... so a table the file does not hold reads as one.
static uint8_t *DcmPaletteCreate(const uint16_t *descriptor) {
    long n = descriptor[0];
    if (n == 0) return nullptr;
    auto *buf = static_cast<uint8_t *>(MemCreate(DcmGroupPaletteSize(descriptor), dcm_tag));
    if (!buf) return nullptr;
    memset(buf, 0, static_cast<size_t>(DcmGroupPaletteSize(descriptor)));
    for (long i = 0; i < n; i++)
        buf[i] = static_cast<uint8_t>(i);
    return buf;
}

int DcmGroupFillRow(int group, int row, const uint8_t *value, void *rec) {
    if (group < 0 || group >= DCM_GROUPS || !value || !rec) return WIN_ERROR_ARG;
    const DCMGROUPDEF &def = DcmGroupDef[group];
    if (row < 0 || row >= def.rows) return WIN_ERROR_ARG;
    const DCMFIELD &f = def.field[row];
    uint8_t *p = static_cast<uint8_t *>(rec) + f.offset;
    uint16_t w16 = static_cast<uint16_t>(value[0] | value[1] << 8);
    switch (f.kind) {
    case DCMF_TEXT:
        memcpy(p, value, f.aux);
        p[f.aux] = 0;
        break;
    case DCMF_RAW:
        memcpy(p, value, f.aux);
        break;
    case DCMF_U16:
    case DCMF_PALDESC:
        memcpy(p, &w16, sizeof w16);
        break;
    case DCMF_U32: {
        uint32_t w = value[0] | value[1] << 8 | value[2] << 16 | uint32_t(value[3]) << 24;
        memcpy(p, &w, sizeof w);
        break;
    }
    case DCMF_U16IN32: {
        uint32_t w = w16;
        memcpy(p, &w, sizeof w);
        break;
    }
    case DCMF_PALDATA: {
        uint16_t desc[3];
        memcpy(desc, static_cast<uint8_t *>(rec) + f.aux, sizeof desc);
        uint8_t *old;
        memcpy(&old, p, sizeof old);
        if (old) MemFree(old, dcm_tag);
        uint8_t *buf = DcmPaletteCreate(desc);
        memcpy(p, &buf, sizeof buf);
        break;
    }
    default:
        return FILE_QUIET;
    }
    return FILE_SUCCES;
}

int DcmGroupFillElement(int group, const uint8_t *value, int elo, int ehi, void *rec) {
    if (group < 0 || group >= DCM_GROUPS) return WIN_ERROR_ARG;
    const DCMGROUPDEF &def = DcmGroupDef[group];
    for (int row = 0; row < def.rows; row++)
        if (def.tag[row][3] == elo && def.tag[row][2] == ehi)
            return DcmGroupFillRow(group, row, value, rec);
    return WIN_ERROR_ARG;
}

int DcmGroupFill0000(const uint8_t *value, int elo, int ehi, DCMGROUP0000 *rec) {
    return DcmGroupFillElement(DCM_G0000, value, elo, ehi, rec);
}
int DcmGroupFill0002(const uint8_t *value, int elo, int ehi, DCMGROUP0002 *rec) {
    return DcmGroupFillElement(DCM_G0002, value, elo, ehi, rec);
}
int DcmGroupFill0004(const uint8_t *value, int elo, int ehi, DCMGROUP0004 *rec) {
    return DcmGroupFillElement(DCM_G0004, value, elo, ehi, rec);
}
int DcmGroupFill0008(const uint8_t *value, int elo, int ehi, DCMGROUP0008 *rec) {
    return DcmGroupFillElement(DCM_G0008, value, elo, ehi, rec);
}
int DcmGroupFill0010(const uint8_t *value, int elo, int ehi, DCMGROUP0010 *rec) {
    return DcmGroupFillElement(DCM_G0010, value, elo, ehi, rec);
}
int DcmGroupFill0018(const uint8_t *value, int elo, int ehi, DCMGROUP0018 *rec) {
    return DcmGroupFillElement(DCM_G0018, value, elo, ehi, rec);
}
int DcmGroupFill0020(const uint8_t *value, int elo, int ehi, DCMGROUP0020 *rec) {
    return DcmGroupFillElement(DCM_G0020, value, elo, ehi, rec);
}
int DcmGroupFill0028(const uint8_t *value, int elo, int ehi, DCMGROUP0028 *rec) {
    return DcmGroupFillElement(DCM_G0028, value, elo, ehi, rec);
}
int DcmGroupFill0032(const uint8_t *value, int elo, int ehi, DCMGROUP0032 *rec) {
    return DcmGroupFillElement(DCM_G0032, value, elo, ehi, rec);
}
int DcmGroupFill0038(const uint8_t *value, int elo, int ehi, DCMGROUP0038 *rec) {
    return DcmGroupFillElement(DCM_G0038, value, elo, ehi, rec);
}
int DcmGroupFill0088(const uint8_t *value, int elo, int ehi, DCMGROUP0088 *rec) {
    return DcmGroupFillElement(DCM_G0088, value, elo, ehi, rec);
}
int DcmGroupFill2000(const uint8_t *value, int elo, int ehi, DCMGROUP2000 *rec) {
    return DcmGroupFillElement(DCM_G2000, value, elo, ehi, rec);
}
int DcmGroupFill2010(const uint8_t *value, int elo, int ehi, DCMGROUP2010 *rec) {
    return DcmGroupFillElement(DCM_G2010, value, elo, ehi, rec);
}
int DcmGroupFill2020(const uint8_t *value, int elo, int ehi, DCMGROUP2020 *rec) {
    return DcmGroupFillElement(DCM_G2020, value, elo, ehi, rec);
}
int DcmGroupFill2030(const uint8_t *value, int elo, int ehi, DCMGROUP2030 *rec) {
    return DcmGroupFillElement(DCM_G2030, value, elo, ehi, rec);
}
int DcmGroupFill2040(const uint8_t *value, int elo, int ehi, DCMGROUP2040 *rec) {
    return DcmGroupFillElement(DCM_G2040, value, elo, ehi, rec);
}
int DcmGroupFill2100(const uint8_t *value, int elo, int ehi, DCMGROUP2100 *rec) {
    return DcmGroupFillElement(DCM_G2100, value, elo, ehi, rec);
}
int DcmGroupFill2110(const uint8_t *value, int elo, int ehi, DCMGROUP2110 *rec) {
    return DcmGroupFillElement(DCM_G2110, value, elo, ehi, rec);
}
int DcmGroupFill4008(const uint8_t *value, int elo, int ehi, DCMGROUP4008 *rec) {
    return DcmGroupFillElement(DCM_G4008, value, elo, ehi, rec);
}
int DcmGroupFill50xx(const uint8_t *value, int elo, int ehi, DCMGROUP50XX *rec) {
    return DcmGroupFillElement(DCM_G50XX, value, elo, ehi, rec);
}
int DcmGroupFill60xx(const uint8_t *value, int elo, int ehi, DCMGROUP60XX *rec) {
    return DcmGroupFillElement(DCM_G60XX, value, elo, ehi, rec);
}
int DcmGroupFillFFFE(const uint8_t *value, int elo, int ehi, DCMGROUPFFFE *rec) {
    return DcmGroupFillElement(DCM_GFFFE, value, elo, ehi, rec);
}

static uint8_t **DcmPaletteSlot(DCMGROUP0028 *rec, int colour) {
    switch (colour) {
    case 0:
        return &rec->RedPaletteColorLookupTableData;
    case 1:
        return &rec->GreenPaletteColorLookupTableData;
    default:
        return &rec->BluePaletteColorLookupTableData;
    }
}

static const uint16_t *DcmPaletteDescriptor(const DCMGROUP0028 *rec, int colour) {
    switch (colour) {
    case 0:
        return rec->RedPaletteColorLookupTableDescriptor;
    case 1:
        return rec->GreenPaletteColorLookupTableDescriptor;
    default:
        return rec->BluePaletteColorLookupTableDescriptor;
    }
}

void DcmGroupPaletteRelease(DCMGROUP0028 *rec) {
    if (!rec) return;
    for (int c = 0; c < 3; c++) {
        uint8_t **slot = DcmPaletteSlot(rec, c);
        if (*slot) MemFree(*slot, dcm_tag);
        *slot = nullptr;
    }
}

int DcmGroupPaletteCopy(DCMGROUP0028 *dst, const DCMGROUP0028 *src) {
    if (!dst || !src) return WIN_ERROR_ARG;
    for (int c = 0; c < 3; c++)
        *DcmPaletteSlot(dst, c) = nullptr;
    for (int c = 0; c < 3; c++) {
        const uint8_t *from = *DcmPaletteSlot(const_cast<DCMGROUP0028 *>(src), c);
        if (!from) continue;
        long size = DcmGroupPaletteSize(DcmPaletteDescriptor(src, c));
        auto *buf = static_cast<uint8_t *>(MemCreate(size, dcm_tag));
        if (!buf) {
            DcmGroupPaletteRelease(dst);
            return WIN_ERROR_MEMORY;
        }
        memcpy(buf, from, static_cast<size_t>(size));
        *DcmPaletteSlot(dst, c) = buf;
    }
    return FILE_SUCCES;
}
