// Opening and closing the tray of a CD/DVD drive: the steps and their
// messages here, the device operations per platform (cdtray_win32.cpp with
// the multimedia command strings, cdtray_posix.cpp with the CD-ROM ioctls).
#pragma once

#include <stddef.h>

// Opens the drive named by the first character of `drive` (on Linux: see
// trayDevicePath), then opens its tray when `open` is true and the drive can
// eject, or closes the tray when `open` is false, and closes the drive again.
// Each failing step prints "<step's message>: <system's error text>" through
// jniPrintf to standard error; after a failed open nothing else is done. A
// null drive does nothing.
void openCloseTray(const char* drive, bool open);

// The open drive; each operation returns 0 or a system error code (an MCI
// error on Windows, an errno value on Linux).
struct TrayDevice {
    int descriptor;  // Linux: the device's descriptor
    int capability;  // Linux: the drive's CDROM_GET_CAPABILITY mask
};

long trayOpenDevice(const char* drive, TrayDevice* device);
long trayCanEject(TrayDevice* device, bool* canEject);
long trayOpenDoor(TrayDevice* device);
long trayCloseDoor(TrayDevice* device);
long trayCloseDevice(TrayDevice* device);

// The system's text for an error of the operations above, into `text`
// (capacity bytes); false when the system has none.
bool trayErrorText(long error, char* text, size_t capacity);

#ifdef _WIN32

#include <windows.h>

// The multimedia calls, which a test replaces to see the command strings
// (Wine has no CD audio device and answers every open with an error).
struct TrayCalls {
    MCIERROR(WINAPI* mciSendStringA)(LPCSTR command, LPSTR reply, UINT replyLength, HWND callback);
    BOOL(WINAPI* mciGetErrorStringA)(MCIERROR error, LPSTR text, UINT length);
};
extern TrayCalls trayCalls;
extern const TrayCalls kSystemTrayCalls;

#else

// The device a drive text names: a text that starts with "/" is the device's
// path; otherwise its first character is a drive letter, D (or d) being the
// first optical drive /dev/sr0, E the second /dev/sr1, and so on to Z.
// Returns false (for A to C, a character that is no letter, an empty text or
// a path that does not fit) when the text names no device.
bool trayDevicePath(const char* drive, char* path, size_t capacity);

#endif
