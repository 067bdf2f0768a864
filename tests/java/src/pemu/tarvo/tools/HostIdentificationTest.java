package pemu.tarvo.tools;

import static org.junit.jupiter.api.Assertions.*;

import java.io.IOException;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.HashSet;
import java.util.List;
import java.util.Locale;
import java.util.Set;
import java.util.concurrent.ConcurrentHashMap;
import java.util.stream.Stream;
import org.junit.jupiter.api.Test;
import tarvo.probe.NativeProbe;

/** Machine ids and the host id through the Java declarations, on this machine. */
class HostIdentificationTest {
    private static String firstLine(Path file) throws IOException {
        return Files.readAllLines(file).get(0).trim();
    }

    /** The adapters of /sys/class/net in interface index order, as the library should list them. */
    private static List<String> adaptersOfThisMachine() throws IOException {
        List<Path> interfaces;
        try (Stream<Path> listed = Files.list(Path.of("/sys/class/net"))) {
            interfaces = new ArrayList<>(listed.toList());
        }
        List<String> addresses = new ArrayList<>();
        interfaces.sort((a, b) -> {
            try {
                return Integer.compare(Integer.parseInt(firstLine(a.resolve("ifindex"))),
                        Integer.parseInt(firstLine(b.resolve("ifindex"))));
            } catch (IOException e) {
                throw new IllegalStateException(e);
            }
        });
        for (Path adapter : interfaces) {
            boolean loopback = (Integer.decode(firstLine(adapter.resolve("flags"))) & 0x8) != 0;
            String address = firstLine(adapter.resolve("address")).toUpperCase(Locale.ROOT);
            if (loopback || !address.matches("([0-9A-F]{2}:){5}[0-9A-F]{2}") || address.equals("00:00:00:00:00:00")
                    || address.startsWith("08:00") || address.startsWith("00:50:56:C0:00")) {
                continue;
            }
            addresses.add(address);
        }
        return addresses;
    }

    @Test
    void theMachineIdsAreTheAdaptersThenTheDisc() throws IOException {
        String[] ids = TarvoUtils.getMachineIDs();
        List<String> expected = adaptersOfThisMachine();
        assertEquals(expected.size() + 1, ids.length);
        assertEquals(expected, List.of(ids).subList(0, expected.size()));
        assertTrue(ids[ids.length - 1].matches("disc:00:00(:[0-9A-F]{2}){4}"), ids[ids.length - 1]);
        assertEquals(ids[0], TarvoUtils.getMachineID());
    }

    @Test
    void theHostIdIsTheSumOfTheFirstIdsLastFourBytes() {
        String[] fields = TarvoUtils.getMachineID().replaceFirst("^disc:", "").split(":");
        int sum = 0;
        for (int i = 2; i < 6; i++) sum += Integer.parseInt(fields[i], 16);
        assertEquals("0x" + Integer.toHexString(sum), TarvoUtils.getHostID());
    }

    @Test
    void noIdsGiveAnEmptyArray() {
        String[] ids = NativeProbe.machineIdsWithoutIds();
        assertNotNull(ids);
        assertEquals(0, ids.length);
    }

    @Test
    void javaThreadsNeverGetTheSameUniqueId() throws InterruptedException {
        Set<String> ids = ConcurrentHashMap.newKeySet();
        List<Thread> threads = new ArrayList<>();
        int perThread = 2000;
        for (int t = 0; t < 8; t++) {
            threads.add(new Thread(() -> {
                for (int i = 0; i < perThread; i++) ids.add(NativeProbe.uniqueId());
            }));
        }
        threads.forEach(Thread::start);
        for (Thread thread : threads) thread.join(60_000);
        assertEquals(8 * perThread, ids.size());
        Set<String> hosts = new HashSet<>();
        for (String id : ids) {
            assertTrue(id.matches("0x[0-9a-f]{8}\\." + ProcessHandle.current().pid() + "\\.\\d+\\.\\d+"), id);
            hosts.add(id.substring(0, 10));
        }
        assertEquals(1, hosts.size());
    }
}
