// readRemotePort: the port the running viewer publishes in "client.properties".
#include <ctype.h>
#include <stdio.h>
#include <string.h>

#include "handoff.h"

// The largest port a TCP connection can use; a larger number would wrap.
static const long kHighestPort = 65535;

// Reads a number by the rules of atoi (leading blanks, an optional sign,
// digits up to the first other character), without atoi's overflow.
static long readNumber(const char* text) {
    while (isspace((unsigned char)*text)) ++text;
    const bool negative = *text == '-';
    if (*text == '-' || *text == '+') ++text;
    long value = 0;
    for (; isdigit((unsigned char)*text); ++text) {
        if (value <= kHighestPort) value = value * 10 + (*text - '0');
    }
    return negative ? -value : value;
}

int readRemotePort(const char* path) {
    FILE* file = fopen(path, "rt");
    if (file == nullptr) {
        fputs("Reading remotePort failed", stderr);
        return -1;
    }
    long port = -1;
    // At most 127 characters a read: a longer line is taken in pieces.
    char line[128];
    while (fgets(line, sizeof line, file) != nullptr) {
        // The key runs to the first "=" (leading ones skipped), or to the end.
        char* key = line + strspn(line, "=");
        char* separator = strchr(key, '=');
        if (separator != nullptr) *separator = '\0';
        if (strcmp(key, "remotePort") != 0) continue;
        // The value runs to the next "=" or the end of the line, line end
        // included. The first "remotePort" line ends the search, value or not.
        if (separator != nullptr) {
            char* value = separator + 1;
            value[strcspn(value, "=")] = '\0';
            if (*value != '\0') port = readNumber(value);
        }
        break;
    }
    fclose(file);
    return port <= kHighestPort ? (int)port : -1;
}
