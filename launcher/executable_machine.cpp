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

// The file offset of a relative virtual address, by the section that holds
// it; 0 when none does.
static long fileOffsetOf(FILE* file, long sections, unsigned count, uint32_t rva) {
    for (unsigned i = 0; i < count; ++i) {
        unsigned char section[40];
        if (!readAt(file, sections + 40L * i, section, sizeof section)) return 0;
        const uint32_t virtualAddress = littleEndian(section + 12, 4);
        const uint32_t size = littleEndian(section + 16, 4);  // size of raw data
        const uint32_t raw = littleEndian(section + 20, 4);
        if (rva >= virtualAddress && rva - virtualAddress < size) return (long)(raw + (rva - virtualAddress));
    }
    return 0;
}

std::vector<std::string> readExecutableImports(const char* path) {
    std::vector<std::string> names;
    if (readExecutableMachine(path) == kMachineUnknown) return names;
    FILE* file = fopen(path, "rb");
    if (file == nullptr) return names;
    unsigned char field[4], coff[20], magic[2];
    // The COFF header follows "PE\0\0"; the optional header follows it, and
    // its import directory entry sits at 104 (PE32) or 120 (PE32+).
    if (readAt(file, 0x3C, field, 4) && littleEndian(field, 4) <= 0x10000000u) {
        const long pe = (long)littleEndian(field, 4);
        if (readAt(file, pe + 4, coff, sizeof coff) && readAt(file, pe + 24, magic, 2)) {
            const unsigned sectionCount = littleEndian(coff + 2, 2);
            const long optionalSize = (long)littleEndian(coff + 16, 2);
            const long sections = pe + 24 + optionalSize;
            const uint32_t kind = littleEndian(magic, 2);
            const long directory = pe + 24 + (kind == 0x20b ? 120 : 104);
            unsigned char entry[8];
            long descriptor = 0;
            if ((kind == 0x10b || kind == 0x20b) && readAt(file, directory, entry, 8) &&
                littleEndian(entry, 4) != 0) {
                descriptor = fileOffsetOf(file, sections, sectionCount, littleEndian(entry, 4));
            }
            // Descriptors of 20 bytes, ended by one of zeros; bounded against a
            // damaged file.
            for (int i = 0; descriptor != 0 && i < 1024; ++i, descriptor += 20) {
                unsigned char import[20];
                if (!readAt(file, descriptor, import, sizeof import)) break;
                const uint32_t nameRva = littleEndian(import + 12, 4);
                if (nameRva == 0) break;
                const long nameAt = fileOffsetOf(file, sections, sectionCount, nameRva);
                char name[256];
                if (nameAt == 0 || fseek(file, nameAt, SEEK_SET) != 0) break;
                const size_t got = fread(name, 1, sizeof name - 1, file);
                name[got] = '\0';
                names.push_back(std::string(name, strnlen(name, got)));
            }
        }
    }
    fclose(file);
    return names;
}
