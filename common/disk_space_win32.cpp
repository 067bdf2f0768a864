// Windows: the short form of a path through UTF-16, and the volume figures of
// GetDiskFreeSpaceExA.
#include <windows.h>

#include <stdlib.h>

#include "disk_space_platform.h"
#include "utilglobal.h"

// UTF-8 to UTF-16, refusing invalid UTF-8: length first, then the text.
static wchar_t* wideFromUtf8(const char* utf8Path) {
    const int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8Path, -1, nullptr, 0);
    if (length == 0) return nullptr;
    wchar_t* wide = (wchar_t*)malloc((size_t)length * sizeof(wchar_t));
    if (wide == nullptr) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    if (MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8Path, -1, wide, length) == 0) {
        free(wide);
        return nullptr;
    }
    return wide;
}

// The short name of an existing path: length first, then the text.
static wchar_t* shortWidePath(const wchar_t* path) {
    const DWORD length = GetShortPathNameW(path, nullptr, 0);
    if (length == 0) return nullptr;
    wchar_t* shortPath = (wchar_t*)malloc(length * sizeof(wchar_t));
    if (shortPath == nullptr) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    const DWORD written = GetShortPathNameW(path, shortPath, length);
    if (written == 0 || written >= length) {
        // Renamed between the two calls into a longer name: not this path any more.
        if (written >= length) SetLastError(ERROR_INSUFFICIENT_BUFFER);
        free(shortPath);
        return nullptr;
    }
    return shortPath;
}

// UTF-16 to the ANSI code page: length first, then the text. A character the
// code page cannot hold fails with ERROR_NO_UNICODE_TRANSLATION instead of
// becoming '?' or a look-alike, which could name another path.
static char* ansiFromWide(const wchar_t* path) {
    BOOL lossy = FALSE;
    const int length = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, path, -1, nullptr, 0, nullptr, &lossy);
    if (length == 0) return nullptr;
    if (lossy) {
        SetLastError(ERROR_NO_UNICODE_TRANSLATION);
        return nullptr;
    }
    char* ansi = (char*)malloc((size_t)length);
    if (ansi == nullptr) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    if (WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, path, -1, ansi, length, nullptr, nullptr) == 0) {
        free(ansi);
        return nullptr;
    }
    return ansi;
}

char* getShortPathFromUTF8(const char* utf8Path) {
    if (utf8Path == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    wchar_t* wide = wideFromUtf8(utf8Path);
    if (wide == nullptr) return nullptr;
    wchar_t* shortPath = shortWidePath(wide);
    free(wide);
    if (shortPath == nullptr) return nullptr;
    char* ansi = ansiFromWide(shortPath);
    // free() may touch the last error; keep the failing step's.
    const DWORD error = GetLastError();
    free(shortPath);
    SetLastError(error);
    return ansi;
}

bool queryVolumeSpace(const char* path, int64_t* totalBytes, int64_t* freeBytes) {
    ULARGE_INTEGER available, total, totalFree;
    if (!GetDiskFreeSpaceExA(path, &available, &total, &totalFree)) return false;
    *totalBytes = (int64_t)total.QuadPart;
    *freeBytes = (int64_t)totalFree.QuadPart;
    return true;
}

int lastVolumeError(void) { return (int)GetLastError(); }
