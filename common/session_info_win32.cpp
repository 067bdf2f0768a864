// Windows: the remote session from the system metrics, the remote-desktop
// session API "WTSAPI32" and the Citrix session API "WFAPI", both loaded at
// run time when present.
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <wchar.h>

#include "session_calls_win32.h"
#include "session_info_platform.h"
#include "utilglobal.h"

SessionSystemCalls sessionSystemCalls = {GetSystemMetrics, GetVersionExW, GetProcAddress};

// Information classes of both session APIs, and the client address record
// they return.
enum { kClientNameClass = 10, kClientAddressClass = 14 };
HANDLE const kCurrentServer = nullptr;
const DWORD kCurrentSession = (DWORD)-1;
const DWORD kAddressFamilyInet = 2;  // AF_INET
struct ClientAddress {
    DWORD addressFamily;
    BYTE address[20];  // for AF_INET the port in bytes 0-1, the octets in bytes 2-5
};

typedef BOOL(WINAPI* WtsQueryFunction)(HANDLE server, DWORD session, int infoClass, LPSTR* buffer, DWORD* bytes);
typedef BOOL(WINAPI* WfQueryFunction)(HANDLE server, DWORD session, int infoClass, LPWSTR* buffer, DWORD* bytes);
typedef void(WINAPI* FreeFunction)(PVOID memory);

// The session API bindings, rewritten by every load.
static WtsQueryFunction wtsQuerySessionInformation;
static FreeFunction wtsFreeMemory;
static WfQueryFunction wfQuerySessionInformation;
static FreeFunction wfFreeMemory;

int checkWtsVersion(void) {
    OSVERSIONINFOEXW version = {};
    version.dwOSVersionInfoSize = sizeof version;
    if (!sessionSystemCalls.getVersionExW((OSVERSIONINFOW*)&version)) return 0;
    if (version.dwPlatformId != VER_PLATFORM_WIN32_NT) return 0;
    if (version.dwMajorVersion < 5 || (version.dwMajorVersion == 5 && version.dwMinorVersion < 1)) {
        printf("Detection via WTS 32 API not supported for windows versions below Windows XP\n");
        fflush(stdout);
        return 0;
    }
    return 1;
}

// Loads `library` (never released: the pointers stay valid for the process)
// and looks up the pair; true when both are there.
template <typename Query>
static bool loadPair(const char* library, const char* queryName, Query* query, const char* releaseName,
                     FreeFunction* release) {
    HMODULE module = LoadLibraryA(library);
    if (module == nullptr) return false;
    *query = (Query)(void*)sessionSystemCalls.getProcAddress(module, queryName);
    *release = (FreeFunction)(void*)sessionSystemCalls.getProcAddress(module, releaseName);
    return *query != nullptr && *release != nullptr;
}

int loadWtsApi(void) {
    if (!checkWtsVersion()) return 0;
    return loadPair("WTSAPI32", "WTSQuerySessionInformationA", &wtsQuerySessionInformation, "WTSFreeMemory",
                    &wtsFreeMemory);
}

int loadCitrixApi(void) {
    return loadPair("WFAPI", "WFQuerySessionInformationW", &wfQuerySessionInformation, "WFFreeMemory",
                    &wfFreeMemory);
}

// The client's IPv4 address from an API's address record of `bytes` bytes;
// null for another family or a record too short to hold one.
static char* addressText(const void* record, DWORD bytes) {
    const ClientAddress* address = (const ClientAddress*)record;
    if (record == nullptr || bytes < offsetof(ClientAddress, address) + 6 || address->addressFamily != kAddressFamilyInet) {
        return nullptr;
    }
    return formatClientAddress(address->address + 2);
}

// The remote-desktop name, at most `bytes` bytes of it.
static char* nameText(const char* name, DWORD bytes) {
    if (name == nullptr) return nullptr;
    const size_t length = strnlen(name, bytes);
    char* text = (char*)malloc(length + 1);
    if (text == nullptr) return nullptr;
    memcpy(text, name, length);
    text[length] = '\0';
    return text;
}

// The Citrix name (UTF-16, at most `bytes` bytes) in the ANSI code page, as
// the remote-desktop API's 8-bit call gives its name.
static char* wideNameText(const wchar_t* name, DWORD bytes) {
    if (name == nullptr) return nullptr;
    const int units = (int)wcsnlen(name, bytes / sizeof(wchar_t));
    const int length = WideCharToMultiByte(CP_ACP, 0, name, units, nullptr, 0, nullptr, nullptr);
    char* text = (char*)calloc(1, (size_t)length + 1);
    if (text != nullptr && length > 0) WideCharToMultiByte(CP_ACP, 0, name, units, text, length, nullptr, nullptr);
    return text;
}

static void remoteDesktopFacts(SessionInfo* info) {
    info->rdpClient = info->displayLocal == 0;
    LPSTR buffer = nullptr;
    DWORD bytes = 0;
    if (wtsQuerySessionInformation(kCurrentServer, kCurrentSession, kClientNameClass, &buffer, &bytes)) {
        info->clientName = nameText(buffer, bytes);
        wtsFreeMemory(buffer);
    }
    buffer = nullptr;
    bytes = 0;
    if (wtsQuerySessionInformation(kCurrentServer, kCurrentSession, kClientAddressClass, &buffer, &bytes)) {
        info->clientAddress = addressText(buffer, bytes);
        wtsFreeMemory(buffer);
    }
}

// The Citrix answers replace the remote-desktop ones, also where Citrix has none.
static void citrixFacts(SessionInfo* info) {
    info->citrixApi = 1;
    free(info->clientName);
    free(info->clientAddress);
    info->clientName = info->clientAddress = nullptr;
    LPWSTR buffer = nullptr;
    DWORD bytes = 0;
    if (wfQuerySessionInformation(kCurrentServer, kCurrentSession, kClientNameClass, &buffer, &bytes)) {
        info->clientName = wideNameText(buffer, bytes);
        wfFreeMemory(buffer);
    }
    buffer = nullptr;
    bytes = 0;
    info->citrixClient =
        wfQuerySessionInformation(kCurrentServer, kCurrentSession, kClientAddressClass, &buffer, &bytes);
    if (info->citrixClient) {
        info->clientAddress = addressText(buffer, bytes);
        wfFreeMemory(buffer);
    }
}

void getSessionInfo(SessionInfo* info) {
    if (info == nullptr) return;
    *info = SessionInfo{};
    char userName[257];
    DWORD size = sizeof userName;
    if (GetUserNameA(userName, &size)) info->userName = strdup(userName);
    info->userHome = getUserHome();
    info->displayLocal = sessionSystemCalls.getSystemMetrics(SM_REMOTESESSION) == 0;
    if (loadWtsApi()) remoteDesktopFacts(info);
    if (loadCitrixApi()) citrixFacts(info);
}
