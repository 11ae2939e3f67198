// Label accessors: a text of a label table in the given language column.
#pragma once

// Language used for messages that have no window at hand.
extern int LG_DEFAULT;

const char *LgRes(int row, int language);
const char *LgAct(int row, int language);
const char *LgErr(int row, int language);
const char *LgWarn(int row, int language);
const char *LgBoxTitel(int row, int language);

// Extra tracing on stderr.
extern int verbose;
