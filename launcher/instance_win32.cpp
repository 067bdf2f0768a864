// The instance marker on Windows: a named mutex, never owned, never closed.
#include <windows.h>

#include "instance.h"

bool isInstanceRunning(const char* name) {
    CreateMutexA(nullptr, FALSE, name);
    return GetLastError() == ERROR_ALREADY_EXISTS;
}
