// Jar listing on Linux: the folder's entries in the order readdir gives them
// whose names end in ".jar" (without regard to case, as the Windows pattern
// matches), like FindFirstFileA with "*.jar".
#include <dirent.h>
#include <errno.h>
#include <stdio.h>
#include <string.h>
#include <strings.h>
#include <sys/stat.h>

#include "launcher_platform.h"

static bool isJarName(const char* name) {
    const size_t length = strlen(name);
    return length >= 4 && strcasecmp(name + length - 4, ".jar") == 0;
}

static bool isFolderEntry(DIR* folder, const struct dirent* found) {
    if (found->d_type != DT_UNKNOWN && found->d_type != DT_LNK) return found->d_type == DT_DIR;
    struct stat status;
    return fstatat(dirfd(folder), found->d_name, &status, 0) == 0 && S_ISDIR(status.st_mode);
}

bool nextJarListed(JarListing* listing, ListedName* entry) {
    DIR* folder = (DIR*)listing;
    for (struct dirent* found; (found = readdir(folder)) != nullptr;) {
        if (!isJarName(found->d_name)) continue;
        snprintf(entry->name, sizeof entry->name, "%s", found->d_name);
        entry->isFolder = isFolderEntry(folder, found);
        return true;
    }
    return false;
}

JarListing* startJarListing(const char* folder, const char*, ListedName* entry) {
    DIR* opened = opendir(folder);
    if (opened == nullptr) return nullptr;
    errno = 0;
    if (!nextJarListed((JarListing*)opened, entry)) {
        const int error = errno != 0 ? errno : ENOENT;
        closedir(opened);
        errno = error;
        return nullptr;
    }
    return (JarListing*)opened;
}

void endJarListing(JarListing* listing) { closedir((DIR*)listing); }
