// processrunning on Linux: the processes under /proc, each named by the file
// name of its executable, or of its first argument when the executable
// cannot be read (another user's process).
#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <strings.h>
#include <unistd.h>

#include "processrunning.h"

static const char* fileNamePart(const char* path) {
    const char* slash = strrchr(path, '/');
    return slash != nullptr ? slash + 1 : path;
}

// The executable file name of process `pid` into `name`; false when the
// process has gone or tells nothing.
static bool processName(const char* pid, char* name, size_t capacity) {
    char path[300];  // "/proc/" and a directory name of up to 255 bytes
    char target[4096];
    snprintf(path, sizeof path, "/proc/%s/exe", pid);
    ssize_t length = readlink(path, target, sizeof target - 1);
    if (length <= 0) {
        snprintf(path, sizeof path, "/proc/%s/cmdline", pid);
        const int fd = open(path, O_RDONLY | O_CLOEXEC);
        if (fd < 0) return false;
        length = read(fd, target, sizeof target - 1);
        close(fd);
        if (length <= 0) return false;
    }
    target[length] = '\0';  // cmdline: the first argument ends at its own NUL
    snprintf(name, capacity, "%s", fileNamePart(target));
    return true;
}

bool isProcessRunning(const char* name) {
    DIR* proc = opendir("/proc");
    if (proc == nullptr) return false;
    bool found = false;
    for (struct dirent* entry; !found && (entry = readdir(proc)) != nullptr;) {
        if (entry->d_name[0] < '0' || entry->d_name[0] > '9') continue;
        char running[4096];
        found = processName(entry->d_name, running, sizeof running) && strcasecmp(running, name) == 0;
    }
    closedir(proc);
    return found;
}
