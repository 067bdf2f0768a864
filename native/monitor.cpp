// getEDIDBytes of pemu.tarvo.tools.TarvoUtils and the storing of one monitor
// into the calling object's edidMap.
#include "monitor.h"

#include <stdio.h>

#include "printJNI.h"
#include "tarvoUtils.h"

namespace {

// Ends a failed putMonitorData: the exception of the failed step is cleared
// (the caller learns of the failure from the result, and no JNI call may be
// made with it pending), the entry's references are dropped and the message
// goes to System.err.
bool failed(JNIEnv* env, const char* message) {
    env->ExceptionClear();
    env->PopLocalFrame(nullptr);
    jniPrintf(stderr, "%s", message);
    return false;
}

void printEntry(const char* key, size_t edidLength, const unsigned char* edidBytes) {
    printf("key: deviceIdStr: %s\n", key);
    printf("Edid raw %i: \n", (int)edidLength);
    for (size_t i = 0; i < edidLength; ++i) printf(" %02x", edidBytes[i]);
    printf("\n");
}

}  // namespace

bool putMonitorData(JNIEnv* env, jobject object, bool debug, int displayNumber, size_t edidLength,
                    const unsigned char* edidBytes, const MonitorChar* deviceString,
                    const MonitorChar* driverVersion, const MonitorChar* driverDate) {
    // About ten references per monitor; a frame of their own keeps a machine
    // with many monitors from piling them up.
    if (env->PushLocalFrame(16) != 0) {
        env->ExceptionClear();
        return false;
    }
    jclass objectClass = env->GetObjectClass(object);
    jfieldID mapField = env->GetFieldID(objectClass, "edidMap", "Ljava/util/Map;");
    if (mapField == nullptr) return failed(env, "Can't find field edidMap\n");
    jobject map = env->GetObjectField(object, mapField);
    if (map == nullptr) return failed(env, "Can't find edidMapObject\n");
    jclass mapClass = env->FindClass("java/util/Map");
    if (mapClass == nullptr) return failed(env, "Can't find treemap class\n");
    jmethodID put = env->GetMethodID(mapClass, "put", "(Ljava/lang/Object;Ljava/lang/Object;)Ljava/lang/Object;");
    if (put == nullptr) return failed(env, "Can't find method for Map.put(Object, Object)\n");
    jclass recordClass = env->FindClass("pemu/tarvo/tools/TarvoUtils$MonitorData");
    if (recordClass == nullptr) return failed(env, "Can't find MonitorData class\n");
    jmethodID constructor =
        env->GetMethodID(recordClass, "<init>", "([BLjava/lang/String;Ljava/lang/String;Ljava/lang/String;)V");
    if (constructor == nullptr) return failed(env, "Can't find constructor for MonitorData class\n");

    char key[16];
    snprintf(key, sizeof key, "%d", displayNumber);
    if (debug) printEntry(key, edidLength, edidBytes);
    jstring keyString = env->NewStringUTF(key);  // digits only

    jbyteArray bytes = env->NewByteArray((jsize)edidLength);
    if (bytes != nullptr && edidLength != 0) {
        env->SetByteArrayRegion(bytes, 0, (jsize)edidLength, (const jbyte*)edidBytes);
    }
    jvalue arguments[4];
    arguments[0].l = bytes;
    arguments[1].l = newMonitorString(env, deviceString);
    arguments[2].l = newMonitorString(env, driverVersion);
    arguments[3].l = newMonitorString(env, driverDate);
    // Out of memory for one of the values, or the constructor threw.
    if (keyString == nullptr || bytes == nullptr || arguments[1].l == nullptr || arguments[2].l == nullptr ||
        arguments[3].l == nullptr || env->ExceptionCheck()) {
        return failed(env, "Can't initialize method MonitorData\n");
    }
    jobject record = env->NewObjectA(recordClass, constructor, arguments);
    if (record == nullptr || env->ExceptionCheck()) return failed(env, "Can't initialize method MonitorData\n");

    jvalue entry[2];
    entry[0].l = keyString;
    entry[1].l = record;
    env->CallObjectMethodA(map, put, entry);
    if (env->ExceptionCheck()) {
        // The map refused the entry: its exception, with its trace, is the
        // report (on System.err), and it is cleared there.
        env->ExceptionDescribe();
        env->ExceptionClear();
        env->PopLocalFrame(nullptr);
        return false;
    }
    env->PopLocalFrame(nullptr);
    return true;
}

extern "C" JNIEXPORT jboolean JNICALL Java_pemu_tarvo_tools_TarvoUtils_getEDIDBytes(JNIEnv* env, jobject object,
                                                                                   jboolean debug) {
    const bool stored = collectMonitors(env, object, debug != JNI_FALSE);
    // The trace goes through the C runtime's buffer; out before Java writes on.
    fflush(stdout);
    return stored ? JNI_TRUE : JNI_FALSE;
}
