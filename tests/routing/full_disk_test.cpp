// Container files on a volume without a free byte (a small tmpfs of the
// tests' own, see tests/fixtures/disk-volume): every failed write is
// reported with the file and the system's error, leaves no half file, keeps
// the file it was to replace, and a stateinfo that could not be written is
// not announced.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <filesystem>
#include <string>

#include "autorouter_listener.h"
#include "routing.h"
#include "routing_home.h"
#include "test_support.h"

using namespace tarvo_test;
namespace fs = std::filesystem;
using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

namespace {

const std::string kNoSpace = ": No space left on device (28)\n";

class FullDiskTest : public testing::Test {
protected:
    void SetUp() override {
        if (fullVolume().empty()) GTEST_SKIP() << "no volume of the tests' own (not root)";
        folder = fs::path(fullVolume()) / "c" / "17.5.0.1";
        fs::remove_all(fs::path(fullVolume()) / "c");
        fs::create_directories(folder / "data");
        writeFile(folder / "sourcedata.db", "old" + kTextLineEnd);
        writeFile(folder / "stateinfo", "old" + kTextLineEnd);
        fillVolume(fullVolume());
    }
    void TearDown() override {
        if (fullVolume().empty()) return;
        fs::remove(fs::path(fullVolume()) / "filler");
        fs::remove_all(fs::path(fullVolume()) / "c");
    }
    std::string entries() const {
        std::string names;
        for (const auto& entry : fs::directory_iterator(folder)) names += entry.path().filename().string() + " ";
        return names;
    }

    fs::path folder;
};

TEST_F(FullDiskTest, FailedWritesLeaveNoHalfFile) {
    const std::string directory = folder.string();
    CaptureStderr();
    EXPECT_EQ(writeSourceDataFile((directory + "/data").c_str(), "D", "S", "H", 0, nullptr), -1);
    ContainerFile rules;
    ASSERT_EQ(openContainerFile(&rules, directory.c_str(), "rules.db", "rulefile", 0), 1);
    const char* row[] = {"1", "IMPORT"};
    writeFieldLine(&rules, row, 2);
    EXPECT_EQ(closeContainerFile(&rules), 0);
    EXPECT_EQ(writeImportInfoFile((directory + "/data").c_str(), "id", "D", "S", "H"), 0);
    EXPECT_EQ(GetCapturedStderr(), "can't write sourcedatafile '" + directory + "/data/sourcedata.db'" + kNoSpace +
                                       "can't write rulefile '" + directory + "/rules.db'" + kNoSpace +
                                       "can't write dbImport info file '" + directory + "/data/dbImport.info'" +
                                       kNoSpace);
    EXPECT_TRUE(fs::is_empty(folder / "data"));
    EXPECT_FALSE(fs::exists(folder / "rules.db"));
}

TEST_F(FullDiskTest, AFailedUpdateKeepsTheOldSourceData) {
    const std::string data = (folder / "data").string();
    CaptureStderr();
    EXPECT_EQ(updateContainerSourceData(data.c_str(), "S", "D", "H", 0), 0);
    EXPECT_EQ(GetCapturedStderr(), "can't write sourcedatafile '" + folder.string() + "/sourcedata.db'" + kNoSpace);
    EXPECT_EQ(readFile(folder / "sourcedata.db"), "old" + kTextLineEnd);
    EXPECT_EQ(entries().find(".tmp"), std::string::npos) << entries();

    fs::remove(fs::path(fullVolume()) / "filler");
    EXPECT_EQ(updateContainerSourceData(data.c_str(), "S", "D", "H", 0), 1);
    EXPECT_EQ(readFile(folder / "sourcedata.db"), "D" + kTextLineEnd + "S" + kTextLineEnd + "H" + kTextLineEnd);
}

TEST_F(FullDiskTest, AStateinfoThatCannotBeWrittenIsNotAnnounced) {
    AutorouterListener listener;
    ASSERT_TRUE(listener.listening());
    const std::string data = (folder / "data").string();
    CaptureStderr();
    signalAutorouterState("127.0.0.1", listener.port(), data.c_str(), nullptr, CONTAINER_COMPLETE);
    EXPECT_EQ(GetCapturedStderr(), "can't write statefile '" + folder.generic_string() + "/stateinfo'" + kNoSpace);
    EXPECT_EQ(listener.nextConnection(300), std::nullopt) << "no \"&complete\" for a missing stateinfo";
    EXPECT_EQ(readFile(folder / "stateinfo"), "old" + kTextLineEnd);
    EXPECT_EQ(entries().find(".tmp"), std::string::npos) << entries();
}

}  // namespace
