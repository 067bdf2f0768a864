// The machine-id rules, host id and unique ids on a machine the test
// declares.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <set>
#include <string>
#include <thread>
#include <vector>

#include "fake_machine.h"
#include "hostid.h"
#include "hostid_platform.h"

namespace {

std::string taken(char* text) {
    std::string copy = text != nullptr ? text : "(null)";
    free(text);
    return copy;
}

TEST(MachineIds, AdaptersThenTheVolumeSerialLeavingOutVMwareHostOnlyAdapters) {
    FakeMachineSpec spec = exampleMachine();
    FakeMachine machine(spec);
    EXPECT_EQ(machineIds(), (std::vector<std::string>{"00:0C:29:12:34:56", "disc:00:00:1A:2B:3C:4D"}));
    EXPECT_EQ(taken(getFirstMachineId()), "00:0C:29:12:34:56");
}

TEST(MachineIds, OnlyAddressesBeginningWith0800AreLeftOut) {
    FakeMachineSpec spec;
    spec.adapters = {{0x08, 0x00, 0x27, 0x01, 0x02, 0x03}, {0x08, 0x01, 0x27, 0x01, 0x02, 0x03},
                     {0x00, 0x50, 0x56, 0xC0, 0x01, 0x08}, {0x00, 0x50, 0x56, 0xC0, 0x00, 0x01}};
    FakeMachine machine(spec);
    EXPECT_EQ(machineIds(), (std::vector<std::string>{"08:01:27:01:02:03", "00:50:56:C0:01:08"}));
}

TEST(MachineIds, AnAddressOfAnotherLengthIsShownAndLeftOut) {
    FakeMachineSpec spec;
    spec.adapters = {{0x02, 0x00, 0x5E, 0x10, 0x00, 0x00, 0x00, 0x01}, {0x52, 0x54, 0x00, 0xAB, 0xCD, 0xEF}};
    FakeMachine machine(spec);
    testing::internal::CaptureStdout();
    const std::vector<std::string> ids = machineIds();
    fflush(stdout);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "\tUnknown Adapter Addr: \t02-00-5E-10-00-00-00-01\n");
    EXPECT_EQ(ids, std::vector<std::string>{"52:54:00:AB:CD:EF"});
}

TEST(MachineIds, OnAVMwareGuestEveryEntryIsMarked) {
    FakeMachineSpec spec = exampleMachine();
    spec.vmware = true;
    FakeMachine machine(spec);
    EXPECT_EQ(machineIds(), (std::vector<std::string>{"vmware:00:0C:29:12:34:56", "vmware:disc:00:00:1A:2B:3C:4D"}));
    EXPECT_EQ(computeHostId(), 197) << "the host id reads behind the mark";
}

TEST(MachineIds, NoAdapterAndNoSerialGiveNoListAndUnknown) {
    FakeMachineSpec spec;
    spec.vmware = true;
    FakeMachine machine(spec);
    testing::internal::CaptureStdout();
    char** list = getMachineIdList();
    EXPECT_EQ(list, nullptr);
    EXPECT_EQ(taken(getFirstMachineId()), "UNKNOWN");
    EXPECT_EQ(computeHostId(), 0);
    testing::internal::GetCapturedStdout();
}

TEST(HostId, SumOfTheLastFourBytesOfTheFirstMachineId) {
    FakeMachineSpec spec = exampleMachine();
    FakeMachine machine(spec);
    EXPECT_EQ(computeHostId(), 0x29 + 0x12 + 0x34 + 0x56);
    // Once known it stays, whatever the machine shows later.
    spec.adapters = {{0x00, 0x0C, 0x29, 0xFF, 0xFF, 0xFF}};
    EXPECT_EQ(computeHostId(), 197);
}

TEST(HostId, OfEntriesThatAreNoAdapterAddress) {
    EXPECT_EQ(hostIdOfMachineId("disc:00:00:1A:2B:3C:4D"), 0x1A + 0x2B + 0x3C + 0x4D);
    EXPECT_EQ(hostIdOfMachineId("vmware:disc:00:00:1A:2B:3C:4D"), 0x1A + 0x2B + 0x3C + 0x4D);
    EXPECT_EQ(hostIdOfMachineId("vmware:00:0C:29:12:34:56"), 197);
    EXPECT_EQ(hostIdOfMachineId("ff:ff:ff:ff:ff:ff"), 1020);
    EXPECT_EQ(hostIdOfMachineId("UNKNOWN"), 0);
    EXPECT_EQ(hostIdOfMachineId("00:0C:29:12"), 0) << "no field is read past the text";
    EXPECT_EQ(hostIdOfMachineId("00:0C:29:12:34:5"), 0);
    EXPECT_EQ(hostIdOfMachineId("00-0C-29-12-34-56"), 0);
    EXPECT_EQ(hostIdOfMachineId(""), 0);
}

TEST(HostId, OfTheVolumeSerialWhenThereIsNoAdapter) {
    FakeMachineSpec spec;
    spec.hasVolumeSerial = true;
    spec.volumeSerial = 0x01020304;
    FakeMachine machine(spec);
    testing::internal::CaptureStdout();
    EXPECT_EQ(computeHostId(), 10);
    testing::internal::GetCapturedStdout();
}

// The clock and process id of unique ids, set by the test.
time_t testNow = 1000;
time_t fixedNow(void) { return testNow; }
long fixedProcessId(void) { return 42; }

struct FixedClock {
    HostIdCalls saved = hostIdCalls;
    FixedClock() { hostIdCalls = {fixedNow, fixedProcessId}; }
    ~FixedClock() { hostIdCalls = saved; }
};

TEST(UniqueId, CountsWithinOneSecondAndStartsAgainInTheNext) {
    FakeMachineSpec spec = exampleMachine();
    FakeMachine machine(spec);
    FixedClock clock;
    testNow = 1000;
    EXPECT_EQ(taken(getUniqueId()), "0x000000c5.42.1000.1");
    EXPECT_EQ(taken(getUniqueId()), "0x000000c5.42.1000.2");
    EXPECT_EQ(taken(getUniqueId()), "0x000000c5.42.1000.3");
    testNow = 1001;
    EXPECT_EQ(taken(getUniqueId()), "0x000000c5.42.1001.1");
}

TEST(UniqueId, ThreadsWithinOneSecondNeverShareAnId) {
    FakeMachineSpec spec = exampleMachine();
    FakeMachine machine(spec);
    FixedClock clock;
    testNow = 2000;
    const int threads = 8, perThread = 500;
    std::vector<std::vector<std::string>> issued(threads);
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; t++) {
        workers.emplace_back([&issued, t] {
            for (int i = 0; i < perThread; i++) issued[t].push_back(taken(getUniqueId()));
        });
    }
    for (std::thread& worker : workers) worker.join();
    std::set<std::string> distinct;
    for (const auto& ids : issued) distinct.insert(ids.begin(), ids.end());
    EXPECT_EQ(distinct.size(), (size_t)threads * perThread);
    EXPECT_EQ(distinct.count("0x000000c5.42.2000." + std::to_string(threads * perThread)), 1u);
}

TEST(MachineIds, ListsBuiltOnSeveralThreadsAtOnceAreWhole) {
    FakeMachineSpec spec = exampleMachine();
    spec.vmware = true;
    FakeMachine machine(spec);
    const std::vector<std::string> expected = machineIds();
    std::vector<int> wrong(4, 0);
    std::vector<std::thread> workers;
    for (int t = 0; t < 4; t++) {
        workers.emplace_back([&wrong, &expected, t] {
            for (int i = 0; i < 200; i++) wrong[t] += machineIds() != expected;
        });
    }
    for (std::thread& worker : workers) worker.join();
    EXPECT_EQ(wrong, std::vector<int>(4, 0));
}

}  // namespace
