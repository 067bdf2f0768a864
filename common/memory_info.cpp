// Memory figures in KiB for the Java application.
#include "memory_info_platform.h"
#include "utilglobal.h"

uint32_t kibFromBytes(uint64_t bytes) {
    const double kib = (double)bytes / 1024;
    // Clamped, not wrapped: 16 GiB must not read as a few MiB, nor 4 TiB as 0.
    return kib >= 4294967295.0 ? UINT32_MAX : (uint32_t)kib;
}

void getMemoryInfo(MemoryInfo* info) {
    if (info == nullptr) return;
    *info = MemoryInfo{};
    MemoryBytes bytes;
    if (!readMemoryStatus(&bytes)) return;
    info->availPhys = kibFromBytes(bytes.availPhys);
    info->totalPhys = kibFromBytes(bytes.totalPhys);
    info->availPageFile = kibFromBytes(bytes.availPageFile);
    info->totalPageFile = kibFromBytes(bytes.totalPageFile);
    info->totalVirtual = kibFromBytes(bytes.totalVirtual);
    info->availVirtual = kibFromBytes(bytes.availVirtual);
}
