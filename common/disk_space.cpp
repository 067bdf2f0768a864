// Free and total space of the volume that holds a path, in KiB, with the
// failures written to the console (the Java error console in tarvoUtils).
#include <math.h>
#include <stdlib.h>

#include "disk_space_platform.h"
#include "console_output.h"
#include "utilglobal.h"

// Queries the volume of `utf8Path`; false after the failure's message.
static bool volumeSpace(const char* utf8Path, int64_t* totalBytes, int64_t* freeBytes) {
    char* shortPath = getShortPathFromUTF8(utf8Path);
    if (shortPath == nullptr) {
        consolePrintf(stderr, "can't getShortPathFromUTF8: errorcode %i\n", lastVolumeError());
        return false;
    }
    const bool known = queryVolumeSpace(shortPath, totalBytes, freeBytes);
    if (!known) consolePrintf(stderr, "can't GetDiskFreeSpaceEx: errorcode %i\n", lastVolumeError());
    free(shortPath);
    return known;
}

int64_t getDiskFreeKByte(const char* utf8Path) {
    int64_t totalBytes, freeBytes;
    if (!volumeSpace(utf8Path, &totalBytes, &freeBytes)) return 0;
    return freeBytes / 1024;
}

int64_t kiloBytesFromPercent(int64_t totalKiB, int32_t percent) {
    const double share = trunc((double)totalKiB * (percent / 100.0));
    // A percentage from Java can ask for more than 64 bits hold: the result
    // stops at the largest value instead of being undefined.
    if (share >= 9223372036854775807.0) return INT64_MAX;
    if (share <= -9223372036854775808.0) return INT64_MIN;
    return (int64_t)share;
}

int64_t getDiskKByteFromPercent(const char* utf8Path, int32_t percent) {
    int64_t totalBytes, freeBytes;
    if (!volumeSpace(utf8Path, &totalBytes, &freeBytes)) return 0;
    return kiloBytesFromPercent(totalBytes / 1024, percent);
}
