package tarvo.probe;

import java.io.File;
import java.nio.ByteBuffer;

/** Native help for the tests (library tarvoTestProbe, built in tests/java/native). */
public final class NativeProbe {
    static {
        System.loadLibrary("tarvoTestProbe");
    }

    private NativeProbe() {}

    /** The product library as loaded by the Java classes, for the calls below. */
    public static boolean useProduct() {
        String file = System.mapLibraryName("tarvoUtils");
        for (String folder : System.getProperty("java.library.path").split(File.pathSeparator)) {
            if (new File(folder, file).isFile() && useProduct(new File(folder, file).getAbsolutePath())) {
                return true;
            }
        }
        return false;
    }

    private static native boolean useProduct(String path);

    public static native int productOnLoad();

    /** JNU_ThrowByName(className, message), or JNU_ThrowInternalError when className is null. */
    public static native int productThrow(String className, String message);

    /** jniPrintf(stderr or stdout, "%s", message). */
    public static native int print(boolean toErr, String message);

    /** jniPrintf(stderr or stdout, "%s\n", message). */
    public static native int printLine(boolean toErr, String message);

    /** jniPrintf from a new native thread: {result, still attached afterwards (1) or not (0)}. */
    public static native int[] printFromNativeThread(boolean toErr, String message);

    /** Raises an IllegalStateException and then calls jniPrintf(stderr, ...). */
    public static native int printWithPendingException(String message);

    /** Binds the product's fillUserGroupNames to the native fillUserGroupNames() of {@code type}. */
    public static native boolean bindGroupFill(Class<?> type);

    public static native boolean hasField(Class<?> type, String name, String signature);

    public static native boolean hasMethod(String className, String name, String signature);

    public static native long allocate(long bytes);

    public static native void release(long address);

    public static native ByteBuffer view(long address, long bytes);

    public static native void nativeCopy(long to, long from, long bytes);

    /** getUniqueId of the test library's own copy of the host-identification rules. */
    public static native String uniqueId();

    /** TarvoUtils.getMachineIDs (the test library's copy) on a machine without adapters and volume. */
    public static native String[] machineIdsWithoutIds();
}
