// Java runtime discovery on Linux: the counterpart of the Program Files
// folder is $TARVO_PROGRAM_FILES, else /opt; a runtime's launcher is bin/java.
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

#include "launcher_platform.h"

char* programFilesFolder(long* result) {
    const char* folder = getenv("TARVO_PROGRAM_FILES");
    *result = 0;
    return strdup(folder != nullptr && folder[0] != '\0' ? folder : "/opt");
}

bool pathExists(const char* path) {
    struct stat status;
    return stat(path, &status) == 0;
}

bool fileMatches(const char* path) { return pathExists(path); }
