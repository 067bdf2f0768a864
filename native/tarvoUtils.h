// The JNI frame of tarvoUtils: the load hook that keeps the Java virtual
// machine, and the helpers that raise a Java exception by class name.
//
// Native methods run on the calling Java thread and follow these rules:
// strings are converted to the encoding of their use and back through UTF-16
// (java_strings.h); a Java long carries a native address (the
// pointer, zero-extended); failures are reported by the result, and the only
// exceptions thrown are the ones the method's comment names.
#pragma once

#include <jni.h>

#ifdef __cplusplus
extern "C" {
#endif

// Stores the virtual machine for jniPrintf and points the utility layer's
// console (console_output.h) at it. Always answers JNI 1.6.
JNIEXPORT jint JNICALL JNI_OnLoad(JavaVM* vm, void* reserved);

// Raises a new exception of `className` (internal form, e.g.
// "java/lang/InternalError") with `message`. Returns the result of ThrowNew,
// or 0 when the class cannot be found; the lookup's own exception is then the
// one pending.
JNIEXPORT jint JNICALL JNU_ThrowByName(JNIEnv* env, const char* className, const char* message);

// JNU_ThrowByName with "java/lang/InternalError".
JNIEXPORT jint JNICALL JNU_ThrowInternalError(JNIEnv* env, const char* message);

#ifdef __cplusplus
}
#endif

// The virtual machine that loaded the library; null before JNI_OnLoad (for
// example in a program that links the library's code without a JVM).
JavaVM* loadingJavaVM();
