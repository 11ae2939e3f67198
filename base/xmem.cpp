#include "base/xmem.h"

#include "base/lg.h"
#include "base/xerror.h"

#include <cstdio>
#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <signal.h>
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

struct MEMGUARD {
    std::atomic<uintptr_t> from{0}, to{0};
    std::atomic<int> cut{0};
};
static MEMGUARD mem_guards[16];
static struct sigaction mem_bus_prev;
static uintptr_t mem_page = 4096;

// A fault inside a guarded mapping gets a page of zeros there and the access goes on; any other
// bus error goes to the handler that was there before.
static void MemBusFault(int sig, siginfo_t *si, void *uc) {
    const uintptr_t a = reinterpret_cast<uintptr_t>(si->si_addr);
    for (MEMGUARD &g : mem_guards) {
        const uintptr_t from = g.from.load(), to = g.to.load();
        if (!from || a < from || a >= to) continue;
        void *page = reinterpret_cast<void *>(a & ~(mem_page - 1));
        if (mmap(page, mem_page, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0) ==
            MAP_FAILED)
            break;
        g.cut.store(1);
        return;
    }
    if (mem_bus_prev.sa_flags & SA_SIGINFO)
        mem_bus_prev.sa_sigaction(sig, si, uc);
    else if (mem_bus_prev.sa_handler != SIG_DFL && mem_bus_prev.sa_handler != SIG_IGN)
        mem_bus_prev.sa_handler(sig);
    else
        sigaction(SIGBUS, &mem_bus_prev, nullptr); // the access faults again, now fatally
}

bool MemMapOpen(int fd, long len, MEMMAP *m) {
    static std::once_flag installed;
    std::call_once(installed, [] {
        mem_page = uintptr_t(sysconf(_SC_PAGESIZE));
        struct sigaction sa = {};
        sa.sa_sigaction = MemBusFault;
        sa.sa_flags = SA_SIGINFO | SA_NODEFER;
        sigemptyset(&sa.sa_mask);
        sigaction(SIGBUS, &sa, &mem_bus_prev);
    });
    *m = {nullptr, 0, -1};
    if (len <= 0) return len == 0;
    void *p = mmap(nullptr, size_t(len), PROT_READ, MAP_PRIVATE, fd, 0);
    if (p == MAP_FAILED) return false;
    *m = {static_cast<const uint8_t *>(p), len, -1};
    for (int i = 0; i < int(sizeof mem_guards / sizeof mem_guards[0]); i++) {
        uintptr_t free = 0;
        MEMGUARD &g = mem_guards[i];
        if (!g.from.compare_exchange_strong(free, uintptr_t(1))) continue;
        g.cut.store(0);
        g.to.store(reinterpret_cast<uintptr_t>(p) + uintptr_t(len));
        g.from.store(reinterpret_cast<uintptr_t>(p));
        m->slot = i;
        break;
    }
    return true;
}

bool MemMapClose(MEMMAP *m) {
    if (!m || !m->data) return false;
    bool cut = false;
    if (m->slot >= 0) {
        MEMGUARD &g = mem_guards[m->slot];
        cut = g.cut.load();
        g.to.store(0);
        g.from.store(0);
    }
    munmap(const_cast<uint8_t *>(m->data), size_t(m->len));
    *m = {nullptr, 0, -1};
    return cut;
}
