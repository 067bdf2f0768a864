// Memory figures and the process-wide session record, on both platforms.
#include <gtest/gtest.h>

#include <stdint.h>

#include <atomic>
#include <thread>
#include <vector>

#include "memory_info_platform.h"
#include "session_info_platform.h"
#include "utilglobal.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace {

TEST(MemoryInfo, KibFiguresAreClampedNotWrapped) {
    const uint64_t gib = (uint64_t)1 << 30;
    EXPECT_EQ(kibFromBytes(0), 0u);
    EXPECT_EQ(kibFromBytes(1023), 0u);
    EXPECT_EQ(kibFromBytes(2 * gib), 2u * 1024 * 1024);
    EXPECT_EQ(kibFromBytes(16 * gib), 16u * 1024 * 1024);
    EXPECT_EQ(kibFromBytes(4096 * gib - 1024), UINT32_MAX);  // the last figure that fits
    EXPECT_EQ(kibFromBytes(4096 * gib), UINT32_MAX);         // 2^32 KiB would wrap to 0
    EXPECT_EQ(kibFromBytes(UINT64_MAX), UINT32_MAX);
}

TEST(MemoryInfo, FiguresOfThisMachine) {
    getMemoryInfo(nullptr);
    MemoryInfo memory;
    getMemoryInfo(&memory);
    EXPECT_GT(memory.totalPhys, 0u);
    EXPECT_LE(memory.availPhys, memory.totalPhys);
    EXPECT_GE(memory.totalPageFile, memory.totalPhys) << "the commit limit includes the memory";
    EXPECT_GT(memory.totalVirtual, 0u);
    EXPECT_LE(memory.availVirtual, memory.totalVirtual);
#ifdef _WIN32
    // Where the 32-bit status stops at 2 GiB, the figure goes beyond it.
    MEMORYSTATUS capped;
    capped.dwLength = sizeof capped;
    GlobalMemoryStatus(&capped);
    if (capped.dwTotalPhys >= 0x7fffffff) {
        EXPECT_GT(memory.totalPhys, 0x7fffffffu / 1024);
    }
#else
    const uint64_t bytes = (uint64_t)sysconf(_SC_PHYS_PAGES) * (uint64_t)sysconf(_SC_PAGESIZE);
    EXPECT_EQ(memory.totalPhys, kibFromBytes(bytes));
#endif
}

TEST(SessionRecord, ThreadsRacingOnTheFirstCallShareOneFill) {
    const int kThreads = 16;
    std::atomic<int> ready{0};
    std::vector<const SessionInfo*> seen(kThreads);
    std::vector<std::thread> threads;
    for (int i = 0; i < kThreads; ++i) {
        threads.emplace_back([&, i] {
            ++ready;
            while (ready < kThreads) std::this_thread::yield();
            seen[i] = processSessionInfo();
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(processSessionInfoFills(), 1);
    for (const SessionInfo* record : seen) EXPECT_EQ(record, seen[0]);
    EXPECT_NE(seen[0]->userHome, nullptr) << "complete when read";
    processSessionInfo();
    EXPECT_EQ(processSessionInfoFills(), 1);
}

}  // namespace
