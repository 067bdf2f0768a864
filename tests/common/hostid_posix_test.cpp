// The Linux sources: which interfaces of /sys/class/net count, in which
// order, and the real system checked against "ip link" and statfs.
#include <gtest/gtest.h>

#include <stdio.h>
#include <sys/vfs.h>

#include <string>
#include <vector>

#include "fake_machine.h"
#include "hostid.h"
#include "hostid_platform.h"
#include "hostid_posix.h"
#include "test_support.h"

namespace {

using tarvo_test::TempDir;
using tarvo_test::writeFile;

struct SysfsRoot {
    HostIdPosixCalls saved = hostIdPosixCalls;
    TempDir dir;
    std::string root = dir.str();
    SysfsRoot() {
        hostIdPosixCalls.sysfsRoot = root.c_str();
        hostIdPosixCalls.volumePath = "/nonexistent-volume-of-the-host-id-test";
    }
    ~SysfsRoot() { hostIdPosixCalls = saved; }
    void addInterface(const std::string& name, const std::string& index, const std::string& flags,
                      const std::string* address) {
        const std::filesystem::path folder = dir.path() / "class" / "net" / name;
        std::filesystem::create_directories(folder);
        writeFile(folder / "ifindex", index);
        writeFile(folder / "flags", flags);
        if (address != nullptr) writeFile(folder / "address", *address);
    }
};

TEST(LinuxAdapters, InterfaceIndexOrderWithoutLoopbackZeroOrMissingAddresses) {
    SysfsRoot sysfs;
    const std::string addresses[] = {"00:00:00:00:00:00\n", "52:54:00:aa:bb:0a\n", "52:54:00:aa:bb:02\n",
                                     "\n", "02:00:00:00:00:07\n", "zz:54:00:aa:bb:02\n", "52:54:00:aa:bb:0c:\n"};
    sysfs.addInterface("lo", "1\n", "0x9\n", &addresses[0]);
    sysfs.addInterface("eth10", "10\n", "0x1003\n", &addresses[1]);
    sysfs.addInterface("eth2", "2\n", "0x1002\n", &addresses[2]);  // down, still an adapter
    sysfs.addInterface("wg0", "3\n", "0x91\n", &addresses[3]);     // no hardware address
    sysfs.addInterface("dummy0", "4\n", "0x1003\n", &addresses[0]);
    sysfs.addInterface("lo2", "5\n", "0x9\n", &addresses[4]);
    sysfs.addInterface("bad0", "6\n", "0x1003\n", &addresses[5]);
    sysfs.addInterface("bad1", "7\n", "0x1003\n", &addresses[6]);
    sysfs.addInterface("gone", "8\n", "0x1003\n", nullptr);
    testing::internal::CaptureStdout();
    const std::vector<std::string> ids = machineIds();
    fflush(stdout);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "") << "texts that are no address are no adapter";
    EXPECT_EQ(ids, (std::vector<std::string>{"52:54:00:AA:BB:02", "52:54:00:AA:BB:0A"}));
    EXPECT_FALSE(isVMware()) << "no DMI vendor is no VMware";
}

TEST(LinuxAdapters, NoNetworkFolderAndNoVolumeGiveNoList) {
    SysfsRoot sysfs;
    EXPECT_EQ(getMachineIdList(), nullptr);
}

// "link/ether" addresses of "ip -o link", in its order, upper case.
std::vector<std::string> ipLinkAddresses() {
    std::vector<std::string> addresses;
    FILE* output = popen("ip -o link 2>/dev/null", "r");
    if (output == nullptr) return addresses;
    char line[1024];
    while (fgets(line, sizeof line, output) != nullptr) {
        const char* ether = strstr(line, "link/ether ");
        if (ether == nullptr) continue;
        std::string address(ether + 11, 17);
        for (char& c : address) c = (char)toupper((unsigned char)c);
        if (address == "00:00:00:00:00:00" || address.compare(0, 5, "08:00") == 0 ||
            address.compare(0, 14, "00:50:56:C0:00") == 0) {
            continue;
        }
        addresses.push_back(address);
    }
    pclose(output);
    return addresses;
}

TEST(LinuxAdapters, RealSystemMatchesIpLinkAndTheRootFileSystemId) {
    std::vector<std::string> ids = machineIds();
    struct statfs root;
    ASSERT_EQ(statfs("/", &root), 0);
    char disc[32];
    const uint32_t serial = (uint32_t)root.f_fsid.__val[0];
    snprintf(disc, sizeof disc, "disc:00:00:%02X:%02X:%02X:%02X", serial >> 24, (serial >> 16) & 0xFF,
             (serial >> 8) & 0xFF, serial & 0xFF);
    ASSERT_FALSE(ids.empty());
    EXPECT_EQ(ids.back(), disc);
    ids.pop_back();
    EXPECT_EQ(ids, ipLinkAddresses());
}

}  // namespace
