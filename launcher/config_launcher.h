// The launcher's configuration: "tarvoLauncher.conf", or the file named like
// the launcher's executable with ".conf", read once into LauncherSettings.
#pragma once

#include <stdint.h>

// Every configuration value of the launcher. Text fields are private copies
// of the file's values (null when the key is absent) and live as long as the
// process; a switch is 0 for off and any other value for on.
struct LauncherSettings {
    double minJreVersion;
    char* defaultJavawPath;
    char* javawArguments;
    char* appArguments;
    char* applicationDirectory;
    char* nativeDirectory;
    char* mainClass;
    int checkColorDepth;
    int debug;
    int32_t minMemPhy;    // megabytes
    int32_t minMemTotal;  // megabytes
    int checkAutoupdater;
    char* forcedJavawPath;
    int allowMultipleInstances;
    int32_t logKeep;  // previous logs kept beside output.log
};

// A key of the configuration file with its default as the file would write
// it (null: none), for reports of the configuration.
struct LauncherConfigKey {
    const char* name;
    const char* defaultValue;
};
// Every key, in the order the file is read.
extern const LauncherConfigKey kLauncherConfigKeys[];
extern const int kLauncherConfigKeyCount;

// Reads the configuration file and fills the settings; makes the launcher's
// own folder the current directory. False after the failure box has been
// shown.
bool readLauncherConfig(void);

// Fills the settings from a parameter table, starting from the defaults.
void fillLauncherSettings(const char* table);

// Reads the configuration of the launcher executable `executable`: the file
// named like it with ".conf", else "tarvoLauncher.conf" in its folder.
// Returns the table (the caller frees it) with the path of the file read in
// *found (a new text), or null with the primary path in *found.
char* readLauncherConfigFile(const char* executable, char** found);

double getMinJreVersion(void);
const char* getDefaultJavawPath(void);
const char* getJavawArguments(void);
const char* getAppArguments(void);
const char* getApplicationDirectory(void);
const char* getNativeDirectory(void);
const char* getMainClass(void);
int getCheckColorDepth(void);
int getDebug(void);
int32_t getMinMemPhy(void);
int32_t getMinMemTotal(void);
int getCheckAutoupdater(void);
const char* getForcedJavawPath(void);
int getAllowMultipleInstances(void);
int32_t getLogKeep(void);
