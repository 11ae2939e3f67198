// The read dispatch: finds a file's type and hands it to its reader, and writes a picture in the
// type asked. It stands above every reader; no reader calls back into it.
#pragma once

#include "image/io_files.h"

// The record of the file's type, read as `mode` says (IO_READ_FULL or IO_READ_PROBE): the
// pixels of a full read, a non-null marker for a probe of a known type, else null.
void *IoFindOrReadFileTyp(FILEREQ *req, FILEINFO *fi, int mode);
// IoFindOrReadFileTyp with the status line cleared around it; a full read also keeps the
// file's name and size and makes the display image through the request's render callback.
void *IoReadFile(FILEREQ *req, FILEINFO *fi, int mode);
int IoSaveFile(FILEREQ *req, SAVEINFO *save);
