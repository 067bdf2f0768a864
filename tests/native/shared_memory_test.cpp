// Named shared memory without Java: the Win32 file mappings under Wine, the
// POSIX shared memory objects on Linux.
#include <gtest/gtest.h>

#include <string.h>

#include <string>

#include "shared_memory.h"
#include "test_support.h"

#ifdef _WIN32
#include <process.h>
#define getpid _getpid
#else
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <filesystem>
#include <thread>
#include <vector>
#endif

using namespace tarvo_test;

namespace {

const int kNotFound = 2;  // ERROR_FILE_NOT_FOUND on Windows, ENOENT on Linux

// Keys of this process alone: both Linux builds and parallel test programs
// share one namespace of objects.
int64_t testKey(int n) { return (int64_t)getpid() * 64 + n; }

std::string name(int64_t key) {
    char text[SHARED_MEMORY_NAME_CAPACITY];
    sharedMemoryName(key, text);
    return text;
}

char* bytes(const SharedMemoryView& view) { return (char*)view.address; }

// Maps a view that the test expects to succeed.
SharedMemoryView mapped(int64_t key, uint32_t size, bool create) {
    const SharedMemoryView view = mapSharedMemoryView(key, size, create);
    EXPECT_EQ(view.step, SHARED_MEMORY_MAPPED) << "error " << view.error;
    EXPECT_NE(view.address, nullptr);
    return view;
}

TEST(SharedMemoryName, IsTheLowWordAsASignedDecimalNumber) {
    EXPECT_EQ(name(42), "42");
    EXPECT_EQ(name(0), "0");
    EXPECT_EQ(name(0xFFFFFFFFLL), "-1");
    EXPECT_EQ(name(-1), "-1");
    EXPECT_EQ(name(0x80000000LL), "-2147483648");
    EXPECT_EQ(name(0x7FFFFFFFLL), "2147483647");
    EXPECT_EQ(name((5LL << 32) + 42), "42");
}

TEST(SharedMemory, TwoViewsOfOneKeyShowTheSameBytes) {
    const int64_t key = testKey(1);
    SharedMemoryView first = mapped(key, 4096, true);
    SharedMemoryView second = mapped(key, 4096, true);
    ASSERT_NE(first.address, second.address);
    strcpy(bytes(first), "written through the first view");
    bytes(second)[4095] = 'z';
    EXPECT_STREQ(bytes(second), "written through the first view");
    EXPECT_EQ(bytes(first)[4095], 'z');

    SharedMemoryView otherWord = mapped(key + (7LL << 32), 4096, false);
    EXPECT_STREQ(bytes(otherWord), "written through the first view")
        << "keys that differ above their low 32 bits name one object";

    EXPECT_TRUE(unmapSharedMemoryView(first.address));
    EXPECT_TRUE(unmapSharedMemoryView(second.address));
    EXPECT_TRUE(unmapSharedMemoryView(otherWord.address));
    EXPECT_EQ(deleteSharedMemoryObject(key), 0);
}

TEST(SharedMemory, AnotherProcessSeesAndChangesTheSameBytes) {
    const int64_t key = testKey(2);
    SharedMemoryView view = mapped(key, 4096, true);
    strcpy(bytes(view), "from the parent");
    const auto peer = runProgram({fixtureProgram("shared_memory_peer").string(), std::to_string(key),
                                  "15", "+peer"});
    EXPECT_EQ(peer.exitCode, 0);
    EXPECT_EQ(peer.output, "from the parent");
    EXPECT_STREQ(bytes(view), "from the parent+peer");
    EXPECT_TRUE(unmapSharedMemoryView(view.address));
    EXPECT_EQ(deleteSharedMemoryObject(key), 0);
}

TEST(SharedMemory, OpeningAKeyNeverCreatedFails) {
    const SharedMemoryView view = mapSharedMemoryView(testKey(3), 4096, false);
    EXPECT_EQ(view.address, nullptr);
    EXPECT_EQ(view.step, SHARED_MEMORY_NO_OBJECT);
    EXPECT_EQ(view.error, kNotFound);
}

TEST(SharedMemory, AnEmptyObjectIsNotCreated) {
    const SharedMemoryView view = mapSharedMemoryView(testKey(4), 0, true);
    EXPECT_EQ(view.address, nullptr);
    EXPECT_EQ(view.step, SHARED_MEMORY_NO_OBJECT);
    EXPECT_NE(view.error, 0);
    EXPECT_EQ(mapSharedMemoryView(testKey(4), 4096, false).error, kNotFound);
}

TEST(SharedMemory, SizeZeroMapsAnExistingObjectWhole) {
    const int64_t key = testKey(5);
    SharedMemoryView created = mapped(key, 8192, true);
    SharedMemoryView whole = mapped(key, 0, false);
    bytes(whole)[8191] = 'e';
    EXPECT_EQ(bytes(created)[8191], 'e');
    EXPECT_TRUE(unmapSharedMemoryView(whole.address));
    EXPECT_TRUE(unmapSharedMemoryView(created.address));
    EXPECT_EQ(deleteSharedMemoryObject(key), 0);
}

TEST(SharedMemory, AViewLargerThanTheObjectIsRefused) {
    const int64_t key = testKey(6);
    SharedMemoryView created = mapped(key, 4096, true);
    const SharedMemoryView tooLarge = mapSharedMemoryView(key, 3 * 65536, false);
    EXPECT_EQ(tooLarge.address, nullptr);
    EXPECT_EQ(tooLarge.step, SHARED_MEMORY_NO_VIEW);
    EXPECT_NE(tooLarge.error, 0);
    EXPECT_TRUE(unmapSharedMemoryView(created.address));
    EXPECT_EQ(deleteSharedMemoryObject(key), 0);
}

TEST(SharedMemory, UnmapTakesOnlyViewsThatAreStillMapped) {
    int local = 0;
    EXPECT_FALSE(unmapSharedMemoryView(nullptr));
    EXPECT_FALSE(unmapSharedMemoryView(&local));
    const int64_t key = testKey(7);
    SharedMemoryView view = mapped(key, 4096, true);
    EXPECT_FALSE(unmapSharedMemoryView(bytes(view) + 16)) << "not the start of a view";
    EXPECT_TRUE(unmapSharedMemoryView(view.address));
    EXPECT_FALSE(unmapSharedMemoryView(view.address)) << "already unmapped";
    EXPECT_EQ(deleteSharedMemoryObject(key), 0);
}

TEST(SharedMemory, TheObjectOutlivesItsViewsUntilDeleted) {
    const int64_t key = testKey(8);
    SharedMemoryView view = mapped(key, 4096, true);
    strcpy(bytes(view), "kept");
    ASSERT_TRUE(unmapSharedMemoryView(view.address));

    SharedMemoryView again = mapped(key, 4096, false);
    EXPECT_STREQ(bytes(again), "kept");
    EXPECT_EQ(deleteSharedMemoryObject(key), 0);
    EXPECT_STREQ(bytes(again), "kept") << "a view stays usable after the delete";
    EXPECT_TRUE(unmapSharedMemoryView(again.address));

    const SharedMemoryView gone = mapSharedMemoryView(key, 4096, false);
    EXPECT_EQ(gone.step, SHARED_MEMORY_NO_OBJECT);
    EXPECT_EQ(gone.error, kNotFound);
}

TEST(SharedMemory, DeletingAnUnknownKeyReportsNotFound) {
    EXPECT_EQ(deleteSharedMemoryObject(testKey(9)), kNotFound);
}

#ifndef _WIN32
TEST(SharedMemory, ConcurrentCreatorsAllGetAView) {
    for (int round = 0; round < 200; ++round) {
        const int64_t key = testKey(10);
        std::vector<SharedMemoryView> views(8);
        std::vector<std::thread> threads;
        for (auto& view : views) threads.emplace_back([&view, key] { view = mapSharedMemoryView(key, 4096, true); });
        for (auto& thread : threads) thread.join();
        for (const auto& view : views) {
            ASSERT_EQ(view.step, SHARED_MEMORY_MAPPED) << "round " << round << ", error " << view.error;
            EXPECT_TRUE(unmapSharedMemoryView(view.address));
        }
        EXPECT_EQ(deleteSharedMemoryObject(key), 0);
    }
    for (const auto& entry : std::filesystem::directory_iterator("/dev/shm")) {
        EXPECT_EQ(entry.path().filename().string().rfind(name(testKey(10)) + ".", 0), std::string::npos)
            << "a creator's private name left behind: " << entry.path();
    }
}

// What a creator killed half-way leaves behind: its private name (here under
// this process's id and first number, as when a process id comes round
// again), or, from a creator that made the object under its final name, an
// empty object.
TEST(SharedMemory, AHalfCreatedKeyDoesNotFailForever) {
    const int64_t key = testKey(11);
    const std::string privateName = "/" + name(key) + ".creating." + std::to_string(getpid()) + ".0";
    close(shm_open(privateName.c_str(), O_RDWR | O_CREAT | O_EXCL, 0600));
    SharedMemoryView view = mapped(key, 4096, true);
    EXPECT_TRUE(unmapSharedMemoryView(view.address));
    EXPECT_EQ(deleteSharedMemoryObject(key), 0);
    shm_unlink(privateName.c_str());

    const std::string finalName = "/" + name(key);
    close(shm_open(finalName.c_str(), O_RDWR | O_CREAT | O_EXCL, 0600));
    EXPECT_EQ(mapSharedMemoryView(key, 4096, false).step, SHARED_MEMORY_NO_VIEW) << "opening alone changes nothing";
    view = mapped(key, 4096, true);
    memset(view.address, 1, 4096);
    EXPECT_TRUE(unmapSharedMemoryView(view.address));
    EXPECT_EQ(deleteSharedMemoryObject(key), 0);
}
#endif

}  // namespace
