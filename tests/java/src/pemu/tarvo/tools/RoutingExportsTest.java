package pemu.tarvo.tools;

import static org.junit.jupiter.api.Assertions.*;

import java.io.ByteArrayOutputStream;
import java.io.IOException;
import java.io.InputStream;
import java.net.InetAddress;
import java.net.ServerSocket;
import java.net.Socket;
import java.net.SocketTimeoutException;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.Paths;

import org.junit.jupiter.api.AfterEach;
import org.junit.jupiter.api.BeforeEach;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.io.TempDir;

/**
 * The routing methods that need no database, in a real JVM: the container
 * root from "routing.conf" of the installation home (TARVO, set by ctest) and
 * the notification of the autorouter service, here a listener of the test.
 */
class RoutingExportsTest {
    private final Path home = Paths.get(System.getenv("TARVO"));
    private final Path routingConf = home.resolve("conf").resolve("routing.conf");
    private ServerSocket autorouter;

    @BeforeEach
    void listen() throws IOException {
        autorouter = new ServerSocket(0, 8, InetAddress.getLoopbackAddress());
        autorouter.setSoTimeout(5000);
    }

    @AfterEach
    void cleanUp() throws IOException {
        autorouter.close();
        Files.deleteIfExists(routingConf);
    }

    private String nextRequest() throws IOException {
        try (Socket peer = autorouter.accept()) {
            InputStream in = peer.getInputStream();
            ByteArrayOutputStream bytes = new ByteArrayOutputStream();
            byte[] chunk = new byte[4096];
            for (int n; (n = in.read(chunk)) > 0;) bytes.write(chunk, 0, n);
            return new String(bytes.toByteArray(), StandardCharsets.UTF_8);
        }
    }

    @Test
    void containerDirectoryIsTakenAsWritten() throws IOException {
        Files.deleteIfExists(routingConf);
        assertEquals(home + "/container", TarvoUtils.getContainerDirectory());

        Files.createDirectories(routingConf.getParent());
        Files.write(routingConf, "CONTAINER_DIR = D:\\Daten\\Container mit Blank\\\n".getBytes(StandardCharsets.UTF_8));
        assertEquals("D:\\Daten\\Container mit Blank\\", TarvoUtils.getContainerDirectory());
        assertFalse(Files.exists(Paths.get("D:\\Daten\\Container mit Blank\\")), "nothing is created");
    }

    @Test
    void signalledStatesReachTheService(@TempDir Path containers) throws IOException {
        Path data = containers.resolve("c1").resolve("data");
        Files.createDirectories(data);
        int port = autorouter.getLocalPort();

        TarvoUtils.signalAutorouter(null, port, data.toString(), null, 1);
        assertEquals("GET /?doexec=" + data + "&complete HTTP/1.1\n", nextRequest());
        assertEquals("completed\n", new String(Files.readAllBytes(containers.resolve("c1").resolve("stateinfo")),
                StandardCharsets.UTF_8));

        TarvoUtils.signalAutorouter("127.0.0.1", port, data.toString(), "image 1.dcm", 2);
        assertEquals("GET /?doexec=" + data + "&filename=image 1.dcm&complete&canceled HTTP/1.1\n", nextRequest());

        Files.delete(containers.resolve("c1").resolve("stateinfo"));
        TarvoUtils.signalAutorouter(null, port, data.toString(), null, -1);
        assertEquals("GET /?doexec=" + data + "&init HTTP/1.1\n", nextRequest());
        assertFalse(Files.exists(containers.resolve("c1").resolve("stateinfo")), "init writes no stateinfo");
    }

    /** Characters beyond the Basic Multilingual Plane, from "routing.conf" to Java and from Java to a path. */
    @Test
    void textsBeyondTheBasicPlaneCrossBothWays(@TempDir Path containers) throws IOException {
        String name = "R\u00f6ntgen \ud83d\ude00";
        Files.createDirectories(routingConf.getParent());
        Files.write(routingConf, ("CONTAINER_DIR = /daten/" + name + "\n").getBytes(StandardCharsets.UTF_8));
        assertEquals("/daten/" + name, TarvoUtils.getContainerDirectory());

        Path data = containers.resolve(name).resolve("data");
        Files.createDirectories(data);
        TarvoUtils.signalAutorouter(null, autorouter.getLocalPort(), data.toString(), name, 1);
        assertEquals("GET /?doexec=" + data + "&filename=" + name + "&complete HTTP/1.1\n", nextRequest());
        assertEquals("completed\n", new String(Files.readAllBytes(containers.resolve(name).resolve("stateinfo")),
                StandardCharsets.UTF_8));
    }

    @Test
    void aTextThatIsNoUnicodeIsRefused() throws IOException {
        try (CapturedStream err = CapturedStream.err()) {
            TarvoUtils.signalAutorouter(null, autorouter.getLocalPort(), "/daten/x\ud800", null, 1);
            assertEquals("Can't convert text argument '/daten/x\\uD800'\n" + System.lineSeparator(), err.text());
        }
        autorouter.setSoTimeout(300);
        assertThrows(SocketTimeoutException.class, autorouter::accept);
    }

    /** A file name that would read as another part ("&complete") or a second line sends nothing. */
    @Test
    void fileNamesThatWouldChangeTheRequestAreRefused(@TempDir Path containers) throws IOException {
        Path data = containers.resolve("c1").resolve("data");
        Files.createDirectories(data);
        TarvoUtils.signalAutorouter(null, autorouter.getLocalPort(), data.toString(), "a&complete", 0);
        TarvoUtils.signalAutorouter(null, autorouter.getLocalPort(), data.toString(), "a\nGET /?doexec=x", 1);
        autorouter.setSoTimeout(300);
        assertThrows(SocketTimeoutException.class, autorouter::accept);
        assertFalse(Files.exists(containers.resolve("c1").resolve("stateinfo")));
    }

    @Test
    void absentContainerSendsNothing() throws IOException {
        TarvoUtils.signalAutorouter(null, autorouter.getLocalPort(), null, null, 1);
        autorouter.setSoTimeout(300);
        assertThrows(SocketTimeoutException.class, autorouter::accept);
    }
}
