// Statement texts that need no connection: the source lookup statement, the
// escaping of a value for a statement run elsewhere, and the check of values
// that go into a statement unquoted.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "routing.h"

// Ranks the matching sources by how many of sender, destination and sender
// host their pattern row names. Two blanks before FROM, no semicolon.
#define SOURCE_LOOKUP_SELECT                                                                                   \
    "SELECT s.id, s.priority, d.timeout, s.alias, CASE WHEN d.destination is not null and d.sender is not null " \
    "and d.senderhost is not null THEN 3 WHEN d.sender is not null and d.senderhost is not null and "           \
    "d.destination is null THEN 2 WHEN d.sender is not null and d.destination is not null and senderhost is "   \
    "null THEN 2 WHEN d.destination is not null and d.senderhost is not null THEN 2 ELSE 1 END AS specificity"
#define SOURCE_LOOKUP_FROM                                                                                       \
    "  FROM source_lookup s, source_lookup_data d where (s.active=true) and (d.active=true) and (s.id = "        \
    "d.parentid) and ((((d.useregex is null or d.useregex = false) and ((d.sender='%s') or d.sender is null)) " \
    "and ((d.destination='%s') or (d.destination is null)) and ((d.senderhost='%s') or (d.senderhost is "      \
    "null)) ) OR ( (d.useregex = true) and ( ('%s' ~ d.sender) or (d.sender is null)) and (('%s' ~ "            \
    "d.destination) or (d.destination is null)) and (('%s' ~ d.senderhost) or (d.senderhost is null)))) "       \
    "order by specificity desc, destination, sender, senderhost"

static const char kSourceLookupSql[] = SOURCE_LOOKUP_SELECT SOURCE_LOOKUP_FROM;
// The pattern columns are named apart, so the ORDER BY still names the
// pattern row's own columns.
static const char kSourceLookupReasonSql[] = SOURCE_LOOKUP_SELECT
    ", d.sender AS pattern_sender, d.destination AS pattern_destination, d.senderhost AS pattern_senderhost, "
    "d.useregex AS pattern_regex" SOURCE_LOOKUP_FROM;

int buildSourceLookupSql(char* buffer, const char* sender, const char* destination, const char* senderHost,
                         size_t characters) {
    const int length = snprintf(buffer, SOURCE_LOOKUP_SQL_CAPACITY, kSourceLookupSql, sender, destination,
                                senderHost, sender, destination, senderHost);
    if (length < 0 || length >= SOURCE_LOOKUP_SQL_CAPACITY) {
        buffer[0] = '\0';
        fprintf(stderr,
                "ContainerSourceLookupSQL: sender, destination and sender host too long (%zu characters, %zu "
                "bytes as escaped, at most %d bytes together), not looked up\n",
                characters, strlen(sender) + strlen(destination) + strlen(senderHost),
                (SOURCE_LOOKUP_SQL_CAPACITY - 951) / 2);
        return 0;
    }
    routingDebugLog("ContainerSourceLookupSQL: %s\n", buffer);
    return 1;
}

int buildSourceLookupReasonSql(char* buffer, const char* sender, const char* destination, const char* senderHost) {
    const size_t capacity = SOURCE_LOOKUP_SQL_CAPACITY + 160;
    const int length = snprintf(buffer, capacity, kSourceLookupReasonSql, sender, destination, senderHost, sender,
                                destination, senderHost);
    return length >= 0 && (size_t)length < capacity;
}

char* escapeSqlText(const char* text, int standardStrings) {
    size_t length = 0;
    for (const char* p = text; *p != '\0'; ++p) {
        length += (*p == '\'' || (*p == '\\' && !standardStrings)) ? 2 : 1;
    }
    char* escaped = (char*)malloc(length + 1);
    if (escaped == nullptr) return nullptr;
    char* out = escaped;
    for (const char* p = text; *p != '\0'; ++p) {
        if (*p == '\'' || (*p == '\\' && !standardStrings)) *out++ = *p;
        *out++ = *p;
    }
    *out = '\0';
    return escaped;
}

int isDecimalInteger(const char* text) {
    if (*text == '-') ++text;
    if (*text == '\0') return 0;
    for (; *text != '\0'; ++text) {
        if (*text < '0' || *text > '9') return 0;
    }
    return 1;
}
