// The user-group and CD-tray methods of pemu.tarvo.tools.TarvoUtils.
#include <stdint.h>
#include <stdlib.h>

#include "cdtray.h"
#include "java_strings.h"
#include "printJNI.h"
#include "tarvoUtils.h"
#include "usergroups.h"
#include "utilglobal.h"

namespace {

// The calling object's map "currentUserGroups", or null when the object has
// no such field or the field holds null.
jobject groupMap(JNIEnv* env, jobject self) {
    jclass type = env->GetObjectClass(self);
    jfieldID field = env->GetFieldID(type, "currentUserGroups", "Ljava/util/Map;");
    env->DeleteLocalRef(type);
    if (field == nullptr) {
        env->ExceptionClear();  // NoSuchFieldError: a missing field puts nothing
        return nullptr;
    }
    return env->GetObjectField(self, field);
}

jmethodID mapPut(JNIEnv* env) {
    jclass mapType = env->FindClass("java/util/Map");
    jmethodID put = mapType != nullptr
                        ? env->GetMethodID(mapType, "put", "(Ljava/lang/Object;Ljava/lang/Object;)Ljava/lang/Object;")
                        : nullptr;
    if (mapType != nullptr) env->DeleteLocalRef(mapType);
    if (put == nullptr) {
        env->ExceptionClear();
        jniPrintf(stderr, "Can't find method for Map.put(Object, Object)");
    }
    return put;
}

// map.put(sid, name), the empty text for a missing name. False when the
// strings cannot be made or put throws (for example a map that cannot be
// changed): the exception is cleared and no further entry is put.
bool putGroup(JNIEnv* env, jobject map, jmethodID put, const char* sid, const char* name) {
    jstring key = newJavaString(env, sid);
    jstring value = key != nullptr ? newJavaString(env, name != nullptr ? name : "") : nullptr;
    if (value != nullptr) {
        jobject previous = env->CallObjectMethod(map, put, key, value);
        if (previous != nullptr) env->DeleteLocalRef(previous);
    }
    if (key != nullptr) env->DeleteLocalRef(key);
    if (value != nullptr) env->DeleteLocalRef(value);
    if (env->ExceptionCheck()) {
        env->ExceptionClear();
        return false;
    }
    return value != nullptr;
}

}  // namespace

extern "C" {

// Puts each group of the current user into the object's "currentUserGroups"
// (SID text to account name, empty when unknown). Earlier entries stay.
// Returns the success of the group query.
JNIEXPORT jboolean JNICALL Java_pemu_tarvo_tools_TarvoUtils_fillUserGroupNames(JNIEnv* env, jobject self) {
    int32_t count = 0;
    char** names = nullptr;
    char** sids = nullptr;
    const int result = getCurrentUserGroups(&count, &names, &sids, 0);
    if (sids == nullptr) return result ? JNI_TRUE : JNI_FALSE;

    jobject map = groupMap(env, self);
    jmethodID put = mapPut(env);
    for (int32_t i = 0; i < count && map != nullptr && put != nullptr; ++i) {
        if (!putGroup(env, map, put, sids[i], names[i])) break;
    }
    if (map != nullptr) env->DeleteLocalRef(map);
    freeTextList(sids, count);
    freeTextList(names, count);
    return result ? JNI_TRUE : JNI_FALSE;
}

// Opens (open true) or closes the tray of the drive that `drive` names by its
// first character; failures are printed, nothing is returned or thrown.
JNIEXPORT void JNICALL Java_pemu_tarvo_tools_TarvoUtils_openCloseCDTray(JNIEnv* env, jclass, jstring drive,
                                                                        jboolean open) {
    JavaStrings strings = beginJavaStrings(env);
    const char* driveText = javaPlatformText(&strings, drive);
    if (!strings.failed) openCloseTray(driveText, open != JNI_FALSE);
    releaseJavaStrings(&strings);
}

}  // extern "C"
