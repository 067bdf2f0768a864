// Environment variables on Linux, read with the contract of
// GetEnvironmentVariableA so that the PATH logic is the same on both sides.
#include <errno.h>
#include <stdlib.h>
#include <string.h>

#include "launcher_platform.h"

const long kEnvironmentVariableNotFound = ENOENT;

unsigned long readEnvironmentVariable(const char* name, char* buffer, unsigned long capacity) {
    const char* value = getenv(name);
    if (value == nullptr) {
        errno = ENOENT;
        return 0;
    }
    errno = 0;
    const size_t length = strlen(value);
    if (length >= capacity) return (unsigned long)length + 1;
    memcpy(buffer, value, length + 1);
    return (unsigned long)length;
}

bool writeEnvironmentVariable(const char* name, const char* value) {
    return setenv(name, value, 1) == 0;
}
