// The disk-space guard on a real volume: a 64 MiB tmpfs of the tests' own
// (64 MB free), with the thresholds of routing.conf set around that figure.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>

#ifdef _WIN32
#include <windows.h>
#endif

#include "diskguard.h"
#include "routing.h"
#include "routing_home.h"

using namespace tarvo_test;
using testing::internal::CaptureStderr;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStderr;
using testing::internal::GetCapturedStdout;

namespace {

const int kFreeMb = (int)(kTestVolumeKiB / 1024);

std::string refused(int freeMb) {
    return "ERROR:  Can't send or receive data (due out of resources). Remaining disk space: " +
           std::to_string(freeMb) + " MB \n";
}

std::string delayed(int levelMb, int seconds) {
    return "WARNING: disk space low (check level " + std::to_string(levelMb) + " MB), receive delayed for " +
           std::to_string(seconds) + " sec ...\n";
}

#ifdef _WIN32
const int kNotFound = 2, kInvalidParameter = 87;  // ERROR_FILE_NOT_FOUND, ERROR_INVALID_PARAMETER
#else
const int kNotFound = 2, kInvalidParameter = 22;  // ENOENT, EINVAL
#endif

class DiskGuardTest : public testing::Test {
protected:
    void SetUp() override {
        diskFreeSizeMb = 500;
        diskSlowerSizeMb = 1024;
        routingDebug = 0;
    }

    // Writes the thresholds into routing.conf and makes them the current ones.
    void configure(int hardMb, int slowMb) {
        home.writeConfig("DISK_FREE_SIZE_MB = " + std::to_string(hardMb) + "\nDISK_SLOWER_SIZE_MB = " +
                         std::to_string(slowMb) + "\n");
        freeRoutingConfig(readRoutingConfig());
    }

    struct Outcome {
        int result;
        std::string out, err;
        double seconds;
    };
    Outcome check(const char* path, int delay, int lower = 0) {
        CaptureStdout();
        CaptureStderr();
        const auto start = std::chrono::steady_clock::now();
        const int result = checkDiskSpace(path, delay, lower);
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        std::string err = GetCapturedStderr();
        return Outcome{result, GetCapturedStdout(), err, took.count()};
    }

    RoutingHome home;
};

// The tests that compare with exact figures need the tmpfs.
class OwnVolumeGuardTest : public DiskGuardTest {
protected:
    void SetUp() override {
        if (!testVolumeIsOwn()) GTEST_SKIP() << "no volume of the tests' own (needs root)";
        DiskGuardTest::SetUp();
        ASSERT_EQ(getDiskFreeKByte(volume.c_str()), kTestVolumeKiB);
    }
    const std::string volume = testVolume();
};

TEST(DiskGuardArithmetic, DelaysAndLoweredThresholdsAsDescribed) {
    EXPECT_EQ(guardDelaySeconds(700, 1024), 4);  // 15 x 324 / 1024 = 4.7
    EXPECT_EQ(guardDelaySeconds(150, 204), 3);   // 15 x 54 / 204 = 3.97
    EXPECT_EQ(guardDelaySeconds(1020, 1024), 0);
    EXPECT_EQ(guardDelaySeconds(0, 1024), 15);
    EXPECT_EQ(loweredThreshold(500), 100);
    EXPECT_EQ(loweredThreshold(1024), 204);
}

TEST_F(OwnVolumeGuardTest, BelowTheHardLimitRefusesAndNamesTheFreeSpace) {
    configure(kFreeMb + 1, kFreeMb + 100);
    for (int delay : {0, 1}) {
        const Outcome o = check(volume.c_str(), delay);
        EXPECT_EQ(o.result, 2);
        EXPECT_EQ(o.err, refused(kFreeMb));
        EXPECT_EQ(o.out, "");
    }
}

TEST_F(OwnVolumeGuardTest, ExactlyTheThresholdsIsEnough) {
    configure(kFreeMb, kFreeMb);
    const Outcome o = check(volume.c_str(), 1);
    EXPECT_EQ(o.result, 0);
    EXPECT_EQ(o.out + o.err, "");
}

TEST_F(OwnVolumeGuardTest, LowSpaceWarnsAndWaitsOnlyWhenAskedTo) {
    // 15 x 6 / 70 = 1.3 seconds.
    configure(1, 70);
    Outcome o = check(volume.c_str(), 1);
    EXPECT_EQ(o.result, 1);
    EXPECT_EQ(o.out, delayed(70, 1));
    EXPECT_EQ(o.err, "");
    EXPECT_GE(o.seconds, 1.0);

    o = check(volume.c_str(), 0);
    EXPECT_EQ(o.result, 0);
    EXPECT_EQ(o.out + o.err, "");

    // 15 x 1 / 65 = 0.2: no wait, but the warning and result 1 all the same.
    configure(1, kFreeMb + 1);
    o = check(volume.c_str(), 1);
    EXPECT_EQ(o.result, 1);
    EXPECT_EQ(o.out, delayed(kFreeMb + 1, 0));
}

TEST_F(OwnVolumeGuardTest, TheLongestDelayTestedWaitsFourSeconds) {
    // 15 x 26 / 90 = 4.3 seconds.
    configure(1, 90);
    const Outcome o = check(volume.c_str(), 1);
    EXPECT_EQ(o.result, 1);
    EXPECT_EQ(o.out, delayed(90, 4));
    EXPECT_GE(o.seconds, 4.0);
}

TEST_F(OwnVolumeGuardTest, LoweredThresholdsAreAFifth) {
    // 320 and 330 lowered are 64 (exactly the free space) and 66.
    configure(320, 330);
    Outcome o = check(volume.c_str(), 1, 1);
    EXPECT_EQ(o.result, 1);
    EXPECT_EQ(o.out, delayed(66, 0));
    EXPECT_EQ(o.err, "");

    configure(325, 330);  // 65
    o = check(volume.c_str(), 1, 1);
    EXPECT_EQ(o.result, 2);
    EXPECT_EQ(o.err, refused(kFreeMb));

    // The same file without lowering refuses too, with the plain 325.
    o = check(volume.c_str(), 0, 0);
    EXPECT_EQ(o.result, 2);
}

TEST_F(DiskGuardTest, ThresholdsAreThoseOfTheReadingBeforeTheCheck) {
    // An unreadable path counts as 0 MB. The first check still compares with
    // the 500 MB of before any reading; its reading makes 0 the limit.
    home.writeConfig("DISK_FREE_SIZE_MB = 0\nDISK_SLOWER_SIZE_MB = 0\n");
    Outcome o = check(nullptr, 0);
    EXPECT_EQ(o.result, 2);
    EXPECT_EQ(o.err, "can't getShortPathFromUTF8: errorcode " + std::to_string(kInvalidParameter) + "\n\n" +
                         refused(0));
    EXPECT_EQ(diskFreeSizeMb, 0);
    o = check(nullptr, 1);
    EXPECT_EQ(o.result, 0);
    EXPECT_EQ(o.out, "");
}

TEST_F(DiskGuardTest, AMissingFolderHasNoSpace) {
    const std::string missing = home.folder.str("container");
    const Outcome o = check(missing.c_str(), 1);
    EXPECT_EQ(o.result, 2);
    EXPECT_EQ(o.err, "can't getShortPathFromUTF8: errorcode " + std::to_string(kNotFound) + "\n\n" + refused(0));
}

TEST_F(DiskGuardTest, TheContainerDirectoryIsReadInThePlatformsEncoding) {
    // "Grüße" in the ANSI code page (1252) on Windows, in UTF-8 on Linux.
#ifdef _WIN32
    const std::string folder = home.folder.str() + "\\Gr\xFC\xDF" "e";
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
#else
    const std::string folder = home.folder.str() + "/Gr\xC3\xBC\xC3\x9F" "e";
    std::filesystem::create_directory(folder);
#endif
    home.writeConfig("CONTAINER_DIR = " + folder + "\nDISK_FREE_SIZE_MB = 1\nDISK_SLOWER_SIZE_MB = 1\n");
    CaptureStderr();
    EXPECT_EQ(checkContainerSpace(0, 0), 0);
    EXPECT_EQ(GetCapturedStderr(), "");
    // Read before the check: the thresholds are those of this file.
    diskFreeSizeMb = 0;
    home.writeConfig("CONTAINER_DIR = " + folder + "\nDISK_FREE_SIZE_MB = 2147483647\n");
    EXPECT_EQ(checkContainerSpace(0, 0), 2);
}

}  // namespace
