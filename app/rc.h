// Settings and the configuration file.
#pragma once

extern int AskProgramExit;
extern int TbFile;
extern int TbDicom;

int ProgramResInit();
int ProgramResFileRead();
int ProgramEnd();
