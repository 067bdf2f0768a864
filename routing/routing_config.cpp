// The routing configuration: reading routing.conf, its defaults and the
// process-wide values that each reading refreshes.
#include <limits.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "paramfile.h"
#include "heap_text.h"
#include "routing.h"
#include "utilglobal.h"

std::atomic<int> diskFreeSizeMb{500};
std::atomic<int> diskSlowerSizeMb{1024};
std::atomic<int> routingDebug{0};

const RoutingConfigKey kRoutingConfigKeys[] = {
    {"DB_NAME", "infra"},          {"DB_HOST", "localhost"},       {"DB_PORT", "5433"},
    {"DB_USER", "tarvo"},          {"DB_PASSWORD", nullptr},       {"DB_SSLMODE", nullptr},
    {"DB_SSLROOTCERT", nullptr},   {"DB_CONNECT_TIMEOUT", "10"},   {"CONTAINER_DIR", "<home>/container"},
    {"DISK_FREE_SIZE_MB", "500"},  {"DISK_SLOWER_SIZE_MB", "1024"}, {"WRITE_IMPORTINFO", "FALSE"},
    {"DEBUG", nullptr},
};
const int kRoutingConfigKeyCount = sizeof kRoutingConfigKeys / sizeof kRoutingConfigKeys[0];

// SELECT on every table a container copies from; on log the INSERT of a new
// container and the UPDATE of its sender data, whose WHERE reads the table.
const RoutingTableNeed kRoutingTableNeeds[] = {
    {"source_lookup", "SELECT"}, {"source_lookup_data", "SELECT"}, {"source_times", "SELECT"},
    {"act_rules", "SELECT"},     {"act_staging", "SELECT"},        {"archives", "SELECT"},
    {"rules", "SELECT"},         {"relarchivesactions", "SELECT"}, {"log", "INSERT,UPDATE,SELECT"},
};
const int kRoutingTableNeedCount = sizeof kRoutingTableNeeds / sizeof kRoutingTableNeeds[0];

char* routingConfigPath(const char* home) { return formatText("%s/%s/%s", home, "conf", "routing.conf"); }

static const int kDefaultDiskFreeSizeMb = 500;
static const int kDefaultDiskSlowerSizeMb = 1024;
static const int kDefaultConnectTimeout = 10;

// The value of a decimal key: its leading digits (after an optional sign),
// 0 when there are none, held within the 32-bit range.
static int32_t decimalValue(const char* text) {
    const long value = strtol(text, nullptr, 10);
    if (value > INT32_MAX) return INT32_MAX;
    if (value < INT32_MIN) return INT32_MIN;
    return (int32_t)value;
}

// A switch is on for every value except FALSE in any mixture of cases.
static bool switchValue(const char* text) {
    static const char kFalse[] = "false";
    for (size_t i = 0; i < sizeof kFalse; ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z') c = (char)(c - 'A' + 'a');
        if (c != kFalse[i]) return true;
    }
    return false;
}

static char* copyOf(const char* text) { return text != nullptr ? strdup(text) : nullptr; }

// Takes the keys of a parameter table into the record, in the order of the
// file's documentation, and refreshes the process-wide values.
static void takeKeys(RoutingConfig* config, const char* table) {
    const char* value;
    config->dbName = copyOf(getpara(table, "DB_NAME"));
    config->dbHost = copyOf(getpara(table, "DB_HOST"));
    if ((value = getpara(table, "DB_PORT")) != nullptr) config->dbPort = decimalValue(value);
    config->dbUser = copyOf(getpara(table, "DB_USER"));
    config->dbPassword = copyOf(getpara(table, "DB_PASSWORD"));
    config->dbSslMode = copyOf(getpara(table, "DB_SSLMODE"));
    config->dbSslRootCert = copyOf(getpara(table, "DB_SSLROOTCERT"));
    // 0 would be libpq's "wait for ever": the very hang the key prevents.
    if ((value = getpara(table, "DB_CONNECT_TIMEOUT")) != nullptr && decimalValue(value) > 0) {
        config->dbConnectTimeout = decimalValue(value);
    }
    if ((value = getpara(table, "CONTAINER_DIR")) != nullptr) {
        free(config->containerDir);
        config->containerDir = strdup(value);
    }
    value = getpara(table, "DISK_FREE_SIZE_MB");
    diskFreeSizeMb = value != nullptr ? decimalValue(value) : kDefaultDiskFreeSizeMb;
    value = getpara(table, "DISK_SLOWER_SIZE_MB");
    diskSlowerSizeMb = value != nullptr ? decimalValue(value) : kDefaultDiskSlowerSizeMb;
    if ((value = getpara(table, "WRITE_IMPORTINFO")) != nullptr) config->writeImportInfo = switchValue(value);
    if ((value = getpara(table, "DEBUG")) != nullptr) routingDebug = switchValue(value);
}

// Fills the texts that the file did not give. False when memory ran out.
static bool fillDefaults(RoutingConfig* config) {
    if (config->dbName == nullptr) config->dbName = strdup("infra");
    if (config->dbHost == nullptr) config->dbHost = strdup("localhost");
    if (config->dbUser == nullptr) config->dbUser = strdup("tarvo");
    return config->dbName != nullptr && config->dbHost != nullptr && config->dbUser != nullptr &&
           config->containerDir != nullptr;
}

RoutingConfig* readRoutingConfig(void) {
    RoutingConfig* config = (RoutingConfig*)calloc(1, sizeof *config);
    if (config == nullptr) return nullptr;
    config->dbPort = 5433;
    config->dbConnectTimeout = kDefaultConnectTimeout;
    config->home = getTarvoHome();
    config->containerDir = formatText("%s/%s", config->home, "container");

    char* path = routingConfigPath(config->home);
    char* table = readpara(path);
    free(path);
    if (table != nullptr) {
        takeKeys(config, table);
        free(table);
    }
    if (!fillDefaults(config)) {
        freeRoutingConfig(config);
        return nullptr;
    }
    return config;
}

void freeRoutingConfig(RoutingConfig* config) {
    if (config == nullptr) return;
    free(config->dbName);
    free(config->dbHost);
    free(config->dbUser);
    free(config->dbPassword);
    free(config->containerDir);
    free(config->dbSslMode);
    free(config->dbSslRootCert);
    free(config);
}

char* readContainerDirectory(void) {
    RoutingConfig* config = readRoutingConfig();
    if (config == nullptr) return nullptr;
    char* directory = config->containerDir;
    config->containerDir = nullptr;
    freeRoutingConfig(config);
    return directory;
}

void routingDebugLog(const char* format, ...) {
    if (!routingDebug) return;
    va_list arguments;
    va_start(arguments, format);
    vfprintf(stderr, format, arguments);
    va_end(arguments);
}
