// Linux primitives behind the hand-off: the home folder as the profile, and
// BSD sockets (which need no start).
#include <arpa/inet.h>
#include <netinet/in.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <unistd.h>

#include "handoff_platform.h"
#include "utilglobal.h"

const char kPropertiesPathFormat[] = "%s/.tarvo/client.properties";

bool userProfileFolder(char* buffer, size_t capacity) {
    char* home = getUserHome();
    const bool fits = home != nullptr && strlen(home) < capacity;
    if (fits) strcpy(buffer, home);
    free(home);
    return fits;
}

bool startSockets() { return true; }

void stopSockets() {}

ViewerSocket connectToLoopback(int port) {
    const int s = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (s < 0) return kNoSocket;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = inet_addr("127.0.0.1");
    address.sin_port = htons((uint16_t)port);
    if (connect(s, (const sockaddr*)&address, sizeof address) != 0) {
        close(s);
        return kNoSocket;
    }
    return s;
}

long sendOnce(ViewerSocket socket, const char* bytes, size_t length) {
    // A viewer that went away must not end the launcher with SIGPIPE.
    return (long)send((int)socket, bytes, length, MSG_NOSIGNAL);
}

void closeSocket(ViewerSocket socket) { close((int)socket); }
