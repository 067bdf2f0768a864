// getpara: looks one key up in a parameter table.
#include <string.h>

#include "paramfile.h"

static char asciiLower(char c) { return (c >= 'A' && c <= 'Z') ? (char)(c - 'A' + 'a') : c; }

// True when the first n characters of `line` equal `key` without regard to
// ASCII case. A shorter line fails at its NUL, which no key character matches.
static bool startsWithKey(const char* line, const char* key, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        if (asciiLower(line[i]) != asciiLower(key[i])) return false;
    }
    return true;
}

char* getpara(const char* table, const char* key) {
    if (table == nullptr || key == nullptr) return nullptr;
    const size_t n = strlen(key);
    for (const char* line = table; *line != PARAMETER_TABLE_END; line += strlen(line) + 1) {
        if (!startsWithKey(line, key, n)) continue;
        const char* p = line + n;
        while (*p == ' ') ++p;  // spaces only: a tab before the separator does not match
        if (*p != ':' && *p != '=') continue;
        ++p;
        while (*p == ' ' || *p == '\t') ++p;
        return const_cast<char*>(p);
    }
    return nullptr;
}
