package pemu.tarvo.tools;

import static org.junit.jupiter.api.Assertions.*;

import java.io.ByteArrayOutputStream;
import java.io.PrintStream;
import java.nio.charset.StandardCharsets;
import java.util.ArrayList;
import java.util.Collections;
import java.util.List;
import org.junit.jupiter.api.BeforeAll;
import org.junit.jupiter.api.Test;
import tarvo.probe.NativeProbe;

/** The load hook, the exception helpers and jniPrintf in a real JVM. */
class JniFrameTest {
    private static final String EOL = System.lineSeparator();

    @BeforeAll
    static void loadProduct() throws ClassNotFoundException {
        Class.forName("pemu.tarvo.tools.TarvoUtils");
        assertTrue(NativeProbe.useProduct(), "the product library is loaded from java.library.path");
    }

    @Test
    void onLoadAnswersJni16() {
        assertEquals(0x10006, NativeProbe.productOnLoad());
    }

    @Test
    void internalErrorStaysPendingWithItsMessage() {
        InternalError error = assertThrows(InternalError.class,
                () -> NativeProbe.productThrow(null, "Unable to get array"));
        assertEquals("Unable to get array", error.getMessage());
    }

    @Test
    void throwByNameRaisesTheNamedClassOrTheLookupsOwnError() {
        IllegalArgumentException named = assertThrows(IllegalArgumentException.class,
                () -> NativeProbe.productThrow("java/lang/IllegalArgumentException", "bad argument"));
        assertEquals("bad argument", named.getMessage());

        NoClassDefFoundError missing = assertThrows(NoClassDefFoundError.class,
                () -> NativeProbe.productThrow("pemu/tarvo/NoSuchClass", "never seen"));
        assertTrue(missing.getMessage().contains("pemu/tarvo/NoSuchClass"), missing.getMessage());
    }

    @Test
    void messagesReachSystemOutAndSystemErr() {
        try (CapturedStream out = CapturedStream.out(); CapturedStream err = CapturedStream.err()) {
            assertEquals(6, NativeProbe.print(false, "to out"));
            assertEquals(6, NativeProbe.print(true, "to err"));
            assertEquals("to out" + EOL, out.text());
            assertEquals("to err" + EOL, err.text());
        }
    }

    /** A message holding characters beyond the Basic Multilingual Plane arrives unchanged. */
    @Test
    void messagesKeepEveryCharacter() {
        try (CapturedStream err = CapturedStream.err()) {
            String message = "R\u00f6ntgen \ud83d\ude00 \ud800\udc00";
            assertEquals(message.getBytes(StandardCharsets.UTF_8).length, NativeProbe.print(true, message));
            assertEquals(message + EOL, err.text());
        }
    }

    @Test
    void aFormatEndingInALineBreakGivesAnEmptyLineAfterTheText() {
        try (CapturedStream err = CapturedStream.err()) {
            assertEquals(5, NativeProbe.printLine(true, "text"));
            assertEquals("text\n" + EOL, err.text());
        }
    }

    @Test
    void messagesArePrintedWholeAtAndBeyondTheBufferSize() {
        for (int length : new int[] {4095, 4096, 10000}) {
            String message = String.join("", Collections.nCopies(length, "x"));
            try (CapturedStream out = CapturedStream.out()) {
                assertEquals(length, NativeProbe.print(false, message));
                assertEquals(message + EOL, out.text());
            }
        }
    }

    @Test
    void aNativeThreadIsAttachedForThePrintAndDetachedAfterwards() {
        List<Thread> printingThreads = Collections.synchronizedList(new ArrayList<>());
        try (CapturedStream err = CapturedStream.err()) {
            ByteArrayOutputStream bytes = new ByteArrayOutputStream();
            err.install(new PrintStream(bytes, true) {
                @Override
                public void println(String line) {
                    printingThreads.add(Thread.currentThread());
                    super.println(line);
                }
            });
            int[] result = NativeProbe.printFromNativeThread(true, "from a native thread");
            assertEquals(20, result[0]);
            assertEquals(0, result[1], "the thread that jniPrintf attached is detached again");
            assertEquals("from a native thread" + EOL, new String(bytes.toByteArray(), StandardCharsets.UTF_8));
        }
        assertEquals(1, printingThreads.size());
        assertNotSame(Thread.currentThread(), printingThreads.get(0));
        assertFalse(printingThreads.get(0).isAlive());
    }

    @Test
    void anUnreachableStreamPrintsNothingAndAnswersMinusOne() {
        try (CapturedStream out = CapturedStream.out()) {
            out.install(null);
            assertEquals(-1, NativeProbe.print(false, "lost"));
        }
    }

    @Test
    void aPrintlnThatThrowsLeavesNoExceptionToTheCaller() {
        try (CapturedStream out = CapturedStream.out()) {
            out.install(new PrintStream(new ByteArrayOutputStream()) {
                @Override
                public void println(String line) {
                    throw new IllegalStateException("console gone");
                }
            });
            assertEquals(4, NativeProbe.print(false, "next"));
        }
    }

    @Test
    void aPendingExceptionIsKeptAndTheMessageGoesToTheProcessStream() {
        try (CapturedStream err = CapturedStream.err()) {
            IllegalStateException pending = assertThrows(IllegalStateException.class,
                    () -> NativeProbe.printWithPendingException("past Java"));
            assertEquals("pending before the print", pending.getMessage());
            assertEquals("", err.text(), "Java is not called while an exception is pending");
        }
    }
}
