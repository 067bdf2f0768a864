// The host checks before a viewer starts: operating-system version, memory
// and colour depth.
#pragma once

#include <stdint.h>

// True when the operating system is supported; verbose mode shows its
// version.
bool checkOsVersion(void);

// The rule for a version as Windows reports it: the Windows 95 family
// (platform 1) from 4.10 and 4.90, the NT family (platform 2) from 5.0.
bool isOsVersionSupported(unsigned long platform, unsigned long major, unsigned long minor);

// The bytes a memory setting of `megabytes` requires, in 64-bit arithmetic;
// a negative setting requires nothing.
uint64_t requiredMemoryBytes(int32_t megabytes);

// True when the installed physical memory and the free virtual address space
// of the process reach the given byte counts (inclusive).
bool checkMemory(uint64_t requiredPhysical, uint64_t requiredVirtual);

// Bits per pixel of the primary display's current mode, -1 when unknown.
int getColorDepth(void);
