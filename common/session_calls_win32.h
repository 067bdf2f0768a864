// The system calls of the session queries that Wine cannot steer: a remote
// session, an old Windows version, the remote-desktop API's answers. Tests
// replace entries and restore them; the product never changes them.
#pragma once

#include <windows.h>

struct SessionSystemCalls {
    int(WINAPI* getSystemMetrics)(int index);
    BOOL(WINAPI* getVersionExW)(OSVERSIONINFOW* version);
    FARPROC(WINAPI* getProcAddress)(HMODULE module, LPCSTR name);
};

extern SessionSystemCalls sessionSystemCalls;
