// The system's message text for a Windows error code, written to the
// standard error handle.
#include <windows.h>

#include "utilglobal.h"

void DisplayErrorText(uint32_t code) {
    DWORD flags = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_FROM_SYSTEM;
    // Network management codes have their texts in netmsg.dll; loaded as a
    // data file, it runs no code.
    HMODULE module = nullptr;
    if (code >= 2100 && code <= 2999) {
        module = LoadLibraryExA("netmsg.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE);
        if (module != nullptr) flags |= FORMAT_MESSAGE_FROM_HMODULE;
    }
    char* text = nullptr;
    const DWORD length = FormatMessageA(flags, module, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                                        (LPSTR)&text, 0, nullptr);
    if (length > 0) {
        DWORD written;
        WriteFile(GetStdHandle(STD_ERROR_HANDLE), text, length, &written, nullptr);
        LocalFree(text);
    }
    if (module != nullptr) FreeLibrary(module);
}
