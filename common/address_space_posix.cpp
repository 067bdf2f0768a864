// The process's address space on Linux.
#include "address_space.h"

#include <stdio.h>
#include <sys/resource.h>
#include <unistd.h>

uint64_t addressSpaceLimit(void) {
    struct rlimit limit;
    if (getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) return limit.rlim_cur;
    return sizeof(void*) == 8 ? (uint64_t)1 << 47 : (uint64_t)3 << 30;
}

uint64_t addressSpaceInUse(void) {
    FILE* statm = fopen("/proc/self/statm", "re");
    if (statm == nullptr) return 0;
    unsigned long long pages = 0;
    if (fscanf(statm, "%llu", &pages) != 1) pages = 0;
    fclose(statm);
    return (uint64_t)pages * (uint64_t)sysconf(_SC_PAGESIZE);
}
