// The autorouter's socket primitives over BSD sockets.
#include <arpa/inet.h>
#include <errno.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <string.h>

#include "socket_platform.h"

const SocketHandle kNoSocket = (SocketHandle)-1;
const int kInterruptedCall = EINTR;
const int kAlreadyConnected = EISCONN;

void prepareSockets() {}

bool resolveHostName(const char* name, uint32_t* address) {
    // getaddrinfo rather than gethostbyname: its result belongs to the
    // caller, so threads resolving at once do not share a buffer.
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(name, nullptr, &hints, &found) != 0 || found == nullptr) return false;
    *address = ((const sockaddr_in*)found->ai_addr)->sin_addr.s_addr;
    freeaddrinfo(found);
    return true;
}

bool parseDottedAddress(const char* text, uint32_t* address) {
    const in_addr_t parsed = inet_addr(text);
    if (parsed == INADDR_NONE) return false;
    *address = parsed;
    return true;
}

bool localHostName(char* buffer, size_t capacity) {
    if (gethostname(buffer, capacity) != 0) return false;
    buffer[capacity - 1] = '\0';
    return true;
}

SocketHandle openStreamSocket() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    return fd < 0 ? kNoSocket : (SocketHandle)fd;
}

bool enableAddressReuse(SocketHandle socket) {
    const int on = 1;
    return setsockopt((int)socket, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) == 0;
}

static long long nowMilliseconds() {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (long long)now.tv_sec * 1000 + now.tv_nsec / 1000000;
}

// Connects without blocking and waits for the outcome at most
// kConnectMilliseconds: a listener whose backlog is full drops the attempt
// silently, and a blocking connect would wait minutes for the system's own
// time-out. The socket is blocking again afterwards.
int connectIPv4(SocketHandle socket, uint32_t address, uint16_t port) {
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_addr.s_addr = address;
    peer.sin_port = htons(port);
    const int fd = (int)socket;
    const int flags = fcntl(fd, F_GETFL);
    if (flags < 0 || fcntl(fd, F_SETFL, flags | O_NONBLOCK) != 0) return errno;
    int error = connect(fd, (const sockaddr*)&peer, sizeof peer) == 0 ? 0 : errno;
    if (error == EINPROGRESS) {
        const WaitResult wait = waitWritable(socket, kConnectMilliseconds);
        socklen_t size = sizeof error;
        if (wait == WRITABLE_TIMED_OUT) {
            error = ETIMEDOUT;
        } else if (wait == WRITABLE_WAIT_FAILED || getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) != 0) {
            error = errno;
        }
    }
    fcntl(fd, F_SETFL, flags);
    return error;
}

// poll, not select: a process as large as a Java runtime may hold
// descriptors beyond select's fixed set size. A signal that interrupts the
// wait does not end it; the wait goes on for the time that is left.
WaitResult waitWritable(SocketHandle socket, int milliseconds) {
    const long long deadline = nowMilliseconds() + milliseconds;
    for (;;) {
        pollfd entry{(int)socket, POLLOUT, 0};
        const long long left = deadline - nowMilliseconds();
        const int ready = poll(&entry, 1, left > 0 ? (int)left : 0);
        if (ready > 0) return WRITABLE;
        if (ready == 0) return WRITABLE_TIMED_OUT;
        if (errno != EINTR) return WRITABLE_WAIT_FAILED;
    }
}

// MSG_NOSIGNAL: a peer that has gone away gives an error, not a SIGPIPE that
// would end the Java process.
long sendSome(SocketHandle socket, const char* bytes, size_t count) {
    for (;;) {
        const ssize_t sent = send((int)socket, bytes, count, MSG_NOSIGNAL);
        if (sent >= 0 || errno != EINTR) return (long)sent;
    }
}

int lastSocketError() { return errno; }

void closeSocket(SocketHandle socket) { close((int)socket); }
