#include "app/rc.h"

#include "app/language.h"
#include "toolkit/xinit.h"

int AskProgramExit = 1;
int TbFile = 1;
int TbDicom = 1;

int ProgramResInit() {
    return 0;
}
int ProgramResFileRead() {
    return 0;
}

int ProgramEnd() {
    WinMemRemove();
    LanguageLabelMemDestroy();
    return 0;
}
