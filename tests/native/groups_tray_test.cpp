// fillUserGroupNames against the stand-in Java side, which counts local
// references and can lack the field or Map.put; and the CD tray's steps with
// the command strings recorded (Windows) or real devices that are no CD drive
// (Linux).
#include <gtest/gtest.h>

#include <string.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "cdtray.h"
#include "fake_jni.h"
#include "tarvoUtils.h"
#include "test_support.h"
#include "usergroups.h"

extern "C" JNIEXPORT jboolean JNICALL Java_pemu_tarvo_tools_TarvoUtils_fillUserGroupNames(JNIEnv* env,
                                                                                        jobject self);

using tarvo_test::FakeJava;

namespace {

// The groups as getCurrentUserGroups lists them, an empty text for a null name.
std::map<std::string, std::string> currentGroups() {
    int32_t count = 0;
    char** names = nullptr;
    char** sids = nullptr;
    EXPECT_EQ(getCurrentUserGroups(&count, &names, &sids, 0), 1);
    std::map<std::string, std::string> groups;
    for (int32_t i = 0; i < count; ++i) groups[sids[i]] = names[i] != nullptr ? names[i] : "";
    freeTextList(names, count);
    freeTextList(sids, count);
    return groups;
}

// Calls fillUserGroupNames; returns what it printed to standard error.
std::string fill(FakeJava& java, jboolean expected = JNI_TRUE) {
    jobject self = java.object();
    testing::internal::CaptureStderr();
    EXPECT_EQ(Java_pemu_tarvo_tools_TarvoUtils_fillUserGroupNames(java.env(), self), expected);
    std::string err = testing::internal::GetCapturedStderr();
    java.env()->DeleteLocalRef(self);
    EXPECT_TRUE(java.references.empty()) << "local references left behind";
    EXPECT_FALSE(java.exceptionPending) << "exception left pending";
    EXPECT_EQ(java.callsWhileExceptionPending, 0);
    err.erase(std::remove(err.begin(), err.end(), '\r'), err.end());
    return err;
}

TEST(FillUserGroupNames, PutsEveryGroupAndKeepsEarlierEntries) {
    FakeJava java;
    java.currentUserGroups["S-1-0-earlier"] = "kept";
    EXPECT_EQ(fill(java), "");
    std::map<std::string, std::string> expected = currentGroups();
    expected["S-1-0-earlier"] = "kept";
    EXPECT_EQ(java.currentUserGroups, expected);
#ifdef _WIN32
    EXPECT_EQ(java.currentUserGroups.at("S-1-1-0"), "Everyone");
    EXPECT_EQ(java.currentUserGroups.at("S-1-5-32-544"), "Administrators");
    const auto logon = std::find_if(java.currentUserGroups.begin(), java.currentUserGroups.end(),
                                    [](const auto& entry) { return entry.first.rfind("S-1-5-5-", 0) == 0; });
    ASSERT_NE(logon, java.currentUserGroups.end());
    EXPECT_EQ(logon->second, "") << "a group without a name gets the empty text";
#endif
}

TEST(FillUserGroupNames, PutsNothingAndPrintsNothingWithoutTheFieldOrItsMap) {
    for (bool missingField : {true, false}) {
        FakeJava java;
        java.missingField = missingField;
        java.nullMap = !missingField;
        EXPECT_EQ(fill(java), "");
        EXPECT_EQ(java.putCalls, 0);
    }
}

TEST(FillUserGroupNames, SaysSoWhenMapHasNoPut) {
    FakeJava java;
    java.missingPut = true;
    EXPECT_EQ(fill(java), "Can't find method for Map.put(Object, Object)\n");
    EXPECT_EQ(java.putCalls, 0);
}

TEST(FillUserGroupNames, StopsAtAPutThatThrowsAndClearsTheException) {
    FakeJava java;
    java.putsBeforeThrowing = 0;
    EXPECT_EQ(fill(java), "");
    EXPECT_EQ(java.putCalls, 1);
}

// Run many times under the sanitizers, this finds native memory and local
// references that a call leaves behind.
TEST(FillUserGroupNames, TenThousandCallsLeaveNothingBehind) {
    FakeJava java;
    for (int i = 0; i < 10000; ++i) {
        jobject self = java.object();
        ASSERT_EQ(Java_pemu_tarvo_tools_TarvoUtils_fillUserGroupNames(java.env(), self), JNI_TRUE);
        java.env()->DeleteLocalRef(self);
        ASSERT_TRUE(java.references.empty()) << "call " << i;
    }
    EXPECT_EQ(java.currentUserGroups, currentGroups());
}

// What openCloseTray printed to standard error, line ends as "\n".
std::string trayErrors(const char* drive, bool open) {
    testing::internal::CaptureStderr();
    openCloseTray(drive, open);
    std::string err = testing::internal::GetCapturedStderr();
    err.erase(std::remove(err.begin(), err.end(), '\r'), err.end());
    return err;
}

#ifdef _WIN32

// The commands sent, and the errors to answer them with (by command prefix).
struct MciLog {
    std::vector<std::string> commands;
    std::map<std::string, MCIERROR> errors;
    std::string canEjectReply = "false";
    bool errorTexts = true;
};
MciLog* mciLog = nullptr;

MCIERROR WINAPI recordCommand(LPCSTR command, LPSTR reply, UINT replyLength, HWND) {
    mciLog->commands.push_back(std::string(command) + (reply != nullptr ? " [" + std::to_string(replyLength) + "]" : ""));
    for (const auto& [prefix, error] : mciLog->errors) {
        if (strncmp(command, prefix.c_str(), prefix.size()) == 0) return error;
    }
    if (reply != nullptr) snprintf(reply, replyLength, "%s", mciLog->canEjectReply.c_str());
    return 0;
}

BOOL WINAPI errorText(MCIERROR error, LPSTR text, UINT length) {
    if (!mciLog->errorTexts) return FALSE;
    snprintf(text, length, "error %u", (unsigned)error);
    return TRUE;
}

class CdTray : public testing::Test {
protected:
    void SetUp() override {
        mciLog = &log_;
        trayCalls = {recordCommand, errorText};
    }
    void TearDown() override {
        trayCalls = kSystemTrayCalls;
        mciLog = nullptr;
    }
    MciLog log_;
};

const char kOpenE[] = "open E: type cdaudio alias cddrive wait shareable";

TEST_F(CdTray, SendsTheCommandStringsInOrder) {
    EXPECT_EQ(trayErrors("E:\\", true), "");
    EXPECT_EQ(log_.commands,
              (std::vector<std::string>{kOpenE, "capability cddrive can eject [10]", "close cddrive"}));

    log_ = {};
    log_.canEjectReply = "true";
    EXPECT_EQ(trayErrors("Ejectable", true), "");
    EXPECT_EQ(log_.commands, (std::vector<std::string>{kOpenE, "capability cddrive can eject [10]",
                                                       "set cddrive door open", "close cddrive"}));

    log_ = {};
    log_.canEjectReply = "true";
    EXPECT_EQ(trayErrors("d", false), "");
    EXPECT_EQ(log_.commands, (std::vector<std::string>{"open d: type cdaudio alias cddrive wait shareable",
                                                       "set cddrive door closed wait", "close cddrive"}));

    log_ = {};
    EXPECT_EQ(trayErrors(nullptr, true), "");
    EXPECT_TRUE(log_.commands.empty());
}

TEST_F(CdTray, ReportsEachFailingStepAndStopsAfterAFailedOpen) {
    log_.errors = {{"open", 296}};
    EXPECT_EQ(trayErrors("E:", true), "could not open cdrom driver: error 296\n\n");
    EXPECT_EQ(log_.commands, (std::vector<std::string>{kOpenE}));

    log_ = {};
    log_.errors = {{"capability", 274}, {"close", 263}};
    EXPECT_EQ(trayErrors("E:", true),
              "can't query capabilities: error 274\n\ncould not close cdrom driver: error 263\n\n");
    EXPECT_EQ(log_.commands.size(), 3u);

    log_ = {};
    log_.canEjectReply = "true";
    log_.errors = {{"set cddrive door open", 281}};
    EXPECT_EQ(trayErrors("E:", true), "could not open door: error 281\n\n");

    log_ = {};
    log_.errors = {{"set cddrive door closed", 281}};
    EXPECT_EQ(trayErrors("E:", false), "could not close door: error 281\n\n");
    EXPECT_EQ(log_.commands.back(), "close cddrive");

    log_ = {};
    log_.errorTexts = false;
    log_.errors = {{"open", 296}};
    EXPECT_EQ(trayErrors("E:", true), "") << "no text, no report";
}

TEST(CdTrayUnderWine, TheRealOpenFailsWithTheSystemsText) {
    EXPECT_EQ(trayErrors("E:", true),
              "could not open cdrom driver: The specified file cannot be played on the specified MCI device. "
              "The file may be corrupt, or not in the correct format.\n\n");
}

#else

TEST(CdTray, MapsDriveLettersAndPathsToDevices) {
    char path[32];
    ASSERT_TRUE(trayDevicePath("D:", path, sizeof path));
    EXPECT_STREQ(path, "/dev/sr0");
    ASSERT_TRUE(trayDevicePath("e:\\", path, sizeof path));
    EXPECT_STREQ(path, "/dev/sr1");
    ASSERT_TRUE(trayDevicePath("Z", path, sizeof path));
    EXPECT_STREQ(path, "/dev/sr22");
    ASSERT_TRUE(trayDevicePath("/dev/cdrom", path, sizeof path));
    EXPECT_STREQ(path, "/dev/cdrom");
    for (const char* none : {"C:", "a", "1", "", "-", "/a/path/longer/than/the/buffer/given"}) {
        EXPECT_FALSE(trayDevicePath(none, path, sizeof path)) << none;
    }
}

TEST(CdTray, ADeviceThatIsNoCdDriveIsReportedAtTheOpen) {
    tarvo_test::TempDir dir;
    tarvo_test::writeFile(dir.path() / "file", "not a drive");
    for (bool open : {true, false}) {
        EXPECT_EQ(trayErrors("/dev/null", open), "could not open cdrom driver: Inappropriate ioctl for device\n\n");
        EXPECT_EQ(trayErrors(dir.str("file").c_str(), open),
                  "could not open cdrom driver: Inappropriate ioctl for device\n\n");
        EXPECT_EQ(trayErrors(dir.str("missing").c_str(), open),
                  "could not open cdrom driver: No such file or directory\n\n");
        EXPECT_EQ(trayErrors("C:", open), "could not open cdrom driver: No such device\n\n");
        EXPECT_EQ(trayErrors(nullptr, open), "");
    }
}

#endif

}  // namespace
