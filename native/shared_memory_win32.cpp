// Named shared memory on Windows: file mappings backed by the paging file.
#include <windows.h>
#include <stdlib.h>

#include <mutex>

#include "shared_memory.h"

namespace {

// The mapping handle of each key this process mapped, kept so that the named
// object outlives the views (another process may open it after this one has
// unmapped its view) until deleteSharedMemoryObject gives it up. One handle
// per key: mapping a key again does not add another.
struct KeptHandle {
    int32_t key;
    HANDLE handle;
    KeptHandle* next;
};

std::mutex keptGuard;
KeptHandle* kept = nullptr;

void keepHandle(int32_t key, HANDLE handle) {
    std::lock_guard<std::mutex> lock(keptGuard);
    for (KeptHandle* k = kept; k != nullptr; k = k->next) {
        if (k->key == key) {
            CloseHandle(handle);
            return;
        }
    }
    KeptHandle* k = (KeptHandle*)malloc(sizeof *k);
    if (k == nullptr) return;  // the handle stays open, unrecorded, for the process
    *k = KeptHandle{key, handle, kept};
    kept = k;
}

HANDLE takeKeptHandle(int32_t key) {
    std::lock_guard<std::mutex> lock(keptGuard);
    for (KeptHandle** link = &kept; *link != nullptr; link = &(*link)->next) {
        KeptHandle* k = *link;
        if (k->key == key) {
            HANDLE handle = k->handle;
            *link = k->next;
            free(k);
            return handle;
        }
    }
    return nullptr;
}

void objectName(int64_t key, wchar_t (&wide)[SHARED_MEMORY_NAME_CAPACITY]) {
    char name[SHARED_MEMORY_NAME_CAPACITY];
    sharedMemoryName(key, name);
    for (size_t i = 0; i < sizeof name; ++i) wide[i] = (wchar_t)name[i];
}

}  // namespace

SharedMemoryView mapSharedMemoryView(int64_t key, uint32_t size, bool create) {
    wchar_t name[SHARED_MEMORY_NAME_CAPACITY];
    objectName(key, name);
    HANDLE mapping = OpenFileMappingW(FILE_MAP_ALL_ACCESS, FALSE, name);
    if (mapping == nullptr && create) {
        mapping = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, size, name);
    }
    if (mapping == nullptr) return SharedMemoryView{nullptr, SHARED_MEMORY_NO_OBJECT, (int)GetLastError()};

    void* view = MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, size);
    if (view == nullptr || !rememberView(view, size)) {
        const int error = view == nullptr ? (int)GetLastError() : ERROR_NOT_ENOUGH_MEMORY;
        if (view != nullptr) UnmapViewOfFile(view);
        CloseHandle(mapping);
        return SharedMemoryView{nullptr, SHARED_MEMORY_NO_VIEW, error};
    }
    keepHandle((int32_t)(uint32_t)key, mapping);
    return SharedMemoryView{view, SHARED_MEMORY_MAPPED, 0};
}

bool unmapSharedMemoryView(void* address) {
    size_t length;
    return forgetView(address, &length) && UnmapViewOfFile(address) != 0;
}

int deleteSharedMemoryObject(int64_t key) {
    wchar_t name[SHARED_MEMORY_NAME_CAPACITY];
    objectName(key, name);
    HANDLE mapping = OpenFileMappingW(FILE_MAP_ALL_ACCESS, FALSE, name);
    if (mapping == nullptr) return (int)GetLastError();
    CloseHandle(mapping);
    HANDLE keptHandle = takeKeptHandle((int32_t)(uint32_t)key);
    if (keptHandle != nullptr) CloseHandle(keptHandle);
    return 0;
}
