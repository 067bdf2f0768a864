// The instance marker on Linux: a lock file held with flock for the life of
// the process, named "tarvo-<uid>-<key>.lock", every byte of the key other
// than letters, digits, ".", "_" and "-" written as "%XX", so that
// "TARVO/Novaskop" is one file name and keys differing in case stay apart as
// on Windows.
//
// The file lies in a folder no other user can write: $XDG_RUNTIME_DIR, else
// (or when that is not safe) "tarvo-<uid>" in $TMPDIR (else /tmp), made with
// mode 0700. A folder that is a link, belongs to another user or is writable
// by others is not used, and neither is a lock file that is a link or not
// ours: another local user must not be able to plant a held marker that
// keeps the viewer from starting.
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "heap_text.h"
#include "instance.h"

static bool isPlainNameByte(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' ||
           c == '_' || c == '-';
}

static char* lockFileName(const char* name) {
    char* encoded = (char*)malloc(3 * strlen(name) + 1);
    if (encoded == nullptr) return nullptr;
    char* out = encoded;
    for (const unsigned char* p = (const unsigned char*)name; *p != '\0'; ++p) {
        if (isPlainNameByte(*p)) {
            *out++ = (char)*p;
        } else {
            out += sprintf(out, "%%%02X", *p);
        }
    }
    *out = '\0';
    char* fileName = formatText("tarvo-%u-%s.lock", (unsigned)getuid(), encoded);
    free(encoded);
    return fileName;
}

// True for an object of ours that no other user can change.
static bool isPrivate(int fd, mode_t type) {
    struct stat status;
    return fstat(fd, &status) == 0 && (status.st_mode & S_IFMT) == type && status.st_uid == getuid() &&
           (status.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

// `folder` opened without following a link, when it is safe to keep the
// lock files in; else -1.
static int openPrivateFolder(const char* folder) {
    const int fd = open(folder, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd >= 0 && !isPrivate(fd, S_IFDIR)) {
        close(fd);
        return -1;
    }
    return fd;
}

// The folder of the lock files: $XDG_RUNTIME_DIR when it is safe, else the
// user's own folder below $TMPDIR or /tmp, made when missing; -1 when there
// is none that is safe to use.
static int openLockFolder(void) {
    const char* runtime = getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && runtime[0] != '\0') {
        const int fd = openPrivateFolder(runtime);
        if (fd >= 0) return fd;
    }
    const char* temporary = getenv("TMPDIR");
    if (temporary == nullptr || temporary[0] != '/') temporary = "/tmp";
    char* folder = formatText("%s/tarvo-%u", temporary, (unsigned)getuid());
    if (folder == nullptr) return -1;
    mkdir(folder, 0700);  // an existing folder is checked like a new one
    const int fd = openPrivateFolder(folder);
    free(folder);
    return fd;
}

bool isInstanceRunning(const char* name) {
    char* fileName = lockFileName(name);
    const int folder = fileName != nullptr ? openLockFolder() : -1;
    int fd = -1;
    if (folder >= 0) {
        fd = openat(folder, fileName, O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
        close(folder);
    }
    free(fileName);
    if (fd >= 0 && !isPrivate(fd, S_IFREG)) {
        close(fd);
        fd = -1;
    }
    // A marker that cannot be made counts as absent, like a mutex that
    // cannot be created.
    if (fd < 0) return false;
    if (flock(fd, LOCK_EX | LOCK_NB) == 0) return false;  // ours now; fd stays open
    const bool held = errno == EWOULDBLOCK;
    close(fd);
    return held;
}
