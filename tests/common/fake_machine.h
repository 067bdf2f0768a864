// A machine whose adapters, system volume and VMware answer are what a test
// declares, put behind the host-identification seams for the life of the
// object (and the host id forgotten on both ends).
#pragma once

#include <stdint.h>

#include <memory>
#include <vector>

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
