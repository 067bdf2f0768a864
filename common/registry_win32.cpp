// The registry on Windows: keys opened for reading and their values read as
// text, with the system's status codes.
#include <windows.h>
#include <string.h>

#include "lookups_platform.h"

const long kRegistryNotFound = ERROR_FILE_NOT_FOUND;
const long kRegistryMoreData = ERROR_MORE_DATA;
const long kRegistryNoMoreItems = ERROR_NO_MORE_ITEMS;

static long openKey(HKEY root, const char* subkey, REGSAM access, RegistryKeyHandle* key) {
    HKEY opened;
    const LONG status = RegOpenKeyExA(root, subkey, 0, access, &opened);
    if (status == ERROR_SUCCESS) *key = (RegistryKeyHandle)opened;
    return status;
}

long openRegistryKey(HKEY root, const char* subkey, RegistryKeyHandle* key) {
    return openKey(root, subkey, KEY_READ, key);
}

long openRegistryKeyInView(HKEY root, const char* subkey, RegistryView view, RegistryKeyHandle* key) {
    return openKey(root, subkey, KEY_READ | (view == REGISTRY_VIEW_64 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY), key);
}

long registrySubkeyName(RegistryKeyHandle key, unsigned index, char* name, size_t capacity) {
    DWORD length = (DWORD)capacity;
    return RegEnumKeyExA((HKEY)key, index, name, &length, nullptr, nullptr, nullptr, nullptr);
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
