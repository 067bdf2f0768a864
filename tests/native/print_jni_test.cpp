// jniPrintf in a program that no Java virtual machine loaded: the paths that
// need no Java. The Java paths are tested in a real JVM (tests/java).
#include <gtest/gtest.h>

#include <stdio.h>

#include <string>

#include "printJNI.h"
#include "test_support.h"

using namespace tarvo_test;

namespace {

TEST(JniPrintf, OtherStreamsGetTheMessageThroughTheCRuntime) {
    TempDir dir;
    const std::string path = dir.str("log.txt");
    FILE* file = fopen(path.c_str(), "w");
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(jniPrintf(file, "%s=%d", "key", 42), 6);
    fclose(file);
    EXPECT_EQ(readFile(path), "key=42") << "no line end is added on other streams";
}

TEST(JniPrintf, WithoutJavaTheMessageGoesToTheProcessStreamAsALine) {
    testing::internal::CaptureStderr();
    const int length = jniPrintf(stderr, "Could not map view of file (%d).\n", 5);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Could not map view of file (5).\n\n");
    EXPECT_EQ(length, 32);

    testing::internal::CaptureStdout();
    EXPECT_EQ(jniPrintf(stdout, "%s", "to standard output"), 18);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "to standard output\n");
}

TEST(JniPrintf, MessagesOfAnyLengthArePrintedWhole) {
    for (size_t length : {(size_t)JNI_PRINTF_BUFFER_SIZE - 1, (size_t)JNI_PRINTF_BUFFER_SIZE,
                          (size_t)3 * JNI_PRINTF_BUFFER_SIZE + 7}) {
        const std::string text(length, 'm');
        testing::internal::CaptureStderr();
        EXPECT_EQ(jniPrintf(stderr, "%s", text.c_str()), (int)length);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), text + "\n") << length;
    }
}

}  // namespace
