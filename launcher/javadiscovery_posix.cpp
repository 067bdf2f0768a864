// Java runtime discovery on Linux: the counterpart of the Program Files
// folder is $TARVO_PROGRAM_FILES, else /opt; a runtime's launcher is bin/java;
// Debian's default runtime is $TARVO_DEFAULT_JAVA (for tests), else
// /usr/lib/jvm/default-java/bin/java.
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

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

bool isRunnableFile(const char* path) {
    struct stat status;
    return stat(path, &status) == 0 && S_ISREG(status.st_mode) && access(path, X_OK) == 0;
}

char* defaultJavaRuntime(void) {
    const char* runtime = getenv("TARVO_DEFAULT_JAVA");
    return strdup(runtime != nullptr && runtime[0] != '\0' ? runtime : "/usr/lib/jvm/default-java/bin/java");
}
