// Output capture end to end: the log file and its fallbacks, the pipe drained
// when no log can be written, and the update manager's output in the same
// log.
#include "launcher_fixture.h"

#include <chrono>
#include <thread>

#include "processrunning.h"

namespace launcher_test {
namespace {

using namespace tarvo_test;

#ifdef _WIN32
const int kFolderMissing = 3;     // ERROR_PATH_NOT_FOUND
const int kLockedByOther = 32;    // ERROR_SHARING_VIOLATION
const int kBelowAFile = 3;        // ERROR_PATH_NOT_FOUND
#else
const int kFolderMissing = 2;     // ENOENT
const int kLockedByOther = 11;    // EWOULDBLOCK
const int kBelowAFile = 20;       // ENOTDIR
#endif

const char kViewerLines[] = "javaw stand-in: standard output\njavaw stand-in: standard error\n";

std::string fallbackLine(int error, const fs::path& path) {
    return "Could not create output file handle (Errorcode: " + std::to_string(error) + "), trying fallback to " +
           path.string() + ".\n";
}

class CaptureTest : public LauncherTest {
protected:
    std::string forcedHeader() const { return "Using forced path for 'javaw.exe': " + javaw.string() + "\n\n"; }
};

TEST_F(CaptureTest, EachStartKeepsThePreviousLogsUpToLogKeep) {
    writeConfig(config("LOG_KEEP = 2\n"));
    writeFile(install / "log" / "output.log", "crashed viewer\n");
    writeFile(install / "log" / "output.2.log", "oldest");
    const LauncherRun first = run();
    EXPECT_EQ(first.errors, "Could not read from stream\nExiting READPIPE");
    EXPECT_EQ(log(), forcedHeader() + kViewerLines);
    EXPECT_EQ(readFile(install / "log" / "output.1.log"), "crashed viewer\n");
    EXPECT_EQ(readFile(install / "log" / "output.2.log"), "oldest") << "no output.1.log was there to move";

    run();
    EXPECT_EQ(readFile(install / "log" / "output.1.log"), forcedHeader() + kViewerLines);
    EXPECT_EQ(readFile(install / "log" / "output.2.log"), "crashed viewer\n");
    run();
    EXPECT_EQ(readFile(install / "log" / "output.2.log"), forcedHeader() + kViewerLines) << "the oldest is gone";
    EXPECT_FALSE(fs::exists(install / "log" / "output.3.log"));
}

TEST_F(CaptureTest, LogKeepZeroOverwritesAndTheDefaultKeepsFive) {
    writeConfig(config("LOG_KEEP = 0\n"));
    writeFile(install / "log" / "output.log", std::string(10000, 'o'));
    run();
    EXPECT_EQ(log(), forcedHeader() + kViewerLines);
    EXPECT_FALSE(fs::exists(install / "log" / "output.1.log"));

    writeConfig(config());
    for (int i = 0; i < 7; ++i) run();
    for (int n = 1; n <= 5; ++n) EXPECT_TRUE(fs::exists(install / "log" / ("output." + std::to_string(n) + ".log")));
    EXPECT_FALSE(fs::exists(install / "log" / "output.6.log"));
}

TEST_F(CaptureTest, ALogThatCannotBeMovedIsReportedAndTheStartGoesOn) {
    writeConfig(config("LOG_KEEP = 1\n"));
    writeFile(install / "log" / "output.log", "previous");
    fs::create_directories(install / "log" / "output.1.log" / "in-the-way");
    const LauncherRun run = this->run();
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.errors.find("Could not keep the previous log log" + std::string(1, kSep) + "output.log as log" +
                              std::string(1, kSep) + "output.1.log (Errorcode: "),
              0u)
        << run.errors;
    EXPECT_EQ(log(), forcedHeader() + kViewerLines);
}

TEST_F(CaptureTest, TheFallbackFolderKeepsItsPreviousLogsToo) {
    fs::remove_all(install / "log");
    writeConfig(config());
    fs::create_directories(tarvoFolder());
    writeFile(tarvoFolder() / "output.log", "previous");
    run();
    EXPECT_EQ(readFile(tarvoFolder() / "output.1.log"), "previous");
    EXPECT_EQ(readFile(tarvoFolder() / "output.log"), forcedHeader() + kViewerLines);
}

TEST_F(CaptureTest, WithoutLogFolderTheHomesTarvoFolderIsMade) {
    fs::remove_all(install / "log");
    writeConfig(config());
    const LauncherRun run = this->run();
    EXPECT_EQ(run.errors, fallbackLine(kFolderMissing, tarvoFolder() / "output.log") +
                              "Could not read from stream\nExiting READPIPE");
    EXPECT_EQ(readFile(tarvoFolder() / "output.log"), forcedHeader() + kViewerLines);
}

TEST_F(CaptureTest, LogsHeldByRunningLaunchersFallBackInTurn) {
    writeConfig(config("ALLOW_MULTIPLE_INSTANCES = TRUE\n"));
    holdViewers();
    std::vector<StartedLauncher> launchers;
    for (size_t i = 1; i <= 3; ++i) {
        launchers.push_back(start());
        awaitJavawStarts(i);
    }
    release();
    std::vector<LauncherRun> runs;
    for (const auto& launcher : launchers) runs.push_back(finish(launcher));

    const fs::path numbered = tarvoFolder() / ("output_" + std::to_string(launchers[2].program.pid) + ".log");
    EXPECT_EQ(log(), forcedHeader() + kViewerLines);
    EXPECT_EQ(readFile(tarvoFolder() / "output.log"), forcedHeader() + kViewerLines);
    EXPECT_EQ(readFile(numbered), forcedHeader() + kViewerLines);
    EXPECT_FALSE(fs::exists(install / "log" / "output.1.log")) << "a log being written is never moved";
    EXPECT_FALSE(fs::exists(tarvoFolder() / "output.1.log"));
    EXPECT_EQ(runs[1].errors.find(fallbackLine(kLockedByOther, tarvoFolder() / "output.log")), 0u) << runs[1].errors;
    EXPECT_EQ(runs[2].errors.find(fallbackLine(kLockedByOther, tarvoFolder() / "output.log") +
                                  fallbackLine(kLockedByOther, numbered)),
              0u)
        << runs[2].errors;
}

TEST_F(CaptureTest, WithoutAnyLogTheViewerIsNeverBlocked) {
    // The recorded desktop lies below a file: no ".tarvo" folder can be made.
    writeFile(dir.path() / "file", "");
    setRegistryValue(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
                     "Desktop", (dir.path() / "file" / "Desktop").string());
    fs::remove_all(install / "log");
    setEnv("TARVO_JAVAW_OUTPUT_BYTES", std::to_string(1 << 20));  // far more than a pipe holds
    writeConfig(config());
    const StartedLauncher launcher = start();
    const LauncherRun run = finish(launcher);
    EXPECT_EQ(run.exitCode, 0);
    const fs::path folder = dir.path() / "file" / ".tarvo";
    const std::string numbered = "output_" + std::to_string(launcher.program.pid) + ".log";
    EXPECT_EQ(run.errors, fallbackLine(kFolderMissing, folder / "output.log") + "Creation of " + folder.string() +
                              " failed (Errorcode: " + std::to_string(kBelowAFile) + ").\n" +
                              fallbackLine(kBelowAFile, folder / numbered) +
                              "Could not create output file handle (Errorcode: " + std::to_string(kBelowAFile) + ")!\n");
}

#ifndef _WIN32
TEST_F(CaptureTest, ALinkInPlaceOfTheLogStaysWhereItIs) {
    // An administrator's link (to /dev/null, say) is not a log to keep.
    fs::create_symlink("/dev/null", install / "log" / "output.log");
    writeConfig(config());
    run();
    EXPECT_TRUE(fs::is_symlink(install / "log" / "output.log"));
    EXPECT_FALSE(fs::exists(install / "log" / "output.1.log"));
}

TEST_F(CaptureTest, FailedWriteEndsTheCopyButNotTheViewer) {
    fs::create_symlink("/dev/full", install / "log" / "output.log");
    setEnv("TARVO_JAVAW_OUTPUT_BYTES", std::to_string(1 << 20));
    writeConfig(config());
    const LauncherRun run = this->run();
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.errors, "Could not write to file (Errorcode: 28).\nExiting READPIPE");  // ENOSPC
}
#endif

class UpdateManagerTest : public CaptureTest {
protected:
    void SetUp() override {
        CaptureTest::SetUp();
        setEnv("TARVO_UPDATEMANAGER_DELAY_MS", "300");
        setEnv("TARVO_AUTOUPDATER_HOLD", dir.str("updaters-release"));
    }
    void TearDown() override {
        writeFile(dir.path() / "updaters-release", "");
        for (const RunningProgram& updater : updaters_) waitProgram(updater);
        deleteRegistryValue(HKEY_CURRENT_USER, kUserEnvironment, "tarvo-updatemanager");
        deleteRegistryValue(HKEY_LOCAL_MACHINE, kMachineEnvironment, "tarvo-updatemanager");
        unsetEnv("TARVO_UPDATEMANAGER_DELAY_MS");
        unsetEnv("TARVO_AUTOUPDATER_HOLD");
#ifdef _WIN32
        fs::remove_all(kDefaultFolder);
#endif
        CaptureTest::TearDown();
    }
    // Starts a stand-in that stays until the test ends.
    void startInBackground(const std::string& name) {
        const fs::path program = fixtureProgram(name);
        const std::string number = std::to_string(updaters_.size());
        setEnv("TARVO_UPDATEMANAGER_HOLD", dir.str("updaters-release"));
        updaters_.push_back(startProgram(program, {program.string()}, dir.path() / ("updater-out" + number),
                                         dir.path() / ("updater-err" + number)));
        unsetEnv("TARVO_UPDATEMANAGER_HOLD");
        // The launcher looks for it by its executable's name, which a new
        // process has only once it has loaded its program: a loaded machine
        // can take a while.
        const std::string file = program.filename().string();
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (!isProcessRunning(file.c_str()) && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        ASSERT_TRUE(isProcessRunning(file.c_str())) << file;
    }
    // True when the last start's log holds the update manager's three lines.
    bool updateManagerLogged() {
        const std::string text = log();
        const bool all = text.find("update manager: standard output\n") != std::string::npos &&
                         text.find("update manager: standard error\n") != std::string::npos &&
                         text.find("update manager: finished\n") != std::string::npos;
        EXPECT_TRUE(all || text.find("update manager") == std::string::npos) << "a part of its output only";
        EXPECT_EQ(text.find(forcedHeader()), 0u);
        return all;
    }

    static constexpr const char* kUserEnvironment = "Environment";
    static constexpr const char* kMachineEnvironment =
        "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";
#ifdef _WIN32
    static constexpr const char* kDefaultFolder = "C:\\Program Files\\tarvoclient";
#endif

private:
    std::vector<RunningProgram> updaters_;
};

// One test for every case: the processes it looks for are the machine's.
TEST_F(UpdateManagerTest, StartedWhenTheAutoUpdaterRunsAndTheUpdateManagerDoesNot) {
    const std::string folder = programDirectory().string();
    setRegistryValue(HKEY_CURRENT_USER, kUserEnvironment, "tarvo-updatemanager", folder);
    writeConfig(config("CHECK_AUTOUPDATER = TRUE\n"));
    run();
    EXPECT_FALSE(updateManagerLogged()) << "no auto-updater runs";

    startInBackground("tarvo-autoupdater");
    writeConfig(config());
    run();
    EXPECT_FALSE(updateManagerLogged()) << "CHECK_AUTOUPDATER is off";

    writeConfig(config("CHECK_AUTOUPDATER = TRUE\n"));
    run();
    EXPECT_TRUE(updateManagerLogged()) << "the log stays open until the update manager has ended";

    // The machine's value when the user has none; a folder too long for a
    // 100-byte command line is started whole.
    const fs::path longFolder = dir.path() / std::string(90, 'u');
    fs::create_directories(longFolder);
    fs::copy_file(fixtureProgram("updatemanager"), longFolder / fixtureProgram("updatemanager").filename());
    deleteRegistryValue(HKEY_CURRENT_USER, kUserEnvironment, "tarvo-updatemanager");
    setRegistryValue(HKEY_LOCAL_MACHINE, kMachineEnvironment, "tarvo-updatemanager", longFolder.string());
    run();
    EXPECT_TRUE(updateManagerLogged()) << longFolder;

#ifdef _WIN32
    // Neither value: the default folder.
    deleteRegistryValue(HKEY_LOCAL_MACHINE, kMachineEnvironment, "tarvo-updatemanager");
    const fs::path defaultFolder = fs::path(kDefaultFolder) / "tarvo-updatemanager";
    fs::create_directories(defaultFolder);
    fs::copy_file(fixtureProgram("updatemanager"), defaultFolder / "updatemanager.exe");
    run();
    EXPECT_TRUE(updateManagerLogged()) << "started from " << defaultFolder;
#endif

    // An update manager that runs already is not started again.
    startInBackground("updatemanager");
    run();
    EXPECT_FALSE(updateManagerLogged());
}

}  // namespace
}  // namespace launcher_test
