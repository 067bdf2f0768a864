// The libpq connection string of the routing database.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "routing.h"

// libpq ends an unquoted value at white space and reads a backslash in it as
// an escape, and a quote opens a quoted value: such values, and empty ones,
// must be quoted. Ordinary values stay as they are.
static bool needsQuoting(const char* value) {
    return *value == '\0' || strpbrk(value, " \t\n\r\v\f'\\") != nullptr;
}

static char* put(char* end, const char* text) {
    const size_t length = strlen(text);
    memcpy(end, text, length + 1);
    return end + length;
}

// Appends "keyword=value", behind a blank unless it is the first.
static char* appendKeyword(char* start, char* end, const char* keyword, const char* value) {
    if (end != start) end = put(end, " ");
    end = put(put(end, keyword), "=");
    if (!needsQuoting(value)) return put(end, value);
    *end++ = '\'';
    for (const char* p = value; *p != '\0'; ++p) {
        if (*p == '\'' || *p == '\\') *end++ = '\\';
        *end++ = *p;
    }
    return put(end, "'");
}

// The room " keyword=value" can take at most, quoted and escaped.
static size_t roomFor(const char* keyword, const char* value) {
    return value != nullptr ? strlen(keyword) + 2 * strlen(value) + 4 : 0;
}

char* buildConnectionString(const RoutingConfig* config) {
    const char* name = config->dbName != nullptr ? config->dbName : "";
    const char* host = config->dbHost != nullptr ? config->dbHost : "";
    char port[16];
    snprintf(port, sizeof port, "%d", (int)config->dbPort);
    char timeout[16];
    snprintf(timeout, sizeof timeout, "%d", (int)config->dbConnectTimeout);
    const char* timeoutValue = config->dbConnectTimeout > 0 ? timeout : nullptr;
    // libpq tries the hosts of a list in turn; a standby must not be taken.
    const char* sessionAttributes = strchr(host, ',') != nullptr ? "read-write" : nullptr;
    const struct {
        const char* keyword;
        const char* value;
    } optional[] = {{"user", config->dbUser},
                    {"password", config->dbPassword},
                    {"connect_timeout", timeoutValue},
                    {"sslmode", config->dbSslMode},
                    {"sslrootcert", config->dbSslRootCert},
                    {"target_session_attrs", sessionAttributes}};
    size_t room = roomFor("dbname", name) + roomFor("host", host) + roomFor("port", port) + 1;
    for (const auto& entry : optional) room += roomFor(entry.keyword, entry.value);
    char* text = (char*)malloc(room);
    if (text == nullptr) return nullptr;
    char* end = appendKeyword(text, text, "dbname", name);
    end = appendKeyword(text, end, "host", host);
    end = appendKeyword(text, end, "port", port);
    for (const auto& entry : optional) {
        if (entry.value != nullptr) end = appendKeyword(text, end, entry.keyword, entry.value);
    }
    return text;
}
