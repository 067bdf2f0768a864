// The instance marker on Linux: a lock file held with flock for the life of
// the process. It lies in $XDG_RUNTIME_DIR (else /tmp) and is named
// "tarvo-<uid>-<key>.lock", every byte of the key other than letters, digits,
// ".", "_" and "-" written as "%XX", so that "TARVO/Novaskop" is one file name
// and keys differing in case stay apart as on Windows.
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/file.h>
#include <unistd.h>

#include "instance.h"
#include "heap_text.h"

static bool isPlainNameByte(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' ||
           c == '_' || c == '-';
}

static char* lockFilePath(const char* name) {
    const char* folder = getenv("XDG_RUNTIME_DIR");
    if (folder == nullptr || folder[0] == '\0') folder = "/tmp";
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
    char* path = formatText("%s/tarvo-%u-%s.lock", folder, (unsigned)getuid(), encoded);
    free(encoded);
    return path;
}

bool isInstanceRunning(const char* name) {
    char* path = lockFilePath(name);
    if (path == nullptr) return false;
    const int fd = open(path, O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    free(path);
    // A marker that cannot be made counts as absent, like a mutex that
    // cannot be created.
    if (fd < 0) return false;
    if (flock(fd, LOCK_EX | LOCK_NB) == 0) return false;  // ours now; fd stays open
    const bool held = errno == EWOULDBLOCK;
    close(fd);
    return held;
}
