#include "app/startup.h"

#include "app/main.h"
#include "app/menus.h"
#include "app/rc.h"
#include "base/language.h"
#include "render/ximage.h"
#include "toolkit/xcolor.h"
#include "toolkit/xinit.h"

int MainToolkitSetup(Display *d, int language) {
    if (!d) return -19;
    main_display = d;
    if (LanguageLabelMemInit() == -8 || WinMemInit() != 0) return -8;
    main_screen_number = DefaultScreen(d);
    main_root = RootWindow(d, main_screen_number);
    main_colormap = DefaultColormap(d, main_screen_number);
    main_depth = DefaultDepth(d, main_screen_number);
    if (MainDepthCheck(main_depth) != 0) return -6;
    main_visual = DefaultVisual(d, main_screen_number);

    ProgramResInit();
    ColorStep1LibInit(d);
    ImageDisplaySetup(d);
    // After the colour defaults for this visual, which the file's colour entries override.
    if (language < 0)
        ProgramResFileRead();
    else
        opt_rt[2] = language;
    ColorStep2FontLibInit(d);
    LanguageLabelInit(opt_rt[2]);
    LanguageMenuInit(d, opt_rt[2]);
    LanguageMenuProgInit(d, opt_rt[2]);
    return 0;
}
