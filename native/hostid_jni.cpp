// The host-identification methods of pemu.tarvo.tools.TarvoUtils: machine
// ids and the host id handed to Java.
#include <stdio.h>
#include <stdlib.h>

#include "hostid.h"
#include "java_strings.h"
#include "tarvoUtils.h"

extern "C" {

// The first machine id, or "UNKNOWN".
JNIEXPORT jstring JNICALL Java_pemu_tarvo_tools_TarvoUtils_getMachineID(JNIEnv* env, jclass) {
    char* id = getFirstMachineId();
    const jstring result = id != NULL ? newJavaString(env, id) : NULL;
    free(id);
    return result;
}

// Every machine id in list order; an empty array when there is none. Null
// only when Java cannot make the array or a string (an exception is then
// pending).
JNIEXPORT jobjectArray JNICALL Java_pemu_tarvo_tools_TarvoUtils_getMachineIDs(JNIEnv* env, jclass) {
    char** list = getMachineIdList();
    jsize count = 0;
    while (list != NULL && list[count] != NULL) count++;
    const jobjectArray array = newJavaStringArray(env, list, count, newJavaString);
    freeMachineIdList(list);
    return array;
}

// The host id as "0x%x".
JNIEXPORT jstring JNICALL Java_pemu_tarvo_tools_TarvoUtils_getHostID(JNIEnv* env, jclass) {
    char text[16];
    snprintf(text, sizeof text, "0x%x", (unsigned)computeHostId());
    return env->NewStringUTF(text);
}

}  // extern "C"
