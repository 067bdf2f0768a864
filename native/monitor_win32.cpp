// The monitor walk on Windows: the display adapters by EnumDisplayDevicesW,
// the first monitor of each, its EDID from the device key of the matching
// monitor-class device, and the adapter's driver version and date from the
// driver key of the matching display-adapter device.
#include <windows.h>
#include <setupapi.h>
#include <stdio.h>
#include <string.h>
#include <wchar.h>

#include "monitor.h"
#include "monitor_calls_win32.h"

MonitorCalls monitorCalls = {
    EnumDisplayDevicesW,          SetupDiGetClassDevsExW, SetupDiEnumDeviceInfo,
    SetupDiGetDeviceRegistryPropertyW, SetupDiOpenDevRegKey, RegQueryValueExW,
    RegCloseKey,                  SetupDiDestroyDeviceInfoList,
};

namespace {

const GUID kDisplayAdapterClass = {0x4D36E968, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};
const GUID kMonitorClass = {0x4D36E96E, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};

const DWORD kPropertyBytes = 1024;
const DWORD kMatchingIdBytes = 4096;
const size_t kDriverTextBytes = 2048;
const DWORD kStateFlagsNotShown = 0x8;  // DISPLAY_DEVICE_MIRRORING_DRIVER in an adapter's flags

// Every text of a record ends within its array, whatever the call wrote.
void terminateRecord(DISPLAY_DEVICEW* record) {
    record->DeviceName[ARRAYSIZE(record->DeviceName) - 1] = 0;
    record->DeviceString[ARRAYSIZE(record->DeviceString) - 1] = 0;
    record->DeviceID[ARRAYSIZE(record->DeviceID) - 1] = 0;
    record->DeviceKey[ARRAYSIZE(record->DeviceKey) - 1] = 0;
}

bool validKey(HKEY key) { return key != nullptr && key != (HKEY)INVALID_HANDLE_VALUE; }
bool validList(HDEVINFO set) { return set != nullptr && set != INVALID_HANDLE_VALUE; }

HDEVINFO presentDevices(const GUID& deviceClass) {
    return monitorCalls.getClassDevsEx(&deviceClass, nullptr, nullptr, DIGCF_PRESENT, nullptr, nullptr, nullptr);
}

// Device `index` of the list; false at the end of the list (or when the list
// cannot be read on).
bool enumDevice(HDEVINFO set, DWORD index, SP_DEVINFO_DATA* device, bool debug) {
    memset(device, 0, sizeof *device);
    device->cbSize = sizeof *device;
    if (monitorCalls.enumDeviceInfo(set, index, device)) return true;
    if (debug) printf("    SetupDiEnumDeviceInfo returned error: %ld\n", GetLastError());
    return false;
}

// Reads a value as UTF-16 text into a zeroed buffer of `bytes` bytes. The
// last unit is never handed to the call, so the text always ends within the
// buffer, however the value was stored (odd sizes, no terminator); a value
// that does not fit fails the read and leaves the buffer empty.
LONG readText(HKEY key, const wchar_t* name, wchar_t* buffer, size_t bytes, DWORD* size) {
    memset(buffer, 0, bytes);
    DWORD type = 0;
    *size = (DWORD)(bytes - sizeof(wchar_t));
    const LONG result = monitorCalls.queryValue(key, name, nullptr, &type, (BYTE*)buffer, size);
    if (result != ERROR_SUCCESS) memset(buffer, 0, bytes);
    return result;
}

// The device's SPDRP_DRIVER text into a zeroed buffer of kPropertyBytes,
// ending within it as readText's do. Returns the property's type; *length
// receives the number of bytes read (0 when the read failed).
DWORD readDriverProperty(HDEVINFO set, SP_DEVINFO_DATA* device, wchar_t* buffer, DWORD* length) {
    memset(buffer, 0, kPropertyBytes);
    DWORD type = 0;
    DWORD required = 0;
    const DWORD capacity = kPropertyBytes - sizeof(wchar_t);
    const BOOL read = monitorCalls.getDeviceRegistryProperty(set, device, SPDRP_DRIVER, &type, (BYTE*)buffer,
                                                             capacity, &required);
    *length = read ? (required < capacity ? required : capacity) : 0;
    if (!read) memset(buffer, 0, kPropertyBytes);
    return type;
}

void printPropertyType(DWORD type, const wchar_t* property, DWORD length, bool namesNone) {
    switch (type) {
    case REG_NONE:
        if (namesNone) printf("        Property is REG_NONE\n");
        break;
    case REG_BINARY:
        printf("        Property is REG_BINARY\n");
        printf("        Property raw: \n");
        for (DWORD i = 0; i < length; ++i) printf("%c", ((const unsigned char*)property)[i]);
        break;
    case REG_DWORD:
        printf("        Property is REG_DWORD\n");
        break;
    case REG_QWORD:
        printf("        Property is REG_QWORD\n");
        break;
    case REG_SZ:
        printf("        Property is REG_SZ\n");
        wprintf(L"      SPDRP_DRIVER: %ls\n", property);
        break;
    }
}

// Reads "EDID" from the matched monitor device's hardware key and puts the
// entry again with its bytes. False when the entry could not be stored.
bool putMonitorEdid(JNIEnv* env, jobject object, bool debug, int displayNumber, HKEY key,
                    const wchar_t* deviceString, const wchar_t* version, const wchar_t* date) {
    BYTE edid[MONITOR_EDID_CAPACITY];
    DWORD size = sizeof edid;
    DWORD type = 0;
    const LONG result = monitorCalls.queryValue(key, L"EDID", nullptr, &type, edid, &size);
    if (debug) printf("RegQueryValueEx retValue: %i size: %ld currentsize: %ld\n", (int)result, size, (DWORD)sizeof edid);
    if (result != ERROR_SUCCESS) {
        if (debug) printf("Could not query registry key for EDID\n");
        return true;
    }
    if (size > sizeof edid) size = sizeof edid;
    return putMonitorData(env, object, debug, displayNumber, size, edid, deviceString, version, date);
}

enum EdidSearch { EDID_SEARCHED, EDID_NO_DEVICE_LIST, EDID_NOT_STORED };

// The monitor-class devices whose SPDRP_DRIVER the monitor's DeviceKey
// contains give the entry its EDID; the last one read wins.
EdidSearch findMonitorEdid(JNIEnv* env, jobject object, bool debug, int displayNumber, const DISPLAY_DEVICEW& monitor,
                     const wchar_t* deviceString, const wchar_t* version, const wchar_t* date) {
    HDEVINFO set = presentDevices(kMonitorClass);
    if (!validList(set)) {
        printf("devInfo null\n");
        return EDID_NO_DEVICE_LIST;
    }
    bool stored = true;
    for (DWORD index = 0; stored; ++index) {
        SP_DEVINFO_DATA device;
        if (!enumDevice(set, index, &device, debug)) break;
        wchar_t driver[kPropertyBytes / sizeof(wchar_t)];
        DWORD length = 0;
        const DWORD type = readDriverProperty(set, &device, driver, &length);
        if (debug) {
            printf("    SetupDiGetDeviceRegistryProperty datatype: %i\n", (int)type);
            printPropertyType(type, driver, length, false);
        }
        // An empty driver text is contained in every key: such a device
        // matches every monitor.
        if (wcsstr(monitor.DeviceKey, driver) == nullptr) continue;
        if (debug) wprintf(L"  Found matching key, trying to open registry key for SPDRP_DRIVER: %ls\n", driver);
        HKEY key = monitorCalls.openDevRegKey(set, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
        if (!validKey(key)) {
            printf("SetupDiOpenDevRegKey did NOT return valid handle\n");
            continue;
        }
        stored = putMonitorEdid(env, object, debug, displayNumber, key, deviceString, version, date);
        monitorCalls.closeKey(key);
    }
    monitorCalls.destroyDeviceInfoList(set);
    return stored ? EDID_SEARCHED : EDID_NOT_STORED;
}

void printAdapter(DWORD index, const DISPLAY_DEVICEW& adapter, const wchar_t* version, const wchar_t* date) {
    printf("##################################\n");
    printf("Device id: %i\n", (int)index);
    printf("Device Name: %ls\n", adapter.DeviceName);
    printf("Device String: %ls\n", adapter.DeviceString);
    printf("Device ID: %ls\n", adapter.DeviceID);
    printf("DriverVersion: %ls\n", version);
    printf("DriverDate: %ls\n", date);
}

void printMonitor(int displayNumber, const DISPLAY_DEVICEW& monitor) {
    wprintf(L"  Displaynumber: %d\n", displayNumber);
    wprintf(L"  Device Name: %ls\n", monitor.DeviceName);
    wprintf(L"  DeviceString: %ls\n", monitor.DeviceString);
    wprintf(L"  DeviceID: %ls\n", monitor.DeviceID);
    wprintf(L"  DeviceKey: %ls\n", monitor.DeviceKey);
}

}  // namespace

jstring newMonitorString(JNIEnv* env, const MonitorChar* text) {
    return env->NewString((const jchar*)text, (jsize)wcslen(text));
}

void findAdapterDriver(DISPLAY_DEVICEW* adapter, bool debug, wchar_t* versionBuffer, size_t versionSize,
                       wchar_t* dateBuffer, size_t dateSize) {
    HDEVINFO set = presentDevices(kDisplayAdapterClass);
    if (!validList(set)) return;
    bool found = false;
    for (DWORD index = 0; !found; ++index) {
        SP_DEVINFO_DATA device;
        if (!enumDevice(set, index, &device, debug)) break;
        wchar_t driver[kPropertyBytes / sizeof(wchar_t)];
        DWORD length = 0;
        const DWORD type = readDriverProperty(set, &device, driver, &length);
        if (debug) {
            printf("********    SetupDiGetDeviceRegistryProperty datatype: %i %ls\n", (int)type, driver);
            printPropertyType(type, driver, length, true);
            wprintf(L"  Found matching key, trying to open registry key for SPDRP_DRIVER: %ls\t%ls\n", driver,
                    adapter->DeviceID);
        }
        HKEY key = monitorCalls.openDevRegKey(set, &device, DICS_FLAG_GLOBAL, 0, DIREG_DRV, KEY_READ);
        if (!validKey(key)) {
            printf("SetupDiOpenDevRegKey did NOT return valid handle, %i\n", (int)GetLastError());
            continue;
        }
        wchar_t matchingId[kMatchingIdBytes / sizeof(wchar_t)];
        DWORD size = 0;
        const LONG result = readText(key, L"MatchingDeviceId", matchingId, sizeof matchingId, &size);
        if (debug) printf("RegQueryValueEx retValue: %i size: %ld currentsize: %ld\n", (int)result, size, kMatchingIdBytes);
        if (result != ERROR_SUCCESS) {
            if (debug) printf("Could not query registry key for Driver: %i\n", (int)result);
        } else {
            if (debug) wprintf(L"  Found value %ls\n", matchingId);
            CharLowerBuffW(adapter->DeviceID, (DWORD)wcslen(adapter->DeviceID));
            if (wcsstr(adapter->DeviceID, matchingId) != nullptr) {
                if (debug) wprintf(L"Found matching Device: %ls\n", adapter->DeviceID);
                readText(key, L"DriverVersion", versionBuffer, versionSize, &size);
                if (debug) wprintf(L"Found driver version: %ls\n", versionBuffer);
                readText(key, L"DriverDate", dateBuffer, dateSize, &size);
                if (debug) wprintf(L"Found driver date: %ls\n", dateBuffer);
                found = true;
            }
        }
        monitorCalls.closeKey(key);
    }
    monitorCalls.destroyDeviceInfoList(set);
}

bool collectMonitors(JNIEnv* env, jobject object, bool debug) {
    int displayNumber = 0;
    DISPLAY_DEVICEW adapter = {};
    for (DWORD index = 0;; ++index) {
        adapter.cb = sizeof adapter;
        if (!monitorCalls.enumDisplayDevices(nullptr, index, &adapter, 0)) break;
        terminateRecord(&adapter);
        wchar_t version[kDriverTextBytes / sizeof(wchar_t)] = {};
        wchar_t date[kDriverTextBytes / sizeof(wchar_t)] = {};
        findAdapterDriver(&adapter, debug, version, sizeof version, date, sizeof date);
        if (debug) printAdapter(index, adapter, version, date);

        DISPLAY_DEVICEW monitor = {};
        monitor.cb = sizeof monitor;
        if (monitorCalls.enumDisplayDevices(adapter.DeviceName, 0, &monitor, EDD_GET_DEVICE_INTERFACE_NAME)) {
            terminateRecord(&monitor);
            // Every monitor found uses up a number, active or not.
            ++displayNumber;
            if (!(monitor.StateFlags & DISPLAY_DEVICE_ACTIVE) || (monitor.StateFlags & kStateFlagsNotShown)) {
                if (debug) printf("    device not active\n");
                continue;
            }
            if (debug) printMonitor(displayNumber, monitor);
            // The entry without EDID first, so that the monitor is listed even
            // when its EDID cannot be read.
            if (!putMonitorData(env, object, debug, displayNumber, 0, nullptr, adapter.DeviceString, version, date)) {
                return false;
            }
            const EdidSearch search =
                findMonitorEdid(env, object, debug, displayNumber, monitor, adapter.DeviceString, version, date);
            if (search == EDID_NOT_STORED) return false;
            if (search == EDID_NO_DEVICE_LIST) continue;
        }
        memset(&adapter, 0, sizeof adapter);
        if (debug) printf("##################################\n\n");
    }
    return true;
}
