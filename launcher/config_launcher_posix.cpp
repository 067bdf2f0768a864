// The launcher's own location on Linux: the target of /proc/self/exe.
#include <stdlib.h>
#include <unistd.h>

#include "launcher_platform.h"

char* ownExecutablePath(void) {
    for (size_t capacity = 256; capacity <= 65536; capacity *= 2) {
        char* path = (char*)malloc(capacity);
        if (path == nullptr) return nullptr;
        const ssize_t length = readlink("/proc/self/exe", path, capacity);
        if (length > 0 && (size_t)length < capacity) {
            path[length] = '\0';
            return path;
        }
        free(path);
        if (length <= 0) return nullptr;
    }
    return nullptr;
}

void changeCurrentFolder(const char* folder) {
    if (chdir(folder) != 0) {
        // As on Windows the result is not needed: relative paths then resolve
        // against the caller's folder.
    }
}
