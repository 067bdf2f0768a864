// The monitor walk over sysfs trees made by tests/fixtures/make-sysfs-tree,
// and over trees whose files are not what the kernel writes.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/utsname.h>

#include <string>

#include "fake_jni.h"
#include "monitor.h"
#include "test_support.h"

using namespace tarvo_test;

namespace {

std::vector<uint8_t> bytesOf(const std::string& text) { return std::vector<uint8_t>(text.begin(), text.end()); }

class MonitorWalk : public testing::Test {
protected:
    void SetUp() override {
        const ProgramResult made = runProgram({MONITOR_TREE_SCRIPT, root.str()});
        ASSERT_EQ(made.exitCode, 0);
        setEnv("TARVO_SYSFS_ROOT", root.str());
    }
    void TearDown() override { unsetEnv("TARVO_SYSFS_ROOT"); }

    std::string drm(const std::string& name) const { return root.str("class/drm/" + name); }

    bool walk(bool debug = false) { return collectMonitors(java.env(), java.object(), debug); }

    TempDir root;
    FakeJava java;
};

TEST_F(MonitorWalk, ConnectedMonitorsAreNumberedAndEnabledOnesStoredWithTheirEdid) {
    testing::internal::CaptureStdout();
    EXPECT_TRUE(walk(true));
    const std::string trace = testing::internal::GetCapturedStdout();

    ASSERT_EQ(java.edidMap.size(), 3u);
    EXPECT_EQ(java.edidMap.count("2"), 0u) << "the disabled connector uses up number 2";
    const FakeMonitorData& first = java.edidMap["1"];
    EXPECT_EQ(first.edid, bytesOf(readFile(root.str("edid-128"))));
    EXPECT_EQ(first.edid.size(), 128u);
    EXPECT_EQ(first.deviceString, "tarvofb");
    EXPECT_EQ(first.driverVersion, "1.2.3");
    EXPECT_EQ(first.driverDate, "");

    struct utsname system;
    uname(&system);
    const FakeMonitorData& withoutEdid = java.edidMap["3"];
    EXPECT_TRUE(withoutEdid.edid.empty()) << "card1-DP-9 comes before card1-DP-10";
    EXPECT_EQ(withoutEdid.deviceString, "tarvogpu");
    EXPECT_EQ(withoutEdid.driverVersion, system.release) << "no module version: the kernel's release";
    EXPECT_EQ(java.edidMap["4"].edid, bytesOf(readFile(root.str("edid-256"))));

    EXPECT_EQ(trace.rfind("##################################\nDevice id: 0\nDevice Name: card0-DP-1\n"
                          "Device String: tarvofb\nDevice ID: card0\nDriverVersion: 1.2.3\nDriverDate: \n"
                          "  Displaynumber: 1\n  Device Name: card0-DP-1\nkey: deviceIdStr: 1\nEdid raw 0: \n\n"
                          "key: deviceIdStr: 1\nEdid raw 128: \n 00 ff ff ff ff ff ff 00 52 56",
                          0),
              0u)
        << trace;
    EXPECT_NE(trace.find("Device Name: card0-DP-2\n"
                         "Device String: tarvofb\nDevice ID: card0\nDriverVersion: 1.2.3\nDriverDate: \n"
                         "    device not active\n##"),
              std::string::npos)
        << trace;
    EXPECT_NE(trace.find("Edid raw 0: \n\nCould not query registry key for EDID\n"), std::string::npos);
}

TEST_F(MonitorWalk, AnEarlierCallsEntriesStayAndTheSameKeysAreReplaced) {
    java.edidMap["7"] = FakeMonitorData{{1, 2}, "old", "", ""};
    java.edidMap["1"] = FakeMonitorData{{1, 2}, "old", "", ""};
    EXPECT_TRUE(walk());
    EXPECT_EQ(java.edidMap["7"].deviceString, "old");
    EXPECT_EQ(java.edidMap["1"].deviceString, "tarvofb");
}

TEST_F(MonitorWalk, AFailedPutEndsTheWalkAtOnce) {
    java.putsBeforeThrowing = 1;
    EXPECT_FALSE(walk());
    EXPECT_EQ(java.putCalls, 2) << "one put went in, the second threw, no further put was tried";
    EXPECT_EQ(java.edidMap.size(), 1u);
    EXPECT_TRUE(java.edidMap["1"].edid.empty()) << "the entry without EDID went in, the one with failed";
    EXPECT_FALSE(java.exceptionPending);
    EXPECT_EQ(java.callsWhileExceptionPending, 0);
}

TEST_F(MonitorWalk, EdidFilesAreReadUpToTheBufferAndNoFurther) {
    writeFile(drm("card0-DP-1/edid"), std::string(MONITOR_EDID_CAPACITY + 1, 'x'));
    writeFile(drm("card1-DP-9/edid"), std::string(MONITOR_EDID_CAPACITY, 'y'));
    std::filesystem::remove(drm("card1-DP-10/edid"));
    ASSERT_EQ(mkfifo(drm("card1-DP-10/edid").c_str(), 0600), 0) << "a pipe nobody writes to";
    EXPECT_TRUE(walk());
    EXPECT_TRUE(java.edidMap["1"].edid.empty()) << "longer than the buffer: not read, as on Windows";
    EXPECT_EQ(java.edidMap["3"].edid.size(), (size_t)MONITOR_EDID_CAPACITY);
    EXPECT_TRUE(java.edidMap["4"].edid.empty());
}

TEST_F(MonitorWalk, OddStatusDriverAndVersionFilesStayWithinTheirBuffers) {
    writeFile(drm("card0-DP-1/status"), "connected");  // no line end
    writeFile(drm("card0-DP-1/enabled"), "enabled\nmore");
    writeFile(drm("card0-DP-2/status"), std::string(100000, 'c'));
    writeFile(root.str("module/tarvofb/version"), std::string(5000, '9'));
    std::filesystem::remove(drm("card1/device/driver"));
    std::filesystem::create_directory(drm("card1-"));
    std::filesystem::create_directory(drm("cardX-DP-1"));
    EXPECT_TRUE(walk());
    ASSERT_EQ(java.edidMap.size(), 3u) << "card0-DP-2 is no longer connected";
    EXPECT_EQ(java.edidMap["1"].edid.size(), 128u);
    EXPECT_EQ(java.edidMap["1"].driverVersion, std::string(255, '9')) << "cut to its buffer";
    EXPECT_EQ(java.edidMap["2"].deviceString, "") << "a card without driver";
    EXPECT_EQ(java.edidMap["2"].driverVersion, "");
    EXPECT_EQ(java.edidMap["3"].edid.size(), 256u);
}

TEST_F(MonitorWalk, NoDrmFolderMeansNoMonitors) {
    setEnv("TARVO_SYSFS_ROOT", root.str("nowhere"));
    EXPECT_TRUE(walk());
    EXPECT_TRUE(java.edidMap.empty());
}

TEST(MonitorWalkOfThisMachine, GetsThroughWhateverSysHolds) {
    unsetEnv("TARVO_SYSFS_ROOT");
    FakeJava java;
    EXPECT_TRUE(collectMonitors(java.env(), java.object(), false));
    for (const auto& entry : java.edidMap) EXPECT_LE(entry.second.edid.size(), (size_t)MONITOR_EDID_CAPACITY);
}

}  // namespace
