// Text helpers of the hand-off: slashes, URL decoding, spans and prefixes.
#include <stdlib.h>
#include <string.h>

#include "handoff.h"

char* trimSlashes(char* text) {
    while (*text == '/') ++text;
    size_t length = strlen(text);
    while (length > 0 && text[length - 1] == '/') text[--length] = '\0';
    return text;
}

// The value of a hexadecimal digit, or -1. Bytes of 128 and above are no digits.
static int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

void urlDecode(const char* text, char* decoded) {
    char* out = decoded;
    for (const char* p = text; *p != '\0'; ++p) {
        if (*p == '%' && hexValue(p[1]) >= 0 && hexValue(p[2]) >= 0) {
            *out++ = (char)(hexValue(p[1]) * 16 + hexValue(p[2]));
            p += 2;
        } else if (*p == '+') {
            *out++ = ' ';
        } else {
            *out++ = *p;
        }
    }
    *out = '\0';
}

char* extractBetween(const char* text, const char* start, const char* end) {
    const size_t length = strlen(text);
    char* span = (char*)calloc(length + 1, 1);
    if (span == nullptr) return nullptr;
    const char* from = strstr(text, start);
    from = from != nullptr ? from + strlen(start) : text;
    const char* to = strstr(from, end);
    memcpy(span, from, (size_t)((to != nullptr ? to : text + length) - from));
    return span;
}

bool startsWith(const char* prefix, const char* text) {
    return strncmp(prefix, text, strlen(prefix)) == 0;
}
