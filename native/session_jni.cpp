// The memory and session methods of pemu.tarvo.tools.TarvoUtils. Memory is
// read afresh on every call; the session facts come from one record, filled
// on the first call of any session method and never refreshed.
#include <stdint.h>

#include "java_strings.h"
#include "session_info_platform.h"
#include "tarvoUtils.h"
#include "utilglobal.h"

// A KiB figure as a Java int: above 2 TiB the largest int rather than a
// negative one.
static jint javaKib(uint32_t kib) { return kib > INT32_MAX ? INT32_MAX : (jint)kib; }

extern "C" {

JNIEXPORT jint JNICALL Java_pemu_tarvo_tools_TarvoUtils_getSystemTotalMem(JNIEnv*, jclass) {
    MemoryInfo memory;
    getMemoryInfo(&memory);
    return javaKib(memory.totalPhys);
}

JNIEXPORT jint JNICALL Java_pemu_tarvo_tools_TarvoUtils_getSystemFreeMem(JNIEnv*, jclass) {
    MemoryInfo memory;
    getMemoryInfo(&memory);
    return javaKib(memory.availPhys);
}

JNIEXPORT jboolean JNICALL Java_pemu_tarvo_tools_TarvoUtils_isDisplayLocal(JNIEnv*, jclass) {
    return processSessionInfo()->displayLocal != 0;
}

JNIEXPORT jboolean JNICALL Java_pemu_tarvo_tools_TarvoUtils_isRDPClient(JNIEnv*, jclass) {
    return processSessionInfo()->rdpClient != 0;
}

// Any non-zero answer of the Citrix query is true, whatever its low byte.
JNIEXPORT jboolean JNICALL Java_pemu_tarvo_tools_TarvoUtils_isCitrixClient(JNIEnv*, jclass) {
    return processSessionInfo()->citrixClient != 0;
}

// The record keeps its texts; Java gets copies.
JNIEXPORT jstring JNICALL Java_pemu_tarvo_tools_TarvoUtils_getClientName(JNIEnv* env, jclass) {
    return newJavaString(env, processSessionInfo()->clientName);
}

JNIEXPORT jstring JNICALL Java_pemu_tarvo_tools_TarvoUtils_getClientAddress(JNIEnv* env, jclass) {
    return newJavaString(env, processSessionInfo()->clientAddress);
}

}  // extern "C"
