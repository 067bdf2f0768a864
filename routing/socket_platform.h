// The socket primitives behind the autorouter notification; one
// implementation over Winsock (socket_win32.cpp), one over BSD sockets
// (socket_posix.cpp). Addresses are IPv4 in network byte order.
#pragma once

#include <stddef.h>
#include <stdint.h>

typedef uintptr_t SocketHandle;  // a SOCKET on Windows, a file descriptor elsewhere

extern const SocketHandle kNoSocket;
extern const int kInterruptedCall;   // WSAEINTR (10004) or EINTR
extern const int kAlreadyConnected;  // WSAEISCONN or EISCONN

// Makes the socket library ready for this process, once; later calls do
// nothing. Every entry point of the notification calls it first.
void prepareSockets();

// The first IPv4 address of a host name.
bool resolveHostName(const char* name, uint32_t* address);
// A dotted-decimal address; the all-ones value of invalid input is refused.
bool parseDottedAddress(const char* text, uint32_t* address);
// This machine's host name, NUL-terminated within `capacity` bytes.
bool localHostName(char* buffer, size_t capacity);

SocketHandle openStreamSocket();
bool enableAddressReuse(SocketHandle socket);
// How long a connect may take: the same as the wait for a writable socket.
const int kConnectMilliseconds = 5000;

// A connect bounded by kConnectMilliseconds (the code of a time-out then,
// ETIMEDOUT or WSAETIMEDOUT); the socket stays blocking. Returns 0 or the
// socket error code.
int connectIPv4(SocketHandle socket, uint32_t address, uint16_t port);

enum WaitResult { WRITABLE, WRITABLE_TIMED_OUT, WRITABLE_WAIT_FAILED };
WaitResult waitWritable(SocketHandle socket, int milliseconds);

// Sends some of the bytes; returns how many, or -1 (see lastSocketError).
long sendSome(SocketHandle socket, const char* bytes, size_t count);
int lastSocketError();
void closeSocket(SocketHandle socket);

// The connect that sendMessageAutorouter calls: connectIPv4, unless a test
// puts another in its place to produce failures that real sockets do not
// give on demand.
extern int (*autorouterConnect)(SocketHandle socket, uint32_t address, uint16_t port);
