// The volume query behind the disk-space functions of utilglobal.h; one
// implementation in disk_space_win32.cpp, one in disk_space_posix.cpp.
#pragma once

#include <stdint.h>

// Total and free bytes of the volume that holds `path` (a path as
// getShortPathFromUTF8 returns it). False with the system's last error set.
bool queryVolumeSpace(const char* path, int64_t* totalBytes, int64_t* freeBytes);

// The calling thread's last system error: GetLastError() or errno.
int lastVolumeError(void);
