// Windows primitives behind the lookups: the shell's desktop folder and
// CreateDirectory. The registry calls are in registry_win32.cpp.
#include <windows.h>
#include <shlobj.h>
#include <string.h>

#include "lookups_platform.h"

const char kPathSeparator = '\\';
const char kDefaultTarvoHome[] = "C:/Programme/TARVO";
const char kDefaultUserHome[] = "C:\\";
const int kAlreadyExists = ERROR_ALREADY_EXISTS;
const int kPathTooLong = ERROR_FILENAME_EXCED_RANGE;

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
