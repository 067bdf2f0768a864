// Texts across the JNI boundary: Java's UTF-16 to and from the platform's
// encoding and UTF-8.
#include "java_strings.h"

#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>

#include "printJNI.h"
#include "text_encoding.h"

namespace {

// The UTF-16 units of `string` as a new array; null when memory runs out.
uint16_t* javaUnits(JNIEnv* env, jstring string, size_t* count) {
    const jsize length = env->GetStringLength(string);
    uint16_t* units = static_cast<uint16_t*>(malloc((static_cast<size_t>(length) + 1) * sizeof(uint16_t)));
    if (units == nullptr) return nullptr;
    env->GetStringRegion(string, 0, length, reinterpret_cast<jchar*>(units));
    units[length] = 0;
    *count = static_cast<size_t>(length);
    return units;
}

// The text in printable ASCII, every other unit written as "\uXXXX": the
// message about a text that cannot be converted must itself arrive whole in
// any encoding, and shows exactly which character was the trouble.
char* escapedText(const uint16_t* units, size_t count) {
    if (count > (SIZE_MAX - 1) / 6) return nullptr;
    char* shown = static_cast<char*>(malloc(count * 6 + 1));
    if (shown == nullptr) return nullptr;
    char* out = shown;
    for (size_t i = 0; i < count; ++i) {
        if (units[i] >= 0x20 && units[i] < 0x7F) {
            *out++ = static_cast<char>(units[i]);
        } else {
            out += snprintf(out, 7, "\\u%04X", units[i]);
        }
    }
    *out = 0;
    return shown;
}

typedef char* (*Conversion)(const uint16_t* units, size_t count);

const char* convertArgument(JavaStrings* strings, jstring string, Conversion convert) {
    if (string == nullptr || strings->failed) return nullptr;
    if (strings->count == static_cast<int>(sizeof strings->texts / sizeof strings->texts[0])) {
        strings->failed = true;
        return nullptr;
    }
    size_t count = 0;
    uint16_t* units = javaUnits(strings->env, string, &count);
    char* text = units != nullptr ? convert(units, count) : nullptr;
    if (text == nullptr) {
        strings->failed = true;
        char* shown = units != nullptr ? escapedText(units, count) : nullptr;
        jniPrintf(stderr, "Can't convert text argument '%s'\n", shown != nullptr ? shown : "?");
        free(shown);
    } else {
        strings->texts[strings->count++] = text;
    }
    free(units);
    return text;
}

// Makes the string and frees `units`.
jstring newJavaStringOfUnits(JNIEnv* env, uint16_t* units, size_t count) {
    if (units == nullptr) return nullptr;
    jstring result = env->NewString(reinterpret_cast<const jchar*>(units), static_cast<jsize>(count));
    free(units);
    return result;
}

}  // namespace

JavaStrings beginJavaStrings(JNIEnv* env) { return JavaStrings{env, 0, {}, false}; }

const char* javaPlatformText(JavaStrings* strings, jstring string) {
    return convertArgument(strings, string, utf16ToPlatform);
}

const char* javaUtf8Text(JavaStrings* strings, jstring string) {
    return convertArgument(strings, string, utf16ToUtf8);
}

void releaseJavaStrings(JavaStrings* strings) {
    for (int i = 0; i < strings->count; ++i) free(strings->texts[i]);
    strings->count = 0;
}

jstring newJavaString(JNIEnv* env, const char* platformText) {
    if (platformText == nullptr) return nullptr;
    size_t count = 0;
    uint16_t* units = platformToUtf16(platformText, &count);
    return newJavaStringOfUnits(env, units, count);
}

jstring newJavaStringFromUtf8(JNIEnv* env, const char* utf8Text) {
    if (utf8Text == nullptr) return nullptr;
    size_t count = 0;
    uint16_t* units = utf8ToUtf16(utf8Text, &count);
    return newJavaStringOfUnits(env, units, count);
}

jobjectArray newJavaStringArray(JNIEnv* env, char* const* texts, jsize count,
                                jstring (*convert)(JNIEnv* env, const char* text)) {
    const jclass stringClass = env->FindClass("java/lang/String");
    if (stringClass == nullptr) return nullptr;
    const jstring empty = env->NewStringUTF("");
    if (empty == nullptr) return nullptr;
    const jobjectArray array = env->NewObjectArray(count, stringClass, empty);
    if (array == nullptr) return nullptr;
    for (jsize i = 0; i < count; i++) {
        const jstring element = convert(env, texts[i]);
        if (element == nullptr) return nullptr;
        env->SetObjectArrayElement(array, i, element);
        env->DeleteLocalRef(element);
    }
    return array;
}
