// End-to-end tests of TarvoLauncher: each test installs the real launcher
// executable into a folder of its own, with a configuration, jar files and a
// log folder, and runs it as a separate process. Its boxes are recorded (see
// launcher/messagebox.h) and the stand-in javaw records how it was started.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "test_support.h"

namespace launcher_test {

namespace fs = std::filesystem;

#ifdef _WIN32
const char kSep = '\\';
const char kListSep = ';';
const char kExe[] = ".exe";
const int kExitFailure = -1;
#else
const char kSep = '/';
const char kListSep = ':';
const char kExe[] = "";
const int kExitFailure = 255;  // exit(-1)
#endif
const std::string kLauncherFile = std::string("TarvoLauncher") + kExe;

// How the stand-in javaw was started.
struct JavawStart {
    std::string program;
    std::string commandLine;  // the raw text on Windows
    std::vector<std::string> arguments;
    std::string workingDirectory;
    std::string path;  // "<unset>" when PATH was absent
    std::string bits;  // "32" or "64": the stand-in's own build
    std::vector<std::string> libraries;  // "<file> loaded" or "<file> not loaded (<error>)"
};

struct StartedLauncher {
    tarvo_test::RunningProgram program;
    fs::path output, errors;
};

struct LauncherRun {
    int exitCode;
    std::string output;  // standard output, line ends as "\n"
    std::string errors;  // standard error, line ends as "\n"
};

// The record of one box as the launcher writes it.
std::string errorBox(const std::string& text);
std::string warningBox(const std::string& text);

std::string joined(const std::vector<std::string>& parts, char separator);

class LauncherTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Copies the launcher executable into the installation under `name`.
    fs::path installLauncher(const std::string& name = kLauncherFile);
    // Writes the configuration file `name` of the installation.
    void writeConfig(const std::string& text, const std::string& name = "tarvoLauncher.conf");
    // A configuration with the stand-in javaw forced, the "app" folder and a
    // main class, preceded by `first` (the first line of a key counts).
    std::string config(const std::string& first = "") const;
    void addJars(const std::vector<std::string>& names);

    // Runs the installed launcher (as argv[0] `argv0`, its full path when
    // empty) and waits for it.
    LauncherRun run(const std::vector<std::string>& args = {}, const std::string& name = kLauncherFile,
                    const std::string& argv0 = "");
    // Starts it in the background; finish() waits and collects its streams.
    StartedLauncher start(const std::vector<std::string>& args = {}, const std::string& name = kLauncherFile,
                          const std::string& argv0 = "");
    LauncherRun finish(const StartedLauncher& started);

    // PATH without the machine's Java runtimes: a folder without one, after
    // `first` when given. TearDown restores PATH.
    void hideJavaOnPath(const std::string& first = "");

    // Holding: stand-in javaws started from now on stay until release().
    fs::path holdViewers();
    void release();
    // Waits until `count` javaw starts are recorded.
    void awaitJavawStarts(size_t count);

    std::vector<JavawStart> javawStarts() const;
    std::string boxes() const;
    std::string log() const { return tarvo_test::readFile(install / "log" / "output.log"); }
    // The user's home folder the launcher sees, and its ".tarvo" folder.
    fs::path home() const { return dir.path() / "home"; }
    fs::path tarvoFolder() const { return home() / ".tarvo"; }

    tarvo_test::TempDir dir;
    fs::path install;
    fs::path javaw;  // the stand-in
    fs::path hold;

private:
    std::string savedDesktop_;
    bool hadDesktop_ = false;
    std::string savedPath_, savedJavaHome_;
    bool hadJavaHome_ = false;
    int runs_ = 0;
};

}  // namespace launcher_test
