// The single-instance decision between launcher processes: the key from
// argv[0], the "standalone" rule and ALLOW_MULTIPLE_INSTANCES.
#include "launcher_fixture.h"

#ifndef _WIN32
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <thread>
#endif

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

#ifndef _WIN32
// Without XDG_RUNTIME_DIR the markers lie in a folder of the user's own below
// TMPDIR, which other users can write into.
class SharedTemporaryFolderTest : public InstanceTest {
protected:
    void SetUp() override {
        InstanceTest::SetUp();
        unsetEnv("XDG_RUNTIME_DIR");
        shared = dir.path() / "tmp";
        fs::create_directories(shared);
        chmod(shared.c_str(), 01777);
        setEnv("TMPDIR", shared.string());
    }
    void TearDown() override {
        if (holder.pid > 0) {
            kill(holder.pid, SIGKILL);
            waitProgram(holder);
        }
        unsetEnv("TMPDIR");
        InstanceTest::TearDown();
    }
    fs::path ownFolder() const { return shared / ("tarvo-" + std::to_string(getuid())); }
    std::string lockName() const { return "tarvo-" + std::to_string(getuid()) + "-" + kLauncherFile + ".lock"; }

    // As the user "nobody": runs `script` in the shared folder, then holds the
    // lock of the file `held` (a marker planted for our launcher) until killed.
    void plantAsNobody(const std::string& script, const std::string& held) {
        const fs::path ready = shared / "ready";
        holder = startProgram("/usr/bin/setpriv",
                              {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", "/bin/sh", "-c",
                               "cd '" + shared.string() + "' && " + script + " && exec 9>>" + held +
                                   " && flock -n 9 && : >ready && exec sleep 60"},
                              dir.path() / "holder-out", dir.path() / "holder-err");
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!fs::exists(ready) && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        ASSERT_TRUE(fs::exists(ready)) << readFile(dir.path() / "holder-err");
    }

    fs::path shared;
    RunningProgram holder{0, 0};
};

TEST_F(SharedTemporaryFolderTest, MarkerLiesInAPrivateFolder) {
    writeConfig(config());
    const StartedLauncher first = startHeld();
    struct stat status{};
    ASSERT_EQ(lstat(ownFolder().c_str(), &status), 0);
    EXPECT_TRUE(S_ISDIR(status.st_mode));
    EXPECT_EQ(status.st_mode & 0777, 0700u);
    EXPECT_TRUE(fs::exists(ownFolder() / lockName()));
    EXPECT_FALSE(startsViewer()) << "the marker works from there";
    release();
    finish(first);
}

TEST_F(SharedTemporaryFolderTest, AnUnsafeRuntimeFolderIsPassedOver) {
    setEnv("XDG_RUNTIME_DIR", shared.string());  // writable by everyone
    writeConfig(config());
    const StartedLauncher first = startHeld();
    EXPECT_TRUE(fs::exists(ownFolder() / lockName()));
    EXPECT_FALSE(fs::exists(shared / lockName()));
    EXPECT_FALSE(startsViewer());
    release();
    finish(first);
}

TEST_F(SharedTemporaryFolderTest, MarkersPlantedByAnotherUserAreIgnored) {
    if (getuid() != 0) GTEST_SKIP() << "needs root to act as a second user";
    writeConfig(config());
    const std::string folder = ownFolder().filename().string();
    // The user's folder made by another user, holding a held marker.
    plantAsNobody("mkdir -m 777 " + folder, folder + "/" + lockName());
    EXPECT_TRUE(startsViewer()) << "a folder of another user is not used";
}

TEST_F(SharedTemporaryFolderTest, LinksAreNotFollowed) {
    if (getuid() != 0) GTEST_SKIP() << "needs root to act as a second user";
    writeConfig(config());
    // The user's folder is a link to a folder of another user that holds a
    // held marker of the right name.
    plantAsNobody("mkdir -m 700 elsewhere && ln -s elsewhere " + ownFolder().filename().string(),
                  "elsewhere/" + lockName());
    EXPECT_TRUE(startsViewer()) << "a linked folder is not used";
}
#endif

}  // namespace
}  // namespace launcher_test
