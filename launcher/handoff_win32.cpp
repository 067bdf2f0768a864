// Windows primitives behind the hand-off: the profile folder and Windows Sockets.
#include <winsock2.h>
#include <windows.h>
#include <shlobj.h>

#include "handoff_platform.h"

const char kPropertiesPathFormat[] = "%s\\.tarvo\\client.properties";

bool userProfileFolder(char* buffer, size_t capacity) {
    if (capacity < MAX_PATH) return false;
    return SUCCEEDED(SHGetFolderPathA(nullptr, CSIDL_PROFILE, nullptr, 0, buffer));
}

bool startSockets() {
    WSADATA data;
    return WSAStartup(0x0101, &data) == 0;
}

void stopSockets() { WSACleanup(); }

ViewerSocket connectToLoopback(int port) {
    const SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    if (s == INVALID_SOCKET) return kNoSocket;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = inet_addr("127.0.0.1");
    address.sin_port = htons((u_short)port);
    if (connect(s, (const sockaddr*)&address, sizeof address) != 0) {
        closesocket(s);
        return kNoSocket;
    }
    return (ViewerSocket)s;
}

long sendOnce(ViewerSocket socket, const char* bytes, size_t length) {
    return send((SOCKET)socket, bytes, (int)length, 0);
}

void closeSocket(ViewerSocket socket) { closesocket((SOCKET)socket); }
