// What routing composes without a database, in both builds: the source
// lookup statement and its escaping, container names and the per-second
// counter, the way back from a path to its container, rule kinds and the
// bytes of the container files.
#include <gtest/gtest.h>

#include <stdlib.h>

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
const std::string kLineEnd = "\r\n";
const char kSeparator = '\\';
const int kAlreadyExists = 183;  // ERROR_ALREADY_EXISTS
#else
const std::string kLineEnd = "\n";
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
    ASSERT_EQ(buildSourceLookupSql(statement, "S", "D", "H"), 1);
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
    ASSERT_EQ(buildSourceLookupSql(statement, fits.c_str(), "D", "H"), 1);
    EXPECT_EQ(strlen(statement), 950u + 2 * 548u);

    CaptureStderr();
    EXPECT_EQ(buildSourceLookupSql(statement, fits.c_str(), "DD", "H"), 0);
    EXPECT_EQ(GetCapturedStderr(),
              "ContainerSourceLookupSQL: sender, destination and sender host too long (549 characters, at most 548 "
              "together), not looked up\n");
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
    EXPECT_EQ(GetCapturedStderr(),
              "Container name '17.../../etc.0.x' holds a path separator, no container created\n"
              "Container name '17.5.0.a\\b' holds a path separator, no container created\n"
                  "Container name too long (1024 characters, at most 1023), no container created\n");
}

TEST(ContainerCounter, CountsWithinASecondAndStartsAgainInTheNext) {
    const long second = 1000;
    EXPECT_EQ(nextContainerCounter(second), 1);
    EXPECT_EQ(nextContainerCounter(second), 2);
    EXPECT_EQ(nextContainerCounter(second), 3);
    EXPECT_EQ(nextContainerCounter(second + 1), 1);
}

TEST(ContainerCounter, NeverGivesTwoThreadsTheSameValueInOneSecond) {
    const long second = 2000;
    const int threads = 8, perThread = 500;
    std::vector<std::vector<int>> seen(threads);
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back([&, t] {
            for (int i = 0; i < perThread; ++i) seen[t].push_back(nextContainerCounter(second));
        });
    }
    for (std::thread& worker : workers) worker.join();
    std::set<int> all;
    for (const std::vector<int>& values : seen) all.insert(values.begin(), values.end());
    EXPECT_EQ(all.size(), (size_t)threads * perThread);
    EXPECT_EQ(*all.begin(), 1);
    EXPECT_EQ(*all.rbegin(), threads * perThread);
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
    char* path;
    FILE* file = openContainerFile(directory.c_str(), "rules.db", "rulefile", &path);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(fs::path(taken(path)), folder.path() / "rules.db");
    const std::vector<const char*> row = {"2001", "IMPORT", "", "Grüße"};
    writeFieldLine(file, row.data(), (int)row.size());
    writeFieldLine(file, row.data(), 0);
    fclose(file);
    EXPECT_EQ(readFile(folder.path() / "rules.db"), "2001\tIMPORT\t\tGrüße\t" + kLineEnd + kLineEnd);

    ASSERT_EQ(writeSourceDataFile(directory.c_str(), "DEST\tX", "O'Brien", "", nullptr), 1);
    EXPECT_EQ(readFile(folder.path() / "sourcedata.db"), "DEST\tX" + kLineEnd + "O'Brien" + kLineEnd + kLineEnd);

    ASSERT_EQ(writeImportInfoFile(directory.c_str(), "0x000000c5.42.1000.1", "D", "O''Brien", "H"), 1);
    EXPECT_EQ(readFile(folder.path() / "dbImport.info"),
              "SQL_STUDY: insert into studysource (tarvooid, parentoid, destination, sender, senderhost) values "
              "('0x000000c5.42.1000.1','%s','D','O''Brien','H');" +
                  kLineEnd);

    CaptureStderr();
    const std::string missing = (folder.path() / "missing").string();
    EXPECT_EQ(writeSourceDataFile(missing.c_str(), "D", "S", "H", nullptr), 0);
    EXPECT_EQ(writeImportInfoFile(missing.c_str(), "id", "D", "S", "H"), 0);
    EXPECT_EQ(GetCapturedStderr(), "can't open sourcedatafile '" + missing + "/sourcedata.db' for writing\n" +
                                       "can't open dbImport info file '" + missing +
                                       "/dbImport.info' for writing\n");
}

}  // namespace
