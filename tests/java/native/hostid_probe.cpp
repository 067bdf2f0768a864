// Host identification for the JVM tests, on the test library's own copy of
// the rules: unique ids asked for by Java threads, and the machine-id method
// on a machine without ids (which the product in this JVM cannot be made).
#include <stdlib.h>
#include <sys/statvfs.h>
#include <errno.h>

#include <jni.h>

#include "hostid.h"
#include "hostid_posix.h"

// The product's method, compiled into this library without being exported.
extern "C" jobjectArray JNICALL Java_pemu_tarvo_tools_TarvoUtils_getMachineIDs(JNIEnv* env, jclass type);

namespace {

int noVolume(const char*, struct statvfs*) {
    errno = ENOENT;
    return -1;
}

}  // namespace

extern "C" {

JNIEXPORT jstring JNICALL Java_tarvo_probe_NativeProbe_uniqueId(JNIEnv* env, jclass) {
    char* id = getUniqueId();
    const jstring result = env->NewStringUTF(id);
    free(id);
    return result;
}

JNIEXPORT jobjectArray JNICALL Java_tarvo_probe_NativeProbe_machineIdsWithoutIds(JNIEnv* env, jclass type) {
    const HostIdPosixCalls saved = hostIdPosixCalls;
    hostIdPosixCalls.sysfsRoot = "/nonexistent-sysfs-of-the-jvm-test";
    hostIdPosixCalls.statvfs = noVolume;
    const jobjectArray ids = Java_pemu_tarvo_tools_TarvoUtils_getMachineIDs(env, type);
    hostIdPosixCalls = saved;
    return ids;
}

}  // extern "C"
