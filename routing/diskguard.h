// The disk-space guard: compares the free space of a directory's volume with
// the thresholds of routing.conf (DISK_FREE_SIZE_MB, DISK_SLOWER_SIZE_MB).
#pragma once

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

// Guard results.
enum { DISK_SPACE_ENOUGH = 0, DISK_SPACE_LOW = 1, DISK_SPACE_EXHAUSTED = 2 };

// Checks the free space (in MB) of the volume that holds `path` (UTF-8; null
// or an unreadable path counts as 0 MB) against the thresholds of the most
// recent reading of routing.conf, lowered to a fifth when `lower` is set, and
// then reads routing.conf once to refresh them for later checks.
// Returns 2 below the hard limit, after "ERROR:  Can't send or receive data
// ..." on standard error. With `delay` set and the space below the slow-down
// level, writes "WARNING: disk space low ..." on standard output, sleeps 0 to
// 15 seconds (longer the less space is left) and returns 1. Else 0.
int checkDiskSpace(const char* path, int delay, int lower);

// checkDiskSpace with the thresholds as configured.
int checkFreeSpace(const char* path, int delay);

// checkDiskSpace on the container directory of a fresh reading of
// routing.conf, so with the thresholds of that reading.
int checkContainerSpace(int delay, int lower);

// A threshold lowered to a fifth, truncated (500 gives 100, 1024 gives 204).
int32_t loweredThreshold(int32_t thresholdMb);

// The delay for `freeMb` below the slow-down level `slowMb`:
// |(free - slow) / slow| x 15 seconds, truncated.
int guardDelaySeconds(int64_t freeMb, int32_t slowMb);

#ifdef __cplusplus
}
#endif
