// The 32-bit launcher starting either runtime with the library that fits it:
// stand-in javaw.exe programs of both machine types (the 64-bit one from the
// win64 build tree, run by 64-bit Wine in the same prefix) report the
// -Djava.library.path and PATH they got and load tarvoUtils.dll from there,
// with its libpq.dll, as a Java runtime does.
#include <stdlib.h>

#include "launcher_fixture.h"

namespace launcher_test {
namespace {

using namespace tarvo_test;

class LibraryChoiceRun : public LauncherTest {
protected:
    void SetUp() override {
        LauncherTest::SetUp();
        win64 = fs::path(TARVO_WIN64_BIN);
        if (!fs::exists(win64 / "javaw.exe") || !fs::exists(win64 / "tarvoUtils.dll")) {
            if (getenv("TARVO_REQUIRE_WIN64") != nullptr) FAIL() << "no win64 build in " << win64.string();
            GTEST_SKIP() << "build the win64 preset first: no 64-bit javaw.exe and tarvoUtils.dll in "
                         << win64.string();
        }
        native = install / "native";
        for (const auto& [from, to] : {std::pair{programDirectory(), native}, {win64, native / "x64"}}) {
            fs::create_directories(to);
            for (const char* file : {"tarvoUtils.dll", "libpq.dll"}) fs::copy_file(from / file, to / file);
        }
        fs::create_directories(install / "jre64");
        fs::copy_file(win64 / "javaw.exe", install / "jre64" / "javaw.exe");
        setEnv("TARVO_JAVAW_LOAD", "tarvoUtils.dll");
    }
    void TearDown() override {
        unsetEnv("TARVO_JAVAW_LOAD");
        LauncherTest::TearDown();
    }
    JavawStart startWith(const fs::path& runtime) {
        writeConfig("FORCED_JAVAW_PATH = " + runtime.string() + "\nNATIVE_DIRECTORY = " + native.string() +
                    "\nAPPLICATION_DIRECTORY = app\nMAIN_CLASS = pemu.tarvo.Viewer\n");
        EXPECT_EQ(run().exitCode, 0);
        const auto starts = javawStarts();
        return starts.empty() ? JavawStart{} : starts.back();
    }
    void expectFolder(const JavawStart& start, const fs::path& folder) {
        EXPECT_EQ(start.arguments.at(0), "-Djava.library.path=" + folder.string());
        const std::string tail = ";" + folder.string();
        EXPECT_EQ(start.path.substr(start.path.size() - std::min(start.path.size(), tail.size())), tail);
    }
    std::string header(const fs::path& runtime) {
        return "Using forced path for 'javaw.exe': " + runtime.string() + "\n\n";
    }

    fs::path win64, native;
};

TEST_F(LibraryChoiceRun, A32BitRuntimeKeepsTheNativeDirectory) {
    const JavawStart start = startWith(javaw);
    EXPECT_EQ(start.bits, "32");
    expectFolder(start, native);
    EXPECT_EQ(start.libraries, std::vector<std::string>{(native / "tarvoUtils.dll").string() + " loaded"});
    EXPECT_EQ(log().rfind(header(javaw) + "javaw stand-in", 0), 0u) << log();
}

TEST_F(LibraryChoiceRun, A64BitRuntimeGetsTheX64Folder) {
    const fs::path runtime = install / "jre64" / "javaw.exe";
    const JavawStart start = startWith(runtime);
    EXPECT_EQ(start.bits, "64");
    expectFolder(start, native / "x64");
    EXPECT_EQ(start.libraries, std::vector<std::string>{(native / "x64" / "tarvoUtils.dll").string() + " loaded"})
        << "with the 64-bit libpq.dll beside it, found through PATH";
    EXPECT_EQ(log().rfind(header(runtime) + "javaw stand-in", 0), 0u) << log();
}

TEST_F(LibraryChoiceRun, AnInstallationWithoutTheRuntimesLibrarySaysSoInTheLog) {
    fs::remove_all(native / "x64");
    const fs::path runtime = install / "jre64" / "javaw.exe";
    const JavawStart start = startWith(runtime);
    expectFolder(start, native);
    ASSERT_EQ(start.libraries.size(), 1u);
    EXPECT_EQ(start.libraries[0], (native / "tarvoUtils.dll").string() + " not loaded (193)")
        << "ERROR_BAD_EXE_FORMAT, as the Java runtime would meet it";
    EXPECT_EQ(log().rfind(header(runtime) + "The Java runtime '" + runtime.string() +
                              "' is x64 (64-bit), but no native library fits it: '" +
                              (native / "tarvoUtils.dll").string() + "' is x86 (32-bit).\n\njavaw stand-in",
                          0),
              0u)
        << log();
}

}  // namespace
}  // namespace launcher_test
