// Machine-id sources on Windows: the adapters from the IP helper (or NetBIOS
// when it cannot be loaded), the Windows folder's volume serial and VMware's
// back-door probe.
#include <windows.h>
#include <iphlpapi.h>
#include <nb30.h>
#include <stdio.h>
#include <string.h>

#include "hostid.h"
#include "hostid_platform.h"
#include "hostid_win32.h"
#include "console_output.h"

HostIdWin32Calls hostIdWin32Calls = {
    LoadLibraryA, GetProcAddress, FreeLibrary, HeapAlloc, Netbios,
    GetWindowsDirectoryA, GetVolumeInformationA, runVMwareProbe,
};

// The first try asks with room for one adapter: 640 bytes in 32-bit
// programs (the record holds pointers, so it is larger in 64-bit ones).
#ifndef _WIN64
static_assert(sizeof(IP_ADAPTER_INFO) == 640, "the first try asks with room for one adapter");
#endif

long hostProcessId(void) { return (long)GetCurrentProcessId(); }

// "\tUnknown Adapter Addr: \t" and the bytes as "1A-2B-3C\n".
static void printUnknownAddress(const BYTE* address, UINT length) {
    if (length > MAX_ADAPTER_ADDRESS_LENGTH) length = MAX_ADAPTER_ADDRESS_LENGTH;
    printf("\tUnknown Adapter Addr: \t");
    for (UINT i = 0; i < length; i++) printf(i + 1 < length ? "%.2X-" : "%.2X\n", address[i]);
}

// Returns false when a buffer could not be allocated: the list then ends
// with what it holds.
static bool addIpHelperAdapters(MachineIdList* list, GetAdaptersInfoFunction getAdaptersInfo) {
    const HANDLE heap = GetProcessHeap();
    ULONG size = sizeof(IP_ADAPTER_INFO);
    PIP_ADAPTER_INFO adapters = (PIP_ADAPTER_INFO)hostIdWin32Calls.heapAlloc(heap, 0, size);
    if (adapters == NULL) {
        printf("Error allocating memory needed to call GetAdaptersinfo\n");
        return false;
    }
    if (getAdaptersInfo(adapters, &size) == ERROR_BUFFER_OVERFLOW) {
        HeapFree(heap, 0, adapters);
        adapters = (PIP_ADAPTER_INFO)hostIdWin32Calls.heapAlloc(heap, 0, size);
        if (adapters == NULL) {
            printf("Error allocating memory needed to call GetAdaptersinfo\n");
            return false;
        }
    }
    const DWORD result = getAdaptersInfo(adapters, &size);
    if (result != NO_ERROR) {
        printf("GetAdaptersInfo failed with error: %d\n", (int)result);
    } else {
        for (PIP_ADAPTER_INFO adapter = adapters; adapter != NULL; adapter = adapter->Next) {
            if (adapter->AddressLength == 6) addAdapterAddress(list, adapter->Address);
            else printUnknownAddress(adapter->Address, adapter->AddressLength);
        }
    }
    HeapFree(heap, 0, adapters);
    return true;
}

// The Ethernet adapters that NetBIOS knows, in its adapter-number order.
static void addNetbiosAdapters(MachineIdList* list) {
    consolePrintf(stderr, "WARNING - Cannot load iphlpapi.dll, falling back to classic MAC detection...\n");
    LANA_ENUM numbers = {};
    static_assert(sizeof numbers == 256, "NCBENUM fills a 256-byte buffer");
    NCB enumerate = {};
    enumerate.ncb_command = NCBENUM;
    enumerate.ncb_buffer = (PUCHAR)&numbers;
    enumerate.ncb_length = sizeof numbers;
    if (hostIdWin32Calls.netbios(&enumerate) != NRC_GOODRET) return;
    for (UCHAR i = 0; i < numbers.length && i < MAX_LANA + 1; i++) {
        NCB reset = {};
        reset.ncb_command = NCBRESET;
        reset.ncb_lana_num = numbers.lana[i];
        if (hostIdWin32Calls.netbios(&reset) != NRC_GOODRET) continue;
        struct {
            ADAPTER_STATUS status;
            NAME_BUFFER names[30];
        } status = {};
        static_assert(sizeof status == 600, "NCBASTAT fills a 600-byte buffer");
        NCB query = {};
        query.ncb_command = NCBASTAT;
        query.ncb_lana_num = numbers.lana[i];
        memcpy(query.ncb_callname, "*               ", NCBNAMSZ);
        query.ncb_buffer = (PUCHAR)&status;
        query.ncb_length = sizeof status;
        if (hostIdWin32Calls.netbios(&query) == NRC_GOODRET && status.status.adapter_type == 0xFE) {
            addAdapterAddress(list, status.status.adapter_address);
        }
    }
}

bool collectAdapterAddresses(MachineIdList* list) {
    const HMODULE iphlpapi = hostIdWin32Calls.loadLibraryA("iphlpapi.dll");
    GetAdaptersInfoFunction getAdaptersInfo = NULL;
    if (iphlpapi != NULL) {
        getAdaptersInfo =
            (GetAdaptersInfoFunction)(void*)hostIdWin32Calls.getProcAddress(iphlpapi, "GetAdaptersInfo");
    }
    bool complete = true;
    if (getAdaptersInfo != NULL) {
        complete = addIpHelperAdapters(list, getAdaptersInfo);
    } else {
        // A library without the function is as good as none.
        addNetbiosAdapters(list);
    }
    if (iphlpapi != NULL) hostIdWin32Calls.freeLibrary(iphlpapi);
    return complete;
}

bool readSystemVolumeSerial(uint32_t* serial) {
    char folder[MAX_PATH];
    const UINT length = hostIdWin32Calls.getWindowsDirectoryA(folder, sizeof folder);
    // Longer than the buffer: nothing was written.
    if (length <= 3 || length >= sizeof folder) return false;
    folder[3] = '\0';  // the drive root, such as "C:\"
    DWORD volumeSerial;
    if (!hostIdWin32Calls.getVolumeInformationA(folder, NULL, 0, &volumeSerial, NULL, NULL, NULL, 0)) {
        return false;
    }
    *serial = volumeSerial;
    return true;
}

// The instruction of the probe; the handler resumes behind it.
extern "C" const unsigned char vmwareProbeInstruction[] __asm__("tarvo_vmware_probe_in");

// Any exception raised by the probe's input instruction (a privileged
// instruction outside VMware, an access violation elsewhere) resumes at the
// next instruction (EIP or RIP), leaving EBX as it was. Exceptions raised anywhere else
// pass on.
static LONG CALLBACK resumeBehindProbe(EXCEPTION_POINTERS* exception) {
    if (exception->ExceptionRecord->ExceptionAddress != (void*)vmwareProbeInstruction) {
        return EXCEPTION_CONTINUE_SEARCH;
    }
    // "in eax,dx" is one byte.
#ifdef _WIN64
    exception->ContextRecord->Rip = (DWORD64)(uintptr_t)vmwareProbeInstruction + 1;
#else
    exception->ContextRecord->Eip = (DWORD)(uintptr_t)vmwareProbeInstruction + 1;
#endif
    return EXCEPTION_CONTINUE_EXECUTION;
}

__attribute__((noinline)) unsigned runVMwareProbe(void) {
    PVOID handler = AddVectoredExceptionHandler(1, resumeBehindProbe);
    if (handler == NULL) return 0;
    unsigned ebx;
    __asm__ volatile(
        "movl $0x564D5868, %%eax\n\t"  // the magic "VMXh"
        "movl $0xA9B2A797, %%ebx\n\t"  // anything but the magic
        "movl $10, %%ecx\n\t"          // get version
        "movl $0x5658, %%edx\n\t"      // the back-door port
        "tarvo_vmware_probe_in:\n\t"
        "inl %%dx, %%eax\n\t"
        : "=b"(ebx)
        :
        : "eax", "ecx", "edx", "memory");
    RemoveVectoredExceptionHandler(handler);
    return ebx;
}

bool isVMware(void) { return hostIdWin32Calls.vmwareProbe() == 0x564D5868; }
