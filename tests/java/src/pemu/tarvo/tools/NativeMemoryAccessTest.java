package pemu.tarvo.tools;

import static org.junit.jupiter.api.Assertions.*;

import java.nio.ByteBuffer;
import java.util.Arrays;
import java.util.Random;
import org.junit.jupiter.api.AfterEach;
import org.junit.jupiter.api.BeforeEach;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.function.Executable;
import tarvo.probe.NativeProbe;

/** The four copy methods between Java arrays and native memory. */
class NativeMemoryAccessTest {
    private static final int MIB = 0x100000;
    private static final int GUARD = 64;
    private static final byte UNTOUCHED = (byte) 0xA5;

    private long address;
    private ByteBuffer memory;

    /** Native memory of `bytes` bytes followed by a guard, all set to UNTOUCHED. */
    private void allocate(int bytes) {
        address = NativeProbe.allocate(bytes + GUARD);
        assertNotEquals(0, address);
        memory = NativeProbe.view(address, bytes + GUARD);
        for (int i = 0; i < bytes + GUARD; i++) {
            memory.put(i, UNTOUCHED);
        }
    }

    @BeforeEach
    void smallBuffer() {
        allocate(16);
    }

    @AfterEach
    void release() {
        NativeProbe.release(address);
    }

    private void assertNativeUntouchedFrom(int start) {
        for (int i = start; i < memory.capacity(); i++) {
            assertEquals(UNTOUCHED, memory.get(i), "native byte " + i);
        }
    }

    private static byte[] randomBytes(int length) {
        byte[] bytes = new byte[length];
        new Random(length).nextBytes(bytes);
        return bytes;
    }

    @Test
    void byteCopiesGoBothWaysAcrossChunkBoundaries() {
        for (int length : new int[] {1, MIB - 1, MIB, MIB + 1, 64 * MIB}) {
            release();
            allocate(length);
            byte[] source = randomBytes(length);
            NativeMemoryAccess.copyFromByteArrayN(source, 0, address, length);
            for (int i = 0; i < length; i += 4093) {
                assertEquals(source[i], memory.get(i), "native byte " + i + " of " + length);
            }
            assertEquals(source[length - 1], memory.get(length - 1));
            assertNativeUntouchedFrom(length);

            byte[] back = new byte[length + 1];
            back[length] = UNTOUCHED;
            NativeMemoryAccess.copyToByteArrayN(address, back, 0, length);
            assertArrayEquals(source, Arrays.copyOf(back, length), "round trip of " + length);
            assertEquals(UNTOUCHED, back[length]);
        }
    }

    @Test
    void byteCopiesStartAtTheArrayOffset() {
        byte[] source = {0, 1, 2, 3, 4, 5, 6, 7};
        NativeMemoryAccess.copyFromByteArrayN(source, 5, address, 3);
        assertEquals(5, memory.get(0));
        assertEquals(7, memory.get(2));
        assertNativeUntouchedFrom(3);

        byte[] target = new byte[8];
        NativeMemoryAccess.copyToByteArrayN(address, target, 2, 3);
        assertArrayEquals(new byte[] {0, 0, 5, 6, 7, 0, 0, 0}, target);
    }

    @Test
    void shortValuesAreStoredHighByteFirstAndComeBackUnchanged() {
        short[] values = {0x1234, 0x00FF, (short) 0xFF00, (short) 0x8001};
        NativeMemoryAccess.copyFromShortArrayN(values, 0, address, 8);
        byte[] expected = {0x12, 0x34, 0x00, (byte) 0xFF, (byte) 0xFF, 0x00, (byte) 0x80, 0x01};
        for (int i = 0; i < expected.length; i++) {
            assertEquals(expected[i], memory.get(i), "native byte " + i);
        }
        assertNativeUntouchedFrom(8);

        short[] back = new short[4];
        NativeMemoryAccess.copyToShortArrayN(address, back, 0, 8);
        assertArrayEquals(values, back);
    }

    @Test
    void anOddLastByteOfAShortCopyIsNotCopied() {
        short[] values = {0x1234, 0x5678};
        NativeMemoryAccess.copyFromShortArrayN(values, 0, address, 3);
        assertEquals(0x12, memory.get(0));
        assertEquals(0x34, memory.get(1));
        assertNativeUntouchedFrom(2);

        short[] back = {0, 0x0BAD};
        NativeMemoryAccess.copyToShortArrayN(address, back, 0, 3);
        assertArrayEquals(new short[] {0x1234, 0x0BAD}, back);
    }

    @Test
    void shortCopiesUseByteOffsetsIntoTheArray() {
        short[] values = {0x0102, 0x0304, 0x0506};
        NativeMemoryAccess.copyFromShortArrayN(values, 2, address, 4);
        assertEquals(0x03, memory.get(0));
        assertEquals(0x06, memory.get(3));
        assertNativeUntouchedFrom(4);

        short[] back = new short[3];
        NativeMemoryAccess.copyToShortArrayN(address, back, 4, 2);
        assertArrayEquals(new short[] {0, 0, 0x0304}, back);
    }

    @Test
    void longShortCopiesSwapEveryValueAcrossChunks() {
        int length = 2 * MIB + 3;
        release();
        allocate(length);
        short[] values = new short[length / 2 + 1];
        for (int i = 0; i < values.length; i++) {
            values[i] = (short) (i * 0x0101 + 1);
        }
        NativeMemoryAccess.copyFromShortArrayN(values, 0, address, length);
        for (int i = 0; i < length / 2; i += 997) {
            assertEquals(values[i], memory.getShort(2 * i), "value " + i);  // big-endian view
        }
        assertEquals(values[length / 2 - 1], memory.getShort(length - 3));
        assertNativeUntouchedFrom(length - 1);

        short[] back = new short[values.length];
        NativeMemoryAccess.copyToShortArrayN(address, back, 0, length);
        assertArrayEquals(Arrays.copyOf(values, length / 2), Arrays.copyOf(back, length / 2));
        assertEquals(0, back[length / 2]);
    }

    @Test
    void zeroAndNegativeLengthsCopyNothingAndCheckNothing() {
        byte[] bytes = {1, 2, 3};
        short[] shorts = {1, 2, 3};
        for (long length : new long[] {0, -1, -2, Long.MIN_VALUE}) {
            NativeMemoryAccess.copyFromByteArrayN(bytes, 0, address, length);
            NativeMemoryAccess.copyFromShortArrayN(shorts, 0, address, length);
            NativeMemoryAccess.copyToByteArrayN(address, bytes, 0, length);
            NativeMemoryAccess.copyToShortArrayN(address, shorts, 0, length);
            NativeMemoryAccess.copyFromByteArrayN(null, -5, 0, length);
        }
        assertArrayEquals(new byte[] {1, 2, 3}, bytes);
        assertArrayEquals(new short[] {1, 2, 3}, shorts);
        assertNativeUntouchedFrom(0);
    }

    /** Each call must be refused with the exception before any byte moves. */
    private void assertRefused(Class<? extends Throwable> expected, byte[] bytes, short[] shorts,
                               Executable... calls) {
        byte[] bytesBefore = bytes == null ? null : bytes.clone();
        short[] shortsBefore = shorts == null ? null : shorts.clone();
        for (Executable call : calls) {
            assertThrows(expected, call);
        }
        assertArrayEquals(bytesBefore, bytes);
        assertArrayEquals(shortsBefore, shorts);
        assertNativeUntouchedFrom(0);
    }

    @Test
    void aNullArrayOrANullAddressIsRefused() {
        byte[] bytes = {1, 2, 3, 4};
        short[] shorts = {1, 2};
        assertRefused(NullPointerException.class, bytes, shorts,
                () -> NativeMemoryAccess.copyFromByteArrayN(null, 0, address, 1),
                () -> NativeMemoryAccess.copyToByteArrayN(address, null, 0, 1),
                () -> NativeMemoryAccess.copyFromShortArrayN(null, 0, address, 2),
                () -> NativeMemoryAccess.copyToShortArrayN(address, null, 0, 2),
                () -> NativeMemoryAccess.copyFromByteArrayN(bytes, 0, 0, 4),
                () -> NativeMemoryAccess.copyToByteArrayN(0, bytes, 0, 4),
                () -> NativeMemoryAccess.copyToShortArrayN(0, shorts, 0, 4));
    }

    @Test
    void aRangeOutsideTheArrayIsRefused() {
        byte[] bytes = {1, 2, 3, 4};
        short[] shorts = {1, 2};
        assertRefused(ArrayIndexOutOfBoundsException.class, bytes, shorts,
                () -> NativeMemoryAccess.copyFromByteArrayN(bytes, -1, address, 2),
                () -> NativeMemoryAccess.copyFromByteArrayN(bytes, 0, address, 5),
                () -> NativeMemoryAccess.copyFromByteArrayN(bytes, 3, address, 2),
                () -> NativeMemoryAccess.copyFromByteArrayN(bytes, 5, address, 1),
                () -> NativeMemoryAccess.copyToByteArrayN(address, bytes, 2, 3),
                () -> NativeMemoryAccess.copyToByteArrayN(address, bytes, 1, Long.MAX_VALUE),
                () -> NativeMemoryAccess.copyToByteArrayN(address, bytes, Long.MAX_VALUE, 2),
                () -> NativeMemoryAccess.copyFromShortArrayN(shorts, 2, address, 3),
                () -> NativeMemoryAccess.copyToShortArrayN(address, shorts, 0, 5),
                () -> NativeMemoryAccess.copyToShortArrayN(address, shorts, -2, 2));

        // The last bytes of the array are inside it.
        NativeMemoryAccess.copyFromByteArrayN(bytes, 2, address, 2);
        NativeMemoryAccess.copyFromShortArrayN(shorts, 3, address + 2, 1);
        assertEquals(3, memory.get(0));
        assertEquals(4, memory.get(1));
        assertNativeUntouchedFrom(2);
    }
}
