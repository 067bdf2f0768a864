// The remote session under Wine: the local console as Wine's own WTSAPI32
// answers it, the remote-desktop branch through the seams, and the Citrix
// branch through the stand-in WFAPI.dll.
#include <gtest/gtest.h>

#include <windows.h>

#include <stdlib.h>
#include <string.h>

#include <string>

#include "session_calls_win32.h"
#include "test_support.h"
#include "utilglobal.h"

using namespace tarvo_test;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

namespace {

const char kVersionMessage[] = "Detection via WTS 32 API not supported for windows versions below Windows XP\n";

struct ClientAddress {
    DWORD addressFamily;
    BYTE address[20];
};

// What the remote-desktop API of the seam answers.
struct RemoteDesktop {
    const char* name = nullptr;  // null: the query fails
    DWORD family = 2;
    DWORD addressBytes = sizeof(ClientAddress);
    int released = 0;
} remote;

BOOL WINAPI fakeWtsQuery(HANDLE server, DWORD session, int infoClass, LPSTR* buffer, DWORD* bytes) {
    if (server != nullptr || session != (DWORD)-1) return FALSE;
    if (infoClass == 10 && remote.name != nullptr) {
        *buffer = strdup(remote.name);
        *bytes = (DWORD)strlen(remote.name) + 1;
        return TRUE;
    }
    if (infoClass == 14) {
        ClientAddress* address = (ClientAddress*)calloc(1, sizeof(ClientAddress));
        address->addressFamily = remote.family;
        const BYTE octets[] = {0x0d, 0x3d, 192, 168, 1, 20};  // port 3389, then the address
        memcpy(address->address, octets, sizeof octets);
        *buffer = (LPSTR)address;
        *bytes = remote.addressBytes;
        return TRUE;
    }
    return FALSE;
}

void WINAPI fakeWtsFree(PVOID memory) {
    ++remote.released;
    free(memory);
}

FARPROC WINAPI fakeGetProcAddress(HMODULE module, LPCSTR name) {
    if (strcmp(name, "WTSQuerySessionInformationA") == 0) return (FARPROC)(void*)fakeWtsQuery;
    if (strcmp(name, "WTSFreeMemory") == 0) return (FARPROC)(void*)fakeWtsFree;
    return GetProcAddress(module, name);
}

int WINAPI remoteSession(int index) { return index == SM_REMOTESESSION ? 1 : GetSystemMetrics(index); }

OSVERSIONINFOEXW fakeVersion;
BOOL WINAPI fakeGetVersion(OSVERSIONINFOW* version) {
    memcpy(version, &fakeVersion, sizeof fakeVersion);
    return TRUE;
}

struct Facts {
    int local, rdp, citrixApi, citrixClient;
    std::string name, address;  // "<null>" for null
};

Facts session() {
    SessionInfo info;
    getSessionInfo(&info);
    Facts facts{info.displayLocal, info.rdpClient, info.citrixApi, info.citrixClient,
                info.clientName ? info.clientName : "<null>", info.clientAddress ? info.clientAddress : "<null>"};
    freeSessionInfo(&info);
    return facts;
}

class SessionInfoWin32 : public testing::Test {
protected:
    void SetUp() override { remote = RemoteDesktop{}; }
    void TearDown() override {
        sessionSystemCalls = saved;
        useCitrixStandIn(false);
        unsetEnv("TARVO_WFAPI_MODE");
    }

    // A session from a remote-desktop client at 192.168.1.20.
    void remoteDesktopClient() {
        remote.name = "THINCLIENT7";
        sessionSystemCalls.getSystemMetrics = remoteSession;
        sessionSystemCalls.getProcAddress = fakeGetProcAddress;
    }

    // Puts the stand-in WFAPI.dll where the loader looks, or takes it away
    // (unloaded, so that the next load searches again).
    static void useCitrixStandIn(bool use) {
        while (HMODULE loaded = GetModuleHandleA("WFAPI.dll")) FreeLibrary(loaded);
        SetDllDirectoryA(use ? (programDirectory() / "citrix").string().c_str() : nullptr);
    }

    const SessionSystemCalls saved = sessionSystemCalls;
};

TEST_F(SessionInfoWin32, AtTheLocalConsole) {
    EXPECT_EQ(loadWtsApi(), 1);
    EXPECT_EQ(loadCitrixApi(), 0);
    const Facts facts = session();
    EXPECT_EQ(facts.local, 1);
    EXPECT_EQ(facts.rdp, 0);
    EXPECT_EQ(facts.citrixApi, 0);
    EXPECT_EQ(facts.name, "<null>");
    EXPECT_EQ(facts.address, "<null>");

    SessionInfo info;
    getSessionInfo(&info);
    char user[257];
    DWORD size = sizeof user;
    ASSERT_TRUE(GetUserNameA(user, &size));
    EXPECT_STREQ(info.userName, user);
    EXPECT_NE(info.userHome, nullptr);
    freeSessionInfo(&info);
    getSessionInfo(nullptr);
}

TEST_F(SessionInfoWin32, ARemoteDesktopClientIsNamedWithItsAddress) {
    remoteDesktopClient();
    Facts facts = session();
    EXPECT_EQ(facts.local, 0);
    EXPECT_EQ(facts.rdp, 1);
    EXPECT_EQ(facts.name, "THINCLIENT7");
    EXPECT_EQ(facts.address, "192.168.1.20");
    EXPECT_EQ(remote.released, 2) << "both answers go back to the API";

    // An address of another family, a record too short to hold one, and a
    // failing name query leave their fields null.
    remote.family = 23;
    EXPECT_EQ(session().address, "<null>");
    remote.family = 2;
    remote.addressBytes = 4;
    EXPECT_EQ(session().address, "<null>");
    remote.name = nullptr;
    EXPECT_EQ(session().name, "<null>");
}

TEST_F(SessionInfoWin32, OnlyWindowsXpAndLaterUseTheRemoteDesktopApi) {
    sessionSystemCalls.getVersionExW = fakeGetVersion;
    const struct {
        DWORD platform, major, minor;
        int usable;
        bool message;
    } cases[] = {{2, 5, 0, 0, true},  {2, 4, 0, 0, true},  {2, 5, 1, 1, false}, {2, 5, 2, 1, false},
                 {2, 6, 0, 1, false}, {2, 10, 0, 1, false}, {1, 4, 10, 0, false}};
    for (const auto& c : cases) {
        fakeVersion = OSVERSIONINFOEXW{};
        fakeVersion.dwPlatformId = c.platform;
        fakeVersion.dwMajorVersion = c.major;
        fakeVersion.dwMinorVersion = c.minor;
        CaptureStdout();
        EXPECT_EQ(checkWtsVersion(), c.usable) << c.major << "." << c.minor;
        EXPECT_EQ(GetCapturedStdout(), c.message ? kVersionMessage : "") << c.major << "." << c.minor;
    }

    // Windows 2000 in a remote session: remote, but no remote-desktop facts.
    remoteDesktopClient();
    fakeVersion.dwPlatformId = 2;
    fakeVersion.dwMajorVersion = 5;
    fakeVersion.dwMinorVersion = 0;
    CaptureStdout();
    const Facts facts = session();
    EXPECT_EQ(GetCapturedStdout(), kVersionMessage);
    EXPECT_EQ(facts.local, 0);
    EXPECT_EQ(facts.rdp, 0);
    EXPECT_EQ(facts.name, "<null>");
}

TEST_F(SessionInfoWin32, CitrixAnswersReplaceTheRemoteDesktopOnes) {
    remoteDesktopClient();
    useCitrixStandIn(true);
    EXPECT_EQ(loadCitrixApi(), 1);
    Facts facts = session();
    EXPECT_EQ(facts.rdp, 1);
    EXPECT_EQ(facts.citrixApi, 1);
    EXPECT_EQ(facts.citrixClient, 1);
    EXPECT_EQ(facts.name, "CTX-CLIENT-\xDC" "7");  // the whole name, in code page 1252
    EXPECT_EQ(facts.address, "10.20.30.40");

    setEnv("TARVO_WFAPI_MODE", "name-fails");
    facts = session();
    EXPECT_EQ(facts.name, "<null>") << "not the remote-desktop name";
    EXPECT_EQ(facts.address, "10.20.30.40");

    setEnv("TARVO_WFAPI_MODE", "not-inet");
    facts = session();
    EXPECT_EQ(facts.citrixClient, 1);
    EXPECT_EQ(facts.address, "<null>");

    setEnv("TARVO_WFAPI_MODE", "address-fails");
    facts = session();
    EXPECT_EQ(facts.citrixClient, 0);
    EXPECT_EQ(facts.address, "<null>") << "not the remote-desktop address";
    EXPECT_EQ(facts.name, "CTX-CLIENT-\xDC" "7");
}

TEST_F(SessionInfoWin32, WithoutCitrixOnlyItsFactsAreMissing) {
    remoteDesktopClient();
    useCitrixStandIn(false);
    const Facts facts = session();
    EXPECT_EQ(facts.citrixApi, 0);
    EXPECT_EQ(facts.citrixClient, 0);
    EXPECT_EQ(facts.name, "THINCLIENT7");
    EXPECT_EQ(facts.address, "192.168.1.20");
}

}  // namespace
