// The launcher test fixture.
#include "launcher_fixture.h"

#include <stdlib.h>

#include <chrono>
#include <fstream>
#include <thread>

namespace launcher_test {

using namespace tarvo_test;

static const char kShellFolders[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

static std::string withLineFeeds(std::string text) {
    for (size_t at; (at = text.find("\r\n")) != std::string::npos;) text.erase(at, 1);
    return text;
}

std::string errorBox(const std::string& text) { return "style=0x00000010 caption=(default)\n" + text + "\n"; }

std::string warningBox(const std::string& text) { return "style=0x00000030 caption=Warning\n" + text + "\n"; }

std::string joined(const std::vector<std::string>& parts, char separator) {
    std::string text;
    for (const auto& part : parts) text += (text.empty() ? "" : std::string(1, separator)) + part;
    return text;
}

void LauncherTest::SetUp() {
    install = dir.path() / "install";
    fs::create_directories(install / "log");
    fs::create_directories(install / "app");
    fs::create_directories(home() / "Desktop");
    javaw = fixtureProgram("javaw");
    hold = dir.path() / "release";
    installLauncher();
    addJars({"viewer.jar"});

    setEnv("TARVO_MESSAGE_BOX_LOG", dir.str("boxes.txt"));
    setEnv("TARVO_JAVAW_RECORD", dir.str("javaw-record.txt"));
    unsetEnv("TARVO_JAVAW_HOLD");
    unsetEnv("TARVO_JAVAW_OUTPUT_BYTES");
    // The user's home is the folder that holds the recorded desktop folder.
    char* desktop = getRegKey(HKEY_CURRENT_USER, kShellFolders, "Desktop");
    hadDesktop_ = desktop != nullptr;
    savedDesktop_ = desktop != nullptr ? desktop : "";
    free(desktop);
    setRegistryValue(HKEY_CURRENT_USER, kShellFolders, "Desktop", (home() / "Desktop").make_preferred().string());
    // The machine's own Java runtimes stay out of the further Java sources
    // unless a test plants one (PATH only when hideJavaOnPath says so).
    const char* path = getenv("PATH");
    savedPath_ = path != nullptr ? path : "";
    const char* javaHome = getenv("JAVA_HOME");
    hadJavaHome_ = javaHome != nullptr;
    savedJavaHome_ = hadJavaHome_ ? javaHome : "";
    unsetEnv("JAVA_HOME");
#ifndef _WIN32
    setEnv("TARVO_DEFAULT_JAVA", dir.str("no-default-java"));
    // Lock files and private runtimes of this test alone.
    fs::create_directories(dir.path() / "run");
    setEnv("XDG_RUNTIME_DIR", dir.str("run"));
    fs::create_directories(dir.path() / "programs");
    setEnv("TARVO_PROGRAM_FILES", dir.str("programs"));
#endif
}

void LauncherTest::TearDown() {
    release();
    if (hadDesktop_) {
        setRegistryValue(HKEY_CURRENT_USER, kShellFolders, "Desktop", savedDesktop_);
    } else {
        deleteRegistryValue(HKEY_CURRENT_USER, kShellFolders, "Desktop");
    }
    unsetEnv("TARVO_JAVAW_HOLD");
    setEnv("PATH", savedPath_);
    hadJavaHome_ ? setEnv("JAVA_HOME", savedJavaHome_) : unsetEnv("JAVA_HOME");
#ifndef _WIN32
    unsetEnv("TARVO_DEFAULT_JAVA");
#endif
}

void LauncherTest::hideJavaOnPath(const std::string& first) {
    const fs::path empty = dir.path() / "bin-without-java";
    fs::create_directories(empty);
    setEnv("PATH", first.empty() ? empty.string() : first + kListSep + empty.string());
}

fs::path LauncherTest::installLauncher(const std::string& name) {
    const fs::path target = install / name;
    fs::copy_file(fixtureProgram("TarvoLauncher"), target, fs::copy_options::overwrite_existing);
    return target;
}

void LauncherTest::writeConfig(const std::string& text, const std::string& name) {
    writeFile(install / name, text);
}

std::string LauncherTest::config(const std::string& first) const {
    return first + "FORCED_JAVAW_PATH = " + javaw.string() + "\nAPPLICATION_DIRECTORY = app\nMAIN_CLASS = pemu.tarvo.Viewer\n";
}

void LauncherTest::addJars(const std::vector<std::string>& names) {
    for (const auto& name : names) writeFile(install / "app" / name, "jar");
}

StartedLauncher LauncherTest::start(const std::vector<std::string>& args, const std::string& name,
                                    const std::string& argv0) {
    const fs::path program = install / name;
    std::vector<std::string> argv{argv0.empty() ? program.string() : argv0};
    argv.insert(argv.end(), args.begin(), args.end());
    const std::string number = std::to_string(runs_++);
    const fs::path output = dir.path() / ("out" + number);
    const fs::path errors = dir.path() / ("err" + number);
    return StartedLauncher{startProgram(program, argv, output, errors), output, errors};
}

LauncherRun LauncherTest::finish(const StartedLauncher& started) {
    const int exitCode = waitProgram(started.program);
    return LauncherRun{exitCode, withLineFeeds(readFile(started.output)), withLineFeeds(readFile(started.errors))};
}

LauncherRun LauncherTest::run(const std::vector<std::string>& args, const std::string& name, const std::string& argv0) {
    return finish(start(args, name, argv0));
}

fs::path LauncherTest::holdViewers() {
    setEnv("TARVO_JAVAW_HOLD", hold.string());
    return hold;
}

void LauncherTest::release() {
    if (!fs::exists(hold)) writeFile(hold, "");
}

void LauncherTest::awaitJavawStarts(size_t count) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (javawStarts().size() < count && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ASSERT_GE(javawStarts().size(), count);
}

std::vector<JavawStart> LauncherTest::javawStarts() const {
    std::vector<JavawStart> starts;
    std::ifstream record(dir.path() / "javaw-record.txt", std::ios::binary);
    JavawStart current{"", "", {}, "", "<unset>", "", {}};
    for (std::string line; std::getline(record, line);) {
        auto value = [&](const std::string& key) { return line.substr(key.size()); };
        if (line.rfind("program: ", 0) == 0) current.program = value("program: ");
        else if (line.rfind("command line: ", 0) == 0) current.commandLine = value("command line: ");
        else if (line.rfind("argument: ", 0) == 0) current.arguments.push_back(value("argument: "));
        else if (line.rfind("working directory: ", 0) == 0) current.workingDirectory = value("working directory: ");
        else if (line.rfind("PATH: ", 0) == 0) current.path = value("PATH: ");
        else if (line.rfind("bits: ", 0) == 0) current.bits = value("bits: ");
        else if (line.rfind("library: ", 0) == 0) current.libraries.push_back(value("library: "));
        else if (line == "end") {
            starts.push_back(current);
            current = JavawStart{"", "", {}, "", "<unset>", "", {}};
        }
    }
    return starts;
}

std::string LauncherTest::boxes() const { return readFile(dir.path() / "boxes.txt"); }

}  // namespace launcher_test
