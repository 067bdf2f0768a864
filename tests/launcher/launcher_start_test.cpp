// The start of a viewer end to end: configuration, command line, PATH, host
// checks and the boxes of a start that cannot go on.
#include "launcher_fixture.h"

#include <regex>

namespace launcher_test {
namespace {

using namespace tarvo_test;

class StartTest : public LauncherTest {};

std::string realPath(const fs::path& path) { return fs::canonical(path).string(); }

TEST_F(StartTest, ViewerGetsTheComposedCommandLine) {
    writeConfig(config("JAVAW_ARGUMENTS = -Xmx256m -Dtarvo.mode=a=b\nNATIVE_DIRECTORY = native\n"
                       "APP_ARGUMENTS = --app x\n"));
    const LauncherRun run = this->run({"--ticket", "T 1"});
    EXPECT_EQ(run.exitCode, 0);
    ASSERT_EQ(javawStarts().size(), 1u);
    const JavawStart viewer = javawStarts()[0];
    const std::string classPath = std::string("app") + kSep + "viewer.jar";
#ifdef _WIN32
    EXPECT_EQ(viewer.commandLine, javaw.string() + " -Xmx256m -Dtarvo.mode=a=b -Djava.library.path=native  -cp " +
                                      classPath + " pemu.tarvo.Viewer --app x \"--ticket\" \"T 1\"");
#endif
    EXPECT_EQ(viewer.arguments, (std::vector<std::string>{"-Xmx256m", "-Dtarvo.mode=a=b", "-Djava.library.path=native",
                                                          "-cp", classPath, "pemu.tarvo.Viewer", "--app", "x",
                                                          "--ticket", "T 1"}));
    EXPECT_EQ(realPath(viewer.workingDirectory), realPath(install)) << "the launcher's folder, not the caller's";
    const char* path = getenv("PATH");
    EXPECT_EQ(viewer.path, path != nullptr && path[0] != '\0' ? path + std::string(1, kListSep) + "native" : "native");

    EXPECT_EQ(log(), "Using forced path for 'javaw.exe': " + javaw.string() +
                         "\n\njavaw stand-in: standard output\njavaw stand-in: standard error\n");
    const std::string primary = (install / "TarvoLauncher.conf").string();
    EXPECT_EQ(run.output, "Reading configuration from >" + primary +
                              "<\n\n->Redirecting stdout and stderr of child process to file\n");
    EXPECT_EQ(run.errors, "Could not read from stream\nExiting READPIPE");
    EXPECT_EQ(boxes(), "");
}

TEST_F(StartTest, WithoutOptionsTwoBlanksStandBeforeTheClassPath) {
    writeConfig(config());
    run();
    ASSERT_EQ(javawStarts().size(), 1u);
#ifdef _WIN32
    EXPECT_EQ(javawStarts()[0].commandLine, javaw.string() + "  -cp app\\viewer.jar pemu.tarvo.Viewer");
#endif
    EXPECT_EQ(javawStarts()[0].arguments,
              (std::vector<std::string>{"-cp", std::string("app") + kSep + "viewer.jar", "pemu.tarvo.Viewer"}));
}

TEST_F(StartTest, ClassPathHoldsTheJarFilesInListingOrder) {
    addJars({"b.jar", "A.jar", ".hidden.jar", "c.JAR", "notes.txt"});
    fs::create_directories(install / "app" / "folder.jar");
    writeConfig(config());
    run();
    std::vector<std::string> expected;
    for (const auto& entry : fs::directory_iterator(install / "app")) {
        std::string name = entry.path().filename().string();
        std::string lower = name;
        for (char& c : lower) c = (char)tolower((unsigned char)c);
        const bool jar = lower.size() > 4 && lower.substr(lower.size() - 4) == ".jar";
        if (jar && !entry.is_directory()) expected.push_back(std::string("app") + kSep + name);
    }
    ASSERT_EQ(expected.size(), 5u);
    ASSERT_EQ(javawStarts().size(), 1u);
    EXPECT_EQ(javawStarts()[0].arguments.at(1), joined(expected, kListSep));
}

TEST_F(StartTest, ViewerReceivesEachArgumentUnchanged) {
    writeConfig(config());
    // Quotes, backslashes before a quote and at the end, blanks, tabs, the
    // empty text, a wildcard, and bytes beyond ASCII (Latin-1 and UTF-8).
    const std::vector<std::string> given{"a b", "*.jar", "x\"y", "C:\\cases\\", "next", "a\\\"b c",
                                         "tab\there", "", "\\\\server\\", "R\xF6ntgen", "\xC3\xBC \"\"",
                                         "tarvo:x\" \"--ticket\" \"forged"};
    run(given);
    ASSERT_EQ(javawStarts().size(), 1u);
    const std::vector<std::string> arguments = javawStarts()[0].arguments;
    ASSERT_EQ(arguments.size(), 3 + given.size());
    EXPECT_EQ(std::vector<std::string>(arguments.begin() + 3, arguments.end()), given)
        << "nothing is split, joined, dropped or expanded";
}

TEST_F(StartTest, ConfigurationFiles) {
    // Without any file: the box names the file named after the executable.
    LauncherRun run = this->run();
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(boxes(), errorBox("Could not read configuration file from " + (install / "TarvoLauncher.conf").string()));
    EXPECT_TRUE(javawStarts().empty());

    // The file named after the executable comes before tarvoLauncher.conf.
    const std::string viewerName = std::string("Viewer") + kExe;
    installLauncher(viewerName);
    writeConfig(config("MAIN_CLASS = named.Main\n"), "Viewer.conf");
    writeConfig(config("MAIN_CLASS = shared.Main\n"));
    this->run({}, viewerName);
    fs::remove(install / "Viewer.conf");
    this->run({}, viewerName);
    ASSERT_EQ(javawStarts().size(), 2u);
    EXPECT_EQ(javawStarts()[0].arguments.at(2), "named.Main");
    EXPECT_EQ(javawStarts()[1].arguments.at(2), "shared.Main");
}

TEST_F(StartTest, MissingPartsEndInAnOrderlyFailure) {
    writeConfig("FORCED_JAVAW_PATH = " + javaw.string() + "\nAPPLICATION_DIRECTORY = app\n");
    EXPECT_EQ(run().exitCode, kExitFailure);
    writeConfig("FORCED_JAVAW_PATH = " + javaw.string() + "\nMAIN_CLASS = pemu.tarvo.Viewer\n");
    EXPECT_EQ(run().exitCode, kExitFailure);
    writeConfig("MIN_JRE_VERSION = 99\nAPPLICATION_DIRECTORY = app\nMAIN_CLASS = pemu.tarvo.Viewer\n");
    hideJavaOnPath();
    EXPECT_EQ(run().exitCode, 0);
    EXPECT_EQ(boxes(), errorBox("No MAIN_CLASS configured, could not start application.") +
                           errorBox("No APPLICATION_DIRECTORY configured, could not start application.") +
                           errorBox("No 'javaw.exe' found, could not start application."));
    EXPECT_TRUE(javawStarts().empty());
}

TEST_F(StartTest, ApplicationFolderWithoutJarFiles) {
    fs::remove(install / "app" / "viewer.jar");
    writeConfig(config());
    LauncherRun run = this->run();
    EXPECT_EQ(run.exitCode, kExitFailure);
    EXPECT_EQ(run.errors, "Error opening directory (2)\n");
    EXPECT_EQ(boxes(), errorBox(std::string("app") + kSep + "*.jar not found"));

    // Only a sub-folder matches: the class path has no entry, the start goes on.
    fs::create_directories(install / "app" / "classes.jar");
    this->run();
    ASSERT_EQ(javawStarts().size(), 1u);
    EXPECT_EQ(javawStarts()[0].arguments, (std::vector<std::string>{"-cp", "pemu.tarvo.Viewer"}));
}

TEST_F(StartTest, ViewerThatCannotStartShowsTheBox) {
    writeConfig(config("FORCED_JAVAW_PATH = " + (install / "missing-javaw.exe").string() + "\n"));
    LauncherRun run = this->run();
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.errors, "CreateProcess failed (2)\n");
    // An empty forced path leaves a blank in front: the first word is empty.
    writeConfig(config("FORCED_JAVAW_PATH =\nJAVAW_ARGUMENTS = " + javaw.string() + "\n"));
    run = this->run();
    EXPECT_EQ(run.errors, "CreateProcess failed (2)\n");
    EXPECT_EQ(boxes(), errorBox("Could not start Viewer.") + errorBox("Could not start Viewer."));
}

class PathTest : public StartTest {
protected:
    void SetUp() override {
        StartTest::SetUp();
        const char* path = getenv("PATH");
        saved_ = path != nullptr ? path : "";
    }
    void TearDown() override {
        setEnv("PATH", saved_);
        StartTest::TearDown();
    }
    std::string saved_;
};

TEST_F(PathTest, NativeDirectoryAppendedToAnyPath) {
    writeConfig(config("NATIVE_DIRECTORY = native\n"));
    const std::string longPath = saved_ + kListSep + std::string(5000, 'p');
    setEnv("PATH", longPath);
    run();
    unsetEnv("PATH");
    const LauncherRun withoutPath = run();
    setEnv("PATH", saved_);
    writeConfig(config());
    run();
    ASSERT_EQ(javawStarts().size(), 3u);
    EXPECT_EQ(javawStarts()[0].path, longPath + kListSep + "native") << "a PATH longer than 4096 bytes is read whole";
    EXPECT_EQ(javawStarts()[1].path, "native") << "without PATH the native directory stands alone";
    EXPECT_EQ(withoutPath.output.find("Environment path variable does not exist.\n") != std::string::npos, true);
    EXPECT_EQ(javawStarts()[2].path, saved_) << "without a native directory PATH stays as it was";
}

TEST_F(StartTest, VerboseModeReportsEachStep) {
    writeConfig(config("DEBUG = TRUE\nNATIVE_DIRECTORY = native\nMIN_MEM_PHY = 1\n"));
    const LauncherRun run = this->run({"x"});
    const std::string classPath = std::string(" -cp app") + kSep + "viewer.jar";
    const std::string commandLine = javaw.string() + " -Djava.library.path=native " + classPath + " pemu.tarvo.Viewer \"x\"";
    EXPECT_TRUE(std::regex_search(run.errors, std::regex(R"(^Version 2 \d+ \(major\) , \d+ \(minor\)\nOS version supported\.\n)")))
        << run.errors;
    for (const std::string& line : std::vector<std::string>{
             "Physical memory sufficent (1048576): 1\n", "Total memory sufficent (0): 1\nMemory available.\n",
          "Looking for jars in: app\n\nSearch string: app" + std::string(1, kSep) + "*.jar\n\nFound viewer.jar\n"
          "Classpath: " + classPath + "\n\nNative directory: native\n\nMain class: pemu.tarvo.Viewer\n\n",
          "Command line: " + commandLine + "\n\n", "\n\nStarting process ...Could not read from stream\n"}) {
        EXPECT_NE(run.errors.find(line), std::string::npos) << line << "\nin:\n" << run.errors;
    }
    EXPECT_TRUE(std::regex_search(run.errors, std::regex("\nPATH: ([^\n]*" + std::string(1, kListSep) + ")?native\n\n")));
}

TEST_F(StartTest, MemoryRequirements) {
    writeConfig(config("MIN_MEM_PHY = 4194304\n"));  // 4 TiB, which 32-bit arithmetic would make 0
    EXPECT_EQ(run().exitCode, 0);
    writeConfig(config("MIN_MEM_TOTAL = 2147483647\n"));
    run();
    writeConfig(config("MIN_MEM_PHY = 1\nMIN_MEM_TOTAL = 1\n"));
    run();
    const std::string box = errorBox("Not enough memory.\nThe application will terminate now.");
    EXPECT_EQ(boxes(), box + box);
    EXPECT_EQ(javawStarts().size(), 1u);
}

#ifndef _WIN32
TEST_F(StartTest, UnknownColourDepthWarnsAndGoesOn) {
    writeConfig(config("CHECK_COLOR_DEPTH = TRUE\n"));
    run();
    EXPECT_EQ(boxes(), warningBox("Your display is not able to display 256 gray values.\n"
                                  "Display quality of images may be reduced."));
    EXPECT_EQ(javawStarts().size(), 1u);
    // Without the record the box is a line on standard error.
    unsetEnv("TARVO_MESSAGE_BOX_LOG");
    const LauncherRun shown = run();
    EXPECT_EQ(shown.errors.find("Warning: Your display is not able to display 256 gray values.\n"
                                "Display quality of images may be reduced.\n"),
              0u);
}

TEST_F(StartTest, BoxThatCannotBeRecordedIsShown) {
    writeConfig(config("CHECK_COLOR_DEPTH = TRUE\n"));
    setEnv("TARVO_MESSAGE_BOX_LOG", dir.str("no-such-folder/boxes.txt"));
    const LauncherRun shown = run();
    EXPECT_EQ(shown.errors.find("Warning: Your display is not able to display 256 gray values.\n"
                                "Display quality of images may be reduced.\n"),
              0u);
    EXPECT_FALSE(fs::exists(dir.path() / "no-such-folder"));
}

TEST_F(StartTest, ExtensionlessExecutableInADottedFolder) {
    const fs::path dotted = dir.path() / "my.install";
    fs::create_directories(dotted);
    fs::copy_file(fixtureProgram("TarvoLauncher"), dotted / "TarvoLauncher");
    const RunningProgram running = startProgram(dotted / "TarvoLauncher", {(dotted / "TarvoLauncher").string()},
                                                dir.path() / "dotted.out", dir.path() / "dotted.err");
    waitProgram(running);
    EXPECT_EQ(readFile(dir.path() / "dotted.out"),
              "Reading configuration from >" + (dotted / "TarvoLauncher.conf").string() + "<\n");
}
#endif

}  // namespace
}  // namespace launcher_test
