// The launcher's rules that need no launcher process: instance keys, version
// and memory rules, configuration values, command lines and their splitting,
// the process search.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "cmdline_split.h"
#include "commandline.h"
#include "config_launcher.h"
#include "executable_machine.h"
#include "hostchecks.h"
#include "instance.h"
#include "javasources.h"
#include "launcher_platform.h"
#include "library_choice.h"
#include "paramfile.h"
#include "processrunning.h"
#include "test_support.h"

using namespace tarvo_test;
namespace fs = std::filesystem;

namespace {

#ifdef _WIN32
const std::string kSep = "\\";
#else
const std::string kSep = "/";
#endif

std::string keyOf(std::vector<std::string> argv) {
    std::vector<char*> pointers;
    for (auto& a : argv) pointers.push_back(&a[0]);
    return instanceKey((int)argv.size(), pointers.data());
}

TEST(InstanceKey, NameAfterTheLastSeparatorWithTheStandaloneRule) {
    EXPECT_EQ(keyOf({}), "TARVO/Novaskop");
    EXPECT_EQ(keyOf({"C:" + kSep + "tarvo" + kSep + "TarvoLauncher.exe", "--ticket"}), "TarvoLauncher.exe");
    EXPECT_EQ(keyOf({"TarvoLauncher"}), "TarvoLauncher") << "no separator: argv[0] as it stands";
    EXPECT_EQ(keyOf({"C:" + kSep + "x" + kSep + "standaloneViewer.exe"}), "TARVO/Novaskop");
    EXPECT_EQ(keyOf({"C:" + kSep + "x" + kSep + "StandaloneViewer.exe"}), "StandaloneViewer.exe")
        << "the prefix test respects case";
    EXPECT_EQ(keyOf({"standaloneViewer.exe"}), "standaloneViewer.exe") << "no standalone rule without a folder";
}

TEST(HostRules, VersionPairs) {
    EXPECT_TRUE(isOsVersionSupported(1, 4, 10));
    EXPECT_TRUE(isOsVersionSupported(1, 4, 90));
    EXPECT_FALSE(isOsVersionSupported(1, 4, 0));
    EXPECT_FALSE(isOsVersionSupported(2, 4, 0));
    EXPECT_TRUE(isOsVersionSupported(2, 5, 0));
    EXPECT_TRUE(isOsVersionSupported(2, 10, 0));
    EXPECT_FALSE(isOsVersionSupported(0, 10, 0));
}

TEST(HostRules, MemorySettingsInSixtyFourBits) {
    EXPECT_EQ(requiredMemoryBytes(512), 512ull << 20);
    EXPECT_EQ(requiredMemoryBytes(4096), 4ull << 30) << "not wrapped to 0";
    EXPECT_EQ(requiredMemoryBytes(-1), 0u) << "a negative setting asks for nothing";
}

class SettingsTest : public testing::Test {
protected:
    void fill(const std::string& text) {
        writeFile(dir.path() / "tarvoLauncher.conf", text);
        char* table = readpara(dir.str("tarvoLauncher.conf").c_str());
        ASSERT_NE(table, nullptr);
        fillLauncherSettings(table);
        free(table);
    }
    TempDir dir;
};

TEST_F(SettingsTest, DefaultsWhenKeysAreAbsent) {
    fill("# nothing\n");
    EXPECT_DOUBLE_EQ(getMinJreVersion(), 1.6);
    EXPECT_EQ(getDefaultJavawPath(), nullptr);
    EXPECT_EQ(getMainClass(), nullptr);
    EXPECT_EQ(getForcedJavawPath(), nullptr);
    EXPECT_EQ(getDebug(), 0);
    EXPECT_EQ(getCheckColorDepth(), 0);
    EXPECT_EQ(getCheckAutoupdater(), 0);
    EXPECT_EQ(getAllowMultipleInstances(), 0);
    EXPECT_EQ(getMinMemPhy(), 0);
    EXPECT_EQ(getMinMemTotal(), 0);
}

TEST_F(SettingsTest, SwitchesAreOnUnlessFalse) {
    for (const char* on : {"0", "no", "", "TRUE", "off"}) {
        fill(std::string("DEBUG = ") + on + "\n");
        EXPECT_NE(getDebug(), 0) << "'" << on << "'";
    }
    for (const char* off : {"FALSE", "false", "FaLsE"}) {
        fill(std::string("DEBUG = ") + off + "\n");
        EXPECT_EQ(getDebug(), 0) << off;
    }
    fill("debug = false\nDEBUG = TRUE\n");
    EXPECT_EQ(getDebug(), 0) << "keys match without case; the first line counts";
    fill("DEBUG_LEVEL = 2\nALLOW_MULTIPLE_INSTANCES = yes\n");
    EXPECT_EQ(getDebug(), 0) << "DEBUG_LEVEL is another key";
    EXPECT_NE(getAllowMultipleInstances(), 0);
}

TEST_F(SettingsTest, NumbersAndTexts) {
    fill("MIN_MEM_PHY = 512MB\nMIN_MEM_TOTAL = 99999999999\nMIN_JRE_VERSION = 1.8\n"
         "JAVAW_ARGUMENTS = -Dtarvo.url=http://host:80/a=b\nFORCED_JAVAW_PATH =\n"
         "MAIN_CLASS = pemu.Main # comment\nAPP_ARGUMENTS = a\\#b\n");
    EXPECT_EQ(getMinMemPhy(), 512);
    EXPECT_EQ(getMinMemTotal(), INT32_MAX) << "held to the 32-bit setting";
    EXPECT_DOUBLE_EQ(getMinJreVersion(), 1.8);
    EXPECT_STREQ(getJavawArguments(), "-Dtarvo.url=http://host:80/a=b");
    ASSERT_NE(getForcedJavawPath(), nullptr) << "an empty value is present";
    EXPECT_STREQ(getForcedJavawPath(), "");
    EXPECT_STREQ(getMainClass(), "pemu.Main");
    EXPECT_STREQ(getAppArguments(), "a#b");
    fill("MIN_JRE_VERSION = letters\nMIN_MEM_PHY = many\n");
    EXPECT_DOUBLE_EQ(getMinJreVersion(), 0.0);
    EXPECT_EQ(getMinMemPhy(), 0);
}

std::vector<std::string> split(const std::string& line, bool withProgram = false) {
    int count = -1;
    char** texts = withProgram ? splitCommandLine(line.c_str(), &count) : splitArguments(line.c_str(), &count);
    std::vector<std::string> result(texts, texts + count);
    EXPECT_EQ(texts[count], nullptr);
    free(texts);
    return result;
}

using Texts = std::vector<std::string>;

TEST(JavaVersions, ComparedNumberByNumber) {
    EXPECT_GT(compareJavaVersions("21.0.2", "17"), 0);
    EXPECT_GT(compareJavaVersions("17", "9"), 0) << "not as texts";
    EXPECT_GT(compareJavaVersions("9", "1.8.0_392"), 0);
    EXPECT_GT(compareJavaVersions("21.0.10", "21.0.9"), 0);
    EXPECT_GT(compareJavaVersions("1.8.0_392", "1.8.0_41"), 0);
    EXPECT_LT(compareJavaVersions("21", "21.0.2"), 0);
    EXPECT_EQ(compareJavaVersions("21", "21.0.0"), 0);
    EXPECT_EQ(compareJavaVersions("017", "17"), 0);
    EXPECT_GT(compareJavaVersions("99999999999999999999999", "9999999999999999999999"), 0) << "no overflow";
    EXPECT_EQ(compareJavaVersions("", "0"), 0);
    EXPECT_LT(compareJavaVersions("beta", "1"), 0);
}

// Crafted headers in an installation's native folders: the 64-bit runtime
// gets the x64 folder when there is one; a runtime no library fits gets a
// note naming both.
class LibraryChoiceTest : public SettingsTest {
protected:
    static std::string pe(uint16_t machine) {
        std::string bytes(0x86, '\0');
        bytes[0] = 'M';
        bytes[1] = 'Z';
        bytes[0x3C] = (char)0x80;
        bytes.replace(0x80, 4, std::string("PE\0\0", 4));
        bytes[0x84] = (char)(machine & 0xff);
        bytes[0x85] = (char)(machine >> 8);
        return bytes;
    }
    std::string place(const std::string& relative, uint16_t machine) {
        const fs::path file = dir.path() / relative;
        fs::create_directories(file.parent_path());
        writeFile(file, pe(machine));
        return file.string();
    }
    std::string native() { return dir.str("native"); }
    std::string library(const std::string& folder) { return folder + kSep + kNativeLibraryName; }
    std::string choose(uint16_t runtime) {
        fill("NATIVE_DIRECTORY = " + native() + "\n");
        place("runtime/javaw", runtime);
        chooseNativeDirectory(javaw().c_str());
        return viewerNativeDirectory();
    }
    std::string note() { return nativeLibraryMismatch() != nullptr ? nativeLibraryMismatch() : "<none>"; }
    std::string javaw() { return dir.str("runtime") + kSep + "javaw"; }
};

TEST_F(LibraryChoiceTest, EachRuntimeGetsTheLibraryBuiltForIt) {
    place("native/" + std::string(kNativeLibraryName), 0x014c);
    place("native/x64/" + std::string(kNativeLibraryName), 0x8664);
    EXPECT_EQ(choose(0x014c), native());
    EXPECT_EQ(note(), "<none>");
    EXPECT_EQ(choose(0x8664), native() + kSep + "x64");
    EXPECT_EQ(note(), "<none>");
    EXPECT_EQ(choose(0xAA64), native()) << "only an x64 runtime takes the x64 folder";
    EXPECT_EQ(note(), "The Java runtime '" + javaw() + "' is ARM64 (64-bit), but no native library fits it: '" +
                          library(native()) + "' is x86 (32-bit), '" + library(native() + kSep + "x64") +
                          "' is x64 (64-bit).\n\n");
}

TEST_F(LibraryChoiceTest, AMismatchIsNamedAndNothingElseChanges) {
    place("native/" + std::string(kNativeLibraryName), 0x014c);
    EXPECT_EQ(choose(0x8664), native()) << "no x64 folder";
    EXPECT_EQ(note(), "The Java runtime '" + javaw() + "' is x64 (64-bit), but no native library fits it: '" +
                          library(native()) + "' is x86 (32-bit).\n\n");

    fs::remove(library(native()));
    place("native/x64/" + std::string(kNativeLibraryName), 0x8664);
    EXPECT_EQ(choose(0x014c), native());
    EXPECT_EQ(note(), "The Java runtime '" + javaw() + "' is x86 (32-bit), but no native library fits it: '" +
                          library(native() + kSep + "x64") + "' is x64 (64-bit).\n\n");

    fs::remove_all(native());
    EXPECT_EQ(choose(0x8664), native());
    EXPECT_EQ(note(), "<none>") << "no library at all: nothing to name";
    writeFile(dir.path() / "runtime" / "javaw", "#!/bin/sh\n");
    fs::create_directories(native() + kSep + "x64");
    chooseNativeDirectory(javaw().c_str());
    EXPECT_EQ(viewerNativeDirectory(), native()) << "a runtime of unknown type changes nothing";
    EXPECT_EQ(note(), "<none>");
}

TEST(CommandLineSplit, RulesOfTheMicrosoftRuntime) {
    EXPECT_EQ(split("\"a b c\" d e"), (Texts{"a b c", "d", "e"}));
    EXPECT_EQ(split("\"ab\\\"c\" \"\\\\\" d"), (Texts{"ab\"c", "\\", "d"}));
    EXPECT_EQ(split("a\\\\\\b d\"e f\"g h"), (Texts{"a\\\\\\b", "de fg", "h"}));
    EXPECT_EQ(split("a\\\\\\\"b c d"), (Texts{"a\\\"b", "c", "d"}));
    EXPECT_EQ(split("a\\\\\\\\\"b c\" d e"), (Texts{"a\\\\b c", "d", "e"}));
    EXPECT_EQ(split("a\"b\"\" c d"), (Texts{"ab\"", "c", "d"})) << "a quote pair ends the quoted part";
    EXPECT_EQ(split("  \t "), Texts{});
    EXPECT_EQ(split("\"\" x"), (Texts{"", "x"}));
    EXPECT_EQ(split("\"open to the end"), (Texts{"open to the end"}));
    EXPECT_EQ(split(" \"a b\" \"x\"y\" \"plain\""), (Texts{"a b", "xy plain"}));
}

TEST(CommandLineSplit, ProgramNameKeepsBackslashes) {
    EXPECT_EQ(split("C:\\java\\bin\\javaw.exe -cp x", true), (Texts{"C:\\java\\bin\\javaw.exe", "-cp", "x"}));
    EXPECT_EQ(split("\"C:\\Program Files\\a.exe\" \"b c\"", true), (Texts{"C:\\Program Files\\a.exe", "b c"}));
    EXPECT_EQ(split(" -cp", true), (Texts{"", "-cp"}));
}

TEST(CommandLine, LauncherArgumentsQuotedAsTheRuntimeSplitsThem) {
    std::vector<std::string> argv{"launcher", "--ticket", "T 1", "x\"y", "C:\\cases\\", "a\\\"b", ""};
    std::vector<char*> pointers;
    for (auto& a : argv) pointers.push_back(&a[0]);
    char* line = buildCommandLine("javaw", " -cp a.jar Main", (int)argv.size(), pointers.data());
    EXPECT_STREQ(line, "javaw  -cp a.jar Main \"--ticket\" \"T 1\" \"x\\\"y\" \"C:\\cases\\\\\" \"a\\\\\\\"b\" \"\"");
    EXPECT_EQ(split(line, true), (Texts{"javaw", "-cp", "a.jar", "Main", "--ticket", "T 1", "x\"y", "C:\\cases\\", "a\\\"b", ""}));
    free(line);
    line = buildCommandLine("", "-cp a.jar Main", 1, pointers.data());
    EXPECT_STREQ(line, " -cp a.jar Main") << "an empty javaw path leaves the blank in front";
    free(line);
}

TEST(ProcessRunning, FindsProgramsByFileNameWithoutCase) {
    TempDir dir;
    const std::string name = "Tarvo-Probe-" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count() % 100000);
#ifdef _WIN32
    const std::string file = name + ".exe";
#else
    const std::string file = name;
#endif
    const fs::path probe = dir.path() / file;
    fs::copy_file(fixtureProgram("javaw"), probe);
    unsetEnv("TARVO_JAVAW_RECORD");
    setEnv("TARVO_JAVAW_HOLD", dir.str("release"));
    const RunningProgram running = startProgram(probe, {probe.string()}, dir.path() / "out", dir.path() / "err");
    unsetEnv("TARVO_JAVAW_HOLD");

    std::string lower = file;
    for (char& c : lower) c = (char)tolower((unsigned char)c);
    EXPECT_TRUE(isProcessRunning(lower.c_str()));
    EXPECT_TRUE(isProcessRunning(file.c_str()));
    EXPECT_FALSE(isProcessRunning((dir.str() + kSep + file).c_str())) << "a file name holds no folder";

    writeFile(dir.path() / "release", "");
    EXPECT_EQ(waitProgram(running), 0);
    EXPECT_FALSE(isProcessRunning(file.c_str()));
}

// Headers as the loader reads them: the built stand-in's own, and crafted
// files that are cut short or point outside themselves.
TEST(ExecutableMachine, ReadsPeAndElfHeadersAndRejectsBrokenOnes) {
    EXPECT_EQ(readExecutableMachine(fixtureProgram("javaw").string().c_str()),
              sizeof(void*) == 8 ? kMachineX64 : kMachineX86);
    TempDir dir;
    const auto pe = [](uint16_t machine, uint32_t offset) {
        std::string bytes(offset + 6, '\0');
        bytes[0] = 'M';
        bytes[1] = 'Z';
        for (int i = 0; i < 4; ++i) bytes[0x3C + i] = (char)(offset >> (8 * i));
        bytes.replace(offset, 4, std::string("PE\0\0", 4));
        bytes[offset + 4] = (char)(machine & 0xff);
        bytes[offset + 5] = (char)(machine >> 8);
        return bytes;
    };
    const auto machineOf = [&](const std::string& bytes) {
        writeFile(dir.path() / "probe", bytes);
        return readExecutableMachine(dir.str("probe").c_str());
    };
    EXPECT_EQ(machineOf(pe(0x014c, 0x80)), kMachineX86);
    EXPECT_EQ(machineOf(pe(0x8664, 0x80)), kMachineX64);
    EXPECT_EQ(machineOf(pe(0xAA64, 0x40)), kMachineArm64);
    EXPECT_EQ(machineOf(pe(0x01c4, 0x80)), kMachineOther);
    EXPECT_EQ(machineOf(pe(0x8664, 0x80).substr(0, 0x84)), kMachineUnknown) << "cut inside the COFF header";
    std::string far = pe(0x8664, 0x80);
    far[0x3C + 3] = 0x7f;
    EXPECT_EQ(machineOf(far), kMachineUnknown) << "e_lfanew beyond the file";
    std::string noSignature = pe(0x8664, 0x80);
    noSignature[0x80] = 'N';
    EXPECT_EQ(machineOf(noSignature), kMachineUnknown);

    std::string elf(64, '\0');
    elf.replace(0, 4, "\x7f" "ELF");
    elf[4] = 2;
    elf[5] = 1;
    elf[18] = 62;
    EXPECT_EQ(machineOf(elf), kMachineX64);
    elf[4] = 1;
    elf[18] = 3;
    EXPECT_EQ(machineOf(elf), kMachineX86);
    elf[5] = 2;
    elf[18] = 0;
    elf[19] = (char)183;
    EXPECT_EQ(machineOf(elf), kMachineArm64) << "big-endian byte order";
    elf[5] = 7;
    EXPECT_EQ(machineOf(elf), kMachineUnknown);

    EXPECT_EQ(machineOf(""), kMachineUnknown);
    EXPECT_EQ(machineOf("#!/bin/sh\nexec java \"$@\"\n"), kMachineUnknown);
    EXPECT_EQ(readExecutableMachine(dir.str("missing").c_str()), kMachineUnknown);
    EXPECT_EQ(readExecutableMachine(nullptr), kMachineUnknown);
    EXPECT_STREQ(executableMachineName(kMachineX64), "x64 (64-bit)");
}

}  // namespace
