// Reading routing.conf: keys, defaults, switches and the process-wide values.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <filesystem>
#include <string>

#include "routing.h"
#include "routing_home.h"

using namespace tarvo_test;

namespace {

class RoutingConfigTest : public testing::Test {
protected:
    void SetUp() override {
        diskFreeSizeMb = 500;
        diskSlowerSizeMb = 1024;
        routingDebug = 0;
    }

    // Reads the file and keeps what the checks look at.
    struct Reading {
        std::string name, host, user, password, containerDir;
        int port;
        int writeImportInfo;
    };
    Reading read() {
        RoutingConfig* config = readRoutingConfig();
        EXPECT_NE(config, nullptr);
        EXPECT_STREQ(config->home, home.folder.str().c_str());
        Reading r{config->dbName,  config->dbHost, config->dbUser, config->dbPassword ? config->dbPassword : "<none>",
                  config->containerDir, config->dbPort, config->writeImportInfo};
        freeRoutingConfig(config);
        return r;
    }

    RoutingHome home;
};

TEST_F(RoutingConfigTest, WithoutTheFileEveryValueIsItsDefault) {
    diskFreeSizeMb = 800;
    routingDebug = 1;
    const Reading r = read();
    EXPECT_EQ(r.name, "infra");
    EXPECT_EQ(r.host, "localhost");
    EXPECT_EQ(r.port, 5433);
    EXPECT_EQ(r.user, "tarvo");
    EXPECT_EQ(r.password, "<none>");
    EXPECT_EQ(r.writeImportInfo, 0);
    EXPECT_EQ(r.containerDir, home.folder.str() + "/container");
    EXPECT_EQ(diskFreeSizeMb, 800) << "a missing file leaves the process-wide values alone";
    EXPECT_EQ(routingDebug, 1);

    char* directory = readContainerDirectory();
    EXPECT_STREQ(directory, (home.folder.str() + "/container").c_str());
    free(directory);
    EXPECT_FALSE(std::filesystem::exists(home.folder.path() / "container")) << "nothing is created";
}

TEST_F(RoutingConfigTest, KeysAreTakenAsWritten) {
    home.writeConfig("DB_NAME = routing\nDB_HOST=db.example\ndb_port: 6000\nDB_USER = router\n"
                "DB_PASSWORD = pw\nCONTAINER_DIR = Q:\\no such\\place/ \nWRITE_IMPORTINFO = 1\n"
                "DISK_FREE_SIZE_MB = 42\nDISK_SLOWER_SIZE_MB = 4242\n");
    const Reading r = read();
    EXPECT_EQ(r.name, "routing");
    EXPECT_EQ(r.host, "db.example");
    EXPECT_EQ(r.port, 6000);
    EXPECT_EQ(r.user, "router");
    EXPECT_EQ(r.password, "pw");
    EXPECT_EQ(r.containerDir, "Q:\\no such\\place/");
    EXPECT_EQ(r.writeImportInfo, 1);
    EXPECT_EQ(diskFreeSizeMb, 42);
    EXPECT_EQ(diskSlowerSizeMb, 4242);

    char* directory = readContainerDirectory();
    EXPECT_STREQ(directory, "Q:\\no such\\place/");
    free(directory);
}

TEST_F(RoutingConfigTest, PortsAreTheirLeadingDigits) {
    const std::pair<const char*, int> cases[] = {{"abc", 0}, {"6543abc", 6543}, {"", 0}, {"99999999999", INT32_MAX}};
    for (const auto& [text, port] : cases) {
        home.writeConfig(std::string("DB_PORT = ") + text + "\n");
        EXPECT_EQ(read().port, port) << text;
    }
}

TEST_F(RoutingConfigTest, SwitchesAreOnForAnythingButFalse) {
    const std::pair<const char*, int> cases[] = {{"FALSE", 0}, {"false", 0}, {"fAlSe", 0}, {"no", 1}, {"0", 1},
                                                 {"1", 1},     {"true", 1},  {"", 1},      {"falsely", 1}};
    for (const auto& [text, on] : cases) {
        home.writeConfig(std::string("WRITE_IMPORTINFO = ") + text + "\nDEBUG = " + text + "\n");
        EXPECT_EQ(read().writeImportInfo, on) << text;
        EXPECT_EQ(routingDebug, on) << text;
    }
}

TEST_F(RoutingConfigTest, DebugStaysAsTheLastFileWithTheKeySetIt) {
    home.writeConfig("DEBUG = yes\n");
    read();
    home.writeConfig("DB_NAME = other\n");
    read();
    EXPECT_EQ(routingDebug, 1);
    home.writeConfig("DEBUG = False\n");
    read();
    std::filesystem::remove(home.configFile());
    read();
    EXPECT_EQ(routingDebug, 0);
}

TEST_F(RoutingConfigTest, ThresholdsAreRefreshedByEveryReadingAndKeptWithoutOne) {
    home.writeConfig("DISK_FREE_SIZE_MB = 800\nDISK_SLOWER_SIZE_MB = 2000\n");
    read();
    EXPECT_EQ(diskFreeSizeMb, 800);
    home.writeConfig("DB_NAME = infra\n");
    read();
    EXPECT_EQ(diskFreeSizeMb, 500) << "a reading without the key restores the default";
    EXPECT_EQ(diskSlowerSizeMb, 1024);

    home.writeConfig("DISK_FREE_SIZE_MB = 800\n");
    read();
    std::filesystem::remove(home.configFile());
    read();
    EXPECT_EQ(diskFreeSizeMb, 800) << "a failed reading keeps the last value";
    std::filesystem::create_directory(home.configFile());
    read();
    EXPECT_EQ(diskFreeSizeMb, 800) << "a folder in the file's place cannot be read either";
}

}  // namespace
