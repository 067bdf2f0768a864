// The stand-in Java side: the JNI functions that the native methods under test
// call, over the plain objects of FakeJava.
#include "fake_jni.h"

#include <stdarg.h>
#include <stdlib.h>
#include <string.h>

#include <stdexcept>

#include "text_encoding.h"

namespace tarvo_test {

// The function table followed by its owner, so each function finds the fake
// it belongs to from the JNIEnv it is given.
struct FakeJavaTable {
    JNINativeInterface_ functions;
    FakeJava* owner;
};

namespace {

typedef FakeJava::Object Object;

const char kTarget[] = "pemu/tarvo/tools/TarvoUtils";
const char kMap[] = "java/util/Map";
const char kRecord[] = "pemu/tarvo/tools/TarvoUtils$MonitorData";
const char kPutSignature[] = "(Ljava/lang/Object;Ljava/lang/Object;)Ljava/lang/Object;";
const char kConstructorSignature[] = "([BLjava/lang/String;Ljava/lang/String;Ljava/lang/String;)V";

// The classes FindClass knows besides the two above: the exceptions the
// native methods throw.
const char* const kExceptions[] = {"java/lang/NullPointerException", "java/lang/ArrayIndexOutOfBoundsException",
                                   "java/lang/InternalError"};

const jmethodID kPut = reinterpret_cast<jmethodID>(uintptr_t(1));
const jmethodID kConstructor = reinterpret_cast<jmethodID>(uintptr_t(2));
const jfieldID kEdidMap = reinterpret_cast<jfieldID>(uintptr_t(3));
const jfieldID kGroupMap = reinterpret_cast<jfieldID>(uintptr_t(4));

FakeJava& fake(JNIEnv* env) { return *reinterpret_cast<const FakeJavaTable*>(env->functions)->owner; }

// Counts a call that JNI forbids while an exception is pending. The few
// calls JNI allows then (clearing, checking, deleting references, local
// frames) do not come through here.
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

jobject add(FakeJava& java, Object object) {
    const uintptr_t handle = java.nextHandle++;
    java.references.emplace(handle, std::move(object));
    return reinterpret_cast<jobject>(handle);
}

jobject add(FakeJava& java, Object::Kind kind, const std::string& name = "") {
    return add(java, Object{kind, name, {}, {}, {}});
}

// The object behind a live reference of the given kind.
Object& of(FakeJava& java, jobject reference, Object::Kind kind) {
    const auto found = java.references.find(reinterpret_cast<uintptr_t>(reference));
    if (found == java.references.end()) throw std::logic_error("null, deleted or foreign reference");
    if (found->second.kind != kind) throw std::logic_error("reference of the wrong kind");
    return found->second;
}

// A Java string's text in UTF-8, as the maps and records keep it.
std::string utf8(const std::u16string& text) {
    char* converted = utf16ToUtf8(reinterpret_cast<const uint16_t*>(text.data()), text.size());
    if (converted == nullptr) throw std::logic_error("unpaired surrogate or U+0000 in a Java string");
    std::string result = converted;
    free(converted);
    return result;
}

std::u16string utf16(const std::string& text) {
    size_t count = 0;
    uint16_t* units = utf8ToUtf16(text.c_str(), &count);
    std::u16string result(reinterpret_cast<const char16_t*>(units), count);
    free(units);
    return result;
}

std::string text(FakeJava& java, jobject string) { return utf8(of(java, string, Object::STRING).text); }

jclass JNICALL getObjectClass(JNIEnv* env, jobject object) {
    FakeJava& java = entered(env);
    of(java, object, Object::TARGET);
    return static_cast<jclass>(add(java, Object::CLASS, kTarget));
}

jfieldID JNICALL getFieldID(JNIEnv* env, jclass type, const char* name, const char* signature) {
    FakeJava& java = entered(env);
    if (java.missingField || of(java, type, Object::CLASS).name != kTarget ||
        strcmp(signature, "Ljava/util/Map;") != 0) {
        return raise<jfieldID>(java);
    }
    if (strcmp(name, "edidMap") == 0) return kEdidMap;
    if (strcmp(name, "currentUserGroups") == 0) return kGroupMap;
    return raise<jfieldID>(java);
}

jobject JNICALL getObjectField(JNIEnv* env, jobject object, jfieldID field) {
    FakeJava& java = entered(env);
    of(java, object, Object::TARGET);
    if (field != kEdidMap && field != kGroupMap) throw std::logic_error("unknown field");
    if (java.nullMap) return nullptr;
    return add(java, Object::MAP, field == kEdidMap ? "edidMap" : "currentUserGroups");
}

jclass JNICALL findClass(JNIEnv* env, const char* name) {
    FakeJava& java = entered(env);
    bool known = (strcmp(name, kMap) == 0 && !java.missingMapClass) ||
                 (strcmp(name, kRecord) == 0 && !java.missingRecordClass);
    for (const char* exception : kExceptions) known = known || strcmp(name, exception) == 0;
    return known ? static_cast<jclass>(add(java, Object::CLASS, name)) : raise<jclass>(java);
}

jmethodID JNICALL getMethodID(JNIEnv* env, jclass type, const char* name, const char* signature) {
    FakeJava& java = entered(env);
    const std::string& className = of(java, type, Object::CLASS).name;
    if (className == kMap && !java.missingPut && strcmp(name, "put") == 0 && strcmp(signature, kPutSignature) == 0) {
        return kPut;
    }
    if (className == kRecord && !java.missingConstructor && strcmp(name, "<init>") == 0 &&
        strcmp(signature, kConstructorSignature) == 0) {
        return kConstructor;
    }
    return raise<jmethodID>(java);
}

jint JNICALL throwNew(JNIEnv* env, jclass type, const char* message) {
    FakeJava& java = entered(env);
    java.thrown = of(java, type, Object::CLASS).name + ": " + message;
    java.exceptionPending = true;
    return 0;
}

// Modified UTF-8 differs from UTF-8 beyond ASCII, so nothing else may go
// through NewStringUTF.
jstring JNICALL newStringUTF(JNIEnv* env, const char* utf) {
    for (const char* at = utf; *at != 0; ++at) {
        if ((unsigned char)*at >= 0x80) throw std::logic_error("NewStringUTF with more than ASCII");
    }
    return entered(env).string(utf16(utf));
}

jstring JNICALL newString(JNIEnv* env, const jchar* units, jsize length) {
    return entered(env).string(std::u16string(reinterpret_cast<const char16_t*>(units), (size_t)length));
}

jsize JNICALL getStringLength(JNIEnv* env, jstring string) {
    FakeJava& java = entered(env);
    return (jsize)of(java, string, Object::STRING).text.size();
}

void JNICALL getStringRegion(JNIEnv* env, jstring string, jsize start, jsize length, jchar* units) {
    FakeJava& java = entered(env);
    const std::u16string& text = of(java, string, Object::STRING).text;
    if (start < 0 || length < 0 || (size_t)start + (size_t)length > text.size()) {
        throw std::logic_error("string region out of bounds");
    }
    text.copy(reinterpret_cast<char16_t*>(units), (size_t)length, (size_t)start);
}

jbyteArray JNICALL newByteArray(JNIEnv* env, jsize length) {
    FakeJava& java = entered(env);
    jobject array = add(java, Object::BYTES);
    of(java, array, Object::BYTES).bytes.resize((size_t)length);
    return static_cast<jbyteArray>(array);
}

void JNICALL setByteArrayRegion(JNIEnv* env, jbyteArray array, jsize start, jsize length, const jbyte* bytes) {
    FakeJava& java = entered(env);
    std::vector<uint8_t>& target = of(java, array, Object::BYTES).bytes;
    if (start < 0 || length < 0 || (size_t)start + (size_t)length > target.size()) {
        throw std::logic_error("array region out of bounds");
    }
    memcpy(target.data() + start, bytes, (size_t)length);
}

jsize JNICALL getArrayLength(JNIEnv* env, jarray array) {
    return (jsize)of(entered(env), array, Object::BYTES).bytes.size();
}

// The bytes themselves, as a virtual machine that pins instead of copying.
void* JNICALL getPrimitiveArrayCritical(JNIEnv* env, jarray array, jboolean* isCopy) {
    if (isCopy != nullptr) *isCopy = JNI_FALSE;
    return of(entered(env), array, Object::BYTES).bytes.data();
}

void JNICALL releasePrimitiveArrayCritical(JNIEnv* env, jarray array, void*, jint) {
    of(entered(env), array, Object::BYTES);
}

jobject JNICALL newObjectA(JNIEnv* env, jclass type, jmethodID method, const jvalue* arguments) {
    FakeJava& java = entered(env);
    if (of(java, type, Object::CLASS).name != kRecord || method != kConstructor) {
        throw std::logic_error("not the MonitorData constructor");
    }
    if (java.constructorThrows) return raise<jobject>(java);
    Object record{Object::RECORD, kRecord, {}, {}, {}};
    record.record.edid = of(java, arguments[0].l, Object::BYTES).bytes;
    record.record.deviceString = text(java, arguments[1].l);
    record.record.driverVersion = text(java, arguments[2].l);
    record.record.driverDate = text(java, arguments[3].l);
    return add(java, std::move(record));
}

// Map.put on one of the two map fields: a new reference to the value it
// replaced, or null.
jobject put(JNIEnv* env, jobject map, jmethodID method, jobject key, jobject value) {
    FakeJava& java = entered(env);
    const std::string field = of(java, map, Object::MAP).name;
    if (method != kPut) throw std::logic_error("not Map.put");
    ++java.putCalls;
    if (java.putsBeforeThrowing >= 0 && java.putCalls > java.putsBeforeThrowing) return raise<jobject>(java);
    const std::string name = text(java, key);
    if (field == "edidMap") {
        const FakeMonitorData record = of(java, value, Object::RECORD).record;
        const auto previous = java.edidMap.find(name);
        Object replaced{Object::RECORD, kRecord, {}, {}, {}};
        const bool replacing = previous != java.edidMap.end();
        if (replacing) replaced.record = previous->second;
        java.edidMap[name] = record;
        return replacing ? add(java, std::move(replaced)) : nullptr;
    }
    const std::string group = text(java, value);
    const auto previous = java.currentUserGroups.find(name);
    const bool replacing = previous != java.currentUserGroups.end();
    jobject replaced = replacing ? java.string(utf16(previous->second)) : nullptr;
    java.currentUserGroups[name] = group;
    return replaced;
}

jobject JNICALL callObjectMethodA(JNIEnv* env, jobject map, jmethodID method, const jvalue* arguments) {
    return put(env, map, method, arguments[0].l, arguments[1].l);
}

jobject JNICALL callObjectMethodV(JNIEnv* env, jobject map, jmethodID method, va_list arguments) {
    jobject key = va_arg(arguments, jobject);
    jobject value = va_arg(arguments, jobject);
    return put(env, map, method, key, value);
}

jboolean JNICALL exceptionCheck(JNIEnv* env) { return fake(env).exceptionPending ? JNI_TRUE : JNI_FALSE; }

void JNICALL exceptionClear(JNIEnv* env) { fake(env).exceptionPending = false; }

void JNICALL exceptionDescribe(JNIEnv* env) {
    FakeJava& java = fake(env);
    if (java.exceptionPending) ++java.exceptionsDescribed;
    java.exceptionPending = false;
}

void JNICALL deleteLocalRef(JNIEnv* env, jobject object) {
    if (fake(env).references.erase(reinterpret_cast<uintptr_t>(object)) == 0) {
        throw std::logic_error("DeleteLocalRef of a null, deleted or foreign reference");
    }
}

jint JNICALL pushLocalFrame(JNIEnv* env, jint) {
    FakeJava& java = fake(env);
    java.frames.push_back(java.nextHandle);
    return 0;
}

// Drops every reference made since the frame was pushed; `result` comes back
// as a new reference in the frame below.
jobject JNICALL popLocalFrame(JNIEnv* env, jobject result) {
    FakeJava& java = fake(env);
    if (java.frames.empty()) throw std::logic_error("PopLocalFrame without a frame");
    const bool keep = result != nullptr;
    const Object kept = keep ? java.references.at(reinterpret_cast<uintptr_t>(result)) : Object{};
    java.references.erase(java.references.lower_bound(java.frames.back()), java.references.end());
    java.frames.pop_back();
    return keep ? add(java, kept) : nullptr;
}

}  // namespace

FakeJava::FakeJava() : table_(new FakeJavaTable()), env_() {
    table_->owner = this;
    JNINativeInterface_& f = table_->functions;
    f.GetObjectClass = getObjectClass;
    f.GetFieldID = getFieldID;
    f.GetObjectField = getObjectField;
    f.FindClass = findClass;
    f.GetMethodID = getMethodID;
    f.ThrowNew = throwNew;
    f.NewStringUTF = newStringUTF;
    f.NewString = newString;
    f.GetStringLength = getStringLength;
    f.GetStringRegion = getStringRegion;
    f.NewByteArray = newByteArray;
    f.SetByteArrayRegion = setByteArrayRegion;
    f.GetArrayLength = getArrayLength;
    f.GetPrimitiveArrayCritical = getPrimitiveArrayCritical;
    f.ReleasePrimitiveArrayCritical = releasePrimitiveArrayCritical;
    f.NewObjectA = newObjectA;
    f.CallObjectMethodA = callObjectMethodA;
    f.CallObjectMethodV = callObjectMethodV;
    f.ExceptionCheck = exceptionCheck;
    f.ExceptionClear = exceptionClear;
    f.ExceptionDescribe = exceptionDescribe;
    f.DeleteLocalRef = deleteLocalRef;
    f.PushLocalFrame = pushLocalFrame;
    f.PopLocalFrame = popLocalFrame;
    env_.functions = &table_->functions;
}

FakeJava::~FakeJava() { delete table_; }

jobject FakeJava::object() { return add(*this, Object::TARGET); }

jstring FakeJava::string(const std::u16string& text) {
    return static_cast<jstring>(add(*this, Object{Object::STRING, "", text, {}, {}}));
}

const std::u16string& FakeJava::text(jobject string) { return of(*this, string, Object::STRING).text; }

}  // namespace tarvo_test
