// The registry on Linux: a file-backed store in which a key is a folder and a
// value is a file holding its text.
//
//   HKEY_CURRENT_USER   $TARVO_REGISTRY_HKCU, else ${XDG_CONFIG_HOME:-~/.config}/tarvo/registry
//   HKEY_LOCAL_MACHINE  $TARVO_REGISTRY_HKLM, else /etc/tarvo/registry
//
// Key paths use "\" between their parts, as on Windows. Like the Windows
// registry, key and value names are matched without regard to ASCII case.
// The default (unnamed) value of a key is the file "@". One line feed at the
// end of a value file is not part of the value, so files written with echo work.
#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include "lookups_platform.h"

enum { kStorePathCapacity = 4096 };

static bool storeRoot(HKEY root, char* path, size_t capacity) {
    const char* overridden = nullptr;
    int written = -1;
    if (root == HKEY_CURRENT_USER) {
        overridden = getenv("TARVO_REGISTRY_HKCU");
        if (overridden == nullptr) {
            const char* config = getenv("XDG_CONFIG_HOME");
            const char* home = getenv("HOME");
            if (config != nullptr && config[0] != '\0') {
                written = snprintf(path, capacity, "%s/tarvo/registry", config);
            } else if (home != nullptr && home[0] != '\0') {
                written = snprintf(path, capacity, "%s/.config/tarvo/registry", home);
            }
        }
    } else if (root == HKEY_LOCAL_MACHINE) {
        overridden = getenv("TARVO_REGISTRY_HKLM");
        if (overridden == nullptr) written = snprintf(path, capacity, "/etc/tarvo/registry");
    } else {
        return false;
    }
    if (overridden != nullptr) written = snprintf(path, capacity, "%s", overridden);
    return written > 0 && (size_t)written < capacity;
}

// Appends "/" and the entry of folder `path` named `name` (exactly, else
// without regard to case). Names that could leave the store are refused.
static bool appendEntry(char* path, size_t capacity, const char* name, size_t nameLength) {
    if (nameLength == 0 || memchr(name, '/', nameLength) != nullptr ||
        (nameLength == 1 && name[0] == '.') || (nameLength == 2 && name[0] == '.' && name[1] == '.')) {
        return false;
    }
    const size_t base = strlen(path);
    if (base + 1 + nameLength >= capacity) return false;
    path[base] = '/';
    memcpy(path + base + 1, name, nameLength);
    path[base + 1 + nameLength] = '\0';
    if (access(path, F_OK) == 0) return true;

    path[base] = '\0';
    DIR* folder = opendir(path);
    if (folder == nullptr) return false;
    bool found = false;
    for (struct dirent* entry; !found && (entry = readdir(folder)) != nullptr;) {
        if (strlen(entry->d_name) == nameLength && strncasecmp(entry->d_name, name, nameLength) == 0) {
            path[base] = '/';
            memcpy(path + base + 1, entry->d_name, nameLength);
            found = true;
        }
    }
    closedir(folder);
    return found;
}

static bool keyFolder(HKEY root, const char* subkey, char* path, size_t capacity) {
    if (!storeRoot(root, path, capacity)) return false;
    for (const char* part = subkey != nullptr ? subkey : ""; *part != '\0';) {
        const size_t length = strcspn(part, "\\");
        if (length > 0 && !appendEntry(path, capacity, part, length)) return false;
        part += length;
        if (*part == '\\') ++part;
    }
    struct stat status;
    return stat(path, &status) == 0 && S_ISDIR(status.st_mode);
}

bool queryRegistryValue(HKEY root, const char* subkey, const char* name, char* buffer,
                        size_t capacity, RegistryValueType* type) {
    char path[kStorePathCapacity];
    if (!keyFolder(root, subkey, path, sizeof path)) return false;
    const char* fileName = (name == nullptr || name[0] == '\0') ? "@" : name;
    if (!appendEntry(path, sizeof path, fileName, strlen(fileName))) return false;

    const int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat status;
    bool fits = fstat(fd, &status) == 0 && S_ISREG(status.st_mode) &&
                (unsigned long long)status.st_size <= capacity;
    size_t length = 0;
    while (fits && length < capacity) {
        const ssize_t n = read(fd, buffer + length, capacity - length);
        if (n < 0) fits = false;
        if (n <= 0) break;
        length += (size_t)n;
    }
    close(fd);
    if (!fits) return false;
    if (length > 0 && buffer[length - 1] == '\n') --length;
    if (length >= capacity) return false;
    buffer[length] = '\0';
    *type = REGISTRY_PLAIN_STRING;
    return true;
}
