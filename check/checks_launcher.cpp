// The launcher's side of a desk: its configuration, the Java runtime its own
// discovery chooses, the native library for that runtime, and the log.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <time.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "capture.h"
#include "checks.h"
#include "config_launcher.h"
#include "executable_machine.h"
#include "heap_text.h"
#include "javadiscovery.h"
#include "library_choice.h"
#include "launcher_platform.h"
#include "output_capture.h"
#include "paramfile.h"
#include "system.h"
#include "viewerpath.h"

namespace tarvo_check {

static std::string path(const char* folder, const char* name) {
    return std::string(folder) + kPathSeparator + name;
}

static int jarCount(const char* folder) {
    char* pattern = formatText(kJarPattern, folder);
    ListedName entry;
    JarListing* listing = pattern != nullptr ? startJarListing(folder, pattern, &entry) : nullptr;
    free(pattern);
    int count = 0;
    for (bool more = listing != nullptr; more; more = nextJarListed(listing, &entry)) {
        if (strcmp(entry.name, ".") != 0 && strcmp(entry.name, "..") != 0 && !entry.isFolder) ++count;
    }
    if (listing != nullptr) endJarListing(listing);
    return count;
}

void checkLauncherConfig(Report& report, const Installation& installation) {
    char* found = nullptr;
    char* table = readLauncherConfigFile(installation.launcher.c_str(), &found);
    const std::string file = found != nullptr ? found : installation.launcher;
    free(found);
    if (table == nullptr) {
        report.fail("launcher configuration", "no configuration file: neither " + file + " nor tarvoLauncher.conf",
                    "Create " + file + " (the package brings one); without it the launcher starts nothing.");
        fillLauncherSettings("\n");
        return;
    }
    fillLauncherSettings(table);
    const std::vector<KnownKey> keys = knownKeys(kLauncherConfigKeys, kLauncherConfigKeyCount);
    report.ok("launcher configuration", "read " + file, keyListing(table, keys));
    const std::vector<std::string> unknown = unknownKeys(table, keys);
    free(table);
    for (const std::string& key : unknown) {
        report.warn("launcher configuration key", "unknown key " + key + " in " + file,
                    "Correct or remove it: the launcher ignores keys it does not know.");
    }

    const char* application = getApplicationDirectory();
    if (application == nullptr) {
        report.fail("application folder", "APPLICATION_DIRECTORY is not set",
                    "Set APPLICATION_DIRECTORY to the folder of the viewer's jar files.");
    } else if (!isFolder(application)) {
        report.fail("application folder", "APPLICATION_DIRECTORY " + quoted(application) + " does not exist",
                    "Install the viewer's jar files there or correct APPLICATION_DIRECTORY.");
    } else {
        const int jars = jarCount(application);
        if (jars == 0) {
            report.fail("application folder", quoted(application) + " holds no .jar file: the class path is empty",
                        "Install the viewer's jar files into it.");
        } else {
            report.ok("application folder", quoted(application) + " gives " + std::to_string(jars) +
                                                " class path entries, all present");
        }
    }
    if (getMainClass() == nullptr) {
        report.fail("main class", "MAIN_CLASS is not set", "Set MAIN_CLASS to the viewer's main class.");
    } else {
        report.ok("main class", getMainClass());
    }
}

// JAVA_VERSION of the runtime's release file (two folders above its
// launcher), or empty.
static std::string releaseVersion(const std::string& javaw) {
    std::error_code error;
    const std::filesystem::path program = std::filesystem::canonical(javaw, error);
    if (error) return "";
    std::ifstream release(program.parent_path().parent_path() / "release");
    std::string line;
    while (std::getline(release, line)) {
        if (line.compare(0, 13, "JAVA_VERSION=") != 0) continue;
        std::string version = line.substr(13);
        version.erase(std::remove(version.begin(), version.end(), '"'), version.end());
        version.erase(std::remove(version.begin(), version.end(), '\r'), version.end());
        return version;
    }
    return "";
}

void checkJava(Report& report, std::string* library) {
    const char* javaw = nullptr;
    std::string said = captured([&] { javaw = findJavaw(); });
    const std::string source = javawSourceName(javawSource());
    if (javaw == nullptr || javaw[0] == '\0') {
        report.fail("java", "the launcher's discovery finds no Java runtime",
                    "Install a Java runtime, or set FORCED_JAVAW_PATH or DEFAULT_JAVAW_PATH.", said);
        return;
    }
    if (!pathExists(javaw)) {
        report.fail("java", quoted(javaw) + " (from " + source + ") does not exist",
                    "Install the runtime there or correct the configured path.", said);
        return;
    }
    const ExecutableMachine machine = readExecutableMachine(javaw);
    const std::string version = releaseVersion(javaw);
    // The launcher's own choice of the native folder for this runtime.
    said += captured([&] { chooseNativeDirectory(javaw); });
    report.ok("java",
              quoted(javaw) + " from " + source + ", version " +
                  (version.empty() ? "unknown (no release file)" : version) + ", " + executableMachineName(machine),
              said);

    const char* native = viewerNativeDirectory();
    if (native == nullptr) {
        report.warn("java library", "NATIVE_DIRECTORY is not set",
                    "Set NATIVE_DIRECTORY to the folder of " + std::string(kLibraryFile) +
                        ": Java finds the library only through it.");
        return;
    }
    const std::string candidate = path(native, kLibraryFile);
    if (!pathExists(candidate.c_str())) {
        report.fail("java library", "no " + std::string(kLibraryFile) + " in the native folder " + quoted(native),
                    "Install the library into the native folder, or correct NATIVE_DIRECTORY.");
        return;
    }
    const ExecutableMachine libraryMachine = readExecutableMachine(candidate.c_str());
    if (nativeLibraryMismatch() != nullptr || (machine != kMachineUnknown && libraryMachine != machine)) {
        std::string note = nativeLibraryMismatch() != nullptr ? nativeLibraryMismatch() : "";
        while (!note.empty() && note.back() == '\n') note.pop_back();
        report.fail("java library",
                    std::string("the runtime is ") + executableMachineName(machine) + ", the library for it, " +
                        candidate + ", is " + executableMachineName(libraryMachine),
                    std::string("Install the library built for ") + executableMachineName(machine) +
                        " (the 64-bit one in the native folder's x64 folder), or choose a runtime of the "
                        "library's type (FORCED_JAVAW_PATH).",
                    note);
        return;
    }
    *library = candidate;
    report.ok("java library", candidate + ", " + executableMachineName(libraryMachine));
}

void useLauncherPath(const Installation& installation) {
    char* found = nullptr;
    char* table = readLauncherConfigFile(installation.launcher.c_str(), &found);
    free(found);
    fillLauncherSettings(table != nullptr ? table : "\n");
    free(table);
    captured([] { extendPathForViewer(); });
}

void checkNativeFolder(Report& report, const std::string& library) {
    if (library.empty()) {
        report.fail("native library", "no library for the runtime to load", "See the line above.");
        return;
    }
    std::string problem, note;
    bool loads = false;
    // The same PATH the viewer inherits from the launcher.
    const std::string said = captured([&] {
        extendPathForViewer();
        loads = libraryLoads(library, &problem, &note);
    });
    const std::string details = note + (note.empty() || said.empty() ? "" : "\n") + said;
    if (loads) {
        report.ok("native library", library + " loads with all its dependencies", details);
    } else {
        report.fail("native library", library + " does not load: " + problem,
                    "Install what it names into the native folder (libpq.dll ships beside tarvoUtils.dll) or "
                    "onto the system.",
                    details);
    }
}

static std::string modified(const std::string& file) {
    struct stat status;
    if (stat(file.c_str(), &status) != 0) return "";
    char text[32];
    const time_t when = status.st_mtime;
    strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", localtime(&when));
    return std::string(text) + ", " + std::to_string((long long)status.st_size) + " bytes";
}

// The logs of a folder, newest first.
static std::string logListing(const char* folder) {
    std::string out;
    for (int n = 0; n <= kMaxLogKeep; ++n) {
        char* file = logFilePath(folder, n);
        if (file != nullptr && pathExists(file)) out += std::string(file) + " (" + modified(file) + ")\n";
        free(file);
    }
    return out;
}

void checkLog(Report& report) {
    char* fallback = fallbackLogFolder();
    const std::string fallbackFolder = fallback != nullptr ? fallback : "";
    free(fallback);
    char* beside = logFilePath(kLogFolder, 0);
    const bool besideUsable = isFolder(kLogFolder) && folderTakesFiles(kLogFolder) && !logFileHeld(beside);
    free(beside);
    const std::string kept = "LOG_KEEP " + std::to_string(getLogKeep()) + " previous logs kept\n";
    const std::string logs = kept + logListing(kLogFolder) + logListing(fallbackFolder.c_str());
    if (besideUsable) {
        report.ok("log", "the launcher writes " + std::string(kLogFolder) + kPathSeparator + "output.log", logs);
        return;
    }
    // The launcher creates the fallback folder when it is missing.
    const std::string parent = std::filesystem::path(fallbackFolder).parent_path().string();
    const bool fallbackUsable =
        isFolder(fallbackFolder.c_str()) ? folderTakesFiles(fallbackFolder) : folderTakesFiles(parent);
    if (fallbackUsable) {
        report.ok("log", "no writable log folder beside the launcher: it writes " + fallbackFolder +
                             kPathSeparator + "output.log",
                  logs);
    } else {
        report.fail("log", "the launcher can write neither log" + std::string(1, kPathSeparator) +
                               "output.log nor into " + fallbackFolder,
                    "Make the log folder beside the launcher writable for its users.", logs);
    }
}

}  // namespace tarvo_check
