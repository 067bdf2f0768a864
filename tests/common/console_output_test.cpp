// The utility layer's console: the process's streams by default, the
// program's own sink when it sets one, with the messages as the host queries
// write them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "console_output.h"
#include "utilglobal.h"

namespace {

std::vector<std::pair<FILE*, std::string>> captured;

int capture(FILE* stream, const char* text) {
    captured.emplace_back(stream, text);
    return 7;
}

TEST(ConsoleOutput, DefaultsToTheProcessStreamsAsLines) {
    testing::internal::CaptureStderr();
    EXPECT_EQ(consolePrintf(stderr, "can't GetDiskFreeSpaceEx: errorcode %i\n", 5), 38);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "can't GetDiskFreeSpaceEx: errorcode 5\n\n");
}

TEST(ConsoleOutput, AProgramsSinkReceivesTheHostQueriesMessagesWhole) {
    setConsoleSink(capture);
    captured.clear();
    EXPECT_EQ(consolePrintf(stdout, "%s", std::string(10000, 'x').c_str()), 7);
    EXPECT_EQ(getDiskFreeKByte(nullptr), 0);
    setConsoleSink(nullptr);
    ASSERT_EQ(captured.size(), 2u);
    EXPECT_EQ(captured[0].first, stdout);
    EXPECT_EQ(captured[0].second, std::string(10000, 'x'));
    EXPECT_EQ(captured[1].first, stderr);
    EXPECT_EQ(captured[1].second.rfind("can't getShortPathFromUTF8: errorcode ", 0), 0u) << captured[1].second;

    testing::internal::CaptureStdout();
    consolePrintf(stdout, "back");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "back\n");
}

}  // namespace
