// Registry, environment and folder lookups shared by both deliverables.
#include <stdlib.h>
#include <string.h>

#include <mutex>

#include "lookups_platform.h"
#include "utilglobal.h"

bool queryRegistryValue(HKEY root, const char* subkey, const char* name, char* buffer,
                        size_t capacity, RegistryValueType* type) {
    RegistryKeyHandle key;
    if (openRegistryKey(root, subkey, &key) != 0) return false;
    size_t needed = 0;
    const long status = readRegistryText(key, name, buffer, capacity, &needed, type);
    closeRegistryKey(key);
    return status == 0;
}

char* getRegKey(HKEY root, const char* subkey, const char* valueName) {
    char buffer[REGISTRY_VALUE_CAPACITY];
    RegistryValueType type;
    if (!queryRegistryValue(root, subkey, valueName, buffer, sizeof buffer, &type)) return nullptr;
    return strdup(buffer);
}

// Callers never release getTarvoHome's result, so a registry copy must live
// for the rest of the process. Each distinct text is kept once: a process that
// asks on every routing call keeps one copy, not one per call.
static const char* keepForProcess(char* copy) {
    struct Kept {
        char* text;
        Kept* next;
    };
    static std::mutex guard;
    static Kept* kept = nullptr;

    std::lock_guard<std::mutex> lock(guard);
    for (Kept* k = kept; k != nullptr; k = k->next) {
        if (strcmp(k->text, copy) == 0) {
            free(copy);
            return k->text;
        }
    }
    Kept* k = (Kept*)malloc(sizeof *k);
    if (k == nullptr) return copy;  // still valid; it just cannot be shared
    *k = Kept{copy, kept};
    kept = k;
    return copy;
}

const char* getTarvoHome(void) {
    const char* home = getenv("TARVO");
    if (home != nullptr) return home;
    char* stored = getRegKey(HKEY_CURRENT_USER, "Environment", "TARVO");
    if (stored == nullptr) {
        stored = getRegKey(HKEY_LOCAL_MACHINE,
                           "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment",
                           "TARVO");
    }
    if (stored != nullptr) return keepForProcess(stored);
    return kDefaultTarvoHome;
}

// The parent of the desktop folder recorded in the user's shell folders.
static bool registryUserHome(char* buffer, size_t capacity) {
    RegistryValueType type;
    if (!queryRegistryValue(HKEY_CURRENT_USER,
                            "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
                            "Desktop", buffer, capacity, &type) ||
        type != REGISTRY_PLAIN_STRING) {
        return false;
    }
    char* last = strrchr(buffer, kPathSeparator);
    if (last == nullptr) return false;
    *last = '\0';
    return true;
}

char* getUserHome(void) {
    char buffer[REGISTRY_VALUE_CAPACITY + 1];
    if (registryUserHome(buffer, sizeof buffer) || shellUserHome(buffer, sizeof buffer)) {
        return strdup(buffer);
    }
    return strdup(kDefaultUserHome);
}

int createDirectoryPath(char* path) {
    toPlatformSeparators(path);
    const size_t length = strlen(path);
    if (length + 2 > DIRECTORY_PATH_CAPACITY) return kPathTooLong;

    char buffer[DIRECTORY_PATH_CAPACITY];
    memcpy(buffer, path, length);
    buffer[length] = kPathSeparator;
    buffer[length + 1] = '\0';

    for (char* p = buffer + directoryScanStart(path); (p = strchr(p, kPathSeparator)) != nullptr; ++p) {
        *p = '\0';
        const int error = createFolder(buffer);
        // Something that is not a folder standing in the way must not pass
        // for a folder that exists.
        if (error != 0 && (error != kAlreadyExists || !isFolder(buffer))) return error;
        *p = kPathSeparator;
    }
    return 0;
}
