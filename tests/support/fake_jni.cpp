// The stand-in Java side of getEDIDBytes: the JNI functions that
// putMonitorData calls, over a few plain objects.
#include "fake_jni.h"

#include <stdlib.h>
#include <string.h>

#include <stdexcept>

#include "text_encoding.h"

namespace tarvo_test {
namespace {

// The function table followed by its owner, so each function finds the fake
// it belongs to from the JNIEnv it is given.
struct Table {
    JNINativeInterface_ functions;
    FakeJava* owner;
};

FakeJava& fake(JNIEnv* env) { return *reinterpret_cast<const Table*>(env->functions)->owner; }

typedef FakeJava::Object Object;

Object* of(jobject object) { return reinterpret_cast<Object*>(object); }
jobject ref(Object* object) { return reinterpret_cast<jobject>(object); }

const jmethodID kPut = reinterpret_cast<jmethodID>(uintptr_t(1));
const jmethodID kConstructor = reinterpret_cast<jmethodID>(uintptr_t(2));
const jfieldID kEdidMap = reinterpret_cast<jfieldID>(uintptr_t(3));

// Counts a call that JNI forbids while an exception is pending.
FakeJava& entered(JNIEnv* env) {
    FakeJava& java = fake(env);
    if (java.exceptionPending) ++java.callsWhileExceptionPending;
    return java;
}

// Gives null with an exception pending, as the JVM's lookups do.
template <typename T>
T raise(FakeJava& java) {
    java.exceptionPending = true;
    return nullptr;
}

std::string text(jobject string) {
    if (string == nullptr || of(string)->kind != Object::STRING) throw std::logic_error("not a string");
    return of(string)->text;
}

jclass JNICALL getObjectClass(JNIEnv* env, jobject) {
    return static_cast<jclass>(ref(entered(env).make(Object::CLASS, "pemu/tarvo/tools/TarvoUtils")));
}

jfieldID JNICALL getFieldID(JNIEnv* env, jclass, const char* name, const char* signature) {
    FakeJava& java = entered(env);
    if (java.missingField || strcmp(name, "edidMap") != 0 || strcmp(signature, "Ljava/util/Map;") != 0) {
        return raise<jfieldID>(java);
    }
    return kEdidMap;
}

jobject JNICALL getObjectField(JNIEnv* env, jobject, jfieldID field) {
    FakeJava& java = entered(env);
    if (field != kEdidMap) throw std::logic_error("unknown field");
    return java.nullMap ? nullptr : ref(java.make(Object::MAP));
}

jclass JNICALL findClass(JNIEnv* env, const char* name) {
    FakeJava& java = entered(env);
    const bool map = strcmp(name, "java/util/Map") == 0;
    const bool record = strcmp(name, "pemu/tarvo/tools/TarvoUtils$MonitorData") == 0;
    if ((!map && !record) || (map && java.missingMapClass) || (record && java.missingRecordClass)) {
        return raise<jclass>(java);
    }
    return static_cast<jclass>(ref(java.make(Object::CLASS, name)));
}

jmethodID JNICALL getMethodID(JNIEnv* env, jclass type, const char* name, const char* signature) {
    FakeJava& java = entered(env);
    const std::string& className = of(type)->text;
    if (className == "java/util/Map" && !java.missingPut && strcmp(name, "put") == 0 &&
        strcmp(signature, "(Ljava/lang/Object;Ljava/lang/Object;)Ljava/lang/Object;") == 0) {
        return kPut;
    }
    if (className == "pemu/tarvo/tools/TarvoUtils$MonitorData" && !java.missingConstructor &&
        strcmp(name, "<init>") == 0 &&
        strcmp(signature, "([BLjava/lang/String;Ljava/lang/String;Ljava/lang/String;)V") == 0) {
        return kConstructor;
    }
    return raise<jmethodID>(java);
}

jstring JNICALL newStringUTF(JNIEnv* env, const char* utf) {
    for (const char* at = utf; *at != 0; ++at) {
        if ((unsigned char)*at >= 0x80) throw std::logic_error("NewStringUTF with more than ASCII");
    }
    return static_cast<jstring>(ref(entered(env).make(Object::STRING, utf)));
}

jstring JNICALL newString(JNIEnv* env, const jchar* units, jsize length) {
    FakeJava& java = entered(env);
    char* utf8 = utf16ToUtf8(reinterpret_cast<const uint16_t*>(units), (size_t)length);
    if (utf8 == nullptr) throw std::logic_error("unpaired surrogate");
    Object* string = java.make(Object::STRING, utf8);
    free(utf8);
    return static_cast<jstring>(ref(string));
}

jbyteArray JNICALL newByteArray(JNIEnv* env, jsize length) {
    Object* array = entered(env).make(Object::BYTES);
    array->bytes.resize((size_t)length);
    return static_cast<jbyteArray>(ref(array));
}

void JNICALL setByteArrayRegion(JNIEnv* env, jbyteArray array, jsize start, jsize length, const jbyte* bytes) {
    entered(env);
    std::vector<uint8_t>& target = of(array)->bytes;
    if (start < 0 || length < 0 || (size_t)start + (size_t)length > target.size()) {
        throw std::logic_error("array region out of bounds");
    }
    memcpy(target.data() + start, bytes, (size_t)length);
}

jobject JNICALL newObjectA(JNIEnv* env, jclass, jmethodID method, const jvalue* arguments) {
    FakeJava& java = entered(env);
    if (method != kConstructor) throw std::logic_error("not the constructor");
    if (java.constructorThrows) return raise<jobject>(java);
    Object* record = java.make(Object::RECORD);
    if (arguments[0].l == nullptr || of(arguments[0].l)->kind != Object::BYTES) throw std::logic_error("no bytes");
    record->record.edid = of(arguments[0].l)->bytes;
    record->record.deviceString = text(arguments[1].l);
    record->record.driverVersion = text(arguments[2].l);
    record->record.driverDate = text(arguments[3].l);
    return ref(record);
}

jobject JNICALL callObjectMethodA(JNIEnv* env, jobject map, jmethodID method, const jvalue* arguments) {
    FakeJava& java = entered(env);
    if (method != kPut || of(map)->kind != Object::MAP) throw std::logic_error("not Map.put");
    if (java.putsBeforeThrowing >= 0 && java.puts >= java.putsBeforeThrowing) return raise<jobject>(java);
    if (of(arguments[1].l)->kind != Object::RECORD) throw std::logic_error("value is no MonitorData");
    java.edidMap[text(arguments[0].l)] = of(arguments[1].l)->record;
    ++java.puts;
    return nullptr;
}

jboolean JNICALL exceptionCheck(JNIEnv* env) { return fake(env).exceptionPending ? JNI_TRUE : JNI_FALSE; }

void JNICALL exceptionClear(JNIEnv* env) { fake(env).exceptionPending = false; }

void JNICALL exceptionDescribe(JNIEnv* env) {
    FakeJava& java = fake(env);
    if (java.exceptionPending) ++java.exceptionsDescribed;
    java.exceptionPending = false;
}

jint JNICALL pushLocalFrame(JNIEnv* env, jint) {
    ++entered(env).openFrames;
    return 0;
}

// Allowed with an exception pending.
jobject JNICALL popLocalFrame(JNIEnv* env, jobject result) {
    --fake(env).openFrames;
    return result;
}

}  // namespace

FakeJava::FakeJava() {
    Table* table = static_cast<Table*>(calloc(1, sizeof(Table)));
    table->owner = this;
    JNINativeInterface_& f = table->functions;
    f.GetObjectClass = getObjectClass;
    f.GetFieldID = getFieldID;
    f.GetObjectField = getObjectField;
    f.FindClass = findClass;
    f.GetMethodID = getMethodID;
    f.NewStringUTF = newStringUTF;
    f.NewString = newString;
    f.NewByteArray = newByteArray;
    f.SetByteArrayRegion = setByteArrayRegion;
    f.NewObjectA = newObjectA;
    f.CallObjectMethodA = callObjectMethodA;
    f.ExceptionCheck = exceptionCheck;
    f.ExceptionClear = exceptionClear;
    f.ExceptionDescribe = exceptionDescribe;
    f.PushLocalFrame = pushLocalFrame;
    f.PopLocalFrame = popLocalFrame;
    env_.functions = &table->functions;
}

FakeJava::~FakeJava() { free(const_cast<JNINativeInterface_*>(env_.functions)); }

jobject FakeJava::object() { return ref(make(Object::TARGET)); }

FakeJava::Object* FakeJava::make(Object::Kind kind, const std::string& text) {
    objects_.push_back(Object{kind, text, {}, {}});
    return &objects_.back();
}

}  // namespace tarvo_test
