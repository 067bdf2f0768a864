// Linux: physical memory and swap from sysinfo, the available memory from
// /proc/meminfo, the process's address space.
#include <stdio.h>
#include <sys/sysinfo.h>

#include "address_space.h"
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

bool readMemoryStatus(MemoryBytes* bytes) {
    struct sysinfo system;
    if (sysinfo(&system) != 0) return false;
    const uint64_t unit = system.mem_unit;
    uint64_t available;
    if (!availableMemory(&available)) available = ((uint64_t)system.freeram + system.bufferram) * unit;
    // Swap plays the page file's part; the commit figures include memory, as on Windows.
    const uint64_t total = (uint64_t)system.totalram * unit;
    const uint64_t space = addressSpaceLimit();
    const uint64_t mapped = addressSpaceInUse();
    *bytes = MemoryBytes{available,
                         total,
                         available + (uint64_t)system.freeswap * unit,
                         total + (uint64_t)system.totalswap * unit,
                         space,
                         mapped < space ? space - mapped : 0};
    return true;
}
