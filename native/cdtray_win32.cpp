// The drive's tray through the multimedia command strings, under the fixed
// device alias cddrive (one per process: an overlapping call fails at its
// open with the system's duplicate-alias error).
#include <windows.h>

#include <stdio.h>
#include <string.h>

#include "cdtray.h"

const TrayCalls kSystemTrayCalls = {mciSendStringA, mciGetErrorStringA};
TrayCalls trayCalls = kSystemTrayCalls;

namespace {

long send(const char* command) { return (long)trayCalls.mciSendStringA(command, nullptr, 0, nullptr); }

}  // namespace

long trayOpenDevice(const char* drive, TrayDevice*) {
    char command[256];
    snprintf(command, sizeof command, "open %c: type cdaudio alias cddrive wait shareable", drive[0]);
    return send(command);
}

long trayCanEject(TrayDevice*, bool* canEject) {
    char reply[10] = "";
    const long error = (long)trayCalls.mciSendStringA("capability cddrive can eject", reply, sizeof reply, nullptr);
    reply[sizeof reply - 1] = '\0';
    *canEject = error == 0 && strcmp(reply, "true") == 0;
    return error;
}

long trayOpenDoor(TrayDevice*) { return send("set cddrive door open"); }

long trayCloseDoor(TrayDevice*) { return send("set cddrive door closed wait"); }

long trayCloseDevice(TrayDevice*) { return send("close cddrive"); }

bool trayErrorText(long error, char* text, size_t capacity) {
    return trayCalls.mciGetErrorStringA((MCIERROR)error, text, (UINT)capacity) != FALSE;
}
