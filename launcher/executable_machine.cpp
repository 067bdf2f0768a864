// Reads the machine type from a PE or ELF header with plain file reads.
#include "executable_machine.h"

#include <stdint.h>
#include <stdio.h>
#include <string.h>

// Reads `size` bytes at `offset`; false on a short file or a failed seek.
static bool readAt(FILE* file, long offset, unsigned char* buffer, size_t size) {
    return fseek(file, offset, SEEK_SET) == 0 && fread(buffer, 1, size, file) == size;
}

static uint32_t littleEndian(const unsigned char* bytes, int count) {
    uint32_t value = 0;
    for (int i = count - 1; i >= 0; --i) value = (value << 8) | bytes[i];
    return value;
}

static ExecutableMachine fromPeMachine(uint32_t machine) {
    switch (machine) {
        case 0x014c: return kMachineX86;
        case 0x8664: return kMachineX64;
        case 0xAA64: return kMachineArm64;
        default: return kMachineOther;
    }
}

static ExecutableMachine fromElfMachine(uint32_t machine) {
    switch (machine) {
        case 3: return kMachineX86;
        case 62: return kMachineX64;
        case 183: return kMachineArm64;
        default: return kMachineOther;
    }
}

// The DOS stub's e_lfanew points at "PE\0\0", followed by the COFF header
// whose first field is the machine.
static ExecutableMachine readPe(FILE* file) {
    unsigned char field[4];
    if (!readAt(file, 0x3C, field, 4)) return kMachineUnknown;
    const uint32_t peOffset = littleEndian(field, 4);
    if (peOffset > 0x10000000u) return kMachineUnknown;
    unsigned char header[6];
    if (!readAt(file, (long)peOffset, header, sizeof header)) return kMachineUnknown;
    if (memcmp(header, "PE\0\0", 4) != 0) return kMachineUnknown;
    return fromPeMachine(littleEndian(header + 4, 2));
}

// e_ident names the byte order; e_machine sits at offset 18 in both classes.
static ExecutableMachine readElf(const unsigned char* ident) {
    const unsigned char* machine = ident + 18;
    if (ident[5] == 1) return fromElfMachine(littleEndian(machine, 2));
    if (ident[5] == 2) return fromElfMachine((uint32_t)machine[0] << 8 | machine[1]);
    return kMachineUnknown;
}

ExecutableMachine readExecutableMachine(const char* path) {
    if (path == nullptr || path[0] == '\0') return kMachineUnknown;
    FILE* file = fopen(path, "rb");
    if (file == nullptr) return kMachineUnknown;
    unsigned char start[20];
    ExecutableMachine machine = kMachineUnknown;
    if (readAt(file, 0, start, sizeof start)) {
        if (start[0] == 'M' && start[1] == 'Z') {
            machine = readPe(file);
        } else if (memcmp(start, "\x7f" "ELF", 4) == 0) {
            machine = readElf(start);
        }
    }
    fclose(file);
    return machine;
}

const char* executableMachineName(ExecutableMachine machine) {
    switch (machine) {
        case kMachineX86: return "x86 (32-bit)";
        case kMachineX64: return "x64 (64-bit)";
        case kMachineArm64: return "ARM64 (64-bit)";
        case kMachineOther: return "another processor";
        default: return "unknown";
    }
}
