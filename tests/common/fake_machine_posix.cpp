// The fake machine on Linux: a sysfs tree of its own and a stand-in for
// statvfs.
#include "fake_machine.h"

#include <errno.h>
#include <stdio.h>
#include <string.h>

#include <string>

#include "hostid_platform.h"
#include "hostid_posix.h"
#include "test_support.h"

namespace {

const FakeMachineSpec* current = nullptr;

int fakeStatvfs(const char*, struct statvfs* volume) {
    if (!current->hasVolumeSerial) {
        errno = EACCES;
        return -1;
    }
    memset(volume, 0, sizeof *volume);
    volume->f_fsid = current->volumeSerial;
    return 0;
}

std::string addressText(const std::vector<unsigned char>& address) {
    std::string text;
    for (unsigned char byte : address) {
        char hex[4];
        snprintf(hex, sizeof hex, "%s%02x", text.empty() ? "" : ":", byte);
        text += hex;
    }
    return text + "\n";
}

}  // namespace

struct FakeMachine::Platform {
    HostIdPosixCalls saved;
    tarvo_test::TempDir sysfs;
    std::string root;
};

FakeMachine::FakeMachine(const FakeMachineSpec& spec) : platform_(new Platform{hostIdPosixCalls, {}, {}}) {
    current = &spec;
    platform_->root = platform_->sysfs.str();
    const std::filesystem::path net = platform_->sysfs.path() / "class" / "net";
    // The loopback interface, as every machine has it.
    std::filesystem::create_directories(net / "lo");
    tarvo_test::writeFile(net / "lo" / "ifindex", "1\n");
    tarvo_test::writeFile(net / "lo" / "flags", "0x9\n");
    tarvo_test::writeFile(net / "lo" / "address", "00:00:00:00:00:00\n");
    for (size_t i = 0; i < spec.adapters.size(); i++) {
        // Names that sort against the index order, which is the one that counts.
        const std::filesystem::path adapter = net / ("net" + std::to_string(spec.adapters.size() - i));
        std::filesystem::create_directories(adapter);
        tarvo_test::writeFile(adapter / "ifindex", std::to_string(i + 2) + "\n");
        tarvo_test::writeFile(adapter / "flags", "0x1003\n");
        tarvo_test::writeFile(adapter / "address", addressText(spec.adapters[i]));
    }
    std::filesystem::create_directories(platform_->sysfs.path() / "class" / "dmi" / "id");
    tarvo_test::writeFile(platform_->sysfs.path() / "class" / "dmi" / "id" / "sys_vendor",
                          spec.vmware ? "VMware, Inc.\n" : "QEMU\n");
    hostIdPosixCalls.sysfsRoot = platform_->root.c_str();
    hostIdPosixCalls.statvfs = fakeStatvfs;
    resetHostIdState();
}

FakeMachine::~FakeMachine() {
    hostIdPosixCalls = platform_->saved;
    current = nullptr;
    resetHostIdState();
}
