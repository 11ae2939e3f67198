#include "base/xmem.h"

#include "base/lg.h"
#include "base/xerror.h"

#include <cstdio>
#include <cstdint>
#include <cstdlib>
#include <sys/mman.h>
#include <unistd.h>

std::atomic<int> _MemErr{0};

// Counts a reported failure; the 22nd one ends the program, since it is then out of memory for
// good and every further step would only fail again.
static void MemErrCount(long size) {
    int n = _MemErr++;
    if (n > 20) {
        fprintf(stderr, "\n%s %s: %li\n", LgRes(50, LG_DEFAULT), LgRes(31, LG_DEFAULT), size);
        fprintf(stderr, "ErrNr:%i %s-%s -> %s\n\n", n, LgRes(50, LG_DEFAULT), LgRes(21, LG_DEFAULT),
                LgRes(17, LG_DEFAULT));
        exit(-1);
    }
}

void *MemCreate(long size, const char *tag) {
    if (size <= 0) {
        char text[200];
        snprintf(text, sizeof text, "%s %s: %li", LgRes(50, LG_DEFAULT), LgRes(31, LG_DEFAULT),
                 size);
        MsgErrWin(LG_DEFAULT, text, -15);
        MemErrCount(size);
        return nullptr;
    }
    void *p = malloc(static_cast<size_t>(size));
    if (p) return p;
    MsgErrWin(LG_DEFAULT, tag, -8);
    MemErrCount(size);
    return nullptr;
}

void *MemRealloc(void *ptr, long size, const char *tag) {
    void *p = size > 0 ? realloc(ptr, static_cast<size_t>(size)) : nullptr;
    if (!p) MsgErrWin(LG_DEFAULT, tag, -8);
    return p;
}

int MemFree(void *ptr, const char *tag) {
    if (!ptr) return MsgErrWin(LG_DEFAULT, tag, -9);
    free(ptr);
    return 0;
}

int MemFreeArray(void **array, const char *tag, int from, int to, int free_array) {
    if (!array) return -8;
    if (to < 1 || from < 0) return -15;
    for (int i = from; i < to; i++) {
        if (!array[i]) continue;
        MemFree(array[i], tag);
        array[i] = nullptr;
    }
    if (free_array) MemFree(array, tag);
    return 0;
}

static void MemAdvise(uintptr_t a, uintptr_t b, uintptr_t page, int advice) {
    a = (a + page - 1) & ~(page - 1);
    b &= ~(page - 1);
    if (b > a) madvise(reinterpret_cast<void *>(a), b - a, advice);
}

void MemPagesDrop(const void *from, const void *to) {
    MemAdvise(reinterpret_cast<uintptr_t>(from), reinterpret_cast<uintptr_t>(to),
              uintptr_t(sysconf(_SC_PAGESIZE)), MADV_DONTNEED);
}

void MemHugePages(void *p, size_t size) {
    const uintptr_t a = reinterpret_cast<uintptr_t>(p);
    MemAdvise(a, a + size, uintptr_t(2) << 20, MADV_HUGEPAGE);
}
