package pemu.tarvo.tools;

import java.io.ByteArrayOutputStream;
import java.io.PrintStream;
import java.nio.charset.StandardCharsets;

/** Stands in for System.out or System.err until closed, keeping what was printed. */
final class CapturedStream implements AutoCloseable {
    private final boolean isErr;
    private final PrintStream original;
    private final ByteArrayOutputStream bytes = new ByteArrayOutputStream();

    private CapturedStream(boolean isErr) {
        this.isErr = isErr;
        this.original = isErr ? System.err : System.out;
        install(new PrintStream(bytes, true));
    }

    static CapturedStream err() {
        return new CapturedStream(true);
    }

    static CapturedStream out() {
        return new CapturedStream(false);
    }

    /** Replaces the capture with another stream (still undone by close). */
    void install(PrintStream stream) {
        if (isErr) {
            System.setErr(stream);
        } else {
            System.setOut(stream);
        }
    }

    String text() {
        return new String(bytes.toByteArray(), StandardCharsets.UTF_8);
    }

    @Override
    public void close() {
        install(original);
    }
}
