// The further Java sources end to end, each planted on its own with a
// stand-in runtime: on Windows the Java 9+ registrations in both registry
// views, JAVA_HOME and PATH; on Linux JAVA_HOME, Debian's default runtime and
// PATH. They are asked only when the described sources give nothing, and the
// log header names the runtime that was started.
#include "launcher_fixture.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace launcher_test {
namespace {

using namespace tarvo_test;

#ifdef _WIN32
const std::string kBelowHome = "\\bin\\javaw.exe";
const std::string kOnPath = "javaw.exe";
const char* const kRegistrations[] = {"SOFTWARE\\JavaSoft\\JRE", "SOFTWARE\\JavaSoft\\JDK"};
#else
const std::string kBelowHome = "/bin/java";
const std::string kOnPath = "java";
#endif

class FurtherSourcesTest : public LauncherTest {
protected:
    void SetUp() override {
        LauncherTest::SetUp();
        deleteRegistryKey(HKEY_LOCAL_MACHINE, "Software\\JavaSoft\\Java Runtime Environment");
        clearRegistrations();
        hideJavaOnPath();
    }
    void TearDown() override {
        clearRegistrations();
        LauncherTest::TearDown();
    }
    // A copy of the stand-in as the runtime launcher of the home `home`.
    std::string runtime(const fs::path& home) {
        const fs::path file = home.string() + kBelowHome;
        fs::create_directories(file.parent_path());
        fs::copy_file(javaw, file, fs::copy_options::overwrite_existing);
        return file.string();
    }
    // Runs with no Java setting in the configuration; "" when nothing started.
    std::string discovered(const std::string& first = "") {
        writeConfig(first + "APPLICATION_DIRECTORY = app\nMAIN_CLASS = pemu.tarvo.Viewer\n");
        const size_t before = javawStarts().size();
        run();
        const auto starts = javawStarts();
        if (starts.size() == before) return "";
        EXPECT_EQ(log().rfind("'javaw.exe' found in '" + starts.back().program + "'.\n\njavaw stand-in", 0), 0u)
            << "the header names the runtime started: " << log();
        return starts.back().program;
    }
#ifdef _WIN32
    static void clearRegistrations() {
        for (REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) {
            for (const char* key : kRegistrations) deleteKey("SOFTWARE\\JavaSoft", key, view);
        }
    }
    static void deleteKey(const char* parent, const char* key, REGSAM view) {
        HKEY opened = openMachine(parent, view);
        RegDeleteTreeA(opened, key);
        RegDeleteKeyExA(opened, key, view, 0);
        RegCloseKey(opened);
    }
    static HKEY openMachine(const char* key, REGSAM view) {
        HKEY opened = nullptr;
        RegCreateKeyExA(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr, &opened, nullptr);
        return opened;
    }
    // SOFTWARE\JavaSoft\<family>\<version> with JavaHome `home` in one view.
    static void registerVersion(const char* family, const std::string& version, const fs::path& home, REGSAM view) {
        const std::string key = std::string("SOFTWARE\\JavaSoft\\") + family + "\\" + version;
        HKEY opened = openMachine(key.c_str(), view);
        ASSERT_NE(opened, nullptr) << key;
        const std::string value = home.string();
        RegSetValueExA(opened, "JavaHome", 0, REG_SZ, (const BYTE*)value.c_str(), (DWORD)value.size() + 1);
        RegCloseKey(opened);
    }
#else
    static void clearRegistrations() {}
#endif
};

TEST_F(FurtherSourcesTest, JavaHomeThenPathOnlyWhenTheDescribedSourcesGiveNothing) {
    // A home with a blank in its name, as "C:\Program Files\Java\jdk-21".
    const std::string fromHome = runtime(dir.path() / "java home");
    setEnv("JAVA_HOME", dir.str("java home"));
    EXPECT_EQ(discovered(), fromHome);
    EXPECT_EQ(javawStarts().back().arguments.at(0), "-cp") << "the quoted path starts as one word";

    // A configured default still wins, as described.
    const std::string configured = runtime(dir.path() / "configured");
    EXPECT_EQ(discovered("DEFAULT_JAVAW_PATH = " + configured + "\n"), configured);

    // JAVA_HOME without a runtime: the next source.
    const fs::path onPath = dir.path() / "on path";
    fs::create_directories(onPath);
    fs::copy_file(javaw, onPath / kOnPath);
    setEnv("JAVA_HOME", dir.str("empty home"));
    hideJavaOnPath("\"" + dir.str("no such folder") + "\"" + kListSep + "\"" + onPath.string() + "\"");
    EXPECT_EQ(discovered(), (onPath / kOnPath).string()) << "quotes around PATH entries are dropped";

    unsetEnv("JAVA_HOME");
    hideJavaOnPath();
    EXPECT_EQ(discovered(), "");
    EXPECT_EQ(boxes(), errorBox("No 'javaw.exe' found, could not start application."));
}

TEST_F(FurtherSourcesTest, VerboseSearchNamesEveryCandidate) {
    const std::string fromHome = runtime(dir.path() / "home");
    setEnv("JAVA_HOME", dir.str("home"));
    writeConfig("DEBUG = TRUE\nAPPLICATION_DIRECTORY = app\nMAIN_CLASS = pemu.tarvo.Viewer\n");
    const LauncherRun run = this->run();
    EXPECT_NE(run.errors.find("JAVA_HOME: " + dir.str("home") + "\njavaw.exe found in: " + fromHome + "\n"),
              std::string::npos)
        << run.errors;
}

#ifdef _WIN32
TEST_F(FurtherSourcesTest, RegistrationsHighestVersionFirstInBothViews) {
    const fs::path jdk21 = dir.path() / "jdk-21", jdk17 = dir.path() / "jdk-17", jre9 = dir.path() / "jre-9";
    runtime(jdk21);
    runtime(jdk17);
    runtime(jre9);
    setEnv("JAVA_HOME", dir.str("java-home"));
    const std::string fromHome = runtime(dir.path() / "java-home");
    registerVersion("JRE", "9", jre9, KEY_WOW64_32KEY);
    registerVersion("JDK", "17", jdk17, KEY_WOW64_64KEY);
    registerVersion("JDK", "21", jdk21, KEY_WOW64_64KEY);
    // Numerically the highest, but its JavaHome holds no javaw.exe: skipped.
    registerVersion("JRE", "21.0.2", dir.path() / "jre-21.0.2-without-javaw", KEY_WOW64_32KEY);
    registerVersion("JDK", "100", dir.path() / "no-such-folder", KEY_WOW64_64KEY);
    EXPECT_EQ(discovered(), (jdk21 / "bin" / "javaw.exe").string()) << "before JAVA_HOME";

    deleteKey("SOFTWARE\\JavaSoft\\JDK", "21", KEY_WOW64_64KEY);
    EXPECT_EQ(discovered(), (jdk17 / "bin" / "javaw.exe").string()) << "17 > 9";

    // MIN_JRE_VERSION rules out what is too old, registration by registration.
    EXPECT_EQ(discovered("MIN_JRE_VERSION = 11\n"), (jdk17 / "bin" / "javaw.exe").string());
    EXPECT_EQ(discovered("MIN_JRE_VERSION = 18\n"), fromHome);

    deleteKey("SOFTWARE\\JavaSoft\\JDK", "17", KEY_WOW64_64KEY);
    EXPECT_EQ(discovered(), (jre9 / "bin" / "javaw.exe").string()) << "the 32-bit view's registration";
}
#else
TEST_F(FurtherSourcesTest, DebiansDefaultRuntimeAfterJavaHomeBeforePath) {
    const std::string defaultJava = runtime(dir.path() / "default-java");
    setEnv("TARVO_DEFAULT_JAVA", defaultJava);
    const fs::path onPath = dir.path() / "on-path";
    fs::create_directories(onPath);
    fs::copy_file(javaw, onPath / kOnPath);
    hideJavaOnPath(onPath.string());
    EXPECT_EQ(discovered(), defaultJava);

    const std::string fromHome = runtime(dir.path() / "home");
    setEnv("JAVA_HOME", dir.str("home"));
    EXPECT_EQ(discovered(), fromHome);

    // A file that may not be executed is no runtime.
    unsetEnv("JAVA_HOME");
    fs::permissions(defaultJava, fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec,
                    fs::perm_options::remove);
    EXPECT_EQ(discovered(), (onPath / kOnPath).string());
}
#endif

}  // namespace
}  // namespace launcher_test
