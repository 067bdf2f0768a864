// Sending one request line to the autorouter service.
#include <stdio.h>
#include <string.h>

#include "routing.h"
#include "socket_platform.h"
#include "text_encoding.h"

int (*autorouterConnect)(SocketHandle, uint32_t, uint16_t) = connectIPv4;

// The request line with its terminator: a query of at most 2 031 characters.
static const size_t kLineCapacity = 2048;
static const size_t kSendPiece = 8192;
static const int kWritableWaitMs = kConnectMilliseconds;  // the connect waits as long
static const int32_t kHighestPort = 65535;
static const int kMaxConnectFailures = 20;

int getHostaddrByWhatever(const char* name, uint32_t* address) {
    prepareSockets();
    if (name != nullptr && *name != '\0') {
        return resolveHostName(name, address) || parseDottedAddress(name, address);
    }
    char own[255];
    return localHostName(own, sizeof own) && resolveHostName(own, address);
}

// Connects, trying again at once after an interrupted call. A retry that
// finds the socket already connected means the interrupted attempt went on
// and succeeded.
static bool connectWithRetries(SocketHandle socket, uint32_t address, uint16_t port, const char* host) {
    for (int failures = 0;;) {
        const int error = autorouterConnect(socket, address, port);
        if (error == 0 || (failures > 0 && error == kAlreadyConnected)) return true;
        ++failures;
        fprintf(stderr, "sendMessageAutorouter: connect to (%s) failed: %i\n", host, error);
        fflush(stderr);
        if (failures > kMaxConnectFailures) {
            fprintf(stderr, "sendMessageAutorouter: cancel connect while too many errors\n");
            fflush(stderr);
            return false;
        }
        if (error != kInterruptedCall) return false;
    }
}

static bool sendAll(SocketHandle socket, const char* bytes, size_t count) {
    for (size_t sent = 0; sent < count;) {
        const size_t piece = count - sent < kSendPiece ? count - sent : kSendPiece;
        const long n = sendSome(socket, bytes + sent, piece);
        if (n < 0) {
            fprintf(stderr, "sendMessageAutorouter: error in write data: %d \n", lastSocketError());
            return false;
        }
        sent += (size_t)n;
    }
    return true;
}

void sendMessageAutorouter(const char* host, int32_t port, const char* request, const char* okText) {
    if (host == nullptr) host = "127.0.0.1";
    if (port == 0) port = 7375;
    // A port beyond TCP's range would wrap to another one.
    if (port < 0 || port > kHighestPort) {
        fprintf(stderr, "sendMessageAutorouter: port %d out of range\n", (int)port);
        return;
    }
    // A request the service's buffer cannot hold is not sent at all: cut,
    // it would name another container or file.
    if (request == nullptr) request = "";
    char line[kLineCapacity];
    const int length = snprintf(line, sizeof line, "GET /?%s HTTP/1.1\n", request);
    if (length < 0 || (size_t)length >= sizeof line) {
        fprintf(stderr,
                "sendMessageAutorouter: request too long (%zu characters in %zu bytes, at most %d bytes), not "
                "sent\n",
                platformCharacterCount(request), strlen(request), (int)(kLineCapacity - strlen("GET /? HTTP/1.1\n") - 1));
        return;
    }

    prepareSockets();
    uint32_t address;
    if (!getHostaddrByWhatever(host, &address)) {
        fprintf(stderr, "sendMessageAutorouter: getHostaddrByWhatever (%s) failed\n", host);
        return;
    }
    const SocketHandle socket = openStreamSocket();
    if (socket == kNoSocket) {
        fprintf(stderr, "sendMessageAutorouter: creating socket failed\n");
        return;
    }
    if (!enableAddressReuse(socket)) fprintf(stderr, "sendMessageAutorouter: setsockopt - SO_REUSEADDR failed\n");
    if (!connectWithRetries(socket, address, (uint16_t)port, host)) {
        closeSocket(socket);
        return;
    }
    const WaitResult wait = waitWritable(socket, kWritableWaitMs);
    if (wait != WRITABLE) {
        closeSocket(socket);
        fprintf(stderr, wait == WRITABLE_TIMED_OUT ? "sendMessageAutorouter: timeout in select \n"
                                             : "sendMessageAutorouter: select failed\n");
        return;
    }
    const bool sent = sendAll(socket, line, (size_t)length);
    closeSocket(socket);
    if (sent && okText != nullptr) fprintf(stderr, "sendMessageAutorouter ok: %s\n", okText);
}
