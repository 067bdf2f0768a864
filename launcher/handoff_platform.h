// The platform primitives behind the hand-off; one implementation in
// handoff_win32.cpp, one in handoff_posix.cpp.
#pragma once

#include <stddef.h>
#include <stdint.h>

// An open TCP socket; kNoSocket when there is none.
typedef intptr_t ViewerSocket;
const ViewerSocket kNoSocket = -1;

// The user's profile folder into `buffer`; false when the system cannot say.
bool userProfileFolder(char* buffer, size_t capacity);

// The properties file below the profile folder: "%s\.tarvo\client.properties"
// on Windows, "%s/.tarvo/client.properties" on Linux.
extern const char kPropertiesPathFormat[];

// Starts the sockets library for one connection (Windows Sockets 1.1); false
// when it cannot start.
bool startSockets();
// Ends one use of the sockets library.
void stopSockets();

// A TCP connection to 127.0.0.1 at `port`, or kNoSocket.
ViewerSocket connectToLoopback(int port);

// One send call; the number of bytes the system took, or -1.
long sendOnce(ViewerSocket socket, const char* bytes, size_t length);

void closeSocket(ViewerSocket socket);

// Sends `text` with one send call. Returns its length when all of it went out
// (0 for an empty text); else prints "Send to socket failed" and returns 0.
int sendText(ViewerSocket socket, const char* text);
