// Replacing a file and removing a folder tree on Linux.
#include <errno.h>
#include <ftw.h>
#include <stdio.h>
#include <unistd.h>

#include "container_fs.h"

int replaceFile(const char* from, const char* to) { return rename(from, to) == 0 ? 0 : errno; }

static int removeEntry(const char* path, const struct stat*, int, struct FTW*) {
    return remove(path) == 0 ? 0 : errno;
}

int removeFolderTree(const char* path) {
    const int result = nftw(path, removeEntry, 16, FTW_DEPTH | FTW_PHYS);
    return result == -1 ? errno : result;
}

long fileOwnerProcessId(void) { return (long)getpid(); }
