// Linux primitives behind the lookups: the home folder, mkdir and the path
// conventions. The registry store is in registry_posix.cpp.
#include <errno.h>
#include <pwd.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include "lookups_platform.h"

const char kPathSeparator = '/';
const char kDefaultTarvoHome[] = "/opt/tarvo";
const char kDefaultUserHome[] = "/";
const int kAlreadyExists = EEXIST;
const int kPathTooLong = ENAMETOOLONG;

static bool copyText(const char* text, char* buffer, size_t capacity) {
    const size_t length = strlen(text);
    if (length == 0 || length >= capacity) return false;
    memcpy(buffer, text, length + 1);
    return true;
}

// The shell's answer on Linux: $HOME, else the home folder of the user's
// password entry.
bool shellUserHome(char* buffer, size_t capacity) {
    const char* home = getenv("HOME");
    if (home != nullptr && copyText(home, buffer, capacity)) return true;
    struct passwd entry;
    struct passwd* found = nullptr;
    char records[4096];
    if (getpwuid_r(getuid(), &entry, records, sizeof records, &found) == 0 && found != nullptr &&
        found->pw_dir != nullptr) {
        return copyText(found->pw_dir, buffer, capacity);
    }
    return false;
}

int createFolder(const char* path) {
    return mkdir(path, 0777) == 0 ? 0 : errno;
}

bool isFolder(const char* path) {
    struct stat status;
    return stat(path, &status) == 0 && S_ISDIR(status.st_mode);
}

size_t directoryScanStart(const char* path) {
    return path[0] == '/' ? 1 : 0;
}

// Paths on Linux already use "/"; a backslash is an ordinary file-name character.
void toPlatformSeparators(char*) {}
