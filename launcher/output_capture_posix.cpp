// The log file on Linux. Windows opens it with read sharing only, so a second
// launcher cannot take a log that one is writing; here the writer holds an
// exclusive flock on it, and a file locked so is refused (EWOULDBLOCK) before
// it is truncated. Readers are not hindered.
#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <stdio.h>
#include <unistd.h>

#include "launcher_platform.h"

bool createLogFile(const char* path, SystemHandle* file) {
    const int fd = open(path, O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    struct stat status;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0 ||
        (fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && ftruncate(fd, 0) != 0)) {
        const int error = errno;
        close(fd);
        errno = error;
        return false;
    }
    *file = fd;
    return true;
}

bool logFileHeld(const char* path) {
    const int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool held = flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    close(fd);  // also lets go of the lock this took
    return held;
}

bool isPlainFile(const char* path) {
    struct stat status;
    return lstat(path, &status) == 0 && S_ISREG(status.st_mode);
}

bool moveLogFile(const char* from, const char* to) { return rename(from, to) == 0; }
