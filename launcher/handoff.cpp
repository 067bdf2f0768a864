// The hand-off to a running viewer: which messages go out, on which
// connection, and in which order.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <initializer_list>

#include "handoff.h"
#include "heap_text.h"
#include "handoff_platform.h"
#include "config_launcher.h"

int sendText(ViewerSocket socket, const char* text) {
    const size_t length = strlen(text);
    if (sendOnce(socket, text, length) == (long)length) return (int)length;
    fputs("Send to socket failed", stderr);
    return 0;
}

// Starts the sockets library and connects, with the messages of both steps;
// kNoSocket on failure.
static ViewerSocket openViewerConnection(int port) {
    if (!startSockets()) {
        fputs("Cant initialize winsock.\n", stderr);
        return kNoSocket;
    }
    if (getDebug()) fputs("Winsock initialized.\n", stderr);
    const ViewerSocket socket = connectToLoopback(port);
    if (socket == kNoSocket) {
        fprintf(stderr, "Can't connect to port %d\n", port);
        stopSockets();
    }
    return socket;
}

static void closeViewerConnection(ViewerSocket socket) {
    closeSocket(socket);
    stopSockets();
}

bool sendToViewer(const char* text, int port) {
    if (text == nullptr || port < 1) return false;
    const ViewerSocket socket = openViewerConnection(port);
    if (socket == kNoSocket) return false;
    const bool sent = sendText(socket, text) != 0;
    if (!sent) fputs("Send to socket failed", stderr);
    closeViewerConnection(socket);
    return sent;
}

// Sends `prefix`, `value` and "|" as one message; true when it went out whole.
static bool sendOption(ViewerSocket socket, const char* prefix, const char* value) {
    char* message = formatText("%s%s|", prefix, value);
    if (message == nullptr) return false;
    const bool sent = sendText(socket, message) != 0;
    free(message);
    return sent;
}

bool forwardOptions(int argc, char** argv, int port) {
    const ViewerSocket socket = openViewerConnection(port);
    if (socket == kNoSocket) return false;
    bool querySent = false;
    // Every position but the last may hold an option word; its value follows
    // it, and is itself looked at as a word at the next position.
    for (int i = 1; i < argc - 1; ++i) {
        const char* word = argv[i];
        const char* value = argv[i + 1];
        if (strcmp(word, "--query") == 0 || strcmp(word, "--q") == 0) {
            querySent = sendOption(socket, "", value);
        } else if (strcmp(word, "--ticket") == 0 || strcmp(word, "--t") == 0) {
            sendOption(socket, "TICKET ", value);
        } else if (strcmp(word, "--ticketParam") == 0 || strcmp(word, "--tp") == 0) {
            sendOption(socket, "TICKETPARAM ", value);
        }
    }
    closeViewerConnection(socket);
    return querySent;
}

bool forwardQuery(char* query, int port) {
    const char* trimmed = trimSlashes(query);
    char* decoded = (char*)malloc(strlen(trimmed) + 1);
    if (decoded == nullptr) return false;
    urlDecode(trimmed, decoded);
    const bool sent = sendToViewer(decoded, port);
    free(decoded);
    return sent;
}

// True for an argument that is a "tarvo:" or "morvint:" URL, the scheme in
// any case.
static bool isViewerUrl(const char* argument) {
    for (const char* scheme : {"tarvo:", "morvint:"}) {
        size_t i = 0;
        while (scheme[i] != '\0' && argument[i] != '\0' &&
               (argument[i] >= 'A' && argument[i] <= 'Z' ? argument[i] + ('a' - 'A') : argument[i]) == scheme[i]) {
            ++i;
        }
        if (scheme[i] == '\0') return true;
    }
    return false;
}

void handOff(int argc, char** argv) {
    char profile[4096];
    if (!userProfileFolder(profile, sizeof profile)) {
        fputs("Can't get user home directory.\n", stderr);
        return;
    }
    char path[4096 + 32];
    const int written = snprintf(path, sizeof path, kPropertiesPathFormat, profile);
    const int port = (written > 0 && (size_t)written < sizeof path) ? readRemotePort(path) : -1;
    if (port < 1) {
        fputs("Can't determine port no.\n", stderr);
        return;
    }

    if (argc > 1 && isViewerUrl(argv[1]) && strstr(argv[1], "query=") != nullptr) {
        char* query = extractBetween(argv[1], "query=", "&urlParams=");
        const bool sent = query != nullptr && forwardQuery(query, port);
        free(query);
        if (sent) return;
    }
    if (forwardOptions(argc, argv, port)) return;
    sendToViewer("TOFRONT", port);
}
