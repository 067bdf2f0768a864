// Test-only JNI library behind tarvo.probe.NativeProbe: what the Java tests
// cannot do in Java. It carries its own copy of the JNI frame (for jniPrintf,
// which the product does not export) and calls the product's exported
// functions through the loaded library.
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <thread>

#include "java_strings.h"
#include "printJNI.h"
#include "tarvoUtils.h"

namespace {

void* product = nullptr;

// The Java text in standard UTF-8, as the product's methods take texts.
std::string text(JNIEnv* env, jstring value) {
    JavaStrings strings = beginJavaStrings(env);
    const char* chars = javaUtf8Text(&strings, value);
    std::string copy = chars != nullptr ? chars : "";
    releaseJavaStrings(&strings);
    return copy;
}

FILE* consoleStream(jboolean toErr) { return toErr ? stderr : stdout; }

}  // namespace

extern "C" {

JNIEXPORT jboolean JNICALL Java_tarvo_probe_NativeProbe_useProduct(JNIEnv* env, jclass, jstring path) {
    product = dlopen(text(env, path).c_str(), RTLD_NOW | RTLD_NOLOAD);
    return product != nullptr;
}

JNIEXPORT jint JNICALL Java_tarvo_probe_NativeProbe_productOnLoad(JNIEnv* env, jclass) {
    auto onLoad = (jint(JNICALL*)(JavaVM*, void*))dlsym(product, "JNI_OnLoad");
    JavaVM* vm = nullptr;
    env->GetJavaVM(&vm);
    return onLoad(vm, nullptr);
}

// Raises className with message through the product's JNU_ThrowByName, or
// through JNU_ThrowInternalError when className is null.
JNIEXPORT jint JNICALL Java_tarvo_probe_NativeProbe_productThrow(JNIEnv* env, jclass, jstring className,
                                                                 jstring message) {
    const std::string messageText = text(env, message);
    if (className == nullptr) {
        auto throwInternal = (jint(JNICALL*)(JNIEnv*, const char*))dlsym(product, "JNU_ThrowInternalError");
        return throwInternal(env, messageText.c_str());
    }
    auto throwByName = (jint(JNICALL*)(JNIEnv*, const char*, const char*))dlsym(product, "JNU_ThrowByName");
    return throwByName(env, text(env, className).c_str(), messageText.c_str());
}

JNIEXPORT jint JNICALL Java_tarvo_probe_NativeProbe_print(JNIEnv* env, jclass, jboolean toErr,
                                                          jstring message) {
    return jniPrintf(consoleStream(toErr), "%s", text(env, message).c_str());
}

JNIEXPORT jint JNICALL Java_tarvo_probe_NativeProbe_printLine(JNIEnv* env, jclass, jboolean toErr,
                                                              jstring message) {
    return jniPrintf(consoleStream(toErr), "%s\n", text(env, message).c_str());
}

// Prints from a new native thread, which the virtual machine does not know.
// Returns jniPrintf's result and whether the thread was still attached after it.
JNIEXPORT jintArray JNICALL Java_tarvo_probe_NativeProbe_printFromNativeThread(JNIEnv* env, jclass,
                                                                               jboolean toErr,
                                                                               jstring message) {
    JavaVM* vm = nullptr;
    env->GetJavaVM(&vm);
    const std::string copy = text(env, message);
    jint results[2] = {0, 0};
    std::thread thread([&] {
        JNIEnv* threadEnv = nullptr;
        if (vm->GetEnv((void**)&threadEnv, JNI_VERSION_1_6) != JNI_EDETACHED) return;
        results[0] = jniPrintf(consoleStream(toErr), "%s", copy.c_str());
        results[1] = vm->GetEnv((void**)&threadEnv, JNI_VERSION_1_6) == JNI_OK;
    });
    thread.join();
    jintArray array = env->NewIntArray(2);
    env->SetIntArrayRegion(array, 0, 2, results);
    return array;
}

// Leaves an IllegalStateException pending, then prints.
JNIEXPORT jint JNICALL Java_tarvo_probe_NativeProbe_printWithPendingException(JNIEnv* env, jclass,
                                                                              jstring message) {
    const std::string copy = text(env, message);
    env->ThrowNew(env->FindClass("java/lang/IllegalStateException"), "pending before the print");
    return jniPrintf(stderr, "%s", copy.c_str());
}

// Binds the product's fillUserGroupNames to the native method
// "fillUserGroupNames()Z" of `type`, a class other than TarvoUtils.
JNIEXPORT jboolean JNICALL Java_tarvo_probe_NativeProbe_bindGroupFill(JNIEnv* env, jclass, jclass type) {
    void* fill = dlsym(product, "Java_pemu_tarvo_tools_TarvoUtils_fillUserGroupNames");
    JNINativeMethod method = {(char*)"fillUserGroupNames", (char*)"()Z", fill};
    return fill != nullptr && env->RegisterNatives(type, &method, 1) == 0;
}

JNIEXPORT jboolean JNICALL Java_tarvo_probe_NativeProbe_hasField(JNIEnv* env, jclass, jclass type,
                                                                 jstring name, jstring signature) {
    jfieldID field = env->GetFieldID(type, text(env, name).c_str(), text(env, signature).c_str());
    env->ExceptionClear();
    return field != nullptr;
}

JNIEXPORT jboolean JNICALL Java_tarvo_probe_NativeProbe_hasMethod(JNIEnv* env, jclass, jstring className,
                                                                  jstring name, jstring signature) {
    jclass type = env->FindClass(text(env, className).c_str());
    if (type == nullptr) {
        env->ExceptionClear();
        return false;
    }
    jmethodID method = env->GetMethodID(type, text(env, name).c_str(), text(env, signature).c_str());
    env->ExceptionClear();
    return method != nullptr;
}

JNIEXPORT jlong JNICALL Java_tarvo_probe_NativeProbe_allocate(JNIEnv*, jclass, jlong bytes) {
    return (jlong)(uintptr_t)malloc((size_t)bytes);
}

JNIEXPORT void JNICALL Java_tarvo_probe_NativeProbe_release(JNIEnv*, jclass, jlong address) {
    free((void*)(uintptr_t)address);
}

// The native memory at address as a Java buffer, to look at it without the
// copy methods under test.
JNIEXPORT jobject JNICALL Java_tarvo_probe_NativeProbe_view(JNIEnv* env, jclass, jlong address,
                                                            jlong bytes) {
    return env->NewDirectByteBuffer((void*)(uintptr_t)address, bytes);
}

// memcpy between native buffers: the benchmark's baseline.
JNIEXPORT void JNICALL Java_tarvo_probe_NativeProbe_nativeCopy(JNIEnv*, jclass, jlong to, jlong from,
                                                               jlong bytes) {
    memcpy((void*)(uintptr_t)to, (const void*)(uintptr_t)from, (size_t)bytes);
}

}  // extern "C"
