// The routing methods of pemu.tarvo.tools.TarvoUtils: thin wrappers that
// convert the Java arguments, call one routing operation and convert its
// result. They never throw; failures are on standard error, as routing
// writes them.
//
// Sender, destination and sender host are bound for the database session and
// reach routing in UTF-8; paths are in the platform's encoding both ways.
#include <stdlib.h>
#include <unistd.h>

#include "java_strings.h"
#include "routing.h"
#include "tarvoUtils.h"

namespace {

// Sender, destination and sender host of a call, in UTF-8 for the database.
struct SenderTexts {
    const char* sender;
    const char* destination;
    const char* senderHost;
};

SenderTexts senderTexts(JavaStrings* strings, jstring sender, jstring destination, jstring senderHost) {
    const char* senderText = javaUtf8Text(strings, sender);
    const char* destinationText = javaUtf8Text(strings, destination);
    return SenderTexts{senderText, destinationText, javaUtf8Text(strings, senderHost)};
}

// A container path (platform encoding) for Java; null stays null.
jstring takePath(JNIEnv* env, char* path) {
    jstring result = newJavaString(env, path);
    free(path);
    return result;
}

// A new container for the source `sourceId`, with the sender data given
// (nulls count as empty).
jstring containerForSourceId(JNIEnv* env, jint sourceId, jstring sender, jstring destination,
                             jstring senderHost, bool writeLog) {
    JavaStrings strings = beginJavaStrings(env);
    const SenderTexts texts = senderTexts(&strings, sender, destination, senderHost);
    char* path = nullptr;
    if (!strings.failed) {
        path = getContainerForSourceId(sourceId, texts.sender, texts.destination, texts.senderHost, nullptr,
                                       (int)getpid(), writeLog);
    }
    releaseJavaStrings(&strings);
    return takePath(env, path);
}

// A String[] of the ids (UTF-8, from the database) in list order, empty when
// the list holds only its terminator; null for a null list or when Java
// cannot make the array. The list is released either way.
jobjectArray javaIdArray(JNIEnv* env, char** ids) {
    if (ids == nullptr) return nullptr;
    jsize count = 0;
    while (ids[count] != nullptr) count++;
    const jobjectArray array = newJavaStringArray(env, ids, count, newJavaStringFromUtf8);
    for (jsize i = 0; i < count; i++) free(ids[i]);
    free(ids);
    return array;
}

}  // namespace

extern "C" {

// A new container for the best source of sender, destination and sender host
// (nulls count as empty); the path of its data directory, or null.
JNIEXPORT jstring JNICALL
Java_pemu_tarvo_tools_TarvoUtils_getAutorouterContainer__Ljava_lang_String_2Ljava_lang_String_2Ljava_lang_String_2(
    JNIEnv* env, jclass, jstring sender, jstring destination, jstring senderHost) {
    JavaStrings strings = beginJavaStrings(env);
    const SenderTexts texts = senderTexts(&strings, sender, destination, senderHost);
    char* path = nullptr;
    if (!strings.failed) {
        path = getContainerForSender(texts.sender, texts.destination, texts.senderHost, nullptr, (int)getpid(), 1);
    }
    releaseJavaStrings(&strings);
    return takePath(env, path);
}

// The id of the best matching source, or null.
JNIEXPORT jstring JNICALL Java_pemu_tarvo_tools_TarvoUtils_getAutorouterContainerSourceId(JNIEnv* env, jclass,
                                                                                         jstring sender,
                                                                                         jstring destination,
                                                                                         jstring senderHost) {
    JavaStrings strings = beginJavaStrings(env);
    const SenderTexts texts = senderTexts(&strings, sender, destination, senderHost);
    char* id = nullptr;
    if (!strings.failed) id = getContainerForSender(texts.sender, texts.destination, texts.senderHost, nullptr, 0, 0);
    releaseJavaStrings(&strings);
    jstring result = newJavaStringFromUtf8(env, id);
    free(id);
    return result;
}

// The ids of every matching source in match order; empty when none matches,
// null on failure.
JNIEXPORT jobjectArray JNICALL Java_pemu_tarvo_tools_TarvoUtils_getAutorouterContainerSourceIds(
    JNIEnv* env, jclass, jstring sender, jstring destination, jstring senderHost) {
    JavaStrings strings = beginJavaStrings(env);
    const SenderTexts texts = senderTexts(&strings, sender, destination, senderHost);
    char** ids = strings.failed ? nullptr : getSourceIdsBySender(texts.sender, texts.destination, texts.senderHost);
    releaseJavaStrings(&strings);
    return javaIdArray(env, ids);
}

// Rewrites the sender data of a container and its log row.
JNIEXPORT jboolean JNICALL Java_pemu_tarvo_tools_TarvoUtils_updateAutorouterContainerSourceData(
    JNIEnv* env, jclass, jstring container, jstring sender, jstring destination, jstring senderHost) {
    JavaStrings strings = beginJavaStrings(env);
    const char* containerText = javaPlatformText(&strings, container);
    const SenderTexts texts = senderTexts(&strings, sender, destination, senderHost);
    int done = 0;
    if (!strings.failed) {
        done = updateContainerSourceData(containerText, texts.sender, texts.destination, texts.senderHost, 1);
    }
    releaseJavaStrings(&strings);
    return done == 1 ? JNI_TRUE : JNI_FALSE;
}

// A new container for a source taken by its id, logged.
JNIEXPORT jstring JNICALL Java_pemu_tarvo_tools_TarvoUtils_getAutorouterContainer__I(JNIEnv* env, jclass,
                                                                                    jint sourceId) {
    return containerForSourceId(env, sourceId, nullptr, nullptr, nullptr, true);
}

// The same, logged only when `writeLog` is true.
JNIEXPORT jstring JNICALL Java_pemu_tarvo_tools_TarvoUtils_getAutorouterContainer__IZ(JNIEnv* env, jclass,
                                                                                     jint sourceId,
                                                                                     jboolean writeLog) {
    return containerForSourceId(env, sourceId, nullptr, nullptr, nullptr, writeLog != JNI_FALSE);
}

// A new container for a source taken by its id, with the sender data given.
JNIEXPORT jstring JNICALL
Java_pemu_tarvo_tools_TarvoUtils_getAutorouterContainer__ILjava_lang_String_2Ljava_lang_String_2Ljava_lang_String_2(
    JNIEnv* env, jclass, jint sourceId, jstring sender, jstring destination, jstring senderHost) {
    return containerForSourceId(env, sourceId, sender, destination, senderHost, true);
}

// The configured container root, as written (not created, not checked).
JNIEXPORT jstring JNICALL Java_pemu_tarvo_tools_TarvoUtils_getContainerDirectory(JNIEnv* env, jclass) {
    char* directory = readContainerDirectory();
    if (directory == nullptr) return nullptr;
    jstring result = newJavaString(env, directory);
    free(directory);
    return result;
}

// Tells the autorouter service the state of a container (see
// signalAutorouterState): null host is 127.0.0.1, port 0 is 7375.
JNIEXPORT void JNICALL Java_pemu_tarvo_tools_TarvoUtils_signalAutorouter(JNIEnv* env, jclass, jstring host,
                                                                         jint port, jstring container,
                                                                         jstring fileName, jint state) {
    JavaStrings strings = beginJavaStrings(env);
    const char* hostText = javaPlatformText(&strings, host);
    const char* containerText = javaPlatformText(&strings, container);
    const char* fileText = javaPlatformText(&strings, fileName);
    if (!strings.failed) signalAutorouterState(hostText, port, containerText, fileText, state);
    releaseJavaStrings(&strings);
}

}  // extern "C"
