// The launcher's own location on Windows.
#include <windows.h>
#include <stdlib.h>

#include "launcher_platform.h"

// GetModuleFileNameA, with a buffer that grows past 260 bytes when the path
// needs it, so a long path is never cut.
char* ownExecutablePath(void) {
    for (DWORD capacity = MAX_PATH; capacity <= 32768; capacity *= 2) {
        char* path = (char*)malloc(capacity);
        if (path == nullptr) return nullptr;
        const DWORD length = GetModuleFileNameA(nullptr, path, capacity);
        if (length > 0 && length < capacity) return path;
        free(path);
        if (length == 0) return nullptr;
    }
    return nullptr;
}

void changeCurrentFolder(const char* folder) { SetCurrentDirectoryA(folder); }
