// Host checks: the rules and their verbose reports over the platform's
// figures.
#include "hostchecks.h"

#include <inttypes.h>
#include <stdio.h>

#include "config_launcher.h"
#include "launcher_platform.h"

bool isOsVersionSupported(unsigned long platform, unsigned long major, unsigned long minor) {
    if (platform == 1) return major >= 4 && (minor == 10 || minor == 90);
    if (platform == 2) return major >= 5;
    return false;
}

uint64_t requiredMemoryBytes(int32_t megabytes) {
    return megabytes > 0 ? (uint64_t)megabytes << 20 : 0;
}

bool checkMemory(uint64_t requiredPhysical, uint64_t requiredVirtual) {
    uint64_t installedPhysical = 0;
    uint64_t freeVirtual = 0;
    queryMemory(&installedPhysical, &freeVirtual);
    const unsigned physicalSufficient = installedPhysical >= requiredPhysical;
    const unsigned totalSufficient = freeVirtual >= requiredVirtual;
    if (getDebug()) {
        fprintf(stderr, "Installed physical memory: %" PRIu64 "\n", installedPhysical);
        fprintf(stderr, "Free virtual memory: %" PRIu64 "\n", freeVirtual);
        fprintf(stderr, "Physical memory sufficent (%" PRIu64 "): %u\n", requiredPhysical,
                physicalSufficient);
        fprintf(stderr, "Total memory sufficent (%" PRIu64 "): %u\n", requiredVirtual, totalSufficient);
    }
    return physicalSufficient && totalSufficient;
}

int getColorDepth(void) { return displayBitsPerPixel(); }

bool checkOsVersion(void) {
    unsigned long platform = 0, major = 0, minor = 0;
    if (!queryOsVersion(&platform, &major, &minor)) return false;
    if (getDebug()) fprintf(stderr, "Version %d %d (major) , %d (minor)\n", (int)platform, (int)major, (int)minor);
    return isHostVersionSupported(platform, major, minor);
}
