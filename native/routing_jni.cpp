// The routing methods of pemu.tarvo.tools.TarvoUtils: thin wrappers that
// convert the Java arguments, call one routing operation and convert its
// result. They never throw; failures are on standard error, as routing
// writes them.
#include <stdlib.h>

#include "java_strings.h"
#include "routing.h"
#include "tarvoUtils.h"

extern "C" {

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
