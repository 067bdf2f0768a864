// The checks of TarvoCheck, in the order they run. Each adds its lines to
// the report and calls the product's own code (configuration readers, Java
// discovery, the disk guard, the routing session) to find what it reports.
#pragma once

#include <string>
#include <vector>

#include "report.h"

namespace tarvo_check {

// The installation folder: the launcher's folder, made the current directory
// as the launcher does, so relative paths resolve alike.
struct Installation {
    std::string home;
    std::string launcher;  // home + the launcher's file name
};

// Launcher side (checks_launcher.cpp).
void checkLauncherConfig(Report& report, const Installation& installation);
void checkJava(Report& report, std::string* library);
void checkNativeFolder(Report& report, const std::string& library);
void checkLog(Report& report);
// Reads the launcher's configuration without a report and gives this
// program the PATH the launcher gives the viewer, so the routing session
// finds libpq as the library finds it.
void useLauncherPath(const Installation& installation);

// Routing side (checks_routing.cpp).
void checkRoutingConfig(Report& report);
void checkDatabase(Report& report);
void checkContainerFolder(Report& report);
void checkAutorouter(Report& report);

// The URL handlers (checks_handlers.cpp).
void checkUrlHandlers(Report& report, const Installation& installation);

// Helpers shared by the checks (checks_common.cpp).

// A key a configuration file may hold, with its default (null: none).
struct KnownKey {
    std::string name;
    const char* defaultValue;
};
// The keys of a product's key table (LauncherConfigKey, RoutingConfigKey).
template <typename Key>
std::vector<KnownKey> knownKeys(const Key* keys, int count) {
    std::vector<KnownKey> known;
    for (int i = 0; i < count; ++i) known.push_back({keys[i].name, keys[i].defaultValue});
    return known;
}
// The keys of a parameter table that are not known (compared without
// regard to case), each with the known key it most resembles.
std::vector<std::string> unknownKeys(const char* table, const std::vector<KnownKey>& known);
// "KEY = value" lines for the known keys: the file's value, or the default
// marked "(default)".
std::string keyListing(const char* table, const std::vector<KnownKey>& known);
std::string quoted(const std::string& text);

}  // namespace tarvo_check
