// Container names and folders: the name of a new container with its
// per-second counter, its folders, and the way back from a container's path
// to its directory and name.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#include <mutex>

#include "heap_text.h"
#include "lookups_platform.h"
#include "routing.h"
#include "text_encoding.h"
#include "utilglobal.h"

static long systemClock(void) { return (long)time(nullptr); }
long (*containerClock)(void) = systemClock;

static std::mutex counterLock;
static long counterSecond = -1;
static int counterValue = 0;

int nextContainerCounter(long* second) {
    // The clock is read under the lock: a thread that read second S before
    // another one counted in S+1 would start S again and repeat its names.
    std::lock_guard<std::mutex> hold(counterLock);
    const long now = containerClock();
    if (now != counterSecond) counterValue = 0;
    counterSecond = now;
    *second = now;
    return ++counterValue;
}

static long decimalTimeout(const char* timeout) { return timeout != nullptr ? strtol(timeout, nullptr, 10) : 0; }

char* buildContainerName(const char* id, const char* priority, const char* timeout, const char* name,
                         int processId) {
    char* text;
    if (name != nullptr && name[0] != '\0') {
        text = formatText("%s.%s.%d.%s", id, priority, (int)decimalTimeout(timeout), name);
    } else {
        long second;
        const int counter = nextContainerCounter(&second);
        text = formatText("%s.%s.%d.%i.%li.%i", id, priority, (int)decimalTimeout(timeout), processId, second,
                          counter);
    }
    if (text == nullptr) return nullptr;
    const size_t length = strlen(text);
    if (length > CONTAINER_NAME_MAX) {
        fprintf(stderr, "Container name too long (%zu characters, at most %d), no container created\n", length,
                CONTAINER_NAME_MAX);
    } else if (strpbrk(text, "/\\") != nullptr) {
        fprintf(stderr, "Container name '%s' holds a path separator, no container created\n", text);
    } else if (strpbrk(text, "\r\n") != nullptr) {
        fprintf(stderr, "Container name holds a line end, no container created\n");
    } else {
        return text;
    }
    free(text);
    return nullptr;
}

int createContainerFolder(char* path) {
    const int error = createDirectoryPath(path);
    if (error == 0) return 1;
    fprintf(stderr, "Can't create container directory '%s': %i\n", path, error);
    return 0;
}

char* createContainerDirectory(const char* containerDir, const char* name) {
    char* platformName = utf8ToPlatform(name);
    if (platformName == nullptr) {
        fprintf(stderr, "Container name '%s' can't be a path on this system, no container created\n", name);
        return nullptr;
    }
    char* path = formatText("%s/%s", containerDir, platformName);
    char* parent = strdup(containerDir);
    free(platformName);
    int error = 0;
    if (path != nullptr && parent != nullptr) {
        error = createDirectoryPath(parent);
        toPlatformSeparators(path);
        // The last level is made here, alone: "already exists" then means
        // another owner, and the folder is not taken over.
        if (error == 0) error = strlen(path) + 2 > DIRECTORY_PATH_CAPACITY ? kPathTooLong : createFolder(path);
        if (error != 0) fprintf(stderr, "Can't create container directory '%s': %i\n", path, error);
    }
    const bool made = path != nullptr && parent != nullptr && error == 0;
    free(parent);
    if (!made) {
        free(path);
        return nullptr;
    }
    return path;
}

char* replaceChar(char* text, char from, char to) {
    for (char* p = text; *p != '\0'; ++p) {
        if (*p == from) *p = to;
    }
    return text;
}

char* containerDirectoryOf(const char* path) {
    char* directory = strdup(path);
    if (directory == nullptr) return nullptr;
    char* last = nullptr;
    for (char* p = directory; (p = strstr(p, "data")) != nullptr; ++p) last = p;
    if (last != nullptr && last != directory) last[-1] = '\0';
    return directory;
}

char* containerNameOf(const char* containerDirectory) {
    size_t end = strlen(containerDirectory);
    while (end > 0 && (containerDirectory[end - 1] == '/' || containerDirectory[end - 1] == '\\')) --end;
    size_t start = end;
    while (start > 0 && containerDirectory[start - 1] != '/' && containerDirectory[start - 1] != '\\') --start;
    char* name = (char*)malloc(end - start + 1);
    if (name == nullptr) return nullptr;
    memcpy(name, containerDirectory + start, end - start);
    name[end - start] = '\0';
    // The log row holds the name as the database gave it: UTF-8.
    char* utf8Name = platformToUtf8(name);
    free(name);
    return utf8Name;
}
