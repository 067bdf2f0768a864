// The load hook and the exception helpers of tarvoUtils.
#include "tarvoUtils.h"

#include "console_output.h"
#include "printJNI.h"

// Written once by JNI_OnLoad, before any native method can run, and only read
// afterwards.
static JavaVM* storedJavaVM = nullptr;

JavaVM* loadingJavaVM() { return storedJavaVM; }

// The utility layer's console messages go to the Java console too.
static int toJavaConsole(FILE* stream, const char* text) { return jniPrintf(stream, "%s", text); }

jint JNICALL JNI_OnLoad(JavaVM* vm, void* /*reserved*/) {
    storedJavaVM = vm;
    setConsoleSink(toJavaConsole);
    return JNI_VERSION_1_6;
}

jint JNICALL JNU_ThrowByName(JNIEnv* env, const char* className, const char* message) {
    jclass type = env->FindClass(className);
    if (type == nullptr) return 0;  // FindClass's own exception stays pending
    return env->ThrowNew(type, message);
}

jint JNICALL JNU_ThrowInternalError(JNIEnv* env, const char* message) {
    return JNU_ThrowByName(env, "java/lang/InternalError", message);
}
