// Command-line splitting by the Microsoft C runtime's rules.
#include "cmdline_split.h"

#include <stdlib.h>
#include <string.h>

static bool isBlank(char c) { return c == ' ' || c == '\t'; }

// Writes the texts of one parse. With null `vector` and `out` it only counts;
// returns the number of texts.
static int parse(const char* p, bool programFirst, char** vector, char* out) {
    int count = 0;
    if (programFirst) {
        if (vector != nullptr) vector[count] = out;
        ++count;
        for (bool quoted = false; *p != '\0' && (quoted || !isBlank(*p)); ++p) {
            if (*p == '"') {
                quoted = !quoted;
            } else if (out != nullptr) {
                *out++ = *p;
            }
        }
        if (out != nullptr) *out++ = '\0';
    }
    for (;;) {
        while (isBlank(*p)) ++p;
        if (*p == '\0') break;
        if (vector != nullptr) vector[count] = out;
        ++count;
        for (bool quoted = false;;) {
            size_t backslashes = 0;
            while (*p == '\\') {
                ++backslashes;
                ++p;
            }
            bool copy = true;
            if (*p == '"') {
                if (backslashes % 2 == 0) {
                    if (quoted && p[1] == '"') {
                        ++p;  // the second quote of a pair is copied
                    } else {
                        copy = false;
                    }
                    quoted = !quoted;
                }
                backslashes /= 2;
            }
            for (; backslashes > 0; --backslashes) {
                if (out != nullptr) *out++ = '\\';
            }
            if (*p == '\0' || (!quoted && isBlank(*p))) break;
            if (copy && out != nullptr) *out++ = *p;
            ++p;
        }
        if (out != nullptr) *out++ = '\0';
    }
    if (vector != nullptr) vector[count] = nullptr;
    return count;
}

static char** split(const char* text, bool programFirst, int* count) {
    const int texts = parse(text, programFirst, nullptr, nullptr);
    // No text grows: each fits in the input's bytes plus its own terminator.
    const size_t vectorBytes = ((size_t)texts + 1) * sizeof(char*);
    char** vector = (char**)malloc(vectorBytes + strlen(text) + (size_t)texts + 1);
    if (vector == nullptr) return nullptr;
    *count = parse(text, programFirst, vector, (char*)vector + vectorBytes);
    return vector;
}

char** splitCommandLine(const char* commandLine, int* count) { return split(commandLine, true, count); }

char** splitArguments(const char* arguments, int* count) { return split(arguments, false, count); }
