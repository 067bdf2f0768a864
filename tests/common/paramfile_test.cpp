// The parameter-file reader: syntax, table layout, lookups and file limits.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <string.h>

#include <string>

#include "paramfile.h"
#include "test_support.h"

using tarvo_test::TempDir;
using tarvo_test::writeFile;

namespace {

// A table read from a file written with the given bytes.
class Table {
public:
    explicit Table(const std::string& bytes) {
        writeFile(dir_.path() / "test.conf", bytes);
        table_ = readpara(dir_.str("test.conf").c_str());
    }
    ~Table() { free(table_); }
    const char* get() const { return table_; }
    // The value of `key`, or "<null>".
    std::string value(const char* key) const {
        const char* v = table_ != nullptr ? getpara(table_, key) : nullptr;
        return v != nullptr ? v : "<null>";
    }
    // The stored lines in order, each followed by "|".
    std::string lines() const {
        std::string all;
        for (const char* p = table_; *p != PARAMETER_TABLE_END; p += strlen(p) + 1) all += std::string(p) + "|";
        return all;
    }

private:
    TempDir dir_;
    char* table_ = nullptr;
};

TEST(ParameterFile, CommentsAndEscapes) {
    Table t(
        "A=value # note\n"
        "B = v   ! note\n"
        "C = a\\#b\n"
        "D = Hello\\!\n"
        "E = a\\b\n"
        "F = a\\\\#b\n"
        "G = x#y!z\n");
    EXPECT_EQ(t.value("A"), "value");
    EXPECT_EQ(t.value("B"), "v");
    EXPECT_EQ(t.value("C"), "a#b");
    EXPECT_EQ(t.value("D"), "Hello!");
    EXPECT_EQ(t.value("E"), "a\\b");
    EXPECT_EQ(t.value("F"), "a\\#b");
    EXPECT_EQ(t.value("G"), "x");
}

TEST(ParameterFile, StoresWholeTrimmedLinesAndDropsEmptyOnes) {
    Table t("# comment\n   \n\t A = 1 \t\n! other\n \\#B:2\nC=3");
    ASSERT_NE(t.get(), nullptr);
    EXPECT_EQ(t.lines(), "A = 1|#B:2|C=3|");
    // The end marker follows the last line's terminator directly.
    const char expected[] = "A = 1\0#B:2\0C=3\0\n";
    EXPECT_EQ(memcmp(t.get(), expected, sizeof expected - 1), 0);
}

TEST(ParameterFile, KeysMatchWithoutCaseAndNeedASeparatorAfterSpaces) {
    Table t("key: lower\nKEYS = 1\nTAB\t= x\nOther=1\n");
    EXPECT_EQ(t.value("KEY"), "lower");
    EXPECT_EQ(t.value("Key"), "lower");
    EXPECT_EQ(t.value("TAB"), "<null>");
    EXPECT_EQ(t.value("other"), "1");
    EXPECT_EQ(t.value("MISSING"), "<null>");

    Table debug("DEBUG_LEVEL = 2\nDEBUG = TRUE\n");
    EXPECT_EQ(debug.value("DEBUG"), "TRUE");

    Table twice("KEY = 1\nKEY = 2\n");
    EXPECT_EQ(twice.value("KEY"), "1");
}

TEST(ParameterFile, ValueIsTheRestOfTheLine) {
    Table t("EMPTY =\nEQ = a = b\nTABS =\t  value  \nQ = \"quoted\" : x\n");
    EXPECT_EQ(t.value("EMPTY"), "");
    EXPECT_EQ(t.value("EQ"), "a = b");
    EXPECT_EQ(t.value("TABS"), "value");
    EXPECT_EQ(t.value("Q"), "\"quoted\" : x");
}

TEST(ParameterFile, LineEndsGiveTheSameTable) {
    const std::string expected = "A = 1|B = 2|C = 3|";
    EXPECT_EQ(Table("A = 1\nB = 2\nC = 3\n").lines(), expected);
    EXPECT_EQ(Table("A = 1\rB = 2\rC = 3\r").lines(), expected);
    EXPECT_EQ(Table("A = 1\r\nB = 2\r\nC = 3\r\n").lines(), expected);
    EXPECT_EQ(Table("A = 1\r\n\r\nB = 2\rC = 3").lines(), expected);
}

TEST(ParameterFile, TinyAndMissingFiles) {
    for (const char* bytes : {"", "x", "\n"}) {
        Table t(bytes);
        ASSERT_NE(t.get(), nullptr) << "file of " << strlen(bytes) << " byte(s)";
        EXPECT_EQ(t.get()[0], PARAMETER_TABLE_END);
        EXPECT_EQ(t.value("x"), "<null>");
    }
    Table two("x=");
    EXPECT_EQ(two.value("X"), "");

    TempDir dir;
    EXPECT_EQ(readpara(dir.str("missing.conf").c_str()), nullptr);
    EXPECT_EQ(readpara(dir.str().c_str()), nullptr) << "a folder is not a parameter file";
    EXPECT_EQ(readpara(nullptr), nullptr);
}

// Files far past 16 KB are read whole; past the documented bound they are refused.
TEST(ParameterFile, LargeFiles) {
    std::string bytes;
    for (int i = 0; bytes.size() < 100 * 1024; ++i) bytes += "KEY_" + std::to_string(i) + " = value " + std::to_string(i) + "\r\n";
    const std::string longValue(100 * 1024, 'v');
    bytes += "LAST = end\nLONG = " + longValue + "\n";
    Table big(bytes);
    ASSERT_NE(big.get(), nullptr);
    EXPECT_EQ(big.value("KEY_0"), "value 0");
    EXPECT_EQ(big.value("KEY_1000"), "value 1000");
    EXPECT_EQ(big.value("LAST"), "end");
    EXPECT_EQ(big.value("LONG"), longValue);

    Table atLimit(std::string(PARAMETER_FILE_MAX_BYTES - 3, ' ') + "A=1");
    EXPECT_EQ(atLimit.value("A"), "1");
    Table overLimit(std::string(PARAMETER_FILE_MAX_BYTES - 2, ' ') + "A=1");
    EXPECT_EQ(overLimit.get(), nullptr);
}

TEST(ParameterFile, GetfileStopsAtLineEndsAndAtTheLimit) {
    TempDir dir;
    writeFile(dir.path() / "lines", "abcdef\n\nxy");
    FILE* file = fopen(dir.str("lines").c_str(), "rb");
    ASSERT_NE(file, nullptr);
    char buffer[5];
    ASSERT_NE(getfile(buffer, 4, file), nullptr);
    EXPECT_STREQ(buffer, "abcd");
    ASSERT_NE(getfile(buffer, 4, file), nullptr);
    EXPECT_STREQ(buffer, "ef");
    ASSERT_NE(getfile(buffer, 4, file), nullptr);
    EXPECT_STREQ(buffer, "") << "an empty line is not the end of the file";
    ASSERT_NE(getfile(buffer, 4, file), nullptr);
    EXPECT_STREQ(buffer, "xy");
    EXPECT_EQ(getfile(buffer, 4, file), nullptr);
    fclose(file);
}

}  // namespace
