// Java runtime discovery end to end: private runtimes under the Program Files
// folder, the Java runtime's registry entry with its version rule, and the
// log header that names the source.
#include "launcher_fixture.h"

#include <stdlib.h>

namespace launcher_test {
namespace {

using namespace tarvo_test;

const char kJavaKey[] = "Software\\JavaSoft\\Java Runtime Environment";
#ifdef _WIN32
const std::string kBelowHome = "\\bin\\javaw.exe";
#else
const std::string kBelowHome = "/bin/java";
#endif

class DiscoveryTest : public LauncherTest {
protected:
    void SetUp() override {
        LauncherTest::SetUp();
#ifdef _WIN32
        const char* folder = getenv("ProgramFiles");
        programFiles = folder != nullptr ? folder : "C:\\Program Files";
#else
        programFiles = dir.path() / "programs";
#endif
        deleteRegistryKey(HKEY_LOCAL_MACHINE, kJavaKey);
    }
    void TearDown() override {
        for (const char* runtime : {"j2dk180", "j2dk170", "j2dk160"}) fs::remove_all(programFiles / runtime);
        deleteRegistryKey(HKEY_LOCAL_MACHINE, kJavaKey);
        LauncherTest::TearDown();
    }
    // A copy of the stand-in javaw at `folder` + the runtime's launcher name.
    fs::path placeJavaw(const fs::path& file) {
        fs::create_directories(file.parent_path());
        fs::copy_file(javaw, file, fs::copy_options::overwrite_existing);
        return file;
    }
    fs::path privateRuntime(const std::string& name, bool nested) {
        fs::path file = programFiles / name / "jre";
        if (nested) file /= "jre";
        return file / "bin" / (std::string(kExe).empty() ? "java" : "javaw.exe");
    }
    // A registry entry naming `version` as current, its JavaHome `home`.
    void registerRuntime(const std::string& version, const std::string& home) {
        setRegistryValue(HKEY_LOCAL_MACHINE, kJavaKey, "CurrentVersion", version);
        setRegistryValue(HKEY_LOCAL_MACHINE, std::string(kJavaKey) + "\\" + version, "JavaHome", home);
    }
    // Runs without a forced path; the default is the stand-in.
    LauncherRun discover(const std::string& first = "") {
        writeConfig(first + "DEFAULT_JAVAW_PATH = " + javaw.string() +
                    "\nAPPLICATION_DIRECTORY = app\nMAIN_CLASS = pemu.tarvo.Viewer\n");
        return run();
    }
    std::string header(const std::string& path) { return "'javaw.exe' found in '" + path + "'.\n\n"; }
    std::string logHeader() { return log().substr(0, log().find("javaw stand-in")); }

    fs::path programFiles;
};

TEST_F(DiscoveryTest, PrivateRuntimesInTheirOrderWithoutVersionTest) {
    const fs::path plain170 = placeJavaw(privateRuntime("j2dk170", false));
    placeJavaw(privateRuntime("j2dk160", true));
    registerRuntime("1.8", dir.str("registered"));
    LauncherRun run = discover("MIN_JRE_VERSION = 99\n");
    std::string tested = "Testing 3 JRE paths\n";
    for (const auto& [name, nested] : {std::pair{"j2dk180", true}, {"j2dk180", false}, {"j2dk170", true}, {"j2dk170", false}}) {
        tested += "Testing " + privateRuntime(name, nested).string() + "\n";
    }
    EXPECT_EQ(run.output.substr(run.output.find("Testing")), tested + "\n->Redirecting stdout and stderr of child process to file\n");
    EXPECT_EQ(logHeader(), header(plain170.string())) << "found in both layouts of j2dk180 first, before j2dk160";
    EXPECT_EQ(run.errors.find("registry"), std::string::npos) << "the registry is not consulted";

    fs::remove_all(programFiles / "j2dk170");
    discover();
    EXPECT_EQ(logHeader(), header(privateRuntime("j2dk160", true).string()));
    EXPECT_EQ(javawStarts().size(), 2u);
}

TEST_F(DiscoveryTest, RegistryVersionIsComparedAsADecimalNumber) {
    const fs::path home = dir.path() / "registered";
    const fs::path registered = placeJavaw(home.string() + kBelowHome);
    for (const char* version : {"1.8", "1.6", "9", "11"}) {
        registerRuntime(version, home.string());
        const LauncherRun run = discover();
        EXPECT_EQ(logHeader(), header(registered.string())) << version;
        EXPECT_EQ(run.errors, "Could not read from stream\nExiting READPIPE") << version;
    }
    for (const char* version : {"1.5", "1.10"}) {
        registerRuntime(version, home.string());
        const LauncherRun run = discover();
        EXPECT_EQ(logHeader(), header(javaw.string())) << "the default is used for " << version;
        EXPECT_EQ(run.errors, "Java version is not sufficent. 1.6 is requiredCould not read from stream\nExiting READPIPE")
            << version;
    }
    EXPECT_EQ(javawStarts().size(), 6u);
}

TEST_F(DiscoveryTest, RegistryProblemsFallBackToTheDefault) {
    const std::string tail = "Could not read from stream\nExiting READPIPE";
    LauncherRun run = discover();
    EXPECT_EQ(run.errors, "Could not read registry key " + std::string(kJavaKey) + "\n" + tail);
    EXPECT_EQ(logHeader(), header(javaw.string()));

    setRegistryValue(HKEY_LOCAL_MACHINE, kJavaKey, "Other", "x");
    run = discover();
    EXPECT_EQ(run.errors, "Could not read current java version from registry.\n" + tail);

    setRegistryValue(HKEY_LOCAL_MACHINE, kJavaKey, "CurrentVersion", "1.8");
    run = discover();
    EXPECT_EQ(run.errors, "Error getting registry key for " + std::string(kJavaKey) + "\\1.8\n" + tail);

    // The version's key without JavaHome: the candidate is the bare suffix
    // (which names a file at the root on Linux), and the header names it
    // although the default was started.
    const std::string bareSuffix = fs::exists(kBelowHome) ? "" : "File " + kBelowHome + " does not exist.\n";
    setRegistryValue(HKEY_LOCAL_MACHINE, std::string(kJavaKey) + "\\1.8", "Other", "x");
    run = discover();
    EXPECT_EQ(run.errors, "Key not found: JavaHome\nError getting value for JavaHome.\n" + bareSuffix + tail);
    EXPECT_EQ(logHeader(), header(kBelowHome));

    registerRuntime("1.8", std::string(300, 'h'));
    run = discover();
    EXPECT_EQ(run.errors, "Value for JRE path is too large: JavaHome\nMaximum size is 261, JRE path size is 301\n"
                          "Error getting value for JavaHome.\n" + bareSuffix + tail);

    const std::string empty = dir.str("empty-home");
    registerRuntime("1.8", empty);
    run = discover();
    EXPECT_EQ(run.errors, "File " + empty + kBelowHome + " does not exist.\n" + tail);
    EXPECT_EQ(logHeader(), header(empty + kBelowHome));
    EXPECT_EQ(javawStarts().size(), 6u) << "every run started the default";
}

TEST_F(DiscoveryTest, VerboseRegistrySearch) {
    const fs::path home = dir.path() / "registered";
    const fs::path registered = placeJavaw(home.string() + kBelowHome);
    registerRuntime("1.8", home.string());
    const LauncherRun run = discover("DEBUG = TRUE\n");
    const std::string expected = "Found registry value for Java version: 1.8\nLooking in: " + std::string(kJavaKey) +
                                 "\\1.8\nPath to javaw from registry: " + registered.string() +
                                 "\njavaw.exe found in: " + registered.string() + "\n";
    EXPECT_NE(run.errors.find(expected), std::string::npos) << run.errors;
}

}  // namespace
}  // namespace launcher_test
