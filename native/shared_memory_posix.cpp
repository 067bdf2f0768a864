// Named shared memory on Linux: POSIX shared memory objects (shm_open and
// mmap) named "/" and the key's decimal text.
#include <errno.h>
#include <fcntl.h>
#include <string.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "shared_memory.h"

namespace {

void objectName(int64_t key, char (&path)[SHARED_MEMORY_NAME_CAPACITY + 1]) {
    char name[SHARED_MEMORY_NAME_CAPACITY];
    sharedMemoryName(key, name);
    path[0] = '/';
    memcpy(path + 1, name, sizeof name);
}

// Opens the object or, when there is none and `create` is set, creates it
// with `size` bytes. Returns the descriptor, or -1 with errno set.
int openObject(const char* name, uint32_t size, bool create) {
    const int fd = shm_open(name, O_RDWR, 0);
    if (fd >= 0 || errno != ENOENT || !create) return fd;
    if (size == 0) {
        errno = EINVAL;  // as Windows refuses an empty paging-file mapping
        return -1;
    }
    const int created = shm_open(name, O_RDWR | O_CREAT | O_EXCL, 0600);
    if (created < 0) return errno == EEXIST ? shm_open(name, O_RDWR, 0) : -1;
    if (ftruncate(created, size) != 0) {
        const int error = errno;
        shm_unlink(name);
        close(created);
        errno = error;
        return -1;
    }
    return created;
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
