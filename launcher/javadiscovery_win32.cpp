// Java runtime discovery on Windows: the Program Files folder and file tests.
#include <windows.h>
#include <shlobj.h>
#include <string.h>

#include "launcher_platform.h"

char* programFilesFolder(long* result) {
    char folder[MAX_PATH];
    const HRESULT status = SHGetFolderPathA(nullptr, CSIDL_PROGRAM_FILES, nullptr, 0, folder);
    *result = status;
    return status == S_OK ? strdup(folder) : nullptr;
}

bool pathExists(const char* path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

bool fileMatches(const char* path) {
    WIN32_FIND_DATAA found;
    const HANDLE search = FindFirstFileA(path, &found);
    if (search == INVALID_HANDLE_VALUE) return false;
    FindClose(search);
    return true;
}

bool isRunnableFile(const char* path) {
    const DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

char* defaultJavaRuntime(void) { return nullptr; }
