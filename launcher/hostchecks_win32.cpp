// Host figures on Windows: the version record, the memory status and the
// primary display's current mode.
#include <windows.h>

#include "hostchecks.h"
#include "launcher_platform.h"

bool queryOsVersion(unsigned long* platform, unsigned long* major, unsigned long* minor) {
    OSVERSIONINFOA version;
    ZeroMemory(&version, sizeof version);
    version.dwOSVersionInfoSize = sizeof version;
    if (!GetVersionExA(&version)) return false;
    *platform = version.dwPlatformId;
    *major = version.dwMajorVersion;
    *minor = version.dwMinorVersion;
    return true;
}

bool isHostVersionSupported(unsigned long platform, unsigned long major, unsigned long minor) {
    return isOsVersionSupported(platform, major, minor);
}

// The 64-bit form of the memory status: the 32-bit one reports at most 2 GiB
// of physical memory to a 32-bit program, whatever is installed.
bool queryMemory(uint64_t* installedPhysical, uint64_t* freeVirtual) {
    MEMORYSTATUSEX status;
    status.dwLength = sizeof status;
    if (!GlobalMemoryStatusEx(&status)) return false;
    *installedPhysical = status.ullTotalPhys;
    *freeVirtual = status.ullAvailVirtual;
    return true;
}

int displayBitsPerPixel(void) {
    DEVMODEA mode;
    ZeroMemory(&mode, sizeof mode);
    mode.dmSize = sizeof mode;
    if (!EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &mode)) return -1;
    return (int)mode.dmBitsPerPel;
}
