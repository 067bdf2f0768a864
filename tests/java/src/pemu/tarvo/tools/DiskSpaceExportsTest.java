package pemu.tarvo.tools;

import static org.junit.jupiter.api.Assertions.*;
import static org.junit.jupiter.api.Assumptions.assumeTrue;

import java.io.IOException;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.Paths;

import org.junit.jupiter.api.AfterEach;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.io.TempDir;

/**
 * The five disk-space methods in a real JVM, on the tests' own 64 MiB tmpfs
 * (TARVO_TEST_VOLUME, 64 MB free, never written to here) with the thresholds
 * of "routing.conf" in the installation home (TARVO) set around it.
 */
class DiskSpaceExportsTest {
    private static final long VOLUME_KIB = 64 * 1024;
    private final Path home = Paths.get(System.getenv("TARVO"));
    private final Path routingConf = home.resolve("conf").resolve("routing.conf");
    private final String volume = System.getenv("TARVO_TEST_VOLUME");

    @AfterEach
    void removeConfiguration() throws IOException {
        Files.deleteIfExists(routingConf);
    }

    private void configure(String text) throws IOException {
        Files.createDirectories(routingConf.getParent());
        Files.write(routingConf, text.getBytes(StandardCharsets.UTF_8));
    }

    private void assumeOwnVolume() {
        assumeTrue(Files.exists(Paths.get(volume + ".own")), "no volume of the tests' own (needs root)");
    }

    @Test
    void figuresOfTheVolume() {
        assumeOwnVolume();
        assertEquals(VOLUME_KIB, TarvoUtils.getFreeKByte(volume));
        assertEquals(6553, TarvoUtils.getKByteFromPercent(volume, 10));
        assertEquals(VOLUME_KIB * 3 / 2, TarvoUtils.getKByteFromPercent(volume, 150));
        assertEquals(0, TarvoUtils.getKByteFromPercent(volume, 0));
    }

    @Test
    void pathsOutsideAsciiAreFound(@TempDir Path folder) throws IOException {
        Path unicode = Files.createDirectory(folder.resolve("Gr\u00fc\u00dfe \u6570\u636e"));
        assertTrue(TarvoUtils.getFreeKByte(unicode.toString()) > 0);
        assertTrue(TarvoUtils.getKByteFromPercent(unicode.toString(), 100) > 0);
    }

    @Test
    void aNullPathHasNoSpaceAndSaysWhy() {
        String expected = "can't getShortPathFromUTF8: errorcode 22\n" + System.lineSeparator();
        try (CapturedStream err = CapturedStream.err()) {
            assertEquals(0, TarvoUtils.getFreeKByte(null));
            assertEquals(expected, err.text());
        }
        try (CapturedStream err = CapturedStream.err()) {
            assertEquals(0, TarvoUtils.getKByteFromPercent(null, 50));
            assertEquals(2, TarvoUtils.checkForFreeSpace(null, true));
            assertEquals(expected + expected, err.text());
        }
    }

    @Test
    void aContainerDirectoryNotYetMadeHasNoSpace(@TempDir Path folder) throws IOException {
        configure("CONTAINER_DIR = " + folder.resolve("container") + "\nDISK_FREE_SIZE_MB = 5\n");
        assertEquals(2, TarvoUtils.checkForFreeSpace(false));
        assertEquals(2, TarvoUtils.checkForLowerFreeSpace(false));
    }

    @Test
    void onlyThePathMethodComparesWithTheThresholdsOfTheReadingBefore() throws IOException {
        assumeOwnVolume();
        // 65 MB is above the 64 free; a fifth of it, 13, is not.
        configure("CONTAINER_DIR = " + volume + "\nDISK_FREE_SIZE_MB = 65\nDISK_SLOWER_SIZE_MB = 65\n");
        assertEquals(2, TarvoUtils.checkForFreeSpace(false));
        assertEquals(0, TarvoUtils.checkForLowerFreeSpace(true));

        configure("CONTAINER_DIR = " + volume + "\nDISK_FREE_SIZE_MB = 1\nDISK_SLOWER_SIZE_MB = 2\n");
        assertEquals(2, TarvoUtils.checkForFreeSpace(volume, false), "still the 65 of the reading before");
        assertEquals(0, TarvoUtils.checkForFreeSpace(volume, false));

        configure("CONTAINER_DIR = " + volume + "\nDISK_FREE_SIZE_MB = 65\n");
        assertEquals(0, TarvoUtils.checkForFreeSpace(volume, false), "still the 1 of the reading before");
        assertEquals(2, TarvoUtils.checkForFreeSpace(volume, false));
    }

    @Test
    void lowSpaceSlowsTheCallerDown() throws IOException {
        assumeOwnVolume();
        // 15 x 6 / 70: one second.
        configure("CONTAINER_DIR = " + volume + "\nDISK_FREE_SIZE_MB = 1\nDISK_SLOWER_SIZE_MB = 70\n");
        long start = System.nanoTime();
        assertEquals(1, TarvoUtils.checkForFreeSpace(true));
        assertTrue(System.nanoTime() - start >= 1_000_000_000L, "the call waited");
        assertEquals(0, TarvoUtils.checkForFreeSpace(false));
        assertEquals(1, TarvoUtils.checkForFreeSpace(volume, true));
    }
}
