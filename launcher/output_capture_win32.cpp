// The log file on Windows: created anew, written by the launcher alone,
// readable by others while it grows.
#include <windows.h>

#include "launcher_platform.h"

bool createLogFile(const char* path, SystemHandle* file) {
    const HANDLE handle =
        CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    *file = (SystemHandle)handle;
    return true;
}
