// config_launcher: finds and reads the launcher's configuration file and
// holds its values for the rest of the run.
#include "config_launcher.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>

#include "launcher_platform.h"
#include "messagebox.h"
#include "paramfile.h"
#include "heap_text.h"

static LauncherSettings settings;

static const LauncherSettings kDefaults = {
    1.6, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0, 0, 0, 0, nullptr, 0, 5,
};

const LauncherConfigKey kLauncherConfigKeys[] = {
    {"MIN_JRE_VERSION", "1.6"},     {"DEFAULT_JAVAW_PATH", nullptr},   {"JAVAW_ARGUMENTS", nullptr},
    {"APP_ARGUMENTS", nullptr},     {"APPLICATION_DIRECTORY", nullptr}, {"NATIVE_DIRECTORY", nullptr},
    {"MAIN_CLASS", nullptr},        {"CHECK_COLOR_DEPTH", "FALSE"},    {"DEBUG", "FALSE"},
    {"MIN_MEM_PHY", "0"},           {"MIN_MEM_TOTAL", "0"},            {"CHECK_AUTOUPDATER", "FALSE"},
    {"FORCED_JAVAW_PATH", nullptr}, {"ALLOW_MULTIPLE_INSTANCES", "FALSE"}, {"LOG_KEEP", "5"},
};
const int kLauncherConfigKeyCount = sizeof kLauncherConfigKeys / sizeof kLauncherConfigKeys[0];

static void readText(const char* table, const char* key, char** field) {
    const char* value = getpara(table, key);
    if (value != nullptr) *field = strdup(value);
}

static void readDouble(const char* table, const char* key, double* field) {
    const char* value = getpara(table, key);
    if (value != nullptr) *field = atof(value);
}

// Read like atol, held to the 32-bit range of the setting.
static void readInteger(const char* table, const char* key, int32_t* field) {
    const char* value = getpara(table, key);
    if (value == nullptr) return;
    const long long number = strtoll(value, nullptr, 10);
    *field = number > INT32_MAX ? INT32_MAX : number < INT32_MIN ? INT32_MIN : (int32_t)number;
}

// On unless the value is "FALSE" in any case; the comparison's result is
// what is stored.
static void readSwitch(const char* table, const char* key, int* field) {
    const char* value = getpara(table, key);
    if (value != nullptr) *field = strcasecmp(value, "FALSE");
}

void fillLauncherSettings(const char* table) {
    char* texts[] = {settings.defaultJavawPath, settings.javawArguments,   settings.appArguments,
                     settings.applicationDirectory, settings.nativeDirectory, settings.mainClass,
                     settings.forcedJavawPath};
    for (char* text : texts) free(text);
    settings = kDefaults;
    readDouble(table, "MIN_JRE_VERSION", &settings.minJreVersion);
    readText(table, "DEFAULT_JAVAW_PATH", &settings.defaultJavawPath);
    readText(table, "JAVAW_ARGUMENTS", &settings.javawArguments);
    readText(table, "APP_ARGUMENTS", &settings.appArguments);
    readText(table, "APPLICATION_DIRECTORY", &settings.applicationDirectory);
    readText(table, "NATIVE_DIRECTORY", &settings.nativeDirectory);
    readText(table, "MAIN_CLASS", &settings.mainClass);
    readSwitch(table, "CHECK_COLOR_DEPTH", &settings.checkColorDepth);
    readSwitch(table, "DEBUG", &settings.debug);
    readInteger(table, "MIN_MEM_PHY", &settings.minMemPhy);
    readInteger(table, "MIN_MEM_TOTAL", &settings.minMemTotal);
    readSwitch(table, "CHECK_AUTOUPDATER", &settings.checkAutoupdater);
    readText(table, "FORCED_JAVAW_PATH", &settings.forcedJavawPath);
    readSwitch(table, "ALLOW_MULTIPLE_INSTANCES", &settings.allowMultipleInstances);
    readInteger(table, "LOG_KEEP", &settings.logKeep);
}

// The executable's path with its extension replaced by ".conf". A path whose
// file name has no extension gets ".conf" appended: a "." in a folder name
// is not an extension.
static char* primaryConfigPath(const char* executable) {
    const char* dot = strrchr(executable, '.');
    const char* separator = strrchr(executable, kPathSeparator);
    const int stem = (dot != nullptr && (separator == nullptr || dot > separator))
                         ? (int)(dot - executable)
                         : (int)strlen(executable);
    return formatText("%.*s.conf", stem, executable);
}

char* readLauncherConfigFile(const char* executable, char** found) {
    char* primary = primaryConfigPath(executable);
    char* table = readpara(primary);
    if (table != nullptr || primary == nullptr) {
        *found = primary;
        return table;
    }
    const char* separator = strrchr(executable, kPathSeparator);
    char* fallback = separator != nullptr ? formatText("%.*s%c%s", (int)(separator - executable), executable,
                                                       kPathSeparator, "tarvoLauncher.conf")
                                          : strdup("tarvoLauncher.conf");
    table = readpara(fallback);
    if (table != nullptr) {
        free(primary);
        *found = fallback;
    } else {
        free(fallback);
        *found = primary;
    }
    return table;
}

bool readLauncherConfig(void) {
    char* executable = ownExecutablePath();
    if (executable == nullptr) executable = strdup("");
    char* primary = primaryConfigPath(executable);
    printf("Reading configuration from >%s<\n", primary);
    free(primary);

    char* separator = strrchr(executable, kPathSeparator);
    if (separator != nullptr) {
        *separator = '\0';
        changeCurrentFolder(executable);
        *separator = kPathSeparator;
    }

    char* path = nullptr;
    char* table = readLauncherConfigFile(executable, &path);
    const bool found = table != nullptr;
    if (found) {
        fillLauncherSettings(table);
        free(table);
    } else {
        char* message = formatText("Could not read configuration file from %s", path);
        showErrorBox(message);
        free(message);
    }
    free(path);
    free(executable);
    return found;
}

double getMinJreVersion(void) { return settings.minJreVersion; }
const char* getDefaultJavawPath(void) { return settings.defaultJavawPath; }
const char* getJavawArguments(void) { return settings.javawArguments; }
const char* getAppArguments(void) { return settings.appArguments; }
const char* getApplicationDirectory(void) { return settings.applicationDirectory; }
const char* getNativeDirectory(void) { return settings.nativeDirectory; }
const char* getMainClass(void) { return settings.mainClass; }
int getCheckColorDepth(void) { return settings.checkColorDepth; }
int getDebug(void) { return settings.debug; }
int32_t getMinMemPhy(void) { return settings.minMemPhy; }
int32_t getMinMemTotal(void) { return settings.minMemTotal; }
int getCheckAutoupdater(void) { return settings.checkAutoupdater; }
const char* getForcedJavawPath(void) { return settings.forcedJavawPath; }
int getAllowMultipleInstances(void) { return settings.allowMultipleInstances; }
int32_t getLogKeep(void) { return settings.logKeep; }
