// A stand-in Java side for the native methods where no Java virtual machine
// runs (the Windows build under Wine, the sanitized Linux build): a JNIEnv
// whose function table works on a few plain objects. It holds UTF-16 strings,
// byte arrays (pinned whole for the bulk copies), the calling object's two map fields (edidMap and
// currentUserGroups) and the MonitorData records put into edidMap, with
// switches for every way the Java side can refuse.
//
// It also watches the rules JNI sets for native code: every local reference
// is counted until it is deleted or its frame popped, a stale reference is
// refused, and calls made while an exception is pending are counted, since
// JNI forbids them. A misuse the test cannot see in its counters (a wrong
// method, a reference of the wrong kind) throws std::logic_error.
#pragma once

#include <jni.h>
#include <stdint.h>

#include <map>
#include <string>
#include <vector>

namespace tarvo_test {

struct FakeMonitorData {
    std::vector<uint8_t> edid;
    std::string deviceString;  // the Java strings, in UTF-8
    std::string driverVersion;
    std::string driverDate;
};

struct FakeJavaTable;

struct FakeJava {
    FakeJava();
    ~FakeJava();
    FakeJava(const FakeJava&) = delete;
    FakeJava& operator=(const FakeJava&) = delete;

    JNIEnv* env() { return &env_; }
    jobject object();                             // a new reference to the calling object
    jstring string(const std::u16string& text);   // a new reference to a Java string
    const std::u16string& text(jobject string);  // the units of a Java string

    // The calling object's map fields, keys and values in UTF-8.
    std::map<std::string, FakeMonitorData> edidMap;
    std::map<std::string, std::string> currentUserGroups;

    // Ways for the Java side to fail: each makes its step give null with an
    // exception pending (a null field value raises nothing).
    bool missingField = false;
    bool nullMap = false;
    bool missingMapClass = false;
    bool missingPut = false;
    bool missingRecordClass = false;
    bool missingConstructor = false;
    bool constructorThrows = false;
    int putsBeforeThrowing = -1;  // put throws once this many puts succeeded (-1: never)

    int putCalls = 0;                    // calls of Map.put, the throwing ones too
    int callsWhileExceptionPending = 0;  // JNI calls that must not have been made
    int exceptionsDescribed = 0;
    bool exceptionPending = false;
    std::string thrown;  // the last ThrowNew, as "class: message"

    struct Object {
        enum Kind { CLASS, TARGET, MAP, STRING, BYTES, RECORD } kind;
        std::string name;     // a class's name, a map's field
        std::u16string text;  // a string's units
        std::vector<uint8_t> bytes;
        FakeMonitorData record;
    };
    // The live local references by handle. Handles count up from 1 and are
    // never given twice, so a deleted reference stays recognisably stale.
    std::map<uintptr_t, Object> references;
    uintptr_t nextHandle = 1;
    std::vector<uintptr_t> frames;  // the first handle of each open local frame

private:
    FakeJavaTable* table_;
    JNIEnv env_;
};

}  // namespace tarvo_test
