// The viewer's command line from the javaw.exe path, the Java arguments and
// the launcher's own arguments.
#include "commandline.h"

#include <stdlib.h>

#include "heap_text.h"

char* buildCommandLine(const char* javaw, const char* arguments, int argc, char** argv) {
    char* commandLine = formatText("%s %s", javaw, arguments);
    for (int i = 1; commandLine != nullptr && i < argc; ++i) {
        char* quoted = formatText(" \"%s\"", argv[i]);
        if (quoted == nullptr || !appendText(&commandLine, quoted)) {
            free(commandLine);
            commandLine = nullptr;
        }
        free(quoted);
    }
    return commandLine;
}
