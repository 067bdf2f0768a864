// The single-instance decision between launcher processes: the key from
// argv[0], the "standalone" rule and ALLOW_MULTIPLE_INSTANCES.
#include "launcher_fixture.h"

namespace launcher_test {
namespace {

using namespace tarvo_test;

class InstanceTest : public LauncherTest {
protected:
    // A first launcher, started as `name` by its full path, whose viewer stays
    // until release(); later viewers end at once.
    StartedLauncher startHeld(const std::string& name = kLauncherFile) {
        holdViewers();
        // Counted before the start: a fast viewer may be recorded before
        // start() returns.
        const size_t before = javawStarts().size();
        StartedLauncher first = start({}, name);
        awaitJavawStarts(before + 1);
        unsetEnv("TARVO_JAVAW_HOLD");
        return first;
    }
    // Runs another launcher; true when it started a viewer of its own.
    bool startsViewer(const std::string& name = kLauncherFile, const std::string& argv0 = "") {
        const size_t before = javawStarts().size();
        const LauncherRun second = run({"--ticket", "T"}, name, argv0);
        EXPECT_EQ(second.exitCode, 0);
        return javawStarts().size() > before;
    }
};

TEST_F(InstanceTest, SecondLauncherOfTheSameNameStartsNoViewer) {
    writeConfig(config());
    const StartedLauncher first = startHeld();
    const size_t before = javawStarts().size();
    const LauncherRun second = run({"--ticket", "T"});
    EXPECT_EQ(second.exitCode, 0);
    EXPECT_EQ(javawStarts().size(), before);
    EXPECT_EQ(second.output.find("->Redirecting"), std::string::npos);
    EXPECT_EQ(boxes(), "");
    release();
    EXPECT_EQ(finish(first).exitCode, 0);
    EXPECT_TRUE(startsViewer()) << "the marker ends with its launcher";
}

TEST_F(InstanceTest, KeyIsTheFileNameAsArgv0SpellsIt) {
    writeConfig(config());
    const StartedLauncher first = startHeld();
#ifdef _WIN32
    EXPECT_TRUE(startsViewer(kLauncherFile, "TarvoLauncher")) << "started from its folder: no extension, another key";
#endif
    EXPECT_TRUE(startsViewer(kLauncherFile, "tarvo-link")) << "no folder in argv[0]: the key as it stands";
    const std::string elsewhere = (dir.path() / "elsewhere" / kLauncherFile).string();
    EXPECT_FALSE(startsViewer(kLauncherFile, elsewhere)) << "only the file name counts";
    release();
    finish(first);
}

TEST_F(InstanceTest, StandaloneNamesShareOneKey) {
    const std::string a = std::string("standaloneA") + kExe;
    const std::string b = std::string("standaloneB") + kExe;
    const std::string capital = std::string("StandaloneC") + kExe;
    for (const auto& name : {a, b, capital}) installLauncher(name);
    writeConfig(config());
    const StartedLauncher first = startHeld(a);
    EXPECT_FALSE(startsViewer(b)) << "both are TARVO/Novaskop";
    EXPECT_TRUE(startsViewer(capital)) << "the prefix test respects case";
    EXPECT_TRUE(startsViewer(b, b)) << "without a folder in argv[0] the name is the key";
    release();
    finish(first);
}

TEST_F(InstanceTest, AllowMultipleInstancesMakesNoMarker) {
    writeConfig(config("ALLOW_MULTIPLE_INSTANCES = TRUE\n"));
    const StartedLauncher first = startHeld();
    EXPECT_TRUE(startsViewer());
    writeConfig(config());
    EXPECT_TRUE(startsViewer()) << "the first launcher made no marker to find";
    release();
    finish(first);
}

}  // namespace
}  // namespace launcher_test
