// dravik-tool info and convert.
#pragma once

int ToolImageInfo(int argc, char **argv);
int ToolImageConvert(int argc, char **argv);
