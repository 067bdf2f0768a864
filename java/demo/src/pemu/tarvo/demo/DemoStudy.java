package pemu.tarvo.demo;

import java.io.File;
import java.io.IOException;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.util.Arrays;
import java.util.Map;

import pemu.tarvo.tools.TarvoUtils;

/**
 * What a viewer does with tarvoUtils when a study arrives, as the demo shows
 * it: a container for the sender, a data file in it, the sender data updated,
 * completion signalled; the source ids of another sender; the free space;
 * and the host facts the viewer reports. Everything is printed on standard
 * output, where the launcher's log picks it up.
 */
final class DemoStudy {
    private DemoStudy() {}

    static void receive(String sender, String destination, String senderHost, String otherSender) {
        section("receiving a study from " + sender + " for " + destination + " on " + senderHost);
        String container = TarvoUtils.getAutorouterContainer(sender, destination, senderHost);
        System.out.println("container data folder: " + container);
        if (container != null) {
            File data = new File(container, "study-1.dcm");
            try {
                Files.write(data.toPath(), "DICM demo image data\n".getBytes(StandardCharsets.US_ASCII));
                System.out.println("wrote " + data);
            } catch (IOException e) {
                System.out.println("could not write the data file: " + e);
            }
            boolean updated = TarvoUtils.updateAutorouterContainerSourceData(container, sender, destination,
                    senderHost);
            System.out.println("sender data updated: " + updated);
            TarvoUtils.signalAutorouter(null, 0, container, null, 1);
            System.out.println("completion signalled");
        }
        section("source ids of " + otherSender);
        String[] ids = TarvoUtils.getAutorouterContainerSourceIds(otherSender, destination, senderHost);
        System.out.println("source ids: " + (ids == null ? "none (lookup failed)" : Arrays.toString(ids)));
        System.out.println("container directory: " + TarvoUtils.getContainerDirectory());
        System.out.println("free space check (0 enough, 1 low, 2 exhausted): "
                + TarvoUtils.checkForFreeSpace(false));
        System.out.println("free KiB there: " + TarvoUtils.getFreeKByte(TarvoUtils.getContainerDirectory()));
    }

    static void reportHost() {
        section("host facts");
        System.out.println("memory KiB: total " + TarvoUtils.getSystemTotalMem() + ", free "
                + TarvoUtils.getSystemFreeMem());
        System.out.println("display local: " + TarvoUtils.isDisplayLocal() + ", remote desktop: "
                + TarvoUtils.isRDPClient() + ", Citrix: " + TarvoUtils.isCitrixClient());
        System.out.println("client: " + TarvoUtils.getClientName() + " at " + TarvoUtils.getClientAddress());
        System.out.println("machine id: " + TarvoUtils.getMachineID());
        System.out.println("machine ids: " + Arrays.toString(TarvoUtils.getMachineIDs()));
        System.out.println("host id: " + TarvoUtils.getHostID());
        TarvoUtils utils = new TarvoUtils();
        if (utils.fillUserGroupNames()) {
            for (Map.Entry<String, String> group : utils.currentUserGroups.entrySet()) {
                System.out.println("group " + group.getKey() + " " + group.getValue());
            }
        }
        System.out.println("monitors read: " + utils.getEDIDBytes(false));
        for (Map.Entry<String, TarvoUtils.MonitorData> monitor : utils.edidMap.entrySet()) {
            TarvoUtils.MonitorData data = monitor.getValue();
            System.out.println("monitor " + monitor.getKey() + ": " + data.edid.length + " EDID bytes, "
                    + data.deviceString + ", driver " + data.driverVersion + " of " + data.driverDate);
        }
        // Only towards this machine itself: the demo sends nothing onto a network.
        System.out.println("gateway MAC towards 127.0.0.1: " + TarvoUtils.getGatewayMACAddress(null, "127.0.0.1"));
    }

    private static void section(String title) {
        System.out.println();
        System.out.println("--- " + title);
    }
}
