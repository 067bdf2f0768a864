// The further sources of a Java runtime: the Java 9+ registrations, JAVA_HOME,
// Debian's default runtime and PATH, in the order the platform gives them.
#include "javasources.h"

#include <ctype.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

#include "config_launcher.h"
#include "heap_text.h"
#include "launcher_platform.h"

static char* furtherHit;

const char* javawFurtherHit(void) { return furtherHit != nullptr ? furtherHit : ""; }

// The next run of digits from *text on, without its leading zeros; *text
// moves behind it. Empty at the end of the text.
static std::string nextVersionPart(const char** text) {
    while (**text != '\0' && !isdigit((unsigned char)**text)) ++*text;
    const char* start = *text;
    while (isdigit((unsigned char)**text)) ++*text;
    while (start + 1 < *text && *start == '0') ++start;
    return std::string(start, (size_t)(*text - start));
}

int compareJavaVersions(const char* a, const char* b) {
    while (*a != '\0' || *b != '\0') {
        std::string left = nextVersionPart(&a);
        std::string right = nextVersionPart(&b);
        if (left.empty()) left = "0";
        if (right.empty()) right = "0";
        // Numbers of any length: the longer is the larger, else the text order.
        if (left.size() != right.size()) return left.size() < right.size() ? -1 : 1;
        const int order = left.compare(right);
        if (order != 0) return order < 0 ? -1 : 1;
    }
    return 0;
}

// The value of an environment variable as a new text; null when it is absent
// or empty.
static char* environmentText(const char* name) {
    unsigned long capacity = 1024;
    for (int attempt = 0; attempt < 3; ++attempt) {
        char* value = (char*)malloc(capacity);
        if (value == nullptr) return nullptr;
        const unsigned long length = readEnvironmentVariable(name, value, capacity);
        if (length > 0 && length < capacity) return value;
        free(value);
        if (length == 0) return nullptr;
        capacity = length;  // the size it needs
    }
    return nullptr;
}

// Keeps `path` as the hit when it names a runtime's launcher; frees it else.
static bool takeWhenRunnable(char* path) {
    if (path == nullptr) return false;
    if (!isRunnableFile(path)) {
        if (getDebug()) fprintf(stderr, "File %s does not exist.\n", path);
        free(path);
        return false;
    }
    if (getDebug()) fprintf(stderr, "javaw.exe found in: %s\n", path);
    furtherHit = path;
    return true;
}

// --- the Java 9+ registrations

struct RegisteredRuntime {
    std::string version;
    std::string key;  // for the reports
    std::string javaHome;
};

static const char* const kRegistrationKeys[] = {"SOFTWARE\\JavaSoft\\JRE", "SOFTWARE\\JavaSoft\\JDK"};
enum { kVersionNameCapacity = 256, kRegisteredJavaHomeCapacity = 1024, kMostVersionsPerKey = 256 };

// Every version key of `parent` in `view` that holds a JavaHome text.
static void listRegistrations(const char* parent, RegistryView view, std::vector<RegisteredRuntime>* found) {
    RegistryKeyHandle key;
    if (openRegistryKeyInView(HKEY_LOCAL_MACHINE, parent, view, &key) != 0) return;
    char version[kVersionNameCapacity];
    for (unsigned index = 0; index < kMostVersionsPerKey; ++index) {
        const long status = registrySubkeyName(key, index, version, sizeof version);
        if (status == kRegistryMoreData) continue;
        if (status != 0) break;
        RegisteredRuntime runtime{version, std::string(parent) + "\\" + version, ""};
        RegistryKeyHandle versionKey;
        if (openRegistryKeyInView(HKEY_LOCAL_MACHINE, runtime.key.c_str(), view, &versionKey) != 0) continue;
        char javaHome[kRegisteredJavaHomeCapacity];
        size_t needed = 0;
        RegistryValueType type;
        if (readRegistryText(versionKey, "JavaHome", javaHome, sizeof javaHome, &needed, &type) == 0 &&
            type == REGISTRY_PLAIN_STRING && javaHome[0] != '\0') {
            runtime.javaHome = javaHome;
            found->push_back(runtime);
        } else if (getDebug()) {
            fprintf(stderr, "No JavaHome in %s\n", runtime.key.c_str());
        }
        closeRegistryKey(versionKey);
    }
    closeRegistryKey(key);
}

// The registered runtimes, highest version first; at equal versions the
// 64-bit view before the 32-bit one and JRE before JDK. The first whose
// javaw.exe exists and whose version is not below MIN_JRE_VERSION wins.
static bool searchRegistrations(void) {
    std::vector<RegisteredRuntime> runtimes;
    for (RegistryView view : {REGISTRY_VIEW_64, REGISTRY_VIEW_32}) {
        for (const char* parent : kRegistrationKeys) listRegistrations(parent, view, &runtimes);
    }
    std::stable_sort(runtimes.begin(), runtimes.end(), [](const RegisteredRuntime& a, const RegisteredRuntime& b) {
        return compareJavaVersions(a.version.c_str(), b.version.c_str()) > 0;
    });
    for (const RegisteredRuntime& runtime : runtimes) {
        if (getDebug()) fprintf(stderr, "Looking in: %s\n", runtime.key.c_str());
        if (getMinJreVersion() > atof(runtime.version.c_str())) {
            fprintf(stderr, "Java version %s is not sufficent. %g is required\n", runtime.version.c_str(),
                    getMinJreVersion());
            continue;
        }
        if (takeWhenRunnable(formatText("%s%s", runtime.javaHome.c_str(), kJavawBelowJavaHome))) return true;
    }
    return false;
}

// --- JAVA_HOME, the default runtime, PATH

static bool searchJavaHome(void) {
    char* home = environmentText("JAVA_HOME");
    if (home == nullptr) return false;
    if (getDebug()) fprintf(stderr, "JAVA_HOME: %s\n", home);
    const bool found = takeWhenRunnable(formatText("%s%s", home, kJavawBelowJavaHome));
    free(home);
    return found;
}

static bool searchDefaultJava(void) { return takeWhenRunnable(defaultJavaRuntime()); }

// The folders of PATH in their order; empty entries (the current folder on
// Linux, nothing on Windows) are skipped, double quotes around an entry
// dropped as Windows does.
static bool searchPath(void) {
    char* path = environmentText("PATH");
    if (path == nullptr) return false;
    bool found = false;
    for (char* entry = path; !found && entry != nullptr;) {
        char* end = strchr(entry, kPathListSeparator);
        if (end != nullptr) *end = '\0';
        size_t length = strlen(entry);
        if (length >= 2 && entry[0] == '"' && entry[length - 1] == '"') {
            entry[length - 1] = '\0';
            ++entry;
            length -= 2;
        }
        if (length > 0) found = takeWhenRunnable(formatText("%s%c%s", entry, kPathSeparator, kJavawFileName));
        entry = end != nullptr ? end + 1 : nullptr;
    }
    free(path);
    return found;
}

const char* searchFurtherSources(JavawSource* source) {
    for (JavawSource further : kFurtherJavawSources) {
        bool found = false;
        switch (further) {
            case JAVAW_REGISTERED: found = searchRegistrations(); break;
            case JAVAW_JAVA_HOME: found = searchJavaHome(); break;
            case JAVAW_DEFAULT_JAVA: found = searchDefaultJava(); break;
            case JAVAW_ON_PATH: found = searchPath(); break;
            default: break;
        }
        if (found) {
            *source = further;
            return furtherHit;
        }
    }
    return nullptr;
}
