// Tagged allocation: every heap block of the program goes through these.
#pragma once

#include <atomic>
#include <cstddef>

// Failed allocations so far; any thread may fail one.
extern std::atomic<int> _MemErr;

void *MemCreate(long size, const char *tag);
void *MemRealloc(void *ptr, long size, const char *tag);
int MemFree(void *ptr, const char *tag);
int MemFreeArray(void **array, const char *tag, int from, int to, int free_array);
