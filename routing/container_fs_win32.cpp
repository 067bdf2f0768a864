// Replacing a file and removing a folder tree on Windows (ANSI paths).
#include <windows.h>

#include <string>

#include "container_fs.h"

int replaceFile(const char* from, const char* to) {
    return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) ? 0 : (int)GetLastError();
}

int removeFolderTree(const char* path) {
    const std::string folder = path;
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) return (int)GetLastError();
    int error = 0;
    do {
        const std::string name = entry.cFileName;
        if (name == "." || name == "..") continue;
        const std::string child = folder + "\\" + name;
        // A junction is removed as a folder entry, never entered.
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
            (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
            error = removeFolderTree(child.c_str());
        } else if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            if (!RemoveDirectoryA(child.c_str())) error = (int)GetLastError();
        } else if (!DeleteFileA(child.c_str())) {
            error = (int)GetLastError();
        }
    } while (error == 0 && FindNextFileA(search, &entry));
    FindClose(search);
    if (error != 0) return error;
    return RemoveDirectoryA(path) ? 0 : (int)GetLastError();
}

long fileOwnerProcessId(void) { return (long)GetCurrentProcessId(); }
