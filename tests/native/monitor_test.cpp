// Storing a monitor into edidMap, against the stand-in Java side: the entry,
// its debug dump, and every way the Java side can refuse it.
#include <gtest/gtest.h>

#include <stdio.h>

#include <string>

#include "fake_jni.h"
#include "monitor.h"

using namespace tarvo_test;

#ifdef _WIN32
#define TEXT_OF(text) L##text
#else
#define TEXT_OF(text) text
#endif

namespace {

const unsigned char kBytes[] = {0x00, 0xff, 0x10, 0x7f};

bool put(FakeJava& java, bool debug, int number, size_t length = sizeof kBytes) {
    return putMonitorData(java.env(), java.object(), debug, number, length, kBytes, TEXT_OF("Adapter \u00e9"),
                          TEXT_OF("31.0.101.4502"), TEXT_OF("6-1-2023"));
}

TEST(PutMonitorData, PutsTheEntryUnderTheDisplayNumberAndDumpsItWhenDebugging) {
    FakeJava java;
    java.edidMap["9"] = FakeMonitorData{};
    testing::internal::CaptureStdout();
    EXPECT_TRUE(put(java, true, 12));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "key: deviceIdStr: 12\nEdid raw 4: \n 00 ff 10 7f\n");
    ASSERT_EQ(java.edidMap.size(), 2u) << "entries put before stay";
    const FakeMonitorData& entry = java.edidMap["12"];
    EXPECT_EQ(entry.edid, std::vector<uint8_t>(kBytes, kBytes + sizeof kBytes));
    EXPECT_EQ(entry.deviceString, "Adapter \u00e9");
    EXPECT_EQ(entry.driverVersion, "31.0.101.4502");
    EXPECT_EQ(entry.driverDate, "6-1-2023");
    EXPECT_TRUE(java.frames.empty());

    testing::internal::CaptureStdout();
    EXPECT_TRUE(put(java, false, 12, 0));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_TRUE(java.edidMap["12"].edid.empty()) << "the same key is replaced";
}

TEST(PutMonitorData, AJavaSideThatCannotTakeTheEntryGivesItsMessageAndFalse) {
    const struct {
        bool FakeJava::*failure;
        const char* message;
    } cases[] = {
        {&FakeJava::missingField, "Can't find field edidMap\n"},
        {&FakeJava::nullMap, "Can't find edidMapObject\n"},
        {&FakeJava::missingMapClass, "Can't find treemap class\n"},
        {&FakeJava::missingPut, "Can't find method for Map.put(Object, Object)\n"},
        {&FakeJava::missingRecordClass, "Can't find MonitorData class\n"},
        {&FakeJava::missingConstructor, "Can't find constructor for MonitorData class\n"},
        {&FakeJava::constructorThrows, "Can't initialize method MonitorData\n"},
    };
    for (const auto& failing : cases) {
        FakeJava java;
        java.*failing.failure = true;
        testing::internal::CaptureStderr();
        EXPECT_FALSE(put(java, false, 1));
        // Without a Java virtual machine jniPrintf writes the line itself.
        EXPECT_EQ(testing::internal::GetCapturedStderr(), std::string(failing.message) + "\n");
        EXPECT_TRUE(java.edidMap.empty());
        EXPECT_FALSE(java.exceptionPending) << failing.message;
        EXPECT_EQ(java.callsWhileExceptionPending, 0) << failing.message;
        EXPECT_TRUE(java.frames.empty()) << failing.message;
    }
}

TEST(PutMonitorData, AMapThatThrowsOnPutIsReportedByItsExceptionAndGivesFalse) {
    FakeJava java;
    java.putsBeforeThrowing = 0;
    EXPECT_FALSE(put(java, false, 1));
    EXPECT_EQ(java.exceptionsDescribed, 1);
    EXPECT_FALSE(java.exceptionPending);
    EXPECT_EQ(java.callsWhileExceptionPending, 0);
    EXPECT_TRUE(java.frames.empty());
}

}  // namespace
