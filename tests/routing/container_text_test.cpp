// What routing composes without a database, in both builds: the source
// lookup statement and its escaping, container names and the per-second
// counter, the way back from a path to its container, rule kinds and the
// bytes of the container files.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "routing.h"
#include "test_support.h"

using namespace tarvo_test;
namespace fs = std::filesystem;
using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

namespace {

#ifdef _WIN32
const char kSeparator = '\\';
const int kAlreadyExists = 183;  // ERROR_ALREADY_EXISTS
#else
const char kSeparator = '/';
const int kAlreadyExists = 17;  // EEXIST
#endif

std::string taken(char* text) {
    const std::string copy = text != nullptr ? text : "<null>";
    free(text);
    return copy;
}

TEST(SourceLookupSql, PutsEachValueTwiceBetweenItsQuotes) {
    char statement[SOURCE_LOOKUP_SQL_CAPACITY];
    ASSERT_EQ(buildSourceLookupSql(statement, "S", "D", "H", 3), 1);
    const std::string text = statement;
    EXPECT_EQ(text.size(), 950u + 6u);
    EXPECT_NE(text.find("specificity  FROM source_lookup s, source_lookup_data d where"), std::string::npos);
    EXPECT_NE(text.find("((d.sender='S') or d.sender is null)) and ((d.destination='D') or (d.destination is "
                        "null)) and ((d.senderhost='H') or"),
              std::string::npos);
    EXPECT_NE(text.find("( ('S' ~ d.sender) or (d.sender is null)) and (('D' ~ d.destination) or (d.destination "
                        "is null)) and (('H' ~ d.senderhost)"),
              std::string::npos);
    EXPECT_EQ(text.substr(text.size() - 62), "))) order by specificity desc, destination, sender, senderhost");
}

TEST(SourceLookupSql, RefusesValuesThatDoNotFitWholeInsteadOfCuttingThem) {
    char statement[SOURCE_LOOKUP_SQL_CAPACITY];
    const std::string fits(548 - 2, 'x');
    ASSERT_EQ(buildSourceLookupSql(statement, fits.c_str(), "D", "H", 548), 1);
    EXPECT_EQ(strlen(statement), 950u + 2 * 548u);

    // The message counts the characters as given apart from the escaped
    // bytes: here 3 quotes doubled, and "ü" in two bytes.
    CaptureStderr();
    EXPECT_EQ(buildSourceLookupSql(statement, fits.c_str(), "''''''\xc3\xbc", "H", 546 + 4 + 1), 0);
    EXPECT_EQ(GetCapturedStderr(),
              "ContainerSourceLookupSQL: sender, destination and sender host too long (551 characters, 555 bytes "
              "as escaped, at most 548 bytes together), not looked up\n");
    EXPECT_STREQ(statement, "");
}

TEST(SqlText, EscapesQuotesAlwaysAndBackslashesOnlyForNonStandardStrings) {
    EXPECT_EQ(taken(escapeSqlText("O'Brien \\ CT", 1)), "O''Brien \\ CT");
    EXPECT_EQ(taken(escapeSqlText("O'Brien \\ CT", 0)), "O''Brien \\\\ CT");
    EXPECT_EQ(taken(escapeSqlText("x' or '1'='1", 1)), "x'' or ''1''=''1");
    EXPECT_EQ(taken(escapeSqlText("", 1)), "");

    EXPECT_TRUE(isDecimalInteger("17"));
    EXPECT_TRUE(isDecimalInteger("-3"));
    for (const char* text : {"", "-", "1 ", "1;DROP TABLE log", "0x10", "1.5"}) {
        EXPECT_FALSE(isDecimalInteger(text)) << text;
    }
}

TEST(ContainerName, JoinsSourceRowAndCallerNameOrProcessTimeAndCounter) {
    EXPECT_EQ(taken(buildContainerName("17", "5", nullptr, "study", 42)), "17.5.0.study");
    EXPECT_EQ(taken(buildContainerName("17", "5", "30", "study", 42)), "17.5.30.study");

    const long now = (long)time(nullptr);
    const std::string name = taken(buildContainerName("17", "5", nullptr, "", 42));
    const std::string prefix = "17.5.0.42.";
    ASSERT_EQ(name.substr(0, prefix.size()), prefix);
    const long seconds = strtol(name.c_str() + prefix.size(), nullptr, 10);
    EXPECT_GE(seconds, now);
    EXPECT_LE(seconds, now + 2);
}

TEST(ContainerName, RefusesNamesThatReachOutsideOrDoNotFit) {
    CaptureStderr();
    EXPECT_EQ(buildContainerName("17", "../../etc", "0", "x", 42), nullptr);
    EXPECT_EQ(buildContainerName("17", "5", "0", "a\\b", 42), nullptr);
    const std::string longName(1023 - 7, 'n');
    EXPECT_EQ(taken(buildContainerName("17", "5", "0", longName.c_str(), 42)).size(), 1023u);
    EXPECT_EQ(buildContainerName("17", "5", "0", (longName + "n").c_str(), 42), nullptr);
    EXPECT_EQ(buildContainerName("17", "5\r\n", "0", "x", 42), nullptr);
    EXPECT_EQ(GetCapturedStderr(),
              "Container name '17.../../etc.0.x' holds a path separator, no container created\n"
              "Container name '17.5.0.a\\b' holds a path separator, no container created\n"
              "Container name too long (1024 characters, at most 1023), no container created\n"
              "Container name holds a line end, no container created\n");
}

// A clock the tests step: it yields after reading, so that other threads
// run between the reading and its use, as a busy machine makes them do.
std::atomic<long> steppedNow{1000};
long steppedClock() {
    const long now = steppedNow;
    std::this_thread::yield();
    return now;
}

class ContainerCounter : public testing::Test {
protected:
    void SetUp() override { containerClock = steppedClock; }
    void TearDown() override { containerClock = realClock; }
    long (*const realClock)(void) = containerClock;
};

TEST_F(ContainerCounter, CountsWithinASecondAndStartsAgainInTheNext) {
    long second = 0;
    steppedNow = 1000;
    EXPECT_EQ(nextContainerCounter(&second), 1);
    EXPECT_EQ(nextContainerCounter(&second), 2);
    EXPECT_EQ(nextContainerCounter(&second), 3);
    EXPECT_EQ(second, 1000);
    steppedNow = 1001;
    EXPECT_EQ(nextContainerCounter(&second), 1);
    EXPECT_EQ(second, 1001);
}

// Names from the product's own builder, on many threads, while the clock
// steps from one second to the next under them: never one name twice.
TEST_F(ContainerCounter, NamesStayUniqueAcrossSecondBoundaries) {
    steppedNow = 5000;
    const int threads = 16, perThread = 4000;
    std::atomic<bool> running{true};
    std::thread ticker([&] {
        while (running) {
            std::this_thread::sleep_for(std::chrono::microseconds(200));
            ++steppedNow;
        }
    });
    std::vector<std::vector<std::string>> names(threads);
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back([&, t] {
            for (int i = 0; i < perThread; ++i) names[t].push_back(taken(buildContainerName("17", "5", "0", "", 42)));
        });
    }
    for (std::thread& worker : workers) worker.join();
    running = false;
    ticker.join();
    std::set<std::string> all;
    for (const std::vector<std::string>& list : names) all.insert(list.begin(), list.end());
    EXPECT_EQ(all.size(), (size_t)threads * perThread);
    EXPECT_GT(steppedNow.load(), 5001) << "the clock stepped while the names were made";
}

TEST(ContainerPath, LeadsBackToTheContainerDirectoryAndItsName) {
    EXPECT_EQ(taken(containerDirectoryOf("/srv/container/17.5.0.1/data")), "/srv/container/17.5.0.1");
    EXPECT_EQ(taken(containerDirectoryOf("C:\\tarvo\\container\\17.5.0.1\\data")),
              "C:\\tarvo\\container\\17.5.0.1");
    EXPECT_EQ(taken(containerDirectoryOf("/data/container/17.5.0.1/data")), "/data/container/17.5.0.1");
    EXPECT_EQ(taken(containerDirectoryOf("data/x")), "data/x") << "\"data\" at the start keeps the path";
    EXPECT_EQ(taken(containerDirectoryOf("/srv/container/17.5.0.1")), "/srv/container/17.5.0.1");

    EXPECT_EQ(taken(containerNameOf("/opt/tarvo/container/17.5.0.1")), "17.5.0.1");
    EXPECT_EQ(taken(containerNameOf("C:\\tarvo\\container\\17.5.0.1")), "17.5.0.1");
    // No word "container", or the word elsewhere: still the last component.
    EXPECT_EQ(taken(containerNameOf("/srv/routing/17.5.0.1")), "17.5.0.1");
    EXPECT_EQ(taken(containerNameOf("/home/container-user/containers/17.5.0.1/")), "17.5.0.1");
    EXPECT_EQ(taken(containerNameOf("17.5.0.1")), "17.5.0.1");

    char text[] = "CT\tMR\t";
    EXPECT_STREQ(replaceChar(text, '\t', '|'), "CT|MR|");
}

TEST(ContainerFolder, TakesTheDatabasesUtf8NameIntoThePlatformsEncoding) {
    TempDir root;
    const std::string name = "17.5.0.Gr\xc3\xbc\xc3\x9f" "e";  // UTF-8, as the database gives it
    char* path = createContainerDirectory(root.str().c_str(), name.c_str());
    ASSERT_NE(path, nullptr);
    EXPECT_TRUE(fs::is_directory(root.path() / fs::u8path(name)));
#ifdef _WIN32
    EXPECT_EQ(std::string(path), root.str() + "\\17.5.0.Gr\xfc\xdf" "e") << "the ANSI code page";
#else
    EXPECT_EQ(std::string(path), root.str() + "/" + name);
#endif
    EXPECT_EQ(taken(containerNameOf(path)), name) << "back to UTF-8 for the log row";
    free(path);

    CaptureStderr();
#ifdef _WIN32
    EXPECT_EQ(createContainerDirectory(root.str().c_str(), "17.5.0.\xe4\xb8\xad"), nullptr);
#endif
    writeFile(root.path() / "file", "");
    EXPECT_EQ(createContainerDirectory(root.str("file").c_str(), "x"), nullptr);
    EXPECT_EQ(GetCapturedStderr(),
#ifdef _WIN32
              "Container name '17.5.0.\xe4\xb8\xad' can't be a path on this system, no container created\n" +
#endif
                  std::string("Can't create container directory '") + root.str("file") + kSeparator + "x': " +
                  std::to_string(kAlreadyExists) + "\n");
}

TEST(RuleKind, TakesTheWordsOfAnyColumnWithoutRegardToCase) {
    const auto kind = [](std::vector<const char*> values) { return ruleKind(values.data(), (int)values.size()); };
    EXPECT_EQ(kind({"1", "IMPORT", ""}), RULE_STAGING);
    EXPECT_EQ(kind({"1", "staging_only"}), RULE_STAGING);
    EXPECT_EQ(kind({"1", "FORWARD", "Archive_Only"}), RULE_ARCHIVE_ONLY);
    EXPECT_EQ(kind({"1", "IMPORT", "archive_only"}), RULE_STAGING | RULE_ARCHIVE_ONLY);
    EXPECT_EQ(kind({"1", "IMPORTS", "ARCHIVE"}), 0);
}

TEST(ContainerFiles, AreTextFilesWithThePlatformsLineEnds) {
    TempDir folder;
    const std::string directory = folder.str();
    ContainerFile file;
    ASSERT_EQ(openContainerFile(&file, directory.c_str(), "rules.db", "rulefile", 0), 1);
    EXPECT_EQ(fs::path(file.path), folder.path() / "rules.db");
    const std::vector<const char*> row = {"2001", "IMPORT", "", "Grüße"};
    writeFieldLine(&file, row.data(), (int)row.size());
    writeFieldLine(&file, row.data(), 0);
    writeValuesLine(&file, row.data(), 3, 0, "an archive value");
    EXPECT_EQ(closeContainerFile(&file), 1);
    EXPECT_EQ(readFile(folder.path() / "rules.db"),
              "2001\tIMPORT\t\tGrüße\t" + kTextLineEnd + kTextLineEnd + "2001\tIMPORT\t" + kTextLineEnd);

    char* path = nullptr;
    ASSERT_EQ(writeSourceDataFile(directory.c_str(), "DEST\tX", "O'Brien", "", 0, &path), 1);
    EXPECT_EQ(fs::path(taken(path)), folder.path() / "sourcedata.db");
    EXPECT_EQ(readFile(folder.path() / "sourcedata.db"), "DEST\tX" + kTextLineEnd + "O'Brien" + kTextLineEnd + kTextLineEnd);

    ASSERT_EQ(writeImportInfoFile(directory.c_str(), "0x000000c5.42.1000.1", "D", "O''Brien", "H"), 1);
    EXPECT_EQ(readFile(folder.path() / "dbImport.info"),
              "SQL_STUDY: insert into studysource (tarvooid, parentoid, destination, sender, senderhost) values "
              "('0x000000c5.42.1000.1','%s','D','O''Brien','H');" +
                  kTextLineEnd);

    CaptureStderr();
    const std::string missing = (folder.path() / "missing").string();
    EXPECT_EQ(writeSourceDataFile(missing.c_str(), "D", "S", "H", 0, nullptr), 0);
    EXPECT_EQ(writeSourceDataFile(missing.c_str(), "D", "S", "H", 1, nullptr), 0);
    EXPECT_EQ(writeImportInfoFile(missing.c_str(), "id", "D", "S", "H"), 0);
    EXPECT_EQ(GetCapturedStderr(), "can't open sourcedatafile '" + missing + "/sourcedata.db' for writing\n" +
                                       "can't open sourcedatafile '" + missing + "/sourcedata.db' for writing\n" +
                                       "can't open dbImport info file '" + missing +
                                       "/dbImport.info' for writing\n");
}

// A value with a line end would add lines the readers do not expect: it is
// refused, and the file is not left behind (or, replacing, stays as it was).
TEST(ContainerFiles, RefuseValuesThatWouldSplitALine) {
    TempDir folder;
    const std::string directory = folder.str();
    const std::string file = directory + "/sourcedata.db";
    CaptureStderr();
    EXPECT_EQ(writeSourceDataFile(directory.c_str(), "D", "S\nX", "H", 0, nullptr), -1);
    EXPECT_FALSE(fs::exists(folder.path() / "sourcedata.db"));
    ASSERT_EQ(writeSourceDataFile(directory.c_str(), "D", "S", "H", 0, nullptr), 1);
    EXPECT_EQ(writeSourceDataFile(directory.c_str(), "D", "S", "H\r", 1, nullptr), -1);
    EXPECT_EQ(writeSourceDataFile(directory.c_str(), "D\n", "S", "H", 1, nullptr), -1);
    EXPECT_EQ(writeImportInfoFile(directory.c_str(), "id", "D", "S\n", "H"), 0);
    ContainerFile rules;
    ASSERT_EQ(openContainerFile(&rules, directory.c_str(), "rules.db", "rulefile", 0), 1);
    const char* row[] = {"1", "IMPORT\n2"};
    writeFieldLine(&rules, row, 2);
    EXPECT_EQ(closeContainerFile(&rules), 0);
    EXPECT_EQ(GetCapturedStderr(), "can't write sourcedatafile '" + file + "': the sender holds a line end\n" +
                                       "can't write sourcedatafile '" + file +
                                       "': the sender host holds a line end\n" + "can't write sourcedatafile '" +
                                       file + "': the destination holds a line end\n" +
                                       "can't write dbImport info file '" + directory +
                                       "/dbImport.info': the sender holds a line end\n" + "can't write rulefile '" +
                                       directory + "/rules.db': a database value holds a line end\n");
    EXPECT_EQ(readFile(file), "D" + kTextLineEnd + "S" + kTextLineEnd + "H" + kTextLineEnd);
    EXPECT_FALSE(fs::exists(folder.path() / "dbImport.info"));
    EXPECT_FALSE(fs::exists(folder.path() / "rules.db"));
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()), 1)
        << "nothing written beside sourcedata.db stays";
}

TEST(ContainerFiles, ReplacementsTakeThePlaceOfTheOldFileWhole) {
    TempDir folder;
    const std::string directory = folder.str();
    ASSERT_EQ(writeSourceDataFile(directory.c_str(), "D", "S", "H", 0, nullptr), 1);
    ASSERT_EQ(writeSourceDataFile(directory.c_str(), "D2", "S2", "H2", 1, nullptr), 1);
    EXPECT_EQ(readFile(folder.path() / "sourcedata.db"), "D2" + kTextLineEnd + "S2" + kTextLineEnd + "H2" + kTextLineEnd);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()), 1);

    // The file stands in the way of its own replacement: a folder by its name.
    fs::remove(folder.path() / "sourcedata.db");
    fs::create_directories(folder.path() / "sourcedata.db" / "x");
    CaptureStderr();
    EXPECT_EQ(writeSourceDataFile(directory.c_str(), "D", "S", "H", 1, nullptr), -1);
    const std::string errors = GetCapturedStderr();
    EXPECT_EQ(errors.rfind("can't replace sourcedatafile '" + directory + "/sourcedata.db': ", 0), 0u) << errors;
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()), 1);
}

// Container directories are always new: one that exists is never taken
// over; and a removal takes all of a directory's content.
TEST(ContainerFolder, IsNeverTakenOverAndRemovedWhole) {
    TempDir root;
    const std::string containers = root.str("containers/sub");
    char* path = createContainerDirectory(containers.c_str(), "17.5.0.x");
    ASSERT_NE(path, nullptr) << "the missing levels of the container root are made";
    writeFile(root.path() / "containers" / "sub" / "17.5.0.x" / "rules.db", "kept");
    CaptureStderr();
    EXPECT_EQ(createContainerDirectory(containers.c_str(), "17.5.0.x"), nullptr);
    EXPECT_EQ(GetCapturedStderr(), "Can't create container directory '" + std::string(path) + "': " +
                                       std::to_string(kAlreadyExists) + "\n");
    EXPECT_EQ(readFile(root.path() / "containers" / "sub" / "17.5.0.x" / "rules.db"), "kept");

    fs::create_directories(fs::path(path) / "data" / "deeper");
    writeFile(fs::path(path) / "data" / "deeper" / "f", "x");
    EXPECT_EQ(removeContainerDirectory(path), 1);
    EXPECT_FALSE(fs::exists(fs::path(path)));
    EXPECT_TRUE(fs::is_directory(root.path() / "containers" / "sub")) << "the root stays";
    CaptureStderr();
    EXPECT_EQ(removeContainerDirectory(path), 0);
    EXPECT_NE(GetCapturedStderr().find("Can't remove container directory '" + std::string(path) + "': "),
              std::string::npos);
    free(path);
}

}  // namespace
