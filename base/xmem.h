// Tagged allocation: every heap block of the program goes through these.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

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

// A read-only private mapping of a file in which a page that another program cuts off the file
// reads as zeros instead of ending the program with a bus error.
struct MEMMAP {
    const uint8_t *data;
    long len;
    int slot; // the guard's slot, or -1 when every slot is taken and the mapping is unguarded
};
// False when the file cannot be mapped; a length of 0 gives an empty mapping.
bool MemMapOpen(int fd, long len, MEMMAP *m);
// Unmaps; true when pages were lost to a cut while the file was mapped.
bool MemMapClose(MEMMAP *m);
