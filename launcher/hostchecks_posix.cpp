// Host figures on Linux: the kernel release, the installed memory, the free
// address space of the process; there is no display query.
#include <stdio.h>
#include <sys/resource.h>
#include <sys/sysinfo.h>
#include <sys/utsname.h>
#include <unistd.h>

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

// The address space a process may use: its limit when it has one, else the
// user part of the address space (47 bits on 64-bit Linux, 3 GiB on 32-bit).
static uint64_t addressSpaceLimit(void) {
    struct rlimit limit;
    if (getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) return limit.rlim_cur;
    return sizeof(void*) == 8 ? (uint64_t)1 << 47 : (uint64_t)3 << 30;
}

// Bytes mapped by this process, from the first figure of /proc/self/statm.
static uint64_t addressSpaceInUse(void) {
    FILE* statm = fopen("/proc/self/statm", "re");
    if (statm == nullptr) return 0;
    unsigned long long pages = 0;
    if (fscanf(statm, "%llu", &pages) != 1) pages = 0;
    fclose(statm);
    return (uint64_t)pages * (uint64_t)sysconf(_SC_PAGESIZE);
}

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
