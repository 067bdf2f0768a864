// The bulk copies of pemu.tarvo.tools.NativeMemoryAccess between Java byte or
// short arrays and native memory. Offsets and lengths count bytes for both
// array kinds; short values are stored in native memory high byte first.
#include <inttypes.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include "tarvoUtils.h"

namespace {

// At most this much is copied per pinning of the array, so that a long copy
// never keeps the array pinned, and the garbage collector waiting, for the
// whole transfer.
const jlong kChunkBytes = 0x100000;

enum Direction { ARRAY_TO_NATIVE, NATIVE_TO_ARRAY };

// Copies `count` 16-bit values, exchanging the two bytes of each. Either side
// may sit at an odd address, since array offsets are byte offsets.
void copySwapped(unsigned char* __restrict to, const unsigned char* __restrict from, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        uint16_t value;
        memcpy(&value, from + 2 * i, 2);
        value = (uint16_t)((value << 8) | (value >> 8));
        memcpy(to + 2 * i, &value, 2);
    }
}

void copyChunk(unsigned char* to, const unsigned char* from, size_t bytes, bool swap) {
    if (swap) {
        copySwapped(to, from, bytes / 2);  // an odd last byte is not copied
    } else {
        memcpy(to, from, bytes);
    }
}

// The array side is the one place where a wrong argument from Java could
// write into the Java heap, so it is checked before anything is copied: a
// null array raises NullPointerException, a byte range that is not inside the
// array ArrayIndexOutOfBoundsException. Of the native address only a null
// pointer can be recognised as wrong (NullPointerException); any other
// address is trusted. The pointer is what counts: in the 32-bit library only
// the low 32 bits of the Java long, so 0x100000000 is null there too.
bool acceptRange(JNIEnv* env, jarray array, jlong offset, jlong address, jlong length, jlong elementSize) {
    if (array == nullptr) {
        JNU_ThrowByName(env, "java/lang/NullPointerException", "array is null");
        return false;
    }
    if ((uintptr_t)address == 0) {
        JNU_ThrowByName(env, "java/lang/NullPointerException", "native address is 0");
        return false;
    }
    const jlong arrayBytes = (jlong)env->GetArrayLength(array) * elementSize;
    if (offset < 0 || offset > arrayBytes || length > arrayBytes - offset) {
        char message[128];
        snprintf(message, sizeof message,
                 "offset %" PRId64 " and length %" PRId64 " outside an array of %" PRId64 " bytes",
                 (int64_t)offset, (int64_t)length, (int64_t)arrayBytes);
        JNU_ThrowByName(env, "java/lang/ArrayIndexOutOfBoundsException", message);
        return false;
    }
    return true;
}

void copyInChunks(JNIEnv* env, jarray array, jlong offset, jlong address, jlong length,
                  Direction direction, bool swap) {
    if (length <= 0) return;  // nothing to copy: the array is not touched
    if (!acceptRange(env, array, offset, address, length, swap ? 2 : 1)) return;

    unsigned char* native = (unsigned char*)(uintptr_t)address;
    while (length > 0) {
        const jlong chunk = length < kChunkBytes ? length : kChunkBytes;
        unsigned char* elements = (unsigned char*)env->GetPrimitiveArrayCritical(array, nullptr);
        if (elements == nullptr) {
            // Whatever the virtual machine raised gives way to the one
            // exception callers expect here.
            env->ExceptionClear();
            JNU_ThrowInternalError(env, "Unable to get array");
            return;
        }
        unsigned char* inArray = elements + offset;
        if (direction == ARRAY_TO_NATIVE) {
            copyChunk(native, inArray, (size_t)chunk, swap);
            env->ReleasePrimitiveArrayCritical(array, elements, JNI_ABORT);  // only read
        } else {
            copyChunk(inArray, native, (size_t)chunk, swap);
            env->ReleasePrimitiveArrayCritical(array, elements, 0);
        }
        native += chunk;
        offset += chunk;
        length -= chunk;
    }
}

}  // namespace

extern "C" {

JNIEXPORT void JNICALL Java_pemu_tarvo_tools_NativeMemoryAccess_copyFromByteArrayN(
    JNIEnv* env, jclass, jbyteArray array, jlong offset, jlong address, jlong length) {
    copyInChunks(env, array, offset, address, length, ARRAY_TO_NATIVE, false);
}

JNIEXPORT void JNICALL Java_pemu_tarvo_tools_NativeMemoryAccess_copyToByteArrayN(
    JNIEnv* env, jclass, jlong address, jbyteArray array, jlong offset, jlong length) {
    copyInChunks(env, array, offset, address, length, NATIVE_TO_ARRAY, false);
}

JNIEXPORT void JNICALL Java_pemu_tarvo_tools_NativeMemoryAccess_copyFromShortArrayN(
    JNIEnv* env, jclass, jshortArray array, jlong offset, jlong address, jlong length) {
    copyInChunks(env, array, offset, address, length, ARRAY_TO_NATIVE, true);
}

JNIEXPORT void JNICALL Java_pemu_tarvo_tools_NativeMemoryAccess_copyToShortArrayN(
    JNIEnv* env, jclass, jlong address, jshortArray array, jlong offset, jlong length) {
    copyInChunks(env, array, offset, address, length, NATIVE_TO_ARRAY, true);
}

}  // extern "C"
