// The registry on Windows: keys opened for reading and their values read as
// text, with the system's status codes.
#include <windows.h>
#include <string.h>

#include "lookups_platform.h"

const long kRegistryNotFound = ERROR_FILE_NOT_FOUND;
const long kRegistryMoreData = ERROR_MORE_DATA;

long openRegistryKey(HKEY root, const char* subkey, RegistryKeyHandle* key) {
    HKEY opened;
    const LONG status = RegOpenKeyExA(root, subkey, 0, KEY_READ, &opened);
    if (status == ERROR_SUCCESS) *key = (RegistryKeyHandle)opened;
    return status;
}

long readRegistryText(RegistryKeyHandle key, const char* name, char* buffer, size_t capacity,
                      size_t* needed, RegistryValueType* type) {
    DWORD valueType = REG_NONE;
    DWORD size = (DWORD)capacity;
    const LONG status = RegQueryValueExA((HKEY)key, name, nullptr, &valueType, (BYTE*)buffer, &size);
    if (status == ERROR_MORE_DATA) *needed = size;
    if (status != ERROR_SUCCESS) return status;
    // The data need not carry its own terminator; data that fills the buffer
    // without one does not fit.
    if (memchr(buffer, '\0', size) == nullptr) {
        if (size >= capacity) {
            *needed = (size_t)size + 1;
            return ERROR_MORE_DATA;
        }
        buffer[size] = '\0';
    }
    *type = valueType == REG_SZ ? REGISTRY_PLAIN_STRING : REGISTRY_OTHER_TYPE;
    return ERROR_SUCCESS;
}

void closeRegistryKey(RegistryKeyHandle key) { RegCloseKey((HKEY)key); }
