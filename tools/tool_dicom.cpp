#include "tools/tool_dicom.h"

#include "dicom/io_dcmdump.h"
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

int ToolDicomDump(int argc, char **argv) {
    if (argc != 1) return ToolFail("usage: dump FILE");
    if (ToolInputCheck(argv[0])) return 1;
    DCMDUMP d = {};
    int rc = DcmDumpFile(argv[0], &d);
    if (rc == -104 || rc == -8) {
        DcmDumpRelease(&d);
        return ToolFail("%s: %s", argv[0], rc == -8 ? "out of memory" : "cannot be read");
    }
    char line[1024];
    for (int i = 0; i < d.count; i++) {
        DcmDumpRowText(&d.row[i], DCMDUMP_TEXT_TOOL, line, sizeof line);
        puts(line);
    }
    DcmDumpRelease(&d);
    return rc == 100 ? 0 : ToolFail("%s: the listing stops where the data breaks", argv[0]);
}
