// Start-up, the main window and the event loop.
#include <cstdio>

#ifndef DRAVIK_LIBRARY
int main() {
    fputs("dravik: not yet able to start\n", stderr);
    return 1;
}
#endif
