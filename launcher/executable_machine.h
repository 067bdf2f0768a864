// The processor an executable or shared library is built for, read from the
// file's own header (PE on Windows, ELF on Linux), so that the launcher can
// pick the native library that a Java runtime is able to load.
#pragma once

#include <string>
#include <vector>

enum ExecutableMachine {
    kMachineUnknown,  // not readable, or neither a PE nor an ELF file
    kMachineX86,      // 32-bit Intel (PE 0x014c, ELF EM_386)
    kMachineX64,      // 64-bit x86-64 (PE 0x8664, ELF EM_X86_64)
    kMachineArm64,    // 64-bit ARM (PE 0xAA64, ELF EM_AARCH64)
    kMachineOther     // a valid header naming another processor
};

// Reads the header of the file at `path` (the platform's encoding; links are
// followed). Never fails otherwise: anything unreadable is kMachineUnknown.
ExecutableMachine readExecutableMachine(const char* path);

// "x86 (32-bit)", "x64 (64-bit)", "ARM64 (64-bit)", "another processor",
// "unknown": for messages.
const char* executableMachineName(ExecutableMachine machine);

// The names of the DLLs a PE file imports, in the order of its import table;
// empty for an ELF file, a file without imports or anything unreadable.
// Works for a file of any processor, so a 32-bit program can list what a
// 64-bit DLL needs without loading it.
std::vector<std::string> readExecutableImports(const char* path);
