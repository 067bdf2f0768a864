// Named shared memory: the primitives behind mapSharedMemory,
// unmapSharedMemory and deleteSharedMemory. The platform parts are in
// shared_memory_win32.cpp (paging-file mappings) and shared_memory_posix.cpp
// (shm_open + mmap); the name and the record of views are portable.
#pragma once

#include <stddef.h>
#include <stdint.h>

// "-2147483648" and its terminator.
#define SHARED_MEMORY_NAME_CAPACITY 12

enum SharedMemoryStep { SHARED_MEMORY_MAPPED, SHARED_MEMORY_NO_OBJECT, SHARED_MEMORY_NO_VIEW };

struct SharedMemoryView {
    void* address;          // the view, or null when a step failed
    SharedMemoryStep step;  // the step that failed, or SHARED_MEMORY_MAPPED
    int error;              // the system error code of the failed step
};

// The object's name: the key's low 32 bits as a signed decimal number, so 42
// gives "42" and a key whose low 32 bits are all ones gives "-1".
void sharedMemoryName(int64_t key, char (&name)[SHARED_MEMORY_NAME_CAPACITY]);

// Opens the object that `key` names or, when there is none and `create` is
// set, creates one of `size` bytes; then maps a view of `size` bytes (0: the
// whole object) with read and write access. The object stays open for the
// process until deleteSharedMemoryObject.
SharedMemoryView mapSharedMemoryView(int64_t key, uint32_t size, bool create);

// Unmaps a view that mapSharedMemoryView returned and that is still mapped;
// for an address that is not the start of such a view it gives false and
// unmaps nothing. A stale address is not told apart from a new view that
// happens to start there: once a later mapping of this library reuses the
// address, unmapping the stale one unmaps the new view.
bool unmapSharedMemoryView(void* address);

// Looks the object up by key and gives up this process's hold on its name:
// once every process has done so and every view is unmapped, the object is
// gone. Returns 0, or the system error code of the look-up.
int deleteSharedMemoryObject(int64_t key);

// The record of the views this process mapped, shared by both platforms.
// rememberView returns false when memory for the record runs out;
// forgetView returns false for an address not in the record, else removes it
// and gives its length.
bool rememberView(void* address, size_t length);
bool forgetView(void* address, size_t* length);
