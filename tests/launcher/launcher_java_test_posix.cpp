// The Linux port end to end with the real java: the launcher starts the demo
// viewer from java/demo, found as a default path, through the registry store
// and as a private runtime, and its output lands in the log.
#include "launcher_fixture.h"

namespace launcher_test {
namespace {

using namespace tarvo_test;

class JavaTest : public LauncherTest {
protected:
    void SetUp() override {
        LauncherTest::SetUp();
        java = fs::canonical(TARVO_JAVA);
    }
    void TearDown() override {
        deleteRegistryKey(HKEY_LOCAL_MACHINE, "Software\\JavaSoft");
        LauncherTest::TearDown();
    }
    void writeDemoConfig(const std::string& first) {
        writeConfig(first + "APPLICATION_DIRECTORY = " TARVO_DEMO_APP "\nNATIVE_DIRECTORY = native\n"
                            "MAIN_CLASS = pemu.tarvo.demo.DemoViewer\nAPP_ARGUMENTS = --demo\n");
    }
    fs::path java;
};

TEST_F(JavaTest, DemoViewerOutputLandsInTheLog) {
    writeDemoConfig("DEFAULT_JAVAW_PATH = " + java.string() + "\n");
    const LauncherRun run = this->run({"--ticket", "T 1", "x\"y", "z"});
    EXPECT_EQ(run.exitCode, 0);
    const std::string output = "Tarvo demo viewer started\nargument 1: --demo\nargument 2: --ticket\nargument 3: T 1\n"
                               "argument 4: x\"y\nargument 5: z\nworking directory: " + fs::canonical(install).string() +
                               "\njava.library.path: native\nlast PATH entry: native\n";
    EXPECT_EQ(log(), "'javaw.exe' found in '" + java.string() + "'.\n\n" + output +
                         "Tarvo demo viewer: this line went to standard error\nTarvo demo viewer ends\n");
}

TEST_F(JavaTest, RuntimeFromTheRegistryOrUnderTheProgramsFolder) {
    const fs::path home = java.parent_path().parent_path();
    setRegistryValue(HKEY_LOCAL_MACHINE, "Software\\JavaSoft\\Java Runtime Environment", "CurrentVersion", "17");
    setRegistryValue(HKEY_LOCAL_MACHINE, "Software\\JavaSoft\\Java Runtime Environment\\17", "JavaHome", home.string());
    writeDemoConfig("MIN_JRE_VERSION = 11\n");
    run();
    EXPECT_EQ(log().find("'javaw.exe' found in '" + home.string() + "/bin/java'.\n\nTarvo demo viewer started\n"), 0u)
        << log();

    const fs::path runtime = dir.path() / "programs" / "j2dk180" / "jre" / "bin";
    fs::create_directories(runtime);
    fs::create_symlink(java, runtime / "java");
    run();
    EXPECT_EQ(log().find("'javaw.exe' found in '" + (runtime / "java").string() + "'.\n\nTarvo demo viewer started\n"), 0u)
        << log();
}

}  // namespace
}  // namespace launcher_test
