// The platform's encoding on Windows is the ANSI code page of the A calls.
#include <windows.h>
#include <stdlib.h>

#include "text_encoding.h"

char* utf16ToPlatform(const uint16_t* units, size_t count) {
    // With UTF-8 as the ANSI code page (a setting of newer Windows versions)
    // WideCharToMultiByte takes neither flags nor a default-character report.
    if (GetACP() == CP_UTF8) return utf16ToUtf8(units, count);
    if (count > 0x7FFFFFFF / 2) return nullptr;
    for (size_t i = 0; i < count; ++i) {
        if (units[i] == 0) return nullptr;
    }
    const wchar_t* wide = reinterpret_cast<const wchar_t*>(units);
    const int length = static_cast<int>(count);
    // WC_NO_BEST_FIT_CHARS keeps "ł" from turning into "l": a character
    // without an exact form in the code page fails the conversion instead of
    // becoming that or "?".
    BOOL usedDefault = FALSE;
    const int size = length == 0 ? 0
                                 : WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, length, nullptr, 0,
                                                       nullptr, &usedDefault);
    if (length != 0 && (size == 0 || usedDefault)) return nullptr;
    char* result = static_cast<char*>(malloc(static_cast<size_t>(size) + 1));
    if (result == nullptr) return nullptr;
    if (size != 0 &&
        WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, length, result, size, nullptr, nullptr) != size) {
        free(result);
        return nullptr;
    }
    result[size] = 0;
    return result;
}

uint16_t* platformToUtf16(const char* text, size_t* count) {
    // Every byte of a single-byte code page and every lead and trail byte
    // pair of a double-byte one gives at most one unit.
    const int length = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (length == 0) return nullptr;
    uint16_t* result = static_cast<uint16_t*>(malloc(static_cast<size_t>(length) * sizeof(uint16_t)));
    if (result == nullptr) return nullptr;
    if (MultiByteToWideChar(CP_ACP, 0, text, -1, reinterpret_cast<wchar_t*>(result), length) != length) {
        free(result);
        return nullptr;
    }
    *count = static_cast<size_t>(length) - 1;
    return result;
}

bool isValidPlatformText(const char* text) {
    return MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text, -1, nullptr, 0) != 0;
}
