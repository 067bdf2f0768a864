// Texts across the JNI boundary. Java strings are UTF-16; native code gets
// them in the encoding of their use, and native texts go back through UTF-16:
//   - paths and texts for the platform's own calls: the platform's encoding
//     (the ANSI code page on Windows, UTF-8 on Linux);
//   - texts bound for the database session (client encoding UTF8): standard
//     UTF-8.
// Modified UTF-8 (GetStringUTFChars, NewStringUTF) is never used for a text
// that may hold more than ASCII: it differs from both encodings above.
#pragma once

#include <jni.h>

// The string arguments of one native method call, converted for its duration
// and released together.
struct JavaStrings {
    JNIEnv* env;
    int count;
    char* texts[6];
    bool failed;  // a conversion failed; the caller skips the operation
};

JavaStrings beginJavaStrings(JNIEnv* env);

// The text of `string` in the platform's encoding, or null for a Java null.
// A string the encoding cannot hold (a character outside the ANSI code page,
// an unpaired surrogate, U+0000) sets `failed`, writes "Can't convert text
// argument '%s'\n" (the text in printable ASCII, any other character as
// \uXXXX) through jniPrintf to System.err and gives null.
const char* javaPlatformText(JavaStrings* strings, jstring string);

// The text of `string` in standard UTF-8, or null for a Java null; failures
// as for javaPlatformText.
const char* javaUtf8Text(JavaStrings* strings, jstring string);

// Releases every converted text.
void releaseJavaStrings(JavaStrings* strings);

// A new Java string from a text in the platform's encoding; null for null or
// when the string cannot be made (memory ran out; the virtual machine may
// have an OutOfMemoryError pending).
jstring newJavaString(JNIEnv* env, const char* platformText);

// A new Java string from a text in standard UTF-8 (for example a value read
// from the database); bytes that are not UTF-8 become U+FFFD.
jstring newJavaStringFromUtf8(JNIEnv* env, const char* utf8Text);

// A new String[] of `count` texts, each made by `convert` (newJavaString or
// newJavaStringFromUtf8); the array's element class is java.lang.String and
// every element starts as one empty string. Null, with Java's exception
// pending, when the array or one of its strings cannot be made: never a
// half-filled array.
jobjectArray newJavaStringArray(JNIEnv* env, char* const* texts, jsize count,
                                jstring (*convert)(JNIEnv* env, const char* text));
