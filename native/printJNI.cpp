// jniPrintf: printf-style messages through Java's System.out and System.err.
#include "printJNI.h"

#include <stdarg.h>
#include <stdlib.h>
#include <string.h>

#include "java_strings.h"
#include "tarvoUtils.h"

namespace {

// A formatted message: in the caller's stack buffer, or in a heap block when
// it does not fit there.
struct Message {
    char* text;
    bool onHeap;
};

Message formatMessage(char (&buffer)[JNI_PRINTF_BUFFER_SIZE], const char* format, va_list args) {
    va_list again;
    va_copy(again, args);
    Message message{buffer, false};
    const int length = vsnprintf(buffer, sizeof buffer, format, args);
    if (length < 0) {
        buffer[0] = '\0';  // a conversion the C library refused: an empty line
    } else if ((size_t)length >= sizeof buffer) {
        // When no block can be had, the text cut to the buffer is printed.
        char* whole = (char*)malloc((size_t)length + 1);
        if (whole != nullptr) {
            vsnprintf(whole, (size_t)length + 1, format, again);
            message = Message{whole, true};
        }
    }
    va_end(again);
    return message;
}

void release(Message message) {
    if (message.onHeap) free(message.text);
}

// The calling thread's environment; a thread the virtual machine does not
// know is attached, and *attached tells the caller to detach it again, so a
// native thread that ends later leaves no Java thread behind.
JNIEnv* threadEnvironment(JavaVM* vm, bool* attached) {
    *attached = false;
    JNIEnv* env = nullptr;
    const jint status = vm->GetEnv((void**)&env, JNI_VERSION_1_6);
    if (status == JNI_OK) return env;
    if (status != JNI_EDETACHED || vm->AttachCurrentThread((void**)&env, nullptr) != JNI_OK) {
        return nullptr;
    }
    *attached = true;
    return env;
}

// System.<fieldName> and its println(String); false when any step fails.
bool findPrintln(JNIEnv* env, const char* fieldName, jobject* stream, jmethodID* println) {
    jclass system = env->FindClass("java/lang/System");
    if (system == nullptr) return false;
    jfieldID field = env->GetStaticFieldID(system, fieldName, "Ljava/io/PrintStream;");
    if (field == nullptr) return false;
    *stream = env->GetStaticObjectField(system, field);
    if (*stream == nullptr) return false;
    jclass streamClass = env->GetObjectClass(*stream);
    if (streamClass == nullptr) return false;
    *println = env->GetMethodID(streamClass, "println", "(Ljava/lang/String;)V");
    return *println != nullptr;
}

int printWithJava(JNIEnv* env, const char* fieldName, const char* format, va_list args) {
    // The references live in a frame of their own: a native method that logs
    // many lines does not pile up local references.
    if (env->PushLocalFrame(8) != 0) {
        env->ExceptionClear();
        return -1;
    }
    int result = -1;
    jobject stream;
    jmethodID println;
    if (findPrintln(env, fieldName, &stream, &println)) {
        char buffer[JNI_PRINTF_BUFFER_SIZE];
        const Message message = formatMessage(buffer, format, args);
        // Messages carry paths and names in the platform's encoding.
        jstring text = newJavaString(env, message.text);
        if (text != nullptr) env->CallVoidMethod(stream, println, text);
        result = (int)strlen(message.text);
        release(message);
    }
    // A failed lookup or a println that threw must not surface as the failure
    // of the native method that only wanted to log.
    if (env->ExceptionCheck()) env->ExceptionClear();
    env->PopLocalFrame(nullptr);
    return result;
}

int printToProcessStream(FILE* stream, const char* format, va_list args) {
    char buffer[JNI_PRINTF_BUFFER_SIZE];
    const Message message = formatMessage(buffer, format, args);
    fputs(message.text, stream);
    fputc('\n', stream);
    fflush(stream);
    const int result = (int)strlen(message.text);
    release(message);
    return result;
}

int printToConsole(FILE* stream, const char* format, va_list args) {
    const char* fieldName = stream == stderr ? "err" : "out";
    JavaVM* vm = loadingJavaVM();
    bool attached = false;
    JNIEnv* env = vm != nullptr ? threadEnvironment(vm, &attached) : nullptr;
    // An exception pending on the thread belongs to the caller: it stays, and
    // Java cannot be called until it is handled.
    const int result = env != nullptr && !env->ExceptionCheck()
                           ? printWithJava(env, fieldName, format, args)
                           : printToProcessStream(stream, format, args);
    if (attached) vm->DetachCurrentThread();
    return result;
}

}  // namespace

int jniPrintf(FILE* stream, const char* format, ...) {
    va_list args;
    va_start(args, format);
    const int result = stream == stdout || stream == stderr ? printToConsole(stream, format, args)
                                                            : vfprintf(stream, format, args);
    va_end(args);
    return result;
}
