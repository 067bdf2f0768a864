// The disk-space methods of pemu.tarvo.tools.TarvoUtils: the two volume
// queries and the three guards. Paths reach the queries in UTF-8, as they
// expect on both platforms. A null path counts as a path whose space cannot
// be known: 0 KB, guard result 2.
#include "diskguard.h"
#include "java_strings.h"
#include "tarvoUtils.h"
#include "utilglobal.h"

extern "C" {

JNIEXPORT jlong JNICALL Java_pemu_tarvo_tools_TarvoUtils_getFreeKByte(JNIEnv* env, jclass, jstring path) {
    JavaStrings strings = beginJavaStrings(env);
    const jlong kib = getDiskFreeKByte(javaUtf8Text(&strings, path));
    releaseJavaStrings(&strings);
    return kib;
}

JNIEXPORT jlong JNICALL Java_pemu_tarvo_tools_TarvoUtils_getKByteFromPercent(JNIEnv* env, jclass, jstring path,
                                                                            jint percent) {
    JavaStrings strings = beginJavaStrings(env);
    const jlong kib = getDiskKByteFromPercent(javaUtf8Text(&strings, path), percent);
    releaseJavaStrings(&strings);
    return kib;
}

// Compares with the thresholds of the most recent reading of routing.conf.
JNIEXPORT jint JNICALL Java_pemu_tarvo_tools_TarvoUtils_checkForFreeSpace__Ljava_lang_String_2Z(JNIEnv* env, jclass,
                                                                                                jstring path,
                                                                                                jboolean delay) {
    JavaStrings strings = beginJavaStrings(env);
    const jint result = checkFreeSpace(javaUtf8Text(&strings, path), delay);
    releaseJavaStrings(&strings);
    return result;
}

JNIEXPORT jint JNICALL Java_pemu_tarvo_tools_TarvoUtils_checkForFreeSpace__Z(JNIEnv*, jclass, jboolean delay) {
    return checkContainerSpace(delay, 0);
}

JNIEXPORT jint JNICALL Java_pemu_tarvo_tools_TarvoUtils_checkForLowerFreeSpace(JNIEnv*, jclass, jboolean delay) {
    return checkContainerSpace(delay, 1);
}

}  // extern "C"
