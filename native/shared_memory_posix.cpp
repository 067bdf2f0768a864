// Named shared memory on Linux: POSIX shared memory objects (shm_open and
// mmap) named "/" and the key's decimal text.
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>

#include "shared_memory.h"

namespace {

void objectName(int64_t key, char (&path)[SHARED_MEMORY_NAME_CAPACITY + 1]) {
    char name[SHARED_MEMORY_NAME_CAPACITY];
    sharedMemoryName(key, name);
    path[0] = '/';
    memcpy(path + 1, name, sizeof name);
}

// Where glibc keeps POSIX shared memory objects as files.
const char kObjectFolder[] = "/dev/shm";

// Creates the object `name` with `size` bytes so that no other process ever
// finds it smaller: it is made and sized under a name of this call's own,
// then linked to `name` (a link, unlike a rename, fails when the name is
// taken). A creator killed half-way leaves at most its private name behind,
// never a key that others cannot map. Returns the descriptor, or -1 with
// errno set (EEXIST: another process created the object first).
int createSizedObject(const char* name, uint32_t size) {
    static std::atomic<unsigned> calls{0};
    char own[64];
    snprintf(own, sizeof own, "%s.creating.%ld.%u", name, (long)getpid(), calls++);
    int fd = shm_open(own, O_RDWR | O_CREAT | O_EXCL, 0600);
    if (fd < 0 && errno == EEXIST) {
        // Left by a killed process that had this process id before.
        shm_unlink(own);
        fd = shm_open(own, O_RDWR | O_CREAT | O_EXCL, 0600);
    }
    if (fd < 0) return -1;
    char from[sizeof kObjectFolder + sizeof own];
    char to[sizeof kObjectFolder + SHARED_MEMORY_NAME_CAPACITY + 1];
    snprintf(from, sizeof from, "%s%s", kObjectFolder, own);
    snprintf(to, sizeof to, "%s%s", kObjectFolder, name);
    const int result = ftruncate(fd, size) == 0 && link(from, to) == 0 ? fd : -1;
    const int error = errno;
    shm_unlink(own);
    if (result < 0) close(fd);
    errno = error;
    return result;
}

// Opens the object or, when there is none and `create` is set, creates it
// with `size` bytes. Returns the descriptor, or -1 with errno set.
int openObject(const char* name, uint32_t size, bool create) {
    const int fd = shm_open(name, O_RDWR, 0);
    if (fd >= 0 && create && size != 0) {
        // An empty object is one whose creator died before sizing it (a
        // creator that made it under its final name, as older builds did):
        // it is sized now instead of failing every mapping for good.
        struct stat status;
        if (fstat(fd, &status) == 0 && status.st_size == 0 && ftruncate(fd, size) != 0) {
            const int error = errno;
            close(fd);
            errno = error;
            return -1;
        }
    }
    if (fd >= 0 || errno != ENOENT || !create) return fd;
    if (size == 0) {
        errno = EINVAL;  // as Windows refuses an empty paging-file mapping
        return -1;
    }
    const int created = createSizedObject(name, size);
    return created < 0 && errno == EEXIST ? shm_open(name, O_RDWR, 0) : created;
}

// Maps `size` bytes of the object (0: all of it). A view reaching past the
// object's end would fault on access, so it is refused.
void* mapView(int fd, uint32_t size, size_t* length, int* error) {
    struct stat status;
    if (fstat(fd, &status) != 0) {
        *error = errno;
        return nullptr;
    }
    *length = size != 0 ? size : (size_t)status.st_size;
    if (*length == 0 || (off_t)*length > status.st_size) {
        *error = EINVAL;
        return nullptr;
    }
    void* view = mmap(nullptr, *length, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (view == MAP_FAILED) {
        *error = errno;
        return nullptr;
    }
    return view;
}

}  // namespace

SharedMemoryView mapSharedMemoryView(int64_t key, uint32_t size, bool create) {
    char name[SHARED_MEMORY_NAME_CAPACITY + 1];
    objectName(key, name);
    const int fd = openObject(name, size, create);
    if (fd < 0) return SharedMemoryView{nullptr, SHARED_MEMORY_NO_OBJECT, errno};

    size_t length = 0;
    int error = 0;
    void* view = mapView(fd, size, &length, &error);
    close(fd);  // the view holds the object; its name lasts until it is unlinked
    if (view != nullptr && !rememberView(view, length)) {
        munmap(view, length);
        view = nullptr;
        error = ENOMEM;
    }
    if (view == nullptr) return SharedMemoryView{nullptr, SHARED_MEMORY_NO_VIEW, error};
    return SharedMemoryView{view, SHARED_MEMORY_MAPPED, 0};
}

bool unmapSharedMemoryView(void* address) {
    size_t length;
    return forgetView(address, &length) && munmap(address, length) == 0;
}

int deleteSharedMemoryObject(int64_t key) {
    char name[SHARED_MEMORY_NAME_CAPACITY + 1];
    objectName(key, name);
    return shm_unlink(name) == 0 ? 0 : errno;
}
