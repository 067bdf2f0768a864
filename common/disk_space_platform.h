// The volume query behind the disk-space functions of utilglobal.h; one
// implementation in disk_space_win32.cpp, one in disk_space_posix.cpp.
#pragma once

#include <stdint.h>

// Total and free bytes of the volume that holds `path` (a path as
// getShortPathFromUTF8 returns it). False with the system's last error set.
bool queryVolumeSpace(const char* path, int64_t* totalBytes, int64_t* freeBytes);

// totalKiB × (percent / 100.0) in double precision, truncated toward zero and
// held to the 64-bit range. Built with SSE arithmetic on every Windows
// architecture, so the result never depends on the x87 precision setting of
// the calling program.
int64_t kiloBytesFromPercent(int64_t totalKiB, int32_t percent);

// The calling thread's last system error: GetLastError() or errno.
int lastVolumeError(void);
