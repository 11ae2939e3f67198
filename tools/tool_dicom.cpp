#include "tools/tool_dicom.h"

#include "dicom/io_dicom.h"
#include "tools/dravik_tool.h"

int ToolDicomInfo(const FILEINFO *fi, FILE *out) {
    DICOMINFO info;
    if (DicomInfoGet(fi, &info) != 100) return ToolFail("no DICOM header in the image record");
    fprintf(out, "photometric=%s\n", info.photometric);
    fprintf(out, "transfer_syntax=%s\n", info.transfer_syntax);
    fprintf(out, "patient_name=%s\n", info.patient_name);
    fprintf(out, "description=%s\n", info.description);
    return 0;
}
