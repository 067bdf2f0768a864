package pemu.tarvo.tools;

import static org.junit.jupiter.api.Assertions.*;

import java.lang.reflect.Field;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.Collections;
import java.util.HashMap;
import java.util.Map;
import java.util.Set;
import org.junit.jupiter.api.Test;

/**
 * getEDIDBytes over the sysfs tree that tests/fixtures/make-sysfs-tree built
 * (TARVO_SYSFS_ROOT names it): the MonitorData objects the Java side gets.
 */
class MonitorTest {
    private static final String EOL = System.lineSeparator();
    private static final Path ROOT = Path.of(System.getenv("TARVO_SYSFS_ROOT"));

    /** A base block and its extensions, each with its header or tag and a zero checksum. */
    private static void assertRealEdid(byte[] edid, int extensions) {
        assertEquals(128 * (1 + extensions), edid.length);
        byte[] header = {0, (byte) 0xff, (byte) 0xff, (byte) 0xff, (byte) 0xff, (byte) 0xff, (byte) 0xff, 0};
        for (int i = 0; i < header.length; i++) {
            assertEquals(header[i], edid[i]);
        }
        assertEquals(extensions, edid[126]);
        for (int block = 0; block <= extensions; block++) {
            int sum = 0;
            for (int i = 0; i < 128; i++) {
                sum += edid[block * 128 + i] & 0xff;
            }
            assertEquals(0, sum % 256, "checksum of block " + block);
        }
    }

    private static void replaceMap(TarvoUtils utils, Map<String, TarvoUtils.MonitorData> map) throws Exception {
        Field field = TarvoUtils.class.getField("edidMap");
        field.setAccessible(true);
        field.set(utils, map);
    }

    @Test
    void eachEnabledMonitorGivesItsEdidAndItsCardsDriver() throws Exception {
        TarvoUtils utils = new TarvoUtils();
        assertTrue(utils.getEDIDBytes(false));
        assertEquals(Set.of("1", "3", "4"), utils.edidMap.keySet(), "the disabled monitor uses up number 2");

        TarvoUtils.MonitorData first = utils.edidMap.get("1");
        assertArrayEquals(Files.readAllBytes(ROOT.resolve("edid-128")), first.edid);
        assertRealEdid(first.edid, 0);
        assertEquals("tarvofb", first.deviceString);
        assertEquals("1.2.3", first.driverVersion);
        assertEquals("", first.driverDate);

        TarvoUtils.MonitorData withoutEdid = utils.edidMap.get("3");
        assertEquals(0, withoutEdid.edid.length);
        assertEquals("tarvogpu", withoutEdid.deviceString);
        assertEquals(System.getProperty("os.version"), withoutEdid.driverVersion, "the kernel's release");

        TarvoUtils.MonitorData withExtension = utils.edidMap.get("4");
        assertArrayEquals(Files.readAllBytes(ROOT.resolve("edid-256")), withExtension.edid);
        assertRealEdid(withExtension.edid, 1);
    }

    @Test
    void entriesOfAnEarlierCallStayAndTheTraceChangesNothing() {
        TarvoUtils utils = new TarvoUtils();
        utils.edidMap.put("9", new TarvoUtils.MonitorData(new byte[] {1}, "kept", "", ""));
        assertTrue(utils.getEDIDBytes(true));
        assertTrue(utils.getEDIDBytes(false));
        assertEquals(Set.of("1", "3", "4", "9"), utils.edidMap.keySet());
        assertEquals("kept", utils.edidMap.get("9").deviceString);
    }

    @Test
    void aMapThatRefusesEntriesGivesFalseAndItsExceptionOnTheConsoleOnly() throws Exception {
        TarvoUtils utils = new TarvoUtils();
        replaceMap(utils, Collections.unmodifiableMap(new HashMap<String, TarvoUtils.MonitorData>()));
        try (CapturedStream err = CapturedStream.err()) {
            assertFalse(utils.getEDIDBytes(false));
            assertTrue(err.text().startsWith("java.lang.UnsupportedOperationException"), err.text());
        }
    }

    @Test
    void noMapGivesFalseWithTheMessage() throws Exception {
        TarvoUtils utils = new TarvoUtils();
        replaceMap(utils, null);
        try (CapturedStream err = CapturedStream.err()) {
            assertFalse(utils.getEDIDBytes(false));
            assertEquals("Can't find edidMapObject\n" + EOL, err.text());
        }
    }
}
