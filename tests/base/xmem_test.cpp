#include "base/xmem.h"

#include <csetjmp>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

// A file of `pages` pages of 0x5A, open for reading and writing, removed from its folder.
static int PagesFile(long pages) {
    char path[] = "/tmp/dravik-xmem-XXXXXX";
    int fd = mkstemp(path);
    if (fd >= 0) unlink(path);
    const std::string bytes(size_t(pages * sysconf(_SC_PAGESIZE)), '\x5A');
    if (fd >= 0 && write(fd, bytes.data(), bytes.size()) != ssize_t(bytes.size())) return -1;
    return fd;
}

TEST(MemMap, PagesCutOffTheFileReadAsZerosAndTheCloseSaysSo) {
    const long page = sysconf(_SC_PAGESIZE);
    int fd = PagesFile(3);
    ASSERT_GE(fd, 0);
    MEMMAP m;
    ASSERT_TRUE(MemMapOpen(fd, 3 * page, &m));
    ASSERT_GE(m.slot, 0);
    EXPECT_EQ(m.data[2 * page], 0x5A);
    MEMMAP intact;
    ASSERT_TRUE(MemMapOpen(fd, page, &intact));
    ASSERT_EQ(ftruncate(fd, page), 0);
    // The first page is still the file's, the lost ones are zeros.
    EXPECT_EQ(m.data[0], 0x5A);
    EXPECT_EQ(m.data[page + 1], 0);
    EXPECT_EQ(m.data[3 * page - 1], 0);
    EXPECT_TRUE(MemMapClose(&m));
    EXPECT_EQ(intact.data[page - 1], 0x5A);
    EXPECT_FALSE(MemMapClose(&intact));
    close(fd);
}

static sigjmp_buf bus_jump;
static void BusCaught(int) {
    siglongjmp(bus_jump, 1);
}

// The tool ends a run with a message on a bus error in its own mappings: those faults still
// reach the handler it installed.
TEST(MemMap, OtherBusErrorsGoToTheHandlerThatWasThereBefore) {
    struct sigaction sa = {}, old;
    sa.sa_handler = BusCaught;
    sigaction(SIGBUS, &sa, &old);
    const long page = sysconf(_SC_PAGESIZE);
    int fd = PagesFile(2);
    ASSERT_GE(fd, 0);
    MEMMAP guarded;
    ASSERT_TRUE(MemMapOpen(fd, page, &guarded)); // puts the guard's handler in front
    struct sigaction now;
    sigaction(SIGBUS, nullptr, &now);
    if (!(now.sa_flags & SA_SIGINFO)) {
        MemMapClose(&guarded);
        close(fd);
        sigaction(SIGBUS, &old, nullptr);
        GTEST_SKIP() << "an earlier test in this process installed the guard";
    }
    auto *plain = static_cast<volatile uint8_t *>(
        mmap(nullptr, size_t(2 * page), PROT_READ, MAP_PRIVATE, fd, 0));
    ASSERT_NE(plain, MAP_FAILED);
    ASSERT_EQ(ftruncate(fd, page), 0);
    volatile int caught = 0;
    if (sigsetjmp(bus_jump, 1) == 0)
        (void)plain[page];
    else
        caught = 1;
    EXPECT_EQ(caught, 1);
    munmap(const_cast<uint8_t *>(plain), size_t(2 * page));
    EXPECT_FALSE(MemMapClose(&guarded));
    close(fd);
    sigaction(SIGBUS, &old, nullptr);
}
