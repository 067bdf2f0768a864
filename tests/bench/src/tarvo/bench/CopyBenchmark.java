package tarvo.bench;

import java.nio.ByteBuffer;
import java.nio.ByteOrder;
import java.nio.ShortBuffer;
import java.util.ArrayList;
import java.util.LinkedHashMap;
import java.util.List;
import java.util.Locale;
import java.util.Map;
import java.util.Random;
import pemu.tarvo.tools.NativeMemoryAccess;
import tarvo.probe.NativeProbe;

/**
 * Throughput of the four copy methods of NativeMemoryAccess against memcpy in
 * native code and the JVM's own copies into a direct buffer over the same
 * native memory, all in one run. Each figure is the best of a few timed
 * rounds; the ratios compare figures of the same run.
 *
 * <p>Arguments: seconds per round (default 0.3), rounds (default 5), and
 * optionally the sizes in KiB.
 */
public final class CopyBenchmark {
    private static final int KIB = 1024;
    private static final int[] SIZES = {4 * KIB, 1024 * KIB, 64 * 1024 * KIB};

    private interface Copy {
        void run();
    }

    /** Bytes per second of `copy`, repeated for at least `seconds` after one warm-up run. */
    private static double throughput(Copy copy, int bytes, double seconds) {
        copy.run();
        long count = 0;
        long start = System.nanoTime();
        long elapsed;
        do {
            copy.run();
            count++;
            elapsed = System.nanoTime() - start;
        } while (elapsed < seconds * 1e9);
        return (double) bytes * count / (elapsed / 1e9);
    }

    private static Map<String, Double> measure(int size, double seconds, int rounds) {
        // The source lies half a page off the destination: at a distance just
        // above a multiple of 4 KiB (where malloc puts small blocks) the
        // processor's string copy behind memcpy runs twenty times slower.
        long to = NativeProbe.allocate(size);
        long fromBlock = NativeProbe.allocate(size + 4096);
        long from = fromBlock + Math.floorMod(to - 2048 - fromBlock, 4096L);
        byte[] bytes = new byte[size];
        short[] shorts = new short[size / 2];
        new Random(1).nextBytes(bytes);
        NativeMemoryAccess.copyFromByteArrayN(bytes, 0, from, size);
        ByteBuffer direct = NativeProbe.view(to, size);
        ShortBuffer bigEndian = NativeProbe.view(to, size).order(ByteOrder.BIG_ENDIAN).asShortBuffer();

        Map<String, Copy> copies = new LinkedHashMap<>();
        copies.put("memcpy", () -> NativeProbe.nativeCopy(to, from, size));
        copies.put("ByteBuffer.put(byte[])", () -> { direct.clear(); direct.put(bytes); });
        copies.put("ByteBuffer.get(byte[])", () -> { direct.clear(); direct.get(bytes); });
        copies.put("copyFromByteArrayN", () -> NativeMemoryAccess.copyFromByteArrayN(bytes, 0, to, size));
        copies.put("copyToByteArrayN", () -> NativeMemoryAccess.copyToByteArrayN(to, bytes, 0, size));
        copies.put("big-endian ShortBuffer.put(short[])", () -> { bigEndian.clear(); bigEndian.put(shorts); });
        copies.put("big-endian ShortBuffer.get(short[])", () -> { bigEndian.clear(); bigEndian.get(shorts); });
        copies.put("copyFromShortArrayN", () -> NativeMemoryAccess.copyFromShortArrayN(shorts, 0, to, size));
        copies.put("copyToShortArrayN", () -> NativeMemoryAccess.copyToShortArrayN(to, shorts, 0, size));

        // Every round measures every copy, so that a change in the machine's
        // load falls on all of them alike.
        Map<String, Double> best = new LinkedHashMap<>();
        for (int round = 0; round < rounds; round++) {
            for (Map.Entry<String, Copy> copy : copies.entrySet()) {
                double rate = throughput(copy.getValue(), size, seconds);
                best.merge(copy.getKey(), rate, Math::max);
            }
        }
        NativeProbe.release(fromBlock);
        NativeProbe.release(to);
        return best;
    }

    private static String sizeName(int size) {
        return size >= 1024 * KIB ? size / (1024 * KIB) + " MiB" : size / KIB + " KiB";
    }

    public static void main(String[] args) {
        double seconds = args.length > 0 ? Double.parseDouble(args[0]) : 0.3;
        int rounds = args.length > 1 ? Integer.parseInt(args[1]) : 5;
        int[] sizes = SIZES;
        if (args.length > 2) {
            sizes = new int[args.length - 2];
            for (int i = 2; i < args.length; i++) {
                sizes[i - 2] = Integer.parseInt(args[i]) * KIB;
            }
        }
        Map<String, String[]> baselines = new LinkedHashMap<>();
        baselines.put("copyFromByteArrayN", new String[] {"memcpy", "ByteBuffer.put(byte[])"});
        baselines.put("copyToByteArrayN", new String[] {"memcpy", "ByteBuffer.get(byte[])"});
        baselines.put("copyFromShortArrayN", new String[] {"big-endian ShortBuffer.put(short[])", null});
        baselines.put("copyToShortArrayN", new String[] {"big-endian ShortBuffer.get(short[])",
                "big-endian ShortBuffer.put(short[])"});

        List<String> lines = new ArrayList<>();
        for (int size : sizes) {
            Map<String, Double> rates = measure(size, seconds, rounds);
            lines.add("");
            lines.add(String.format(Locale.ROOT, "%s (JVM flags: %s)", sizeName(size),
                    String.join(" ", java.lang.management.ManagementFactory.getRuntimeMXBean().getInputArguments())));
            for (Map.Entry<String, Double> rate : rates.entrySet()) {
                StringBuilder line = new StringBuilder(
                        String.format(Locale.ROOT, "  %-36s %7.2f GB/s", rate.getKey(), rate.getValue() / 1e9));
                String[] against = baselines.get(rate.getKey());
                if (against != null) {
                    for (String baseline : against) {
                        if (baseline != null) {
                            line.append(String.format(Locale.ROOT, "   %.2f x %s", rate.getValue() / rates.get(baseline),
                                    baseline));
                        }
                    }
                }
                lines.add(line.toString());
            }
        }
        lines.forEach(System.out::println);
    }
}
