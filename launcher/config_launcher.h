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
};

// Reads the configuration file and fills the settings; makes the launcher's
// own folder the current directory. False after the failure box has been
// shown.
bool readLauncherConfig(void);

// Fills the settings from a parameter table, starting from the defaults.
void fillLauncherSettings(const char* table);

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
