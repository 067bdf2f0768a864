// TarvoCheck as administrators run it: a separate process against an
// installation of the test's own (the real launcher, library and, on
// Windows, libpq.dll; the stand-in javaw), with the run's PostgreSQL cluster
// as the routing database. A right desk gives exit 0; each broken piece its
// own line and exit code. "route" names the lookup's own winner.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "autorouter_listener.h"
#include "routing.h"
#include "routing_db_home.h"
#include "test_support.h"
#include "text_encoding.h"

using namespace tarvo_test;
namespace fs = std::filesystem;

namespace {

#ifdef _WIN32
const char kExe[] = ".exe";
const char kLibrary[] = "tarvoUtils.dll";
#else
const char kExe[] = "";
const char kLibrary[] = "libtarvoUtils.so";
#endif

// The status word of the first report line about `name`, "" when none.
std::string statusOf(const std::string& report, const std::string& name) {
    for (size_t start = 0; start < report.size();) {
        size_t end = report.find('\n', start);
        if (end == std::string::npos) end = report.size();
        const std::string line = report.substr(start, end - start);
        start = end + 1;
        const size_t colon = line.find(": ");
        if (line.size() > 6 && colon != std::string::npos && line.substr(6, colon - 6) == name) {
            return line.substr(0, line.find(' '));
        }
    }
    return "";
}

// An executable header of another machine than this build's: PE 0x8664
// (x64) in the 32-bit Windows build, 0x014c (x86) in the 64-bit one, ELF
// EM_386 on Linux (the check reads nothing but the header).
void writeOtherMachineProgram(const fs::path& path) {
    std::string bytes(0x60, '\0');
#ifdef _WIN32
    bytes[0] = 'M', bytes[1] = 'Z', bytes[0x3C] = 0x40;
    bytes.replace(0x40, 6, sizeof(void*) == 4 ? std::string("PE\0\0\x64\x86", 6) : std::string("PE\0\0\x4c\x01", 6));
#else
    bytes.replace(0, 4, "\x7f" "ELF");
    bytes[4] = 1, bytes[5] = 1, bytes[18] = 3;
#endif
    writeFile(path, bytes);
}

class CheckTest : public testing::Test {
protected:
    void SetUp() override {
        for (const char* program : {"TarvoCheck", "TarvoLauncher"}) {
            fs::copy_file(fixtureProgram(program), install() / (std::string(program) + kExe));
        }
        fs::create_directories(install() / "native");
        fs::copy_file(programDirectory() / kLibrary, install() / "native" / kLibrary);
#ifdef _WIN32
        fs::copy_file(programDirectory() / "libpq.dll", install() / "native" / "libpq.dll");
#endif
        fs::create_directories(install() / "log");
        fs::create_directories(install() / "app");
        writeFile(install() / "app" / "viewer.jar", "jar");
        writeLauncherConfig();
        writeRoutingConfig();
        registerUrlHandlers(launcher());
        setEnv("HOME", dir.str("home"));
    }
    void TearDown() override {
#ifdef _WIN32
        deleteRegistryKey(HKEY_CURRENT_USER, "Software\\Classes\\tarvo");
        deleteRegistryKey(HKEY_CURRENT_USER, "Software\\Classes\\morvint");
#else
        for (const char* name : {"XDG_DATA_HOME", "XDG_DATA_DIRS", "XDG_CONFIG_HOME", "XDG_CONFIG_DIRS"}) {
            unsetEnv(name);
        }
#endif
    }

    fs::path install() const { return home.folder.path(); }
    fs::path launcher() const { return install() / (std::string("TarvoLauncher") + kExe); }

    void writeLauncherConfig(const std::string& first = "") {
        writeFile(install() / "tarvoLauncher.conf", first + "FORCED_JAVAW_PATH = " + javaw.string() +
                                                         "\nAPPLICATION_DIRECTORY = app\nNATIVE_DIRECTORY = native\n"
                                                         "MAIN_CLASS = pemu.tarvo.Viewer\n");
    }
    // A session over TCP to 127.0.0.1, the name the server's certificate
    // holds, that verifies the server; `lines` first, since the first line
    // of a key counts.
    void writeRoutingConfig(const std::string& lines = "") {
        const std::string certificate = (fs::path(getenv("TARVO_TEST_POSTGRES")) / "ca.crt").string();
        home.writeConfig(lines + "DB_SSLMODE = verify-full\nDB_SSLROOTCERT = " + certificate +
                         "\nDB_NAME = routing\nDB_HOST = 127.0.0.1\nDB_PORT = " + postgresState("port") +
                         "\nCONTAINER_DIR = " + home.containers.str() +
                         "\nDISK_FREE_SIZE_MB = 1\nDISK_SLOWER_SIZE_MB = 2\n");
    }
    void registerUrlHandlers(const fs::path& program) {
#ifdef _WIN32
        for (const char* scheme : {"tarvo", "morvint"}) {
            setRegistryValue(HKEY_CURRENT_USER, std::string("Software\\Classes\\") + scheme + "\\shell\\open\\command",
                             "", "\"" + program.string() + "\" \"%1\"");
        }
#else
        setEnv("XDG_DATA_HOME", dir.str("data"));
        setEnv("XDG_DATA_DIRS", dir.str("none"));
        setEnv("XDG_CONFIG_HOME", dir.str("config"));
        setEnv("XDG_CONFIG_DIRS", dir.str("none"));
        fs::create_directories(dir.path() / "data" / "applications");
        writeFile(dir.path() / "data" / "applications" / "tarvo-launcher.desktop",
                  "[Desktop Entry]\nType=Application\nExec=" + program.string() +
                      " %u\nMimeType=x-scheme-handler/tarvo;x-scheme-handler/morvint;\n");
#endif
    }

    ProgramResult check(const std::vector<std::string>& arguments = {}) {
        std::vector<std::string> argv{(install() / (std::string("TarvoCheck") + kExe)).string(), "--home",
                                      install().string()};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        return runProgram(argv);
    }

    TempDir dir;
    RoutingDbHome home;
    fs::path javaw = fixtureProgram("javaw");
    AutorouterListener service{"127.0.0.1", 7375};
};

TEST_F(CheckTest, ARightDeskIsAllOk) {
    ASSERT_TRUE(service.listening()) << "port 7375 is taken on this machine";
    const ProgramResult result = check();
    EXPECT_EQ(result.exitCode, 0) << result.output;
    for (const char* name : {"launcher configuration", "java", "java library", "native library", "routing.conf",
                             "database", "database TLS", "database privileges", "database layout",
                             "container folder", "autorouter service", "URL handler tarvo", "URL handler morvint",
                             "log"}) {
        EXPECT_EQ(statusOf(result.output, name), "ok") << name << "\n" << result.output;
    }
    EXPECT_EQ(result.output.find("FAIL"), std::string::npos);

    const ProgramResult json = check({"--json"});
    EXPECT_EQ(json.exitCode, 0);
    EXPECT_EQ(json.output.rfind("{\"result\": \"ok\", \"exitCode\": 0, \"checks\": [", 0), 0u) << json.output;
}

TEST_F(CheckTest, EachBrokenPieceHasItsOwnLineAndExitCode) {
    ASSERT_TRUE(service.listening()) << "port 7375 is taken on this machine";
    struct Case {
        const char* what;
        std::function<void()> breakIt;
        const char* line;
        const char* status;
        int exitCode;
    };
    const std::vector<Case> cases = {
        {"a typo'd key", [&] { writeLauncherConfig("APPLICATON_DIRECTORY = app\n"); }, "launcher configuration key",
         "warn", 1},
        {"no container folder", [&] { writeRoutingConfig("CONTAINER_DIR = " + dir.str("gone") + "\n"); },
         "container folder", "FAIL", 2},
        {"a missing grant", [&] { writeRoutingConfig("DB_USER = tarvo_readonly\n"); }, "database privileges", "FAIL",
         2},
        {"an unreachable database", [&] { writeRoutingConfig("DB_PORT = 1\n"); }, "database", "FAIL", 2},
        {"a server that is not verified", [&] { writeRoutingConfig("DB_SSLMODE = require\n"); }, "database TLS",
         "warn", 1},
        {"a runtime of another machine type than the library",
         [&] {
             writeOtherMachineProgram(dir.path() / "other-java");
             writeFile(install() / "tarvoLauncher.conf", "FORCED_JAVAW_PATH = " + dir.str("other-java") +
                                                             "\nAPPLICATION_DIRECTORY = app\nNATIVE_DIRECTORY = "
                                                             "native\nMAIN_CLASS = pemu.tarvo.Viewer\n");
         },
         "java library", "FAIL", 2},
        {"a handler of another program", [&] { registerUrlHandlers(dir.path() / "elsewhere"); }, "URL handler tarvo",
         "warn", 1},
#ifdef _WIN32
        {"a missing libpq.dll", [&] { fs::remove(install() / "native" / "libpq.dll"); }, "native library", "FAIL", 2},
#else
        {"a missing shared object",
         [&] {
             fs::copy_file(programDirectory() / "libtarvo_needs_missing.so", install() / "native" / kLibrary,
                           fs::copy_options::overwrite_existing);
         },
         "native library", "FAIL", 2},
#endif
    };
    for (const Case& c : cases) {
        // A right desk again, then one piece broken.
        TearDown();
        fs::remove_all(install());
        fs::create_directories(install() / "conf");
        SetUp();
        c.breakIt();
        const ProgramResult result = check();
        EXPECT_EQ(statusOf(result.output, c.line), c.status) << c.what << "\n" << result.output;
        EXPECT_EQ(result.exitCode, c.exitCode) << c.what << "\n" << result.output;
        if (std::string(c.what) == "a missing libpq.dll") {
            std::string lower = result.output;
            for (char& ch : lower) ch = (char)tolower((unsigned char)ch);
            EXPECT_NE(lower.find("missing libpq.dll"), std::string::npos) << result.output;
            EXPECT_EQ(statusOf(result.output, "database"), "FAIL") << result.output;
        }
        if (std::string(c.what) == "a missing shared object") {
            EXPECT_NE(result.output.find("libtarvo_missing_dependency.so: cannot open shared object file"),
                      std::string::npos)
                << result.output;
        }
        if (std::string(c.what) == "a missing grant") {
            EXPECT_NE(result.output.find("INSERT on log"), std::string::npos) << result.output;
        }
    }
}

std::string taken(char* text) {
    const std::string copy = text != nullptr ? text : "none";
    free(text);
    return copy;
}

TEST_F(CheckTest, RouteNamesTheLookupsOwnWinner) {
    const std::vector<std::vector<std::string>> cases = {
        {"SPEC", "DEST", "HOST"}, {"TWICE", "D2", ""},        {"CT_SCANNER", "", ""}, {"^CT", "", ""},
        {"INACTIVE", "", ""},     {"HOSTLESS", "", ""},       {"HOSTLESS", "", "somehost"},
        {"O'Brien CT", "", ""},   {"back\\slash", "", ""},    {"Grüße CT", "", ""},   {"NOBODY", "", ""},
        {"FULL", "", ""},
    };
    for (const auto& c : cases) {
        const std::string lookup = taken(getContainerForSender(c[0].c_str(), c[1].c_str(), c[2].c_str(), nullptr, 0, 0));
        std::vector<std::string> arguments{"route"};
        for (const std::string& value : c) {
            char* platform = utf8ToPlatform(value.c_str());
            arguments.push_back(platform);
            free(platform);
        }
        const ProgramResult result = check(arguments);
        const std::string expected = lookup == "none" ? "winner: none" : "winner: source " + lookup + " ";
        EXPECT_NE(result.output.find(expected), std::string::npos) << c[0] << "\n" << result.output;
        EXPECT_EQ(result.exitCode, lookup == "none" ? 1 : 0) << c[0];
    }

    // The reasons, and what the winner's container would get.
    const ProgramResult full = check({"route", "FULL", "", ""});
    EXPECT_NE(full.output.find("1. source 200 'full' (priority 3, timeout 30, specificity 1): sender exactly 'FULL', "
                               "any destination, any host"),
              std::string::npos)
        << full.output;
    EXPECT_NE(full.output.find("its container would get 6 rules"), std::string::npos) << full.output;
    EXPECT_NE(full.output.find("staging of rule 2001 (2001_import.db): 3 rows"), std::string::npos) << full.output;
    const ProgramResult regex = check({"route", "CT_SCANNER", "", "", "--json"});
    EXPECT_NE(regex.output.find("\"reasons\": [\"sender by regular expression '^CT'\", \"any destination\", "
                                "\"any host\"]"),
              std::string::npos)
        << regex.output;
    EXPECT_EQ(check({"route", "SPEC"}).exitCode, 3) << "a wrong command line";
}

}  // namespace
