// The system calls of the monitor walk on Windows, in a table that tests may
// change: display devices, SetupAPI device lists and the device registry keys
// whose contents Wine cannot produce on demand (EDID blocks, driver matches,
// failing opens).
#pragma once

#include <windows.h>
#include <setupapi.h>
#include <stddef.h>

struct MonitorCalls {
    BOOL(WINAPI* enumDisplayDevices)(LPCWSTR device, DWORD index, PDISPLAY_DEVICEW record, DWORD flags);
    HDEVINFO(WINAPI* getClassDevsEx)(const GUID* classGuid, PCWSTR enumerator, HWND parent, DWORD flags,
                                     HDEVINFO set, PCWSTR machine, PVOID reserved);
    BOOL(WINAPI* enumDeviceInfo)(HDEVINFO set, DWORD index, PSP_DEVINFO_DATA device);
    BOOL(WINAPI* getDeviceRegistryProperty)(HDEVINFO set, PSP_DEVINFO_DATA device, DWORD property,
                                            PDWORD type, PBYTE buffer, DWORD size, PDWORD required);
    HKEY(WINAPI* openDevRegKey)(HDEVINFO set, PSP_DEVINFO_DATA device, DWORD scope, DWORD profile,
                                DWORD keyType, REGSAM access);
    LONG(WINAPI* queryValue)(HKEY key, LPCWSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data,
                             LPDWORD size);
    LONG(WINAPI* closeKey)(HKEY key);
    BOOL(WINAPI* destroyDeviceInfoList)(HDEVINFO set);
};

// The real calls; only tests put others in their place.
extern MonitorCalls monitorCalls;

// Finds the display-adapter device whose "MatchingDeviceId" the adapter's
// DeviceID (turned to lower case in place) contains, and reads its
// "DriverVersion" and "DriverDate" into the two buffers (sizes in bytes; each
// text always ends within its buffer). Leaves the buffers untouched when no
// device matches.
void findAdapterDriver(DISPLAY_DEVICEW* adapter, bool debug, wchar_t* versionBuffer, size_t versionSize,
                       wchar_t* dateBuffer, size_t dateSize);
