// The viewer's command line from the javaw.exe path, the Java arguments and
// the launcher's own arguments.
#include "commandline.h"

#include <stdlib.h>
#include <string.h>

#include "heap_text.h"

char* quoteArgument(const char* argument) {
    // At worst every byte is a quote (two bytes) or a backslash before one
    // (doubled), plus the two enclosing quotes and the terminator.
    const size_t length = strlen(argument);
    char* quoted = (char*)malloc(2 * length + 3);
    if (quoted == nullptr) return nullptr;
    char* out = quoted;
    *out++ = '"';
    for (const char* p = argument;; ++p) {
        size_t backslashes = 0;
        while (*p == '\\') ++backslashes, ++p;
        if (*p == '\0') {
            // Before the closing quote every backslash is doubled.
            for (size_t i = 0; i < 2 * backslashes; ++i) *out++ = '\\';
            break;
        }
        if (*p == '"') {
            for (size_t i = 0; i < 2 * backslashes + 1; ++i) *out++ = '\\';
        } else {
            for (size_t i = 0; i < backslashes; ++i) *out++ = '\\';
        }
        *out++ = *p;
    }
    *out++ = '"';
    *out = '\0';
    return quoted;
}

char* buildCommandLine(const char* javaw, const char* arguments, int argc, char** argv) {
    char* commandLine = formatText("%s %s", javaw, arguments);
    for (int i = 1; commandLine != nullptr && i < argc; ++i) {
        char* quoted = quoteArgument(argv[i]);
        if (quoted == nullptr || !appendText(&commandLine, " ") || !appendText(&commandLine, quoted)) {
            free(commandLine);
            commandLine = nullptr;
        }
        free(quoted);
    }
    return commandLine;
}
