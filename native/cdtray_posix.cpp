// The drive's tray through the CD-ROM ioctls of the Linux kernel. A device
// that does not answer the CD-ROM capability query is refused at the open,
// so no tray command ever reaches a device that is not a CD drive.
#include <errno.h>
#include <fcntl.h>
#include <linux/cdrom.h>
#include <stdio.h>
#include <string.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include "cdtray.h"

bool trayDevicePath(const char* drive, char* path, size_t capacity) {
    if (drive[0] == '/') {
        const size_t length = strlen(drive);
        if (length >= capacity) return false;
        memcpy(path, drive, length + 1);
        return true;
    }
    const char letter = (drive[0] >= 'a' && drive[0] <= 'z') ? (char)(drive[0] - 'a' + 'A') : drive[0];
    if (letter < 'D' || letter > 'Z') return false;
    const int written = snprintf(path, capacity, "/dev/sr%d", letter - 'D');
    return written > 0 && (size_t)written < capacity;
}

long trayOpenDevice(const char* drive, TrayDevice* device) {
    char path[4096];
    if (!trayDevicePath(drive, path, sizeof path)) return ENODEV;
    // Without O_NONBLOCK the open waits for a disc and fails on an empty drive.
    const int descriptor = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0) return errno;
    const int capability = ioctl(descriptor, CDROM_GET_CAPABILITY, 0);
    if (capability < 0) {
        const int error = errno;
        close(descriptor);
        return error;
    }
    device->descriptor = descriptor;
    device->capability = capability;
    return 0;
}

long trayCanEject(TrayDevice* device, bool* canEject) {
    *canEject = (device->capability & CDC_OPEN_TRAY) != 0;
    return 0;
}

long trayOpenDoor(TrayDevice* device) { return ioctl(device->descriptor, CDROMEJECT, 0) < 0 ? errno : 0; }

long trayCloseDoor(TrayDevice* device) {
    return ioctl(device->descriptor, CDROMCLOSETRAY, 0) < 0 ? errno : 0;
}

long trayCloseDevice(TrayDevice* device) { return close(device->descriptor) < 0 ? errno : 0; }

bool trayErrorText(long error, char* text, size_t capacity) {
    if (strerrorname_np((int)error) == nullptr) return false;
    char buffer[256];
    snprintf(text, capacity, "%s", strerror_r((int)error, buffer, sizeof buffer));
    return true;
}
