// The disk-space methods of pemu.tarvo.tools.TarvoUtils: the two volume
// queries and the three guards. A null path counts as a path whose space
// cannot be known: 0 KB, guard result 2.
#include <stdlib.h>

#include "diskguard.h"
#include "java_strings.h"
#include "routing.h"
#include "text_encoding.h"
#include "tarvoUtils.h"
#include "utilglobal.h"

// Paths reach the queries in UTF-8, as they expect on both platforms.
static const char* pathText(JavaStrings* strings, jstring path) { return javaUtf8Text(strings, path); }

extern "C" {

JNIEXPORT jlong JNICALL Java_pemu_tarvo_tools_TarvoUtils_getFreeKByte(JNIEnv* env, jclass, jstring path) {
    JavaStrings strings = beginJavaStrings(env);
    const jlong kib = getDiskFreeKByte(pathText(&strings, path));
    releaseJavaStrings(&strings);
    return kib;
}

JNIEXPORT jlong JNICALL Java_pemu_tarvo_tools_TarvoUtils_getKByteFromPercent(JNIEnv* env, jclass, jstring path,
                                                                            jint percent) {
    JavaStrings strings = beginJavaStrings(env);
    const jlong kib = getDiskKByteFromPercent(pathText(&strings, path), percent);
    releaseJavaStrings(&strings);
    return kib;
}

// Compares with the thresholds of the most recent reading of routing.conf.
JNIEXPORT jint JNICALL Java_pemu_tarvo_tools_TarvoUtils_checkForFreeSpace__Ljava_lang_String_2Z(JNIEnv* env, jclass,
                                                                                                jstring path,
                                                                                                jboolean delay) {
    JavaStrings strings = beginJavaStrings(env);
    const jint result = checkFreeSpace(pathText(&strings, path), delay);
    releaseJavaStrings(&strings);
    return result;
}

}  // extern "C"

// The guard on the configured container directory; reading it first makes
// the thresholds current. routing.conf holds the path in the platform's
// encoding (the ANSI code page on Windows) and the guard takes UTF-8.
static jint checkContainerDirectory(jboolean delay, int lower) {
    char* directory = readContainerDirectory();
    char* utf8Directory = directory != nullptr ? platformToUtf8(directory) : nullptr;
    const jint result = checkDiskSpace(utf8Directory, delay, lower);
    free(utf8Directory);
    free(directory);
    return result;
}

extern "C" {

JNIEXPORT jint JNICALL Java_pemu_tarvo_tools_TarvoUtils_checkForFreeSpace__Z(JNIEnv*, jclass, jboolean delay) {
    return checkContainerDirectory(delay, 0);
}

JNIEXPORT jint JNICALL Java_pemu_tarvo_tools_TarvoUtils_checkForLowerFreeSpace(JNIEnv*, jclass, jboolean delay) {
    return checkContainerDirectory(delay, 1);
}

}  // extern "C"
