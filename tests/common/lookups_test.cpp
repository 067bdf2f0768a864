// Registry, environment and folder lookups, against the real registry under
// Wine and the file-backed store on Linux.
#include <gtest/gtest.h>

#include <errno.h>
#include <stdlib.h>
#include <string.h>

#include <filesystem>
#include <string>

#include "test_support.h"
#include "utilglobal.h"

using namespace tarvo_test;
namespace fs = std::filesystem;

namespace {

const char kTestKey[] = "Software\\TarvoTest";
const char kUserEnvironment[] = "Environment";
const char kMachineEnvironment[] = "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";
const char kShellFolders[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

#ifdef _WIN32
const char kSeparator = '\\';
const char kDefaultHome[] = "C:/Programme/TARVO";
const int kAlreadyExistsCode = 183;  // ERROR_ALREADY_EXISTS
const int kPathTooLongCode = 206;    // ERROR_FILENAME_EXCED_RANGE
#else
const char kSeparator = '/';
const char kDefaultHome[] = "/opt/tarvo";
const int kAlreadyExistsCode = EEXIST;
const int kPathTooLongCode = ENAMETOOLONG;
#endif

std::string taken(char* text) {
    std::string copy = text != nullptr ? text : "<null>";
    free(text);
    return copy;
}

class RegistryTest : public testing::Test {
protected:
    void TearDown() override {
        deleteRegistryKey(HKEY_CURRENT_USER, kTestKey);
        deleteRegistryKey(HKEY_LOCAL_MACHINE, kTestKey);
    }
};

TEST_F(RegistryTest, ReadsTextValuesThatFitTheBuffer) {
    setRegistryValue(HKEY_CURRENT_USER, kTestKey, "Folder", "C:\\Program Files\\tarvo");
    setRegistryValue(HKEY_LOCAL_MACHINE, kTestKey, "Folder", "machine");
    EXPECT_EQ(taken(getRegKey(HKEY_CURRENT_USER, kTestKey, "Folder")), "C:\\Program Files\\tarvo");
    EXPECT_EQ(taken(getRegKey(HKEY_LOCAL_MACHINE, kTestKey, "Folder")), "machine");
    EXPECT_EQ(taken(getRegKey(HKEY_CURRENT_USER, "software\\tarvotest", "FOLDER")),
              "C:\\Program Files\\tarvo")
        << "key and value names are matched without regard to case";

    setRegistryValue(HKEY_CURRENT_USER, kTestKey, "Empty", "");
    EXPECT_EQ(taken(getRegKey(HKEY_CURRENT_USER, kTestKey, "Empty")), "");
    const std::string longest(REGISTRY_VALUE_CAPACITY - 1, 'x');
    setRegistryValue(HKEY_CURRENT_USER, kTestKey, "Longest", longest);
    EXPECT_EQ(taken(getRegKey(HKEY_CURRENT_USER, kTestKey, "Longest")), longest);
}

TEST_F(RegistryTest, MissingOrOversizedValuesGiveNull) {
    setRegistryValue(HKEY_CURRENT_USER, kTestKey, "TooLong", std::string(REGISTRY_VALUE_CAPACITY, 'x'));
    setRegistryValue(HKEY_CURRENT_USER, kTestKey, "Long300", std::string(300, 'x'));
    EXPECT_EQ(getRegKey(HKEY_CURRENT_USER, kTestKey, "TooLong"), nullptr);
    EXPECT_EQ(getRegKey(HKEY_CURRENT_USER, kTestKey, "Long300"), nullptr);
    EXPECT_EQ(getRegKey(HKEY_CURRENT_USER, kTestKey, "Missing"), nullptr);
    EXPECT_EQ(getRegKey(HKEY_CURRENT_USER, "Software\\TarvoTestMissing", "Folder"), nullptr);
}

#ifndef _WIN32
TEST_F(RegistryTest, StoreNamesCannotLeaveTheStore) {
    setRegistryValue(HKEY_CURRENT_USER, kTestKey, "Folder", "inside");
    EXPECT_EQ(getRegKey(HKEY_CURRENT_USER, "Software\\..\\Software\\TarvoTest", "Folder"), nullptr);
    EXPECT_EQ(getRegKey(HKEY_CURRENT_USER, "Software", "TarvoTest/Folder"), nullptr);
    writeFile(fs::path(getenv("TARVO_REGISTRY_HKCU")) / "Software" / "TarvoTest" / "Line", "with newline\n");
    EXPECT_EQ(taken(getRegKey(HKEY_CURRENT_USER, kTestKey, "Line")), "with newline");
}
#endif

class TarvoHomeTest : public RegistryTest {
protected:
    void SetUp() override { unsetEnv("TARVO"); }
    void TearDown() override {
        // Only the test's own values: the keys hold the prefix's PATH and TEMP.
        deleteRegistryValue(HKEY_CURRENT_USER, kUserEnvironment, "TARVO");
        deleteRegistryValue(HKEY_LOCAL_MACHINE, kMachineEnvironment, "TARVO");
        unsetEnv("TARVO");
    }
    // The installation home as a freshly started program finds it.
    std::string homeOfNewProcess() {
        const ProgramResult result = runProgram({fixtureProgram("print_tarvo_home").string()});
        EXPECT_EQ(result.exitCode, 0);
        return result.output;
    }
};

TEST_F(TarvoHomeTest, FirstSourceThatAnswersWins) {
    EXPECT_STREQ(getTarvoHome(), kDefaultHome);

    setRegistryValue(HKEY_LOCAL_MACHINE, kMachineEnvironment, "TARVO", "D:\\machine");
    EXPECT_STREQ(getTarvoHome(), "D:\\machine");

    setRegistryValue(HKEY_CURRENT_USER, kUserEnvironment, "TARVO", "D:\\user");
    EXPECT_STREQ(getTarvoHome(), "D:\\user") << "the user's value beats the machine's";

    setEnv("TARVO", "E:\\env");
    EXPECT_STREQ(getTarvoHome(), "E:\\env");
}

TEST_F(TarvoHomeTest, RegistryCopyIsKeptOncePerText) {
    setRegistryValue(HKEY_CURRENT_USER, kUserEnvironment, "TARVO", "D:\\kept");
    const char* first = getTarvoHome();
    EXPECT_EQ(getTarvoHome(), first);
    setRegistryValue(HKEY_CURRENT_USER, kUserEnvironment, "TARVO", "D:\\changed");
    EXPECT_STREQ(getTarvoHome(), "D:\\changed");
    EXPECT_STREQ(first, "D:\\kept") << "an earlier result stays valid";
}

TEST_F(TarvoHomeTest, EmptyEnvironmentVariableWins) {
    setRegistryValue(HKEY_CURRENT_USER, kUserEnvironment, "TARVO", "D:\\user");
    setRegistryValue(HKEY_LOCAL_MACHINE, kMachineEnvironment, "TARVO", "D:\\machine");
    setEnv("TARVO", "");
    EXPECT_EQ(homeOfNewProcess(), "[]");
    unsetEnv("TARVO");
    EXPECT_EQ(homeOfNewProcess(), "[D:\\user]");
}

// Wine keeps its own desktop record in the prefix; each test puts it back.
class UserHomeTest : public testing::Test {
protected:
    void SetUp() override { saved_ = getRegKey(HKEY_CURRENT_USER, kShellFolders, "Desktop"); }
    void TearDown() override {
        if (saved_ != nullptr) {
            setRegistryValue(HKEY_CURRENT_USER, kShellFolders, "Desktop", saved_);
        } else {
            deleteRegistryValue(HKEY_CURRENT_USER, kShellFolders, "Desktop");
        }
        free(saved_);
    }

private:
    char* saved_ = nullptr;
};

TEST_F(UserHomeTest, ParentOfTheRecordedDesktopFolder) {
    const std::string home = std::string("C:") + kSeparator + "Users" + kSeparator + "user1";
    setRegistryValue(HKEY_CURRENT_USER, kShellFolders, "Desktop", home + kSeparator + "Desktop");
    EXPECT_EQ(taken(getUserHome()), home);
}

TEST_F(UserHomeTest, ShellAnswersWhenTheRecordIsUnusable) {
    setRegistryValue(HKEY_CURRENT_USER, kShellFolders, "Desktop", "NoSeparator");
    const std::string fromShell = taken(getUserHome());
    EXPECT_NE(fromShell, "NoSeparator");
#ifdef _WIN32
    // Wine records its desktop folder; without the record the shell still
    // names the folder that holds the desktop.
    EXPECT_TRUE(fs::is_directory(fs::path(fromShell) / "Desktop")) << fromShell;
#else
    EXPECT_EQ(fromShell, getenv("HOME"));
    const std::string savedHome = getenv("HOME");
    unsetEnv("HOME");
    const std::string fromPasswd = taken(getUserHome());
    setEnv("HOME", savedHome);
    EXPECT_FALSE(fromPasswd.empty());
    EXPECT_EQ(fromPasswd[0], '/');
#endif
}

class DirectoryPathTest : public testing::Test {
protected:
    TempDir dir;
    // dir's path with "/" between parts, as routing writes paths.
    std::string slashed(const std::string& rest) {
        std::string path = dir.str() + "/" + rest;
        for (char& c : path) c = c == '\\' ? '/' : c;
        return path;
    }
    int create(std::string& path) { return createDirectoryPath(&path[0]); }
};

TEST_F(DirectoryPathTest, CreatesEveryMissingLevel) {
    std::string path = slashed("data/a/b");
    ASSERT_EQ(create(path), 0);
    EXPECT_TRUE(fs::is_directory(dir.path() / "data" / "a" / "b"));
#ifdef _WIN32
    EXPECT_EQ(path.find('/'), std::string::npos) << "the caller's string now has backslashes: " << path;
#endif
    std::string again = slashed("data/a/b");
    EXPECT_EQ(create(again), 0) << "existing folders are fine";
    std::string trailing = slashed("data/a/b/");
    EXPECT_EQ(create(trailing), 0);
    std::string deeper = slashed("data/a/b/c/");
    EXPECT_EQ(create(deeper), 0);
    EXPECT_TRUE(fs::is_directory(dir.path() / "data" / "a" / "b" / "c"));
}

TEST_F(DirectoryPathTest, RelativePathsLieBelowTheCurrentFolder) {
    const fs::path saved = fs::current_path();
    fs::current_path(dir.path());
    std::string path = "rel/sub";
    const int result = create(path);
    fs::current_path(saved);
    EXPECT_EQ(result, 0);
    EXPECT_TRUE(fs::is_directory(dir.path() / "rel" / "sub"));
}

TEST_F(DirectoryPathTest, FailuresReturnTheSystemErrorCode) {
    writeFile(dir.path() / "file", "x");
    std::string under = slashed("file/sub");
    EXPECT_NE(create(under), 0);
    std::string isFile = slashed("file");
    EXPECT_EQ(create(isFile), kAlreadyExistsCode) << "a file is not a folder that exists";

#ifdef _WIN32
    // A root-relative path fails at its empty first component.
    std::string rooted = "\\tarvo-test-root\\x";
    EXPECT_EQ(create(rooted), 3);  // ERROR_PATH_NOT_FOUND
#endif
}

TEST_F(DirectoryPathTest, OverlongPathsAreRefusedWhole) {
    std::string path = dir.str();
    while (path.size() < DIRECTORY_PATH_CAPACITY - 1) path += std::string(1, kSeparator) + "level";
    path.resize(DIRECTORY_PATH_CAPACITY - 1);  // one character past the limit
    EXPECT_EQ(create(path), kPathTooLongCode);
    EXPECT_FALSE(fs::exists(dir.path() / "level")) << "nothing is created";

#ifndef _WIN32
    std::string longest = path.substr(0, DIRECTORY_PATH_CAPACITY - 2);
    EXPECT_EQ(create(longest), 0);
#endif
}

}  // namespace
