// Container states for the autorouter service: the request that names a
// container and its state, and the stateinfo file of completed containers.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "heap_text.h"
#include "routing.h"

// The stateinfo file goes into the directory above `container`: with "\"
// read as "/", one trailing "/" dropped and the last component cut off (a
// path without any "/" keeps its stateinfo inside itself).
static void writeStateFile(const char* container) {
    char* directory = strdup(container);
    if (directory == nullptr) return;
    for (char* p = directory; *p != '\0'; ++p) {
        if (*p == '\\') *p = '/';
    }
    const size_t length = strlen(directory);
    if (length > 0 && directory[length - 1] == '/') directory[length - 1] = '\0';
    char* last = strrchr(directory, '/');
    if (last != nullptr) *last = '\0';

    char* path = formatText("%s/%s", directory, "stateinfo");
    free(directory);
    if (path == nullptr) return;
    FILE* file = fopen(path, "w");
    if (file == nullptr) {
        fprintf(stderr, "can't open statefile '%s' for writing\n", path);
    } else {
        fputs("completed\n", file);
        fclose(file);
    }
    free(path);
}

void signalAutorouterState(const char* host, int32_t port, const char* container,
                           const char* fileName, ContainerState state) {
    // An empty path would put stateinfo at the file system's root.
    if (container == nullptr || container[0] == '\0') {
        fprintf(stderr, "No container given\n");
        return;
    }
    // Values go in as they are, without URL encoding: the service reads the
    // path with its backslashes, colons and blanks.
    char* query = formatText("doexec=%s%s%s%s%s%s", container, fileName != nullptr ? "&filename=" : "",
                                fileName != nullptr ? fileName : "", state > 0 ? "&complete" : "",
                                state == CONTAINER_CANCELED ? "&canceled" : "",
                                state == CONTAINER_INIT ? "&init" : "");
    if (query == nullptr) return;
    if (state > 0) writeStateFile(container);
    sendMessageAutorouter(host, port, query, fileName != nullptr ? fileName : container);
    free(query);
}
