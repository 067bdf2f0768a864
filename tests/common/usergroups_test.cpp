// The current user's groups and system error texts: the real token under
// Wine, the real process groups on Linux, failures through the call table.
#include <gtest/gtest.h>

#include <errno.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>
#include <string>

#include "test_support.h"
#include "usergroups.h"
#include "utilglobal.h"

using namespace tarvo_test;
namespace fs = std::filesystem;

namespace {

// One result of getCurrentUserGroups, released with the object.
struct Groups {
    int result = -1;
    int32_t count = 0;
    char** names = nullptr;
    char** sids = nullptr;

    explicit Groups(int32_t verbose) { result = getCurrentUserGroups(&count, &names, &sids, verbose); }
    ~Groups() {
        freeTextList(names, count);
        freeTextList(sids, count);
    }
    // SID text to name, "<null>" for a missing name.
    std::map<std::string, std::string> byText() const {
        std::map<std::string, std::string> groups;
        for (int32_t i = 0; i < count; ++i) groups[sids[i]] = names[i] != nullptr ? names[i] : "<null>";
        return groups;
    }
};

// Standard output and standard error of `call`, line ends as "\n".
struct Printed {
    std::string out;
    std::string err;
};

template <typename Call>
Printed printedBy(Call call) {
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    call();
    fflush(stdout);
    Printed printed{testing::internal::GetCapturedStdout(), testing::internal::GetCapturedStderr()};
    for (std::string* text : {&printed.out, &printed.err}) {
        text->erase(std::remove(text->begin(), text->end(), '\r'), text->end());
    }
    return printed;
}

// Restores the system's calls when a test ends.
struct SystemCallsAfterTest {
    ~SystemCallsAfterTest() { userGroupCalls = kSystemUserGroupCalls; }
};

std::string sidText(const uint8_t authority[6], std::initializer_list<uint32_t> subAuthorities) {
    uint32_t size = sidTextSpace((int)subAuthorities.size());
    std::string text(size, '\0');
    EXPECT_EQ(formatSidText(authority, subAuthorities.begin(), (int)subAuthorities.size(), &text[0], &size), 1);
    return text.c_str();
}

TEST(SidText, WritesTheAuthorityInDecimalUnlessItsFirstTwoBytesAreSet) {
    const uint8_t world[6] = {0, 0, 0, 0, 0, 1};
    const uint8_t nt[6] = {0, 0, 0, 0, 0, 5};
    const uint8_t wide[6] = {0, 0, 0x12, 0x34, 0x56, 0x78};
    const uint8_t high[6] = {0x01, 0x00, 0xab, 0x0c, 0xff, 0x10};
    const uint8_t second[6] = {0, 0x80, 0, 0, 0, 0};
    EXPECT_EQ(sidText(world, {0}), "S-1-1-0");
    EXPECT_EQ(sidText(nt, {32, 544}), "S-1-5-32-544");
    EXPECT_EQ(sidText(wide, {}), "S-1-305419896");
    EXPECT_EQ(sidText(high, {4294967295u}), "S-1-0x0100ab0cff10-4294967295");
    EXPECT_EQ(sidText(second, {1, 2}), "S-1-0x008000000000-1-2");
}

TEST(SidText, AsksForTwentyEightBytesAndTwelvePerSubAuthority) {
    const uint8_t nt[6] = {0, 0, 0, 0, 0, 5};
    const uint32_t subAuthorities[3] = {21, 1, 2};
    uint32_t size = 0;
    EXPECT_EQ(formatSidText(nt, subAuthorities, 3, nullptr, &size), 0);
    EXPECT_EQ(size, 64u);
    char text[64];
    memset(text, 'x', sizeof text);
    size = 63;
    EXPECT_EQ(formatSidText(nt, subAuthorities, 3, text, &size), 0);
    EXPECT_EQ(size, 64u);
    EXPECT_EQ(text[0], 'x') << "nothing written into too small a buffer";
    EXPECT_EQ(formatSidText(nt, subAuthorities, 3, text, &size), 1);
    EXPECT_STREQ(text, "S-1-5-21-1-2");
}

#ifdef _WIN32

// A hand-made SID: revision, count, authority, sub-authorities (little-endian).
struct HandMadeSid {
    BYTE bytes[8 + 4 * 4] = {};
    HandMadeSid(BYTE revision, std::initializer_list<BYTE> authority, std::initializer_list<DWORD> subs) {
        bytes[0] = revision;
        bytes[1] = (BYTE)subs.size();
        std::copy(authority.begin(), authority.end(), bytes + 2);
        memcpy(bytes + 8, subs.begin(), subs.size() * sizeof(DWORD));
    }
    PSID sid() { return (PSID)bytes; }
};

TEST(SidToString, FollowsTheSizeContractWithHandMadeSids) {
    HandMadeSid hex(1, {0x0a, 0x0b, 0, 0, 0, 0xff}, {7});
    DWORD size = 0;
    SetLastError(0);
    EXPECT_EQ(sidToString(hex.sid(), nullptr, &size), 0);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(size, 40u);
    char text[40];
    size = 39;
    EXPECT_EQ(sidToString(hex.sid(), text, &size), 0);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(size, 40u);
    EXPECT_EQ(sidToString(hex.sid(), text, &size), 1);
    EXPECT_STREQ(text, "S-1-0x0a0b000000ff-7");
}

TEST(SidToString, RefusesAnInvalidSidWithoutWriting) {
    HandMadeSid badRevision(2, {0, 0, 0, 0, 0, 5}, {32});
    char text[64] = "untouched";
    DWORD size = sizeof text;
    EXPECT_EQ(sidToString(badRevision.sid(), text, &size), 0);
    EXPECT_EQ(sidToString(nullptr, text, &size), 0);
    EXPECT_STREQ(text, "untouched");
    EXPECT_EQ(size, sizeof text);
}

TEST(UserGroups, TheRealTokenListsEveryoneAdministratorsAndTheUnnamedLogonSid) {
    Groups groups(0);
    ASSERT_EQ(groups.result, 1);
    const auto byText = groups.byText();
    EXPECT_EQ(byText.at("S-1-1-0"), "Everyone");
    EXPECT_EQ(byText.at("S-1-5-32-544"), "Administrators");
    int unnamedLogonSids = 0;
    for (const auto& [text, name] : byText) {
        if (text.rfind("S-1-5-5-", 0) == 0 && name == "<null>") ++unnamedLogonSids;
    }
    EXPECT_EQ(unnamedLogonSids, 1);
}

TEST(UserGroups, VerboseReportsEachStepAndEachGroup) {
    Groups* groups = nullptr;
    const Printed printed = printedBy([&] { groups = new Groups(1); });
    ASSERT_EQ(groups->result, 1);
    std::string expected = "OpenThreadToken error [1008]: got user access token\n";
    for (int32_t i = 0; i < groups->count; ++i) {
        if (groups->names[i] == nullptr) expected += "LookupAccountSidA error [1332]: ";
        expected += "getGroups[" + std::to_string(i) + "]: " + groups->sids[i] + " --> " +
                    (groups->names[i] != nullptr ? groups->names[i] : "(null)") + "\n";
    }
    delete groups;
    EXPECT_EQ(printed.out, expected);
    EXPECT_NE(printed.err.find("\n"), std::string::npos) << "the system texts of 1008 and 1332";
}

BOOL WINAPI refuseProcessToken(HANDLE, DWORD, PHANDLE) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
}

BOOL WINAPI refuseTokenInformation(HANDLE, TOKEN_INFORMATION_CLASS, LPVOID, DWORD, PDWORD returned) {
    *returned = 16;
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
}

BOOL WINAPI noGroups(HANDLE, TOKEN_INFORMATION_CLASS, LPVOID buffer, DWORD length, PDWORD returned) {
    *returned = sizeof(TOKEN_GROUPS);
    if (buffer == nullptr || length < sizeof(TOKEN_GROUPS)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    ((TOKEN_GROUPS*)buffer)->GroupCount = 0;
    return TRUE;
}

TEST(UserGroups, FailuresLeaveTheResultsAndPrintOnlyWhenVerbose) {
    SystemCallsAfterTest restore;
    struct Case {
        const char* name;
        UserGroupCalls calls;
        const char* verboseOut;
        const char* lastErrorText;  // Wine's text of the failing call's error
    };
    UserGroupCalls noProcessToken = kSystemUserGroupCalls;
    noProcessToken.openProcessToken = refuseProcessToken;
    UserGroupCalls noInformation = kSystemUserGroupCalls;
    noInformation.getTokenInformation = refuseTokenInformation;
    const Case cases[] = {
        {"no token", noProcessToken, "OpenThreadToken error [1008]: OpenProcessToken error [5]: ", "Access denied.\n"},
        {"no group information", noInformation,
         "OpenThreadToken error [1008]: got user access token\nGetTokenInformation error [6]: ",
         "Invalid handle.\n"},
    };
    for (const Case& c : cases) {
        userGroupCalls = c.calls;
        for (int32_t verbose : {0, 1}) {
            Groups* groups = nullptr;
            const Printed printed = printedBy([&] { groups = new Groups(verbose); });
            EXPECT_EQ(groups->result, 0) << c.name;
            EXPECT_EQ(groups->count, 0);
            EXPECT_EQ(groups->sids, nullptr);
            EXPECT_EQ(groups->names, nullptr);
            delete groups;
            EXPECT_EQ(printed.out, verbose ? c.verboseOut : "") << c.name;
            if (verbose) {
                const std::string last = c.lastErrorText;
                ASSERT_GT(printed.err.size(), last.size()) << c.name;
                EXPECT_EQ(printed.err.substr(printed.err.size() - last.size()), last) << c.name;
            } else {
                EXPECT_EQ(printed.err, "") << c.name;
            }
        }
    }
}

TEST(UserGroups, ATokenWithoutGroupsSucceedsAndLeavesTheResults) {
    SystemCallsAfterTest restore;
    userGroupCalls.getTokenInformation = noGroups;
    Groups groups(0);
    EXPECT_EQ(groups.result, 1);
    EXPECT_EQ(groups.count, 0);
    EXPECT_EQ(groups.sids, nullptr);
}

#else

TEST(SidToString, WritesTheUnixGroupSidWithTheSizeContract) {
    uint32_t size = 0;
    errno = 0;
    EXPECT_EQ(sidToString(1000, nullptr, &size), 0);
    EXPECT_EQ(errno, ERANGE);
    EXPECT_EQ(size, 52u);
    char text[52];
    size = 51;
    EXPECT_EQ(sidToString(1000, text, &size), 0);
    EXPECT_EQ(size, 52u);
    EXPECT_EQ(sidToString(4294967294u, text, &size), 1);
    EXPECT_STREQ(text, "S-1-22-2-4294967294");
}

// The groups `id -G` lists for this process.
std::set<std::string> idGroups() {
    const ProgramResult id = runProgram({"/usr/bin/id", "-G"});
    EXPECT_EQ(id.exitCode, 0);
    std::set<std::string> texts;
    std::istringstream words(id.output);
    for (std::string gid; words >> gid;) texts.insert("S-1-22-2-" + gid);
    return texts;
}

TEST(UserGroups, ListTheProcessGroupsWithTheirNamesEffectiveGroupFirst) {
    Groups groups(0);
    ASSERT_EQ(groups.result, 1);
    ASSERT_GE(groups.count, 1);
    EXPECT_EQ(std::string(groups.sids[0]), "S-1-22-2-" + std::to_string(getegid()));
    std::set<std::string> texts;
    for (int32_t i = 0; i < groups.count; ++i) {
        EXPECT_TRUE(texts.insert(groups.sids[i]).second) << groups.sids[i] << " listed twice";
        const struct group* entry = getgrgid((gid_t)strtoul(groups.sids[i] + 9, nullptr, 10));
        EXPECT_STREQ(groups.names[i], entry != nullptr ? entry->gr_name : nullptr);
    }
    EXPECT_EQ(texts, idGroups());
}

int supplementaryGroups(int size, gid_t list[]) {
    const gid_t groups[] = {getegid(), 4000000001u, 4000000002u};
    if (size == 0) return 3;
    std::copy(groups, groups + std::min(size, 3), list);
    return std::min(size, 3);
}

int noSupplementaryGroups(int, gid_t[]) {
    errno = EPERM;
    return -1;
}

int unknownGroup(gid_t, struct group*, char*, size_t, struct group** result) {
    *result = nullptr;
    return 0;
}

TEST(UserGroups, AnUnknownGroupHasANullNameAndIsReportedOnlyWhenVerbose) {
    SystemCallsAfterTest restore;
    userGroupCalls.getgroups = supplementaryGroups;
    userGroupCalls.getgrgid_r = unknownGroup;
    for (int32_t verbose : {0, 1}) {
        Groups* groups = nullptr;
        const Printed printed = printedBy([&] { groups = new Groups(verbose); });
        ASSERT_EQ(groups->result, 1);
        ASSERT_EQ(groups->count, 3) << "the effective group once";
        EXPECT_EQ(std::string(groups->sids[1]), "S-1-22-2-4000000001");
        for (int32_t i = 0; i < 3; ++i) EXPECT_EQ(groups->names[i], nullptr);
        const std::string egid = std::to_string(getegid());
        delete groups;
        const std::string missing = "LookupAccountSidA error [2]: ";
        EXPECT_EQ(printed.out, verbose ? "got user access token\n" + missing + "getGroups[0]: S-1-22-2-" + egid +
                                             " --> (null)\n" + missing +
                                             "getGroups[1]: S-1-22-2-4000000001 --> (null)\n" + missing +
                                             "getGroups[2]: S-1-22-2-4000000002 --> (null)\n"
                                       : "");
        EXPECT_EQ(printed.err, verbose ? "No such file or directory\nNo such file or directory\n"
                                         "No such file or directory\n"
                                       : "");
    }
}

TEST(UserGroups, FailuresLeaveTheResultsAndPrintOnlyWhenVerbose) {
    SystemCallsAfterTest restore;
    userGroupCalls.getgroups = noSupplementaryGroups;
    for (int32_t verbose : {0, 1}) {
        Groups* groups = nullptr;
        const Printed printed = printedBy([&] { groups = new Groups(verbose); });
        EXPECT_EQ(groups->result, 0);
        EXPECT_EQ(groups->sids, nullptr);
        EXPECT_EQ(groups->names, nullptr);
        delete groups;
        EXPECT_EQ(printed.out, verbose ? "got user access token\nGetTokenInformation error [1]: " : "");
        EXPECT_EQ(printed.err, verbose ? "Operation not permitted\n" : "");
    }
}

#endif

// What DisplayErrorText of `codes` writes to the standard error of a child
// started from `program`.
std::string errorTextOf(const fs::path& program, const std::vector<std::string>& codes) {
    TempDir dir;
    std::vector<std::string> argv = {"error_text"};
    argv.insert(argv.end(), codes.begin(), codes.end());
    const RunningProgram child = startProgram(program, argv, dir.path() / "out", dir.path() / "err");
    EXPECT_EQ(waitProgram(child), 0);
    EXPECT_EQ(readFile(dir.path() / "out"), "");
    return readFile(dir.path() / "err");
}

TEST(DisplayErrorText, WritesTheSystemTextAndNothingForAnUnknownCode) {
#ifdef _WIN32
    EXPECT_EQ(errorTextOf(fixtureProgram("error_text"), {"5"}), "Access denied.\r\n");
#else
    EXPECT_EQ(errorTextOf(fixtureProgram("error_text"), {"13"}), "Permission denied\n");
#endif
    EXPECT_EQ(errorTextOf(fixtureProgram("error_text"), {"1234567", "4294967295"}), "");
}

#ifdef _WIN32
TEST(DisplayErrorText, TakesNetworkCodesFromNetmsgWhenItLoadsAndTheSystemTableOtherwise) {
    // Wine has no netmsg.dll and no system text for 2102.
    EXPECT_EQ(errorTextOf(fixtureProgram("error_text"), {"2102", "5"}), "Access denied.\r\n");

    TempDir dir;
    fs::copy_file(fixtureProgram("error_text"), dir.path() / "error_text.exe");
    fs::copy_file(programDirectory().parent_path() / "netmsg-stand-in" / "netmsg.dll", dir.path() / "netmsg.dll");
    EXPECT_EQ(errorTextOf(dir.path() / "error_text.exe", {"2102", "2103", "5"}),
              "Network message text 2102 of the stand-in module.\r\nAccess denied.\r\n");
}
#endif

}  // namespace
