// The Win32 calls behind the machine ids, as a table that tests may point
// at stand-ins (restoring the saved table afterwards).
#pragma once

#include <windows.h>
#include <iphlpapi.h>
#include <nb30.h>

typedef DWORD(WINAPI* GetAdaptersInfoFunction)(PIP_ADAPTER_INFO, PULONG);

struct HostIdWin32Calls {
    HMODULE(WINAPI* loadLibraryA)(LPCSTR);
    FARPROC(WINAPI* getProcAddress)(HMODULE, LPCSTR);
    BOOL(WINAPI* freeLibrary)(HMODULE);
    LPVOID(WINAPI* heapAlloc)(HANDLE, DWORD, SIZE_T);
    UCHAR(APIENTRY* netbios)(PNCB);
    UINT(WINAPI* getWindowsDirectoryA)(LPSTR, UINT);
    BOOL(WINAPI* getVolumeInformationA)(LPCSTR, LPSTR, DWORD, LPDWORD, LPDWORD, LPDWORD, LPSTR, DWORD);
    // The back-door probe of isVMware: the value EBX holds behind it.
    unsigned (*vmwareProbe)(void);
};
extern HostIdWin32Calls hostIdWin32Calls;

// The probe itself, for tests that run it directly.
unsigned runVMwareProbe(void);
