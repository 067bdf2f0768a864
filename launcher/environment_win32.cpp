// Environment variables on Windows: the process environment that children
// inherit.
#include <windows.h>

#include "launcher_platform.h"

const long kEnvironmentVariableNotFound = ERROR_ENVVAR_NOT_FOUND;

unsigned long readEnvironmentVariable(const char* name, char* buffer, unsigned long capacity) {
    return GetEnvironmentVariableA(name, buffer, capacity);
}

bool writeEnvironmentVariable(const char* name, const char* value) {
    return SetEnvironmentVariableA(name, value) != 0;
}
