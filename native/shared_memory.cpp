// The portable part of named shared memory: the object name and the record of
// the views this process mapped.
#include <stdio.h>
#include <stdlib.h>

#include <mutex>

#include "shared_memory.h"

void sharedMemoryName(int64_t key, char (&name)[SHARED_MEMORY_NAME_CAPACITY]) {
    snprintf(name, sizeof name, "%d", (int)(int32_t)(uint32_t)key);
}

namespace {

struct ViewRecord {
    void* address;
    size_t length;
    ViewRecord* next;
};

// Java threads may map and unmap at the same time.
std::mutex viewsGuard;
ViewRecord* views = nullptr;

}  // namespace

bool rememberView(void* address, size_t length) {
    ViewRecord* record = (ViewRecord*)malloc(sizeof *record);
    if (record == nullptr) return false;
    std::lock_guard<std::mutex> lock(viewsGuard);
    *record = ViewRecord{address, length, views};
    views = record;
    return true;
}

bool forgetView(void* address, size_t* length) {
    std::lock_guard<std::mutex> lock(viewsGuard);
    for (ViewRecord** link = &views; *link != nullptr; link = &(*link)->next) {
        ViewRecord* record = *link;
        if (record->address == address) {
            *length = record->length;
            *link = record->next;
            free(record);
            return true;
        }
    }
    return false;
}
