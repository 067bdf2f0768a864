// The string arguments of native methods.
#include "java_strings.h"

JavaStrings beginJavaStrings(JNIEnv* env) { return JavaStrings{env, 0, {}, {}, false}; }

const char* javaString(JavaStrings* strings, jstring string) {
    if (string == nullptr || strings->count == 4) return nullptr;
    const char* text = strings->env->GetStringUTFChars(string, nullptr);
    if (text == nullptr) {
        strings->failed = true;
        return nullptr;
    }
    strings->strings[strings->count] = string;
    strings->texts[strings->count] = text;
    ++strings->count;
    return text;
}

void releaseJavaStrings(JavaStrings* strings) {
    for (int i = 0; i < strings->count; ++i) {
        strings->env->ReleaseStringUTFChars(strings->strings[i], strings->texts[i]);
    }
    strings->count = 0;
}
