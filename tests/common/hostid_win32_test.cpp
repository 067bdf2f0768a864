// The Windows sources: the query's retry and failures, the NetBIOS fallback,
// and the real calls under Wine checked against what Linux shows through Z:.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "fake_machine.h"
#include "hostid.h"
#include "hostid_platform.h"
#include "hostid_win32.h"

namespace {

const ULONG kOneRecord = (ULONG)sizeof(IP_ADAPTER_INFO);  // 640 bytes in a 32-bit program

// Records the sizes GetAdaptersInfo is asked with, and fails allocations on demand.
std::vector<ULONG> askedSizes;
GetAdaptersInfoFunction fakeQuery;
DWORD WINAPI recordingQuery(PIP_ADAPTER_INFO buffer, PULONG size) {
    askedSizes.push_back(*size);
    return fakeQuery(buffer, size);
}
FARPROC WINAPI recordingProcAddress(HMODULE, LPCSTR) { return (FARPROC)(void*)recordingQuery; }

int allocationsLeft;
LPVOID WINAPI limitedHeapAlloc(HANDLE heap, DWORD flags, SIZE_T size) {
    if (allocationsLeft-- <= 0) return nullptr;
    return HeapAlloc(heap, flags, size);
}

struct RecordedQuery {
    HostIdWin32Calls saved = hostIdWin32Calls;
    explicit RecordedQuery(int allocations) {
        askedSizes.clear();
        fakeQuery = (GetAdaptersInfoFunction)(void*)hostIdWin32Calls.getProcAddress(nullptr, "GetAdaptersInfo");
        hostIdWin32Calls.getProcAddress = recordingProcAddress;
        allocationsLeft = allocations;
        hostIdWin32Calls.heapAlloc = limitedHeapAlloc;
    }
    ~RecordedQuery() { hostIdWin32Calls = saved; }
};

TEST(AdapterQuery, AsksWithOneRecordThenWithTheSizeTheSystemNamed) {
    FakeMachineSpec spec = exampleMachine();
    FakeMachine machine(spec);
    RecordedQuery query(2);
    EXPECT_EQ(machineIds(), (std::vector<std::string>{"00:0C:29:12:34:56", "disc:00:00:1A:2B:3C:4D"}));
    EXPECT_EQ(askedSizes, (std::vector<ULONG>{kOneRecord, 2 * kOneRecord}));
}

TEST(AdapterQuery, OneAdapterFitsTheFirstBufferAndIsStillAskedTwice) {
    FakeMachineSpec spec;
    spec.adapters = {{0x52, 0x54, 0x00, 0x01, 0x02, 0x03}};
    FakeMachine machine(spec);
    RecordedQuery query(1);
    EXPECT_EQ(machineIds(), std::vector<std::string>{"52:54:00:01:02:03"});
    EXPECT_EQ(askedSizes, (std::vector<ULONG>{kOneRecord, kOneRecord}));
}

TEST(AdapterQuery, AFailedAllocationEndsTheListAsItIs) {
    FakeMachineSpec spec = exampleMachine();
    FakeMachine machine(spec);
    for (int allocations : {0, 1}) {
        RecordedQuery query(allocations);
        testing::internal::CaptureStdout();
        const std::vector<std::string> ids = machineIds();
        fflush(stdout);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "Error allocating memory needed to call GetAdaptersinfo\n");
        EXPECT_TRUE(ids.empty()) << allocations;
    }
}

TEST(AdapterQuery, AnErrorLeavesOutTheAdaptersButNotTheSerial) {
    FakeMachineSpec spec;
    spec.hasVolumeSerial = true;
    spec.volumeSerial = 0xCAFE;
    FakeMachine machine(spec);
    testing::internal::CaptureStdout();
    const std::vector<std::string> ids = machineIds();
    fflush(stdout);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "GetAdaptersInfo failed with error: 232\n");
    EXPECT_EQ(ids, std::vector<std::string>{"disc:00:00:00:00:CA:FE"});
}

// NetBIOS with three adapter numbers: 3 is Ethernet, 5 fails its reset, 7
// is of another type. Records the commands in the order given.
std::vector<std::string> netbiosCalls;
UCHAR APIENTRY fakeNetbios(PNCB ncb) {
    char call[64];
    snprintf(call, sizeof call, "%02X/%u/%u", ncb->ncb_command, ncb->ncb_lana_num, ncb->ncb_length);
    netbiosCalls.push_back(call);
    switch (ncb->ncb_command) {
    case NCBENUM: {
        LANA_ENUM* numbers = (LANA_ENUM*)ncb->ncb_buffer;
        numbers->length = 3;
        numbers->lana[0] = 3, numbers->lana[1] = 5, numbers->lana[2] = 7;
        return NRC_GOODRET;
    }
    case NCBRESET:
        return ncb->ncb_lana_num == 5 ? NRC_BRIDGE : NRC_GOODRET;
    case NCBASTAT: {
        if (memcmp(ncb->ncb_callname, "*               ", NCBNAMSZ) != 0) return NRC_NOWILD;
        ADAPTER_STATUS* status = (ADAPTER_STATUS*)ncb->ncb_buffer;
        const unsigned char address[6] = {0x00, 0x1B, 0x21, 0x0A, 0x0B, (unsigned char)ncb->ncb_lana_num};
        memcpy(status->adapter_address, address, 6);
        status->adapter_type = ncb->ncb_lana_num == 3 ? 0xFE : 0xFF;
        return NRC_GOODRET;
    }
    }
    return NRC_ILLCMD;
}
HMODULE WINAPI missingLibrary(LPCSTR) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
}

TEST(NetbiosFallback, WithoutTheIpHelperEthernetAdaptersComeFromNetbios) {
    FakeMachineSpec spec = exampleMachine();
    FakeMachine machine(spec);
    const HostIdWin32Calls saved = hostIdWin32Calls;
    hostIdWin32Calls.loadLibraryA = missingLibrary;
    hostIdWin32Calls.netbios = fakeNetbios;
    netbiosCalls.clear();
    testing::internal::CaptureStderr();
    const std::vector<std::string> ids = machineIds();
    // Without a sink of its own, the console prints the line with println's line end.
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "WARNING - Cannot load iphlpapi.dll, falling back to classic MAC detection...\n\n");
    hostIdWin32Calls = saved;
    EXPECT_EQ(ids, (std::vector<std::string>{"00:1B:21:0A:0B:03", "disc:00:00:1A:2B:3C:4D"}));
    EXPECT_EQ(netbiosCalls, (std::vector<std::string>{"37/0/256", "32/3/0", "33/3/600", "32/5/0", "32/7/0",
                                                      "33/7/600"}));
}

// The Linux interfaces Wine reports as adapters: every one of /sys/class/net
// (through drive Z:) but lo, with the same two filters.
std::vector<std::string> addressesFromSysfs() {
    std::vector<std::string> addresses;
    for (const auto& entry : std::filesystem::directory_iterator("Z:\\sys\\class\\net")) {
        if (entry.path().filename() == "lo") continue;
        std::ifstream file(entry.path() / "address");
        std::string address;
        std::getline(file, address);
        std::transform(address.begin(), address.end(), address.begin(), ::toupper);
        if (address.size() != 17 || address.compare(0, 5, "08:00") == 0 ||
            address.compare(0, 14, "00:50:56:C0:00") == 0) {
            continue;
        }
        addresses.push_back(address);
    }
    std::sort(addresses.begin(), addresses.end());
    return addresses;
}

TEST(RealSystem, AdaptersAreTheHostInterfacesAndTheDiscIsDriveC) {
    resetHostIdState();
    std::vector<std::string> ids = machineIds();
    ASSERT_FALSE(ids.empty());
    DWORD serial = 0;
    ASSERT_TRUE(GetVolumeInformationW(L"C:\\", nullptr, 0, &serial, nullptr, nullptr, nullptr, 0));
    char disc[32];
    snprintf(disc, sizeof disc, "disc:00:00:%02X:%02X:%02X:%02X", (unsigned)(serial >> 24) & 0xFF,
             (unsigned)(serial >> 16) & 0xFF, (unsigned)(serial >> 8) & 0xFF, (unsigned)serial & 0xFF);
    EXPECT_EQ(ids.back(), disc);
    ids.pop_back();
    std::sort(ids.begin(), ids.end());
    EXPECT_EQ(ids, addressesFromSysfs());
    EXPECT_NE(computeHostId(), 0);
}

TEST(RealSystem, NetbiosNamesAnAdapterTheIpHelperKnows) {
    std::vector<std::string> known = machineIds();
    const HostIdWin32Calls saved = hostIdWin32Calls;
    hostIdWin32Calls.loadLibraryA = missingLibrary;
    testing::internal::CaptureStderr();
    const std::vector<std::string> ids = machineIds();
    testing::internal::GetCapturedStderr();
    hostIdWin32Calls = saved;
    ASSERT_GE(ids.size(), 2u) << "an Ethernet adapter and the disc";
    EXPECT_EQ(ids.back(), known.back());
    for (size_t i = 0; i + 1 < ids.size(); i++) {
        EXPECT_NE(std::find(known.begin(), known.end(), ids[i]), known.end()) << ids[i];
    }
}

TEST(RealSystem, TheProbeRaisesNothingOutsideVMwareAndTheProgramGoesOn) {
    EXPECT_EQ(runVMwareProbe(), 0xA9B2A797u);
    EXPECT_FALSE(isVMware());
    // Probes on several threads at once each resume behind their own probe.
    std::vector<unsigned> answers(4);
    std::vector<std::thread> probes;
    for (int t = 0; t < 4; t++) {
        probes.emplace_back([&answers, t] {
            for (int i = 0; i < 50; i++) answers[t] |= runVMwareProbe() ^ 0xA9B2A797u;
        });
    }
    for (std::thread& probe : probes) probe.join();
    EXPECT_EQ(answers, std::vector<unsigned>(4, 0));
}

}  // namespace
