// The disk-space guard: refuses data below the hard free-space limit and slows
// receivers down between the hard limit and the slow-down level.
#include "diskguard.h"

#include <math.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>

#include <chrono>
#include <thread>

#include "routing.h"
#include "text_encoding.h"
#include "utilglobal.h"

int32_t loweredThreshold(int32_t thresholdMb) { return (int32_t)(thresholdMb * 0.2); }

int guardDelaySeconds(int64_t freeMb, int32_t slowMb) {
    return (int)fabs((double)(freeMb - slowMb) / slowMb * 15);
}

int checkDiskSpace(const char* path, int delay, int lower) {
    const int64_t freeMb = getDiskFreeKByte(path) / 1024;

    // This check compares with the thresholds as they stand before the
    // reading below refreshes them for the next one.
    int32_t hard = diskFreeSizeMb;
    int32_t slow = diskSlowerSizeMb;
    if (lower) {
        hard = loweredThreshold(hard);
        slow = loweredThreshold(slow);
    }
    freeRoutingConfig(readRoutingConfig());

    if (freeMb < hard) {
        // Below a 32-bit threshold, the figure fits in 32 bits.
        fprintf(stderr,
                "ERROR:  Can't send or receive data (due out of resources). Remaining disk space: %ld MB \n",
                (long)(int32_t)freeMb);
        fflush(stderr);
        return DISK_SPACE_EXHAUSTED;
    }
    if (delay && freeMb < slow) {
        // 0 to 15 seconds, the more the less space is left; slow is above
        // freeMb >= 0 here, so never 0.
        const int seconds = guardDelaySeconds(freeMb, slow);
        printf("WARNING: disk space low (check level %ld MB), receive delayed for %i sec ...\n", (long)slow, seconds);
        fflush(stdout);
        if (seconds > 0) std::this_thread::sleep_for(std::chrono::milliseconds(seconds * 1000));
        return DISK_SPACE_LOW;
    }
    return DISK_SPACE_ENOUGH;
}

int checkFreeSpace(const char* path, int delay) { return checkDiskSpace(path, delay, 0); }

int checkContainerSpace(int delay, int lower) {
    char* directory = readContainerDirectory();
    // routing.conf holds the path in the platform's encoding (the ANSI code
    // page on Windows); the guard takes UTF-8.
    char* utf8Directory = directory != nullptr ? platformToUtf8(directory) : nullptr;
    const int result = checkDiskSpace(utf8Directory, delay, lower);
    free(utf8Directory);
    free(directory);
    return result;
}
