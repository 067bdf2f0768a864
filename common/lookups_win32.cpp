// Windows primitives behind the lookups: the registry, the shell's desktop
// folder and CreateDirectory.
#include <windows.h>
#include <shlobj.h>
#include <string.h>

#include "lookups_platform.h"

const char kPathSeparator = '\\';
const char kDefaultTarvoHome[] = "C:/Programme/TARVO";
const char kDefaultUserHome[] = "C:\\";
const int kAlreadyExists = ERROR_ALREADY_EXISTS;
const int kPathTooLong = ERROR_FILENAME_EXCED_RANGE;

bool queryRegistryValue(HKEY root, const char* subkey, const char* name, char* buffer,
                        size_t capacity, RegistryValueType* type) {
    HKEY key;
    if (RegOpenKeyExA(root, subkey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    DWORD valueType = REG_NONE;
    DWORD size = (DWORD)capacity;
    const LONG status = RegQueryValueExA(key, name, nullptr, &valueType, (BYTE*)buffer, &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) return false;
    // The data is taken as text whatever its type. It need not carry its own
    // terminator; data that fills the buffer without one does not fit.
    if (memchr(buffer, '\0', size) == nullptr) {
        if (size >= capacity) return false;
        buffer[size] = '\0';
    }
    *type = valueType == REG_SZ ? REGISTRY_PLAIN_STRING : REGISTRY_OTHER_TYPE;
    return true;
}

typedef HRESULT(WINAPI* SHGetSpecialFolderLocationFn)(HWND, int, LPITEMIDLIST*);
typedef BOOL(WINAPI* SHGetPathFromIDListAFn)(LPCITEMIDLIST, LPSTR);

bool shellUserHome(char* buffer, size_t capacity) {
    // SHGetPathFromIDListA writes up to MAX_PATH characters.
    if (capacity < MAX_PATH) return false;
    HMODULE shell = LoadLibraryA("SHELL32.DLL");
    if (shell == nullptr) return false;
    bool found = false;
    auto getLocation =
        (SHGetSpecialFolderLocationFn)(void*)GetProcAddress(shell, "SHGetSpecialFolderLocation");
    auto getPath = (SHGetPathFromIDListAFn)(void*)GetProcAddress(shell, "SHGetPathFromIDListA");
    LPITEMIDLIST items = nullptr;
    if (getLocation != nullptr && getPath != nullptr &&
        SUCCEEDED(getLocation(nullptr, CSIDL_DESKTOPDIRECTORY, &items))) {
        buffer[0] = '\0';
        getPath(items, buffer);
        CoTaskMemFree(items);
        char* last = strrchr(buffer, '\\');
        if (last != nullptr) *last = '\0';
        found = true;
    }
    FreeLibrary(shell);
    return found;
}

int createFolder(const char* path) {
    return CreateDirectoryA(path, nullptr) ? 0 : (int)GetLastError();
}

bool isFolder(const char* path) {
    const DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

size_t directoryScanStart(const char* path) {
    return (path[0] != '\0' && path[1] == ':') ? 3 : 0;
}

void toPlatformSeparators(char* path) {
    for (char* p = path; *p != '\0'; ++p) {
        if (*p == '/') *p = '\\';
    }
}
