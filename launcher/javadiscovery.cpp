// Java runtime discovery: forced path, private runtimes under the Program
// Files folder, the Java runtime's registry entry, the default path; then the
// further sources of javasources.cpp.
#include "javadiscovery.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "config_launcher.h"
#include "launcher_platform.h"
#include "heap_text.h"
#include "javasources.h"

// Registry texts are read into buffers of this size, terminator included.
enum { kJavaHomeCapacity = 261 };

static const char kJavaRuntimeKey[] = "Software\\JavaSoft\\Java Runtime Environment";
static const char* const kPrivateRuntimes[] = {"j2dk180", "j2dk170", "j2dk160"};
enum { kPrivateRuntimeCount = sizeof kPrivateRuntimes / sizeof kPrivateRuntimes[0] };

static char* programFilesHit;
static JavawSource foundSource = JAVAW_NOT_FOUND;
static char registryCandidate[kJavaHomeCapacity + 32];

const char* javawProgramFilesHit(void) { return programFilesHit != nullptr ? programFilesHit : ""; }
const char* javawRegistryCandidate(void) { return registryCandidate; }

// Both layouts of each private runtime folder, the folders in their order.
static const char* searchProgramFiles(void) {
    long result = 0;
    char* folder = programFilesFolder(&result);
    if (folder == nullptr) {
        fprintf(stderr, "SHGetFolderPath() returned %d\n", (int)result);
        return nullptr;
    }
    printf("Testing %i JRE paths\n", kPrivateRuntimeCount);
    for (const char* runtime : kPrivateRuntimes) {
        for (const char* layout : kJavawLayouts) {
            char* path = formatText(layout, folder, runtime);
            if (path == nullptr) continue;
            printf("Testing %s\n", path);
            if (pathExists(path)) {
                free(folder);
                programFilesHit = path;
                return path;
            }
            free(path);
        }
    }
    free(folder);
    return nullptr;
}

// The version the registry names as current, into `version`; false (with its
// report) when it cannot be read or is below MIN_JRE_VERSION.
static bool acceptedRegistryVersion(char* version, size_t capacity) {
    RegistryKeyHandle key;
    if (openRegistryKey(HKEY_LOCAL_MACHINE, kJavaRuntimeKey, &key) != 0) {
        fprintf(stderr, "Could not read registry key %s\n", kJavaRuntimeKey);
        return false;
    }
    bool accepted = true;
    version[0] = '\0';
    size_t needed = 0;
    RegistryValueType type;
    if (readRegistryText(key, "CurrentVersion", version, capacity, &needed, &type) != 0 ||
        type != REGISTRY_PLAIN_STRING) {
        fprintf(stderr, "Could not read current java version from registry.\n");
        accepted = false;
    } else {
        if (getDebug()) fprintf(stderr, "Found registry value for Java version: %s\n", version);
        if (getMinJreVersion() > atof(version)) {
            fprintf(stderr, "Java version is not sufficent. %g is required", getMinJreVersion());
            accepted = false;
        }
    }
    closeRegistryKey(key);
    return accepted;
}

// Reads JavaHome of the version's key into the registry candidate; false
// (with its report) when it cannot be read. After a failed read the candidate
// is empty again, never a partly written value.
static bool readJavaHome(RegistryKeyHandle key) {
    registryCandidate[0] = '\0';
    size_t needed = 0;
    RegistryValueType type;
    const long status = readRegistryText(key, "JavaHome", registryCandidate, kJavaHomeCapacity, &needed, &type);
    if (status == kRegistryNotFound) fprintf(stderr, "Key not found: %s\n", "JavaHome");
    if (status == kRegistryMoreData) {
        fprintf(stderr, "Value for JRE path is too large: %s\n", "JavaHome");
        fprintf(stderr, "Maximum size is %d, JRE path size is %d\n", kJavaHomeCapacity, (int)needed);
    }
    if (status != 0) registryCandidate[0] = '\0';
    if (status != 0 || type != REGISTRY_PLAIN_STRING) {
        fprintf(stderr, "Error getting value for JavaHome.\n");
        return false;
    }
    return true;
}

static const char* searchRegistry(void) {
    char version[kJavaHomeCapacity];
    if (!acceptedRegistryVersion(version, sizeof version)) return nullptr;

    char* versionKey = formatText("%s\\%s", kJavaRuntimeKey, version);
    if (versionKey == nullptr) return nullptr;
    if (getDebug()) fprintf(stderr, "Looking in: %s\n", versionKey);
    RegistryKeyHandle key;
    const long opened = openRegistryKey(HKEY_LOCAL_MACHINE, versionKey, &key);
    if (opened != 0) fprintf(stderr, "Error getting registry key for %s\n", versionKey);
    free(versionKey);
    if (opened != 0) return nullptr;

    const bool usable = readJavaHome(key);
    closeRegistryKey(key);
    strcat(registryCandidate, kJavawBelowJavaHome);
    if (getDebug()) fprintf(stderr, "Path to javaw from registry: %s\n", registryCandidate);
    if (!fileMatches(registryCandidate)) {
        fprintf(stderr, "File %s does not exist.\n", registryCandidate);
        return nullptr;
    }
    if (getDebug()) fprintf(stderr, "javaw.exe found in: %s\n", registryCandidate);
    return usable ? registryCandidate : nullptr;
}

const char* findJavaw(void) {
    foundSource = JAVAW_FORCED;
    if (getForcedJavawPath() != nullptr) return getForcedJavawPath();
    const char* found = searchProgramFiles();
    foundSource = JAVAW_PROGRAM_FILES;
    if (found == nullptr) {
        found = searchRegistry();
        foundSource = JAVAW_REGISTRY;
    }
    if (found == nullptr) {
        found = getDefaultJavawPath();
        foundSource = JAVAW_DEFAULT;
    }
    if (found == nullptr) {
        foundSource = JAVAW_NOT_FOUND;
        found = searchFurtherSources(&foundSource);
    }
    return found;
}

JavawSource javawSource(void) { return foundSource; }

const char* javawSourceName(JavawSource source) {
    switch (source) {
        case JAVAW_FORCED: return "FORCED_JAVAW_PATH";
        case JAVAW_PROGRAM_FILES: return "Program Files";
        case JAVAW_REGISTRY: return "registry (Java Runtime Environment)";
        case JAVAW_DEFAULT: return "DEFAULT_JAVAW_PATH";
        case JAVAW_REGISTERED: return "registry (JRE, JDK)";
        case JAVAW_JAVA_HOME: return "JAVA_HOME";
        case JAVAW_DEFAULT_JAVA: return "default-java";
        case JAVAW_ON_PATH: return "PATH";
        case JAVAW_NOT_FOUND: break;
    }
    return "none";
}
