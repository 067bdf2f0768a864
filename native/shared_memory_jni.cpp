// The shared-memory methods of pemu.tarvo.tools.TarvoUtils: blocks of memory
// that processes share by a numeric key. The library does not synchronise
// access; the processes agree on their own protocol.
#include <stdint.h>

#include "printJNI.h"
#include "shared_memory.h"
#include "tarvoUtils.h"

extern "C" {

// Returns the address of a new view of the object named by `key` (created
// with `size` bytes when missing and `create` is true), or 0.
JNIEXPORT jlong JNICALL Java_pemu_tarvo_tools_TarvoUtils_mapSharedMemory(JNIEnv*, jclass, jlong key,
                                                                         jlong size, jboolean create) {
    const SharedMemoryView view = mapSharedMemoryView(key, (uint32_t)size, create != JNI_FALSE);
    if (view.step == SHARED_MEMORY_NO_OBJECT) {
        jniPrintf(stderr, "Could not create file mapping object (%d).\n", view.error);
    } else if (view.step == SHARED_MEMORY_NO_VIEW) {
        jniPrintf(stderr, "Could not map view of file (%d).\n", view.error);
    }
    return (jlong)(uintptr_t)view.address;
}

JNIEXPORT jboolean JNICALL Java_pemu_tarvo_tools_TarvoUtils_unmapSharedMemory(JNIEnv*, jclass,
                                                                              jlong address) {
    return unmapSharedMemoryView((void*)(uintptr_t)address) ? JNI_TRUE : JNI_FALSE;
}

JNIEXPORT void JNICALL Java_pemu_tarvo_tools_TarvoUtils_deleteSharedMemory(JNIEnv*, jclass, jlong key) {
    const int error = deleteSharedMemoryObject(key);
    if (error != 0) jniPrintf(stderr, "Could not create file mapping object (%d).\n", error);
}

}  // extern "C"
