// The memory status behind getMemoryInfo; one implementation in
// memory_info_win32.cpp, one in memory_info_posix.cpp.
#pragma once

#include <stdint.h>

// The figures of MemoryInfo, in bytes.
struct MemoryBytes {
    uint64_t availPhys, totalPhys, availPageFile, totalPageFile, totalVirtual, availVirtual;
};

// False when the system cannot say.
bool readMemoryStatus(MemoryBytes* bytes);

// Bytes to KiB, divided in floating point and truncated; above 32 bits the
// largest 32-bit value.
uint32_t kibFromBytes(uint64_t bytes);
