// The address space of the running process on Linux, for the memory figures
// of both deliverables.
#pragma once

#include <stdint.h>

// The bytes the process may map: its RLIMIT_AS when it has one, else the user
// part of the address space (47 bits on 64-bit Linux, 3 GiB on 32-bit).
uint64_t addressSpaceLimit(void);

// The bytes the process has mapped, from the first figure of
// /proc/self/statm; 0 when unknown.
uint64_t addressSpaceInUse(void);
