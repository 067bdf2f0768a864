// A machine whose adapters, system volume and VMware answer are what a test
// declares, put behind the host-identification seams for the life of the
// object (and the host id forgotten on both ends).
#pragma once

#include <stdint.h>

#include <memory>
#include <string>
#include <vector>

#include "hostid.h"

struct FakeMachineSpec {
    // Hardware addresses in the order the system reports them; an address of
    // another length than 6 is an adapter of another kind.
    std::vector<std::vector<unsigned char>> adapters;
    bool hasVolumeSerial = false;
    uint32_t volumeSerial = 0;
    bool vmware = false;
};

class FakeMachine {
public:
    explicit FakeMachine(const FakeMachineSpec& spec);
    ~FakeMachine();
    FakeMachine(const FakeMachine&) = delete;
    FakeMachine& operator=(const FakeMachine&) = delete;

    struct Platform;

private:
    std::unique_ptr<Platform> platform_;
};

// Adapters 00:0C:29:12:34:56 and 00:50:56:C0:00:08 (a VMware host-only
// adapter) and a system volume with the serial 1A2B3C4D.
inline FakeMachineSpec exampleMachine() {
    FakeMachineSpec spec;
    spec.adapters = {{0x00, 0x0C, 0x29, 0x12, 0x34, 0x56}, {0x00, 0x50, 0x56, 0xC0, 0x00, 0x08}};
    spec.hasVolumeSerial = true;
    spec.volumeSerial = 0x1A2B3C4D;
    return spec;
}

// The entries of a fresh getMachineIdList.
inline std::vector<std::string> machineIds() {
    std::vector<std::string> ids;
    char** list = getMachineIdList();
    for (char** entry = list; entry != nullptr && *entry != nullptr; entry++) ids.push_back(*entry);
    freeMachineIdList(list);
    return ids;
}
