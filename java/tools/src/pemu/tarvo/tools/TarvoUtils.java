package pemu.tarvo.tools;

import java.util.LinkedHashMap;
import java.util.Map;

/**
 * The native services of the tarvoUtils library. Every method is static except
 * the two that fill a map of this object: {@link #getEDIDBytes} and
 * {@link #fillUserGroupNames}. The natives report failures by their results
 * (null, false, 0); see each group's notes.
 */
public class TarvoUtils {
    static {
        System.loadLibrary("tarvoUtils");
    }

    /** One monitor as getEDIDBytes found it. */
    public static final class MonitorData {
        /** The EDID block; empty when the monitor's EDID could not be read. */
        public final byte[] edid;
        /** The display adapter's descriptive name. */
        public final String deviceString;
        /** The adapter driver's version text, empty when not found. */
        public final String driverVersion;
        /** The adapter driver's date text, empty when not found. */
        public final String driverDate;

        public MonitorData(byte[] edid, String deviceString, String driverVersion, String driverDate) {
            this.edid = edid;
            this.deviceString = deviceString;
            this.driverVersion = driverVersion;
            this.driverDate = driverDate;
        }
    }

    /** Display number ("1", "2", ...) to monitor, filled by getEDIDBytes. */
    public final Map<String, MonitorData> edidMap = new LinkedHashMap<String, MonitorData>();

    /** Group SID text to account name (empty when unknown), filled by fillUserGroupNames. */
    public final Map<String, String> currentUserGroups = new LinkedHashMap<String, String>();

    // Host identification.
    public static native String getMachineID();
    public static native String[] getMachineIDs();
    public static native String getHostID();

    // Container routing.
    public static native String getAutorouterContainer(String sender, String destination, String senderHost);
    public static native String getAutorouterContainer(int sourceId);
    public static native String getAutorouterContainer(int sourceId, boolean writeLog);
    public static native String getAutorouterContainer(int sourceId, String sender, String destination,
                                                       String senderHost);
    public static native String getAutorouterContainerSourceId(String sender, String destination,
                                                               String senderHost);
    public static native String[] getAutorouterContainerSourceIds(String sender, String destination,
                                                                  String senderHost);
    public static native boolean updateAutorouterContainerSourceData(String container, String sender,
                                                                     String destination, String senderHost);
    public static native void signalAutorouter(String host, int port, String container, String fileName,
                                               int state);
    public static native String getContainerDirectory();

    // Disk space: free and total sizes in KiB; guard results 0 enough space,
    // 1 space low (the call was slowed down), 2 below the hard limit.
    public static native long getFreeKByte(String path);
    public static native long getKByteFromPercent(String path, int percent);
    public static native int checkForFreeSpace(String path, boolean delay);
    public static native int checkForFreeSpace(boolean delay);
    public static native int checkForLowerFreeSpace(boolean delay);

    // Memory in KiB, session facts, CD tray, user groups.
    public static native int getSystemTotalMem();
    public static native int getSystemFreeMem();
    public static native boolean isDisplayLocal();
    public static native boolean isRDPClient();
    public static native boolean isCitrixClient();
    public static native String getClientName();
    public static native String getClientAddress();
    public static native void openCloseCDTray(String drive, boolean open);
    public native boolean fillUserGroupNames();

    // Named shared memory. A key names the same block in every process; only
    // its low 32 bits count. mapSharedMemory returns a view's address (0 on
    // failure), for NativeMemoryAccess and unmapSharedMemory.
    public static native long mapSharedMemory(long key, long size, boolean create);
    public static native boolean unmapSharedMemory(long address);
    public static native void deleteSharedMemory(long key);

    // Monitors and network.
    public native boolean getEDIDBytes(boolean debug);
    public static native String getGatewayMACAddress(String sourceIP, String destinationIP);
}
