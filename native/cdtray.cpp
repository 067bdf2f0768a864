// The steps of opening or closing a drive's tray and how a failing step is
// reported; nothing reaches the Java caller.
#include "cdtray.h"

#include "printJNI.h"

namespace {

// Size of the buffer for the system's error text.
const size_t kErrorTextCapacity = 128;

// "<message>: <error text>", only when the system has a text for the error.
void reportTrayError(const char* message, long error) {
    char text[kErrorTextCapacity];
    if (trayErrorText(error, text, sizeof text)) jniPrintf(stderr, "%s: %s\n", message, text);
}

}  // namespace

void openCloseTray(const char* drive, bool open) {
    if (drive == nullptr) return;
    TrayDevice device = {-1, 0};
    long error = trayOpenDevice(drive, &device);
    if (error != 0) {
        reportTrayError("could not open cdrom driver", error);
        return;
    }
    if (open) {
        bool canEject = false;
        error = trayCanEject(&device, &canEject);
        if (error != 0) {
            reportTrayError("can't query capabilities", error);
        } else if (canEject && (error = trayOpenDoor(&device)) != 0) {
            reportTrayError("could not open door", error);
        }
    } else if ((error = trayCloseDoor(&device)) != 0) {
        reportTrayError("could not close door", error);
    }
    if ((error = trayCloseDevice(&device)) != 0) reportTrayError("could not close cdrom driver", error);
}
