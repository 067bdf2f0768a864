// Machine-id sources on Linux: the adapters of /sys/class/net in interface
// index order, the root file system's id as the volume serial and the DMI
// vendor for VMware.
#include <ctype.h>
#include <dirent.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "hostid.h"
#include "hostid_platform.h"
#include "hostid_posix.h"

HostIdPosixCalls hostIdPosixCalls = {"/sys", "/", statvfs};

long hostProcessId(void) { return (long)getpid(); }

// The first line of a small sysfs file, without its line end; empty when it
// cannot be read.
static std::string readFirstLine(const std::string& path) {
    FILE* file = fopen(path.c_str(), "r");
    if (file == NULL) return "";
    char line[256];
    std::string text;
    if (fgets(line, sizeof line, file) != NULL) text = line;
    fclose(file);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    return text;
}

// Parses "xx:xx:...:xx" into at most `capacity` bytes; -1 when the text is not
// of that form.
static int parseHardwareAddress(const std::string& text, unsigned char* bytes, int capacity) {
    int count = 0;
    size_t at = 0;
    while (at < text.size()) {
        if (count == capacity || at + 2 > text.size()) return -1;
        const char digits[3] = {text[at], text[at + 1], '\0'};
        if (!isxdigit((unsigned char)digits[0]) || !isxdigit((unsigned char)digits[1])) return -1;
        bytes[count++] = (unsigned char)strtoul(digits, NULL, 16);
        at += 2;
        if (at == text.size()) break;
        if (text[at] != ':' || at + 1 == text.size()) return -1;
        at++;
    }
    return count;
}

struct NetInterface {
    long index;
    std::string name;
};

// The interfaces of class/net, ordered by interface index (the order of
// "ip link"), then by name.
static std::vector<NetInterface> listInterfaces(const std::string& folder) {
    std::vector<NetInterface> interfaces;
    DIR* directory = opendir(folder.c_str());
    if (directory == NULL) return interfaces;
    while (const dirent* entry = readdir(directory)) {
        if (entry->d_name[0] == '.') continue;
        const std::string index = readFirstLine(folder + "/" + entry->d_name + "/ifindex");
        interfaces.push_back({index.empty() ? 0 : strtol(index.c_str(), NULL, 10), entry->d_name});
    }
    closedir(directory);
    std::sort(interfaces.begin(), interfaces.end(), [](const NetInterface& a, const NetInterface& b) {
        return a.index != b.index ? a.index < b.index : a.name < b.name;
    });
    return interfaces;
}

static const unsigned long kLoopbackFlag = 0x8;  // IFF_LOOPBACK

bool collectAdapterAddresses(MachineIdList* list) {
    const std::string folder = std::string(hostIdPosixCalls.sysfsRoot) + "/class/net";
    for (const NetInterface& interface : listInterfaces(folder)) {
        const std::string base = folder + "/" + interface.name;
        const std::string flags = readFirstLine(base + "/flags");
        if (strtoul(flags.c_str(), NULL, 16) & kLoopbackFlag) continue;
        unsigned char address[32];
        const int length = parseHardwareAddress(readFirstLine(base + "/address"), address, sizeof address);
        // Interfaces without a hardware address (tunnels, wireguard) are no adapters here.
        if (length <= 0) continue;
        if (length != 6) {
            printf("\tUnknown Adapter Addr: \t");
            for (int i = 0; i < length; i++) printf(i + 1 < length ? "%.2X-" : "%.2X\n", address[i]);
            continue;
        }
        if (std::all_of(address, address + 6, [](unsigned char b) { return b == 0; })) continue;
        addAdapterAddress(list, address);
    }
    return true;
}

bool readSystemVolumeSerial(uint32_t* serial) {
    struct statvfs volume;
    if (hostIdPosixCalls.statvfs(hostIdPosixCalls.volumePath, &volume) != 0) return false;
    // The low half of the file system id: on ext4, xfs and btrfs it is
    // derived from the file system's UUID, so it lasts as long as the file
    // system does.
    *serial = (uint32_t)volume.f_fsid;
    return true;
}

bool isVMware(void) {
    const std::string vendor = readFirstLine(std::string(hostIdPosixCalls.sysfsRoot) + "/class/dmi/id/sys_vendor");
    return vendor.compare(0, 6, "VMware") == 0;
}
