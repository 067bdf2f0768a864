// Host figures on Linux: the kernel release, the installed memory, the free
// address space of the process; there is no display query.
#include <stdio.h>
#include <sys/sysinfo.h>
#include <sys/utsname.h>
#include <unistd.h>

#include "address_space.h"
#include "launcher_platform.h"

// The platform id of the NT family: the port reports itself as one family
// with the kernel's version numbers.
static const unsigned long kPortPlatform = 2;

bool queryOsVersion(unsigned long* platform, unsigned long* major, unsigned long* minor) {
    struct utsname name;
    if (uname(&name) != 0) return false;
    *major = 0;
    *minor = 0;
    sscanf(name.release, "%lu.%lu", major, minor);
    *platform = kPortPlatform;
    return true;
}

// Every kernel that runs the port runs the launcher.
bool isHostVersionSupported(unsigned long, unsigned long, unsigned long) { return true; }

bool queryMemory(uint64_t* installedPhysical, uint64_t* freeVirtual) {
    struct sysinfo info;
    if (sysinfo(&info) != 0) return false;
    *installedPhysical = (uint64_t)info.totalram * info.mem_unit;
    const uint64_t limit = addressSpaceLimit();
    const uint64_t used = addressSpaceInUse();
    *freeVirtual = limit > used ? limit - used : 0;
    return true;
}

int displayBitsPerPixel(void) { return -1; }
