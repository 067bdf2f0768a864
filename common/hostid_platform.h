// What the host-identification rules of hostid.cpp and the platform sources
// of hostid_win32.cpp / hostid_posix.cpp share, and the seams tests use.
#pragma once

#include <stddef.h>
#include <stdint.h>
#include <time.h>

// A machine id list while it is built: `entries` ends in a null entry once
// it holds one, and is null while empty.
struct MachineIdList {
    char** entries;
    size_t count;
};

// Appends an adapter address unless it begins with "00:50:56:C0:00" (VMware's
// host-only adapters) or "08:00". Called while the list is built (under the
// list lock, which guards the shared formatting buffer).
void addAdapterAddress(MachineIdList* list, const unsigned char address[6]);

// Appends the disc entry of a volume serial.
void addVolumeSerial(MachineIdList* list, uint32_t serial);

// Platform sources: the adapter addresses in the system's order (false when
// memory for the query ran out: the list then ends as it is), and the serial
// of the system volume (false when it cannot be read).
bool collectAdapterAddresses(MachineIdList* list);
bool readSystemVolumeSerial(uint32_t* serial);
long hostProcessId(void);

// The clock and process id behind unique ids; tests replace them.
struct HostIdCalls {
    time_t (*now)(void);
    long (*processId)(void);
};
extern HostIdCalls hostIdCalls;

// Test only: forgets the host id and the unique-id second and counter.
void resetHostIdState(void);

// The host id that a machine id yields (0 when none can be read from it).
int hostIdOfMachineId(const char* machineId);
