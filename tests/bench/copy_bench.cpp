// The bulk copies of the built library against memcpy, without a Java
// runtime: the four NativeMemoryAccess methods are called through the
// library's exports (loaded as the Java runtime loads it) with a minimal
// JNIEnv that pins arrays as a virtual machine that does not copy. Under Wine
// this is the Windows figure, for the 32-bit and the 64-bit library alike;
// the JVM's own run is the run_copy_benchmark target of the Linux build.
//   copy_bench [SECONDS_PER_ROUND] [ROUNDS]
#include <jni.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <chrono>
#include <vector>

#include "product_library.h"

namespace {

// A Java array here: its elements and their count.
struct Array {
    void* elements;
    jsize length;
};

jsize JNICALL arrayLength(JNIEnv*, jarray array) { return ((Array*)array)->length; }
void* JNICALL pin(JNIEnv*, jarray array, jboolean* isCopy) {
    if (isCopy != nullptr) *isCopy = JNI_FALSE;
    return ((Array*)array)->elements;
}
void JNICALL unpin(JNIEnv*, jarray, void*, jint) {}
jint JNICALL throwNew(JNIEnv*, jclass, const char* message) {
    fprintf(stderr, "copy_bench: the library threw: %s\n", message);
    exit(1);
}
jclass JNICALL findClass(JNIEnv*, const char*) { return (jclass)1; }

typedef void(JNICALL* ToNative)(JNIEnv*, jclass, jarray, jlong, jlong, jlong);
typedef void(JNICALL* FromNative)(JNIEnv*, jclass, jlong, jarray, jlong, jlong);

// Bytes per second of `copy`, the best of `rounds` rounds of at least
// `seconds` each after one warm-up call.
template <typename Copy>
double throughput(Copy copy, size_t bytes, double seconds, int rounds) {
    copy();
    double best = 0;
    for (int round = 0; round < rounds; ++round) {
        const auto start = std::chrono::steady_clock::now();
        long count = 0;
        double elapsed;
        do {
            copy();
            ++count;
            elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        } while (elapsed < seconds);
        const double rate = (double)bytes * (double)count / elapsed;
        if (rate > best) best = rate;
    }
    return best;
}

}  // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? atof(argv[1]) : 0.3;
    const int rounds = argc > 2 ? atoi(argv[2]) : 5;
    tarvo_test::ProductLibrary library;
    const char* names[] = {"Java_pemu_tarvo_tools_NativeMemoryAccess_copyFromByteArrayN",
                           "Java_pemu_tarvo_tools_NativeMemoryAccess_copyToByteArrayN",
                           "Java_pemu_tarvo_tools_NativeMemoryAccess_copyFromShortArrayN",
                           "Java_pemu_tarvo_tools_NativeMemoryAccess_copyToShortArrayN"};
    ToNative fromBytes = library.find<ToNative>(names[0]);
    FromNative toBytes = library.find<FromNative>(names[1]);
    ToNative fromShorts = library.find<ToNative>(names[2]);
    FromNative toShorts = library.find<FromNative>(names[3]);
    if (fromBytes == nullptr || toBytes == nullptr || fromShorts == nullptr || toShorts == nullptr) {
        fprintf(stderr, "copy_bench: the library or its copy methods did not load\n");
        return 1;
    }
    JNINativeInterface_ functions;
    memset(&functions, 0, sizeof functions);
    functions.GetArrayLength = arrayLength;
    functions.GetPrimitiveArrayCritical = pin;
    functions.ReleasePrimitiveArrayCritical = unpin;
    functions.ThrowNew = throwNew;
    functions.FindClass = findClass;
    JNIEnv env;
    env.functions = &functions;

    printf("%d-bit library; MB/s, best of %d rounds of %.1f s; ratio = copy / memcpy\n", (int)(8 * sizeof(void*)),
           rounds, seconds);
    printf("%10s %10s %16s %16s %16s %16s\n", "KiB", "memcpy", "byte[]->native", "native->byte[]",
           "short[]->native", "native->short[]");
    for (size_t kib : {4, 1024, 64 * 1024}) {
        const size_t bytes = kib * 1024;
        std::vector<unsigned char> javaSide(bytes, 0x5A), native(bytes);
        Array byteArray{javaSide.data(), (jsize)bytes};
        Array shortArray{javaSide.data(), (jsize)(bytes / 2)};
        const jlong address = (jlong)(uintptr_t)native.data();
        const jlong length = (jlong)bytes;
        const double base = throughput([&] { memcpy(native.data(), javaSide.data(), bytes); }, bytes, seconds, rounds);
        const double rates[] = {
            throughput([&] { fromBytes(&env, nullptr, (jarray)&byteArray, 0, address, length); }, bytes, seconds, rounds),
            throughput([&] { toBytes(&env, nullptr, address, (jarray)&byteArray, 0, length); }, bytes, seconds, rounds),
            throughput([&] { fromShorts(&env, nullptr, (jarray)&shortArray, 0, address, length); }, bytes, seconds, rounds),
            throughput([&] { toShorts(&env, nullptr, address, (jarray)&shortArray, 0, length); }, bytes, seconds, rounds)};
        printf("%10zu %10.0f", kib, base / 1e6);
        for (double rate : rates) printf(" %9.0f (%.2f)", rate / 1e6, rate / base);
        printf("\n");
    }
    return 0;
}
