// PATH for the viewer, read and grown as GetEnvironmentVariableA reports it.
#include "viewerpath.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "config_launcher.h"
#include "launcher_platform.h"
#include "library_choice.h"

enum { kInitialPathCapacity = 4096 };

// Reads PATH into a new buffer; *length 0 when it is absent or empty. False,
// after its report, when the start cannot go on.
static bool readPath(char** buffer, unsigned long* length) {
    *buffer = (char*)malloc(kInitialPathCapacity);
    if (*buffer == nullptr) {
        printf("Out of memory\n");
        return false;
    }
    (*buffer)[0] = '\0';
    *length = readEnvironmentVariable("PATH", *buffer, kInitialPathCapacity);
    if (*length == 0) {
        if (lastSystemError() == kEnvironmentVariableNotFound) {
            printf("Environment path variable does not exist.\n");
        }
        return true;
    }
    if (*length < kInitialPathCapacity) return true;

    // The result is the size the value needs, terminator included.
    const unsigned long needed = *length;
    char* grown = (char*)realloc(*buffer, needed);
    if (grown == nullptr) {
        printf("Out of memory\n");
        return false;
    }
    *buffer = grown;
    *length = readEnvironmentVariable("PATH", *buffer, needed);
    if (*length == 0 || *length >= needed) {
        fprintf(stderr, "GetEnvironmentVariable failed (%d)\n", (int)lastSystemError());
        return false;
    }
    return true;
}

// Appends the native directory to a PATH of `length` characters; an empty
// PATH becomes the native directory alone.
static bool appendNativeDirectory(char** path, unsigned long length, const char* nativeDirectory) {
    char* grown = (char*)realloc(*path, length + strlen(nativeDirectory) + 2);
    if (grown == nullptr) {
        fprintf(stderr, "Out of memory\n");
        return false;
    }
    *path = grown;
    char* end = grown + length;
    if (length > 0) *end++ = kPathListSeparator;
    strcpy(end, nativeDirectory);
    return true;
}

bool extendPathForViewer(void) {
    char* path = nullptr;
    unsigned long length = 0;
    const char* nativeDirectory = viewerNativeDirectory();
    bool ready = readPath(&path, &length);
    if (ready && nativeDirectory != nullptr) ready = appendNativeDirectory(&path, length, nativeDirectory);
    // Without a PATH and without a native directory there is nothing to set.
    if (ready && (length > 0 || nativeDirectory != nullptr) && !writeEnvironmentVariable("PATH", path)) {
        fprintf(stderr, "SetEnvironmentVariable failed (%d)\n", (int)lastSystemError());
        ready = false;
    }
    if (ready && getDebug()) {
        fprintf(stderr, "PATH: %s\n\n", path);
        fprintf(stderr, "Starting process ...");
    }
    free(path);
    return ready;
}
