// dravik-tool archive: search and retrieve studies of a DICOMweb archive.
#pragma once

// archive find ARCHIVE [--patient NAME] [--id ID] [--date FROM-TO] [--modality M]
// archive get ARCHIVE STUDY_UID [SERIES_UID] OUTDIR
// Exit status 3 when the archive refuses the credential.
int ToolArchive(int argc, char **argv);
