// dravik-tool album: create, add, list, extract and remove.
#pragma once

int ToolAlbum(int argc, char **argv);
