// The fake machine on Windows: stand-ins for GetAdaptersInfo, the volume
// query and the probe in the Win32 table.
#include "fake_machine.h"

#include <string.h>

#include "hostid_platform.h"
#include "hostid_win32.h"

namespace {

const FakeMachineSpec* current = nullptr;

// Answers like the system: the size of one record per adapter, filled when
// the caller's buffer holds them, else ERROR_BUFFER_OVERFLOW with the size.
DWORD WINAPI fakeGetAdaptersInfo(PIP_ADAPTER_INFO buffer, PULONG size) {
    const size_t count = current->adapters.size();
    if (count == 0) return ERROR_NO_DATA;
    const ULONG needed = (ULONG)(count * sizeof(IP_ADAPTER_INFO));
    if (*size < needed) {
        *size = needed;
        return ERROR_BUFFER_OVERFLOW;
    }
    memset(buffer, 0, needed);
    for (size_t i = 0; i < count; i++) {
        const std::vector<unsigned char>& address = current->adapters[i];
        buffer[i].Next = i + 1 < count ? &buffer[i + 1] : nullptr;
        buffer[i].Type = MIB_IF_TYPE_ETHERNET;
        buffer[i].AddressLength = (UINT)address.size();
        memcpy(buffer[i].Address, address.data(), std::min(address.size(), sizeof buffer[i].Address));
    }
    return NO_ERROR;
}

HMODULE WINAPI fakeLoadLibrary(LPCSTR) { return (HMODULE)GetModuleHandleA(nullptr); }
FARPROC WINAPI fakeGetProcAddress(HMODULE, LPCSTR) { return (FARPROC)(void*)fakeGetAdaptersInfo; }
BOOL WINAPI fakeFreeLibrary(HMODULE) { return TRUE; }

UINT WINAPI fakeWindowsDirectory(LPSTR buffer, UINT capacity) {
    strncpy(buffer, "C:\\windows", capacity);
    return 10;
}

BOOL WINAPI fakeVolumeInformation(LPCSTR root, LPSTR, DWORD, LPDWORD serial, LPDWORD, LPDWORD, LPSTR, DWORD) {
    if (!current->hasVolumeSerial || strcmp(root, "C:\\") != 0) return FALSE;
    *serial = current->volumeSerial;
    return TRUE;
}

unsigned fakeProbe(void) { return current->vmware ? 0x564D5868 : 0xA9B2A797; }

}  // namespace

struct FakeMachine::Platform {
    HostIdWin32Calls saved;
};

FakeMachine::FakeMachine(const FakeMachineSpec& spec) : platform_(new Platform{hostIdWin32Calls}) {
    current = &spec;
    hostIdWin32Calls.loadLibraryA = fakeLoadLibrary;
    hostIdWin32Calls.getProcAddress = fakeGetProcAddress;
    hostIdWin32Calls.freeLibrary = fakeFreeLibrary;
    hostIdWin32Calls.getWindowsDirectoryA = fakeWindowsDirectory;
    hostIdWin32Calls.getVolumeInformationA = fakeVolumeInformation;
    hostIdWin32Calls.vmwareProbe = fakeProbe;
    resetHostIdState();
}

FakeMachine::~FakeMachine() {
    hostIdWin32Calls = platform_->saved;
    current = nullptr;
    resetHostIdState();
}
