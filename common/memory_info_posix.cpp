// Linux: physical memory and swap from sysinfo, the available memory from
// /proc/meminfo, the address space from RLIMIT_AS and /proc/self/statm.
#include <stdio.h>
#include <sys/resource.h>
#include <sys/sysinfo.h>
#include <unistd.h>

#include "memory_info_platform.h"

// "MemAvailable" of /proc/meminfo in bytes: what can be had without swapping
// (free memory alone leaves out the page cache). False when missing.
static bool availableMemory(uint64_t* bytes) {
    FILE* file = fopen("/proc/meminfo", "r");
    if (file == nullptr) return false;
    char line[256];
    unsigned long long kib = 0;
    bool found = false;
    while (!found && fgets(line, sizeof line, file) != nullptr) {
        found = sscanf(line, "MemAvailable: %llu kB", &kib) == 1;
    }
    fclose(file);
    *bytes = (uint64_t)kib * 1024;
    return found;
}

// The process's address space: its limit, else what the architecture gives a
// user process (47 bits on x86-64, 3 GiB on 32-bit Linux).
static uint64_t addressSpace() {
    struct rlimit limit;
    if (getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) return limit.rlim_cur;
    return sizeof(void*) == 8 ? (uint64_t)1 << 47 : (uint64_t)3 << 30;
}

// The process's mapped size in bytes, 0 when unknown.
static uint64_t mappedSize() {
    FILE* file = fopen("/proc/self/statm", "r");
    if (file == nullptr) return 0;
    unsigned long long pages = 0;
    if (fscanf(file, "%llu", &pages) != 1) pages = 0;
    fclose(file);
    return (uint64_t)pages * (uint64_t)sysconf(_SC_PAGESIZE);
}

bool readMemoryStatus(MemoryBytes* bytes) {
    struct sysinfo system;
    if (sysinfo(&system) != 0) return false;
    const uint64_t unit = system.mem_unit;
    uint64_t available;
    if (!availableMemory(&available)) available = ((uint64_t)system.freeram + system.bufferram) * unit;
    // Swap plays the page file's part; the commit figures include memory, as on Windows.
    const uint64_t total = (uint64_t)system.totalram * unit;
    const uint64_t space = addressSpace();
    const uint64_t mapped = mappedSize();
    *bytes = MemoryBytes{available,
                         total,
                         available + (uint64_t)system.freeswap * unit,
                         total + (uint64_t)system.totalswap * unit,
                         space,
                         mapped < space ? space - mapped : 0};
    return true;
}
