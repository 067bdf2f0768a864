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
#include <errno.h>
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

const long kRegistryNotFound = ENOENT;
const long kRegistryMoreData = EOVERFLOW;
const long kRegistryNoMoreItems = ENODATA;

struct RegistryKeyRecord {
    char folder[kStorePathCapacity];
};

long openRegistryKey(HKEY root, const char* subkey, RegistryKeyHandle* key) {
    RegistryKeyRecord* record = (RegistryKeyRecord*)malloc(sizeof *record);
    if (record == nullptr) return ENOMEM;
    if (!keyFolder(root, subkey, record->folder, sizeof record->folder)) {
        free(record);
        return ENOENT;
    }
    *key = record;
    return 0;
}

// Reads up to `capacity` bytes from the start of `fd`; the count, or -1.
static ssize_t readUpTo(int fd, char* buffer, size_t capacity) {
    size_t length = 0;
    while (length < capacity) {
        const ssize_t n = read(fd, buffer + length, capacity - length);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return -1;
        if (n == 0) break;
        length += (size_t)n;
    }
    return (ssize_t)length;
}

long readRegistryText(RegistryKeyHandle key, const char* name, char* buffer, size_t capacity,
                      size_t* needed, RegistryValueType* type) {
    char path[kStorePathCapacity];
    memcpy(path, key->folder, sizeof path);
    const char* fileName = (name == nullptr || name[0] == '\0') ? "@" : name;
    if (!appendEntry(path, sizeof path, fileName, strlen(fileName))) return ENOENT;

    const int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return errno;
    struct stat status;
    long result = 0;
    if (fstat(fd, &status) != 0) {
        result = errno;
    } else if (!S_ISREG(status.st_mode)) {
        result = EISDIR;
    } else {
        // The text is the file less one line feed at its end; it needs one
        // byte more for the terminator.
        const size_t fileSize = (size_t)status.st_size;
        char last = '\0';
        const size_t text =
            fileSize > 0 && pread(fd, &last, 1, (off_t)fileSize - 1) == 1 && last == '\n' ? fileSize - 1
                                                                                         : fileSize;
        if (text + 1 > capacity) {
            *needed = text + 1;
            result = kRegistryMoreData;
        } else if (readUpTo(fd, buffer, text) != (ssize_t)text) {
            result = EIO;
        } else {
            buffer[text] = '\0';
            *type = REGISTRY_PLAIN_STRING;
        }
    }
    close(fd);
    return result;
}

void closeRegistryKey(RegistryKeyHandle key) { free(key); }

// One store serves both views.
long openRegistryKeyInView(HKEY root, const char* subkey, RegistryView, RegistryKeyHandle* key) {
    return openRegistryKey(root, subkey, key);
}

static int subkeyFilter(const struct dirent* entry) {
    return strcmp(entry->d_name, ".") != 0 && strcmp(entry->d_name, "..") != 0;
}

// Subkeys are the key's folders in name order, as the store lists them.
long registrySubkeyName(RegistryKeyHandle key, unsigned index, char* name, size_t capacity) {
    struct dirent** entries = nullptr;
    const int count = scandir(key->folder, &entries, subkeyFilter, alphasort);
    if (count < 0) return errno;
    long result = kRegistryNoMoreItems;
    for (int i = 0, folders = 0; i < count; ++i) {
        char path[kStorePathCapacity];
        struct stat status;
        const bool folder = snprintf(path, sizeof path, "%s/%s", key->folder, entries[i]->d_name) < (int)sizeof path &&
                            stat(path, &status) == 0 && S_ISDIR(status.st_mode);
        if (folder && result == kRegistryNoMoreItems && (unsigned)folders++ == index) {
            result = strlen(entries[i]->d_name) < capacity ? 0 : kRegistryMoreData;
            if (result == 0) strcpy(name, entries[i]->d_name);
        }
        free(entries[i]);
    }
    free(entries);
    return result;
}
