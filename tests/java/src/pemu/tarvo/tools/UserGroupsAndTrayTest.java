package pemu.tarvo.tools;

import static org.junit.jupiter.api.Assertions.*;

import java.io.IOException;
import java.lang.reflect.Field;
import java.nio.charset.StandardCharsets;
import java.util.HashMap;
import java.util.Map;
import java.util.concurrent.TimeUnit;
import org.junit.jupiter.api.BeforeAll;
import org.junit.jupiter.api.Test;
import tarvo.probe.GroupHolders;
import tarvo.probe.NativeProbe;

/** fillUserGroupNames and openCloseCDTray in the JVM, against the test user's real groups and devices. */
class UserGroupsAndTrayTest {
    private static final String EOL = System.lineSeparator();

    @BeforeAll
    static void bindToOtherClasses() {
        new TarvoUtils();  // loads the product
        assertTrue(NativeProbe.useProduct());
        assertTrue(NativeProbe.bindGroupFill(GroupHolders.WithoutField.class));
        assertTrue(NativeProbe.bindGroupFill(GroupHolders.WithOtherType.class));
        assertTrue(NativeProbe.bindGroupFill(GroupHolders.WithFixedMap.class));
    }

    private static String[] idWords(String option) throws IOException, InterruptedException {
        Process id = new ProcessBuilder("id", option).redirectError(ProcessBuilder.Redirect.DISCARD).start();
        String output = new String(id.getInputStream().readAllBytes(), StandardCharsets.UTF_8).trim();
        assertTrue(id.waitFor(10, TimeUnit.SECONDS), "id ends");
        return output.split("\\s+");
    }

    /** What `id -G` and `id -Gn` say of this process: SID text to group name, empty when unknown. */
    private static Map<String, String> idGroups() throws IOException, InterruptedException {
        String[] gids = idWords("-G");
        String[] names = idWords("-Gn");
        assertEquals(gids.length, names.length);
        Map<String, String> groups = new HashMap<>();
        for (int i = 0; i < gids.length; i++) {
            groups.put("S-1-22-2-" + gids[i], names[i].equals(gids[i]) ? "" : names[i]);
        }
        return groups;
    }

    /** Runs `call` and returns what it printed on System.out and System.err together. */
    private static String printedBy(Runnable call) {
        try (CapturedStream out = CapturedStream.out(); CapturedStream err = CapturedStream.err()) {
            call.run();
            return out.text() + err.text();
        }
    }

    @Test
    void fillsTheGroupsOfTheProcessAsIdListsThem() throws Exception {
        TarvoUtils utils = new TarvoUtils();
        assertEquals("", printedBy(() -> assertTrue(utils.fillUserGroupNames())));
        assertEquals(idGroups(), utils.currentUserGroups);
    }

    @Test
    void keepsEarlierEntriesAndReplacesAGroupPutAgain() throws Exception {
        TarvoUtils utils = new TarvoUtils();
        String ownGroup = "S-1-22-2-" + idWords("-g")[0];
        utils.currentUserGroups.put("S-1-0-kept", "kept");
        utils.currentUserGroups.put(ownGroup, "stale");
        assertTrue(utils.fillUserGroupNames());
        assertTrue(utils.fillUserGroupNames());
        Map<String, String> expected = idGroups();
        expected.put("S-1-0-kept", "kept");
        assertEquals(expected, utils.currentUserGroups);
    }

    @Test
    void putsNothingAndPrintsNothingWithoutAUsableMap() throws Exception {
        TarvoUtils withNull = new TarvoUtils();
        Field field = TarvoUtils.class.getField("currentUserGroups");
        field.setAccessible(true);
        field.set(withNull, null);
        GroupHolders.WithFixedMap fixed = new GroupHolders.WithFixedMap();
        String printed = printedBy(() -> {
            assertTrue(withNull.fillUserGroupNames());
            assertTrue(new GroupHolders.WithoutField().fillUserGroupNames());
            assertTrue(new GroupHolders.WithOtherType().fillUserGroupNames());
            assertTrue(fixed.fillUserGroupNames(), "put's exception does not escape");
        });
        assertEquals("", printed);
        assertTrue(fixed.currentUserGroups.isEmpty());
    }

    @Test
    void theTrayOfADeviceThatIsNoCdDriveIsReportedAndNullDoesNothing() {
        for (boolean open : new boolean[] {true, false}) {
            assertEquals("", printedBy(() -> TarvoUtils.openCloseCDTray(null, open)));
            assertEquals("could not open cdrom driver: Inappropriate ioctl for device\n" + EOL,
                         printedBy(() -> TarvoUtils.openCloseCDTray("/dev/null", open)));
            assertEquals("could not open cdrom driver: No such device\n" + EOL,
                         printedBy(() -> TarvoUtils.openCloseCDTray("C:\\", open)));
        }
    }
}
