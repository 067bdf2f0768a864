package pemu.tarvo.tools;

import static org.junit.jupiter.api.Assertions.*;

import java.io.IOException;
import java.nio.file.Files;
import java.nio.file.Paths;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.List;
import java.util.concurrent.CyclicBarrier;
import java.util.concurrent.ExecutorService;
import java.util.concurrent.Executors;
import java.util.concurrent.Future;
import java.util.concurrent.TimeUnit;
import java.util.function.Supplier;

import org.junit.jupiter.api.Test;

/**
 * The memory and session methods in a real JVM. ctest starts it as an ssh
 * session from 192.168.1.20 (SSH_CONNECTION) with X forwarded (DISPLAY).
 */
class SessionExportsTest {
    /** The five session answers of one thread, in a fixed order. */
    private static List<Object> sessionAnswers(int rotation) {
        List<Supplier<Object>> methods = Arrays.asList(TarvoUtils::isDisplayLocal, TarvoUtils::isRDPClient,
                TarvoUtils::isCitrixClient, TarvoUtils::getClientName, TarvoUtils::getClientAddress);
        Object[] answers = new Object[methods.size()];
        for (int i = 0; i < methods.size(); ++i) {
            int method = (i + rotation) % methods.size();
            answers[method] = methods.get(method).get();
        }
        return Arrays.asList(answers);
    }

    @Test
    void sixteenThreadsAskingFirstGetTheSameAnswers() throws Exception {
        final int threads = 16;
        CyclicBarrier start = new CyclicBarrier(threads);
        ExecutorService pool = Executors.newFixedThreadPool(threads);
        try {
            List<Future<List<Object>>> results = new ArrayList<>();
            for (int t = 0; t < threads; ++t) {
                final int rotation = t;
                results.add(pool.submit(() -> {
                    start.await(10, TimeUnit.SECONDS);
                    return sessionAnswers(rotation);
                }));
            }
            List<Object> expected = Arrays.asList(false, true, false, null, "192.168.1.20");
            for (Future<List<Object>> result : results) assertEquals(expected, result.get(30, TimeUnit.SECONDS));
        } finally {
            pool.shutdownNow();
        }
        assertEquals(Arrays.asList(false, true, false, null, "192.168.1.20"), sessionAnswers(2));
    }

    @Test
    void memoryFiguresAreThoseOfTheMachineInKib() throws IOException {
        long memTotal = Files.readAllLines(Paths.get("/proc/meminfo")).stream()
                .filter(line -> line.startsWith("MemTotal:"))
                .mapToLong(line -> Long.parseLong(line.replaceAll("[^0-9]", "")))
                .findFirst().getAsLong();
        int total = TarvoUtils.getSystemTotalMem();
        assertEquals(Math.min(memTotal, Integer.MAX_VALUE), total);
        int free = TarvoUtils.getSystemFreeMem();
        assertTrue(free > 0 && free <= total, free + " of " + total);
    }
}
