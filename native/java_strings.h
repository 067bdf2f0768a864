// The string arguments of a native method: their modified UTF-8 forms for the
// duration of the call, given back in the order they were obtained.
#pragma once

#include <jni.h>

struct JavaStrings {
    JNIEnv* env;
    int count;
    jstring strings[4];
    const char* texts[4];
    bool failed;  // a conversion failed; its exception is pending
};

JavaStrings beginJavaStrings(JNIEnv* env);

// The text of `string`, or null for a Java null. When the conversion fails,
// `failed` is set and null returned; the caller then skips the operation.
const char* javaString(JavaStrings* strings, jstring string);

// Gives every obtained text back, first obtained first.
void releaseJavaStrings(JavaStrings* strings);
