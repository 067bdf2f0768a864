package pemu.tarvo.tools;

import static org.junit.jupiter.api.Assertions.*;

import org.junit.jupiter.api.Test;

/** Named shared memory through the Java declarations, with the copy methods reading and writing it. */
class SharedMemoryTest {
    private static final String EOL = System.lineSeparator();
    private static final int NOT_FOUND = 2;  // ENOENT here, ERROR_FILE_NOT_FOUND on Windows

    /** Keys of this JVM alone: other test processes use the same namespace. */
    private static long key(int n) {
        return ProcessHandle.current().pid() * 64 + n;
    }

    private static byte[] read(long address, int length) {
        byte[] bytes = new byte[length];
        NativeMemoryAccess.copyToByteArrayN(address, bytes, 0, length);
        return bytes;
    }

    @Test
    void aKeyMappedTwiceGivesTwoViewsOfTheSameBytes() {
        long key = key(1);
        long first = TarvoUtils.mapSharedMemory(key, 4096, true);
        long second = TarvoUtils.mapSharedMemory(key, 4096, true);
        assertNotEquals(0, first);
        assertNotEquals(0, second);
        assertNotEquals(first, second);

        NativeMemoryAccess.copyFromByteArrayN("shared".getBytes(), 0, first, 6);
        NativeMemoryAccess.copyFromShortArrayN(new short[] {0x1234}, 0, second + 4094, 2);
        assertEquals("shared", new String(read(second, 6)));
        assertArrayEquals(new byte[] {0x12, 0x34}, read(first + 4094, 2));

        assertTrue(TarvoUtils.unmapSharedMemory(first));
        assertTrue(TarvoUtils.unmapSharedMemory(second));
        assertFalse(TarvoUtils.unmapSharedMemory(second), "a view is unmapped once");
        TarvoUtils.deleteSharedMemory(key);
    }

    @Test
    void onlyTheLowThirtyTwoBitsOfTheKeyCount() {
        long key = key(2);
        long created = TarvoUtils.mapSharedMemory(key, 4096, true);
        long sameObject = TarvoUtils.mapSharedMemory(key | (0x5A5AL << 32), (1L << 40) | 4096, false);
        assertNotEquals(0, sameObject);
        NativeMemoryAccess.copyFromByteArrayN(new byte[] {42}, 0, created, 1);
        assertEquals(42, read(sameObject, 1)[0]);
        TarvoUtils.unmapSharedMemory(created);
        TarvoUtils.unmapSharedMemory(sameObject);
        TarvoUtils.deleteSharedMemory(key | (1L << 63));
        try (CapturedStream err = CapturedStream.err()) {
            assertEquals(0, TarvoUtils.mapSharedMemory(key, 4096, false), "deleted under the other key");
            assertEquals("Could not create file mapping object (" + NOT_FOUND + ").\n" + EOL, err.text());
        }
    }

    @Test
    void openingAKeyNeverCreatedFailsWithTheMessage() {
        try (CapturedStream err = CapturedStream.err()) {
            assertEquals(0, TarvoUtils.mapSharedMemory(key(3), 4096, false));
            assertEquals("Could not create file mapping object (" + NOT_FOUND + ").\n" + EOL, err.text());
        }
    }

    @Test
    void aViewBeyondTheBlockFailsWithTheViewMessage() {
        long key = key(5);
        long created = TarvoUtils.mapSharedMemory(key, 4096, true);
        try (CapturedStream err = CapturedStream.err()) {
            assertEquals(0, TarvoUtils.mapSharedMemory(key, 1 << 20, false));
            assertTrue(err.text().matches("Could not map view of file \\([1-9][0-9]*\\)\\.\n" + EOL), err.text());
        }
        TarvoUtils.unmapSharedMemory(created);
        TarvoUtils.deleteSharedMemory(key);
    }

    /** Threads that create the same new key at once all get a view: none sees the block before it has its size. */
    @Test
    void concurrentCreatorsAllGetAView() throws Exception {
        final int threads = 8;
        final int rounds = 1000;
        java.util.concurrent.CyclicBarrier start = new java.util.concurrent.CyclicBarrier(threads);
        java.util.concurrent.atomic.AtomicInteger failures = new java.util.concurrent.atomic.AtomicInteger();
        java.util.concurrent.ExecutorService pool = java.util.concurrent.Executors.newFixedThreadPool(threads);
        java.util.List<java.util.concurrent.Future<?>> done = new java.util.ArrayList<>();
        try (CapturedStream err = CapturedStream.err()) {
            for (int t = 0; t < threads; t++) {
                done.add(pool.submit(() -> {
                    for (int round = 0; round < rounds; round++) {
                        long key = key(8 + round % 32);
                        start.await(60, java.util.concurrent.TimeUnit.SECONDS);
                        long view = TarvoUtils.mapSharedMemory(key, 4096, true);
                        if (view == 0) failures.incrementAndGet();
                        else TarvoUtils.unmapSharedMemory(view);
                        // Every thread is done with the key before one deletes it.
                        if (start.await(60, java.util.concurrent.TimeUnit.SECONDS) == 0) TarvoUtils.deleteSharedMemory(key);
                    }
                    return null;
                }));
            }
            for (java.util.concurrent.Future<?> each : done) each.get(300, java.util.concurrent.TimeUnit.SECONDS);
            assertEquals(0, failures.get(), err.text());
            assertEquals("", err.text());
        } finally {
            pool.shutdownNow();
        }
    }

    @Test
    void deletingAnUnknownKeyPrintsTheMessage() {
        try (CapturedStream err = CapturedStream.err()) {
            TarvoUtils.deleteSharedMemory(key(6));
            assertEquals("Could not create file mapping object (" + NOT_FOUND + ").\n" + EOL, err.text());
        }
    }
}
