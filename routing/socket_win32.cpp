// The autorouter's socket primitives over Windows Sockets.
#include <winsock2.h>

#include <string.h>

#include "socket_platform.h"

const SocketHandle kNoSocket = (SocketHandle)INVALID_SOCKET;
const int kInterruptedCall = WSAEINTR;
const int kAlreadyConnected = WSAEISCONN;

// Winsock is started once, at the first notification of the process, and
// stays up until the process ends: other code of the process may use it too,
// and Windows releases it at exit.
void prepareSockets() {
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    (void)started;
}

bool resolveHostName(const char* name, uint32_t* address) {
    // Winsock keeps gethostbyname's result per thread.
    const hostent* host = gethostbyname(name);
    if (host == nullptr || host->h_addrtype != AF_INET || host->h_addr_list[0] == nullptr) return false;
    memcpy(address, host->h_addr_list[0], sizeof *address);
    return true;
}

bool parseDottedAddress(const char* text, uint32_t* address) {
    const unsigned long parsed = inet_addr(text);
    if (parsed == INADDR_NONE) return false;
    *address = (uint32_t)parsed;
    return true;
}

bool localHostName(char* buffer, size_t capacity) {
    if (gethostname(buffer, (int)capacity) != 0) return false;
    buffer[capacity - 1] = '\0';
    return true;
}

SocketHandle openStreamSocket() { return (SocketHandle)socket(AF_INET, SOCK_STREAM, 0); }

bool enableAddressReuse(SocketHandle socket) {
    const BOOL on = TRUE;
    return setsockopt((SOCKET)socket, SOL_SOCKET, SO_REUSEADDR, (const char*)&on, sizeof on) == 0;
}

// Connects without blocking and waits for the outcome at most
// kConnectMilliseconds: a listener whose backlog is full refuses nothing
// and answers nothing, and a blocking connect would wait far longer. The
// socket is blocking again afterwards.
int connectIPv4(SocketHandle socket, uint32_t address, uint16_t port) {
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_addr.s_addr = address;
    peer.sin_port = htons(port);
    const SOCKET s = (SOCKET)socket;
    u_long nonBlocking = 1;
    if (ioctlsocket(s, FIONBIO, &nonBlocking) != 0) return WSAGetLastError();
    int error = connect(s, (const sockaddr*)&peer, sizeof peer) == 0 ? 0 : WSAGetLastError();
    if (error == WSAEWOULDBLOCK) {
        fd_set writable, failed;
        FD_ZERO(&writable);
        FD_ZERO(&failed);
        FD_SET(s, &writable);
        FD_SET(s, &failed);
        timeval timeout{kConnectMilliseconds / 1000, (kConnectMilliseconds % 1000) * 1000};
        const int ready = select(0, nullptr, &writable, &failed, &timeout);
        int size = sizeof error;
        if (ready == 0) {
            error = WSAETIMEDOUT;
        } else if (ready < 0) {
            error = WSAGetLastError();
        } else if (FD_ISSET(s, &failed)) {
            if (getsockopt(s, SOL_SOCKET, SO_ERROR, (char*)&error, &size) != 0 || error == 0) error = WSAGetLastError();
        } else {
            error = 0;
        }
    }
    nonBlocking = 0;
    ioctlsocket(s, FIONBIO, &nonBlocking);
    return error;
}

WaitResult waitWritable(SocketHandle socket, int milliseconds) {
    fd_set writable;
    FD_ZERO(&writable);
    FD_SET((SOCKET)socket, &writable);
    timeval timeout{milliseconds / 1000, (milliseconds % 1000) * 1000};
    const int ready = select(0, nullptr, &writable, nullptr, &timeout);
    if (ready > 0) return WRITABLE;
    return ready == 0 ? WRITABLE_TIMED_OUT : WRITABLE_WAIT_FAILED;
}

long sendSome(SocketHandle socket, const char* bytes, size_t count) {
    const int sent = send((SOCKET)socket, bytes, (int)count, 0);
    return sent == SOCKET_ERROR ? -1 : sent;
}

int lastSocketError() { return WSAGetLastError(); }

void closeSocket(SocketHandle socket) { closesocket((SOCKET)socket); }
