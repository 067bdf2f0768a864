// Linux: the short path is the resolved absolute path; the figures come from
// statvfs.
#include <errno.h>
#include <stdlib.h>
#include <sys/statvfs.h>

#include "disk_space_platform.h"
#include "text_encoding.h"
#include "utilglobal.h"

char* getShortPathFromUTF8(const char* utf8Path) {
    if (utf8Path == nullptr) {
        errno = EINVAL;
        return nullptr;
    }
    if (!isValidUtf8(utf8Path)) {
        errno = EILSEQ;
        return nullptr;
    }
    return realpath(utf8Path, nullptr);
}

bool queryVolumeSpace(const char* path, int64_t* totalBytes, int64_t* freeBytes) {
    struct statvfs volume;
    if (statvfs(path, &volume) != 0) return false;
    // The whole volume's free blocks, as the Windows call reports them, not
    // only the share left to unprivileged users (f_bavail).
    *totalBytes = (int64_t)((uint64_t)volume.f_blocks * volume.f_frsize);
    *freeBytes = (int64_t)((uint64_t)volume.f_bfree * volume.f_frsize);
    return true;
}

int lastVolumeError(void) { return errno; }
