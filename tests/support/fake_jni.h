// A stand-in for the Java side of getEDIDBytes where no Java virtual machine
// runs (the Windows build under Wine, the sanitized Linux build): a JNIEnv
// whose calling object has an edidMap, with switches for every way the Java
// side can fail. Calls made while an exception is pending are counted, since
// JNI forbids them.
#pragma once

#include <jni.h>
#include <stdint.h>

#include <deque>
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

class FakeJava {
public:
    FakeJava();
    ~FakeJava();
    FakeJava(const FakeJava&) = delete;
    FakeJava& operator=(const FakeJava&) = delete;

    JNIEnv* env() { return &env_; }
    jobject object();  // the TarvoUtils object whose edidMap is filled

    // The map's entries by key.
    std::map<std::string, FakeMonitorData> edidMap;

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

    int puts = 0;                       // successful puts
    int callsWhileExceptionPending = 0;  // JNI calls that must not have been made
    int exceptionsDescribed = 0;
    int openFrames = 0;  // local frames pushed and not popped
    bool exceptionPending = false;

    struct Object {
        enum Kind { CLASS, TARGET, MAP, STRING, BYTES, RECORD } kind;
        std::string text;  // class name or string (UTF-8)
        std::vector<uint8_t> bytes;
        FakeMonitorData record;
    };
    Object* make(Object::Kind kind, const std::string& text = "");

private:
    JNIEnv env_;
    std::deque<Object> objects_;
};

}  // namespace tarvo_test
