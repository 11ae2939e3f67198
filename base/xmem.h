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

// The whole pages inside [from, to) leave memory: an anonymous page reads as zeros if touched
// again, a clean page of a private file mapping comes back from the file.
void MemPagesDrop(const void *from, const void *to);
// Asks for huge pages on the whole 2 MiB pages inside [p, p + size): a buffer touched once from
// end to end then costs one page fault per 2 MiB instead of one per 4 KiB.
void MemHugePages(void *p, size_t size);
