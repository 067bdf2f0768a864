// Container states for the autorouter service: the request that names a
// container and its state, and the stateinfo file of completed containers.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "heap_text.h"
#include "routing.h"

// The stateinfo file goes into the directory above `container`: with "\"
// read as "/", one trailing "/" dropped and the last component cut off (a
// path without any "/" keeps its stateinfo inside itself). It replaces an
// older one whole. False when it was opened but could not be written: the
// service must then not be told the container is complete.
static bool writeStateFile(const char* container) {
    char* directory = strdup(container);
    if (directory == nullptr) return false;
    for (char* p = directory; *p != '\0'; ++p) {
        if (*p == '\\') *p = '/';
    }
    const size_t length = strlen(directory);
    if (length > 0 && directory[length - 1] == '/') directory[length - 1] = '\0';
    char* last = strrchr(directory, '/');
    if (last != nullptr) *last = '\0';

    ContainerFile file;
    const bool opened = openContainerFile(&file, directory, "stateinfo", "statefile", 1);
    free(directory);
    if (!opened) return true;
    const char* completed = "completed";
    writeValuesLine(&file, &completed, 1, 0, "");
    return closeContainerFile(&file);
}

// The request holds one line, and "&" starts its next part: a value must
// not change that structure. Writes why it refuses.
static bool fitsRequest(const char* container, const char* fileName) {
    const char* refused = nullptr;
    if (strpbrk(container, "\r\n") != nullptr) {
        refused = "container path holds a line end";
    } else if (fileName != nullptr && strpbrk(fileName, "\r\n") != nullptr) {
        refused = "file name holds a line end";
    } else if (fileName != nullptr && strchr(fileName, '&') != nullptr) {
        refused = "file name holds '&'";
    }
    if (refused == nullptr) return true;
    fprintf(stderr, "signalAutorouter: %s, nothing sent\n", refused);
    return false;
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
    if (!fitsRequest(container, fileName) || (state > 0 && !writeStateFile(container))) {
        free(query);
        return;
    }
    sendMessageAutorouter(host, port, query, fileName != nullptr ? fileName : container);
    free(query);
}
