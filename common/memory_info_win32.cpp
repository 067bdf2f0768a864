// Windows: the 64-bit memory status. The 32-bit GlobalMemoryStatus stops at
// 2 GiB (4 GiB at best) and would report a 16 GiB workstation as 2 GiB.
#include <windows.h>

#include "memory_info_platform.h"

bool readMemoryStatus(MemoryBytes* bytes) {
    MEMORYSTATUSEX status;
    status.dwLength = sizeof status;
    if (!GlobalMemoryStatusEx(&status)) return false;
    *bytes = MemoryBytes{status.ullAvailPhys,     status.ullTotalPhys,   status.ullAvailPageFile,
                         status.ullTotalPageFile, status.ullTotalVirtual, status.ullAvailVirtual};
    return true;
}
