package pemu.tarvo.tools;

/**
 * Bulk copies between Java arrays and native memory (for example a view that
 * {@link TarvoUtils#mapSharedMemory} returned).
 *
 * <p>Offsets and lengths count bytes, for short arrays too: element k of a
 * {@code short[]} starts at byte offset 2k. Short values are stored in native
 * memory high byte first. A length of 0 or below copies nothing.
 *
 * <p>The array range is checked before anything is copied: a null array
 * raises {@link NullPointerException}, a range outside the array
 * {@link ArrayIndexOutOfBoundsException}. A native address of 0 raises
 * {@link NullPointerException}; any other address cannot be checked and must
 * name memory the caller owns, or the virtual machine may crash.
 */
public final class NativeMemoryAccess {
    static {
        System.loadLibrary("tarvoUtils");
    }

    private NativeMemoryAccess() {}

    /** Copies length bytes from array[offset...] to native memory at address. */
    public static native void copyFromByteArrayN(byte[] array, long offset, long address, long length);

    /** Copies length bytes from native memory at address to array[offset...]. */
    public static native void copyToByteArrayN(long address, byte[] array, long offset, long length);

    /**
     * Copies length bytes of 16-bit values from the array, starting at byte
     * offset, to native memory, high byte first. An odd last byte is not copied.
     */
    public static native void copyFromShortArrayN(short[] array, long offset, long address, long length);

    /**
     * Copies length bytes of 16-bit values, high byte first, from native
     * memory into the array at byte offset. An odd last byte is not copied.
     */
    public static native void copyToShortArrayN(long address, short[] array, long offset, long length);
}
