// Short paths and the volume figures, on the tests' own volume where the
// figures must be exact.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <filesystem>
#include <string>

#include "disk_space_platform.h"
#include "test_support.h"
#include "utilglobal.h"

#ifdef _WIN32
#include <float.h>
#include <windows.h>
#endif

#include <iostream>

using namespace tarvo_test;
using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

namespace {

#ifdef _WIN32
const int kNotFound = ERROR_FILE_NOT_FOUND, kNoTranslation = ERROR_NO_UNICODE_TRANSLATION,
          kInvalidParameter = ERROR_INVALID_PARAMETER;
#else
const int kNotFound = ENOENT, kNoTranslation = EILSEQ, kInvalidParameter = EINVAL;
#endif

// The short path of `utf8Path` and the last error it left.
struct ShortPath {
    std::string text;
    bool found;
    int error;
};
ShortPath shortPath(const char* utf8Path) {
    char* text = getShortPathFromUTF8(utf8Path);
    const int error = lastVolumeError();
    ShortPath result{text != nullptr ? text : "", text != nullptr, error};
    free(text);
    return result;
}

std::string utf8(const std::filesystem::path& path) {
    const auto text = path.u8string();
    return std::string(text.begin(), text.end());
}

TEST(ShortPath, NamesTheSameFileInTheCodePage) {
    TempDir folder;
    // Characters of Latin-1 and outside every Western code page.
    for (const char* name : {"plain", "Gr\xC3\xBC\xC3\x9F" "e Ordner", "\xE6\x95\xB0\xE6\x8D\xAE \xCE\xA9"}) {
        const std::filesystem::path sub = folder.path() / std::filesystem::u8path(name);
        std::filesystem::create_directory(sub);
        writeFile(sub / "marker", "here");
        const ShortPath result = shortPath(utf8(sub).c_str());
        ASSERT_TRUE(result.found) << name << ": error " << result.error;
#ifdef _WIN32
        // Only code-page characters: an 8-bit call opens the file through it.
        char marker[MAX_PATH];
        snprintf(marker, sizeof marker, "%s\\marker", result.text.c_str());
        EXPECT_NE(GetFileAttributesA(marker), INVALID_FILE_ATTRIBUTES) << result.text;
#else
        EXPECT_EQ(result.text, utf8(std::filesystem::canonical(sub)));
#endif
    }
}

TEST(ShortPath, FailuresLeaveTheirErrorCode) {
    TempDir folder;
    ShortPath result = shortPath(folder.str("missing").c_str());
    EXPECT_FALSE(result.found);
    EXPECT_EQ(result.error, kNotFound);

    result = shortPath((folder.str() + "/\xC3\x28").c_str());  // a lead byte without its follower
    EXPECT_FALSE(result.found);
    EXPECT_EQ(result.error, kNoTranslation);

    result = shortPath(nullptr);
    EXPECT_FALSE(result.found);
    EXPECT_EQ(result.error, kInvalidParameter);
}

TEST(DiskSpace, UnknownPathsGiveZeroAfterTheirMessage) {
    TempDir folder;
    const std::string missing = folder.str("missing");
    const struct {
        const char* path;
        int error;
    } cases[] = {{nullptr, kInvalidParameter}, {"\xFF", kNoTranslation}, {missing.c_str(), kNotFound}};
    for (const auto& c : cases) {
        const std::string expected = "can't getShortPathFromUTF8: errorcode " + std::to_string(c.error) + "\n\n";
        CaptureStderr();
        EXPECT_EQ(getDiskFreeKByte(c.path), 0);
        EXPECT_EQ(GetCapturedStderr(), expected);
        CaptureStderr();
        EXPECT_EQ(getDiskKByteFromPercent(c.path, 100), 0);
        EXPECT_EQ(GetCapturedStderr(), expected);
    }
}

TEST(DiskSpace, FiguresOfTheTestsOwnVolume) {
    if (!testVolumeIsOwn()) GTEST_SKIP() << "no volume of the tests' own (needs root)";
    const std::string volume = testVolume();
    EXPECT_EQ(getDiskFreeKByte(volume.c_str()), kTestVolumeKiB);
    const struct {
        int32_t percent;
        int64_t kib;
    } cases[] = {{0, 0},
                 {100, kTestVolumeKiB},
                 {150, kTestVolumeKiB * 3 / 2},  // not clamped
                 {33, 21626},                    // 65536 x 0.33 = 21626.88, truncated
                 {-10, -6553},                   // -6553.6 truncated toward zero
                 {INT32_MAX, (int64_t)(kTestVolumeKiB * (INT32_MAX / 100.0))}};
    for (const auto& c : cases) EXPECT_EQ(getDiskKByteFromPercent(volume.c_str(), c.percent), c.kib) << c.percent;
}

// Products that a wider intermediate (the x87 unit at 64-bit precision)
// truncates differently from double precision: 53 / 100.0 is 0.53 rounded up
// in double (53) but down in 64 bits (52.99...); 2.01 lies below itself in
// double (2009.99... gives 2009) but rounds to 2010 in 64 bits.
TEST(DiskSpace, PercentagesAreDoublePrecisionWhateverTheCallersFpuSetting) {
    const struct {
        int64_t totalKiB;
        int32_t percent;
        int64_t kib;
    } cases[] = {{100, 53, 53}, {100, 59, 59}, {1000, 201, 2009}, {1000, INT32_MAX, 21474836470LL},
                 {100, 10, 10}, {100, 7, 7},   {100, -53, -53}};
    auto expectAll = [&](const char* setting) {
        for (const auto& c : cases) {
            EXPECT_EQ(kiloBytesFromPercent(c.totalKiB, c.percent), c.kib)
                << c.percent << "% of " << c.totalKiB << " KiB at " << setting;
        }
    };
    expectAll("the start-up precision");
#if defined(_WIN32) && defined(__i386__)
    const unsigned startup = _controlfp(0, 0) & _MCW_PC;
    std::cout << "x87 precision at start-up: "
              << (startup == _PC_64 ? "64-bit" : startup == _PC_53 ? "53-bit" : "24-bit") << "\n";
    _controlfp(_PC_64, _MCW_PC);
    expectAll("64-bit x87 precision");
    _controlfp(_PC_53, _MCW_PC);
    expectAll("53-bit x87 precision");
    _controlfp(startup, _MCW_PC);
#endif
}

}  // namespace
