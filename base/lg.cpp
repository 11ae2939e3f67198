#include "base/lg.h"

#include "base/language.h"

int LG_DEFAULT = 1;

static const char *LgText(const char *const *table, int row, int language) {
    if (language < 0 || language >= LG_COLUMNS) return nullptr;
    return table[row * LG_COLUMNS + language];
}

const char *LgRes(int row, int language) {
    return LgText(szresL, row, language);
}
const char *LgAct(int row, int language) {
    return LgText(szactL, row, language);
}
const char *LgErr(int row, int language) {
    return LgText(szerrL, row, language);
}
const char *LgWarn(int row, int language) {
    return LgText(szwarnL, row, language);
}
const char *LgBoxTitel(int row, int language) {
    return LgText(szboxtitelL, row, language);
}

int verbose = 0;
