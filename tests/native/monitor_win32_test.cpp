// The monitor walk on Windows: with the display-device, SetupAPI and registry
// calls of a described machine in place of the real ones (Wine has no EDID
// and no driver match to give), and with the real calls under Wine.
#include <gtest/gtest.h>

#include <windows.h>
#include <setupapi.h>
#include <string.h>

#include <map>
#include <string>
#include <vector>

#include "fake_jni.h"
#include "monitor.h"
#include "monitor_calls_win32.h"

extern "C" JNIEXPORT jboolean JNICALL Java_pemu_tarvo_tools_TarvoUtils_getEDIDBytes(JNIEnv* env, jobject object,
                                                                                   jboolean debug);

using namespace tarvo_test;

namespace {

typedef std::vector<BYTE> Bytes;

Bytes textValue(const std::wstring& text, bool terminated = true) {
    const BYTE* bytes = (const BYTE*)text.c_str();
    return Bytes(bytes, bytes + (text.size() + (terminated ? 1 : 0)) * sizeof(wchar_t));
}

Bytes edid(size_t size, BYTE first = 0) {
    Bytes bytes(size);
    for (size_t i = 0; i < size; ++i) bytes[i] = (BYTE)(first + i);
    return bytes;
}

// A device of the monitor or display-adapter class with its registry key.
struct Device {
    std::wstring driver;  // SPDRP_DRIVER
    bool opens = true;
    std::map<std::wstring, Bytes> values;
};

struct Adapter {
    std::wstring deviceString;
    std::wstring deviceId;
    bool hasMonitor = true;
    DWORD monitorFlags = DISPLAY_DEVICE_ACTIVE | DISPLAY_DEVICE_ATTACHED;
    std::wstring monitorKey;  // the monitor's DeviceKey
};

struct Machine {
    std::vector<Adapter> adapters;
    std::vector<Device> monitors;
    std::vector<Device> adapterDevices;
    bool noMonitorList = false;
    int openKeys = 0;
    int openLists = 0;
};

Machine* machine = nullptr;

void copyText(WCHAR* target, size_t capacity, const std::wstring& text) {
    wcsncpy(target, text.c_str(), capacity - 1);
    target[capacity - 1] = 0;
}

BOOL WINAPI fakeEnumDisplayDevices(LPCWSTR device, DWORD index, PDISPLAY_DEVICEW record, DWORD flags) {
    if (record->cb != sizeof(DISPLAY_DEVICEW)) return FALSE;
    if (device == nullptr) {
        if (flags != 0 || index >= machine->adapters.size()) return FALSE;
        const Adapter& adapter = machine->adapters[index];
        copyText(record->DeviceName, 32, L"\\\\.\\DISPLAY" + std::to_wstring(index + 1));
        copyText(record->DeviceString, 128, adapter.deviceString);
        copyText(record->DeviceID, 128, adapter.deviceId);
        record->StateFlags = DISPLAY_DEVICE_ATTACHED_TO_DESKTOP;
        return TRUE;
    }
    const unsigned number = wcstoul(device + wcslen(L"\\\\.\\DISPLAY"), nullptr, 10);
    if (index != 0 || flags != EDD_GET_DEVICE_INTERFACE_NAME || number == 0 || number > machine->adapters.size() ||
        !machine->adapters[number - 1].hasMonitor) {
        return FALSE;
    }
    copyText(record->DeviceName, 32, std::wstring(device) + L"\\Monitor0");
    copyText(record->DeviceString, 128, L"Generic PnP Monitor");
    copyText(record->DeviceID, 128, L"\\\\?\\DISPLAY#TRV1234#5&1&0&UID256#{e6f07b5f}");
    copyText(record->DeviceKey, 128, machine->adapters[number - 1].monitorKey);
    record->StateFlags = machine->adapters[number - 1].monitorFlags;
    return TRUE;
}

const GUID kMonitorClass = {0x4D36E96E, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};
const GUID kAdapterClass = {0x4D36E968, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};

HDEVINFO WINAPI fakeGetClassDevsEx(const GUID* deviceClass, PCWSTR enumerator, HWND parent, DWORD flags,
                                   HDEVINFO set, PCWSTR computer, PVOID) {
    if (enumerator != nullptr || parent != nullptr || flags != DIGCF_PRESENT || set != nullptr || computer != nullptr) {
        return INVALID_HANDLE_VALUE;
    }
    std::vector<Device>* list = nullptr;
    if (IsEqualGUID(*deviceClass, kMonitorClass) && !machine->noMonitorList) list = &machine->monitors;
    if (IsEqualGUID(*deviceClass, kAdapterClass)) list = &machine->adapterDevices;
    if (list == nullptr) return INVALID_HANDLE_VALUE;
    ++machine->openLists;
    return (HDEVINFO)list;
}

std::vector<Device>& listOf(HDEVINFO set) { return *(std::vector<Device>*)set; }

BOOL WINAPI fakeEnumDeviceInfo(HDEVINFO set, DWORD index, PSP_DEVINFO_DATA device) {
    if (device->cbSize != sizeof(SP_DEVINFO_DATA)) return FALSE;
    if (index >= listOf(set).size()) {
        SetLastError(ERROR_NO_MORE_ITEMS);
        return FALSE;
    }
    device->DevInst = index;
    return TRUE;
}

// Copies a value as the registry does: ERROR_MORE_DATA when it does not fit.
LONG copyValue(const Bytes& value, BYTE* data, DWORD* size) {
    if (value.size() > *size) {
        *size = (DWORD)value.size();
        return ERROR_MORE_DATA;
    }
    memcpy(data, value.data(), value.size());
    *size = (DWORD)value.size();
    return ERROR_SUCCESS;
}

BOOL WINAPI fakeGetProperty(HDEVINFO set, PSP_DEVINFO_DATA device, DWORD property, PDWORD type, PBYTE buffer,
                            DWORD size, PDWORD required) {
    if (property != SPDRP_DRIVER) return FALSE;
    const Device& entry = listOf(set)[device->DevInst];
    *type = REG_SZ;
    DWORD length = size;
    const LONG result = copyValue(textValue(entry.driver), buffer, &length);
    *required = length;
    if (result != ERROR_SUCCESS) SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return result == ERROR_SUCCESS;
}

HKEY WINAPI fakeOpenDevRegKey(HDEVINFO set, PSP_DEVINFO_DATA device, DWORD scope, DWORD profile, DWORD keyType,
                              REGSAM access) {
    Device& entry = listOf(set)[device->DevInst];
    const DWORD expectedType = set == (HDEVINFO)&machine->monitors ? DIREG_DEV : DIREG_DRV;
    if (scope != DICS_FLAG_GLOBAL || profile != 0 || keyType != expectedType || access != KEY_READ || !entry.opens) {
        SetLastError(ERROR_ACCESS_DENIED);
        return (HKEY)INVALID_HANDLE_VALUE;
    }
    ++machine->openKeys;
    return (HKEY)&entry;
}

LONG WINAPI fakeQueryValue(HKEY key, LPCWSTR name, LPDWORD, LPDWORD type, LPBYTE data, LPDWORD size) {
    const Device& entry = *(const Device*)key;
    const auto value = entry.values.find(name);
    if (value == entry.values.end()) return ERROR_FILE_NOT_FOUND;
    *type = wcscmp(name, L"EDID") == 0 ? REG_BINARY : REG_SZ;
    return copyValue(value->second, data, size);
}

LONG WINAPI fakeCloseKey(HKEY) {
    --machine->openKeys;
    return ERROR_SUCCESS;
}

BOOL WINAPI fakeDestroyList(HDEVINFO) {
    --machine->openLists;
    return TRUE;
}

const std::wstring kMonitorDriver = L"{4d36e96e-e325-11ce-bfc1-08002be10318}\\0000";
const std::wstring kMonitorKey = L"\\Registry\\Machine\\System\\CurrentControlSet\\Control\\Class\\" + kMonitorDriver;

Adapter adapter(const std::wstring& name, const std::wstring& monitorKey = kMonitorKey) {
    Adapter result;
    result.deviceString = name;
    result.deviceId = L"PCI\\VEN_8086&DEV_9A49&SUBSYS_00000000&REV_01";
    result.monitorKey = monitorKey;
    return result;
}

Device monitorDevice(const std::wstring& driver, const Bytes* edidBytes) {
    Device device;
    device.driver = driver;
    if (edidBytes != nullptr) device.values[L"EDID"] = *edidBytes;
    return device;
}

Device adapterDevice(const std::wstring& matchingId, const std::wstring& version, const std::wstring& date) {
    Device device;
    device.driver = L"{4d36e968-e325-11ce-bfc1-08002be10318}\\0000";
    device.values[L"MatchingDeviceId"] = textValue(matchingId);
    device.values[L"DriverVersion"] = textValue(version);
    device.values[L"DriverDate"] = textValue(date);
    return device;
}

class MonitorWalk : public testing::Test {
protected:
    void SetUp() override {
        real = monitorCalls;
        machine = &described;
        monitorCalls = MonitorCalls{fakeEnumDisplayDevices, fakeGetClassDevsEx, fakeEnumDeviceInfo, fakeGetProperty,
                                    fakeOpenDevRegKey,      fakeQueryValue,     fakeCloseKey,       fakeDestroyList};
    }
    void TearDown() override {
        monitorCalls = real;
        machine = nullptr;
        EXPECT_EQ(described.openKeys, 0) << "every key opened is closed";
        EXPECT_EQ(described.openLists, 0) << "every device list is destroyed";
        EXPECT_FALSE(java.exceptionPending);
        EXPECT_EQ(java.callsWhileExceptionPending, 0);
    }

    // Runs getEDIDBytes; the standard output it printed.
    std::string run(bool debug = false, bool expected = true) {
        testing::internal::CaptureStdout();
        const jboolean result =
            Java_pemu_tarvo_tools_TarvoUtils_getEDIDBytes(java.env(), java.object(), debug ? JNI_TRUE : JNI_FALSE);
        EXPECT_EQ(result, expected ? JNI_TRUE : JNI_FALSE);
        return testing::internal::GetCapturedStdout();
    }

    MonitorCalls real;
    Machine described;
    FakeJava java;
};

TEST_F(MonitorWalk, OneAdapterWithAnEdidGivesEntryOneWithItsBytesAndDriver) {
    const Bytes block = edid(128);
    described.adapters = {adapter(L"Intel(R) UHD Graphics")};
    described.monitors = {monitorDevice(kMonitorDriver, &block)};
    described.adapterDevices = {adapterDevice(L"pci\\ven_8086&dev_9a49", L"31.0.101.4502", L"6-1-2023")};
    EXPECT_EQ(run(), "");
    ASSERT_EQ(java.edidMap.size(), 1u);
    const FakeMonitorData& entry = java.edidMap["1"];
    EXPECT_EQ(entry.edid, block);
    EXPECT_EQ(entry.deviceString, "Intel(R) UHD Graphics");
    EXPECT_EQ(entry.driverVersion, "31.0.101.4502");
    EXPECT_EQ(entry.driverDate, "6-1-2023");
}

TEST_F(MonitorWalk, EveryMonitorFoundUsesUpANumberActiveOrNot) {
    Adapter inactive = adapter(L"A");
    inactive.monitorFlags = DISPLAY_DEVICE_ATTACHED;
    Adapter hidden = adapter(L"C");
    hidden.monitorFlags = DISPLAY_DEVICE_ACTIVE | 0x8;
    Adapter withoutMonitor = adapter(L"none");
    withoutMonitor.hasMonitor = false;
    described.adapters = {withoutMonitor, inactive, adapter(L"B"), hidden, adapter(L"D")};
    EXPECT_EQ(run(), "");
    ASSERT_EQ(java.edidMap.size(), 2u);
    EXPECT_EQ(java.edidMap["2"].deviceString, "B");
    EXPECT_EQ(java.edidMap["4"].deviceString, "D");
    EXPECT_TRUE(java.edidMap["2"].edid.empty()) << "no monitor device: no EDID";
    EXPECT_EQ(java.edidMap["2"].driverVersion, "") << "no adapter device: no driver";
}

TEST_F(MonitorWalk, EdidsThatCannotBeReadLeaveTheEntryEmpty) {
    const Bytes largest = edid(MONITOR_EDID_CAPACITY, 1);
    const Bytes tooLarge = edid(MONITOR_EDID_CAPACITY + 1);
    described.adapters = {adapter(L"no EDID", kMonitorKey), adapter(L"too large", kMonitorKey + L"1"),
                          adapter(L"largest", kMonitorKey + L"2"), adapter(L"no key", kMonitorKey + L"3")};
    described.monitors = {monitorDevice(kMonitorDriver + L"1", &tooLarge),
                          monitorDevice(kMonitorDriver + L"2", &largest), monitorDevice(kMonitorDriver + L"3", &largest),
                          monitorDevice(L"{4d36e96e-e325-11ce-bfc1-08002be10318}\\0099", &largest)};
    described.monitors[2].opens = false;
    EXPECT_EQ(run(), "SetupDiOpenDevRegKey did NOT return valid handle\n");
    ASSERT_EQ(java.edidMap.size(), 4u);
    EXPECT_TRUE(java.edidMap["1"].edid.empty());
    EXPECT_TRUE(java.edidMap["2"].edid.empty()) << "longer than the buffer";
    EXPECT_EQ(java.edidMap["3"].edid, largest);
    EXPECT_TRUE(java.edidMap["4"].edid.empty());
}

TEST_F(MonitorWalk, AnEmptyDriverTextMatchesEveryMonitorAndTheLastMatchWins) {
    const Bytes first = edid(128, 1), last = edid(256, 2);
    described.adapters = {adapter(L"A"), adapter(L"B", L"\\Registry\\elsewhere")};
    described.monitors = {monitorDevice(kMonitorDriver, &first), monitorDevice(L"", &last),
                          monitorDevice(kMonitorDriver, nullptr)};
    EXPECT_EQ(run(), "");
    EXPECT_EQ(java.edidMap["1"].edid, last) << "a later match without EDID keeps the bytes";
    EXPECT_EQ(java.edidMap["2"].edid, last);
}

TEST_F(MonitorWalk, TheDriverIsTheFirstAdapterDeviceWhoseMatchingIdTheDeviceIdContains) {
    Adapter other = adapter(L"other");
    other.deviceId = L"PCI\\VEN_10DE&DEV_1234";
    Adapter unmatched = adapter(L"unmatched");
    unmatched.deviceId = L"PCI\\VEN_1AF4&DEV_1050";
    described.adapters = {adapter(L"intel"), other, unmatched};
    // A MatchingDeviceId that fills its buffer without a terminator does not
    // fit; a shorter one without a terminator is read and ends within it.
    described.adapterDevices = {adapterDevice(L"", L"0", L"0"), adapterDevice(L"pci\\ven_1002", L"1", L"1-1-2001"),
                                adapterDevice(L"pci\\ven_8086&dev_9a49", L"2", L"2-2-2002"),
                                adapterDevice(L"pci\\ven_8086", L"3", L"3-3-2003"),
                                adapterDevice(L"", L"4", L"4-4-2004")};
    described.adapterDevices[0].values[L"MatchingDeviceId"] = textValue(std::wstring(2048, L'p'), false);
    described.adapterDevices[1].opens = false;
    described.adapterDevices[4].values[L"MatchingDeviceId"] = textValue(L"pci\\ven_10de", false);
    const std::string invalidHandle = "SetupDiOpenDevRegKey did NOT return valid handle, 5\n";
    EXPECT_EQ(run(), invalidHandle + invalidHandle + invalidHandle);
    EXPECT_EQ(java.edidMap["1"].driverVersion, "2");
    EXPECT_EQ(java.edidMap["1"].driverDate, "2-2-2002");
    EXPECT_EQ(java.edidMap["2"].driverVersion, "4");
    EXPECT_EQ(java.edidMap["2"].driverDate, "4-4-2004");
    EXPECT_EQ(java.edidMap["3"].driverVersion, "") << "unmatched";
    EXPECT_EQ(java.edidMap["3"].driverDate, "");
}

TEST_F(MonitorWalk, WithoutAMonitorDeviceListTheEntryStaysWithoutEdid) {
    described.adapters = {adapter(L"A"), adapter(L"B")};
    described.noMonitorList = true;
    EXPECT_EQ(run(), "devInfo null\ndevInfo null\n");
    EXPECT_EQ(java.edidMap.size(), 2u);
}

TEST_F(MonitorWalk, AnEntryTheJavaSideRefusesEndsTheWalkWithFalse) {
    const Bytes block = edid(128);
    described.adapters = {adapter(L"A"), adapter(L"B")};
    described.monitors = {monitorDevice(kMonitorDriver, &block)};
    java.putsBeforeThrowing = 1;
    run(false, false);
    EXPECT_EQ(java.putCalls, 2) << "one put went in, the second threw, no further put was tried";
    EXPECT_TRUE(java.edidMap["1"].edid.empty());

    FakeJava noField;
    noField.missingField = true;
    testing::internal::CaptureStderr();
    EXPECT_EQ(Java_pemu_tarvo_tools_TarvoUtils_getEDIDBytes(noField.env(), noField.object(), JNI_FALSE), JNI_FALSE);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Can't find field edidMap\n\n");
    EXPECT_EQ(noField.callsWhileExceptionPending, 0);
}

TEST_F(MonitorWalk, TheDebugTraceShowsEveryStep) {
    const Bytes block = {0x00, 0xff, 0x41};
    Adapter inactive = adapter(L"Off");
    inactive.monitorFlags = 0;
    described.adapters = {adapter(L"On"), inactive};
    described.monitors = {monitorDevice(kMonitorDriver, &block)};
    described.adapterDevices = {adapterDevice(L"pci\\ven_8086", L"7.1", L"1-2-2020")};
    const std::wstring key = L"  DeviceKey: " + kMonitorKey;
    const std::string expectedAdapter =
        "********    SetupDiGetDeviceRegistryProperty datatype: 1 {4d36e968-e325-11ce-bfc1-08002be10318}\\0000\n"
        "        Property is REG_SZ\n"
        "      SPDRP_DRIVER: {4d36e968-e325-11ce-bfc1-08002be10318}\\0000\n"
        "  Found matching key, trying to open registry key for SPDRP_DRIVER: "
        "{4d36e968-e325-11ce-bfc1-08002be10318}\\0000\tPCI\\VEN_8086&DEV_9A49&SUBSYS_00000000&REV_01\n"
        "RegQueryValueEx retValue: 0 size: 26 currentsize: 4096\n"
        "  Found value pci\\ven_8086\n"
        "Found matching Device: pci\\ven_8086&dev_9a49&subsys_00000000&rev_01\n"
        "Found driver version: 7.1\n"
        "Found driver date: 1-2-2020\n";
    const std::string expected =
        expectedAdapter +
        "##################################\n"
        "Device id: 0\n"
        "Device Name: \\\\.\\DISPLAY1\n"
        "Device String: On\n"
        "Device ID: pci\\ven_8086&dev_9a49&subsys_00000000&rev_01\n"
        "DriverVersion: 7.1\n"
        "DriverDate: 1-2-2020\n"
        "  Displaynumber: 1\n"
        "  Device Name: \\\\.\\DISPLAY1\\Monitor0\n"
        "  DeviceString: Generic PnP Monitor\n"
        "  DeviceID: \\\\?\\DISPLAY#TRV1234#5&1&0&UID256#{e6f07b5f}\n"
        "  DeviceKey: \\Registry\\Machine\\System\\CurrentControlSet\\Control\\Class\\"
        "{4d36e96e-e325-11ce-bfc1-08002be10318}\\0000\n"
        "key: deviceIdStr: 1\nEdid raw 0: \n\n"
        "    SetupDiGetDeviceRegistryProperty datatype: 1\n"
        "        Property is REG_SZ\n"
        "      SPDRP_DRIVER: {4d36e96e-e325-11ce-bfc1-08002be10318}\\0000\n"
        "  Found matching key, trying to open registry key for SPDRP_DRIVER: "
        "{4d36e96e-e325-11ce-bfc1-08002be10318}\\0000\n"
        "RegQueryValueEx retValue: 0 size: 3 currentsize: 2048\n"
        "key: deviceIdStr: 1\nEdid raw 3: \n 00 ff 41\n"
        "    SetupDiEnumDeviceInfo returned error: 259\n"
        "##################################\n\n" +
        expectedAdapter +
        "##################################\n"
        "Device id: 1\n"
        "Device Name: \\\\.\\DISPLAY2\n"
        "Device String: Off\n"
        "Device ID: pci\\ven_8086&dev_9a49&subsys_00000000&rev_01\n"
        "DriverVersion: 7.1\n"
        "DriverDate: 1-2-2020\n"
        "    device not active\n";
    EXPECT_EQ(run(true), expected);
}

TEST(MonitorWalkUnderWine, TheRealCallsListWinesAdapterWithoutEdid) {
    FakeJava java;
    testing::internal::CaptureStdout();
    EXPECT_EQ(Java_pemu_tarvo_tools_TarvoUtils_getEDIDBytes(java.env(), java.object(), JNI_TRUE), JNI_TRUE);
    const std::string trace = testing::internal::GetCapturedStdout();
    // Wine lists one adapter; its monitor device has no "EDID" value and its
    // driver key no "MatchingDeviceId": the walk gets through whatever it gives.
    EXPECT_NE(trace.find("##################################\nDevice id: 0\nDevice Name: \\\\.\\DISPLAY1\n"),
              std::string::npos)
        << trace;
    EXPECT_FALSE(java.exceptionPending);
    ASSERT_FALSE(java.edidMap.empty()) << trace;
    for (const auto& entry : java.edidMap) {
        EXPECT_FALSE(entry.second.deviceString.empty()) << entry.first;
        EXPECT_LE(entry.second.edid.size(), (size_t)MONITOR_EDID_CAPACITY);
    }
}

}  // namespace
